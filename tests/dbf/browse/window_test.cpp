// The browse window's commands: sorting by a column (the current record stays; logical, long
// and memo columns never halt), searching with the "," to "." retry, the HTML export checked
// by html5lib, import and export of delimited text, and printing through the listing engine.
#include "tests/dbf/browse/browse_testutil.h"

#include <fstream>
#include <unistd.h>

#include "dbf/browse/list_table.h"
#include "dbf/index/maintain.h"
#include "framework/ui/listing.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/menus.h"

namespace {

using namespace browsetest;

class WindowTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        dbf::DbfOpen("parts");
        w = &dbf::DbfWindow();
    }
    std::vector<std::string> Column(int c) {
        std::vector<std::string> out;
        for (int r = 0; r < w->TzGrid1->RowCount(); ++r)
            out.push_back(w->TzGrid1->CellText(r, c));
        return out;
    }
    dbf::Tdbf4* w = nullptr;
};

TEST_F(WindowTest, SortingKeepsTheRecordAndNeverHalts) {
    struct Case {
        int column; // NAME QTY PRICE OK DAY NOTE DESCR
        bool sorts;
        int row; // of record 2 afterwards
    } cases[] = {
        {0, true, 3},  // names: Hohlrad Kupplung Lager Ritzel ...
        {3, true, 0},  // logical: F F F F T T T T, equal keys in record order
        {6, true, 3},  // C(120): on its first 100 characters ("" "" "" "<b>..." ...)
        {5, false, 3}, // memo: refused, the order stays
    };
    dbf::DbfGoto(2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        ScriptedResponder r;
        if (!c.sorts) r.OnMessage(IDOK);
        ResponderScope scope(r);
        w->TzGrid1->TitleMouseUp(c.column, mbRight);
        EXPECT_EQ(r.Unexpected(), 0);
        EXPECT_EQ(dbf::DbfRecNo(), 2);
        EXPECT_EQ(w->TzGrid1->CurrentRow(), c.row);
        EXPECT_EQ(w->TzGrid1->DepressedColumn(), c.sorts ? c.column : -1);
        if (!c.sorts) {
            ASSERT_EQ(r.Seen().size(), 1u);
            EXPECT_NE(r.Seen()[0].find("NOTE cannot be sorted"), std::string::npos);
            continue;
        }
        std::vector<std::string> col = Column(c.column), sorted = col;
        std::stable_sort(sorted.begin(), sorted.end());
        EXPECT_EQ(col, sorted);
    }
    // One index file of this process in TempDir, overwritten by every sort.
    const std::string ndx = dbf::TempSortIndexName(AddBackslash(TempDir));
    EXPECT_NE(ndx.find(std::to_string(::getpid())), std::string::npos);
    EXPECT_TRUE(fs::exists(ndx));
    dbf::FreeDbfWindow();
    EXPECT_FALSE(fs::exists(ndx));
}

TEST_F(WindowTest, SearchRetriesWithPointsAndReportsMisses) {
    struct Case {
        const char* text;
        bool next;
        int rec;
        const char* message;
    } cases[] = {
        {"3,5", false, 2, nullptr}, // "3,5" nowhere, "3.5" in PRICE 3.50
        {"zahn", false, 1, nullptr},
        {"", true, 8, nullptr}, // Search Next: the next record with "zahn"
        {"", true, 8, "zahn not found"},
        {"nowhere", false, 8, "nowhere not found"},
    };
    dbf::DbfGoto(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedResponder r;
        if (!c.next)
            r.OnForm([&](TForm& f) {
                Respond::Type(f, "EditEinText", c.text);
                Respond::Press(f, "Button_ok");
            });
        if (c.message) r.OnMessage(IDOK);
        ResponderScope scope(r);
        w->Search(c.next);
        EXPECT_EQ(dbf::DbfRecNo(), c.rec);
        EXPECT_EQ(r.Unexpected(), 0);
        EXPECT_EQ(r.Pending(), 0);
        if (c.message) {
            EXPECT_NE(r.Seen().back().find(c.message), std::string::npos);
        }
        EXPECT_EQ(HelpNo, 0);
    }
}

// The window lives for the whole run: shown again and again it keeps the size its one fitting
// gave it, in both views.
TEST_F(WindowTest, ShownAgainTheWindowKeepsItsSize) {
    FormSizePercent = 110;
    std::vector<TRect> seen;
    ScriptedResponder r;
    for (int k = 0; k < 4; ++k)
        r.OnForm([&](TForm& f) {
            seen.push_back(f.BoundsRect());
            Respond::Key(f, VK_ESCAPE);
        });
    ResponderScope scope(r);
    for (const std::uint16_t mode : {0, 0, 1, 0})
        dbf::DbfSetupMode("", mode);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].Right - seen[0].Left, 748); // 680 x 1.1
    for (const TRect& b : seen)
        EXPECT_EQ(b, seen[0]);
}

