// proposalsweep: every proposal button of the input dialogs, pressed as a designer presses them
// on random gears, offscreen, and each result judged by the calculation afterwards. Too slow for
// the test suite (a fixed handful of its gears run there as table rows); run it before a change
// of the proposals is called done:
//
//   QT_QPA_PLATFORM=offscreen proposalsweep [COUNT [SEED]]     (default 200 gears, seed 1)
//
// Per gear: the tool-profile dialog with every button in one order and pressed twice, then in
// the reverse order with the protuberance box ticked last, then with the protuberance unticked;
// the quality dialog's q; "< x min" pressed twice, then k and the ball, then "< x min" again;
// k and the ball pressed twice; the whole gear recalculated, and again with the span and ball left
// to the calculation (MeasureMode 1). Every gear an OK stores keeps the
// relations of its results and their verdicts (calc/relations.h). It prints how many gears break
// each rule, with the first few of them (their inputs, to be reproduced with tools/gearcalc).
// Exit status 0 when no rule is broken, 1 otherwise.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "calc/relations.h"
#include "framework/ui/dialogs.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "shell/dimensions_dialog.h"
#include "shell/measurement_dialog.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "shell/startup.h"

namespace {

// Answers every box with its cancel answer and keeps its text; works each form by one step.
class SweepResponder : public ModalResponder {
public:
    std::function<void(TForm&)> Step;
    std::vector<std::string> Boxes;
    void RespondForm(TForm& form) override {
        if (Step) Step(form);
    }
    int RespondMessage(const MessageQuestion& q) override {
        Boxes.push_back(q.Text);
        return q.CancelAnswer();
    }
    bool RespondDialog(TCommonDialog&) override { return false; }
};

SweepResponder Sweep;

// Shows F modally, worked by step; the boxes it showed.
template <class F> std::vector<std::string> Run(const std::function<void(F&)>& step) {
    Sweep.Boxes.clear();
    Sweep.Step = [&step](TForm& f) { step(dynamic_cast<F&>(f)); };
    FormPtr<F> form(NewForm<F>(nullptr));
    form->ShowModal();
    Sweep.Step = nullptr;
    return Sweep.Boxes;
}

// The boxes a press showed.
std::vector<std::string> Press(TForm& f, const std::string& button) {
    const std::size_t before = Sweep.Boxes.size();
    Respond::Press(f, button);
    return {Sweep.Boxes.begin() + static_cast<long>(before), Sweep.Boxes.end()};
}

std::string Join(const std::vector<std::string>& texts) {
    std::string s;
    for (const std::string& t : texts)
        s += (s.empty() ? "" : " || ") + t;
    return s;
}

std::vector<std::string> Messages() {
    std::vector<std::string> m;
    for (int i = 1; i <= ErrorCount; ++i)
        m.push_back(ErrorList[i].str());
    return m;
}

bool Has(const std::vector<std::string>& list, const std::string& part) {
    for (const std::string& s : list)
        if (s.find(part) != std::string::npos) return true;
    return false;
}

// What "< x min" avoids.
bool Refused(const std::vector<std::string>& m) {
    return CalcErrorFlag != 0 || Has(m, "Fatal") || Has(m, "Error") || Has(m, "undercut") ||
           Has(m, "x < -1.5");
}

struct Gear {
    long double alpha, beta, mn;
    int z, tsn, asn, unit;
    long double x;
    bool prot, chamfer, premachined;
};

std::string Describe(const Gear& r, const TGearData& g) {
    char buf[512];
    std::snprintf(buf, sizeof buf,
                  "alpha %.6Lg beta %.6Lg mn %.6Lg z %d x %.6Lg tsn %d asn %d unit %d q %.6Lg | "
                  "haP0 %.6Lg hfP0 %.6Lg rhoaP0 %.6Lg rhofP0 %.6Lg prP0 %.6Lg alprP0 %.6Lg "
                  "hFfP0 %.6Lg alkP0 %.6Lg | x %.6Lg k %d DM %.6Lg",
                  r.alpha, r.beta, r.mn, r.z, r.x, r.tsn, r.asn, r.unit, g.q[2], g.haP0mn[2],
                  g.hfP0mn[2], g.rhoaP0mn[2], g.rhofP0mn[2], g.prP0mn[2], g.alprP0[2], g.hFfP0mn[2],
                  g.alkP0[2], g.x[2], g.k[2], g.DM[2]);
    return buf;
}

// The counts of the rules and the first gears that break each.
struct Rules {
    std::map<std::string, int> broken;
    std::map<std::string, std::vector<std::string>> examples;
    void Break(const std::string& rule, const std::string& what) {
        if (broken[rule]++ < 4) examples[rule].push_back(what);
    }
} Report;

// The protuberance first in one order, last in the other.
const char* const kButtonsA[] = {"prp1",   "alprp1", "hap1",  "hfp1",
                                 "rhoap1", "alkp1",  "hffp1", "rhofp1"};

std::string ToolText(TForm_qor1prof& f) {
    std::string s;
    for (TValueEdit* e : {f.Edit_hap1, f.Edit_hfp1, f.Edit_rhoap1, f.Edit_rhofp1, f.Edit_prp1,
                          f.Edit_alprp1, f.Edit_hffp1, f.Edit_alkp1})
        s += e->Text() + " ";
    return s + (f.CheckBox_prot1->Checked() ? "P" : "-") +
           (f.CheckBox_koka1->Checked() ? "C" : "-");
}

// A figure rounded to nothing: zeros after the decimal point only ("0.0000"), where a true zero
// reads "0".
bool RoundedToNothing(const std::string& text) {
    for (std::size_t n = text.find("0."); n != std::string::npos; n = text.find("0.", n + 1)) {
        if (n > 0 && (std::isdigit(static_cast<unsigned char>(text[n - 1])) || text[n - 1] == '.'))
            continue;
        std::size_t end = n + 2;
        while (end < text.size() && text[end] == '0')
            ++end;
        if (end > n + 2 &&
            (end == text.size() || !std::isdigit(static_cast<unsigned char>(text[end]))))
            return true;
    }
    return false;
}

void JudgeFigures(const std::vector<std::string>& boxes, const std::string& who) {
    for (const std::string& b : boxes)
        if (RoundedToNothing(b)) Report.Break("figure rounded to nothing", who + ": " + b);
}

// The gear as stored with shift x, calculated after the measurement dialog proposed k and the
// ball for it: refused or not.
bool RefusedWithProposals(const TGearData& stored, long double x, std::string& said) {
    GearData = stored;
    GearData.x[2] = x;
    CalculateGears();
    Run<TForm_messen>([](TForm_messen& f) {
        Respond::Press(f, "Button_k");
        Respond::Press(f, "Button_dm");
        Respond::Press(f, "Button_ok");
    });
    CalculateGears();
    const std::vector<std::string> m = Messages();
    said = Join(m);
    return Refused(m);
}

// Whether a gear an OK stored broke a relation, in any of its states.
bool GearBrokeRelation = false;

// The relations of the results and the verdicts that judge them, in the gear an OK stored.
void JudgeStored(const Gear& r, const char* after) {
    if (CalcErrorFlag != 0) return;
    for (const std::string& broken : BrokenRelations()) {
        Report.Break("relation: " + broken, std::string(after) + " " + Describe(r, GearData));
        GearBrokeRelation = true;
    }
}

// The gear of r beside the dimensions dialog's companion, calculated: false where it is not.
bool CalculateStart(const Gear& r, const TGearData& start) {
    GearData = start;
    TGearData& g = GearData;
    g.alpha = r.alpha, g.beta = r.beta, g.mn = r.mn, g.z[2] = r.z, g.x[2] = r.x;
    g.z[1] = 6, g.x[1] = 0.5L, g.a = 0, g.kmn[1] = g.kmn[2] = g.da[1] = g.da[2] = 0;
    g.b = g.bGear[1] = g.bGear[2] = 20 * r.mn;
    g.TsnSeries[2] = r.tsn, g.AsnSeries[2] = r.asn, g.q[2] = g.qTol[2] = 0;
    g.k[2] = 0, g.DM[2] = 0;
    UnitSystem = r.unit;
    CalculateGears();
    if (CalcErrorFlag != 0) {
        ++Report.broken["(not calculable)"];
        return false;
    }
    ++Report.broken["(calculable)"];
    for (const auto& [kind, is] : {std::pair{"(internal)", r.z < 0},
                                   {"(helical)", r.beta > 0},
                                   {"(inch)", r.unit == 1},
                                   {"(protuberance)", r.prot},
                                   {"(chamfer)", r.chamfer},
                                   {"(premachined)", r.premachined}})
        if (is) ++Report.broken[kind];
    return true;
}

// The tool dialog: one order pressed twice; the reverse with the protuberance ticked last, then
// OK. The boxes it showed.
std::vector<std::string> PressToolButtons(const Gear& r) {
    const TGearData& g = GearData;
    std::string orderA, twiceA, orderB;
    std::vector<std::string> toolBoxes;
    auto roundedOnce = [&](const std::vector<std::vector<std::string>>& pass, const char* which) {
        int n = 0;
        for (const auto& boxes : pass)
            for (const std::string& b : boxes)
                n += b.find("cannot be rounded") != std::string::npos;
        if (n > 1)
            Report.Break("tip-radius box more than once in one pass",
                         std::string(which) + " " + Describe(r, g) + " : " + std::to_string(n));
    };
    Run<TForm_qor1prof>([&](TForm_qor1prof& f) {
        Respond::Pick(f, "ComboBox1", 3);
        Respond::Check(f, "CheckBox_prot1", r.prot);
        Respond::Check(f, "CheckBox_koka1", r.chamfer);
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<std::vector<std::string>> boxes;
            for (const char* b : kButtonsA)
                boxes.push_back(Press(f, std::string("Button_") + b));
            roundedOnce(boxes, pass == 0 ? "A" : "A again");
            (pass == 0 ? orderA : twiceA) = ToolText(f);
        }
        Respond::Press(f, "Button_cancel");
    });
    Run<TForm_qor1prof>([&](TForm_qor1prof& f) {
        Respond::Pick(f, "ComboBox1", 3);
        Respond::Check(f, "CheckBox_prot1", false);
        Respond::Check(f, "CheckBox_koka1", r.chamfer);
        std::vector<std::vector<std::string>> boxes;
        for (int k = 7; k >= 2; --k)
            boxes.push_back(Press(f, std::string("Button_") + kButtonsA[k]));
        if (r.prot) {
            Respond::Check(f, "CheckBox_prot1", true);
            boxes.push_back(Press(f, "Button_alprp1"));
            boxes.push_back(Press(f, "Button_prp1"));
        }
        roundedOnce(boxes, "B");
        for (const auto& b : boxes)
            toolBoxes.insert(toolBoxes.end(), b.begin(), b.end());
        orderB = ToolText(f);
        Respond::Press(f, "Button_ok");
    });
    JudgeStored(r, "tool OK");
    JudgeFigures(toolBoxes, "tool");
    if (orderA != twiceA) Report.Break("tool pressed twice differs", orderA + "/ " + twiceA);
    if (orderA != orderB)
        Report.Break("tool orders differ", Describe(r, g) + " : " + orderA + "/ " + orderB);
    return toolBoxes;
}

