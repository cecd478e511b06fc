// Index speed: building an index of 1,000,000 character keys must take less than 0.5 s, and a
// Find less than 5 microseconds, measured both as the key search from the root alone and as the
// whole Find command (Release build).
// Beside the build, a plain std::sort of the same million keys runs as the reference for the
// ratio; the search is measured over 100,000 random keys of the table against the cost of
// looking the same keys up in an in-memory sorted vector.
//
//   build/release/bench/bench_ndx

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/index/maintain.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/index/ndx.h"
#include "dbf/expr/expression.h"
#include "dbfbench.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kKeyLength = 10;
constexpr int kFinds = 100000;

struct Table {
    std::string dir;
    std::string dbf;
    std::vector<std::string> keys; // record i + 1 has keys[i]

    Table() {
        dir = dbfbench::MakeScratchDir("qor_bench_ndx_");
        dbf = dir + "/keys.dbf";
        std::mt19937 rnd(12345);
        const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        keys.resize(kRecords);
        for (std::string& k : keys) {
            k.resize(kKeyLength);
            for (char& c : k)
                c = letters[rnd() % 36];
        }
        // A plain dBASE III table: one field NAME C(10).
        std::vector<char> bytes(32 + 32 + 1, 0);
        bytes[0] = 3;
        bytes[1] = 124;
        bytes[2] = 1;
        bytes[3] = 1;
        const std::uint32_t count = kRecords;
        std::memcpy(&bytes[4], &count, 4);
        const std::uint16_t header = 65, recLen = 1 + kKeyLength;
        std::memcpy(&bytes[8], &header, 2);
        std::memcpy(&bytes[10], &recLen, 2);
        std::memcpy(&bytes[32], "NAME", 4);
        bytes[32 + 11] = 'C';
        bytes[32 + 16] = kKeyLength;
        bytes[64] = 0x0D;
        for (const std::string& k : keys) {
            bytes.push_back(' ');
            bytes.insert(bytes.end(), k.begin(), k.end());
        }
        bytes.push_back(0x1A);
        std::ofstream(dbf, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    ~Table() { dbfbench::RemoveScratchDir(dir); }
};

Table& TheTable() {
    static Table t;
    return t;
}

void OpenTable() {
    dbf::InitTzCommon();
    dbf::InitWorkAreas();
    dbf::InitParser();
    dbf::IndexInit();
    dbf::SetErrorReporting(false);
    dbf::MultiUser = false;
    dbf::AnsiTables = true;
    dbf::Select(1);
    dbf::Use(TheTable().dbf + " EXCLUSIVE");
    if (dbf::LastErrorCode != 0) std::fprintf(stderr, "USE failed: %s\n", dbf::ErrorText.c_str());
}

void BM_SortReference(benchmark::State& state) {
    const Table& t = TheTable();
    for (auto _ : state) {
        std::vector<std::pair<std::string, int>> items;
        items.reserve(t.keys.size());
        for (int i = 0; i < kRecords; ++i)
            items.emplace_back(t.keys[i], i + 1);
        std::sort(items.begin(), items.end());
        benchmark::DoNotOptimize(items.data());
    }
}
BENCHMARK(BM_SortReference)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BuildIndex(benchmark::State& state) {
    OpenTable();
    const std::string ndx = TheTable().dir + "/keys.ndx";
    for (auto _ : state) {
        if (!dbf::MakeIndex(ndx, "NAME", false, 1, false, false, {})) {
            state.SkipWithError(("build failed: " + dbf::ErrorText).c_str());
            break;
        }
    }
    state.counters["keys"] = kRecords;
    dbf::DoneWorkAreas();
}
BENCHMARK(BM_BuildIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

std::vector<std::string> Probes() {
    std::mt19937 rnd(777);
    std::vector<std::string> p(kFinds);
    for (std::string& s : p)
        s = TheTable().keys[rnd() % kRecords];
    return p;
}

void BM_FindReference(benchmark::State& state) {
    std::vector<std::string> sorted = TheTable().keys;
    std::sort(sorted.begin(), sorted.end());
    const std::vector<std::string> probes = Probes();
    for (auto _ : state) {
        for (const std::string& p : probes)
            benchmark::DoNotOptimize(std::lower_bound(sorted.begin(), sorted.end(), p));
    }
    state.SetItemsProcessed(state.iterations() * kFinds);
}
BENCHMARK(BM_FindReference)->Unit(benchmark::kMillisecond);

void BM_Find(benchmark::State& state) {
    OpenTable();
    const std::string ndx = TheTable().dir + "/keys.ndx";
    if (!dbf::Index_On("NAME", ndx)) {
        state.SkipWithError(("index failed: " + dbf::ErrorText).c_str());
        return;
    }
    dbf::TIndexControl& c = *dbf::IndexOrder(1);
    const std::vector<std::string> probes = Probes();
    long misses = 0;
    for (auto _ : state) {
        for (const std::string& p : probes) {
            const std::int32_t rec =
                dbf::SeekKey(c, reinterpret_cast<const std::uint8_t*>(p.data()));
            if (rec < 1 || TheTable().keys[rec - 1] != p) ++misses;
        }
    }
    if (misses != 0) state.SkipWithError("a key was not found");
    state.SetItemsProcessed(state.iterations() * kFinds);
    // Seconds per search (shown with an SI prefix, "u" for microseconds).
    state.counters["per_find"] = benchmark::Counter(
        kFinds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    dbf::DoneWorkAreas();
}
BENCHMARK(BM_Find)->Unit(benchmark::kMillisecond);

// The whole Find command: key from the text, search, the record read, the keys refreshed.
void BM_FindCommand(benchmark::State& state) {
    OpenTable();
    const std::string ndx = TheTable().dir + "/keys.ndx";
    if (!dbf::Index_On("NAME", ndx)) {
        state.SkipWithError(("index failed: " + dbf::ErrorText).c_str());
        return;
    }
    const std::vector<std::string> probes = Probes();
    long misses = 0;
    for (auto _ : state) {
        for (const std::string& p : probes)
            if (!dbf::Find(p) || TheTable().keys[dbf::RecNo() - 1] != p) ++misses;
    }
    if (misses != 0) state.SkipWithError("a key was not found");
    state.SetItemsProcessed(state.iterations() * kFinds);
    state.counters["per_find"] = benchmark::Counter(
        kFinds, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    dbf::DoneWorkAreas();
}
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
