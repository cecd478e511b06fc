#pragma once
// Helpers of the memo tests: engine start state with the memo unit registered, tables of each
// memo flavour, memo references of records, raw file bytes.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/base/hooks.h"
#include "dbf/table/field_vars.h"
#include "dbf/memo/memo.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/expr/expression.h"
#include "dbffile_testutil.h"

namespace memotest {

using dbftest::ReadFileBytes;
using dbftest::RunCommand;
using dbftest::ScratchDir;
using dbftest::WriteFileBytes;

inline void PatchByte(const std::string& path, std::size_t at, std::uint8_t value) {
    std::string b = ReadFileBytes(path);
    b.at(at) = static_cast<char>(value);
    WriteFileBytes(path, b);
}

// Runs a command line with its errors folded into the output; a failure throws with the output.
inline std::string RunOrThrow(const std::string& command) {
    int status = 0;
    std::string out = RunCommand(command + " 2>&1", status);
    if (status != 0) throw std::runtime_error(command + " failed:\n" + out);
    return out;
}

inline std::uint32_t Le32At(const std::string& b, std::size_t at) {
    return static_cast<std::uint8_t>(b.at(at)) | (static_cast<std::uint8_t>(b.at(at + 1)) << 8) |
           (static_cast<std::uint8_t>(b.at(at + 2)) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b.at(at + 3))) << 24);
}

inline std::uint32_t Be32At(const std::string& b, std::size_t at) {
    return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b.at(at))) << 24) |
           (static_cast<std::uint8_t>(b.at(at + 1)) << 16) |
           (static_cast<std::uint8_t>(b.at(at + 2)) << 8) | static_cast<std::uint8_t>(b.at(at + 3));
}

// Table NAME C(10), NOTE M (and PIC M when twoMemos) with a memo file of the given flavour and
// block size, created by the file layer (the dBASE III and FoxPro versions are set in the header
// afterwards). Returns the memo file's path.
inline std::string MakeTable(const std::string& path, std::uint8_t flavour, std::uint16_t bs,
                             bool twoMemos = false) {
    std::vector<dbf::TDbfFieldDesc> fields(twoMemos ? 3 : 2);
    fields[0].Name = "NAME";
    fields[0].Type = 'C';
    fields[0].Length = 10;
    fields[1].Name = "NOTE";
    fields[1].Type = 'M';
    if (twoMemos) {
        fields[2].Name = "PIC";
        fields[2].Type = 'M';
    }
    dbf::TWorkArea scratch;
    const std::uint16_t savedBs = dbf::MemoBlockSize;
    const std::uint8_t savedVersion = dbf::DefaultVersion;
    dbf::MemoBlockSize = bs;
    dbf::DefaultVersion = 0x8B;
    dbf::CreateDbf(scratch, path, fields);
    dbf::MemoBlockSize = savedBs;
    dbf::DefaultVersion = savedVersion;
    if (dbf::LastErrorCode != 0) throw std::runtime_error("CreateDbf: " + dbf::ErrorText);
    const std::string dbt = dbf::ForceExt(path, "dbt");
    if (flavour == 0x8B) return dbt;
    std::remove(dbt.c_str());
    PatchByte(path, 0, flavour);
    const std::string memo = dbf::ForceExt(path, flavour == 0xF5 ? "fpt" : "dbt");
    dbf::CreateMemoFile(memo, flavour, bs, "test");
    if (dbf::LastErrorCode != 0) throw std::runtime_error("CreateMemoFile: " + dbf::ErrorText);
    return memo;
}

// Perl XBase looks for the two end marks of a dBASE III memo within one 512-byte block, so a
// text whose marks fall on both sides of a block boundary (length 511 modulo 512) reads on past
// its end there, whoever wrote it (python3-dbf and dBASE write the marks the same way). Its
// view of such a memo is not compared.
inline bool PerlFindsTheEnd(std::uint8_t version, const std::string& text) {
    return version != 0x83 || text.size() % 512 != 511;
}

inline std::int32_t MemoRef() {
    return dbf::GetVarInt32(dbf::FieldAddress(2));
}

// Engine start state with the memo unit, every area closed at the end.
class MemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::ClearEngineHooks();
        dbf::RegisterMemoHooks();
        dbf::SetErrorReporting(false);
        dbf::MultiUser = true;
        dbf::OpenModeOverride = 65535;
        dbf::AnsiTables = true;
        dbf::MemoWidthOn = false;
        dbf::MemoLockWait = 1000;
        dbf::MemoSharedReopen = false;
        dbf::ClearMemoLines();
        dbf::MemoBlocksRead = 0;
    }
    void TearDown() override {
        dbf::DoneWorkAreas();
        dbf::ClearEngineHooks();
        dbf::MemoTextHook = nullptr;
        dbf::ResetErrorState();
    }

    // Opens path in area 1 (exclusive unless told otherwise).
    void Open(const std::string& path, bool exclusive = true) {
        ASSERT_TRUE(dbf::Select(1));
        dbf::Use(path + (exclusive ? " EXCLUSIVE" : ""));
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }

    // Appends a record whose memo holds text; returns its block.
    std::int32_t AppendMemo(const std::string& text) {
        dbf::Append();
        EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        const std::int32_t block = dbf::PutMemoText(text, 0);
        EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        dbf::SetVarInt32(dbf::FieldAddress(2), block);
        dbf::Replace();
        EXPECT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        return block;
    }

    std::string Memo(std::int32_t block) {
        std::string text;
        EXPECT_TRUE(dbf::GetMemoText(block, text)) << dbf::ErrorText;
        return text;
    }

    ScratchDir dir_;
};

} // namespace memotest
