// Hatching, qsort2 and the freehand break line. Hatch segments are read back by ezdxf and
// compared with the chords of the hatch lines worked out here: the exact chord of a rectangle
// from its four sides, and for any polygon the inside length of a hatch line sampled with an
// even-odd point test.

#include "aids_testutil.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "cad/hatching.h"
#include "framework/core/errorlist.h"

using namespace cadtest;

namespace {

using Poly = std::vector<std::pair<double, double>>;

bool Inside(const Poly& p, double x, double y) {
    bool in = false;
    for (std::size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if ((p[i].second > y) != (p[j].second > y) &&
            x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) +
                    p[i].first)
            in = !in;
    return in;
}

// Length of the line y = t x + c inside the polygon, by sampling x.
double InsideLength(const Poly& p, double t, double c) {
    double lo = 1e300, hi = -1e300;
    for (auto& v : p)
        lo = std::min(lo, v.first), hi = std::max(hi, v.first);
    const int n = 200000;
    const double dx = (hi - lo) / n;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        const double x = lo + (i + 0.5) * dx;
        count += Inside(p, x, t * x + c);
    }
    return count * dx * std::sqrt(1 + t * t);
}

// The chord of y = t x + c across the rectangle [0, w] x [0, h] (empty when it only touches).
std::vector<double> RectChord(double w, double h, double t, double c) {
    std::vector<std::pair<double, double>> pts;
    auto add = [&](double x, double y) {
        if (x < -1e-9 || x > w + 1e-9 || y < -1e-9 || y > h + 1e-9) return;
        for (auto& q : pts)
            if (std::hypot(q.first - x, q.second - y) < 1e-9) return;
        pts.push_back({x, y});
    };
    add(0, c);
    add(w, t * w + c);
    add(-c / t, 0);
    add((h - c) / t, h);
    if (pts.size() != 2) return {};
    return Normalised({pts[0].first, pts[0].second, pts[1].first, pts[1].second});
}

class HatchTest : public AidsTest {
protected:
    void SetUp() override {
        AidsTest::SetUp();
        HatchClear();
    }
    static void AddPolygon(const Poly& p) {
        for (auto& v : p)
            HatchAddPoint(v.first, v.second);
    }
    static std::vector<std::vector<double>> HatchLines(const DxfDrawing& d) {
        std::vector<std::vector<double>> out;
        for (auto& e : d.Of("LINE")) {
            EXPECT_EQ(e.layer, "3");
            out.push_back(Normalised(e.v));
        }
        return out;
    }
    static bool Has(const std::vector<std::vector<double>>& lines, const std::vector<double>& l) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](auto& x) { return SameValues(x, l, 1e-5); });
    }
};

TEST_F(HatchTest, RectanglesGetTheChordsOfEveryHatchLine) {
    struct Case {
        double w, h, spacing, angle;
    };
    // The square at 45 degrees with automatic spacing: lines at c = -8, -6, ... 8, one being its
    // diagonal through two corners. HatchRectangle 50 x 20 with spacing 0 takes spacing 10.
    for (const Case k : {Case{10, 10, 0, 45}, Case{50, 20, 10, 45}, Case{50, 20, 0, 45},
                         Case{50, 20, 10, -45}, Case{50, 20, 7, 30}}) {
        SCOPED_TRACE(testing::Message()
                     << k.w << "x" << k.h << " s " << k.spacing << " a " << k.angle);
        const DxfDrawing d = DrawDxf([&] {
            if (k.w == 10) {
                AddPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
                Hatch(0, k.spacing, k.angle);
            } else {
                HatchRectangle(0, 0, k.w, k.h, k.spacing, k.angle);
            }
        });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        const auto outline = d.Of("POLYLINE");
        ASSERT_EQ(outline.size(), 1u);
        EXPECT_EQ(outline[0].layer, "5");
        EXPECT_EQ(outline[0].v.size(), 10u); // closed by a fifth vertex
        const double t = std::tan(k.angle * M_PI / 180);
        const double spacing =
            k.spacing == 0 ? (k.w == 10 ? 2 * std::cos(M_PI / 4) : 10) : k.spacing;
        const double step = spacing / std::cos(k.angle * M_PI / 180);
        const double cMin = std::min({0.0, -t * k.w, k.h - t * k.w, k.h});
        const double cMax = std::max({0.0, -t * k.w, k.h - t * k.w, k.h});
        std::vector<std::vector<double>> expected;
        for (double c = cMin + step; c < cMax + step - 1e-9; c += step)
            if (auto chord = RectChord(k.w, k.h, t, c); !chord.empty()) expected.push_back(chord);
        const auto lines = HatchLines(d);
        EXPECT_EQ(lines.size(), expected.size()) << d.report;
        for (auto& e : expected)
            EXPECT_TRUE(Has(lines, e)) << e[0] << " " << e[1] << " " << e[2] << " " << e[3];
    }
}

