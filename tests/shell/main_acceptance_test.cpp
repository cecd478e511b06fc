// The program as a whole through its main window: what the start wires up, the edits that mark
// the job for saving, the Help menu's pictures and message texts, and every View and CAD command
// on the shipped example jobs (on the screen, and as DXF files read back by ezdxf).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenuBar>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "cad/cadwriter.h"
#include "cad/plotform.h"
#include "calc/geardata.h"
#include "dbf/base/errors.h"
#include "dbf/browse/browse_window.h"
#include "dbf/browse/facade.h"
#include "dbf/base/hooks.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/diagram_limits.h"
#include "framework/ui/dialogs.h"
#include "framework/ui/drawing_window.h"
#include "framework/ui/help_pictures.h"
#include "framework/ui/message_help.h"
#include "platform/gui/application.h"
#include "platform/gui/grids.h"
#include "platform/gui/menus.h"
#include "platform/gui/responder.h"
#include "platform/gui/screen.h"
#include "platform/office/spreadsheet.h"
#include "platform/os/codepage.h"
#include "shell/about.h"
#include "shell/calc_options_dialog.h"
#include "shell/change_records.h"
#include "shell/config_dialog.h"
#include "shell/dimensions_dialog.h"
#include "shell/document_links.h"
#include "shell/drawing_settings.h"
#include "shell/drawing_text_dialog.h"
#include "shell/file_commands.h"
#include "shell/job/changes.h"
#include "shell/job/jobfile.h"
#include "shell/job_table.h"
#include "shell/main_window.h"
#include "shell/measurement_dialog.h"
#include "shell/print_dialog.h"
#include "shell/printer_info.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "shell/startup.h"
#include "tests/shell/layout_check.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class MainAcceptance : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_accept_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &CadDir, &EdiDir, &DbfDir})
            *d = AddBackslash(Dir.string());
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
        EXPECT_EQ(quiet.Seen(), std::vector<std::string>{});
    }

    void TearDown() override {
        Window->Free();
        DoneProgram();
        fs::remove_all(Dir);
    }

    // Chooses a menu item (hidden ones through their handler) with the responder's steps; no
    // question may be left over or come unexpected.
    void Choose(const std::string& name, ScriptedResponder& r) {
        TMenuItem* item = FindControl<TMenuItem>(*Window, name);
        ASSERT_NE(item, nullptr) << name;
        {
            ResponderScope scope(r);
            if (item->Visible() && item->Enabled())
                EXPECT_TRUE(item->Click());
            else
                item->OnClick(item);
        }
        EXPECT_EQ(r.Unexpected(), 0) << name << ": " << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0) << name;
    }

    fs::path Dir;
    Thh* Window = nullptr;
};

// A listing in the text window is read and closed; any other form gets the button.
ScriptedResponder::FormStep Answer(const char* button, std::string* listing = nullptr) {
    return [button, listing](TForm& f) {
        if (auto* exit = FindControl<TMenuItem>(f, "mi_dateiBeenden")) {
            if (listing != nullptr) *listing = FindControl<TMemo>(f, "Memo1")->Lines().Text();
            exit->Click();
        } else {
            EXPECT_TRUE(Respond::Press(f, button)) << f.Name();
        }
    };
}

TEST_F(MainAcceptance, StartWiresTheLibrariesTheProgramNeeds) {
    // The writers of every CAD code, the help pictures and texts of the installed data.
    for (std::uint16_t code : {1, 2, 3, 4, 5})
        EXPECT_TRUE(CadWriterRegistered(code)) << code;
    EXPECT_TRUE(FileExist(AddBackslash(PltDir) + "start.plt"));
    EXPECT_TRUE(FileExist(AddBackslash(PltDir) + "qor1w.dbh"));
    EXPECT_TRUE(FileExist(AddBackslash(PltDir) + "qor1w.err"));
    // The table engine: memo hooks survive the work areas' start; its questions reach the user.
    EXPECT_NE(dbf::MemoHooks.OpenMemofile, nullptr);
    EXPECT_NE(dbf::MemoHooks.AddMemo, nullptr);
    ASSERT_NE(dbf::ProcessEventsHook, nullptr);
    dbf::ProcessEventsHook(); // returns at once: no user input waits
    ASSERT_NE(dbf::TerminatingHook, nullptr);
    EXPECT_FALSE(dbf::TerminatingHook());
    ASSERT_NE(dbf::StopBoxHook, nullptr);
    ASSERT_NE(dbf::ConfirmHook, nullptr);
    ScriptedResponder r;
    r.OnMessage(IDOK).OnMessage(IDOK).OnMessage(IDCANCEL);
    {
        ResponderScope scope(r);
        dbf::StopBoxHook("Table not found", "Error  : ");
        EXPECT_TRUE(dbf::ConfirmHook("Erase the record?"));
        EXPECT_FALSE(dbf::ConfirmHook("Erase the record?"));
    }
    ASSERT_EQ(r.Seen().size(), 3u);
    EXPECT_THAT(r.Seen()[0], HasSubstr("Table not found"));
    EXPECT_THAT(r.Seen()[1], HasSubstr("Erase the record?"));
    EXPECT_EQ(r.Pending(), 0);
}

