// The listing engine's layout: golden listings of every frame style on the text-file device,
// column placement, page breaks and heads, the start of a listing and its device choice.

#include "listing_testutil.h"

#include "framework/ui/dialogs.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

using namespace listing_test;

namespace {

std::string Golden(int style) {
    return ReadFileBytes(std::string(QOR_TEST_DATA_DIR) + "/listing/style" + std::to_string(style) +
                         ".txt");
}

// Lines of a CR LF file.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        out.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    return out;
}

} // namespace

TEST_F(ListingTest, GoldenListingsOfEveryFrameStyleOnTheTextFileDevice) {
    for (int style : {1, 2, 3, 4, 5}) {
        SCOPED_TRACE("frame style " + std::to_string(style));
        FrameStyle = static_cast<std::uint16_t>(style);
        InitListing();
        const std::string file = Path("style" + std::to_string(style) + ".txt");
        ScriptedResponder r;
        r.OnDialog(ChooseFile(file));
        ResponderScope scope(r);
        ErrorBoxesOn = 0;
        WriteSample(ListDeviceTextFile);
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(r.Unexpected(), 0);
        EXPECT_EQ(r.Pending(), 0);
        EXPECT_EQ(ListFileName, file);
        const std::string got = ReadFileBytes(file);
        EXPECT_EQ(got, Golden(style));
        // The text window's copy is the same listing in UTF-8; error boxes are on again.
        EXPECT_TRUE(fs::exists(Path("outwin.txt")));
        EXPECT_EQ(ErrorBoxesOn, 1);
        // The data file's name, directory and extension are untouched by the choice.
        EXPECT_EQ(DataFileName, "gear");
        EXPECT_EQ(DataDir, "/data/gears/");
        EXPECT_EQ(DataFileExt, "q1w");
    }
    // Style 2 really is the DOS box-drawing page: code 201 opens the top rule.
    const std::string style2 = Golden(2);
    ASSERT_GT(style2.size(), 8u);
    EXPECT_EQ(static_cast<unsigned char>(style2[7]), 201);
    EXPECT_EQ(static_cast<unsigned char>(style2[8]), 205);
}

TEST_F(ListingTest, ColumnsPushTextsThatWouldOverlapInsteadOfOverwritingThem) {
    // Fitting texts stand at their columns.
    EXPECT_EQ(ListPlaceColumns(20, {{1, "ab"}, {5, "cd"}}), "ab  cd              ");
    // A text reaching into the next column pushes it right, one blank between.
    EXPECT_EQ(ListPlaceColumns(8, {{1, "abcdef"}, {4, "X"}, {6, "Y"}}), "abcdef X Y");
    // A text ending just before the next column leaves it in place.
    EXPECT_EQ(ListPlaceColumns(6, {{1, "abc"}, {4, "X"}}), "abcX  ");
    // Trailing blanks are no text; leading blanks (right-aligned numbers) are kept.
    EXPECT_EQ(ListPlaceColumns(10, {{1, "ab    "}, {3, "  7"}}), "ab  7     ");
    // Columns count characters, not bytes.
    EXPECT_EQ(ListPlaceColumns(6, {{1, "\xC3\xA4\xC3\xB6"}, {4, "x"}}), "\xC3\xA4\xC3\xB6 x  ");

    // The number line: text at 1, "No.: " at 40, 72 columns.
    const std::string n = ListNumberLine("Pinion", "D-100");
    EXPECT_EQ(n.size(), 72u);
    EXPECT_EQ(n.substr(0, 6), "Pinion");
    EXPECT_EQ(n.substr(39, 10), "No.: D-100");
    std::string var;
    ListNumberLine(std::string(45, 'x'), "7", var);
    EXPECT_EQ(var.substr(0, 53), std::string(45, 'x') + " No.: 7 ");

    // A value row never loses characters of its value, however long the designation.
    FrameStyle = 1;
    ListBegin(ListDeviceOutDos, "");
    ASSERT_EQ(AbortFlag, 0);
    ASSERT_TRUE(ListRewrite());
    ListValueLine(std::string(60, 'D'), "sym", "mm", "123.4567");
    ListEnd();
    const std::vector<std::string> lines = Lines(ReadFileBytes(Path("OUTDOS.TXT")));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "       " + std::string(60, 'D') + " sym mm 123.4567");
    EXPECT_EQ(lines[1], "       " + std::string(70, '-'));
}

