// Index engine (unit `vovor`): order commands of a work area: opening index files as orders,
// choosing the controlling order, Find, EXACT, key texts, header facts, closing; and the index
// hooks they serve.

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "dbf/table/work_areas.h"
#include "dbf/base/hooks.h"
#include "dbf/expr/values.h"
#include "dbf/index/maintain.h"
#include "dbf/index/semaphore.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/table/area_record.h"
#include "dbf/expr/expression.h"
#include "platform/os/codepage.h"
#include "platform/os/paths.h"

namespace dbf {

namespace {

std::string TableName() {
    const TWorkArea* a = CurrentWorkArea();
    return a != nullptr ? a->FileName : std::string();
}

bool IsOption(const std::string& upper) {
    return upper == "UNIQUE" || upper == "NOCACHE" || upper == "SOUNDEX" || upper == "DESCENDING";
}

// Default extension NDX; a bare name lies in the table's directory.
std::string CompleteName(const std::string& name) {
    std::string n = name;
    const auto slash = n.find_last_of("/\\");
    const auto dot = n.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) n += ".NDX";
    if (n.find_first_of("/\\:") == std::string::npos) {
        const std::string table = TableName();
        const auto ts = table.find_last_of('/');
        if (ts != std::string::npos) n = table.substr(0, ts + 1) + n;
    }
    return n;
}

bool AnyOrderOpen() {
    for (int n = 1; n <= kMaxOrders; ++n)
        if (IndexOrder(n) != nullptr) return true;
    return false;
}

struct ReadBracket {
    ReadBracket() { SetReadSemaphoreProc(true); }
    ~ReadBracket() {
        const std::uint16_t code = LastErrorCode;
        const std::string text = ErrorText;
        SetReadSemaphoreProc(false);
        if (code != 0) {
            LastErrorCode = code;
            ErrorText = text;
        }
    }
};

std::string NumberText(double d) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

std::string KeyTextOf(TIndexControl& ctl) {
    if (ctl.KeyMaker) return ctl.KeyMaker(ctl.OrderNo);
    if (ctl.CharKey) {
        return std::string(reinterpret_cast<const char*>(ctl.CurrentKey.data()),
                           std::min<std::size_t>(ctl.Anchor.KeyLength, 100));
    }
    double d;
    std::memcpy(&d, ctl.CurrentKey.data(), 8);
    if (ctl.Anchor.KeyTypeLetter == 'D') {
        int y, m, dd;
        if (!JulianToYMD(d, y, m, dd)) return "        ";
        return TzIntToStrZero(m, 2) + "/" + TzIntToStrZero(dd, 2) + "/" + TzIntToStrZero(y, 4);
    }
    return NumberText(d);
}

// Hook wrappers.
bool HookActive() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    // Natural order only changes navigation: keys are still kept up to date.
    return ai != nullptr && ai->Orders[0] != nullptr;
}
void HookSync() {
    SyncIndex(false);
}
void HookNoteOldKeys() {
    SyncIndex(false);
    RefreshCurrentKeys();
}
void HookUpdateKeys() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    const bool natural = ai != nullptr && ai->NaturalOrder;
    if (ai != nullptr) ai->NaturalOrder = false;
    CompareKeys();
    if (ai != nullptr) ai->NaturalOrder = natural;
    RefreshCurrentKeys();
}
std::string HookFileName(int order) {
    return IndexFileName(order);
}
std::string HookKeyText(int order) {
    return IndexKeyText(order);
}

} // namespace

TIndexOptions ParseIndexOptions(const std::string& text) {
    // Option words are matched without regard to case; the name keeps its own letters (file
    // names on this platform are case-sensitive).
    TIndexOptions o;
    std::string name;
    for (const std::string& w : BlankSeparatedWords(text)) {
        const std::string u = TzUpperStr(w);
        if (u == "UNIQUE")
            o.Unique = true;
        else if (u == "NOCACHE")
            o.NoCache = true;
        else if (u == "SOUNDEX")
            o.Soundex = true;
        else if (u == "DESCENDING")
            o.Descending = true;
        else
            name += (name.empty() ? "" : " ") + w;
    }
    o.Name = name;
    return o;
}

