// Creating tables (dBASE III/IV layout) and empty memo files, written whole and renamed.

#include "dbf/table/create.h"

#include <algorithm>
#include <cstring>

#include "dbf/table/table_file.h"
#include "dbf/base/runtime.h"
#include "dbf/base/errors.h"
#include "dbf/base/files.h"
#include "dbf/base/text.h"
#include "platform/os/file.h"
#include "platform/os/paths.h"

namespace dbf {

namespace {

bool IsMemoType(char t) {
    return t == 'M' || t == 'B' || t == 'G' || t == 'P';
}

std::string TrimBlanks(const std::string& s) {
    const std::size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    const std::size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// 0 when nobody holds the file open (or it does not exist), else the sharing code. A file
// another program has open is not replaced behind its back.
int CheckReplaceable(const std::string& path) {
    if (!os::FileExists(path)) return 0;
    os::File probe;
    return probe.Open(path, os::OpenMode{os::Access::ReadWrite, os::Share::DenyAll});
}

// The extension in the letter case of the table's own extension (x.dbf -> x.dbt).
std::string ExtLike(const std::string& tableName, const std::string& ext) {
    const std::string own = FSplit(tableName).Ext;
    bool lower = false, upper = false;
    for (char c : own) {
        if (c >= 'a' && c <= 'z') lower = true;
        if (c >= 'A' && c <= 'Z') upper = true;
    }
    if (!lower || upper) return ext;
    std::string e = ext;
    for (char& c : e) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return e;
}

} // namespace

void CreateDbf(TWorkArea& area, const std::string& name, std::vector<TDbfFieldDesc>& fields) {
    LastErrorCode = 0;
    bool memo = false;
    for (TDbfFieldDesc& f : fields) {
        f.Type = UpCaseChar(f.Type);
        if (IsMemoType(f.Type)) memo = true;
    }
    constexpr std::string_view allowed = "CDFLMNBGP";

    area = TWorkArea();
    const std::size_t count = fields.size();
    if (count < 1 || count > 255) {
        SetError(kErrBadFieldType, "Invalid dBASE field definition [CreateDBF]");
        return;
    }
    area.FieldCount = static_cast<std::uint8_t>(count);
    area.HasMemo = memo;

    const std::size_t headerLength = 32 * count + 33;
    std::vector<std::uint8_t> header(headerLength, 0);
    header.back() = 0x0D;
    header[8] = static_cast<std::uint8_t>(headerLength & 0xFF);
    header[9] = static_cast<std::uint8_t>(headerLength >> 8);
    std::size_t recordLength = 1;
    bool bad = false;
    for (std::size_t i = 0; i < count && !bad; ++i) {
        TDbfFieldDesc& f = fields[i];
        std::string fieldName = TrimBlanks(f.Name);
        if (fieldName.size() > 10) fieldName.resize(10);
        fieldName = TzUpperStr(fieldName);
        if (fieldName.empty()) {
            bad = true;
            break;
        }
        switch (f.Type) {
        case 'C':
        case 'F':
        case 'N':
            if (f.Length == 0) bad = true;
            break;
        case 'D':
            f.Length = 8;
            break;
        case 'L':
            f.Length = 1;
            break;
        default:
            f.Length = 10;
            break;
        }
        if (bad) break;
        if (f.Type != 'N' && f.Type != 'F') f.Decimals = 0;
        f.Name = fieldName;
        if (allowed.find(f.Type) == std::string_view::npos || f.Type == 0) {
            bad = true;
            break;
        }
        std::uint8_t* d = header.data() + 32 + 32 * i;
        std::memcpy(d, fieldName.data(), fieldName.size());
        d[11] = static_cast<std::uint8_t>(f.Type);
        d[16] = f.Length;
        d[17] = f.Decimals;
        f.Offset = static_cast<std::uint16_t>(recordLength);
        recordLength += f.Length;
    }
    if (bad) {
        SetError(kErrBadFieldType, "Invalid dBASE field definition [CreateDBF]");
        return;
    }
    header[0] = memo ? 0x8B : 0x03;
    header[10] = static_cast<std::uint8_t>(recordLength & 0xFF);
    header[11] = static_cast<std::uint8_t>(recordLength >> 8);

    // The file as it stands once closed: dated prolog, count 0, the end-of-file byte.
    const TzDate today = TzGetDate();
    header[1] = static_cast<std::uint8_t>((today.year - 1900) % 256);
    header[2] = static_cast<std::uint8_t>(today.month);
    header[3] = static_cast<std::uint8_t>(today.day);

    area.FileName = DefaultExt(TrimBlanks(name), "DBF");
    area.ShortName = FileNameExt(area.FileName);
    std::memcpy(area.Prolog.data(), header.data(), 32);
    area.HeaderLength = static_cast<std::uint16_t>(headerLength);
    area.RecordLength = static_cast<std::uint16_t>(recordLength);
    area.RecordCount = 0;
    std::string date = std::to_string(today.year);
    date += (today.month < 10 ? "0" : "") + std::to_string(today.month);
    date += (today.day < 10 ? "0" : "") + std::to_string(today.day);
    area.LastUpdate = date;

    std::string bytes(reinterpret_cast<const char*>(header.data()), header.size());
    bytes += static_cast<char>(EofByte);
    int code = CheckReplaceable(area.FileName);
    if (code == 0) code = os::WriteWholeFileAtomic(area.FileName, bytes);
    area.UpdateState = usClosed;
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code),
                 "Error writing " + area.FileName + ". [CreateDbf]");
        return;
    }
    if (memo) {
        const std::string memoName =
            ForceExt(area.FileName, ExtLike(area.FileName, MemoFileExt(DefaultVersion)));
        CreateMemoFile(memoName, DefaultVersion, MemoBlockSize, "CreateDbf()");
    }
}

void CreateMemoFile(const std::string& name, std::uint8_t version, std::uint16_t blockSize,
                    const std::string& caller) {
    const std::string fileName = DefaultExt(name, MemoFileExt(version));
    if (blockSize == 0) {
        SetError(kErrInvalidSize, "Cannot create memo file " + fileName + " [" + caller + "]");
        return;
    }
    std::string bytes;
    if (version == 0x83) {
        bytes.assign(513, '\0');
        bytes[0] = '\x01';
        bytes[512] = static_cast<char>(EofByte);
    } else if (version == 0xF5) {
        bytes.assign(512, '\0');
        const std::uint32_t next = 511u / blockSize + 1u;
        for (int i = 0; i < 4; ++i)
            bytes[i] = static_cast<char>((next >> (24 - 8 * i)) & 0xFF);
        bytes[6] = static_cast<char>(blockSize >> 8);
        bytes[7] = static_cast<char>(blockSize & 0xFF);
    } else {
        bytes.assign(24, '\0');
        bytes[0] = '\x01';
        std::string base = FileBaseName(fileName);
        if (base.size() > 8) base.resize(8);
        std::memcpy(bytes.data() + 8, base.data(), base.size());
        bytes[18] = '\x02';
        bytes[19] = '\x01';
        bytes[20] = static_cast<char>(blockSize & 0xFF);
        bytes[21] = static_cast<char>(blockSize >> 8);
    }
    int code = CheckReplaceable(fileName);
    if (code != 0) {
        SetError(static_cast<std::uint16_t>(code),
                 "Cannot create memo file " + fileName + " [" + caller + "]");
        return;
    }
    code = os::WriteWholeFileAtomic(fileName, bytes);
    if (code != 0) SetError(static_cast<std::uint16_t>(code), fileName + " [" + caller + "]");
}

} // namespace dbf
