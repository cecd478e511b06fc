#pragma once
// Memo unit (`memo`): byte-level helpers shared by its files: field order of the stored headers,
// the engine codes of failed transfers, and the piecewise application of a conversion routine.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/base/errors.h"
#include "dbf/table/area_record.h"
#include "platform/os/errors.h"

namespace dbf {

// A dBASE III memo ends with two 0x1A, as that format's own writers end it; readers stop at
// the first one.
inline constexpr std::string_view kDbase3EndMarks{"\x1A\x1A", 2};

// Conversion routines always see memo data in pieces of this size.
inline constexpr std::size_t kMemoPiece = 512;

inline std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint32_t Be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

inline void PutLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void PutBe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// FF FF 08 00: the start of a group-headed memo.
inline bool IsGroupSignature(const std::uint8_t* h) {
    return h[0] == 0xFF && h[1] == 0xFF && h[2] == 0x08 && h[3] == 0x00;
}

// A memo without group header (dBASE III text) ends at its end mark 0x1A, at the end of the
// file, and at the latest where the next memo begins: a group header at a multiple of 64 bytes
// (every block size is one). Of the n raw bytes read at offset at, those before such a header
// (start: the memo's own first byte, which is never one).
inline std::size_t BeforeNextGroup(const char* p, std::size_t n, std::uint64_t at,
                                   std::uint64_t start) {
    for (std::uint64_t pos = (at + 63) / 64 * 64; pos + 4 <= at + n; pos += 64)
        if (pos > start && IsGroupSignature(reinterpret_cast<const std::uint8_t*>(p + (pos - at))))
            return static_cast<std::size_t>(pos - at);
    return n;
}

// The data length a group header stores (FoxPro: big-endian type and length; dBASE: FF FF 08 00
// and the total with the header), checked against the file: false when it is damaged (a dBASE
// total below 8, or more data than the file holds after start).
inline bool GroupLength(const std::uint8_t* h, bool foxPro, std::uint64_t start,
                        std::uint64_t fileSize, std::uint64_t& length) {
    const std::uint32_t stored = foxPro ? Be32(h + 4) : Le32(h + 4);
    if (!foxPro && stored < 8) return false;
    length = foxPro ? stored : stored - 8;
    return start <= fileSize && length <= fileSize - start;
}

// The message of a memo whose stored length is damaged.
inline std::string DamagedMemoText(const std::string& file, std::int64_t block) {
    return file + " Memo block # " + std::to_string(block) +
           ": the stored length does not fit the file";
}

// A read or write failure as the engine code: a short transfer is a device fault.
inline std::uint16_t ReadCode(int code) {
    return static_cast<std::uint16_t>(code == os::kErrReadFault || code == 0 ? kErrReadFault
                                                                             : code);
}
inline std::uint16_t WriteCode(int code) {
    return static_cast<std::uint16_t>(code == os::kErrWriteFault || code == 0 ? kErrWriteFault
                                                                              : code);
}

// Applies a conversion routine to data in pieces: the first `first` bytes, then kMemoPiece each.
inline void Convert(RecordHookProc hook, char* data, std::size_t n, std::size_t first) {
    if (hook == nullptr) return;
    std::size_t pos = 0;
    std::size_t piece = std::min(first, kMemoPiece);
    while (pos < n) {
        const std::size_t len = std::min(piece, n - pos);
        hook(data + pos, static_cast<std::uint16_t>(len));
        pos += len;
        piece = kMemoPiece;
    }
}

} // namespace dbf
