// One million LINE entities through the CAD layer into an IGES file (code 2), and the same lines
// into a DXF file (code 1) in the same process as the reference: the IGES writer must take under
// 2 s; its time is reported as a ratio to the DXF writer's (counter vs_dxf).

#include <benchmark/benchmark.h>

#include "bench/cadlines.h"
#include "cad/cadwriter.h"

namespace {

using cadbench::WriteLines;

void BM_IgesMillionLines(benchmark::State& state) {
    InitAllSettings();
    InitCadVariables();
    RegisterCadWriters();
    TempDir = cadbench::OutputDir();
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
