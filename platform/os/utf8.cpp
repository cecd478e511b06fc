#include "platform/os/utf8.h"

#include <cctype>

namespace os {

namespace {
bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the sequence that starts with lead byte c, or 1 for a byte that cannot lead.
std::size_t SequenceLength(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

// Byte length of the well-formed character at pos, or 1 when it is malformed.
std::size_t CharBytes(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    const std::size_t n = SequenceLength(lead);
    if (n == 1 || pos + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if (!IsContinuation(static_cast<unsigned char>(s[pos + k]))) return 1;
    return n;
}
} // namespace

std::size_t Utf8Length(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < s.size(); pos += CharBytes(s, pos))
        ++count;
    return count;
}

std::size_t Utf8Offset(std::string_view s, std::size_t n) {
    // Plain ASCII, the usual text, has a byte a character.
    const std::size_t head = n < s.size() ? n : s.size();
    unsigned char bits = 0;
    for (std::size_t k = 0; k < head; ++k)
        bits |= static_cast<unsigned char>(s[k]);
    if (bits < 0x80) return head;
    std::size_t pos = 0;
    while (n > 0 && pos < s.size()) {
        pos += CharBytes(s, pos);
        --n;
    }
    return pos;
}

std::string Utf8Left(std::string_view s, std::size_t n) {
    return std::string(s.substr(0, Utf8Offset(s, n)));
}

std::string Utf8LeftBytes(std::string_view s, std::size_t n) {
    if (n >= s.size()) return std::string(s);
    // Back over continuation bytes to the start of the character that would be cut.
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    return std::string(s.substr(0, n));
}

std::string Utf8Mid(std::string_view s, std::size_t first, std::size_t count) {
    const std::size_t from = Utf8Offset(s, first);
    const std::string_view rest = s.substr(from);
    return std::string(rest.substr(0, Utf8Offset(rest, count)));
}

void Utf8Append(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t Utf8Next(std::string_view s, std::size_t& pos) {
    const std::size_t n = CharBytes(s, pos);
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (n == 1) {
        ++pos;
        return lead < 0x80 ? char32_t(lead) : char32_t(0xFFFD);
    }
    char32_t cp = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[pos + k]) & 0x3F);
    pos += n;
    // Overlong forms and surrogates are malformed.
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
    return cp;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace os
