// Work-area commands (unit `dbf4`): AppendFrom, CopyToDelimited and AppendFromDelimited, bulk
// transfer between tables and delimited text.

#include "dbf/table/transfer.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "dbf/table/work_areas.h"
#include "dbf/table/internal.h"
#include "dbf/base/hooks.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/messages.h"
#include "dbf/base/text.h"
#include "platform/os/codepage.h"
#include "platform/os/file.h"

namespace dbf {

char DelimSeparator = ',';
char DelimQuote = '"';
std::uint16_t LineBufferSize = 2048;
std::string DelimitedLost;
std::string AppendLost;

namespace {

using detail::Cur;

constexpr std::size_t kReadBlock = 65520;

std::string TrimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return std::string(s.substr(b, e - b));
}

// Removes every occurrence of word (matched without regard to case) from text, keeping the
// letters of the rest.
bool RemoveKeywordKeepCase(std::string_view word, std::string& text) {
    bool removed = false;
    std::string upper = TzUpperStr(text);
    std::size_t p;
    while ((p = upper.find(word)) != std::string::npos) {
        upper.erase(p, word.size());
        text.erase(p, word.size());
        removed = true;
    }
    return removed;
}

// A text of area a in page `to`, or a text of page `to` in a's page (toArea): characters the
// target page lacks become "?" and are noted in *lost. Tables of different pages meet here, and
// delimited text is Windows text.
std::string AcrossPages(std::string_view s, const TWorkArea& a, os::CodePage to, std::string* lost,
                        bool toArea = false) {
    return toArea ? TextInPage(s, to, a.Page, lost) : TextInPage(s, a.Page, to, lost);
}

std::int64_t SaturatingRound(long double v) {
    if (!std::isfinite(v)) {
        if (std::isnan(v)) return 0;
        return v < 0 ? std::numeric_limits<std::int64_t>::min()
                     : std::numeric_limits<std::int64_t>::max();
    }
    const long double r = std::roundl(v);
    if (r >= 9223372036854775807.0L) return std::numeric_limits<std::int64_t>::max();
    if (r <= -9223372036854775808.0L) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(r);
}

// A number typed as text: '.' as the decimal point (as tables and delimited files hold numbers)
// when the whole text reads that way, else by the user's number settings.
long double TextToReal(std::string_view text) {
    std::string t = TrimBlanks(text);
    if (t.empty()) return 0;
    std::string_view v = t;
    if (v[0] == '+') v.remove_prefix(1);
    long double value = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), value);
    if (r.ec == std::errc() && r.ptr == v.data() + v.size()) return value;
    return StrToFloatLocal(t);
}

std::int64_t TextToInt(std::string_view text) {
    const std::string t = TrimBlanks(text);
    bool plain = !t.empty();
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (!((c >= '0' && c <= '9') || (i == 0 && (c == '-' || c == '+')))) plain = false;
    }
    if (plain) return FieldTextToInt64(t);
    return SaturatingRound(TextToReal(t));
}

