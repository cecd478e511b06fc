// File-system services: existence, replace, temporary names, free space, case-insensitive
// lookup.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <set>
#include <sstream>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os_testutil.h"
#include "tests/testutil.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

namespace {

void Touch(const std::string& path, const std::string& bytes = "") {
    ASSERT_EQ(os::WriteWholeFileAtomic(path, bytes), 0);
}

class OsPaths : public ::testing::Test {
protected:
    ostest::ScratchDir dir;
};

TEST_F(OsPaths, ExistenceOfFilesAndDirectories) {
    Touch(dir / "a.txt");
    EXPECT_TRUE(os::FileExists(dir / "a.txt"));
    EXPECT_FALSE(os::FileExists(dir.path()));
    EXPECT_FALSE(os::FileExists(dir / "b.txt"));
    EXPECT_FALSE(os::FileExists(""));
    EXPECT_TRUE(os::DirectoryExists(dir.path()));
    EXPECT_FALSE(os::DirectoryExists(dir / "a.txt"));
    EXPECT_FALSE(os::DirectoryExists(""));
}

TEST_F(OsPaths, RenameOverReplacesAtomicallyAndReportsMissingSides) {
    Touch(dir / "new", "NEW");
    Touch(dir / "old", "OLD");
    ASSERT_EQ(os::RenameOver(dir / "new", dir / "old"), 0);
    std::string s;
    ASSERT_EQ(os::ReadWholeFile(dir / "old", s), 0);
    EXPECT_EQ(s, "NEW");
    EXPECT_FALSE(os::FileExists(dir / "new"));
    EXPECT_EQ(os::RenameOver(dir / "gone", dir / "old"), os::kErrFileNotFound);
    EXPECT_EQ(os::RenameOver(dir / "old", dir / "nodir/old"), os::kErrPathNotFound);
    EXPECT_TRUE(os::FileExists(dir / "old"));
}

TEST_F(OsPaths, RemoveAndDirectories) {
    Touch(dir / "x");
    EXPECT_EQ(os::RemoveFile(dir / "x"), 0);
    EXPECT_EQ(os::RemoveFile(dir / "x"), os::kErrFileNotFound);
    EXPECT_EQ(os::RemoveFile(dir / "nodir/x"), os::kErrPathNotFound);
    EXPECT_EQ(os::RemoveFile(dir.path()), os::kErrAccessDenied);
    EXPECT_EQ(os::MakeDirectories(dir / "p/q/r"), 0);
    EXPECT_TRUE(os::DirectoryExists(dir / "p/q/r"));
    EXPECT_EQ(os::MakeDirectory(dir / "p"), 0); // exists: fine
    Touch(dir / "p/file");
    EXPECT_EQ(os::MakeDirectory(dir / "p/file"), os::kErrAccessDenied);
    EXPECT_EQ(os::MakeDirectory(dir / "none/sub"), os::kErrPathNotFound);
    EXPECT_EQ(os::RemoveDirectory(dir / "p"), os::kErrAccessDenied); // not empty
    EXPECT_EQ(os::RemoveDirectory(dir / "p/q/r"), 0);
    std::uint64_t size = 1;
    EXPECT_EQ(os::FileSize(dir / "p/file", size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(os::FileSize(dir / "p/none", size), os::kErrFileNotFound);
    std::int64_t t = 0;
    EXPECT_EQ(os::FileModTime(dir / "p/file", t), 0);
    EXPECT_GT(t, 1600000000);
}

// A scratch folder several runs share goes with the last run that holds it, never under another.
TEST_F(OsPaths, AScratchFolderGoesOnlyWithTheLastRunHoldingIt) {
    const std::string s = dir / "scratch";
    ASSERT_EQ(os::MakeScratchFolder(s), 0);
    const int other = ::open(s.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); // another run's hold
    ASSERT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0);
    os::RemoveScratchFolder(s);
    EXPECT_TRUE(os::DirectoryExists(s));
    ASSERT_EQ(os::MakeScratchFolder(s), 0);
    ::close(other);
    os::RemoveScratchFolder(s);
    EXPECT_FALSE(os::DirectoryExists(s));
}

TEST_F(OsPaths, TemporaryNamesAreUniqueAndCreatedExclusively) {
    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        std::string name;
        ASSERT_EQ(os::CreateTempFile(dir.path(), "TZP", name), 0);
        EXPECT_EQ(name.rfind(dir / "TZP", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
        EXPECT_TRUE(os::FileExists(name));
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    std::string name;
    ASSERT_EQ(os::CreateTempFile(dir.path(), "$", name, ".dx$"), 0);
    EXPECT_EQ(name.substr(name.size() - 4), ".dx$");
    EXPECT_EQ(os::CreateTempFile(dir / "nodir", "TZP", name), os::kErrPathNotFound);
    EXPECT_TRUE(name.empty());
    EXPECT_TRUE(os::DirectoryExists(os::TempDirectory()));
}

TEST_F(OsPaths, FreeDiskSpaceAgreesWithPython) {
    std::uint64_t ours = 0;
    ASSERT_EQ(os::FreeDiskSpace(dir.path(), ours), 0);
    const std::string out = ostest::RunPython("import os\ns = os.statvfs(\"" + dir.path() +
                                              "\")\nprint(s.f_bavail * s.f_frsize)");
    const unsigned long long ref = std::strtoull(out.c_str(), nullptr, 10);
    ASSERT_GT(ref, 0u);
    // Other programs write meanwhile: allow 64 MiB of difference.
    const std::uint64_t diff = ours > ref ? ours - ref : ref - ours;
    EXPECT_LT(diff, 64ull << 20) << ours << " vs " << ref;
    EXPECT_EQ(os::FreeDiskSpace(dir / "nodir", ours), os::kErrFileNotFound);
}

TEST_F(OsPaths, AbsolutePathIsLexical) {
    EXPECT_EQ(os::AbsolutePath("/a/./b//c/../d/"), "/a/b/d");
    EXPECT_EQ(os::AbsolutePath("/.."), "/");
    EXPECT_EQ(os::AbsolutePath("x/y"), os::CurrentDirectory() + "/x/y");
}

TEST_F(OsPaths, NamesAreFoundWithoutRegardToCase) {
    Touch(dir / "Q1TOOLX.DBF");
    Touch(dir / "m\xC3\xA4rz.hlp"); // märz
    Touch(dir / "Help.TXT");
    Touch(dir / "help.txt");
    std::string real;
    ASSERT_EQ(os::FindNameNoCase(dir.path(), "q1toolx.dbf", real), 0);
    EXPECT_EQ(real, dir / "Q1TOOLX.DBF");
    ASSERT_EQ(os::FindNameNoCase(dir.path(), "M\xC3\x84RZ.HLP", real), 0); // MÄRZ.HLP
    EXPECT_EQ(real, dir / "m\xC3\xA4rz.hlp");
    // The exact spelling wins over other case variants; otherwise the first in byte order.
    ASSERT_EQ(os::FindNameNoCase(dir.path(), "help.txt", real), 0);
    EXPECT_EQ(real, dir / "help.txt");
    ASSERT_EQ(os::FindNameNoCase(dir.path(), "HELP.txt", real), 0);
    EXPECT_EQ(real, dir / "Help.TXT");
    EXPECT_EQ(os::FindNameNoCase(dir.path(), "q1toolx.ndx", real), os::kErrFileNotFound);
    EXPECT_TRUE(real.empty());
    EXPECT_EQ(os::FindNameNoCase(dir / "nodir", "x", real), os::kErrPathNotFound);
    EXPECT_FALSE(os::SameNameNoCase("ab", "abc"));
    EXPECT_TRUE(os::SameNameNoCase("\xC3\x9F", "\xC3\x9F")); // ß has no capital here
    EXPECT_FALSE(os::SameNameNoCase("a\xFF", "a\xFE"));      // malformed bytes compare as bytes
}

TEST_F(OsPaths, WholePathsAreResolvedWithoutRegardToCase) {
    ASSERT_EQ(os::MakeDirectories(dir / "Data/Help"), 0);
    Touch(dir / "Data/Help/Q1W.HLP");
    std::string real;
    ASSERT_EQ(os::ResolvePathNoCase(dir / "DATA/help/q1w.hlp", real), 0);
    EXPECT_EQ(real, dir / "Data/Help/Q1W.HLP");
    EXPECT_EQ(os::ResolvePathNoCase(dir / "data/none/q1w.hlp", real), os::kErrPathNotFound);
    EXPECT_EQ(os::ResolvePathNoCase(dir / "data/help/none.hlp", real), os::kErrFileNotFound);
    ASSERT_EQ(os::ResolvePathNoCase(dir / "data/HELP/", real), 0);
    EXPECT_EQ(real, dir / "Data/Help");
}

} // namespace

// Every failure that shares a DOS code with others is named by its own cause.
TEST_F(OsPaths, FailuresAreNamedByTheirCause) {
    Touch(dir / "plain", "x");
    Touch(dir / "ten", "0123456789");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    struct Case {
        const char* what;
        std::string path;
        int code;
        std::string cause;
        std::uint64_t readLimit = 0; // read whole with this limit instead of opened
    };
    const std::vector<Case> cases = {
        {"missing folder", dir / "gone/deeper/job.q1w", os::kErrPathNotFound,
         "the folder " + (dir / "gone") + " does not exist"},
        {"name too long", dir / std::string(256, 'n'), os::kErrPathNotFound,
         "the name is too long"},
        {"path through a file", dir / "plain/job.q1w", os::kErrPathNotFound,
         dir / "plain" + " is no folder"},
        {"a folder", dir.path(), os::kErrAccessDenied, "it is a folder"},
        {"a named pipe", dir / "pipe", os::kErrAccessDenied,
         "it is a named pipe (FIFO), not a file"},
        {"a device", "/dev/null", os::kErrAccessDenied, "it is a device, not a file"},
        {"a device read whole", "/dev/zero", os::kErrAccessDenied, "it is a device, not a file", 9},
        {"larger than its reader takes", dir / "ten", os::kErrFileTooLarge,
         "it is larger than 9 bytes (the limit for such a file)", 9},
    };
    for (const Case& c : cases) {
        os::File f;
        std::string bytes;
        const int rc = c.readLimit != 0
                           ? os::ReadWholeFile(c.path, bytes, c.readLimit)
                           : f.Open(c.path, os::OpenMode{}, os::Disposition::CreateAlways);
        EXPECT_EQ(rc, c.code) << c.what;
        EXPECT_EQ(os::ErrorCauseText(rc, c.path), c.cause) << c.what;
    }
    // The codes alone, without a path or an errno behind them.
    EXPECT_EQ(os::ErrorCauseText(os::NoteCode(os::kErrWriteFault)), "the disk is full");
    EXPECT_EQ(os::ErrorCauseText(os::kErrSharingViolation), "another program is using the file");
    EXPECT_EQ(os::ErrorCauseText(os::NoteCode(os::kErrPathNotFound)), "the folder does not exist");
    // A folder nobody may write into is no reason to call it a folder.
    EXPECT_EQ(os::ErrorCauseText(os::ErrnoToDos(EACCES), dir.path()), "permission denied");
}

// A write beyond the file-size limit (ulimit -f) fails with a message; the process goes on.
TEST_F(OsPaths, AFileSizeLimitIsAFailureNotTheEnd) {
    const std::string path = dir / "big.bin";
    const int code = qortest::UnderFileSizeLimit(4096, [&] {
        os::IgnoreFileSizeSignal();
        os::File f;
        if (f.Open(path, os::OpenMode{}, os::Disposition::CreateAlways) != 0) return 1;
        const std::string block(10000, 'x');
        const int rc = f.Write(block.data(), block.size());
        if (rc != os::kErrWriteFault) return 2;
        return os::ErrorCauseText(rc, path) == "the file is too large (file-size limit)" ? 0 : 3;
    });
    EXPECT_EQ(code, 0);
    // A handler of someone else's is left alone.
    struct sigaction own {};
    own.sa_handler = [](int) {};
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGXFSZ, &own, &before), 0);
    os::IgnoreFileSizeSignal();
    struct sigaction now {};
    ::sigaction(SIGXFSZ, nullptr, &now);
    EXPECT_EQ(now.sa_handler, own.sa_handler);
    ::sigaction(SIGXFSZ, &before, nullptr);
}

// A temporary file named after a file with a long name stays within the 255-byte limit.
TEST_F(OsPaths, TemporaryNamesStayWithinTheNameLimit) {
    for (const std::size_t length : {200u, 240u, 250u, 255u}) {
        // Two-byte characters, so a cut could split one.
        std::string base;
        while (base.size() + 2 <= length - 4)
            base += "\xC3\xA4";
        base += ".q1w";
        std::string name;
        ASSERT_EQ(os::CreateTempFile(dir.path(), "." + base + ".", name, ".tmp"), 0) << length;
        const std::string entry = name.substr(dir.path().size() + 1);
        EXPECT_LE(entry.size(), os::kMaxNameBytes) << length;
        EXPECT_EQ(entry.substr(entry.size() - 4), ".tmp");
        EXPECT_EQ(entry.rfind("." + base.substr(0, 100), 0), 0u);
        for (std::size_t pos = 0; pos < entry.size();)
            EXPECT_NE(os::Utf8Next(entry, pos), U'\uFFFD') << "a character was cut";
        // The whole file is replaced safely under its long name.
        ASSERT_EQ(os::WriteWholeFileAtomic(dir / base, "job"), 0) << length;
        std::string back;
        ASSERT_EQ(os::ReadWholeFile(dir / base, back), 0);
        EXPECT_EQ(back, "job");
    }
}
