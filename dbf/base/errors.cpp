// Engine error state: SetError, the report routine, the message of a code from the code
// table, and the checked allocator.

#include "dbf/base/errors.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/os/errors.h"

namespace dbf {

std::uint16_t LastErrorCode = 0;
std::string ErrorText;
std::uint16_t ReportedCode = 0;
bool ErrorReporting = true;
bool RaiseOnError = false;
ErrorHookProc ErrorHook = nullptr;
bool Halting = false;
StopBoxProc StopBoxHook = nullptr;

namespace {

struct CodeText {
    std::uint16_t first;
    std::uint16_t last;
    const char* text;
};

constexpr CodeText kMessages[] = {
#define DBF_ERROR_ROW(code, last, name, text) {code, last, text},
    DBF_ERROR_TABLE(DBF_ERROR_ROW)
#undef DBF_ERROR_ROW
};

const char* MessageOf(std::uint16_t code) {
    for (const CodeText& e : kMessages) {
        if (code >= e.first && code <= e.last)
            return e.text != nullptr ? e.text : "Undefined error";
    }
    return "Undefined error";
}

// The operating system's cause of the last error set, when the code came from a failed file
// operation the system explained (kept with the code it belongs to).
std::uint16_t gCauseCode = 0;
std::string gCause;

// Like errno, what the system said belongs to the failure reported right after it: it is taken
// once, so a later error with the same code that had no system call behind it gets none.
std::string OsCauseOf(std::uint16_t code) {
    // Codes below 200 are the system's and the run-time's I/O results.
    if (code >= 200 || !os::KnowsCauseOf(code)) return {};
    std::string cause = os::ErrorCauseText(code);
    os::NoteCode(os::kOk);
    return cause;
}

// The first line of a report: the code's message, and the system's cause when it told one.
std::string HeadLine(std::uint16_t code) {
    std::string line = ErrorMessage(code);
    if (code == gCauseCode && !gCause.empty()) line += ": " + gCause;
    return line;
}

// The box shows at most 255 characters.
std::string CutForBox(const std::string& s) {
    return s.size() > 255 ? s.substr(0, 255) : s;
}

} // namespace

std::string ErrorMessage(std::uint16_t code) {
    if (code == 0) return {};
    return "Error # " + std::to_string(code) + " (" + MessageOf(code) + ")";
}

std::string ErrorCauseWords(std::uint16_t code) {
    if (code != 0 && code == gCauseCode && !gCause.empty()) return gCause;
    switch (code) {
    case 0:
        return {};
    case kErrLockViolation:
    case kErrRecordNotLocked:
        return "a record is locked by another program";
    case kErrFileNotLocked:
        return "the table is locked by another program";
    case kErrSharingViolation:
    case kErrFileInUse:
    case kErrExclusiveRequired:
        return "another program is using the table";
    case kErrNotDbase:
    case kErrFormatUnsupported:
        return "the file is no table this program reads";
    case kErrUnexpectedEof:
        return "the table ends before its last record (damaged)";
    case kErrCorruptIndex:
        return "the index file is damaged";
    case kErrDiskWrite:
    case kErrMemoDiskFull:
    case kErrNoDiskSpace:
        return os::ErrorCauseText(os::kErrWriteFault);
    default:
        break;
    }
    // The operating system's codes: its cause, with the errno behind the code when known.
    if (code < 100) return os::ErrorCauseText(code);
    return MessageOf(code);
}

void SetError(std::uint16_t code, std::string_view text) {
    std::string cause = OsCauseOf(code);
    // A failure passed on with more context keeps the cause its first report found.
    if (cause.empty() && code == gCauseCode && !ErrorText.empty() && text.starts_with(ErrorText))
        cause = gCause;
    SetErrorCause(code, text, std::move(cause));
}

void SetErrorCause(std::uint16_t code, std::string_view text, std::string cause) {
    LastErrorCode = code;
    ReportedCode = code;
    ErrorText.assign(text);
    gCauseCode = code;
    gCause = std::move(cause);
    if (ErrorReporting) ReportError();
}

int BatchExitCode(std::uint16_t code) {
    return code == 0 ? 1 : std::min<int>(code, 255);
}

void ReportError() {
    if (Halting) return;
    ReportedCode = LastErrorCode;
    if (ErrorHook != nullptr) {
        ErrorHook();
        return;
    }
    if (LastErrorCode == 0) return;
    const std::string message = HeadLine(LastErrorCode) + "\r\n" + GetErrorText();
    // Interactive: tell the user first. Either way the operation is left; the boundary that
    // catches the exception restores a consistent state, and only the program decides to stop.
    if (!RaiseOnError && StopBoxHook != nullptr)
        StopBoxHook(CutForBox(message), std::string(EngineErrorCaption));
    throw ERivozError(message);
}

int ReportHalt(const ERivozError& e) {
    Halting = true;
    std::string line;
    for (const char c : std::string_view(e.what())) {
        if (c != '\r') line += c;
    }
    std::fprintf(stderr, "%s\n%s\n", HaltedText.data(), line.c_str());
    std::fflush(stderr);
    return BatchExitCode(LastErrorCode);
}

std::string GetErrorText() {
    std::string s = std::move(ErrorText);
    ErrorText.clear();
    ReportedCode = 0;
    return s;
}

std::string LastErrorString() {
    if (ReportedCode == 0) return {};
    std::string s = HeadLine(ReportedCode) + "\r\n";
    s += GetErrorText();
    return s;
}

bool SetErrorReporting(bool on) {
    const bool previous = ErrorReporting;
    ErrorReporting = on;
    return previous;
}

bool SetRaiseOnError(bool on) {
    const bool previous = RaiseOnError;
    RaiseOnError = on;
    return previous;
}

void RaiseRivozError(const std::string& text) {
    throw ERivozError(text);
}

void ResetErrorState() {
    LastErrorCode = 0;
    ErrorText.clear();
    ReportedCode = 0;
    gCauseCode = 0;
    gCause.clear();
    os::NoteCode(os::kOk);
    ErrorReporting = true;
    RaiseOnError = false;
    ErrorHook = nullptr;
    Halting = false;
}

void GetMem(void*& p, std::uint16_t size) {
    p = ::operator new(size == 0 ? 1 : size);
}

void FreeMem(void*& p, std::uint16_t /*size*/) {
    if (p == nullptr) {
        SetError(kErrInvalidBlock, "Attempt to free NIL pointer [FreeMem()]");
        return;
    }
    ::operator delete(p);
    p = nullptr;
}

std::int32_t MaxAvail() {
    return 2147483647;
}

} // namespace dbf
