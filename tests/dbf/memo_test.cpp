// Memo files: exact bytes of new files, opening, block placement in the three flavours, the
// dBASE IV free-block list, reading damaged or foreign memos, and the memo lock between
// processes.

#include <sys/wait.h>
#include <unistd.h>

#include "dbf/memo/blob.h"
#include "memo_testutil.h"
#include "platform/os/file.h"

namespace {

using namespace dbf;
using memotest::Be32At;
using memotest::Le32At;
using memotest::MakeTable;
using memotest::PatchByte;
using memotest::ReadFileBytes;
using memotest::WriteFileBytes;

class MemoFileTest : public memotest::MemoTest {};

TEST_F(MemoFileTest, NewFilesHaveTheirExactBytes) {
    // Re-created through the memo unit in the table's own flavour.
    const std::string t3 = dir_ / "d3.dbf";
    MakeTable(t3, 0x83, 512);
    Open(t3);
    RecreateMemofile(t3);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    std::string b = ReadFileBytes(dir_ / "d3.dbt");
    ASSERT_EQ(b.size(), 513u);
    EXPECT_EQ(b[0], '\x01');
    EXPECT_EQ(b.find_first_not_of('\0', 1), 512u);
    EXPECT_EQ(b[512], '\x1A');
    // The first memo goes to block 1 and overwrites the end mark.
    EXPECT_EQ(AppendMemo("first"), 1);
    b = ReadFileBytes(dir_ / "d3.dbt");
    ASSERT_EQ(b.size(), 1024u);
    EXPECT_EQ(b.substr(512, 6), std::string("first\x1A"));
    EXPECT_EQ(Le32At(b, 0), 2u);
    FreeWorkArea();

    const std::string t4 = dir_ / "tools.dbf";
    MakeTable(t4, 0x8B, 512);
    Open(t4);
    RecreateMemofile(t4);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    b = ReadFileBytes(dir_ / "tools.dbt");
    const std::string want("\x01\0\0\0\0\0\0\0TOOLS\0\0\0\0\0\x02\x01\x00\x02\0\0", 24);
    // The base name is the file's own (tools), at most 8 characters.
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(b.substr(0, 8), want.substr(0, 8));
    EXPECT_EQ(b.substr(8, 8), std::string("tools\0\0\0", 8));
    EXPECT_EQ(b.substr(16), want.substr(16));
    FreeWorkArea();

    const std::string tf = dir_ / "fox.dbf";
    MakeTable(tf, 0xF5, 64);
    b = ReadFileBytes(dir_ / "fox.fpt");
    ASSERT_EQ(b.size(), 512u);
    EXPECT_EQ(Be32At(b, 0), 8u);
    EXPECT_EQ(b[6], '\0');
    EXPECT_EQ(b[7], '\x40');
    Open(tf);
    EXPECT_EQ(CurrentMemo()->BlockSize, 64);
    EXPECT_EQ(AppendMemo("fox"), 8);
}

TEST_F(MemoFileTest, RecreateNeverOverwritesTheTable) {
    const std::string t = dir_ / "keep.dbf";
    MakeTable(t, 0xF5, 128);
    const std::string table = ReadFileBytes(t);
    Open(t);
    RecreateMemofile(t);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(ReadFileBytes(t), table);
    EXPECT_EQ(ReadFileBytes(dir_ / "keep.fpt").size(), 512u);
    EXPECT_NE(CurrentMemo(), nullptr);
}

TEST_F(MemoFileTest, OpeningAndItsFailures) {
    const std::string t = dir_ / "b4.dbf";
    const std::string memo = MakeTable(t, 0x8B, 1024);
    Open(t);
    TMemoFile* m = CurrentMemo();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->BlockSize, 1024);
    EXPECT_EQ(m->Flavour, 0x8B);
    EXPECT_EQ(GetMemoType(), 0x8B);

    // A second open for the same area fails and leaves the first open.
    OpenMemofile(t);
    EXPECT_EQ(LastErrorCode, kErrMemoOpen);
    EXPECT_EQ(CurrentMemo(), m);
    FreeWorkArea();

    // Block size 0 in the header: the default.
    PatchByte(memo, 20, 0);
    PatchByte(memo, 21, 0);
    Open(t);
    EXPECT_EQ(CurrentMemo()->BlockSize, 512);
    EXPECT_GT(AppendMemo("text"), 0);
    FreeWorkArea();

