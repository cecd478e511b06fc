// Unit of the listing table writer (ListTable: WriteHtmlTableRowsCentered,
// WriteHtmlTableRowsAligned, WriteHtmlTableEnd).
#include "dbf/browse/list_table.h"

#include "framework/core/files.h"
#include "framework/core/text.h"
#include "framework/ui/listing.h"

namespace dbf {

namespace {
constexpr long kCellChars = 60;
}

ListTable::ListTable(const Widths7& widths, const Texts7& titles) {
    for (std::size_t i = 0; i < 7; ++i) {
        FWidths[i] = widths[i];
        FCells[i] = LeftStr(titles[i], kCellChars);
    }
    WriteCells(true);
}

ListTable::~ListTable() {
    if (!RowRules) ListLine(ListRuleLine());
    if (ListDevice() == ListDeviceHtml) ListWrite("</TABLE>");
}

void ListTable::WriteRow(const Texts7& texts) {
    for (std::size_t i = 0; i < 7; ++i)
        FCells[i] = LeftStr(texts[i], kCellChars);
    WriteCells(false);
}

int ListTable::ColumnCount() const {
    int n = 2;
    while (n < 7 && FWidths[static_cast<std::size_t>(n)] != 0)
        ++n;
    return n;
}

void ListTable::WriteCells(bool head) {
    const int n = ColumnCount();
    const std::uint16_t device = ListDevice();
    if (device == ListDeviceTxt) {
        ListIndentedLine(FCells[0]);
        for (int i = 1; i < n; ++i)
            WriteText("\t" + FCells[static_cast<std::size_t>(i)]);
        WriteTextLine("");
        return;
    }
    if (device == ListDeviceHtml) {
        // Cell texts are escaped: a "<" in a table value must not become markup.
        std::string line;
        if (head) {
            ListWrite("<TABLE BORDER = \"1\" WIDTH= \"100%\">");
            for (int i = 0; i < n; ++i)
                line += "<TD><CENTER>" + HtmlEscape(FCells[static_cast<std::size_t>(i)]) +
                        "</CENTER></TD>";
        } else {
            line = "<TD>" + HtmlEscape(FCells[0]) + "</TD>";
            for (int i = 1; i < n; ++i)
                line += "<TD><DIV ALIGN=RIGHT>" + HtmlEscape(FCells[static_cast<std::size_t>(i)]) +
                        "</DIV></TD>";
        }
        ListWrite("<TR>" + line + "</TR>");
        return;
    }
    if (head) ListLine(ListDoubleRuleLine());
    ListIndentedLine(PadTo(FCells[0], FWidths[0]));
    for (int i = 1; i < n; ++i)
        WriteText(PadTo(FCells[static_cast<std::size_t>(i)], FWidths[static_cast<std::size_t>(i)]));
    WriteTextLine(" ");
    if (head) {
        ListLine(ListDoubleRuleLine());
    } else if (RowRules) {
        ListLine(ListRuleLine());
    }
}

} // namespace dbf
