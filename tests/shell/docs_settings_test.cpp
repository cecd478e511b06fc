// The Documentation menu (change records, drawing information, document links) and the
// settings dialogs (CAD > Settings and its one-gear form, File > Settings), driven through the
// main window's menu with every dialog answered by a responder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QWidget>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cad/cadstate.h"
#include "calc/geardata.h"
#include "framework/core/config_file.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/ui/listing.h"
#include "platform/gui/application.h"
#include "platform/gui/grids.h"
#include "platform/gui/printer.h"
#include "platform/gui/responder.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"
#include "shell/change_records.h"
#include "shell/config_dialog.h"
#include "shell/document_links.h"
#include "shell/drawing_settings.h"
#include "shell/drawing_text_dialog.h"
#include "shell/input_fields.h"
#include "shell/job/doclinks.h"
#include "shell/job/jobfile.h"
#include "shell/main_window.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class DocsSettings : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_docs_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &CadDir, &EdiDir, &DbfDir})
            *d = AddBackslash(Dir.string());
        ScriptedResponder quiet;
        ResponderScope scope(quiet);
        Window = NewForm<Thh>(nullptr);
        Window->Show();
        AbortFlag = 0;
        DataModified = 0;
    }

    void TearDown() override {
        Window->Free();
        DoneProgram();
        fs::remove_all(Dir);
    }

    // Chooses a menu item with the responder's steps; no question may be left or unexpected.
    void Choose(const char* item, ScriptedResponder& r) {
        {
            ResponderScope scope(r);
            ASSERT_TRUE(FindControl<TMenuItem>(*Window, item)->Click());
        }
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0);
    }

    fs::path Dir;
    Thh* Window = nullptr;
};

// The text window's listing, closed.
ScriptedResponder::FormStep ReadListing(std::string& text) {
    return [&text](TForm& f) {
        text = FindControl<TMemo>(f, "Memo1")->Lines().Text();
        FindControl<TMenuItem>(f, "mi_dateiBeenden")->Click();
    };
}

ScriptedResponder::FormStep EnterChange(std::string text, std::string name, std::string memo,
                                        std::string* shown = nullptr) {
    return [=](TForm& f) {
        if (shown != nullptr) *shown = FindControl<TEdit>(f, "Edit_aenderung")->Text();
        Respond::Type(f, "Edit_aenderung", text);
        Respond::Type(f, "Edit_datum", "01.02.2024");
        Respond::Type(f, "Edit_bearbeiter", name);
        FindControl<TMemo>(f, "Memo_beschreibung")->SetText(memo);
        Respond::Press(f, "Button_ok");
    };
}

TEST_F(DocsSettings, ChangesAreListedByIndexStyleAndNewThenCancelAddsNothing) {
    struct Case {
        int Style;
        const char* Third; // the listing's line of entry 3
    };
    for (const Case c : {Case{2, "  c     01.02.2024   Schmi    third"},
                         Case{1, "  3     01.02.2024   Schmi    third"}}) {
        SCOPED_TRACE(c.Style);
        FrameOption = static_cast<std::uint16_t>(c.Style);
        ChangeCount = 0;
        std::string listing;
        for (const char* text : {"first", "second", "third"}) {
            ScriptedResponder r;
            r.OnForm(EnterChange(text, "Schmidtke", "line 1\nline 2")).OnForm(ReadListing(listing));
            DataModified = 0;
            Choose("mi_docuNewChange", r);
            EXPECT_EQ(DataModified, 1);
        }
        ASSERT_EQ(ChangeCount, 3);
        EXPECT_EQ(ChangeTable[3].ChangeName, "Schmi"); // five letters are taken
        EXPECT_EQ(ChangeTable[3].ChangeDescription, "line 1\nline 2");
        EXPECT_THAT(listing, HasSubstr(std::string("\n       ") + c.Third));
        EXPECT_THAT(listing, HasSubstr("\n        line 1\n        line 2\n"));
        EXPECT_THAT(listing, HasSubstr("Protocol of changes"));
    }

    // Delete the last, then New: the form starts empty; Cancel leaves count and data alone.
    ScriptedResponder del;
    std::string listing;
    del.OnForm(ReadListing(listing));
    Choose("mi_docudeleteChange", del);
    ASSERT_EQ(ChangeCount, 2);
    DataModified = 0;
    std::string shown = "?";
    ScriptedResponder cancel;
    cancel.OnForm([&](TForm& f) {
        shown = FindControl<TEdit>(f, "Edit_aenderung")->Text();
        Respond::Type(f, "Edit_aenderung", "typed, then cancelled");
        Respond::Press(f, "Button_cancel");
    });
    Choose("mi_docuNewChange", cancel);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(ChangeCount, 2);
    EXPECT_EQ(ChangeTable[3].ChangeText, "");
    EXPECT_EQ(DataModified, 0);
    EXPECT_EQ(AbortFlag, 1);
}

