#pragma once
// Unit tzprimds: TTzPrimDataset, the bridge between the data-access layer (TDataSet) and the
// engine. It implements the dataset's cursor interface once, in terms of the smaller set of
// Tzi operations that a concrete dataset implements against a work area.
//
// Record buffer layout (computed once per opening by CalcBufferOffsets):
//   record data          0                    TziGetRecordSize bytes, the concrete dataset's own
//   calculated fields    record size          per field: a has-value byte, then its value
//   blob pointers        + calculated size    4 bytes per blob field
//   record info          + 4 x blob fields    6 bytes: record number (int32), unused byte,
//                                             bookmark flag
//   bookmark             record info + 6      TziGetBookmarkSize bytes (4: the record number)
//
// Tzi results: 0 success, 1401 open failed, 1402 beginning of file, 1403 end of file, 1404 no
// table file name; any other value is an engine error code. A failing result that an operation
// checks becomes an EDatabaseError ("Dataset error: ...").

#include <cstdint>
#include <string>
#include <vector>

#include "platform/data/dataset.h"

namespace dbf {

inline constexpr std::int32_t kTziOpenFailed = 1401;
inline constexpr std::int32_t kTziBof = 1402;
inline constexpr std::int32_t kTziEof = 1403;
inline constexpr std::int32_t kTziNoFileName = 1404;

struct TBufferLayout {
    std::uint16_t RecordSize = 0;
    std::uint16_t BlobOffset = 0;
    std::uint16_t RecordInfoOffset = 0;
    std::uint16_t BookmarkOffset = 0;
    std::uint16_t BufferSize = 0;
};

// The layout from record size, calculated-field size, blob-field count and bookmark size; a
// buffer that would exceed 65535 bytes is refused with EDatabaseError (16-bit offsets would
// wrap and overlap the sections).
TBufferLayout CalcBufferOffsets(std::uint32_t recordSize, std::uint32_t calcSize,
                                std::uint32_t blobCount, std::uint32_t bookmarkSize);

class TTzPrimDataset : public TDataSet {
public:
    TTzPrimDataset() = default;
    ~TTzPrimDataset() override = default;

    const TBufferLayout& Layout() const { return FLayout; }
    // The table was opened for access mode 2 (every engine dataset).
    bool AccessMode() const { return FAccessMode; }

    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
    bool Locate(const std::string& keyFields, const TVarArray& keyValues,
                TLocateOptions options) override;
    TVarArray Lookup(const std::string& keyFields, const TVarArray& keyValues,
                     const std::string& resultFields) override;
    bool GetFieldData(TField* field, void* buffer) override;
    void SetFieldData(TField* field, const void* buffer) override;

    // Raises EDatabaseError for a nonzero result (see above).
    void CheckTziResult(std::int32_t code);
    // The result CheckTziResult last raised for (0 before any), for callers that keep codes.
    std::int32_t LastTziResult() const { return FLastTziResult; }

protected:
    // ---- the Tzi operations ----
    virtual std::string GetTziErrorText(std::int32_t code);
    virtual std::int32_t TziSetToBegin() = 0;
    virtual std::int32_t TziSetToEnd() = 0;
    virtual std::int32_t TziOpen() = 0;
    virtual std::int32_t TziClose() = 0;
    virtual std::int32_t TziGetRecordCount() = 0;
    virtual std::int32_t TziForceReread() = 0;
    virtual std::int32_t TziAppendRecord(std::uint8_t* buffer) = 0;
    virtual std::int32_t TziInsertRecord(std::uint8_t* buffer) = 0;
    virtual std::int32_t TziDeleteRecord() = 0;
    virtual std::int32_t TziInitRecord(std::uint8_t* buffer) = 0;
    virtual std::int32_t TziPostRecord(std::uint8_t* buffer) = 0;
    virtual std::uint16_t TziGetRecordSize() = 0;
    virtual std::uint8_t TziGetAccessMode() = 0;
    // buffer may be null (only move); recNo gets the record number.
    virtual std::int32_t TziGetRecord(std::uint8_t* buffer, std::int32_t& recNo) = 0;
    virtual std::int32_t TziGetNextRecord(std::uint8_t* buffer, std::int32_t& recNo) = 0;
    virtual std::int32_t TziGetPriorRecord(std::uint8_t* buffer, std::int32_t& recNo) = 0;
    // destination may be null (only is-blank, which is then false).
    virtual std::int32_t TziGetFieldData(TField* field, std::uint8_t* buffer, bool& isBlank,
                                         void* destination) = 0;
    virtual std::int32_t TziSetFieldData(TField* field, std::uint8_t* buffer,
                                         const void* source) = 0;
    virtual std::int32_t TziSetRecNo(std::int32_t n) = 0;
    virtual bool TziLocate(const std::string& names, const TVarArray& values,
                           TLocateOptions options) = 0;
    // result: empty when nothing matches.
    virtual std::int32_t TziLookup(const std::string& names, const TVarArray& values,
                                   const std::string& resultNames, TVarArray& result) = 0;
    virtual std::uint16_t TziGetBookmarkSize() = 0;
    virtual std::int32_t TziGotoBookmark(const std::uint8_t* bookmark) = 0;
    // Stores the current record's bookmark into area.
    virtual std::int32_t TziSetToBookmark(std::uint8_t* area) = 0;
    virtual std::int32_t TziCompareBookmarks(const std::uint8_t* b1, const std::uint8_t* b2,
                                             int& result) = 0;

    // ---- TDataSet's cursor interface ----
    void ClearCalcFields(std::uint8_t* buffer) override;
    void CloseCursor() override;
    bool FindRecord(bool restart, bool goForward) override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoValue(int n) override;
    void InternalEdit() override;
    void InternalRefresh() override;
    void OpenCursor(bool infoQuery) override;
    TRecordBuffer AllocRecordBuffer() override;
    void GetBookmarkData(const std::uint8_t* buffer, std::uint8_t* data) override;
    void SetBookmarkData(std::uint8_t* buffer, const std::uint8_t* data) override;
    TBookmarkFlag GetBookmarkFlag(const std::uint8_t* buffer) override;
    void SetBookmarkFlag(std::uint8_t* buffer, TBookmarkFlag flag) override;
    TGetResult GetRecord(std::uint8_t* buffer, TGetMode mode, bool doCheck) override;
    void InternalClose() override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalGotoBookmark(const std::uint8_t* bookmark) override;
    void InternalSetToRecord(std::uint8_t* buffer) override;
    void InternalInitRecord(std::uint8_t* buffer) override;
    void InternalOpen() override;
    void InternalPost() override;
    bool IsCursorOpen() const override { return FCursorOpen; }

    // ---- buffers ----
    // The buffer field access works on in the current state (nullptr when none).
    std::uint8_t* GetActiveRecordBuffer();
    // A private copy of the active buffer, and back.
    void SaveActiveBuffer();
    void RestoreActiveBuffer();
    void ClearActiveBuffer();
    // Grows the saved buffer to size bytes (never shrinks; 0 frees it).
    void ReserveSavedBuffer(std::size_t size);
    // The record number in a buffer's record info, and setting it (bookmark flag current).
    std::int32_t BufferRecNo(const std::uint8_t* buffer) const;
    void SetBufferRecNo(std::uint8_t* buffer, std::int32_t n);

private:
    TBufferLayout FLayout;
    bool FCursorOpen = false;
    bool FAccessMode = false;
    std::vector<std::uint8_t> FSavedBuffer;
    std::int32_t FLastTziResult = 0;
};

} // namespace dbf
