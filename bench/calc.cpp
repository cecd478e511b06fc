// CalculateGears of the start-up example and of an internal helical pair, each against the
// textbook pair core run first in the same process (counter x_core: how many times its cost).
// Target: under 20 microseconds per call, at most 20 times the core.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/globals.h"

namespace {

using Clock = std::chrono::steady_clock;
double CoreSeconds = 0; // per call, from BM_TextbookPairCore

// inv(a) = y by Newton's method from the start of its series, in extended precision.
long double ArcInvolute(long double y) {
    const long double u = std::cbrt(3 * y);
    long double a = u * (1 - 2 * u * u / 15);
    for (int n = 0; n < 8; ++n) {
        const long double t = std::tan(a), step = (t - a - y) / (t * t);
        a -= step;
        if (std::fabs(step) < 1e-15L * a) break;
    }
    return a;
}

// The textbook pair core (ISO 21771), what any calculation of the pair works out at least, in
// closed form: base geometry, operating angle and centre distance, tip circles, transverse
// contact ratio, and per gear the tip thickness, the span and the dimension over balls.
long double TextbookPairCore(const TGearData& g) {
    constexpr long double pi = 3.14159265358979323846L;
    const long double an = g.alpha * pi / 180, be = g.beta * pi / 180, ta = std::tan(an);
    const long double at = std::atan(ta / std::cos(be)), mt = g.mn / std::cos(be);
    const long double invAt = std::tan(at) - at;
    const long double awt = ArcInvolute(invAt + 2 * ta * (g.x[1] + g.x[2]) / (g.z[1] + g.z[2]));
    const long double cbb = std::cos(std::atan(std::tan(be) * std::cos(at)));
    long double path = 0, sum = 0, db[3];
    for (int i = 1; i <= 2; ++i) {
        const long double d = g.z[i] * mt, da = d + 2 * g.mn * (1 + g.x[i]);
        db[i] = d * std::cos(at);
        const long double aa = std::acos(db[i] / da);
        path += std::sqrt(da * da - db[i] * db[i]) / 2;
        sum += da * (mt * (pi / 2 + 2 * g.x[i] * ta) / d + invAt - (std::tan(aa) - aa));
        sum += g.mn * std::cos(an) * ((3 - 0.5L) * pi + g.z[i] * invAt) +
               2 * g.x[i] * g.mn * std::sin(an);
        const long double aK =
            ArcInvolute(invAt + g.DM[i] / (db[i] * cbb) - (pi - 4 * g.x[i] * ta) / (2 * g.z[i]));
        sum += db[i] / std::cos(aK) + g.DM[i];
    }
    const long double a = (db[1] + db[2]) / 2 / std::cos(awt);
    return sum + (path - a * std::sin(awt)) / (pi * mt * std::cos(at));
}

void BM_TextbookPairCore(benchmark::State& state) {
    InitGearDataUnit();
    const auto start = Clock::now();
    for (auto _ : state)
        benchmark::DoNotOptimize(TextbookPairCore(GearData));
    CoreSeconds = std::chrono::duration<double>(Clock::now() - start).count() /
                  static_cast<double>(state.iterations());
}
BENCHMARK(BM_TextbookPairCore)->Unit(benchmark::kMicrosecond);

// Times CalculateGears, with next() before each call (what changes from one call to the next).
void Run(benchmark::State& state, void (*next)() = [] {}) {
    const auto start = Clock::now();
    for (auto _ : state) {
        next();
        CalculateGears();
        benchmark::DoNotOptimize(GearData.a);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count() /
                           static_cast<double>(state.iterations());
    if (CalcErrorFlag != 0) state.SkipWithError("the pair stopped with a fatal error");
    state.counters["us_per_call"] = seconds * 1e6;
    if (CoreSeconds > 0) state.counters["x_core"] = seconds / CoreSeconds;
}

void BM_CalculateGearsStartUp(benchmark::State& state) {
    InitGearDataUnit();
    Run(state);
}
BENCHMARK(BM_CalculateGearsStartUp)->Unit(benchmark::kMicrosecond);

// An internal helical pair with premachining and table allowances.
void InternalPair() {
    InitGearDataUnit();
    GearData.mn = 2.5L;
    GearData.beta = 12;
    GearData.z = {23, -71};
    GearData.x = {0.4L, 0.2L};
    GearData.q = {0.1L, 0.1L};
    GearData.qTol = {0.05L, 0.05L};
}

void BM_CalculateGearsInternal(benchmark::State& state) {
    InternalPair();
    Run(state);
}
BENCHMARK(BM_CalculateGearsInternal)->Unit(benchmark::kMicrosecond);

// The same pair as a new gear at every call: its angles moved by a trifle each time, so that no
// value the calculation remembers from one call serves the next.
void BM_CalculateGearsInternalFresh(benchmark::State& state) {
    InternalPair();
    Run(state, [] {
        GearData.alpha += 1e-9L;
        GearData.beta += 1e-9L;
    });
}
BENCHMARK(BM_CalculateGearsInternalFresh)->Unit(benchmark::kMicrosecond);

void BM_CalculateGearsStartUpFresh(benchmark::State& state) {
    InitGearDataUnit();
    Run(state, [] { GearData.alpha += 1e-9L; });
}
BENCHMARK(BM_CalculateGearsStartUpFresh)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
