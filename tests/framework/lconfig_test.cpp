// Configuration and session files: layout, round trip, older and damaged files, search places,
// first start, and giving up on a file that cannot be written.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <sstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/config_file.h"
#include "framework/core/files.h"
#include "framework/core/rewrite_retry.h"
#include "framework/core/settings.h"
#include "framework/core/maths.h"
#include "framework/core/uihooks.h"

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<std::string> SplitCrLf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines, std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i)
        s += lines[i] + "\r\n";
    return s;
}

TScreenMetrics FixedMetrics() {
    TScreenMetrics m;
    m.ScreenWidth = 1920;
    m.ScreenHeight = 1080;
    m.WindowHeight = 700;
    m.ClientHeight = 600;
    m.PixelsPerInch = 120;
    return m;
}

int questionsAsked = 0;
int retriesBeforeCancel = 0;
bool AnswerRetryThenCancel(const std::string&, const std::string&) {
    ++questionsAsked;
    return questionsAsked <= retriesBeforeCancel;
}

std::vector<std::string> shownErrors;
void CollectError(const std::string& text) {
    shownErrors.push_back(text);
}

// Every test runs in its own directories: the start directory, the user's configuration
// directory and the system one, all below a fresh temporary folder.
class ConfigFiles : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) /
                ("qorcfg_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "start");
        fs::create_directories(root_ / "xdg");
        fs::create_directories(root_ / "etc");
        savedXdg_ = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("XDG_CONFIG_HOME", (root_ / "xdg").c_str(), 1);
        // The user's data and temporary directories of the test (the usual places of blank or
        // foreign folders).
        fs::create_directories(root_ / "tmp");
        for (const char* name : {"XDG_DATA_HOME", "TMPDIR"}) {
            const char* v = std::getenv(name);
            savedEnv_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        }
        setenv("XDG_DATA_HOME", (root_ / "share").c_str(), 1);
        setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
        SystemConfigDir = (root_ / "etc" / "qor1w").string();
        InitAllSettings();
        SetProductIdentity();
        ConfigDir = (root_ / "start").string();
        StartDir = ConfigDir;
        ScreenMetricsHook = &FixedMetrics;
        RetryQuestionHook = nullptr;
        questionsAsked = 0;
        retriesBeforeCancel = 0;
        shownErrors.clear();
        ConfigShowErrorHook = &CollectError;
        InitErrors();
    }
    void TearDown() override {
        setenv("XDG_CONFIG_HOME", savedXdg_.c_str(), 1);
        for (const auto& [name, value] : savedEnv_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        ShippedDataDir.clear();
        RetryQuestionHook = &AskRetryOrCancel;
        ScreenMetricsHook = &DefaultScreenMetrics;
        MessageBoxHook = nullptr;
        fs::remove_all(root_);
    }
    fs::path StartCfg() const { return root_ / "start" / "qor1w.cfg"; }

    fs::path root_;
    std::string savedXdg_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};

// A value different from the start value for every stored setting.
void SetEverySettingToNonDefault() {
    for (int i = 1; i <= 5; ++i) {
        LayerNames[i] = "LAYER_" + std::to_string(i);
        LayerColours[i] = 40 + i;
    }
    CadTextFont = "ROMANS";
    CadTextFactor = 0.85L;
    CadFontAngle = 15;
    CadDir = "/data/cad/";
    DbfDir = "/data/dbf/";
    HelpLevel = 2;
    PrinterInterface = 3;
    TextPrinterQueue = "office-lp";
    PrinterType = 7;
    PrintDensity = 4;
    RotateHardcopy = 'N';
    FloatDigits = 5;
    PrintDensityVertical = 3;
    ColorGraphics = false;
    GraphicXFactor = 1.5L;
    GraphMode = 12;
    GraphDriver = 9;
    ScreenWidth = 1591;
    ScreenHeight = 1109;
    TempDir = "/data/tmp/";
    HardcopyInterface = 2;
    EdiDir = "/data/edi/";
    PltDir = "/data/plt/";
    FrameStyle = 2;
    LinesPerPage = 72;
    ZoomIncrement = 1.35L;
    PanFactor = 0.25L;
    KelmoraDir = "/opt/kelmora/";
    PlotLineCount = 3;
    PlotLines[1] = "kvilpen first.dxf /M2.0";
    PlotLines[2] = "kvilpen second.dxf";
    PlotLines[3] = "kvilpen third.dxf /X";
    BackgroundColour = RGBColour(10, 20, 30);
    WinPrintMode = 2;
    LayerMonochrome = true;
    GraphicsTextWH = 0.75L;
    GraphicsFont = "DejaVu Sans";
    for (int i = 16; i <= 31; ++i)
        ColourTable[i] = 48 - i;
    WordProcessor = "/usr/bin/gedit";
    DatabaseMode = 3;
    ExternalDbfProgram = "/usr/bin/dbview";
    ScreendumpOriginX = 11;
    ScreendumpOriginY = -7;
    ScreendumpScale = 1.25;
    ScreendumpBorder = true;
    ArchiveFlag = 1;
    DateCode = 4;
    HeaderSpaceLines = 12;
    TextDevice = 7;
    TextDeviceWindow = 1;
    SmallOnlineWindow = 1;
    EnterDiagramLimits = 1;
    DecimalSign = 2;
    DefaultDataDir = "/data/jobs/";
    TextHeightFactor = 1.125L;
    FormSizePercent = 130;
    HtmlBrowser = "/usr/bin/firefox";
    PrintScaleVertical = 0.875;
    for (int i = 0; i <= 5; ++i)
        LineThickness[i] = 10 + i;
    PrintDialogBox = 0;
    TextWindowRect = {15, 25, 800, 555};
    UnitSystem = 1;
    PrintHeaderMode = 2;
    PrintFont = "Liberation Mono";
    PrintTextSize = 12;
    PrintTextStyle = 3;
    GraphicsTextStyle = 5;
    PrinterOrientation = 1;
    Edit3D = false;
    View3DAngles[1] = 0.5L;
    View3DAngles[2] = -1.25L;
    View3DAngles[3] = 2.75L;
    FrameOption = 1;
    ListDecimalSign = 1;
    FourthRowLabel = "Gepr\xC3\xBC"
                     "ft"; // "Geprüft"
    CadDecimals = 9;
    CharsetMode = 3;
    for (int i = 16; i <= 31; ++i)
        PenWidths[i] = i - 13;
    CharMode = 2;
    ScaleByPercent = 95;
    AngleFormat = 1;
    ConfiguredScaleFactor = 2.5L;
    ConfigOption = true;
    Language = 12;
    ResultScreen = 5;
    NoProductLine = true;
    NoFileNameLine = true;
    NoDateLine = false;
    NoLogo = true;
    NoDrawingFooter = true;
    NoFrame = true;
    ConfigSwitch = true;
    LanguageKept = true;
    TitleBlockOption = 3;
    for (int i = 0; i <= 15; ++i)
        Palette[i] = RGBColour(i * 10, 255 - i, i + 1);
    Palette[7] = RGBColour(0, 0, 0); // black must survive too
}

