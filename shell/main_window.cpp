// qor1wu: the main window, its menu and the command handlers.
#include "shell/main_window.h"

#include <string>

#include "cad/cadblock.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "drawings/production.h"
#include "drawings/quicksheets.h"
#include "drawings/tempfiles.h"
#include "drawings/workshop.h"
#include "drawings/toothviews.h"
#include "dbf/browse/facade.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/draw_device.h"
#include "framework/ui/help.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/listing.h"
#include "framework/ui/message_help.h"
#include "framework/ui/questions.h"
#include "platform/os/process.h"
#include "shell/about.h"
#include "shell/ask_save.h"
#include "shell/calc_options_dialog.h"
#include "shell/change_records.h"
#include "shell/config_dialog.h"
#include "shell/dimensions_dialog.h"
#include "shell/document_links.h"
#include "shell/drawing_settings.h"
#include "shell/drawing_text_dialog.h"
#include "shell/excel.h"
#include "shell/input_fields.h"
#include "shell/input_sequence.h"
#include "shell/job/changes.h"
#include "shell/measurement_dialog.h"
#include "shell/print_dialog.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "shell/file_commands.h"
#include "shell/job/jobfile.h"
#include "shell/menu_captions.h"
#include "shell/recent_files.h"
#include "shell/startup.h"
#include "shell/tool_table.h"

Thh* MainWindow = nullptr;

