#include "platform/os/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/os/utf8.h"

namespace os {

namespace {

// Code points of the bytes 0x80..0xFF; the bytes below 0x80 are ASCII in both pages.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr std::array<char16_t, 128> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};


struct Entry {
    char16_t unicode;
    unsigned char byte;
};
using ReverseTable = std::array<Entry, 128>;

constexpr ReverseTable MakeReverse(const std::array<char16_t, 128>& high) {
    ReverseTable r{};
    for (std::size_t i = 0; i < 128; ++i)
        r[i] = {high[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(r.begin(), r.end(),
              [](const Entry& a, const Entry& b) { return a.unicode < b.unicode; });
    return r;
}

constexpr ReverseTable kCp437Reverse = MakeReverse(kCp437High);
constexpr ReverseTable kCp1252Reverse = MakeReverse(kCp1252High);

constexpr std::optional<unsigned char> Lookup(const ReverseTable& r, char32_t u) {
    if (u < 0x80) return static_cast<unsigned char>(u);
    if (u > 0xFFFF) return std::nullopt;
    const auto it = std::lower_bound(r.begin(), r.end(), u,
                                     [](const Entry& e, char32_t v) { return e.unicode < v; });
    if (it == r.end() || it->unicode != u) return std::nullopt;
    return it->byte;
}

using ByteTable = std::array<unsigned char, 256>;

constexpr ByteTable MakeCross(const std::array<char16_t, 128>& fromHigh, const ReverseTable& to) {
    ByteTable t{};
    for (std::size_t b = 0; b < 256; ++b) {
        const char32_t u = b < 0x80 ? char32_t(b) : char32_t(fromHigh[b - 0x80]);
        t[b] = Lookup(to, u).value_or(static_cast<unsigned char>('?'));
    }
    return t;
}

constexpr ByteTable kOemToAnsi = MakeCross(kCp437High, kCp1252Reverse);
constexpr ByteTable kAnsiToOem = MakeCross(kCp1252High, kCp437Reverse);

// Windows 1252 letters that have a capital (or small letter) inside the page.
constexpr unsigned char UpperOf(unsigned char b) {
    if (b >= 'a' && b <= 'z') return static_cast<unsigned char>(b - 32);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<unsigned char>(b - 32);
    switch (b) {
    case 0x9A:
        return 0x8A; // s caron
    case 0x9C:
        return 0x8C; // oe
    case 0x9E:
        return 0x8E; // z caron
    case 0xFF:
        return 0x9F; // y diaeresis
    default:
        return b;
    }
}

constexpr ByteTable MakeUpper() {
    ByteTable t{};
    for (std::size_t b = 0; b < 256; ++b)
        t[b] = UpperOf(static_cast<unsigned char>(b));
    return t;
}

constexpr ByteTable MakeLower() {
    ByteTable t{};
    for (std::size_t b = 0; b < 256; ++b)
        t[b] = static_cast<unsigned char>(b);
    for (std::size_t b = 0; b < 256; ++b) {
        const unsigned char u = UpperOf(static_cast<unsigned char>(b));
        if (u != b) t[u] = static_cast<unsigned char>(b);
    }
    return t;
}

constexpr ByteTable kUpper = MakeUpper();
constexpr ByteTable kLower = MakeLower();

// The 437 characters that 1252 lacks, each on one of the 1252 bytes that 437 lacks. The two
// case pairs of the 437 page take case pairs of the 1252 page (upper-casing sigma gives Sigma);
// the others, in byte order, take first the bytes no case rule changes (signs, then capitals),
// so that an upper-cased key keeps them, and the small letters last.
constexpr ByteTable MakeOemToRecord() {
    ByteTable t = kOemToAnsi;
    constexpr std::array<std::array<unsigned char, 2>, 4> casePairs = {
        {{0xE4, 0x8A}, {0xE5, 0x9A}, {0xE8, 0x8C}, {0xED, 0x9C}}}; // Sigma sigma Phi phi
    std::array<bool, 256> taken{};
    for (const auto& p : casePairs) {
        t[p[0]] = p[1];
        taken[p[1]] = true;
    }
    std::array<unsigned char, 128> free{};
    std::size_t count = 0;
    for (int rank = 0; rank < 3; ++rank)
        for (std::size_t w = 0x80; w < 256; ++w) {
            const int r = kUpper[w] != w ? 2 : (kLower[w] != w ? 1 : 0);
            if (r == rank && !taken[w] && !Lookup(kCp437Reverse, kCp1252High[w - 0x80]))
                free[count++] = static_cast<unsigned char>(w);
        }
    std::size_t next = 0;
    for (std::size_t b = 0x80; b < 256; ++b) {
        bool paired = false;
        for (const auto& p : casePairs)
            paired = paired || p[0] == b;
        if (!paired && !Lookup(kCp1252Reverse, kCp437High[b - 0x80])) t[b] = free[next++];
    }
    return t;
}

constexpr ByteTable kOemToRecord = MakeOemToRecord();

constexpr ByteTable Inverse(const ByteTable& t) {
    ByteTable r{};
    for (std::size_t b = 0; b < 256; ++b)
        r[t[b]] = static_cast<unsigned char>(b);
    return r;
}

constexpr ByteTable kRecordToOem = Inverse(kOemToRecord);

constexpr std::array<char16_t, 128> MakeRecordHigh() {
    std::array<char16_t, 128> h{};
    for (std::size_t w = 0; w < 128; ++w)
        h[w] = kCp437High[kRecordToOem[0x80 + w] - 0x80];
    return h;
}

constexpr std::array<char16_t, 128> kCp437RecordHigh = MakeRecordHigh();
constexpr ReverseTable kCp437RecordReverse = MakeReverse(kCp437RecordHigh);

static_assert(Inverse(kRecordToOem) == kOemToRecord, "one byte for one byte, both ways");

const std::array<char16_t, 128>& High(CodePage cp) {
    switch (cp) {
    case CodePage::Cp437:
        return kCp437High;
    case CodePage::Cp437Record:
        return kCp437RecordHigh;
    default:
        return kCp1252High;
    }
}

const ReverseTable& Reverse(CodePage cp) {
    switch (cp) {
    case CodePage::Cp437:
        return kCp437Reverse;
    case CodePage::Cp437Record:
        return kCp437RecordReverse;
    default:
        return kCp1252Reverse;
    }
}

} // namespace

char32_t ByteToUnicode(CodePage cp, unsigned char b) {
    return b < 0x80 ? char32_t(b) : char32_t(High(cp)[b - 0x80]);
}

std::optional<unsigned char> UnicodeToByte(CodePage cp, char32_t u) {
    return Lookup(Reverse(cp), u);
}

std::string ToUtf8(CodePage cp, std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const auto& high = High(cp);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            Utf8Append(out, high[b - 0x80]);
    }
    return out;
}

std::string FromUtf8(CodePage cp, std::string_view utf8) {
    const ReverseTable& r = Reverse(cp);
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++pos;
            continue;
        }
        const char32_t u = Utf8Next(utf8, pos);
        out += static_cast<char>(Lookup(r, u).value_or(static_cast<unsigned char>('?')));
    }
    return out;
}

