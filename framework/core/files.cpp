// utilfile (with utildos): the shared text file, file and directory services, dates.
#include "framework/core/files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <limits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/core/globals.h"
#include "framework/core/settings.h"
#include "framework/core/text.h"
#include "framework/core/uihooks.h"
#include "platform/os/codepage.h"
#include "platform/os/errors.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"
#include "platform/os/utf8.h"

TextFile SharedTextFile;

namespace {

os::CodePage PageOf(TextEncoding e) {
    return e == TextEncoding::Oem ? os::CodePage::Cp437 : os::CodePage::Cp1252;
}

// Valid UTF-8 that holds a byte above 127 (a page's bytes seldom are).
bool ReadsAsUtf8(std::string_view s) {
    bool high = false;
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (static_cast<unsigned char>(s[pos]) < 0x80) {
            ++pos;
            continue;
        }
        high = true;
        const std::size_t before = pos;
        // U+FFFD itself is three bytes EF BF BD; anything else decoding to it is malformed.
        if (os::Utf8Next(s, pos) == U'\uFFFD' &&
            (pos - before != 3 || s.substr(before, 3) != "\xEF\xBF\xBD"))
            return false;
    }
    return high;
}

} // namespace

std::string UnholdableCharacters(std::string_view utf8, TextEncoding page) {
    std::string lost;
    if (page == TextEncoding::Utf8) return lost;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t from = at;
        const char32_t u = os::Utf8Next(utf8, at);
        const std::string_view ch = utf8.substr(from, at - from);
        const bool malformed = u == U'\uFFFD' && ch != "\xEF\xBF\xBD";
        if ((malformed || !os::UnicodeToByte(PageOf(page), u)) &&
            lost.find(ch) == std::string::npos)
            lost.append(ch);
    }
    return lost;
}

std::string EncodeKeptLine(std::string_view utf8, TextEncoding page) {
    if (page == TextEncoding::Utf8 || !UnholdableCharacters(utf8, page).empty())
        return std::string(utf8);
    std::string bytes = os::FromUtf8(PageOf(page), utf8);
    // The page's bytes that would read as UTF-8 go as UTF-8 themselves.
    return ReadsAsUtf8(bytes) ? std::string(utf8) : bytes;
}

std::string DecodeKeptLine(std::string_view bytes, TextEncoding page) {
    if (page == TextEncoding::Utf8 || ReadsAsUtf8(bytes)) return std::string(bytes);
    return os::ToUtf8(PageOf(page), bytes);
}

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

int WriteErrno(int err) {
    // A full disk, a quota or a file-size limit are all "disk full" to the caller; the errno
    // stays behind for the message (FileErrorCause).
    return os::ErrnoToDos(err);
}

// Writes every byte or returns the DOS code of the failure.
int WriteAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return WriteErrno(errno);
        }
        if (w == 0) return os::kErrWriteFault;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return 0;
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string ToInternal(std::string_view bytes, TextEncoding e) {
    if (e == TextEncoding::Utf8 || IsAscii(bytes)) return std::string(bytes);
    return os::ToUtf8(e == TextEncoding::Oem ? os::CodePage::Cp437 : os::CodePage::Cp1252, bytes);
}

std::string ToExternal(std::string_view text, TextEncoding e) {
    if (e == TextEncoding::Utf8 || IsAscii(text)) return std::string(text);
    return os::FromUtf8(e == TextEncoding::Oem ? os::CodePage::Cp437 : os::CodePage::Cp1252, text);
}

bool IsSep(char c) {
    return c == '/' || c == '\\';
}

std::string DirOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Opens a regular file for reading, never waiting on a named pipe or a device (they are
// refused, as a folder is). Files named by the program in capitals or small letters
// ("TEXT.HXP", "$LOGO_2.dx$") are found whatever the letter case on disk, as on Windows.
int OpenForReading(const std::string& name, int& code) {
    int fd = -1;
    code = os::OpenForReading(name, fd);
    if (code != os::kErrFileNotFound && code != os::kErrPathNotFound) return fd;
    std::string real;
    if (const int rc = os::ResolvePathNoCase(name, real); rc != 0) {
        code = rc; // 2 when only the file is missing, 3 when a folder is
        return -1;
    }
    code = os::OpenForReading(real, fd);
    return fd;
}

// Directory name for the OS: blanks trimmed, one trailing separator dropped ("/" stays).
std::string DirForOs(std::string_view dir) {
    std::string d = TrimBlanks(dir);
    while (d.size() > 1 && d.back() == '/')
        d.pop_back();
    return d;
}

std::vector<std::string>& TemporaryFiles() {
    static std::vector<std::string> files;
    return files;
}

std::string RealDirectory(const std::string& dir) {
    std::string real = dir;
    if (char* r = ::realpath(dir.c_str(), nullptr)) {
        real = r;
        std::free(r);
    }
    return real;
}

// The program's own names for temporary files: "$..." (listing drafts, TXT listings, block and
// scratch files), the text window's "outwin.txt" and the HTML listing ProgramName + ".htm".
bool IsTemporaryName(const std::string& name) {
    if (!name.empty() && name[0] == '$') return true;
    const std::string lower = LowerCaseStr(name);
    return lower == "outwin.txt" || lower == LowerCaseStr(ProgramName + ".htm");
}

// A file written under one of those names into the temporary directory is removed at the end.
void NoteIfTemporary(const std::string& path) {
    const auto slash = path.rfind('/');
    if (!IsTemporaryName(slash == std::string::npos ? path : path.substr(slash + 1))) return;
    const std::string temp = DirForOs(TempDir);
    if (temp.empty() || RealDirectory(DirOf(path)) != RealDirectory(temp)) return;
    NoteTemporaryFile(path);
}

} // namespace

