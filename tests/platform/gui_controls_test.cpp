// Controls worked through their Qt widgets (the path a person's input takes), pictures, page
// refusals, radio groups per parent, and every control without any widget (batch modes).

#include "gui_testutil.h"

#include "platform/gui/canvas_qt.h"
#include "platform/gui/gui.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class GuiControls : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

void TypeInto(QWidget* w, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(w, &press);
    }
}

TEST_F(GuiControls, TypingIntoTheWidgetUpdatesTheEditAndFiresOnChange) {
    TForm f(nullptr);
    auto* e = new TEdit(&f);
    e->SetMaxLength(4);
    std::vector<std::string> seen;
    e->OnChange = [&](TObject*) { seen.push_back(e->Text()); };
    auto* line = qobject_cast<QLineEdit*>(e->Widget());
    ASSERT_NE(line, nullptr);
    TypeInto(line, "1.5e3x");
    EXPECT_EQ(e->Text(), "1.5e"); // the widget keeps the capacity too
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "1.", "1.5", "1.5e"}));
    e->SetText("7");
    EXPECT_EQ(line->text().toStdString(), "7");
    e->SetReadOnly(true);
    EXPECT_TRUE(line->isReadOnly());
    EXPECT_FALSE(e->TypeText("8"));
    EXPECT_EQ(e->Text(), "7");
}

TEST_F(GuiControls, ChoosingFromTheComboWidgetRunsClickThenChange) {
    TForm f(nullptr);
    auto* c = new TComboBox(&f);
    c->SetStyle(csDropDownList);
    c->Items().Assign({"metric", "imperial"});
    std::vector<std::string> log;
    c->OnClick = [&](TObject*) { log.push_back("click " + c->Text()); };
    c->OnChange = [&](TObject*) { log.push_back("change " + c->Text()); };
    auto* qc = qobject_cast<QComboBox*>(c->Widget());
    ASSERT_NE(qc, nullptr);
    EXPECT_EQ(qc->count(), 2);
    EXPECT_FALSE(qc->isEditable());
    qc->setCurrentIndex(1);
    emit qc->activated(1); // what the popup reports when a person picks an item
    EXPECT_EQ(c->ItemIndex(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"click imperial", "change imperial"}));
    // Items replaced while one is chosen: the choice goes when it no longer exists.
    c->Items().Assign({"only"});
    EXPECT_EQ(c->ItemIndex(), -1);
    EXPECT_EQ(qc->count(), 1);
    // An editable combo takes typed text.
    c->SetStyle(csDropDown);
    ASSERT_TRUE(qc->isEditable());
    TypeInto(qc->lineEdit(), "ab");
    EXPECT_EQ(c->Text(), "ab");
    EXPECT_EQ(c->ItemIndex(), -1);
}

TEST_F(GuiControls, ListAndSpinWidgetsReportTheirChanges) {
    TForm f(nullptr);
    auto* l = new TListBox(&f);
    l->Items().Assign({"a", "b", "c"});
    int clicks = 0, dbl = 0;
    l->OnClick = [&](TObject*) { ++clicks; };
    l->OnDblClick = [&](TObject*) { ++dbl; };
    auto* ql = qobject_cast<QListWidget*>(l->Widget());
    ASSERT_NE(ql, nullptr);
    ql->setCurrentRow(2);
    EXPECT_EQ(l->ItemIndex(), 2);
    EXPECT_EQ(clicks, 1);
    emit ql->itemDoubleClicked(ql->item(2));
    EXPECT_EQ(dbl, 1);
    l->SetItemIndex(0); // from code: no click
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ql->currentRow(), 0);

    auto* s = new TSpinEdit(&f);
    s->SetMinValue(3);
    s->SetMaxValue(16);
    int changes = 0;
    s->OnChange = [&](TObject*) { ++changes; };
    auto* qs = qobject_cast<QSpinBox*>(s->Widget());
    ASSERT_NE(qs, nullptr);
    EXPECT_EQ(qs->minimum(), 3);
    EXPECT_EQ(qs->maximum(), 16);
    qs->setValue(12);
    EXPECT_EQ(s->Value(), 12);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(s->TypeText("abc"));
    EXPECT_FALSE(s->TypeText("2"));
    EXPECT_TRUE(s->TypeText(" 16 "));
    EXPECT_EQ(qs->value(), 16);
}

