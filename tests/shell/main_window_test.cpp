// The main window: its menu item by item with what each command does, the captions in the menu
// languages, the message-count item, and closing (the save question, the block files).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QMenuBar>
#include <QPalette>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/plotform.h"
#include "dbf/browse/browse_window.h"
#include "dbf/browse/facade.h"
#include "calc/geardata.h"
#include "drawings/toothviews.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/diagram_limits.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/message_help.h"
#include "framework/ui/step_form.h"
#include "platform/gui/application.h"
#include "platform/gui/menus.h"
#include "platform/gui/responder.h"
#include "platform/office/spreadsheet.h"
#include "shell/about.h"
#include "shell/calc_options_dialog.h"
#include "shell/change_records.h"
#include "shell/config_dialog.h"
#include "shell/dimensions_dialog.h"
#include "shell/document_links.h"
#include "shell/drawing_settings.h"
#include "shell/drawing_text_dialog.h"
#include "shell/job_table.h"
#include "shell/main_window.h"
#include "shell/measurement_dialog.h"
#include "shell/print_dialog.h"
#include "shell/printer_info.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "shell/menu_captions.h"
#include "shell/startup.h"
#include "tests/shell/layout_check.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::vector<std::string> Links;
bool RecordLink(const std::string& link) {
    Links.push_back(link);
    return true;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_main_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &CadDir, &EdiDir, &DbfDir})
            *d = AddBackslash(Dir.string());
        OpenLinkHook = &RecordLink;
        Links.clear();
        SpreadsheetCommand = "/nonexistent/spreadsheet"; // no spreadsheet on this system
    }

    // The window as the program creates it; start-up asks nothing.
    void Create() {
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
        EXPECT_EQ(quiet.Seen(), std::vector<std::string>{});
    }

    void TearDown() override {
        SpreadsheetCommand.clear();
        if (Window != nullptr) Window->Free();
        DoneProgram();
        fs::remove_all(Dir);
    }

    TMenuItem* Item(const std::string& name) { return FindControl<TMenuItem>(*Window, name); }

    // Every item's caption by name.
    std::map<std::string, std::string> Captions() {
        std::map<std::string, std::string> all;
        std::function<void(TMenuItem*)> walk = [&](TMenuItem* m) {
            for (int i = 0; i < m->Count(); ++i) {
                all[m->Items(i)->Name()] = m->Items(i)->Caption();
                walk(m->Items(i));
            }
        };
        walk(Window->MainMenu1->Items());
        return all;
    }

    template <class T> static TForm* New() { return NewForm<T>(nullptr); }
    // Chooses the row's item as a person would and checks what it does.
    void Choose(const struct Row& row, TMenuItem* item);
    template <class T> static void Show() { FormPtr<T>(NewForm<T>(nullptr))->ShowModal(); }

    fs::path Dir;
    Thh* Window = nullptr;
};

// What choosing an item does.
enum Effect {
    None,         // a menu, a separator, an item without a handler
    Pending,      // "<caption> is not available" (a command whose subsystem is not there yet)
    Dialog,       // an input dialog opens; Esc cancels it and nothing is marked modified
    Exit,         // the window closes
    SetsLanguage, // the language of the row's code
    Special,      // checked by its own case below
    Own,          // a dialog or listing of its own, tested in docs_settings_test.cpp
    AsksFile,     // a file dialog (cancelled: nothing changes; file_commands_test.cpp has the rest)
    Quiet,        // nothing to do, nothing asked (a recent-file item without its file)
    Draws,        // a drawing on the screen (the CAD commands ask for the output: screen)
};

struct Row {
    const char* Name;
    int Depth;
    const char* Caption;
    const char* Shortcut;
    bool Hidden;
    bool Disabled;
    Effect Does;
    int Code = 0;
};

