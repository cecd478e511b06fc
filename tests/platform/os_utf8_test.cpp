// UTF-8 capacities: lengths and cuts count characters and never split one.

#include <gtest/gtest.h>

#include <sstream>

#include "os_testutil.h"
#include "platform/os/utf8.h"

namespace {

// Valid texts of 1- to 4-byte characters: our counts and cuts equal Python's str slicing.
TEST(OsUtf8, LengthAndCutsEqualPythonSlicing) {
    const std::string script =
        "import sys\n"
        "texts = [\"\", \"abc\", \"M\\u00e4rz \\u00b0C\", \"\\u20ac\\u4e2d\\u6587x\", "
        "\"\\U0001F600a\\u00df\", \"Zahnrad \\u00d8 20\\u00b1\"]\n"
        "for t in texts:\n"
        "    b = t.encode()\n"
        "    print(b.hex() or \"-\", len(t), \" \".join((t[:n].encode().hex() or \"-\") "
        "for n in range(len(t) + 2)), \" \".join((t[1:1 + n].encode().hex() or \"-\") "
        "for n in range(3)))\n";
    std::istringstream in(ostest::RunPython(script));
    auto unhex = [](const std::string& h) {
        std::string out;
        if (h == "-") return out;
        for (std::size_t i = 0; i + 1 < h.size(); i += 2)
            out += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
        return out;
    };
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        std::istringstream row(line);
        std::string hex;
        std::size_t len = 0;
        row >> hex >> len;
        const std::string text = unhex(hex);
        EXPECT_EQ(os::Utf8Length(text), len) << hex;
        for (std::size_t n = 0; n < len + 2; ++n) {
            std::string cut;
            row >> cut;
            EXPECT_EQ(os::Utf8Left(text, n), unhex(cut)) << hex << " n=" << n;
        }
        for (std::size_t n = 0; n < 3; ++n) {
            std::string mid;
            row >> mid;
            EXPECT_EQ(os::Utf8Mid(text, 1, n), unhex(mid)) << hex << " mid n=" << n;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 6);
}

TEST(OsUtf8, MalformedBytesCountOneEachAndDecodeAsReplacement) {
    const std::string bad = "a\xC3"
                            "b\x80\xE2\x82"; // cut sequences and a stray continuation
    EXPECT_EQ(os::Utf8Length(bad), 6u);
    EXPECT_EQ(os::Utf8Left(bad, 2), "a\xC3");
    std::size_t pos = 0;
    EXPECT_EQ(os::Utf8Next(bad, pos), U'a');
    EXPECT_EQ(os::Utf8Next(bad, pos), char32_t(0xFFFD));
    EXPECT_EQ(pos, 2u);
    // Overlong forms and encoded surrogates are malformed.
    pos = 0;
    EXPECT_EQ(os::Utf8Next("\xC0\xAF", pos), char32_t(0xFFFD));
    pos = 0;
    EXPECT_EQ(os::Utf8Next("\xED\xA0\x80", pos), char32_t(0xFFFD));
    pos = 0;
    EXPECT_EQ(os::Utf8Next("\xF0\x9F\x98\x80", pos), char32_t(0x1F600));
    EXPECT_EQ(pos, 4u);
}

TEST(OsUtf8, AppendEncodesAndReplacesInvalidCodePoints) {
    std::string s;
    os::Utf8Append(s, U'A');
    os::Utf8Append(s, 0xE4);
    os::Utf8Append(s, 0x20AC);
    os::Utf8Append(s, 0x1F600);
    EXPECT_EQ(s, "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
    s.clear();
    os::Utf8Append(s, 0xD800);
    os::Utf8Append(s, 0x110000);
    EXPECT_EQ(s, "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace

TEST(OsUtf8, SameTextNoCaseFoldsOnlySingleByteLetters) {
    EXPECT_TRUE(os::SameTextNoCase("&Ok", "&OK"));
    EXPECT_TRUE(os::SameTextNoCase("", ""));
    EXPECT_TRUE(os::SameTextNoCase("Button1", "bUTTON1"));
    EXPECT_FALSE(os::SameTextNoCase("abc", "abd"));
    EXPECT_FALSE(os::SameTextNoCase("ab", "abc"));
    EXPECT_FALSE(os::SameTextNoCase("[", "{")); // 0x5B and 0x7B differ by the case bit only
    // Multi-byte characters must match as they stand.
    EXPECT_TRUE(os::SameTextNoCase("M\u00FCller", "m\u00FCLLER"));
    EXPECT_FALSE(os::SameTextNoCase("\u00C4", "\u00E4"));
}
