// TStrings: checked indexes, text with any line end, files written with CR LF, change
// notification grouping.

#include "platform/gui/stringlist.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(GuiStrings, TextSplitsAtEveryLineEnd) {
    TStrings s;
    s.SetText("a\r\nb\nc\rd");
    EXPECT_EQ(s.Items(), (std::vector<std::string>{"a", "b", "c", "d"}));
    s.SetText("one\r\n\r\n");
    EXPECT_EQ(s.Items(), (std::vector<std::string>{"one", ""}));
    EXPECT_EQ(s.Text(), "one\n\n");
    s.SetText("");
    EXPECT_EQ(s.Count(), 0);
}

TEST(GuiStrings, IndexesAreChecked) {
    TStrings s{"x", "y"};
    EXPECT_THROW(s.Strings(2), std::out_of_range);
    EXPECT_THROW(s.Strings(-1), std::out_of_range);
    EXPECT_THROW(s.Delete(5), std::out_of_range);
    EXPECT_THROW(s.Insert(3, "z"), std::out_of_range);
    s.Insert(2, "z");
    EXPECT_EQ(s.IndexOf("z"), 2);
    EXPECT_EQ(s.IndexOf("Z"), -1);
    s.AddStrings(s);
    EXPECT_EQ(s.Count(), 6);
}

TEST(GuiStrings, ChangesAreReportedOncePerUpdate) {
    TStrings s;
    int changes = 0;
    s.OnChange = [&] { ++changes; };
    s.Add("a");
    EXPECT_EQ(changes, 1);
    s.BeginUpdate();
    s.Add("b");
    s.Add("c");
    s.Delete(0);
    EXPECT_EQ(changes, 1);
    s.EndUpdate();
    EXPECT_EQ(changes, 2);
    s.Clear();
    s.Clear(); // already empty: nothing changed
    EXPECT_EQ(changes, 3);
}

TEST(GuiStrings, FilesAreWrittenWithCrLfAndReadWithAnyLineEnd) {
    const auto dir = std::filesystem::temp_directory_path() / "qor_gui_strings_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "list.txt").string();
    TStrings s{"first", "zweite \xC3\xBC"};
    ASSERT_TRUE(s.SaveToFile(path));
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, "first\r\nzweite \xC3\xBC\r\n");
    TStrings back;
    ASSERT_TRUE(back.LoadFromFile(path));
    EXPECT_EQ(back.Items(), s.Items());
    TStrings kept{"kept"};
    EXPECT_FALSE(kept.LoadFromFile((dir / "missing.txt").string()));
    EXPECT_EQ(kept.Items(), (std::vector<std::string>{"kept"}));
    EXPECT_FALSE(s.SaveToFile((dir / "no_such_dir" / "x.txt").string()));
    std::filesystem::remove_all(dir);
}

} // namespace
