// Every character of code pages 437, 850 and 1252, in tables whose header names the page and in
// tables that leave it to the setting: typed through a dataset and read back by dbfread, upper-
// and lower-cased, indexed and found by Find, Search and Locate, appended with its memo into a
// table of another page, and saved as delimited text; each against Python's own codecs.

#include <sstream>

#include "dataset_testutil.h"
#include "dbf/base/text.h"
#include "dbf/dataset/file_dataset.h"
#include "dbf/expr/expression.h"
#include "dbf/index/maintain.h"
#include "dbf/index/ndx.h"
#include "dbf/table/search.h"
#include "dbf/table/transfer.h"
#include "platform/os/codepage.h"

namespace {

std::vector<std::vector<std::string>> PagesReference(const std::string& args) {
    int status = 0;
    const std::string out = qortest::RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                                    "/tests/dataset/pages_reference.py " + args,
                                                status);
    if (status != 0) throw std::runtime_error("reference failed: " + args + "\n" + out);
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        rows.emplace_back();
        for (std::string w; words >> w;)
            rows.back().push_back(w);
    }
    return rows;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

struct Page {
    const char* codec;
    int header; // byte 29 as written; 0 leaves the page to the setting
    dbf::TTzTableLanguage setting;
    const char* other; // the page of the table appended to
    int otherHeader;
};

class PagesFixture : public dstest::DatasetTest {
protected:
    void SetUp() override {
        DatasetTest::SetUp();
        dbf::InitParser();
        dbf::IndexInit();
        dbf::SetIndexProgress(nullptr, 0);
    }
    void TearDown() override {
        dbf::IndexDone();
        DatasetTest::TearDown();
    }
    // Types each text into NAME and Memo(text) into NOTE of a new record of the table at path.
    void Type(const std::string& path, dbf::TTzTableLanguage setting,
              const std::vector<std::string>& texts) {
        dbf::TTzDbf typed;
        typed.SetDbfFileName(path);
        typed.TableLanguage = setting;
        typed.Open();
        for (const std::string& t : texts) {
            typed.Append();
            EXPECT_EQ(typed.Unholdable(t), "") << t;
            typed.FieldByName("NAME")->SetAsString(t);
            typed.FieldByName("NOTE")->SetAsString(Memo(t));
            typed.Post();
        }
        typed.Close();
        EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
    }
    static std::string Memo(const std::string& text) { return "m" + text + "\r\n" + text; }
};

class PagesTest : public PagesFixture, public ::testing::WithParamInterface<Page> {};

