#pragma once
// Layout checks of the shell's forms: what a user would see clipped, cut or overlapping.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QWidget>

#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

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

} // namespace qortest
