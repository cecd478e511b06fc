// Forms driven headless through the responder: every control kind filled as a person would,
// modal results, Esc, Enter, the close box, refusals and focus events.

#include "gui_testutil.h"

#include "platform/gui/gui.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A form with one control of every kind, named as the program names its components.
class AllControlsForm : public TForm {
public:
    explicit AllControlsForm(TComponent* owner) : TForm(owner) {
        SetCaption("Input");
        SetBounds(10, 10, 600, 520);
        Label1 = Make<TLabel>("Label1", 8, 8, 300, 17);
        Label1->SetCaption("Enter the &values");
        Label1->SetWordWrap(true);
        Edit_name = Make<TEdit>("Edit_name", 8, 30, 120, 24);
        Edit_name->SetMaxLength(3);
        Edit_name->OnChange = [this](TObject*) { ++EditChanges; };
        Edit_name->OnExit = [this](TObject*) { ++EditExits; };
        MaskEdit_date = Make<TMaskEdit>("MaskEdit_date", 140, 30, 120, 24);
        MaskEdit_date->SetEditMask("99/99/9999;1;_");
        Memo1 = Make<TMemo>("Memo1", 8, 60, 200, 60);
        CheckBox_prot = Make<TCheckBox>("CheckBox_prot", 8, 130, 120, 20);
        CheckBox_prot->OnClick = [this](TObject*) { ++CheckClicks; };
        RadioButton_a = Make<TRadioButton>("RadioButton_a", 8, 155, 100, 20);
        RadioButton_b = Make<TRadioButton>("RadioButton_b", 110, 155, 100, 20);
        RadioButton_a->SetChecked(true);
        GroupBox1 = Make<TGroupBox>("GroupBox1", 220, 60, 200, 100);
        GroupBox1->SetCaption("Basic rack");
        RadioGroup_d = Make<TRadioGroup>("RadioGroup_d", 430, 60, 160, 100);
        RadioGroup_d->SetCaption("output interface");
        RadioGroup_d->Items().Assign({"seriell", "parallel", "Datei"});
        RadioGroup_d->SetItemIndex(1);
        RadioGroup_d->OnClick = [this](TObject*) { ++RadioGroupClicks; };
        Panel1 = Make<TPanel>("Panel1", 8, 180, 200, 30);
        ComboBox1 = Make<TComboBox>("ComboBox1", 220, 180, 200, 24);
        ComboBox1->SetStyle(csDropDownList);
        ComboBox1->Items().Assign({"DIN 867", "Protuberance", "self-defined ..."});
        ComboBox1->OnChange = [this](TObject*) { ++ComboChanges; };
        ComboBox_psfont = Make<TComboBox>("ComboBox_psfont", 430, 180, 160, 24);
        ComboBox_psfont->Items().Assign({"Times-Roman", "Courier"});
        ListBox1 = Make<TListBox>("ListBox1", 8, 220, 150, 80);
        ListBox1->Items().Assign({"one", "two", "three"});
        SpinEdit_size = Make<TSpinEdit>("SpinEdit_size", 170, 220, 80, 24);
        SpinEdit_size->SetMinValue(30);
        SpinEdit_size->SetMaxValue(300);
        SpinEdit_size->SetValue(100);
        Edit_count = Make<TEdit>("Edit_count", 260, 220, 60, 24);
        UpDown1 = Make<TUpDown>("UpDown1", 0, 0, 17, 24);
        UpDown1->SetMin(0);
        UpDown1->SetMax(5);
        UpDown1->SetAssociate(Edit_count);
        PageControl1 = Make<TPageControl>("PageControl1", 8, 310, 300, 120);
        TabSheet_dirs = new TTabSheet(this);
        TabSheet_dirs->SetName("TabSheet_dirs");
        TabSheet_dirs->SetCaption("Directories");
        TabSheet_dirs->SetPageControl(PageControl1);
        TabSheet_cad = new TTabSheet(this);
        TabSheet_cad->SetName("TabSheet_cad");
        TabSheet_cad->SetCaption("CAD");
        TabSheet_cad->SetPageControl(PageControl1);
        Edit_cadfont = new TEdit(this);
        Edit_cadfont->SetName("Edit_cadfont");
        Edit_cadfont->SetParent(TabSheet_cad);
        Edit_cadfont->SetBounds(8, 8, 120, 24);
        StringGrid_layer = Make<TStringGrid>("StringGrid_layer", 320, 310, 270, 120);
        StringGrid_layer->SetColCount(3);
        StringGrid_layer->SetRowCount(6);
        StringGrid_layer->SetOptions(StringGrid_layer->Options() | goEditing);
        SpeedButton1 = Make<TSpeedButton>("SpeedButton1", 8, 440, 23, 22);
        SpeedButton2 = Make<TSpeedButton>("SpeedButton2", 32, 440, 23, 22);
        SpeedButton1->SetGroupIndex(1);
        SpeedButton2->SetGroupIndex(1);
        Image1 = Make<TImage>("Image1", 60, 440, 40, 40);
        Button_ok = Make<TButton>("Button_ok", 400, 480, 75, 25);
        Button_ok->SetCaption("OK");
        Button_ok->SetDefault(true);
        Button_ok->SetModalResult(mrOk);
        Button_cancel = Make<TButton>("Button_cancel", 480, 480, 75, 25);
        Button_cancel->SetCaption("Cancel");
        Button_cancel->SetCancel(true);
        Button_cancel->SetModalResult(mrCancel);
        Button_cancel->OnClick = [this](TObject*) { CancelPressed = true; };
    }

