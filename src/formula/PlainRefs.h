// Reading the plainest references ("B12", "A1:C20") of formula texts in one
// pass, for the quick roads of the evaluator and of the dependency scan.
// Both general readers (ParseCellRef and the reference lexer) read such a
// text the same way; anything less plain is left to them.
#pragma once

#include <array>
#include <cstdint>

namespace plainrefs {

enum : uint8_t {
    kLetter = 1,
    kDigit = 2,
    kColon = 4,
    kSpecial = 8,  // '"', '!', '$', '_': texts, grid prefixes, absolute parts, names
};

inline constexpr std::array<uint8_t, 128> kClasses = [] {
    std::array<uint8_t, 128> t{};
    for (int c = 'A'; c <= 'Z'; ++c)
        t[size_t(c)] = kLetter;
    for (int c = 'a'; c <= 'z'; ++c)
        t[size_t(c)] = kLetter;
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] = kDigit;
    t[size_t(':')] = kColon;
    t[size_t('"')] = t[size_t('!')] = t[size_t('$')] = t[size_t('_')] = kSpecial;
    return t;
}();

inline uint8_t ClassOf(char16_t c) { return c < 128 ? kClasses[c] : 0; }

// "B12" from p (to at most end): one to four letters and one to nine digits,
// so both numbers stay far below where the general reader would saturate.
// Gives the 1-based column and row; returns the end of the reference, or
// nullptr when the text there is not of that form (what follows is not
// examined).
inline const char16_t* PlainCellRef(const char16_t* p, const char16_t* end, int64_t& col, int64_t& row)
{
    const char16_t* const start = p;
    int64_t c = 0;
    while (p < end && (ClassOf(*p) & kLetter)) {
        if (p - start == 4)
            return nullptr;
        c = c * 26 + ((*p & 0xDF) - 'A' + 1);
        ++p;
    }
    if (p == start)
        return nullptr;
    const char16_t* const digits = p;
    int64_t r = 0;
    while (p < end && char16_t(*p - u'0') <= 9) {
        if (p - digits == 9)
            return nullptr;
        r = r * 10 + (*p - u'0');
        ++p;
    }
    if (p == digits)
        return nullptr;
    col = c;
    row = r;
    return p;
}

}  // namespace plainrefs
