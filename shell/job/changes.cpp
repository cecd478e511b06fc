#include "shell/job/changes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/core/files.h"
#include "framework/core/text.h"
#include "shell/job/joblines.h"

TChangeBlock TChangeBlock::Current() {
    TChangeBlock b;
    b.Table = ChangeTable;
    b.Count = ChangeCount;
    b.Info = DrawingInfo;
    b.Texts = DrawingTexts;
    b.TextCount = DrawingTextCount;
    return b;
}

void TChangeBlock::Commit() const {
    ChangeTable = Table;
    ChangeCount = Count;
    DrawingInfo = Info;
    DrawingTexts = Texts;
    DrawingTextCount = TextCount;
}

void TChangeBlock::ClearForNewJob() {
    Count = 0;
    Info.ReplacementFor = "";
    Info.ReplacedBy = "";
    for (int row = 1; row <= 4; ++row) {
        Info.Rows[row].Date = "";
        Info.Rows[row].Name = "";
    }
    Info.Rows[1].Date = DateString();
}

void ClearChangeTable() {
    TChangeBlock b = TChangeBlock::Current();
    b.ClearForNewJob();
    b.Commit();
}

std::string DescriptionToJobLine(std::string_view description) {
    std::string line;
    line.reserve(description.size());
    for (std::size_t i = 0; i < description.size(); ++i) {
        const char c = description[i];
        if (c == '\r') {
            if (i + 1 < description.size() && description[i + 1] == '\n') ++i;
            line += '|';
        } else if (c == '\n') {
            line += '|';
        } else {
            line += c;
        }
    }
    return line;
}

std::string JobLineToDescription(std::string_view line) {
    std::string d(line);
    for (char& c : d)
        if (c == '|') c = '\n';
    return d;
}

namespace {

const std::string kBlockRule(20, '-');
const std::string kEntryRule(14, '-');

std::string Sig3(long double x) {
    return FloatToStrSig3(std::isfinite(x) ? x : 0.0L);
}

} // namespace

void WriteChangeBlock() {
    constexpr TextEncoding page = JobPage("ChangeText");
    WriteTextLine("CHANGES");
    WriteJobInt(ChangeCount);
    WriteTextLine(kBlockRule);
    for (int i = 1; i <= ChangeCount && i <= ChangeTableMax; ++i) {
        const TChangeEntry& e = ChangeTable[i];
        WriteJobText(e.ChangeText, page);
        WriteJobText(e.ChangeDate, JobPage("ChangeDate"));
        WriteJobText(e.ChangeName, JobPage("ChangeName"));
        WriteJobText(DescriptionToJobLine(e.ChangeDescription), JobPage("ChangeDescription"));
        WriteTextLine(kEntryRule);
    }
    const auto& rows = DrawingInfo.Rows;
    std::string record;
    for (const std::string_view f :
         {std::string_view(rows[2].Date), std::string_view(rows[2].Name),
          std::string_view(rows[3].Date), std::string_view(rows[3].Name),
          std::string_view(rows[4].Date), std::string_view(rows[4].Name)}) {
        // A bar inside a field would shift every later field of the record.
        std::string field = OneLine(f);
        std::replace(field.begin(), field.end(), '|', '/');
        record += field;
        record += '|';
    }
    record += IntToString(DrawingTextCount) + "||";
    WriteJobText(record, JobPage("DrawingInfo"));
    WriteJobText(rows[1].Date, JobPage("DrawingInfo"));
    WriteJobText(DrawingInfo.ReplacementFor, JobPage("DrawingInfo"));
    WriteJobText(DrawingInfo.ReplacedBy, JobPage("DrawingInfo"));
    WriteJobText(rows[1].Name, JobPage("DrawingInfo"));
    for (int i = 1; i <= DrawingTextCount && i <= DrawingTextMax; ++i) {
        const TDrawingText& t = DrawingTexts[i];
        WriteJobText(Sig3(t.x) + "|" + Sig3(t.y) + "|" + Sig3(t.h) + "|" + Sig3(t.phi) + "|" +
                         t.Text.str() + "||",
                     JobPage("DrawingTextText"));
    }
}

