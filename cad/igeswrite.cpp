#include "cad/igeswrite.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "cad/cadstate.h"
#include "cad/dxfwrite.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"
#include "platform/os/errors.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"

namespace {

constexpr long long kMaxSequence = 9999999; // seven digits of the sequence number
constexpr std::size_t kParamWidth = 64;
constexpr std::size_t kDataWidth = 72;

// Status fields: visible, independent geometry; a member of a definition or a matrix that an
// instance uses; a definition that its instances use.
constexpr const char* kIndependent = "00000000";
constexpr const char* kSubordinate = "00010000";
constexpr const char* kDefinition = "00010200";

void AppendInt(std::string& out, long long n) {
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, n);
    out.append(tmp, static_cast<std::size_t>(res.ptr - tmp));
}

// One directory field: right-aligned in 8 columns, cut to 8 characters.
void Field(std::string& out, std::string_view text) {
    if (text.size() > 8) text = text.substr(0, 8);
    out.append(8 - text.size(), ' ');
    out += text;
}

void Field(std::string& out, long long n) {
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, n);
    Field(out, std::string_view(tmp, static_cast<std::size_t>(res.ptr - tmp)));
}

long double Largest(std::initializer_list<long double> values) {
    long double m = 0;
    for (long double v : values)
        m = std::max(m, fabsl(v));
    return m;
}

// Line weight in thousandths of a millimetre (the global section's 32767 gradations of
// 32.767 mm) of a line thickness on the screen: ISO 128 widths 0.25, 0.35, 0.5, 0.7 and 1 mm.
int WeightOfThickness(int px) {
    static const int kWidths[] = {250, 250, 350, 500, 700, 1000};
    return kWidths[std::clamp(px, 0, 5)];
}

std::string BlockKey(std::string_view name) {
    return UpperCaseStr(AsciiText(name).substr(0, 8));
}

} // namespace

int TIgesWriter::IgesColour(int index) {
    static const int kTable[15] = {2, 5, 3, 7, 4, 6, 0, 8, 10, 11, 12, 13, 14, 15, 1};
    return index >= 1 && index <= 15 ? kTable[index - 1] : 0;
}

std::string TIgesWriter::Hollerith(std::string_view s) {
    return IntToString(static_cast<std::int64_t>(s.size())) + "H" + std::string(s);
}

