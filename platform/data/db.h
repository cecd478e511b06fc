#pragma once
// The data-access layer's common vocabulary: dataset states, field types, data events, the
// database errors, values (Variant), the class library's dates (TDateTime), bookmarks, the
// number and date settings field texts follow, and the application's exception handler.
//
// No Qt here: datasets, fields, data sources and links run in batch modes and tools as well.
// The grid and navigator that show a dataset live in data/qt/ on the GUI layer.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsInternalCalc,
    dsBlockRead,
};

// ftLargeint: numbers of more than 9 digits without decimals (a 32-bit value would wrap).
enum TFieldType {
    ftUnknown,
    ftString,
    ftInteger,
    ftLargeint,
    ftBoolean,
    ftFloat,
    ftDate,
    ftMemo,
    ftBlob,
};

enum TFieldKind { fkData, fkCalculated, fkInternalCalc };

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    deFocusControl,
};

// What an error event (OnPostError, OnEditError, OnDeleteError) decides.
enum TDataAction { daFail, daAbort, daRetry };

// Cursor interface: which record GetRecord fetches, and how it went.
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

struct TLocateOptions {
    bool CaseInsensitive = false;
    bool PartialKey = false;
};

// Resync: Exact fails when the current record is gone; Center is a hint for views.
struct TResyncMode {
    bool Exact = false;
    bool Center = false;
};

// A record's bookmark: opaque bytes of the dataset's bookmark size (the engine's datasets use
// the 32-bit record number). Empty: no bookmark.
using TBookmark = std::vector<std::uint8_t>;

// A failed dataset or field operation, with the text the user sees.
class EDatabaseError : public std::runtime_error {
public:
    explicit EDatabaseError(const std::string& message) : std::runtime_error(message) {}
};

// A silent stop: the operation was abandoned on purpose (an error event chose daAbort); the
// exception handler shows nothing for it.
class EAbort : public std::runtime_error {
public:
    EAbort() : std::runtime_error("Operation aborted") {}
};

[[noreturn]] void DatabaseError(const std::string& message);
// The message for an unknown field name: "Field 'NAME' not found".
[[noreturn]] void FieldNotFoundError(std::string_view name);

// ---- dates: days since 1899-12-30, the fraction the time of day ----
using TDateTime = double;
// False for a date outside 0001-01-01 .. 9999-12-31.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
// The calendar date of the whole day of dt; false outside the range above.
bool DecodeDate(TDateTime dt, int& year, int& month, int& day);

// ---- values ----
struct TVarDate {
    TDateTime Value = 0;
    bool operator==(const TVarDate&) const = default;
};
// std::monostate is Null.
using Variant = std::variant<std::monostate, bool, std::int64_t, double, std::string, TVarDate>;
using TVarArray = std::vector<Variant>;
inline bool VarIsNull(const Variant& v) {
    return std::holds_alternative<std::monostate>(v);
}

// ---- settings of field texts (the class library's locale) ----
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    // Picture of date texts: yyyy or yy, MM or M, dd or d, separated by one character.
    std::string ShortDateFormat = "yyyy-MM-dd";
};
extern TFormatSettings FormatSettings;

// Number and date texts by FormatSettings, independent of the C locale.
std::string FloatToText(double v, int significantDigits = 15);
std::string FloatToFixed(double v, int decimals);
bool TextToFloat(std::string_view text, double& out);
bool TextToInt64(std::string_view text, std::int64_t& out);
std::string DateToText(TDateTime dt);
// Reads a date in the order of ShortDateFormat; two-digit years fall in 1950..2049.
bool TextToDate(std::string_view text, TDateTime& out);

// ---- the application's handlers (set by the GUI at start) ----
// Shows an exception to the user; without a handler the message goes to stderr. EAbort is
// silent either way.
using TExceptionHandler = void (*)(const std::exception& e);
extern TExceptionHandler ApplicationExceptionHook;
void ApplicationHandleException(const std::exception& e);
// Handles pending window messages (a dataset does before it opens its table).
using TProcessMessagesProc = void (*)();
extern TProcessMessagesProc ApplicationProcessMessagesHook;
void ApplicationProcessMessages();
