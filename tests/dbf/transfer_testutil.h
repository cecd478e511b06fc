#pragma once
// Helpers of the search and transfer tests: tables written by python3-dbf, read back by
// python3-dbfread, delimited text built and read by Python (tests/dbf/transfer_reference.py).

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "areas_testutil.h"
#include "dbf/table/create.h"
#include "dbf/table/search.h"

namespace transfertest {

inline std::string Script() {
    return std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/dbf/transfer_reference.py";
}

// Runs the reference script; its standard output.
inline std::string Ref(const std::string& args) {
    int status = 0;
    const std::string out = dbftest::RunCommand(Script() + " " + args + " 2>&1", status);
    if (status != 0) throw std::runtime_error("reference failed: " + args + "\n" + out);
    return out;
}

// dbfread's records of a table: deleted flag ("0"/"1") then the values (live records first).
inline std::vector<std::vector<std::string>> Dump(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(Ref("dump '" + path + "'"));
    std::string line;
    while (std::getline(in, line))
        rows.push_back(dbftest::SplitTabs(line));
    return rows;
}

using dbftest::Def;

inline void Create(const std::string& path, std::vector<dbf::TDbfFieldDesc> defs) {
    dbf::TWorkArea scratch;
    dbf::CreateDbf(scratch, path, defs);
    ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
}

// The engine's start state, with no Locate pending and no visible windows.
class TransferTest : public areastest::AreaTest {
protected:
    void SetUp() override {
        AreaTest::SetUp();
        dbf::LocateState = dbf::TLocateState{};
    }
};

} // namespace transfertest