    // A block size no dBASE IV memo file has (512 damaged to 1): the table is refused, the file
    // and the field named, never read in blocks of one byte.
    PatchByte(memo, 21, 2);
    PatchByte(memo, 20, 1);
    ASSERT_TRUE(Select(1));
    Use(t + " EXCLUSIVE");
    EXPECT_EQ(LastErrorCode, kErrInvalidSize);
    EXPECT_NE(ErrorText.find(memo + ": the block size 513 (bytes 20-21 of the header)"),
              std::string::npos)
        << ErrorText;
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    LastErrorCode = 0;

    // A missing memo file.
    std::remove(memo.c_str());
    ASSERT_TRUE(Select(1));
    Use(t + " EXCLUSIVE");
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    EXPECT_EQ(CurrentWorkArea(), nullptr);
    LastErrorCode = 0;

    // Directly: the text names the file.
    MakeTable(dir_ / "c.dbf", 0x8B, 512);
    Open(dir_ / "c.dbf");
    CloseMemofile();
    std::remove((dir_ / "c.dbt").c_str());
    OpenMemofile(dir_ / "c.dbf");
    EXPECT_EQ(LastErrorCode, kErrFileNotFound);
    EXPECT_EQ(ErrorText, "Memo file not found: " + (dir_ / "c.dbt") + " [USE]");
    EXPECT_EQ(CurrentMemo(), nullptr);

    // A memo file whose name differs in letter case is found.
    MakeTable(dir_ / "u.dbf", 0x8B, 512);
    std::rename((dir_ / "u.dbt").c_str(), (dir_ / "U.DBT").c_str());
    ASSERT_TRUE(Select(2));
    Use(dir_ / "u.dbf EXCLUSIVE");
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(CurrentMemo()->FileName, dir_ / "U.DBT");
    FreeWorkArea();
    ASSERT_TRUE(Select(1));

    // Memo operations without a memo file or a table.
    EXPECT_EQ(PutMemoText("x", 0), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoOperation);
    FreeWorkArea();
    std::string text;
    EXPECT_FALSE(GetMemoText(1, text));
    EXPECT_EQ(LastErrorCode, kErrNoDatabase);
}

TEST_F(MemoFileTest, HeaderBlockSizeForCopying) {
    const std::string p = dir_ / "x.fpt";
    WriteFileBytes(p, std::string(512, '\0')); // FoxPro header with block size 0
    os::File f;
    ASSERT_EQ(f.Open(p, 18), 0);
    EXPECT_EQ(MemoFileBlockSize(f, 0xF5), 512);
    EXPECT_EQ(f.Tell(), 0u);
    f.Close();
    WriteFileBytes(p, std::string(4, '\0'));
    ASSERT_EQ(f.Open(p, 18), 0);
    EXPECT_EQ(MemoFileBlockSize(f, 0xF5), 64); // header too short
    f.Close();
    std::string h(24, '\0');
    h[18] = 2, h[19] = 1, h[20] = 0, h[21] = 4;
    WriteFileBytes(p, h);
    ASSERT_EQ(f.Open(p, 18), 0);
    EXPECT_EQ(MemoFileBlockSize(f, 0x8B), 1024);
    h[18] = 0; // no valid-size mark
    f.Close();
    WriteFileBytes(p, h);
    ASSERT_EQ(f.Open(p, 18), 0);
    EXPECT_EQ(MemoFileBlockSize(f, 0x8B), 512);
    EXPECT_EQ(MemoFileBlockSize(f, 0x83), 512);
}

