// Memo packing and copying between memo flavours, checked with Perl XBase, python3-dbfread and
// the raw bytes of the files; failures injected during a pack leave every memo readable.

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sched.h>

#include "dbf/table/search.h"
#include "memopack_testutil.h"
#include "platform/os/paths.h"

namespace {

using namespace dbf;
using memotest::MakeTable;
using memotest::ReadFileBytes;
using packtest::Hex;

class MemoPackTest : public memotest::MemoTest {
protected:
    void SetUp() override {
        memotest::MemoTest::SetUp();
        ConfirmPack = false;
    }

    // Appends a record whose NOTE field holds block (no memo written).
    void AppendPointer(const std::string& name, std::int32_t block) {
        dbf::Append();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
        SetVarString(FieldAddress(1), name, 10);
        SetVarInt32(FieldAddress(2), block);
        dbf::Replace();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    }

    std::int32_t Write(const std::string& text) {
        const std::int32_t b = PutMemoText(text, 0);
        EXPECT_GT(b, 0) << ErrorText;
        return b;
    }

    std::int32_t FieldBlock(std::int32_t rec, std::uint8_t field = 2) {
        Go(rec);
        return GetVarInt32(FieldAddress(field));
    }
};

// Records pointing at blocks 9, 3 and 9 of a file full of dead memos: three copies in record
// order, read alike by Perl XBase and dbfread, in a smaller file.
TEST_F(MemoPackTest, PointersNineThreeNineGiveThreeCopiesInRecordOrder) {
    for (const auto& f : {packtest::Flavour{"d3", 0x83, 512}, packtest::Flavour{"d4", 0x8B, 512},
                          packtest::Flavour{"fx", 0xF5, 512}}) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("nine_") + f.name + ".dbf");
        const std::string memoPath = MakeTable(table, f.version, f.bs);
        Open(table);
        // One block each: blocks 1 (FoxPro: the first after its header) and on.
        std::map<std::int32_t, std::string> at;
        for (int i = 0; i < 12; ++i) {
            const std::string text =
                "memo number " + std::to_string(i) + " " + std::string(40, 'x');
            at[Write(text)] = text;
        }
        ASSERT_TRUE(at.count(9) && at.count(3));
        AppendPointer("first", 9);
        AppendPointer("second", 3);
        AppendPointer("third", 9);
        const std::uint64_t before = ReadFileBytes(memoPath).size();
        PackMemofile();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
        const std::int32_t b1 = FieldBlock(1), b2 = FieldBlock(2), b3 = FieldBlock(3);
        EXPECT_GT(b1, 0);
        EXPECT_LT(b1, b2);
        EXPECT_LT(b2, b3);
        FreeWorkArea();
        EXPECT_LT(ReadFileBytes(memoPath).size(), before);
        EXPECT_FALSE(FileExists(ForceExt(memoPath, "$$$")));
        EXPECT_FALSE(FileExists(ForceExt(memoPath, "$$B")));
        for (const auto& view : {packtest::PerlView(table), packtest::DbfreadView(table)}) {
            ASSERT_EQ(view.size(), 3u);
            EXPECT_EQ(view.at({1, "NOTE"}).substr(0, at[9].size()), at[9]);
            EXPECT_EQ(view.at({2, "NOTE"}).substr(0, at[3].size()), at[3]);
            EXPECT_EQ(view.at({3, "NOTE"}).substr(0, at[9].size()), at[9]);
        }
        // Perl XBase takes the stored length exactly.
        const auto perl = packtest::PerlView(table);
        EXPECT_EQ(perl.at({1, "NOTE"}), at[9]);
        EXPECT_EQ(perl.at({2, "NOTE"}), at[3]);
    }
}

