// gearcalc: calculates one gear pair from "name = value" lines and prints every input and
// result of the gear data, one per line, then the message list.
//
//   gearcalc [FILE]        (standard input without FILE)
//
// Input lines: "name = value" or "name[i] = value" (i = 1 or 2), in the units the gear data
// holds them; "#" starts a comment; values not given keep the start-up example.
// Output: "name = value" / "name[i] = value" (reals with 21 significant digits), then
// "CalcErrorFlag = ...", "AbortFlag = ..." and one "message = TEXT" per message.
// A job file takes the place of the example: "job = PATH" as the first input line loads it
// (later lines change it), or FILE may itself be a job file. "save = PATH" writes the job after
// the calculation (PATH.q1w for a name without extension; a bare name in the current folder);
// "calc = 0" leaves the calculation out (the data print and save as loaded); "relations = 1" adds
// one "broken = NAME" line per relation of the results that does not hold without its message
// (calc/relations.h).
// Exit status: 0 done, 2 fatal calculation error, 1 bad input, a job that cannot be loaded or
// saved, or standard output that could not take the listing (reported on stderr; the saves are
// still made); 128 + the signal when SIGINT, SIGTERM or SIGHUP ended the run (no draft left).
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include <unistd.h>

#include "calc/calcentry.h"
#include "calc/fields.h"
#include "calc/geardata.h"
#include "calc/relations.h"
#include "framework/core/errorlist.h"
#include "framework/core/files.h"
#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "shell/job/jobfile.h"

namespace {

// ---- value codecs

std::string FormatReal(long double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 21);
    return std::string(buf, r.ptr);
}

bool ParseInputReal(std::string_view s, long double& out) {
    long double v = 0.0L;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ptr != s.data() + s.size()) return false;
    if (r.ec == std::errc::result_out_of_range) {
        // Subnormals (as printed for a result) read back; beyond the largest real does not.
        bool ok = false;
        v = ParseReal(s, ok);
        if (!ok) return false;
    } else if (r.ec != std::errc() || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

template <class I> bool ParseInt(std::string_view s, I& out) {
    long long v = 0;
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
    if (v < static_cast<long long>(std::numeric_limits<I>::min()) ||
        v > static_cast<long long>(std::numeric_limits<I>::max()))
        return false;
    out = static_cast<I>(v);
    return true;
}

template <class T> struct Codec;

template <> struct Codec<long double> {
    static std::string Format(long double v) { return FormatReal(v); }
    static bool Parse(std::string_view s, long double& v) { return ParseInputReal(s, v); }
};
template <> struct Codec<bool> {
    static std::string Format(bool v) { return v ? "1" : "0"; }
    static bool Parse(std::string_view s, bool& v) {
        if (s == "0" || s == "false") {
            v = false;
            return true;
        }
        if (s == "1" || s == "true") {
            v = true;
            return true;
        }
        return false;
    }
};
template <class I>
requires std::is_integral_v<I>
struct Codec<I> {
    static std::string Format(I v) { return std::to_string(static_cast<long long>(v)); }
    static bool Parse(std::string_view s, I& v) { return ParseInt(s, v); }
};
template <std::size_t N> struct Codec<ShortString<N>> {
    static std::string Format(const ShortString<N>& v) { return v.str(); }
    static bool Parse(std::string_view s, ShortString<N>& v) {
        v = s;
        return true;
    }
};

// ---- the table of names

struct Field {
    std::string name;
    bool perGear;
    std::function<std::string(int)> get;
    std::function<bool(int, std::string_view)> set; // false: not a valid value
};

template <class T> struct IsPerGear : std::false_type {};
template <class T> struct IsPerGear<RangeArray<T, 1, 2>> : std::true_type { using Item = T; };

template <class T> Field Make(const char* name, T& ref) {
    if constexpr (IsPerGear<T>::value) {
        using U = typename IsPerGear<T>::Item;
        return {name, true, [&ref](int i) { return Codec<U>::Format(ref[i]); },
                [&ref](int i, std::string_view s) { return Codec<U>::Parse(s, ref[i]); }};
    } else {
        return {name, false, [&ref](int) { return Codec<T>::Format(ref); },
                [&ref](int, std::string_view s) { return Codec<T>::Parse(s, ref); }};
    }
}

// Every input and result of the gear data, group by group (calc/fields.h), with the unit
// system after the calculation settings. One line per name.
std::vector<Field> Fields() {
    std::vector<Field> fields;
    VisitGearFields(GearData, [&fields](const char* name, auto& ref) {
        fields.push_back(Make(name, ref));
        if (std::string_view(name) == "CalcOption")
            fields.push_back(Make("UnitSystem", UnitSystem));
    });
    return fields;
}

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Applies one input line; returns an error text, or empty when the line was taken.
std::string ApplyLine(const std::vector<Field>& fields, std::string_view line) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    line = Trim(line);
    if (line.empty()) return {};
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return "expected \"name = value\"";
    std::string_view name = Trim(line.substr(0, eq));
    const std::string_view value = Trim(line.substr(eq + 1));
    int gear = 0;
    if (const auto br = name.find('['); br != std::string_view::npos) {
        const std::string_view idx = name.substr(br);
        if (idx == "[1]")
            gear = 1;
        else if (idx == "[2]")
            gear = 2;
        else
            return "gear index must be [1] or [2]";
        name = Trim(name.substr(0, br));
    }
    for (const Field& f : fields) {
        if (f.name != name) continue;
        if (f.perGear && gear == 0)
            return "\"" + std::string(name) + "\" is per gear: write " + std::string(name) +
                   "[1] or " + std::string(name) + "[2]";
        if (!f.perGear && gear != 0) return "\"" + std::string(name) + "\" is not per gear";
        if (!f.set(gear == 0 ? 1 : gear, value))
            return "not a valid value for " + std::string(name) + ": \"" + std::string(value) +
                   "\"";
        return {};
    }
    return "unknown name \"" + std::string(name) + "\"";
}