    template <class T> T* Make(const char* name, int l, int t, int w, int h) {
        T* c = new T(this);
        c->SetName(name);
        c->SetBounds(l, t, w, h);
        return c;
    }

    TLabel* Label1;
    TEdit* Edit_name;
    TMaskEdit* MaskEdit_date;
    TMemo* Memo1;
    TCheckBox* CheckBox_prot;
    TRadioButton *RadioButton_a, *RadioButton_b;
    TGroupBox* GroupBox1;
    TRadioGroup* RadioGroup_d;
    TPanel* Panel1;
    TComboBox *ComboBox1, *ComboBox_psfont;
    TListBox* ListBox1;
    TSpinEdit* SpinEdit_size;
    TEdit* Edit_count;
    TUpDown* UpDown1;
    TPageControl* PageControl1;
    TTabSheet *TabSheet_dirs, *TabSheet_cad;
    TEdit* Edit_cadfont;
    TStringGrid* StringGrid_layer;
    TSpeedButton *SpeedButton1, *SpeedButton2;
    TImage* Image1;
    TButton *Button_ok, *Button_cancel;

    int EditChanges = 0, EditExits = 0, CheckClicks = 0, RadioGroupClicks = 0, ComboChanges = 0;
    bool CancelPressed = false;
};

class GuiForms : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

