#include "dbf/base/errors.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

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

// Sorted by code; a range stands for every code from first to last.
constexpr CodeText kMessages[] = {
    {1, 1, "Invalid DOS function code"},
    {2, 2, "File not found"},
    {3, 3, "Path not found"},
    {4, 4, "Too many open files"},
    {5, 5, "File access denied"},
    {6, 6, "Invalid file handle"},
    {8, 8, "Not enough memory"},
    {9, 9, "Memory block address invalid"},
    {10, 10, "Environment invalid"},
    {11, 11, "Format invalid"},
    {12, 12, "Invalid file access code"},
    {13, 13, "Data invalid"},
    {14, 14, "Unknown unit"},
    {15, 15, "Invalid drive number"},
    {16, 16, "Cannot remove current directory"},
    {17, 17, "Cannot rename across drives"},
    {18, 18, "Too many open files"},
    {19, 19, "Disk write-protected"},
    {20, 20, "Unknown unit"},
    {21, 21, "Drive not ready"},
    {22, 22, "Unknown command"},
    {23, 23, "CRC error in data"},
    {24, 24, "Bad drive request structure length"},
    {25, 25, "Disk seek error"},
    {26, 26, "Unknown media type"},
    {27, 27, "Disk sector not found"},
    {28, 28, "Printer out of paper"},
    {29, 29, "Device write fault"},
    {30, 30, "Device read fault"},
    {31, 31, "General failure"},
    {32, 32, "File sharing violation"},
    {33, 33, "File lock violation"},
    {34, 34, "Disk change invalid"},
    {35, 35, "File Control Block unavailable"},
    {36, 36, "File sharing buffer overflow"},
    {50, 50, "Unsupported network request"},
    {51, 51, "Remote machine not listening"},
    {52, 52, "Duplicate name on network"},
    {53, 53, "Network name not found"},
    {54, 54, "Network busy"},
    {55, 55, "Device no longer exists on network"},
    {56, 56, "Net-Bios command limit exceeded"},
    {57, 57, "Error in network adapter hardware"},
    {58, 58, "Incorrect response from network"},
    {59, 59, "Unexpected network error"},
    {60, 60, "Remote adapter incompatible"},
    {100, 100, "Disk read error"},
    {101, 101, "Disk write error (probable cause: Disk Full)."},
    {102, 102, "File not assigned"},
    {103, 103, "File not open"},
    {104, 104, "File not open for input"},
    {105, 105, "File not open for output"},
    {106, 106, "Invalid numeric format"},
    {150, 150, "Disk write-protected"},
    {151, 151, "Unknown unit"},
    {152, 152, "Drive not ready"},
    {153, 153, "Unknown command"},
    {154, 154, "CRC error in data"},
    {155, 155, "Bad drive request structure length"},
    {156, 156, "Disk seek error"},
    {157, 157, "Unknown media type"},
    {158, 158, "Disk sector not found"},
    {159, 159, "Printer out of paper"},
    {160, 160, "Device write fault"},
    {161, 161, "Device read fault"},
    {162, 162, "File sharing violation"},
    {200, 200, "Division by zero error"},
    {201, 201, "Range check error"},
    {202, 202, "Stack overflow error"},
    {203, 203, "Heap overflow error"},
    {204, 204, "Invalid pointer operation"},
    {205, 205, "Floating point overflow"},
    {206, 206, "Floating point underflow"},
    {207, 207, "Invalid floating point operation"},
    {208, 208, "Overlay-manager not installed"},
    {209, 209, "Overlay file read error"},
    {210, 210, "Not a dBASE data file"},
    {211, 211, "Invalid database field type encountered"},
    {212, 212, "Request beyond range"},
    {213, 213, "End of file found unexpectedly"},
    {214, 214, "File already in use"},
    {215, 215, "No database in use"},
    {216, 216, "GP Fault"},
    {217, 217, "Insufficient memory"},
    {218, 218, "Invalid pointer specified"},
    {219, 219, "Cannot duplicate file handle"},
    {220, 220, "Invalid parameter"},
    {221, 221, "Index file not open"},
    {222, 222, "Corrupted index file"},
    {223, 223, "Index version mismatch"},
    {224, 224, "Cyclical relationship detected"},
    {225, 225, "Exclusive Use() required"},
    {226, 226, "BROWSE not active"},
    {227, 227, "Insufficient disk space "},
    {228, 228, "Unbalanced Push/Pop operation "},
    {229, 229, "dBASE IV memo files not supported"},
    {230, 230, "No dBASE memory variables loaded"},
    {231, 231, "Screen library not open"},
    {239, 239, "Missing colon in time"},
    {240, 240, "Non-numeric character in time"},
    {241, 241, "Invalid time specified"},
    {242, 242, "Negative time specified"},
    {243, 243, "TimeDiff result negative"},
    {254, 254, "Rivoz internal error"},
    {266, 266, "Invalid size"},
    {1003, 1003, "Invalid memo address"},
    {1004, 1004, "Disk full"},
    {1005, 1005, "Memo file write error"},
    {1007, 1007, "Memo file is already open"},
    {1012, 1012, "Insufficient disk space to pack memo file"},
    {1017, 1017, "Cannot lock memo file"},
    {1018, 1018, "Cannot unlock memo file"},
    {1019, 1019, "Invalid memo operation: database not open or no memo field in database"},
    {1100, 1100, "Not a valid operation on Linked List"},
    {1101, 1101, "Virtual File Manager Unit not Linked in"},
    {1102, 1102, "Virtual File Memory Management Error"},
    {1103, 1103, "Invalid Operation "},
    {1200, 1200, "Record not locked"},
    {1201, 1201, "File not locked"},
    {1202, 1202,
     "Semaphore file error. Possible solutions: log into network or load SHARE.EXE before "
     "running Windows"},
    {1203, 1299, "Network Error"},
    {1300, 1300, "File format not supported"},
};