TEST_F(GuiControls, PageChangesCanBeRefusedAndHiddenTabsNotChosen) {
    TForm f(nullptr);
    auto* pc = new TPageControl(&f);
    std::vector<TTabSheet*> sheets;
    for (const char* caption : {"Directories", "Graphics", "CAD"}) {
        auto* t = new TTabSheet(&f);
        t->SetCaption(caption);
        t->SetPageControl(pc);
        sheets.push_back(t);
    }
    bool allow = false;
    int changes = 0;
    pc->OnChanging = [&](TObject*, bool& a) { a = allow; };
    pc->OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(pc->ActivePageIndex(), 0);
    EXPECT_FALSE(pc->SelectPage(1));
    EXPECT_EQ(pc->ActivePageIndex(), 0);
    allow = true;
    sheets[2]->SetTabVisible(false);
    EXPECT_FALSE(pc->SelectPage(2));
    EXPECT_TRUE(pc->SelectPage(1));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(sheets[1]->Visible());
    EXPECT_FALSE(sheets[0]->Visible());
    auto* tabs = qobject_cast<QTabWidget*>(pc->Widget());
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(tabs->tabText(2).toStdString(), "CAD");
    // A person clicking a tab goes through the same checks.
    allow = false;
    tabs->setCurrentIndex(0);
    EXPECT_EQ(pc->ActivePageIndex(), 1);
    EXPECT_EQ(tabs->currentIndex(), 1);
    pc->SetActivePage(sheets[0]); // from code: no events
    EXPECT_EQ(changes, 1);
    delete sheets[1];
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_EQ(sheets[2]->PageIndex(), 1);
}

TEST_F(GuiControls, RadioButtonsAreExclusivePerParentOnly) {
    TForm f(nullptr);
    auto* left = new TPanel(&f);
    auto* right = new TPanel(&f);
    auto* a1 = new TRadioButton(left);
    auto* a2 = new TRadioButton(left);
    auto* b1 = new TRadioButton(right);
    a1->SetChecked(true);
    b1->SetChecked(true);
    a2->Click();
    EXPECT_FALSE(a1->Checked());
    EXPECT_TRUE(a2->Checked());
    EXPECT_TRUE(b1->Checked());
}

TEST_F(GuiControls, SpeedButtonsAndUpDownFollowTheirRules) {
    TForm f(nullptr);
    auto* s1 = new TSpeedButton(&f);
    auto* s2 = new TSpeedButton(&f);
    s1->SetGroupIndex(3);
    s2->SetGroupIndex(3);
    s1->Click();
    EXPECT_TRUE(s1->Down());
    s1->Click(); // stays down unless all may be up
    EXPECT_TRUE(s1->Down());
    s1->AllowAllUp = true;
    s1->Click();
    EXPECT_FALSE(s1->Down());
    s2->Click();
    s1->Click();
    EXPECT_TRUE(s1->Down());
    EXPECT_FALSE(s2->Down());

    auto* e = new TEdit(&f);
    e->SetBounds(10, 10, 60, 24);
    auto* u = new TUpDown(&f);
    u->SetMin(1);
    u->SetMax(3);
    u->SetAssociate(e);
    EXPECT_EQ(u->Left(), 70); // beside its edit
    EXPECT_EQ(e->Text(), "1");
    std::vector<int> clicks;
    u->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b == btNext ? 1 : -1); };
    for (int i = 0; i < 4; ++i)
        u->PressButton(btNext);
    EXPECT_EQ(u->Position(), 3);
    u->Wrap = true;
    u->PressButton(btNext);
    EXPECT_EQ(u->Position(), 1);
    EXPECT_EQ(e->Text(), "1");
    u->PressButton(btPrev);
    EXPECT_EQ(u->Position(), 3);
    EXPECT_EQ(clicks.size(), 6u);
}

