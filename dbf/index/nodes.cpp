// Index engine (unit `vovor`): the in-memory side of open NDX indexes: per-area order slots and
// node cache, block reads and writes, the descent path, the walks over the keys, the keys of the
// current record, and the core of opening and closing an order.

#include <algorithm>
#include <charconv>
#include <cstring>

#include "dbf/table/work_areas.h"
#include "dbf/base/hooks.h"
#include "dbf/expr/values.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/index/ndx.h"
#include "dbf/expr/expression.h"
#include "platform/os/codepage.h"

namespace dbf {

int CurrentOrder = 1;
int OrderBeingKeyed = 1;
bool ExactOn = false;
std::uint8_t FoundFlag = 0;
bool SoftSeek = false;
bool AnchorFlush = false;

namespace {

std::array<TAreaIndexes, kIndexAreas> g_areas;

// With at least 5 children per interior node, 2^32 blocks give fewer than 15 levels: a longer
// descent is a loop in a damaged file.
constexpr std::size_t kMaxDepth = 24;

std::string AreaText(const TIndexControl& ctl) {
    return std::to_string(ctl.AreaNo);
}

bool IsControlling(const TIndexControl& ctl) {
    TAreaIndexes* ai = AreaIndexes(ctl.AreaNo);
    return ai != nullptr && ai->Orders[0].get() == &ctl;
}

void CorruptNode(const TIndexControl& ctl, std::uint32_t n, const char* routine) {
    SetError(kErrInternal, "Corrupted index node " + std::to_string(n) + " in " + ctl.FileName +
                               " [" + routine + "]");
}

std::int32_t TableCount() {
    const TWorkArea* a = CurrentWorkArea();
    return a != nullptr ? a->RecordCount : 0;
}

} // namespace

// ---- control block ----

TIndexControl::~TIndexControl() {
    if (Expr != nullptr) {
        if (ParserHooks.FreeExpr != nullptr)
            ParserHooks.FreeExpr(Expr);
        else
            FreeExpr(Expr);
    }
}

int TIndexControl::CompareKey(const std::uint8_t* a, const std::uint8_t* b) const {
    if (CharKey) {
        const int c = std::memcmp(a, b, Anchor.KeyLength);
        return (c > 0) - (c < 0);
    }
    double x, y;
    std::memcpy(&x, a, 8);
    std::memcpy(&y, b, 8);
    return (x > y) - (x < y);
}

std::int32_t TIndexControl::CurrentRecNo() const {
    if (AtEnd && CurrentNode == nullptr) return -1;
    if (Path.empty()) return -1;
    const TPathLevel& leaf = Path.back();
    if (Position < 0 || Position >= leaf.Node.Count()) return -1;
    return static_cast<std::int32_t>(leaf.Node.RecNo(Position, Anchor.EntrySize));
}

void TNodeCache::Reset(std::size_t bytes) {
    Buffers.clear();
    Pairs.clear();
    Assigned = 0;
    if (bytes == 0) return;
    bytes = std::max<std::size_t>(bytes / kNdxBlockSize * kNdxBlockSize, 2048);
    const std::size_t n = bytes / kNdxBlockSize;
    Buffers.resize(n);
    Pairs.resize(n);
}

void TNodeCache::Invalidate() {
    for (Pair& p : Pairs)
        p = Pair{};
    Assigned = 0;
}

TAreaIndexes* AreaIndexes(std::uint8_t a) {
    if (a < 1 || a > kIndexAreas) return nullptr;
    return &g_areas[a - 1];
}

TIndexControl* IndexOrder(int n) {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr || n < 1 || n > kMaxOrders) return nullptr;
    return ai->Orders[n - 1].get();
}

// ---- blocks ----

void TBlockStore::Put(std::uint32_t n, const std::uint8_t* bytes) {
    if (n < slot_.size() && slot_[n] != 0) {
        std::memcpy(blocks_[slot_[n] - 1].data(), bytes, kNdxBlockSize);
        return;
    }
    if (blocks_.size() >= kMaxBlocks) return;
    if (n >= slot_.size()) slot_.resize(std::size_t{n} + 1, 0);
    blocks_.emplace_back();
    std::memcpy(blocks_.back().data(), bytes, kNdxBlockSize);
    slot_[n] = static_cast<std::uint32_t>(blocks_.size());
}

