#include "cad/frames.h"

#include <algorithm>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "cad/drawing_table.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"
#include "framework/ui/draw_device.h"
#include "platform/os/utf8.h"

namespace {

void Size(long double height, long double width, long double angle = 0) {
    CadSetTextSize(2, angle, height, width);
}

std::string Left(std::string_view s, std::size_t n) {
    return os::Utf8Left(s, n);
}

// A text in its field of the block, its characters ending before the field's right edge.
void Put(std::string_view text, long double x, long double y, long double right) {
    CadTextWithin(text, x, y, right - x);
}

// Fixed labels of a block, each with the right edge of its field.
struct Label {
    const char* text;
    long double x, y, right;
};
void PutLabels(std::initializer_list<Label> labels) {
    for (const Label& l : labels)
        Put(l.text, l.x, l.y, l.right);
}

// A caller text "/" (blanks aside) stands for no text.
std::string CallerText(std::string_view t) {
    std::string s(t);
    DelBlanks(s);
    return s == "/" ? std::string() : std::string(t);
}

// Where the revision rows of a title block stand: each column from its x to the next one's
// rule, the name column to end.
struct RevisionLayout {
    long double rowStep, rowBase; // row r at rowStep r + rowBase
    long double xIndex, xText, xDate, xName;
    long double textRule, dateRule, nameRule, end;
};

void RevisionRows(const RevisionLayout& l) {
    const int count = std::clamp<int>(ChangeCount, 0, ChangeTableMax);
    if (count == 0) return;
    Size(1.7L, 1.3L);
    CadSetColour(3);
    const int first = count > 8 ? count - 7 : 1;
    for (int i = first; i <= count; ++i) {
        const long double y = l.rowStep * (i - first + 1) + l.rowBase;
        const TChangeEntry& e = ChangeTable[i];
        Put(RevisionIndex(i), l.xIndex, y, l.textRule);
        Put(e.ChangeText.str(), l.xText, y, l.dateRule);
        Put(e.ChangeDate.str(), l.xDate, y, l.nameRule);
        Put(e.ChangeName.str(), l.xName, y, l.end);
    }
}

// The signature fields (date and name of the four rows) at the given rows, the dates before
// the rule at dateRule, the names before the one at nameRule.
void SignatureFields(long double xDate, long double dateRule, long double xName,
                     long double nameRule, const long double (&rows)[4]) {
    for (int r = 1; r <= 4; ++r) {
        Put(DrawingInfo.Rows[r].Date.str(), xDate, rows[r - 1], dateRule);
        Put(DrawingInfo.Rows[r].Name.str(), xName, rows[r - 1], nameRule);
    }
}

void SignatureLabels(long double x, long double rule, const long double (&rows)[4]) {
    Put("Compl.", x, rows[0], rule);
    Put("Check", x, rows[1], rule);
    Put("Stand.", x, rows[2], rule);
    Put(FourthRowLabel, x, rows[3], rule);
}

void ReplacementTexts(long double xFor, long double forRule, long double xBy, long double end,
                      long double y) {
    if (!DrawingInfo.ReplacementFor.empty())
        Put(Left("Replacement for " + DrawingInfo.ReplacementFor.str(), 31), xFor, y, forRule);
    if (!DrawingInfo.ReplacedBy.empty())
        Put(Left("Replaced by " + DrawingInfo.ReplacedBy.str(), 27), xBy, y, end);
}

void FreeTexts() {
    const int count = std::clamp<int>(DrawingTextCount, 0, DrawingTextMax);
    for (int i = 1; i <= count; ++i) {
        const TDrawingText& t = DrawingExtraTexts[i];
        if (t.h > 0) Size(t.h, 0.8L * t.h, t.phi);
        CadText(t.Text.str(), t.x, t.y);
    }
}

void FileAndDateLines(long double xDate) {
    CadSetColour(3);
    Size(1.5L, 1.2L);
    // A long file name ends before the date.
    if (!NoFileNameLine) Put(ShortenMiddle(OutputFileName(), 150), 18, 1, xDate - 2);
    if (!NoDateLine) CadText(DateString() + " " + TimeString(), xDate, 1);
}

// Above the sheet of the given width.
void ProductLine(long double width) {
    if (NoProductLine) return;
    CadSetColour(5);
    Size(3.5L, 3.0L);
    std::string s = Left("KELMORA   " + MakerTitle, 70);
    s = Left(s + "  V", 73);
    s = Left(s + VersionCode.str(), 79);
    Put(s, 1, 300, width);
}

// The user's logo block, only where blocks are read back (screen) or plotted.
void Logo(long double x, long double y, long double sx, long double sy) {
    if (NoLogo) return;
    CadSetColour(0);
    if (CadOutputCode != 3 && CadOutputCode != 4) return;
    if (!FileExist(AddBackslash(TempDir) + "$logo_1.dx$")) return;
    CadInsertBlock("logo_1", x, y, 0, sx, sy);
}

void Line(long double x1, long double y1, long double x2, long double y2) {
    CadLine(x1, y1, x2, y2);
}
void LineX(long double x, long double y1, long double y2) {
    CadLine(x, y1, x, y2);
}
void LineY(long double y, long double x1, long double x2) {
    CadLine(x1, y, x2, y);
}

void CallerTextsIso(std::string_view t1, std::string_view t2, std::string_view t3) {
    CadSetColour(5);
    Size(3.5L, 2.8L);
    Put(t3, 130, 12, 180);
    Put(t1, 76, 10, 128);
    Size(2.5L, 1.8L);
    Put(t2, 76, 4, 128);
}

// The labels of the bottom row both ISO blocks share.
void IsoBottomLabels() {
    PutLabels({{"Rev.", 129, 6.5L, 136},
               {"Date of issue", 137, 6.5L, 160},
               {"Lang.", 161, 6.5L, 170},
               {"Page", 171, 6.5L, 180}});
}

void IsoRevisionAndDate() {
    Put(RevisionLetter(), 130, 2, 136);
    Put(DateStringIso(), 138, 2, 160);
}

void IsoBlock36(std::string_view t1, std::string_view t2, std::string_view t3) {
    CadSetColour(5);
    CadRectangle(0, 0, 180, 36);
    CadSetColour(3);
    LineX(74, 0, 36);
    LineY(27, 0, 180);
    LineY(18, 74, 180);
    LineX(128, 0, 27);
    LineY(9, 128, 180);
    for (const long double x : {136.0L, 160.0L, 170.0L})
        LineX(x, 0, 9);
    for (const long double x : {31.0L, 116.0L, 158.0L})
        LineX(x, 27, 36);
    Size(1.6L, 1.3L);
    PutLabels({{"Responsible dept.", 1, 33.5L, 31},
               {"Technical reference", 32, 33.5L, 74},
               {"Created by", 75, 33.5L, 116},
               {"Approved by", 117, 33.5L, 158},
               {"Document type", 75, 24.5L, 128},
               {"Document status", 129, 24.5L, 180},
               {"Title, Supplementary title", 75, 15.5L, 180}});
    IsoBottomLabels();
    CallerTextsIso(t1, t2, t3);
    CadSetColour(4);
    Size(2.5L, 1.8L);
    Put(DrawingInfo.Rows[1].Name.str(), 76, 29, 116);
    Put(DrawingInfo.Rows[4].Name.str(), 118, 29, 158);
    Put(DrawingInfo.Rows[3].Name.str(), 33, 29, 74);
    IsoRevisionAndDate();
}

void IsoBlock27(std::string_view t1, std::string_view t2, std::string_view t3) {
    CadSetColour(5);
    CadRectangle(0, 0, 180, 27);
    CadSetColour(3);
    LineX(74, 0, 27);
    LineY(18, 0, 180);
    LineX(128, 0, 18);
    LineY(9, 128, 180);
    for (const long double x : {136.0L, 160.0L, 170.0L})
        LineX(x, 0, 9);
    LineX(31, 0, 27);
    LineX(135, 18, 27);
    LineY(9, 31, 74);
    Size(1.6L, 1.3L);
    PutLabels({{"Responsible dept.", 1, 24.5L, 31},
               {"Technical reference", 32, 24.5L, 74},
               {"Document type", 75, 24.5L, 135},
               {"Document status", 136, 24.5L, 180},
               {"Created by", 32, 15.5L, 74},
               {"Title, Supplementary title", 75, 15.5L, 180},
               {"Approved by", 32, 6.5L, 74}});
    IsoBottomLabels();
    CallerTextsIso(t1, t2, t3);
    CadSetColour(4);
    Size(2.5L, 1.8L);
    Put(DrawingInfo.Rows[1].Name.str(), 33, 11, 74);
    Put(DrawingInfo.Rows[4].Name.str(), 33, 2, 74);
    Put(DrawingInfo.Rows[3].Name.str(), 33, 20, 74);
    IsoRevisionAndDate();
}

// Options 0 and 3 (and, without the outer rectangle, any other value but 1 and 2).
void RevisionBlock(std::int32_t option, std::string_view t1, std::string_view t2,
                   std::string_view t3) {
    const bool tall = option == 3;
    if (option == 0 || option == 3) {
        CadSetColour(5);
        CadRectangle(0, 0, 187.2L, tall ? 55.25L : 38.25L);
    }
    CadSetColour(4);
    LineY(4.25L, 0, 187.2L);
    LineY(17, 54.6L, 187.2L);
    if (tall) {
        LineY(48.875L, 98.8L, 187.2L);
        LineY(38.25L, 0, 187.2L);
    }
    LineX(54.6L, 0, tall ? 55.25L : 38.25L);
    LineX(98.8L, 0, tall ? 55.25L : 38.25L);

    CadSetColour(3);
    LineY(8.5L, 174.2L, 187.2L);
    for (const long double x : {7.8L, 33.8L, 46.8L})
        LineX(x, 0, 38.25L);
    LineX(65, 17, 38.25L);
    LineX(143, 0, 4.25L);
    LineX(80.6L, 17, tall ? 55.25L : 38.25L);
    if (tall) LineX(150.8L, 48.875L, 55.25L);
    LineX(174.2L, 4.25L, 17);
    for (int i = 2; i <= 8; ++i)
        LineY(4.25L * i, 0, 54.6L);
    for (int i = 5; i <= 8; ++i)
        LineY(4.25L * i, 54.6L, 98.8L);

    Size(1.6L, 1.3L);
    PutLabels({{"Cond.", 1, 1, 7.8L},
               {"Modification", 8.8L, 1, 33.8L},
               {"Date", 34.8L, 1, 46.8L},
               {"Name", 47.8L, 1, 54.6L}});
    Size(1.8L, 1.5L);
    PutLabels({{"Date", 66, 35, 80.6L}, {"Name", 81.6L, 35, 98.8L}});
    const long double rows[4] = {30.75L, 26.5L, 22.25L, 18};
    SignatureLabels(55.6L, 65, rows);
    SignatureFields(66, 80.6L, 81.6L, 98.8L, rows);
    ReplacementTexts(99.8L, 143, 144, 187.2L, 1);
    RevisionRows({4.25L, 1, 1, 8.8L, 34.8L, 47.8L, 7.8L, 33.8L, 46.8L, 54.6L});

    CadSetColour(5);
    Size(5, 4);
    Put(t1, 100.8L, 28.625L, 187.2L);
    Put(t3, 100.8L, 7.375L, 174.2L);
    Size(3.5L, 2.8L);
    Put(t2, 100.8L, 20.125L, 187.2L);
}

} // namespace

