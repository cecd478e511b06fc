#pragma once
// TDataSource connects a dataset with the controls that show it; each control holds a data link
// on the source. The dataset's data events reach the source, which fires its own events and
// passes them to every link as the link's notifications (active changed, record changed,
// scrolled, editing changed, update data...).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/db.h"

class TDataSet;
class TDataLink;
class TField;

class TDataSource {
public:
    TDataSource() = default;
    explicit TDataSource(TDataSet* dataset) { SetDataSet(dataset); }
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataset);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool on);
    // Controls may start editing when the user types (else Edit must be called first).
    bool AutoEdit = true;
    // The dataset's state; dsInactive without an enabled, open dataset.
    TDataSetState State() const;
    // Starts editing the dataset when AutoEdit allows it.
    void Edit();

    std::function<void(TDataSource&)> OnStateChange;
    std::function<void(TDataSource&, TField* field)> OnDataChange;
    std::function<void(TDataSource&)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, TField* field, int distance);
    void NotifyLinks(TDataEvent event, TField* field, int distance);

    TDataSet* FDataSet = nullptr;
    bool FEnabled = true;
    std::vector<TDataLink*> FLinks;
};

class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // The source is enabled and its dataset open.
    bool Active() const { return FActive; }
    // The dataset is in an edit state and the link is not read-only.
    bool Editing() const { return FEditing; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool on);
    // Puts the dataset into edit state (when allowed); true when the link is then editing.
    bool Edit();
    // Hands the link's pending edit to the dataset (UpdateData), as the dataset asks on post.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* /*field*/) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    void DataEvent(TDataEvent event, TField* field, int distance);
    void UpdateState();

    TDataSource* FDataSource = nullptr;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};

// The link of a control that shows one field.
class TFieldDataLink : public TDataLink {
public:
    const std::string& FieldName() const { return FFieldName; }
    void SetFieldName(std::string_view name);
    // The field, nullptr while inactive or when the name is unknown.
    TField* Field() const { return FField; }
    // The field can be changed: link, field and dataset allow it.
    bool CanModify() const;
    // The control's text differs from the field: the link asks for UpdateData on post.
    bool Modified() const { return FModified; }
    void Modified(bool on) { FModified = on; }
    // Drops the control's change: the field's value is shown again.
    void Reset();

    std::function<void()> OnDataChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnEditingChange;
    std::function<void()> OnActiveChange;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void BindField();
    std::string FFieldName;
    TField* FField = nullptr;
    bool FModified = false;
};
