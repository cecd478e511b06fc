// The grid and navigator over the engine's table dataset: rows and texts against dbfread,
// deleted rows red unless selected, the colour event, boolean toggles, the depressed title,
// appending by keyboard, restoring by Ctrl+Del and the navigator's delete/restore toggle.
#include "tests/dbf/browse/browse_testutil.h"

#include <cstdlib>

#include "dbf/base/runtime.h"
#include "platform/data/rowmap.h"
#include "platform/gui/forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

namespace {

using namespace browsetest;

class GridTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        form = new TForm(nullptr);
        ds = std::make_unique<dbf::TTzDbf>();
        ds->SetName("Parts");
        ds->SetDbfFileName(table);
        ds->Open();
        source.SetDataSet(ds.get());
        grid = new dbf::TTzGrid(form);
        grid->SetDataSource(&source);
    }
    void TearDown() override {
        form->Free();
        ds->Close();
        ds.reset();
        BrowseTest::TearDown();
    }
    int Col(const char* name) {
        for (int i = 0; i < grid->ColumnCount(); ++i)
            if (grid->Columns(i).FieldName == name) return i;
        return -1;
    }
    TForm* form = nullptr;
    std::unique_ptr<dbf::TTzDbf> ds;
    TDataSource source;
    dbf::TTzGrid* grid = nullptr;
};

TEST_F(GridTest, RowsShowTheTableAndDeletedRowsAreRedUnlessSelected) {
    const std::vector<std::string> view = Lines(Ref("view '" + table + "'"));
    ASSERT_EQ(grid->RowCount(), static_cast<int>(view.size()));
    for (int r = 0; r < grid->RowCount(); ++r) {
        std::vector<std::string> ref;
        std::stringstream in(view[static_cast<std::size_t>(r)]);
        for (std::string v; std::getline(in, v, '\t');)
            ref.push_back(v);
        EXPECT_EQ(grid->CellText(r, Col("NAME")), ref[1]) << r;
        EXPECT_EQ(std::stoi(grid->CellText(r, Col("QTY"))), std::stoi(ref[2])) << r;
        EXPECT_DOUBLE_EQ(std::strtod(grid->CellText(r, Col("PRICE")).c_str(), nullptr),
                         std::strtod(ref[3].c_str(), nullptr));
        EXPECT_EQ(grid->RowDeleted(r), ref[0] == "gone") << r;
        bool deleted = false;
        const TGridColors plain = grid->CellColors(r, 0, false, deleted);
        const TGridColors selected = grid->CellColors(r, 0, true, deleted);
        EXPECT_EQ(plain.CellColor, ref[0] == "gone" ? clRed : clWindow) << r;
        EXPECT_EQ(selected.CellColor, clHighlight) << r;
        EXPECT_EQ(selected.CellTextColor, clHighlightText) << r;
    }
    EXPECT_EQ(grid->Columns(Col("QTY")).Alignment, taRightJustify);
    EXPECT_EQ(grid->Columns(Col("NAME")).Alignment, taLeftJustify);
}

TEST_F(GridTest, ColourEventColoursTheWholeRowOnly) {
    grid->OnChangeColorsEvent = [this](TObject*, int, TGridColors& c) {
        // The event reads the row's own record.
        if (ds->FieldByName("NAME")->AsString() == "Welle") {
            c.CellColor = clYellow;
            c.IndicatorColor = clLime;
        }
    };
    for (int r = 0; r < grid->RowCount(); ++r)
        for (int col = 0; col < grid->ColumnCount(); ++col) {
            bool deleted = false;
            const TGridColors c = grid->CellColors(r, col, false, deleted);
            const bool welle = r == 2;
            EXPECT_EQ(c.CellColor, welle ? clYellow : deleted ? clRed : clWindow) << r << col;
            EXPECT_EQ(c.IndicatorColor, welle ? clLime : grid->FixedColor) << r << col;
        }
    // The dataset still stands where it stood.
    EXPECT_EQ(ds->RecNo(), 1);
}

