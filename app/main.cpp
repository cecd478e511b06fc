#include <cstdio>
#include <cstring>

// Program entry. Arguments are parsed before any window system is touched, so the
// batch modes run without a display.
int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "/?") == 0 || std::strcmp(argv[i], "?") == 0) {
            std::puts("qor1w FILE [/I] [/CADi:j] [/E] [/NOGUI]");
            return 0;
        }
    }
    std::puts("qor1w: the main window is not built yet");
    return 0;
}
