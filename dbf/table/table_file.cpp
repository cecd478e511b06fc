// The table file layer: headers of the three layouts, records, prolog, end mark, code page.

#include "dbf/table/table_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

#include "dbf/table/field_vars.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "platform/os/codepage.h"

namespace dbf {

bool AutoFixRecCount = false;
bool FlushAfterWrite = false;
std::uint8_t DefaultVersion = 0x8B;
std::uint16_t MemoBlockSize = 512;
std::uint8_t EofByte = 0x1A;
VirtualFileProc VirtualFileHandler = nullptr;

namespace {

constexpr std::uint16_t kDbase2HeaderLength = 521;
constexpr std::int32_t kDbase2MaxRecords = 65535;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string Two(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

std::string Four(int v) {
    std::string s = std::to_string(v);
    while (s.size() < 4)
        s.insert(0, "0");
    return s;
}

// Leaves the area closed: file closed, buffers freed. Never reports.
void DiscardArea(TWorkArea& area) {
    area.File.Close();
    area.RecordBuffer.clear();
    area.RecordBuffer.shrink_to_fit();
    area.Fields.clear();
    area.FieldCount = 0;
    area.StoredRecord.clear();
    area.StoredRecNo = 0;
    area.LastAppend = {};
    area.UpdateState = usClosed;
}

// Closes the area unless released: every failed or interrupted open leaves the area closed,
// also when a report leaves by exception.
class OpenGuard {
public:
    explicit OpenGuard(TWorkArea& area) : area_(area) {}
    ~OpenGuard() {
        if (!released_) DiscardArea(area_);
    }
    void Release() { released_ = true; }
    OpenGuard(const OpenGuard&) = delete;
    OpenGuard& operator=(const OpenGuard&) = delete;

private:
    TWorkArea& area_;
    bool released_ = false;
};

void FailHeader(TWorkArea& area, std::uint16_t code, const std::string& text) {
    DiscardArea(area);
    SetError(code, text);
}

std::string NotDbase(const std::string& name) {
    return name + " is not a dBASE database.";
}

std::uint64_t RecordOffset(const TWorkArea& area, std::int32_t n) {
    return std::uint64_t{area.HeaderLength} +
           static_cast<std::uint64_t>(n - 1) * std::uint64_t{area.RecordLength};
}

std::uint64_t EndOfData(const TWorkArea& area) {
    return std::uint64_t{area.HeaderLength} +
           static_cast<std::uint64_t>(std::max<std::int32_t>(area.RecordCount, 0)) *
               std::uint64_t{area.RecordLength};
}

// Prolog with today's date and the count, written at offset 0. 0 or the code; reports nothing.
int WriteProlog(TWorkArea& area) {
    const TzDate today = TzGetDate();
    if (IsDbase2(area.Prolog[0])) {
        area.Prolog[3] = static_cast<std::uint8_t>(today.month);
        area.Prolog[4] = static_cast<std::uint8_t>(today.day);
        area.Prolog[5] = static_cast<std::uint8_t>((today.year - 1900) % 256);
        const auto count = static_cast<std::uint32_t>(std::max(area.RecordCount, 0));
        area.Prolog[1] = static_cast<std::uint8_t>(count & 0xFF);
        area.Prolog[2] = static_cast<std::uint8_t>((count >> 8) & 0xFF);
        return area.File.WriteAt(0, area.Prolog.data(), 8);
    }
    // Keep what other programs store in bytes 16..27.
    std::uint8_t keep[12];
    const int read = area.File.ReadAt(16, keep, sizeof keep);
    if (read != 0) return read;
    std::memcpy(area.Prolog.data() + 16, keep, sizeof keep);
    area.Prolog[1] = static_cast<std::uint8_t>((today.year - 1900) % 256);
    area.Prolog[2] = static_cast<std::uint8_t>(today.month);
    area.Prolog[3] = static_cast<std::uint8_t>(today.day);
    const auto count = static_cast<std::uint32_t>(std::max(area.RecordCount, 0));
    for (int i = 0; i < 4; ++i)
        area.Prolog[4 + i] = static_cast<std::uint8_t>(count >> (8 * i));
    return area.File.WriteAt(0, area.Prolog.data(), area.Prolog.size());
}

// Prolog and, after appends, the end-of-file byte. 0 or the code; reports nothing.
int BringUpToDate(TWorkArea& area) {
    if (area.UpdateState != usRewritten && area.UpdateState != usAppended) return 0;
    int code = WriteProlog(area);
    if (code == 0 && area.UpdateState == usAppended) {
        const std::uint8_t eof = EofByte;
        code = area.File.WriteAt(EndOfData(area), &eof, 1);
    }
    return code;
}

// The code page each language driver of header byte 29 names, as dBASE, FoxPro and the
// programs after them set it (0: none; the setting's default holds).
constexpr std::pair<std::uint8_t, int> kLanguageDrivers[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252},  {0x04, 10000}, {0x08, 865},   {0x09, 437},
    {0x0A, 850},   {0x0B, 437},   {0x0D, 437},   {0x0E, 850},   {0x0F, 437},   {0x10, 850},
    {0x11, 437},   {0x12, 850},   {0x13, 932},   {0x14, 850},   {0x15, 437},   {0x16, 850},
    {0x17, 865},   {0x18, 437},   {0x19, 437},   {0x1A, 850},   {0x1B, 437},   {0x1C, 863},
    {0x1D, 850},   {0x1F, 852},   {0x22, 852},   {0x23, 852},   {0x24, 860},   {0x25, 850},
    {0x26, 866},   {0x37, 850},   {0x40, 852},   {0x4D, 936},   {0x4E, 949},   {0x4F, 950},
    {0x50, 874},   {0x57, 1252},  {0x58, 1252},  {0x59, 1252},  {0x64, 852},   {0x65, 866},
    {0x66, 865},   {0x67, 861},   {0x68, 895},   {0x69, 620},   {0x6A, 737},   {0x6B, 857},
    {0x6C, 863},   {0x78, 950},   {0x79, 949},   {0x7A, 936},   {0x7B, 932},   {0x7C, 874},
    {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},   {0x87, 852},   {0x88, 857},   {0x96, 10007},
    {0x97, 10029}, {0x98, 10006}, {0xC8, 1250},  {0xC9, 1251},  {0xCA, 1254},  {0xCB, 1253},
    {0xCC, 1257},
};

// Takes the table's page from its header where the header names one. A page this engine has
// no single-byte table for (the double-byte pages of East Asia, Kamenicky, Mazovia) refuses the
// table: its texts could be neither shown nor stored right. False after reporting.
bool TakeHeaderPage(TWorkArea& area) {
    if (IsDbase2(area.Prolog[0])) return true;
    const std::uint8_t driver = area.Prolog[29];
    const std::optional<int> number = LanguageDriverPage(driver);
    if (!number) return true;
    if (const std::optional<os::CodePage> page = os::CodePageOfNumber(*number)) {
        area.Page = *page;
        return true;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", driver);
    FailHeader(area, kErrNotDbase,
               area.FileName + " holds its texts in code page " + std::to_string(*number) +
                   " (header byte 29 is " + hex +
                   "), which this program can neither show nor store [USE/OpenDBF]");
    return false;
}

// The stored form of the record buffer: its bytes (texts are in the table's own page in memory
// as in the file) after the write hook.
std::vector<char> FileForm(const TWorkArea& area) {
    std::vector<char> out(area.RecordBuffer);
    if (out.size() <= 1) return out;
    if (area.WriteHook != nullptr)
        area.WriteHook(out.data() + 1, static_cast<std::uint16_t>(out.size() - 1));
    return out;
}

std::string RecordNumberText(std::int32_t n) {
    std::string s = std::to_string(n);
    if (s.size() > 6) s.resize(6);
    return s;
}

// Moves the area's counters after a successful write of record n.
void AfterWrite(TWorkArea& area, std::int32_t n, bool appending) {
    if (appending) {
        area.RecordCount = n;
        area.RecNo = n;
        area.UpdateState = usAppended;
    } else if (area.UpdateState != usAppended) {
        area.UpdateState = usRewritten;
    }
}

// Notes what appending record n may change (TWorkArea::LastAppend). 0 or the code.
int NoteAppend(TWorkArea& area, std::int32_t n) {
    TAppendUndo u;
    u.RecNo = n;
    u.UpdateState = area.UpdateState;
    u.TailOffset = RecordOffset(area, n);
    int code = area.File.Size(u.FileSize);
    if (code == 0 && u.FileSize > u.TailOffset) {
        u.Tail.resize(static_cast<std::size_t>(
            std::min<std::uint64_t>(u.FileSize - u.TailOffset, area.RecordLength + 1u)));
        code = area.File.ReadAt(u.TailOffset, u.Tail.data(), u.Tail.size());
    }
    if (code == 0 && FlushAfterWrite) { // the append writes the header too
        u.Header.resize(IsDbase2(area.Prolog[0]) ? 8 : area.Prolog.size());
        code = area.File.ReadAt(0, u.Header.data(), u.Header.size());
    }
    if (code == 0) area.LastAppend = std::move(u);
    return code;
}

// Puts the table back as it was before the append noted in LastAppend: the file's size, the
// bytes after the records and the header, byte for byte, and the area's count and update
// state. 0 or the code of the first step that failed.
int UndoAppend(TWorkArea& area) {
    TAppendUndo u = std::move(area.LastAppend);
    area.LastAppend = {};
    int code = area.File.Truncate(u.FileSize);
    if (code == 0 && !u.Tail.empty())
        code = area.File.WriteAt(u.TailOffset, u.Tail.data(), u.Tail.size());
    if (code == 0 && !u.Header.empty()) code = area.File.WriteAt(0, u.Header.data(), u.Header.size());
    area.RecordCount = std::min(area.RecordCount, u.RecNo - 1);
    if (area.StoredRecNo > area.RecordCount) area.StoredRecNo = 0;
    area.UpdateState = u.UpdateState;
    return code;
}

// Writes bytes as record n (appending when n is past the last record) and moves the counters.
// An append that cannot be completed, its end mark included (and its header when every write
// is flushed), leaves the file byte for byte as it was. False after reporting.
bool WriteRecordBytes(TWorkArea& area, std::int32_t n, bool appending, const std::vector<char>& bytes,
                      const char* routine) {
    const std::int32_t recNo = area.RecNo;
    int code = appending ? NoteAppend(area, n) : 0;
    if (code == 0 && appending) {
        // The end mark goes with the new record in one write: a table never ends in a record
        // whose end mark could not follow it (a file-size limit one byte short), and a failure
        // of either is undone below.
        std::vector<char> withEnd(bytes);
        withEnd.push_back(static_cast<char>(EofByte));
        code = area.File.WriteAt(RecordOffset(area, n), withEnd.data(), withEnd.size());
    } else if (code == 0) {
        code = area.File.WriteAt(RecordOffset(area, n), bytes.data(), bytes.size());
    }
    if (code == 0) {
        AfterWrite(area, n, appending);
        if (appending && FlushAfterWrite) {
            code = BringUpToDate(area);
            if (code == 0) area.UpdateState = usUnchanged;
        }
    }
    if (code != 0) {
        if (appending) {
            UndoAppend(area); // the table's own failure is the one to tell
            area.RecNo = recNo;
        }
        SetError(static_cast<std::uint16_t>(code), "File:  " + area.FileName + " " + routine);
        return false;
    }
    if (FlushAfterWrite) FlushFile(area.File);
    return true;
}

// Refuses an append that the layout cannot count. 0 or 212 (reported).
bool AppendAllowed(TWorkArea& area, const char* routine) {
    if (IsDbase2(area.Prolog[0]) && area.RecordCount >= kDbase2MaxRecords) {
        SetError(kErrBeyondRange, "File:  " + area.FileName + " holds " +
                                      std::to_string(kDbase2MaxRecords) +
                                      " records, the most a dBASE II table can count " + routine);
        return false;
    }
    if (area.RecordCount == std::numeric_limits<std::int32_t>::max()) {
        SetError(kErrBeyondRange, "File:  " + area.FileName + " is full " + routine);
        return false;
    }
    return true;
}

// More descriptors than a record can number (FieldCount is one byte) is damage.
constexpr std::size_t kMaxFields = 255;
const char* const kFieldsOutOfRange = " (Number of fields is out of range) [Use/OpenDbf]";

// A record count the file cannot hold is damage; a last record cut short (other programs
// leave such files, and other readers take them) is not.
bool CountFitsFile(const TWorkArea& area, std::uint64_t size) {
    const std::uint64_t need = std::uint64_t{area.HeaderLength} +
                               std::uint64_t(std::max(area.RecordCount, 0)) * area.RecordLength;
    return need <= size || need - size < area.RecordLength;
}

} // namespace

std::optional<int> LanguageDriverPage(std::uint8_t driver) {
    for (const auto& [id, page] : kLanguageDrivers)
        if (id == driver) return page;
    return std::nullopt;
}

int KeepLanguageDriver(const std::string& from, const std::string& to) {
    os::File in, out;
    std::uint8_t version = 0, driver = 0;
    int code = in.Open(from, os::OpenMode{os::Access::Read, os::Share::DenyNone});
    if (code == 0) code = in.ReadAt(0, &version, 1);
    if (code == 0) code = in.ReadAt(29, &driver, 1);
    if (code != 0 || IsDbase2(version) || driver == 0) return code;
    code = out.Open(to, os::OpenMode{os::Access::ReadWrite, os::Share::DenyNone});
    return code == 0 ? out.WriteAt(29, &driver, 1) : code;
}

bool IsDbfVersion(std::uint8_t v) {
    return v == 0x02 || v == 0x03 || v == 0x83 || v == 0x8B || v == 0xF5 || v == 0x04 || v == 0x8C;
}

bool IsDbase2(std::uint8_t v) {
    return v == 0x02;
}
bool IsLevel7(std::uint8_t v) {
    return v == 0x04 || v == 0x8C;
}

std::string MemoFileExt(std::uint8_t version) {
    if (!IsDbfVersion(version)) version = DefaultVersion;
    return version == 0xF5 ? "FPT" : "DBT";
}

std::uint32_t SwapLong(std::uint32_t v) {
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

std::uint16_t SwapWord(std::uint16_t v) {
    return static_cast<std::uint16_t>((v << 8) | (v >> 8));
}

std::string CheckFieldLayout(const std::vector<TDbfFieldDesc>& fields, std::uint16_t recordLength) {
    if (recordLength == 0) return "Record length is 0";
    for (const TDbfFieldDesc& f : fields) {
        if (std::size_t{f.Offset} + f.Length > recordLength)
            return "Field " + f.Name + " ends past the record length of " +
                   std::to_string(recordLength);
        if (f.Type == 'D' && f.Length < 8)
            return "Date field " + f.Name + " is shorter than 8 bytes";
        if (f.Type == 'L' && f.Length == 0) return "Logical field " + f.Name + " has length 0";
    }
    if (ComputeFieldVarsSize(fields) > 65535) return "Fields need more than 65535 bytes";
    return {};
}

void DecodeFieldDescriptor(const std::uint8_t* d, DescriptorLayout layout,
                           const std::string& fileName, TDbfFieldDesc& field,
                           std::uint16_t& offset) {
    std::string name;
    for (int i = 0; i < 11 && d[i] != 0; ++i) {
        char c = static_cast<char>(d[i]);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        name += c;
    }
    field.Name = name;
    char type = static_cast<char>(layout == DescriptorLayout::Level7 ? d[32] : d[11]);
    if (type == 'B' || type == 'G' || type == 'P' || type == 'b' || type == 'g' || type == 'p')
        type = 'M';
    field.Type = type;
    switch (layout) {
    case DescriptorLayout::Dbase2:
        field.Length = d[12];
        field.Decimals = d[15];
        break;
    case DescriptorLayout::Level7:
        field.Length = d[33];
        field.Decimals = d[34];
        break;
    case DescriptorLayout::Dbase3:
        field.Length = d[16];
        field.Decimals = d[17];
        break;
    }
    field.Offset = offset;
    offset = static_cast<std::uint16_t>(std::min<unsigned>(offset + field.Length, 0xFFFFu));
    if (std::string_view("CDFLMN").find(type) == std::string_view::npos || type == 0) {
        SetError(kErrBadFieldType, "Field: " + name + " [" + std::string(1, type) + "] in " +
                                       fileName + " is not a valid field type");
    }
}

bool OpenDbf(TWorkArea& area) {
    DiscardArea(area);
    area.FileName = ResolveExisting(DefaultExt(area.FileName, "DBF"));
    area.ShortName = FileNameExt(area.FileName);
    area.OpenMode = FileMode;
    const int code = area.File.Open(area.FileName, FileMode);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code),
                 "Failure to open " + area.FileName + " [USE/OpenDbf]");
        return false;
    }
    OpenGuard guard(area);
    std::uint64_t size = 0;
    const int sizeCode = area.File.Size(size);
    if (sizeCode != 0) {
        FailHeader(area, static_cast<std::uint16_t>(sizeCode),
                   "Error reading " + area.FileName + " [Use/OpenDbf]");
        return false;
    }
    LastErrorCode = 0;
    ReadDbfProlog(area, size);
    if (LastErrorCode != 0 || area.UpdateState == usClosed) return false;
    const std::string problem = CheckFieldLayout(area.Fields, area.RecordLength);
    if (!problem.empty()) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(area.FileName) + " (" + problem + ") [USE/OpenDBF]");
        return false;
    }
    if (!TakeHeaderPage(area)) return false;
    if (AutoFixRecCount) {
        const std::uint64_t records =
            size > area.HeaderLength ? (size - area.HeaderLength) / area.RecordLength : 0;
        area.RecordCount = static_cast<std::int32_t>(
            std::min<std::uint64_t>(records, std::numeric_limits<std::int32_t>::max()));
    } else if (!CountFitsFile(area, size)) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(FileNameExt(area.FileName)) + " (Record count " +
                       std::to_string(area.RecordCount) + " is more than the file of " +
                       std::to_string(size) + " bytes holds) [USE/OpenDBF]");
        return false;
    }
    if (area.RecordCount < 1) {
        area.RecNo = 0;
        area.Bof = area.Eof = true;
    } else {
        area.RecNo = 1;
        area.Bof = area.Eof = false;
    }
    guard.Release();
    return true;
}