// The addendum and tip-radius boxes quote the calculation's warning: the same text as the
// calculation gives at that limit, and the limit one that the calculation draws there.
void JudgeQuotedAddendumLimits(const Gear& r, const std::string& tool) {
    const std::string quoted = "\"Warning: haP0 > ";
    for (std::size_t at = tool.find(quoted); at != std::string::npos;
         at = tool.find(quoted, at + 1)) {
        const std::size_t end = tool.find("\"", at + 1);
        const std::string box = tool.substr(at + 1, end - at - 1);
        const std::string number = box.substr(quoted.size() - 1);
        const long double limit = StrToReal(number.substr(0, number.find(' ')));
        const TGearData kept = GearData;
        auto warning = [&](long double ha, long double pr) {
            GearData = kept;
            GearData.haP0mn[2] = ha, GearData.prP0mn[2] = pr, GearData.alprP0[2] = pr != 0 ? 8 : 0;
            CalculateGears();
            std::string w;
            for (const std::string& s : Messages())
                if (s.find("pointed !") != std::string::npos) w = s;
            return w;
        };
        bool matched = false;
        for (const long double pr : {0.0L, kept.prP0mn[2]})
            matched = matched || (warning(1.25L, pr) == box && warning(limit, pr).empty() &&
                                  !warning(limit + 0.001L, pr).empty());
        GearData = kept;
        if (!matched)
            Report.Break("addendum limit: boxes and warning differ",
                         Describe(r, GearData) + " : " + box);
    }
}

