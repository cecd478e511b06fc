// Sorted virtual files: appending records in random key order to an ASCENDING virtual file,
// 1,000 and 100,000 of them, against a std::multiset of the same keys filled in the same run.
// An append must stay O(log n): the counter "ratio" (time per append over the multiset's time
// per insert) is about the same at both sizes, and "per_append" at 100,000 is within a small
// factor of the one at 1,000 (a quadratic file would take 100 times as long per append).
//
//   build/release/bench/bench_vfile

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/base/hooks.h"
#include "dbf/base/runtime.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/table_file.h"
#include "dbf/table/work_areas.h"
#include "dbf/vfile/vfiles.h"

namespace {

std::vector<std::string> Keys(int count) {
    std::mt19937 rnd(20260101);
    std::vector<std::string> keys(static_cast<std::size_t>(count));
    for (std::string& k : keys) {
        char text[16];
        std::snprintf(text, sizeof text, "%010u", static_cast<unsigned>(rnd()));
        k = text;
    }
    return keys;
}

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Appends every key to a new ASCENDING virtual file in area 1; the seconds it took.
double FillVirtualFile(const std::vector<std::string>& keys) {
    static std::vector<std::uint8_t> block(1 + 11 + 8);
    dbf::Select(1);
    dbf::Use("*BENCH* VIRTUAL FILE ASCENDING", block.data(),
             static_cast<std::uint16_t>(block.size()));
    dbf::AddStru({{"KEY", 'C', 10, 0, 0}, {"SEQ", 'N', 8, 0, 0}});
    dbf::Set_VFileKey_To([] { return dbf::GetVarString(dbf::FieldAddress(1)); });
    dbf::Set_VFileMode_To(dbf::ASCENDING);
    const auto start = std::chrono::steady_clock::now();
    std::int64_t seq = 0;
    for (const std::string& k : keys) {
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), k, 10);
        dbf::SetVarInt64(dbf::FieldAddress(2), ++seq);
        dbf::Append();
    }
    const double seconds = Seconds(std::chrono::steady_clock::now() - start);
    if (dbf::LastErrorCode != 0 || dbf::RecCount() != static_cast<std::int32_t>(keys.size()))
        std::fprintf(stderr, "virtual file: %s\n", dbf::ErrorText.c_str());
    dbf::Use("");
    return seconds;
}

double FillMultiset(const std::vector<std::string>& keys) {
    const auto start = std::chrono::steady_clock::now();
    std::multiset<std::string> set;
    for (const std::string& k : keys)
        set.insert(k);
    benchmark::DoNotOptimize(set.size());
    return Seconds(std::chrono::steady_clock::now() - start);
}

void BM_SortedAppend(benchmark::State& state) {
    dbf::InitTzCommon();
    dbf::InitWorkAreas();
    dbf::ClearEngineHooks();
    dbf::InitVFiles();
    dbf::SetErrorReporting(false);
    const std::vector<std::string> keys = Keys(static_cast<int>(state.range(0)));
    double file = 0, reference = 0;
    for (auto _ : state) {
        const double f = FillVirtualFile(keys);
        const double r = FillMultiset(keys);
        state.SetIterationTime(f);
        file += f;
        reference += r;
    }
    const double n = static_cast<double>(keys.size()) * static_cast<double>(state.iterations());
    state.counters["per_append_us"] = 1e6 * file / n;
    state.counters["multiset_us"] = 1e6 * reference / n;
    if (reference > 0) state.counters["ratio"] = file / reference;
    state.SetItemsProcessed(static_cast<std::int64_t>(n));
    dbf::DoneWorkAreas();
}
BENCHMARK(BM_SortedAppend)
    ->Arg(1000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