void ReadDbfProlog(TWorkArea& area, std::uint64_t fileSize) {
    std::uint8_t prolog[32];
    std::size_t got = 0;
    const int code = area.File.ReadSomeAt(0, prolog, sizeof prolog, got);
    if (code != 0) {
        FailHeader(area, static_cast<std::uint16_t>(code),
                   "Error reading " + area.FileName + " [Use/OpenDbf]");
        return;
    }
    if (got < sizeof prolog) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(area.FileName) + " (Prolog is less than 32 bytes) [USE/OpenDBF]");
        return;
    }
    std::memcpy(area.Prolog.data(), prolog, sizeof prolog);
    if (!IsDbfVersion(prolog[0])) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(area.FileName) + "(Invalid version byte)+ [USE/OpenDBF]");
        return;
    }
    if (IsDbase2(prolog[0]))
        ReadDbf2Fields(area, fileSize);
    else
        ReadDbfFields(area);
}

void ReadDbfFields(TWorkArea& area) {
    const std::uint8_t* p = area.Prolog.data();
    const bool level7 = IsLevel7(p[0]);
    area.HasMemo = (p[0] & 0x80) != 0;
    const long headerLength = Le16(p + 8);
    const long areaSize = headerLength - 32;
    const long descSize = level7 ? 48 : 32;
    // Descriptors the header has room for; the terminator 0x0D ends the list (other programs
    // keep more bytes after it, FoxPro 263 of them).
    const long count = level7 ? (areaSize - 36) / 48 : areaSize / 32;
    const std::string shortName = FileNameExt(area.FileName);
    if (areaSize < (level7 ? 36 + 48 : 32) || count < 1) {
        FailHeader(area, kErrNotDbase, NotDbase(shortName) + kFieldsOutOfRange);
        return;
    }
    const std::uint32_t records = Le32(p + 4);
    if (records > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(shortName) + " (Number of records is out of range) [Use/OpenDbf]");
        return;
    }
    area.FieldCount = 0;
    area.LastUpdate = Four(p[1] + 1900) + Two(p[2]) + Two(p[3]);
    area.RecordCount = static_cast<std::int32_t>(records);
    area.HeaderLength = static_cast<std::uint16_t>(headerLength);
    area.RecordLength = Le16(p + 10);
    area.RecordBuffer.assign(area.RecordLength, ' ');
    area.UpdateState = usUnchanged;

    long rest = areaSize;
    if (level7) {
        std::uint8_t block[36];
        std::size_t got = 0;
        const int code = area.File.ReadSomeAt(32, block, sizeof block, got);
        if (code != 0 || got < sizeof block) {
            FailHeader(area, kErrDiskRead, "Error reading " + area.FileName + " [Use/OpenDbf]");
            return;
        }
        rest -= 36;
    }
    std::vector<std::uint8_t> descriptors(static_cast<std::size_t>(rest));
    std::size_t got = 0;
    const int code =
        area.File.ReadSomeAt(level7 ? 68 : 32, descriptors.data(), descriptors.size(), got);
    if (code != 0 || got < descriptors.size()) {
        FailHeader(area, kErrDiskRead, "Error reading " + area.FileName + " [Use/OpenDbf]");
        return;
    }
    std::vector<TDbfFieldDesc> fields;
    std::uint16_t offset = 1;
    for (long i = 0; i < count; ++i) {
        const std::uint8_t* d = descriptors.data() + i * descSize;
        if (d[0] == 0x0D) {
            if (i == 0) {
                FailHeader(area, kErrCorruptIndex,
                           "Error reading " + area.FileName + " [Use/OpenDbf]");
                return;
            }
            break;
        }
        TDbfFieldDesc f;
        LastErrorCode = 0;
        DecodeFieldDescriptor(d, level7 ? DescriptorLayout::Level7 : DescriptorLayout::Dbase3,
                              area.FileName, f, offset);
        if (LastErrorCode != 0) {
            // The descriptor's own text (field name and type) stays the report.
            DiscardArea(area);
            return;
        }
        fields.push_back(f);
        if (fields.size() > kMaxFields) {
            FailHeader(area, kErrNotDbase, NotDbase(shortName) + kFieldsOutOfRange);
            return;
        }
    }
    area.FieldCount = static_cast<std::uint8_t>(fields.size());
    area.Fields = std::move(fields);
}