// The tool's proposals and what the calculation says after them; the boxes' text.
std::string SweepTool(const Gear& r) {
    const std::string tool = Join(PressToolButtons(r));
    const TGearData& g = GearData;
    for (const auto& [text, what] :
         {std::pair{"the least depth that keeps", "(chamfer depth raised)"},
          {"no chamfer depth below", "(no chamfer depth keeps a tip)"},
          {"without the chamfer too", "(pointed without the chamfer)"},
          {"makes the tool's tooth pointed", "(addendum: pointed at 1.25)"},
          {"cannot be rounded", "(tip radius 0)"}})
        if (tool.find(text) != std::string::npos) Report.Break(what, Describe(r, g));
    const std::vector<std::string> m = Messages();
    for (const char* t : {"pointed !", "rhoaP0 >", "rhofP0 >", "hFfP0 >"})
        if (Has(m, t)) Report.Break(std::string("tool: ") + t, Describe(r, g) + " : " + Join(m));
    if (Has(m, "pointed tooth") && r.chamfer) {
        const bool told = tool.find("keeps the tooth a tip") != std::string::npos ||
                          tool.find("without the chamfer too") != std::string::npos;
        if (!told) Report.Break("chamfer: pointed tooth not told", Describe(r, g) + " : " + tool);
    }
    JudgeQuotedAddendumLimits(r, tool);
    if (r.prot) {
        // The protuberance unticked after everything was proposed: no pointed tool.
        const TGearData kept = GearData;
        Run<TForm_qor1prof>([&](TForm_qor1prof& f) {
            Respond::Check(f, "CheckBox_prot1", false);
            Respond::Press(f, "Button_ok");
        });
        JudgeStored(r, "protuberance unticked");
        const std::vector<std::string> u = Messages();
        for (const char* t : {"pointed !", "rhoaP0 >", "rhofP0 >"})
            if (Has(u, t))
                Report.Break(std::string("protuberance unticked: ") + t, Describe(r, GearData));
        GearData = kept;
        CalculateGears();
    }
    return tool;
}