bool SeekAndRead(TIndexControl& ctl, std::uint32_t n, TNdxNode& buf) {
    for (const TPathLevel& level : ctl.Path) {
        if (level.Block == n) {
            buf = level.Node;
            return true;
        }
    }
    if (const std::uint8_t* stored = ctl.Store.Find(n)) {
        const int k = static_cast<std::int16_t>(stored[0] | stored[1] << 8);
        if (k < 0 || k > ctl.Anchor.KeysPerNode) {
            CorruptNode(ctl, n, "SeekAndRead");
            return false;
        }
        std::memcpy(buf.Bytes.data(), stored, kNdxBlockSize);
        std::fill(buf.Bytes.begin() + kNdxBlockSize, buf.Bytes.end(), 0);
        buf.Bytes[2] = 0;
        return true;
    }
    TNdxNode tmp;
    const int rc =
        ctl.File.ReadAt(std::uint64_t(n) * kNdxBlockSize, tmp.Bytes.data(), kNdxBlockSize);
    if (rc != 0) {
        SetError(static_cast<std::uint16_t>(rc),
                 "Error reading index file: " + ctl.FileName + " [SeekAndRead]");
        return false;
    }
    tmp.Bytes[2] = 0;
    const int k = tmp.Count();
    if (k < 0 || k > ctl.Anchor.KeysPerNode) {
        CorruptNode(ctl, n, "SeekAndRead");
        return false;
    }
    ctl.Store.Put(n, tmp.Bytes.data());
    buf = tmp;
    return true;
}

bool SeekAndWrite(TIndexControl& ctl, std::uint32_t n, TNdxNode& buf) {
    ForgetWalk(ctl); // a changed tree is walked afresh
    buf.Bytes[2] = buf.Bytes[3] = 0;
    for (TPathLevel& level : ctl.Path)
        if (level.Block == n) level.Node = buf;
    const int rc =
        ctl.File.WriteAt(std::uint64_t(n) * kNdxBlockSize, buf.Bytes.data(), kNdxBlockSize);
    if (rc != 0) {
        // What the file holds now is not known: it is read again.
        ctl.Store.Clear();
        SetError(static_cast<std::uint16_t>(rc),
                 "Error writing index file: " + ctl.FileName + " [SeekAndWrite]");
        return false;
    }
    ctl.Store.Put(n, buf.Bytes.data());
    return true;
}

bool GetNode(TIndexControl& ctl, std::int32_t n) {
    if (n == 0) {
        SetError(kErrInternal, "Invalid Node Number (0) in DBF Area " + AreaText(ctl) + ", Order " +
                                   std::to_string(ctl.OrderNo) + " " + ctl.FileName + " [GetNode]");
        return false;
    }
    if (n == kNoNode) {
        ctl.CurrentNode = nullptr;
        ctl.CurrentBlock = kNoNode;
        ctl.Position = 0;
        return true;
    }
    const auto block = static_cast<std::uint32_t>(n);
    TAreaIndexes* ai = AreaIndexes(ctl.AreaNo);
    if (ai != nullptr && IsControlling(ctl) && ai->Cache.Enabled()) {
        TNodeCache& c = ai->Cache;
        for (int i = 0; i < c.Assigned; ++i) {
            if (c.Pairs[i].Block != block) continue;
            if (i > 0) {
                std::swap(c.Pairs[i], c.Pairs[i - 1]);
                --i;
            }
            ctl.CurrentNode = &c.Buffers[c.Pairs[i].Buffer];
            ctl.CurrentBlock = n;
            ctl.Position = 0;
            return true;
        }
        int i;
        const int size = static_cast<int>(c.Pairs.size());
        if (c.Assigned < size) {
            // A pair used for the first time owns the buffer of its own slot.
            i = c.Assigned++;
            c.Pairs[i].Buffer = i;
        } else {
            i = size - 1;
            TNdxNode& old = c.Buffers[c.Pairs[i].Buffer];
            if (old.Modified() && !SeekAndWrite(ctl, c.Pairs[i].Block, old)) return false;
        }
        TNdxNode& buf = c.Buffers[c.Pairs[i].Buffer];
        c.Pairs[i].Block = 0;
        if (!SeekAndRead(ctl, block, buf)) {
            buf.Clear();
            return false;
        }
        c.Pairs[i].Block = block;
        ctl.CurrentNode = &buf;
    } else {
        if (!SeekAndRead(ctl, block, ctl.OwnNode)) return false;
        ctl.CurrentNode = &ctl.OwnNode;
    }
    ctl.CurrentBlock = n;
    ctl.Position = 0;
    return true;
}