bool TrueChar(char c) {
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::uint8_t* VarOf(TWorkArea& a, std::size_t n) {
    return a.FieldVars + FieldVarOffset(a.Fields, n);
}

// Puts the stored form of field n's value into the record buffer, so that the record written
// next holds it even where it reads like a blank field (0, false): a value the transfer gave
// stays a value.
void SetStoredText(TWorkArea& a, std::size_t n) {
    const TDbfFieldDesc& f = a.Fields[n - 1];
    const std::size_t at = FieldVarOffset(a.Fields, n);
    const std::size_t end = std::size_t{f.Offset} + f.Length;
    if (at + FieldVarSize(f) > a.FieldVarsSize || f.Offset < 1 || end > a.RecordBuffer.size() ||
        f.Length == 0)
        return;
    const std::uint8_t* v = a.FieldVars + at;
    std::string text;
    switch (f.Type) {
    case 'N':
    case 'F': {
        if (f.Decimals > 0) {
            const double d = GetVarDouble(v);
            if (std::isfinite(d)) text = FixedText(d, f.Decimals);
        } else {
            text = std::to_string(GetVarInt64(v));
        }
        if (text.empty() || text.size() > f.Length)
            text.assign(f.Length, '*');
        else
            text.insert(0, f.Length - text.size(), ' ');
        break;
    }
    case 'L':
        text = GetVarBool(v) ? "T" : "F";
        break;
    case 'D':
        text = BlockDateToDbfText(GetVarString(v));
        break;
    default:
        return;
    }
    text.resize(f.Length, ' ');
    std::memcpy(a.RecordBuffer.data() + f.Offset, text.data(), f.Length);
}

bool Writable(char type) {
    return type == 'C' || type == 'D' || type == 'N' || type == 'F' || type == 'L';
}

// One field of the current (target) record from one field of the source's.
void ConvertField(const TDbfFieldDesc& tf, std::uint8_t* tv, const TDbfFieldDesc& sf,
                  const std::uint8_t* sv, std::uint8_t sourceSlot) {
    switch (tf.Type) {
    case 'C': {
        std::string s;
        switch (sf.Type) {
        case 'C':
            s = GetVarString(sv);
            break;
        case 'N':
        case 'F':
            s = sf.Decimals > 0 ? FloatToStrLocal(GetVarDouble(sv), tf.Length, sf.Decimals)
                                : IntToStrW(GetVarInt64(sv), tf.Length);
            if (s.size() > tf.Length) s.assign(tf.Length, '*');
            break;
        case 'L':
            s = GetVarBool(sv) ? "T" : "F";
            break;
        case 'D':
            s = DisplayDateForYears(GetVarString(sv));
            // Too long for the field: the year loses its century digits first.
            if (s.size() > tf.Length && s.size() == 10) s.erase(DateFormat == 1 ? 0 : 6, 2);
            break;
        default:
            return;
        }
        if (const TWorkArea* src = WorkAreaSlot(sourceSlot); src != nullptr && sf.Type == 'C')
            s = AcrossPages(s, *src, Cur()->Page, &AppendLost);
        SetVarString(tv, s.substr(0, tf.Length), tf.Length);
        return;
    }
    case 'N':
    case 'F':
        if (sf.Type == 'C') {
            const std::string s = GetVarString(sv);
            if (tf.Decimals > 0)
                SetVarDouble(tv, static_cast<double>(TextToReal(s)));
            else
                SetVarInt64(tv, TextToInt(s));
        } else if (sf.Type == 'N' || sf.Type == 'F') {
            if (tf.Decimals > 0) {
                SetVarDouble(tv, sf.Decimals > 0 ? GetVarDouble(sv)
                                                 : static_cast<double>(GetVarInt64(sv)));
            } else {
                SetVarInt64(tv,
                            sf.Decimals > 0 ? SaturatingRound(GetVarDouble(sv)) : GetVarInt64(sv));
            }
        }
        return;
    case 'L':
        SetVarBool(tv, sf.Type == 'L' && GetVarBool(sv));
        return;
    case 'D':
        if (sf.Type == 'C') {
            std::string s = GetVarString(sv);
            std::string check = s;
            if (CheckDate(check))
                SetVarString(tv, DbfTextToBlockDate(DateToDbf(check)), kDateVarSize - 1);
        } else if (sf.Type == 'D') {
            SetVarString(tv, GetVarString(sv).substr(0, kDateVarSize - 1), kDateVarSize - 1);
        }
        return;
    case 'M':
        if (sf.Type == 'C') {
            std::string s = RTrim(GetVarString(sv));
            // Memo files keep the table's code page, as its records do.
            const TWorkArea* target = Cur();
            if (const TWorkArea* src = WorkAreaSlot(sourceSlot); src != nullptr && target != nullptr)
                s = AcrossPages(s, *src, target->Page, &AppendLost);
            if (!s.empty() && MemoHooks.AddMemo != nullptr) SetVarInt32(tv, MemoHooks.AddMemo(s));
        } else if (sf.Type == 'M') {
            const std::int32_t block = GetVarInt32(sv);
            // Without the memo unit no copy can be made: the field stays empty rather than
            // pointing into another table's memo file.
            std::int32_t copied = 0;
            if (block != 0 && MemoHooks.CopyMemoAppend != nullptr)
                copied = MemoHooks.CopyMemoAppend(sourceSlot, block);
            SetVarInt32(tv, copied);
        }
        return;
    default:
        return;
    }
}

bool HasMemoField(const TWorkArea& a) {
    for (const TDbfFieldDesc& f : a.Fields)
        if (f.Type == 'M') return true;
    return false;
}

int Structure(const TWorkArea& t, const TWorkArea& s) {
    if (t.FieldCount != s.FieldCount || t.Fields.size() != s.Fields.size()) return 2;
    for (std::size_t i = 0; i < t.Fields.size(); ++i) {
        const TDbfFieldDesc& a = t.Fields[i];
        const TDbfFieldDesc& b = s.Fields[i];
        if (a.Name != b.Name || a.Type != b.Type || a.Length != b.Length ||
            a.Decimals != b.Decimals)
            return 2;
    }
    if (t.FieldVarsSize != s.FieldVarsSize) return 2;
    return HasMemoField(s) ? 1 : 0;
}

// Closes the source table opened for AppendFrom in area 35 on every exit, keeping the error
// state of the transfer.
class TemporarySource {
public:
    ~TemporarySource() { Close(); }
    void Opened() { open_ = true; }
    void Close() {
        if (!open_) return;
        open_ = false;
        const std::uint16_t code = LastErrorCode;
        const std::string text = ErrorText;
        CurrentAreaGuard guard;
        CurrentAreaNo = kAreaSlots;
        {
            ErrorReportingOff quiet;
            FreeWorkArea();
        }
        LastErrorCode = code;
        ErrorText = text;
    }

private:
    bool open_ = false;
};

std::string DelimitedLine(const TWorkArea& a, bool header) {
    std::string line;
    bool wrote = true;
    const std::vector<char>& rec = a.RecordBuffer;
    for (std::size_t i = 0; i < a.Fields.size() && i < a.FieldCount; ++i) {
        const TDbfFieldDesc& f = a.Fields[i];
        if (i > 0 && wrote) line += DelimSeparator;
        wrote = Writable(f.Type);
        if (!wrote) continue;
        if (header) {
            if (DelimQuote != 0) line += DelimQuote;
            line += RTrim(f.Name);
            if (DelimQuote != 0) line += DelimQuote;
            continue;
        }
        const std::size_t end = std::size_t{f.Offset} + f.Length;
        const std::string_view stored = (f.Offset >= 1 && end <= rec.size())
                                            ? std::string_view(rec.data() + f.Offset, f.Length)
                                            : std::string_view();
        switch (f.Type) {
        case 'C': {
            std::size_t n = stored.size();
            while (n > 0 && stored[n - 1] == ' ')
                --n;
            // What Windows text lacks is noted, each character once.
            const std::string text =
                AcrossPages(stored.substr(0, n), a, os::CodePage::Cp1252, &DelimitedLost);
            if (DelimQuote != 0) line += DelimQuote;
            for (const char c : text) {
                // A quote inside the value is doubled, so that it survives the way back.
                if (DelimQuote != 0 && c == DelimQuote) line += DelimQuote;
                line += c;
            }
            if (DelimQuote != 0) line += DelimQuote;
            break;
        }
        case 'D': {
            std::string_view d = stored.substr(0, std::min<std::size_t>(stored.size(), 8));
            while (!d.empty() && d.back() == ' ')
                d.remove_suffix(1);
            line += d;
            break;
        }
        case 'N':
        case 'F': {
            std::size_t b = 0;
            while (b < stored.size() && stored[b] == ' ')
                ++b;
            line += stored.substr(b);
            break;
        }
        case 'L':
            if (!stored.empty()) line += stored[0];
            break;
        default:
            break;
        }
    }
    line += "\r\n";
    return line;
}

// The next token of line from pos; pos ends after the separator that closed it.
void NextToken(const std::string& line, std::size_t& pos, std::string& token) {
    token.clear();
    const std::size_t n = line.size();
    while (pos < n && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    int quotes = 0;
    bool quoted = false;
    while (pos < n) {
        const char c = line[pos];
        if (DelimQuote != 0 && c == DelimQuote) {
            if (quoted) {
                if (pos + 1 < n && line[pos + 1] == DelimQuote) {
                    token += c; // a doubled quote inside a quoted value is one quote
                    pos += 2;
                    continue;
                }
                quoted = false;
            } else if (quotes == 0) {
                quoted = true;
            }
            ++quotes;
            ++pos;
            continue;
        }
        if (!quoted && c == DelimSeparator) {
            ++pos;
            break;
        }
        token += c;
        ++pos;
    }
}

void StoreToken(TWorkArea& a, std::size_t n, const std::string& token) {
    const TDbfFieldDesc& f = a.Fields[n - 1];
    std::uint8_t* v = VarOf(a, n);
    if (FieldVarOffset(a.Fields, n) + FieldVarSize(f) > a.FieldVarsSize) return;
    switch (f.Type) {
    case 'C':
        SetVarString(
            v, AcrossPages(token, a, os::CodePage::Cp1252, &AppendLost, true).substr(0, f.Length),
            f.Length);
        break;
    case 'D': {
        if (token.empty()) break;
        bool digits = true;
        for (char c : token)
            if (c < '0' || c > '9') digits = false;
        const std::string s = digits ? DbfTextToBlockDate(token) : token;
        SetVarString(v, s.substr(0, kDateVarSize - 1), kDateVarSize - 1);
        SetStoredText(a, n);
        break;
    }
    case 'N':
    case 'F':
        // An empty column keeps the field blank, as it was written.
        if (TrimBlanks(token).empty()) break;
        if (f.Decimals > 0)
            SetVarDouble(v, static_cast<double>(TextToReal(token)));
        else
            SetVarInt64(v, TextToInt(token));
        SetStoredText(a, n);
        break;
    case 'L':
        SetVarBool(v, !token.empty() && TrueChar(token[0]));
        SetStoredText(a, n);
        break;
    default:
        break;
    }
}

// The source's current record into the target's field variables (the target is the current
// area): whole when both have the same fields, else field by field through the name map. The
// engine code, 0 when done.
std::uint16_t FillTargetRecord(TWorkArea& target, TWorkArea& src, int structure,
                               const std::vector<std::uint8_t>& map, std::uint8_t sourceSlot) {
    std::uint16_t code = 0;
    if (structure != 2) {
        std::memcpy(target.FieldVars, src.FieldVars, target.FieldVarsSize);
        // With the same fields the source's buffer is the target's record as it reads; texts
        // of tables of different pages are converted below (the append gathers them).
        if (!src.IsVirtual && !target.IsVirtual &&
            src.RecordBuffer.size() == target.RecordBuffer.size())
            target.RecordBuffer = src.RecordBuffer;
        if (target.Page != src.Page) {
            for (std::size_t i = 0; i < target.Fields.size(); ++i) {
                const TDbfFieldDesc& f = target.Fields[i];
                if (f.Type != 'C') continue;
                std::uint8_t* v = VarOf(target, i + 1);
                SetVarString(v, AcrossPages(GetVarString(v), src, target.Page, &AppendLost),
                             f.Length);
            }
        }
        if (structure == 1) {
            for (std::size_t i = 0; i < target.Fields.size() && code == 0; ++i) {
                if (target.Fields[i].Type != 'M') continue;
                ConvertField(target.Fields[i], VarOf(target, i + 1), src.Fields[i],
                             VarOf(src, i + 1), sourceSlot);
                code = LastErrorCode;
            }
        }
    } else {
        ClearRecord();
        target.FieldVars[0] = src.FieldVars[0];
        for (std::size_t i = 0; i < map.size() && code == 0; ++i) {
            if (map[i] == 0) continue;
            const TDbfFieldDesc& sf = src.Fields[map[i] - 1];
            const std::size_t so = FieldVarOffset(src.Fields, map[i]);
            const std::size_t to = FieldVarOffset(target.Fields, i + 1);
            if (so + FieldVarSize(sf) > src.FieldVarsSize ||
                to + FieldVarSize(target.Fields[i]) > target.FieldVarsSize)
                continue;
            ConvertField(target.Fields[i], target.FieldVars + to, sf, src.FieldVars + so,
                         sourceSlot);
            code = LastErrorCode;
            SetStoredText(target, i + 1);
        }
    }
    return code;
}

} // namespace

int CompareStructures(std::uint8_t targetArea, std::uint8_t sourceArea) {
    const TWorkArea* t = WorkAreaSlot(targetArea);
    const TWorkArea* s = WorkAreaSlot(sourceArea);
    if (t == nullptr || s == nullptr) return 2;
    return Structure(*t, *s);
}

std::uint16_t AppendFrom(const std::string& source, const std::function<bool()>& continueFunc) {
    LastErrorCode = 0;
    AppendLost.clear();
    const std::string tag = "[AppendFrom(" + source + ")]";
    if (Cur() == nullptr) {
        SetError(kErrNoDatabase, "No database in use " + tag);
        return LastErrorCode;
    }
    const std::uint8_t targetSlot = CurrentAreaNo;
    CurrentAreaGuard guard;

    std::string text = source;
    bool isVirtual = false;
    for (std::string_view word : {" VIRTUAL FILE", " LINKED LIST", " VIRTUAL", " LINKED"})
        if (RemoveKeywordKeepCase(word, text)) isVirtual = true;
    text = TrimBlanks(text);
    const std::string key = isVirtual ? text : DefaultExt(FExpand(text), "DBF");

    std::uint8_t sourceSlot = 0;
    for (std::uint8_t i = 1; i <= kUserAreas && sourceSlot == 0; ++i) {
        const TWorkArea* a = WorkAreaSlot(i);
        if (a != nullptr && a->FileName == key) sourceSlot = i;
    }
    if (sourceSlot == 0 && isVirtual) {
        SetError(kErrNoDatabase, "Virtual file must be open. " + tag);
        return LastErrorCode;
    }
    if (sourceSlot == 0 && !FileExists(key)) {
        SetError(kErrFileNotFound, tag);
        return LastErrorCode;
    }
    if (sourceSlot == targetSlot) {
        SetError(kErrFileInUse, "Attempting to append file to itself. " + tag);
        return LastErrorCode;
    }

    TemporarySource temporary;
    if (sourceSlot == 0) {
        CurrentAreaNo = kAreaSlots;
        Use(key + " ALIAS *FROMFILE");
        if (LastErrorCode != 0 || WorkAreaSlot(kAreaSlots) == nullptr) {
            const std::uint16_t code = LastErrorCode != 0 ? LastErrorCode : kErrFileNotFound;
            CurrentAreaNo = kAreaSlots;
            {
                ErrorReportingOff quiet;
                FreeWorkArea();
            }
            LastErrorCode = code;
            return code;
        }
        temporary.Opened();
        sourceSlot = kAreaSlots;
    }

    TWorkArea* target = WorkAreaSlot(targetSlot);
    TWorkArea* src = WorkAreaSlot(sourceSlot);
    // Target field -> source field (both 1-based; 0 none).
    std::vector<std::uint8_t> map(target->Fields.size(), 0);
    bool any = false;
    for (std::size_t i = 0; i < target->Fields.size() && i < 255; ++i) {
        for (std::size_t j = 0; j < src->Fields.size(); ++j) {
            if (src->Fields[j].Name == target->Fields[i].Name) {
                map[i] = static_cast<std::uint8_t>(j + 1);
                any = true;
                break;
            }
        }
    }
    std::uint16_t code = 0;
    if (any && target->FieldVars != nullptr && src->FieldVars != nullptr) {
        const int structure = Structure(*target, *src);
        CurrentAreaNo = sourceSlot;
        if (!IsWhileOn() && !continueFunc)
            GoTop();
        else
            Skip(0);
        code = LastErrorCode;
        while (code == 0) {
            CurrentAreaNo = sourceSlot;
            if (WorkAreaSlot(sourceSlot) != src || dEOF()) break;
            if (continueFunc && !continueFunc()) break;
            CurrentAreaNo = targetSlot;
            if (WorkAreaSlot(targetSlot) != target || WorkAreaSlot(sourceSlot) != src) {
                SetError(kErrNoDatabase, "No database in use " + tag);
                code = LastErrorCode;
                break;
            }
            code = FillTargetRecord(*target, *src, structure, map, sourceSlot);
            if (code != 0) break;
            Append();
            code = LastErrorCode;
            if (code != 0) break;
            CurrentAreaNo = sourceSlot;
            Skip(1);
            code = LastErrorCode;
        }
    }
    temporary.Close();
    CurrentAreaNo = targetSlot;
    LastErrorCode = code;
    return code;
}

std::int32_t CopyToDelimited(const std::string& name, bool header) {
    LastErrorCode = 0;
    if (CheckDbfInUse("CopyToDelimited")) return 0;
    TWorkArea* a = Cur();
    if (a->IsVirtual) return 0;
    const std::string path = DefaultExt(name, "TXT");
    DelimitedLost.clear();
    std::string out;
    if (header) out += DelimitedLine(*a, true);
    std::int32_t count = 0;
    GoTop();
    while (LastErrorCode == 0 && Cur() == a && !dEOF()) {
        out += DelimitedLine(*a, false);
        ++count;
        Skip(1);
    }
    if (LastErrorCode != 0) return count;
    out += '\x1A';
    const int code = os::WriteWholeFileAtomic(path, out);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "File:  " + path + " [CopyToDelimited]");
        return 0;
    }
    return count;
}

