#pragma once
// Fixture of the key-maintenance tests: the index engine with key maintenance and semaphore
// brackets installed, and a table NAME C(10), AMT N(12,3), TAG C(3), ID N(8) whose ID grows
// with the record number (so the reference can restore file order from dbfread's rows).

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dbf/index/maintain.h"
#include "dbf/index/semaphore.h"
#include "ndx_testutil.h"

namespace ndxmainttest {

class MaintTest : public ndxtest::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        dbf::ResetSemaphores();
        dbf::InstallIndexMaintenanceHooks();
        dbf::ExactOn = false;
    }
    void TearDown() override {
        dbf::Select(1);
        dbf::CloseIndexes();
        NdxTest::TearDown();
        dbf::ResetSemaphores();
    }

    void CreateMainTable(const std::string& name = "t.dbf") {
        CreateTable(name, {ndxtest::Def("NAME", 'C', 10), ndxtest::Def("AMT", 'N', 12, 3),
                           ndxtest::Def("TAG", 'C', 3), ndxtest::Def("ID", 'N', 8)});
    }

    void SetFields(const std::string& name, double amt, const std::string& tag) {
        dbf::SetVarString(dbf::FieldAddress(1), name, 10);
        dbf::SetVarDouble(dbf::FieldAddress(2), amt);
        dbf::SetVarString(dbf::FieldAddress(3), tag, 3);
    }

    void AppendRow(const std::string& name, double amt, const std::string& tag) {
        dbf::ClearRecord();
        SetFields(name, amt, tag);
        dbf::SetVarInt64(dbf::FieldAddress(4), ++lastId_);
        dbf::Append();
    }

    // Builds an index over the open table into file `ndx` (closing the area's orders).
    void Build(const std::string& ndx, const std::string& expr, bool unique = false) {
        ASSERT_TRUE(dbf::MakeIndex(Path(ndx), expr, false, 1, unique, false, {})) << dbf::ErrorText;
    }

    std::string Compare(const std::string& field, const std::string& kind, const std::string& ndx,
                        const std::string& table = "t.dbf") {
        int status = 0;
        std::string out = dbftest::RunCommand(ndxtest::Script("ndxmaint_reference.py") +
                                                  " compare '" + Path(table) + "' " + field + " " +
                                                  kind + " '" + Path(ndx) + "' 2>&1",
                                              status);
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    // (users, readers, counter) of a semaphore file as the reference reads it.
    std::string Counter(const std::string& semFile) {
        int status = 0;
        std::string out = dbftest::RunCommand(
            ndxtest::Script("ndxmaint_reference.py") + " counter '" + semFile + "' 2>&1", status);
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }

    std::string List(const std::string& ndx) {
        int status = 0;
        return dbftest::RunCommand(
            ndxtest::Script("ndxcheck.py") + " '" + Path(ndx) + "' --list 2>&1", status);
    }

    std::uint64_t FileSize(const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }

    int lastId_ = 0;
};

} // namespace ndxmainttest