namespace {

bool DesktopOpen(const std::string& link) {
    return os::OpenWithDesktop(link) == 0;
}

using Handler = void (Thh::*)(TObject*);
using Field = TMenuItem* Thh::*;

enum : unsigned { kHidden = 1, kDisabled = 2 };

// The menu in its order. Depth 0 is a menu of the menu bar, 1 its item, 2 an item of the
// submenu above. Captions are the resource captions; SetMenuCaptions replaces most of them.
struct MenuRow {
    Field Item;
    const char* Name;
    int Depth;
    const char* Caption;
    const char* Shortcut;
    unsigned Flags;
    Handler OnClick;
};

#define ROW(name, depth, caption, shortcut, flags, handler)                                        \
    MenuRow {                                                                                      \
        &Thh::name, #name, depth, caption, shortcut, flags, handler                                \
    }

const MenuRow kMenu[] = {
    ROW(mi_file, 0, "&File", "", 0, nullptr),
    ROW(mi_fileNew, 1, "&New...", "Ctrl+N", 0, &Thh::mi_fileNewClick),
    ROW(mi_fileOpen, 1, "&Open...", "Ctrl+O", 0, &Thh::mi_fileOpenClick),
    ROW(mi_fileOpenTable, 1, "Open...  (Ta&ble)", "", 0, &Thh::mi_fileOpenTableClick),
    ROW(mi_FileSave, 1, "&Save...", "Ctrl+S", 0, &Thh::mi_FileSaveClick),
    ROW(mi_FileSaveAs, 1, "Save &As...", "", 0, &Thh::mi_FileSaveAsClick),
    ROW(mi_FileCopy, 1, "-", "", 0, nullptr),
    ROW(mi_fileprint, 1, "&Print...", "Ctrl+P", 0, &Thh::mi_fileprintClick),
    ROW(N4, 1, "-", "", 0, nullptr),
    ROW(mi_fileImportQOR1, 1, "Import &QOR1", "", 0, &Thh::mi_fileImportQOR1Click),
    ROW(N1, 1, "-", "", 0, nullptr),
    ROW(mi_fileConfig, 1, "Se&ttings", "", 0, &Thh::mi_fileConfigClick),
    ROW(N3, 1, "-", "", 0, nullptr),
    ROW(mi_file1, 1, "&1", "Shift+F1", kHidden, &Thh::mi_file1Click),
    ROW(mi_file2, 1, "&2", "Shift+F2", kHidden, &Thh::mi_file2Click),
    ROW(mi_file3, 1, "&3", "Shift+F3", kHidden, &Thh::mi_file3Click),
    ROW(mi_file4, 1, "&4", "Shift+F4", kHidden, &Thh::mi_file4Click),
    ROW(N17, 1, "-", "", kHidden, nullptr),
    ROW(mi_fileexit, 1, "E&xit", "", 0, &Thh::mi_fileexitClick),

    ROW(mi_Edit, 0, "&Edit", "", 0, nullptr),
    ROW(mi_EditQuick, 1, "&Quick", "", kHidden, &Thh::mi_EditQuickClick),
    ROW(N7, 1, "-", "", kHidden, nullptr),
    ROW(mi_EditText, 1, "Te&xt", "", 0, &Thh::mi_EditTextClick),
    ROW(mi_editVerzahnungswerkzeug, 1, "C&utting Tool", "", 0,
        &Thh::mi_editVerzahnungswerkzeugClick),
    ROW(mi_editabmessungen, 1, "&Dimensions", "", 0, &Thh::mi_editabmessungenClick),
    ROW(mi_editabmessungenOnline, 1, "Abmessungen Online", "", kHidden, nullptr),
    ROW(mi_editqualitaet, 1, "&Quality", "", 0, &Thh::mi_editqualitaetClick),
    ROW(mi_editmessen, 1, "Me&asurement", "", 0, &Thh::mi_editmessenClick),
    ROW(N2, 1, "-", "", 0, nullptr),
    ROW(mi_editberechnungsmethode, 1, "&Calculation Method", "", 0,
        &Thh::mi_editberechnungsmethodeClick),

    ROW(mi_View, 0, "&View", "", 0, nullptr),
    ROW(mi_viewquick, 1, "&Quick", "", 0, &Thh::mi_viewquickClick),
    ROW(mi_viewQuick3, 1, "Quick &3", "", 0, &Thh::mi_viewQuick3Click),
    ROW(mi_viewquick4, 1, "Quick &4", "", 0, &Thh::mi_viewquick4Click),
    ROW(mi_viewFertigungszeichnung, 1, "&Production drawing", "", 0,
        &Thh::mi_viewFertigungszeichnungClick),
    ROW(mi_viewwerkstattblatt, 1, "&Production Sheet", "", 0, &Thh::mi_viewwerkstattblattClick),
    ROW(mi_viewzahn1, 1, "T&ooth", "", 0, &Thh::mi_viewzahn1Click),
    ROW(mi_viewzahnrad1, 1, "&Gear", "", 0, &Thh::mi_viewzahnrad1Click),
    ROW(mi_viewbezugsprofilrad1, 1, "C&utting Tool", "", 0, &Thh::mi_viewbezugsprofilrad1Click),
    ROW(mi_viewTabelle, 1, "Ta&bles", "", 0, nullptr),
    ROW(mi_viewtabelleVerzahnungRad1, 2, "&Toothing", "", 0,
        &Thh::mi_viewtabelleVerzahnungRad1Click),
    ROW(mi_viewtabellePruefmasseRad1, 2, "&Measure", "", 0,
        &Thh::mi_viewTabellePruefmasseRad1Click),
    ROW(mi_viewtabelleToleranzenRad1, 2, "&Tolerance", "", 0,
        &Thh::mi_viewTabelleToleranzenRad1Click),
    ROW(mi_viewrollwinkel1, 2, "&Roll Angle", "", 0, &Thh::mi_viewrollwinkel1Click),
    ROW(N3D1, 1, "&3D", "", kHidden, &Thh::N3D1Click),
    ROW(N9, 1, "-", "", 0, nullptr),
    ROW(mi_viewErrorMessages, 1, "&Error messages", "", 0, &Thh::mi_viewErrorMessagesClick),
    ROW(N13, 1, "-", "", kHidden, nullptr),
    ROW(mi_viewPolylinieFussausrundung, 1, "Pol&yline Tooth Root", "", kHidden,
        &Thh::mi_viewPolylinieFussausrundungClick),

    ROW(mi_CAD, 0, "&CAD", "", 0, nullptr),
    ROW(mi_cadFertigungszeichnung, 1, "&Production drawing", "", 0,
        &Thh::mi_cadFertigungszeichnungClick),
    ROW(mi_cadquick4, 1, "Quick &4", "", 0, &Thh::mi_cadquick4Click),
    ROW(mi_cadQuick3, 1, "Quick &3", "", 0, &Thh::mi_cadQuick3Click),
    ROW(mi_cadzahnrad, 1, "&Gear", "", 0, &Thh::mi_cadzahnradClick),
    ROW(mi_cadzahn, 1, "T&ooth", "", 0, &Thh::mi_cadzahnClick),
    ROW(mi_cadbezugsprofil, 1, "C&utting Tool", "", 0, &Thh::mi_cadbezugsprofilClick),
    ROW(mi_cadquick, 1, "&Quick", "", 0, &Thh::mi_cadquickClick),
    ROW(N11, 1, "-", "", 0, nullptr),
    ROW(mi_cadconfig, 1, "Se&ttings &CAD", "", 0, &Thh::mi_cadconfigClick),

    ROW(mi_database, 0, "&Database", "", 0, nullptr),
    ROW(mi_dbfVerzahnungswerkzeug, 1, "C&utting Tool (q1toolx.dbf)", "", 0,
        &Thh::mi_dbfVerzahnungswerkzeugClick),

    ROW(mi_documentation, 0, "D&ocument", "", 0, nullptr),
    ROW(mi_docdrawinginfo, 1, "&Drawing data", "", 0, &Thh::mi_docdrawinginfoClick),
    ROW(N20, 1, "-", "", 0, nullptr),
    ROW(mi_docuShowChanges1, 1, "Modifications - &Info", "", 0, &Thh::mi_docuShowChanges1Click),
    ROW(mi_docuPrintChanges, 1, "Modifications - &Printout", "", 0, &Thh::mi_docuPrintChangesClick),
    ROW(mi_docuNewChange, 1, "Modification - &New", "", 0, &Thh::mi_docuNewChangeClick),
    ROW(mi_docuModifyChanges, 1, "&Edit previous modification", "", 0,
        &Thh::mi_docuModifyChangesClick),
    ROW(mi_docudeleteChange, 1, "&Delete previous modification", "", 0,
        &Thh::mi_docudeleteChangeClick),
    ROW(N21, 1, "-", "", 0, nullptr),
    ROW(mi_Document1, 1, "Document &1", "", 0, &Thh::mi_Document1Click),
    ROW(mi_Document2, 1, "Document &2", "", 0, &Thh::mi_Document2Click),
    ROW(mi_Document3, 1, "Document &3", "", 0, &Thh::mi_Document3Click),
    ROW(mi_Document4, 1, "Document &4", "", 0, &Thh::mi_Document4Click),
    ROW(mi_Document5, 1, "Document &5", "", 0, &Thh::mi_Document5Click),
    ROW(N22, 1, "-", "", 0, nullptr),
    ROW(mi_DocumentSetup, 1, "Document &Setup", "", 0, &Thh::mi_DocumentSetupClick),

    ROW(mi_OLE, 0, "O&LE", "", 0, nullptr),
    ROW(mi_oleStartExcel, 1, "&Start Excel", "", 0, &Thh::mi_oleStartExcelClick),
    ROW(mi_oleExportExcel, 1, "&Export QOR1W -> Excel", "", kDisabled,
        &Thh::mi_oleExportExcelClick),
    ROW(mi_oleImportExcel, 1, "&Import Excel -> QOR1W", "", kDisabled,
        &Thh::mi_oleImportExcelClick),
    ROW(N14, 1, "-", "", 0, nullptr),
    ROW(mi_olePrintoutExcel, 1, "&Printout -> Excel", "", 0, &Thh::mi_olePrintoutExcelClick),

    ROW(mi_Help, 0, "&Help", "", 0, nullptr),
    ROW(mi_HelpHilfebild, 1, "&Auxiliary images", "", 0, &Thh::mi_HelpHilfebildClick),
    ROW(mi_helpErrorMessages, 1, "&Error messages", "", 0, &Thh::mi_helpErrorMessagesClick),
    ROW(mi_helphistory, 1, "&History", "", 0, &Thh::mi_helphistoryClick),
    ROW(mi_helplanguage, 1, "Menu &Language", "", 0, nullptr),
    ROW(mi_helplanguageDeutsch, 2, "&Deutsch", "", 0, &Thh::mi_helplanguageDeutschClick),
    ROW(mi_helplanguageEnglish, 2, "&English", "", 0, &Thh::mi_helplanguageEnglishClick),
    ROW(mi_helplanguagePortugues, 2, "&Portugues", "", 0, &Thh::mi_helplanguagePortuguesClick),
    ROW(mi_helplanguageRomania, 2, "&Roman", "", 0, &Thh::mi_helplanguageRomaniaClick),
    ROW(mi_helplanguageKorea, 2, "&Korea", "", 0, &Thh::mi_helplanguageKoreaClick),
    ROW(mi_helplanguageChinese, 2, "&Chinese", "", 0, &Thh::mi_helplanguageChineseClick),
    ROW(N23, 1, "-", "", 0, nullptr),
    ROW(mi_helpwww, 1, "&KELMORA Homepage", "", 0, &Thh::mi_helpwwwClick),
    ROW(mi_helpemail, 1, "&E-Mail to KELMORA", "", 0, &Thh::mi_helpemailClick),
    ROW(N15, 1, "-", "", 0, nullptr),
    ROW(mi_HelpAbout, 1, "&QOR1W", "", 0, &Thh::mi_HelpAboutClick),
};

#undef ROW

// Items whose caption is one text of the caption set (with a fixed suffix).
struct CaptionRow {
    Field Item;
    TCaptionKey Key;
    const char* Suffix;
};

const CaptionRow kCaptions[] = {
    {&Thh::mi_file, ckFileMenu, ""},
    {&Thh::mi_fileNew, ckNew, ""},
    {&Thh::mi_fileOpen, ckOpen, ""},
    {&Thh::mi_FileSave, ckSave, ""},
    {&Thh::mi_FileSaveAs, ckSaveAs, ""},
    {&Thh::mi_fileprint, ckPrint, ""},
    {&Thh::mi_fileConfig, ckSettings, ""},
    {&Thh::mi_fileexit, ckExit, ""},
    {&Thh::mi_Edit, ckEditMenu, ""},
    {&Thh::mi_EditQuick, ckQuick, ""},
    {&Thh::mi_EditText, ckText, ""},
    {&Thh::mi_editVerzahnungswerkzeug, ckCuttingTool, ""},
    {&Thh::mi_editabmessungen, ckDimensions, ""},
    {&Thh::mi_editqualitaet, ckQuality, ""},
    {&Thh::mi_editmessen, ckMeasurement, ""},
    {&Thh::mi_editberechnungsmethode, ckCalculationMethod, ""},
    {&Thh::mi_View, ckViewMenu, ""},
    {&Thh::mi_viewquick, ckQuick, ""},
    {&Thh::mi_viewQuick3, ckQuick, " &3"},
    {&Thh::mi_viewquick4, ckQuick, " &4"},
    {&Thh::mi_viewFertigungszeichnung, ckProductionDrawing, ""},
    {&Thh::mi_viewwerkstattblatt, ckProductionSheet, ""},
    {&Thh::mi_viewzahn1, ckTooth, ""},
    {&Thh::mi_viewzahnrad1, ckGear, ""},
    {&Thh::mi_viewbezugsprofilrad1, ckCuttingTool, ""},
    {&Thh::mi_viewTabelle, ckTables, ""},
    {&Thh::mi_viewtabelleVerzahnungRad1, ckToothing, ""},
    {&Thh::mi_viewtabellePruefmasseRad1, ckMeasure, ""},
    {&Thh::mi_viewtabelleToleranzenRad1, ckTolerance, ""},
    {&Thh::mi_viewrollwinkel1, ckRollAngle, ""},
    {&Thh::mi_viewErrorMessages, ckErrorMessages, ""},
    {&Thh::mi_viewPolylinieFussausrundung, ckPolylineToothRoot, ""},
    {&Thh::mi_CAD, ckCAD, ""},
    {&Thh::mi_cadFertigungszeichnung, ckProductionDrawing, ""},
    {&Thh::mi_cadquick4, ckQuick, " &4"},
    {&Thh::mi_cadQuick3, ckQuick, " &3"},
    {&Thh::mi_cadzahnrad, ckGear, ""},
    {&Thh::mi_cadzahn, ckTooth, ""},
    {&Thh::mi_cadbezugsprofil, ckCuttingTool, ""},
    {&Thh::mi_cadquick, ckQuick, ""},
    {&Thh::mi_database, ckDatabase, ""},
    {&Thh::mi_dbfVerzahnungswerkzeug, ckCuttingTool, " (q1toolx.dbf)"},
    {&Thh::mi_documentation, ckDocument, ""},
    {&Thh::mi_docdrawinginfo, ckDrawingData, ""},
    {&Thh::mi_docuShowChanges1, ckModificationsInfo, ""},
    {&Thh::mi_docuPrintChanges, ckModificationsPrintout, ""},
    {&Thh::mi_docuNewChange, ckModificationNew, ""},
    {&Thh::mi_docuModifyChanges, ckEditPreviousModification, ""},
    {&Thh::mi_docudeleteChange, ckDeletePreviousModification, ""},
    {&Thh::mi_Document1, ckDocument, " &1"},
    {&Thh::mi_Document2, ckDocument, " &2"},
    {&Thh::mi_Document3, ckDocument, " &3"},
    {&Thh::mi_Document4, ckDocument, " &4"},
    {&Thh::mi_Document5, ckDocument, " &5"},
    {&Thh::mi_DocumentSetup, ckDocumentSetup, ""},
    {&Thh::mi_Help, ckHelpMenu, ""},
    {&Thh::mi_HelpHilfebild, ckAuxiliaryImages, ""},
    {&Thh::mi_helpErrorMessages, ckErrorMessages, ""},
    {&Thh::mi_helpwww, ckHomepage, ""},
    {&Thh::mi_helpemail, ckEMail, ""},
};

} // namespace

