#pragma once
// qor1wu: the main window Thh, the drawing window with the program's menu. Every user command
// is a menu handler here; each clears AbortFlag, runs its dialogs, calculation, drawing or
// listing, and stops at the first step that leaves AbortFlag set. A handler whose edit changes
// the saved job data sets DataModified once the edit is confirmed, so that Exit asks to save.

#include <memory>
#include <string>
#include <string_view>

#include "framework/ui/drawing_window.h"
#include "platform/gui/menus.h"

class TDrawDevice;

class Thh : public TFkelmgra {
public:
    explicit Thh(TComponent* AOwner);
    ~Thh() override;

    TMainMenu* MainMenu1;
    // File
    TMenuItem *mi_file, *mi_fileNew, *mi_fileOpen, *mi_fileOpenTable, *mi_FileSave, *mi_FileSaveAs,
        *mi_FileCopy, *mi_fileprint, *N4, *mi_fileImportQOR1, *N1, *mi_fileConfig, *N3, *mi_file1,
        *mi_file2, *mi_file3, *mi_file4, *N17, *mi_fileexit;
    // Edit
    TMenuItem *mi_Edit, *mi_EditQuick, *N7, *mi_EditText, *mi_editVerzahnungswerkzeug,
        *mi_editabmessungen, *mi_editabmessungenOnline, *mi_editqualitaet, *mi_editmessen, *N2,
        *mi_editberechnungsmethode;
    // View (screen output)
    TMenuItem *mi_View, *mi_viewquick, *mi_viewQuick3, *mi_viewquick4, *mi_viewFertigungszeichnung,
        *mi_viewwerkstattblatt, *mi_viewzahn1, *mi_viewzahnrad1, *mi_viewbezugsprofilrad1,
        *mi_viewTabelle, *mi_viewtabelleVerzahnungRad1, *mi_viewtabellePruefmasseRad1,
        *mi_viewtabelleToleranzenRad1, *mi_viewrollwinkel1, *N3D1, *N9, *mi_viewErrorMessages, *N13,
        *mi_viewPolylinieFussausrundung;
    // CAD (the drawing routine asks for the output)
    TMenuItem *mi_CAD, *mi_cadFertigungszeichnung, *mi_cadquick4, *mi_cadQuick3, *mi_cadzahnrad,
        *mi_cadzahn, *mi_cadbezugsprofil, *mi_cadquick, *N11, *mi_cadconfig;
    // Database
    TMenuItem *mi_database, *mi_dbfVerzahnungswerkzeug;
    // Documentation
    TMenuItem *mi_documentation, *mi_docdrawinginfo, *N20, *mi_docuShowChanges1,
        *mi_docuPrintChanges, *mi_docuNewChange, *mi_docuModifyChanges, *mi_docudeleteChange, *N21,
        *mi_Document1, *mi_Document2, *mi_Document3, *mi_Document4, *mi_Document5, *N22,
        *mi_DocumentSetup;
    // OLE
    TMenuItem *mi_OLE, *mi_oleStartExcel, *mi_oleExportExcel, *mi_oleImportExcel, *N14,
        *mi_olePrintoutExcel;
    // Help
    TMenuItem *mi_Help, *mi_HelpHilfebild, *mi_helpErrorMessages, *mi_helphistory, *mi_helplanguage,
        *mi_helplanguageDeutsch, *mi_helplanguageEnglish, *mi_helplanguagePortugues,
        *mi_helplanguageRomania, *mi_helplanguageKorea, *mi_helplanguageChinese, *N23, *mi_helpwww,
        *mi_helpemail, *N15, *mi_HelpAbout;

    // ---- window events
    void FormCreate(TObject* Sender);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormDestroy(TObject* Sender);

    // ---- captions, title, message count
    // Every item its caption from the caption set in force (menu_captions.h); Print gets Alt+P.
    void SetMenuCaptions();
    // Language := code, the caption sets for it, the captions and the title.
    void SetLanguage(int code);
    void UpdateTitle();
    void ShowStatusText(std::string_view text);
    // View > Error messages: "<caption> (<ErrorCount>)", enabled only while messages exist.
    void UpdateErrorMenuItem();
    // After an input: the message count, then the configured view drawn again.
    void RefreshAfterInput();