void ExpectEverySettingNonDefault() {
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(LayerNames[i].str(), "LAYER_" + std::to_string(i));
        EXPECT_EQ(LayerColours[i], 40 + i);
    }
    EXPECT_EQ(CadTextFont.str(), "ROMANS");
    EXPECT_EQ(CadTextFactor, 0.85L);
    EXPECT_EQ(CadFontAngle, 15.0L);
    EXPECT_EQ(CadDir, "/data/cad/");
    EXPECT_EQ(DbfDir, "/data/dbf/");
    EXPECT_EQ(HelpLevel, 2);
    EXPECT_EQ(PrinterInterface, 3);
    EXPECT_EQ(TextPrinterQueue, "office-lp");
    EXPECT_EQ(PrinterType, 7);
    EXPECT_EQ(PrintDensity, 4);
    EXPECT_EQ(RotateHardcopy, 'N');
    EXPECT_EQ(FloatDigits, 5);
    EXPECT_EQ(PrintDensityVertical, 3);
    EXPECT_FALSE(ColorGraphics);
    EXPECT_EQ(GraphicXFactor, 1.5L);
    EXPECT_EQ(GraphMode, 12);
    EXPECT_EQ(GraphDriver, 9);
    EXPECT_EQ(ScreenWidth, 1591);
    EXPECT_EQ(ScreenHeight, 1109);
    EXPECT_EQ(TempDir, "/data/tmp/");
    EXPECT_EQ(HardcopyInterface, 2);
    EXPECT_EQ(EdiDir, "/data/edi/");
    EXPECT_EQ(PltDir, "/data/plt/");
    EXPECT_EQ(FrameStyle, 2);
    EXPECT_EQ(LinesPerPage, 72);
    EXPECT_EQ(ZoomIncrement, 1.35L);
    EXPECT_EQ(PanFactor, 0.25L);
    EXPECT_EQ(KelmoraDir, "/opt/kelmora/");
    EXPECT_EQ(PlotLineCount, 3);
    EXPECT_EQ(PlotLines[1], "kvilpen first.dxf /M2.0");
    EXPECT_EQ(PlotLines[2], "kvilpen second.dxf");
    EXPECT_EQ(PlotLines[3], "kvilpen third.dxf /X");
    EXPECT_EQ(BackgroundColour, RGBColour(10, 20, 30));
    EXPECT_EQ(WinPrintMode, 2);
    EXPECT_TRUE(LayerMonochrome);
    EXPECT_EQ(GraphicsTextWH, 0.75L);
    EXPECT_EQ(GraphicsFont, "DejaVu Sans");
    for (int i = 16; i <= 31; ++i)
        EXPECT_EQ(ColourTable[i], 48 - i);
    EXPECT_EQ(WordProcessor, "/usr/bin/gedit");
    EXPECT_EQ(DatabaseMode, 3);
    EXPECT_EQ(ExternalDbfProgram, "/usr/bin/dbview");
    EXPECT_EQ(ScreendumpOriginX, 11);
    EXPECT_EQ(ScreendumpOriginY, -7);
    EXPECT_EQ(ScreendumpScale, 1.25);
    EXPECT_TRUE(ScreendumpBorder);
    EXPECT_EQ(ArchiveFlag, 1);
    EXPECT_EQ(DateCode, 4);
    EXPECT_EQ(HeaderSpaceLines, 12);
    EXPECT_EQ(TextDevice, 7);
    EXPECT_EQ(TextDeviceWindow, 1);
    EXPECT_EQ(SmallOnlineWindow, 1);
    EXPECT_EQ(EnterDiagramLimits, 1);
    EXPECT_EQ(DecimalSign, 2);
    EXPECT_EQ(DefaultDataDir, "/data/jobs/");
    EXPECT_EQ(TextHeightFactor, 1.125L);
    EXPECT_EQ(FormSizePercent, 130);
    EXPECT_EQ(HtmlBrowser, "/usr/bin/firefox");
    EXPECT_EQ(PrintScaleVertical, 0.875);
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(LineThickness[i], 10 + i);
    EXPECT_EQ(PrintDialogBox, 0);
    EXPECT_EQ(TextWindowRect, (TTextWindowRect{15, 25, 800, 555}));
    EXPECT_EQ(UnitSystem, 1);
    EXPECT_EQ(PrintHeaderMode, 2);
    EXPECT_EQ(PrintFont, "Liberation Mono");
    EXPECT_EQ(PrintTextSize, 12);
    EXPECT_EQ(PrintTextStyle, 3);
    EXPECT_EQ(GraphicsTextStyle, 5);
    EXPECT_EQ(PrinterOrientation, 1);
    EXPECT_FALSE(Edit3D);
    EXPECT_EQ(View3DAngles[1], 0.5L);
    EXPECT_EQ(View3DAngles[2], -1.25L);
    EXPECT_EQ(View3DAngles[3], 2.75L);
    EXPECT_EQ(FrameOption, 1);
    EXPECT_EQ(ListDecimalSign, 1);
    EXPECT_EQ(FourthRowLabel, "Gepr\xC3\xBC"
                              "ft");
    EXPECT_EQ(CadDecimals, 9);
    EXPECT_EQ(CharsetMode, 3);
    for (int i = 16; i <= 31; ++i)
        EXPECT_EQ(PenWidths[i], i - 13);
    EXPECT_EQ(CharMode, 2);
    EXPECT_EQ(ScaleByPercent, 95);
    EXPECT_EQ(AngleFormat, 1);
    EXPECT_EQ(ConfiguredScaleFactor, 2.5L);
    EXPECT_TRUE(ConfigOption);
    EXPECT_EQ(Language, 12);
    EXPECT_EQ(ResultScreen, 5);
    EXPECT_TRUE(NoProductLine);
    EXPECT_TRUE(NoFileNameLine);
    EXPECT_FALSE(NoDateLine);
    EXPECT_TRUE(NoLogo);
    EXPECT_TRUE(NoDrawingFooter);
    EXPECT_TRUE(NoFrame);
    EXPECT_TRUE(ConfigSwitch);
    EXPECT_TRUE(LanguageKept);
    EXPECT_EQ(TitleBlockOption, 3);
    for (int i = 0; i <= 15; ++i) {
        if (i == 7) continue;
        EXPECT_EQ(Palette[i], RGBColour(i * 10, 255 - i, i + 1));
    }
    EXPECT_EQ(Palette[7], 0);
}

