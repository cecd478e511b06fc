#pragma once
// The program's command line: parameter 1 is "?", "/?" or a job file, then the switches.
//   /I /i -I -i      print the workshop data sheet of the job to <job>_sheet.txt and end
//   /CADi:j -CADi:j  write CAD drawing j of the job in format i (1 DXF, 2 IGES, 5 TXT) and end
//   /E /e            start without loading anything
//   /G               start with the name of the job, loading nothing
//   anything else    start with the job loaded
// "/NOGUI" anywhere is read by the message routines (no message lists after a calculation) and
// is passed over here. A batch run writes every output its switches ask for (/I /CAD1:1: the
// sheet and the DXF file); a parameter beside them that asks for none (/E, /G, a word) or an
// output another switch writes too (/CAD1:1 /CAD1:2, both <job>.dxf) refuses the run before
// anything is loaded, as a bad switch does. A batch switch where the job belongs (qor1w /I) is
// a missing job, not a job named "/I". The usage screen and the two batch modes need no window
// system: main reads the command line before it creates one.

#include <string>
#include <vector>

enum class StartSwitch {
    None,      // start with the job of parameter 1 loaded (or nothing when there is none)
    Usage,     // "?" or "/?"
    Print,     // "/I": the workshop data sheet as a TXT file
    Cad,       // "/CADi:j"
    NoLoad,    // "/E"
    NameOnly,  // "/G"
    BadSwitch, // "/CAD..." that names no format or no drawing: nothing is loaded or written
    NoJob,     // "/I" or "/CADi:j" where the job belongs: nothing is loaded or written
};

// One output a batch switch asks for.
struct TBatchOutput {
    StartSwitch Switch = StartSwitch::Print; // Print or Cad
    std::string SwitchText;                  // as given
    int CadCode = 0;                         // i of /CADi:j: 1, 2 or 5
    int CadIndex = 0;                        // j of /CADi:j: a drawing BatchCadOutput knows
};

struct TCommandLine {
    StartSwitch Switch = StartSwitch::None;
    std::string File;                  // parameter 1 ("" without parameters)
    std::string SwitchText;            // the first parameter after it other than /NOGUI
    std::vector<TBatchOutput> Outputs; // Print and Cad: every output asked for, in order
    std::string Problem;               // why a switch is bad
};

// Reads the parameters (argv[1..]). "/CAD" and "-CAD" are recognised by their first four
// characters in any case; i and j must be whole numbers around one ":", i one of 1, 2 and 5,
// j one of the drawings of BatchCadKnown (batch.h). A switch given twice asks once.
TCommandLine ParseCommandLine(const std::vector<std::string>& params);

// Usage, Print, Cad, BadSwitch and NoJob end the program without a window.
bool IsBatchCommand(const TCommandLine& line);

// The usage screen: TextLines[1..22] (each cut to 65 characters), also returned as lines.
std::vector<std::string> FillUsageText();
