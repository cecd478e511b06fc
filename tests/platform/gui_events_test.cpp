// Events arriving from Qt (mouse, double click, keys, close box, window moves) reach the form's
// handlers in the order and with the values the program's handlers expect; the message loop and
// hint settings.

#include "gui_testutil.h"

#include "platform/gui/gui.h"
#include "platform/gui/screen.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class GuiEvents : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

void SendMouse(QWidget* w, QEvent::Type type, int x, int y, Qt::MouseButton b,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF local(x, y);
    QMouseEvent e(type, local, w->mapToGlobal(local), b,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b), mods);
    QCoreApplication::sendEvent(w, &e);
}

TEST_F(GuiEvents, MouseEventsReachTheFormInClientCoordinates) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 300, 200);
    std::vector<std::string> log;
    f.OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int x, int y) {
        log.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," +
                      std::to_string(y) + ((s & ssDouble) ? " double" : "") +
                      ((s & ssShift) ? " shift" : ""));
    };
    f.OnMouseMove = [&](TObject*, TShiftState s, int x, int y) {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y) +
                      ((s & ssLeft) ? " left" : ""));
    };
    f.OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    };
    f.OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
    f.OnClick = [&](TObject*) { log.push_back("click"); };
    f.Show();
    QWidget* client = f.ClientWidget();
    ASSERT_NE(client, nullptr);
    SendMouse(client, QEvent::MouseButtonPress, 10, 20, Qt::LeftButton, Qt::ShiftModifier);
    SendMouse(client, QEvent::MouseMove, 30, 40, Qt::LeftButton);
    SendMouse(client, QEvent::MouseButtonRelease, 30, 40, Qt::LeftButton);
    // A double click: the double-click event comes with the second press, which is reported
    // as a press marked double after the double click itself.
    SendMouse(client, QEvent::MouseButtonDblClick, 5, 6, Qt::LeftButton);
    SendMouse(client, QEvent::MouseButtonPress, 7, 8, Qt::RightButton);
    EXPECT_EQ(log,
              (std::vector<std::string>{"down 0 10,20 shift", "move 30,40 left", "up 30,40",
                                        "click", "dblclick", "down 0 5,6 double", "down 1 7,8"}));
    f.Close();
}

TEST_F(GuiEvents, KeysFromQtGoThroughTheFormsKeyHandling) {
    TForm f(nullptr);
    std::vector<std::uint16_t> keys;
    f.OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(key); };
    f.Show();
    QWidget* window = f.Widget();
    for (int k : {Qt::Key_Up, Qt::Key_PageDown, Qt::Key_Escape, Qt::Key_F5}) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &e);
    }
    QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, "+");
    QCoreApplication::sendEvent(window, &plus);
    QKeyEvent minus(QEvent::KeyPress, Qt::Key_Minus, Qt::KeypadModifier, "-");
    QCoreApplication::sendEvent(window, &minus);
    // The drawing window's zoom and pan keys as the window system numbers them.
    EXPECT_EQ(keys, (std::vector<std::uint16_t>{38, 34, 27, 116, 107, 109}));
    f.Close();
}

TEST_F(GuiEvents, TheCloseBoxAsksTheFormAndHonoursARefusal) {
    TForm f(nullptr);
    bool allow = false;
    f.OnCloseQuery = [&](TObject*, bool& can) { can = allow; };
    f.Show();
    QCloseEvent refused;
    QCoreApplication::sendEvent(f.Widget(), &refused);
    EXPECT_TRUE(f.Visible());
    allow = true;
    QCloseEvent accepted;
    QCoreApplication::sendEvent(f.Widget(), &accepted);
    EXPECT_FALSE(f.Visible());
}

TEST_F(GuiEvents, CloseWithCaFreeFreesTheFormAfterTheEvent) {
    auto* f = new TForm(nullptr);
    bool destroyed = false;
    f->OnDestroy = [&](TObject*) { destroyed = true; };
    f->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    f->Show();
    f->Close();
    EXPECT_FALSE(destroyed); // not inside the handler that asked for it
    Application->ProcessMessages();
    EXPECT_TRUE(destroyed);
}

TEST_F(GuiEvents, RunEndsWhenTheMainFormCloses) {
    TForm main(nullptr);
    Application->SetMainForm(&main);
    int shows = 0;
    main.OnShow = [&](TObject*) {
        ++shows;
        QTimer::singleShot(0, main.Widget(), [&] { main.Close(); });
    };
    Application->Run();
    EXPECT_EQ(shows, 1);
    EXPECT_FALSE(main.Visible());
    EXPECT_TRUE(Application->Terminated());
    Application->SetMainForm(nullptr);
}

