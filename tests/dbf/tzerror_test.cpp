// Engine error state: code table, the reporting switches and their three outcomes.

#include <gtest/gtest.h>

#include <string>

#include "dbf/base/errors.h"

using namespace dbf;

namespace {

class TzErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetErrorState();
        StopBoxHook = nullptr;
    }
    void TearDown() override {
        ResetErrorState();
        StopBoxHook = nullptr;
    }
};

std::string g_boxText, g_boxCaption;
int g_boxCalls = 0;
void RecordingBox(const std::string& text, const std::string& caption) {
    g_boxText = text;
    g_boxCaption = caption;
    ++g_boxCalls;
}

int g_hookCalls = 0;
std::string g_hookSaw;
void RecordingHook() {
    ++g_hookCalls;
    g_hookSaw = LastErrorString();
}

} // namespace

TEST_F(TzErrorTest, MessageTableFormsAndRanges) {
    EXPECT_EQ(ErrorMessage(0), "");
    EXPECT_EQ(ErrorMessage(215), "Error # 215 (No database in use)");
    EXPECT_EQ(ErrorMessage(1250), "Error # 1250 (Network Error)");
    EXPECT_EQ(ErrorMessage(1203), "Error # 1203 (Network Error)");
    EXPECT_EQ(ErrorMessage(1299), "Error # 1299 (Network Error)");
    EXPECT_EQ(ErrorMessage(7), "Error # 7 (Undefined error)");
    EXPECT_EQ(ErrorMessage(1301), "Error # 1301 (Undefined error)");
    EXPECT_EQ(ErrorMessage(265), "Error # 265 (Undefined error)");
    EXPECT_EQ(ErrorMessage(18), "Error # 18 (Too many open files)");
    EXPECT_EQ(ErrorMessage(162), "Error # 162 (File sharing violation)");
    EXPECT_EQ(ErrorMessage(227), "Error # 227 (Insufficient disk space )");
    EXPECT_EQ(ErrorMessage(101), "Error # 101 (Disk write error (probable cause: Disk Full).)");
    EXPECT_EQ(ErrorMessage(1300), "Error # 1300 (File format not supported)");
    // The words a user reads for a code.
    EXPECT_EQ(ErrorCauseWords(1200), "a record is locked by another program");
    EXPECT_EQ(ErrorCauseWords(32), "another program is using the table");
    EXPECT_EQ(ErrorCauseWords(2), "the file does not exist");
    EXPECT_EQ(ErrorCauseWords(215), "No database in use");
    for (int code : {37,  49,   61,   99,   107,  149,  163,  199,  232,  238,  244,  253,
                     255, 1002, 1006, 1008, 1011, 1013, 1016, 1020, 1099, 1104, 1199, 65535})
        EXPECT_EQ(ErrorMessage(static_cast<std::uint16_t>(code)),
                  "Error # " + std::to_string(code) + " (Undefined error)")
            << code;
}

TEST_F(TzErrorTest, ReportingOffStoresAndLastErrorStringConsumesOnce) {
    const bool previous = SetErrorReporting(false);
    EXPECT_TRUE(previous);
    SetError(212, "ctx [GO]");
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(LastErrorString(), "Error # 212 (Request beyond range)\r\nctx [GO]");
    EXPECT_EQ(LastErrorString(), "");
    EXPECT_EQ(LastErrorCode, kErrBeyondRange); // the code stays for the caller's test
}

TEST_F(TzErrorTest, ExceptionModeRaisesWithMessageAndEmptiesText) {
    SetRaiseOnError(true);
    try {
        SetError(215, "x");
        FAIL() << "no exception";
    } catch (const ERivozError& e) {
        EXPECT_STREQ(e.what(), "Error # 215 (No database in use)\r\nx");
    }
    EXPECT_EQ(ErrorText, "");
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
}

TEST_F(TzErrorTest, InteractiveShowsBoxThenLeavesByException) {
    StopBoxHook = RecordingBox;
    g_boxCalls = 0;
    EXPECT_THROW(SetError(213, "File:  t.dbf  [GetDbfRecord]"), ERivozError);
    EXPECT_EQ(g_boxCalls, 1);
    EXPECT_EQ(g_boxText,
              "Error # 213 (End of file found unexpectedly)\r\nFile:  t.dbf  [GetDbfRecord]");
    EXPECT_EQ(g_boxCaption, "Error  : ");
    EXPECT_FALSE(Halting); // the program goes on
    // A long text is cut for the box but kept whole in the exception.
    try {
        SetError(2, std::string(400, 'a'));
    } catch (const ERivozError& e) {
        EXPECT_EQ(g_boxText.size(), 255u);
        EXPECT_GT(std::string(e.what()).size(), 400u);
    }
}

