// Built-in mathematics: the constants PI, E, ROW and COL, the functions of one
// number, CEILING and POWER.
#include "BuiltinSupport.h"
#include "MathLib.h"

#include <Random.h>

#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

using namespace builtins;

constexpr double Pi = std::numbers::pi;
constexpr double TwoPi = 2.0 * std::numbers::pi;

double X(const TBuiltinCall& c) { return c.Args[0]; }

// Result of a one-number function; a non-finite result is an error at arg.
void Set(TBuiltinCall& c, double value) { SetChecked(c, value, c.ArgPos); }

// Error 3 at arg; the number slot keeps the argument.
void Invalid(TBuiltinCall& c)
{
    c.Result = X(c);
    c.Error(feInvalidValue, c.ArgPos);
}

// Brings an angle into (0, period] when it is above the period and into
// [-period, 0) when it is below minus the period, as repeated subtraction
// would, but in one floating remainder so huge angles cost nothing.
bool WrapAngle(double x, double period, double& wrapped)
{
    if (!std::isfinite(x))
        return false;
    if (x > period) {
        x = std::fmod(x, period);
        if (x <= 0.0)
            x += period;
    } else if (x < -period) {
        x = std::fmod(x, period);
        if (x >= 0.0)
            x -= period;
    }
    wrapped = x;
    return true;
}

void Radians(TBuiltinCall& c)
{
    double x = 0;
    if (!WrapAngle(X(c), 360.0, x))
        return Invalid(c);
    Set(c, x / 180.0 * Pi);
}

void Degrees(TBuiltinCall& c)
{
    double x = 0;
    if (!WrapAngle(X(c), TwoPi, x))
        return Invalid(c);
    Set(c, x / Pi * 180.0);
}

void Asin(TBuiltinCall& c)
{
    const double x = X(c);
    if (!(std::fabs(x) <= 1.0))
        return Invalid(c);
    if (x == 1.0)
        return Set(c, Pi / 2);
    if (x == -1.0)
        return Set(c, -Pi / 2);
    Set(c, std::atan(x / std::sqrt(1.0 - x * x)));
}

void Acos(TBuiltinCall& c)
{
    const double x = X(c);
    if (!(std::fabs(x) <= 1.0))
        return Invalid(c);  // beyond -1 as beyond 1
    if (x == 0.0)
        return Set(c, Pi / 2);
    if (x > 0.0)
        return Set(c, std::atan(std::sqrt(1.0 - x * x) / x));
    Set(c, std::acos(x));  // the principal value, pi/2 .. pi, for negative x
}

// Whole-number results "through a 64-bit integer": values without such an
// integer are errors instead of undefined conversions.
void WholeResult(TBuiltinCall& c, double whole)
{
    if (!std::isfinite(whole))
        return Invalid(c);
    if (!FitsInt64(whole)) {
        c.Result = X(c);
        c.Error(feOverflow, c.ArgPos);
        return;
    }
    c.Result = static_cast<double>(static_cast<int64_t>(whole));
}

void Fact(TBuiltinCall& c)
{
    const double x = X(c);
    if (std::isnan(x))
        return Invalid(c);
    const double n = RoundHalfEven(x);
    if (n <= 0.0) {
        c.Result = 1.0;
        return;
    }
    if (n > 170.0) {  // 171! is beyond the double range
        c.Result = x;
        c.Error(feOverflow, c.ArgPos);
        return;
    }
    double f = 1.0;
    for (int k = 2; k <= static_cast<int>(n); ++k)
        f *= k;
    c.Result = f;
}

void Rand(TBuiltinCall& c)
{
    const double n = std::isfinite(X(c)) ? RoundHalfEven(X(c)) : X(c);
    if (!std::isfinite(n))
        return Invalid(c);
    if (n <= 0.0) {
        c.Result = 0.0;  // nothing below a bound of zero or less
        return;
    }
    if (n <= 2147483647.0) {
        c.Result = Random(static_cast<int32_t>(n));
        return;
    }
    c.Result = std::floor(Random() * n);
}

void Ceiling(TBuiltinCall& c)
{
    const double x = c.Args[0], s = c.Args[1];
    if (s == 0.0) {
        c.Result = x;
        c.Error(feInvalidValue, c.EndPos);
        return;
    }
    double q = x / s;
    const double frac = q - std::trunc(q);
    q = frac > 0.0 ? std::trunc(q + 1.0) : std::trunc(q);
    Set(c, q * s);
}

void Power(TBuiltinCall& c)
{
    const TParamList& p = *c.Numbers;
    if (p.Count() != 2) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    const double b = p.Values(0), e = p.Values(1);
    if (b < 0.0) {
        c.Error(feInvalidValue, c.NamePos);
        return;
    }
    if (b == 0.0) {
        c.Result = 0.0;  // also for a zero exponent, unlike the ^ operator
        return;
    }
    SetChecked(c, std::exp(e * std::log(b)), c.NamePos);
}

