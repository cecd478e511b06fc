// The tool-profile lookup in "q1toolx.dbf": a tool picked in the browse window becomes the gear's
// profile with ToolRecordNo, as python3-dbfread reads the record; a module other than mn is taken
// over and reported; Cancel, browsing and a missing table change nothing. QOR_SHOTS=<folder> writes
// pictures of the window there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <QTableView>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "calc/geardata.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/responder.h"
#include "dbf/browse/browse_window.h"
#include "dbf/browse/tz_controls.h"
#include "shell/menu_captions.h"
#include "shell/startup.h"
#include "shell/tool_table.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class ToolTableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_tools_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &DataDir})
            *d = AddBackslash(Dir.string());
        fs::create_directories(Dir / "dbf");
        DbfDir = AddBackslash((Dir / "dbf").string());
    }

    void TearDown() override {
        DoneProgram();
        ::unsetenv("QOR1W_DATA_DIR");
        fs::remove_all(Dir);
    }

    // python3-dbfread's view of record n of table: its values joined with '|'.
    static std::vector<std::string> Record(const std::string& table, int n) {
        const std::string out = qortest::RunCommand(
            "/usr/bin/python3 -c \"import sys, dbfread\n"
            "r = list(dbfread.DBF(sys.argv[1], encoding='cp437'))[int(sys.argv[2]) - 1]\n"
            "print('|'.join(str(v) for v in r.values()))\" '" +
            table + "' " + std::to_string(n) + " 2>&1");
        std::vector<std::string> values;
        std::size_t at = 0;
        for (std::size_t bar; (bar = out.find('|', at)) != std::string::npos; at = bar + 1)
            values.push_back(out.substr(at, bar - at));
        values.push_back(out.substr(at, out.find('\n', at) - at));
        return values;
    }

    // SelectToolProfile(2, mode) with the steps on the list; the messages it showed.
    static std::vector<std::string> Select(int mode, const std::function<void(dbf::Tdbf4&)>& on,
                                           int messages = 0) {
        ScriptedResponder r;
        if (on)
            r.OnForm([&](TForm& f) {
                auto& t = dynamic_cast<dbf::Tdbf4&>(f);
                if (const char* shots = std::getenv("QOR_SHOTS"))
                    t.Widget()->grab().save(QString::fromStdString(
                        std::string(shots) + "/toollist_" + std::to_string(::Language) + ".png"));
                on(t);
            });
        for (int k = 0; k < messages; ++k)
            r.OnMessage(IDOK);
        {
            ResponderScope scope(r);
            SelectToolProfile(2, mode);
        }
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        EXPECT_EQ(r.Pending(), 0);
        std::vector<std::string> seen;
        for (const std::string& s : r.Seen())
            if (s.rfind("message: ", 0) == 0) seen.push_back(s);
        return seen;
    }

    fs::path Dir;
};

} // namespace

