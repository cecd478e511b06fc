#pragma once
// anistep: the step dialog of the drawing window's step mode. "+" shows the next step, "++"
// runs the replay to its end.

#include <cstdint>

#include "platform/gui/forms.h"

class TForm_anistep : public TForm {
public:
    explicit TForm_anistep(TComponent* AOwner);

    TButton* Button_nextstep = nullptr; // "+": closes the dialog
    TButton* Button_endstep = nullptr;  // "++": sets RunToEnd and closes the dialog
    std::uint8_t RunToEnd = 0;
};
