// Index engine (unit `vovor`): key insertion and removal in NDX B-trees, and the record-level
// operations built on them.

#include "dbf/index/maintain.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "dbf/table/work_areas.h"
#include "dbf/index/semaphore.h"
#include "dbf/base/errors.h"
#include "dbf/table/area_record.h"

namespace dbf {

std::int32_t RecordBeingKeyed = 0;
TIndexIoCounters IndexIoCounters;

namespace {

using Path = std::vector<TPathLevel>;

// A descent deeper than this cannot come from a file of 32-bit block numbers: it is a loop.
constexpr std::size_t kMaxDepth = 64;

bool Controlling(const TIndexControl& ctl) {
    TAreaIndexes* ai = AreaIndexes(ctl.AreaNo);
    return ai != nullptr && ai->Orders[0].get() == &ctl;
}

void Corrupt(const TIndexControl& ctl, std::uint32_t block, const char* routine) {
    SetError(kErrCorruptIndex, "Corrupted index file " + ctl.FileName + " (node " +
                                   std::to_string(block) + ") [" + routine + "]");
}

// Block n through the controlling order's cache when it holds it, else from the file.
bool ReadNode(TIndexControl& ctl, std::uint32_t n, TNdxNode& node, const char* routine) {
    if (n == 0 || n >= ctl.Anchor.NextFree) {
        Corrupt(ctl, n, routine);
        return false;
    }
    ++IndexIoCounters.Reads;
    if (Controlling(ctl)) {
        TNodeCache& c = AreaIndexes(ctl.AreaNo)->Cache;
        for (int i = 0; i < c.Assigned; ++i) {
            if (c.Pairs[i].Block == n && c.Pairs[i].Buffer >= 0) {
                node = c.Buffers[c.Pairs[i].Buffer];
                node.Bytes[2] = node.Bytes[3] = 0;
                return true;
            }
        }
    }
    return SeekAndRead(ctl, n, node);
}

// Writes block n and refreshes the cache's copy of it, so the cache never holds an old node.
bool WriteNode(TIndexControl& ctl, std::uint32_t n, TNdxNode& node) {
    ++IndexIoCounters.Writes;
    if (!SeekAndWrite(ctl, n, node)) return false;
    if (Controlling(ctl)) {
        TNodeCache& c = AreaIndexes(ctl.AreaNo)->Cache;
        for (int i = 0; i < c.Assigned; ++i)
            if (c.Pairs[i].Block == n && c.Pairs[i].Buffer >= 0)
                c.Buffers[c.Pairs[i].Buffer] = node;
    }
    return true;
}

// First entry i of the node's keys 0..count-1 with key(i) >= key (upper: > key); count when
// none.
int Bound(const TIndexControl& ctl, const TNdxNode& node, const std::uint8_t* key, bool upper) {
    int lo = 0, hi = node.Count();
    const std::uint16_t es = ctl.Anchor.EntrySize;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        const int c = ctl.CompareKey(node.Key(mid, es), key);
        if (upper ? c > 0 : c >= 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// Block read into a new last level of the path; nullptr (reported) when the path would grow
// deeper than any sound index or the block cannot be read.
TPathLevel* PushLevel(TIndexControl& ctl, std::uint32_t block, Path& path, const char* routine) {
    if (path.size() >= kMaxDepth) {
        Corrupt(ctl, block, routine);
        return nullptr;
    }
    for (const TPathLevel& level : path) {
        if (level.Block == block) { // a child that is its own ancestor
            ReportIndexCircle(ctl, block, routine);
            return nullptr;
        }
    }
    path.emplace_back();
    TPathLevel& level = path.back();
    level.Block = block;
    if (!ReadNode(ctl, block, level.Node, routine)) return nullptr;
    return &level;
}

// From the root to a leaf by key, recording the path. Lower: the first place of key; upper:
// the place after every equal key.
bool DescendByKey(TIndexControl& ctl, const std::uint8_t* key, bool upper, Path& path,
                  const char* routine) {
    path.clear();
    std::uint32_t block = ctl.Anchor.Root;
    for (;;) {
        TPathLevel* const next = PushLevel(ctl, block, path, routine);
        if (next == nullptr) return false;
        TPathLevel& level = *next;
        level.Pos = Bound(ctl, level.Node, key, upper);
        if (level.Node.IsLeaf()) return true;
        block = level.Node.Child(level.Pos, ctl.Anchor.EntrySize);
    }
}

// Down the first (last) children from block to a leaf, appending to the path.
bool DescendEdge(TIndexControl& ctl, std::uint32_t block, bool last, Path& path,
                 const char* routine) {
    for (;;) {
        TPathLevel* const next = PushLevel(ctl, block, path, routine);
        if (next == nullptr) return false;
        TPathLevel& level = *next;
        const int k = level.Node.Count();
        if (level.Node.IsLeaf()) {
            level.Pos = last ? k - 1 : 0;
            return true;
        }
        level.Pos = last ? k : 0;
        block = level.Node.Child(level.Pos, ctl.Anchor.EntrySize);
    }
}

// To the first key of the next leaf that holds one. False (error clear) when there is none.
bool NextLeaf(TIndexControl& ctl, Path& path, const char* routine) {
    for (;;) {
        int j = static_cast<int>(path.size()) - 2;
        while (j >= 0 && path[j].Pos >= path[j].Node.Count())
            --j;
        if (j < 0) return false;
        path.resize(j + 1);
        ++path.back().Pos;
        const std::uint32_t child = path.back().Node.Child(path.back().Pos, ctl.Anchor.EntrySize);
        if (!DescendEdge(ctl, child, false, path, routine)) return false;
        if (path.back().Node.Count() > 0) return true;
    }
}

enum class Located { Entry, KeyOnly, Missing, Error };

// The entry (key, rec): Entry with the path on it; KeyOnly with the path on the first equal key
// when the key is there for other records only; Missing when the key is absent.
Located Locate(TIndexControl& ctl, const std::uint8_t* key, std::int32_t rec, Path& path,
               const char* routine) {
    if (!DescendByKey(ctl, key, false, path, routine)) return Located::Error;
    const std::uint16_t es = ctl.Anchor.EntrySize;
    Path first;
    std::unordered_set<std::uint32_t> leaves{path.back().Block}; // each leaf once
    for (;;) {
        TPathLevel& leaf = path.back();
        if (leaf.Pos >= leaf.Node.Count()) {
            if (!NextLeaf(ctl, path, routine)) {
                if (LastErrorCode != 0) return Located::Error;
                break;
            }
            if (!leaves.insert(path.back().Block).second) {
                ReportIndexCircle(ctl, path.back().Block, routine);
                return Located::Error;
            }
            continue;
        }
        if (ctl.CompareKey(leaf.Node.Key(leaf.Pos, es), key) != 0) break;
        if (first.empty()) first = path;
        if (rec < 0 || leaf.Node.RecNo(leaf.Pos, es) == static_cast<std::uint32_t>(rec))
            return Located::Entry;
        ++leaf.Pos;
    }
    if (first.empty()) return Located::Missing;
    path = std::move(first);
    return Located::KeyOnly;
}

// Highest key under block: the last key of the leaf reached by right-most children.
bool HighestKey(TIndexControl& ctl, std::uint32_t block, std::vector<std::uint8_t>& out,
                const char* routine) {
    Path p;
    if (!DescendEdge(ctl, block, true, p, routine)) return false;
    const TNdxNode& leaf = p.back().Node;
    if (leaf.Count() < 1) {
        Corrupt(ctl, block, routine);
        return false;
    }
    const std::uint8_t* k = leaf.Key(leaf.Count() - 1, ctl.Anchor.EntrySize);
    out.assign(k, k + ctl.Anchor.KeyLength);
    return true;
}

// Entries of a node as a flat array with room for one more.
struct Entries {
    std::array<std::uint8_t, 2 * kNdxNodeBufferSize> Bytes{};
    int N = 0;
    std::uint16_t Es = 0;
    std::uint8_t* At(int i) { return Bytes.data() + i * Es; }
    void Load(const TNdxNode& node, int n, std::uint16_t es) {
        Es = es;
        N = n;
        std::memcpy(Bytes.data(), node.Entry(0, es), std::size_t(n) * es);
    }
    void Insert(int i, const std::uint8_t* entry) {
        std::memmove(At(i + 1), At(i), std::size_t(N - i) * Es);
        std::memcpy(At(i), entry, Es);
        ++N;
    }
    // Node of `keys` keys from entries [from, from + count).
    void Store(TNdxNode& node, int from, int count, int keys) {
        node.Clear();
        node.SetCount(static_cast<std::int16_t>(keys));
        std::memcpy(node.Entry(0, Es), At(from), std::size_t(count) * Es);
    }
};

void MakeEntry(std::uint8_t* e, std::uint16_t es, std::uint32_t child, std::uint32_t rec,
               const std::uint8_t* key, std::uint16_t keyLength) {
    std::memset(e, 0, es);
    for (int i = 0; i < 4; ++i) {
        e[i] = static_cast<std::uint8_t>(child >> (8 * i));
        e[4 + i] = static_cast<std::uint8_t>(rec >> (8 * i));
    }
    if (key != nullptr) std::memcpy(e + 8, key, keyLength);
}

// The right-most child slot of an interior node carries no key or record.
void ClearRightmost(TNdxNode& node, std::uint16_t es) {
    const int k = node.Count();
    std::uint8_t* e = node.Entry(k, es);
    const std::size_t room = node.Bytes.size() - (e - node.Bytes.data());
    std::memset(e + 4, 0, std::min<std::size_t>(es - 4, room - 4));
}

std::uint32_t NewBlock(TIndexControl& ctl) {
    ctl.AnchorDirty = true;
    return ctl.Anchor.NextFree++;
}

// Empties the tree: root 1 with an empty leaf written there (block 1 may have been anything).
bool MakeEmpty(TIndexControl& ctl) {
    TNdxNode empty;
    ctl.Anchor.Root = 1;
    ctl.Anchor.NextFree = 2;
    ctl.AnchorDirty = true;
    return WriteNode(ctl, 1, empty);
}

// Positions the controlling order on the path's current entry.
void TakePosition(TIndexControl& ctl, Path&& path) {
    const TPathLevel& leaf = path.back();
    ctl.OwnNode = leaf.Node;
    ctl.CurrentNode = &ctl.OwnNode;
    ctl.CurrentBlock = static_cast<std::int32_t>(leaf.Block);
    ctl.Position = leaf.Pos;
    std::memcpy(ctl.CurrentKey.data(), leaf.Node.Key(leaf.Pos, ctl.Anchor.EntrySize),
                ctl.Anchor.KeyLength);
    ctl.Path = std::move(path);
    ctl.AtEnd = ctl.AtBeginning = false;
}

void PutAtEnd(TIndexControl& ctl) {
    ctl.Path.clear();
    ctl.CurrentNode = nullptr;
    ctl.CurrentBlock = kNoNode;
    ctl.Position = 0;
    ctl.AtEnd = true;
}

// Whether the order's own position (path fresh from its last move) is on (key, rec).
bool PositionedOn(const TIndexControl& ctl, const std::uint8_t* key, std::int32_t rec) {
    if (ctl.Path.empty() || ctl.AtEnd) return false;
    const TPathLevel& leaf = ctl.Path.back();
    const std::uint16_t es = ctl.Anchor.EntrySize;
    return leaf.Node.IsLeaf() && leaf.Pos >= 0 && leaf.Pos < leaf.Node.Count() &&
           leaf.Node.RecNo(leaf.Pos, es) == static_cast<std::uint32_t>(rec) &&
           ctl.CompareKey(leaf.Node.Key(leaf.Pos, es), key) == 0;
}

// Separator climb: from path level `child` upwards, the entry leading to the child takes key h.
bool ClimbSeparator(TIndexControl& ctl, Path& path, int child, const std::uint8_t* h) {
    const std::uint16_t es = ctl.Anchor.EntrySize;
    for (int i = child - 1; i >= 0; --i) {
        TPathLevel& up = path[i];
        if (up.Pos < up.Node.Count()) {
            std::memcpy(up.Node.Key(up.Pos, es), h, ctl.Anchor.KeyLength);
            return WriteNode(ctl, up.Block, up.Node);
        }
        // A right-most child: the bound lies further up.
    }
    return true;
}

// Inserts (key, rec); `placed` gets the path to the new entry when no node had to split.
bool InsertEntry(TIndexControl& ctl, const std::uint8_t* key, std::int32_t rec, Path& placed) {
    const char* routine = "AppendIndex";
    const std::uint16_t es = ctl.Anchor.EntrySize;
    const std::uint16_t kl = ctl.Anchor.KeyLength;
    const int k = ctl.Anchor.KeysPerNode;
    const int m = k - k / 2;
    Path path;
    if (!DescendByKey(ctl, key, true, path, routine)) return false;

    std::array<std::uint8_t, kNdxMaxEntrySize> pending{};
    MakeEntry(pending.data(), es, 0, static_cast<std::uint32_t>(rec), key, kl);
    int level = static_cast<int>(path.size()) - 1;
    TPathLevel& leaf = path[level];
    Entries e;
    e.Load(leaf.Node, leaf.Node.Count(), es);
    const int p = leaf.Pos;
    e.Insert(p, pending.data());
    if (e.N <= k) {
        e.Store(leaf.Node, 0, e.N, e.N);
        if (!WriteNode(ctl, leaf.Block, leaf.Node)) return false;
        placed = std::move(path);
        return true;
    }
    // A full leaf splits: the old node keeps the first k - k/2 keys, the new one the rest; the
    // new key joins the half where it belongs (an equal of the old half's last key stays there).
    const bool stays = p < m || (p == m && ctl.CompareKey(key, e.At(m - 1) + 8) == 0);
    const int oldCount = stays ? m + 1 : m;
    TNdxNode newNode;
    e.Store(leaf.Node, 0, oldCount, oldCount);
    e.Store(newNode, oldCount, e.N - oldCount, e.N - oldCount);
    std::uint32_t c = leaf.Block;
    std::uint32_t s = NewBlock(ctl);
    if (!WriteNode(ctl, c, leaf.Node) || !WriteNode(ctl, s, newNode)) return false;
    std::vector<std::uint8_t> hc(leaf.Node.Key(oldCount - 1, es),
                                 leaf.Node.Key(oldCount - 1, es) + kl);
    std::vector<std::uint8_t> hs(newNode.Key(e.N - oldCount - 1, es),
                                 newNode.Key(e.N - oldCount - 1, es) + kl);

    for (--level; level >= 0; --level) {
        TPathLevel& up = path[level];
        const int K = up.Node.Count();
        const int idx = up.Pos;
        if (up.Node.Child(idx, es) != c) {
            Corrupt(ctl, up.Block, routine);
            return false;
        }
        e.Load(up.Node, K + 1, es);
        std::memcpy(e.At(idx) + 8, hc.data(), kl);
        MakeEntry(pending.data(), es, s, 0, hs.data(), kl);
        e.Insert(idx + 1, pending.data());
        if (K < k) {
            e.Store(up.Node, 0, e.N, K + 1);
            ClearRightmost(up.Node, es);
            return WriteNode(ctl, up.Block, up.Node);
        }
        // A full interior node splits; entry a of the combined entries becomes the old half's
        // right-most child and its key moves up.
        const int a = idx <= m - 1 ? m : m - 1;
        e.Store(up.Node, 0, a + 1, a);
        ClearRightmost(up.Node, es);
        newNode.Clear();
        e.Store(newNode, a + 1, e.N - a - 1, e.N - a - 2);
        ClearRightmost(newNode, es);
        c = up.Block;
        s = NewBlock(ctl);
        if (!WriteNode(ctl, c, up.Node) || !WriteNode(ctl, s, newNode)) return false;
        if (!HighestKey(ctl, c, hc, routine) || !HighestKey(ctl, s, hs, routine)) return false;
    }
    // The root split: a new root over the two halves.
    TNdxNode root;
    root.SetCount(1);
    MakeEntry(root.Entry(0, es), es, c, 0, hc.data(), kl);
    root.SetChild(1, es, s);
    const std::uint32_t r = NewBlock(ctl);
    if (!WriteNode(ctl, r, root)) return false;
    ctl.Anchor.Root = r;
    return true;
}

bool RemoveAt(TIndexControl& ctl, Path& path) {
    const char* routine = "RemoveKey";
    const std::uint16_t es = ctl.Anchor.EntrySize;
    const std::uint16_t kl = ctl.Anchor.KeyLength;
    const int L = static_cast<int>(path.size()) - 1;
    TPathLevel& leaf = path[L];
    const int k = leaf.Node.Count();
    const int p = leaf.Pos;
    if (k > 1) {
        std::memmove(leaf.Node.Entry(p, es), leaf.Node.Entry(p + 1, es),
                     std::size_t(k - p - 1) * es);
        std::memset(leaf.Node.Entry(k - 1, es), 0, es);
        leaf.Node.SetCount(static_cast<std::int16_t>(k - 1));
        if (!WriteNode(ctl, leaf.Block, leaf.Node)) return false;
        if (L == 0 || p < k - 1) return true;
        std::vector<std::uint8_t> h(leaf.Node.Key(k - 2, es), leaf.Node.Key(k - 2, es) + kl);
        return ClimbSeparator(ctl, path, L, h.data());
    }
    // The leaf's only key: the leaf goes.
    leaf.Node.Clear();
    if (!WriteNode(ctl, leaf.Block, leaf.Node)) return false;
    if (L == 0) return MakeEmpty(ctl);
    TPathLevel& parent = path[L - 1];
    const int K = parent.Node.Count();
    const int pos = parent.Pos;
    if (parent.Node.Child(pos, es) != leaf.Block) {
        Corrupt(ctl, parent.Block, routine);
        return false;
    }
    std::vector<std::uint8_t> dropped;
    if (pos < K) {
        std::memmove(parent.Node.Entry(pos, es), parent.Node.Entry(pos + 1, es),
                     std::size_t(K - pos) * es);
    } else {
        // The right-most child goes: the last key entry's child takes its place.
        dropped.assign(parent.Node.Key(K - 1, es), parent.Node.Key(K - 1, es) + kl);
    }
    std::uint8_t* tail = parent.Node.Entry(K, es);
    std::memset(
        tail, 0,
        std::min<std::size_t>(es, parent.Node.Bytes.data() + parent.Node.Bytes.size() - tail));
    parent.Node.SetCount(static_cast<std::int16_t>(K - 1));
    ClearRightmost(parent.Node, es);
    if (!WriteNode(ctl, parent.Block, parent.Node)) return false;
    if (K - 1 >= 1) {
        if (pos < K || L - 1 == 0) return true;
        return ClimbSeparator(ctl, path, L - 1, dropped.data());
    }
    // The parent holds no key: its one remaining child takes its place.
    const std::uint32_t remaining = parent.Node.Child(0, es);
    if (L - 1 == 0) {
        ctl.Anchor.Root = remaining;
        ctl.AnchorDirty = true;
        return true;
    }
    std::vector<std::uint8_t> h;
    if (!HighestKey(ctl, remaining, h, routine)) return false;
    TPathLevel& gp = path[L - 2];
    gp.Node.SetChild(gp.Pos, es, remaining);
    if (gp.Pos < gp.Node.Count()) {
        std::memcpy(gp.Node.Key(gp.Pos, es), h.data(), kl);
        return WriteNode(ctl, gp.Block, gp.Node);
    }
    if (!WriteNode(ctl, gp.Block, gp.Node)) return false;
    if (L - 2 == 0) return true;
    return ClimbSeparator(ctl, path, L - 2, h.data());
}

std::string KeyText(const TIndexControl& ctl, const std::uint8_t* key) {
    if (ctl.CharKey) return std::string(reinterpret_cast<const char*>(key), ctl.Anchor.KeyLength);
    double d;
    std::memcpy(&d, key, 8);
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, d);
    return std::string(buf, r.ptr);
}

} // namespace

bool WriteAnchorNode(TIndexControl& ctl) {
    ++IndexIoCounters.Writes;
    if (!WriteIndexHeader(ctl)) {
        ctl.AnchorDirty = true;
        SetError(LastErrorCode != 0 ? LastErrorCode : kErrDiskWrite,
                 "Error writing index file:  " + ctl.FileName + " [WriteAnchorNode]");
        return false;
    }
    if (AnchorFlush) ctl.File.Flush();
    ctl.AnchorDirty = false;
    return true;
}

namespace {

// What a key change did: Done, Nothing (a duplicate a unique index leaves out, or a record a
// unique index never held), or Failed (error set).
enum class KeyChange { Done, Nothing, Failed };

KeyChange InsertKey(int order, const std::uint8_t* key) {
    TIndexControl* ctl = IndexOrder(order);
    TWorkArea* a = CurrentWorkArea();
    if (ctl == nullptr || a == nullptr) {
        SetError(kErrIndexNotOpen, "Index file not open [AppendIndex]");
        return KeyChange::Failed;
    }
    const std::int32_t rec = a->RecNo;
    RecordBeingKeyed = rec;
    if (ctl->Anchor.Unique != 0) {
        Path probe;
        const Located l = Locate(*ctl, key, -1, probe, "AppendIndex");
        if (l == Located::Error) return KeyChange::Failed;
        if (l == Located::Entry) return KeyChange::Nothing; // the record stays outside
    }
    Path placed;
    const bool ok = InsertEntry(*ctl, key, rec, placed);
    // The tree may have changed shape under the walk's path.
    ctl->Path.clear();
    ctl->CurrentNode = nullptr;
    if (ok && ctl->AnchorDirty && !WriteAnchorNode(*ctl)) return KeyChange::Failed;
    if (!ok) {
        if (LastErrorCode == 0) SetError(kErrInternal, ctl->FileName + " [AppendIndex]");
        return KeyChange::Failed;
    }
    if (Controlling(*ctl)) {
        if (!placed.empty())
            TakePosition(*ctl, std::move(placed));
        else if (Path path; Locate(*ctl, key, rec, path, "AppendIndex") == Located::Entry)
            TakePosition(*ctl, std::move(path));
    }
    return KeyChange::Done;
}

KeyChange RemoveKey(int order, const std::uint8_t* key, std::int32_t rec) {
    TIndexControl* ctl = IndexOrder(order);
    if (ctl == nullptr) {
        SetError(kErrIndexNotOpen, "Index file not open [RemoveKey]");
        return KeyChange::Failed;
    }
    RecordBeingKeyed = rec;
    Path path;
    Located l;
    if (Controlling(*ctl) && PositionedOn(*ctl, key, rec)) {
        // The controlling order stands on the entry: no search along its equal keys.
        path = ctl->Path;
        l = Located::Entry;
    } else {
        l = Locate(*ctl, key, rec, path, "RemoveKey");
    }
    ctl->Path.clear();
    ctl->CurrentNode = nullptr;
    if (l == Located::Error) return KeyChange::Failed;
    // A unique index leaves out the later records of a key: there is nothing to remove.
    if (l != Located::Entry)
        return ctl->Anchor.Unique != 0 ? KeyChange::Nothing : KeyChange::Failed;
    const bool ok = RemoveAt(*ctl, path);
    if (ctl->AnchorDirty && !WriteAnchorNode(*ctl)) return KeyChange::Failed;
    return ok ? KeyChange::Done : KeyChange::Failed;
}

// The key changes of one record across its orders. When one fails, the ones done are undone
// in reverse, so the orders never disagree about the record.
class KeyChanges {
public:
    explicit KeyChanges(std::int32_t rec) : rec_(rec) {}

