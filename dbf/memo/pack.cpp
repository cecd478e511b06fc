// Memo unit (`memo`): memo copy between memo files of any flavour, and memo file packing.

#include "dbf/memo/pack.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>
#include <vector>

#include "dbf/memo/blob.h"
#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/table/transfer.h"
#include "dbf/base/hooks.h"
#include "dbf/base/text.h"
#include "dbf/memo/bytes.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "platform/os/paths.h"

namespace dbf {

namespace {

constexpr std::size_t kPiece = 512;          // conversion routines see memos in these pieces
constexpr std::size_t kPlainChunk = 1 << 16; // chunk when no conversion is involved
const std::string kCopyContext = " [AppendFrom/CopyTo]";

std::uint64_t AbsBlock(std::int32_t block) {
    return block < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(block))
                     : static_cast<std::uint64_t>(block);
}

// Writes memo data at base, converting it in the destination's pieces: the first piece holds
// the bytes after the header (512 - header), then 512 each, as the memo readers convert them.
class PieceWriter {
public:
    PieceWriter(TMemoCopyRequest& r, std::uint64_t base, std::size_t header)
        : r_(r), base_(base), cap_(kPiece - header) {}

    bool Put(const char* p, std::size_t n) {
        if (r_.WriteConvert == nullptr) return WriteRaw(p, n);
        while (n > 0) {
            const std::size_t take = std::min(n, cap_ - piece_.size());
            piece_.append(p, take);
            p += take;
            n -= take;
            if (piece_.size() == cap_ && !FlushPiece()) return false;
        }
        return true;
    }

    bool Finish() { return piece_.empty() || FlushPiece(); }

    std::uint64_t Written() const { return written_ + piece_.size(); }
    bool Failed() const { return failed_; }

private:
    bool FlushPiece() {
        r_.WriteConvert(piece_.data(), static_cast<std::uint16_t>(piece_.size()));
        const bool ok = WriteRaw(piece_.data(), piece_.size());
        piece_.clear();
        cap_ = kPiece;
        return ok;
    }

    bool WriteRaw(const char* p, std::size_t n) {
        if (n == 0) return true;
        const int code = r_.Dest->WriteAt(base_ + written_, p, n);
        if (code != 0) {
            MemoError(code == os::kErrWriteFault ? kErrMemoWrite : static_cast<std::uint16_t>(code),
                      r_.DestName + kCopyContext);
            failed_ = true;
            return false;
        }
        written_ += n;
        return true;
    }

    TMemoCopyRequest& r_;
    std::uint64_t base_;
    std::size_t cap_;
    std::string piece_;
    std::uint64_t written_ = 0;
    bool failed_ = false;
};

// Where a source memo's data is and how it ends.
struct SourceMemo {
    bool group = false;
    std::uint64_t start = 0;  // first data byte
    std::uint64_t length = 0; // group: bytes of data
    std::uint32_t foxType = 1;
    std::uint64_t fileSize = 0;
};

// Calls emit(bytes, n) for the source data in order, after the read conversion (applied in the
// source's own pieces), until emit returns false. Text ends at its first 0x1A or NUL, or at the
// end of the file. False only after a reported read error.
template <class Emit>
bool ForEachSourcePiece(TMemoCopyRequest& r, const SourceMemo& s, std::vector<char>& buf,
                        Emit emit) {
    const bool convert = r.ReadConvert != nullptr;
    std::uint64_t at = s.start;
    std::uint64_t left = s.group ? s.length : s.fileSize - std::min(s.fileSize, s.start);
    std::size_t cap = convert ? (s.group ? kPiece - 8 : kPiece) : buf.size();
    while (left > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(cap, left));
        std::size_t got = 0;
        const int code = r.Source->ReadSomeAt(at, buf.data(), want, got);
        if (code != 0) {
            MemoError(ReadCode(code), r.SourceName + kCopyContext);
            return false;
        }
        if (got == 0) break;
        const std::size_t before = s.group ? got : BeforeNextGroup(buf.data(), got, at, s.start);
        if (convert) r.ReadConvert(buf.data(), static_cast<std::uint16_t>(got));
        if (!s.group) {
            const char* p = buf.data();
            const char* end =
                std::find_if(p, p + before, [](char c) { return c == 0x1A || c == 0; });
            if (end != p + got) {
                emit(p, static_cast<std::size_t>(end - p));
                return true;
            }
        }
        if (!emit(buf.data(), got)) return true;
        at += got;
        left -= got;
        if (convert) cap = kPiece;
    }
    return true;
}

