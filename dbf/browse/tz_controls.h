#pragma once
// Units atzgrids and atznav: the engine's grid and navigator on the platform's data-aware
// controls. TTzGrid marks deleted records (red unless selected), restores one on Ctrl+Del and
// gives date columns the engine's date picture as their edit mask; TTzNavigator's Delete
// button deletes a record or restores a deleted one.

#include <string>

#include "platform/data/qt/dbctrls.h"
#include "platform/data/qt/dbgrids.h"

namespace dbf {

class TTzDataSet;

class TTzGrid : public TDBGrid {
public:
    using TDBGrid::TDBGrid;

protected:
    bool DisplayedRecordDeleted() override;
    bool CurrentRecordDeleted() override;
    void RestoreCurrentRecord() override;
    // "99/99/" and the year (9999 with four-digit years, else 99), ";1; "; year first in the
    // year-first format; the engine's date separator in place of "/".
    std::string DateEditMask() override;
    // Characters the table's code page lacks are refused, named, instead of being stored as "?".
    std::string CellTextProblem(const TField& field, const std::string& text) override;

private:
    TTzDataSet* TzDataSet() const;
};

class TTzNavigator : public TDBNavigator {
public:
    using TDBNavigator::TDBNavigator;
    // Restoring asks "Restore Record ?" first.
    bool ConfirmRestore = false;

protected:
    bool DeleteClick() override;
};

} // namespace dbf
