#include "cad/plotline.h"

#include <sys/stat.h>

#include <algorithm>

#include "cad/cadstate.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"

// ---- starting the command line -------------------------------------------------------------

int CadStartPlotProgram(const std::string& commandLine, const std::string& fileName) {
    std::vector<std::string> argv = os::SplitCommandLine(commandLine);
    if (argv.empty()) return os::kErrFileNotFound;
    // The stored command lines name the file as the plot program's own directory would hold it;
    // here it is the file just written.
    for (std::size_t i = 1; i < argv.size(); ++i)
        if (os::SameNameNoCase(argv[i], PlotFileName)) argv[i] = fileName;
    os::SpawnOptions options;
    options.directory = DelBackslash(ExtractPath(fileName));
    options.quietOutput = true;
    int status = 0;
    return os::StartProcess(argv, options, status);
}

int TPlotWriter::Close() {
    const int rc = TDxfWriter::Close();
    if (rc != 0) return rc;
    const int line = std::clamp<int>(SelectedPlotLine, 1, PlotLineMax);
    const int err = CadStartPlotProgram(PlotLines[line], CadFileName);
    if (err == os::kErrFileNotFound || err == os::kErrPathNotFound)
        ShowError("file not found");
    else if (err == os::kErrNotEnoughMemory)
        ShowError("out of memory !");
    else if (err != 0)
        ShowError(FileProblemText("Exec error", os::SplitCommandLine(PlotLines[line]).front(), err));
    return 0;
}

// ---- quoting -------------------------------------------------------------------------------

std::string QuoteCommandArgument(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(arg);
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote itself escaped.
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\'); // before the closing quote
    out += '"';
    return out;
}

std::string ShellQuote(std::string_view word) {
    std::string out = "'";
    for (char c : word) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    out += '\'';
    return out;
}

int WritePlotScript(const std::string& commandLine, const std::string& name,
                    std::string& scriptPath) {
    scriptPath = AddBackslash(TempDir) + name + ".sh";
    // The shell sees only quoted words: nothing of the line is ever parsed as shell syntax.
    std::string text = "#!/bin/sh\nexec";
    for (const std::string& word : os::SplitCommandLine(commandLine))
        text += " " + ShellQuote(word);
    text += "\n";
    const int rc = os::WriteWholeFileAtomic(scriptPath, text);
    if (rc != 0) return rc;
    if (::chmod(scriptPath.c_str(), 0755) != 0) return os::kErrAccessDenied;
    return 0;
}

// ---- the prompt-driven editor --------------------------------------------------------------

namespace {

const char* const kDestinationCodes[] = {"HPL", "PS", "PLT", "PL2", "ART"};
// Directories and files are whole paths here, longer than a DOS path.
constexpr int kPathLength = 255;

void SetItems(std::initializer_list<const char*> items) {
    int i = 1;
    for (const char* s : items)
        TextLines[i++] = s;
}

// The script's name, asked until it can be written. False when cancelled.
bool AskScript(std::string& line) {
    ShowMessageKind11("command line too long, A batch file will be created.");
    std::string name = ProgramName.empty() ? std::string("qor1w") : ProgramName;
    for (;;) {
        SetHelpContext(2170);
        InputText("batch file name (without .sh)", 20, name);
        if (AbortFlag) return false;
        name = TrimBlanks(name);
        if (name.empty() || name.find_first_of("./\\") != std::string::npos) continue;
        std::string path;
        if (const int rc = WritePlotScript(line, name, path); rc != 0) {
            ShowError("file " + name + ".sh " + "cannot be created: " + FileErrorCause(rc, path));
            continue;
        }
        line = QuoteCommandArgument(path);
        return true;
    }
}

} // namespace

