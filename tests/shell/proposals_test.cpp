// The values the input dialogs propose, pressed as a designer presses them and checked against
// mpmath (proposals_ref.py): accepted, a proposal raises no warning it was meant to avoid; after
// a failed calculation nothing is proposed; the fields take what the calculation takes; the ball
// stands above the tip and touches the usable flank.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <sstream>

#include "calc/geardata.h"
#include "calc/meshing.h"
#include "calc/relations.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "shell/dimensions_dialog.h"
#include "shell/input_sequence.h"
#include "shell/measurement_dialog.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "tests/shell/input_dialog_fixture.h"

using ::testing::HasSubstr;

namespace {

std::string Num(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, " %.21Lg", v);
    return buf;
}

// The words of proposals_ref.py's answer to each request.
std::vector<std::vector<std::string>> Reference(const std::filesystem::path& dir,
                                                const std::vector<std::string>& requests) {
    std::string text;
    for (const std::string& r : requests)
        text += r + "\n";
    qortest::WriteFileBytes((dir / "requests").string(), text);
    std::istringstream out(qortest::RunCommand("/usr/bin/python3 '" QOR_SOURCE_DIR
                                               "/tests/shell/proposals_ref.py' < '" +
                                               (dir / "requests").string() + "'"));
    std::vector<std::vector<std::string>> answers(requests.size());
    std::string line;
    for (auto& words : answers) {
        std::getline(out, line);
        std::istringstream in(line);
        for (std::string w; in >> w;)
            words.push_back(w);
    }
    return answers;
}

std::vector<std::string> Messages() {
    std::vector<std::string> list;
    for (int i = 1; i <= ErrorCount; ++i)
        list.push_back(ErrorList[i].str());
    return list;
}

bool Listed(std::string_view text) {
    for (int i = 1; i <= ErrorCount; ++i)
        if (ErrorList[i].str().find(text) != std::string::npos) return true;
    return false;
}

// A figure rounded to nothing: only zeros after the decimal point ("0.0000").
bool RoundedToNothing(const std::string& text) {
    for (std::size_t n = text.find("0.0"); n < text.size(); n = text.find("0.0", n + 1)) {
        const std::size_t end = text.find_first_not_of('0', n + 2);
        auto digit = [&text](std::size_t i) {
            return std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        };
        if ((n == 0 || (!digit(n - 1) && text[n - 1] != '.')) &&
            (end >= text.size() || !digit(end)))
            return true;
    }
    return false;
}

// What "< x min" avoids: an error, undercut, a shift below -1.5.
bool Refused() {
    return CalcErrorFlag != 0 || Listed("Fatal") || Listed("Error") || Listed("undercut") ||
           Listed("x < -1.5");
}

} // namespace

