// The gear-data input dialogs driven as a person would: presets and proposals, what OK stores,
// what Cancel keeps, the input sequence of File > New, bad entries in every number field, and
// the layout of every dialog in English and with Korean texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>
#include <utility>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "calc/tables.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "shell/calc_options_dialog.h"
#include "shell/dimensions_dialog.h"
#include "shell/drawing_text_dialog.h"
#include "shell/input_fields.h"
#include "shell/job/jobfile.h"
#include "shell/main_window.h"
#include "shell/measurement_dialog.h"
#include "shell/profile_dialog.h"
#include "shell/quality_dialog.h"
#include "shell/startup.h"
#include "shell/tool_record.h"
#include "tests/shell/input_dialog_fixture.h"
#include "tests/shell/layout_check.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// ---- tool profile ----------------------------------------------------------------------------

TEST_F(InputDialogTest, PresetsLockTheProfileAndSelfDefinedUnlocksIt) {
    const char* locked[] = {"CheckBox_prot1", "CheckBox_koka1", "Edit_hfp1",  "Edit_hap1",
                            "Edit_rhoap1",    "Edit_rhofp1",    "Edit_prp1",  "Edit_alprp1",
                            "Button_hfp1",    "Button_rhoap1",  "Button_db1", "Button_append1"};
    struct Case {
        int Index;
        const char *Hap, *Rhoap, *Prp, *Alprp;
        int StoredType;
        long double Hap2, Rhoap2, Prp2, Alprp2;
    };
    // Self-defined: the entries typed below, no chamfer (angle alpha, depth haP0/mn).
    const Case cases[] = {
        {0, "1.25", "0.25", "0", "0", 1, 1.25L, 0.25L, 0, 0},
        {1, "1.25", "0.375", "0", "0", 2, 1.25L, 0.375L, 0, 0},
        {2, "1.4", "0.4", "0.02", "6", 3, 1.4L, 0.4L, 0.02L, 6},
        {3, nullptr, nullptr, nullptr, nullptr, 4, 1.3L, 0.31L, 0.05L, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Index);
        GearData.BasicRackType[2] = 0; // a tool from the table opens as self-defined
        GearData.alkP0[2] = 40;        // a chamfer
        Run<TForm_qor1prof>({[&](TForm_qor1prof& f) {
            EXPECT_EQ(f.ComboBox1->ItemIndex(), 3);
            EXPECT_TRUE(f.CheckBox_koka1->Checked());
            ASSERT_TRUE(Respond::Pick(f, "ComboBox1", c.Index));
            for (const char* name : locked)
                EXPECT_EQ(FindControl<TControl>(f, name)->Enabled(), c.Index == 3) << name;
            if (c.Hap != nullptr) {
                EXPECT_EQ(f.Edit_hap1->Text(), c.Hap);
                EXPECT_EQ(f.Edit_rhoap1->Text(), c.Rhoap);
                EXPECT_EQ(f.Edit_prp1->Text(), c.Prp);
                EXPECT_EQ(f.Edit_alprp1->Text(), c.Alprp);
                EXPECT_EQ(f.Edit_rhofp1->Text(), "0");
                EXPECT_FALSE(f.CheckBox_koka1->Checked());
                EXPECT_FALSE(f.Edit_alkp1->Visible());
            } else {
                Respond::Type(f, "Edit_hap1", "1.3");
                Respond::Type(f, "Edit_rhoap1", "0,31");
                Respond::Check(f, "CheckBox_prot1", true);
                Respond::Type(f, "Edit_prp1", "0.05");
                Respond::Type(f, "Edit_alprp1", "7");
                Respond::Check(f, "CheckBox_koka1", false);
            }
            Calculations = 0; // (a click of a box proposes again what follows it)
            Respond::Press(f, "Button_ok");
        }});
        const TGearData& g = GearData;
        EXPECT_EQ(Calculations, 1);
        EXPECT_EQ(g.BasicRackType[2], c.StoredType);
        EXPECT_EQ(g.haP0mn[2], c.Hap2);
        EXPECT_EQ(g.rhoaP0mn[2], c.Rhoap2);
        EXPECT_EQ(g.prP0mn[2], c.Prp2);
        EXPECT_EQ(g.alprP0[2], c.Alprp2);
        EXPECT_EQ(g.alkP0[2], g.alpha);
        Calculations = 0;
    }
}

