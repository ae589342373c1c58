#include "FloatDigits.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace zelk_float {
namespace {

// Parses to_chars scientific output "d.ddde+XX" / "de+XX" into digits and the
// exponent of the first digit.
void ParseSci(const char* p, const char* end, char* dig, int& ndOut, int& e10) {
    int nd = 0;  // a local count: through the reference every store would alias dig
    while (p < end && *p != 'e') {
        if (*p != '.') dig[nd++] = *p;
        ++p;
    }
    ndOut = nd;
    e10 = 0;
    if (p < end) {
        ++p;
        bool neg = false;
        if (p < end && (*p == '+' || *p == '-')) {
            neg = (*p == '-');
            ++p;
        }
        while (p < end) e10 = e10 * 10 + (*p++ - '0');
        if (neg) e10 = -e10;
    }
}

struct TSci {
    char dig[kMaxDigits + 24];
    int nd = 0;
    int e10 = 0;
};

void Sci(double a, int precision, TSci& s) {
    char buf[kMaxDigits + 40];
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, precision);
    ParseSci(buf, res.ptr, s.dig, s.nd, s.e10);
}

void Shortest(double a, TSci& s) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    ParseSci(buf, res.ptr, s.dig, s.nd, s.e10);
}

// Copies the first nsig digits of s into r and rounds up when asked.
void Finish(const TSci& s, int nsig, bool up, TDecDigits& r) {
    if (nsig <= 0) {
        if (up) {  // rounds up to one unit in the position just above the first digit
            r.n = 1;
            r.d[0] = '1';
            r.pointPos = s.e10 + 2;
        } else {
            r.n = 0;
            r.pointPos = 1;
        }
        return;
    }
    std::memcpy(r.d, s.dig, static_cast<size_t>(nsig));
    r.n = nsig;
    r.pointPos = s.e10 + 1;
    if (up) {
        int i = nsig - 1;
        while (i >= 0 && r.d[i] == '9') r.d[i--] = '0';
        if (i >= 0) {
            ++r.d[i];
        } else {
            r.d[0] = '1';  // 999 -> 1000: same digit count, point moves
            ++r.pointPos;
        }
    }
    // Drop trailing zeros: they are implicit, and it keeps renderers simple.
    while (r.n > 0 && r.d[r.n - 1] == '0') --r.n;
    if (r.n == 0) r.pointPos = 1;
}

#ifdef __SIZEOF_INT128__
constexpr std::uint64_t kPow10[20] = {1ull,
                                      10ull,
                                      100ull,
                                      1000ull,
                                      10000ull,
                                      100000ull,
                                      1000000ull,
                                      10000000ull,
                                      100000000ull,
                                      1000000000ull,
                                      10000000000ull,
                                      100000000000ull,
                                      1000000000000ull,
                                      10000000000000ull,
                                      100000000000000ull,
                                      1000000000000000ull,
                                      10000000000000000ull,
                                      100000000000000000ull,
                                      1000000000000000000ull,
                                      10000000000000000000ull};

// a = m * 2^e2 with the implicit bit in m; false for zero, subnormals and
// non-finite values (they take the general path).
bool Decompose(double a, std::uint64_t& m, int& e2) {
    std::uint64_t bits;
    std::memcpy(&bits, &a, sizeof bits);
    const int be = static_cast<int>((bits >> 52) & 0x7FF);
    if (be == 0 || be == 0x7FF) return false;
    m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    e2 = be - 1075;
    return true;
}

