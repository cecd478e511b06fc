// Index engine (unit `vovor`): the index build (keys sorted in runs, runs merged, the tree written
// bottom-up with packed nodes), Index_On, Reindex, and the start of the index engine with its
// hooks.

#include <algorithm>
#include <charconv>
#include <optional>
#include <cstring>
#include <sys/stat.h>

#include "dbf/table/work_areas.h"
#include "dbf/base/hooks.h"
#include "dbf/expr/values.h"
#include "dbf/index/maintain.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/text.h"
#include "dbf/index/ndx.h"
#include "dbf/expr/expression.h"
#include "dbf/table/table_file.h"
#include "platform/os/codepage.h"
#include "platform/os/paths.h"

namespace dbf {

std::size_t IndexRunItems = std::size_t{1} << 22;

namespace {

IndexProgressProc g_progress;
int g_ticks = 0;
bool g_registered = false;

constexpr std::size_t kReadChunk = 65512 / 2;  // bytes of table read at a time
constexpr std::size_t kNodeWriteBytes = 65024; // nodes written at a time
constexpr std::size_t kMergeBudget = 4u << 20; // bytes of run slices during the merge
constexpr std::size_t kSortBudget = 64u << 20; // bytes of a run and its sorting room

std::string NumText(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// Removes the option word (any letter case) from text; true when it was there. The rest of the
// text keeps its letter case (file names on Linux depend on it).
bool TakeOption(const std::string& word, std::string& text) {
    bool found = false;
    std::string out;
    for (const std::string& w : BlankSeparatedWords(text)) {
        if (TzUpperStr(w) == word) {
            found = true;
        } else {
            if (!out.empty()) out += ' ';
            out += w;
        }
    }
    text = out;
    return found;
}

class Progress {
public:
    Progress(std::int32_t records) {
        if (g_ticks <= 0) g_progress = nullptr;
        active_ = static_cast<bool>(g_progress);
        if (!active_) return;
        step_ = (records / g_ticks) * 2;
        if (step_ == 0) step_ = 2;
    }
    void Reading(std::int32_t i) {
        if (active_ && i % step_ == 0 && calls_ < g_ticks) Call();
    }
    void Writing(std::int64_t c) {
        if (active_ && c % step_ == 0 && calls_ < g_ticks) Call();
    }
    void Finish() {
        while (active_ && calls_ < g_ticks)
            Call();
    }

private:
    void Call() {
        ++calls_;
        g_progress();
    }
    bool active_ = false;
    std::int64_t step_ = 2;
    int calls_ = 0;
};

// Writes the tree bottom-up: node 0 of the stack is the leaf being filled, node i the open
// node of level i. Every put node takes the next block number.
class TreeWriter {
public:
    TreeWriter(os::File& file, const TNdxAnchor& anchor, std::size_t levels)
        : file_(file), a_(anchor), stack_(std::max<std::size_t>(levels, 2)) {
        buf_.reserve(kNodeWriteBytes);
    }

    bool Add(const std::uint8_t* key, std::uint32_t rec) {
        const std::uint16_t es = a_.EntrySize;
        const int k = a_.KeysPerNode;
        TNdxNode& leaf = stack_[0];
        if (leaf.Count() >= k) {
            std::uint32_t b;
            if (!Put(leaf, b)) return false;
            const std::uint8_t* up = leaf.Key(k - 1, es);
            std::array<std::uint8_t, kNdxMaxKeyLength> upKey{};
            std::memcpy(upKey.data(), up, a_.KeyLength);
            for (std::size_t level = 1;; ++level) {
                if (level >= stack_.size()) stack_.emplace_back();
                TNdxNode& node = stack_[level];
                const int count = node.Count();
                node.SetChild(count, es, b);
                if (count < k) {
                    node.SetCount(static_cast<std::int16_t>(count + 1));
                    node.SetRecNo(count, es, 0);
                    std::memcpy(node.Key(count, es), upKey.data(), a_.KeyLength);
                    break;
                }
                if (!Put(node, b)) return false;
                node.Clear();
            }
            stack_[0].Clear();
        }
        TNdxNode& l = stack_[0];
        const int count = l.Count();
        l.SetChild(count, es, 0);
        l.SetRecNo(count, es, rec);
        std::memcpy(l.Key(count, es), key, a_.KeyLength);
        l.SetCount(static_cast<std::int16_t>(count + 1));
        return true;
    }

    // Closes the right edge; the root block, 0 on a write error.
    std::uint32_t Finish() {
        std::uint32_t b;
        if (!Put(stack_[0], b)) return 0;
        for (std::size_t level = 1; level < stack_.size(); ++level) {
            TNdxNode& node = stack_[level];
            const int count = node.Count();
            if (count == 0) continue;
            node.SetChild(count, a_.EntrySize, b);
            if (!Put(node, b)) return 0;
        }
        if (!Flush()) return 0;
        return b;
    }

private:
    bool Put(const TNdxNode& node, std::uint32_t& block) {
        buf_.insert(buf_.end(), node.Bytes.begin(), node.Bytes.begin() + kNdxBlockSize);
        block = next_++;
        if (buf_.size() >= kNodeWriteBytes) return Flush();
        return true;
    }
    bool Flush() {
        if (buf_.empty()) return true;
        const int rc = file_.WriteAt(offset_, buf_.data(), buf_.size());
        if (rc != 0) {
            SetError(static_cast<std::uint16_t>(rc), "Error writing index file [MakeIndex]");
            return false;
        }
        offset_ += buf_.size();
        buf_.clear();
        return true;
    }

    os::File& file_;
    TNdxAnchor a_;
    std::vector<TNdxNode> stack_;
    std::vector<std::uint8_t> buf_;
    std::uint64_t offset_ = kNdxBlockSize;
    std::uint32_t next_ = 1;
};

// Sort items are byte strings that compare as their keys and record numbers do: the key
// (a numeric or date key as the 8 bytes of its double in an order-keeping form), then the
// record number big-endian. So one byte-wise comparison orders them, and a radix sort can.
class ItemCodec {
public:
    ItemCodec(bool charKey, std::uint16_t keyLength) : char_(charKey), keyLength_(keyLength) {}

    std::size_t Size() const { return std::size_t{keyLength_} + 4; }

    void Encode(const std::uint8_t* key, std::uint32_t rec, std::uint8_t* item) const {
        if (char_) {
            std::memcpy(item, key, keyLength_);
        } else {
            double v;
            std::memcpy(&v, key, 8);
            if (v == 0) v = 0; // -0 and +0 are one key
            std::uint64_t bits;
            std::memcpy(&bits, &v, 8);
            bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
            for (int i = 0; i < 8; ++i)
                item[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
        }
        for (int i = 0; i < 4; ++i)
            item[keyLength_ + i] = static_cast<std::uint8_t>(rec >> (24 - 8 * i));
    }

    // The stored key of an item (into key) and its record number.
    std::uint32_t Decode(const std::uint8_t* item, std::uint8_t* key) const {
        if (char_) {
            std::memcpy(key, item, keyLength_);
        } else {
            std::uint64_t bits = 0;
            for (int i = 0; i < 8; ++i)
                bits = bits << 8 | item[i];
            bits = (bits >> 63) != 0 ? bits & ~(std::uint64_t{1} << 63) : ~bits;
            std::memcpy(key, &bits, 8);
        }
        std::uint32_t rec = 0;
        for (int i = 0; i < 4; ++i)
            rec = rec << 8 | item[keyLength_ + i];
        return rec;
    }

private:
    bool char_;
    std::uint16_t keyLength_;
};

// Sorts n items of s bytes at a, byte by byte from byte d on (most significant first), with
// tmp as room for n items. Buckets of few items are finished by insertion.
void RadixSort(std::uint8_t* a, std::uint8_t* tmp, std::size_t n, std::size_t s, std::size_t d) {
    constexpr std::size_t kInsertion = 40;
    for (;;) {
        if (d >= s || n < 2) return;
        if (n < kInsertion) {
            std::array<std::uint8_t, kNdxMaxKeyLength + 4> hold;
            for (std::size_t i = 1; i < n; ++i) {
                std::memcpy(hold.data(), a + i * s, s);
                std::size_t j = i;
                while (j > 0 && std::memcmp(a + (j - 1) * s + d, hold.data() + d, s - d) > 0) {
                    std::memcpy(a + j * s, a + (j - 1) * s, s);
                    --j;
                }
                if (j != i) std::memcpy(a + j * s, hold.data(), s);
            }
            return;
        }
        std::array<std::size_t, 256> count{};
        for (std::size_t i = 0; i < n; ++i)
            ++count[a[i * s + d]];
        if (count[a[d]] == n) { // one byte value: on to the next byte
            ++d;
            continue;
        }
        std::array<std::size_t, 256> next{};
        for (std::size_t b = 1; b < 256; ++b)
            next[b] = next[b - 1] + count[b - 1];
        const std::array<std::size_t, 256> start = next;
        for (std::size_t i = 0; i < n; ++i)
            std::memcpy(tmp + next[a[i * s + d]]++ * s, a + i * s, s);
        std::memcpy(a, tmp, n * s);
        for (std::size_t b = 0; b < 256; ++b)
            if (count[b] > 1) RadixSort(a + start[b] * s, tmp + start[b] * s, count[b], s, d + 1);
        return;
    }
}

// Removes a file on every exit unless released.
class FileRemover {
public:
    explicit FileRemover(std::string path = {}) : path_(std::move(path)) {}
    ~FileRemover() {
        if (!path_.empty()) os::RemoveFile(path_);
    }
    void Set(std::string path) { path_ = std::move(path); }
    void Release() { path_.clear(); }

private:
    std::string path_;
};

bool SameDevice(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev;
}

std::string DirOf(const std::string& path) {
    const std::size_t p = path.rfind('/');
    if (p == std::string::npos) return ".";
    if (p == 0) return "/";
    return path.substr(0, p);
}

// Levels of the tree over n keys (at least 2: a leaf and its parent).
std::size_t TreeLevels(std::int64_t n, int keysPerNode) {
    std::size_t levels = 2;
    for (std::int64_t q = n / keysPerNode; q > 0; q /= keysPerNode)
        ++levels;
    return levels;
}

// Free space: the tree in the index's directory, the runs in the temporary directory (added
// together when both are on one file system). False with 227 when either falls short.
bool EnoughSpaceForBuild(std::int64_t n, const TNdxAnchor& an, std::size_t levels,
                         std::size_t itemSize, std::size_t runCap, const std::string& indexDir) {
    double tree = 0;
    std::int64_t q = n;
    for (std::size_t i = 1; i <= levels; ++i) {
        q /= an.KeysPerNode;
        tree += double(q + 1) * kNdxBlockSize;
    }
    const double runs = static_cast<std::size_t>(n) > runCap ? double(n) * double(itemSize) : 0;
    const std::string tempDir = os::TempDirectory();
    struct Need {
        std::string dir;
        double kb;
    };
    std::vector<Need> needs;
    if (SameDevice(indexDir, tempDir)) {
        needs.push_back({indexDir, (tree + runs) / 1024.0});
    } else {
        needs.push_back({indexDir, tree / 1024.0});
        if (runs > 0) needs.push_back({tempDir, runs / 1024.0});
    }
    for (const Need& need : needs) {
        const double free = DiskFree(need.dir);
        if (need.kb > free) {
            SetError(kErrNoDiskSpace, "Available disk space: " + NumText(free) + " KBytes;" +
                                          "needed: " + NumText(need.kb) + " KBytes [MakeIndex]");
            return false;
        }
    }
    return true;
}

// The (key, record) items of a build: collected in runs of at most runCap items, each run
// sorted; a full run is written to a temporary file, and the runs are merged at the end.
class KeyRuns {
public:
    KeyRuns(const ItemCodec& codec, std::size_t runCap)
        : codec_(codec), s_(codec.Size()), runCap_(runCap) {
        items_.reserve(runCap * s_);
    }

    bool Add(const std::uint8_t* key, std::uint32_t rec) {
        if (items_.size() == runCap_ * s_ && !WriteRun()) return false;
        const std::size_t at = items_.size();
        items_.resize(at + s_);
        codec_.Encode(key, rec, items_.data() + at);
        return true;
    }

    // Hands every item to take in order (key, then record number); false on failure.
    template <class Take> bool Drain(Take&& take) {
        if (runs_ == 0) {
            SortRun();
            for (std::size_t at = 0; at < items_.size(); at += s_)
                if (!take(items_.data() + at)) return false;
            return true;
        }
        if (!items_.empty() && !WriteRun()) return false;
        items_ = {};
        tmp_ = {};
        return Merge(take);
    }

private:
    struct RunCursor {
        std::uint64_t offset = 0; // next unread byte of the run
        std::uint64_t end = 0;    // end of the run in the file
        std::vector<std::uint8_t> slice;
        std::size_t valid = 0;
        std::size_t pos = 0;
        const std::uint8_t* Item() const { return slice.data() + pos; }
    };

    bool Less(const std::uint8_t* x, const std::uint8_t* y) const {
        return std::memcmp(x, y, s_) < 0;
    }

    void SortRun() {
        tmp_.resize(items_.size());
        RadixSort(items_.data(), tmp_.data(), items_.size() / s_, s_, 0);
    }

    bool OpenRunFile() {
        runPath_ = UniqueFilename();
        if (runPath_.empty()) {
            SetError(LastErrorCode != 0 ? LastErrorCode : kErrAccessDenied, " [MakeIndex]");
            return false;
        }
        runRemover_.Set(runPath_);
        if (const int rc = runFile_.Open(runPath_, kExclusiveOpenMode); rc != 0) {
            SetError(static_cast<std::uint16_t>(rc), " [MakeIndex]");
            return false;
        }
        return true;
    }

    bool WriteRun() {
        SortRun();
        if (runs_ == 0 && !OpenRunFile()) return false;
        if (const int rc = runFile_.Write(items_.data(), items_.size()); rc != 0) {
            SetError(static_cast<std::uint16_t>(rc), " [MakeIndex]");
            return false;
        }
        ++runs_;
        items_.clear();
        return true;
    }

    // The next slice of a run into its cursor; valid 0 at the run's end.
    bool Load(RunCursor& c) {
        c.pos = 0;
        c.valid = 0;
        if (c.offset >= c.end) return true;
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(c.slice.size(), c.end - c.offset));
        std::size_t got = 0;
        const int rc = runFile_.ReadSomeAt(c.offset, c.slice.data(), want, got);
        if (rc != 0 || got % s_ != 0) {
            SetError(rc != 0 ? static_cast<std::uint16_t>(rc) : kErrReadFault, " [MakeIndex]");
            return false;
        }
        c.offset += got;
        if (got < want) c.offset = c.end;
        c.valid = got;
        return true;
    }

    // Merges the runs through a table of cursors sorted by their current item.
    template <class Take> bool Merge(Take& take) {
        const std::uint64_t runBytes = std::uint64_t(runCap_) * s_;
        std::uint64_t fileSize = runs_ * runBytes;
        runFile_.Size(fileSize);
        const std::size_t sliceItems = std::max<std::size_t>(1, kMergeBudget / s_ / runs_);
        std::vector<RunCursor> cursors(runs_);
        std::vector<RunCursor*> table;
        for (std::size_t r = 0; r < runs_; ++r) {
            RunCursor& c = cursors[r];
            c.offset = r * runBytes;
            c.end = std::min<std::uint64_t>((r + 1) * runBytes, fileSize);
            c.slice.resize(sliceItems * s_);
            if (!Load(c)) return false;
            if (c.valid > 0) table.push_back(&c);
        }
        const auto cursorLess = [&](RunCursor* x, RunCursor* y) {
            return Less(x->Item(), y->Item());
        };
        std::sort(table.begin(), table.end(), cursorLess);
        while (!table.empty()) {
            RunCursor* front = table.front();
            if (!take(front->Item())) return false;
            front->pos += s_;
            if (front->pos >= front->valid) {
                if (!Load(*front)) return false;
                if (front->valid == 0) {
                    table.erase(table.begin());
                    continue;
                }
            }
            // Binary insertion of the front cursor among the others.
            auto it = std::upper_bound(table.begin() + 1, table.end(), front, cursorLess);
            std::rotate(table.begin(), table.begin() + 1, it);
        }
        return true;
    }

    ItemCodec codec_;
    std::size_t s_;
    std::size_t runCap_;
    std::vector<std::uint8_t> items_; // the current run, s_ bytes each
    std::vector<std::uint8_t> tmp_;   // room for sorting it
    std::size_t runs_ = 0;
    std::string runPath_;
    os::File runFile_;
    FileRemover runRemover_;
};

// Puts the area back on its record (and its field variables) after the reading pass, which
// moves through the table's records in the area's own record buffer.
class RecordRestore {
public:
    RecordRestore(TWorkArea& a, bool scatter)
        : a_(a), rec_(a.RecordBuffer), no_(a.RecNo), eof_(a.Eof), bof_(a.Bof), scatter_(scatter) {}
    RecordRestore(const RecordRestore&) = delete;
    RecordRestore& operator=(const RecordRestore&) = delete;
    ~RecordRestore() {
        a_.RecordBuffer = rec_;
        a_.RecNo = no_;
        a_.Eof = eof_;
        a_.Bof = bof_;
        // A failure here must not leave the destructor by an exception.
        if (scatter_) {
            try {
                ErrorReportingOff quiet;
                Scatter();
            } catch (...) {
            }
        }
    }

private:
    TWorkArea& a_;
    std::vector<char> rec_;
    std::int32_t no_;
    bool eof_, bof_, scatter_;
};

// Reading pass: every record's key into runs. The record is read where it lies in the read
// chunk and copied into the area's record buffer so that the expression sees it.
bool ReadKeys(TWorkArea& area, TIndexControl& ctl, Progress& progress, KeyRuns& runs) {
    const std::int32_t n = area.RecordCount;
    const std::size_t recLen = area.RecordLength;
    const std::size_t chunkRecords = kReadChunk / recLen;
    std::vector<char> chunk(chunkRecords * recLen);
    std::vector<std::uint8_t> key;
    RecordRestore restore(area, bool(ctl.KeyMaker));
    std::size_t inChunk = 0, used = 0;
    std::uint64_t filePos = area.HeaderLength;
    for (std::int32_t i = 1; i <= n; ++i) {
        progress.Reading(i);
        if (used == inChunk) {
            const std::size_t want =
                std::min<std::size_t>(chunkRecords, std::size_t(n - i + 1)) * recLen;
            std::size_t got = 0;
            const int rc = area.File.ReadSomeAt(filePos, chunk.data(), want, got);
            if (rc != 0 || got < recLen) {
                SetError(rc != 0 ? static_cast<std::uint16_t>(rc) : kErrUnexpectedEof,
                         "Error reading table " + area.FileName + " [MakeIndex]");
                return false;
            }
            got -= got % recLen;
            filePos += got;
            TranslateRecords(false, area.ReadHook,
                             static_cast<std::uint16_t>(got), static_cast<std::uint16_t>(recLen),
                             chunk.data());
            inChunk = got / recLen;
            used = 0;
        }
        std::memcpy(area.RecordBuffer.data(), chunk.data() + used * recLen, recLen);
        ++used;
        area.RecNo = i;
        if (ctl.KeyMaker) Scatter();
        if (!BuildRecordKey(ctl, key) || LastErrorCode != 0) {
            if (LastErrorCode == 0) SetError(kErrInternal, "Key evaluation failed [MakeIndex]");
            return false;
        }
        if (!runs.Add(key.data(), static_cast<std::uint32_t>(i))) return false;
    }
    return true;
}

// The build proper: keys of every record into the temporary index file `out`. Returns the
// root block, 0 when the build failed (error set).
std::uint32_t BuildTree(TWorkArea& area, TIndexControl& ctl, os::File& out,
                        const std::string& indexDir) {
    const TNdxAnchor& an = ctl.Anchor;
    const std::int32_t n = area.RecordCount;
    const std::size_t keyLen = an.KeyLength;
    const std::size_t s = keyLen + 4;
    const std::size_t levels = TreeLevels(n, an.KeysPerNode);
    const std::size_t recLen = area.RecordLength;
    if (recLen == 0 || kReadChunk / recLen == 0) {
        SetError(kErrInternal, "Record length too large for an index build [MakeIndex]");
        return 0;
    }
    // Runs as large as the memory for sorting allows (the items and as much room again).
    const std::size_t runCap = std::clamp<std::size_t>(
        std::min<std::size_t>(
            {IndexRunItems, std::size_t(std::max<std::int32_t>(n, 1)), kSortBudget / (2 * s)}),
        1, 1u << 24);
    if (!EnoughSpaceForBuild(n, an, levels, s, runCap, indexDir)) return 0;

    Progress progress(n);
    const ItemCodec codec(ctl.CharKey, an.KeyLength);
    KeyRuns runs(codec, runCap);
    if (!ReadKeys(area, ctl, progress, runs)) return 0;

    // UNIQUE keeps the first item of every key, which is the one of the lowest record.
    TreeWriter tree(out, an, levels);
    std::vector<std::uint8_t> lastKept(keyLen);
    std::array<std::uint8_t, kNdxMaxKeyLength> key{};
    bool haveKept = false;
    std::int64_t taken = 0;
    auto take = [&](const std::uint8_t* item) -> bool {
        ++taken;
        if (an.Unique != 0 && haveKept && std::memcmp(item, lastKept.data(), keyLen) == 0)
            return true;
        std::memcpy(lastKept.data(), item, keyLen);
        haveKept = true;
        const std::uint32_t rec = codec.Decode(item, key.data());
        progress.Writing(taken);
        return tree.Add(key.data(), rec);
    };
    if (!runs.Drain(take)) return 0;
    progress.Finish();
    return tree.Finish();
}

} // namespace

void SetIndexProgress(IndexProgressProc proc, int ticks) {
    g_progress = std::move(proc);
    g_ticks = ticks;
}

std::string CompleteIndexName(const std::string& name) {
    std::string full = DefaultExt(name, "NDX");
    if (full.find('/') == std::string::npos && full.find('\\') == std::string::npos &&
        full.find(':') == std::string::npos) {
        if (const TWorkArea* a = CurrentWorkArea()) full = FSplit(a->FileName).Dir + full;
    }
    return full;
}

namespace {

// The control block of a new index: its file name and its key source (a compiled expression
// or a key maker). Nullptr after reporting.
std::unique_ptr<TIndexControl> NewIndexControl(const std::string& full, const std::string& expr,
                                               std::uint8_t orderNo, bool soundex, bool descending,
                                               KeyMakerProc keyMaker, const std::string& context) {
    auto ctl = std::make_unique<TIndexControl>();
    ctl->AreaNo = CurrentAreaNo;
    ctl->OrderNo = orderNo;
    ctl->FileName = full;
    if (keyMaker) {
        ctl->KeyMaker = std::move(keyMaker);
        ctl->Soundex = soundex;
        ctl->Descending = descending;
        ctl->KeyExpr = KeyMakerSentence();
        return ctl;
    }
    if (expr.empty()) {
        SetError(kErrInternal, "Neither Expression nor KeyMaker defined" + context);
        return nullptr;
    }
    if (!ParserLinked || ParserHooks.AssignExpr == nullptr) {
        SetError(kErrIndexNotOpen, "ZAZavizi unit not linked in. [MakeIndex]");
        return nullptr;
    }
    if (expr.size() > 100) {
        SetError(kErrExprTooLong, "Expression length exceeds 100 bytes" + context);
        return nullptr;
    }
    ctl->Expr = ParserHooks.AssignExpr(expr);
    if (ctl->Expr == nullptr) return nullptr;
    ctl->KeyExpr = NormalizeKeyExpr(expr);
    return ctl;
}

// False (reported) when the index is open in any area, or when another program holds the
// index of a shared table open: it would go on working on the replaced file and its changes
// would be lost.
bool IndexFileFree(const TWorkArea& a, const std::string& full, const std::string& context) {
    for (std::uint8_t area = 1; area < kIndexAreas; ++area) {
        TAreaIndexes* ai = AreaIndexes(area);
        for (auto& o : ai->Orders) {
            if (o && o->FileName == full) {
                SetError(kErrFileInUse, full);
                return false;
            }
        }
    }
    if (MultiUser && !a.Exclusive && os::FileExists(full)) {
        os::File probe;
        const int rc = probe.Open(full, kExclusiveOpenMode);
        if (rc == os::kErrSharingViolation || rc == os::kErrAccessDenied) {
            SetError(kErrExclusiveRequired,
                     "Index file in use by another program: " + full + context);
            return false;
        }
    }
    return true;
}

// Key type and length from the key source, then the anchor's layout. False after reporting.
bool SetKeyLayout(TIndexControl& ctl, bool soundex, std::uint8_t orderNo,
                  const std::string& context) {
    char letter;
    int keyLength;
    if (ctl.KeyMaker) {
        letter = 'C';
        if (soundex) {
            keyLength = 4;
        } else {
            Scatter();
            std::string k = ctl.KeyMaker(orderNo);
            keyLength = static_cast<int>(std::min<std::size_t>(k.size(), 100));
        }
    } else {
        switch (ctl.Expr->ResultType) {
        case 'C':
            letter = 'C';
            keyLength = BlankRecordKeyLength(ctl.Expr);
            break;
        case 'N':
        case 'D':
            letter = static_cast<char>(ctl.Expr->ResultType);
            keyLength = 8;
            break;
        default:
            SetError(kErrInternal, "Wrong parser return type" + context);
            return false;
        }
    }
    if (!ComputeKeyLayout(letter, keyLength, ctl.Anchor)) {
        SetError(kErrInvalidSize, "Incorrect key length: Must be 1 to 100." + context);
        return false;
    }
    ctl.CharKey = letter == 'C';
    return true;
}

// The new index goes to a draft beside the target and replaces it only when complete, the
// program's one way of replacing a file: a failed build leaves the old index as it was, and a
// device, a pipe or a folder in the index's place is refused as every writer refuses it.
bool WriteIndexFile(TWorkArea& a, TIndexControl& ctl, const std::string& full,
                    const std::string& context) {
    os::Replacement draft;
    if (const int rc = os::BeginReplace(full, draft); rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Cannot replace index file " + full + context);
        return false;
    }
    FileRemover draftRemover(draft.Draft);
    os::File out;
    if (const int rc = out.Open(draft.Draft, kExclusiveOpenMode); rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "File not open" + full + context);
        return false;
    }
    const std::uint32_t root = BuildTree(a, ctl, out, DirOf(full));
    if (root == 0 || LastErrorCode != 0) return false;
    ctl.Anchor.Root = root;
    ctl.Anchor.NextFree = root + 1;
    std::array<std::uint8_t, kNdxBlockSize> header{};
    EncodeNdxHeader(ctl.Anchor, ctl.KeyExpr, a.RecordCount, HeaderTableName(a), header.data());
    if (const int rc = out.WriteAt(0, header.data(), header.size()); rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Error writing index header" + context);
        return false;
    }
    out.Close();
    draftRemover.Release(); // the commit removes a draft it does not put in place
    if (const int rc = os::CommitReplace(draft, -1); rc != 0) {
        SetError(static_cast<std::uint16_t>(rc), "Cannot replace index file " + full + context);
        return false;
    }
    return true;
}

} // namespace

bool MakeIndex(const std::string& name, const std::string& expression, bool soundex,
               std::uint8_t orderNo, bool unique, bool descending, KeyMakerProc keyMaker) {
    LastErrorCode = 0;
    if (AllTrim(name).empty()) {
        SetError(kErrInvalidParameter, "index filename not specified [MakeIndex()]");
        return false;
    }
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) {
        SetError(kErrNoDatabase, "database not open attempting to index to" + name + ".");
        return false;
    }
    const std::string full = CompleteIndexName(AllTrim(name));
    const std::string context = " [MakeIndex(<>," + full + ")]";
    if (a->IsVirtual) {
        SetError(kErrInternal, "A virtual file cannot be indexed" + context);
        return false;
    }
    std::unique_ptr<TIndexControl> ctl = NewIndexControl(
        full, AllTrim(expression), orderNo, soundex, descending, std::move(keyMaker), context);
    if (!ctl || !IndexFileFree(*a, full, context)) return false;
    RefreshRecCount();
    if (!SetKeyLayout(*ctl, soundex, orderNo, context)) return false;
    ctl->Anchor.Unique = unique ? 1 : 0;
    ctl->Anchor.Root = 1;
    ctl->Anchor.NextFree = 2;
    const std::int32_t savedRecNo = a->RecNo;
    const bool wasOnRecord = savedRecNo >= 1 && savedRecNo <= a->RecordCount && !a->Eof;
    if (!WriteIndexFile(*a, *ctl, full, context)) return false;
    if (wasOnRecord) Dbf4RawGoNotify(savedRecNo);
    return LastErrorCode == 0;
}

