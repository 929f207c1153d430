#pragma once
// The byte form of the origins member: the magic line, then one record per thing a command did,
// each a type byte, its length and its fields. Numbers are unsigned LEB128 (IDs that follow
// one another as differences, zigzag-coded), texts a length and their bytes.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "io/bytes.h"

namespace pelvaro::db::originlog {

// A name's padding, in the high bits of its first byte: none of them for spaces.
inline constexpr Byte kPaddedWithZeros = 0x10;
inline constexpr Byte kPaddedWithByte = 0x20;

enum class Type : Byte { Blob = 'B', Send = 'S', Marks = 'M', Renumber = 'R', Merge = 'J' };

// A record that ends before its fields do, or holds a value out of range.
struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Writer {
  public:
    explicit Writer(std::vector<Byte>& out) : out_(out) {}
    void byte(Byte b) { out_.push_back(b); }
    void number(std::uint64_t v);
    void signedNumber(std::int64_t v) {
        number((static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63));
    }
    void fixed16(std::uint16_t v) {
        byte(static_cast<Byte>(v));
        byte(static_cast<Byte>(v >> 8));
    }
    void fixed64(std::uint64_t v);
    void text(std::string_view t);
    void raw(ConstBytes b) { out_.insert(out_.end(), b.begin(), b.end()); }
    // A ten-byte name: how many bytes come before its padding (the low four bits of a byte
    // whose high ones say the padding: spaces, zeros or the byte that follows), those bytes.
    void name(ConstBytes field);

  private:
    std::vector<Byte>& out_;
};

class Reader {
  public:
    explicit Reader(ConstBytes in) : in_(in) {}
    bool atEnd() const { return at_ >= in_.size(); }
    std::size_t at() const { return at_; }
    Byte byte();
    std::uint64_t number();
    std::int64_t signedNumber() {
        const std::uint64_t v = number();
        return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
    }
    std::uint16_t fixed16();
    std::uint64_t fixed64();
    std::string text();
    ConstBytes raw(std::size_t n);
    void name(Bytes field);

  private:
    ConstBytes in_;
    std::size_t at_ = 0;
};

// Runs of equal bytes and runs of others: a PCG image with its sounds taken out is mostly runs.
std::vector<Byte> packRuns(ConstBytes bytes);
// Unpacks exactly out.size() bytes; anything else is Damaged.
void unpackRuns(ConstBytes packed, Bytes out);

// The differences of `now` from `base` (same length) as runs: the gap before a run, its length,
// its bytes; and the way back.
void writeDifferences(Writer& w, ConstBytes base, ConstBytes now);
void applyDifferences(Reader& r, Bytes bytes);

std::uint64_t hash64(ConstBytes bytes);

}  // namespace pelvaro::db::originlog