TEST_F(GuiForms, EveryControlKindIsFilledThroughTheResponderAndReadBack) {
    std::unique_ptr<AllControlsForm> f(NewForm<AllControlsForm>(nullptr));
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        // Capacity counts characters, not bytes.
        EXPECT_TRUE(Respond::Type(form, "Edit_name", "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F"));
        EXPECT_TRUE(Respond::Type(form, "MaskEdit_date", "24/12/2026"));
        EXPECT_TRUE(Respond::Type(form, "Memo1", "line 1\r\nline 2"));
        EXPECT_TRUE(Respond::Check(form, "CheckBox_prot", true));
        EXPECT_TRUE(Respond::Check(form, "RadioButton_b", true));
        EXPECT_TRUE(Respond::Pick(form, "RadioGroup_d", 2));
        EXPECT_TRUE(Respond::PickText(form, "ComboBox1", "Protuberance"));
        EXPECT_FALSE(Respond::Type(form, "ComboBox1", "no such item"));
        EXPECT_TRUE(Respond::Type(form, "ComboBox_psfont", "Helvetica"));
        EXPECT_TRUE(Respond::Pick(form, "ListBox1", 2));
        EXPECT_FALSE(Respond::Type(form, "SpinEdit_size", "301"));
        EXPECT_TRUE(Respond::Type(form, "SpinEdit_size", "250"));
        // The CAD page is hidden until its tab is chosen.
        EXPECT_FALSE(Respond::Type(form, "Edit_cadfont", "Arial"));
        EXPECT_TRUE(Respond::PickText(form, "PageControl1", "CAD"));
        EXPECT_TRUE(Respond::Type(form, "Edit_cadfont", "Arial"));
        auto* grid = FindControl<TStringGrid>(form, "StringGrid_layer");
        ASSERT_NE(grid, nullptr);
        EXPECT_TRUE(grid->TypeCell(1, 2, "CONT"));
        EXPECT_FALSE(grid->TypeCell(0, 2, "fixed cells are not edited"));
        auto* up = FindControl<TUpDown>(form, "UpDown1");
        up->PressButton(btNext);
        up->PressButton(btNext);
        EXPECT_TRUE(Respond::Press(form, "SpeedButton2"));
        EXPECT_TRUE(Respond::Press(form, "Button_ok"));
    });
    ResponderScope scope(r);
    EXPECT_EQ(f->ShowModal(), mrOk);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);

    EXPECT_EQ(f->Edit_name->Text(), "\xC3\xA4\xC3\xB6\xC3\xBC");
    EXPECT_EQ(f->MaskEdit_date->Text(), "24/12/2026");
    ASSERT_EQ(f->Memo1->Lines().Count(), 2);
    EXPECT_EQ(f->Memo1->Lines()[1], "line 2");
    EXPECT_TRUE(f->CheckBox_prot->Checked());
    EXPECT_EQ(f->CheckClicks, 1);
    EXPECT_TRUE(f->RadioButton_b->Checked());
    EXPECT_FALSE(f->RadioButton_a->Checked());
    EXPECT_EQ(f->RadioGroup_d->ItemIndex(), 2);
    EXPECT_EQ(f->RadioGroupClicks, 1);
    EXPECT_EQ(f->ComboBox1->ItemIndex(), 1);
    EXPECT_EQ(f->ComboBox1->Text(), "Protuberance");
    EXPECT_EQ(f->ComboChanges, 1);
    EXPECT_EQ(f->ComboBox_psfont->Text(), "Helvetica");
    EXPECT_EQ(f->ComboBox_psfont->ItemIndex(), -1);
    EXPECT_EQ(f->ListBox1->ItemIndex(), 2);
    EXPECT_EQ(f->SpinEdit_size->Value(), 250);
    EXPECT_EQ(f->Edit_cadfont->Text(), "Arial");
    EXPECT_EQ(f->PageControl1->ActivePage(), f->TabSheet_cad);
    EXPECT_EQ(f->StringGrid_layer->Cells(1, 2), "CONT");
    EXPECT_EQ(f->UpDown1->Position(), 2);
    EXPECT_EQ(f->Edit_count->Text(), "2");
    EXPECT_TRUE(f->SpeedButton2->Down());
    EXPECT_FALSE(f->SpeedButton1->Down());
    EXPECT_EQ(f->EditChanges, 1);
    EXPECT_EQ(f->EditExits, 1); // focus left the edit for the next control
    EXPECT_FALSE(f->CancelPressed);
    EXPECT_FALSE(f->Visible());

    // The widgets show what the model holds.
    auto* label = qobject_cast<QLabel*>(f->Label1->Widget());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "Enter the values");
}

TEST_F(GuiForms, EscPressesTheCancelButtonAndGivesCancel) {
    std::unique_ptr<AllControlsForm> f(NewForm<AllControlsForm>(nullptr));
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        Respond::Type(form, "Edit_name", "abc");
        Respond::Key(form, VK_ESCAPE);
    });
    ResponderScope scope(r);
    EXPECT_EQ(f->ShowModal(), mrCancel);
    EXPECT_TRUE(f->CancelPressed);
}

