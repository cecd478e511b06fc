// lconfig and lselcol: the configuration dialog and the drawing-colour choice.
#include "shell/config_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "cad/plotform.h"
#include "framework/core/config_file.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/maths.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/help.h"
#include "framework/ui/listing.h"
#include "framework/ui/questions.h"
#include "platform/gui/screen.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

const char* const DrawingColourNames[16] = {"Red",        "Yellow",     "Green",     "Cyan",
                                            "Blue",       "Magenta",    "White",     "dark blue",
                                            "dark green", "dark cyan",  "dark red",  "dark magenta",
                                            "Brown",      "light grey", "dark grey", "Black"};

namespace {

// The palette entry each drawing-colour number 1..16 shows.
constexpr int kPaletteOfNumber[16] = {12, 14, 10, 11, 9, 13, 15, 1, 2, 3, 4, 5, 6, 7, 8, 0};

constexpr int kRight = 344; // left edge of a page's right column
constexpr int kHelpTop = 386;
constexpr TInputRange kAnyReal{-1e30L, 1e30L};
constexpr TInputRange kWhole{-2e9L, 2e9L}; // the help button at a page's bottom right
constexpr int kGroup2 = 84; // height of a radio group of two items (+ 20 per item more)

// Height of a string grid whose rows are all shown: rows of rowHeight and a line each, and
// the scroll bar.
constexpr int GridHeight(int rows, int rowHeight) {
    return rows * (rowHeight + 1) + 20;
}

// Layer presets (layer, colour, pen width) of the rows 1..5 of the layer grid.
const char* const kLayerPresets[5][3] = {
    {"5", "1", "3"}, {"4", "3", "2"}, {"3", "2", "1"}, {"2", "2", "1"}, {"1", "2", "1"}};

const char* const kLayerRowTitles[5] = {
    "continuous line      0.50 mm", "continuous line      0.35 mm", "continuous line      0.25 mm",
    "dashed line          0.25 mm", "center line          0.25 mm"};

std::string EnvOr(const char* name, const char* fallback) {
    std::string value;
    GetEnvVar(name, value);
    if (value.empty() && fallback != nullptr) GetEnvVar(fallback, value);
    return value;
}

// A radio group's or combo's choice + offset into its setting; no choice keeps the setting.
template <class Choice, class T> void TakeIndex(const Choice* c, T& setting, int offset) {
    if (c->ItemIndex() >= 0) setting = static_cast<T>(c->ItemIndex() + offset);
}

std::string StyleCodeText(int code) {
    return IntToString(code);
}

// The text window's place as the dialog takes it over: left 0..1000 (else 10), top 0..450 (else
// 40), width 50..1000 (else 700), height 50 up to the drawing window's height ScreenHeight + 1
// (else that height less 20).
TTextWindowRect TextWindowWithinLimits(TTextWindowRect r) {
    if (r.Left < 0 || r.Left > 1000) r.Left = 10;
    if (r.Top < 0 || r.Top > 450) r.Top = 40;
    if (r.Width < 50 || r.Width > 1000) r.Width = 700;
    const int windowHeight = ScreenHeight + 1;
    if (r.Height < 50 || r.Height > windowHeight) r.Height = std::max(windowHeight - 20, 50);
    return r;
}

// The drawing window's frame: how much wider and higher the window is than its client.
void WindowFrame(int& dw, int& dh, int& clientW, int& clientH) {
    if (DrawWindow != nullptr) {
        dw = DrawWindow->Width() - DrawWindow->ClientWidth();
        dh = DrawWindow->Height() - DrawWindow->ClientHeight();
        clientW = DrawWindow->ClientWidth();
        clientH = DrawWindow->ClientHeight();
    } else {
        // The first-start frame of the configuration file.
        dw = 9;
        dh = 91;
        clientW = ScreenWidth + 1;
        clientH = ScreenHeight + 1;
    }
}

} // namespace

// ---- construction -----------------------------------------------------------------------------

TTabSheet* Tconfig::AddPage(const char* name, const char* caption) {
    auto* sheet = new TTabSheet(this);
    sheet->SetName(name);
    sheet->SetPageControl(PageControl1);
    sheet->SetCaption(caption);
    return sheet;
}

TButton* Tconfig::PresetButton(TWinControl* owner, const char* name, const char* caption, int left,
                               int top, int width, TEdit* edit, const char* text) {
    TButton* b = NewButton(owner, name, caption, left, top, width, {});
    const std::string preset = text;
    b->OnClick = [edit, preset](TObject*) { edit->SetText(preset); };
    return b;
}

void Tconfig::Bind(std::function<void()> load, std::function<void()> store) {
    FLoad.push_back(std::move(load));
    FStore.push_back(std::move(store));
}

TValueEdit* Tconfig::ValueEdit(TWinControl* parent, std::string_view name, int left, int top,
                               int width, bool whole) {
    TValueEdit* e = NewValueEdit(parent, name, whole ? TValueKind::Rounded : TValueKind::Real,
                                 whole ? kWhole : kAnyReal, left, top, width);
    FValueEdits.push_back(e);
    return e;
}

void Tconfig::Number(TValueEdit* edit, std::function<long double()> get,
                     std::function<void(long double)> set) {
    FNumbers.push_back({edit, std::move(get), std::move(set)});
}