const char* MessageOf(std::uint16_t code) {
    for (const CodeText& e : kMessages) {
        if (code >= e.first && code <= e.last) return e.text;
    }
    return "Undefined error";
}

// The box shows at most 255 characters (as the original's short string did).
std::string CutForBox(const std::string& s) {
    return s.size() > 255 ? s.substr(0, 255) : s;
}

} // namespace

std::string ErrorMessage(std::uint16_t code) {
    if (code == 0) return {};
    return "Error # " + std::to_string(code) + " (" + MessageOf(code) + ")";
}

void SetError(std::uint16_t code, std::string_view text) {
    LastErrorCode = code;
    ReportedCode = code;
    ErrorText.assign(text);
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
    const std::string message = ErrorMessage(LastErrorCode) + "\r\n" + GetErrorText();
    if (RaiseOnError) throw ERivozError(message);
    if (StopBoxHook != nullptr) {
        // Interactive: tell the user, then leave the operation; the boundary that catches the
        // exception restores a consistent state.
        StopBoxHook(CutForBox(message), std::string(EngineErrorCaption));
        throw ERivozError(message);
    }
    // Batch: nobody to ask; report and end with a status that cannot read as success.
    Halting = true;
    std::string line;
    for (char c : message) {
        if (c != '\r') line += c;
    }
    std::fprintf(stderr, "%s\n%s\n", HaltedText.data(), line.c_str());
    std::fflush(stderr);
    std::exit(BatchExitCode(LastErrorCode));
}

std::string GetErrorText() {
    std::string s = std::move(ErrorText);
    ErrorText.clear();
    ReportedCode = 0;
    return s;
}

std::string LastErrorString() {
    if (ReportedCode == 0) return {};
    std::string s = ErrorMessage(ReportedCode) + "\r\n";
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
        SetError(9, "Attempt to free NIL pointer [FreeMem()]");
        return;
    }
    ::operator delete(p);
    p = nullptr;
}

std::int32_t MaxAvail() {
    return 2147483647;
}

} // namespace dbf