void ReadDbf2Fields(TWorkArea& area, std::uint64_t fileSize) {
    const std::uint8_t* p = area.Prolog.data();
    area.RecordCount = Le16(p + 1);
    area.LastUpdate = Four(p[5] + 1900) + Two(p[3]) + Two(p[4]);
    area.RecordLength = Le16(p + 6);
    area.HeaderLength = kDbase2HeaderLength;
    if (fileSize < kDbase2HeaderLength) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(area.FileName) + "(Header is less than 521 bytes) [Use/OpenDBF]");
        return;
    }
    area.RecordBuffer.assign(area.RecordLength, ' ');
    area.UpdateState = usUnchanged;
    area.HasMemo = false;
    std::uint8_t descriptors[512];
    const int code = area.File.ReadAt(8, descriptors, sizeof descriptors);
    if (code != 0) {
        FailHeader(area, kErrDiskRead, "Error reading " + area.FileName + " [Use/OpenDbf]");
        return;
    }
    std::vector<TDbfFieldDesc> fields;
    std::uint16_t offset = 1;
    for (int i = 0; i < 32; ++i) {
        const std::uint8_t* d = descriptors + i * 16;
        if (d[0] == 0x0D) break;
        TDbfFieldDesc f;
        LastErrorCode = 0;
        DecodeFieldDescriptor(d, DescriptorLayout::Dbase2, area.FileName, f, offset);
        if (LastErrorCode != 0) {
            DiscardArea(area);
            return;
        }
        fields.push_back(f);
    }
    if (fields.empty()) {
        FailHeader(area, kErrNotDbase,
                   NotDbase(FileNameExt(area.FileName)) +
                       "(Number of fields is out of range) [Use/OpenDbf]");
        return;
    }
    area.FieldCount = static_cast<std::uint8_t>(fields.size());
    area.Fields = std::move(fields);
}