bool SetIndexTo(const std::string& nameWithOptions, int order, KeyMakerProc keyMaker) {
    LastErrorCode = 0;
    const TIndexOptions o = ParseIndexOptions(nameWithOptions);
    const std::string tag = "[SetIndexTo(<>," + o.Name + "," + std::to_string(order) + ")]";
    if (order < 1 || order > kMaxOrders) {
        SetError(kErrInvalidParameter, "Index Order parameter out of range " + tag);
        return false;
    }
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) {
        SetError(kErrNoDatabase,
                 "Attempt to open " + o.Name + " index file with no DBF file open. " + tag);
        return false;
    }
    const std::string name = CompleteName(o.Name);
    struct stat st {};
    if (const bool there = ::stat(name.c_str(), &st) == 0; !there || !S_ISREG(st.st_mode)) {
        // A folder, a pipe or a device of that name: said as what it is, not as missing.
        SetError(there ? static_cast<std::uint16_t>(os::NoteNotRegularFile(st.st_mode))
                       : kErrFileNotFound,
                 "Attempt to open " + name + " [SetIndexTo(...," + std::to_string(order) + ")]");
        return false;
    }
    if (!HandleSemafore(kSemLogin)) return false;
    bool ok;
    {
        ReadBracket read;
        ok = OpenIndexOrder(name, order, std::move(keyMaker), o.Soundex, o.Descending, o.NoCache);
    }
    if (!ok) {
        if (!AnyOrderOpen()) {
            const std::uint16_t code = LastErrorCode;
            const std::string text = ErrorText;
            HandleSemafore(kSemLogout);
            LastErrorCode = code;
            ErrorText = text;
        }
        return false;
    }
    if (TIndexControl* ctl = IndexOrder(order); ctl != nullptr && ctl->AnchorDirty) {
        SetLockSemaphoreProc(true);
        WriteAnchorNode(*ctl);
        SetLockSemaphoreProc(false);
    }
    RefreshCurrentKeys();
    return LastErrorCode == 0;
}

bool SetIndexToOrder1(const std::string& nameWithOptions, KeyMakerProc keyMaker) {
    if (IndexOrder(1) != nullptr) CloseOrder(1);
    if (!SetIndexTo(nameWithOptions, 1, std::move(keyMaker))) return false;
    Set_Order_To(1);
    return LastErrorCode == 0;
}

void Set_Index_To(const std::string& names) {
    LastErrorCode = 0;
    // Words: each name with the option words that follow it.
    std::vector<std::string> items;
    std::size_t length = 0; // of the list with one blank between words
    for (const std::string& word : BlankSeparatedWords(names)) {
        length += (length > 0 ? 1 : 0) + word.size();
        if (IsOption(TzUpperStr(word)) && !items.empty())
            items.back() += " " + TzUpperStr(word);
        else
            items.push_back(word);
    }
    // A list is taken whole or not at all: a cut one would open a name nobody gave.
    if (length > kMaxIndexListLength || items.size() > static_cast<std::size_t>(kMaxOrders)) {
        SetError(kErrInvalidParameter,
                 length > kMaxIndexListLength
                     ? "The index list is longer than " + std::to_string(kMaxIndexListLength) +
                           " characters (" + std::to_string(length) +
                           "); no index is opened. [Set_Index_To]"
                     : "The index list names more than " + std::to_string(kMaxOrders) +
                           " indexes (" + std::to_string(items.size()) +
                           "); no index is opened. [Set_Index_To]");
        return;
    }
    CloseIndexes();
    if (!ParserLinked) {
        SetError(kErrIndexNotOpen, "ZAZavizi unit not linked in. [Set_Index_To]");
        return;
    }
    int order = 0;
    for (const std::string& item : items) {
        if (!SetIndexTo(item, ++order)) {
            const std::uint16_t code = LastErrorCode;
            const std::string text = ErrorText;
            LastErrorCode = 0;
            SetError(code, text + " [SetIndexTo]");
            return;
        }
    }
    if (order > 0) Set_Order_To(1);
}

