#pragma once
// Helpers of the memo pack, copy and blob tests: tables with one or two memo fields in each
// flavour, and the memos of a table as Perl XBase and python3-dbfread read them.

#include <map>
#include <sstream>
#include <utility>

#include "dbf/blob.h"
#include "dbf/memopack.h"
#include "memo_testutil.h"

namespace packtest {

// (record, field name) -> memo bytes.
using MemoView = std::map<std::pair<int, std::string>, std::string>;

inline MemoView ParseView(const std::string& output) {
    MemoView out;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        const auto p = dbftest::SplitTabs(line);
        if (p.size() == 4 && p[0] == "memo") out[{std::stoi(p[1]), p[2]}] = dbftest::Unhex(p[3]);
    }
    return out;
}

inline std::string RunOrThrow(const std::string& command) {
    int status = 0;
    std::string out = memotest::RunCommand(command + " 2>&1", status);
    if (status != 0) throw std::runtime_error(command + " failed:\n" + out);
    return out;
}

inline MemoView PerlView(const std::string& table) {
    return ParseView(RunOrThrow(std::string("/usr/bin/perl ") + QOR_SOURCE_DIR +
                                "/tests/dbf/memopack_xbase.pl '" + table + "'"));
}

inline MemoView DbfreadView(const std::string& table) {
    return ParseView(RunOrThrow(std::string("/usr/bin/python3 ") + QOR_SOURCE_DIR +
                                "/tests/dbf/memopack_reference.py read '" + table + "'"));
}

inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Table NAME C(10), NOTE M (and PIC M when twoMemos) with a memo file of the flavour and block
// size; returns the memo file's path.
inline std::string MakeMemoTable(const std::string& path, std::uint8_t flavour, std::uint16_t bs,
                                 bool twoMemos = false) {
    std::vector<dbf::TDbfFieldDesc> fields(twoMemos ? 3 : 2);
    fields[0].Name = "NAME";
    fields[0].Type = 'C';
    fields[0].Length = 10;
    fields[1].Name = "NOTE";
    fields[1].Type = 'M';
    if (twoMemos) {
        fields[2].Name = "PIC";
        fields[2].Type = 'M';
    }
    dbf::TWorkArea scratch;
    const std::uint16_t savedBs = dbf::MemoBlockSize;
    const std::uint8_t savedVersion = dbf::DefaultVersion;
    dbf::MemoBlockSize = bs;
    dbf::DefaultVersion = 0x8B;
    dbf::CreateDbf(scratch, path, fields);
    dbf::MemoBlockSize = savedBs;
    dbf::DefaultVersion = savedVersion;
    if (dbf::LastErrorCode != 0) throw std::runtime_error("CreateDbf: " + dbf::ErrorText);
    const std::string dbt = dbf::ForceExt(path, "dbt");
    if (flavour == 0x8B) return dbt;
    std::remove(dbt.c_str());
    memotest::PatchByte(path, 0, flavour);
    const std::string memo = dbf::ForceExt(path, flavour == 0xF5 ? "fpt" : "dbt");
    dbf::CreateMemoFile(memo, flavour, bs, "test");
    if (dbf::LastErrorCode != 0) throw std::runtime_error("CreateMemoFile: " + dbf::ErrorText);
    return memo;
}

struct Flavour {
    const char* name;
    std::uint8_t version;
    std::uint16_t bs;
};

// Every flavour with the block sizes worth telling apart.
inline std::vector<Flavour> AllFlavours() {
    return {{"d3", 0x83, 512}, {"d4", 0x8B, 512}, {"d4k", 0x8B, 1024},
            {"d4s", 0x8B, 64}, {"fx", 0xF5, 64},  {"fxk", 0xF5, 512}};
}

// Texts that a copy or pack must keep: short, around block and piece boundaries, long, line
// ends, DOS code-page letters, a lone 0x8D and 0x03.
inline std::vector<std::string> SampleTexts() {
    std::vector<std::string> t = {
        "Hob 1",
        "Module 2.5 hob\r\nAddendum 1.25\r\nTip radius 0.38\r\n",
        std::string(55, 'a'),
        std::string(56, 'b'),
        std::string(503, 'c'),
        std::string(504, 'd'),
        std::string(511, 'e'),
        std::string(512, 'f'),
        std::string("soft\x8D\nreturn \x03 byte \x84\x94\x81 \xC9\xCD\xBB"),
    };
    std::string lines;
    for (int i = 1; i <= 300; ++i)
        lines += "tool note line " + std::to_string(i) + "\r\n";
    t.push_back(lines);
    return t;
}

} // namespace packtest
