#pragma once
// utilfile (with utildos): the shared text file and its line readers and writers, file and
// directory services, path helpers, today's date and time as text.
//
// Failure: every line read or written, every Close and every copy reports an I/O failure by
// setting AbortFlag (globals.h); the caller tests the flag. TextFile's own methods return the
// error code as well (0 = success, else a DOS code of platform/os/errors.h or one of the
// runtime codes below).
//
// Text files are read with any line ending (CR LF, LF or CR) and written with CR LF. Inside the
// program texts are UTF-8; a TextFile converts at the file boundary to and from its encoding
// (Windows 1252 unless the caller chooses another).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/file.h"

// Runtime I/O codes beside the DOS codes of platform/os/errors.h.
enum : int {
    kIoFileNotOpen = 103,      // no file is open
    kIoNotOpenForInput = 104,  // a read on a file opened for writing
    kIoNotOpenForOutput = 105, // a write on a file opened for reading
    kIoLineTooLong = 131,      // a line longer than the file's line limit (no text file of ours)
};

// The longest line a TextFile reads unless its reader sets another limit: far beyond any line
// of the program's own files (job, configuration, help, listings, block files), and small
// enough that an endless file without line ends (/dev/zero) is refused at once.
inline constexpr std::size_t kTextLineLimit = 64 * 1024;

// The cause of a failed file operation in words ("the folder /x does not exist", "permission
// denied", "the disk is full", "the file is too large (file-size limit)", "the name is too
// long", "a line is longer than 65536 characters"): code is a DOS code of
// platform/os/errors.h or a runtime code above, path the file when known.
std::string FileErrorCause(int code, const std::string& path = {});
// "File <path> could not be written: <cause>." / "... could not be read: <cause>.".
std::string FileWriteProblem(const std::string& path, int code);
std::string FileReadProblem(const std::string& path, int code);
// what + ": " + path + ": " + the cause ("file write error: /x/gear.q1w: the disk is full").
std::string FileProblemText(std::string_view what, const std::string& path, int code);

enum class TextEncoding {
    Ansi, // Windows 1252 ("ANSI"): configuration, CAD files, listings for Windows programs
    Oem,  // DOS code page 437: job-file texts, help texts, listings for the text printer
    Utf8, // as the program holds its texts
};

// The characters of a UTF-8 text that the code page cannot hold, each once, in the order met
// ("" for Utf8).
std::string UnholdableCharacters(std::string_view utf8, TextEncoding page);
// A line of a file in a code page that keeps every text: the page's bytes when the page holds
// the text and those bytes cannot be taken for UTF-8, else the text's UTF-8 bytes. Decoding
// takes valid UTF-8 with bytes above 127 as UTF-8, anything else as the page's: a text comes
// back as it went.
std::string EncodeKeptLine(std::string_view utf8, TextEncoding page);
std::string DecodeKeptLine(std::string_view bytes, TextEncoding page);

// One text file, open for reading or for writing at a time.
//
// Rewrite never destroys the previous file before its replacement is complete: the lines go to
// a temporary file in the same directory, which Close flushes and renames over the name. A
// rewrite that hit a write error, or that is abandoned (Discard, or destruction without Close),
// leaves the previous file as it was.
//
// End of file is explicit: Eof() tells whether another line follows; a read after the last line
// returns kIoPastEnd (= os::kErrReadFault), leaves the target unchanged and sets PastEnd().
// This is not an I/O failure: older files that end early keep the caller's defaults.
class TextFile {
public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Binds the file to a name (closing what was open) and sets its encoding.
    void Assign(std::string_view name, TextEncoding encoding = TextEncoding::Ansi);
    const std::string& Name() const { return name_; }
    // The encoding may change between lines, for files that hold both DOS and Windows texts.
    void SetEncoding(TextEncoding e) { encoding_ = e; }
    TextEncoding Encoding() const { return encoding_; }

    // Opens for reading: 0, 2 file not found, 3 path not found, 5 access denied. A name that
    // does not exist as written is looked up without regard to letter case, as on Windows.
    int Reset();
    int Rewrite(); // starts a new file (replaces the old one at Close)
    int Append();  // opens for writing at the end (created when missing)
    // Ends reading or writing; a rewrite replaces the old file here. A failure (the new file
    // could not be written completely) returns its code and also sets AbortFlag.
    int Close();
    // Abandons a rewrite (the old file stays) or closes a reading file.
    void Discard();

    bool IsOpen() const { return mode_ != Mode::Closed; }
    bool IsInput() const { return mode_ == Mode::Read; }
    bool IsOutput() const { return mode_ == Mode::Write || mode_ == Mode::Append; }

