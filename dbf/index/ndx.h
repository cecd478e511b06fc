#pragma once
// The NDX index engine (unit `vovor`): the file format (a 512-byte header block, then 512-byte
// B-tree nodes), the in-memory side of an open index (control block, node cache of the controlling
// order, descent path, walks to the first, last, next and prior key), and the index build (external
// sort in runs, merge, bottom-up tree writing), reindex and the engine's start.
//
// Every integer in the file is little-endian. Character keys compare byte by byte (unsigned)
// over the key length; numeric and date keys are 8-byte IEEE doubles compared as numbers (a
// date key is its Julian day number).
//
// In memory a node buffer holds 512 bytes plus one entry, so the right-most child entry of a
// full interior node (whose key and record fields lie past the block) can be addressed like
// any other entry. A position past the last key is an explicit state of the control block
// (AtEnd with no current node), never a pseudo-node of its own.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/os/file.h"

namespace dbf {

struct TWorkArea;

struct CompiledExpr;

inline constexpr std::uint32_t kNdxBlockSize = 512;
inline constexpr int kNdxMaxKeyLength = 100;
inline constexpr int kNdxMaxEntrySize = 108;
inline constexpr std::size_t kNdxNodeBufferSize = kNdxBlockSize + kNdxMaxEntrySize;
inline constexpr int kMaxOrders = 16;
inline constexpr int kIndexAreas = 35;
inline constexpr std::int32_t kNoNode = -1; // block number of "no position" (past the end)

// ---- file format ----

// The 24 bytes at the start of the header block.
struct TNdxAnchor {
    std::uint32_t Root = 1;
    std::uint32_t NextFree = 2;
    char KeyTypeLetter = 'C'; // C, D, F or N
    std::uint16_t KeyLength = 0;
    std::uint16_t KeysPerNode = 0;
    std::uint16_t KeyType = 0; // 0 character, 1 numeric or date
    std::uint16_t EntrySize = 0;
    std::uint8_t Unique = 0;

    void Encode(std::uint8_t* out) const; // 24 bytes
    static TNdxAnchor Decode(const std::uint8_t* in);
};

// Fills key length, entry size, keys per node and key type from the key type letter and the
// key length (8 is forced for D, F and N). False for a length outside 1..100.
bool ComputeKeyLayout(char keyTypeLetter, int keyLength, TNdxAnchor& anchor);

// Key expression as stored: blanks and tabs outside quotes dropped, a..z upper-cased outside
// quotes, quoted strings kept as they are between double quotes.
std::string NormalizeKeyExpr(std::string_view text);
// The normalised sentence that marks an index built by a caller's key maker.
const std::string& KeyMakerSentence();

// The 512-byte header block: anchor, expression (first 100 characters, zero-terminated), the
// record-count pair at 488/492 and the table name (at most 12 characters) at 496.
void EncodeNdxHeader(const TNdxAnchor& anchor, std::string_view expression,
                     std::int32_t recordCount, std::string_view tableName, std::uint8_t* out);

// Record count and table name of a header, present only when the check word at 488 is the
// complement of the count at 492 (else count -1, empty name).
void DecodeHeaderTable(const std::uint8_t* header, std::int32_t& recordCount,
                       std::string& tableName);

// ---- nodes ----

struct TNdxNode {
    alignas(8) std::array<std::uint8_t, kNdxNodeBufferSize> Bytes{};

    std::int16_t Count() const;
    void SetCount(std::int16_t n);
    bool Modified() const { return Bytes[2] != 0; }
    void SetModified(bool on) { Bytes[2] = on ? 1 : 0; }
    // Entry i (0..Count, the last one an interior node's right-most child).
    std::uint8_t* Entry(int i, std::uint16_t entrySize) { return Bytes.data() + 4 + i * entrySize; }
    const std::uint8_t* Entry(int i, std::uint16_t entrySize) const {
        return Bytes.data() + 4 + i * entrySize;
    }
    std::uint32_t Child(int i, std::uint16_t entrySize) const;
    void SetChild(int i, std::uint16_t entrySize, std::uint32_t block);
    std::uint32_t RecNo(int i, std::uint16_t entrySize) const;
    void SetRecNo(int i, std::uint16_t entrySize, std::uint32_t rec);
    const std::uint8_t* Key(int i, std::uint16_t entrySize) const {
        return Entry(i, entrySize) + 8;
    }
    std::uint8_t* Key(int i, std::uint16_t entrySize) { return Entry(i, entrySize) + 8; }
    bool IsLeaf() const { return Child(0, 0) == 0; }
    void Clear() { Bytes.fill(0); }
};

// A caller's key maker: gets the order number, returns the key text of the current record.
using KeyMakerProc = std::function<std::string(std::uint8_t order)>;

// One level of the descent path: the node's block, a copy of it, and the entry used there
// (in an interior node the child taken, 0..Count; in the leaf the current key).
struct TPathLevel {
    std::uint32_t Block = 0;
    TNdxNode Node;
    int Pos = 0;
};

// Copies of an index's blocks as this program last read or wrote them, so that a search reads
// each block from the file once. Every write of this program refreshes its copy; when another
// program changed the index (its semaphore counter moved) the copies are dropped. At most
// kMaxBlocks blocks are kept; past that, blocks come from the file.
class TBlockStore {
public:
    static constexpr std::size_t kMaxBlocks = 65536; // 32 MiB

