#include "platform/gui/forms.h"

#include "platform/gui/application.h"
#include "platform/gui/canvas_qt.h"
#include "platform/gui/menus.h"
#include "platform/gui/qtbridge.h"
#include "platform/gui/responder.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QGuiApplication>
#include <QMoveEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <vector>

using guiqt::Q;

std::function<void(TForm*)> ModalEndedHook;

namespace {

// Forms in the order they were shown (modal ones are pushed while modal).
std::vector<TForm*>& ShownForms() {
    static std::vector<TForm*> forms;
    return forms;
}
std::vector<TForm*>& ModalForms() {
    static std::vector<TForm*> forms;
    return forms;
}
void Forget(std::vector<TForm*>& list, TForm* f) {
    list.erase(std::remove(list.begin(), list.end(), f), list.end());
}

// Runs a handler of the program; an exception must not cross Qt's event loop.
template <class F> void Guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        std::cerr << "qor1w: " << e.what() << std::endl;
    }
}

// True when a widget inside the window (other than its menu bar) can take the keyboard focus.
bool HasFocusableControl(QWidget* window) {
    for (QWidget* c : window->findChildren<QWidget*>()) {
        if (qobject_cast<QMenuBar*>(c) != nullptr || c->parentWidget() == nullptr) continue;
        if (qobject_cast<QMenuBar*>(c->parentWidget()) != nullptr) continue;
        if ((c->focusPolicy() & Qt::TabFocus) && c->isEnabled() && !c->isHidden()) return true;
    }
    return false;
}

// The modal window (a dialog or a message box) comes back when the window manager minimised it:
// it alone takes input, and minimised it could not be reached, leaving the windows it blocks
// dead to every key and click.
void BringBackModalWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isMinimized()) return;
    modal->setWindowState(modal->windowState() & ~Qt::WindowMinimized);
    modal->show();
    modal->raise();
    modal->activateWindow();
}

// The window system hands a window that a modal one blocks to the modal window when the user
// turns to it (a click, a key, the window manager's focus), which a minimised window cannot
// take, and the blocked window hears nothing of it: the window system's own events tell.
// Whether the modal window is minimised is asked once the events read with this one have been
// taken in: a busy program reads the window manager's minimising and the user's turn together,
// and learns of the first only after it has seen the second.
class ModalReturnFilter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || message == nullptr) return false;
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return false;
        // The X event: key press 2, button press 4, focus in 9, or a client message (33, the
        // window manager's "take the focus") to a window other than the modal one.
        const auto* bytes = static_cast<const unsigned char*>(message);
        const unsigned code = bytes[0] & 0x7fu;
        bool turnedTo = code == 2 || code == 4 || code == 9;
        if (code == 33) {
            std::uint32_t window = 0;
            std::memcpy(&window, bytes + 4, sizeof window);
            turnedTo = window != modal->winId();
        }
        if (turnedTo) QTimer::singleShot(0, qApp, [] { BringBackModalWindow(); });
        return false;
    }
};

void InstallModalReturn() {
    static bool installed = false;
    if (installed || qApp == nullptr) return;
    installed = true;
    qApp->installNativeEventFilter(new ModalReturnFilter);
}

class FormWindow : public QWidget {
public:
    explicit FormWindow(TForm* form) : FForm(form) {}

