#pragma once
// The fixture of the input-dialog tests: a fresh program state with the start-up example pair
// calculated, each calculation the dialogs run counted, and a dialog shown modally and worked
// by scripted steps (every message box not scripted counts as unexpected).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "calc/calcentry.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/ui/dialogs.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "shell/input_fields.h"
#include "shell/startup.h"
#include "shell/tool_record.h"
#include "tests/testutil.h"

inline int Calculations = 0;
inline void CountedCalculation() {
    ++Calculations;
    CalculateGears();
}

class InputDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_input_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        for (std::string* d : {&ConfigDir, &TempDir, &DefaultDataDir, &DataDir})
            *d = AddBackslash(Dir.string());
        PltDir = QOR_SOURCE_DIR "/data";
        CalculateGears(); // the start-up example pair, calculated
        AbortFlag = 0;
        Calculations = 0;
        CalculateInput = &CountedCalculation;
    }

    void TearDown() override {
        CalculateInput = &CalculateGears;
        ToolPick = SavedPick;
        UnitSystem = 0;
        DoneProgram();
        std::filesystem::remove_all(Dir);
    }

    // Shows form F modally, worked by the steps; the form's own pointer in each step. Messages
    // -1: any number of message boxes (the test reads Seen).
    template <class F> void Run(std::vector<std::function<void(F&)>> steps, int messages = 0) {
        ScriptedResponder r;
        for (auto& step : steps)
            r.OnForm([step](TForm& f) { step(dynamic_cast<F&>(f)); });
        Responder = &r;
        ResponderScope scope(r);
        FormPtr<F> form(NewForm<F>(nullptr));
        form->ShowModal();
        Seen = r.Seen();
        for (const std::string& text : Seen)
            AllSeen += "|" + text;
        EXPECT_TRUE(messages < 0 || r.Unexpected() == messages)
            << r.Unexpected() << " unexpected: " << ::testing::PrintToString(Seen);
        Responder = nullptr;
    }

    std::filesystem::path Dir;
    ScriptedResponder* Responder = nullptr;
    std::vector<std::string> Seen;
    std::string AllSeen; // every text seen since it was cleared
    ToolPickFunc SavedPick = ToolPick;
};
