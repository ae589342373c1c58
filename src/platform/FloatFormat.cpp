// FloatToStr, FloatToStrF and the picture formatter FormatFloat.
#include "FloatDigits.h"
#include "SysUtils.h"

#include <cmath>

using namespace zelk_float;

namespace {

constexpr int kMaxPrecision = 100;

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

QString FloatToStr(double value, const TFormatSettings& settings) {
    char16_t buf[kShortTextMax];
    char16_t* const end = buf + kShortTextMax;
    if (const char16_t* start = ShortGeneralText(value, 15, settings.DecimalSeparator.unicode(), end))
        return QString(reinterpret_cast<const QChar*>(start), end - start);
    return FloatToStrGeneral(value, settings);
}

QString zelk_float::FloatToStrGeneral(double value, const TFormatSettings& settings) {
    TTextBuf out;
    if (!AppendNonFinite(out, value)) {
        TDecDigits r;
        RoundSignificant(value, 15, r);
        if (value < 0 && !r.IsZero()) Put(out, '-');
        AppendGeneral(out, r, 15, 0, settings.DecimalSeparator);
    }
    return View(out).toString();
}

QString FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                    const TFormatSettings& fs) {
    TTextBuf out;
    if (AppendNonFinite(out, value)) return View(out).toString();
    precision = ClampInt(precision, 1, 18);
    TDecDigits r;
    switch (format) {
    case ffGeneral:
    case ffExponent: {
        RoundSignificant(value, precision, r);
        if (value < 0 && !r.IsZero()) Put(out, '-');
        const int ed = ClampInt(digits, 0, 4);
        if (format == ffGeneral)
            AppendGeneral(out, r, precision, ed, fs.DecimalSeparator);
        else
            AppendExponent(out, r, precision, ed, true, fs.DecimalSeparator);
        return View(out).toString();
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        const int decimals = ClampInt(digits, 0, 18);
        // Rounded once, at whichever is coarser: `precision` significant
        // digits or `decimals` decimals.
        RoundSignificant(value, precision, r);
        if (!r.IsZero() && r.pointPos > precision) {
            // More integer digits than the precision holds: general form.
            if (value < 0) Put(out, '-');
            AppendGeneral(out, r, precision, 0, fs.DecimalSeparator);
            return View(out).toString();
        }
        if (format == ffCurrency) {
            // Money layout is Format's; it rounds at the decimals.
            QString money;
            TryFormat(money, QStringLiteral("%.*m"), {decimals, value}, fs);
            return money;
        }
        if (r.IsZero() || r.pointPos + decimals <= precision) RoundDecimals(value, decimals, r);
        if (value < 0 && !r.IsZero()) Put(out, '-');
        AppendFixed(out, r, decimals, fs.DecimalSeparator,
                    format == ffNumber ? fs.ThousandSeparator : QChar());
        return View(out).toString();
    }
    }
    return View(out).toString();
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}

// ---------------------------------------------------------------------------
// FormatFloat

