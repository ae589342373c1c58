// printf-style Format with the conversions the grids rely on, checked
// against the argument types.  One parser serves Format, TryFormat and
// FormatTakesOneFloat so that the checker and the formatter always agree.
#include "FloatDigits.h"
#include "SysUtils.h"

#include <cstdint>
#include <cstring>

using namespace zelk_float;

namespace {

// Width, precision and index values above this are refused: a user format
// must not be able to make us allocate gigabytes.
constexpr int kMaxFieldValue = 100000;
// Decimal and significant digit counts are clamped to this.
constexpr int kMaxPrecision = 100;

enum class TFmtError { None, Invalid, Missing };

// One parsed specifier.
struct TSpec {
    bool hasIndex = false;
    int index = 0;
    bool indexStar = false;
    bool left = false;
    int width = -1;  // -1: none
    bool widthStar = false;
    int prec = -1;   // -1: none
    bool precStar = false;
    char16_t type = 0;  // lower case
};

// Parses the specifier starting after '%' at fmt[i]; on success i points past
// the type letter.  Returns false for a malformed specifier.
bool ParseSpec(QStringView fmt, qsizetype& i, TSpec& sp) {
    const qsizetype n = fmt.size();
    auto readNum = [&](int& value, bool& star) -> bool {  // true when something was read
        if (i < n && fmt[i] == u'*') {
            star = true;
            ++i;
            return true;
        }
        if (i < n && fmt[i].unicode() >= '0' && fmt[i].unicode() <= '9') {
            long long v = 0;
            while (i < n && fmt[i].unicode() >= '0' && fmt[i].unicode() <= '9') {
                v = v * 10 + (fmt[i].unicode() - '0');
                if (v > kMaxFieldValue) v = kMaxFieldValue + 1;
                ++i;
            }
            value = static_cast<int>(v);
            return true;
        }
        return false;
    };
    int first = -1;
    bool firstStar = false;
    bool haveFirst = readNum(first, firstStar);
    if (haveFirst && i < n && fmt[i] == u':') {
        sp.hasIndex = true;
        sp.index = first;
        sp.indexStar = firstStar;
        ++i;
        haveFirst = false;
    }
    if (!haveFirst) {
        if (i < n && fmt[i] == u'-') {
            sp.left = true;
            ++i;
        }
        haveFirst = readNum(first, firstStar);
    }
    if (haveFirst) {
        sp.width = first;
        sp.widthStar = firstStar;
    }
    if (i < n && fmt[i] == u'.') {
        ++i;
        int p = 0;
        bool ps = false;
        if (!readNum(p, ps)) p = 0;
        sp.prec = p;
        sp.precStar = ps;
    }
    if (i >= n) return false;
    char16_t t = fmt[i].unicode();
    if (t >= 'A' && t <= 'Z') t = static_cast<char16_t>(t - 'A' + 'a');
    switch (t) {
    case 'd': case 'u': case 'e': case 'f': case 'g': case 'n': case 'm': case 'p': case 's':
    case 'x':
        break;
    default:
        return false;
    }
    sp.type = t;
    ++i;
    if (sp.width > kMaxFieldValue || sp.prec > kMaxFieldValue || sp.index > kMaxFieldValue)
        return false;
    return true;
}

bool IsIntKind(const TVarRec& a) {
    return a.Kind == TVarRec::vtInteger || a.Kind == TVarRec::vtInt64 ||
           a.Kind == TVarRec::vtUInt64;
}

// Value of an integer argument given for "*"; false when it is not an int.
bool StarValue(const TVarRec& a, int& v) {
    long long x;
    switch (a.Kind) {
    case TVarRec::vtInteger: x = a.VInteger; break;
    case TVarRec::vtInt64: x = a.VInt64; break;
    case TVarRec::vtUInt64:
        x = a.VUInt64 > static_cast<std::uint64_t>(kMaxFieldValue) ? kMaxFieldValue + 1
                                                                   : static_cast<long long>(a.VUInt64);
        break;
    default: return false;
    }
    if (x > kMaxFieldValue || x < -kMaxFieldValue) return false;
    v = static_cast<int>(x);
    return true;
}

void AppendUnsigned(TTextBuf& out, std::uint64_t v, int base, int minDigits) {
    char buf[24];
    int n = 0;
    do {
        const int d = static_cast<int>(v % static_cast<unsigned>(base));
        buf[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        v /= static_cast<unsigned>(base);
    } while (v > 0);
    for (int i = n; i < minDigits; ++i) Put(out, '0');
    while (n > 0) Put(out, buf[--n]);
}

void AppendUtf8(TTextBuf& out, const char* p, int maxChars) {
    if (!p) return;
    QString s = QString::fromUtf8(p);
    if (maxChars >= 0 && s.size() > maxChars) s.truncate(maxChars);
    Put(out, QStringView(s));
}

// Negative money placement, indexed by NegCurrFormat.  'C' is the currency
// string, 'N' the number, other characters are literal.
const char* const kNegCurr[16] = {"(CN)", "-CN", "C-N", "CN-", "(NC)", "-NC", "N-C", "NC-",
                                  "-N C", "-C N", "N C-", "C N-", "C -N", "N- C", "(C N)",
                                  "(N C)"};
const char* const kPosCurr[4] = {"CN", "NC", "C N", "N C"};

void AppendMoney(TTextBuf& out, double v, int decimals, const TFormatSettings& fs) {
    TDecDigits r;
    RoundDecimals(v, decimals, r);
    const bool neg = v < 0 && !r.IsZero();
    int f = neg ? fs.NegCurrFormat : fs.CurrencyFormat;
    const char* layout = neg ? kNegCurr[(f >= 0 && f < 16) ? f : 0] : kPosCurr[(f >= 0 && f < 4) ? f : 0];
    for (const char* p = layout; *p; ++p) {
        if (*p == 'C')
            Put(out, QStringView(fs.CurrencyString));
        else if (*p == 'N')
            AppendFixed(out, r, decimals, fs.DecimalSeparator, fs.ThousandSeparator);
        else
            Put(out, *p);
    }
}

// Appends the converted argument (without width padding).
bool Convert(TTextBuf& out, const TSpec& sp, int prec, const TVarRec& a, const TFormatSettings& fs) {
    switch (sp.type) {
    case 'd':
    case 'u':
    case 'x': {
        if (!IsIntKind(a)) return false;
        bool neg = false;
        std::uint64_t mag;
        if (sp.type == 'd') {
            if (a.Kind == TVarRec::vtUInt64) {
                mag = a.VUInt64;
            } else {
                const std::int64_t v = a.Kind == TVarRec::vtInteger ? a.VInteger : a.VInt64;
                neg = v < 0;
                mag = neg ? (0 - static_cast<std::uint64_t>(v)) : static_cast<std::uint64_t>(v);
            }
        } else {
            // Unsigned views: an int is read as 32 bits, a 64-bit value as 64 bits.
            if (a.Kind == TVarRec::vtInteger)
                mag = static_cast<std::uint32_t>(a.VInteger);
            else if (a.Kind == TVarRec::vtInt64)
                mag = static_cast<std::uint64_t>(a.VInt64);
            else
                mag = a.VUInt64;
        }
        if (neg) Put(out, '-');
        AppendUnsigned(out, mag, sp.type == 'x' ? 16 : 10, prec < 0 ? 0 : prec);
        return true;
    }
    case 'e':
    case 'f':
    case 'g':
    case 'n':
    case 'm': {
        if (a.Kind != TVarRec::vtExtended) return false;
        const double v = a.VExtended;
        if (AppendNonFinite(out, v)) return true;
        TDecDigits r;
        if (sp.type == 'm') {
            const int d = prec < 0 ? fs.CurrencyDecimals : prec;
            AppendMoney(out, v, d < 0 ? 0 : (d > kMaxPrecision ? kMaxPrecision : d), fs);
            return true;
        }
        if (sp.type == 'f' || sp.type == 'n') {
            const int d = prec < 0 ? 2 : (prec > kMaxPrecision ? kMaxPrecision : prec);
            RoundDecimals(v, d, r);
            if (v < 0 && !r.IsZero()) Put(out, '-');
            AppendFixed(out, r, d, fs.DecimalSeparator, sp.type == 'n' ? fs.ThousandSeparator : QChar());
            return true;
        }
        int sig = prec < 0 ? 15 : prec;
        if (sig < 1) sig = 1;
        if (sig > kMaxPrecision) sig = kMaxPrecision;
        RoundSignificant(v, sig, r);
        if (v < 0 && !r.IsZero()) Put(out, '-');
        if (sp.type == 'e')
            AppendExponent(out, r, sig, 3, true, fs.DecimalSeparator);
        else
            AppendGeneral(out, r, sig, 0, fs.DecimalSeparator);
        return true;
    }
    case 's':
        switch (a.Kind) {
        case TVarRec::vtString:
            if (prec >= 0 && a.VString->size() > prec)
                Put(out, QStringView(*a.VString).left(prec));
            else
                Put(out, QStringView(*a.VString));
            return true;
        case TVarRec::vtPChar:
            AppendUtf8(out, a.VPChar, prec);
            return true;
        case TVarRec::vtChar:
            if (prec != 0) out.append(a.VChar);
            return true;
        default:
            return false;
        }
    case 'p': {
        const void* p;
        if (a.Kind == TVarRec::vtPointer)
            p = a.VPointer;
        else if (a.Kind == TVarRec::vtPChar)
            p = a.VPChar;
        else
            return false;
        AppendUnsigned(out, reinterpret_cast<std::uintptr_t>(p), 16, static_cast<int>(sizeof(void*) * 2));
        return true;
    }
    default:
        return false;
    }
}

// The usual cell format is one bare conversion such as "%.2f", "%g" or "%d":
// read it without the general parser.  False for anything else (then the
// general loop reads the format; it gives the same TSpec for these).
bool ParseBareSpec(QStringView fmt, TSpec& sp) {
    const qsizetype n = fmt.size();
    if (n < 2 || n > 6 || fmt[0] != u'%') return false;
    qsizetype i = 1;
    if (fmt[i] == u'.') {
        ++i;
        int p = 0;
        while (i < n - 1) {
            const char16_t c = fmt[i].unicode();
            if (c < '0' || c > '9') return false;
            p = p * 10 + (c - '0');
            ++i;
        }
        sp.prec = p;
    }
    if (i != n - 1) return false;
    char16_t t = fmt[i].unicode();
    if (t >= 'A' && t <= 'Z') t = static_cast<char16_t>(t - 'A' + 'a');
    switch (t) {
    case 'd': case 'u': case 'e': case 'f': case 'g': case 'n': case 'm': case 'x':
        sp.type = t;
        return true;
    default:
        return false;
    }
}

// The cell formats "%g", "%f", "%.Nf" and "%.Ng" (either case, N of one or two
// digits) with a float argument go through the short conversions: the text
// is built on the stack and copied into `out` once.  False for any other
// format, and for values the short conversions leave to the general path;
// that path gives the same text.
inline bool ShortFloatFormat(QString& out, QStringView fmt, const TVarRec& a, const TFormatSettings& fs) {
    const qsizetype n = fmt.size();
    if (a.Kind != TVarRec::vtExtended || n < 2 || n > 5 || n == 3 || fmt[0] != u'%') return false;
    int prec = -1;
    if (n > 2) {
        if (fmt[1] != u'.') return false;
        prec = 0;
        for (qsizetype i = 2; i < n - 1; ++i) {
            const unsigned d = fmt[i].unicode() - u'0';
            if (d > 9) return false;
            prec = prec * 10 + static_cast<int>(d);
        }
    }
    char16_t buf[kShortTextMax];
    char16_t* const end = buf + kShortTextMax;
    const char16_t* start;
    switch (fmt[n - 1].unicode()) {
    case u'f':
    case u'F':
        start = ShortFixedText(a.VExtended, prec < 0 ? 2 : prec, fs.DecimalSeparator.unicode(), end);
        break;
    case u'g':
    case u'G':
        start = ShortGeneralText(a.VExtended, prec < 0 ? 15 : (prec < 1 ? 1 : prec),
                                 fs.DecimalSeparator.unicode(), end);
        break;
    default:
        return false;
    }
    if (!start) return false;
    const qsizetype len = end - start;
    // Successive numbers of one format often have the same length; then
    // data() below only makes sure the buffer is not shared.
    if (out.size() != len) out.resize(len);
    std::memcpy(static_cast<void*>(out.data()), start, static_cast<size_t>(len) * sizeof(char16_t));
    return true;
}

TFmtError FormatCore(QString& out, QStringView fmt, const TVarRec* args, int argCount,
                     const TFormatSettings& fs, bool shortFloats) {
    if (shortFloats && argCount >= 1 && ShortFloatFormat(out, fmt, args[0], fs)) return TFmtError::None;
    TSpec bare;
    if (argCount >= 1 && ParseBareSpec(fmt, bare)) {
        TTextBuf piece;
        if (!Convert(piece, bare, bare.prec, args[0], fs)) return TFmtError::Invalid;
        // resize() keeps the buffer when it is large enough and not shared.
        out.resize(piece.size());
        std::memcpy(static_cast<void*>(out.data()), piece.constData(), static_cast<size_t>(piece.size()) * sizeof(char16_t));
        return TFmtError::None;
    }
    out.truncate(0);
    // reserve() reallocates whenever asked for the full capacity, so only
    // call it when the buffer is really too small.
    if (out.capacity() < fmt.size() + 24) out.reserve(fmt.size() + 32);
    const qsizetype n = fmt.size();
    qsizetype i = 0;
    int argIndex = 0;
    while (i < n) {
        // Copy the literal run up to the next '%' in one piece.
        qsizetype j = i;
        while (j < n && fmt[j] != u'%') ++j;
        if (j > i) out.append(fmt.mid(i, j - i));
        if (j >= n) break;
        i = j + 1;
        if (i < n && fmt[i] == u'%') {
            out.append(u'%');
            ++i;
            continue;
        }
        TSpec sp;
        if (!ParseSpec(fmt, i, sp)) return TFmtError::Invalid;
        if (sp.hasIndex) {
            int idx = sp.index;
            if (sp.indexStar) {
                if (argIndex >= argCount) return TFmtError::Missing;
                if (!StarValue(args[argIndex++], idx) || idx < 0) return TFmtError::Invalid;
            }
            argIndex = idx;
        }
        int width = sp.width;
        bool left = sp.left;
        if (sp.widthStar) {
            if (argIndex >= argCount) return TFmtError::Missing;
            if (!StarValue(args[argIndex++], width)) return TFmtError::Invalid;
            if (width < 0) {
                left = true;
                width = -width;
            }
        }
        int prec = sp.prec;
        if (sp.precStar) {
            if (argIndex >= argCount) return TFmtError::Missing;
            if (!StarValue(args[argIndex++], prec)) return TFmtError::Invalid;
            if (prec < 0) prec = -1;  // a negative precision means none
        }
        if (argIndex >= argCount) return TFmtError::Missing;
        TTextBuf piece;
        if (!Convert(piece, sp, prec, args[argIndex++], fs)) return TFmtError::Invalid;
        const qsizetype pad = width > piece.size() ? width - piece.size() : 0;
        if (pad > 0 && !left) out.resize(out.size() + pad, u' ');
        out.append(reinterpret_cast<const QChar*>(piece.constData()), piece.size());
        if (pad > 0 && left) out.resize(out.size() + pad, u' ');
    }
    return TFmtError::None;
}

[[noreturn]] void RaiseFormatError(TFmtError e, const QString& fmt) {
    if (e == TFmtError::Missing)
        throw EConvertError(QStringLiteral("No argument for format '%1'").arg(fmt));
    throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
}

}  // namespace

QString Format(const QString& fmt, const TVarRec* args, int argCount, const TFormatSettings& settings) {
    QString out;
    const TFmtError e = FormatCore(out, fmt, args, argCount, settings, true);
    if (e != TFmtError::None) RaiseFormatError(e, fmt);
    return out;
}

QString Format(const QString& fmt, std::initializer_list<TVarRec> args, const TFormatSettings& settings) {
    return Format(fmt, args.begin(), static_cast<int>(args.size()), settings);
}

QString Format(const QString& fmt, std::initializer_list<TVarRec> args) {
    return Format(fmt, args.begin(), static_cast<int>(args.size()), FormatSettings());
}

bool TryFormat(QString& out, const QString& fmt, const TVarRec* args, int argCount,
               const TFormatSettings& settings) noexcept {
    return FormatCore(out, fmt, args, argCount, settings, true) == TFmtError::None;
}

bool zelk_float::TryFormatGeneral(QString& out, const QString& fmt, const TVarRec* args, int argCount,
                                  const TFormatSettings& settings) noexcept {
    return FormatCore(out, fmt, args, argCount, settings, false) == TFmtError::None;
}

bool TryFormat(QString& out, const QString& fmt, std::initializer_list<TVarRec> args,
               const TFormatSettings& settings) noexcept {
    return TryFormat(out, fmt, args.begin(), static_cast<int>(args.size()), settings);
}

bool TryFormat(QString& out, const QString& fmt, std::initializer_list<TVarRec> args) noexcept {
    // The form every cell is shown and saved with: the short conversions are
    // tried here, before the layers of the general entry.
    const TFormatSettings& fs = FormatSettings();
    if (args.size() >= 1 && ShortFloatFormat(out, fmt, *args.begin(), fs)) return true;
    return FormatCore(out, fmt, args.begin(), static_cast<int>(args.size()), fs, false) == TFmtError::None;
}

bool FormatTakesOneFloat(const QString& fmt) noexcept {
    const QStringView f(fmt);
    const qsizetype n = f.size();
    qsizetype i = 0;
    int conversions = 0;
    while (i < n) {
        if (f[i] != u'%') {
            ++i;
            continue;
        }
        ++i;
        if (i < n && f[i] == u'%') {
            ++i;
            continue;
        }
        TSpec sp;
        if (!ParseSpec(f, i, sp)) return false;
        if (sp.indexStar || sp.widthStar || sp.precStar) return false;
        if (sp.hasIndex && sp.index != 0) return false;
        switch (sp.type) {
        case 'e': case 'f': case 'g': case 'n': case 'm': break;
        default: return false;
        }
        if (++conversions > 1) return false;
    }
    return conversions == 1;
}
