// lconfig: reading and writing the configuration and session files.
#include "framework/core/config_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include "framework/core/globals.h"
#include "framework/core/rewrite_retry.h"
#include "framework/core/settings.h"
#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"
#include "framework/core/uihooks.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

std::string SystemConfigDir = "/etc/qor1w";

namespace {

// The error box of the program's message routine: captioned "Error  : ", silent while
// ErrorBoxesOn is clear.
void DefaultShowError(const std::string& text) {
    if (ErrorBoxesOn) CoreMessageBox(text, "Error  : ", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

bool DefaultInputText(const std::string&, int, std::string&) {
    AbortFlag = 1;
    return false;
}

std::string WithSlash(const std::string& dir) {
    const std::string d = TrimBlanks(dir);
    if (d.empty() || d.back() == '/') return d;
    return d + "/";
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    const std::string d = WithSlash(dir);
    return d.empty() ? name : d + name;
}

std::string StripSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

// ---- writing ---------------------------------------------------------------------------------

// The layout's text of a real when it reads back as the same value; otherwise the shortest text
// that does (a value entered with more digits than the layout keeps, an angle in radians), so
// a saved setting loads back as it was shown.
template <typename T> std::string ExactReal(std::string layoutText, T x) {
    bool ok = false;
    const long double back = ParseReal(layoutText, ok);
    if (!std::isfinite(x) || (ok && static_cast<T>(back) == x)) return layoutText;
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : layoutText;
}

// Directory settings that were blank and got their place on this computer: they are written
// blank again, so a blank setting stays portable ("the usual place wherever the file is used").
struct FilledDirectory {
    const std::string* setting;
    std::string value;
};
std::vector<FilledDirectory> filledDirectories;

std::string StoredDirectory(const std::string& setting) {
    for (const FilledDirectory& f : filledDirectories)
        if (f.setting == &setting && f.value == setting) return {};
    return setting;
}

struct OutLine {
    std::string text;  // UTF-8
    TextEncoding page; // the code page a line is kept in (EncodeKeptLine)
};

class ConfigWriter {
public:
    void Text(std::string s, TextEncoding page = TextEncoding::Ansi) {
        lines_.push_back({std::move(s), page});
    }
    void Int(long long n) { Text(IntToString(n)); }
    void Bool(bool b) { Text(b ? "TRUE" : "FALSE"); }
    void Sig3(long double x) { Text(ExactReal(FloatToStrSig3(x), x)); }
    // As the text-file writer writes reals: seven decimals, whole numbers below 1 short.
    void Real(long double x) { Text(ExactReal(TrimBlanks(TextLineRealText(x)), x)); }
    void Real(double x) { Text(ExactReal(TrimBlanks(TextLineRealText(x)), x)); }
    const std::vector<OutLine>& Lines() const { return lines_; }

private:
    std::vector<OutLine> lines_;
};

// Holds DecimalSign at 1 (every real gets a point) and keeps full precision whatever the
// display setting FloatDigits says; restores DecimalSign on leaving.
class FileNumberFormat {
public:
    FileNumberFormat() : saved_(DecimalSign) { DecimalSign = 1; }
    ~FileNumberFormat() { DecimalSign = saved_; }
    FileNumberFormat(const FileNumberFormat&) = delete;
    FileNumberFormat& operator=(const FileNumberFormat&) = delete;
    std::uint16_t Saved() const { return saved_; }

private:
    std::uint16_t saved_;
    StoredFileFormat full_;
};

// The rows of the configuration file in their fixed order, in four groups: CAD and printer
// settings, graphics and plot programs, printout and units, and the unlabelled tail.
void BuildCadRows(ConfigWriter& w) {
    w.Text(ProgramName + " Configuration");
    w.Text("Version " + VersionCode.str());
    for (int i = 1; i <= 5; ++i) {
        w.Text("Layer");
        w.Text(LayerNames[i]);
        w.Text("Colour");
        w.Int(LayerColours[i]);
    }
    w.Text("Text font CAD");
    w.Text(CadTextFont);
    w.Text("Textwidth/height CAD");
    w.Sig3(CadTextFactor);
    w.Text("Font angle");
    w.Sig3(CadFontAngle);
    w.Text("CAD Directory");
    w.Text(StoredDirectory(CadDir));
    w.Text("DBF Directory");
    w.Text(StoredDirectory(DbfDir));
    w.Text("Help level");
    w.Int(HelpLevel);
    w.Text("Printer interface");
    w.Int(PrinterInterface);
    w.Text("Printer type");
    w.Int(PrinterType);
    w.Text("Printing density");
    w.Int(PrintDensity);
    w.Text("Rotate Hardcopy ?");
    w.Text(std::string(1, RotateHardcopy));
    w.Text("Digits for floating point numbers");
    w.Int(FloatDigits);
    w.Text("Printing density vertical");
    w.Int(PrintDensityVertical);
    w.Text("Color graphics");
    w.Bool(ColorGraphics);
    w.Text("X-Factor for graphic extension");
    w.Sig3(GraphicXFactor);
    w.Text("Graph mode");
    w.Int(GraphMode);
    w.Text("Graph driver");
    w.Int(GraphDriver);
    w.Text("Horizontal Pixels");
    w.Int(ScreenWidth);
    w.Text("Vertical Pixels");
    w.Int(ScreenHeight);
    w.Text("temporary directory");
    w.Text(StoredDirectory(TempDir));
    w.Text("printer interface for hardcopy");
    w.Int(HardcopyInterface);
    w.Text("EDI Directory");
    w.Text(StoredDirectory(EdiDir));
    w.Text("PLT Directory");
    w.Text(StoredDirectory(PltDir));
    w.Text("Display mode for printout 1:* 2:-");
    w.Int(FrameStyle);
    w.Text("Lines per page for printer");
    w.Int(LinesPerPage);
    w.Text("zoom increment");
    w.Real(ZoomIncrement);
    w.Text("pan faktor");
    w.Real(PanFactor);
    w.Text("KELMORA directory");
    w.Text(KelmoraDir);
    w.Text("KVILPEN command line");
    w.Text(PlotLines[1]);
    w.Text("background colour");
    w.Int(BackgroundColour);
    w.Text("Windows print mode (1=mono 2=color)");
    w.Int(WinPrintMode);
    w.Text("Layer Monochrome");
    w.Bool(LayerMonochrome);
}

void BuildGraphicsRows(ConfigWriter& w) {
    w.Text("Textwidth/height Graphics");
    w.Real(GraphicsTextWH);
    w.Text("Text font Graphics");
    w.Text(os::Utf8Left(GraphicsFont, 60));
    for (int i = 16; i <= 31; ++i) {
        w.Text("Color Layer " + std::to_string(i));
        w.Int(ColourTable[i]);
    }
    w.Text("word processor");
    w.Text(WordProcessor);
    w.Text("Database mode");
    w.Int(DatabaseMode);
    w.Text("external database");
    w.Text(ExternalDbfProgram);
    w.Text("Windows Screendump Origin X");
    w.Int(ScreendumpOriginX);
    w.Text("Windows Screendump Origin Y");
    w.Int(ScreendumpOriginY);
    w.Text("Windows Screendump Scale");
    w.Real(ScreendumpScale);
    w.Text("Windows Screendump Border ?");
    w.Bool(ScreendumpBorder);
    w.Text("KVILPEN Command lines (n, line 2 .. line n)");
    const int plotCount = std::clamp<int>(PlotLineCount, 1, PlotLineMax);
    w.Int(plotCount);
    for (int i = 2; i <= plotCount; ++i)
        w.Text(PlotLines[i]);
    w.Text("Archive Flag ?");
    w.Bool(ArchiveFlag != 0);
    w.Text("Date Code");
    w.Int(DateCode);
    w.Text("Header Space Lines");
    w.Int(HeaderSpaceLines);
    w.Text("Text Device");
    w.Int(TextDevice);
    w.Text("Text Device Window ?");
    w.Bool(TextDeviceWindow != 0);
    w.Text("Small Online Window ?");
    w.Bool(SmallOnlineWindow != 0);
    w.Text("Enter Diagram Limits ?");
    w.Bool(EnterDiagramLimits != 0);
}

// savedDecimalSign: the user's choice, not the point forced for the file.
void BuildPrintoutRows(ConfigWriter& w, std::uint16_t savedDecimalSign) {
    w.Text("Dot=1 Komma=2");
    w.Int(savedDecimalSign);
    w.Text("Default Data Directory");
    w.Text(StoredDirectory(DefaultDataDir));
    w.Text("Text Height Factor");
    w.Real(TextHeightFactor);
    w.Text("Input Window Scale %");
    w.Int(FormSizePercent);
    w.Text("HTML Browser");
    w.Text(HtmlBrowser);
    w.Text("Print Scale Vertical");
    w.Real(PrintScaleVertical);
    w.Text("Line thickness Layer 0..5");
    for (int i = 0; i <= 5; ++i)
        w.Int(LineThickness[i]);
    w.Text("Graphic Printout Dialog Box ?");
    w.Bool(PrintDialogBox != 0);
    w.Text("Text window left/top/width/height");
    w.Text(IntToString(TextWindowRect.Left) + "|" + IntToString(TextWindowRect.Top) + "|" +
           IntToString(TextWindowRect.Width) + "|" + IntToString(TextWindowRect.Height) + "|");
    w.Text("Metric Units=0,  English units=1");
    w.Int(UnitSystem);
    w.Text("printout with header=1, header page 1 only=2");
    w.Int(PrintHeaderMode);
    w.Text("Text Font Printout");
    w.Text(os::Utf8Left(PrintFont, 60));
    w.Text("Text Size Printout");
    w.Int(PrintTextSize);
    w.Text("Text Style Printout");
    w.Int(PrintTextStyle);
    w.Text("Text Style Graphics");
    w.Int(GraphicsTextStyle);
    w.Text("Printer: Portrait=1, Landscape=2");
    w.Int(PrinterOrientation);
    w.Text("Edit 3D x,y,z ?");
    w.Bool(Edit3D);
    w.Text("3D - Default x,y,z");
    for (int i = 1; i <= 3; ++i)
        w.Real(View3DAngles[i]);
    w.Int(FrameOption);
    w.Int(ListDecimalSign);
    w.Text(FourthRowLabel, TextEncoding::Oem);
    w.Text("Decimals DXF,TXT");
    w.Int(CadDecimals);
    w.Text("CAD Text Mode");
    w.Int(CharsetMode);
    w.Text("pen width Layer 16..31");
    for (int i = 16; i <= 31; ++i)
        w.Int(PenWidths[i]);
}

// The unlabelled tail.
void BuildTailRows(ConfigWriter& w) {
    w.Int(CharMode);
    w.Int(ScaleByPercent);
    w.Int(AngleFormat);
    w.Real(ConfiguredScaleFactor);
    w.Bool(ConfigOption);
    w.Int(Language);
    w.Int(ResultScreen);
    w.Bool(NoProductLine);
    w.Bool(NoFileNameLine);
    w.Bool(NoDateLine);
    w.Bool(NoLogo);
    w.Bool(NoDrawingFooter);
    w.Bool(NoFrame);
    w.Bool(ConfigSwitch);
    w.Bool(LanguageKept);
    w.Int(TitleBlockOption);
    for (int i = 0; i <= 15; ++i)
        w.Int(Palette[i]);
    w.Text(TextPrinterQueue);
}

std::vector<OutLine> BuildConfiguration() {
    FileNumberFormat format;
    ConfigWriter w;
    BuildCadRows(w);
    BuildGraphicsRows(w);
    BuildPrintoutRows(w, format.Saved());
    BuildTailRows(w);
    return w.Lines();
}

// ---- reading ---------------------------------------------------------------------------------

// Reads value lines one after the other. Every read at the end of the file answers false and
// leaves its target alone: a shorter, older file keeps every later setting as it was.
class ConfigReader {
public:
    explicit ConfigReader(const std::vector<std::string>& raw) : raw_(raw) {}

    bool Eof() const { return pos_ >= raw_.size(); }

    bool Text(std::string& s, TextEncoding page = TextEncoding::Ansi) {
        if (Eof()) return false;
        s = DecodeKeptLine(raw_[pos_++], page);
        return true;
    }
    bool Skip() {
        if (Eof()) return false;
        ++pos_;
        return true;
    }
    // An integer line; one that does not convert whole, or does not fit T, reads as 0.
    template <typename T> bool Int(T& v) {
        std::string s;
        if (!Text(s)) return false;
        bool ok = false;
        const long long n = ParseInteger(s, ok);
        if (ok && n >= static_cast<long long>(std::numeric_limits<T>::min()) &&
            n <= static_cast<long long>(std::numeric_limits<T>::max()))
            v = static_cast<T>(n);
        else
            v = 0;
        return true;
    }
    // A real line; one that does not convert, or lies beyond kMaxSettingReal, reads as 0.
    template <typename T> bool Real(T& v) {
        std::string s;
        if (!Text(s)) return false;
        bool ok = false;
        const long double x = ParseReal(s, ok);
        // A value no setting can have reads like a line that does not convert: the setting's
        // own mending then applies, and what is kept always writes a line that reads back.
        const long double limit =
            std::min<long double>(kMaxSettingReal, std::numeric_limits<T>::max());
        v = ok && fabsl(x) <= limit ? static_cast<T>(x) : T(0);
        return true;
    }
    bool True(bool& b) {
        std::string s;
        if (!Text(s)) return false;
        b = UpperCaseStr(TrimBlanks(s)) == "TRUE";
        return true;
    }
    bool True(std::uint8_t& b) {
        bool v = false;
        if (!True(v)) return false;
        b = v ? 1 : 0;
        return true;
    }
    bool NotFalse(bool& b) {
        std::string s;
        if (!Text(s)) return false;
        b = UpperCaseStr(TrimBlanks(s)) != "FALSE";
        return true;
    }

private:
    const std::vector<std::string>& raw_;
    std::size_t pos_ = 0;
};

// Row reader: one label line, then the value(s).
#define LABEL() r.Skip()

void FillScreenSizes(const TScreenMetrics& m) {
    auto fit = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 1, 65534)); };
    if (ScreenWidth == 0 || ScreenWidth == 65535) ScreenWidth = fit(m.ScreenWidth - 9);
    if (ScreenHeight == 0 || ScreenHeight == 65535) ScreenHeight = fit(m.ScreenHeight - 91);
}