OpenLinkFunc OpenLinkHook = &DesktopOpen;
std::string MakerHomePage = "https://www.kelmora.com/";
std::string SupportMailAddress = "support@kelmora.com";

std::string SupportMailLink() {
    // The subject is percent-encoded: a mail program reads the link as a URL.
    std::string subject;
    for (char c : ProductTitle + " V" + VersionCode.str())
        subject += c == ' ' ? std::string("%20") : std::string(1, c);
    return "mailto:" + SupportMailAddress + "?subject=" + subject;
}

namespace {
void OpenLink(const std::string& link) {
    if (OpenLinkHook == nullptr || !OpenLinkHook(link))
        ShowError("No program found to open " + link);
}
} // namespace

void OpenWebPage() {
    OpenLink(MakerHomePage);
}

void SendEmail() {
    OpenLink(SupportMailLink());
}

// ---- creation and lifetime ------------------------------------------------------------------

Thh::Thh(TComponent* AOwner) : TFkelmgra(AOwner) {
    SetName("hh");
    MainMenu1 = new TMainMenu(this);
    MainMenu1->SetName("MainMenu1");
    SetMenu(MainMenu1);
    BuildMenu();
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnCloseQuery = [this](TObject* s, bool& can) { FormCloseQuery(s, can); };
    OnDestroy = [this](TObject* s) { FormDestroy(s); };
    MainWindow = this;
}

