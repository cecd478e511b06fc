// Common dialogs: filters as the program writes them, default extensions, page ranges, and
// answers through the responder.

#include "gui_testutil.h"

#include "platform/gui/gui.h"
#include "platform/gui/printer.h"

#include <gtest/gtest.h>

namespace {

class GuiDialogs : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
};

TEST_F(GuiDialogs, FilterPairsBecomeQtNameFilters) {
    const auto pairs = TOpenDialog::ParseFilter("HTML files|*.HTM;*.HTML|All files|*.*");
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[0].first, "HTML files");
    EXPECT_EQ(pairs[0].second, (std::vector<std::string>{"*.HTM", "*.HTML"}));
    // Masks are offered in both letter cases: names on disk here are case-sensitive.
    EXPECT_EQ(TOpenDialog::QtFilter("HTML files|*.HTM;*.HTML|All files|*.*"),
              "HTML files (*.HTM *.htm *.HTML *.html);;All files (*)");
    EXPECT_EQ(TOpenDialog::QtFilter("KVILPEN for Windows|wkvilpen.exe"),
              "KVILPEN for Windows (wkvilpen.exe WKVILPEN.EXE)");
    EXPECT_EQ(TOpenDialog::QtFilter("*.q1w|*.q1w"), "*.q1w (*.q1w *.Q1W)");
    EXPECT_EQ(TOpenDialog::QtFilter(""), "");
    EXPECT_EQ(TOpenDialog::QtFilter("Odd (x)|*.a"), "Odd [x] (*.a *.A)");
}

TEST_F(GuiDialogs, DefaultExtensionIsAddedOnlyWithoutOne) {
    TSaveDialog d(nullptr);
    d.DefaultExt = "txt";
    EXPECT_EQ(d.WithDefaultExt("/tmp/list"), "/tmp/list.txt");
    EXPECT_EQ(d.WithDefaultExt("/tmp/list.csv"), "/tmp/list.csv");
    EXPECT_EQ(d.WithDefaultExt("/tmp/dir.d/list"), "/tmp/dir.d/list.txt");
    EXPECT_EQ(d.WithDefaultExt(""), "");
    EXPECT_TRUE(d.Options & ofOverwritePrompt);
}

TEST_F(GuiDialogs, ResponderChoosesFilesFontsColoursAndPages) {
    ScriptedResponder r;
    r.OnDialog([](TCommonDialog& d) {
         EXPECT_EQ(d.Kind(), dkOpen);
         static_cast<TOpenDialog&>(d).Choose("/data/gear");
         return true;
     })
        .OnDialog([](TCommonDialog& d) {
            auto& p = static_cast<TPrintDialog&>(d);
            EXPECT_EQ(p.MaxPage, 7);
            p.PrintRange = prPageNums;
            p.FromPage = 2;
            p.ToPage = 9;
            p.Copies = 2;
            return true;
        })
        .OnDialog([](TCommonDialog& d) {
            static_cast<TFontDialog&>(d).Font.Name = "Courier New";
            return true;
        })
        .OnDialog([](TCommonDialog& d) {
            static_cast<TColorDialog&>(d).Color = clNavy;
            return true;
        })
        .OnDialog([](TCommonDialog& d) {
            static_cast<TDirectoryDialog&>(d).Directory = "/data/out";
            return true;
        })
        .OnDialog([](TCommonDialog&) { return false; });
    ResponderScope scope(r);

    TOpenDialog open(nullptr);
    open.DefaultExt = "q1w";
    ASSERT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/data/gear.q1w");
    EXPECT_EQ(open.Files, (std::vector<std::string>{"/data/gear.q1w"}));

    TPrintDialog print(nullptr);
    print.MinPage = 1;
    print.MaxPage = 7;
    print.Options = poPageNums;
    ASSERT_TRUE(print.Execute());
    EXPECT_EQ(print.FirstPage(), 2);
    EXPECT_EQ(print.LastPage(), 7); // never beyond the pages there are
    EXPECT_EQ(print.Copies, 2);
    EXPECT_EQ(Printer()->Copies(), 2); // the accepted answer is the printer's setting now
    Printer()->SetCopies(1);

    TFontDialog font(nullptr);
    font.Options = fdScalableOnly | fdFixedPitchOnly;
    ASSERT_TRUE(font.Execute());
    EXPECT_EQ(font.Font.Name, "Courier New");

    TColorDialog colour(nullptr);
    ASSERT_TRUE(colour.Execute());
    EXPECT_EQ(colour.Color, clNavy);

    TDirectoryDialog dir(nullptr);
    dir.Directory = "/data";
    ASSERT_TRUE(dir.Execute());
    EXPECT_EQ(dir.Directory, "/data/out");

    TSaveDialog save(nullptr);
    save.FileName = "unchanged";
    EXPECT_FALSE(save.Execute());
    EXPECT_EQ(save.FileName, "unchanged");
    EXPECT_EQ(r.Unexpected(), 0);
}

TEST_F(GuiDialogs, AllPagesRangeCoversTheDocument) {
    TPrintDialog p(nullptr);
    p.MinPage = 1;
    p.MaxPage = 4;
    EXPECT_EQ(p.FirstPage(), 1);
    EXPECT_EQ(p.LastPage(), 4);
}

} // namespace