    // Set when the window is shown: once the window manager has framed it, the frame is kept
    // within the screen's work area (a position or size meant for another screen, or a frame
    // the window manager added above the asked-for position, would leave parts off screen).
    // The window manager frames, moves and maps the window whenever it gets to it (late on a
    // busy machine): each of its answers (a frame size set, a move, the window mapped and
    // exposed) places the frame again, until the window has been seen with its frame on the
    // screen. A frame that changes its size later (a new decoration) is placed once more. The
    // size the program asked for stays: a window manager that takes the window in late may
    // have missed a resize sent before.
    void KeepOnScreen() {
        FKeepOnScreen = true;
        FExposed = false;
        FMoves = 0;
        FWanted = size();
        FAsked = FAskedFrom = QPoint(-1, -1);
    }
    // Bounds the program asks for a shown window, kept on the screen's work area as at its first
    // showing: a size larger than the area leaves beside the frame shrinks, and the frame moves
    // onto the area. Before the window manager has framed the window nothing changes.
    void FitBounds(int& left, int& top, int& width, int& height) const {
        if (!isVisible() || !isWindow() || screen() == nullptr) return;
        const QRect frame = Frame();
        const QRect inner = geometry();
        if (frame == inner) return;
        const QRect area = screen()->availableGeometry();
        const int dw = frame.width() - inner.width();
        const int dh = frame.height() - inner.height();
        width = std::min(width, std::max(area.width() - dw, 1));
        height = std::min(height, std::max(area.height() - dh, 1));
        left = std::max(std::min(left, area.right() + 1 - (width + dw)), area.left());
        top = std::max(std::min(top, area.bottom() + 1 - (height + dh)), area.top());
    }

protected:
    void moveEvent(QMoveEvent* e) override {
        QWidget::moveEvent(e);
        if (FForm && isVisible()) FForm->WidgetMoved(x(), y());
        FitOnScreen();
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        // The program's own resize (the window system's come spontaneously).
        if (!e->spontaneous()) FWanted = e->size();
        FitOnScreen();
    }

    bool event(QEvent* e) override {
        // Turned to while a dialog blocks it: the dialog comes back if it was minimised.
        if (e->type() == QEvent::WindowActivate)
            QTimer::singleShot(0, qApp, [] { BringBackModalWindow(); });
        return QWidget::event(e);
    }

    // The window system's events of this window, before Qt has taken them in (so the frame is
    // looked at once they have been): a property set (the frame's size among them), a move
    // or resize, a new parent (the frame itself), the window mapped or exposed.
    bool nativeEvent(const QByteArray& type, void* message, qintptr* result) override {
        if (type == "xcb_generic_event_t" && message != nullptr) {
            const unsigned code = *static_cast<const unsigned char*>(message) & 0x7fu;
            if (code == 12) FExposed = true;
            if (code == 12 || code == 19 || code == 21 || code == 22 || code == 28)
                QTimer::singleShot(0, this, [this] { FitOnScreen(); });
        }
        return QWidget::nativeEvent(type, message, result);
    }

private:
    // The frame as the window system has it now. The widget's own frame geometry can stay the
    // inside's for good when no window manager ran as the program started: one that comes
    // later frames the window where it is, its title bar above the screen.
    QRect Frame() const {
        const QWindow* h = windowHandle();
        const QRect frame = frameGeometry();
        return frame == geometry() && h != nullptr ? geometry().marginsAdded(h->frameMargins())
                                                   : frame;
    }
    void FitOnScreen() {
        if (!isVisible() || !isWindow() || screen() == nullptr) return;
        const QRect frame = Frame();
        if (frame == geometry()) return; // not framed yet (or never: frameless)
        const QMargins margins(geometry().left() - frame.left(), geometry().top() - frame.top(),
                               frame.right() - geometry().right(),
                               frame.bottom() - geometry().bottom());
        // The frame's widths can come after the move that framed the window (a busy window
        // manager), which then reported the inside's place as the frame's: the frame's own.
        if (FForm && margins != FMargins && FForm->Left() == geometry().left() &&
            FForm->Top() == geometry().top())
            FForm->WidgetMoved(x(), y());
        if (!FKeepOnScreen && margins != FMargins) { // a new frame about the shown window
            FKeepOnScreen = true;
            FMoves = 0;
            FWanted = size();
        }
        FMargins = margins;
        if (!FKeepOnScreen) return;
        const QRect area = screen()->availableGeometry();
        // The size asked for, as far as the area leaves room beside the frame.
        const QSize fits(std::clamp(FWanted.width(), 1,
                                    std::max(area.width() - margins.left() - margins.right(), 1)),
                         std::clamp(FWanted.height(), 1,
                                    std::max(area.height() - margins.top() - margins.bottom(), 1)));
        const bool resizable = minimumSize() != maximumSize();
        const QSize inside = resizable ? fits : size();
        bool asked = false; // a move or resize asked of the window manager
        if (inside != size() && FMoves < 20) {
            ++FMoves;
            asked = true;
            resize(inside);
        }
        const QSize outer = inside.grownBy(margins);
        QPoint at = frame.topLeft();
        at.setX(std::max(std::min(at.x(), area.right() + 1 - std::min(outer.width(), area.width())),
                         area.left()));
        at.setY(
            std::max(std::min(at.y(), area.bottom() + 1 - std::min(outer.height(), area.height())),
                     area.top()));
        // The frame is known now: a move places it (Qt adds the frame's margins). Placed and
        // seen, the window is the user's to move; a window manager that keeps moving it back
        // is not fought for ever.
        if (at != frame.topLeft() && FMoves < 20) {
            ++FMoves;
            asked = true;
            // Where only the window system knows the frame (a window manager that came after
            // the window), the frame is placed by itself; such a window manager may take a
            // request for the place last asked as no move at all: when the frame stayed where
            // it was, asked again a step beside it first.
            if (frameGeometry() != geometry()) {
                move(at);
            } else {
                const bool ignored = at == FAsked && frame.topLeft() == FAskedFrom;
                const QPoint ask = ignored ? at + QPoint(0, 1) : at;
                FAsked = ask;
                FAskedFrom = frame.topLeft();
                windowHandle()->setFramePosition(ask);
            }
        }
        if (!asked && FExposed) FKeepOnScreen = false;
    }

