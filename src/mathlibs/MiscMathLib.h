// Three small function libraries, one for each way a library extends
// formulas: TMiscMathLib (functions of numbers with edit hints),
// TFinanceMathLib (finance functions of numbers, no hints) and TStringMathLib
// (functions of texts).
//
// Failures come back through ErrType / ErrParam: 2 (zero divisor), 3 (invalid
// value), 7 (wrong number of parameters), 15 (a result beyond the double
// range).  No input makes them loop or throw.
#pragma once

#include "MathLib.h"

#include <QString>
#include <QStringList>

// HARMEAN, GEOMEAN and ROUNDUP.
class TMiscMathLib : public TMathLib {
public:
    TMiscMathLib() = default;
    ~TMiscMathLib() override;

    bool HandlesFunction(const QString& FuncName) override;
    double CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                        int& ErrParam) override;
    // The whole hint of the function; ParamIndex is not used.
    QString GetEditHint(const QString& FuncName, int ParamIndex) override;
};

// CUMINT, CTERM, TERM, RATE, PV and PMT; each takes exactly three values.
class TFinanceMathLib : public TMathLib {
public:
    TFinanceMathLib() = default;
    ~TFinanceMathLib() override;

    bool HandlesFunction(const QString& FuncName) override;
    double CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                        int& ErrParam) override;
};

// REVERSE, CAPITALIZE, IF and GETVAR on texts.
class TStringMathLib : public TMathLib {
public:
    TStringMathLib() = default;
    ~TStringMathLib() override;

    bool HandlesStrFunction(const QString& FuncName) override;
    QString CalcStrFunction(const QString& FuncName, const QStringList& Params, int& ErrType,
                            int& ErrParam) override;
};

// The rules behind the libraries, on plain values, for callers and tests that
// have no parameter list at hand.
namespace MiscMath {
// Rounds away from zero to `digits` decimals: RoundUp(1.21, 1) = 1.3,
// RoundUp(-1.21, 1) = -1.3, RoundUp(1, 0) = 1.  A product value * 10^digits
// within a few units of the last place of a whole number counts as that whole
// number, so 1.15 * 100 = 114.99999999999999 rounds up to 115, not 116.
double RoundUp(double value, double digits);
// Characters of `text` in reverse order; a surrogate pair stays one character.
QString Reverse(const QString& text);
// Upper-cases each ASCII letter that starts the text or follows a space.
QString Capitalize(const QString& text);
} // namespace MiscMath
