#pragma once
// Engine error state of the DBF engine: last error code and context text, the switches that
// decide how a failure is reported, the code table with its English messages, and the checked
// allocator.
//
// Reporting: with ErrorReporting on, SetError reports at once. A caller that handles a failure
// itself switches reporting off around the call (ErrorReportingOff below) and tests
// LastErrorCode afterwards. Otherwise the report leaves the operation by ERivozError; the
// engine never ends its caller's process:
//  - interactive program (StopBoxHook installed by the GUI at start): the message is shown in an
//    error box first; the dataset, browse-window and facade boundaries catch the exception, so
//    no unsaved job is lost and no half-finished record/index update is cut off;
//  - everything else (batch modes, tools linking the engine): the exception goes to the caller.
//    A program that stops on it writes ReportHalt's lines to stderr and exits with
//    BatchExitCode (min(code, 255), never 0: a process keeps only 8 bits of its status).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dbf {

// The engine's error codes: one row per code with its name and its English message (nullptr:
// the code has no message of its own and shows as "Undefined error"). A row covers the codes
// from `code` to `last`. Callers store and compare the numbers, so a value never changes.
//   1..36, 50..60   operating-system codes (a failing file operation stores the OS layer's code)
//   100..106        run-time I/O results
//   150..162        device errors of the run-time's critical-error handler
//   200..209        run-time errors; 210..266 engine errors; 300..358 expressions
//   1003..1019 memo files; 1100..1103 virtual files; 1200..1299 locks, semaphores, network
#define DBF_ERROR_TABLE(X)                                                                         \
    X(1, 1, kErrInvalidFunction, "Invalid DOS function code")                                      \
    X(2, 2, kErrFileNotFound, "File not found")                                                    \
    X(3, 3, kErrPathNotFound, "Path not found")                                                    \
    X(4, 4, kErrTooManyOpenFiles, "Too many open files")                                           \
    X(5, 5, kErrAccessDenied, "File access denied")                                                \
    X(6, 6, kErrInvalidHandle, "Invalid file handle")                                              \
    X(8, 8, kErrNotEnoughMemory, "Not enough memory")                                              \
    X(9, 9, kErrInvalidBlock, "Memory block address invalid")                                      \
    X(10, 10, kErrBadEnvironment, "Environment invalid")                                           \
    X(11, 11, kErrBadFormat, "Format invalid")                                                     \
    X(12, 12, kErrInvalidAccess, "Invalid file access code")                                       \
    X(13, 13, kErrInvalidData, "Data invalid")                                                     \
    X(14, 14, kErrReservedUnit, "Unknown unit")                                                    \
    X(15, 15, kErrInvalidDrive, "Invalid drive number")                                            \
    X(16, 16, kErrRemoveCurrentDir, "Cannot remove current directory")                             \
    X(17, 17, kErrNotSameDevice, "Cannot rename across drives")                                    \
    X(18, 18, kErrNoMoreHandles, "Too many open files")                                            \
    X(19, 19, kErrWriteProtected, "Disk write-protected")                                          \
    X(20, 20, kErrUnknownUnit, "Unknown unit")                                                     \
    X(21, 21, kErrNotReady, "Drive not ready")                                                     \
    X(22, 22, kErrUnknownCommand, "Unknown command")                                               \
    X(23, 23, kErrCrc, "CRC error in data")                                                        \
    X(24, 24, kErrBadRequestLength, "Bad drive request structure length")                          \
    X(25, 25, kErrSeek, "Disk seek error")                                                         \
    X(26, 26, kErrUnknownMedia, "Unknown media type")                                              \
    X(27, 27, kErrSectorNotFound, "Disk sector not found")                                         \
    X(28, 28, kErrOutOfPaper, "Printer out of paper")                                              \
    X(29, 29, kErrWriteFault, "Device write fault")                                                \
    X(30, 30, kErrReadFault, "Device read fault")                                                  \
    X(31, 31, kErrGeneralFailure, "General failure")                                               \
    X(32, 32, kErrSharingViolation, "File sharing violation")                                      \
    X(33, 33, kErrLockViolation, "File lock violation")                                            \
    X(34, 34, kErrWrongDisk, "Disk change invalid")                                                \
    X(35, 35, kErrFcbUnavailable, "File Control Block unavailable")                                \
    X(36, 36, kErrSharingBuffer, "File sharing buffer overflow")                                   \
    X(50, 50, kErrNetRequest, "Unsupported network request")                                       \
    X(51, 51, kErrNetNotListening, "Remote machine not listening")                                 \
    X(52, 52, kErrNetDuplicateName, "Duplicate name on network")                                   \
    X(53, 53, kErrNetNameNotFound, "Network name not found")                                       \
    X(54, 54, kErrNetBusy, "Network busy")                                                         \
    X(55, 55, kErrNetDeviceGone, "Device no longer exists on network")                             \
    X(56, 56, kErrNetBiosLimit, "Net-Bios command limit exceeded")                                 \
    X(57, 57, kErrNetAdapter, "Error in network adapter hardware")                                 \
    X(58, 58, kErrNetBadResponse, "Incorrect response from network")                               \
    X(59, 59, kErrNetUnexpected, "Unexpected network error")                                       \
    X(60, 60, kErrNetIncompatible, "Remote adapter incompatible")                                  \
    X(100, 100, kErrDiskRead, "Disk read error")                                                   \
    X(101, 101, kErrDiskWrite, "Disk write error (probable cause: Disk Full).")                    \
    X(102, 102, kErrFileNotAssigned, "File not assigned")                                          \
    X(103, 103, kErrFileNotOpen, "File not open")                                                  \
    X(104, 104, kErrNotOpenForInput, "File not open for input")                                    \
    X(105, 105, kErrNotOpenForOutput, "File not open for output")                                  \
    X(106, 106, kErrInvalidNumber, "Invalid numeric format")                                       \
    X(150, 150, kErrDevWriteProtected, "Disk write-protected")                                     \
    X(151, 151, kErrDevUnknownUnit, "Unknown unit")                                                \
    X(152, 152, kErrDevNotReady, "Drive not ready")                                                \
    X(153, 153, kErrDevUnknownCommand, "Unknown command")                                          \
    X(154, 154, kErrDevCrc, "CRC error in data")                                                   \
    X(155, 155, kErrDevBadRequestLength, "Bad drive request structure length")                     \
    X(156, 156, kErrDevSeek, "Disk seek error")                                                    \
    X(157, 157, kErrDevUnknownMedia, "Unknown media type")                                         \
    X(158, 158, kErrDevSectorNotFound, "Disk sector not found")                                    \
    X(159, 159, kErrDevOutOfPaper, "Printer out of paper")                                         \
    X(160, 160, kErrDevWriteFault, "Device write fault")                                           \
    X(161, 161, kErrDevReadFault, "Device read fault")                                             \
    X(162, 162, kErrDevSharing, "File sharing violation")                                          \
    X(200, 200, kErrDivisionByZero, "Division by zero error")                                      \
    X(201, 201, kErrRangeCheck, "Range check error")                                               \
    X(202, 202, kErrStackOverflow, "Stack overflow error")                                         \
    X(203, 203, kErrHeapOverflow, "Heap overflow error")                                           \
    X(204, 204, kErrInvalidPointerOp, "Invalid pointer operation")                                 \
    X(205, 205, kErrFloatOverflow, "Floating point overflow")                                      \
    X(206, 206, kErrFloatUnderflow, "Floating point underflow")                                    \
    X(207, 207, kErrInvalidFloatOp, "Invalid floating point operation")                            \
    X(208, 208, kErrNoOverlayManager, "Overlay-manager not installed")                             \
    X(209, 209, kErrOverlayRead, "Overlay file read error")                                        \
    X(210, 210, kErrNotDbase, "Not a dBASE data file")                                             \
    X(211, 211, kErrBadFieldType, "Invalid database field type encountered")                       \
    X(212, 212, kErrBeyondRange, "Request beyond range")                                           \
    X(213, 213, kErrUnexpectedEof, "End of file found unexpectedly")                               \
    X(214, 214, kErrFileInUse, "File already in use")                                              \
    X(215, 215, kErrNoDatabase, "No database in use")                                              \
    X(216, 216, kErrGpFault, "GP Fault")                                                           \
    X(217, 217, kErrNoMemory, "Insufficient memory")                                               \
    X(218, 218, kErrInvalidPointer, "Invalid pointer specified")                                   \
    X(219, 219, kErrDupHandle, "Cannot duplicate file handle")                                     \
    X(220, 220, kErrInvalidParameter, "Invalid parameter")                                         \
    X(221, 221, kErrIndexNotOpen, "Index file not open")                                           \
    X(222, 222, kErrCorruptIndex, "Corrupted index file")                                          \
    X(223, 223, kErrIndexVersion, "Index version mismatch")                                        \
    X(224, 224, kErrCyclicRelation, "Cyclical relationship detected")                              \
    X(225, 225, kErrExclusiveRequired, "Exclusive Use() required")                                 \
    X(226, 226, kErrBrowseNotActive, "BROWSE not active")                                          \
    X(227, 227, kErrNoDiskSpace, "Insufficient disk space ")                                       \
    X(228, 228, kErrPushPop, "Unbalanced Push/Pop operation ")                                     \
    X(229, 229, kErrDbase4Memo, "dBASE IV memo files not supported")                               \
    X(230, 230, kErrNoMemoryVariables, "No dBASE memory variables loaded")                         \
    X(231, 231, kErrNoScreenLibrary, "Screen library not open")                                    \
    X(239, 239, kErrTimeColon, "Missing colon in time")                                            \
    X(240, 240, kErrTimeNonNumeric, "Non-numeric character in time")                               \
    X(241, 241, kErrTimeInvalid, "Invalid time specified")                                         \
    X(242, 242, kErrTimeNegative, "Negative time specified")                                       \
    X(243, 243, kErrTimeDiffNegative, "TimeDiff result negative")                                  \
    X(254, 254, kErrInternal, "Rivoz internal error")                                              \
    X(266, 266, kErrInvalidSize, "Invalid size")                                                   \
    X(300, 300, kErrExprTooLong, nullptr)                                                          \
    X(351, 351, kErrExprSyntax, nullptr)                                                           \
    X(354, 354, kErrPoolOverflow, nullptr)                                                         \
    X(356, 356, kErrValueType, nullptr)                                                            \
    X(358, 358, kErrExprDivideByZero, nullptr)                                                     \
    X(1003, 1003, kErrMemoAddress, "Invalid memo address")                                         \
    X(1004, 1004, kErrMemoDiskFull, "Disk full")                                                   \
    X(1005, 1005, kErrMemoWrite, "Memo file write error")                                          \
    X(1007, 1007, kErrMemoOpen, "Memo file is already open")                                       \
    X(1012, 1012, kErrMemoPackSpace, "Insufficient disk space to pack memo file")                  \
    X(1017, 1017, kErrMemoLock, "Cannot lock memo file")                                           \
    X(1018, 1018, kErrMemoUnlock, "Cannot unlock memo file")                                       \
    X(1019, 1019, kErrMemoOperation,                                                               \
      "Invalid memo operation: database not open or no memo field in database")                    \
    X(1100, 1100, kErrLinkedList, "Not a valid operation on Linked List")                          \
    X(1101, 1101, kErrVirtualNotLinked, "Virtual File Manager Unit not Linked in")                 \
    X(1102, 1102, kErrVirtualMemory, "Virtual File Memory Management Error")                       \
    X(1103, 1103, kErrInvalidOperation, "Invalid Operation ")                                      \
    X(1200, 1200, kErrRecordNotLocked, "Record not locked")                                        \
    X(1201, 1201, kErrFileNotLocked, "File not locked")                                            \
    X(1202, 1202, kErrSemaphore,                                                                   \
      "Semaphore file error. Possible solutions: log into network or load SHARE.EXE before "       \
      "running Windows")                                                                           \
    X(1203, 1299, kErrNetwork, "Network Error")                                                    \
    X(1300, 1300, kErrFormatUnsupported, "File format not supported")

