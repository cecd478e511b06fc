#include "platform/data/fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/data/dataset.h"
#include "platform/data/stream.h"
#include "platform/os/utf8.h"

namespace {

template <class T> T Load(const std::uint8_t* p) {
    T v{};
    std::memcpy(&v, p, sizeof v);
    return v;
}

// A field's native value in a local buffer, read or written through the dataset.
struct ValueBuffer {
    explicit ValueBuffer(const TField& f) : bytes(static_cast<std::size_t>(f.DataSize()) + 1, 0) {}
    std::vector<std::uint8_t> bytes;
    std::uint8_t* data() { return bytes.data(); }
};

template <class T> bool ReadValue(const TField& f, T& v) {
    ValueBuffer b(f);
    if (!f.GetData(b.data())) return false;
    v = Load<T>(b.data());
    return true;
}

template <class T> void WriteValue(TField& f, T v) {
    f.SetData(&v);
}

std::string StrOfInt(std::int64_t v) {
    return std::to_string(v);
}

} // namespace

// ---- TField ----

TField::TField(TFieldType type, int size) : FDataType(type), FSize(size) {}

TField::~TField() = default;

const std::string& TField::DisplayName() const {
    return FDisplayLabel.empty() ? FFieldName : FDisplayLabel;
}

void TField::SetSize(int size) {
    if (!IsValidSize(size))
        DatabaseError("Invalid size " + std::to_string(size) + " for field '" + DisplayName() +
                      "'");
    FSize = size;
}

bool TField::IsValidSize(int size) const {
    return size >= 0;
}

int TField::DataSize() const {
    return 0;
}

bool TField::CanModify() const {
    return !FReadOnly && FFieldKind != fkCalculated && FDataSet != nullptr && FDataSet->Active() &&
           FDataSet->CanModify();
}

bool TField::GetData(void* buffer) const {
    if (FInValidate) {
        if (FValidating == nullptr) return false;
        if (buffer != nullptr)
            std::memcpy(buffer, FValidating, static_cast<std::size_t>(DataSize()));
        return true;
    }
    if (FDataSet == nullptr) DatabaseError("Field '" + DisplayName() + "' has no dataset");
    return FDataSet->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
    if (FDataSet == nullptr) DatabaseError("Field '" + DisplayName() + "' has no dataset");
    FDataSet->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    FValidating = buffer;
    FInValidate = true;
    try {
        OnValidate(*this);
    } catch (...) {
        FInValidate = false;
        FValidating = nullptr;
        throw;
    }
    FInValidate = false;
    FValidating = nullptr;
}

void TField::Change() {
    if (OnChange) OnChange(*this);
}

bool TField::IsNull() const {
    ValueBuffer b(*this);
    return !GetData(b.data());
}

void TField::AccessError(const char* typeName) const {
    DatabaseError("Cannot access field '" + DisplayName() + "' as type " + typeName);
}

void TField::RangeError(const std::string& value, const std::string& low,
                        const std::string& high) const {
    DatabaseError(value + " is not a valid value for field '" + DisplayName() +
                  "'. The allowed range is " + low + " to " + high);
}

void TField::ConvertError(std::string_view text, const char* kind) const {
    DatabaseError("'" + std::string(text) + "' is not a valid " + kind + " value for field '" +
                  DisplayName() + "'");
}

std::string TField::AsString() const {
    AccessError("String");
}
void TField::SetAsString(std::string_view) {
    AccessError("String");
}
std::int64_t TField::AsLargeInt() const {
    AccessError("Integer");
}
void TField::SetAsLargeInt(std::int64_t) {
    AccessError("Integer");
}
double TField::AsFloat() const {
    AccessError("Float");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
bool TField::AsBoolean() const {
    AccessError("Boolean");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}
TDateTime TField::AsDateTime() const {
    AccessError("DateTime");
}
void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}
Variant TField::Value() const {
    return IsNull() ? Variant{} : Variant{AsString()};
}

int TField::AsInteger() const {
    const std::int64_t v = AsLargeInt();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        RangeError(StrOfInt(v), StrOfInt(std::numeric_limits<int>::min()),
                   StrOfInt(std::numeric_limits<int>::max()));
    return static_cast<int>(v);
}

void TField::SetValue(const Variant& value) {
    struct Visitor {
        TField& f;
        void operator()(std::monostate) { f.Clear(); }
        void operator()(bool v) { f.SetAsBoolean(v); }
        void operator()(std::int64_t v) { f.SetAsLargeInt(v); }
        void operator()(double v) { f.SetAsFloat(v); }
        void operator()(const std::string& v) { f.SetAsString(v); }
        void operator()(TVarDate v) { f.SetAsDateTime(v.Value); }
    };
    std::visit(Visitor{*this}, value);
}

std::string TField::GetText(bool /*displayText*/) const {
    return AsString();
}

