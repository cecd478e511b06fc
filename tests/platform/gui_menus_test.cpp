// Main menu: clicks, shortcuts through the form's keys, and changes at run time reaching the
// Qt menu bar.

#include "gui_testutil.h"

#include "platform/gui/gui.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class GuiMenus : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }

    TMenuItem* Item(TComponent* owner, const char* name, const char* caption) {
        auto* i = new TMenuItem(owner);
        i->SetName(name);
        i->SetCaption(caption);
        i->OnClick = [this, name](TObject*) { clicked.push_back(name); };
        return i;
    }
    std::vector<std::string> clicked;
};

std::vector<std::string> ActionTexts(const QList<QAction*>& actions) {
    std::vector<std::string> out;
    for (QAction* a : actions)
        out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return out;
}

TEST_F(GuiMenus, ItemsClickShortcutsAndRuntimeChanges) {
    TForm f(nullptr);
    auto* menu = new TMainMenu(&f);
    ASSERT_EQ(f.Menu(), menu);
    TMenuItem* file = Item(&f, "mi_file", "&File");
    TMenuItem* fnew = Item(&f, "mi_fileNew", "&New...");
    fnew->SetShortCut(ShortCut('N', ssCtrl));
    TMenuItem* sep = Item(&f, "N1", "-");
    TMenuItem* exit = Item(&f, "mi_fileexit", "E&xit");
    TMenuItem* view = Item(&f, "mi_view", "&View");
    TMenuItem* errors = Item(&f, "mi_viewErrors", "&Error messages");
    menu->Items()->Add(file);
    menu->Items()->Add(view);
    file->Add(fnew);
    file->Add(sep);
    file->Add(exit);
    view->Add(errors);

    EXPECT_TRUE(fnew->Click());
    errors->SetEnabled(false);
    EXPECT_FALSE(errors->Click());
    view->SetVisible(false);
    errors->SetEnabled(true);
    EXPECT_FALSE(errors->Click()); // inside a hidden menu
    view->SetVisible(true);

    // Ctrl+N on the form runs the item, as the keyboard would, before the form's key handler.
    int formKeys = 0;
    f.KeyPreview = true;
    f.OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { ++formKeys; };
    EXPECT_TRUE(f.DispatchKey('N', ssCtrl));
    EXPECT_EQ(formKeys, 0);
    EXPECT_FALSE(f.DispatchKey('Q', ssCtrl));
    EXPECT_EQ(formKeys, 1);
    EXPECT_EQ(clicked, (std::vector<std::string>{"mi_fileNew", "mi_fileNew"}));

    // Recent files go in before Exit while the program runs.
    TMenuItem* recent = Item(&f, "mi_recent1", "&1 gear.q1w");
    file->Insert(exit->MenuIndex(), recent);
    EXPECT_EQ(file->IndexOf(recent), 2);
    EXPECT_EQ(exit->MenuIndex(), 3);
    errors->SetCaption("&Error messages (3)");
    errors->SetChecked(true);

    // The Qt menu bar shows the same.
    ASSERT_NE(menu->MenuBar(), nullptr);
    EXPECT_EQ(ActionTexts(menu->MenuBar()->actions()),
              (std::vector<std::string>{"&File", "&View"}));
    ASSERT_NE(file->SubMenu(), nullptr);
    EXPECT_EQ(ActionTexts(file->SubMenu()->actions()),
              (std::vector<std::string>{"&New...", "-", "&1 gear.q1w", "E&xit"}));
    EXPECT_EQ(fnew->Action()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_TRUE(errors->Action()->isChecked());
    EXPECT_EQ(errors->Action()->text().toStdString(), "&Error messages (3)");

    // Triggering the Qt action runs the same handler.
    exit->Action()->trigger();
    EXPECT_EQ(clicked.back(), "mi_fileexit");

    file->Delete(file->IndexOf(recent));
    EXPECT_EQ(file->Count(), 3);
    EXPECT_EQ(f.FindComponent("mi_recent1"), nullptr);
    EXPECT_EQ(file->SubMenu()->actions().size(), 3);
    EXPECT_THROW(file->Items(3), std::out_of_range);
}

TEST_F(GuiMenus, ShortcutTextsReadAndWrite) {
    EXPECT_EQ(TextToShortCut("Ctrl+N"), scCtrl | 'N');
    EXPECT_EQ(TextToShortCut("shift+f5"), scShift | VK_F5);
    EXPECT_EQ(TextToShortCut("Alt+X"), scAlt | 'X');
    EXPECT_EQ(TextToShortCut("Del"), VK_DELETE);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut("F13"), 0);
    EXPECT_EQ(TextToShortCut("Ctrl+Foo"), 0);
    EXPECT_EQ(ShortCutToText(scCtrl | 'O'), "Ctrl+O");
    EXPECT_EQ(ShortCutToText(scShift | scCtrl | VK_F1), "Shift+Ctrl+F1");
    EXPECT_EQ(ShortCut(VK_F5, 0), VK_F5);
}

TEST_F(GuiMenus, AnItemMayBeRemovedByItsOwnClick) {
    TForm f(nullptr);
    auto* menu = new TMainMenu(&f);
    auto* file = new TMenuItem(&f);
    menu->Items()->Add(file);
    auto* recent = new TMenuItem(&f);
    recent->SetCaption("&1 old.q1w");
    file->Add(recent);
    int runs = 0;
    recent->OnClick = [&](TObject*) {
        ++runs;
        file->Delete(file->IndexOf(recent)); // the list of recent files is rebuilt
        auto* fresh = new TMenuItem(&f);
        fresh->SetCaption("&1 new.q1w");
        file->Add(fresh);
    };
    recent->Action()->trigger();
    Application->ProcessMessages();
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(file->Count(), 1);
    EXPECT_EQ(file->SubMenu()->actions().size(), 1);
    EXPECT_EQ(file->SubMenu()->actions()[0]->text().toStdString(), "&1 new.q1w");
}

TEST_F(GuiMenus, RadioItemsOfAGroupCheckOneAtATime) {
    TForm f(nullptr);
    auto* menu = new TMainMenu(&f);
    auto* lang = new TMenuItem(&f);
    menu->Items()->Add(lang);
    std::vector<TMenuItem*> items;
    for (int i = 0; i < 3; ++i) {
        auto* it = new TMenuItem(&f);
        it->RadioItem = true;
        it->GroupIndex = 1;
        lang->Add(it);
        items.push_back(it);
    }
    auto* other = new TMenuItem(&f); // not in the group
    other->SetChecked(true);
    lang->Add(other);
    items[0]->SetChecked(true);
    items[2]->SetChecked(true);
    EXPECT_FALSE(items[0]->Checked());
    EXPECT_TRUE(items[2]->Checked());
    EXPECT_TRUE(other->Checked());
    EXPECT_FALSE(items[0]->Action()->isChecked());
    EXPECT_TRUE(items[2]->Action()->isChecked());
}

TEST_F(GuiMenus, MenuItemsGoWithTheirForm) {
    auto* f = new TForm(nullptr);
    auto* menu = new TMainMenu(f);
    auto* top = new TMenuItem(f);
    auto* sub = new TMenuItem(f);
    menu->Items()->Add(top);
    top->Add(sub);
    delete top; // takes its subitem with it
    EXPECT_EQ(f->ComponentCount(), 1);
    EXPECT_EQ(menu->Items()->Count(), 0);
    delete f;
}

} // namespace