namespace {

// A designer's gear: the tool (a preset, or "<" for each self-defined value after a look at the
// protuberance preset), the dimensions with a shift typed and "< x min" (unless marked "="), "<"
// for k and DM, each accepted; the recalculation raises nothing they avoid.
struct TDesignRow {
    long double alpha, beta, mn;
    int z;
    std::string x;
    int rack, tsn, asn, unit, prot, chamfer;
    long double b = 0, kmn = 0;        // typed where not 0
    std::array<long double, 5> tool{}; // rack 4: haP0 hfP0 rhoaP0 prP0 alprP0 typed
};

std::vector<TDesignRow> DesignRows() {
    // x min beside gear 1 (z 6, x 0.5): below -1.5, no operating angle, no ball proposal, an
    // allowance beyond a quarter of the tooth; a typed shift whose calculation fails; ring gears
    // get none. The teeth spanned: beyond dFa at a shift, far from the usual k. A pointed rack
    // tooth, a chamfer and a root radius (chamfer 2: ticked and proposed after the root radius).
    // A usual chamfer depth that points the tooth (three: a deeper one keeps a tip, the first in
    // inches, where no allowance q fits either, the last pointed at the upper limit only; none
    // does); the protuberance unticked after the proposals (prot 2). Odd rows press the tool's
    // buttons in the reverse order, the protuberance ticked last.
    // Each: alpha beta mn z x rack tsn asn unit prot chamfer.
    std::istringstream table(
        "20 0 2 40 0.1 0 0 0 0 0 0  20 0 2 60 0.1 1 0 0 0 0 0  "
        "20 0 2 100 0.1 0 0 0 1 0 0  20 0 2 30 0.1 0 0 0 0 0 0  "
        "20 0 2 12 -3 0 0 0 0 0 0  20 0 2 8 0.1 2 0 0 0 0 0  "
        "25 35 2 7 0.1 0 0 0 0 0 0  20 0 2 -40 0.1 0 0 0 0 0 0  "
        "20 40 1 300 =0 0 1 11 0 0 0  20 0 1 16 =0.5 0 10 10 0 0 0  "
        "33.5 0 2 40 0.1 3 0 0 0 0 0  29.7 0 2 40 0.1 3 0 0 0 0 1  "
        "25 0 2 40 0.1 3 0 0 0 1 0  29.7 0 2 40 0.1 3 0 0 0 0 2  "
        "29.7 0 2 40 =0 3 7 1 1 0 1  19.358 0 2 73 =0.9428 3 10 1 0 0 1  "
        "33.3956 0 2.12341 149 =0.446 3 9 4 0 1 1  33.41 0 2 40 0.1 3 0 0 0 2 0  "
        "31.81 0 10.1858 54 =0.7527 3 4 10 0 0 1");
    std::vector<TDesignRow> rows;
    for (TDesignRow r; table >> r.alpha >> r.beta >> r.mn >> r.z >> r.x >> r.rack >> r.tsn >>
                       r.asn >> r.unit >> r.prot >> r.chamfer;)
        rows.push_back(r);
    // A tool typed: x min above an allowance beyond a quarter of the tooth at x -1.5; a helical
    // gear whose usual span is wider than its face width takes; a machining allowance that
    // points the tooth at the usual size.
    rows.push_back({21.568L, 20.421L, 1.2159L, 50, "0", 4, 7, 6, 0, 0, 0, 0, 0, {1.193L, 1, 0.402L}});
    rows.push_back({19.953L, 20.89L, 0.7556L, 80, "=0.3499", 4, 0, 0, 0, 1, 0, 11.334L, 0.1416L,
                    {1.449L, 1, 0.204L, 0.024L, 8.67L}});
    rows.push_back({18.325L, 0, 0.9103L, 15, "=0.6297", 4, 0, 0, 0, 1, 0, 0, 0,
                    {1.157L, 1, 0.291L, 0.041L, 8.82L}});
    std::mt19937 random(59);
    auto u = [&random](long double lo, long double hi) {
        return lo + (hi - lo) * std::generate_canonical<long double, 64>(random);
    };
    for (int n = 0; n < 100; ++n) {
        const int z = static_cast<int>(u(7, 400)) * (n % 7 == 3 ? -1 : 1);
        rows.push_back({u(14.5L, 40), n % 2 ? u(0, 45) : 0, u(0.3L, 12), z,
                        z < 0 ? "-0.5" : FloatToStrDec(2, u(-1, 0.5L)), n % 4, 1 + n % 10,
                        1 + n % 11, n % 4 == 1, n % 3 == 0, n % 5 == 0});
    }
    return rows;
}

// What the proposals of one designed gear showed and left, and what proposals_ref.py is asked
// about it (xmin, tool, span, then one request per pointed tool quoted).
struct TDesigned {
    std::string shown;    // rhoaP0/mn and rhofP0/mn as proposed, then x
    std::string addendum; // haP0/mn as proposed
    std::string said;     // every box, "#", then the recalculation's messages
    bool toldX = false, clean = false, lowest = false, allowed = false, again = false;
    bool least = false;
    std::vector<std::string> requests;
};

// A designed gear with proposals_ref.py's answers to its requests.
struct TJudged {
    const TDesignRow& r;
    const TDesigned& d;
    std::vector<std::vector<std::string>> answers;
    std::string Answer(int q, int w) const { return answers.at(q).at(w); }
    bool Said(const char* t) const { return d.said.find(t) < d.said.size(); }
    bool Recalculated(const char* t) const {
        return d.said.find(t, d.said.find('#')) < d.said.size();
    }
    bool XMin() const { return r.x[0] != '=' && r.z > 0; }
    bool Self() const { return r.rack == 3; }
    std::string TipRadius() const { return d.shown.substr(0, d.shown.find(' ')); }
};

// The rules every designed gear keeps, each a row.
const std::vector<std::pair<const char*, bool (*)(const TJudged&)>> DesignRules = {
    {"x min at least the closed forms' least shift",
     [](const TJudged& j) {
         return !j.XMin() || j.d.toldX ||
                StrToReal(j.d.shown.substr(j.d.shown.rfind(' '))) >=
                    StrToReal(j.Answer(0, 2)) - 1e-9L;
     }},
    {"x min refused by nothing, one step below it refused",
     [](const TJudged& j) { return !j.XMin() || (j.d.clean && j.d.lowest); }},
    {"q brings nothing it avoids, or says why", [](const TJudged& j) { return j.d.allowed; }},
    {"tip radius the rack's largest (a ring gap's may be less)",
     [](const TJudged& j) {
         const std::string rhoa = j.TipRadius();
         return !j.Self() || (j.r.z > 0 ? rhoa == j.Answer(1, 1)
                                        : StrToReal(rhoa) <= StrToReal(j.Answer(1, 1)));
     }},
    {"root radius the largest that fits",
     [](const TJudged& j) {
         return !j.Self() ||
                j.d.shown.substr(j.TipRadius().size()).starts_with(" " + j.Answer(1, 2) + " ");
     }},
    {"a ring gear's x min says it has no undercut limit",
     [](const TJudged& j) {
         return j.Said("has no undercut limit") == (j.r.z < 0 && j.r.x[0] != '=');
     }},
    {"the addendum leaves the tool a tip",
     [](const TJudged& j) {
         return !j.Self() || (j.Answer(1, 1) != "0" && j.d.addendum == j.Answer(1, 3));
     }},
    {"k nearest the usual of those that fit", [](const TJudged& j) {
         return j.Answer(2, 1) + j.Answer(2, 3) == j.Answer(2, 2) + j.Answer(2, 2);
     }},
    {"k: no span fits exactly where it says so",
     [](const TJudged& j) { return !j.Said("no span touches") == (j.Answer(2, 2) == "1"); }},
    {"k's span on the usable flank", [](const TJudged& j) { return j.Answer(2, 4) == "1"; }},
    {"the face width named with its warning",
     [](const TJudged& j) { return !j.Said("is below the") == !j.Said("b < b min"); }},
    {"x min the same after k and the ball", [](const TJudged& j) { return j.d.again; }},
    {"a raised chamfer depth the least that keeps a tip", [](const TJudged& j) { return j.d.least; }},
    {"a chamfer keeps a tip, or the box says none does",
     [](const TJudged& j) {
         return !j.r.chamfer || j.Said("no chamfer depth below") ||
                j.Said("without the chamfer too") || !j.Recalculated("pointed tooth");
     }},
    {"the tip radius box once, no figure rounded to nothing, nothing refused",
     [](const TJudged& j) {
         const std::string& all = j.d.said;
         return all.find("cannot be rounded") == all.rfind("cannot be rounded") &&
                !RoundedToNothing(all) && !j.Said("Fatal") && !j.Said("No proposal") &&
                !j.Said("rhoaP0 > -");
     }},
    {"a ball message named in a box before it comes",
     [](const TJudged& j) {
         for (const char* m : {"ball diameter 2", "ball contact", "Dm ball"})
             if (j.Recalculated(m) && j.d.said.find(m) > j.d.said.find('#')) return false;
         return true;
     }},
    {"the recalculation says nothing a proposal avoids",
     [](const TJudged& j) {
         auto any = [&j](std::initializer_list<const char*> texts) {
             return std::any_of(texts.begin(), texts.end(),
                                [&j](const char* t) { return j.Recalculated(t); });
         };
         return !(j.XMin() && any({"undercut", "x < -1.5"})) &&
                !(j.Self() && any({"rhofP0 >"})) &&
                !(j.Self() && j.Answer(1, 1) != "0" && any({"rhoaP0 >"})) &&
                !(j.Answer(2, 2) == "1" && any({"span contact", "No. of teeth measured"})) &&
                !(!j.Said("no ball stands") && any({"ball diameter", "Dm ball", "ball contact"}));
     }},
    {"each pointed tool's limit the closed form's",
     [](const TJudged& j) {
         for (std::size_t k = 3; k < j.answers.size(); ++k)
             if (j.Answer(int(k), 1) != "1") return false;
         return true;
     }},
};

class ProposalsTest : public InputDialogTest {
protected:
    TDesigned Design(const TDesignRow& r, bool reverse, const TGearData& start);
};

TDesigned ProposalsTest::Design(const TDesignRow& r, bool reverse, const TGearData& start) {
    TDesigned d;
    GearData = start;
    TGearData& g = GearData;
    g.alpha = r.alpha, g.beta = r.beta, g.mn = r.mn, g.z[2] = r.z;
    g.x[2] = StrToReal(r.x.substr(r.x[0] == '='));
    // Beside the companion the dimensions dialog stores.
    g.z[1] = 6, g.x[1] = 0.5L, g.a = 0, g.kmn[1] = g.kmn[2] = g.da[1] = g.da[2] = 0;
    g.TipInputMode[1] = g.TipInputMode[2] = 2;
    if (r.tsn != 0) g.TsnSeries[2] = r.tsn, g.AsnSeries[2] = r.asn;
    UnitSystem = r.unit;
    AllSeen.clear();
    Run<TForm_qor1prof>(
        {[&](TForm_qor1prof& f) {
            Respond::Pick(f, "ComboBox1", std::min(r.rack, 2));
            Respond::Pick(f, "ComboBox1", std::min(r.rack, 3));
            Respond::Check(f, "CheckBox_prot1", r.prot != 0 && !reverse);
            for (std::size_t k = 0; k < r.tool.size(); ++k) // rack 4: typed, nothing proposed
                if (r.rack == 4 && (k < 3 || r.prot))
                    Respond::Type(f, std::array{"Edit_hap1", "Edit_hfp1", "Edit_rhoap1",
                                                "Edit_prp1", "Edit_alprp1"}[k],
                                  FloatToStrSig6(r.tool[k]));
            Respond::Check(f, "CheckBox_koka1", r.chamfer == 1);
            const char* order[] = {"hap1",   "hfp1",  "prp1",  "alprp1",
                                   "rhoap1", "alkp1", "hffp1", "rhofp1"};
            if (reverse) std::reverse(std::begin(order), std::end(order));
            for (const char* b : order)
                if (r.rack != 4) Respond::Press(f, std::string("Button_") + b);
            if (reverse && r.prot != 0 && Respond::Check(f, "CheckBox_prot1", true))
                Respond::Press(f, "Button_alprp1"), Respond::Press(f, "Button_prp1");
            if (r.chamfer == 2 && Respond::Check(f, "CheckBox_koka1", true))
                Respond::Press(f, "Button_alkp1"), Respond::Press(f, "Button_hffp1");
            if (r.prot == 2) Respond::Check(f, "CheckBox_prot1", false);
            d.shown = f.Edit_rhoap1->Text() + " " + f.Edit_rhofp1->Text();
            d.addendum = f.Edit_hap1->Text();
            Respond::Press(f, "Button_ok");
        }},
        -1);
    Run<TForm_qor1wgeo>({[&](TForm_qor1wgeo& f) {
                            Respond::Type(f, "Edit_x2", r.x.substr(r.x[0] == '='));
                            if (r.b != 0) Respond::Type(f, "Edit_b0", FloatToStrSig6(r.b));
                            if (r.kmn != 0) Respond::Type(f, "Edit_kmn2", FloatToStrSig6(r.kmn));
                            if (r.x[0] != '=') Respond::Press(f, "Button_x1min");
                            d.shown += " " + f.Edit_x2->Text();
                            Respond::Press(f, "Button_ok");
                        }},
                        -1);
    d.toldX = AllSeen.find("x min: no profile shift") < AllSeen.size();
    // "<" for the machining allowance brings no message, unless it says why none fits; its
    // tolerance below half the tooth's only where that one does not fit, and said.
    CalculateGears();
    const TEntriesCalculation unmachined{CalcErrorFlag == 0, Messages(), {}};
    Run<TForm_qual>({[](TForm_qual& f) {
                        Respond::Press(f, "Button_q2");
                        Respond::Press(f, "Button_ok");
                    }},
                    -1);
    auto box = [this](const char* t) { return Seen.size() > 1 && Seen.back().find(t) < Seen.back().size(); };
    d.allowed = box("no allowance fits") ||
                (NewMessages(unmachined, {CalcErrorFlag == 0, Messages(), {}}).empty() &&
                 (box("lies below half") || g.qTol[2] >= (g.Asne[2] - g.Asni[2]) / 2 - 1e-12L) &&
                 g.q[2] <= (g.prP0[2] > 0 ? 2 * g.prP0[2] / 3 : 0.03L * g.mn) + 1e-12L);
    auto measured = [this] {
        Run<TForm_messen>({[](TForm_messen& f) {
                              for (const char* b : {"Button_k", "Button_dm", "Button_ok"})
                                  Respond::Press(f, b);
                          }},
                          -1);
        CalculateGears();
    };
    measured(); // the dialogs' messages, then "#" and the recalculation's
    // x min does not depend on the span and ball it left.
    Run<TForm_qor1wgeo>({[&](TForm_qor1wgeo& f) {
                            if (r.x[0] != '=') Respond::Press(f, "Button_x1min");
                            d.again = d.shown.ends_with(" " + f.Edit_x2->Text());
                            Respond::Press(f, "Button_cancel");
                        }},
                        -1);
    // The least shift, with k and the ball proposed for it: no error beside gear 1 unless the
    // dialog said why; one step of the digits shown below it, one.
    d.clean = !Refused() || d.toldX;
    const TGearData accepted = g;
    const std::string seen = AllSeen;
    const long double v = std::fabs(g.x[2]);
    g.x[2] -= v >= 1 || v == 0 ? 0.001L : powl(10, floorl(log10l(v)) - 2);
    CalculateGears();
    measured();
    d.lowest = Refused() || d.toldX;
    g = accepted;
    AllSeen = seen;
    // A chamfer depth raised from the usual to keep the tooth a tip is the least that does.
    g.hFfP0mn[2] -= 0.01L;
    CalculateGears();
    d.least = r.x[0] != '=' || Listed("pointed tooth") ||
              AllSeen.find("pointed tooth (2) !\"). Proposed") > AllSeen.size();
    g = accepted;
    CalculateGears();
    EXPECT_THAT(BrokenRelations(), ::testing::IsEmpty()); // and the verdicts that judge them
    AllSeen += "|#";
    for (int i = 1; i <= ErrorCount; ++i)
        AllSeen += "|" + ErrorList[i].str();
    d.said = AllSeen;
    // The usable flank of each shift; a premachined tip is the premachining's of the limit.
    std::string states;
    for (const auto& [xE, xK] : {std::pair{g.xEminV[2], g.xEminV[2]},
                                 {g.xEmaxV[2], g.xEmaxV[2]},
                                 {g.x[2], g.x[2] + g.xEmaxV[2] - g.xEmax[2]},
                                 {g.xEmin[2], g.xEminV[2]},
                                 {g.xEmax[2], g.xEmaxV[2]}})
        states += Num(xE) + Num(RootFormDiameterAt(2, xE)) + Num(TipFormDiameterAt(2, xE, xK));
    d.requests = {"xmin" + Num(r.alpha) + Num(r.beta) + Num(r.z) + Num(g.Asni[2]) + Num(r.mn),
                  "tool" + Num(r.alpha) + Num(g.haP0mn[2]) + Num(g.prP0mn[2]) +
                      Num(g.hfP0mn[2]) + Num(g.rhoaP0mn[2]) + Num(g.alkP0[2]) + Num(g.hFfP0mn[2]),
                  "span " + std::to_string(r.z) + Num(r.alpha) + Num(r.beta) + Num(r.mn) +
                      Num(g.bGear[2]) + Num(g.k[2]) +
                      Num(kmess(g.z[2], g.betaRad, g.alphaRad, g.xEmin[2], g.mn)) + " 5" + states};
    // The limit of each pointed tool quoted, at the protuberance its box names (the
    // recalculation's: the one stored).
    for (std::size_t at = AllSeen.find("haP0 > "); at < AllSeen.size();
         at = AllSeen.find("haP0 > ", at + 1)) {
        const std::size_t from = AllSeen.rfind('|', at), pr = AllSeen.rfind("prP0/mn ", at);
        d.requests.push_back(
            "pointed" + Num(r.alpha) + " " +
            (at > AllSeen.find('#') ? Num(g.prP0mn[2])
             : pr < from || pr > at ? "0"
                                    : AllSeen.substr(pr + 8, AllSeen.find(' ', pr + 8) - pr - 8)) +
            " " + AllSeen.substr(at + 7, AllSeen.find(' ', at + 7) - at - 7));
    }
    return d;
}

} // namespace

