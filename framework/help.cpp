#include "framework/help.h"

std::uint16_t HelpNo = 0;
ShowHelpFunc ShowHelpHandler = nullptr;

void SetHelpNo(std::uint16_t n) {
    HelpNo = n;
}

void ShowHelp(std::uint16_t number, std::uint16_t mode) {
    if (ShowHelpHandler != nullptr) ShowHelpHandler(number == 0 ? HelpNo : number, mode);
}