void NoteTemporaryFile(const std::string& path) {
    auto& files = TemporaryFiles();
    if (std::find(files.begin(), files.end(), path) == files.end()) files.push_back(path);
}

std::vector<std::string>& TemporaryFolders() {
    static std::vector<std::string> folders;
    return folders;
}

void NoteTemporaryFolder(const std::string& path) {
    auto& folders = TemporaryFolders();
    if (std::find(folders.begin(), folders.end(), path) == folders.end()) folders.push_back(path);
}

void KeepTemporaryFile(const std::string& path) {
    auto& files = TemporaryFiles();
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
}

namespace {
std::string& NotKeptFolderName() {
    static std::string folder;
    return folder;
}
} // namespace

std::string NotKeptFolder() {
    std::string& folder = NotKeptFolderName();
    if (!folder.empty()) return folder;
    std::string name = os::TempDirectory() + "/qor1w-" + std::to_string(::getuid()) + "-XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) return {}; // mode 0700, this user's
    folder = name;
    return folder;
}

bool InNotKeptFolder(const std::string& path) {
    const std::string& folder = NotKeptFolderName();
    return !folder.empty() && path.size() > folder.size() + 1 &&
           path.compare(0, folder.size() + 1, folder + "/") == 0;
}

void RemoveTemporaryFiles() {
    if (std::string& folder = NotKeptFolderName(); !folder.empty()) {
        if (DIR* d = ::opendir(folder.c_str())) {
            while (const dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    ::unlink((folder + "/" + e->d_name).c_str());
            ::closedir(d);
        }
        ::rmdir(folder.c_str());
        folder.clear();
    }
    for (const std::string& path : TemporaryFiles())
        ::unlink(path.c_str()); // one already gone is fine
    TemporaryFiles().clear();
    for (const std::string& path : TemporaryFolders())
        os::RemoveScratchFolder(path); // one that holds a file another run or the user keeps stays
    TemporaryFolders().clear();
}

// ---- TextFile --------------------------------------------------------------------------------

TextFile::~TextFile() {
    if (mode_ == Mode::Write)
        Discard();
    else if (mode_ != Mode::Closed)
        Close();
}

void TextFile::Assign(std::string_view name, TextEncoding encoding) {
    if (IsOpen()) Close();
    name_ = std::string(name);
    encoding_ = encoding;
}

void TextFile::CloseDescriptor() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// What every open does first: closes a file still open, clears the state of the last one.
// kErrFileNotFound when no name was assigned.
int TextFile::BeginOpen() {
    if (IsOpen()) Close();
    error_ = 0;
    linesRead_ = 0;
    pastEnd_ = false;
    pos_ = len_ = 0;
    return name_.empty() ? os::kErrFileNotFound : 0;
}

void TextFile::StartWriting(Mode mode) {
    buf_.clear();
    buf_.reserve(kBufferSize);
    mode_ = mode;
}

int TextFile::Reset() {
    atStart_ = true;
    if (const int rc = BeginOpen(); rc != 0) return rc;
    int code = 0;
    const int fd = OpenForReading(name_, code);
    if (fd < 0) return code;
    fd_ = fd;
    buf_.resize(kBufferSize);
    mode_ = Mode::Read;
    return 0;
}

int TextFile::Rewrite() {
    if (const int rc = BeginOpen(); rc != 0) return rc;
    // A draft beside the file, renamed over it at Close. A device, a pipe or a folder in the
    // name's place is refused at once: no write waits on it or goes into it.
    if (const int rc = os::BeginReplace(name_, replace_); rc != 0) return rc;
    const int fd = ::open(replace_.Draft.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        const int code = os::ErrnoToDosForPath(errno, replace_.Draft.c_str());
        os::AbandonReplace(replace_);
        return code;
    }
    fd_ = fd;
    written_ = 0;
    StartWriting(Mode::Write);
    return 0;
}

int TextFile::Append() {
    if (const int rc = BeginOpen(); rc != 0) return rc;
    const int fd = ::open(name_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return os::ErrnoToDosForPath(errno, name_.c_str());
    fd_ = fd;
    StartWriting(Mode::Append);
    return 0;
}

int TextFile::FlushBuffer() {
    if (error_ != 0) return error_;
    if (!buf_.empty()) {
        const int rc = WriteAll(fd_, buf_.data(), buf_.size());
        if (rc == 0) written_ += buf_.size();
        buf_.clear();
        if (rc != 0) error_ = rc;
    }
    return error_;
}

int TextFile::Flush() {
    if (!IsOutput()) return IsOpen() ? kIoNotOpenForOutput : kIoFileNotOpen;
    if (FlushBuffer() != 0) return error_;
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) error_ = WriteErrno(errno);
    return error_;
}

int TextFile::Close() {
    int rc = 0;
    switch (mode_) {
    case Mode::Closed:
        return 0;
    case Mode::Read:
        CloseDescriptor();
        break;
    case Mode::Append:
    case Mode::Write: {
        // A rewrite's draft is synced to the disk by its commit.
        rc = mode_ == Mode::Write ? FlushBuffer() : Flush();
        if (fd_ >= 0 && ::close(fd_) != 0 && rc == 0) rc = WriteErrno(errno);
        fd_ = -1;
        if (mode_ == Mode::Write) {
            // The draft replaces the file only when it holds every byte written.
            if (rc == 0) rc = os::CommitReplace(replace_, static_cast<long long>(written_));
            os::AbandonReplace(replace_); // after a failure the previous file stays
        }
        if (rc == 0)
            NoteIfTemporary(mode_ == Mode::Write && !replace_.Target.empty() ? replace_.Target
                                                                             : name_);
        break;
    }
    }
    mode_ = Mode::Closed;
    buf_.clear();
    buf_.shrink_to_fit();
    pos_ = len_ = 0;
    if (rc != 0) {
        error_ = rc;
        AbortFlag = 1;
    }
    return rc;
}

void TextFile::Discard() {
    if (mode_ == Mode::Write) {
        CloseDescriptor();
        os::AbandonReplace(replace_);
        mode_ = Mode::Closed;
        buf_.clear();
        return;
    }
    Close();
}

// Moves the unread bytes to the front and reads more behind them. Returns the number of bytes
// added (0 at the end of the file) or -1 on an error (error_ is set).
int TextFile::Fill() {
    if (pos_ > 0) {
        std::copy(buf_.begin() + static_cast<std::ptrdiff_t>(pos_),
                  buf_.begin() + static_cast<std::ptrdiff_t>(len_), buf_.begin());
        len_ -= pos_;
        pos_ = 0;
    }
    if (len_ == buf_.size()) buf_.resize(buf_.size() * 2);
    for (;;) {
        const ssize_t r = ::read(fd_, buf_.data() + len_, buf_.size() - len_);
        if (r < 0) {
            if (errno == EINTR) continue;
            error_ = os::ErrnoToDos(errno);
            return -1;
        }
        len_ += static_cast<std::size_t>(r);
        if (atStart_ && len_ >= 3) {
            atStart_ = false;
            // A byte-order mark says the file is UTF-8 whatever was assumed.
            if (buf_[0] == '\xEF' && buf_[1] == '\xBB' && buf_[2] == '\xBF') {
                pos_ = 3;
                encoding_ = TextEncoding::Utf8;
            }
        } else if (r == 0) {
            atStart_ = false;
        }
        return static_cast<int>(r);
    }
}

bool TextFile::Eof() {
    if (mode_ != Mode::Read || error_ != 0) return true;
    if (len_ - pos_ < 2) {
        if (Fill() < 0) return true;
        if (len_ - pos_ < 2 && Fill() < 0) return true;
    }
    if (pos_ == len_) return true;
    // A Ctrl-Z as the last byte marks the end of old DOS files.
    return len_ - pos_ == 1 && buf_[pos_] == '\x1A';
}

int TextFile::ReadLine(std::string& line) {
    if (mode_ != Mode::Read) return IsOpen() ? kIoNotOpenForInput : kIoFileNotOpen;
    if (error_ != 0) return error_;
    if (Eof()) {
        if (error_ != 0) return error_;
        pastEnd_ = true;
        return kIoPastEnd;
    }
    std::string raw;
    for (;;) {
        if (pos_ == len_) {
            const int r = Fill();
            if (r < 0) return error_;
            if (r == 0) break; // last line without a line end
        }
        std::size_t i = pos_;
        while (i < len_ && buf_[i] != '\n' && buf_[i] != '\r' && buf_[i] != '\x1A')
            ++i;
        raw.append(buf_.data() + pos_, i - pos_);
        pos_ = i;
        if (lineLimit_ != 0 && raw.size() > lineLimit_) {
            error_ = kIoLineTooLong; // nothing further is read from such a file
            return error_;
        }
        if (i == len_) continue;
        const char c = buf_[pos_++];
        if (c == '\n') break;
        if (c == '\r') {
            if (pos_ == len_ && Fill() < 0) return error_;
            if (pos_ < len_ && buf_[pos_] == '\n') ++pos_;
            break;
        }
        // Ctrl-Z: the end of the data when nothing follows, else an ordinary character.
        if (pos_ == len_ && Fill() < 0) return error_;
        if (pos_ == len_) break;
        raw.push_back(c);
    }
    line = ToInternal(raw, encoding_);
    ++linesRead_;
    return 0;
}

int TextFile::Write(std::string_view text) {
    if (!IsOutput()) return IsOpen() ? kIoNotOpenForOutput : kIoFileNotOpen;
    if (error_ != 0) return error_;
    const std::string bytes = ToExternal(text, encoding_);
    buf_.insert(buf_.end(), bytes.begin(), bytes.end());
    if (buf_.size() >= kBufferSize) return FlushBuffer();
    return 0;
}

int TextFile::WriteLine(std::string_view text) {
    const int rc = Write(text);
    if (rc != 0) return rc;
    return Write("\r\n");
}

// ---- messages --------------------------------------------------------------------------------

std::string FileErrorCause(int code, const std::string& path) {
    switch (code) {
    case kIoFileNotOpen:
        return "the file is not open";
    case kIoNotOpenForInput:
        return "the file is open for writing only";
    case kIoNotOpenForOutput:
        return "the file is open for reading only";
    case kIoLineTooLong:
        return "a line is longer than " + std::to_string(kTextLineLimit) +
               " characters (not a text file of this program)";
    default:
        return os::ErrorCauseText(code, path);
    }
}

std::string FileWriteProblem(const std::string& path, int code) {
    return "File " + path + " could not be written: " + FileErrorCause(code, path) + ".";
}

std::string FileReadProblem(const std::string& path, int code) {
    return "File " + path + " could not be read: " + FileErrorCause(code, path) + ".";
}

std::string FileProblemText(std::string_view what, const std::string& path, int code) {
    return std::string(what) + ": " + path + ": " + FileErrorCause(code, path);
}

// ---- reading SharedTextFile ------------------------------------------------------------------

namespace {

// The next line of SharedTextFile; false (and AbortFlag on a real failure) when there is none.
bool NextLine(std::string& line) {
    const int rc = SharedTextFile.ReadLine(line);
    if (rc == 0) return true;
    if (rc != TextFile::kIoPastEnd) AbortFlag = 1;
    return false;
}

std::vector<std::string> SplitBars(std::string_view line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto bar = line.find('|', start);
        if (bar == std::string_view::npos) {
            // Text after the last bar is a field that lost its bar; keep it.
            if (start < line.size()) parts.emplace_back(line.substr(start));
            return parts;
        }
        parts.emplace_back(line.substr(start, bar - start));
        start = bar + 1;
    }
}

} // namespace

