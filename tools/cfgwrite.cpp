// cfgwrite DIR [--plot-lines N] [--comma]
// Writes the configuration file of a fresh start into DIR (for the file-layout check).
// --plot-lines N stores N plot command lines; --comma sets the comma as decimal sign first.
// Exit code 0 when the file was written, 2 otherwise.
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/core/globals.h"
#include "framework/core/config_file.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: cfgwrite DIR [--plot-lines N] [--comma]\n");
        return 2;
    }
    InitAllSettings();
    SetProductIdentity();
    ConfigDir = argv[1];
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plot-lines") == 0 && i + 1 < argc) {
            bool ok = false;
            const int n = ParseInteger(argv[++i], ok);
            if (!ok || n < 1 || n > PlotLineMax) {
                std::fprintf(stderr, "cfgwrite: plot lines 1..%d\n", PlotLineMax);
                return 2;
            }
            PlotLineCount = static_cast<std::uint16_t>(n);
            for (int k = 2; k <= n; ++k)
                PlotLines[k] = "plot line " + std::to_string(k);
        } else if (std::strcmp(argv[i], "--comma") == 0) {
            DecimalSign = 2;
        } else {
            std::fprintf(stderr, "cfgwrite: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    WriteConfiguration();
    if (AbortFlag) {
        std::fprintf(stderr, "cfgwrite: %s not written\n", ConfigFilePath().c_str());
        return 2;
    }
    return 0;
}
