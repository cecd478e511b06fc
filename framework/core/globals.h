#pragma once
// Global state shared by every part of the program: failure flags, text tables, identity
// strings, directories, the current file and the run-time settings kept with them.
// The message list lives in errorlist.h; user settings in settings.h.

#include <cstdint>
#include <string>

#include "framework/core/fixedtypes.h"

// Flags and counters.
extern std::uint8_t AbortFlag; // 1: the last dialog, file or drawing step failed or was cancelled
extern std::uint8_t CalcErrorFlag; // 1: a fatal calculation error; cleared only by ClearErrors
extern std::uint8_t ErrorBoxesOn;  // message boxes of the error routine shown only while 1
extern std::uint8_t DataModified;  // the gear data was edited since the last save or load
extern std::uint8_t ArchiveMode;   // run-time archive mode
extern std::uint8_t ArchiveFlag;   // stored setting "Archive Flag ?" that switches ArchiveMode on
extern std::int32_t ListFileCounter;
extern std::uint16_t TextLineCount;
extern std::int32_t DbfSelectedRecNo;
extern char LastKey; // 13 accept, 27 cancel, '+'/'-' zoom, 0 none

// Text tables; every entry keeps its capacity in characters.
constexpr int TextLineCapacity = 65;
extern RangeArray<ShortString<65>, 1, 135> TextLines;
extern RangeArray<ShortString<64>, 1, 5> WrapLines;
extern RangeArray<ShortString<65>, 1, 3> TitleTexts;

// Identity (overwritten at start by SetProductIdentity, settings.h).
extern std::string ProductTitle;
extern std::string ProgramName;
extern std::string MakerTitle;
extern ShortString<3> DataFileExt;
extern ShortString<7> VersionCode;

// Current file and directories.
extern std::string DataFileName;
extern std::string DataDir;
extern std::string StartDir;
extern std::string CadDir;
extern std::string DbfDir;
extern std::string EdiDir;
extern std::string PltDir;
extern std::string TempDir;
extern std::string KelmoraDir;
// The one shared text file (SharedTextFile) is declared with the text-file operations in
// framework/core/files.h.

// Settings kept with the global state and stored in the configuration file.
extern std::uint16_t HelpLevel;            // "Help level"
extern std::uint16_t PrinterInterface;     // "Printer interface" (the text printer's port)
// The print queue of the text printer; blank: the port's local printer device (listing.h).
// Kept at the end of the configuration file's unlabelled tail.
extern std::string TextPrinterQueue;
extern std::uint16_t HardcopyInterface;    // "printer interface for hardcopy"
extern std::uint16_t PrinterType;          // "Printer type"
extern std::uint16_t PrintDensity;         // "Printing density"
extern std::uint16_t PrintDensityVertical; // "Printing density vertical"
extern char RotateHardcopy;                // "Rotate Hardcopy ?" ('J' / 'N')
extern std::uint16_t FloatDigits;          // "Digits for floating point numbers"
extern std::uint16_t FrameStyle;           // "Display mode for printout 1:* 2:-"
extern std::uint16_t LinesPerPage;         // "Lines per page for printer"
extern std::int32_t GraphDriver;           // "Graph driver"
extern std::int32_t GraphMode;             // "Graph mode"
extern std::uint16_t ScreenWidth;          // "Horizontal Pixels": width of the virtual screen
extern std::uint16_t ScreenHeight;         // "Vertical Pixels"
extern bool ColorGraphics;                 // "Color graphics"
extern std::uint16_t WinPrintMode;         // "Windows print mode (1=mono 2=color)"
extern std::int32_t MaxColour;             // highest colour index the drawing window accepts

// Sets every variable above to its start value (run once at program start; tests call it to
// start from a known state). StartDir becomes the current directory.
void InitGlobalState();