void ReadTextLine(std::string& s) {
    std::string line;
    if (NextLine(line)) s = std::move(line);
}

void ReadTextRecord(std::string& a, std::string& b, std::string& c, std::string& d) {
    std::string line;
    if (!NextLine(line)) return;
    auto parts = SplitBars(line);
    parts.resize(std::max<std::size_t>(parts.size(), 4));
    a = parts[0];
    b = parts[1];
    c = parts[2];
    d = parts[3];
}

std::vector<std::string> SplitTextRecord(std::string_view line, int count, int textField) {
    count = std::max(count, 0);
    auto parts = SplitBars(line);
    const auto n = static_cast<std::size_t>(count);
    if (parts.size() > n && textField >= 0 && textField < count) {
        const auto t = static_cast<std::size_t>(textField);
        const std::size_t surplus = parts.size() - n;
        std::vector<std::string> out(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(t));
        std::string text = parts[t];
        for (std::size_t k = 1; k <= surplus; ++k)
            text += "|" + parts[t + k];
        out.push_back(std::move(text));
        for (std::size_t k = t + surplus + 1; k < parts.size(); ++k)
            out.push_back(parts[k]);
        return out;
    }
    parts.resize(n);
    return parts;
}

void ReadTextRecord6(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e,
                     std::string& f) {
    std::string line;
    if (!NextLine(line)) return;
    auto p = SplitTextRecord(line, 6, 4);
    a = p[0];
    b = p[1];
    c = p[2];
    d = p[3];
    e = p[4];
    f = p[5];
}

