// Built-in mathematics through real evaluations: constants, functions of one
// number, CEILING, POWER, and the registry of all built-in names.
#include "BuiltinTestSupport.h"

#include <Builtins.h>
#include <Random.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi;

TEST(BuiltinRegistry, EveryNameWithItsForm)
{
    struct Entry {
        const char* Name;
        TBuiltinForm Form;
    };
    const Entry all[] = {
        {"PI", bfKeyword}, {"E", bfKeyword}, {"TRUE", bfKeyword}, {"FALSE", bfKeyword},
        {"TODAY", bfKeyword}, {"NOW", bfKeyword}, {"ROW", bfKeyword}, {"COL", bfKeyword},
        {"ABS", bfNumArg}, {"ACOS", bfNumArg}, {"ACOTAN", bfNumArg}, {"ASIN", bfNumArg},
        {"ATAN", bfNumArg}, {"CHS", bfNumArg}, {"COS", bfNumArg}, {"COSH", bfNumArg},
        {"COTAN", bfNumArg}, {"COTANH", bfNumArg}, {"CUBE", bfNumArg}, {"DAY", bfNumArg},
        {"DEGREES", bfNumArg}, {"EXP", bfNumArg}, {"FACT", bfNumArg}, {"FRAC", bfNumArg},
        {"HOUR", bfNumArg}, {"INT", bfNumArg}, {"LN", bfNumArg}, {"LOG10", bfNumArg},
        {"LOG2", bfNumArg}, {"MINUTE", bfNumArg}, {"MONTH", bfNumArg}, {"NOT", bfNumArg},
        {"RADIANS", bfNumArg}, {"RAND", bfNumArg}, {"ROUND", bfNumArg}, {"SECOND", bfNumArg},
        {"SIN", bfNumArg}, {"SINH", bfNumArg}, {"SQR", bfNumArg}, {"SQRT", bfNumArg},
        {"TAN", bfNumArg}, {"TANH", bfNumArg}, {"TRUNC", bfNumArg}, {"WEEKDAY", bfNumArg},
        {"YEAR", bfNumArg},
        {"CEILING", bfNumArgs2}, {"EQ", bfNumArgs2}, {"LT", bfNumArgs2}, {"ST", bfNumArgs2},
        {"CHOOSE", bfNumArgs3},
        {"AND", bfNumList}, {"AVERAGE", bfNumList}, {"DEVSQ", bfNumList}, {"NAND", bfNumList},
        {"NOR", bfNumList}, {"OR", bfNumList}, {"POWER", bfNumList}, {"PRODUCT", bfNumList},
        {"STDEV", bfNumList}, {"STDEVP", bfNumList}, {"SUM", bfNumList}, {"VAR", bfNumList},
        {"XOR", bfNumList},
        {"MAX", bfNumListSkipEmpty}, {"MIN", bfNumListSkipEmpty},
        {"LEN", bfTextArg}, {"LOWER", bfTextArg}, {"TRIM", bfTextArg}, {"UPPER", bfTextArg},
        {"LEFT", bfTextNumArgs}, {"RIGHT", bfTextNumArgs}, {"MID", bfTextNumNumArgs},
        {"INDEX", bfTextList}, {"LOOKUP", bfTextList}, {"MATCH", bfTextList},
        {"CONCATENATE", bfTextRangeList}, {"COUNT", bfTextRangeList}, {"COUNTA", bfTextRangeList},
        {"COUNTBLANK", bfTextRangeList}, {"COUNTIF", bfTextRangeList}, {"SEARCH", bfTextRangeList},
        {"SUBSTITUTE", bfTextRangeList},
    };
    EXPECT_EQ(std::size(all), 82u);
    for (const Entry& e : all) {
        const TBuiltinEntry* b = FindBuiltin(QString::fromLatin1(e.Name));
        ASSERT_NE(b, nullptr) << e.Name;
        EXPECT_EQ(b->Form, e.Form) << e.Name;
    }
    EXPECT_EQ(BuiltinCount(), 82);  // nothing else is built in
}