// Memo text of page `from` in page `to`; the soft return (0x8D LF) keeps its bytes, as every
// other line end does.
std::string MemoTextInPage(std::string_view text, os::CodePage from, os::CodePage to,
                           std::string* lost) {
    std::string out;
    out.reserve(text.size());
    std::size_t b = 0;
    while (b < text.size()) {
        std::size_t e = text.find("\x8D\n", b);
        if (e == std::string_view::npos) e = text.size();
        out += TextInPage(text.substr(b, e - b), from, to, lost);
        if (e < text.size()) out += "\x8D\n";
        b = e + 2;
    }
    return out;
}

std::int32_t CopyMemoChecked(TMemoCopyRequest& r) {
    const std::uint64_t sbs = r.SourceBlockSize == 0 ? 512 : r.SourceBlockSize;
    SourceMemo s;
    int code = r.Source->Size(s.fileSize);
    if (code != 0) {
        MemoError(static_cast<std::uint16_t>(code), r.SourceName + kCopyContext);
        return 0;
    }
    const std::uint64_t at = AbsBlock(r.SourceBlock) * sbs;
    if (s.fileSize == 0 || at >= s.fileSize - 1) {
        MemoError(kErrMemoAddress,
                  r.SourceName + " Memo block # " + std::to_string(r.SourceBlock) + kCopyContext);
        return 0;
    }
    std::uint8_t h[8] = {};
    std::size_t got = 0;
    code = r.Source->ReadSomeAt(at, h, 8, got);
    if (code != 0) {
        MemoError(ReadCode(code), r.SourceName + kCopyContext);
        return 0;
    }
    // The memo's kind is decided by its bytes, as reading does: a dBASE IV or negative block
    // without a group header is text up to its 0x1A, never dropped.
    const bool foxPro = r.SourceFlavour == kMemoFoxPro;
    s.group = foxPro || (got == 8 && IsGroupSignature(h));
    s.start = s.group ? at + 8 : at;
    if (s.group && (got < 8 || !GroupLength(h, foxPro, s.start, s.fileSize, s.length))) {
        MemoError(kErrMemoAddress, DamagedMemoText(r.SourceName, r.SourceBlock) + kCopyContext);
        return 0;
    }
    if (foxPro) s.foxType = Be32(h);
    // A memo beyond the engine's limit (a text without its end mark in a huge file) is not
    // copied on and on.
    auto tooLong = [&r] {
        MemoError(kErrInvalidSize,
                  r.SourceName + " Memo block # " + std::to_string(r.SourceBlock) +
                      ": the memo is longer than " + std::to_string(MemoSizeLimit) +
                      " bytes, the most the program reads of one memo" + kCopyContext);
        return false;
    };
    if (s.group && s.length > MemoSizeLimit) {
        tooLong();
        return 0;
    }

    const bool convert = r.ReadConvert != nullptr || r.WriteConvert != nullptr;
    std::vector<char> buf;
    try {
        buf.resize(convert ? kPiece : kPlainChunk);
    } catch (const std::bad_alloc&) {
        MemoError(kErrNoMemory, r.SourceName + kCopyContext);
        return 0;
    }

    // A dBASE III destination holds text as text and end marks. Data that such a text cannot
    // carry (NUL or 0x1A bytes, a beginning that reads as a group header) keeps the group form,
    // marked by a negative block.
    bool destText = r.DestFlavour == kMemoDbase3;
    if (destText && s.group) {
        bool binary = false;
        std::uint64_t seen = 0;
        std::uint8_t head[4] = {};
        const bool ok = ForEachSourcePiece(r, s, buf, [&](const char* p, std::size_t n) {
            for (std::size_t i = 0; i < n && seen + i < 4; ++i)
                head[seen + i] = static_cast<std::uint8_t>(p[i]);
            seen += n;
            if (std::find_if(p, p + n, [](char c) { return c == 0x1A || c == 0; }) != p + n)
                binary = true;
            return !binary;
        });
        if (!ok) return 0;
        if (seen >= 4 && IsGroupSignature(head)) binary = true;
        destText = !binary;
    }

    const std::size_t header = destText ? 0 : 8;
    PieceWriter out(r, r.DestOffset + header, header);
    if (!destText) {
        // Placeholder until the length is known.
        const std::uint8_t zeros[8] = {};
        code = r.Dest->WriteAt(r.DestOffset, zeros, 8);
        if (code != 0) {
            MemoError(code == os::kErrWriteFault ? kErrMemoWrite : static_cast<std::uint16_t>(code),
                      r.DestName + kCopyContext);
            return 0;
        }
    }
    if (r.SourcePage != r.DestPage) {
        // Between code pages a text is converted whole (a line end never falls between two
        // pieces); data that is no text goes as it is.
        std::string all;
        bool whole = true;
        if (!ForEachSourcePiece(r, s, buf, [&](const char* p, std::size_t n) {
                if (all.size() + n > MemoSizeLimit) return whole = tooLong();
                all.append(p, n);
                return true;
            }) || !whole)
            return 0;
        if (IsTextBuffer(all.data(), all.size()))
            all = MemoTextInPage(all, r.SourcePage, r.DestPage, r.Lost);
        if (!out.Put(all.data(), all.size())) return 0;
    } else if (!ForEachSourcePiece(r, s, buf,
                                   [&](const char* p, std::size_t n) {
                                       if (out.Written() + n > MemoSizeLimit) return tooLong();
                                       return out.Put(p, n);
                                   }) ||
               out.Failed()) {
        return 0;
    }
    const std::size_t marks = destText && out.Written() > 0 ? kDbase3EndMarks.size() : 0;
    if (marks > 0 && !out.Put(kDbase3EndMarks.data(), marks)) return 0;
    if (!out.Finish()) return 0;
    const std::uint64_t length = out.Written() - marks;
    if (length == 0) return 0;
    if (length > 0xFFFFFFF0u) {
        MemoError(kErrMemoWrite, r.DestName + kCopyContext);
        return 0;
    }
    if (!destText) {
        std::uint8_t g[8];
        if (r.DestFlavour == kMemoFoxPro) {
            PutBe32(g, r.SourceFlavour == kMemoFoxPro ? s.foxType : 1);
            PutBe32(g + 4, static_cast<std::uint32_t>(length));
        } else {
            g[0] = 0xFF;
            g[1] = 0xFF;
            g[2] = 0x08;
            g[3] = 0x00;
            PutLe32(g + 4, static_cast<std::uint32_t>(length + 8));
        }
        code = r.Dest->WriteAt(r.DestOffset, g, 8);
        if (code != 0) {
            MemoError(code == os::kErrWriteFault ? kErrMemoWrite : static_cast<std::uint16_t>(code),
                      r.DestName + kCopyContext);
            return 0;
        }
    }
    const bool negate = r.DestFlavour == kMemoDbase3 && !destText;
    return negate ? -r.DestBlock : r.DestBlock;
}

