// Index engine (unit `vovor`): NDX file format, anchor, key layout, expression normalisation,
// header block, node fields.

#include <cstring>

#include "dbf/index/ndx.h"

namespace dbf {

namespace {

std::uint32_t Get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

void TNdxAnchor::Encode(std::uint8_t* out) const {
    std::memset(out, 0, 24);
    Put32(out, Root);
    Put32(out + 4, NextFree);
    out[9] = static_cast<std::uint8_t>(KeyTypeLetter);
    Put16(out + 12, KeyLength);
    Put16(out + 14, KeysPerNode);
    Put16(out + 16, KeyType);
    Put16(out + 18, EntrySize);
    out[23] = Unique;
}

TNdxAnchor TNdxAnchor::Decode(const std::uint8_t* in) {
    TNdxAnchor a;
    a.Root = Get32(in);
    a.NextFree = Get32(in + 4);
    a.KeyTypeLetter = static_cast<char>(in[9]);
    a.KeyLength = Get16(in + 12);
    a.KeysPerNode = Get16(in + 14);
    a.KeyType = Get16(in + 16);
    a.EntrySize = Get16(in + 18);
    a.Unique = in[23];
    return a;
}

bool ComputeKeyLayout(char keyTypeLetter, int keyLength, TNdxAnchor& anchor) {
    if (keyTypeLetter != 'C') keyLength = 8;
    if (keyLength < 1 || keyLength > kNdxMaxKeyLength) return false;
    const int pad = (4 - keyLength % 4) % 4;
    anchor.KeyTypeLetter = keyTypeLetter;
    anchor.KeyLength = static_cast<std::uint16_t>(keyLength);
    anchor.EntrySize = static_cast<std::uint16_t>(keyLength + 8 + pad);
    anchor.KeysPerNode = static_cast<std::uint16_t>(504 / anchor.EntrySize);
    anchor.KeyType = keyTypeLetter == 'C' ? 0 : 1;
    return true;
}

std::string NormalizeKeyExpr(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = text.find(c, i + 1);
            out += '"';
            if (close == std::string_view::npos) {
                // An open string runs to the end; the compiler reports it.
                out.append(text.substr(i + 1));
                break;
            }
            out.append(text.substr(i + 1, close - i - 1));
            out += '"';
            i = close + 1;
            continue;
        }
        if (c != ' ' && c != '\t') out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        ++i;
    }
    return out;
}

const std::string& KeyMakerSentence() {
    static const std::string s =
        NormalizeKeyExpr("User defined KeyMaker was used to build this index");
    return s;
}

void EncodeNdxHeader(const TNdxAnchor& anchor, std::string_view expression,
                     std::int32_t recordCount, std::string_view tableName, std::uint8_t* out) {
    std::memset(out, 0, kNdxBlockSize);
    anchor.Encode(out);
    const std::size_t n = std::min<std::size_t>(expression.size(), 100);
    std::memcpy(out + 24, expression.data(), n);
    Put32(out + 488, ~static_cast<std::uint32_t>(recordCount));
    Put32(out + 492, static_cast<std::uint32_t>(recordCount));
    std::size_t t = tableName.size();
    while (t > 0 && tableName[t - 1] == ' ')
        --t;
    t = std::min<std::size_t>(t, 12);
    std::memcpy(out + 496, tableName.data(), t);
}

void DecodeHeaderTable(const std::uint8_t* header, std::int32_t& recordCount,
                       std::string& tableName) {
    const std::uint32_t check = Get32(header + 488);
    const std::uint32_t count = Get32(header + 492);
    tableName.clear();
    if (check != ~count) {
        recordCount = -1;
        return;
    }
    recordCount = static_cast<std::int32_t>(count);
    for (int i = 496; i < 509 && header[i] != 0; ++i)
        tableName += static_cast<char>(header[i]);
}

std::int16_t TNdxNode::Count() const {
    return static_cast<std::int16_t>(Get16(Bytes.data()));
}
void TNdxNode::SetCount(std::int16_t n) {
    Put16(Bytes.data(), static_cast<std::uint16_t>(n));
}
std::uint32_t TNdxNode::Child(int i, std::uint16_t entrySize) const {
    return Get32(Entry(i, entrySize));
}
void TNdxNode::SetChild(int i, std::uint16_t entrySize, std::uint32_t block) {
    Put32(Entry(i, entrySize), block);
}
std::uint32_t TNdxNode::RecNo(int i, std::uint16_t entrySize) const {
    return Get32(Entry(i, entrySize) + 4);
}
void TNdxNode::SetRecNo(int i, std::uint16_t entrySize, std::uint32_t rec) {
    Put32(Entry(i, entrySize) + 4, rec);
}

} // namespace dbf