    bool Insert(int order, const std::vector<std::uint8_t>& key) {
        return Log(InsertKey(order, key.data()), order, key, true);
    }
    bool Remove(int order, const std::vector<std::uint8_t>& key) {
        return Log(RemoveKey(order, key.data(), rec_), order, key, false);
    }

    // Undoes every change and puts back the failure that caused it; an index that cannot be
    // put back is reported as corrupted.
    void Undo(const char* routine) {
        const std::uint16_t code = LastErrorCode != 0 ? LastErrorCode : kErrInternal;
        const std::string text = ErrorText;
        for (auto it = done_.rbegin(); it != done_.rend(); ++it) {
            LastErrorCode = 0;
            const KeyChange undone = it->inserted ? RemoveKey(it->order, it->key.data(), rec_)
                                                  : InsertKey(it->order, it->key.data());
            if (undone == KeyChange::Failed) {
                const TIndexControl* ctl = IndexOrder(it->order);
                SetError(kErrInternal, "Index file corrupted. " +
                                           (ctl != nullptr ? ctl->FileName : std::string()) + " [" +
                                           routine + "]");
                return;
            }
        }
        done_.clear();
        LastErrorCode = code;
        ErrorText = text;
        ReportedCode = code;
    }

private:
    struct Step {
        int order;
        std::vector<std::uint8_t> key;
        bool inserted;
    };
    bool Log(KeyChange c, int order, const std::vector<std::uint8_t>& key, bool inserted) {
        if (c == KeyChange::Done) done_.push_back({order, key, inserted});
        return c != KeyChange::Failed;
    }

