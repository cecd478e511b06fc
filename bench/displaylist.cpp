// Replay of a 500,000-record display list into a 1920 x 1080 picture, as a repaint, zoom or pan
// of the drawing window does it; target: under 200 ms per replay.
//
// The list is shaped like the gear drawings: mostly short lines of tooth contours and fillets,
// with arcs, circles, filled arrow heads, colour and style changes and some texts. The second
// benchmark, the same list read from its text form, is the reference for what holding the
// records parsed saves.
#include <benchmark/benchmark.h>

#include "framework/ui/draw_device.h"
#include "framework/core/globals.h"
#include "framework/ui/drawing_window.h"
#include "framework/core/settings.h"
#include "platform/gui/application.h"
#include "platform/gui/canvas.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kRecords = 500000;

void BuildGearLikeList() {
    DisplayList->Clear();
    TFkelmgra::Header(0, 0, 400, 225);
    const long double cx = 200, cy = 112;
    int n = 0;
    for (int tooth = 0; DisplayList->Count() < kRecords; ++tooth) {
        if (tooth % 40 == 0) {
            TFkelmgra::SetColorIndex(1 + (tooth / 40) % 15);
            TFkelmgra::SetLineStyle(static_cast<std::uint16_t>((tooth / 40) % 4));
        }
        // One tooth: two flanks of 60 short segments, a tip arc, a root circle piece.
        const long double a0 = tooth * 0.0137L;
        for (int k = 0; k < 60; ++k) {
            const long double r1 = 60 + k * 0.5L, r2 = r1 + 0.5L;
            const long double t1 = a0 + k * 0.0008L, t2 = t1 + 0.0008L;
            TFkelmgra::line(cx + r1 * cosl(t1), cy + r1 * sinl(t1), cx + r2 * cosl(t2),
                            cy + r2 * sinl(t2));
            TFkelmgra::line(cx + r1 * cosl(t1 + 0.05L), cy + r1 * sinl(t1 + 0.05L),
                            cx + r2 * cosl(t2 + 0.05L), cy + r2 * sinl(t2 + 0.05L));
        }
        TFkelmgra::Arc(cx, cy, a0 * 57.3L, a0 * 57.3L + 8, 90);
        if (++n % 10 == 0) TFkelmgra::circle(cx + 120 * cosl(a0), cy + 80 * sinl(a0), 3 + n % 7);
        if (n % 25 == 0)
            TFkelmgra::Solid(10 + n % 300, 10, 14 + n % 300, 11, 10 + n % 300, 12, 14 + n % 300,
                             11);
        if (n % 100 == 0) {
            TFkelmgra::SetTextStyle(2, (n / 100) % 4 * 90, 2.5L, 2);
            TFkelmgra::OutTextXY("z = 23  x = 0.25", 20 + n % 300, 200);
        }
    }
}

struct Scene {
    TDrawDevice device;
    TBitmap picture{1920, 1080};
    Scene() {
        ScreenWidth = 1919;
        ScreenHeight = 1079;
        BackgroundColour = RGB(255, 255, 255);
        BuildGearLikeList();
    }
};

// One redraw as the window does it: background, then every record of the list.
void ClearAndReplay(TCanvas& c) {
    c.Brush.Style = bsSolid;
    c.Brush.Color = BackgroundColour;
    c.FillRect(Rect(0, 0, 1920, 1080));
    TFkelmgra::ReplayToCanvas(c, 1920, 1080);
    benchmark::DoNotOptimize(c.Pixel(960, 540));
}

void BM_ReplayParsedList(benchmark::State& state) {
    Scene scene;
    TCanvas& c = *scene.picture.Canvas();
    for (auto _ : state)
        ClearAndReplay(c);
    state.counters["records"] = DisplayList->Count();
}
BENCHMARK(BM_ReplayParsedList)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Reference: reading the same records from their text before every replay.
void BM_ReplayFromText(benchmark::State& state) {
    Scene scene;
    const std::string text = DisplayList->Text();
    TCanvas& c = *scene.picture.Canvas();
    for (auto _ : state) {
        DisplayList->SetText(text);
        ClearAndReplay(c);
    }
    state.counters["records"] = DisplayList->Count();
}
BENCHMARK(BM_ReplayFromText)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Recording the list, as the drawing routines do while they draw.
void BM_RecordList(benchmark::State& state) {
    TDrawDevice device;
    ScreenWidth = 1919;
    ScreenHeight = 1079;
    for (auto _ : state)
        BuildGearLikeList();
    state.counters["records"] = DisplayList->Count();
}
BENCHMARK(BM_RecordList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Texts need the GUI application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application->Initialize();
    InitAllSettings();
    InitDrawWindowState();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