// The menu in order, with the English captions the window shows after start.
const Row kMenu[] = {
    {"mi_file", 0, "&File", "", false, false, None},
    {"mi_fileNew", 1, "&New...", "Ctrl+N", false, false, Dialog},
    {"mi_fileOpen", 1, "&Open...", "Ctrl+O", false, false, AsksFile},
    {"mi_fileOpenTable", 1, "Open...  (Ta&ble)", "", false, false, Special},
    {"mi_FileSave", 1, "&Save...", "Ctrl+S", false, false, AsksFile}, // File > New left no name
    {"mi_FileSaveAs", 1, "Save &As...", "", false, false, AsksFile},
    {"mi_FileCopy", 1, "-", "", false, false, None},
    {"mi_fileprint", 1, "&Print...", "Alt+P", false, false, Dialog},
    {"N4", 1, "-", "", false, false, None},
    {"mi_fileImportQOR1", 1, "Import &QOR1", "", false, false, AsksFile},
    {"N1", 1, "-", "", false, false, None},
    {"mi_fileConfig", 1, "Se&ttings", "", false, false, Own},
    {"N3", 1, "-", "", false, false, None},
    {"mi_file1", 1, nullptr, "Shift+F1", true, false, Quiet},
    {"mi_file2", 1, nullptr, "Shift+F2", true, false, Quiet},
    {"mi_file3", 1, nullptr, "Shift+F3", true, false, Quiet},
    {"mi_file4", 1, nullptr, "Shift+F4", true, false, Quiet},
    {"N17", 1, "-", "", true, false, None},
    {"mi_fileexit", 1, "E&xit", "", false, false, Exit},
    {"mi_Edit", 0, "&Edit", "", false, false, None},
    {"mi_EditQuick", 1, "&Quick", "", true, false, Dialog},
    {"N7", 1, "-", "", true, false, None},
    {"mi_EditText", 1, "Te&xt", "", false, false, Dialog},
    {"mi_editVerzahnungswerkzeug", 1, "C&utting Tool", "", false, false, Dialog},
    {"mi_editabmessungen", 1, "&Dimensions", "", false, false, Dialog},
    {"mi_editabmessungenOnline", 1, "Abmessungen Online", "", true, false, None},
    {"mi_editqualitaet", 1, "&Quality", "", false, false, Dialog},
    {"mi_editmessen", 1, "Me&asurement", "", false, false, Dialog},
    {"N2", 1, "-", "", false, false, None},
    {"mi_editberechnungsmethode", 1, "&Calculation Method", "", false, false, Dialog},
    {"mi_View", 0, "&View", "", false, false, None},
    {"mi_viewquick", 1, "&Quick", "", false, false, Draws},
    {"mi_viewQuick3", 1, "Quick &3", "", false, false, Draws},
    {"mi_viewquick4", 1, "Quick &4", "", false, false, Draws},
    {"mi_viewFertigungszeichnung", 1, "&Production drawing", "", false, false, Draws},
    {"mi_viewwerkstattblatt", 1, "Production &Sheet", "", false, false, Special},
    {"mi_viewzahn1", 1, "T&ooth", "", false, false, Draws},
    {"mi_viewzahnrad1", 1, "&Gear", "", false, false, Draws},
    {"mi_viewbezugsprofilrad1", 1, "C&utting Tool", "", false, false, Draws},
    {"mi_viewTabelle", 1, "Ta&bles", "", false, false, None},
    {"mi_viewtabelleVerzahnungRad1", 2, "&Toothing", "", false, false, Draws},
    {"mi_viewtabellePruefmasseRad1", 2, "&Measure", "", false, false, Draws},
    {"mi_viewtabelleToleranzenRad1", 2, "T&olerance", "", false, false, Draws},
    {"mi_viewrollwinkel1", 2, "&Roll Angle", "", false, false, Draws},
    {"N3D1", 1, "&3D", "", true, false, Special},
    {"N9", 1, "-", "", false, false, None},
    {"mi_viewErrorMessages", 1, "&Error messages", "", false, false, Special},
    {"N13", 1, "-", "", true, false, None},
    {"mi_viewPolylinieFussausrundung", 1, "Pol&yline Tooth Root", "", true, false, Special},
    {"mi_CAD", 0, "&CAD", "", false, false, None},
    {"mi_cadFertigungszeichnung", 1, "&Production drawing", "", false, false, Draws},
    {"mi_cadquick4", 1, "Quick &4", "", false, false, Draws},
    {"mi_cadQuick3", 1, "Quick &3", "", false, false, Draws},
    {"mi_cadzahnrad", 1, "&Gear", "", false, false, Draws},
    {"mi_cadzahn", 1, "T&ooth", "", false, false, Draws},
    {"mi_cadbezugsprofil", 1, "C&utting Tool", "", false, false, Draws},
    {"mi_cadquick", 1, "&Quick", "", false, false, Draws},
    {"N11", 1, "-", "", false, false, None},
    {"mi_cadconfig", 1, "Se&ttings CAD", "", false, false, Own},
    {"mi_database", 0, "&Database", "", false, false, None},
    {"mi_dbfVerzahnungswerkzeug", 1, "C&utting Tool (q1toolx.dbf)", "", false, false, Special},
    {"mi_documentation", 0, "D&ocument", "", false, false, None},
    {"mi_docdrawinginfo", 1, "&Drawing data", "", false, false, Own},
    {"N20", 1, "-", "", false, false, None},
    {"mi_docuShowChanges1", 1, "Modifications - &Info", "", false, false, Own},
    {"mi_docuPrintChanges", 1, "Modifications - &Printout", "", false, false, Own},
    {"mi_docuNewChange", 1, "Modification - &New", "", false, false, Own},
    {"mi_docuModifyChanges", 1, "&Edit previous modification", "", false, false, Own},
    {"mi_docudeleteChange", 1, "De&lete previous modification", "", false, false, Own},
    {"N21", 1, "-", "", false, false, None},
    {"mi_Document1", 1, "Document &1", "", false, false, Own},
    {"mi_Document2", 1, "Document &2", "", false, false, Own},
    {"mi_Document3", 1, "Document &3", "", false, false, Own},
    {"mi_Document4", 1, "Document &4", "", false, false, Own},
    {"mi_Document5", 1, "Document &5", "", false, false, Own},
    {"N22", 1, "-", "", false, false, None},
    {"mi_DocumentSetup", 1, "Document &Setup", "", false, false, Own},
    {"mi_OLE", 0, "O&LE", "", false, false, None},
    {"mi_oleStartExcel", 1, "&Start Excel", "", false, false, Special},
    {"mi_oleExportExcel", 1, "&Export QOR1W -> Excel", "", false, true, Special},
    {"mi_oleImportExcel", 1, "&Import Excel -> QOR1W", "", false, true, Special},
    {"N14", 1, "-", "", false, false, None},
    {"mi_olePrintoutExcel", 1, "&Printout -> Excel", "", false, false, Special},
    {"mi_Help", 0, "&Help", "", false, false, None},
    {"mi_HelpHilfebild", 1, "&Auxiliary images", "", false, false, Special},
    {"mi_helpErrorMessages", 1, "&Error messages", "", false, false, Special},
    {"mi_helphistory", 1, "&History", "", false, false, Special},
    {"mi_helplanguage", 1, "Menu &Language", "", false, false, None},
    {"mi_helplanguageDeutsch", 2, "&Deutsch", "", false, false, SetsLanguage, 1},
    {"mi_helplanguageEnglish", 2, "&English", "", false, false, SetsLanguage, 2},
    {"mi_helplanguagePortugues", 2, "&Portugues", "", false, false, SetsLanguage, 6},
    {"mi_helplanguageRomania", 2, "&Roman", "", false, false, SetsLanguage, 7},
    {"mi_helplanguageKorea", 2, "&Korea", "", false, false, SetsLanguage, 8},
    {"mi_helplanguageChinese", 2, "&Chinese", "", false, false, SetsLanguage, 12},
    {"N23", 1, "-", "", false, false, None},
    {"mi_helpwww", 1, "&KELMORA Homepage", "", false, false, Special},
    {"mi_helpemail", 1, "E-&Mail to KELMORA", "", false, false, Special},
    {"N15", 1, "-", "", false, false, None},
    {"mi_HelpAbout", 1, "&QOR1W", "", false, false, Special},
};

