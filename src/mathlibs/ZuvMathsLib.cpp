#include "ZuvMathsLib.h"

#include "FormulaErrors.h"
#include "ZuvMaths.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// ---------------------------------------------------------------------------
// Constants

struct TConstantEntry {
    const char16_t* Name;
    Extended Value;
};

const TConstantEntry Constants[] = {
    {u"SQRT2", ZuvConst::Sqrt2},
    {u"SQRT3", ZuvConst::Sqrt3},
    {u"SQRT5", ZuvConst::Sqrt5},
    {u"SQRT10", ZuvConst::Sqrt10},
    {u"SQRTPI", ZuvConst::SqrtPi},
    {u"CBRT2", ZuvConst::Cbrt2},
    {u"CBRT3", ZuvConst::Cbrt3},
    {u"CBRT10", ZuvConst::Cbrt10},
    {u"CBRT100", ZuvConst::Cbrt100},
    {u"CBRTPI", ZuvConst::CbrtPi},
    {u"INVSQRT2", ZuvConst::InvSqrt2},
    {u"INVSQRT3", ZuvConst::InvSqrt3},
    {u"INVSQRT5", ZuvConst::InvSqrt5},
    {u"INVSQRTPI", ZuvConst::InvSqrtPi},
    {u"INVCBRTPI", ZuvConst::InvCbrtPi},
    {u"ZUVE", ZuvConst::E},
    {u"ZUVE2", ZuvConst::E2},
    {u"ZUVEPI", ZuvConst::EPi},
    {u"ZUVEPION2", ZuvConst::EPiOn2},
    {u"ZUVEPION4", ZuvConst::EPiOn4},
    {u"LOG10BASE2", ZuvConst::Log10Base2},
    {u"LOG2BASE10", ZuvConst::Log2Base10},
    {u"LOG3BASE10", ZuvConst::Log3Base10},
    {u"LOGEBASE10", ZuvConst::LogEBase10},
    {u"ZUVPI", ZuvConst::Pi},
    {u"INVPI", ZuvConst::InvPi},
    {u"TWOPI", ZuvConst::TwoPi},
    {u"THREEPI", ZuvConst::ThreePi},
    {u"PI2", ZuvConst::Pi2},
    {u"PITOE", ZuvConst::PiToE},
    {u"PION2", ZuvConst::PiOn2},
    {u"PION3", ZuvConst::PiOn3},
    {u"PION4", ZuvConst::PiOn4},
    {u"THREEPION2", ZuvConst::ThreePiOn2},
    {u"FOURPION3", ZuvConst::FourPiOn3},
    {u"TWOTO63", ZuvConst::TwoTo63},
    {u"ONERADIAN", ZuvConst::OneRadian},
    {u"ONEDEGREE", ZuvConst::OneDegree},
    {u"ONEMINUTE", ZuvConst::OneMinute},
    {u"ONESECOND", ZuvConst::OneSecond},
    {u"ZUVGAMMA", ZuvConst::EulerGamma},
    {u"LNRT2PI", ZuvConst::LnRt2Pi},
    {u"LN2", ZuvConst::Ln2},
    {u"LN10", ZuvConst::Ln10},
    {u"LNPI", ZuvConst::LnPi},
    {u"LOGPIBASE10", ZuvConst::LogPiBase10},
};