    std::int32_t rec_;
    std::vector<Step> done_;
};

} // namespace

bool AppendIndex(int order, const std::uint8_t* key) {
    return InsertKey(order, key) != KeyChange::Failed;
}

bool RemoveIndexKey(int order, const std::uint8_t* key, std::int32_t rec) {
    return RemoveKey(order, key, rec) != KeyChange::Failed;
}

void RefreshCurrentKeys() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return;
    for (int n = 1; n <= kMaxOrders; ++n) {
        TIndexControl* ctl = IndexOrder(n);
        if (ctl == nullptr) continue;
        if (a->RecNo >= 1 && a->RecNo <= a->RecordCount) {
            std::vector<std::uint8_t> key;
            if (BuildRecordKey(*ctl, key))
                std::memcpy(ctl->CurrentKey.data(), key.data(), ctl->Anchor.KeyLength);
        }
    }
}

void SyncIndex(bool allOrders) {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return;
    const std::int32_t r = a->RecNo;
    for (int n = 1; n <= (allOrders ? kMaxOrders : 1); ++n) {
        TIndexControl* ctl = IndexOrder(n);
        if (ctl == nullptr) continue;
        if (r < 1 || r > a->RecordCount) {
            if (n == 1)
                PutAtEnd(*ctl);
            else
                FindLastRec(*ctl);
            continue;
        }
        std::vector<std::uint8_t> key;
        if (!BuildRecordKey(*ctl, key)) {
            SetError(kErrCorruptIndex,
                     "Invalid dBASE key expression " + ctl->FileName + " [SyncIndex]");
            return;
        }
        if (PositionedOn(*ctl, key.data(), r)) {
            std::memcpy(ctl->CurrentKey.data(), key.data(), ctl->Anchor.KeyLength);
            ctl->AtBeginning = false;
            continue;
        }
        Path path;
        const Located l = Locate(*ctl, key.data(), r, path, "SyncIndex");
        if (l == Located::Error) return;
        if (l == Located::Missing && ctl->Anchor.Unique != 0) {
            // A record the unique index left out (its key belonged to another record when it
            // came): the order stands where its key would be.
            const TPathLevel& leaf = path.back();
            if (leaf.Pos < leaf.Node.Count())
                TakePosition(*ctl, std::move(path));
            else if (n == 1)
                PutAtEnd(*ctl);
            continue;
        }
        if (l == Located::Missing) {
            SetError(kErrBeyondRange, "Key: \"" + KeyText(*ctl, key.data()) +
                                          "\" not in index: " + ctl->FileName +
                                          ". [SyncIndex-1] Record: " + std::to_string(r));
            return;
        }
        if (l == Located::KeyOnly && ctl->Anchor.Unique == 0) {
            SetError(kErrBeyondRange, "Record with key: \"" + KeyText(*ctl, key.data()) +
                                          "\" not in index: " + ctl->FileName + ". [SyncIndex-2]");
            return;
        }
        TakePosition(*ctl, std::move(path));
    }
}

void AppendNewKey() {
    TWorkArea* a = CurrentWorkArea();
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (a == nullptr || ai == nullptr) return;
    const bool natural = ai->NaturalOrder;
    ai->NaturalOrder = false;
    KeyChanges changes(a->RecNo);
    for (int n = 1; n <= kMaxOrders; ++n) {
        TIndexControl* ctl = IndexOrder(n);
        if (ctl == nullptr) continue;
        std::vector<std::uint8_t> key;
        if (!BuildRecordKey(*ctl, key)) {
            SetError(kErrCorruptIndex,
                     "Invalid dBASE key expression " + ctl->FileName + " [AppendNewKey]");
        } else if (changes.Insert(n, key)) {
            continue;
        }
        // No key of the new record may stay in the orders that took it.
        if (LastErrorCode == 0) SetError(kErrInternal, ctl->FileName + " [AppendNewKey]");
        changes.Undo("AppendNewKey");
        ai->NaturalOrder = natural;
        return;
    }
    TIndexControl* first = IndexOrder(1);
    if (first != nullptr && first->Path.empty()) SyncIndex(false);
    ai->NaturalOrder = natural;
    RefreshCurrentKeys();
}

void CompareKeys() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return;
    const std::int32_t r = a->RecNo;
    KeyChanges changes(r);
    std::array<std::vector<std::uint8_t>, kMaxOrders> moved;
    for (int n = 1; n <= kMaxOrders; ++n) {
        TIndexControl* ctl = IndexOrder(n);
        if (ctl == nullptr) continue;
        std::vector<std::uint8_t> key;
        if (!BuildRecordKey(*ctl, key)) {
            SetError(kErrCorruptIndex,
                     "Invalid dBASE key expression " + ctl->FileName + " [CompareKeys]");
            changes.Undo("CompareKeys");
            return;
        }
        if (n == 1 && ctl->Anchor.Unique == 0 && ctl->CurrentRecNo() != r) {
            SetError(kErrInternal, "Record number " + std::to_string(r) + " not found in index. " +
                                       ctl->FileName + " [CompareKeys]");
            changes.Undo("CompareKeys");
            return;
        }
        if (std::memcmp(key.data(), ctl->CurrentKey.data(), ctl->Anchor.KeyLength) == 0) continue;
        const std::vector<std::uint8_t> old(ctl->CurrentKey.begin(),
                                            ctl->CurrentKey.begin() + ctl->Anchor.KeyLength);
        // A record a unique index left out (a duplicate) just gets its new key, unless that
        // key is there already.
        if (!changes.Remove(n, old)) {
            if (LastErrorCode == 0)
                SetError(kErrInvalidFunction, "Record number " + std::to_string(r) +
                                                  " not found in index. " + ctl->FileName +
                                                  " [CompareKeys]");
            changes.Undo("CompareKeys");
            return;
        }
        if (!changes.Insert(n, key)) {
            changes.Undo("CompareKeys");
            return;
        }
        moved[n - 1] = std::move(key);
    }
    for (int n = 1; n <= kMaxOrders; ++n)
        if (TIndexControl* ctl = IndexOrder(n); ctl != nullptr && !moved[n - 1].empty())
            std::memcpy(ctl->CurrentKey.data(), moved[n - 1].data(), ctl->Anchor.KeyLength);
}

} // namespace dbf