std::string WithoutAmpersand(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '&') out += c;
    return out;
}

// How a Special row's command is answered: its form left by Esc (or the text window's Exit), a
// file dialog cancelled, a message confirmed, or nothing asked.
enum Answer { ByForm, ByDialog, ByMessage, Unasked };
struct SpecialRow {
    const char* Name;
    Answer By;
    bool FromForm;       // the check reads the form's name, caption and text, else the message
    const char* Shows;   // a part of what it shows ("" : nothing to read)
    int Modified = -1;   // DataModified afterwards (-1: not checked)
    int Abort = -1;      // AbortFlag afterwards
};
const SpecialRow kSpecial[] = {
    {"mi_fileOpenTable", ByForm, true, "Form_preview", 0},
    // The tool table to look at, writable where it is (no working-copy warning); the job stays.
    {"mi_dbfVerzahnungswerkzeug", ByForm, true, "Profile of gear-cutting tool  (", 0},
    {"N3D1", Unasked, false, "", -1, 0},
    {"mi_viewErrorMessages", ByForm, true, "Warning: test message"}, // the list as a listing
    {"mi_viewwerkstattblatt", ByForm, true, "Span measurement"}, // gear 2's production sheet
    {"mi_helpErrorMessages", ByMessage, false, "Calculation successful without error messages"},
    {"mi_viewPolylinieFussausrundung", ByMessage, false, "Under construction", 1}, // saved
    {"mi_oleStartExcel", ByMessage, false, "You must save your input data"}, // no file yet
    {"mi_oleExportExcel", ByMessage, false, "File not found. Use \"File->Save\""},
    {"mi_oleImportExcel", ByDialog, false, "dialog: ", 0, 1},
    {"mi_olePrintoutExcel", ByMessage, false, "Could not start Excel"},
    {"mi_helphistory", ByMessage, false, "History: "},
    {"mi_helpwww", Unasked, false, ""},
    {"mi_helpemail", Unasked, false, ""},
    {"mi_HelpHilfebild", ByForm, true, "hilfebild"},
    {"mi_HelpAbout", ByForm, true, "AboutBox: QOR1W"},
};

