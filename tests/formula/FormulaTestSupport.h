// Helpers shared by the evaluator tests: one evaluation with its reported
// errors, test-only built-ins and a configurable test library.
#pragma once

#include "FakeSheet.h"

#include <FormatSettings.h>
#include <GridFormula.h>
#include <MathLib.h>

#include <QString>
#include <functional>
#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <map>
#include <vector>

struct ReportedError {
    int Code = 0;
    int Pos = 0;
    QString Str;
};

struct EvalResult {
    bool Ok = false;
    TFormulaValue Value;
    std::vector<ReportedError> Errors;
    int Code() const { return Errors.empty() ? 0 : Errors.front().Code; }
    int Pos() const { return Errors.empty() ? 0 : Errors.front().Pos; }
    QString Str() const { return Errors.empty() ? QString() : Errors.front().Str; }
};

inline EvalResult Evaluate(TGridFormula& f, const QString& expr)
{
    EvalResult r;
    f.OnError = [&r](TGridFormula*, int, int, int code, int pos, int param, const QString& s) {
        EXPECT_EQ(param, 0);
        r.Errors.push_back({code, pos, s});
    };
    f.SetExpression(expr);
    r.Ok = f.Calc(r.Value);
    f.OnError = nullptr;
    return r;
}

// A library whose answers the test sets up.
class TestLib : public TMathLib {
public:
    std::map<QString, double> Constants;
    std::map<QString, std::function<double(const TParamList&, int&)>> Functions;
    std::map<QString, std::function<QString(const QStringList&, int&)>> StrFunctions;
    QString ErrorText = QStringLiteral("Test library failure");
    std::vector<TParamList> Calls;
    std::vector<QStringList> StrCalls;

    bool HandlesConstant(const QString& c) override { return Constants.count(c) > 0; }
    double GetConstant(const QString& c) override { return Constants.at(c); }
    bool HandlesFunction(const QString& n) override { return Functions.count(n) > 0; }
    bool HandlesStrFunction(const QString& n) override { return StrFunctions.count(n) > 0; }
    double CalcFunction(const QString& n, const TParamList& p, int& errType, int& errParam) override
    {
        Calls.push_back(p);
        errType = 0;
        errParam = 0;
        return Functions.at(n)(p, errType);
    }
    QString CalcStrFunction(const QString& n, const QStringList& p, int& errType, int& errParam) override
    {
        StrCalls.push_back(p);
        errType = 0;
        errParam = 0;
        return StrFunctions.at(n)(p, errType);
    }
    QString GetErrorMessage(int) override { return ErrorText; }
};

// The usual fixture: a 10 x 20 grid with one fixed row and column, A1 mode,
// "." and "," as separators.
class FormulaTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFormatSettings(); }
    void TearDown() override { ResetFormatSettings(); }

    EvalResult Eval(const QString& expr) { return Evaluate(F, expr); }
    double Num(const QString& expr)
    {
        EvalResult r = Eval(expr);
        EXPECT_TRUE(r.Value.IsNumber()) << expr.toStdString() << " gave text " << r.Value.Text.toStdString();
        EXPECT_TRUE(r.Errors.empty()) << expr.toStdString() << " raised " << r.Code() << " at " << r.Pos();
        return r.Value.Number;
    }
    QString Text(const QString& expr)
    {
        EvalResult r = Eval(expr);
        EXPECT_TRUE(r.Value.IsText()) << expr.toStdString();
        EXPECT_TRUE(r.Errors.empty()) << expr.toStdString() << " raised " << r.Code();
        return r.Value.Text;
    }

    FakeSheet Sheet{10, 20, 1, 1};
    TGridFormula F{&Sheet};
};
