// Number formatting and parsing speed: one million FloatToStrFix and one million StrToReal
// calls must take less than 0.5 s together (Release build). The C library's snprintf("%.*Lf")
// and strtold over the same data run beside them as a reference for the ratio.
//
//   build/release/bench/bench_textfmt --benchmark_min_time=1

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

constexpr int kCount = 1000000;

struct Data {
    std::vector<long double> values;
    std::vector<int> decimals;
    std::vector<std::string> texts;
};

const Data& Inputs() {
    static const Data data = [] {
        Data d;
        std::mt19937_64 rng(7);
        d.values.reserve(kCount);
        d.decimals.reserve(kCount);
        d.texts.reserve(kCount);
        const char* shapes[] = {"%.4Lf", "%.7Lf", "%.2Lf", "%.3Le"};
        for (int i = 0; i < kCount; ++i) {
            const long double mant = static_cast<long double>(rng() >> 11) / 0x1p53L;
            const int e10 = static_cast<int>(rng() % 12) - 4;
            long double x = mant * powl(10.0L, static_cast<long double>(e10));
            if (rng() % 3 == 0) x = -x;
            d.values.push_back(x);
            d.decimals.push_back(static_cast<int>(rng() % 8));
            char buf[64];
            std::snprintf(buf, sizeof buf, shapes[rng() % 4], x);
            std::string t = buf;
            if (rng() % 4 == 0) // a share of the texts with a decimal comma
                for (char& c : t)
                    if (c == '.') c = ',';
            d.texts.push_back(t);
        }
        return d;
    }();
    return data;
}

void BM_FormatAndParseMillion(benchmark::State& state) {
    InitAllSettings();
    const Data& d = Inputs();
    for (auto _ : state) {
        std::size_t chars = 0;
        for (int i = 0; i < kCount; ++i)
            chars += FloatToStrFix(1, d.decimals[static_cast<std::size_t>(i)],
                                   d.values[static_cast<std::size_t>(i)])
                         .size();
        long double sum = 0;
        for (int i = 0; i < kCount; ++i)
            sum += StrToReal(d.texts[static_cast<std::size_t>(i)]);
        benchmark::DoNotOptimize(chars);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["limit_s"] = 0.5;
}
BENCHMARK(BM_FormatAndParseMillion)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The same amount of work through the C library (locale-dependent, no padding, no rounding
// rule of our own): the reference for the ratio.
void BM_CLibraryReference(benchmark::State& state) {
    const Data& d = Inputs();
    for (auto _ : state) {
        std::size_t chars = 0;
        char buf[64];
        for (int i = 0; i < kCount; ++i)
            chars += static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%.*Lf",
                                                            d.decimals[static_cast<std::size_t>(i)],
                                                            d.values[static_cast<std::size_t>(i)]));
        long double sum = 0;
        for (int i = 0; i < kCount; ++i)
            sum += std::strtold(d.texts[static_cast<std::size_t>(i)].c_str(), nullptr);
        benchmark::DoNotOptimize(chars);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CLibraryReference)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
