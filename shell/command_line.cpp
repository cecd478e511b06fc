// The command line of qor1w (qor1wu: the parameters StartUp reads).
#include "shell/command_line.h"

#include <algorithm>
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

// "/CADi:j" after its first four characters: "i:j". Cad, or BadSwitch with the problem.
StartSwitch ParseCad(std::string_view rest, TBatchOutput& out, std::string& problem) {
    const std::size_t colon = rest.find(':');
    int i = 0, j = 0;
    const std::string& s = out.SwitchText;
    if (colon == std::string_view::npos || !WholeNumber(rest.substr(0, colon), i) ||
        !WholeNumber(rest.substr(colon + 1), j)) {
        problem = s + ": write it /CADi:j (for example /CAD1:1)";
        return StartSwitch::BadSwitch;
    }
    if (i != 1 && i != 2 && i != 5) {
        problem = s + ": no CAD format " + std::to_string(i) + " (1 DXF, 2 IGES, 5 TXT)";
        return StartSwitch::BadSwitch;
    }
    if (!BatchCadKnown(j)) {
        problem = s + ": no drawing " + std::to_string(j) + " (1..7, 11..18, 21..32; see /?)";
        return StartSwitch::BadSwitch;
    }
    out.CadCode = i;
    out.CadIndex = j;
    return out.Switch = StartSwitch::Cad;
}

// What the switch s asks for: Print and Cad fill out, BadSwitch gives the problem.
StartSwitch ReadSwitch(const std::string& s, TBatchOutput& out, std::string& problem) {
    out = {};
    out.SwitchText = s;
    if (s == "/I" || s == "/i" || s == "-I" || s == "-i") return out.Switch = StartSwitch::Print;
    if (const std::string head = Upper(std::string_view(s).substr(0, 4));
        head == "/CAD" || head == "-CAD")
        return ParseCad(std::string_view(s).substr(4), out, problem);
    if (s == "/E" || s == "/e") return StartSwitch::NoLoad;
    if (s == "/G") return StartSwitch::NameOnly;
    return StartSwitch::None;
}

bool AsksForOutput(StartSwitch s) {
    return s == StartSwitch::Print || s == StartSwitch::Cad || s == StartSwitch::BadSwitch;
}

// Every output the switches ask for, or BadSwitch with the first switch that cannot be acted on:
// one that is wrong, one that asks for no output, one that writes the file of another.
void ReadOutputs(const std::vector<std::string>& switches, TCommandLine& line) {
    for (const std::string& s : switches) {
        TBatchOutput out;
        const StartSwitch kind = ReadSwitch(s, out, line.Problem);
        if (!AsksForOutput(kind))
            line.Problem = s + ": not acted on beside /I and /CADi:j (only /NOGUI may go with "
                               "them); nothing written";
        // The sheet has a file of its own, each CAD format one for all its drawings.
        const auto same = std::find_if(line.Outputs.begin(), line.Outputs.end(), [&](auto& o) {
            return o.Switch == out.Switch && o.CadCode == out.CadCode;
        });
        if (AsksForOutput(kind) && kind != StartSwitch::BadSwitch && same != line.Outputs.end()) {
            if (same->CadIndex == out.CadIndex) continue; // asked twice: written once
            line.Problem =
                s + ": writes the file of " + same->SwitchText + " as well; nothing written";
        }
        if (kind == StartSwitch::BadSwitch || !line.Problem.empty()) {
            line.Switch = StartSwitch::BadSwitch;
            line.Outputs.clear();
            return;
        }
        line.Outputs.push_back(out);
    }
    line.Switch = line.Outputs.front().Switch;
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
    if (TBatchOutput out; AsksForOutput(ReadSwitch(line.File, out, line.Problem))) {
        // Not a job without extension: the job is missing before its switch.
        line.Switch = StartSwitch::NoJob;
        line.Problem =
            line.File + ": the job is missing: name its file first (FILE.q1w " + line.File + ")";
        return line;
    }
    std::vector<std::string> switches;
    for (std::size_t k = 1; k < params.size(); ++k)
        if (Upper(params[k]) != "/NOGUI") switches.push_back(params[k]);
    if (switches.empty()) return line;
    line.SwitchText = switches.front();
    TBatchOutput out;
    std::string problem;
    if (std::any_of(switches.begin(), switches.end(), [&](const std::string& s) {
            return AsksForOutput(ReadSwitch(s, out, problem));
        }))
        ReadOutputs(switches, line);
    else
        line.Switch = ReadSwitch(switches.front(), out, problem);
    return line;
}

bool IsBatchCommand(const TCommandLine& line) {
    switch (line.Switch) {
    case StartSwitch::Usage:
    case StartSwitch::Print:
    case StartSwitch::Cad:
    case StartSwitch::BadSwitch:
    case StartSwitch::NoJob:
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
        {4, "  /I and /CADi:j together: each file is written"},
        {5, "/I       -> TXT file: the workshop data sheet, Filename_sheet.txt"},
        {7, "/CADi:j  -> CAD File: Filename.dxf, .igs or .txt"},
        {8, "            i: 1=DXF, 2=IGS, 5=TXT"},
        {9, "            j: index (1,2,3, ..)"},
        {10, "               1 production drawing, 2 Quick 4, 3 Quick 3,"},
        {11, "               4 gear, 5 tooth, 6 cutting tool, 7 Quick,"},
        {12, "               11..18 tooth drawings 1..8,"},
        {13, "               21..32 production drawing items 1..12"},
        {15, "/?       -> Help"},
        {16, "Exit code: 0 done, 1 file not loaded, 2 a file not written,"},
        {17, "           128 + signal: ended by Ctrl+C, SIGTERM or SIGHUP"},
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