TEST_F(BuiltinTest, NamesMatchWhole)
{
    CheckNumbers({
        {"COS(0)+COSH(0)", 2},
        {"SQR(3)+SQRT(9)", 12},
        {"LOG10(100)+LOG2(4)+LN(1)", 4},
        {"pi", Pi},   // any letter case
        {"SQRTX(4)", 0, 13, 1},
        {"BSUM(1)", 0, 13, 1},  // no built-ins under B
        {"ZZ(1)", 0, 13, 1},
    });
}

TEST_F(BuiltinTest, Constants)
{
    F.SetCol(3);
    F.SetRow(5);
    CheckNumbers({
        {"PI", Pi},
        {"E", std::exp(1.0)},
        {"2*PI", 2 * Pi},
        {"ROW", 5},
        {"COL", 3},
        {"ROW*10+COL", 53},
    });
}

TEST_F(BuiltinTest, FunctionsOfOneNumber)
{
    CheckNumbers({
        {"ABS(-2.5)", 2.5},
        {"SIN(0)", 0}, {"COS(0)", 1},
        {"TAN(1)", std::sin(1.0) / std::cos(1.0)},
        {"COTAN(1)", std::cos(1.0) / std::sin(1.0)},
        {"COTAN(0)", 0, 3, 7},
        {"SINH(1)", (std::exp(1.0) - std::exp(-1.0)) / 2},
        {"COSH(1)", (std::exp(1.0) + std::exp(-1.0)) / 2},
        {"TANH(0.5)", (std::exp(0.5) - std::exp(-0.5)) / (std::exp(0.5) + std::exp(-0.5))},
        {"TANH(1000)", 1},  // no overflow of e^x on the way
        {"COTANH(0.5)", (std::exp(0.5) + std::exp(-0.5)) / (std::exp(0.5) - std::exp(-0.5))},
        {"COTANH(0)", 0, 3, 8},
        {"SINH(1000)", Inf, 15, 6},
        {"ATAN(1)", Pi / 4},
        {"ACOTAN(2)", std::atan(0.5)},
        {"ACOTAN(0)", 0, 3, 8},
        {"ASIN(1)", Pi / 2}, {"ASIN(-1)", -Pi / 2}, {"ASIN(0.5)", Pi / 6},
        {"ASIN(1.5)", 1.5, 3, 6}, {"ASIN(-1.5)", -1.5, 3, 6},
        {"ACOS(0)", Pi / 2}, {"ACOS(1)", 0}, {"ACOS(0.5)", Pi / 3},
        {"ACOS(-0.5)", 2 * Pi / 3}, {"ACOS(-1)", Pi},  // principal value for negatives
        {"ACOS(1.1)", 1.1, 3, 6}, {"ACOS(-2)", -2, 3, 6},
        {"EXP(0)", 1}, {"EXP(1)", std::exp(1.0)},
        {"EXP(1000)", Inf, 15, 5},
        {"LN(1)", 0}, {"LN(0)", 0, 3, 4}, {"LN(-1)", -1, 3, 4},
        {"LOG10(1000)", 3}, {"LOG10(0)", 0, 3, 7},
        {"LOG2(8)", 3}, {"LOG2(-1)", -1, 3, 6},
        {"SQR(-3)", 9}, {"SQR(1E200)", Inf, 15, 5},
        {"SQRT(16)", 4},
        {"SQRT(0)", 0},  // the root of 0 is 0, not an error
        {"SQRT(-4)", -4, 3, 6},
        {"CUBE(-2)", -8}, {"CHS(5)", -5}, {"CHS(-5)", 5},
        {"1+LN(0)", 1, 3, 6},  // "arg" follows the name wherever it stands; the slot keeps 0
    });
}

TEST_F(BuiltinTest, WholeNumbersAndRounding)
{
    CheckNumbers({
        {"INT(-2.7)", -2}, {"INT(2.7)", 2}, {"INT(1E300)", 1e300},
        {"FRAC(-2.75)", -0.75}, {"FRAC(2.5)", 0.5},
        {"TRUNC(-2.7)", -2}, {"TRUNC(2.7)", 2},
        {"TRUNC(1E19)", 1e19, 15, 7}, {"TRUNC(-1E300)", -1e300, 15, 7},
        // Halves to even, no digits argument.
        {"ROUND(2.5)", 2}, {"ROUND(3.5)", 4}, {"ROUND(-2.5)", -2}, {"ROUND(-3.5)", -4},
        {"ROUND(2.4999)", 2}, {"ROUND(0.5)", 0}, {"ROUND(1.5)", 2},
        {"ROUND(9.2E18)", 9.2e18},
        {"ROUND(1E19)", 1e19, 15, 7}, {"ROUND(-1E300)", -1e300, 15, 7},
        {"FACT(3.5)", 24}, {"FACT(0)", 1}, {"FACT(-3)", 1}, {"FACT(2.5)", 2}, {"FACT(5)", 120},
        {"FACT(170)", 7.257415615307999e306, 0, 0, 1e293},
        {"FACT(171)", 171, 15, 6},
        {"FACT(1E300)", 1e300, 15, 6},  // returns at once
        {"FACT(-1E300)", 1},
    });
}

