#pragma once
// Helpers shared by the OS-layer tests: a scratch directory and running the reference Python.

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <sys/wait.h>

#include "platform/os/paths.h"

namespace ostest {

inline std::string Python() {
    const char* p = std::getenv("PYTHON");
    return p != nullptr && *p != '\0' ? p : "/usr/bin/python3";
}

// Runs `python3 -c script` (through popen; the script is passed in single quotes, so it must
// not contain one) and returns its standard output.
inline std::string RunPython(const std::string& script, int* status = nullptr) {
    if (script.find('\'') != std::string::npos) throw std::logic_error("quote in script");
    const std::string cmd = Python() + " -c '" + script + "'";
    FILE* f = ::popen(cmd.c_str(), "r");
    if (f == nullptr) throw std::runtime_error("popen failed");
    std::string out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    const int st = ::pclose(f);
    if (status != nullptr) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

// A fresh directory removed (with its files) at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        std::string tmpl = os::TempDirectory() + "/qor_os_test_XXXXXX";
        if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~ScratchDir() {
        const std::string cmd = "rm -rf '" + path_ + "'";
        (void)std::system(cmd.c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace ostest
