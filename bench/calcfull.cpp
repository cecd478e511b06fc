// The full CalculateGears with every step (meshing, inspection dimensions, tolerances, warnings)
// on pairs that take the longer paths: a chamfered tool (its tip form diameters are found by
// iteration), a protuberance tool with premachining and ISO tolerances, and an internal pair.
// Target: under 20 microseconds per call.
#include <benchmark/benchmark.h>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/globals.h"

namespace {

void Report(benchmark::State& state) {
    if (CalcErrorFlag != 0) state.SkipWithError("the pair stopped with a fatal error");
    state.counters["us_per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Run(benchmark::State& state) {
    for (auto _ : state) {
        CalculateGears();
        benchmark::DoNotOptimize(GearData.epsalpha);
        benchmark::DoNotOptimize(GearData.MdKmax[2]);
    }
    Report(state);
}

void BM_FullChamferTool(benchmark::State& state) {
    InitGearDataUnit();
    TGearData& g = GearData;
    g.BasicRackType = {4, 4};
    g.alkP0 = {30, 30};
    g.hFfP0mn = {0.5L, 0.5L};
    g.prP0mn = {0, 0};
    g.alprP0 = {0, 0};
    g.q = {0.1L, 0.1L};
    g.qTol = {0.05L, 0.05L};
    Run(state);
}
BENCHMARK(BM_FullChamferTool)->Unit(benchmark::kMicrosecond);

void BM_FullProtuberanceIso(benchmark::State& state) {
    InitGearDataUnit();
    TGearData& g = GearData;
    g.BasicRackType = {3, 3};
    g.QualityStandard = 1;
    g.q = {0.15L, 0.15L};
    g.qTol = {0.05L, 0.05L};
    g.MeasureMode = 1;
    Run(state);
}
BENCHMARK(BM_FullProtuberanceIso)->Unit(benchmark::kMicrosecond);

void BM_FullInternalPair(benchmark::State& state) {
    InitGearDataUnit();
    TGearData& g = GearData;
    g.mn = 3;
    g.beta = 10;
    g.a = 0;
    g.z = {20, -80};
    g.x = {0.2L, 0.1L};
    g.BasicRackType = {2, 2};
    g.rhofP0mn = {0.2L, 0.2L};
    Run(state);
}
BENCHMARK(BM_FullInternalPair)->Unit(benchmark::kMicrosecond);

// An undercut pinion (z 10, no shift): its root form diameter is where the fillet crosses the
// involute.
void BM_FullUndercutPinion(benchmark::State& state) {
    InitGearDataUnit();
    TGearData& g = GearData;
    g.z = {10, 40};
    g.x = {0, 0};
    g.a = 0;
    g.beta = 0;
    Run(state);
}
BENCHMARK(BM_FullUndercutPinion)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
