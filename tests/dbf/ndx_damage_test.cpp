// Damaged index files: every header field is checked against the key type and the file size at
// open, and a thousand mutated headers and nodes are opened, walked and updated under the
// sanitizers without a report and without a hang.

#include <cstring>
#include <random>

#include "dbf/index/maintain.h"
#include "dbf/index/semaphore.h"
#include "ndx_testutil.h"

namespace {

using ndxtest::ReadBytes;

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& b) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class NdxDamage : public ndxtest::NdxTest {
protected:
    void SetUp() override {
        NdxTest::SetUp();
        dbf::ResetSemaphores();
        dbf::InstallIndexMaintenanceHooks();
        MakeRandomTable("t.dbf", 400, 11);
        for (const auto& [file, expr] : kIndexes) {
            ASSERT_TRUE(dbf::MakeIndex(Path(file), expr, false, 1, false, false, {}))
                << dbf::ErrorText;
            sound_.push_back(ReadBytes(Path(file)));
        }
        dbf::FreeWorkArea();
        table_ = ReadBytes(Path("t.dbf"));
    }
    void TearDown() override {
        dbf::Select(1);
        dbf::CloseIndexes();
        NdxTest::TearDown();
        dbf::ResetSemaphores();
    }

    // The table as it was built, open in area 1, and index `bytes` opened as order 1.
    bool OpenWith(const std::string& file, const std::vector<std::uint8_t>& bytes) {
        dbf::Select(1);
        dbf::CloseIndexes();
        dbf::FreeWorkArea();
        WriteBytes(Path("t.dbf"), table_);
        WriteBytes(Path(file), bytes);
        UseTable("t.dbf");
        dbf::LastErrorCode = 0;
        return dbf::SetIndexToOrder1(Path(file));
    }

    static constexpr std::pair<const char*, const char*> kIndexes[] = {
        {"name.ndx", "NAME"}, {"amt.ndx", "AMT"}, {"day.ndx", "DAY"}};
    std::vector<std::uint8_t> table_;
    std::vector<std::vector<std::uint8_t>> sound_; // the indexes as built, in kIndexes order
};

TEST_F(NdxDamage, HeaderFieldsAreCheckedAgainstTheKeyTypeAndTheFileSize) {
    struct Case {
        const char* file;
        std::size_t at;
        int size; // 1, 2 or 4 bytes
        std::uint32_t value;
    };
    const Case cases[] = {
        {"amt.ndx", 12, 2, 0xFFFF}, {"amt.ndx", 12, 2, 1},   {"amt.ndx", 12, 2, 101},
        {"day.ndx", 12, 2, 4},      {"name.ndx", 12, 2, 0},  {"name.ndx", 12, 2, 101},
        {"name.ndx", 12, 2, 13},    {"name.ndx", 14, 2, 26}, {"amt.ndx", 18, 2, 8},
        {"amt.ndx", 16, 2, 0},      {"name.ndx", 16, 2, 1},  {"name.ndx", 9, 1, 'X'},
        {"name.ndx", 23, 1, 2},     {"name.ndx", 0, 4, 0},   {"amt.ndx", 0, 4, 0x7FFFFFFF},
        {"day.ndx", 9, 1, 'C'},
    };
    for (const Case& c : cases) {
        const std::size_t which = std::string(c.file) == "name.ndx"  ? 0
                                  : std::string(c.file) == "amt.ndx" ? 1
                                                                     : 2;
        auto bytes = sound_[which];
        if (c.size == 1) bytes[c.at] = static_cast<std::uint8_t>(c.value);
        if (c.size == 2) Put16(bytes, c.at, static_cast<std::uint16_t>(c.value));
        if (c.size == 4) Put32(bytes, c.at, c.value);
        EXPECT_FALSE(OpenWith(c.file, bytes)) << c.file << " @" << c.at << " = " << c.value;
        EXPECT_EQ(dbf::LastErrorCode, dbf::kErrCorruptIndex) << c.file << " @" << c.at;
        EXPECT_EQ(dbf::IndexOrder(1), nullptr);
        // The table itself stays usable.
        dbf::GoTop();
        EXPECT_EQ(dbf::LastErrorCode, 0);
        EXPECT_EQ(dbf::RecNo(), 1);
    }
    // The sound files open.
    for (std::size_t i = 0; i < sound_.size(); ++i)
        EXPECT_TRUE(OpenWith(kIndexes[i].first, sound_[i])) << i << ": " << dbf::ErrorText;
}

// A node whose key count no node can hold, met on a walk through the order: the walk stops with
// the index's own error (254, the node and the file named), never with a record number the
// index did not mean (212). Every node in turn, walked from the top and from the bottom.
TEST_F(NdxDamage, AWalkStopsWithTheDamagedNodesOwnError) {
    const std::vector<std::uint8_t>& sound = sound_[0];
    int met = 0;
    for (std::uint32_t block = 1; block < sound.size() / 512; ++block) {
        auto bytes = sound;
        Put32(bytes, 512 * block, 0xFFFF);
        for (const int step : {1, -1}) {
            SCOPED_TRACE(std::to_string(block) + (step > 0 ? " forwards" : " backwards"));
            dbf::ErrorReportingOff quiet;
            if (OpenWith("name.ndx", bytes)) { // a node on the opening's path is refused there
                if (step > 0)
                    dbf::GoTop();
                else
                    dbf::GoBottom();
                for (int n = 0; n < 450 && dbf::LastErrorCode == 0; ++n)
                    dbf::Skip(step);
                if (dbf::LastErrorCode == 0) continue; // a node this walk never reads
            }
            ++met;
            EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal) << dbf::ErrorText;
            EXPECT_NE(dbf::ErrorText.find("Corrupted index node " + std::to_string(block) +
                                          " in "),
                      std::string::npos)
                << dbf::ErrorText;
            EXPECT_NE(dbf::ErrorText.find("name.ndx"), std::string::npos);
        }
    }
    EXPECT_GT(met, 10);
}