Thh::~Thh() {
    if (MainWindow == this) MainWindow = nullptr;
    if (FDrawDevice && DrawDevice == FDrawDevice.get()) DrawDevice = nullptr;
}

void Thh::BuildMenu() {
    TMenuItem* parents[3] = {MainMenu1->Items(), nullptr, nullptr};
    for (const MenuRow& row : kMenu) {
        auto* item = new TMenuItem(this);
        item->SetName(row.Name);
        item->SetCaption(row.Caption);
        item->SetShortCut(TextToShortCut(row.Shortcut));
        item->SetVisible((row.Flags & kHidden) == 0);
        item->SetEnabled((row.Flags & kDisabled) == 0);
        if (row.OnClick != nullptr) {
            const Handler h = row.OnClick;
            item->OnClick = [this, h](TObject* s) { (this->*h)(s); };
        }
        parents[row.Depth]->Add(item);
        if (row.Depth < 2) parents[row.Depth + 1] = item;
        this->*row.Item = item;
    }
}

void Thh::FormCreate(TObject* Sender) {
    TFkelmgra::FormCreate(Sender);
    SetMenuCaptions();
    if (DrawDevice == nullptr) {
        FDrawDevice = std::make_unique<TDrawDevice>();
        DrawDevice = FDrawDevice.get();
    }
    SetProductIdentity();
    ReadConfiguration();
    AbortFlag = 0;
    UseInstalledPictures();
    ReadSessionFile();
    AbortFlag = 0;
    LocateRecentFileItems();
    dbf::CreateDbfWindow(this); // the one table window, read by the table facade
    StartUp(8);
    AbortFlag = 0;
    SetupMainWindow(this);
    if (Language > 0) SetLanguage(Language);
    UpdateTitle();
}

