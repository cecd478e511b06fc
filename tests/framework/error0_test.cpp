// Message list and global-state start values.
#include <gtest/gtest.h>

#include <string>

#include "framework/core/errorlist.h"
#include "framework/core/globals.h"

namespace {

class MessageList : public ::testing::Test {
protected:
    void SetUp() override {
        InitErrors();
        CalcErrorFlag = 0;
    }
};

TEST_F(MessageList, AFullListSaysSoAndKeepsErrorsBeforeWarnings) {
    for (int i = 1; i <= 12; ++i)
        AddError("Warning: message number " + std::to_string(i));
    EXPECT_EQ(ErrorList[11].str(), ErrorListLeftOut);
    // Errors displace the latest warnings; a repeat or a warning changes nothing.
    for (const char* m : {"Error  : one", "Warning: message number 3", "Error  : two",
                          "Warning: late", "Fatal  : three"})
        AddError(m);
    EXPECT_EQ(ErrorCount, 11);
    EXPECT_EQ(ErrorList[7].str(), "Warning: message number 7");
    EXPECT_EQ(ErrorList[8].str(), "Error  : one");
    EXPECT_EQ(ErrorList[10].str(), "Fatal  : three");
    EXPECT_EQ(ErrorList[11].str(), ErrorListLeftOut);
}

TEST_F(MessageList, CapacityIsThirtySixCharacters) {
    const std::string exact36 = "Error  : 123456789012345678901234567";
    ASSERT_EQ(exact36.size(), 36u);
    AddError(exact36);
    EXPECT_EQ(ErrorList[1].str(), exact36);

    AddError(exact36 + "8"); // 37 characters: same first 36, so a duplicate
    EXPECT_EQ(ErrorCount, 1);

    const std::string other37 = "Warning: 1234567890123456789012345678";
    ASSERT_EQ(other37.size(), 37u);
    AddError(other37);
    ASSERT_EQ(ErrorCount, 2);
    EXPECT_EQ(ErrorList[2].str(), other37.substr(0, 36));
}

TEST_F(MessageList, DuplicatesAreDroppedCaseSensitively) {
    AddError("Error  : tip too thin");
    AddError("Error  : tip too thin");
    EXPECT_EQ(ErrorCount, 1);
    AddError("Error  : TIP too thin");
    EXPECT_EQ(ErrorCount, 2);
    // Messages that differ only after the 36th character are the same message.
    AddError("Warning: abcdefghijklmnopqrstuvwxyz0-first");
    AddError("Warning: abcdefghijklmnopqrstuvwxyz0-second");
    EXPECT_EQ(ErrorCount, 3);
}

TEST_F(MessageList, CapacityCountsUtf8Characters) {
    // 9 prefix characters + 30 two-byte characters: 39 characters, 69 bytes.
    std::string msg = "Warning: ";
    for (int i = 0; i < 30; ++i)
        msg += "\xC3\xA4"; // a-umlaut
    AddError(msg);
    ASSERT_EQ(ErrorCount, 1);
    const std::string& stored = ErrorList[1];
    EXPECT_EQ(os::Utf8Length(stored), 36u);
    EXPECT_EQ(stored.size(), 9u + 27u * 2u); // no sequence cut in half
    EXPECT_EQ(stored.substr(stored.size() - 2), "\xC3\xA4");
}

TEST_F(MessageList, ClearErrorsResetsCountAndFatalFlagOnly) {
    AddError("Fatal  : alpha wt !");
    AddError("Error  : second");
    CalcErrorFlag = 1;
    ClearErrors();
    EXPECT_EQ(ErrorCount, 0);
    EXPECT_EQ(CalcErrorFlag, 0);
    EXPECT_EQ(ErrorList[2].str(), "Error  : second"); // buffers keep their texts
    AddError("Warning: after clear");
    EXPECT_EQ(ErrorCount, 1);
    EXPECT_EQ(ErrorList[1].str(), "Warning: after clear");
    // AddError never sets the fatal flag on its own.
    AddError("Fatal  : not raised");
    EXPECT_EQ(CalcErrorFlag, 0);
}

TEST(FixedTables, IndexesOutsideTheirRangeAreRejected) {
    EXPECT_THROW((void)ErrorList[0], std::out_of_range);
    EXPECT_THROW((void)ErrorList[12], std::out_of_range);
    EXPECT_THROW((void)TextLines[136], std::out_of_range);
    EXPECT_NO_THROW((void)TextLines[135]);
}

TEST(GlobalState, StartValues) {
    InitGlobalState();
    EXPECT_EQ(TextLines[1].str(), std::string(60, ' '));
    EXPECT_EQ(TextLines[135].str(), std::string(60, ' '));
    EXPECT_EQ(WrapLines[5].str(), std::string(64, ' '));
    EXPECT_TRUE(TitleTexts[1].empty());
    EXPECT_EQ(MakerTitle.size(), 30u);
    EXPECT_EQ(MakerTitle, "K E L M O R A    -    Software");
    EXPECT_EQ(DataFileName, "demo");
    EXPECT_EQ(LinesPerPage, 66);
    EXPECT_EQ(RotateHardcopy, 'J');
    EXPECT_EQ(MaxColour, 16);
    EXPECT_EQ(LastKey, '0');
    EXPECT_FALSE(StartDir.empty());

    // A 70-character line keeps 65 characters.
    TextLines[3] = std::string(70, 'x');
    EXPECT_EQ(TextLines[3].Length(), 65u);
}

} // namespace
