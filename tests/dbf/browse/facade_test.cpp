// The table facade: opening by name with the write check and working copies, going to records,
// reading and writing fields (checked by dbfread), and the browse window's pick and edit modes.
#include "tests/dbf/browse/browse_testutil.h"

#include <sys/stat.h>

#include "platform/gui/menus.h"

namespace {

using namespace browsetest;

class FacadeTest : public BrowseTest {};

TEST_F(FacadeTest, OpenCompletesNamesAndUsesWorkingCopiesOfReadOnlyTables) {
    struct Case {
        const char* what;
        const char* name;
        mode_t dirMode, fileMode;
        bool opens, copy;
        bool inTemp = false; // the table's own folder is the temp folder
    } cases[] = {
        {"plain name", "parts", 0755, 0644, true, false},
        {"name with extension", "PARTS.DBF", 0755, 0644, true, false},
        {"missing table", "nothing", 0755, 0644, false, false},
        {"read-only table", "parts", 0755, 0444, true, true},
        {"read-only directory", "parts.dbf", 0555, 0644, true, true},
        {"writable table in the temp folder", "parts", 0755, 0644, true, false, true},
    };
    const std::string tempDir = TempDir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir = c.inTemp ? DbfDir : tempDir;
        if (!c.inTemp) fs::remove_all(TempDir);
        fs::create_directories(TempDir);
        ::chmod(table.c_str(), c.fileMode);
        ::chmod(DbfDir.c_str(), c.dirMode);
        AbortFlag = 0;
        ScriptedResponder boxes;
        boxes.OnMessage(IDOK);
        {
            ResponderScope scope(boxes);
            dbf::DbfOpen(c.name);
        }
        ::chmod(DbfDir.c_str(), 0755);
        ::chmod(table.c_str(), 0644);
        EXPECT_EQ(AbortFlag, c.opens ? 0 : 1);
        dbf::Tdbf4& w = dbf::DbfWindow();
        EXPECT_EQ(w.tzdbf->Active(), c.opens);
        if (!c.opens) {
            ASSERT_EQ(boxes.Seen().size(), 1u);
            EXPECT_NE(boxes.Seen()[0].find("not found or no access"), std::string::npos);
            continue;
        }
        const fs::path open = w.tzdbf->DbfFileName();
        EXPECT_TRUE(boxes.Seen().empty());
        // A copy lies in a folder of its own in the temp folder.
        const fs::path in = c.copy ? open.parent_path().parent_path() : open.parent_path();
        EXPECT_EQ(fs::equivalent(in, TempDir), c.copy || c.inTemp) << open;
        EXPECT_EQ(dbf::DbfRecCount(), 8);
        // The memo file came along: the first record's memo reads.
        dbf::DbfGoto(1);
        EXPECT_EQ(w.tzdbf->FieldByName("NOTE")->AsString(), "first memo");
        EXPECT_FALSE(fs::exists(fs::path(DbfDir) / "TEST.$$$"));
        if (c.copy || c.inTemp) {
            // The copy can be edited; the warning comes with the edit view, and only for a copy.
            struct stat st {};
            ASSERT_EQ(::stat(open.c_str(), &st), 0);
            EXPECT_NE(st.st_mode & 0200, 0u);
            ScriptedResponder r;
            if (c.copy) r.OnMessage(IDOK);
            r.OnForm([](TForm& f) { Respond::Press(f, "Button_ok"); });
            ResponderScope scope(r);
            dbf::DbfSetupMode("", 0);
            // It says where the copy is and that nothing of it is kept.
            const bool warned =
                !r.Seen().empty() &&
                r.Seen()[0].find("No Write Access for dbf directory !  Temp directory used.\n\nYou "
                                 "are changing a working copy: " +
                                 open.string() + "\nNothing you change will be kept") !=
                    std::string::npos;
            EXPECT_EQ(warned, c.copy);
            EXPECT_EQ(r.Unexpected(), 0);
        }
        dbf::DbfClose();
    }
    TempDir = tempDir;
}

TEST_F(FacadeTest, GotoClampsReportsAndLeavesEmptyTablesAlone) {
    struct Case {
        std::int32_t n, rec;
        bool message;
    } cases[] = {{0, 1, false}, {3, 3, false}, {-4, 1, false}, {8, 8, false}, {13, 8, true}};
    dbf::DbfOpen("parts");
    for (const Case& c : cases) {
        InitErrors();
        AbortFlag = 0;
        dbf::DbfGoto(c.n);
        EXPECT_EQ(dbf::DbfRecNo(), c.rec) << c.n;
        EXPECT_EQ(ErrorCount, c.message ? 1 : 0) << c.n;
        if (c.message) {
            EXPECT_EQ(std::string(ErrorList[1]), "DBF #13 not found.");
        }
        EXPECT_EQ(AbortFlag, 0);
    }
    dbf::DbfClose();
    Ref("empty '" + (fs::path(DbfDir) / "none.dbf").string() + "'");
    dbf::DbfOpen("none");
    InitErrors();
    ScriptedResponder boxes;
    {
        ResponderScope scope(boxes);
        dbf::DbfGoto(1);
        dbf::DbfGoto(5);
    }
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_EQ(dbf::DbfErrorCode(), 0);
    EXPECT_EQ(dbf::DbfRecCount(), 0);
    dbf::DbfClose();
}