TEST_F(ProposalsTest, ProposalsAreAcceptedWithoutTheWarningTheyAvoid) {
    const std::vector<TDesignRow> rows = DesignRows();
    const TGearData start = GearData;
    std::vector<TDesigned> designed;
    std::vector<std::string> requests;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        designed.push_back(Design(rows[n], n % 2 == 1, start));
        requests.insert(requests.end(), designed.back().requests.begin(),
                        designed.back().requests.end());
    }
    UnitSystem = 0;
    const auto ref = Reference(Dir, requests);
    for (std::size_t n = 0, first = 0; n < rows.size(); first += designed[n++].requests.size()) {
        const TJudged j{rows[n], designed[n],
                        {ref.begin() + long(first),
                         ref.begin() + long(first + designed[n].requests.size())}};
        SCOPED_TRACE(requests[first] + " / " + j.d.shown + " / " + j.d.said);
        for (const auto& [rule, holds] : DesignRules)
            EXPECT_TRUE(holds(j)) << rule;
    }
}

TEST_F(InputDialogTest, FailedCalculationsAndRefusedFieldsProposeAndStoreNothing) {
    // A tool addendum of 5 mn leaves no root: fatal, without AbortFlag.
    GearData.BasicRackType[2] = 4;
    GearData.haP0mn[2] = 5;
    GearData.z[2] = 8;
    CalculateGears();
    ASSERT_EQ(AbortFlag, 0);
    for (const auto& [button, edit] :
         {std::pair{"Button_x05", "Edit_x2"}, {"Button_c1", "Edit_da2"}}) {
        Run<TForm_qor1wgeo>({[&](TForm_qor1wgeo& f) {
                                const std::string was = FindControl<TEdit>(f, edit)->Text();
                                Respond::Press(f, button);
                                EXPECT_EQ(FindControl<TEdit>(f, edit)->Text(), was) << button;
                                Respond::Press(f, "Button_cancel");
                            }},
                            1);
        EXPECT_THAT(Seen.back(), HasSubstr("No proposal: the calculation failed.\nFatal  : df"));
    }
    CalculateGears(); // k and DM propose from the last calculation: it failed
    for (const char* button : {"Button_k", "Button_dm"}) {
        Run<TForm_messen>({[&](TForm_messen& f) {
                              const std::string k = f.Edit_k2->Text(), dm = f.Edit_dm2->Text();
                              Respond::Press(f, button);
                              EXPECT_EQ(f.Edit_k2->Text() + f.Edit_dm2->Text(), k + dm);
                              Respond::Press(f, "Button_cancel");
                          }},
                          1);
    }
    InitGearDataUnit();
    CalculateGears();
    // Field, text, the refusal ("" taken: then the calculation holds), the unit system; in inch
    // each end a refusal names is taken.
    const std::vector<std::array<const char*, 4>> fields = {
        {"Edit_alpha", "5", "Pressure angle alpha: Valid Data are: 5 .. 45 (not 5) !", "0"},
        {"Edit_alpha", "45", "", "0"},
        {"Edit_alpha", "50", "Pressure angle alpha", "0"},
        {"Edit_beta", "60", "Helix angle beta: Valid Data are: 0 .. 60 (not 60) !", "0"},
        {"Edit_beta", "59.99", "", "0"},
        {"Edit_b0", "0", "Facewidth b: Valid Data are: 1E-6 .. 100000000 !", "0"},
        {"Edit_z2", "1", "Number of teeth z: Valid Data are: -10000 .. -2, 2 .. 10000 !", "0"},
        {"Edit_pitch", "1e5", "Normal module mn (1/in): Valid Data are: 0.0254 .. 25400 !", "0"},
        {"Edit_mn", "40", "Normal module mn: Valid Data are: 0.0000394 .. 39.37007 !", "1"},
        {"Edit_mn", "39.37007", "", "1"},
        {"Edit_b0", "4e6", "Facewidth b: Valid Data are: 0.0394E-6 .. 3937007 !", "1"},
        {"Edit_b0", "3937007", "", "1"}};
    for (const auto& [edit, text, refusal, unit] : fields) {
        UnitSystem = *unit - '0';
        Run<TForm_qor1wgeo>({[&](TForm_qor1wgeo& f) {
                                Respond::Type(f, edit, text);
                                Respond::Press(f, "Button_ok");
                                if (f.ModalResult() == mrNone) Respond::Press(f, "Button_cancel");
                            }},
                            *refusal != 0 ? 1 : 0);
        SCOPED_TRACE(std::string(edit) + " " + text);
        if (*refusal != 0) {
            EXPECT_THAT(Seen.back(), HasSubstr(refusal));
        } else {
            EXPECT_EQ(CalcErrorFlag, 0);
        }
    }
    UnitSystem = 0;
    // The module steps from any value, whatever an earlier Cancel left in AbortFlag.
    Run<TForm_qor1wgeo>({[](TForm_qor1wgeo& f) {
        Respond::Type(f, "Edit_mn", "2.0005");
        AbortFlag = 1;
        f.SpinButton_mn->PressButton(btNext);
        EXPECT_EQ(f.Edit_mn->Text(), "2.5");
        Respond::Press(f, "Button_cancel");
    }});
    // A fatal dimensions OK (x -3 on 12 teeth: no operating angle) stops the input sequence.
    InitGearDataUnit();
    std::vector<std::string> shown;
    ScriptedResponder r;
    for (int k = 0; k < 5; ++k)
        r.OnForm([&shown, k](TForm& f) {
            shown.push_back(f.Name());
            if (k == 2) Respond::Type(f, "Edit_z2", "12"), Respond::Type(f, "Edit_x2", "-3");
            Respond::Press(f, "Button_ok");
        });
    {
        ResponderScope scope(r);
        RunInputSequence(nullptr);
    }
    EXPECT_EQ(shown.back(), "Form_qor1wgeo");
    EXPECT_TRUE(Listed("Fatal  : alpha wt"));
}