    // Reading: a line longer than limit bytes is refused with kIoLineTooLong (the file is not
    // read further). The limit starts at kTextLineLimit; 0 means none.
    void SetLineLimit(std::size_t limit) { lineLimit_ = limit; }
    std::size_t LineLimit() const { return lineLimit_; }
    // Lines read since the file was opened.
    std::size_t LinesRead() const { return linesRead_; }

    bool Eof();                               // reading: no further line
    bool PastEnd() const { return pastEnd_; } // a read asked for a line after the last one
    int ReadLine(std::string& line);          // 0, kIoPastEnd, or an error code

    int Write(std::string_view text);     // without a line end
    int WriteLine(std::string_view text); // text and CR LF
    int Flush();                          // buffers to the disk (fsync)

    // First error since the file was opened (writes stop at it), 0 when none.
    int Error() const { return error_; }

    static constexpr int kIoPastEnd = 100;

private:
    enum class Mode { Closed, Read, Write, Append };
    int Fill();
    int FlushBuffer();
    void CloseDescriptor();
    int BeginOpen();
    void StartWriting(Mode mode);

    std::string name_;
    os::Replacement replace_;   // a rewrite's draft and the file it replaces
    std::uint64_t written_ = 0; // bytes a rewrite has written into its draft
    TextEncoding encoding_ = TextEncoding::Ansi;
    Mode mode_ = Mode::Closed;
    int fd_ = -1;
    int error_ = 0;
    bool pastEnd_ = false;
    bool atStart_ = true;
    std::vector<char> buf_;
    std::size_t lineLimit_ = kTextLineLimit;
    std::size_t linesRead_ = 0;
    std::size_t pos_ = 0; // read position in buf_
    std::size_t len_ = 0; // bytes held in buf_
};

// The one text file through which the configuration, session and job files, the result headers,
// the listings and the CAD writers are written and read.
extern TextFile SharedTextFile;

// ---- reading SharedTextFile ------------------------------------------------------------------
// An I/O error sets AbortFlag and leaves the target unchanged; so does (without AbortFlag) a
// read after the last line. Numbers that do not convert give 0.

void ReadTextLine(std::string& s);
// Fields between the first four "|" of the next line: a before the first bar, b between the
// first and second, c between the second and third, d between the third and fourth.
void ReadTextRecord(std::string& a, std::string& b, std::string& c, std::string& d);
// Lines written by WriteTextRecord6 / WriteTextRecord8 (each field followed by "|"). A user
// text that itself holds "|" would shift every later field: the fields after the text field
// are taken from the end of the line and the surplus is joined back into the text field
// (field 5 of six: x|y|h|phi|text|; field 6 of eight: the last text before the count).
void ReadTextRecord6(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e,
                     std::string& f);
void ReadTextRecord8(std::string& a, std::string& b, std::string& c, std::string& d, std::string& e,
                     std::string& f, std::string& g, std::string& h);
// The same rule for any record line: count fields, each followed by "|"; the field with the
// 0-based index textField takes the surplus bars. Missing fields are empty.
std::vector<std::string> SplitTextRecord(std::string_view line, int count, int textField);

void ReadTextChar(char& c);     // first character of the next line (ASCII; else '?')
void ReadTextChar(char32_t& c); // an empty line leaves c unchanged
void ReadTextInt(std::int32_t& n);
void ReadTextLong(std::int32_t& n);
void ReadTextWord(std::uint16_t& n); // 0..65535, else 0
void ReadTextReal(long double& x);   // every "," taken as "."
void ReadTextDouble(double& x);
void ReadTextTrue(bool& b); // b = (line in upper case == "TRUE")
void ReadTextTrue(std::uint8_t& b);
void ReadTextNotFalse(bool& b); // b = (line in upper case != "FALSE")
void ReadTextNotFalse(std::uint8_t& b);

// ---- writing SharedTextFile ------------------------------------------------------------------
// A failure sets AbortFlag; writing goes on (and the rewrite is abandoned at Close).

void WriteTextLine(std::string_view s);
void WriteTextLineStr(std::string_view s);
void WriteText(std::string_view s);
void WriteTextChar(char32_t c);
void WriteTextLineInt(long long n);
// Every value with 7 decimals (FloatToStrDec), except values below 1 that are whole at 7
// decimals: those short (FloatToStrSig3: "0", "-1"). A value read back from such a line writes
// the same line again. Stored values keep their precision: the display setting
// FloatDigits does not apply (see StoredFileFormat in text.h, which writers of stored files
// built on FloatToStr... use too).
void WriteTextLineReal(long double x);
std::string TextLineRealText(long double x); // the text WriteTextLineReal writes
void WriteTextBool(bool b);                  // "TRUE" / "FALSE"
void WriteTextRecord(std::string_view a, std::string_view b, std::string_view c,
                     std::string_view d);
