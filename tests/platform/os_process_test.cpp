// Starting programs: argument vectors reach the program unchanged, no shell is involved,
// exit statuses and failures are reported, and programs left running are reaped.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "os_testutil.h"
#include "platform/os/clock.h"
#include "platform/os/file.h"
#include "platform/os/process.h"

namespace {

std::string Hex(const std::string& s) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Slurp(const std::string& path) {
    std::string s;
    os::ReadWholeFile(path, s);
    return s;
}

// Waits (bounded, not timed) until a file exists.
bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 2000 && !os::FileExists(path); ++i)
        os::SleepMs(5);
    return os::FileExists(path);
}

// Writes an executable Python script.
void WriteScript(const std::string& path, const std::string& body) {
    ASSERT_EQ(os::WriteWholeFileAtomic(path, "#!" + ostest::Python() + "\n" + body), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
}

class OsProcess : public ::testing::Test {
protected:
    ostest::ScratchDir dir;
    os::SpawnOptions waiting = [] {
        os::SpawnOptions o;
        o.wait = true;
        return o;
    }();
};

TEST_F(OsProcess, ArgumentsWithBlanksQuotesAndShellCharactersArriveUnchanged) {
    const std::vector<std::string> args = {
        "two  blanks and a trailing blank ",
        "\"double\" and 'single' quotes",
        "$HOME ${PATH} `id` $(touch PWNED)",
        "*",
        "back\\slash\\\" end\\",
        ";ls|cat>redirected&",
        "",
        "tab\there\nnewline",
        "\xC3\xBC\xE2\x82\xAC",
    };
    const std::string out = dir / "args.txt";
    std::vector<std::string> argv = {
        ostest::Python(), "-c",
        "import os, sys\n"
        "open(sys.argv[1], \"w\").write(\"\\n\".join(os.fsencode(a).hex() for a in sys.argv[2:]))",
        out};
    argv.insert(argv.end(), args.begin(), args.end());
    os::SpawnOptions options = waiting;
    options.directory = dir.path();
    int status = -1;
    ASSERT_EQ(os::StartProcess(argv, options, status), 0);
    ASSERT_EQ(status, 0);
    std::istringstream in(Slurp(out));
    std::vector<std::string> got;
    std::string line;
    while (std::getline(in, line))
        got.push_back(line);
    ASSERT_EQ(got.size(), args.size());
    for (std::size_t i = 0; i < args.size(); ++i)
        EXPECT_EQ(got[i], Hex(args[i])) << i;
    // No shell ran the command substitution, the redirection or the glob.
    EXPECT_FALSE(os::FileExists(dir / "PWNED"));
    EXPECT_FALSE(os::FileExists(dir / "redirected"));
}

TEST_F(OsProcess, WorkingDirectoryAndExitStatus) {
    const std::string out = dir / "cwd.txt";
    os::SpawnOptions options = waiting;
    options.directory = dir.path();
    int status = -1;
    ASSERT_EQ(os::StartProcess({ostest::Python(), "-c",
                                "import os, sys\nopen(\"cwd.txt\", \"w\").write(os.getcwd())\n"
                                "sys.exit(7)"},
                               options, status),
              0);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(os::ProgramEndText(status), "ended with code 7");
    EXPECT_EQ(Slurp(out), dir.path());
    // A program ended by a signal is told from one that exits with 128 + its number.
    ASSERT_EQ(os::StartProcess({ostest::Python(), "-c", "import os\nos.kill(os.getpid(), 9)"},
                               waiting, status),
              0);
    EXPECT_EQ(os::ProgramEndText(status), "was ended by signal 9 (SIGKILL: Killed)");
}

TEST_F(OsProcess, FailuresToStartAreReported) {
    int status = -1;
    EXPECT_EQ(os::StartProcess({"qor-no-such-program-xyz"}, waiting, status), os::kErrFileNotFound);
    EXPECT_EQ(os::StartProcess({dir / "missing"}, waiting, status), os::kErrFileNotFound);
    EXPECT_EQ(os::StartProcess({}, waiting, status), os::kErrInvalidData);
    // A file without execute permission cannot be run, not even by root.
    const std::string plain = dir / "plain";
    ASSERT_EQ(os::WriteWholeFileAtomic(plain, "#!/bin/true\n"), 0);
    ASSERT_EQ(::chmod(plain.c_str(), 0644), 0);
    EXPECT_EQ(os::StartProcess({plain}, waiting, status), os::kErrAccessDenied);
    // Without waiting a missing program is reported the same way.
    EXPECT_EQ(os::StartProcess({"qor-no-such-program-xyz"}), os::kErrFileNotFound);
}

TEST_F(OsProcess, ProgramsLeftRunningAreReapedWhenTheyEnd) {
    const std::string out = dir / "pid.txt";
    ASSERT_EQ(os::StartProcess({ostest::Python(), "-c",
                                "import os, sys\nopen(sys.argv[1] + \".t\", \"w\").write("
                                "str(os.getpid()))\nos.rename(sys.argv[1] + \".t\", sys.argv[1])",
                                out}),
              0);
    ASSERT_TRUE(WaitForFile(out));
    const std::string proc = "/proc/" + Slurp(out);
    // A zombie would keep its /proc entry until someone waits for it.
    for (int i = 0; i < 2000 && os::DirectoryExists(proc); ++i)
        os::SleepMs(5);
    EXPECT_FALSE(os::DirectoryExists(proc)) << proc << " still exists";
}

TEST_F(OsProcess, OpenWithDesktopRunsXdgOpenWithTheTarget) {
    const std::string bin = dir / "bin";
    ASSERT_EQ(os::MakeDirectory(bin), 0);
    const std::string out = dir / "opened.txt";
    WriteScript(bin + "/xdg-open", "import os, sys\n"
                                   "open(\"" +
                                       out +
                                       ".t\", \"w\").write(\"|\".join(sys.argv[1:]))\n"
                                       "os.rename(\"" +
                                       out + ".t\", \"" + out + "\")\n");
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath != nullptr ? oldPath : "";
    ::setenv("PATH", (bin + ":" + saved).c_str(), 1);
    const std::string target = "https://example.org/a b?x=1&y='2'";
    const int rc = os::OpenWithDesktop(target);
    ::setenv("PATH", saved.c_str(), 1);
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(WaitForFile(out));
    EXPECT_EQ(Slurp(out), target);
    EXPECT_EQ(os::OpenWithDesktop(""), os::kErrInvalidData);
}

// Examples of the Windows command-line rules as documented for C programs on Windows.
TEST(OsCommandLine, SplitsLikeWindowsPrograms) {
    using V = std::vector<std::string>;
    EXPECT_EQ(os::SplitCommandLine(R"("a b c" d e)"), (V{"a b c", "d", "e"}));
    EXPECT_EQ(os::SplitCommandLine(R"("ab\"c" "\\" d)"), (V{"ab\"c", "\\", "d"}));
    EXPECT_EQ(os::SplitCommandLine(R"(a\\\b d"e f"g h)"), (V{R"(a\\\b)", "de fg", "h"}));
    EXPECT_EQ(os::SplitCommandLine(R"(a\\\"b c d)"), (V{R"(a\"b)", "c", "d"}));
    EXPECT_EQ(os::SplitCommandLine(R"(a\\\\"b c" d e)"), (V{R"(a\\b c)", "d", "e"}));
    EXPECT_EQ(os::SplitCommandLine(R"(a"b"" c d)"), (V{R"(ab" c d)"}));
    EXPECT_EQ(os::SplitCommandLine(R"("C:\Program Files\kvilpen.exe"  /p  "x.dxf")"),
              (V{R"(C:\Program Files\kvilpen.exe)", "/p", "x.dxf"}));
    EXPECT_EQ(os::SplitCommandLine(" \t "), V{});
    EXPECT_EQ(os::SplitCommandLine(R"(a "" b)"), (V{"a", "", "b"}));
}

} // namespace