TEST_P(PagesTest, EveryCharacterOfThePage) {
    const Page& p = GetParam();
    struct Char {
        std::string text, upper, lower, upperByte;
        bool inOther, inAnsi;
    };
    std::vector<Char> chars;
    std::string lostInOther, lostInAnsi;
    for (const auto& r : PagesReference(std::string("chars ") + p.codec + " " + p.other)) {
        chars.push_back(
            {Unhex(r[0]), Unhex(r[1]), Unhex(r[2]), Unhex(r[3]), r[4] == "1", r[5] == "1"});
        if (!chars.back().inOther) lostInOther += chars.back().text;
        if (!chars.back().inAnsi) lostInAnsi += chars.back().text;
    }
    ASSERT_GT(chars.size(), 200u);
    PagesReference("make '" + path_ + "' " + p.codec + " " + std::to_string(p.header));

    // Typed: every character into a text field and a memo, nothing refused or lost.
    std::vector<std::string> texts;
    for (const Char& c : chars)
        texts.push_back(c.text);
    Type(path_, p.setting, texts);
    const auto stored = PagesReference("dump '" + path_ + "' " + p.codec);
    ASSERT_EQ(stored.size(), chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i)
        EXPECT_EQ(stored[i], (std::vector<std::string>{dstest::Hex(chars[i].text),
                                                       dstest::Hex(Memo(chars[i].text))}));

    // The engine on the same table: the page is the header's, else the setting's.
    dbf::AnsiTables = p.setting == dbf::tlAnsi;
    ASSERT_TRUE(dbf::Select(1));
    dbf::Use(path_);
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    const os::CodePage page = dbf::CurrentWorkArea()->Page;
    EXPECT_EQ("cp" + std::to_string(os::CodePageNumber(page)), p.codec);
    auto bytes = [page](const std::string& utf8) { return os::FromUtf8(page, utf8); };
    dbf::CompiledExpr* upper = dbf::AssignExpr("UPPER(NAME)");
    dbf::CompiledExpr* lower = dbf::AssignExpr("LOWER(NAME)");
    ASSERT_TRUE(upper && lower);
    auto value = [page](dbf::CompiledExpr* e) {
        return os::ToUtf8(page, dbf::RTrim(static_cast<const char*>(dbf::EvaluateExpr(e))));
    };
    // The first record of each character's case class: where a case-blind search lands.
    std::map<std::string, std::int32_t> firstOfClass;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const Char& c = chars[i];
        const auto rec = static_cast<std::int32_t>(i + 1);
        firstOfClass.emplace(c.upper, rec);
        dbf::Go(rec);
        EXPECT_EQ(value(upper), c.upper) << c.text;
        EXPECT_EQ(value(lower), c.lower) << c.text;
    }
    dbf::FreeExpr(upper);
    dbf::FreeExpr(lower);
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const Char& c = chars[i];
        const auto rec = static_cast<std::int32_t>(i + 1);
        std::uint8_t field = 0;
        dbf::Search(bytes(c.text), field, true);
        EXPECT_EQ(dbf::RecNo(), firstOfClass.at(c.upper)) << "Search " << c.text;
        EXPECT_TRUE(dbf::Locate("NAME", bytes(c.text), true, 1, false));
        EXPECT_EQ(dbf::RecNo(), firstOfClass.at(c.upper)) << "Locate " << c.text;
        EXPECT_TRUE(dbf::Locate("NAME", bytes(c.text), false, 1, false));
        EXPECT_EQ(dbf::RecNo(), rec) << "Locate, case counting " << c.text;
        EXPECT_TRUE(dbf::Locate("NOTE CONTAINED", bytes("m" + c.upper), true, 1, false));
        EXPECT_EQ(dbf::RecNo(), firstOfClass.at(c.upper)) << "Locate memo " << c.text;
    }
    // The index on UPPER(NAME) orders by the capitals' bytes and finds each one.
    ASSERT_TRUE(dbf::Index_On("UPPER(NAME)", (dir_ / "up.ndx").string())) << dbf::ErrorText;
    std::vector<std::string> keys, walked;
    for (const Char& c : chars)
        keys.push_back(c.upperByte);
    std::stable_sort(keys.begin(), keys.end());
    for (dbf::GoTop(); !dbf::dEOF(); dbf::Skip(1))
        walked.push_back(bytes(chars[static_cast<std::size_t>(dbf::RecNo() - 1)].upper));
    EXPECT_EQ(walked, keys);
    for (const Char& c : chars) {
        EXPECT_TRUE(dbf::Find(c.upperByte)) << c.text;
        EXPECT_EQ(chars[static_cast<std::size_t>(dbf::RecNo() - 1)].upper, c.upper);
    }
    dbf::CloseIndexes();

    // Saved as delimited text: Windows text, what it lacks written as "?" and named.
    const std::string txt = (dir_ / "parts.txt").string();
    EXPECT_EQ(dbf::CopyToDelimited(txt, false), static_cast<std::int32_t>(chars.size()));
    EXPECT_EQ(dbf::DelimitedLost, lostInAnsi);
    const auto lines = PagesReference("csv '" + txt + "'");
    ASSERT_EQ(lines.size(), chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i)
        EXPECT_EQ(Unhex(lines[i][0]), chars[i].inAnsi ? chars[i].text : "?");

    // Appended with its memos into a table of another page: the same characters, "?" and named
    // where that page lacks them.
    const std::string other = (dir_ / "other.dbf").string();
    PagesReference("make '" + other + "' " + p.other + " " + std::to_string(p.otherHeader));
    dbf::AnsiTables = std::string(p.other) == "cp1252";
    ASSERT_TRUE(dbf::Select(2));
    dbf::Use(other + " EXCLUSIVE");
    EXPECT_EQ(dbf::AppendFrom(path_), 0) << dbf::ErrorText;
    EXPECT_EQ(dbf::AppendLost, lostInOther);
    dbf::CloseAll();
    const auto appended = PagesReference("dump '" + other + "' " + p.other);
    ASSERT_EQ(appended.size(), chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string kept = chars[i].inOther ? chars[i].text : "?";
        EXPECT_EQ(appended[i],
                  (std::vector<std::string>{dstest::Hex(kept), dstest::Hex(Memo(kept))}));
    }
}

INSTANTIATE_TEST_SUITE_P(DosAndWindows, PagesTest,
                         ::testing::Values(Page{"cp437", 0x01, dbf::tlAnsi, "cp1252", 0x03},
                                           Page{"cp437", 0x00, dbf::tlOem, "cp1252", 0x03},
                                           Page{"cp850", 0x02, dbf::tlOem, "cp1252", 0x00},
                                           Page{"cp1252", 0x03, dbf::tlOem, "cp437", 0x01},
                                           Page{"cp1252", 0x00, dbf::tlAnsi, "cp850", 0x02}),
                         [](const auto& row) {
                             return row.param.codec + std::to_string(row.param.header);
                         });

