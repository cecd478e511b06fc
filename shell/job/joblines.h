#pragma once
// Line-level helpers shared by the job file and its change and document blocks: the code page
// of every text field, and a reader that checks each line before anything takes its value.

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/core/fixedtypes.h"
#include "framework/core/files.h"

// ---- code pages of the job file's text fields ---------------------------------------------------
// Texts the program stores in the DOS page (converted from what the user typed) are written in
// CP437; texts the dialogs keep exactly as typed are Windows 1252. Numbers and marker lines are
// ASCII and the same in both.
struct JobTextPage {
    std::string_view field;
    TextEncoding page;
};
inline constexpr JobTextPage kJobTextPages[] = {
    {"Header", TextEncoding::Oem},            // H2..H4: maker title and identification
    {"TitleTexts", TextEncoding::Oem},        // H6, H7
    {"DrawingName", TextEncoding::Oem},       //
    {"DrawingNumber", TextEncoding::Oem},     //
    {"DrawingName2", TextEncoding::Oem},      //
    {"ToothCorrection", TextEncoding::Oem},   //
    {"MatName", TextEncoding::Oem},           //
    {"BasicRackName", TextEncoding::Oem},     //
    {"LoadChar", TextEncoding::Oem},          // one byte as held
    {"ChangeText", TextEncoding::Oem},        // change block: always the job file's own page
    {"ChangeDate", TextEncoding::Oem},        //
    {"ChangeName", TextEncoding::Oem},        //
    {"ChangeDescription", TextEncoding::Oem}, //
    {"DrawingInfo", TextEncoding::Oem},       // signature rows and the two references
    {"DrawingTextText", TextEncoding::Ansi},  // free drawing texts are kept as typed
    {"DocProgram", TextEncoding::Ansi},       // document links are kept as typed
    {"DocFile", TextEncoding::Ansi},          //
};

consteval TextEncoding JobPage(std::string_view field) {
    for (const auto& p : kJobTextPages)
        if (p.field == field) return p.page;
    throw "job-file text field without a code page";
}

// ---- writing ----------------------------------------------------------------------------------
// All write to SharedTextFile; a failure sets AbortFlag (utilfile). A line break inside a text
// would split its line and shift every later value: texts are written with blanks in its place.

std::string OneLine(std::string_view text);

void WriteJobText(std::string_view text, TextEncoding page);
void WriteJobChar(char byte);     // the byte as held (DOS page)
void WriteJobFlag(bool value);    // one character of code 0 or 1
void WriteJobInt(long long n);    // decimal
void WriteJobReal(long double x); // WriteTextLineReal; a non-finite value as 0

// ---- reading ----------------------------------------------------------------------------------
// Reads SharedTextFile line by line. Every getter checks its line first and stores only a valid
// value; after the first failure every later call fails too, so a caller can read a whole block
// and test once. A failure is either the end of the file or a line that does not hold what its
// position needs.
class JobLineReader {
public:
    bool Text(std::string& s, TextEncoding page);
    template <std::size_t N> bool Text(ShortString<N>& s, TextEncoding page) {
        std::string t;
        if (!Text(t, page)) return false;
        s = t;
        return true;
    }
    bool Skip();
    bool Char(char& c);
    bool Flag(bool& b);
    bool Real(long double& x);
    bool Int(std::int32_t& n, std::int64_t lo = INT32_MIN, std::int64_t hi = INT32_MAX);
    bool Word(std::uint16_t& n) { return Unsigned16(n); }

    // No further line follows (tested without reading).
    bool AtEnd();
    bool Ok() const { return !ended_ && !bad_; }
    bool Ended() const { return ended_; } // the file ended before a needed line
    bool Bad() const { return bad_; }     // a line did not hold what its position needs
    long LineNo() const { return line_; } // number of the last line read (1-based)
    const std::string& Problem() const { return problem_; }

    // Marks the current line as unreadable (for checks the caller makes, such as a range).
    void Fail(std::string what);

private:
    bool Unsigned16(std::uint16_t& n);
    bool Next(std::string& raw, TextEncoding page);
    bool ended_ = false;
    bool bad_ = false;
    long line_ = 0;
    std::string problem_;
};
