// Index build: file layout of small trees, independent readers on large random tables, runs
// against one in-memory sort, UNIQUE, progress calls, and a failed build that keeps the old
// index.

#include "ndx_testutil.h"

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

using namespace ndxtest;

namespace {

class NdxBuild : public NdxTest {};

std::vector<std::string> Names(int n) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) {
        // Descending in record order, so the index must sort them.
        std::string s = "K" + std::to_string(100000 - i);
        v.push_back(s);
    }
    return v;
}

TEST_F(NdxBuild, EmptyTableGivesOneEmptyLeaf) {
    CreateTable("e.dbf", {Def("NAME", 'C', 10)});
    ASSERT_TRUE(dbf::Index_On("NAME", "e")) << dbf::ErrorText;
    const auto b = ReadBytes(Path("e.NDX"));
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(U32(b, 0), 1u);
    EXPECT_EQ(U32(b, 4), 2u);
    EXPECT_EQ(U16(b, 512), 0u);
    EXPECT_EQ(Check(Path("e.NDX"), "--records 0"), "ok");
    // Positioned at the beginning and at the end.
    EXPECT_TRUE(dbf::dEOF());
    EXPECT_TRUE(dbf::dBOF());
}

TEST_F(NdxBuild, KeysPerNodeAndOneMoreRecord) {
    CreateTable("k.dbf", {Def("NAME", 'C', 10)});
    AppendNames(Names(25));
    ASSERT_TRUE(dbf::Index_On("NAME", "k")) << dbf::ErrorText;
    auto b = ReadBytes(Path("k.NDX"));
    EXPECT_EQ(b.size(), 2 * 512u);
    EXPECT_EQ(U32(b, 0), 1u);
    EXPECT_EQ(U16(b, 512), 25u);

    AppendNames({"K000"});
    ASSERT_TRUE(dbf::Index_On("NAME", "k")) << dbf::ErrorText;
    b = ReadBytes(Path("k.NDX"));
    ASSERT_EQ(b.size(), 4 * 512u);
    EXPECT_EQ(U32(b, 0), 3u);
    EXPECT_EQ(U32(b, 4), 4u);
    EXPECT_EQ(U16(b, 512), 25u);     // block 1: full leaf
    EXPECT_EQ(U16(b, 1024), 1u);     // block 2: one key
    EXPECT_EQ(U16(b, 1536), 1u);     // block 3: root with one key
    EXPECT_EQ(U32(b, 1536 + 4), 1u); // its children: 1 and then 2
    EXPECT_EQ(U32(b, 1536 + 4 + 20), 2u);
    EXPECT_EQ(Check(Path("k.NDX"), "--records 26 --record-order"), "ok");
}

TEST_F(NdxBuild, RightEdgeSkipsEmptyLevels) {
    CreateTable("r.dbf", {Def("NAME", 'C', 10)});
    AppendNames(Names(651)); // k (k + 1) + 1 with k = 25
    ASSERT_TRUE(dbf::Index_On("NAME", "r")) << dbf::ErrorText;
    const auto b = ReadBytes(Path("r.NDX"));
    ASSERT_EQ(b.size(), 30 * 512u);
    EXPECT_EQ(U32(b, 0), 29u);
    const std::size_t root = 29 * 512;
    EXPECT_EQ(U16(b, root), 1u);
    EXPECT_EQ(U32(b, root + 4), 27u);      // the level-1 node over 26 full leaves
    EXPECT_EQ(U32(b, root + 4 + 20), 28u); // right-most child: the last leaf itself
    EXPECT_EQ(U16(b, 28 * 512), 1u);
    EXPECT_EQ(U32(b, 28 * 512 + 4), 0u);
    EXPECT_EQ(Check(Path("r.NDX"), "--records 651 --record-order"), "ok");
}