int ReadStoredRecord(TWorkArea& area, std::int32_t n, std::vector<char>& bytes) {
    if (n < 1 || n > area.RecordCount || !area.File.IsOpen()) return kErrBeyondRange;
    bytes.resize(area.RecordLength);
    std::size_t got = 0;
    const int code = area.File.ReadSomeAt(RecordOffset(area, n), bytes.data(), bytes.size(), got);
    if (code != 0) return code;
    return got < bytes.size() ? kErrUnexpectedEof : 0;
}

void GetDbfRecord(TWorkArea& area, std::int32_t n) {
    if (n < 1 || n > area.RecordCount) {
        SetError(kErrBeyondRange, "Invalid record number = " + RecordNumberText(n) + " (" +
                                      area.FileName + ")  [GetDbfRecord]");
        return;
    }
    area.Eof = false;
    area.Bof = false;
    if (area.IsVirtual) {
        area.VirtualOp = 3;
        area.VirtualArg = n;
        if (VirtualFileHandler != nullptr) VirtualFileHandler(area);
        return;
    }
    // Read into the stored copy (no allocation once sized), then show it in the buffer.
    area.StoredRecNo = 0;
    const int code = ReadStoredRecord(area, n, area.StoredRecord);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "File:  " + area.FileName + "  [GetDbfRecord]");
        return;
    }
    area.RecordBuffer.assign(area.StoredRecord.begin(), area.StoredRecord.end());
    area.RecNo = n;
    area.StoredRecNo = n;
    TranslateRecords(false, area.ReadHook, area.RecordLength, area.RecordLength,
                     area.RecordBuffer.data());
}

