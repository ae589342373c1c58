#include "TextHelpers.h"

#include "FormatSettings.h"
#include "SysUtils.h"

#include <cstdint>

namespace {

bool IsAsciiDigit(QChar c) noexcept { return c >= u'0' && c <= u'9'; }

}  // namespace

QString CleanNumberText(const QString& text)
{
    if (text.isEmpty())
        return QString();
    const QChar thousands = FormatSettings().ThousandSeparator;
    const QChar decimal = FormatSettings().DecimalSeparator;
    auto isNumberChar = [&](QChar c) {
        return IsAsciiDigit(c) || c == thousands || c == decimal || c == u'e' || c == u'E';
    };

    QString s = Trim(text);
    bool negative = s.startsWith(u'(') && s.endsWith(u')');

    // Drop the leading decoration (currency, blanks, a sign, an opening
    // parenthesis), keeping at least one character.
    qsizetype start = 0;
    while (s.size() - start >= 2 && !isNumberChar(s[start])) {
        if (s[start] == u'-')
            negative = true;
        ++start;
    }

    QString result;
    result.reserve(s.size() - start + 1);
    if (negative)
        result.append(u'-');
    for (qsizetype i = start; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == thousands)
            continue;
        if (c == decimal)
            result.append(u'.');
        else if (IsAsciiDigit(c) || c == u'.' || c == u'-' || c == u'e' || c == u'E' || c == u'+')
            result.append(c);
        else
            break;
    }
    return result;
}

QString StripMarkup(const QString& text)
{
    QString s = text;
    if (s.contains(u'<')) {
        s.replace(QStringLiteral("<BR>"), QStringLiteral("\r\n"), Qt::CaseInsensitive);
        s.replace(QStringLiteral("<HR>"), QStringLiteral("\r\n"), Qt::CaseInsensitive);
    } else {
        return s;
    }

    QString result;
    result.reserve(s.size());
    qsizetype pos = 0;
    while (pos < s.size()) {
        const qsizetype open = s.indexOf(u'<', pos);
        if (open < 0)
            break;
        const qsizetype close = s.indexOf(u'>', open + 1);
        if (close < 0)
            break;  // an unclosed "<" is ordinary text: copy the rest below
        result.append(QStringView(s).mid(pos, open - pos));
        pos = close + 1;
    }
    result.append(QStringView(s).mid(pos));
    return result;
}

bool IsWideText(QStringView text) noexcept
{
    return text.size() >= 2 && text[0] == u'|' && text[1] == u'\\';
}

QString EncodeWideText(const QString& value)
{
    QString result;
    result.reserve(2 + 2 * value.size());
    result.append(u'|');
    result.append(u'\\');
    for (QChar c : value) {
        const char16_t unit = c.unicode();
        result.append(QChar(char16_t(unit >> 8)));
        result.append(QChar(char16_t(unit & 0xFF)));
    }
    return result;
}

QString DecodeWideText(const QString& text)
{
    if (!IsWideText(text))
        return text;
    const qsizetype units = (text.size() - 2) / 2;
    QString result(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t hi = text[2 + 2 * i].unicode() & 0xFF;
        const char16_t lo = text[3 + 2 * i].unicode() & 0xFF;
        result[i] = QChar(char16_t((hi << 8) | lo));
    }
    return result;
}

