#include "drawings/pair_charts.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "cad/cadout.h"
#include "cad/cadstate.h"
#include "cad/cadtrace.h"
#include "cad/charts.h"
#include "cad/dimensions.h"
#include "cad/hatching.h"
#include "calc/geardata.h"
#include "drawings/annotate.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"

namespace {

const TGearData& G() {
    return GearData;
}

// Sliding values of this size or more are left out of the curves.
constexpr Extended SlidingShown = 100;

// A text of the chart in one or more lines (each 1.6 heights below the one before) in the
// current text size, its first line's baseline at the drawing point (x, y): the lines' boxes.
std::vector<TLabelBox> ChartLines(const std::vector<std::string>& text, Extended x, Extended y) {
    std::vector<TLabelBox> boxes;
    for (const std::string& t : text) {
        boxes.push_back(TextBox(t, x, y, 0, CadTextHeight, CadTextHeight * CadTextWidthFactor));
        y -= 1.6L * CadTextHeight;
    }
    return boxes;
}

// The place of that text nearest to the drawing point (px, py) that meets no line of the chart
// and no text placed before: its box moved round the point on rings of growing distance (the
// directions from `towards` on, degrees), within the chart and a margin about it (on the left
// as far as the sheet's edge, 0.16 of the chart's width from it). Returns how many it meets there
// (the fewest where every place meets some) and the first baseline in x, y; -1 where no place
// lies within (a point far off the chart), x and y then untouched.
int PlaceNear(const std::vector<std::string>& text, Extended px, Extended py, Extended towards,
              const std::vector<TLabelBox>& taken, const TCadTrace& lines, Extended& x,
              Extended& y) {
    const TDiagramWindow& w = DiagramWindow;
    const Extended h = CadTextHeight;
    Extended width = 0;
    for (const TLabelBox& b : ChartLines(text, 0, 0))
        width = std::max(width, b.ux);
    const Extended height = (1.6L * (text.size() - 1) + 1) * h;
    int least = -1;
    for (int ring = 0; ring < 24 && least != 0; ++ring) {
        const Extended d = (0.3L + 0.5L * ring) * h;
        for (int k = 0; k < 16 && least != 0; ++k) {
            const Extended a = DegToRad(towards + (k % 2 ? -1 : 1) * ((k + 1) / 2) * 22.5L);
            const Extended cx = px + cosl(a) * (d + width / 2),
                           cy = py + sinl(a) * (d + height / 2);
            const Extended x0 = cx - width / 2, y0 = cy + height / 2 - h;
            if (x0 < w.OriginX - 0.16L * w.Width || x0 + width > w.OriginX + 1.1L * w.Width ||
                cy - height / 2 < w.OriginY - 0.12L * w.Height ||
                cy + height / 2 > w.OriginY + 1.05L * w.Height)
                continue;
            int n = 0;
            for (const TLabelBox& b : ChartLines(text, x0, y0))
                n += LabelConflicts(b, taken, &lines);
            if (least < 0 || n < least) {
                least = n;
                x = x0;
                y = y0;
            }
        }
    }
    return least;
}

// Writes the text there and keeps its boxes in taken.
void PutChartText(const std::vector<std::string>& text, Extended x, Extended y,
                  std::vector<TLabelBox>& taken) {
    for (const TLabelBox& b : ChartLines(text, x, y))
        taken.push_back(b);
    for (const std::string& t : text) {
        CadText(t, x, y);
        y -= 1.6L * CadTextHeight;
    }
}

// The end label of a curve: its value beside the point (kept on the chart's height), in one
// line, or where that meets a line of the chart everywhere near, in two; on the side away from
// the curve first (after: the curve runs on to the right of it). Where both meet lines (a value
// wider than the grid's cells), the name alone: the value stands in the list beside the chart.
void EndLabel(const char* label, Extended x, Extended zeta, bool after,
              std::vector<TLabelBox>& taken, const TCadTrace& lines) {
    if (!(fabsl(zeta) < SlidingShown)) return;
    const TDiagramWindow& w = DiagramWindow;
    const Extended lo = std::min(w.YMin, w.YMax), hi = std::max(w.YMin, w.YMax);
    const Extended px = DiagramX(x), py = DiagramY(std::clamp(zeta, lo, hi));
    const std::string value = FloatToStrSig3(zeta);
    const std::vector<std::string> one{std::string(label) + " = " + value},
        two{std::string(label) + " =", value};
    const Extended towards = after ? 180 : 0;
    Extended x1 = px, y1 = py, x2 = px, y2 = py;
    const int n1 = PlaceNear(one, px, py, towards, taken, lines, x1, y1);
    const int n2 = n1 == 0 ? -1 : PlaceNear(two, px, py, towards, taken, lines, x2, y2);
    Extended x3 = px, y3 = py;
    const int n3 = n1 > 0 && n2 > 0 ? PlaceNear({label}, px, py, towards, taken, lines, x3, y3)
                                    : -1;
    if (n3 == 0)
        PutChartText({label}, x3, y3, taken);
    else if (n1 >= 0 && (n2 < 0 || n2 >= n1))
        PutChartText(one, x1, y1, taken);
    else if (n2 >= 0)
        PutChartText(two, x2, y2, taken);
}

} // namespace