void MainWindowTest::Choose(const Row& row, TMenuItem* item) {
    SCOPED_TRACE(row.Name);
    const std::string name = row.Name;
    const auto special = std::find_if(std::begin(kSpecial), std::end(kSpecial),
                                      [&](const SpecialRow& s) { return name == s.Name; });
    ASSERT_TRUE(row.Does != Special || special != std::end(kSpecial)) << "no check for " << name;
    ScriptedResponder r;
    std::string formSeen;
    AbortFlag = 0;
    DataModified = 0;
    DataFileName.clear(); // an untitled job, as a new one is until it is saved
    ClearErrors();
    GearData.DrawRootCurve = false;
    if (name == "mi_viewErrorMessages") AddError("Warning: test message"), Window->RefreshAfterInput();
    const Answer by = row.Does == Special ? special->By
                      : row.Does == Pending ? ByMessage
                      : row.Does == AsksFile ? ByDialog
                      : row.Does == Dialog || (row.Does == Draws && name.rfind("mi_cad", 0) == 0)
                          ? ByForm
                          : Unasked;
    if (row.Does == Draws) DisplayList->Clear();
    if (by == ByMessage) r.OnMessage(IDOK);
    if (by == ByDialog) r.OnDialog([](TCommonDialog&) { return false; });
    if (by == ByForm)
        r.OnForm([&](TForm& f) {
            formSeen = f.Name() + ": " + f.Caption();
            if (row.Does == Draws) { // the CAD commands ask for the output: the screen
                formSeen = Respond::Question(f);
                Respond::Pick(f, "RadioGroup1", 2);
                Respond::Press(f, "Button_ok");
                return;
            }
            if (auto* memo = FindControl<TMemo>(f, "Memo1")) formSeen += " | " + memo->Lines().Text();
            if (auto* exit = FindControl<TMenuItem>(f, "mi_dateiBeenden"))
                exit->Click();
            else
                Respond::Key(f, VK_ESCAPE);
        });
    {
        ResponderScope scope(r);
        // Hidden and disabled items are reached by the commands that preset them.
        if (row.Hidden || row.Disabled)
            item->OnClick(item);
        else
            EXPECT_TRUE(item->Click());
    }
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    EXPECT_EQ(r.Pending(), 0);
    const std::string seen = r.Seen().empty() ? "" : r.Seen().front();
    switch (row.Does) {
    case Pending:
        EXPECT_THAT(seen, HasSubstr(WithoutAmpersand(item->Caption()) + " is not available"));
        break;
    case Dialog:
        EXPECT_THAT(seen, ::testing::StartsWith("form: QOR1W"));
        break;
    case AsksFile:
        EXPECT_THAT(seen, HasSubstr("dialog: "));
        break;
    case Quiet:
        EXPECT_EQ(r.Seen().size(), 0u);
        break;
    case Draws:
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_GT(DisplayList->Count(), 20); // the tool alone has some 25 records
        if (name.rfind("mi_cad", 0) == 0) {
            EXPECT_THAT(formSeen, HasSubstr("CAD Code"));
        }
        break;
    case Exit:
        EXPECT_FALSE(Window->Visible());
        Window->Show();
        break;
    case SetsLanguage:
        EXPECT_EQ(::Language, row.Code);
        break;
    case Special:
        EXPECT_THAT(special->FromForm ? formSeen : seen, HasSubstr(special->Shows));
        if (special->Modified >= 0) {
            EXPECT_EQ(DataModified, special->Modified);
        }
        if (special->Abort >= 0) {
            EXPECT_EQ(AbortFlag, special->Abort);
        }
        break;
    default:
        break;
    }
    if (row.Does == Pending || row.Does == Dialog || row.Does == AsksFile) {
        EXPECT_EQ(std::to_string(AbortFlag) + std::to_string(DataModified), "10");
    }
    // What some commands leave besides what they show.
    if (name == "mi_dbfVerzahnungswerkzeug") {
        EXPECT_THAT(seen + formSeen, AllOf(Not(HasSubstr("Temp directory used.")),
                                           HasSubstr("dbf4: "), HasSubstr("q1toolx.dbf")));
    } else if (name == "mi_viewPolylinieFussausrundung") {
        EXPECT_TRUE(GearData.DrawRootCurve && item->Checked());
    } else if (name == "mi_oleStartExcel") {
        EXPECT_FALSE(Item("mi_oleExportExcel")->Enabled());
    } else if (name == "mi_viewwerkstattblatt") {
        EXPECT_THAT(formSeen, HasSubstr("Production Sheet"));
    } else if (name == "mi_helpwww") {
        EXPECT_EQ(Links, std::vector<std::string>{"https://www.kelmora.com/"});
    } else if (name == "mi_helpemail") {
        EXPECT_EQ(Links.back(), "mailto:support@kelmora.com?subject=QOR1W%20V1.1");
    } else if (name == "mi_HelpAbout") { // the maker's logo in place of the last drawing
        EXPECT_GT(DisplayList != nullptr ? DisplayList->Count() : 0, 20);
    }
}

