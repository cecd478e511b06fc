#pragma once
// Single-byte code pages at file boundaries: DOS 437 ("OEM") and Windows 1252 ("ANSI").
//
// Inside the program texts are UTF-8. Files keep the code page of their format; these tables
// convert at the boundary. Every conversion goes through Unicode, so a byte-to-byte conversion
// between the two pages maps a character to the same character; a character the target page
// lacks becomes '?'.
//
// Windows 1252 leaves the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined. Like the Windows
// conversion routines they map to the C1 control characters U+0081 ... U+009D and back, so
// reading and writing an "ANSI" text never loses a byte.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace os {

enum class CodePage {
    Cp437,  // DOS / OEM
    Cp1252, // Windows / ANSI
    // A DOS 437 table's texts as the DBF engine's record buffers hold them: the 1252 byte of
    // every character both pages have, and for each 437 character that 1252 lacks (box drawing,
    // Greek letters, signs) one of the 1252 bytes that 437 lacks. Nothing is lost either way.
    Cp437Record,
};

// Unicode code point of byte b in page cp. Every byte of both pages has one.
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

// In-place buffer conversions for the DBF engine's record buffers: n bytes at buf, one byte
// for one byte (the buffer length never changes).
void OemToAnsiBuff(char* buf, std::size_t n);
void AnsiToOemBuff(char* buf, std::size_t n);

// Copies of a byte string converted between the pages.
std::string OemToAnsi(std::string_view oem);
std::string AnsiToOem(std::string_view ansi);

// DOS 437 bytes <-> the record form (CodePage::Cp437Record), one byte for one byte and
// reversible: a record read and written back keeps every byte. Characters both pages have
// convert as OemToAnsi and AnsiToOem convert them.
void OemToRecordBuff(char* buf, std::size_t n);
void RecordToOemBuff(char* buf, std::size_t n);
std::string OemToRecord(std::string_view oem);
std::string RecordToOem(std::string_view record);

// Windows 1252 case rules for single bytes: the letters a-z, the accented letters
// 0xE0-0xFE (not 0xF7), and s/z caron, oe ligature and y diaeresis (0x9A, 0x9E, 0x9C, 0xFF)
// have capitals; sharp s (0xDF) and micro sign (0xB5) have none in the page and stay.
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