namespace {

bool IndexOnCommon(const std::string& expression, const std::string& nameWithOptions,
                   KeyMakerProc keyMaker, const char* routine) {
    LastErrorCode = 0;
    if (CheckDbfInUse(routine)) return false;
    CloseAllIndexes();
    LastErrorCode = 0;
    if (!keyMaker && !ParserLinked) {
        SetError(kErrIndexNotOpen, std::string("ZAZavizi unit not linked in. [") + routine + "]");
        return false;
    }
    std::string name = nameWithOptions;
    const bool unique = TakeOption("UNIQUE", name);
    const bool noCache = TakeOption("NOCACHE", name);
    const bool soundex = TakeOption("SOUNDEX", name);
    const bool descending = TakeOption("DESCENDING", name);
    if (IndexOrder(1) != nullptr) {
        SetError(kErrInternal,
                 std::string("Internal error: IND pointer already allocated [") + routine + "]");
        return false;
    }
    KeyMakerProc forOpen = keyMaker;
    if (!MakeIndex(name, expression, soundex, 1, unique, descending, std::move(keyMaker)))
        return false;
    return OpenIndexOrder(CompleteIndexName(name), 1, std::move(forOpen), soundex, descending,
                          noCache);
}

} // namespace

bool Index_On(const std::string& expression, const std::string& nameWithOptions) {
    return IndexOnCommon(expression, nameWithOptions, {}, "Index_On");
}

