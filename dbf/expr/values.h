#pragma once
// Value routines shared by the expression engine and the index engine: zero-terminated text
// helpers, the 12-byte packed-decimal numeric key, byte reversal and rotation, Soundex, Julian
// day numbers and their texts, and the pool of linked memory blocks.
//
// Julian day numbers count days of the proleptic Gregorian calendar with 0001-01-01 = 1721426;
// 0 is the blank date, 9999-12-31 = 5373484 the last date the engine accepts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbf {

// ---- text and byte helpers ----
inline const char* PtrOffset(const char* p, std::ptrdiff_t n) {
    return p + n;
}
inline char* PtrOffset(char* p, std::ptrdiff_t n) {
    return p + n;
}
std::size_t StrLen(const char* p);
void StrCopy(char* dest, const char* src);
// The zero-terminated text at p, at most n (and at most 255) characters.
std::string StrPasMax(const char* p, int n);
// The characters of s and a terminating zero; dest must hold s.size() + 1 bytes.
void StrPCopyZ(char* dest, std::string_view s);
// 0 when the first n bytes agree, else byte(a) - byte(b) at the first difference.
int CompareBytes(const void* a, const void* b, std::uint16_t n);
int CompareDoubles(double a, double b);
// n as an unsigned 16-bit number in decimal, zero-padded on the left to width w.
std::string TzIntToStrZero(int n, int w);
void ReverseBytes(void* p, std::size_t n);
// Exchanges the adjacent blocks of a and b bytes at p: the b-byte block comes first after it.
void RotateBytes(void* p, std::size_t a, std::size_t b);
inline bool IsUpperLetter(char c) {
    return c >= 'A' && c <= 'Z';
}
std::string UpperAscii(std::string_view s);
// Four-character Soundex code (R163 for ROBERT).
std::string Soundex(std::string_view s);
// The same into out[0..3], no allocation.
void SoundexChars(const char* s, std::size_t n, char out[4]);

// ---- packed decimals ----
// Byte 0 exponent (0x34 + digits before the point), byte 1 sign (bit 7), digit count (bits 2-6)
// and bit 0 always set, bytes 2..11 up to 20 digits, high nibble first.
using BcdKey = std::array<std::uint8_t, 12>;
inline constexpr std::uint8_t kBcdExponentBase = 0x34;

void StrToBcd(BcdKey& dest, std::string_view text, int length, int decimals);
void FloatToBcd(BcdKey& dest, int decimals, double x);
// -1, 0 or 1 as a is below, equal to or above b.
int BcdCompare(const BcdKey& a, const BcdKey& b);

// Fixed-point text of x with `decimals` places (negative: rounded to tens, hundreds, ...),
// rounded half away from zero on the shortest decimal text of x, so 2.675 gives 2.68 whatever
// its binary form. Writes at most kFixedTextMax characters to out (no terminator) and returns
// the count; NaN and infinities give 0 characters. decimals is limited to -320..255.
inline constexpr std::size_t kFixedTextMax = 600;
std::size_t FormatFixed(double x, int decimals, char* out);
// x rounded half away from zero at `decimals` places, decided on its decimal text.
double RoundDecimal(double x, int decimals);

// ---- dates ----
// Cumulative days before each month of a common year, index 1..13.
extern const std::array<int, 14> MonthTable;
inline constexpr std::int32_t kJulianBase = 1721425; // day 0 of the count
inline constexpr std::int32_t kJulianLast = 5373484; // 9999-12-31

// Day of year (1..366), or -1 for an invalid date.
int DayOfYear(int y, int m, int d);
std::int32_t DaysBeforeYear(int y);
void MonthDayOfYear(int day, bool leap, int& month, int& dayOfMonth);
// YYYYMMDD (first 8 characters) -> Julian day number; blank or invalid -> 0.
double DateStrToJulian(std::string_view text);
double JulianFromYMD(int y, int m, int d);
// Year, month and day of a Julian day number; false (all 0) outside 1721426..5373484.
bool JulianToYMD(double j, int& y, int& m, int& d);
// Display text in the current date format and year setting; blank outside the range.
std::string JulianToDateText(double j);
// YYYYMMDD, eight blanks outside the range.
std::string JulianToDateStr(double j);
// The same into out[0..7], no allocation.
void JulianToDateChars(double j, char out[8]);
// A date text in the current display format -> Julian day number (0 when invalid).
double DateTextToJulian(std::string_view text);
// A date text in the current display format -> YYYYMMDD (eight blanks for the blank date).
std::string DateTextToDtos(std::string_view text);

// ---- block pool ----
// A block is a 10-byte header followed by its payload. A list is named by a pointer to its
// newest block; the blocks form a ring in which each block's next is the following newer one
// and the newest block's next is the oldest.
struct PoolBlock {
    PoolBlock* Next;
    PoolBlock* Prev;
    std::uint16_t Size; // payload + 10
};
inline constexpr std::uint16_t kPoolHeader = 10;

inline void* PoolPayload(PoolBlock* b) {
    return reinterpret_cast<char*>(b) + sizeof(PoolBlock);
}
PoolBlock* PoolBlockOf(void* payload);

// Allocates a zeroed payload of size bytes linked as the newest block; nullptr when refused.
void* PoolAlloc(PoolBlock*& list, std::uint16_t size);
void PoolLink(PoolBlock*& list, PoolBlock* block);
// Removes the newest block and returns it (nullptr for an empty list).
PoolBlock* PoolUnlink(PoolBlock*& list);
// From nullptr the oldest block; from the newest nullptr; else the next newer block.
PoolBlock* PoolNext(PoolBlock* list, PoolBlock* block);
// Frees every block of the list and empties it.
void PoolFreeAll(PoolBlock*& list);

} // namespace dbf
