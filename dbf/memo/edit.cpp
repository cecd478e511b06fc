// Memo unit (`memo`): reading a memo as stored, writing one (in place, into free blocks or at the
// end), appending a field's text, and the dBASE IV free-block list.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dbf/table/work_areas.h"
#include "dbf/table/table_file.h"
#include "dbf/memo/memo.h"
#include "dbf/memo/bytes.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"

namespace dbf {

namespace {

constexpr std::size_t kPiece = 512; // conversion routines see the memo in pieces of this size
constexpr std::uint32_t kUnknownSize = 0x7FFFFFFF;
constexpr int kMaxListNodes = 100;

bool IsDbase4(const TMemoFile& m) {
    return m.Flavour == kMemoDbase4 || m.Flavour == kMemoLevel7;
}

std::string RecordText() {
    const TWorkArea* a = CurrentWorkArea();
    return " Record # " + std::to_string(a == nullptr ? 0 : a->RecNo);
}

// The (next, count) pair at the start of block n.
bool ReadNode(TMemoFile& m, std::uint32_t n, std::uint32_t& next, std::uint32_t& count,
              const std::string& context) {
    std::uint8_t b[8];
    const int code = m.File.ReadAt(std::uint64_t{n} * m.BlockSize, b, 8);
    if (code != 0) {
        MemoError(ReadCode(code), m.FileName + " " + context);
        return false;
    }
    next = Le32(b);
    count = Le32(b + 4);
    return true;
}

bool WriteNode(TMemoFile& m, std::uint32_t n, std::uint32_t next, std::uint32_t count,
               const std::string& context) {
    std::uint8_t b[8];
    PutLe32(b, next);
    PutLe32(b + 4, count);
    const int code = m.File.WriteAt(std::uint64_t{n} * m.BlockSize, b, 8);
    if (code != 0) {
        MemoError(WriteCode(code), m.FileName + " " + context);
        return false;
    }
    return true;
}

bool WriteNext(TMemoFile& m, std::uint32_t n, std::uint32_t next, const std::string& context) {
    if (n == 0) return MainHeaderWrite(next);
    std::uint8_t b[4];
    PutLe32(b, next);
    const int code = m.File.WriteAt(std::uint64_t{n} * m.BlockSize, b, 4);
    if (code != 0) {
        MemoError(WriteCode(code), m.FileName + " " + context);
        return false;
    }
    return true;
}

std::uint32_t TotalBlocks(TMemoFile& m) {
    std::uint64_t size = 0;
    if (m.File.Size(size) != 0) return 1;
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(
        size / m.BlockSize, 1, std::numeric_limits<std::uint32_t>::max()));
}

enum class Placement { Edit, Append };

std::int32_t WriteMemo(std::string_view text, std::int32_t oldBlock, Placement placement,
                       const std::string& context) {
    if (CheckMemoArea(context)) return 0;
    TWorkArea& a = *CurrentWorkArea();
    TMemoFile& m = *a.MemoFile;
    if (text.empty()) return 0;
    const bool dbase3 = m.Flavour == kMemoDbase3;
    const std::uint64_t size = text.size() + (dbase3 ? kDbase3EndMarks.size() : 0);
    if (static_cast<double>(size / 1024) >= DiskFree(m.FileName)) {
        MemoError(kErrMemoDiskFull, m.FileName + " [" + context + "]");
        return 0;
    }
    const std::uint64_t offset = LockMemoPadAndSeekEOF(context);
    if (offset == 0) return 0;
    const std::uint64_t bs = m.BlockSize;
    const std::string bracket = "[" + context + "]";

    std::uint64_t block = offset / bs;
    if (IsDbase4(m) && placement == Placement::Edit) {
        if (text.size() > kUnknownSize - 16) {
            MemoError(kErrMemoWrite, m.FileName + " " + bracket);
            return 0;
        }
        const std::uint32_t needed = static_cast<std::uint32_t>((text.size() + 8) / bs + 1);
        std::int32_t old =
            oldBlock == std::numeric_limits<std::int32_t>::min() ? 0 : std::abs(oldBlock);
        // A reference past the end of the file (a damaged field) is no old memo.
        if (static_cast<std::uint64_t>(old) * bs + 8 > offset) old = 0;
        if (old != 0) {
            std::int32_t count = old;
            std::array<std::uint8_t, 8> h{};
            if (!ReadGroupHeader(count, h)) return 0;
            if (IsGroupSignature(h.data()) && needed > static_cast<std::uint32_t>(count)) {
                FreeMemoBlocks(static_cast<std::uint32_t>(old), static_cast<std::uint32_t>(count));
                if (LastErrorCode != 0) return 0;
                AddReleasedBlocks(static_cast<std::uint32_t>(count));
                if (LastErrorCode != 0) return 0;
            }
        }
        const std::int32_t got = AllocMemoBlocks(needed, old, bracket);
        if (got <= 0) return 0;
        block = static_cast<std::uint64_t>(got);
    }
    if (block == 0 ||
        block > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        MemoError(kErrMemoWrite, m.FileName + " " + bracket);
        return 0;
    }

    std::string data;
    std::size_t first = kPiece;
    if (dbase3) {
        // Text, the end marks, zero bytes to the end of the 512-byte piece.
        data.reserve((size + kPiece - 1) / kPiece * kPiece);
        data.assign(text);
        data += kDbase3EndMarks;
        data.resize((data.size() + kPiece - 1) / kPiece * kPiece, '\0');
    } else {
        data.assign(text);
        first = kPiece - 8;
    }
    Convert(a.WriteHook, data.data(), data.size(), first);
    const std::uint64_t at = block * bs;
    if (!dbase3 && !WriteGroupHeader(at, static_cast<std::uint32_t>(text.size()), m)) return 0;
    const int code = m.File.WriteAt(at + (dbase3 ? 0 : 8), data.data(), data.size());
    if (code != 0) {
        MemoError(WriteCode(code), m.FileName + " " + bracket);
        return 0;
    }
    CommitMemofile();
    if (LastErrorCode != 0) return 0;
    UpdateMemoHeader();
    if (LastErrorCode != 0) return 0;
    return static_cast<std::int32_t>(block);
}

} // namespace