TEST_F(GridTest, LogicalColumnsToggleBySpaceClickAndNothingElse) {
    const int ok = Col("OK");
    grid->SetSelectedIndex(ok);
    ASSERT_EQ(grid->CurrentRow(), 0);
    EXPECT_EQ(ds->FieldByName("OK")->AsBoolean(), true);
    grid->PressKey(VK_SPACE);
    EXPECT_EQ(ds->FieldByName("OK")->AsBoolean(), false);
    grid->PressKey('A');
    EXPECT_EQ(ds->FieldByName("OK")->AsBoolean(), false);
    EXPECT_EQ(grid->CellText(0, ok), "False");
    // A click on record 3's box moves there (posting record 1) and toggles it.
    grid->ClickCell(2, ok);
    EXPECT_EQ(ds->RecNo(), 3);
    ds->Post();
    const std::vector<std::string> view = Lines(Ref("view '" + table + "'"));
    EXPECT_NE(view[0].find("\tFalse\t"), std::string::npos) << view[0];
    EXPECT_NE(view[2].find("\tTrue\t"), std::string::npos) << view[2];
    // As text the field is a plain column: a space is typed, not toggled.
    grid->SetBooleanBox(bbText);
    EXPECT_FALSE(grid->HandleChar(' '));
}

TEST_F(GridTest, RightClickDepressesTitleUnlessDisabledAndFollowsMovedColumns) {
    std::vector<int> fired;
    grid->OnDepressTitle = [&](TObject*, int c) { fired.push_back(c); };
    grid->TitleMouseUp(2, mbLeft);
    grid->TitleMouseUp(2, mbRight, ssShift);
    EXPECT_TRUE(fired.empty());
    grid->TitleMouseUp(2, mbRight);
    EXPECT_EQ(fired, std::vector<int>{2});
    EXPECT_EQ(grid->DepressedColumn(), 2);
    grid->MoveColumn(2, 4);
    EXPECT_EQ(grid->DepressedColumn(), 4);
    grid->MoveColumn(0, 5);
    EXPECT_EQ(grid->DepressedColumn(), 3);
    grid->MoveColumn(6, 0);
    EXPECT_EQ(grid->DepressedColumn(), 4);
    grid->SetDepressDisabled(true);
    EXPECT_EQ(grid->DepressedColumn(), -1);
    grid->TitleMouseUp(1, mbRight);
    EXPECT_EQ(fired.size(), 1u);
    int corners = 0;
    grid->OnCornerRightClick = [&](TObject*) { corners += 10; };
    grid->OnCornerLeftClick = [&](TObject*) { corners += 1; };
    grid->TitleMouseUp(-1, mbLeft);
    grid->TitleMouseUp(-1, mbRight);
    EXPECT_EQ(corners, 11);
}

TEST_F(GridTest, DownOnTheLastRowAppendsOnlyWithAutoAppend) {
    ds->Last();
    const int count = ds->RecordCount();
    grid->AutoAppend = false;
    grid->PressKey(VK_DOWN);
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RecordCount(), count);
    grid->AutoAppend = true;
    grid->PressKey(VK_DOWN);
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(grid->RowCount(), count + 1);
    EXPECT_EQ(grid->CurrentRow(), count);
    grid->PressKey(VK_UP); // leaving the untouched new row drops it
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->RecordCount(), count);
}

// Down on the last row opens a new row with its cell's editor; left without typing (by a key or
// a click, also from a date cell with its edit mask) the row is dropped, typed into it is written:
// dbfread counts the records.
TEST_F(GridTest, AnUntouchedNewRowIsDroppedHoweverItIsLeft) {
    grid->SetBounds(0, 0, 640, 300);
    form->Show();
    auto* view = qobject_cast<QTableView*>(grid->Widget());
    view->window()->activateWindow();
    const auto key = [view](int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : view,
                                &e);
        Application->ProcessMessages();
    };
    std::size_t records = Lines(Ref("view '" + table + "'")).size();
    // Left by a click or Up, from the name or a date cell (edit mask), typed into or not.
    for (const auto& [click, column, typed] : {std::tuple{false, "NAME", ""},
                                               {true, "NAME", ""},
                                               {false, "DAY", ""},
                                               {false, "NAME", "Rad"}}) {
        SCOPED_TRACE(std::string(click ? "click " : "Up ") + column + " " + typed);
        ds->Last();
        grid->SetSelectedIndex(Col(column));
        view->setFocus();
        key(Qt::Key_Down);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_TRUE(editor != nullptr && ds->State() == dsInsert) << "no editor on a new row";
        if (*typed != 0) editor->setText(typed);
        records += *typed != 0;
        if (click)
            view->setCurrentIndex(view->model()->index(0, 0));
        else
            key(Qt::Key_Up);
        EXPECT_EQ(ds->State(), dsBrowse);
        EXPECT_EQ(static_cast<std::size_t>(ds->RecordCount()), records);
    }
    ds->Close();
    const std::vector<std::string> now = Lines(Ref("view '" + table + "'"));
    ASSERT_EQ(now.size(), records);
    EXPECT_EQ(now.back().rfind("live\tRad\t", 0), 0u) << now.back();
}