TEST_F(InputDialogTest, TheToolPickFillsGearTwoAndABlankAngleLeavesAlpha) {
    static int pickedGear;
    static long double angle;
    static bool cancel;
    ToolPick = [](int gear, int mode) {
        pickedGear = gear;
        AbortFlag = cancel ? 1 : 0;
        if (cancel || mode != 1) return;
        TToolRecord tool;
        tool.Reals = {0, 1.1L, 1.35L, 0.38L, 20, 1.1L, 0, 0, 0.2L, angle, 4};
        tool.Texts[5] = "Hob 7";
        TakeToolRecord(gear, tool);
    };
    GearData.BasicRackType[2] = 4;
    const TGearData before = GearData;
    const std::string job = (Dir / "job.q1w").string();
    WriteGearDataFile(job);
    const std::string saved = qortest::ReadFileBytes(job);
    // The pick enters the gear data by OK alone: Cancel in the tool dialog keeps the job as saved.
    for (const auto& [field9, alpha, cancelled, ok] : {std::tuple{0.0L, 20.0L, false, true},
                                                       {25.0L, 25.0L, false, true},
                                                       {25.0L, 20.0L, true, true},
                                                       {25.0L, 20.0L, false, false}}) {
        GearData = before;
        angle = field9;
        cancel = cancelled;
        pickedGear = 0;
        Run<TForm_qor1prof>({[&](TForm_qor1prof& f) {
            Respond::Type(f, "Edit_hap1", "1.7");
            Respond::Press(f, "Button_db1");
            // A cancelled pick keeps what was typed; a pick shows the tool.
            EXPECT_EQ(f.Edit_hap1->Text(), cancelled ? "1.7" : "1.35");
            EXPECT_EQ(f.Edit_rhoap1->Text(), cancelled ? "0.25" : "0.38");
            EXPECT_EQ(GearData.BasicRackName[2], before.BasicRackName[2]);
            Respond::Press(f, ok ? "Button_ok" : "Button_cancel");
        }});
        EXPECT_EQ(pickedGear, 2);
        EXPECT_EQ(GearData.alpha, alpha);
        EXPECT_EQ(GearData.haP0mn[1], before.haP0mn[1]); // gear 1 untouched
        EXPECT_EQ(GearData.haP0mn[2], !ok ? before.haP0mn[2] : cancelled ? 1.7L : 1.35L);
        if (ok && !cancelled) { EXPECT_EQ(GearData.BasicRackName[2], "Hob 7"); }
        if (!ok) {
            WriteGearDataFile(job);
            EXPECT_EQ(qortest::ReadFileBytes(job), saved);
        }
    }
    ToolPick = SavedPick;
}

// ---- dimensions ------------------------------------------------------------------------------

TEST_F(InputDialogTest, EveryStoreWritesTheFixedCompanion) {
    static TGearData stored;
    CalculateInput = [] {
        stored = GearData;
        ++Calculations;
    };
    GearData.x[2] = 0.5234567L; // more digits than the edit shows
    const TGearData before = GearData;
    Run<TForm_qor1wgeo>({[](TForm_qor1wgeo& f) { Respond::Press(f, "Button_ok"); }});
    ASSERT_EQ(Calculations, 1);
    EXPECT_EQ(stored.z[1], 6);
    EXPECT_EQ(stored.x[1], 0.5L);
    EXPECT_EQ(stored.a, 0.0L);
    EXPECT_EQ(stored.kmn[1], 0.0L);
    EXPECT_EQ(stored.da[1], 0.0L);
    EXPECT_EQ(stored.TipInputMode[1], 2);
    EXPECT_EQ(stored.bGear[1], before.b);
    EXPECT_EQ(stored.bGear[2], before.b);
    // What the user left alone keeps its value exactly.
    EXPECT_EQ(stored.x[2], before.x[2]);
    EXPECT_EQ(stored.mn, before.mn);
    EXPECT_EQ(stored.z[2], before.z[2]);
}