TEST_F(GuiControls, ImagesLoadFilesAndDrawOnTheirCanvas) {
    const auto dir = std::filesystem::temp_directory_path() / "qor_gui_image_test";
    std::filesystem::create_directories(dir);
    const std::string png = (dir / "logo.png").string();
    QImage source(4, 3, QImage::Format_RGB32);
    source.fill(QColor(0, 0, 255));
    source.setPixelColor(1, 2, QColor(255, 0, 0));
    ASSERT_TRUE(source.save(QString::fromStdString(png)));

    TForm f(nullptr);
    auto* img = new TImage(&f);
    EXPECT_EQ(img->PictureWidth(), 0);
    EXPECT_EQ(img->Pixel(0, 0), clNone);
    ASSERT_TRUE(img->LoadFromFile(png));
    EXPECT_EQ(img->PictureWidth(), 4);
    EXPECT_EQ(img->PictureHeight(), 3);
    EXPECT_EQ(img->Pixel(1, 2), clRed);
    EXPECT_EQ(img->Pixel(0, 0), clBlue);
    EXPECT_EQ(img->Pixel(4, 0), clNone);
    EXPECT_FALSE(img->LoadFromFile((dir / "missing.png").string()));

    auto* drawn = new TImage(&f);
    drawn->SetBounds(0, 0, 20, 10);
    TCanvas* c = drawn->Canvas();
    ASSERT_NE(c, nullptr);
    c->Brush.Color = clLime;
    c->FillRect(Rect(5, 5, 8, 8));
    EXPECT_EQ(drawn->PictureWidth(), 20);
    EXPECT_EQ(drawn->Pixel(6, 6), clLime);
    EXPECT_EQ(drawn->Pixel(1, 1), clWhite);
    std::filesystem::remove_all(dir);
}

TEST_F(GuiControls, ColoursAndFontsReachTheWidgets) {
    TForm f(nullptr);
    auto* e = new TEdit(&f);
    e->SetColor(clYellow); // an invalid field is shown yellow
    EXPECT_EQ(e->Widget()->palette().color(QPalette::Base), QColor(255, 255, 0));
    // A field marked red keeps its red but is lightened until its dark text reads (7:1).
    auto* red = new TEdit(&f);
    red->SetColor(clRed);
    EXPECT_EQ(red->Color(), clRed);
    const QColor shown = red->Widget()->palette().color(QPalette::Base);
    EXPECT_EQ(shown.red(), 255);
    EXPECT_EQ(shown.green(), shown.blue());
    EXPECT_GT(shown.green(), 60);
    EXPECT_GE(ContrastRatio(FromQColor(shown),
                            FromQColor(red->Widget()->palette().color(QPalette::Text))),
              7.0);
    auto* p = new TPanel(&f);
    p->SetColor(RGB(1, 2, 3)); // a panel shows its colour as it is (a colour swatch)
    EXPECT_EQ(p->Widget()->palette().color(QPalette::Window), QColor(1, 2, 3));
    auto* m = new TMemo(&f);
    TFont font = m->Font();
    font.Name = "Courier New";
    font.SetSize(12);
    font.Style = fsBold;
    m->SetFont(font);
    const QFont q = m->Widget()->font();
    EXPECT_TRUE(q.bold());
    EXPECT_TRUE(q.fixedPitch() || QFontInfo(q).fixedPitch());
    EXPECT_EQ(m->Font().Size(), 12);
}

TEST_F(GuiControls, ChildrenFollowTheirParentsFontUntilGivenTheirOwn) {
    TForm f(nullptr);
    auto* panel = new TPanel(&f);
    auto* follows = new TEdit(panel);
    auto* own = new TEdit(panel);
    TFont mono = f.Font();
    mono.Name = "Courier New";
    mono.SetSize(14);
    TFont sans = f.Font();
    sans.Name = "Arial";
    sans.SetSize(9);
    own->SetFont(sans);
    f.SetFont(mono);
    EXPECT_EQ(panel->Font().Name, "Courier New");
    EXPECT_EQ(follows->Font().Name, "Courier New");
    EXPECT_EQ(follows->Font().Size(), 14);
    EXPECT_EQ(own->Font().Name, "Arial");
    EXPECT_TRUE(QFontInfo(follows->Widget()->font()).fixedPitch());
    EXPECT_FALSE(QFontInfo(own->Widget()->font()).fixedPitch());
    own->SetParentFont(true);
    EXPECT_EQ(own->Font().Name, "Courier New");
    EXPECT_TRUE(QFontInfo(own->Widget()->font()).fixedPitch());
    auto* late = new TLabel(panel); // created after the change
    EXPECT_EQ(late->Font().Size(), 14);
}