namespace {

// A description and, in files whose descriptions kept their line feeds, its continuation lines
// up to the entry's closing dashes. A piece that ends in "|" continues at the next line with no
// further break (the "|" stood for the CR of a CR LF); a piece without it was split at a line
// feed of its own.
bool ReadDescription(JobLineReader& in, std::string& description) {
    std::string joined;
    if (!in.Text(joined, JobPage("ChangeDescription"))) return false;
    for (;;) {
        std::string next;
        if (!in.Text(next, JobPage("ChangeDescription"))) return false;
        if (next == kEntryRule) break;
        if (joined.empty() || joined.back() != '|') joined += '|';
        joined += next;
    }
    description = JobLineToDescription(joined);
    return true;
}

bool ParseSig(JobLineReader& in, const std::string& text, long double& x) {
    bool ok = false;
    const long double v = ParseReal(text, ok);
    if (!ok || !std::isfinite(v)) {
        in.Fail("\"" + text + "\" is not a number");
        return false;
    }
    x = v;
    return true;
}

} // namespace

bool ReadChangeBlock(JobLineReader& in, TChangeBlock& block) {
    std::int32_t count = 0;
    in.Skip(); // "CHANGES"
    if (!in.Int(count, 0, ChangeTableMax)) return false;
    in.Skip(); // dashes
    for (int i = 1; i <= count; ++i) {
        TChangeEntry e;
        in.Text(e.ChangeText, JobPage("ChangeText"));
        in.Text(e.ChangeDate, JobPage("ChangeDate"));
        in.Text(e.ChangeName, JobPage("ChangeName"));
        if (!in.Ok() || !ReadDescription(in, e.ChangeDescription)) return false;
        block.Table[i] = std::move(e);
    }
    block.Count = static_cast<std::uint16_t>(count);

    std::string record;
    if (!in.Text(record, JobPage("DrawingInfo"))) return false;
    // Eight fields, each ended by "|" (the last may lack its bar). The writer puts no bar
    // inside a field, so a field more is damage that would move every later field.
    const auto bars = std::count(record.begin(), record.end(), '|');
    if (const auto fields = bars + (record.empty() || record.back() == '|' ? 0 : 1); fields > 8) {
        in.Fail("the drawing information holds " + std::to_string(fields) +
                " fields, not 8 (dates and names of the signature rows 2 to 4, the count of "
                "drawing texts, an empty field)");
        return false;
    }
    const auto f = SplitTextRecord(record, 8, 5);
    auto& rows = block.Info.Rows;
    rows[2].Date = f[0];
    rows[2].Name = f[1];
    rows[3].Date = f[2];
    rows[3].Name = f[3];
    rows[4].Date = f[4];
    rows[4].Name = f[5];
    bool ok = false;
    const std::int32_t textCount = ParseInteger(f[6], ok);
    if (!ok || textCount < 0 || textCount > DrawingTextMax) {
        in.Fail("\"" + f[6] + "\" is not a drawing-text count 0.." +
                std::to_string(DrawingTextMax));
        return false;
    }
    in.Text(rows[1].Date, JobPage("DrawingInfo"));
    in.Text(block.Info.ReplacementFor, JobPage("DrawingInfo"));
    in.Text(block.Info.ReplacedBy, JobPage("DrawingInfo"));
    in.Text(rows[1].Name, JobPage("DrawingInfo"));
    if (!in.Ok()) return false;
    for (int i = 1; i <= textCount; ++i) {
        std::string line;
        if (!in.Text(line, JobPage("DrawingTextText"))) return false;
        const auto t = SplitTextRecord(line, 6, 4);
        TDrawingText dt;
        if (!ParseSig(in, t[0], dt.x) || !ParseSig(in, t[1], dt.y) || !ParseSig(in, t[2], dt.h) ||
            !ParseSig(in, t[3], dt.phi))
            return false;
        dt.Text = t[4];
        block.Texts[i] = dt;
    }
    block.TextCount = static_cast<std::uint16_t>(textCount);
    return true;
}
