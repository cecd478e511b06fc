#include "cad/igeswrite.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "cad/cadstate.h"
#include "cad/dxfwrite.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/questions.h"
#include "platform/os/paths.h"

namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr long long kMaxSequence = 9999999; // seven digits of the sequence number
constexpr std::size_t kParamWidth = 64;
constexpr std::size_t kDataWidth = 72;

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

} // namespace

int TIgesWriter::IgesColour(int index) {
    static const int kTable[15] = {2, 5, 3, 7, 4, 6, 0, 8, 10, 11, 12, 13, 14, 15, 1};
    return index >= 1 && index <= 15 ? kTable[index - 1] : 0;
}

std::string TIgesWriter::Hollerith(std::string_view s) {
    return IntToString(static_cast<std::int64_t>(s.size())) + "H" + std::string(s);
}

std::string TIgesWriter::DateField(int year, int month, int day) {
    char tmp[16];
    std::snprintf(tmp, sizeof tmp, "%02d%02d%02d.081107", ((year % 100) + 100) % 100, month, day);
    return Hollerith(tmp);
}

TIgesWriter::~TIgesWriter() {
    Abandon();
}

void TIgesWriter::Reset() {
    dbuf_.clear();
    pbuf_.clear();
    failed_ = false;
    s_ = g_ = d_ = p_ = 0;
    currentDe_ = -1;
    paramPointer_ = 1;
    paramLines_ = 0;
    colour_ = 0;
    lineFont_ = 1;
    inSubfigure_ = false;
    members_.clear();
    subfigures_.clear(); // names of an earlier file are never found again
}

bool TIgesWriter::Open(std::unique_ptr<TCadSink> sink) {
    Abandon();
    Reset();
    const std::string dir =
        TrimBlanks(TempDir).empty() ? os::TempDirectory() : DelBackslash(AddBackslash(TempDir));
    if (os::CreateTempFile(dir, "KELMIGES", tempName_, ".$$$") != 0 ||
        temp_.Open(tempName_, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll}) != 0) {
        if (!tempName_.empty()) os::RemoveFile(tempName_);
        tempName_.clear();
        if (sink) sink->Discard();
        ShowError("file write error " + AddBackslash(dir) + "KELMIGES.$$$");
        return false;
    }
    sink_ = std::move(sink);
    dbuf_.reserve(kChunk + 4096);
    pbuf_.reserve(kChunk + 4096);
    return sink_ != nullptr;
}

void TIgesWriter::Abandon() {
    if (sink_) sink_->Discard();
    sink_.reset();
    temp_.Close();
    if (!tempName_.empty()) os::RemoveFile(tempName_);
    tempName_.clear();
    dbuf_.clear();
    pbuf_.clear();
}

void TIgesWriter::FlushD() {
    if (dbuf_.empty()) return;
    sink_->Write(dbuf_);
    dbuf_.clear();
}

void TIgesWriter::FlushP() {
    if (pbuf_.empty()) return;
    if (!failed_ && temp_.Write(pbuf_.data(), pbuf_.size()) != 0) failed_ = true;
    pbuf_.clear();
}