bool Index_OnKeyMaker(const std::string& nameWithOptions, KeyMakerProc keyMaker) {
    return IndexOnCommon("", nameWithOptions, std::move(keyMaker), "Index_On");
}

void Reindex() {
    LastErrorCode = 0;
    if (CheckDbfInUse("Reindex")) return;
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (!ai->Orders[0]) {
        SetError(kErrIndexNotOpen, "Index not open. (DBF=" + DbfName() + ") [Reindex]");
        return;
    }
    const int controlling = ai->Orders[0]->OrderNo;
    const bool natural = ai->NaturalOrder;
    struct Saved {
        std::string name, expr;
        bool soundex, descending, unique, noCache;
        KeyMakerProc keyMaker;
    };
    // Orders are kept by their own order numbers; slot 1 may hold another number.
    std::array<std::optional<Saved>, kMaxOrders> saved;
    for (auto& o : ai->Orders) {
        if (!o) continue;
        saved[o->OrderNo - 1] = Saved{o->FileName,           o->KeyExpr, o->Soundex, o->Descending,
                                      o->Anchor.Unique != 0, o->NoCache, o->KeyMaker};
    }
    CloseAllIndexes();
    LastErrorCode = 0;
    for (int n = 1; n <= kMaxOrders; ++n) {
        if (!saved[n - 1]) continue;
        const Saved& s = *saved[n - 1];
        if (!MakeIndex(s.name, s.keyMaker ? "" : s.expr, s.soundex, static_cast<std::uint8_t>(n),
                       s.unique, s.descending, s.keyMaker))
            return;
        if (!OpenIndexOrder(s.name, n, s.keyMaker, s.soundex, s.descending, s.noCache)) return;
    }
    // The controlling order goes back to slot 1.
    if (controlling != 1 && ai->Orders[controlling - 1]) {
        std::swap(ai->Orders[0], ai->Orders[controlling - 1]);
        ai->Cache.Reset(ai->Orders[0]->NoCache ? 0 : kDefaultCacheBytes);
        ai->Orders[0]->Path.clear();
    }
    ai->NaturalOrder = natural;
}