void PutDbfRecord(TWorkArea& area, std::int32_t n) {
    const char* routine = "[Replace/Append/PutDbfRecord]";
    if (n < 1) {
        SetError(kErrBeyondRange, "Invalid record number = " + RecordNumberText(n) + " (" +
                                      area.FileName + ")  " + routine);
        return;
    }
    const bool appending = n > area.RecordCount;
    if (appending) n = area.RecordCount + 1;
    if (area.IsVirtual) {
        area.VirtualOp = 8;
        area.VirtualArg = n;
        if (VirtualFileHandler != nullptr) VirtualFileHandler(area);
        return;
    }
    if (appending && !AppendAllowed(area, routine)) return;
    if (area.RecordBuffer.size() != area.RecordLength || area.RecordLength == 0) {
        SetError(kErrInvalidSize, "File:  " + area.FileName + " " + routine);
        return;
    }
    std::vector<char> out = FileForm(area);
    if (area.StoredRecNo == n) area.StoredRecNo = 0;
    if (!WriteRecordBytes(area, n, appending, out, routine)) return;
    area.StoredRecord = std::move(out);
    area.StoredRecNo = n;
}

void WriteStoredRecord(TWorkArea& area, std::int32_t n, const std::vector<char>& bytes) {
    const char* routine = "[Replace/Append/PutDbfRecord]";
    if (n < 1) {
        SetError(kErrBeyondRange, "Invalid record number = " + RecordNumberText(n) + " (" +
                                      area.FileName + ")  " + routine);
        return;
    }
    if (bytes.size() != area.RecordLength || area.RecordLength == 0) {
        SetError(kErrInvalidSize, "File:  " + area.FileName + " " + routine);
        return;
    }
    const bool appending = n > area.RecordCount;
    if (appending) n = area.RecordCount + 1;
    if (appending && !AppendAllowed(area, routine)) return;
    if (area.StoredRecNo == n) area.StoredRecNo = 0;
    WriteRecordBytes(area, n, appending, bytes, routine);
}

