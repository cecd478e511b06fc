#pragma once
// Unit utzfds: TTzFileDataSet, the dataset over a DBF table with NDX indexes, and TTzDbf, the
// table component that windows place. The dataset opens its table in its own work area
// (creating it from DbfFields when missing), opens or builds the indexes of its IndexList,
// makes every change under the engine's locks, searches through the controlling index, and
// gives memo fields as streams (TTzBlobStream, blob_stream.h).
//
// Locked changes. Post, append, delete and restore take the record lock (append: the append
// lock) first. A refused lock calls the matching event, which may ask for another try; when no
// try is left the change is not made and the operation fails with engine code 1200 ("Record
// not locked", append: 1201 "File not locked") and the text "Lock failed [Post]" (Insert,
// Delete, Restore): the dataset raises EDatabaseError and a refused post keeps the edit
// pending with the typed values. A post whose record another program or window saved after the
// edit began writes nothing until the user has chosen (TTzDataSet::StoredRecordUnchanged).
//
// IndexList: one index per line, "options,file,expression" (see TIndexListLine). On opening,
// each index is opened, or built first by the CreateIndex policy: ciNotFound builds a missing
// or damaged one (engine codes 2, 222, 223), ciAlways builds every one, ciVerifyHeader builds
// one whose header's record count differs from the table's, ciNever only opens (a missing
// index fails the opening with the engine's message). While other programs use the table's
// indexes (its semaphore file exists and is of today, or is held open) ciAlways and
// ciVerifyHeader act as ciNotFound, so no index is replaced under another program. A
// semaphore file of an earlier day that nobody holds open is a leftover and is erased.
//
// Key makers (IndexOnCB, SetIndexToCB) see the record the engine indexes through the
// dataset's fields and return its key as UTF-8.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dbf/dataset/command_dataset.h"
#include "dbf/index/ndx.h"

namespace dbf {

enum TCreateIndexType { ciNotFound, ciAlways, ciVerifyHeader, ciNever };

// Retry starts false; set it to try the lock again.
using TTzLockFailedEvent = std::function<void(TDataSet& sender, bool& retry)>;
using TBeforeMakeIndexEvent =
    std::function<void(TDataSet& sender, const std::string& name, bool& canMake)>;
using TAfterMakeIndexEvent = std::function<void(TDataSet& sender, const std::string& name)>;

// One line of IndexList: "options,file,expression". Options are the index's option words as
// bits (kIndexUnique, kIndexNoCache, kIndexSoundex, kIndexDescending), added to the file name
// when it is opened or built. A line without its first comma (or with the comma first) has
// options 0 and no file name, and the whole rest is the expression.
struct TIndexListLine {
    int Options = 0;
    std::string File;
    std::string Expression; // at most 100 characters
};
inline constexpr int kIndexUnique = 1;
inline constexpr int kIndexNoCache = 2;
inline constexpr int kIndexSoundex = 4;
inline constexpr int kIndexDescending = 8;
TIndexListLine ParseIndexListLine(const std::string& line);
// The file name followed by the option words of `options`.
std::string IndexNameWithOptions(const std::string& file, int options);

class TTzFileDataSet : public TTzCDataSet {
public:
    TTzFileDataSet() = default;
    ~TTzFileDataSet() override;

    TCreateIndexType CreateIndex = ciNotFound;
    bool CreateIfNotFound = true;
    // The engine repairs a header record count that disagrees with the file size at open.
    bool AutoFixRecCount = false;
    std::vector<std::string> IndexList;
    bool Exclusive() const { return FExclusive; }
    // An open dataset is closed and opened again.
    void SetExclusive(bool on);

    TBeforeMakeIndexEvent OnBeforeMakeIndex;
    TAfterMakeIndexEvent OnAfterMakeIndex;
    TTzLockFailedEvent OnRLockFailedOnPost, OnALockFailedOnInsert, OnRLockFailedOnDelete,
        OnRLockFailedOnRestore;
    // Slot 0 for IndexOnCB, slot n for the index opened as order n by SetIndexToCB.
    std::array<TTzKeyMaker, 17> KeyMakers;

    // Key search in the controlling index (text at most 100 characters): FindExact with the
    // engine's EXACT switch on, Find as given (a partial key finds the first key beginning with
    // it). The dataset shows the found record; not found, it goes to the last record.
    bool FindExact(const std::string& key);
    bool Find(const std::string& key);
    // The work area's locks (results of the engine); UnLock releases every lock.
    bool ALock();
    bool FLock();
    bool UnLock();
    // Delimited text into and out of the table (in shared use the caller holds the file or
    // append lock); the number of records.
    std::int32_t AppendFromDelimited(const std::string& fileName);
    std::int32_t CopyToDelimited(const std::string& fileName);
    // The stored bytes of a field of any record, without moving the dataset.
    std::string Peek(std::uint8_t field, std::int32_t record);
    // Builds an index and opens it as the controlling order.
    void IndexOn(const std::string& expression, const std::string& fileName);
    void IndexOnCB(const std::string& fileName, TTzKeyMaker keyMaker);
    // Opens the blank-separated index files as orders 1, 2, ...
    void SetIndexTo(const std::string& files);
    void SetIndexToCB(const std::string& fileName, int order, TTzKeyMaker keyMaker);
    // Opens one index file (options as in IndexList) as the controlling order.
    void SetIndexToLFN(const std::string& fileName, int options);

    // A stream on a memo field of the current record (bmRead, bmWrite, bmReadWrite).
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
    // False while an index controls the order or a filter is set.
    bool IsSequenced() override;
    // A UNIQUE controlling index leaves records out.
    bool RecordCountExact() override;

protected:
    bool OpenDbf(const std::string& fileName) override;
    bool s_AppendWithLock() override;
    bool s_DeleteWithLock() override;
    bool s_RestoreWithLock() override;
    bool s_ReplaceWithLock() override;
    // With a controlling index the key values are one key text searched in the index.
    bool TziLocate(const std::string& names, const TVarArray& values,
                   TLocateOptions options) override;

private:
    friend class TTzBlobStream;
    enum class Change { Insert, Delete, Restore, Post };
    bool LockedChange(Change change);
    bool OpenIndexList();
    bool FindKey(const std::string& key, bool exact, const char* operation);
    KeyMakerProc KeyCallback(int slot);
    void AfterIndexCommand(const char* operation, const std::function<void()>& work);

    bool FExclusive = false;
};

// The component windows place; it has no operations of its own.
class TTzDbf : public TTzFileDataSet {};

} // namespace dbf