const TConstantEntry* FindConstant(const QString& name)
{
    for (const auto& c : Constants)
        if (name == QStringView(c.Name))
            return &c;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Functions

// What a function reports besides its value.
struct TCallError {
    int Type = feNone;
    int Param = 0;
    void Set(int type, int param)
    {
        Type = type;
        Param = param;
    }
};

using TCalc = Extended (*)(const TParamList& p, TCallError& err);

struct TFunctionEntry {
    const char16_t* Name;
    int MinParams;
    TCalc Calc;
};

constexpr double MaxLongWord = 4294967295.0;
constexpr double MinLongInt = -2147483648.0;
constexpr double MaxLongInt = 2147483647.0;

bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

// Checks a parameter that must be a 32-bit unsigned whole number after rounding.
bool LongWordParam(const TParamList& p, int index, TCallError& err, std::uint32_t& out)
{
    const double v = p.Values(index);
    if (!InRange(v, 0.0, MaxLongWord)) {
        err.Set(feInvalidValue, index);
        return false;
    }
    out = static_cast<std::uint32_t>(ZuvRound(v));
    return true;
}

bool LongIntParam(const TParamList& p, int index, TCallError& err, std::int32_t& out)
{
    const double v = p.Values(index);
    if (!InRange(v, MinLongInt, MaxLongInt)) {
        err.Set(feInvalidValue, index);
        return false;
    }
    out = static_cast<std::int32_t>(ZuvRound(v));
    return true;
}

Extended CalcGCD(const TParamList& p, TCallError& err)
{
    std::uint32_t x, y;
    if (!LongWordParam(p, 0, err, x) || !LongWordParam(p, 1, err, y))
        return 0;
    return ZuvGCD(x, y);
}

Extended CalcLCM(const TParamList& p, TCallError& err)
{
    std::int32_t x, y;
    if (!LongIntParam(p, 0, err, x) || !LongIntParam(p, 1, err, y))
        return 0;
    return static_cast<Extended>(ZuvLCM(x, y));
}

Extended CalcRelPrime(const TParamList& p, TCallError& err)
{
    std::uint32_t x, y;
    if (!LongWordParam(p, 0, err, x) || !LongWordParam(p, 1, err, y))
        return 0;
    return ZuvRelPrime(x, y) ? 1 : 0;
}

Extended CalcDistance(const TParamList& p, TCallError&)
{
    return ZuvDistance(p.Values(0), p.Values(1), p.Values(2), p.Values(3));
}

Extended CalcExtMod(const TParamList& p, TCallError& err)
{
    if (ZuvIsZero(p.Values(1))) {
        err.Set(feDivisionByZero, 1);
        return 0;
    }
    return ZuvExtMod(p.Values(0), p.Values(1));
}

Extended CalcExtRem(const TParamList& p, TCallError& err)
{
    if (ZuvIsZero(p.Values(1))) {
        err.Set(feDivisionByZero, 1);
        return 0;
    }
    return ZuvExtRem(p.Values(0), p.Values(1));
}

Extended CalcFact(const TParamList& p, TCallError& err)
{
    std::uint32_t n;
    if (!LongWordParam(p, 0, err, n))
        return 0;
    return ZuvFact(n);
}

// N and R of ZUVPERM and ZUVCOMB: N a LongWord, R in [0, round N].
bool CountParams(const TParamList& p, TCallError& err, std::uint32_t& n, std::uint32_t& r)
{
    if (!LongWordParam(p, 0, err, n))
        return false;
    const double rv = p.Values(1);
    if (!InRange(rv, 0.0, double(n))) {
        err.Set(feInvalidValue, 1);
        return false;
    }
    r = static_cast<std::uint32_t>(ZuvRound(rv));
    return true;
}

Extended CalcPerm(const TParamList& p, TCallError& err)
{
    std::uint32_t n, r;
    if (!CountParams(p, err, n, r))
        return 0;
    return ZuvPerm(n, r);
}

Extended CalcComb(const TParamList& p, TCallError& err)
{
    std::uint32_t n, r;
    if (!CountParams(p, err, n, r))
        return 0;
    return ZuvComb(n, r);
}

bool AngleParam(const TParamList& p, TCallError& err)
{
    if (!(std::fabs(p.Values(0)) < double(ZuvConst::TwoTo63))) {
        err.Set(feInvalidValue, 0);
        return false;
    }
    return true;
}

Extended CalcTan(const TParamList& p, TCallError& err)
{
    if (!AngleParam(p, err))
        return 0;
    return ZuvTan(p.Values(0));
}

Extended CalcCot(const TParamList& p, TCallError& err)
{
    if (!AngleParam(p, err))
        return 0;
    if (ZuvIsZero(p.Values(0))) { // tan 0 = 0: the cotangent has a pole there
        err.Set(feDivisionByZero, 0);
        return 0;
    }
    return ZuvCot(p.Values(0));
}

Extended CalcArcTan(const TParamList& p, TCallError&) { return ZuvArcTan2(p.Values(0), p.Values(1)); }
Extended CalcArcSin(const TParamList& p, TCallError&) { return ZuvArcSin(p.Values(0)); }
Extended CalcArcCos(const TParamList& p, TCallError&) { return ZuvArcCos(p.Values(0)); }
Extended CalcGamma(const TParamList& p, TCallError&) { return ZuvGamma(p.Values(0)); }
Extended CalcInvGamma(const TParamList& p, TCallError&) { return ZuvInverseGamma(p.Values(0)); }

Extended CalcLnGamma(const TParamList& p, TCallError& err)
{
    if (!ZuvIsPositive(p.Values(0))) {
        err.Set(feInvalidValue, 0);
        return 0;
    }
    return ZuvLnGamma(p.Values(0));
}

Extended CalcBeta(const TParamList& p, TCallError&) { return ZuvBeta(p.Values(0), p.Values(1)); }

Extended CalcIncompBeta(const TParamList& p, TCallError& err)
{
    const double x = p.Values(0);
    if (!InRange(x, 0.0, 1.0)) {
        err.Set(feInvalidValue, 0);
        return 0;
    }
    if (!ZuvIsPositive(p.Values(1))) {
        err.Set(feInvalidValue, 1);
        return 0;
    }
    if (!ZuvIsPositive(p.Values(2))) {
        err.Set(feInvalidValue, 2);
        return 0;
    }
    return ZuvIncompleteBeta(x, p.Values(1), p.Values(2));
}

const TFunctionEntry Functions[] = {
    {u"GCD", 2, CalcGCD},
    {u"LCM", 2, CalcLCM},
    {u"RELPRIME", 2, CalcRelPrime},
    {u"DISTANCE", 4, CalcDistance},
    {u"EXTMOD", 2, CalcExtMod},
    {u"EXTREM", 2, CalcExtRem},
    {u"ZUVFACT", 1, CalcFact},
    {u"ZUVPERM", 2, CalcPerm},
    {u"ZUVCOMB", 2, CalcComb},
    {u"ZUVTAN", 1, CalcTan},
    {u"ZUVCOT", 1, CalcCot},
    {u"ZUVARCTAN", 2, CalcArcTan},
    {u"ZUVARCSIN", 1, CalcArcSin},
    {u"ZUVARCCOS", 1, CalcArcCos},
    {u"GAMMA", 1, CalcGamma},
    {u"INVGAMMA", 1, CalcInvGamma},
    {u"LNGAMMA", 1, CalcLnGamma},
    {u"BETA", 2, CalcBeta},
    {u"INCOMPBETA", 3, CalcIncompBeta},
};

const TFunctionEntry* FindFunction(const QString& name)
{
    for (const auto& f : Functions)
        if (name == QStringView(f.Name))
            return &f;
    return nullptr;
}

struct THintEntry {
    const char16_t* Name;
    const char16_t* Hint;
};

// Parameter hints in the grid's hint mark-up.
const THintEntry Hints[] = {
    {u"GCD", u"GCD(<b>X, Y: LongWord</b>):LongWord<HR>Returns the Greatest Common Divisor of X and Y<BR>0 &lt;= X &lt;= High (LongWord), X will be rounded if not integral<BR>0 &lt;= Y &lt;= High (LongWord), Y will be rounded if not integral"},
    {u"LCM", u"LCM(<b>X, Y: LongWord</b>):INT64<HR>Returns the Lowest Common Multiplier of X and Y<BR>Low (LongInt) &lt;= X &lt;= High (LongInt), X will be rounded if not integral<BR>Low (LongInt) &lt;= Y &lt;= High (LongInt), Y will be rounded if not integral"},
    {u"RELPRIME", u"RelPrime(<b>X, Y: LongWord</b>):Boolean<HR>Returns 1 if X and Y are Relatively Prime, otherwise 0<BR>0 &lt;= X &lt;= High (LongWord), X will be rounded if not integral<BR>0 &lt;= Y &lt;= High (LongWord), Y will be rounded if not integral"},
    {u"DISTANCE", u"Distance (<b>X1, Y1, X2, Y2: Double</b>): Double<HR>Returns the straight line distance between  (X1, Y1) and (X2, Y2)"},
    {u"EXTMOD", u"ExtMod (<b>X, Y: double</b>): Double<HR>Returns Floating Point Modulus<BR>ExtMod := X - Floor ( X / Y ) * Y<BR>Y &lt;&gt; 0"},
    {u"EXTREM", u"ExtRem (<b>X, Y: double</b>): Double<HR>Returns Floating Point Remainder<BR>ExtMod := X - Int ( X / Y ) * Y<BR>Y &lt;&gt; 0"},
    {u"ZUVFACT", u"ZuvFact (<b>X: LongWord</b>): Double<HR>Returns Factorial X<BR>0 &lt;= X &lt;= 1754, X will be rounded if not integral"},
    {u"ZUVPERM", u"ZuvPerm (<b>N, R: LongWord</b>): Double<HR>Returns the number of Permutations of R Objects from N<BR>0 &lt;= N &lt;= 1754, N will be rounded if not integral<BR>0 &lt;= R &lt;= N, R will be rounded if not integral"},
    {u"ZUVCOMB", u"ZuvComb (<b>N, R: LongWord</b>): Double<HR>Returns the number of Combinations of R Objects from N<BR>0 &lt;= N &lt;= 1754, N will be rounded if not integral<BR>0 &lt;= R &lt;= N, R will be rounded if not integral"},
    {u"ZUVTAN", u"ZuvTan (<b>X: Double</b>): Double<HR>Returns the Tangent of Angle X, given in Radians<BR>abs (x) &lt; 2^63"},
    {u"ZUVCOT", u"ZuvCot (<b>X: Double</b>): Double<HR>Returns the CoTangent of Angle X, given in Radians<BR>abs (x) &lt; 2^63"},
    {u"ZUVARCTAN", u"ZuvArcTan (<b>X, Y: Double</b>): Double<HR>ArcTangent of Y / X - Result is in Radians"},
    {u"ZUVARCSIN", u"ZuvArcSin (<b>X: Double</b>): Double<HR>ArcSine of X - Result is in Radians"},
    {u"ZUVARCCOS", u"ZuvArcCos (<b>X: Double</b>): Double<HR>ArcCosine of X - Result is in Radians"},
    {u"GAMMA", u"Gamma (<b>X: Double</b>): Double<HR>Returns Gamma (X)"},
    {u"INVGAMMA", u"InvGamma (<b>X: Double</b>): Double<HR>Returns 1 / Gamma (X)"},
    {u"LNGAMMA", u"LnGamma (<b>X: Double</b>): Double<HR>Returns the Natural Logarithm of Gamma (X)"},
    {u"BETA", u"Beta (<b>X, Y: Double</b>): Double<HR>Returns Beta (X, Y)"},
    {u"INCOMPBETA", u"InCompBeta (<b>X, P, Q: Double</b>): Double<HR>Returns Incomplete Beta Ix (P, Q)<BR>0 &lt;= X &lt;= 1, P &gt; 0, Q &gt; 0"},
};

} // namespace

