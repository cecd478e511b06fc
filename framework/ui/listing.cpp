// The listing engine and its devices.
#include "framework/ui/listing.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/ui/dialogs.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/core/settings.h"
#include "framework/ui/message_help.h"
#include "framework/ui/printout.h"
#include "framework/ui/questions.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/printer.h"
#include "platform/gui/screen.h"

// ---- unit variables ----------------------------------------------------------------------------

std::uint16_t ListOutputMode = ListDeviceScreen;
std::int32_t ListPageNo = 0;
std::int32_t ListLineNo = 0;
std::int32_t ListPageCount = 0;
std::uint8_t ListSinglePage = 0;
std::uint8_t ListHeadEveryPage = 1;
std::uint8_t ListHtmlTableOpen = 0;
std::string ListFileName = "$out.tmp";
ShortString<3> ListSavedExt;
ShortString<65> ListHeadTitle;
RangeArray<ShortString<65>, 1, 4> ListHeadLines;

ShortString<30> ListColumnDesignation;
ShortString<10> ListColumnSymbol = "Symbol";
ShortString<10> ListColumnUnit = "Unit";
ShortString<10> ListColumnValue1 = "1";
ShortString<10> ListColumnValue2 = "2";
std::uint8_t ListSymbolColumn = 35;
std::uint8_t ListUnitColumn = 44;
std::uint8_t ListPairValue1Column = 51;
std::uint8_t ListValueColumn = 56;
std::uint8_t ListPairValue2Column = 62;

namespace {
std::string EnvText(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? std::string(v) : std::string();
}
} // namespace

std::string TextPrinterCommand = "lp -o raw";
std::string TextPrinterTarget = EnvText("QOR1W_TEXT_PRINTER");
int TextPrinterWait = 5000;
std::string TextPrinterDeviceFolder = "/dev";
std::string DesktopOpenCommand = "xdg-open";
std::string ListResultFile;