TEST_F(MemoFileTest, Dbase3BlocksAndEndMark) {
    const std::string t = dir_ / "d3.dbf";
    MakeTable(t, 0x83, 512);
    Open(t);
    const std::string b510(510, 'x'), b511(511, 'y');
    EXPECT_EQ(AppendMemo(b510), 1); // 510 + two end marks: one block
    EXPECT_EQ(AppendMemo(b511), 2); // the second end mark starts a second block
    EXPECT_EQ(AppendMemo("next"), 4);
    EXPECT_EQ(Memo(1), b510);
    EXPECT_EQ(Memo(2), b511);
    EXPECT_EQ(Memo(4), "next");
    const std::string bytes = ReadFileBytes(dir_ / "d3.dbt");
    EXPECT_EQ(bytes.size(), 5u * 512);
    EXPECT_EQ(bytes.substr(1022, 2), "\x1A\x1A");
    EXPECT_EQ(bytes.substr(3 * 512 - 1, 3), std::string("\x1A\x1A\0", 3));
    EXPECT_EQ(bytes.substr(4 * 512, 7), "next\x1A\x1A" + std::string(1, '\0'));
    EXPECT_EQ(Le32At(bytes, 0), 5u);

    // dBASE III never rewrites in place: a changed memo goes to the end.
    EXPECT_EQ(PutMemoText("changed", 1), 5);
    // A text holding bytes 0x03 and CR LF reads back whole.
    const std::string odd = std::string("a\x03 b\r\nc\x8D\nd");
    EXPECT_EQ(Memo(PutMemoText(odd, 0)), odd);
    // AddMemo drops trailing blanks; an empty text writes nothing.
    EXPECT_EQ(Memo(AddMemo("tail   ")), "tail");
    EXPECT_EQ(AddMemo("    "), 0);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(PutMemoText("", 0), 0);
}

TEST_F(MemoFileTest, ReadingForeignAndDamagedMemos) {
    const std::string t = dir_ / "d3.dbf";
    const std::string memo = MakeTable(t, 0x83, 512);
    // Block 1: text without end mark up to the end of the file; block 3: a group memo.
    std::string b = ReadFileBytes(memo).substr(0, 512);
    b += std::string(1024, 'q');
    b += std::string("\xFF\xFF\x08\x00", 4);
    b += std::string("\x0D\x00\x00\x00", 4); // total 13: 5 text bytes
    b += "group";
    b += std::string(499, '\0');
    WriteFileBytes(memo, b);
    Open(t);
    EXPECT_EQ(Memo(3), "group");
    EXPECT_EQ(Memo(-3), "group"); // the dBASE III form of a group reference
    EXPECT_EQ(Memo(0), "");
    std::string text;
    // A memo longer than the engine takes (a text without its end mark, a group that says so)
    // is refused, naming the table, the record and the limit; so is a blob read of it.
    for (const auto& [block, limit] : {std::pair{1, 1000}, {3, 4}}) {
        MemoSizeLimit = static_cast<std::uint64_t>(limit);
        EXPECT_FALSE(GetMemoText(block, text));
        EXPECT_EQ(ErrorText, t + " Record # 0: the memo is longer than " + std::to_string(limit) +
                                 " bytes, the most the program reads of one memo [GetMemo]");
        ASSERT_NE(OpenBlob(false, block, kBlobRead), 0);
        char piece[2048];
        EXPECT_EQ(ReadBlobStream(piece, sizeof piece), 0);
        EXPECT_EQ(LastErrorCode, kErrInvalidSize);
        DestroyBlobDescriptor();
    }
    MemoSizeLimit = 64ull << 20;
    // Without its end mark a text ends where the next memo begins, never at the file's end.
    EXPECT_EQ(Memo(1), std::string(1024, 'q'));
    EXPECT_FALSE(GetMemoText(40, text));
    EXPECT_EQ(LastErrorCode, kErrMemoAddress);
    EXPECT_FALSE(GetMemoText(std::numeric_limits<std::int32_t>::min(), text));
    EXPECT_EQ(LastErrorCode, kErrMemoAddress);
    FreeWorkArea();

    // A dBASE IV file whose memo lacks the group header is read as text up to 0x1A. A stored
    // length the file cannot hold, or a dBASE total below its own 8 header bytes, is damage:
    // reported, never the rest of the file nor an empty memo.
    struct Damage {
        std::uint8_t flavour;
        std::string header;
    };
    for (const Damage& c : {Damage{0x8B, std::string("\xFF\xFF\x08\x00\xFF\xFF\xFF\x7F", 8)},
                            Damage{0x8B, std::string("\xFF\xFF\x08\x00\x0E\x00\x00\x00", 8)},
                            Damage{0x8B, std::string("\xFF\xFF\x08\x00\x04\x00\x00\x00", 8)},
                            Damage{0xF5, std::string("\x00\x00\x00\x01\x00\x00\x00\x06", 8)}}) {
        const std::string t4 = dir_ / "d4.dbf";
        const std::string m4 = MakeTable(t4, c.flavour, 512);
        b = ReadFileBytes(m4);
        b.resize(512, '\0');
        b += std::string("plain text\x1A", 11);
        b.resize(1024, '\0');
        b += c.header + "short";
        WriteFileBytes(m4, b);
        Open(t4);
        if (c.flavour == 0x8B) {
            EXPECT_EQ(Memo(1), "plain text");
        }
        EXPECT_FALSE(GetMemoText(2, text)) << static_cast<int>(c.header[4]);
        EXPECT_EQ(LastErrorCode, kErrMemoAddress);
        EXPECT_TRUE(text.empty());
        EXPECT_EQ(OpenBlob(false, 2, kBlobRead), 0);
        EXPECT_EQ(LastErrorCode, kErrMemoAddress);
        FreeWorkArea();
    }
}

