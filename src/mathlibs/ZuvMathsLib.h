// The extended maths library: 46 named constants and 19 functions of numbers
// (number theory, combinatorics, guarded trigonometry, the gamma and beta
// families) on the extended-precision routines of ZuvMaths.
//
// Every failure comes back through ErrType / ErrParam; nothing thrown by the
// numeric routines leaves CalcFunction.  Parameter checks give 7 (too few
// parameters), 3 (out of range) or 2 (zero divisor); a condition under which a
// routine has no value gives 3 (its message is kept in LastMathError()); a
// value beyond the double range gives 15 (overflow).
#pragma once

#include "MathLib.h"

#include <QString>

class TZuvMathsLib : public TMathLib {
public:
    TZuvMathsLib() = default;
    ~TZuvMathsLib() override;

    bool HandlesConstant(const QString& Constant) override;
    double GetConstant(const QString& Constant) override;
    bool HandlesFunction(const QString& FuncName) override;
    double CalcFunction(const QString& FuncName, const TParamList& Params, int& ErrType,
                        int& ErrParam) override;
    // The whole hint of the function; ParamIndex is not used.
    QString GetEditHint(const QString& FuncName, int ParamIndex) override;

    // The message of the numeric routines' error behind the last ErrType 3
    // that did not come from a parameter check; empty after a call without one.
    const QString& LastMathError() const { return FLastMathError; }

    // The names this library claims, in table order (for listings and tests).
    static QStringList ConstantNames();
    static QStringList FunctionNames();

private:
    QString FLastMathError;
};
