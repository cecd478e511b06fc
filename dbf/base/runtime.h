#pragma once
// The engine's own small runtime: start-up, settings, the clock and the dBASE date model.
//
// Dates are texts. The internal form is MM/DD/YY (MM/DD/YYYY with FourDigitYears); a table field
// holds YYYYMMDD; the display form follows DateFormat (0..8). Two-digit years are resolved
// through the 100-year window that starts at CenturyBase. Day and month names are single-byte
// texts in the DOS code page (437, Russian 866), fixed width, as table texts are.

#include <cstdint>
#include <string>
#include <string_view>

namespace dbf {

extern std::uint8_t DateFormat;      // 0..8
extern bool FourDigitYears;          // display and input carry four-digit years
extern std::uint16_t CenturyBase;    // first year of the window for two-digit years
extern char DecimalChar;             // decimal character of number texts
extern char ThousandsChar;           // thousands character
extern std::int32_t DosError;        // result of the last file search or file-date query
extern std::string ShortDatePicture; // the run-time's short date picture, e.g. "dd.MM.yy"
extern char DateSeparator;           // the run-time's date separator
extern std::uint16_t FileMode;       // the run-time's default file-open mode (18 after start)
// The current work-area number (1 after the engine's start); the work-area commands act on it.
extern std::uint8_t CurrentAreaNo;

// Start of the engine: clears the error state, date format and number characters from the
// user's language, century base this year - 70, file-open mode 18, work area 1 current.
void InitTzCommon();

// Display date format of a Windows language identifier (primary | sublanguage << 10).
std::uint8_t LanguageDateFormat(std::uint16_t langId);
// Decimal and thousands characters for a date format.
void InitNumberSeparators(std::uint8_t format);

struct TzDate {
    int year = 0, month = 0, day = 0;
    int dow = 0; // 1 Sunday .. 7 Saturday
};
TzDate TzGetDate();

struct TzTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// Unpacks a DOS-style packed date stamp (date in the high word, time in the low word).
TzTime UnpackTime(std::int32_t stamp);
std::int32_t PackTime(const TzTime& t);

std::uint32_t TickCount();
std::uint32_t SecondsCount();

// Dates.
void SetDateFormat(std::uint8_t index);
std::string ToInternalFormat(std::string_view date);
std::string ToDisplayFormat(std::string_view date);
bool CheckDate(std::string& date);
std::string DateToDbf(std::string_view date);
std::string DbfToDate(std::string_view text);
int Dow(std::string_view date);
std::string CDow(std::string_view date);
std::string CMonth(std::string_view date);
int Day(std::string_view date);
int Month(std::string_view date);
int Year(std::string_view date);
int Century(std::string_view yy);
std::string CenturyDigits(std::string_view yy);
std::string ExpandYear(std::string_view year);
std::string EmptyDate(std::uint8_t format);
bool IsLeapYear(int year);

// Display text of a date with a four-digit year (as held in the field-variable block) in the
// current year setting: with FourDigitYears off the year keeps its last two digits.
std::string DisplayDateForYears(std::string_view date10);

} // namespace dbf
