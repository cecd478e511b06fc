#pragma once
// Helpers of the memo pack, copy and blob tests: tables with one or two memo fields in each
// flavour, and the memos of a table as Perl XBase and python3-dbfread read them.

#include <map>
#include <sstream>
#include <utility>

#include "dbf/memo/blob.h"
#include "dbf/memo/pack.h"
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

using memotest::RunOrThrow;

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