std::string TIgesWriter::DateField(const std::tm& t) {
    char tmp[32];
    std::snprintf(tmp, sizeof tmp, "%04d%02d%02d.%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return Hollerith(tmp);
}

std::string TIgesWriter::Author() {
    std::string name = TrimBlanks(AsciiText(DrawingInfo.Rows[1].Name.str()));
    if (name.empty()) name = TrimBlanks(AsciiText(os::LoginName()));
    return name;
}

TIgesWriter::~TIgesWriter() {
    Abandon();
}

void TIgesWriter::Reset() {
    dRecords_.Clear();
    pRecords_.Clear();
    failed_ = false;
    began_ = false;
    d_ = p_ = 0;
    currentDe_ = -1;
    paramPointer_ = 1;
    paramLines_ = 0;
    largest_ = 0;
    colour_ = 0;
    lineFont_ = 1;
    weight_ = 250;
    defining_ = nullptr;
    definitions_.clear(); // names of an earlier file are never found again
    bounds_.Clear();
}

bool TIgesWriter::Open(std::unique_ptr<TCadSink> sink) {
    Abandon();
    Reset();
    if (pRecords_.CreateFile("KELMIGES") != 0) {
        if (sink) sink->Discard();
        return false;
    }
    sink_ = std::move(sink);
    return sink_ != nullptr;
}

void TIgesWriter::Abandon() {
    if (sink_) sink_->Discard();
    sink_.reset();
    dRecords_.Clear();
    pRecords_.Clear();
    definitions_.clear();
    defining_ = nullptr;
}

int TIgesWriter::Close() {
    if (!sink_) return 0;
    if (defining_ != nullptr) EndBlock();
    std::string head;
    WriteStartAndGlobal(head);
    sink_->Write(head);
    if (!dRecords_.CopyTo(*sink_) || !pRecords_.CopyTo(*sink_)) failed_ = true;
    std::string counts;
    for (auto [letter, n] : {std::pair{'S', sCount_}, {'G', gCount_}, {'D', d_}, {'P', p_}}) {
        char tmp[16];
        std::snprintf(tmp, sizeof tmp, "%c%07lld", letter, n);
        counts += tmp;
    }
    long long t = 0;
    std::string tail;
    Record(tail, counts, "", 'T', t);
    sink_->Write(tail);
    int rc = 0;
    if (failed_) {
        sink_->Discard();
        rc = os::kErrWriteFault;
    } else {
        rc = sink_->Close();
    }
    sink_.reset();
    Abandon();
    if (rc != 0) AbortFlag = 1;
    return rc;
}

// ---- records -------------------------------------------------------------------------------

void TIgesWriter::Record(std::string& out, std::string_view data, std::string_view pointer,
                         char letter, long long& counter) {
    if (++counter > kMaxSequence) failed_ = true; // the file cannot number its records
    out += data;
    const long long pad = 80 - static_cast<long long>(data.size() + pointer.size()) - 8;
    if (pad > 0) out.append(static_cast<std::size_t>(pad), ' ');
    out += pointer;
    out += letter;
    char digits[7];
    long long n = counter;
    for (int i = 6; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    out.append(digits, 7);
    out += "\r\n";
}

// S and G data longer than a record continue on the next one, cut after a delimiter where
// one lies within the 72 columns.
void TIgesWriter::Wrapped(std::string& out, std::string_view data, char letter,
                          long long& counter) {
    while (data.size() > kDataWidth) {
        std::size_t cut = data.substr(0, kDataWidth).rfind(',');
        cut = cut == std::string_view::npos ? kDataWidth : cut + 1;
        Record(out, data.substr(0, cut), "", letter, counter);
        data.remove_prefix(cut);
    }
    Record(out, data, "", letter, counter);
}

void TIgesWriter::Params(std::string_view text) {
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, currentDe_);
    const std::string_view pointer(tmp, static_cast<std::size_t>(res.ptr - tmp));
    std::string& out = pRecords_.Memory();
    // A rest longer than 64 columns is cut after the last "," up to column 63, else after 64.
    while (text.size() > kParamWidth) {
        std::size_t cut = text.substr(0, kParamWidth - 1).rfind(',');
        cut = cut == std::string_view::npos ? kParamWidth : cut + 1;
        Record(out, text.substr(0, cut), pointer, 'P', p_);
        ++paramLines_;
        text.remove_prefix(cut);
    }
    Record(out, text, pointer, 'P', p_);
    ++paramLines_;
}

void TIgesWriter::AppendUnit(std::string& out, long double x) {
    AppendFixed(out, x, 15);
}

void TIgesWriter::Real(std::string& out, long double x) {
    AppendFixed(out, x, std::clamp<int>(CadDecimals, 3, 18));
}

long long TIgesWriter::WriteRecords(int type, const std::vector<std::string>& params,
                                    const TEntity& pen, std::string_view matrix,
                                    std::string_view form, std::string_view label,
                                    std::string_view status) {
    paramLines_ = 0;
    currentDe_ += 2;
    for (const std::string& piece : params)
        Params(piece);
    scratch_.clear();
    Field(scratch_, type);
    Field(scratch_, paramPointer_);
    Field(scratch_, "0"); // structure: none
    Field(scratch_, pen.lineFont);
    Field(scratch_, pen.colour);
    Field(scratch_, "");
    Field(scratch_, matrix);
    Field(scratch_, "");
    std::string& out = dRecords_.Memory();
    Record(out, scratch_, status, 'D', d_);
    scratch_.clear();
    Field(scratch_, type);
    Field(scratch_, pen.weight);
    Field(scratch_, pen.colour);
    Field(scratch_, paramLines_);
    Field(scratch_, form);
    Field(scratch_, "");
    Field(scratch_, "");
    Field(scratch_, label);
    Record(out, scratch_, "", 'D', d_);
    paramPointer_ += paramLines_;
    if (!dRecords_.Keep() || !pRecords_.Keep()) failed_ = true;
    return currentDe_;
}

// ---- entities, written or kept for a definition --------------------------------------------

TIgesWriter::TEntity TIgesWriter::NewEntity(int type, std::initializer_list<long double> v) {
    TEntity e;
    e.type = type;
    std::copy(v.begin(), v.begin() + std::min(v.size(), e.v.size()), e.v.begin());
    e.colour = colour_;
    e.lineFont = lineFont_;
    e.weight = weight_;
    return e;
}

void TIgesWriter::Put(TEntity&& e) {
    if (defining_ != nullptr)
        defining_->members.push_back(std::move(e));
    else if (e.type == 408)
        WriteInstance(e, 1, false);
    else
        WriteEntity(e, 1, false);
}

long long TIgesWriter::WriteEntity(const TEntity& e, long double k, bool subordinate) {
    const auto& v = e.v;
    // The pieces reuse their memory from entity to entity.
    std::vector<std::string>& params = params_;
    params.resize(1);
    params[0].clear();
    std::string& p = params[0];
    const char* matrix = "0";
    const char* form = "";
    TCadBounds extent;
    switch (e.type) {
    case 110:
        Put(p, "110,", k * v[0], ",", k * v[1], ",0.0,", k * v[2], ",", k * v[3], ",0.0;");
        matrix = "";
        extent.Line(k * v[0], k * v[1], k * v[2], k * v[3]);
        break;
    case 100:
        // Centre, start and end point; the arc's extent is v[6..9] (centre, start, sweep).
        Put(p, "100,0.0,", k * v[0], ",", k * v[1], ",", k * v[2], ",", k * v[3], ",", k * v[4],
            ",", k * v[5], ";");
        extent.Arc(k * v[0], k * v[1], v[6], v[7], k * v[8]);
        break;
    case 106: {
        form = "11";
        p = "106,1,5,0.0,";
        const int order[5] = {0, 1, 3, 2, 0}; // the outline 1-2-4-3-1
        for (int i = 0; i < 5; ++i) {
            params.emplace_back();
            Put(params.back(), k * v[2 * order[i]], ",", k * v[2 * order[i] + 1],
                i == 4 ? ";" : ",");
            extent.Point(k * v[2 * order[i]], k * v[2 * order[i] + 1]);
        }
        break;
    }
    case 212: {
        // x, y, characters' width factor, height, angle in degrees.
        const long double n = static_cast<long double>(e.text.size());
        const long double h = k * v[3];
        p = "212,1,";
        AppendInt(p, static_cast<long long>(e.text.size()));
        Put(p, ",", n * h * v[2], ",", h, ",1,,");
        AppendFixed(p, DegToRad(v[4]), 6);
        Put(p, ",0,0,", k * v[0], ",", k * v[1], ",0.0,");
        params.push_back(Hollerith(e.text) + ";");
        extent.Text(k * v[0], k * v[1], n, h, v[2], v[4]);
        break;
    }
    default:
        return 0;
    }
    largest_ = std::max(largest_, extent.Model().MaxAbs());
    return WriteRecords(e.type, params, e, matrix, form, "",
                        subordinate ? kSubordinate : kIndependent);
}

long long TIgesWriter::WriteInstance(const TEntity& e, long double k, bool subordinate) {
    const auto it = definitions_.find(BlockKey(e.text));
    if (it == definitions_.end()) return 0;
    // x, y, angle, scale x, scale y. The definition is written at the size it is placed in, so
    // that the instance itself needs no scale (a reader that drops a 408's scale still shows
    // it right); a negative scale becomes a turn or a mirror in the matrix.
    const long double x = k * e.v[0], y = k * e.v[1], angle = e.v[2];
    const long double mx = e.v[3] < 0 ? -1 : 1;
    const long double my = e.v[4] < 0 ? -1 : 1;
    const long long de = WriteDefinition(it->second, k * fabsl(e.v[3]));
    if (de == 0) return 0;
    std::vector<std::string> params(1, "408,");
    AppendInt(params[0], de);
    largest_ = std::max({largest_, fabsl(x), fabsl(y)});
    if (angle == 0 && mx > 0 && my > 0) {
        Put(params[0], ",", x, ",", y, ",0.0,1.0;");
        return WriteRecords(408, params, e, "", "", "", subordinate ? kSubordinate : kIndependent);
    }
    // Rotation (and reflection) with the position in a transformation matrix.
    Put(params[0], ",0.0,0.0,0.0,1.0;");
    const long double a = DegToRad(angle);
    const long double c = cosl(a);
    const long double s = sinl(a);
    std::vector<std::string> rows(3);
    Put(rows[0], "124,", Unit{c * mx}, ",", Unit{-s * my}, ",0.0,", x, ",");
    Put(rows[1], Unit{s * mx}, ",", Unit{c * my}, ",0.0,", y, ",");
    rows[2] = "0.0,0.0,1.0,0.0;";
    const long long matrix =
        WriteRecords(124, rows, e, "", mx * my < 0 ? "1" : "0", "", kSubordinate);
    return WriteRecords(408, params, e, IntToString(matrix), "", "",
                        subordinate ? kSubordinate : kIndependent);
}

long long TIgesWriter::WriteDefinition(TDefinition& def, long double k) {
    std::string scaleKey;
    AppendFixed(scaleKey, k, 15);
    if (const auto it = def.written.find(scaleKey); it != def.written.end()) return it->second;
    if (def.writing) return 0; // a block that places itself
    def.writing = true;
    std::vector<long long> members;
    int depth = 0;
    for (const TEntity& m : def.members) {
        const long long de = m.type == 408 ? WriteInstance(m, k, true) : WriteEntity(m, k, true);
        if (de == 0) continue;
        members.push_back(de);
        if (m.type == 408)
            depth = std::max(depth, definitions_.find(BlockKey(m.text))->second.depth + 1);
    }
    // The 308 itself: its depth, name and members, in groups of twelve.
    std::vector<std::string> params(1, "308,");
    AppendInt(params[0], depth);
    params[0] += "," + Hollerith(def.name) + ",";
    AppendInt(params[0], static_cast<long long>(members.size()));
    params[0] += members.empty() ? ";" : ",";
    for (std::size_t i = 0; i < members.size(); i += 12) {
        std::string group;
        const std::size_t end = std::min(members.size(), i + 12);
        for (std::size_t j = i; j < end; ++j) {
            AppendInt(group, members[j]);
            group += j + 1 == members.size() ? ";" : ",";
        }
        params.push_back(group);
    }
    TEntity pen;
    pen.colour = def.members.empty() ? 0 : def.members.front().colour;
    pen.weight = weight_;
    const long long de =
        WriteRecords(308, params, pen, "", "", def.name.substr(0, 8), kDefinition);
    def.written[scaleKey] = de;
    def.depth = depth;
    def.writing = false;
    return de;
}

// ---- sections ------------------------------------------------------------------------------

void TIgesWriter::BeginDrawing(long double xmin, long double ymin, long double xmax,
                               long double ymax) {
    if (!sink_ || began_) return; // once
    began_ = true;
    limits_[0] = xmin;
    limits_[1] = ymin;
    limits_[2] = xmax;
    limits_[3] = ymax;
}

void TIgesWriter::WriteStartAndGlobal(std::string& out) {
    long long& s = sCount_;
    s = 0;
    const std::string product = AsciiText(ProductTitle);
    const std::string line = "IGES-Datei generiert von " + product;
    Record(out, line.substr(0, 50), "", 'S', s);
    Record(out, "Uebersetzer von KELMORA GMBH, Uebersetzerversion 3.1", "", 'S', s);
    Record(out, "", "", 'S', s);

    const std::string file = AsciiText(BaseNameNoExt(TrimBlanks(CadFileName)));
    const std::string native = (product + " V").substr(0, 27) + AsciiText(VersionCode.str());
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const std::string date = DateField(today);
    // The largest coordinate of what was drawn (as placed, and as written in definitions),
    // rounded up so that no coordinate exceeds it.
    long double m = std::max(largest_, bounds_.Model().MaxAbs());
    if (m == 0 && began_) m = Largest({limits_[0], limits_[1], limits_[2], limits_[3]});
    std::string largest;
    AppendFixed(largest, ceill(m * 1000) / 1000, 3);

    std::string global = ",," + Hollerith("FILE") + "," + Hollerith(file) + "," +
                         Hollerith(native.substr(0, 33)) + ",,";
    global += "16,38,6,99,15,";
    global += Hollerith(file) + ",1.0,2," + Hollerith("MM") + ",32767,3.2767D1,";
    global += date + ",1.0D-8," + largest + ",";
    global += Hollerith(Author()) + "," + Hollerith("KELMORA GmbH") + ",11,0," + date + ";";
    gCount_ = 0;
    Wrapped(out, global, 'G', gCount_);
}

void TIgesWriter::BeginBlock(std::string_view name) {
    if (!sink_) return;
    if (defining_ != nullptr) EndBlock(); // a definition that was never ended
    const std::string full = AsciiText(name);
    TDefinition& def = definitions_[BlockKey(name)];
    def = TDefinition{};
    def.name = full;
    defining_ = &def;
    bounds_.BeginBlock(full);
}

void TIgesWriter::EndBlock() {
    if (!sink_ || defining_ == nullptr) return;
    defining_ = nullptr;
    bounds_.EndBlock();
}

void TIgesWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    if (!sink_ || !Valid({x1, y1, x2, y2})) return;
    bounds_.Line(x1, y1, x2, y2);
    Put(NewEntity(110, {x1, y1, x2, y2}));
}