// A rewrite whose text ends inside the last 8 bytes of a block needs one block more than the
// text alone: the memo after it is never touched.
TEST_F(MemoFileTest, RewritesNearTheBlockEndKeepTheNextMemo) {
    const std::string t = dir_ / "w.dbf";
    MakeTable(t, 0x8B, 512);
    Open(t);
    const std::string next = "the next memo";
    for (std::size_t length = 503; length <= 512; ++length) {
        for (bool blob : {false, true}) {
            const std::int32_t first = AppendMemo("short");
            const std::int32_t second = AppendMemo(next);
            ASSERT_EQ(second, first + 1);
            const std::string text(length, 'w');
            std::int32_t block = 0;
            if (blob) {
                ASSERT_GT(OpenBlob(false, first, kBlobRead), 0);
                ASSERT_GT(CreateBlobDescriptor(first, kBlobWrite, length), 0) << ErrorText;
                ASSERT_EQ(WriteBlobStream(text.data(), static_cast<std::int32_t>(length)),
                          static_cast<std::int32_t>(length));
                block = DestroyBlobDescriptor();
            } else {
                block = PutMemoText(text, first);
            }
            ASSERT_GT(block, 0) << ErrorText;
            EXPECT_EQ(block == first, length + 8 < 512) << length;
            EXPECT_EQ(Memo(block), text) << length;
            EXPECT_EQ(Memo(second), next) << length << (blob ? " blob" : " text");
        }
    }
}

TEST_F(MemoFileTest, Dbase4RewritesInPlaceWhenItFits) {
    for (std::uint16_t bs : {512, 1024}) {
        const std::string t = dir_ / ("p" + std::to_string(bs) + ".dbf");
        const std::string memo = MakeTable(t, 0x8B, bs);
        Open(t);
        const std::int32_t a = AppendMemo(std::string(bs + 100, 'a')); // two blocks
        const std::int32_t next = AppendMemo("after");
        EXPECT_EQ(a, 1);
        EXPECT_EQ(next, 3);
        // A text that fills the group, then a shorter one: both stay at their block.
        EXPECT_EQ(PutMemoText(std::string(2 * bs - 9, 'b'), a), a);
        EXPECT_EQ(Memo(a), std::string(2 * bs - 9, 'b'));
        EXPECT_EQ(PutMemoText("short now", a), a);
        EXPECT_EQ(Memo(a), "short now");
        EXPECT_EQ(Memo(next), "after");
        // Longer than the group: to the end of the file, the next memo untouched.
        std::uint64_t size = ReadFileBytes(memo).size();
        const std::int32_t moved = PutMemoText(std::string(2 * bs, 'c'), a);
        EXPECT_EQ(static_cast<std::uint64_t>(moved), (size + bs - 1) / bs);
        EXPECT_EQ(Memo(moved), std::string(2 * bs, 'c'));
        // A damaged old reference past the end of the file is no reason to refuse the write.
        EXPECT_GT(PutMemoText("fresh", 99999), moved);
        EXPECT_EQ(LastErrorCode, 0);
        EXPECT_EQ(Memo(next), "after");
        const std::string bytes = ReadFileBytes(memo);
        EXPECT_EQ(Le32At(bytes, 0), (bytes.size() + bs - 1) / bs);
        EXPECT_EQ(bytes.substr(18, 4), std::string("\x02\x01", 2) + static_cast<char>(bs & 0xFF) +
                                           static_cast<char>(bs >> 8));
        FreeWorkArea();
    }
}