void EditPlotCommandLine(std::string& line, int mode) {
    // 1. the DXF file and the program directory of the line given.
    std::string dxf = mode == 0 ? AddBackslash(TempDir) + "kvilpen" : "*.dxf";
    std::string directory;
    {
        const std::vector<std::string> words = os::SplitCommandLine(line);
        const std::size_t blank = TrimBlanks(line).find(' ');
        if (!words.empty() && blank != std::string::npos) {
            const std::size_t sep = words[0].find_last_of("\\/");
            if (sep != std::string::npos) directory = words[0].substr(0, sep);
        }
    }
    // 2. defaults.
    int program = 2, code = 1, interface = 2;
    std::uint16_t port = 1;
    double scale = 1.0, shiftX = 0, shiftY = 0, factor = 1.0;
    bool rotate = false;
    std::string outFile, font;

    // 3. the program.
    SetItems({"WKVILPEN.EXE (Windows)", "KVILPEN.EXE (MS-DOS)"});
    SetHelpContext(2080);
    SelectCode("KVILPEN/WKVILPEN", 2, program);
    if (AbortFlag) return;
    const std::string programFile = program == 1 ? "wkvilpen.exe" : "kvilpen.exe";
    // 4. its directory, until the program is found there.
    std::string programPath;
    for (;;) {
        SetHelpContext(2080);
        InputText("Program directory of " + programFile, kPathLength, directory);
        if (AbortFlag) return;
        const std::string wanted = AddBackslash(directory) + programFile;
        if (CheckFileReadable(wanted)) {
            // The name as the file system spells it, so that the program starts.
            if (os::ResolvePathNoCase(wanted, programPath) != 0) programPath = wanted;
            break;
        }
    }
    // 5. destination.
    SetItems({"HP-GL Laserjet (HPL)", "Postscript  (PS)", "HP-GL (PLT)", "HP-GL/2  (PL2)",
              "Aristo  (ART)"});
    SetHelpContext(2090);
    SelectCode("destination code", 5, code);
    if (AbortFlag) return;
    code = std::clamp(code, 1, 5);
    // 6. the DXF file (mode 1).
    if (mode == 1) {
        SetHelpContext(2100);
        InputText("file name or wildcard", kPathLength, dxf);
        if (AbortFlag) return;
    }
    // 7. interface and port or file.
    SetItems({"serial", "parallel", "file"});
    SetHelpContext(2110);
    SelectCode("output interface", 3, interface);
    if (AbortFlag) return;
    SetHelpContext(interface == 3 ? 2130 : 2120);
    if (interface == 1)
        InputWordRange("COM-Port", port, 1, 4);
    else if (interface == 2)
        InputWordRange("LPT-Port", port, 1, 4);
    else
        InputText("destination file name", kPathLength, outFile);
    if (AbortFlag) return;
    // 8. scale, rotation, shifts, text factor, font.
    SetHelpContext(2140);
    InputDoubleRange("scale (0=fit limits)", scale, 0, 1000);
    if (AbortFlag) return;
    SetHelpContext(2145);
    AskYesNoFlag("rotate 90 degrees ?", rotate);
    if (AbortFlag) return;
    SetHelpContext(2150);
    InputDoubleRange("reference point shifting x direction", shiftX, -1e8, 1e8);
    if (AbortFlag) return;
    InputDoubleRange("reference point shifting y direction", shiftY, -1e8, 1e8);
    if (AbortFlag) return;
    SetHelpContext(2160);
    InputDoubleRange("Textwidth/height", factor, 0.1, 10);
    if (AbortFlag) return;
    if (code == 2) {
        SetHelpContext(2280);
        InputText("Postscript font", 28, font);
        if (AbortFlag) return;
    }
    // 9. the line.
    std::string built = QuoteCommandArgument(programPath) + " " + QuoteCommandArgument(dxf);
    built += std::string(" /C") + kDestinationCodes[code - 1];
    if (interface != 2) built += " /D" + IntToString(interface);
    if (interface != 3 && port != 1) built += " /P" + IntToString(port);
    if (interface == 3 && !TrimBlanks(outFile).empty())
        built += " " + QuoteCommandArgument("/F" + TrimBlanks(outFile));
    if (scale != 1) built += scale == 0 ? " /M*" : " /M" + FloatToStrSig3Dot(scale);
    if (shiftX != 0) built += " /X" + FloatToStrSig3Dot(shiftX);
    if (rotate) built += " /R";
    if (shiftY != 0) built += " /Y" + FloatToStrSig3Dot(shiftY);
    if (factor != 1) built += " /B" + FloatToStrSig3Dot(factor);
    if (code == 2) built += " " + QuoteCommandArgument("/T" + font);
    // 10. a line too long for one command goes into a shell script.
    if (mode == 0 && os::Utf8Length(built) > 60 && !AskScript(built)) return;
    line = built;
}
