#pragma once
// lconfig (dialog part): Tconfig, the configuration dialog of File > Settings, and lselcol's
// TForm_selectcolor, the choice of one of the 16 drawing colours.
//
// The dialog edits the settings of framework/core/settings.h and globals.h on nine pages
// (directories, graphics, CAD, colours, drawing printout, text printout, general settings,
// external programs, production drawing). Nothing is taken over before OK, Save or Export:
// OK keeps the settings for this run, Save also writes the configuration file, Export writes
// them to a file the user chooses (taken over once the file is chosen and confirmed), Import
// reads such a file into the settings at once and
// shows it. Cancel takes nothing over: a colour or window size tried in the dialog goes back.
//
// A number edit whose text was not changed leaves its setting exactly as it was; a changed one
// must hold a number (otherwise the dialog names it and stays open) and then follows the
// setting's rule (zoom increment 0 becomes 1.0, dimension factor below 0.01 becomes 1.0, ...).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/fixedtypes.h"
#include "framework/ui/stored_texts.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "shell/input_fields.h"

class Tconfig : public TForm {
public:
    explicit Tconfig(TComponent* AOwner);

    TPageControl* PageControl1;
    TTabSheet *TabSheet_directories, *TabSheet_graphics, *TabSheet_cad, *TabSheet_colour,
        *TabSheet_printer, *TabSheet_printout, *TabSheet_settings, *TabSheet_external,
        *TabSheet_drawing;
    TButton *Button_ok, *Button_cancel, *Button_save, *Button_import, *Button_export;

