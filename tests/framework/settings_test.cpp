// Product identity, start values of the settings and the CAD configuration, shell data.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/shelldata.h"

namespace {

TEST(ProductIdentity, SetAtStart) {
    InitGlobalState();
    EXPECT_EQ(VersionCode.str(), "1.0");
    EXPECT_EQ(DataFileExt.str(), "EXT");
    SetProductIdentity();
    EXPECT_EQ(VersionCode.str(), "1.1");
    EXPECT_EQ(ProductTitle, "QOR1W");
    EXPECT_EQ(ProgramName, "qor1w");
    EXPECT_EQ(DataFileExt.str(), "q1w");
    EXPECT_EQ(MakerTitle, "QOR1W - Involute Gear Dimensions");
    for (int i = 1; i <= 3; ++i)
        EXPECT_FALSE(IdentTexts[i].empty());
    // The extension holds three characters at most.
    DataFileExt = "qorx";
    EXPECT_EQ(DataFileExt.str(), "qor");
}

TEST(SettingsStartValues, GeneralAndPrinting) {
    InitAllSettings();
    EXPECT_EQ(DateCode, 2);
    EXPECT_EQ(DecimalSign, 1);
    EXPECT_EQ(ListDecimalSign, 2);
    EXPECT_EQ(FormSizePercent, 102);
    EXPECT_EQ(AngleFormat, 2);
    EXPECT_EQ(TitleBlockOption, 1);
    EXPECT_EQ(ExternalDbfProgram, "C:\\TABVIEW\\TABVIEW.EXE");
    EXPECT_EQ(ConfigDir, StartDir);
    EXPECT_EQ(UnitSystemNames[2], "imperial (in, lbf, psi, lbfin, degF)");
    EXPECT_NE(UnitSystemNames[4].find("N/mm\xC2\xB2"), std::string::npos); // squared sign
    EXPECT_EQ(ZoomIncrement, 1.2L);
    EXPECT_EQ(PanFactor, 0.1L);
    EXPECT_EQ(GraphicsFont, "Arial");
    EXPECT_EQ(PrintFont, "Courier New");
    EXPECT_EQ(TextWindowRect, (TTextWindowRect{10, 40, 700, 440}));
    EXPECT_EQ(PrinterOrientation, 2);
    EXPECT_TRUE(Edit3D);
    // -15, 90 and 210 degrees in radians.
    EXPECT_NEAR(static_cast<double>(View3DAngles[1]), -15 * M_PI / 180, 1e-15);
    EXPECT_NEAR(static_cast<double>(View3DAngles[2]), M_PI / 2, 1e-15);
    EXPECT_NEAR(static_cast<double>(View3DAngles[3]), 210 * M_PI / 180, 1e-15);
}

TEST(SettingsStartValues, PaletteAsWindowsColourNumbers) {
    InitAllSettings();
    // COLORREF: red in the low byte, blue in the third.
    EXPECT_EQ(Palette[0], 0x000000);
    EXPECT_EQ(Palette[1], 0x800000);  // navy
    EXPECT_EQ(Palette[4], 0x0000FF);  // red
    EXPECT_EQ(Palette[8], 0xB0B0B0);  // grey
    EXPECT_EQ(Palette[13], 0xFF00FF); // fuchsia
    EXPECT_EQ(Palette[14], 0x00FFFF); // yellow
    EXPECT_EQ(Palette[15], 0xFFFFFF);
    Palette[3] = 5;
    ResetPalette();
    EXPECT_EQ(Palette[3], 0xFFFF00); // aqua
}

TEST(CadConfiguration, FreshStart) {
    InitAllSettings();
    const char* names[] = {"0", "1", "2", "3", "4", "5"};
    const int colours[] = {1, 2, 2, 2, 3, 1};
    const int thickness[] = {3, 1, 1, 1, 2, 3};
    for (int i = 0; i <= 5; ++i) {
        EXPECT_EQ(LayerNames[i].str(), names[i]);
        EXPECT_EQ(LayerColours[i], colours[i]);
        EXPECT_EQ(LineThickness[i], thickness[i]);
    }
    for (int i = 16; i <= 31; ++i) {
        EXPECT_EQ(ColourTable[i], i - 15);
        EXPECT_EQ(PenWidths[i], 1);
    }
    EXPECT_EQ(CadTextFont.str(), "TXT8");
    EXPECT_EQ(CadDecimals, 6);
    EXPECT_EQ(PlotLineCount, 1);
    EXPECT_EQ(SelectedPlotLine, 1);
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(PlotLines[i], "C:\\KVILPEN\\WKVILPEN KVILPEN.DXF /M1.0");
    EXPECT_FALSE(NoFrame || NoLogo || NoProductLine || NoFileNameLine || NoDateLine ||
                 NoDrawingFooter);
    // Layer names hold 32 characters.
    LayerNames[2] = std::string(40, 'L');
    EXPECT_EQ(LayerNames[2].Length(), 32u);
    EXPECT_THROW((void)ColourTable[15], std::out_of_range);
    EXPECT_THROW((void)PlotLines[6], std::out_of_range);
}

TEST(ShellData, StartValuesAndCapacities) {
    InitShellData();
    EXPECT_EQ(LoadDefaults.Value1, 20.0L);
    EXPECT_EQ(LoadDefaults.Value5, 4);
    EXPECT_EQ(LoadDefaults.Value12, 210000.0L);
    EXPECT_EQ(LoadDefaults.Value13, 0.3L);
    EXPECT_EQ(LoadDefaults.Value16, 1.0L);
    EXPECT_EQ(LoadDefaults.Value17, 0);
    EXPECT_EQ(ChangeCount, 0);
    EXPECT_EQ(DrawingTextCount, 0);
    EXPECT_EQ(&DrawingExtraTexts, &DrawingTexts);
    DrawingInfo.ReplacementFor = "ABCDEFGHIJKLMNOPQ";
    EXPECT_EQ(DrawingInfo.ReplacementFor.str(), "ABCDEFGHIJKLMNO");
    ChangeTable[25].ChangeName = "\xC3\x9C"
                                 "berarbeiter"; // 11 characters, 7 kept
    EXPECT_EQ(ChangeTable[25].ChangeName.Length(), 7u);
    EXPECT_THROW((void)ChangeTable[26], std::out_of_range);
    EXPECT_THROW((void)DrawingInfo.Rows[5], std::out_of_range);
}

} // namespace
