// Questions, validated input and the question forms, answered by the GUI layer's responder;
// form fitting to the main window.

#include "framework/ui/dialogs.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/core/settings.h"
#include "framework/ui/questions.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/responder.h"
#include "platform/gui/screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

class Questions : public ::testing::Test {
protected:
    void SetUp() override {
        InitAllSettings();
        SetProductIdentity();
        AbortFlag = 0;
        HelpNo = 0;
        ShowHelpHandler = nullptr;
        Application->SetMainForm(nullptr);
    }
    void TearDown() override {
        ShowHelpHandler = nullptr;
        Application->SetMainForm(nullptr);
    }
};

// A form step that types a text into the text dialog and presses OK.
ScriptedResponder::FormStep TypeAndOk(std::string text) {
    return [text = std::move(text)](TForm& f) {
        ASSERT_TRUE(Respond::Type(f, "EditEinText", text));
        ASSERT_TRUE(Respond::Press(f, "Button_ok"));
    };
}

std::vector<std::string> Messages(const ScriptedResponder& r) {
    std::vector<std::string> out;
    for (const std::string& s : r.Seen())
        if (s.rfind("message: ", 0) == 0) out.push_back(s.substr(9));
    return out;
}

// Records the message boxes with their flags.
class BoxRecorder : public ModalResponder {
public:
    std::vector<MessageQuestion> Boxes;
    int Answer = IDOK;
    void RespondForm(TForm& f) override { BatchResponder::CancelForm(f); }
    int RespondMessage(const MessageQuestion& q) override {
        Boxes.push_back(q);
        return Answer;
    }
    bool RespondDialog(TCommonDialog&) override { return false; }
};

TEST_F(Questions, RealRangeReportsBadTextAndRangeThenTakesCommaDecimal) {
    long double x = 0.25L;
    std::vector<std::string> shownTexts;
    ScriptedResponder r;
    r.OnForm(TypeAndOk("abc"))
        .OnMessage(IDOK)
        .OnForm([&](TForm& f) {
            // After a text that is no number the old value is offered again.
            shownTexts.push_back(FindControl<TEdit>(f, "EditEinText")->Text());
            TypeAndOk("99")(f);
        })
        .OnMessage(IDOK)
        .OnForm([&](TForm& f) {
            // After a value out of range, that value is offered again.
            shownTexts.push_back(FindControl<TEdit>(f, "EditEinText")->Text());
            TypeAndOk("1,5")(f);
        });
    ResponderScope scope(r);
    InputRealRange("Module", x, 1.0L, 2.0L);
    EXPECT_EQ(x, 1.5L);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(r.Pending(), 0);
    const std::vector<std::string> expected = {"Error  : : Invalid Input \"abc\" !",
                                               "Error  : : Valid Data are: 1 .. 2 !"};
    EXPECT_EQ(Messages(r), expected);
    EXPECT_EQ(shownTexts, (std::vector<std::string>{"0.25", "99"}));
}