std::string RevisionIndex(int i) {
    switch (FrameOption) {
    case 0:
        return i >= 1 && i <= 26 ? std::string(1, static_cast<char>('a' + i - 1)) : "";
    case 1:
        return IntToString(i);
    case 2:
        return i >= 1 && i <= 26 ? std::string(1, static_cast<char>('A' + i - 1)) : "";
    default:
        return "";
    }
}

std::string RevisionLetter() {
    const int count = std::clamp<int>(ChangeCount, 0, 25);
    return std::string(1, static_cast<char>('A' + count));
}

void BeginSheet(std::uint16_t kind) {
    if (kind == 3)
        CadBeginDrawing(-2, -5, 422, 305);
    else if (kind == 4)
        CadBeginDrawing(-5, -5, 215, 307);
}

void DrawRevisionEntries() {
    RevisionRows({4.2L, 6.5L, 21, 27, 52.5L, 66, 26, 52, 65, 73});
}

void DrawFrame(std::string_view t1in, std::string_view t2in, std::string_view t3in) {
    const std::string t1 = CallerText(t1in), t2 = CallerText(t2in), t3 = CallerText(t3in);
    DrawingKind = 2;
    if (NoFrame || AbortFlag) return;

    CadSetColour(5);
    CadRectangle(18, 5, 205, 292);
    LineY(43, 18, 205);
    CadSetColour(4);
    LineX(73, 5, 43);
    LineX(116, 5, 43);
    LineY(22, 73, 205);
    LineX(192, 9.4L, 22);
    CadSetColour(3);
    CadRectangle(0, 0, 210, 297);
    DrawParallelLines(8, 18, 43, 55, 4.2);
    DrawParallelLines(4, 73, 43, 43, 4.2);
    for (const long double x : {26.0L, 52.0L, 65.0L})
        LineX(x, 5, 43);
    LineX(82, 22, 43);
    LineX(98, 22, 43);
    LineY(9.4L, 73, 205);
    LineX(160, 5, 9.4L);
    LineY(14, 192, 205);
    Line(0, 148.5L, 15, 148.5L); // fold mark

    Size(1.6L, 1.3L);
    PutLabels({{"Cond.", 19, 6, 26},
               {"Modification", 30, 6, 52},
               {"Date", 54, 6, 65},
               {"Name", 65.6L, 6, 73}});
    Size(1.8L, 1.5L);
    PutLabels({{"Date", 85, 39.8L, 98}, {"Name", 100, 39.8L, 116}});
    SignatureLabels(74, 82, {35.6L, 31.4L, 27.2L, 23.2L});

    Size(1.8L, 1.5L, 90);
    const char* const notice[5] = {
        "Copying of this document and giving it to other and the use",
        "or communication of the contents thereof, are forbidden with-",
        "out express authority. Offenders are liable to the payment",
        "of damages. All rights are reserved in the event of the grant",
        "of a patent or the registration of a utility model or design.",
    };
    const long double noticeX[5] = {4, 6.7L, 9.4L, 12.1L, 14.8L};
    for (int i = 0; i < 5; ++i)
        CadText(notice[i], noticeX[i], 10);

    Size(1.8L, 1.5L);
    SignatureFields(83.5L, 98, 100, 116, {35.6L, 31.2L, 27.0L, 23.0L});
    PutLabels({{"Page", 194, 18, 205}, {"Pg.", 200, 10.4L, 205}});
    ReplacementTexts(118, 160, 162, 205, 6.5L);
    DrawRevisionEntries();
    FreeTexts();

    CadSetColour(5);
    Size(5, 4);
    Put(t1, 120, 32.5L, 205);
    Put(t3, 120, 12, 192);
    Size(3.5L, 2.8L);
    Put(t2, 120, 25, 205);
    FileAndDateLines(186);
    ProductLine(210);
    Logo(75, 10, 1, 1);
}

