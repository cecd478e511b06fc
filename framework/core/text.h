#pragma once
// utilstr: numbers to text and back, small text helpers, DOS/Windows character conversions.
//
// Every number text of dialogs, listings, drawings and stored files is made here. Formatting
// reads the settings FloatDigits, DecimalSign, ListDecimalSign, UnitSystem, AngleFormat,
// DateCode, CharMode and CharsetMode; it never depends on the C locale.
//
// Texts are UTF-8. Lengths, positions and capacities count characters (code points), never
// bytes, so a multi-byte character is never split. Positions returned by LastPos are 1-based.
//
// The classic routines returned their text through a var parameter; here they return it.

#include <cstdint>
#include <string>
#include <string_view>

// ---- numbers to text -------------------------------------------------------------------------

// Integer and decimal digit counts that show x with n significant digits (trailing zeros of the
// decimals dropped). x = 0 is treated as 0.5.
void SignificantSplit(int& intDigits, int& decDigits, int n, long double x);

// Fixed-point text: rounded to `decimals` (half away from zero on the exact binary value),
// blank-padded in front to intDigits + decimals + 1 characters (intDigits when decimals <= 0).
// abs(x) < 1e-8 is written as 0. FloatDigits <> 3 adjusts the decimals by FloatDigits - 3
// (clamped to 0..10) unless a StoredFileFormat scope is active. DecimalSign 2 writes a comma.
std::string FloatToStrFix(int intDigits, int decimals, long double x);

// Fixed-point text of x with d decimals (d < 0 counts as 0), rounded half away from zero on the
// exact binary value; no padding, "." as decimal point, no "-" in front of a text that shows zero;
// "NAN", "INF", "-INF" for values that are not finite. Ignores every setting.
void AppendFixedPoint(std::string& out, long double x, int d);
std::string FixedPointText(long double x, int d);

std::string FloatToStrSig3(long double x);        // 3 significant digits; "0" for |x| <= 1e-5
std::string FloatToStrSigN(int k, long double x); // 3 - k significant digits
std::string FloatToStrSig6(long double x);        // FloatToStrSigN(-3, x)
std::string FloatToStrSig3Eng(long double x);     // engineering form outside [1e-5, 10000)
std::string FloatToStrEng(long double x);         // e.g. 123456 -> "123.5E3", 5e-5 -> "0.05E-3"
std::string FloatToStrDec(int decimals, long double x);
std::string FloatToStrSig3W(int width, long double x);     // right-aligned in `width` characters
std::string FloatToStrSigned(int decimals, long double x); // "+1.5", "-1.5", "" for 0

std::string AngleToDms(long double degrees);
std::string ToleranceValueToStr(long double mm);
std::string ToleranceToStr(long double upper, long double lower);

std::string LengthToStr(long double mm);
std::string LengthToStrDec(int n, long double mm);
std::string LengthToStr6(long double mm);
std::string LengthToStrFix(int intDigits, int decimals, long double mm);
long double StrToLength(std::string_view text);
std::string LengthUnitText(); // "mm" or "in"
std::string AngleUnitText();  // "deg" in transliteration mode, else the degree sign
std::string PlusMinusText();  // "+/-" in transliteration mode, else " ± "

// While one of these lives, FloatToStrFix (and everything built on it) ignores the display
// setting FloatDigits: values written into stored files keep their full precision whatever the
// user chose for the screen. Scopes nest.
class StoredFileFormat {
public:
    StoredFileFormat();
    ~StoredFileFormat();
    StoredFileFormat(const StoredFileFormat&) = delete;
    StoredFileFormat& operator=(const StoredFileFormat&) = delete;
};

// ---- integers to text ------------------------------------------------------------------------

std::string IntToString(long long n);
std::string IntToStrLeadZero(long long n, int width); // "07"; a longer text stays whole
std::string IntToStrLeadBlank(long long n, int width);

// ---- text to numbers -------------------------------------------------------------------------
// Leading and trailing blanks (and tabs) are ignored; "+1.5", ".5", "1e3" are accepted; the first
// "," counts as the decimal point. Text that does not convert whole gives 0; the bool& variants
// tell the caller whether it converted. Every number text the formatters here make reads back,
// however long (a real near the largest long double in fixed notation has 4933 digits).

