// The engine's message and progress windows, rendered offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>

#include "dbf/base/messages.h"
#include "dbf/ui/message_window.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/progresswin.h"
#include "platform/gui/screen.h"

using dbf::TTzMsg;
using dbf::TTzProgress100;

namespace {

class MessageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->Initialize();
        dbf::MessageWindowHook = dbf::DefaultMessageWindow;
        dbf::MessageShownHook = nullptr;
    }
};

QImage Shot(TMessageWindow* w) {
    return w->Widget()->grab().toImage();
}

bool IsYellow(QRgb p) {
    return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80;
}

// Dark pixels inside the text panel, its one-pixel border left out.
int DarkPixels(TMessageWindow* w) {
    const QImage img = Shot(w);
    const TPanel* t = w->TextPanel();
    int dark = 0;
    for (int y = t->Top() + 3; y < t->Top() + t->Height() - 3; ++y)
        for (int x = t->Left() + 3; x < t->Left() + t->Width() - 3; ++x)
            if (x >= 0 && y >= 0 && x < img.width() && y < img.height() &&
                qGray(img.pixel(x, y)) < 110)
                ++dark;
    return dark;
}

TEST_F(MessageWindowTest, CaptionlessWindowIsFramelessYellowAndCentred) {
    TTzMsg msg;
    TMessageWindow* w = msg.Window();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Visible()); // hidden until the first text
    EXPECT_EQ(w->Width(), 0);
    msg.ShowText("Reading from disk...");
    EXPECT_TRUE(w->Visible());
    EXPECT_EQ(w->BorderStyle(), bsNone);
    EXPECT_EQ(w->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(w->OuterPanel()->Visible());
    w->Canvas()->Font = w->Font();
    const TSize text = w->Canvas()->TextExtent("Reading from disk...");
    EXPECT_EQ(w->Width(), text.cx + 30);
    EXPECT_EQ(w->Height(), text.cy + 30);
    if (w->ReferenceForm() == nullptr) {
        EXPECT_EQ(w->Left(), (Screen()->Width() - w->Width()) / 2);
        EXPECT_EQ(w->Top(), (Screen()->Height() - w->Height()) / 2);
    }
    const QImage img = Shot(w);
    ASSERT_GE(img.width(), w->Width());
    int yellow = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (IsYellow(img.pixel(x, y))) ++yellow;
    EXPECT_GT(yellow, img.width() * img.height() / 2);
    EXPECT_GT(DarkPixels(w), 0); // the text

    // A caption switches to the dialog frame and hides the bevel; the text stays.
    msg.SetCaption("Indexing ");
    msg.ShowText("");
    EXPECT_EQ(w->BorderStyle(), bsDialog);
    EXPECT_FALSE(w->OuterPanel()->Visible());
    EXPECT_EQ(w->Caption(), "Indexing ");
    EXPECT_EQ(w->Text(), "Reading from disk...");
    msg.SetCaption("");
    msg.ShowText("");
    EXPECT_EQ(w->BorderStyle(), bsNone);
    EXPECT_TRUE(w->OuterPanel()->Visible());
}

TEST_F(MessageWindowTest, WindowGrowsButNeverShrinks) {
    TTzMsg msg;
    TMessageWindow* w = msg.Window();
    ASSERT_NE(w, nullptr);
    msg.ShowText("A rather long message for the window");
    const int width = w->Width(), height = w->Height(), left = w->Left(), top = w->Top();
    msg.ShowText("x");
    EXPECT_EQ(w->Width(), width);
    EXPECT_EQ(w->Height(), height);
    EXPECT_EQ(w->Left(), left);
    EXPECT_EQ(w->Top(), top);
    EXPECT_EQ(w->TextPanel()->Caption(), "x");
    msg.ShowText("A rather long message for the window, and longer still");
    EXPECT_GT(w->Width(), width);
}

TEST_F(MessageWindowTest, ProgressBarEmptiesAfterHundredStepsAndRefills) {
    TTzProgress100 progress(nullptr, "Appending...");
    TMessageWindow* w = progress.Window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Caption(), "Appending...");
    EXPECT_EQ(progress.Bar(), std::string(100, '|'));
    const int full = DarkPixels(w);
    EXPECT_GT(full, 0);
    for (int i = 0; i < 50; ++i)
        progress.Step();
    EXPECT_EQ(progress.Bar().size(), 50u);
    const int half = DarkPixels(w);
    EXPECT_GT(half, 0);
    EXPECT_LT(half, full);
    for (int i = 0; i < 50; ++i)
        progress.Step();
    EXPECT_TRUE(progress.Bar().empty());
    EXPECT_EQ(DarkPixels(w), 0);
    progress.Step();
    EXPECT_EQ(progress.Bar(), std::string(100, '|'));
    EXPECT_EQ(DarkPixels(w), full);
    TTzProgress100 plain;
    ASSERT_NE(plain.Window(), nullptr);
    EXPECT_EQ(plain.Window()->Caption(), "Progress");
}

TEST_F(MessageWindowTest, NoWindowWithoutTheHook) {
    dbf::MessageWindowHook = nullptr;
    TTzProgress100 progress;
    EXPECT_EQ(progress.Window(), nullptr);
    progress.Step();
    EXPECT_EQ(progress.Bar().size(), 99u);
    dbf::MessageWindowHook = dbf::DefaultMessageWindow;
}

} // namespace
