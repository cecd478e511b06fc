#pragma once
// Shared by the browse tests: the engine's start state with fresh DbfDir and TempDir, the
// python3-dbf fixture, dbfread's view of a table, and a table open in a TTzDbf shown by a grid.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dbf/browse/browse_window.h"
#include "dbf/browse/facade.h"
#include "dbf/browse/tz_controls.h"
#include "dbf/expr/expression.h"
#include "dbf/index/ndx.h"
#include "framework/core/errorlist.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/ui/help.h"
#include "platform/gui/application.h"
#include "platform/gui/responder.h"
#include "tests/dataset/dataset_testutil.h"

namespace browsetest {

namespace fs = std::filesystem;

inline std::string Ref(const std::string& args) {
    int status = 0;
    const std::string out =
        qortest::RunCommand(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                "/tests/dbf/browse/browse_reference.py " + args + " 2>&1",
                            status);
    if (status != 0) throw std::runtime_error("reference failed: " + args + "\n" + out);
    return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

class BrowseTest : public dstest::DatasetTest {
protected:
    void SetUp() override {
        Application->Initialize();
        DatasetTest::SetUp();
        InitAllSettings();
        SetProductIdentity();
        InitErrors();
        AbortFlag = 0;
        ErrorBoxesOn = 1;
        dbf::InitParser();
        dbf::IndexInit();
        DbfDir = (dir_ / "db").string();
        TempDir = (dir_ / "tmp").string();
        fs::create_directories(DbfDir);
        fs::create_directories(TempDir);
        fs::permissions(TempDir, fs::perms::owner_all); // a folder of one's own holds listings
        table = (fs::path(DbfDir) / "parts.dbf").string();
        Ref("make '" + table + "'");
        dbf::DbfSelectedRecNo = dbf::DbfGridPosA = dbf::DbfGridPosB = 1;
    }
    void TearDown() override {
        dbf::FreeDbfWindow();
        dbf::IndexDone();
        DatasetTest::TearDown();
    }
    std::string table;
};

} // namespace browsetest