    bool FKeepOnScreen = false;
    bool FExposed = false; // mapped and drawn since it was shown
    int FMoves = 0;        // moves made to keep it on the screen since it was shown
    QMargins FMargins;     // the frame's widths as last seen
    QSize FWanted;         // the size the program asked for
    QPoint FAsked, FAskedFrom; // the frame's place last asked for, and where it was then

public:
    void closeEvent(QCloseEvent* e) override {
        bool accept = false;
        if (FForm) FForm->WidgetCloseRequested(accept);
        if (accept)
            e->accept();
        else
            e->ignore();
    }

public:
    TForm* FForm;
};

class FormClient : public QWidget {
public:
    explicit FormClient(TForm* form) : FForm(form) { setAttribute(Qt::WA_OpaquePaintEvent); }
    std::function<void()> OnPaintRequest;
    std::function<void(int, int)> OnResized;

protected:
    void paintEvent(QPaintEvent*) override {
        if (OnPaintRequest) OnPaintRequest();
    }
    void resizeEvent(QResizeEvent*) override {
        if (OnResized) OnResized(width(), height());
    }

private:
    TForm* FForm;
};

} // namespace

struct TForm::Impl {
    FormWindow* Window = nullptr;
    FormClient* Client = nullptr;
    QVBoxLayout* Layout = nullptr;
    QImage Buffer;
    qreal Ratio = 1;     // the device pixel ratio the buffer was made for
    QSize Logical;       // the client size it was made for
    bool Device = false; // made for a canvas in device pixels
    bool NeedsPaint = true;
    bool InPaint = false;
    bool PaintScheduled = false;
};

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), FImpl(std::make_unique<Impl>()) {
    // A form is a window of its own, never shown inside its owner.
    if (Parent()) TControl::SetParent(nullptr);
    TControl::SetVisible(false);
    FCanvas = std::make_unique<TCanvas>();
    if (Application->HasWidgets()) {
        InstallModalReturn();
        auto* w = new FormWindow(this);
        auto* layout = new QVBoxLayout(w);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* client = new FormClient(this);
        layout->addWidget(client, 1);
        FImpl->Window = w;
        FImpl->Client = client;
        FImpl->Layout = layout;
        client->OnPaintRequest = [this] {
            Impl& d = *FImpl;
            ResizeBuffer(d.Client->width(), d.Client->height()); // when size or scaling changed
            // OnPaint runs outside Qt's paint event, so that it may process messages.
            if (d.NeedsPaint) SchedulePaint();
            CanvasRelease(*FCanvas);
            QPainter p(d.Client);
            // Device pixels onto device pixels, whatever the scaling.
            p.drawImage(QRectF(0, 0, d.Buffer.width() / d.Ratio, d.Buffer.height() / d.Ratio),
                        d.Buffer);
        };
        client->OnResized = [this](int w, int h) { WidgetResized(w, h); };
        AttachWidget(w);
        guiqt::LinkWidget(client, this);
        FCanvas->OnChange = [this] {
            if (!FImpl->InPaint && FImpl->Client) FImpl->Client->update();
        };
    }
    FColor = clBtnFace;
    SetDefaultSize(544, 386);
    ApplyWindowFlags();
    // The canvas can be drawn on (and measure text) before the window is first shown.
    ResizeBuffer(ClientWidth(), ClientHeight());
}

