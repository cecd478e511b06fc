// Index engine (unit `vovor`): whether an index opened on a table holds the keys this engine
// builds from the table's records. An index built by another program, or by an earlier version
// with other case rules or code-page conversions, holds other bytes for texts outside ASCII;
// searching it would land on wrong records.

#include <cstring>
#include <unordered_set>

#include "dbf/base/errors.h"
#include "dbf/base/text.h"
#include "dbf/index/ndx.h"
#include "dbf/table/table_file.h"
#include "dbf/table/work_areas.h"

namespace dbf {

namespace {

// How much of an index the check reads: the nodes of an index of some ten thousand keys, and
// the records of the keys it compares.
constexpr std::size_t kNodesRead = 2048;
constexpr int kKeysCompared = 64;
constexpr int kMaxDepth = 24;

// Keys that the rules of earlier builds or other programs may have given other bytes: a byte
// outside ASCII, or a '?' that a conversion left where the page's character was.
bool Suspect(const std::uint8_t* key, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (key[i] >= 0x80 || key[i] == '?') return true;
    return false;
}

std::string Shown(const TWorkArea& a, const std::uint8_t* key, std::size_t n) {
    std::string s(reinterpret_cast<const char*>(key), n);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return os::ToUtf8(a.Page, s);
}

class KeyCheck {
public:
    KeyCheck(TWorkArea& a, TIndexControl& ctl) : a_(a), ctl_(ctl) {}

    // "" when every key compared is the record's own; else what differs.
    std::string Run(std::uint32_t root) {
        Walk(root, 0);
        return problem_;
    }

private:
    // False once the walk is to stop (a difference, the budget spent, a read that failed).
    bool Walk(std::uint32_t block, int depth) {
        if (depth > kMaxDepth || nodesLeft_ == 0 || block == 0 || !seen_.insert(block).second)
            return false;
        --nodesLeft_;
        TNdxNode node;
        if (!SeekAndRead(ctl_, block, node)) return false;
        const std::uint16_t es = ctl_.Anchor.EntrySize;
        const int count = node.Count();
        if (!node.IsLeaf()) {
            for (int i = 0; i <= count; ++i)
                if (!Walk(node.Child(i, es), depth + 1)) return false;
            return true;
        }
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* key = node.Key(i, es);
            if ((!first_ && !Suspect(key, ctl_.Anchor.KeyLength)) || comparesLeft_ == 0) continue;
            first_ = false;
            --comparesLeft_;
            if (!Compare(static_cast<std::int32_t>(node.RecNo(i, es)), key)) return false;
        }
        return comparesLeft_ > 0;
    }

    // The key the record gives now against the stored one; false when they differ.
    bool Compare(std::int32_t record, const std::uint8_t* stored) {
        std::vector<char> bytes;
        if (record < 1 || ReadStoredRecord(a_, record, bytes) != 0) return true;
        TranslateRecords(false, a_.ReadHook, a_.RecordLength, a_.RecordLength, bytes.data());
        const std::vector<char> savedBuffer = a_.RecordBuffer;
        const std::int32_t savedNo = a_.RecNo;
        a_.RecordBuffer = bytes;
        a_.RecNo = record;
        std::vector<std::uint8_t> built;
        const bool ok = BuildRecordKey(ctl_, built);
        a_.RecordBuffer = savedBuffer;
        a_.RecNo = savedNo;
        const std::size_t n = ctl_.Anchor.KeyLength;
        if (!ok || built.size() < n || std::memcmp(built.data(), stored, n) == 0) return true;
        problem_ = "record " + std::to_string(record) + " gives the key \"" +
                   Shown(a_, built.data(), n) + "\", the index holds \"" + Shown(a_, stored, n) +
                   "\"";
        return false;
    }

    TWorkArea& a_;
    TIndexControl& ctl_;
    std::size_t nodesLeft_ = kNodesRead;
    int comparesLeft_ = kKeysCompared;
    bool first_ = true;
    std::unordered_set<std::uint32_t> seen_;
    std::string problem_;
};

} // namespace

std::string StaleKeyProblem(TWorkArea& a, TIndexControl& ctl) {
    if (ctl.Expr == nullptr || !ctl.CharKey || a.RecordCount < 1 || a.IsVirtual) return {};
    // What the check cannot read (a damaged node) is for the walks to report.
    const std::uint16_t code = LastErrorCode;
    const std::string text = ErrorText;
    std::string problem;
    {
        ErrorReportingOff quiet;
        problem = KeyCheck(a, ctl).Run(ctl.Anchor.Root);
    }
    LastErrorCode = code;
    ErrorText = text;
    if (problem.empty()) return {};
    return "The index " + ctl.FileName + " does not hold the keys " + ctl.KeyExpr +
           " gives for the table " + a.ShortName + " (" + problem +
           "): it was built by another program or an earlier version, with other rules for " +
           "letter case or code pages, and would find wrong records. It must be rebuilt " +
           "(Reindex): INDEX ON " + ctl.KeyExpr + " TO " + ctl.FileName +
           " builds it anew from the table.";
}

} // namespace dbf
