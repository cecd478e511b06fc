// Walks over an index in both directions, the beginning and end states, key search from the
// root, node 0, and the node cache of the controlling order.

#include "ndx_testutil.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

using namespace ndxtest;

namespace {

struct Pair {
    std::string key; // stored key bytes
    std::int32_t rec;
};

std::string FromHex(const std::string& h) {
    std::string s;
    for (std::size_t i = 0; i + 1 < h.size(); i += 2)
        s += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return s;
}

class NdxNav : public NdxTest {
protected:
    // Expected (key, record) pairs of NAME in index order, from dbfread's rows.
    std::vector<Pair> ExpectedNames(const std::string& table) {
        int status = 0;
        const std::string out = dbftest::RunCommand(
            Script("ndx_reference.py") + " pairs '" + Path(table) + "' NAME char", status);
        EXPECT_EQ(status, 0);
        std::vector<Pair> v;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            const auto tab = line.find('\t');
            std::string key = FromHex(line.substr(0, tab));
            key.resize(10, ' ');
            v.push_back({key, std::stoi(line.substr(tab + 1))});
        }
        return v;
    }
};

TEST_F(NdxNav, WalksFollowTheReferenceOrder) {
    MakeRandomTable("t.dbf", 3000, 11, 10);
    ASSERT_TRUE(dbf::Index_On("NAME", "t")) << dbf::ErrorText;
    const std::vector<Pair> want = ExpectedNames("t.dbf");
    ASSERT_EQ(want.size(), 3000u);
    EXPECT_EQ(Check(Path("t.NDX"), "--records 3000 --record-order"), "ok");

    std::vector<std::int32_t> forward, backward;
    for (dbf::GoTop(); !dbf::dEOF(); dbf::Skip())
        forward.push_back(dbf::RecNo());
    for (dbf::GoBottom(); !dbf::dBOF(); dbf::Skip(-1))
        backward.push_back(dbf::RecNo());
    std::reverse(backward.begin(), backward.end());
    ASSERT_EQ(forward.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        ASSERT_EQ(forward[i], want[i].rec) << i;
    EXPECT_EQ(backward, forward);

    // Past the end and back; before the beginning and on.
    dbf::GoBottom();
    dbf::Skip();
    EXPECT_TRUE(dbf::dEOF());
    dbf::Skip(-1);
    EXPECT_FALSE(dbf::dEOF());
    EXPECT_EQ(dbf::RecNo(), want.back().rec);
    dbf::GoTop();
    dbf::Skip(-1);
    EXPECT_TRUE(dbf::dBOF());
    EXPECT_EQ(dbf::RecNo(), want.front().rec);
    dbf::Skip(2);
    EXPECT_EQ(dbf::RecNo(), want[2].rec);
}

TEST_F(NdxNav, FirstLastAndTheirEdges) {
    MakeRandomTable("e.dbf", 700, 3, 10);
    ASSERT_TRUE(dbf::Index_On("NAME", "e")) << dbf::ErrorText;
    const std::vector<Pair> want = ExpectedNames("e.dbf");
    dbf::TIndexControl& c = *dbf::IndexOrder(1);

    EXPECT_EQ(dbf::FindFirstRec(c), want.front().rec);
    EXPECT_EQ(std::string(c.CurrentKey.begin(), c.CurrentKey.begin() + 10), want.front().key);
    // Prior from the first key reports the beginning and keeps the entry.
    EXPECT_EQ(dbf::FindPriorRec(c), want.front().rec);
    EXPECT_TRUE(c.AtBeginning);
    EXPECT_EQ(c.CurrentRecNo(), want.front().rec);
    EXPECT_EQ(dbf::FindNextRec(c), want[1].rec);
    EXPECT_FALSE(c.AtBeginning);

    EXPECT_EQ(dbf::FindLastRec(c), want.back().rec);
    EXPECT_EQ(dbf::FindNextRec(c), want.back().rec);
    EXPECT_TRUE(c.AtEnd);
    EXPECT_EQ(c.CurrentRecNo(), want.back().rec);
    // From no position (past the end) prior goes to the last key.
    dbf::GetNode(c, dbf::kNoNode);
    EXPECT_EQ(dbf::FindPriorRec(c), want.back().rec);
    EXPECT_FALSE(c.AtEnd);
    EXPECT_EQ(dbf::FindPriorRec(c), want[want.size() - 2].rec);
}

TEST_F(NdxNav, SeekKeyFindsTheFirstKeyAtOrAbove) {
    MakeRandomTable("s.dbf", 5000, 5, 10);
    ASSERT_TRUE(dbf::Index_On("NAME", "s")) << dbf::ErrorText;
    const std::vector<Pair> want = ExpectedNames("s.dbf");
    dbf::TIndexControl& c = *dbf::IndexOrder(1);
    std::mt19937 rnd(1);
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ~";
    for (int i = 0; i < 3000; ++i) {
        std::string probe;
        if (i % 2 == 0) {
            probe = want[rnd() % want.size()].key;
        } else {
            const int n = static_cast<int>(rnd() % 11);
            for (int j = 0; j < n; ++j)
                probe += letters[rnd() % letters.size()];
        }
        probe.resize(10, ' ');
        const auto it =
            std::lower_bound(want.begin(), want.end(), probe,
                             [](const Pair& p, const std::string& k) { return p.key < k; });
        const std::int32_t got =
            dbf::SeekKey(c, reinterpret_cast<const std::uint8_t*>(probe.data()));
        if (it == want.end()) {
            EXPECT_EQ(got, -1) << probe;
            EXPECT_TRUE(c.AtEnd);
        } else {
            ASSERT_EQ(got, it->rec) << "[" << probe << "]";
            // The walk goes on from the found entry.
            if (it + 1 != want.end()) {
                EXPECT_EQ(dbf::FindNextRec(c), (it + 1)->rec);
            }
        }
    }
}

TEST_F(NdxNav, NodeZeroIsRefused) {
    MakeRandomTable("z.dbf", 100, 2);
    ASSERT_TRUE(dbf::Index_On("NAME", "z")) << dbf::ErrorText;
    dbf::TIndexControl& c = *dbf::IndexOrder(1);
    dbf::FindFirstRec(c);
    const dbf::TNdxNode* node = c.CurrentNode;
    const std::int32_t block = c.CurrentBlock;
    EXPECT_FALSE(dbf::GetNode(c, 0));
    EXPECT_EQ(dbf::LastErrorCode, dbf::kErrInternal);
    EXPECT_NE(dbf::ErrorText.find("Invalid Node Number (0) in DBF Area 1, Order 1"),
              std::string::npos)
        << dbf::ErrorText;
    EXPECT_EQ(c.CurrentNode, node);
    EXPECT_EQ(c.CurrentBlock, block);
}

TEST_F(NdxNav, CacheWritesAModifiedNodeBeforeReuse) {
    CreateTable("c.dbf", {Def("NAME", 'C', 10)});
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i)
        names.push_back("N" + std::to_string(1000 + i));
    AppendNames(names);
    ASSERT_TRUE(dbf::Index_On("NAME", "c")) << dbf::ErrorText;
    dbf::TIndexControl& c = *dbf::IndexOrder(1);
    dbf::TNodeCache& cache = dbf::AreaIndexes(1)->Cache;
    ASSERT_EQ(cache.Pairs.size(), 8u);
    c.Path.clear();
    cache.Invalidate();
    // Blocks 1..7, then block 8 takes the last pair.
    for (int b = 1; b <= 8; ++b)
        ASSERT_TRUE(dbf::GetNode(c, b));
    // Every pair has a buffer of its own.
    std::set<int> buffers;
    for (const auto& p : cache.Pairs)
        buffers.insert(p.Buffer);
    EXPECT_EQ(buffers.size(), 8u);
    EXPECT_EQ(*buffers.begin(), 0);
    // A hit moves one place to the front and reads nothing.
    ASSERT_TRUE(dbf::GetNode(c, 8));
    EXPECT_EQ(cache.Pairs[6].Block, 8u);
    ASSERT_EQ(cache.Pairs[7].Block, 7u);

    // Block 7, in the last pair, is changed in the cache only and then pushed out.
    dbf::TNdxNode* node = &cache.Buffers.at(cache.Pairs[7].Buffer);
    node->SetRecNo(0, 20, 4242);
    node->SetModified(true);
    EXPECT_EQ(U32(ReadBytes(Path("c.NDX")), 7 * 512 + 8), 7u * 25 - 24);
    ASSERT_TRUE(dbf::GetNode(c, 9));
    const auto bytes = ReadBytes(Path("c.NDX"));
    EXPECT_EQ(U32(bytes, 7 * 512 + 8), 4242u);
    EXPECT_EQ(bytes.at(7 * 512 + 2), 0);
    ASSERT_TRUE(dbf::GetNode(c, 7));
    EXPECT_EQ(c.CurrentNode->RecNo(0, 20), 4242u);
    EXPECT_FALSE(c.CurrentNode->Modified());
    // Many more requests never give one buffer to two pairs.
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(dbf::GetNode(c, 1 + (i * 7) % 13));
    buffers.clear();
    for (const auto& p : cache.Pairs)
        buffers.insert(p.Buffer);
    EXPECT_EQ(buffers.size(), 8u);
}