std::int32_t CopyMemo(std::uint8_t sourceArea, std::int32_t block, bool sameBlock) {
    if (block == 0) return 0;
    if (CheckMemoArea("CopyMemo()")) return 0;
    TWorkArea& dest = *CurrentWorkArea();
    TWorkArea* src = WorkAreaSlot(sourceArea);
    if (src == nullptr || src->MemoFile == nullptr) {
        SetError(kErrMemoOperation,
                 (src == nullptr ? std::string() : src->FileName) + " No Memo Field [CopyMemo()]");
        return 0;
    }
    TMemoFile& dm = *dest.MemoFile;
    TMemoFile& sm = *src->MemoFile;
    const std::uint64_t offset = LockMemoPadAndSeekEOF("CopyMemo()");
    if (offset == 0) return 0;

    TMemoCopyRequest r;
    r.Source = &sm.File;
    r.Dest = &dm.File;
    r.SourceName = sm.FileName;
    r.DestName = dm.FileName;
    r.SourceBlockSize = sm.BlockSize;
    r.DestBlockSize = dm.BlockSize;
    r.SourceFlavour = sm.Flavour;
    r.DestFlavour = dm.Flavour;
    r.SourceBlock = block;
    r.WriteConvert = dest.WriteHook;
    r.ReadConvert = src->ReadHook;
    r.DestDbase3 = dm.Flavour == kMemoDbase3;
    r.SourcePage = src->Page;
    r.DestPage = dest.Page;
    r.Lost = &AppendLost;
    const std::uint64_t bs = dm.BlockSize == 0 ? 512 : dm.BlockSize;
    std::uint64_t start = offset;
    if (sameBlock)
        start = AbsBlock(block) * bs;
    else if (dm.Flavour == kMemoDbase3 && offset == 513)
        start = 512; // a new file: the first memo overwrites its end mark
    if (start / bs > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        MemoError(kErrMemoWrite, dm.FileName + kCopyContext);
        return 0;
    }
    r.DestOffset = start;
    r.DestBlock = static_cast<std::int32_t>(start / bs);

    const std::int32_t result = CopyMemoData(r);
    if (LastErrorCode != 0) return 0;
    UpdateMemoHeader();
    if (LastErrorCode != 0) return 0;
    CommitMemofile();
    return LastErrorCode != 0 ? 0 : result;
}