std::string TField::TextOf(bool displayText) const {
    std::string text;
    if (OnGetText) {
        OnGetText(*this, text, displayText);
    } else {
        text = GetText(displayText);
    }
    return text;
}

void TField::SetText(std::string_view text) {
    if (OnSetText) {
        OnSetText(*this, text);
    } else {
        SetAsString(text);
    }
}

// ---- TStringField ----

std::string TStringField::AsString() const {
    ValueBuffer b(*this);
    if (!GetData(b.data())) return {};
    return std::string(reinterpret_cast<const char*>(b.data()));
}

void TStringField::SetAsString(std::string_view value) {
    std::string v = os::Utf8Left(value, static_cast<std::size_t>(Size()));
    v.erase(std::find(v.begin(), v.end(), '\0'), v.end());
    SetData(v.c_str());
}

std::int64_t TStringField::AsLargeInt() const {
    std::int64_t v = 0;
    const std::string s = AsString();
    if (!TextToInt64(s, v)) ConvertError(s, "integer");
    return v;
}

void TStringField::SetAsLargeInt(std::int64_t value) {
    SetAsString(StrOfInt(value));
}

double TStringField::AsFloat() const {
    double v = 0;
    const std::string s = AsString();
    if (!TextToFloat(s, v)) ConvertError(s, "floating point");
    return v;
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToText(value));
}

bool TStringField::AsBoolean() const {
    const std::string s = AsString();
    return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y');
}

void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "T" : "F");
}

Variant TStringField::Value() const {
    ValueBuffer b(*this);
    if (!GetData(b.data())) return {};
    return std::string(reinterpret_cast<const char*>(b.data()));
}

// ---- numbers ----

void TNumericField::SetAsString(std::string_view value) {
    if (value.find_first_not_of(" \t") == std::string_view::npos) {
        Clear();
        return;
    }
    if (DataType() == ftFloat) {
        double v = 0;
        if (!TextToFloat(value, v)) ConvertError(value, "floating point");
        SetAsFloat(v);
    } else {
        std::int64_t v = 0;
        if (!TextToInt64(value, v)) ConvertError(value, "integer");
        SetAsLargeInt(v);
    }
}

std::int64_t TIntegerField::AsLargeInt() const {
    std::int32_t v = 0;
    return ReadValue(*this, v) ? v : 0;
}

void TIntegerField::SetAsLargeInt(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        RangeError(StrOfInt(value), StrOfInt(std::numeric_limits<std::int32_t>::min()),
                   StrOfInt(std::numeric_limits<std::int32_t>::max()));
    WriteValue(*this, static_cast<std::int32_t>(value));
}

void TIntegerField::SetAsFloat(double value) {
    const double r = std::nearbyint(value);
    if (!std::isfinite(r) || r < -9.2e18 || r > 9.2e18)
        RangeError(FloatToText(value), "-9.2E18", "9.2E18");
    SetAsLargeInt(static_cast<std::int64_t>(r));
}

std::string TIntegerField::AsString() const {
    return IsNull() ? std::string() : StrOfInt(AsLargeInt());
}

Variant TIntegerField::Value() const {
    if (IsNull()) return {};
    return AsLargeInt();
}

std::int64_t TLargeintField::AsLargeInt() const {
    std::int64_t v = 0;
    return ReadValue(*this, v) ? v : 0;
}

void TLargeintField::SetAsLargeInt(std::int64_t value) {
    WriteValue(*this, value);
}

double TFloatField::AsFloat() const {
    double v = 0;
    return ReadValue(*this, v) ? v : 0;
}

void TFloatField::SetAsFloat(double value) {
    if (!std::isfinite(value)) RangeError(FloatToText(value), "-1.7E308", "1.7E308");
    WriteValue(*this, value);
}

std::int64_t TFloatField::AsLargeInt() const {
    const double r = std::nearbyint(AsFloat());
    if (r < -9.2e18 || r > 9.2e18) RangeError(FloatToText(r), "-9.2E18", "9.2E18");
    return static_cast<std::int64_t>(r);
}

std::string TFloatField::AsString() const {
    double v = 0;
    if (!ReadValue(*this, v)) return {};
    return Decimals >= 0 ? FloatToFixed(v, Decimals) : FloatToText(v, Precision);
}

void TFloatField::SetAsString(std::string_view value) {
    TNumericField::SetAsString(value);
}

Variant TFloatField::Value() const {
    double v = 0;
    if (!ReadValue(*this, v)) return {};
    return v;
}

// ---- TBooleanField ----

