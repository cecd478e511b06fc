// Locking between work areas and between processes, and appends of two programs at once.

#include <gtest/gtest.h>

#include <csignal>
#include <set>

#include "areas_testutil.h"
#include "dbf/table/field_vars.h"
#include "platform/os/clock.h"

using namespace dbf;
using areastest::AreaTest;
using areastest::Child;
using areastest::MakeTable;
using areastest::ProcLocks;
using areastest::Signal;
using areastest::View;
using areastest::WaitChild;

namespace {

// Lines of /proc/locks over record n's region of the current area.
int RecordLocksInProc(const std::string& path, std::int32_t n) {
    const TWorkArea& a = *CurrentWorkArea();
    const std::uint64_t first = RecordLockOffset(a, n);
    return ProcLocks(path, first, first + a.RecordLength - 1);
}

} // namespace

TEST_F(AreaTest, LockModesFollowTheirStateTable) {
    const std::string path = dir_ / "modes.dbf";
    MakeTable(path, 10, 0);
    Open(1, path);
    const std::uint64_t appendByte = std::uint64_t{LockBase} + 1;
    // The file lock reaches to the end of the region of record 2^31 - 1, the last one a table
    // can number.
    const TWorkArea& t = *CurrentWorkArea();
    const std::uint64_t fileLockEnd = std::uint64_t{LockBase} + t.HeaderLength +
                                      std::uint64_t{0x7FFFFFFF} * t.RecordLength - 1;

    EXPECT_TRUE(FLock());
    EXPECT_EQ(CurrentWorkArea()->LockState, 1);
    EXPECT_TRUE(FLock());
    EXPECT_FALSE(ALock());
    EXPECT_FALSE(RLock());
    EXPECT_TRUE(IsLocked(7)); // the file lock covers every record
    EXPECT_EQ(ProcLocks(path, appendByte, fileLockEnd), 1);
    Unlock();
    EXPECT_EQ(CurrentWorkArea()->LockState, 0);
    EXPECT_EQ(ProcLocks(path, appendByte, fileLockEnd), 0);

    EXPECT_TRUE(ALock());
    EXPECT_EQ(ProcLocks(path, appendByte, appendByte), 1);
    EXPECT_FALSE(FLock());
    EXPECT_FALSE(RLock());
    EXPECT_FALSE(IsLocked(1)); // an append lock covers no record
    Unlock();

    for (std::int32_t n : {5, 7, 9}) {
        Go(n);
        ASSERT_TRUE(RLock());
        EXPECT_EQ(RecordLocksInProc(path, n), 1);
    }
    ASSERT_TRUE(RLock()); // 9 again: no second node
    EXPECT_EQ(CurrentWorkArea()->LockCount, 3);
    EXPECT_FALSE(FLock());
    EXPECT_FALSE(ALock());
    EXPECT_TRUE(UnlockRec(-1)); // the oldest: 5
    EXPECT_FALSE(IsLocked(5));
    EXPECT_EQ(RecordLocksInProc(path, 5), 0);
    EXPECT_TRUE(UnlockRec(-2)); // the newest: 9
    EXPECT_FALSE(IsLocked(9));
    EXPECT_EQ(CurrentWorkArea()->LockState, 3);
    EXPECT_TRUE(IsLocked(7));
    EXPECT_FALSE(UnlockRec(4));
    EXPECT_EQ(LastErrorCode, kErrInvalidParameter);
    EXPECT_EQ(ErrorText, "Record not locked. [UnlockRec(4)]");
    EXPECT_FALSE(UnlockRec(0));
    EXPECT_FALSE(UnlockRec(-4));
    EXPECT_TRUE(UnlockRec(7));
    EXPECT_EQ(CurrentWorkArea()->LockState, 0);
    EXPECT_EQ(RecordLocksInProc(path, 7), 0);

    RecordLockLimit = 2;
    Go(1);
    EXPECT_TRUE(RLock());
    Go(2);
    EXPECT_TRUE(RLock());
    Go(3);
    EXPECT_FALSE(RLock());
    EXPECT_EQ(LastErrorCode, kErrBeyondRange);
    EXPECT_EQ(ErrorText, "Rivoz record lock limit exceeded [RLock]");
    Go(2);
    EXPECT_TRUE(RLock()); // already held: not a new lock
    EXPECT_TRUE(UnlockRec(-3));
    EXPECT_EQ(CurrentWorkArea()->LockCount, 0);
}