TEST_F(WindowTest, CloseAfterSearchAcceptsEvenWithoutAHit) {
    dbf::DbfGoto(4);
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         EXPECT_EQ(&f, w);
         Respond::Press(f, "Button_search");
     })
        .OnForm([&](TForm& f) {
            Respond::Type(f, "EditEinText", "nothing like it");
            Respond::Press(f, "Button_ok");
        })
        .OnMessage(IDOK);
    ResponderScope scope(r);
    AbortFlag = 1;
    dbf::DbfSetupMode("CLOSE", 1);
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(LastKey, 13);
    EXPECT_EQ(dbf::DbfSelectedRecNo, 4);
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(WindowTest, HtmlExportIsEscapedUtf8AndReadsBackCellByCell) {
    const std::string htm = (fs::path(TempDir) / "parts.htm").string();
    HtmlBrowser = "";
    ScriptedResponder r;
    std::string proposed;
    r.OnDialog([&](TCommonDialog& d) {
        auto& s = dynamic_cast<TSaveDialog&>(d);
        proposed = s.FileName;
        s.FileName = htm;
        return true;
    });
    ResponderScope scope(r);
    w->mi_fileExportHtml->Click();
    EXPECT_EQ(proposed, "parts.htm");
    EXPECT_EQ(Ref("html '" + htm + "' '" + table + "'"), "ok 8\n");
    std::ifstream in(htm, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(text.find("&lt;b&gt;&amp;bold&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(text.find("Ritzel M\u00fcller"), std::string::npos);
    EXPECT_FALSE(fs::exists(htm + ".part~"));
}

TEST_F(WindowTest, DelimitedExportAndImportAndDbfAppendRoundTrip) {
    const std::string txt = (fs::path(TempDir) / "parts.txt").string();
    const std::string copy = (fs::path(DbfDir) / "copy.dbf").string();
    fs::copy_file(table, copy);
    fs::copy_file(fs::path(DbfDir) / "parts.dbt", fs::path(DbfDir) / "copy.dbt");
    ScriptedResponder r;
    auto choose = [](const std::string& file) {
        return [file](TCommonDialog& d) {
            dynamic_cast<TOpenDialog&>(d).FileName = file;
            return true;
        };
    };
    r.OnDialog(choose(txt)).OnDialog(choose(txt)).OnDialog(choose(copy));
    ResponderScope scope(r);
    w->mi_fileSaveAsDelimited->Click();
    w->mi_fileAppendDelimited->Click();
    w->mi_fileAppenddbf->Click();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_EQ(dbf::DbfRecCount(), 8 + 8 + 8);
    dbf::DbfClose();
    const std::vector<std::string> view = Lines(Ref("view '" + table + "'"));
    ASSERT_EQ(view.size(), 24u);
    for (std::size_t i = 0; i < 8; ++i) {
        // The delimited copy keeps every value; the appended table its deletion marks.
        auto values = [](const std::string& s) { return s.substr(s.find('\t')); };
        EXPECT_EQ(values(view[8 + i]), values(view[i])) << i;
        EXPECT_EQ(view[16 + i], view[i]) << i;
    }
}

// Windows text appended into the DOS table: what its page lacks is stored as "?" and named.
TEST_F(WindowTest, AppendNamesTheCharactersTheTablesPageLacks) {
    const std::string txt = (fs::path(TempDir) / "euro.txt").string();
    std::ofstream(txt, std::ios::binary) << "\"Euro \x80\",1\r\n\x1A";
    ScriptedResponder r;
    r.OnDialog([&](TCommonDialog& d) {
         dynamic_cast<TOpenDialog&>(d).FileName = txt;
         return true;
     }).OnMessage(IDOK);
    ResponderScope scope(r);
    w->mi_fileAppendDelimited->Click();
    EXPECT_EQ(r.Unexpected(), 0);
    EXPECT_NE(r.Seen().back().find("the DOS code page 437, which has no \"\u20ac\""),
              std::string::npos)
        << r.Seen().back();
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// The printed table equals the block an independent script renders from dbfread's values, on
// the TXT file, the HTML file and a printable device; eight fields print as seven columns.
TEST_F(WindowTest, PrintedTablesEqualTheGoldenBlocks) {
    FrameStyle = 1;
    HtmlBrowser = "true";
    TextDeviceWindow = 0;
    struct Case {
        int device;
        const char* file; // in TempDir
    } cases[] = {{6, "$$1-"}, {7, "qor1w.htm"}, {8, "OUTDOS.TXT"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        const fs::path golden = fs::path(dir_) / ("golden" + std::to_string(c.device));
        Ref("golden " + std::to_string(c.device) + " '" + table + "' '" + golden.string() + "'");
        TextDevice = static_cast<std::uint16_t>(c.device);
        AbortFlag = 0;
        w->PrintTable();
        EXPECT_EQ(AbortFlag, 0);
        // The TXT device's copy has a name of its own ($$1-....txt).
        const std::string out = ReadAll(c.device == 6 ? fs::path(ListResultFile)
                                                      : fs::path(TempDir) / c.file);
        if (c.device == 6) {
            EXPECT_EQ(fs::path(ListResultFile).filename().string().rfind(c.file, 0), 0u);
        }
        const std::string want = ReadAll(golden);
        ASSERT_GT(want.size(), 500u);
        EXPECT_NE(out.find(want), std::string::npos) << out;
        EXPECT_EQ(out.find("CODE"), std::string::npos);
        if (c.device == 6) {
            EXPECT_EQ(out, "\r\n" + want);
        }
    }
}

TEST_F(WindowTest, TableWriterColumnsAndRules) {
    FrameStyle = 1;
    const std::string m(7, ' ');
    const std::string rule = m + std::string(70, '-') + "\r\n";
    const std::string dbl = m + std::string(70, '=') + "\r\n";
    struct Case {
        dbf::ListTable::Widths7 widths;
        bool rowRules;
        std::string head, row, end;
    } cases[] = {
        // A second width of 0 still writes an (empty) second column; a third one of 0 stops
        // after column 2; texts longer than their column are cut.
        {{3, 0, 0, 4}, true, "Ab  ", "xyz ", rule},
        {{2, 3, 4, 0, 5}, true, "AbCd Ef   ", "xyuvwpq   ", rule},
        // Without row rules one rule closes the table.
        {{2, 3, 4, 0, 5}, false, "AbCd Ef   ", "xyuvwpq   ", ""},
    };
    for (const Case& c : cases) {
        ListBegin(8, "t");
        ASSERT_TRUE(ListRewrite());
        {
            dbf::ListTable t(c.widths, {"Ab", "Cd", "Ef", "Gh", "Ij"});
            t.RowRules = c.rowRules;
            t.WriteRow({"xyz", "uvw", "pq", "rs", "tu"});
            t.WriteRow({"xyz", "uvw", "pq", "rs", "tu"});
        }
        SharedTextFile.Close();
        const std::string row = m + c.row + "\r\n" + c.end;
        const std::string want =
            dbl + m + c.head + "\r\n" + dbl + row + row + (c.rowRules ? "" : rule);
        EXPECT_EQ(ReadAll(fs::path(TempDir) / "OUTDOS.TXT"), want);
    }
}

// Pack removes the deleted records; with the table open in another window it packs nothing and
// says why and what to do.
TEST_F(WindowTest, PackRemovesDeletedRecords) {
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
         w->mi_editPack->Click();
         Respond::Press(f, "Button_cancel");
     }).OnForm([&](TForm& f) {
          auto* other = NewForm<dbf::Tdbf4>(nullptr);
          other->tzdbf->SetName("tzdbf2");
          other->OpenTable(table);
          w->mi_editPack->Click();
          EXPECT_EQ(dbf::DbfRecCount(), 8);
          other->CloseTable(), other->Free();
          w->mi_editPack->Click();
          Respond::Press(f, "Button_ok");
      }).OnMessage(IDOK);
    ResponderScope scope(r);
    dbf::DbfSetupMode("", 1); // read view: Pack is hidden
    EXPECT_EQ(dbf::DbfRecCount(), 8);
    dbf::DbfSetupMode("", 0);
    EXPECT_EQ(dbf::DbfRecCount(), 7);
    EXPECT_EQ(Lines(Ref("view '" + table + "'")).size(), 7u);
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_EQ(r.Seen().size(), 3u);
    EXPECT_NE(r.Seen()[2].find("Nothing was packed: " + table + " is open in another program or "
                               "window, and packing needs it to itself. Close the table there"),
              std::string::npos)
        << r.Seen()[2];
}

} // namespace
