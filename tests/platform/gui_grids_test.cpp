// String and draw grids: cell geometry, the current cell and its refusal, mouse hits, owner
// drawing and editing.

#include "gui_testutil.h"

#include "platform/gui/canvas_qt.h"
#include "platform/gui/gui.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

class GuiGrids : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

TEST_F(GuiGrids, CellRectanglesFollowWidthsHeightsAndOneLineBetweenCells) {
    TForm f(nullptr);
    auto* g = new TStringGrid(&f);
    g->SetBounds(0, 0, 400, 300);
    g->SetColCount(4);
    g->SetRowCount(10);
    g->SetDefaultColWidth(50);
    g->SetDefaultRowHeight(20);
    g->SetColWidths(0, 120);
    // Column 2 starts after column 0 (120) and column 1 (50), each followed by a line.
    EXPECT_EQ(g->CellRect(2, 3),
              Rect(120 + 1 + 50 + 1, 3 * 21, 120 + 1 + 50 + 1 + 50, 3 * 21 + 20));
    EXPECT_EQ(g->CellRect(0, 0), Rect(0, 0, 120, 20));
    int col, row;
    g->MouseToCell(175, 70, col, row);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 3);
    g->MouseToCell(5000, 5, col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, -1);
    // Scrolling keeps the fixed row and column in place.
    g->SetTopRow(5);
    EXPECT_EQ(g->CellRect(1, 5), Rect(121, 21, 171, 41));
    EXPECT_EQ(g->CellRect(1, 2).Width(), 0); // scrolled out
    EXPECT_EQ(g->CellRect(0, 0), Rect(0, 0, 120, 20));
    EXPECT_THROW(g->Cells(4, 0), std::out_of_range);
    EXPECT_THROW(g->SetColWidths(-1, 3), std::out_of_range);
}

TEST_F(GuiGrids, SelectionAsksOnSelectCellAndClicksReportTheCell) {
    TForm f(nullptr);
    auto* g = new TStringGrid(&f);
    g->SetBounds(0, 0, 400, 300);
    g->SetColCount(3);
    g->SetRowCount(6);
    g->OnSelectCell = [](TObject*, int col, int, bool& can) { can = col != 2; };
    std::vector<std::pair<int, int>> downs;
    g->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        int c, r;
        g->MouseToCell(x, y, c, r);
        downs.emplace_back(c, r);
    };
    int clicks = 0;
    g->OnClick = [&](TObject*) { ++clicks; };
    g->ClickCell(1, 4);
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 4);
    g->ClickCell(2, 5); // refused: the current cell stays
    EXPECT_EQ(g->Col(), 1);
    EXPECT_EQ(g->Row(), 4);
    EXPECT_FALSE(g->SelectCell(0, 1)); // fixed column
    EXPECT_EQ(downs, (std::vector<std::pair<int, int>>{{1, 4}, {2, 5}}));
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(g->NavigateKey(VK_DOWN));
    EXPECT_EQ(g->Row(), 5);
    g->NavigateKey(VK_DOWN); // stays on the last row
    EXPECT_EQ(g->Row(), 5);
}

TEST_F(GuiGrids, OwnerDrawingSeesEveryCellWithItsState) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    auto* g = new TDrawGrid(&f);
    g->SetBounds(0, 0, 300, 200);
    g->SetColCount(3);
    g->SetRowCount(3);
    std::set<std::pair<int, int>> fixed, selected, all;
    g->OnDrawCell = [&](TObject*, int c, int r, TRect rect, TGridDrawState s) {
        ASSERT_NE(g->Canvas(), nullptr);
        EXPECT_EQ(rect, g->CellRect(c, r));
        all.insert({c, r});
        if (s & gdFixed) fixed.insert({c, r});
        if (s & gdSelected) selected.insert({c, r});
        if (c == 2 && r == 2) {
            g->Canvas()->Brush.Color = clRed;
            g->Canvas()->FillRect(rect);
        }
    };
    TBitmap bmp(300, 200);
    g->PaintCells(*bmp.Canvas());
    EXPECT_EQ(all.size(), 9u);
    EXPECT_EQ(fixed, (std::set<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {0, 1}, {0, 2}}));
    EXPECT_EQ(selected, (std::set<std::pair<int, int>>{{1, 1}}));
    const TRect r = g->CellRect(2, 2);
    EXPECT_EQ(bmp.Canvas()->Pixel(r.Left + 3, r.Top + 3), clRed);
    EXPECT_EQ(g->Canvas(), nullptr); // only while drawing
}

