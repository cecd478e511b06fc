#pragma once
// Fields of a dataset: one object per column, reading and writing the value of the dataset's
// current record (or of the record a calculation or a display is working on) through the
// dataset, with texts for display and editing, read-only and validation.
//
// A field's value travels between field and dataset in its native form (DataSize bytes):
//   ftString           UTF-8 text, NUL-terminated (Size characters, up to 4 bytes each)
//   ftInteger          int32          ftLargeint   int64
//   ftFloat            double         ftDate       double (TDateTime)
//   ftBoolean          int16, 0 or 1
//   ftMemo, ftBlob     int32 reference of the blob (0: none); the bytes go through streams
// GetData returns false for a null value. While OnValidate runs, reading the field gives the
// value being stored, so a handler can inspect it and refuse it by raising.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/db.h"

class TDataSet;
class TStream;

class TField {
public:
    TField(TFieldType type, int size);
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return FFieldName; }
    void SetFieldName(std::string_view name) { FFieldName = name; }
    const std::string& DisplayLabel() const { return FDisplayLabel; }
    void SetDisplayLabel(std::string_view label) { FDisplayLabel = label; }
    // The label, or the field name when there is none.
    const std::string& DisplayName() const;
    // 1-based position in the dataset's field definitions; 0 for a calculated field.
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int n) { FFieldNo = n; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind kind) { FFieldKind = kind; }
    bool Calculated() const { return FFieldKind == fkCalculated; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    // Refused ("Invalid field size") when the field class does not accept the size.
    void SetSize(int size);
    virtual int DataSize() const;
    // Place of a calculated field's value in the dataset's calculated-field section.
    int Offset() const { return FOffset; }
    void SetOffset(int offset) { FOffset = offset; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool on) { FReadOnly = on; }
    bool Visible = true;
    int DisplayWidth = 0;

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* dataset) { FDataSet = dataset; }
    // A data field, not read-only, of an open dataset that can be modified.
    bool CanModify() const;

    virtual bool IsNull() const;
    virtual std::string AsString() const;
    virtual void SetAsString(std::string_view value);
    virtual std::int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(std::int64_t value);
    // AsLargeInt within 32 bits, else "... is not a valid value".
    int AsInteger() const;
    void SetAsInteger(int value) { SetAsLargeInt(value); }
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    // Null, or the value in the variant kind of the field's type.
    virtual Variant Value() const;
    void SetValue(const Variant& value);

    // The text shown in views (OnGetText may change it) and the text for editing.
    std::string DisplayText() const { return TextOf(true); }
    std::string Text() const { return TextOf(false); }
    // Through OnSetText when assigned, else the field's own conversion of the text.
    void SetText(std::string_view text);
    void Clear() { SetData(nullptr); }

    bool GetData(void* buffer) const;
    void SetData(const void* buffer);
    // Runs OnValidate with buffer as the field's value (nullptr: null).
    void Validate(const void* buffer);
    // Called by the dataset after the value changed.
    void Change();

    std::function<void(TField&)> OnChange;
    std::function<void(TField&)> OnValidate;
    std::function<void(const TField&, std::string& text, bool displayText)> OnGetText;
    std::function<void(TField&, std::string_view text)> OnSetText;

protected:
    virtual std::string GetText(bool displayText) const;
    virtual bool IsValidSize(int size) const;
    [[noreturn]] void AccessError(const char* typeName) const;
    [[noreturn]] void RangeError(const std::string& value, const std::string& low,
                                 const std::string& high) const;
    [[noreturn]] void ConvertError(std::string_view text, const char* kind) const;

private:
    std::string TextOf(bool displayText) const;

    std::string FFieldName;
    std::string FDisplayLabel;
    TFieldType FDataType;
    int FSize;
    int FFieldNo = 0;
    int FOffset = 0;
    TFieldKind FFieldKind = fkData;
    bool FReadOnly = false;
    TDataSet* FDataSet = nullptr;
    const void* FValidating = nullptr; // the value under validation
    bool FInValidate = false;
};

class TStringField : public TField {
public:
    explicit TStringField(int size = 20) : TField(ftString, size) {}
    int DataSize() const override { return Size() * 4 + 1; }
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    Variant Value() const override;

protected:
    bool IsValidSize(int size) const override { return size >= 0 && size <= 8192; }
};

// Common part of the number fields: texts, and conversions between the number kinds.
class TNumericField : public TField {
public:
    using TField::TField;
    void SetAsString(std::string_view value) override;
    bool AsBoolean() const override { return AsFloat() != 0; }
};

