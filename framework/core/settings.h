#pragma once
// The user settings shared by the configuration file, the configuration dialog, the drawing
// window, the CAD layer and the listings, with their start values; and the product identity.
//
// Each variable has one definition here. Some parts of the program call a setting by another
// name; they are the same variable:
//   CadFont = CadTextFont               CadTextWH = CadTextFactor
//   DxfDecimals = CadDecimals           PenColours[1..16] = ColourTable[16..31]
//   PenWidths[1..16] = PenWidths[16..31] KvilpenCommandLines = PlotLines
//   ResultView = ResultScreen           SaveMenuLanguage = LanguageKept
//   DimensionFactor = ConfiguredScaleFactor  TitleBlockType = TitleBlockOption
//   ChangeIndexStyle = FrameOption      TitleBlockRow4Label = ReleaseFieldText = FourthRowLabel
//   SaveAsActual = ConfigOption         PrintBorderLine = PrintBorder
//
// The six drawing switches are stored as "leave out" flags (TRUE = the item is NOT drawn), in
// this order in the configuration file. The configuration dialog shows four of them inverted:
//   dialog DrawMakerTitle  = !NoProductLine
//   dialog DrawFileName    = !NoFileNameLine
//   dialog DrawDate        = !NoDateLine
//   dialog DrawLogo        = !NoLogo
//   dialog NoFooterLine    =  NoDrawingFooter (its check box is shown ticked when it is false)
//   dialog DrawWithHeader  = !NoFrame

#include <cstdint>
#include <string>

#include "framework/core/fixedtypes.h"
#include "framework/core/globals.h"

// ---- Product identity ----------------------------------------------------------------------
extern RangeArray<std::string, 1, 3> IdentTexts;
// VersionCode "1.1", ProductTitle "QOR1W", ProgramName "qor1w", DataFileExt "q1w",
// MakerTitle "QOR1W - Involute Gear Dimensions", IdentTexts.
void SetProductIdentity();

// ---- General settings ------------------------------------------------------------------------
extern std::string ExternalDbfProgram; // "external database"
extern std::uint16_t DatabaseMode;     // "Database mode"
extern std::string WordProcessor;      // "word processor"
extern std::string HtmlBrowser;        // "HTML Browser"
extern std::string PrintoutDbfDir;
extern std::string DefaultDataDir; // "Default Data Directory"
extern std::string ConfigDir;      // directory of the configuration and session files
extern std::uint16_t DateCode;     // "Date Code", 1..4
extern std::int32_t HeaderSpaceLines;
extern std::uint16_t TextDevice;
extern std::uint8_t TextDeviceWindow;
extern std::uint8_t SmallOnlineWindow;
extern std::uint8_t EnterDiagramLimits;
extern std::uint16_t DecimalSign;     // 1 point, 2 comma
extern std::int32_t FormSizePercent;  // "Input Window Scale %"
extern std::uint16_t UnitSystem;      // 0 metric, 1 imperial
extern std::uint16_t PrintHeaderMode; // 1 head on every page, 2 on page 1 only
extern std::int32_t FormLeft;
extern std::int32_t FormTop;
extern std::int32_t DbfGridPosA;
extern std::int32_t DbfGridPosB;
extern std::uint16_t FrameOption;     // how revision rows are indexed (ChangeIndexStyle)
extern std::uint16_t ListDecimalSign; // decimal sign of listing values
extern RangeArray<std::string, 1, 4> RecentFiles;
extern std::int32_t RecentFilesMenuIndex;
extern std::uint16_t CharsetMode; // "CAD Text Mode": 1 OEM, 2 ANSI (the default), 3 ASCII
extern std::uint8_t CadBatchOutput;
extern std::uint16_t CharMode;
extern std::int32_t ScaleByPercent;
extern std::uint8_t StartOptionG;
extern std::uint16_t AngleFormat; // 1 decimal degrees, 2 degrees-minutes-seconds
extern std::int32_t Language;     // 0 not configured, 1, 2, 6, 7, 8, 12
extern std::int32_t ResultScreen; // view drawn again after each input (ResultView)
extern bool ConfigOption;         // unlabelled tail value (SaveAsActual)
extern bool ConfigSwitch;         // unlabelled tail value
extern bool LanguageKept;         // when false after reading, Language becomes 0
extern std::uint16_t ListToClipboard;
extern std::int32_t TitleBlockOption;                 // title block type
extern std::int32_t FitFormMode;                      // 2 switches the form fitting off
extern RangeArray<std::string, 1, 5> UnitSystemNames; // UTF-8 display texts

