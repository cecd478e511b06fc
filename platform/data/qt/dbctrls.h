#pragma once
// TDBNavigator: a tool bar of record buttons over a data source (first, prior, next, last,
// insert, delete, edit, post, cancel, refresh), each enabled by the dataset's state: moving
// back needs a record before, insert and delete a dataset that can be modified, post and
// cancel an edit in progress. The engine's navigator (unit atznav) turns Delete into a
// delete/restore toggle through DeleteClick.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/gui/controls.h"

class TDataSource;
class TDataSet;

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
using TNavButtonSet = unsigned; // bit (1 << TNavigateBtn)
constexpr TNavButtonSet kAllNavButtons = (1u << 10) - 1;

class TDBNavigator : public TWinControl {
public:
    explicit TDBNavigator(TComponent* AOwner);
    ~TDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    TNavButtonSet VisibleButtons() const { return FVisible; }
    void SetVisibleButtons(TNavButtonSet buttons);
    // Delete asks "Delete Record ?" first.
    bool ConfirmDelete = true;

    // The button as a person sees it.
    bool ButtonVisible(TNavigateBtn b) const { return FVisible & (1u << b); }
    bool ButtonEnabled(TNavigateBtn b) const { return FEnabled & (1u << b); }
    // A click on a button (nothing when it is hidden or disabled): its action, then OnClick.
    void BtnClick(TNavigateBtn b);

    std::function<void(TObject* Sender, TNavigateBtn button)> OnClick;

    // Layer internals. findEnds: look for the records before and after the current one (only
    // once an operation is over, as the cursor is moved for it); else Bof and Eof tell.
    void UpdateButtons(bool findEnds = true);

protected:
    // The Delete button's action; true when it ran (OnClick follows).
    virtual bool DeleteClick();
    // A confirmation with OK and Cancel; false on Cancel.
    static bool Confirm(const std::string& text);

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    TNavButtonSet FVisible = kAllNavButtons;
    TNavButtonSet FEnabled = 0;
};
