// Memo unit (`memo`): blob descriptors, memo fields read and written as byte streams.

#include "dbf/memo/blob.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "dbf/table/work_areas.h"
#include "dbf/memo/memo.h"
#include "dbf/memo/bytes.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "platform/os/codepage.h"

namespace dbf {

namespace {

constexpr std::size_t kPiece = 512;
constexpr std::int64_t kMaxPiece = 32767; // largest transfer handed on at once

std::uint64_t BlockSizeOf(const TMemoFile& m) {
    return m.BlockSize == 0 ? 512 : m.BlockSize;
}

void Reset(TBlobDescriptor& d, bool withBuffer) {
    std::vector<char> buffer = std::move(d.Buffer);
    d = TBlobDescriptor{};
    if (withBuffer) {
        buffer.assign(kPiece, '\0');
        d.Buffer = std::move(buffer);
    }
    d.BufferPiece = kNoPiece;
}

// Reports a blob failure and resets the descriptor.
void CheckBlobResult(std::uint16_t code, const std::string& context) {
    TWorkArea* a = CurrentWorkArea();
    TMemoFile* m = CurrentMemo();
    TBlobDescriptor* d = CurrentBlob();
    const std::uint32_t block = d == nullptr ? 0 : d->Block;
    if (d != nullptr) Reset(*d, false);
    MemoError(code, std::to_string(block) + " " + (m == nullptr ? std::string() : m->FileName) +
                        " Record # " + std::to_string(a == nullptr ? 0 : a->RecNo) + " [" +
                        context + "]");
}

std::uint64_t MemoStart(const TBlobDescriptor& d) {
    return d.DataStart - d.HeaderSize;
}

// Writes the held piece when it has bytes not yet on disk (through the write conversion).
bool FlushPiece(TWorkArea& a, TMemoFile& m, TBlobDescriptor& d) {
    if (!d.Dirty || d.BufferPiece == kNoPiece) return true;
    d.Dirty = false;
    const std::size_t from = d.BufferPiece == 0 ? d.HeaderSize : 0;
    if (d.BufferValid <= from) return true;
    std::vector<char> out(d.Buffer.begin() + static_cast<std::ptrdiff_t>(from),
                          d.Buffer.begin() + static_cast<std::ptrdiff_t>(d.BufferValid));
    if (a.WriteHook != nullptr) a.WriteHook(out.data(), static_cast<std::uint16_t>(out.size()));
    const int code =
        m.File.WriteAt(MemoStart(d) + d.BufferPiece * kPiece + from, out.data(), out.size());
    if (code != 0) {
        CheckBlobResult(WriteCode(code), "WriteBlobStream");
        return false;
    }
    return true;
}

// Makes piece n the held one: its memo bytes (up to `limit` bytes of the piece) read and passed
// through the read conversion.
bool LoadPiece(TWorkArea& a, TMemoFile& m, TBlobDescriptor& d, std::uint64_t n, std::size_t limit,
               const char* context) {
    if (d.BufferPiece == n) return true;
    if (!FlushPiece(a, m, d)) return false;
    d.BufferPiece = kNoPiece;
    d.BufferValid = 0;
    std::fill(d.Buffer.begin(), d.Buffer.end(), '\0');
    if (limit > 0) {
        std::size_t got = 0;
        const int code = m.File.ReadSomeAt(MemoStart(d) + n * kPiece, d.Buffer.data(),
                                           std::min(limit, kPiece), got);
        if (code != 0) {
            CheckBlobResult(ReadCode(code), context);
            return false;
        }
        d.BufferValid = got;
        const std::size_t from = n == 0 ? d.HeaderSize : 0;
        if (a.ReadHook != nullptr && got > from)
            a.ReadHook(d.Buffer.data() + from, static_cast<std::uint16_t>(got - from));
    }
    d.BufferPiece = n;
    return true;
}

// Reads up to n bytes of data at the position (no translation); a dBASE III text ends at its
// 0x1A, which makes the length known. -1 after a reported failure.
std::int64_t ReadData(TWorkArea& a, TMemoFile& m, TBlobDescriptor& d, char* dst, std::int64_t n) {
    std::int64_t done = 0;
    if (d.Buffer.empty()) {
        std::size_t got = 0;
        const int code =
            m.File.ReadSomeAt(d.DataStart + d.Position, dst, static_cast<std::size_t>(n), got);
        if (code != 0) {
            CheckBlobResult(ReadCode(code), "ReadBlobStream");
            return -1;
        }
        done = static_cast<std::int64_t>(got);
    } else {
        while (done < n) {
            const std::uint64_t at = d.HeaderSize + d.Position + static_cast<std::uint64_t>(done);
            const std::uint64_t piece = at / kPiece;
            std::size_t limit = kPiece;
            if (d.Length >= 0) {
                const std::uint64_t end = d.HeaderSize + static_cast<std::uint64_t>(d.Length);
                limit = end > piece * kPiece ? static_cast<std::size_t>(std::min<std::uint64_t>(
                                                   kPiece, end - piece * kPiece))
                                             : 0;
            }
            if (!LoadPiece(a, m, d, piece, limit, "ReadBlobStream")) return -1;
            const std::size_t in = static_cast<std::size_t>(at - piece * kPiece);
            if (in >= d.BufferValid) break;
            const std::size_t take = static_cast<std::size_t>(
                std::min<std::int64_t>(n - done, static_cast<std::int64_t>(d.BufferValid - in)));
            std::memcpy(dst + done, d.Buffer.data() + in, take);
            done += static_cast<std::int64_t>(take);
        }
    }
    if (d.Length < 0) {
        const void* end = std::memchr(dst, 0x1A, static_cast<std::size_t>(done));
        if (end != nullptr) {
            done = static_cast<const char*>(end) - dst;
            d.Length = static_cast<std::int64_t>(d.Position) + done;
        }
    }
    return done;
}

bool WriteData(TWorkArea& a, TMemoFile& m, TBlobDescriptor& d, const char* src, std::int64_t n) {
    if (d.Buffer.empty()) {
        const int code = m.File.WriteAt(d.DataStart + d.Position, src, static_cast<std::size_t>(n));
        if (code != 0) {
            CheckBlobResult(WriteCode(code), "WriteBlobStream");
            return false;
        }
        return true;
    }
    std::int64_t done = 0;
    while (done < n) {
        const std::uint64_t at = d.HeaderSize + d.Position + static_cast<std::uint64_t>(done);
        const std::uint64_t piece = at / kPiece;
        // Bytes of this piece written before (by this blob) are read back first, so that the
        // piece goes out whole through the conversion.
        const std::uint64_t written = d.HeaderSize + d.HighWater;
        const std::size_t limit = written > piece * kPiece
                                      ? static_cast<std::size_t>(std::min<std::uint64_t>(
                                            kPiece, written - piece * kPiece))
                                      : 0;
        if (!LoadPiece(a, m, d, piece, limit, "WriteBlobStream")) return false;
        const std::size_t in = static_cast<std::size_t>(at - piece * kPiece);
        const std::size_t take = static_cast<std::size_t>(
            std::min<std::int64_t>(n - done, static_cast<std::int64_t>(kPiece - in)));
        std::memcpy(d.Buffer.data() + in, src + done, take);
        d.BufferValid = std::max(d.BufferValid, in + take);
        d.Dirty = true;
        done += static_cast<std::int64_t>(take);
    }
    return true;
}

// Turns the plain dBASE III text written at the memo's first block into a group-headed memo
// (FF FF 08 00 + length, then the data), converting in the pieces of each layout.
bool MoveToGroup(TWorkArea& a, TMemoFile& m, TBlobDescriptor& d) {
    const std::uint64_t start = MemoStart(d);
    std::string data(static_cast<std::size_t>(d.HighWater), '\0');
    int code = m.File.ReadAt(start, data.data(), data.size());
    if (code != 0) {
        CheckBlobResult(ReadCode(code), "WriteBlobStream");
        return false;
    }
    Convert(a.ReadHook, data.data(), data.size(), kPiece);
    Convert(a.WriteHook, data.data(), data.size(), kPiece - 8);
    code = m.File.WriteAt(start + 8, data.data(), data.size());
    if (code != 0) {
        CheckBlobResult(WriteCode(code), "WriteBlobStream");
        return false;
    }
    return WriteGroupHeader(start, static_cast<std::uint32_t>(d.HighWater), m);
}

} // namespace

TBlobDescriptor* CurrentBlob() {
    TMemoFile* m = CurrentMemo();
    if (m == nullptr) return nullptr;
    if (!m->Blob) {
        auto d = std::make_shared<TBlobDescriptor>();
        d->BufferPiece = kNoPiece;
        m->Blob = d;
    }
    return static_cast<TBlobDescriptor*>(m->Blob.get());
}

bool IsTextBuffer(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 32) continue;
        if (c == 9 || c == 10 || c == 13 || c == 15 || c == 20 || c == 21) continue;
        return false;
    }
    return true;
}

