// Semaphore files of shared tables: users, readers, writer mark and change counter as the
// reference reads them; two processes sharing one index; stale caches after another writer.

#include <fstream>
#include <random>

#include "ndxmaint_testutil.h"
#include "platform/os/paths.h"

namespace {

using ndxmainttest::MaintTest;

class SemaTest : public MaintTest {
protected:
    // t.dbf with `rows` records and an index over NAME, all closed again.
    void Prepare(int rows) {
        CreateMainTable();
        for (int i = 1; i <= rows; ++i)
            AppendRow(Key(i), i, "");
        Build("name.ndx", "NAME");
        dbf::Use("");
        dbf::MultiUser = true;
    }
    static std::string Key(int i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "K%05d", i);
        return buf;
    }
    // Opens the table shared in area n with the NAME index.
    void OpenShared(std::uint8_t n) {
        ASSERT_TRUE(dbf::Select(n));
        dbf::Use(Path("t.dbf") + " ALIAS T" + std::to_string(n));
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        ASSERT_TRUE(dbf::SetIndexToOrder1(Path("name.ndx"))) << dbf::ErrorText;
    }
    std::string Sem() const { return Path("t.@S@"); }
    void Patch(std::uint8_t users, std::uint8_t readers, std::uint16_t counter) {
        std::fstream f(Sem(), std::ios::in | std::ios::out | std::ios::binary);
        const char b[4] = {static_cast<char>(users), static_cast<char>(readers),
                           static_cast<char>(counter & 0xFF), static_cast<char>(counter >> 8)};
        f.write(b, 4);
    }
};

TEST_F(SemaTest, NoSemaphoreFileWhenSingleUserOrExclusive) {
    Prepare(3);
    dbf::MultiUser = false;
    OpenShared(1);
    EXPECT_FALSE(os::FileExists(Sem()));
    dbf::Use("");
    dbf::MultiUser = true;
    ASSERT_TRUE(dbf::Select(1));
    dbf::Use(Path("t.dbf") + " EXCLUSIVE");
    ASSERT_TRUE(dbf::SetIndexToOrder1(Path("name.ndx"))) << dbf::ErrorText;
    EXPECT_TRUE(dbf::Find("K00002"));
    EXPECT_FALSE(os::FileExists(Sem()));
}

TEST_F(SemaTest, ConfiguredDirectoryHoldsTheSemaphoreFile) {
    Prepare(2);
    const std::string dir = Path("sem");
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    dbf::SemaphoreDirectory = dir;
    OpenShared(1);
    const bool there = os::FileExists(dir + "/t.@S@");
    const bool beside = os::FileExists(Sem());
    dbf::Use("");
    const bool gone = !os::FileExists(dir + "/t.@S@");
    dbf::SemaphoreDirectory.clear();
    EXPECT_TRUE(there);
    EXPECT_FALSE(beside);
    EXPECT_TRUE(gone);
    EXPECT_EQ(dbf::SemaphoreFileName("/a/b.c/t.dbf"), "/a/b.c/t.@S@");
    EXPECT_EQ(dbf::SemaphoreFileName("/a/b.c/t"), "/a/b.c/t.@S@");
}

TEST_F(SemaTest, TwoAreasLogInTwiceAndTheLastLogoutDeletesTheFile) {
    Prepare(3);
    OpenShared(1);
    EXPECT_EQ(Counter(Sem()), "1 0 0");
    OpenShared(2);
    EXPECT_EQ(Counter(Sem()), "2 0 0");
    ASSERT_NE(dbf::SemaphoreState(2), nullptr);
    EXPECT_EQ(dbf::SemaphoreState(2)->UsersAtLogin, 2);
    dbf::Select(1);
    dbf::CloseIndexes();
    EXPECT_EQ(dbf::SemaphoreState(1), nullptr);
    EXPECT_EQ(Counter(Sem()), "1 0 0");
    dbf::Select(2);
    dbf::Use("");
    EXPECT_FALSE(os::FileExists(Sem()));
}

TEST_F(SemaTest, BracketsCountReadersMarkTheWriterAndWrapTheCounter) {
    Prepare(3);
    OpenShared(1);
    dbf::SetReadSemaphoreProc(true);
    EXPECT_EQ(Counter(Sem()), "1 1 0");
    dbf::SetReadSemaphoreProc(true); // nested: the file is not touched
    EXPECT_EQ(Counter(Sem()), "1 1 0");
    dbf::SetReadSemaphoreProc(false);
    dbf::SetReadSemaphoreProc(false);
    EXPECT_EQ(Counter(Sem()), "1 0 0");
    dbf::SetReadSemaphoreProc(false);
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal);
    dbf::LastErrorCode = 0;

    dbf::SetLockSemaphoreProc(true);
    EXPECT_EQ(Counter(Sem()), "1 1 0"); // the writer's mark
    dbf::SetReadSemaphoreProc(true);    // a read inside the write leaves the file alone
    EXPECT_EQ(Counter(Sem()), "1 1 0");
    dbf::SetReadSemaphoreProc(false);
    dbf::SetLockSemaphoreProc(false);
    EXPECT_EQ(Counter(Sem()), "1 0 1");
    EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;

    Patch(1, 0, 65533);
    dbf::SetLockSemaphoreProc(true);
    dbf::SetLockSemaphoreProc(false);
    EXPECT_EQ(Counter(Sem()), "1 0 65534");
    dbf::SetLockSemaphoreProc(true);
    dbf::SetLockSemaphoreProc(false);
    EXPECT_EQ(Counter(Sem()), "1 0 0");
    EXPECT_EQ(dbf::SemaphoreState(1)->CounterSeen, 0);

    Patch(1, 127, 0);
    dbf::SetReadSemaphoreProc(true);
    EXPECT_EQ(Counter(Sem()), "1 127 0");
    dbf::SetReadSemaphoreProc(false);
    EXPECT_EQ(Counter(Sem()), "1 126 0");
    Patch(1, 0, 0);
}

