// The formatting table in a process started with LC_ALL=de_DE.UTF-8 that creates the GUI
// application object first, as the program does (registered in CMakeLists.txt).

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "platform/gui/application.h"
#include "tests/framework/format_table.h"

// The second process (registered in CMakeLists.txt) sets QOR_FORMAT_LOCALE_RUN and runs with
// LC_ALL=de_DE.UTF-8: the GUI application takes the locale from the environment as in the
// program; then the table must give the same texts.
TEST(FormatTable, InsideTheGuiApplicationUnderEnvironmentLocale) {
    if (std::getenv("QOR_FORMAT_LOCALE_RUN") == nullptr)
        GTEST_SKIP() << "runs in the second process with LC_ALL=de_DE.UTF-8";
    Application->Initialize();
    ASSERT_TRUE(Application->HasWidgets());
    ASSERT_STREQ(std::localeconv()->decimal_point, ",")
        << "the application did not take LC_ALL=de_DE.UTF-8";
    EXPECT_EQ(RunTable(), "");
}
