// Random texts for the property tests, drawn from a seeded generator so that a failing
// round repeats.
#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace vorsa::testing {

/// The characters of codes 0 to `last`, in order.
inline std::string codesUpTo(int last) {
    std::string codes;
    for (int code = 0; code <= last; ++code) {
        codes.push_back(static_cast<char>(code));
    }
    return codes;
}

/// A text of `minLength` to `maxLength` characters, each drawn from `alphabet`.
inline std::string randomText(std::mt19937& random, std::size_t minLength, std::size_t maxLength,
                              const std::string& alphabet) {
    std::uniform_int_distribution<std::size_t> length(minLength, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text(length(random), '\0');
    for (char& c : text) {
        c = alphabet[pick(random)];
    }
    return text;
}

}  // namespace vorsa::testing