void Set_Order_To(int n) {
    LastErrorCode = 0;
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    const std::string tag = "[Set_Order_To(" + std::to_string(n) + ")]";
    if (ai == nullptr || CurrentWorkArea() == nullptr) {
        CheckDbfInUse("Set_Order_To");
        return;
    }
    if (n == 0) {
        ai->NaturalOrder = true;
        return;
    }
    if (n < 0 || n > kMaxOrders) {
        SetError(kErrInvalidParameter, "Invalid Index Order Specified: SET_ORDER_TO. " + tag +
                                           " (DBF=" + TableName() + ")");
        return;
    }
    if (!AnyOrderOpen()) {
        SetError(kErrIndexNotOpen, "Index not open. (DBF=" + TableName() + ") [" + "Set_Order_To(" +
                                       std::to_string(n) + ")" + "]");
        return;
    }
    // The slot that holds order number n (orders keep their numbers when slots swap).
    int slot = -1;
    for (int s = 0; s < kMaxOrders; ++s)
        if (ai->Orders[s] && ai->Orders[s]->OrderNo == n) slot = s;
    if (slot < 0) {
        SetError(kErrIndexNotOpen, "Index not open.. (DBF=" + TableName() + ") " + tag);
        return;
    }
    ReadBracket read;
    ai->NaturalOrder = false;
    if (slot != 0) {
        if (TIndexControl* old = ai->Orders[0].get(); old != nullptr) {
            if (old->CurrentNode != nullptr && old->CurrentNode != &old->OwnNode) {
                old->OwnNode = *old->CurrentNode;
                old->CurrentNode = &old->OwnNode;
            }
        }
        std::swap(ai->Orders[0], ai->Orders[slot]);
        ai->Cache.Reset(ai->Orders[0]->NoCache ? 0 : kDefaultCacheBytes);
        for (auto& o : ai->Orders) {
            if (!o) continue;
            o->Path.clear();
            o->CurrentNode = nullptr;
        }
    }
    CurrentOrder = 1;
    const std::uint8_t found = FoundFlag;
    SyncIndex(false);
    RefreshCurrentKeys();
    FoundFlag = found;
}

int ControllingOrder() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr || ai->NaturalOrder || !ai->Orders[0]) return 0;
    return ai->Orders[0]->OrderNo;
}

bool ExactOnProc() {
    const bool was = ExactOn;
    ExactOn = true;
    return was;
}

bool ExactOffProc() {
    const bool was = ExactOn;
    ExactOn = false;
    return was;
}

bool Find(const std::string& textIn) {
    LastErrorCode = 0;
    FoundFlag = 0;
    if (CheckDbfInUse("Find")) return false;
    TWorkArea* a = CurrentWorkArea();
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr || !ai->Orders[0]) {
        SetError(kErrIndexNotOpen, "Index not open. (DBF=" + TableName() + ") [Find]");
        return false;
    }
    if (ai->NaturalOrder) {
        SetError(kErrInternal, "Cannot use Find() with index order 0 (natural order) [Find]");
        return false;
    }
    std::string text = textIn.substr(0, 100);
    if (text.empty()) return false;
    CurrentOrder = 1;
    ReadBracket read;
    if (LastErrorCode != 0) return false;
    RefreshRecCount();
    TIndexControl& ctl = *ai->Orders[0];
    const int len = ctl.Anchor.KeyLength;
    std::vector<std::uint8_t> key(len + 1, ctl.CharKey ? ' ' : 0);
    std::size_t compareLength = len;
    if (ctl.KeyMaker) {
        if (ExactOn) text = TzPadRight(text, len);
        // The same steps as the stored keys: SOUNDEX, complement.
        std::string k = text;
        if (ctl.Soundex) k = Soundex(k);
        const std::size_t n = std::min<std::size_t>(k.size(), len);
        std::memcpy(key.data(), k.data(), n);
        if (ctl.Descending)
            for (std::size_t i = 0; i < n; ++i)
                key[i] = static_cast<std::uint8_t>(255 - key[i]);
        if (!ExactOn && !ctl.Soundex) compareLength = n;
    } else if (!ctl.CharKey) {
        double d;
        if (ctl.Anchor.KeyTypeLetter == 'D')
            d = DateStrToJulian(AllTrim(text));
        else
            d = static_cast<double>(StrToFloatLocal(AllTrim(text)));
        std::memcpy(key.data(), &d, 8);
    } else {
        if (ExactOn) text = TzPadRight(text, len);
        const std::size_t n = std::min<std::size_t>(text.size(), len);
        std::memcpy(key.data(), text.data(), n);
        if (!ExactOn) compareLength = n;
    }
    std::int32_t rec = SeekKey(ctl, key.data());
    if (LastErrorCode != 0) return false;
    bool found = false;
    if (!ctl.AtEnd && rec >= 1) {
        Dbf4RawGo(rec);
        while (LastErrorCode == 0 && !RecordVisible() && !ctl.AtEnd) {
            rec = FindNextRec(ctl);
            if (ctl.AtEnd || rec < 1 || rec > a->RecordCount) break;
            Dbf4RawGo(rec);
        }
        if (!ctl.AtEnd) {
            if (ctl.CharKey || ctl.KeyMaker)
                found = std::memcmp(ctl.CurrentKey.data(), key.data(), compareLength) == 0;
            else
                found = ctl.CompareKey(ctl.CurrentKey.data(), key.data()) == 0;
        }
    }
    if (!found) {
        ctl.Path.clear();
        ctl.CurrentNode = nullptr;
        ctl.CurrentBlock = kNoNode;
        ctl.AtEnd = true;
        Dbf4RawGo(a->RecordCount + 1);
        FoundFlag = 0;
        return false;
    }
    RefreshCurrentKeys();
    FoundFlag = 1;
    return true;
}

