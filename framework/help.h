#pragma once
// Help context: the current help number and the entry point of the help buttons.
//
// Every dialog sets HelpNo before it opens; its "&Help Text" button calls ShowHelp(HelpNo, 1)
// and its "Aux. &Image" button ShowHelp(HelpNo, 2). The help texts and pictures themselves are
// served by the handler installed in ShowHelpHandler; until one is installed ShowHelp does
// nothing, so the dialogs work (and can be tested) without the help files.

#include <cstdint>

extern std::uint16_t HelpNo; // the current help number (0 at start)

void SetHelpNo(std::uint16_t n);

// number 0 means HelpNo; mode 1 the text, 2 the picture, 0 both, any other value nothing.
using ShowHelpFunc = void (*)(std::uint16_t number, std::uint16_t mode);
extern ShowHelpFunc ShowHelpHandler;

void ShowHelp(std::uint16_t number, std::uint16_t mode);
// The three-argument form some callers use; the middle argument is not used.
inline void ShowHelp(std::uint16_t number, int /*unused*/, std::uint16_t mode) {
    ShowHelp(number, mode);
}