void AddPath(TIndexControl& ctl, int pos) {
    ctl.Path.emplace_back(static_cast<std::uint32_t>(ctl.CurrentBlock), *ctl.CurrentNode, pos);
}

std::uint32_t PopPath(TIndexControl& ctl) {
    if (!ctl.Path.empty()) ctl.Path.pop_back();
    return ctl.Path.empty() ? 0 : ctl.Path.back().Block;
}

int SearchInNode(const TIndexControl& ctl, const TNdxNode& node, const std::uint8_t* key) {
    const int k = node.Count();
    const std::uint16_t es = ctl.Anchor.EntrySize;
    if (k < 1) return -1;
    const int first = ctl.CompareKey(key, node.Key(0, es));
    if (first < 0) return -1;
    if (first == 0) return 0;
    if (ctl.CompareKey(key, node.Key(k - 1, es)) > 0) return -2;
    int lo = 1, hi = k - 1; // the answer lies in lo..hi
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (ctl.CompareKey(node.Key(mid, es), key) >= 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// ---- descents and walks ----

namespace {

// A walk in one direction enters each node of a sound tree once.
void BeginWalk(TIndexControl& ctl, int direction) {
    ctl.WalkDirection = direction;
    ctl.WalkLeaf = ctl.Path.empty() ? 0 : ctl.Path.back().Block;
    ctl.Walked.clear();
    for (const TPathLevel& level : ctl.Path)
        ctl.Walked.insert(level.Block);
}

bool EnterNode(TIndexControl& ctl, std::uint32_t block, const char* routine) {
    if (ctl.Walked.insert(block).second) return true;
    ReportIndexCircle(ctl, block, routine);
    return false;
}

bool ValidChild(TIndexControl& ctl, std::uint32_t child, const char* routine) {
    if (child == 0 || (ctl.Anchor.NextFree > 1 && child >= ctl.Anchor.NextFree) ||
        ctl.Path.size() >= kMaxDepth) {
        CorruptNode(ctl, child, routine);
        return false;
    }
    return true;
}

// Down from block to a leaf along the first (or last) child, pushing each node.
bool Descend(TIndexControl& ctl, std::uint32_t block, bool last, const char* routine) {
    for (;;) {
        if (!EnterNode(ctl, block, routine)) return false;
        if (!GetNode(ctl, static_cast<std::int32_t>(block))) return false;
        const TNdxNode& node = *ctl.CurrentNode;
        const int k = node.Count();
        if (node.IsLeaf()) {
            const int pos = last ? k - 1 : 0;
            AddPath(ctl, pos);
            ctl.Position = pos;
            return true;
        }
        const int pos = last ? k : 0;
        AddPath(ctl, pos);
        block = node.Child(pos, ctl.Anchor.EntrySize);
        if (!ValidChild(ctl, block, routine)) return false;
    }
}

// Whether a step in direction continues the walk that ended where the order stands.
bool ContinuesWalk(const TIndexControl& ctl, int direction) {
    return ctl.WalkDirection == direction && !ctl.Path.empty() &&
           ctl.Path.back().Block == ctl.WalkLeaf;
}

void TakeCurrentKey(TIndexControl& ctl) {
    const TPathLevel& leaf = ctl.Path.back();
    ctl.WalkLeaf = leaf.Block;
    std::memcpy(ctl.CurrentKey.data(), leaf.Node.Key(ctl.Position, ctl.Anchor.EntrySize),
                ctl.Anchor.KeyLength);
}

void BlankCurrentKey(TIndexControl& ctl) {
    std::fill(ctl.CurrentKey.begin(), ctl.CurrentKey.end(), ctl.CharKey ? ' ' : 0);
    ctl.CurrentKey.back() = 0;
}

bool LeafHasEntry(const TIndexControl& ctl) {
    return !ctl.Path.empty() && ctl.Position >= 0 && ctl.Position < ctl.Path.back().Node.Count();
}

// From the current leaf to the first key of the next non-empty leaf. False (path unchanged)
// when there is none.
bool StepToNextLeaf(TIndexControl& ctl, const char* routine) {
    for (;;) {
        // The deepest level whose child used was not its last one.
        int j = static_cast<int>(ctl.Path.size()) - 2;
        while (j >= 0 && ctl.Path[j].Pos >= ctl.Path[j].Node.Count())
            --j;
        if (j < 0) return false;
        ctl.Path.resize(j + 1);
        TPathLevel& level = ctl.Path.back();
        ++level.Pos;
        const std::uint32_t child = level.Node.Child(level.Pos, ctl.Anchor.EntrySize);
        if (!ValidChild(ctl, child, routine)) return false;
        if (!Descend(ctl, child, false, routine)) return false;
        if (LeafHasEntry(ctl)) return true;
    }
}

bool StepToPriorLeaf(TIndexControl& ctl, const char* routine) {
    for (;;) {
        int j = static_cast<int>(ctl.Path.size()) - 2;
        while (j >= 0 && ctl.Path[j].Pos <= 0)
            --j;
        if (j < 0) return false;
        ctl.Path.resize(j + 1);
        TPathLevel& level = ctl.Path.back();
        --level.Pos;
        const std::uint32_t child = level.Node.Child(level.Pos, ctl.Anchor.EntrySize);
        if (!ValidChild(ctl, child, routine)) return false;
        if (!Descend(ctl, child, true, routine)) return false;
        if (LeafHasEntry(ctl)) return true;
    }
}

std::int32_t FirstOrLast(TIndexControl& ctl, bool last) {
    const char* routine = last ? "_FindLastRec" : "_FindFirstRec";
    ctl.Path.clear();
    BeginWalk(ctl, last ? -1 : 1);
    ctl.AtEnd = ctl.AtBeginning = false;
    if (!Descend(ctl, ctl.Anchor.Root, last, routine)) return TableCount() + 1;
    if (!LeafHasEntry(ctl)) {
        const bool more = last ? StepToPriorLeaf(ctl, routine) : StepToNextLeaf(ctl, routine);
        if (!more) {
            // No key at all: at the beginning and at the end.
            ctl.Path.clear();
            ctl.AtEnd = ctl.AtBeginning = true;
            BlankCurrentKey(ctl);
            ctl.CurrentNode = nullptr;
            ctl.CurrentBlock = kNoNode;
            FoundFlag = 0;
            return TableCount() + 1;
        }
    }
    TakeCurrentKey(ctl);
    FoundFlag = 1;
    return ctl.CurrentRecNo();
}

} // namespace

std::int32_t FindFirstRec(TIndexControl& ctl) {
    return FirstOrLast(ctl, false);
}

std::int32_t FindLastRec(TIndexControl& ctl) {
    return FirstOrLast(ctl, true);
}

std::int32_t FindNextRec(TIndexControl& ctl) {
    if (!LeafHasEntry(ctl)) {
        ctl.AtEnd = true;
        FoundFlag = 0;
        return TableCount() + 1;
    }
    if (ctl.AtEnd) return ctl.CurrentRecNo();
    ctl.AtBeginning = false;
    if (!ContinuesWalk(ctl, 1)) BeginWalk(ctl, 1);
    if (ctl.Position + 1 < ctl.Path.back().Node.Count()) {
        ++ctl.Position;
        ctl.Path.back().Pos = ctl.Position;
    } else if (!StepToNextLeaf(ctl, "_FindNextRec")) {
        if (LastErrorCode == 0) ctl.AtEnd = true;
        FoundFlag = 0;
        return ctl.CurrentRecNo();
    }
    TakeCurrentKey(ctl);
    FoundFlag = 1;
    return ctl.CurrentRecNo();
}

std::int32_t FindPriorRec(TIndexControl& ctl) {
    // From past the end (no position, or next ran off the last key) prior is the last key.
    if (!LeafHasEntry(ctl) || ctl.AtEnd) return FindLastRec(ctl);
    if (ctl.AtBeginning) return ctl.CurrentRecNo();
    ctl.AtEnd = false;
    if (!ContinuesWalk(ctl, -1)) BeginWalk(ctl, -1);
    if (ctl.Position > 0) {
        --ctl.Position;
        ctl.Path.back().Pos = ctl.Position;
    } else if (!StepToPriorLeaf(ctl, "_FindPriorRec")) {
        if (LastErrorCode == 0) ctl.AtBeginning = true;
        return ctl.CurrentRecNo();
    }
    TakeCurrentKey(ctl);
    FoundFlag = 1;
    return ctl.CurrentRecNo();
}

namespace {

// The bytes of block n for a search, without a copy when the area's node cache or the order's
// block store holds it; otherwise read into scratch. nullptr after reporting.
const std::uint8_t* NodeBytes(TIndexControl& ctl, std::uint32_t n, TNdxNode& scratch) {
    if (n == 0) {
        GetNode(ctl, 0); // reports
        return nullptr;
    }
    if (TAreaIndexes* ai = AreaIndexes(ctl.AreaNo);
        ai != nullptr && ai->Cache.Enabled() && IsControlling(ctl)) {
        const TNodeCache& c = ai->Cache;
        for (int i = 0; i < c.Assigned; ++i)
            if (c.Pairs[i].Block == n) return c.Buffers[c.Pairs[i].Buffer].Bytes.data();
    }
    if (const std::uint8_t* stored = ctl.Store.Find(n)) {
        const int k = static_cast<std::int16_t>(stored[0] | stored[1] << 8);
        if (k >= 0 && k <= ctl.Anchor.KeysPerNode) return stored;
    }
    return SeekAndRead(ctl, n, scratch) ? scratch.Bytes.data() : nullptr;
}

} // namespace

void ReportIndexCircle(const TIndexControl& ctl, std::uint32_t block, const char* routine) {
    SetError(kErrCorruptIndex, "index damaged, rebuild it: " + ctl.FileName + " (node " +
                                   std::to_string(block) + " comes twice on one walk) [" + routine +
                                   "]");
}

void ForgetWalk(TIndexControl& ctl) {
    ctl.WalkDirection = 0;
    ctl.WalkLeaf = 0;
    ctl.Walked.clear();
}

std::int32_t SeekKey(TIndexControl& ctl, const std::uint8_t* key) {
    ctl.Path.clear();
    BeginWalk(ctl, 1);
    ctl.AtEnd = ctl.AtBeginning = false;
    std::uint32_t block = ctl.Anchor.Root;
    const std::uint16_t es = ctl.Anchor.EntrySize;
    TNdxNode scratch;
    // Each node goes straight onto the path: the one copy a search makes of it.
    for (;;) {
        if (!EnterNode(ctl, block, "SeekKey")) return -1;
        const std::uint8_t* bytes = NodeBytes(ctl, block, scratch);
        if (bytes == nullptr) return -1;
        TPathLevel& level = ctl.Path.emplace_back();
        level.Block = block;
        std::memcpy(level.Node.Bytes.data(), bytes, kNdxBlockSize);
        level.Node.Bytes[2] = 0;
        const TNdxNode& node = level.Node;
        const int k = node.Count();
        int pos = SearchInNode(ctl, node, key);
        if (pos == -1) pos = 0;
        if (pos == -2) pos = k;
        level.Pos = pos;
        if (node.IsLeaf()) break;
        block = node.Child(pos, es);
        if (!ValidChild(ctl, block, "SeekKey")) return -1;
    }
    const TPathLevel& leaf = ctl.Path.back();
    ctl.OwnNode = leaf.Node;
    ctl.CurrentNode = &ctl.OwnNode;
    ctl.CurrentBlock = static_cast<std::int32_t>(leaf.Block);
    ctl.Position = leaf.Pos;
    if (!LeafHasEntry(ctl) && !StepToNextLeaf(ctl, "SeekKey")) {
        if (LastErrorCode != 0) return -1;
        ctl.AtEnd = true;
        ctl.CurrentNode = nullptr;
        ctl.CurrentBlock = kNoNode;
        return -1;
    }
    TakeCurrentKey(ctl);
    return ctl.CurrentRecNo();
}

// ---- keys ----

void MakeKeyMakerKey(std::string text, bool soundex, bool descending, int keyLength,
                     std::uint8_t* out) {
    if (text.size() > 100) text.resize(100);
    if (soundex) text = Soundex(text);
    const std::size_t n = std::min<std::size_t>(text.size(), keyLength);
    std::memcpy(out, text.data(), n);
    std::memset(out + n, ' ', keyLength - n);
    if (descending)
        for (int i = 0; i < keyLength; ++i)
            out[i] = static_cast<std::uint8_t>(255 - out[i]);
}

int BlankRecordKeyLength(CompiledExpr* expr) {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || expr == nullptr || ParserHooks.EvaluateExpr == nullptr) return -1;
    if (expr->ResultLength != 0) return expr->ResultLength;
    const std::vector<char> saved = a->RecordBuffer;
    const std::int32_t savedNo = a->RecNo;
    std::fill(a->RecordBuffer.begin(), a->RecordBuffer.end(), ' ');
    a->RecNo = a->RecordCount + 1;
    const void* r = ParserHooks.EvaluateExpr(expr);
    a->RecordBuffer = saved;
    a->RecNo = savedNo;
    if (r == nullptr || expr->ResultType != 'C') return -1;
    return static_cast<int>(std::strlen(static_cast<const char*>(r)));
}

bool BuildRecordKey(TIndexControl& ctl, std::vector<std::uint8_t>& key) {
    const int len = ctl.Anchor.KeyLength;
    key.assign(len + 1, 0);
    if (ctl.KeyMaker) {
        OrderBeingKeyed = ctl.OrderNo;
        MakeKeyMakerKey(ctl.KeyMaker(ctl.OrderNo), ctl.Soundex, ctl.Descending, len, key.data());
        return true;
    }
    if (ctl.Expr == nullptr || ParserHooks.EvaluateExpr == nullptr) return false;
    const void* r = ParserHooks.EvaluateExpr(ctl.Expr);
    if (r == nullptr) return false;
    if (ctl.CharKey) {
        const char* s = static_cast<const char*>(r);
        std::size_t n = 0;
        while (n < static_cast<std::size_t>(len) && s[n] != 0)
            ++n;
        std::memcpy(key.data(), s, n);
        std::memset(key.data() + n, ' ', len - n);
    } else {
        std::memcpy(key.data(), r, 8);
    }
    return true;
}

// ---- header ----

std::string HeaderTableName(const TWorkArea& a) {
    return os::FromUtf8(a.Page, a.ShortName);
}

bool WriteIndexHeader(TIndexControl& ctl) {
    std::array<std::uint8_t, kNdxBlockSize> block{};
    const TWorkArea* a = WorkAreaSlot(ctl.AreaNo);
    const std::string expr = ctl.KeyMaker ? KeyMakerSentence() : ctl.KeyExpr;
    const std::string table = a != nullptr ? HeaderTableName(*a) : std::string();
    EncodeNdxHeader(ctl.Anchor, expr, a != nullptr ? a->RecordCount : 0, table, block.data());
    const int rc = ctl.File.WriteAt(0, block.data(), block.size());
    if (rc != 0) {
        SetError(static_cast<std::uint16_t>(rc),
                 "Error writing index file: " + ctl.FileName + " [WriteIndexHeader]");
        return false;
    }
    ctl.AnchorDirty = false;
    return true;
}

// ---- opening and closing ----

namespace {

std::string OpenContext() {
    return " [OpenIndex/Set_Index_To]";
}

} // namespace

namespace {

// The order number is valid, a table is open, the file is not open as an index of another
// table or twice for this one, and the slot is free. False after reporting.
bool OrderSlotFree(TWorkArea* a, const std::string& name, int order) {
    if (order < 1 || order > kMaxOrders) {
        SetError(kErrInvalidParameter, "Index Order parameter out of range [SetIndexTo(<>," + name +
                                           "," + std::to_string(order) + ")]");
        return false;
    }
    if (a == nullptr) {
        SetError(kErrNoDatabase, "Attempt to open " + name +
                                     " index file with no DBF file open. [SetIndexTo(<>," + name +
                                     "," + std::to_string(order) + ")]");
        return false;
    }
    for (std::uint8_t area = 1; area <= kIndexAreas; ++area) {
        TAreaIndexes* other = AreaIndexes(area);
        const TWorkArea* w = WorkAreaSlot(area);
        for (auto& o : other->Orders) {
            if (!o || o->FileName != name) continue;
            if (area == CurrentAreaNo || w == nullptr || w->FileName != a->FileName) {
                SetError(kErrInvalidParameter, "Index file already open: " + name + " for " +
                                                   a->ShortName +
                                                   "\n\rAttempting to set index of same name for " +
                                                   a->ShortName + "." + OpenContext());
                return false;
            }
        }
    }
    if (AreaIndexes(CurrentAreaNo)->Orders[order - 1]) {
        SetError(kErrInternal, "Internal error: IND pointer already allocated" + OpenContext());
        return false;
    }
    return true;
}

} // namespace

// Every later access to keys and nodes relies on these values, so a damaged header never gets
// that far.
std::string AnchorProblem(const TNdxAnchor& a, std::uint32_t blocks) {
    const char letter = a.KeyTypeLetter == 'F' ? 'N' : a.KeyTypeLetter;
    if (letter != 'C' && letter != 'N' && letter != 'D')
        return "key type " + std::to_string(static_cast<unsigned char>(a.KeyTypeLetter));
    TNdxAnchor want;
    if (!ComputeKeyLayout(letter, a.KeyLength, want) || want.KeyLength != a.KeyLength)
        return "key length " + std::to_string(a.KeyLength) + " for key type " + letter;
    if (want.EntrySize != a.EntrySize || want.KeysPerNode != a.KeysPerNode ||
        want.KeyType != a.KeyType)
        return "entry size " + std::to_string(a.EntrySize) + ", keys per node " +
               std::to_string(a.KeysPerNode) + ", key kind " + std::to_string(a.KeyType) +
               " for key length " + std::to_string(a.KeyLength);
    if (a.Unique > 1) return "unique flag " + std::to_string(a.Unique);
    if (a.Root == 0 || a.Root >= blocks)
        return "root " + std::to_string(a.Root) + " outside the file's " + std::to_string(blocks) +
               " blocks";
    return {};
}

namespace {

// Opens the file and reads its header block into the control block, checking the anchor
// against the key type. The stored expression comes back normalised. False after reporting.
bool ReadIndexHeader(TWorkArea& a, TIndexControl& ctl, std::string& expr) {
    const std::string& name = ctl.FileName;
    unsigned mode =
        a.OpenMode != 0 ? a.OpenMode : ((MultiUser && !a.Exclusive) ? 66u : kExclusiveOpenMode);
    if (const int rc = ctl.File.Open(name, mode); rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Unable to open index: " + name + OpenContext());
        return false;
    }
    std::uint64_t size = 0;
    std::array<std::uint8_t, 125> head{};
    if (ctl.File.Size(size) != 0 || size < 2 * kNdxBlockSize ||
        ctl.File.ReadAt(0, head.data(), head.size()) != 0) {
        SetError(kErrCorruptIndex, "Unable to open index: " + name + OpenContext());
        return false;
    }
    head[124] = 0;
    ctl.Anchor = TNdxAnchor::Decode(head.data());
    expr = NormalizeKeyExpr(reinterpret_cast<const char*>(head.data() + 24));
    // The next free block is where the file ends.
    const std::uint64_t fileBlocks = (size - kNdxBlockSize) / kNdxBlockSize + 1;
    const std::uint32_t blocks =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(fileBlocks, 0xFFFFFFFFu));
    if (const std::string problem = AnchorProblem(ctl.Anchor, blocks); !problem.empty()) {
        SetError(kErrCorruptIndex, "Invalid dBASE key expression or corrupted index file " + name +
                                       " (" + problem + ")" + OpenContext());
        return false;
    }
    ctl.CharKey = ctl.Anchor.KeyTypeLetter == 'C';
    ctl.KeyExpr = expr;
    if (blocks != ctl.Anchor.NextFree) {
        ctl.Anchor.NextFree = blocks;
        std::array<std::uint8_t, 24> anchor{};
        ctl.Anchor.Encode(anchor.data());
        anchor[8] = head[8];
        if (ctl.File.WriteAt(0, anchor.data(), anchor.size()) != 0) ctl.AnchorDirty = true;
    }
    return true;
}

// The key source of an opened index: its expression compiled (it must give the stored key
// type), or the caller's key maker for an index that was built with one. False after
// reporting.
bool AttachKeySource(TIndexControl& ctl, const std::string& expr, KeyMakerProc keyMaker,
                     bool soundex, bool descending) {
    const std::string& name = ctl.FileName;
    if (keyMaker) {
        if (expr != KeyMakerSentence()) {
            SetError(kErrIndexVersion,
                     "Attempted use of Key Maker function with index file created with a "
                     "dBASE key expression [OpenIndex/Set_Index_ToCB(" +
                         name + ")]");
            return false;
        }
        ctl.KeyMaker = std::move(keyMaker);
        ctl.Soundex = soundex;
        ctl.Descending = descending;
        return true;
    }
    if (expr == KeyMakerSentence()) {
        SetError(kErrIndexVersion, "Key maker function required, \"" + name +
                                       "\" was created using KeyMaker function." + OpenContext());
        return false;
    }
    CompiledExpr* e = nullptr;
    {
        ErrorReportingOff quiet;
        if (!expr.empty() && ParserHooks.AssignExpr != nullptr) e = ParserHooks.AssignExpr(expr);
    }
    const char letter = ctl.Anchor.KeyTypeLetter;
    const char want = ctl.CharKey ? 'C' : (letter == 'D' ? 'D' : 'N');
    if (e == nullptr || e->ResultType != want) {
        if (e != nullptr) ParserHooks.FreeExpr(e);
        SetError(kErrCorruptIndex,
                 "Invalid dBASE key expression or corrupted index file " + name + OpenContext());
        return false;
    }
    ctl.Expr = e;
    return true;
}

// A new controlling order stands on the first visible record in its order (or at the end);
// every order takes the key of the current record.
void PositionNewOrder(TWorkArea& a, TIndexControl& c, int order) {
    if (a.RecordCount <= 0) {
        c.Path.clear();
        c.AtBeginning = c.AtEnd = true;
        BlankCurrentKey(c);
        if (GetNode(c, 1)) c.Position = 0;
        return;
    }
    if (order == 1) {
        std::int32_t rec = FindFirstRec(c);
        while (LastErrorCode == 0 && rec >= 1 && rec <= a.RecordCount) {
            Dbf4RawGo(rec);
            if (LastErrorCode != 0 || RecordVisible() || c.AtEnd) break;
            const std::int32_t next = FindNextRec(c);
            if (c.AtEnd) {
                Dbf4RawGo(a.RecordCount + 1);
                break;
            }
            rec = next;
        }
        if (LastErrorCode == 0 && c.AtEnd && c.CurrentNode == nullptr) Dbf4RawGo(a.RecordCount + 1);
    }
    if (LastErrorCode == 0 && c.Expr != nullptr && c.CharKey &&
        BlankRecordKeyLength(c.Expr) != c.Anchor.KeyLength) {
        const std::uint16_t len = c.Anchor.KeyLength;
        const std::string name = c.FileName;
        CloseIndexOrder(order);
        SetError(kErrInvalidSize, "Incorrect key length: Must be 1 to 100.\n\rExpected Length= " +
                                      TzIntToStrZero(len, 3) + "\n\rKey= [] " + name +
                                      " [SetIndexTo/OpenIndex]");
        return;
    }
    if (LastErrorCode == 0 && a.RecNo >= 1 && a.RecNo <= a.RecordCount)
        BuildRecordKey(c, c.CurrentKey);
}

} // namespace