    const std::uint8_t* Find(std::uint32_t n) const {
        return n < slot_.size() && slot_[n] != 0 ? blocks_[slot_[n] - 1].data() : nullptr;
    }
    // Keeps bytes (kNdxBlockSize of them) as block n's copy, replacing an older one.
    void Put(std::uint32_t n, const std::uint8_t* bytes);
    void Clear() {
        slot_.clear();
        blocks_.clear();
    }

private:
    std::vector<std::uint32_t> slot_; // by block number: 0 none, else index in blocks_ + 1
    std::deque<std::array<std::uint8_t, kNdxBlockSize>> blocks_;
};

// Control block of one open index.
struct TIndexControl {
    std::uint8_t OrderNo = 0;
    std::uint8_t AreaNo = 0;
    std::string FileName; // full path
    os::File File;
    TNdxAnchor Anchor;
    std::string KeyExpr; // normalised
    bool AnchorDirty = false;
    bool CharKey = true;
    bool AtEnd = false;
    bool AtBeginning = false;
    bool Soundex = false;
    bool Descending = false;
    bool NoCache = false;
    CompiledExpr* Expr = nullptr;         // freed with the control block
    KeyMakerProc KeyMaker;                // set for a key-maker index
    std::vector<std::uint8_t> CurrentKey; // key length bytes and a zero
    TNdxNode OwnNode;
    TNdxNode* CurrentNode = nullptr; // buffer that holds the current node; nullptr at end
    std::int32_t CurrentBlock = kNoNode;
    int Position = 0;
    std::vector<TPathLevel> Path;
    TBlockStore Store;
    // The nodes a walk in one direction (1 next, -1 prior, 0 none yet) has entered since it
    // began: a sound tree gives each once, so one met again is a circle in a damaged file.
    // A walk goes on only from the leaf where its last step ended (WalkLeaf); a position set
    // by anything else begins a new one.
    std::unordered_set<std::uint32_t> Walked;
    int WalkDirection = 0;
    std::uint32_t WalkLeaf = 0;

    TIndexControl() = default;
    TIndexControl(const TIndexControl&) = delete;
    TIndexControl& operator=(const TIndexControl&) = delete;
    ~TIndexControl();