TForm::~TForm() {
    if (!FDestroyed) {
        FDestroyed = true;
        if (OnDestroy) Guarded([&] { OnDestroy(this); });
    }
    FDestroying = true;
    Forget(ShownForms(), this);
    Forget(ModalForms(), this);
    if (Application->MainForm() == this) Application->SetMainForm(nullptr);
    // Controls first, while the window they sit in still exists.
    DestroyComponents();
    if (FCanvas) {
        FCanvas->OnChange = nullptr;
        CanvasSetDevice(*FCanvas, nullptr);
    }
    if (FImpl->Window) FImpl->Window->FForm = nullptr;
    // The window goes later (with the control part): it must not call back into this form.
    if (FormClient* c = FImpl->Client) {
        c->OnPaintRequest = nullptr;
        c->OnResized = nullptr;
        c->setProperty("qorControl", QVariant());
    }
}

void TForm::Created() {
    if (FCreated) return;
    FCreated = true;
    if (OnCreate) OnCreate(this);
}

void TForm::Free() {
    if (!FDestroyed) {
        FDestroyed = true;
        if (OnDestroy) OnDestroy(this);
    }
    delete this;
}

TForm* TForm::TopForm() {
    if (!ModalForms().empty()) return ModalForms().back();
    for (auto it = ShownForms().rbegin(); it != ShownForms().rend(); ++it)
        if ((*it)->Visible()) return *it;
    return nullptr;
}

QWidget* TForm::ClientWidget() const {
    return FImpl->Client;
}

void TForm::SetCaption(std::string_view s) {
    FCaption = s;
    if (FImpl->Window) FImpl->Window->setWindowTitle(Q(FCaption));
}

namespace {
int MenuHeight(const TMainMenu* m) {
    if (!m || !m->MenuBar()) return 0;
    return m->MenuBar()->sizeHint().height();
}
} // namespace

void TForm::SetBounds(int left, int top, int width, int height) {
    if (FImpl->Window) static_cast<FormWindow*>(FImpl->Window)->FitBounds(left, top, width, height);
    TControl::SetBounds(left, top, width, height);
    ApplyWindowFlags();
}

int TForm::ClientWidth() const {
    return Width();
}
int TForm::ClientHeight() const {
    return std::max(Height() - MenuHeight(FMenu), 0);
}

void TForm::SetClientWidth(int w) {
    SetBounds(Left(), Top(), w, Height());
}
void TForm::SetClientHeight(int h) {
    SetBounds(Left(), Top(), Width(), h + MenuHeight(FMenu));
}

void TForm::SetBorderStyle(TBorderStyle b) {
    FBorderStyle = b;
    ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons b) {
    FBorderIcons = b;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle s) {
    FFormStyle = s;
    ApplyWindowFlags();
}

void TForm::SetWindowState(TWindowState s) {
    FWindowState = s;
    if (QWidget* w = FImpl->Window) {
        if (s == wsMaximized)
            w->setWindowState(Qt::WindowMaximized);
        else if (s == wsMinimized)
            w->setWindowState(Qt::WindowMinimized);
        else
            w->setWindowState(Qt::WindowNoState);
    }
}

