// Shared set-up of the meshing, inspection and warning tests: the gear data at its start-up
// state, the test pairs with zero allowances, and helpers on the message list.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"

namespace calcb_test {

inline std::vector<std::string> Messages() {
    std::vector<std::string> m;
    for (int n = 1; n <= ErrorCount; ++n)
        m.push_back(ErrorList[n]);
    return m;
}

inline int CountOf(const std::string& msg) {
    const auto m = Messages();
    return static_cast<int>(std::count(m.begin(), m.end(), msg));
}

class PairTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        InitGearDataUnit();
        UnitSystem = 0;
        AbortFlag = 0;
        ClearErrors();
    }
    // A pair with basic rack type 1, addendum reduction 0, zero allowances, no machining
    // allowance, centre distance from the shifts.
    static void Pair(long double mn, int z1, int z2, long double x1, long double x2,
                     long double beta, long double b, long double dm) {
        TGearData& g = GearData;
        g.alpha = 20;
        g.beta = beta;
        g.mn = mn;
        g.b = b;
        g.a = 0;
        g.AaField = 9;
        g.Aae = g.Aai = 0;
        g.z = {z1, z2};
        g.x = {x1, x2};
        g.bGear = {b, b};
        g.BasicRackType = {1, 1};
        g.TipInputMode = {2, 2};
        g.kmn = {0, 0};
        g.TsnSeries = {11, 11};
        g.Asne = {0, 0};
        g.Asni = {0, 0};
        g.q = {0, 0};
        g.qTol = {0, 0};
        g.DM = {dm, dm};
        g.k = {0, 0};
    }
    static void SpurT1() { Pair(2, 20, 40, 0, 0, 0, 20, 3.5L); }
    static void InternalT3() { Pair(3, 20, -80, 0, 0, 0, 20, 5); }
    static void HelicalT5() { Pair(3, 17, 43, 0.3L, -0.1L, 15, 30, 5); }
};

} // namespace calcb_test
