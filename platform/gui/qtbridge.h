#pragma once
// Qt side of the forms and controls, for platform/gui sources only: text conversion, key and
// mouse translation, and the event filter that routes widget events to the controls.

#include "platform/gui/types.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QLineEdit;
class QWidget;
class TControl;

namespace guiqt {

inline QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
    return s.toUtf8().toStdString();
}

// Windows virtual-key code of a Qt key (0 when it has none).
std::uint16_t VkFromQtKey(int qtKey, Qt::KeyboardModifiers mods);
// Qt key of a virtual-key code (0 when it has none).
int QtKeyFromVk(std::uint16_t vk);
TShiftState ShiftFromQt(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons);
// The character a key gives in OnKeyPress (0 when none): Enter 13, Esc 27, Backspace 8, Tab 9,
// letters (upper case with Shift), digits, space.
char CharFromVk(std::uint16_t vk, TShiftState shift);

// Routes mouse, key and focus events of every widget that shows a control.
class ControlEvents : public QObject {
public:
    static ControlEvents& Instance();
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Moves a window so that its frame (as the window manager draws it) stands at (x, y).
void MoveFrame(QWidget* w, int x, int y);

// A line edit's length limit, as Windows keeps it: it stops typing, never a text put in by the
// program. While the edit holds a longer text (shown), it takes no more characters than that
// text has; call again with the edit's text after every change.
void LimitTyping(QLineEdit* e, int limit, const QString& text);

// Links a widget to its control (and back, through TControl::FromWidget).
void LinkWidget(QWidget* w, TControl* c);

} // namespace guiqt