void ReadTextRecord8(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e,
                     std::string& f, std::string& g, std::string& h) {
    std::string line;
    if (!NextLine(line)) return;
    auto p = SplitTextRecord(line, 8, 5);
    a = p[0];
    b = p[1];
    c = p[2];
    d = p[3];
    e = p[4];
    f = p[5];
    g = p[6];
    h = p[7];
}

void ReadTextChar(char32_t& c) {
    std::string line;
    if (!NextLine(line) || line.empty()) return;
    std::size_t pos = 0;
    c = os::Utf8Next(line, pos);
}

void ReadTextChar(char& c) {
    constexpr char32_t kNone = 0xFFFFFFFF;
    char32_t u = kNone;
    ReadTextChar(u);
    if (u != kNone) c = u < 0x80 ? static_cast<char>(u) : '?';
}

void ReadTextInt(std::int32_t& n) {
    std::string line;
    if (NextLine(line)) n = StrToInteger(line);
}

void ReadTextLong(std::int32_t& n) {
    ReadTextInt(n);
}

void ReadTextWord(std::uint16_t& n) {
    std::string line;
    if (!NextLine(line)) return;
    const std::int32_t v = StrToInteger(line);
    n = v >= 0 && v <= 65535 ? static_cast<std::uint16_t>(v) : 0;
}

void ReadTextReal(long double& x) {
    std::string line;
    if (NextLine(line)) x = StrToReal(CommaToPoint(line));
}

void ReadTextDouble(double& x) {
    long double v = x;
    ReadTextReal(v);
    x = std::isfinite(v) && fabsl(v) <= static_cast<long double>(std::numeric_limits<double>::max())
            ? static_cast<double>(v)
            : 0.0;
}

