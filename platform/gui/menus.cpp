#include "platform/gui/menus.h"

#include "platform/gui/application.h"
#include "platform/gui/forms.h"
#include "platform/gui/qtbridge.h"
#include "platform/os/utf8.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <stdexcept>

using guiqt::Q;

// ---- shortcuts ----------------------------------------------------------------------------------

TShortCut ShortCut(std::uint16_t key, TShiftState shift) {
    TShortCut s = static_cast<TShortCut>(key & 0xFF);
    if (shift & ssShift) s |= scShift;
    if (shift & ssCtrl) s |= scCtrl;
    if (shift & ssAlt) s |= scAlt;
    return s;
}

namespace {
struct KeyName {
    const char* Name;
    std::uint16_t Key;
};
constexpr KeyName kKeyNames[] = {
    {"BkSp", VK_BACK},     {"Tab", VK_TAB},    {"Enter", VK_RETURN}, {"Esc", VK_ESCAPE},
    {"Space", VK_SPACE},   {"PgUp", VK_PRIOR}, {"PgDn", VK_NEXT},    {"End", VK_END},
    {"Home", VK_HOME},     {"Left", VK_LEFT},  {"Up", VK_UP},        {"Right", VK_RIGHT},
    {"Down", VK_DOWN},     {"Ins", VK_INSERT}, {"Del", VK_DELETE},   {"Delete", VK_DELETE},
    {"Insert", VK_INSERT},
};

std::string KeyText(std::uint16_t key) {
    for (const auto& k : kKeyNames)
        if (k.Key == key) return k.Name;
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
    if (key >= VK_F1 && key < VK_F1 + 12) return "F" + std::to_string(key - VK_F1 + 1);
    return {};
}
} // namespace

TShortCut TextToShortCut(std::string_view text) {
    TShortCut mods = 0;
    for (;;) {
        bool found = false;
        for (auto [name, flag] : {std::pair<std::string_view, TShortCut>{"Ctrl+", scCtrl},
                                  {"Shift+", scShift},
                                  {"Alt+", scAlt}}) {
            if (text.size() > name.size() &&
                os::SameTextNoCase(text.substr(0, name.size()), name)) {
                mods |= flag;
                text.remove_prefix(name.size());
                found = true;
            }
        }
        if (!found) break;
    }
    std::uint16_t key = 0;
    if (text.size() == 1 && std::isalnum(static_cast<unsigned char>(text[0]))) {
        key = static_cast<std::uint16_t>(std::toupper(static_cast<unsigned char>(text[0])));
    } else if (text.size() >= 2 && (text[0] == 'F' || text[0] == 'f')) {
        int n = 0;
        for (char c : text.substr(1)) {
            if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
            n = n * 10 + (c - '0');
            if (n > 24) return 0;
        }
        if (n >= 1 && n <= 12) key = static_cast<std::uint16_t>(VK_F1 + n - 1);
    } else {
        for (const auto& k : kKeyNames)
            if (os::SameTextNoCase(text, k.Name)) key = k.Key;
    }
    return key == 0 ? 0 : static_cast<TShortCut>(mods | key);
}

std::string ShortCutToText(TShortCut s) {
    const std::string key = KeyText(static_cast<std::uint16_t>(s & 0xFF));
    if (key.empty()) return {};
    std::string out;
    if (s & scShift) out += "Shift+";
    if (s & scCtrl) out += "Ctrl+";
    if (s & scAlt) out += "Alt+";
    return out + key;
}

namespace {
QKeySequence QtShortCut(TShortCut s) {
    const int key = guiqt::QtKeyFromVk(static_cast<std::uint16_t>(s & 0xFF));
    if (s == 0 || key == 0) return {};
    int mods = 0;
    if (s & scShift) mods |= Qt::SHIFT;
    if (s & scCtrl) mods |= Qt::CTRL;
    if (s & scAlt) mods |= Qt::ALT;
    return QKeySequence(key | mods);
}

// The caption as the menu shows it. An item has one access key, its first "&"; composite
// captions ("Se&ttings &CAD") carry more, which Qt would underline too and then measure the item
// too narrow (the text comes out elided): the later ones are dropped. "&&" stays a literal "&".
std::string MenuText(const std::string& caption) {
    std::string out;
    bool keyed = false;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            out += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            out += "&&";
            ++i;
        } else if (!keyed) {
            out += '&';
            keyed = true;
        }
    }
    return out;
}
} // namespace