// The main window owns the one table window; the table window's menus follow the menu language.
TEST_F(MainAcceptance, TheTableWindowBelongsToTheMainWindow) {
    EXPECT_EQ(dbf::DbfWindow().Owner(), Window);
    Window->SetLanguage(8);
    const dbf::TDbfMenuCaptions korean = dbf::DbfMenuCaptionsHook();
    EXPECT_EQ(korean.File, "파일(&F)");
    EXPECT_EQ(korean.Database, "데이터베이스(&D)");
    EXPECT_EQ(korean.Exit, "끝내기(&x)");
    Window->SetLanguage(2);
    EXPECT_EQ(dbf::DbfMenuCaptionsHook().Print, "&Print...");
}

// Every confirmed edit of data the job file keeps marks the job, so that Exit asks; Cancel marks
// nothing.
TEST_F(MainAcceptance, ConfirmedEditsMarkTheJobAndCancelledOnesDoNot) {
    struct Case {
        const char* Item;
        int Forms;        // forms after OK: the dialog, then a listing
        bool Cancellable; // a dialog with Cancel comes first
        bool Message;     // a message comes (answered OK)
    };
    const Case cases[] = {
        {"mi_editberechnungsmethode", 1, true, false},
        {"mi_cadconfig", 1, true, false},
        {"mi_docdrawinginfo", 1, true, false},
        {"mi_docuNewChange", 2, true, false},
        {"mi_docuModifyChanges", 2, true, false},
        {"mi_docudeleteChange", 1, false, false},
        {"mi_DocumentSetup", 1, true, false},
        {"mi_viewPolylinieFussausrundung", 0, false, true},
    };
    for (const Case& c : cases) {
        for (const bool confirm : {false, true}) {
            if (!confirm && !c.Cancellable) continue;
            SCOPED_TRACE(std::string(c.Item) + (confirm ? " OK" : " Cancel"));
            ChangeCount = 1; // Edit and Delete work on the last change
            ChangeTable[1].ChangeText = "Bore";
            ChangeTable[1].ChangeName = "Lee";
            GearData.DrawRootCurve = false;
            DataModified = 0;
            AbortFlag = 0;
            ScriptedResponder r;
            for (int k = 0; k < (confirm ? c.Forms : 1); ++k)
                r.OnForm(Answer(confirm ? "Button_ok" : "Button_cancel"));
            if (c.Message) r.OnMessage(IDOK);
            Choose(c.Item, r);
            EXPECT_EQ(DataModified, confirm ? 1 : 0);
        }
    }
    // A job so marked is not dropped by Exit: Cancel keeps the window.
    ScriptedResponder keep;
    keep.OnMessage(IDCANCEL);
    DataFileName = "job";
    DataDir = AddBackslash(Dir.string());
    Choose("mi_fileexit", keep);
    EXPECT_TRUE(Window->Visible());
    EXPECT_EQ(DataModified, 1);
}