void DrawFrame2(std::uint16_t kind, std::string_view t1in, std::string_view t2in,
                std::string_view t3in) {
    const std::string t1 = CallerText(t1in), t2 = CallerText(t2in), t3 = CallerText(t3in);
    const bool a3 = kind == 3;
    DrawingKind = a3 ? 3 : 2;
    if (NoFrame || AbortFlag) return;

    CadSetColour(5);
    if (a3)
        CadRectangle(15, 5, 415, 292);
    else
        CadRectangle(18, 5, 205, 292);
    CadSetColour(3);
    CadRectangle(0, 0, a3 ? 420 : 210, 297);
    DrawTitleBlock2(kind, t1, t2, t3);
    FreeTexts();
    FileAndDateLines(a3 ? 395 : 186);
    ProductLine(a3 ? 420 : 210);
    switch (TitleBlockOption) {
    case 0:
    case 3:
        Logo(a3 ? 284 : 75, a3 ? 9.65L : 10, 1, 1);
        break;
    case 1:
        Logo(a3 ? 235 : 25, 9, 0.8L, 1);
        break;
    case 2:
        Logo(a3 ? 236 : 26, 8, 1.8L, 1.8L);
        break;
    default:
        break;
    }
}

void DrawTitleBlock2(std::uint16_t kind, std::string_view t1, std::string_view t2,
                     std::string_view t3) {
    const bool a3 = kind == 3;
    const std::int32_t option = TitleBlockOption;
    const bool wide = option == 0 || option == 3;
    if (a3)
        CadSetOrigin(wide ? 227.8L : 235, 5);
    else
        CadSetOrigin(wide ? 17.9L : 25, 5);
    if (option == 2)
        IsoBlock36(t1, t2, t3);
    else if (option == 1)
        IsoBlock27(t1, t2, t3);
    else
        RevisionBlock(option, t1, t2, t3);
    CadSetOrigin(0, 0);
}