TZuvMathsLib::~TZuvMathsLib() = default;

bool TZuvMathsLib::HandlesConstant(const QString& Constant)
{
    return FindConstant(Constant) != nullptr;
}

double TZuvMathsLib::GetConstant(const QString& Constant)
{
    const TConstantEntry* c = FindConstant(Constant);
    return c ? static_cast<double>(c->Value) : 0.0;
}

bool TZuvMathsLib::HandlesFunction(const QString& FuncName)
{
    return FindFunction(FuncName) != nullptr;
}

double TZuvMathsLib::CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                                  int& ErrParam)
{
    ErrType = feNone;
    FLastMathError.clear();
    const TFunctionEntry* f = FindFunction(FuncName);
    if (!f)
        return 0.0;
    if (Params.Count() < f->MinParams) {
        ErrType = feInvalidParamCount;
        ErrParam = 0;
        return 0.0;
    }
    TCallError err;
    Extended value;
    try {
        value = f->Calc(Params, err);
    } catch (const EZuvMathError& e) {
        // A value the routine cannot give is an invalid value of the formula;
        // it must not escape into the evaluator or the grid.
        FLastMathError = e.Message();
        ErrType = feInvalidValue;
        ErrParam = 0;
        return 0.0;
    }
    if (err.Type != feNone) {
        ErrType = err.Type;
        ErrParam = err.Param;
        return 0.0;
    }
    const double result = static_cast<double>(value);
    if (std::isnan(result)) {
        ErrType = feInvalidValue;
        ErrParam = 0;
        return 0.0;
    }
    if (std::isinf(result)) { // beyond the double range (factorials above 170, ...)
        ErrType = feOverflow;
        ErrParam = 0;
        return 0.0;
    }
    return result;
}

QString TZuvMathsLib::GetEditHint(const QString& FuncName, int)
{
    for (const auto& h : Hints)
        if (FuncName == QStringView(h.Name))
            return QString::fromUtf16(h.Hint);
    return QString();
}

QStringList TZuvMathsLib::ConstantNames()
{
    QStringList names;
    for (const auto& c : Constants)
        names << QString::fromUtf16(c.Name);
    return names;
}

QStringList TZuvMathsLib::FunctionNames()
{
    QStringList names;
    for (const auto& f : Functions)
        names << QString::fromUtf16(f.Name);
    return names;
}