    // -1, 0, 1 as key a is below, equal to or above key b (the order's comparer).
    int CompareKey(const std::uint8_t* a, const std::uint8_t* b) const;
    // Record number of the current entry; -1 when at end.
    std::int32_t CurrentRecNo() const;
};

// Node cache of a work area's controlling order: N buffers and a table of N pairs (block,
// buffer). Each pair owns one buffer for good (by slot), so no buffer ever serves two pairs.
struct TNodeCache {
    struct Pair {
        std::uint32_t Block = 0;
        int Buffer = -1; // -1 never assigned
    };
    std::vector<TNdxNode> Buffers;
    std::vector<Pair> Pairs;
    int Assigned = 0;
    bool Enabled() const { return !Buffers.empty(); }
    void Reset(std::size_t bytes); // 0: no cache
    void Invalidate();             // forget every cached block
};

inline constexpr std::size_t kDefaultCacheBytes = 4096;

// Index state of one work area.
struct TAreaIndexes {
    std::array<std::unique_ptr<TIndexControl>, kMaxOrders> Orders; // slot 1 = Orders[0]
    bool NaturalOrder = false;
    TNodeCache Cache;
};

// Index state of work area a (1..35); nullptr out of range.
TAreaIndexes* AreaIndexes(std::uint8_t a);
// Control block of order n (1..16) of the current work area; nullptr when not open.
TIndexControl* IndexOrder(int n);

// ---- engine-wide values ----
extern int CurrentOrder;       // 1..16, the order the walks and searches act on
extern int OrderBeingKeyed;    // order whose key is being built
extern bool ExactOn;           // EXACT
extern std::uint8_t FoundFlag; // result of the last search
extern bool SoftSeek;
extern bool AnchorFlush;

// ---- blocks, cache and path ----

// Reads block n into buf (the path's copy when n is on the order's path); false on an error.
bool SeekAndRead(TIndexControl& ctl, std::uint32_t n, TNdxNode& buf);
// Writes buf as block n (bytes 2 and 3 cleared, the path copy refreshed); false on an error.
bool SeekAndWrite(TIndexControl& ctl, std::uint32_t n, TNdxNode& buf);
// Makes block n the current node of the order (through the area's cache for order 1). n = 0
// is refused with code 254 and leaves everything as it was; kNoNode puts the order at end.
bool GetNode(TIndexControl& ctl, std::int32_t n);
// Pushes the current node on the path; PopPath drops the deepest level and returns the block
// of the new deepest one (0 when the path is empty).
void AddPath(TIndexControl& ctl, int pos);
std::uint32_t PopPath(TIndexControl& ctl);

// Binary search in a node for key: -1 (below the first key or empty), -2 (above the last key),
// else the first entry whose key is at or above key.
int SearchInNode(const TIndexControl& ctl, const TNdxNode& node, const std::uint8_t* key);

// Walks of the order; each returns the record number of the new current entry, or
// RecordCount + 1 (at end) / the unchanged record at the beginning. A walk that meets a node
// twice (its chain of nodes runs in a circle) stops with code 222, "index damaged, rebuild it".
std::int32_t FindFirstRec(TIndexControl& ctl);
std::int32_t FindLastRec(TIndexControl& ctl);
std::int32_t FindNextRec(TIndexControl& ctl);
std::int32_t FindPriorRec(TIndexControl& ctl);
// Reports node block met a second time on one walk or descent (code 222, "index damaged,
// rebuild it", the file and the node named).
void ReportIndexCircle(const TIndexControl& ctl, std::uint32_t block, const char* routine);
// Forgets the nodes walked so far (after the tree or the position changed).
void ForgetWalk(TIndexControl& ctl);
// Searches key from the root, recording the path; positions on the first entry at or above
// key (AtEnd when none). Returns the record number there, or -1 at end.
std::int32_t SeekKey(TIndexControl& ctl, const std::uint8_t* key);

// Key of the table's current record for the order, key length bytes (character keys blank
// padded); false when the expression could not be evaluated.
bool BuildRecordKey(TIndexControl& ctl, std::vector<std::uint8_t>& key);
// Length of a character expression's result on the blank record after the last (the record
// every key length is measured on); -1 when it cannot be evaluated.
int BlankRecordKeyLength(CompiledExpr* expr);
// The table's name as an index header holds it: in the table's code page.
std::string HeaderTableName(const TWorkArea& a);
// A key-maker result (in the table's page) made into a stored key: cut to 100, SOUNDEX, blank
// padded (or cut) to keyLength, complemented when descending.
void MakeKeyMakerKey(std::string text, bool soundex, bool descending, int keyLength,
                     std::uint8_t* out);

// ---- opening and closing (the core the order commands build on) ----

// Whether an expression index holds the keys its expression gives for the table's records now,
// compared on the first key and on the keys with a byte outside ASCII or a '?' (where other
// programs' and earlier versions' case rules and code-page conversions differ), up to 64 keys
// in the first 2048 nodes. "" when they agree, else the message: which record differs, that
// the index must be rebuilt (Reindex) and how.
std::string StaleKeyProblem(TWorkArea& a, TIndexControl& ctl);

// Opens file `name` (full path, options already removed) as order `order` of the current work
// area with the given key maker (empty for an expression index). An index whose keys are not
// the table's (StaleKeyProblem) is refused with code 223. False with the error set.
bool OpenIndexOrder(const std::string& name, int order, KeyMakerProc keyMaker, bool soundex,
                    bool descending, bool noCache);
// Writes the anchor when it changed, closes the order and frees its block.
void CloseIndexOrder(int order);
void CloseAllIndexes();
// What is wrong with an anchor read from a file of `blocks` blocks (header included), checked
// against its own key type; empty when it is sound.
std::string AnchorProblem(const TNdxAnchor& anchor, std::uint32_t blocks);
// Writes the header block of an open order (anchor, expression, record count, table name).
bool WriteIndexHeader(TIndexControl& ctl);

// ---- build ----

// Progress procedure called exactly `ticks` times per build; ticks 0 removes it.
using IndexProgressProc = std::function<void()>;
// Most items sorted in memory per run (fewer when a run and its sorting room would pass 64 MiB);
// more items go to the temporary file in runs and are merged.
extern std::size_t IndexRunItems;
void SetIndexProgress(IndexProgressProc proc, int ticks);

// Builds the index file `name` over the current work area's table from a dBASE key expression
// (keyMaker empty) or a key maker. The new file is written under a temporary name in the same
// directory and renamed over `name` only when complete. True on success.
bool MakeIndex(const std::string& name, const std::string& expression, bool soundex,
               std::uint8_t order, bool unique, bool descending, KeyMakerProc keyMaker);
// Closes the area's indexes, builds `nameWithOptions` (options UNIQUE, NOCACHE) from the
// expression and opens it as the controlling order.
bool Index_On(const std::string& expression, const std::string& nameWithOptions);
// The same for a key-maker index (options also SOUNDEX and DESCENDING).
bool Index_OnKeyMaker(const std::string& nameWithOptions, KeyMakerProc keyMaker);
// Rebuilds every open order of the current work area.
void Reindex();

// Name with the default extension NDX, in the table's directory when it has none.
std::string CompleteIndexName(const std::string& name);

// Engine start and end of the index engine: installs the index hooks.
void IndexInit();
void IndexDone();

} // namespace dbf