// ---- TMenuItem ----------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    // Subitems go with their menu.
    while (!FItems.empty()) {
        TMenuItem* child = FItems.back();
        FItems.pop_back();
        child->FParentItem = nullptr;
        delete child;
    }
    Detach();
    // An item may be removed from inside its own click (the recent-file items are rebuilt
    // from their handlers): Qt still uses the action after the handler returns.
    if (FAction) {
        QObject::disconnect(FAction, nullptr, nullptr, nullptr);
        FAction->setMenu(static_cast<QMenu*>(nullptr));
        FAction->deleteLater();
    }
    if (FMenu) FMenu->deleteLater();
}

void TMenuItem::Detach() {
    if (!FParentItem) return;
    TMenuItem* parent = FParentItem;
    auto& list = parent->FItems;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FParentItem = nullptr;
    parent->RebuildQtChildren();
}

TMenuItem* TMenuItem::Items(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("menu item index " + std::to_string(index));
    return FItems[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (!item || item == this) return;
    if (index < 0 || index > Count())
        throw std::out_of_range("menu insert position " + std::to_string(index));
    item->Detach();
    FItems.insert(FItems.begin() + index, item);
    item->FParentItem = this;
    RebuildQtChildren();
}

void TMenuItem::Remove(TMenuItem* item) {
    if (item && item->FParentItem == this) item->Detach();
}

void TMenuItem::Delete(int index) {
    delete Items(index);
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == item) return static_cast<int>(i);
    return -1;
}

int TMenuItem::MenuIndex() const {
    return FParentItem ? FParentItem->IndexOf(this) : -1;
}

TMenuItem* TMenuItem::FindByShortCut(TShortCut s) {
    for (TMenuItem* i : FItems) {
        if (i->FShortCut == s && s != 0) return i;
        if (TMenuItem* found = i->FindByShortCut(s)) return found;
    }
    return nullptr;
}

void TMenuItem::SetCaption(std::string_view s) {
    const bool wasLine = IsLine();
    FCaption = s;
    SyncAction();
    if (wasLine != IsLine() && FParentItem) FParentItem->RebuildQtChildren();
}

void TMenuItem::SetShortCut(TShortCut s) {
    FShortCut = s;
    SyncAction();
}

void TMenuItem::SetEnabled(bool v) {
    FEnabled = v;
    SyncAction();
}

void TMenuItem::SetVisible(bool v) {
    FVisible = v;
    SyncAction();
}

void TMenuItem::SetChecked(bool v) {
    FChecked = v;
    SyncAction();
    // Radio items of one group in one menu: checking one unchecks the others.
    if (v && RadioItem && FParentItem)
        for (TMenuItem* other : FParentItem->FItems)
            if (other != this && other->RadioItem && other->GroupIndex == GroupIndex &&
                other->FChecked) {
                other->FChecked = false;
                other->SyncAction();
            }
}

void TMenuItem::SetHint(std::string_view h) {
    FHint = h;
    SyncAction();
}

bool TMenuItem::Click() {
    for (const TMenuItem* i = this; i; i = i->FParentItem)
        if (!i->FEnabled || !i->FVisible) return false;
    FireEvent(OnClick, this);
    return true;
}

void TMenuItem::EnsureQt() {
    if (FAction || !Application->HasWidgets()) return;
    FAction = new QAction;
    QObject::connect(FAction, &QAction::triggered, FAction, [this] {
        try {
            Click();
        } catch (const std::exception& e) {
            std::cerr << "qor1w: " << e.what() << std::endl;
        }
    });
    SyncAction();
}

void TMenuItem::SyncAction() {
    if (!FAction) return;
    FAction->setSeparator(IsLine());
    // A separator has no text: some styles draw the text of a separator as a section heading.
    FAction->setText(IsLine() ? QString() : Q(MenuText(FCaption)));
    FAction->setShortcut(QtShortCut(FShortCut));
    FAction->setEnabled(FEnabled);
    FAction->setVisible(FVisible);
    FAction->setCheckable(FChecked || RadioItem);
    FAction->setChecked(FChecked);
    FAction->setStatusTip(Q(FHint));
    FAction->setToolTip(Q(FHint));
}

void TMenuItem::RebuildQtChildren() {
    if (!Application->HasWidgets()) return;
    QWidget* container = nullptr;
    if (FMainMenu) {
        container = FMainMenu->FBar;
    } else if (!FItems.empty() || FMenu) {
        EnsureQt();
        if (!FMenu) {
            FMenu = new QMenu;
            FAction->setMenu(FMenu);
        }
        container = FMenu;
    }
    if (!container) return;
    for (QAction* a : container->actions())
        container->removeAction(a);
    for (TMenuItem* i : FItems) {
        i->EnsureQt();
        container->addAction(i->FAction);
    }
}

// ---- TMainMenu ----------------------------------------------------------------------------------

