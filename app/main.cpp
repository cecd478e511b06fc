// The program qor1w: the main window, or the usage text. Arguments are read before any window
// system is touched, so the usage text needs no display.
#include <cstdio>
#include <string>
#include <string_view>

#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "shell/startup.h"

namespace {
bool IsBatchSwitch(std::string_view s) {
    auto upper = [](std::string_view t) {
        std::string u(t);
        for (char& c : u)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return u;
    };
    const std::string u = upper(s);
    return u == "/I" || u == "-I" || u.rfind("/CAD", 0) == 0 || u.rfind("-CAD", 0) == 0;
}
} // namespace

int main(int argc, char** argv) {
    SetCommandLineParams(argc, argv);
    for (int i = 1; i < argc; ++i)
        StartParams.emplace_back(argv[i]);
    if (argc > 1 && (std::string_view(argv[1]) == "/?" || std::string_view(argv[1]) == "?")) {
        std::puts("qor1w FILE [/I] [/CADi:j] [/E] [/NOGUI]");
        return 0;
    }
    if (argc > 2 && IsBatchSwitch(argv[2])) {
        std::fprintf(stderr, "qor1w: %s: batch output is not available\n", argv[2]);
        return 2;
    }
    Application->Initialize(argc, argv);
    return RunProgram();
}
