// Job file: layout, round trips in both decimal signs, hand-made fixtures (tests/data/jobs,
// written by tests/shell/make_job_fixtures.py from the published layout), and every way a load
// or a save can fail without losing data.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/core/files.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/responder.h"
#include "shell/job/changes.h"
#include "shell/job/doclinks.h"
#include "shell/job/jobfile.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

const std::string kJobs = QOR_TEST_DATA_DIR "/jobs/";

std::string ReadBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void WriteBytes(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << data;
}

// Lines of a CR LF file (the last CR LF ends the last line).
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> v;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            v.push_back(bytes.substr(start));
            break;
        }
        v.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return v;
}

std::string JoinLines(const std::vector<std::string>& lines, std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i)
        s += lines[i] + "\r\n";
    return s;
}

// An exact decimal value (the nearest long double to the text, as a reader gets it).
long double Dec(const std::string& text) {
    long double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

void ResetProgramData() {
    InitGearDataUnit();
    InitShellData();
    InitDocumentLinks();
    for (auto& t : TitleTexts)
        t = "";
}

// Every value the job holds, for comparisons.
struct Snapshot {
    TJobData data;
    std::string name, dir;
    static Snapshot Take() { return {TJobData::Current(), DataFileName, DataDir}; }
};

void ExpectSameChanges(const TChangeBlock& a, const TChangeBlock& b) {
    ASSERT_EQ(a.Count, b.Count);
    for (int i = 1; i <= a.Count; ++i) {
        EXPECT_EQ(a.Table[i].ChangeText, b.Table[i].ChangeText) << i;
        EXPECT_EQ(a.Table[i].ChangeDate, b.Table[i].ChangeDate) << i;
        EXPECT_EQ(a.Table[i].ChangeName, b.Table[i].ChangeName) << i;
        EXPECT_EQ(a.Table[i].ChangeDescription, b.Table[i].ChangeDescription) << i;
    }
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(a.Info.Rows[r].Date, b.Info.Rows[r].Date) << r;
        EXPECT_EQ(a.Info.Rows[r].Name, b.Info.Rows[r].Name) << r;
    }
    EXPECT_EQ(a.Info.ReplacementFor, b.Info.ReplacementFor);
    EXPECT_EQ(a.Info.ReplacedBy, b.Info.ReplacedBy);
    ASSERT_EQ(a.TextCount, b.TextCount);
    for (int i = 1; i <= a.TextCount; ++i) {
        EXPECT_EQ(a.Texts[i].x, b.Texts[i].x) << i;
        EXPECT_EQ(a.Texts[i].y, b.Texts[i].y) << i;
        EXPECT_EQ(a.Texts[i].h, b.Texts[i].h) << i;
        EXPECT_EQ(a.Texts[i].phi, b.Texts[i].phi) << i;
        EXPECT_EQ(a.Texts[i].Text, b.Texts[i].Text) << i;
    }
}

void ExpectSameJob(const TJobData& a, const TJobData& b) {
    EXPECT_TRUE(a.Gear == b.Gear);
    EXPECT_TRUE(a.Defaults == b.Defaults);
    EXPECT_TRUE(a.Titles == b.Titles);
    EXPECT_TRUE(a.Links == b.Links);
    ExpectSameChanges(a.Changes, b.Changes);
}

// Answers the file dialogs of the job file: choose `path`, or cancel when it is empty.
class ChooseFile : public ModalResponder {
public:
    explicit ChooseFile(std::string path) : path_(std::move(path)) {}
    void RespondForm(TForm&) override {}
    int RespondMessage(const MessageQuestion& q) override {
        questions.push_back(q.Text);
        return q.CancelAnswer();
    }
    bool RespondDialog(TCommonDialog& d) override {
        ++dialogs;
        auto* open = dynamic_cast<TOpenDialog*>(&d);
        if (!open || path_.empty()) return false;
        initialDir = open->InitialDir;
        open->Choose(path_);
        return true;
    }
    int dialogs = 0;
    std::string initialDir;
    std::vector<std::string> questions;

private:
    std::string path_;
};

// Runs body in a child process (its exit code returned): for the file-system limits below.
template <typename F> int InChild(F body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class JobFile : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobalState();
        SetProductIdentity();
        ResetProgramData();
        ErrorBoxesOn = 0;
        AbortFlag = 0;
        ArchiveMode = 0;
        ArchiveFlag = 0;
        DecimalSign = 1;
        FloatDigits = 3;
        dir_ = qortest::FreshTestDir("qor_jobfile_");
        DataDir = dir_.string() + "/";
    }
    void TearDown() override {
        DecimalSign = 1;
        FloatDigits = 3;
        ErrorBoxesOn = 1;
        ::chmod(dir_.c_str(), 0755);
        fs::remove_all(dir_);
    }
    std::string P(const std::string& name) const { return (dir_ / name).string(); }
    std::vector<std::string> Names() const { return qortest::SortedNames(dir_); }
    // Loads path and expects it to fail with nothing changed.
    void ExpectRefused(const std::string& path, const std::string& what) {
        DataFileName = "before";
        const std::string dirBefore = DataDir;
        const Snapshot before = Snapshot::Take();
        AbortFlag = 0;
        LoadJobFile(path);
        EXPECT_EQ(AbortFlag, 1) << what;
        EXPECT_FALSE(LastJobFileProblem().empty()) << what;
        ExpectSameJob(TJobData::Current(), before.data);
        EXPECT_EQ(DataFileName, "before") << what;
        EXPECT_EQ(DataDir, dirBefore) << what;
        AbortFlag = 0;
    }
    fs::path dir_;
};

