// The spreadsheet automation: which cell texts become numbers under each decimal sign, and the
// workbooks it writes as python3-openpyxl reads them (a text file opened as a workbook, cells
// set one by one, a second write of a workbook under a new name).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/office/spreadsheet.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

struct NumberCase {
    const char* Text;
    char Decimal;
    bool IsNumber;
    double Value;
};

const NumberCase kNumbers[] = {
    {"20.0000000", '.', true, 20.0},
    {"20.0000000", ',', false, 0}, // under a decimal comma the point is no decimal sign
    {"20.000", ',', false, 0},     // never twenty thousand
    {"1,5", ',', true, 1.5},
    {"1,5", '.', false, 0},
    {"  -0.0230000 ", '.', true, -0.023},
    {"+6.5", '.', true, 6.5},
    {".5", '.', true, 0.5},
    {"5.", '.', true, 5.0},
    {"1E-5", '.', true, 1e-5},
    {"2,5e3", ',', true, 2500.0},
    {"0", '.', true, 0.0},
    {"0.5", '.', true, 0.5},
    {"0815", '.', false, 0}, // a code keeps its leading zero
    {"123456789012345", '.', true, 123456789012345.0},
    {"1234567890123456", '.', false, 0},         // 16 digits would change
    {"1000000000000000000000", '.', true, 1e21}, // trailing zeros are not significant
    {"1e999", '.', false, 0},
    {"EX-SPUR-01", '.', false, 0},
    {"-----------", '.', false, 0},
    {"1.5.3", '.', false, 0},
    {"12 mm", '.', false, 0},
    {"e5", '.', false, 0},
    {"-", '.', false, 0},
    {"", '.', false, 0},
    {"inf", '.', false, 0},
    {"0x1A", '.', false, 0},
};

// openpyxl's view of a workbook: "sheet" then one line per row, cells "n:<value>" for numbers,
// "s:<text>" for texts, "-" for empty cells, separated by tabs. Characters stored as _xHHHH_
// are read as spreadsheet programs read them: in one pass (openpyxl 3.0 itself would drop every
// "x005F_" of a stored text, so its shared strings are taken as stored).
std::string ReadBack(const std::string& path) {
    const std::string script =
        "import re, sys, openpyxl, openpyxl.reader.excel as rx\n"
        "from openpyxl.cell.text import Text\n"
        "from openpyxl.xml.functions import iterparse\n"
        "rx.read_string_table = lambda src: [Text.from_tree(n).content\n"
        "    for _, n in iterparse(src) if n.tag.endswith('}si')]\n"
        "wb = openpyxl.load_workbook(sys.argv[1])\n"
        "ws = wb.active\n"
        "print(ws.title)\n"
        "for row in ws.iter_rows(values_only=True):\n"
        "    out = []\n"
        "    for v in row:\n"
        "        if v is None: out.append('-')\n"
        "        elif isinstance(v, (int, float)): out.append('n:%r' % float(v))\n"
        "        else: out.append('s:' + re.sub(r'_x([0-9A-Fa-f]{4})_',\n"
        "                                        lambda m: chr(int(m.group(1), 16)), v))\n"
        "    print('\\t'.join(out))\n";
    int status = 0;
    const std::string out = qortest::RunCommand(
        "/usr/bin/python3 -c \"$(cat <<'EOF'\n" + script + "EOF\n)\" '" + path + "' 2>&1", status);
    EXPECT_EQ(status, 0) << out;
    return out;
}

class SpreadsheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_office_");
        SpreadsheetCommand = "true"; // a program that opens nothing
    }
    void TearDown() override {
        SpreadsheetCommand.clear();
        fs::remove_all(Dir);
    }
    fs::path Dir;
};

} // namespace

TEST(SpreadsheetNumberTest, WholeTextsWithTheDecimalSignInForce) {
    for (const NumberCase& c : kNumbers) {
        double v = -99;
        EXPECT_EQ(SpreadsheetNumber(c.Text, c.Decimal, v), c.IsNumber)
            << '"' << c.Text << "\" with " << c.Decimal;
        if (c.IsNumber) {
            EXPECT_DOUBLE_EQ(v, c.Value) << c.Text;
        }
    }
}

TEST_F(SpreadsheetTest, NoProgramNoApplication) {
    SpreadsheetCommand = "/nonexistent/calc --view";
    std::string why;
    EXPECT_EQ(TExcelApplication::Create(&why), nullptr);
    EXPECT_EQ(why, "/nonexistent/calc");
    SpreadsheetCommand = "no-such-spreadsheet-program-here";
    EXPECT_EQ(TExcelApplication::Create(), nullptr);
}

