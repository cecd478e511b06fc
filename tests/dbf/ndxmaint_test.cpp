// Key insertion and removal: random appends, replaces, deletes and packs checked against
// dbfread + index_dump and the structural checker; splits, emptying, rollback, Find, orders.

#include <random>
#include <map>

#include "dbf/base/text.h"

#include "ndxmaint_testutil.h"

namespace {

using ndxmainttest::MaintTest;

std::string RandomName(std::mt19937& rnd, int distinct) {
    // Few distinct names give long runs of equal keys across leaves.
    std::uniform_int_distribution<int> pick(0, distinct - 1);
    const int v = pick(rnd);
    std::string s = "N" + std::to_string(v * 7919 % 100003);
    return s.substr(0, 10);
}

class RandomMaintTest : public MaintTest {
protected:
    // Three indexes and two UNIQUE ones between them (a unique order among the others is
    // where a left-out record once made the later orders stale).
    void OpenFive() {
        CreateMainTable();
        Build("name.ndx", "NAME");
        Build("uname.ndx", "NAME", true);
        Build("amt.ndx", "AMT");
        Build("utag.ndx", "TAG", true);
        Build("tag.ndx", "TAG"); // five values: long runs of equal keys
        dbf::Set_Index_To(Path("name.ndx") + " " + Path("uname.ndx") + " " + Path("amt.ndx") + " " +
                          Path("utag.ndx") + " " + Path("tag.ndx"));
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }

    // The keys a record was given (NAME, TAG): an edit puts its key into a UNIQUE index,
    // which keeps it until a record leaves that key.
    void Edited(int rec, const std::string& name, const std::string& tag) {
        ++op_;
        for (int f = 0; f < 2; ++f) {
            Keys& k = keys_[f];
            const std::string key = f == 0 ? name : tag;
            if (auto it = k.current.find(rec); it != k.current.end() && it->second != key)
                k.left[it->second] = op_;
            k.current[rec] = key;
            k.edited[rec] = op_;
        }
    }

    // Every non-unique index holds dbfread's key multiset; every UNIQUE one has no key twice,
    // only current keys, and the key of every edited record that no record left since.
    void CheckAll(const std::string& when) {
        const std::string records = " --records " + std::to_string(dbf::RecCount());
        EXPECT_EQ(Compare("NAME", "char", "name.ndx").substr(0, 2), "ok") << when;
        EXPECT_EQ(Compare("AMT", "num", "amt.ndx").substr(0, 2), "ok") << when;
        EXPECT_EQ(Compare("TAG", "char", "tag.ndx").substr(0, 2), "ok") << when;
        const char* fields[] = {"NAME", "TAG"};
        const char* files[] = {"uname.ndx", "utag.ndx"};
        for (int f = 0; f < 2; ++f) {
            Keys& k = keys_[f];
            std::string edited;
            for (const auto& [rec, at] : k.edited) {
                const auto left = k.left.find(k.current[rec]);
                if (left == k.left.end() || left->second < at)
                    edited += (edited.empty() ? "" : ",") + std::to_string(rec);
            }
            int status = 0;
            const std::string out = dbftest::RunCommand(
                ndxtest::Script("ndxmaint_reference.py") + " unique '" + Path("t.dbf") + "' " +
                    fields[f] + " char '" + Path(files[f]) + "' " +
                    (edited.empty() ? "-" : edited) + " 2>&1",
                status);
            EXPECT_EQ(out.substr(0, 2), "ok") << when << ": " << out;
            EXPECT_EQ(Check(Path(files[f]), records + " --unique"), "ok") << when;
        }
        for (const char* file : {"name.ndx", "amt.ndx", "tag.ndx"})
            EXPECT_EQ(Check(Path(file), records), "ok") << when;
    }

    // A pack renumbers the records and rebuilds every index: what was edited is settled, and
    // the records' keys are taken afresh.
    void Packed() {
        for (Keys& k : keys_)
            k = Keys{};
        for (int rec = 1; rec <= dbf::RecCount(); ++rec) {
            dbf::Dbf4RawGo(rec);
            keys_[0].current[rec] = dbf::RTrim(dbf::FieldStr(1));
            keys_[1].current[rec] = dbf::RTrim(dbf::FieldStr(3));
        }
    }

