// Exceptions, integer text, rounding and the string helpers of SysUtils.h.
#include "SysUtils.h"

#include <QCollator>
#include <QLocale>
#include <cmath>

// ---------------------------------------------------------------------------
// Exceptions

Exception::Exception(const QString& message) : FMessage(message), FWhat(message.toUtf8()) {}

Exception::~Exception() = default;

void Exception::SetMessage(const QString& message) {
    FMessage = message;
    FWhat = message.toUtf8();
}

const char* Exception::what() const noexcept { return FWhat.constData(); }

static QString WithReason(QString text, const QString& reason) {
    if (!reason.isEmpty()) {
        text += QLatin1String(". ");
        text += reason;
    }
    return text;
}

EFOpenError EFOpenError::ForFile(const QString& fileName, const QString& reason) {
    return EFOpenError(WithReason(QStringLiteral("Cannot open file \"%1\"").arg(fileName), reason));
}

EFCreateError EFCreateError::ForFile(const QString& fileName, const QString& reason) {
    return EFCreateError(WithReason(QStringLiteral("Cannot create file \"%1\"").arg(fileName), reason));
}

// ---------------------------------------------------------------------------
// Integers to text

QString IntToStr(int value) { return QString::number(value); }

QString IntToStr(std::int64_t value) { return QString::number(static_cast<qlonglong>(value)); }

QString IntToHex(std::int64_t value, int digits) {
    QString s = QString::number(static_cast<qulonglong>(value), 16).toUpper();
    if (digits > 64) digits = 64;
    if (s.size() < digits) s.prepend(QString(digits - s.size(), u'0'));
    return s;
}

// ---------------------------------------------------------------------------
// Rounding

namespace {
// 2^63 as a double: the first value that does not fit in int64.
constexpr double kTwo63 = 9223372036854775808.0;
}  // namespace

bool TryRound(double value, std::int64_t& result) noexcept {
    if (!std::isfinite(value)) return false;
    // Halves to even, independent of the floating-point rounding mode.
    double r = std::floor(value);
    const double diff = value - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    if (r >= kTwo63 || r < -kTwo63) return false;
    result = static_cast<std::int64_t>(r);
    return true;
}

std::int64_t Round(double value) {
    std::int64_t r = 0;
    if (!TryRound(value, r)) throw EConvertError(QStringLiteral("Invalid floating point operation"));
    return r;
}

std::int64_t Trunc(double value) {
    const double t = std::trunc(value);
    if (!std::isfinite(t) || t >= kTwo63 || t < -kTwo63)
        throw EConvertError(QStringLiteral("Invalid floating point operation"));
    return static_cast<std::int64_t>(t);
}

double Frac(double value) noexcept {
    double ip;
    return std::modf(value, &ip);
}

double Int(double value) noexcept { return std::trunc(value); }

// ---------------------------------------------------------------------------
// Text helpers

QString Trim(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 0x20) ++b;
    while (e > b && s[e - 1].unicode() <= 0x20) --e;
    return (b == 0 && e == s.size()) ? s : s.mid(b, e - b);
}

QString TrimLeft(const QString& s) {
    qsizetype b = 0;
    while (b < s.size() && s[b].unicode() <= 0x20) ++b;
    return b == 0 ? s : s.mid(b);
}

QString TrimRight(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1].unicode() <= 0x20) --e;
    return e == s.size() ? s : s.left(e);
}

QString ReplaceAllCI(const QString& s, const QString& from, const QString& to) {
    if (from.isEmpty()) return s;
    QString r = s;
    r.replace(from, to, Qt::CaseInsensitive);
    return r;
}

QString UpperCase(const QString& s) {
    QString r = s;
    for (qsizetype i = 0; i < r.size(); ++i) {
        const char16_t c = r[i].unicode();
        if (c >= 'a' && c <= 'z') r[i] = QChar(static_cast<char16_t>(c - 32));
    }
    return r;
}

QString LowerCase(const QString& s) {
    QString r = s;
    for (qsizetype i = 0; i < r.size(); ++i) {
        const char16_t c = r[i].unicode();
        if (c >= 'A' && c <= 'Z') r[i] = QChar(static_cast<char16_t>(c + 32));
    }
    return r;
}

QString AnsiUpperCase(const QString& s) { return s.toUpper(); }

QString AnsiLowerCase(const QString& s) { return s.toLower(); }

static inline char16_t AsciiUpper(char16_t c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 32) : c;
}

int CompareText(QStringView a, QStringView b) noexcept {
    const qsizetype n = a.size() < b.size() ? a.size() : b.size();
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(AsciiUpper(a[i].unicode())) - int(AsciiUpper(b[i].unicode()));
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool SameText(QStringView a, QStringView b) noexcept {
    return a.size() == b.size() && CompareText(a, b) == 0;
}

int CompareStr(QStringView a, QStringView b) noexcept {
    const int c = a.compare(b, Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int AnsiCompareStr(const QString& a, const QString& b) {
    const int c = QString::localeAwareCompare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int AnsiCompareText(const QString& a, const QString& b) {
    // A collator is costly to build: keep one per thread for the default locale.
    thread_local QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int c = collator.compare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool AnsiSameText(const QString& a, const QString& b) { return AnsiCompareText(a, b) == 0; }

int Pos(QStringView sub, QStringView s) noexcept {
    if (sub.isEmpty()) return 0;
    const qsizetype i = s.indexOf(sub);
    return i < 0 ? 0 : static_cast<int>(i + 1);
}

int Pos(QChar c, QStringView s) noexcept {
    const qsizetype i = s.indexOf(c);
    return i < 0 ? 0 : static_cast<int>(i + 1);
}

QString Copy(const QString& s, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > s.size()) return QString();
    return s.mid(index - 1, count);
}
