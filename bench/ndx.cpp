// Index speed against references run in the same process: building an index of 1,000,000
// character keys against a plain std::sort of the same keys with their record numbers (target:
// at most 1.3 times as long), and a key search from the root against std::lower_bound over the
// same keys sorted in memory (target: at most 3 times as long). The counter "ratio" of
// BM_BuildIndex and BM_Find is that quotient; the whole Find command is shown beside.
//
//   build/release/bench/bench_ndx

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
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

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The reference: the keys with their record numbers sorted by std::sort. Seconds of one sort.
double SortOnce() {
    const Table& t = TheTable();
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::pair<std::string, int>> items;
    items.reserve(t.keys.size());
    for (int i = 0; i < kRecords; ++i)
        items.emplace_back(t.keys[i], i + 1);
    std::sort(items.begin(), items.end());
    benchmark::DoNotOptimize(items.data());
    return Seconds(std::chrono::steady_clock::now() - start);
}

void BM_SortReference(benchmark::State& state) {
    for (auto _ : state)
        SortOnce();
}
BENCHMARK(BM_SortReference)->Unit(benchmark::kMillisecond)->Iterations(3);

// Build and reference alternate, so that both see the same load of the machine.
void BM_BuildIndex(benchmark::State& state) {
    OpenTable();
    const std::string ndx = TheTable().dir + "/keys.ndx";
    double build = 0, sort = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!dbf::MakeIndex(ndx, "NAME", false, 1, false, false, {})) {
            state.SkipWithError(("build failed: " + dbf::ErrorText).c_str());
            break;
        }
        build += Seconds(std::chrono::steady_clock::now() - start);
        state.PauseTiming();
        sort += SortOnce();
        state.ResumeTiming();
    }
    state.counters["keys"] = kRecords;
    if (sort > 0) state.counters["ratio"] = build / sort;
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

// The reference: the probes looked up by std::lower_bound in the keys sorted in memory.
// Seconds for all probes.
double LowerBoundOnce(const std::vector<std::string>& sorted,
                      const std::vector<std::string>& probes) {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& p : probes)
        benchmark::DoNotOptimize(std::lower_bound(sorted.begin(), sorted.end(), p));
    return Seconds(std::chrono::steady_clock::now() - start);
}

std::vector<std::string> SortedKeys() {
    std::vector<std::string> sorted = TheTable().keys;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

void BM_FindReference(benchmark::State& state) {
    const std::vector<std::string> sorted = SortedKeys();
    const std::vector<std::string> probes = Probes();
    for (auto _ : state)
        LowerBoundOnce(sorted, probes);
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
    const std::vector<std::string> sorted = SortedKeys();
    long misses = 0;
    double search = 0, reference = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& p : probes) {
            const std::int32_t rec =
                dbf::SeekKey(c, reinterpret_cast<const std::uint8_t*>(p.data()));
            if (rec < 1 || TheTable().keys[rec - 1] != p) ++misses;
        }
        search += Seconds(std::chrono::steady_clock::now() - start);
        state.PauseTiming();
        reference += LowerBoundOnce(sorted, probes);
        state.ResumeTiming();
    }
    if (misses != 0) state.SkipWithError("a key was not found");
    if (reference > 0) state.counters["ratio"] = search / reference;
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