// floor(m * 2^e2 * 10^n) for 0 <= n <= 19, and whether the exact remainder
// is at least one half.  m * 10^n < 2^117, so the product is exact in 128
// bits, and the bit just below the cut decides half away from zero without
// any approximation, ties included.  False when the floor needs more than
// 64 bits.
bool ScaleExact(std::uint64_t m, int e2, int n, std::uint64_t& fl, bool& up) {
    unsigned __int128 p = static_cast<unsigned __int128>(m) * kPow10[n];
    if (e2 >= 0) {
        if (e2 > 10) return false;  // p << e2 stays below 2^128
        p <<= e2;
        if (p >> 64) return false;
        fl = static_cast<std::uint64_t>(p);
        up = false;
        return true;
    }
    const int k = -e2;
    if (k > 117) {  // p < 2^117 <= 2^(k-1): below one half
        fl = 0;
        up = false;
        return true;
    }
    const unsigned __int128 q = p >> k;
    if (q >> 64) return false;
    fl = static_cast<std::uint64_t>(q);
    up = ((p >> (k - 1)) & 1) != 0;
    return true;
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// r = q / 10^n.
void FromScaled(std::uint64_t q, int n, TDecDigits& r) {
    if (q == 0) {
        r.n = 0;
        r.pointPos = 1;
        return;
    }
    char buf[24];
    char* const end = buf + sizeof buf;
    char* p = end;
    while (q >= 100) {  // two digits per division
        const unsigned pair = static_cast<unsigned>(q % 100);
        q /= 100;
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * pair, 2);
    }
    if (q >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * q, 2);
    } else {
        *--p = static_cast<char>('0' + q);
    }
    r.pointPos = static_cast<int>(end - p) - n;
    const char* last = end;
    while (last[-1] == '0') --last;  // trailing zeros are implicit; p[0] is not '0'
    r.n = static_cast<int>(last - p);
    std::memcpy(r.d, p, static_cast<size_t>(r.n));
}

// Exact rounding in 64/128-bit integers when the rounded value needs at
// most 19 digits after the point and fits 64 bits; false otherwise.
bool RoundExactFast(double a, bool sigMode, int k, TDecDigits& r) {
    std::uint64_t m;
    int e2;
    if (k > 19 || !Decompose(a, m, e2)) return false;
    std::uint64_t fl;
    bool up;
    if (!sigMode) {
        if (!ScaleExact(m, e2, k, fl, up)) return false;
    } else {
        // a lies in [2^b, 2^(b+1)), so its decimal exponent is
        // floor(b log10 2) or one more; the floor of the scaled value tells
        // which exactly.
        const int b = e2 + 52;
        const int p = ((b * 78913) >> 18) + 1;  // floor(b * log10(2)) + 1
        int n = k - p;
        for (int tries = 0;; ++tries) {
            if (tries > 2 || n < 0 || n > 19) return false;
            if (!ScaleExact(m, e2, n, fl, up)) return false;
            if (fl >= kPow10[k])
                --n;
            else if (fl < kPow10[k - 1])
                ++n;
            else
                break;
        }
        k = n;
    }
    const std::uint64_t q = fl + (up ? 1 : 0);
    if (q < fl) return false;
    FromScaled(q, k, r);
    return true;
}
#else
bool RoundExactFast(double, bool, int, TDecDigits&) { return false; }
#endif

// Core: nsig is either fixed (sigMode) or derived from the exponent.
void RoundAt(double a, bool sigMode, int k, TDecDigits& r, bool shortcuts) {
    a = std::fabs(a);
    if (a == 0) {
        r.n = 0;
        r.pointPos = 1;
        return;
    }
    if (shortcuts && RoundExactFast(a, sigMode, k, r)) return;
    TSci s;
    // Fast path from the shortest round-trip digits: when at most 15
    // significant digits are wanted, the shortest form rounds exactly like
    // the binary value, except when it ends exactly on the halfway digit.
    // (Subnormals have fewer significant bits, so they take the general path.)
    if (shortcuts) {
        Shortest(a, s);
        const int nsig = sigMode ? k : s.e10 + 1 + k;
        if (nsig >= 1 && nsig <= 15 && a >= std::numeric_limits<double>::min()) {
            if (s.nd <= nsig) {
                Finish(s, s.nd, false, r);
                return;
            }
            if (!(s.nd == nsig + 1 && s.dig[nsig] == '5')) {
                Finish(s, nsig, s.dig[nsig] >= '5', r);
                return;
            }
        }
    }
    // General path: 25 correctly rounded digits decide unless they show an
    // exact tie, then the exact expansion decides.
    Sci(a, 24, s);
    int nsig = sigMode ? k : s.e10 + 1 + k;
    if (nsig < 0) {
        r.n = 0;
        r.pointPos = 1;
        return;
    }
    if (nsig > kMaxDigits - 10) nsig = kMaxDigits - 10;  // beyond: exact zeros
    if (nsig + 1 > s.nd) Sci(a, nsig + 20, s);
    bool up;
    if (s.dig[nsig] != '5') {
        up = s.dig[nsig] > '5';
    } else {
        bool restZero = true;
        for (int i = nsig + 1; i < s.nd; ++i)
            if (s.dig[i] != '0') {
                restZero = false;
                break;
            }
        if (!restZero) {
            up = true;
        } else {
            Sci(a, kMaxDigits - 1, s);  // exact
            up = s.dig[nsig] >= '5';
        }
    }
    Finish(s, nsig, up, r);
}