void ReadTextTrue(bool& b) {
    std::string line;
    if (NextLine(line)) b = UpperCaseStr(line) == "TRUE";
}

void ReadTextTrue(std::uint8_t& b) {
    bool v = b != 0;
    ReadTextTrue(v);
    b = v ? 1 : 0;
}

void ReadTextNotFalse(bool& b) {
    std::string line;
    if (NextLine(line)) b = UpperCaseStr(line) != "FALSE";
}

void ReadTextNotFalse(std::uint8_t& b) {
    bool v = b != 0;
    ReadTextNotFalse(v);
    b = v ? 1 : 0;
}

// ---- writing SharedTextFile ------------------------------------------------------------------

void WriteTextLine(std::string_view s) {
    if (SharedTextFile.WriteLine(s) != 0) AbortFlag = 1;
}

void WriteTextLineStr(std::string_view s) {
    WriteTextLine(s);
}

void WriteText(std::string_view s) {
    if (SharedTextFile.Write(s) != 0) AbortFlag = 1;
}

void WriteTextChar(char32_t c) {
    std::string s;
    os::Utf8Append(s, c);
    WriteTextLine(s);
}

void WriteTextLineInt(long long n) {
    WriteTextLine(IntToString(n));
}

std::string TextLineRealText(long double x) {
    const StoredFileFormat stored;
    std::string s = FloatToStrDec(7, x);
    // A whole number below 1 is written short ("0", "-2"). Whether it is whole is read from the
    // line as written, so that the value read back from a line writes the same line again.
    if (s.size() > 8 && s.compare(s.size() - 7, 7, "0000000") == 0) {
        bool ok = false;
        const long double whole = ParseReal(s, ok);
        if (ok && whole < 1.0L) return FloatToStrSig3(whole);
    }
    return s;
}

void WriteTextLineReal(long double x) {
    WriteTextLine(TextLineRealText(x));
}

void WriteTextBool(bool b) {
    WriteTextLine(b ? "TRUE" : "FALSE");
}

namespace {
void WriteFields(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const auto f : fields) {
        line += f;
        line += '|';
    }
    WriteTextLine(line);
}
} // namespace

void WriteTextRecord(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d) {
    WriteFields({a, b, c, d});
}

void WriteTextRecord6(std::string_view a, std::string_view b, std::string_view c,
                      std::string_view d, std::string_view e, std::string_view f) {
    WriteFields({a, b, c, d, e, f});
}

void WriteTextRecord8(std::string_view a, std::string_view b, std::string_view c,
                      std::string_view d, std::string_view e, std::string_view f,
                      std::string_view g, std::string_view h) {
    WriteFields({a, b, c, d, e, f, g, h});
}

void WriteResultHeader() {
    const std::string rule(65, '-');
    WriteTextLine(rule);
    WriteTextLine(MakerTitle + "   #" + IdentTexts[3]);
    WriteTextLine("Version " + os::Utf8Left(VersionCode.str(), 14) + "    " + IdentTexts[1]);
    WriteTextLine(IdentTexts[2]);
    WriteTextLine(rule);
    WriteTextLine(TitleTexts[1].str());
    WriteTextLine(TitleTexts[2].str());
}

// ---- files and directories -------------------------------------------------------------------