// ---- engine start and the hooks of the work-area commands ----

namespace {

TIndexControl* Controlling() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    if (ai == nullptr) return nullptr;
    CurrentOrder = 1;
    return ai->Orders[0].get();
}

bool Natural() {
    TAreaIndexes* ai = AreaIndexes(CurrentAreaNo);
    return ai == nullptr || ai->NaturalOrder;
}

bool HookActive() {
    return Controlling() != nullptr;
}

std::int32_t HookNext() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return 0;
    if (Natural()) {
        if (a->RecNo >= a->RecordCount) {
            a->Eof = true;
            return a->RecNo;
        }
        return a->RecNo + 1;
    }
    TIndexControl* c = Controlling();
    if (c->AtEnd && c->CurrentNode == nullptr) return a->RecordCount + 1;
    const std::int32_t r = FindNextRec(*c);
    return r < 0 ? a->RecordCount + 1 : r;
}

std::int32_t HookPrior() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr) return 0;
    if (Natural()) {
        if (a->RecNo <= 1) {
            a->Bof = true;
            return a->RecNo;
        }
        return a->RecNo - 1;
    }
    const std::int32_t r = FindPriorRec(*Controlling());
    return r < 0 ? a->RecordCount + 1 : r;
}

std::int32_t HookTop() {
    TWorkArea* a = CurrentWorkArea();
    if (Natural()) return a->RecordCount > 0 ? 1 : a->RecordCount + 1;
    const std::int32_t r = FindFirstRec(*Controlling());
    return r < 0 ? a->RecordCount + 1 : r;
}