// Every flavour and block size, two memo fields, rewritten memos left behind, empty fields and
// a deleted record: after Pack every memo reads as before, and the file holds no dead blocks.
TEST_F(MemoPackTest, PackThroughTheWorkAreaKeepsEveryMemo) {
    const auto texts = packtest::SampleTexts();
    for (const auto& f : packtest::AllFlavours()) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("all_") + f.name + ".dbf");
        const std::string memoPath = MakeTable(table, f.version, f.bs, true);
        Open(table);
        std::vector<std::pair<std::string, std::string>> expect;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            dbf::Append();
            SetVarString(FieldAddress(1), "R" + std::to_string(i + 1), 10);
            // A first version of every memo, then its final one (the first stays behind
            // in dBASE III and FoxPro files).
            const std::int32_t old = Write("draft " + texts[i] + " draft");
            SetVarInt32(FieldAddress(2), PutMemoText(texts[i], old));
            const std::string pic = i % 3 == 0 ? std::string() : texts[texts.size() - 1 - i];
            SetVarInt32(FieldAddress(3), pic.empty() ? 0 : Write(pic));
            dbf::Replace();
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            expect.emplace_back(texts[i], pic);
        }
        Go(2);
        DeleteRec();
        expect.erase(expect.begin() + 1);
        const std::uint64_t before = ReadFileBytes(memoPath).size();
        ASSERT_TRUE(dbf::Pack()) << ErrorText;
        EXPECT_EQ(LastErrorCode, 0) << ErrorText;
        // The record in the buffer shows the new pointer.
        Go(1);
        const std::int32_t first = GetVarInt32(FieldAddress(2));
        EXPECT_EQ(Hex(Memo(first)), Hex(expect[0].first));
        FreeWorkArea();
        const std::uint64_t after = ReadFileBytes(memoPath).size();
        EXPECT_LT(after, before);
        const auto perl = packtest::PerlView(table);
        // dbfread reads dBASE IV files with 512-byte blocks only.
        const bool dbfreadReads = f.version != 0x8B || f.bs == 512;
        const auto py = dbfreadReads ? packtest::DbfreadView(table) : packtest::MemoView{};
        ASSERT_EQ(perl.size(), expect.size() * 2);
        for (std::size_t i = 0; i < expect.size(); ++i) {
            const int rec = static_cast<int>(i + 1);
            if (memotest::PerlFindsTheEnd(f.version, expect[i].first)) {
                EXPECT_EQ(Hex(perl.at({rec, "NOTE"})), Hex(expect[i].first)) << rec;
            }
            // (A field that holds 0 makes Perl XBase read block 0 of a dBASE III file.)
            if (!expect[i].second.empty()) {
                EXPECT_EQ(Hex(perl.at({rec, "PIC"})), Hex(expect[i].second)) << rec;
            }
            if (!dbfreadReads) continue;
            std::string note = py.at({rec, "NOTE"});
            if (f.version == 0x8B && note.size() > expect[i].first.size())
                note.resize(expect[i].first.size()); // dbfread reads dBASE IV lengths + 8
            EXPECT_EQ(Hex(note), Hex(expect[i].first)) << rec;
        }
    }
}

TEST_F(MemoPackTest, PointerOutsideTheFileBecomesEmptyWith1003) {
    const std::string table = dir_ / "bad.dbf";
    MakeTable(table, 0x83, 512);
    Open(table);
    const std::int32_t good = Write("kept text");
    AppendPointer("good", good);
    AppendPointer("bad", 5000);
    AppendPointer("good2", good);
    PackMemofile();
    EXPECT_EQ(LastErrorCode, kErrMemoAddress);
    EXPECT_NE(ErrorText.find(" Memo block # 5000 Record # 2 [PackMemo]"), std::string::npos)
        << ErrorText;
    EXPECT_EQ(FieldBlock(2), 0);
    // The field is blank, as dBASE writes a field without memo.
    EXPECT_EQ(Peek(2, 2), std::string(10, ' '));
    FreeWorkArea();
    const auto perl = packtest::PerlView(table);
    EXPECT_EQ(perl.at({1, "NOTE"}), "kept text");
    EXPECT_EQ(perl.at({2, "NOTE"}), "");
    EXPECT_EQ(perl.at({3, "NOTE"}), "kept text");
}

// A dBASE IV memo that lost its group header is packed as text up to its 0x1A, as it reads.
TEST_F(MemoPackTest, DbaseFourMemoWithoutHeaderIsKeptAsText) {
    const std::string table = dir_ / "nohead.dbf";
    const std::string memoPath = MakeTable(table, 0x8B, 512);
    Open(table);
    const std::int32_t b = Write("placeholder text of enough length");
    AppendPointer("r1", b);
    FreeWorkArea();
    std::string raw = ReadFileBytes(memoPath);
    const std::string plain = "plain text memo\x1A";
    raw.replace(static_cast<std::size_t>(b) * 512, plain.size(), plain);
    memotest::WriteFileBytes(memoPath, raw);
    Open(table);
    PackMemofile();
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    FreeWorkArea();
    EXPECT_EQ(packtest::PerlView(table).at({1, "NOTE"}), "plain text memo");
}

