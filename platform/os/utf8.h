#pragma once
// UTF-8 helpers for texts with a capacity in characters ("at most 36 characters"):
// a capacity counts characters and never splits a multi-byte sequence.

#include <cstddef>
#include <string>
#include <string_view>

namespace os {

// Number of characters (code points) in a UTF-8 text. Stray continuation bytes count as
// one character each, so malformed input still has a defined length.
std::size_t Utf8Length(std::string_view s);

// Byte offset of the character with index n (0-based); s.size() when n >= Utf8Length(s).
std::size_t Utf8Offset(std::string_view s, std::size_t n);

// The first n characters of s.
std::string Utf8Left(std::string_view s, std::size_t n);

// The longest start of s of at most n bytes that does not end inside a multi-byte sequence.
std::string Utf8LeftBytes(std::string_view s, std::size_t n);

// Characters [first, first + count) of s (0-based, clipped to the text).
std::string Utf8Mid(std::string_view s, std::size_t first, std::size_t count);

// Appends the UTF-8 encoding of code point cp (U+FFFD for invalid values).
void Utf8Append(std::string& out, char32_t cp);

// Decodes the character at byte offset pos and advances pos past it. Malformed bytes give
// U+FFFD and advance one byte.
char32_t Utf8Next(std::string_view s, std::size_t& pos);

// True when a and b are equal but for the letter case of their single-byte characters
// (std::tolower, byte by byte); multi-byte characters must match exactly. For names and
// captions compared the way a person reads them ("&Ok" finds "&OK").
bool SameTextNoCase(std::string_view a, std::string_view b);

} // namespace os