TEST_F(NdxNav, CheckerFindsDamage) {
    CreateTable("d.dbf", {Def("NAME", 'C', 10)});
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i)
        names.push_back("N" + std::to_string(1000 + i));
    AppendNames(names);
    ASSERT_TRUE(dbf::MakeIndex("d", "NAME", false, 1, false, false, {}));
    const auto good = ReadBytes(Path("d.NDX"));
    ASSERT_EQ(Check(Path("d.NDX"), "--records 100"), "ok");
    auto write = [&](std::vector<std::uint8_t> b) {
        std::ofstream(Path("d.NDX"), std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    };
    auto bad = good;
    std::swap(bad[512 + 4 + 8 + 4], bad[512 + 4 + 20 + 8 + 4]); // two keys of leaf 1
    write(bad);
    EXPECT_NE(Check(Path("d.NDX")), "ok");
    bad = good;
    bad[4] += 1; // next free beyond the file
    write(bad);
    EXPECT_NE(Check(Path("d.NDX")), "ok");
    bad = good;
    bad[18] = 24; // entry size against the formula
    write(bad);
    EXPECT_NE(Check(Path("d.NDX")), "ok");
    bad = good;
    const std::size_t root = U32(good, 0) * 512;
    bad[root + 4 + 8] = 'Z'; // a separator above its subtree's neighbours
    write(bad);
    EXPECT_NE(Check(Path("d.NDX")), "ok");
    write(good);
    EXPECT_EQ(Check(Path("d.NDX"), "--records 100"), "ok");
}

} // namespace