bool TBooleanField::AsBoolean() const {
    std::int16_t v = 0;
    return ReadValue(*this, v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    WriteValue(*this, static_cast<std::int16_t>(value ? 1 : 0));
}

std::string TBooleanField::AsString() const {
    std::int16_t v = 0;
    if (!ReadValue(*this, v)) return {};
    return v != 0 ? FTrue : FFalse;
}

void TBooleanField::SetAsString(std::string_view value) {
    if (value.empty()) {
        Clear();
        return;
    }
    auto starts = [&](const std::string& full) {
        return full.size() >= value.size() &&
               os::SameTextNoCase(std::string_view(full).substr(0, value.size()), value);
    };
    if (starts(FFalse)) {
        SetAsBoolean(false);
    } else if (starts(FTrue)) {
        SetAsBoolean(true);
    } else {
        ConvertError(value, "boolean");
    }
}

Variant TBooleanField::Value() const {
    std::int16_t v = 0;
    if (!ReadValue(*this, v)) return {};
    return v != 0;
}

void TBooleanField::SetDisplayValues(std::string_view values) {
    FDisplayValues = values;
    if (values.empty()) {
        FTrue = "True";
        FFalse = "False";
        return;
    }
    const std::size_t semi = values.find(';');
    FTrue = std::string(values.substr(0, semi));
    FFalse = semi == std::string_view::npos ? std::string() : std::string(values.substr(semi + 1));
}

// ---- TDateField ----

TDateTime TDateField::AsDateTime() const {
    double v = 0;
    return ReadValue(*this, v) ? v : 0;
}

void TDateField::SetAsDateTime(TDateTime value) {
    int y = 0, m = 0, d = 0;
    if (!DecodeDate(value, y, m, d)) RangeError(FloatToText(value), "0001-01-01", "9999-12-31");
    WriteValue(*this, std::floor(value));
}

std::string TDateField::AsString() const {
    double v = 0;
    if (!ReadValue(*this, v)) return {};
    return DateToText(v);
}

void TDateField::SetAsString(std::string_view value) {
    if (value.find_first_not_of(" \t") == std::string_view::npos) {
        Clear();
        return;
    }
    TDateTime d = 0;
    if (!TextToDate(value, d)) ConvertError(value, "date");
    SetAsDateTime(d);
}

Variant TDateField::Value() const {
    double v = 0;
    if (!ReadValue(*this, v)) return {};
    return TVarDate{v};
}

// ---- blobs ----

bool TBlobField::IsNull() const {
    std::int32_t ref = 0;
    if (!ReadValue(*this, ref) || ref == 0) return true;
    // A reference may lead to an empty blob: the stream knows, where the dataset has one.
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    return s && s->Size() == 0;
}

std::string TBlobField::AsString() const {
    std::string out;
    if (DataSet() == nullptr) return out;
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    if (!s) return out;
    char chunk[4096];
    for (std::int64_t n; (n = s->Read(chunk, sizeof chunk)) > 0;)
        out.append(chunk, static_cast<std::size_t>(n));
    return out;
}

void TBlobField::SetAsString(std::string_view value) {
    if (DataSet() == nullptr) DatabaseError("Field '" + DisplayName() + "' has no dataset");
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmWrite);
    if (!s) AccessError("Blob");
    s->WriteBuffer(value.data(), static_cast<std::int64_t>(value.size()));
}

Variant TBlobField::Value() const {
    if (IsNull()) return {};
    return AsString();
}

void TBlobField::LoadFromStream(TStream& stream) {
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(this, bmWrite);
    if (!s) AccessError("Blob");
    s->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream& stream) const {
    std::unique_ptr<TStream> s = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    if (s) stream.CopyFrom(*s, 0);
}

std::string TBlobField::GetText(bool /*displayText*/) const {
    return IsNull() ? "(blob)" : "(BLOB)";
}

std::string TMemoField::GetText(bool displayText) const {
    if (!displayText) return AsString();
    return IsNull() ? "(memo)" : "(MEMO)";
}

// ---- lists ----

std::unique_ptr<TField> DefaultFieldOf(TFieldType type) {
    switch (type) {
    case ftString:
        return std::make_unique<TStringField>();
    case ftInteger:
        return std::make_unique<TIntegerField>();
    case ftLargeint:
        return std::make_unique<TLargeintField>();
    case ftFloat:
        return std::make_unique<TFloatField>();
    case ftBoolean:
        return std::make_unique<TBooleanField>();
    case ftDate:
        return std::make_unique<TDateField>();
    case ftMemo:
        return std::make_unique<TMemoField>();
    case ftBlob:
        return std::make_unique<TBlobField>();
    default:
        return nullptr;
    }
}

TField* TFields::FindField(std::string_view name) const {
    for (const auto& f : FItems)
        if (os::SameTextNoCase(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
    TField* f = FindField(name);
    if (f == nullptr) FieldNotFoundError(name);
    return f;
}

TField* TFields::Add(std::unique_ptr<TField> field) {
    FItems.push_back(std::move(field));
    return FItems.back().get();
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const {
    for (const TFieldDef& d : FItems)
        if (os::SameTextNoCase(d.Name, name)) return &d;
    return nullptr;
}