// The quality dialog's q of a premachined gear, pressed twice.
void SweepQuality(const Gear& r) {
    std::string q1, q2;
    const auto boxes = Run<TForm_qual>([&](TForm_qual& f) {
        Respond::Press(f, "Button_q2");
        q1 = FindControl<TEdit>(f, "Edit_q2")->Text() + " " +
             FindControl<TEdit>(f, "Edit_aq2")->Text();
        Respond::Press(f, "Button_q2");
        q2 = FindControl<TEdit>(f, "Edit_q2")->Text() + " " +
             FindControl<TEdit>(f, "Edit_aq2")->Text();
        Respond::Press(f, "Button_ok");
    });
    JudgeStored(r, "q OK");
    if (q1 != q2) Report.Break("q pressed twice differs", q1 + " / " + q2);
    JudgeFigures(boxes, "q");
}

// What the dimensions and measurement dialogs proposed and said.
struct TShiftSweep {
    std::string x1, x2, x3;
    std::vector<std::string> xBoxes, kBoxes, dmBoxes;
    TGearData stored;              // after the dimensions dialog's OK
    TGearData finished;            // after the measurement dialog's, recalculated
    std::vector<std::string> said; // the messages of that recalculation
};

// "< x min" twice, then k and the ball pressed twice, each OK'd; then "< x min" again (cancelled).
TShiftSweep SweepShift(const Gear& r) {
    TShiftSweep s;
    const auto dims = [&](std::string& first, std::string* second, bool ok) {
        return Run<TForm_qor1wgeo>([&](TForm_qor1wgeo& f) {
            Respond::Type(f, "Edit_x2", FloatToStrDec(3, r.x));
            if (ok)
                for (const char* b : {"Button_b0", "Button_c1", "Button_x05", "Button_a0"})
                    JudgeFigures(Press(f, b), b);
            Press(f, "Button_x1min");
            first = f.Edit_x2->Text();
            if (second != nullptr) {
                Press(f, "Button_x1min");
                *second = f.Edit_x2->Text();
            }
            Respond::Press(f, ok ? "Button_ok" : "Button_cancel");
        });
    };
    s.xBoxes = dims(s.x1, &s.x2, true);
    JudgeStored(r, "dimensions OK");
    JudgeFigures(s.xBoxes, "x min");
    s.stored = GearData;
    std::string k1, dm1, k2, dm2;
    Run<TForm_messen>([&](TForm_messen& f) {
        s.kBoxes = Press(f, "Button_k");
        s.dmBoxes = Press(f, "Button_dm");
        k1 = f.Edit_k2->Text(), dm1 = f.Edit_dm2->Text();
        Press(f, "Button_dm");
        Press(f, "Button_k");
        k2 = f.Edit_k2->Text(), dm2 = f.Edit_dm2->Text();
        Respond::Press(f, "Button_ok");
    });
    if (k1 + " " + dm1 != k2 + " " + dm2)
        Report.Break("k and ball pressed again differ", k1 + " " + dm1 + " / " + k2 + " " + dm2);
    JudgeFigures(s.kBoxes, "k");
    JudgeFigures(s.dmBoxes, "DM");
    CalculateGears();
    JudgeStored(r, "measurement OK");
    s.said = Messages();
    s.finished = GearData;
    if (r.z > 0) dims(s.x3, nullptr, false);
    return s;
}