TEST_F(InputDialogTest, BesideTheCompanionOnlyTheDesignedGearIsJudged) {
    // Sound gears entered as a designer enters them; the companion the dialog adds (6 teeth,
    // x 0.5) meshes with none of them. Taken as a real pinion, x 0.45 and undercut, the same pair
    // is unsound (contact in its fillet, the mate's tip past its interference point): those
    // checks stay for a real gear 1. Ring and external, spur and helical.
    const struct {
        const char *z, *x, *beta;
    } gears[] = {{"58", "0.57", "9"}, {"-58", "0.2", "0"}, {"31", "0", "20"}};
    auto errors = [] {
        std::vector<std::string> e;
        for (int n = 1; n <= ErrorCount; ++n)
            if (std::string m = ErrorList[n]; m.rfind("Error", 0) == 0) e.push_back(m);
        return e;
    };
    GearData.MeasureMode = 1; // k and DM follow the gear
    for (const auto& c : gears) {
        SCOPED_TRACE(c.z);
        Run<TForm_qor1wgeo>({[&c](TForm_qor1wgeo& f) {
            Respond::Type(f, "Edit_z2", c.z);
            Respond::Type(f, "Edit_x2", c.x);
            Respond::Type(f, "Edit_beta", c.beta);
            Respond::Press(f, "Button_ok");
        }});
        ASSERT_EQ(Calculations, 1);
        Calculations = 0;
        ASSERT_EQ(CalcErrorFlag, 0);
        EXPECT_EQ(ErrorCount, 0) << std::string(ErrorList[1]);
        CalculateGears(); // calculated again (as after the next dialog): still the companion
        EXPECT_EQ(ErrorCount, 0);
        GearData.x[1] = 0.45L;
        CalculateGears();
        EXPECT_THAT(errors(), ::testing::IsSupersetOf(
                                  {"Error  : tooth collision da2 !", "Error  : dNf < dFf (1) !"}));
    }
}

TEST_F(InputDialogTest, DimensionProposalsShowAndCancelKeepsTheData) {
    const TGearData before = GearData;
    for (const auto& [z, x] : {std::pair{"-58", "-0.5"}, {"58", "0.5"}, {"abc", "0.5"}}) {
        const int calculations = Calculations;
        Run<TForm_qor1wgeo>({[z, x](TForm_qor1wgeo& f) {
                                Respond::Type(f, "Edit_z2", z);
                                Respond::Press(f, "Button_x05");
                                EXPECT_EQ(f.Edit_x2->Text(), x);
                                Respond::Press(f, "Button_cancel");
                            }},
                            std::string(z) == "abc" ? 1 : 0);
        // Teeth that are no number calculate nothing.
        EXPECT_EQ(Calculations == calculations, std::string(z) == "abc");
    }
    Run<TForm_qor1wgeo>(
        {[](TForm_qor1wgeo& f) {
            Respond::Type(f, "Edit_mn", "2");
            EXPECT_EQ(f.Edit_pitch->Text(), "12.7");
            Respond::Type(f, "Edit_pitch", "10"); // leaving the pitch sets the module
            Respond::Focus(f, "Edit_x2");
            EXPECT_EQ(f.Edit_mn->Text(), "2.54");
            Respond::Press(f, "Button_c1");
            EXPECT_EQ(f.Edit_kmn2->Text(), "0");
            // The example's ball leaves the usable flank at every shift this module allows: said.
            Respond::Press(f, "Button_x1min");
            Respond::Press(f, "Button_metric"); // imperial: no module spin, lengths in inch
            EXPECT_FALSE(f.SpinButton_mn->Visible());
            EXPECT_EQ(f.Label_mnu->Caption(), "in.");
            EXPECT_EQ(f.Label_b0u->Caption(), "in.");
            EXPECT_EQ(f.Edit_mn->Text(), "0.10000");
            Respond::Press(f, "Button_cancel");
        }},
        1);
    EXPECT_THAT(Seen.back(), HasSubstr("ball contact > dFa"));
    EXPECT_EQ(UnitSystem, 1);
    EXPECT_TRUE(GearData == before) << "a proposal changed the data";
    // Focus passing through the pitch leaves the module as it is, not as the pitch rounds it.
    UnitSystem = 0;
    GearData.mn = 6.35L;
    Run<TForm_qor1wgeo>({[](TForm_qor1wgeo& f) {
        Respond::Focus(f, "Edit_pitch");
        Respond::Press(f, "Button_ok");
    }});
    EXPECT_EQ(GearData.mn, 6.35L);
}

// ---- quality ---------------------------------------------------------------------------------

