#pragma once
// Text helpers of the engine. Texts are single-byte strings, as record buffers and keys are: a
// table's texts in the table's own code page, the engine's own (keywords, names) in Windows
// 1252, whose case rules the helpers without a page apply. Number texts use DecimalChar and
// never depend on the C locale.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/codepage.h"

namespace dbf {

std::string RTrim(std::string_view s); // trailing blanks and control characters removed
std::string LTrim(std::string_view s); // leading blanks and control characters removed
std::string RTrimStr(std::string_view s);
std::string LTrimStr(std::string_view s);
std::string AllTrim(std::string_view s); // characters of code 32 or less removed at both ends

std::string TzUpperStr(std::string_view s);
char UpCaseChar(char c);
char LoCaseChar(char c);
bool IsAlphaStr(std::string_view s);

int CountStr(std::string_view sub, std::string_view text);
int NthPos(int n, std::string_view sub, std::string_view text); // 1-based; 0 when absent
std::string Replicate(char c, int n);
std::string IifStr(bool condition, std::string_view a, std::string_view b);
std::string TzPadRight(std::string_view text, int width);
std::string IntToStrW(std::int64_t value, int width);
// Fixed-point text right-aligned in width (any magnitude; the buffer is sized for the value).
std::string FloatToStrLocal(long double value, int width, int decimals);

void NormalizeNumber(std::string& text);
long double StrToFloatLocal(std::string_view text);
std::int64_t StrToIntLocal(std::string_view text);
std::int16_t StrToSmallInt(std::string_view text);

bool RemoveWord(std::string_view word, std::string& text);
// The words of text, separated by runs of blanks and tabs, in their own letter case.
std::vector<std::string> BlankSeparatedWords(std::string_view text);
// 1-based position of buffer a within buffer b, compared without regard to case by the rules of
// page (both in it); 0 when absent.
int PosBuf(const char* a, std::size_t lengthA, const char* b, std::size_t lengthB,
           os::CodePage page = os::CodePage::Cp1252);

std::string AnsiToOemStr(std::string_view s);
std::string OemToAnsiStr(std::string_view s);

// The characters of a UTF-8 text that a table in page cannot hold and stores as "?", each
// once, in the order met: those the page lacks (and malformed bytes).
std::string UnstorableCharacters(std::string_view utf8, os::CodePage page);

// Bytes of page `from` in page `to` (one byte each); a character `to` lacks becomes "?" and is
// added to *lost (UTF-8, each character once) when lost is given.
std::string TextInPage(std::string_view bytes, os::CodePage from, os::CodePage to,
                       std::string* lost = nullptr);

// Fixed-point text of value with `decimals` decimals ('.' as the point), no padding. Any finite
// magnitude fits; NaN and infinities give an empty text.
std::string FixedText(long double value, int decimals);

} // namespace dbf