void TForm::ApplyWindowFlags() {
    QWidget* w = FImpl->Window;
    if (!w) return;
    // A form shown modally is a dialog to the window manager: kept above the window it belongs
    // to, with no minimise or maximise buttons (a sizeable one can still be resized). One with
    // a menu of its own (the text window, the table window) stays a window.
    const bool dialog = FBorderStyle == bsDialog || (FModal && FMenu == nullptr);
    Qt::WindowFlags flags = dialog ? Qt::Dialog : Qt::Window;
    switch (FBorderStyle) {
    case bsNone:
        flags |= Qt::FramelessWindowHint;
        break;
    case bsToolWindow:
    case bsSizeToolWin:
        flags = Qt::Tool;
        break;
    default:
        break;
    }
    if (FBorderStyle != bsNone) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons & biSystemMenu)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if ((FBorderIcons & biMinimize) && !dialog) flags |= Qt::WindowMinimizeButtonHint;
        if ((FBorderIcons & biMaximize) && FBorderStyle == bsSizeable && !dialog)
            flags |= Qt::WindowMaximizeButtonHint;
    }
    if (FFormStyle == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    if (w->windowFlags() != flags) {
        const bool visible = w->isVisible();
        w->setWindowFlags(flags);
        if (visible) w->show();
    }
    // Dialog and single frames cannot be resized by the user.
    const bool fixed = FBorderStyle == bsDialog || FBorderStyle == bsSingle ||
                       FBorderStyle == bsToolWindow || FBorderStyle == bsNone;
    if (fixed && Width() > 0 && Height() > 0) {
        w->setFixedSize(Width(), Height());
    } else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->resize(std::max(Width(), 1), std::max(Height(), 1));
    }
    guiqt::MoveFrame(w, Left(), Top());
}

void TForm::SetColor(TColor c) {
    FColor = c;
    FColorSet = true;
    Invalidate();
}

void TForm::SetMenu(TMainMenu* m) {
    FMenu = m;
    if (m && FImpl->Window) m->AttachTo(FImpl->Window);
    MenuChanged();
}

void TForm::MenuChanged() {
    if (FImpl->Layout && FMenu && FMenu->MenuBar()) FImpl->Layout->setMenuBar(FMenu->MenuBar());
    Realign();
}

void TForm::SetActiveControl(TControl* c) {
    FocusMoved(c);
    if (c && c->Widget() && c->Widget()->isVisible()) c->Widget()->setFocus();
}

void TForm::FocusMoved(TControl* c) {
    if (c == this) c = nullptr;
    if (c == FActiveControl) return;
    TControl* old = FActiveControl;
    FActiveControl = c;
    if (old && old->OnExit) old->OnExit(old);
    if (c && FActiveControl == c && c->OnEnter) c->OnEnter(c);
}

void TForm::ControlDestroyed(TControl* c) {
    if (FActiveControl == c) FActiveControl = nullptr;
}

// ---- showing ------------------------------------------------------------------------------------

void TForm::Realign() {
    TWinControl::Realign();
    FLaidOut = true;
}

void TForm::SetVisible(bool v) {
    if (v) {
        Show();
    } else if (Visible()) {
        DoHide();
    }
}

void TForm::Show() {
    const bool wasVisible = Visible();
    TControl::SetVisible(true);
    Forget(ShownForms(), this);
    ShownForms().push_back(this);
    if (!FLaidOut) Realign();
    if (!wasVisible && OnShow) OnShow(this);
    if (!wasVisible) PlaceByPosition();
    if (QWidget* w = FImpl->Window) {
        FImpl->NeedsPaint = true;
        SchedulePaint();
        w->setWindowTitle(Q(FCaption));
        ApplyWindowFlags();
        if (!wasVisible) static_cast<FormWindow*>(w)->KeepOnScreen();
        w->show();
        // A window shown again (a repaint of the drawing window) keeps its place in the stack:
        // raising it would bury the dialog in front of it.
        if (Application->Interactive() && !wasVisible) w->raise();
        if (FActiveControl && FActiveControl->Widget()) {
            FActiveControl->Widget()->setFocus();
        } else if (!HasFocusableControl(w)) {
            // A form of no controls (the drawing window) takes the keys itself, and holds the
            // focus for them: the menu bar gives it back after keyboard use, a click takes it.
            FImpl->Client->setFocusPolicy(Qt::ClickFocus);
            FImpl->Client->setFocus();
        }
    }
    if (!wasVisible && OnActivate) OnActivate(this);
}