TEST_F(Questions, FormsWorkTheSameWithWindows) {
    // With the Qt application the forms get their widgets; the answers must not change.
    Application->Initialize();
    ASSERT_TRUE(Application->HasWidgets());
    for (int i = 1; i <= 9; ++i)
        TextLines[i] = "w" + std::to_string(i);
    long double x = 3.0L;
    int k = 2;
    int k2 = 1;
    char answer = 'J';
    ScriptedResponder r;
    r.OnForm(TypeAndOk("7"))
        .OnMessage(IDOK)
        .OnForm(TypeAndOk("4,25"))
        .OnForm([](TForm& f) {
            Respond::Pick(f, "RadioGroup1", 4);
            Respond::Press(f, "Button_ok");
        })
        .OnForm([](TForm& f) {
            Respond::Pick(f, "ListBox1", 8);
            Respond::Key(f, VK_RETURN);
        })
        .OnForm([](TForm& f) {
            Respond::Pick(f, "RadioGroup_janein", 1);
            Respond::Press(f, "Button_hilfetext");
            Respond::Press(f, "Button_ok");
        });
    ResponderScope scope(r);
    InputRealRange("x", x, 4.0L, 5.0L);
    SelectCode("radio", 5, k);
    SelectCode("list", 9, k2);
    AskYesNo("q", answer);
    EXPECT_EQ(x, 4.25L);
    EXPECT_EQ(k, 5);
    EXPECT_EQ(k2, 9);
    EXPECT_EQ(answer, 'N');
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(Questions, CancelAndEscLeaveTheValueAndSetAbort) {
    long double x = 1.25L;
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
         Respond::Type(f, "EditEinText", "1.75");
         Respond::Press(f, "Button_Cancel");
     }).OnForm([](TForm& f) {
        Respond::Type(f, "EditEinText", "1.75");
        Respond::Key(f, VK_ESCAPE);
    });
    r.OnForm([](TForm& f) {
        // Enter on the focused Cancel button is Cancel, not OK.
        Respond::Type(f, "EditEinText", "7");
        Respond::Focus(f, "Button_Cancel");
        Respond::Key(f, VK_RETURN);
    });
    ResponderScope scope(r);
    InputRealRange("x", x, 0.0L, 10.0L);
    EXPECT_EQ(x, 1.25L);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    InputRealRange("x", x, 0.0L, 10.0L);
    EXPECT_EQ(x, 1.25L);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    std::int32_t n = 4;
    InputInteger("n", n, 1, 10);
    EXPECT_EQ(n, 4);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(Questions, UnchangedTextKeepsTheValueExactly) {
    // The field shows the value rounded; accepting it must not round the value.
    long double x = 1.23456789012345L;
    double d = 0.1234567;
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
         EXPECT_NE(ParseReal(FindControl<TEdit>(f, "EditEinText")->Text()), 1.23456789012345L);
         Respond::Press(f, "Button_ok");
     }).OnForm([](TForm& f) { Respond::Key(f, VK_RETURN); });
    ResponderScope scope(r);
    InputRealRange("x", x, 0.0L, 10.0L);
    EXPECT_EQ(x, 1.23456789012345L);
    InputDoubleRange("d", d, 0.0, 1.0);
    EXPECT_EQ(d, 0.1234567);
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Questions, DoubleRangeComparesInDoublePrecision) {
    // 0.1 typed must meet a double bound of 0.1 (the long double 0.1 is smaller).
    double d = 0.5;
    ScriptedResponder r;
    r.OnForm(TypeAndOk("0.1"));
    ResponderScope scope(r);
    InputDoubleRange("d", d, 0.1, 1.0);
    EXPECT_EQ(d, 0.1);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(Questions, LengthInInchesKeepsAnUnchangedValueAndConvertsANewOne) {
    UnitSystem = 1;
    // A length whose trip through inches does not come back to the same bits.
    long double x = 0;
    for (int i = 1; i < 1000 && x == 0; ++i) {
        const long double mm = i * 0.37L;
        if ((mm / 25.4L) * 25.4L != mm) x = mm;
    }
    ASSERT_NE(x, 0.0L);
    const long double before = x;
    std::string prompt;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         prompt = FindControl<TLabel>(f, "Label1")->Caption();
         Respond::Press(f, "Button_ok");
     }).OnForm(TypeAndOk("2"));
    ResponderScope scope(r);
    InputLength("Face width", x, 0.0L, 1000.0L);
    EXPECT_EQ(x, before);
    EXPECT_EQ(prompt, "Face width [inch]");
    InputLength("Face width", x, 0.0L, 1000.0L);
    EXPECT_EQ(x, 2.0L * 25.4L);

    UnitSystem = 0;
    ScriptedResponder m;
    m.OnForm([&](TForm& f) {
        prompt = FindControl<TLabel>(f, "Label1")->Caption();
        TypeAndOk("12.5")(f);
    });
    ResponderScope scope2(m);
    InputLength("Face width", x, 0.0L, 1000.0L);
    EXPECT_EQ(prompt, "Face width [mm]");
    EXPECT_EQ(x, 12.5L);
}

