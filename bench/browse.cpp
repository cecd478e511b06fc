// Browse grid speed on a 100,000-record table in index order (targets: open and first paint
// under 200 ms, scrolling to the end under 200 ms). Each is reported beside a plain Qt table
// view over the same number of rows held in memory, painted in the same run: ratio_to_qt is
// the grid's best time over that reference's best.

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/base/runtime.h"
#include "dbf/browse/tz_controls.h"
#include "dbf/dataset/file_dataset.h"
#include "dbf/expr/expression.h"
#include "dbf/index/ndx.h"
#include "dbf/table/create.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/work_areas.h"
#include "platform/data/datasource.h"
#include "platform/gui/application.h"

#include "dbfbench.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kWidth = 800, kHeight = 600;

struct Fixture {
    std::string dir, table, index;
    Fixture() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        dir = dbfbench::MakeScratchDir("qor_bench_browse_");
        table = dir + "/big.dbf";
        index = dir + "/big.ndx";
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::InitParser();
        dbf::IndexInit();
        dbf::SetErrorReporting(false);
        using dbfbench::Def;
        std::vector<dbf::TDbfFieldDesc> fields = {Def("NAME", 'C', 20),     Def("QTY", 'N', 6),
                                                  Def("PRICE", 'N', 10, 2), Def("OK", 'L', 1),
                                                  Def("DAY", 'D', 8),       Def("DESCR", 'C', 40)};
        dbfbench::CreateAndUse(table, fields);
        for (int i = 1; i <= kRecords; ++i) {
            dbf::ClearRecord();
            // Names in an order of their own, so the index order is not the record order.
            const long key = (i * 7919L) % kRecords;
            dbf::SetVarString(dbf::FieldAddress(1), "Part " + std::to_string(key), 20);
            dbf::SetVarInt64(dbf::FieldAddress(2), i % 1000);
            dbf::SetVarDouble(dbf::FieldAddress(3), i / 8.0);
            dbf::SetVarBool(dbf::FieldAddress(4), i % 3 == 0);
            dbf::SetVarString(dbf::FieldAddress(5), "01/02/2026", 10);
            dbf::SetVarString(dbf::FieldAddress(6), "Description of record " + std::to_string(i),
                              40);
            dbf::Append();
        }
        dbf::Index_On("NAME", index);
        dbf::FreeWorkArea();
    }
    ~Fixture() { dbfbench::RemoveScratchDir(dir); }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

double Seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The reference: the same rows as texts in memory.
class MemoryModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex&) const override { return kRecords; }
    int columnCount(const QModelIndex&) const override { return 6; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole) return {};
        return QStringLiteral("Cell %1.%2").arg(i.row()).arg(i.column());
    }
};

// Paints a view as the screen would (the whole window).
void Paint(QWidget* w) {
    const QImage img = w->grab().toImage();
    benchmark::DoNotOptimize(img.constBits());
}

struct Grid {
    std::unique_ptr<dbf::TTzDbf> ds = std::make_unique<dbf::TTzDbf>();
    TDataSource source;
    std::unique_ptr<dbf::TTzGrid> grid;
    QTableView* View() const { return qobject_cast<QTableView*>(grid->Widget()); }
    void Open() {
        ds->SetDbfFileName(Data().table);
        ds->IndexList = {"0," + Data().index + ",NAME"};
        ds->CreateIndex = dbf::ciNever;
        ds->ShowProgress = false;
        ds->Open();
        source.SetDataSet(ds.get());
        grid = std::make_unique<dbf::TTzGrid>(nullptr);
        grid->SetBounds(0, 0, kWidth, kHeight);
        grid->SetDataSource(&source);
        Paint(View());
    }
    ~Grid() {
        grid.reset();
        ds->Close();
    }
};

void BM_OpenAndFirstPaint(benchmark::State& state) {
    Data();
    double ours = 1e9, qt = 1e9;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        {
            QTableView v;
            MemoryModel m;
            v.resize(kWidth, kHeight);
            v.setModel(&m);
            Paint(&v);
            qt = std::min(qt, Seconds(start));
        }
        start = std::chrono::steady_clock::now();
        Grid g;
        g.Open();
        ours = std::min(ours, Seconds(start));
        if (g.grid->RowCount() != kRecords) state.SkipWithError("rows missing");
    }
    state.counters["grid_ms"] = ours * 1000;
    state.counters["qt_ms"] = qt * 1000;
    state.counters["ratio_to_qt"] = ours / qt;
}
BENCHMARK(BM_OpenAndFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

// Scrolling to the end: the scroll bar dragged to the bottom and the last page painted, on a
// freshly opened grid (nothing of the end read before).
void BM_ScrollToEnd(benchmark::State& state) {
    Data();
    double ours = 1e9, qt = 1e9;
    for (auto _ : state) {
        {
            QTableView v;
            MemoryModel m;
            v.resize(kWidth, kHeight);
            v.setModel(&m);
            Paint(&v);
            const auto start = std::chrono::steady_clock::now();
            v.verticalScrollBar()->setValue(v.verticalScrollBar()->maximum());
            Paint(&v);
            qt = std::min(qt, Seconds(start));
        }
        Grid g;
        g.Open();
        const auto start = std::chrono::steady_clock::now();
        QScrollBar* bar = g.View()->verticalScrollBar();
        bar->setValue(bar->maximum());
        Paint(g.View());
        ours = std::min(ours, Seconds(start));
        const std::string last = g.grid->CellText(kRecords - 1, 0);
        if (last != "Part 99999") state.SkipWithError(("last row shows " + last).c_str());
    }
    state.counters["grid_ms"] = ours * 1000;
    state.counters["qt_ms"] = qt * 1000;
    state.counters["ratio_to_qt"] = ours / qt;
}
BENCHMARK(BM_ScrollToEnd)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