TEST_F(SemaTest, AnotherWritersChangeDropsTheStaleNodeCache) {
    // Two work areas are two independent users of the file, each with its own cache.
    Prepare(300);
    OpenShared(1);
    OpenShared(2);
    std::mt19937 rnd(3);
    for (int round = 0; round < 400; ++round) {
        const std::uint8_t area = (round % 2) + 1;
        dbf::Select(area);
        EXPECT_TRUE(dbf::Find(Key(1 + static_cast<int>(rnd() % 300)))) << round;
        ASSERT_TRUE(dbf::FLock());
        AppendRow("A" + std::to_string(rnd() % 100000), 0, "");
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        dbf::Unlock();
    }
    EXPECT_EQ(Check(Path("name.ndx"), "--records 700"), "ok");
    EXPECT_EQ(Compare("NAME", "char", "name.ndx"), "ok 700");
    EXPECT_EQ(Counter(Sem()), "2 0 400");
}

TEST_F(SemaTest, WritersTakingTurnsWithoutReadingKeepOneSoundIndex) {
    Prepare(50);
    OpenShared(1);
    OpenShared(2);
    for (int round = 0; round < 600; ++round) {
        const std::uint8_t area = (round % 2) + 1;
        dbf::Select(area);
        ASSERT_TRUE(dbf::FLock());
        if (round % 3 == 2 && dbf::RecCount() > 0) {
            dbf::Go(1 + round % dbf::RecCount());
            SetFields("R" + std::to_string(round * 37 % 1000), 0, "");
            dbf::Replace();
        } else {
            AppendRow("W" + std::to_string(round * 7919 % 1000), 0, "");
        }
        ASSERT_EQ(dbf::LastErrorCode, 0) << round << ": " << dbf::ErrorText;
        dbf::Unlock();
    }
    EXPECT_EQ(Check(Path("name.ndx"), "--records 450"), "ok");
    EXPECT_EQ(Compare("NAME", "char", "name.ndx"), "ok 450");
    dbf::Select(1);
    dbf::GoTop();
    int seen = 0;
    for (; !dbf::dEOF(); dbf::Skip(1))
        ++seen;
    EXPECT_EQ(seen, 450);
}

TEST_F(SemaTest, OneProcessAppendsWhileAnotherFindsCommittedKeys) {
    Prepare(1);
    constexpr int kAppends = 5000;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int code = 0;
        dbf::Select(1);
        dbf::Use(Path("t.dbf"));
        if (dbf::LastErrorCode != 0 || !dbf::SetIndexToOrder1(Path("name.ndx"))) _exit(3);
        if (!dbf::ALock()) _exit(4);
        for (int i = 2; i <= kAppends + 1 && code == 0; ++i) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), Key(i), 10);
            dbf::SetVarInt64(dbf::FieldAddress(4), i);
            dbf::Append();
            if (dbf::LastErrorCode != 0) code = 5;
        }
        dbf::Unlock();
        dbf::Use("");
        _exit(code);
    }
    OpenShared(1);
    std::mt19937 rnd(11);
    int finds = 0, misses = 0, status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        dbf::RefreshRecCount();
        const int n = dbf::RecCount();
        const int i = 1 + static_cast<int>(rnd() % n);
        if (!dbf::Find(Key(i)) || dbf::RecNo() != i) {
            ++misses;
            ADD_FAILURE() << "key " << i << " of " << n << ": " << dbf::ErrorText;
        }
        ++finds;
        if (done == child || misses > 5) break;
    }
    if (misses > 5) waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GT(finds, 10);
    EXPECT_EQ(misses, 0);
    EXPECT_EQ(Counter(Sem()), "1 0 " + std::to_string(kAppends));
    dbf::Use("");
    EXPECT_FALSE(os::FileExists(Sem()));
    EXPECT_EQ(Check(Path("name.ndx"), "--records " + std::to_string(kAppends + 1)), "ok");
    EXPECT_EQ(Compare("NAME", "char", "name.ndx"), "ok " + std::to_string(kAppends + 1));
}

} // namespace
