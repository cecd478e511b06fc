// The grid as painted: fixed columns stay in view while the others scroll sideways, and the two
// drawing events follow the grid's own drawing of every painted data cell, on its canvas, with
// the cell's record shown to the fields.
#include "tests/dbf/browse/browse_testutil.h"

#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>

#include <set>
#include <tuple>

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
        Application->ProcessMessages();
        view = qobject_cast<QTableView*>(grid->Widget());
    }
    void TearDown() override {
        form->Free();
        ds->Close();
        ds.reset();
        BrowseTest::TearDown();
    }
    // The grid as it shows, and where a cell of the main view lies in that picture.
    QImage Picture() const { return grid->Widget()->grab().toImage(); }
    QRect InPicture(const QRect& r) const {
        return QRect(view->viewport()->mapTo(grid->Widget(), r.topLeft()), r.size());
    }
    QRect Cell(int row, int col) const { return view->visualRect(view->model()->index(row, col)); }
    QRect Title(int col) const {
        QHeaderView* h = view->horizontalHeader();
        return QRect(h->mapTo(grid->Widget(), QPoint(h->sectionViewportPosition(col), 0)),
                     QSize(h->sectionSize(col), h->height()));
    }
    TForm* form = nullptr;
    std::unique_ptr<dbf::TTzDbf> ds;
    TDataSource source;
    dbf::TTzGrid* grid = nullptr;
    QTableView* view = nullptr;
};

TEST_F(GridDrawTest, FixedColumnsStayInViewWhenScrolledRight) {
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(grid->ColumnCount(), 8);
    // Stored as set; read as the columns that can be fixed.
    for (auto [set, read] : {std::pair{-3, 0}, {99, 7}, {2, 2}, {0, 0}}) {
        grid->SetFixedColumns(set);
        EXPECT_EQ(grid->FixedColumns(), read) << set;
    }
    for (int fixed : {0, 1}) {
        SCOPED_TRACE(fixed);
        grid->SetFixedColumns(fixed);
        view->horizontalScrollBar()->setValue(0);
        Application->ProcessMessages();
        // The first column's title and two rows, before and after scrolling to the far right.
        const QRect cell = InPicture(Cell(1, 0));
        const QRect first = Title(0).united(cell);
        const QImage before = Picture().copy(first);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
        Application->ProcessMessages();
        ASSERT_GT(view->horizontalScrollBar()->maximum(), 0) << "the grid needs to scroll";
        EXPECT_TRUE(view->viewport()->rect().contains(Cell(0, 7))) << "scrolled to the end";
        const QImage after = Picture().copy(first);
        EXPECT_EQ(after == before, fixed == 1);
        if (fixed == 1) {
            // Drawn in the fixed colour, and the current record still picked there.
            EXPECT_EQ(
                after.pixelColor(cell.right() - first.left() - 2, cell.center().y() - first.top()),
                ToQColor(grid->FixedColor));
            grid->ClickCell(2, 0);
            EXPECT_EQ(ds->RecNo(), 3);
            EXPECT_EQ(grid->SelectedIndex(), 0);
        }
    }
}

TEST_F(GridDrawTest, DrawingEventsFollowEveryPaintedCellInOrder) {
    ASSERT_NE(view, nullptr);
    struct Event {
        char kind; // 'D' data cell, 'C' column cell
        TRect rect;
        int col; // -1 for 'D': the column is found by its field
        TField* field;
        std::string text; // the field's text during the event
        TGridDrawState state;
    };
    std::vector<Event> events;
    grid->OnDrawDataCell = [&](TObject* s, const TRect& r, TField* f, TGridDrawState st) {
        EXPECT_EQ(s, grid);
        events.push_back({'D', r, -1, f, f ? f->DisplayText() : "", st});
    };
    grid->OnDrawColumnCell = [&](TObject*, const TRect& r, int c, TColumn& col, TGridDrawState st) {
        events.push_back({'C', r, c, col.Field, col.Field ? col.Field->DisplayText() : "", st});
        // Drawn on the grid's canvas after the grid's own drawing: the mark stays.
        ASSERT_NE(grid->Canvas(), nullptr);
        grid->Canvas()->Brush.Color = clFuchsia;
        grid->Canvas()->FillRect({r.Left, r.Top, r.Left + 3, r.Top + 3});
    };
    grid->SetFixedColumns(1);
    grid->ClickCell(1, 2);
    const int recNo = ds->RecNo();
    const QImage shot = Picture();

    std::set<std::pair<int, int>> visible; // (row, col) of every cell in the viewport
    for (int r = 0; r < grid->RowCount(); ++r)
        for (int c = 0; c < grid->ColumnCount(); ++c)
            if (view->viewport()->rect().intersects(Cell(r, c))) visible.insert({r, c});
    ASSERT_FALSE(visible.empty());
    ASSERT_EQ(events.size(), 2 * visible.size());
    std::set<std::pair<int, int>> seen;
    for (std::size_t i = 0; i + 1 < events.size(); i += 2) {
        const Event &d = events[i], &c = events[i + 1];
        ASSERT_EQ(d.kind, 'D') << i;
        ASSERT_EQ(c.kind, 'C') << i;
        EXPECT_EQ(d.rect, c.rect);
        EXPECT_EQ(d.field, c.field);
        EXPECT_EQ(c.field, grid->Columns(c.col).Field);
        EXPECT_EQ(d.state, c.state);
        int row = 0;
        while (row < grid->RowCount() && Cell(row, c.col).top() != c.rect.Top)
            ++row;
        ASSERT_LT(row, grid->RowCount()) << "no cell at " << c.rect.Top;
        const QRect q = Cell(row, c.col);
        EXPECT_EQ(c.rect, (TRect{q.left(), q.top(), q.right() + 1, q.bottom() + 1}));
        // The row's own record, as the grid shows it.
        EXPECT_EQ(d.text, grid->CellText(row, c.col)) << row << "," << c.col;
        EXPECT_EQ(c.text, d.text);
        EXPECT_EQ((c.state & gdFixed) != 0, c.col == 0);
        EXPECT_EQ((c.state & gdSelected) != 0, row == 1 && c.col == 2);
        seen.insert({row, c.col});
        const QPoint mark =
            view->viewport()->mapTo(grid->Widget(), QPoint(c.rect.Left + 1, c.rect.Top + 1));
        EXPECT_EQ(shot.pixelColor(mark), QColor(255, 0, 255)) << row << "," << c.col;
    }
    EXPECT_EQ(seen, visible);
    EXPECT_EQ(ds->RecNo(), recNo); // the current record stays

    // Customised columns: the column event alone.
    events.clear();
    grid->MoveColumn(1, 3);
    ASSERT_TRUE(grid->ColumnsCustomized());
    Picture();
    ASSERT_FALSE(events.empty());
    for (const Event& e : events)
        EXPECT_EQ(e.kind, 'C');
}

} // namespace