    // ---- menu handlers
    void mi_fileNewClick(TObject* Sender);
    void mi_fileOpenClick(TObject* Sender);
    void mi_fileOpenTableClick(TObject* Sender);
    void mi_FileSaveClick(TObject* Sender);
    void mi_FileSaveAsClick(TObject* Sender);
    void mi_fileprintClick(TObject* Sender);
    void mi_fileImportQOR1Click(TObject* Sender);
    void mi_fileConfigClick(TObject* Sender);
    void mi_file1Click(TObject* Sender);
    void mi_file2Click(TObject* Sender);
    void mi_file3Click(TObject* Sender);
    void mi_file4Click(TObject* Sender);
    void mi_fileexitClick(TObject* Sender);
    void mi_EditQuickClick(TObject* Sender);
    void mi_EditTextClick(TObject* Sender);
    void mi_editVerzahnungswerkzeugClick(TObject* Sender);
    void mi_editabmessungenClick(TObject* Sender);
    void mi_editqualitaetClick(TObject* Sender);
    void mi_editmessenClick(TObject* Sender);
    void mi_editberechnungsmethodeClick(TObject* Sender);
    void mi_viewquickClick(TObject* Sender);
    void mi_viewQuick3Click(TObject* Sender);
    void mi_viewquick4Click(TObject* Sender);
    void mi_viewFertigungszeichnungClick(TObject* Sender);
    void mi_viewwerkstattblattClick(TObject* Sender);
    void mi_viewzahn1Click(TObject* Sender);
    void mi_viewzahnrad1Click(TObject* Sender);
    void mi_viewbezugsprofilrad1Click(TObject* Sender);
    void mi_viewtabelleVerzahnungRad1Click(TObject* Sender);
    void mi_viewTabellePruefmasseRad1Click(TObject* Sender);
    void mi_viewTabelleToleranzenRad1Click(TObject* Sender);
    void mi_viewrollwinkel1Click(TObject* Sender);
    void N3D1Click(TObject* Sender);
    void mi_viewErrorMessagesClick(TObject* Sender);
    void mi_viewPolylinieFussausrundungClick(TObject* Sender);
    void mi_cadFertigungszeichnungClick(TObject* Sender);
    void mi_cadquick4Click(TObject* Sender);
    void mi_cadQuick3Click(TObject* Sender);
    void mi_cadzahnradClick(TObject* Sender);
    void mi_cadzahnClick(TObject* Sender);
    void mi_cadbezugsprofilClick(TObject* Sender);
    void mi_cadquickClick(TObject* Sender);
    void mi_cadconfigClick(TObject* Sender);
    void mi_dbfVerzahnungswerkzeugClick(TObject* Sender);
    void mi_docdrawinginfoClick(TObject* Sender);
    void mi_docuShowChanges1Click(TObject* Sender);
    void mi_docuPrintChangesClick(TObject* Sender);
    void mi_docuNewChangeClick(TObject* Sender);
    void mi_docuModifyChangesClick(TObject* Sender);
    void mi_docudeleteChangeClick(TObject* Sender);
    void mi_Document1Click(TObject* Sender);
    void mi_Document2Click(TObject* Sender);
    void mi_Document3Click(TObject* Sender);
    void mi_Document4Click(TObject* Sender);
    void mi_Document5Click(TObject* Sender);
    void mi_DocumentSetupClick(TObject* Sender);
    void mi_oleStartExcelClick(TObject* Sender);
    void mi_oleExportExcelClick(TObject* Sender);
    void mi_oleImportExcelClick(TObject* Sender);
    void mi_olePrintoutExcelClick(TObject* Sender);
    void mi_HelpHilfebildClick(TObject* Sender);
    void mi_helpErrorMessagesClick(TObject* Sender);
    void mi_helphistoryClick(TObject* Sender);
    void mi_helplanguageDeutschClick(TObject* Sender);
    void mi_helplanguageEnglishClick(TObject* Sender);
    void mi_helplanguagePortuguesClick(TObject* Sender);
    void mi_helplanguageRomaniaClick(TObject* Sender);
    void mi_helplanguageKoreaClick(TObject* Sender);
    void mi_helplanguageChineseClick(TObject* Sender);
    void mi_helpwwwClick(TObject* Sender);
    void mi_helpemailClick(TObject* Sender);
    void mi_HelpAboutClick(TObject* Sender);

    // Handlers bound to no item (reached from other commands and presets).
    void mi_FileDeleteClick(TObject* Sender);
    void mi_viewZeichnungRad1Click(TObject* Sender);
    void mi_viewZeichnungRad2Click(TObject* Sender);
    void mi_cadzahnprofil1Click(TObject* Sender);
    void mi_cadzahnprofil2Click(TObject* Sender);

private:
    void BuildMenu();
    // The steps shared by the commands that edit saved data: clear AbortFlag, run the edit, and
    // when it was confirmed redraw (with refresh) and mark the data modified.
    template <class Edit> void ConfirmedEdit(Edit edit, bool refresh);
    std::unique_ptr<TDrawDevice> FDrawDevice;
};

// The one main window while it exists.
extern Thh* MainWindow;

// Opens a web page or a mail link with the desktop's program; false when none could be started.
// Tests replace it.
using OpenLinkFunc = bool (*)(const std::string& link);
extern OpenLinkFunc OpenLinkHook;

// Deployment values of the Help menu.
extern std::string MakerHomePage; // "https://www.kelmora.com/"
extern std::string SupportMailAddress;

// The Help menu's links: the maker's page, and a mail to the support address with the
// product and version as its subject.
void OpenWebPage();
void SendEmail();
std::string SupportMailLink();
