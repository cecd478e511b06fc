#include "platform/gui/qtbridge.h"

#include "platform/gui/forms.h"

#include <algorithm>

#include <QAbstractButton>
#include <QApplication>
#include <QAbstractScrollArea>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace guiqt {

namespace {
constexpr const char* kControlProperty = "qorControl";

struct KeyPair {
    int qt;
    std::uint16_t vk;
};
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},      {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},
};
} // namespace

std::uint16_t VkFromQtKey(int key, Qt::KeyboardModifiers mods) {
    const bool keypad = mods.testFlag(Qt::KeypadModifier);
    if (keypad) {
        switch (key) {
        case Qt::Key_Plus:
            return VK_ADD;
        case Qt::Key_Minus:
            return VK_SUBTRACT;
        case Qt::Key_Asterisk:
            return VK_MULTIPLY;
        case Qt::Key_Slash:
            return VK_DIVIDE;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return VK_DECIMAL;
        default:
            if (key >= Qt::Key_0 && key <= Qt::Key_9)
                return static_cast<std::uint16_t>(VK_NUMPAD0 + (key - Qt::Key_0));
        }
    }
    for (const auto& k : kKeys)
        if (k.qt == key) return k.vk;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<std::uint16_t>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::uint16_t>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return static_cast<std::uint16_t>(VK_F1 + (key - Qt::Key_F1));
    // Main-keyboard plus and minus: the Windows OEM codes.
    if (key == Qt::Key_Plus || key == Qt::Key_Equal) return 187;
    if (key == Qt::Key_Minus) return 189;
    return 0;
}

int QtKeyFromVk(std::uint16_t vk) {
    for (const auto& k : kKeys)
        if (k.vk == vk) return k.qt;
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk < VK_F1 + 12) return Qt::Key_F1 + (vk - VK_F1);
    if (vk == VK_ADD) return Qt::Key_Plus;
    if (vk == VK_SUBTRACT) return Qt::Key_Minus;
    return 0;
}

TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