std::int32_t CopyAppendHook(std::uint8_t sourceArea, std::int32_t block) {
    return CopyMemo(sourceArea, block, false);
}

std::int32_t CopySameBlockHook(std::uint8_t sourceArea, std::int32_t block) {
    return CopyMemo(sourceArea, block, true);
}

// ---- packing ----

struct MemoRef {
    std::int32_t record;
    std::uint16_t field; // index into TWorkArea::Fields
    std::int32_t oldBlock;
    std::int32_t newBlock;
    std::string oldText; // the field as it was, restored on a rollback
};

struct PackState {
    TWorkArea& area;
    TMemoFile& memo;
    os::File file; // the new memo file
    std::string newName;
    std::uint64_t oldSize = 0;
    TMemoCopyRequest request;
};

// Decimal text of a memo block right-aligned in a field of len characters (blanks for none).
std::string BlockText(std::int32_t block, std::size_t len) {
    std::string digits = block == 0 ? std::string() : std::to_string(block);
    if (digits.size() > len) digits.clear();
    return std::string(len - digits.size(), ' ') + digits;
}

std::int32_t ParseBlock(const char* p, std::size_t n) {
    std::size_t b = 0;
    while (b < n && (p[b] == ' ' || p[b] == '\0'))
        ++b;
    std::size_t e = n;
    while (e > b && (p[e - 1] == ' ' || p[e - 1] == '\0'))
        --e;
    std::int32_t v = 0;
    const auto res = std::from_chars(p + b, p + e, v);
    if (res.ec != std::errc() || res.ptr != p + e) return 0;
    return v;
}

// The record as the engine's conversion routine shows it (stored bytes unchanged when none).
void ToView(const TWorkArea& a, std::vector<char>& bytes) {
    if (a.ReadHook != nullptr && bytes.size() > 1)
        a.ReadHook(bytes.data() + 1, static_cast<std::uint16_t>(bytes.size() - 1));
}

void ToStored(const TWorkArea& a, std::vector<char>& bytes) {
    if (a.WriteHook != nullptr && bytes.size() > 1)
        a.WriteHook(bytes.data() + 1, static_cast<std::uint16_t>(bytes.size() - 1));
}

// The pack file's block size, and its size so far; false (reported) when that cannot be had.
bool PackFileSize(PackState& st, std::uint64_t& bs, std::uint64_t& size) {
    bs = st.memo.BlockSize == 0 ? 512 : st.memo.BlockSize;
    size = 0;
    const int code = st.file.Size(size);
    if (code == 0) return true;
    MemoError(static_cast<std::uint16_t>(code), st.newName + " [PackMemo]");
    return false;
}

std::int32_t PackMemo(PackState& st, std::int32_t block, std::int32_t record) {
    TMemoFile& m = st.memo;
    std::uint64_t bs = 0;
    std::uint64_t size = 0;
    if (!PackFileSize(st, bs, size)) return 0;
    if (m.Flavour == kMemoDbase3 && size == 513) {
        size = 512;
    } else {
        const std::uint64_t padded = size < bs ? bs : (size + bs - 1) / bs * bs;
        if (padded > size) {
            const std::vector<char> zeros(static_cast<std::size_t>(padded - size), '\0');
            const int code = st.file.WriteAt(size, zeros.data(), zeros.size());
            if (code != 0) {
                MemoError(code == os::kErrWriteFault ? kErrMemoWrite
                                                     : static_cast<std::uint16_t>(code),
                          st.newName + " [PackMemo]");
                return 0;
            }
            size = padded;
        }
    }
    if (AbsBlock(block) * bs >= st.oldSize - std::min<std::uint64_t>(st.oldSize, 1)) {
        MemoError(kErrMemoAddress, m.FileName + " Memo block # " + std::to_string(block) +
                                       " Record # " + std::to_string(record) + " [PackMemo]");
        return 0;
    }
    if (size / bs > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        MemoError(kErrMemoWrite, st.newName + " [PackMemo]");
        return 0;
    }
    st.request.SourceBlock = block;
    st.request.DestOffset = size;
    st.request.DestBlock = static_cast<std::int32_t>(size / bs);
    return CopyMemoData(st.request);
}

