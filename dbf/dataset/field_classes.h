#pragma once
// Unit ucommon: the engine's field classes and its date texts at the field boundary.
//
// A date field holds the class library's TDateTime; the engine shows and reads dates in its own
// display format (DateFormat, FourDigitYears), so the date field's texts are the engine's.

#include <string>
#include <string_view>

#include "platform/data/fields.h"

namespace dbf {

// YYYYMMDD <-> TDateTime. False (and 0) for a blank or invalid text; "" for a date outside
// 0001..9999.
bool DbfDateToDateTime(std::string_view yyyymmdd, TDateTime& out);
std::string DateTimeToDbfDate(TDateTime dt);
// The engine's text of a date in its display order with a four-digit year (as the field
// variables hold dates); empty for 0.
std::string DateTimeToDateText(TDateTime dt);

// A date text in the engine's display format -> TDateTime (0 for the blank date). A two-digit
// year takes its century from the engine's century window. A text the engine rejects gives 0,
// or with strict and a non-empty text raises EDatabaseError ("'...' is not a valid date").
TDateTime DateTextToDateTime(std::string_view text, bool strict);

class TTzDateField : public TDateField {
public:
    // The engine's text with a four-digit year, so a text read and written back keeps the
    // date whatever the year setting; empty when blank.
    std::string AsString() const override;
    // The blank date picture (or an empty text) clears the field; else the engine's date text.
    void SetAsString(std::string_view value) override;

protected:
    // Views follow the year setting (two-digit years when FourDigitYears is off).
    std::string GetText(bool displayText) const override;
};

// The numeric field classes take the table's length (0..20) as their size.
class TTzFloatField : public TFloatField {
protected:
    bool IsValidSize(int size) const override { return size >= 0 && size <= 20; }
};

class TTzIntegerField : public TIntegerField {
protected:
    bool IsValidSize(int size) const override { return size >= 0 && size <= 20; }
};

class TTzLargeintField : public TLargeintField {
protected:
    bool IsValidSize(int size) const override { return size >= 0 && size <= 20; }
};

} // namespace dbf