Tconfig::Tconfig(TComponent* AOwner) : TForm(AOwner) {
    SetName("config");
    SetBounds(0, 0, 712, 540);
    SetClientWidth(712);
    SetClientHeight(510);
    PageControl1 = NewControl<TPageControl>(this, "PageControl1", 8, 8, 696, 456);
    TabSheet_directories = AddPage("TabSheet_directories", "Directories");
    TabSheet_graphics = AddPage("TabSheet_graphics", "Graphics");
    TabSheet_cad = AddPage("TabSheet_cad", "CAD");
    TabSheet_colour = AddPage("TabSheet_colour", "Colour");
    TabSheet_printer = AddPage("TabSheet_printer", "Printer");
    TabSheet_printout = AddPage("TabSheet_printout", "Printout");
    TabSheet_settings = AddPage("TabSheet_settings", "Settings");
    TabSheet_external = AddPage("TabSheet_external", "external");
    TabSheet_drawing = AddPage("TabSheet_drawing", "Drawing");
    BuildDirectoriesPage();
    BuildGraphicsPage();
    BuildCadPage();
    BuildColourPage();
    BuildPrinterPage();
    BuildPrintoutPage();
    BuildSettingsPage();
    BuildExternalPage();
    BuildDrawingPage();

    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 474, 96, {});
    Button_ok->SetDefault(true);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 112, 474, 96, {});
    Button_cancel->SetCancel(true);
    Button_save = NewButton(this, "Button_save", "&Save", 216, 474, 96, {});
    Button_import = NewButton(this, "Button_import", "&Import...", 496, 474, 100, {});
    Button_export = NewButton(this, "Button_export", "&Export...", 604, 474, 100, {});
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    Button_save->OnClick = [this](TObject* s) { Button_saveClick(s); };
    Button_import->OnClick = [this](TObject* s) { Button_importClick(s); };
    Button_export->OnClick = [this](TObject* s) { Button_exportClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void Tconfig::BuildDirectoriesPage() {
    TTabSheet* p = TabSheet_directories;
    struct Row {
        TLabel** label;
        TEdit** edit;
        TButton** button;
        const char* name;
        std::string* setting;
    };
    const Row rows[] = {
        {&Label_dirdbf, &Edit_dirdbf, &Button_dirdbf, "dirdbf", &DbfDir},
        {&Label_direxe, &Edit_direxe, &Button_direxe, "direxe", &KelmoraDir},
        {&Label_dirplt, &Edit_dirplt, &Button_dirplt, "dirplt", &PltDir},
        {&Label_dirtemp, &Edit_dirtemp, &Button_dirtemp, "dirtemp", &TempDir},
        {&Label_diredi, &Edit_diredi, &Button_diredi, "diredi", &EdiDir},
        {&Label_dirdata, &Edit_dirdata, &Button_dirdata, "dirdata", &DefaultDataDir},
        {&Label_dircad, &Edit_dircad, &Button_dircad, "dircad", &CadDir},
        {&Label_dirworking, &Edit_dirworking, &Button_dirworking, "dirworking", &PrintoutDbfDir},
    };
    int top = 12;
    for (const Row& r : rows) {
        const std::string n = r.name;
        *r.label = NewLabel(p, "Label_" + n, "", 8, top);
        const int width = n == "dirtemp" ? 344 : 408;
        *r.edit = NewTextEdit(p, "Edit_" + n, 220, top, width, 0);
        *r.button = NewButton(p, "Button_" + n, "...", 634, top - 1, 40, {});
        TEdit* edit = *r.edit;
        std::string* setting = r.setting;
        (*r.button)->OnClick = [this, edit](TObject*) { Button_dirClick(edit); };
        Bind([edit, setting] { edit->SetText(*setting); },
             [edit, setting] { *setting = edit->Text(); });
        top += 36;
    }
    Button_dirtempenv = NewButton(p, "Button_dirtempenv", "&TEMP", 570, 12 + 3 * 36 - 1, 58, {});
    Button_dirtempenv->OnClick = [this](TObject* s) { Button_dirtempenvClick(s); };
    Label_user = NewLabel(p, "Label_user", "", 8, top + 12);
    Button_workingDir = NewButton(p, "Button_workingDir", "&Help", 574, kHelpTop, 100, {});
    Button_workingDir->OnClick = [](TObject*) { ShowHelp(1620, 1); };
}

void Tconfig::BuildGraphicsPage() {
    TTabSheet* p = TabSheet_graphics;
    RadioGroup_bildschirmgrafik = NewRadioGroup(p, "RadioGroup_bildschirmgrafik", "", 8, 6, 324,
                                                kGroup2, {"color", "monochrom"});
    Bind([this] { RadioGroup_bildschirmgrafik->SetItemIndex(ColorGraphics ? 0 : 1); },
         [this] { ColorGraphics = RadioGroup_bildschirmgrafik->ItemIndex() == 0; });

    Label_font = NewLabel(p, "Label_font", "", 8, 102);
    Edit_font = NewTextEdit(p, "Edit_font", 96, 102, 156, 0);
    Edit_font->SetReadOnly(true);
    Label_hstyle = NewLabel(p, "Label_hstyle", "", 258, 102);
    Button_font = NewButton(p, "Button_font", "", 274, 101, 58, {});
    Button_font->OnClick = [this](TObject* s) { Button_fontClick(s); };

    struct Factor {
        TLabel** label;
        TValueEdit** edit;
        TButton** button;
        const char* name;
        const char* buttonName;
        const char* preset;
    };
    const Factor factors[] = {
        {&Label_textbreitenfaktor, &Edit_textbreitenfaktor, &Button_textbreitenfaktor,
         "textbreitenfaktor", "Button_textbreitenfaktor", "0.8"},
        {&Label_texthoehenfaktor, &Edit_texthoehenfaktor, &Button_texthoehenfaktor,
         "texthoehenfaktor", "Button_texthoehenfaktor", "1"},
        {&Label_zoomfaktor, &Edit_zoomfaktor, &Button_zoom, "zoomfaktor", "Button_zoom", "1.02"},
        {&Label_panfaktor, &Edit_panfaktor, &Button_pan, "panfaktor", "Button_pan", "0.02"},
    };
    int top = 140;
    for (const Factor& f : factors) {
        *f.label = NewLabel(p, std::string("Label_") + f.name, "", 8, top);
        *f.edit = ValueEdit(p, std::string("Edit_") + f.name, 210, top, 84, false);
        (*f.edit)->Caption = *f.label;
        *f.button = PresetButton(p, f.buttonName, "<", 300, top - 1, 30, *f.edit, f.preset);
        top += 32;
    }
    // Factors: 0 (or what reads as 0) becomes 1.
    Number(
        Edit_textbreitenfaktor, [] { return GraphicsTextWH; },
        [](long double x) { GraphicsTextWH = x == 0 ? 1.0L : x; });
    Number(
        Edit_texthoehenfaktor, [] { return TextHeightFactor; },
        // The configuration file takes nothing below 0.1 either.
        [](long double x) { TextHeightFactor = x < 0.1L ? 1.0L : x; });
    Number(
        Edit_zoomfaktor, [] { return ZoomIncrement; },
        [](long double x) { ZoomIncrement = x == 0 ? 1.0L : x; });
    Number(
        Edit_panfaktor, [] { return PanFactor; }, [](long double x) { PanFactor = x; });

    CheckBox_umrandung = NewCheckBox(p, "CheckBox_umrandung", "", 8, top + 2, 320, {});
    Bind([this] { CheckBox_umrandung->SetChecked(ScreendumpBorder); },
         [this] {
             ScreendumpBorder = CheckBox_umrandung->Checked();
             PrintBorder = ScreendumpBorder ? 1 : 0;
         });
    Panel_colour = NewControl<TPanel>(p, "Panel_colour", 8, top + 34, 60, 28);
    Panel_colour->SetBevelOuter(bvLowered);
    Button_hintergrundfarbe = NewButton(p, "Button_hintergrundfarbe", "", 76, top + 35, 200, {});
    Button_hintergrundfarbe->OnClick = [this](TObject* s) { Button_hintergrundfarbeClick(s); };

    GroupBox_aufloesung = NewControl<TGroupBox>(p, "GroupBox_aufloesung", kRight, 6, 324, kGroup2);
    Label_x = NewLabel(GroupBox_aufloesung, "Label_x", "x", 12, 36);
    Edit_x = ValueEdit(GroupBox_aufloesung, "Edit_x", 28, 36, 80, true);
    Label_y = NewLabel(GroupBox_aufloesung, "Label_y", "y", 120, 36);
    Edit_y = ValueEdit(GroupBox_aufloesung, "Edit_y", 136, 36, 80, true);
    Button_aufloesung = NewButton(GroupBox_aufloesung, "Button_aufloesung", "<", 226, 35, 30, {});
    Button_aufloesung->OnClick = [this](TObject* s) { Button_aufloesungClick(s); };
    Edit_x->OnExit = [this](TObject* s) { Edit_xyExit(s); };
    Edit_y->OnExit = [this](TObject* s) { Edit_xyExit(s); };
    // Shown as the client size (value + 1); 0 takes the screen less the window's frame.
    auto screenSize = [](bool width) {
        return [width](long double x) {
            const long double v = std::clamp(std::round(x) - 1, 0.0L, 5000.0L);
            int dw = 0, dh = 0, cw = 0, ch = 0;
            WindowFrame(dw, dh, cw, ch);
            const int whole = width ? Screen()->Width() - dw : Screen()->Height() - dh;
            const int value = v > 0 ? static_cast<int>(v) : std::clamp(whole, 1, 5000);
            (width ? ScreenWidth : ScreenHeight) = static_cast<std::uint16_t>(value);
        };
    };
    Number(
        Edit_x, [] { return ScreenWidth + 1.0L; }, screenSize(true));
    Number(
        Edit_y, [] { return ScreenHeight + 1.0L; }, screenSize(false));

    Label_dialogfenster = NewLabel(p, "Label_dialogfenster", "", kRight, 102);
    SpinEdit_dialogfenster = NewSpinEdit(p, "SpinEdit_dialogfenster", 560, 102, 72, 30, 300);
    Button_dialogsize = NewButton(p, "Button_dialogsize", "<", 638, 101, 30, {});
    Button_dialogsize->OnClick = [this](TObject* s) { Button_dialogsizeClick(s); };
    Label_dialogelemente = NewLabel(p, "Label_dialogelemente", "", kRight, 136);
    SpinEdit_dialogelemente = NewSpinEdit(p, "SpinEdit_dialogelemente", 560, 136, 72, 30, 300);
    Button_dialogelemente = NewButton(p, "Button_dialogelemente", "<", 638, 135, 30, {});
    Button_dialogelemente->OnClick = [this](TObject* s) { Button_dialogelementeClick(s); };
    Bind(
        [this] {
            SpinEdit_dialogfenster->SetValue(FormSizePercent);
            SpinEdit_dialogelemente->SetValue(ScaleByPercent);
        },
        [this] {
            FormSizePercent = SpinEdit_dialogfenster->Value();
            ScaleByPercent = SpinEdit_dialogelemente->Value();
            if (FormSizePercent == 0) FormSizePercent = 100;
            if (ScaleByPercent == 0) ScaleByPercent = 100;
        });

    CheckBox_3dxyz = NewCheckBox(p, "CheckBox_3dxyz", "", kRight, 174, 320, {});
    Bind([this] { CheckBox_3dxyz->SetChecked(Edit3D); },
         [this] { Edit3D = CheckBox_3dxyz->Checked(); });
    TValueEdit** angles[] = {&Edit_3dx, &Edit_3dy, &Edit_3dz};
    for (int i = 1; i <= 3; ++i) {
        TValueEdit* e = ValueEdit(p, std::string("Edit_3d") + "xyz"[i - 1],
                                  kRight + 24 + 80 * (i - 1), 204, 72, false);
        *angles[i - 1] = e;
        // Shown in degrees, held in radians.
        Number(
            e, [i] { return RadToDeg(View3DAngles[i]); },
            [i](long double x) { View3DAngles[i] = DegToRad(x); });
    }
    Button_grafikhilfe = NewButton(p, "Button_grafikhilfe", "&Help", 574, kHelpTop, 100, {});
    Button_grafikhilfe->OnClick = [](TObject*) { ShowHelp(1940, 1); };
}

void Tconfig::BuildCadPage() {
    TTabSheet* p = TabSheet_cad;
    Label_cadfont = NewLabel(p, "Label_cadfont", "", 8, 8);
    Edit_cadfont = NewTextEdit(p, "Edit_cadfont", 200, 8, 130, 32);
    Bind([this] { Edit_cadfont->SetText(CadTextFont.str()); },
         [this] { CadTextFont = Edit_cadfont->Text(); });
    Label_cadtextbreite = NewLabel(p, "Label_cadtextbreite", "", 8, 40);
    Edit_cadtextbreite = ValueEdit(p, "Edit_cadtextbreite", 200, 40, 84, false);
    Button_cadtextbreite =
        PresetButton(p, "Button_cadtextbreite", "<", 290, 39, 30, Edit_cadtextbreite, "1");
    Number(
        Edit_cadtextbreite, [] { return CadTextFactor; },
        // The configuration file reads 0 as 1 too.
        [](long double x) { CadTextFactor = x == 0 ? 1.0L : x; });
    Label_cadtextwinkel = NewLabel(p, "Label_cadtextwinkel", "", 8, 72);
    Edit_cadtextwinkel = ValueEdit(p, "Edit_cadtextwinkel", 200, 72, 84, false);
    Button_cadtextwinkel =
        PresetButton(p, "Button_cadtextwinkel", "<", 290, 71, 30, Edit_cadtextwinkel, "0");
    Number(
        Edit_cadtextwinkel, [] { return CadFontAngle; }, [](long double x) { CadFontAngle = x; });
    CheckBox_diagrammgrenzen = NewCheckBox(p, "CheckBox_diagrammgrenzen", "", 8, 106, 320, {});
    Bind([this] { CheckBox_diagrammgrenzen->SetChecked(EnterDiagramLimits != 0); },
         [this] { EnterDiagramLimits = CheckBox_diagrammgrenzen->Checked() ? 1 : 0; });

    radiogroupcadtexttyp =
        NewRadioGroup(p, "radiogroupcadtexttyp", "", kRight, 6, 324, kGroup2 + 20,
                      {"OEM (ASCII)", "ANSI", "transliteration of umlauts (ae, oe, ue, ss)"});
    Bind([this] { radiogroupcadtexttyp->SetItemIndex(CharsetMode - 1); },
         [this] { TakeIndex(radiogroupcadtexttyp, CharsetMode, 1); });
    CheckBox_layermonochrom = NewCheckBox(p, "CheckBox_layermonochrom", "", kRight, 116, 320, {});
    Bind([this] { CheckBox_layermonochrom->SetChecked(LayerMonochrome); },
         [this] { LayerMonochrome = CheckBox_layermonochrom->Checked(); });
    Label_dxfdec = NewLabel(p, "Label_dxfdec", "", 8, 148);
    SpinEdit_dxfdec = NewSpinEdit(p, "SpinEdit_dxfdec", 560, 148, 72, 3, 16);
    Button_dxfdec = NewButton(p, "Button_dxfdec", "<", 638, 147, 30, {});
    Button_dxfdec->OnClick = [this](TObject*) { SpinEdit_dxfdec->SetValue(6); };
    Bind([this] { SpinEdit_dxfdec->SetValue(CadDecimals); },
         [this] { CadDecimals = SpinEdit_dxfdec->Value(); });

    constexpr int kLayerTop = 184, kLayerRow = 24;
    StringGrid_layer =
        NewControl<TStringGrid>(p, "StringGrid_layer", 8, kLayerTop, 602, GridHeight(6, kLayerRow));
    StringGrid_layer->SetColCount(4);
    StringGrid_layer->SetRowCount(6);
    StringGrid_layer->SetDefaultRowHeight(kLayerRow);
    StringGrid_layer->SetColWidths(0, 240);
    StringGrid_layer->SetColWidths(1, 160);
    StringGrid_layer->SetColWidths(2, 80);
    StringGrid_layer->SetColWidths(3, 96);
    StringGrid_layer->SetOptions(StringGrid_layer->Options() | goEditing | goTabs);
    StringGrid_layer->SetColMaxLength(1, std::decay_t<decltype(LayerNames[0])>::Capacity);
    for (int row = 1; row <= 5; ++row) {
        // Button_layer5 presets row 1, ..., Button_layer1 row 5.
        const int k = 6 - row;
        Button_layer[k - 1] = NewButton(p, "Button_layer" + std::to_string(k), "<", 616,
                                        kLayerTop + 2 + (kLayerRow + 1) * row, 30, {});
        Button_layer[k - 1]->OnClick = [this, row](TObject*) { Button_layerClick(row); };
    }
    Bind(
        [this] {
            for (int row = 1; row <= 5; ++row) {
                const int entry = 6 - row; // row r edits layer 6 - r
                StringGrid_layer->SetCells(1, row, LayerNames[entry].str());
                StringGrid_layer->SetCells(2, row, IntToString(LayerColours[entry]));
                StringGrid_layer->SetCells(3, row, IntToString(LineThickness[entry]));
            }
        },
        [this] {
            for (int row = 1; row <= 5; ++row) {
                const int entry = 6 - row;
                LayerNames[entry] = StringGrid_layer->Cells(1, row);
                LayerColours[entry] = ParseInteger(TrimBlanks(StringGrid_layer->Cells(2, row)));
                LineThickness[entry] = ParseInteger(TrimBlanks(StringGrid_layer->Cells(3, row)));
            }
        });
    Button_selectlayercolor = NewButton(p, "Button_selectlayercolor", "", 8, kHelpTop, 140, {});
    Button_selectlayercolor->OnClick = [this](TObject* s) { Button_selectlayercolorClick(s); };
    Button_layerhilfe = NewButton(p, "Button_layerhilfe", "", 156, kHelpTop, 140, {});
    Button_layerhilfe->OnClick = [](TObject*) { ShowHelp(1910, 1); };
    Button_helpcad = NewButton(p, "Button_helpcad", "&Help", 574, kHelpTop, 100, {});
    Button_helpcad->OnClick = [](TObject*) { ShowHelp(1920, 1); };
}

void Tconfig::BuildColourPage() {
    TTabSheet* p = TabSheet_colour;
    StringGrid_color =
        NewControl<TStringGrid>(p, "StringGrid_color", 8, 6, 324, GridHeight(17, 21));
    StringGrid_color->SetColCount(3);
    StringGrid_color->SetRowCount(17);
    StringGrid_color->SetDefaultRowHeight(21);
    StringGrid_color->SetColWidths(0, 166);
    StringGrid_color->SetColWidths(1, 60);
    StringGrid_color->SetColWidths(2, 70);
    StringGrid_color->SetOptions(StringGrid_color->Options() | goEditing | goTabs);
    StringGrid_color->OnDblClick = [this](TObject* s) { Button_selectcolorClick(s); };
    Bind(
        [this] {
            for (int row = 1; row <= 16; ++row) {
                StringGrid_color->SetCells(1, row, IntToString(ColourTable[15 + row]));
                StringGrid_color->SetCells(2, row, IntToString(PenWidths[15 + row]));
            }
        },
        [this] {
            for (int row = 1; row <= 16; ++row) {
                ColourTable[15 + row] = ParseInteger(TrimBlanks(StringGrid_color->Cells(1, row)));
                PenWidths[15 + row] = ParseInteger(TrimBlanks(StringGrid_color->Cells(2, row)));
            }
        });
    // The panels in the order of the drawing-colour numbers 1..16, four to a row.
    for (int n = 1; n <= 16; ++n) {
        const int entry = kPaletteOfNumber[n - 1];
        const int col = (n - 1) % 4, row = (n - 1) / 4;
        TPanel* panel = NewControl<TPanel>(p, "Panel_color" + std::to_string(entry),
                                           kRight + col * 82, 8 + row * 50, 74, 42);
        panel->SetCaption(IntToString(n));
        panel->SetBevelOuter(bvLowered);
        panel->OnClick = [this, entry](TObject*) { Panel_colorClick(entry); };
        Panel_color[entry] = panel;
    }
    Button_selectcolor = NewButton(p, "Button_selectcolor", "", kRight, 214, 160, {});
    Button_selectcolor->OnClick = [this](TObject* s) { Button_selectcolorClick(s); };
    Button_resetcolor = NewButton(p, "Button_resetcolor", "", kRight + 168, 214, 156, {});
    Button_resetcolor->OnClick = [this](TObject* s) { Button_resetcolorClick(s); };
    Label_dick = NewLabel(p, "Label_dick", "", kRight, 254);
    Button_dick1 = NewButton(p, "Button_dick1", "&1", kRight + 168, 254, 46, {});
    Button_dick2 = NewButton(p, "Button_dick2", "&2", kRight + 223, 254, 46, {});
    Button_dick3 = NewButton(p, "Button_dick3", "&3", kRight + 278, 254, 46, {});
    Button_dick1->OnClick = [this](TObject*) { Button_dickClick(1); };
    Button_dick2->OnClick = [this](TObject*) { Button_dickClick(2); };
    Button_dick3->OnClick = [this](TObject*) { Button_dickClick(3); };
    Button_colorhilfe = NewButton(p, "Button_colorhilfe", "&Help", 574, kHelpTop, 100, {});
    Button_colorhilfe->OnClick = [](TObject*) { ShowHelp(1555, 1); };
}

void Tconfig::BuildPrinterPage() {
    TTabSheet* p = TabSheet_printer;
    Label_printscale = NewLabel(p, "Label_printscale", "", 8, 8);
    Edit_printscale = ValueEdit(p, "Edit_printscale", 130, 8, 84, false);
    Button_printscalex1 =
        PresetButton(p, "Button_printscalex1", "<", 220, 7, 30, Edit_printscale, "1.0");
    Number(
        Edit_printscale, [] { return static_cast<long double>(ScreendumpScale); },
        [](long double x) { ScreendumpScale = static_cast<double>(x); });
    Label_printscaley = NewLabel(p, "Label_printscaley", "", 8, 40);
    Edit_printscaley = ValueEdit(p, "Edit_printscaley", 130, 40, 84, false);
    Button_scaleyx = NewButton(p, "Button_scaleyx", "< &x", 220, 39, 40, {});
    Button_scaleyx->OnClick = [this](TObject*) {
        Edit_printscaley->SetText(Edit_printscale->Text());
    };
    Number(
        Edit_printscaley, [] { return static_cast<long double>(PrintScaleVertical); },
        [](long double x) { PrintScaleVertical = static_cast<double>(x); });
    Label_printorigin = NewLabel(p, "Label_printorigin", "", 8, 72);
    Edit_printxorigin = ValueEdit(p, "Edit_printxorigin", 130, 72, 84, true);
    Button_printxorigin =
        PresetButton(p, "Button_printxorigin", "<", 220, 71, 30, Edit_printxorigin, "0");
    Edit_printyorigin = ValueEdit(p, "Edit_printyorigin", 130, 104, 84, true);
    Button_printyorigin =
        PresetButton(p, "Button_printyorigin", "<", 220, 103, 30, Edit_printyorigin, "0");
    Number(
        Edit_printxorigin, [] { return static_cast<long double>(ScreendumpOriginX); },
        [](long double x) { ScreendumpOriginX = static_cast<std::int32_t>(x); });
    Number(
        Edit_printyorigin, [] { return static_cast<long double>(ScreendumpOriginY); },
        [](long double x) { ScreendumpOriginY = static_cast<std::int32_t>(x); });
    CheckBox_printerDialogbox = NewCheckBox(p, "CheckBox_printerDialogbox", "", 8, 144, 320, {});
    Bind([this] { CheckBox_printerDialogbox->SetChecked(PrintDialogBox != 0); },
         [this] { PrintDialogBox = CheckBox_printerDialogbox->Checked() ? 1 : 0; });

    RadioGroup_printmono = NewRadioGroup(p, "RadioGroup_printmono", "", kRight, 6, 324, kGroup2,
                                         {"Monochrome", "Color / grey-scale"});
    RadioGroup_orientation = NewRadioGroup(p, "RadioGroup_orientation", "", kRight, 96, 324,
                                           kGroup2, {"Portrait", "Landscape"});
    RadioGroup_lpt = NewRadioGroup(p, "RadioGroup_lpt", "", kRight, 186, 324, 64,
                                   {"LPT1", "LPT2", "LPT3", "LPT4"});
    RadioGroup_lpt->SetColumns(4);
    // The port is the n-th local printer device; a queue named here is used instead.
    Label_lptqueue = NewLabel(p, "Label_lptqueue", "", kRight, 262);
    Edit_lptqueue = NewTextEdit(p, "Edit_lptqueue", kRight, 284, 324, 0);
    Bind([this] { Edit_lptqueue->SetText(TextPrinterQueue); },
         [this] { TextPrinterQueue = TrimBlanks(Edit_lptqueue->Text()); });
    Bind(
        [this] {
            RadioGroup_printmono->SetItemIndex(WinPrintMode - 1);
            RadioGroup_orientation->SetItemIndex(PrinterOrientation - 1);
            RadioGroup_lpt->SetItemIndex(PrinterInterface - 1);
        },
        [this] {
            // An item never chosen keeps the setting.
            TakeIndex(RadioGroup_printmono, WinPrintMode, 1);
            TakeIndex(RadioGroup_orientation, PrinterOrientation, 1);
            TakeIndex(RadioGroup_lpt, PrinterInterface, 1);
        });
    Button_helpprint = NewButton(p, "Button_helpprint", "&Help", 574, kHelpTop, 100, {});
    Button_helpprint->OnClick = [](TObject*) { ShowHelp(1935, 1); };
}

void Tconfig::BuildPrintoutPage() {
    TTabSheet* p = TabSheet_printout;
    RadioGroup_trenn =
        NewRadioGroup(p, "RadioGroup_trenn", "", 8, 6, 324, kGroup2 + 2 * 20,
                      {"lines  ---- ====  ****", "box characters  \u2500\u2500 \u2550\u2550",
                       "blanks and empty lines", "compressed, without space lines"});
    RadioGroup_date = NewRadioGroup(p, "RadioGroup_date", "", 8, 134, 324, kGroup2,
                                    {"DD.MM.YYYY", "MM/DD/YYYY", "YYYY/MM/DD", "DD/MM/YYY"});
    RadioGroup_date->SetColumns(2);
    Label_linesperpage = NewLabel(p, "Label_linesperpage", "", 8, 226);
    // The configuration file reads fewer than 5 lines as 66: the dialog offers 5 and more.
    SpinEdit_linesperpage = NewSpinEdit(p, "SpinEdit_linesperpage", 256, 226, 76, 5, 999);
    Label_spacelines = NewLabel(p, "Label_spacelines", "", 8, 258);
    SpinEdit_spacelines = NewSpinEdit(p, "SpinEdit_spacelines", 256, 258, 76, 0, 30);
    Label_ausdruckdefault = NewLabel(p, "Label_ausdruckdefault", "", 8, 290);
    ComboBox_ausdruckdefault =
        NewControl<TComboBox>(p, "ComboBox_ausdruckdefault", 8, 312, 324, 24);
    ComboBox_ausdruckdefault->SetStyle(csDropDownList);
    CheckBox_ausdruckshowdialog =
        NewCheckBox(p, "CheckBox_ausdruckshowdialog", "", 8, 346, 324, {});
    Bind(
        [this] {
            RadioGroup_trenn->SetItemIndex(FrameStyle - 1);
            RadioGroup_date->SetItemIndex(DateCode - 1);
            SpinEdit_linesperpage->SetValue(LinesPerPage);
            SpinEdit_spacelines->SetValue(HeaderSpaceLines);
            ComboBox_ausdruckdefault->SetItemIndex(TextDevice - 1);
            CheckBox_ausdruckshowdialog->SetChecked(TextDeviceWindow != 0);
        },
        [this] {
            TakeIndex(RadioGroup_trenn, FrameStyle, 1);
            TakeIndex(RadioGroup_date, DateCode, 1);
            LinesPerPage = static_cast<std::uint16_t>(SpinEdit_linesperpage->Value());
            HeaderSpaceLines = SpinEdit_spacelines->Value();
            // The device whose name was chosen; a device the list does not offer stays.
            const int device =
                ComboBox_ausdruckdefault->Items().IndexOf(ComboBox_ausdruckdefault->Text()) + 1;
            if (device >= 1) TextDevice = static_cast<std::uint16_t>(device);
            TextDeviceWindow = CheckBox_ausdruckshowdialog->Checked() ? 1 : 0;
        });

    GroupBox_textwindow = NewControl<TGroupBox>(p, "GroupBox_textwindow", kRight, 6, 324, 90);
    TLabel** labels[] = {&Label_left, &Label_top, &Label_width, &Label_height};
    TValueEdit** edits[] = {&Edit_left, &Edit_top, &Edit_width, &Edit_height};
    const char* names[] = {"left", "top", "width", "height"};
    for (int k = 0; k < 4; ++k) {
        const int x = 10 + (k % 2) * 150, y = 28 + (k / 2) * 30;
        *labels[k] =
            NewLabel(GroupBox_textwindow, std::string("Label_") + names[k], names[k], x, y);
        *edits[k] =
            ValueEdit(GroupBox_textwindow, std::string("Edit_") + names[k], x + 56, y, 70, true);
        (*edits[k])->Caption = *labels[k];
    }
    Button_Textwindow = NewButton(GroupBox_textwindow, "Button_Textwindow", "<", 288, 27, 28, {});
    Button_Textwindow->OnClick = [this](TObject* s) { Button_TextwindowClick(s); };
    Bind(
        [this] {
            // Shown as it will be taken over, so that OK or Save without an edit stores what
            // the dialog showed.
            const TTextWindowRect r = TextWindowWithinLimits(TextWindowRect);
            Edit_left->SetText(IntToString(r.Left));
            Edit_top->SetText(IntToString(r.Top));
            Edit_width->SetText(IntToString(r.Width));
            Edit_height->SetText(IntToString(r.Height));
        },
        [this] {
            // Numbers were checked before anything is stored.
            auto value = [](TValueEdit* e) { return RoundInt(e->Peek()); };
            TextWindowRect = TextWindowWithinLimits(
                {value(Edit_left), value(Edit_top), value(Edit_width), value(Edit_height)});
        });

    RadioGroup_ff = NewRadioGroup(p, "RadioGroup_ff", "", kRight, 102, 324, kGroup2,
                                  {"with header", "header only page 1"});
    GroupBox_courier = NewControl<TGroupBox>(p, "GroupBox_courier", kRight, 192, 324, 84);
    Label_courier = NewLabel(GroupBox_courier, "Label_courier", "", 10, 26, 220);
    Label_couriersize = NewLabel(GroupBox_courier, "Label_couriersize", "", 10, 52, 100);
    Label_courierstyle = NewLabel(GroupBox_courier, "Label_courierstyle", "", 120, 52, 100);
    Button_textfont = NewButton(GroupBox_courier, "Button_textfont", "", 236, 28, 78, {});
    Button_textfont->OnClick = [this](TObject* s) { Button_textfontClick(s); };
    RadioGroup_ausgrad = NewRadioGroup(p, "RadioGroup_ausgrad", "", kRight, 282, 324, kGroup2,
                                       {"decimal degrees", "degrees-minutes-seconds"});
    Bind(
        [this] {
            RadioGroup_ff->SetItemIndex(PrintHeaderMode - 1);
            RadioGroup_ausgrad->SetItemIndex(AngleFormat - 1);
        },
        [this] {
            TakeIndex(RadioGroup_ff, PrintHeaderMode, 1);
            TakeIndex(RadioGroup_ausgrad, AngleFormat, 1);
        });
    Button_helpausdruck = NewButton(p, "Button_helpausdruck", "&Help", 574, kHelpTop, 100, {});
    Button_helpausdruck->OnClick = [](TObject*) { ShowHelp(1930, 1); };
}

void Tconfig::BuildSettingsPage() {
    TTabSheet* p = TabSheet_settings;
    RadioGroup_hilfegrad = NewRadioGroup(
        p, "RadioGroup_hilfegrad", "", 8, 6, 324, kGroup2 + 20,
        {"0 : No info window", "1 : default help level", "2 : extended help, single input"});
    RadioGroup_punktkomma =
        NewRadioGroup(p, "RadioGroup_punktkomma", "", 8, 116, 158, kGroup2, {"x.xx", "x,xx"});
    RadioGroup_ExcelDot =
        NewRadioGroup(p, "RadioGroup_ExcelDot", "", 174, 116, 158, kGroup2, {"English", "German"});
    Label_dezimalstellen = NewLabel(p, "Label_dezimalstellen", "", 8, 214);
    SpinEdit_dezimalstellen = NewSpinEdit(p, "SpinEdit_dezimalstellen", 282, 214, 50, 3, 6);
    CheckBox_archivmode = NewCheckBox(p, "CheckBox_archivmode", "", 8, 248, 324, {});
    CheckBox_aktuellfile = NewCheckBox(p, "CheckBox_aktuellfile", "", 8, 274, 324, {});
    CheckBox_saveMenuLanguage = NewCheckBox(p, "CheckBox_saveMenuLanguage", "", 8, 300, 324, {});
    Label_unit = NewLabel(p, "Label_unit", "", 8, 330);
    ComboBox_unit = NewControl<TComboBox>(p, "ComboBox_unit", 8, 352, 324, 24);
    ComboBox_unit->SetStyle(csDropDownList);

    RadioGroup_chars = NewRadioGroup(p, "RadioGroup_chars", "", kRight, 6, 324, kGroup2,
                                     {"\u00B0  \u00B5  \u00B2", "2  u  deg"});
    RadioGroup_ergebnisgrafik = NewRadioGroup(
        p, "RadioGroup_ergebnisgrafik", "", kRight, 96, 324, kGroup2 + 5 * 20 + 8,
        {"default", "Quick", "Quick 3", "Production drawing", "Diagram", "Drawing", "Quick 4"});
    Bind(
        [this] {
            RadioGroup_hilfegrad->SetItemIndex(HelpLevel);
            RadioGroup_punktkomma->SetItemIndex(DecimalSign - 1);
            RadioGroup_ExcelDot->SetItemIndex(ListDecimalSign - 1);
            SpinEdit_dezimalstellen->SetValue(FloatDigits);
            CheckBox_archivmode->SetChecked(ArchiveFlag != 0);
            CheckBox_aktuellfile->SetChecked(ConfigOption);
            CheckBox_saveMenuLanguage->SetChecked(LanguageKept);
            ComboBox_unit->SetItemIndex(UnitSystem);
            RadioGroup_chars->SetItemIndex(CharMode);
            RadioGroup_ergebnisgrafik->SetItemIndex(ResultScreen);
        },
        [this] {
            TakeIndex(RadioGroup_hilfegrad, HelpLevel, 0);
            TakeIndex(RadioGroup_punktkomma, DecimalSign, 1);
            TakeIndex(RadioGroup_ExcelDot, ListDecimalSign, 1);
            TakeIndex(RadioGroup_chars, CharMode, 0);
            TakeIndex(RadioGroup_ergebnisgrafik, ResultScreen, 0);
            FloatDigits = static_cast<std::uint16_t>(SpinEdit_dezimalstellen->Value());
            ArchiveFlag = CheckBox_archivmode->Checked() ? 1 : 0;
            ConfigOption = CheckBox_aktuellfile->Checked();
            LanguageKept = CheckBox_saveMenuLanguage->Checked();
            TakeIndex(ComboBox_unit, UnitSystem, 0);
        });
}

void Tconfig::BuildExternalPage() {
    TTabSheet* p = TabSheet_external;
    Label_externtxt = NewLabel(p, "Label_externtxt", "", 8, 6);
    Edit_externtxt = NewTextEdit(p, "Edit_externtxt", 8, 28, 614, 0);
    Button_externtxt = NewButton(p, "Button_externtxt", "...", 628, 27, 40, {});
    Label_externhtml = NewLabel(p, "Label_externhtml", "", 8, 60);
    Edit_externhtml = NewTextEdit(p, "Edit_externhtml", 8, 82, 614, 0);
    Button_externhtml = NewButton(p, "Button_externhtml", "...", 628, 81, 40, {});
    Button_externtxt->OnClick = [this](TObject*) { Button_externClick(Edit_externtxt); };
    Button_externhtml->OnClick = [this](TObject*) { Button_externClick(Edit_externhtml); };
    Bind(
        [this] {
            Edit_externtxt->SetText(WordProcessor);
            Edit_externhtml->SetText(HtmlBrowser);
        },
        [this] {
            WordProcessor = Edit_externtxt->Text();
            HtmlBrowser = Edit_externhtml->Text();
        });
    Label_kvilpen = NewLabel(p, "Label_kvilpen", "", 8, 116);
    ListBox_kvilpen = NewControl<TListBox>(p, "ListBox_kvilpen", 8, 138, 660, 120);
    ListBox_kvilpen->OnDblClick = [this](TObject* s) { Button_confkvilpenClick(s); };
    Button_confkvilpen = NewButton(p, "Button_confkvilpen", "&KVILPEN...", 8, 266, 130, {});
    Button_confkvilpen->OnClick = [this](TObject* s) { Button_confkvilpenClick(s); };
    Button_editkvilpencommandline =
        NewButton(p, "Button_editkvilpencommandline", "Edit as &text...", 146, 266, 150, {});
    Button_editkvilpencommandline->OnClick = [this](TObject* s) {
        Button_editkvilpencommandlineClick(s);
    };
    Bind(
        [this] {
            std::vector<std::string> lines;
            for (int i = 1; i <= PlotLineMax; ++i)
                lines.push_back(PlotLines[i]);
            ListBox_kvilpen->Items().Assign(lines);
            FPlotEdited = 0;
        },
        [this] {
            for (int i = 1; i <= PlotLineMax; ++i)
                PlotLines[i] = ListBox_kvilpen->Items()[i - 1];
            // A line edited beyond the ones in use is kept: the file stores PlotLineCount lines.
            if (FPlotEdited > PlotLineCount)
                PlotLineCount = static_cast<std::uint16_t>(FPlotEdited);
        });
}

void Tconfig::BuildDrawingPage() {
    TTabSheet* p = TabSheet_drawing;
    RadioGroup_index = NewRadioGroup(p, "RadioGroup_index", "", 8, 6, 324, kGroup2 + 40,
                                     {"a,b,c...", "1,2,3...", "A,B,C...", "......"});
    Bind([this] { RadioGroup_index->SetItemIndex(FrameOption); },
         [this] { TakeIndex(RadioGroup_index, FrameOption, 0); });
    Label_freigabefeld = NewLabel(p, "Label_freigabefeld", "", 8, 140);
    Edit_freigabefeld = NewTextEdit(p, "Edit_freigabefeld", 8, 162, 220, 0);
    Button_freigabefeld =
        PresetButton(p, "Button_freigabefeld", "<", 234, 161, 30, Edit_freigabefeld, "App");
    // Kept as the DOS code page holds it (the title block's fourth row); shown as the special
    // characters setting shows it, and left as stored unless it was typed.
    Bind([this] { FStored.ShowOem(Edit_freigabefeld, FourthRowLabel); },
         [this] { FourthRowLabel = FStored.Entered(Edit_freigabefeld); });
    Label_massfaktorconfig = NewLabel(p, "Label_massfaktorconfig", "", 8, 194);
    Edit_massfaktorconfig = ValueEdit(p, "Edit_massfaktorconfig", 8, 216, 100, false);
    Edit_massfaktorconfig->Caption = Label_massfaktorconfig;
    Button_massfaktorconfig =
        PresetButton(p, "Button_massfaktorconfig", "<", 114, 215, 30, Edit_massfaktorconfig, "1.0");
    Number(
        Edit_massfaktorconfig, [] { return ConfiguredScaleFactor; },
        [](long double x) { ConfiguredScaleFactor = x < 0.01L ? 1.0L : x; });

    CheckBox_zeichkelmoratitel =
        NewCheckBox(p, "CheckBox_zeichkelmoratitel", "", kRight, 8, 336, {});
    CheckBox_zeichfilename = NewCheckBox(p, "CheckBox_zeichfilename", "", kRight, 36, 336, {});
    CheckBox_zeichdatum = NewCheckBox(p, "CheckBox_zeichdatum", "", kRight, 64, 336, {});
    CheckBox_zeichlogo = NewCheckBox(p, "CheckBox_zeichlogo", "", kRight, 92, 336, {});
    CheckBox_zeichfusszeile = NewCheckBox(p, "CheckBox_zeichfusszeile", "", kRight, 120, 336, {});
    CheckBox_zeichnungskopf = NewCheckBox(p, "CheckBox_zeichnungskopf", "", kRight, 148, 336, {});
    // Each box draws its item: checked is the stored "leave out" switch cleared.
    const std::pair<TCheckBox*, bool*> draws[] = {
        {CheckBox_zeichkelmoratitel, &NoProductLine}, {CheckBox_zeichfilename, &NoFileNameLine},
        {CheckBox_zeichdatum, &NoDateLine},           {CheckBox_zeichlogo, &NoLogo},
        {CheckBox_zeichfusszeile, &NoDrawingFooter},  {CheckBox_zeichnungskopf, &NoFrame}};
    for (const auto& [box, leaveOut] : draws) {
        TCheckBox* b = box;
        bool* off = leaveOut;
        Bind([b, off] { b->SetChecked(!*off); }, [b, off] { *off = !b->Checked(); });
    }
    Label_zeichnkopf = NewLabel(p, "Label_zeichnkopf", "", kRight, 182);
    ComboBox_zeichnkopf = NewControl<TComboBox>(p, "ComboBox_zeichnkopf", kRight, 204, 220, 24);
    ComboBox_zeichnkopf->SetStyle(csDropDownList);
    ComboBox_zeichnkopf->Items().Assign(
        {"DIN 6771 min.", "ISO 7200 Fig.1", "ISO 7200 Fig.2", "DIN 6771"});
    Bind([this] { ComboBox_zeichnkopf->SetItemIndex(TitleBlockOption); },
         [this] { TakeIndex(ComboBox_zeichnkopf, TitleBlockOption, 0); });
}

// ---- creation: captions, lists, hints ---------------------------------------------------------

void Tconfig::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    if (Top() >= 10) SetTop(Top() - 10);
    SetCaption(ProductTitle + " Configuration");
    auto caption = [](auto* control, std::string_view text) {
        control->SetCaption(OemToAnsiString(text));
    };
    caption(Label_dirdbf, "Database directory (dbf)");
    caption(Label_direxe, "KELMORA EXE Directory");
    caption(Label_dirplt, "Help texts and pictures (plt)");
    caption(Label_dirtemp, "Temporary directory");
    caption(Label_diredi, "EDI Directory");
    caption(Label_dirdata, "." + DataFileExt.str() + " Directory");
    caption(Label_dircad, "CAD Directory");
    caption(Label_dirworking, "Working Directory");
    Label_user->SetCaption("User: " + EnvOr("USERNAME", "USER"));

    caption(RadioGroup_bildschirmgrafik, "Color graphics");
    caption(Label_font, "Text font");
    caption(Button_font, "&Font...");
    caption(Label_textbreitenfaktor, "Textwidth/height");
    caption(Label_texthoehenfaktor, "Text height factor");
    caption(Label_zoomfaktor, "zoom increment");
    caption(Label_panfaktor, "pan faktor");
    caption(CheckBox_umrandung, "Border line");
    caption(Button_hintergrundfarbe, "&background colour");
    caption(GroupBox_aufloesung, "Window Size");
    caption(Label_dialogfenster, "dialog window size (%)");
    caption(Label_dialogelemente, "Dialog element size (%)");
    caption(CheckBox_3dxyz, "3D Edit x,y,z");

    caption(Label_cadfont, "Text font");
    caption(Label_cadtextbreite, "Textwidth/height");
    caption(Label_cadtextwinkel, "Font angle");
    caption(CheckBox_diagrammgrenzen, "Enter limits of diagrams");
    caption(Label_dxfdec, "number of digits for floating point numbers DXF, TXT");
    caption(radiogroupcadtexttyp, "Text Type");
    caption(CheckBox_layermonochrom, "Layer Monochrome ?");
    caption(Button_selectlayercolor, "Co&lour...");
    caption(Button_layerhilfe, "Help la&yers");
    const char* layerHeads[] = {"", "Layer", "Colour", "pen width"};
    for (int c = 0; c < 4; ++c)
        StringGrid_layer->SetCells(c, 0, layerHeads[c]);
    for (int row = 1; row <= 5; ++row)
        StringGrid_layer->SetCells(0, row, kLayerRowTitles[row - 1]);

    StringGrid_color->SetCells(1, 0, "Colour");
    StringGrid_color->SetCells(2, 0, "pen width");
    for (int row = 1; row <= 16; ++row)
        StringGrid_color->SetCells(0, row, "Colour of layer " + IntToString(15 + row));
    caption(Button_selectcolor, "Co&lour...");
    caption(Button_resetcolor, "&Reset colours");
    caption(Label_dick, "pen width");

    caption(Label_printscale, "Scale x");
    caption(Label_printscaley, "Scale y");
    caption(Label_printorigin, "Origin x, y");
    caption(RadioGroup_printmono, "shading");
    caption(RadioGroup_orientation, "Printout");
    caption(CheckBox_printerDialogbox, "Show output code dialogue box");
    caption(RadioGroup_lpt, "LPT-Interface for text printing");
    caption(Label_lptqueue, "or print queue for text printing (blank: the port)");

    caption(RadioGroup_trenn, "Select linetype");
    caption(RadioGroup_date, "date");
    caption(Label_linesperpage, "Max. lines per page for printer");
    caption(Label_spacelines, "header space lines");
    caption(Label_ausdruckdefault, "output code");
    caption(CheckBox_ausdruckshowdialog, "Show output code dialogue box");
    caption(GroupBox_textwindow, "Text window");
    caption(RadioGroup_ff, "text printout");
    caption(GroupBox_courier, "Text font");
    caption(Button_textfont, "&Font..");
    caption(RadioGroup_ausgrad, "Angle");
    ListBegin(ListDeviceNamesOnly, "");
    std::vector<std::string> devices;
    for (int k = 1; k <= 7; ++k)
        devices.push_back(OemToAnsiString(TextLines[k].str()));
    ComboBox_ausdruckdefault->Items().Assign(devices);

    caption(RadioGroup_hilfegrad, "Help level");
    caption(RadioGroup_punktkomma, "Decimal sign");
    caption(RadioGroup_ExcelDot, "Decimal sign Excel");
    caption(Label_dezimalstellen, "number of digits for floating point numbers");
    caption(CheckBox_archivmode, "Archive flag ?");
    caption(CheckBox_aktuellfile, "actual." + DataFileExt.str() + " ?");
    caption(CheckBox_saveMenuLanguage, "Save Menu Language ?");
    caption(Label_unit, "Unit");
    caption(RadioGroup_chars, "Special characters");
    caption(RadioGroup_ergebnisgrafik, "Result Screen");
    std::vector<std::string> units;
    for (const auto& name : UnitSystemNames)
        units.push_back(OemToAnsiString(name));
    ComboBox_unit->Items().Assign(units);

    caption(Label_externtxt, "word processor");
    caption(Label_externhtml, "HTML Browser");
    caption(Label_kvilpen, "KVILPEN Command Lines");

    caption(RadioGroup_index, "Index");
    caption(Label_freigabefeld, "Drawing approved");
    caption(Label_massfaktorconfig, "Size coeff. Dimensioning");
    CheckBox_zeichkelmoratitel->SetCaption(
        OemToAnsiString("KELMORA " + MakerTitle + " V" + VersionCode.str()));
    CheckBox_zeichfilename->SetCaption("file name " + os::Utf8Left(DataFileName, 50));
    CheckBox_zeichdatum->SetCaption(DateString() + "  " + TimeString());
    caption(CheckBox_zeichlogo, "$logo_1.dx$ ?");
    caption(CheckBox_zeichfusszeile, "footer line");
    caption(CheckBox_zeichnungskopf, "Production drawing with header");
    caption(Label_zeichnkopf, "Drawing with header");

    SetHints();
    PageControl1->SetActivePage(TabSheet_graphics);
    int dw = 0, dh = 0;
    WindowFrame(dw, dh, FWindowW, FWindowH);
    FStoredW = ScreenWidth;
    FStoredH = ScreenHeight;
    SettingsToForm();
}

