// Expression evaluation speed: one million evaluations of the index key UPPER(NAME)+DTOS(DATUM)
// and one million of STR(WERT,10,2) must each take less than 0.5 s (Release build), with no
// heap allocation after the first evaluation. Each evaluation sees another record: 1000 record
// images of a real table are copied into the area's record buffer in turn, as an index build
// reads them. A hand-written key builder over the same records runs beside them as the
// reference for the ratio.
//
//   build/release/bench/bench_dbfexpr
//
// The counter "allocations" must be 0; a run that allocates reports an error.

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/expr/values.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/expr/expression.h"

#include "dbfbench.h"

namespace {
std::atomic<long> g_allocations{0};
} // namespace

// GCC pairs the free() below with the new-expressions it inlines and warns of a mismatch; both
// sides are these replacements, which pair malloc with free.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
    ++g_allocations;
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kCount = 1000000;
constexpr int kRecords = 1000;

struct Table {
    std::string dir;
    std::vector<std::vector<char>> records; // record images as read
};

using dbfbench::Def;

// A table of 1000 records in area 1 (kept open for the whole run) and their record images.
Table& Open() {
    static Table t = [] {
        Table r;
        r.dir = dbfbench::MakeScratchDir("qor_bench_dbfexpr_");
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::InitParser();
        dbf::SetErrorReporting(false);
        dbf::SetDateFormat(5);
        std::vector<dbf::TDbfFieldDesc> defs = {Def("NAME", 'C', 20), Def("DATUM", 'D', 8),
                                                Def("WERT", 'N', 10, 2)};
        dbf::TWorkArea scratch;
        const std::string path = r.dir + "/bench.dbf";
        dbf::CreateDbf(scratch, path, defs);
        dbf::Select(1);
        dbf::Use(path + " EXCLUSIVE");
        std::mt19937 rnd(5);
        const char* names[] = {"Zahnrad", "ritzel", "Hohlrad", "m\xfcller",
                               "stra\xdf"
                               "e"};
        for (int i = 0; i < kRecords; ++i) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1),
                              std::string(names[rnd() % 5]) + " " + std::to_string(rnd() % 100000),
                              20);
            const double j = 2400000 + rnd() % 100000;
            dbf::SetVarString(dbf::FieldAddress(2),
                              dbf::DbfTextToBlockDate(dbf::JulianToDateStr(j)), 10);
            dbf::SetVarDouble(dbf::FieldAddress(3),
                              (static_cast<int>(rnd() % 2000000) - 1000000) / 100.0);
            dbf::Append();
        }
        for (int i = 1; i <= kRecords; ++i) {
            dbf::Go(i);
            r.records.push_back(dbf::CurrentWorkArea()->RecordBuffer);
        }
        if (dbf::LastErrorCode != 0) std::fprintf(stderr, "table: %s\n", dbf::ErrorText.c_str());
        // The open area keeps the file; nothing is left behind in /tmp.
        unlink(path.c_str());
        rmdir(r.dir.c_str());
        return r;
    }();
    return t;
}

void Run(benchmark::State& state, const char* text) {
    Table& t = Open();
    dbf::CompiledExpr* e = dbf::AssignExpr(text);
    if (e == nullptr) {
        state.SkipWithError("expression does not compile");
        return;
    }
    std::vector<char>& buffer = dbf::CurrentWorkArea()->RecordBuffer;
    dbf::EvaluateExpr(e); // the first evaluation may set things up
    long allocations = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const long before = g_allocations.load();
        for (int i = 0; i < kCount; ++i) {
            const std::vector<char>& rec = t.records[static_cast<std::size_t>(i % kRecords)];
            std::memcpy(buffer.data(), rec.data(), rec.size());
            const char* key = static_cast<const char*>(dbf::EvaluateExpr(e));
            bytes += static_cast<unsigned char>(key[0]);
        }
        allocations += g_allocations.load() - before;
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["allocations"] = static_cast<double>(allocations);
    state.counters["evaluations"] = kCount;
    if (allocations != 0) state.SkipWithError("heap allocation during evaluation");
    dbf::FreeExpr(e);
}

void BM_KeyUpperNameDtosDatum(benchmark::State& state) {
    Run(state, "UPPER(NAME)+DTOS(DATUM)");
}
BENCHMARK(BM_KeyUpperNameDtosDatum)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StrWert(benchmark::State& state) {
    Run(state, "STR(WERT,10,2)");
}
BENCHMARK(BM_StrWert)->Unit(benchmark::kMillisecond)->Iterations(3);

// Reference: the same key built by hand from the record bytes (no expression engine).
void BM_ReferenceHandKey(benchmark::State& state) {
    Table& t = Open();
    const dbf::TWorkArea* a = dbf::CurrentWorkArea();
    const dbf::TDbfFieldDesc& name = a->Fields[0];
    const dbf::TDbfFieldDesc& datum = a->Fields[1];
    char key[64];
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (int i = 0; i < kCount; ++i) {
            const std::vector<char>& rec = t.records[static_cast<std::size_t>(i % kRecords)];
            for (int k = 0; k < name.Length; ++k)
                key[k] = dbf::UpCaseChar(rec[name.Offset + static_cast<std::size_t>(k)]);
            char d[8];
            dbf::JulianToDateChars(
                dbf::DateStrToJulian(std::string_view(rec.data() + datum.Offset, 8)), d);
            std::memcpy(key + name.Length, d, 8);
            bytes += static_cast<unsigned char>(key[3]);
        }
    }
    benchmark::DoNotOptimize(bytes);
}
BENCHMARK(BM_ReferenceHandKey)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