void Thh::FormCloseQuery(TObject*, bool& CanClose) {
    AbortFlag = 0;
    AskSaveModified();
    if (AbortFlag != 0) {
        CanClose = false; // Cancel, or the save failed: the data stays and so does the window
        return;
    }
    ShowStatusText("Delete temporary files ...");
    CanClose = DeleteTempFiles();
}

void Thh::FormDestroy(TObject*) {
    if (StartUpExitCode < 0) WriteSessionFile(); // a start that ended changed no session
    dbf::FreeDbfWindow();
}

// ---- captions, title, message count ---------------------------------------------------------

void Thh::SetMenuCaptions() {
    // A suffix with a key of its own ("Quick &3") takes the key from the caption it extends.
    for (const CaptionRow& row : kCaptions) {
        const std::string_view suffix = row.Suffix;
        const bool ownKey = suffix.find('&') != std::string_view::npos;
        const std::string& base = MenuCaption(row.Key);
        (this->*row.Item)->SetCaption((ownKey ? StripAccessKey(base) : base) + row.Suffix);
    }
    mi_fileOpenTable->SetCaption(StripAccessKey(MenuCaption(ckOpen)) + "  (" +
                                 MenuCaption(ckTable) + ")");
    // One access key: the settings text's (the CAD text's key is its menu's).
    mi_cadconfig->SetCaption(MenuCaption(ckSettings) + " " + StripAccessKey(MenuCaption(ckCAD)));
    mi_helplanguage->SetCaption(MenuCaption(ckMenu) + " " + MenuCaption(ckLanguage));
    mi_fileprint->SetShortCut(scAlt | 'P');
}

void Thh::SetLanguage(int code) {
    Language = code;
    SetMainMenuCaptions(code);
    SetMenuVocabulary(code);
    SetMenuCaptions();
    UpdateTitle();
}