    struct Keys {
        std::map<int, std::string> current; // record -> key
        std::map<int, int> edited;          // record -> op of its last edit
        std::map<std::string, int> left;    // key -> op when a record last changed away from it
    };
    Keys keys_[2];
    int op_ = 0;
};

TEST_F(RandomMaintTest, RandomAppendsReplacesDeletesAndPacksKeepThreeIndexesExact) {
    OpenFive();
    std::mt19937 rnd(20);
    std::uniform_int_distribution<int> op(0, 999);
    std::uniform_real_distribution<double> amount(-5000, 5000);
    const char* tags[] = {"AA", "AB", "B", "CCC", ""};
    constexpr int kBatches = 8;
    constexpr int kOps = 20000;
    int packs = 0;
    for (int batch = 0; batch < kBatches; ++batch) {
        for (int i = 0; i < kOps / kBatches; ++i) {
            const int o = op(rnd);
            const int count = dbf::RecCount();
            const double amt = std::round(amount(rnd) * 1000) / 1000;
            if (o < 500 || count < 10) {
                const std::string name = RandomName(rnd, 300), tag = tags[rnd() % 5];
                AppendRow(name, amt, tag);
                Edited(dbf::RecNo(), name, tag);
            } else if (o < 850) {
                dbf::Go(1 + static_cast<int>(rnd() % count));
                const std::string name = RandomName(rnd, 300), tag = tags[rnd() % 5];
                SetFields(name, (o & 1) ? amt : dbf::FieldTextToDouble(dbf::FieldStr(2)), tag);
                dbf::Replace();
                Edited(dbf::RecNo(), name, tag);
            } else if (o < 998) {
                dbf::Go(1 + static_cast<int>(rnd() % count));
                dbf::DeleteRec();
            } else {
                ASSERT_TRUE(dbf::Pack()) << dbf::ErrorText;
                Packed();
                ++packs;
            }
            ASSERT_EQ(dbf::LastErrorCode, 0)
                << "op " << o << " batch " << batch << ": " << dbf::ErrorText;
        }
        CheckAll("after batch " + std::to_string(batch));
    }
    EXPECT_GT(packs, 0);
    // Navigation in the controlling order visits every record in key order.
    dbf::GoTop();
    std::string last;
    int seen = 0;
    while (!dbf::dEOF()) {
        const std::string name = dbf::FieldStr(1);
        EXPECT_LE(last, name);
        last = name;
        ++seen;
        dbf::Skip(1);
    }
    EXPECT_EQ(seen, dbf::RecCount());
}

TEST_F(MaintTest, LeafAndRootSplitsFollowTheHalvesAndKeepThePosition) {
    CreateMainTable();
    Build("name.ndx", "NAME");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("name.ndx"))) << dbf::LastErrorCode << dbf::ErrorText;
    // k = 25: 25 keys fill the root leaf; the 26th splits it into 13 + 13 under a new root.
    for (int i = 0; i < 25; ++i)
        AppendRow("K" + std::to_string(100 + 2 * i), 0, "");
    auto b = ndxtest::ReadBytes(Path("name.ndx"));
    EXPECT_EQ(ndxtest::U32(b, 0), 1u);
    EXPECT_EQ(ndxtest::U16(b, 512), 25);
    AppendRow("K101", 0, ""); // below the old half's last key: joins the old half
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    b = ndxtest::ReadBytes(Path("name.ndx"));
    EXPECT_EQ(ndxtest::U32(b, 0), 3u);    // new root at the next free block
    EXPECT_EQ(ndxtest::U32(b, 4), 4u);    // next free
    EXPECT_EQ(ndxtest::U16(b, 512), 14);  // old half: 13 + the new key
    EXPECT_EQ(ndxtest::U16(b, 1024), 12); // new half
    EXPECT_EQ(ndxtest::U16(b, 1536), 1);  // root: one key
    EXPECT_EQ(b.size(), 4u * 512);
    // The controlling order stands on the record just inserted.
    EXPECT_EQ(dbf::ControllingKeyText(), "K101      ");
    dbf::Skip(1);
    EXPECT_EQ(dbf::FieldStr(1), "K102      ");
    EXPECT_EQ(Check(Path("name.ndx"), "--records 26"), "ok");
    // Many more keys: interior splits.
    for (int i = 0; i < 2000; ++i)
        AppendRow("J" + std::to_string((i * 7) % 1000), 0, "");
    EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    EXPECT_EQ(Check(Path("name.ndx"), "--records 2026"), "ok");
    EXPECT_EQ(Compare("NAME", "char", "name.ndx"), "ok 2026");
}