void TForm::PlaceByPosition() {
    int areaLeft = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;
    const TForm* over = nullptr;
    if (FPosition == poMainFormCenter) over = Application->MainForm();
    if (FPosition == poOwnerFormCenter) over = dynamic_cast<const TForm*>(Owner());
    if (over && over != this) {
        areaLeft = over->Left();
        areaTop = over->Top();
        areaWidth = over->Width();
        areaHeight = over->Height();
    } else if (FPosition == poScreenCenter || FPosition == poMainFormCenter ||
               FPosition == poOwnerFormCenter) {
        if (!Application->HasWidgets() || !QGuiApplication::primaryScreen()) return;
        const QRect a = QGuiApplication::primaryScreen()->availableGeometry();
        areaLeft = a.left();
        areaTop = a.top();
        areaWidth = a.width();
        areaHeight = a.height();
    } else {
        return;
    }
    StoreBounds(areaLeft + (areaWidth - Width()) / 2, areaTop + (areaHeight - Height()) / 2,
                Width(), Height());
    if (QWidget* w = FImpl->Window) guiqt::MoveFrame(w, Left(), Top());
}

void TForm::BringToFront() {
    if (QWidget* w = FImpl->Window; w && Application->Interactive()) {
        w->raise();
        w->activateWindow();
    }
}

void TForm::DoHide() {
    if (!Visible()) return;
    TControl::SetVisible(false);
    if (QWidget* w = FImpl->Window) w->hide();
    Forget(ShownForms(), this);
    if (OnHide) OnHide(this);
}

bool TForm::CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) return;
    if (action == caMinimize) {
        SetWindowState(wsMinimized);
        return;
    }
    DoHide();
    if (Application->MainForm() == this) Application->Terminate();
    if (action == caFree) {
        // Not inside the handler that asked for it: the form is freed once the event is done.
        if (Application->HasWidgets())
            QTimer::singleShot(0, FImpl->Window, [this] { Free(); });
        else
            Free();
    }
}

void TForm::WidgetCloseRequested(bool& accept) {
    // The close box: Close() decides; Qt must not hide the window behind its back.
    accept = false;
    Guarded([&] { Close(); });
}

bool TForm::TryEndModal() {
    if (!CloseQuery()) {
        FModalResult = mrNone;
        return false;
    }
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    if (action == caNone) {
        FModalResult = mrNone;
        return false;
    }
    // caFree on a modal form: the caller frees it after ShowModal, as it created it.
    DoHide();
    return true;
}