TEST_F(GuiForms, EnterPressesTheDefaultButton) {
    std::unique_ptr<AllControlsForm> f(NewForm<AllControlsForm>(nullptr));
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        Respond::Focus(form, "Edit_name");
        Respond::Key(form, VK_RETURN);
    });
    ResponderScope scope(r);
    EXPECT_EQ(f->ShowModal(), mrOk);
    EXPECT_FALSE(f->CancelPressed);
}

TEST_F(GuiForms, KeyPreviewHandlerSeesEscBeforeTheButtons) {
    // The program's small dialogs handle Enter and Esc in the form's key handler.
    TForm f(nullptr);
    f.KeyPreview = true;
    bool aborted = false;
    std::vector<std::uint16_t> keys;
    f.OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) {
        keys.push_back(key);
        if (key == VK_ESCAPE) {
            aborted = true;
            f.Close();
            key = 0;
        }
    };
    auto* edit = new TEdit(&f);
    edit->SetName("EditEinText");
    char lastChar = 0;
    edit->OnKeyPress = [&](TObject*, char& c) { lastChar = c; };
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        Respond::Focus(form, "EditEinText");
        Respond::Key(form, 'A', ssShift);
        Respond::Key(form, VK_ESCAPE);
    });
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrCancel); // Close() on a modal form
    EXPECT_TRUE(aborted);
    EXPECT_EQ(lastChar, 'A');
    EXPECT_EQ(keys, (std::vector<std::uint16_t>{'A', VK_ESCAPE}));
}

TEST_F(GuiForms, CloseBoxIsNotTheCancelButton) {
    std::unique_ptr<AllControlsForm> f(NewForm<AllControlsForm>(nullptr));
    int closes = 0;
    f->OnClose = [&](TObject*, TCloseAction& a) {
        ++closes;
        EXPECT_EQ(a, caHide);
    };
    ScriptedResponder r;
    r.OnForm([](TForm& form) { form.CloseBox(); });
    ResponderScope scope(r);
    EXPECT_EQ(f->ShowModal(), mrCancel);
    EXPECT_FALSE(f->CancelPressed);
    EXPECT_EQ(closes, 1);
}

TEST_F(GuiForms, RefusedCloseKeepsTheFormForTheNextAnswer) {
    TForm f(nullptr);
    auto* edit = new TEdit(&f);
    edit->SetName("Edit_z");
    auto* ok = new TButton(&f);
    ok->SetName("Button_ok");
    ok->SetModalResult(mrOk);
    f.OnCloseQuery = [&](TObject*, bool& can) { can = edit->Text() == "17"; };
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        Respond::Type(form, "Edit_z", "x");
        Respond::Press(form, "Button_ok");
    });
    r.OnForm([](TForm& form) {
        EXPECT_EQ(form.ModalResult(), mrNone);
        Respond::Type(form, "Edit_z", "17");
        Respond::Press(form, "Button_ok");
    });
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(r.Seen().size(), 2u);
    EXPECT_EQ(edit->Text(), "17");
}

TEST_F(GuiForms, OnClickMayWithdrawTheButtonsModalResult) {
    TForm f(nullptr);
    auto* ok = new TButton(&f);
    ok->SetName("Button_ok");
    ok->SetModalResult(mrOk);
    int presses = 0;
    ok->OnClick = [&](TObject*) {
        if (++presses == 1) f.SetModalResult(mrNone); // invalid input: stay
    };
    ScriptedResponder r;
    r.OnForm([](TForm& form) { Respond::Press(form, "Button_ok"); });
    r.OnForm([](TForm& form) { Respond::Press(form, "Button_ok"); });
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(presses, 2);
}

