#pragma once
// A calculated gear pair for the drawing tests: the CAD test set-up (cad_testutil.h) with the
// gear data of one case, calculated as the input dialogs would leave it.

#include "tests/cad/cad_testutil.h"

#include <cstdio>
#include <string>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"

namespace drawtest {

struct TGearCase {
    long double mn;
    int z1, z2;
    long double x2;
    long double beta;
    int rack = 1; // preset; 4 keeps the factors below
    long double haP0mn = 1.25L, hfP0mn = 1.0L, rhoaP0mn = 0.25L;
    long double rhofP0mn = 0, prP0mn = 0, alprP0 = 0, alkP0 = 0, hFfP0mn = 0;
    long double x1 = 0;
    long double q2 = 0; // machining allowance of gear 2 (premachined)
};

inline std::string Num(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17Lg", v);
    return buf;
}

class GearTest : public cadtest::CadTest {
protected:
    void SetUp() override {
        CadTest::SetUp();
        InitGearDataUnit();
        UnitSystem = 0;
        ClearErrors();
        CadDecimals = 12; // the checks compare to 1e-6 and better
    }
    void TearDown() override {
        CadTest::TearDown();
        InitGearDataUnit();
        ClearErrors();
    }

    // The inputs every drawing test's pair shares: alpha 20, face width 20, centre distance from
    // the shifts, tip from the rack, DIN 3967 series e, no allowances.
    static void SetPair(long double mn, long double beta, int z1, int z2, long double x1,
                        long double x2) {
        TGearData& g = GearData;
        g.alpha = 20;
        g.beta = beta;
        g.mn = mn;
        g.b = 20;
        g.a = 0;
        g.AaField = 9;
        g.Aae = g.Aai = 0;
        g.z = {z1, z2};
        g.x = {x1, x2};
        g.bGear = {20, 20};
        g.TipInputMode = {2, 2};
        g.kmn = {0, 0};
        g.TsnSeries = {11, 11};
    }

    void Calculate(const TGearCase& c) {
        case_ = c;
        SetPair(c.mn, c.beta, c.z1, c.z2, c.x1, c.x2);
        TGearData& g = GearData;
        g.BasicRackType = {1, static_cast<std::uint16_t>(c.rack)};
        g.haP0mn[2] = c.haP0mn;
        g.hfP0mn[2] = c.hfP0mn;
        g.rhoaP0mn[2] = c.rhoaP0mn;
        g.rhofP0mn[2] = c.rhofP0mn;
        g.prP0mn[2] = c.prP0mn;
        g.alprP0[2] = c.alprP0;
        g.alkP0[2] = c.alkP0;
        g.hFfP0mn[2] = c.hFfP0mn;
        g.Asne = {0, 0};
        g.Asni = {0, 0};
        g.q = {0, c.q2};
        g.qTol = {0, 0};
        g.DM = {3.5L, 3.5L};
        g.k = {0, 0};
        g.DrawRootCurve = true;
        g.DrawDiameters = 2;
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0) << ErrorList[1].str();
    }

    TGearCase case_{};
};

} // namespace drawtest