TEST_F(Questions, IntegerBoundsInEitherOrder) {
    std::int32_t n = 5;
    ScriptedResponder r;
    r.OnForm(TypeAndOk("0"))
        .OnMessage(IDOK)
        .OnForm(TypeAndOk("2.5"))
        .OnMessage(IDOK)
        .OnForm(TypeAndOk("10"));
    ResponderScope scope(r);
    InputInteger("Teeth", n, 10, 1);
    EXPECT_EQ(n, 10);
    const std::vector<std::string> expected = {"Error  : : Valid Data are: 1 .. 10 !",
                                               "Error  : : Invalid Input \"2.5\" !"};
    EXPECT_EQ(Messages(r), expected);

    std::uint16_t w = 3;
    ScriptedResponder r2;
    r2.OnForm(TypeAndOk("70000")).OnMessage(IDOK).OnForm(TypeAndOk("4"));
    ResponderScope scope2(r2);
    InputWordRange("COM-Port", w, 1, 4);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(Messages(r2), std::vector<std::string>{"Error  : : Valid Data are: 1 .. 4 !"});
}

TEST_F(Questions, SelectCodeRadioBelowEightListFromEight) {
    for (int i = 1; i <= 9; ++i)
        TextLines[i] = "item " + std::to_string(i);
    struct Seen {
        bool list = false;
        bool radio = false;
        int selected = -2;
        int count = 0;
        int groupHeight = 0;
    };
    std::vector<Seen> seen;
    auto look = [&](TForm& f, int pick) {
        Seen s;
        auto* list = FindControl<TListBox>(f, "ListBox1");
        auto* group = FindControl<TRadioGroup>(f, "RadioGroup1");
        s.list = list != nullptr;
        s.radio = group != nullptr;
        if (list) {
            s.selected = list->ItemIndex();
            s.count = list->Items().Count();
            if (pick >= 0) Respond::Pick(f, "ListBox1", pick);
        }
        if (group) {
            s.selected = group->ItemIndex();
            s.count = group->Items().Count();
            s.groupHeight = group->Height();
            if (pick >= 0) Respond::Pick(f, "RadioGroup1", pick);
        }
        seen.push_back(s);
        Respond::Press(f, list ? "button_ok" : "Button_ok");
    };
    ScriptedResponder r;
    r.OnForm([&](TForm& f) { look(f, 2); })
        .OnForm([&](TForm& f) { look(f, 5); })
        .OnForm([&](TForm& f) { look(f, -1); })
        .OnForm([&](TForm& f) { look(f, -1); });
    ResponderScope scope(r);
    int k = 0;
    SelectCode("Choose", 7, k);
    EXPECT_EQ(k, 3);
    k = 9;
    SelectCode("Choose", 8, k);
    EXPECT_EQ(k, 6);
    k = 12; // out of range: item 1 preselected
    SelectCode("Choose", 8, k);
    EXPECT_EQ(k, 1);
    k = 2;
    SelectCode("Choose", 3, k);
    EXPECT_EQ(k, 2);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].radio && !seen[0].list);
    EXPECT_EQ(seen[0].selected, 0); // k = 0 preselects item 1
    EXPECT_EQ(seen[0].count, 7);
    EXPECT_EQ(seen[0].groupHeight, 200);
    EXPECT_TRUE(seen[1].list && !seen[1].radio);
    EXPECT_EQ(seen[1].selected, 0); // k = 9 > n
    EXPECT_EQ(seen[1].count, 8);
    EXPECT_EQ(seen[2].selected, 0);
    EXPECT_EQ(seen[3].selected, 1);
    EXPECT_EQ(seen[3].groupHeight, 100); // 3 items: (3 + 1) x 25
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(Questions, SelectCodeCancelAndListShortcuts) {
    for (int i = 1; i <= 10; ++i)
        TextLines[i] = "line " + std::to_string(i);
    int k = 4;
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
         Respond::Pick(f, "ListBox1", 7);
         Respond::Key(f, VK_ESCAPE);
     })
        .OnForm([](TForm& f) {
            Respond::Pick(f, "ListBox1", 6);
            FindControl<TListBox>(f, "ListBox1")->DoDblClick();
        })
        .OnForm([](TForm& f) {
            // Enter in the list is an answer even after a help picture failed.
            Respond::Pick(f, "ListBox1", 8);
            AbortFlag = 1;
            Respond::Key(f, VK_RETURN);
        });
    ResponderScope scope(r);
    SelectCode("Choose", 10, k);
    EXPECT_EQ(k, 4);
    EXPECT_EQ(AbortFlag, 1);
    AbortFlag = 0;
    SelectCode("Choose", 10, k);
    EXPECT_EQ(k, 7);
    SelectCode("Choose", 10, k);
    EXPECT_EQ(k, 9);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(r.Unexpected(), 0);
}

