// Blob streams on memo fields: byte-exact reads and writes in every flavour, text translation
// decided on the data only, seeks, buffered access through conversion routines; what is
// written is read by Perl XBase, python3-dbfread and checked in the raw file bytes.

#include "memopack_testutil.h"

namespace {

using namespace dbf;
using memotest::MakeTable;
using memotest::ReadFileBytes;
using packtest::Hex;

class BlobTest : public memotest::MemoTest {
protected:
    // Writes data as a new memo through a blob in pieces of `piece` bytes; the field's value.
    std::int32_t WriteBlob(const std::string& data, bool translate, std::size_t piece = 1000) {
        EXPECT_GT(OpenBlob(translate, 0, kBlobWrite), 0) << ErrorText;
        for (std::size_t at = 0; at < data.size(); at += piece) {
            const std::string part = data.substr(at, piece);
            EXPECT_EQ(WriteBlobStream(part.data(), static_cast<std::int32_t>(part.size())),
                      static_cast<std::int32_t>(part.size()))
                << ErrorText;
        }
        const std::int32_t block = DestroyBlobDescriptor();
        EXPECT_EQ(LastErrorCode, 0) << ErrorText;
        return block;
    }

    std::string ReadBlob(std::int32_t block, bool translate, std::int32_t piece = 700) {
        EXPECT_NE(OpenBlob(translate, block, kBlobRead), 0) << ErrorText;
        std::string out;
        std::string buf(static_cast<std::size_t>(piece), '\0');
        for (;;) {
            const std::int32_t n = ReadBlobStream(buf.data(), piece);
            if (n <= 0) break;
            out.append(buf.data(), static_cast<std::size_t>(n));
        }
        DestroyBlobDescriptor();
        return out;
    }

    void AppendRecord(std::int32_t block) {
        dbf::Append();
        SetVarString(FieldAddress(1), "blob", 10);
        SetVarInt32(FieldAddress(2), block);
        dbf::Replace();
        ASSERT_EQ(LastErrorCode, 0) << ErrorText;
    }
};

TEST_F(BlobTest, DbaseThreeTextEndsAtItsEndMarkAndIsTranslated) {
    const std::string table = dir_ / "ab.dbf";
    const std::string memo = MakeTable(table, 0x83, 512);
    // Raw memos: "AB" at block 1, DOS letters at block 2, each ended by 0x1A and zero bytes.
    std::string raw = ReadFileBytes(memo).substr(0, 512);
    raw += std::string("AB\x1A", 3) + std::string(509, '\0');
    raw += std::string("\x84\x94\x81\x1A", 4) + std::string(508, '\0');
    memotest::WriteFileBytes(memo, raw);
    Open(table);
    ASSERT_EQ(OpenBlob(false, 1, kBlobRead), 1);
    char buf[100];
    EXPECT_EQ(ReadBlobStream(buf, 100), 2);
    EXPECT_EQ(std::string(buf, 2), "AB");
    EXPECT_EQ(SeekBlobStream(0, 2), 2);
    EXPECT_EQ(ReadBlobStream(buf, 100), 0);
    EXPECT_EQ(SeekBlobStream(-1, 1), 1);
    EXPECT_EQ(ReadBlobStream(buf, 100), 1);
    EXPECT_EQ(buf[0], 'B');
    DestroyBlobDescriptor();
    // The end of an unread text is found by a seek alone.
    ASSERT_EQ(OpenBlob(true, 1, kBlobRead), 1);
    EXPECT_EQ(SeekBlobStream(0, 2), 2);
    EXPECT_EQ(SeekBlobStream(-10, 2), 0);
    DestroyBlobDescriptor();
    // A short text is text although its block goes on with 0x1A and zero bytes.
    EXPECT_EQ(ReadBlob(2, true), "\xE4\xF6\xFC");
    EXPECT_EQ(ReadBlob(2, false), "\x84\x94\x81");
    EXPECT_EQ(LastErrorCode, 0);
}

TEST_F(BlobTest, TextWrittenIntoDbaseThreeIsAPlainMemoOtherProgramsRead) {
    const std::string table = dir_ / "t3.dbf";
    const std::string memo = MakeTable(table, 0x83, 512);
    Open(table);
    const std::string text = "Zahnrad \xE4\xF6\xFC fertig\r\n" + std::string(700, 'z');
    const std::int32_t block = WriteBlob(text, true, 300);
    EXPECT_EQ(block, 1);
    AppendRecord(block);
    const std::int32_t second = WriteBlob("second", true);
    EXPECT_EQ(second, 3);
    AppendRecord(second);
    FreeWorkArea();
    const std::string oem = "Zahnrad \x84\x94\x81 fertig\r\n" + std::string(700, 'z');
    const std::string raw = ReadFileBytes(memo);
    EXPECT_EQ(Hex(raw.substr(512, oem.size() + 1)), Hex(oem + "\x1A"));
    EXPECT_EQ(memotest::Le32At(raw, 0), 4u);
    for (const auto& view : {packtest::DbfreadView(table), packtest::PerlView(table)}) {
        EXPECT_EQ(Hex(view.at({1, "NOTE"})), Hex(oem));
        EXPECT_EQ(view.at({2, "NOTE"}), "second");
    }
    Open(table);
    EXPECT_EQ(ReadBlob(1, true), text);
}

TEST_F(BlobTest, BinaryDataInDbaseThreeKeepsTheGroupFormAndIsNeverTranslated) {
    const std::string table = dir_ / "b3.dbf";
    const std::string memo = MakeTable(table, 0x83, 512);
    Open(table);
    std::string data("\x07 bell then \xE4 and \0 nul", 21);
    data += std::string(600, '\xE4');
    const std::int32_t block = WriteBlob(data, true, 256);
    EXPECT_EQ(block, -1);
    FreeWorkArea();
    const std::string raw = ReadFileBytes(memo);
    EXPECT_EQ(Hex(raw.substr(512, 8)), Hex(std::string("\xFF\xFF\x08\x00", 4) +
                                           std::string("\x75\x02\x00\x00", 4))); // 629 = 621 + 8
    EXPECT_EQ(Hex(raw.substr(520, data.size())), Hex(data));
    Open(table);
    EXPECT_EQ(Hex(ReadBlob(block, true)), Hex(data));
    // The memo reader of the engine takes it by its group header.
    EXPECT_EQ(Hex(Memo(block)), Hex(data));
}

// A writer that seeks back before it ends keeps everything up to the highest position written.
TEST_F(BlobTest, SeekingBackBeforeTheEndCutsNothing) {
    for (const auto& f : packtest::AllFlavours()) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("seek_") + f.name + ".dbf");
        MakeTable(table, f.version, f.bs);
        Open(table);
        ASSERT_GT(OpenBlob(false, 0, kBlobWrite), 0) << ErrorText;
        std::string expect(1200, '.');
        for (int i = 0; i < 1200; ++i)
            expect[static_cast<std::size_t>(i)] = static_cast<char>('a' + i % 26);
        ASSERT_EQ(WriteBlobStream(expect.data(), 1200), 1200);
        EXPECT_EQ(SeekBlobStream(10, 0), 10);
        ASSERT_EQ(WriteBlobStream("XYZ", 3), 3);
        expect.replace(10, 3, "XYZ");
        EXPECT_EQ(SeekBlobStream(0, 2), 1200);
        EXPECT_EQ(SeekBlobStream(-100, 1), 1100);
        const std::int32_t block = DestroyBlobDescriptor();
        ASSERT_GT(block, 0) << ErrorText;
        AppendRecord(block);
        FreeWorkArea();
        EXPECT_EQ(packtest::PerlView(table).at({1, "NOTE"}), expect);
    }
}