TEST_F(GuiGrids, TheGridWidgetPaintsThroughTheSameCellDrawing) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    auto* g = new TStringGrid(&f);
    g->SetBounds(0, 0, 300, 200);
    g->SetColCount(3);
    g->SetRowCount(3);
    g->FixedColor = clSilver;
    g->OnDrawCell = [&](TObject*, int c, int r, TRect rect, TGridDrawState) {
        if (c == 2 && r == 2) {
            g->Canvas()->Brush.Color = clRed;
            g->Canvas()->FillRect(rect);
        }
    };
    f.Show();
    Application->ProcessMessages();
    auto* area = qobject_cast<QAbstractScrollArea*>(g->Widget());
    ASSERT_NE(area, nullptr);
    const QImage shot = area->viewport()->grab().toImage();
    const TRect fixed = g->CellRect(1, 0), red = g->CellRect(2, 2);
    EXPECT_EQ(FromQColor(shot.pixelColor(fixed.Right - 3, fixed.Bottom - 3)), clSilver);
    EXPECT_EQ(FromQColor(shot.pixelColor(red.Left + 4, red.Top + 4)), clRed);
    f.Close();
}

TEST_F(GuiGrids, DoubleClickOpensTheCellEditorWhoseTextIsStored) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    auto* g = new TStringGrid(&f);
    g->SetBounds(0, 0, 300, 200);
    g->SetColCount(3);
    g->SetRowCount(4);
    g->SetOptions(g->Options() | goEditing);
    g->SetCells(1, 2, "0.50");
    f.Show();
    g->DblClickCell(1, 2);
    auto* area = qobject_cast<QAbstractScrollArea*>(g->Widget());
    ASSERT_NE(area, nullptr);
    auto* editor = area->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "0.50");
    EXPECT_EQ(editor->geometry(), QRect(g->CellRect(1, 2).Left, g->CellRect(1, 2).Top,
                                        g->CellRect(1, 2).Width(), g->CellRect(1, 2).Height()));
    editor->setText("0.35");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(editor, &enter);
    EXPECT_EQ(g->Cells(1, 2), "0.35");
    f.Close();
}

TEST_F(GuiGrids, EditingACellStoresItAndReports) {
    TForm f(nullptr);
    auto* g = new TStringGrid(&f);
    g->SetColCount(3);
    g->SetRowCount(6);
    std::string reported;
    g->OnSetEditText = [&](TObject*, int c, int r, const std::string& v) {
        reported = std::to_string(c) + "," + std::to_string(r) + "=" + v;
    };
    EXPECT_FALSE(g->TypeCell(1, 1, "x")); // not editable yet
    g->SetOptions(g->Options() | goEditing);
    f.Show();
    EXPECT_TRUE(g->TypeCell(2, 5, "0.35"));
    EXPECT_EQ(g->Cells(2, 5), "0.35");
    EXPECT_EQ(reported, "2,5=0.35");
    // Cells survive a change of the grid's size where they still fit.
    g->SetRowCount(8);
    EXPECT_EQ(g->Cells(2, 5), "0.35");
    g->SetColCount(2);
    EXPECT_THROW(g->Cells(2, 5), std::out_of_range);
    f.Close();
}

} // namespace
