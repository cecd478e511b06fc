#include "platform/office/spreadsheet.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include <unistd.h>
#include <xlsxwriter.h>

#include "platform/os/codepage.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/process.h"
#include "platform/os/utf8.h"

std::string SpreadsheetCommand;

namespace {

// The sheet's bounds (rows and columns of an .xlsx sheet) and a cell's longest text.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr std::size_t kMaxCellText = 32767;
constexpr int kMaxSignificantDigits = 15;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The program of a command line found as the system would start it.
bool ProgramFound(const std::string& program) {
    if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        if (dir.empty()) dir = ".";
        if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (colon == std::string_view::npos) return false;
        dirs.remove_prefix(colon + 1);
    }
}

// A sheet name a spreadsheet accepts: at most 31 characters, none of []:*?/\ .
std::string SheetName(std::string name) {
    for (char& c : name)
        if (std::string_view("[]:*?/\\").find(c) != std::string_view::npos) c = '_';
    if (name.size() > 31) name.resize(31);
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
        name.pop_back(); // never half a UTF-8 sequence
    return name.empty() ? "Sheet1" : name;
}

// Cuts a UTF-8 text to at most n bytes without splitting a character.
std::string CutUtf8(std::string_view s, std::size_t n) {
    if (s.size() <= n) return std::string(s);
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return std::string(s.substr(0, n));
}

int BookCounter = 0;

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A cell text as the workbook stores it. A spreadsheet program reads "_xHHHH_" in a stored
// text as the character U+HHHH (the writer stores control characters so); a text that holds
// such a sequence itself keeps it by its underscore written as "_x005F_". The stored form stays
// within the cell's limit: characters that no longer fit are left off whole.
std::string StoredCellText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t from = at;
        os::Utf8Next(text, at);
        std::string_view piece = text.substr(from, at - from);
        if (piece == "_" && at + 5 < text.size() && text[at] == 'x' && IsHexDigit(text[at + 1]) &&
            IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]) && IsHexDigit(text[at + 4]) &&
            text[at + 5] == '_')
            piece = "_x005F_";
        if (out.size() + piece.size() > kMaxCellText) break;
        out += piece;
    }
    return out;
}

} // namespace

std::string SpreadsheetText(std::string_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    constexpr char32_t kNulSymbol = 0x2400;
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t cp = os::Utf8Next(text, at); // a malformed sequence gives U+FFFD
        if (cp == 0xFFFE || cp == 0xFFFF)
            cp = kReplacement; // shown as the program's windows show it
        else if (cp == 0)
            cp = kNulSymbol;
        os::Utf8Append(out, cp);
    }
    return out;
}

namespace {

} // namespace

