#pragma once
// Engine error state of the DBF engine: last error code and context text, the switches that
// decide how a failure is reported, the code table with its English messages, and the checked
// allocator.
//
// Reporting: with ErrorReporting on, SetError reports at once. A caller that handles a failure
// itself switches reporting off around the call (ErrorReportingOff below) and tests
// LastErrorCode afterwards. With RaiseOnError the report raises ERivozError. Otherwise:
//  - interactive program (StopBoxHook installed by the GUI at start): the message is shown in an
//    error box and the operation is left by ERivozError, which the dataset, browse-window and
//    facade boundaries catch. The program never ends here, so no unsaved job is lost and no
//    half-finished record/index update is cut off by a process exit;
//  - batch modes (no box hook): the message goes to stderr and the process exits with
//    min(code, 255), never 0 (a process keeps only 8 bits of its status).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dbf {

class ERivozError : public std::runtime_error {
public:
    explicit ERivozError(const std::string& message) : std::runtime_error(message) {}
};

using ErrorHookProc = void (*)();
// Shows an engine error to the user (modal, one OK button). Installed by the GUI side.
using StopBoxProc = void (*)(const std::string& message, const std::string& caption);

extern std::uint16_t LastErrorCode;
extern std::string ErrorText;
extern std::uint16_t ReportedCode;
extern bool ErrorReporting;
extern bool RaiseOnError;
extern ErrorHookProc ErrorHook;
extern bool Halting;
extern StopBoxProc StopBoxHook;

// Caption of the interactive error box (the program goes on after it).
inline constexpr std::string_view EngineErrorCaption = "Error  : ";
// First line written to stderr before a batch run ends on an engine error.
inline constexpr std::string_view HaltedText = "Program halted.";

void SetError(std::uint16_t code, std::string_view text);
void ReportError();
std::string ErrorMessage(std::uint16_t code);
std::string GetErrorText();
std::string LastErrorString();
bool SetErrorReporting(bool on);
bool SetRaiseOnError(bool on);
[[noreturn]] void RaiseRivozError(const std::string& text);

// Exit status of a batch run that ends on engine error `code`: never 0, at most 255.
int BatchExitCode(std::uint16_t code);

// Back to the start state (used by InitTzCommon; tests use it between cases).
void ResetErrorState();

// Switches immediate reporting off for a scope and restores the previous switch on every exit.
class ErrorReportingOff {
public:
    ErrorReportingOff() : previous_(SetErrorReporting(false)) {}
    ~ErrorReportingOff() { SetErrorReporting(previous_); }
    ErrorReportingOff(const ErrorReportingOff&) = delete;
    ErrorReportingOff& operator=(const ErrorReportingOff&) = delete;

private:
    bool previous_;
};

// Switches exception mode on for a scope and restores the previous switch on every exit.
class RaiseOnErrorScope {
public:
    explicit RaiseOnErrorScope(bool on = true) : previous_(SetRaiseOnError(on)) {}
    ~RaiseOnErrorScope() { SetRaiseOnError(previous_); }
    RaiseOnErrorScope(const RaiseOnErrorScope&) = delete;
    RaiseOnErrorScope& operator=(const RaiseOnErrorScope&) = delete;

private:
    bool previous_;
};

// Checked allocator of the engine. Blocks are at most 65535 bytes; an exhausted heap throws
// std::bad_alloc. FreeMem of a null pointer reports code 9.
void GetMem(void*& p, std::uint16_t size);
void FreeMem(void*& p, std::uint16_t size);
std::int32_t MaxAvail();

} // namespace dbf