    // Directories
    TLabel *Label_dirdbf, *Label_direxe, *Label_dirplt, *Label_dirtemp, *Label_diredi,
        *Label_dirdata, *Label_dircad, *Label_dirworking, *Label_user;
    TEdit *Edit_dirdbf, *Edit_direxe, *Edit_dirplt, *Edit_dirtemp, *Edit_diredi, *Edit_dirdata,
        *Edit_dircad, *Edit_dirworking;
    TButton *Button_dirdbf, *Button_direxe, *Button_dirplt, *Button_dirtemp, *Button_diredi,
        *Button_dirdata, *Button_dircad, *Button_dirworking, *Button_dirtempenv, *Button_workingDir;
    // Graphics
    TRadioGroup* RadioGroup_bildschirmgrafik;
    TLabel *Label_font, *Label_hstyle, *Label_textbreitenfaktor, *Label_texthoehenfaktor,
        *Label_zoomfaktor, *Label_panfaktor, *Label_dialogfenster, *Label_dialogelemente, *Label_x,
        *Label_y;
    TEdit* Edit_font;
    TValueEdit *Edit_textbreitenfaktor, *Edit_texthoehenfaktor, *Edit_x, *Edit_y, *Edit_zoomfaktor,
        *Edit_panfaktor, *Edit_3dx, *Edit_3dy, *Edit_3dz;
    TButton *Button_font, *Button_textbreitenfaktor, *Button_texthoehenfaktor,
        *Button_hintergrundfarbe, *Button_aufloesung, *Button_zoom, *Button_pan, *Button_dialogsize,
        *Button_dialogelemente, *Button_grafikhilfe;
    TPanel* Panel_colour;
    TGroupBox* GroupBox_aufloesung;
    TCheckBox *CheckBox_umrandung, *CheckBox_3dxyz;
    TSpinEdit *SpinEdit_dialogfenster, *SpinEdit_dialogelemente;
    // CAD
    TLabel *Label_cadfont, *Label_cadtextbreite, *Label_cadtextwinkel, *Label_dxfdec;
    TEdit* Edit_cadfont;
    TValueEdit *Edit_cadtextbreite, *Edit_cadtextwinkel;
    TButton *Button_cadtextbreite, *Button_cadtextwinkel, *Button_dxfdec, *Button_selectlayercolor,
        *Button_layerhilfe, *Button_helpcad;
    TButton* Button_layer[5]; // Button_layer1 .. Button_layer5
    TCheckBox *CheckBox_diagrammgrenzen, *CheckBox_layermonochrom;
    TSpinEdit* SpinEdit_dxfdec;
    TRadioGroup* radiogroupcadtexttyp;
    TStringGrid* StringGrid_layer;
    // Colour
    TStringGrid* StringGrid_color;
    TPanel* Panel_color[16]; // Panel_color0 .. Panel_color15: palette entry 0 .. 15
    TLabel* Label_dick;
    TButton *Button_selectcolor, *Button_resetcolor, *Button_dick1, *Button_dick2, *Button_dick3,
        *Button_colorhilfe;
    // Printer (drawing printout)
    TLabel *Label_printscale, *Label_printscaley, *Label_printorigin;
    TValueEdit *Edit_printscale, *Edit_printscaley, *Edit_printxorigin, *Edit_printyorigin;
    TButton *Button_printscalex1, *Button_scaleyx, *Button_printxorigin, *Button_printyorigin,
        *Button_helpprint;
    TRadioGroup *RadioGroup_printmono, *RadioGroup_orientation, *RadioGroup_lpt;
    TLabel* Label_lptqueue;
    TEdit* Edit_lptqueue;
    TCheckBox* CheckBox_printerDialogbox;
    // Printout (text printout)
    TRadioGroup *RadioGroup_trenn, *RadioGroup_date, *RadioGroup_ff, *RadioGroup_ausgrad;
    TLabel *Label_linesperpage, *Label_spacelines, *Label_ausdruckdefault, *Label_courier,
        *Label_couriersize, *Label_courierstyle, *Label_left, *Label_top, *Label_width,
        *Label_height;
    TSpinEdit *SpinEdit_linesperpage, *SpinEdit_spacelines;
    TComboBox* ComboBox_ausdruckdefault;
    TCheckBox* CheckBox_ausdruckshowdialog;
    TGroupBox *GroupBox_textwindow, *GroupBox_courier;
    TValueEdit *Edit_left, *Edit_top, *Edit_width, *Edit_height;
    TButton *Button_Textwindow, *Button_textfont, *Button_helpausdruck;
    // Settings
    TRadioGroup *RadioGroup_hilfegrad, *RadioGroup_punktkomma, *RadioGroup_ExcelDot,
        *RadioGroup_chars, *RadioGroup_ergebnisgrafik;
    TLabel *Label_dezimalstellen, *Label_unit;
    TSpinEdit* SpinEdit_dezimalstellen;
    TCheckBox *CheckBox_archivmode, *CheckBox_aktuellfile, *CheckBox_saveMenuLanguage;
    TComboBox* ComboBox_unit;
    // External programs
    TLabel *Label_externtxt, *Label_externhtml, *Label_kvilpen;
    TEdit *Edit_externtxt, *Edit_externhtml;
    TButton *Button_externtxt, *Button_externhtml, *Button_confkvilpen,
        *Button_editkvilpencommandline;
    TListBox* ListBox_kvilpen;
    // Production drawing
    TRadioGroup* RadioGroup_index;
    TLabel *Label_freigabefeld, *Label_massfaktorconfig, *Label_zeichnkopf;
    TEdit* Edit_freigabefeld;
    TValueEdit* Edit_massfaktorconfig;
    TButton *Button_freigabefeld, *Button_massfaktorconfig;
    TCheckBox *CheckBox_zeichkelmoratitel, *CheckBox_zeichfilename, *CheckBox_zeichdatum,
        *CheckBox_zeichlogo, *CheckBox_zeichfusszeile, *CheckBox_zeichnungskopf;
    TComboBox* ComboBox_zeichnkopf;

