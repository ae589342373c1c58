// The libraries through a real formula evaluation, bound in the order the
// headless calculator uses: miscellaneous, finance, extended maths, string.
#include "GridFormula.h"
#include "MiscMathLib.h"
#include "ZuvMathsLib.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>

namespace {

struct TReported {
    int Count = 0;
    int ErrType = 0;
    int ErrPos = 0;
};

class LibraryFormulaTest : public ::testing::Test {
protected:
    LibraryFormulaTest() : Formula(nullptr)
    {
        Binder.AddLib(&Misc);
        Binder.AddLib(&Finance);
        Binder.AddLib(&Zuv);
        Binder.AddLib(&Strings);
        Formula.SetLibs(&Binder);
        Formula.OnError = [this](TGridFormula*, int, int, int errType, int errPos, int, const QString&) {
            if (Reported.Count++ == 0) {
                Reported.ErrType = errType;
                Reported.ErrPos = errPos;
            }
        };
    }

    TFormulaValue Eval(const char* expression)
    {
        Reported = TReported{};
        Formula.SetExpression(QString::fromUtf8(expression));
        TFormulaValue r;
        Formula.Calc(r);
        return r;
    }

    TMiscMathLib Misc;
    TFinanceMathLib Finance;
    TZuvMathsLib Zuv;
    TStringMathLib Strings;
    TLibBinder Binder;
    TGridFormula Formula;
    TReported Reported;
};

TEST_F(LibraryFormulaTest, NumberResults)
{
    struct { const char* expr; double value; double tol; } table[] = {
        {"GAMMA(5)", 24, 1e-14},
        {"GAMMA(0.5)^2", M_PI, 1e-14},
        {"ZUVCOMB(49;6)", 13983816, 0},
        {"ZUVCOMB(0;0)", 1, 0},
        {"ZUVPERM(0;0)", 1, 0},
        {"ZUVPI*2", 2 * M_PI, 0},
        {"ZUVEPI-ZUVE^ZUVPI", 0, 1e-14},
        {"GCD(12;18)+LCM(4;6)", 18, 0},
        {"LCM(0;0)", 0, 0},
        {"DISTANCE(0;0;3;4)", 5, 0},
        {"EXTMOD(-7;3)", 2, 0},
        {"EXTMOD(-6;3)", 0, 0},
        {"EXTREM(-7;3)", -1, 0},
        {"ZUVARCTAN(-1;0)", M_PI, 0},
        {"ZUVARCSIN(-0.9)", -1.1197695149986342, 1e-16},
        {"ZUVARCCOS(-0.9)", 2.6905658417935309, 1e-16},
        {"LNGAMMA(10)", 12.801827480081469, 1e-15},
        {"INCOMPBETA(0.5;2;3)", 0.6875, 1e-15},
        {"INVGAMMA(0)", 0, 0},
        {"HARMEAN(1;2;4)", 12.0 / 7, 1e-15},
        {"GEOMEAN(2;8)", 4, 1e-15},
        {"ROUNDUP(1;0)", 1, 0},
        {"ROUNDUP(1.21;1)", 1.3, 0},
        {"ROUNDUP(-1.21;1)", -1.3, 0},
        {"CUMINT(100;5;2)", 110.25, 1e-14},
        {"CUMINT(100;0;1E300)", 100, 0},
        {"CTERM(0.05;150;100)", 8.3103862225205606, 1e-14},
        {"RATE(150;100;5)", 0.084471771197698614, 1e-14},
        {"PMT(100;0.04;10)", 12.329094433013651, 1e-14},
        {"REVERSE(123)", 321, 0},
        {"GETVAR(\"B\")", 2, 0},
        {"IF(0;\"yes\")", 0, 0},
    };
    for (auto row : table) {
        const TFormulaValue v = Eval(row.expr);
        EXPECT_EQ(Reported.Count, 0) << row.expr << " error " << Reported.ErrType;
        ASSERT_TRUE(v.IsNumber()) << row.expr << " gave text " << v.Text.toStdString();
        if (row.tol == 0) {
            EXPECT_EQ(v.Number, row.value) << row.expr;
        } else {
            EXPECT_NEAR(v.Number, row.value, row.tol * std::max(1.0, std::fabs(row.value))) << row.expr;
        }
    }
}

// Constants are consumed as identifiers without parentheses.  Names that hold
// digits (SQRT2, PI2, ...) depend on how the evaluator tells them from cell
// references and are checked at the library level only.
TEST_F(LibraryFormulaTest, ConstantsWithoutDigitsEvaluate)
{
    int checked = 0;
    for (const QString& name : TZuvMathsLib::ConstantNames()) {
        if (name.contains(QRegularExpression("[0-9]")))
            continue;
        ++checked;
        const TFormulaValue v = Eval(name.toUtf8().constData());
        EXPECT_EQ(Reported.Count, 0) << name.toStdString();
        ASSERT_TRUE(v.IsNumber()) << name.toStdString();
        EXPECT_EQ(v.Number, Zuv.GetConstant(name)) << name.toStdString();
    }
    EXPECT_EQ(checked, 17);
    EXPECT_EQ(Eval("ONEDEGREE*180").Number, Zuv.GetConstant("ONEDEGREE") * 180);
}

TEST_F(LibraryFormulaTest, TextResults)
{
    struct { const char* expr; const char* text; } table[] = {
        {"REVERSE(\"abc\")", "cba"},
        {"CAPITALIZE(\"hello big world\")", "Hello Big World"},
        {"IF(1;\"yes\";\"no\")", "yes"},
        {"IF(2;\"yes\";\"no\")", "no"},
        {"REVERSE(\"a\xF0\x9F\x98\x80z\")", "z\xF0\x9F\x98\x80" "a"},
    };
    for (auto row : table) {
        const TFormulaValue v = Eval(row.expr);
        EXPECT_EQ(Reported.Count, 0) << row.expr;
        ASSERT_TRUE(v.IsText()) << row.expr;
        EXPECT_EQ(v.Text, QString::fromUtf8(row.text)) << row.expr;
    }
}

// Errors come back as formula errors at the function name, never as
// exceptions out of the evaluation.
TEST_F(LibraryFormulaTest, ErrorsAreFormulaErrorsAtTheName)
{
    struct { const char* expr; int errType; int errPos; } table[] = {
        {"GCD(12)", 7, 1},
        {"GCD(-1;5)", 3, 1},
        {"1+GAMMA(0)", 3, 3},      // a pole
        {"GAMMA(-2)", 3, 1},
        {"2*ZUVARCSIN(1.5)", 3, 3}, // the routine's math error
        {"ZUVARCCOS(-2)", 3, 1},
        {"BETA(-1;2)", 3, 1},
        {"GAMMA(1E15)", 15, 1},    // beyond the double range
        {"ZUVFACT(171)", 15, 1},
        {"EXTMOD(7;0)", 2, 1},
        {"ZUVCOT(0)", 2, 1},
        {"LNGAMMA(0)", 3, 1},
        {"INCOMPBETA(1.5;2;3)", 3, 1},
        {"ZUVCOMB(3;4)", 3, 1},
        {"ROUNDUP(1)", 7, 1},
        {"CUMINT(100;5)", 7, 1},
        {"PV(10;0;5)", 3, 1},
        {"CTERM(0;150;100)", 2, 1},
        {"TERM(0;0.05;1000)", 2, 1},
        {"RATE(-150;100;5)", 3, 1},
        {"HARMEAN(1;0)", 2, 1},
    };
    for (auto row : table) {
        EXPECT_NO_THROW(Eval(row.expr)) << row.expr;
        EXPECT_EQ(Reported.ErrType, row.errType) << row.expr;
        EXPECT_EQ(Reported.ErrPos, row.errPos) << row.expr;
        EXPECT_EQ(Formula.LastErrorCode(), row.errType) << row.expr;
    }
}

TEST_F(LibraryFormulaTest, EarlierLibraryWinsAndHintsComeFromTheClaimingLibrary)
{
    // IF is a built-in too; the string library claims it while it is bound.
    const TFormulaValue v = Eval("IF(1;\"a\";\"b\")");
    ASSERT_TRUE(v.IsText());
    EXPECT_EQ(v.Text, "a");
    EXPECT_TRUE(Binder.Libs().Items(0)->MathLib()->HandlesFunction("ROUNDUP"));
    EXPECT_EQ(Misc.GetEditHint("ROUNDUP", 1),
              "RoundUp(<b>Value,NumberOfDigits: Double</b>):Double<HR>Rounds up a value to the specified nr. of digits");
}

} // namespace