// Drawing data typed as a person types it, keys only: the first key on a cell replaces its
// text, Tab and Shift+Tab go from cell to cell (also out of an open editor), Esc drops an edit;
// nothing typed lands in another field ("Replacement for" keeps its text), and Tab leaves a grid
// only after its last cell.
TEST_F(DocsSettings, DrawingDataGridsTakeTypingAndTab) {
    const auto keys = [](const QString& typed) { // \t Tab, \b Shift+Tab, \x1b Esc, \r Enter
        for (const QChar ch : typed) {
            const int k = ch == '\t'     ? Qt::Key_Tab
                          : ch == '\b'   ? Qt::Key_Backtab
                          : ch == '\x1b' ? Qt::Key_Escape
                          : ch == '\r'   ? Qt::Key_Return
                                         : 0;
            QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, k ? QString() : QString(ch));
            QApplication::sendEvent(QApplication::focusWidget(), &press);
            Application->ProcessMessages();
        }
    };
    ScriptedResponder info;
    info.OnForm([&](TForm& f) {
        Respond::Type(f, "Edit_ersatzfuer", "Z-100");
        for (const char* grid : {"StringGrid2", "StringGrid1"}) {
            auto* g = FindControl<TStringGrid>(f, grid);
            // Both grids fit: nothing to scroll.
            auto* area = qobject_cast<QAbstractScrollArea*>(g->Widget());
            EXPECT_EQ(area->verticalScrollBar()->maximum() + area->horizontalScrollBar()->maximum(),
                      0);
            g->SetFocus();
            g->SelectCell(1, grid[10] == '2' ? 1 : 4);
            Application->ProcessMessages();
            // Enter on the selected cell opens it (the dialog's OK is not pressed); Esc drops it.
            keys("\r");
            EXPECT_EQ(f.ModalResult(), mrNone);
            EXPECT_NE(qobject_cast<QLineEdit*>(QApplication::focusWidget()), nullptr) << grid;
            keys("\x1b");
            // Texts: row 1, back to h to correct it, row 2, an edit dropped by Esc in row 3.
            // Signatures: row 4 and Tab past the last cell.
            keys(grid[10] == '2' ? "12.5\t-3\t2\t0\tNabe\b\b9\t\t\t40\t8\t2.5\t90\tZahn\tX\x1b"
                                 : "01.02.2025\tLee\t");
        }
        EXPECT_NE(QApplication::focusWidget(),
                  FindControl<TStringGrid>(f, "StringGrid1")->Widget());
        Respond::Press(f, "Button_ok");
    });
    Choose("mi_docdrawinginfo", info);
    ASSERT_EQ(DrawingTextCount, 2);
    const TDrawingText &a = DrawingTexts[1], &b = DrawingTexts[2];
    EXPECT_EQ(std::vector<long double>({a.x, a.y, a.h, a.phi, b.x, b.y, b.h, b.phi}),
              std::vector<long double>({12.5L, -3, 9, 0, 40, 8, 2.5L, 90}));
    EXPECT_EQ(a.Text.str() + "," + b.Text.str(), "Nabe,Zahn");
    EXPECT_EQ(DrawingInfo.Rows[4].Date.str() + "," + DrawingInfo.Rows[4].Name.str(),
              "01.02.2025,Lee");
    EXPECT_EQ(DrawingInfo.ReplacementFor, "Z-100"); // nothing typed landed there

    // A click (the window system gives the grid the focus, then press and release) while a
    // cell is edited keeps the edit; typing goes to the cell clicked, in the other grid too.
    // Enter keeps a cell and goes on to the next; a refused text is named by row and column.
    const auto click = [](TStringGrid* g, int col, int row) {
        g->SetFocus();
        QWidget* view = qobject_cast<QAbstractScrollArea*>(g->Widget())->viewport();
        const QPointF at(g->CellRect(col, row).Left + 4, g->CellRect(col, row).Top + 4);
        for (const auto t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent e(t, at, view->mapToGlobal(at), Qt::LeftButton, {}, Qt::NoModifier);
            QApplication::sendEvent(view, &e);
        }
        Application->ProcessMessages();
    };
    ScriptedResponder again;
    again.OnForm([&](TForm& f) {
        auto* texts = FindControl<TStringGrid>(f, "StringGrid2");
        click(FindControl<TStringGrid>(f, "StringGrid1"), 2, 2); // Check, Name
        keys("QA");
        click(texts, 5, 3);
        keys("77\r");
        EXPECT_EQ(f.ModalResult() * 100 + texts->Col() * 10 + texts->Row(), 14);
        click(texts, 3, 3);
        keys("4x");
        click(texts, 1, 1); // in its own grid too
        keys("1.5\r");
        Respond::Press(f, "Button_ok"); // refused: the dialog stays on the cell
        EXPECT_EQ(f.ModalResult() * 100 + texts->Col() * 10 + texts->Row(), 33);
        texts->TypeCell(3, 3, "4");
        Respond::Press(f, "Button_ok");
    });
    again.OnMessage(IDOK);
    Choose("mi_docdrawinginfo", again);
    EXPECT_THAT(again.Seen()[1], HasSubstr("Invalid Input \"4x\" in row 3, column h !"));
    EXPECT_EQ(DrawingInfo.Rows[2].Name.str() + DrawingTexts[3].Text.str(), "QA77");
    EXPECT_EQ(std::vector<long double>({DrawingTexts[1].x, DrawingTexts[3].h}),
              std::vector<long double>({1.5L, 4}));
}