// A text file in Windows 1252 with every line end, tabs between cells and a decimal comma;
// then cells set on an added workbook, written twice.
TEST_F(SpreadsheetTest, TextFilesAndCellsAsOpenpyxlReadsThem) {
    const std::string txt = (Dir / "$$7.txt").string();
    qortest::WriteFileBytes(txt, std::string("Gear\tmn\tz\r\n"
                                             "Stirnrad\xE4\t6,5\t0815\n"
                                             "\r"
                                             "Tip\t\t214,30027\r\n"
                                             "1.5\t-3\x1A"
                                             "after the end mark\r\n"));
    auto app = TExcelApplication::Create();
    ASSERT_NE(app, nullptr);
    app->Directory = Dir.string();
    app->DecimalSeparator = ',';
    app->SetVisible(true);
    ASSERT_TRUE(app->OpenText(txt));
    ASSERT_TRUE(app->Update()) << app->LastError();
    ASSERT_EQ(app->WrittenFiles().size(), 1u);
    EXPECT_EQ(ReadBack(app->WrittenFiles()[0]), "$$7\n"
                                                "s:Gear\ts:mn\ts:z\n"
                                                "s:Stirnradä\tn:6.5\ts:0815\n"
                                                "-\t-\t-\n"
                                                "s:Tip\t-\tn:214.30027\n"
                                                "s:1.5\tn:-3.0\t-\n");

    app->DecimalSeparator = '.';
    app->AddWorkbook();
    EXPECT_TRUE(app->SetCellValue(1, 1, "20.0000000"));
    EXPECT_TRUE(app->SetCellValue(2, 1, "Drehmoment ½ Nm"));
    EXPECT_TRUE(app->SetCellValue(3, 2, ""));
    EXPECT_FALSE(app->SetCellValue(0, 1, "x"));
    EXPECT_FALSE(app->SetCellValue(1, 16385, "x"));
    ASSERT_TRUE(app->Update());
    // Unchanged workbooks are not written again; a changed one goes under a new name.
    ASSERT_EQ(app->WrittenFiles().size(), 2u);
    EXPECT_EQ(ReadBack(app->WrittenFiles()[1]).substr(0, 4), "Book");
    EXPECT_NE(ReadBack(app->WrittenFiles()[1]).find("n:20.0\ns:Drehmoment ½ Nm\n"),
              std::string::npos);
    app->SetCellValue(1, 1, "21");
    ASSERT_TRUE(app->Update());
    ASSERT_EQ(app->WrittenFiles().size(), 3u);
    EXPECT_NE(app->WrittenFiles()[2], app->WrittenFiles()[1]);
    EXPECT_TRUE(fs::exists(app->WrittenFiles()[1]));
    for (const auto& e : fs::directory_iterator(Dir))
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
}

// Every cell is well-formed UTF-8 whatever bytes it was given: a byte that begins no
// well-formed sequence shows as U+FFFD, as the program's windows show it, NUL as its symbol,
// other control characters as themselves, a text's own _xHHHH_ as typed; openpyxl opens the
// workbook and reads exactly that.
// A workbook that cannot be written is a failure that says why.
TEST_F(SpreadsheetTest, EveryCellIsValidUtf8AndAFailedWriteIsReported) {
    using namespace std::string_literals;
    struct Case {
        std::string given, shown;
    };
    const Case cases[] = {
        {"Zahnrad_\xe4.q1w", "Zahnrad_\uFFFD.q1w"},       // Latin-1
        {"a\xC0\xAFz", "a\uFFFDz"},         // an overlong '/'
        {"\xED\xA0\x80", "\uFFFD"},         // a surrogate
        {"\xE2\x82", "\uFFFD\uFFFD"},        // cut short
        {"\xF4\x90\x80\x80!", "\uFFFD!"},    // past U+10FFFF
        {"N\0L"s, "N\u2400L"},
        {"\x1B[1m\rDEL\x7F\x01", "\x1B[1m\rDEL\x7F\x01"},
        {"\xEF\xBF\xBF\xC2\x85", "\uFFFD\u0085"}, // U+FFFF, and the C1 control NEL
        {"\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80 tab\there\nline", "ä€😀 tab\there\nline"},
        {"A_x005F_B x_x0041_y _x00e4_ _x12_", "A_x005F_B x_x0041_y _x00e4_ _x12_"}, // kept as typed
    };
    EXPECT_EQ(SpreadsheetText("\xe4\xe4"), "\uFFFD\uFFFD");
    auto app = TExcelApplication::Create();
    ASSERT_NE(app, nullptr);
    app->Directory = Dir.string();
    app->SetVisible(true);
    app->AddWorkbook();
    std::string expected;
    int row = 0;
    for (const Case& c : cases) {
        ASSERT_TRUE(app->SetCellValue(++row, 1, c.given));
        expected += "s:" + c.shown + "\n";
    }
    ASSERT_TRUE(app->Update()) << app->LastError();
    ASSERT_EQ(app->WrittenFiles().size(), 1u);
    const std::string read = ReadBack(app->WrittenFiles()[0]);
    EXPECT_EQ(read.substr(read.find('\n') + 1), expected);

    // A file that cannot be read or written is refused with the cause in words.
    ASSERT_EQ(::mkfifo((Dir / "pipe.txt").c_str(), 0600), 0);
    const std::string gone = (Dir / "gone").string();
    const std::pair<std::string, std::string> faults[] = {
        {"", "Could not write " + gone + "/Book"},
        {"", "the folder " + gone + " does not exist"},
        {"pipe.txt", "it is a named pipe (FIFO), not a file."},
        {"none.txt", "could not be read: the file does not exist"}};
    app->Directory = gone;
    for (const auto& [text, said] : faults) {
        app->SetCellValue(1, 1, "again");
        EXPECT_FALSE(text.empty() ? app->Update() : app->OpenText((Dir / text).string()));
        EXPECT_NE(app->LastError().find(said), std::string::npos) << app->LastError();
    }
}
