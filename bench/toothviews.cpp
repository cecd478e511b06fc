// View 5 of the tooth drawings ("Gear (involute and tooth shape)") of a gear of 100 teeth on
// the screen: 100 contour inserts and 100 generated teeth, each inserting the cutting tool at
// 2 N + 1 roll positions, every insert expanded into the display list. Targets: under 1 s with
// N = 30 (the default), under 30 s with N = 2000 (the finest the drawing allows).

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "cad/cadout.h"
#include "cad/cadwriter.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "bench/gear100.h"
#include "drawings/toothviews.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/application.h"

namespace {

// The benchmark gear with its diameters, GearShapes tool positions per side.
void Gear(std::int32_t shapes) {
    SetUpGear100();
    TGearData& g = GearData;
    g.DrawDiameters = 2;
    CalculateGears();
    g.GearShapes = shapes;
}

void View5(benchmark::State& state) {
    InitCadVariables();
    RegisterCadWriters();
    Gear(static_cast<std::int32_t>(state.range(0)));
    if (CalcErrorFlag != 0) {
        state.SkipWithError("the gear is not calculated");
        return;
    }
    TDrawDevice device; // the screen's display list
    DrawDevice = &device;
    for (auto _ : state) {
        DisplayList->Clear();
        ToothDrawing(3, 2, 5, 1, 1);
        if (AbortFlag != 0) state.SkipWithError("the drawing failed");
    }
    state.counters["records"] = DisplayList->Count();
    DisplayList->Clear();
    DrawDevice = nullptr;
}
BENCHMARK(View5)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(View5)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

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
