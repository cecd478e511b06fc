// The chart layer, read back by ezdxf: clipping to the world window, arrow heads, the axes with
// their NiceScale ticks, and the diagram-limits dialog that may stand before them. Tick values
// were worked out by hand from the nice-scale rule (steps 1, 2, 5 or 10 times a power of ten).
// With QOR_SHOT_DIR set, the dialog test leaves pictures of the dialog (English and Korean).

#include "aids_testutil.h"

#include <cstdlib>

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "cad/charts.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/diagram_limits.h"
#include "platform/gui/application.h"

using namespace cadtest;

namespace {

class ChartTest : public AidsTest {
protected:
    void SetUp() override {
        AidsTest::SetUp();
        ResetDiagram();
        DiagramUserLimits = TDiagramLimits{};
        SetCommandLineParams(0, nullptr);
    }
    // The x tick labels of a chart with origin (20, 20) and size 160 x 120 (none other stands
    // at their height when the x-axis text is left out).
    static std::vector<std::string> XLabels(const DxfDrawing& d) {
        std::vector<std::string> out;
        for (const auto& t : d.Of("TEXT"))
            if (std::fabs(t.v[1] - (20 - 0.07 * 120)) < 1e-6) out.push_back(t.text);
        return out;
    }
    static std::vector<std::string> Labels(std::initializer_list<double> values) {
        std::vector<std::string> out;
        for (const double v : values)
            out.push_back(FloatToStrSig3Eng(v));
        return out;
    }
    DxfDrawing Chart(double xmin, double ymin, double xmax, double ymax) {
        return DrawDxf([&] {
            SetDiagramSize(160, 120);
            SetDiagramOrigin(20, 20);
            DrawDiagramAxes("x", "y", "Chart", xmin, ymin, xmax, ymax, 3);
        });
    }
};

TEST_F(ChartTest, AxesTicksAndTheAxisLines) {
    struct Case {
        double xmin, ymin, xmax, ymax;
        std::vector<std::string> xLabels;
        int yTicks;
        bool xAxis, yAxis;
    };
    for (const Case& k : {
             Case{0, 5, 97, 20, Labels({0, 20, 40, 60, 80, 100}), 9, false, true},
             Case{10, -3, 97, 7, Labels({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}), 7, true, false},
             Case{0, 0, 3e-5, 1, Labels({0, 5e-6, 1e-5, 1.5e-5, 2e-5, 2.5e-5, 3e-5}), 6, true,
                  true},
             Case{97, 20, 0, 5, Labels({0, 20, 40, 60, 80, 100}), 9, false, true},
         }) {
        SCOPED_TRACE(testing::Message()
                     << k.xmin << " " << k.ymin << " " << k.xmax << " " << k.ymax);
        const DxfDrawing d = Chart(k.xmin, k.ymin, k.xmax, k.ymax);
        ASSERT_EQ(d.auditErrors, 0) << d.report;
        EXPECT_EQ(XLabels(d), k.xLabels) << d.report;
        // The axis lines run 5 % past the chart; their arrow heads are the only solids.
        int xAxis = 0, yAxis = 0;
        for (const auto& l : d.Of("LINE")) {
            xAxis += std::fabs(l.v[2] - (20 + 1.05 * 160)) < 1e-6 && l.v[1] == l.v[3];
            yAxis += std::fabs(l.v[3] - (20 + 1.05 * 120)) < 1e-6 && l.v[0] == l.v[2];
        }
        EXPECT_EQ(xAxis, k.xAxis ? 1 : 0);
        EXPECT_EQ(yAxis, k.yAxis ? 1 : 0);
        EXPECT_EQ(d.Of("SOLID").size(), static_cast<std::size_t>(k.xAxis + k.yAxis));
        // Grid: a horizontal line across the chart at every y tick.
        int grid = 0;
        for (const auto& l : d.Of("LINE"))
            grid +=
                std::fabs(l.v[0] - 20) < 1e-6 && std::fabs(l.v[2] - 180) < 1e-6 && l.v[1] == l.v[3];
        EXPECT_EQ(grid, k.yTicks);
        EXPECT_EQ(DrawingKind, 1);
    }
}

TEST_F(ChartTest, LinesAreClippedToTheWindow) {
    struct Case {
        double x1, y1, x2, y2;
        std::vector<double> drawn; // empty: nothing
    };
    const DxfDrawing d = DrawDxf([] {
        SetDiagramSize(100, 100);
        SetDiagramWorld(0, 0, 10, 10);
        DiagramClipLine(-5, 5, 15, 5);   // across, both ends outside
        DiagramClipLine(-5, -5, -1, 20); // beside the window
        DiagramClipLine(2, 2, 10.05, 2); // overshoots by less than 1 %: uncut
        DiagramClipLine(5, 5, 20, 5);    // one end outside
        DiagramMoveTo(-5, 2);
        DiagramLineTo(5, 12); // across a corner region
    });
    ASSERT_EQ(d.auditErrors, 0) << d.report;
    std::vector<std::vector<double>> lines;
    for (const auto& l : d.Of("LINE"))
        lines.push_back(Normalised(l.v));
    const std::vector<std::vector<double>> expected = {
        {0, 50, 100, 50}, {20, 20, 100.5, 20}, {50, 50, 100, 50}, {0, 70, 30, 100}};
    ASSERT_EQ(lines.size(), expected.size()) << d.report;
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(SameValues(lines[i], expected[i])) << i << "\n" << d.report;
}

TEST_F(ChartTest, ArrowHeadsAreTrianglesPointingTheirWay) {
    const DxfDrawing d = DrawDxf([] {
        for (int dir = 0; dir <= 5; ++dir)
            DiagramArrow(dir, 50, 50, 8);
    });
    const auto solids = d.Of("SOLID");
    ASSERT_EQ(solids.size(), 5u); // direction 5 draws nothing
    const double dx[] = {-1, -1, 0, 1, 0}, dy[] = {0, 0, -1, 0, 1};
    for (std::size_t i = 0; i < solids.size(); ++i) {
        const auto& v = solids[i].v;
        EXPECT_TRUE(SameValues({v[0], v[1]}, {50, 50}));
        EXPECT_TRUE(SameValues({v[4], v[5]}, {v[6], v[7]})); // third corner repeated
        const double area =
            std::fabs((v[2] - v[0]) * (v[5] - v[1]) - (v[4] - v[0]) * (v[3] - v[1])) / 2;
        EXPECT_NEAR(area, 8 * 2 / 2.0, 1e-6);
        EXPECT_NEAR((v[2] + v[4]) / 2, 50 + 8 * dx[i], 1e-6);
        EXPECT_NEAR((v[3] + v[5]) / 2, 50 + 8 * dy[i], 1e-6);
    }
}

TEST_F(ChartTest, LimitsDialogTakesTheTypedLimitsWidenedToNiceValues) {
    struct Case {
        const char* name;
        std::uint16_t code;
        std::uint8_t enter;
        int params;
        std::function<void(TForm&, int)> answer;
        bool shown;
        TDiagramLimits world;
    };
    auto type = [](const char* x0, const char* y0, const char* x1, const char* y1) {
        return [=](TForm& f, int round) {
            Respond::Type(f, "Edit_xmin", round == 0 ? x0 : "0");
            Respond::Type(f, "Edit_ymin", y0);
            Respond::Type(f, "Edit_xmax", x1);
            Respond::Type(f, "Edit_ymax", y1);
            Respond::Press(f, "Button_ok");
        };
    };
    const TDiagramLimits computed{0, 0, 100, 8};
    const std::vector<Case> cases = {
        {"typed", 1, 1, 0, type("0", "0", "44", "7"), true, {0, 0, 45, 7}},
        {"reversed", 1, 1, 0, type("44", "7", "0", "0"), true, {0, 0, 45, 7}},
        {"invalid, then corrected", 1, 1, 0, type("abc", "0", "44", "7"), true, {0, 0, 45, 7}},
        {"calculate", 1, 1, 0,
         [](TForm& f, int) {
             Respond::Press(f, "Button_calc");
             Respond::Press(f, "Button_ok");
         },
         true, computed},
        {"cancel", 1, 1, 0, [](TForm& f, int) { Respond::Press(f, "Button_cancel"); }, true,
         computed},
        {"close box", 1, 1, 0, [](TForm& f, int) { f.CloseBox(); }, true, computed},
        {"screen", 3, 1, 0, type("0", "0", "44", "7"), false, computed},
        {"switched off", 1, 0, 0, type("0", "0", "44", "7"), false, computed},
        {"batch", 1, 1, 2, type("0", "0", "44", "7"), false, computed},
    };
    Application->Initialize();
    const char* shots = std::getenv("QOR_SHOT_DIR");
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        responder_.Messages.clear();
        int rounds = 0;
        // The cancelled dialog is shown with Korean texts.
        const bool ko = std::string(k.name) == "cancel";
        const std::string x = ko ? "\uC704\uCE58 [mm]" : "z [mm]";
        const std::string title = ko ? "\uBBF8\uB044\uB7EC\uC9D0 \uB3C4\uD45C" : "Sliding";
        responder_.Form = [&](TForm& f) {
            auto& form = dynamic_cast<TEinDiagramLimits&>(f);
            EXPECT_EQ(form.Label_x->Caption(), x);
            EXPECT_EQ(form.Caption(), title);
            // Every control inside the form; the x-axis text beside its edit.
            for (int i = 0; i < form.ControlCount(); ++i) {
                const TControl* c = form.Controls(i);
                EXPECT_LE(c->Left() + c->Width(), form.ClientWidth()) << c->Name();
                EXPECT_LE(c->Top() + c->Height(), form.ClientHeight()) << c->Name();
            }
            EXPECT_GE(form.Label_x->Left(), form.Edit_xmax->Left() + form.Edit_xmax->Width());
            if (shots != nullptr && rounds == 0)
                f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/limits_" +
                                                               (ko ? "ko" : "en") + ".png"));
            k.answer(f, rounds++);
        };
        const char* argv[] = {"qor1w", "job", "/CAD1:1"};
        SetCommandLineParams(k.params + 1, argv);
        EnterDiagramLimits = k.enter;
        DiagramUserLimits = TDiagramLimits{};
        if (k.code == 3) {
            CadOpenOutput(3);
        } else {
            OpenDxf("chart");
        }
        DrawDiagramAxes(x, "y", title, 0, 0, 97, 7.5, 0);
        CadCloseOutput();
        EXPECT_EQ(rounds > 0, k.shown);
        EXPECT_EQ(AbortFlag, 0);
        EXPECT_EQ(responder_.Messages.size(),
                  std::string(k.name).rfind("invalid", 0) == 0 ? 1u : 0u);
        const TDiagramWindow& w = DiagramWindow;
        EXPECT_TRUE(SameValues({double(w.XMin), double(w.YMin), double(w.XMax), double(w.YMax)},
                               {double(k.world.xmin), double(k.world.ymin), double(k.world.xmax),
                                double(k.world.ymax)}));
    }
}

} // namespace