TModalResult TForm::ShowModal() {
    if (FModal || Visible()) {
        std::cerr << "qor1w: form \"" << FCaption << "\" is already shown" << std::endl;
        return mrCancel;
    }
    FModalResult = mrNone;
    FModal = true;
    ModalForms().push_back(this);
    ApplyWindowFlags(); // a dialog now; changing the flags later would undo the modality
    // Modality takes effect only when set before the window shows.
    if (QWidget* w = FImpl->Window) w->setWindowModality(Qt::ApplicationModal);
    Show();

    ModalResponder* responder = CurrentModalResponder();
    BatchResponder batch;
    if (!responder && !Application->Interactive()) responder = &batch;

    if (responder) {
        // A form that refuses to close gets the responder's next answer, a bounded number of
        // times; then it is closed without asking, so nothing can hang.
        constexpr int kRounds = 16;
        bool ended = false;
        for (int round = 0; round < kRounds && !ended; ++round) {
            if (FModalResult == mrNone) Guarded([&] { responder->RespondForm(*this); });
            if (FModalResult == mrNone && !Visible()) FModalResult = mrCancel; // hidden
            // Still open (a handler withdrew the result): the responder answers again.
            if (FModalResult == mrNone) continue;
            Guarded([&] { ended = TryEndModal(); });
        }
        if (!ended) DoHide();
    } else {
        while (true) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (FModalResult == mrNone && !Visible()) FModalResult = mrCancel; // hidden by code
            if (FModalResult == mrNone && !Application->Terminated()) continue;
            if (Application->Terminated() && FModalResult == mrNone) FModalResult = mrCancel;
            bool ended = false;
            Guarded([&] { ended = TryEndModal(); });
            if (ended || Application->Terminated()) break;
        }
        if (Visible()) DoHide();
    }
    if (QWidget* w = FImpl->Window) w->setWindowModality(Qt::NonModal);
    FModal = false;
    Forget(ModalForms(), this);
    // A modal form that ended without an answer was closed: that is Cancel.
    if (FModalResult == mrNone) FModalResult = mrCancel;
    if (ModalEndedHook) Guarded([&] { ModalEndedHook(this); });
    return FModalResult;
}

// ---- keys ---------------------------------------------------------------------------------------

TButton* TForm::FindButton(bool defaultButton) const {
    std::vector<const TWinControl*> stack{this};
    while (!stack.empty()) {
        const TWinControl* p = stack.back();
        stack.pop_back();
        for (int i = 0; i < p->ControlCount(); ++i) {
            TControl* c = p->Controls(i);
            if (!c->Visible() || !c->Enabled()) continue;
            if (auto* b = dynamic_cast<TButton*>(c))
                if (defaultButton ? b->Default() : b->Cancel()) return b;
            if (auto* w = dynamic_cast<TWinControl*>(c)) stack.push_back(w);
        }
    }
    return nullptr;
}

bool TForm::DispatchKey(std::uint16_t key, TShiftState shift) {
    return DispatchKeyTo(FActiveControl ? FActiveControl : this, key, shift);
}

bool TForm::DispatchKeyTo(TControl* target, std::uint16_t key, TShiftState shift) {
    if (!target) target = this;
    std::uint16_t k = key;
    const bool toForm = target == this;
    // Menu shortcuts come first, before any key handler (as the window system's do).
    if (FMenu && ((shift & (ssCtrl | ssAlt)) || (k >= VK_F1 && k < VK_F1 + 12) || k == VK_DELETE ||
                  k == VK_INSERT))
        if (FMenu->DispatchShortCut(ShortCut(k, shift))) return true;
    if ((KeyPreview || toForm) && OnKeyDown) {
        OnKeyDown(this, k, shift);
        if (k == 0) return true;
    }
    if (!toForm && target->OnKeyDown) {
        target->OnKeyDown(target, k, shift);
        if (k == 0) return true;
    }
    // Dialog keys: Enter presses the focused button or the default button, Esc the cancel one.
    const bool plain = !(shift & (ssCtrl | ssAlt));
    if (k == VK_RETURN && plain && !dynamic_cast<TMemo*>(target) && !target->WantsReturn()) {
        if (auto* b = dynamic_cast<TButton*>(target)) {
            b->Click();
            return true;
        }
        if (TButton* b = FindButton(true)) {
            b->SetFocus();
            b->Click();
            return true;
        }
    }
    if (k == VK_ESCAPE && plain) {
        if (TButton* b = FindButton(false)) {
            b->Click();
            return true;
        }
    }
    char ch = guiqt::CharFromVk(k, shift);
    if (ch != 0) {
        if ((KeyPreview || toForm) && OnKeyPress) {
            OnKeyPress(this, ch);
            if (ch == 0) return true;
        }
        if (!toForm && target->OnKeyPress) {
            target->OnKeyPress(target, ch);
            if (ch == 0) return true;
        }
    }
    return false;
}

// ---- painting -----------------------------------------------------------------------------------