const TBuiltinRegistrar registerMaths{{
    {"PI", bfKeyword, [](TBuiltinCall& c) { c.Result = Pi; }},
    {"E", bfKeyword, [](TBuiltinCall& c) { c.Result = std::exp(1.0); }},
    {"ROW", bfKeyword, [](TBuiltinCall& c) { c.Result = c.Row(); }},
    {"COL", bfKeyword, [](TBuiltinCall& c) { c.Result = c.Col(); }},

    {"ABS", bfNumArg, [](TBuiltinCall& c) { Set(c, std::fabs(X(c))); }},
    {"SIN", bfNumArg, [](TBuiltinCall& c) { Set(c, std::sin(X(c))); }},
    {"COS", bfNumArg, [](TBuiltinCall& c) { Set(c, std::cos(X(c))); }},
    {"TAN", bfNumArg, [](TBuiltinCall& c) {
         const double cs = std::cos(X(c));
         if (cs == 0.0)
             return Invalid(c);
         Set(c, std::sin(X(c)) / cs);
     }},
    {"COTAN", bfNumArg, [](TBuiltinCall& c) {
         const double sn = std::sin(X(c));
         if (sn == 0.0)
             return Invalid(c);
         Set(c, std::cos(X(c)) / sn);
     }},
    // The library hyperbolic functions equal the exponential definitions and
    // stay accurate near 0 and finite where e^x alone would overflow.
    {"SINH", bfNumArg, [](TBuiltinCall& c) { Set(c, std::sinh(X(c))); }},
    {"COSH", bfNumArg, [](TBuiltinCall& c) { Set(c, std::cosh(X(c))); }},
    {"TANH", bfNumArg, [](TBuiltinCall& c) { Set(c, std::tanh(X(c))); }},
    {"COTANH", bfNumArg, [](TBuiltinCall& c) {
         if (X(c) == 0.0)
             return Invalid(c);
         Set(c, 1.0 / std::tanh(X(c)));
     }},
    {"ATAN", bfNumArg, [](TBuiltinCall& c) { Set(c, std::atan(X(c))); }},
    {"ACOTAN", bfNumArg, [](TBuiltinCall& c) {
         if (X(c) == 0.0)
             return Invalid(c);
         Set(c, std::atan(1.0 / X(c)));
     }},
    {"ASIN", bfNumArg, Asin},
    {"ACOS", bfNumArg, Acos},
    {"EXP", bfNumArg, [](TBuiltinCall& c) { Set(c, std::exp(X(c))); }},
    {"LN", bfNumArg, [](TBuiltinCall& c) {
         if (!(X(c) > 0.0))
             return Invalid(c);
         Set(c, std::log(X(c)));
     }},
    // log10 and log2 are exact on powers of their base (ln x / ln 10 is not).
    {"LOG10", bfNumArg, [](TBuiltinCall& c) {
         if (!(X(c) > 0.0))
             return Invalid(c);
         Set(c, std::log10(X(c)));
     }},
    {"LOG2", bfNumArg, [](TBuiltinCall& c) {
         if (!(X(c) > 0.0))
             return Invalid(c);
         Set(c, std::log2(X(c)));
     }},
    {"SQR", bfNumArg, [](TBuiltinCall& c) { Set(c, X(c) * X(c)); }},
    {"SQRT", bfNumArg, [](TBuiltinCall& c) {
         if (!(X(c) >= 0.0))
             return Invalid(c);  // the root of 0 is 0
         Set(c, std::sqrt(X(c)));
     }},
    {"CUBE", bfNumArg, [](TBuiltinCall& c) { Set(c, X(c) * X(c) * X(c)); }},
    {"CHS", bfNumArg, [](TBuiltinCall& c) { Set(c, -X(c)); }},
    {"INT", bfNumArg, [](TBuiltinCall& c) { Set(c, std::trunc(X(c))); }},
    {"FRAC", bfNumArg, [](TBuiltinCall& c) { Set(c, X(c) - std::trunc(X(c))); }},
    {"TRUNC", bfNumArg, [](TBuiltinCall& c) { WholeResult(c, std::trunc(X(c))); }},
    {"ROUND", bfNumArg, [](TBuiltinCall& c) {
         WholeResult(c, std::isfinite(X(c)) ? RoundHalfEven(X(c)) : X(c));
     }},
    {"FACT", bfNumArg, Fact},
    {"RAND", bfNumArg, Rand},
    {"RADIANS", bfNumArg, Radians},
    {"DEGREES", bfNumArg, Degrees},

    {"CEILING", bfNumArgs2, Ceiling},
    {"POWER", bfNumList, Power},
}};

}  // namespace
