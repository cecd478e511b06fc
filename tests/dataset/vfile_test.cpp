// Virtual files: the pop orders of the manager, and the virtual-file dataset filled from the
// python3-dbf fixture and saved back (read by dbfread), including a save the target's other
// user refuses.

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <optional>
#include <random>
#include <set>

#include "dataset_testutil.h"
#include "dbf/dataset/vfile_dataset.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/table_file.h"
#include "dbf/vfile/vfiles.h"

namespace {

namespace fs = std::filesystem;

class VFileTest : public dstest::DatasetTest {
protected:
    void SetUp() override {
        DatasetTest::SetUp();
        dbf::InitVFiles();
    }
    void TearDown() override {
        dbf::VirtualFileHandler = nullptr;
        DatasetTest::TearDown();
    }
};

TEST_F(VFileTest, PopOrders) {
    struct Case {
        dbf::LStatusType mode;
        const char* pops; // NAME and SEQ of each record popped
    };
    // Pushed: 5/1, 1/2, 3/3, 1/4. A sorted key equal to the first goes before it, one equal to
    // the last after it.
    const Case cases[] = {
        {dbf::FIFO, "5/1 1/2 3/3 1/4 "},
        {dbf::LIFO, "1/4 3/3 1/2 5/1 "},
        {dbf::ASCENDING, "1/4 1/2 3/3 5/1 "},
        {dbf::DESCENDING, "5/1 3/3 1/2 1/4 "},
    };
    std::vector<std::uint8_t> block(1 + 6 + 8);
    std::vector<dbf::TDbfFieldDesc> fields = {{"name", 'c', 5, 0, 0}, {"seq", 'N', 3, 0, 0}};
    dbf::SetErrorReporting(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        dbf::Select(1);
        dbf::Use("*Q* VIRTUAL FILE", block.data(), static_cast<std::uint16_t>(block.size()));
        dbf::AddStru(fields);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        dbf::Set_VFileKey_To([] { return dbf::GetVarString(dbf::FieldAddress(1)); });
        dbf::Set_VFileMode_To(c.mode);
        int seq = 0;
        for (const char* key : {"5", "1", "3", "1"}) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), key, 5);
            dbf::SetVarInt64(dbf::FieldAddress(2), ++seq);
            dbf::Append();
            ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        }
        EXPECT_EQ(dbf::RecCount(), 4);
        std::string popped;
        while (dbf::RecCount() > 0) {
            dbf::PopRec();
            ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
            popped += dbf::GetVarString(dbf::FieldAddress(1)) + "/" +
                      std::to_string(dbf::GetVarInt64(dbf::FieldAddress(2))) + " ";
        }
        EXPECT_EQ(popped, c.pops);
        EXPECT_TRUE(dbf::dBOF() && dbf::dEOF());
        dbf::PopRec();
        EXPECT_EQ(dbf::ErrorText,
                  "Virtual file empty - no more records to POP from *Q* [(PopRec) VFiles]");
        dbf::Use("");
    }

    // A sorted order is refused once two records are there; INSERTION files are not popped.
    dbf::Use("*Q* VIRTUAL FILE", block.data(), static_cast<std::uint16_t>(block.size()));
    dbf::AddStru(fields);
    for (int n = 1; n <= 2; ++n) {
        dbf::Append();
        dbf::Set_VFileMode_To(dbf::ASCENDING);
        EXPECT_EQ(dbf::LastErrorCode, n == 1 ? 0 : dbf::kErrLinkedList);
        dbf::Set_VFileMode_To(dbf::FIFO);
    }
    dbf::Set_VFileMode_To(dbf::INSERTION);
    dbf::PopRec();
    EXPECT_EQ(dbf::ErrorText, "Cannot POP a record in INSERTION mode from *Q* [(PopRec) VFiles]");
    EXPECT_EQ(dbf::RecCount(), 2);
    dbf::Use("");
}