namespace {

// Copies source to destination in blocks of blockSize bytes through a temporary file beside
// the destination, with the source's permission bits (and the owner's read and write when
// ownerWrites). 0 or a DOS code; problem (when given) then says which file failed and why.
int CopyThroughTemp(const std::string& source, std::string destination, std::size_t blockSize,
                    std::string* problem = nullptr, bool ownerWrites = false) {
    destination = os::AbsolutePath(destination.empty() ? std::string(".") : destination);
    if (os::DirectoryExists(destination)) {
        destination += "/" + ExtractFileName(source);
    }
    bool reading = true;
    const auto fail = [&](int code) {
        if (problem != nullptr)
            *problem =
                reading ? FileReadProblem(source, code) : FileWriteProblem(destination, code);
        return code;
    };
    os::File in;
    int rc = in.Open(source, os::OpenMode{os::Access::Read, os::Share::DenyWrite});
    if (rc != 0) return fail(rc);
    struct stat sst {};
    struct stat dst {};
    if (::fstat(in.Descriptor(), &sst) != 0) return fail(os::ErrnoToDos(errno));
    reading = false;
    if (::stat(destination.c_str(), &dst) == 0 && dst.st_dev == sst.st_dev &&
        dst.st_ino == sst.st_ino)
        return 0; // the same file
    // The program's one way of replacing a file: a folder, a device or a pipe in the
    // destination's place is refused, and the copy is put in place only when it holds every byte.
    os::Replacement r;
    rc = os::BeginReplace(destination, r);
    if (rc != 0) return fail(rc);
    const int fd = ::open(r.Draft.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        rc = os::ErrnoToDos(errno);
        os::AbandonReplace(r);
        return fail(rc);
    }
    (void)::fchmod(fd, (sst.st_mode & 0777) | (ownerWrites ? S_IRUSR | S_IWUSR : 0));
    std::vector<char> block(blockSize);
    std::uint64_t copied = 0;
    for (;;) {
        std::size_t got = 0;
        reading = true;
        rc = in.ReadSome(block.data(), block.size(), got);
        if (rc != 0 || got == 0) break;
        reading = false;
        rc = WriteAll(fd, block.data(), got);
        if (rc != 0) break;
        copied += got;
    }
    if (rc == 0) reading = false;
    if (::close(fd) != 0 && rc == 0) rc = WriteErrno(errno);
    if (rc == 0) rc = os::CommitReplace(r, static_cast<long long>(copied));
    if (rc != 0) {
        os::AbandonReplace(r);
        return fail(rc);
    }
    return rc;
}

// DOS wildcard match of a file name, ASCII letters without regard to case.
bool WildMatch(std::string_view mask, std::string_view name) {
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    std::size_t m = 0, n = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() && (mask[m] == '?' || fold(mask[m]) == fold(name[n]))) {
            if (mask[m] == '?') {
                // "?" stands for one character, not one byte.
                std::size_t pos = n;
                os::Utf8Next(name, pos);
                n = pos;
            } else {
                ++n;
            }
            ++m;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool MaskMatches(std::string_view mask, std::string_view name) {
    if (mask == "*.*" || mask == "*") return true;
    if (WildMatch(mask, name)) return true;
    // "NAME.*" also matches a name without an extension, as on DOS.
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" &&
        name.find('.') == std::string_view::npos)
        return WildMatch(mask.substr(0, mask.size() - 2), name);
    return false;
}

struct DirEntry {
    std::string name;
    bool regular;
};

std::vector<DirEntry> ListDir(const std::string& dir) {
    std::vector<DirEntry> out;
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (d == nullptr) return out;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        const std::string full = (dir.empty() ? std::string(".") : dir) + "/" + name;
        const bool regular = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        out.push_back({name, regular});
    }
    ::closedir(d);
    std::sort(out.begin(), out.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return out;
}

} // namespace

bool FileCopy(const std::string& source, const std::string& destination, std::string* problem) {
    if (CopyThroughTemp(source, destination, 8192, problem) == 0) return true;
    AbortFlag = 1;
    return false;
}

bool CopyShippedFile(const std::string& shipped, const std::string& destination,
                     std::string* problem) {
    if (CopyThroughTemp(shipped, destination, 8192, problem, true) == 0) return true;
    AbortFlag = 1;
    return false;
}

bool FileCopyBlocks(const std::string& source, const std::string& destination) {
    if (CopyThroughTemp(source, destination, 2048) == 0) return true;
    AbortFlag = 1;
    return false;
}

void CopyFileToDir(const std::string& source, const std::string& target) {
    if (!FileExist(source)) return;
    FileCopy(source, AddBackslash(ExtractPath(target)));
}

void CopyFiles(const std::string& mask, const std::string& sourceDir, const std::string& destDir) {
    const std::string from = DirForOs(sourceDir);
    const std::string to = DirForOs(destDir);
    bool any = false;
    bool failed = false;
    for (const auto& e : ListDir(from)) {
        if (!e.regular || !MaskMatches(mask, e.name)) continue;
        any = true;
        if (CopyThroughTemp((from.empty() ? "." : from) + "/" + e.name,
                            (to.empty() ? "." : to) + "/" + e.name, 8192) != 0)
            failed = true;
    }
    AbortFlag = (!any || failed) ? 1 : 0;
}

int CountFiles(const std::string& maskWithPath) {
    const std::string dir = DirForOs(ExtractPath(maskWithPath));
    const std::string mask = ExtractFileName(maskWithPath);
    int count = 0;
    for (const auto& e : ListDir(dir))
        if (MaskMatches(mask, e.name)) ++count;
    return count;
}

void DeleteFiles(const std::string& dir, const std::string& mask) {
    const std::string d = DirForOs(dir);
    for (const auto& e : ListDir(d))
        if (e.regular && MaskMatches(mask, e.name))
            ::unlink(((d.empty() ? std::string(".") : d) + "/" + e.name).c_str());
}

bool EraseFile(const std::string& name) {
    // Straight to the file system: SharedTextFile may hold an open listing.
    return !name.empty() && os::RemoveFile(name) == 0;
}