TEST_F(TzErrorTest, HookTakesOverAndZeroCodeIsSilent) {
    ErrorHook = RecordingHook;
    g_hookCalls = 0;
    SetError(220, "bad");
    EXPECT_EQ(g_hookCalls, 1);
    EXPECT_EQ(g_hookSaw, "Error # 220 (Invalid parameter)\r\nbad");
    ErrorHook = nullptr;
    // Code 0 with no hook: nothing happens in either mode.
    LastErrorCode = 0;
    ReportError();
    SetRaiseOnError(true);
    EXPECT_NO_THROW(ReportError());
}

TEST_F(TzErrorTest, HaltingIgnoresFurtherReports) {
    Halting = true;
    SetRaiseOnError(true);
    EXPECT_NO_THROW(SetError(215, "late"));
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
}

TEST_F(TzErrorTest, ScopedSwitchesRestoreOnException) {
    try {
        ErrorReportingOff off;
        RaiseOnErrorScope raise;
        EXPECT_FALSE(ErrorReporting);
        EXPECT_TRUE(RaiseOnError);
        RaiseRivozError("out");
    } catch (const ERivozError& e) {
        EXPECT_STREQ(e.what(), "out");
    }
    EXPECT_TRUE(ErrorReporting);
    EXPECT_FALSE(RaiseOnError);
}

TEST_F(TzErrorTest, FreeMemOfNilReportsNine) {
    SetErrorReporting(false);
    void* p = nullptr;
    GetMem(p, 100);
    ASSERT_NE(p, nullptr);
    FreeMem(p, 100);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(LastErrorCode, 0);
    FreeMem(p, 100);
    EXPECT_EQ(LastErrorCode, kErrInvalidBlock);
    EXPECT_EQ(GetErrorText(), "Attempt to free NIL pointer [FreeMem()]");
    EXPECT_EQ(MaxAvail(), 2147483647);
}

TEST(TzErrorBatch, ExitCodeIsNeverZeroAndAtMost255) {
    EXPECT_EQ(BatchExitCode(2), 2);
    EXPECT_EQ(BatchExitCode(255), 255);
    EXPECT_EQ(BatchExitCode(256), 255);
    EXPECT_EQ(BatchExitCode(512), 255);
    EXPECT_EQ(BatchExitCode(1300), 255);
    EXPECT_NE(BatchExitCode(0), 0);
}

// Without an error box the report leaves by exception: whoever called the engine decides. A
// program that stops on it writes the halt lines and takes an exit status that is never 0.
TEST(TzErrorBatch, ReportRaisesAndTheProgramWritesTheHaltLines) {
    struct Case {
        std::uint16_t code;
        int exitCode;
        const char* message;
    };
    for (const Case& c : {Case{2, 2, "Error # 2 (File not found)\nFile:  x.dbf [USE/OpenDbf]"},
                          Case{512, 255, "Error # 512 (Undefined error)\n"},
                          Case{1202, 255, "Error # 1202 (Semaphore file error."}}) {
        SCOPED_TRACE(c.code);
        ResetErrorState();
        StopBoxHook = nullptr;
        try {
            SetError(c.code, "File:  x.dbf [USE/OpenDbf]");
            ADD_FAILURE() << "no exception";
        } catch (const ERivozError& e) {
            EXPECT_FALSE(Halting);
            ::testing::internal::CaptureStderr();
            EXPECT_EQ(ReportHalt(e), c.exitCode);
            const std::string err = ::testing::internal::GetCapturedStderr();
            EXPECT_EQ(err.rfind("Program halted.\n", 0), 0u) << err;
            EXPECT_NE(err.find(c.message), std::string::npos) << err;
            EXPECT_EQ(err.find('\r'), std::string::npos);
            EXPECT_TRUE(Halting); // later reports of the ending program are ignored
        }
    }
    ResetErrorState();
}