// Next free block into the header, then flushed and closed.
bool FinishPackFile(PackState& st) {
    TMemoFile& m = st.memo;
    std::uint64_t bs = 0;
    std::uint64_t size = 0;
    if (!PackFileSize(st, bs, size)) return false;
    const std::uint64_t next = m.Flavour == kMemoDbase3 && size == 513
                                   ? 1
                                   : std::max<std::uint64_t>(1, (size + bs - 1) / bs);
    std::uint8_t b[4];
    const auto next32 = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, 0xFFFFFFFFu));
    if (m.Flavour == kMemoFoxPro)
        PutBe32(b, next32);
    else
        PutLe32(b, next32);
    int code = st.file.WriteAt(0, b, 4);
    if (code == 0) code = st.file.Flush();
    const int closeCode = st.file.Close();
    if (code == 0) code = closeCode;
    if (code != 0) {
        MemoError(code == os::kErrWriteFault ? kErrWriteFault : static_cast<std::uint16_t>(code),
                  st.newName + " [PackMemo]");
        return false;
    }
    return true;
}

// Writes the memo fields of the first `limit` records in refs (ordered by record): the new
// blocks, or the old field texts when back is set. 0 or the I/O code; done counts the records
// written.
int RewriteFields(TWorkArea& a, const std::vector<MemoRef>& refs, bool back, std::size_t limit,
                  std::size_t& done) {
    done = 0;
    std::vector<char> bytes;
    std::size_t i = 0;
    std::size_t records = 0;
    while (i < refs.size() && records < limit) {
        const std::int32_t rec = refs[i].record;
        int code = ReadStoredRecord(a, rec, bytes);
        if (code != 0) return code;
        ToView(a, bytes);
        bool changed = false;
        for (; i < refs.size() && refs[i].record == rec; ++i) {
            const MemoRef& r = refs[i];
            if (!back && r.newBlock == r.oldBlock) continue;
            const TDbfFieldDesc& f = a.Fields[r.field];
            const std::string text = back ? r.oldText : BlockText(r.newBlock, f.Length);
            std::memcpy(bytes.data() + f.Offset, text.data(), text.size());
            changed = true;
        }
        if (changed) {
            ToStored(a, bytes);
            code = a.File.WriteAt(std::uint64_t{a.HeaderLength} +
                                      std::uint64_t(rec - 1) * a.RecordLength,
                                  bytes.data(), bytes.size());
            if (code != 0) return code;
        }
        ++records;
        done = records;
    }
    return 0;
}

void RemoveQuietly(const std::string& name) {
    if (!name.empty()) os::RemoveFile(name);
}

// The first failure of a pack, reported once the files are in a sound state, and the first
// memo pointer outside the file (reported when the pack is otherwise done).
struct PackOutcome {
    std::uint16_t failCode = 0;
    std::string failText;
    std::uint16_t badCode = 0;
    std::string badText;

    bool Ok() const { return failCode == 0; }
    void Fail() {
        failCode = LastErrorCode;
        failText = ErrorText;
    }
    void Fail(std::uint16_t code, const std::string& text) {
        SetError(code, text);
        Fail();
    }
};

const char* const kPackWhere = " [PackMemofile]";

// The old file's size, and room for its copy on the disk.
void CheckPackSpace(PackState& st, PackOutcome& out) {
    const TMemoFile& m = st.memo;
    if (const int code = m.File.Size(st.oldSize); code != 0)
        out.Fail(static_cast<std::uint16_t>(code), m.FileName + kPackWhere);
    else if (static_cast<double>(st.oldSize / 1024) > DiskFree(m.FileName))
        out.Fail(kErrMemoPackSpace, m.FileName + kPackWhere);
}

