// The browse window as drawn: a deleted row red while another row is selected, check boxes
// crossed only for true values, the sorted column's title sunken; in English and in Korean
// (menu captions and titles). With QOR_SCREENSHOT_DIR set the window is saved there as PNG.
#include "tests/dbf/browse/browse_testutil.h"

#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QTableView>

#include <cstdlib>

namespace {

using namespace browsetest;

class ScreenTest : public BrowseTest {};

QColor Pixel(const QImage& img, int x, int y) {
    return img.pixelColor(x, y);
}

TEST_F(ScreenTest, GridShowsDeletedRowsBoxesAndTheSortedTitle) {
    struct Case {
        const char* language;
        dbf::TDbfMenuCaptions captions;
        const char *title1, *title2;
    } cases[] = {
        {"en", {}, "Tools", "Tool table"},
        {"ko",
         {"\ud30c\uc77c(&F)", "\uc778\uc1c4(&P)...", "\uc885\ub8cc(&X)", "\ud3b8\uc9d1(&E)",
          "\ubcf4\uae30(&V)", "\ub3c4\uc6c0\ub9d0(&H)", "\ub370\uc774\ud130\ubca0\uc774\uc2a4(&D)",
          "\ud30c\uc77c(&F)"},
         "\uacf5\uad6c",
         "\uacf5\uad6c \ud14c\uc774\ube14"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        dbf::DbfMenuCaptionsHook = [&c] { return c.captions; };
        dbf::DbfOpen("parts");
        dbf::DbfSetTitles(c.title1, c.title2);
        dbf::Tdbf4& w = dbf::DbfWindow();
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            dbf::TTzGrid* grid = w.TzGrid1;
            grid->TitleMouseUp(0, mbRight); // sorted by NAME: Hohlrad, Kupplung (deleted), ...
            grid->ClickCell(3, 0);          // Ritzel Mueller selected
            auto* view = qobject_cast<QTableView*>(grid->Widget());
            ASSERT_NE(view, nullptr);
            Application->ProcessMessages();
            const QImage cells = view->viewport()->grab().toImage();
            auto rect = [&](int row, int col) {
                return view->visualRect(view->model()->index(row, col));
            };
            // The deleted row is red on its right margin; the selected row highlighted.
            const QRect del = rect(1, 0), sel = rect(3, 0), plain = rect(2, 0);
            EXPECT_EQ(Pixel(cells, del.right() - 2, del.center().y()), QColor(255, 0, 0));
            EXPECT_NE(Pixel(cells, sel.right() - 2, sel.center().y()), QColor(255, 255, 255));
            EXPECT_NE(Pixel(cells, sel.right() - 2, sel.center().y()), QColor(255, 0, 0));
            EXPECT_EQ(Pixel(cells, plain.right() - 2, plain.center().y()), QColor(255, 255, 255));
            // OK column: Hohlrad false (empty box), Lager true (crossed box).
            const QRect no = rect(0, 3), yes = rect(2, 3);
            EXPECT_EQ(Pixel(cells, no.center().x(), no.center().y()), QColor(255, 255, 255));
            EXPECT_EQ(Pixel(cells, yes.center().x(), yes.center().y()), QColor(0, 0, 0));
            // The sorted title is sunken: a dark line inside its top edge.
            QHeaderView* head = view->horizontalHeader();
            const QImage titles = head->grab().toImage();
            const int x0 = head->sectionViewportPosition(0);
            EXPECT_EQ(Pixel(titles, x0 + 10, 1), QColor(64, 64, 64));
            const int x1 = head->sectionViewportPosition(1);
            EXPECT_NE(Pixel(titles, x1 + 10, 1), QColor(64, 64, 64));
            if (const char* dir = std::getenv("QOR_SCREENSHOT_DIR"))
                f.Widget()->grab().save(QString::fromUtf8(dir) + "/browse_" + c.language + ".png");
            Respond::Press(f, "Button_ok");
        });
        ResponderScope scope(r);
        dbf::DbfSetupMode("", 0);
        EXPECT_EQ(r.Unexpected(), 0);
        dbf::DbfClose();
        dbf::FreeDbfWindow();
    }
    dbf::DbfMenuCaptionsHook = nullptr;
}

} // namespace