TEST_F(GuiControls, MenuBarTakesItsHeightFromTheClientArea) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    EXPECT_EQ(f.ClientHeight(), 300);
    auto* menu = new TMainMenu(&f);
    auto* file = new TMenuItem(&f);
    file->SetCaption("&File");
    menu->Items()->Add(file);
    f.MenuChanged();
    EXPECT_LT(f.ClientHeight(), 300);
    EXPECT_GT(f.ClientHeight(), 250);
    f.SetClientHeight(200);
    EXPECT_EQ(f.ClientHeight(), 200);
    EXPECT_GT(f.Height(), 200);
}

TEST_F(GuiControls, ControlsMenusAndPagesMayBeDestroyedInAnyOrder) {
    for (int order = 0; order < 4; ++order) {
        auto* f = new TForm(nullptr);
        f->SetBounds(0, 0, 300, 200);
        auto* panel = new TPanel(f);
        auto* edit = new TEdit(f);
        edit->SetName("edit");
        edit->SetParent(panel);
        auto* pc = new TPageControl(f);
        auto* sheet = new TTabSheet(f);
        sheet->SetPageControl(pc);
        auto* onSheet = new TCheckBox(f);
        onSheet->SetParent(sheet);
        auto* menu = new TMainMenu(f);
        auto* item = new TMenuItem(f);
        menu->Items()->Add(item);
        int exits = 0;
        edit->OnExit = [&](TObject*) { ++exits; };
        f->Show();
        edit->SetFocus();
        Application->ProcessMessages();
        switch (order) {
        case 0:
            delete panel; // the focused edit goes with it, without an exit event
            delete pc;
            break;
        case 1:
            delete sheet; // before its page control
            delete menu;  // before its items
            break;
        case 2:
            delete item;
            delete onSheet;
            break;
        default:
            break; // everything with the form
        }
        EXPECT_EQ(exits, 0);
        if (order == 0) {
            EXPECT_EQ(f->ActiveControl(), nullptr);
            EXPECT_EQ(f->FindComponent("edit"), nullptr);
            EXPECT_EQ(f->ComponentCount(), 2); // the menu and its item are left
        }
        if (order == 1) {
            EXPECT_EQ(pc->PageCount(), 0);
            EXPECT_EQ(f->Menu(), nullptr);
        }
        f->Close();
        Application->ProcessMessages();
        delete f;
        Application->ProcessMessages();
    }
}

// Batch modes build the same dialogs without a display: every control kind holds its values.
TEST(GuiHeadless, EveryControlWorksWithoutWidgets) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int bad = 0;
            auto check = [&bad](bool ok) { bad += ok ? 0 : 1; };
            check(!Application->HasWidgets());
            TForm f(nullptr);
            f.SetBounds(0, 0, 300, 200);
            auto* memo = new TMemo(&f);
            memo->SetAlign(alClient);
            check(memo->BoundsRect() == Rect(0, 0, 300, 200));
            memo->Lines().Add("x");
            memo->SelectAll();
            check(memo->SelText() == "x");
            auto* combo = new TComboBox(&f);
            combo->Items().Assign({"a", "b"});
            check(combo->PickItem(1) && combo->Text() == "b");
            auto* list = new TListBox(&f);
            list->Items().Assign({"a"});
            check(list->PickItem(0) && list->ItemIndex() == 0);
            auto* spin = new TSpinEdit(&f);
            spin->SetValue(5);
            check(spin->Value() == 5);
            auto* pc = new TPageControl(&f);
            auto* t1 = new TTabSheet(&f);
            t1->SetPageControl(pc);
            auto* t2 = new TTabSheet(&f);
            t2->SetPageControl(pc);
            check(pc->SelectPage(1) && pc->ActivePage() == t2);
            auto* grid = new TStringGrid(&f);
            grid->SetCells(1, 1, "v");
            grid->ClickCell(2, 3);
            check(grid->Cells(1, 1) == "v" && grid->Col() == 2 && grid->Row() == 3);
            auto* img = new TImage(&f);
            check(!img->LoadFromFile("/no/such.png"));
            auto* menu = new TMainMenu(&f);
            auto* item = new TMenuItem(&f);
            int clicks = 0;
            item->OnClick = [&](TObject*) { ++clicks; };
            item->SetShortCut(ShortCut('S', ssCtrl));
            menu->Items()->Add(item);
            check(f.DispatchKey('S', ssCtrl) && clicks == 1);
            f.Show();
            f.PaintNow();
            f.Close();
            check(!f.Visible());
            std::exit(bad);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
