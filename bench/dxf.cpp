// One million LINE entities through the CAD layer into a DXF file (code 1), as a drawing writes
// them: head, tables, entities, close (the file is flushed to the disk and renamed into place).
// bench/dxf_vs_ezdxf.py runs this program and python3-ezdxf on the same lines and compares.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstdio>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"

namespace {

std::string OutputBase() {
    const char* dir = std::getenv("QOR_BENCH_DIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/qor_bench_lines";
}

// The lines of the benchmark: a fan of short segments over a 1000 x 1000 field, so that every
// coordinate has a different text.
void WriteLines(int count) {
    CadBatchOutput = 1;
    DataFileName = OutputBase();
    CadOpenOutput(1);
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
}

void BM_DxfMillionLines(benchmark::State& state) {
    InitAllSettings();
    InitCadVariables();
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        WriteLines(count);
        if (AbortFlag != 0) state.SkipWithError("the DXF file could not be written");
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DxfMillionLines)->Arg(1000000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