void AppendExpNumber(TTextBuf& out, int e, int minDigits, bool forcePlus) {
    if (e < 0) {
        Put(out, '-');
        e = -e;
    } else if (forcePlus) {
        Put(out, '+');
    }
    char buf[16];
    int n = 0;
    do {
        buf[n++] = static_cast<char>('0' + e % 10);
        e /= 10;
    } while (e > 0);
    for (int i = n; i < minDigits; ++i) Put(out, '0');
    while (n > 0) Put(out, buf[--n]);
}

}  // namespace

void RoundSignificant(double a, int sig, TDecDigits& r) { RoundAt(a, true, sig < 1 ? 1 : sig, r, true); }

void RoundDecimals(double a, int decimals, TDecDigits& r) {
    RoundAt(a, false, decimals < 0 ? 0 : decimals, r, true);
}

void RoundSignificantGeneral(double a, int sig, TDecDigits& r) {
    RoundAt(a, true, sig < 1 ? 1 : sig, r, false);
}

void RoundDecimalsGeneral(double a, int decimals, TDecDigits& r) {
    RoundAt(a, false, decimals < 0 ? 0 : decimals, r, false);
}

void AppendFixed(TTextBuf& out, const TDecDigits& r, int decimals, QChar decSep, QChar thouSep) {
    // Sized once and filled through a pointer: no capacity check per character.
    const int intDigits = r.pointPos > 0 ? r.pointPos : 0;
    const bool group = !thouSep.isNull() && intDigits > 3;
    const qsizetype len = (intDigits == 0 ? 1 : intDigits) + (group ? (intDigits - 1) / 3 : 0) +
                          (decimals > 0 ? 1 + decimals : 0);
    const qsizetype start = out.size();
    out.resize(start + len);
    char16_t* d = out.data() + start;
    // Digits r.d[i] for i < n, zeros after.
    auto digitAt = [&r](int i) -> char16_t {
        return static_cast<char16_t>(i >= 0 && i < r.n ? r.d[i] : '0');
    };
    if (intDigits == 0) {
        *d++ = u'0';
    } else if (!group) {
        const int fromDigits = r.n < intDigits ? r.n : intDigits;
        for (int i = 0; i < fromDigits; ++i) *d++ = static_cast<char16_t>(r.d[i]);
        for (int i = fromDigits; i < intDigits; ++i) *d++ = u'0';
    } else {
        const char16_t sep = thouSep.unicode();
        for (int i = 0; i < intDigits; ++i) {
            *d++ = digitAt(i);
            const int left = intDigits - 1 - i;
            if (left > 0 && left % 3 == 0) *d++ = sep;
        }
    }
    if (decimals > 0) {
        *d++ = decSep.unicode();
        for (int j = 0; j < decimals; ++j) *d++ = digitAt(r.pointPos + j);
    }
}

void AppendExponent(TTextBuf& out, const TDecDigits& r, int sig, int expDigits, bool forcePlus,
                    QChar decSep) {
    Put(out, r.Digit(0));
    if (sig > 1) {
        Put(out, decSep);
        for (int i = 1; i < sig; ++i) Put(out, r.Digit(i));
    }
    Put(out, 'E');
    AppendExpNumber(out, r.IsZero() ? 0 : r.pointPos - 1, expDigits, forcePlus);
}