// The new, empty memo file beside the real file (a symbolic link stays a link), with the old
// file's permissions.
void CreatePackFile(PackState& st, const std::string& target, PackOutcome& out) {
    const TMemoFile& m = st.memo;
    LastErrorCode = 0;
    CreateMemoFile(st.newName, m.Flavour, m.BlockSize, "PackMemofile");
    if (LastErrorCode != 0) {
        out.Fail();
        return;
    }
    if (const int code = st.file.Open(st.newName, 18); code != 0) {
        out.Fail(static_cast<std::uint16_t>(code), st.newName + kPackWhere);
        return;
    }
    std::error_code ec;
    const auto perms = std::filesystem::status(target, ec).permissions();
    if (!ec) std::filesystem::permissions(st.newName, perms, ec);
}

// The memo references of every record, in record order.
std::vector<MemoRef> CollectMemoRefs(TWorkArea& a, PackOutcome& out) {
    std::vector<MemoRef> refs;
    std::vector<std::uint16_t> memoFields;
    for (std::size_t i = 0; i < a.Fields.size(); ++i)
        if (a.Fields[i].Type == 'M' &&
            std::size_t{a.Fields[i].Offset} + a.Fields[i].Length <= a.RecordLength)
            memoFields.push_back(static_cast<std::uint16_t>(i));
    std::vector<char> bytes;
    for (std::int32_t rec = 1; rec <= a.RecordCount; ++rec) {
        if (const int code = ReadStoredRecord(a, rec, bytes); code != 0) {
            out.Fail(static_cast<std::uint16_t>(code), a.FileName + kPackWhere);
            break;
        }
        ToView(a, bytes);
        for (std::uint16_t f : memoFields) {
            const TDbfFieldDesc& d = a.Fields[f];
            const std::int32_t block = ParseBlock(bytes.data() + d.Offset, d.Length);
            if (block != 0)
                refs.push_back({rec, f, block, 0, std::string(bytes.data() + d.Offset, d.Length)});
        }
    }
    return refs;
}

// Copies every referenced memo into the new file; a pointer outside the old file is noted,
// and its field becomes blank.
void CopyPackMemos(PackState& st, std::vector<MemoRef>& refs, PackOutcome& out) {
    const TWorkArea& a = st.area;
    TMemoFile& m = st.memo;
    TMemoCopyRequest& r = st.request;
    r.Source = &m.File;
    r.Dest = &st.file;
    r.SourceName = m.FileName;
    r.DestName = st.newName;
    r.SourceBlockSize = r.DestBlockSize = m.BlockSize;
    r.SourceFlavour = r.DestFlavour = m.Flavour;
    r.WriteConvert = a.WriteHook;
    r.ReadConvert = a.ReadHook;
    r.DestDbase3 = m.Flavour == kMemoDbase3;
    for (MemoRef& ref : refs) {
        LastErrorCode = 0;
        ref.newBlock = PackMemo(st, ref.oldBlock, ref.record);
        if (LastErrorCode == kErrMemoAddress) {
            if (out.badCode == 0) {
                out.badCode = LastErrorCode;
                out.badText = ErrorText;
            }
        } else if (LastErrorCode != 0) {
            out.Fail();
            return;
        }
    }
}