TEST_F(DocsSettings, ChangesInfoAndLinksSurviveSaveAndLoadByteForByte) {
    ScriptedResponder r;
    std::string listing;
    r.OnForm(EnterChange("Bohrung", "Lee", "erste Zeile\nzweite / mit Strich"))
        .OnForm(ReadListing(listing));
    Choose("mi_docuNewChange", r);
    ScriptedResponder info;
    info.OnForm([](TForm& f) {
        Respond::Type(f, "Edit_ersatzfuer", "Z-100");
        Respond::Type(f, "Edit_ersetztdurch", "Z-200");
        auto* rows = FindControl<TStringGrid>(f, "StringGrid1");
        rows->TypeCell(2, 2, "Kim");
        auto* texts = FindControl<TStringGrid>(f, "StringGrid2");
        for (int c = 1; c <= 5; ++c)
            texts->TypeCell(c, 1, c == 5 ? "Härte 58 HRC" : "12.5");
        texts->TypeCell(5, 2, "zweiter Text");
        texts->TypeCell(5, 3, "   "); // a blank row between texts stays
        texts->TypeCell(5, 4, "vierter Text");
        Respond::Press(f, "Button_ok");
    });
    Choose("mi_docdrawinginfo", info);
    EXPECT_EQ(DrawingTextCount, 4);
    EXPECT_EQ(DrawingTexts[4].Text, "vierter Text");
    EXPECT_EQ(DrawingTexts[1].Text, "Härte 58 HRC");
    EXPECT_EQ(DrawingInfo.Rows[2].Name, "Kim");
    ScriptedResponder setup;
    const std::string longName = "/home/user/drawings/a_really_long_document_file_name_7.pdf";
    setup.OnForm([&](TForm& f) {
        Respond::Type(f, "Edit_prog3", "/usr/bin/okular");
        Respond::Type(f, "Edit_file3", longName); // refused whole, never cut
        Respond::Press(f, "Button_ok");
        Respond::Type(f, "Edit_file3", "zeichnung 7.pdf");
        Respond::Press(f, "Button_ok");
    });
    setup.OnMessage(IDOK);
    DataModified = 0;
    Choose("mi_DocumentSetup", setup);
    EXPECT_EQ(DataModified, 1);
    EXPECT_THAT(setup.Seen()[1], HasSubstr("longer than 50 characters, which a job file "
                                           "keeps:\n" +
                                           longName));

    const std::string first = (Dir / "a.q1w").string(), second = (Dir / "b.q1w").string();
    WriteGearDataFile(first);
    ASSERT_EQ(AbortFlag, 0);
    const TDocumentLinks links = DocumentLinks;
    InitShellData();
    InitDocumentLinks();
    LoadJobFile(first);
    ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
    EXPECT_EQ(DocumentLinks, links);
    EXPECT_EQ(ChangeTable[1].ChangeDescription, "erste Zeile\nzweite / mit Strich");
    EXPECT_EQ(DrawingInfo.ReplacedBy, "Z-200");
    EXPECT_EQ(DrawingTexts[2].Text, "zweiter Text");
    WriteGearDataFile(second);
    EXPECT_EQ(qortest::ReadFileBytes(first), qortest::ReadFileBytes(second));
}

// Every text input of the job's dialogs, each given a text with characters neither the DOS nor
// the Windows page holds, one with "|", one of 300 characters and its stored text shortened by
// an edit (a 7-letter name in a 5-letter input among them), with the special characters shown
// as stored and transliterated: OK either stores it so that
// the dialog, opened again after the job was saved and loaded, shows what the input showed at
// OK (typing stops at the field's end), or keeps the dialog open with a message that says why.
TEST_F(DocsSettings, EveryTextInputStoresWhatItShowsOrSaysWhy) {
    // One person at the dialog: the first form gets the step, a form still open afterwards is
    // cancelled; every message is read and answered OK.
    struct Person : ModalResponder {
        std::function<void(TForm&)> step;
        std::vector<std::string> said;
        int forms = 0;
        void RespondForm(TForm& f) override {
            forms++ == 0 ? step(f) : void(Respond::Press(f, "Button_cancel"));
        }
        int RespondMessage(const MessageQuestion& q) override {
            return said.push_back(q.Text), IDOK;
        }
        bool RespondDialog(TCommonDialog&) override { return false; }
    };
    struct Input {
        std::string name;     // the control's name
        int col = 0, row = 0; // a grid's cell
    };
    // The text an input shows, after typing into it as a person would when typed is given.
    const auto text = [](TForm& f, const Input& in, const std::string* typed = nullptr) {
        if (auto* g = FindControl<TStringGrid>(f, in.name))
            return (typed ? g->TypeCell(in.col, in.row, *typed) : 0), g->Cells(in.col, in.row);
        if (auto* m = FindControl<TMemo>(f, in.name))
            return (typed ? m->WidgetTextEdited(*typed) : void()), m->Text();
        return (typed ? Respond::Type(f, in.name, *typed) : 0),
               FindControl<TEdit>(f, in.name)->Text();
    };
    const std::pair<const char*, std::function<void()>> dialogs[] = {
        {"modification", [] { ShowEnterChange(1); }},
        {"drawing data", [] { ShowDrawingInfo(); }},
        {"drawing texts", [] { ShowDrawingTextDialog(); }},
        {"document links", [] { ShowDocumentSetup(); }}};
    std::string longText;
    for (int i = 0; i < 300; ++i)
        longText += static_cast<char>('a' + i % 26);
    const std::string shorter = "\x01";
    const std::string probes[] = {"Zahnrad \u03a9 \u5f20", "a|b", longText, shorter};
    const std::string job = (Dir / "walk.q1w").string();
    int stored = 0, refused = 0;
    for (const int chars : {0, 1})
    for (const auto& [name, open] : dialogs) {
        CharMode = static_cast<std::uint16_t>(chars);
        ChangeCount = 1;
        std::vector<Input> inputs; // every text input in use: shown, enabled, not for numbers
        Person look;
        look.step = [&](TForm& f) {
            std::vector<TComponent*> all{&f};
            for (std::size_t k = 0; k < all.size(); ++k)
                for (int i = 0; i < all[k]->ComponentCount(); ++i)
                    all.push_back(all[k]->Components(i));
            for (TComponent* c : all) {
                bool inUse = dynamic_cast<TValueEdit*>(c) == nullptr;
                for (auto* w = dynamic_cast<TControl*>(c); w != nullptr; w = w->Parent())
                    inUse = inUse && w->Visible() && w->Enabled();
                auto* g = dynamic_cast<TStringGrid*>(c);
                auto* e = dynamic_cast<TEdit*>(c);
                if (inUse && g && (g->Options() & goEditing))
                    for (int row : {g->FixedRows(), g->RowCount() - 1})
                        for (int col = g->FixedCols(); col < g->ColCount(); ++col)
                            inputs.push_back({g->Name(), col, row});
                if (inUse && ((e && !e->ReadOnly()) || dynamic_cast<TMemo*>(c)))
                    inputs.push_back({c->Name()});
            }
            Respond::Press(f, "Button_cancel");
        };
        ResponderScope lookScope(look);
        open();
        ASSERT_GE(inputs.size(), 4u) << name;
        for (const Input& in : inputs)
            for (const std::string& probe : probes) {
                SCOPED_TRACE(std::string(name) + " " + in.name + " " + std::to_string(in.col) +
                             "," + std::to_string(in.row) + " " + probe.substr(0, 12) + " " +
                             std::to_string(chars));
                std::string atOk;
                Person p, again;
                p.step = [&](TForm& f) {
                    if (probe == shorter) { // Backspace at the end of an edit's text, never cut
                        auto* e = FindControl<TEdit>(f, in.name);
                        const std::size_t n = e ? os::Utf8Length(e->Text()) : 0;
                        if (n < 2) return void(Respond::Press(f, "Button_cancel"));
                        e->WidgetTextEdited(os::Utf8Left(e->Text(), n - 1));
                        atOk = e->Text();
                        return void(Respond::Press(f, "Button_ok"));
                    }
                    atOk = text(f, in, &probe), Respond::Press(f, "Button_ok");
                };
                ChangeTable[1].ChangeName = "M\u00fcllerß"; // 7 characters kept, 5 typed
                ResponderScope scope(p);
                open();
                if (p.forms > 1) { // refused: the message says why
                    ++refused;
                    ASSERT_EQ(p.said.size(), 1u);
                    EXPECT_THAT(p.said[0],
                                ::testing::AnyOf(HasSubstr("\"\u5f20\" (its texts are in"),
                                                 HasSubstr("\"|\" cannot be stored"),
                                                 HasSubstr("Invalid Input"),
                                                 HasSubstr("longer than 50"),
                                                 HasSubstr("transliterated, as it is shown")));
                    // A shorter edit is refused only where the shown text grew transliterated.
                    EXPECT_TRUE(probe != shorter || chars == 1) << p.said[0];
                    continue;
                }
                if (AbortFlag != 0) continue; // nothing shown to shorten
                ++stored;
                EXPECT_TRUE(p.said.empty()) << p.said.front();
                WriteGearDataFile(job);
                InitShellData();
                InitDocumentLinks();
                LoadJobFile(job);
                ASSERT_EQ(AbortFlag, 0) << LastJobFileProblem();
                again.step = [&](TForm& f) {
                    EXPECT_EQ(text(f, in), atOk);
                    Respond::Press(f, "Button_cancel");
                };
                ResponderScope againScope(again);
                open();
            }
    }
    CharMode = 0;
    EXPECT_GT(stored, 40);
    EXPECT_GT(refused, 40);
}