// The k-th real of FillEveryJobValue: a value of its own, with four decimals.
long double OwnReal(int k) {
    const long double v = Dec(std::to_string(k * 3) + "." + std::to_string(1000 + k * 7));
    return k % 4 == 0 ? -v : v;
}

// Sets every value the job file holds to a value of its own (texts with characters of the DOS
// page), and nothing else; real(k) gives the k-th real.
void FillEveryJobValue(long double (*real)(int) = OwnReal) {
    TGearData& g = GearData;
    int k = 0;
    const auto R = [&k, real] { return real(++k); };
    const auto I = [&k] { return ++k * 11; };
    const auto T = [&k](const char* stem) { return stem + std::to_string(++k) + " ÄÖÜäöüß±°"; };
    for (int i = 1; i <= 2; ++i) {
        g.DrawingName[i] = T("Name ");
        g.DrawingNumber[i] = T("Nr");
        g.DrawingName2[i] = T("Zweite Zeile ");
        g.hfP0mn[i] = R();
        g.z[i] = i == 2 ? -I() : I();
        g.x[i] = R();
        g.BasicRackType[i] = static_cast<std::uint16_t>(I());
        g.haP0mn[i] = R();
        g.rhoaP0mn[i] = R();
        g.prP0mn[i] = R();
        g.alprP0[i] = R();
        g.bGear[i] = R();
        g.da[i] = R();
        g.Q[i] = I();
        g.AsnSeries[i] = static_cast<std::uint16_t>(I());
        g.TsnSeries[i] = static_cast<std::uint16_t>(I());
        g.q[i] = R();
        g.DM[i] = R();
        g.hFfP0mn[i] = R();
        g.alkP0[i] = R();
        g.LoadGearValue1[i] = R();
        g.LoadGearValue2[i] = R();
        g.Asne[i] = R();
        g.Asni[i] = R();
        g.MatName[i] = T("Stahl");
        g.MatCode[i] = static_cast<std::uint16_t>(I());
        g.MatStrength1[i] = R();
        g.MatStrength2[i] = R();
        g.MatStrength3[i] = R();
        g.MatE[i] = R();
        g.MatNu[i] = R();
        g.MatRho[i] = R();
        g.dOptional[i] = R();
        g.MatCode2[i] = static_cast<std::uint16_t>(I());
        g.k[i] = -I();
        g.LoadTriple[i] = {R(), R(), R()};
        g.LoadPairDE[i] = {R(), R()};
        g.LoadWordPair3[i] = I();
        g.ToothCorrection[i] = T("Korrektur ");
        g.ToolRecordNo[i] = static_cast<std::uint16_t>(I());
        g.BasicRackName[i] = T("Bp");
        g.qTol[i] = R();
        g.ToothAlignment[i] = static_cast<std::uint16_t>(i);
        g.rhofP0mn[i] = R();
        g.TipInputMode[i] = static_cast<std::uint16_t>(I());
        g.kmn[i] = R();
        g.TipModeValue[i] = R();
    }
    g.alpha = R();
    g.beta = R();
    g.mn = R();
    g.b = R();
    g.a = R();
    g.Aae = 0;
    g.Aai = Dec("-2");
    g.AaField = static_cast<std::uint16_t>(I());
    for (std::size_t i = 1; i <= 12; ++i)
        g.LoadReal[i] = R();
    g.LoadWord[1] = I();
    g.LoadWord[2] = I();
    g.LoadChar = {0, 'N', 'Y', 'a', '\x81', '\x01', '~'};
    for (std::size_t i = 1; i <= 10; ++i)
        g.LoadFactor[i] = R();
    for (std::size_t i = 1; i <= 10; ++i)
        g.LoadPair[i] = {R(), R()};
    g.CalcMode = static_cast<std::uint16_t>(I());
    g.PlanetCount = I();
    for (std::size_t i = 1; i <= 5; ++i)
        g.LoadInt[i] = I();
    g.LoadSpectrumCount = 3;
    for (std::size_t i = 1; i <= 3; ++i)
        g.LoadSpectrum.at(i) = {R(), R()};
    g.InvolutePoints = I();
    g.RingGearShapes = I();
    g.GearShapes = I();
    g.FilletResolution = I();
    g.DrawRootCurve = false;
    g.CalcOption = I();
    g.MeasureMode = I();
    g.QualityStandard = I();
    g.WarningMode = I();

    TLoadDefaults& d = LoadDefaults;
    for (long double* v :
         {&d.Value1, &d.Value2, &d.Value3, &d.Value6, &d.Value7, &d.Value8, &d.Value9, &d.Value10,
          &d.Value11, &d.Value12, &d.Value13, &d.Value15, &d.Value16})
        *v = R();
    d.Value5 = I();
    d.Value17 = I();

    TitleTexts[1] = "Titel eins ÄÖÜ ±";
    TitleTexts[2] = "Titel zwei ß °";
    ChangeCount = 2;
    ChangeTable[1] = {"Änderung eins", "01.02.2024", "Mül", "erste Zeile\nzweite Zeile"};
    std::string longText;
    for (int i = 0; i < 30; ++i)
        longText += "Zeile " + std::to_string(i) + " äöü\n";
    ChangeTable[2] = {"Change two", "2024-03-04", "Smith", longText};
    for (int r = 1; r <= 4; ++r)
        DrawingInfo.Rows[r] = {"0" + std::to_string(r) + ".05.2024", "Name ü" + std::to_string(r)};
    DrawingInfo.ReplacementFor = "Ersatz für A";
    DrawingInfo.ReplacedBy = "Ersetzt durch B";
    DrawingTextCount = 2;
    DrawingTexts[1] = {real == OwnReal ? Dec("12.5") : R(), real == OwnReal ? Dec("-7.25") : R(),
                       real == OwnReal ? Dec("3.5") : R(), real == OwnReal ? Dec("45") : R(),
                       "Text ü eins"};
    DrawingTexts[2] = {Dec("100"), Dec("250"), 0, 0, "zwei | mit Strich"};
    for (int i = 1; i <= 5; ++i)
        DocumentLinks[i] = {"prog" + std::to_string(i) + " é", "/home/u/doc ü" + std::to_string(i)};
}

