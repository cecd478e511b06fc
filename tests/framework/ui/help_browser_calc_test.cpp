// The message browser after a real calculation with warnings: every message of the list is
// offered and its origin and remedy come from the shipped message help file (read here on its
// own for the comparison).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "calc/geardata.h"
#include "framework/ui/dialogs.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/ui/help.h"
#include "framework/ui/message_help.h"
#include "platform/gui/responder.h"
#include "platform/os/codepage.h"

namespace {

// Origin (k = 1) or remedy (k = 2) of the first entry whose message shares the first 14
// characters.
std::string Shipped(const std::string& message, int k) {
    std::ifstream f(std::string(QOR_SOURCE_DIR) + "/data/qor1w.err", std::ios::binary);
    std::vector<std::string> lines;
    std::string l;
    while (std::getline(f, l)) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(os::Cp437ToUtf8(l));
    }
    for (std::size_t i = 0; i + 2 < lines.size(); i += 3)
        if (lines[i].substr(0, 14) == message.substr(0, 14)) return lines[i + k];
    return "(no entry)";
}

TEST(HelpBrowserAfterCalculation, ListsTheWarningsWithOriginAndRemedy) {
    const std::string savedDir = PltDir, savedName = ProgramName;
    const std::uint16_t savedLevel = HelpLevel;
    const ShowHelpFunc savedHandler = ShowHelpHandler;
    PltDir = std::string(QOR_SOURCE_DIR) + "/data";
    ProgramName = "qor1w";
    HelpLevel = 2; // walk through every message
    ShowHelpHandler = nullptr;
    InitGearDataUnit();
    GearData.x[2] = 1.6L;
    CalculateGears();
    ASSERT_EQ(CalcErrorFlag, 0);
    const int n = ErrorCount;
    ASSERT_GE(n, 1);
    std::vector<std::string> messages;
    for (int i = 1; i <= n; ++i)
        messages.push_back(ErrorList[i]);
    EXPECT_EQ(messages.front(), "Warning: x > 1.5 !");

    ScriptedResponder r;
    std::vector<std::string> offered;
    for (int i = 0; i < n; ++i) {
        r.OnForm([&, i](TForm& f) {
            if (i == 0) {
                for (int k = 1; k <= n + 1; ++k)
                    offered.push_back(TextLines[k].str());
            }
            Respond::Press(f, "Button_ok"); // the preselected message
        });
        r.OnForm([&, i](TForm& f) {
            auto* h = dynamic_cast<Thelperr*>(&f);
            ASSERT_NE(h, nullptr) << Respond::Question(f);
            const std::string& m = messages[static_cast<std::size_t>(i)];
            EXPECT_EQ(h->Edit_meldung->Text(), m);
            EXPECT_EQ(h->Memo_ursache->Text(), Shipped(m, 1) + "\n") << m;
            EXPECT_EQ(h->Memo_abhilfe->Text(), Shipped(m, 2) + "\n") << m;
            EXPECT_NE(Shipped(m, 1), "(no entry)") << m;
            Respond::Press(f, "Button_ok");
        });
    }
    {
        ResponderScope scope(r);
        ShowCalcMessages();
    }
    EXPECT_EQ(r.Pending(), 0);
    EXPECT_EQ(r.Unexpected(), 0);
    ASSERT_EQ(offered.size(), static_cast<std::size_t>(n + 1));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(offered[static_cast<std::size_t>(i)], messages[static_cast<std::size_t>(i)]);
    EXPECT_EQ(offered.back(), "Continue...");

    PltDir = savedDir;
    ProgramName = savedName;
    HelpLevel = savedLevel;
    ShowHelpHandler = savedHandler;
    InitGearDataUnit();
    ClearErrors();
    AbortFlag = 0;
}

} // namespace
