#include "shell/job/jobfile.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "framework/core/globals.h"
#include "framework/core/files.h"
#include "framework/core/text.h"
#include "framework/core/uihooks.h"
#include "platform/os/paths.h"
#include "shell/job/joblines.h"

TJobData TJobData::Current() {
    TJobData d;
    d.Gear = GearData;
    d.Defaults = LoadDefaults;
    d.Titles = TitleTexts;
    d.Changes = TChangeBlock::Current();
    d.Links = DocumentLinks;
    return d;
}

void TJobData::Commit() const {
    GearData = Gear;
    LoadDefaults = Defaults;
    TitleTexts = Titles;
    Changes.Commit();
    DocumentLinks = Links;
}

namespace {

std::string lastProblem;

// ---- the layout ---------------------------------------------------------------------------------
// One description of the file serves both directions: the writer and the reader below offer the
// same operations, so reading is the exact inverse of writing by construction.

const std::string kDash11(11, '-');

class LayoutWriter {
public:
    bool Ok() const { return true; }
    void Literal(std::string_view s) { WriteTextLine(s); }
    void Real(long double& x) { WriteJobReal(x); }
    void ConstantReal(long double x) { WriteJobReal(x); }
    template <class I> void Int(I& n, long long lo = INT32_MIN, long long hi = INT32_MAX) {
        // A count outside what the reader accepts would make a file it refuses.
        WriteJobInt(std::clamp<long long>(n, lo, hi));
    }
    template <std::size_t N> void Text(ShortString<N>& s, TextEncoding page) {
        WriteJobText(s, page);
    }
    void Char(char& c) { WriteJobChar(c); }
    void Flag(bool& b) { WriteJobFlag(b); }
    void Header(TJobData&) {
        // The title texts go out through the shared header writer: on one line each.
        const auto titles = TitleTexts;
        for (auto& t : TitleTexts)
            t = OneLine(t.str());
        SharedTextFile.SetEncoding(JobPage("Header"));
        WriteResultHeader();
        SharedTextFile.SetEncoding(TextEncoding::Oem);
        TitleTexts = titles;
    }
    void Changes(TJobData&) { WriteChangeBlock(); }
    void Links(TJobData&) { WriteDocumentLinks(); }
    template <class I> void Optional(I& n) { Int(n); }
};

class LayoutReader {
public:
    JobLineReader in;
    bool Ok() const { return in.Ok(); }
    void Literal(std::string_view) { in.Skip(); } // markers are not compared
    void Real(long double& x) { in.Real(x); }
    void ConstantReal(long double) {
        long double ignored = 0;
        in.Real(ignored);
    }
    template <class I> void Int(I& n, long long lo = INT32_MIN, long long hi = INT32_MAX) {
        std::int32_t v = 0;
        lo = std::max<long long>(lo, std::numeric_limits<I>::min());
        hi = std::min<long long>(hi, std::numeric_limits<I>::max());
        if (in.Int(v, lo, hi)) n = static_cast<I>(v);
    }
    template <std::size_t N> void Text(ShortString<N>& s, TextEncoding page) { in.Text(s, page); }
    void Char(char& c) { in.Char(c); }
    void Flag(bool& b) { in.Flag(b); }
    void Header(TJobData& d) {
        for (int i = 0; i < 5; ++i)
            in.Skip();
        in.Text(d.Titles[1], JobPage("TitleTexts"));
        in.Text(d.Titles[2], JobPage("TitleTexts"));
    }
    void Changes(TJobData& d) {
        if (in.Ok()) ReadChangeBlock(in, d.Changes);
    }
    void Links(TJobData& d) {
        if (in.Ok()) ReadDocumentLinks(in, d.Links);
    }
    // A value appended to the layout: older files end before it and keep the current value.
    // A blank line there (left by an editor) counts as missing.
    template <class I> void Optional(I& n) {
        std::string line;
        if (!in.Ok() || in.AtEnd() || !in.Text(line, TextEncoding::Oem)) return;
        if (TrimBlanks(line).empty()) return;
        bool ok = false;
        const std::int32_t v = ParseInteger(line, ok);
        if (!ok || v < std::numeric_limits<I>::min() || v > std::numeric_limits<I>::max()) {
            in.Fail("\"" + line + "\" is not a hand of helix");
            return;
        }
        n = static_cast<I>(v);
    }
};

template <class Io> void GearBlock(Io& io, TGearData& g, int i) {
    io.Real(g.hfP0mn[i]);
    io.Int(g.z[i]);
    io.Real(g.x[i]);
    io.Int(g.BasicRackType[i]);
    io.Real(g.haP0mn[i]);
    io.Real(g.rhoaP0mn[i]);
    io.Real(g.prP0mn[i]);
    io.Real(g.alprP0[i]);
    io.Real(g.bGear[i]);
    io.Real(g.da[i]);
    io.Int(g.Q[i]);
    io.Int(g.AsnSeries[i]);
    io.Int(g.TsnSeries[i]);
    io.Real(g.q[i]);
    io.Real(g.DM[i]);
    io.Real(g.hFfP0mn[i]);
    io.Real(g.alkP0[i]);
}

template <class Io> void MaterialBlock(Io& io, TGearData& g, int i) {
    io.Text(g.MatName[i], JobPage("MatName"));
    io.Int(g.MatCode[i]);
    io.Real(g.MatStrength2[i]);
    io.Real(g.MatStrength1[i]);
    io.Real(g.MatE[i]);
    io.Real(g.MatNu[i]);
    io.Real(g.MatRho[i]);
    io.Real(g.dOptional[i]);
    io.Real(g.MatStrength3[i]);
}

// The whole file, in order. Line numbers in the comments count from the first line after the
// seven header lines.
template <class Io> void JobLayout(Io& io, TJobData& d) {
    TGearData& g = d.Gear;
    TLoadDefaults& ld = d.Defaults;
    io.Header(d);
    io.Text(g.DrawingName[1], JobPage("DrawingName")); // 1
    io.Text(g.DrawingNumber[1], JobPage("DrawingNumber"));
    io.Text(g.DrawingName[2], JobPage("DrawingName"));
    io.Text(g.DrawingNumber[2], JobPage("DrawingNumber"));
    for (int i = 0; i < 4; ++i) // 5-8
        io.Literal(kDash11);
    io.Real(g.alpha); // 9
    io.Real(g.beta);
    io.Real(g.mn);
    io.Real(g.b);
    io.Real(g.a);
    io.Real(g.Aae);
    io.Int(g.AaField); // 15
    io.Real(g.Aai);
    io.Literal(kDash11);
    GearBlock(io, g, 1);    // 18-34
    GearBlock(io, g, 2);    // 35-51
    io.Real(g.LoadReal[1]); // 52
    io.Real(g.LoadReal[2]);
    io.Int(g.LoadWord[1]); // 54
    io.Int(g.LoadWord[2]);
    io.Real(g.LoadReal[3]); // 56
    io.Real(g.LoadReal[4]);
    io.Real(g.LoadGearValue1[1]); // 58
    io.Real(g.LoadReal[5]);
    io.Real(g.LoadReal[6]);
    for (int i = 1; i <= 6; ++i) // 61-66
        io.Char(g.LoadChar[static_cast<std::size_t>(i)]);
    io.Real(g.LoadReal[7]); // 67
    io.Real(g.Asne[1]);     // 68
    io.Real(g.Asni[1]);
    io.Real(g.Asne[2]);
    io.Real(g.Asni[2]);
    io.Literal(std::string(12, '-')); // 72
    MaterialBlock(io, g, 1);          // 73-81
    MaterialBlock(io, g, 2);          // 82-90
    io.Int(g.MatCode2[1]);            // 91
    io.Int(g.MatCode2[2]);
    io.Int(g.k[1]); // 93
    io.Int(g.k[2]);
    io.Literal("calculating mode  1=DIN3990T.1   2=DIN3990T.41   3=input factors"); // 95
    io.Int(g.CalcMode);
    for (int i = 1; i <= 9; ++i) // 97-105
        io.Real(g.LoadFactor[static_cast<std::size_t>(i)]);
    io.ConstantReal(1.0L);       // 106
    for (int i = 1; i <= 4; ++i) // 107-114
        for (int j = 1; j <= 2; ++j)
            io.Real(g.LoadPair[static_cast<std::size_t>(i)][j]);
    io.Real(g.LoadFactor[10]); // 115
    io.Real(g.LoadPair[5][1]);
    io.Real(g.LoadPair[5][2]);
    io.Real(g.LoadPair[6][1]); // 118
    io.Real(g.LoadPair[7][1]);
    io.Real(g.LoadPair[7][2]);
    io.Literal("----"); // 121
    io.Literal("V6.0");
    io.Real(g.LoadReal[8]);               // 123
    for (int gear = 1; gear <= 2; ++gear) // 124-129
        for (auto& v : g.LoadTriple[gear])
            io.Real(v);
    for (int gear = 1; gear <= 2; ++gear) // 130-133
        for (auto& v : g.LoadPairDE[gear])
            io.Real(v);
    io.Real(g.LoadPair[8][1]); // 134
    io.Real(g.LoadPair[8][2]);
    io.Int(g.LoadWordPair3[1]); // 136
    io.Int(g.LoadWordPair3[2]);
    io.Int(g.PlanetCount); // 138
    for (int i = 1; i <= 3; ++i)
        io.Int(g.LoadInt[static_cast<std::size_t>(i)]);
    for (int i = 9; i <= 11; ++i) // 142-144
        io.Real(g.LoadReal[static_cast<std::size_t>(i)]);
    io.Text(g.ToothCorrection[1], JobPage("ToothCorrection")); // 145
    io.Literal(" ");
    io.Text(g.ToothCorrection[2], JobPage("ToothCorrection"));
    io.Literal(" ");
    io.Literal("Lastkollektiv"); // 149
    io.Literal(std::string(13, '-'));
    io.Int(g.LoadInt[4]);                                 // 151
    io.Int(g.LoadSpectrumCount, 0, LoadSpectrumSize - 1); // 152
    if (g.LoadSpectrum.size() < static_cast<std::size_t>(LoadSpectrumSize))
        g.LoadSpectrum.resize(LoadSpectrumSize);
    const int spectrum = std::clamp(g.LoadSpectrumCount, 0, LoadSpectrumSize - 1);
    for (int i = 1; i <= spectrum && io.Ok(); ++i) {
        io.Real(g.LoadSpectrum.at(static_cast<std::size_t>(i)).v1);
        io.Real(g.LoadSpectrum.at(static_cast<std::size_t>(i)).v2);
    }
    io.Int(g.ToolRecordNo[1]);
    io.Int(g.ToolRecordNo[2]);
    io.Text(g.BasicRackName[1], JobPage("BasicRackName"));
    io.Text(g.BasicRackName[2], JobPage("BasicRackName"));
    io.Real(g.qTol[1]);
    io.Real(g.qTol[2]);
    io.Int(g.ToothAlignment[1]);
    io.Real(g.rhofP0mn[1]);
    io.Real(g.rhofP0mn[2]);
    io.Changes(d);
    io.Links(d);
    io.Text(g.DrawingName2[1], JobPage("DrawingName2"));
    io.Text(g.DrawingName2[2], JobPage("DrawingName2"));
    io.Real(g.LoadGearValue2[1]);
    io.Real(g.LoadGearValue1[2]);
    io.Real(g.LoadGearValue2[2]);
    io.Real(g.LoadPair[6][2]);
    io.Int(g.TipInputMode[1]);
    io.Int(g.TipInputMode[2]);
    io.Real(g.kmn[1]);
    io.Real(g.kmn[2]);
    io.Real(g.TipModeValue[1]);
    io.Real(g.TipModeValue[2]);
    io.Real(g.LoadReal[12]);
    io.Int(g.LoadInt[5]);
    for (int i = 9; i <= 10; ++i)
        for (int j = 1; j <= 2; ++j)
            io.Real(g.LoadPair[static_cast<std::size_t>(i)][j]);
    io.Int(g.InvolutePoints);
    io.Int(g.RingGearShapes);
    io.Int(g.GearShapes);
    io.Int(g.FilletResolution);
    io.Flag(g.DrawRootCurve);
    io.Int(g.CalcOption);
    io.Int(g.MeasureMode);
    for (long double* v :
         {&ld.Value1, &ld.Value2, &ld.Value3, &ld.Value6, &ld.Value7, &ld.Value8, &ld.Value9,
          &ld.Value10, &ld.Value11, &ld.Value12, &ld.Value13, &ld.Value15, &ld.Value16})
        io.Real(*v);
    io.Int(ld.Value17);
    io.Int(ld.Value5);
    io.Int(g.QualityStandard);
    io.Int(g.WarningMode);
    // The hand of helix of the designed gear, appended after the last value of older files.
    io.Optional(g.ToothAlignment[2]);
}

// ---- names and messages -------------------------------------------------------------------------

void ReportProblem(const std::string& text) {
    lastProblem = text;
    AbortFlag = 1;
    if (ErrorBoxesOn) CoreMessageBox(text, "Error  : ", MB_OK | MB_ICONHAND | MB_TASKMODAL);
}

bool HasDirectory(std::string_view name) {
    return !ExtractPath(name).empty();
}

bool HasExtension(std::string_view name) {
    return ExtractFileName(name).find('.') != std::string::npos;
}

std::string JobFilter() {
    const std::string mask = "*." + DataFileExt.str();
    return mask + "|" + mask;
}

// Older-generation files: recognised by their extension.
bool OlderGeneration(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const auto dot = name.rfind('.');
    return dot != std::string::npos && LowerCaseStr(name.substr(dot + 1)) == "qor";
}

} // namespace

