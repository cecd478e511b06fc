#pragma once
// The only code that touches the bytes of a table file: header readers for the dBASE II,
// dBASE III/IV and level-7 layouts, record read/write/append, the deletion flag, the prolog
// (date and record count), the end-of-file byte, close, and the table's code page (header byte
// 29). Texts stay in that page in memory as in the file. Failures go through SetError
// (errors.h).
//
// Every header is checked at open against its record length: a field that ends past the
// record, a date field shorter than 8 bytes, a logical field of length 0, a record length of 0
// or a field-variable block larger than 65535 bytes refuse the table with code 210, so every
// later access stays inside the record.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dbf/table/area_record.h"

namespace dbf {

extern bool AutoFixRecCount;
extern bool FlushAfterWrite;
extern std::uint8_t DefaultVersion;
extern std::uint16_t MemoBlockSize;
extern std::uint8_t EofByte;

// Handler of virtual files (installed by the virtual-file unit); none when absent.
using VirtualFileProc = void (*)(TWorkArea& area);
extern VirtualFileProc VirtualFileHandler;

enum class DescriptorLayout { Dbase2, Dbase3, Level7 };

bool OpenDbf(TWorkArea& area);
void ReadDbfProlog(TWorkArea& area, std::uint64_t fileSize);
void ReadDbfFields(TWorkArea& area);
void ReadDbf2Fields(TWorkArea& area, std::uint64_t fileSize);
// Decodes one descriptor (16, 32 or 48 bytes by layout) into field; offset is the running
// offset in the record. Reports 211 for a type outside C D F L M N.
void DecodeFieldDescriptor(const std::uint8_t* descriptor, DescriptorLayout layout,
                           const std::string& fileName, TDbfFieldDesc& field,
                           std::uint16_t& offset);

void GetDbfRecord(TWorkArea& area, std::int32_t n);
void PutDbfRecord(TWorkArea& area, std::int32_t n);
void AppendDbfRecord(TWorkArea& area);
void WriteDeleteFlag(TWorkArea& area, std::int32_t n);
void UpdateDbfHeader(TWorkArea& area);
void FlushDbf(TWorkArea& area);
void FlushFile(os::File& file);
void CloseDbf(TWorkArea& area);

// Reads record n exactly as stored (no code-page conversion, no hook) into bytes; 0 or the
// code (212 for a number outside 1..RecordCount, 213 for a short read). Reports nothing.
int ReadStoredRecord(TWorkArea& area, std::int32_t n, std::vector<char>& bytes);
// Writes stored bytes (RecordLength of them) as record n, unchanged; n beyond the last record
// appends. Reports like PutDbfRecord.
void WriteStoredRecord(TWorkArea& area, std::int32_t n, const std::vector<char>& bytes);
// Takes back the last record just appended: the file ends after the record before it, with the
// end mark, and the header counts one record less. 0 or the code; reports nothing.
int DropLastRecord(TWorkArea& area);

bool IsDbfVersion(std::uint8_t version);
bool IsDbase2(std::uint8_t version);
bool IsLevel7(std::uint8_t version);
std::string MemoFileExt(std::uint8_t version);

// Applies the record hook (ReadHook on the way from the file, WriteHook on the way to it) to
// each record of a buffer of whole records, after its deletion flag.
void TranslateRecords(bool toFile, RecordHookProc hook, std::uint16_t bufferLength,
                      std::uint16_t recordLength, char* buffer);

// The code page (437, 850, 1252 ...) a language driver byte (header byte 29) names; nothing for
// 0 and for bytes no driver uses.
std::optional<int> LanguageDriverPage(std::uint8_t driver);
// Gives table `to` the language driver byte of table `from` (a replacement keeps the page its
// original names). 0 or the code of the failed read or write.
int KeepLanguageDriver(const std::string& from, const std::string& to);

std::uint32_t SwapLong(std::uint32_t v);
std::uint16_t SwapWord(std::uint16_t v);

// Checks a field list against its record length; empty when sound, else the reason.
std::string CheckFieldLayout(const std::vector<TDbfFieldDesc>& fields, std::uint16_t recordLength);

} // namespace dbf
