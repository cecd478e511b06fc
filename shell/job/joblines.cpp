#include "shell/job/joblines.h"

#include <cmath>

#include "framework/core/globals.h"
#include "framework/core/text.h"
#include "platform/os/codepage.h"

std::string OneLine(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

void WriteJobText(std::string_view text, TextEncoding page) {
    const TextEncoding was = SharedTextFile.Encoding();
    SharedTextFile.SetEncoding(page);
    WriteTextLine(OneLine(text));
    SharedTextFile.SetEncoding(was);
}

void WriteJobChar(char byte) {
    // The byte goes out as held: through Unicode and back into the same page.
    WriteJobText(os::Cp437ToUtf8(std::string_view(&byte, 1)), TextEncoding::Oem);
}

void WriteJobFlag(bool value) {
    const char c = value ? '\x01' : '\x00';
    WriteJobText(std::string_view(&c, 1), TextEncoding::Oem);
}

void WriteJobInt(long long n) {
    WriteTextLine(IntToString(n));
}

void WriteJobReal(long double x) {
    // A value that is no number (left by a failed calculation) would make the file unreadable.
    WriteTextLineReal(std::isfinite(x) ? x : 0.0L);
}

// ---- reading ----------------------------------------------------------------------------------

bool JobLineReader::Next(std::string& line, TextEncoding page) {
    if (!Ok()) return false;
    SharedTextFile.SetEncoding(page);
    const int rc = SharedTextFile.ReadLine(line);
    SharedTextFile.SetEncoding(TextEncoding::Oem);
    if (rc == TextFile::kIoPastEnd) {
        ended_ = true;
        problem_ = "the file ends after line " + std::to_string(line_);
        return false;
    }
    if (rc != 0) {
        bad_ = true;
        problem_ = "read error after line " + std::to_string(line_) + ": " +
                   FileErrorCause(rc, SharedTextFile.Name());
        return false;
    }
    ++line_;
    return true;
}

void JobLineReader::Fail(std::string what) {
    if (!Ok()) return;
    bad_ = true;
    problem_ = "line " + std::to_string(line_) + ": " + what;
}

bool JobLineReader::AtEnd() {
    return !Ok() || SharedTextFile.Eof();
}

bool JobLineReader::Text(std::string& s, TextEncoding page) {
    std::string line;
    if (!Next(line, page)) return false;
    s = std::move(line);
    return true;
}

bool JobLineReader::Skip() {
    std::string line;
    return Next(line, TextEncoding::Oem);
}

bool JobLineReader::Char(char& c) {
    std::string line;
    if (!Next(line, TextEncoding::Oem)) return false;
    const std::string bytes = os::Utf8ToCp437(line);
    c = bytes.empty() ? '\0' : bytes.front();
    return true;
}

bool JobLineReader::Flag(bool& b) {
    char c = 0;
    if (!Char(c)) return false;
    // Code 1 is true; older writers may have left a digit.
    b = c != '\0' && c != '0';
    return true;
}

bool JobLineReader::Real(long double& x) {
    std::string line;
    if (!Next(line, TextEncoding::Oem)) return false;
    bool ok = false;
    const long double v = ParseReal(line, ok);
    if (!ok || !std::isfinite(v)) {
        Fail("\"" + line + "\" is not a number");
        return false;
    }
    x = v;
    return true;
}

bool JobLineReader::Int(std::int32_t& n, std::int64_t lo, std::int64_t hi) {
    std::string line;
    if (!Next(line, TextEncoding::Oem)) return false;
    bool ok = false;
    const std::int32_t v = ParseInteger(line, ok);
    if (!ok) {
        Fail("\"" + line + "\" is not a whole number");
        return false;
    }
    if (v < lo || v > hi) {
        Fail(line + " is outside " + std::to_string(lo) + ".." + std::to_string(hi));
        return false;
    }
    n = v;
    return true;
}

bool JobLineReader::Unsigned16(std::uint16_t& n) {
    std::int32_t v = 0;
    if (!Int(v, 0, 65535)) return false;
    n = static_cast<std::uint16_t>(v);
    return true;
}