TEST_F(GuiEvents, WindowMovesAndResizesReachTheBounds) {
    TForm f(nullptr);
    f.SetBounds(10, 20, 300, 200);
    int resizes = 0;
    f.OnResize = [&](TObject*) { ++resizes; };
    f.Show();
    f.Widget()->move(40, 50);
    f.Widget()->resize(320, 240);
    Application->ProcessMessages();
    EXPECT_EQ(f.Left(), 40);
    EXPECT_EQ(f.Top(), 50);
    EXPECT_EQ(f.Width(), 320);
    EXPECT_EQ(f.Height(), 240);
    EXPECT_GE(resizes, 1);
    f.Close();
}

TEST_F(GuiEvents, HintSettingsGovernToolTips) {
    Application->InstallHintHandling();
    Application->HintPause = 1234;
    EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 1234);
    TForm f(nullptr);
    auto* e = new TEdit(&f);
    e->SetHint("Number of teeth");
    EXPECT_TRUE(e->Widget()->toolTip().isEmpty()); // hints are off until asked for
    f.SetShowHint(true);
    EXPECT_EQ(e->Widget()->toolTip().toStdString(), "Number of teeth");
    Application->HintPause = 500;
}

TEST_F(GuiEvents, ScreenCentredFormsAreCentred) {
    TForm owner(nullptr);
    owner.SetBounds(100, 100, 600, 400);
    TForm f(&owner);
    f.SetBounds(0, 0, 200, 100);
    f.SetPosition(poOwnerFormCenter);
    f.Show();
    EXPECT_EQ(f.Left(), 100 + (600 - 200) / 2);
    EXPECT_EQ(f.Top(), 100 + (400 - 100) / 2);
    EXPECT_EQ(f.Parent(), nullptr); // a form is never shown inside its owner
    f.Close();
}

} // namespace

namespace {

TEST_F(GuiEvents, RepaintsRunOnPaintThroughTheMessageLoopNeverNested) {
    TForm f(nullptr);
    f.SetBounds(0, 0, 200, 120);
    int paints = 0, depth = 0, maxDepth = 0;
    f.OnPaint = [&](TObject*) {
        ++paints;
        maxDepth = std::max(maxDepth, ++depth);
        f.Canvas()->Brush.Color = clGreen;
        f.Canvas()->FillRect(Rect(0, 0, 50, 50));
        Application->ProcessMessages(); // as long replays do
        f.Invalidate();                 // asks again while painting
        --depth;
    };
    // Measuring and drawing work before the first show.
    EXPECT_GT(f.Canvas()->TextWidth("Indexing"), 0);
    f.Show();
    for (int i = 0; i < 5 && paints < 2; ++i)
        Application->ProcessMessages();
    EXPECT_GE(paints, 2);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_EQ(f.ClientPixel(10, 10), clGreen);
    f.OnPaint = nullptr;
    f.Close();
}

TEST_F(GuiEvents, MemoSelectionGoesToTheClipboard) {
    TForm f(nullptr);
    auto* m = new TMemo(&f);
    m->Lines().Assign({"QOR1W", "z = 17"});
    m->SelectAll();
    EXPECT_EQ(m->SelText(), "QOR1W\nz = 17");
    m->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "QOR1W\nz = 17");
}

TEST_F(GuiEvents, BorderStylesAndStayOnTopReachTheWindow) {
    // A progress window: no frame, on top, yellow, panels filling it.
    TForm msg(nullptr);
    msg.SetBorderStyle(bsNone);
    msg.SetBorderIcons(0);
    msg.SetFormStyle(fsStayOnTop);
    msg.SetColor(clYellow);
    auto* outer = new TPanel(&msg);
    outer->SetAlign(alClient);
    outer->SetBevelWidth(2);
    const TSize text = msg.Canvas()->TextExtent("Indexing ...");
    msg.SetBounds(10, 10, text.cx + 30, text.cy + 30);
    msg.Show();
    const Qt::WindowFlags flags = msg.Widget()->windowFlags();
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(outer->BoundsRect(), Rect(0, 0, text.cx + 30, text.cy + 30));
    // A frameless window cannot be resized by the user.
    EXPECT_EQ(msg.Widget()->minimumSize(), msg.Widget()->maximumSize());
    msg.SetBorderStyle(bsDialog);
    EXPECT_TRUE(msg.Widget()->windowFlags() & Qt::Dialog);
    EXPECT_FALSE(msg.Widget()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(msg.Widget()->isVisible()); // changing the frame keeps it shown
    msg.SetBorderStyle(bsSizeable);
    EXPECT_NE(msg.Widget()->minimumSize(), msg.Widget()->maximumSize());
    msg.Close();
}

} // namespace