// The same square in a TXT drawing file, read with Python's csv module: the outline as four
// lines, then the hatch lines, among them (8, 0)-(10, 2) and the diagonal.
TEST_F(HatchTest, SquareHatchInATxtDrawing) {
    CadBatchOutput = 1;
    DataFileName = Path("square");
    CadOpenOutput(5);
    CadBatchOutput = 0;
    ASSERT_EQ(AbortFlag, 0);
    CadBeginDrawing(0, 0, 10, 10);
    CadBeginEntities();
    AddPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    Hatch(0, 0, 45);
    CadEndSection();
    CadCloseOutput();
    int status = -1;
    const std::string out =
        RunCommand("/usr/bin/python3 -c \"import csv,sys\n"
                   "for r in csv.reader(open(sys.argv[1],newline=''),delimiter='\\t'):"
                   " print(' '.join(r))\" '" +
                       Path("square.txt") + "' 2>&1",
                   status);
    ASSERT_EQ(status, 0) << out;
    std::vector<std::vector<double>> lines;
    std::istringstream in(out);
    for (std::string row; std::getline(in, row);) {
        std::istringstream f(row);
        std::string name;
        std::vector<double> v(4);
        if (f >> name && name == "LINE" && f >> v[0] >> v[1] >> v[2] >> v[3])
            lines.push_back(Normalised(v));
    }
    EXPECT_EQ(lines.size(), 4u + 9u) << out;
    EXPECT_TRUE(Has(lines, {8, 0, 10, 2})) << out;
    EXPECT_TRUE(Has(lines, {0, 0, 10, 10})) << out;
    EXPECT_TRUE(Has(lines, {0, 8, 2, 10})) << out;
}

// Hatch lines through vertices of a concave outline (a U whose vertices lie on the lines)
// must still pair their crossings inside it.
TEST_F(HatchTest, LinesThroughVerticesOfAConcaveOutlineStayInside) {
    const Poly u = {{0, 0}, {30, 0}, {30, 20}, {20, 20}, {20, 10}, {10, 10}, {10, 20}, {0, 20}};
    for (const double angle : {45.0, -45.0, 26.565051177077989}) {
        SCOPED_TRACE(angle);
        HatchClear();
        const DxfDrawing d = DrawDxf([&] {
            AddPolygon(u);
            Hatch(0, 0, angle);
        });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        const double t = std::tan(angle * M_PI / 180);
        std::map<long, double> drawn; // hatched length per line (keyed by c in 1e-4)
        for (auto& l : HatchLines(d)) {
            const double mx = (l[0] + l[2]) / 2, my = (l[1] + l[3]) / 2;
            EXPECT_TRUE(Inside(u, mx, my)) << mx << " " << my;
            drawn[std::lround((l[1] - t * l[0]) * 1e4)] += std::hypot(l[2] - l[0], l[3] - l[1]);
        }
        ASSERT_FALSE(drawn.empty());
        for (auto& [key, length] : drawn)
            EXPECT_NEAR(length, InsideLength(u, t, key * 1e-4), 0.01) << key * 1e-4;
        // No line of the pattern is missing: ten steps over the extent across the lines.
        EXPECT_GE(drawn.size(), 8u);
    }
}

TEST_F(HatchTest, BadInputIsRefusedWithAMessage) {
    struct Case {
        int points;
        int n;
        double spacing, angle;
        const char* message; // nullptr: hatched without a message
    };
    const double nan = std::nan("");
    for (const Case k : {
             Case{100, 0, 0, 45, nullptr}, // open polygon of 100 vertices: closed in slot 101
             Case{0, 0, 0, 45, "Error  : hatch polygon empty"},
             Case{2, 0, 0, 45, "Error  : hatch polygon empty"},
             Case{4, 0, -1, 45, "Error  : hatch spacing"},
             Case{4, 0, nan, 45, "Error  : hatch spacing"},
             Case{4, 0, 0, 90, "Error  : hatch angle"},
             Case{4, 0, 0, -120, "Error  : hatch angle"},
             Case{4, 0, 1e-9, 45, "Error  : hatch spacing too fine"},
             Case{101, 0, 0, 45, "Fatal  : n schraff !"},
             Case{4, 101, 0, 45, "Fatal  : n schraff !"},
         }) {
        SCOPED_TRACE(testing::Message()
                     << k.points << " " << k.n << " " << k.spacing << " " << k.angle);
        InitErrors();
        HatchClear();
        AbortFlag = 0;
        const DxfDrawing d = DrawDxf([&] {
            for (int i = 0; i < k.points; ++i)
                HatchAddPoint(10 * std::cos(i * 0.0628), 10 * std::sin(i * 0.0628));
            Hatch(k.n, k.spacing, k.angle);
        });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        if (k.message == nullptr) {
            EXPECT_EQ(ErrorCount, 0);
            ASSERT_EQ(d.Of("POLYLINE").size(), 1u);
            EXPECT_EQ(d.Of("POLYLINE")[0].v.size(), 2u * 101);
            EXPECT_GT(d.Of("LINE").size(), 5u);
        } else {
            ASSERT_GE(ErrorCount, 1);
            EXPECT_EQ(ErrorList[ErrorCount].str(), k.message);
            EXPECT_TRUE(d.entities.empty()) << d.report;
        }
    }
}