std::vector<std::pair<int, int>> helpCalls;
void FailingHelp(std::uint16_t number, std::uint16_t mode) {
    helpCalls.emplace_back(number, mode);
    AbortFlag = 1; // as a picture file that cannot be opened does
}

TEST_F(Questions, YesNoPreselectsAndHelpButtonsDoNotCancel) {
    helpCalls.clear();
    ShowHelpHandler = &FailingHelp;
    SetHelpContext(1555);
    char answer = 'N';
    std::vector<int> preselected;
    std::string question;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         auto* g = FindControl<TRadioGroup>(f, "RadioGroup_janein");
         preselected.push_back(g->ItemIndex());
         question = Respond::Question(f);
         Respond::Press(f, "Button_hilfetext");
         Respond::Press(f, "Button_hilfebild");
         Respond::Pick(f, "RadioGroup_janein", 0);
         Respond::Press(f, "Button_ok");
     }).OnForm([&](TForm& f) {
        preselected.push_back(FindControl<TRadioGroup>(f, "RadioGroup_janein")->ItemIndex());
        Respond::Pick(f, "RadioGroup_janein", 1);
        Respond::Key(f, VK_RETURN);
    });
    ResponderScope scope(r);
    AskYesNo("Overwrite the table?", answer);
    EXPECT_EQ(answer, 'J');
    EXPECT_EQ(AbortFlag, 0);
    bool flag = true;
    AskYesNoFlag("rotate 90 degrees ?", flag);
    EXPECT_FALSE(flag);
    EXPECT_EQ(preselected, (std::vector<int>{1, 0}));
    EXPECT_EQ(question, "Input: Overwrite the table? | Select");
    EXPECT_EQ(helpCalls, (std::vector<std::pair<int, int>>{{1555, 1}, {1555, 2}}));
}

TEST_F(Questions, HelpButtonsOfEveryFormClearAbort) {
    helpCalls.clear();
    ShowHelpHandler = &FailingHelp;
    SetHelpContext(2310);
    std::string text = "old";
    int k = 1;
    for (int i = 1; i <= 9; ++i)
        TextLines[i] = "t";
    ScriptedResponder r;
    auto helpThenOk = [](const char* ok) {
        return [ok](TForm& f) {
            Respond::Press(f, "Button_hilfebild");
            Respond::Press(f, ok);
        };
    };
    r.OnForm(helpThenOk("Button_ok"))
        .OnForm(helpThenOk("Button_ok"))
        .OnForm(helpThenOk("button_ok"));
    ResponderScope scope(r);
    InputText("Aux.Graph. Information", 50, text);
    EXPECT_EQ(AbortFlag, 0);
    SelectCode("s", 3, k);
    EXPECT_EQ(AbortFlag, 0);
    SelectCode("s", 9, k);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(helpCalls.size(), 3u);
}