// The reading side of the four groups of rows (see BuildCadRows).
void ReadCadRows(ConfigReader& r) {
    GraphicXFactor = 1;
    LABEL(); // program name and "Configuration"
    LABEL(); // version
    for (int i = 1; i <= 5; ++i) {
        std::string s;
        LABEL();
        if (r.Text(s)) LayerNames[i] = s;
        LABEL();
        r.Int(LayerColours[i]);
    }
    {
        std::string s;
        LABEL();
        if (r.Text(s)) CadTextFont = s;
    }
    LABEL();
    if (r.Real(CadTextFactor) && CadTextFactor == 0) CadTextFactor = 1;
    LABEL();
    r.Real(CadFontAngle);
    LABEL();
    r.Text(CadDir);
    LABEL();
    r.Text(DbfDir);
    LABEL();
    r.Int(HelpLevel);
    LABEL();
    if (r.Int(PrinterInterface) && PrinterInterface == 0) PrinterInterface = 1;
    LABEL();
    r.Int(PrinterType);
    LABEL();
    r.Int(PrintDensity);
    {
        std::string s;
        LABEL();
        if (r.Text(s)) {
            const unsigned char c = s.empty() ? 'N' : static_cast<unsigned char>(s[0]);
            RotateHardcopy = c < 0x80 ? static_cast<char>(c) : '?';
        }
    }
    LABEL();
    if (r.Int(FloatDigits) && (FloatDigits < 1 || FloatDigits > 9)) FloatDigits = 3;
    LABEL();
    if (r.Int(PrintDensityVertical) && (PrintDensityVertical == 0 || PrintDensityVertical > 4))
        PrintDensityVertical = 1;
    LABEL();
    r.True(ColorGraphics);
    LABEL();
    if (r.Real(GraphicXFactor) && GraphicXFactor == 0) GraphicXFactor = 1;
    LABEL();
    r.Int(GraphMode);
    LABEL();
    r.Int(GraphDriver);
    LABEL();
    r.Int(ScreenWidth);
    LABEL();
    r.Int(ScreenHeight);
    LABEL();
    r.Text(TempDir);
    LABEL();
    if (r.Int(HardcopyInterface) && HardcopyInterface == 0) HardcopyInterface = 1;
    LABEL();
    r.Text(EdiDir);
    LABEL();
    r.Text(PltDir);
    LABEL();
    if (r.Int(FrameStyle) && FrameStyle == 0) FrameStyle = 1;
    LABEL();
    if (r.Int(LinesPerPage) && LinesPerPage < 5) LinesPerPage = 66;
    LABEL();
    if (r.Real(ZoomIncrement) && ZoomIncrement == 0) ZoomIncrement = 1.02L;
    LABEL();
    if (r.Real(PanFactor) && PanFactor == 0) PanFactor = 0.01L;
    LABEL();
    r.Text(KelmoraDir);
    {
        std::string s;
        LABEL();
        if (r.Text(s) && !TrimBlanks(s).empty()) PlotLines[1] = s;
    }
    LABEL();
    r.Int(BackgroundColour);
    LABEL();
    if (r.Int(WinPrintMode) && WinPrintMode == 0) WinPrintMode = 1;
    LABEL();
    r.True(LayerMonochrome);
}