class TIntegerField : public TNumericField {
public:
    TIntegerField() : TNumericField(ftInteger, 0) {}
    int DataSize() const override { return 4; }
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override;
    double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
    void SetAsFloat(double value) override;
    std::string AsString() const override;
    Variant Value() const override;

protected:
    TIntegerField(TFieldType type) : TNumericField(type, 0) {}
    bool IsValidSize(int size) const override { return size == 0; }
};

class TLargeintField : public TIntegerField {
public:
    TLargeintField() : TIntegerField(ftLargeint) {}
    int DataSize() const override { return 8; }
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override;
};

class TFloatField : public TNumericField {
public:
    TFloatField() : TNumericField(ftFloat, 0) {}
    int DataSize() const override { return 8; }
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    std::int64_t AsLargeInt() const override;
    void SetAsLargeInt(std::int64_t value) override { SetAsFloat(static_cast<double>(value)); }
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    Variant Value() const override;
    int Precision = 15; // significant digits of the texts
    int Decimals = -1;  // fixed decimals of the texts instead (a table's declared decimals)

protected:
    bool IsValidSize(int size) const override { return size == 0; }
};

class TBooleanField : public TField {
public:
    TBooleanField() : TField(ftBoolean, 0) {}
    int DataSize() const override { return 2; }
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    std::string AsString() const override;
    // Empty text clears; else compared without letter case with the start of the true and
    // false texts.
    void SetAsString(std::string_view value) override;
    Variant Value() const override;
    // "true text;false text"; empty gives "True;False".
    const std::string& DisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(std::string_view values);
    const std::string& TrueText() const { return FTrue; }
    const std::string& FalseText() const { return FFalse; }

protected:
    bool IsValidSize(int size) const override { return size == 0; }

private:
    std::string FDisplayValues;
    std::string FTrue = "True";
    std::string FFalse = "False";
};

class TDateField : public TField {
public:
    TDateField() : TField(ftDate, 0) {}
    int DataSize() const override { return 8; }
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    double AsFloat() const override { return AsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    // The date in FormatSettings.ShortDateFormat; empty when null.
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    Variant Value() const override;

protected:
    bool IsValidSize(int size) const override { return size == 0; }
};

// A blob's bytes are reached through the dataset's blob stream; the field's own data is the
// blob's reference, 0 when the record has none. Null: no reference, or an empty blob.
class TBlobField : public TField {
public:
    TBlobField() : TField(ftBlob, 0) {}
    int DataSize() const override { return 4; }
    bool IsNull() const override;
    // The whole blob (empty without one, or when the dataset gives no stream).
    std::string AsString() const override;
    void SetAsString(std::string_view value) override;
    Variant Value() const override;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;

protected:
    explicit TBlobField(TFieldType type) : TField(type, 0) {}
    // "(BLOB)" with a value, "(blob)" without.
    std::string GetText(bool displayText) const override;
    bool IsValidSize(int size) const override { return size >= 0; }
};

class TMemoField : public TBlobField {
public:
    TMemoField() : TBlobField(ftMemo) {}

protected:
    // Views show "(MEMO)" or "(memo)"; editing gets the text.
    std::string GetText(bool displayText) const override;
};

// A new field of the standard class for a type (nullptr for ftUnknown).
std::unique_ptr<TField> DefaultFieldOf(TFieldType type);

// The dataset's fields in order; owns them.
class TFields {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    // Checked: an index outside 0..Count()-1 throws std::out_of_range.
    TField* operator[](int index) const { return FItems.at(index).get(); }
    // Found without regard to letter case; nullptr when absent.
    TField* FindField(std::string_view name) const;
    // As FindField, else "Field 'NAME' not found".
    TField* FieldByName(std::string_view name) const;
    TField* Add(std::unique_ptr<TField> field);
    void Clear() { FItems.clear(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<std::unique_ptr<TField>> FItems;
};

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int Decimals = 0; // of a number
    bool Required = false;
    int FieldNo = 0;
};

class TFieldDefs {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const TFieldDef& operator[](int index) const { return FItems.at(index); }
    const TFieldDef* Find(std::string_view name) const;
    void Add(const TFieldDef& def) { FItems.push_back(def); }
    void Clear() { FItems.clear(); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }
    // False marks the definitions out of date: the dataset fills them again when it opens.
    bool Updated = false;

private:
    std::vector<TFieldDef> FItems;
};