TEST_F(NdxBuild, KeyLayoutsOfBuiltFiles) {
    CreateTable("l.dbf", {Def("A", 'C', 12), Def("B", 'C', 13), Def("C", 'C', 100),
                          Def("N", 'N', 9, 2), Def("D", 'D', 8)});
    AppendNames({"x", "y"});
    struct Case {
        const char* expr;
        const char* file;
        char letter;
        int keyLength, entry, perNode;
    } cases[] = {{"A", "a", 'C', 12, 20, 25},  {"B", "b", 'C', 13, 24, 21},
                 {"C", "c", 'C', 100, 108, 4}, {"N", "n", 'N', 8, 16, 31},
                 {"D", "d", 'D', 8, 16, 31},   {"A+B", "ab", 'C', 25, 36, 14}};
    for (const Case& c : cases) {
        ASSERT_TRUE(dbf::MakeIndex(c.file, c.expr, false, 1, false, false, {})) << c.expr;
        const auto b = ReadBytes(Path(std::string(c.file) + ".NDX"));
        ASSERT_EQ(b.size(), 1024u) << c.expr;
        EXPECT_EQ(b.at(9), c.letter) << c.expr;
        EXPECT_EQ(U16(b, 12), c.keyLength) << c.expr;
        EXPECT_EQ(U16(b, 14), c.perNode) << c.expr;
        EXPECT_EQ(U16(b, 16), c.letter == 'C' ? 0 : 1) << c.expr;
        EXPECT_EQ(U16(b, 18), c.entry) << c.expr;
        // Record count and its complement, and the table name.
        EXPECT_EQ(U32(b, 492), 2u);
        EXPECT_EQ(U32(b, 488), ~2u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[496])), "l.dbf");
        EXPECT_EQ(Check(Path(std::string(c.file) + ".NDX"), "--records 2"), "ok") << c.expr;
    }
}

TEST_F(NdxBuild, StoredExpressionIsNormalised) {
    CreateTable("s.dbf", {Def("NAME", 'C', 10)});
    ASSERT_TRUE(dbf::MakeIndex("s", "upper( name ) + 'a b'", false, 1, false, false, {}))
        << dbf::ErrorText;
    const auto b = ReadBytes(Path("s.NDX"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[24])), "UPPER(NAME)+\"a b\"");
}