void ReadGraphicsRows(ConfigReader& r) {
    LABEL();
    if (r.Real(GraphicsTextWH) && GraphicsTextWH == 0) GraphicsTextWH = 0.8L;
    {
        std::string s;
        LABEL();
        if (r.Text(s)) GraphicsFont = os::Utf8Left(s, 60);
    }
    for (int i = 16; i <= 31; ++i) {
        LABEL();
        if (r.Int(ColourTable[i]) && ColourTable[i] == 0) ColourTable[i] = 1;
    }
    LABEL();
    r.Text(WordProcessor);
    LABEL();
    r.Int(DatabaseMode);
    LABEL();
    r.Text(ExternalDbfProgram);
    LABEL();
    r.Int(ScreendumpOriginX);
    LABEL();
    r.Int(ScreendumpOriginY);
    LABEL();
    if (r.Real(ScreendumpScale)) {
        if (ScreendumpScale == 0) ScreendumpScale = 1;
        PrintScaleVertical = ScreendumpScale;
    }
    LABEL();
    r.True(ScreendumpBorder);
    {
        LABEL();
        std::int32_t n = 0;
        if (r.Int(n)) {
            // Five lines are kept; the lines of a larger count are read and discarded.
            PlotLineCount = static_cast<std::uint16_t>(std::clamp<std::int32_t>(n, 1, PlotLineMax));
            for (std::int32_t k = 2; k <= n && !r.Eof(); ++k) {
                std::string s;
                r.Text(s);
                if (k <= PlotLineMax) PlotLines[k] = s;
            }
            if (SelectedPlotLine < 1 || SelectedPlotLine > PlotLineCount) SelectedPlotLine = 1;
        }
    }
    LABEL();
    r.True(ArchiveFlag);
    LABEL();
    if (r.Int(DateCode) && (DateCode < 1 || DateCode > 4)) DateCode = 1;
    LABEL();
    if (r.Int(HeaderSpaceLines) && (HeaderSpaceLines < 0 || HeaderSpaceLines > 30))
        HeaderSpaceLines = 0;
    LABEL();
    if (r.Int(TextDevice) && (TextDevice < 1 || TextDevice > 9)) TextDevice = 1;
    LABEL();
    r.True(TextDeviceWindow);
    LABEL();
    r.True(SmallOnlineWindow);
    LABEL();
    r.True(EnterDiagramLimits);
}

