#pragma once
// Helpers shared by the test programs of every folder: a scratch folder per test, a file's
// bytes, and running a command line (an independent reader's report). Include as
// "tests/testutil.h".

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qortest {

// Runs body (returning an int) in a child process whose files may not grow beyond limit bytes
// (ulimit -f): the child's exit code, or 100 + the signal that ended it. The child keeps the
// test's signal dispositions, so a test sees whether the program's own start survives the limit.
template <typename F> int UnderFileSizeLimit(rlim_t limit, F body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        rlimit lim{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// An empty folder of the running test's own: <temp>/<prefix><pid>_<test name>.
inline std::filesystem::path FreshTestDir(const std::string& prefix) {
    // A parameterised test's name holds a '/': one folder, so that removing it leaves nothing.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      (prefix + std::to_string(::getpid()) + "_" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

// The names in a folder, sorted.
inline std::vector<std::string> SortedNames(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The whole file ("" when it cannot be read).
inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Runs a command line; its standard output, and in status its exit code (-1 when it could not
// run or did not exit).
inline std::string RunCommand(const std::string& command, int& status) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        status = -1;
        return out;
    }
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = ::pclose(p);
    status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// The standard output of a command line ("" when it cannot run).
inline std::string RunCommand(const std::string& command) {
    int status = 0;
    return RunCommand(command, status);
}

} // namespace qortest