long double StrToReal(std::string_view text);
long double ParseReal(std::string_view text, bool& ok);
long double ParseReal(std::string_view text);
std::int32_t StrToInteger(std::string_view text);
std::int32_t StrToInt32(std::string_view text);
std::int32_t ParseInteger(std::string_view text, bool& ok);
std::int32_t ParseInteger(std::string_view text);

// ---- text helpers ----------------------------------------------------------------------------

std::string UpperCaseStr(std::string_view text); // a..z only
std::string LowerCaseStr(std::string_view text); // A..Z only
// The access key of a menu or button caption in lower case (the character after the first single
// "&"); 0 when it has none or it is no ASCII character.
char AccessKey(std::string_view caption);
std::string LeftStr(std::string_view text, long n);
std::string RightStr(std::string_view text, long n);
std::string PadTo(std::string_view text, long n);
std::string PadTrim(std::string_view text, long n);
std::string TrimBlanks(std::string_view text);
void DelBlanks(std::string& text);
std::string WithoutBlanks(std::string_view text);
void ReplaceChar(char32_t from, char32_t to, std::string& text);
long LastPos(std::string_view sub, std::string_view text); // 1-based character position, 0 if none
std::string PointToComma(std::string_view text);
std::string CommaToPoint(std::string_view text);
std::string SetDecimalSign(std::string_view text);    // by ListDecimalSign
std::string DateToText(int year, int month, int day); // by DateCode
std::string ConvertBoxBar(std::string_view text);

// Splits text into WrapLines (one line per entry, any number of lines) at `separator`, lines of at
// most n characters; the separator stays at the end of its line. longest is the longest line
// length (at least 1), count the number of lines.
// WrapLines (globals.h) receives the first five lines; WrapLine(i) gives every line, i = 1..count.
void WrapTextLines(std::string_view text, char32_t separator, int n, int& longest, int& count);
const std::string& WrapLine(int i); // "" outside 1..count of the last call

// 1 when some command-line parameter equals name (compared in upper case), else 0. The program's
// main sets the parameters once with SetCommandLineParams (argv[1..]).
int FindParam(std::string_view name);
// The number of command-line parameters (argv[1..]).
int ParamCount();
void SetCommandLineParams(int argc, const char* const* argv);

// ---- DOS (code page 437) and Windows texts ---------------------------------------------------
// Inside the program every text is UTF-8: stored DOS and Windows bytes are converted to UTF-8 when
// a file is read (see utilfile's TextFile) and back when it is written. What remains of the old
// conversions works on characters:
//  - Cp437ToAscii: the 7-bit transliteration (ü -> "ue", ß -> "ss", ° -> "deg", ± -> "+/-", ...).
//  - Cp437ToAnsi: box-drawing characters become "|", "+" and "-" (Windows has none); in
//    transliteration mode Cp437ToAscii first.
//  - OemToAnsiString / OemToAnsiText: what a stored DOS text shows: transliteration mode:
//    Cp437ToAscii then Cp437ToAnsi, otherwise the text itself. Any length.
//  - AnsiToOemString: the text as the DOS page can hold it (characters it lacks become "?").
//  - ConvertCharset: by CharsetMode (1 unchanged, 2 OemToAnsiString, 3 Cp437ToAscii).
// The byte forms OemToAnsiBuf / AnsiToOemBuf convert single-byte buffers between the two pages.

std::string Cp437ToAscii(std::string_view text);
std::string Cp437ToAnsi(std::string_view text);
std::string OemToAnsiText(std::string_view text);
std::string OemToAnsiString(std::string_view text);
std::string AnsiToOemString(std::string_view text);
std::string ConvertCharset(std::string_view text);
std::string OemToAnsiBuf(std::string_view cp437Bytes); // CP437 bytes -> Windows-1252 bytes
std::string AnsiToOemBuf(std::string_view ansiBytes);  // Windows-1252 bytes -> CP437 bytes