namespace {

// ---- engine state beside the unit variables ----------------------------------------------------

constexpr int kRuleWidth = 70;
constexpr int kHeadWidth = 71;
constexpr int kLineWidth = 72;
constexpr std::string_view kMargin = "       "; // 7 blanks in front of every text-device line
constexpr std::string_view kFormFeed = "\f";
constexpr std::string_view kTableOpen = "<TABLE BORDER = \"2\" WIDTH= \"100%\">";

std::int32_t gHeadMode = 0;  // the mode of the last head, used again at page breaks
std::int32_t gBodyLines = 0; // lines written since the last head
bool gHtmlHeadDone = false;  // the HTML document head is written once per listing
std::string gTempFile;       // the open listing's draft in the temporary directory
std::string gResultName;     // the name ListBegin was given (the job's TXT listing)
std::string gPrinterPrefix;  // the text printer's set-up bytes (TEXT.HXP)
std::string gPortName;       // "LPT" + PrinterInterface, for messages
std::string gPrinterTarget;  // the text printer chosen for the listing (ChooseTextPrinter)
bool gListOpen = false;      // between ListBegin and ListEnd

bool IsTextDevice(std::uint16_t m) {
    return m == ListDeviceScreen || m == ListDeviceTextPrinter || m == ListDeviceTextFile ||
           m == ListDevicePrinter || m == ListDeviceWordProcessor || m == ListDeviceOutDos;
}
bool IsTxtDevice(std::uint16_t m) {
    return m == ListDeviceTxt || m == ListDeviceDataTxt;
}
bool IsHtmlDevice(std::uint16_t m) {
    return m == ListDeviceHtml;
}

std::string Repeat(std::string_view s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// The DOS box-drawing characters of frame style 2 (code page 437 codes 196, 205, 201, 187, 200,
// 188, 204, 185, 186).
constexpr std::string_view kBoxH = "\u2500";
constexpr std::string_view kBoxHH = "\u2550";
constexpr std::string_view kBoxTopL = "\u2554";
constexpr std::string_view kBoxTopR = "\u2557";
constexpr std::string_view kBoxBotL = "\u255A";
constexpr std::string_view kBoxBotR = "\u255D";
constexpr std::string_view kBoxMidL = "\u2560";
constexpr std::string_view kBoxMidR = "\u2563";
constexpr std::string_view kBoxV = "\u2551";

// A rule of the current frame style: ascii repeated (style 1), left + fill + right in box-drawing
// characters (style 2), blanks (style 3), or the skip mark (style 4).
std::string StyledRule(std::string_view ascii, std::string_view left, std::string_view fill,
                       std::string_view right) {
    switch (FrameStyle) {
    case 1:
        return Repeat(ascii, kRuleWidth);
    case 2:
        return std::string(left) + Repeat(fill, kRuleWidth - 2) + std::string(right);
    case 3:
        return Repeat(" ", kRuleWidth);
    default:
        return std::string(ListSkipMark);
    }
}

bool IsRuleLine(std::string_view text) {
    if (text == ListSkipMark) return true;
    if (os::Utf8Length(text) != static_cast<std::size_t>(kRuleWidth)) return false;
    return text == ListRuleLine() || text == ListDoubleRuleLine() || text == ListTopRuleLine() ||
           text == ListBottomRuleLine() || text == ListMiddleRuleLine();
}

// A line longer than the listing's width loses trailing blanks down to the width, never text.
std::string CutBlanks(std::string line, int width) {
    std::size_t len = os::Utf8Length(line);
    while (len > static_cast<std::size_t>(width) && !line.empty() && line.back() == ' ') {
        line.pop_back();
        --len;
    }
    return line;
}

// HTML text of a listing text: the Windows form of a DOS text, escaped.
std::string HtmlText(std::string_view text) {
    return HtmlEscape(OemToAnsiText(text));
}

// A comment may not hold "--" (a blank goes between two hyphens), nor what HTML forbids in
// text.
std::string HtmlCommentText(std::string_view raw) {
    const std::string text = HtmlCharacters(raw);
    std::string out;
    for (char c : text) {
        if (c == '-' && !out.empty() && out.back() == '-') out += ' ';
        out += c;
    }
    return out;
}

void OpenHtmlTable() {
    WriteTextLine(kTableOpen);
    ListHtmlTableOpen = 1;
}

void CloseHtmlTable() {
    if (ListHtmlTableOpen == 0) return;
    WriteTextLine("</TABLE>");
    ListHtmlTableOpen = 0;
}

// A line of the head on a text device: counted, but never page-checked (a head longer than a
// page would otherwise break the page again for ever).
void HeadLine(std::string_view text) {
    if (text == ListSkipMark) return;
    std::string line(kMargin);
    line += text;
    WriteTextLine(line);
    ++ListLineNo;
}

void FramedHeadLine(std::initializer_list<ListColumnText> texts) {
    HeadLine(ListPlaceColumns(kHeadWidth, texts));
}

void WriteFormFeed() {
    // The text window and the system printer take it on a line of its own; a printer, a text
    // file and a word processor get the bare control code in front of the next page's first
    // line, so that a page holds LinesPerPage lines there too.
    if (ListOutputMode == ListDeviceScreen || ListOutputMode == ListDevicePrinter)
        WriteTextLine(kFormFeed);
    else
        WriteText(kFormFeed);
}

void BreakPage() {
    WriteFormFeed();
    ListLineNo = 0;
    gBodyLines = 0;
}

std::string PageText(std::int32_t page) {
    if (PrintHeaderMode == 2) return {};
    if (ListPageCount != 0)
        return "pg." + IntToStrLeadBlank(page, 2) + "/" + IntToStrLeadBlank(ListPageCount, 2);
    return "pg." + IntToString(page);
}

std::string DataFileText() {
    const std::string full = CurrentDataFile();
    if (ArchiveMode != 0 || os::Utf8Length(full) < 70) return full;
    return ExtractFileName(full);
}

// The job a listing is of: its data file, as the page head of the text devices names it.
std::string JobText() {
    return DataFileName.empty() ? std::string() : DataFileText();
}

void TextHead(std::int32_t page, std::int32_t mode) {
    AskInsertPaper();
    if (AbortFlag != 0) return;
    const bool first = ListPageNo == 0 || page == 1;
    const std::int32_t newPage = page == 0 ? ListPageNo + 1 : page;
    if (PrintHeaderMode == 2 && !first) {
        ListPageNo = newPage;
        ListLineNo = 0;
        gBodyLines = 0;
        HeadLine("");
        return;
    }
    if (FrameStyle == 4 && !first && LinesPerPage - ListLineNo >= LinesPerPage / 2) return;

    ListLineNo = 0;
    gBodyLines = 0;
    gHeadMode = mode;
    ListPageNo = newPage;

    if (FrameStyle == 4) HeadLine("");
    for (std::int32_t i = 0; i < HeaderSpaceLines && i < 1000; ++i)
        HeadLine("");
    HeadLine(ListTopRuleLine());
    const std::string frame = ListFrameChar();
    const std::string pageText = PageText(ListPageNo);
    if (ListPageCount != 0)
        FramedHeadLine({{1, frame}, {6, ListHeadTitle.str()}, {60, pageText}, {70, frame}});
    else
        FramedHeadLine({{1, frame}, {6, ListHeadTitle.str()}, {64, pageText}, {70, frame}});
    FramedHeadLine(
        {{1, frame}, {6, IdentTexts[2]}, {53, DateString()}, {64, TimeString()}, {70, frame}});
    FramedHeadLine({{1, frame}, {6, DataFileText()}, {70, frame}});
    HeadLine(ListMiddleRuleLine());
    for (int i = 1; i <= 4; ++i) {
        if (i == 4 && ListHeadLines[4].empty()) continue;
        FramedHeadLine({{1, frame}, {6, ListHeadLines[i].str()}, {70, frame}});
    }
    if (mode == 1) {
        HeadLine(ListMiddleRuleLine());
        ListColumnHead();
    } else {
        HeadLine(ListBottomRuleLine());
    }
}

void TxtHead(std::int32_t page) {
    if (!(page == 1 || (page == 0 && ListPageNo == 0))) return;
    ListPageNo = 1;
    WriteTextLine(MakerTitle + " V" + VersionCode.str() + "\t" + DateString() + "\t" +
                  TimeString());
    // A listing file of the user's own is named by itself; a draft (a name of the temporary
    // directory that the listing leaves) by the job it lists.
    WriteTextLine(ListFileName == gTempFile ? JobText() : WithoutBlanks(ListFileName));
    for (int i = 1; i <= 3; ++i)
        WriteTextLine(TitleTexts[i].str());
    WriteTextLine("");
}

void HtmlHead() {
    if (gHtmlHeadDone) return;
    gHtmlHeadDone = true;
    ListPageNo = std::max<std::int32_t>(ListPageNo, 1);
    const std::string product = HtmlText(MakerTitle + " V" + VersionCode.str());
    WriteTextLine("<!-- " + HtmlCommentText(WithoutBlanks(ListFileName)) + " -->");
    WriteTextLine("<HTML>");
    WriteTextLine("<head><meta charset=\"utf-8\"><title>" + product + "</title></head>");
    WriteTextLine("<BODY BGCOLOR=\"C0C0C0\">");
    WriteTextLine("<hr>");
    WriteTextLine("<h4>" + product + " #" + HtmlText(IdentTexts[3]) + "</h4>");
    WriteTextLine("<h4>" + HtmlText(IdentTexts[2]) + "</h4>");
    WriteTextLine("<hr>");
    WriteTextLine("<h5>" + HtmlText(ListHeadTitle.str()) + "</h5>");
    for (int i = 1; i <= 4; ++i) {
        if (i == 4 && ListHeadLines[4].empty()) continue;
        WriteTextLine("<h5>" + HtmlText(ListHeadLines[i].str()) + "</h5>");
    }
    WriteTextLine("<hr>");
}

// The text printer's set-up file holds a few control sequences.
constexpr std::uint64_t kMaxPrinterSetupBytes = 64 * 1024;

bool HasDotInName(std::string_view path) {
    return ExtractFileName(path).find('.') != std::string::npos;
}

// Lets the user choose the listing file with the save dialog, offering extension ext, and
// checks it on the one path of files the user names (ext added, never the job, the replace
// question about the file written). The data file's name, directory and extension stay: a
// listing file is no data file. False (AbortFlag set) when nothing was chosen or it was refused.
bool ChooseListFile(std::string_view ext, std::string& path) {
    const std::string first(ext.substr(0, ext.find('|')));
    TSaveDialog dialog(nullptr);
    dialog.Filter = "*." + first + "|*." + first;
    // Offered: the job's name in the job's folder, without the job file's extension.
    dialog.InitialDir = AddBackslash(JobFolder());
    dialog.FileName = JobBaseName();
    dialog.DefaultExt = first;
    dialog.Options = ofHideReadOnly | ofPathMustExist;
    const bool chosen = dialog.Execute() && !TrimBlanks(dialog.FileName).empty();
    RestoreDefaultCursor();
    if (!chosen) {
        AbortFlag = 1;
        return false;
    }
    path = PrepareOutputFile(dialog.FileName, ext);
    return !path.empty();
}

void EraseTemp() {
    if (gTempFile.empty()) return;
    os::RemoveFile(gTempFile);
    gTempFile.clear();
}

// A draft still there when the program ends (its listing was left without ListEnd) goes too.
struct DraftAtExit {
    ~DraftAtExit() { EraseTemp(); }
} gDraftAtExit;

std::string TempFolder() {
    std::string dir = TempDir.empty() ? std::string(".") : TempDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

// A new empty file in the listings' folder, created exclusively under a name that no other
// listing of this or another running program has: prefix, 8 hexadecimal digits, ext. Nothing
// of the same name is ever overwritten. False (reported, AbortFlag) when none can be made.
bool NewTempListingFile(const std::string& prefix, const std::string& ext, std::string& name) {
    std::string dir, problem;
    int rc = os::kOk;
    // Another run that ends may just have removed the shared folder it found empty: made again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!ListingFolder(dir, &problem)) {
            ShowError(problem);
            AbortFlag = 1;
            return false;
        }
        rc = os::CreateTempFile(dir, prefix, name, ext);
        if (rc == os::kOk) return true;
        if (rc != os::kErrPathNotFound) break;
    }
    ShowError("No listing file can be made in " + dir + ": " + FileErrorCause(rc, dir));
    AbortFlag = 1;
    return false;
}

// A listing file of a fixed name in the listings' folder; empty (reported, AbortFlag) when
// the folder cannot be had.
std::string FixedListingFile(const std::string& name) {
    std::string dir, problem;
    if (ListingFolder(dir, &problem)) return dir + "/" + name;
    ShowError(problem);
    AbortFlag = 1;
    return {};
}

// Converts the listing file into destination (noted for removal at the end when it is one of
// the listings' own files); a failure is reported with its cause and sets AbortFlag.
bool ConvertListing(const std::string& source, const std::string& destination,
                    TextEncoding from = ListingFileEncoding,
                    TextEncoding to = ListingShownEncoding) {
    std::string failed;
    const int rc = ConvertTextFile(source, destination, from, to, &failed);
    if (rc == 0) return true;
    ShowError(failed == source ? FileReadProblem(source, rc)
                               : "The listing could not be written to " + destination + ": " +
                                     FileErrorCause(rc, destination));
    AbortFlag = 1;
    return false;
}

// Writes bytes to a device file (appended: a regular file stands for a printer too), never
// waiting for ever: a named pipe nobody reads from, or a device that takes no byte within
// TextPrinterWait, is reported. 0 or the DOS code, its cause noted for FileErrorCause.
int WriteDeviceFile(const std::string& path, std::string_view bytes) {
    using Clock = std::chrono::steady_clock;
    const auto wait = std::chrono::milliseconds(TextPrinterWait);
    const std::string seconds = FloatToStrSig3(TextPrinterWait / 1000.0L);
    auto deadline = Clock::now() + wait;
    int fd = -1;
    for (;;) {
        fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0) break;
        if (errno == EINTR) continue;
        // A named pipe without a reader: one may come within the wait. A socket never opens.
        struct stat st {};
        if (errno == ENXIO && ::stat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode))
            return os::NoteNotRegularFile(st.st_mode);
        if (errno != ENXIO) return os::ErrnoToDosForPath(errno, path.c_str());
        if (Clock::now() >= deadline)
            return os::NoteCause(os::kErrWriteFault, "it is a named pipe (FIFO) nobody read from "
                                                     "within " +
                                                         seconds + " seconds");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::size_t done = 0;
    int code = os::kOk;
    while (done < bytes.size() && code == os::kOk) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            deadline = Clock::now() + wait; // it takes the output: the wait starts again
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EPIPE || errno == ECONNRESET)) {
            code = os::NoteReaderGone(done, "the printer");
            break;
        }
        if (n < 0 && errno != EAGAIN) {
            code = os::ErrnoToDosForPath(errno, path.c_str());
            break;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        struct pollfd p {
            fd, POLLOUT, 0
        };
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) == 0)
            code =
                os::NoteCause(os::kErrWriteFault, "it took no output for " + seconds + " seconds");
    }
    if (::close(fd) != 0 && code == os::kOk && errno != EINTR)
        code = os::ErrnoToDosForPath(errno, path.c_str());
    return code;
}