// What a code page 437 table gave when its texts were read as Windows text: each row an
// expression, a search, a transfer or an index of the version before, and what it gives now.
TEST_F(PagesFixture, TheDosPagesOwnCaseRules) {
    const std::vector<std::string> names = {
        "\u221a\u2248\u25a0", "\u2588\u2588", "\u250c\u2500\u2510",          "\u03b1\u03a9",
        "cr\u00e8me",         "\u00ee",       "Gr\u00f6\u00dfe \u00e4\u00fc"};
    PagesReference("make '" + path_ + "' cp437 1");
    Type(path_, dbf::tlOem, names);
    ASSERT_TRUE(dbf::Select(1));
    dbf::Use(path_);
    ASSERT_TRUE(dbf::Index_On("UPPER(NAME)", (dir_ / "up.ndx").string())) << dbf::ErrorText;
    auto bytes = [](const std::string& s) { return os::Utf8ToCp437(s); };
    auto name = [] {
        return dbf::dEOF() ? "" : os::Cp437ToUtf8(dbf::RTrim(dbf::Peek(1, dbf::RecNo())));
    };
    struct Example {
        const char *what, *text, *gives;
    };
    const Example examples[] = {
        {"UPPER", "\u221a\u2248\u25a0", "\u221a\u2248\u25a0"}, // was "∞π≤"
        {"UPPER", "\u00ee", "\u00ee"},                         // was "α"
        {"LOWER", "\u03b1\u03a9", "\u03b1\u03a9"},             // was "îô"
        {"LOWER", "\u250c\u2500\u2510", "\u250c\u2500\u2510"}, // was "⌡─┐"
        {"LOWER", "\u221e", "\u221e"},                         // was "√"
        {"UPPER", "cr\u00e8me", "CR\u00e8ME"},                 // was "CR█ME"
        {"Find", "\u221a\u2248\u25a0", "\u221a\u2248\u25a0"},  // the key was "∞π≤"
        {"Search", "\u221e", ""},                              // found "√≈■"
        {"Search", "\u00e8", "cr\u00e8me"},                    // found "██"
        {"Search", "\u2321", ""},                              // found "┌─┐"
        {"Search", "\u00ee", "\u00ee"},                        // found "αΩ"
    };
    for (const Example& e : examples) {
        const std::string what = e.what;
        std::string got;
        if (what == "UPPER" || what == "LOWER") {
            dbf::CompiledExpr* x = dbf::AssignExpr(what + "(\"" + bytes(e.text) + "\")");
            ASSERT_NE(x, nullptr) << e.text;
            got = os::Cp437ToUtf8(static_cast<const char*>(dbf::EvaluateExpr(x)));
            dbf::FreeExpr(x);
        } else if (what == "Find") {
            got = dbf::Find(bytes(e.text)) ? name() : "";
        } else {
            std::uint8_t field = 0;
            dbf::Search(bytes(e.text), field, true);
            got = field != 0 ? name() : "";
            // The memos hold the names too: a case-blind Locate there finds the same.
            const bool inMemo = dbf::Locate("NOTE CONTAINED", bytes(e.text), true, 1, false);
            EXPECT_EQ(inMemo ? name() : "", e.gives) << "memo " << e.text;
        }
        EXPECT_EQ(got, e.gives) << what << " " << e.text;
    }
    dbf::CloseIndexes();

    // A 437 memo appended into a table whose header names Windows ANSI: Windows text there.
    const std::string win = (dir_ / "win.dbf").string();
    PagesReference("make '" + win + "' cp1252 3");
    ASSERT_TRUE(dbf::Select(2));
    dbf::Use(win + " EXCLUSIVE");
    EXPECT_EQ(dbf::AppendFrom(path_), 0) << dbf::ErrorText;
    EXPECT_EQ(dbf::AppendLost, "\u221a\u2248\u25a0\u2588\u250c\u2500\u2510\u03b1\u03a9");
    dbf::FreeWorkArea();
    EXPECT_EQ(
        PagesReference("dump '" + win + "' cp1252").back(),
        (std::vector<std::string>{dstest::Hex(names.back()), dstest::Hex(Memo(names.back()))}));

    // An index whose key for "√≈■" is "∞π≤", as the version before built it, is refused with
    // what to do.
    dbf::Select(1);
    const std::string ndx = (dir_ / "up.ndx").string();
    std::string file = qortest::ReadFileBytes(ndx);
    const std::size_t at = file.find(bytes("\u221a\u2248\u25a0 "));
    ASSERT_NE(at, std::string::npos);
    file.replace(at, 3, bytes("\u221e\u03c0\u2264"));
    qortest::WriteFileBytes(ndx, file);
    dbf::ErrorReportingOff quiet;
    EXPECT_FALSE(dbf::SetIndexToOrder1(ndx));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrIndexVersion);
    EXPECT_NE(dbf::ErrorText.find("must be rebuilt (Reindex): INDEX ON UPPER(NAME) TO " + ndx),
              std::string::npos)
        << dbf::ErrorText;
}

} // namespace