// dBASE IV file (512-byte blocks) with memos at blocks 1 and 4 and a free list
// header -> 2 (2 blocks) -> 6 (3 blocks) -> 9 (end of file).
std::string FreeListFile(const std::string& header24) {
    std::string b = header24;
    b.resize(512 * 9, '\0');
    auto put = [&](std::size_t block, std::uint32_t a, std::uint32_t c) {
        for (int i = 0; i < 4; ++i) {
            b[block * 512 + i] = static_cast<char>(a >> (8 * i));
            b[block * 512 + 4 + i] = static_cast<char>(c >> (8 * i));
        }
    };
    put(0, 2, 0);
    put(1, 0x0008FFFF, 8 + 5);
    b.replace(512 + 8, 5, "one..");
    put(2, 6, 2);
    put(4, 0x0008FFFF, 8 + 4);
    b.replace(4 * 512 + 8, 4, "four");
    put(5, 0, 0);
    put(6, 9, 3);
    return b;
}

TEST_F(MemoFileTest, Dbase4FreeListReuseIsSafe) {
    const std::string t = dir_ / "free.dbf";
    const std::string memo = MakeTable(t, 0x8B, 512);
    const std::string header = ReadFileBytes(memo).substr(0, 24);
    WriteFileBytes(memo, FreeListFile(header));
    Open(t);
    // Three blocks needed: the group at 6 is taken and unlinked (2 now points to 9).
    EXPECT_EQ(AllocMemoBlocks(3, 0, "[test]"), 6);
    std::string b = ReadFileBytes(memo);
    EXPECT_EQ(Le32At(b, 2 * 512), 9u);
    // One block: the group at 2 is split, its surplus block 3 stays on the list.
    EXPECT_EQ(AllocMemoBlocks(1, 0, "[test]"), 2);
    b = ReadFileBytes(memo);
    EXPECT_EQ(Le32At(b, 0), 3u);
    EXPECT_EQ(Le32At(b, 3 * 512), 9u);
    EXPECT_EQ(Le32At(b, 3 * 512 + 4), 1u);
    FreeWorkArea();

    // A stale list whose node is a used group: nothing is written into that memo.
    b = FreeListFile(header);
    b[0] = 4; // header -> 4, the memo "four"
    WriteFileBytes(memo, b);
    Open(t);
    EXPECT_EQ(AllocMemoBlocks(1, 0, "[test]"), 9);
    EXPECT_EQ(Memo(4), "four");
    EXPECT_EQ(Memo(1), "one..");
    FreeWorkArea();

    // A list that runs in a circle ends the walks.
    b = FreeListFile(header);
    b[6 * 512] = 2; // 6 -> 2
    WriteFileBytes(memo, b);
    Open(t);
    EXPECT_EQ(AllocMemoBlocks(5, 0, "[test]"), 9);
    EXPECT_EQ(LastErrorCode, 0);
    FreeMemoBlocks(7, 1);
    EXPECT_EQ(LastErrorCode, 0);
    EXPECT_EQ(Memo(4), "four");
    FreeWorkArea();

    // Released groups join a non-empty list in block order: memo 4 with block 5 between
    // 2 and 6, block 1 before the head.
    WriteFileBytes(memo, FreeListFile(header));
    Open(t);
    FreeMemoBlocks(4, 2);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    FreeMemoBlocks(1, 1);
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    b = ReadFileBytes(memo);
    EXPECT_EQ(Le32At(b, 0), 1u);
    EXPECT_EQ(Le32At(b, 512), 2u);
    EXPECT_EQ(Le32At(b, 512 + 4), 1u);
    EXPECT_EQ(Le32At(b, 2 * 512), 4u);
    EXPECT_EQ(Le32At(b, 4 * 512), 6u);
    EXPECT_EQ(Le32At(b, 4 * 512 + 4), 2u);
    // A write takes the first group large enough (2, two blocks; 1 is too small) and the
    // header then marks the end of the file again, so programs that append at the header's
    // block stay safe.
    EXPECT_EQ(PutMemoText(std::string(600, 'w'), 0), 2);
    b = ReadFileBytes(memo);
    EXPECT_EQ(Le32At(b, 0), 9u);
    EXPECT_EQ(Memo(2), std::string(600, 'w'));
    // With the list empty, a memo that shrinks in place records nothing.
    EXPECT_EQ(PutMemoText("small", 2), 2);
    EXPECT_EQ(Le32At(ReadFileBytes(memo), 0), 9u);
    EXPECT_EQ(Memo(2), "small");
}