void WriteTextRecord6(std::string_view a, std::string_view b, std::string_view c,
                      std::string_view d, std::string_view e, std::string_view f);
void WriteTextRecord8(std::string_view a, std::string_view b, std::string_view c,
                      std::string_view d, std::string_view e, std::string_view f,
                      std::string_view g, std::string_view h);
// The seven head lines of a result or job file: 65 "-"; MakerTitle + "   #" + IdentTexts[3];
// "Version " + VersionCode + "    " + IdentTexts[1]; IdentTexts[2]; 65 "-"; TitleTexts[1];
// TitleTexts[2].
void WriteResultHeader();

// ---- files and directories -------------------------------------------------------------------
// Names are paths with '/'. Copies write the destination safely (temporary file, then rename):
// a failed copy leaves an existing destination as it was, sets AbortFlag and returns false.

// Into a directory too. problem, when given, receives what failed ("File x could not be
// written: the disk is full.").
bool FileCopy(const std::string& source, const std::string& destination,
              std::string* problem = nullptr);
bool FileCopyBlocks(const std::string& source, const std::string& destination);
// The user's own copy of a file the program ships (a table, the picture catalogue, the message
// help) or of a table they may only read (its working copy): as FileCopy, but the copy is
// writable by its owner whatever the source's mode (an installation may ship its data
// read-only). Every such copy is made here.
bool CopyShippedFile(const std::string& shipped, const std::string& destination,
                     std::string* problem = nullptr);
void CopyFileToDir(const std::string& source, const std::string& target);
// Copies every file of sourceDir whose name matches mask ("*", "?", "*.*"; letter case ignored).
// Nothing matched sets AbortFlag, otherwise AbortFlag is cleared (and set again by a failure).
void CopyFiles(const std::string& mask, const std::string& sourceDir, const std::string& destDir);
int CountFiles(const std::string& maskWithPath); // entries matching (files and directories)
void DeleteFiles(const std::string& dir, const std::string& mask); // errors ignored
bool EraseFile(const std::string& name);                           // true when the file was removed
bool FileExist(const std::string& name); // can be opened for reading (not a directory)

// DOS attribute bits for HasAttr.
enum : int {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
};
bool HasAttr(const std::string& name, int mask); // every bit of mask set

// Temporary files of this run that outlive the step that made them (the text window's file, TXT
// listings, the HTML listing, working copies of tables) are removed at the end of the program.
// A TextFile written into TempDir under one of the program's temporary names ("$...",
// "outwin.txt", ProgramName + ".htm") is noted by itself; the user's own files there (logo
// block files) never are.
void NoteTemporaryFile(const std::string& path);
// A noted file the user is to keep after all (a listing no program could show) stays at the end.
void KeepTemporaryFile(const std::string& path);
// A folder of the run's scratch files, removed after the files when it is empty then.
void NoteTemporaryFolder(const std::string& path);
void RemoveTemporaryFiles(); // removes every noted file that is still there, then the folders
// A folder of this user's own for data that has no place where it is kept (the user's data
// folder cannot be made or written): made at the first call of the run under a unique name in
// the temporary directory, mode 0700, and removed with the files in it when the program ends.
// "" when none can be made. Never a fixed name in a folder other users share.
std::string NotKeptFolder();
// Whether path lies in that folder (false while it has not been made).
bool InNotKeptFolder(const std::string& path);
// A file can be created in the directory: it exists, may be entered and written, and lies on a
// file system mounted for writing. Asked of the system: nothing is written into it.
bool DirWritable(const std::string& dir);
// The bytes of a regular file, opened for reading only (shipped files of a read-only
// installation; a pipe or device named by mistake is refused at once, with its cause). 0, or
// the DOS code of the failure; a name that is not found as written is looked up ignoring case.
// A file larger than limit bytes gives os::kErrFileTooLarge and no bytes (FileErrorCause names
// the limit).
inline constexpr std::uint64_t kReadFileBytesLimit = 64ull << 20;
int ReadFileBytes(const std::string& path, std::string& bytes,
                  std::uint64_t limit = kReadFileBytesLimit);
bool DirExists(const std::string& dir);

// ---- the one path of a command that writes a file the user named -----------------------------
// Save As, the CAD exports, listings into files, PDF printouts and the table window's exports
// all check the file they are about to write here (framework/ui/questions.h: PrepareOutputFile,
// CheckOverwrite), and write it through TextFile::Rewrite or os::BeginReplace, which put it in
// place only when whole. docs/writing-files.md lists the commands.