TEST_F(ProposalsTest, TheChamferDepthIsTheSameWhateverSpanTheDialogLeft) {
    // A chamfer that keeps the tooth a tip at every depth, beside the companion: the span left
    // in the measurement dialog (k 0 and 11 touch above dFa once the chamfer is there) does not
    // raise it.
    std::set<std::string> proposed;
    for (const int k : {0, 9, 11, 12}) {
        TGearData& g = GearData;
        g.alpha = 17.314L, g.beta = 5.745L, g.mn = 0.5057L, g.z = {6, 99}, g.x = {0.5L, 0.4849L};
        g.b = 7.5855L, g.AaField = 2, g.a = 0, g.kmn = {0, 0.0286L}, g.TipInputMode = {2, 2};
        g.BasicRackType[2] = 4, g.hfP0mn[2] = 1, g.haP0mn[2] = 1.25L, g.rhoaP0mn[2] = 0.3L;
        g.prP0mn[2] = 0, g.rhofP0mn[2] = 0, g.alkP0[2] = 22.314L, g.hFfP0mn[2] = 0.75L;
        g.TsnSeries[2] = 8, g.AsnSeries[2] = 1, g.k[2] = k, g.MeasureMode = 0;
        CalculateGears();
        Run<TForm_qor1prof>({[&](TForm_qor1prof& f) {
                                Respond::Press(f, "Button_hffp1");
                                proposed.insert(f.Edit_hffp1->Text());
                                Respond::Press(f, "Button_cancel");
                            }},
                            -1);
    }
    EXPECT_EQ(proposed, std::set<std::string>{"0.75"});
}