TEST_F(ConfigFiles, DefaultsGiveTheFixedLayout) {
    WriteConfiguration();
    ASSERT_EQ(AbortFlag, 0);
    const std::string bytes = ReadBytes(StartCfg());
    const auto lines = SplitCrLf(bytes);
    ASSERT_EQ(lines.size(), 250u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1); // CR LF line ends only
    EXPECT_EQ(lines[0], "qor1w Configuration");
    EXPECT_EQ(lines[1], "Version 1.1");
    EXPECT_EQ(lines[2], "Layer");
    EXPECT_EQ(lines[3], "1");
    // Row n (4..36) has its label at line 22 + 2 (n - 4), counted from 0.
    EXPECT_EQ(lines[34], "Printer interface");
    EXPECT_EQ(lines[74], "KELMORA directory");
    EXPECT_EQ(lines[76], "KVILPEN command line");
    EXPECT_EQ(lines[77], "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0");
    EXPECT_EQ(lines[200], "pen width Layer 16..31");
    EXPECT_EQ(lines[248], "16777215"); // the last palette colour, white
    EXPECT_EQ(lines[249], "");         // the text printer's queue: none, the port decides

    // Two more plot lines add two lines after the count.
    PlotLineCount = 3;
    EXPECT_EQ(ConfigurationLines().size(), 252u);
}

TEST_F(ConfigFiles, EverySettingRoundTrips) {
    SetEverySettingToNonDefault();
    WriteConfiguration();
    ASSERT_EQ(AbortFlag, 0);
    EXPECT_EQ(DecimalSign, 2); // restored after writing

    // Every real in the file has a point although the user chose the comma.
    const std::string bytes = ReadBytes(StartCfg());
    EXPECT_NE(bytes.find("\r\n1.3500000\r\n"), std::string::npos);
    EXPECT_EQ(bytes.find("1,35"), std::string::npos);

    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root_ / "start").string();
    ReadConfiguration();
    EXPECT_EQ(AbortFlag, 0);
    ExpectEverySettingNonDefault();
}

TEST_F(ConfigFiles, FloatDigitsDoNotCutStoredReals) {
    FloatDigits = 1; // the screen shows one decimal less than usual
    ZoomIncrement = 1.234567L;
    const auto lines = ConfigurationLines();
    EXPECT_EQ(lines[71], "1.2345670");
}

TEST_F(ConfigFiles, FileCutAfterPrinterInterfaceKeepsLaterDefaults) {
    SetEverySettingToNonDefault();
    const auto full = ConfigurationLines();
    ASSERT_EQ(full[34], "Printer interface");
    std::string cut;
    for (int i = 0; i <= 35; ++i)
        cut += full[static_cast<std::size_t>(i)] + "\r\n";
    WriteBytes(StartCfg(), cut);

    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root_ / "start").string();
    ReadConfiguration();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(PrinterInterface, 3); // read
    EXPECT_EQ(HelpLevel, 2);
    // Everything after it keeps its start value.
    EXPECT_EQ(PrinterType, 3);
    EXPECT_EQ(RotateHardcopy, 'J');
    EXPECT_EQ(FloatDigits, 3);
    EXPECT_TRUE(ColorGraphics);
    EXPECT_EQ(LinesPerPage, 66);
    EXPECT_EQ(ZoomIncrement, 1.2L);
    EXPECT_EQ(DateCode, 2);
    EXPECT_EQ(DecimalSign, 1);
    EXPECT_EQ(PlotLineCount, 1);
    EXPECT_EQ(PlotLines[1], DefaultPlotLine);
    EXPECT_EQ(PrintFont, "Courier New");
    EXPECT_EQ(TextWindowRect, (TTextWindowRect{10, 40, 700, 440}));
    EXPECT_EQ(CadDecimals, 6);
    EXPECT_EQ(Palette[1], RGBColour(0, 0, 128));
    EXPECT_EQ(ListDecimalSign, 2);
    EXPECT_EQ(Language, 0);
    EXPECT_FALSE(NoFrame);
    // The screen size was not in the file: taken from the screen.
    EXPECT_EQ(ScreenWidth, 1920 - 9);
}

