// The IGES and TXT writers: files read back by independent readers (OpenCASCADE's IGES reader
// through tools/igescheck, python3-ezdxf for the same drawing as DXF, Python's csv module for
// TXT), the record layout, and the faults of the IGES format's first design.

#include "cad_testutil.h"

#include <cmath>
#include <set>
#include <sstream>

#include "cad/igeswrite.h"
#include "framework/core/files.h"
#include "framework/core/maths.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

class FormatTest : public CadTest {
protected:
    // Opens code on a file in the test directory through the batch name.
    void OpenCode(std::uint16_t code, const std::string& base) {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        CadOpenOutput(code);
        CadBatchOutput = 0;
        ASSERT_EQ(AbortFlag, 0);
    }
};

// A block of 13 lines and an arc inserted at 0 and 30 degrees, scaled and negatively scaled,
// a circle, a solid and a text.
void ScriptedDrawing() {
    CadBeginDrawing(0, 0, 420, 297);
    CadWriteTables(0);
    CadBeginBlocksSection();
    CadBeginBlock("RAD2");
    CadSetColour(1);
    for (int i = 0; i < 13; ++i)
        CadLine(i * 1.25L, 0.5L * i, 3 + i * 0.75L, 7.125L - i);
    CadSetColour(19);
    CadArc(2, 3, 20, 160, 4.5L);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock("RAD2", 100, 50, 0, 1, 1);
    CadInsertBlock("rad2", 150, 80, 30, 1, 1); // found without regard to letter case
    CadInsertBlock("RAD2", 200, 60, 0, 2, 2);
    CadInsertBlock("RAD2", 300, 90, 15, -1.5L, -1.5L);
    CadSetColour(2);
    CadCircle(50, 250, 12.5L);
    CadSetColour(31);
    CadSolid(10, 10, 30, 12, 8, 25, 33, 27);
    CadSetColour(3);
    CadSetTextSize(2, 20, 5, 0);
    CadText("Modul 2,5\tz=20", 60, 200);
    CadEndSection();
    CadCloseOutput();
}

struct Report {
    std::vector<std::string> lines;
    int status = -1;
    std::string Value(const std::string& key) const {
        for (const auto& l : lines)
            if (l.rfind(key + " ", 0) == 0) return l.substr(key.size() + 1);
        return "";
    }
};

Report ReadLines(const std::string& cmd) {
    Report r;
    std::istringstream in(RunCommand(cmd, r.status));
    for (std::string l; std::getline(in, l);)
        r.lines.push_back(l);
    return r;
}

Report IgesCheck(const std::string& file) {
#ifdef QOR_IGES_CHECK
    return ReadLines(std::string(QOR_IGES_CHECK) + " '" + file + "' 2>&1");
#else
    ADD_FAILURE() << "tools/igescheck was not built: OpenCASCADE is missing (scripts/install-deps)";
    (void)file;
    return {};
#endif
}

struct Edge {
    double x1, y1, x2, y2;
};

std::vector<Edge> EdgesOf(const Report& r) {
    std::vector<Edge> out;
    for (const auto& l : r.lines) {
        Edge e{};
        if (std::sscanf(l.c_str(), "edge %lf %lf %lf %lf", &e.x1, &e.y1, &e.x2, &e.y2) == 4)
            out.push_back(e);
    }
    return out;
}

bool Near(double a1, double b1, double a2, double b2) {
    return std::fabs(a1 - a2) <= 1e-6 && std::fabs(b1 - b2) <= 1e-6;
}

// Every edge of a has its own partner in b with the same end points (in either direction).
std::string Unmatched(const std::vector<Edge>& a, std::vector<Edge> b) {
    std::string missing;
    for (const Edge& e : a) {
        auto it = std::find_if(b.begin(), b.end(), [&](const Edge& f) {
            return (Near(e.x1, e.y1, f.x1, f.y1) && Near(e.x2, e.y2, f.x2, f.y2)) ||
                   (Near(e.x1, e.y1, f.x2, f.y2) && Near(e.x2, e.y2, f.x1, f.y1));
        });
        if (it == b.end())
            missing += std::to_string(e.x1) + " " + std::to_string(e.y1) + " " +
                       std::to_string(e.x2) + " " + std::to_string(e.y2) + "\n";
        else
            b.erase(it);
    }
    return missing;
}

std::vector<std::string> FileRecords(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t p; (p = bytes.find("\r\n", at)) != std::string::npos; at = p + 2)
        out.push_back(bytes.substr(at, p - at));
    EXPECT_EQ(at, bytes.size()) << "the file does not end with CR LF";
    return out;
}