// Sends the listing file, after the set-up bytes, to the text printer.
void SendToTextPrinter(const std::string& file) {
    std::string bytes;
    if (const int rc = os::ReadWholeFile(file, bytes); rc != 0) {
        ShowError(FileReadProblem(file, rc));
        AbortFlag = 1;
        return;
    }
    const std::string all = gPrinterPrefix + bytes;
    if (all.empty()) return; // nothing left to print: no empty job
    // The set-up goes to the printer once, before the first page.
    gPrinterPrefix.clear();
    if (!gPrinterTarget.empty() && gPrinterTarget.front() == '/') {
        if (const int rc = WriteDeviceFile(gPrinterTarget, all); rc != 0) {
            ShowError(gPortName + ": " + gPrinterTarget + ": " +
                      FileErrorCause(rc, gPrinterTarget));
            AbortFlag = 1;
        }
        return;
    }
    if (const int rc = os::WriteWholeFileAtomic(file, all); rc != 0) {
        ShowError(FileProblemText("file write error", file, rc));
        AbortFlag = 1;
        return;
    }
    std::vector<std::string> argv = os::SplitCommandLine(TextPrinterCommand);
    if (argv.empty()) argv = {"lp", "-o", "raw"};
    if (!gPrinterTarget.empty()) {
        argv.push_back("-d");
        argv.push_back(gPrinterTarget);
    }
    argv.push_back(os::AbsolutePath(file));
    os::SpawnOptions options;
    options.wait = true;
    options.quietOutput = true;
    options.timeoutMs = 6 * TextPrinterWait; // a queue's command may take a moment
    int status = 0;
    const int rc = os::StartProcess(argv, options, status);
    if (rc == os::kErrFileNotFound) {
        ShowError(argv.front() + " not found");
        AbortFlag = 1;
    } else if (rc != 0) {
        ShowError(gPortName + ": " + argv.front() + ": " + os::ErrorCauseText(rc));
        AbortFlag = 1;
    } else if (status != 0) {
        ShowError(gPortName + ": " + argv.front() + " " + os::ProgramEndText(status));
        AbortFlag = 1;
    }
}

