#pragma once
// Memo unit (`memo`): byte-level helpers shared by its files: field order of the stored headers,
// the engine codes of failed transfers, and the piecewise application of a conversion routine.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "dbf/base/errors.h"
#include "dbf/table/area_record.h"
#include "platform/os/errors.h"

namespace dbf {

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
