// Dimensions and arrows, read back by ezdxf: where the arrow heads lie, which deviation texts
// are written and where, and the plus-minus sign in the files' code pages.

#include "aids_testutil.h"

#include <cstring>

#include "cad/dimensions.h"
#include "framework/core/text.h"

using namespace cadtest;

namespace {

class DimensionTest : public AidsTest {
protected:
    void SetUp() override {
        AidsTest::SetUp();
        CharsetMode = 2; // Windows 1252 texts, as ezdxf decodes them
    }
};

TEST_F(DimensionTest, ShortDimensionsGetTheirArrowHeadsOutside) {
    struct Case {
        double x2, scale;
        bool outside;
    };
    for (const Case k :
         {Case{10, 1, true}, Case{10.5, 1, false}, Case{20, 2, true}, Case{21, 2, false}}) {
        SCOPED_TRACE(testing::Message() << k.x2 << " scale " << k.scale);
        const DxfDrawing d = DrawDxf([&] {
            CadSetScale(k.scale);
            CadDimensionA("d", "", "", 0, 0, k.x2, 5, 20);
        });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        const auto heads = d.Of("SOLID");
        ASSERT_EQ(heads.size(), 2u);
        for (const auto& h : heads) {
            EXPECT_EQ(h.layer, "3");
            // The tip on an extension line, the rest of the head on one side of it.
            const double tip = h.v[0];
            EXPECT_TRUE(std::fabs(tip) < 1e-6 || std::fabs(tip - k.x2) < 1e-6) << tip;
            const bool leftEnd = std::fabs(tip) < 1e-6;
            for (std::size_t i = 2; i < 8; i += 2) {
                const bool beyond = leftEnd ? h.v[i] < tip : h.v[i] > tip;
                EXPECT_EQ(beyond, k.outside) << h.v[i];
                EXPECT_NEAR(std::fabs(h.v[i] - tip),
                            3.5 * k.scale * (i == 6 ? 1 : std::cos(M_PI / 18)), 1e-6);
            }
        }
        // Extension lines from the points to one scale unit past the dimension line.
        EXPECT_EQ(d.Of("LINE").size(), 5u); // two extension lines, the line, two shafts
        bool found = false;
        for (const auto& l : d.Of("LINE"))
            found |= SameValues(l.v, {k.x2, 5, k.x2, 20 + k.scale});
        EXPECT_TRUE(found) << d.report;
    }
}

TEST_F(DimensionTest, DeviationTextsAndTheirPlaces) {
    struct Case {
        const char *t2, *t3;
        std::vector<std::pair<std::string, double>> texts; // deviation text and its height above
    };
    // Nominal text "25" on the dimension line at y = 10 from 0 to 40, scale 1.
    for (const Case& k : {
             Case{"0.1", "-0.1", {{"\u00B10.1", 1.25}}},
             Case{"0.1", "-0.05", {{"-0.05", 0.5}, {"+0.1", 2.5}}},
             Case{"+0.1", "0.05", {{"+0.05", 0.5}, {"+0.1", 2.5}}},
             Case{"0", "-0.1", {{"-0.1", 0.5}}},
             Case{"", "-0.2", {{"-0.2", 0.5}}},
             Case{"0.2", "", {{"0.2", 2.5}}},
             Case{"", "", {}},
         }) {
        SCOPED_TRACE(testing::Message() << "'" << k.t2 << "' '" << k.t3 << "'");
        const DxfDrawing d = DrawDxf([&] { CadDimensionA("25", k.t2, k.t3, 0, 0, 40, 0, 10); });
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        const auto texts = d.Of("TEXT");
        ASSERT_EQ(texts.size(), 1 + k.texts.size()) << d.report;
        // The nominal text: 3.5 high, one unit above the line, the whole text group centred.
        const double wf = 2.5 / 3.5; // width factor of the nominal text's size
        const double chars = static_cast<double>(std::max(std::strlen(k.t2), std::strlen(k.t3)));
        const double w = 2 * 2.5 * 1.2 + (chars + 1) * 1.8 * wf * 1.1;
        EXPECT_EQ(texts[0].text, "25");
        EXPECT_TRUE(SameValues(texts[0].v, {20 - w / 2, 11, 3.5, 0})) << d.report;
        const double x2 = 20 - w / 2 + 3 * 2.5 * (1.8 / 2.5) * 1.2;
        for (std::size_t i = 0; i < k.texts.size(); ++i) {
            EXPECT_EQ(texts[i + 1].text, k.texts[i].first);
            EXPECT_TRUE(SameValues(texts[i + 1].v, {x2, 10 + k.texts[i].second, 2.5, 0}))
                << d.report;
        }
    }
}

TEST_F(DimensionTest, VerticalDimensionTurnsItsTextsAndKeepsThemLeftOfTheLine) {
    const DxfDrawing d = DrawDxf([] { CadDimensionB("12", "0.02", "-0.02", 50, 0, 55, 12, 30); });
    ASSERT_EQ(d.auditErrors, 0) << d.report;
    const auto texts = d.Of("TEXT");
    ASSERT_EQ(texts.size(), 2u) << d.report;
    EXPECT_EQ(texts[1].text, "\u00B10.02");
    EXPECT_NEAR(texts[0].v[0], 29, 1e-6);    // x - 1.0 S
    EXPECT_NEAR(texts[1].v[0], 28.75, 1e-6); // x - 1.25 S
    EXPECT_NEAR(texts[0].v[3], 90, 1e-6);
    EXPECT_NEAR(texts[1].v[3], 90, 1e-6);
    // Extension lines leftwards to S past x = 30, from the points given.
    int ext = 0;
    for (const auto& l : d.Of("LINE"))
        ext += SameValues(l.v, {50, 0, 29, 0}) || SameValues(l.v, {55, 12, 29, 12});
    EXPECT_EQ(ext, 2) << d.report;
}

// The plus-minus sign as typed (UTF-8) in the screen's block files, the DOS code page's byte 241
// in a DXF file of CAD text mode 1.
TEST_F(DimensionTest, PlusMinusInBlockFilesAndDosDxf) {
    CadOpenOutput(3);
    CadBeginBlocksSection();
    CadBeginBlock("DIM");
    CadDimensionA("25", "0.1", "-0.1", 0, 0, 40, 0, 10);
    CadEndBlock();
    CadEndSection();
    const std::string block = ReadFileBytes(CadBlockFileName("DIM"));
    CadCloseOutput();
    EXPECT_NE(block.find("\r\n\xC2\xB1"
                         "0.1\r\n"),
              std::string::npos);

    CharsetMode = 1;
    OpenDxf("dos");
    CadBeginDrawing(0, 0, 100, 100);
    CadWriteTables(0);
    CadBeginEntities();
    CadDimensionA("25", "0.1", "-0.1", 0, 0, 40, 0, 10);
    CadEndSection();
    CadCloseOutput();
    EXPECT_NE(ReadFileBytes(Path("dos.dxf"))
                  .find("\r\n\xF1"
                        "0.1\r\n"),
              std::string::npos);
}

} // namespace