std::string ReadShownText(const std::string& path) {
    TextFile file;
    file.Assign(path, ListingShownEncoding);
    std::string text;
    if (file.Reset() != 0) return text;
    std::string line;
    bool firstLine = true;
    while (!file.Eof() && file.ReadLine(line) == 0) {
        if (!firstLine) text += '\n';
        text += line;
        firstLine = false;
    }
    file.Discard();
    return text;
}

// Fills TextLines[1..7] with the device names.
void PutDeviceNames() {
    static const char* const kNames[] = {
        "Screen",   "Text printer", "File", "Windows printer", "External word processor",
        "TXT File", "HTML File"};
    for (int i = 1; i <= 7; ++i)
        TextLines[i] = kNames[i - 1];
}

TextEncoding DeviceEncoding(std::uint16_t device) {
    return IsHtmlDevice(device) ? TextEncoding::Utf8 : ListingFileEncoding;
}

} // namespace

// ---- helpers -----------------------------------------------------------------------------------

bool ListingFolder(std::string& dir, std::string* problem) {
    const std::string temp = TempFolder();
    // A temporary directory no one else may enter serves as it is.
    dir = temp;
    if (os::IsPrivateFolder(temp)) return true;
    // A folder made for the listings goes again at the end of the run, or on a signal that
    // ends it, when it is empty then.
    const auto made = [&dir](const std::string& folder) {
        dir = os::AbsolutePath(folder);
        NoteTemporaryFolder(dir);
        return true;
    };
    dir = temp + "/" + ProgramName + "-" + std::to_string(::geteuid());
    const int rc = os::MakeScratchFolder(dir);
    if (rc == 0) return made(dir);
    const std::string why = FileErrorCause(rc, dir);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime == '/') {
        const std::string own = std::string(runtime) + "/" + ProgramName;
        if (os::MakeScratchFolder(own) == 0) return made(own);
    }
    if (problem != nullptr)
        *problem = "No folder of your own for listings can be made: " + dir + ": " + why +
                   ".\nSet another folder in File > Settings > Directories: \"Temporary "
                   "directory\".";
    return false;
}

bool IsWindowsProgramPath(std::string_view s) {
    if (s.find('\\') != std::string_view::npos) return true;
    return s.size() >= 2 && s[1] == ':' &&
           ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

bool StartConfiguredProgram(std::string_view configured, const std::string& file,
                            std::string_view setting) {
    const std::vector<std::string> argv = ListProgramCommand(configured, file);
    const std::string program = argv.size() < 2 ? std::string(configured) : argv.front();
    if (argv.size() >= 2 && os::StartProcess(argv) == 0) return true;
    KeepTemporaryFile(file);
    ShowError(program + " not found: the listing is kept in " + file + ".\nSet the program in " +
              "File > Settings > external: \"" + std::string(setting) + "\".");
    return false;
}

std::vector<std::string> ListProgramCommand(std::string_view configured, const std::string& file) {
    const std::string trimmed = TrimBlanks(configured);
    if (trimmed.empty()) return {};
    std::vector<std::string> argv = os::SplitCommandLine(
        IsWindowsProgramPath(trimmed) ? std::string_view(DesktopOpenCommand) : trimmed);
    if (argv.empty()) return {};
    argv.push_back(file);
    return argv;
}

std::vector<std::string> LocalPrinterDevices() {
    std::vector<std::string> devices;
    for (const std::string& dir : {TextPrinterDeviceFolder, TextPrinterDeviceFolder + "/usb"}) {
        // lp0, lp1, ... in the order of their numbers, as long as they follow one another.
        for (int n = 0; n < 64; ++n) {
            const std::string path = dir + "/lp" + std::to_string(n);
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) break;
            devices.push_back(path);
        }
    }
    return devices;
}

bool ChooseTextPrinter(std::uint16_t port, const std::vector<std::string>& devices,
                       std::string& target, std::string& problem) {
    problem.clear();
    target = !TextPrinterTarget.empty() ? TextPrinterTarget : TrimBlanks(TextPrinterQueue);
    if (!target.empty()) return true;
    if (port >= 1 && static_cast<std::size_t>(port) <= devices.size()) {
        target = devices[port - 1];
        return true;
    }
    if (port <= 1) return true; // the default print queue
    problem = "LPT" + IntToString(port) + ": this computer has no local printer device " +
              IntToString(port) + " (" + IntToString(static_cast<std::int32_t>(devices.size())) +
              " found). Name a print queue for the text printer in Settings > Printer, or "
              "choose LPT1 for the default queue.";
    return false;
}

std::string ListRuleLine() {
    return StyledRule("-", kBoxH, kBoxH, kBoxH);
}

std::string ListDoubleRuleLine() {
    return StyledRule("=", kBoxHH, kBoxHH, kBoxHH);
}

std::string ListTopRuleLine() {
    return StyledRule("*", kBoxTopL, kBoxHH, kBoxTopR);
}

std::string ListBottomRuleLine() {
    return StyledRule("*", kBoxBotL, kBoxHH, kBoxBotR);
}

std::string ListMiddleRuleLine() {
    return StyledRule("*", kBoxMidL, kBoxHH, kBoxMidR);
}