void ReadPrintoutRows(ConfigReader& r) {
    LABEL();
    if (r.Int(DecimalSign) && (DecimalSign < 1 || DecimalSign > 2)) DecimalSign = 1;
    {
        std::string s;
        LABEL();
        // A blank one gets its place on this computer from CheckConfiguredDirectories.
        if (r.Text(s)) DefaultDataDir = s;
    }
    LABEL();
    if (r.Real(TextHeightFactor) && TextHeightFactor < 0.1L) TextHeightFactor = 1;
    LABEL();
    if (r.Int(FormSizePercent) && (FormSizePercent < 10 || FormSizePercent > 1000))
        FormSizePercent = 100;
    LABEL();
    r.Text(HtmlBrowser);
    LABEL();
    if (r.Real(PrintScaleVertical) && PrintScaleVertical < 0.0001)
        PrintScaleVertical = ScreendumpScale;
    LABEL();
    for (int i = 0; i <= 5; ++i)
        if (r.Int(LineThickness[i]) && (LineThickness[i] < 1 || LineThickness[i] > 255))
            LineThickness[i] = 1;
    LABEL();
    r.True(PrintDialogBox);
    {
        std::string s;
        LABEL();
        if (r.Text(s)) {
            std::string field[4];
            std::size_t start = 0;
            for (int k = 0; k < 4; ++k) {
                const std::size_t bar = s.find('|', start);
                if (bar == std::string::npos) {
                    field[k] = s.substr(std::min(start, s.size()));
                    start = s.size();
                    break;
                }
                field[k] = s.substr(start, bar - start);
                start = bar + 1;
            }
            const TTextWindowRect rect{ParseInteger(field[0]), ParseInteger(field[1]),
                                       ParseInteger(field[2]), ParseInteger(field[3])};
            if (rect.Width != 0 && rect.Height != 0) TextWindowRect = rect;
        }
    }
    LABEL();
    r.Int(UnitSystem);
    LABEL();
    if (r.Int(PrintHeaderMode) && (PrintHeaderMode < 1 || PrintHeaderMode > 2)) PrintHeaderMode = 1;
    {
        std::string s;
        LABEL();
        if (r.Text(s)) PrintFont = TrimBlanks(s).empty() ? "Courier New" : os::Utf8Left(s, 60);
    }
    LABEL();
    if (r.Int(PrintTextSize) && PrintTextSize == 0) PrintTextSize = 10;
    LABEL();
    r.Int(PrintTextStyle);
    LABEL();
    r.Int(GraphicsTextStyle);
    LABEL();
    r.Int(PrinterOrientation);
    LABEL();
    r.NotFalse(Edit3D);
    LABEL();
    for (int i = 1; i <= 3; ++i)
        r.Real(View3DAngles[i]);
    r.Int(FrameOption);
    if (r.Int(ListDecimalSign) && ListDecimalSign == 0) ListDecimalSign = 2;
    r.Text(FourthRowLabel, TextEncoding::Oem);
    LABEL();
    if (r.Int(CadDecimals) && (CadDecimals < 1 || CadDecimals > 32)) CadDecimals = 6;
    LABEL();
    if (r.Int(CharsetMode) && CharsetMode == 0) CharsetMode = 2; // unset: the default
    LABEL();
    for (int i = 16; i <= 31; ++i)
        r.Int(PenWidths[i]);
}

