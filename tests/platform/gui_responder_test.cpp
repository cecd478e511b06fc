// Message boxes and common dialogs under a responder, the batch answer on stderr, and forms
// without any display at all.

#include "gui_testutil.h"

#include "platform/gui/gui.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class GuiResponder : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

TEST_F(GuiResponder, MessageBoxReturnsTheChosenButton) {
    ScriptedResponder r;
    r.OnMessage(IDNO).OnMessage(IDRETRY).OnMessage(IDYES);
    ResponderScope scope(r);
    EXPECT_EQ(MessageBox("Save changes ?", "QOR1W", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBox("Drive not ready", "Error  : ", MB_RETRYCANCEL), IDRETRY);
    // An answer the box does not offer cannot be pressed: the box's cancel answer instead.
    EXPECT_EQ(MessageBox("Done", "Message:", MB_OK), IDOK);
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_EQ(r.Seen().size(), 3u);
    EXPECT_EQ(r.Seen()[0], "message: QOR1W: Save changes ?");
}

TEST_F(GuiResponder, QuestionKindsAnswerInTheirOwnTerms) {
    MessageQuestion q;
    q.Flags = MB_YESNO | MB_DEFBUTTON2;
    EXPECT_EQ(q.CancelAnswer(), IDNO);
    EXPECT_EQ(q.DefaultAnswer(), IDNO);
    EXPECT_FALSE(q.Offers(IDCANCEL));
    q.Flags = MB_YESNOCANCEL | MB_ICONQUESTION; // style 35
    EXPECT_EQ(q.Buttons(), MB_YESNOCANCEL);
    EXPECT_EQ(q.Icon(), MB_ICONQUESTION);
    EXPECT_EQ(q.CancelAnswer(), IDCANCEL);
    EXPECT_EQ(q.DefaultAnswer(), IDYES);
    q.Flags = MB_ABORTRETRYIGNORE | MB_DEFBUTTON3;
    EXPECT_EQ(q.CancelAnswer(), IDABORT);
    EXPECT_EQ(q.DefaultAnswer(), IDIGNORE);
    q.Flags = MB_OK | MB_TASKMODAL; // style 8192
    EXPECT_EQ(q.CancelAnswer(), IDOK);
    EXPECT_TRUE(q.Offers(IDOK));
}

TEST_F(GuiResponder, BatchResponderCancelsAndReportsEveryQuestion) {
    BatchResponder batch;
    std::vector<std::string> lines;
    batch.Report = [&](const std::string& s) { lines.push_back(s); };
    ResponderScope scope(batch);

    EXPECT_EQ(MessageBox("Insert paper.  Continue ?", "QOR1W", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBox("Delete Record ?", "", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBox("overwrite ?", "QOR1W", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBox("file not found", "Error  : ", MB_OK), IDOK);

    TForm f(nullptr);
    f.SetCaption("Input");
    auto* label = new TLabel(&f);
    label->SetCaption("Number of teeth");
    auto* cancel = new TButton(&f);
    cancel->SetName("button_cancel");
    bool aborted = false;
    cancel->OnClick = [&](TObject*) {
        aborted = true;
        f.Close();
    };
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_TRUE(aborted); // the form's own Cancel handling ran

    TOpenDialog open(nullptr);
    open.Filter = "*.q1w|*.q1w";
    open.FileName = "kept";
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.FileName, "kept");

    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "question: QOR1W: Insert paper.  Continue ? -> Cancel");
    EXPECT_EQ(lines[1], "question: Delete Record ? -> Cancel");
    EXPECT_EQ(lines[2], "question: QOR1W: overwrite ? -> No");
    EXPECT_EQ(lines[3], "question: Error  : file not found -> OK");
    EXPECT_EQ(lines[4], "question: Input: Number of teeth -> Cancel");
    EXPECT_NE(lines[5].find("open file [*.q1w|*.q1w]"), std::string::npos);
}

TEST_F(GuiResponder, BatchResponderWritesToStderrByDefault) {
    BatchResponder batch;
    ResponderScope scope(batch);
    testing::internal::CaptureStderr();
    const int answer = MessageBox("Restore Record ?", "QOR1W", MB_OKCANCEL);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, IDCANCEL);
    EXPECT_EQ(err, "question: QOR1W: Restore Record ? -> Cancel\n");
}

TEST_F(GuiResponder, ScriptedResponderOutOfStepsFallsBackToCancel) {
    ScriptedResponder r;
    r.OnMessage(IDYES);
    ResponderScope scope(r);
    TForm f(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(f.ShowModal(), mrCancel); // a form where a message was expected
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.Unexpected(), 1);
    EXPECT_EQ(r.Pending(), 1);
}

TEST_F(GuiResponder, NestedQuestionsInsideAFormAreAnsweredInOrder) {
    // OK asks a question first, as the program's input dialogs do for invalid values.
    TForm f(nullptr);
    auto* ok = new TButton(&f);
    ok->SetName("Button_ok");
    ok->SetModalResult(mrOk);
    int answers = 0;
    ok->OnClick = [&](TObject*) {
        if (MessageBox("Value outside 1..10. Keep it ?", "QOR1W", MB_YESNO) == IDNO)
            f.SetModalResult(mrNone);
        ++answers;
    };
    ScriptedResponder r;
    r.OnForm([](TForm& form) { Respond::Press(form, "Button_ok"); })
        .OnMessage(IDNO)
        .OnForm([](TForm& form) { Respond::Press(form, "Button_ok"); })
        .OnMessage(IDYES);
    ResponderScope scope(r);
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(answers, 2);
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(GuiResponder, ModalFormsNestAndTheActiveFormIsTheInnerOne) {
    TForm outer(nullptr), inner(nullptr);
    outer.SetCaption("outer");
    inner.SetCaption("inner");
    TForm* activeInside = nullptr;
    ScriptedResponder r;
    r.OnForm([&](TForm&) {
        EXPECT_EQ(inner.ShowModal(), mrYes);
        outer.SetModalResult(mrOk);
    });
    r.OnForm([&](TForm& form) {
        activeInside = Application->ActiveForm();
        form.SetModalResult(mrYes);
    });
    ResponderScope scope(r);
    EXPECT_EQ(outer.ShowModal(), mrOk);
    EXPECT_EQ(activeInside, &inner);
    EXPECT_EQ(inner.ShowModal(), mrCancel); // no steps left: cancelled, not hanging
}

// Without a QApplication (batch modes) forms have no widgets, hold their values, and a modal
// question is answered Cancel with the question on stderr. Runs in a fresh process.
TEST(GuiHeadless, NoDisplayNoResponderAnswersCancelOnStderr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int failures = 0;
            if (Application->HasWidgets()) std::exit(10);
            TForm f(nullptr);
            f.SetCaption("Input");
            auto* label = new TLabel(&f);
            label->SetCaption("Tip diameter");
            auto* edit = new TEdit(&f);
            edit->SetMaxLength(4);
            edit->SetText("123456"); // shown whole: the limit stops typing
            if (edit->Text() != "123456" || edit->Widget() != nullptr) ++failures;
            if (!edit->TypeText("abcdef") || edit->Text() != "abcd") ++failures;
            auto* group = new TRadioGroup(&f);
            group->Items().Assign({"a", "b"});
            group->SetItemIndex(1);
            if (group->ItemIndex() != 1) ++failures;
            auto* cancel = new TButton(&f);
            cancel->SetCancel(true);
            bool aborted = false;
            cancel->OnClick = [&](TObject*) { aborted = true; };
            cancel->SetModalResult(mrCancel);
            if (f.ShowModal() != mrCancel || !aborted) ++failures;
            if (MessageBox("Save ?", "QOR1W", MB_YESNOCANCEL) != IDCANCEL) ++failures;
            TSaveDialog save(nullptr);
            if (save.Execute()) ++failures;
            if (f.Canvas() == nullptr) ++failures;
            std::exit(failures);
        },
        ::testing::ExitedWithCode(0),
        "question: Input: Tip diameter -> Cancel\n.*question: QOR1W: Save \\? -> Cancel");
}

} // namespace
