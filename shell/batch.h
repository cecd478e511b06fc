#pragma once
// The batch modes of the command line (qor1wu): the usage text, the workshop data sheet as a TXT
// file (/I) and the CAD output (/CADi:j). They run without a window system and without a
// person: every question goes to stderr and is answered Cancel. The job is loaded and
// calculated; the output takes the job's name without directory and extension in the current
// directory (test.q1w /I -> test_sheet.txt, test.q1w /CAD1:1 -> test.dxf, /CAD2:j -> test.igs,
// /CAD5:j -> test.txt).
//
// Several switches (/I /CAD1:1) write each of their outputs in turn from the one calculation.
// Exit codes: 0 every output written; 1 the job could not be loaded; 2 an output asked for was
// not written (bad switch, a switch not acted on, fatal calculation error, a drawing or file
// that failed, standard output that took no usage text); 128 + the signal's number when SIGINT,
// SIGTERM or SIGHUP ended the run: its drafts are removed and the files it was replacing keep
// their old contents. Messages go to stderr, the usage text to stdout. For tests,
// QOR_SIGNAL_AT_DRAFT=n[:sig] sends the run the signal (SIGTERM unless given) once it has made
// its n-th draft or scratch folder.

#include "shell/command_line.h"

// No draft outlives SIGINT, SIGTERM or SIGHUP: a batch run (eventLoop false) removes its drafts
// and ends at once; the window program ends at its event loop once the work in hand is done
// (the descriptor returned is the pipe to watch there, -1 for batch runs). Reads
// QOR_SIGNAL_AT_DRAFT for tests.
int GuardDraftsAgainstSignals(bool eventLoop);

// Runs a command line for which IsBatchCommand holds and returns the exit code. Initialises the
// program itself (InitProgram) unless the caller did.
int RunBatch(const TCommandLine& line);

// CAD drawing j of the job to the output with code i (1 DXF, 2 IGES, 5 TXT), numbered as the CAD
// menu lists its drawings:
//   1 production drawing   2 Quick 4   3 Quick 3   4 gear   5 tooth   6 cutting tool   7 Quick
//   11..18 the eight tooth drawings (tooth, gap, generated gap, gear, gear with tooth shapes,
//          cutting tool, tooth contact, planetary gear)
//   21..32 the twelve items of the production drawing
// Everything of gear 2, the designed gear. An unknown j, or a drawing that fails, sets AbortFlag.
void BatchCadOutput(int i, int j);
// j names a drawing of BatchCadOutput.
bool BatchCadKnown(int j);