int DropLastRecord(TWorkArea& area) {
    if (area.RecordCount < 1 || area.IsVirtual) return kErrBeyondRange;
    if (area.LastAppend.RecNo == area.RecordCount) return UndoAppend(area);
    --area.RecordCount;
    if (area.StoredRecNo > area.RecordCount) area.StoredRecNo = 0;
    const std::uint64_t end = EndOfData(area);
    int code = area.File.Truncate(end);
    const std::uint8_t eof = EofByte;
    if (code == 0) code = area.File.WriteAt(end, &eof, 1);
    if (code == 0) code = WriteProlog(area);
    return code;
}

void AppendDbfRecord(TWorkArea& area) {
    PutDbfRecord(area, area.RecordCount + 1);
}

void WriteDeleteFlag(TWorkArea& area, std::int32_t n) {
    const char* routine = "[DeleteRec/RecallRec]";
    if (n < 1 || area.RecordBuffer.empty()) {
        SetError(kErrBeyondRange, "Invalid record number = " + RecordNumberText(n) + " (" +
                                      area.FileName + ")  " + routine);
        return;
    }
    const bool appending = n > area.RecordCount;
    if (appending) n = area.RecordCount + 1;
    if (appending && !AppendAllowed(area, routine)) return;
    const int code = area.File.WriteAt(RecordOffset(area, n), area.RecordBuffer.data(), 1);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "File:  " + area.FileName + " " + routine);
        return;
    }
    if (area.StoredRecNo == n && !area.StoredRecord.empty())
        area.StoredRecord[0] = area.RecordBuffer[0];
    AfterWrite(area, n, appending);
    if (FlushAfterWrite) FlushFile(area.File);
}

