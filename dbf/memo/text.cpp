// The memo line table and the text-file driver over it: the line-oriented face of memos that
// the engine's other units use. Both sit on the byte interface of edit.cpp (unit `memo`).

#include <algorithm>

#include "dbf/table/work_areas.h"
#include "dbf/table/table_file.h"
#include "dbf/base/hooks.h"
#include "dbf/memo/memo.h"
#include "dbf/base/errors.h"

namespace dbf {

TMemoLineTable MemoLines;

namespace {

constexpr char kSoftReturn = static_cast<char>(0x8D);
constexpr std::size_t kDeliveredWidth = 253; // a delivered line and its CR LF fit in 255
constexpr std::size_t kStoredWidth = 254;    // driver output longer than this is split

// The stream the driver delivers for lines: a CR line with CR LF, wrapped and soft-return
// lines without a line end (they join the following line).
std::string Delivered(const TMemoLine& line) {
    if (line.Kind == kLineCR) return line.Text.substr(0, kDeliveredWidth) + "\r\n";
    return line.Text;
}

// The stored lines of memo block. Memo texts stay in the table's code page, as its fields do.
bool ReadMemoLines(std::int32_t block, int width, std::int32_t maxLines,
                   std::vector<TMemoLine>& lines) {
    std::string raw;
    if (!GetMemoText(block, raw)) return false;
    lines = SplitMemoLines(raw, width, maxLines);
    return true;
}

// Selects the driver's area for one operation and restores the caller's afterwards.
class AreaScope {
public:
    explicit AreaScope(std::uint8_t area) { CurrentAreaNo = area; }

private:
    CurrentAreaGuard guard_;
};

} // namespace

int MemoLineWidth() {
    const int w = MemoWidthOn ? MemoWidth : static_cast<int>(kDeliveredWidth);
    return (w < 1 || w > static_cast<int>(kDeliveredWidth)) ? static_cast<int>(kDeliveredWidth) : w;
}

std::vector<TMemoLine> SplitMemoLines(std::string_view text, int width, std::int32_t maxLines) {
    const std::size_t w = static_cast<std::size_t>(
        (width < 1 || width > static_cast<int>(kDeliveredWidth)) ? static_cast<int>(kDeliveredWidth)
                                                                 : width);
    std::vector<TMemoLine> lines;
    std::string cur;
    auto full = [&] { return maxLines > 0 && lines.size() >= static_cast<std::size_t>(maxLines); };
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && !full()) {
        const char c = text[i];
        if (c == '\r') {
            lines.push_back({std::move(cur), kLineCR});
            cur.clear();
            ++i;
            if (i < n && text[i] == '\n') ++i;
            continue;
        }
        if (c == kSoftReturn && i + 1 < n && text[i + 1] == '\n') {
            lines.push_back({std::move(cur), kLineSoft});
            cur.clear();
            i += 2;
            continue;
        }
        if (cur.size() >= w) {
            // Break after the last blank that fits, else at the width. Nothing is dropped, so
            // the wrapped lines join back to the text.
            const std::size_t blank = cur.find_last_of(' ');
            std::string rest;
            if (blank != std::string::npos && blank + 1 < cur.size()) {
                rest = cur.substr(blank + 1);
                cur.resize(blank + 1);
            }
            lines.push_back({std::move(cur), kLineWrap});
            cur = std::move(rest);
            if (full()) break;
        }
        cur += c;
        ++i;
    }
    if (!cur.empty() && !full()) lines.push_back({std::move(cur), kLineWrap});
    if (lines.empty()) lines.push_back({});
    return lines;
}

std::string JoinMemoLines(const std::vector<TMemoLine>& lines, std::string_view pending) {
    std::string text;
    for (const TMemoLine& line : lines) {
        text += line.Text;
        if (line.Kind == kLineCR) {
            text += "\r\n";
        } else if (line.Kind == kLineSoft) {
            text += kSoftReturn;
            text += '\n';
        }
    }
    if (!pending.empty()) {
        text.append(pending);
        text += "\r\n";
    }
    return text;
}

void ClearMemoLines() {
    MemoLines.Lines.clear();
    MemoLines.Current = 1;
    MemoLines.Pending.clear();
}

