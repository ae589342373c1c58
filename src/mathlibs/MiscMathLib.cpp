#include "MiscMathLib.h"

#include "FormulaErrors.h"

#include <cmath>
#include <limits>

namespace {

// Nearest whole number, halves to even (the default rounding mode).
double RoundEven(double x) { return std::nearbyint(x); }

// Finishes a number result: a value beyond the double range is an overflow,
// not-a-number an invalid value; both give 0.
double Checked(long double value, int& ErrType, int& ErrParam)
{
    const double result = static_cast<double>(value);
    if (std::isnan(result)) {
        ErrType = feInvalidValue;
        ErrParam = 0;
        return 0.0;
    }
    if (std::isinf(result)) {
        ErrType = feOverflow;
        ErrParam = 0;
        return 0.0;
    }
    return result;
}

// ---------------------------------------------------------------------------
// TMiscMathLib

struct THintEntry {
    const char16_t* Name;
    const char16_t* Hint;
};

// Parameter hints in the grid's hint mark-up.
const THintEntry MiscHints[] = {
    {u"HARMEAN", u"HarMean(<b>Param1,..ParamN: Double</b>):Double<HR>Calculates the harmonic mean of parameters"},
    {u"GEOMEAN", u"GeoMean(<b>Param1,..ParamN: Double</b>):Double<HR>Calculates the geometric mean of parameters"},
    {u"ROUNDUP", u"RoundUp(<b>Value,NumberOfDigits: Double</b>):Double<HR>Rounds up a value to the specified nr. of digits"},
};

double HarMean(const TParamList& p, int& ErrType, int& ErrParam)
{
    long double sum = 0;
    for (int i = 0; i < p.Count(); ++i) {
        const double v = p.Values(i);
        if (v == 0) { // a zero value has no reciprocal: reported, left out of the sum
            ErrType = feDivisionByZero;
            ErrParam = i;
        } else {
            sum += 1.0L / v;
        }
    }
    if (sum == 0) { // every value zero, or reciprocals that cancel
        if (ErrType != feDivisionByZero)
            ErrParam = 0;
        ErrType = feDivisionByZero;
        return 0.0;
    }
    return Checked(p.Count() / sum, ErrType, ErrParam);
}

double GeoMean(const TParamList& p, int& ErrType, int& ErrParam)
{
    // e^(ln(product) / n), summed as logarithms so that the product cannot
    // overflow; the sign of the product is tracked separately.
    long double logSum = 0;
    bool negative = false;
    int lastNegative = 0;
    for (int i = 0; i < p.Count(); ++i) {
        const double v = p.Values(i);
        if (v == 0)
            return 0.0; // the product is 0, and so is its n-th root
        if (v < 0) {
            negative = !negative;
            lastNegative = i;
        }
        logSum += std::log(std::fabs(static_cast<long double>(v)));
    }
    if (negative) { // the logarithm of a negative product does not exist
        ErrType = feInvalidValue;
        ErrParam = lastNegative;
        return 0.0;
    }
    return Checked(std::exp(logSum / p.Count()), ErrType, ErrParam);
}

// ---------------------------------------------------------------------------
// TFinanceMathLib

using TFinanceRule = double (*)(double p0, double p1, double p2, int& ErrType, int& ErrParam);

struct TFinanceEntry {
    const char16_t* Name;
    bool PositiveP1P2; // P1 > 0 and P2 > 0 required
    TFinanceRule Rule;
};

double Fail(int& ErrType, int& ErrParam, int type, int param)
{
    ErrType = type;
    ErrParam = param;
    return 0.0;
}

// Capital after round(P2) periods at P1 percent: P0 * (1 + P1/100)^n in closed
// form, so any number of periods costs the same.
double CumInt(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    const double n = RoundEven(p2);
    if (!(n > 0))
        return p0;
    return Checked(p0 * std::pow(1.0L + p1 / 100.0L, static_cast<long double>(n)), ErrType, ErrParam);
}

// Periods for present value P2 to grow to P1 at rate P0.
double CTerm(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    if (!(p0 > -1))
        return Fail(ErrType, ErrParam, feInvalidValue, 0); // ln(1 + rate) undefined
    const long double growth = std::log1p(static_cast<long double>(p0));
    if (growth == 0) // a zero rate never grows the value
        return Fail(ErrType, ErrParam, feDivisionByZero, 0);
    return Checked(std::log(static_cast<long double>(p1) / p2) / growth, ErrType, ErrParam);
}

// Periods of payments P0 at rate P1 to reach the future value P2.
double Term(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    if (p0 == 0) // no payment never reaches the value
        return Fail(ErrType, ErrParam, feDivisionByZero, 0);
    const long double arg = static_cast<long double>(p1) / p0 * p2 + 1;
    if (!(arg > 0))
        return Fail(ErrType, ErrParam, feInvalidValue, 0);
    return Checked(std::log(arg) / std::log1p(static_cast<long double>(p1)), ErrType, ErrParam);
}

// Rate per period for present value P1 to grow to P0 in P2 periods.
double Rate(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    if (p0 < 0) // no rate turns a positive present value into a negative one
        return Fail(ErrType, ErrParam, feInvalidValue, 0);
    if (p0 == 0)
        return -1.0; // the whole capital is lost
    return Checked(std::exp(std::log(static_cast<long double>(p0) / p1) / p2) - 1, ErrType, ErrParam);
}

// 1 - (1 + rate)^(-periods), without the cancellation of the plain form.
long double Discount(double rate, double periods)
{
    return -std::expm1(-static_cast<long double>(periods) * std::log1p(static_cast<long double>(rate)));
}

double PV(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    return Checked(p0 * Discount(p1, p2) / p1, ErrType, ErrParam);
}

double PMT(double p0, double p1, double p2, int& ErrType, int& ErrParam)
{
    const long double d = Discount(p1, p2);
    if (d == 0)
        return Fail(ErrType, ErrParam, feDivisionByZero, 1);
    return Checked(p0 * static_cast<long double>(p1) / d, ErrType, ErrParam);
}

const TFinanceEntry FinanceRules[] = {
    {u"CUMINT", false, CumInt}, {u"CTERM", true, CTerm}, {u"TERM", true, Term},
    {u"RATE", true, Rate},      {u"PV", true, PV},       {u"PMT", true, PMT},
};

const TFinanceEntry* FindFinance(const QString& name)
{
    for (const auto& f : FinanceRules)
        if (name == QStringView(f.Name))
            return &f;
    return nullptr;
}

const char16_t* const StringNames[] = {u"REVERSE", u"CAPITALIZE", u"IF", u"GETVAR"};

} // namespace