// The unlabelled tail.
void ReadTailRows(ConfigReader& r) {
    r.Int(CharMode);
    if (r.Int(ScaleByPercent) && (ScaleByPercent < 10 || ScaleByPercent > 1000))
        ScaleByPercent = 100;
    if (r.Int(AngleFormat) && (AngleFormat == 0 || AngleFormat > 2)) AngleFormat = 2;
    if (r.Real(ConfiguredScaleFactor) && ConfiguredScaleFactor == 0) ConfiguredScaleFactor = 1;
    r.True(ConfigOption);
    r.Int(Language);
    r.Int(ResultScreen);
    r.True(NoProductLine);
    r.True(NoFileNameLine);
    r.True(NoDateLine);
    r.True(NoLogo);
    r.True(NoDrawingFooter);
    r.True(NoFrame);
    r.True(ConfigSwitch);
    if (r.True(LanguageKept) && !LanguageKept) Language = 0;
    r.Int(TitleBlockOption);
    // A colour line that does not convert, or a negative one, keeps the colour; 0 is black.
    for (int i = 0; i <= 15; ++i) {
        std::string s;
        if (!r.Text(s)) break;
        bool ok = false;
        const std::int32_t c = ParseInteger(s, ok);
        if (ok && c >= 0) Palette[i] = c;
    }
    r.Text(TextPrinterQueue);
}

