#pragma once
// plotline: the external plot program (CAD code 4), the lkvilp unit. The drawing is written as
// the DXF file "kvilpen.dxf" in TempDir, then the stored command line PlotLines[SelectedPlotLine]
// is started on it. This unit holds the writer of that output, the start of the command line
// (split like a Windows command line and started with posix_spawnp, never through a shell),
// and the prompt-driven editor of the command line, which writes a small shell script into
// TempDir when a line gets too long for one command. The form that builds a line from controls
// is in plotform.h.

#include <string>
#include <string_view>

#include "cad/dxfwrite.h"

// Name of the plot program's DXF file in TempDir.
constexpr const char* PlotFileName = "kvilpen.dxf";

// The editors of the plot command line (the plot program's form and the prompt-driven editor);
// installed by RegisterCadWriters. Without them the stored line is offered as text.
// The form hook shows the form with the line and returns false when it was cancelled.
using CadPlotFormFunc = bool (*)(std::string& commandLine);
using CadPlotLineEditFunc = void (*)(std::string& commandLine, int mode);
extern CadPlotFormFunc CadPlotFormHook;
extern CadPlotLineEditFunc CadPlotLineEditHook;

// Starts the plot command line on the DXF file fileName (the program runs in the file's
// directory; an argument naming "kvilpen.dxf" in any letter case is given the file's full
// name). 0 on success, else a DOS code (2 the program was not found).
int CadStartPlotProgram(const std::string& commandLine, const std::string& fileName);

// The writer of code 4: the DXF file, then the stored command line is started on it (its start
// failures are shown; the file stays in TempDir for another try).
class TPlotWriter : public TDxfWriter {
public:
    bool DrawsSheet() const override { return true; }
    int Close() override;
};

// One argument as a Windows command line quotes it (SplitCommandLine gives it back unchanged):
// as it is when it has no blank, tab or quote, else in double quotes.
std::string QuoteCommandArgument(std::string_view arg);
// One word for a POSIX shell: in single quotes, a quote inside as '\''.
std::string ShellQuote(std::string_view word);

// Writes the command line as the shell script TempDir/name.sh (executable, "#!/bin/sh", one
// exec line whose every word is quoted for the shell). 0, or the DOS code of the failure;
// scriptPath receives the file's full name.
int WritePlotScript(const std::string& commandLine, const std::string& name,
                    std::string& scriptPath);

// The prompt-driven editor: asks program, destination, interface and port or file, scale,
// rotation, shifts, text factor and font one after another and builds line from the answers.
// Mode 0 (the CAD output choice): the DXF file is TempDir/kvilpen, and a line longer than 60
// characters is put into a shell script whose name is asked (line becomes the script's name).
// Mode 1 also asks for a DXF file name or wildcard and writes no script. Cancel in any
// question sets AbortFlag and keeps line.
void EditPlotCommandLine(std::string& line, int mode);