TEST_F(Questions, TextInputKeepsCapacityAndDosPage) {
    std::string text = "gear";
    int maxLength = -1;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         auto* e = FindControl<TEdit>(f, "EditEinText");
         maxLength = e->MaxLength();
         EXPECT_EQ(e->Text(), "gear");
         EXPECT_EQ(f.Caption(), "Input");
         // Handed over as typed, whatever page the place it goes to keeps.
         Respond::Type(f, "EditEinText", "Zahnrad \u00DF \u20AC");
         Respond::Press(f, "Button_ok");
     }).OnForm([&](TForm& f) { Respond::Press(f, "Button_Cancel"); });
    ResponderScope scope(r);
    InputText("Drawing name", 20, text);
    EXPECT_EQ(maxLength, 20);
    EXPECT_EQ(text, "Zahnrad \u00DF \u20AC");
    InputText("Drawing name", 20, text);
    EXPECT_EQ(text, "Zahnrad \u00DF \u20AC");
    EXPECT_EQ(AbortFlag, 1);
}

TEST_F(Questions, MessageBoxesCaptionsStylesAndSilence) {
    BoxRecorder rec;
    ResponderScope scope(rec);
    ShowErrorBox("e");
    MessageBoxKind("h", 3);
    ShowMessage("m");
    ShowMessageKind11("k");
    ErrorBoxesOn = 0;
    ShowError("silent");
    ErrorBoxesOn = 1;
    ShowError("shown");
    ArchiveModeMessage();
    ASSERT_EQ(rec.Boxes.size(), 6u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Error  : ", "e"},     {"Help", "h"},
        {"Message:", "m"},      {"Message:", "k"},
        {"Error  : ", "shown"}, {"Error  : ", "Option is not available in archive mode."}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rec.Boxes[i].Caption, expected[i].first);
        EXPECT_EQ(rec.Boxes[i].Text, expected[i].second);
        // Task modal, OK only, with the error or the information icon.
        const bool error = expected[i].first == "Error  : ";
        EXPECT_EQ(rec.Boxes[i].Flags, 8192u | (error ? MB_ICONERROR : MB_ICONINFORMATION));
        // The title bar shows the word, not the label.
        EXPECT_EQ(MessageBoxTitle(rec.Boxes[i].Caption), error                         ? "Error"
                                                         : expected[i].first == "Help" ? "Help"
                                                                                       : "Message");
    }
}

TEST_F(Questions, ApplicationBoxesAndStatus) {
    BoxRecorder rec;
    ResponderScope scope(rec);
    Application->SetTitle("QOR1W");
    AppMessageBox("Message", "no help description available for this error message.");
    ShowMessageForm("plain");
    ASSERT_EQ(rec.Boxes.size(), 2u);
    EXPECT_EQ(rec.Boxes[0].Caption, "Message");
    EXPECT_EQ(rec.Boxes[0].Text, "no help description available for this error message.");
    EXPECT_EQ(rec.Boxes[0].Buttons(), static_cast<unsigned>(MB_OK));
    EXPECT_EQ(rec.Boxes[1].Caption, "QOR1W");
    EXPECT_EQ(rec.Boxes[1].Text, "plain");
    // The default status hook shows nothing.
    ShowStatus("file x is loaded");
    EXPECT_EQ(rec.Boxes.size(), 2u);
    EXPECT_EQ(StatusHook("x"), 0);
}