void AppendGeneral(TTextBuf& out, const TDecDigits& r, int sig, int expDigits, QChar decSep) {
    if (r.IsZero()) {
        Put(out, '0');
        return;
    }
    if (r.pointPos > sig || r.pointPos < -3) {
        Put(out, r.d[0]);
        if (r.n > 1) {
            Put(out, decSep);
            for (int i = 1; i < r.n; ++i) Put(out, r.d[i]);
        }
        Put(out, 'E');
        AppendExpNumber(out, r.pointPos - 1, expDigits, false);
        return;
    }
    // Plain form, sized once: integer digits (or "0"), then the rest.
    const int intDigits = r.pointPos > 0 ? r.pointPos : 0;
    const int fracDigits = r.pointPos > 0 ? (r.n > r.pointPos ? r.n - r.pointPos : 0) : r.n - r.pointPos;
    const qsizetype start = out.size();
    out.resize(start + (intDigits == 0 ? 1 : intDigits) + (fracDigits > 0 ? 1 + fracDigits : 0));
    char16_t* d = out.data() + start;
    if (intDigits == 0) {
        *d++ = u'0';
        *d++ = decSep.unicode();
        for (int i = r.pointPos; i < 0; ++i) *d++ = u'0';
        for (int i = 0; i < r.n; ++i) *d++ = static_cast<char16_t>(r.d[i]);
        return;
    }
    for (int i = 0; i < intDigits; ++i) *d++ = static_cast<char16_t>(i < r.n ? r.d[i] : '0');
    if (fracDigits > 0) {
        *d++ = decSep.unicode();
        for (int i = r.pointPos; i < r.n; ++i) *d++ = static_cast<char16_t>(r.d[i]);
    }
}

bool AppendNonFiniteText(TTextBuf& out, double v) {
    if (std::isnan(v)) {
        Put(out, u"NAN");
        return true;
    }
    if (std::isinf(v)) {
        Put(out, v < 0 ? QStringView(u"-INF") : QStringView(u"INF"));
        return true;
    }
    return false;
}

#ifdef __SIZEOF_INT128__
namespace {

using TWide = unsigned __int128;

// 10^n for 0 <= n <= 22 in 128 bits: m * 10^22 < 2^53 * 2^73.1 still fits.
struct TPow10Wide {
    TWide v[23];
    constexpr TPow10Wide() : v() {
        TWide r = 1;
        for (int i = 0; i < 23; ++i) {
            v[i] = r;
            r *= 10;
        }
    }
};
constexpr TPow10Wide kPow10Wide;

// "00" .. "99" as UTF-16 pairs: one 4-byte copy writes two digits.
struct TPairs16 {
    char16_t c[200];
    constexpr TPairs16() : c() {
        for (int i = 0; i < 100; ++i) {
            c[2 * i] = static_cast<char16_t>(u'0' + i / 10);
            c[2 * i + 1] = static_cast<char16_t>(u'0' + i % 10);
        }
    }
};
constexpr TPairs16 kPairs16;

// The digit writers fill a fixed number of places starting at p; x must be
// below 10^places.  Quotients by constants compile to multiplications.
inline void Put2(char16_t* p, std::uint32_t x) { std::memcpy(p, kPairs16.c + 2 * x, 2 * sizeof(char16_t)); }
inline void Put4(char16_t* p, std::uint32_t x) {
    Put2(p, x / 100);
    Put2(p + 2, x % 100);
}
inline void Put8(char16_t* p, std::uint32_t x) {
    Put4(p, x / 10000);
    Put4(p + 4, x % 10000);
}

// v / 10^k and v % 10^k for 0 <= k <= 19.
inline std::uint64_t DivPow10(std::uint64_t v, int k, std::uint64_t& rem) {
    const std::uint64_t q = v / kPow10[k];
    rem = v - q * kPow10[k];
    return q;
}

// Exactly `count` (<= 7) digits of x < 10^count, ending just before `end`.
inline char16_t* PutSmall(char16_t* end, std::uint32_t x, int count) {
    if (count >= 4) {
        end -= 4;
        Put4(end, x % 10000);
        x /= 10000;
        count -= 4;
    }
    if (count >= 2) {
        end -= 2;
        Put2(end, x % 100);
        x /= 100;
        count -= 2;
    }
    if (count > 0) *--end = static_cast<char16_t>(u'0' + x);
    return end;
}

// The last `count` (<= 20) decimal digits of v, leading zeros included,
// ending just before `end`; returns their start.
inline char16_t* PutDigits(char16_t* end, std::uint64_t v, int count) {
    while (count >= 8) {
        end -= 8;
        Put8(end, static_cast<std::uint32_t>(v % 100000000));
        v /= 100000000;
        count -= 8;
    }
    return PutSmall(end, static_cast<std::uint32_t>(v % 10000000), count);
}

// The same, leaving v / 10^count in v: the integer part above the decimals.
inline char16_t* PutLow(char16_t* end, std::uint64_t& v, int count) {
    while (count >= 8) {
        end -= 8;
        Put8(end, static_cast<std::uint32_t>(v % 100000000));
        v /= 100000000;
        count -= 8;
    }
    std::uint64_t rest;
    v = DivPow10(v, count, rest);
    return PutSmall(end, static_cast<std::uint32_t>(rest), count);
}

// Number of decimal digits of v, 0 for 0: floor(bits * log10 2) is the count
// or one less.
inline int DigitCount(std::uint64_t v) {
    const int t = ((64 - std::countl_zero(v | 1)) * 1233) >> 12;
    return t + (v >= kPow10[t] ? 1 : 0);
}

// All decimal digits of v (at least one), ending just before `end`.  The
// usual short numbers go two digits a step without counting them first.
inline char16_t* PutNumber(char16_t* end, std::uint64_t v) {
    if (v < 100000000) {
        std::uint32_t x = static_cast<std::uint32_t>(v);
        while (x >= 100) {
            end -= 2;
            Put2(end, x % 100);
            x /= 100;
        }
        if (x >= 10) {
            end -= 2;
            Put2(end, x);
        } else {
            *--end = static_cast<char16_t>(u'0' + x);
        }
        return end;
    }
    return PutDigits(end, v, DigitCount(v));
}

}  // namespace

