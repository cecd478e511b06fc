#pragma once
// help: the help texts and the help context.
//
// Every dialog sets HelpNo before it opens; its "&Help Text" button calls ShowHelp(HelpNo, 1)
// and its "Aux. &Image" button ShowHelp(HelpNo, 2). The text of a help number is read from a
// help file in PltDir and shown in a message box; the picture its entry names is drawn from an
// HP-GL file (hpgl.h) in the drawing window. GetHelpText gives the text as one line for hints.
//
// Help files (DOS code page, any line ending): numbers below 4000 in "kelmora.hlp", the others
// in ProgramName (lower case) + ".hlp". A numbered line holds the four-digit number and, after
// the first ":", the picture name (without ".plt"; "NULL" when there is no ":"); exactly one text
// line follows it. A topic is its numbered line, that text line and up to four more text lines:
// unnumbered lines, or lines numbered topic + 1 .. + 4 each followed by its text line. A number
// that is a multiple of 5 starts the next topic. File names are found whatever their case.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

extern std::uint16_t HelpNo; // the current help number (0 at start)

void SetHelpNo(std::uint16_t n);

// ShowHelp goes through this handler: ShowHelpTopic unless a test replaces it (nullptr: no
// help at all). It gets the number already resolved (never 0 for a set HelpNo).
using ShowHelpFunc = void (*)(std::uint16_t number, std::uint16_t mode);
extern ShowHelpFunc ShowHelpHandler;

// number 0 means HelpNo; mode 1 the text, 2 the picture, 0 both, any other value nothing.
void ShowHelp(std::uint16_t number, std::uint16_t mode);
// The three-argument form some callers use; the middle argument is not used.
inline void ShowHelp(std::uint16_t number, int /*unused*/, std::uint16_t mode) {
    ShowHelp(number, mode);
}

// The help of one number from the help files: the message box and/or the picture.
void ShowHelpTopic(std::uint16_t number, std::uint16_t mode);

// The topic's text as one line (the five lines joined with single blanks; the "not found" texts
// when the file or topic is missing). GetHelpText only calls ReadHelpText.
void GetHelpText(std::uint16_t number, std::string& text);
void ReadHelpText(std::uint16_t number, std::string& text);

// "help text No " + n + ": No help available."
std::string NoHelpText(std::uint16_t n);

// AddBackslash(PltDir) + "kelmora.hlp" for numbers below 4000, else + ProgramName (lower case)
// + ".hlp".
std::string HelpFileName(std::uint16_t n);

// number from the first four characters (-1 when they are no number); picture name after the
// first ":" (blanks trimmed), "NULL" when the line has no ":".
void ParseHelpLine(std::string_view line, int& number, std::string& picture);

// One topic as the search finds it.
struct HelpTopic {
    std::array<std::string, 5> Lines; // as stored (UTF-8 of the DOS text)
    std::string Picture;              // "null" when the file or the topic is missing
    bool Found = false;               // the topic exists (false also for a missing file)
    bool FileMissing = false;
};
// The topic search. A missing file or topic, or a topic that ends after five lines or at the
// end of the file, clears AbortFlag; a topic that ends at the next topic number leaves it.
HelpTopic FindHelpTopic(std::uint16_t n);

// Shows a topic found: modes 0 and 1 the message box "HELP TEXT No.<n>", modes 0 and 2 the
// picture in a 160 x 120 mm window.
void DisplayHelp(const HelpTopic& topic, std::uint16_t mode, std::uint16_t n);

// Called by the selection dialog; does nothing.
inline void EmptyHelpHook() {}
