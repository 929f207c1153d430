#pragma once
// How one fuzz input becomes the four member files of a database: three little-endian 32-bit
// lengths (the program, combination and drum-kit files, each cut to what is left), then those
// files' bytes one after the other, and the rest is the class file. An input too short for the
// lengths gives four empty files. The seed generator packs exported databases the same way.

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "db/entries.h"
#include "io/bytes.h"

namespace pelvaro::fuzzing {

inline constexpr std::size_t kLengthsSize = 12;

using MemberBytes = std::array<std::vector<Byte>, db::kKindCount>;

inline MemberBytes splitDatabaseInput(ConstBytes input) {
    MemberBytes members;
    if (input.size() < kLengthsSize) return members;
    std::size_t at = kLengthsSize;
    for (int i = 0; i < 3; ++i) {
        const auto wanted =
            static_cast<std::uint32_t>(le32(input, 4 * static_cast<std::size_t>(i)));
        const std::size_t n = std::min<std::size_t>(wanted, input.size() - at);
        members[i].assign(input.begin() + static_cast<std::ptrdiff_t>(at),
                          input.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    }
    members[3].assign(input.begin() + static_cast<std::ptrdiff_t>(at), input.end());
    return members;
}

inline std::vector<Byte> packDatabaseInput(const MemberBytes& members) {
    std::vector<Byte> input(kLengthsSize, 0);
    for (int i = 0; i < 3; ++i)
        setLe32(input, 4 * static_cast<std::size_t>(i),
                static_cast<std::int32_t>(members[i].size()));
    for (const auto& m : members)
        input.insert(input.end(), m.begin(), m.end());
    return input;
}

}  // namespace pelvaro::fuzzing