bool FileExist(const std::string& name) {
    if (name.empty()) return false;
    int code = 0;
    const int fd = OpenForReading(name, code);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool HasAttr(const std::string& name, int mask) {
    struct stat st {};
    if (name.empty() || ::stat(name.c_str(), &st) != 0) return false;
    int attrs = 0;
    if (S_ISDIR(st.st_mode)) attrs |= faDirectory;
    if (S_ISREG(st.st_mode)) attrs |= faArchive;
    if ((st.st_mode & 0222) == 0) attrs |= faReadOnly;
    const std::string file = ExtractFileName(DirForOs(name));
    if (!file.empty() && file[0] == '.') attrs |= faHidden;
    return (attrs & mask) == mask;
}

std::uint8_t ConfirmOverwrite = 1;

namespace {

bool SameFileOnDisk(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// A file can be written under this name by a writer that replaces it through a draft in the
// same folder. An existing file is only checked; a new name is probed by creating and removing
// an empty file.
int NameWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (::access(path.c_str(), W_OK) != 0) return os::ErrnoToDos(errno);
        if (::access(DirOf(path).c_str(), W_OK | X_OK) != 0) return os::ErrnoToDos(errno);
        return os::kOk;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return os::ErrnoToDosForPath(errno, path.c_str());
    ::close(fd);
    if (::unlink(path.c_str()) != 0) return os::ErrnoToDos(errno);
    return os::kOk;
}

} // namespace

int OutputFileProblem(const std::string& path, bool jobAllowed) {
    if (TrimBlanks(path).empty()) return os::NoteCode(os::kErrPathNotFound);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return os::NoteNotRegularFile(st.st_mode);
        if (!jobAllowed && SameFileOnDisk(path, CurrentDataFile()))
            return os::NoteCause(os::kErrSharingViolation, "it is the file of the open job");
        if (os::IsOpenInThisProgram(path))
            return os::NoteCause(os::kErrSharingViolation,
                                 "the program has it open (a table, a memo or an index file)");
    } else {
        // A link to nothing would be followed into wherever it points.
        struct stat lst {};
        if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
            return os::NoteCause(os::kErrAccessDenied, "it is a link to a file that is not there");
    }
    return NameWritable(path);
}

bool ConfirmOutputFile(const std::string& path, bool jobAllowed, std::string& problem) {
    problem.clear();
    if (const int rc = OutputFileProblem(path, jobAllowed); rc != 0) {
        // A name no file can have is an invalid name; any other cause is the file's or its
        // folder's ("could not be written: permission denied").
        problem = rc == os::kErrPathNotFound
                      ? "invalid file name \"" + path + "\" ! (" + FileErrorCause(rc, path) + ")"
                      : FileWriteProblem(path, rc);
        return false;
    }
    struct stat st {};
    if (ConfirmOverwrite == 0 || ::stat(path.c_str(), &st) != 0 ||
        ExtractFileName(path).find("actual") != std::string::npos)
        return true;
    const int answer =
        CoreMessageBox(OemToAnsiString(path + " already exists.   overwrite ?"),
                       OemToAnsiString(MakerTitle), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) AbortFlag = 1;
    return answer == IDYES;
}