TEST_F(MainWindowTest, EveryMenuItemInOrderWithItsCommand) {
    Create();
    // The tree in order: the walk must meet exactly the rows above.
    std::vector<TMenuItem*> items;
    std::vector<int> depths;
    std::function<void(TMenuItem*, int)> walk = [&](TMenuItem* m, int depth) {
        for (int i = 0; i < m->Count(); ++i) {
            items.push_back(m->Items(i));
            depths.push_back(depth);
            walk(m->Items(i), depth + 1);
        }
    };
    walk(Window->MainMenu1->Items(), 0);
    ASSERT_EQ(items.size(), std::size(kMenu));

    for (std::size_t k = 0; k < items.size(); ++k) {
        const Row& row = kMenu[k];
        TMenuItem* item = items[k];
        SCOPED_TRACE(row.Name);
        ASSERT_EQ(item->Name(), row.Name);
        EXPECT_EQ(depths[k], row.Depth);
        if (row.Caption != nullptr) {
            EXPECT_EQ(item->Caption(), row.Caption);
        }
        EXPECT_EQ(ShortCutToText(item->ShortCut()), row.Shortcut);
        EXPECT_EQ(item->Visible(), !row.Hidden);
        EXPECT_EQ(item->Enabled(), !row.Disabled);
        EXPECT_EQ(static_cast<bool>(item->OnClick), row.Does != None);
    }

    // Each command, as choosing it does.
    for (std::size_t k = 0; k < items.size(); ++k)
        if (kMenu[k].Does != None && kMenu[k].Does != Own) Choose(kMenu[k], items[k]);
    ASSERT_NE(Item("mi_fileprint"), nullptr);
}

TEST_F(MainWindowTest, PrintIsAltPAndCtrlPDoesNothing) {
    Create();
    for (auto [shift, asks] : {std::pair{ssAlt, true}, std::pair{ssCtrl, false}}) {
        ScriptedResponder r;
        if (asks) r.OnForm([](TForm& f) { Respond::Key(f, VK_ESCAPE); });
        ResponderScope scope(r);
        Window->DispatchKey('P', shift);
        EXPECT_EQ(r.Seen().size(), asks ? 1u : 0u);
        if (asks) {
            EXPECT_THAT(r.Seen().front(), HasSubstr("form: QOR1W  Graphic Printout"));
        }
    }
}

TEST_F(MainWindowTest, KoreanAndBackRestoresEveryCaption) {
    Create();
    const auto english = Captions();
    const std::string title = Window->Caption();
    Item("mi_helplanguageKorea")->Click();
    const auto korean = Captions();
    EXPECT_EQ(korean.at("mi_file"), "파일(&F)");
    EXPECT_EQ(korean.at("mi_helplanguage"), "메뉴 언어(&L)");
    EXPECT_EQ(korean.at("mi_fileOpenTable"), "열기  (테이블(&b))");
    EXPECT_EQ(korean.at("mi_viewQuick3"), "Quick &3");
    std::vector<std::string> kept;
    for (const auto& [name, caption] : english)
        if (korean.at(name) == caption && caption != "-") kept.push_back(name);
    // Resource captions, the language names, the recent files, and texts that read the same
    // (Quick is "Quick" in Korean too).
    EXPECT_EQ(kept, (std::vector<std::string>{"N3D1",
                                              "mi_CAD",
                                              "mi_HelpAbout",
                                              "mi_OLE",
                                              "mi_cadQuick3",
                                              "mi_cadquick4",
                                              "mi_editabmessungenOnline",
                                              "mi_file1",
                                              "mi_file2",
                                              "mi_file3",
                                              "mi_file4",
                                              "mi_fileImportQOR1",
                                              "mi_helphistory",
                                              "mi_helplanguageChinese",
                                              "mi_helplanguageDeutsch",
                                              "mi_helplanguageEnglish",
                                              "mi_helplanguageKorea",
                                              "mi_helplanguagePortugues",
                                              "mi_helplanguageRomania",
                                              "mi_oleExportExcel",
                                              "mi_oleImportExcel",
                                              "mi_olePrintoutExcel",
                                              "mi_oleStartExcel",
                                              "mi_viewQuick3",
                                              "mi_viewquick4",
                                              "mi_viewrollwinkel1"}));
    Item("mi_helplanguageEnglish")->Click();
    EXPECT_EQ(Captions(), english);
    EXPECT_EQ(Window->Caption(), title);
    // A code without texts changes no caption.
    Window->SetLanguage(3);
    EXPECT_EQ(Captions(), english);
}