TEST_F(GuiForms, AButtonWithoutModalResultLeavesTheFormOpen) {
    TForm f(nullptr);
    auto* calc = new TButton(&f);
    calc->SetName("Button_calc");
    int calcs = 0;
    calc->OnClick = [&](TObject*) { ++calcs; };
    auto* yes = new TButton(&f);
    yes->SetName("Button_yes");
    yes->SetModalResult(mrYes);
    ScriptedResponder r;
    r.OnForm([&](TForm& form) {
        Respond::Press(form, "Button_calc");
        EXPECT_TRUE(form.Visible());
        EXPECT_EQ(form.ModalResult(), mrNone);
        Respond::Press(form, "Button_yes");
    });
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrYes);
    EXPECT_EQ(calcs, 1);
}

TEST_F(GuiForms, DisabledOrHiddenControlsCannotBeWorked) {
    std::unique_ptr<AllControlsForm> f(NewForm<AllControlsForm>(nullptr));
    f->Edit_name->SetEnabled(false);
    f->CheckBox_prot->SetVisible(false);
    f->RadioGroup_d->SetItemEnabled(0, false);
    f->GroupBox1->SetEnabled(false);
    auto* inGroup = new TEdit(f.get());
    inGroup->SetName("Edit_inGroup");
    inGroup->SetParent(f->GroupBox1);
    ScriptedResponder r;
    r.OnForm([](TForm& form) {
        EXPECT_FALSE(Respond::Type(form, "Edit_name", "abc"));
        EXPECT_FALSE(Respond::Check(form, "CheckBox_prot", true));
        EXPECT_FALSE(Respond::Pick(form, "RadioGroup_d", 0));
        EXPECT_FALSE(Respond::Type(form, "Edit_inGroup", "abc"));
        EXPECT_FALSE(Respond::Press(form, "NoSuchButton"));
        Respond::Press(form, "Button_cancel");
    });
    ResponderScope scope(r);
    EXPECT_EQ(f->ShowModal(), mrCancel);
    EXPECT_EQ(f->Edit_name->Text(), "");
    EXPECT_FALSE(f->CheckBox_prot->Checked());
    EXPECT_EQ(f->RadioGroup_d->ItemIndex(), 1);
    EXPECT_EQ(inGroup->Text(), "");
}

TEST_F(GuiForms, AModalFormBlocksTheOtherWindowsWhileShown) {
    TForm f(nullptr);
    TForm blocked(nullptr);
    bool modalInside = false, back = false;
    ScriptedResponder r;
    r.OnForm([&](TForm& form) {
        modalInside = form.Widget()->isModal() && form.Modal();
        // Minimised by the window manager: back when a window it blocks is activated.
        form.Widget()->setWindowState(Qt::WindowMinimized);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(blocked.Widget(), &activate);
        QCoreApplication::processEvents();
        back = !form.Widget()->isMinimized();
        form.SetModalResult(mrOk);
    });
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_TRUE(modalInside);
    EXPECT_TRUE(back);
    EXPECT_FALSE(f.Widget()->isModal());
    EXPECT_FALSE(f.Modal());
}

TEST_F(GuiForms, ResponderThatAnswersNothingGetsCancel) {
    TForm f(nullptr);
    ScriptedResponder r;
    r.OnForm([](TForm&) {});
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_FALSE(f.Visible());
}

TEST_F(GuiForms, FormThatNeverClosesStillReturns) {
    TForm f(nullptr);
    f.OnCloseQuery = [](TObject*, bool& can) { can = false; };
    BatchResponder quiet;
    std::vector<std::string> lines;
    quiet.Report = [&](const std::string& s) { lines.push_back(s); };
    ResponderScope scope(quiet);
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(lines.empty());
}

TEST_F(GuiForms, AFormHiddenWhileModalEndsAsCancel) {
    TForm f(nullptr);
    int hides = 0;
    f.OnHide = [&](TObject*) { ++hides; };
    f.OnCloseQuery = [](TObject*, bool& can) { can = false; }; // refuses even then
    ScriptedResponder r;
    r.OnForm([](TForm& form) { form.Hide(); });
    ResponderScope scope(r);
    testing::internal::CaptureStderr();
    EXPECT_EQ(f.ShowModal(), mrCancel);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(f.Modal());
    EXPECT_EQ(hides, 1);
    // Shown again afterwards, it is a fresh modal question.
    r.OnForm([](TForm& form) { form.SetModalResult(mrRetry); });
    f.OnCloseQuery = nullptr;
    EXPECT_EQ(f.ShowModal(), mrRetry);
}