void CreateMemoDescriptor(bool withBuffer) {
    if (TBlobDescriptor* d = CurrentBlob()) Reset(*d, withBuffer);
}

std::int32_t OpenBlob(bool translate, std::int32_t block, std::uint8_t mode) {
    if (CheckMemoArea("CreateBlobDescriptor")) return 0;
    TWorkArea& a = *CurrentWorkArea();
    TBlobDescriptor& d = *CurrentBlob();
    // A write blob left open by its caller is abandoned: its memo lock goes.
    if (d.Active && d.Mode == kBlobWrite) UnlockMemofile();
    Reset(d, a.ReadHook != nullptr || a.WriteHook != nullptr);
    d.TextMode = translate ? -1 : 0;
    return CreateBlobDescriptor(block, mode, 0);
}

std::int32_t CreateBlobDescriptor(std::int32_t block, std::uint8_t mode, std::int64_t size) {
    if (CheckMemoArea("CreateBlobDescriptor")) return 0;
    TMemoFile& m = *CurrentMemo();
    TBlobDescriptor& d = *CurrentBlob();
    const std::uint64_t bs = BlockSizeOf(m);
    const std::uint64_t absBlock =
        block < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(block))
                  : static_cast<std::uint64_t>(block);
    d.Block = static_cast<std::uint32_t>(std::min<std::uint64_t>(absBlock, 0xFFFFFFFFu));
    d.Mode = mode;
    d.Position = 0;
    d.HighWater = 0;
    d.PlainText = true;
    d.BufferPiece = kNoPiece;
    d.BufferValid = 0;
    d.Dirty = false;
    std::int32_t result = 0;

    if (mode == kBlobRead) {
        const std::uint64_t offset = absBlock * bs;
        std::uint64_t fileSize = 0;
        int code = m.File.Size(fileSize);
        if (code != 0) {
            CheckBlobResult(static_cast<std::uint16_t>(code), "CreateBlobDescriptor");
            return 0;
        }
        if (absBlock == 0 || fileSize == 0 || offset >= fileSize - 1) {
            CheckBlobResult(kErrMemoAddress, "CreateBlobDescriptor");
            return 0;
        }
        std::uint8_t h[8] = {};
        std::size_t got = 0;
        code = m.File.ReadSomeAt(offset, h, 8, got);
        if (code != 0) {
            CheckBlobResult(ReadCode(code), "CreateBlobDescriptor");
            return 0;
        }
        d.Length = -1;
        d.HeaderSize = 0;
        const bool foxPro = m.Flavour == kMemoFoxPro;
        if (foxPro || (got == 8 && IsGroupSignature(h))) {
            std::uint64_t length = 0;
            if (got < 8 || !GroupLength(h, foxPro, offset + 8, fileSize, length)) {
                CheckBlobResult(kErrMemoAddress, "CreateBlobDescriptor");
                return 0;
            }
            d.Length = static_cast<std::int64_t>(length);
            d.HeaderSize = 8;
        }
        d.DataStart = offset + d.HeaderSize;
        result = static_cast<std::int32_t>(absBlock);
        if (m.Flavour == kMemoDbase3 && d.HeaderSize == 8) result = -result;
    } else if (mode == kBlobWrite) {
        d.Length = -1;
        if (size > 0) {
            d.Length = size;
            if (static_cast<double>(size / 1024) >= DiskFree(m.FileName)) {
                CheckBlobResult(kErrMemoDiskFull, "CreateBlobDescriptor");
                return 0;
            }
        }
        const std::uint64_t offset = LockMemoPadAndSeekEOF("CreateBlobDescriptor");
        if (offset == 0) {
            Reset(d, false);
            return 0;
        }
        std::uint64_t first = (m.Flavour == kMemoDbase3 && offset == 513 ? 512 : offset) / bs;
        if ((m.Flavour == kMemoDbase4 || m.Flavour == kMemoLevel7) && size > 0) {
            if (size > 0x7FFFFFF0) {
                CheckBlobResult(kErrMemoDiskFull, "CreateBlobDescriptor");
                return 0;
            }
            const auto needed =
                static_cast<std::uint32_t>((static_cast<std::uint64_t>(size) + 8) / bs + 1);
            std::int32_t old =
                static_cast<std::int32_t>(std::min<std::uint64_t>(absBlock, 0x7FFFFFFF));
            if (old != 0) {
                std::int32_t count = old;
                std::array<std::uint8_t, 8> h{};
                if (!ReadGroupHeader(count, h)) {
                    Reset(d, false);
                    return 0;
                }
                if (!IsGroupSignature(h.data())) {
                    old = 0; // not a group: nothing to reuse or release
                } else if (needed > static_cast<std::uint32_t>(count)) {
                    FreeMemoBlocks(static_cast<std::uint32_t>(old),
                                   static_cast<std::uint32_t>(count));
                    if (LastErrorCode == 0) AddReleasedBlocks(static_cast<std::uint32_t>(count));
                    if (LastErrorCode != 0) {
                        Reset(d, false);
                        return 0;
                    }
                }
            }
            const std::int32_t got = AllocMemoBlocks(needed, old, " [CreateBlobDescriptor]");
            if (got <= 0) {
                if (LastErrorCode == 0) CheckBlobResult(kErrMemoWrite, "CreateBlobDescriptor");
                Reset(d, false);
                return 0;
            }
            first = static_cast<std::uint64_t>(got);
        }
        if (first == 0 ||
            first > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
            CheckBlobResult(kErrMemoWrite, "CreateBlobDescriptor");
            return 0;
        }
        d.Block = static_cast<std::uint32_t>(first);
        // dBASE III data starts as a plain text; DestroyBlobDescriptor gives it a group header
        // when it turns out not to be one.
        d.HeaderSize = m.Flavour == kMemoDbase3 ? 0 : 8;
        d.DataStart = first * bs + d.HeaderSize;
        result = static_cast<std::int32_t>(first);
    } else {
        Reset(d, false);
        return 0;
    }
    d.Active = true;
    return result;
}