TEST_F(ToolTableTest, APickedToolBecomesTheProfileOfTheGear) {
    const std::string shipped = QOR_SOURCE_DIR "/data/q1toolx.dbf";
    struct Case {
        int Record;         // the tool picked
        bool Korean;        // the window in Korean
        long double Mn;     // the pair's module
        bool ModuleMessage; // "Q1TOOLX-MODUL <> mn !"
    } cases[] = {
        {3, false, 6.5L, false}, // a profile for any module
        {7, false, 6.5L, true},  // a tool for module 4
        {7, true, 4.0L, false},
    };
    const TGearData start = GearData;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Record);
        GearData = start;
        GearData.mn = c.Mn;
        GearData.alpha = 25;
        GearData.BasicRackType[2] = 4;
        GearData.ToolRecordNo[2] = 2;
        // The window in Korean: its menu changes, the table stays.
        ::Language = c.Korean ? 8 : 2;
        SetMainMenuCaptions(::Language);
        SetMenuVocabulary(::Language);
        const std::vector<std::string> want = Record(shipped, c.Record);
        ASSERT_EQ(want.size(), 15u) << ::testing::PrintToString(want);
        const std::vector<std::string> seen = Select(
            1,
            [&](dbf::Tdbf4& t) {
                // The window starts on the tool chosen last, under the gear's title.
                EXPECT_EQ(t.CurrentRecNo(), 2);
                EXPECT_EQ(t.Label_title1->Caption(), "Profile of gear-cutting tool gear 2");
                t.GoRecord(c.Record);
                t.Accept();
            },
            c.ModuleMessage ? 1 : 0);
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(GearData.ToolRecordNo[2], c.Record);
        const long double* got[] = {
            &GearData.hfP0mn[2], &GearData.haP0mn[2],   &GearData.rhoaP0mn[2],
            &GearData.alkP0[2],  &GearData.hFfP0mn[2],  &GearData.alprP0[2],
            &GearData.prP0mn[2], &GearData.rhofP0mn[2], &GearData.alpha};
        for (int f = 0; f < 9; ++f)
            EXPECT_NEAR(static_cast<double>(*got[f]), std::stod(want[static_cast<std::size_t>(f)]),
                        1e-12)
                << "field " << f + 1;
        EXPECT_EQ(GearData.BasicRackName[2], want[14]);
        EXPECT_EQ(GearData.BasicRackType[2], 0);
        EXPECT_EQ(GearData.haP0mn[1], start.haP0mn[1]); // gear 1 untouched
        EXPECT_EQ(GearData.ToolRecordNo[1], start.ToolRecordNo[1]);
        if (c.ModuleMessage) {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_THAT(seen[0], HasSubstr("Q1TOOLX-MODUL <> mn !"));
        } else {
            EXPECT_TRUE(seen.empty()) << ::testing::PrintToString(seen);
        }
    }
    ::Language = 2;
    SetMainMenuCaptions(2);
    SetMenuVocabulary(2);
    // The first use put the shipped table into the DBF directory; it was only read.
    EXPECT_EQ(qortest::ReadFileBytes((Dir / "dbf" / "q1toolx.dbf").string()),
              qortest::ReadFileBytes(shipped));
}