void ReadRows(ConfigReader& r) {
    ReadCadRows(r);
    if (r.Eof()) {
        // A file of the time before the graphics text settings.
        GraphicsTextWH = CadTextFactor;
        GraphicsFont = "Arial";
        return;
    }
    ReadGraphicsRows(r);
    ReadPrintoutRows(r);
    ReadTailRows(r);
}

#undef LABEL

std::string FileName(const char* ext) {
    return ProgramName + ext;
}

// The user's own configuration directory, created when missing; "" when there is none.
std::string MadeUserConfigDir() {
    const std::string user = UserConfigDir();
    if (user.empty() || os::MakeDirectories(user) != 0 || !DirWritable(user)) return {};
    return user;
}

// The directory a file is written to: ConfigDir when writable, else the user's configuration
// directory (created when missing), which then becomes ConfigDir. With neither writable the
// write goes to ConfigDir and fails there with its message.
std::string WriteDirectory() {
    if (DirWritable(ConfigDir)) return ConfigDir;
    const std::string user = MadeUserConfigDir();
    if (!user.empty()) {
        ConfigDir = user;
        return user;
    }
    return ConfigDir;
}

std::string JoinLines(const std::vector<std::string>& encoded) {
    std::string bytes;
    for (const auto& line : encoded) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

bool WriteLinesSafely(const std::string& path, const std::string& bytes) {
    return RewriteRetry([&] { return os::WriteWholeFileAtomic(path, bytes); }, path);
}

// A configuration or session file is small: what is larger is no such file (an endless device,
// a file named by mistake) and is refused instead of being read into memory.
constexpr std::size_t kMaxSettingsFileBytes = 1u << 20;

// The lines of a settings file as bytes (decoded per line by the readers). 0, or the code of
// the failure; problem then says it in words.
int ReadSettingsLines(const std::string& path, std::vector<std::string>& lines,
                      std::string& problem) {
    lines.clear();
    problem.clear();
    TextFile file;
    file.Assign(path, TextEncoding::Utf8); // the bytes as they are
    int rc = file.Reset();
    std::size_t total = 0;
    std::string line;
    while (rc == 0 && !file.Eof()) {
        rc = file.ReadLine(line);
        if (rc != 0) break;
        total += line.size() + 2;
        if (total > kMaxSettingsFileBytes) {
            file.Discard();
            problem = "File " + path + " could not be read: it is larger than " +
                      std::to_string(kMaxSettingsFileBytes) + " bytes (not a settings file).";
            return os::kErrInvalidData;
        }
        lines.push_back(std::move(line));
    }
    if (rc == 0) rc = file.Error();
    if (rc == TextFile::kIoPastEnd) rc = 0;
    file.Discard();
    if (rc != 0) problem = FileReadProblem(path, rc);
    return rc;
}

// ---- directories -------------------------------------------------------------------------------

// A folder written the Windows way ("C:\TEMP\", "\\server\share", "D:\Zahnräder"): no folder
// of this computer, and never to be used as part of a file name.
bool IsWindowsFolder(const std::string& dir) {
    const std::string d = TrimBlanks(dir);
    if (d.find('\\') != std::string::npos) return true;
    return d.size() >= 2 && d[1] == ':' &&
           ((d[0] >= 'A' && d[0] <= 'Z') || (d[0] >= 'a' && d[0] <= 'z'));
}

enum class DirRule { Exists, Writable };

struct DirectorySetting {
    std::string* setting;
    const char* label; // as in "invalid <label> configured"
    DirRule rule;
    std::string (*place)(); // its place on this computer
};

std::string TemporaryPlace() {
    return os::TempDirectory() + "/";
}

// The user's data directory, created when missing; without one that can be written, a folder
// of this user's own whose files are not kept (whatever is changed there is told so first).
std::string UserDataPlace() {
    const std::string dir = UserDataDir();
    if (!dir.empty() && os::MakeDirectories(dir) == 0 && DirWritable(dir)) return dir + "/";
    const std::string own = NotKeptFolder();
    return own.empty() ? TemporaryPlace() : own + "/";
}

// The tables: the user's own in their data directory wherever it exists, writable or not (a
// table there that cannot be written opens as a working copy, and says so).
std::string UserTablePlace() {
    const std::string dir = UserDataDir();
    if (!dir.empty() && DirExists(dir)) return dir + "/";
    return UserDataPlace();
}

std::string PicturePlace() {
    if (!ShippedDataDir.empty() && DirExists(ShippedDataDir)) return AddBackslash(ShippedDataDir);
    return UserDataPlace();
}

bool Usable(const std::string& dir, DirRule rule) {
    return rule == DirRule::Exists ? DirExists(dir) : DirWritable(dir);
}

} // namespace