TEST_F(InputDialogTest, ToleranceSeriesFillTheDin3967Allowances) {
    // Pitch diameter, then Asne and Asni of series 25 / e from the DIN 3967 tables.
    const struct {
        long double d;
        const char *asne, *asni;
    } cases[] = {{381.7L, "-0.075", "-0.135"},
                 {-381.7L, "-0.075", "-0.135"},
                 {60, "-0.04", "-0.08"},
                 {10, "-0.022", "-0.042"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.d));
        GearData.d[2] = c.d;
        GearData.TsnSeries[2] = 11; // entered allowances
        Run<TForm_qual>({[&c](TForm_qual& f) {
            EXPECT_TRUE(f.Edit_asne2->Enabled());
            EXPECT_FALSE(f.ComboBox_asn2->Visible());
            Respond::PickText(f, "ComboBox_tol2", "25");
            Respond::PickText(f, "ComboBox_asn2", "e");
            EXPECT_EQ(f.Edit_asne2->Text(), c.asne);
            EXPECT_EQ(f.Edit_asni2->Text(), c.asni);
            EXPECT_FALSE(f.Edit_asne2->Enabled());
            EXPECT_FALSE(f.Button_asn2->Enabled());
            Respond::Press(f, "Button_ok");
        }});
        EXPECT_EQ(GearData.TsnSeries[2], 5);
        EXPECT_EQ(GearData.AsnSeries[2], 8);
    }
}

TEST_F(InputDialogTest, AsnToXeAndBackStoresTheSameAsn) {
    GearData.TsnSeries[2] = 11;
    GearData.Asne[2] = -0.0512345L;
    GearData.Asni[2] = -0.1234567L;
    GearData.QualityStandard = 1; // ISO 1328: grades 1..11
    GearData.Q[2] = 12;
    const long double f = 2 * tanl(GearData.alphaRad) * GearData.mn;
    Run<TForm_qual>({[f](TForm_qual& d) {
        EXPECT_EQ(d.ComboBox_qual2->Items().Count(), 11);
        EXPECT_EQ(d.ComboBox_qual2->Text(), "11"); // grade 12 clamped into the list
        ASSERT_TRUE(Respond::Press(d, "Button_asn2"));
        EXPECT_TRUE(d.XeMode(2));
        EXPECT_EQ(d.Edit_asne2->Text(), FloatToStrSig6(-0.0512345L / f + GearData.x[2]));
        EXPECT_THAT(Respond::Question(d), HasSubstr("xemax"));
        Respond::Press(d, "Button_ok");
    }});
    EXPECT_EQ(GearData.Asne[2], -0.0512345L);
    EXPECT_EQ(GearData.Asni[2], -0.1234567L);
    EXPECT_EQ(GearData.Q[2], 11);
    // A typed xe is converted back; an xe of x is an allowance of 0.
    Run<TForm_qual>({[](TForm_qual& d) {
        Respond::Press(d, "Button_asn2");
        Respond::Type(d, "Edit_asne2", FloatToStrSig6(GearData.x[2]));
        Respond::Press(d, "Button_ok");
    }});
    EXPECT_NEAR(static_cast<double>(GearData.Asne[2]), 0.0, 1e-9);
    // Before any calculation the module is 0: there is nothing to convert with.
    GearData.mn = 0;
    GearData.Asne[2] = -0.0512345L;
    const TGearData before = GearData;
    Run<TForm_qual>({[](TForm_qual& d) {
        EXPECT_FALSE(Respond::Press(d, "Button_asn2"));
        EXPECT_TRUE(d.ToggleXe(2));
        EXPECT_FALSE(d.XeMode(2));
        EXPECT_EQ(d.Edit_asne2->Text(), "-0.0512");
        Respond::Press(d, "Button_cancel");
    }});
    EXPECT_TRUE(GearData == before);
    EXPECT_EQ(Calculations, 2);
}

// ---- measurement and calculation options -----------------------------------------------------

