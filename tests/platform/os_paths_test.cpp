// File-system services: existence, replace, temporary names, free space, case-insensitive
// lookup.

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "os_testutil.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"

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
