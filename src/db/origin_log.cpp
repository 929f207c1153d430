#include "db/origin_log.h"

#include <algorithm>
#include <array>
#include <bit>

namespace pelvaro::db::originlog {

void Writer::number(std::uint64_t v) {
    while (v >= 0x80) {
        byte(static_cast<Byte>(v | 0x80));
        v >>= 7;
    }
    byte(static_cast<Byte>(v));
}

void Writer::fixed64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        byte(static_cast<Byte>(v >> (8 * i)));
}

void Writer::text(std::string_view t) {
    number(t.size());
    out_.insert(out_.end(), t.begin(), t.end());
}

void Writer::name(ConstBytes field) {
    std::size_t n = field.size();
    const Byte pad = field.empty() ? 0 : field.back();
    while (n > 0 && field[n - 1] == pad)
        --n;
    if (pad == ' ') {
        byte(static_cast<Byte>(n));
    } else if (pad == 0) {
        byte(static_cast<Byte>(kPaddedWithZeros | n));
    } else {
        byte(static_cast<Byte>(kPaddedWithByte | n));
        byte(pad);
    }
    raw(field.first(n));
}

Byte Reader::byte() {
    if (at_ >= in_.size()) throw Damaged("it ends in the middle of a record");
    return in_[at_++];
}

std::uint64_t Reader::number() {
    std::uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const Byte b = byte();
        v |= static_cast<std::uint64_t>(b & 0x7f) << shift;
        if ((b & 0x80) == 0) return v;
    }
    throw Damaged("a number is too long");
}

std::uint16_t Reader::fixed16() {
    const auto low = byte();
    return static_cast<std::uint16_t>(low | (byte() << 8));
}

std::uint64_t Reader::fixed64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= static_cast<std::uint64_t>(byte()) << (8 * i);
    return v;
}

ConstBytes Reader::raw(std::size_t n) {
    if (n > in_.size() - at_) throw Damaged("it ends in the middle of a record");
    const ConstBytes part = in_.subspan(at_, n);
    at_ += n;
    return part;
}

std::string Reader::text() {
    const ConstBytes t = raw(number());
    return std::string(t.begin(), t.end());
}

void Reader::name(Bytes field) {
    const Byte head = byte();
    const std::size_t n = head & 0x0f;
    const Byte padding = head & 0xf0;
    if (padding > kPaddedWithByte) throw Damaged("a name is out of range");
    const Byte pad = padding == 0 ? ' ' : padding == kPaddedWithZeros ? 0 : byte();
    if (n > field.size()) throw Damaged("a name is too long");
    const ConstBytes kept = raw(n);
    std::ranges::copy(kept, field.begin());
    std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), pad);
}

// Tokens: an even number 2n is n bytes as they stand, an odd one 2n+1 a byte repeated n times.
std::vector<Byte> packRuns(ConstBytes bytes) {
    std::vector<Byte> packed;
    Writer w(packed);
    std::size_t literal = 0;  // where the bytes as they stand begin
    std::size_t i = 0;
    const auto flushLiteral = [&](std::size_t end) {
        if (end == literal) return;
        w.number((end - literal) * 2);
        w.raw(bytes.subspan(literal, end - literal));
    };
    while (i < bytes.size()) {
        std::size_t run = 1;
        while (i + run < bytes.size() && bytes[i + run] == bytes[i])
            ++run;
        if (run >= 4) {
            flushLiteral(i);
            w.number(run * 2 + 1);
            w.byte(bytes[i]);
            literal = i + run;
        }
        i += run;
    }
    flushLiteral(bytes.size());
    return packed;
}

void unpackRuns(ConstBytes packed, Bytes out) {
    Reader r(packed);
    std::size_t at = 0;
    while (!r.atEnd()) {
        const std::uint64_t token = r.number();
        const std::uint64_t n = token / 2;
        if (n > out.size() - at) throw Damaged("an image is longer than a PCG file");
        if (token % 2 == 0) {
            std::ranges::copy(r.raw(n), out.begin() + static_cast<std::ptrdiff_t>(at));
        } else {
            const Byte b = r.byte();
            std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(at), n, b);
        }
        at += n;
    }
    if (at != out.size()) throw Damaged("an image is shorter than a PCG file");
}

void writeDifferences(Writer& w, ConstBytes base, ConstBytes now) {
    struct Run {
        std::size_t from, to;
    };
    std::vector<Run> runs;
    for (std::size_t i = 0; i < now.size(); ++i) {
        if (base[i] == now[i]) continue;
        // Two differences a byte or two apart cost less as one run.
        if (!runs.empty() && i - runs.back().to <= 2)
            runs.back().to = i + 1;
        else
            runs.push_back({i, i + 1});
    }
    w.number(runs.size());
    std::size_t last = 0;
    for (const Run& run : runs) {
        w.number(run.from - last);
        w.number(run.to - run.from);
        w.raw(now.subspan(run.from, run.to - run.from));
        last = run.to;
    }
}

void applyDifferences(Reader& r, Bytes bytes) {
    const std::uint64_t runs = r.number();
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < runs; ++i) {
        const std::uint64_t gap = r.number();
        const std::uint64_t length = r.number();
        if (gap > bytes.size() - at || length > bytes.size() - at - gap)
            throw Damaged("a difference lies beyond its record");
        at += gap;
        std::ranges::copy(r.raw(length), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        at += length;
    }
}

namespace {
std::uint64_t loadLe64(const Byte* at) {
    std::uint64_t word = 0;
    for (int b = 7; b >= 0; --b)
        word = (word << 8) | at[b];
    return word;
}
}  // namespace

// Four lanes of eight bytes (little-endian, whatever the machine), each word mixed in by a
// multiply, so that the four run side by side; the rest a word at a time into the first.
std::uint64_t hash64(ConstBytes bytes) {
    constexpr std::uint64_t kMultiplier = 0x9FB21C651E98DF25ull;
    std::array<std::uint64_t, 4> lanes = {0x9E3779B97F4A7C15ull ^ bytes.size(),
                                          0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                          0x27D4EB2F165667C5ull};
    const auto mix = [&](std::uint64_t& h, std::uint64_t word) {
        h = (std::rotl(h, 23) ^ word) * kMultiplier;
    };
    const Byte* at = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 32; at += 32, left -= 32)
        for (std::size_t lane = 0; lane < 4; ++lane)
            mix(lanes[lane], loadLe64(at + 8 * lane));
    for (; left >= 8; at += 8, left -= 8)
        mix(lanes[0], loadLe64(at));
    if (left > 0) {
        std::uint64_t word = 0;
        for (std::size_t b = left; b > 0; --b)
            word = (word << 8) | at[b - 1];
        mix(lanes[0], word);
    }
    std::uint64_t h = lanes[0];
    for (std::size_t lane = 1; lane < 4; ++lane)
        mix(h, lanes[lane]);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

}  // namespace pelvaro::db::originlog
