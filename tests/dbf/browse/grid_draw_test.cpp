// The grid as painted: fixed columns stay in view while the others scroll sideways, and the two
// drawing events follow the grid's own drawing of every painted data cell, on its canvas, with
// the cell's record shown to the fields.
#include "tests/dbf/browse/browse_testutil.h"

#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>

#include <set>

#include "platform/gui/canvas_qt.h"
#include "platform/gui/forms.h"

namespace {

using namespace browsetest;

class GridDrawTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        form = new TForm(nullptr);
        form->SetClientWidth(420);
        form->SetClientHeight(220);
        ds = std::make_unique<dbf::TTzDbf>();
        ds->SetDbfFileName(table);
        ds->Open();
        source.SetDataSet(ds.get());
        grid = new dbf::TTzGrid(form);
        grid->SetBounds(0, 0, 420, 220);
        grid->SetDataSource(&source);
        form->Show();
        view = qobject_cast<QTableView*>(grid->Widget());
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        form->Free();
        ds->Close();
        ds.reset();
        BrowseTest::TearDown();
    }
    QRect Cell(int row, int col) const { return view->visualRect(view->model()->index(row, col)); }
    // The grid's picture around a rectangle of the main view's cells.
    QImage Picture(const QRect& cells) const {
        const QRect r(view->viewport()->mapTo(grid->Widget(), cells.topLeft()), cells.size());
        return grid->Widget()->grab().toImage().copy(r);
    }
    TForm* form = nullptr;
    std::unique_ptr<dbf::TTzDbf> ds;
    TDataSource source;
    dbf::TTzGrid* grid = nullptr;
    QTableView* view = nullptr;
};

TEST_F(GridDrawTest, FixedColumnsStayInViewWhenScrolledRight) {
    for (auto [set, read] : {std::pair{-3, 0}, {99, 7}, {2, 2}}) { // stored; read as possible
        grid->SetFixedColumns(set);
        EXPECT_EQ(grid->FixedColumns(), read) << set;
    }
    QScrollBar* bar = view->horizontalScrollBar();
    for (int fixed : {0, 1}) {
        SCOPED_TRACE(fixed);
        grid->SetFixedColumns(fixed);
        bar->setValue(0);
        Application->ProcessMessages();
        const QRect first = Cell(0, 0).united(Cell(1, 0));
        const QImage before = Picture(first);
        bar->setValue(bar->maximum());
        Application->ProcessMessages();
        ASSERT_GT(bar->maximum(), 0);
        EXPECT_TRUE(view->viewport()->rect().contains(Cell(0, 7))) << "scrolled to the end";
        const QImage after = Picture(first);
        EXPECT_EQ(after == before, fixed == 1);
        if (fixed == 1) {
            EXPECT_EQ(after.pixelColor(first.width() - 3, first.height() - 3),
                      ToQColor(grid->FixedColor));
        }
    }
    grid->ClickCell(2, 0); // a fixed cell is still picked
    EXPECT_EQ(ds->RecNo(), 3);
}

TEST_F(GridDrawTest, DrawingEventsFollowEveryPaintedCellInOrder) {
    struct Event {
        char kind; // 'D' data cell, 'C' column cell
        TRect rect;
        int col; // 'C' only
        TField* field;
        std::string text; // the field's text during the event
        TGridDrawState state;
    };
    std::vector<Event> events;
    grid->OnDrawDataCell = [&](TObject*, const TRect& r, TField* f, TGridDrawState st) {
        events.push_back({'D', r, -1, f, f->DisplayText(), st});
    };
    grid->OnDrawColumnCell = [&](TObject*, const TRect& r, int c, TColumn& col, TGridDrawState st) {
        events.push_back({'C', r, c, col.Field, col.Field->DisplayText(), st});
        // On the grid's canvas after the grid's own drawing: the mark stays.
        grid->Canvas()->Brush.Color = clFuchsia;
        grid->Canvas()->FillRect({r.Left, r.Top, r.Left + 3, r.Top + 3});
    };
    grid->SetFixedColumns(1);
    grid->ClickCell(1, 2);
    Application->ProcessMessages();
    events.clear(); // what the window painted by itself
    const QImage shot = Picture(view->viewport()->rect());

    std::set<std::pair<int, int>> visible, seen; // (row, col)
    for (int r = 0; r < grid->RowCount(); ++r)
        for (int c = 0; c < grid->ColumnCount(); ++c)
            if (view->viewport()->rect().intersects(Cell(r, c))) visible.insert({r, c});
    ASSERT_EQ(events.size(), 2 * visible.size());
    for (std::size_t i = 0; i < events.size(); i += 2) {
        const Event &d = events[i], &c = events[i + 1];
        ASSERT_EQ(std::string() + d.kind + c.kind, "DC") << i;
        EXPECT_EQ(d.rect, c.rect);
        EXPECT_EQ(d.state, c.state);
        EXPECT_EQ(d.field, grid->Columns(c.col).Field);
        int row = 0;
        while (row < grid->RowCount() && Cell(row, c.col).top() != c.rect.Top)
            ++row;
        const QRect q = Cell(row, c.col);
        EXPECT_EQ(c.rect, (TRect{q.left(), q.top(), q.right() + 1, q.bottom() + 1}));
        EXPECT_EQ(d.text, grid->CellText(row, c.col)) << row << "," << c.col; // the row's record
        EXPECT_EQ(c.text, d.text);
        EXPECT_EQ((c.state & gdFixed) != 0, c.col == 0);
        EXPECT_EQ((c.state & gdSelected) != 0, row == 1 && c.col == 2);
        EXPECT_EQ(shot.pixelColor(c.rect.Left + 1, c.rect.Top + 1), QColor(255, 0, 255));
        seen.insert({row, c.col});
    }
    EXPECT_EQ(seen, visible);
    EXPECT_EQ(ds->RecNo(), 2); // the current record stays

    grid->MoveColumn(1, 3); // customised columns: the column event alone
    Application->ProcessMessages();
    events.clear();
    Picture(view->viewport()->rect());
    ASSERT_FALSE(events.empty());
    for (const Event& e : events)
        EXPECT_EQ(e.kind, 'C');
}

} // namespace