TEST_F(FormatTest, IgesOfTheScriptedDrawingReadsWithOpenCascadeAsTheDxfDoes) {
    ColourTable[31] = 16; // an index outside 1..15
    OpenCode(2, "scripted");
    // The parameter file lies in TempDir while the drawing is written.
    int temps = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        temps += e.path().filename().string().rfind("KELMIGES", 0) == 0;
    EXPECT_EQ(temps, 1);
    ScriptedDrawing();
    ASSERT_EQ(AbortFlag, 0);
    OpenCode(1, "scripted");
    ScriptedDrawing();
    ASSERT_EQ(AbortFlag, 0);
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        EXPECT_NE(e.path().extension(), ".$$$") << e.path();

    const Report iges = IgesCheck(Path("scripted.igs"));
    ASSERT_EQ(iges.status, 0) << Joined(iges.lines);
    EXPECT_EQ(iges.Value("read"), "done");
    EXPECT_EQ(iges.Value("fails"), "0") << Joined(iges.lines);
    EXPECT_GT(std::stoi(iges.Value("roots")), 0);
    // 4 inserts of 14 edges, the circle and the four sides of the solid.
    EXPECT_EQ(iges.Value("edges"), "61");
    const Report dxf = ReadLines("/usr/bin/python3 " + std::string(QOR_SOURCE_DIR) +
                                 "/tests/cad/dxf_edges.py '" + Path("scripted.dxf") + "' 2>&1");
    ASSERT_EQ(dxf.status, 0) << Joined(dxf.lines);
    const auto a = EdgesOf(dxf);
    const auto b = EdgesOf(iges);
    ASSERT_EQ(a.size(), 61u);
    ASSERT_EQ(b.size(), a.size());
    EXPECT_EQ(Unmatched(a, b), "") << "DXF edges without an IGES edge at the same end points";

    // Every record 80 columns, sequence numbers in order, the T record counts the sections.
    const auto recs = FileRecords(ReadFileBytes(Path("scripted.igs")));
    std::map<char, int> counts;
    for (const auto& r : recs) {
        ASSERT_EQ(r.size(), 80u) << r;
        const char letter = r[72];
        ++counts[letter];
        char seq[16];
        std::snprintf(seq, sizeof seq, "%07d", counts[letter]);
        EXPECT_EQ(r.substr(73), seq) << r;
    }
    ASSERT_EQ(counts['T'], 1);
    char expect[40];
    std::snprintf(expect, sizeof expect, "S%07dG%07dD%07dP%07d", counts['S'], counts['G'],
                  counts['D'], counts['P']);
    EXPECT_EQ(recs.back().substr(0, 32), expect);
    // The text's tab is a blank; the solid's colour 31 (index 16) has IGES colour 0.
    const std::string bytes = ReadFileBytes(Path("scripted.igs"));
    EXPECT_NE(bytes.find("14HModul 2,5 z=20;"), std::string::npos);
    EXPECT_EQ(bytes.find('\t'), std::string::npos);
    bool solidSeen = false;
    for (std::size_t i = 0; i + 1 < recs.size(); ++i)
        if (recs[i][72] == 'D' && recs[i].substr(0, 8) == "     106" &&
            recs[i].substr(32, 8) == "      11") { // second record: colour, count, form
            solidSeen = true;
            EXPECT_EQ(recs[i].substr(16, 8), "       0") << recs[i];
        }
    EXPECT_TRUE(solidSeen);
}

