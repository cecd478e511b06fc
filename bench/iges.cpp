// One million LINE entities through the CAD layer into an IGES file (code 2), and the same lines
// into a DXF file (code 1) in the same process as the reference: the IGES writer must take under
// 2 s; its time is reported as a ratio to the DXF writer's (counter vs_dxf).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"

namespace {

std::string OutputDir() {
    const char* dir = std::getenv("QOR_BENCH_DIR");
    return dir != nullptr && *dir != '\0' ? dir : "/tmp";
}

// The lines of bench/dxf.cpp: a fan of short segments over a 1000 x 1000 field. Seconds taken.
double WriteLines(std::uint16_t code, int count) {
    const auto start = std::chrono::steady_clock::now();
    CadBatchOutput = 1;
    DataFileName = OutputDir() + "/qor_bench_lines";
    CadOpenOutput(code);
    CadBeginDrawing(0, 0, 1000, 1000);
    CadWriteTables(0);
    CadBeginEntities();
    for (int i = 0; i < count; ++i) {
        const long double x = (i % 1000) * 1.000123L;
        const long double y = (i / 1000) * 0.999877L;
        CadLine(x, y, x + 0.5L, y + 0.25L);
    }
    CadEndSection();
    CadCloseOutput();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_IgesMillionLines(benchmark::State& state) {
    InitAllSettings();
    InitCadVariables();
    RegisterCadWriters();
    TempDir = OutputDir();
    const int count = static_cast<int>(state.range(0));
    double iges = 0, dxf = 0;
    long runs = 0;
    for (auto _ : state) {
        iges += WriteLines(2, count);
        if (AbortFlag != 0) state.SkipWithError("the IGES file could not be written");
        state.PauseTiming();
        dxf += WriteLines(1, count); // the reference, in the same run
        state.ResumeTiming();
        ++runs;
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["iges_s"] = iges / runs;
    state.counters["dxf_s"] = dxf / runs;
    state.counters["vs_dxf"] = iges / dxf;
    if (iges / runs >= 2.0) state.SkipWithError("one million lines to IGES took 2 s or more");
}
BENCHMARK(BM_IgesMillionLines)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
