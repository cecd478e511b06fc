// dbftable SOURCE TABLE
// Writes the dBASE table TABLE from the plain-text SOURCE with the program's own engine. The
// tables the program ships (data/q1toolx.dbf, data/printout.dbf) are made from their sources
// (data/q1toolx.txt, data/printout.txt) this way and never edited by hand: the build target
// `tables` writes them, and a test checks that the shipped files equal what the sources give.
//
// SOURCE, UTF-8, any line end:
//   # ...                       a comment (also after the records)
//   field NAME, T, LEN, DEC     one field, in table order (a line of the datasets' field lists)
//   a | b | c ...               one record: its values in field order, '|' between them,
//                               blanks around a value ignored; numbers with '.' as the point,
//                               logicals T or F, dates YYYYMMDD
// Texts are stored in the DOS code page (the engine's default for tables).
//
// The table is written under a temporary name beside TABLE and renamed over it when complete.
// Exit code 0 when TABLE was written, 2 otherwise (the reason and the source line on stderr).
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "dbf/base/errors.h"
#include "dbf/base/runtime.h"
#include "dbf/dataset/field_list.h"
#include "dbf/table/create.h"
#include "dbf/table/work_areas.h"
#include "shell/table_access.h"

namespace {

struct Line {
    int Number;
    std::string Text;
};

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::vector<std::string> SplitBars(const std::string& s) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = s.find('|', from);
        parts.push_back(Trim(s.substr(from, bar - from)));
        if (bar == std::string::npos) break;
        from = bar + 1;
    }
    return parts;
}

std::size_t Utf8Length(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

int Fail(const std::string& source, int line, const std::string& why) {
    if (line > 0)
        std::fprintf(stderr, "dbftable: %s:%d: %s\n", source.c_str(), line, why.c_str());
    else
        std::fprintf(stderr, "dbftable: %s: %s\n", source.c_str(), why.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: dbftable SOURCE TABLE\n");
        return 2;
    }
    const std::string source = argv[1];
    const std::string target = argv[2];
    std::ifstream in(source, std::ios::binary);
    if (!in) return Fail(source, 0, "cannot be read");

    std::vector<dbf::TDbfFieldDesc> fields;
    std::vector<Line> records;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const std::string t = Trim(text);
        if (t.empty() || t[0] == '#') continue;
        if (t.rfind("field ", 0) == 0) {
            if (!records.empty()) return Fail(source, number, "a field after the records");
            dbf::TDbfFieldDef def;
            if (!dbf::ParseDbfFieldLine(t.substr(6), def) || dbf::CorrectFieldDef(def))
                return Fail(source, number, "not a field a table can hold: " + t.substr(6));
            dbf::TDbfFieldDesc d;
            d.Name = def.Name;
            d.Type = def.Type;
            d.Length = static_cast<std::uint8_t>(def.Length);
            d.Decimals = static_cast<std::uint8_t>(def.Decimals);
            fields.push_back(d);
        } else {
            records.push_back({number, t});
        }
    }
    if (fields.empty()) return Fail(source, 0, "no fields");

    dbf::InitTzCommon();
    dbf::InitWorkAreas();
    dbf::SetErrorReporting(false);
    dbf::AnsiTables = false;
    const std::string temp = target + ".tmp" + std::to_string(::getpid()) + ".dbf";
    {
        dbf::TWorkArea area;
        dbf::CreateDbf(area, temp, fields);
        if (dbf::LastErrorCode != 0) return Fail(target, 0, dbf::GetErrorText());
    }
    TTableAccess table;
    if (!table.Open(temp, true)) {
        ::unlink(temp.c_str());
        return Fail(target, 0, table.Error());
    }
    for (const Line& record : records) {
        const std::vector<std::string> values = SplitBars(record.Text);
        std::string why;
        if (values.size() != fields.size()) {
            why = std::to_string(values.size()) + " values for " + std::to_string(fields.size()) +
                  " fields";
        } else {
            table.Blank();
            for (std::size_t i = 0; i < values.size() && why.empty(); ++i) {
                if (fields[i].Type == 'C' && Utf8Length(values[i]) > fields[i].Length)
                    why = fields[i].Name + ": \"" + values[i] + "\" is longer than " +
                          std::to_string(fields[i].Length) + " characters";
                else if (!table.SetText(static_cast<int>(i + 1), values[i]))
                    why = table.Error();
            }
            if (why.empty() && !table.Append()) why = table.Error();
        }
        if (!why.empty()) {
            table.Close();
            ::unlink(temp.c_str());
            return Fail(source, record.Number, why);
        }
    }
    table.Close();
    if (!table.Error().empty() || std::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return Fail(target, 0, "could not be written " + table.Error());
    }
    dbf::DoneWorkAreas();
    return 0;
}
