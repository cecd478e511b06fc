// NDX file format: key layouts, stored expression text, header block fields.

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "dbf/index/ndx.h"

namespace {

TEST(NdxFormat, KeyLayouts) {
    struct Case {
        char letter;
        int length, entry, perNode, keyType;
    } cases[] = {{'C', 10, 20, 25, 0},  {'C', 12, 20, 25, 0}, {'C', 13, 24, 21, 0},
                 {'C', 100, 108, 4, 0}, {'C', 1, 12, 42, 0},  {'N', 8, 16, 31, 1},
                 {'D', 3, 16, 31, 1},   {'F', 8, 16, 31, 1}};
    for (const Case& c : cases) {
        dbf::TNdxAnchor a;
        ASSERT_TRUE(dbf::ComputeKeyLayout(c.letter, c.length, a)) << c.length;
        EXPECT_EQ(a.EntrySize, c.entry) << c.letter << c.length;
        EXPECT_EQ(a.KeysPerNode, c.perNode) << c.letter << c.length;
        EXPECT_EQ(a.KeyType, c.keyType) << c.letter << c.length;
        EXPECT_EQ(a.KeyLength, c.letter == 'C' ? c.length : 8);
        // A full interior node and its right-most child field fit in the block.
        EXPECT_LE(4 + a.KeysPerNode * a.EntrySize + 4, 512);
    }
    dbf::TNdxAnchor a;
    EXPECT_FALSE(dbf::ComputeKeyLayout('C', 0, a));
    EXPECT_FALSE(dbf::ComputeKeyLayout('C', 101, a));
}

TEST(NdxFormat, ExpressionNormalisation) {
    EXPECT_EQ(dbf::NormalizeKeyExpr(" upper(name)\t+ dtos( datum ) "), "UPPER(NAME)+DTOS(DATUM)");
    EXPECT_EQ(dbf::NormalizeKeyExpr("name + 'a b\"c' + \"x 'y\""), "NAME+\"a b\"c\"+\"x 'y\"");
    EXPECT_EQ(dbf::NormalizeKeyExpr("äbc"), "äBC"); // only a..z change
    EXPECT_EQ(dbf::KeyMakerSentence(), "USERDEFINEDKEYMAKERWASUSEDTOBUILDTHISINDEX");
}

TEST(NdxFormat, HeaderBlock) {
    dbf::TNdxAnchor a;
    ASSERT_TRUE(dbf::ComputeKeyLayout('C', 10, a));
    a.Root = 0x01020304;
    a.NextFree = 0x01020305;
    a.Unique = 1;
    std::array<std::uint8_t, 512> h{};
    h.fill(0xEE);
    dbf::EncodeNdxHeader(a, std::string(120, 'X'), 7, "A_LONG_TABLE_NAME.DBF   ", h.data());
    EXPECT_EQ(h[0], 4);
    EXPECT_EQ(h[3], 1);
    EXPECT_EQ(h[4], 5);
    EXPECT_EQ(h[9], 'C');
    EXPECT_EQ(h[12], 10);
    EXPECT_EQ(h[14], 25);
    EXPECT_EQ(h[18], 20);
    EXPECT_EQ(h[23], 1);
    EXPECT_EQ(h[8] | h[10] | h[11] | h[20] | h[21] | h[22], 0);
    // Expression: the first 100 characters, zero after.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&h[24]), 100), std::string(100, 'X'));
    for (int i = 124; i < 488; ++i)
        ASSERT_EQ(h[i], 0) << i;
    std::int32_t count = 0;
    std::string name;
    dbf::DecodeHeaderTable(h.data(), count, name);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(name, "A_LONG_TABLE");
    for (int i = 508; i < 512; ++i)
        EXPECT_EQ(h[i], 0);

    // A second header with another count changes only the pair.
    std::array<std::uint8_t, 512> h2{};
    dbf::EncodeNdxHeader(a, std::string(120, 'X'), 9, "A_LONG_TABLE_NAME.DBF", h2.data());
    for (int i = 0; i < 512; ++i) {
        if (i < 488 || i >= 496) {
            EXPECT_EQ(h[i], h2[i]) << i;
        }
    }
    dbf::DecodeHeaderTable(h2.data(), count, name);
    EXPECT_EQ(count, 9);

    // Another program's bytes at 488: no count, no name.
    h2[488] ^= 1;
    dbf::DecodeHeaderTable(h2.data(), count, name);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(name, "");

    const dbf::TNdxAnchor back = dbf::TNdxAnchor::Decode(h.data());
    EXPECT_EQ(back.Root, a.Root);
    EXPECT_EQ(back.NextFree, a.NextFree);
    EXPECT_EQ(back.EntrySize, 20);
    EXPECT_EQ(back.KeysPerNode, 25);
    EXPECT_EQ(back.Unique, 1);
}

} // namespace
