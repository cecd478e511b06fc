#pragma once
// Unit utzfds: TTzBlobStream, one memo field of a file dataset's current record as a stream.
//
// The memo is read and written through the blob descriptor of the dataset's own work area (its
// open memo file): the table is never opened a second time, so the area keeps its indexes, its
// position and its locks.
//
// The stream holds the memo in memory. Text memos are UTF-8 at the stream and stay in the
// table's code page in the file (TextPage: the page its header names, else DOS 437 for tlOem
// and Windows 1252 for tlAnsi), converted directly so that every character the page holds
// survives; binary memos pass unchanged. A
// memo is text when its first 32767 bytes pass the engine's text test.
//
// Reading: bmRead and bmReadWrite start with the memo of the record (empty without one).
// Writing: bmWrite starts empty; a write stream stores its bytes as a new memo when it is
// committed (Commit, or when it is destroyed): the dataset enters the edit state when needed
// and the field takes the new memo. A bmWrite stream with nothing written clears the field.
// The old memo stays in the file until the record is posted, so a cancelled edit keeps it. A
// commit that fails raises EDatabaseError; one that fails in the destructor goes to the
// dataset's exception handler.

#include <cstdint>
#include <string>

#include "platform/data/stream.h"
#include "platform/data/db.h"

class TField;

namespace dbf {

class TTzFileDataSet;

class TTzBlobStream : public TStream {
public:
    TTzBlobStream(TTzFileDataSet& dataset, TField* field, TBlobStreamMode mode);
    ~TTzBlobStream() override;
    TTzBlobStream(const TTzBlobStream&) = delete;
    TTzBlobStream& operator=(const TTzBlobStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    // Stores what was written (nothing for a read stream or when nothing is to be stored).
    void Commit();
    bool Modified() const { return FModified; }

private:
    void Load();

    TTzFileDataSet& FDataSet;
    TField* FField;
    TBlobStreamMode FMode;
    std::string FData;
    std::int64_t FPosition = 0;
    bool FModified = false;
    bool FPending = false; // bytes (or a clearing) still to be stored
};

} // namespace dbf