// Help > Auxiliary images lists the shipped pictures by title and draws the one chosen;
// Help > Error messages opens a message's origin and remedy.
TEST_F(MainAcceptance, HelpShowsPicturesAndMessageTexts) {
    std::vector<std::string> titles;
    std::vector<int> records;
    ScriptedResponder pictures;
    for (const int pick : {4, 1}) // "measure", then "rack"
        pictures.OnForm([&, pick](TForm& f) {
            records.push_back(DisplayList->Count());
            // The catalogue at the window's foot covers nothing of the picture.
            Window->PaintNow();
            int lowest = 0;
            for (int y = 0; y < Window->ClientHeight(); y += 2)
                for (int x = 0; x < Window->ClientWidth(); x += 3)
                    if (Window->ClientPixel(x, y) != Window->ClientPixel(0, 0)) lowest = y;
            EXPECT_LT(Window->Top() + Window->Height() - Window->ClientHeight() + lowest, f.Top());
            EXPECT_GT(lowest, Window->ClientHeight() / 2);
            auto* list = FindControl<TComboBox>(f, "ListBox1");
            ASSERT_NE(list, nullptr);
            titles.clear();
            for (int i = 0; i < list->Items().Count(); ++i)
                titles.push_back(list->Items()[i]);
            Respond::Pick(f, "ListBox1", pick); // a choice shows the picture at once
        });
    pictures.OnForm([&](TForm& f) {
        records.push_back(DisplayList->Count());
        Respond::Key(f, VK_ESCAPE);
    });
    Choose("mi_HelpHilfebild", pictures);
    ASSERT_GE(titles.size(), 6u);
    EXPECT_THAT(titles[0], HasSubstr("Start picture: a gear pair"));
    EXPECT_THAT(titles[4], HasSubstr("Span measurement and dimension over balls"));
    // Each picture shown is drawn: the start picture first, then each one chosen.
    ASSERT_EQ(records.size(), 3u);
    for (int n : records)
        EXPECT_GT(n, 20);
    EXPECT_NE(records[1], records[2]);

    ClearErrors();
    AddError("Warning: x > 1.5 !");
    std::string origin, remedy;
    ScriptedResponder messages;
    messages.OnForm([](TForm& f) {
        EXPECT_THAT(Respond::Question(f), HasSubstr("Select message"));
        Respond::Pick(f, "RadioGroup1", 0);
        Respond::Press(f, "Button_ok");
    });
    messages.OnForm([&](TForm& f) {
        origin = FindControl<TMemo>(f, "Memo_ursache")->Text();
        remedy = FindControl<TMemo>(f, "Memo_abhilfe")->Text();
        Respond::Press(f, "Button_ok");
    });
    Choose("mi_helpErrorMessages", messages);
    EXPECT_THAT(origin, HasSubstr("profile shift coefficient x is above 1.5"));
    EXPECT_THAT(remedy, HasSubstr("Reduce x"));
}

// ---- every View and CAD command on the example jobs ------------------------------------------

enum class Output {
    Screen,  // a picture in the window, nothing asked
    Listing, // a listing in the text window
    Dxf,     // a CAD command: the picture on the screen, and DXF read back by ezdxf
};

struct Command {
    const char* Item;
    Output How;
};

const Command kCommands[] = {
    {"mi_viewquick", Output::Screen},
    {"mi_viewQuick3", Output::Screen},
    {"mi_viewquick4", Output::Screen},
    {"mi_viewFertigungszeichnung", Output::Screen},
    {"mi_viewwerkstattblatt", Output::Listing},
    {"mi_viewzahn1", Output::Screen},
    {"mi_viewzahnrad1", Output::Screen},
    {"mi_viewbezugsprofilrad1", Output::Screen},
    {"mi_viewtabelleVerzahnungRad1", Output::Screen},
    {"mi_viewtabellePruefmasseRad1", Output::Screen},
    {"mi_viewtabelleToleranzenRad1", Output::Screen},
    {"mi_viewrollwinkel1", Output::Screen},
    {"mi_cadFertigungszeichnung", Output::Dxf},
    {"mi_cadquick4", Output::Dxf},
    {"mi_cadQuick3", Output::Dxf},
    {"mi_cadzahnrad", Output::Dxf},
    {"mi_cadzahn", Output::Dxf},
    {"mi_cadbezugsprofil", Output::Dxf},
    {"mi_cadquick", Output::Dxf},
};

// Pixels of the window's picture that differ from its background.
int InkedPixels(const fs::path& png) {
    const QImage image(QString::fromStdString(png.string()));
    if (image.isNull()) return -1;
    const QRgb background = image.pixel(0, 0);
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) ++n;
    return n;
}