TEST_F(Questions, YesNoCancelBox) {
    BoxRecorder rec;
    ResponderScope scope(rec);
    rec.Answer = IDYES;
    EXPECT_TRUE(AskYesNoCancel("Save changes ?"));
    EXPECT_EQ(AbortFlag, 0);
    rec.Answer = IDNO;
    EXPECT_FALSE(AskYes("Save changes ?"));
    EXPECT_EQ(AbortFlag, 0);
    rec.Answer = IDCANCEL;
    EXPECT_FALSE(AskYesNoCancel("Save changes ?"));
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(rec.Boxes.size(), 3u);
    EXPECT_EQ(rec.Boxes[0].Flags, 35u);
    EXPECT_EQ(rec.Boxes[0].Caption, "QOR1W - Involute Gear Dimensions");
    EXPECT_EQ(rec.Boxes[0].Text, "Save changes ?");
}

TEST_F(Questions, SplashScreenShowsTwentyTwoLines) {
    for (int i = 1; i <= 23; ++i)
        TextLines[i] = "usage " + std::to_string(i);
    std::vector<std::string> lines;
    std::string caption;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        caption = f.Caption();
        lines = FindControl<TMemo>(f, "Memo1")->Lines().Items();
        Respond::Press(f, "Button_ok");
    });
    ResponderScope scope(r);
    ShowSplashScreen();
    EXPECT_EQ(caption, "QOR1W");
    ASSERT_EQ(lines.size(), 22u);
    EXPECT_EQ(lines.front(), "usage 1");
    EXPECT_EQ(lines.back(), "usage 22");
}

// ---- form fitting

TEST_F(Questions, FitFormCentresAndScales) {
    TForm main(nullptr);
    main.SetBounds(100, 50, 800, 600);
    Application->SetMainForm(&main);
    FormSizePercent = 150;
    ScaleByPercent = 100;
    TForm f(nullptr);
    f.SetBounds(0, 0, 440, 316);
    FitForm(&f);
    // 440 x 316 at 150 % is 660 x 474: left 100 + 70, top 50 + 63 + 20.
    EXPECT_EQ(f.Width(), 660);
    EXPECT_EQ(f.Height(), 474);
    EXPECT_EQ(f.Left(), 170);
    EXPECT_EQ(f.Top(), 133);
    EXPECT_TRUE(f.ParentFont());

    // Wider and higher than the main window: at its left edge, 20 below its top.
    main.SetBounds(300, 40, 400, 300);
    TForm g(nullptr);
    g.SetBounds(0, 0, 440, 316);
    FitForm(&g);
    EXPECT_EQ(g.Left(), 300);
    EXPECT_EQ(g.Top(), 60);
}

TEST_F(Questions, FitFormModeTwoLeavesTheForm) {
    TForm main(nullptr);
    main.SetBounds(100, 50, 800, 600);
    Application->SetMainForm(&main);
    FormSizePercent = 150;
    ScaleByPercent = 200;
    FitFormMode = 2;
    auto form = CreateForm<Tin_codedialog>();
    EXPECT_EQ(form->Width(), 440);
    EXPECT_EQ(form->Height(), 316);
    EXPECT_EQ(form->ListBox1->Width(), 385);
    EXPECT_EQ(form->ListBox1->Height(), 161);
    TForm f(nullptr);
    f.SetBounds(7, 9, 300, 200);
    FitFormAtPos(&f);
    ScaleForm(&f);
    EXPECT_EQ(f.BoundsRect(), Rect(7, 9, 307, 209));
}

TEST_F(Questions, ScaleByPercentScalesControlsAndKeepsPlace) {
    TForm main(nullptr);
    main.SetBounds(0, 0, 2000, 1500);
    Application->SetMainForm(&main);
    FormSizePercent = 100;
    ScaleByPercent = 150;
    auto form = CreateForm<Tin_codedialog>();
    // Centred at 100 %: left (2000 - 440) / 2, top (1500 - 316) / 2 + 20; then 150 % in place.
    EXPECT_EQ(form->Left(), 780);
    EXPECT_EQ(form->Top(), 612);
    EXPECT_EQ(form->Width(), 660);
    EXPECT_EQ(form->Height(), 474);
    EXPECT_EQ(form->ListBox1->Width(), 578); // 385 x 1.5 = 577.5, rounded
    EXPECT_EQ(form->ListBox1->Height(), 242);

    FormLeft = 33;
    FormTop = 44;
    ScaleByPercent = 100;
    FormSizePercent = 50;
    TForm f(nullptr);
    f.SetBounds(0, 0, 300, 201);
    FitFormAtPos(&f);
    EXPECT_EQ(f.BoundsRect(), Rect(33, 44, 183, 145));
}