std::uint64_t MemoSizeLimit = 64ull << 20;

void ReportMemoTooLong(const std::string& context) {
    const TWorkArea* a = CurrentWorkArea();
    MemoError(kErrInvalidSize, (a == nullptr ? std::string() : a->FileName) + RecordText() +
                                   ": the memo is longer than " + std::to_string(MemoSizeLimit) +
                                   " bytes, the most the program reads of one memo [" + context +
                                   "]");
}

bool GetMemoText(std::int32_t block, std::string& text) {
    text.clear();
    MemoBlocksRead = 0;
    if (CheckMemoArea("GetMemo")) return false;
    TWorkArea& a = *CurrentWorkArea();
    TMemoFile& m = *a.MemoFile;
    if (block == 0) return true;
    const std::string where = m.FileName + RecordText() + " [GetMemo]";
    std::uint64_t size = 0;
    int code = m.File.Size(size);
    if (code != 0) {
        MemoError(static_cast<std::uint16_t>(code), where);
        return false;
    }
    const std::uint64_t bs = m.BlockSize;
    const std::uint64_t first =
        block == std::numeric_limits<std::int32_t>::min()
            ? std::uint64_t{0x80000000u}
            : static_cast<std::uint64_t>(block < 0 ? -static_cast<std::int64_t>(block) : block);
    const std::uint64_t offset = first * bs;
    if (size == 0 || offset >= size - 1) {
        MemoError(kErrMemoAddress, where);
        return false;
    }
    std::uint8_t h[8] = {};
    std::size_t got = 0;
    code = m.File.ReadSomeAt(offset, h, 8, got);
    if (code != 0 || got == 0) {
        MemoError(ReadCode(code), where);
        return false;
    }

    const bool group = m.Flavour == kMemoFoxPro || IsGroupSignature(h);
    if (!group) {
        // dBASE III text: up to the first 0x1A, the next memo, or the end of the file.
        const bool hook = a.ReadHook != nullptr;
        const std::size_t chunk = hook ? kPiece : std::max<std::size_t>(65536, bs);
        std::string piece(chunk, '\0');
        std::uint64_t at = offset;
        for (;;) {
            code = m.File.ReadSomeAt(at, piece.data(), chunk, got);
            if (code != 0) {
                MemoError(ReadCode(code), where);
                text.clear();
                return false;
            }
            if (got == 0) break;
            const std::size_t before = BeforeNextGroup(piece.data(), got, at, offset);
            Convert(a.ReadHook, piece.data(), got, kPiece);
            const void* end = std::memchr(piece.data(), 0x1A, before);
            const std::size_t take =
                end != nullptr
                    ? static_cast<std::size_t>(static_cast<const char*>(end) - piece.data())
                    : before;
            // A text without its end mark runs on to the next memo, or to the end of the file.
            if (text.size() + take > MemoSizeLimit) {
                text.clear();
                ReportMemoTooLong("GetMemo");
                return false;
            }
            text.append(piece.data(), take);
            if (end != nullptr || before < got) break;
            at += got;
        }
        MemoBlocksRead = static_cast<std::uint32_t>((text.size() + 1 + bs - 1) / bs);
        return true;
    }

    // Group: the stored length, which the file must hold.
    std::uint64_t length = 0;
    const std::uint64_t start = offset + 8;
    if (got < 8 || !GroupLength(h, m.Flavour == kMemoFoxPro, start, size, length)) {
        MemoError(kErrMemoAddress,
                  DamagedMemoText(m.FileName, block) + RecordText() + " [GetMemo]");
        return false;
    }
    if (length > MemoSizeLimit) {
        ReportMemoTooLong("GetMemo");
        return false;
    }
    text.resize(static_cast<std::size_t>(length));
    if (length > 0) {
        code = m.File.ReadSomeAt(start, text.data(), text.size(), got);
        if (code != 0) {
            MemoError(ReadCode(code), where);
            text.clear();
            return false;
        }
        text.resize(got);
        Convert(a.ReadHook, text.data(), text.size(), kPiece - 8);
    }
    MemoBlocksRead = static_cast<std::uint32_t>((text.size() + 8 + bs - 1) / bs);
    return true;
}