TEST_F(InputDialogTest, TheProposedBallStandsAboveTheTipAndTouchesTheUsableFlank) {
    struct Case {
        int z;
        long double alpha, beta, mn, x;
        int tsn, asn, unit;
        bool usualFits, anyFits, above = true;
    };
    // External and internal, spur and helical, odd and even, metric and imperial: the usual ball
    // where it fits, another that fits, and where none does one above the tip (two rings: none
    // that seats at every shift, the largest that does). The first is the reproducer of a ball
    // under the tip circle; the last four fitting balls lie more than 30 % from the usual size,
    // where "ball diameter !" used to greet them.
    const Case cases[] = {{100, 15.154L, 0, 0.321L, 0.5902L, 4, 5, 0, false, true},
                          {-70, 19.284L, 0, 10.0822L, -0.2306L, 5, 1, 0, true, true},
                          {81, 21.204L, 25.465L, 8.5169L, 0.7991L, 6, 4, 1, true, true},
                          {117, 21.256L, 0, 0.9481L, -0.307L, 9, 2, 1, false, true},
                          {-68, 16.417L, 21.069L, 7.6989L, 0.2204L, 6, 8, 0, false, true},
                          {-96, 14.617L, 0, 0.4959L, 0.0086L, 10, 2, 1, false, false, false},
                          {-120, 16.197L, 9.336L, 0.3159L, 0.2403L, 10, 5, 0, false, false, false},
                          {154, 17.448L, 0, 0.3921L, -0.4547L, 8, 7, 0, false, true},
                          {-120, 20.399L, 38.568L, 0.6191L, 0.702L, 10, 2, 0, false, true},
                          {81, 16.303L, 7.852L, 0.3726L, 0.228L, 9, 7, 0, false, true},
                          {28, 15.149L, 0.577L, 0.3187L, 0.3294L, 10, 7, 0, false, true}};
    const TGearData start = GearData;
    std::vector<std::string> requests;
    std::vector<bool> said;
    for (const Case& c : cases) {
        GearData = start;
        TGearData& g = GearData;
        g.z[2] = c.z, g.z[1] = 6, g.x[1] = 0.5L, g.a = 0, g.alpha = c.alpha, g.beta = c.beta;
        g.mn = c.mn, g.x[2] = c.x, g.TsnSeries[2] = c.tsn, g.AsnSeries[2] = c.asn;
        g.b = g.bGear[1] = g.bGear[2] = 20 * c.mn;
        UnitSystem = c.unit;
        CalculateGears();
        ASSERT_EQ(CalcErrorFlag, 0) << c.z;
        const long double usual = DmMess(g.z[2], g.betaRad, g.alphaRad, g.xEmin[2], g.mn);
        CalcErrorFlag = 0; // (no usual ball for so low a shift is fatal; the dialog has its own)
        long double dm = 0;
        // Proposed and accepted.
        Run<TForm_messen>({[&dm](TForm_messen& f) {
                              Respond::Press(f, "Button_dm");
                              f.Edit_dm2->TryValue(dm);
                              Respond::Press(f, "Button_ok");
                          }},
                          c.anyFits ? 0 : 1);
        said.push_back(Seen.back().find("no ball stands above the tip circle") !=
                       std::string::npos);
        ASSERT_EQ(g.DM[2], dm);
        g.MeasureMode = 1; // the calculation chooses the same ball itself
        CalculateGears();
        EXPECT_EQ(g.DM[2], dm) << c.z;
        g.MeasureMode = 0;
        if (c.anyFits) {
            // The calculation takes the proposed ball without a word.
            for (const char* text : {"ball diameter", "Dm ball", "ball contact"})
                EXPECT_FALSE(Listed(text)) << c.z << " " << text;
        }
        if (c.usualFits) {
            EXPECT_EQ(dm, usual) << c.z; // the usual ball stays where it fits
        }
        // Every shift a dimension over balls is given for, with the usable flank there.
        std::string states;
        for (long double xE : {g.xEminV[2], g.xEmaxV[2], g.x[2], g.xEmin[2], g.xEmax[2]})
            states += Num(xE) + Num(RootFormDiameterAt(2, xE)) + Num(TipFormDiameterAt(2, xE));
        requests.push_back("ball " + std::to_string(c.z) + Num(c.alpha) + Num(c.beta) + Num(c.mn) +
                           Num(g.da[2]) + Num(dm) + Num(usual) + " 5" + states);
    }
    UnitSystem = 0;
    const auto ref = Reference(Dir, requests);
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const Case& c = cases[n];
        // Answer: ball FITS EXISTS USUALFITS above ABOVE.
        EXPECT_EQ(ref[n],
                  (std::vector<std::string>{"ball", c.anyFits ? "1" : "0", c.anyFits ? "1" : "0",
                                            c.usualFits ? "1" : "0", "above",
                                            c.above ? "1" : "0"}))
            << requests[n];
        EXPECT_EQ(said[n], !c.anyFits) << c.z; // the dialog says when no ball fits
    }
}
