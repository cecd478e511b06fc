#pragma once
// The listing engine: every result listing (message list, workshop data sheet, change records,
// table printouts) is written through these calls to one of nine devices. A listing is a
// sequence of lines of at most 72 columns with a framed head, value rows in fixed columns, rule
// lines and page breaks.
//
// Calling order:
//   ListHeader / ListSetHeaderFields (optional)
//   ListBegin(device, name); stop when AbortFlag is set
//   ListRewrite() (or RewriteChecked(SharedTextFile): ListBegin assigned it, closed)
//   ListHead(0, mode), lines and rows, ListSectionBreak
//   ListEnd
// Only one listing is open at a time: all of them write through SharedTextFile.
//
// Devices (ListOutputMode) and the code pages of their files. Listings of no name the user chose
// live in a folder no other user may enter (ListingFolder below, "the listings' folder"). Drafts
// and the TXT copies are created there exclusively under names of their own ($OUT, $$$ or $$n-
// and 8 hexadecimal digits), so that neither a user's file nor another running program's
// listing is touched; a draft is erased when its listing ends, whichever way, and at the latest
// when the program ends. A listing file no program could be started on stays, and the message
// names it.
//   1 text window      $OUT….TMP (DOS 437), shown as outwin.txt (UTF-8)
//   2 text printer     $OUT….TMP (DOS 437), sent raw with the set-up file TEXT.HXP in front
//                      to the text printer of ChooseTextPrinter: a CUPS queue through
//                      TextPrinterCommand ("lp -o raw"), or a device file
//   3 text file        a ".txt" file the user chooses (DOS 437); also outwin.txt
//   4 system printer   $OUT….TMP (DOS 437), printed through the platform printer
//   5 word processor   $OUT….TMP (DOS 437), converted to outwin.txt (UTF-8) and opened with
//                      the configured WordProcessor (a Windows path means: xdg-open)
//   6 TXT file         tab-separated, a $$$….txt draft or a chosen file (DOS 437); at the end
//                      converted to $$n-….txt in the listings' folder (Windows 1252)
//   7 HTML file        qor1w.htm in the listings' folder or a chosen file (UTF-8, declared in
//                      the head), opened with the configured HtmlBrowser (a Windows path
//                      means: xdg-open)
//   8 fixed text file  OUTDOS.TXT in the listings' folder (DOS 437); also outwin.txt
//   9 TXT of the job   like 6; at the end converted to DataDir + the name given to ListBegin
//                      (Windows 1252)
// A page break is a form feed: on a line of its own on devices 1 and 4, in front of the next
// page's first line on the others, so that every page holds LinesPerPage lines. A listing on
// the text printer always ends with a form feed, so that its last page leaves the printer.
// The head of a TXT listing names, in its second line, the chosen file or else the job.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "framework/core/fixedtypes.h"
#include "framework/core/files.h"

// ---- devices ---------------------------------------------------------------------------------
enum : std::uint16_t {
    ListDeviceScreen = 1,
    ListDeviceTextPrinter = 2,
    ListDeviceTextFile = 3,
    ListDevicePrinter = 4,
    ListDeviceWordProcessor = 5,
    ListDeviceTxt = 6,
    ListDeviceHtml = 7,
    ListDeviceOutDos = 8,
    ListDeviceDataTxt = 9,
};

// ListBegin's code that only puts the seven device names into TextLines[1..7].
constexpr std::uint16_t ListDeviceNamesOnly = 90;

// ---- unit variables --------------------------------------------------------------------------
extern std::uint16_t ListOutputMode;   // device of the current listing (default 1)
extern std::int32_t ListPageNo;        // pages started so far (0 before the first head)
extern std::int32_t ListLineNo;        // lines written on the current page
extern std::int32_t ListPageCount;     // shown in the head as "pg. n/count"; 0: not given
extern std::uint8_t ListSinglePage;    // text printer: ask before each page
extern std::uint8_t ListHeadEveryPage; // a page break writes the head again (default 1)
extern std::uint8_t ListHtmlTableOpen; // an HTML table is open
extern std::string ListFileName;       // the file the listing is written to ("$out.tmp")
// The file a finished listing left for the user or another program (devices 3, 6, 7, 8 and 9);
// empty after a listing that left none or failed.
extern std::string ListResultFile;
extern ShortString<3> ListSavedExt;   // DataFileExt while a listing file is chosen
extern ShortString<65> ListHeadTitle; // head line 1
extern RangeArray<ShortString<65>, 1, 4> ListHeadLines; // head lines 2 to 5 (5 only when set)