std::int32_t PutMemoText(std::string_view text, std::int32_t oldBlock) {
    return WriteMemo(text, oldBlock, Placement::Edit, "EditMemo/CloseMemo");
}

std::int32_t AddMemo(const std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    if (end == std::string::npos) {
        CheckMemoArea("AddMemo()");
        return 0;
    }
    return WriteMemo(std::string_view(text).substr(0, end + 1), 0, Placement::Append, "AddMemo()");
}

void FreeMemoBlocks(std::uint32_t start, std::uint32_t count) {
    LastErrorCode = 0;
    TMemoFile* mp = CurrentMemo();
    if (mp == nullptr || !IsDbase4(*mp) || start == 0 || count == 0) return;
    TMemoFile& m = *mp;
    const std::string context = "[EditMemo/CloseMemo]";
    std::uint8_t h[24];
    const int code = m.File.ReadAt(0, h, 24);
    if (code != 0) {
        MemoError(ReadCode(code), m.FileName + " " + context);
        return;
    }
    const std::uint32_t total = TotalBlocks(m);
    const std::uint32_t head = Le32(h);
    if (head == total) return; // an empty list stays empty: others append at the header's block
    if (head >= start) {
        if (!MainHeaderWrite(start)) return;
        WriteNode(m, start, head, count, context);
        return;
    }
    // Walk the chain (ordered by block number, bounded) to the node after which start belongs.
    std::uint32_t node = head;
    for (int walked = 0; walked < kMaxListNodes; ++walked) {
        std::uint8_t b[8];
        if (m.File.ReadAt(std::uint64_t{node} * m.BlockSize, b, 8) != 0) {
            MemoError(kErrReadFault, m.FileName + " " + context);
            return;
        }
        // A node that reads as a used group means a damaged list: record nothing.
        if (IsGroupSignature(b)) return;
        const std::uint32_t next = Le32(b);
        if (next > start) {
            if (!WriteNext(m, node, start, context)) return;
            WriteNode(m, start, next, count, context);
            return;
        }
        if (next <= node || next >= total) return;
        node = next;
    }
}