void Print(const std::vector<Field>& fields, std::ostream& out) {
    for (const Field& f : fields) {
        if (f.perGear) {
            for (int i = 1; i <= 2; ++i)
                out << f.name << '[' << i << "] = " << f.get(i) << '\n';
        } else {
            out << f.name << " = " << f.get(1) << '\n';
        }
    }
    out << "CalcErrorFlag = " << int(CalcErrorFlag) << '\n';
    out << "AbortFlag = " << int(AbortFlag) << '\n';
    for (int n = 1; n <= ErrorCount; ++n)
        out << "message = " << ErrorList[n].str() << '\n';
}

} // namespace

namespace {

// A script is a few hundred short lines; more than this is no script (an endless device, a file
// named by mistake) and is refused instead of being read into memory.
constexpr std::size_t kMaxScriptBytes = 16u << 20;

// Lines of a script from a descriptor, each split at LF as std::getline does. A line longer
// than kTextLineLimit or a script longer than kMaxScriptBytes ends the reading.
class ScriptReader {
public:
    enum Result { kLine, kEnd, kLineTooLong, kTooLarge, kReadError };
    explicit ScriptReader(int fd) : fd_(fd) {}

    Result Next(std::string& line) {
        line.clear();
        for (;;) {
            if (pos_ == len_ && !Fill()) {
                if (error_) return kReadError;
                if (total_ > kMaxScriptBytes) return kTooLarge;
                return line.empty() ? kEnd : kLine;
            }
            const char* begin = buf_ + pos_;
            const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', len_ - pos_));
            const std::size_t take = lf != nullptr ? std::size_t(lf - begin) : len_ - pos_;
            if (line.size() + take > kTextLineLimit) return kLineTooLong;
            line.append(begin, take);
            pos_ += take;
            if (lf != nullptr) {
                ++pos_;
                return kLine;
            }
        }
    }

private:
    bool Fill() {
        if (total_ > kMaxScriptBytes) return false;
        for (;;) {
            const ssize_t n = ::read(fd_, buf_, sizeof buf_);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error_ = true;
            if (n <= 0) return false;
            pos_ = 0;
            len_ = static_cast<std::size_t>(n);
            total_ += len_;
            return total_ <= kMaxScriptBytes;
        }
    }