TEST_F(GridTest, CtrlDelRestoresAfterTheQuestionAndNavigatorToggles) {
    auto* nav = new dbf::TTzNavigator(form);
    nav->SetDataSource(&source);
    nav->ConfirmRestore = true;
    std::vector<TNavigateBtn> clicks;
    nav->OnClick = [&](TObject*, TNavigateBtn b) { clicks.push_back(b); };
    ScriptedResponder r;
    r.OnMessage(IDCANCEL).OnMessage(IDOK).OnMessage(IDCANCEL).OnMessage(IDOK).OnMessage(IDOK);
    ResponderScope scope(r);
    ds->Go(6);
    ASSERT_TRUE(ds->IsDeleted());
    grid->PressKey(VK_DELETE, ssCtrl); // Cancel keeps it deleted
    EXPECT_TRUE(ds->IsDeleted());
    EXPECT_TRUE(grid->RowDeleted(5));
    grid->PressKey(VK_DELETE, ssCtrl);
    EXPECT_FALSE(ds->IsDeleted());
    EXPECT_FALSE(grid->RowDeleted(5));
    nav->BtnClick(nbDelete); // "Delete Record ?" cancelled
    EXPECT_FALSE(ds->IsDeleted());
    nav->BtnClick(nbDelete);
    EXPECT_TRUE(ds->IsDeleted());
    nav->BtnClick(nbDelete); // "Restore Record ?"
    EXPECT_FALSE(ds->IsDeleted());
    EXPECT_EQ(clicks.size(), 3u);
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_EQ(r.Seen().size(), 5u);
    EXPECT_EQ(r.Seen()[0], "message: Confirm: Restore Record ?");
    EXPECT_EQ(r.Seen()[2], "message: Confirm: Delete Record ?");
    EXPECT_EQ(Lines(Ref("view '" + table + "'"))[5].substr(0, 4), "live");
}

TEST_F(GridTest, NavigatorButtonsFollowTheDatasetState) {
    auto* nav = new dbf::TTzNavigator(form);
    nav->SetDataSource(&source);
    ds->First();
    nav->UpdateButtons();
    EXPECT_FALSE(nav->ButtonEnabled(nbPrior));
    EXPECT_TRUE(nav->ButtonEnabled(nbNext));
    EXPECT_TRUE(nav->ButtonEnabled(nbEdit));
    EXPECT_FALSE(nav->ButtonEnabled(nbPost));
    nav->BtnClick(nbLast);
    EXPECT_EQ(ds->RecNo(), 8);
    EXPECT_FALSE(nav->ButtonEnabled(nbNext));
    EXPECT_TRUE(nav->ButtonEnabled(nbPrior));
    nav->BtnClick(nbEdit);
    EXPECT_TRUE(nav->ButtonEnabled(nbPost));
    EXPECT_FALSE(nav->ButtonEnabled(nbEdit));
    nav->BtnClick(nbCancel);
    // The ends are where the records end, however the record was reached: after a Cancel on
    // the first record, or a move straight to the last.
    for (const int rec : {1, 8}) {
        ds->Go(rec);
        nav->BtnClick(nbEdit);
        nav->BtnClick(nbCancel);
        EXPECT_EQ(ds->RecNo(), rec);
        EXPECT_EQ(nav->ButtonEnabled(nbFirst), rec != 1) << rec;
        EXPECT_EQ(nav->ButtonEnabled(nbPrior), rec != 1) << rec;
        EXPECT_EQ(nav->ButtonEnabled(nbNext), rec != 8) << rec;
        EXPECT_EQ(nav->ButtonEnabled(nbLast), rec != 8) << rec;
    }
    ds->ReadOnly = true;
    nav->UpdateButtons();
    EXPECT_FALSE(nav->ButtonEnabled(nbInsert));
    EXPECT_FALSE(nav->ButtonEnabled(nbDelete));
    nav->SetVisibleButtons((1u << nbFirst) | (1u << nbNext));
    nav->BtnClick(nbLast); // hidden: nothing
    nav->BtnClick(nbFirst);
    EXPECT_EQ(ds->RecNo(), 1);
}