// ---- Graphics settings of the drawing window ----------------------------------------------
struct TZoomRect {
    std::int32_t X1, X2, Y1, Y2;
    friend bool operator==(const TZoomRect&, const TZoomRect&) = default;
};
struct TVisibleWindow {
    long double XMin, XMax, YMin, YMax;
    friend bool operator==(const TVisibleWindow&, const TVisibleWindow&) = default;
};
extern long double ZoomIncrement; // "zoom increment"
extern long double PanFactor;     // "pan faktor"
extern TZoomRect ZoomRect;        // part of the viewport shown; y from the viewport's bottom
extern TVisibleWindow VisibleWindow;
extern long double GraphicXFactor; // "X-Factor for graphic extension" (stored only)
extern std::uint8_t KeepAspect;
extern std::int32_t BackgroundColour; // COLORREF 0x00BBGGRR
extern long double AspectFactor;
extern std::string GraphicsFont;                   // "Text font Graphics", at most 60 characters
extern long double GraphicsTextWH;                 // "Textwidth/height Graphics"
extern long double TextHeightFactor;               // "Text Height Factor"
extern std::uint16_t GraphicsTextStyle;            // 1 bold, 2 italic, 4 underline, 8 strike-out
extern RangeArray<std::int32_t, 0, 15> Palette;    // COLORREF values
extern bool Edit3D;                                // "Edit 3D x,y,z ?"
extern RangeArray<long double, 1, 3> View3DAngles; // radians

// ---- Printing settings ----------------------------------------------------------------------
struct TTextWindowRect {
    std::int32_t Left, Top, Width, Height;
    friend bool operator==(const TTextWindowRect&, const TTextWindowRect&) = default;
};
extern double PrintScaleX;
extern double PrintScaleY;
extern std::int32_t PrintOffsetX; // mm
extern std::int32_t PrintOffsetY;
extern std::uint8_t PrintBorder;
extern std::uint8_t PrintDialogBox; // "Graphic Printout Dialog Box ?"
extern TTextWindowRect TextWindowRect;
extern std::uint16_t DrawingKind;
extern std::string PrintFont; // "Text Font Printout", at most 60 characters
extern std::uint16_t PrintTextSize;
extern std::uint16_t PrintTextStyle;
extern std::uint16_t PrintoutRecNo;
extern double ScreendumpScale;
extern double PrintScaleVertical;
extern std::int32_t ScreendumpOriginX;
extern std::int32_t ScreendumpOriginY;
extern bool ScreendumpBorder;
extern std::uint16_t PrinterOrientation; // 1 portrait, 2 landscape

// ---- CAD configuration ----------------------------------------------------------------------
extern RangeArray<ShortString<32>, 0, 5> LayerNames; // layer 0 is always written as "0"
extern RangeArray<std::int32_t, 0, 5> LayerColours;
extern RangeArray<std::int32_t, 16, 31> ColourTable; // colour number used for CAD colours 16..31
extern RangeArray<std::int32_t, 16, 31> PenWidths;
extern ShortString<32> CadTextFont;
extern long double CadTextFactor; // text width/height factor
extern long double CadFontAngle;  // text slant, degrees
extern bool LayerMonochrome;
extern RangeArray<std::int32_t, 0, 5> LineThickness;
extern std::int32_t CadDecimals;       // decimals of DXF and TXT reals
extern std::uint16_t PlotLineCount;    // 1..5
extern std::uint16_t SelectedPlotLine; // 1..PlotLineCount
extern RangeArray<std::string, 1, 5> PlotLines;
extern long double ConfiguredScaleFactor;
extern bool NoProductLine;
extern bool NoFileNameLine;
extern bool NoDateLine;
extern bool NoLogo;
extern bool NoDrawingFooter;
extern bool NoFrame;
extern std::string FourthRowLabel;

constexpr int PlotLineMax = 5;
extern const char* const DefaultPlotLine; // "C:\KVILPEN\WKVILPEN KVILPEN.DXF /M1.0"

// COLORREF of a red, green, blue triple.
constexpr std::int32_t RGBColour(int r, int g, int b) {
    return static_cast<std::int32_t>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

// Start values. Each runs once at program start; tests use them to start from known values.
void InitSettings();         // general settings and the identity defaults
void InitGraphicsSettings(); // graphics settings (zoom 1.2, pan 0.1 as the drawing window sets)
void InitPrintSettings();
void ResetPalette();        // the 16 default drawing colours
void InitCadConfigTables(); // ColourTable, PenWidths, plot lines
void InitCadConfig();       // every CAD configuration value (calls InitCadConfigTables)
// Everything above plus InitGlobalState: the state of a fresh start before any file is read.
void InitAllSettings();
