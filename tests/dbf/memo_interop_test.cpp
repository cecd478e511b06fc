// Memo files shared with other programs: tables written by python3-dbf read here, and memos
// written here read by Perl XBase (libdbd-xbase-perl) and python3-dbfread.

#include <map>
#include <sstream>

#include "memo_testutil.h"

namespace {

using namespace dbf;
using memotest::MakeTable;
using memotest::RunOrThrow;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// "KEY<TAB>i<TAB>hex" lines of a reference program, as record number -> bytes.
std::map<int, std::string> Parse(const std::string& output, const std::string& key) {
    std::map<int, std::string> out;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        const auto p = dbftest::SplitTabs(line);
        if (p.size() == 3 && p[0] == key) out[std::stoi(p[1])] = dbftest::Unhex(p[2]);
    }
    return out;
}

std::string PythonRef(const std::string& args) {
    return RunOrThrow(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                      "/tests/dbf/memo_reference.py " + args);
}

std::map<int, std::string> PerlView(const std::string& table) {
    return Parse(RunOrThrow(std::string("/usr/bin/perl ") + QOR_SOURCE_DIR +
                            "/tests/dbf/memo_xbase.pl '" + table + "'"),
                 "memo");
}

std::map<int, std::string> DbfreadView(const std::string& table) {
    return Parse(PythonRef("read '" + table + "'"), "memo");
}

// Texts written here: short, exactly around block boundaries, long lines, many lines, line
// ends of every kind, bytes 0x03 and 0x8D, DOS code-page letters.
std::vector<std::string> OurTexts() {
    std::vector<std::string> t = {
        "Hob 1",
        "Module 2.5 hob\r\nAddendum 1.25\r\nTip radius 0.38\r\n",
        std::string(300, 'L'),
        std::string(503, 'a'),
        std::string(504, 'b'),
        std::string(511, 'c'),
        std::string(512, 'd'),
        std::string(1016, 'e'),
        std::string("soft\x8D\nreturn and \x03 byte \x84\x94\x81 \xC9\xCD\xBB"),
    };
    std::string many;
    for (int i = 1; i <= 1500; ++i)
        many += "tool note line " + std::to_string(i) + "\r\n";
    t.push_back(many);
    return t;
}

class MemoInteropTest : public memotest::MemoTest {
protected:
    // Writes OurTexts into a new table (one record each), rewrites record 1 and record 4
    // (the second in place where the flavour allows), and returns the texts as stored.
    std::vector<std::string> WriteOurs(const std::string& table, std::uint8_t flavour,
                                       std::uint16_t bs) {
        MakeTable(table, flavour, bs);
        Open(table);
        std::vector<std::string> texts = OurTexts();
        for (const std::string& text : texts) {
            dbf::Append();
            SetVarString(FieldAddress(1), "T", 10);
            SetVarInt32(FieldAddress(2), PutMemoText(text, 0));
            dbf::Replace();
            EXPECT_EQ(LastErrorCode, 0) << ErrorText;
        }
        // Record 1 grows, record 4 shrinks (in place for dBASE IV).
        texts[0] = "Hob 1 with a longer note " + std::string(700, 'g');
        texts[3] = "shorter";
        for (int r : {1, 4}) {
            Go(r);
            const std::int32_t old = memotest::MemoRef();
            const std::int32_t block = PutMemoText(texts[r - 1], old);
            EXPECT_GT(block, 0) << ErrorText;
            if (r == 4 && flavour == 0x8B) {
                EXPECT_EQ(block, old);
            }
            SetVarInt32(FieldAddress(2), block);
            dbf::Replace();
        }
        FreeWorkArea();
        return texts;
    }
};

