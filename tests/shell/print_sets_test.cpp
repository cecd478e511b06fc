// The named print sets under hostile tables: a damaged "printout.dbf" whose scales or origins no
// printout can use is refused naming the field (one that is no file saying what it is), a
// read-only one is read (by a user who may not write it) while saving a set into it says why.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "shell/print_sets.h"
#include "shell/startup.h"
#include "tests/testutil.h"

namespace fs = std::filesystem;

namespace {

class PrintSetsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Application->Initialize(); }

    void SetUp() override {
        Dir = qortest::FreshTestDir("qor_printsets_");
        ::setenv("XDG_CONFIG_HOME", (Dir / "xdg").c_str(), 1);
        InitProgram();
        TempDir = AddBackslash(Dir.string());
        Table = (Dir / "printout.dbf").string();
        fs::copy_file(QOR_SOURCE_DIR "/data/printout.dbf", Table);
        AbortFlag = 0;
    }
    void TearDown() override {
        DoneProgram();
        ::chmod(Table.c_str(), 0644);
        fs::remove_all(Dir);
    }

    // Writes text right-aligned into the field at [offset, offset + width) of record 1.
    void PutField(std::size_t offset, std::size_t width, const std::string& text) {
        std::string bytes = qortest::ReadFileBytes(Table);
        const std::size_t header = static_cast<unsigned char>(bytes[8]) |
                                   static_cast<unsigned char>(bytes[9]) << 8;
        bytes.replace(header + offset, width, std::string(width - text.size(), ' ') + text);
        qortest::WriteFileBytes(Table, bytes);
    }

    fs::path Dir;
    std::string Table;
};

// Runs body as a user without privileges (nobody) when the tests run as root, who may write
// any file; its result is the exit status.
int AsUnprivilegedUser(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 90;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 ||
                                 ::setuid(65534) != 0))
            ::_exit(91);
        try {
            code = body();
        } catch (...) {
            code = 92;
        }
        ::_exit(code);
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

} // namespace

TEST_F(PrintSetsTest, DamagedScalesAndOriginsAreRefusedWithTheirField) {
    struct Case {
        const char* field;
        std::size_t offset, width; // in the record (after the deletion flag at 0)
        const char* stored;
    };
    const Case cases[] = {
        {"xscale", 26, 8, "inf"},     {"xscale", 26, 8, "nan"},  {"yscale", 34, 8, "-inf"},
        {"yscale", 34, 8, "0.000"},   {"xscale", 26, 8, "-1.5"}, {"xorigin", 42, 5, "inf"},
        {"xorigin", 42, 5, "1e99"},   {"yorigin", 47, 5, "-1e99"}, {"yorigin", 47, 5, "2e7"},
    };
    const std::string sound = qortest::ReadFileBytes(Table);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.stored);
        qortest::WriteFileBytes(Table, sound);
        PutField(c.offset, c.width, c.stored);
        TPrintSet set;
        set.Name = "unchanged";
        ScriptedResponder r;
        r.OnMessage(IDOK);
        AbortFlag = 0;
        {
            ResponderScope scope(r);
            EXPECT_FALSE(ReadPrintSet(Table, 1, set));
        }
        EXPECT_EQ(AbortFlag, 1);
        EXPECT_EQ(set.Name, "unchanged");
        ASSERT_EQ(r.Seen().size(), 1u);
        EXPECT_NE(r.Seen()[0].find(std::string("no usable ") + c.field + ": " + c.stored),
                  std::string::npos)
            << r.Seen()[0];
    }
    // A table that is no file says what it is, not only the engine's number.
    using Special = std::pair<std::function<void()>, std::string>;
    for (const auto& [make, what] : std::initializer_list<Special>{
             {[&] { ::mkfifo(Table.c_str(), 0600); }, "it is a named pipe (FIFO), not a file"},
             {[&] { fs::create_directory(Table); }, "it is a folder"},
             {[&] { fs::create_symlink("/dev/zero", Table); }, "it is a device, not a file"}}) {
        fs::remove(Table);
        make();
        ScriptedResponder r;
        r.OnMessage(IDOK);
        ResponderScope scope(r);
        TPrintSet set;
        EXPECT_FALSE(ReadPrintSet(Table, 1, set));
        EXPECT_NE(r.Seen().at(0).find(what + " (Error # 5"), std::string::npos) << r.Seen()[0];
    }
    fs::remove(Table);
    // The sound neighbours of those values are taken.
    qortest::WriteFileBytes(Table, sound);
    PutField(26, 8, "0.010");
    PutField(42, 5, "-999");
    TPrintSet set;
    EXPECT_TRUE(ReadPrintSet(Table, 1, set));
    EXPECT_DOUBLE_EQ(set.ScaleX, 0.01);
    EXPECT_EQ(set.OriginX, -999);
}