char CharFromVk(std::uint16_t vk, TShiftState shift) {
    if (shift & (ssCtrl | ssAlt)) return 0;
    switch (vk) {
    case VK_RETURN:
        return 13;
    case VK_ESCAPE:
        return 27;
    case VK_BACK:
        return 8;
    case VK_TAB:
        return 9;
    case VK_SPACE:
        return ' ';
    default:
        break;
    }
    if (vk >= 'A' && vk <= 'Z') return static_cast<char>((shift & ssShift) ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9' && !(shift & ssShift)) return static_cast<char>(vk);
    return 0;
}

ControlEvents& ControlEvents::Instance() {
    static ControlEvents* filter = new ControlEvents; // lives as long as the process
    return *filter;
}

namespace {

TControl* ControlOf(QObject* o) {
    for (auto* w = qobject_cast<QWidget*>(o); w; w = w->parentWidget())
        if (TControl* c = TControl::FromWidget(w)) return c;
    return nullptr;
}

TMouseButton ButtonOf(Qt::MouseButton b) {
    if (b == Qt::RightButton) return mbRight;
    if (b == Qt::MiddleButton) return mbMiddle;
    return mbLeft;
}

// Controls whose click comes from the mouse release (buttons and inputs report their own).
bool ClickFromRelease(TControl* c) {
    return dynamic_cast<TLabel*>(c) || dynamic_cast<TPanel*>(c) || dynamic_cast<TImage*>(c) ||
           dynamic_cast<TForm*>(c) || dynamic_cast<TGroupBox*>(c) || dynamic_cast<TBevel*>(c);
}

// Where a key is acted on: at the first widget that shows a control, from the focused widget up
// (a widget of Qt's own, such as the menu bar after keyboard use or the inner edit of a combo
// box, passes the keys it does not take to the control it sits in); nullptr when nothing has
// the focus.
QWidget* KeyOrigin() {
    for (QWidget* f = QApplication::focusWidget(); f; f = f->parentWidget())
        if (TControl::FromWidget(f)) return f;
    return nullptr;
}

} // namespace

bool ControlEvents::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (t != QEvent::KeyPress && t != QEvent::KeyRelease && t != QEvent::MouseButtonPress &&
        t != QEvent::MouseButtonRelease && t != QEvent::MouseButtonDblClick &&
        t != QEvent::MouseMove && t != QEvent::FocusIn)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    // Only the widget linked to the control (or its viewport) reports mouse events, so a
    // press is not reported once per widget level.
    TControl* direct = TControl::FromWidget(w);
    try {
        switch (t) {
        case QEvent::KeyPress: {
            // A key travels from the focused widget up through its parents until one takes it:
            // act once, at its origin (at the window itself when nothing has the focus).
            QWidget* origin = KeyOrigin();
            if (origin ? w != origin : !w->isWindow()) return false;
            TControl* c = ControlOf(w);
            if (!c) return false;
            auto* ke = static_cast<QKeyEvent*>(event);
            const std::uint16_t vk = VkFromQtKey(ke->key(), ke->modifiers());
            if (vk == 0) return false;
            TForm* f = dynamic_cast<TForm*>(c);
            if (!f) f = c->ParentForm();
            if (!f) return false;
            return f->DispatchKeyTo(c, vk, ShiftFromQt(ke->modifiers(), Qt::NoButton));
        }
        case QEvent::KeyRelease: {
            QWidget* origin = KeyOrigin();
            if (origin ? w != origin : !w->isWindow()) return false;
            TControl* c = ControlOf(w);
            auto* ke = static_cast<QKeyEvent*>(event);
            std::uint16_t vk = VkFromQtKey(ke->key(), ke->modifiers());
            if (!c || vk == 0 || ke->isAutoRepeat()) return false;
            const TShiftState s = ShiftFromQt(ke->modifiers(), Qt::NoButton);
            TForm* f = dynamic_cast<TForm*>(c) ? dynamic_cast<TForm*>(c) : c->ParentForm();
            if (f && f != c && f->KeyPreview && f->OnKeyUp) f->OnKeyUp(f, vk, s);
            if (vk != 0 && c->OnKeyUp) c->OnKeyUp(c, vk, s);
            return vk == 0;
        }
        case QEvent::FocusIn:
            if (direct) direct->WidgetFocusIn();
            return false;
        default:
            break;
        }
        if (!direct) return false;
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint p = me->position().toPoint();
        // An event a child passed up was already reported where it arrived.
        for (QWidget* c = w->childAt(p); c && c != w; c = c->parentWidget())
            if (TControl::FromWidget(c)) return false;
        const TShiftState s = ShiftFromQt(me->modifiers(), me->buttons());
        switch (t) {
        case QEvent::MouseButtonPress:
            direct->DoMouseDown(ButtonOf(me->button()), s, p.x(), p.y());
            break;
        case QEvent::MouseButtonRelease:
            direct->DoMouseUp(ButtonOf(me->button()), s, p.x(), p.y());
            if (me->button() == Qt::LeftButton && ClickFromRelease(direct) && w->rect().contains(p))
                direct->Click();
            break;
        case QEvent::MouseButtonDblClick:
            // As the window system reports it: the double click, then a press marked double.
            direct->DoDblClick();
            direct->DoMouseDown(ButtonOf(me->button()), s | ssDouble, p.x(), p.y());
            break;
        case QEvent::MouseMove:
            direct->DoMouseMove(s, p.x(), p.y());
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        // No exception may cross Qt's event loop.
        qWarning("qor1w: event handler failed: %s", e.what());
        return true;
    }
    return false;
}

void MoveFrame(QWidget* w, int x, int y) {
    // Before the window exists Qt takes a move as the frame's; afterwards a plain move places
    // the client area (the frame is unknown until the window manager has framed it), which
    // would put the title bar above the screen.
    QWindow* h = w->windowHandle();
    if (h == nullptr || !w->testAttribute(Qt::WA_WState_Created)) {
        w->move(x, y);
        return;
    }
    // A frame already there stays: Qt takes the asked-for frame position as the window's own
    // until the window manager answers, and a resize in that time would go by it, putting the
    // client area where the frame was meant to be.
    if (w->isVisible() && w->frameGeometry().topLeft() == QPoint(x, y)) return;
    h->setFramePosition(QPoint(x, y));
}

void LimitTyping(QLineEdit* e, int limit, const QString& text) {
    e->setMaxLength(limit > 0 ? std::max(limit, static_cast<int>(text.size())) : 32767);
}

void LinkWidget(QWidget* w, TControl* c) {
    w->setProperty(kControlProperty, QVariant::fromValue(reinterpret_cast<quintptr>(c)));
    w->installEventFilter(&ControlEvents::Instance());
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) {
        area->viewport()->setProperty(kControlProperty,
                                      QVariant::fromValue(reinterpret_cast<quintptr>(c)));
        area->viewport()->installEventFilter(&ControlEvents::Instance());
    }
}

} // namespace guiqt

TControl* TControl::FromWidget(const QWidget* w) {
    if (!w) return nullptr;
    const QVariant v = w->property("qorControl");
    if (!v.isValid()) return nullptr;
    return reinterpret_cast<TControl*>(v.value<quintptr>());
}
