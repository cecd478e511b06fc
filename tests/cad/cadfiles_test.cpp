// What other programs see in the CAD files: texts in every format and CAD text mode (python3-ezdxf
// for DXF, OpenCASCADE through tools/igescheck for IGES, Python's csv module for TXT), the DXF
// head against the extents worked out by tests/cad/dxf_bounds.py, and IGES block definitions
// and the global section as OpenCASCADE reads them.

#include "cad_testutil.h"

#include <cmath>
#include <ctime>
#include <map>
#include <sstream>

#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/shelldata.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

class CadFilesTest : public CadTest {
protected:
    std::string Draw(std::uint16_t code, const std::string& base,
                     const std::function<void()>& body) {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        CadOpenOutput(code);
        CadBatchOutput = 0;
        EXPECT_EQ(AbortFlag, 0);
        body();
        CadCloseOutput();
        EXPECT_EQ(AbortFlag, 0) << base;
        return Path(base + (code == 1 ? ".dxf" : code == 2 ? ".igs" : ".txt"));
    }
    static std::vector<std::string> Python(const std::string& script, const std::string& args,
                                           int& status) {
        return ReportLines(RunCommand("/usr/bin/python3 " + std::string(QOR_SOURCE_DIR) + "/tests/cad/" +
                                    script + " " + args + " 2>&1",
                                status));
    }
    static std::vector<std::string> Iges(const std::string& file, int& status) {
        return ReportLines(IgesCheckReport(file, status));
    }
};

// A stored text with umlauts, sharp s, the plus-minus, degree and diameter signs, O stroke and a
// half, written in every format with every CAD text mode, as the readers show it.
TEST_F(CadFilesTest, TextsReadAsWrittenInEveryFormatAndMode) {
    const std::string text = "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 \u2300 12 5% \u00D8\u00BD";
    ASSERT_EQ(CharsetMode, 2) << "the default mode";
    const struct {
        int mode;
        const char* codepage; // $DWGCODEPAGE
        std::string dxf;      // as ezdxf shows it (decoded in the declared page)
        std::string iges;     // as OpenCASCADE reads the note
        const char* txtPage;  // code page the TXT file is read in
        std::string txt;
    } cases[] = {
        {2, "ANSI_1252", "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 \u00D8 12 5% \u00D8\u00BD",
         "Groesse 0.548+/-0.006 20deg dia  12 5% O1/2", "cp1252",
         "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 ? 12 5% \u00D8\u00BD"},
        {3, "ANSI_1252", "Groesse 0.548+/-0.006 20deg \u00D8 12 5% O1/2",
         "Groesse 0.548+/-0.006 20deg dia  12 5% O1/2", "cp1252",
         "Groesse 0.548+/-0.006 20deg dia  12 5% O1/2"},
        // The DOS page as chosen: the bytes of code page 437 in every format.
        {1, "DOS437", "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 ? 12 5% ?\u00BD",
         "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 ? 12 5% ?\u00BD", "cp437",
         "Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 ? 12 5% ?\u00BD"},
    };
    // DXF: the TEXT value decoded in the page the head declares, shown as ezdxf shows TEXT.
    const std::string decode =
        "import sys,csv,ezdxf\n"
        "from ezdxf.entities import Text\n"
        "f,kind,page=sys.argv[1:4]\n"
        "if kind=='dxf':\n"
        "  d=ezdxf.readfile(f)\n"
        "  cp=d.header.get('$DWGCODEPAGE')\n"
        "  raw=open(f,'rb').read()\n"
        "  i=raw.index(b'\\r\\nTEXT\\r\\n')\n"
        "  j=raw.index(b'\\r\\n  1\\r\\n',i)+7\n"
        "  t=raw[j:raw.index(b'\\r\\n',j)].decode({'ANSI_1252':'cp1252','DOS437':'cp437'}[cp])\n"
        "  print('page',cp)\n"
        "  if cp=='ANSI_1252': print('ezdxf',d.modelspace().query('TEXT')[0].dxf.text==t)\n"
        "  print('text',Text.new(dxfattribs={'text':t}).plain_text())\n"
        "else:\n"
        "  for r in csv.reader(open(f,newline='',encoding=page),delimiter='\\t'):\n"
        "    if r[0]=='TEXT': print('text',r[3])\n";
    WriteFileBytes(Path("decode.py"), decode);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        CharsetMode = static_cast<std::uint16_t>(c.mode);
        const auto body = [&] {
            CadBeginDrawing(0, 0, 100, 50);
            CadWriteTables(0);
            CadBeginEntities();
            CadSetTextSize(2, 0, 3.5L, 0);
            CadText(text, 5, 5);
            CadLine(0, 0, 100, 50);
            CadEndSection();
        };
        const std::string base = "t" + std::to_string(c.mode);
        int status = -1;
        const std::string dxfPage = c.mode == 1 ? "cp437" : "cp1252";
        const auto dxf = ReportLines(RunCommand("/usr/bin/python3 " + Path("decode.py") + " '" +
                                              Draw(1, base, body) + "' dxf " + dxfPage + " 2>&1",
                                          status));
        ASSERT_EQ(status, 0) << Joined(dxf);
        EXPECT_EQ(ReportValue(dxf, "page"), c.codepage);
        if (c.mode != 1) {
            EXPECT_EQ(ReportValue(dxf, "ezdxf"), "True") << "ezdxf decodes it alike";
        }
        EXPECT_EQ(ReportValue(dxf, "text"), c.dxf);

        const std::string igs = Draw(2, base, body);
        const auto iges = Iges(igs, status);
        ASSERT_EQ(status, 0) << Joined(iges);
        const std::string bytes = ReadFileBytes(igs);
        const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 128;
        });
        EXPECT_EQ(ascii, c.mode != 1);
        // OpenCASCADE hands the note's bytes on as they stand.
        EXPECT_EQ(ascii ? ReportValue(iges, "note") : os::Cp437ToUtf8(ReportValue(iges, "note")), c.iges);

        const auto txt = ReportLines(RunCommand("/usr/bin/python3 " + Path("decode.py") + " '" +
                                              Draw(5, base, body) + "' txt " + c.txtPage + " 2>&1",
                                          status));
        ASSERT_EQ(status, 0) << Joined(txt);
        EXPECT_EQ(ReportValue(txt, "text"), c.txt);
    }
}