double TForm::PixelRatio() const {
    const qreal r = FImpl->Client ? FImpl->Client->devicePixelRatioF() : 1.0;
    return r > 0 ? r : 1.0;
}

void TForm::ResizeBuffer(int w, int h) {
    Impl& d = *FImpl;
    if (!d.Client) return;
    w = std::max(w, 1);
    h = std::max(h, 1);
    const qreal r = PixelRatio();
    if (d.Logical == QSize(w, h) && d.Ratio == r && d.Device == DevicePixels && !d.Buffer.isNull())
        return;
    CanvasSetDevice(*FCanvas, nullptr);
    // The buffer holds the screen's pixels: sharp at any scaling. A canvas in logical pixels
    // draws on it through Qt's scaling; one in device pixels (DevicePixels) draws 1:1.
    QImage next(static_cast<int>(std::ceil(w * r)), static_cast<int>(std::ceil(h * r)),
                QImage::Format_RGB32);
    next.fill(ToQColor(FColor));
    if (!DevicePixels) next.setDevicePixelRatio(r);
    if (!d.Buffer.isNull() && d.Ratio == r && d.Device == DevicePixels) {
        QPainter p(&next);
        p.drawImage(0, 0, d.Buffer);
    }
    d.Buffer = std::move(next);
    d.Ratio = r;
    d.Logical = QSize(w, h);
    d.Device = DevicePixels;
    CanvasSetDevice(*FCanvas, &d.Buffer);
    d.NeedsPaint = true;
}

void TForm::SchedulePaint() {
    Impl& d = *FImpl;
    if (!d.Client || d.PaintScheduled) return;
    d.PaintScheduled = true;
    QTimer::singleShot(0, d.Client, [this] {
        FImpl->PaintScheduled = false;
        if (FImpl->NeedsPaint && Visible()) PaintNow();
    });
}

void TForm::WidgetResized(int w, int h) {
    Impl& d = *FImpl;
    if (d.Window) {
        const QSize ws = d.Window->size();
        if (ws.width() != Width() || ws.height() != Height())
            StoreBounds(Left(), Top(), ws.width(), ws.height());
    }
    if (w > 0 && h > 0) ResizeBuffer(w, h);
    if (d.NeedsPaint && Visible()) SchedulePaint();
    Realign();
    if (OnResize) Guarded([&] { OnResize(this); });
}

void TForm::WidgetMoved(int x, int y) {
    StoreBounds(x, y, Width(), Height());
}

void TForm::Invalidate() {
    FImpl->NeedsPaint = true;
    if (Visible()) SchedulePaint();
}

void TForm::PaintNow() {
    Impl& d = *FImpl;
    if (!d.Client) return;
    if (d.InPaint) {
        // Asked again while painting (a handler processed messages): once more afterwards.
        d.NeedsPaint = true;
        return;
    }
    // Before the window is shown its layout has not run: the client size comes from the bounds.
    const QSize size =
        d.Client->isVisible() ? d.Client->size() : QSize(ClientWidth(), ClientHeight());
    ResizeBuffer(size.width(), size.height()); // nothing to do while size and ratio hold
    d.NeedsPaint = false;
    CanvasRelease(*FCanvas);
    d.Buffer.fill(ToQColor(FColor));
    d.InPaint = true;
    if (OnPaint) Guarded([&] { OnPaint(this); });
    CanvasRelease(*FCanvas);
    d.InPaint = false;
    d.Client->update();
    if (d.NeedsPaint) SchedulePaint();
}

TColor TForm::ClientPixel(int x, int y) const {
    const Impl& d = *FImpl;
    CanvasRelease(*FCanvas);
    if (d.Buffer.isNull() || x < 0 || y < 0) return clInvalid;
    // The device pixel at the logical pixel's middle.
    const int px = static_cast<int>((x + 0.5) * d.Ratio);
    const int py = static_cast<int>((y + 0.5) * d.Ratio);
    if (px >= d.Buffer.width() || py >= d.Buffer.height()) return clInvalid;
    return FromQColor(QColor(d.Buffer.pixel(px, py)));
}