TEST_F(ConfigFiles, FileEndingAfterLayerMonochromeTakesCadTextFactor) {
    CadTextFactor = 0.7L;
    const auto full = ConfigurationLines();
    ASSERT_EQ(full[82], "Layer Monochrome");
    std::string cut;
    for (int i = 0; i <= 83; ++i)
        cut += full[static_cast<std::size_t>(i)] + "\r\n";
    WriteBytes(StartCfg(), cut);
    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root_ / "start").string();
    GraphicsFont = "Other";
    ReadConfiguration();
    EXPECT_EQ(GraphicsTextWH, 0.7L);
    EXPECT_EQ(GraphicsFont, "Arial");
}

// Replaces the value line after label (first occurrence) and reads the file.
void ReadWithValue(const fs::path& file, const std::string& label, const std::string& value) {
    auto lines = ConfigurationLines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i] == label) {
            lines[i + 1] = value;
            break;
        }
    WriteBytes(file, JoinCrLf(lines, lines.size()));
    ReadConfiguration();
}

// Every real setting, with the extreme values it keeps (3 significant digits where the file
// writes it so; above the floor its mending sets).
struct RealSetting {
    long double* extended = nullptr; // the setting, or
    double* real = nullptr;          // (two are double)
    std::vector<long double> kept;
    long double Get() const { return extended ? *extended : *real; }
    void Set(long double v) const { extended ? * extended = v : * real = static_cast<double>(v); }
};
std::vector<RealSetting> RealSettings() {
    const long double M = kMaxSettingReal;
    const std::vector<long double> sig3{M, -M, 0.00125L}, real{M, -M, 999999.9999999L, 1e-7L};
    std::vector<RealSetting> all{{&CadTextFactor, nullptr, sig3},
                                 {&CadFontAngle, nullptr, sig3},
                                 {&GraphicXFactor, nullptr, sig3},
                                 {&ZoomIncrement, nullptr, real},
                                 {&PanFactor, nullptr, real},
                                 {&GraphicsTextWH, nullptr, real},
                                 {nullptr, &ScreendumpScale, {M, -M, 0.5L}},
                                 {&TextHeightFactor, nullptr, {M, 0.1L}},
                                 {nullptr, &PrintScaleVertical, {M, 0.5L}},
                                 {&ConfiguredScaleFactor, nullptr, real}};
    for (int i = 1; i <= 3; ++i)
        all.push_back({&View3DAngles[i], nullptr, real});
    return all;
}

TEST_F(ConfigFiles, ExtremeRealsOfEverySettingLoadBackTheSame) {
    for (std::size_t round = 0; round < 4; ++round) {
        InitAllSettings();
        ApplyFirstStartValues(); // the screen sizes a read fills in
        std::vector<long double> set;
        for (const RealSetting& r : RealSettings()) {
            r.Set(r.kept[round % r.kept.size()]);
            set.push_back(r.Get());
        }
        const auto lines = ConfigurationLines();
        InitAllSettings();
        ReadConfigurationLines(lines);
        const auto all = RealSettings();
        for (std::size_t k = 0; k < all.size(); ++k)
            EXPECT_EQ(all[k].Get(), set[k]) << "setting " << k << ", round " << round;
        EXPECT_EQ(ConfigurationLines(), lines) << "round " << round;
    }
}

// A real beyond any setting reads like a line that does not convert, whatever its length, and
// the lines after it keep their places.
TEST_F(ConfigFiles, RealsNoSettingCanHaveAreMended) {
    for (const long double big :
         {1.0000001e6L, 1e4089L, -std::numeric_limits<long double>::max()}) {
        ZoomIncrement = big;
        View3DAngles[3] = big;
        Palette[15] = RGBColour(1, 2, 3);
        const auto lines = ConfigurationLines();
        InitAllSettings();
        ReadConfigurationLines(lines);
        EXPECT_EQ(ZoomIncrement, 1.02L);
        EXPECT_EQ(View3DAngles[3], 0.0L);
        EXPECT_EQ(Palette[15], RGBColour(1, 2, 3));
    }
}

// Seeded mutations of a file (a line replaced by an extreme number or an odd text, dropped or
// repeated): whatever was read writes a file that reads back to the same file.
TEST_F(ConfigFiles, MutatedFilesSettleAfterOneRead) {
    const std::string kWords[] = {
        "1e4089", "-1.18e4932", "3.7e-4951", "2147483648",           "-1", "0", "65536",
        "TRUE",   "",           "1,5",       std::string(6000, '9'), "|||"};
    SetEverySettingToNonDefault();
    const auto start = ConfigurationLines();
    std::mt19937 rnd(27);
    for (int n = 0; n < 300; ++n) {
        auto lines = start;
        const std::size_t at = rnd() % lines.size();
        switch (rnd() % 3) {
        case 0:
            lines[at] = kWords[rnd() % std::size(kWords)];
            break;
        case 1:
            lines.erase(lines.begin() + static_cast<long>(at));
            break;
        default:
            lines.insert(lines.begin() + static_cast<long>(at), lines[at]);
            break;
        }
        InitAllSettings();
        ReadConfigurationLines(lines);
        const auto first = ConfigurationLines();
        InitAllSettings();
        ReadConfigurationLines(first);
        EXPECT_EQ(ConfigurationLines(), first) << "mutation " << n << " at line " << at;
    }
}