void Tconfig::SetHints() {
    const bool on = HelpLevel != 0;
    const std::pair<TControl*, std::uint16_t> hints[] = {
        {Label_dircad, 1570},
        {Label_dirdbf, 1600},
        {Label_dirtemp, 1610},
        {Label_dirplt, 1590},
        {Label_diredi, 1595},
        {Label_direxe, 1830},
        {Label_dirworking, 1605},
        {Label_dirdata, 1615},
        {RadioGroup_bildschirmgrafik, 1670},
        {GroupBox_aufloesung, 1710},
        {Label_zoomfaktor, 1800},
        {Label_panfaktor, 1810},
        {Label_textbreitenfaktor, 1730},
        {Label_texthoehenfaktor, 1735},
        {Label_cadtextbreite, 1730},
        {Label_dialogfenster, 1715},
        {Label_dialogelemente, 1745},
        {Label_cadfont, 1720},
        {Label_cadtextwinkel, 1740},
        {CheckBox_diagrammgrenzen, 1960},
        {Label_dxfdec, 1980},
        {CheckBox_layermonochrom, 1585},
        {RadioGroup_punktkomma, 1755},
        {RadioGroup_hilfegrad, 1580},
        {Label_dezimalstellen, 1750},
        {CheckBox_archivmode, 2530},
        {CheckBox_aktuellfile, 2535},
        {Label_externtxt, 2500},
    };
    for (const auto& [control, number] : hints) {
        std::string text;
        if (on) GetHelpText(number, text);
        control->SetHint(OemToAnsiString(text));
        control->SetShowHint(on);
    }
    std::string result;
    GetHelpText(2820, result);
    RadioGroup_ergebnisgrafik->SetHint(OemToAnsiString(result));
    RadioGroup_ergebnisgrafik->SetShowHint(true);
}