// ---------------------------------------------------------------------------
// Plain rules

double MiscMath::RoundUp(double value, double digits)
{
    if (value == 0 || std::isnan(value))
        return value;
    if (std::isnan(digits))
        return digits;
    // Beyond 400 decimals no double has digits left to round; below -400 every
    // non-zero value rounds to a power of ten outside the double range.
    const long double d = std::fmax(-400.0, std::fmin(400.0, digits));
    const long double f = std::pow(10.0L, d);
    const long double scaled = std::fabs(static_cast<long double>(value)) * f;
    long double whole = std::nearbyint(scaled);
    if (std::fabs(scaled - whole) > 8 * std::numeric_limits<double>::epsilon() * scaled)
        whole = std::ceil(scaled);
    return static_cast<double>(std::copysign(whole / f, static_cast<long double>(value)));
}

QString MiscMath::Reverse(const QString& text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = text.size(); i > 0;) {
        --i;
        if (i > 0 && text.at(i).isLowSurrogate() && text.at(i - 1).isHighSurrogate()) {
            result.append(text.at(i - 1));
            result.append(text.at(i));
            --i;
        } else {
            result.append(text.at(i));
        }
    }
    return result;
}

QString MiscMath::Capitalize(const QString& text)
{
    QString result = text;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char16_t c = result.at(i).unicode();
        if ((i == 0 || result.at(i - 1) == u' ') && c >= u'a' && c <= u'z')
            result[i] = QChar(char16_t(c - u'a' + u'A'));
    }
    return result;
}