bool SpreadsheetNumber(std::string_view text, char decimal, double& value) {
    const auto b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos) return false;
    const std::string_view t = text.substr(b, text.find_last_not_of(" \t") - b + 1);
    std::size_t i = 0;
    std::string plain; // the number with '.' as its point, for the conversion
    if (t[i] == '+' || t[i] == '-') {
        if (t[i] == '-') plain += '-';
        ++i;
    }
    const std::size_t intStart = i;
    while (i < t.size() && IsDigit(t[i]))
        ++i;
    const std::string_view intPart = t.substr(intStart, i - intStart);
    std::string_view fracPart;
    if (i < t.size() && t[i] == decimal) {
        const std::size_t f = ++i;
        while (i < t.size() && IsDigit(t[i]))
            ++i;
        fracPart = t.substr(f, i - f);
    }
    if (intPart.empty() && fracPart.empty()) return false;
    // A leading zero belongs to a code ("0815"), not to a number.
    if (intPart.size() > 1 && intPart[0] == '0') return false;
    std::string_view exponent;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        const std::size_t e = i++;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t digits = i;
        while (i < t.size() && IsDigit(t[i]))
            ++i;
        if (i == digits) return false;
        exponent = t.substr(e, i - e);
    }
    if (i != t.size()) return false;
    // Significant digits: those between the first and the last digit that is not 0.
    std::string digits = std::string(intPart) + std::string(fracPart);
    const auto first = digits.find_first_not_of('0');
    if (first != std::string::npos) {
        const auto last = digits.find_last_not_of('0');
        if (static_cast<int>(last - first + 1) > kMaxSignificantDigits) return false;
    }
    plain += intPart.empty() ? std::string("0") : std::string(intPart);
    if (!fracPart.empty()) plain += "." + std::string(fracPart);
    plain += exponent;
    double v = 0;
    const auto r = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (r.ec != std::errc() || r.ptr != plain.data() + plain.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

std::string SpreadsheetStartProblem(std::string_view program) {
    return "Could not start Excel: the spreadsheet program \"" + std::string(program) +
           "\" cannot be started (the environment variable QOR1W_SPREADSHEET chooses it)";
}

std::unique_ptr<TExcelApplication> TExcelApplication::Create(std::string* why) {
    std::string line = SpreadsheetCommand;
    if (line.empty()) {
        const char* env = std::getenv("QOR1W_SPREADSHEET");
        line = env != nullptr && *env != '\0' ? env : "xdg-open";
    }
    std::vector<std::string> argv = os::SplitCommandLine(line);
    if (argv.empty() || !ProgramFound(argv.front())) {
        if (why != nullptr) *why = argv.empty() ? line : argv.front();
        return nullptr;
    }
    return std::unique_ptr<TExcelApplication>(new TExcelApplication(std::move(argv)));
}

TExcelApplication::TExcelApplication(std::vector<std::string> command)
    : FCommand(std::move(command)) {}

void TExcelApplication::AddWorkbook() {
    Workbook book;
    book.Name = "Book" + std::to_string(++BookCounter);
    FBooks.push_back(std::move(book));
}

bool TExcelApplication::OpenText(const std::string& path) {
    std::string bytes;
    if (const int rc = os::ReadWholeFile(path, bytes); rc != 0) {
        FLastError = "File " + path + " could not be read: " + os::ErrorCauseText(rc, path) + ".";
        return false;
    }
    Workbook book;
    std::string base = path.substr(path.find_last_of('/') + 1);
    book.Name = os::Cp1252ToUtf8(base.substr(0, base.rfind('.')));
    int row = 1;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string::npos) end = bytes.size();
        std::string_view line(bytes.data() + at, end - at);
        const std::size_t eof = line.find('\x1A'); // the end mark of DOS text files
        if (eof != std::string_view::npos) line = line.substr(0, eof);
        int column = 1;
        std::size_t from = 0;
        while (true) {
            const std::size_t tab = line.find('\t', from);
            const std::string_view item = line.substr(from, tab - from);
            if (!item.empty() && row <= kMaxRows && column <= kMaxColumns) {
                Cell cell;
                const std::string text = SpreadsheetText(os::Cp1252ToUtf8(item));
                cell.IsNumber = SpreadsheetNumber(text, DecimalSeparator, cell.Number);
                if (!cell.IsNumber) cell.Text = CutUtf8(text, kMaxCellText);
                book.Cells[{row, column}] = std::move(cell);
            }
            if (tab == std::string_view::npos) break;
            from = tab + 1;
            ++column;
        }
        if (eof != std::string_view::npos) break;
        ++row;
        at = end;
        if (at < bytes.size()) // CR LF is one line end, a lone CR or LF too
            at += bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n' ? 2 : 1;
    }
    book.Changed = true;
    FBooks.push_back(std::move(book));
    return true;
}

bool TExcelApplication::SetCellValue(int row, int column, std::string_view text) {
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns) {
        FLastError = "No cell (" + std::to_string(row) + ", " + std::to_string(column) + ")";
        return false;
    }
    if (FBooks.empty()) AddWorkbook();
    Workbook& book = FBooks.back();
    Cell cell;
    cell.IsNumber = SpreadsheetNumber(text, DecimalSeparator, cell.Number);
    if (!cell.IsNumber) cell.Text = CutUtf8(SpreadsheetText(text), kMaxCellText);
    if (cell.Text.empty() && !cell.IsNumber)
        book.Cells.erase({row, column});
    else
        book.Cells[{row, column}] = std::move(cell);
    book.Changed = true;
    return true;
}

