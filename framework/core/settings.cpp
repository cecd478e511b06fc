// The user settings and their start values; the product identity.
#include "framework/core/settings.h"

#include "framework/core/maths.h"
#include "platform/os/paths.h"

RangeArray<std::string, 1, 3> IdentTexts;

std::string ExternalDbfProgram;
std::uint16_t DatabaseMode = 1;
std::string WordProcessor;
std::string HtmlBrowser;
std::string PrintoutDbfDir;
std::string DefaultDataDir;
std::string ConfigDir;
std::uint16_t DateCode = 2;
std::int32_t HeaderSpaceLines = 0;
std::uint16_t TextDevice = 1;
std::uint8_t TextDeviceWindow = 0;
std::uint8_t SmallOnlineWindow = 0;
std::uint8_t EnterDiagramLimits = 0;
std::uint16_t DecimalSign = 1;
std::int32_t FormSizePercent = 102;
std::uint16_t UnitSystem = 0;
std::uint16_t PrintHeaderMode = 1;
std::int32_t FormLeft = 1;
std::int32_t FormTop = 1;
std::int32_t DbfGridPosA = 1;
std::int32_t DbfGridPosB = 1;
std::uint16_t FrameOption = 0;
std::uint16_t ListDecimalSign = 2;
RangeArray<std::string, 1, 4> RecentFiles;
std::int32_t RecentFilesMenuIndex = 0;
std::uint16_t CharsetMode = 2;
std::uint8_t CadBatchOutput = 0;
std::uint16_t CharMode = 0;
std::int32_t ScaleByPercent = 100;
std::uint8_t StartOptionG = 0;
std::uint16_t AngleFormat = 2;
std::int32_t Language = 0;
std::int32_t ResultScreen = 0;
bool ConfigOption = false;
bool ConfigSwitch = false;
bool LanguageKept = false;
std::uint16_t ListToClipboard = 0;
std::int32_t TitleBlockOption = 1;
std::int32_t FitFormMode = 0;
RangeArray<std::string, 1, 5> UnitSystemNames;

long double ZoomIncrement = 1.2L;
long double PanFactor = 0.1L;
TZoomRect ZoomRect{0, 640, 0, 480};
TVisibleWindow VisibleWindow{0, 1, 0, 1};
long double GraphicXFactor = 1;
std::uint8_t KeepAspect = 1;
std::int32_t BackgroundColour = 1;
long double AspectFactor = 1;
std::string GraphicsFont;
long double GraphicsTextWH = 0.8L;
long double TextHeightFactor = 1;
std::uint16_t GraphicsTextStyle = 0;
RangeArray<std::int32_t, 0, 15> Palette;
bool Edit3D = true;
RangeArray<long double, 1, 3> View3DAngles;

double PrintScaleX = 1;
double PrintScaleY = 1;
std::int32_t PrintOffsetX = 0;
std::int32_t PrintOffsetY = 0;
std::uint8_t PrintBorder = 0;
std::uint8_t PrintDialogBox = 1;
TTextWindowRect TextWindowRect{10, 40, 700, 440};
std::uint16_t DrawingKind = 0;
std::string PrintFont;
std::uint16_t PrintTextSize = 10;
std::uint16_t PrintTextStyle = 0;
std::uint16_t PrintoutRecNo = 0;
double ScreendumpScale = 1;
double PrintScaleVertical = 1;
std::int32_t ScreendumpOriginX = 0;
std::int32_t ScreendumpOriginY = 0;
bool ScreendumpBorder = false;
std::uint16_t PrinterOrientation = 2;

RangeArray<ShortString<32>, 0, 5> LayerNames;
RangeArray<std::int32_t, 0, 5> LayerColours;
RangeArray<std::int32_t, 16, 31> ColourTable;
RangeArray<std::int32_t, 16, 31> PenWidths;
ShortString<32> CadTextFont;
long double CadTextFactor = 1;
long double CadFontAngle = 0;
bool LayerMonochrome = false;
RangeArray<std::int32_t, 0, 5> LineThickness;
std::int32_t CadDecimals = 6;
std::uint16_t PlotLineCount = 1;
std::uint16_t SelectedPlotLine = 1;
RangeArray<std::string, 1, 5> PlotLines;
long double ConfiguredScaleFactor = 1;
bool NoProductLine = false;
bool NoFileNameLine = false;
bool NoDateLine = false;
bool NoLogo = false;
bool NoDrawingFooter = false;
bool NoFrame = false;
std::string FourthRowLabel;

const char* const DefaultPlotLine = "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0";

void SetProductIdentity() {
    VersionCode = "1.1";
    ProductTitle = "QOR1W";
    ProgramName = "qor1w";
    DataFileExt = "q1w";
    MakerTitle = "QOR1W - Involute Gear Dimensions";
    IdentTexts[1] = "QOR1W involute spur and helical gears";
    IdentTexts[2] = "Linux edition 1.1";
    IdentTexts[3] = "Gear geometry in extended precision";
}