TNumberKind ClassifyNumber(QStringView text) noexcept
{
    const qsizetype n = text.size();
    if (n == 0)
        return nkText;
    const QChar thousands = FormatSettings().ThousandSeparator;
    const QChar decimal = FormatSettings().DecimalSeparator;

    bool allDigits = true;
    bool isFloat = true;
    bool isScientific = true;
    bool hasExponent = false;
    qsizetype lastThousandsPos = -1;
    int decimalCount = 0;
    int minusCount = 0;

    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype p = i + 1;  // positions are counted from 1
        const QChar c = text[i];
        const bool digit = c.isDigit();
        const bool exponent = c == u'e' || c == u'E';
        if (!digit && c != u'-')
            allDigits = false;
        if (exponent) {
            if (hasExponent)
                isScientific = false;
            hasExponent = true;
        }
        if (p > 1 && c == u'-') {
            allDigits = false;
            isFloat = false;
        }
        if (p == 1 && exponent)
            isScientific = false;
        if (p == n && (exponent || c == u'+' || c == u'-'))
            isScientific = false;
        if (!digit && c != u'-' && c != thousands && c != decimal)
            isFloat = false;
        if (!(digit || c == thousands || c == decimal || exponent || c == u'+' || c == u'-') ||
            c == thousands)
            isScientific = false;
        if (c == thousands) {
            if (lastThousandsPos != -1 && p - lastThousandsPos < 4)
                isFloat = false;
            lastThousandsPos = p;
        }
        if (c == decimal)
            ++decimalCount;
        if (c == u'-')
            ++minusCount;
    }

    TNumberKind kind;
    if (allDigits) {
        kind = nkInteger;
    } else {
        kind = nkText;
        if (isFloat && !hasExponent)
            kind = nkFloat;
        if (isScientific && hasExponent) {
            kind = nkScientific;
            if (minusCount == 2)
                minusCount = 1;  // one sign before the mantissa, one in the exponent
        }
    }
    if (minusCount > 1 || decimalCount > 1)
        kind = nkText;
    return kind;
}

TCellTextKind GetTextKind(QStringView text, bool allowMarkup) noexcept
{
    // The rules look one character past the text, which reads as a blank.
    const qsizetype len = text.size() + 1;
    if (len <= 1)
        return ckPlain;
    auto at = [&](qsizetype i) -> QChar { return i < text.size() ? text[i] : QChar(u' '); };

    if (at(0) == u'=')
        return ckFormula;
    if (at(0) == u'|' && at(1) == u'\\') {
        if (len > 4 && at(3) == u'=' && at(4) == QChar(u'\0'))
            return ckFormula;
        return ckWide;
    }
    if (at(0) == u'{' && at(1) == u'\\')
        return ckRTF;
    if (allowMarkup) {
        for (qsizetype i = 0; i + 1 < len; ++i) {
            if (at(i) != u'<')
                continue;
            const char16_t next = at(i + 1).toUpper().unicode();
            if (next == u'/' || next == u'P' || next == u'I' || next == u'B' || next == u'C')
                return ckHTML;
        }
    }
    return ckPlain;
}

int LineCount(QStringView text, bool multiLine) noexcept
{
    if (!multiLine)
        return 1;
    int lines = 1;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (text[i] == u'\r') {
            i += 2;  // the CR and the LF after it
            if (i < n)
                ++lines;
        } else {
            ++i;
        }
    }
    return lines;
}

bool TryCellTextToInteger(const QString& text, int& value)
{
    QString s = Trim(StripMarkup(text));
    if (s.isEmpty() || s == u"-") {
        value = 0;
        return true;
    }
    if (s.contains(FormatSettings().DecimalSeparator) || s.contains(FormatSettings().ThousandSeparator)) {
        double d = 0.0;
        std::int64_t rounded = 0;
        if (!TryStrToFloat(s, d) || !TryRound(d, rounded) || rounded < INT32_MIN || rounded > INT32_MAX)
            return false;
        value = static_cast<int>(rounded);
        return true;
    }
    return TryStrToInt(s, value);
}

bool TryCellTextToFloat(const QString& text, double& value)
{
    // A plain number ("-12.5", "42") comes out of the mark-up and number
    // cleaning unchanged when "." is the decimal separator: parse it in place.
    {
        const TFormatSettings& fs = FormatSettings();
        const qsizetype n = text.size();
        if (fs.DecimalSeparator == u'.' && fs.ThousandSeparator != u'.' && n > 0 && n <= 24) {
            const QChar* p = text.constData();
            qsizetype k = p[0] == u'-' ? 1 : 0;
            int digits = 0, points = 0;
            for (; k < n; ++k) {
                const char16_t c = p[k].unicode();
                if (c >= u'0' && c <= u'9')
                    ++digits;
                else if (c == u'.')
                    ++points;
                else
                    break;
            }
            if (k == n && digits > 0 && points <= 1)
                return ValFloat(QStringView(text), value) == 0;
        }
    }
    QString s = CleanNumberText(StripMarkup(text));
    if (s.isEmpty() || s == u"-") {
        value = 0.0;
        return true;
    }
    return ValFloat(s, value) == 0;
}