// ---- the two directions -----------------------------------------------------------------------

void Tconfig::SettingsToForm() {
    for (auto& load : FLoad)
        load();
    for (NumberField& n : FNumbers) {
        const long double v = n.Get();
        n.Edit->ShowValue(v, n.Edit->Kind() == TValueKind::Real ? FloatToStrSig6(v)
                                                                : IntToString(RoundInt(v)));
    }
    FGraphicsFont = GraphicsFont;
    FGraphicsStyle = GraphicsTextStyle;
    Edit_font->SetText(FGraphicsFont);
    Label_hstyle->SetCaption(StyleCodeText(FGraphicsStyle));
    FPrintFont = PrintFont;
    FPrintSize = PrintTextSize;
    FPrintStyle = PrintTextStyle;
    Label_courier->SetCaption(FPrintFont);
    Label_couriersize->SetCaption(IntToString(FPrintSize) + " pt");
    Label_courierstyle->SetCaption("style " + StyleCodeText(FPrintStyle));
    FBackground = BackgroundColour;
    FPalette = Palette;
    ShowPanelColours();
}

void Tconfig::ShowPageOf(TControl* c) {
    for (TControl* p = c; p != nullptr; p = p->Parent())
        if (auto* sheet = dynamic_cast<TTabSheet*>(p)) {
            PageControl1->SetActivePage(sheet);
            return;
        }
}