std::string JobFileSavePath(std::string_view name) {
    return DataFilePathOf(name);
}

std::string JobFileLoadPath(std::string_view name) {
    if (HasExtension(name) || HasDirectory(name)) return std::string(name);
    return AddBackslash(DataDir) + std::string(name) + "." + DataFileExt.str();
}

const std::string& LastJobFileProblem() {
    return lastProblem;
}

void WriteGearDataFile(std::string name) {
    lastProblem.clear();
    if (ArchiveMode) {
        if (ArchiveFlag) {
            if (LowerCaseStr(BaseNameNoExt(name)) != "actual") {
                ReportProblem("Option is not available in archive mode.");
                return;
            }
        } else {
            ArchiveMode = 0;
        }
    }
    bool fromDialog = false;
    std::string chosenDir;
    if (name.empty()) {
        TFileChoice choice;
        choice.Save = true;
        choice.InitialDir = AddBackslash(JobFolder());
        choice.Filter = JobFilter();
        choice.DefaultExt = DataFileExt.str();
        // The question about replacing a file is asked below, of the file really written.
        choice.OverwritePrompt = false;
        std::string chosen;
        if (!ChooseFile(choice, chosen) || chosen.empty()) {
            AbortFlag = 1;
            return;
        }
        chosenDir = ExtractPath(chosen);
        name = BaseNameNoExt(chosen);
        fromDialog = true;
    }
    // A chosen file goes to the chosen directory; DataDir and DataFileName follow it only once
    // the file is written, so a failed save leaves the next plain save where it was.
    const std::string path = fromDialog ? AddBackslash(chosenDir) + name + "." + DataFileExt.str()
                                        : JobFileSavePath(name);

    // The one path of files the user names: no device, no file the program holds open, the
    // replace question about the job file that is written.
    if (std::string problem; fromDialog && !ConfirmOutputFile(path, true, problem)) {
        if (problem.empty())
            AbortFlag = 1;
        else
            ReportProblem(problem);
        return;
    }

    TJobData data = TJobData::Current();
    const StoredFileFormat stored; // full precision whatever the display setting
    AbortFlag = 0;
    const bool existed = FileExist(path);
    SharedTextFile.Assign(path, TextEncoding::Oem);
    int rc = SharedTextFile.Rewrite();
    if (rc == 0) {
        LayoutWriter w;
        JobLayout(w, data);
        rc = SharedTextFile.Error();
        if (rc == 0 && AbortFlag == 0) {
            rc = SharedTextFile.Close(); // flushes and replaces the old file
        } else {
            SharedTextFile.Discard(); // the old file stays
            if (rc == 0) rc = 5;
        }
    }
    if (rc != 0) {
        ReportProblem("Job file " + path + " could not be written: " + FileErrorCause(rc, path) +
                      (existed ? ". The existing file was kept." : "."));
        return;
    }
    if (fromDialog) {
        DataDir = chosenDir;
        DataFileName = name;
    }
}