std::int32_t HookBottom() {
    TWorkArea* a = CurrentWorkArea();
    if (Natural()) return a->RecordCount > 0 ? a->RecordCount : a->RecordCount + 1;
    const std::int32_t r = FindLastRec(*Controlling());
    return r < 0 ? a->RecordCount + 1 : r;
}

bool HookEOF() {
    TWorkArea* a = CurrentWorkArea();
    if (Natural()) return a != nullptr && a->Eof;
    return Controlling()->AtEnd;
}

bool HookBOF() {
    TWorkArea* a = CurrentWorkArea();
    if (Natural()) return a != nullptr && a->Bof;
    return Controlling()->AtBeginning;
}

void HookMarkBOF() {
    if (TIndexControl* c = Controlling()) c->AtBeginning = true;
}

void HookMarkEOF() {
    if (TIndexControl* c = Controlling()) {
        c->AtEnd = true;
        c->CurrentNode = nullptr;
        c->CurrentBlock = kNoNode;
    }
}

std::uint8_t* HookFound() {
    return &FoundFlag;
}

void HookRefreshKeys() {
    TWorkArea* a = CurrentWorkArea();
    if (a == nullptr || a->RecNo < 1 || a->RecNo > a->RecordCount) return;
    for (int n = 1; n <= kMaxOrders; ++n)
        if (TIndexControl* c = IndexOrder(n)) BuildRecordKey(*c, c->CurrentKey);
}