std::int32_t MemoLineCount() {
    return static_cast<std::int32_t>(MemoLines.Lines.size());
}

void SetMemoLine(std::int32_t n, std::string_view text, std::uint8_t kind) {
    if (n < 1) return;
    if (MemoLines.Lines.size() < static_cast<std::size_t>(n)) MemoLines.Lines.resize(n);
    MemoLines.Lines[n - 1] = {std::string(text), kind};
}

std::string MemoLine(std::int32_t n) {
    if (n < 1 || n > MemoLineCount()) return {};
    return MemoLines.Lines[n - 1].Text;
}

std::uint8_t MemoLineKind(std::int32_t n) {
    if (n < 1 || n > MemoLineCount()) return kLineWrap;
    return MemoLines.Lines[n - 1].Kind;
}

bool GetMemo(std::int32_t block, std::int32_t maxLines) {
    ClearMemoLines();
    return ReadMemoLines(block, MemoLineWidth(), maxLines, MemoLines.Lines);
}

std::int32_t EditMemo(std::int32_t oldBlock) {
    std::string pending = MemoLines.Pending;
    const std::size_t nul = pending.find('\0');
    if (nul != std::string::npos) pending.resize(nul);
    MemoLines.Pending = pending;
    return PutMemoText(JoinMemoLines(MemoLines.Lines, pending), oldBlock);
}

bool MemoPlainText(std::int32_t block, std::string& text) {
    text.clear();
    std::vector<TMemoLine> lines;
    if (!ReadMemoLines(block, static_cast<int>(kDeliveredWidth), 0, lines)) return false;
    // An empty memo reads as one empty line, which joins to nothing.
    text = JoinMemoLines(lines);
    return true;
}

bool MemoExprText(std::int32_t block, std::string& text) {
    text.clear();
    // The memo unit is taken out of the engine with its hook table (engine reset, tests).
    if (MemoHooks.AssignMemo == nullptr) return false;
    std::vector<TMemoLine> lines;
    if (!ReadMemoLines(block, MemoLineWidth(), 0, lines)) return false;
    std::string stream;
    for (const TMemoLine& line : lines)
        stream += Delivered(line);
    // The lines as a line read gives them, each cut to 255 characters.
    std::size_t pos = 0;
    while (pos < stream.size()) {
        std::size_t end = stream.find('\n', pos);
        const std::size_t next = end == std::string::npos ? stream.size() : end + 1;
        if (end == std::string::npos) end = stream.size();
        std::size_t stop = end;
        if (stop > pos && end < stream.size() && stream[stop - 1] == '\r') --stop;
        text.append(stream, pos, std::min<std::size_t>(stop - pos, 255));
        pos = next;
    }
    return true;
}

// ---- text-file driver ----

bool AssignMemo(TMemoTextFile& f, std::int32_t& block) {
    if (CheckMemoArea("AssignMemo")) return false;
    f.mode_ = TMemoTextFile::Mode::Closed;
    f.block_ = &block;
    f.area_ = CurrentAreaNo;
    f.result_ = 0;
    f.in_.clear();
    f.inPos_ = 0;
    f.nextLine_ = 0;
    f.held8D_ = f.heldCR_ = false;
    return true;
}

int TMemoTextFile::IOResult() {
    const int r = result_;
    result_ = 0;
    return r;
}

bool TMemoTextFile::Begin(Mode required) {
    if (mode_ == Mode::Unassigned) {
        result_ = kErrFileNotAssigned;
        return false;
    }
    if (required == Mode::Input && mode_ != Mode::Input) {
        result_ = kErrNotOpenForInput;
        return false;
    }
    if (required == Mode::Output && mode_ != Mode::Output) {
        result_ = kErrNotOpenForOutput;
        return false;
    }
    return true;
}

void TMemoTextFile::Reset() {
    if (mode_ == Mode::Unassigned) {
        result_ = kErrFileNotAssigned;
        return;
    }
    AreaScope scope(area_);
    in_.clear();
    inPos_ = 0;
    nextLine_ = 0;
    mode_ = Mode::Closed;
    if (!GetMemo(*block_)) {
        result_ = kErrDiskRead;
        return;
    }
    mode_ = Mode::Input;
}