bool Tconfig::CheckGridNumbers(TStringGrid* grid, int firstCol, int lastCol, int firstRow,
                               int lastRow, int lo, int hi) {
    for (int row = firstRow; row <= lastRow; ++row)
        for (int col = firstCol; col <= lastCol; ++col) {
            const std::string cell = TrimBlanks(grid->Cells(col, row));
            bool ok = false;
            const std::int32_t v = ParseInteger(cell, ok);
            if (ok && v >= lo && v <= hi) continue;
            ShowPageOf(grid);
            grid->SelectCell(col, row);
            const std::string where = " in " + GridCellName(*grid, col, row);
            ShowErrorBox(!ok ? "Invalid Input \"" + cell + "\"" + where + " !"
                             : "Valid Data are: " + IntToString(lo) + " .. " + IntToString(hi) +
                                   where + " !");
            grid->SetFocus();
            return false;
        }
    return true;
}

bool Tconfig::EntriesValid() {
    for (TValueEdit* e : FValueEdits) {
        long double v = 0;
        if (e->TryValue(v)) continue;
        ShowPageOf(e);
        e->ReadValue(v); // names the field and focuses it
        return false;
    }
    if (!CheckGridNumbers(StringGrid_layer, 2, 3, 1, 5, 0, 255) ||
        !CheckGridNumbers(StringGrid_color, 1, 2, 1, 16, 0, 255))
        return false;
    // The fourth row of the title block is kept in the DOS page, as the drawings use it.
    return !FStored.Changed(Edit_freigabefeld) ||
           TextStorable(Caption() + ", " + Label_freigabefeld->Caption(),
                        Edit_freigabefeld->Text(), 0, TextEncoding::Oem, {}, "the title block",
                        [this] {
                            ShowPageOf(Edit_freigabefeld);
                            Edit_freigabefeld->SetFocus();
                        });
}