void Thh::UpdateTitle() {
    std::string title;
    SetAppTitle(title);
    SetCaption(title);
    RefreshRecentFileItems();
}

void Thh::ShowStatusText(std::string_view text) {
    SetCaption(text);
}

void Thh::UpdateErrorMenuItem() {
    mi_viewErrorMessages->SetCaption(MenuCaption(ckErrorMessages) + " (" +
                                     std::to_string(ErrorCount) + ")");
    mi_viewErrorMessages->SetEnabled(ErrorCount > 0);
}

void Thh::RefreshAfterInput() {
    UpdateErrorMenuItem();
    RedrawCurrentView();
}

namespace {
// Creates an input dialog owned by the window, shows it modally and frees it; AbortFlag tells
// Cancel.
template <class Form> void ShowInputForm(Thh* owner) {
    FormPtr<Form> form(NewForm<Form>(owner));
    form->ShowModal();
}
} // namespace

template <class Edit> void Thh::ConfirmedEdit(Edit edit, bool refresh) {
    AbortFlag = 0;
    edit();
    if (AbortFlag != 0) return;
    if (refresh) RefreshAfterInput();
    DataModified = 1;
}

// ---- File -----------------------------------------------------------------------------------

void Thh::mi_fileNewClick(TObject*) {
    AbortFlag = 0;
    AskSaveModified();
    if (AbortFlag != 0) return;
    // Cancel in the first dialog takes the new job back: the job before is there again as it
    // was, with its name, never an empty untitled window.
    const TJobData before = TJobData::Current();
    const std::string beforeName = DataFileName, beforeDir = DataDir;
    const std::uint8_t beforeModified = DataModified;
    // A "null" job that cannot be read has said so; the new job starts from the data in memory.
    LoadNullJob();
    AbortFlag = 0;
    DataDir = JobFolder(); // the new job is saved beside the one before
    DataFileName.clear();
    UpdateTitle();
    ClearChangeTable();
    ClearTitleTexts();
    if (DrawDevice != nullptr) DrawDevice->ClearDevice();
    ClearErrors(); // the messages of the job before are not the new job's
    RunInputSequence(this);
    // Cancelled in the first dialog, before anything was calculated. A calculation that failed
    // is shown with its messages, as any result is.
    if (AbortFlag != 0 && CalcErrorFlag == 0) {
        before.Commit();
        DataFileName = beforeName;
        DataDir = beforeDir;
        AbortFlag = 0;
        CalculateGears();
        ShowJobResult();
        DataModified = beforeModified;
        AbortFlag = 1;
        UpdateErrorMenuItem();
        return;
    }
    AbortFlag = 0;
    ShowJobResult();
    DataModified = 1;
}

void Thh::mi_fileOpenClick(TObject*) {
    OpenJobCommand();
}

void Thh::mi_fileOpenTableClick(TObject*) {
    OpenTableCommand();
}

void Thh::mi_FileSaveClick(TObject*) {
    SaveJobCommand();
}

void Thh::mi_FileSaveAsClick(TObject*) {
    SaveJobAsCommand();
}

void Thh::mi_fileprintClick(TObject*) {
    AbortFlag = 0;
    ShowInputForm<TForm_printconf>(this);
}

void Thh::mi_fileImportQOR1Click(TObject*) {
    ImportOlderJobCommand();
}

void Thh::mi_fileConfigClick(TObject*) {
    AbortFlag = 0;
    ShowConfiguration();
    SetColor(static_cast<TColor>(BackgroundColour));
}

void Thh::mi_file1Click(TObject*) {
    OpenRecentFile(1);
}

void Thh::mi_file2Click(TObject*) {
    OpenRecentFile(2);
}

void Thh::mi_file3Click(TObject*) {
    OpenRecentFile(3);
}

void Thh::mi_file4Click(TObject*) {
    OpenRecentFile(4);
}

void Thh::mi_fileexitClick(TObject*) {
    Close();
}

void Thh::mi_FileDeleteClick(TObject*) {
    AbortFlag = 0;
    DeleteDataFile(DataDir, "*." + DataFileExt.str());
}

// ---- Edit -----------------------------------------------------------------------------------

void Thh::mi_EditQuickClick(TObject*) {
    ConfirmedEdit([this] { RunInputSequence(this); }, true);
}

void Thh::mi_EditTextClick(TObject*) {
    ConfirmedEdit([] { ShowDrawingTextDialog(); }, false);
}

void Thh::mi_editVerzahnungswerkzeugClick(TObject*) {
    ConfirmedEdit([this] { ShowInputForm<TForm_qor1prof>(this); }, true);
}

