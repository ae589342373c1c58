#include "NumberText.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace {

inline bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

constexpr double ExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common cell number ("101", "-2.5", "1.5E3") in one pass: no grouping,
// at most 19 significant digits making m <= 2^53, a decimal exponent within
// +-22.  m and 10^|e| are exact doubles, so one multiplication or division
// rounds correctly: the value from_chars gives.  False hands the text
// (valid or not) to the general reader.  s is already trimmed.
bool FastNumberText(QStringView s, char16_t decimalSep, double& value)
{
    const char16_t* p = s.utf16();
    const char16_t* const e = p + s.size();
    bool negative = false;
    if (*p == u'+' || *p == u'-') {
        negative = *p == u'-';
        ++p;
    }
    uint64_t m = 0;
    int sigDigits = 0;
    int fracDigits = 0;
    bool anyDigit = false;
    for (; p < e && IsDigit(*p); ++p) {
        anyDigit = true;
        if (m != 0 || *p != u'0') {
            if (++sigDigits > 19)
                return false;
            m = m * 10 + (*p - u'0');
        }
    }
    if (p < e && *p == decimalSep) {
        for (++p; p < e && IsDigit(*p); ++p) {
            anyDigit = true;
            if (m != 0 || *p != u'0') {
                if (++sigDigits > 19)
                    return false;
                m = m * 10 + (*p - u'0');
            }
            if (++fracDigits > 22)
                return false;
        }
    }
    if (!anyDigit)
        return false;
    int exp10 = 0;
    if (p < e && (*p == u'e' || *p == u'E')) {
        ++p;
        bool expNegative = false;
        if (p < e && (*p == u'+' || *p == u'-')) {
            expNegative = *p == u'-';
            ++p;
        }
        if (p == e || !IsDigit(*p))
            return false;
        for (; p < e && IsDigit(*p); ++p) {
            exp10 = exp10 * 10 + (*p - u'0');
            if (exp10 > 1000)
                return false;
        }
        if (expNegative)
            exp10 = -exp10;
    }
    if (p != e || m > (uint64_t(1) << 53))
        return false;
    const int ex = exp10 - fracDigits;
    if (ex < -22 || ex > 22)
        return false;
    double v = static_cast<double>(m);
    if (ex < 0)
        v /= ExactPow10[-ex];
    else
        v *= ExactPow10[ex];
    value = negative ? -v : v;
    return true;
}

// Everything the shortcut leaves: grouping, long or malformed texts, range
// errors.  s[b, e) is the trimmed, non-empty text.
TNumberTextStatus ReadNumberTextGeneral(QStringView s, qsizetype b, qsizetype e, char16_t decimalSep,
                                        char16_t thousandSep, double& value) noexcept
{

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
    if (FastNumberText(s.sliced(b, e - b), decimalSep, value))
        return ntOk;
    return ReadNumberTextGeneral(s, b, e, decimalSep, thousandSep, value);
}