bool Tconfig::FormToSettings() {
    // Everything is checked before anything is taken over.
    if (!EntriesValid()) return false;
    for (NumberField& n : FNumbers)
        if (n.Edit->Modified()) n.Set(n.Edit->Peek());
    for (auto& store : FStore)
        store();
    GraphicsFont = os::Utf8Left(FGraphicsFont, 60);
    GraphicsTextStyle = FGraphicsStyle;
    PrintFont = os::Utf8Left(FPrintFont, 60);
    PrintTextSize = FPrintSize;
    PrintTextStyle = FPrintStyle;
    BackgroundColour = FBackground;
    Palette = FPalette;
    // A window size changed in the dialog (typed, taken from the screen, imported) is the
    // drawing window's, fitted to the screen as at start, where the window is. An unchanged one
    // leaves the window as it is: the size it was given at start or by the user.
    if (DrawWindow != nullptr && ScreenWidth > 0 && ScreenHeight > 0 &&
        (ScreenWidth != FStoredW || ScreenHeight != FStoredH)) {
        SetMainWindowClientSize(DrawWindow, ScreenWidth + 1, ScreenHeight + 1);
        FWindowW = DrawWindow->ClientWidth();
        FWindowH = DrawWindow->ClientHeight();
    }
    SettingsToForm(); // shows what the rules made of the entries
    return true;
}