std::string ListFrameChar() {
    switch (FrameStyle) {
    case 1:
        return "*";
    case 2:
        return std::string(kBoxV);
    default:
        return " ";
    }
}

namespace {

// Characters an HTML document may not hold as text (a parser reports each one as an error):
// the control characters other than tab, line feed, form feed and carriage return, DEL and
// the C1 controls, and the noncharacters (U+FDD0..U+FDEF and the last two of every plane).
bool ForbiddenInHtml(char32_t c) {
    if (c < 0x20) return c != '\t' && c != '\n' && c != '\f' && c != '\r';
    if (c >= 0x7F && c <= 0x9F) return true;
    return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

} // namespace

std::string HtmlCharacters(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto b = static_cast<unsigned char>(text[at]);
        if (b >= 0x20 && b < 0x7F) {
            out += text[at++]; // the common case
            continue;
        }
        const char32_t cp = os::Utf8Next(text, at); // a malformed byte gives U+FFFD
        os::Utf8Append(out, ForbiddenInHtml(cp) ? char32_t{0xFFFD} : cp);
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : HtmlCharacters(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string ListPlaceColumns(int width, std::initializer_list<ListColumnText> texts) {
    std::string line;
    std::size_t len = 0; // characters
    for (const ListColumnText& t : texts) {
        // Trailing blanks are no text: they never push the next column away.
        std::string_view text = t.text;
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        if (text.empty()) continue;
        const std::size_t at = static_cast<std::size_t>(std::max(t.column, 1) - 1);
        if (len < at) {
            line.append(at - len, ' ');
            len = at;
        } else if (len > at) {
            // The text before reaches into this column: keep both whole, one blank between.
            line += ' ';
            ++len;
        }
        line += text;
        len += os::Utf8Length(text);
    }
    if (len < static_cast<std::size_t>(std::max(width, 0)))
        line.append(static_cast<std::size_t>(width) - len, ' ');
    return line;
}

std::string ListNumberLine(std::string_view text, std::string_view number) {
    std::string no = "No.: ";
    no += number;
    return CutBlanks(ListPlaceColumns(kLineWidth, {{1, text}, {40, no}}), kLineWidth);
}

void ListNumberLine(std::string_view text, std::string_view number, std::string& line) {
    line = ListNumberLine(text, number);
}

// ---- head and device ---------------------------------------------------------------------------

void ListHeader(std::string_view title, std::string_view line1, std::string_view line2,
                std::string_view line3, std::string_view line4, std::int32_t pageCount) {
    if (title.empty())
        ListHeadTitle = MakerTitle + " V" + VersionCode.str();
    else
        ListHeadTitle = title;
    ListHeadLines[1] = line1;
    ListHeadLines[2] = line2;
    ListHeadLines[3] = line3;
    ListHeadLines[4] = line4;
    ListPageCount = pageCount;
    ListPageNo = 0;
    ListLineNo = 0;
}

void ListSetHeaderFields(std::string_view designation, std::string_view symbol,
                         std::string_view unit, std::string_view value1, std::string_view value2) {
    ListColumnDesignation = designation;
    ListColumnSymbol = symbol;
    ListColumnUnit = unit;
    ListColumnValue1 = value1;
    ListColumnValue2 = value2;
    ListSymbolColumn = 35;
    ListUnitColumn = 44;
    ListPairValue1Column = 51;
    ListValueColumn = 56;
    ListPairValue2Column = 62;
}

void ListOpenTemp(std::string& name) {
    NewTempListingFile("$OUT", ".TMP", name);
}

void ListBegin(std::uint16_t code, std::string_view name) {
    std::string fileName(name);
    if (fileName.empty()) fileName = DataFileName;
    // The job's own name (a job from the command line keeps its extension) names its listing,
    // never the job file itself.
    if (const std::string base = JobBaseName(fileName); base != ExtractFileName(fileName))
        fileName = ExtractPath(fileName) + base;
    if (!HasDotInName(fileName)) fileName += ".txt";
    PutDeviceNames();
    if (code == ListDeviceNamesOnly) return;

    // A listing that was left without ListEnd (its caller stopped on AbortFlag) is given up.
    if (gListOpen && SharedTextFile.IsOpen()) SharedTextFile.Discard();
    EraseTemp();
    gListOpen = false;
    gPrinterPrefix.clear();
    gHtmlHeadDone = false;
    ListHtmlTableOpen = 0;
    ListFileName = fileName;
    gResultName = fileName;
    ListResultFile.clear();

    std::uint16_t device = TextDevice;
    HelpNo = 1050;
    if (code == 0) {
        if (TextDeviceWindow != 0) {
            int k = TextDevice;
            SelectCode("Device", 7, k);
            if (AbortFlag != 0) return;
            device = static_cast<std::uint16_t>(k);
        }
    } else {
        device = code;
    }
    // A device number the engine does not know lists to the text window.
    if (device < ListDeviceScreen || device > ListDeviceDataTxt) device = ListDeviceScreen;
    ListOutputMode = device;

    switch (device) {
    case ListDeviceScreen:
    case ListDevicePrinter:
    case ListDeviceWordProcessor: {
        ListSinglePage = 0;
        std::string temp;
        ListOpenTemp(temp);
        if (AbortFlag != 0) return;
        ListFileName = temp;
        gTempFile = temp;
        break;
    }
    case ListDeviceTextPrinter: {
        gPortName = "LPT" + IntToString(PrinterInterface);
        if (std::string problem;
            !ChooseTextPrinter(PrinterInterface, LocalPrinterDevices(), gPrinterTarget, problem)) {
            ShowError(problem);
            AbortFlag = 1;
            return;
        }
        HelpNo = 1060;
        ListSinglePage = AskYes("single page printing ?") ? 1 : 0;
        if (AbortFlag != 0) return;
        std::string setup;
        if (os::FindNameNoCase(os::CurrentDirectory(), "TEXT.HXP", setup) == 0) {
            // The printer's set-up bytes: a short file, or none.
            if (const int rc = os::ReadWholeFile(setup, gPrinterPrefix, kMaxPrinterSetupBytes);
                rc != 0) {
                ShowError(FileReadProblem(setup, rc));
                AbortFlag = 1;
                return;
            }
        }
        std::string temp;
        ListOpenTemp(temp);
        if (AbortFlag != 0) return;
        ListFileName = temp;
        gTempFile = temp;
        break;
    }
    case ListDeviceTextFile: {
        HelpNo = 1070;
        std::string path;
        if (!ChooseListFile("txt", path)) return;
        ListFileName = path;
        break;
    }
    case ListDeviceTxt:
    case ListDeviceDataTxt: {
        HelpNo = 1070;
        if (TextDeviceWindow == 0) {
            // Only a draft: the listing is converted into its own file at the end.
            std::string draft;
            if (!NewTempListingFile("$$$", ".txt", draft)) return;
            ListFileName = draft;
            gTempFile = draft;
        } else {
            std::string path;
            if (!ChooseListFile("txt", path)) return;
            ListFileName = path;
        }
        break;
    }
    case ListDeviceHtml: {
        HelpNo = 1070;
        if (!TrimBlanks(HtmlBrowser).empty()) {
            ListFileName = FixedListingFile(ProgramName + ".htm");
            if (AbortFlag != 0) return;
            CheckOverwrite(ListFileName);
            if (AbortFlag != 0) return;
        } else {
            std::string path;
            if (!ChooseListFile("htm|html", path)) return;
            ListFileName = path;
        }
        break;
    }
    case ListDeviceOutDos: {
        ListFileName = FixedListingFile("OUTDOS.TXT");
        if (AbortFlag != 0) return;
        SharedTextFile.Assign(ListFileName, ListingFileEncoding);
        RewriteChecked(SharedTextFile);
        if (AbortFlag != 0) return;
        CloseChecked(SharedTextFile);
        if (AbortFlag != 0) return;
        break;
    }
    default:
        break;
    }
    SharedTextFile.Assign(ListFileName, DeviceEncoding(device));
    gListOpen = true;
    ListLineNo = 0;
    ListPageNo = 0;
    gBodyLines = 0;
    gHeadMode = 0;
}

bool ListRewrite() {
    RewriteChecked(SharedTextFile);
    return AbortFlag == 0;
}

void ListHead(std::int32_t page, std::int32_t mode) {
    if (IsTxtDevice(ListOutputMode)) {
        TxtHead(page);
    } else if (IsHtmlDevice(ListOutputMode)) {
        HtmlHead();
    } else if (IsTextDevice(ListOutputMode)) {
        TextHead(page, mode);
    }
}

void ListHtmlHeader() {
    if (IsHtmlDevice(ListOutputMode)) HtmlHead();
}

void ListColumnHead() {
    if (IsTxtDevice(ListOutputMode)) {
        WriteTextLine(ListColumnDesignation.str() + "\t" + ListColumnSymbol.str() + "\t" +
                      ListColumnUnit.str() + "\t" + ListColumnValue1.str() + "\t" +
                      ListColumnValue2.str());
    } else if (IsHtmlDevice(ListOutputMode)) {
        CloseHtmlTable();
        OpenHtmlTable();
        WriteTextLine("<TR><TD><CENTER>" + HtmlText(ListColumnDesignation.str()) +
                      "</CENTER></TD><TD>" + HtmlText(ListColumnSymbol.str()) + "</TD><TD>" +
                      HtmlText(ListColumnUnit.str()) + "</TD><TD>" +
                      HtmlText(ListColumnValue1.str()) + "</TD><TD>" +
                      HtmlText(ListColumnValue2.str()) + "</TD></TR>");
    } else if (IsTextDevice(ListOutputMode)) {
        const std::string frame = ListFrameChar();
        FramedHeadLine({{1, frame},
                        {1, ListColumnDesignation.str()},
                        {ListSymbolColumn, ListColumnSymbol.str()},
                        {ListUnitColumn, ListColumnUnit.str()},
                        {ListPairValue1Column, ListColumnValue1.str()},
                        {ListPairValue2Column, ListColumnValue2.str()},
                        {70, frame}});
        HeadLine(ListRuleLine());
        HeadLine("");
    }
}

// ---- lines -------------------------------------------------------------------------------------

// On the HTML device the caller's markup goes through as it is; characters HTML forbids do not.
void ListWrite(std::string_view text) {
    if (IsHtmlDevice(ListOutputMode))
        WriteTextLine(HtmlCharacters(OemToAnsiText(text)));
    else
        WriteTextLine(text);
}

void ListWriteLn(std::string_view text) {
    if (IsHtmlDevice(ListOutputMode))
        WriteText(HtmlCharacters(OemToAnsiText(text)));
    else
        WriteText(text);
}

namespace {
// One body line of a printer listing: paged, counted, written behind the left margin. The page
// is broken when it holds LinesPerPage lines already, so that every page, the first one too,
// holds LinesPerPage lines and the line that opens a page is counted on it.
void PrinterBodyText(std::string_view text, bool endLine) {
    ListPageCheck(gHeadMode);
    ++ListLineNo;
    std::string line(kMargin);
    line += text;
    if (endLine)
        WriteTextLine(line);
    else
        WriteText(line);
    ++gBodyLines;
}
} // namespace

void ListLine(std::string_view text) {
    const std::uint16_t m = ListOutputMode;
    if (IsTxtDevice(m)) {
        if (IsRuleLine(text)) return;
        WriteTextLine(text);
    } else if (IsHtmlDevice(m)) {
        CloseHtmlTable();
        ++ListLineNo;
        if (IsRuleLine(text)) return;
        WriteTextLine("<br>" + HtmlText(text));
    } else {
        if (text == ListSkipMark) return;
        PrinterBodyText(text, true);
    }
}

void ListIndentedLine(std::string_view text) {
    const std::uint16_t m = ListOutputMode;
    if (IsTxtDevice(m)) {
        WriteText(text);
    } else if (IsHtmlDevice(m)) {
        CloseHtmlTable();
        WriteText("<br>" + HtmlText(text));
    } else {
        PrinterBodyText(text, false);
    }
}

void ListHtmlRow(std::string_view text) {
    if (!IsHtmlDevice(ListOutputMode)) {
        ListLine(text);
        return;
    }
    if (ListHtmlTableOpen == 0) OpenHtmlTable();
    WriteTextLine("<TR><TD>" + HtmlText(text) + "</TD></TR>");
}

void ListWrappedText(std::string_view text) {
    const std::uint16_t m = ListOutputMode;
    if (IsTxtDevice(m) || IsHtmlDevice(m) || os::Utf8Length(text) <= kLineWidth) {
        ListHtmlRow(text);
        return;
    }
    int longest = 0;
    int count = 0;
    WrapTextLines(text, U' ', 64, longest, count);
    // Every piece, however many: nothing of a long text is dropped.
    std::vector<std::string> pieces;
    for (int i = 1; i <= count; ++i)
        pieces.push_back(WrapLine(i));
    for (const std::string& piece : pieces)
        ListHtmlRow(piece);
}

namespace {
// A value line for the data text files: the texts separated by tabs, the values with the
// listing's decimal sign.
std::string TabbedValueLine(std::string_view designation, std::string_view symbol,
                            std::string_view unit, std::initializer_list<std::string_view> values) {
    std::string line(designation);
    line += '\t';
    line += symbol;
    line += '\t';
    line += unit;
    for (std::string_view value : values) {
        line += '\t';
        line += SetDecimalSign(value);
    }
    return line;
}

// A value line for printer and text window: the texts in their columns, then a rule unless
// the frame style leaves rules out.
void PrinterValueRow(int width, std::initializer_list<ListColumnText> columns) {
    ListLine(CutBlanks(ListPlaceColumns(width, columns), kLineWidth));
    if (FrameStyle != 4) ListLine(ListRuleLine());
}
} // namespace

void ListValueLine(std::string_view designation, std::string_view symbol, std::string_view unit,
                   std::string_view value) {
    const std::uint16_t m = ListOutputMode;
    if (IsTxtDevice(m)) {
        WriteTextLine(TabbedValueLine(designation, symbol, unit, {value}));
    } else if (IsHtmlDevice(m)) {
        if (ListHtmlTableOpen == 0) OpenHtmlTable();
        WriteTextLine("<TR><TD>" + HtmlText(designation) + "</TD><TD>" + HtmlText(symbol) +
                      "</TD><TD>" + HtmlText(unit) + "</TD><TD><DIV ALIGN=RIGHT>" +
                      HtmlText(value) + "</DIV></TD></TR>");
    } else {
        PrinterValueRow(68, {{1, designation},
                             {ListSymbolColumn, symbol},
                             {ListUnitColumn, unit},
                             {ListValueColumn, value}});
    }
}

void ListValuePairLine(std::string_view designation, std::string_view symbol, std::string_view unit,
                       std::string_view value1, std::string_view value2) {
    const std::uint16_t m = ListOutputMode;
    if (IsTxtDevice(m)) {
        WriteTextLine(TabbedValueLine(designation, symbol, unit, {value1, value2}));
    } else if (IsHtmlDevice(m)) {
        if (ListHtmlTableOpen == 0) ListColumnHead();
        WriteTextLine("<TR><TD>" + HtmlText(designation) + "</TD><TD>" + HtmlText(symbol) +
                      "</TD><TD>" + HtmlText(unit) + "</TD><TD>" + HtmlText(value1) + "</TD><TD>" +
                      HtmlText(value2) + "</TD></TR>");
    } else {
        PrinterValueRow(66, {{1, designation},
                             {ListSymbolColumn, symbol},
                             {ListUnitColumn, unit},
                             {ListPairValue1Column, value1},
                             {ListPairValue2Column, value2}});
    }
}

void ListSectionBreak() {
    const std::uint16_t m = ListOutputMode;
    if (IsHtmlDevice(m)) {
        CloseHtmlTable();
        return;
    }
    if (!IsTextDevice(m)) return;
    if (FrameStyle == 4 && LinesPerPage - ListLineNo > LinesPerPage / 2) return;
    BreakPage();
}

void ListPageCheck(std::int32_t mode) {
    if (!IsTextDevice(ListOutputMode)) return;
    if (ListLineNo < LinesPerPage) return;
    // A page holds at least one line besides its head, so a head taller than the page cannot
    // break pages without end.
    if (gBodyLines == 0) return;
    if (PrintHeaderMode == 2) {
        WriteFormFeed();
        ListLineNo = 0;
        gBodyLines = 0;
        return;
    }
    BreakPage();
    if (ListHeadEveryPage != 0) {
        ListHead(0, mode);
        if (AbortFlag != 0) return;
        HeadLine("");
    }
}

void ListCopyTextFile(const std::string& name) {
    std::string bytes;
    if (const int rc = os::ReadWholeFile(name, bytes); rc != 0) {
        ShowError(FileReadProblem(name, rc));
        AbortFlag = 1;
        return;
    }
    WriteText(os::Cp437ToUtf8(bytes));
}

void AskInsertPaper() {
    if (ListSinglePage == 0) return;
    if (ListOutputMode == ListDeviceTextPrinter && gListOpen && SharedTextFile.IsOpen() &&
        SharedTextFile.IsOutput() && ListPageNo > 0) {
        // The pages written so far go to the printer before the next sheet is asked for, as
        // they would on a port: the user feeds each sheet when its page comes.
        CloseChecked(SharedTextFile);
        if (AbortFlag != 0) return;
        SendToTextPrinter(ListFileName);
        if (AbortFlag != 0) return;
        RewriteChecked(SharedTextFile);
        if (AbortFlag != 0) return;
    }
    if (!AskYesNoCancel("Insert paper.  Continue ?")) AbortFlag = 1;
}

std::uint16_t ListDevice() {
    return ListOutputMode;
}

void ListEnd() {
    if (!gListOpen) {
        // No listing was begun (or it has ended already): nothing to show or send.
        EraseTemp();
        RestoreCursor();
        return;
    }
    const std::uint16_t m = ListOutputMode;
    const bool wasOpen = SharedTextFile.IsOpen() && SharedTextFile.IsOutput();
    if (wasOpen) {
        // The last page leaves the text printer however the listing ended.
        if (ListLineNo > 0 &&
            (m == ListDeviceTextPrinter || ((m == ListDeviceScreen || m == ListDevicePrinter) &&
                                            (PrintHeaderMode == 2 || FrameStyle == 4))))
            WriteText(kFormFeed);
        if (IsHtmlDevice(m)) {
            CloseHtmlTable();
            WriteTextLine("</BODY>");
            WriteTextLine("</HTML>");
        }
        if (AbortFlag != 0)
            SharedTextFile.Discard(); // a failed or cancelled listing leaves nothing half-done
        else
            CloseChecked(SharedTextFile);
    }
    gListOpen = false;
    if (AbortFlag != 0) {
        EraseTemp();
        RestoreCursor();
        return;
    }

    const std::string outwin = TextWindowFileName();
    NoteTemporaryFile(outwin); // the text window's file goes at the end of the program
    switch (m) {
    case ListDeviceScreen:
        if (ConvertListing(ListFileName, outwin)) {
            if (ListToClipboard != 0) {
                Clipboard()->SetAsText(ReadShownText(outwin));
            } else {
                auto form = CreateForm<TForm_showtextfile>();
                form->ShowModal();
            }
        }
        EraseTemp();
        break;
    case ListDeviceTextPrinter:
        SendToTextPrinter(ListFileName);
        EraseTemp();
        break;
    case ListDeviceTextFile:
    case ListDeviceOutDos:
        ListResultFile = ListFileName;
        ConvertListing(ListFileName, outwin);
        ErrorBoxesOn = 1;
        break;
    case ListDevicePrinter: {
        // No print queue: a PDF file instead, when the user wants one.
        bool pdf = false;
        if (PrintoutTargetReady(nullptr, DataDir, DataFileName, pdf))
            PrintTextFile(ListFileName);
        else
            AbortFlag = 1;
        if (pdf) Printer()->SetOutputFileName("");
        EraseTemp();
        break;
    }
    case ListDeviceWordProcessor:
        SetHourglassCursor();
        if (ConvertListing(ListFileName, outwin))
            StartConfiguredProgram(WordProcessor, outwin, "word processor");
        EraseTemp();
        break;
    case ListDeviceTxt: {
        ++ListFileCounter;
        // The Windows copy for other programs, beside the drafts under a name of its own.
        std::string copy;
        if (NewTempListingFile("$$" + IntToString(ListFileCounter) + "-", ".txt", copy)) {
            NoteTemporaryFile(copy);
            if (ConvertListing(ListFileName, copy, ListingFileEncoding, TextEncoding::Ansi))
                ListResultFile = copy;
            else
                os::RemoveFile(copy);
        }
        EraseTemp();
        break;
    }
    case ListDeviceDataTxt: {
        ++ListFileCounter;
        const std::string copy = AddBackslash(DataDir) + gResultName;
        if (ConvertListing(ListFileName, copy, ListingFileEncoding, TextEncoding::Ansi))
            ListResultFile = copy;
        EraseTemp();
        break;
    }
    case ListDeviceHtml:
        ListResultFile = ListFileName;
        if (!TrimBlanks(HtmlBrowser).empty()) {
            NoteTemporaryFile(ListFileName);
            StartConfiguredProgram(HtmlBrowser, ListFileName, "HTML Browser");
        }
        break;
    default:
        break;
    }
    RestoreCursor();
}

// ---- start state -------------------------------------------------------------------------------

void InitListing() {
    ListOutputMode = ListDeviceScreen;
    ListPageNo = 0;
    ListLineNo = 0;
    ListPageCount = 0;
    ListSinglePage = 0;
    ListHeadEveryPage = 1;
    ListHtmlTableOpen = 0;
    ListFileName = "$out.tmp";
    ListSavedExt = "";
    ListHeadTitle = "";
    for (auto& line : ListHeadLines)
        line = "";
    ListSetHeaderFields("", "Symbol", "Unit", "1", "2");
    gHeadMode = 0;
    gBodyLines = 0;
    gHtmlHeadDone = false;
    gPrinterPrefix.clear();
    gListOpen = false;
    EraseTemp();
}

// ---- the message section -----------------------------------------------------------------------

namespace {
std::string MessageOrigin(int i) {
    std::string s;
    GetErrOrigin(i, s);
    return s;
}
std::string MessageRemedy(int i) {
    std::string s;
    GetErrRemedy(i, s);
    return s;
}
} // namespace

void ListMessages() {
    if (ErrorCount == 0) return;
    const std::uint16_t m = ListOutputMode;
    const bool txt = IsTxtDevice(m);
    const bool html = IsHtmlDevice(m);
    const int count = std::min<int>(ErrorCount, ErrorListSize);
    ListLine("");
    ListLine("REMARKS, WARNINGS AND ERROR MESSAGES");
    if (!txt) {
        ListLine(ListDoubleRuleLine());
        ListLine("");
        ListLine(ListRuleLine());
    }
    if (html) OpenHtmlTable();
    for (int i = 1; i <= count; ++i) {
        const std::string message = ErrorList[i].str();
        const std::string origin = MessageOrigin(i);
        const std::string remedy = MessageRemedy(i);
        if (txt) {
            WriteTextLine(message + "\t" + origin + "\t" + remedy);
            continue;
        }
        ListHtmlRow(message);
        ListWrappedText(origin);
        ListWrappedText(remedy);
        if (html) {
            // One table per message; the next one opens only when another message follows.
            CloseHtmlTable();
            ListLine("");
            if (i < count) OpenHtmlTable();
        } else if (FrameStyle != 4) {
            ListLine(ListRuleLine());
        }
    }
    if (html) CloseHtmlTable();
}

void PrintCalcMessages() {
    if (ErrorCount == 0) {
        ShowMessage("Calculation successful without error messages");
        return;
    }
    ListHeader(ProductTitle + " V" + VersionCode.str(), "Error Messages", TitleTexts[1].str(),
               TitleTexts[2].str(), TitleTexts[3].str(), 1);
    if (CalcErrorFlag != 0) {
        ShowCalcMessages();
        return;
    }
    ListBegin(ListDeviceScreen, DataFileName + ".txt");
    if (AbortFlag != 0) return;
    if (!ListRewrite()) {
        ListEnd();
        return;
    }
    AskInsertPaper();
    if (AbortFlag == 0) ListHead(0, 0);
    if (AbortFlag == 0) ListMessages();
    if (AbortFlag == 0) ListSectionBreak();
    ListEnd();
}