// Conversion routines see the memo in the same pieces when packing as when reading.
void Xor5A(char* p, std::uint16_t n) {
    for (std::uint16_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(p[i] ^ 0x5A);
}

TEST_F(MemoPackTest, PackWithConversionRoutinesKeepsTheStoredBytes) {
    for (const auto& f : {packtest::Flavour{"d3", 0x83, 512}, packtest::Flavour{"d4", 0x8B, 128},
                          packtest::Flavour{"fx", 0xF5, 64}}) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("xor_") + f.name + ".dbf");
        const std::string memoPath = MakeTable(table, f.version, f.bs);
        Open(table);
        TWorkArea* a = CurrentWorkArea();
        a->ReadHook = &Xor5A;
        a->WriteHook = &Xor5A;
        const std::string text = std::string(1300, 'k') + "\r\nend";
        Write("dead memo");
        AppendPointer("x", Write(text));
        PackMemofile();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
        const std::int32_t block = FieldBlock(1);
        EXPECT_EQ(Memo(block), text);
        FreeWorkArea();
        // The stored bytes are the text under the routine, where the flavour puts them.
        const std::string raw = ReadFileBytes(memoPath);
        const std::size_t at = static_cast<std::size_t>(block) * f.bs + (f.version == 0x83 ? 0 : 8);
        std::string stored = raw.substr(at, text.size());
        Xor5A(stored.data(), static_cast<std::uint16_t>(stored.size()));
        EXPECT_EQ(stored, text);
    }
}

// ---- failures during a pack ----

struct Snapshot {
    std::string table, memo;
};

class MemoPackFailureTest : public MemoPackTest {
protected:
    // A table of 40 records with memos of 1.5 KB, half of them rewritten (dead space).
    std::vector<std::string> Fill(const std::string& table) {
        Open(table);
        std::vector<std::string> texts;
        for (int i = 0; i < 40; ++i) {
            const std::string text = "memo " + std::to_string(i) + " " + std::string(1500, 'm');
            std::int32_t b = Write("old " + text);
            if (i % 2 == 0)
                b = PutMemoText(text, b);
            else
                b = Write(text);
            AppendPointer("r" + std::to_string(i), b);
            texts.push_back(text);
        }
        return texts;
    }

    // PackMemofile while no file may grow past 20000 bytes (SIGXFSZ ignored): the engine code
    // and error text it ends with.
    void PackWithSmallFileLimit(std::uint16_t& code, std::string& text) {
        struct rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = saved;
        small.rlim_cur = 20000;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        PackMemofile();
        code = LastErrorCode;
        text = ErrorText;
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }

    void ExpectIntact(const std::string& table, const std::string& memo, const Snapshot& before,
                      const std::vector<std::string>& texts) {
        EXPECT_EQ(ReadFileBytes(table), before.table);
        EXPECT_EQ(ReadFileBytes(memo), before.memo);
        EXPECT_FALSE(FileExists(ForceExt(memo, "$$$")));
        EXPECT_FALSE(FileExists(ForceExt(memo, "$$B")));
        const auto perl = packtest::PerlView(table);
        ASSERT_EQ(perl.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(perl.at({static_cast<int>(i + 1), "NOTE"}), texts[i]) << i;
    }
};

// A file-size limit makes the new file run out of room part way: nothing changes.
TEST_F(MemoPackFailureTest, FullDiskDuringCopyLeavesOldFileAndFields) {
    for (std::uint8_t version : {std::uint8_t{0x83}, std::uint8_t{0x8B}, std::uint8_t{0xF5}}) {
        const std::string table = dir_ / ("full" + std::to_string(version) + ".dbf");
        const std::string memo = MakeTable(table, version, 512);
        const auto texts = Fill(table);
        FreeWorkArea();
        const Snapshot before{ReadFileBytes(table), ReadFileBytes(memo)};
        Open(table);
        std::uint16_t code = 0;
        std::string text;
        ASSERT_NO_FATAL_FAILURE(PackWithSmallFileLimit(code, text));
        EXPECT_NE(code, 0);
        EXPECT_NE(code, 1003);
        // The area still reads its memos.
        Go(7);
        EXPECT_EQ(Memo(GetVarInt32(FieldAddress(2))), texts[6]);
        FreeWorkArea();
        ExpectIntact(table, memo, before, texts);
    }
}

// Runs body in a child process with its own mount namespace; the child's exit status is the
// engine code it ends with (255: the namespace could not be had).
int InChildNamespace(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            _exit(255);
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

// The directory turns read-only after the table was opened: the new file cannot be made.
TEST_F(MemoPackFailureTest, ReadOnlyDirectoryLeavesOldFileAndFields) {
    const std::string sub = dir_ / "ro";
    ASSERT_EQ(os::MakeDirectory(sub), 0);
    const std::string table = sub + "/ro.dbf";
    const std::string memo = MakeTable(table, 0x83, 512);
    const auto texts = Fill(table);
    FreeWorkArea();
    const Snapshot before{ReadFileBytes(table), ReadFileBytes(memo)};
    const int status = InChildNamespace([&]() {
        Open(table);
        if (mount(sub.c_str(), sub.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(nullptr, sub.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            return 255;
        PackMemofile();
        const int code = LastErrorCode;
        Go(3);
        std::string text;
        if (!GetMemoText(GetVarInt32(FieldAddress(2)), text) || text != texts[2]) return 253;
        FreeWorkArea();
        return code == 0 ? 252 : 1;
    });
    if (status == 255) GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(status, 1);
    ExpectIntact(table, memo, before, texts);
}

// A small file system fills up while the new file is written.
TEST_F(MemoPackFailureTest, FullSmallFileSystemLeavesOldFileAndFields) {
    const std::string sub = dir_ / "small";
    ASSERT_EQ(os::MakeDirectory(sub), 0);
    const std::string keep = dir_ / "keep";
    ASSERT_EQ(os::MakeDirectory(keep), 0);
    const int status = InChildNamespace([&]() {
        if (mount("tmpfs", sub.c_str(), "tmpfs", 0, "size=128k") != 0) return 255;
        const std::string table = sub + "/small.dbf";
        const std::string memo = MakeTable(table, 0x8B, 512);
        Fill(table);
        FreeWorkArea();
        // Fill the rest of the file system, leaving room for a part of the new file.
        {
            std::uint64_t free = 0;
            os::FreeDiskSpace(sub, free);
            std::string filler(static_cast<std::size_t>(free > 40000 ? free - 40000 : 0), 'f');
            memotest::WriteFileBytes(sub + "/filler", filler);
        }
        memotest::WriteFileBytes(keep + "/before.dbf", ReadFileBytes(table));
        memotest::WriteFileBytes(keep + "/before.dbt", ReadFileBytes(memo));
        Open(table);
        PackMemofile();
        const int code = LastErrorCode;
        FreeWorkArea();
        std::remove((sub + "/filler").c_str());
        const std::string copy = "cp '" + table + "' '" + keep + "/small.dbf'; cp '" + memo +
                                 "' '" + keep + "/small.dbt'; ls '" + sub + "' > '" + keep +
                                 "/listing'";
        if (std::system(copy.c_str()) != 0) return 250;
        return code == 0 ? 252 : 1;
    });
    if (status == 255) GTEST_SKIP() << "no mount namespace here";
    ASSERT_EQ(status, 1);
    EXPECT_EQ(ReadFileBytes(keep + "/small.dbf"), ReadFileBytes(keep + "/before.dbf"));
    EXPECT_EQ(ReadFileBytes(keep + "/small.dbt"), ReadFileBytes(keep + "/before.dbt"));
    EXPECT_EQ(ReadFileBytes(keep + "/listing"), "small.dbf\nsmall.dbt\n");
    const auto perl = packtest::PerlView(keep + "/small.dbf");
    ASSERT_EQ(perl.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        const std::string text = "memo " + std::to_string(i) + " " + std::string(1500, 'm');
        EXPECT_EQ(perl.at({i + 1, "NOTE"}), text) << i;
    }
}

// The new file is complete but cannot take the old one's name (the memo file is a mount
// point): the old file is reopened and the fields keep their blocks.
TEST_F(MemoPackFailureTest, FailedRenameReopensTheOldFile) {
    const std::string table = dir_ / "busy.dbf";
    const std::string memo = MakeTable(table, 0xF5, 64);
    const auto texts = Fill(table);
    FreeWorkArea();
    const Snapshot before{ReadFileBytes(table), ReadFileBytes(memo)};
    const int status = InChildNamespace([&]() {
        if (mount(memo.c_str(), memo.c_str(), nullptr, MS_BIND, nullptr) != 0) return 255;
        Open(table);
        PackMemofile();
        const int code = LastErrorCode;
        // The area goes on reading and writing its memo file.
        Go(5);
        std::string text;
        if (!GetMemoText(GetVarInt32(FieldAddress(2)), text) || text != texts[4]) return 253;
        if (PutMemoText("written after", 0) <= 0) return 251;
        FreeWorkArea();
        return code == 0 ? 252 : 1;
    });
    if (status == 255) GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadFileBytes(table), before.table);
    EXPECT_FALSE(FileExists(ForceExt(memo, "$$$")));
    EXPECT_FALSE(FileExists(ForceExt(memo, "$$B")));
    const std::string now = ReadFileBytes(memo);
    EXPECT_EQ(now.substr(8, before.memo.size() - 8), before.memo.substr(8));
    const auto perl = packtest::PerlView(table);
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(perl.at({static_cast<int>(i + 1), "NOTE"}), texts[i]) << i;
}

// The new file is in place but a memo field cannot be written (the table file may not grow
// past a size limit that its last records lie beyond): the fields written so far get their old
// texts back and the old memo file returns.
TEST_F(MemoPackFailureTest, FailedFieldRewriteRollsBackToTheOldFile) {
    const std::string table = dir_ / "late.dbf";
    const std::string memo = MakeTable(table, 0x83, 512);
    Open(table);
    for (int i = 0; i < 5; ++i)
        Write("dead memo " + std::to_string(i));
    AppendPointer("first", Write("memo of the first record"));
    for (int i = 0; i < 2000; ++i)
        AppendPointer("filler", 0);
    AppendPointer("last", Write("memo of the last record"));
    FreeWorkArea();
    const Snapshot before{ReadFileBytes(table), ReadFileBytes(memo)};
    ASSERT_GT(before.table.size(), 40000u);
    Open(table);
    std::uint16_t code = 0;
    std::string text;
    ASSERT_NO_FATAL_FAILURE(PackWithSmallFileLimit(code, text));
    EXPECT_NE(code, 0);
    // The failure was the field rewrite (the table), after the new memo file was complete.
    EXPECT_NE(text.find("late.dbf [PackMemofile]"), std::string::npos) << text;
    EXPECT_EQ(Memo(FieldBlock(1)), "memo of the first record");
    EXPECT_EQ(Memo(FieldBlock(2002)), "memo of the last record");
    FreeWorkArea();
    EXPECT_EQ(ReadFileBytes(table), before.table);
    EXPECT_EQ(ReadFileBytes(memo), before.memo);
    EXPECT_FALSE(FileExists(ForceExt(memo, "$$$")));
    EXPECT_FALSE(FileExists(ForceExt(memo, "$$B")));
    const auto perl = packtest::PerlView(table);
    EXPECT_EQ(perl.at({1, "NOTE"}), "memo of the first record");
    EXPECT_EQ(perl.at({2002, "NOTE"}), "memo of the last record");
}

// ---- copying ----

// Every pair of flavours and block sizes: every text arrives, read by Perl XBase.
TEST_F(MemoPackTest, CopyAcrossEveryPairOfFlavoursKeepsEveryText) {
    const auto texts = packtest::SampleTexts();
    const auto flavours = packtest::AllFlavours();
    for (const auto& s : flavours) {
        const std::string source = dir_ / (std::string("src_") + s.name + ".dbf");
        MakeTable(source, s.version, s.bs);
        Open(source);
        for (const std::string& t : texts)
            AppendPointer("s", Write(t));
        FreeWorkArea();
        for (const auto& d : flavours) {
            SCOPED_TRACE(std::string(s.name) + " -> " + d.name);
            const std::string target =
                dir_ / (std::string("dst_") + s.name + "_" + d.name + ".dbf");
            MakeTable(target, d.version, d.bs);
            ASSERT_TRUE(Select(2));
            Use(source + " EXCLUSIVE");
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            ASSERT_TRUE(Select(1));
            Use(target + " EXCLUSIVE");
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            for (std::int32_t rec = 1; rec <= static_cast<std::int32_t>(texts.size()); ++rec) {
                Select(2);
                Go(rec);
                const std::int32_t from = GetVarInt32(FieldAddress(2));
                Select(1);
                const std::int32_t to = CopyMemoAppend(2, from);
                ASSERT_GT(to, 0) << ErrorText;
                AppendPointer("d", to);
            }
            CloseAll();
            const auto perl = packtest::PerlView(target);
            ASSERT_EQ(perl.size(), texts.size());
            for (std::size_t i = 0; i < texts.size(); ++i) {
                if (!memotest::PerlFindsTheEnd(d.version, texts[i])) continue;
                EXPECT_EQ(Hex(perl.at({static_cast<int>(i + 1), "NOTE"})), Hex(texts[i])) << i;
            }
        }
    }
}

// Tables written by python3-dbf (dBASE III, FoxPro) copied into every flavour, both tables in
// code page 437 (the source's header names it; the target takes the default).
TEST_F(MemoPackTest, CopyFromTablesOfAnotherProgram) {
    AnsiTables = false;
    for (const std::string kind : {"db3", "fp128"}) {
        const std::string source = dir_ / (kind + ".dbf");
        const std::string out =
            packtest::RunOrThrow(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                 "/tests/dbf/memo_reference.py make " + kind + " '" + source + "'");
        std::vector<std::string> expected;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            const auto p = dbftest::SplitTabs(line);
            if (p.size() == 3 && p[0] == "text") expected.push_back(dbftest::Unhex(p[2]));
        }
        ASSERT_FALSE(expected.empty());
        for (const auto& d : packtest::AllFlavours()) {
            SCOPED_TRACE(kind + " -> " + d.name);
            const std::string target = dir_ / (kind + "_to_" + d.name + ".dbf");
            MakeTable(target, d.version, d.bs);
            Select(2);
            Use(source + " EXCLUSIVE");
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            const std::uint8_t noteField = FieldNo("NOTE");
            Select(1);
            Use(target + " EXCLUSIVE");
            ASSERT_EQ(LastErrorCode, 0) << ErrorText;
            for (std::size_t rec = 1; rec <= expected.size(); ++rec) {
                Select(2);
                Go(static_cast<std::int32_t>(rec));
                const std::int32_t from = GetVarInt32(FieldAddress(noteField));
                Select(1);
                AppendPointer("d", CopyMemoAppend(2, from));
            }
            CloseAll();
            const auto perl = packtest::PerlView(target);
            for (std::size_t i = 0; i < expected.size(); ++i) {
                if (!memotest::PerlFindsTheEnd(d.version, expected[i])) continue;
                EXPECT_EQ(Hex(perl.at({static_cast<int>(i + 1), "NOTE"})), Hex(expected[i])) << i;
            }
        }
    }
}

// A conversion routine whose result depends on the place in the piece it is given: copies must
// hand each side's routine the pieces that side's memo readers and writers use.
void XorByPlace(char* p, std::uint16_t n) {
    for (std::uint16_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(p[i] ^ (0x21 + i % 7));
}

TEST_F(MemoPackTest, CopyHandsConversionRoutinesTheirOwnPieces) {
    const std::string text = std::string(1500, 'p') + "\r\nend of the long memo";
    for (const auto& pair :
         {std::make_pair(packtest::Flavour{"d4", 0x8B, 512}, packtest::Flavour{"fx", 0xF5, 64}),
          std::make_pair(packtest::Flavour{"d3", 0x83, 512}, packtest::Flavour{"d4", 0x8B, 1024}),
          std::make_pair(packtest::Flavour{"fx", 0xF5, 512}, packtest::Flavour{"d3", 0x83, 512})}) {
        const auto& [s, d] = pair;
        SCOPED_TRACE(std::string(s.name) + " -> " + d.name);
        // Converted source, plain destination: the other program reads the text.
        const std::string src = dir_ / (std::string("cs_") + s.name + d.name + ".dbf");
        const std::string dst = dir_ / (std::string("cd_") + s.name + d.name + ".dbf");
        MakeTable(src, s.version, s.bs);
        MakeTable(dst, d.version, d.bs);
        Select(2);
        Use(src + " EXCLUSIVE");
        CurrentWorkArea()->ReadHook = &XorByPlace;
        CurrentWorkArea()->WriteHook = &XorByPlace;
        const std::int32_t from = PutMemoText(text, 0);
        Select(1);
        Use(dst + " EXCLUSIVE");
        AppendPointer("plain", CopyMemoAppend(2, from));
        CloseAll();
        EXPECT_EQ(packtest::PerlView(dst).at({1, "NOTE"}), text);
        // Plain source, converted destination: the memo layer reads it through the routine.
        Select(2);
        Use(dst + " EXCLUSIVE");
        Go(1);
        const std::int32_t back = GetVarInt32(FieldAddress(2));
        Select(1);
        Use(src + " EXCLUSIVE");
        CurrentWorkArea()->ReadHook = &XorByPlace;
        CurrentWorkArea()->WriteHook = &XorByPlace;
        const std::int32_t copied = CopyMemoAppend(2, back);
        ASSERT_GT(copied, 0) << ErrorText;
        EXPECT_EQ(Memo(copied), text);
        CloseAll();
    }
}

TEST_F(MemoPackTest, CopyIntoDbaseThreeKeepsDataATextCannotHoldAsAGroup) {
    const std::string source = dir_ / "bin4.dbf";
    MakeTable(source, 0x8B, 512);
    const std::string target = dir_ / "bin3.dbf";
    const std::string targetMemo = MakeTable(target, 0x83, 512);
    Select(2);
    Use(source + " EXCLUSIVE");
    const std::string withNul("nul\0inside", 10);
    const std::string withEnd("end \x1A mark inside");
    const std::int32_t a = PutMemoText(withNul, 0);
    const std::int32_t b = PutMemoText(withEnd, 0);
    const std::int32_t c = PutMemoText("plain text", 0);
    Select(1);
    Use(target + " EXCLUSIVE");
    ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    const std::int32_t ca = CopyMemoAppend(2, a);
    const std::int32_t cb = CopyMemoAppend(2, b);
    const std::int32_t cc = CopyMemoAppend(2, c);
    EXPECT_EQ(ca, -1);
    EXPECT_EQ(cb, -2);
    EXPECT_EQ(cc, 3);
    CloseAll();
    const std::string raw = ReadFileBytes(targetMemo);
    EXPECT_EQ(Hex(raw.substr(512, 18)),
              Hex(std::string("\xFF\xFF\x08\x00\x12\x00\x00\x00", 8) + withNul));
    EXPECT_EQ(Hex(raw.substr(1024, 8 + withEnd.size())),
              Hex(std::string("\xFF\xFF\x08\x00", 4) + std::string(1, char(8 + withEnd.size())) +
                  std::string(3, '\0') + withEnd));
    EXPECT_EQ(raw.substr(1536, 11), "plain text\x1A");
    // The header's next free block follows the last memo.
    EXPECT_EQ(memotest::Le32At(raw, 0), 4u);
}

TEST_F(MemoPackTest, CopyFromDbaseThreeIntoFoxProWritesTheTextLength) {
    const std::string source = dir_ / "t3.dbf";
    MakeTable(source, 0x83, 512);
    const std::string target = dir_ / "tf.dbf";
    const std::string targetMemo = MakeTable(target, 0xF5, 64);
    Select(2);
    Use(source + " EXCLUSIVE");
    const std::int32_t a = PutMemoText("dBASE III text", 0);
    Select(1);
    Use(target + " EXCLUSIVE");
    const std::int32_t to = CopyMemoAppend(2, a);
    EXPECT_EQ(to, 8); // the first block after the 512-byte header
    // The same-block variant writes at the source's block number.
    EXPECT_EQ(CopyMemoSameBlock(2, a), a);
    CloseAll();
    const std::string raw = ReadFileBytes(targetMemo);
    EXPECT_EQ(memotest::Be32At(raw, 512), 1u);
    EXPECT_EQ(memotest::Be32At(raw, 516), 14u);
    EXPECT_EQ(raw.substr(520, 14), "dBASE III text");
    EXPECT_EQ(raw.at(534), '\0'); // no 0x1A
    EXPECT_EQ(memotest::Be32At(raw, 64 * a + 4), 14u);
    EXPECT_EQ(raw.substr(64 * a + 8, 14), "dBASE III text");
}

TEST_F(MemoPackTest, CopyOfABlockOutsideTheSourceReports1003) {
    const std::string source = dir_ / "o3.dbf";
    MakeTable(source, 0x83, 512);
    const std::string target = dir_ / "o4.dbf";
    MakeTable(target, 0x8B, 512);
    Select(2);
    Use(source + " EXCLUSIVE");
    Select(1);
    Use(target + " EXCLUSIVE");
    EXPECT_EQ(CopyMemoAppend(2, 77), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoAddress);
    EXPECT_EQ(CopyMemoAppend(2, 0), 0);
    // No memo file in the source area.
    EXPECT_EQ(CopyMemoAppend(5, 1), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoOperation);
    CloseAll();
}

} // namespace
