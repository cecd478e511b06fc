// The command line of qor1w (qor1wu: the parameters StartUp reads).
#include "shell/command_line.h"

#include <charconv>
#include <string_view>

#include "framework/core/globals.h"
#include "shell/batch.h"

namespace {

std::string Upper(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// A whole number that is the whole text.
bool WholeNumber(std::string_view text, int& n) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    return ec == std::errc() && end == text.data() + text.size();
}

// "/CADi:j" after its first four characters: "i:j".
void ParseCad(std::string_view rest, TCommandLine& line) {
    const std::size_t colon = rest.find(':');
    int i = 0, j = 0;
    if (colon == std::string_view::npos || !WholeNumber(rest.substr(0, colon), i) ||
        !WholeNumber(rest.substr(colon + 1), j)) {
        line.Switch = StartSwitch::BadSwitch;
        line.Problem = line.SwitchText + ": write it /CADi:j (for example /CAD1:1)";
        return;
    }
    if (i != 1 && i != 2 && i != 5) {
        line.Switch = StartSwitch::BadSwitch;
        line.Problem =
            line.SwitchText + ": no CAD format " + std::to_string(i) + " (1 DXF, 2 IGES, 5 TXT)";
        return;
    }
    if (!BatchCadKnown(j)) {
        line.Switch = StartSwitch::BadSwitch;
        line.Problem = line.SwitchText + ": no drawing " + std::to_string(j) +
                       " (1..7, 11..18, 21..32; see /?)";
        return;
    }
    line.Switch = StartSwitch::Cad;
    line.CadCode = i;
    line.CadIndex = j;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& params) {
    TCommandLine line;
    if (params.empty()) return line;
    line.File = params[0];
    if (line.File == "?" || line.File == "/?") {
        line.Switch = StartSwitch::Usage;
        return line;
    }
    if (params.size() < 2) return line;
    line.SwitchText = params[1];
    const std::string& s = line.SwitchText;
    if (s == "/I" || s == "/i" || s == "-I" || s == "-i") {
        line.Switch = StartSwitch::Print;
    } else if (const std::string head = Upper(std::string_view(s).substr(0, 4));
               head == "/CAD" || head == "-CAD") {
        ParseCad(std::string_view(s).substr(4), line);
    } else if (s == "/E" || s == "/e") {
        line.Switch = StartSwitch::NoLoad;
    } else if (s == "/G") {
        line.Switch = StartSwitch::NameOnly;
    }
    return line;
}

bool IsBatchCommand(const TCommandLine& line) {
    switch (line.Switch) {
    case StartSwitch::Usage:
    case StartSwitch::Print:
    case StartSwitch::Cad:
    case StartSwitch::BadSwitch:
        return true;
    default:
        return false;
    }
}

std::vector<std::string> FillUsageText() {
    const std::string p = ProgramName;
    const std::string job = " test." + DataFileExt.str();
    const std::pair<int, std::string> shown[] = {
        {1, ProductTitle + " Command Line Mode"},
        {3, p + " Filename [/I] [/CADi:j] [/NOGUI]"},
        {5, "/I       -> TXT file: the workshop data sheet, Filename_sheet.txt"},
        {7, "/CADi:j  -> CAD File: Filename.dxf, .igs or .txt"},
        {8, "            i: 1=DXF, 2=IGS, 5=TXT"},
        {9, "            j: index (1,2,3, ..)"},
        {10, "               1 production drawing, 2 Quick 4, 3 Quick 3,"},
        {11, "               4 gear, 5 tooth, 6 cutting tool, 7 Quick,"},
        {12, "               11..18 tooth drawings 1..8,"},
        {13, "               21..32 production drawing items 1..12"},
        {15, "/?       -> Help"},
        {16, "Exit code: 0 done, 1 file not loaded, 2 nothing written"},
        {18, "Example: " + p + job + "             ->  GUI"},
        {19, "Example: " + p + job + " /I /NOGUI   ->  test_sheet.txt"},
        {20, "Example: " + p + job + " /CAD1:1     ->  test.dxf"},
        {21, "Example: " + p + job + " /CAD5:1     ->  test.txt"},
        // (/E starts the window without loading the file; the example shows what it does)
        {22, "Example: " + p + " test.edi /E          ->  GUI, no job loaded"},
    };
    for (int k = 1; k <= 22; ++k)
        TextLines[k] = "";
    for (const auto& [k, text] : shown)
        TextLines[k] = text;
    std::vector<std::string> lines;
    for (int k = 1; k <= 22; ++k)
        lines.push_back(TextLines[k].str());
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}