TEST_F(MaintTest, FourKeysPerNodeDeepTreesGrowAndShrinkSoundly) {
    // A 100-byte key leaves room for 4 keys per node: many levels, many splits and bypasses.
    CreateMainTable();
    Build("long.ndx", "NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("long.ndx"))) << dbf::ErrorText;
    ASSERT_EQ(dbf::IndexOrder(1)->Anchor.KeysPerNode, 4);
    std::mt19937 rnd(4);
    for (int i = 0; i < 600; ++i)
        AppendRow("L" + std::to_string(rnd() % 150), 0, "");
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    EXPECT_EQ(Check(Path("long.ndx"), "--records 600"), "ok");
    for (int i = 0; i < 600; ++i) {
        dbf::Go(1 + static_cast<int>(rnd() % 600));
        SetFields("M" + std::to_string(rnd() % 90), 0, "");
        dbf::Replace();
        ASSERT_EQ(dbf::LastErrorCode, 0) << i << ": " << dbf::ErrorText;
    }
    EXPECT_EQ(Check(Path("long.ndx"), "--records 600"), "ok");
    // Take every key out in random order; the tree shrinks level by level.
    std::vector<int> order(600);
    for (int i = 0; i < 600; ++i)
        order[i] = i + 1;
    std::shuffle(order.begin(), order.end(), rnd);
    for (int n = 0; n < 600; ++n) {
        dbf::Go(order[n]);
        std::vector<std::uint8_t> key;
        ASSERT_TRUE(dbf::BuildRecordKey(*dbf::IndexOrder(1), key));
        ASSERT_TRUE(dbf::RemoveIndexKey(1, key.data(), order[n])) << n << dbf::ErrorText;
        if (n % 150 == 0) {
            EXPECT_EQ(Check(Path("long.ndx")), "ok") << n;
        }
    }
    const auto b = ndxtest::ReadBytes(Path("long.ndx"));
    EXPECT_EQ(ndxtest::U32(b, 0), 1u);
    EXPECT_EQ(ndxtest::U16(b, 512), 0);
}

TEST_F(MaintTest, RemovingEveryKeyGivesRootOneNextFreeTwoAndKeepsTheFileLength) {
    CreateMainTable();
    for (int i = 0; i < 700; ++i)
        AppendRow("R" + std::to_string(i % 97), 0, "");
    Build("name.ndx", "NAME");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("name.ndx"))) << dbf::LastErrorCode << dbf::ErrorText;
    const std::uint64_t length = FileSize(Path("name.ndx"));
    ASSERT_GT(ndxtest::U32(ndxtest::ReadBytes(Path("name.ndx")), 0), 1u);
    std::vector<int> order(700);
    for (int i = 0; i < 700; ++i)
        order[i] = i + 1;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int n = 0; n < 700; ++n) {
        const int r = order[n];
        dbf::Go(r);
        std::vector<std::uint8_t> key;
        ASSERT_TRUE(dbf::BuildRecordKey(*dbf::IndexOrder(1), key));
        ASSERT_TRUE(dbf::RemoveIndexKey(1, key.data(), r)) << dbf::ErrorText;
        if (n == 350) {
            EXPECT_EQ(Check(Path("name.ndx")), "ok");
        }
    }
    // A second removal of the same entry fails.
    std::vector<std::uint8_t> key;
    ASSERT_TRUE(dbf::BuildRecordKey(*dbf::IndexOrder(1), key));
    EXPECT_FALSE(dbf::RemoveIndexKey(1, key.data(), dbf::RecNo()));
    const auto b = ndxtest::ReadBytes(Path("name.ndx"));
    EXPECT_EQ(ndxtest::U32(b, 0), 1u);
    EXPECT_EQ(ndxtest::U32(b, 4), 2u);
    EXPECT_EQ(b.size(), length);
    // Block 1 is an empty leaf again, whatever it was before.
    EXPECT_EQ(ndxtest::U16(b, 512), 0);
    EXPECT_EQ(ndxtest::U32(b, 516), 0u);
    // The emptied index takes keys again from block 2 on.
    dbf::Go(5);
    ASSERT_TRUE(dbf::AppendIndex(1, key.data()));
    int status = 0;
    const std::string dump =
        dbftest::RunCommand("index_dump --type=char '" + Path("name.ndx") + "' X 2>&1", status);
    EXPECT_EQ(dump,
              dbf::FieldStr(1).substr(0, 0) + std::string(key.begin(), key.end() - 1) + " 5\n");
}

