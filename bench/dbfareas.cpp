// Work-area speed: a shared scan of 100,000 records (target under 0.5 s), Pack of 100,000
// records with half of them deleted (target under 1 s), and a refused record lock (target
// under 20 ms). BM_RawRecordReads is the reference for the scan: the same records read with one
// pread each and nothing else.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"

#include "dbfbench.h"

namespace {

constexpr int kRecords = 100000;

struct Fixture {
    std::string dir;
    std::string table;  // kRecords live records
    std::string halved; // kRecords records, every second one deleted
    std::uint16_t header = 0, record = 0;

    Fixture() {
        dir = dbfbench::MakeScratchDir("qor_bench_dbf_");
        table = dir + "/scan.dbf";
        halved = dir + "/halved.dbf";
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::SetErrorReporting(false);
        using dbfbench::Def;
        std::vector<dbf::TDbfFieldDesc> fields = {Def("NAME", 'C', 30), Def("NUM", 'N', 10),
                                                  Def("VAL", 'N', 12, 3), Def("DAY", 'D', 8)};
        dbfbench::CreateAndUse(table, fields);
        for (int i = 1; i <= kRecords; ++i) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), "Record " + std::to_string(i), 30);
            dbf::SetVarInt64(dbf::FieldAddress(2), i);
            dbf::SetVarDouble(dbf::FieldAddress(3), i / 8.0);
            dbf::SetVarString(dbf::FieldAddress(4), "01/02/2026", 10);
            dbf::Append();
        }
        header = dbf::CurrentWorkArea()->HeaderLength;
        record = dbf::CurrentWorkArea()->RecordLength;
        dbf::FreeWorkArea();
        std::filesystem::copy_file(table, halved);
        dbf::Use(halved + " EXCLUSIVE");
        for (int i = 2; i <= kRecords; i += 2) {
            dbf::Go(i);
            dbf::DeleteRec();
        }
        dbf::FreeWorkArea();
    }
    ~Fixture() { dbfbench::RemoveScratchDir(dir); }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

void BM_RawRecordReads(benchmark::State& state) {
    Fixture& f = Data();
    std::vector<char> buf(f.record);
    for (auto _ : state) {
        const int fd = open(f.table.c_str(), O_RDONLY | O_CLOEXEC);
        long live = 0;
        for (int i = 0; i < kRecords; ++i) {
            const off_t at = f.header + static_cast<off_t>(i) * f.record;
            if (pread(fd, buf.data(), buf.size(), at) == static_cast<ssize_t>(buf.size()) &&
                buf[0] != '*')
                ++live;
        }
        close(fd);
        benchmark::DoNotOptimize(live);
    }
}
BENCHMARK(BM_RawRecordReads)->Unit(benchmark::kMillisecond);

void BM_SharedScan(benchmark::State& state) {
    Fixture& f = Data();
    dbf::Select(1);
    dbf::Use(f.table);
    long seen = 0;
    for (auto _ : state) {
        seen = 0;
        dbf::GoTop();
        while (!dbf::dEOF()) {
            ++seen;
            dbf::Skip(1);
        }
    }
    dbf::FreeWorkArea();
    if (seen != kRecords) state.SkipWithError("scan did not see every record");
}
BENCHMARK(BM_SharedScan)->Unit(benchmark::kMillisecond);

void BM_PackHalfDeleted(benchmark::State& state) {
    Fixture& f = Data();
    const std::string work = f.dir + "/pack.dbf";
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(f.halved, work,
                                   std::filesystem::copy_options::overwrite_existing);
        dbf::Select(1);
        dbf::Use(work);
        state.ResumeTiming();
        const bool ok = dbf::Pack();
        state.PauseTiming();
        const std::int32_t count = dbf::RecCount();
        dbf::FreeWorkArea();
        if (!ok || count != kRecords / 2) state.SkipWithError("pack failed");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PackHalfDeleted)->Unit(benchmark::kMillisecond);

void BM_RefusedRecordLock(benchmark::State& state) {
    Fixture& f = Data();
    dbf::Select(1);
    dbf::Use(f.table + " ALIAS HOLDER");
    dbf::Go(5);
    dbf::RLock();
    dbf::Select(2);
    dbf::Use(f.table + " ALIAS WAITER");
    dbf::Go(5);
    bool got = false;
    for (auto _ : state)
        got = dbf::RLock();
    dbf::FreeWorkArea();
    dbf::Select(1);
    dbf::FreeWorkArea();
    if (got) state.SkipWithError("the lock was not refused");
}
BENCHMARK(BM_RefusedRecordLock)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