// A window shown many times is fitted from its design once (again, from the design, only for
// new settings), its controls with it.
TEST_F(Questions, AFormDesignIsFittedOnce) {
    TForm main(nullptr), g(nullptr);
    main.SetBounds(0, 0, 2000, 1500);
    Application->SetMainForm(&main);
    g.SetBounds(0, 0, 440, 316);
    auto* c = new TButton(&g);
    c->SetBounds(10, 20, 100, 30);
    TFormDesign design;
    for (const auto& [size, scale, width] :
         {std::tuple{130, 100, 572}, {130, 100, 500}, {101, 200, 888}}) { // 440 x 1.01, then 200 %
        FormSizePercent = size;
        ScaleByPercent = scale;
        design.Fit(&g);
        EXPECT_EQ(g.Width(), width);
        g.SetBounds(g.Left(), g.Top(), 500, 300); // the user's size stays with the settings
    }
    EXPECT_EQ(c->BoundsRect(), Rect(20, 40, 220, 100));
}

TEST_F(Questions, MainWindowSetup) {
    TForm main(nullptr);
    main.SetBounds(40, 30, 300, 200);
    ScreenWidth = 639;
    ScreenHeight = 479;
    BackgroundColour = RGBColour(0, 0, 128);
    Application->HintHidePause = 2500;
    int left = 0, top = 0, width = 0, height = 0;
    Screen()->WorkArea(left, top, width, height);
    SetupMainWindow(&main);
    // Wholly on the screen: the frame at the work area's corner, the configured size where it
    // fits beside room for the frame, else the room there is.
    EXPECT_EQ(main.Left(), left);
    EXPECT_EQ(main.Top(), top);
    EXPECT_EQ(main.ClientWidth(), std::min(640, width - 16));
    EXPECT_EQ(main.ClientHeight(), std::min(480, height - 48));
    EXPECT_EQ(main.Color(), static_cast<TColor>(RGBColour(0, 0, 128)));
    ScreenWidth = 5000; // configured for a far larger screen
    ScreenHeight = 4000;
    SetupMainWindow(&main);
    EXPECT_EQ(main.ClientWidth(), width - 16);
    EXPECT_EQ(main.ClientHeight(), height - 48);
    EXPECT_EQ(Application->HintHidePause, 100000);
    EXPECT_TRUE(Application->ShowHint);
    Application->HintHidePause = 2500;
}

TEST_F(Questions, SettingsHelpers) {
    EXPECT_EQ(CodeToFontStyle(5), fsBold | fsUnderline);
    EXPECT_EQ(FontStyleToCode(fsItalic | fsStrikeOut), 10);
    EXPECT_EQ(CodeToFontStyle(16), 0u);
    EXPECT_EQ(CodeToFontStyle(-1), 0u);
    UnitSystem = 1;
    ToggleUnitSystem();
    EXPECT_EQ(UnitSystem, 0);
    UnitSystem = 7;
    ToggleUnitSystem();
    EXPECT_EQ(UnitSystem, 1);
    std::string s;
    ::setenv("QOR_DIALOGS_TEST_VAR", std::string(300, 'v').c_str(), 1);
    GetEnvVar("QOR_DIALOGS_TEST_VAR", s);
    EXPECT_EQ(s, std::string(255, 'v'));
    GetEnvVar("QOR_DIALOGS_TEST_UNSET", s);
    EXPECT_EQ(s, "");
    WindowsVersion(s);
    EXPECT_NE(s.find('.'), std::string::npos);
    SetHourglassCursor();
    EXPECT_EQ(Screen()->Cursor(), crHourGlass);
    RestoreCursor();
    EXPECT_EQ(Screen()->Cursor(), crDefault);
}