void DrawSlidingDiagram(Extended originX, Extended originY, Extended width, Extended height) {
    const TGearData& g = G();
    // No pair, or no path of contact (a tip without involute): no sliding along it.
    if (g.z[1] + g.z[2] == 0 || std::isnan(g.galpha)) return;
    const Extended rho1 = Cathetus(g.dw[1] / 2, g.db[1] / 2);
    const Extended rho2 = Cathetus(g.dw[2] / 2, g.db[2] / 2);
    const bool external2 = g.z[2] >= 0;
    constexpr int Steps = 100;
    const Extended step = (g.gEC + g.gAC) / Steps;

    // One curve: zeta of gear 1 (gear == 1) or gear 2 at the distance t from C; false when a
    // roll radius reaches 0 there (the chart ends).
    auto zetaAt = [&](int gear, Extended t, Extended& zeta) {
        const Extended p = rho1 + t;
        const Extended q = external2 ? rho2 - t : rho2 + t;
        if (gear == 1) {
            if (p == 0) return false;
            zeta = external2 ? 1 - q / p / g.u : 1 + q / p / g.u;
        } else {
            if (q == 0) return false;
            zeta = external2 ? 1 - p * g.u / q : 1 + p * g.u / q;
        }
        return true;
    };
    struct TCurve {
        int gear, colour;
        const char *startLabel, *endLabel;
        Extended zetaStart, zetaEnd;
        Extended tEnd = 0; // where the curve ends
        bool whole = true;
    };
    TCurve curves[] = {{1, 18, "A1", "E1", g.zetaA1, g.zetaE1},
                       {2, 21, "A2", "E2", g.zetaA2, g.zetaE2}};

    // The axes, the grid, the curves and the lines at A and E, traced for the texts that follow.
    TCadTrace lines;
    bool ended = false;
    CadDrawTraced(lines, [&] {
        SetDiagramSize(width, height);
        SetDiagramOrigin(originX, originY);
        // The path of contact in the sheet's length unit, its ticks nice numbers of that unit;
        // the world window then back in mm, as the curves are drawn.
        const Extended unit = UnitSystem == 1 ? 25.4L : 1;
        DrawDiagramAxes(LengthUnitText(), "zeta", "    spec.sliding", -g.gAC / unit,
                        std::max<Extended>(-10, std::min(g.zetaA1, g.zetaE2)), g.gEC / unit,
                        std::min<Extended>(10, std::max(g.zetaA2, g.zetaE1)), 0);
        ScaleDiagramWorld(1 / unit, 1);
        for (TCurve& c : curves) {
            if (ended) break;
            CadSetColour(c.colour);
            DiagramMoveTo(-g.gAC, c.zetaStart);
            Extended t = -g.gAC;
            for (int k = 1; k <= Steps; ++k) {
                t = -g.gAC + k * step;
                Extended zeta = 0;
                if (!zetaAt(c.gear, t, zeta)) {
                    c.whole = false;
                    ended = true;
                    break;
                }
                if (fabsl(zeta) < SlidingShown) DiagramLineTo(t, zeta);
            }
            c.tEnd = t;
        }
        if (ended) return;
        const TDiagramWindow& w = DiagramWindow;
        CadSetColour(5);
        DiagramClipLine(-g.gAC, w.YMin, -g.gAC, w.YMax);
        DiagramClipLine(g.gEC, w.YMin, g.gEC, w.YMax);
    });

    // The letters A and E below their lines, the curves' end values and the letter C of the
    // pitch point, each where no line and no text runs.
    const TDiagramWindow& w = DiagramWindow;
    std::vector<TLabelBox> taken;
    Extended x = 0, y = 0;
    CadSetColour(5);
    for (const auto& [letter, at] : {std::pair{"A", -g.gAC}, std::pair{"E", g.gEC}}) {
        if (ended) break; // a chart cut short has no lines at A and E
        if (PlaceNear({letter}, DiagramX(at), DiagramY(w.YMin), -90, taken, lines, x, y) >= 0)
            PutChartText({letter}, x, y, taken);
    }
    for (const TCurve& c : curves) {
        CadSetColour(c.colour);
        EndLabel(c.startLabel, -g.gAC, c.zetaStart, true, taken, lines);
        if (!c.whole) return;
        EndLabel(c.endLabel, c.tEnd, c.zetaEnd, false, taken, lines);
    }
    CadSetColour(5);
    // A pitch point off the path of contact and far from the chart gets no letter.
    if (PlaceNear({"C"}, DiagramX(0), DiagramY(0), -45, taken, lines, x, y) >= 0)
        PutChartText({"C"}, x, y, taken);
}