TEST_F(NdxBuild, RefusedBuilds) {
    CreateTable("f.dbf", {Def("NAME", 'C', 10), Def("OK", 'L', 1)});
    EXPECT_FALSE(dbf::MakeIndex("f", std::string(101, 'N'), false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrExprTooLong);
    EXPECT_FALSE(dbf::MakeIndex("f", "OK", false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal);
    EXPECT_FALSE(dbf::MakeIndex("", "NAME", false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInvalidParameter);
    EXPECT_FALSE(dbf::MakeIndex("f", "   ", false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal);
    EXPECT_FALSE(dbf::MakeIndex("f", "NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME+NAME",
                                false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInvalidSize);
    // The file open as an order cannot be rebuilt under it.
    ASSERT_TRUE(dbf::Index_On("NAME", "f"));
    EXPECT_FALSE(dbf::MakeIndex("f", "NAME", false, 1, false, false, {}));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrFileInUse);
    // No temporary file is left behind by any of them.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2); // f.dbf and f.ndx
    // A pipe or a folder in the index's place is refused, saying what it is.
    ASSERT_EQ(::mkfifo(Path("p.NDX").c_str(), 0600) + ::mkdir(Path("d.NDX").c_str(), 0700), 0);
    for (const auto& [name, cause] : {std::pair{"p", "it is a named pipe (FIFO), not a file"},
                                      std::pair{"d", "it is a folder"}}) {
        EXPECT_FALSE(dbf::MakeIndex(name, "NAME", false, 1, false, false, {}));
        EXPECT_EQ(dbf::ErrorCauseWords(dbf::LastErrorCode), cause);
    }
}

TEST_F(NdxBuild, UniqueKeepsLowestRecord) {
    CreateTable("u.dbf", {Def("NAME", 'C', 10), Def("N", 'N', 5)});
    for (int i = 0; i < 10; ++i) {
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), i < 10 ? "SAME" : "", 10);
        dbf::SetVarInt64(dbf::FieldAddress(2), i % 3 == 0 ? 0 : i % 3);
        dbf::Append();
    }
    ASSERT_TRUE(dbf::Index_On("NAME", "u UNIQUE")) << dbf::ErrorText;
    auto b = ReadBytes(Path("u.NDX"));
    EXPECT_EQ(b.at(23), 1);
    EXPECT_EQ(U16(b, 512), 1u);
    EXPECT_EQ(U32(b, 512 + 8), 1u);
    // Numeric keys 0 (records 1, 4, 7, 10), 1 (2, 5, 8), 2 (3, 6, 9).
    ASSERT_TRUE(dbf::Index_On("N", "v unique")) << dbf::ErrorText;
    b = ReadBytes(Path("v.NDX"));
    ASSERT_EQ(U16(b, 512), 3u);
    EXPECT_EQ(U32(b, 512 + 8), 1u);
    EXPECT_EQ(U32(b, 512 + 8 + 16), 2u);
    EXPECT_EQ(U32(b, 512 + 8 + 32), 3u);
    EXPECT_EQ(Check(Path("v.NDX"), "--unique"), "ok");
}

TEST_F(NdxBuild, ExactlyTheProgressCallsAsked) {
    CreateTable("p.dbf", {Def("NAME", 'C', 10)});
    int calls = 0;
    const int counts[] = {0, 1, 2, 7, 60, 1000};
    const int ticks[] = {1, 3, 7, 50, 100};
    int have = 0;
    for (int n : counts) {
        std::vector<std::string> add;
        for (int i = have; i < n; ++i)
            add.push_back("N" + std::to_string(i % 13));
        AppendNames(add);
        have = n;
        for (int t : ticks) {
            calls = 0;
            dbf::SetIndexProgress([&] { ++calls; }, t);
            ASSERT_TRUE(dbf::MakeIndex("p", "NAME", false, 1, false, false, {}));
            EXPECT_EQ(calls, t) << n << " records, " << t << " ticks";
            calls = 0;
            ASSERT_TRUE(dbf::MakeIndex("p", "NAME", false, 1, true, false, {}));
            EXPECT_EQ(calls, t) << n << " records, " << t << " ticks, unique";
        }
    }
    calls = 0;
    dbf::SetIndexProgress([&] { ++calls; }, 0);
    ASSERT_TRUE(dbf::MakeIndex("p", "NAME", false, 1, false, false, {}));
    EXPECT_EQ(calls, 0);
}

TEST_F(NdxBuild, FailedBuildKeepsTheOldIndex) {
    CreateTable("g.dbf", {Def("NAME", 'C', 10)});
    AppendNames(Names(300));
    ASSERT_TRUE(dbf::MakeIndex("g", "NAME", false, 1, false, false, {}));
    const auto before = ReadBytes(Path("g.NDX"));
    int calls = 0;
    auto failing = [&](std::uint8_t) -> std::string {
        if (++calls == 200) dbf::SetError(99, "key maker failed");
        return "ABCD";
    };
    EXPECT_FALSE(dbf::MakeIndex("g", "", false, 1, false, false, failing));
    EXPECT_EQ(dbf::LastErrorCode, 99);
    EXPECT_EQ(ReadBytes(Path("g.NDX")), before);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 2);
}

TEST_F(NdxBuild, KeyMakerIndexes) {
    CreateTable("m.dbf", {Def("NAME", 'C', 10)});
    AppendNames({"A", "B", "ROBERT", "C"});
    auto maker = [](std::uint8_t) { return dbf::GetVarString(dbf::FieldAddress(1)); };
    ASSERT_TRUE(dbf::Index_OnKeyMaker("m DESCENDING", maker)) << dbf::ErrorText;
    auto b = ReadBytes(Path("m.NDX"));
    EXPECT_EQ(b.at(9), 'C');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[24])),
              "USERDEFINEDKEYMAKERWASUSEDTOBUILDTHISINDEX");
    // Descending: C, B, A after ROBERT.
    std::vector<std::int32_t> order;
    for (dbf::GoTop(); !dbf::dEOF(); dbf::Skip())
        order.push_back(dbf::RecNo());
    EXPECT_EQ(order, (std::vector<std::int32_t>{3, 4, 2, 1}));
    ASSERT_TRUE(dbf::Index_OnKeyMaker("m2 SOUNDEX", maker)) << dbf::ErrorText;
    b = ReadBytes(Path("m2.NDX"));
    EXPECT_EQ(U16(b, 12), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[512 + 4 + 3 * 12 + 8]), 4), "R163");
    // An expression index refuses to open without its key maker and the other way round.
    dbf::CloseAllIndexes();
    EXPECT_FALSE(dbf::OpenIndexOrder(Path("m.NDX"), 1, {}, false, false, false));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrIndexVersion);
}