bool DirWritable(const std::string& dir) {
    std::string d = DirForOs(dir);
    if (d.empty()) d = ".";
    struct stat st {};
    if (::stat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    // The effective user's rights, and EROFS for a read-only mount.
    return ::faccessat(AT_FDCWD, d.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

int ReadFileBytes(const std::string& path, std::string& bytes, std::uint64_t limit) {
    bytes.clear();
    // Not blocking on a pipe while it is opened; read-only, so a read-only file system serves.
    int rc = 0;
    const int fd = OpenForReading(path, rc);
    if (fd < 0) return rc;
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got > 0) {
            if (static_cast<std::uint64_t>(got) > limit - bytes.size()) {
                bytes.clear();
                rc = os::NoteTooLarge(limit);
                break;
            }
            bytes.append(buf, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            rc = os::ErrnoToDos(errno);
            break;
        }
    }
    ::close(fd);
    return rc;
}

bool DirExists(const std::string& dir) {
    const std::string d = DirForOs(dir);
    return !d.empty() && os::DirectoryExists(d);
}

bool CanChDir(const std::string& dir) {
    // Checked without changing the process's current directory (other code relies on it).
    const std::string d = DirForOs(dir);
    return DirExists(d) && ::access(d.c_str(), X_OK) == 0;
}

void AssignFileName(TextFile& file, std::string_view name) {
    file.Assign(name);
}

bool CloseFileChecked(TextFile& file) {
    if (file.Close() == 0 && file.Error() == 0) return true;
    AbortFlag = 1;
    return false;
}

// ---- paths -----------------------------------------------------------------------------------

namespace {

bool IsBareDrive(std::string_view t) {
    return t.size() == 2 && t[1] == ':' &&
           ((t[0] >= 'A' && t[0] <= 'Z') || (t[0] >= 'a' && t[0] <= 'z'));
}

char SeparatorFor(std::string_view t) {
    return t.find('\\') != std::string_view::npos && t.find('/') == std::string_view::npos ? '\\'
                                                                                           : '/';
}

std::size_t LastSepOrColon(std::string_view p) {
    return p.find_last_of("/\\:");
}

// Position of the dot that starts the extension of a file name, npos when none. A leading dot
// (".profile") names the file, it does not start an extension.
std::size_t ExtensionDot(std::string_view name, bool includeLast) {
    if (name.size() < 2) return std::string_view::npos;
    const std::size_t last = includeLast ? name.size() - 1 : name.size() - 2;
    const auto dot = name.find_last_of('.', last);
    return dot == std::string_view::npos || dot == 0 ? std::string_view::npos : dot;
}

} // namespace

std::string AddBackslash(std::string_view path) {
    std::string t = TrimBlanks(path);
    if (t.empty() || IsSep(t.back()) || IsBareDrive(t)) return t;
    t.push_back(SeparatorFor(t));
    return t;
}

std::string AddBackslashAfterDrive(std::string_view path) {
    std::string t = TrimBlanks(path);
    if (IsBareDrive(t)) return t + "\\";
    return AddBackslash(t);
}

std::string DelBackslash(std::string_view path) {
    std::string t = TrimBlanks(path);
    if (t.size() > 1 && IsSep(t.back())) t.pop_back();
    return t;
}

std::string ExtractPath(std::string_view path) {
    const auto p = LastSepOrColon(path);
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractDrive(std::string_view path) {
    return path.size() >= 2 && IsBareDrive(path.substr(0, 2)) ? std::string(path.substr(0, 2))
                                                              : std::string();
}

std::string ExtractFileName(std::string_view path) {
    const auto p = LastSepOrColon(path);
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string BaseNameNoExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const auto dot = ExtensionDot(name, false);
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string DataFilePathOf(std::string_view name) {
    if (ExtractFileName(name).find('.') != std::string::npos) return std::string(name);
    const std::string withExt = std::string(name) + "." + DataFileExt.str();
    return ExtractPath(name).empty() ? AddBackslash(DataDir) + withExt : withExt;
}

std::string CurrentDataFile() {
    // A name with its extension (the command line's, made absolute at start) stands as it is; a
    // bare name (Open, Save As, also in archive mode) is the file in DataDir.
    if (DataFileName.empty()) return DataFileName;
    return DataFilePathOf(DataFileName);
}

std::string ExtractNameNoExt(std::string_view path) {
    const std::string name = ExtractFileName(path);
    const auto dot = ExtensionDot(name, true);
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string WithExtension(std::string_view name, std::string_view ext) {
    const std::string file = ExtractFileName(name);
    const std::string dotExt = "." + std::string(ext);
    if (file.size() > dotExt.size() &&
        os::SameNameNoCase(file.substr(file.size() - dotExt.size()), dotExt))
        return std::string(name);
    return std::string(name) + dotExt;
}

std::string JobBaseName(std::string_view name) {
    std::string base = ExtractFileName(name);
    const std::string dotExt = "." + DataFileExt.str();
    if (base.size() > dotExt.size() &&
        os::SameNameNoCase(base.substr(base.size() - dotExt.size()), dotExt))
        base.erase(base.size() - dotExt.size());
    return base;
}

std::string JobBaseName() {
    return JobBaseName(DataFileName);
}

std::string JobFolder() {
    return TrimBlanks(DataDir).empty() ? ExtractPath(DataFileName) : DataDir;
}

std::string ExtAfterFirstDot(std::string_view name) {
    const std::string file = ExtractFileName(name);
    const auto dot = file.find('.');
    return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

std::string ShortenMiddle(std::string_view text, long n) {
    const auto len = static_cast<long>(os::Utf8Length(text));
    if (len <= n) return std::string(text);
    if (n < 6) return LeftStr(text, n);
    const long h = n / 2 - 3;
    return LeftStr(text, h) + " ... " + RightStr(text, h + 1);
}

void TrimVar(std::string& s) {
    s = TrimBlanks(s);
}

// ---- dates and times -------------------------------------------------------------------------

namespace {
std::optional<ClockReading> gFixedClock;
}

void SetClockForTesting(const ClockReading* reading) {
    if (reading != nullptr)
        gFixedClock = *reading;
    else
        gFixedClock.reset();
}

ClockReading ReadClock() {
    if (gFixedClock) return *gFixedClock;
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    ::localtime_r(&ts.tv_sec, &t);
    return ClockReading{t.tm_year + 1900,
                        t.tm_mon + 1,
                        t.tm_mday,
                        t.tm_hour,
                        t.tm_min,
                        t.tm_sec,
                        static_cast<int>(ts.tv_nsec / 10000000)};
}

void GetDateParts(int& year, int& month, int& day, int& dayOfWeek) {
    const ClockReading c = ReadClock();
    year = c.year;
    month = c.month;
    day = c.day;
    dayOfWeek = 0;
}

void GetTimeParts(int& hour, int& minute, int& second, int& hundredths) {
    const ClockReading c = ReadClock();
    hour = c.hour;
    minute = c.minute;
    second = c.second;
    hundredths = c.hundredths;
}

std::string DateString() {
    const ClockReading c = ReadClock();
    return DateToText(c.year, c.month, c.day);
}

std::string DateStringIso() {
    const ClockReading c = ReadClock();
    return IntToString(c.year) + "-" + IntToStrLeadZero(c.month, 2) + "-" +
           IntToStrLeadZero(c.day, 2);
}

std::string TimeString() {
    const ClockReading c = ReadClock();
    return IntToString(c.hour) + ":" + IntToStrLeadZero(c.minute, 2);
}

std::string FileDateString(std::int64_t unixSeconds) {
    const auto t = static_cast<time_t>(unixSeconds);
    tm parts{};
    if (::localtime_r(&t, &parts) == nullptr) return "";
    return IntToString(parts.tm_year + 1900) + "/" + IntToStrLeadZero(parts.tm_mon + 1, 2) + "/" +
           IntToStrLeadZero(parts.tm_mday, 2);
}

std::string FileDateStringOf(const std::string& path) {
    std::int64_t t = 0;
    if (os::FileModTime(path, t) != 0) return "";
    return FileDateString(t);
}