std::int32_t CopyToText(const std::string& name) {
    return CopyToDelimited(name, false);
}

std::int32_t AppendFromDelimited(const std::string& name, bool progress) {
    LastErrorCode = 0;
    AppendLost.clear();
    if (CheckDbfInUse("AppendFromDelimited")) return 0;
    TWorkArea* a = Cur();
    const std::string path = DefaultExt(name, "TXT");
    os::File file;
    int code = file.Open(path, os::OpenMode{os::Access::Read, os::Share::DenyNone},
                         os::Disposition::OpenExisting);
    std::uint64_t size = 0;
    if (code == 0) code = file.Size(size);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "File:  " + path + " [AppendFromDelimited]");
        return 0;
    }
    std::unique_ptr<TTzProgress100> bar;
    if (progress) bar = std::make_unique<TTzProgress100>(nullptr, "Appending...");
    const std::uint64_t stepBytes = std::max<std::uint64_t>(1, size / 100);
    std::uint64_t nextStep = stepBytes;

    std::vector<char> buffer(kReadBlock);
    std::string line;
    std::string token;
    line.reserve(LineBufferSize);
    std::int32_t appended = 0;
    bool failed = false;
    auto finishLine = [&]() {
        if (line.empty() || failed) {
            line.clear();
            return;
        }
        if (Cur() != a) {
            failed = true;
            return;
        }
        ClearRecord();
        std::size_t pos = 0;
        for (std::size_t i = 1; i <= a->FieldCount && i <= a->Fields.size() && pos < line.size();
             ++i) {
            // Memo fields take no column: the text holds none for them.
            if (!Writable(a->Fields[i - 1].Type)) continue;
            NextToken(line, pos, token);
            StoreToken(*a, i, token);
        }
        Append();
        line.clear();
        if (LastErrorCode != 0) {
            failed = true;
            return;
        }
        ++appended;
    };

    std::uint64_t consumed = 0;
    bool lineFeedEnds = false; // a CR ended the line: a following LF belongs to it
    bool end = false;
    while (!end && !failed) {
        std::size_t got = 0;
        code = file.ReadSome(buffer.data(), buffer.size(), got);
        if (code != 0) {
            SetError(static_cast<std::uint16_t>(code), "File:  " + path + " [AppendFromDelimited]");
            failed = true;
            break;
        }
        if (got == 0) break;
        for (std::size_t i = 0; i < got && !end && !failed; ++i) {
            const char c = buffer[i];
            ++consumed;
            if (bar && consumed >= nextStep) {
                while (consumed >= nextStep) {
                    bar->Step();
                    nextStep += stepBytes;
                }
            }
            if (lineFeedEnds) {
                lineFeedEnds = false;
                if (c == '\n') continue;
            }
            if (c == '\x1A') {
                end = true;
            } else if (c == '\n') {
                finishLine();
            } else if (c == '\r') {
                finishLine();
                lineFeedEnds = true;
            } else if (line.size() < LineBufferSize) {
                line += c; // the rest of an overlong line is cut off
            }
        }
    }
    finishLine();
    return appended;
}

} // namespace dbf