TEST_F(ToolTableTest, CancelBrowsingAndAMissingTableChangeNothing) {
    // A table of the user's own, written by python3-dbf: a module of 1.1 and a comma decimal
    // sign in a text field.
    const std::string own = (Dir / "dbf" / "q1toolx.dbf").string();
    qortest::RunCommand(
        "/usr/bin/python3 -c \"import sys, dbf\n"
        "t = dbf.Table(sys.argv[1], 'HFP0MN C(7); HAP0MN N(7,3); RHOAP0MN N(7,3); ALKP0 N(7,3); "
        "HFFP0MN N(7,3); ALPRP0 N(7,3); PRP0MN N(7,4); RHOFP0MN N(7,3); ALPHA N(7,3); "
        "MODUL N(8,3); TOOL C(15); TOOLNO C(8); STANDARD C(8); APPLIC C(8); RACK C(10)', "
        "codepage='cp437')\n"
        "t.open(dbf.READ_WRITE)\n"
        "t.append(('1,15', 1.3, 0.2, 20, 1.15, 0, 0, 0, 0, 1.1, 'Fr\\u00e4ser', '', '', '', "
        "'Gro\\u00df'))\n"
        "t.close()\" '" +
        own + "' 2>&1");
    ASSERT_TRUE(fs::exists(own));
    GearData.mn = 1.1L;
    GearData.alpha = 20;
    const TGearData start = GearData;
    const auto same = [&start] {
        return GearData.hfP0mn[2] == start.hfP0mn[2] && GearData.alpha == start.alpha &&
               GearData.BasicRackName[2] == start.BasicRackName[2] &&
               GearData.ToolRecordNo[2] == start.ToolRecordNo[2];
    };
    // Cancel, and a click in browse mode: nothing taken over, AbortFlag set.
    for (int mode : {1, 0}) {
        SCOPED_TRACE(mode);
        Select(mode, [&](dbf::Tdbf4& t) {
            EXPECT_EQ(t.Mode(), mode);
            if (mode == 0) {
                EXPECT_EQ(t.Label_title1->Caption(), "Profile of gear-cutting tool");
                t.Accept();
            } else {
                t.CancelClick();
            }
        });
        EXPECT_EQ(AbortFlag, 1);
        EXPECT_TRUE(same());
    }
    // The pick: a blank pressure angle leaves alpha, the comma is a decimal sign, the module is
    // mn's.
    Select(1, [](dbf::Tdbf4& t) { t.Accept(); });
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(GearData.hfP0mn[2], 1.15L);
    EXPECT_EQ(GearData.alpha, 20);
    EXPECT_EQ(GearData.BasicRackName[2], "Gro\u00df");
    EXPECT_EQ(GearData.ToolRecordNo[2], 1);

    // No table and no directory to put the shipped one into.
    GearData = start;
    DbfDir = AddBackslash((Dir / "none").string());
    const std::vector<std::string> seen = Select(1, nullptr, 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_THAT(seen[0], HasSubstr("q1toolx.dbf not found or no access !"));
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(same());
}

// Database > Cutting Tool as a person works it: the tool's names come first and the name stays in
// view while the numbers scroll; a cell opens for editing by Enter, typing or the navigator's
// Edit button, and what was typed is in the file (dbfread); a search leaves the
// found tool's name in view; a right click on a title sorts by that column's own field.
TEST_F(ToolTableTest, EditInPlaceWithTheNamesInView) {
    const std::string table = (Dir / "dbf" / "q1toolx.dbf").string();
    struct Way {
        const char *how, *field, *typed;     // record n + 1 for way n
    } ways[] = {{"first key", "TOOL", "Kx"}, // as the window opens, on the fixed name column
                {"Enter", "HAP0MN", "1.111"},
                {"typing", "TOOLNO", "G4"},
                {"navigator", "APPLIC", "rough"}};
    const auto key = [](QWidget* w, int k, const char* text = "") {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(w, &e);
        Application->ProcessMessages();
    };
    // Shipped read-only, as a store of packages mounts its data: the user's copy is theirs to
    // change, with no working copy and no warning (edits are read back by dbfread below).
    fs::create_directories(Dir / "share");
    fs::copy_file(QOR_SOURCE_DIR "/data/q1toolx.dbf", Dir / "share" / "q1toolx.dbf");
    fs::permissions(Dir / "share" / "q1toolx.dbf", fs::perms::owner_read | fs::perms::others_read);
    ::setenv("QOR1W_DATA_DIR", (Dir / "share").c_str(), 1);
    // A pick in the read view first, as the tool dialog's Database button may come before: the
    // edit view still opens a cell by the first key.
    Select(1, [](dbf::Tdbf4& t) { t.Accept(); });
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         auto& t = dynamic_cast<dbf::Tdbf4&>(f);
         auto* view = qobject_cast<QTableView*>(t.TzGrid1->Widget());
         std::vector<std::string> order;
         for (int c = 0; c < t.TzGrid1->ColumnCount(); ++c)
             order.push_back(t.TzGrid1->Columns(c).FieldName);
         EXPECT_THAT(order, ::testing::ElementsAreArray({"TOOL", "TOOLNO", "STANDARD", "APPLIC",
                                                         "RACK", "HFP0MN", "HAP0MN", "RHOAP0MN",
                                                         "ALKP0", "HFFP0MN", "ALPRP0", "PRP0MN",
                                                         "RHOFP0MN", "ALPHA", "MODUL"}));
         EXPECT_EQ(t.TzGrid1->FixedColumns(), 1);
         const auto column = [&](const char* name) {
             return static_cast<int>(std::find(order.begin(), order.end(), name) - order.begin());
         };
         for (int n = 0; n < 4; ++n) {
             const Way& w = ways[n];
             const std::string how = w.how;
             if (how == "first key") {
                 ASSERT_EQ(view->window()->focusWidget(), view) << "the keys go elsewhere";
                 key(view, Qt::Key_K, "K");
             } else {
                 view->setFocus();
                 view->setCurrentIndex(view->model()->index(n, column(w.field)));
             }
             if (how == "Enter") key(view, Qt::Key_Return);
             if (how == "typing") key(view, Qt::Key_0, "0");
             if (how == "navigator") t.TzNavigator1->BtnClick(nbEdit);
             Application->ProcessMessages();
             auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
             ASSERT_NE(editor, nullptr) << how << ": no editor opened";
             // The editor lies on top, where the cell is shown.
             QWidget* top = view->childAt(view->mapFromGlobal(editor->mapToGlobal(QPoint(4, 4))));
             EXPECT_TRUE(top == editor || editor->isAncestorOf(top)) << how;
             editor->setText(w.typed);
             key(editor, Qt::Key_Return);
         }
         key(view, Qt::Key_Down); // leaving the row writes it
         // A search from a cell far right: the found tool is current, its name in view.
         view->setCurrentIndex(view->model()->index(0, 14));
         t.Search(false);
         EXPECT_EQ(t.CurrentRecNo(), 3);
         EXPECT_EQ(t.Label_recno->Caption(), "3/" + std::to_string(t.RecordCount()));
         EXPECT_GT(view->horizontalScrollBar()->value(), 0) << "the numbers scrolled";
         auto* names = view->findChild<QTableView*>();
         ASSERT_NE(names, nullptr);
         EXPECT_TRUE(names->isVisible());
         EXPECT_TRUE(
             names->viewport()->rect().contains(names->visualRect(names->model()->index(2, 0))));
         // Sorted by the TOOL column: its own field, not the table's first.
         t.TzGrid1->TitleMouseUp(column("TOOL"), mbRight);
         EXPECT_EQ(t.TzGrid1->CellText(5, column("TOOL")), "Prot. hob m 4");
         t.Accept();
     }).OnForm([](TForm& f) { // the search question
        Respond::Type(f, "EditEinText", "iso 53 b");
        Respond::Press(f, "Button_ok");
    });
    {
        ResponderScope scope(r);
        SelectToolProfile(2, 0);
    }
    EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
    for (int n = 0; n < 4; ++n) {
        const std::vector<std::string> got = Record(table, n + 1);
        EXPECT_NE(std::find(got.begin(), got.end(), ways[n].typed), got.end()) << ways[n].how;
    }
}