// ---- layout -------------------------------------------------------------------------------------

TEST_F(JobFile, DefaultJobHasItsLineCountVersionLineAndCrLf) {
    WriteGearDataFile("default");
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    const std::string bytes = ReadBytes(P("default.q1w"));
    const auto lines = Lines(bytes);
    ASSERT_EQ(lines.size(), 237u);
    EXPECT_EQ(lines[kJobVersionLine - 1], "V6.0");
    EXPECT_EQ(kJobVersionLine, 129);
    EXPECT_EQ(lines[0], std::string(65, '-'));
    EXPECT_EQ(lines[4], std::string(65, '-'));
    // Every line ends in CR LF and holds no other line break.
    std::size_t lf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n') {
            ++lf;
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << i;
        }
    EXPECT_EQ(lf, 237u);
    EXPECT_EQ(lines.back(), "3");                       // the hand of helix of the designed gear
    EXPECT_EQ(lines[7 + 8], "20.0000000");              // alpha
    EXPECT_EQ(lines[7 + 14], "4");                      // AaField
    EXPECT_EQ(lines[236 - 20], std::string(1, '\x01')); // DrawRootCurve true
}

TEST_F(JobFile, NamesAreCompletedAsTheFileCommandsExpect) {
    DataDir = "/data/jobs";
    DataFileExt = "q1w";
    EXPECT_EQ(JobFileSavePath("gear"), "/data/jobs/gear.q1w");
    EXPECT_EQ(JobFileSavePath("gear.txt"), "gear.txt");
    EXPECT_EQ(JobFileSavePath("/tmp/x/gear"), "/tmp/x/gear.q1w");
    EXPECT_EQ(JobFileLoadPath("null"), "/data/jobs/null.q1w");
    EXPECT_EQ(JobFileLoadPath("/tmp/x/gear"), "/tmp/x/gear");
    EXPECT_EQ(JobFileLoadPath("gear.qor"), "gear.qor");
    DataDir = "";
    EXPECT_EQ(JobFileSavePath("gear"), "gear.q1w");
}

TEST_F(JobFile, DescriptionLineBreaksBecomeBarsAndBack) {
    EXPECT_EQ(DescriptionToJobLine("a\r\nb\rc\nd\n"), "a|b|c|d|");
    EXPECT_EQ(JobLineToDescription("a|b||c"), "a\nb\n\nc");
    const std::string longText(1000, 'x');
    EXPECT_EQ(DescriptionToJobLine(longText), longText);
}

// ---- round trips --------------------------------------------------------------------------------