void CloseOrder(int n) {
    CloseIndexOrder(n);
    if (!AnyOrderOpen()) HandleSemafore(kSemLogout);
}

void CloseIndexes() {
    CloseAllIndexes();
    ErrorReportingOff quiet;
    HandleSemafore(kSemLogout);
}

std::string IndexFileName(int n) {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr) return {};
    for (auto& o : ai->Orders)
        if (o && o->OrderNo == n) return o->FileName;
    return {};
}

std::string IndexKeyText(int n) {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    const TWorkArea* a = CurrentWorkArea();
    if (ai == nullptr || a == nullptr) return {};
    for (auto& o : ai->Orders)
        if (o && o->OrderNo == n) return KeyTextOf(*o);
    return {};
}

std::string ControllingKeyText() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    const TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || ai == nullptr) return {};
    if (ai->NaturalOrder || !ai->Orders[0]) return "Rec:" + IntToStrW(a->RecNo, 10);
    return KeyTextOf(*ai->Orders[0]);
}

bool IndexInfo(const std::string& name, TIndexInfo& info) {
    LastErrorCode = 0;
    const std::string tag = "\n\r[IndexInfo(<>," + name + ")]";
    if (name.empty()) {
        SetError(kErrInvalidParameter, "Error reading index file: " + tag);
        return false;
    }
    os::File f;
    int rc = f.Open(name, 66u);
    if (rc == 5 || rc == 32) rc = f.Open(name, 64u);
    std::array<std::uint8_t, kNdxBlockSize> head{};
    if (rc == 0) rc = f.ReadAt(0, head.data(), head.size());
    if (rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Error reading index file: " + tag);
        return false;
    }
    const TNdxAnchor an = TNdxAnchor::Decode(head.data());
    head[124] = 0;
    info.Expression = NormalizeKeyExpr(reinterpret_cast<const char*>(head.data() + 24));
    info.KeyLength = an.KeyLength;
    info.KeyType = an.KeyTypeLetter;
    info.Unique = an.Unique != 0;
    DecodeHeaderTable(head.data(), info.RecordCount, info.TableName);
    return true;
}

std::string TempSortIndexName(const std::string& dir) {
    std::string d = dir;
    if (!d.empty() && d.back() != '/') d += '/';
    return d + "$keltemp" + std::to_string(static_cast<long>(::getpid())) + ".ndx";
}

void InstallIndexMaintenanceHooks() {
    IndexHooks.IndexActive = HookActive;
    IndexHooks.IndexSync = HookSync;
    IndexHooks.AppendNewKey = AppendNewKey;
    IndexHooks.IndexRefreshKeys = RefreshCurrentKeys;
    IndexHooks.IndexNoteOldKeys = HookNoteOldKeys;
    IndexHooks.IndexUpdateKeys = HookUpdateKeys;
    IndexHooks.IndexCloseAll = CloseIndexes;
    IndexHooks.IndexFileName = HookFileName;
    IndexHooks.OrderKeyText = HookKeyText;
    IndexHooks.ControllingKeyText = ControllingKeyText;
    IndexHooks.ReadSemaphore = SetReadSemaphoreProc;
    IndexHooks.LockSemaphore = SetLockSemaphoreProc;
}

} // namespace dbf