namespace {

// Damaged files (another program's crash, a bad disk) must give errors, never a read outside a
// node, a crash or an endless descent.
TEST_F(NdxNav, DamagedNodesAreRefusedSafely) {
    CreateTable("f.dbf", {Def("NAME", 'C', 10)});
    std::vector<std::string> names;
    for (int i = 0; i < 2000; ++i)
        names.push_back("F" + std::to_string(i * 7919 % 2000));
    AppendNames(names);
    ASSERT_TRUE(dbf::MakeIndex("f", "NAME", false, 1, false, false, {}));
    const auto good = ReadBytes(Path("f.NDX"));
    std::mt19937 rnd(99);
    int refused = 0, loops = 0, loopsRefused = 0;
    for (int round = 0; round < 150; ++round) {
        auto bad = good;
        for (int j = 0; j < 4; ++j) {
            const std::size_t at = 512 + rnd() % (bad.size() - 512);
            bad[at] = static_cast<std::uint8_t>(rnd());
        }
        const bool loop = round % 5 == 0;
        loops += loop;
        if (loop) { // a child pointing back at the root
            const std::size_t node = 512 * (1 + rnd() % (bad.size() / 512 - 1));
            const std::uint32_t root = U32(good, 0);
            std::memcpy(&bad[node + 4], &root, 4);
        }
        std::ofstream(Path("f.NDX"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bad.data()), std::streamsize(bad.size()));
        dbf::LastErrorCode = 0;
        if (!dbf::OpenIndexOrder(Path("f.NDX"), 1, {}, false, false, false)) {
            ++refused;
            loopsRefused += loop;
            continue;
        }
        dbf::TIndexControl& c = *dbf::IndexOrder(1);
        dbf::LastErrorCode = 0;
        dbf::FindFirstRec(c);
        for (int steps = 0; steps < 60000 && !c.AtEnd && dbf::LastErrorCode == 0; ++steps)
            dbf::FindNextRec(c);
        if (dbf::LastErrorCode != 0) {
            ++refused;
            loopsRefused += loop;
        }
        dbf::LastErrorCode = 0;
        const std::string probe = "F1234     ";
        dbf::SeekKey(c, reinterpret_cast<const std::uint8_t*>(probe.data()));
        dbf::LastErrorCode = 0;
        dbf::FindLastRec(c);
        dbf::LastErrorCode = 0;
        dbf::CloseIndexOrder(1);
    }
    // Every loop is noticed; damaged keys alone are not structural and may pass.
    EXPECT_EQ(loopsRefused, loops);
    EXPECT_GE(refused, loops);
}

} // namespace