// CadPolyline: an end below the start runs on past 360 degrees; a step that cannot advance is
// refused with a message instead of looping.
TEST_F(HatchTest, EllipticArcPolylineRunsOnPastZeroAndRefusesBadSteps) {
    struct Case {
        double start, end, step;
        std::vector<double> angles; // of the vertices; empty: refused
    };
    for (const Case& k :
         {Case{350, 10, 5, {350, 355, 360, 365, 370}}, Case{10, 30, 8, {10, 18, 26, 30}},
          Case{30, 10, 0, {}}, Case{0, 90, -5, {}}}) {
        SCOPED_TRACE(testing::Message() << k.start << " " << k.end << " " << k.step);
        InitErrors();
        const DxfDrawing d =
            DrawDxf([&] { CadPolyline(100, 100, k.start, k.end, 10, 2, 1, k.step); });
        if (k.angles.empty()) {
            EXPECT_TRUE(d.entities.empty()) << d.report;
            EXPECT_EQ(ErrorList[1].str(), "Error  : polyline step");
            continue;
        }
        ASSERT_EQ(d.Of("POLYLINE").size(), 1u) << d.report;
        const std::vector<double> v = d.Of("POLYLINE")[0].v;
        ASSERT_EQ(v.size(), 2 * k.angles.size()) << d.report;
        for (std::size_t i = 0; i < k.angles.size(); ++i) {
            const double a = k.angles[i] * M_PI / 180;
            EXPECT_NEAR(v[2 * i], 100 + 20 * std::cos(a), 1e-5) << i;
            EXPECT_NEAR(v[2 * i + 1], 100 + 10 * std::sin(a), 1e-5) << i;
        }
    }
}

TEST(QSort2, SortsUpToTenKeysWithTheirIndex) {
    TSortKeys keys;
    TSortIndex index;
    keys[1] = 3, keys[2] = 1, keys[3] = 2;
    QSort2(keys, index, 3);
    EXPECT_EQ((std::vector<double>{keys[1], keys[2], keys[3]}), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ((std::vector<int>{index[1], index[2], index[3]}), (std::vector<int>{2, 3, 1}));

    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const int n = round % 11;
        TSortKeys k, before;
        for (int i = 1; i <= QSort2Max; ++i)
            before[i] = k[i] = static_cast<double>(rng() % 6); // many equal keys
        QSort2(k, index, n);
        std::vector<int> perm(index.begin(), index.begin() + n), ids(n);
        std::iota(ids.begin(), ids.end(), 1);
        EXPECT_TRUE(std::is_sorted(k.begin(), k.begin() + n));
        EXPECT_TRUE(std::is_permutation(perm.begin(), perm.end(), ids.begin()));
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(k[i], before[index[i]]);
    }
    InitErrors();
    AbortFlag = 0;
    keys[1] = 5;
    QSort2(keys, index, 11);
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_EQ(ErrorList[1].str(), "Fatal  : QSORT2 error");
    EXPECT_EQ(keys[1], 5);
    AbortFlag = 0;
}

TEST_F(HatchTest, FreehandLineIsTheSameEveryTimeAndStaysNearItsLine) {
    auto draw = [&](const std::string& name, double amp) {
        OpenDxf(name);
        CadBeginDrawing(0, 0, 100, 100);
        CadWriteTables(0);
        CadBeginEntities();
        FreehandLine(true, 10, 20, 70, 50, amp);
        FreehandLine(false, 0, 0, 0, 30, amp);
        CadEndSection();
        CadCloseOutput();
        return ReadFileBytes(Path(name + ".dxf"));
    };
    const std::string first = draw("one", 2);
    HatchClear();
    EXPECT_EQ(draw("two", 2), first);
    EXPECT_EQ(HatchCount, 7); // start, five inner points, end of the first line
    draw("flat", 0);

    for (const double amp : {2.0, 0.0}) {
        const DxfDrawing d = ReadWithEzdxf(Path(amp == 0 ? "flat.dxf" : "one.dxf"));
        const auto lines = d.Of("LINE");
        ASSERT_EQ(lines.size(), 12u) << d.report;
        const double length = std::hypot(60, 30);
        double maxOff = 0;
        for (std::size_t i = 0; i < 6; ++i) {
            const auto& l = lines[i].v;
            // Distance of each end from the line through (10, 20) and (70, 50).
            for (int p : {0, 2})
                maxOff =
                    std::max(maxOff, std::fabs((l[p] - 10) * 30 - (l[p + 1] - 20) * 60) / length);
            // The waves go across the line: each piece advances a sixth along it.
            EXPECT_NEAR(((l[2] - l[0]) * 60 + (l[3] - l[1]) * 30) / length, length / 6, 1e-5);
        }
        EXPECT_LT(maxOff, 2 * amp + 1e-6);
        if (amp > 0) {
            EXPECT_GT(maxOff, 0.05);
        }
    }
}

} // namespace
