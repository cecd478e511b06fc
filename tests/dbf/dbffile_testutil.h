#pragma once
// Helpers shared by the file-layer tests: scratch directories, the Python reference script,
// and the parsed form of its "read" output.

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "dbf/base/errors.h"
#include "dbf/table/area_record.h"
#include "tests/testutil.h"

namespace dbftest {

using qortest::ReadFileBytes;
using qortest::RunCommand;
using qortest::WriteFileBytes;

// A fresh directory under the temporary directory, removed at the end of the test.
class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/qor_dbf_XXXXXX";
        const char* d = mkdtemp(tmpl);
        if (d == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = d;
    }
    ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string ReferenceScript() {
    return std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR + "/tests/dbf/dbf_reference.py";
}

inline std::string Reference(const std::string& args) {
    int status = 0;
    std::string out = RunCommand(ReferenceScript() + " " + args + " 2>&1", status);
    if (status != 0) throw std::runtime_error("reference script failed: " + args + "\n" + out);
    return out;
}

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : line) {
        if (c == '\t') {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    return parts;
}

inline std::string Unhex(const std::string& hex) {
    std::string s;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        s += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return s;
}

struct RefField {
    std::string name;
    char type = 0;
    int length = 0, decimals = 0;
};

struct RefRecord {
    bool deleted = false;
    std::vector<std::string> values; // "-", "s:<bytes>", "n:<repr>", "d:YYYYMMDD", "b:T"
};

struct RefTable {
    int version = 0, headerLength = 0, recordLength = 0, recordCount = 0;
    std::vector<RefField> fields;
    std::vector<RefRecord> records;
};

// dbfread's view of a table.
inline RefTable ReadReference(const std::string& path, const std::string& encoding = "latin1") {
    RefTable t;
    std::istringstream in(Reference("read '" + path + "' " + encoding));
    std::string line;
    while (std::getline(in, line)) {
        const auto p = SplitTabs(line);
        if (p[0] == "header") {
            t.version = std::stoi(p.at(1));
            t.headerLength = std::stoi(p.at(2));
            t.recordLength = std::stoi(p.at(3));
            t.recordCount = std::stoi(p.at(4));
        } else if (p[0] == "field") {
            t.fields.push_back({p.at(1), p.at(2)[0], std::stoi(p.at(3)), std::stoi(p.at(4))});
        } else if (p[0] == "record") {
            RefRecord r;
            r.deleted = p.at(1) == "1";
            for (std::size_t i = 2; i < p.size(); ++i) {
                const std::string& v = p[i];
                r.values.push_back(v.rfind("s:", 0) == 0 ? "s:" + Unhex(v.substr(2)) : v);
            }
            t.records.push_back(r);
        }
    }
    return t;
}

inline std::string Sha256(const std::string& path) {
    int status = 0;
    return RunCommand("sha256sum '" + path + "'", status).substr(0, 64);
}

// A field description for table creation.
inline dbf::TDbfFieldDesc Def(const std::string& name, char type, int length, int decimals = 0) {
    dbf::TDbfFieldDesc f;
    f.Name = name;
    f.Type = type;
    f.Length = static_cast<std::uint8_t>(length);
    f.Decimals = static_cast<std::uint8_t>(decimals);
    return f;
}

// Every test starts from the engine's start state, with failures tested by code.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        dbf::ResetErrorState();
        dbf::SetErrorReporting(false);
    }
    void TearDown() override { dbf::ResetErrorState(); }
};

} // namespace dbftest