// The new file replaces the old one, which stays reachable under the backup name until the
// memo fields point into the new one; a failure on the way brings back the old file and the
// old field texts. True when the new file took the old one's place for good.
bool SwapPackFile(PackState& st, const std::vector<MemoRef>& refs, const std::string& target,
                  const std::string& backup, PackOutcome& out) {
    TWorkArea& a = st.area;
    TMemoFile& m = st.memo;
    bool swapped = false;
    bool haveBackup = false;
    const os::OpenMode mode = m.File.Mode();
    m.File.Close();
    m.Locked = false;
    RemoveQuietly(backup);
    std::error_code ec;
    std::filesystem::create_hard_link(target, backup, ec);
    haveBackup = !ec;
    if (!haveBackup && os::RenameOver(target, backup) == 0) haveBackup = true;
    int code = haveBackup ? os::RenameOver(st.newName, target) : os::kErrAccessDenied;
    if (code != 0) {
        // The old file keeps its name: back from the backup name, or the extra link goes.
        if (haveBackup) {
            if (!os::FileExists(target)) {
                if (os::RenameOver(backup, target) == 0) haveBackup = false;
            } else {
                RemoveQuietly(backup);
                haveBackup = false;
            }
        }
        out.Fail(static_cast<std::uint16_t>(code), target + kPackWhere);
    } else {
        swapped = true;
        code = m.File.Open(m.FileName, mode);
        if (code != 0)
            out.Fail(static_cast<std::uint16_t>(code),
                     "Memo file not found: " + m.FileName + kPackWhere);
    }
    if (out.Ok()) {
        std::size_t done = 0;
        code = RewriteFields(a, refs, false, refs.size(), done);
        if (code == 0) code = a.File.Flush();
        if (code != 0) {
            out.Fail(static_cast<std::uint16_t>(code), a.FileName + kPackWhere);
            std::size_t undone = 0;
            RewriteFields(a, refs, true, done + 1, undone);
            a.File.Flush();
        }
    }
    if (!out.Ok() && swapped) {
        // Back to the old file and the old fields.
        m.File.Close();
        if (os::RenameOver(backup, target) == 0) haveBackup = false;
    }
    if (!m.File.IsOpen() && m.File.Open(m.FileName, mode) != 0) {
        if (out.Ok()) out.Fail(kErrFileNotFound, "Memo file not found: " + m.FileName + kPackWhere);
        out.failText = "Memo file not found: " + m.FileName + kPackWhere;
        delete a.MemoFile;
        a.MemoFile = nullptr;
    }
    if (haveBackup && out.Ok()) RemoveQuietly(backup);
    return swapped && out.Ok();
}

} // namespace

std::int32_t CopyMemoData(TMemoCopyRequest& request) {
    if (request.SourceBlock == 0) return 0;
    if (request.Source == nullptr || request.Dest == nullptr) {
        MemoError(kErrMemoOperation, request.SourceName + kCopyContext);
        return 0;
    }
    return CopyMemoChecked(request);
}

std::int32_t CopyMemoAppend(std::uint8_t sourceArea, std::int32_t block) {
    return CopyMemo(sourceArea, block, false);
}

std::int32_t CopyMemoSameBlock(std::uint8_t sourceArea, std::int32_t block) {
    return CopyMemo(sourceArea, block, true);
}

void PackMemofile() {
    if (CheckMemoArea("PackMemofile")) return;
    TWorkArea& a = *CurrentWorkArea();
    TMemoFile& m = *a.MemoFile;
    // A blob left open on the old file has nothing to point at afterwards.
    if (const TBlobDescriptor* d = CurrentBlob(); d != nullptr && d->Active) {
        ErrorReportingOff quiet;
        UnlockMemofile();
        CreateMemoDescriptor(false);
    }
    PackOutcome out;
    PackState st{a, m, {}, {}, 0, {}};
    {
        // Failures are collected in out and reported once the files are in a sound state.
        ErrorReportingOff quiet;
        CheckPackSpace(st, out);
        std::string target = m.FileName;
        std::error_code ec;
        const auto real = std::filesystem::canonical(m.FileName, ec);
        if (!ec) target = real.string();
        st.newName = ForceExt(target, "$$$");
        const std::string backup = ForceExt(target, "$$B");
        if (out.Ok()) CreatePackFile(st, target, out);
        std::vector<MemoRef> refs;
        if (out.Ok()) refs = CollectMemoRefs(a, out);
        if (out.Ok()) CopyPackMemos(st, refs, out);
        if (out.Ok()) {
            LastErrorCode = 0;
            if (!FinishPackFile(st)) out.Fail();
        }
        bool swapped = false;
        if (out.Ok())
            swapped = SwapPackFile(st, refs, target, backup, out);
        else
            st.file.Close();
        if (!swapped) RemoveQuietly(st.newName);
    }
    // The record in the buffer shows its new memo references.
    if (out.Ok() && a.RecNo >= 1 && a.RecNo <= a.RecordCount) {
        GetDbfRecord(a, a.RecNo);
        Scatter();
    }
    LastErrorCode = 0;
    if (!out.Ok())
        SetError(out.failCode, out.failText);
    else if (out.badCode != 0)
        SetError(out.badCode, out.badText);
}

void RegisterMemoPackHooks() {
    MemoHooks.PackMemofile = &PackMemofile;
    MemoHooks.CopyMemoAppend = &CopyAppendHook;
    MemoHooks.CopyMemoSameBlock = &CopySameBlockHook;
}

} // namespace dbf