TEST_F(ConfigFiles, ValuesOutsideTheirRangeAreMended) {
    ReadWithValue(StartCfg(), "Digits for floating point numbers", "12");
    EXPECT_EQ(FloatDigits, 3);
    ReadWithValue(StartCfg(), "Lines per page for printer", "4");
    EXPECT_EQ(LinesPerPage, 66);
    ReadWithValue(StartCfg(), "Date Code", "4");
    EXPECT_EQ(DateCode, 4);
    ReadWithValue(StartCfg(), "Date Code", "5");
    EXPECT_EQ(DateCode, 1);
    ReadWithValue(StartCfg(), "Date Code", "-1"); // does not fit: 0, then mended
    EXPECT_EQ(DateCode, 1);
    ReadWithValue(StartCfg(), "Dot=1 Komma=2", "3");
    EXPECT_EQ(DecimalSign, 1);
    ReadWithValue(StartCfg(), "Textwidth/height CAD", "abc");
    EXPECT_EQ(CadTextFactor, 1.0L);
    ReadWithValue(StartCfg(), "zoom increment", "0");
    EXPECT_EQ(ZoomIncrement, 1.02L);
    ReadWithValue(StartCfg(), "pan faktor", "0,0");
    EXPECT_EQ(PanFactor, 0.01L);
    ReadWithValue(StartCfg(), "Text Font Printout", "");
    EXPECT_EQ(PrintFont, "Courier New");
    ReadWithValue(StartCfg(), "Rotate Hardcopy ?", "");
    EXPECT_EQ(RotateHardcopy, 'N');
    ReadWithValue(StartCfg(), "Windows Screendump Scale", "0");
    EXPECT_EQ(ScreendumpScale, 1.0);
    ReadWithValue(StartCfg(), "Text window left/top/width/height", "1|2|0|400|");
    EXPECT_EQ(TextWindowRect, (TTextWindowRect{10, 40, 700, 440}));
    ReadWithValue(StartCfg(), "Horizontal Pixels", "65535");
    EXPECT_EQ(ScreenWidth, 1911);
    ReadWithValue(StartCfg(), "Edit 3D x,y,z ?", "anything");
    EXPECT_TRUE(Edit3D);
    ReadWithValue(StartCfg(), "Color graphics", "true");
    EXPECT_TRUE(ColorGraphics);
    ReadWithValue(StartCfg(), "Textwidth/height Graphics", "1,5");
    EXPECT_EQ(GraphicsTextWH, 1.5L);

    // The palette comes last but the text printer's queue: a colour that does not convert keeps
    // its value, 0 is black.
    auto lines = ConfigurationLines();
    lines[lines.size() - 2] = "white";
    lines[lines.size() - 3] = "0";
    WriteBytes(StartCfg(), JoinCrLf(lines, lines.size()));
    ReadConfiguration();
    EXPECT_EQ(Palette[15], RGBColour(255, 255, 255));
    EXPECT_EQ(Palette[14], 0);
    EXPECT_EQ(AbortFlag, 0);
}

TEST_F(ConfigFiles, PlotLineCountsOutsideOneToFive) {
    auto lines = ConfigurationLines();
    const std::string label = "KVILPEN Command lines (n, line 2 .. line n)";
    auto it = std::find(lines.begin(), lines.end(), label);
    ASSERT_NE(it, lines.end());
    *(it + 1) = "7";
    std::vector<std::string> extra;
    for (int k = 2; k <= 7; ++k)
        extra.push_back("plot line " + std::to_string(k));
    lines.insert(it + 2, extra.begin(), extra.end());
    WriteBytes(StartCfg(), JoinCrLf(lines, lines.size()));
    ReadConfiguration();
    EXPECT_EQ(PlotLineCount, 5);
    EXPECT_EQ(PlotLines[5], "plot line 5");
    // The settings after the lines are still read at their places.
    EXPECT_EQ(DateCode, 2);
    EXPECT_EQ(PrintFont, "Courier New");
    EXPECT_EQ(Palette[15], RGBColour(255, 255, 255));
    EXPECT_EQ(AbortFlag, 0);

    ReadWithValue(StartCfg(), label, "0");
    EXPECT_EQ(PlotLineCount, 1);
    EXPECT_EQ(SelectedPlotLine, 1);
}

TEST_F(ConfigFiles, WindowsCodePagesAndUtf8TextsReadBack) {
    auto lines = ConfigurationLines();
    lines[3] = "Ma\xDF"; // Windows-1252 sharp s in a layer name
    ASSERT_EQ(lines[189], "3D - Default x,y,z");
    lines[195] = "Gepr\x81"
                 "ft"; // DOS 437 u-umlaut in the fourth-row label
    WriteBytes(StartCfg(), JoinCrLf(lines, lines.size()));
    ReadConfiguration();
    EXPECT_EQ(LayerNames[1].str(), "Ma\xC3\x9F");
    EXPECT_EQ(FourthRowLabel, "Gepr\xC3\xBC"
                              "ft");

    // Texts the Windows page lacks are kept as UTF-8; those it holds are written in it.
    DbfDir = "/data/\xE9\xBD\xBF\xE8\xBD\xAE"; // CJK characters
    CadDir = "/data/M\xC3\xA4rz";
    WriteConfiguration();
    const auto written = SplitCrLf(ReadBytes(StartCfg()));
    EXPECT_EQ(written[29], "/data/M\xE4rz");
    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root_ / "start").string();
    ReadConfiguration();
    EXPECT_EQ(DbfDir, "/data/\xE9\xBD\xBF\xE8\xBD\xAE");
    EXPECT_EQ(CadDir, "/data/M\xC3\xA4rz");
}

TEST_F(ConfigFiles, LinesEndingInLineFeedOnlyAreRead) {
    SetEverySettingToNonDefault();
    auto lines = ConfigurationLines();
    std::string lf;
    for (const auto& l : lines)
        lf += l + "\n";
    // The fourth-row label and the layer names hold no characters outside ASCII except the
    // u-umlaut, which UTF-8 keeps.
    WriteBytes(StartCfg(), lf);
    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root_ / "start").string();
    ReadConfiguration();
    ExpectEverySettingNonDefault();
}