TEST_F(AreaTest, OneTableInTwoAreasConflictsWithItself) {
    const std::string path = dir_ / "two.dbf";
    MakeTable(path, 10, 0);
    Open(1, path, " ALIAS FIRST");
    Open(2, path, " ALIAS SECOND");
    Select(1);
    Go(3);
    ASSERT_TRUE(RLock());
    Select(2);
    Go(3);
    EXPECT_FALSE(RLock());
    EXPECT_EQ(LastErrorCode, 0); // a refused lock reports nothing
    EXPECT_FALSE(FLock());
    EXPECT_TRUE(ALock()); // the append byte is not a record
    Unlock();
    Go(4);
    EXPECT_TRUE(RLock());
    // Closing the first area frees its locks.
    Select(1);
    FreeWorkArea();
    Select(2);
    Go(3);
    EXPECT_TRUE(RLock());
}

TEST_F(AreaTest, ARecordLockHeldByAnotherProcessAndFreedWhenItIsKilled) {
    const std::string path = dir_ / "proc.dbf";
    MakeTable(path, 10, 0);
    Signal locked;
    Signal never;
    const pid_t holder = Child([&] {
        Select(20);
        Use(path + " ALIAS HOLDER");
        if (LastErrorCode != 0) return 2;
        Go(2);
        if (!RLock()) return 3;
        locked.Send();
        never.Wait(); // until killed
        return 0;
    });
    ASSERT_GT(holder, 0);
    ASSERT_TRUE(locked.Wait());
    Open(1, path);
    Go(2);
    EXPECT_EQ(RecordLocksInProc(path, 2), 1);
    EXPECT_FALSE(RLock());
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_FALSE(FLock());
    Go(3);
    EXPECT_TRUE(RLock());
    EXPECT_EQ(RecordLocksInProc(path, 3), 1);

    // With retries the wait sleeps and lets the GUI handle events between attempts.
    static int events = 0;
    events = 0;
    ProcessEventsHook = [] { ++events; };
    LockRetries = 2;
    LockRetryWait = 10;
    Go(2);
    EXPECT_FALSE(RLock());
    EXPECT_GE(events, 2);
    LockRetries = 0;

    kill(holder, SIGKILL);
    EXPECT_EQ(WaitChild(holder), 128 + SIGKILL);
    EXPECT_EQ(RecordLocksInProc(path, 2), 0);
    EXPECT_TRUE(RLock());
}

TEST_F(AreaTest, WaitsHandleEventsOnlyFromTenMillisecondsOn) {
    static int events = 0;
    events = 0;
    ProcessEventsHook = [] { ++events; };
    WaitTicks(5);
    EXPECT_EQ(events, 0);
    WaitTicks(25);
    EXPECT_GE(events, 1);
    // An ending application cuts the wait short.
    TerminatingHook = [] { return true; };
    const std::uint64_t start = os::TickCount64();
    WaitTicks(60000);
    EXPECT_LT(os::TickCount64() - start, 30000u);
}

TEST_F(AreaTest, RetryCallbackStartsTheRetriesAgain) {
    const std::string path = dir_ / "cb.dbf";
    MakeTable(path, 3, 0);
    Open(1, path, " ALIAS A");
    Open(2, path, " ALIAS B");
    Select(1);
    ASSERT_TRUE(FLock());
    Select(2);
    static int asked = 0;
    asked = 0;
    LockRetries = 1;
    LockRetryCallback = [] { return ++asked < 3; };
    EXPECT_FALSE(ALock());
    EXPECT_EQ(asked, 3);
}

