// Decimal digits of a double, rounded half away from zero on its exact binary
// value, and the renderers that turn them into text.  Shared by Format,
// FloatToStr, FloatToStrF and FormatFloat; not part of the public interface.
#pragma once

#include <QChar>
#include <QString>
#include <QVarLengthArray>

#include <cmath>

struct TVarRec;
struct TFormatSettings;

namespace zelk_float {

// Enough for any double: the exact expansion has at most 767 significant digits.
constexpr int kMaxDigits = 780;

// value = 0.d[0] d[1] ... d[n-1] x 10^pointPos; digits past n are zeros.
// n == 0 is zero (then pointPos is 1).  d[0] is never '0' when n > 0.
struct TDecDigits {
    int n = 0;
    int pointPos = 1;
    char d[kMaxDigits + 24];
    char Digit(int i) const { return (i >= 0 && i < n) ? d[i] : '0'; }
    bool IsZero() const { return n == 0; }
};

// |a| must be finite.  Rounds to `sig` significant digits (sig >= 1).
void RoundSignificant(double a, int sig, TDecDigits& r);
// Rounds to `decimals` digits after the decimal point (decimals >= 0).
void RoundDecimals(double a, int decimals, TDecDigits& r);
// The same without the integer and shortest-digits shortcuts: the reference
// that tests hold the shortcuts to.
void RoundSignificantGeneral(double a, int sig, TDecDigits& r);
void RoundDecimalsGeneral(double a, int decimals, TDecDigits& r);

// Renderers append to a stack buffer (one allocation-free pass; the caller
// copies the result into its QString once).  The sign is the caller's business.
using TTextBuf = QVarLengthArray<char16_t, 128>;
inline void Put(TTextBuf& out, char c) { out.append(static_cast<char16_t>(static_cast<unsigned char>(c))); }
inline void Put(TTextBuf& out, QChar c) { out.append(c.unicode()); }
inline void Put(TTextBuf& out, QStringView s) { out.append(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }
inline QStringView View(const TTextBuf& b) { return QStringView(b.data(), b.size()); }

// Fixed: integer part (at least "0"), optional grouping, `decimals` decimals.
void AppendFixed(TTextBuf& out, const TDecDigits& r, int decimals, QChar decSep,
                 QChar thouSep /* QChar() for none */);
// Scientific: d.ddd with sig-1 decimals, "E", sign ('+' only when
// forcePlus), exponent with at least expDigits digits.
void AppendExponent(TTextBuf& out, const TDecDigits& r, int sig, int expDigits, bool forcePlus,
                    QChar decSep);
// General (FloatToStr style) from digits rounded to `sig`: trailing zeros
// removed; scientific when pointPos > sig or pointPos < -3.
void AppendGeneral(TTextBuf& out, const TDecDigits& r, int sig, int expDigits, QChar decSep);

// Short conversions written right to left into a caller's buffer, without
// the digit record: the text ends just before `end` and the function returns
// where it starts, or nullptr when the value needs the general path (the
// caller then uses RoundDecimals/RoundSignificant and the renderers, which
// give the same text).  The buffer must hold kShortTextMax characters.
constexpr int kShortTextMax = 64;
// As Format "%.Nf" (no grouping) for 0 <= decimals <= 19; handles every
// finite |v| < 2^63.
char16_t* ShortFixedText(double v, int decimals, char16_t decSep, char16_t* end);
// As Format "%.Ng" and FloatToStr (AppendGeneral without a minimum exponent
// width) for 1 <= sig <= 17; handles zero, whole numbers of up to sig digits
// below 2^53, and normal values that need at most 22 decimals at sig digits
// and whose integer part fits 64 bits.
char16_t* ShortGeneralText(double v, int sig, char16_t decSep, char16_t* end);

// Format and FloatToStr without the short conversions above: the reference
// that tests hold them to.
bool TryFormatGeneral(QString& out, const QString& fmt, const TVarRec* args, int argCount,
                      const TFormatSettings& settings) noexcept;
QString FloatToStrGeneral(double value, const TFormatSettings& settings);

// Appends "NAN", "INF" or "-INF" and returns true when v is not finite.
bool AppendNonFiniteText(TTextBuf& out, double v);
inline bool AppendNonFinite(TTextBuf& out, double v) {
    return !std::isfinite(v) && AppendNonFiniteText(out, v);
}

}  // namespace zelk_float