void Thh::mi_editabmessungenClick(TObject*) {
    ConfirmedEdit([this] { ShowInputForm<TForm_qor1wgeo>(this); }, true);
}

void Thh::mi_editqualitaetClick(TObject*) {
    AbortFlag = 0;
    ShowInputForm<TForm_qual>(this);
    if (AbortFlag == 0) {
        if (HelpLevel != 0) RefreshAfterInput();
        DataModified = 1;
    }
    RefreshAfterInput();
}

void Thh::mi_editmessenClick(TObject*) {
    AbortFlag = 0;
    ShowInputForm<TForm_messen>(this);
    if (AbortFlag != 0) return;
    CalculateInput();
    RefreshAfterInput();
    UpdateErrorMenuItem();
    DataModified = 1;
}

void Thh::mi_editberechnungsmethodeClick(TObject*) {
    AbortFlag = 0;
    ShowInputForm<TForm_qorwcon2>(this);
    if (AbortFlag != 0) return;
    // The options change the results (measurement proposals, tolerance standard): calculate
    // them, so that what is shown and saved matches.
    DataModified = 1;
    CalculateInput();
    RefreshAfterInput();
}

// ---- View (output code 3) -------------------------------------------------------------------

void Thh::mi_viewquickClick(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet(3);
}

void Thh::mi_viewQuick3Click(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet3(3);
}

void Thh::mi_viewquick4Click(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet4(3);
}

void Thh::mi_viewFertigungszeichnungClick(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 7);
}

void Thh::mi_viewZeichnungRad1Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 7);
}

void Thh::mi_viewZeichnungRad2Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 7);
}

void Thh::mi_viewwerkstattblattClick(TObject*) {
    AbortFlag = 0;
    WorkshopSheet(0);
}

// The tooth of gear 2 with its generated gap; a ring gear gets its tooth gap (its generated
// gap is the whole ring with the planet rolling in it).
void Thh::mi_viewzahn1Click(TObject*) {
    AbortFlag = 0;
    ToothDrawing(3, 2, GearData.z[2] < 0 ? 2 : 3, 1, 1);
}

void Thh::mi_viewzahnrad1Click(TObject*) {
    AbortFlag = 0;
    ToothDrawing(3, 2, 4, 1, 1);
}

void Thh::mi_viewbezugsprofilrad1Click(TObject*) {
    AbortFlag = 0;
    ToothDrawing(3, 2, 6, 1, 3);
}

void Thh::mi_viewtabelleVerzahnungRad1Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 10);
}

void Thh::mi_viewTabellePruefmasseRad1Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 5);
}

void Thh::mi_viewTabelleToleranzenRad1Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 6);
}

void Thh::mi_viewrollwinkel1Click(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(3, 2, 9);
}

void Thh::N3D1Click(TObject*) {
    AbortFlag = 0;
}

void Thh::mi_viewErrorMessagesClick(TObject*) {
    AbortFlag = 0;
    PrintCalcMessages();
}

void Thh::mi_viewPolylinieFussausrundungClick(TObject*) {
    GearData.DrawRootCurve = !GearData.DrawRootCurve;
    mi_viewPolylinieFussausrundung->SetChecked(GearData.DrawRootCurve);
    // The switch is saved with the job.
    DataModified = 1;
    if (GearData.DrawRootCurve)
        ShowMessage("Under construction: precision problems with some tooth geometries");
    RefreshAfterInput();
}

// ---- CAD (output code 0: the drawing asks for the format) -----------------------------------

void Thh::mi_cadFertigungszeichnungClick(TObject*) {
    AbortFlag = 0;
    ProductionDrawing(0, 2, 7);
}

void Thh::mi_cadquick4Click(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet4(0);
}

void Thh::mi_cadQuick3Click(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet3(0);
}

void Thh::mi_cadzahnradClick(TObject*) {
    AbortFlag = 0;
    ToothDrawing(0, 2, 4, 1, 1);
}

void Thh::mi_cadzahnClick(TObject*) {
    AbortFlag = 0;
    ToothDrawing(0, 2, GearData.z[2] < 0 ? 2 : 3, 1, 1);
}

void Thh::mi_cadbezugsprofilClick(TObject*) {
    AbortFlag = 0;
    ToothDrawing(0, 2, 6, 1, 3);
}

void Thh::mi_cadquickClick(TObject*) {
    AbortFlag = 0;
    DrawQuickSheet(0);
}

void Thh::mi_cadzahnprofil1Click(TObject*) {
    ToothDrawing(0, 2, 4, 1, 1);
}

void Thh::mi_cadzahnprofil2Click(TObject*) {
    AbortFlag = 0;
    if (!ShowGearCadSettings(2)) return;
    DataModified = 1; // the shift and switches are saved with the job
    ToothDrawing(0, 2, 4, 1, 1);
}

