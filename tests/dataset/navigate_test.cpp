// Reading a table written by python3-dbf through the dataset: every value against dbfread,
// navigation both ways, hidden deleted records, bookmarks, Locate and Lookup, data links.

#include "dataset_testutil.h"

#include "dbf/table/field_vars.h"
#include "platform/data/datasource.h"

namespace {

using dstest::DatasetTest;
using dstest::Row;

std::vector<std::string> WalkForward(dstest::TTestTable& t, bool withState) {
    std::vector<std::string> rows;
    for (t.First(); !t.Eof(); t.Next())
        rows.push_back((withState ? (t.IsDeleted() ? "gone\t" : "live\t") : "") + Row(t));
    return rows;
}

TEST_F(DatasetTest, EveryValueAsDbfreadReadsIt) {
    dstest::TTestTable& t = OpenFixture();
    const std::vector<std::string> ref = dstest::View(path_);
    ASSERT_EQ(ref.size(), 8u);
    EXPECT_TRUE(t.Bof());
    EXPECT_EQ(t.RecordCount(), 8);
    EXPECT_EQ(WalkForward(t, true), ref);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.RecNo(), 8); // Next at the end stays on the last record
    t.Prior();
    EXPECT_EQ(t.RecNo(), 7);
    EXPECT_FALSE(t.Eof());
    std::vector<std::string> back;
    for (t.Last(); !t.Bof(); t.Prior())
        back.push_back((t.IsDeleted() ? "gone\t" : "live\t") + Row(t));
    EXPECT_EQ(back, std::vector<std::string>(ref.rbegin(), ref.rend()));
    EXPECT_EQ(t.RecNo(), 1);
    // 64-bit numbers without decimals, texts in UTF-8, the engine's date text.
    t.SetRecNo(2);
    EXPECT_EQ(t.FieldByName("BIG")->AsLargeInt(), -12345678901);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Ritzel M\u00fcller");
    EXPECT_EQ(t.FieldByName("DAY")->AsString(), "29.02.2000");
    dbf::FourDigitYears = false; // views follow the year setting, values keep the century
    EXPECT_EQ(t.FieldByName("DAY")->DisplayText(), "29.02.00");
    EXPECT_EQ(t.FieldByName("PRICE")->AsString(), "-0.75");
    EXPECT_THROW(t.FieldByName("BIG")->AsInteger(), EDatabaseError);
    // A record another user appends meanwhile is the next one after the last.
    t.SetRecNo(8);
    {
        dbf::CurrentAreaGuard back;
        ASSERT_TRUE(dbf::Select(20));
        dbf::Use(path_ + " ALIAS OTHER");
        ASSERT_TRUE(dbf::ALock());
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), "Neu", 20);
        dbf::Append();
        dbf::Unlock();
        dbf::FreeWorkArea();
    }
    t.Next();
    EXPECT_FALSE(t.Eof());
    EXPECT_EQ(t.RecNo(), 9);
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Neu");
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(DatasetTest, HiddenDeletedRecordsAreSkippedEverywhere) {
    dstest::TTestTable& t = OpenFixture(true);
    std::vector<std::string> live;
    for (const std::string& r : dstest::View(path_))
        if (r.rfind("live\t", 0) == 0) live.push_back(r.substr(5));
    ASSERT_EQ(live.size(), 7u);
    EXPECT_EQ(WalkForward(t, false), live);
    std::vector<std::int32_t> numbers;
    for (const TBookmark& b : t.FetchBookmarks({}, 100)) {
        std::int32_t n = 0;
        std::memcpy(&n, b.data(), 4);
        numbers.push_back(n);
    }
    EXPECT_EQ(numbers, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 7, 8}));
    // Views read any record without moving the current one.
    t.SetRecNo(5);
    ASSERT_TRUE(t.BeginDisplayRecord(t.FetchBookmarks({}, 7).back()));
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Zahnstange");
    t.EndDisplayRecord();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Hohlrad");
    t.Next();
    EXPECT_EQ(t.RecNo(), 7);
    t.Prior();
    t.Prior();
    EXPECT_EQ(t.RecNo(), 4);
}

TEST_F(DatasetTest, BookmarksAndRecordNumbers) {
    dstest::TTestTable& t = OpenFixture();
    t.MoveBy(2);
    const TBookmark third = t.GetBookmark();
    const std::string row3 = Row(t);
    t.Last();
    t.GotoBookmark(third);
    EXPECT_EQ(t.RecNo(), 3);
    EXPECT_EQ(Row(t), row3);
    auto mark = [](std::int32_t n) {
        TBookmark b(4);
        std::memcpy(b.data(), &n, 4);
        return b;
    };
    EXPECT_EQ(t.CompareBookmarks(mark(5), mark(7)), -1);
    EXPECT_EQ(t.CompareBookmarks(mark(7), mark(5)), 1);
    EXPECT_EQ(t.CompareBookmarks(mark(7), mark(7)), 0);
    EXPECT_EQ(t.CompareBookmarks({}, mark(7)), 1);
    EXPECT_EQ(t.CompareBookmarks(mark(7), {}), -1);
    EXPECT_EQ(t.CompareBookmarks({}, {}), 0);
    EXPECT_TRUE(t.BookmarkValid(third));
    EXPECT_FALSE(t.BookmarkValid(mark(99)));
    // A bookmark of no record fails and leaves the dataset where it was.
    EXPECT_THROW(t.GotoBookmark(mark(99)), EDatabaseError);
    EXPECT_EQ(t.RecNo(), 3);
    t.Next();
    EXPECT_EQ(t.RecNo(), 4);
    EXPECT_THROW(t.GotoBookmark(TBookmark(2)), EDatabaseError);
    // Record numbers: 0 or past the count go to the end.
    t.SetRecNo(6);
    EXPECT_EQ(t.RecNo(), 6);
    t.SetRecNo(0);
    EXPECT_EQ(t.RecNo(), 8);
    t.SetRecNo(42);
    EXPECT_EQ(t.RecNo(), 8);
}