TEST_F(GuiForms, EventsOfCreateShowCloseAndDestroyRunInOrder) {
    std::vector<std::string> log;
    struct Logged : TForm {
        explicit Logged(std::vector<std::string>& log) : TForm(nullptr) {
            OnCreate = [&log](TObject*) { log.push_back("create"); };
            OnShow = [&log](TObject*) { log.push_back("show"); };
            OnCloseQuery = [&log](TObject*, bool&) { log.push_back("closequery"); };
            OnClose = [&log](TObject*, TCloseAction&) { log.push_back("close"); };
            OnHide = [&log](TObject*) { log.push_back("hide"); };
            OnDestroy = [&log](TObject*) { log.push_back("destroy"); };
        }
    };
    auto* f = NewForm<Logged>(log);
    ScriptedResponder r;
    r.OnForm([](TForm& form) { form.SetModalResult(mrOk); });
    {
        ResponderScope scope(r);
        EXPECT_EQ(f->ShowModal(), mrOk);
    }
    f->Free();
    EXPECT_EQ(log, (std::vector<std::string>{"create", "show", "closequery", "close", "hide",
                                             "destroy"}));
}

TEST_F(GuiForms, ComponentsAreFoundByNameIgnoringCaseAndFreedByTheirOwner) {
    TForm f(nullptr);
    auto* panel = new TPanel(&f);
    panel->SetName("Panel1");
    auto* inner = new TEdit(panel); // owned by the panel, shown in it
    inner->SetName("Edit_inner");
    EXPECT_EQ(inner->Parent(), panel);
    EXPECT_EQ(FindControl<TEdit>(f, "edit_INNER"), inner);
    EXPECT_EQ(FindControl<TButton>(f, "Edit_inner"), nullptr);
    EXPECT_EQ(inner->ParentForm(), &f);
    delete panel; // takes the edit with it
    EXPECT_EQ(f.FindComponent("Edit_inner"), nullptr);
    EXPECT_EQ(f.ControlCount(), 0);
    EXPECT_THROW(f.Components(0), std::out_of_range);
}

TEST_F(GuiForms, AlignedControlsFillTheClientAreaAndOthersFlow) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    auto* top = new TPanel(&f);
    top->SetHeight(40);
    top->SetAlign(alTop);
    auto* memo = new TMemo(&f);
    memo->SetAlign(alClient);
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 400, 40));
    EXPECT_EQ(memo->BoundsRect(), Rect(0, 40, 400, f.ClientHeight()));
    f.SetBounds(0, 0, 500, 350);
    EXPECT_EQ(memo->BoundsRect(), Rect(0, 40, 500, f.ClientHeight()));

    TForm g(nullptr);
    g.SetBounds(0, 0, 300, 300);
    auto* a = new TLabel(&g);
    auto* b = new TEdit(&g);
    auto* c = new TButton(&g);
    g.Realign();
    EXPECT_LE(a->Top() + a->Height(), b->Top());
    EXPECT_LE(b->Top() + b->Height(), c->Top());
    EXPECT_EQ(a->Left(), b->Left());
}