// Every dialog and window that shows stored values, left by OK (Save first where there is one)
// without typing, in mm and inch, special characters shown as stored and transliterated: the
// job, the settings file and the tables stay byte for byte. The values are awkward: umlauts and
// ß, texts at their fields' full length, a 7-letter name in a 5-letter input, many decimals, a
// ring gear, a DOS-page table with α and Ω. So does a printout's way out cancelled at its file.
TEST_F(DocsSettings, EveryDialogLeftWithoutTypingKeepsWhatIsStored) {
    LoadJobFile(QOR_SOURCE_DIR "/data/internal.q1w");
    const std::string u = "Zahnräder-Größe ß Übersicht Müller äöü ÄÖÜ ";
    TitleTexts[1] = u + u, GearData.DrawingName[2] = u, GearData.DrawingNumber[2] = u;
    ChangeCount = 1, ChangeTable[1] = {"Änderung Zähnezahl ü", "", "Schmidt", "Übersicht ß\nZeile"};
    DrawingInfo.ReplacementFor = u, DrawingInfo.Rows[2].Name = "Müllerßöäü", DrawingTextCount = 1;
    DrawingTexts[1] = {12.3456789L, -0.000123456789L, 3.14159265358979L, 33.333333333L, u};
    DocumentLinks[1].DocFile = u + u, FourthRowLabel = "Geprüft Ä", LayerNames[1] = u;
    GearData.x[2] = 0.123456789012345L, GearData.b = GearData.bGear[2] = 20.0123456789L;
    // The job as the program saves it: gear 1 the companion the dimensions set, calculated.
    GearData.z[1] = 6, GearData.x[1] = 0.5L, GearData.bGear[1] = GearData.b;
    CalculateInput();
    ZoomIncrement = 1.0123456789L, HelpLevel = 2, PltDir = DbfDir, ProgramName = "keep";
    for (const char* t : {"q1toolx.dbf", "printout.dbf", "start.plt"})
        fs::copy_file(QOR_SOURCE_DIR "/data/" + std::string(t), Dir / t);
    fs::rename(Dir / "start.plt", Dir / "zahnrad_.plt");
    qortest::RunCommand("/usr/bin/python3 -c \"import sys, dbf\nt = dbf.Table(sys.argv[1], "
                        "codepage='cp437')\nt.open(dbf.READ_WRITE)\nt.append(('\\u03b1\\u03a9 "
                        "\\u00df', 1.234, 1, 0, 0, 1, 0, 0, 0))\" " +
                        (Dir / "printout.dbf").string());
    PrintoutRecNo = 5, PrintoutDbfDir = DbfDir;
    qortest::WriteFileBytes(
        (Dir / "keep.err").string(),
        os::Utf8ToCp437("Warnung: Größe ß\r\nUrsache: Zähne ü  \r\nÄndern ß\r\n"));
    qortest::WriteFileBytes((Dir / "keep.dbh").string(),
                            os::Utf8ToCp437("\"ZahnRad_Gross\",\"" + u + "\"\r\n"));
    const auto files = [&] { // the lines of every file, each headed by the file's name
        WriteGearDataFile((Dir / "keep.q1w").string()),
            WriteConfigurationFile((Dir / "c").string());
        std::vector<std::string> lines;
        for (const char* f :
             {"keep.q1w", "c", "q1toolx.dbf", "printout.dbf", "keep.err", "keep.dbh"}) {
            std::stringstream in(qortest::ReadFileBytes((Dir / f).string()));
            for (std::string line; std::getline(in, line);)
                lines.push_back(f + (": " + line));
        }
        return lines;
    };
    // Presses a row's buttons on its first window, leaves every other by OK (Save first) and
    // answers Yes or OK; a file is chosen only when the row has no buttons of its own.
    struct Person : ModalResponder {
        std::vector<std::string> first;
        std::string pdf;               // where a PDF printout goes
        std::vector<std::string> said; // what was told only: a refusal, an error
        int forms = 0;
        void RespondForm(TForm& f) override {
            for (const std::string& b : forms++ == 0 && !first.empty()
                                            ? first
                                            : std::vector<std::string>{"Button_save", "Button_ok"})
                Respond::Press(f, b);
            if (auto* m = FindControl<TMenuItem>(f, "mi_dateiBeenden")) m->Click();
        }
        int RespondMessage(const MessageQuestion& q) override {
            return q.Offers(IDYES) ? IDYES : (said.push_back(q.Text), IDOK);
        }
        bool RespondDialog(TCommonDialog& d) override {
            return first.empty() && (dynamic_cast<TSaveDialog&>(d).Choose(pdf), true);
        }
    };
    // The rows: a menu item, then the buttons pressed on its first window.
    const std::string rows =
        "mi_helpErrorMessages;mi_EditText;mi_editVerzahnungswerkzeug;mi_editabmessungen;"
        "mi_editqualitaet;mi_editmessen;mi_editberechnungsmethode;mi_cadconfig;mi_cadzahnprofil2;"
        "mi_docdrawinginfo;mi_docuModifyChanges;mi_DocumentSetup;mi_fileConfig;mi_fileprint;"
        "mi_fileprint Button_db Button_ok Button_cancel;mi_dbfVerzahnungswerkzeug;"
        "mi_HelpHilfebild Button_aendern";
    PrintQueues = [] { return std::vector<std::string>{}; };
    for (const int units : {0, 1})
        for (const int chars : {0, 1}) {
            UnitSystem = static_cast<std::uint16_t>(units), CharMode = chars;
            ErrorList[1] = "Warnung: Größe ß", ErrorCount = 1;
            const std::vector<std::string> stored = files();
            std::istringstream table(rows);
            for (std::string row; std::getline(table, row, ';');) {
                SCOPED_TRACE(row + " " + std::to_string(units) + std::to_string(chars));
                Person person;
                std::istringstream words(row);
                std::string item, button;
                for (words >> item; words >> button;)
                    person.first.push_back(button);
                person.pdf = (Dir / "sheet.pdf").string();
                {
                    ResponderScope scope(person);
                    auto* menu = FindControl<TMenuItem>(*Window, item);
                    menu ? void(menu->Click()) : Window->mi_cadzahnprofil2Click(nullptr);
                }
                EXPECT_GT(person.forms, 0);
                EXPECT_THAT(person.said, ElementsAre());
                const std::vector<std::string> now = files();
                const auto at = std::mismatch(stored.begin(), stored.end(), now.begin(), now.end());
                EXPECT_EQ(at.first == stored.end() ? "" : *at.first,
                          at.second == now.end() ? "" : *at.second);
            }
        }
    PrintQueues = nullptr;
}

