// File > Open (Table) on a data directory of 1000 job files: every file read into a scratch copy,
// the rows put into the table window's grid, and the table sorted by each of its eight columns.
// Target: under 0.5 s. The reference reads the same files' bytes only (the disk's share).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "calc/geardata.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "platform/gui/forms.h"
#include "shell/job/jobfile.h"
#include "shell/job_table.h"
#include "shell/startup.h"

namespace fs = std::filesystem;

namespace {

const fs::path& JobDir() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "qor1w_bench_jobtable";
        fs::remove_all(d);
        fs::create_directories(d);
        InitProgram();
        AbortFlag = 0;
        LoadJobFile(std::string(QOR_SOURCE_DIR) + "/data/helical.q1w");
        for (int k = 0; k < 1000; ++k) {
            GearData.z[2] = 17 + k % 83;
            GearData.x[2] = -0.3L + 0.001L * (k % 700);
            GearData.mn = 1 + (k % 13) * 0.5L;
            GearData.beta = (k * 7) % 30;
            GearData.DrawingNumber[2] = "N-" + std::to_string(1000 - k);
            AbortFlag = 0;
            WriteGearDataFile((d / ("job" + std::to_string(k) + ".q1w")).string());
        }
        return d;
    }();
    return dir;
}

void BM_OpenTable(benchmark::State& state) {
    const std::string dir = AddBackslash(JobDir().string());
    for (auto _ : state) {
        TForm_preview* table = NewForm<TForm_preview>(nullptr);
        table->SetTable(JobTableTitles(), ScanJobFiles(dir));
        for (int c = 0; c < 8; ++c)
            table->SortByColumn(c);
        if (table->Rows().size() != 1000) state.SkipWithError("not every job was listed");
        table->Free();
    }
}
BENCHMARK(BM_OpenTable)->Unit(benchmark::kMillisecond);

void BM_ReadBytesOnly(benchmark::State& state) {
    const fs::path dir = JobDir();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const auto& e : fs::directory_iterator(dir)) {
            std::ifstream in(e.path(), std::ios::binary);
            bytes += std::string(std::istreambuf_iterator<char>(in), {}).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadBytesOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