// The window's colour is the drawing's (black by default); the menu bar keeps the desktop's, and
// a menu shows one access key per item and separators without text.
TEST_F(MainWindowTest, MenuBarAndItemsReadableOverTheDrawing) {
    Create();
    QMenuBar* bar = Window->MainMenu1->MenuBar();
    ASSERT_NE(bar, nullptr);
    const QPalette pal = bar->palette();
    EXPECT_NE(pal.color(QPalette::Window), pal.color(QPalette::WindowText));
    EXPECT_NE(pal.color(QPalette::Window).rgb() & 0xFFFFFF,
              static_cast<unsigned>(QColor(BackgroundColour & 0xFF, (BackgroundColour >> 8) & 0xFF,
                                           (BackgroundColour >> 16) & 0xFF)
                                        .rgb() &
                                    0xFFFFFF));
    Window->SetLanguage(8);
    EXPECT_EQ(Item("mi_fileOpenTable")->Action()->text().toStdString(), "열기  (테이블(&b))");
    EXPECT_EQ(Item("mi_cadconfig")->Action()->text().toStdString(), "환경설정(&t) CAD");
    Window->SetLanguage(12);
    EXPECT_EQ(Item("mi_cadconfig")->Action()->text().toStdString(), "设置(&T) CAD绘图");
    EXPECT_EQ(Item("N4")->Action()->text().toStdString(), "");
    EXPECT_TRUE(Item("N4")->Action()->isSeparator());
}

// The about box shows the logo while it is open; closing it brings the drawing back.
TEST_F(MainWindowTest, AboutBoxLeavesTheDrawingAsItWas) {
    Create();
    TFkelmgra::Header(0, 0, 160, 120);
    TFkelmgra::line(1, 2, 3, 4);
    const std::string before = DisplayList->Text();
    std::string during;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        during = DisplayList->Text();
        Respond::Press(f, "OKButton");
    });
    ResponderScope scope(r);
    Item("mi_HelpAbout")->Click();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_NE(during.find("\n7;"), std::string::npos); // the logo's solids
    EXPECT_EQ(DisplayList->Text(), before);
}

// In every language every window reaches each menu item and button by a key of its own (Alt+V,
// then the item's key), and the Chinese captions carry no stray quotation marks or blanks.
TEST_F(MainWindowTest, AccessKeysAreUniqueInEveryWindowAndLanguage) {
    Create();
    const std::vector<std::function<void()>> windows = {[] { dbf::DbfWindow().SetupMode("", 0); },
                                                        Show<TForm_hilfebild>,
                                                        Show<TEinDiagramLimits>,
                                                        Show<Tin_codedialog>,
                                                        Show<Tin_textdialog>,
                                                        Show<Tin_janeindialog>,
                                                        Show<Tin_radiodialog>,
                                                        Show<TShowScreen>,
                                                        Show<TForm_showtextfile>,
                                                        Show<TForm_anistep>,
                                                        Show<Thelperr>,
                                                        Show<TForm_EinAend>,
                                                        Show<TForm_zeichInfo>,
                                                        Show<TForm_confDoku>,
                                                        Show<TForm_qor1conf>,
                                                        Show<TForm_vq2config>,
                                                        Show<TForm_Suchen>,
                                                        Show<TForm_preview>,
                                                        Show<TForm_printerinfo>,
                                                        Show<Tconfig>,
                                                        Show<TForm_selectcolor>,
                                                        Show<TAboutBox>,
                                                        Show<TForm_confkvilpen>,
                                                        Show<TForm_printconf>,
                                                        Show<TForm_qor1wgeo>,
                                                        Show<TForm_qor1prof>,
                                                        Show<TForm_messen>,
                                                        Show<TForm_vqeingabetext>,
                                                        Show<TForm_qual>,
                                                        Show<TForm_qorwcon2>};
    for (const int code : {1, 2, 6, 7, 8, 12}) {
        SCOPED_TRACE(code);
        Window->SetLanguage(code);
        qortest::ExpectOneAccessKeyEach(*Window, "main window");
        ScriptedResponder r;
        std::string textMenus; // the text window's menus speak the language too
        for (std::size_t i = 0; i < windows.size(); ++i)
            r.OnForm([&](TForm& f) {
                if (auto* t = dynamic_cast<TForm_showtextfile*>(&f))
                    textMenus = t->mi_Datei->Caption() + "|" + t->mi_Edit->Caption();
                qortest::ExpectOneAccessKeyEach(f, f.Name());
                BatchResponder::CancelForm(f);
            });
        ResponderScope scope(r);
        for (const auto& show : windows)
            show();
        EXPECT_EQ(r.Pending(), 0);
        EXPECT_EQ(textMenus, Item("mi_file")->Caption() + "|" + Item("mi_Edit")->Caption());
        for (const auto& [name, caption] : Captions()) {
            EXPECT_EQ(caption.find("\u2019"), std::string::npos) << caption;
            EXPECT_TRUE(caption.empty() || caption.back() != ' ') << caption;
        }
    }
    Window->SetLanguage(12);
    EXPECT_EQ(Item("mi_documentation")->Caption(), "文档(&O)");
    EXPECT_EQ(Item("mi_Edit")->Caption(), "编辑(&E)");
    EXPECT_EQ(Item("mi_viewquick")->Caption(), "快速(&Q)");
    Window->SetLanguage(2);
}

