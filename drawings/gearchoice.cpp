#include "drawings/gearchoice.h"

#include <string>

#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"

namespace {

void AskGear(std::uint16_t& choice, int n) {
    TextLines[1] = "gear " + IntToString(1);
    TextLines[2] = "gear " + IntToString(2);
    if (n == 3) TextLines[3] = "gear 1+2";
    SetHelpContext(8220);
    int k = choice;
    SelectCode("Select gear ...", n, k);
    if (AbortFlag != 0) return;
    choice = static_cast<std::uint16_t>(k >= 1 && k <= n ? k : 1);
    TextLines[30] = IntToString(choice);
}

} // namespace

void SelectGear(std::uint16_t& choice) {
    AskGear(choice, 2);
}

void SelectGearOrBoth(std::uint16_t& choice) {
    AskGear(choice, 3);
}