std::string ShippedDataDir;

TScreenMetrics DefaultScreenMetrics() {
    return TScreenMetrics{};
}

ScreenMetricsFunc ScreenMetricsHook = &DefaultScreenMetrics;
ConfigShowErrorFunc ConfigShowErrorHook = &DefaultShowError;
ConfigInputTextFunc ConfigInputTextHook = &DefaultInputText;

std::string UserConfigDir() {
    const std::string base = os::XdgDirectory(os::XdgKind::Config);
    return base.empty() ? base : base + "/qor1w";
}

std::string UserDataDir() {
    const std::string base = os::XdgDirectory(os::XdgKind::Data);
    return base.empty() ? base : base + "/qor1w";
}

// Where the last message about replaced folders is kept; "" without a user directory.
static std::string ToldFoldersPath() {
    const std::string user = MadeUserConfigDir();
    return user.empty() ? user : JoinPath(user, FileName(".fld"));
}

std::string ConfigFilePath() {
    return JoinPath(ConfigDir, FileName(".cfg"));
}
std::string SessionFilePath() {
    const std::string user = UserConfigDir();
    return JoinPath(user.empty() ? ConfigDir : user, FileName(".cff"));
}

std::vector<std::string> ConfigurationLines() {
    std::vector<std::string> out;
    for (auto& l : BuildConfiguration())
        out.push_back(l.text);
    return out;
}

void WriteConfiguration() {
    if (AbortFlag) return;
    WriteConfigurationFile(JoinPath(WriteDirectory(), FileName(".cfg")));
}

bool WriteConfigurationFile(const std::string& path) {
    if (AbortFlag) return false;
    std::vector<std::string> encoded;
    for (const auto& l : BuildConfiguration())
        encoded.push_back(EncodeKeptLine(l.text, l.page));
    return WriteLinesSafely(path, JoinLines(encoded));
}

bool ReadConfigurationFile(const std::string& path, std::string& problem) {
    std::vector<std::string> lines;
    if (ReadSettingsLines(path, lines, problem) != 0) return false;
    ReadConfigurationLines(lines);
    return true;
}

bool ReadConfigurationFile(const std::string& path) {
    std::string problem;
    return ReadConfigurationFile(path, problem);
}

void ReadConfigurationLines(const std::vector<std::string>& lines) {
    ConfigReader r(lines);
    ReadRows(r);
    FillScreenSizes(ScreenMetricsHook());
}

void ApplyFirstStartValues() {
    const TScreenMetrics m = ScreenMetricsHook();
    FillScreenSizes(m);
    // The configuration dialog keeps the text window within the drawing window's height; the
    // first start does too, so that saving the settings unchanged keeps what was shown.
    TextWindowRect.Height = std::min(m.ScreenHeight - 80, ScreenHeight + 1);
    // The window frame's share of the height; 1 while no main window exists.
    const long double frame = m.WindowHeight > 0
                                  ? static_cast<long double>(m.WindowHeight) / (m.ClientHeight + 46)
                                  : 1.0L;
    const int ppi = m.PixelsPerInch > 0 ? m.PixelsPerInch : 96;
    FormSizePercent = RoundInt((frame + 0.009L) * (ppi / 96.0L) * 100);
}

void ReadConfiguration() {
    const std::string name = FileName(".cfg");
    const std::string user = UserConfigDir();
    const std::string places[] = {ConfigDir, user, SystemConfigDir};
    for (std::size_t k = 0; k < std::size(places); ++k) {
        const std::string dir = StripSlash(TrimBlanks(places[k]));
        if (dir.empty()) continue;
        std::string path;
        // Something of that name that is no file (a folder, a pipe) is reported below, never
        // passed over in silence.
        if (os::FindNameNoCase(dir, name, path) != 0) continue;
        // Only a file in the first place (the start directory: a shared set-up) is saved where
        // it was found; the settings of every other start are the user's own.
        if (k > 0) ConfigDir = user.empty() ? dir : user;
        std::vector<std::string> lines;
        std::string problem;
        if (ReadSettingsLines(path, lines, problem) != 0) {
            // Found but unreadable: the settings stay as they are, and so does the file; sizes
            // still unset take the screen's, as at a first start (the window opens full-size).
            if (!user.empty()) ConfigDir = user;
            FillScreenSizes(ScreenMetricsHook());
            ConfigShowErrorHook(problem + " The settings keep their values.");
            AbortFlag = 1;
            return;
        }
        ReadConfigurationLines(lines);
        return;
    }
    ApplyFirstStartValues();
    if (!user.empty()) ConfigDir = user; // a first start saves into the user's directory
    AbortFlag = 1;
}