TEST_F(ListingTest, RuleLinesAndFrameCharacterByStyle) {
    FrameStyle = 1;
    EXPECT_EQ(ListRuleLine(), std::string(70, '-'));
    EXPECT_EQ(ListDoubleRuleLine(), std::string(70, '='));
    EXPECT_EQ(ListTopRuleLine(), std::string(70, '*'));
    EXPECT_EQ(ListFrameChar(), "*");
    FrameStyle = 2;
    EXPECT_EQ(os::Utf8Length(ListMiddleRuleLine()), 70u);
    EXPECT_EQ(os::Utf8ToCp437(ListMiddleRuleLine()), "\xCC" + std::string(68, '\xCD') + "\xB9");
    EXPECT_EQ(os::Utf8ToCp437(ListBottomRuleLine()), "\xC8" + std::string(68, '\xCD') + "\xBC");
    EXPECT_EQ(os::Utf8ToCp437(ListRuleLine()), std::string(70, '\xC4'));
    EXPECT_EQ(os::Utf8ToCp437(ListFrameChar()), "\xBA");
    FrameStyle = 3;
    EXPECT_EQ(ListDoubleRuleLine(), std::string(70, ' '));
    EXPECT_EQ(ListFrameChar(), " ");
    for (std::uint16_t style : {0, 4, 9}) {
        FrameStyle = style;
        EXPECT_EQ(ListRuleLine(), "$!$");
        EXPECT_EQ(ListTopRuleLine(), "$!$");
        EXPECT_EQ(ListFrameChar(), " ");
    }
}

TEST_F(ListingTest, HeaderTextsDefaultsAndPageText) {
    ListHeader("", std::string(80, 'a'), "b", "c", "", 3);
    EXPECT_EQ(ListHeadTitle, "QOR1W - Involute Gear Dimensions V1.1");
    EXPECT_EQ(ListHeadLines[1], std::string(65, 'a'));
    EXPECT_EQ(ListPageCount, 3);
    EXPECT_EQ(ListPageNo, 0);
    ListSetHeaderFields(std::string(40, 'd'), "symbol-long", "u", "v1", "v2");
    EXPECT_EQ(ListColumnDesignation.Length(), 30u);
    EXPECT_EQ(ListColumnSymbol, "symbol-lon");
    EXPECT_EQ(ListSymbolColumn, 35);
    EXPECT_EQ(ListPairValue2Column, 62);

    // "pg. n/count" with both numbers right-aligned in two characters, from column 60.
    FrameStyle = 1;
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 0);
    ListHead(0, 0);
    ListEnd();
    const std::string text = ReadFileBytes(Path("OUTDOS.TXT"));
    const std::vector<std::string> lines = Lines(text);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(7 + 59, 8), "pg. 1/ 3");
    EXPECT_NE(text.find("pg. 2/ 3"), std::string::npos);
    // Without column heads (mode 0) the head closes with the bottom rule.
    EXPECT_EQ(lines[9], "       " + std::string(70, '*'));
}