void Thh::mi_cadconfigClick(TObject*) {
    ConfirmedEdit([] { ShowDrawingSettings(); }, false);
}

// ---- Database -------------------------------------------------------------------------------

void Thh::mi_dbfVerzahnungswerkzeugClick(TObject*) {
    AbortFlag = 0;
    SelectToolProfile(0, 0);
    AbortFlag = 0;
}

// ---- Documentation --------------------------------------------------------------------------

void Thh::mi_docdrawinginfoClick(TObject*) {
    ConfirmedEdit([] { ShowDrawingInfo(); }, false);
}

void Thh::mi_docuShowChanges1Click(TObject*) {
    AbortFlag = 0;
    EditChanges(4);
}

void Thh::mi_docuPrintChangesClick(TObject*) {
    AbortFlag = 0;
    EditChanges(5);
}

void Thh::mi_docuNewChangeClick(TObject*) {
    AbortFlag = 0;
    // Marked once the entry is stored, whatever the listing afterwards does.
    if (EditChanges(1)) DataModified = 1;
}

void Thh::mi_docuModifyChangesClick(TObject*) {
    AbortFlag = 0;
    if (EditChanges(2)) DataModified = 1;
}

void Thh::mi_docudeleteChangeClick(TObject*) {
    AbortFlag = 0;
    if (EditChanges(3)) DataModified = 1;
}

void Thh::mi_Document1Click(TObject*) {
    AbortFlag = 0;
    OpenDocument(1);
}

void Thh::mi_Document2Click(TObject*) {
    AbortFlag = 0;
    OpenDocument(2);
}

void Thh::mi_Document3Click(TObject*) {
    AbortFlag = 0;
    OpenDocument(3);
}

void Thh::mi_Document4Click(TObject*) {
    AbortFlag = 0;
    OpenDocument(4);
}

void Thh::mi_Document5Click(TObject*) {
    AbortFlag = 0;
    OpenDocument(5);
}

void Thh::mi_DocumentSetupClick(TObject*) {
    ConfirmedEdit([] { ShowDocumentSetup(); }, false);
}

// ---- OLE ------------------------------------------------------------------------------------

void Thh::mi_oleStartExcelClick(TObject*) {
    AbortFlag = 0;
    StartExcel();
    if (AbortFlag != 0) return;
    mi_oleExportExcel->SetEnabled(true);
    mi_oleImportExcel->SetEnabled(true);
}

void Thh::mi_oleExportExcelClick(TObject*) {
    AbortFlag = 0;
    ExportToExcel();
}

void Thh::mi_oleImportExcelClick(TObject*) {
    AbortFlag = 0;
    ImportFromExcel();
    if (AbortFlag != 0) return;
    DataModified = 1;
    AfterJobLoaded(); // the results, the drawing and the messages of the job that came in
}

void Thh::mi_olePrintoutExcelClick(TObject*) {
    AbortFlag = 0;
    PrintoutToExcel(3);
}

// ---- Help -----------------------------------------------------------------------------------

void Thh::mi_HelpHilfebildClick(TObject*) {
    HelpNo = 2300; // the catalogue's own context: it opens on its first picture
    ShowHelpPictures();
}

void Thh::mi_helpErrorMessagesClick(TObject*) {
    AbortFlag = 0;
    ShowCalcMessages();
}

void Thh::mi_helphistoryClick(TObject*) {
    AppMessageBox("History",
                  MakerTitle + "\nVersion " + VersionCode.str() +
                      "\n\n1.1  Linux edition: the gear geometry in extended precision,\n"
                      "     drawings on the screen and in DXF files, six menu languages.\n"
                      "1.0  First edition.");
}

void Thh::mi_helplanguageDeutschClick(TObject*) {
    SetLanguage(1);
}

void Thh::mi_helplanguageEnglishClick(TObject*) {
    SetLanguage(2);
}

void Thh::mi_helplanguagePortuguesClick(TObject*) {
    SetLanguage(6);
}

void Thh::mi_helplanguageRomaniaClick(TObject*) {
    SetLanguage(7);
}

void Thh::mi_helplanguageKoreaClick(TObject*) {
    SetLanguage(8);
}

void Thh::mi_helplanguageChineseClick(TObject*) {
    SetLanguage(12);
}

void Thh::mi_helpwwwClick(TObject*) {
    OpenWebPage();
}

void Thh::mi_helpemailClick(TObject*) {
    SendEmail();
}

void Thh::mi_HelpAboutClick(TObject*) {
    FormPtr<TAboutBox> box(NewForm<TAboutBox>(this));
    box->ShowModal();
}
