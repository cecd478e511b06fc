// Global state: failure flags, text tables, directories, the current file.
#include "framework/core/globals.h"

#include "platform/os/errors.h"
#include "platform/os/paths.h"

std::uint8_t AbortFlag = 0;
std::uint8_t CalcErrorFlag = 0;
std::uint8_t ErrorBoxesOn = 1;
std::uint8_t DataModified = 0;
std::uint8_t ArchiveMode = 0;
std::uint8_t ArchiveFlag = 0;
std::int32_t ListFileCounter = 0;
std::uint16_t TextLineCount = 1;
std::int32_t DbfSelectedRecNo = 1;
char LastKey = '0';

RangeArray<ShortString<65>, 1, 135> TextLines;
RangeArray<ShortString<64>, 1, 5> WrapLines;
RangeArray<ShortString<65>, 1, 3> TitleTexts;

std::string ProductTitle;
std::string ProgramName;
std::string MakerTitle;
ShortString<3> DataFileExt;
ShortString<7> VersionCode;

std::string DataFileName;
std::string DataDir;
std::string StartDir;
std::string CadDir;
std::string DbfDir;
std::string EdiDir;
std::string PltDir;
std::string TempDir;
std::string KelmoraDir;

std::uint16_t HelpLevel = 1;
std::uint16_t PrinterInterface = 1;
std::string TextPrinterQueue;
std::uint16_t HardcopyInterface = 1;
std::uint16_t PrinterType = 3;
std::uint16_t PrintDensity = 1;
std::uint16_t PrintDensityVertical = 1;
char RotateHardcopy = 'J';
std::uint16_t FloatDigits = 3;
std::uint16_t FrameStyle = 1;
std::uint16_t LinesPerPage = 66;
std::int32_t GraphDriver = 0;
std::int32_t GraphMode = 0;
std::uint16_t ScreenWidth = 0;
std::uint16_t ScreenHeight = 0;
bool ColorGraphics = true;
std::uint16_t WinPrintMode = 1;
std::int32_t MaxColour = 16;

void InitGlobalState() {
    for (auto& t : TextLines)
        t = std::string(60, ' ');
    for (auto& t : WrapLines)
        t = std::string(64, ' ');
    for (auto& t : TitleTexts)
        t = std::string(60, ' ');
    StartDir = os::CurrentDirectory();
    // A file-size limit, or a printer or reader that closes its pipe early, ends a write with a
    // message, never the program.
    os::IgnoreFileSizeSignal();
    os::IgnoreBrokenPipeSignal();

    AbortFlag = 0;
    CalcErrorFlag = 0;
    ErrorBoxesOn = 1;
    DataModified = 0;
    ArchiveMode = 0;
    ArchiveFlag = 0;
    ListFileCounter = 0;
    TextLineCount = 1;
    DbfSelectedRecNo = 1;
    LastKey = '0';

    ProductTitle = "KELMORA";
    ProgramName = "KELMORA";
    MakerTitle = "K E L M O R A    -    Software";
    DataFileExt = "EXT";
    VersionCode = "1.0";
    DataFileName = "demo";
    DataDir = "TRAIN";
    CadDir.clear();
    DbfDir.clear();
    EdiDir.clear();
    PltDir.clear();
    TempDir.clear();
    KelmoraDir.clear();

    HelpLevel = 1;
    PrinterInterface = 1;
    TextPrinterQueue.clear();
    HardcopyInterface = 1;
    PrinterType = 3;
    PrintDensity = 1;
    PrintDensityVertical = 1;
    RotateHardcopy = 'J';
    FloatDigits = 3;
    FrameStyle = 1;
    LinesPerPage = 66;
    GraphDriver = 0;
    GraphMode = 0;
    ScreenWidth = 0;
    ScreenHeight = 0;
    ColorGraphics = true;
    WinPrintMode = 1;
    MaxColour = 16;

    for (auto& t : TitleTexts)
        t = "";
}

namespace {
// Start values before main runs; nothing reads these variables during static initialisation.
const bool globalStateReady = (InitGlobalState(), true);
} // namespace