#define DBF_ERROR_NAME(code, last, name, text) inline constexpr std::uint16_t name = code;
DBF_ERROR_TABLE(DBF_ERROR_NAME)
#undef DBF_ERROR_NAME

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
// First line written to stderr when a program stops on an engine error.
inline constexpr std::string_view HaltedText = "Program halted.";

void SetError(std::uint16_t code, std::string_view text);
// SetError with the cause in words found earlier (ErrorCauseWords of a failure that work since
// has overwritten), so a message passed on still says what the file is.
void SetErrorCause(std::uint16_t code, std::string_view text, std::string cause);
void ReportError();
std::string ErrorMessage(std::uint16_t code);
std::string GetErrorText();
std::string LastErrorString();
bool SetErrorReporting(bool on);
bool SetRaiseOnError(bool on);
[[noreturn]] void RaiseRivozError(const std::string& text);

// The cause of engine error `code` in words, for the user: a lock another program holds, the
// operating system's cause of a failed file operation ("permission denied", "the disk is full"),
// a damaged file; the code's message otherwise. Empty for 0.
std::string ErrorCauseWords(std::uint16_t code);

// Exit status of a batch run that ends on engine error `code`: never 0, at most 255.
int BatchExitCode(std::uint16_t code);
// For a program that stops on an engine error: writes "Program halted." and the message (line
// ends as LF) to stderr and returns the exit status for LastErrorCode. Further reports are
// ignored from then on (Halting).
int ReportHalt(const ERivozError& e);

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