namespace {

// A form's menu bar. Used from the keyboard (Alt, a menu's access key) it takes the focus, and
// leaving it (Esc, a command chosen) gives the focus back to the control that had it. Qt
// remembers that control only as long as the bar does not hold the focus yet: a menu opened by
// its access key while the bar is in use makes it remember the bar itself, and once left the
// bar would keep the focus and take the window's keys (Esc above all). So the bar remembers the
// control here, and whenever it holds the focus while not in use, gives the focus back.
class FormMenuBar : public QMenuBar {
public:
    explicit FormMenuBar(QWidget* parent) : QMenuBar(parent) {
        QObject::connect(
            qApp, &QApplication::focusChanged, this, [this](QWidget* from, QWidget* to) {
                if (to == this && from != nullptr && from != this && from->window() == window())
                    FReturnTo = from;
            });
        // A command chosen from a menu ends the keyboard use too.
        QObject::connect(this, &QMenuBar::triggered, this, [this] { SettleLater(); });
    }

protected:
    bool event(QEvent* e) override {
        const QEvent::Type t = e->type();
        if (t == QEvent::KeyPress && Idle()) {
            // A key for a bar not in use belongs to the control that gets the focus back.
            GiveFocusBack();
            QWidget* to = QApplication::focusWidget();
            QCoreApplication::sendEvent(to != nullptr ? to : window(), e);
            e->accept(); // delivered: it goes no further up from here
            return true;
        }
        const bool taken = QMenuBar::event(e);
        if ((t == QEvent::KeyPress || t == QEvent::KeyRelease) && Idle()) GiveFocusBack();
        // The window turned to again while the bar held the focus.
        if (t == QEvent::FocusIn &&
            static_cast<QFocusEvent*>(e)->reason() != Qt::MenuBarFocusReason)
            SettleLater();
        return taken;
    }

private:
    // Holding the focus with no menu title highlighted and no menu open: not in use.
    bool Idle() const {
        return hasFocus() && activeAction() == nullptr &&
               QApplication::activePopupWidget() == nullptr;
    }
    void SettleLater() {
        QTimer::singleShot(0, this, [this] {
            if (Idle()) GiveFocusBack();
        });
    }
    bool Takes(const QWidget* w) const {
        return w != nullptr && w != this && !isAncestorOf(w) && w->window() == window() &&
               w->isVisible() && w->isEnabled();
    }
    // To the control that had the focus, else the form's active control, else the first control
    // that takes the focus, else the form's client area; with none of them the window has none.
    void GiveFocusBack() {
        QWidget* to = FReturnTo;
        auto* form = dynamic_cast<TForm*>(TControl::FromWidget(window()));
        if (!Takes(to) && form && form->ActiveControl()) to = form->ActiveControl()->Widget();
        for (QWidget* w = window()->nextInFocusChain(); !Takes(to) && w != window();
             w = w->nextInFocusChain())
            if (w->focusPolicy() & Qt::TabFocus) to = w;
        if (!Takes(to) && form && form->ClientWidget() &&
            form->ClientWidget()->focusPolicy() != Qt::NoFocus)
            to = form->ClientWidget();
        if (Takes(to))
            to->setFocus(Qt::OtherFocusReason);
        else
            clearFocus();
    }
    QPointer<QWidget> FReturnTo;
};

} // namespace

TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner), FRoot(nullptr) {
    FRoot.FMainMenu = this;
    if (auto* f = dynamic_cast<TForm*>(AOwner))
        if (!f->Menu()) f->SetMenu(this);
}

TMainMenu::~TMainMenu() {
    if (auto* f = dynamic_cast<TForm*>(Owner()))
        if (f->Menu() == this) f->SetMenu(nullptr);
    delete FBar;
}

void TMainMenu::AttachTo(QWidget* formWidget) {
    if (!FBar) FBar = new FormMenuBar(formWidget);
    FBar->setNativeMenuBar(false);
    // The form's colour is its client area's (a drawing window may be black): the menu bar keeps
    // the desktop's background and text colours.
    QPalette pal;
    const QPalette desktop = QApplication::palette(FBar);
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        pal.setColor(role, desktop.color(role));
    FBar->setPalette(pal);
    FBar->setAutoFillBackground(true);
    FRoot.RebuildQtChildren();
}

void TMainMenu::Changed() {
    FRoot.RebuildQtChildren();
}

bool TMainMenu::DispatchShortCut(TShortCut s) {
    TMenuItem* item = FRoot.FindByShortCut(s);
    return item && item->Click();
}

// ---- TPopupMenu ---------------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner), FRoot(nullptr) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int x, int y) {
    if (!Application->Interactive() || FRoot.Count() == 0) return;
    QMenu menu;
    for (int i = 0; i < FRoot.Count(); ++i) {
        FRoot.Items(i)->EnsureQt();
        menu.addAction(FRoot.Items(i)->Action());
    }
    menu.exec(QPoint(x, y));
}