TEST_F(FacadeTest, FieldsAreReadAndWrittenByNumberAndName) {
    dbf::DbfOpen("parts");
    dbf::DbfGoto(2);
    EXPECT_EQ(dbf::DbfFieldText(1).rfind("Ritzel M\u00fcller    ", 0), 0u);
    EXPECT_EQ(std::stoi(dbf::DbfFieldText(2)), 7);
    EXPECT_FALSE(dbf::DbfFieldBool("OK"));
    dbf::DbfGoto(4);
    EXPECT_TRUE(dbf::DbfFieldBool("ok"));
    ASSERT_TRUE(dbf::DbfAppend());
    EXPECT_EQ(dbf::DbfRecCount(), 9);
    dbf::DbfSetFieldString("NAME", "Neu <&>");
    dbf::DbfSetFieldInt("QTY", 42);
    dbf::DbfSetFieldFloat("PRICE", 2.5L);
    dbf::DbfSetFieldBool("OK", true);
    EXPECT_EQ(dbf::DbfErrorCode(), 0);
    // An unknown name is an error of the window, not a halt.
    dbf::DbfSetFieldInt("NOSUCH", 1);
    EXPECT_NE(dbf::DbfErrorCode(), 0);
    dbf::DbfResetError();
    dbf::DbfClose();
    const std::vector<std::string> view = Lines(Ref("view '" + table + "'"));
    ASSERT_EQ(view.size(), 9u);
    EXPECT_EQ(view[8], "live\tNeu <&>\t42\t2.5\tTrue\t\t\t");
}

TEST_F(FacadeTest, PickModeAcceptsTheClickedRecordAndCancelAborts) {
    dbf::DbfOpen("parts");
    dbf::DbfSetTitles("Tools", "Tool table");
    dbf::DbfGoto(3);
    dbf::Tdbf4& w = dbf::DbfWindow();
    ScriptedResponder r;
    r.OnForm([&](TForm&) {
         EXPECT_EQ(w.Caption(), "Tool table   Tools");
         EXPECT_FALSE(w.mi_edit->Visible());
         EXPECT_FALSE(w.mi_fileAppenddbf->Visible());
         EXPECT_FALSE(w.TzNavigator1->ButtonVisible(nbInsert));
         EXPECT_TRUE(w.TzNavigator1->ButtonVisible(nbLast));
         // Mode 1 hides the deleted record 6: row 5 is record 7.
         EXPECT_EQ(w.TzGrid1->RowCount(), 7);
         EXPECT_EQ(w.TzGrid1->CurrentRow(), 2);
         w.TzGrid1->ClickCell(5, 1);
     })
        .OnForm([&](TForm& f) {
            EXPECT_EQ(w.Caption(), "Tool table  Tools  (" + table + ")");
            EXPECT_EQ(w.TzGrid1->RowCount(), 8);
            EXPECT_TRUE(w.mi_editPack->Visible());
            w.TzGrid1->PressKey(VK_DOWN);
            Respond::Press(f, "Button_ok");
        })
        .OnForm([&](TForm& f) { Respond::Press(f, "Button_cancel"); });
    ResponderScope scope(r);
    dbf::DbfSetupMode("CLOSE", 1);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(LastKey, 13);
    EXPECT_EQ(dbf::DbfSelectedRecNo, 7);
    EXPECT_EQ(dbf::DbfGridPosA, 6);
    EXPECT_EQ(dbf::DbfGridPosB, 2);
    dbf::DbfGoto(3);
    dbf::DbfSetupMode("", 0);
    EXPECT_EQ(dbf::DbfSelectedRecNo, 4);
    EXPECT_EQ(LastKey, 13);
    dbf::DbfSetupMode("", 4);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(LastKey, 27);
    EXPECT_EQ(r.Unexpected(), 0);
    dbf::DbfClose();
}

} // namespace

