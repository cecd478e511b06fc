// Code-page tables against Python's codecs, and the conversions built on them.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "os_testutil.h"
#include "platform/os/codepage.h"
#include "platform/os/utf8.h"

namespace {

using os::CodePage;

// Python's codec of each page, in the order of os::CodePage.
const char* Name(CodePage cp) {
    static const char* const names[] = {
        "cp437",  "cp1252", "cp737",  "cp850",  "cp852",     "cp857",     "cp860",
        "cp861",  "cp863",  "cp865",  "cp866",  "cp874",     "cp1250",    "cp1251",
        "cp1253", "cp1254", "cp1255", "cp1256", "cp1257",    "mac_roman", "mac_greek",
        "mac_cyrillic", "mac_latin2"};
    static_assert(std::size(names) == os::kCodePageCount);
    return names[static_cast<int>(cp)];
}

// A byte the page leaves open keeps a code point of its own.
char32_t OpenByte(int b) {
    return b < 0xA0 ? char32_t(b) : char32_t(0xF700 + b);
}

// Python's decoding of every byte: code point, or -1 where the codec has no character.
std::vector<long> PythonDecodeTable(CodePage cp) {
    const std::string script = std::string("import codecs\n") + "for b in range(256):\n" +
                               "    try: print(ord(bytes([b]).decode(\"" + Name(cp) + "\")))\n" +
                               "    except UnicodeDecodeError: print(-1)\n";
    std::istringstream in(ostest::RunPython(script));
    std::vector<long> table;
    long v;
    while (in >> v)
        table.push_back(v);
    return table;
}

// Python's encoding of every code point below 0x3000 (no surrogates): "u byte" for each one
// the page holds.
std::map<long, int> PythonEncodeTable(CodePage cp) {
    const std::string script = std::string("for u in range(0x3000):\n") +
                               "    try: print(u, chr(u).encode(\"" + Name(cp) + "\")[0])\n" +
                               "    except UnicodeEncodeError: pass\n";
    std::istringstream in(ostest::RunPython(script));
    std::map<long, int> table;
    long u;
    int b;
    while (in >> u >> b)
        table[u] = b;
    return table;
}

class CodePageTables : public ::testing::TestWithParam<CodePage> {};

TEST_P(CodePageTables, DecodingEqualsPythonForAll256Bytes) {
    const CodePage cp = GetParam();
    const auto ref = PythonDecodeTable(cp);
    ASSERT_EQ(ref.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const char32_t ours = os::ByteToUnicode(cp, static_cast<unsigned char>(b));
        EXPECT_EQ(ours, ref[b] < 0 ? OpenByte(b) : char32_t(ref[b])) << Name(cp) << " byte " << b;
    }
}

TEST_P(CodePageTables, EncodingEqualsPython) {
    const CodePage cp = GetParam();
    const auto ref = PythonEncodeTable(cp);
    ASSERT_GE(ref.size(), 220u);
    for (char32_t u = 0; u < 0x3000; ++u) {
        if (u >= 0xD800 && u <= 0xDFFF) continue;
        const auto ours = os::UnicodeToByte(cp, u);
        const auto it = ref.find(static_cast<long>(u));
        if (it != ref.end()) {
            ASSERT_TRUE(ours.has_value()) << Name(cp) << " U+" << std::hex << long(u);
            EXPECT_EQ(int(*ours), it->second) << Name(cp) << " U+" << std::hex << long(u);
        } else if (ours.has_value()) {
            // Only the page's open bytes map beyond what Python knows.
            EXPECT_EQ(OpenByte(*ours), u) << Name(cp) << " U+" << std::hex << long(u);
        }
    }
    EXPECT_FALSE(os::UnicodeToByte(cp, 0x1F600).has_value());
}

TEST_P(CodePageTables, Utf8RoundTripOfEveryCharacterOfThePage) {
    const CodePage cp = GetParam();
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = os::ToUtf8(cp, all);
    EXPECT_EQ(os::Utf8Length(utf8), all.size());
    EXPECT_EQ(os::FromUtf8(cp, utf8), all);
    for (int b = 0; b < 256; ++b) {
        std::string one;
        os::Utf8Append(one, os::ByteToUnicode(cp, static_cast<unsigned char>(b)));
        const std::string back = os::FromUtf8(cp, one);
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(static_cast<unsigned char>(back[0]), b);
        EXPECT_EQ(os::ToUtf8(cp, back), one);
    }
}

// The case rules of every page equal Unicode's simple case mapping restricted to the page, as
// Python's str.upper and str.lower give it (a partner of more than one character counts as none).
TEST_P(CodePageTables, CaseRulesEqualPythonWithinThePage) {
    const CodePage cp = GetParam();
    const std::string script = std::string("e = \"") + Name(cp) + "\"\n" +
                               "def m(c, f):\n"
                               "    r = f(c)\n"
                               "    if len(r) != 1: return ord(c.encode(e))\n"
                               "    try: return r.encode(e)[0]\n"
                               "    except UnicodeEncodeError: return ord(c.encode(e))\n"
                               "for b in range(256):\n"
                               "    try: c = bytes([b]).decode(e)\n"
                               "    except UnicodeDecodeError: print(b, b, b, 0, 0, 0); continue\n"
                               "    print(b, m(c, str.upper), m(c, str.lower), int(c.isalpha()),\n"
                               "          int(c.isupper()), int(c.islower()))\n";
    std::istringstream in(ostest::RunPython(script));
    int rows = 0;
    int b, up, low, alpha, isUp, isLow;
    while (in >> b >> up >> low >> alpha >> isUp >> isLow) {
        const auto c = static_cast<unsigned char>(b);
        EXPECT_EQ(os::UpperByte(cp, c), up) << Name(cp) << " byte " << b;
        EXPECT_EQ(os::LowerByte(cp, c), low) << Name(cp) << " byte " << b;
        EXPECT_EQ(os::IsLetterByte(cp, c), alpha != 0) << Name(cp) << " byte " << b;
        if (cp == CodePage::Cp1252) { // the shorthands of the Windows page
            EXPECT_EQ(os::AnsiUpper(c), up) << "byte " << b;
            EXPECT_EQ(os::AnsiLower(c), low) << "byte " << b;
            EXPECT_EQ(os::AnsiIsAlpha(c), alpha != 0) << "byte " << b;
            EXPECT_EQ(os::AnsiIsUpper(c), isUp != 0) << "byte " << b;
            EXPECT_EQ(os::AnsiIsLower(c), isLow != 0) << "byte " << b;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 256);
    EXPECT_EQ(os::CodePageOfNumber(os::CodePageNumber(cp)), cp);
}

std::vector<CodePage> EveryPage() {
    std::vector<CodePage> all;
    for (std::size_t i = 0; i < os::kCodePageCount; ++i)
        all.push_back(static_cast<CodePage>(i));
    return all;
}

INSTANTIATE_TEST_SUITE_P(EveryPage, CodePageTables, ::testing::ValuesIn(EveryPage()));

TEST(CodePage, UnmappedCharactersBecomeQuestionMarks) {
    // Euro sign and CJK are not in DOS 437; the box corner and alpha are not in 1252.
    EXPECT_EQ(os::Utf8ToCp437("\xE2\x82\xAC=\xE4\xB8\xAD!"), "?=?!");
    EXPECT_EQ(os::Utf8ToCp1252("\xE2\x94\x8C\xCE\xB1x"), "??x");
    // Malformed UTF-8: one '?' per bad byte, nothing dropped, nothing overrun.
    EXPECT_EQ(os::Utf8ToCp1252("a\xFF"
                               "b\xC3"),
              "a?b?");
    // German umlauts and the degree sign exist in both.
    EXPECT_EQ(os::Utf8ToCp437("\xC3\xA4\xC3\x9F\xC2\xB0"), "\x84\xE1\xF8");
    EXPECT_EQ(os::Utf8ToCp1252("\xC3\xA4\xC3\x9F\xC2\xB0"), "\xE4\xDF\xB0");
    EXPECT_EQ(os::Cp437ToUtf8("\x9B\xE6"), "\xC2\xA2\xC2\xB5");
}

// The byte-to-byte conversions equal Python's decode in one page and encode in the other,
// with '?' for what the target page lacks.
TEST(CodePage, OemAnsiBufferConversionsEqualPython) {
    const std::string script =
        "def x(b, f, t):\n"
        "    try: c = bytes([b]).decode(f)\n"
        "    except UnicodeDecodeError: c = chr(b)\n"
        "    try: return c.encode(t)[0]\n"
        "    except UnicodeEncodeError: return 63\n"
        "print(\" \".join(str(x(b, \"cp437\", \"cp1252\")) for b in range(256)))\n"
        "print(\" \".join(str(x(b, \"cp1252\", \"cp437\")) for b in range(256)))\n";
    std::istringstream in(ostest::RunPython(script));
    std::vector<int> toAnsi(256), toOem(256);
    for (int& v : toAnsi)
        in >> v;
    for (int& v : toOem)
        in >> v;
    ASSERT_TRUE(in);

    std::string buf(256, '\0');
    for (int b = 0; b < 256; ++b)
        buf[b] = static_cast<char>(b);
    std::string ansi = buf;
    os::OemToAnsiBuff(ansi.data(), ansi.size());
    std::string oem = buf;
    os::AnsiToOemBuff(oem.data(), oem.size());
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(static_cast<unsigned char>(ansi[b]), toAnsi[b]) << "OEM byte " << b;
        EXPECT_EQ(static_cast<unsigned char>(oem[b]), toOem[b]) << "ANSI byte " << b;
        EXPECT_EQ(os::OemToAnsiChar(static_cast<unsigned char>(b)), toAnsi[b]);
        EXPECT_EQ(os::AnsiToOemChar(static_cast<unsigned char>(b)), toOem[b]);
    }
    EXPECT_EQ(os::OemToAnsi(buf), ansi);
    EXPECT_EQ(os::AnsiToOem(buf), oem);
    EXPECT_EQ(os::ConvertPage(CodePage::Cp437, CodePage::Cp1252, buf), ansi);
    // A DBF record buffer with a NUL inside keeps its length and the bytes after the NUL.
    std::string record("\x81\0\x94x", 4);
    os::OemToAnsiBuff(record.data(), record.size());
    EXPECT_EQ(record, std::string("\xFC\0\xF6x", 4));
}

TEST(CodePage, AnsiStringCaseHelpers) {
    EXPECT_EQ(os::AnsiUpperStr("m\xE4rz stra\xDF"
                               "e \xFF\x9A"),
              "M\xC4RZ STRA\xDF"
              "E \x9F\x8A");
    EXPECT_EQ(os::AnsiLowerStr("\xC4\xD6\xDC\x8C"), "\xE4\xF6\xFC\x9C");
    std::string buf = "abc\xE9";
    os::AnsiUpperBuff(buf.data(), 2);
    EXPECT_EQ(buf, "ABc\xE9");
    EXPECT_EQ(os::AnsiCompareNoCase("\xC4pfel", "\xE4PFEL"), 0);
    EXPECT_LT(os::AnsiCompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(os::AnsiCompareNoCase("abcd", "ABC"), 0);
    EXPECT_LT(os::AnsiCompareNoCase("", "a"), 0);
}

} // namespace