namespace {

// Splits the pattern into its sections at ';' outside quotes.
int SplitSections(QStringView pat, QStringView sections[3]) {
    int count = 0;
    qsizetype start = 0;
    QChar quote;
    for (qsizetype i = 0; i < pat.size(); ++i) {
        const QChar c = pat[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            if (count < 3) sections[count++] = pat.mid(start, i - start);
            start = i + 1;
            if (count == 3) return count;
        }
    }
    if (count < 3) sections[count++] = pat.mid(start);
    return count;
}

struct TSectionInfo {
    int intPlaces = 0;      // '0' and '#' before the point
    int forcedInt = 0;      // placeholders from the first '0' before the point
    int decPlaces = 0;      // placeholders after the point
    int forcedDec = 0;      // up to the last '0' after the point
    bool thousands = false;
    bool scientific = false;
    bool expPlus = false;
    int expDigits = 0;
    bool hasDigits = false;
};

TSectionInfo Analyse(QStringView sec) {
    TSectionInfo info;
    bool afterPoint = false;
    bool firstZeroSeen = false;
    QChar quote;
    for (qsizetype i = 0; i < sec.size(); ++i) {
        const QChar c = sec[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (info.scientific) continue;  // the exponent's zeros were counted
        switch (c.unicode()) {
        case '\'':
        case '"':
            quote = c;
            break;
        case '0':
        case '#':
            info.hasDigits = true;
            if (afterPoint) {
                ++info.decPlaces;
                if (c == u'0') info.forcedDec = info.decPlaces;
            } else {
                ++info.intPlaces;
                if (c == u'0') firstZeroSeen = true;
                if (firstZeroSeen) ++info.forcedInt;
            }
            break;
        case '.':
            afterPoint = true;
            break;
        case ',':
            if (!afterPoint) info.thousands = true;
            break;
        case 'E':
        case 'e':
            if (i + 1 < sec.size() && (sec[i + 1] == u'+' || sec[i + 1] == u'-')) {
                info.scientific = true;
                info.expPlus = sec[i + 1] == u'+';
                qsizetype k = i + 2;
                while (k < sec.size() && sec[k] == u'0') {
                    ++info.expDigits;
                    ++k;
                }
                if (info.expDigits > 4) info.expDigits = 4;
            }
            break;
        default:
            break;
        }
    }
    return info;
}

// Renders one section for |value| (sign handled by the caller).
void RenderSection(QString& out, QStringView sec, const TSectionInfo& info, const TDecDigits& r,
                   int exponent, const TFormatSettings& fs) {
    // Integer digits to show: the digits left of the point, padded with
    // zeros to the forced count.
    char intBuf[kMaxDigits + 40];
    int intLen = 0;
    for (int i = 0; !r.IsZero() && i < r.pointPos && intLen < kMaxDigits; ++i) intBuf[intLen++] = r.Digit(i);
    // Leading zeros were never produced, so only pad.
    const int pad = info.forcedInt > intLen ? info.forcedInt - intLen : 0;
    // Decimal digits to show: trailing zeros trimmed down to the forced count.
    int decShown = info.decPlaces;
    while (decShown > info.forcedDec && r.Digit(r.pointPos + decShown - 1) == '0') --decShown;

    const int totalInt = intLen + pad;
    auto intDigitAt = [&](int k) -> char { return k < pad ? '0' : intBuf[k - pad]; };
    int intEmitted = 0;
    int intPlaceSeen = 0;
    int decEmitted = 0;
    bool afterPoint = false;
    bool expDone = false;
    QChar quote;
    auto emitInt = [&](int k) {
        out.append(QChar(intDigitAt(k)));
        const int left = totalInt - 1 - k;
        if (info.thousands && left > 0 && left % 3 == 0 && !fs.ThousandSeparator.isNull())
            out.append(fs.ThousandSeparator);
    };
    for (qsizetype i = 0; i < sec.size(); ++i) {
        const QChar c = sec[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out.append(c);
            continue;
        }
        switch (c.unicode()) {
        case '\'':
        case '"':
            quote = c;
            break;
        case '0':
        case '#':
            if (expDone) break;
            if (!afterPoint) {
                ++intPlaceSeen;
                // The first placeholder takes any digits beyond the placeholders.
                const int slotsLeft = info.intPlaces - intPlaceSeen;  // after this one
                while (intEmitted < totalInt && totalInt - intEmitted > slotsLeft) emitInt(intEmitted++);
                if (intPlaceSeen == info.intPlaces) {
                    while (intEmitted < totalInt) emitInt(intEmitted++);
                }
            } else {
                if (decEmitted < decShown) {
                    out.append(QChar(r.Digit(r.pointPos + decEmitted)));
                    ++decEmitted;
                }
            }
            break;
        case '.':
            if (expDone || afterPoint) break;
            // Integer digits when the pattern has no integer placeholders are dropped.
            afterPoint = true;
            if (decShown > 0) out.append(fs.DecimalSeparator);
            break;
        case ',':
            break;
        case 'E':
        case 'e':
            if (info.scientific && !expDone && i + 1 < sec.size() &&
                (sec[i + 1] == u'+' || sec[i + 1] == u'-')) {
                out.append(c);
                if (exponent < 0)
                    out.append(u'-');
                else if (sec[i + 1] == u'+')
                    out.append(u'+');
                QString digits = QString::number(exponent < 0 ? -exponent : exponent);
                for (int k = static_cast<int>(digits.size()); k < info.expDigits; ++k) out.append(u'0');
                out.append(digits);
                i += 1;
                while (i + 1 < sec.size() && sec[i + 1] == u'0') ++i;
                expDone = true;
            } else {
                out.append(c);
            }
            break;
        default:
            out.append(c);
            break;
        }
    }
}

}  // namespace

QString FormatFloat(const QString& pattern, double value, const TFormatSettings& fs) {
    QString out;
    {
        TTextBuf special;
        if (AppendNonFinite(special, value)) return View(special).toString();
    }
    if (pattern.isEmpty()) return FloatToStr(value, fs);
    QStringView sections[3];
    const int count = SplitSections(pattern, sections);

    // Choose the section by sign first; a value that rounds to zero in its
    // section moves to the zero section when there is one.
    int sec = 0;
    if (value < 0 && count >= 2 && !sections[1].isEmpty()) sec = 1;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TSectionInfo info = Analyse(sections[sec]);
        TDecDigits r;
        int exponent = 0;
        if (info.scientific) {
            const int sig = ClampInt(info.intPlaces + info.decPlaces, 1, kMaxPrecision);
            RoundSignificant(value, sig, r);
            if (!r.IsZero()) {
                // Move the point so that intPlaces digits stand before it.
                exponent = r.pointPos - info.intPlaces;
                r.pointPos = info.intPlaces;
            }
            if (r.IsZero()) r.pointPos = info.intPlaces > 0 ? info.intPlaces : 0;
        } else {
            RoundDecimals(value, ClampInt(info.decPlaces, 0, kMaxPrecision), r);
        }
        if (r.IsZero() && attempt == 0) {
            // Zero after rounding: the zero section, else the positive one, never a sign.
            const int zeroSec = (count >= 3 && !sections[2].isEmpty()) ? 2 : 0;
            if (zeroSec != sec) {
                sec = zeroSec;
                continue;
            }
        }
        if (value < 0 && sec == 0 && !r.IsZero()) out.append(u'-');
        RenderSection(out, sections[sec], info, r, exponent, fs);
        break;
    }
    return out;
}

QString FormatFloat(const QString& pattern, double value) {
    return FormatFloat(pattern, value, FormatSettings());
}
