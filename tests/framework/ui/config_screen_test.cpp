// The first start of the configuration with the GUI layer's screen (headless here).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/core/config_file.h"
#include "framework/core/globals.h"
#include "framework/core/rewrite_retry.h"
#include "framework/core/settings.h"
#include "framework/ui/uihooks.h"

namespace fs = std::filesystem;

TEST(ConfigFilesGui, FirstStartWithTheGuiScreen) {
    const fs::path root = fs::path(::testing::TempDir()) / "qorcfg_gui_first_start";
    fs::remove_all(root);
    fs::create_directories(root / "start");
    const std::string savedXdg =
        std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    setenv("XDG_CONFIG_HOME", (root / "xdg").c_str(), 1);
    SystemConfigDir = (root / "etc" / "qor1w").string();
    InitAllSettings();
    SetProductIdentity();
    ConfigDir = (root / "start").string();
    StartDir = ConfigDir;
    const auto savedShowError = ConfigShowErrorHook;
    ConfigShowErrorHook = [](const std::string&) {};
    RetryQuestionHook = nullptr;
    ScreenMetricsHook = &GuiScreenMetrics; // the GUI layer's screen (headless here)
    ReadConfiguration();
    EXPECT_EQ(AbortFlag, 1);
    EXPECT_GT(ScreenWidth, 0);
    EXPECT_GT(ScreenHeight, 0);
    EXPECT_EQ(FormSizePercent, 101); // no main window yet, 96 pixels per inch
    ScreenMetricsHook = &DefaultScreenMetrics;
    ConfigShowErrorHook = savedShowError;
    RetryQuestionHook = &AskRetryOrCancel;
    setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    fs::remove_all(root);
}
