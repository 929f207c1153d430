#pragma once
// Little-endian numbers and single-byte texts inside fixed-size records. Every record of the
// PCG image and of the database files is read and written through these helpers, never by
// copying bytes into a struct, so the byte order and the field bounds live in one place.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace pelvaro {

using Byte = std::uint8_t;
using Bytes = std::span<Byte>;
using ConstBytes = std::span<const Byte>;

inline std::uint16_t le16(ConstBytes b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline std::int32_t le32(ConstBytes b, std::size_t at) {
    const std::uint32_t v = std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
                            (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
    return static_cast<std::int32_t>(v);
}

inline void setLe16(Bytes b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<Byte>(v);
    b[at + 1] = static_cast<Byte>(v >> 8);
}

inline void setLe32(Bytes b, std::size_t at, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    b[at] = static_cast<Byte>(v);
    b[at + 1] = static_cast<Byte>(v >> 8);
    b[at + 2] = static_cast<Byte>(v >> 16);
    b[at + 3] = static_cast<Byte>(v >> 24);
}

// The text of a field: its bytes up to the first zero byte, or the whole field when it holds
// none (an instrument name fills its ten bytes without a terminator).
inline std::string fieldText(ConstBytes field) {
    const auto end = std::find(field.begin(), field.end(), Byte{0});
    return std::string(field.begin(), end);
}

// Stores a text into a field as the database keeps it: at most size - 1 characters, then one
// zero byte. The bytes after the zero byte keep what they held.
inline void putFieldText(Bytes field, std::string_view text) {
    const std::size_t n = std::min(text.size(), field.size() - 1);
    std::copy_n(text.begin(), n, field.begin());
    field[n] = 0;
}

// Single-byte text of the records (Latin-1: a name, an explanation, a class name) as UTF-8, the
// form of every text the program shows or writes beside the records.
inline std::string latin1ToUtf8(std::string_view text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

}  // namespace pelvaro