TEST_F(ConfigFiles, SearchPlacesInOrder) {
    // Only in the user's directory, with the name in capitals: found, and ConfigDir follows.
    fs::create_directories(root_ / "xdg" / "qor1w");
    HelpLevel = 0;
    auto lines = ConfigurationLines();
    WriteBytes(root_ / "xdg" / "qor1w" / "QOR1W.CFG", JoinCrLf(lines, lines.size()));
    HelpLevel = 1;
    ReadConfiguration();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(HelpLevel, 0);
    EXPECT_EQ(ConfigDir, (root_ / "xdg" / "qor1w").string());

    // The start directory comes first.
    ConfigDir = (root_ / "start").string();
    HelpLevel = 2;
    lines = ConfigurationLines();
    WriteBytes(StartCfg(), JoinCrLf(lines, lines.size()));
    HelpLevel = 1;
    ReadConfiguration();
    EXPECT_EQ(HelpLevel, 2);
    EXPECT_EQ(ConfigDir, (root_ / "start").string());

    // The system directory last.
    fs::remove(StartCfg());
    fs::remove(root_ / "xdg" / "qor1w" / "QOR1W.CFG");
    fs::create_directories(SystemConfigDir);
    HelpLevel = 0;
    lines = ConfigurationLines();
    WriteBytes(fs::path(SystemConfigDir) / "qor1w.cfg", JoinCrLf(lines, lines.size()));
    HelpLevel = 1;
    ReadConfiguration();
    EXPECT_EQ(HelpLevel, 0);
    // Read from the system, saved for the user.
    EXPECT_EQ(ConfigDir, (root_ / "xdg" / "qor1w").string());
}

TEST_F(ConfigFiles, NoFileAnywhereIsAFirstStart) {
    ScreenWidth = 0;
    ScreenHeight = 65535;
    ReadConfiguration();
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ScreenWidth, 1920 - 9);
    EXPECT_EQ(ScreenHeight, 1080 - 91);
    // The screen height less 80, within the drawing window's height as the configuration
    // dialog keeps it: a save without an edit stores the same.
    EXPECT_EQ(TextWindowRect.Height, 1080 - 91 + 1);
    // round((700 / (600 + 46) + 0.009) * 120 / 96 * 100)
    EXPECT_EQ(FormSizePercent, 137);
    EXPECT_EQ(HelpLevel, 1); // nothing else changes
    // The settings of a first start are saved for the user, never into the start directory.
    EXPECT_EQ(ConfigDir, (root_ / "xdg" / "qor1w").string());
    AbortFlag = 0;
    WriteConfiguration();
    EXPECT_TRUE(fs::exists(root_ / "xdg" / "qor1w" / "qor1w.cfg"));
    EXPECT_FALSE(fs::exists(StartCfg()));
}

TEST_F(ConfigFiles, NothingIsWrittenWhileAbortFlagIsSet) {
    AbortFlag = 1;
    WriteConfiguration();
    EXPECT_FALSE(fs::exists(StartCfg()));
}

TEST_F(ConfigFiles, ReplacingLeavesNoTemporaryFiles) {
    WriteBytes(StartCfg(), "old contents\r\n");
    WriteConfiguration();
    EXPECT_EQ(SplitCrLf(ReadBytes(StartCfg())).size(), 250u);
    int files = 0;
    for (const auto& e : fs::directory_iterator(root_ / "start")) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ConfigFiles, UnwritablePlacesAskRetryOrCancel) {
    // The start directory and the user's directory lie below a plain file: nothing can be
    // created there, whoever runs the test.
    WriteBytes(root_ / "plain", "x");
    ConfigDir = (root_ / "plain" / "cfg").string();
    setenv("XDG_CONFIG_HOME", (root_ / "plain").c_str(), 1);

    RetryQuestionHook = &AnswerRetryThenCancel;
    retriesBeforeCancel = 2;
    WriteConfiguration();
    EXPECT_EQ(questionsAsked, 3); // two retries, then Cancel
    EXPECT_EQ(AbortFlag, 1);

    // Without message boxes: a few silent tries, then give up.
    AbortFlag = 0;
    questionsAsked = 0;
    ErrorBoxesOn = 0;
    WriteSessionFile();
    EXPECT_EQ(questionsAsked, 0);
    EXPECT_EQ(AbortFlag, 1);
    ErrorBoxesOn = 1;

    // Without a question at all (no GUI).
    RetryQuestionHook = nullptr;
    AbortFlag = 0;
    WriteSessionFile();
    EXPECT_EQ(AbortFlag, 1);
}

TEST_F(ConfigFiles, NewFilesGoToTheFirstWritablePlace) {
    WriteBytes(root_ / "plain", "x");
    ConfigDir = (root_ / "plain" / "cfg").string(); // cannot be created
    WriteConfiguration();
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(fs::exists(root_ / "xdg" / "qor1w" / "qor1w.cfg"));
    EXPECT_EQ(ConfigDir, (root_ / "xdg" / "qor1w").string());
}

TEST(RewriteRetryLoop, RetriesUntilSuccessAndCountsCodes) {
    AbortFlag = 0;
    ErrorBoxesOn = 1;
    questionsAsked = 0;
    retriesBeforeCancel = 10;
    RetryQuestionHook = &AnswerRetryThenCancel;
    int calls = 0;
    EXPECT_TRUE(RewriteRetry([&] { return ++calls < 3 ? 5 : 0; }));
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(questionsAsked, 2);
    EXPECT_EQ(AbortFlag, 0);
    RetryQuestionHook = &AskRetryOrCancel;
    EXPECT_EQ(RewriteErrorText(19), "remove write protect !");
    EXPECT_EQ(RewriteErrorText(5), "I/O-Error: permission denied");
    EXPECT_EQ(RewriteErrorText(101, "/x/qor1w.cfg"), "I/O-Error: /x/qor1w.cfg: the disk is full");
}