TEST_F(PrintSetsTest, AReadOnlyTableIsReadAndSavingIntoItSaysWhy) {
    ASSERT_EQ(::chmod(Table.c_str(), 0444), 0);
    const std::string before = qortest::ReadFileBytes(Table);
    ErrorBoxesOn = 0; // the child shows nothing; its status tells
    const int read = AsUnprivilegedUser([&] {
        TPrintSet set;
        if (!ReadPrintSet(Table, 2, set)) return 1;
        return set.Name == "Screen drawing portrait" && set.ScaleX == 1.9 && !set.Landscape ? 0 : 2;
    });
    EXPECT_EQ(read, 0);
    ErrorBoxesOn = 1;
    TPrintSet set;
    set.Name = "Not saved";
    ScriptedResponder r;
    r.OnMessage(IDOK);
    {
        ResponderScope scope(r);
        EXPECT_FALSE(AppendPrintSet(Table, set));
    }
    EXPECT_EQ(AbortFlag, 1);
    ASSERT_EQ(r.Seen().size(), 1u);
    EXPECT_NE(r.Seen()[0].find("may not be written"), std::string::npos) << r.Seen()[0];
    EXPECT_TRUE(qortest::ReadFileBytes(Table) == before);
}

// A set's name keeps every character of the DOS table's page (Greek letters, signs, box
// drawing), as python3-dbfread reads the record; one with a character the page lacks is not
// saved with "?": the user is told which character, and the table stays as it was.
TEST_F(PrintSetsTest, ANameIsKeptInTheTablesPageOrRefusedWithItsCharacters) {
    struct Case {
        const char *name, *refused; // "" when it is saved
    } cases[] = {{"Zahnrad \u20ac 20\u00b0", "cannot hold \"\u20ac\""},
                 {"Stirnrad 20\u00b0 mit einem Namen zu lang", "holds at most 25 characters"},
                 {"Zahnrad \u03b1 20\u00b0 \u2265\u221e \u2554\u2550", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string before = qortest::ReadFileBytes(Table);
        TPrintSet set;
        set.Name = c.name;
        ScriptedResponder r;
        r.OnMessage(IDOK);
        {
            ResponderScope scope(r);
            EXPECT_EQ(AppendPrintSet(Table, set), *c.refused == '\0');
        }
        const std::string last = qortest::RunCommand(
            "/usr/bin/python3 -c \"import sys, dbfread; t = list(dbfread.DBF(sys.argv[1], "
            "encoding='cp437')); print(len(t), t[-1]['NAME'])\" '" + Table + "'");
        if (*c.refused == '\0') {
            EXPECT_TRUE(r.Seen().empty());
            EXPECT_EQ(last, "5 " + std::string(c.name) + "\n");
            EXPECT_TRUE(ReadPrintSet(Table, 5, set));
            EXPECT_EQ(set.Name, c.name);
            continue;
        }
        ASSERT_EQ(r.Seen().size(), 1u);
        EXPECT_NE(r.Seen()[0].find("Print set name: the table " + Table + " " + c.refused),
                  std::string::npos)
            << r.Seen()[0];
        EXPECT_TRUE(qortest::ReadFileBytes(Table) == before);
    }
}