void CheckConfiguredDirectories() {
    const DirectorySetting settings[] = {
        {&CadDir, "CAD Directory", DirRule::Writable, &UserDataPlace},
        {&DbfDir, "DBF Directory", DirRule::Exists, &UserTablePlace},
        {&PltDir, "PLT Directory", DirRule::Exists, &PicturePlace},
        {&TempDir, "temporary directory", DirRule::Writable, &TemporaryPlace},
        {&EdiDir, "EDI Directory", DirRule::Writable, &UserDataPlace},
        {&DefaultDataDir, "Data Directory", DirRule::Writable, &UserDataPlace},
    };
    std::string message;
    bool replaced = false;
    for (const DirectorySetting& d : settings) {
        std::string& dir = *d.setting;
        if (WithoutBlanks(dir).empty()) {
            // Blank: the usual place on this computer, never the start directory.
            dir = d.place();
            filledDirectories.erase(
                std::remove_if(filledDirectories.begin(), filledDirectories.end(),
                               [&](const FilledDirectory& f) { return f.setting == &dir; }),
                filledDirectories.end());
            filledDirectories.push_back({&dir, dir});
            continue;
        }
        const bool windows = IsWindowsFolder(dir);
        if (!windows && Usable(dir, d.rule)) continue;
        if (!message.empty()) message += "\n";
        message += "invalid " + std::string(d.label) + " configured";
        // A folder this computer lacks (one of another installation), or a temporary directory
        // that cannot be written, is replaced by the usual place; any other folder is reported
        // and left as the user set it.
        if (windows || !DirExists(dir) || d.setting == &TempDir) {
            const std::string place = d.place();
            message +=
                ": " + dir +
                (windows || !DirExists(dir) ? " does not exist here." : " cannot be written.") +
                "\n        now used: " + place;
            dir = place;
            replaced = true;
        }
    }
    if (replaced) message += "\n\nSave the settings to keep the folders used now.";
    if (message.empty()) return;
    // The same replacements are told once: until the settings are saved the stored folders stay
    // as they are, and each start would otherwise repeat the message word for word.
    const std::string told = replaced ? ToldFoldersPath() : std::string();
    if (!told.empty()) {
        std::vector<std::string> lines;
        std::string problem, last;
        if (os::FileExists(told) && ReadSettingsLines(told, lines, problem) == 0) {
            for (std::size_t i = 0; i < lines.size(); ++i)
                last += (i ? "\n" : "") + lines[i];
            if (last == message) return;
        }
        os::WriteWholeFileAtomic(told, message);
    }
    ConfigShowErrorHook(message);
}

void WriteSessionFile() {
    AbortFlag = 0;
    std::vector<std::string> encoded;
    encoded.push_back(EncodeKeptLine(ProgramName + " Session " + DataDir, TextEncoding::Ansi));
    for (int i = 1; i <= 4; ++i)
        encoded.push_back(EncodeKeptLine(RecentFiles[i], TextEncoding::Ansi));
    // The recent files are the user's own, whichever configuration was read.
    std::string dir = MadeUserConfigDir();
    if (dir.empty()) dir = WriteDirectory();
    WriteLinesSafely(JoinPath(dir, FileName(".cff")), JoinLines(encoded));
}

void ReadSessionFile() {
    for (auto& f : RecentFiles)
        f.clear();
    // The user's own file; a set-up that kept it beside its configuration is read from there.
    for (const std::string& place : {UserConfigDir(), ConfigDir}) {
        std::string path;
        const std::string dir = StripSlash(TrimBlanks(place));
        if (dir.empty() || os::FindNameNoCase(dir, FileName(".cff"), path) != 0 ||
            !os::FileExists(path))
            continue;
        std::vector<std::string> lines;
        std::string problem;
        if (ReadSettingsLines(path, lines, problem) != 0) return; // no recent files then
        // The first line (program name and data directory) is never used.
        for (int i = 1; i <= 4; ++i)
            RecentFiles[i] =
                static_cast<std::size_t>(i) < lines.size()
                    ? DecodeKeptLine(lines[static_cast<std::size_t>(i)], TextEncoding::Ansi)
                    : std::string();
        return;
    }
}
