#pragma once
// Program start and end around the main window: what the libraries expect before any window
// exists (settings, CAD state, the DBF engine with its hooks, the user interface's hooks), the
// start-up of the main window (StartUp), and the main block that runs the message loop.

#include <string>
#include <vector>

// The program's parameters (argv[1..]), set by main.
extern std::vector<std::string> StartParams;

// The folder of what the program ships (help texts and pictures, example jobs, the "null"
// job): $QOR1W_DATA_DIR when set; else <prefix>/share/qor1w beside an installed program
// (<prefix>/bin/qor1w); else the data/ folder of the source tree the program was built from.
std::string InstalledDataDir();

// Makes the installed data folder known to the settings (ShippedDataDir): a blank or missing
// PLT directory (a configuration written on another system names folders this one has not)
// becomes that folder in CheckConfiguredDirectories.
void UseInstalledPictures();

// Every setting to its start value and the product identity, the CAD state, the gear data, the
// DBF engine (work areas, memo, parser and index hooks, its stop box, event processing,
// termination and confirmation hooks, message windows) and the user interface's hooks.
void InitProgram();

// The start-up of the main window (mode 8 from Thh::FormCreate; modes 6..9 skip the
// configuration, which the window has read; modes 1, 4 and 8 calculate): the command line
// (command_line.h), data directory, the defaults of a new job from the "null" job, the first
// calculation, the start picture. A job named on the command line is loaded (ArchiveMode, its
// name used as given); a name without extension, or one no file can be written under, is
// reported and ends the program (StartUpExitCode 1); a file that exists but cannot be read is
// reported, left alone, and the start goes on with a new job.
void StartUp(int mode);
// -1 while the start goes on; otherwise the exit code with which StartUp ended the program.
extern int StartUpExitCode;

// The defaults of a new job: the job "null" of the data directory (its name found whatever its
// letter case), when it is there; the job stays unnamed. A failed load leaves AbortFlag set.
void LoadNullJob();

// The end of the program: this process's block files and temporary files deleted, the work
// areas closed.
void DoneProgram();

// The main block: title, initialisation, the main window, the message loop, the end. With
// $QOR1W_START_PICTURE set to a file name the program writes the window's first picture there
// as PNG instead of running the loop and ends (for start-time measurements and smoke tests).
// Returns the exit code.
int RunProgram();