TEST_F(MainAcceptance, EveryViewAndCadCommandDrawsTheExampleJobs) {
    std::vector<std::string> dxfFiles;
    for (const char* job : {"spur.q1w", "helical.q1w", "internal.q1w"}) {
        SCOPED_TRACE(job);
        AbortFlag = 0;
        LoadJobFile(std::string(QOR_SOURCE_DIR) + "/data/" + job);
        ASSERT_EQ(AbortFlag, 0);
        AfterJobLoaded();
        ASSERT_EQ(CalcErrorFlag, 0);
        for (const Command& c : kCommands) {
            // A CAD command is answered once "Control Output to Screen", once DXF.
            std::vector<Output> outputs{c.How};
            if (c.How == Output::Dxf) outputs.insert(outputs.begin(), Output::Screen);
            for (const Output how : outputs) {
                SCOPED_TRACE(std::string(c.Item) + (how == Output::Dxf ? " DXF" : ""));
                DisplayList->Clear();
                AbortFlag = 0;
                ScriptedResponder r;
                std::string listing;
                const fs::path dxf = Dir / (fs::path(job).stem().string() + "_" + c.Item + ".dxf");
                if (how == Output::Listing) r.OnForm(Answer("", &listing));
                if (c.How == Output::Dxf)
                    r.OnForm([how](TForm& f) {
                        EXPECT_THAT(Respond::Question(f), HasSubstr("CAD Code"));
                        Respond::Pick(f, "RadioGroup1", how == Output::Dxf ? 0 : 2);
                        Respond::Press(f, "Button_ok");
                    });
                if (how == Output::Dxf)
                    r.OnDialog([&](TCommonDialog& d) {
                        static_cast<TSaveDialog&>(d).FileName = dxf.string();
                        return true;
                    });
                Choose(c.Item, r);
                EXPECT_EQ(AbortFlag, 0);
                switch (how) {
                case Output::Screen: {
                    EXPECT_GT(DisplayList->Count(), 20);
                    const fs::path png = Dir / "view.png";
                    ASSERT_TRUE(TFkelmgra::SaveDrawingPicture(png.string()));
                    EXPECT_GT(InkedPixels(png), 2000);
                    break;
                }
                case Output::Listing:
                    EXPECT_GT(std::count(listing.begin(), listing.end(), '\n'), 20) << listing;
                    break;
                case Output::Dxf:
                    EXPECT_TRUE(fs::exists(dxf));
                    dxfFiles.push_back(dxf.string());
                    break;
                }
            }
        }
    }
    // Every file as ezdxf reads it: no audit error, a drawing of some size.
    std::string args;
    for (const std::string& f : dxfFiles)
        args += " '" + f + "'";
    // Only the checker's report is read: what ezdxf says on stderr (font warnings where
    // matplotlib is installed) is shown with a failure, never taken for a line of the report.
    int status = -1;
    const fs::path warnings = Dir / "dxf_read.err";
    const std::string report = qortest::RunCommand("/usr/bin/python3 '" QOR_SOURCE_DIR
                                                   "/tests/shell/dxf_read.py'" +
                                                       args + " 2>'" + warnings.string() + "'",
                                                   status);
    EXPECT_EQ(status, 0) << report << qortest::ReadFileBytes(warnings.string());
    std::istringstream lines(report);
    std::string file, errors, entities, extents;
    int nErrors = 0, nEntities = 0, read = 0;
    double width = 0, height = 0;
    while (lines >> file >> errors >> nErrors >> entities >> nEntities >> extents >> width >>
           height) {
        SCOPED_TRACE(file);
        ++read;
        EXPECT_EQ(nErrors, 0);
        EXPECT_GE(nEntities, 10); // the tool profile and a ring-gear tooth are a few polylines
        EXPECT_GT(width, 1.0);
        EXPECT_GT(height, 1.0);
    }
    EXPECT_EQ(read, static_cast<int>(dxfFiles.size()))
        << report << qortest::ReadFileBytes(warnings.string());
}

// A gear is round on a wide window too: the screen's scales are equal; the printout keeps its
// page of a 4:3 virtual screen.
TEST_F(MainAcceptance, GearsStayRoundOnAWideWindow) {
    AbortFlag = 0;
    LoadJobFile(std::string(QOR_SOURCE_DIR) + "/data/spur.q1w");
    AfterJobLoaded();
    for (const auto& [width, height] : {std::pair{1911, 989}, std::pair{791, 728}}) {
        SCOPED_TRACE(width);
        ScreenWidth = width;
        ScreenHeight = height;
        ScriptedResponder quiet;
        Choose("mi_viewzahnrad1", quiet);
        EXPECT_EQ(ScaleX, ScaleY);
        EXPECT_EQ(LengthX(100), LengthY(100));
        EXPECT_NEAR(static_cast<double>(PageScaleX / PageScaleY), 0.75 * width / height, 1e-12);
    }
}