TEST_F(DocsSettings, ALinkStartsItsProgramWithTheFileAsOneArgument) {
    // A link holds 50 characters: the script gets a short folder of its own.
    const fs::path shortDir = fs::temp_directory_path() / ("qd" + std::to_string(::getpid()));
    fs::create_directories(shortDir);
    const fs::path script = shortDir / "show args.sh";
    const fs::path out = shortDir / "args.txt";
    qortest::WriteFileBytes(script.string(), "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$#\" \"$@\" > '" +
                                                 out.string() + "'\n");
    ::chmod(script.c_str(), 0755);
    const std::string document = (shortDir / "a b.pdf").string();
    qortest::WriteFileBytes(document, "%PDF-1.4\n");
    DocumentLinks[2].DocProgram = script.string();
    DocumentLinks[2].DocFile = document;
    ScriptedResponder r;
    Choose("mi_Document2", r);
    for (int i = 0; i < 500 && qortest::ReadFileBytes(out.string()).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(qortest::ReadFileBytes(out.string()), script.string() + "\n1\n" + document + "\n");
    fs::remove_all(shortDir);

    // Program names in Windows layout stay stored; they start the configured editor or the desktop.
    struct Case {
        const char* Program;
        const char* File;
        const char* Editor;
        std::vector<std::string> Argv;
    };
    const Case cases[] = {
        {"NOTEPAD.EXE", "x y.txt", "C:\\WINDOWS\\WRITE.EXE", {"xdg-open", "x y.txt"}},
        {"c:\\windows\\notepad.exe",
         "n.txt",
         "gedit --new-window",
         {"gedit", "--new-window", "n.txt"}},
        {"C:\\Programme\\Acrobat\\acro.exe", "d.pdf", "", {"xdg-open", "d.pdf"}},
        {"", "d.pdf", "", {"xdg-open", "d.pdf"}},
        {"okular --page 3", "", "", {"okular", "--page", "3"}},
        {"NOTEPAD.EXE", "", "C:\\WINDOWS\\WRITE.EXE", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Program);
        DocumentLinks[4].DocProgram = c.Program;
        DocumentLinks[4].DocFile = c.File;
        WordProcessor = c.Editor;
        EXPECT_EQ(DocumentCommand(4), c.Argv);
        EXPECT_EQ(DocumentLinks[4].DocProgram, c.Program);
    }
    // No program to start: the message says so and which setting chooses one.
    const std::string desktop = DesktopOpenCommand;
    DesktopOpenCommand = (Dir / "no-xdg-open").string();
    WordProcessor = "C:\\WINDOWS\\WRITE.EXE";
    // Documents under names short enough for a link (50 characters).
    fs::create_directories(shortDir);
    const std::string pdf = (shortDir / "d.pdf").string(), txt = (shortDir / "n.txt").string();
    qortest::WriteFileBytes(pdf, "%PDF-1.4\n");
    qortest::WriteFileBytes(txt, "text\n");
    const std::string gone = (shortDir / "gone" / "d.pdf").string();
    const std::string missing[][4] = {
        {"missing-viewer", pdf, "no program to open the document was found: missing-viewer",
         "Program 5"},
        {"NOTEPAD.EXE", txt, "to open " + txt + " was found: the desktop's program for documents",
         "\"word processor\""},
        {"", "", "no file and no program to start. \"Document > Document Setup\"", "Program 5"},
        // The document is missing (and so is the program): the file is named first.
        {"missing-viewer", gone, "Document 5: the file " + gone + " does not exist", "(File 5)"},
    };
    for (const auto& c : missing) {
        DocumentLinks[5].DocProgram = c[0];
        DocumentLinks[5].DocFile = c[1];
        ScriptedResponder r;
        r.OnMessage(IDOK);
        Choose("mi_Document5", r);
        EXPECT_THAT(r.Seen().front(), HasSubstr(c[2]));
        EXPECT_THAT(r.Seen().front(), HasSubstr(c[3]));
    }
    fs::remove_all(shortDir);
    DesktopOpenCommand = desktop;
}

// The configuration dialog through File > Settings: pick a page, type, press a button.
struct Entry {
    const char* Page;
    const char* Control;
    const char* Text;
};
ScriptedResponder::FormStep Configure(std::vector<Entry> entries, const char* button) {
    return [entries, button](TForm& f) {
        auto* pages = FindControl<TPageControl>(f, "PageControl1");
        for (const Entry& e : entries) {
            for (int i = 0; i < pages->PageCount(); ++i)
                if (pages->Pages(i)->Name() == e.Page) pages->SelectPage(i);
            if (FindControl<TCheckBox>(f, e.Control) != nullptr)
                EXPECT_TRUE(Respond::Check(f, e.Control, *e.Text == '1')) << e.Control;
            else
                EXPECT_TRUE(Respond::Type(f, e.Control, e.Text)) << e.Control;
        }
        Respond::Press(f, button);
    };
}

TEST_F(DocsSettings, ConfigurationTakesEntriesThroughTheirRules) {
    struct Case {
        Entry In;
        std::function<bool()> Stored;
    };
    const Case cases[] = {
        {{"TabSheet_graphics", "Edit_zoomfaktor", "0"}, [] { return ZoomIncrement == 1.0L; }},
        {{"TabSheet_graphics", "Edit_zoomfaktor", "1,05"}, [] { return ZoomIncrement == 1.05L; }},
        {{"TabSheet_printout", "Edit_top", "500"}, [] { return TextWindowRect.Top == 40; }},
        {{"TabSheet_printout", "Edit_width", "30"}, [] { return TextWindowRect.Width == 700; }},
        {{"TabSheet_printout", "Edit_left", "-3"}, [] { return TextWindowRect.Left == 10; }},
        {{"TabSheet_drawing", "Edit_massfaktorconfig", "0.005"},
         [] { return ConfiguredScaleFactor == 1.0L; }},
        {{"TabSheet_drawing", "Edit_massfaktorconfig", "2.5"},
         [] { return ConfiguredScaleFactor == 2.5L; }},
        {{"TabSheet_graphics", "Edit_x", "801"}, [] { return ScreenWidth == 800; }},
        {{"TabSheet_graphics", "Edit_3dx", "30"},
         [] { return fabsl(View3DAngles[1] - 0.5235987755982988731L) < 1e-18L; }},
        // Checked draws the item: the stored switch says "leave out".
        {{"TabSheet_drawing", "CheckBox_zeichlogo", "0"}, [] { return NoLogo; }},
        {{"TabSheet_drawing", "CheckBox_zeichfusszeile", "1"}, [] { return !NoDrawingFooter; }},
        {{"TabSheet_cad", "Edit_cadtextwinkel", "12.5"}, [] { return CadFontAngle == 12.5L; }},
        {{"TabSheet_printer", "Edit_lptqueue", " office-lp "},
         [] { return TextPrinterQueue == "office-lp"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.In.Control + std::string(" ") + c.In.Text);
        InitAllSettings();
        ConfigDir = AddBackslash(Dir.string());
        NoDrawingFooter = true;
        const long double pan = PanFactor;
        ScriptedResponder r;
        r.OnForm(Configure({c.In}, "Button_ok"));
        Choose("mi_fileConfig", r);
        EXPECT_TRUE(c.Stored());
        EXPECT_EQ(PanFactor, pan); // untouched edits leave their settings exactly
        EXPECT_EQ(DataModified, 0);
    }

    // No number: named, the dialog stays open, nothing is taken over.
    InitAllSettings();
    const long double zoom = ZoomIncrement;
    ScriptedResponder bad;
    bad.OnForm(Configure({{"TabSheet_graphics", "Edit_zoomfaktor", "1.5x"},
                          {"TabSheet_drawing", "Edit_massfaktorconfig", "3"}},
                         "Button_ok"))
        .OnMessage(IDOK)
        .OnForm([](TForm& f) { Respond::Press(f, "Button_cancel"); });
    Choose("mi_fileConfig", bad);
    EXPECT_THAT(bad.Seen()[1], HasSubstr("Invalid Input \"1.5x\""));
    EXPECT_EQ(ZoomIncrement, zoom);
    EXPECT_EQ(ConfiguredScaleFactor, 1.0L);
}

// Buttons whose effect shows only in the settings after OK or Cancel.
TEST_F(DocsSettings, ConfigurationKeepsTriedValuesOnlyOnOk) {
    struct Case {
        const char* What;
        std::function<void(TForm&)> Work; // before the last button
        const char* Button;
        std::vector<int> Messages; // answers to the boxes Work raises
        std::function<bool()> Stored;
    };
    auto page = [](TForm& f, const char* name) {
        auto* pages = FindControl<TPageControl>(f, "PageControl1");
        for (int i = 0; i < pages->PageCount(); ++i)
            if (pages->Pages(i)->Name() == name) pages->SelectPage(i);
    };
    const int width = Window->ClientWidth();
    const Case cases[] = {
        {"a window size tried, an export whose file was not chosen, then Cancel",
         [&](TForm& f) {
             page(f, "TabSheet_graphics");
             Respond::Type(f, "Edit_x", "333");
             Respond::Focus(f, "Edit_y"); // leaving the edit shows the size at once
             EXPECT_EQ(Window->ClientWidth(), 333);
             Respond::Type(f, "Edit_zoomfaktor", "2");
             Respond::Press(f, "Button_export");
         },
         "Button_cancel",
         {},
         [&] { return Window->ClientWidth() == width && ZoomIncrement != 2.0L; }},
        {"reset colours keeps the other entries",
         [&](TForm& f) {
             page(f, "TabSheet_graphics");
             Respond::Type(f, "Edit_zoomfaktor", "2");
             page(f, "TabSheet_colour");
             Respond::Press(f, "Button_resetcolor");
         },
         "Button_ok",
         {},
         [] { return ZoomIncrement == 2.0L && Palette[12] == RGBColour(255, 0, 0); }},
        {"a colour cell that is no number",
         [&](TForm& f) {
             page(f, "TabSheet_colour");
             FindControl<TStringGrid>(f, "StringGrid_color")->TypeCell(1, 3, "rot");
             Respond::Press(f, "Button_ok");
         },
         "Button_cancel",
         {IDOK},
         [] { return ColourTable[18] == 3; }},
        {"a third command line edited as text is kept",
         [&](TForm& f) {
             page(f, "TabSheet_external");
             Respond::Pick(f, "ListBox_kvilpen", 2);
             Respond::Press(f, "Button_editkvilpencommandline");
         },
         "Button_ok",
         {},
         [] { return PlotLineCount == 3 && PlotLines[3] == "plot3 /M*"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        InitAllSettings();
        Palette[12] = RGBColour(1, 2, 3);
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            c.Work(f);
            if (c.Messages.empty()) Respond::Press(f, c.Button);
        });
        for (int answer : c.Messages)
            r.OnMessage(answer);
        if (std::string(c.What).find("export") != std::string::npos)
            r.OnDialog([](TCommonDialog&) { return false; });
        if (!c.Messages.empty()) r.OnForm([&](TForm& f) { Respond::Press(f, c.Button); });
        if (std::string(c.What).find("command line") != std::string::npos)
            r.OnForm([](TForm& f) {
                Respond::Type(f, "EditEinText", "plot3 /M*");
                Respond::Press(f, "Button_ok");
            });
        Choose("mi_fileConfig", r);
        EXPECT_TRUE(c.Stored());
    }
}

TEST_F(DocsSettings, ExportThenImportGivesTheSameFileAndAnUnwritableExportCanBeCancelled) {
    const std::string a = (Dir / "a.cfg").string(), b = (Dir / "b.cfg").string();
    auto choose = [](std::string path) {
        return [path](TCommonDialog& d) {
            static_cast<TOpenDialog&>(d).Choose(path);
            return true;
        };
    };
    ScriptedResponder out;
    out.OnForm(Configure({{"TabSheet_graphics", "Edit_panfaktor", "0.04"}}, "Button_export"))
        .OnDialog(choose(a))
        .OnForm([](TForm& f) { Respond::Press(f, "Button_cancel"); });
    Choose("mi_fileConfig", out);
    ASSERT_TRUE(fs::exists(a));
    EXPECT_EQ(PanFactor, 0.04L); // export takes the entries over

    PanFactor = 0.5L;
    ZoomIncrement = 3;
    ScriptedResponder in;
    in.OnForm([](TForm& f) { Respond::Press(f, "Button_import"); })
        .OnDialog(choose(a))
        .OnForm([](TForm& f) {
            EXPECT_EQ(FindControl<TEdit>(f, "Edit_panfaktor")->Text(), "0.04");
            Respond::Press(f, "Button_export");
        })
        .OnDialog(choose(b))
        .OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); });
    Choose("mi_fileConfig", in);
    EXPECT_EQ(qortest::ReadFileBytes(a), qortest::ReadFileBytes(b));
    EXPECT_EQ(PanFactor, 0.04L);

    // A place that cannot be written: said at once, and the dialog stays.
    const std::string nowhere = (Dir / "missing" / "c.cfg").string();
    ScriptedResponder fail;
    fail.OnForm([](TForm& f) { Respond::Press(f, "Button_export"); })
        .OnDialog(choose(nowhere))
        .OnMessage(IDOK)
        .OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); });
    Choose("mi_fileConfig", fail);
    EXPECT_THAT(fail.Seen()[2], HasSubstr("the folder " + (Dir / "missing").string()));
    EXPECT_FALSE(fs::exists(nowhere));
    EXPECT_EQ(AbortFlag, 0); // OK after the failed export
}