// A list of index names is taken whole or refused whole: one longer than 255 characters (with
// one blank between its names), or of more than 16 names, opens nothing, names the limit and
// leaves the orders open before as they were.
TEST_F(MaintTest, AnIndexListIsTakenWholeOrRefusedWhole) {
    CreateMainTable();
    const std::size_t k = 255 - 1 - Path("b.ndx").size() - Path("").size() - 4; // a(k).ndx b.ndx
    for (const std::string& name : {std::string(k, 'a'), std::string(k + 1, 'a'), std::string("b")})
        Build(name + ".ndx", "NAME");
    std::string seventeen = "b.ndx"; // names beside the table
    while (seventeen.size() < 17 * 6 - 1)
        seventeen += " b.ndx";
    const std::pair<std::string, const char*> cases[] = {
        {Path(std::string(k, 'a') + ".ndx") + " \t  " + Path("b.ndx") + " ", nullptr},
        {Path(std::string(k + 1, 'a') + ".ndx") + " " + Path("b.ndx"), "than 255 characters (256)"},
        {seventeen, "than 16 indexes (17)"}};
    for (const auto& [list, limit] : cases) {
        dbf::Set_Index_To(Path("b.ndx"));
        dbf::Set_Index_To(list);
        EXPECT_EQ(dbf::LastErrorCode, limit != nullptr ? dbf::kErrInvalidParameter : 0);
        EXPECT_NE(dbf::ErrorText.find(limit != nullptr ? limit : ""), std::string::npos);
        EXPECT_EQ(dbf::IndexOrder(2) != nullptr, limit == nullptr); // all or nothing
    }
}

TEST_F(MaintTest, FailedInsertionIntoOrderThreeRollsBackOrdersOneAndTwo) {
    CreateMainTable();
    for (int i = 0; i < 300; ++i)
        AppendRow("A" + std::to_string(i), i, "T" + std::to_string(i % 5));
    Build("o1.ndx", "NAME");
    Build("o2.ndx", "AMT");
    Build("o3.ndx", "TAG");
    dbf::Set_Index_To(Path("o1.ndx") + " " + Path("o2.ndx") + " " + Path("o3.ndx"));
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    const std::string list1 = List("o1.ndx"), list2 = List("o2.ndx");
    // Order 3 points its root past the file: its insertion fails.
    dbf::TIndexControl* o3 = dbf::IndexOrder(3);
    ASSERT_NE(o3, nullptr);
    const std::uint32_t root = o3->Anchor.Root;
    o3->Anchor.Root = o3->Anchor.NextFree + 10;
    dbf::FlushDbf(*dbf::CurrentWorkArea());
    const std::string table = dbftest::ReadFileBytes(Path("t.dbf"));
    // The record and the keys go in together or not at all: an append and a change that
    // order 3 cannot follow leave the table and orders 1 and 2 as they were.
    AppendRow("A0", 1234.5, "ZZ");
    EXPECT_NE(dbf::LastErrorCode, 0);
    EXPECT_EQ(dbf::RecCount(), 300);
    dbf::Go(7);
    SetFields("CHANGED", -1, "T9");
    dbf::Replace();
    EXPECT_NE(dbf::LastErrorCode, 0);
    EXPECT_EQ(dbf::GetVarDouble(dbf::FieldAddress(2)), -1); // the caller's values stay
    dbf::FlushDbf(*dbf::CurrentWorkArea());
    EXPECT_EQ(dbftest::ReadFileBytes(Path("t.dbf")), table);
    EXPECT_EQ(List("o1.ndx"), list1);
    EXPECT_EQ(List("o2.ndx"), list2);
    EXPECT_EQ(Check(Path("o1.ndx"), "--records 300"), "ok");
    EXPECT_EQ(Check(Path("o2.ndx"), "--records 300"), "ok");
    o3->Anchor.Root = root;
}