// File > Open (Table) > File > Export Excel hands the table to the spreadsheet program: every
// row as the table shows it, read back by openpyxl.
TEST_F(MainAcceptance, JobTableGoesToTheSpreadsheet) {
    for (const char* job : {"spur.q1w", "helical.q1w", "internal.q1w"})
        fs::copy_file(std::string(QOR_SOURCE_DIR) + "/data/" + job, Dir / job);
    DataDir = AddBackslash(Dir.string());
    TempDir = AddBackslash((Dir / "tmp").string());
    fs::create_directories(Dir / "tmp");
    SpreadsheetCommand = "/bin/true";
    std::string table; // the rows as the grid shows them, tab-separated
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        auto* grid = FindControl<TStringGrid>(f, "StringGrid1");
        ASSERT_NE(grid, nullptr);
        for (int row = 0; row < grid->RowCount(); ++row) {
            for (int col = 0; col < grid->ColCount(); ++col)
                table += (col > 0 ? "\t" : "") + grid->Cells(col, row);
            table += "\r\n";
        }
        FindControl<TMenuItem>(f, "mi_fileExportExcel")->Click();
        Respond::Key(f, VK_ESCAPE);
    });
    Choose("mi_fileOpenTable", r);
    SpreadsheetCommand.clear();
    std::vector<std::string> books;
    for (const auto& e : fs::directory_iterator(Dir / "tmp"))
        if (e.path().extension() == ".xlsx") books.push_back(e.path().string());
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 4); // the titles and three jobs
    const fs::path txt = Dir / "table.txt";
    qortest::WriteFileBytes(txt.string(), os::FromUtf8(os::CodePage::Cp1252, table));
    int status = -1;
    const std::string out = qortest::RunCommand("/usr/bin/python3 '" QOR_SOURCE_DIR
                                                "/tests/shell/excel_check.py' rows '" +
                                                    txt.string() + "' '" + books[0] + "' . 2>&1",
                                                status);
    EXPECT_EQ(status, 0) << out;
}

// ---- what the user sees ----------------------------------------------------------------------

// The main window with a drawn gear, the help pictures and the about box, in English and
// Korean: every menu of the bar in view, the picture drawn, the forms' texts whole.
// QOR_SHOTS=<folder> keeps their pictures.
TEST_F(MainAcceptance, WindowHelpAndAboutLookRightInEnglishAndKorean) {
    const char* shots = std::getenv("QOR_SHOTS");
    auto keep = [&](QWidget* w, const std::string& name) {
        QApplication::processEvents(); // the window repaints what the command drew
        if (shots != nullptr)
            w->grab().save(QString::fromStdString(std::string(shots) + "/" + name));
    };
    AbortFlag = 0;
    LoadJobFile(std::string(QOR_SOURCE_DIR) + "/data/helical.q1w");
    AfterJobLoaded();
    for (const int language : {2, 8}) {
        const std::string tag = language == 8 ? "_ko.png" : "_en.png";
        Window->SetLanguage(language);
        ScriptedResponder quiet;
        Choose("mi_viewzahnrad1", quiet);
        QApplication::processEvents();
        QMenuBar* bar = Window->MainMenu1->MenuBar();
        for (QAction* a : bar->actions()) {
            SCOPED_TRACE(a->text().toStdString());
            const QRect place = bar->actionGeometry(a);
            EXPECT_FALSE(place.isEmpty());
            EXPECT_TRUE(bar->rect().contains(place));
        }
        const fs::path png = Dir / "window.png";
        Window->Widget()->grab().save(QString::fromStdString(png.string()));
        EXPECT_GT(InkedPixels(png), 5000);
        keep(Window->Widget(), "main" + tag);

        ScriptedResponder help;
        help.OnForm([&](TForm& f) {
            qortest::ExpectNothingClipped(f, f.Name());
            keep(f.Widget(), "help_form" + tag);
            keep(Window->Widget(), "help_window" + tag);
            Respond::Key(f, VK_ESCAPE);
        });
        Choose("mi_HelpHilfebild", help);
        ScriptedResponder about;
        about.OnForm([&](TForm& f) {
            qortest::ExpectNothingClipped(f, f.Name());
            auto* panel = FindControl<TPanel>(f, "Panel1");
            ASSERT_NE(panel, nullptr);
            qortest::ExpectNothingClipped(*panel, "Panel1");
            keep(f.Widget(), "about" + tag);
            keep(Window->Widget(), "about_window" + tag);
            Respond::Press(f, "OKButton");
        });
        Choose("mi_HelpAbout", about);
    }
}

