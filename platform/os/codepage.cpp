#include "platform/os/codepage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "platform/os/codepage_tables.h"
#include "platform/os/utf8.h"

namespace os {

namespace {

using High = std::array<char16_t, 128>;

constexpr std::size_t Index(CodePage cp) {
    return static_cast<std::size_t>(cp);
}

constexpr const High& HighOf(CodePage cp) {
    return detail::kPageHigh[Index(cp)];
}

struct PageInfo {
    int number;
    const char* kind;
};

// In the order of CodePage.
constexpr std::array<PageInfo, kCodePageCount> kPages = {{
    {437, "DOS"},       {1252, "Windows"},  {737, "DOS"},       {850, "DOS"},
    {852, "DOS"},       {857, "DOS"},       {860, "DOS"},       {861, "DOS"},
    {863, "DOS"},       {865, "DOS"},       {866, "DOS"},       {874, "Thai"},
    {1250, "Windows"},  {1251, "Windows"},  {1253, "Windows"},  {1254, "Windows"},
    {1255, "Windows"},  {1256, "Windows"},  {1257, "Windows"},  {10000, "Macintosh"},
    {10006, "Macintosh"}, {10007, "Macintosh"}, {10029, "Macintosh"},
}};

struct Entry {
    char16_t unicode;
    unsigned char byte;
};
using ReverseTable = std::array<Entry, 128>;

constexpr ReverseTable MakeReverse(const High& high) {
    ReverseTable r{};
    for (std::size_t i = 0; i < 128; ++i)
        r[i] = {high[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(r.begin(), r.end(),
              [](const Entry& a, const Entry& b) { return a.unicode < b.unicode; });
    return r;
}

constexpr std::optional<unsigned char> Lookup(const ReverseTable& r, char32_t u) {
    if (u < 0x80) return static_cast<unsigned char>(u);
    if (u > 0xFFFF) return std::nullopt;
    const auto it = std::lower_bound(r.begin(), r.end(), u,
                                     [](const Entry& e, char32_t v) { return e.unicode < v; });
    if (it == r.end() || it->unicode != u) return std::nullopt;
    return it->byte;
}

constexpr char32_t CodePoint(const High& high, std::size_t b) {
    return b < 0x80 ? char32_t(b) : char32_t(high[b - 0x80]);
}

// Unicode's simple case mapping for the letters the pages hold (Latin, Greek, Cyrillic); a
// letter whose partner is more than one character (sharp s, n preceded by apostrophe, dotted
// capital I, Greek iota and upsilon with dialytika and tonos) has none here.
constexpr char32_t UnicodeUpper(char32_t u) {
    if (u >= 'a' && u <= 'z') return u - 32;
    if (u < 0xB5) return u;
    if (u == 0xB5) return 0x39C; // micro sign: Greek capital mu
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return u - 32;
    if (u == 0xFF) return 0x178;
    if (u >= 0x100 && u <= 0x17F) {
        if (u == 0x131) return 'I'; // dotless i
        if (u == 0x17F) return 'S'; // long s
        if (u == 0x130 || u == 0x138 || u == 0x149 || u == 0x178) return u;
        // Capitals on even code points, except in two runs where they are on odd ones.
        const bool oddCapitals = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        return (u % 2 == 0) == oddCapitals ? u - 1 : u;
    }
    if (u == 0x192) return 0x191;
    if (u == 0x3AC) return 0x386;
    if (u >= 0x3AD && u <= 0x3AF) return u - 37;
    if (u == 0x3C2) return 0x3A3; // final sigma
    if (u >= 0x3B1 && u <= 0x3CB) return u - 32;
    if (u == 0x3CC) return 0x38C;
    if (u == 0x3CD || u == 0x3CE) return u - 63;
    if (u >= 0x430 && u <= 0x44F) return u - 32;
    if (u >= 0x450 && u <= 0x45F) return u - 80;
    if (u == 0x491) return 0x490;
    return u;
}

constexpr char32_t UnicodeLower(char32_t u) {
    if (u >= 'A' && u <= 'Z') return u + 32;
    if (u < 0xC0) return u;
    if (u <= 0xDE && u != 0xD7) return u + 32;
    if (u == 0x178) return 0xFF;
    if (u >= 0x100 && u <= 0x17F) {
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return u;
        const bool oddCapitals = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        return (u % 2 == 1) == oddCapitals ? u + 1 : u;
    }
    if (u == 0x191) return 0x192;
    if (u == 0x386) return 0x3AC;
    if (u >= 0x388 && u <= 0x38A) return u + 37;
    if (u == 0x38C) return 0x3CC;
    if (u == 0x38E || u == 0x38F) return u + 63;
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return u + 32;
    if (u >= 0x400 && u <= 0x40F) return u + 80;
    if (u >= 0x410 && u <= 0x42F) return u + 32;
    if (u == 0x490) return 0x491;
    return u;
}

// Letters (Unicode categories L*) among the characters the pages hold.
constexpr bool UnicodeIsLetter(char32_t u) {
    struct Range {
        char32_t first, last;
    };
    constexpr Range letters[] = {
        {'A', 'Z'},       {'a', 'z'},       {0xAA, 0xAA},     {0xB5, 0xB5},
        {0xBA, 0xBA},     {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x24F},
        {0x2B0, 0x2C1},   {0x2C6, 0x2D1},   {0x2E0, 0x2E4},   {0x386, 0x386},
        {0x388, 0x38A},   {0x38C, 0x38C},   {0x38E, 0x3A1},   {0x3A3, 0x3F5},
        {0x400, 0x481},   {0x48A, 0x52F},   {0x5D0, 0x5EA},   {0x5EF, 0x5F2},
        {0x620, 0x64A},   {0x66E, 0x66F},   {0x671, 0x6D3},   {0x6D5, 0x6D5},
        {0xE01, 0xE30},   {0xE32, 0xE33},   {0xE40, 0xE46},   {0x207F, 0x207F},
        {0xFB01, 0xFB02},
    };
    for (const Range& r : letters)
        if (u >= r.first && u <= r.last) return true;
    return false;
}

struct PageTables {
    ReverseTable reverse;
    ByteTable upper;
    ByteTable lower;
    std::array<bool, 256> letter;
};

constexpr PageTables MakePageTables(const High& high) {
    PageTables t{};
    t.reverse = MakeReverse(high);
    for (std::size_t b = 0; b < 256; ++b) {
        const char32_t u = CodePoint(high, b);
        const auto byte = static_cast<unsigned char>(b);
        t.upper[b] = Lookup(t.reverse, UnicodeUpper(u)).value_or(byte);
        t.lower[b] = Lookup(t.reverse, UnicodeLower(u)).value_or(byte);
        t.letter[b] = UnicodeIsLetter(u);
    }
    return t;
}

template <std::size_t... I> constexpr auto MakeAll(std::index_sequence<I...>) {
    return std::array<PageTables, sizeof...(I)>{MakePageTables(detail::kPageHigh[I])...};
}

const std::array<PageTables, kCodePageCount>& AllTables() {
    static const auto all = MakeAll(std::make_index_sequence<kCodePageCount>{});
    return all;
}

const PageTables& TablesOf(CodePage cp) {
    return AllTables()[Index(cp)];
}

constexpr ByteTable MakeCross(const High& fromHigh, const ReverseTable& to) {
    ByteTable t{};
    for (std::size_t b = 0; b < 256; ++b)
        t[b] = Lookup(to, CodePoint(fromHigh, b)).value_or(static_cast<unsigned char>('?'));
    return t;
}

constexpr ReverseTable kCp437Reverse = MakeReverse(HighOf(CodePage::Cp437));
constexpr ReverseTable kCp1252Reverse = MakeReverse(HighOf(CodePage::Cp1252));
constexpr ByteTable kOemToAnsi = MakeCross(HighOf(CodePage::Cp437), kCp1252Reverse);
constexpr ByteTable kAnsiToOem = MakeCross(HighOf(CodePage::Cp1252), kCp437Reverse);

void MapBuff(const ByteTable& t, char* buf, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        buf[i] = static_cast<char>(t[static_cast<unsigned char>(buf[i])]);
}

std::string MapCopy(const ByteTable& t, std::string_view s) {
    std::string out(s);
    MapBuff(t, out.data(), out.size());
    return out;
}

const PageTables& Ansi() {
    return TablesOf(CodePage::Cp1252);
}

} // namespace

int CodePageNumber(CodePage cp) {
    return kPages[Index(cp)].number;
}

std::optional<CodePage> CodePageOfNumber(int number) {
    for (std::size_t i = 0; i < kPages.size(); ++i)
        if (kPages[i].number == number) return static_cast<CodePage>(i);
    return std::nullopt;
}

std::string CodePageName(CodePage cp) {
    const PageInfo& p = kPages[Index(cp)];
    return std::string("the ") + p.kind + " code page " + std::to_string(p.number);
}

char32_t ByteToUnicode(CodePage cp, unsigned char b) {
    return CodePoint(HighOf(cp), b);
}

std::optional<unsigned char> UnicodeToByte(CodePage cp, char32_t u) {
    return Lookup(TablesOf(cp).reverse, u);
}

std::string ToUtf8(CodePage cp, std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const High& high = HighOf(cp);
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
    const ReverseTable& r = TablesOf(cp).reverse;
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

const ByteTable& CrossTable(CodePage from, CodePage to) {
    // Every pair, made once (about 135 KB).
    using Pairs = std::array<ByteTable, kCodePageCount * kCodePageCount>;
    static const std::unique_ptr<const Pairs> all = [] {
        auto t = std::make_unique<Pairs>();
        for (std::size_t f = 0; f < kCodePageCount; ++f)
            for (std::size_t g = 0; g < kCodePageCount; ++g)
                (*t)[f * kCodePageCount + g] =
                    MakeCross(detail::kPageHigh[f], AllTables()[g].reverse);
        return t;
    }();
    return (*all)[Index(from) * kCodePageCount + Index(to)];
}

std::string ConvertPage(CodePage from, CodePage to, std::string_view bytes) {
    if (from == to) return std::string(bytes);
    return MapCopy(CrossTable(from, to), bytes);
}

unsigned char UpperByte(CodePage cp, unsigned char b) {
    return TablesOf(cp).upper[b];
}
unsigned char LowerByte(CodePage cp, unsigned char b) {
    return TablesOf(cp).lower[b];
}
bool IsLetterByte(CodePage cp, unsigned char b) {
    return TablesOf(cp).letter[b];
}
const ByteTable& UpperTable(CodePage cp) {
    return TablesOf(cp).upper;
}
const ByteTable& LowerTable(CodePage cp) {
    return TablesOf(cp).lower;
}
std::string UpperStr(CodePage cp, std::string_view s) {
    return MapCopy(UpperTable(cp), s);
}
std::string LowerStr(CodePage cp, std::string_view s) {
    return MapCopy(LowerTable(cp), s);
}

unsigned char AnsiUpper(unsigned char b) {
    return Ansi().upper[b];
}
unsigned char AnsiLower(unsigned char b) {
    return Ansi().lower[b];
}

bool AnsiIsAlpha(unsigned char b) {
    return Ansi().letter[b];
}

bool AnsiIsUpper(unsigned char b) {
    return Ansi().lower[b] != b;
}
bool AnsiIsLower(unsigned char b) {
    // Small letters without a capital in the page count too (f with hook, sharp s, micro sign,
    // the ordinal indicators).
    return Ansi().upper[b] != b || b == 0x83 || b == 0xAA || b == 0xB5 || b == 0xBA || b == 0xDF;
}

void AnsiUpperBuff(char* buf, std::size_t n) {
    MapBuff(Ansi().upper, buf, n);
}
void AnsiLowerBuff(char* buf, std::size_t n) {
    MapBuff(Ansi().lower, buf, n);
}
std::string AnsiUpperStr(std::string_view s) {
    return MapCopy(Ansi().upper, s);
}
std::string AnsiLowerStr(std::string_view s) {
    return MapCopy(Ansi().lower, s);
}

int AnsiCompareNoCase(std::string_view a, std::string_view b) {
    const ByteTable& up = Ansi().upper;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = up[static_cast<unsigned char>(a[i])];
        const int y = up[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

} // namespace os