// A record a UNIQUE index left out (a duplicate) changes without error: its new key goes in,
// and the orders after the unique one follow (they once kept the old key).
TEST_F(MaintTest, ChangingARecordAUniqueIndexLeftOut) {
    CreateMainTable();
    Build("qty.ndx", "AMT");
    Build("ucode.ndx", "NAME", true);
    Build("code.ndx", "NAME");
    dbf::Set_Index_To(Path("qty.ndx") + " " + Path("ucode.ndx") + " " + Path("code.ndx"));
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    AppendRow("A", 1, "");
    AppendRow("A", 2, "");
    for (const auto& [rec, code] : {std::pair{1, "B"}, {2, "C"}}) {
        dbf::Go(rec);
        SetFields(code, rec, "");
        dbf::Replace();
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }
    EXPECT_EQ(Compare("NAME", "char", "code.ndx"), "ok 2");
    EXPECT_EQ(Compare("NAME", "char", "ucode.ndx"), "ok 2");
    dbf::Set_Order_To(2);
    dbf::Go(2);
    EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
}

TEST_F(MaintTest, UniqueIndexKeepsTheFirstRecordOfAKey) {
    CreateMainTable();
    AppendRow("SAME", 1, "");
    Build("u.ndx", "NAME", true);
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("u.ndx")));
    const std::string before = List("u.ndx");
    AppendRow("SAME", 2, "");
    EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    EXPECT_EQ(List("u.ndx"), before);
    AppendRow("OTHER", 3, "");
    EXPECT_EQ(Check(Path("u.ndx"), "--unique"), "ok");
}

TEST_F(MaintTest, FindPartialAndExactOnATenCharacterKey) {
    CreateMainTable();
    for (const char* n : {"ABX", "ABCDEF", "ABC", "B", "ABCZ", "ABD"})
        AppendRow(n, 0, "");
    Build("name.ndx", "NAME");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("name.ndx"))) << dbf::LastErrorCode << dbf::ErrorText;
    EXPECT_FALSE(dbf::ExactOffProc());
    EXPECT_TRUE(dbf::Find("ABC"));
    EXPECT_EQ(dbf::RecNo(), 3); // "ABC       " sorts before "ABCDEF"
    EXPECT_TRUE(dbf::Find("ABCD"));
    EXPECT_EQ(dbf::RecNo(), 2);
    EXPECT_FALSE(dbf::ExactOnProc());
    EXPECT_FALSE(dbf::Find("ABCD"));
    EXPECT_TRUE(dbf::dEOF());
    EXPECT_EQ(dbf::RecNo(), 7);
    EXPECT_TRUE(dbf::Find("ABCZ"));
    EXPECT_EQ(dbf::RecNo(), 5);
    EXPECT_TRUE(dbf::ExactOffProc());
    EXPECT_FALSE(dbf::Find("ZZZ")); // above every key
    EXPECT_TRUE(dbf::dEOF());
    EXPECT_FALSE(dbf::Find(""));
    dbf::Set_Order_To(0);
    EXPECT_FALSE(dbf::Find("ABC"));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal);
    EXPECT_EQ(dbf::ControllingOrder(), 0);
    EXPECT_EQ(dbf::ControllingKeyText().substr(0, 4), "Rec:");
    // Natural order still keeps the keys.
    AppendRow("NATURAL", 0, "");
    dbf::Set_Order_To(1);
    EXPECT_TRUE(dbf::Find("NATURAL"));
    EXPECT_EQ(dbf::RecNo(), 7);
    EXPECT_EQ(dbf::ControllingKeyText(), "NATURAL   ");
}