// A dialog's Help Text shows its own topic, which describes that dialog's own controls.
TEST_F(MainWindowTest, EveryDialogsHelpTextDescribesItsOwnControls) {
    Create();
    using Words = std::vector<const char*>; // the topic and what it names
    const std::tuple<std::function<TForm*()>, int, const char*, Words> cases[] = {
        {New<TForm_qor1wgeo>, -1, "Button_help", {"No.5000", "alpha", "< x min", "kmn", "Calc"}},
        {New<TForm_qual>, -1, "Button_help", {"No.5200", "Tsn", "Asne", "xe", "q ?", "inch"}},
        {New<TForm_qor1prof>, -1, "Button_help", {"No.5400", "hfP0", "rhofP0", "Chamfer"}},
        {New<TForm_qor1conf>, -1, "Button_help", {"No.8290", "involute", "fillet", "ring", "'<'"}},
        {New<TForm_vq2config>, -1, "Button_help", {"No.8295", "involute", "'< max'", "trochoid"}},
        {New<Tconfig>, 2, "Button_helpcad", {"No.1920", "angle", "OEM", "DXF", "Colour..."}},
        {New<Tconfig>, 0, "Button_workingDir", {"No.1620", "TEMP", "CAD", "working"}}};
    for (const auto& [make, page, button, words] : cases) {
        ScriptedResponder r; // the page shown, Help pressed, the help read, the dialog cancelled
        r.OnForm([&](TForm& f) {
             if (page >= 0) Respond::Pick(f, "PageControl1", page);
             EXPECT_TRUE(Respond::Press(f, button)) << button;
             Respond::Press(f, "Button_cancel");
         }).OnMessage(IDOK);
        ResponderScope scope(r);
        FormPtr<TForm>(make())->ShowModal();
        ASSERT_EQ(r.Seen().size(), 2u) << ::testing::PrintToString(r.Seen());
        for (const char* word : words) // nothing of the plot program's command lines either
            EXPECT_THAT(r.Seen()[1], AllOf(HasSubstr(word), Not(HasSubstr("command line"))));
    }
}

// The tooth-profile handler bound to no item draws the gear wheel through the CAD question
TEST_F(MainWindowTest, UnboundToothProfileHandlerDrawsTheGear) {
    Create();
    ScriptedResponder r;
    r.OnForm([](TForm& f) {
        Respond::Pick(f, "RadioGroup1", 2); // "Control Output to Screen"
        Respond::Press(f, "Button_ok");
    });
    ResponderScope scope(r);
    DisplayList->Clear();
    Window->mi_cadzahnprofil1Click(nullptr);
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ToothDrawingName, "ZRADE2");
    EXPECT_GT(DisplayList->Count(), 100);
}

TEST_F(MainWindowTest, StartLanguageFromTheConfiguration) {
    struct Case {
        int Code;
        bool Kept;
        const char* FileMenu;
    };
    for (const Case c : {Case{0, true, "&File"}, Case{1, true, "&Datei"}, Case{1, false, "&File"},
                         Case{12, true, "文件(&F)"}, Case{5, true, "&File"}}) {
        SCOPED_TRACE(c.Code);
        Language = c.Code;
        LanguageKept = c.Kept;
        AbortFlag = 0;
        WriteConfiguration();
        ASSERT_EQ(AbortFlag, 0);
        Create();
        EXPECT_EQ(Item("mi_file")->Caption(), c.FileMenu);
        Window->SetLanguage(2);
        Window->Free();
        Window = nullptr;
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &CadDir, &EdiDir, &DbfDir})
            *d = AddBackslash(Dir.string());
    }
}