TEST_F(DatasetTest, LocateAndLookup) {
    dstest::TTestTable& t = OpenFixture();
    struct Case {
        const char* fields;
        TVarArray values;
        TLocateOptions options;
        int recNo; // 0: not found
    };
    const Case cases[] = {
        {"NAME", {std::string("welle")}, {true, false}, 3},
        {"NAME", {std::string("welle")}, {}, 0},
        {"NAME", {std::string("Zahn")}, {false, true}, 1},
        {"NAME", {std::string("Zahn")}, {}, 0},
        {"NAME;OK", {std::string("Zahnstange"), true}, {}, 8},
        {"QTY", {std::int64_t{40}}, {}, 4},
        {"PRICE", {1234567.89}, {}, 5},
        {"NAME", {std::string("ritzel m\u00fcller")}, {true, false}, 2},
        {"DAY", {TVarDate{40461}}, {}, 8}, // 2010-10-10
    };
    for (const Case& c : cases) {
        t.SetRecNo(7);
        EXPECT_EQ(t.Locate(c.fields, c.values, c.options), c.recNo != 0) << c.fields;
        EXPECT_EQ(t.RecNo(), c.recNo != 0 ? c.recNo : 7) << c.fields;
        t.Next(); // the cursor follows what the dataset shows
        EXPECT_EQ(t.RecNo(), c.recNo != 0 ? std::min(c.recNo + 1, 8) : 8) << c.fields;
    }
    // A search while editing posts the edit first: the found record never takes its place.
    t.SetRecNo(2);
    t.Edit();
    t.FieldByName("QTY")->SetAsInteger(71);
    EXPECT_TRUE(t.Locate("NAME", {std::string("Welle")}, {}));
    EXPECT_EQ(t.State(), dsBrowse);
    EXPECT_EQ(t.FieldByName("QTY")->AsInteger(), 3);
    EXPECT_EQ(dstest::View(path_)[1].substr(0, 23), "live\tRitzel M\u00fcller\t71\t");
    t.SetRecNo(2);
    const std::string before = Row(t);
    const TVarArray found = t.Lookup("NAME", {std::string("Lager")}, "QTY;PRICE;DAY");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(std::get<std::int64_t>(found[0]), 40);
    EXPECT_EQ(std::get<double>(found[1]), 99.99);
    EXPECT_EQ(std::get<TVarDate>(found[2]).Value, 46037); // 2026-01-15
    EXPECT_TRUE(t.Lookup("NAME", {std::string("Nothing")}, "QTY").empty());
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(Row(t), before);
    t.Next();
    EXPECT_EQ(t.RecNo(), 3);
}

// Records what a data link and the dataset's events are told.
class RecordingLink : public TDataLink {
public:
    std::vector<std::string> log;

protected:
    void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
    void EditingChanged() override { log.push_back(Editing() ? "editing" : "browsing"); }
    void DataSetChanged() override { log.push_back("changed"); }
    void DataSetScrolled(int d) override { log.push_back("scrolled " + std::to_string(d)); }
    void RecordChanged(TField* f) override {
        log.push_back("record " + (f ? f->FieldName() : std::string("-")));
    }
    void UpdateData() override { log.push_back("update"); }
};

TEST_F(DatasetTest, DataLinksAndEventsFollowTheDataset) {
    dstest::Reference("make '" + path_ + "'");
    dstest::TTestTable t;
    t.SetDbfFileName(path_);
    TDataSource source(&t);
    RecordingLink link;
    link.SetDataSource(&source);
    std::vector<std::string> events;
    auto note = [&](const char* what) {
        return [&events, what](TDataSet&) { events.push_back(what); };
    };
    t.AfterOpen = note("AfterOpen");
    t.BeforeScroll = note("BeforeScroll");
    t.AfterScroll = note("AfterScroll");
    t.BeforeEdit = note("BeforeEdit");
    t.AfterEdit = note("AfterEdit");
    t.BeforePost = note("BeforePost");
    t.AfterPost = note("AfterPost");
    t.BeforeClose = note("BeforeClose");
    int changes = 0;
    source.OnDataChange = [&](TDataSource&, TField*) { ++changes; };

    t.Open();
    t.Next();
    t.Edit();
    t.FieldByName("QTY")->SetAsInteger(70);
    t.Post();
    t.DisableControls();
    t.Next();
    t.Next();
    t.EnableControls();
    t.Close();
    EXPECT_EQ(link.log,
              (std::vector<std::string>{"active", "scrolled 1", "editing", "record -", "record QTY",
                                        "update", "browsing", "changed", "changed", "inactive"}));
    EXPECT_EQ(events, (std::vector<std::string>{
                          "AfterOpen", "AfterScroll", "BeforeScroll", "AfterScroll", "BeforeEdit",
                          "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll",
                          "BeforeScroll", "AfterScroll", "BeforeClose"}));
    EXPECT_EQ(changes, 5);
    EXPECT_FALSE(link.Active());
}

} // namespace