// ---- buttons ----------------------------------------------------------------------------------

void Tconfig::Button_okClick(TObject*) {
    if (!FormToSettings()) return;
    AbortFlag = 0;
    // A folder typed or imported that this computer lacks is never used in a file name.
    CheckConfiguredDirectories();
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void Tconfig::Button_cancelClick(TObject*) {
    // A window size tried in the dialog goes back.
    if (DrawWindow != nullptr &&
        (DrawWindow->ClientWidth() != FWindowW || DrawWindow->ClientHeight() != FWindowH)) {
        DrawWindow->SetClientWidth(FWindowW);
        DrawWindow->SetClientHeight(FWindowH);
    }
    AbortFlag = 1;
    Close();
}

void Tconfig::Button_saveClick(TObject*) {
    if (!FormToSettings()) return;
    AbortFlag = 0;
    WriteConfiguration();
    if (AbortFlag == 0) CheckConfiguredDirectories();
    AbortFlag = 0;
}

void Tconfig::Button_importClick(TObject*) {
    AbortFlag = 0;
    TOpenDialog dialog(nullptr);
    dialog.Filter = "*.cfg|*.cfg";
    dialog.InitialDir = DelBackslash(ConfigDir);
    dialog.Options = ofHideReadOnly | ofFileMustExist;
    if (!dialog.Execute() || dialog.FileName.empty()) return;
    // The settings of the file take effect at once; the dialog shows them.
    std::string problem;
    if (!ReadConfigurationFile(dialog.FileName, problem)) {
        ShowErrorBox(problem);
        return;
    }
    // Folders of another installation become this computer's places, with one message.
    CheckConfiguredDirectories();
    AbortFlag = 0;
    SettingsToForm();
}

void Tconfig::Button_exportClick(TObject*) {
    AbortFlag = 0;
    // The entries are taken over with the export only: a file choice or question cancelled on
    // the way, then Cancel, leaves the settings as they were.
    if (!EntriesValid()) return;
    TSaveDialog dialog(nullptr);
    dialog.Filter = "*.cfg|*.cfg";
    dialog.DefaultExt = "cfg";
    dialog.InitialDir = DelBackslash(ConfigDir);
    // The question about replacing a file is asked of the file really written.
    dialog.Options = ofHideReadOnly | ofPathMustExist;
    if (!dialog.Execute() || dialog.FileName.empty()) return;
    // A place no file can be written to is refused at once, with its cause; a write that fails
    // on the way asks Retry or Cancel. The dialog stays either way.
    const std::string file = PrepareOutputFile(dialog.FileName, "cfg");
    if (!file.empty() && FormToSettings()) WriteConfigurationFile(file);
    AbortFlag = 0;
}

void Tconfig::Button_dirClick(TEdit* edit) {
    std::string dir;
    SelectDirectory(edit->Text(), dir);
    edit->SetText(dir);
}

void Tconfig::Button_dirtempenvClick(TObject*) {
    // The system's temporary directory: $TEMP, else $TMPDIR, else /tmp.
    const std::string temp = EnvOr("TEMP", "TMPDIR");
    Edit_dirtemp->SetText(AddBackslash(temp.empty() ? os::TempDirectory() : temp));
}

void Tconfig::Button_externClick(TEdit* edit) {
    std::string chosen;
    SelectFileDialog(edit->Text(), "*", chosen);
    if (AbortFlag == 0) edit->SetText(chosen);
    AbortFlag = 0;
}

void Tconfig::Button_fontClick(TObject*) {
    TFontDialog dialog(nullptr);
    dialog.Font.Name = FGraphicsFont;
    dialog.Font.Style = CodeToFontStyle(FGraphicsStyle);
    dialog.Options = fdScalableOnly | fdForceFontExist;
    if (!dialog.Execute()) return;
    FGraphicsFont = os::Utf8Left(dialog.Font.Name, 60);
    FGraphicsStyle = static_cast<std::uint16_t>(FontStyleToCode(dialog.Font.Style));
    Edit_font->SetText(FGraphicsFont);
    Label_hstyle->SetCaption(StyleCodeText(FGraphicsStyle));
}

void Tconfig::Button_textfontClick(TObject*) {
    TFontDialog dialog(nullptr);
    dialog.Font.Name = FPrintFont;
    dialog.Font.SetSize(FPrintSize);
    dialog.Font.Style = CodeToFontStyle(FPrintStyle);
    dialog.Options = fdFixedPitchOnly | fdForceFontExist;
    if (!dialog.Execute()) return;
    FPrintFont = os::Utf8Left(dialog.Font.Name, 60);
    FPrintSize = static_cast<std::uint16_t>(std::max(dialog.Font.Size(), 1));
    FPrintStyle = static_cast<std::uint16_t>(FontStyleToCode(dialog.Font.Style));
    Label_courier->SetCaption(FPrintFont);
    Label_couriersize->SetCaption(IntToString(FPrintSize) + " pt");
    Label_courierstyle->SetCaption("style " + StyleCodeText(FPrintStyle));
}

void Tconfig::ShowPanelColours() {
    Panel_colour->SetColor(static_cast<TColor>(FBackground));
    for (int p = 0; p <= 15; ++p) {
        Panel_color[p]->SetColor(static_cast<TColor>(FPalette[p]));
        // The number stays readable on dark and light colours alike.
        const TColor c = static_cast<TColor>(FPalette[p]);
        const int light = GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c);
        TFont f = Panel_color[p]->Font();
        f.Color = light > 1280 ? clBlack : clWhite;
        Panel_color[p]->SetFont(f);
    }
}