std::string HookFileName(int order) {
    TIndexControl* c = IndexOrder(order);
    return c != nullptr ? c->FileName : std::string();
}

std::string KeyText(TIndexControl& c) {
    if (c.KeyMaker) return c.KeyMaker(c.OrderNo);
    if (c.CharKey)
        return std::string(reinterpret_cast<const char*>(c.CurrentKey.data()), c.Anchor.KeyLength);
    double v;
    std::memcpy(&v, c.CurrentKey.data(), 8);
    if (c.Anchor.KeyTypeLetter == 'D') return JulianToDateText(v);
    return NumText(v);
}

std::string HookOrderKeyText(int order) {
    TIndexControl* c = IndexOrder(order);
    return c != nullptr ? KeyText(*c) : std::string();
}

std::string HookControllingKeyText() {
    TWorkArea* a = CurrentWorkArea();
    TIndexControl* c = Controlling();
    if (c == nullptr || Natural()) return "Rec:" + IntToStrW(a != nullptr ? a->RecNo : 0, 10);
    return KeyText(*c);
}

bool HookAscending(int order) {
    TIndexControl* c = IndexOrder(order);
    return c != nullptr && !c->Descending;
}

bool HookSoundex(int order) {
    TIndexControl* c = IndexOrder(order);
    return c != nullptr && c->Soundex;
}

} // namespace

