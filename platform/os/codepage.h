#pragma once
// Single-byte code pages at file boundaries: the DOS pages ("OEM", 437 and the others a dBASE
// table may name in its header), the Windows pages ("ANSI", 1252 ...) and the Macintosh pages.
//
// Inside the program texts are UTF-8. Files keep the code page of their format; these tables
// convert at the boundary. Every conversion goes through Unicode, so a byte-to-byte conversion
// between two pages maps a character to the same character; a character the target page
// lacks becomes '?'.
//
// A byte a page leaves undefined (0x81, 0x8D, 0x8F, 0x90 and 0x9D of Windows 1252) keeps a
// code point of its own, as the Windows conversion routines do: the C1 control of the same
// value for 0x80..0x9F, U+F700 + the byte above. Reading and writing a text never loses a byte.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace os {

enum class CodePage {
    Cp437,  // DOS / OEM, United States
    Cp1252, // Windows / ANSI, Western
    Cp737,  // DOS Greek
    Cp850,  // DOS Western European
    Cp852,  // DOS Central European
    Cp857,  // DOS Turkish
    Cp860,  // DOS Portuguese
    Cp861,  // DOS Icelandic
    Cp863,  // DOS French Canadian
    Cp865,  // DOS Nordic
    Cp866,  // DOS Cyrillic
    Cp874,  // Thai
    Cp1250, // Windows Central European
    Cp1251, // Windows Cyrillic
    Cp1253, // Windows Greek
    Cp1254, // Windows Turkish
    Cp1255, // Windows Hebrew
    Cp1256, // Windows Arabic
    Cp1257, // Windows Baltic
    Mac10000, // Macintosh Roman
    Mac10006, // Macintosh Greek
    Mac10007, // Macintosh Cyrillic
    Mac10029, // Macintosh Central European
};
inline constexpr std::size_t kCodePageCount = 23;

// The page's number (437, 1252, 10000 ...), and the page of a number (nothing for another).
int CodePageNumber(CodePage cp);
std::optional<CodePage> CodePageOfNumber(int number);
// "the DOS code page 850", "the Windows code page 1252", "the Macintosh code page 10000".
std::string CodePageName(CodePage cp);

// Unicode code point of byte b in page cp. Every byte of every page has one.
char32_t ByteToUnicode(CodePage cp, unsigned char b);

// Byte of page cp that holds code point u, or nothing when the page lacks it.
std::optional<unsigned char> UnicodeToByte(CodePage cp, char32_t u);

// Bytes in page cp -> UTF-8.
std::string ToUtf8(CodePage cp, std::string_view bytes);

// UTF-8 -> bytes in page cp; characters the page lacks (and malformed UTF-8) become '?'.
// One output byte per character.
std::string FromUtf8(CodePage cp, std::string_view utf8);

// Shorthands of the two above.
inline std::string Cp437ToUtf8(std::string_view s) {
    return ToUtf8(CodePage::Cp437, s);
}
inline std::string Utf8ToCp437(std::string_view s) {
    return FromUtf8(CodePage::Cp437, s);
}
inline std::string Cp1252ToUtf8(std::string_view s) {
    return ToUtf8(CodePage::Cp1252, s);
}
inline std::string Utf8ToCp1252(std::string_view s) {
    return FromUtf8(CodePage::Cp1252, s);
}

// Single byte DOS 437 -> Windows 1252 and back ('?' when the target page lacks the character).
unsigned char OemToAnsiChar(unsigned char b);
unsigned char AnsiToOemChar(unsigned char b);

// In-place buffer conversions: n bytes at buf, one byte for one byte (the buffer length never
// changes).
void OemToAnsiBuff(char* buf, std::size_t n);
void AnsiToOemBuff(char* buf, std::size_t n);

// Copies of a byte string converted between the pages.
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);

// Bytes of page `from` as bytes of page `to`, one byte for one byte; a character `to` lacks
// becomes '?'. The table is for converting many texts between the same two pages.
using ByteTable = std::array<unsigned char, 256>;
const ByteTable& CrossTable(CodePage from, CodePage to);
std::string ConvertPage(CodePage from, CodePage to, std::string_view bytes);

// Letter case of the bytes of one page by Unicode's simple case mapping: a letter becomes its
// capital (or small letter) where the page holds that character, else it stays, as do signs
// and letters whose case partner is more than one character (sharp s). A letter is what
// Unicode counts as one.
unsigned char UpperByte(CodePage cp, unsigned char b);
unsigned char LowerByte(CodePage cp, unsigned char b);
bool IsLetterByte(CodePage cp, unsigned char b);
const ByteTable& UpperTable(CodePage cp);
const ByteTable& LowerTable(CodePage cp);
std::string UpperStr(CodePage cp, std::string_view s);
std::string LowerStr(CodePage cp, std::string_view s);

// The case rules above for Windows 1252: the letters a-z, the accented letters 0xE0-0xFE (not
// 0xF7), and s/z caron, oe ligature and y diaeresis (0x9A, 0x9E, 0x9C, 0xFF) have capitals;
// sharp s (0xDF) and micro sign (0xB5) have none in the page and stay.
unsigned char AnsiUpper(unsigned char b);
unsigned char AnsiLower(unsigned char b);
bool AnsiIsAlpha(unsigned char b); // a Unicode letter of the page
bool AnsiIsUpper(unsigned char b);
bool AnsiIsLower(unsigned char b);

void AnsiUpperBuff(char* buf, std::size_t n);
void AnsiLowerBuff(char* buf, std::size_t n);
std::string AnsiUpperStr(std::string_view s);
std::string AnsiLowerStr(std::string_view s);

// Case-insensitive comparison of two byte strings by the rules above (<0, 0, >0 like memcmp
// on the upper-cased bytes).
int AnsiCompareNoCase(std::string_view a, std::string_view b);

} // namespace os
