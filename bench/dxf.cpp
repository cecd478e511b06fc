// One million LINE entities through the CAD layer into a DXF file (code 1), as a drawing writes
// them: head, tables, entities, close (the file is flushed to the disk and renamed into place).
// bench/dxf_vs_ezdxf.py runs this program and python3-ezdxf on the same lines and compares.

#include <benchmark/benchmark.h>

#include "bench/cadlines.h"

namespace {

void BM_DxfMillionLines(benchmark::State& state) {
    InitAllSettings();
    InitCadVariables();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        cadbench::WriteLines(1, count);
        if (AbortFlag != 0) state.SkipWithError("the DXF file could not be written");
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DxfMillionLines)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
