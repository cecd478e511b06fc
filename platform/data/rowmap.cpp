#include "platform/data/rowmap.h"

#include <algorithm>

#include "platform/data/dataset.h"

void TRowMap::Reset(TDataSet* dataset) {
    FDataSet = dataset;
    FFront.clear();
    FBack.clear();
    FFrontRow.clear();
    FBackIndex.clear();
    FFrontDone = FBackDone = false;
    FCountChanged = false;
    FCount = dataset && dataset->Active() ? std::max(dataset->RecordCount(), 0) : 0;
    FExact = dataset && dataset->Active() && dataset->RecordCountExact();
}

void TRowMap::SetCount(int n) {
    if (n != FCount) FCountChanged = true;
    FCount = n;
}

void TRowMap::FetchFront(int upToRow) {
    while (!FFrontDone && static_cast<int>(FFront.size()) <= upToRow) {
        const TBookmark after = FFront.empty() ? TBookmark{} : FFront.back();
        std::vector<TBookmark> got = FDataSet->FetchBookmarks(after, kChunk);
        for (auto& b : got) {
            FFrontRow.emplace(Key(b), static_cast<int>(FFront.size()));
            FFront.push_back(std::move(b));
        }
        if (static_cast<int>(got.size()) < kChunk) {
            FFrontDone = true;
            // The walk is the truth: rows from the back were placed by an estimate.
            FBack.clear();
            FBackIndex.clear();
            SetCount(static_cast<int>(FFront.size()));
        }
    }
    Merge();
}

void TRowMap::FetchBack(int downToRow) {
    while (!FBackDone && FCount - static_cast<int>(FBack.size()) > downToRow) {
        const TBookmark before = FBack.empty() ? TBookmark{} : FBack.back();
        std::vector<TBookmark> got = FDataSet->FetchBookmarksBack(before, kChunk);
        for (auto& b : got) {
            FBackIndex.emplace(Key(b), static_cast<int>(FBack.size()));
            FBack.push_back(std::move(b));
        }
        if (static_cast<int>(got.size()) < kChunk) {
            FBackDone = true;
            FFront.assign(FBack.rbegin(), FBack.rend());
            FFrontRow.clear();
            for (std::size_t i = 0; i < FFront.size(); ++i)
                FFrontRow.emplace(Key(FFront[i]), int(i));
            FFrontDone = true;
            FBack.clear();
            FBackIndex.clear();
            SetCount(static_cast<int>(FFront.size()));
            return;
        }
    }
    Merge();
}

// When the two ends meet, they must agree on the rows they share; otherwise the estimate was
// wrong and the front walks on to the end.
void TRowMap::Merge() {
    if (FFrontDone || FBack.empty()) return;
    const int front = static_cast<int>(FFront.size());
    const int firstBack = FCount - static_cast<int>(FBack.size());
    if (front < firstBack) return;
    // Row firstBack is in both parts (or the parts touch): compare the boundary.
    bool agree = true;
    if (front > firstBack) {
        agree = FFront[static_cast<std::size_t>(firstBack)] == FBack.back();
    } else if (front == firstBack && front > 0) {
        // Touching: the record after the front's last must be the back's first.
        const std::vector<TBookmark> next = FDataSet->FetchBookmarks(FFront.back(), 1);
        agree = !next.empty() && next.front() == FBack.back();
    }
    if (agree) {
        for (int i = static_cast<int>(FBack.size()) - 1 - std::max(front - firstBack, 0); i >= 0;
             --i) {
            FFrontRow.emplace(Key(FBack[static_cast<std::size_t>(i)]),
                              static_cast<int>(FFront.size()));
            FFront.push_back(FBack[static_cast<std::size_t>(i)]);
        }
        FFrontDone = true;
        FBack.clear();
        FBackIndex.clear();
        SetCount(static_cast<int>(FFront.size()));
    } else {
        FBack.clear();
        FBackIndex.clear();
        FetchFront(FCount + 1);
    }
}

const TBookmark* TRowMap::At(int row) {
    if (!FDataSet || row < 0 || row >= FCount) return nullptr;
    if (row < static_cast<int>(FFront.size())) return &FFront[static_cast<std::size_t>(row)];
    const int firstBack = FCount - static_cast<int>(FBack.size());
    if (row >= firstBack) return &FBack[static_cast<std::size_t>(FCount - 1 - row)];
    // Fetch from the nearer end.
    if (!FExact || row - static_cast<int>(FFront.size()) <= firstBack - 1 - row) {
        FetchFront(row);
    } else {
        FetchBack(row);
    }
    if (row >= FCount) return nullptr;
    if (row < static_cast<int>(FFront.size())) return &FFront[static_cast<std::size_t>(row)];
    const int back = FCount - 1 - row;
    if (back >= 0 && back < static_cast<int>(FBack.size()))
        return &FBack[static_cast<std::size_t>(back)];
    return nullptr;
}

int TRowMap::RowOf(const TBookmark& bookmark) {
    if (!FDataSet || bookmark.empty()) return -1;
    const std::string key = Key(bookmark);
    for (;;) {
        if (auto it = FFrontRow.find(key); it != FFrontRow.end()) return it->second;
        if (auto it = FBackIndex.find(key); it != FBackIndex.end()) return FCount - 1 - it->second;
        if (FFrontDone) return -1;
        // The last records are a common target (Last, an append): look at the back once.
        if (FExact && FBack.empty() && !FBackDone && FCount > 2 * kChunk) {
            FetchBack(FCount - kChunk);
            continue;
        }
        FetchFront(static_cast<int>(FFront.size()) + kChunk - 1);
    }
}
