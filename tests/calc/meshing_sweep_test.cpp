// A sweep over many pairs, tools and settings (fixed seed): every calculation that is not refused
// keeps every relation between its results (calc/relations.h) or carries the message that says
// which not, and a result is no number only where that is meant and reported.
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "calc/inspect.h"
#include "calc/relations.h"
#include "calcb_fixture.h"

namespace {

using calcb_test::CountOf;
using calcb_test::Messages;
using calcb_test::PairTest;
using MeshingSweepTest = PairTest;

// The pair as gearcalc input, to look into a pair that fails.
std::string GearcalcInput(const TGearData& g) {
    std::string s;
    auto line = [&s](const std::string& name, long double v) {
        char buf[40];
        std::snprintf(buf, sizeof buf, " = %.19Lg\n", v);
        s += name + buf;
    };
    for (const auto& [name, v] : {std::pair{"alpha", g.alpha}, {"beta", g.beta}, {"mn", g.mn}})
        line(name, v);
    for (int i = 1; i <= 2; ++i) {
        const std::string n = "[" + std::to_string(i) + "]";
        for (const auto& [name, v] : {std::pair{"z", (long double)g.z[i]},
                                      {"x", g.x[i]},
                                      {"kmn", g.kmn[i]},
                                      {"BasicRackType", (long double)g.BasicRackType[i]},
                                      {"haP0mn", g.haP0mn[i]},
                                      {"hfP0mn", g.hfP0mn[i]},
                                      {"rhoaP0mn", g.rhoaP0mn[i]},
                                      {"rhofP0mn", g.rhofP0mn[i]},
                                      {"prP0mn", g.prP0mn[i]},
                                      {"alprP0", g.alprP0[i]},
                                      {"alkP0", g.alkP0[i]},
                                      {"hFfP0mn", g.hFfP0mn[i]},
                                      {"Asne", g.Asne[i]},
                                      {"Asni", g.Asni[i]},
                                      {"q", g.q[i]},
                                      {"qTol", g.qTol[i]}})
            line(name + n, v);
    }
    return s;
}

TEST_F(MeshingSweepTest, EveryPairKeepsEveryRelationOrSaysWhichNot) {
    std::mt19937 rng(20261207);
    auto uni = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto one_in = [&](int n) { return pick(1, n) == 1; };
    int calculated = 0;
    std::map<std::string, int> kinds; // how many pairs of each kind the sweep calculated
    constexpr int Pairs = 2000;
    for (int n = 0; n < Pairs; ++n) {
        Reset();
        const int z1 = one_in(4) ? pick(6, 12) : pick(13, 60);
        const bool ring = one_in(3);
        const int z2 = ring ? -(z1 + (one_in(2) ? pick(3, 16) : pick(17, 150))) : pick(z1, 160);
        Pair(uni(0.5, 12), z1, z2, uni(-0.4, 1.0), ring ? uni(-0.8, 0.6) : uni(-0.4, 1.0),
             one_in(2) ? 0 : uni(0, 40), uni(5, 80), 0);
        TGearData& g = GearData;
        g.alpha = one_in(3) ? uni(14, 28) : 20;
        g.MeasureMode = 1;
        g.QualityStandard = pick(0, 1);
        g.Q = {pick(4, 11), pick(4, 11)};
        for (int i = 1; i <= 2; ++i) {
            g.BasicRackType[i] = static_cast<std::uint16_t>(pick(1, 3));
            const int tool = pick(0, 5);
            if (tool >= 3) {
                // A tool of its own: chamfered with a root radius, with a protuberance, or plain
                // with a root radius.
                g.BasicRackType[i] = 4;
                g.hfP0mn[i] = uni(0.9, 1.3);
                g.haP0mn[i] = uni(1.1, 1.4);
                g.rhoaP0mn[i] = uni(0, 0.35);
                g.rhofP0mn[i] = one_in(3) ? 0 : uni(0, 0.3);
                g.prP0mn[i] = tool == 4 ? uni(0.01, 0.1) : 0;
                g.alprP0[i] = tool == 4 ? g.alpha - uni(5, 12) : 0;
                g.alkP0[i] = tool == 3 ? g.alpha + uni(5, 25) : 0;
                g.hFfP0mn[i] = tool == 3 ? uni(0.3, 0.9) * g.hfP0mn[i] : g.hfP0mn[i];
            }
            if (one_in(4)) g.kmn[i] = uni(-0.3, 0.5); // a tip beyond the tool's reach or short
        }
        if (one_in(3)) { // allowances, and premachining with its tolerance
            g.Asne = {-0.05L, -0.08L};
            g.Asni = {-0.1L, -0.16L};
            if (one_in(6)) std::swap(g.Asne, g.Asni); // the limits crossed
            if (one_in(2)) {
                g.q = {uni(0, 0.15), uni(0, 0.15)};
                g.qTol = {0.05L, 0.05L};
            }
        }
        CalculateGears();
        const std::string pair =
            "pair " + std::to_string(n) + ": z " + std::to_string(z1) + "/" + std::to_string(z2);
        if (CalcErrorFlag != 0) {
            // Refused, never for a result that is no number.
            for (const std::string& m : Messages())
                EXPECT_EQ(m.rfind("Fatal  : not finite", 0), std::string::npos)
                    << pair << ": " << m;
            continue;
        }
        ++calculated;
        kinds[ring ? "internal" : "external"]++;
        if (z1 <= 12) kinds["z1 <= 12"]++;
        if (g.kmn[1] < 0 || g.kmn[2] < 0) kinds["kmn < 0"]++;
        if (g.q[1] > 0 || g.q[2] > 0) kinds["premachined"]++;
        if (g.ChamferOn[1] || g.ChamferOn[2]) kinds["chamfer"]++;
        if (g.prP0mn[1] != 0 || g.prP0mn[2] != 0) kinds["protuberance"]++;
        if (g.beta > 30) kinds["beta > 30"]++;
        if (g.xEmin[1] > g.xEmax[1]) kinds["limits crossed"]++;
        if (std::isnan(g.galpha)) kinds["no path of contact"]++;
        for (const std::string& r : BrokenRelations())
            ADD_FAILURE() << pair << ": " << r << "\n" << GearcalcInput(g);
        const bool full = CountOf(std::string(ErrorListLeftOut)) == 1;
        for (int i = 1; i <= 2; ++i)
            if (MeasureFaults(i) & BallCannotSeat && !full) {
                EXPECT_EQ(CountOf("Error  : Dm ball !  (" + std::to_string(i) + ")"), 1) << pair;
            }
    }
    // The sweep reaches every kind of pair it is meant to.
    EXPECT_GT(calculated, Pairs * 3 / 4);
    for (const char* kind : {"internal", "z1 <= 12", "kmn < 0", "premachined", "chamfer",
                             "protuberance", "beta > 30", "limits crossed"})
        EXPECT_GT(kinds[kind], calculated / 20) << kind;
    for (const auto& [kind, count] : kinds)
        RecordProperty(kind, count);
}

} // namespace