void SlidingDiagramSheet() {
    const TGearData& g = G();
    DrawSlidingDiagram(16, 12, 100, 90);
    CadSetColour(19);
    CadSetTextSize(0, 0, 2.5L, 0);
    // Title lines too long for the sheet right of x 100 start further left above the chart, as
    // far as its axis at x 16, and are narrowed only beyond that.
    const std::string title[2] = {TitleTexts[1].str(), TitleTexts[2].str()};
    Extended x = 100;
    for (const std::string& t : title)
        x = std::min(x, 160 - 0.15L * CadTextHeight - CadTextSpan(t).to);
    x = std::max<Extended>(x, 16);
    CadTextWithin(title[0], x, 115, 160 - x);
    CadTextWithin(title[1], x, 109, 160 - x);
    CadMoveTo(130, 90);
    CadSetTextLineEnd(160); // the values stay on the sheet
    CadTextNumberLine("z1", g.z[1]);
    CadTextNumberLine("z2", g.z[2]);
    CadTextValueLine("mn", g.mn);
    // A tip without involute leaves no path of contact (its error is in the list): its values
    // have no number.
    CadTextValueLine("g alpha", g.galpha);
    CadTextValueLine("g AC", g.gAC);
    CadTextValueLine("g EC", g.gEC);
    CadTextValueLine("pet", g.pet);
    CadTextNumberLine("eps.alpha", g.epsalpha);
    CadTextValueLine("dw1", fabsl(g.dw[1]));
    CadTextValueLine("db1", fabsl(g.db[1]));
    CadTextValueLine("dw2", fabsl(g.dw[2]));
    CadTextValueLine("db2", fabsl(g.db[2]));
    CadTextLine("alpha = " + FloatToStrSig3(g.alpha) + " " + AngleUnitText());
    CadTextLine("alpha wt = " + FloatToStrSig3(RadToDeg(g.alphawt)) + " " + AngleUnitText());
    CadTextLine(" ");
    CadSetColour(18);
    CadTextNumberLine("zeta A1", g.zetaA1);
    CadSetColour(21);
    CadTextNumberLine("zeta A2", g.zetaA2);
    CadSetColour(18);
    CadTextNumberLine("zeta E1", g.zetaE1);
    CadSetColour(21);
    CadTextNumberLine("zeta E2", g.zetaE2);
    CadSetTextLineEnd(HUGE_VALL);
}

// ---- tooth-thickness tolerance and backlash -------------------------------------------------

Extended BacklashMax() {
    const TGearData& g = G();
    return 2 * g.Aae * Tan(g.alphaRad) - g.Asni[1] - g.Asni[2];
}

Extended BacklashMin() {
    const TGearData& g = G();
    return 2 * g.Aai * Tan(g.alphaRad) - g.Asne[1] - g.Asne[2];
}

Extended NormalBacklashMax() {
    return BacklashMax() * cosl(G().alphaRad);
}

Extended NormalBacklashMin() {
    return BacklashMin() * cosl(G().alphaRad);
}