// Typing into a cell of an existing record: Post and Cancel are offered from the first key,
// before the cell is left, and mean the typed text (Cancel drops it, and leaving the row then
// writes nothing; Post writes it); typing stops at the field's length; a character the table
// cannot hold is refused by name and the cell stays open with the text.
TEST_F(GridTest, ANavigatorOffersPostAndCancelFromTheFirstKey) {
    auto* nav = new dbf::TTzNavigator(form);
    nav->SetDataSource(&source);
    grid->SetBounds(0, 30, 640, 300);
    form->Show();
    auto* view = qobject_cast<QTableView*>(grid->Widget());
    view->window()->activateWindow();
    const auto type = [&](int row, const QString& text) { // "\r" is Enter
        view->setCurrentIndex(view->model()->index(row, Col("NAME")));
        for (const QChar ch : text) {
            QKeyEvent e(QEvent::KeyPress, ch == '\r' ? Qt::Key_Return : 0, Qt::NoModifier,
                        ch == '\r' ? QString() : QString(ch));
            QWidget* to = QApplication::focusWidget();
            QApplication::sendEvent(to != nullptr ? to : view, &e);
            Application->ProcessMessages();
        }
        return qobject_cast<QLineEdit*>(QApplication::focusWidget());
    };
    const std::string before = Lines(Ref("view '" + table + "'"))[1];
    ScriptedResponder r;
    r.OnMessage(IDOK);
    ResponderScope scope(r);
    view->setFocus();
    for (const TNavigateBtn button : {nbCancel, nbPost}) {
        SCOPED_TRACE(button);
        QLineEdit* editor = type(1, "Zahnrad mit einem sehr langen Namen, der nicht passt");
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text().size(), ds->FieldByName("NAME")->Size());
        EXPECT_TRUE(ds->State() == dsEdit && nav->ButtonEnabled(nbPost) &&
                    nav->ButtonEnabled(nbCancel));
        nav->BtnClick(button);
        EXPECT_EQ(ds->State(), dsBrowse);
        view->setCurrentIndex(view->model()->index(4, Col("NAME"))); // another row
        Application->ProcessMessages();
        const std::string now = Lines(Ref("view '" + table + "'"))[1];
        EXPECT_EQ(now == before, button == nbCancel) << now;
        EXPECT_EQ(now.find("\tZahnrad mit") != std::string::npos, button == nbPost) << now;
    }
    // Refused by name: the cell stays open with what was typed.
    type(2, QString::fromUtf8("Rad \u5f20\r"));
    Application->ProcessMessages();
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("NAME: the table " + table + " cannot hold \"\u5f20\""),
              std::string::npos)
        << r.Seen()[0];
    const std::string third = Lines(Ref("view '" + table + "'"))[3];
    // Every way out of the row keeps it refused: nothing stored, the cell open with the text
    // and the keyboard.
    for (const int way : {int(Qt::Key_Down), int(Qt::Key_Up), -int(nbPost), -int(nbNext)}) {
        SCOPED_TRACE(way);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text().toStdString(), "Rad \u5f20");
        QKeyEvent e(QEvent::KeyPress, way, Qt::NoModifier);
        way < 0 ? nav->BtnClick(TNavigateBtn(-way)) : void(QApplication::sendEvent(editor, &e));
        Application->ProcessMessages();
        EXPECT_EQ(ds->State(), dsEdit);
        EXPECT_EQ(Lines(Ref("view '" + table + "'"))[3], third);
    }
    EXPECT_EQ(r.Seen().size(), 3u); // once more for each key that closed the cell
    nav->BtnClick(nbCancel);
    EXPECT_EQ(Lines(Ref("view '" + table + "'"))[3], third);
}