void InitSettings() {
    // The stored defaults are program paths in Windows layout, kept as text; the places that run
    // them map these names to Linux programs.
    ExternalDbfProgram = "C:\\TABVIEW\\TABVIEW.EXE";
    DatabaseMode = 1;
    WordProcessor = "C:\\WINDOWS\\WRITE.EXE";
    HtmlBrowser = "c:\\Program Files\\Internet Explorer\\Iexplore.exe";
    const std::string cwd = os::CurrentDirectory();
    PrintoutDbfDir = cwd;
    // Blank: the usual place on this computer (the settings check fills it in without storing
    // it), never the folder the program was started from.
    DefaultDataDir.clear();
    ConfigDir = cwd;
    DateCode = 2;
    HeaderSpaceLines = 0;
    TextDevice = 1;
    TextDeviceWindow = 0;
    SmallOnlineWindow = 0;
    EnterDiagramLimits = 0;
    DecimalSign = 1;
    FormSizePercent = 102;
    UnitSystem = 0;
    PrintHeaderMode = 1;
    FormLeft = 1;
    FormTop = 1;
    DbfGridPosA = 1;
    DbfGridPosB = 1;
    FrameOption = 0;
    ListDecimalSign = 2;
    for (auto& f : RecentFiles)
        f.clear();
    RecentFilesMenuIndex = 0;
    CharsetMode = 2;
    CadBatchOutput = 0;
    CharMode = 0;
    ScaleByPercent = 100;
    StartOptionG = 0;
    AngleFormat = 2;
    Language = 0;
    ResultScreen = 0;
    ConfigOption = false;
    ConfigSwitch = false;
    LanguageKept = false;
    ListToClipboard = 0;
    TitleBlockOption = 1;
    FitFormMode = 0;
    UnitSystemNames[1] = "metric (mm, N, MPa, Nmm, \u00B0C)";
    UnitSystemNames[2] = "imperial (in, lbf, psi, lbfin, degF)";
    UnitSystemNames[3] = "metric (mm, kN, MPa, Nm, \u00B0C)";
    UnitSystemNames[4] = "metric (mm, N, N/mm\u00B2, Nmm, \u00B0C)";
    UnitSystemNames[5] = "metric (mm, kN, N/mm\u00B2, Nm, \u00B0C)";
}

void ResetPalette() {
    Palette[0] = RGBColour(0, 0, 0);
    Palette[1] = RGBColour(0, 0, 128);
    Palette[2] = RGBColour(0, 255, 0);
    Palette[3] = RGBColour(0, 255, 255);
    Palette[4] = RGBColour(255, 0, 0);
    Palette[5] = RGBColour(128, 0, 128);
    Palette[6] = RGBColour(128, 0, 0);
    Palette[7] = RGBColour(192, 192, 192);
    Palette[8] = RGBColour(176, 176, 176);
    Palette[9] = RGBColour(0, 0, 255);
    Palette[10] = RGBColour(0, 255, 0);
    Palette[11] = RGBColour(0, 255, 255);
    Palette[12] = RGBColour(255, 0, 0);
    Palette[13] = RGBColour(255, 0, 255);
    Palette[14] = RGBColour(255, 255, 0);
    Palette[15] = RGBColour(255, 255, 255);
}

void InitGraphicsSettings() {
    // The graphics unit starts with 1.02 and 0.02; the drawing window then sets 1.2 and 0.1,
    // which are the values in force until the configuration is read.
    ZoomIncrement = 1.2L;
    PanFactor = 0.1L;
    ZoomRect = {0, 640, 0, 480};
    VisibleWindow = {0, 1, 0, 1};
    GraphicXFactor = 1;
    KeepAspect = 1;
    BackgroundColour = 1;
    AspectFactor = 1;
    GraphicsFont = "Arial";
    GraphicsTextWH = 0.8L;
    TextHeightFactor = 1;
    GraphicsTextStyle = 0;
    ResetPalette();
    Edit3D = true;
    View3DAngles[1] = DegToRad(-15);
    View3DAngles[2] = DegToRad(90);
    View3DAngles[3] = DegToRad(210);
}

void InitPrintSettings() {
    PrintScaleX = 1;
    PrintScaleY = 1;
    PrintOffsetX = 0;
    PrintOffsetY = 0;
    PrintBorder = 0;
    PrintDialogBox = 1;
    TextWindowRect = {10, 40, 700, 440};
    DrawingKind = 0;
    PrintFont = "Courier New";
    PrintTextSize = 10;
    PrintTextStyle = 0;
    PrintoutRecNo = 0;
    ScreendumpScale = 1;
    PrintScaleVertical = 1;
    ScreendumpOriginX = 0;
    ScreendumpOriginY = 0;
    ScreendumpBorder = false;
    PrinterOrientation = 2;
}

void InitCadConfigTables() {
    for (int i = 16; i <= 31; ++i) {
        ColourTable[i] = i - 15;
        PenWidths[i] = 1;
    }
    PlotLineCount = 1;
    SelectedPlotLine = 1;
    for (auto& line : PlotLines)
        line = DefaultPlotLine;
}

void InitCadConfig() {
    InitCadConfigTables();
    static const char* const names[] = {"0", "1", "2", "3", "4", "5"};
    static const std::int32_t colours[] = {1, 2, 2, 2, 3, 1};
    static const std::int32_t thickness[] = {3, 1, 1, 1, 2, 3};
    for (int i = 0; i <= 5; ++i) {
        LayerNames[i] = names[i];
        LayerColours[i] = colours[i];
        LineThickness[i] = thickness[i];
    }
    CadTextFont = "TXT8";
    CadTextFactor = 1;
    CadFontAngle = 0;
    LayerMonochrome = false;
    CadDecimals = 6;
    ConfiguredScaleFactor = 1;
    NoProductLine = false;
    NoFileNameLine = false;
    NoDateLine = false;
    NoLogo = false;
    NoDrawingFooter = false;
    NoFrame = false;
    FourthRowLabel.clear();
}

void InitAllSettings() {
    InitGlobalState();
    InitSettings();
    InitGraphicsSettings();
    InitPrintSettings();
    InitCadConfig();
}

namespace {
// Start values before main runs. Only variables of this unit are touched (DegToRad is a pure
// function), so the order of initialisation between units does not matter.
const bool settingsReady =
    (InitSettings(), InitGraphicsSettings(), InitPrintSettings(), InitCadConfig(), true);
} // namespace
