#pragma once
// The rows of a grid over a dataset: row number -> bookmark in the dataset's current order,
// fetched lazily in chunks. A large table shows its first page after reading one chunk from the
// front; when the dataset's record count is exact (RecordCountExact), its last page after one
// chunk read backwards from the end. Otherwise the count is an estimate until the front walk
// reaches the end, and is then corrected (CountChanged).

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/data/db.h"

class TDataSet;

class TRowMap {
public:
    static constexpr int kChunk = 256;

    // Forgets every row; the count is taken from the dataset again (0 when it is closed).
    void Reset(TDataSet* dataset);
    int Count() const { return FCount; }
    // The bookmark of row (0-based), fetching what it needs; nullptr outside the rows. The
    // count may change on the way (see CountChanged).
    const TBookmark* At(int row);
    // The row of a bookmark, -1 when it is not among the records (walks as far as needed).
    int RowOf(const TBookmark& bookmark);
    // True once after the count was corrected by a walk.
    bool CountChanged() {
        const bool c = FCountChanged;
        FCountChanged = false;
        return c;
    }
    // The whole order has been walked.
    bool Complete() const { return FFrontDone || FBackDone; }

private:
    void FetchFront(int upToRow);
    void FetchBack(int downToRow);
    void SetCount(int n);
    void Merge();
    static std::string Key(const TBookmark& b) { return std::string(b.begin(), b.end()); }

    TDataSet* FDataSet = nullptr;
    int FCount = 0;
    bool FCountChanged = false;
    bool FFrontDone = false;       // front holds every row
    bool FBackDone = false;        // back holds every row
    bool FExact = false;           // the count is known before the walk: the back may be read
    std::vector<TBookmark> FFront; // rows 0, 1, ...
    std::vector<TBookmark> FBack;  // rows Count-1, Count-2, ...
    std::unordered_map<std::string, int> FFrontRow, FBackIndex;
};