unsigned char OemToAnsiChar(unsigned char b) {
    return kOemToAnsi[b];
}
unsigned char AnsiToOemChar(unsigned char b) {
    return kAnsiToOem[b];
}

namespace {
void MapBuff(const ByteTable& t, char* buf, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        buf[i] = static_cast<char>(t[static_cast<unsigned char>(buf[i])]);
}

std::string MapCopy(const ByteTable& t, std::string_view s) {
    std::string out(s);
    MapBuff(t, out.data(), out.size());
    return out;
}
} // namespace

void OemToAnsiBuff(char* buf, std::size_t n) {
    MapBuff(kOemToAnsi, buf, n);
}
void AnsiToOemBuff(char* buf, std::size_t n) {
    MapBuff(kAnsiToOem, buf, n);
}
std::string OemToAnsi(std::string_view oem) {
    return MapCopy(kOemToAnsi, oem);
}
std::string AnsiToOem(std::string_view ansi) {
    return MapCopy(kAnsiToOem, ansi);
}

void OemToRecordBuff(char* buf, std::size_t n) {
    MapBuff(kOemToRecord, buf, n);
}
void RecordToOemBuff(char* buf, std::size_t n) {
    MapBuff(kRecordToOem, buf, n);
}
std::string OemToRecord(std::string_view oem) {
    return MapCopy(kOemToRecord, oem);
}
std::string RecordToOem(std::string_view record) {
    return MapCopy(kRecordToOem, record);
}

unsigned char AnsiUpper(unsigned char b) {
    return kUpper[b];
}
unsigned char AnsiLower(unsigned char b) {
    return kLower[b];
}

bool AnsiIsAlpha(unsigned char b) {
    if (kUpper[b] != b || kLower[b] != b) return true;
    // Letters without a case partner inside the page.
    return b == 0x83 || b == 0x88 || b == 0xAA || b == 0xB5 || b == 0xBA || b == 0xDF;
}

bool AnsiIsUpper(unsigned char b) {
    return kLower[b] != b;
}
bool AnsiIsLower(unsigned char b) {
    return kUpper[b] != b || b == 0x83 || b == 0xAA || b == 0xB5 || b == 0xBA || b == 0xDF;
}

void AnsiUpperBuff(char* buf, std::size_t n) {
    MapBuff(kUpper, buf, n);
}
void AnsiLowerBuff(char* buf, std::size_t n) {
    MapBuff(kLower, buf, n);
}
std::string AnsiUpperStr(std::string_view s) {
    return MapCopy(kUpper, s);
}
std::string AnsiLowerStr(std::string_view s) {
    return MapCopy(kLower, s);
}

int AnsiCompareNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = kUpper[static_cast<unsigned char>(a[i])];
        const int y = kUpper[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace os