TEST_F(ConfigFiles, SessionFileKeepsFourRecentFiles) {
    DataDir = "/home/user/gears/";
    for (int i = 1; i <= 4; ++i)
        RecentFiles[i] = "/home/user/gears/job" + std::to_string(i) + ".q1w";
    WriteSessionFile();
    ASSERT_EQ(AbortFlag, 0);
    // The recent files are the user's, wherever the program was started from.
    const fs::path user = root_ / "xdg" / "qor1w" / "qor1w.cff";
    EXPECT_FALSE(fs::exists(root_ / "start" / "qor1w.cff"));
    const auto lines = SplitCrLf(ReadBytes(user));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "qor1w Session /home/user/gears/");

    for (auto& f : RecentFiles)
        f = "x";
    DataDir = "TRAIN";
    ReadSessionFile();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(RecentFiles[i], "/home/user/gears/job" + std::to_string(i) + ".q1w");
    EXPECT_EQ(DataDir, "TRAIN"); // the first line is never used

    // A set-up that kept its session file beside the configuration is still read.
    fs::rename(user, root_ / "start" / "qor1w.cff");
    RecentFiles[2] = "x";
    ReadSessionFile();
    EXPECT_EQ(RecentFiles[2], "/home/user/gears/job2.q1w");

    fs::remove(root_ / "start" / "qor1w.cff");
    ReadSessionFile();
    for (int i = 1; i <= 4; ++i)
        EXPECT_TRUE(RecentFiles[i].empty());
}

// Folders of a configuration from a Windows installation, blank ones and ones this computer
// lacks: each gets its place here, all in one message, and none is ever part of a file name.
TEST_F(ConfigFiles, DirectorySettingsGetPlacesOfThisComputer) {
    fs::create_directories(root_ / "ok");
    fs::create_directories(root_ / "shipped");
    WriteBytes(root_ / "plainfile", "x");
    ShippedDataDir = (root_ / "shipped").string();
    const std::string ok = (root_ / "ok").string() + "/";
    const std::string temp = (root_ / "tmp").string() + "/";
    const std::string data = (root_ / "share" / "qor1w").string() + "/";
    const std::string shipped = ShippedDataDir + "/";
    struct Case {
        std::string* setting;
        const char* label;
        std::string stored;
        std::string place; // "" : stays as stored
        bool told;         // named in the message
    };
    const std::vector<Case> cases = {
        {&TempDir, "temporary directory", "C:\\TEMP\\", temp, true},
        {&DbfDir, "DBF Directory", "C:\\KELMORA\\DBF\\", data, true},
        {&PltDir, "PLT Directory", "   ", shipped, false},
        {&EdiDir, "EDI Directory", (root_ / "plainfile").string(), data, true},
        {&DefaultDataDir, "Data Directory",
         "D:\\Zahnr\xC3\xA4"
         "der\\",
         data, true},
        {&CadDir, "CAD Directory", ok, "", false},
    };
    for (const Case& c : cases)
        *c.setting = c.stored;
    const auto stamp = fs::last_write_time(root_ / "ok");
    CheckConfiguredDirectories();
    EXPECT_EQ(fs::last_write_time(root_ / "ok"), stamp); // checked without writing into it
    EXPECT_EQ(AbortFlag, 0); // nothing asked
    ASSERT_EQ(shownErrors.size(), 1u);
    for (const Case& c : cases) {
        EXPECT_EQ(*c.setting, c.place.empty() ? c.stored : c.place) << c.label;
        const std::string line = "invalid " + std::string(c.label) + " configured: " + c.stored +
                                 " does not exist here.\n        now used: " + c.place;
        EXPECT_EQ(shownErrors[0].find(line) != std::string::npos, c.told) << shownErrors[0];
    }
    EXPECT_TRUE(fs::is_directory(data)); // made for the user
    EXPECT_NE(shownErrors[0].find("Save the settings"), std::string::npos);

    // Once: the places are folders of this computer now; a later start with the same stored
    // folders is not told again, other folders are.
    shownErrors.clear();
    CheckConfiguredDirectories();
    EXPECT_TRUE(shownErrors.empty());
    for (const Case& c : cases)
        *c.setting = c.stored;
    CheckConfiguredDirectories();
    EXPECT_TRUE(shownErrors.empty());
    TempDir = "C:\\WINDOWS\\TEMP\\";
    CheckConfiguredDirectories();
    ASSERT_EQ(shownErrors.size(), 1u);
    EXPECT_NE(shownErrors[0].find("C:\\WINDOWS\\TEMP\\ does not exist here"), std::string::npos);
    for (const Case& c : cases)
        *c.setting = c.stored;
    CheckConfiguredDirectories();
    EXPECT_EQ(shownErrors.size(), 2u); // the first set again, after another one was told
    for (const Case& c : cases)
        *c.setting = c.stored;
    CheckConfiguredDirectories();
    EXPECT_EQ(shownErrors.size(), 2u);

    // Saved: a replaced folder as the place now used, a blank one blank again; nothing names the
    // start directory or a Windows folder.
    WriteConfiguration();
    const auto lines = SplitCrLf(ReadBytes(StartCfg()));
    auto valueAfter = [&](const std::string& label) {
        const auto it = std::find(lines.begin(), lines.end(), label);
        return it == lines.end() || it + 1 == lines.end() ? std::string("?") : *(it + 1);
    };
    // The label line of each directory in the file.
    auto StoredDir = [&](const std::string& label) {
        return valueAfter(label == "Data Directory" ? "Default Data Directory" : label);
    };
    EXPECT_EQ(valueAfter("temporary directory"), temp);
    EXPECT_EQ(valueAfter("PLT Directory"), "");
    EXPECT_EQ(valueAfter("Default Data Directory"), data);
    for (const Case& c : cases)
        EXPECT_EQ(StoredDir(c.label).find(":\\"), std::string::npos) << c.label;

    // No data folder can be made: a folder of this user's own (0700, a name no other run has),
    // removed at the end with what it holds.
    setenv("XDG_DATA_HOME", (root_ / "plainfile" / "share").c_str(), 1);
    EdiDir = DbfDir = "";
    CheckConfiguredDirectories();
    EXPECT_EQ(EdiDir.rfind(temp + "qor1w-" + std::to_string(::getuid()) + "-", 0), 0u) << EdiDir;
    EXPECT_TRUE(DbfDir == EdiDir && InNotKeptFolder(EdiDir + "x"));
    EXPECT_EQ(fs::status(EdiDir).permissions(), fs::perms::owner_all);
    WriteBytes(fs::path(EdiDir) / "q1toolx.dbf", "x");
    RemoveTemporaryFiles();
    EXPECT_FALSE(fs::exists(EdiDir));
}