TEST_F(MemoInteropTest, TablesWrittenByPythonDbfReadIdentically) {
    for (const std::string kind : {"db3", "fp128"}) {
        const std::string table = dir_ / (kind + ".dbf");
        const auto expected = Parse(PythonRef("make " + kind + " '" + table + "'"), "text");
        ASSERT_EQ(expected.size(), 9u);
        Open(table);
        EXPECT_EQ(CurrentMemo()->BlockSize, kind == "db3" ? 512 : 128);
        for (const auto& [recno, text] : expected) {
            Go(recno);
            std::string got;
            ASSERT_TRUE(GetMemoText(memotest::MemoRef(), got)) << ErrorText;
            EXPECT_EQ(Hex(got), Hex(text)) << kind << " record " << recno;
        }
        // The line table reads the many-line memo whole (1200 lines).
        Go(8);
        ASSERT_TRUE(GetMemo(memotest::MemoRef()));
        EXPECT_EQ(MemoLineCount(), 1200);

        // A memo changed here; the other program still reads every memo.
        Go(2);
        const std::string changed = "changed by qor1w\r\nsecond line";
        const std::int32_t block = PutMemoText(changed, memotest::MemoRef());
        ASSERT_GT(block, 0) << ErrorText;
        SetVarInt32(FieldAddress(2), block);
        dbf::Replace();
        FreeWorkArea();
        auto view = DbfreadView(table);
        for (const auto& [recno, text] : expected)
            EXPECT_EQ(Hex(view[recno]), Hex(recno == 2 ? changed : text)) << kind << " " << recno;
    }
}

TEST_F(MemoInteropTest, OurMemosReadByPerlXBase) {
    struct Case {
        const char* name;
        std::uint8_t flavour;
        std::uint16_t bs;
    };
    for (const Case c : {Case{"x3", 0x83, 512}, Case{"x4", 0x8B, 512}, Case{"x4k", 0x8B, 1024},
                         Case{"xf", 0xF5, 64}, Case{"xf5", 0xF5, 512}}) {
        const std::string table = dir_ / (std::string(c.name) + ".dbf");
        const auto texts = WriteOurs(table, c.flavour, c.bs);
        const auto view = PerlView(table);
        ASSERT_EQ(view.size(), texts.size()) << c.name;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (!memotest::PerlFindsTheEnd(c.flavour, texts[i])) continue;
            EXPECT_EQ(Hex(view.at(static_cast<int>(i + 1))), Hex(texts[i]))
                << c.name << " record " << i + 1;
        }
    }
}

// python3-dbf reads a dBASE III memo up to its two end marks, FoxPro memos by their length.
TEST_F(MemoInteropTest, OurMemosReadByPythonDbf) {
    for (const auto& [name, flavour] : {std::pair{"z3", 0x83}, std::pair{"zf", 0xF5}}) {
        const std::string table = dir_ / (std::string(name) + ".dbf");
        const auto texts = WriteOurs(table, static_cast<std::uint8_t>(flavour), 512);
        const auto view = Parse(PythonRef("read-dbf '" + table + "'"), "memo");
        ASSERT_EQ(view.size(), texts.size()) << name;
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(Hex(view.at(static_cast<int>(i + 1))), Hex(texts[i]))
                << name << " record " << i + 1;
    }
}

TEST_F(MemoInteropTest, OurMemosReadByDbfread) {
    struct Case {
        const char* name;
        std::uint8_t flavour;
        std::uint16_t bs;
    };
    for (const Case c : {Case{"y3", 0x83, 512}, Case{"y4", 0x8B, 512}, Case{"yf", 0xF5, 128}}) {
        const std::string table = dir_ / (std::string(c.name) + ".dbf");
        const auto texts = WriteOurs(table, c.flavour, c.bs);
        const auto view = DbfreadView(table);
        ASSERT_EQ(view.size(), texts.size()) << c.name;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            std::string got = view.at(static_cast<int>(i + 1));
            if (c.flavour == 0x8B) {
                // dbfread's dBASE IV reader takes the stored length, which counts the 8-byte
                // group header, as the text length: it returns up to 8 bytes past the text.
                ASSERT_GE(got.size(), texts[i].size()) << c.name << " " << i + 1;
                EXPECT_LE(got.size() - texts[i].size(), 8u);
                got.resize(texts[i].size());
            }
            EXPECT_EQ(Hex(got), Hex(texts[i])) << c.name << " record " << i + 1;
        }
    }
}

} // namespace
