// Text to number: StrToFloat and friends, the integer parsers and ValFloat.
#include "SysUtils.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace {

bool IsBlank(QChar c) { return c.unicode() <= 0x20; }
bool IsDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Result of scanning a decimal number; the ASCII copy uses '.' as point.
struct TScan {
    int errorPos = 0;          // 0: valid; else 1-based position of the rejected character
    bool negative = false;
    bool anyNonZeroDigit = false;
    long long leadExp = 0;     // decimal exponent of the first non-zero digit (approximate)
};

// Scans s[from..] for: sign, digits, [sep digits], [e [sign] digits].  Stops
// at the first character that cannot continue the number; `end` is set to
// it.  Appends the accepted characters to `ascii`.  Returns false (with
// errorPos) when no complete number was read before `end`.
template <class Buf>
bool ScanNumber(QStringView s, qsizetype from, QChar sep, Buf& ascii, qsizetype& end, TScan& sc) {
    const qsizetype n = s.size();
    qsizetype i = from;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        sc.negative = s[i] == u'-';
        if (sc.negative) ascii.push_back('-');
        ++i;
    }
    int digits = 0;
    long long intDigitsAfterLead = 0;  // digits from the first non-zero one to the point
    long long leadingFracZeros = 0;    // zeros after the point before the first non-zero digit
    while (i < n && IsDigit(s[i])) {
        const char d = static_cast<char>(s[i].unicode());
        if (d != '0') sc.anyNonZeroDigit = true;
        if (sc.anyNonZeroDigit) ++intDigitsAfterLead;
        ascii.push_back(d);
        ++digits;
        ++i;
    }
    if (i < n && s[i] == sep) {
        ascii.push_back('.');
        ++i;
        while (i < n && IsDigit(s[i])) {
            const char d = static_cast<char>(s[i].unicode());
            if (!sc.anyNonZeroDigit) {
                if (d == '0')
                    ++leadingFracZeros;
                else
                    sc.anyNonZeroDigit = true;
            }
            ascii.push_back(d);
            ++digits;
            ++i;
        }
    }
    if (digits == 0) {
        sc.errorPos = static_cast<int>(i + 1);
        end = i;
        return false;
    }
    long long exp = 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        bool eneg = false;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) {
            eneg = s[i] == u'-';
            ascii.push_back(static_cast<char>(s[i].unicode()));
            ++i;
        }
        if (i >= n || !IsDigit(s[i])) {
            sc.errorPos = static_cast<int>(i + 1);
            end = i;
            return false;
        }
        while (i < n && IsDigit(s[i])) {
            if (exp < 1000000) exp = exp * 10 + (s[i].unicode() - '0');
            ascii.push_back(static_cast<char>(s[i].unicode()));
            ++i;
        }
        if (eneg) exp = -exp;
    }
    sc.leadExp = (intDigitsAfterLead > 0 ? intDigitsAfterLead - 1 : -leadingFracZeros - 1) + exp;
    end = i;
    return true;
}

// A char sink sized once from the input length (every accepted character
// yields exactly one char), so ordinary numbers never allocate and pushes
// need no capacity check.
struct TAsciiBuf {
    char small[128];
    std::string big;
    char* p;
    int len = 0;
    explicit TAsciiBuf(qsizetype inputLength) {
        if (inputLength < static_cast<qsizetype>(sizeof small)) {
            p = small;
        } else {
            big.resize(static_cast<size_t>(inputLength) + 1);
            p = big.data();
        }
    }
    void push_back(char c) { p[len++] = c; }
    const char* data() const { return p; }
};

// Converts the scanned text; false when the value is beyond the double range.
bool Convert(const TAsciiBuf& buf, const TScan& sc, double& value) {
    double v = 0;
    const char* first = buf.data();
    const char* last = first + buf.len;
    auto res = std::from_chars(first, last, v);
    if (res.ec == std::errc::result_out_of_range) {
        if (!sc.anyNonZeroDigit || sc.leadExp < 0) {
            value = sc.negative ? -0.0 : 0.0;  // underflow
            return true;
        }
        return false;
    }
    if (res.ec != std::errc() || res.ptr != last || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// Integer reader shared by the 32- and 64-bit parsers: magnitude limit for
// decimal text, and the width that hexadecimal text may fill (it wraps to the
// signed type, so "$FFFFFFFF" is -1 as a 32-bit value).
bool ParseInteger(const QString& text, std::uint64_t decLimitPos, std::uint64_t decLimitNeg,
                  std::uint64_t hexLimit, std::uint64_t& magnitude, bool& negative, bool& hex) {
    const QStringView s(text);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && IsBlank(s[i])) ++i;
    negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        negative = s[i] == u'-';
        ++i;
    }
    hex = false;
    if (i < n && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= n) return false;
    std::uint64_t v = 0;
    const std::uint64_t limit = hex ? hexLimit : (negative ? decLimitNeg : decLimitPos);
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        unsigned d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        const unsigned base = hex ? 16 : 10;
        if (v > (limit - d) / base) return false;
        v = v * base + d;
    }
    magnitude = v;
    return true;
}