// Column heads (designation, symbol, unit, value 1, value 2) and their columns (1-based).
extern ShortString<30> ListColumnDesignation; // default ""
extern ShortString<10> ListColumnSymbol;      // "Symbol"
extern ShortString<10> ListColumnUnit;        // "Unit"
extern ShortString<10> ListColumnValue1;      // "1"
extern ShortString<10> ListColumnValue2;      // "2"
extern std::uint8_t ListSymbolColumn;         // 35
extern std::uint8_t ListUnitColumn;           // 44
extern std::uint8_t ListPairValue1Column;     // 51
extern std::uint8_t ListValueColumn;          // 56
extern std::uint8_t ListPairValue2Column;     // 62

// ---- where the devices go on Linux -----------------------------------------------------------
// The raw print command of the text printer: a command line (program and leading arguments,
// split as Windows does); "-d" and the queue follow when the text printer is a queue, then the
// file to print. Default "lp -o raw".
extern std::string TextPrinterCommand;
// The text printer when the environment chooses it (QOR1W_TEXT_PRINTER, read at start), which
// overrides the settings: a path beginning with "/" for a device file (written directly,
// appended), else the name of a CUPS queue. Empty: the settings choose (ChooseTextPrinter).
extern std::string TextPrinterTarget;
// No write to the text printer waits for ever: a device file or named pipe that takes no byte
// for TextPrinterWait milliseconds (5000), or a queue command that has not ended after six times
// as long, is reported.
extern int TextPrinterWait;
// The local printer devices in port order: the parallel ports lp0, lp1, ... of
// TextPrinterDeviceFolder ("/dev"), then the USB printers usb/lp0, usb/lp1, ... there.
extern std::string TextPrinterDeviceFolder;
std::vector<std::string> LocalPrinterDevices();
// The text printer of port (PrinterInterface, LPT1..LPT4) into target: TextPrinterTarget when
// set; else the queue TextPrinterQueue of the settings; else the port-th of devices; else, for
// LPT1, the default CUPS queue (target empty). False, and problem says what to set, for a higher
// port that has neither.
bool ChooseTextPrinter(std::uint16_t port, const std::vector<std::string>& devices,
                       std::string& target, std::string& problem);

// The program a Windows path in WordProcessor or HtmlBrowser stands for: "xdg-open".
extern std::string DesktopOpenCommand;

// A program name stored for Windows: it holds a "\\" or begins with a drive letter and ":".
bool IsWindowsProgramPath(std::string_view s);
// The command line (argument vector) that starts a configured program on a file: a stored
// program path in Windows layout ("C:\WINDOWS\WRITE.EXE") becomes DesktopOpenCommand, anything else
// is split as a command line; the file is the last argument. Empty for an empty setting.
std::vector<std::string> ListProgramCommand(std::string_view configured, const std::string& file);
// Starts a configured program on a listing file. One that cannot be started is reported with
// the setting that names it (setting: its caption under File > Settings > external) and the
// file, which then stays after the program ends, for the user to open another way.
bool StartConfiguredProgram(std::string_view configured, const std::string& file,
                            std::string_view setting);

// The folder of the listings, their drafts and the text window's file, which no other user may
// enter: TempDir itself when it is such a folder, else the folder ProgramName + "-" + the
// user's number in it (mode 0700, made when missing), else ProgramName in $XDG_RUNTIME_DIR.
// dir receives the folder (the one in TempDir when none can be had); false when none can be
// had, and problem then says why.
bool ListingFolder(std::string& dir, std::string* problem = nullptr);

// ---- rule lines and the frame character, by FrameStyle ----------------------------------------
// Every rule line is 70 characters: style 1 "-", "=" and "*"; style 2 the DOS box-drawing
// characters; style 3 blanks; any other style "$!$", the mark of a line that is not written.
std::string ListRuleLine();
std::string ListDoubleRuleLine();
std::string ListTopRuleLine();
std::string ListBottomRuleLine();
std::string ListMiddleRuleLine();
std::string ListFrameChar(); // "*", the double vertical bar, or a blank
constexpr std::string_view ListSkipMark = "$!$";