// The head of a DXF file says what the file draws: extents enclosing every entity (inserts as
// their blocks place them, arcs and bulged polylines by their extreme points, texts by their
// width and descenders), the limits the drawing named, a dash scale in proportion to it; bulges
// keep every digit, so a short arc's radius comes out right. A TXT file's MINMAX encloses both.
TEST_F(CadFilesTest, DxfHeadEnclosesWhatIsDrawnAndScalesItsDashes) {
    const long double tiny = 1e-3L;
    const struct {
        const char* name;
        long double limits[4];
        std::function<void()> draw;
    } cases[] = {
        {"sheet",
         {0, 0, 420, 297},
         [] {
             CadBeginBlocksSection();
             CadBeginBlock("TOOTH");
             CadBeginPolyline(0);
             CadVertex(-3, 0, 0);
             CadVertex(-1, 8, -Pi / 2);
             CadVertex(1, 8, 0);
             CadVertex(3, 0, 0);
             CadEndPolyline();
             CadArc(0, -40, 80, 100, 40);
             CadEndBlock();
             CadBeginBlock("WHEEL"); // nested inserts turned about the centre
             for (int k = 0; k < 12; ++k)
                 CadInsertBlock("TOOTH", 0, 0, 30.0L * k, 1, 1);
             CadEndBlock();
             CadEndSection();
             CadBeginEntities();
             CadInsertBlock("WHEEL", 100, 120, 7.5L, 2, 2);
             CadInsertBlock("TOOTH", 300, 250, 200, -1.5L, -1.5L);
             CadSetTextSize(2, 30, 5, 4);
             CadText("outside to the right", 400, 10);
             CadArc(200, 300, 10, 170, 30); // above the named sheet
             CadEndSection();
         }},
        {"two drawings joined", // one head for both: the union of their limits
         {0, 0, 200, 120},
         [] {
             for (int k = 0; k < 2; ++k) {
                 CadBeginBlocksSection();
                 CadBeginBlock("B"); // the second definition is written as B_2
                 CadCircle(0, 0, 10 + 30 * k);
                 CadEndBlock();
                 CadEndSection();
                 CadBeginEntities();
                 CadInsertBlock("B", 50 + 100 * k, 40 * k, 0, 1, 1);
                 CadEndSection();
                 if (k == 0) CadBeginDrawing(50, 25, 200, 120);
             }
         }},
        {"tooth of 1 mm",
         {-0.6L, -0.1L, 0.6L, 1.1L},
         [=] {
             CadBeginEntities();
             CadBeginPolyline(0);
             CadVertex(-0.5L, 0, 0);
             CadVertex(-0.2L, 1, -0.05L); // a short, flat tip arc
             CadVertex(0.2L, 1, 0);
             CadVertex(0.5L, 0, 0);
             CadEndPolyline();
             CadArc(0, -62.5L, 89.7L, 90.3L, 62.5L); // radius 62.5 over 0.65 mm
             CadLine(-tiny, 0, tiny, 0);
             CadSetTextSize(2, 0, 0.3L, 0);
             CadText("gy", -0.5L, -0.1L); // its descenders lowest of all
             CadEndSection();
         }},
        {"texts and inserts as a reader places them", // the values as written
         {0, 0, 100, 50},
         [] {
             CadBeginBlocksSection();
             CadBeginBlock("FAR");
             CadCircle(0, 0, 200);
             CadEndBlock();
             CadEndSection();
             CharsetMode = 3; // spelled out in ASCII
             CadBeginEntities();
             CadInsertBlock("FAR", 40, -20, 0, 0.1510556L, 0.1510556L); // scaled by 0.151056
             CadLine(0, 0, 10, 10);
             CadSetTextSize(2, 12.34L, 3, 2.51L); // written as 12.3 and 0.837
             CadText("Gr\u00F6\u00DFe 0.548\u00B10.006 20\u00B0 \u2300 12", 20, 20);
             CharsetMode = 2;
             CadSetTextSize(2, 0, 2, 0);
             CadText("\u00B1\u00B0\u2300\u00B1\u00B0\u2300", 110, 5); // %%p %%d %%c: 6 characters
             CadEndSection();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool joined = std::string(c.name).find("joined") != std::string::npos;
        const auto body = [&] {
            if (joined) CadJoinDrawings();
            CadBeginDrawing(c.limits[0], c.limits[1], joined ? 100 : c.limits[2],
                            joined ? 50 : c.limits[3]);
            CadWriteTables(0);
            c.draw();
        };
        const std::string file = Draw(1, std::string("head_") + c.name, body);
        const std::string txt = ReadFileBytes(Draw(5, std::string("head_") + c.name, body));
        int status = -1;
        const auto rep = Python("dxf_bounds.py", "'" + file + "'", status);
        ASSERT_EQ(status, 0) << Joined(rep);
        const auto head = Numbers(ReportValue(rep, "header").substr(ReportValue(rep, "header").find(' ')));
        const auto drawn = Numbers(ReportValue(rep, "drawn"));
        ASSERT_EQ(head.size(), 9u) << Joined(rep);
        ASSERT_EQ(drawn.size(), 4u) << Joined(rep);
        // Extents: enclosing, and no further than the polygons around arcs in blocks reach.
        const double size = std::max(drawn[2] - drawn[0], drawn[3] - drawn[1]);
        const double slack = 1e-6 + 5e-5 * size;
        for (int k = 0; k < 2; ++k) {
            EXPECT_LE(head[1 + k], drawn[k] + 1e-6) << k;
            EXPECT_GE(head[1 + k], drawn[k] - slack) << k;
            EXPECT_GE(head[3 + k], drawn[2 + k] - 1e-6) << k;
            EXPECT_LE(head[3 + k], drawn[2 + k] + slack) << k;
        }
        // A TXT file's MINMAX: the limits and what is drawn.
        const auto minmax = Numbers(txt.substr(6, txt.find('\r') - 6));
        ASSERT_EQ(minmax.size(), 4u) << txt.substr(0, 80);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(head[5 + k], static_cast<double>(c.limits[k]), 1e-9);
            const double limit = static_cast<double>(c.limits[k]),
                         want = k < 2 ? std::min(drawn[k], limit) : std::max(drawn[k], limit);
            EXPECT_LE((k < 2 ? 1 : -1) * (minmax[k] - want), 1e-6) << k;
            EXPECT_NEAR(minmax[k], want, slack) << k;
        }
        const double diagonal = std::hypot(static_cast<double>(c.limits[2] - c.limits[0]),
                                           static_cast<double>(c.limits[3] - c.limits[1]));
        EXPECT_NEAR(head[0], diagonal / 40, diagonal / 40 * 2e-3);
    }
    // The tip arc's bulge: tan(-0.05 / 4) with 17 significant digits, so the radius a CAD
    // program derives from it is right to 1e-12.
    const std::string b = ReadFileBytes(Path("head_tooth of 1 mm.dxf"));
    const std::size_t at = b.find(" 42\r\n", b.find("VERTEX"));
    ASSERT_NE(at, std::string::npos);
    const long double bulge = std::stold(b.substr(at + 5, 40));
    const long double angle = 4 * atanl(bulge);
    const long double radius = 0.2L / sinl(fabsl(angle) / 2); // half chord 0.2
    EXPECT_NEAR(static_cast<double>(radius), static_cast<double>(0.2L / sinl(0.025L)), 1e-12);
}

// A drawing larger than the memory the DXF body may take waits in a temporary file: the head
// still comes first and names its extents, the body follows whole, nothing is left behind.
TEST_F(CadFilesTest, LargeDxfBodyWaitsInATemporaryFile) {
    const int count = 120000; // about 10 MB of LINE entities
    const std::string file = Draw(1, "large", [&] {
        CadBeginDrawing(0, 0, 100, 100);
        CadWriteTables(0);
        CadBeginEntities();
        for (int i = 0; i < count; ++i)
            CadLine(i % 97, i % 89, (i % 97) + 1.5L, -(i % 13));
        CadEndSection();
    });
    const std::string bytes = ReadFileBytes(file);
    EXPECT_GT(bytes.size(), 8u << 20);
    EXPECT_EQ(bytes.find("  0\r\nSECTION\r\n  2\r\nHEADER\r\n"), 0u);
    EXPECT_NE(bytes.find("$EXTMIN\r\n 10\r\n0.000000\r\n 20\r\n-12.000000\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("$EXTMAX\r\n 10\r\n97.500000\r\n 20\r\n88.000000\r\n"), std::string::npos);
    std::size_t lines = 0;
    for (std::size_t p = bytes.find("\r\nLINE\r\n"); p != std::string::npos;
         p = bytes.find("\r\nLINE\r\n", p + 1))
        ++lines;
    EXPECT_EQ(lines, static_cast<std::size_t>(count));
    EXPECT_EQ(bytes.substr(bytes.size() - 10), "  0\r\nEOF\r\n");
    EXPECT_EQ(qortest::SortedNames(dir_), (std::vector<std::string>{"large.dxf"}));
}

// IGES: a block goes into the file where something places it, marked as a definition that its
// instances use, with the depth of its nesting; a block nothing places is left out, so the
// reader transfers exactly what the drawing shows. The global section as OpenCASCADE parses it.
TEST_F(CadFilesTest, IgesDefinitionsWhereInsertedAndTheGlobalSection) {
    const auto blocks = [] {
        CadBeginBlocksSection();
        CadBeginBlock("LEAF");
        CadLine(0, 0, 10, 0);
        CadEndBlock();
        CadBeginBlock("TWIG");
        CadInsertBlock("LEAF", 0, 0, 90, 1, 1);
        CadCircle(0, 0, 2);
        CadEndBlock();
        CadBeginBlock("UNUSED"); // far away: a reader must not show it
        CadLine(-500, -500, -400, -400);
        CadEndBlock();
        CadEndSection();
    };
    const struct {
        const char* name;
        std::function<void()> entities;
        std::map<std::string, std::string> definitions; // name -> "use 2 subordinate 1 depth d"
        double bbox[4];
        double largest; // largest coordinate written
    } cases[] = {
        {"nested",
         [] { CadInsertBlock("TWIG", 50, 20, 0, 1, 1); },
         {{"LEAF", "depth 0 members 1"}, {"TWIG", "depth 1 members 2"}},
         {48, 18, 52, 30},
         52},
        {"leaf only",
         [] { CadInsertBlock("LEAF", 5, 5, 0, 3, 3); },
         {{"LEAF", "depth 0 members 1"}},
         {5, 5, 35, 5},
         35},
        {"no inserts", [] { CadLine(1, 2, 3, 4.25L); }, {}, {1, 2, 3, 4.25}, 4.25},
    };
    DrawingInfo.Rows[1].Name = "M\u00FCller"; // the drawing's "Compl." name
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::time_t before = std::time(nullptr);
        const std::string file = Draw(2, std::string("defs_") + c.name, [&] {
            CadBeginDrawing(0, 0, 100, 60);
            blocks();
            CadBeginEntities();
            c.entities();
            CadEndSection();
        });
        int status = -1;
        const auto rep = Iges(file, status);
        ASSERT_EQ(status, 0) << Joined(rep);
        EXPECT_EQ(ReportValue(rep, "fails"), "0") << Joined(rep);
        EXPECT_EQ(ReportValue(rep, "warnings"), "0") << Joined(rep);
        std::map<std::string, std::string> defs;
        for (const auto& l : rep)
            if (l.rfind("definition ", 0) == 0) {
                std::istringstream in(l.substr(11));
                std::string name, rest;
                in >> name;
                std::getline(in, rest);
                EXPECT_EQ(rest.substr(0, 25), " use 2 subordinate 1 dept") << l;
                defs[name] = rest.substr(rest.find("depth"));
            }
        EXPECT_EQ(defs, c.definitions);
        const auto box = Numbers(ReportValue(rep, "bbox"));
        ASSERT_EQ(box.size(), 4u) << Joined(rep);
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(box[k], c.bbox[k], 1e-6) << k;
        // Global section: IGES 5.3, written now, by the drawing's author, largest coordinate
        // not below any coordinate of the file (the definitions included).
        EXPECT_EQ(ReportValue(rep, "global version"), "11");
        EXPECT_EQ(ReportValue(rep, "global author"), "Mueller");
        EXPECT_EQ(ReportValue(rep, "global unit"), "MM");
        const std::string date = ReportValue(rep, "global date");
        ASSERT_EQ(date.size(), 15u) << date;
        EXPECT_EQ(date[8], '.') << date;
        std::tm t{};
        t.tm_year = std::stoi(date.substr(0, 4)) - 1900;
        t.tm_mon = std::stoi(date.substr(4, 2)) - 1;
        t.tm_mday = std::stoi(date.substr(6, 2));
        t.tm_hour = std::stoi(date.substr(9, 2));
        t.tm_min = std::stoi(date.substr(11, 2));
        t.tm_sec = std::stoi(date.substr(13, 2));
        t.tm_isdst = -1;
        const std::time_t written = std::mktime(&t);
        EXPECT_LE(before - 1, written);
        EXPECT_LE(written, std::time(nullptr) + 1);
        const double largest = std::stod(ReportValue(rep, "global maxcoord"));
        const bool unusedWritten = ReadFileBytes(file).find("-500.") != std::string::npos;
        EXPECT_FALSE(unusedWritten);
        EXPECT_GE(largest, c.largest);
        EXPECT_LE(largest, c.largest + 0.001);
    }
    // Without a name in the drawing texts the author is the login name.
    DrawingInfo.Rows[1].Name = "";
    int status = -1;
    const auto rep = Iges(Draw(2, "login", [] { CadLine(0, 0, 1, 1); }), status);
    std::string login = RunCommand("id -un");
    while (!login.empty() && (login.back() == '\n' || login.back() == ' '))
        login.pop_back();
    EXPECT_EQ(ReportValue(rep, "global author"), login);
}

} // namespace
