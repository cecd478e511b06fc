#pragma once
// Starting other programs: always with an argument vector through posix_spawnp, never through
// a shell, so blanks, quotes and shell characters in arguments reach the program unchanged.
// Error style as in errors.h: 0 or a DOS code.

#include <string>
#include <string_view>
#include <vector>

#include "platform/os/errors.h"

namespace os {

struct SpawnOptions {
    bool wait = false;        // wait for the program to end and report its exit status
    std::string directory;    // working directory of the program; empty: ours
    bool quietOutput = false; // connect the program's stdout and stderr to /dev/null
    // With wait: the longest wait in milliseconds (0: until it ends). A program still running
    // then is ended (SIGTERM, SIGKILL a moment later) and the start fails with a cause that
    // says how long it was given.
    int timeoutMs = 0;
};

// Starts argv[0] (looked up in PATH unless it holds a '/') with argv. Returns
// kErrFileNotFound when the program is not found, kErrAccessDenied when it may not be run,
// kErrInvalidData for an empty argv. With options.wait the exit status goes to exitStatus
// (minus the signal's number when a signal ended it: never mistaken for an exit code, which
// 128 + the number would be); without it the program runs on its own and is reaped when it
// ends (no zombie), and exitStatus is 0.
int StartProcess(const std::vector<std::string>& argv, const SpawnOptions& options,
                 int& exitStatus);
// How a program ended, from StartProcess's exitStatus: "ended with code 3", "was ended by
// signal 13 (SIGPIPE: Broken pipe)".
std::string ProgramEndText(int exitStatus);
// Starts and does not wait.
int StartProcess(const std::vector<std::string>& argv);

// Opens a document, a directory or a link (http:, mailto:, file path) with the desktop's
// program for it (xdg-open), without waiting.
int OpenWithDesktop(const std::string& target);

// Splits a Windows command line ("C:\Program Files\x.exe" /a "b c") into arguments the way
// Windows programs do: blanks and tabs separate, double quotes group, "" inside quotes is a
// quote, backslashes are literal unless they precede a quote (2n backslashes + quote: n
// backslashes and a group toggle; 2n+1: n backslashes and a literal quote). Used for
// configured program commands so that they run without a shell.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The login name of the user running the program (the password database's entry for the real
// user, else $LOGNAME or $USER); empty when none is known.
std::string LoginName();

} // namespace os