// ---- head and device --------------------------------------------------------------------------

// Head texts (each cut to 65 characters) and the page count; an empty title becomes
// MakerTitle + " V" + VersionCode. Page and line numbers become 0.
void ListHeader(std::string_view title, std::string_view line1, std::string_view line2,
                std::string_view line3, std::string_view line4, std::int32_t pageCount);
// Column heads (30 and 10 characters) and the default column positions.
void ListSetHeaderFields(std::string_view designation, std::string_view symbol,
                         std::string_view unit, std::string_view value1, std::string_view value2);

// Chooses the device (code 0: TextDevice, or the user's choice when TextDeviceWindow is set;
// code 90: only the device names into TextLines) and prepares the listing file, which it
// assigns to SharedTextFile (closed). Cancel in any question sets AbortFlag before a file is
// touched.
void ListBegin(std::uint16_t code, std::string_view name);
// Opens the listing file for writing (RewriteChecked); false (and AbortFlag) on failure.
bool ListRewrite();

// Writes the head of a page: page 0 is the next page number; mode 1 closes the head with the
// column-head row.
void ListHead(std::int32_t page, std::int32_t mode);
// The head of the HTML document (once per listing); nothing on other devices.
void ListHtmlHeader();
void ListColumnHead();

// ---- lines -----------------------------------------------------------------------------------
// ListWrite writes a whole line, ListWriteLn the text without a line end. They write the text as
// it is (HTML callers put their own markup through them; use HtmlEscape for texts in it).
void ListWrite(std::string_view text);
void ListWriteLn(std::string_view text);
// One listing line: 7 blanks of margin on text devices (counted, page-checked); rule lines and
// "$!$" dropped on the TXT and HTML devices; "<br>" and the escaped text in HTML.
void ListLine(std::string_view text);
// Starts a line without ending it (the caller goes on with WriteText and ends it).
void ListIndentedLine(std::string_view text);
void ListHtmlRow(std::string_view text);
void ListWrappedText(std::string_view text);
void ListValueLine(std::string_view designation, std::string_view symbol, std::string_view unit,
                   std::string_view value);
void ListValuePairLine(std::string_view designation, std::string_view symbol, std::string_view unit,
                       std::string_view value1, std::string_view value2);
// A 72-column line with text at column 1 and "No.: " + number at column 40.
std::string ListNumberLine(std::string_view text, std::string_view number);
void ListNumberLine(std::string_view text, std::string_view number, std::string& line);
// The text put into a blank line of the given width at 1-based columns: a text that would run
// into the next one pushes that one to the right (one blank between) instead of being
// overwritten. Trailing blanks fill up to width.
struct ListColumnText {
    int column;
    std::string_view text;
};
std::string ListPlaceColumns(int width, std::initializer_list<ListColumnText> texts);

// The message section: ErrorList with the origin and remedy of each message from the message
// help file (framework/ui/message_help.h).
void ListMessages();
// Ends a page (a form feed) on the text devices.
void ListSectionBreak();
// Breaks the page when it is full (called before each line).
void ListPageCheck(std::int32_t mode);
// Copies a file (DOS code page) into the listing as it stands.
void ListCopyTextFile(const std::string& name);
// Single-page printing: "Insert paper.  Continue ?"; anything but Yes sets AbortFlag. On the
// text printer the pages written so far are printed first, so each sheet is fed for its page.
void AskInsertPaper();
// Reserves a new "$OUT" + 8 hexadecimal digits + ".TMP" in TempDir, created exclusively so
// that two running programs never share one; AbortFlag (reported) when none can be made.
void ListOpenTemp(std::string& name);
// Closes the listing and shows, prints, sends or converts it.
void ListEnd();
std::uint16_t ListDevice();

// The message list as a listing on the text window (the message browser instead after a fatal
// error; a message box when there are no messages).
void PrintCalcMessages();

// A UTF-8 text as an HTML document may hold it: a malformed byte and every character HTML
// forbids (NUL and the other control characters but tab, line feed, form feed and carriage
// return; DEL and the C1 controls; the noncharacters) become U+FFFD.
std::string HtmlCharacters(std::string_view text);
// HtmlCharacters, and & < > as HTML character references.
std::string HtmlEscape(std::string_view text);

// The engine's start state (page and line 0, device 1, default heads and columns).
void InitListing();
