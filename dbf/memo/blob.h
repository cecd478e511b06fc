#pragma once
// Memo unit (`memo`): memo fields as byte streams: one blob descriptor per work area, positioned on
// one memo at a time for reading or for writing, with byte-exact read, write and seek, optional DOS
// <-> Windows translation of text, and 512-byte buffered access when the area has conversion
// routines (so the routines see the memo in the same pieces as the memo readers and writers).
//
// Writing always makes a new memo: dBASE III and FoxPro append it at the end of the file,
// dBASE IV takes free blocks (or the old group in place) when the size is known up front and
// the end of the file otherwise. The descriptor holds the memo lock from CreateBlobDescriptor
// to DestroyBlobDescriptor. What a write blob becomes is settled when it is destroyed:
//  - its length is the highest position written (seeking back before the end cuts nothing);
//  - in a dBASE III file, data that a dBASE III text can hold (no NUL or 0x1A bytes, no gap)
//    is stored as a plain dBASE III memo, text and end marks, under a positive block, so every
//    dBASE III reader reads it; other data gets the FF FF 08 00 group header and a negative
//    block. DestroyBlobDescriptor returns the value the memo field must take.
//
// Failures reset the descriptor and report through MemoError (memo lock released) with the
// block, the memo file name, the record number and the routine; reads and writes on an idle
// descriptor, in the wrong mode or of fewer than one byte return 0 without an error.

#include <cstdint>
#include <vector>

namespace dbf {

inline constexpr std::uint8_t kBlobRead = 1;
inline constexpr std::uint8_t kBlobWrite = 2;

struct TBlobDescriptor {
    bool Active = false;
    std::uint8_t Mode = 0;        // kBlobRead, kBlobWrite
    std::int64_t Length = -1;     // bytes of data; -1 unknown (dBASE III text up to its 0x1A)
    std::uint64_t DataStart = 0;  // file offset of the first data byte
    std::uint32_t HeaderSize = 0; // 0 (dBASE III text) or 8 (group header)
    std::uint64_t Position = 0;   // within the data
    std::uint32_t Block = 0;      // first block of the memo
    int TextMode = -1;            // -1 decide from the first piece, 1 text (translate), 0 binary
    std::uint64_t HighWater = 0;  // write: highest position written
    bool PlainText = true;        // write: every byte so far may stand in a dBASE III text
    // Buffered access (area with a conversion routine): 512 bytes of the memo counted from its
    // first block; BufferPiece is the piece's number, kNoPiece when none is held.
    std::vector<char> Buffer;
    std::uint64_t BufferPiece = 0;
    std::size_t BufferValid = 0; // bytes of the piece that hold memo bytes
    bool Dirty = false;
};

inline constexpr std::uint64_t kNoPiece = ~std::uint64_t{0};

// The current area's blob descriptor; nullptr when the area has no memo file.
TBlobDescriptor* CurrentBlob();

// A piece is text when every byte is 32 or above or one of 9, 10, 13, 15, 20, 21; an empty
// piece is text.
bool IsTextBuffer(const char* p, std::size_t n);

// Resets the current area's descriptor; withBuffer false frees its block buffer.
void CreateMemoDescriptor(bool withBuffer);

// Opens the memo at block for reading (mode 1) or a new memo for writing (mode 2; block is
// the field's old memo, which a dBASE IV file may reuse). translate: the memo holds DOS 437 text
// the caller reads and writes as Windows 1252 text (decided from the first piece: binary data
// never is converted). Without it the stream gives the bytes in the table's own page.
// Result: the memo's first block, 0 on failure. For reading, negative for a group-headed memo
// in a dBASE III file. For writing, the field takes DestroyBlobDescriptor's result.
std::int32_t OpenBlob(bool translate, std::int32_t block, std::uint8_t mode);
// Positions the descriptor (size > 0: the number of bytes a write will hold, else unknown).
std::int32_t CreateBlobDescriptor(std::int32_t block, std::uint8_t mode, std::int64_t size);

// Bytes read into buffer (at most count).
std::int32_t ReadBlobStream(char* buffer, std::int32_t count);
// Bytes written from buffer (the caller's bytes are never changed).
std::int32_t WriteBlobStream(const char* buffer, std::int32_t count);
// origin 0 from the start, 1 from the position, 2 from the end; the new position (never below 0).
std::int64_t SeekBlobStream(std::int64_t offset, int origin);
// Ends the blob. After a write: the memo is finished and the memo file header brought up to
// date (memo lock released); the result is the memo field's new value (0 when nothing was
// written or on failure). After a read: 0.
std::int32_t DestroyBlobDescriptor();

} // namespace dbf
