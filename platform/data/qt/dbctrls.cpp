#include "platform/data/qt/dbctrls.h"

#include <QHBoxLayout>
#include <QToolButton>
#include <QWidget>

#include "platform/data/dataset.h"
#include "platform/data/datasource.h"
#include "platform/gui/application.h"
#include "platform/gui/msgbox.h"
#include "platform/gui/qtbridge.h"

using guiqt::Q;

namespace {

struct ButtonInfo {
    const char* glyph;
    const char* hint;
};
// Glyphs every face of the program's fonts has.
constexpr ButtonInfo kButtons[10] = {
    {"|\u25C0", "First record"}, {"\u25C0", "Prior record"}, {"\u25B6", "Next record"},
    {"\u25B6|", "Last record"},  {"+", "Insert record"},     {"\u2212", "Delete record"},
    {"\u25B2", "Edit record"},   {"\u2713", "Post edit"},    {"\u2715", "Cancel edit"},
    {"\u21BB", "Refresh data"},
};

} // namespace

struct TDBNavigator::Impl {
    class Link : public TDataLink {
    public:
        explicit Link(TDBNavigator* n) : FNav(n) {}
        TDBNavigator* FNav;

    protected:
        void ActiveChanged() override { FNav->UpdateButtons(); }
        void DataSetChanged() override { FNav->UpdateButtons(); }
        // Inside an operation (its state changed, the record not yet reloaded).
        void EditingChanged() override { FNav->UpdateButtons(false); }
        void RecordChanged(TField*) override { FNav->UpdateButtons(false); }
    };
    explicit Impl(TDBNavigator* n) : link(n) {}
    Link link;
    QToolButton* buttons[10] = {};
};

TDBNavigator::TDBNavigator(TComponent* AOwner)
    : TWinControl(AOwner), FImpl(std::make_unique<Impl>(this)) {
    if (Application->HasWidgets()) {
        auto* w = new QWidget;
        auto* lay = new QHBoxLayout(w);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->setSpacing(1);
        for (int i = 0; i < 10; ++i) {
            auto* b = new QToolButton(w);
            b->setText(QString::fromUtf8(kButtons[i].glyph));
            b->setToolTip(QString::fromUtf8(kButtons[i].hint));
            b->setAutoRaise(false);
            b->setMinimumWidth(26);
            b->setFocusPolicy(Qt::NoFocus);
            QObject::connect(b, &QToolButton::clicked, w,
                             [this, i] { BtnClick(static_cast<TNavigateBtn>(i)); });
            lay->addWidget(b);
            FImpl->buttons[i] = b;
        }
        lay->addStretch(1);
        AttachWidget(w);
    }
    SetDefaultSize(10 * 27, 25);
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
    FImpl->link.SetDataSource(nullptr);
}

TDataSource* TDBNavigator::DataSource() const {
    return FImpl->link.DataSource();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    FImpl->link.SetDataSource(source);
    UpdateButtons();
}

TDataSet* TDBNavigator::DataSet() const {
    return FImpl->link.Active() ? FImpl->link.DataSet() : nullptr;
}

void TDBNavigator::SetVisibleButtons(TNavButtonSet buttons) {
    FVisible = buttons & kAllNavButtons;
    int shown = 0;
    for (int i = 0; i < 10; ++i) {
        if (FImpl->buttons[i]) FImpl->buttons[i]->setVisible(FVisible & (1u << i));
        shown += (FVisible >> i) & 1;
    }
    SetWidth(shown * 27);
    UpdateButtons();
}

void TDBNavigator::UpdateButtons(bool findEnds) {
    TDataSet* ds = DataSet();
    TNavButtonSet on = 0;
    if (ds) {
        const TDataSetState s = ds->State();
        const bool editing = s == dsEdit || s == dsInsert;
        const bool canModify = ds->CanModify() && !FImpl->link.ReadOnly();
        const bool empty = ds->IsEmpty();
        bool first = ds->Bof(), last = ds->Eof();
        // Browsing, the ends are where the records end, however the record was reached (a
        // Cancel, a search, a click): Bof and Eof are only set by a move that ran into them.
        if (findEnds && s == dsBrowse && !empty && !(first && last)) {
            try {
                const TBookmark here = ds->GetBookmark();
                first = first || ds->FetchBookmarksBack(here, 1).empty();
                last = last || ds->FetchBookmarks(here, 1).empty();
            } catch (const std::exception&) {
                // The table cannot be read now; the operation that meets the fault reports it.
            }
        }
        if (!first) on |= (1u << nbFirst) | (1u << nbPrior);
        if (!last) on |= (1u << nbNext) | (1u << nbLast);
        if (canModify) {
            on |= 1u << nbInsert;
            if (!empty) on |= 1u << nbDelete;
            if (!editing && !empty) on |= 1u << nbEdit;
            if (editing) on |= (1u << nbPost) | (1u << nbCancel);
        }
        on |= 1u << nbRefresh;
    }
    FEnabled = on;
    for (int i = 0; i < 10; ++i)
        if (FImpl->buttons[i]) FImpl->buttons[i]->setEnabled(on & (1u << i));
}

bool TDBNavigator::Confirm(const std::string& text) {
    return MessageBox(text, "Confirm", MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}

bool TDBNavigator::DeleteClick() {
    TDataSet* ds = DataSet();
    if (!ds) return false;
    if (ConfirmDelete && !Confirm("Delete Record ?")) return false;
    ds->Delete();
    return true;
}

void TDBNavigator::BtnClick(TNavigateBtn b) {
    UpdateButtons();
    if (!ButtonVisible(b) || !ButtonEnabled(b)) return;
    TDataSet* ds = DataSet();
    if (!ds) return;
    try {
        switch (b) {
        case nbFirst:
            ds->First();
            break;
        case nbPrior:
            ds->Prior();
            break;
        case nbNext:
            ds->Next();
            break;
        case nbLast:
            ds->Last();
            break;
        case nbInsert:
            ds->Insert();
            break;
        case nbDelete:
            DeleteClick();
            break;
        case nbEdit:
            ds->Edit();
            break;
        case nbPost:
            ds->Post();
            break;
        case nbCancel:
            ds->Cancel();
            break;
        case nbRefresh:
            ds->Refresh();
            break;
        }
    } catch (const std::exception& e) {
        ds->HandleException(e);
    }
    UpdateButtons();
    FireEvent(OnClick, this, b);
}
