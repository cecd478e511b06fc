#include "platform/data/datasource.h"

#include <algorithm>

#include "platform/data/dataset.h"

// ---- TDataSource ----

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    for (TDataLink* l : FLinks)
        l->FDataSource = nullptr;
}

void TDataSource::SetDataSet(TDataSet* dataset) {
    if (dataset == FDataSet) return;
    if (FDataSet != nullptr) {
        auto& v = FDataSet->FDataSources;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FDataSet = dataset;
    if (FDataSet != nullptr) FDataSet->FDataSources.push_back(this);
    NotifyLinks(deUpdateState, nullptr, 0);
}

void TDataSource::SetEnabled(bool on) {
    if (on == FEnabled) return;
    FEnabled = on;
    NotifyLinks(deUpdateState, nullptr, 0);
}

TDataSetState TDataSource::State() const {
    return FEnabled && FDataSet != nullptr ? FDataSet->State() : dsInactive;
}

void TDataSource::Edit() {
    if (AutoEdit && State() == dsBrowse) FDataSet->Edit();
}

void TDataSource::DataEvent(TDataEvent event, TField* field, int distance) {
    if (event == deUpdateState) {
        if (OnStateChange) OnStateChange(*this);
    } else if (FEnabled &&
               (event == deFieldChange || event == deRecordChange || event == deDataSetChange ||
                event == deDataSetScroll || event == deLayoutChange)) {
        if (OnDataChange) OnDataChange(*this, event == deFieldChange ? field : nullptr);
    } else if (FEnabled && event == deUpdateRecord) {
        if (OnUpdateData) OnUpdateData(*this);
    }
    NotifyLinks(event, field, distance);
}

void TDataSource::NotifyLinks(TDataEvent event, TField* field, int distance) {
    const std::vector<TDataLink*> links = FLinks;
    for (TDataLink* l : links) {
        if (std::find(FLinks.begin(), FLinks.end(), l) != FLinks.end())
            l->DataEvent(event, field, distance);
    }
}

// ---- TDataLink ----

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == FDataSource) return;
    if (FDataSource != nullptr) {
        auto& v = FDataSource->FLinks;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FDataSource = source;
    if (FDataSource != nullptr) FDataSource->FLinks.push_back(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const {
    return FDataSource != nullptr ? FDataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool on) {
    if (on == FReadOnly) return;
    FReadOnly = on;
    UpdateState();
}

void TDataLink::UpdateState() {
    const TDataSetState s = FDataSource != nullptr ? FDataSource->State() : dsInactive;
    const bool active = s != dsInactive;
    if (active != FActive) {
        FActive = active;
        ActiveChanged();
    }
    const bool editing = !FReadOnly && (s == dsEdit || s == dsInsert || s == dsSetKey);
    if (editing != FEditing) {
        FEditing = editing;
        EditingChanged();
    }
}

bool TDataLink::Edit() {
    if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
    return FEditing;
}

void TDataLink::UpdateRecord() {
    FUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TDataLink::DataEvent(TDataEvent event, TField* field, int distance) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!FActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!FUpdating) RecordChanged(field);
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(distance);
        break;
    case deLayoutChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(field);
        break;
    default:
        break;
    }
}

// ---- TFieldDataLink ----

void TFieldDataLink::SetFieldName(std::string_view name) {
    if (name == FFieldName) return;
    FFieldName = name;
    BindField();
}

void TFieldDataLink::BindField() {
    TField* f = nullptr;
    if (Active() && !FFieldName.empty()) f = DataSet()->FindField(FFieldName);
    if (f == FField) return;
    FField = f;
    FModified = false;
    if (OnDataChange) OnDataChange();
}

bool TFieldDataLink::CanModify() const {
    return !ReadOnly() && FField != nullptr && FField->CanModify();
}

void TFieldDataLink::Reset() {
    FModified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::ActiveChanged() {
    BindField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::LayoutChanged() {
    BindField();
}

void TFieldDataLink::RecordChanged(TField* field) {
    if (field != nullptr && field != FField) return;
    FModified = false;
    if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData() {
    if (!FModified || FField == nullptr) return;
    if (OnUpdateData) OnUpdateData();
    FModified = false;
}
