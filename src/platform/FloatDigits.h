// Decimal digits of a double, rounded half away from zero on its exact binary
// value, and the renderers that turn them into text.  Shared by Format,
// FloatToStr, FloatToStrF and FormatFloat; not part of the public interface.
#pragma once

#include <QChar>
#include <QString>
#include <QVarLengthArray>

#include <cmath>

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

// Appends "NAN", "INF" or "-INF" and returns true when v is not finite.
bool AppendNonFiniteText(TTextBuf& out, double v);
inline bool AppendNonFinite(TTextBuf& out, double v) {
    return !std::isfinite(v) && AppendNonFiniteText(out, v);
}

}  // namespace zelk_float