namespace {

// The distance of the dimension lines beside a chart, and between them.
constexpr Extended DimensionGap = 4;
// The dimensions' texts stay below the sheet's heading (its baseline at y 115).
constexpr Extended BacklashTextTop = 114;
// Marks stand this much above their level line.
constexpr Extended MarkLift = 0.5L;

// Where a text of length w along a vertical dimension from y1 to y2 starts: in the gap between
// the levels (lines across its column) that holds it with a margin nearest to the middle of the
// dimension, within lo .. hi; the middle itself when no gap holds it.
Extended TextPlace(std::vector<Extended> levels, Extended w, Extended y1, Extended y2, Extended lo,
                   Extended hi) {
    constexpr Extended Margin = 0.5L;
    const Extended mid = (y1 + y2) / 2;
    levels.push_back(lo);
    levels.push_back(hi);
    std::sort(levels.begin(), levels.end());
    Extended best = mid - w / 2, distance = -1;
    for (std::size_t k = 0; k + 1 < levels.size(); ++k) {
        const Extended g0 = levels[k] + Margin, g1 = levels[k + 1] - Margin;
        if (levels[k] < lo || levels[k + 1] > hi || g1 - g0 < w) continue;
        const Extended at = std::clamp(mid - w / 2, g0, g1 - w);
        if (const Extended d = fabsl(at + w / 2 - mid); distance < 0 || d < distance) {
            distance = d;
            best = at;
        }
    }
    return best;
}

// Places as near as can be to the rising places wanted, each at least pitch above the one
// before: marks of levels closer than a line of text apart move off them as little as they
// must (least squares), those further apart stay. Each block of marks that would touch sits
// about the mean of the places its marks want.
std::vector<Extended> SpreadApart(const std::vector<Extended>& wanted, Extended pitch) {
    struct TBlock {
        Extended sum;
        std::size_t count;
    };
    // Less k pitches, the k-th place must not fall below the one before: pooled blocks.
    std::vector<TBlock> blocks;
    for (std::size_t k = 0; k < wanted.size(); ++k) {
        blocks.push_back({wanted[k] - k * pitch, 1});
        while (blocks.size() > 1 && blocks[blocks.size() - 2].sum * blocks.back().count >
                                        blocks.back().sum * blocks[blocks.size() - 2].count) {
            blocks[blocks.size() - 2].sum += blocks.back().sum;
            blocks[blocks.size() - 2].count += blocks.back().count;
            blocks.pop_back();
        }
    }
    std::vector<Extended> at;
    for (const TBlock& b : blocks)
        for (std::size_t j = 0; j < b.count; ++j)
            at.push_back(b.sum / b.count + at.size() * pitch);
    return at;
}

// One backlash chart between x0 and x0 + 10 for the centre-distance share S (2 S is
// 2 Aae tan(alpha) or 2 Aai tan(alpha)); k is the common scale, c the zero line.
void BacklashChart(bool maxChart, Extended x0, Extended markX, Extended S, Extended k, Extended c) {
    const TGearData& g = G();
    const Extended x1 = x0 + 10;
    const Extended zero1 = c - k * S; // gear 1 below the zero line, gear 2 above it
    const Extended zero2 = c + k * S;
    const Extended s1max = c - k * (S - g.Asne[1]);
    const Extended s1min = c - k * (S - g.Asni[1]);
    const Extended s2max = c + k * (S - g.Asne[2]);
    const Extended s2min = c + k * (S - g.Asni[2]);

    CadSetColour(5);
    CadRectangle(x0, s1min, x1, s2min);
    CadLineDX(x0, zero1, 10);
    CadLineDX(x0, zero2, 10);
    if (maxChart) {
        CadLineDX(x0, s1max, 10);
        CadLineDX(x0, s2max, 10);
    } else {
        if (s1max != s1min) HatchRectangle(x0, s1min, x1, s1max, 3, 45);
        if (s2max != s2min) HatchRectangle(x0, s2min, x1, s2max, 3, -45);
    }

    CadSetScale(0.5L);
    struct TDim {
        const char* text;
        Extended y1, y2;
    };
    const TDim shared[] = {{"Asne1", s1max, zero1}, {"Asni1", s1min, zero1},
                           {"Tsn1", s1max, s1min},  {"Asne2", s2max, zero2},
                           {"Asni2", s2min, zero2}, {"Tsn2", s2max, s2min}};
    std::vector<TDim> dims;
    if (maxChart) {
        dims.push_back({"2 Aae tan(al)", zero2, zero1});
        dims.insert(dims.end(), std::begin(shared), std::end(shared));
        dims.push_back({"jt cos(b) max", s2min, s1min});
    } else {
        dims.push_back({"2 Aai tan(al)", zero2, zero1});
        dims.push_back({"jt cos(b) min", s1max, s2max});
        dims.insert(dims.end(), std::begin(shared), std::end(shared));
    }
    // Each dimension line stands further out than the one before, so the extension lines of
    // its own and of those further out cross the column of its text: the text goes where none
    // of them runs, in the middle if it can, else nearest to it.
    for (std::size_t j = 0; j < dims.size(); ++j) {
        std::vector<Extended> levels;
        for (std::size_t k = j; k < dims.size(); ++k)
            levels.insert(levels.end(), {dims[k].y1, dims[k].y2});
        // A text that no gap in the chart's height holds goes beyond the levels, above or
        // below the chart, on the sheet and under its heading.
        const Extended at = TextPlace(levels, CadDimensionTextLength(dims[j].text, "", ""),
                                      dims[j].y1, dims[j].y2, 1, BacklashTextTop);
        CadDimensionB(dims[j].text, "", "", x1, dims[j].y1, x1, dims[j].y2,
                      x1 + DimensionGap * (j + 1), &at);
    }

    CadSetColour(3);
    for (Extended y : {c, s1max, s1min, s2max, s2min})
        CadLineDX(x0, y, -3);
    CadSetTextSize(2, 0, 2, 1.4L);
    CadSetColour(19);
    std::vector<std::pair<Extended, const char*>> marks = {
        {c, "0"}, {s1max, "s1 max"}, {s1min, "s1 min"}, {s2max, "s2 max"}, {s2min, "s2 min"}};
    std::stable_sort(marks.begin(), marks.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Extended> levels;
    for (const auto& m : marks)
        levels.push_back(m.first + MarkLift);
    const std::vector<Extended> at = SpreadApart(levels, CadTextHeight + 0.5L);
    for (std::size_t k = 0; k < marks.size(); ++k)
        CadText(marks[k].second, markX, at[k]);
}

} // namespace

void BacklashSheet() {
    const TGearData& g = G();
    const Extended tanA = Tan(g.alphaRad);
    const Extended A = g.Aae * tanA;
    const Extended I = g.Aai * tanA;
    const Extended jtbMax = BacklashMax();

    // The scale 100 / jt cos(b) max: a pair without (or with negative) backlash has no chart.
    if (jtbMax > BacklashChartEpsilon) {
        const Extended k = 100 / jtbMax;
        const Extended c = 5 + k * (A - g.Asni[1]);
        BacklashChart(true, 15, 3, A, k, c);
        BacklashChart(false, 70, 58, I, k, c);
        CadSetScale(1);
    }

    CadSetColour(5);
    CadSetTextSize(2, 0, 2.5L, 1.8L);
    CadMoveTo(3, 115);
    CadTextLine("tooth thickness tolerance and backlash");
    CadMoveTo(116, 110);
    CadSetTextSize(2, 0, 2, 1.4L);
    CadSetColour(21);
    CadSetTextLineEnd(160); // the formulas and values stay on the sheet
    for (int i = 1; i <= 2; ++i) {
        const std::string n = IntToString(i);
        CadTextValueLine("Asne" + n, g.Asne[i]);
        CadTextValueLine("Asni" + n, g.Asni[i]);
        CadTextValueLine("Tsn" + n, g.Tsn[i]);
        CadTextNumberLine("x" + n, g.x[i]);
        CadTextLine("xE = x + Asn/(2*mn*tan(al))");
        CadTextNumberLine("xE" + n + "min", g.xEmin[i]);
        CadTextNumberLine("xE" + n + "max", g.xEmax[i]);
        CadTextLine(" ");
    }
    CadTextValueLine("a", fabsl(g.a));
    CadTextValueLine("Aae", g.Aae);
    CadTextValueLine("Aai", g.Aai);
    CadTextValueLine("2 Aae tan(al)", 2 * A);
    CadTextValueLine("2 Aai tan(al)", 2 * I);
    CadTextLine(" ");
    CadTextLine("jt cos(b) max = 2 Aae tan(al) - Asni1 - Asni2");
    CadTextLine("jt cos(b) min = 2 Aai tan(al) - Asne1 - Asne2");
    CadTextLine("jn = jt cos(b) cos(al)");
    CadTextValueLine("jnmax", NormalBacklashMax());
    CadTextValueLine("jnmin", NormalBacklashMin());
    CadTextValueLine("jtmin", g.jtmin);
    CadTextValueLine("jtmax", g.jtmax);
    CadSetTextLineEnd(HUGE_VALL);
}