TEST_F(FormatTest, IgesBlocksOfAnEarlierFileAreNotFoundAndLongNamesWrap) {
    OpenCode(2, "first");
    CadBeginDrawing(0, 0, 100, 100);
    CadBeginBlocksSection();
    CadBeginBlock("RAD1");
    CadLine(0, 0, 1, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock("RAD1", 0, 0, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
    InitErrors();
    // A second file with a long name, inserting a block it never defined.
    const std::string base = "a_drawing_file_with_a_name_much_longer_than_one_global_record_of_"
                             "seventy_two_columns_holds";
    OpenCode(2, base);
    CadBeginDrawing(0, 0, 100, 100);
    CadBeginEntities();
    CadLine(0, 0, 5, 5);
    CadInsertBlock("RAD1", 10, 10, 0, 1, 1);
    CadEndSection();
    CadCloseOutput();
    ASSERT_EQ(AbortFlag, 0);
    ASSERT_EQ(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1].str().substr(0, 14), "Blockname RAD1");
    const std::string bytes = ReadFileBytes(Path(base + ".igs"));
    EXPECT_EQ(bytes.find("     408"), std::string::npos); // no insert pointing nowhere
    for (const auto& r : FileRecords(bytes))
        EXPECT_EQ(r.size(), 80u) << r;
    const Report iges = IgesCheck(Path(base + ".igs"));
    EXPECT_EQ(iges.status, 0) << Joined(iges.lines);
    EXPECT_EQ(iges.Value("edges"), "1");
}

TEST_F(FormatTest, IgesRecordsOfParametersAndTheColourTable) {
    std::ostringstream out;
    ASSERT_TRUE(CadOpenStream(2, out, "stream"));
    CadBeginDrawing(0, 0, 10, 10);
    CadBeginBlocksSection();
    CadBeginBlock("B13");
    for (int i = 0; i < 13; ++i)
        CadLine(i, 0, i, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadInsertBlock("B13", 0, 0, 0, 1, 1); // the definition goes in before its first instance
    CadSetTextSize(2, 0, 2, 2);
    CadText(std::string(70, 'x'), 0, 0); // longer than one parameter record
    CadCloseOutput();
    const auto recs = FileRecords(out.str());
    std::vector<std::string> p308, p212;
    for (const auto& r : recs) {
        if (r[72] != 'P') continue;
        const std::string de = TrimBlanks(r.substr(64, 8));
        if (de == "27") p308.push_back(TrimBlanks(r.substr(0, 64)));
        if (de == "31") p212.push_back(TrimBlanks(r.substr(0, 64)));
    }
    // Thirteen members: a group of twelve, then one ending the list.
    EXPECT_EQ(p308, (std::vector<std::string>{"308,0,3HB13,13,", "1,3,5,7,9,11,13,15,17,19,21,23,",
                                              "25;"}));
    ASSERT_EQ(p212.size(), 4u);
    EXPECT_EQ(p212[1], "0.0,"); // cut after the last "," within 63 columns
    EXPECT_EQ(p212[2], "70H" + std::string(61, 'x'));
    EXPECT_EQ(p212[3], std::string(9, 'x') + ";");
    EXPECT_EQ(TIgesWriter::IgesColour(0), 0);
    EXPECT_EQ(TIgesWriter::IgesColour(16), 0);
    EXPECT_EQ(TIgesWriter::IgesColour(1), 2);
    EXPECT_EQ(TIgesWriter::IgesColour(15), 1);
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 6;
    t.tm_hour = 8;
    t.tm_min = 5;
    t.tm_sec = 9;
    EXPECT_EQ(TIgesWriter::DateField(t), "15H20261206.080509");
}

TEST_F(FormatTest, TxtRecordsWithACommaAndThePythonCsvReader) {
    std::ostringstream out;
    DecimalSign = 2;
    CadDecimals = 3;
    ASSERT_TRUE(CadOpenStream(5, out, "line"));
    CadBeginDrawing(0, 1, 1, 2); // MINMAX encloses this window and what is drawn
    CadLine(1.5L, 0, -2, 10);
    CadCloseOutput();
    EXPECT_EQ(out.str(), "MINMAX\t-2,000\t0,000\t1,500\t10,000\r\nSECTION ENTITIES\r\n"
                         "LINE\t1,500\t0,000\t-2,000\t10,000\r\nEOF\r\n");

    OpenCode(5, "scripted");
    ScriptedDrawing();
    ASSERT_EQ(AbortFlag, 0);
    const std::string script =
        "import csv,sys\n"
        "rows=list(csv.reader(open(sys.argv[1],newline=''),delimiter='\\t'))\n"
        "for r in rows: print(len(r), r[0], '|'.join(r[1:]))\n";
    WriteFileBytes(Path("read.py"), script);
    const Report r =
        ReadLines("/usr/bin/python3 " + Path("read.py") + " " + Path("scripted.txt") + " 2>&1");
    ASSERT_EQ(r.status, 0) << Joined(r.lines);
    ASSERT_EQ(r.lines.size(), 27u) << Joined(r.lines);
    EXPECT_EQ(r.lines[0], "5 MINMAX 0,000|0,000|420,000|297,000");
    EXPECT_EQ(r.lines[1], "1 SECTION BLOCKS ");
    EXPECT_EQ(r.lines[2], "2 BLOCK RAD2");
    EXPECT_EQ(r.lines[16], "6 ARC 2,000|3,000|4,500|20,000|160,000");
    EXPECT_EQ(r.lines[17], "1 END OF BLOCK ");
    EXPECT_EQ(r.lines[18], "1 SECTION ENTITIES ");
    EXPECT_EQ(r.lines[20], "7 INSERT RAD2|150,000|80,000|30,000|1,000|1,000");
    EXPECT_EQ(r.lines[22], "7 INSERT RAD2|300,000|90,000|15,000|-1,500|-1,500");
    EXPECT_EQ(r.lines[23], "4 CIRCLE 50,000|250,000|12,500");
    EXPECT_EQ(r.lines[24].substr(0, 8), "9 SOLID ");
    EXPECT_EQ(r.lines[25], "4 TEXT 60,000|200,000|Modul 2,5 z=20");
    EXPECT_EQ(r.lines[26], "1 EOF ");
}

} // namespace