bool OpenIndexOrder(const std::string& name, int order, KeyMakerProc keyMaker, bool soundex,
                    bool descending, bool noCache) {
    LastErrorCode = 0;
    TWorkArea* a = CurrentWorkArea();
    if (!OrderSlotFree(a, name, order)) return false;
    auto ctl = std::make_unique<TIndexControl>();
    ctl->OrderNo = static_cast<std::uint8_t>(order);
    ctl->AreaNo = CurrentAreaNo;
    ctl->FileName = name;
    std::string expr;
    if (!ReadIndexHeader(*a, *ctl, expr) ||
        !AttachKeySource(*ctl, expr, std::move(keyMaker), soundex, descending))
        return false;
    if (const std::string stale = StaleKeyProblem(*a, *ctl); !stale.empty()) {
        SetError(kErrIndexVersion, stale + OpenContext());
        return false;
    }
    ctl->NoCache = noCache;
    ctl->CurrentKey.assign(ctl->Anchor.KeyLength + 1, 0);
    TIndexControl& c = *ctl;
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    ai->Orders[order - 1] = std::move(ctl);
    if (order == 1) {
        ai->Cache.Reset(noCache ? 0 : kDefaultCacheBytes);
        ai->NaturalOrder = false;
    }
    CurrentOrder = 1;
    RefreshRecCount();
    PositionNewOrder(*a, c, order);
    if (LastErrorCode != 0) {
        const std::uint16_t code = LastErrorCode;
        const std::string text = ErrorText;
        {
            ErrorReportingOff quiet;
            CloseIndexOrder(order);
        }
        LastErrorCode = code;
        ErrorText = text;
        return false;
    }
    return true;
}

void CloseIndexOrder(int order) {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr || order < 1 || order > kMaxOrders || !ai->Orders[order - 1]) return;
    std::unique_ptr<TIndexControl> ctl = std::move(ai->Orders[order - 1]);
    if (ctl->AnchorDirty) WriteIndexHeader(*ctl);
    if (order == 1) ai->Cache.Reset(0);
    const int rc = ctl->File.Close();
    if (rc != 0)
        SetError(static_cast<std::uint16_t>(rc), "Error closing index file:  " + ctl->FileName);
}

void CloseAllIndexes() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr) return;
    ai->NaturalOrder = false;
    ErrorReportingOff quiet;
    for (int n = 1; n <= kMaxOrders; ++n)
        CloseIndexOrder(n);
}

} // namespace dbf