TEST_F(MaintTest, OrderSelectionSwapsSlotsAndComesBack) {
    CreateMainTable();
    for (int i = 0; i < 60; ++i)
        AppendRow("N" + std::to_string(100 - i), i, "T" + std::to_string(i % 7));
    Build("name.ndx", "NAME");
    Build("amt.ndx", "AMT");
    Build("tag.ndx", "TAG");
    dbf::Set_Index_To(Path("name.ndx") + " nocache " + Path("amt.ndx") + " " + Path("tag.ndx"));
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    ASSERT_EQ(dbf::ControllingOrder(), 1);
    EXPECT_TRUE(dbf::IndexOrder(1)->NoCache);
    EXPECT_FALSE(dbf::AreaIndexes(1)->Cache.Enabled());
    EXPECT_EQ(dbf::IndexFileName(3), Path("tag.ndx"));
    dbf::Set_Order_To(2);
    EXPECT_EQ(dbf::ControllingOrder(), 2);
    dbf::Set_Order_To(3);
    EXPECT_EQ(dbf::ControllingOrder(), 3);
    dbf::GoTop();
    EXPECT_EQ(dbf::FieldStr(3), "T0 ");
    dbf::Set_Order_To(1);
    EXPECT_EQ(dbf::ControllingOrder(), 1);
    EXPECT_EQ(dbf::IndexFileName(1), Path("name.ndx"));
    dbf::GoTop();
    EXPECT_EQ(dbf::FieldStr(1), "N100      ");
    // Changing records under another controlling order moves keys in all three.
    dbf::Set_Order_To(2);
    for (int r = 1; r <= 60; r += 3) {
        dbf::Go(r);
        SetFields("M" + std::to_string(r), -r, "X");
        dbf::Replace();
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }
    EXPECT_EQ(Compare("NAME", "char", "name.ndx"), "ok 60");
    EXPECT_EQ(Compare("AMT", "num", "amt.ndx"), "ok 60");
    EXPECT_EQ(Check(Path("tag.ndx"), "--records 60"), "ok");
    dbf::Set_Order_To(17);
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInvalidParameter);
    dbf::Set_Order_To(5);
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrIndexNotOpen);
}

TEST_F(MaintTest, FindOnANumericKey) {
    CreateMainTable();
    for (double v : {12.5, -3.0, 7.25, 12.5, 1000.0})
        AppendRow("X", v, "");
    Build("amt.ndx", "AMT");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("amt.ndx"))) << dbf::ErrorText;
    EXPECT_TRUE(dbf::Find("12.5"));
    EXPECT_EQ(dbf::RecNo(), 1);
    dbf::Skip(1);
    EXPECT_EQ(dbf::RecNo(), 4);
    EXPECT_TRUE(dbf::Find(" -3 "));
    EXPECT_EQ(dbf::RecNo(), 2);
    EXPECT_FALSE(dbf::Find("12.4"));
    EXPECT_TRUE(dbf::dEOF());
}