TEST_F(NdxBuild, OneRunAgainstAMerge) {
    // 8189 items sort in memory; 8190 make two runs. The merged tree must equal the one a
    // single in-memory sort gives, byte for byte.
    MakeRandomTable("w.dbf", 8190, 7, 5);
    const std::size_t saved = dbf::IndexRunItems;
    for (const char* expr : {"NAME", "TAG", "AMT", "DAY"}) {
        dbf::IndexRunItems = 8189;
        ASSERT_TRUE(dbf::MakeIndex("two", expr, false, 1, false, false, {})) << expr;
        dbf::IndexRunItems = 100000;
        ASSERT_TRUE(dbf::MakeIndex("one", expr, false, 1, false, false, {})) << expr;
        dbf::IndexRunItems = 97; // many runs
        ASSERT_TRUE(dbf::MakeIndex("many", expr, false, 1, false, false, {})) << expr;
        const auto one = ReadBytes(Path("one.NDX"));
        EXPECT_EQ(ReadBytes(Path("two.NDX")), one) << expr;
        EXPECT_EQ(ReadBytes(Path("many.NDX")), one) << expr;
        EXPECT_EQ(Check(Path("two.NDX"), "--records 8190 --record-order"), "ok") << expr;
    }
    dbf::IndexRunItems = saved;
}

TEST_F(NdxBuild, RandomTableMatchesIndexDump) {
    MakeRandomTable("big.dbf", 100000, 42);
    struct Case {
        const char* expr;
        const char* kind;
        bool unique;
    } cases[] = {{"NAME", "char", false},
                 {"AMT", "num", false},
                 {"DAY", "date", false},
                 {"TAG", "char", true}};
    for (const Case& c : cases) {
        const std::string ndx = Path(std::string("big_") + c.expr + ".NDX");
        ASSERT_TRUE(dbf::MakeIndex(ndx, c.expr, false, 1, c.unique, false, {})) << c.expr;
        EXPECT_EQ(CompareWithDump("big.dbf", c.expr, c.kind, ndx, c.unique),
                  c.unique ? "ok 50" : "ok 100000")
            << c.expr;
        EXPECT_EQ(Check(ndx, std::string("--records 100000 --record-order") +
                                 (c.unique ? " --unique" : "")),
                  "ok")
            << c.expr;
    }
}

} // namespace

namespace {

class NdxReindex : public NdxTest {};

TEST_F(NdxReindex, RebuildsEveryOpenOrder) {
    MakeRandomTable("x.dbf", 2000, 9, 20);
    ASSERT_TRUE(dbf::Index_On("NAME", "xn")) << dbf::ErrorText;
    ASSERT_TRUE(dbf::MakeIndex("xa", "AMT", false, 2, false, false, {})) << dbf::ErrorText;
    ASSERT_TRUE(dbf::OpenIndexOrder(Path("xa.NDX"), 2, {}, false, false, false)) << dbf::ErrorText;
    ASSERT_TRUE(dbf::MakeIndex("xt", "TAG", false, 3, true, false, {})) << dbf::ErrorText;
    ASSERT_TRUE(dbf::OpenIndexOrder(Path("xt.NDX"), 3, {}, false, false, false)) << dbf::ErrorText;
    // Records appended with key maintenance switched off leave the files behind.
    dbf::IndexHooks.AppendNewKey = nullptr;
    for (int i = 0; i < 700; ++i) {
        dbf::ClearRecord();
        dbf::SetVarString(dbf::FieldAddress(1), "R" + std::to_string(i * 7919 % 1000), 10);
        dbf::SetVarDouble(dbf::FieldAddress(2), (i % 37) * 12.5 - 200);
        dbf::SetVarString(dbf::FieldAddress(4), "U" + std::to_string(i % 30), 3);
        dbf::Append();
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }
    dbf::Reindex();
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    dbf::FlushDbf(*dbf::CurrentWorkArea());
    EXPECT_EQ(CompareWithDump("x.dbf", "NAME", "char", Path("xn.NDX")), "ok 2700");
    EXPECT_EQ(CompareWithDump("x.dbf", "AMT", "num", Path("xa.NDX")), "ok 2700");
    EXPECT_EQ(CompareWithDump("x.dbf", "TAG", "char", Path("xt.NDX"), true), "ok 50");
    EXPECT_EQ(Check(Path("xt.NDX"), "--unique --records 2700"), "ok");
    // The orders keep their numbers and options.
    ASSERT_NE(dbf::IndexOrder(1), nullptr);
    EXPECT_EQ(dbf::IndexOrder(1)->OrderNo, 1);
    EXPECT_EQ(dbf::IndexOrder(3)->Anchor.Unique, 1);
    EXPECT_EQ(dbf::IndexOrder(2)->FileName, Path("xa.NDX"));
}

TEST_F(NdxReindex, KeyMakerKeysInTheDosCodePage) {
    dbf::AnsiTables = false;
    CreateTable("o.dbf", {Def("NAME", 'C', 10)});
    ASSERT_EQ(dbf::CurrentWorkArea()->Page, os::CodePage::Cp437);
    AppendNames({"\x8Erger", "Abc"}); // A-umlaut, in the table's page
    auto maker = [](std::uint8_t) { return dbf::GetVarString(dbf::FieldAddress(1)); };
    ASSERT_TRUE(dbf::Index_OnKeyMaker("o", maker)) << dbf::ErrorText;
    const auto b = ReadBytes(Path("o.NDX"));
    ASSERT_EQ(U16(b, 12), 10u); // the key maker's result for the current record, blank padded
    // Leaf: "Abc" then the DOS code of A-umlaut (0x8E), both blank padded to 10.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[512 + 4 + 8]), 10), "Abc       ");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[512 + 4 + 20 + 8]), 10),
              "\x8Erger     ");
    // A key maker that returns less than the key length gets blanks, not stray bytes.
    auto shortMaker = [](std::uint8_t) {
        return std::string(dbf::RecNo() == 1 ? "LONGERKEY" : "S");
    };
    dbf::Go(1);
    ASSERT_TRUE(dbf::MakeIndex("p", "", false, 1, false, false, shortMaker)) << dbf::ErrorText;
    const auto p = ReadBytes(Path("p.NDX"));
    ASSERT_EQ(U16(p, 12), 9u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[512 + 4 + 20 + 8]), 9), "S        ");
}

} // namespace

