// The tooth blocks of a gear of 100 teeth: the generated tooth with 2000 tool positions (block
// "ZAHN2" inserting the tool "WERKZS2" at 2001 roll positions) and the exact tooth contour
// ("EVOLV2", the rolled-rack envelope) at its finest resolution, drawn onto the screen (each
// insert expanded into the display list) and into a DXF file. Target: each under 0.5 s.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "bench/gear100.h"
#include "drawings/toolprofile.h"
#include "drawings/toothform.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/application.h"

namespace {

// The benchmark gear at its finest resolutions.
void Gear() {
    SetUpGear100();
    TGearData& g = GearData;
    g.GearShapes = 1000; // 2 x 1000 + 1 roll positions
    g.InvolutePoints = 2000;
    g.FilletResolution = 2000;
    CalculateGears();
}

void Blocks(bool contour) {
    const TGearData& g = GearData;
    CadBeginDrawing(-30, 130, 30, 170);
    CadWriteTables(0);
    CadBeginBlocksSection();
    DiametersForShift(g.xeh);
    CadBeginBlock("WERKZS2");
    DrawToolProfile(2, true, 0);
    CadEndBlock();
    CadBeginBlock("ZAHN2");
    if (!contour) DrawGeneratedTooth(2);
    CadEndBlock();
    DiametersForShift(g.xee);
    CadBeginBlock("EVOLV2");
    if (contour) DrawToothGapContour(2, false);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock(contour ? "EVOLV2" : "ZAHN2", 0, 0, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
}

void Run(benchmark::State& state, std::uint16_t code, bool contour) {
    InitCadVariables();
    Gear();
    if (CalcErrorFlag != 0) {
        state.SkipWithError("the gear is not calculated");
        return;
    }
    const char* dir = std::getenv("QOR_BENCH_DIR");
    CadBatchOutput = 1;
    DataFileName = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/qor_bench_tooth";
    TDrawDevice device; // the screen's display list
    DrawDevice = &device;
    for (auto _ : state) {
        CadOpenOutput(code);
        if (code == 3) DisplayList->Clear();
        Blocks(contour);
        if (AbortFlag != 0) state.SkipWithError("the drawing failed");
    }
    if (code == 3) state.counters["records"] = DisplayList->Count();
    DrawDevice = nullptr;
}

void BM_GeneratedToothScreen(benchmark::State& state) {
    Run(state, 3, false);
}
void BM_GeneratedToothDxf(benchmark::State& state) {
    Run(state, 1, false);
}
void BM_ExactContourScreen(benchmark::State& state) {
    Run(state, 3, true);
}
BENCHMARK(BM_GeneratedToothScreen)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GeneratedToothDxf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ExactContourScreen)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    // The screen output needs the GUI application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    InitAllSettings();
    InitDrawWindowState();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