TEST(BooleanBox, SquareIsCentredInWideCellsAndAtTheTopOfHighOnes) {
    struct Case {
        TRect cell, square;
    } cases[] = {
        {{0, 0, 60, 20}, {22, 2, 38, 18}},  // wide: h x h, centred
        {{10, 5, 31, 25}, {12, 7, 28, 23}}, // (21 - 20) / 2 = 0
        {{0, 0, 16, 40}, {2, 2, 14, 14}},   // high: w x w at the top
        {{0, 0, 20, 20}, {2, 2, 18, 18}},
    };
    for (const Case& c : cases) {
        const TRect s = BooleanBoxSquare(c.cell);
        EXPECT_EQ(s.Left, c.square.Left);
        EXPECT_EQ(s.Top, c.square.Top);
        EXPECT_EQ(s.Right, c.square.Right);
        EXPECT_EQ(s.Bottom, c.square.Bottom);
    }
}

TEST_F(GridTest, DateColumnsGetTheEnginesDatePicture) {
    struct Case {
        int format;
        bool fourDigits;
        const char* mask;
    } cases[] = {
        {0, true, "99/99/9999;1; "},
        {5, false, "99.99.99;1; "},
        {1, true, "9999.99.99;1; "},
        {3, false, "99-99-99;1; "},
    };
    for (const Case& c : cases) {
        dbf::SetDateFormat(static_cast<std::uint8_t>(c.format));
        dbf::FourDigitYears = c.fourDigits;
        EXPECT_EQ(grid->ColumnEditMask(Col("DAY")), c.mask) << c.format;
        EXPECT_EQ(grid->ColumnEditMask(Col("NAME")), "");
    }
}

// The row map over an index order, fetched from either end, agrees with a full walk; with
// hidden deleted records the estimated count is corrected.
TEST_F(GridTest, RowMapFromBothEndsAgreesWithTheIndexOrder) {
    const std::string path = (fs::path(DbfDir) / "many.dbf").string();
    const std::string ndx = (fs::path(DbfDir) / "many.ndx").string();
    {
        dbf::TTzDbf t;
        t.SetDbfFileName(path);
        t.DbfFields = {"N, N, 6, 0"};
        t.Open();
        for (int i = 0; i < 1500; ++i) {
            t.Append();
            t.FieldByName("N")->SetAsInteger((i * 7919) % 1500);
            t.Post();
        }
        for (int rec : {1, 2, 700, 1499, 1500}) {
            t.Go(rec);
            t.SetIsDeleted(true);
        }
        t.Close();
    }
    for (bool hide : {false, true}) {
        dbf::TTzDbf t;
        t.SetDbfFileName(path);
        t.IndexList = {"0," + ndx + ",N"};
        t.SetHideDeletedRecs(hide);
        t.Open();
        std::vector<int> walk;
        for (t.First(); !t.Eof(); t.Next())
            walk.push_back(t.FieldByName("N")->AsInteger());
        auto value = [&](const TBookmark* b) {
            EXPECT_TRUE(b && t.BeginDisplayRecord(*b));
            const int v = t.FieldByName("N")->AsInteger();
            t.EndDisplayRecord();
            return v;
        };
        TRowMap map;
        map.Reset(&t);
        EXPECT_EQ(map.Count(), 1500);
        // The last row first: read from the back when the count is exact; otherwise the walk
        // to it finds fewer rows and corrects the count.
        const int last = map.Count() - 1;
        if (hide) {
            EXPECT_EQ(map.At(last), nullptr);
            EXPECT_TRUE(map.CountChanged());
            EXPECT_EQ(map.Count(), static_cast<int>(walk.size()));
        } else {
            EXPECT_EQ(value(map.At(last)), walk.back());
            EXPECT_FALSE(map.Complete()); // one chunk from the back, not a walk
        }
        for (int row : {0, 1, 700, 1200, 900}) {
            if (row >= map.Count()) continue;
            EXPECT_EQ(value(map.At(row)), walk[static_cast<std::size_t>(row)]) << row << hide;
        }
        // Asking for everything settles the count.
        for (int row = 0; row < map.Count(); ++row) {
            const TBookmark* b = map.At(row);
            if (!b) break;
            EXPECT_EQ(map.RowOf(*b), row);
        }
        EXPECT_EQ(map.Count(), static_cast<int>(walk.size())) << hide;
        EXPECT_EQ(value(map.At(map.Count() - 1)), walk.back());
        t.Close();
    }
}

} // namespace