    int fd_;
    char buf_[65536];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::size_t total_ = 0;
    bool error_ = false;
};

// Closes a descriptor at the end of its scope.
struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// True when the file begins like a job file (its first line is the 65-dash rule). Only the
// first bytes are read; a file that cannot be opened is left to the script reader's message.
bool IsJobFile(const std::string& path) {
    FdCloser f;
    if (os::OpenForReading(path, f.fd) != 0) return false;
    const std::string rule(65, '-');
    char head[68];
    std::size_t got = 0;
    while (got < sizeof head) {
        const ssize_t n = ::read(f.fd, head + got, sizeof head - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    const std::string_view first(head, got);
    return first == rule || first.substr(0, 66) == rule + "\n" ||
           first.substr(0, 67) == rule + "\r\n";
}

bool LoadJob(const std::string& path, const std::string& where) {
    AbortFlag = 0;
    LoadJobFile(path);
    if (AbortFlag == 0) return true;
    std::cerr << where << ": " << LastJobFileProblem() << '\n';
    return false;
}

// "name = value" split; false when the line is not of that form.
bool SplitAssignment(std::string_view line, std::string_view& name, std::string_view& value) {
    if (const auto hash = line.find('#'); hash != std::string_view::npos)
        line = line.substr(0, hash);
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    name = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::cerr << "usage: gearcalc [FILE]\n";
        return 1;
    }
    // Never ended half-way by a signal: a reader that leaves is a failed write, and Ctrl+C,
    // SIGTERM or SIGHUP remove the draft of a save before they end the run.
    os::IgnoreBrokenPipeSignal();
    os::RemoveDraftsOnSignal();
    os::SignalAtDraftFromEnvironment();
    SetProductIdentity();
    ErrorBoxesOn = 0; // job-file problems go to stderr
    const std::string source = argc == 2 ? argv[1] : "<stdin>";
    const std::vector<Field> fields = Fields();
    std::vector<std::string> saves;
    bool calculate = true, relations = false;
    bool bad = false;

    if (argc == 2 && IsJobFile(argv[1])) {
        if (!LoadJob(argv[1], source)) return 1;
    } else {
        FdCloser file;
        if (argc == 2) {
            if (const int rc = os::OpenForReading(argv[1], file.fd); rc != 0) {
                std::cerr << "gearcalc: cannot open " << argv[1] << ": "
                          << FileErrorCause(rc, argv[1]) << '\n';
                return 1;
            }
        }
        ScriptReader in(argc == 2 ? file.fd : STDIN_FILENO);
        std::string line;
        int lineNo = 0;
        bool first = true;
        for (;;) {
            const ScriptReader::Result got = in.Next(line);
            if (got == ScriptReader::kEnd) break;
            if (got == ScriptReader::kLineTooLong) {
                std::cerr << source << ':' << lineNo + 1 << ": a line is longer than "
                          << kTextLineLimit << " characters (not a script)\n";
                return 1;
            }
            if (got == ScriptReader::kTooLarge) {
                std::cerr << source << ": longer than " << kMaxScriptBytes
                          << " bytes (not a script)\n";
                return 1;
            }
            if (got == ScriptReader::kReadError) {
                std::cerr << "gearcalc: read error on " << source << '\n';
                return 1;
            }
            ++lineNo;
            std::string_view name, value;
            const bool assignment = SplitAssignment(line, name, value);
            if (assignment && name == "job") {
                if (!first) {
                    std::cerr << source << ':' << lineNo << ": \"job\" must be the first line\n";
                    bad = true;
                } else if (value.empty()) {
                    std::cerr << source << ':' << lineNo << ": \"job\" needs a file name\n";
                    bad = true;
                } else if (!LoadJob(std::string(value), source + ':' + std::to_string(lineNo))) {
                    return 1;
                }
                first = false;
                continue;
            }
            if (assignment && name == "save") {
                if (value.empty()) {
                    std::cerr << source << ':' << lineNo << ": \"save\" needs a file name\n";
                    bad = true;
                } else {
                    saves.emplace_back(value);
                }
                first = false;
                continue;
            }
            if (assignment && (name == "calc" || name == "relations")) {
                if (value == "0" || value == "1") {
                    (name == "calc" ? calculate : relations) = value == "1";
                } else {
                    std::cerr << source << ':' << lineNo << ": \"" << name << "\" is 0 or 1\n";
                    bad = true;
                }
                first = false;
                continue;
            }
            const std::string err = ApplyLine(fields, line);
            if (!err.empty()) {
                std::cerr << source << ':' << lineNo << ": " << err << '\n';
                bad = true;
            }
            if (!Trim(line).empty() && Trim(line).front() != '#') first = false;
        }
    }
    if (bad) return 1;

    if (calculate) CalculateGears();

    std::ostringstream out;
    Print(fields, out);
    if (relations && calculate && CalcErrorFlag == 0)
        for (const std::string& r : BrokenRelations())
            out << "broken = " << r << '\n';
    // A reader that leaves early (| head) costs the listing, never the saves asked for.
    std::uint64_t written = 0;
    const int printed = os::WriteAllTo(STDOUT_FILENO, out.str(), written);
    if (printed != 0)
        std::cerr << "gearcalc: standard output: " << os::ErrorCauseText(printed) << '\n';
    const int calcStatus = printed != 0 ? 1 : CalcErrorFlag != 0 ? 2 : 0;
    for (const std::string& path : saves) {
        AbortFlag = 0;
        // A name without a folder is one in the current folder (the job files' own folder,
        // DataDir, is the program's); a name without extension gets the job files' .q1w.
        WriteGearDataFile(ExtractPath(path).empty() ? "./" + path : path);
        if (AbortFlag != 0) {
            std::cerr << "gearcalc: " << LastJobFileProblem() << '\n';
            return 1;
        }
    }
    return calcStatus;
}
