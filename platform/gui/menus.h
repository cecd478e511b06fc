#pragma once
// Main menu and menu items. Captions carry "&" mnemonics; a caption of "-" is a separator.
// Items can be added, removed, renamed, hidden, disabled and checked while the program runs.

#include "platform/gui/controls.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

// Windows shortcut encoding: virtual-key code plus scShift/scCtrl/scAlt.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
TShortCut ShortCut(std::uint16_t key, TShiftState shift);
// "Ctrl+N", "Shift+F5", "Alt+X", "Del"; 0 for text it cannot read.
TShortCut TextToShortCut(std::string_view text);
std::string ShortCutToText(TShortCut s);

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const { return FCaption; }
    void SetCaption(std::string_view s);
    bool IsLine() const { return FCaption == "-"; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut s);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    bool Checked() const { return FChecked; }
    void SetChecked(bool v);
    bool RadioItem = false;
    int GroupIndex = 0;
    const std::string& Hint() const { return FHint; }
    void SetHint(std::string_view h);

    // Submenu.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const; // checked; throws std::out_of_range
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    // Removes the item from this menu without destroying it.
    void Remove(TMenuItem* item);
    // Removes and destroys the item at index.
    void Delete(int index);
    int IndexOf(const TMenuItem* item) const;
    TMenuItem* ParentItem() const { return FParentItem; }
    // Index inside the parent menu, -1 when not in one.
    int MenuIndex() const;
    // Finds an item of this submenu (at any depth) by shortcut, nullptr when none.
    TMenuItem* FindByShortCut(TShortCut s);

    // Runs OnClick, as choosing the item does (nothing when disabled or hidden; returns false).
    bool Click();
    TNotifyEvent OnClick;

    // Layer internals.
    QAction* Action() const { return FAction; }
    QMenu* SubMenu() const { return FMenu; }
    void EnsureQt();

private:
    friend class TMainMenu;
    void SyncAction();
    void Detach();
    void RebuildQtChildren();
    std::string FCaption;
    std::string FHint;
    TShortCut FShortCut = 0;
    bool FEnabled = true;
    bool FVisible = true;
    bool FChecked = false;
    TMenuItem* FParentItem = nullptr;
    class TMainMenu* FMainMenu = nullptr;
    std::vector<TMenuItem*> FItems;
    QAction* FAction = nullptr;
    QMenu* FMenu = nullptr;
};

class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    // The top-level items (the menu bar).
    TMenuItem* Items() { return &FRoot; }
    const TMenuItem* Items() const { return &FRoot; }
    // A shortcut pressed on the form: runs the matching visible, enabled item. Returns whether
    // an item ran.
    bool DispatchShortCut(TShortCut s);

    // Layer internals.
    QMenuBar* MenuBar() const { return FBar; }
    void AttachTo(QWidget* formWidget);
    void Changed();

private:
    friend class TMenuItem;
    TMenuItem FRoot;
    QMenuBar* FBar = nullptr;
};

// Popup (context) menu.
class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    TMenuItem* Items() { return &FRoot; }
    // Shows the menu at a screen point; under a responder or headless nothing is shown.
    void Popup(int x, int y);

private:
    TMenuItem FRoot;
};
