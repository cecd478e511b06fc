#pragma once
// Job data that the application shell edits and saves and that the drawings only read:
// the load-capacity defaults, the drawing information of the title block, the free drawing
// texts and the change records. The shell gives them their start values and edits them; the
// frames and title blocks read them.

#include <cstdint>
#include <string>

#include "framework/core/fixedtypes.h"

// Load-capacity defaults: seventeen values kept and saved with the job.
struct TLoadDefaults {
    long double Value1 = 20, Value2 = 15, Value3 = 50, Value4 = 1;
    std::int32_t Value5 = 4;
    long double Value6 = 100, Value7 = 10000, Value8 = 1450, Value9 = 15, Value10 = 800,
                Value11 = 1500, Value12 = 210000, Value13 = 0.3L, Value14 = 190, Value15 = 2,
                Value16 = 1;
    std::int32_t Value17 = 0;
    friend bool operator==(const TLoadDefaults&, const TLoadDefaults&) = default;
};
extern TLoadDefaults LoadDefaults;

// Drawing information (texts in UTF-8; the job file stores them in the DOS code page).
// Signature rows: 1 "Compl.", 2 "Check", 3 "Stand.", 4 the configured FourthRowLabel.
struct TSignatureRow {
    ShortString<10> Date;
    ShortString<10> Name;
};
struct TDrawingInfo {
    RangeArray<TSignatureRow, 1, 4> Rows;
    ShortString<15> ReplacementFor;
    ShortString<15> ReplacedBy;
};
extern TDrawingInfo DrawingInfo;

// Free drawing texts. A height h of 0 keeps the text size in force.
struct TDrawingText {
    long double x = 0, y = 0, h = 0, phi = 0; // drawing units, degrees
    ShortString<80> Text;
};
constexpr int DrawingTextMax = 8;
extern RangeArray<TDrawingText, 1, DrawingTextMax> DrawingTexts;
extern std::uint16_t DrawingTextCount; // 0..8
// The same table under the name the frames use.
extern RangeArray<TDrawingText, 1, DrawingTextMax>& DrawingExtraTexts;

// Change records; the frames print the last 8 and the revision letter (A for none, B for one...).
struct TChangeEntry {
    ShortString<20> ChangeText; // the modification
    ShortString<10> ChangeDate;
    ShortString<7> ChangeName;
    std::string ChangeDescription; // several lines joined by '|'
};
constexpr int ChangeTableMax = 25;
extern RangeArray<TChangeEntry, 1, ChangeTableMax> ChangeTable;
extern std::uint16_t ChangeCount; // 0..25

// Start values: load defaults as above, no change records, no free texts, empty texts.
// (Signature-row dates of today are set by the shell, which owns the date format.)
void InitShellData();