TEST_F(MaintTest, DescendingKeyMakerIndexTakesNewKeysAndFindsThem) {
    CreateMainTable();
    for (const char* n : {"alpha", "Bravo"})
        AppendRow(n, 0, "");
    dbf::KeyMakerProc maker = [](std::uint8_t) { return dbf::TzUpperStr(dbf::FieldStr(1)); };
    ASSERT_TRUE(dbf::MakeIndex(Path("km.ndx"), "", false, 1, false, true, maker)) << dbf::ErrorText;
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("km.ndx") + " DESCENDING", maker)) << dbf::ErrorText;
    AppendRow("charlie", 0, "");
    AppendRow("ALPHA", 0, "");
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    std::vector<std::string> seen;
    for (dbf::GoTop(); !dbf::dEOF(); dbf::Skip(1))
        seen.push_back(dbf::AllTrim(dbf::FieldStr(1)));
    EXPECT_EQ(seen, (std::vector<std::string>{"charlie", "Bravo", "alpha", "ALPHA"}));
    EXPECT_TRUE(dbf::Find("BRA"));
    EXPECT_EQ(dbf::RecNo(), 2);
    EXPECT_FALSE(dbf::Find("DELTA"));
    EXPECT_EQ(Check(Path("km.ndx"), "--records 4"), "ok");
    // An expression index cannot be opened as a key-maker index, nor the other way round.
    Build("name.ndx", "NAME");
    EXPECT_FALSE(dbf::SetIndexTo(Path("name.ndx"), 2, maker));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrIndexVersion);
    dbf::CloseIndexes();
    EXPECT_FALSE(dbf::SetIndexTo(Path("km.ndx"), 1));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrIndexVersion);
}

TEST_F(MaintTest, DateKeysAreDayNumbersAndFindTakesTheStoredForm) {
    CreateTable("d.dbf", {ndxtest::Def("DAY", 'D', 8), ndxtest::Def("ID", 'N', 8)});
    auto add = [&](const char* stored) {
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), dbf::DbfTextToBlockDate(stored), dbf::kDateVarSize);
        dbf::SetVarInt64(dbf::FieldAddress(2), ++lastId_);
        dbf::Append();
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    };
    add("20240102");
    Build("day.ndx", "DAY");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("day.ndx"))) << dbf::ErrorText;
    for (const char* d : {"19991231", "20240101", "20240102", "21000301"})
        add(d);
    EXPECT_TRUE(dbf::Find(" 20240101 "));
    EXPECT_EQ(dbf::RecNo(), 3);
    EXPECT_TRUE(dbf::Find("20240102"));
    EXPECT_EQ(dbf::RecNo(), 1);
    EXPECT_FALSE(dbf::Find("20240103"));
    int status = 0;
    // index_dump lists date keys as Julian day numbers: 2024-01-01 is day 2460311.
    const std::string dump =
        dbftest::RunCommand("index_dump --type=date '" + Path("day.ndx") + "' X 2>&1", status);
    EXPECT_NE(dump.find("2460311 3\n"), std::string::npos) << dump;
    EXPECT_EQ(Check(Path("day.ndx"), "--records 5"), "ok");
}

TEST_F(MaintTest, TemporarySortIndexNameIsOwnedByTheProcess) {
    const std::string mine = dbf::TempSortIndexName("/data/tables");
    EXPECT_EQ(mine.rfind("/data/tables/$keltemp", 0), 0u);
    EXPECT_EQ(mine.substr(mine.size() - 4), ".ndx");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string other = dbf::TempSortIndexName("/data/tables/");
        const ssize_t w = write(fds[1], other.data(), other.size());
        _exit(w == static_cast<ssize_t>(other.size()) ? 0 : 1);
    }
    close(fds[1]);
    char buf[256] = {};
    const ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GT(n, 0);
    EXPECT_NE(std::string(buf, n), mine);
    EXPECT_EQ(std::string(buf, n).rfind("/data/tables/$keltemp", 0), 0u);
}

TEST_F(MaintTest, IndexInfoReadsTheHeader) {
    CreateMainTable();
    AppendRow("X", 1, "");
    Build("name.ndx", "name");
    dbf::TIndexInfo info;
    ASSERT_TRUE(dbf::IndexInfo(Path("name.ndx"), info));
    EXPECT_EQ(info.Expression, "NAME");
    EXPECT_EQ(info.KeyLength, 10);
    EXPECT_EQ(info.KeyType, 'C');
    EXPECT_FALSE(dbf::IndexInfo("", info));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInvalidParameter);
    EXPECT_FALSE(dbf::SetIndexTo(Path("none.ndx"), 1));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrFileNotFound);
    EXPECT_FALSE(dbf::SetIndexTo(Path("name.ndx"), 17));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInvalidParameter);
}

} // namespace
