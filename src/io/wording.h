#pragma once
// The few rules of the program's English that every account of counts shares: "1,234 programs",
// "a, b and c".

#include <cstdint>
#include <string>
#include <vector>

namespace pelvaro {

// "1,234,567".
inline std::string grouped(std::int64_t n) {
    const std::string digits = std::to_string(n < 0 ? -n : n);
    std::string text = n < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
        text += digits[i];
    }
    return text;
}

// "1 program", "1,234 programs".
inline std::string countOf(std::int64_t n, const char* singular, const char* plural) {
    return grouped(n) + " " + (n == 1 ? singular : plural);
}

// "Programs" for "programs": the first letter in capitals (a-z only).
inline std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// "a", "a and b", "a, b and c".
inline std::string listed(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
        text += parts[i];
    }
    return text;
}

}  // namespace pelvaro