void TIgesWriter::Circle(long double x, long double y, long double r) {
    if (!sink_ || !Valid({x, y, r})) return;
    bounds_.Circle(x, y, r);
    Put(NewEntity(100, {x, y, x + r, y, x + r, y, 0, 360, r}));
}

void TIgesWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                      long double r) {
    if (!sink_ || !Valid({xc, yc, startDeg, endDeg, r})) return;
    bounds_.Arc(xc, yc, startDeg, endDeg, r);
    const long double s = DegToRad(startDeg);
    const long double e = DegToRad(endDeg);
    Put(NewEntity(100, {xc, yc, xc + r * cosl(s), yc + r * sinl(s), xc + r * cosl(e),
                        yc + r * sinl(e), startDeg, endDeg, r}));
}

void TIgesWriter::Text(std::string_view text, long double x, long double y) {
    const long double h = CadTextHeight;
    if (!sink_ || !Valid({x, y, h, CadTextWidthFactor, CadTextAngle})) return;
    TEntity e = NewEntity(212, {x, y, CadTextWidthFactor, h, CadTextAngle});
    e.text = IgesFileText(text);
    bounds_.Text(x, y, static_cast<long double>(e.text.size()), h, CadTextWidthFactor,
                 CadTextAngle);
    Put(std::move(e));
}

void TIgesWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                        long double x3, long double y3, long double x4, long double y4) {
    if (!sink_ || !Valid({x1, y1, x2, y2, x3, y3, x4, y4})) return;
    bounds_.Line(x1, y1, x2, y2);
    bounds_.Line(x3, y3, x4, y4);
    Put(NewEntity(106, {x1, y1, x2, y2, x3, y3, x4, y4}));
}

void TIgesWriter::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                         long double scaleX, long double scaleY) {
    if (!sink_ || !Valid({x, y, angleDeg, scaleX, scaleY})) return;
    if (definitions_.count(BlockKey(name)) == 0) {
        AddError("Blockname " + std::string(name) + " not found !");
        return;
    }
    if (scaleX == 0) return; // a block shrunk to a point shows nothing
    bounds_.Insert(AsciiText(name), x, y, angleDeg, scaleX, scaleY);
    TEntity e = NewEntity(408, {x, y, angleDeg, scaleX, scaleY});
    e.text = std::string(name);
    Put(std::move(e));
}

void TIgesWriter::SetColour(std::int32_t c) {
    CurrentLayer = LayerNameOf(c);
    int index = 0;
    if (c >= 0 && c <= 5) {
        index = c == 0 ? 7 : LayerColours[c];
        lineFont_ = c == 1 ? 4 : c == 2 ? 2 : 1;
        weight_ = WeightOfThickness(LineThickness[c]);
    } else if (c >= 16 && c <= 31) {
        index = ColourTable[c];
        lineFont_ = 1;
        weight_ = WeightOfThickness(PenWidths[c] >= 2 && PenWidths[c] <= 50 ? PenWidths[c] : 1);
    } else {
        index = c % 16 + 1; // the remainder takes the sign of c
        lineFont_ = 1;
        weight_ = WeightOfThickness(1);
    }
    colour_ = IgesColour(index & 0xFF);
}