// Every dialog shown whole: at the dialog size the settings propose (English and Chinese, on
// the screens of 1366 x 768 and 1920 x 1080, also at double pixel density) it lies wholly on the
// work area with room for its frame, and at any size its controls are inside it (also at the
// 97 % a window frame of this desktop gives the old proposal).
template <class... F> void EachDialog(Thh* owner, const std::function<void(TForm&)>& look) {
    auto one = [&](TForm* f) {
        look(*f);
        f->Free();
    };
    (one(NewForm<F>(owner)), ...);
}

TEST_F(MainAcceptance, EveryDialogIsWholeAtTheProposedSize) {
    const auto all = [this](const std::function<void(TForm&)>& look) {
        EachDialog<Tconfig, TForm_qor1conf, TForm_vq2config, TForm_qor1wgeo, TForm_qor1prof,
                   TForm_qual, TForm_messen, TForm_qorwcon2, TForm_vqeingabetext, TForm_printconf,
                   TForm_EinAend, TForm_zeichInfo, TForm_confDoku, TForm_Suchen, TForm_preview,
                   TForm_printerinfo, TAboutBox, TEinDiagramLimits, Thelperr, TForm_confkvilpen,
                   Tin_codedialog, Tin_textdialog, Tin_janeindialog, Tin_radiodialog, TShowScreen,
                   TForm_selectcolor, TForm_hilfebild>(Window, look);
    };
    const auto whole = [](TForm& f) {
        const TSize need = ControlsNeed(&f);
        EXPECT_TRUE(need.cx <= f.ClientWidth() && need.cy <= f.ClientHeight()) << f.Name();
    };
    ScaleByPercent = 100;
    FitFormMode = 2; // as designed: within the size the proposals count with
    all([](TForm& f) {
        EXPECT_TRUE(f.Width() <= kLargestDialogWidth && f.Height() <= kLargestDialogHeight);
    });
    FitFormMode = 0;
    FormSizePercent = 97;
    all(whole);
    const long double frame = 697.0L / (678 + 46) + 0.009L; // openbox: a 19-pixel menu bar
    // Screen, pixels per inch, a dialog size chosen by hand (0: the proposal).
    for (const auto& [w, h, ppi, hand] : {std::tuple{1366, 768, 96, 0},
                                          {1920, 1080, 96, 0},
                                          {1366, 768, 192, 0},
                                          {1366, 768, 96, 130}})
        for (const int language : {2, 12}) {
            SCOPED_TRACE(::testing::PrintToString(std::tuple{w, h, ppi, hand, language}));
            Window->SetLanguage(language);
            FormSizePercent = hand != 0 ? hand : ProposedDialogSize(frame, ppi, w, h, 100);
            ScaleByPercent = ProposedDialogElements(frame, ppi, w, h, FormSizePercent);
            EXPECT_TRUE(hand != 0 ? ScaleByPercent < hand : ScaleByPercent == 100);
            all([&](TForm& f) {
                whole(f);
                EXPECT_TRUE(f.Width() + 16 <= w && f.Height() + 48 <= h) << f.Name();
            });
        }
    // The settings' "<" buttons (on a page not shown) give the proposals for this screen.
    ScaleByPercent = 100;
    EachDialog<Tconfig>(Window, [](TForm& f) {
        FindControl<TButton>(f, "Button_dialogsize")->Click();
        FindControl<TButton>(f, "Button_dialogelemente")->Click();
        const int size = FindControl<TSpinEdit>(f, "SpinEdit_dialogfenster")->Value();
        int left = 0, top = 0, width = 0, height = 0;
        Screen()->WorkArea(left, top, width, height);
        EXPECT_TRUE(size >= 100 && kLargestDialogHeight * size / 100 + 48 <= height) << size;
        EXPECT_EQ(FindControl<TSpinEdit>(f, "SpinEdit_dialogelemente")->Value(), 100);
    });
    FormSizePercent = 101;
    ScaleByPercent = 100;
}

} // namespace