TEST_F(GuiForms, PaintedClientAreaHoldsWhatOnPaintDrew) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 200, 150);
    f.SetColor(clYellow);
    f.OnPaint = [&](TObject*) {
        TCanvas* c = f.Canvas();
        c->Brush.Color = clBlue;
        c->Pen.Color = clBlue;
        c->Rectangle(10, 20, 60, 70);
    };
    f.PaintNow();
    EXPECT_EQ(f.ClientPixel(30, 40), clBlue);
    EXPECT_EQ(f.ClientPixel(100, 100), clYellow);
    EXPECT_EQ(f.ClientPixel(60, 70), clYellow); // right and bottom edge excluded
    EXPECT_EQ(f.ClientPixel(500, 5), clInvalid);
    // Drawing outside a paint stays until the next repaint erases it.
    f.Canvas()->Brush.Color = clRed;
    f.Canvas()->FillRect(Rect(100, 100, 110, 110));
    EXPECT_EQ(f.ClientPixel(105, 105), clRed);
    f.PaintNow();
    EXPECT_EQ(f.ClientPixel(105, 105), clYellow);
}

TEST_F(GuiForms, RadioGroupColumnsPlaceItemsSideBySide) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 400, 300);
    auto* g = new TRadioGroup(&f);
    g->SetBounds(10, 10, 300, 120);
    g->SetColumns(2);
    g->Items().Assign({"a", "b", "c", "d"});
    f.Show();
    Application->ProcessMessages();
    const auto buttons = g->Widget()->findChildren<QRadioButton*>();
    ASSERT_EQ(buttons.size(), 4);
    // Column-major, as the items fill the first column first.
    EXPECT_EQ(buttons[0]->x(), buttons[1]->x());
    EXPECT_LT(buttons[0]->y(), buttons[1]->y());
    EXPECT_LT(buttons[0]->x(), buttons[2]->x());
    // A click on the widget goes through the same path as a person's.
    buttons[3]->click();
    EXPECT_EQ(g->ItemIndex(), 3);
    EXPECT_TRUE(buttons[3]->isChecked());
    EXPECT_FALSE(buttons[0]->isChecked());
    // Items shrinking below the choice keep it inside the list.
    g->Items().Delete(3);
    EXPECT_EQ(g->ItemIndex(), 2);
    g->SetColumns(1);
    Application->ProcessMessages();
    const auto left = g->Widget()->findChildren<QRadioButton*>();
    int visible = 0;
    for (QRadioButton* b : left) {
        if (!b->isVisible()) continue;
        ++visible;
        EXPECT_EQ(b->x(), left[0]->x());
    }
    EXPECT_EQ(visible, 3);
    f.Close();
}

TEST_F(GuiForms, ControlValuesSetFromCodeFireTheUsualEvents) {
    TForm f(nullptr);
    auto* e = new TEdit(&f);
    int changes = 0;
    e->OnChange = [&](TObject*) { ++changes; };
    e->SetText("a");
    e->SetText("a"); // unchanged text: no event
    EXPECT_EQ(changes, 1);
    auto* cb = new TComboBox(&f);
    int cbChanges = 0;
    cb->OnChange = [&](TObject*) { ++cbChanges; };
    cb->Items().Assign({"x", "y"});
    cb->SetItemIndex(1);
    EXPECT_EQ(cb->Text(), "y");
    EXPECT_EQ(cbChanges, 0);
    cb->SetItemIndex(7);
    EXPECT_EQ(cb->ItemIndex(), -1);
    auto* chk = new TCheckBox(&f);
    int clicks = 0;
    chk->OnClick = [&](TObject*) { ++clicks; };
    chk->SetChecked(true);
    chk->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    auto* spin = new TSpinEdit(&f);
    spin->SetMinValue(3);
    spin->SetMaxValue(9);
    spin->SetValue(100);
    EXPECT_EQ(spin->Value(), 9);
}

TEST_F(GuiForms, MaskConversionToQtInputMask) {
    EXPECT_EQ(TMaskEdit::QtInputMask("99/99/9999;1; "), "00/00/0000; ");
    EXPECT_EQ(TMaskEdit::QtInputMask("!0000/99/99;1;_"), "9999/00/00;_");
    EXPECT_EQ(TMaskEdit::QtInputMask(">LL-aa"), ">AA-nn;_");
    EXPECT_EQ(TMaskEdit::QtInputMask("\\A0"), "\\A9;_");
    EXPECT_EQ(TMaskEdit::QtInputMask(""), "");
}

} // namespace