namespace {

class NdxShared : public NdxTest {};

TEST_F(NdxShared, IndexHeldByAnotherProgramIsNotReplaced) {
    CreateTable("h.dbf", {Def("NAME", 'C', 10)});
    AppendNames({"B", "A"});
    ASSERT_TRUE(dbf::MakeIndex("h", "NAME", false, 1, false, false, {}));
    dbf::CloseAll();
    dbf::MultiUser = true;
    ASSERT_TRUE(dbf::Select(1));
    dbf::Use(Path("h.dbf"));
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    const auto before = ReadBytes(Path("h.NDX"));
    {
        os::File other; // another program's open index
        ASSERT_EQ(other.Open(Path("h.NDX"), 66u), 0);
        EXPECT_FALSE(dbf::MakeIndex("h", "NAME", false, 1, true, false, {}));
        EXPECT_EQ(dbf::LastErrorCode, dbf::kErrExclusiveRequired);
        EXPECT_EQ(ReadBytes(Path("h.NDX")), before);
    }
    EXPECT_TRUE(dbf::MakeIndex("h", "NAME", false, 1, true, false, {})) << dbf::ErrorText;
    EXPECT_EQ(ReadBytes(Path("h.NDX")).at(23), 1);
}

} // namespace

namespace {

TEST_F(NdxBuild, BuildLeftByAnEngineExceptionCleansUp) {
    CreateTable("q.dbf", {Def("NAME", 'C', 10)});
    AppendNames(Names(9000)); // two runs: the temporary run file exists when it fails
    dbf::Go(17);
    const std::string before = dbf::FieldStr(1);
    int calls = 0;
    auto failing = [&](std::uint8_t) -> std::string {
        if (++calls == 8500) dbf::SetError(99, "key maker failed");
        return dbf::GetVarString(dbf::FieldAddress(1));
    };
    // The run file goes to the temporary directory: here a directory of the test's own.
    const std::string temp = Path("temp");
    std::filesystem::create_directory(temp);
    const char* oldTemp = std::getenv("TMPDIR");
    const std::string savedTemp = oldTemp != nullptr ? oldTemp : "";
    setenv("TMPDIR", temp.c_str(), 1);
    {
        dbf::RaiseOnErrorScope raise;
        dbf::SetErrorReporting(true);
        EXPECT_THROW(dbf::MakeIndex("q", "", false, 1, false, false, failing), dbf::ERivozError);
        dbf::SetErrorReporting(false);
    }
    if (oldTemp != nullptr)
        setenv("TMPDIR", savedTemp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    EXPECT_TRUE(std::filesystem::is_empty(temp));
    std::filesystem::remove(temp);
    EXPECT_EQ(dbf::RecNo(), 17);
    EXPECT_EQ(dbf::FieldStr(1), before);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1); // the table alone
}

} // namespace