TEST_F(ListingTest, PagesBreakWithTheHeadAgain) {
    FrameStyle = 1;
    LinesPerPage = 30;
    ListHeader("Long", "", "", "", "", 0);
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 1);
    for (int i = 1; i <= 100; ++i)
        ListLine("row " + std::to_string(i));
    ListEnd();
    // Every page as a printer feeds it (split at the form feeds): LinesPerPage lines on each but
    // the last, a head ("pg.n"), rows in order, nothing lost.
    const std::string text = ReadFileBytes(Path("OUTDOS.TXT"));
    int pages = 0;
    int lastRow = 0;
    for (std::size_t at = 0, ff = 0; ff != std::string::npos; at = ff + 1, ++pages) {
        ff = text.find('\f', at);
        const std::vector<std::string> lines =
            Lines(text.substr(at, ff == std::string::npos ? ff : ff - at));
        if (ff != std::string::npos) {
            EXPECT_EQ(lines.size(), 30u) << pages;
        }
        for (const std::string& l : lines) {
            if (l.rfind("       row ", 0) != 0) continue;
            EXPECT_EQ(std::stoi(l.substr(11)), lastRow + 1);
            lastRow = std::stoi(l.substr(11));
        }
    }
    EXPECT_EQ(lastRow, 100);
    EXPECT_EQ(pages, 6); // 18 rows under a head of 12 lines, then 17 under 13 (an empty line)
    for (int p = 1; p <= pages; ++p)
        EXPECT_NE(text.find("pg." + std::to_string(p) + " "), std::string::npos) << p;
    EXPECT_EQ(ListPageNo, pages);
}

TEST_F(ListingTest, HeadTallerThanThePageEndsAndEveryPageCarriesARow) {
    // The head alone (12 lines) is taller than the page: the listing still ends, and every
    // page holds its head and one row.
    FrameStyle = 1;
    LinesPerPage = 5;
    ListHeader("Tiny pages", "", "", "", "", 0);
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 1);
    for (int i = 1; i <= 4; ++i)
        ListLine("row " + std::to_string(i));
    ListEnd();
    EXPECT_EQ(AbortFlag, 0);
    const std::string text = ReadFileBytes(Path("OUTDOS.TXT"));
    EXPECT_EQ(CountOf(text, "Tiny pages"), 4);
    EXPECT_EQ(CountOf(text, "\f"), 3);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(CountOf(text, "row " + std::to_string(i) + "\r\n"), 1);
}

TEST_F(ListingTest, HeadOnFirstPageOnlySeparatesPagesByFormFeeds) {
    FrameStyle = 1;
    LinesPerPage = 20;
    PrintHeaderMode = 2;
    ListHeader("Only once", "", "", "", "", 2);
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 0);
    for (int i = 1; i <= 40; ++i)
        ListLine("row " + std::to_string(i));
    ListEnd();
    const std::string text = ReadFileBytes(Path("OUTDOS.TXT"));
    EXPECT_EQ(CountOf(text, "Only once"), 1);
    EXPECT_EQ(CountOf(text, "\f"), 2);
    // No page number with this mode.
    EXPECT_EQ(text.find("pg."), std::string::npos);
    EXPECT_EQ(CountOf(text, "row "), 40);
}

TEST_F(ListingTest, CompactStyleBreaksOnlyWhenLessThanHalfAPageIsLeft) {
    FrameStyle = 4;
    LinesPerPage = 40;
    ListHeader("Compact", "", "", "", "", 0);
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListHead(0, 0);
    ListLine("section 1");
    ListSectionBreak(); // most of the page left: no break
    ListHead(0, 0);     // and no second head
    ListLine("section 2");
    for (int i = 0; i < 15; ++i)
        ListLine("fill");
    ListSectionBreak(); // now less than half a page is left
    ListHead(0, 0);
    ListLine("section 3");
    ListEnd();
    const std::string text = ReadFileBytes(Path("OUTDOS.TXT"));
    EXPECT_EQ(CountOf(text, "\f"), 1);
    EXPECT_LT(text.find("section 2"), text.find("\f"));
    EXPECT_LT(text.find("\f"), text.find("section 3"));
    EXPECT_EQ(CountOf(text, "Compact"), 1);
    EXPECT_EQ(text.find("$!$"), std::string::npos);
}

