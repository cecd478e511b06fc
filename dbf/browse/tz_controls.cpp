#include "dbf/browse/tz_controls.h"

#include "dbf/base/runtime.h"
#include "dbf/dataset/table_dataset.h"
#include "framework/ui/questions.h"

namespace dbf {

TTzDataSet* TTzGrid::TzDataSet() const {
    return dynamic_cast<TTzDataSet*>(DataSet());
}

bool TTzGrid::DisplayedRecordDeleted() {
    TTzDataSet* ds = TzDataSet();
    return ds && ds->IsDeleted();
}

bool TTzGrid::CurrentRecordDeleted() {
    TTzDataSet* ds = TzDataSet();
    return ds && !ds->IsEmpty() && ds->IsDeleted();
}

void TTzGrid::RestoreCurrentRecord() {
    TTzDataSet* ds = TzDataSet();
    if (ds && ds->CanModify()) ds->SetIsDeleted(false);
}

std::string TTzGrid::DateEditMask() {
    const std::string year = FourDigitYears ? "9999" : "99";
    char sep = '/';
    for (char c : EmptyDate(DateFormat))
        if (c != ' ') {
            sep = c;
            break;
        }
    const std::string s(1, sep);
    if (DateFormat == 1) return year + s + "99" + s + "99;1; ";
    return "99" + s + "99" + s + year + ";1; ";
}

std::string TTzGrid::CellTextProblem(const TField& field, const std::string& text) {
    TTzDataSet* ds = TzDataSet();
    if (ds == nullptr) return {};
    const std::string table = "the table " + ds->DbfFileName();
    if (const std::string lost = ds->Unholdable(text); !lost.empty())
        return CodePageProblem(field.FieldName(), table, lost, ds->TextPage());
    // Typing stops at a text field's end; a longer text (pasted, or set as typed) is never cut.
    return field.DataType() == ftString ? LengthProblem(field.FieldName(), text, field.Size(), table)
                                        : std::string();
}

bool TTzNavigator::DeleteClick() {
    auto* ds = dynamic_cast<TTzDataSet*>(DataSet());
    if (!ds || !ds->CanModify()) return TDBNavigator::DeleteClick();
    if (ds->IsDeleted()) {
        if (ConfirmRestore && !Confirm("Restore Record ?")) return false;
        ds->SetIsDeleted(false);
    } else {
        if (ConfirmDelete && !Confirm("Delete Record ?")) return false;
        ds->SetIsDeleted(true);
    }
    return true;
}

} // namespace dbf