TEST_F(AreaTest, TwoProcessesAppendUnderTheAppendLockWithoutLosingARecord) {
    const std::string path = dir_ / "race.dbf";
    MakeTable(path, 0, 0);
    auto appender = [&](const std::string& tag) {
        return [&path, tag] {
            Select(10);
            Use(path + " ALIAS " + tag);
            if (LastErrorCode != 0) return 2;
            for (int i = 1; i <= 500; ++i) {
                while (!ALock())
                    WaitTicks(1);
                ClearRecord();
                SetVarString(FieldAddress(1), tag + std::to_string(i), 20);
                SetVarInt64(FieldAddress(2), i);
                Append();
                if (LastErrorCode != 0) return 3;
                Unlock();
            }
            FreeWorkArea();
            return LastErrorCode == 0 ? 0 : 4;
        };
    };
    const pid_t a = Child(appender("PA"));
    const pid_t b = Child(appender("PB"));
    EXPECT_EQ(WaitChild(a), 0);
    EXPECT_EQ(WaitChild(b), 0);

    const areastest::RefView ref = View(path);
    EXPECT_EQ(ref.headerCount, 1000);
    EXPECT_EQ(ref.live.size(), 1000u);
    EXPECT_TRUE(ref.gone.empty());
    int status = 0;
    const std::string names =
        dbftest::RunCommand("/usr/bin/python3 -c \"import dbfread,sys; "
                            "t=dbfread.DBF(sys.argv[1]); n=[r['NAME'] for r in t]; "
                            "print(len(set(n)), t.header.numrecords)\" '" +
                                path + "'",
                            status);
    EXPECT_EQ(names, "1000 1000\n");
    const std::string raw = dbftest::ReadFileBytes(path);
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const std::size_t header = p[8] | (p[9] << 8);
    const std::size_t record = p[10] | (p[11] << 8);
    ASSERT_EQ(raw.size(), header + 1000 * record + 1);
    EXPECT_EQ(raw.find('\x1A', header), raw.size() - 1);
}

TEST_F(AreaTest, ClosingWaitsForAnotherProgramsAppendBeforeWritingTheEndMark) {
    const std::string path = dir_ / "close.dbf";
    MakeTable(path, 2, 0);
    Open(1, path);
    ASSERT_TRUE(ALock());
    ClearRecord();
    SetVarString(FieldAddress(1), "MINE", 20);
    SetVarInt64(FieldAddress(2), 3);
    Append();
    ASSERT_EQ(LastErrorCode, 0);
    Unlock();

    Signal holding;
    const pid_t other = Child([&] {
        Select(12);
        Use(path + " ALIAS OTHER");
        if (LastErrorCode != 0 || !ALock()) return 2;
        holding.Send();
        os::SleepMs(200); // our close comes now and must wait for this append
        ClearRecord();
        SetVarString(FieldAddress(1), "THEIRS", 20);
        SetVarInt64(FieldAddress(2), 77);
        Append();
        if (LastErrorCode != 0) return 3;
        Unlock();
        os::SleepMs(300); // still open: only our close writes count and end mark
        _exit(0);
    });
    ASSERT_TRUE(holding.Wait());
    FreeWorkArea(); // writes count and end mark once the append lock is free
    EXPECT_EQ(WaitChild(other), 0);

    const areastest::RefView ref = View(path);
    EXPECT_EQ(ref.headerCount, 4);
    ASSERT_EQ(ref.live.size(), 4u);
    EXPECT_EQ(ref.live[2].first, "MINE");
    EXPECT_EQ(ref.live[3], std::make_pair(std::string("THEIRS"), 77));
    const std::string raw = dbftest::ReadFileBytes(path);
    const auto* p = reinterpret_cast<const unsigned char*>(raw.data());
    const std::size_t header = p[8] | (p[9] << 8);
    const std::size_t record = p[10] | (p[11] << 8);
    EXPECT_EQ(raw[header + 3 * record], ' '); // their record's deletion flag, not an end mark
    ASSERT_EQ(raw.size(), header + 4 * record + 1);
    EXPECT_EQ(raw.back(), '\x1A');
}