std::int32_t ReadBlobStream(char* buffer, std::int32_t count) {
    TWorkArea* a = CurrentWorkArea();
    TMemoFile* m = CurrentMemo();
    TBlobDescriptor* d = CurrentBlob();
    if (a == nullptr || m == nullptr || d == nullptr || !d->Active || d->Mode != kBlobRead ||
        count < 1 || buffer == nullptr)
        return 0;
    std::uint64_t fileSize = 0;
    int code = m->File.Size(fileSize);
    if (code != 0) {
        CheckBlobResult(static_cast<std::uint16_t>(code), "ReadBlobStream");
        return 0;
    }
    const std::uint64_t at = d->DataStart + d->Position;
    std::int64_t n =
        std::min<std::int64_t>(count, at < fileSize ? static_cast<std::int64_t>(fileSize - at) : 0);
    if (d->Length >= 0)
        n = std::min<std::int64_t>(n, d->Length - static_cast<std::int64_t>(d->Position));
    // Callers keep what they read: a memo beyond the engine's limit is refused, not read on.
    if (n > 0 && d->Position + static_cast<std::uint64_t>(n) > MemoSizeLimit) {
        ReportMemoTooLong("ReadBlobStream");
        return 0;
    }
    std::int64_t total = 0;
    while (total < n) {
        const std::int64_t want = std::min<std::int64_t>(kMaxPiece, n - total);
        const bool unknown = d->Length < 0;
        const std::int64_t got = ReadData(*a, *m, *d, buffer + total, want);
        if (got < 0) return 0;
        char* piece = buffer + total;
        // The text test sees the data only: a dBASE III text is cut at its 0x1A first.
        if (d->TextMode == -1)
            d->TextMode = IsTextBuffer(piece, static_cast<std::size_t>(got)) ? 1 : 0;
        if (d->TextMode == 1) os::OemToAnsiBuff(piece, static_cast<std::size_t>(got));
        d->Position += static_cast<std::uint64_t>(got);
        total += got;
        if (got < want || (unknown && d->Length >= 0)) break;
    }
    return static_cast<std::int32_t>(total);
}