char16_t* ShortFixedText(double v, int decimals, char16_t decSep, char16_t* end) {
    if (decimals < 0 || decimals > 19) return nullptr;
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int be = static_cast<int>((bits >> 52) & 0x7FF);
    if (be == 0x7FF) return nullptr;
    // q = |v| * 10^decimals rounded half away from zero, exactly: the
    // product of the 53-bit mantissa and 10^decimals is exact (in 64 bits up
    // to 3 decimals, else in 128), and the first bit shifted out is the
    // one-half bit.  Zero and subnormals leave q at 0 (below 10^-300 they
    // cannot reach one half).
    const bool neg = (bits >> 63) != 0;
    std::uint64_t q = 0;
    if (be != 0) {
        const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
        const int e2 = be - 1075;
        if (e2 > 10) return nullptr;  // |v| >= 2^63: the integer part may not fit 64 bits
        if (decimals <= 3 && e2 < 0) {
            const std::uint64_t p = m * kPow10[decimals];  // < 2^63
            if (e2 > -64) {
                const std::uint64_t half = p >> (-e2 - 1);
                q = (half >> 1) + (half & 1);
            }
        } else {
            const TWide p = static_cast<TWide>(m) * kPow10[decimals];  // < 2^117
            TWide wq = 0;
            if (e2 >= 0) {
                wq = p << e2;  // < 2^127
            } else if (-e2 < 128) {
                const TWide half = p >> (-e2 - 1);
                wq = (half >> 1) + (half & 1);
            }
            if (wq >> 64) {
                // Beyond 64 bits: split once by 10^decimals (|v| < 2^63, so
                // the integer part fits).
                char16_t* p16 = PutDigits(end, static_cast<std::uint64_t>(wq % kPow10[decimals]), decimals);
                if (decimals > 0) *--p16 = decSep;
                p16 = PutNumber(p16, static_cast<std::uint64_t>(wq / kPow10[decimals]));
                if (neg) *--p16 = u'-';
                return p16;
            }
            q = static_cast<std::uint64_t>(wq);
        }
    }
    const bool shownNeg = neg && q != 0;  // a value that shows as zero has no sign
    char16_t* p = end;
    if (decimals > 0) {
        p = PutLow(p, q, decimals);  // q keeps the integer part
        *--p = decSep;
    }
    p = PutNumber(p, q);
    if (shownNeg) *--p = u'-';
    return p;
}