    void FormCreate(TObject* Sender);
    // Every control from its setting.
    void SettingsToForm();
    // Every setting from its control; false (the field named, its page shown, nothing taken
    // over) when an edit holds no number or a grid cell no whole number in its range.
    bool FormToSettings();
    // FormToSettings' checks alone: true when every entry can be taken over.
    bool EntriesValid();

    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
    void Button_saveClick(TObject* Sender);
    void Button_importClick(TObject* Sender);
    void Button_exportClick(TObject* Sender);
    void Button_dirClick(TEdit* edit);
    void Button_dirtempenvClick(TObject* Sender);
    void Button_externClick(TEdit* edit);
    void Button_fontClick(TObject* Sender);
    void Button_textfontClick(TObject* Sender);
    void Button_hintergrundfarbeClick(TObject* Sender);
    void Panel_colorClick(int entry);
    void Button_selectcolorClick(TObject* Sender);
    void Button_selectlayercolorClick(TObject* Sender);
    void Button_resetcolorClick(TObject* Sender);
    void Button_dickClick(int width);
    void Button_layerClick(int row);
    void Button_TextwindowClick(TObject* Sender);
    void Button_aufloesungClick(TObject* Sender);
    void Edit_xyExit(TObject* Sender);
    void Button_dialogsizeClick(TObject* Sender);
    void Button_dialogelementeClick(TObject* Sender);
    void Button_confkvilpenClick(TObject* Sender);
    void Button_editkvilpencommandlineClick(TObject* Sender);

private:
    void BuildDirectoriesPage();
    void BuildGraphicsPage();
    void BuildCadPage();
    void BuildColourPage();
    void BuildPrinterPage();
    void BuildPrintoutPage();
    void BuildSettingsPage();
    void BuildExternalPage();
    void BuildDrawingPage();
    void SetHints();
    TTabSheet* AddPage(const char* name, const char* caption);
    // A "<" (or other) button that puts a fixed text into an edit.
    TButton* PresetButton(TWinControl* owner, const char* name, const char* caption, int left,
                          int top, int width, TEdit* edit, const char* text);
    // A number edit (a whole number when whole), checked before anything is taken over.
    TValueEdit* ValueEdit(TWinControl* parent, std::string_view name, int left, int top, int width,
                          bool whole);
    // Binds a number edit to its setting: load shows it, store (only when the text changed)
    // takes the typed value through the rule in set.
    void Number(TValueEdit* edit, std::function<long double()> get,
                std::function<void(long double)> set);
    void Bind(std::function<void()> load, std::function<void()> store);
    // The window size of the drawing window from the two edits (only numbers above 0).
    void ApplyDialogSize();
    void ShowPanelColours();
    // The page a control lies on is shown.
    void ShowPageOf(TControl* c);
    bool CheckGridNumbers(TStringGrid* grid, int firstCol, int lastCol, int firstRow, int lastRow,
                          int lo, int hi);

    struct NumberField {
        TValueEdit* Edit;
        std::function<long double()> Get;
        std::function<void(long double)> Set;
    };
    std::vector<NumberField> FNumbers;
    std::vector<TValueEdit*> FValueEdits;
    std::vector<std::function<void()>> FLoad;
    std::vector<std::function<void()>> FStore;
    TStoredTexts FStored; // texts shown otherwise than stored
    RangeArray<std::int32_t, 0, 15> FPalette{};
    std::int32_t FBackground = 0;
    std::string FGraphicsFont;
    std::uint16_t FGraphicsStyle = 0;
    std::string FPrintFont;
    std::uint16_t FPrintSize = 10;
    std::uint16_t FPrintStyle = 0;
    int FPlotEdited = 0;            // the highest command line edited in the dialog
    int FWindowW = 0, FWindowH = 0; // the drawing window's client size when the dialog opened
    int FStoredW = 0, FStoredH = 0; // ScreenWidth and ScreenHeight when the dialog opened
};

// lselcol: one of the 16 drawing colours by number.
class TForm_selectcolor : public TForm {
public:
    explicit TForm_selectcolor(TComponent* AOwner);
    TListBox* ListBox1;
    TButton* Button_ok;
    TButton* Button_cancel;
    void FormCreate(TObject* Sender);
    void Button_okClick(TObject* Sender);
    void Button_cancelClick(TObject* Sender);
};

// The colour names by drawing-colour number 1..16 ("Red", ..., "Black").
extern const char* const DrawingColourNames[16];
// Lets the user pick a drawing colour (1..16) starting at number; false when cancelled (the
// number unchanged, AbortFlag clear).
bool SelectDrawingColour(int& number);

// File > Settings: creates the dialog, shows it, frees it. False when cancelled.
bool ShowConfiguration();
