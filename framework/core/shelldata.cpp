// Job data the shell edits and the drawings read.
#include "framework/core/shelldata.h"

TLoadDefaults LoadDefaults;
TDrawingInfo DrawingInfo;
RangeArray<TDrawingText, 1, DrawingTextMax> DrawingTexts;
std::uint16_t DrawingTextCount = 0;
RangeArray<TDrawingText, 1, DrawingTextMax>& DrawingExtraTexts = DrawingTexts;
RangeArray<TChangeEntry, 1, ChangeTableMax> ChangeTable;
std::uint16_t ChangeCount = 0;

void InitShellData() {
    LoadDefaults = TLoadDefaults{};
    DrawingInfo = TDrawingInfo{};
    for (auto& t : DrawingTexts)
        t = TDrawingText{};
    DrawingTextCount = 0;
    for (auto& c : ChangeTable)
        c = TChangeEntry{};
    ChangeCount = 0;
}