std::int32_t WriteBlobStream(const char* buffer, std::int32_t count) {
    TWorkArea* a = CurrentWorkArea();
    TMemoFile* m = CurrentMemo();
    TBlobDescriptor* d = CurrentBlob();
    if (a == nullptr || m == nullptr || d == nullptr || !d->Active || d->Mode != kBlobWrite ||
        count < 1 || buffer == nullptr)
        return 0;
    std::int64_t n = count;
    if (d->Length >= 0)
        n = std::min<std::int64_t>(n, d->Length - static_cast<std::int64_t>(d->Position));
    if (n < 1) return 0;
    if (d->Position > d->HighWater) d->PlainText = false; // a gap of zero bytes
    std::string piece;
    std::int64_t total = 0;
    while (total < n) {
        const std::int64_t len = std::min<std::int64_t>(kMaxPiece, n - total);
        piece.assign(buffer + total, static_cast<std::size_t>(len));
        if (d->TextMode == -1) d->TextMode = IsTextBuffer(piece.data(), piece.size()) ? 1 : 0;
        if (d->TextMode == 1) os::AnsiToOemBuff(piece.data(), piece.size());
        if (piece.find_first_of(std::string_view("\0\x1A", 2)) != std::string::npos)
            d->PlainText = false;
        if (!WriteData(*a, *m, *d, piece.data(), len)) return 0;
        d->Position += static_cast<std::uint64_t>(len);
        d->HighWater = std::max(d->HighWater, d->Position);
        total += len;
    }
    return static_cast<std::int32_t>(total);
}

