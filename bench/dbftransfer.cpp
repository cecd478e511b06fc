// Delimited-text import speed: AppendFromDelimited of 100,000 lines into a table without indexes
// (target under 2 s). BM_AppendFromValues is the reference: the same records appended with their
// values set directly, without reading or tokenising text. BM_CopyToDelimited writes the table
// back as text.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/transfer.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/messages.h"

#include "dbfbench.h"

namespace {

constexpr int kLines = 100000;

std::vector<dbf::TDbfFieldDesc> Fields() {
    using dbfbench::Def;
    return {Def("NAME", 'C', 30), Def("NUM", 'N', 10), Def("VAL", 'N', 12, 3), Def("OK", 'L', 1),
            Def("DAY", 'D', 8)};
}

struct Fixture {
    std::string dir;
    std::string text;

    Fixture() {
        dir = dbfbench::MakeScratchDir("qor_bench_transfer_");
        text = dir + "/lines.txt";
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::SetErrorReporting(false);
        dbf::SetDateFormat(0);
        dbf::MessageWindowHook = nullptr;
        std::ofstream out(text, std::ios::binary);
        for (int i = 1; i <= kLines; ++i) {
            out << "\"Record, number " << i << "\"," << i << "," << i / 8 << "." << (i % 8) * 125
                << "," << (i % 2 ? 'T' : 'F') << ",2026" << (i % 9 + 10) << (i % 18 + 10)
                << "\r\n";
        }
        out << '\x1A';
    }
    ~Fixture() { dbfbench::RemoveScratchDir(dir); }

    // A new empty table open exclusively in area 1.
    void FreshTable(const std::string& name) {
        dbf::CloseAll();
        auto fields = Fields();
        dbf::TWorkArea scratch;
        dbf::CreateDbf(scratch, dir + "/" + name, fields);
        dbf::Select(1);
        dbf::Use(dir + "/" + name + " EXCLUSIVE");
    }
};

Fixture& Shared() {
    static Fixture f;
    return f;
}

void BM_AppendFromDelimited(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        f.FreshTable("import.dbf");
        state.ResumeTiming();
        const std::int32_t n = dbf::AppendFromDelimited(f.text, true);
        if (n != kLines || dbf::LastErrorCode != 0) state.SkipWithError("import failed");
        state.PauseTiming();
        dbf::CloseAll();
        state.ResumeTiming();
    }
    state.counters["lines"] = kLines;
}
BENCHMARK(BM_AppendFromDelimited)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendFromValues(benchmark::State& state) {
    Fixture& f = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        f.FreshTable("values.dbf");
        state.ResumeTiming();
        for (int i = 1; i <= kLines; ++i) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), "Record, number " + std::to_string(i), 30);
            dbf::SetVarInt64(dbf::FieldAddress(2), i);
            dbf::SetVarDouble(dbf::FieldAddress(3), i / 8.0);
            dbf::SetVarBool(dbf::FieldAddress(4), i % 2 != 0);
            dbf::SetVarString(dbf::FieldAddress(5), "01/02/2026", 10);
            dbf::Append();
        }
        state.PauseTiming();
        dbf::CloseAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendFromValues)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CopyToDelimited(benchmark::State& state) {
    Fixture& f = Shared();
    f.FreshTable("export.dbf");
    dbf::AppendFromDelimited(f.text, false);
    for (auto _ : state) {
        const std::int32_t n = dbf::CopyToDelimited(f.dir + "/out.txt", false);
        if (n != kLines) state.SkipWithError("export failed");
    }
    dbf::CloseAll();
}
BENCHMARK(BM_CopyToDelimited)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
