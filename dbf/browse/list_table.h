#pragma once
// A table of up to seven columns written into the current listing in the form of its device:
// tab-separated on the TXT file, an HTML table on the HTML file, padded columns between rule
// lines on every printable device (screen, printers, text files). The browse window prints a
// table through it. Create it with the head row, feed it rows, destroy it to end the table.
//
// Columns: 1 and 2 are always written; 3 to 7 in order as long as each one's width is not 0.
// Texts are cut to 60 characters; the printable form pads or cuts each to its column's width.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbf {

class ListTable {
public:
    using Widths7 = std::array<std::uint8_t, 7>;
    using Texts7 = std::array<std::string_view, 7>;

    // WriteHtmlTableRowsCentered: stores widths and titles, writes the head row.
    ListTable(const Widths7& widths, const Texts7& titles);
    // WriteHtmlTableEnd.
    virtual ~ListTable();
    ListTable(const ListTable&) = delete;
    ListTable& operator=(const ListTable&) = delete;

    // WriteHtmlTableRowsAligned: one data row.
    void WriteRow(const Texts7& texts);

    // A rule line under every data row (true), or one closing rule line (false).
    bool RowRules = true;

private:
    int ColumnCount() const;
    void WriteCells(bool head);

    std::array<std::int32_t, 8> FWidths{};
    std::array<std::string, 8> FCells;
};

} // namespace dbf