TEST_F(DocsSettings, DrawingSettingsStoreOnlyOnOkAndSetThePolylineSwitch) {
    GearData.xee[2] = 0.123456789L;
    GearData.xEmax[2] = 0.25L;
    GearData.xEmin[2] = -0.125L;
    GearData.InvolutePolyline = 0;
    CadUsePolylines = false;
    // The shifts read back exactly; a changed box is stored with the polyline switch.
    ScriptedResponder ok;
    ok.OnForm([](TForm& f) {
        Respond::Check(f, "CheckBox_polyline", true);
        Respond::Check(f, "CheckBox_fussausrundung_zeichnen", false);
        EXPECT_FALSE(FindControl<TSpinEdit>(f, "edit_aufloesung_fussausrundung")->Enabled());
        Respond::Press(f, "Button_ok");
    });
    const TGearData before = GearData;
    Choose("mi_cadconfig", ok);
    EXPECT_EQ(GearData.xee[2], before.xee[2]);
    EXPECT_EQ(GearData.InvolutePolyline, 1);
    EXPECT_TRUE(CadUsePolylines);
    EXPECT_EQ(DataModified, 1);

    // "Min.torsional backlash finished" shows xEmax and locks the edit; "<" then Cancel keeps
    // the data.
    DataModified = 0;
    const TGearData shown = GearData;
    ScriptedResponder cancel;
    cancel.OnForm([](TForm& f) {
        Respond::PickText(f, "ComboBox_xee", "Min.torsional backlash finished");
        EXPECT_EQ(FindControl<TEdit>(f, "Edit_xee2")->Text(), "0.25");
        EXPECT_FALSE(FindControl<TEdit>(f, "Edit_xee2")->Enabled());
        Respond::Press(f, "Button_reset");
        Respond::Press(f, "Button_cancel");
    });
    Choose("mi_cadconfig", cancel);
    EXPECT_TRUE(GearData == shown);
    EXPECT_EQ(DataModified, 0);

    // The one-gear form stores one shift for both; Cancel gives the diameters back.
    for (const bool confirm : {false, true}) {
        GearData.DrawDiameters = 2;
        ScriptedResponder gear;
        gear.OnForm([confirm](TForm& f) {
            EXPECT_EQ(f.Caption(), "QOR1W CAD hub");
            EXPECT_FALSE(FindControl<TCheckBox>(f, "CheckBox_durchmesser_anzeigen")->Checked());
            Respond::Press(f, "Button_xemin");
            Respond::Press(f, confirm ? "Button_ok" : "Button_cancel");
        });
        if (confirm) gear.OnForm(BatchResponder::CancelForm); // the gear drawing's CAD code
        {
            ResponderScope scope(gear);
            Window->mi_cadzahnprofil2Click(nullptr);
        }
        EXPECT_EQ(gear.Unexpected(), 0);
        EXPECT_EQ(GearData.DrawDiameters, confirm ? 1 : 2);
        EXPECT_EQ(GearData.xeh[2], confirm ? -0.125L : shown.xeh[2]);
        EXPECT_EQ(GearData.xee[2], confirm ? -0.125L : shown.xee[2]);
    }
}

