#pragma once
// Helpers of the dataset tests: the engine's start state, a concrete table dataset (the file
// dataset's locked changes in their simplest form), the python3-dbf fixture with dbfread's
// view of a file, a dataset row in the same text forms, and a second process that holds a lock.

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <cstdio>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "dbf/base/errors.h"
#include "dbf/base/hooks.h"
#include "dbf/base/runtime.h"
#include "dbf/dataset/command_dataset.h"
#include "dbf/memo/memo.h"
#include "dbf/table/work_areas.h"
#include "framework/core/uihooks.h"
#include "tests/testutil.h"

namespace dstest {

inline std::string Script() {
    return std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
           "/tests/dataset/dataset_reference.py";
}

inline std::string Reference(const std::string& args) {
    int status = 0;
    const std::string out = qortest::RunCommand(Script() + " " + args + " 2>&1", status);
    if (status != 0) throw std::runtime_error("reference failed: " + args + "\n" + out);
    return out;
}

inline std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// dbfread's rows: "live\tNAME\tQTY..." or "gone\t..." in file order (the count line dropped).
inline std::vector<std::string> View(const std::string& path) {
    std::istringstream in(Reference("view '" + path + "'"));
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("count", 0) != 0) rows.push_back(line);
    return rows;
}

// A table dataset: opens with Use, changes under the engine's locks.
class TTestTable : public dbf::TTzCDataSet {
public:
    bool Exclusive = false;

protected:
    bool OpenDbf(const std::string& name) override {
        dbf::Use(name + (Exclusive ? " EXCLUSIVE" : ""));
        return dbf::LastErrorCode == 0;
    }
    bool s_AppendWithLock() override { return Locked(true, &dbf::Append, true); }
    bool s_DeleteWithLock() override { return Locked(false, &dbf::DeleteRec, true); }
    bool s_RestoreWithLock() override { return Locked(false, &dbf::RecallRec, false); }
    bool s_ReplaceWithLock() override { return Locked(false, &dbf::Replace, true); }

private:
    static bool Locked(bool append, void (*op)(), bool moveOff) {
        if (!(append ? dbf::ALock() : dbf::RLock())) return false;
        op();
        const std::uint16_t code = dbf::LastErrorCode;
        if (code == 0 && moveOff && dbf::MoveOffHidden()) return true; // released there
        dbf::Unlock();
        dbf::LastErrorCode = code;
        return code == 0;
    }
};

// One record of a dataset in the forms of the reference's view.
inline std::string Row(TDataSet& ds) {
    std::string row = ds.FieldByName("NAME")->AsString();
    for (const char* n : {"QTY", "BIG"})
        row += "\t" + std::to_string(ds.FieldByName(n)->AsLargeInt());
    char buf[64];
    const double price = ds.FieldByName("PRICE")->AsFloat();
    std::string p(buf, std::to_chars(buf, buf + sizeof buf, price).ptr);
    if (p.find_first_of(".e") == std::string::npos) p += ".0";
    row += "\t" + p;
    row += ds.FieldByName("OK")->AsBoolean() ? "\tTrue" : "\tFalse";
    int y = 0, m = 0, d = 0;
    TField* day = ds.FieldByName("DAY");
    if (!day->IsNull() && DecodeDate(day->AsDateTime(), y, m, d)) {
        std::snprintf(buf, sizeof buf, "\t%04d-%02d-%02d", y, m, d);
        row += buf;
    } else {
        row += "\t";
    }
    return row;
}

// Engine start state for each test; the engine's stop box records instead of showing.
class DatasetTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::ClearEngineHooks();
        dbf::RegisterMemoHooks();
        dbf::MultiUser = true;
        dbf::LockRetries = 0;
        dbf::LockRetryWait = 0;
        dbf::SetDateFormat(5);
        Boxes().clear();
        dbf::StopBoxHook = [](const std::string& m, const std::string&) { Boxes().push_back(m); };
        MessageBoxHook = [](std::string_view text, std::string_view, unsigned) {
            Boxes().push_back(std::string(text));
            return IDOK;
        };
        dir_ = qortest::FreshTestDir("qor_ds_");
        path_ = (dir_ / "parts.dbf").string();
    }
    void TearDown() override {
        table_.reset();
        dbf::DoneWorkAreas();
        dbf::StopBoxHook = nullptr;
        MessageBoxHook = nullptr;
        dbf::ResetErrorState();
        std::filesystem::remove_all(dir_);
    }
    static std::vector<std::string>& Boxes() {
        static std::vector<std::string> boxes;
        return boxes;
    }
    // The fixture table, opened in a dataset.
    TTestTable& OpenFixture(bool hideDeleted = false) {
        Reference("make '" + path_ + "'");
        table_ = std::make_unique<TTestTable>();
        table_->SetName("Parts");
        table_->SetDbfFileName(path_);
        table_->SetHideDeletedRecs(hideDeleted);
        table_->Open();
        return *table_;
    }

    std::filesystem::path dir_;
    std::string path_;
    std::unique_ptr<TTestTable> table_;
};

// A second process holding the lock of record n of a table (n = 0: the file lock) until
// Release.
class LockHolder {
public:
    LockHolder(const std::string& path, std::int32_t n) {
        int up[2], down[2];
        if (pipe(up) != 0 || pipe(down) != 0) throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            char ok = '0';
            try {
                dbf::StopBoxHook = nullptr;
                dbf::SetErrorReporting(false);
                dbf::Select(30);
                dbf::Use(path + " ALIAS HOLDER");
                if (n > 0) dbf::Go(n);
                ok = dbf::LastErrorCode == 0 && (n > 0 ? dbf::RLock() : dbf::FLock()) ? '1' : '0';
            } catch (...) {
            }
            char c = 0;
            if (write(up[1], &ok, 1) != 1 || read(down[0], &c, 1) < 0) _exit(2);
            _exit(0);
        }
        close(up[1]);
        close(down[0]);
        release_ = down[1];
        char c = 0;
        locked_ = read(up[0], &c, 1) == 1 && c == '1';
        close(up[0]);
    }
    ~LockHolder() { Release(); }
    bool Locked() const { return locked_; }
    void Release() {
        if (pid_ <= 0) return;
        const char c = 'x';
        if (write(release_, &c, 1) != 1) kill(pid_, SIGKILL);
        close(release_);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

private:
    pid_t pid_ = 0;
    int release_ = -1;
    bool locked_ = false;
};

} // namespace dstest
