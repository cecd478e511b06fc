// The program qor1w: the main window, or a batch mode. The command line is read before any
// window system is touched: the usage text and the batch outputs (/I, /CADi:j) need no display.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dbf/base/errors.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/os/errors.h"
#include "shell/batch.h"
#include "shell/command_line.h"
#include "shell/startup.h"

namespace {
bool HasEnv(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

// Qt finds a window system: an X or Wayland display, or a platform chosen by the user.
bool DisplayAvailable() {
    return HasEnv("DISPLAY") || HasEnv("WAYLAND_DISPLAY") || HasEnv("QT_QPA_PLATFORM");
}
} // namespace

int main(int argc, char** argv) try {
    // Even the usage text may meet a reader that leaves early: a failed write, never SIGPIPE.
    os::IgnoreBrokenPipeSignal();
    SetCommandLineParams(argc, argv);
    for (int i = 1; i < argc; ++i)
        StartParams.emplace_back(argv[i]);
    const TCommandLine line = ParseCommandLine(StartParams);
    if (IsBatchCommand(line)) return RunBatch(line);
    if (!DisplayAvailable()) {
        if (line.Switch == StartSwitch::None && !line.File.empty() &&
            ExtractFileName(line.File).find('.') == std::string::npos) {
            std::fprintf(stderr, "qor1w: %s: extension .q1w missing\n", line.File.c_str());
            return 1;
        }
        // A switch given (/E, /G, a word) is named: it is why the window was asked for.
        const std::string why = line.SwitchText.empty()
                                    ? std::string("no display for the main window")
                                    : line.File + " " + line.SwitchText + ": " + line.SwitchText +
                                          " starts the main window, and there is no display for it";
        std::fprintf(stderr,
                     "qor1w: %s; /I and /CADi:j write their files without one (qor1w /? shows "
                     "how)\n",
                     why.c_str());
        return 2;
    }
    Application->Initialize(argc, argv);
    return RunProgram();
} catch (const dbf::ERivozError& e) {
    // The table engine leaves a failed operation to its caller; one that no window caught ends
    // the program here, and only here.
    return dbf::ReportHalt(e);
}