// Nodes that run in a circle (one subtree reached twice, a child that is its own ancestor): a
// walk or search stops at the node met again with "index damaged, rebuild it" (222), long before
// it could visit as many keys as the table has, and the table stays as it was.
TEST_F(NdxDamage, AWalkThatMeetsANodeTwiceStops) {
    const std::vector<std::uint8_t>& sound = sound_[0];
    const std::uint32_t root = ndxtest::U32(sound, 0);
    const auto child = [&](int i) { return 512 * root + 4 + i * ndxtest::U16(sound, 18); };
    // The root's child 1 is child 0 again, or its child 2 is the root itself; walks 1 forwards,
    // -1 backwards, 0 a search for the root's key of child 2, which leads into it.
    for (const auto& [at, walk] : {std::pair{1, 1}, {1, -1}, {2, 1}, {2, -1}, {2, 0}}) {
        const std::uint32_t to = at == 1 ? ndxtest::U32(sound, child(0)) : root;
        auto bytes = sound;
        Put32(bytes, child(at), to);
        dbf::ErrorReportingOff quiet;
        ASSERT_TRUE(OpenWith("name.ndx", bytes)) << dbf::ErrorText;
        int steps = 0;
        if (walk == 0)
            dbf::Find(std::string(bytes.begin() + child(at) + 8,
                                  bytes.begin() + child(at) + 8 + ndxtest::U16(sound, 12)));
        else
            walk > 0 ? dbf::GoTop() : dbf::GoBottom();
        while (walk != 0 && steps < 2000 && dbf::LastErrorCode == 0 && !dbf::dEOF() && !dbf::dBOF())
            dbf::Skip(walk), ++steps;
        EXPECT_EQ(dbf::LastErrorCode, dbf::kErrCorruptIndex) << at << " " << walk;
        EXPECT_NE(dbf::ErrorText.find("index damaged, rebuild it: " + Path("name.ndx")),
                  std::string::npos);
        EXPECT_LT(steps, 400);
        EXPECT_EQ(ReadBytes(Path("t.dbf")), table_);
    }
}

// Opened, walked both ways, searched, appended to and changed: a damaged file gives engine
// errors, never a sanitizer report or an endless walk.
TEST_F(NdxDamage, AThousandMutatedHeadersAndNodes) {
    std::mt19937 rnd(2026);
    int opened = 0, refused = 0;
    for (int round = 0; round < 1000; ++round) {
        const std::size_t which = round % 3;
        auto bytes = sound_[which];
        const int kind = round % 4;
        for (int j = 0, n = 1 + static_cast<int>(rnd() % 4); j < n; ++j) {
            std::size_t at;
            if (kind == 0) {
                at = rnd() % 24; // the anchor
            } else if (kind == 1) {
                at = 24 + rnd() % 488; // expression and the record-count words
            } else {
                at = 512 + rnd() % (bytes.size() - 512); // nodes
            }
            bytes[at] = static_cast<std::uint8_t>(kind == 3 ? (rnd() % 4) : rnd());
        }
        if (round % 7 == 0) // a child or count word of some node set to an edge value
            Put32(bytes, 512 * (1 + rnd() % (bytes.size() / 512 - 1)) + 4 * (rnd() % 3),
                  std::uint32_t(rnd() % 3 == 0 ? 0xFFFFFFFFu : rnd() % 64));
        const char* file = kIndexes[which].first;
        dbf::ErrorReportingOff quiet;
        if (!OpenWith(file, bytes)) {
            EXPECT_NE(dbf::LastErrorCode, 0);
            ++refused;
            continue;
        }
        ++opened;
        dbf::GoTop();
        for (int steps = 0; steps < 450 && !dbf::dEOF() && dbf::LastErrorCode == 0; ++steps)
            dbf::Skip(1);
        dbf::GoBottom();
        for (int steps = 0; steps < 5 && dbf::LastErrorCode == 0; ++steps)
            dbf::Skip(-1);
        dbf::LastErrorCode = 0;
        dbf::Find(which == 0 ? "A" : which == 1 ? "100.5" : "20000101");
        dbf::LastErrorCode = 0;
        if (round % 2 == 0) {
            dbf::ClearRecord();
            dbf::SetVarString(dbf::FieldAddress(1), "NEW" + std::to_string(round), 10);
            dbf::SetVarDouble(dbf::FieldAddress(2), round * 1.5);
            dbf::Append();
            dbf::LastErrorCode = 0;
            dbf::Go(1 + static_cast<int>(rnd() % 400));
            dbf::SetVarString(dbf::FieldAddress(1), "CHG" + std::to_string(round), 10);
            dbf::SetVarDouble(dbf::FieldAddress(2), -round * 2.5);
            dbf::Replace();
            dbf::LastErrorCode = 0;
        }
    }
    // Damaged keys and record numbers open and are only noticed on the way; the header checks
    // refuse most damaged anchors.
    EXPECT_GT(opened, 300);
    EXPECT_GT(refused, 150);
}

} // namespace