TEST_F(BlobTest, WritingNothingLeavesNoMemo) {
    for (const auto& f : packtest::AllFlavours()) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("none_") + f.name + ".dbf");
        const std::string memo = MakeTable(table, f.version, f.bs);
        Open(table);
        const std::string before = ReadFileBytes(memo);
        ASSERT_GT(OpenBlob(true, 0, kBlobWrite), 0) << ErrorText;
        EXPECT_EQ(WriteBlobStream("x", 0), 0);
        EXPECT_EQ(DestroyBlobDescriptor(), 0);
        EXPECT_EQ(LastErrorCode, 0) << ErrorText;
        const std::string after = ReadFileBytes(memo);
        // At most padding to a block: no group header anywhere past the old end.
        EXPECT_EQ(after.find(std::string("\xFF\xFF\x08\x00", 4), 24), std::string::npos);
        EXPECT_LE(after.size(), std::max<std::size_t>(before.size(), f.bs));
        // The memo lock went with the end of the blob: a new writer gets it.
        EXPECT_GT(PutMemoText("after", 0), 0) << ErrorText;
    }
}

// Text and binary blobs in every flavour, read back and by Perl XBase; a byte 7 in the first
// piece keeps the whole blob untranslated.
TEST_F(BlobTest, EveryFlavourStoresExactlyWhatWasWritten) {
    const std::string text = "Werkzeug \xE4\xF6\xFC \xC9\r\n" + std::string(900, 't');
    const std::string oem = "Werkzeug \x84\x94\x81 \x90\r\n" + std::string(900, 't');
    const std::string binary = std::string("\x07\xE4\x01\xFF", 4) + std::string(700, '\xE4');
    for (const auto& f : packtest::AllFlavours()) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("ev_") + f.name + ".dbf");
        MakeTable(table, f.version, f.bs);
        Open(table);
        const std::int32_t t = WriteBlob(text, true, 333);
        const std::int32_t b = WriteBlob(binary, true, 100);
        ASSERT_GT(t, 0);
        ASSERT_GT(b, 0); // no NUL or 0x1A: even dBASE III keeps it as a plain memo
        AppendRecord(t);
        AppendRecord(b);
        EXPECT_EQ(Hex(ReadBlob(t, true, 64)), Hex(text));
        EXPECT_EQ(Hex(ReadBlob(t, false)), Hex(oem));
        EXPECT_EQ(Hex(ReadBlob(b, true)), Hex(binary));
        FreeWorkArea();
        const auto perl = packtest::PerlView(table);
        EXPECT_EQ(Hex(perl.at({1, "NOTE"})), Hex(oem));
        EXPECT_EQ(Hex(perl.at({2, "NOTE"})), Hex(binary));
    }
}