TEST_F(BuiltinTest, AngleConversionsWrapInOneStep)
{
    PutNumber("A1", Inf);
    PutNumber("A2", -Inf);
    PutNumber("A3", NaN);
    CheckNumbers({
        {"RADIANS(180)", Pi},
        {"RADIANS(540)", Pi},
        {"RADIANS(360)", 2 * Pi},
        {"RADIANS(720)", 2 * Pi},    // wrapped into (0, 360], as repeated subtraction ends
        {"RADIANS(-720)", -2 * Pi},  // and into [-360, 0)
        {"RADIANS(-540)", -Pi},
        {"RADIANS(-90)", -Pi / 2},
        {"RADIANS(1E15)", std::fmod(1e15, 360.0) / 180 * Pi},
        {"RADIANS(-1E300)", (std::fmod(-1e300, 360.0) - (std::fmod(-1e300, 360.0) >= 0 ? 360 : 0)) / 180 * Pi},
        {"RADIANS(A1)", Inf, 3, 9},
        {"RADIANS(A2)", -Inf, 3, 9},
        {"RADIANS(A3)", NaN, 3, 9},
        {"DEGREES(PI)", 180},
        {"DEGREES(7)", (7 - 2 * Pi) / Pi * 180},
        {"DEGREES(-7)", (-7 + 2 * Pi) / Pi * 180},
        {"DEGREES(1E300)", std::fmod(1e300, 2 * Pi) / Pi * 180},
        {"DEGREES(A1)", Inf, 3, 9},
    });
}

TEST_F(BuiltinTest, CeilingAndPower)
{
    CheckNumbers({
        {"CEILING(2.1;0.5)", 2.5},
        {"CEILING(-2.5;1)", -2},
        {"CEILING(4;2)", 4},
        {"CEILING(4.1;2)", 6},
        {"CEILING(-4.1;-2)", -6},
        {"CEILING(1;0)", 1, 3, 13},     // at the position after the call
        {"CEILING(1;0)+1", 1, 3, 13},  // the error ends the evaluation
        {"CEILING(1)", 1, 11, 9},
        {"POWER(0;0)", 0},              // unlike 0^0
        {"0^0", 1},
        {"POWER(0;5)", 0},
        {"POWER(2;10)", 1024, 0, 0, 1e-9},
        {"POWER(9;0.5)", 3, 0, 0, 1e-12},
        {"POWER(-2;2)", 0, 3, 1},       // at the name
        {"1+POWER(-2;2)", 1, 3, 3},
        {"POWER(2)", 0, 7, 1},
        {"POWER(1;2;3)", 0, 7, 1},
        {"POWER(10;400)", Inf, 15, 1},
    });
}

TEST_F(BuiltinTest, RandIsSeededAndBounded)
{
    SetRandSeed(1234);
    const int32_t a = Random(10), b = Random(10);
    SetRandSeed(1234);
    CheckNumbers({{"RAND(10)", double(a)}, {"RAND(9.6)", double(b)}});  // 9.6 rounds to 10
    CheckNumbers({{"RAND(0)", 0}, {"RAND(0.4)", 0}, {"RAND(1)", 0}, {"RAND(-5)", 0}});
    for (int k = 0; k < 50; ++k) {
        const double r = Num(QStringLiteral("RAND(1E12)"));
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 1e12);
        EXPECT_EQ(r, std::floor(r));
    }
    PutNumber("A1", Inf);
    CheckNumbers({{"RAND(A1)", Inf, 3, 6}});
}

}  // namespace