char16_t* ShortGeneralText(double v, int sig, char16_t decSep, char16_t* end) {
    if (sig < 1 || sig > 17) return nullptr;
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int be = static_cast<int>((bits >> 52) & 0x7FF);
    if (be == 0x7FF) return nullptr;
    const bool neg = (bits >> 63) != 0;
    if (be == 0) {
        if ((bits << 1) != 0) return nullptr;  // subnormal
        *--end = u'0';                         // +0 and -0 alike
        return end;
    }
    const double a = std::fabs(v);
    // Whole numbers that fit the significant digits print as they are.
    if (a < 9007199254740992.0) {
        const std::uint64_t u = static_cast<std::uint64_t>(a);
        if (static_cast<double>(u) == a && u < kPow10[sig]) {
            char16_t* p = PutNumber(end, u);
            if (neg) *--p = u'-';
            return p;
        }
    }
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int e2 = be - 1075;
    // a is in [2^b, 2^(b+1)), so it has pEst or pEst + 1 integer digits.
    const int b = e2 + 52;
    const int pEst = ((b * 78913) >> 18) + 1;
    // q = floor(a * 10^n) with sig or sig + 1 digits; `up` when the rest is
    // at least one half.
    int n = sig - pEst;
    std::uint64_t q;
    bool up;
    if (n >= 0) {
        if (n > 22) return nullptr;
        const TWide p = static_cast<TWide>(m) * kPow10Wide.v[n];  // < 2^127
        TWide s;
        if (e2 >= 0) {
            if (n > 1 || e2 > 10) return nullptr;  // (n <= 1 always holds from 2^52 on)
            s = p << e2;
            up = false;
        } else {
            if (-e2 >= 128) return nullptr;
            const TWide half = p >> (-e2 - 1);  // the quotient and the one-half bit below it
            s = half >> 1;
            up = (half & 1) != 0;
        }
        if (s >> 64) return nullptr;
        q = static_cast<std::uint64_t>(s);
    } else {
        // Digits above the point are cut: work on the integer part, which
        // fits 64 bits below 2^64.  The fraction cannot change the rounding:
        // rest + fraction >= 10^j / 2 exactly when rest >= 10^j / 2.
        const int j = -n;
        if (j > 19 || e2 > 11 || e2 < -63) return nullptr;
        const std::uint64_t x = e2 >= 0 ? m << e2 : m >> -e2;
        q = x / kPow10[j];
        up = x % kPow10[j] >= kPow10[j] / 2;
    }
    if (q >= kPow10[sig]) {
        // One more integer digit than estimated: drop the last digit, which
        // alone decides the rounding (the rest below it is under one unit).
        up = q % 10 >= 5;
        q /= 10;
        --n;
        if (q >= kPow10[sig]) return nullptr;
    } else if (q < kPow10[sig - 1]) {
        return nullptr;
    }
    q += up ? 1 : 0;
    int pointPos = sig - n;
    if (q == kPow10[sig]) {  // 999.. rounded up to 1000..
        q = kPow10[sig - 1];
        ++pointPos;
    }
    // q has sig digits; trailing zeros are not shown.
    int nd = sig;
    if (q % 10 == 0) {
        while (q % 100000000 == 0) {
            q /= 100000000;
            nd -= 8;
        }
        if (q % 10000 == 0) {
            q /= 10000;
            nd -= 4;
        }
        if (q % 100 == 0) {
            q /= 100;
            nd -= 2;
        }
        if (q % 10 == 0) {
            q /= 10;
            --nd;
        }
    }
    char16_t* p = end;
    if (pointPos > sig || pointPos < -3) {
        const int e = pointPos - 1;
        p = PutNumber(p, static_cast<std::uint64_t>(e < 0 ? -e : e));
        if (e < 0) *--p = u'-';
        *--p = u'E';
        if (nd > 1) {
            p = PutLow(p, q, nd - 1);
            *--p = decSep;
        }
        *--p = static_cast<char16_t>(u'0' + q);
    } else if (pointPos <= 0) {
        p = PutDigits(p, q, nd);
        for (int i = pointPos; i < 0; ++i) *--p = u'0';
        *--p = decSep;
        *--p = u'0';
    } else if (pointPos >= nd) {
        for (int i = nd; i < pointPos; ++i) *--p = u'0';
        p = PutDigits(p, q, nd);
    } else {
        p = PutLow(p, q, nd - pointPos);
        *--p = decSep;
        p = PutDigits(p, q, pointPos);
    }
    if (neg) *--p = u'-';
    return p;
}
#else
char16_t* ShortFixedText(double, int, char16_t, char16_t*) { return nullptr; }
char16_t* ShortGeneralText(double, int, char16_t, char16_t*) { return nullptr; }
#endif

}  // namespace zelk_float