TEST_F(InputDialogTest, TeethSpannedAreRoundedAndOkMeansEnteredValues) {
    for (const auto& [typed, k] : {std::pair{"2.6", 3}, {"2,4", 2}, {"-2.5", -3}, {"-0", 0}}) {
        GearData.MeasureMode = 1;
        Run<TForm_messen>({[typed](TForm_messen& f) {
            Respond::Type(f, "Edit_k2", typed);
            Respond::Press(f, "Button_ok");
        }});
        EXPECT_EQ(GearData.k[2], k) << typed;
        EXPECT_EQ(GearData.MeasureMode, 0);
    }
    // A ring gear is spanned over k spaces: the dialog says so.
    for (const auto& [z, what] : {std::pair{58, "teeth"}, {-58, "spaces"}}) {
        GearData.z[2] = z;
        Run<TForm_messen>({[what](TForm_messen& f) {
            EXPECT_EQ(f.Label_k->Caption(), "No. of " + std::string(what) + " measured k");
            EXPECT_THAT(f.Caption(), HasSubstr(std::string(what) + " measured, Ball"));
            qortest::ExpectNothingClipped(f, f.Name());
            Respond::Press(f, "Button_cancel");
        }});
    }
    GearData.z[2] = 58;
    AbortFlag = 0; // as Cancel left it
    // The proposals fill the edits; only OK stores them.
    const TGearData& g = GearData;
    const std::int32_t k = kmess(g.z[2], g.betaRad, g.alphaRad, g.xEmin[2], g.mn);
    const long double dm = DmMess(g.z[2], g.betaRad, g.alphaRad, g.xEmin[2], g.mn);
    const TGearData before = GearData;
    Run<TForm_messen>({[&](TForm_messen& f) {
        Respond::Press(f, "Button_k");
        Respond::Press(f, "Button_dm");
        EXPECT_EQ(f.Edit_k2->Text(), IntToString(k));
        EXPECT_EQ(f.Edit_dm2->Text(), LengthToStr(dm));
        Respond::Press(f, "Button_cancel");
    }});
    EXPECT_TRUE(GearData == before);
}

TEST_F(InputDialogTest, CalculationOptionsResetIsWrittenByOkOnly) {
    for (const bool ok : {false, true}) {
        GearData.MeasureMode = 1;
        GearData.QualityStandard = 1;
        GearData.TipInputMode[1] = GearData.TipInputMode[2] = 3;
        GearData.GeoFormMode = 0;
        Run<TForm_qorwcon2>({[ok](TForm_qorwcon2& f) {
            EXPECT_EQ(f.Caption(), ProductTitle + " Calculation Method");
            EXPECT_EQ(f.RadioGroup_mess->ItemIndex(), 1);
            Respond::Press(f, "Button_reset");
            EXPECT_EQ(f.RadioGroup_mess->ItemIndex(), 0);
            Respond::Press(f, ok ? "Button_ok" : "Button_cancel");
        }});
        EXPECT_EQ(GearData.MeasureMode, ok ? 0 : 1);
        EXPECT_EQ(GearData.TipInputMode[2], ok ? 2 : 3);
        EXPECT_EQ(GearData.GeoFormMode, ok ? 1 : 0);
        EXPECT_EQ(GearData.QualityStandard, 1);
    }
}

TEST_F(InputDialogTest, DrawingTextsKeepWhatWasNotTypedAndTheirCapacity) {
    CharMode = 1; // shown transliterated: "Größe" reads "Groesse"
    GearData.DrawingName[1] = "Welle Größe 2";
    GearData.DrawingName[2] = "Rad Größe 1";
    TitleTexts[2] = "Getriebe für Förderband";
    const TGearData before = GearData;
    Run<TForm_vqeingabetext>({[](TForm_vqeingabetext& f) {
        EXPECT_EQ(f.Edit_zeichname2->Text(), "Rad Groesse 1");
        EXPECT_FALSE(f.GroupBox_welle->Visible());
        Respond::Type(f, "Edit_info1", "Gear box");
        Respond::Type(f, "Edit_zeichnr2", "D-0123456789-0123456789");
        Respond::Press(f, "Button_ok");
    }});
    CharMode = 0;
    EXPECT_EQ(GearData.DrawingName[1], before.DrawingName[1]);
    EXPECT_EQ(GearData.DrawingName[2], before.DrawingName[2]);
    EXPECT_EQ(TitleTexts[2], "Getriebe für Förderband");
    EXPECT_EQ(TitleTexts[1], "Gear box");
    EXPECT_EQ(GearData.DrawingNumber[2], "D-0123456789-01234"); // 18 characters
}

// ---- the input sequence ----------------------------------------------------------------------