TEST_F(ListingTest, DeviceNamesOnlyAndDeviceChoice) {
    ListBegin(ListDeviceNamesOnly, "");
    EXPECT_EQ(TextLines[1], "Screen");
    EXPECT_EQ(TextLines[5], "External word processor");
    EXPECT_EQ(TextLines[7], "HTML File");
    EXPECT_EQ(ListOutputMode, ListDeviceScreen);
    EXPECT_TRUE(TempFiles().empty());

    // Code 0 without the device window lists to the configured device.
    TextDevice = ListDeviceOutDos;
    TextDeviceWindow = 0;
    ListBegin(0, "");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(ListDevice(), ListDeviceOutDos);
    EXPECT_EQ(HelpNo, 1050);
    ListEnd();

    // With the window the user picks it; the configured device is preselected.
    TextDevice = ListDeviceTxt;
    TextDeviceWindow = 1;
    int preselected = -1;
    std::string prompt;
    ScriptedResponder r;
    r.OnForm([&](TForm& f) {
        auto& dialog = dynamic_cast<Tin_radiodialog&>(f);
        preselected = dialog.RadioGroup1->ItemIndex() + 1;
        prompt = dialog.Label1->Caption();
        Respond::Pick(f, "RadioGroup1", 6); // 0-based: the seventh item
        Respond::Press(f, "Button_ok");
    });
    // The HTML device then checks its file in TempDir (no browser question: none exists yet).
    ResponderScope scope(r);
    ListBegin(0, "");
    EXPECT_EQ(AbortFlag, 0);
    EXPECT_EQ(preselected, 6);
    EXPECT_EQ(prompt, "Device");
    EXPECT_EQ(ListDevice(), ListDeviceHtml);
    EXPECT_EQ(ListFileName, Path("qor1w.htm"));
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(ListingTest, CancelInTheDeviceChoiceTouchesNoFile) {
    TextDeviceWindow = 1;
    ScriptedResponder r;
    r.OnForm([](TForm& f) { Respond::Press(f, "button_cancel"); });
    ResponderScope scope(r);
    ListBegin(0, "");
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(ListingTest, UnknownDeviceListsToTheTextWindow) {
    TextDevice = 12;
    ListBegin(0, "");
    EXPECT_EQ(ListDevice(), ListDeviceScreen);
    EXPECT_EQ(ListFileName.rfind(Path("$OUT"), 0), 0u) << ListFileName;
}

TEST_F(ListingTest, LineStartsRawWritesAndCopiedFiles) {
    // Text device: a started line is indented and counted; a copied DOS file goes in byte for
    // byte.
    WriteFileBytes(Path("setup.txt"), "x\xE1y\r\nz\xC4\r\n");
    ListBegin(ListDeviceOutDos, "");
    ASSERT_TRUE(ListRewrite());
    ListIndentedLine("cell 1");
    WriteTextLine("\tcell 2");
    EXPECT_EQ(ListLineNo, 1);
    ListCopyTextFile(Path("setup.txt"));
    ListWrite("raw");
    ListEnd();
    EXPECT_EQ(ReadFileBytes(Path("OUTDOS.TXT")),
              "       cell 1\tcell 2\r\nx\xE1y\r\nz\xC4\r\nraw\r\n");

    // TXT device: the text alone.
    ListBegin(ListDeviceTxt, "");
    ASSERT_TRUE(ListRewrite());
    ListIndentedLine("title 1");
    WriteTextLine("\ttitle 2");
    ListEnd();
    EXPECT_EQ(ReadFileBytes(ListResultFile), "title 1\ttitle 2\r\n");

    // HTML: ListWrite passes markup through; a started line is "<br>" and the escaped text.
    HtmlBrowser = "";
    ScriptedResponder r;
    r.OnDialog(ChooseFile(Path("raw.htm")));
    ResponderScope scope(r);
    ListBegin(ListDeviceHtml, "");
    ASSERT_TRUE(ListRewrite());
    ListHtmlHeader();
    ListWrite("<p>");
    ListIndentedLine("<x>");
    ListWriteLn("</p>");
    ListEnd();
    const std::string html = ReadFileBytes(Path("raw.htm"));
    EXPECT_NE(html.find("<hr>\r\n<p>\r\n<br>&lt;x&gt;</p></BODY>"), std::string::npos) << html;
}
