// Program start to the first drawn picture, over the whole process: qor1w is started as a user
// starts it (headless Qt platform, a fresh working directory), shows its main window with the
// start picture, writes that picture ($QOR1W_START_PICTURE) and ends. Target: under 1 s.
//
// Needs the program built beside this benchmark (<build>/app/qor1w).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/process.h"

namespace fs = std::filesystem;

namespace {

fs::path ProgramPath() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return self.parent_path().parent_path() / "app" / "qor1w";
}

void BM_StartToFirstPicture(benchmark::State& state) {
    const fs::path program = ProgramPath();
    if (!fs::exists(program)) {
        state.SkipWithError("qor1w is not built");
        return;
    }
    const fs::path dir = fs::temp_directory_path() / "qor1w_bench_start";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path picture = dir / "first.png";
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    ::setenv("QOR1W_START_PICTURE", picture.c_str(), 1);
    os::SpawnOptions options;
    options.wait = true;
    options.directory = dir.string();
    options.quietOutput = true;
    for (auto _ : state) {
        fs::remove(picture);
        int status = -1;
        std::error_code missing;
        if (os::StartProcess({program.string()}, options, status) != 0 || status != 0 ||
            fs::file_size(picture, missing) == 0 || missing) {
            state.SkipWithError("qor1w did not write its first picture");
            break;
        }
    }
    ::unsetenv("QOR1W_START_PICTURE");
    fs::remove_all(dir);
}
BENCHMARK(BM_StartToFirstPicture)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

} // namespace

BENCHMARK_MAIN();
