#include "NumberText.h"

#include <charconv>
#include <string>

namespace {

inline bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

}  // namespace

TNumberTextStatus ReadNumberText(QStringView s, char16_t decimalSep, char16_t thousandSep,
                                 double& value, bool trimBlanks) noexcept
{
    value = 0.0;
    qsizetype b = 0, e = s.size();
    if (trimBlanks) {
        while (b < e && (s[b] == u' ' || s[b] == u'\t'))
            ++b;
        while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
            --e;
    }
    if (b == e)
        return ntInvalid;
    if (thousandSep == decimalSep)
        thousandSep = 0;

    // Short texts (every realistic number) are converted from a stack buffer.
    constexpr qsizetype StackSize = 128;
    char stackBuf[StackSize];
    std::string heap;
    char* out = stackBuf;
    if (e - b >= StackSize) {
        try {
            heap.resize(static_cast<size_t>(e - b + 1));
        } catch (...) {
            return ntInvalid;
        }
        out = heap.data();
    }
    char* const begin = out;

    qsizetype k = b;
    bool negative = false;
    if (s[k] == u'+' || s[k] == u'-') {
        negative = s[k] == u'-';
        ++k;
    }
    // Integer part with optional grouping.
    int intDigits = 0, groupDigits = 0, groups = 0;
    bool firstNonZeroSeen = false;
    int significantIntDigits = 0;
    while (k < e) {
        const char16_t c = s[k].unicode();
        if (IsDigit(c)) {
            *out++ = char(c);
            ++intDigits;
            ++groupDigits;
            if (c != '0' || firstNonZeroSeen) {
                firstNonZeroSeen = true;
                ++significantIntDigits;
            }
            ++k;
        } else if (thousandSep != 0 && c == thousandSep) {
            // The group before the separator: 1..3 digits first, exactly 3 later.
            if (groupDigits == 0 || groupDigits > 3 || (groups > 0 && groupDigits != 3))
                return ntInvalid;
            ++groups;
            groupDigits = 0;
            ++k;
        } else {
            break;
        }
    }
    if (groups > 0 && groupDigits != 3)
        return ntInvalid;
    int fracDigits = 0;
    if (k < e && s[k].unicode() == decimalSep) {
        *out++ = '.';
        ++k;
        while (k < e && IsDigit(s[k].unicode())) {
            *out++ = char(s[k].unicode());
            ++fracDigits;
            ++k;
        }
    }
    if (intDigits + fracDigits == 0)
        return ntInvalid;
    long long exponent = 0;
    if (k < e && (s[k] == u'e' || s[k] == u'E')) {
        *out++ = 'e';
        ++k;
        bool expNegative = false;
        if (k < e && (s[k] == u'+' || s[k] == u'-')) {
            expNegative = s[k] == u'-';
            *out++ = char(s[k].unicode());
            ++k;
        }
        int expDigits = 0;
        while (k < e && IsDigit(s[k].unicode())) {
            if (exponent < 100000)
                exponent = exponent * 10 + (s[k].unicode() - '0');
            *out++ = char(s[k].unicode());
            ++expDigits;
            ++k;
        }
        if (expDigits == 0)
            return ntInvalid;
        if (expNegative)
            exponent = -exponent;
    }
    if (k != e)
        return ntInvalid;

    double v = 0.0;
    const auto res = std::from_chars(begin, out, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small in magnitude: decide which from the decimal
        // exponent of the leading digit.
        if (significantIntDigits + exponent > 0)
            return ntOverflow;
        v = 0.0;
    } else if (res.ec != std::errc() || res.ptr != out) {
        return ntInvalid;
    }
    value = negative ? -v : v;
    return ntOk;
}