namespace {

using namespace browsetest;

// An edit that cannot be written (another program holds the record) keeps the window open
// with the typed values; nothing is lost and nothing halts. Mode 5 keeps the deleted-record
// setting the previous use left.
TEST_F(FacadeTest, AcceptWithARefusedPostKeepsTheWindowAndMode5KeepsHiding) {
    dbf::DbfOpen("parts");
    dbf::DbfGoto(2);
    dbf::Tdbf4& w = dbf::DbfWindow();
    dstest::LockHolder holder(table, 2);
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         w.TzGrid1->SetSelectedIndex(0);
         ASSERT_TRUE(w.TzGrid1->TypeCell("Renamed"));
         Respond::Press(f, "Button_ok"); // the post fails: the message, the window stays
         EXPECT_EQ(w.ModalResult(), mrNone);
         EXPECT_EQ(w.TzGrid1->CellText(1, 0), "Renamed");
         Respond::Press(f, "Button_cancel");
     })
        .OnMessage(IDOK)
        // Cancel cannot write it either: the user is asked, and drops it.
        .OnMessage(IDOK)
        .OnForm([&](TForm& f) {
            EXPECT_EQ(w.TzGrid1->RowCount(), 7);
            Respond::Press(f, "Button_cancel");
        })
        .OnForm([&](TForm& f) {
            EXPECT_EQ(w.TzGrid1->RowCount(), 7);
            Respond::Press(f, "Button_cancel");
        });
    ResponderScope scope(r);
    dbf::DbfSetupMode("", 0);
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_GE(r.Seen().size(), 2u);
    EXPECT_NE(r.Seen()[1].find("Lock failed"), std::string::npos) << r.Seen()[1];
    EXPECT_NE(r.Seen()[2].find("not saved.\nOK: drop them and close"), std::string::npos)
        << r.Seen()[2];
    EXPECT_EQ(w.tzdbf->State(), dsBrowse);
    dbf::DbfSetupMode("", 1);
    dbf::DbfSetupMode("", 5);
    EXPECT_EQ(r.Unexpected(), 0);
    dbf::DbfClose();
    EXPECT_EQ(Lines(Ref("view '" + table + "'"))[1].rfind("live\tRitzel M\u00fcller\t", 0), 0u);
}

} // namespace

namespace {

using namespace browsetest;

// Values set through the facade that cannot be written when the table is closed (another
// program holds the record) are not dropped in silence: the message names the engine's code,
// its cause in words, the table and record, and that the changes were not saved; AbortFlag is
// set, and the table is as it was.
TEST_F(FacadeTest, CloseTellsOfChangesItCouldNotWrite) {
    const std::string before = qortest::ReadFileBytes(table);
    dbf::DbfOpen("parts");
    dbf::DbfGoto(2);
    dstest::LockHolder holder(table, 2);
    ASSERT_TRUE(holder.Locked());
    dbf::DbfSetFieldString("NAME", "Renamed");
    dbf::DbfSetFieldInt("QTY", 99);
    ScriptedResponder r;
    r.OnMessage(IDOK);
    {
        ResponderScope scope(r);
        AbortFlag = 0;
        dbf::DbfClose();
    }
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("DBF Error 1200: a record is locked by another program"),
              std::string::npos)
        << r.Seen()[0];
    EXPECT_NE(r.Seen()[0].find("record 2 of the table " + table), std::string::npos) << r.Seen()[0];
    EXPECT_NE(r.Seen()[0].find("not saved"), std::string::npos) << r.Seen()[0];
    EXPECT_EQ(dbf::DbfErrorCode(), 0);
    EXPECT_FALSE(dbf::DbfWindow().tzdbf->Active());
    EXPECT_TRUE(qortest::ReadFileBytes(table) == before);
}

// A table the user may read but not write (a read-only printout.dbf used in place) opens for
// reading: it is shown and picked from; the edit view offers nothing that would change it.
TEST_F(FacadeTest, AReadOnlyTableOpensForReadingInPlace) {
    ::chmod(table.c_str(), 0444);
    AbortFlag = 0;
    dbf::DbfUse(table);
    EXPECT_EQ(AbortFlag, 0);
    dbf::Tdbf4& w = dbf::DbfWindow();
    ASSERT_TRUE(w.tzdbf->Active());
    EXPECT_EQ(fs::path(w.tzdbf->DbfFileName()), fs::path(table));
    EXPECT_EQ(dbf::DbfRecCount(), 8);
    dbf::DbfGoto(3);
    ScriptedResponder r;
    r.OnMessage(IDOK).OnForm([&](TForm& f) { // the edit view asked for says why it cannot edit
        EXPECT_FALSE(w.mi_edit->Visible());
        EXPECT_FALSE(w.mi_fileAppenddbf->Visible());
        EXPECT_FALSE(w.TzNavigator1->ButtonVisible(nbInsert));
        EXPECT_FALSE(w.TzGrid1->TypeCell("Changed"));
        Respond::Press(f, "Button_ok");
    });
    {
        ResponderScope scope(r);
        dbf::DbfSetupMode("", 0);
    }
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_NE(r.Seen()[0].find(" is open for reading only: the file is marked read-only. Nothing "
                               "in it can be changed here."),
              std::string::npos)
        << r.Seen()[0];
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(dbf::DbfSelectedRecNo, 3);
    dbf::DbfClose();
    EXPECT_EQ(AbortFlag, 0);
    ::chmod(table.c_str(), 0644);
}

} // namespace