// "< x min" gives the same shift pressed twice and after k and the ball, the least shift the
// calculation takes without error (one step below it is refused).
void JudgeLeastShift(const Gear& r, const TShiftSweep& s, const std::string& xSaid, bool told) {
    const bool nothing = xSaid.find("no profile shift from") != std::string::npos; // no value
    if (r.z <= 0) {
        if (xSaid.find("no undercut limit") == std::string::npos)
            Report.Break("ring gear x min", Describe(r, s.stored) + " : " + xSaid);
        return;
    }
    if (s.x1 != s.x2 && !nothing)
        Report.Break("x min pressed twice differs",
                     Describe(r, s.stored) + " : " + s.x1 + " / " + s.x2);
    if (s.x1 != s.x3 && !nothing)
        Report.Break("x min after k and the ball differs",
                     Describe(r, s.stored) + " : " + s.x1 + " / " + s.x3 + " : " + xSaid);
    if (told) return;
    std::string said;
    const long double x = StrToReal(s.x1), v = std::fabs(x);
    if (RefusedWithProposals(s.stored, x, said))
        Report.Break("x min refused", Describe(r, s.stored) + " : " + said + " : " + xSaid);
    JudgeStored(r, "x min with k and the ball");
    const long double below = x - (v >= 1 || v == 0 ? 0.001L : powl(10, floorl(log10l(v)) - 2));
    if (!RefusedWithProposals(s.stored, below, said))
        Report.Break("x min not least", Describe(r, s.stored) + " : " + FloatToStrSig6(below));
}

