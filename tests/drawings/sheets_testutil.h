#pragma once
// Shared set-up of the sheet tests: jobs of a gear pair calculated in GearData, drawings into
// DXF files, and the reference checks of sheets_check.py (mpmath, ezdxf, csv).

#include "tests/drawings/gear_fixture.h"

#include <cstdio>
#include <functional>
#include <string>

#include "cad/cadblock.h"
#include "cad/cadout.h"
#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/drawing_window.h"
#include "platform/gui/application.h"

namespace sheettest {

using namespace cadtest;

// The inputs of a job; allowances and tolerances entered, so the references need no tables.
struct TJob {
    int z1 = 40, z2 = 20;
    long double mn = 2, beta = 0, x1 = 0, x2 = 0.2L;
    long double Aae = 0.03L, Aai = -0.03L;
    long double Asne1 = -0.05L, Asni1 = -0.10L, Asne2 = -0.04L, Asni2 = -0.09L;
    long double q2 = 0;
    int k2 = 3;
    int quality = 1;     // QualityStandard
    long double dm2 = 0; // gear 2's ball or pin diameter (0: proposed)
};

inline std::string Num(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.18Lg", v);
    return buf;
}

class SheetTest : public drawtest::GearTest {
protected:
    void Calculate(const TJob& j) {
        job_ = j;
        SetPair(j.mn, j.beta, j.z1, j.z2, j.x1, j.x2);
        TGearData& g = GearData;
        g.Aae = j.Aae;
        g.Aai = j.Aai;
        g.BasicRackType = {1, 1};
        g.Asne = {j.Asne1, j.Asne2};
        g.Asni = {j.Asni1, j.Asni2};
        g.q = {0, j.q2};
        g.qTol = {0, j.q2 > 0 ? 0.02L : 0};
        g.DM = {3.5L, j.dm2};
        g.k = {3, j.k2};
        g.MeasureMode = 0;
        g.QualityStandard = j.quality;
        g.Q = {7, 7};
        const char* names[3][2] = {{"PINION", "WHEEL"}, {"D-100", "D-200"}, {"first", "second"}};
        for (int i = 1; i <= 2; ++i) {
            g.DrawingName[i] = names[0][i - 1];
            g.DrawingNumber[i] = names[1][i - 1];
            g.DrawingName2[i] = names[2][i - 1];
        }
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0) << ErrorList[1].str();
    }

    // Draws into base.<ext> of the test folder through the batch name; the file's path.
    std::string ToFile(const std::string& base, int code, const std::function<void(int)>& draw) {
        CadBatchOutput = 1;
        DataFileName = Path(base);
        draw(code);
        CadBatchOutput = 0;
        EXPECT_EQ(AbortFlag, 0) << base;
        return Path(base + (code == 2 ? ".igs" : ".dxf"));
    }

    // Draws body between the head and the end of a DXF file in the test folder.
    std::string Dxf(const std::string& base, const std::function<void()>& body,
                    long double xmax = 430, long double ymax = 310) {
        OpenDxf(base);
        EXPECT_EQ(AbortFlag, 0);
        CadBeginDrawing(-10, -10, xmax, ymax);
        CadWriteTables(0);
        CadBeginEntities();
        body();
        CadEndSection();
        CadCloseOutput();
        EXPECT_EQ(AbortFlag, 0);
        return Path(base + ".dxf");
    }

    // Runs a check of sheets_check.py; its report goes into the failure text.
    static std::string Check(const std::string& check, const std::string& file,
                             const std::string& args) {
        int status = -1;
        const std::string out = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                               "/tests/drawings/sheets_check.py " + check + " '" +
                                               file + "' " + args + " 2>&1",
                                           status);
        EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
        return out;
    }

    // The drawing window's picture of what body draws on the screen, left in the build folder
    // as sheets_<name>.png for a look; returns the number of drawn pixels.
    long Screen(const std::string& name, const std::function<void()>& body) {
        Application->Initialize();
        ScreenWidth = 1240;
        ScreenHeight = 900;
        body();
        const std::string png = std::string(QOR_BINARY_DIR) + "/sheets_" + name + ".png";
        EXPECT_TRUE(TFkelmgra::SaveDrawingPicture(png));
        int status = -1;
        const std::string ink = RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                               "/tests/drawings/png_ink.py '" + png + "' 2>&1",
                                           status);
        EXPECT_EQ(status, 0) << ink;
        return status == 0 ? std::stol(ink) : 0;
    }

    std::string GearArgs(int i) const {
        const TGearData& g = GearData;
        return "z=" + std::to_string(g.z[i]) + " mn=" + Num(g.mn) + " alpha=" + Num(g.alpha) +
               " beta=" + Num(g.beta) + " x=" + Num(g.x[i]) + " k=" + std::to_string(g.k[i]);
    }

    TJob job_{};
};

} // namespace sheettest