std::int64_t SeekBlobStream(std::int64_t offset, int origin) {
    TWorkArea* a = CurrentWorkArea();
    TMemoFile* m = CurrentMemo();
    TBlobDescriptor* d = CurrentBlob();
    if (a == nullptr || m == nullptr || d == nullptr || !d->Active || d->Block == 0 || d->Mode == 0)
        return 0;
    std::int64_t pos = 0;
    switch (origin) {
    case 0:
        pos = offset;
        break;
    case 1:
        pos = static_cast<std::int64_t>(d->Position) + offset;
        break;
    case 2:
        if (d->Mode == kBlobWrite) {
            pos = static_cast<std::int64_t>(d->HighWater) + offset;
            break;
        }
        if (d->Length < 0) {
            // Read through once to find the end; position and text decision stay.
            const std::uint64_t saved = d->Position;
            std::uint64_t fileSize = 0;
            if (m->File.Size(fileSize) != 0) fileSize = d->DataStart;
            d->Position = 0;
            std::vector<char> scratch(kPiece);
            while (d->Length < 0 && d->DataStart + d->Position < fileSize) {
                if (d->Position > MemoSizeLimit) {
                    d->Position = saved;
                    ReportMemoTooLong("SeekBlobStream");
                    return 0;
                }
                const std::int64_t want = static_cast<std::int64_t>(
                    std::min<std::uint64_t>(kPiece, fileSize - d->DataStart - d->Position));
                const std::int64_t got = ReadData(*a, *m, *d, scratch.data(), want);
                if (got < 0) return 0;
                d->Position += static_cast<std::uint64_t>(got);
                if (got < want && d->Length < 0) break;
            }
            if (d->Length < 0) d->Length = static_cast<std::int64_t>(d->Position);
            d->Position = saved;
        }
        pos = d->Length + offset;
        break;
    default:
        return static_cast<std::int64_t>(d->Position);
    }
    if (pos < 0) pos = 0;
    d->Position = static_cast<std::uint64_t>(pos);
    return pos;
}

std::int32_t DestroyBlobDescriptor() {
    if (CheckMemoArea("DestroyBlobDescriptor")) return 0;
    TWorkArea& a = *CurrentWorkArea();
    TMemoFile& m = *CurrentMemo();
    TBlobDescriptor& d = *CurrentBlob();
    std::int32_t result = 0;
    if (d.Active && d.Mode == kBlobWrite) {
        if (!FlushPiece(a, m, d)) return 0;
        d.Dirty = false;
        if (d.HighWater > 0xFFFFFFF0u) {
            CheckBlobResult(kErrMemoWrite, "WriteBlobStream");
            return 0;
        }
        const auto length = static_cast<std::uint32_t>(d.HighWater);
        if (length > 0) {
            result = static_cast<std::int32_t>(d.Block);
            if (m.Flavour == kMemoDbase3) {
                if (d.PlainText) {
                    // The end marks and zero bytes to the end of their piece, through the
                    // conversion like the text before them.
                    const std::size_t marks = kDbase3EndMarks.size();
                    std::string end((length + marks + kPiece - 1) / kPiece * kPiece - length, '\0');
                    end.replace(0, marks, kDbase3EndMarks);
                    d.Position = length;
                    if (!WriteData(a, m, d, end.data(), static_cast<std::int64_t>(end.size())) ||
                        !FlushPiece(a, m, d))
                        return 0;
                } else {
                    if (!MoveToGroup(a, m, d)) return 0;
                    result = -result;
                }
            } else if (!WriteGroupHeader(MemoStart(d), length, m)) {
                Reset(d, false);
                return 0;
            }
        }
        UpdateMemoHeader();
        if (LastErrorCode == 0) CommitMemofile();
        if (LastErrorCode != 0) result = 0;
    }
    Reset(d, false);
    return result;
}

} // namespace dbf
