#pragma once
// Fixture of the index tests: the engine started with the index engine, tables written by the
// Python reference (plain dBASE III bytes) or by our own Append, the structural checker and
// the comparison with Perl XBase's index_dump.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/table/create.h"
#include "dbf/table/table_file.h"
#include "dbf/base/hooks.h"
#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/index/ndx.h"
#include "dbf/expr/expression.h"
#include "dbffile_testutil.h"

namespace ndxtest {

inline std::string Python() {
    return "/usr/bin/python3 ";
}
inline std::string Script(const char* name) {
    return Python() + QOR_SOURCE_DIR + "/tests/dbf/" + name;
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b.at(at)) | std::uint32_t(b.at(at + 1)) << 8 |
           std::uint32_t(b.at(at + 2)) << 16 | std::uint32_t(b.at(at + 3)) << 24;
}
inline std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

using dbftest::Def;

class NdxTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::ClearEngineHooks();
        dbf::InitParser();
        dbf::IndexInit();
        dbf::SetIndexProgress(nullptr, 0);
        dbf::SetErrorReporting(false);
        dbf::AnsiTables = true;
        dbf::MultiUser = false;
    }
    void TearDown() override {
        dbf::IndexDone();
        dbf::DoneWorkAreas();
        dbf::ResetErrorState();
        dbf::AnsiTables = false;
        dbf::MultiUser = true;
        dbf::SetIndexProgress(nullptr, 0);
    }

    std::string Path(const std::string& name) const { return dir_ / name; }

    // The reference table (NAME C(10), AMT N(12,3), DAY D, TAG C(3)) open in area 1.
    void MakeRandomTable(const std::string& name, int count, int seed, int dups = 50) {
        int status = 0;
        const std::string out = dbftest::RunCommand(
            Script("ndx_reference.py") + " make '" + Path(name) + "' " + std::to_string(count) +
                " " + std::to_string(seed) + " " + std::to_string(dups) + " 2>&1",
            status);
        ASSERT_EQ(status, 0) << out;
        UseTable(name);
    }

    // A table of our own with the given fields, open in area 1.
    void CreateTable(const std::string& name, std::vector<dbf::TDbfFieldDesc> defs) {
        dbf::TWorkArea scratch;
        dbf::CreateDbf(scratch, Path(name), defs);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        UseTable(name);
    }

    void UseTable(const std::string& name) {
        ASSERT_TRUE(dbf::Select(1));
        dbf::Use(Path(name) + " EXCLUSIVE");
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }

    // Appends records whose first (character) field is each text.
    void AppendNames(const std::vector<std::string>& names) {
        for (const std::string& n : names) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), n, dbf::FieldLen(1));
            dbf::Append();
            ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
        }
    }

    // Output of the structural checker ("ok" when sound).
    std::string Check(const std::string& ndx, const std::string& options = "") {
        int status = 0;
        std::string out = dbftest::RunCommand(
            Script("ndxcheck.py") + " '" + ndx + "' " + options + " 2>&1", status);
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    // "ok N" when index_dump lists exactly the pairs computed from dbfread's rows.
    std::string CompareWithDump(const std::string& dbfName, const std::string& field,
                                const std::string& kind, const std::string& ndx,
                                bool unique = false) {
        int status = 0;
        std::string out = dbftest::RunCommand(Script("ndx_reference.py") + " compare '" +
                                                  Path(dbfName) + "' " + field + " " + kind + " '" +
                                                  ndx + "'" + (unique ? " unique" : "") + " 2>&1",
                                              status);
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    dbftest::ScratchDir dir_;
};

} // namespace ndxtest