TEST_F(InputDialogTest, FileNewRunsTheFiveDialogsAndStopsAtTheFirstCancel) {
    fs::copy_file(QOR_SOURCE_DIR "/data/null.q1w", Dir / "null.q1w");
    ScriptedResponder quiet;
    Thh* window = nullptr;
    {
        ResponderScope scope(quiet);
        window = NewForm<Thh>(nullptr);
    }
    DataDir = AddBackslash(Dir.string());
    const std::vector<std::string> forms = {"Form_vqeingabetext", "Form_qor1prof", "Form_qor1wgeo",
                                            "Form_qual", "Form_messen"};
    // The dialog cancelled (0..4), or 5 for none.
    for (int cancelAt = 0; cancelAt <= 5; ++cancelAt) {
        SCOPED_TRACE(cancelAt);
        DataModified = 0;
        DataFileName = "old";
        TitleTexts[1] = "old title";
        Calculations = 0;
        int calculationsBefore = -1;
        ScriptedResponder r;
        for (int k = 0; k < 5 && k <= cancelAt; ++k)
            r.OnForm([&, k](TForm& f) {
                EXPECT_EQ(f.Name(), forms[k]);
                if (k == 0) {
                    EXPECT_EQ(FindControl<TEdit>(f, "Edit_info1")->Text(), ""); // title cleared
                }
                calculationsBefore = Calculations;
                Respond::Press(f, k == cancelAt ? "Button_cancel" : "Button_ok");
            });
        {
            ResponderScope scope(r);
            window->mi_fileNew->Click();
        }
        EXPECT_EQ(r.Pending(), 0);
        EXPECT_EQ(r.Unexpected(), 0) << ::testing::PrintToString(r.Seen());
        // Cancel in the first dialog: the job before, as it was, named and calculated again.
        EXPECT_EQ(DataFileName + TitleTexts[1].str(), cancelAt == 0 ? "oldold title" : "");
        if (cancelAt == 0) {
            EXPECT_EQ(Calculations, 0);
            EXPECT_EQ(AbortFlag, 1);
            EXPECT_EQ(DataModified, 0);
        } else {
            // One calculation after the last dialog, whether it was cancelled or not; before it
            // one for each of the tool, dimensions and quality dialogs confirmed.
            EXPECT_EQ(Calculations - calculationsBefore, 1);
            EXPECT_EQ(Calculations, std::min(cancelAt - 1, 3) + 1);
            EXPECT_EQ(AbortFlag, 0);
            EXPECT_EQ(DataModified, 1);
        }
    }
    window->Free();
}

// ---- bad entries -----------------------------------------------------------------------------

namespace {

// Every number edit of the form that a person can type into.
std::vector<TValueEdit*> NumberFields(const TComponent& root) {
    std::vector<TValueEdit*> out;
    for (int i = 0; i < root.ComponentCount(); ++i) {
        TComponent* c = root.Components(i);
        if (auto* e = dynamic_cast<TValueEdit*>(c); e != nullptr && e->Showing() && e->Enabled())
            out.push_back(e);
        for (TValueEdit* inner : NumberFields(*c))
            out.push_back(inner);
    }
    return out;
}

// The value a typed text must give (mm in metric units), or no value: the text is refused.
std::optional<long double> Expected(const TValueEdit& e, const std::string& text) {
    long double v = 0;
    if (text == "-0")
        v = 0;
    else if (text == "1,5" && e.Kind() != TValueKind::Integer)
        v = e.Kind() == TValueKind::Rounded ? 2 : 1.5L;
    else
        return std::nullopt;
    const TInputRange r = e.Range();
    if (v < r.Lo || v > r.Hi || (r.LoOpen && v == r.Lo) || (r.HiOpen && v == r.Hi) ||
        (v == 0 && !r.ZeroAllowed))
        return std::nullopt;
    return v;
}

} // namespace