TEST_F(MainWindowTest, ErrorMessagesItemCarriesTheCount) {
    Create();
    TMenuItem* item = Item("mi_viewErrorMessages");
    EXPECT_EQ(item->Caption(), "&Error messages");
    EXPECT_TRUE(item->Enabled());
    struct Case {
        int Messages;
        const char* Caption;
        bool Enabled;
    };
    for (const Case c :
         {Case{0, "&Error messages (0)", false}, Case{3, "&Error messages (3)", true},
          Case{1, "&Error messages (1)", true}, Case{11, "&Error messages (11)", true}}) {
        ClearErrors();
        for (int i = 0; i < c.Messages; ++i)
            AddError("Warning: message " + std::to_string(i));
        Window->RefreshAfterInput();
        EXPECT_EQ(item->Caption(), c.Caption);
        EXPECT_EQ(item->Enabled(), c.Enabled);
    }
    // A language change shows the plain caption and keeps the enabled state.
    ClearErrors();
    Window->RefreshAfterInput();
    Window->SetLanguage(8);
    EXPECT_EQ(item->Caption(), "에러메시지(&E)");
    EXPECT_FALSE(item->Enabled());
    AddError("Warning: one");
    Window->RefreshAfterInput();
    EXPECT_EQ(item->Caption(), "에러메시지(&E) (1)");
    EXPECT_TRUE(item->Enabled());
}

TEST_F(MainWindowTest, ExitAsksToSaveAndStaysOpenUnlessTheDataIsSafe) {
    struct Case {
        const char* What;
        const char* Name; // job name; "" none
        bool Modified;
        bool Writable; // the data folder can be written
        std::vector<int> Answers;
        bool Open; // the window stays
        bool StillModified;
        bool Saved;
    };
    const Case cases[] = {
        {"unchanged", "job", false, true, {}, false, false, false},
        {"cancel", "job", true, true, {IDCANCEL}, true, true, false},
        {"no", "job", true, true, {IDNO}, false, false, false},
        {"yes", "job", true, true, {IDYES}, false, false, true},
        {"yes, save fails", "job", true, false, {IDYES, IDOK}, true, true, false},
        {"unnamed, keep", "", true, true, {IDNO}, true, true, false},
        {"unnamed, reject", "", true, true, {IDYES}, false, false, false},
    };
    Create();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Window->Show();
        const fs::path data = Dir / (c.Writable ? "jobs" : "missing");
        if (c.Writable) fs::create_directories(data);
        fs::remove(data / "job.q1w");
        DataDir = AddBackslash(data.string());
        DataFileName = c.Name;
        DataModified = c.Modified;
        ScriptedResponder r;
        for (int a : c.Answers)
            r.OnMessage(a);
        {
            ResponderScope scope(r);
            Item("mi_fileexit")->Click();
        }
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0);
        if (!c.Answers.empty() && *c.Name != '\0') {
            EXPECT_THAT(r.Seen().front(), HasSubstr("Save file (" + DataDir + "job.q1w) ?"));
        }
        EXPECT_EQ(Window->Visible(), c.Open);
        EXPECT_EQ(DataModified, c.StillModified);
        EXPECT_EQ(fs::exists(data / "job.q1w"), c.Saved);
    }
}

TEST_F(MainWindowTest, ClosingDeletesOnlyThisProgramsBlockFiles) {
    Create();
    // A screen drawing left open holds its block file.
    CadOpenOutput(3);
    CadBeginDrawing(0, 0, 100, 100);
    CadBeginBlocksSection();
    CadBeginBlock("RAD2");
    CadLine(0, 0, 10, 10);
    CadEndBlock();
    CadEndSection();
    const std::string own = CadBlockFileName("RAD2");
    ASSERT_TRUE(fs::exists(own));
    const fs::path logo = Dir / "$LOGO_2.dx$";
    const fs::path userLogo = Dir / "$logo.dx$";
    const fs::path other = Dir / "$RAD1.dx$";
    qortest::WriteFileBytes(logo.string(), "0\r\nLINE\r\n");
    qortest::WriteFileBytes(userLogo.string(), "0\r\nLINE\r\n");
    qortest::WriteFileBytes(other.string(), "0\r\nLINE\r\n");
    DataModified = 0;
    Window->Close();
    EXPECT_FALSE(Window->Visible());
    EXPECT_FALSE(fs::exists(own));
    EXPECT_TRUE(fs::exists(logo));
    EXPECT_TRUE(fs::exists(userLogo));
    EXPECT_TRUE(fs::exists(other));
    // The session file is written when the window goes, into the user's own directory.
    Window->Free();
    Window = nullptr;
    EXPECT_TRUE(fs::exists(Dir / "xdg" / "qor1w" / "qor1w.cff"));
}

} // namespace
