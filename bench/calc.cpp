// CalculateGears of the start-up example; target: under 20 microseconds per call.
#include <benchmark/benchmark.h>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/globals.h"

namespace {

void BM_CalculateGearsStartUp(benchmark::State& state) {
    InitGearDataUnit();
    for (auto _ : state) {
        CalculateGears();
        benchmark::DoNotOptimize(GearData.a);
    }
    if (CalcErrorFlag != 0) state.SkipWithError("the start-up example stopped with a fatal error");
    state.counters["us_per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CalculateGearsStartUp)->Unit(benchmark::kMicrosecond);

// An internal helical pair with premachining and table allowances.
void BM_CalculateGearsInternal(benchmark::State& state) {
    InitGearDataUnit();
    GearData.mn = 2.5L;
    GearData.beta = 12;
    GearData.z = {23, -71};
    GearData.x = {0.4L, 0.2L};
    GearData.q = {0.1L, 0.1L};
    GearData.qTol = {0.05L, 0.05L};
    for (auto _ : state) {
        CalculateGears();
        benchmark::DoNotOptimize(GearData.a);
    }
    state.counters["us_per_call"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CalculateGearsInternal)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