TEST_F(MemoFileTest, FoxProAppendsWithBigEndianHeaders) {
    const std::string t = dir_ / "fx.dbf";
    const std::string memo = MakeTable(t, 0xF5, 64);
    Open(t);
    EXPECT_EQ(AppendMemo(std::string(100, 'f')), 8);
    EXPECT_EQ(AppendMemo("g"), 10); // 108 bytes: two 64-byte blocks
    const std::string b = ReadFileBytes(memo);
    EXPECT_EQ(Be32At(b, 8 * 64), 1u);
    EXPECT_EQ(Be32At(b, 8 * 64 + 4), 100u);
    EXPECT_EQ(Be32At(b, 0), (b.size() + 63) / 64);
    // FoxPro rewrites append too.
    EXPECT_EQ(PutMemoText("h", 8), 11);
    EXPECT_EQ(Memo(8), std::string(100, 'f'));
}

TEST_F(MemoFileTest, ConversionRoutinesSeeWhatTheFileHolds) {
    // A reversible byte transformation installed as the area's conversion routines.
    auto flip = [](char* bytes, std::uint16_t n) {
        for (std::uint16_t i = 0; i < n; ++i)
            bytes[i] = static_cast<char>(bytes[i] ^ 0x20);
    };
    for (std::uint8_t flavour : {0x83, 0x8B, 0xF5}) {
        const std::string t = dir_ / ("cv" + std::to_string(flavour) + ".dbf");
        const std::string memo = MakeTable(t, flavour, 512);
        Open(t);
        CurrentWorkArea()->ReadHook = flip;
        CurrentWorkArea()->WriteHook = flip;
        const std::string text(1300, 'm');
        const std::int32_t block = PutMemoText(text, 0);
        EXPECT_EQ(Memo(block), text);
        const std::string raw = ReadFileBytes(memo);
        const std::size_t start = block * 512 + (flavour == 0x83 ? 0 : 8);
        EXPECT_EQ(raw.substr(start, 4), "MMMM");
        FreeWorkArea();
    }
}

TEST_F(MemoFileTest, ReleasedBlockCounterAndHeaderAfterWrites) {
    const std::string t = dir_ / "cnt.dbf";
    const std::string memo = MakeTable(t, 0x8B, 512);
    Open(t);
    const std::int32_t a = AppendMemo(std::string(600, 'a'));
    ASSERT_TRUE(GetMemo(a));
    EXPECT_EQ(MemoBlocksRead, 2u);
    EXPECT_EQ(EditMemo(a), a);
    EXPECT_EQ(Le32At(ReadFileBytes(memo), 32), 2u);
}

// ---- the memo lock between processes ----

int WaitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

TEST_F(MemoFileTest, WriterWaitsForTheMemoLock) {
    const std::string t = dir_ / "lock.dbf";
    const std::string memo = MakeTable(t, 0x8B, 512);
    Open(t, false);
    ASSERT_TRUE(FLock());
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        os::File f;
        if (f.Open(memo, 0x42) != 0 || f.Lock(10, 1) != 0) _exit(2);
        char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(3);
        if (read(go[0], &c, 1) != 1) _exit(4);
        if (c == 2) usleep(150 * 1000); // held while the parent waits
        f.Unlock(10, 1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);

    // Held for good: the write fails with 1017 and the area holds no lock afterwards.
    MemoLockWait = 50;
    EXPECT_EQ(PutMemoText("blocked", 0), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoLock);
    EXPECT_FALSE(CurrentMemo()->Locked);

    // Released while the writer waits: the write goes through.
    MemoLockWait = 5000;
    c = 2;
    ASSERT_EQ(write(go[1], &c, 1), 1);
    const std::int32_t block = PutMemoText("waited", 0);
    EXPECT_EQ(LastErrorCode, 0) << ErrorText;
    EXPECT_EQ(Memo(block), "waited");
    EXPECT_FALSE(CurrentMemo()->Locked);
    EXPECT_EQ(WaitChild(pid), 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        close(fd);

    // The byte is free again for another program.
    os::File other;
    ASSERT_EQ(other.Open(memo, 0x42), 0);
    EXPECT_EQ(other.Lock(10, 1), 0);
}

} // namespace