// Every control lies inside its parent; with QOR_SHOT_DIR set, every dialog and every page of
// the configuration is saved as a picture, in English and with Korean texts and menus.
TEST_F(DocsSettings, DialogsFitTheirControlsInEveryLanguage) {
    const char* shots = std::getenv("QOR_SHOT_DIR");
    std::vector<std::string> seen;
    std::string suffix;
    auto check = [&](TForm& f, const std::string& name) {
        std::function<void(TWinControl*)> walk = [&](TWinControl* parent) {
            for (int i = 0; i < parent->ControlCount(); ++i) {
                TControl* c = parent->Controls(i);
                if (!c->Visible()) continue;
                if (auto* pc = dynamic_cast<TPageControl*>(c)) walk(pc->ActivePage());
                if (dynamic_cast<TTabSheet*>(c) != nullptr) continue;
                EXPECT_LE(c->Left() + c->Width(), parent->ClientWidth()) << name << c->Name();
                EXPECT_LE(c->Top() + c->Height(), parent->ClientHeight()) << name << c->Name();
                if (auto* w = dynamic_cast<TWinControl*>(c)) walk(w);
            }
        };
        walk(&f);
        seen.push_back(name);
        if (shots != nullptr)
            f.Widget()->grab().save(
                QString::fromStdString(std::string(shots) + "/" + name + suffix + ".png"));
    };
    auto shoot = [&](const char* name) {
        return [&check, name](TForm& f) {
            check(f, name);
            Respond::Press(f, "Button_cancel");
        };
    };
    for (const bool korean : {false, true}) {
        suffix = korean ? "_ko" : "_en";
        seen.clear();
        ChangeTable[1].ChangeText = "tooth tip";
        ChangeTable[1].ChangeDescription = "chamfer 0.2 x 45\nsecond line";
        ChangeCount = 1;
        if (korean) {
            Window->SetLanguage(8);
            ChangeTable[1].ChangeText = "톱니 수정";
            ChangeTable[1].ChangeDescription = "치형 수정\n두 번째 줄";
            ChangeCount = 1;
            DrawingTexts[1].Text = "경도 58 HRC";
            DrawingTextCount = 1;
            DocumentLinks[1].DocFile = "도면 7.pdf";
            FourthRowLabel = "승인";
        }
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            auto* pages = FindControl<TPageControl>(f, "PageControl1");
            for (int i = 0; i < pages->PageCount(); ++i) {
                pages->SelectPage(i);
                check(f, "config_" + pages->Pages(i)->Name());
            }
            Respond::Press(f, "Button_cancel");
        });
        Choose("mi_fileConfig", r);
        for (const auto& [item, name] :
             std::vector<std::pair<const char*, const char*>>{{"mi_cadconfig", "qor1conf"},
                                                              {"mi_docdrawinginfo", "zeichinfo"},
                                                              {"mi_docuModifyChanges", "einaend"},
                                                              {"mi_DocumentSetup", "confdoku"}}) {
            ScriptedResponder one;
            one.OnForm(shoot(name));
            Choose(item, one);
        }
        ScriptedResponder gear;
        gear.OnForm(shoot("vq2config"));
        {
            ResponderScope scope(gear);
            Window->mi_cadzahnprofil2Click(nullptr);
        }
        int colour = 3;
        ScriptedResponder pick;
        pick.OnForm(shoot("selectcolor"));
        {
            ResponderScope scope(pick);
            EXPECT_FALSE(SelectDrawingColour(colour));
        }
        EXPECT_EQ(seen.size(), 9u + 6u);
    }
}

} // namespace