TEST_F(Questions, AppTitle) {
    std::string s;
    DataFileName = "";
    SetAppTitle(s);
    EXPECT_EQ(s, "QOR1W - Involute Gear Dimensions");
    DataFileName = "gear";
    SetAppTitle(s);
    EXPECT_EQ(s, "QOR1W - Involute Gear Dimensions  -  gear.q1w");
    EXPECT_EQ(Application->Title(), s);
    DataFileName = "/home/x/v1.2/gear";
    SetAppTitle(s);
    EXPECT_EQ(s, "QOR1W - Involute Gear Dimensions  -  /home/x/v1.2/gear.q1w");
    DataFileName = "gear.qor";
    SetAppTitle(s);
    EXPECT_EQ(s, "QOR1W - Involute Gear Dimensions  -  gear.qor");
}

TEST_F(Questions, JoinFileName) {
    std::string r;
    JoinFileName("gear", "", "*.q1w", r);
    EXPECT_EQ(r, "gear.q1w");
    JoinFileName("gear", "/data/jobs", "*.q1w", r);
    EXPECT_EQ(r, "/data/jobs/gear.q1w");
    JoinFileName("gear", "/data/", "*.html", r);
    EXPECT_EQ(r, "/data/gear.htm");
}

} // namespace

// ---- the question forms as a person at a display meets them -----------------------------------

namespace {

// Shows a question form modally with Qt's event loop (no responder); key presses, each sent to
// the widget that has the focus when the form is up, answer it.
class QuestionKeys : public Questions {
protected:
    void SetUp() override {
        Questions::SetUp();
        Application->Initialize();
        Application->AssumeDisplay = true;
    }
    void TearDown() override {
        Application->AssumeDisplay = false;
        Questions::TearDown();
    }
    static void PressWhenUp(int key) {
        QTimer::singleShot(0, qApp, [key] {
            QWidget* modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            // A radio button inside a group, as clicking one leaves the focus: a widget of Qt's
            // own that passes Enter and Esc on to the control it sits in.
            if (auto* radio = modal->findChild<QRadioButton*>()) radio->setFocus();
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : modal, static_cast<Qt::Key>(key));
        });
    }
};

TEST_F(QuestionKeys, EnterAnswersAndEscCancelsWhereverTheFocusIs) {
    TextLines[1] = "first";
    TextLines[2] = "second";
    TextLines[3] = "third";
    struct Case {
        int Key;
        int Expected; // the choice, 0 when cancelled
    };
    for (const Case c : {Case{Qt::Key_Return, 3}, Case{Qt::Key_Escape, 0}}) {
        SCOPED_TRACE(c.Key);
        AbortFlag = 0;
        auto form = CreateForm<Tin_radiodialog>();
        form->SetItems("Choose", 3, 3);
        // The focus sits on a radio button inside the group, a widget of Qt's own.
        PressWhenUp(c.Key);
        form->ShowModal();
        int k = 0;
        form->GetChoice(k);
        EXPECT_EQ(AbortFlag, c.Expected == 0 ? 1 : 0);
        if (c.Expected != 0) {
            EXPECT_EQ(k, c.Expected);
        }
        // A dialog to the window manager: nothing to minimise or maximise; OK is the default.
        const Qt::WindowFlags flags = form->Widget()->windowFlags();
        EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Dialog);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(form->Button_ok->Default());
        EXPECT_TRUE(form->button_cancel->Cancel());
    }
    // The text form: Esc in the edit field cancels and keeps the text.
    std::string text = "kept";
    PressWhenUp(Qt::Key_Escape);
    InputText("Name", 20, text);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(text, "kept");
    AbortFlag = 0;
}

} // namespace