std::int32_t AllocMemoBlocks(std::uint32_t needed, std::int32_t oldBlock,
                             const std::string& context) {
    LastErrorCode = 0;
    TMemoFile* mp = CurrentMemo();
    if (mp == nullptr || !IsDbase4(*mp)) return 0;
    TMemoFile& m = *mp;
    const std::uint32_t total = TotalBlocks(m);
    const std::uint64_t bs = m.BlockSize;

    // 1. The old group, when large enough, is rewritten in place.
    if (oldBlock > 0 && static_cast<std::uint32_t>(oldBlock) < total) {
        std::uint8_t b[8];
        const int code = m.File.ReadAt(static_cast<std::uint64_t>(oldBlock) * bs, b, 8);
        if (code != 0) {
            MemoError(ReadCode(code), m.FileName + " " + context);
            return 0;
        }
        const std::uint32_t length = Le32(b + 4);
        if (IsGroupSignature(b) && length >= 8) {
            const std::uint32_t count = static_cast<std::uint32_t>((length - 8) / bs + 1);
            if (count >= needed) {
                if (count > needed) {
                    FreeMemoBlocks(static_cast<std::uint32_t>(oldBlock) + needed, count - needed);
                    if (LastErrorCode != 0) return 0;
                }
                return oldBlock;
            }
        }
    }

    // 2. First free group large enough; the walk never takes the header or a used group.
    std::uint32_t prev = 0;
    std::uint32_t cur = 0;
    {
        std::uint32_t headCount = 0;
        if (!ReadNode(m, 0, cur, headCount, context)) return 0;
    }
    int nodes = 1;
    while (needed != kUnknownSize && cur > prev && cur < total && nodes <= kMaxListNodes) {
        std::uint32_t next = 0, count = 0;
        std::uint8_t b[8];
        const int code = m.File.ReadAt(std::uint64_t{cur} * bs, b, 8);
        if (code != 0) {
            MemoError(ReadCode(code), m.FileName + " " + context);
            return 0;
        }
        ++nodes;
        if ((Le32(b) & 0xFFFFu) == 0xFFFFu) break; // a used group: the list is stale here
        next = Le32(b);
        count = Le32(b + 4);
        if (count >= needed && std::uint64_t{cur} + needed <= total) {
            // Take it and unlink it: the predecessor points past it (to its surplus).
            std::uint32_t after = next;
            if (count > needed) {
                if (!WriteNode(m, cur + needed, next, count - needed, context)) return 0;
                after = cur + needed;
            }
            if (!WriteNext(m, prev, after, context)) return 0;
            return static_cast<std::int32_t>(cur);
        }
        prev = cur;
        cur = next;
    }

    // 3. The end of the file; the last free node read points past the new group.
    const std::uint64_t sum = std::uint64_t{total} + needed;
    const std::uint32_t end = sum > kUnknownSize ? kUnknownSize : static_cast<std::uint32_t>(sum);
    if (!WriteNext(m, prev, end, context)) return 0;
    if (nodes > kMaxListNodes && prev != 0 && !MainHeaderWrite(end)) return 0;
    if (total > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        MemoError(kErrMemoWrite, m.FileName + " " + context);
        return 0;
    }
    return static_cast<std::int32_t>(total);
}

} // namespace dbf