// Conversion routines see the memo in the pieces the memo readers use.
void Xor33(char* p, std::uint16_t n) {
    for (std::uint16_t i = 0; i < n; ++i)
        p[i] = static_cast<char>(p[i] ^ 0x33);
}

TEST_F(BlobTest, BufferedAccessThroughConversionRoutines) {
    std::string data;
    for (int i = 0; i < 2500; ++i)
        data += static_cast<char>(' ' + i % 90);
    for (const auto& f : packtest::AllFlavours()) {
        SCOPED_TRACE(f.name);
        const std::string table = dir_ / (std::string("cv_") + f.name + ".dbf");
        const std::string memo = MakeTable(table, f.version, f.bs);
        Open(table);
        TWorkArea* a = CurrentWorkArea();
        a->ReadHook = &Xor33;
        a->WriteHook = &Xor33;
        const std::int32_t block = WriteBlob(data, false, 97);
        ASSERT_GT(block, 0) << ErrorText;
        // The memo layer reads it alike, and the file holds the converted bytes.
        EXPECT_EQ(Memo(block), data);
        const std::string raw = ReadFileBytes(memo);
        const std::size_t at = static_cast<std::size_t>(block) * f.bs + (f.version == 0x83 ? 0 : 8);
        std::string stored = raw.substr(at, data.size());
        Xor33(stored.data(), static_cast<std::uint16_t>(stored.size()));
        EXPECT_EQ(stored, data);
        // Reads in odd pieces with a seek into the middle.
        EXPECT_EQ(ReadBlob(block, false, 37), data);
        ASSERT_NE(OpenBlob(false, block, kBlobRead), 0);
        EXPECT_EQ(SeekBlobStream(1500, 0), 1500);
        std::string tail(2000, '\0');
        EXPECT_EQ(ReadBlobStream(tail.data(), 2000), 1000);
        EXPECT_EQ(tail.substr(0, 1000), data.substr(1500));
        DestroyBlobDescriptor();
        // Binary data in a dBASE III file moves behind a group header, converted anew.
        if (f.version == 0x83) {
            const std::string bin = std::string("bin\0", 4) + data;
            const std::int32_t nb = WriteBlob(bin, false, 500);
            EXPECT_LT(nb, 0);
            EXPECT_EQ(Hex(Memo(nb)), Hex(bin));
        }
        FreeWorkArea();
    }
}

TEST_F(BlobTest, KnownSizeLimitsTheWriteAndIdleDescriptorsDoNothing) {
    const std::string table = dir_ / "known.dbf";
    MakeTable(table, 0x8B, 512);
    Open(table);
    char buf[16];
    EXPECT_EQ(ReadBlobStream(buf, 16), 0);
    EXPECT_EQ(WriteBlobStream("abc", 3), 0);
    EXPECT_EQ(SeekBlobStream(5, 0), 0);
    EXPECT_EQ(LastErrorCode, 0);
    const std::int32_t old = PutMemoText(std::string(2000, 'o'), 0);
    CreateMemoDescriptor(false);
    const std::int32_t block = CreateBlobDescriptor(old, kBlobWrite, 10);
    EXPECT_EQ(block, old);                 // the old group is large enough: rewritten in place
    EXPECT_EQ(ReadBlobStream(buf, 16), 0); // a write blob does not read
    EXPECT_EQ(WriteBlobStream("0123456789ABCDEF", 16), 10);
    EXPECT_EQ(WriteBlobStream("more", 4), 0);
    EXPECT_EQ(DestroyBlobDescriptor(), old);
    AppendRecord(old);
    FreeWorkArea();
    EXPECT_EQ(packtest::PerlView(table).at({1, "NOTE"}), "0123456789");
}

TEST_F(BlobTest, FailuresReportTheBlockFileAndRoutine) {
    const std::string table = dir_ / "fail.dbf";
    MakeTable(table, 0xF5, 64);
    Open(table);
    EXPECT_EQ(OpenBlob(true, 900, kBlobRead), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoAddress);
    EXPECT_NE(ErrorText.find("900 "), std::string::npos) << ErrorText;
    EXPECT_NE(ErrorText.find(" Record # "), std::string::npos) << ErrorText;
    EXPECT_NE(ErrorText.find("[CreateBlobDescriptor]"), std::string::npos) << ErrorText;
    char buf[4];
    EXPECT_EQ(ReadBlobStream(buf, 4), 0);
    FreeWorkArea();
    // No memo file in the area.
    const std::string plain = dir_ / "plain.dbf";
    std::vector<TDbfFieldDesc> fields(1);
    fields[0].Name = "NAME";
    fields[0].Type = 'C';
    fields[0].Length = 5;
    TWorkArea scratch;
    CreateDbf(scratch, plain, fields);
    Open(plain);
    EXPECT_EQ(OpenBlob(true, 1, kBlobRead), 0);
    EXPECT_EQ(LastErrorCode, kErrMemoOperation);
}

} // namespace
