#pragma once
// Helpers of the work-area tests: the engine's start state per test, tables made and read by
// the Python reference (python3-dbf writes, python3-dbfread reads), child processes.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "dbf/table/work_areas.h"
#include "dbf/base/hooks.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbffile_testutil.h"

namespace areastest {

using dbftest::RunCommand;
using dbftest::ScratchDir;

inline std::string Script() {
    return std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/dbf/areas_reference.py";
}

// python3-dbf: COUNT records, every DELETE_EVERY-th deleted (see the script).
inline void MakeTable(const std::string& path, int count, int deleteEvery) {
    int status = 0;
    const std::string out = RunCommand(Script() + " make '" + path + "' " + std::to_string(count) +
                                           " " + std::to_string(deleteEvery) + " 2>&1",
                                       status);
    if (status != 0) throw std::runtime_error("make failed: " + out);
}

struct RefView {
    int headerCount = -1;
    std::vector<std::pair<std::string, int>> live; // NAME (first 6 characters), NUM
    std::vector<std::pair<std::string, int>> gone;
};

inline RefView View(const std::string& path) {
    int status = 0;
    const std::string out = RunCommand(Script() + " view '" + path + "' 2>&1", status);
    if (status != 0) throw std::runtime_error("view failed: " + out);
    RefView v;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        const auto p = dbftest::SplitTabs(line);
        if (p[0] == "count") {
            v.headerCount = std::stoi(p.at(1));
        } else if (p[0] == "live" || p[0] == "gone") {
            auto item = std::make_pair(p.at(1).substr(0, 6), std::stoi(p.at(2)));
            (p[0] == "live" ? v.live : v.gone).push_back(item);
        }
    }
    return v;
}

// Engine start state for each test; every area closed at the end.
class AreaTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::InitTzCommon();
        dbf::InitWorkAreas();
        dbf::ClearEngineHooks();
        dbf::SetErrorReporting(false);
        dbf::MultiUser = true;
        dbf::LockRetries = 0;
        dbf::LockRetryWait = 0;
        dbf::LockRetryCallback = nullptr;
        dbf::RecordLockLimit = 0;
        dbf::OpenModeOverride = 65535;
        dbf::AnsiTables = false;
        dbf::ConfirmPack = false;
        dbf::ConfirmHook = nullptr;
        dbf::ProcessEventsHook = nullptr;
        dbf::TerminatingHook = nullptr;
        dbf::CloseLockWait = 5000;
    }
    void TearDown() override {
        dbf::DoneWorkAreas();
        dbf::ResetErrorState();
    }

    // Opens path in area n (1..33) with the given options ("", " EXCLUSIVE", " ALIAS X").
    void Open(std::uint8_t n, const std::string& path, const std::string& options = "") {
        ASSERT_TRUE(dbf::Select(n));
        dbf::Use(path + options);
        ASSERT_EQ(dbf::LastErrorCode, 0) << dbf::ErrorText;
    }

    ScratchDir dir_;
};

// The first 6 characters of field 1 and the number in field 2 of the current record.
inline std::pair<std::string, int> Current() {
    return {dbf::FieldStr(1).substr(0, 6), std::stoi(dbf::FieldStr(2))};
}

// A child process running body; its exit status is body's result. The child leaves without
// running the parent's clean-up (its inherited areas are the parent's).
inline pid_t Child(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 1;
        try {
            code = body();
        } catch (...) {
            code = 99;
        }
        _exit(code);
    }
    return pid;
}

inline int WaitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// A one-way signal between processes.
class Signal {
public:
    Signal() {
        if (pipe(fds_) != 0) throw std::runtime_error("pipe");
    }
    ~Signal() {
        close(fds_[0]);
        close(fds_[1]);
    }
    void Send() {
        const char c = 1;
        if (write(fds_[1], &c, 1) != 1) _exit(98);
    }
    bool Wait() {
        char c = 0;
        return read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2] = {-1, -1};
};

// Held locks of /proc/locks on bytes first..last of the file at path. A line names its file by
// device (major and minor in hex) and inode, as "fe:00:10955262": both are matched, so a file of
// another file system with the same inode number never counts.
inline int ProcLocks(const std::string& path, std::uint64_t first, std::uint64_t last) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return -1;
    char file[64];
    std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    int status = 0;
    std::istringstream in(RunCommand("cat /proc/locks", status));
    std::string line;
    int found = 0;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w{std::istream_iterator<std::string>(words), {}};
        // "N: KIND MODE ACCESS PID DEV:INODE FIRST LAST"; a waiting lock has "->" after N.
        if (w.size() == 8 && w[5] == file && w[6] == std::to_string(first) &&
            w[7] == std::to_string(last))
            ++found;
    }
    return found;
}

} // namespace areastest
