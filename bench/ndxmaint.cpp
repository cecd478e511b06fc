// Key maintenance speed. BM_AppendTwoIndexes: 100,000 appends into a table with two indexes
// (a random 10-character name and a number), with node reads and writes per key reported;
// BM_AppendNoIndex is the reference: the same appends without indexes. BM_EditFewKeys: 1,000
// edits of a column that holds only 10 distinct keys in 100,000 rows (every edit moves a key
// inside a run of about 10,000 equal keys).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/index/maintain.h"
#include "dbf/index/semaphore.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/index/ndx.h"
#include "dbf/expr/expression.h"
#include "dbfbench.h"

namespace {

constexpr int kRecords = 100000;

struct Dir {
    std::string path;
    Dir() : path(dbfbench::MakeScratchDir("qor_bench_ndx_")) {}
    ~Dir() { dbfbench::RemoveScratchDir(path); }
};

void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    dbf::InitTzCommon();
    dbf::InitWorkAreas();
    dbf::InitParser();
    dbf::IndexInit();
    dbf::InstallIndexMaintenanceHooks();
    dbf::SetErrorReporting(false);
    dbf::MultiUser = false;
}

void NewTable(const std::string& table) {
    using dbfbench::Def;
    std::vector<dbf::TDbfFieldDesc> fields = {Def("NAME", 'C', 10), Def("NUM", 'N', 10),
                                              Def("GRP", 'C', 4)};
    dbf::TWorkArea scratch;
    dbf::CreateDbf(scratch, table, fields);
    dbf::Select(1);
    dbf::Use(table + " EXCLUSIVE");
}

void AppendRows(int n, std::mt19937& rnd) {
    for (int i = 1; i <= n; ++i) {
        std::string name(10, ' ');
        for (char& c : name)
            c = static_cast<char>('A' + rnd() % 26);
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), name, 10);
        dbf::SetVarInt64(dbf::FieldAddress(2), static_cast<std::int64_t>(rnd() % 1000000));
        dbf::SetVarString(dbf::FieldAddress(3), "G" + std::to_string(i % 10), 4);
        dbf::Append();
        if (dbf::LastErrorCode != 0) return;
    }
}

void Appends(benchmark::State& state, bool indexed) {
    Start();
    for (auto _ : state) {
        state.PauseTiming();
        Dir dir;
        const std::string table = dir.path + "/t.dbf";
        NewTable(table);
        if (indexed) {
            dbf::MakeIndex(dir.path + "/name.ndx", "NAME", false, 1, false, false, {});
            dbf::MakeIndex(dir.path + "/num.ndx", "NUM", false, 2, false, false, {});
            dbf::Set_Index_To(dir.path + "/name.ndx " + dir.path + "/num.ndx");
        }
        dbf::IndexIoCounters = {};
        std::mt19937 rnd(1);
        state.ResumeTiming();
        AppendRows(kRecords, rnd);
        state.PauseTiming();
        if (dbf::LastErrorCode != 0) state.SkipWithError(dbf::ErrorText.c_str());
        const double keys = indexed ? 2.0 * kRecords : 1.0;
        state.counters["reads_per_key"] = dbf::IndexIoCounters.Reads / keys;
        state.counters["writes_per_key"] = dbf::IndexIoCounters.Writes / keys;
        dbf::Use("");
        state.ResumeTiming();
    }
}

void BM_AppendTwoIndexes(benchmark::State& state) {
    Appends(state, true);
}
void BM_AppendNoIndex(benchmark::State& state) {
    Appends(state, false);
}

void BM_EditFewKeys(benchmark::State& state) {
    Start();
    Dir dir;
    const std::string table = dir.path + "/t.dbf";
    NewTable(table);
    std::mt19937 rnd(2);
    AppendRows(kRecords, rnd);
    dbf::MakeIndex(dir.path + "/grp.ndx", "GRP", false, 1, false, false, {});
    dbf::Set_Index_To(dir.path + "/grp.ndx");
    for (auto _ : state) {
        dbf::IndexIoCounters = {};
        for (int i = 0; i < 1000; ++i) {
            dbf::Go(1 + static_cast<int>(rnd() % kRecords));
            dbf::SetVarString(dbf::FieldAddress(3), "G" + std::to_string(rnd() % 10), 4);
            dbf::Replace();
        }
        if (dbf::LastErrorCode != 0) state.SkipWithError(dbf::ErrorText.c_str());
        state.counters["reads_per_edit"] = dbf::IndexIoCounters.Reads / 1000.0;
        state.counters["writes_per_edit"] = dbf::IndexIoCounters.Writes / 1000.0;
    }
    dbf::Use("");
}

} // namespace

BENCHMARK(BM_AppendNoIndex)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AppendTwoIndexes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_EditFewKeys)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