void TMemoTextFile::Rewrite() {
    if (mode_ == Mode::Unassigned) {
        result_ = kErrFileNotAssigned;
        return;
    }
    ClearMemoLines();
    held8D_ = heldCR_ = false;
    mode_ = Mode::Output;
}

void TMemoTextFile::Append() {
    if (mode_ == Mode::Unassigned) {
        result_ = kErrFileNotAssigned;
        return;
    }
    AreaScope scope(area_);
    held8D_ = heldCR_ = false;
    mode_ = Mode::Closed;
    if (!GetMemo(*block_)) {
        result_ = kErrDiskRead;
        return;
    }
    const std::int32_t count = MemoLineCount();
    MemoLines.Current =
        (count == 1 && MemoLines.Lines[0].Text.empty() && MemoLines.Lines[0].Kind == kLineWrap)
            ? 1
            : count + 1;
    if (MemoLines.Current == 1) MemoLines.Lines.clear();
    mode_ = Mode::Output;
}

bool TMemoTextFile::Refill() {
    while (nextLine_ < MemoLines.Lines.size()) {
        in_ = Delivered(MemoLines.Lines[nextLine_++]);
        inPos_ = 0;
        if (!in_.empty()) return true;
    }
    in_.clear();
    inPos_ = 0;
    return false;
}

bool TMemoTextFile::Eof() {
    if (!Begin(Mode::Input)) return true;
    return inPos_ >= in_.size() && !Refill();
}

bool TMemoTextFile::ReadLn(std::string& line) {
    line.clear();
    if (!Begin(Mode::Input)) return false;
    if (inPos_ >= in_.size() && !Refill()) return false;
    for (;;) {
        const std::size_t end = in_.find('\n', inPos_);
        if (end != std::string::npos) {
            std::size_t stop = end;
            if (stop > inPos_ && in_[stop - 1] == '\r') --stop;
            line.append(in_, inPos_, stop - inPos_);
            inPos_ = end + 1;
            return true;
        }
        line.append(in_, inPos_, std::string::npos);
        inPos_ = in_.size();
        if (!Refill()) return true;
    }
}

void TMemoTextFile::EndLine(std::uint8_t kind) {
    SetMemoLine(MemoLines.Current, MemoLines.Pending, kind);
    ++MemoLines.Current;
    MemoLines.Pending.clear();
}

void TMemoTextFile::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (held8D_) {
            held8D_ = false;
            if (c == '\n') {
                EndLine(kLineSoft);
                continue;
            }
            if (MemoLines.Pending.size() >= kStoredWidth) EndLine(kLineWrap);
            MemoLines.Pending += kSoftReturn;
        }
        if (heldCR_) {
            heldCR_ = false;
            if (c == '\n') continue;
        }
        if (c == '\r') {
            EndLine(kLineCR);
            heldCR_ = true;
            continue;
        }
        if (c == kSoftReturn) {
            held8D_ = true;
            continue;
        }
        if (MemoLines.Pending.size() >= kStoredWidth) EndLine(kLineWrap);
        MemoLines.Pending += c;
    }
}

void TMemoTextFile::Write(std::string_view text) {
    if (!Begin(Mode::Output)) return;
    Feed(text);
}

void TMemoTextFile::WriteLn(std::string_view text) {
    if (!Begin(Mode::Output)) return;
    Feed(text);
    Feed("\r\n");
}

void TMemoTextFile::Close() {
    if (mode_ == Mode::Unassigned) {
        result_ = kErrFileNotAssigned;
        return;
    }
    const Mode was = mode_;
    mode_ = Mode::Closed;
    in_.clear();
    inPos_ = 0;
    if (was != Mode::Output) {
        if (was == Mode::Input) ClearMemoLines();
        return;
    }
    AreaScope scope(area_);
    struct Cleanup {
        ~Cleanup() { ClearMemoLines(); }
    } cleanup;
    if (held8D_) MemoLines.Pending += kSoftReturn;
    held8D_ = heldCR_ = false;
    LastErrorCode = 0;
    const std::int32_t block = EditMemo(*block_);
    if (LastErrorCode != 0) {
        result_ = kErrDiskWrite; // the field keeps its memo
        return;
    }
    *block_ = block;
    if (FlushAfterWrite) CommitMemofile();
}

} // namespace dbf