// Every order under a long random mix of appends, rewrites, removals, deletions with packs and
// positioning, against a plain vector kept by the order's rules (distinct keys, so a sorted
// order has one right place for each record). A sorted file with many equal keys keeps its
// keys in order and every record it was given.
TEST_F(VFileTest, LongRandomRunsKeepEveryOrder) {
    std::vector<std::uint8_t> block(1 + 9 + 8);
    const std::vector<dbf::TDbfFieldDesc> fields = {{"KEY", 'C', 8, 0, 0},
                                                    {"SEQ", 'N', 6, 0, 0}};
    dbf::SetErrorReporting(false);
    auto keyOf = [](int k) {
        char text[16];
        std::snprintf(text, sizeof text, "%08d", k);
        return std::string(text);
    };
    for (const dbf::LStatusType mode :
         {dbf::FIFO, dbf::LIFO, dbf::INSERTION, dbf::ASCENDING, dbf::DESCENDING}) {
        SCOPED_TRACE(static_cast<int>(mode));
        const bool sorted = mode == dbf::ASCENDING || mode == dbf::DESCENDING;
        dbf::Select(1);
        dbf::Use("*R* VIRTUAL FILE", block.data(), static_cast<std::uint16_t>(block.size()));
        dbf::AddStru(fields);
        dbf::Set_VFileKey_To([] { return dbf::GetVarString(dbf::FieldAddress(1)); });
        dbf::Set_VFileMode_To(mode);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        std::vector<std::pair<std::string, int>> model; // key, seq in record order
        std::mt19937 rnd(47 + mode);
        std::vector<int> unused(200000);
        std::iota(unused.begin(), unused.end(), 0);
        std::shuffle(unused.begin(), unused.end(), rnd);
        int seq = 0;
        auto current = [&] { return static_cast<std::size_t>(dbf::RecNo()); };
        auto place = [&](const std::string& key) -> std::size_t {
            if (mode == dbf::FIFO) return model.size();
            if (mode == dbf::LIFO) return 0;
            if (mode == dbf::INSERTION)
                return current() >= 1 ? std::min(current() - 1, model.size()) : 0;
            std::size_t i = 0;
            while (i < model.size() &&
                   (mode == dbf::ASCENDING ? model[i].first < key : model[i].first > key))
                ++i;
            return i;
        };
        for (int step = 0; step < 3000; ++step) {
            const unsigned op = rnd() % 10;
            if (op < 6 || model.empty()) { // append
                const std::string key = keyOf(unused.back());
                unused.pop_back();
                const std::size_t at = place(key);
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), {key, ++seq});
                dbf::ClearRecord();
                dbf::SetVarString(dbf::FieldAddress(1), key, 8);
                dbf::SetVarInt64(dbf::FieldAddress(2), seq);
                dbf::Append();
                ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
                ASSERT_EQ(current(), at + 1);
                continue;
            }
            const auto n = static_cast<std::int32_t>(1 + rnd() % model.size());
            dbf::Go(n);
            ASSERT_EQ(dbf::GetVarString(dbf::FieldAddress(1)), model[n - 1].first) << step;
            if (op < 8) { // a new key for record n
                const std::string key = keyOf(unused.back());
                unused.pop_back();
                const int keep = model[n - 1].second;
                model.erase(model.begin() + n - 1);
                const std::size_t at = sorted ? place(key) : static_cast<std::size_t>(n - 1);
                model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), {key, keep});
                dbf::SetVarString(dbf::FieldAddress(1), key, 8);
                dbf::Replace();
            } else if (op == 8) {
                model.erase(model.begin() + n - 1);
                dbf::SnipRec();
            } else { // deleted, and every few deletions a pack
                dbf::DeleteRec();
                model[n - 1].second = -std::abs(model[n - 1].second);
                if (rnd() % 4 == 0) {
                    std::erase_if(model, [](const auto& e) { return e.second < 0; });
                    dbf::Pack();
                }
            }
            ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        }
        ASSERT_EQ(dbf::RecCount(), static_cast<std::int32_t>(model.size()));
        for (std::size_t i = 0; i < model.size(); ++i) {
            dbf::Go(static_cast<std::int32_t>(i + 1));
            ASSERT_EQ(dbf::GetVarString(dbf::FieldAddress(1)), model[i].first) << i;
            ASSERT_EQ(dbf::GetVarInt64(dbf::FieldAddress(2)), std::abs(model[i].second)) << i;
        }
        dbf::Use("");
    }

    // Equal keys: 5000 appends of 50 keys, then the file sorted the other way round.
    dbf::Use("*E* VIRTUAL FILE", block.data(), static_cast<std::uint16_t>(block.size()));
    dbf::AddStru(fields);
    dbf::Set_VFileKey_To([] { return dbf::GetVarString(dbf::FieldAddress(1)); });
    dbf::Set_VFileMode_To(dbf::ASCENDING);
    std::mt19937 rnd(3);
    std::multiset<std::pair<std::string, std::int64_t>> given;
    for (int i = 1; i <= 5000; ++i) {
        const std::string key = keyOf(static_cast<int>(rnd() % 50));
        given.insert({key, i});
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), key, 8);
        dbf::SetVarInt64(dbf::FieldAddress(2), i);
        dbf::Append();
    }
    for (const dbf::LStatusType mode : {dbf::ASCENDING, dbf::DESCENDING}) {
        if (mode == dbf::DESCENDING) dbf::SortVFile(mode);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        std::multiset<std::pair<std::string, std::int64_t>> held;
        std::string last;
        for (dbf::GoTop(); !dbf::dEOF(); dbf::Skip(1)) {
            const std::string key = dbf::GetVarString(dbf::FieldAddress(1));
            if (!last.empty()) {
                EXPECT_TRUE(mode == dbf::ASCENDING ? last <= key : last >= key);
            }
            last = key;
            held.insert({key, dbf::GetVarInt64(dbf::FieldAddress(2))});
        }
        EXPECT_EQ(held, given);
    }
    dbf::Use("");
}