constexpr double kExactPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common short number in one pass, without the ASCII copy: at most 19
// significant digits making an integer m <= 2^53 and a decimal exponent
// within +-22.  Then m and 10^|e| are exact doubles and one multiplication
// or division rounds correctly, the same value from_chars gives.  False
// leaves everything else (including every malformed text) to the general
// path.
bool FastStrToFloat(QStringView s, char16_t sep, double& value) {
    const char16_t* p = s.utf16();
    const char16_t* e = p + s.size();
    while (p < e && *p <= 0x20) ++p;
    while (e > p && e[-1] <= 0x20) --e;
    bool negative = false;
    if (p < e && (*p == u'+' || *p == u'-')) {
        negative = *p == u'-';
        ++p;
    }
    std::uint64_t m = 0;
    int sigDigits = 0;
    long long fracDigits = 0;
    bool anyDigit = false;
    while (p < e && *p >= u'0' && *p <= u'9') {
        anyDigit = true;
        if (m != 0 || *p != u'0') {
            if (++sigDigits > 19) return false;
            m = m * 10 + (*p - u'0');
        }
        ++p;
    }
    if (p < e && *p == sep) {
        ++p;
        while (p < e && *p >= u'0' && *p <= u'9') {
            anyDigit = true;
            if (m != 0 || *p != u'0') {
                if (++sigDigits > 19) return false;
                m = m * 10 + (*p - u'0');
            }
            ++fracDigits;
            ++p;
        }
    }
    if (!anyDigit) return false;
    long long exp10 = 0;
    if (p < e && (*p == u'e' || *p == u'E')) {
        ++p;
        bool expNegative = false;
        if (p < e && (*p == u'+' || *p == u'-')) {
            expNegative = *p == u'-';
            ++p;
        }
        if (p == e || *p < u'0' || *p > u'9') return false;
        while (p < e && *p >= u'0' && *p <= u'9') {
            exp10 = exp10 * 10 + (*p - u'0');
            if (exp10 > 1000) return false;
            ++p;
        }
        if (expNegative) exp10 = -exp10;
    }
    if (p != e || m > (std::uint64_t(1) << 53)) return false;
    const long long ex = exp10 - fracDigits;
    if (ex < -22 || ex > 22) return false;
    double v = static_cast<double>(m);
    if (ex < 0)
        v /= kExactPow10[-ex];
    else
        v *= kExactPow10[ex];
    value = negative ? -v : v;
    return true;
}

}  // namespace

bool TryStrToFloat(QStringView s, double& value, QChar decimalSeparator) noexcept {
    if (FastStrToFloat(s, decimalSeparator.unicode(), value)) return true;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && IsBlank(s[i])) ++i;
    TAsciiBuf buf(n);
    TScan sc;
    qsizetype end = 0;
    if (!ScanNumber(s, i, decimalSeparator, buf, end, sc)) return false;
    while (end < n && IsBlank(s[end])) ++end;
    if (end != n) return false;
    return Convert(buf, sc, value);
}

bool TryStrToFloat(const QString& s, double& value, QChar decimalSeparator) noexcept {
    return TryStrToFloat(QStringView(s), value, decimalSeparator);
}

bool TryStrToFloat(const QString& s, double& value) noexcept {
    return TryStrToFloat(QStringView(s), value, FormatSettings().DecimalSeparator);
}

bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& settings) noexcept {
    return TryStrToFloat(QStringView(s), value, settings.DecimalSeparator);
}

static void RaiseNotFloat(const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
}

double StrToFloat(const QString& s, QChar decimalSeparator) {
    double v = 0;
    if (!TryStrToFloat(QStringView(s), v, decimalSeparator)) RaiseNotFloat(s);
    return v;
}

double StrToFloat(const QString& s) { return StrToFloat(s, FormatSettings().DecimalSeparator); }

double StrToFloat(const QString& s, const TFormatSettings& settings) {
    return StrToFloat(s, settings.DecimalSeparator);
}

double StrToFloatDef(const QString& s, double defaultValue) noexcept {
    double v = 0;
    return TryStrToFloat(s, v) ? v : defaultValue;
}

int ValFloat(QStringView s, double& value) noexcept {
    value = 0;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && IsBlank(s[i])) ++i;
    const qsizetype numberStart = i;
    TAsciiBuf buf(n);
    TScan sc;
    qsizetype end = 0;
    if (!ScanNumber(s, i, u'.', buf, end, sc)) return sc.errorPos;
    if (end != n) return static_cast<int>(end + 1);
    double v = 0;
    if (!Convert(buf, sc, v)) return static_cast<int>(numberStart + 1);  // out of range
    value = v;
    return 0;
}

bool TryStrToInt64(const QString& s, std::int64_t& value) noexcept {
    std::uint64_t mag;
    bool neg, hex;
    if (!ParseInteger(s, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, 0xFFFFFFFFFFFFFFFFull, mag,
                      neg, hex))
        return false;
    // Two's complement: hexadecimal text fills the 64 bits; decimal text was range checked.
    const std::uint64_t bits = neg ? (0 - mag) : mag;
    value = static_cast<std::int64_t>(bits);
    return true;
}

bool TryStrToInt(const QString& s, int& value) noexcept {
    std::uint64_t mag;
    bool neg, hex;
    if (!ParseInteger(s, 0x7FFFFFFFull, 0x80000000ull, 0xFFFFFFFFull, mag, neg, hex)) return false;
    std::uint32_t bits = static_cast<std::uint32_t>(mag);
    if (neg) bits = 0u - bits;
    value = static_cast<int>(bits);
    return true;
}

static void RaiseNotInt(const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
}

int StrToInt(const QString& s) {
    int v = 0;
    if (!TryStrToInt(s, v)) RaiseNotInt(s);
    return v;
}

std::int64_t StrToInt64(const QString& s) {
    std::int64_t v = 0;
    if (!TryStrToInt64(s, v)) RaiseNotInt(s);
    return v;
}

int StrToIntDef(const QString& s, int defaultValue) noexcept {
    int v = 0;
    return TryStrToInt(s, v) ? v : defaultValue;
}

std::int64_t StrToInt64Def(const QString& s, std::int64_t defaultValue) noexcept {
    std::int64_t v = 0;
    return TryStrToInt64(s, v) ? v : defaultValue;
}