class JobFileRoundTrip : public JobFile,
                         public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(JobFileRoundTrip, EveryValueSurvivesAndTheSecondSaveIsByteIdentical) {
    DecimalSign = static_cast<std::uint16_t>(GetParam().first);
    FloatDigits = static_cast<std::uint16_t>(GetParam().second);
    FillEveryJobValue();
    const TJobData expected = TJobData::Current();
    WriteGearDataFile(P("first.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    const std::string first = ReadBytes(P("first.q1w"));
    EXPECT_EQ(Lines(first).size(), 237u + 6 + 10 + 2);
    EXPECT_EQ(DecimalSign == 2,
              first.find("\r\n20,5") != std::string::npos || first.find(",1") != std::string::npos);

    ResetProgramData();
    LoadJobFile(P("first.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    ExpectSameJob(TJobData::Current(), expected);

    WriteGearDataFile(P("second.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(ReadBytes(P("second.q1w")), first);
}

INSTANTIATE_TEST_SUITE_P(DecimalSignAndDigits, JobFileRoundTrip,
                         ::testing::Values(std::pair{1, 3}, std::pair{2, 3}, std::pair{1, 6},
                                           std::pair{2, 6}));

// Reals at the ends of what a long double holds, and at the file's seven decimals: every line
// the writer makes reads back to the value it was written from, and the second save is the same.
long double ExtremeReal(int k) {
    constexpr long double kMax = std::numeric_limits<long double>::max();
    const long double values[] = {kMax, -kMax, 1e4089L, -1e4932L,
                                  -1,   0.5L,  1e-7L,   -123456789.0078125L};
    return values[static_cast<std::size_t>(k) % std::size(values)];
}

TEST_F(JobFile, ExtremeRealsInEveryFieldLoadBackTheSame) {
    FillEveryJobValue(ExtremeReal);
    const TJobData written = TJobData::Current();
    WriteGearDataFile(P("first.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    const std::string first = ReadBytes(P("first.q1w"));
    const auto lines = Lines(first);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.size() > 4940; }));

    ResetProgramData();
    LoadJobFile(P("first.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    ExpectSameJob(TJobData::Current(), written);
    WriteGearDataFile(P("second.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(ReadBytes(P("second.q1w")), first);
}

TEST_F(JobFile, TextsKeepTheirCodePagePerField) {
    FillEveryJobValue();
    WriteGearDataFile(P("pages.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    const auto lines = Lines(ReadBytes(P("pages.q1w")));
    // Drawing name: DOS page (Ä = 0x8E); document links: Windows page (é = 0xE9).
    EXPECT_NE(lines[7].find('\x8E'), std::string::npos);
    const auto docs = std::find(lines.begin(), lines.end(), "documents");
    ASSERT_NE(docs, lines.end());
    EXPECT_EQ(*(docs + 3), "prog1 \xE9");
    EXPECT_EQ(*(docs + 4), "/home/u/doc \xFC"
                           "1");
    // The change block is in the DOS page (ü = 0x81), whatever device listed last.
    const auto changes = std::find(lines.begin(), lines.end(), "CHANGES");
    ASSERT_NE(changes, lines.end());
    EXPECT_EQ(*(changes + 5), "M\x81l");
    EXPECT_EQ(*(changes + 6), "erste Zeile|zweite Zeile");
}

TEST_F(JobFile, LineBreaksAndBarsInTextsNeverShiftLaterValues) {
    TitleTexts[1] = "two\nlines";
    GearData.DrawingName[2] = "a\r\nb";
    GearData.MatName[1] = "x\ny";
    DrawingInfo.Rows[2].Name = "A|B";
    DrawingInfo.Rows[4].Date = "1|2";
    ChangeCount = 1;
    ChangeTable[1] = {"text\nmore", "date", "nm", "d"};
    DocumentLinks[1].DocFile = "f\ng";
    WriteGearDataFile(P("breaks.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    const auto lines = Lines(ReadBytes(P("breaks.q1w")));
    EXPECT_EQ(lines.size(), 237u + 5);
    EXPECT_EQ(lines[5], "two lines");
    LoadJobFile(P("breaks.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(TitleTexts[1], "two lines");
    EXPECT_EQ(GearData.DrawingName[2], "a  b");
    EXPECT_EQ(DrawingInfo.Rows[2].Name, "A/B");
    EXPECT_EQ(DrawingInfo.Rows[3].Date, "");
    EXPECT_EQ(DrawingInfo.Rows[4].Date, "1/2");
    EXPECT_EQ(ChangeTable[1].ChangeText, "text more");
    EXPECT_EQ(DocumentLinks[1].DocFile, "f g");
    EXPECT_EQ(GearData.ToothAlignment[2], 3);
}

TEST_F(JobFile, ValuesThatAreNoNumbersStillGiveALoadableFile) {
    GearData.a = std::numeric_limits<long double>::quiet_NaN();
    GearData.x[2] = std::numeric_limits<long double>::infinity();
    DrawingTextCount = 1;
    DrawingTexts[1].x = -std::numeric_limits<long double>::infinity();
    WriteGearDataFile(P("nan.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    LoadJobFile(P("nan.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(GearData.a, 0.0L);
    EXPECT_EQ(GearData.x[2], 0.0L);
    EXPECT_EQ(DrawingTexts[1].x, 0.0L);
}

TEST_F(JobFile, AFullSpectrumOf128EntriesRoundTrips) {
    GearData.LoadSpectrumCount = 128;
    for (std::size_t i = 1; i <= 128; ++i)
        GearData.LoadSpectrum.at(i) = {Dec(std::to_string(i) + ".5"), Dec(std::to_string(i))};
    const TJobData expected = TJobData::Current();
    WriteGearDataFile(P("full.q1w"));
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(Lines(ReadBytes(P("full.q1w"))).size(), 237u + 256);
    ResetProgramData();
    LoadJobFile(P("full.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    ExpectSameJob(TJobData::Current(), expected);
}

// ---- fixtures written from the published layout -------------------------------------------------

class GoldenJob : public JobFile,
                  public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(GoldenJob, LoadsEveryValueAndResavesByteForByte) {
    const std::string golden = kJobs + GetParam().first;
    DecimalSign = static_cast<std::uint16_t>(GetParam().second);
    LoadJobFile(golden);
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    const TGearData& g = GearData;
    EXPECT_EQ(g.alpha, 20.5L);
    EXPECT_EQ(g.beta, -12.25L);
    EXPECT_EQ(g.mn, Dec("1234567.1234567"));
    EXPECT_EQ(g.b, Dec("0.3"));
    EXPECT_EQ(g.Aai, -2.0L);
    EXPECT_EQ(g.z[2], -61);
    EXPECT_EQ(g.MatName[2], "Stahl ÄÖÜ ß");
    EXPECT_EQ(g.DrawingName[2], "Zahnrad é 2");
    EXPECT_EQ(TitleTexts[1], "Kopf ±° eins");
    EXPECT_EQ(TitleTexts[2], "Kopf zwei ç");
    EXPECT_EQ(g.LoadSpectrumCount, 3);
    EXPECT_EQ(g.LoadSpectrum.at(3).v1, Dec("0.2"));
    EXPECT_EQ(g.LoadSpectrum.at(3).v2, 1000000.0L);
    EXPECT_EQ(g.ToothAlignment[1], 1);
    EXPECT_EQ(g.ToothAlignment[2], 2);
    EXPECT_EQ(g.LoadChar[6], '\x81');
    EXPECT_TRUE(g.DrawRootCurve);
    ASSERT_EQ(ChangeCount, 2);
    EXPECT_EQ(ChangeTable[1].ChangeText, "Änderung eins");
    EXPECT_EQ(ChangeTable[1].ChangeName, "Mül");
    EXPECT_EQ(ChangeTable[1].ChangeDescription, "erste Zeile\nzweite Zeile");
    EXPECT_GT(ChangeTable[2].ChangeDescription.size(), 255u); // no length limit
    EXPECT_EQ(ChangeTable[2].ChangeDescription.substr(0, 42),
              "line 1 of a long description äöü\nline 2");
    EXPECT_EQ(DrawingInfo.Rows[2].Name, "Prüfer");
    EXPECT_EQ(DrawingInfo.Rows[1].Date, "05.06.2024");
    EXPECT_EQ(DrawingInfo.ReplacementFor, "Ersatz für 1");
    ASSERT_EQ(DrawingTextCount, 2);
    EXPECT_EQ(DrawingTexts[1].y, -7.25L);
    EXPECT_EQ(DrawingTexts[1].Text, "Text é eins");
    EXPECT_EQ(DrawingTexts[2].Text, "zwei | mit Strich");
    EXPECT_EQ(DocumentLinks[3].DocProgram, "prog3 é");
    EXPECT_EQ(DocumentLinks[5].DocFile, "/home/user/doc5 ü.pdf");

    WriteGearDataFile(P("resaved.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(ReadBytes(P("resaved.q1w")), ReadBytes(golden));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, GoldenJob,
                         ::testing::Values(std::pair{"golden.q1w", 1},
                                           std::pair{"golden_comma.q1w", 2}));

TEST_F(JobFile, OlderFilesKeepTheHandAndJoinSplitDescriptions) {
    LoadJobFile(kJobs + "golden.q1w");
    ASSERT_EQ(AbortFlag, 0);
    TJobData golden = TJobData::Current();
    ResetProgramData();
    GearData.ToothAlignment[2] = 3;
    LoadJobFile(kJobs + "older.q1w");
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(GearData.ToothAlignment[2], 3); // not in the file: kept
    golden.Gear.ToothAlignment[2] = 3;
    ExpectSameJob(TJobData::Current(), golden); // everything after the split line in place
}

TEST_F(JobFile, OlderGenerationFilesMayEndEarly) {
    LoadJobFile(kJobs + "golden.q1w");
    ASSERT_EQ(AbortFlag, 0);
    const TGearData golden = GearData;
    ResetProgramData();
    const TGearData defaults = GearData;
    LoadJobFile(kJobs + "older_short.qor");
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(GearData.MatName[2], golden.MatName[2]);
    EXPECT_EQ(GearData.CalcMode, golden.CalcMode);
    EXPECT_EQ(GearData.LoadFactor[9], golden.LoadFactor[9]);
    EXPECT_EQ(GearData.LoadFactor[10], defaults.LoadFactor[10]); // not in the file: kept
    EXPECT_EQ(GearData.kmn[2], defaults.kmn[2]);
    // The same lines as a current job file are a truncated file.
    WriteBytes(P("short.q1w"), ReadBytes(kJobs + "older_short.qor"));
    ResetProgramData();
    ExpectRefused(P("short.q1w"), "short q1w");
    // An older file that ends inside the gear blocks is refused too.
    const auto lines = Lines(ReadBytes(kJobs + "older_short.qor"));
    WriteBytes(P("cut.qor"), JoinLines(lines, 7 + 40));
    ExpectRefused(P("cut.qor"), "cut qor");
}

TEST_F(JobFile, ExampleJobsLoad) {
    for (const char* name : {"null", "spur", "helical", "internal"}) {
        ResetProgramData();
        DataDir = QOR_SOURCE_DIR "/data/";
        LoadJobFile(name);
        EXPECT_EQ(AbortFlag, 0) << name << ": " << LastJobFileProblem();
    }
    DataDir = QOR_SOURCE_DIR "/data/";
    LoadJobFile("internal");
    EXPECT_LT(GearData.z[2], 0);
    LoadJobFile("null");
    for (std::size_t i = 1; i <= 6; ++i)
        EXPECT_EQ(GearData.LoadChar[i], 'N');
}

// ---- failed loads change nothing ----------------------------------------------------------------

// Seeded mutations of the example jobs (a line replaced by an extreme or odd number or text,
// dropped or repeated): a load is either refused and changes nothing, or its values save and
// load again to the same file, and a calculation on them stops with a fatal message or gives
// finite numbers only.
TEST_F(JobFile, MutatedJobsLoadBackIdenticallyOrChangeNothing) {
    const std::string kWords[] = {
        "1e4089",     "-1.18e4932",  "3.7e-4951",  "1e-300",
        "2147483647", "-2147483648", "2147483648", "65536",
        "-1",         "0",           "nan",        "inf",
        "",           "1,5",         "x",          std::string(6000, '9')};
    std::mt19937 rnd(27);
    for (int n = 0; n < 240; ++n) {
        const char* job = n % 2 == 0 ? "/data/helical.q1w" : "/data/internal.q1w";
        const auto lines = Lines(ReadBytes(std::string(QOR_SOURCE_DIR) + job));
        auto mutated = lines;
        const std::size_t at = 7 + rnd() % (lines.size() - 7);
        switch (rnd() % 4) {
        case 0:
            mutated[at] = kWords[rnd() % std::size(kWords)];
            break;
        case 1:
            mutated.erase(mutated.begin() + static_cast<long>(at));
            break;
        case 2:
            mutated.insert(mutated.begin() + static_cast<long>(at), mutated[at]);
            break;
        default:
            mutated[at] = std::to_string(static_cast<int>(rnd())) + ".5";
            break;
        }
        WriteBytes(P("mutated.q1w"), JoinLines(mutated, mutated.size()));
        ResetProgramData();
        const Snapshot before = Snapshot::Take();
        AbortFlag = 0;
        LoadJobFile(P("mutated.q1w"));
        if (AbortFlag != 0) {
            EXPECT_TRUE(TJobData::Current().Gear == before.data.Gear) << "mutation " << n;
            continue;
        }
        WriteGearDataFile(P("first.q1w"));
        LoadJobFile(P("first.q1w"));
        WriteGearDataFile(P("second.q1w"));
        ASSERT_EQ(AbortFlag, 0) << "mutation " << n << ": " << LastJobFileProblem();
        EXPECT_EQ(ReadBytes(P("second.q1w")), ReadBytes(P("first.q1w"))) << "mutation " << n;
        CalculateGears();
        if (CalcErrorFlag == 0)
            EXPECT_EQ(FirstNonFiniteValue(), "") << "mutation " << n;
        else
            EXPECT_TRUE(std::any_of(ErrorList.begin(), ErrorList.begin() + ErrorCount,
                                    [](const auto& m) { return m.str().rfind("Fatal", 0) == 0; }))
                << "mutation " << n;
    }
}

TEST_F(JobFile, EveryTruncationIsRefusedAndChangesNothing) {
    FillEveryJobValue(); // the data in memory differs from the file in every value
    const auto lines = Lines(ReadBytes(kJobs + "golden.q1w"));
    ASSERT_EQ(lines.size(), 255u);
    for (std::size_t n = 0; n + 1 < lines.size(); ++n) {
        WriteBytes(P("cut.q1w"), JoinLines(lines, n));
        ExpectRefused(P("cut.q1w"), "first " + std::to_string(n) + " lines");
    }
    // Only the appended hand-of-helix line may be missing (or blank).
    WriteBytes(P("cut.q1w"), JoinLines(lines, lines.size() - 1));
    GearData.ToothAlignment[2] = 7;
    LoadJobFile(P("cut.q1w"));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(GearData.ToothAlignment[2], 7);
    WriteBytes(P("cut.q1w"), JoinLines(lines, lines.size() - 1) + "  \r\n");
    LoadJobFile(P("cut.q1w"));
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(GearData.ToothAlignment[2], 7);
    WriteBytes(P("cut.q1w"), JoinLines(lines, lines.size() - 1) + "x\r\n");
    ExpectRefused(P("cut.q1w"), "hand not a number");
}

TEST_F(JobFile, UnreadableContentIsRefused) {
    const auto lines = Lines(ReadBytes(kJobs + "golden.q1w"));
    const auto withLine = [&](std::size_t index, const std::string& text) {
        auto v = lines;
        v.at(index) = text;
        WriteBytes(P("bad.q1w"), JoinLines(v, v.size()));
        return P("bad.q1w");
    };
    const std::size_t count = 7 + 151; // LoadSpectrumCount
    ASSERT_EQ(lines[count], "3");
    FillEveryJobValue();
    ExpectRefused(withLine(count, "129"), "spectrum count 129");
    ExpectRefused(withLine(count, "-1"), "spectrum count -1");
    ExpectRefused(withLine(7 + 8, "abc"), "alpha not a number");
    ExpectRefused(withLine(7 + 8, ""), "alpha empty");
    ExpectRefused(withLine(7 + 14, "70000"), "AaField beyond a word");
    ExpectRefused(withLine(7 + 18, "1.5"), "z not whole");
    const auto changes = std::find(lines.begin(), lines.end(), "CHANGES") - lines.begin();
    ExpectRefused(withLine(static_cast<std::size_t>(changes) + 1, "26"), "26 changes");
    const auto docs = std::find(lines.begin(), lines.end(), "documents") - lines.begin();
    ExpectRefused(withLine(static_cast<std::size_t>(docs) + 1, "6"), "6 links");
    // The record line of the signature rows names 9 drawing texts.
    const std::size_t record = static_cast<std::size_t>(docs) - 7;
    ASSERT_EQ(std::count(lines[record].begin(), lines[record].end(), '|'), 8);
    ExpectRefused(withLine(record, "a|b|c|d|e|f|9||"), "9 drawing texts");
    ExpectRefused(withLine(record, "|||||x|y|0||"), "a field more");
    EXPECT_NE(LastJobFileProblem().find(": line " + std::to_string(record + 1) +
                                        ": the drawing information holds 9 fields"),
              std::string::npos);
    ExpectRefused(withLine(record + 5, "x|1|2|3|t||"), "drawing text x not a number");
    ExpectRefused(P("missing.q1w"), "missing file");
}

TEST_F(JobFile, AChosenFileSetsNameAndDirectoryOnlyWhenItLoads) {
    DataFileName = "before";
    DataDir = dir_.string() + "/";
    {
        ChooseFile answer(kJobs + "golden.q1w");
        ResponderScope scope(answer);
        LoadJobFile("");
        EXPECT_EQ(answer.dialogs, 1);
        EXPECT_EQ(answer.initialDir, dir_.string() + "/");
    }
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(DataFileName, "golden");
    EXPECT_EQ(DataDir, kJobs);

    const auto lines = Lines(ReadBytes(kJobs + "golden.q1w"));
    WriteBytes(P("cut.q1w"), JoinLines(lines, 100));
    DataFileName = "before";
    DataDir = "/somewhere/";
    const Snapshot before = Snapshot::Take();
    {
        ChooseFile answer(P("cut.q1w"));
        ResponderScope scope(answer);
        LoadJobFile("");
    }
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(DataFileName, "before");
    EXPECT_EQ(DataDir, "/somewhere/");
    ExpectSameJob(TJobData::Current(), before.data);

    AbortFlag = 0;
    {
        ChooseFile cancel("");
        ResponderScope scope(cancel);
        LoadJobFile("");
    }
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(DataFileName, "before");
}

// ---- failed saves keep the old file -------------------------------------------------------------

TEST_F(JobFile, AFullDiskKeepsTheOldJob) {
    const std::string old = ReadBytes(kJobs + "golden.q1w");
    WriteBytes(P("job.q1w"), old);
    const int code = InChild([&] {
        std::signal(SIGXFSZ, SIG_IGN); // writes beyond the limit fail with EFBIG
        rlimit lim{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        FillEveryJobValue(); // about 4 kB
        AbortFlag = 0;
        WriteGearDataFile(P("job.q1w"));
        return AbortFlag == 1 ? 0 : 1;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(P("job.q1w")), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"job.q1w"}); // no temporary file left
}

TEST_F(JobFile, AReadOnlyPlaceKeepsTheOldJob) {
    const std::string old = ReadBytes(kJobs + "golden.q1w");
    WriteBytes(P("job.q1w"), old);
    ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
    const int code = InChild([&] {
        // Root passes every permission bit: give it up first.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 3;
        AbortFlag = 0;
        WriteGearDataFile(P("job.q1w"));
        return AbortFlag == 1 ? 0 : 1;
    });
    ::chmod(dir_.c_str(), 0755);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(P("job.q1w")), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"job.q1w"});
}

TEST_F(JobFile, AMissingDirectoryIsReported) {
    WriteGearDataFile(P("no/such/dir/job.q1w"));
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_FALSE(LastJobFileProblem().empty());
    EXPECT_TRUE(Names().empty());
}

TEST_F(JobFile, ArchiveModeSavesOnlyActual) {
    ArchiveMode = 1;
    ArchiveFlag = 1;
    WriteGearDataFile("job");
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(LastJobFileProblem(), "Option is not available in archive mode.");
    EXPECT_TRUE(Names().empty());
    AbortFlag = 0;
    WriteGearDataFile("actual");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(Names(), std::vector<std::string>{"actual.q1w"});
    EXPECT_EQ(ArchiveMode, 1);
    ArchiveFlag = 0; // archive mode without the setting ends at the next save
    WriteGearDataFile("job");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ArchiveMode, 0);
    EXPECT_TRUE(fs::exists(P("job.q1w")));
}

TEST_F(JobFile, SaveDialogChoosesDirectoryAndName) {
    fs::create_directories(dir_ / "sub");
    DataFileName = "before";
    {
        ChooseFile answer(P("sub/chosen.q1w"));
        ResponderScope scope(answer);
        WriteGearDataFile("");
    }
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_TRUE(fs::exists(dir_ / "sub" / "chosen.q1w"));
    EXPECT_EQ(DataFileName, "chosen");
    EXPECT_EQ(DataDir, P("sub") + "/");
    {
        ChooseFile cancel("");
        ResponderScope scope(cancel);
        WriteGearDataFile("");
    }
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(DataFileName, "chosen");
}

TEST_F(JobFile, AFailedSaveAsKeepsDirectoryAndNameForThePlainSave) {
    DataFileName = "before";
    const std::string dirBefore = DataDir;
    {
        ChooseFile answer(P("gone/chosen.q1w")); // a directory that does not exist
        ResponderScope scope(answer);
        WriteGearDataFile("");
    }
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(DataDir, dirBefore);
    EXPECT_EQ(DataFileName, "before");
    AbortFlag = 0;
    WriteGearDataFile(DataFileName); // the plain save goes where it went before
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(Names(), std::vector<std::string>{"before.q1w"});
}

// Older writers left the flag as the digit "0" or "1" instead of the byte 0 or 1.
TEST_F(JobFile, FlagsWrittenAsDigitsReadAsTheirValue) {
    GearData.DrawRootCurve = true;
    WriteGearDataFile(P("on.q1w"));
    GearData.DrawRootCurve = false;
    WriteGearDataFile(P("off.q1w"));
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    auto lines = Lines(ReadBytes(P("on.q1w")));
    const auto off = Lines(ReadBytes(P("off.q1w")));
    ASSERT_EQ(lines.size(), off.size());
    const auto flag = std::mismatch(lines.begin(), lines.end(), off.begin()).first - lines.begin();
    ASSERT_EQ(lines[flag], std::string(1, '\x01'));
    for (const bool before : {false, true})
        for (const char* digit : {"0", "1"}) {
            lines[flag] = digit;
            WriteBytes(P("digits.q1w"), JoinLines(lines, lines.size()));
            GearData.DrawRootCurve = before;
            LoadJobFile(P("digits.q1w"));
            ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
            EXPECT_EQ(GearData.DrawRootCurve, *digit == '1') << digit << " over " << before;
        }
}

} // namespace

namespace {

TEST(ChangeTable, ANewJobClearsChangesAndSignaturesButKeepsDrawingTexts) {
    InitGlobalState();
    InitShellData();
    ChangeCount = 3;
    for (int r = 1; r <= 4; ++r)
        DrawingInfo.Rows[r] = {"01.01.2000", "Name"};
    DrawingInfo.ReplacementFor = "A";
    DrawingInfo.ReplacedBy = "B";
    DrawingTextCount = 1;
    DrawingTexts[1].Text = "kept";
    const ClockReading now{2025, 3, 9, 10, 0, 0, 0};
    SetClockForTesting(&now);
    ClearChangeTable();
    const std::string today = DateString();
    SetClockForTesting(nullptr);
    EXPECT_EQ(ChangeCount, 0);
    EXPECT_NE(today.find("2025"), std::string::npos);
    EXPECT_EQ(DrawingInfo.Rows[1].Date, today);
    EXPECT_EQ(DrawingInfo.Rows[1].Name, "");
    for (int r = 2; r <= 4; ++r) {
        EXPECT_EQ(DrawingInfo.Rows[r].Date, "") << r;
        EXPECT_EQ(DrawingInfo.Rows[r].Name, "") << r;
    }
    EXPECT_EQ(DrawingInfo.ReplacementFor, "");
    EXPECT_EQ(DrawingInfo.ReplacedBy, "");
    EXPECT_EQ(DrawingTextCount, 1);
    EXPECT_EQ(DrawingTexts[1].Text, "kept");
}

TEST(DocumentLinks, StartWithTheEditorAndNoFile) {
    DocumentLinks[2] = {"x", "y"};
    InitDocumentLinks();
    for (const auto& link : DocumentLinks) {
        EXPECT_EQ(link.DocProgram, "NOTEPAD.EXE");
        EXPECT_EQ(link.DocFile, "");
    }
}

} // namespace