// CheckOverwrite and PrepareOutputFile ask before an existing file is replaced only while this is
// set (default 1).
extern std::uint8_t ConfirmOverwrite;

// Why no file may be written under path, or 0; nothing is changed. Refused: a folder, a device,
// a named pipe or a socket ("it is a device, not a file"); the open job's own file unless
// jobAllowed (a command other than Save never writes over the job); a file the program holds
// open (a table, its memo or index file); an existing file that may not be written; a folder
// that cannot be written into or is not there, a name too long. FileErrorCause says it in words.
int OutputFileProblem(const std::string& path, bool jobAllowed = false);
// OutputFileProblem, then the replace question for an existing file ("<path> already exists.
// overwrite ?", Yes No Cancel) unless ConfirmOverwrite is clear or the file's name holds
// "actual". True when the file may be written; false when refused (problem: the message naming
// the file and the cause) or not confirmed (problem empty; Cancel sets AbortFlag).
bool ConfirmOutputFile(const std::string& path, bool jobAllowed, std::string& problem);
bool CanChDir(const std::string& dir); // the directory exists and may be entered
void AssignFileName(TextFile& file, std::string_view name);
bool CloseFileChecked(TextFile& file); // false (and AbortFlag) on failure

// ---- paths -----------------------------------------------------------------------------------
// Linux paths use '/'; stored Windows paths ("C:\DATA\GEAR.Q1W") are kept as text, so the
// helpers take both '/' and '\' as separators.

// The trimmed path with a separator appended unless it is empty, already ends in '/' or '\', or
// is a bare drive ("C:"). The separator is '\' for a Windows path (one with '\' and no '/'),
// else '/'.
std::string AddBackslash(std::string_view path);
std::string AddBackslashAfterDrive(std::string_view path); // also "C:" -> "C:\"
std::string DelBackslash(std::string_view path);           // one trailing separator removed
std::string ExtractPath(std::string_view path);      // up to and including the last '/', '\' or ':'
std::string ExtractDrive(std::string_view path);     // "C:" of a path that begins with a drive
std::string ExtractFileName(std::string_view path);  // after the last '/', '\' or ':'
std::string BaseNameNoExt(std::string_view path);    // file name without its extension
std::string ExtractNameNoExt(std::string_view path); // the same
std::string ExtAfterFirstDot(std::string_view name); // of the file name: "tar.gz" of "a.tar.gz"
// name with "." + ext appended unless its file name already ends in "." + ext (any letter case):
// a file chosen for one format never lands on a file of another ("fm.q1w" gives "fm.q1w.dxf").
std::string WithExtension(std::string_view name, std::string_view ext);
// A job's name as the files made from it take it: without its folder and without the job file's
// extension DataFileExt, any letter case ("/jobs/fm.q1w" gives "fm"). JobBaseName() is
// DataFileName's.
std::string JobBaseName(std::string_view name);
std::string JobBaseName();
// The folder of the current job's file, where its file dialogs start: DataDir, else the folder
// of a name given with one (a job from the command line); "" is the start folder.
std::string JobFolder();
// The file a job's name stands for: a name whose file name has an extension (one given on the
// command line) as it stands; otherwise with "." + DataFileExt, in DataDir unless the name has a
// directory. Every place that names or opens the current job goes through it, so the name shown
// is always the file's own.
std::string DataFilePathOf(std::string_view name);
// The current job's file (DataFilePathOf(DataFileName); in archive mode the name as it stands);
// "" while the job has no name.
std::string CurrentDataFile();
// Texts of n characters or fewer unchanged; else the first n div 2 - 3 characters, " ... " and
// the last n div 2 - 2. Below 6 characters there is no room for " ... ": the first n.
std::string ShortenMiddle(std::string_view text, long n);
void TrimVar(std::string& s);

// ---- dates and times -------------------------------------------------------------------------

struct ClockReading {
    int year, month, day, hour, minute, second, hundredths;
};
// The local time now (its integer fields, never rounded from a fraction of the day).
ClockReading ReadClock();
// Tests fix the clock: a non-null reading is returned by ReadClock until reset with nullptr.
void SetClockForTesting(const ClockReading* reading);

void GetDateParts(int& year, int& month, int& day, int& dayOfWeek); // dayOfWeek always 0
void GetTimeParts(int& hour, int& minute, int& second, int& hundredths);
std::string DateString();    // today by DateCode
std::string DateStringIso(); // yyyy-mm-dd
std::string TimeString();    // "9:05": hour without leading zero, minute with two digits
std::string FileDateString(std::int64_t unixSeconds);  // local date as yyyy/mm/dd
std::string FileDateStringOf(const std::string& path); // "" when the file is missing