bool ReadJobData(const std::string& path, TJobData& data, std::string& problem) {
    SharedTextFile.Assign(path, TextEncoding::Oem);
    if (const int rc = SharedTextFile.Reset(); rc != 0) {
        problem = "file " + path + " not found or no access ! (" + FileErrorCause(rc, path) + ")";
        return false;
    }
    LayoutReader r;
    JobLayout(r, data);
    SharedTextFile.Discard();

    // Files of the older generation may end early once the pair and both gears are read: what
    // they lack keeps its value.
    constexpr long kOlderMinimum = kJobHeaderLines + 51;
    const bool accepted =
        r.in.Ok() || (r.in.Ended() && OlderGeneration(path) && r.in.LineNo() >= kOlderMinimum);
    if (!accepted) {
        problem =
            "Job file " + path + " cannot be read: " + r.in.Problem() + ". Nothing was loaded.";
        return false;
    }
    return true;
}

void LoadJobFile(std::string name) {
    LoadJobFile(std::move(name), TJobData::Current());
}

TJobData NewJobData() {
    const TJobData keep = TJobData::Current();
    InitGearDataUnit();
    InitShellData();
    InitDocumentLinks();
    TJobData start = TJobData::Current();
    keep.Commit();
    std::string null, problem;
    if (os::FindNameNoCase(DataDir, "null." + DataFileExt.str(), null) == 0) {
        TJobData d = start;
        if (ReadJobData(null, d, problem)) start = d;
    }
    start.Changes.ClearForNewJob();
    for (auto& t : start.Titles)
        t = "";
    return start;
}

void LoadJobFile(std::string name, const TJobData& base) {
    lastProblem.clear();
    std::string path;
    std::string newDir;
    std::string newName;
    const bool fromDialog = name.empty();
    if (fromDialog) {
        TFileChoice choice;
        choice.InitialDir = AddBackslash(JobFolder());
        choice.Filter = JobFilter();
        choice.DefaultExt = DataFileExt.str();
        choice.MustExist = true;
        if (!ChooseFile(choice, path) || path.empty()) {
            AbortFlag = 1;
            return;
        }
        newDir = ExtractPath(path);
        newName = BaseNameNoExt(path);
    } else {
        path = JobFileLoadPath(name);
    }

    TJobData data = base;
    std::string problem;
    if (!ReadJobData(path, data, problem)) {
        ReportProblem(problem);
        return;
    }
    data.Commit();
    if (fromDialog) {
        DataDir = newDir;
        DataFileName = newName;
    }
}