void IndexInit() {
    CurrentOrder = 1;
    OrderBeingKeyed = 1;
    ExactOn = false;
    FoundFlag = 0;
    SoftSeek = false;
    AnchorFlush = false;
    IndexHooks.IndexActive = &HookActive;
    IndexHooks.IndexNext = &HookNext;
    IndexHooks.IndexPrior = &HookPrior;
    IndexHooks.IndexTop = &HookTop;
    IndexHooks.IndexBottom = &HookBottom;
    IndexHooks.IndexEOF = &HookEOF;
    IndexHooks.IndexBOF = &HookBOF;
    IndexHooks.IndexRefreshKeys = &HookRefreshKeys;
    IndexHooks.IndexMarkBOF = &HookMarkBOF;
    IndexHooks.IndexMarkEOF = &HookMarkEOF;
    IndexHooks.IndexFoundFlag = &HookFound;
    IndexHooks.Reindex = &Reindex;
    IndexHooks.IndexCloseAll = &CloseAllIndexes;
    IndexHooks.IndexFileName = &HookFileName;
    IndexHooks.OrderKeyText = &HookOrderKeyText;
    IndexHooks.ControllingKeyText = &HookControllingKeyText;
    IndexHooks.OrderAscending = &HookAscending;
    IndexHooks.OrderSoundex = &HookSoundex;
    for (std::uint8_t area = 1; area <= kIndexAreas; ++area) {
        TAreaIndexes* ai = AreaIndexes(area);
        for (auto& o : ai->Orders)
            o.reset();
        ai->NaturalOrder = false;
        ai->Cache.Reset(0);
    }
    (void)KeyMakerSentence();
    // Key maintenance, synchronisation, key texts and the semaphore brackets.
    InstallIndexMaintenanceHooks();
    g_registered = true;
}

void IndexDone() {
    if (!g_registered) return;
    CurrentAreaGuard guard;
    for (std::uint8_t area = 1; area < kIndexAreas; ++area) {
        CurrentAreaNo = area;
        CloseAllIndexes();
    }
    g_registered = false;
}

} // namespace dbf

namespace dbf {
namespace {
// The index engine installs its hooks when the program starts, before any table is opened.
const bool kIndexEngineInstalled = (IndexInit(), true);
} // namespace
} // namespace dbf