bool TExcelApplication::WriteWorkbook(Workbook& book, std::string& path) {
    std::string dir = Directory.empty() ? os::TempDirectory() : Directory;
    if (dir.back() != '/') dir += '/';
    std::string name = book.Name + "_" + std::to_string(::getpid());
    if (book.Writes > 0) name += "_" + std::to_string(book.Writes + 1);
    path = dir + name + ".xlsx";
    // The program's one way of replacing a file: a draft of its own beside the file (taken
    // exclusively, so the writer never follows a planted link; a device or pipe in the file's
    // place is refused), renamed over it when complete.
    os::Replacement draft;
    if (const int rc = os::BeginReplace(path, draft, ".xlsx"); rc != 0) {
        FLastError = "Could not write " + path + ": " + os::ErrorCauseText(rc, path);
        return false;
    }
    const std::string& temp = draft.Draft;
    lxw_workbook* wb = workbook_new(temp.c_str());
    if (wb == nullptr) {
        os::AbandonReplace(draft);
        FLastError = "Could not write " + path + ": not enough memory";
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, SheetName(SpreadsheetText(book.Name)).c_str());
    if (ws == nullptr) ws = workbook_add_worksheet(wb, nullptr);
    // Every cell must go in as it is: a workbook missing one is a failure, not a success.
    lxw_error err = ws == nullptr ? LXW_ERROR_MEMORY_MALLOC_FAILED : LXW_NO_ERROR;
    std::string where;
    for (auto it = book.Cells.begin(); err == LXW_NO_ERROR && it != book.Cells.end(); ++it) {
        const auto& [at, cell] = *it;
        const auto r = static_cast<lxw_row_t>(at.first - 1);
        const auto c = static_cast<lxw_col_t>(at.second - 1);
        err = cell.IsNumber
                  ? worksheet_write_number(ws, r, c, cell.Number, nullptr)
                  : worksheet_write_string(ws, r, c, StoredCellText(cell.Text).c_str(), nullptr);
        if (err != LXW_NO_ERROR)
            where = " (cell " + std::to_string(at.first) + ", " + std::to_string(at.second) + ")";
    }
    errno = 0;
    const lxw_error closed = workbook_close(wb);
    const int closeErrno = errno; // what the system said when the file was written, if anything
    if (err == LXW_NO_ERROR) err = closed;
    const int renamed = err == LXW_NO_ERROR ? os::CommitReplace(draft, -1) : os::kOk;
    if (err != LXW_NO_ERROR || renamed != os::kOk) {
        std::string cause;
        if (renamed != os::kOk)
            cause = os::ErrorCauseText(renamed, path);
        else if (closed != LXW_NO_ERROR && closeErrno != 0)
            cause = os::ErrorCauseText(os::ErrnoToDosForPath(closeErrno, temp.c_str()), temp);
        else
            cause = lxw_strerror(err);
        os::AbandonReplace(draft);
        FLastError = "Could not write " + path + where + ": " + cause;
        return false;
    }
    ++book.Writes;
    book.Changed = false;
    FWritten.push_back(path);
    return true;
}

bool TExcelApplication::Update() {
    if (!FVisible) return true;
    for (Workbook& book : FBooks) {
        if (!book.Changed || book.Cells.empty()) continue;
        std::string path;
        if (!WriteWorkbook(book, path)) return false;
        std::vector<std::string> argv = FCommand;
        argv.push_back(path);
        if (os::StartProcess(argv) != 0) {
            FLastError = SpreadsheetStartProblem(FCommand.front());
            return false;
        }
    }
    return true;
}
