// The engine under faults: a failed append leaves the table as it was byte for byte (a file-size
// limit stands for a full disk), the file lock excludes record locks past the first GiB of lock
// space, and an engine error without an error box goes to the caller instead of ending it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "areas_testutil.h"
#include "memo_testutil.h"
#include "dbf/expr/expression.h"
#include "dbf/index/maintain.h"
#include "dbf/index/ndx.h"
#include "dbf/index/semaphore.h"
#include "dbf/table/field_vars.h"
#include "dbf/table/table_file.h"

using namespace dbf;
using areastest::AreaTest;
using areastest::Child;
using areastest::MakeTable;
using areastest::View;
using areastest::WaitChild;
using dbftest::ReadFileBytes;

namespace {

class RobustTest : public AreaTest {
protected:
    void SetUp() override {
        AreaTest::SetUp();
        InitParser();
        IndexInit();
        ResetSemaphores();
        InstallIndexMaintenanceHooks();
    }
    void TearDown() override {
        IndexDone();
        AreaTest::TearDown();
        ResetSemaphores();
        FlushAfterWrite = false;
    }
};

std::uint16_t Le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

} // namespace

// The file-size limit (ulimit -f) of a child process makes the disk full at a chosen byte; the
// append fails with the write's own code and the table, read again, is the one it was.
TEST_F(RobustTest, AFailedAppendLeavesTheTableByteForByte) {
    struct Case {
        const char* what;
        long extra;     // bytes the limit lets the table grow past its end mark
        bool flushEach; // FlushAfterWrite: the append writes the header and end mark too
        bool index;     // a long-keyed index whose nodes lie past the limit
    };
    const Case cases[] = {
        {"no byte of the record fits", 0, false, false},
        {"22 bytes of the record fit", 21, false, false},
        {"the record fits, the end mark not", 47, true, false},
        {"the record fits, the end mark at close not", 47, false, false},
        {"the record fits, its key not", 48, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_ / (std::string("full") + std::to_string(c.extra) + ".dbf");
        const std::string ndx = dir_ / "full.ndx";
        MakeTable(path, 40, 7);
        if (c.index) {
            Open(1, path, " EXCLUSIVE");
            ASSERT_TRUE(MakeIndex(ndx, "NAME+NAME+NAME+NAME+NAME", false, 1, false, false, {}))
                << ErrorText;
            FreeWorkArea();
        }
        const std::string before = ReadFileBytes(path);
        ASSERT_EQ(before.back(), '\x1A');
        const pid_t pid = Child([&] {
            FlushAfterWrite = c.flushEach;
            Select(1);
            Use(path + " EXCLUSIVE");
            if (LastErrorCode != 0) return 3;
            if (c.index && !SetIndexToOrder1(ndx)) return 4;
            const rlimit limit{static_cast<rlim_t>(before.size() + c.extra),
                               static_cast<rlim_t>(before.size() + c.extra)};
            std::signal(SIGXFSZ, SIG_IGN);
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 5;
            ClearRecord();
            SetVarString(FieldAddress(1), "ZZZZZ past the end", 20);
            SetVarInt64(FieldAddress(2), 4141);
            Append();
            if (LastErrorCode == 0) return 1; // the disk was not full after all
            // The report names the cause in words.
            if (ErrorCauseWords(LastErrorCode) != "the file is too large (file-size limit)")
                return 6;
            if (RecCount() != 40) return 2;
            return 0;
        });
        EXPECT_EQ(WaitChild(pid), 0);
        const std::string after = ReadFileBytes(path);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_TRUE(after == before) << "the table changed";
        const areastest::RefView ref = View(path);
        EXPECT_EQ(ref.headerCount, 40);
        EXPECT_EQ(ref.live.size() + ref.gone.size(), 40u);
    }
}

// A table's lock space ends past its last record's region: a file lock held through one handle
// excludes a record lock through another (and the other way round) on every record, also on
// those whose regions lie past the first GiB of lock space. A sparse table of 1.1 GB; the two
// handles' open-file-description locks exclude each other as two programs' do.
TEST_F(RobustTest, TheFileLockExcludesRecordLocksPastTheFirstGiB) {
    const std::string path = dir_ / "big.dbf";
    MakeTable(path, 3, 0);
    std::string bytes = ReadFileBytes(path);
    const std::uint16_t header = Le16(bytes, 8), length = Le16(bytes, 10);
    const std::int32_t count = 23'000'000;
    ASSERT_GT(std::uint64_t{header} + std::uint64_t(count) * length, 1ull << 30);
    {
        const int fd = ::open(path.c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        std::uint8_t n[4];
        for (int i = 0; i < 4; ++i)
            n[i] = static_cast<std::uint8_t>(count >> (8 * i));
        ASSERT_EQ(::pwrite(fd, n, 4, 4), 4);
        const off_t end = static_cast<off_t>(header) + off_t(count) * length;
        ASSERT_EQ(::ftruncate(fd, end + 1), 0);
        ASSERT_EQ(::pwrite(fd, "\x1A", 1, end), 1);
        ::close(fd);
    }
    // The first record whose region begins a GiB or more past LockBase, and the last one.
    const std::int32_t pastGiB = ((1 << 30) - header + length - 1) / length + 1;
    Open(1, path);
    Open(2, path, " ALIAS OTHER");
    for (const std::int32_t rec : {1, pastGiB, count}) {
        for (const bool fileFirst : {true, false}) {
            SCOPED_TRACE(std::to_string(rec) + (fileFirst ? " file lock first" : " record first"));
            Select(1);
            Go(rec);
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            Select(2);
            Go(rec);
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            Select(1);
            ASSERT_TRUE(fileFirst ? FLock() : RLock());
            Select(2);
            EXPECT_FALSE(fileFirst ? RLock() : FLock());
            Select(1);
            Unlock();
            Select(2);
            EXPECT_TRUE(fileFirst ? RLock() : FLock());
            Unlock();
        }
    }
}

// A table, its memo file or an index that is no file is refused at once, saying what it is,
// as every other reader of the program does.
TEST_F(RobustTest, ATableOrIndexThatIsNoFileSaysWhatItIs) {
    RegisterMemoHooks();
    MakeTable(dir_ / "t.dbf", 3, 0);
    for (const char* memo : {"mpipe", "mfolder", "mnull"})
        ::unlink(memotest::MakeTable(dir_ / (memo + std::string(".dbf")), 0x8B, 512).c_str());
    for (const char* pipe : {"pipe.dbf", "pipe.ndx", "mpipe.dbt"})
        ASSERT_EQ(::mkfifo((dir_ / pipe).c_str(), 0600), 0);
    for (const char* folder : {"folder.dbf", "folder.ndx", "mfolder.dbt"})
        ASSERT_EQ(::mkdir((dir_ / folder).c_str(), 0700), 0);
    for (const char* device : {"null.dbf", "mnull.dbt"})
        ASSERT_EQ(::symlink("/dev/null", (dir_ / device).c_str()), 0);
    const std::string pipe = "it is a named pipe (FIFO), not a file";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"pipe.dbf", "", pipe},
        {"folder.dbf", "", "it is a folder"},
        {"null.dbf", "", "it is a device, not a file"},
        {"t.dbf", "pipe.ndx", pipe},
        {"t.dbf", "folder.ndx", "it is a folder"},
        {"mpipe.dbf", "", pipe},
        {"mfolder.dbf", "", "it is a folder"},
        {"mnull.dbf", "", "it is a device, not a file"}};
    for (const auto& [table, index, cause] : cases) {
        SCOPED_TRACE(std::string(table) + " " + index);
        ErrorReportingOff quiet;
        ASSERT_TRUE(Select(1));
        Use(dir_ / table);
        if (*index != '\0') SetIndexToOrder1(dir_ / index);
        EXPECT_EQ(ErrorCauseWords(LastErrorCode), cause);
        EXPECT_EQ(LastErrorString().rfind("Error # 5 (File access denied): " + cause + "\r\n", 0),
                  0u);
        FreeWorkArea();
    }
}

// A program linking the engine without an error box is not ended by a missing table: the
// failure comes back as ERivozError with the message, the area stays empty and the next table
// opens.
TEST_F(RobustTest, AMissingTableRaisesToTheCallerWhoGoesOn) {
    const std::string path = dir_ / "there.dbf";
    MakeTable(path, 3, 0);
    ResetErrorState(); // reporting on, no box, no exception mode: the engine's defaults
    StopBoxHook = nullptr;
    ASSERT_TRUE(Select(1));
    try {
        Use(dir_ / "missing.dbf");
        ADD_FAILURE() << "no exception";
    } catch (const ERivozError& e) {
        EXPECT_NE(std::string(e.what()).find("Error # 2 (File not found)"), std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("missing.dbf"), std::string::npos);
    }
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    EXPECT_FALSE(Halting);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    Use(path);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(RecCount(), 3);
}