int TIgesWriter::Close() {
    if (!sink_) return 0;
    if (s_ == 0) BeginDrawing(0, 0, 0, 0);
    if (inSubfigure_) EndBlock();
    FlushD();
    FlushP();
    // The parameter records follow the directory.
    std::string chunk(1 << 20, '\0');
    std::uint64_t offset = 0;
    for (;;) {
        std::size_t got = 0;
        if (temp_.ReadSomeAt(offset, chunk.data(), chunk.size(), got) != 0) {
            failed_ = true;
            break;
        }
        if (got == 0) break;
        sink_->Write(std::string_view(chunk.data(), got));
        offset += got;
    }
    std::string counts;
    long long t = 0;
    for (auto [letter, n] : {std::pair{'S', s_}, {'G', g_}, {'D', d_}, {'P', p_}}) {
        char tmp[16];
        std::snprintf(tmp, sizeof tmp, "%c%07lld", letter, n);
        counts += tmp;
    }
    Record(dbuf_, counts, "", 'T', t);
    FlushD();
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
void TIgesWriter::Wrapped(std::string_view data, char letter, long long& counter,
                          std::size_t width) {
    while (data.size() > width) {
        std::size_t cut = data.substr(0, width).rfind(',');
        cut = cut == std::string_view::npos ? width : cut + 1;
        Record(dbuf_, data.substr(0, cut), "", letter, counter);
        data.remove_prefix(cut);
    }
    Record(dbuf_, data, "", letter, counter);
}

void TIgesWriter::Params(std::string_view text) {
    char tmp[24];
    const auto res = std::to_chars(tmp, tmp + sizeof tmp, currentDe_);
    const std::string_view pointer(tmp, static_cast<std::size_t>(res.ptr - tmp));
    // A rest longer than 64 columns is cut after the last "," up to column 63, else after 64.
    while (text.size() > kParamWidth) {
        std::size_t cut = text.substr(0, kParamWidth - 1).rfind(',');
        cut = cut == std::string_view::npos ? kParamWidth : cut + 1;
        Record(pbuf_, text.substr(0, cut), pointer, 'P', p_);
        ++paramLines_;
        text.remove_prefix(cut);
    }
    Record(pbuf_, text, pointer, 'P', p_);
    ++paramLines_;
    if (pbuf_.size() >= kChunk) FlushP();
}

void TIgesWriter::BeginEntity(bool member) {
    if (s_ == 0) BeginDrawing(0, 0, 0, 0);
    paramLines_ = 0;
    currentDe_ += 2;
    if (member && inSubfigure_) members_.push_back(currentDe_);
}

void TIgesWriter::Directory(int type, std::string_view matrix, std::string_view form,
                            std::string_view label, bool subordinate) {
    scratch_.clear();
    Field(scratch_, type);
    Field(scratch_, paramPointer_);
    Field(scratch_, "1");
    Field(scratch_, lineFont_);
    Field(scratch_, colour_);
    Field(scratch_, "");
    Field(scratch_, matrix);
    Field(scratch_, "");
    Record(dbuf_, scratch_, subordinate ? "00010000" : "00000000", 'D', d_);
    scratch_.clear();
    Field(scratch_, type);
    Field(scratch_, "");
    Field(scratch_, colour_);
    Field(scratch_, paramLines_);
    Field(scratch_, form);
    Field(scratch_, "");
    Field(scratch_, "");
    Field(scratch_, label);
    Record(dbuf_, scratch_, "", 'D', d_);
    paramPointer_ += paramLines_;
    if (dbuf_.size() >= kChunk) FlushD();
}

void TIgesWriter::Put(std::string&) {}

void TIgesWriter::AppendUnit(std::string& out, long double x) {
    AppendFixed(out, x, 15);
}

void TIgesWriter::Real(std::string& out, long double x) {
    AppendFixed(out, x, std::clamp<int>(CadDecimals, 3, 18));
}

// ---- sections ------------------------------------------------------------------------------

void TIgesWriter::BeginDrawing(long double, long double, long double xmax, long double ymax) {
    if (!sink_ || s_ != 0) return; // once, before the first entity
    const std::string product = CadFileName1252(ProductTitle);
    std::string line = "IGES-Datei generiert von " + product;
    Wrapped(line.substr(0, 50), 'S', s_, kDataWidth);
    Wrapped("Uebersetzer von KELMORA GMBH, Uebersetzerversion 3.1", 'S', s_, kDataWidth);
    Wrapped("", 'S', s_, kDataWidth);

    const std::string file = CadFileName1252(BaseNameNoExt(TrimBlanks(CadFileName)));
    const std::string native = (product + " V").substr(0, 27) + VersionCode.str();
    Wrapped(",," + Hollerith("FILE") + "," + Hollerith(file) + "," +
                Hollerith(native.substr(0, 33)) + ",,",
            'G', g_, kDataWidth);
    Wrapped("16,38,6,99,15,", 'G', g_, kDataWidth);
    Wrapped(Hollerith(file) + ",1.0,2," + Hollerith("MM") + ",32767,3.2767D1,", 'G', g_,
            kDataWidth);
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const long double m = std::max(xmax, ymax);
    Wrapped(DateField(today.tm_year + 1900, today.tm_mon + 1, today.tm_mday) + ",1.0D-8," +
                FloatToStrSig3Dot(std::isfinite(m) ? m : 0) + ",",
            'G', g_, kDataWidth);
    Wrapped(Hollerith("Brenzik") + "," + Hollerith("KELMORA GmbH") + ",4,0;", 'G', g_, kDataWidth);
}

void TIgesWriter::BeginBlock(std::string_view name) {
    if (!sink_) return;
    if (inSubfigure_) EndBlock(); // a definition that was never ended
    const std::string full = CadFileName1252(name);
    subfigures_.push_back({UpperCaseStr(full.substr(0, 8)), full, 0});
    inSubfigure_ = true;
    members_.clear();
}

void TIgesWriter::EndBlock() {
    if (!sink_ || !inSubfigure_) return;
    inSubfigure_ = false;
    Subfigure& sub = subfigures_.back();
    sub.de = d_ + 1;
    BeginEntity(false);
    param_ = "308,0," + Hollerith(sub.name) + ",";
    AppendInt(param_, static_cast<long long>(members_.size()));
    if (members_.empty()) {
        param_ += ";";
        Params(param_);
    } else {
        param_ += ",";
        Params(param_);
        // The member list in groups of twelve.
        for (std::size_t i = 0; i < members_.size(); i += 12) {
            param_.clear();
            const std::size_t end = std::min(members_.size(), i + 12);
            for (std::size_t k = i; k < end; ++k) {
                AppendInt(param_, members_[k]);
                param_ += k + 1 == members_.size() ? ";" : ",";
            }
            Params(param_);
        }
    }
    Directory(308, "", "", sub.name.substr(0, 8), false);
    members_.clear();
}

// ---- entities ------------------------------------------------------------------------------

void TIgesWriter::Line(long double x1, long double y1, long double x2, long double y2) {
    if (!sink_ || !Valid({x1, y1, x2, y2})) return;
    BeginEntity();
    param_.clear();
    Put(param_, "110,", x1, ",", y1, ",0.0,", x2, ",", y2, ",0.0;");
    Params(param_);
    Directory(110, "", "", "", inSubfigure_);
}

void TIgesWriter::Circle(long double x, long double y, long double r) {
    if (!sink_ || !Valid({x, y, r})) return;
    ArcEntity(x, y, x + r, y, x + r, y);
}

void TIgesWriter::Arc(long double xc, long double yc, long double startDeg, long double endDeg,
                      long double r) {
    if (!sink_ || !Valid({xc, yc, startDeg, endDeg, r})) return;
    const long double s = DegToRad(startDeg);
    const long double e = DegToRad(endDeg);
    ArcEntity(xc, yc, xc + r * cosl(s), yc + r * sinl(s), xc + r * cosl(e), yc + r * sinl(e));
}

void TIgesWriter::ArcEntity(long double xc, long double yc, long double xs, long double ys,
                            long double xe, long double ye) {
    BeginEntity();
    param_.clear();
    Put(param_, "100,0.0,", xc, ",", yc, ",", xs, ",", ys, ",", xe, ",", ye, ";");
    Params(param_);
    Directory(100, "0", "", "", inSubfigure_);
}

void TIgesWriter::Text(std::string_view text, long double x, long double y) {
    const long double h = CadTextHeight;
    if (!sink_ || !Valid({x, y, h, CadTextWidthFactor, CadTextAngle})) return;
    const std::string s = CadFileText(text);
    const auto n = static_cast<long long>(s.size());
    BeginEntity();
    param_ = "212,1,";
    AppendInt(param_, n);
    Put(param_, ",", static_cast<long double>(n) * h * CadTextWidthFactor, ",", h, ",1,,");
    AppendFixed(param_, DegToRad(CadTextAngle), 6);
    Put(param_, ",0,0,", x, ",", y, ",0.0,");
    Params(param_);
    Params(Hollerith(s) + ";");
    Directory(212, "0", "", "", inSubfigure_);
}

void TIgesWriter::Solid(long double x1, long double y1, long double x2, long double y2,
                        long double x3, long double y3, long double x4, long double y4) {
    if (!sink_ || !Valid({x1, y1, x2, y2, x3, y3, x4, y4})) return;
    BeginEntity();
    Params("106,1,5,0.0,");
    const long double pts[5][2] = {{x1, y1}, {x2, y2}, {x4, y4}, {x3, y3}, {x1, y1}};
    for (int i = 0; i < 5; ++i) {
        param_.clear();
        Put(param_, pts[i][0], ",", pts[i][1], i == 4 ? ";" : ",");
        Params(param_);
    }
    Directory(106, "0", "11", "", inSubfigure_);
}

void TIgesWriter::Insert(std::string_view name, long double x, long double y, long double angleDeg,
                         long double scaleX, long double scaleY) {
    if (!sink_ || !Valid({x, y, angleDeg, scaleX, scaleY})) return;
    const std::string key = UpperCaseStr(CadFileName1252(name).substr(0, 8));
    const auto sub = std::find_if(subfigures_.begin(), subfigures_.end(),
                                  [&](const Subfigure& s) { return s.key == key && s.de > 0; });
    if (sub == subfigures_.end()) {
        AddError("Blockname " + std::string(name) + " not found !");
        return;
    }
    // The block's own axes: mirrored where a scale is negative; 408 carries the size.
    const long double mx = scaleX < 0 ? -1 : 1;
    const long double my = scaleY < 0 ? -1 : 1;
    const long double scale = fabsl(scaleX);
    param_ = "408,";
    AppendInt(param_, sub->de);
    // A scaled instance also goes through a matrix: OpenCASCADE's reader, for one, drops a
    // scaled 408 that has none.
    if (angleDeg == 0 && mx > 0 && my > 0 && scale == 1) {
        BeginEntity();
        Put(param_, ",", x, ",", y, ",0.0,", scale, ";");
        Params(param_);
        Directory(408, "", "", "", inSubfigure_);
        return;
    }
    Put(param_, ",0.0,0.0,0.0,", scale, ";");
    const std::string instance = param_;
    // Rotation (and reflection) with the position in a transformation matrix.
    const long double a = DegToRad(angleDeg);
    const long double c = cosl(a);
    const long double s = sinl(a);
    BeginEntity(false);
    param_.clear();
    Put(param_, "124,", Unit{c * mx}, ",", Unit{-s * my}, ",0.0,", x, ",");
    Params(param_);
    param_.clear();
    Put(param_, Unit{s * mx}, ",", Unit{c * my}, ",0.0,", y, ",");
    Params(param_);
    Params("0.0,0.0,1.0,0.0;");
    Directory(124, "", mx * my < 0 ? "1" : "0", "", true);
    const long long matrix = d_ - 1;
    BeginEntity();
    Params(instance);
    std::string m;
    AppendInt(m, matrix);
    Directory(408, m, "", "", inSubfigure_);
}

void TIgesWriter::SetColour(std::int32_t c) {
    CurrentLayer = LayerNameOf(c);
    int index = 0;
    if (c >= 0 && c <= 5) {
        index = c == 0 ? 7 : LayerColours[c];
        lineFont_ = c == 1 ? 4 : c == 2 ? 2 : 1;
    } else if (c >= 16 && c <= 31) {
        index = ColourTable[c];
        lineFont_ = 1;
    } else {
        index = c % 16 + 1; // the remainder takes the sign of c
        lineFont_ = 1;
    }
    colour_ = IgesColour(index & 0xFF);
}