// The tool table open in two windows (two programs). A types into TOOLNO of record 7 and
// leaves the edit one way; B has meanwhile saved TOOLNO and APPLIC, or deleted the record. A is
// asked about its own change only (never APPLIC): Yes keeps A's (B's APPLIC stays; a deleted
// record: A's as a new record), No takes the stored record, Cancel goes back to the edit in the
// window it was left from. The table is read by python3-dbfread.
TEST_F(ToolTableTest, EveryWayOutOfAnEditAsksAboutAnotherWindowsSave) {
    const std::string table = (Dir / "dbf" / "q1toolx.dbf").string();
    fs::copy_file(QOR_SOURCE_DIR "/data/q1toolx.dbf", table);
    struct Case {
        std::string way;
        int answer;
        bool deleted; // B deletes the record instead of saving it
    } cases[] = {{"OK", IDYES, false},
                 {"Cancel", IDNO, false},
                 {"close box", IDCANCEL, false},
                 {"Exit", IDYES, false},
                 {"another record", IDCANCEL, false},
                 {"another record's cell", IDCANCEL, false},
                 {"Pack", IDNO, false},
                 {"close box", IDYES, false},
                 {"Cancel", IDCANCEL, false},
                 {"close table", IDYES, false},
                 {"OK", IDCANCEL, false},
                 {"OK", IDYES, true},
                 {"Cancel", IDNO, true},
                 {"close box", IDCANCEL, true}};
    int appended = 0, n = 0;
    for (const Case& c : cases) {
        const std::string byB = "by B " + std::to_string(n++ % 10); // B changes it every time
        SCOPED_TRACE(c.way + " " + std::to_string(c.answer) + (c.deleted ? " deleted" : ""));
        dbf::Tdbf4* w[] = {NewForm<dbf::Tdbf4>(nullptr), NewForm<dbf::Tdbf4>(nullptr)};
        w[1]->tzdbf->SetName("tzdbf2"); // as another program's, its area has a name of its own
        for (dbf::Tdbf4* t : w)
            t->OpenTable(table), t->GoRecord(7);
        dbf::Tdbf4& a = *w[0];
        dbf::TTzDbf& b = *w[1]->tzdbf;
        if (b.IsDeleted()) b.SetIsDeleted(false);
        const bool back = c.answer == IDCANCEL;
        ScriptedResponder r;
        r.OnForm([&](TForm& f) {
            a.TzGrid1->SetSelectedIndex(11); // TOOLNO
            ASSERT_TRUE(a.TzGrid1->TypeCell("X13"));
            if (c.deleted) b.SetIsDeleted(true);
            if (!c.deleted) {
                b.Edit();
                b.FieldByName("TOOLNO")->SetAsString("Y13");
                b.FieldByName("APPLIC")->SetAsString(byB);
                b.Post();
            }
            if (c.way == "OK") a.Button_ok->SetFocus(), Respond::Press(f, "Button_ok");
            if (c.way == "Cancel") Respond::Press(f, "Button_cancel");
            if (c.way == "close box") f.Widget()->window()->close();
            if (c.way == "Exit") a.mi_fileExit->Click();
            if (c.way == "Pack") a.mi_editPack->Click();
            if (c.way == "another record") a.TzGrid1->ClickCell(2, 0);
            if (c.way == "another record's cell") a.TzGrid1->ClickCell(2, 10); // record 3's TOOL
            if (c.way == "close table") a.CloseTable(), Respond::Press(f, "Button_cancel");
            if (!back && (c.way == "Pack" || c.way == "another record"))
                Respond::Press(f, "Button_ok");
        });
        r.OnMessage(c.answer);
        if (c.way == "Pack") r.OnMessage(IDOK); // B has the table open: nothing packed, and why
        if (back) // the window is still there, with the edit on its record
            r.OnForm([&](TForm& f) {
                EXPECT_EQ(a.tzdbf->FieldByName("TOOLNO")->AsString() +
                              std::to_string(a.tzdbf->RecNo()),
                          "X137");
                EXPECT_EQ(a.tzdbf->State(), dsEdit);
                // The cursor is on the edited cell again, with the keyboard: typing lands
                // there, and nowhere else.
                EXPECT_TRUE(a.TzGrid1->Focused());
                EXPECT_TRUE(a.TzGrid1->TypeCell("Z9"));
                EXPECT_EQ(a.tzdbf->FieldByName("TOOLNO")->AsString() + "|" +
                              a.tzdbf->FieldByName("TOOL")->AsString(),
                          "Z9|Prot. hob m 4");
                a.tzdbf->Cancel();
                Respond::Press(f, "Button_cancel");
            });
        {
            ResponderScope scope(r);
            a.SetupMode("", 0);
        }
        EXPECT_EQ(r.Unexpected() + r.Pending(), 0) << ::testing::PrintToString(r.Seen());
        std::string question;
        for (const std::string& q : r.Seen())
            if (q.rfind("message: QOR1W: Record 7 of ", 0) == 0) question = q;
        EXPECT_THAT(question, HasSubstr(c.deleted ? "deleted by another program or window after "
                                                    "you began to change it. Your changes:\n  "
                                                    "TOOLNO: yours \"X13\"\n\nYes: save the record"
                                                  : "Your changes:\n  TOOLNO: yours \"X13\", now "
                                                    "\"Y13\"\n\nYes: save your changes"));
        EXPECT_THAT(question, Not(HasSubstr("APPLIC")));
        if (c.way == "Pack") EXPECT_THAT(r.Seen().back(), HasSubstr("Close the table there"));
        EXPECT_EQ(question.find("Cancel: go back") != std::string::npos, c.way != "close table");
        for (dbf::Tdbf4* t : w)
            t->CloseTable(), t->Free();
        // dbfread lists only the records that are not deleted: one deleted meanwhile stays so,
        // A's record kept is a new one.
        appended += c.deleted && c.answer == IDYES;
        const int x13 = std::stoi(qortest::RunCommand(
            "/usr/bin/python3 -c \"import sys, dbfread; print(sum(1 for r in "
            "dbfread.DBF(sys.argv[1], encoding='cp437') if r['TOOLNO'] == 'X13'))\" '" +
            table + "'"));
        const std::vector<std::string> seventh = Record(table, 7);
        EXPECT_EQ(c.deleted ? std::to_string(x13) : seventh.at(11) + seventh.at(13),
                  c.deleted ? std::to_string(appended) : (c.answer == IDYES ? "X13" : "Y13") + byB);
    }
}