TEST_F(InputDialogTest, BadEntriesInEveryNumberFieldAreRefusedWithAMessage) {
    // Each form prepared so that all its number fields can be typed into.
    using Prepare = std::function<void(TForm&)>;
    auto none = [](TForm&) {};
    const auto dialogs = std::vector<std::pair<std::function<TForm*()>, Prepare>>{
        {[] { return NewForm<TForm_qor1prof>(nullptr); },
         [](TForm& f) {
             Respond::Pick(f, "ComboBox1", 3);
             Respond::Check(f, "CheckBox_prot1", true);
             Respond::Check(f, "CheckBox_koka1", true);
         }},
        {[] { return NewForm<TForm_qor1wgeo>(nullptr); }, none},
        {[] { return NewForm<TForm_qor1wgeo>(nullptr); },
         [](TForm& f) { Respond::Pick(f, "RadioGroup2", 1); }},
        {[] { return NewForm<TForm_qual>(nullptr); },
         [](TForm& f) { Respond::Pick(f, "ComboBox_tol2", 10); }},
        {[] { return NewForm<TForm_messen>(nullptr); }, none},
    };
    int fields = 0;
    for (const auto& [create, prepare] : dialogs) {
        for (const std::string text : {"abc", "1e999", "-0", "1,5"}) {
            for (std::size_t n = 0;; ++n) {
                bool more = false;
                std::string name;
                std::optional<long double> expected;
                int okPressed = 0;
                ScriptedResponder r;
                r.OnForm([&](TForm& f) {
                    prepare(f);
                    const std::vector<TValueEdit*> all = NumberFields(f);
                    more = n < all.size();
                    if (!more) return Respond::Press(f, "Button_cancel"), void();
                    TValueEdit* e = all[n];
                    name = e->Name();
                    expected = Expected(*e, text);
                    Respond::Type(f, name, text);
                    Respond::Press(f, "Button_ok");
                    ++okPressed;
                    if (!expected) return;
                    // The value went in as typed (mm in metric units).
                    long double v = -1;
                    EXPECT_TRUE(e->TryValue(v)) << name << " " << text;
                    // (the pitch reads back through the module it set)
                    EXPECT_NEAR(static_cast<double>(v), static_cast<double>(*expected), 1e-15)
                        << name << " " << text;
                });
                // Refused: the form stays open and is left with Cancel.
                r.OnForm([](TForm& f) { Respond::Press(f, "Button_cancel"); });
                {
                    ResponderScope scope(r);
                    FormPtr<TForm> form(create());
                    form->ShowModal();
                }
                if (!more) break;
                ++fields;
                SCOPED_TRACE(name + " \"" + text + "\"");
                const std::vector<std::string>& seen = r.Seen();
                if (expected) {
                    EXPECT_EQ(r.Pending(), 1) << "refused: " << ::testing::PrintToString(seen);
                } else {
                    ASSERT_EQ(r.Unexpected(), 1) << ::testing::PrintToString(seen);
                    EXPECT_THAT(seen.at(1), ::testing::AnyOf(HasSubstr("Invalid Input \"" + text),
                                                             HasSubstr("Valid Data are: ")));
                }
                EXPECT_EQ(okPressed, 1);
                EXPECT_EQ(FirstNonFiniteValue(), "");
                InitGearDataUnit();
                CalculateGears();
            }
        }
    }
    EXPECT_EQ(fields, 4 * 30);
}

// ---- layout ----------------------------------------------------------------------------------

TEST_F(InputDialogTest, EveryDialogFitsItsTextsInEnglishAndKorean) {
    const char* shots = std::getenv("QOR_SHOTS");
    for (const int language : {2, 8}) {
        // Korean: the texts a user types are Korean; the dialogs' own texts are English.
        const bool korean = language == 8;
        TitleTexts[1] = korean ? "\uAE30\uC5B4 \uC124\uACC4 \uD504\uB85C\uC81D\uD2B8" : "Gear box";
        GearData.DrawingName[2] = korean ? "\uD5EC\uB9AC\uCEEC \uAE30\uC5B4" : "Helical gear";
        GearData.DrawingNumber[2] = korean ? "\uB3C4\uBA74-0042" : "D-0042";
        Language = language;
        auto look = [&](TForm& f) {
            qortest::ExpectNothingClipped(f, f.Name());
            if (shots != nullptr)
                f.Widget()->grab().save(QString::fromStdString(std::string(shots) + "/" + f.Name() +
                                                               (korean ? "_ko" : "_en") + ".png"));
            Respond::Press(f, "Button_cancel");
        };
        Run<TForm_qor1prof>({[&](auto& f) {
            Respond::Pick(f, "ComboBox1", 3); // every row shown
            Respond::Check(f, "CheckBox_prot1", true);
            Respond::Check(f, "CheckBox_koka1", true);
            look(f);
        }});
        Run<TForm_qor1wgeo>({[&](auto& f) { look(f); }});
        Run<TForm_qual>({[&](auto& f) {
            Respond::Pick(f, "ComboBox_tol2", 10); // free entry: the xe button shows
            look(f);
        }});
        Run<TForm_messen>({[&](auto& f) { look(f); }});
        Run<TForm_qorwcon2>({[&](auto& f) { look(f); }});
        Run<TForm_vqeingabetext>({[&](auto& f) { look(f); }});
    }
}