// What the dialog shows comes back after a save: reals keep the layout's text where it holds
// the value, and get the digits they need where it does not.
TEST_F(ConfigFiles, SavedRealsLoadBackExactly) {
    ApplyFirstStartValues(); // the screen sizes a read fills in
    View3DAngles[1] = DegToRad(-15);
    View3DAngles[2] = DegToRad(90);
    View3DAngles[3] = DegToRad(210);
    ScreendumpScale = 1.0 / 3;
    CadTextFactor = 0.8333L; // a real of three significant digits in the layout
    ZoomIncrement = 1.02L;
    const auto lines = ConfigurationLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "1.0200000"), lines.end());
    const auto angles = View3DAngles;
    InitAllSettings();
    SetProductIdentity();
    ReadConfigurationLines(lines);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(View3DAngles[i], angles[i]) << i;
    EXPECT_EQ(RadToDeg(View3DAngles[2]), RadToDeg(DegToRad(90)));
    EXPECT_NEAR(static_cast<double>(RadToDeg(View3DAngles[2])), 90.0, 1e-12);
    EXPECT_EQ(ScreendumpScale, 1.0 / 3);
    EXPECT_EQ(CadTextFactor, 0.8333L);
    EXPECT_EQ(ZoomIncrement, 1.02L);
    EXPECT_EQ(ConfigurationLines(), lines);
}

// Files no settings file can be (an endless device, a huge file, a folder) are refused with a
// message that says why; the settings keep their values.
TEST_F(ConfigFiles, EndlessAndHugeSettingsFilesAreRefused) {
    const std::string big(2u << 20, '\n');
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> make;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"endless", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
         "it is a device, not a file"},
        {"a pipe", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); }, "it is a named pipe"},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }, "it is a folder"},
        {"huge", [&](const fs::path& p) { WriteBytes(p, big); }, "larger than 1048576 bytes"},
        {"a long line", [](const fs::path& p) { WriteBytes(p, std::string(65537, 'x')); },
         "a line is longer than 65536 characters"},
    };
    for (const Case& c : cases) {
        fs::remove(StartCfg());
        c.make(StartCfg());
        ConfigDir = (root_ / "start").string();
        shownErrors.clear();
        HelpLevel = 2;
        ScreenWidth = ScreenHeight = 0;
        AbortFlag = 0;
        ReadConfiguration();
        EXPECT_EQ(AbortFlag, 1) << c.what;
        EXPECT_EQ(HelpLevel, 2) << c.what;
        // The window still gets the screen's size, as at a first start.
        EXPECT_EQ(ScreenWidth + 9, FixedMetrics().ScreenWidth) << c.what;
        ASSERT_EQ(shownErrors.size(), 1u) << c.what;
        EXPECT_NE(shownErrors[0].find(c.says), std::string::npos) << shownErrors[0];
        EXPECT_NE(shownErrors[0].find(StartCfg().string()), std::string::npos) << shownErrors[0];
        // A later save does not go over the refused file.
        EXPECT_EQ(ConfigDir, (root_ / "xdg" / "qor1w").string()) << c.what;
        std::string problem;
        EXPECT_FALSE(ReadConfigurationFile(StartCfg().string(), problem)) << c.what;
        EXPECT_NE(problem.find(c.says), std::string::npos) << problem;

        // The same as the session file: no recent files, no hang.
        fs::create_directories(root_ / "xdg" / "qor1w");
        const fs::path session = root_ / "xdg" / "qor1w" / "qor1w.cff";
        fs::remove(session);
        c.make(session);
        RecentFiles[1] = "x";
        ReadSessionFile();
        EXPECT_TRUE(RecentFiles[1].empty()) << c.what;
        fs::remove(session);
    }
}

} // namespace

namespace {

// Answers Retry a given number of times, then Cancel, and records the questions: the message
// box of the user interface as the core reaches it.
struct RetryResponder {
    int retries = 0;
    std::vector<MessageQuestion> questions;
};
RetryResponder* currentResponder = nullptr;
int RespondRetry(std::string_view text, std::string_view caption, unsigned flags) {
    MessageQuestion q;
    q.Text = std::string(text);
    q.Caption = std::string(caption);
    q.Flags = flags;
    currentResponder->questions.push_back(q);
    return static_cast<int>(currentResponder->questions.size()) <= currentResponder->retries
               ? IDRETRY
               : IDCANCEL;
}

TEST_F(ConfigFiles, TheMessageBoxAsksRetryOrCancel) {
    WriteBytes(root_ / "plain", "x");
    ConfigDir = (root_ / "plain" / "cfg").string();
    setenv("XDG_CONFIG_HOME", (root_ / "plain").c_str(), 1);
    RetryQuestionHook = &AskRetryOrCancel;
    RetryResponder responder{1, {}};
    currentResponder = &responder;
    MessageBoxHook = &RespondRetry;
    WriteSessionFile();
    MessageBoxHook = nullptr;
    ASSERT_EQ(responder.questions.size(), 2u);
    EXPECT_EQ(responder.questions[0].Caption, "Error  : ");
    // The question names the file and what is wrong with its way.
    EXPECT_EQ(responder.questions[0].Text,
              "I/O-Error: " + (root_ / "plain" / "cfg" / "qor1w.cff").string() + ": " +
                  (root_ / "plain").string() + " is no folder");
    EXPECT_EQ(responder.questions[0].Buttons(), MB_RETRYCANCEL);
    EXPECT_EQ(AbortFlag, 1);
}

} // namespace
