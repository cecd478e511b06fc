#pragma once
// Helpers of the DBF benchmarks: field descriptions and a scratch folder for their tables.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dbf/table/area_record.h"
#include "dbf/table/create.h"
#include "dbf/table/work_areas.h"

namespace dbfbench {

inline dbf::TDbfFieldDesc Def(const std::string& name, char type, int length, int decimals = 0) {
    dbf::TDbfFieldDesc f;
    f.Name = name;
    f.Type = type;
    f.Length = static_cast<std::uint8_t>(length);
    f.Decimals = static_cast<std::uint8_t>(decimals);
    return f;
}

// A new folder /tmp/<prefix>XXXXXX; the benchmark cannot run without it.
inline std::string MakeScratchDir(const std::string& prefix) {
    std::string tmpl = "/tmp/" + prefix + "XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return tmpl;
}

// Creates table with the fields and opens it exclusively in work area 1, for filling.
inline void CreateAndUse(const std::string& table, std::vector<dbf::TDbfFieldDesc> fields) {
    dbf::TWorkArea scratch;
    dbf::CreateDbf(scratch, table, fields);
    dbf::Select(1);
    dbf::Use(table + " EXCLUSIVE");
}

inline void RemoveScratchDir(const std::string& dir) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

} // namespace dbfbench
