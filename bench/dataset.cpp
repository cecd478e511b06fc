// Dataset speed: 100,000 records iterated through the table dataset, five fields read from each
// (target under 0.3 s), reported as a ratio to the engine's own scan of the same records with
// the same five values read from its field variables, measured in the same run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/base/runtime.h"
#include "dbf/dataset/command_dataset.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/work_areas.h"

#include "dbfbench.h"

namespace {

constexpr int kRecords = 100000;

// A dataset that only reads.
class ReadingTable : public dbf::TTzCDataSet {
protected:
    bool OpenDbf(const std::string& name) override {
        dbf::Use(name);
        return dbf::LastErrorCode == 0;
    }
    bool s_AppendWithLock() override { return false; }
    bool s_DeleteWithLock() override { return false; }
    bool s_RestoreWithLock() override { return false; }
    bool s_ReplaceWithLock() override { return false; }
};

struct Fixture {
    std::string dir, table;
    Fixture() {
        dir = dbfbench::MakeScratchDir("qor_bench_ds_");
        table = dir + "/scan.dbf";
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::SetErrorReporting(false);
        using dbfbench::Def;
        std::vector<dbf::TDbfFieldDesc> fields = {Def("NAME", 'C', 30), Def("NUM", 'N', 10),
                                                  Def("VAL", 'N', 12, 3), Def("DAY", 'D', 8),
                                                  Def("OK", 'L', 1)};
        dbfbench::CreateAndUse(table, fields);
        for (int i = 1; i <= kRecords; ++i) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), "Record " + std::to_string(i), 30);
            dbf::SetVarInt64(dbf::FieldAddress(2), 1000000000LL * (i % 7) + i);
            dbf::SetVarDouble(dbf::FieldAddress(3), i / 8.0);
            dbf::SetVarString(dbf::FieldAddress(4), "01/02/2026", 10);
            dbf::SetVarBool(dbf::FieldAddress(5), i % 2 == 1);
            dbf::Append();
        }
        dbf::FreeWorkArea();
    }
    ~Fixture() { dbfbench::RemoveScratchDir(dir); }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

struct Sums {
    long count = 0;
    std::size_t text = 0;
    double value = 0;
};

// The engine's own scan: skip through the shared table, read the five field variables.
Sums EngineScan() {
    Sums s;
    dbf::GoTop();
    const std::uint8_t* name = dbf::FieldAddress(1);
    const std::uint8_t* num = dbf::FieldAddress(2);
    const std::uint8_t* val = dbf::FieldAddress(3);
    const std::uint8_t* day = dbf::FieldAddress(4);
    const std::uint8_t* ok = dbf::FieldAddress(5);
    while (!dbf::dEOF()) {
        s.text += dbf::GetVarString(name).size() + dbf::GetVarString(day).size();
        s.value += static_cast<double>(dbf::GetVarInt64(num)) + dbf::GetVarDouble(val) +
                   (dbf::GetVarBool(ok) ? 1 : 0);
        ++s.count;
        dbf::Skip(1);
    }
    return s;
}

Sums DatasetScan(ReadingTable& t) {
    Sums s;
    TField* name = t.FieldByName("NAME");
    TField* num = t.FieldByName("NUM");
    TField* val = t.FieldByName("VAL");
    TField* day = t.FieldByName("DAY");
    TField* ok = t.FieldByName("OK");
    for (t.First(); !t.Eof(); t.Next()) {
        s.text += name->AsString().size();
        s.value += static_cast<double>(num->AsLargeInt()) + val->AsFloat() + day->AsDateTime() +
                   (ok->AsBoolean() ? 1 : 0);
        ++s.count;
    }
    return s;
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_EngineScan(benchmark::State& state) {
    Fixture& f = Data();
    dbf::Select(1);
    dbf::Use(f.table);
    Sums s;
    for (auto _ : state) {
        s = EngineScan();
        benchmark::DoNotOptimize(s.value);
    }
    dbf::FreeWorkArea();
    if (s.count != kRecords) state.SkipWithError("the scan did not see every record");
}
BENCHMARK(BM_EngineScan)->Unit(benchmark::kMillisecond);

// ratio_to_engine: the dataset's best scan over the engine's best, the two taken in turns in
// this run (best times, so other work on the machine weighs on neither side).
void BM_DatasetScan(benchmark::State& state) {
    Fixture& f = Data();
    ReadingTable t;
    t.SetDbfFileName(f.table);
    t.Open();
    const std::uint8_t engineArea = 2;
    dbf::Select(engineArea);
    dbf::Use(f.table + " ALIAS ENGINE");
    Sums s;
    double engine = 1e9, dataset = 1e9;
    for (auto _ : state) {
        dbf::Select(engineArea);
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(EngineScan().value);
        engine = std::min(engine, Seconds(start));
        start = std::chrono::steady_clock::now();
        s = DatasetScan(t);
        dataset = std::min(dataset, Seconds(start));
        benchmark::DoNotOptimize(s.value);
    }
    dbf::Select(engineArea);
    dbf::FreeWorkArea();
    t.Close();
    state.counters["dataset_ms"] = dataset * 1000;
    state.counters["engine_ms"] = engine * 1000;
    state.counters["ratio_to_engine"] = dataset / engine;
    if (s.count != kRecords) state.SkipWithError("the dataset did not see every record");
}
BENCHMARK(BM_DatasetScan)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