// ---------------------------------------------------------------------------
// TMiscMathLib

TMiscMathLib::~TMiscMathLib() = default;

bool TMiscMathLib::HandlesFunction(const QString& FuncName)
{
    return FuncName == u"HARMEAN" || FuncName == u"GEOMEAN" || FuncName == u"ROUNDUP";
}

double TMiscMathLib::CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                                  int& ErrParam)
{
    ErrType = feNone;
    if (Params.Count() == 0) { // the evaluator never sends an empty list; be safe anyway
        ErrType = feInvalidParamCount;
        ErrParam = 0;
        return 0.0;
    }
    if (FuncName == u"HARMEAN")
        return HarMean(Params, ErrType, ErrParam);
    if (FuncName == u"GEOMEAN")
        return GeoMean(Params, ErrType, ErrParam);
    if (FuncName == u"ROUNDUP") {
        if (Params.Count() != 2) {
            ErrType = feInvalidParamCount;
            ErrParam = 0;
            return 0.0;
        }
        return Checked(MiscMath::RoundUp(Params.Values(0), Params.Values(1)), ErrType, ErrParam);
    }
    return 0.0;
}

QString TMiscMathLib::GetEditHint(const QString& FuncName, int)
{
    for (const auto& h : MiscHints)
        if (FuncName == QStringView(h.Name))
            return QString::fromUtf16(h.Hint);
    return QString();
}

// ---------------------------------------------------------------------------
// TFinanceMathLib

TFinanceMathLib::~TFinanceMathLib() = default;

bool TFinanceMathLib::HandlesFunction(const QString& FuncName)
{
    return FindFinance(FuncName) != nullptr;
}

double TFinanceMathLib::CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                                     int& ErrParam)
{
    ErrType = feNone;
    const TFinanceEntry* f = FindFinance(FuncName);
    if (!f)
        return 0.0;
    if (Params.Count() != 3) {
        ErrType = feInvalidParamCount;
        ErrParam = 0;
        return 0.0;
    }
    const double p0 = Params.Values(0), p1 = Params.Values(1), p2 = Params.Values(2);
    if (f->PositiveP1P2) {
        // The parameter numbers of these two checks are the documented 2 and 3.
        if (!(p1 > 0))
            return Fail(ErrType, ErrParam, feInvalidValue, 2);
        if (!(p2 > 0))
            return Fail(ErrType, ErrParam, feInvalidValue, 3);
    }
    return f->Rule(p0, p1, p2, ErrType, ErrParam);
}

// ---------------------------------------------------------------------------
// TStringMathLib

TStringMathLib::~TStringMathLib() = default;

bool TStringMathLib::HandlesStrFunction(const QString& FuncName)
{
    for (const char16_t* n : StringNames)
        if (FuncName == QStringView(n))
            return true;
    return false;
}

QString TStringMathLib::CalcStrFunction(const QString& FuncName, const QStringList& Params,
                                        int& ErrType, int& ErrParam)
{
    ErrType = feNone;
    if (Params.isEmpty()) {
        ErrType = feInvalidParamCount;
        ErrParam = 0;
        return QString();
    }
    const QString& t0 = Params.at(0);
    if (FuncName == u"REVERSE")
        return MiscMath::Reverse(t0);
    if (FuncName == u"CAPITALIZE")
        return MiscMath::Capitalize(t0);
    if (FuncName == u"IF") {
        if (t0 == u"1")
            return Params.size() > 1 ? Params.at(1) : QString();
        return Params.size() > 2 ? Params.at(2) : QString();
    }
    if (FuncName == u"GETVAR") {
        if (t0 == u"A")
            return QStringLiteral("1");
        if (t0 == u"B")
            return QStringLiteral("2");
        if (t0 == u"C")
            return QStringLiteral("3");
        return QString();
    }
    return QString();
}