// What is said after OK of the whole gear was said in the boxes of the proposals.
void JudgeSaid(const Gear& r, const TShiftSweep& s, const std::string& tool, bool told) {
    const TGearData& finished = s.finished;
    const std::string kSaid = Join(s.kBoxes), dmSaid = Join(s.dmBoxes), xSaid = Join(s.xBoxes);
    for (const std::string& text : s.said) {
        auto named = [&](const std::string& box) {
            return box.find(text.substr(0, 20)) != std::string::npos;
        };
        auto has = [&text](const char* part) { return text.find(part) != std::string::npos; };
        if ((has("ball") || has("Dm ball")) && !has("(1)") && !has(" 1 !") && !named(dmSaid))
            Report.Break("ball message not named",
                         Describe(r, finished) + " : " + text + " : " + dmSaid);
        if ((has("span contact") || has("No. of teeth measured 2") || has("b < b min. (2)")) &&
            !named(kSaid))
            Report.Break("span message not named",
                         Describe(r, finished) + " : " + text + " : " + kSaid);
        if (r.z > 0 && !told &&
            (has("undercut") || text.rfind("Error", 0) == 0 || text.rfind("Fatal", 0) == 0) &&
            !named(kSaid) && !named(dmSaid) && !named(xSaid) && !named(tool))
            Report.Break("error after the proposals", Describe(r, finished) + " : " + text);
    }
}

void SweepGear(const Gear& r, const TGearData& start) {
    if (!CalculateStart(r, start)) return;
    GearBrokeRelation = false;
    const std::string tool = SweepTool(r);
    if (r.premachined) SweepQuality(r);
    const TShiftSweep s = SweepShift(r);
    const std::string xSaid = Join(s.xBoxes);
    const bool told = xSaid.find("no profile shift") != std::string::npos;
    if (told) ++Report.broken["(x min: no shift avoids every error)"];
    if (xSaid.find("With the ones entered") != std::string::npos)
        ++Report.broken["(x min: the span and ball entered refused)"];
    if (s.x1 != FloatToStrDec(3, r.x) && r.z > 0) ++Report.broken["(x min judged)"];
    JudgeLeastShift(r, s, xSaid, told);
    GearData = s.finished;
    JudgeSaid(r, s, tool, told);
    // The same gear with the span and ball chosen by the calculation itself.
    GearData = s.finished;
    GearData.MeasureMode = 1;
    CalculateGears();
    JudgeStored(r, "MeasureMode 1");
    if (GearBrokeRelation) ++Report.broken["(gears breaking a relation)"];
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 200;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char dirTemplate[] = "/tmp/proposalsweep_XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr) return 2;
    const std::string dir = dirTemplate;
    ::setenv("XDG_CONFIG_HOME", (dir + "/xdg").c_str(), 1);
    Application->Initialize(argc, argv);
    InitProgram();
    for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &DataDir})
        *d = AddBackslash(dir);
    InstallModalResponder(&Sweep);
    CalculateGears();
    const TGearData start = GearData;
    std::mt19937 random(seed);
    auto u = [&random](long double lo, long double hi) {
        return lo + (hi - lo) * std::generate_canonical<long double, 64>(random);
    };
    for (int n = 0; n < count; ++n) {
        Gear r{};
        r.alpha = n % 2 ? u(14.5L, 25) : u(25, 36);
        r.beta = n % 3 ? u(0, 40) : 0;
        r.mn = u(0.5L, 10);
        r.z = static_cast<int>(u(7, 200));
        if (n % 4 == 3 || n % 12 == 5) r.z = -std::max(r.z, 20); // a third ring gears
        r.x = r.z < 0 ? u(-0.5L, 0.5L) : u(-0.5L, 0.8L);
        r.tsn = 1 + static_cast<int>(u(0, 10));
        r.asn = 1 + static_cast<int>(u(0, 11));
        r.unit = n % 3 == 1;
        r.prot = n % 3 == 0;
        r.chamfer = n % 5 < 2;
        r.premachined = n % 4 == 1;
        SweepGear(r, start);
        if ((n + 1) % 50 == 0) std::fprintf(stderr, "%d gears\n", n + 1);
    }
    UnitSystem = 0;
    InstallModalResponder(nullptr);
    DoneProgram();
    std::filesystem::remove_all(dir);
    int broken = 0;
    for (const auto& [rule, n] : Report.broken) {
        std::printf("%-45s %d\n", rule.c_str(), n);
        if (rule[0] != '(') broken += n;
        for (const std::string& e : Report.examples[rule])
            std::printf("    %s\n", e.c_str());
    }
    return broken == 0 ? 0 : 1;
}