void UpdateDbfHeader(TWorkArea& area) {
    const int code = WriteProlog(area);
    if (code != 0) {
        LastErrorCode = static_cast<std::uint16_t>(code);
        ErrorText = "File:  " + area.FileName + " [UpdateDbfHeader]";
        ReportedCode = LastErrorCode;
        if (ErrorReporting) ReportError();
    }
}

void FlushFile(os::File& file) {
    const int code = file.Flush();
    if (code != 0) SetError(static_cast<std::uint16_t>(code), "Unable to flush file [FlushFile]");
}

void FlushDbf(TWorkArea& area) {
    LastErrorCode = 0;
    if (area.UpdateState != usRewritten && area.UpdateState != usAppended) return;
    const int code = BringUpToDate(area);
    area.UpdateState = usUnchanged;
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code), "File:  " + area.FileName + " [FlushDbf]");
        return;
    }
    FlushFile(area.File);
}

void CloseDbf(TWorkArea& area) {
    LastErrorCode = 0;
    if (area.IsVirtual) {
        area.VirtualOp = 1;
        if (VirtualFileHandler != nullptr) VirtualFileHandler(area);
        return;
    }
    int code = area.File.IsOpen() ? BringUpToDate(area) : 0;
    const int closeCode = area.File.Close();
    if (code == 0) code = closeCode;
    DiscardArea(area);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code),
                 "File:  " + area.FileName + " [CloseDbf(" + area.FileName + ")]");
    }
}

void TranslateRecords(bool /*toFile*/, RecordHookProc hook, std::uint16_t bufferLength,
                      std::uint16_t recordLength, char* buffer) {
    if (hook == nullptr || recordLength == 0 || buffer == nullptr) return;
    const std::uint16_t records = bufferLength / recordLength;
    for (std::uint16_t r = 0; r < records; ++r) {
        char* data = buffer + std::size_t{r} * recordLength + 1;
        const auto count = static_cast<std::uint16_t>(recordLength - 1);
        if (count != 0) hook(data, count);
    }
}

} // namespace dbf
