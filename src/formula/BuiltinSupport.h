// Helpers shared by the built-in function files (Builtins*.cpp).
#pragma once

#include "Builtins.h"
#include "FormulaErrors.h"
#include "GridFormula.h"

#include <QString>

#include <cmath>
#include <cstdint>

namespace builtins {

// 2^63: the first double beyond the 64-bit integer range.
constexpr double Two63 = 9223372036854775808.0;

// Nearest whole number with halves to the even neighbour, as a double, for any
// finite value (no conversion to an integer type, so no range limit).
inline double RoundHalfEven(double x)
{
    double r = std::floor(x);
    const double diff = x - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    return r;
}

// True when a whole number held in a double fits a signed 64-bit integer.
inline bool FitsInt64(double whole) { return whole >= -Two63 && whole < Two63; }

// A number argument truncated toward zero and limited to the int range, for
// character counts and positions (NaN counts as 0).
inline int ClampToInt(double x)
{
    if (!(x == x))
        return 0;
    const double t = std::trunc(x);
    if (t >= 2147483647.0)
        return 2147483647;
    if (t <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(t);
}

// Stores `value` as the result; an infinite result raises Overflow (15) and
// an undefined one Invalid value (3) at `pos`, as the arithmetic operators
// do.  Only the first error of an evaluation is reported, so an argument that
// was already infinite through an earlier overflow adds nothing.
inline void SetChecked(TBuiltinCall& c, double value, int pos)
{
    c.Result = value;
    if (!std::isfinite(value))
        c.Error(std::isnan(value) ? feInvalidValue : feOverflow, pos);
}

// A text item as the condition matcher sees it: wide texts decoded, the zero
// placeholder that stands for a literal 0 read as "0".
inline QString MatchText(const QString& s)
{
    if (s.size() == 1 && s[0] == QChar(0))
        return QStringLiteral("0");
    return TGridFormula::DecodeWideText(s);
}

}  // namespace builtins