void Tconfig::Button_hintergrundfarbeClick(TObject*) {
    TColorDialog dialog(nullptr);
    dialog.Color = static_cast<TColor>(FBackground);
    if (!dialog.Execute()) return;
    FBackground = dialog.Color;
    ShowPanelColours();
}

void Tconfig::Panel_colorClick(int entry) {
    TColorDialog dialog(nullptr);
    dialog.Color = static_cast<TColor>(FPalette[entry]);
    if (!dialog.Execute()) return;
    FPalette[entry] = dialog.Color;
    ShowPanelColours();
}

void Tconfig::Button_selectcolorClick(TObject*) {
    if (StringGrid_color->Col() != 1) return;
    const int row = StringGrid_color->Row();
    int n = ParseInteger(TrimBlanks(StringGrid_color->Cells(1, row)));
    if (SelectDrawingColour(n)) StringGrid_color->SetCells(1, row, IntToString(n));
}

void Tconfig::Button_selectlayercolorClick(TObject*) {
    const int row = std::clamp(StringGrid_layer->Row(), 1, 5);
    int n = ParseInteger(TrimBlanks(StringGrid_layer->Cells(2, row)));
    if (SelectDrawingColour(n)) StringGrid_layer->SetCells(2, row, IntToString(n));
}

void Tconfig::Button_resetcolorClick(TObject*) {
    // Only the palette goes back to its defaults; other edits of the dialog stay.
    const auto saved = Palette;
    ResetPalette();
    FPalette = Palette;
    Palette = saved;
    ShowPanelColours();
}

void Tconfig::Button_dickClick(int width) {
    for (int row = 1; row <= 16; ++row)
        StringGrid_color->SetCells(2, row, IntToString(width));
}

void Tconfig::Button_layerClick(int row) {
    for (int c = 0; c < 3; ++c)
        StringGrid_layer->SetCells(c + 1, row, kLayerPresets[row - 1][c]);
}

void Tconfig::Button_TextwindowClick(TObject*) {
    const long double x = ParseReal(Edit_x->Text());
    const long double y = ParseReal(Edit_y->Text());
    Edit_left->SetText("10");
    Edit_top->SetText("40");
    int width = x >= 641 ? RoundInt(FPrintSize * 700.0L / 10) : 620;
    if (width == 0) width = 700;
    Edit_width->SetText(IntToString(width));
    Edit_height->SetText(IntToString(RoundInt(y) - 20));
}

void Tconfig::ApplyDialogSize() {
    if (DrawWindow == nullptr) return;
    bool ok = false;
    int width = DrawWindow->ClientWidth();
    int height = DrawWindow->ClientHeight();
    const long double x = ParseReal(Edit_x->Text(), ok);
    if (ok && x > 0 && x <= 5001) width = RoundInt(x);
    const long double y = ParseReal(Edit_y->Text(), ok);
    if (ok && y > 0 && y <= 5001) height = RoundInt(y);
    SetMainWindowClientSize(DrawWindow, width, height);
}

void Tconfig::Edit_xyExit(TObject*) {
    ApplyDialogSize();
}

void Tconfig::Button_aufloesungClick(TObject*) {
    int dw = 0, dh = 0, cw = 0, ch = 0;
    WindowFrame(dw, dh, cw, ch);
    Edit_x->SetText(IntToString(Screen()->Width() - dw));
    Edit_y->SetText(IntToString(Screen()->Height() + RoundInt(1.65L * -dh)));
    ApplyDialogSize();
}

namespace {
// The share of the window's height that is frame, as the dialog sizes are measured.
long double FrameFactor() {
    int dw = 0, dh = 0, cw = 0, ch = 0;
    WindowFrame(dw, dh, cw, ch);
    return static_cast<long double>(ch + dh) / (ch + 46) + 0.009L;
}
} // namespace

// Both proposals keep every dialog whole: never below its designed size, and wholly on the
// screen's work area.
void Tconfig::Button_dialogsizeClick(TObject*) {
    int left = 0, top = 0, width = 0, height = 0;
    Screen()->WorkArea(left, top, width, height);
    SpinEdit_dialogfenster->SetValue(ProposedDialogSize(
        FrameFactor(), Screen()->PixelsPerInch(), width, height, SpinEdit_dialogelemente->Value()));
}

void Tconfig::Button_dialogelementeClick(TObject*) {
    int left = 0, top = 0, width = 0, height = 0;
    Screen()->WorkArea(left, top, width, height);
    SpinEdit_dialogelemente->SetValue(ProposedDialogElements(
        FrameFactor(), Screen()->PixelsPerInch(), width, height, SpinEdit_dialogfenster->Value()));
}

void Tconfig::Button_confkvilpenClick(TObject*) {
    const int index = std::max(ListBox_kvilpen->ItemIndex(), 0);
    std::string line = ListBox_kvilpen->Items()[index];
    AbortFlag = 0;
    if (ShowPlotForm(line)) {
        ListBox_kvilpen->Items().Put(index, line);
        FPlotEdited = std::max(FPlotEdited, index + 1);
    }
    AbortFlag = 0;
}

void Tconfig::Button_editkvilpencommandlineClick(TObject*) {
    const int index = ListBox_kvilpen->ItemIndex();
    if (index < 0) {
        ShowMessage("Select a command line first");
        return;
    }
    std::string line = ListBox_kvilpen->Items()[index];
    AbortFlag = 0;
    // A stored line longer than the usual 80 characters is never cut by the question.
    InputText("KVILPEN Command Line", std::max<int>(80, os::Utf8Length(line)), line);
    if (AbortFlag == 0) {
        ListBox_kvilpen->Items().Put(index, line);
        FPlotEdited = std::max(FPlotEdited, index + 1);
    }
    AbortFlag = 0;
}

// ---- TForm_selectcolor ------------------------------------------------------------------------

TForm_selectcolor::TForm_selectcolor(TComponent* AOwner) : TForm(AOwner) {
    SetName("Form_selectcolor");
    SetBounds(0, 0, 260, 360);
    SetClientWidth(260);
    SetClientHeight(332);
    ListBox1 = NewControl<TListBox>(this, "ListBox1", 8, 8, 244, 284);
    Button_ok = NewButton(this, "Button_ok", "&OK", 8, 298, 88, {});
    Button_ok->SetDefault(true);
    Button_cancel = NewButton(this, "Button_cancel", "&Cancel", 104, 298, 88, {});
    Button_cancel->SetCancel(true);
    ListBox1->OnDblClick = [this](TObject* s) { Button_okClick(s); };
    Button_ok->OnClick = [this](TObject* s) { Button_okClick(s); };
    Button_cancel->OnClick = [this](TObject* s) { Button_cancelClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
}

void TForm_selectcolor::FormCreate(TObject*) {
    SetBorderStyle(bsDialog);
    FitForm(this);
    SetCaption("Select Color");
    std::vector<std::string> items;
    for (int n = 1; n <= 16; ++n)
        items.push_back(IntToString(n) + " (" + OemToAnsiString(TextLines[n].str()) + ")");
    ListBox1->Items().Assign(items);
}

void TForm_selectcolor::Button_okClick(TObject*) {
    AbortFlag = 0;
    SetModalResult(mrOk);
}

void TForm_selectcolor::Button_cancelClick(TObject*) {
    AbortFlag = 1;
    Close();
}

bool SelectDrawingColour(int& number) {
    for (int n = 1; n <= 16; ++n)
        TextLines[n] = DrawingColourNames[n - 1];
    auto form = CreateForm<TForm_selectcolor>();
    form->ListBox1->SetItemIndex(std::clamp(number, 1, 16) - 1);
    AbortFlag = 0;
    const bool chosen =
        form->ShowModal() == mrOk && AbortFlag == 0 && form->ListBox1->ItemIndex() >= 0;
    AbortFlag = 0;
    if (chosen) number = form->ListBox1->ItemIndex() + 1;
    return chosen;
}

bool ShowConfiguration() {
    auto form = CreateForm<Tconfig>();
    if (form->ShowModal() != mrOk) AbortFlag = 1;
    return AbortFlag == 0;
}