TEST_F(VFileTest, InsertionOrderInsertsBeforeTheCurrentAndAppendsLast) {
    dbf::TTzVFile v;
    v.SetName("Memory");
    v.DbfFields = {"NAME, C, 10, 0", "JUNK, X, 1, 0"};
    v.SetAppendMode(dbf::INSERTION);
    v.Open();
    EXPECT_EQ(v.FieldCount(), 1); // no field for the X line
    auto add = [&](bool append, const char* name) {
        if (append) {
            v.Append();
        } else {
            v.Insert();
        }
        v.FieldByName("NAME")->SetAsString(name);
        v.Post();
    };
    add(true, "A");
    add(true, "B"); // at the end: after A, not before it
    v.First();
    add(false, "C"); // before A
    v.Last();
    add(false, "D"); // before B
    std::string order;
    for (v.First(); !v.Eof(); v.Next())
        order += v.FieldByName("NAME")->AsString();
    EXPECT_EQ(order, "CADB");
}

TEST_F(VFileTest, DatasetReadFromATableAndSavedBack) {
    dstest::Reference("make '" + path_ + "'");
    std::vector<std::string> live;
    for (const std::string& row : dstest::View(path_))
        if (row.rfind("live\t", 0) == 0) live.push_back(row);
    std::sort(live.begin(), live.end()); // sorted by NAME, the first field

    auto v = std::make_unique<dbf::TTzVFile>();
    v->SetName("Memory");
    v->DbfFields = {"NAME, C, 20, 0", "QTY, N, 5, 0", "BIG, N, 12, 0", "PRICE, N, 10, 2",
                    "OK, L, 1, 0",    "DAY, D, 8, 0", "NOTE, M, 10, 0"};
    v->SetDbfFileName(path_);
    v->SetAppendMode(dbf::ASCENDING);
    v->SetHideDeletedRecs(true);
    v->PopulateFromDisk = true;
    v->SaveToDisk = true;
    v->Open();
    auto rows = [&] {
        std::vector<std::string> r;
        for (v->First(); !v->Eof(); v->Next())
            r.push_back("live\t" + dstest::Row(*v));
        return r;
    };
    EXPECT_EQ(rows(), live);
    EXPECT_FALSE(v->Changed());

    // Changes keep the order: a renamed record moves to its place.
    ASSERT_TRUE(v->Locate("NAME", {std::string("Welle")}, {}));
    v->Edit();
    v->FieldByName("NAME")->SetAsString("Antrieb");
    v->Post();
    EXPECT_EQ(v->RecNo(), 1);
    v->Append();
    v->FieldByName("NAME")->SetAsString("Zwischenrad");
    v->FieldByName("QTY")->SetAsInteger(4);
    v->Post();
    ASSERT_TRUE(v->Locate("NAME", {std::string("Lager")}, {}));
    v->Delete();
    EXPECT_TRUE(v->Changed());
    const std::vector<std::string> saved = rows();
    ASSERT_EQ(saved.size(), live.size());
    EXPECT_EQ(saved.front().substr(0, 13), "live\tAntrieb\t");
    EXPECT_EQ(saved.back().substr(0, 17), "live\tZwischenrad\t");

    // While the table is open elsewhere (another dataset here, or another program holding its
    // file lock) the save (and so the close) is refused, the table untouched and the records
    // kept.
    const std::string before = qortest::ReadFileBytes(path_);
    for (const bool here : {true, false}) {
        SCOPED_TRACE(here ? "open in another dataset" : "locked by another program");
        dstest::TTestTable other;
        std::optional<dstest::LockHolder> holder;
        if (here) {
            other.SetName("Other");
            other.SetDbfFileName(path_);
            other.Open();
        } else {
            holder.emplace(path_, 0);
            ASSERT_TRUE(holder->Locked());
        }
        try {
            v->Close();
            ADD_FAILURE() << "closed";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("open in another program"), std::string::npos)
                << e.what();
        }
        EXPECT_TRUE(v->Active());
        EXPECT_EQ(qortest::ReadFileBytes(path_), before);
        EXPECT_EQ(rows(), saved);
    }
    v->Close();
    EXPECT_FALSE(v->Active());
    EXPECT_EQ(dstest::View(path_), saved);
    // The memo went along, read by dbfread and Perl XBase.
    std::istringstream memos(dstest::Reference("memo '" + path_ + "'"));
    std::istringstream xbase(qortest::RunCommand(std::string("/usr/bin/perl ") + QOR_SOURCE_DIR +
                                                 "/tests/dbf/memo_xbase.pl '" + path_ + "'"));
    std::string memo, xmemo;
    for (std::size_t i = 0; i < saved.size(); ++i) {
        const std::string want =
            saved[i].rfind("live\tZahnrad\t", 0) == 0 ? dstest::Hex("first memo") : "";
        ASSERT_TRUE(std::getline(memos, memo) && std::getline(xbase, xmemo));
        EXPECT_EQ(memo, want);
        EXPECT_EQ(xmemo, "memo\t" + std::to_string(i + 1) + "\t" + want);
    }
    // Nothing but the table and its memo file is left beside them.
    EXPECT_EQ(qortest::SortedNames(dir_), (std::vector<std::string>{"parts.dbf", "parts.dbt"}));
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
