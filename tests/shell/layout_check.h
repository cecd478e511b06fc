#pragma once
// Layout checks of the shell's forms: what a user would see clipped, cut or overlapping.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "shell/menu_captions.h"

namespace qortest {

// The text a control shows, and the width the platform's font needs for it.
inline int TextWidth(const TControl* c, const std::string& text) {
    std::string shown;
    for (char ch : text)
        if (ch != '&') shown += ch;
    return QFontMetrics(c->Widget()->font()).horizontalAdvance(QString::fromStdString(shown));
}

// Every shown control lies inside its parent, no two shown siblings overlap, and every caption
// fits its control (labels and check boxes their width, buttons with a margin).
inline void ExpectNothingClipped(const TWinControl& parent, const std::string& where) {
    std::vector<const TControl*> shown;
    for (int i = 0; i < parent.ControlCount(); ++i)
        if (parent.Controls(i)->Visible()) shown.push_back(parent.Controls(i));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const TControl* c = shown[i];
        SCOPED_TRACE(where + "/" + c->Name());
        EXPECT_GE(c->Left(), 0);
        EXPECT_GE(c->Top(), 0);
        EXPECT_LE(c->Left() + c->Width(), parent.ClientWidth());
        EXPECT_LE(c->Top() + c->Height(), parent.ClientHeight());
        for (std::size_t k = i + 1; k < shown.size(); ++k) {
            const TControl* d = shown[k];
            const bool apart =
                c->Left() + c->Width() <= d->Left() || d->Left() + d->Width() <= c->Left() ||
                c->Top() + c->Height() <= d->Top() || d->Top() + d->Height() <= c->Top();
            EXPECT_TRUE(apart) << c->Name() << " overlaps " << d->Name();
        }
        if (auto* l = dynamic_cast<const TLabel*>(c)) {
            EXPECT_LE(TextWidth(c, l->Caption()), c->Width());
        } else if (auto* b = dynamic_cast<const TButton*>(c)) {
            EXPECT_LE(TextWidth(c, b->Caption()) + 12, c->Width());
        } else if (auto* x = dynamic_cast<const TCheckBox*>(c)) {
            EXPECT_LE(TextWidth(c, x->Caption()) + 24, c->Width());
        } else if (auto* g = dynamic_cast<const TGroupBox*>(c)) {
            EXPECT_LE(TextWidth(c, g->Caption()) + 16, c->Width());
        } else if (auto* r = dynamic_cast<const TRadioGroup*>(c)) {
            for (int k = 0; k < r->Items().Count(); ++k)
                EXPECT_LE(TextWidth(c, r->Items()[k]) + 36, c->Width());
        } else if (auto* cb = dynamic_cast<const TComboBox*>(c)) {
            for (int k = 0; k < cb->Items().Count(); ++k)
                EXPECT_LE(TextWidth(c, cb->Items()[k]) + 30, c->Width());
        } else if (auto* e = dynamic_cast<const TEdit*>(c)) {
            EXPECT_LE(TextWidth(c, e->Text()) + 8, c->Width());
        }
        if (auto* w = dynamic_cast<const TWinControl*>(c)) ExpectNothingClipped(*w, where);
    }
}

// Every menu item and every button with a word on it has an access key, and no two keys of a
// window meet: items of one menu, or the menu bar with the buttons, check boxes and tabs shown
// together (a page of a page control meets only itself and what lies outside the pages).
inline void ExpectOneAccessKeyEach(TForm& form, const std::string& where) {
    std::vector<std::tuple<char, std::string, const TTabSheet*>> keys;
    auto add = [&](TComponent* c, const std::string& caption, bool required, const TTabSheet* on) {
        const char key = AccessKey(caption);
        auto letter = [](unsigned char ch) { return std::isalpha(ch) || ch >= 0x80; };
        EXPECT_TRUE(key != 0 || !required || std::none_of(caption.begin(), caption.end(), letter))
            << where << ": " << c->Name() << " \"" << caption << "\" has no access key";
        for (const auto& [k, other, page] : keys)
            if (key != 0 && k == key && (!page || !on || page == on))
                ADD_FAILURE() << where << ": '" << key << "' twice: " << other << ", " << c->Name();
        if (key != 0) keys.emplace_back(key, c->Name(), on);
    };
    std::function<void(TMenuItem*)> menu = [&](TMenuItem* m) {
        const bool bar = m == form.Menu()->Items(); // a submenu's keys meet only each other
        auto outer = bar ? decltype(keys){} : std::exchange(keys, {});
        for (int i = 0; i < m->Count(); ++i) // as the menu shows it: the first "&" marks the key
            if (TMenuItem* item = m->Items(i); item->Visible() && !item->IsLine())
                add(item, item->Action()->text().toStdString(), true, nullptr);
        if (!bar) keys = std::move(outer);
        for (int i = 0; i < m->Count(); ++i)
            if (m->Items(i)->Visible() && m->Items(i)->Count() > 0) menu(m->Items(i));
    };
    if (form.Menu() != nullptr) menu(form.Menu()->Items());
    std::function<void(TWinControl*, const TTabSheet*)> walk = [&](TWinControl* p, auto* on) {
        for (int i = 0; i < p->ControlCount(); ++i) {
            TControl* c = p->Controls(i);
            if (auto* sheet = dynamic_cast<TTabSheet*>(c)) add(c, sheet->Caption(), false, nullptr);
            if (!c->Visible() && !dynamic_cast<TTabSheet*>(c)) continue;
            if (auto* b = dynamic_cast<TButton*>(c)) add(c, b->Caption(), true, on);
            if (auto* x = dynamic_cast<TCheckBox*>(c)) add(c, x->Caption(), false, on);
            if (auto* w = dynamic_cast<TWinControl*>(c))
                walk(w, dynamic_cast<TTabSheet*>(c) ? dynamic_cast<TTabSheet*>(c) : on);
        }
    };
    walk(&form, nullptr);
}

} // namespace qortest
