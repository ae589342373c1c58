// The extended maths library as formulas call it: names, argument checks,
// error codes, constants and hints.  Expected values are literals from
// published tables and an independent multi-precision computation.
#include "FormulaErrors.h"
#include "ZuvMathsLib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

namespace {

struct TResult {
    double Value;
    int ErrType;
    int ErrParam;
};

TResult Call(TMathLib& lib, const char* name, std::initializer_list<double> values)
{
    TParamList params;
    for (double v : values)
        params.Add(v);
    TResult r{0, -1, -1};
    r.Value = lib.CalcFunction(QString::fromLatin1(name), params, r.ErrType, r.ErrParam);
    return r;
}

class ZuvMathsLibTest : public ::testing::Test {
protected:
    TZuvMathsLib Lib;
};

TEST_F(ZuvMathsLibTest, ClaimsExactlyItsNamesInUpperCase)
{
    const QStringList functions = TZuvMathsLib::FunctionNames();
    EXPECT_EQ(functions.size(), 19);
    for (const QString& f : functions) {
        EXPECT_TRUE(Lib.HandlesFunction(f)) << f.toStdString();
        EXPECT_FALSE(Lib.HandlesConstant(f)) << f.toStdString();
        EXPECT_FALSE(Lib.HandlesStrFunction(f)) << f.toStdString();
        EXPECT_FALSE(Lib.HandlesFunction(f.toLower())) << f.toStdString();
    }
    const QStringList constants = TZuvMathsLib::ConstantNames();
    EXPECT_EQ(constants.size(), 46);
    for (const QString& c : constants) {
        EXPECT_TRUE(Lib.HandlesConstant(c)) << c.toStdString();
        EXPECT_FALSE(Lib.HandlesFunction(c)) << c.toStdString();
        EXPECT_FALSE(Lib.HandlesConstant(c.toLower())) << c.toStdString();
    }
    for (const char* other : {"SUM", "PI", "E", "SQRT", "FACT", "ROUNDUP", ""}) {
        EXPECT_FALSE(Lib.HandlesFunction(QString::fromLatin1(other))) << other;
        EXPECT_FALSE(Lib.HandlesConstant(QString::fromLatin1(other))) << other;
    }
}

TEST_F(ZuvMathsLibTest, ConstantsToFullDoublePrecision)
{
    // The double nearest to each mathematical value.
    struct { const char* name; double value; } table[] = {
        {"SQRT2", 1.4142135623730951},
        {"SQRT3", 1.7320508075688772},
        {"SQRT5", 2.23606797749979},
        {"SQRT10", 3.1622776601683795},
        {"SQRTPI", 1.772453850905516},
        {"CBRT2", 1.2599210498948732},
        {"CBRT3", 1.4422495703074083},
        {"CBRT10", 2.154434690031884},
        {"CBRT100", 4.641588833612779},
        {"CBRTPI", 1.4645918875615234},
        {"INVSQRT2", 0.7071067811865476},
        {"INVSQRT3", 0.5773502691896257},
        {"INVSQRT5", 0.4472135954999579},
        {"INVSQRTPI", 0.5641895835477563},
        {"INVCBRTPI", 0.6827840632552957},
        {"ZUVE", 2.718281828459045},
        {"ZUVE2", 7.38905609893065},
        {"ZUVEPI", 23.14069263277927},
        {"ZUVEPION2", 4.810477380965351},
        {"ZUVEPION4", 2.1932800507380152},
        {"LOG10BASE2", 3.321928094887362},
        {"LOG2BASE10", 0.3010299956639812},
        {"LOG3BASE10", 0.47712125471966244},
        {"LOGEBASE10", 0.4342944819032518},
        {"ZUVPI", 3.141592653589793},
        {"INVPI", 0.3183098861837907},
        {"TWOPI", 6.283185307179586},
        {"THREEPI", 9.42477796076938},
        {"PI2", 9.869604401089358},
        {"PITOE", 22.459157718361045},
        {"PION2", 1.5707963267948966},
        {"PION3", 1.0471975511965979},
        {"PION4", 0.7853981633974483},
        {"THREEPION2", 4.71238898038469},
        {"FOURPION3", 4.188790204786391},
        {"TWOTO63", 9.223372036854776e+18},
        {"ONERADIAN", 57.29577951308232},
        {"ONEDEGREE", 0.017453292519943295},
        {"ONEMINUTE", 0.0002908882086657216},
        {"ONESECOND", 4.84813681109536e-06},
        {"ZUVGAMMA", 0.5772156649015329},
        {"LNRT2PI", 0.9189385332046728},
        {"LN2", 0.6931471805599453},
        {"LN10", 2.302585092994046},
        {"LNPI", 1.1447298858494002},
        {"LOGPIBASE10", 0.49714987269413385},
    };
    EXPECT_EQ(std::size(table), 46u);
    for (auto c : table) {
        EXPECT_TRUE(Lib.HandlesConstant(QString::fromLatin1(c.name))) << c.name;
        EXPECT_EQ(Lib.GetConstant(QString::fromLatin1(c.name)), c.value) << c.name;
    }
    // Cross-checks against the standard library where it has the value.
    EXPECT_EQ(Lib.GetConstant("SQRT2"), std::sqrt(2.0));
    EXPECT_EQ(Lib.GetConstant("LN2"), std::log(2.0));
    EXPECT_EQ(Lib.GetConstant("ZUVPI"), M_PI);
    EXPECT_EQ(Lib.GetConstant("ZUVE"), M_E);
    EXPECT_EQ(Lib.GetConstant("CBRT3"), std::cbrt(3.0));
    EXPECT_EQ(Lib.GetConstant("NOSUCH"), 0.0);
}

// One row per call: name, arguments, expected value (or error), tolerance.
struct TCase {
    const char* Name;
    std::initializer_list<double> Args;
    double Value;
    int ErrType;
    int ErrParam;
    double Tol;
};

void RunTable(TMathLib& lib, std::initializer_list<TCase> cases)
{
    for (const TCase& c : cases) {
        const TResult r = Call(lib, c.Name, c.Args);
        std::string where = c.Name;
        where += "(";
        for (double a : c.Args)
            where += std::to_string(a) + ";";
        where += ")";
        EXPECT_EQ(r.ErrType, c.ErrType) << where;
        if (c.ErrType != 0) {
            EXPECT_EQ(r.ErrParam, c.ErrParam) << where;
            EXPECT_EQ(r.Value, 0.0) << where;
        } else if (c.Tol == 0) {
            EXPECT_EQ(r.Value, c.Value) << where;
        } else {
            EXPECT_NEAR(r.Value, c.Value, c.Tol * std::max(1.0, std::fabs(c.Value))) << where;
        }
    }
}

TEST_F(ZuvMathsLibTest, NumberTheoryAndRemainders)
{
    RunTable(Lib, {
        {"GCD", {12, 18}, 6, 0, 0, 0}, {"GCD", {0, 5}, 5, 0, 0, 0}, {"GCD", {12.4, 17.6}, 6, 0, 0, 0},
        {"GCD", {2.5, 5}, 1, 0, 0, 0}, // 2.5 rounds to 2 (halves to even)
        {"GCD", {4294967295.0, 5}, 5, 0, 0, 0},
        {"GCD", {-1, 5}, 0, 3, 0, 0}, {"GCD", {5, 4294967296.0}, 0, 3, 1, 0}, {"GCD", {12}, 0, 7, 0, 0},
        {"GCD", {12, 18, 99}, 6, 0, 0, 0}, // extra parameters are ignored
        {"LCM", {4, 6}, 12, 0, 0, 0}, {"LCM", {-4, 6}, -12, 0, 0, 0}, {"LCM", {-4, -6}, 12, 0, 0, 0},
        {"LCM", {0, 0}, 0, 0, 0, 0}, {"LCM", {0, 9}, 0, 0, 0, 0},
        {"LCM", {2147483647, 2147483646}, 4611686011984936962.0, 0, 0, 0},
        {"LCM", {-2147483648.0, 3}, -6442450944.0, 0, 0, 0},
        {"LCM", {-2147483649.0, 3}, 0, 3, 0, 0}, {"LCM", {3, 2147483648.0}, 0, 3, 1, 0},
        {"LCM", {3}, 0, 7, 0, 0},
        {"RELPRIME", {8, 15}, 1, 0, 0, 0}, {"RELPRIME", {8, 14}, 0, 0, 0, 0}, {"RELPRIME", {1, 0}, 1, 0, 0, 0},
        {"RELPRIME", {0, 0}, 0, 0, 0, 0}, {"RELPRIME", {8, -1}, 0, 3, 1, 0},
        {"DISTANCE", {0, 0, 3, 4}, 5, 0, 0, 0}, {"DISTANCE", {1, 2, 1, 2}, 0, 0, 0, 0},
        {"DISTANCE", {-1, -1, 2, 3}, 5, 0, 0, 0}, {"DISTANCE", {1.5, 2.5, -3, 7}, 6.3639610306789277, 0, 0, 1e-15},
        {"DISTANCE", {1, 2, 3}, 0, 7, 0, 0},
        {"EXTMOD", {7, 3}, 1, 0, 0, 0}, {"EXTMOD", {-7, 3}, 2, 0, 0, 0}, {"EXTMOD", {7, -3}, -2, 0, 0, 0},
        {"EXTMOD", {-6, 3}, 0, 0, 0, 0}, {"EXTMOD", {-7.5, 2}, 0.5, 0, 0, 0}, {"EXTMOD", {7, 0}, 0, 2, 1, 0},
        {"EXTMOD", {7}, 0, 7, 0, 0},
        {"EXTREM", {-7, 3}, -1, 0, 0, 0}, {"EXTREM", {7, 3}, 1, 0, 0, 0}, {"EXTREM", {7.5, -2}, 1.5, 0, 0, 0},
        {"EXTREM", {7, 0}, 0, 2, 1, 0},
    });
}

TEST_F(ZuvMathsLibTest, Combinatorics)
{
    RunTable(Lib, {
        {"ZUVFACT", {5}, 120, 0, 0, 0}, {"ZUVFACT", {2.5}, 2, 0, 0, 0}, {"ZUVFACT", {3.5}, 24, 0, 0, 0},
        {"ZUVFACT", {0}, 1, 0, 0, 0}, {"ZUVFACT", {20}, 2432902008176640000.0, 0, 0, 0},
        {"ZUVFACT", {170}, 7.257415615307999e306, 0, 0, 1e-15}, {"ZUVFACT", {1755}, 0, 0, 0, 0},
        {"ZUVFACT", {171}, 0, 15, 0, 0}, // beyond the double range
        {"ZUVFACT", {-1}, 0, 3, 0, 0}, {"ZUVFACT", {4294967296.0}, 0, 3, 0, 0},
        {"ZUVPERM", {5, 2}, 20, 0, 0, 0}, {"ZUVPERM", {5, 0}, 1, 0, 0, 0}, {"ZUVPERM", {0, 0}, 1, 0, 0, 0},
        {"ZUVPERM", {10, 10}, 3628800, 0, 0, 0}, {"ZUVPERM", {49, 6}, 10068347520.0, 0, 0, 0},
        {"ZUVPERM", {3, 4}, 0, 3, 1, 0}, {"ZUVPERM", {3, -1}, 0, 3, 1, 0}, {"ZUVPERM", {-3, 1}, 0, 3, 0, 0},
        {"ZUVPERM", {5}, 0, 7, 0, 0}, {"ZUVPERM", {1800, 1}, 0, 0, 0, 0},
        {"ZUVCOMB", {5, 2}, 10, 0, 0, 0}, {"ZUVCOMB", {5, 5}, 1, 0, 0, 0}, {"ZUVCOMB", {0, 0}, 1, 0, 0, 0},
        {"ZUVCOMB", {49, 6}, 13983816, 0, 0, 0}, {"ZUVCOMB", {52, 47}, 2598960, 0, 0, 0},
        {"ZUVCOMB", {4.6, 2.4}, 10, 0, 0, 0}, // N rounds to 5, R to 2
        {"ZUVCOMB", {3, 4}, 0, 3, 1, 0}, {"ZUVCOMB", {5, 5.4}, 0, 3, 1, 0},
        {"ZUVCOMB", {1000, 500}, 2.7028824094543657e299, 0, 0, 1e-15},
    });
}

TEST_F(ZuvMathsLibTest, Trigonometry)
{
    const double pi = M_PI;
    RunTable(Lib, {
        {"ZUVTAN", {0}, 0, 0, 0, 0}, {"ZUVTAN", {pi / 4}, 1, 0, 0, 1e-15}, {"ZUVTAN", {1}, 1.5574077246549023, 0, 0, 1e-15},
        {"ZUVTAN", {-2}, 2.1850398632615190, 0, 0, 1e-15},
        {"ZUVTAN", {9223372036854775808.0}, 0, 3, 0, 0}, {"ZUVTAN", {-1e300}, 0, 3, 0, 0},
        {"ZUVCOT", {1}, 0.64209261593433070, 0, 0, 1e-15}, {"ZUVCOT", {pi / 4}, 1, 0, 0, 1e-15},
        {"ZUVCOT", {0}, 0, 2, 0, 0}, {"ZUVCOT", {1e19}, 0, 3, 0, 0},
        {"ZUVARCTAN", {0, 1}, pi / 2, 0, 0, 0}, {"ZUVARCTAN", {-1, 0}, pi, 0, 0, 0},
        {"ZUVARCTAN", {0, 0}, 0, 0, 0, 0}, {"ZUVARCTAN", {1, 1}, pi / 4, 0, 0, 1e-16},
        {"ZUVARCTAN", {-1, -1}, -3 * pi / 4, 0, 0, 1e-16}, {"ZUVARCTAN", {2, -1}, -0.46364760900080612, 0, 0, 1e-16},
        {"ZUVARCTAN", {1}, 0, 7, 0, 0},
        {"ZUVARCSIN", {0.5}, 0.5235987755982989, 0, 0, 0}, {"ZUVARCSIN", {-0.9}, -1.1197695149986342, 0, 0, 1e-16},
        {"ZUVARCSIN", {-1}, -pi / 2, 0, 0, 0}, {"ZUVARCSIN", {1}, pi / 2, 0, 0, 0},
        {"ZUVARCSIN", {-0.75}, -0.848062078981481, 0, 0, 1e-15},
        {"ZUVARCCOS", {0.5}, 1.0471975511965979, 0, 0, 0}, {"ZUVARCCOS", {-0.9}, 2.6905658417935309, 0, 0, 1e-16},
        {"ZUVARCCOS", {-1}, pi, 0, 0, 0}, {"ZUVARCCOS", {1}, 0, 0, 0, 0},
        {"ZUVARCCOS", {-0.75}, 2.4188584057763776, 0, 0, 1e-15},
        // Outside [-1, 1]: the routine's math error becomes error 3, never an exception.
        {"ZUVARCSIN", {1.5}, 0, 3, 0, 0}, {"ZUVARCCOS", {-1.0000001}, 0, 3, 0, 0},
    });
    Call(Lib, "ZUVARCSIN", {2});
    EXPECT_EQ(Lib.LastMathError(), "ZuvArcSin requires values with magnitude <= 1");
    Call(Lib, "ZUVARCCOS", {2});
    EXPECT_EQ(Lib.LastMathError(), "ZuvArcCos requires values with magnitude <= 1");
    Call(Lib, "ZUVARCCOS", {0.5});
    EXPECT_EQ(Lib.LastMathError(), "");
}

TEST_F(ZuvMathsLibTest, GammaFamily)
{
    RunTable(Lib, {
        {"GAMMA", {5}, 24, 0, 0, 1e-15}, {"GAMMA", {0.5}, 1.7724538509055160, 0, 0, 1e-15},
        {"GAMMA", {-1.5}, 2.3632718012073547, 0, 0, 1e-15}, {"GAMMA", {10.1}, 454760.75144158559, 0, 0, 1e-14},
        {"GAMMA", {171.5}, 9.483367566824795e307, 0, 0, 1e-14}, {"GAMMA", {172.5}, 0, 15, 0, 0}, {"GAMMA", {1e15}, 0, 15, 0, 0},
        // Poles: error 3, not a huge value.
        {"GAMMA", {0}, 0, 3, 0, 0}, {"GAMMA", {-1}, 0, 3, 0, 0}, {"GAMMA", {-2}, 0, 3, 0, 0},
        {"GAMMA", {-1e15}, 0, 3, 0, 0}, {"GAMMA", {-1e300}, 0, 3, 0, 0},
        {"INVGAMMA", {0}, 0, 0, 0, 0}, {"INVGAMMA", {-3}, 0, 0, 0, 0}, {"INVGAMMA", {5}, 1.0 / 24, 0, 0, 1e-15},
        {"INVGAMMA", {0.5}, 0.56418958354775629, 0, 0, 1e-15}, {"INVGAMMA", {1e15}, 0, 0, 0, 0},
        {"INVGAMMA", {1e300}, 0, 0, 0, 0}, {"INVGAMMA", {-999999999999999.5}, 0, 15, 0, 0},
        {"INVGAMMA", {-170.6}, -4.8009966804192168e+307, 0, 0, 1e-14},
        {"LNGAMMA", {10}, 12.801827480081469, 0, 0, 1e-15}, {"LNGAMMA", {0.5}, 0.57236494292470009, 0, 0, 1e-15},
        {"LNGAMMA", {1e300}, 6.8977552789821371e+302, 0, 0, 1e-15},
        {"LNGAMMA", {0}, 0, 3, 0, 0}, {"LNGAMMA", {-2.5}, 0, 3, 0, 0},
        {"BETA", {2, 3}, 1.0 / 12, 0, 0, 1e-15}, {"BETA", {0.5, 0.5}, M_PI, 0, 0, 1e-15},
        {"BETA", {-0.5, 2}, -4, 0, 0, 1e-14}, {"BETA", {200, 300}, 1.6485491608664746e-147, 0, 0, 1e-13},
        {"BETA", {1e300, 1e300}, 0, 0, 0, 0}, {"BETA", {0, 2}, 0, 3, 0, 0}, {"BETA", {2, -4}, 0, 3, 0, 0},
        {"BETA", {2}, 0, 7, 0, 0},
        {"INCOMPBETA", {0, 2, 3}, 0, 0, 0, 0}, {"INCOMPBETA", {1, 2, 3}, 1, 0, 0, 0},
        {"INCOMPBETA", {0.3, 2, 3}, 0.3483, 0, 0, 1e-15}, {"INCOMPBETA", {0.25, 10, 20}, 0.16630494959787945, 0, 0, 1e-14},
        {"INCOMPBETA", {0.5, 1e300, 1e300}, 0.5, 0, 0, 1e-15},
        {"INCOMPBETA", {1.5, 2, 3}, 0, 3, 0, 0}, {"INCOMPBETA", {-0.1, 2, 3}, 0, 3, 0, 0},
        {"INCOMPBETA", {0.5, 0, 3}, 0, 3, 1, 0}, {"INCOMPBETA", {0.5, 2, -3}, 0, 3, 2, 0},
        {"INCOMPBETA", {0.5, 2}, 0, 7, 0, 0},
    });
    Call(Lib, "GAMMA", {-4});
    EXPECT_EQ(Lib.LastMathError(), "Not Defined for given Value");
    Call(Lib, "BETA", {-1, 0.5});
    EXPECT_EQ(Lib.LastMathError(), "Not Defined for given Value");
}

TEST_F(ZuvMathsLibTest, ErrTypeIsClearedAndUnknownNamesAreZero)
{
    TParamList p;
    p.Add(1);
    int errType = 99, errParam = 5;
    EXPECT_EQ(Lib.CalcFunction("NOSUCH", p, errType, errParam), 0.0);
    EXPECT_EQ(errType, 0);
    errType = 99;
    EXPECT_EQ(Lib.CalcFunction("ZUVFACT", p, errType, errParam), 1.0);
    EXPECT_EQ(errType, 0);
}

TEST_F(ZuvMathsLibTest, EditHintsAreTheWholeTextWhateverTheParameter)
{
    struct { const char* name; const char* hint; } table[] = {
        {"GCD", "GCD(<b>X, Y: LongWord</b>):LongWord<HR>Returns the Greatest Common Divisor of X and Y<BR>0 &lt;= X &lt;= High (LongWord), X will be rounded if not integral<BR>0 &lt;= Y &lt;= High (LongWord), Y will be rounded if not integral"},
        {"LCM", "LCM(<b>X, Y: LongWord</b>):INT64<HR>Returns the Lowest Common Multiplier of X and Y<BR>Low (LongInt) &lt;= X &lt;= High (LongInt), X will be rounded if not integral<BR>Low (LongInt) &lt;= Y &lt;= High (LongInt), Y will be rounded if not integral"},
        {"RELPRIME", "RelPrime(<b>X, Y: LongWord</b>):Boolean<HR>Returns 1 if X and Y are Relatively Prime, otherwise 0<BR>0 &lt;= X &lt;= High (LongWord), X will be rounded if not integral<BR>0 &lt;= Y &lt;= High (LongWord), Y will be rounded if not integral"},
        {"DISTANCE", "Distance (<b>X1, Y1, X2, Y2: Double</b>): Double<HR>Returns the straight line distance between  (X1, Y1) and (X2, Y2)"},
        {"EXTMOD", "ExtMod (<b>X, Y: double</b>): Double<HR>Returns Floating Point Modulus<BR>ExtMod := X - Floor ( X / Y ) * Y<BR>Y &lt;&gt; 0"},
        {"EXTREM", "ExtRem (<b>X, Y: double</b>): Double<HR>Returns Floating Point Remainder<BR>ExtMod := X - Int ( X / Y ) * Y<BR>Y &lt;&gt; 0"},
        {"ZUVFACT", "ZuvFact (<b>X: LongWord</b>): Double<HR>Returns Factorial X<BR>0 &lt;= X &lt;= 1754, X will be rounded if not integral"},
        {"ZUVPERM", "ZuvPerm (<b>N, R: LongWord</b>): Double<HR>Returns the number of Permutations of R Objects from N<BR>0 &lt;= N &lt;= 1754, N will be rounded if not integral<BR>0 &lt;= R &lt;= N, R will be rounded if not integral"},
        {"ZUVCOMB", "ZuvComb (<b>N, R: LongWord</b>): Double<HR>Returns the number of Combinations of R Objects from N<BR>0 &lt;= N &lt;= 1754, N will be rounded if not integral<BR>0 &lt;= R &lt;= N, R will be rounded if not integral"},
        {"ZUVTAN", "ZuvTan (<b>X: Double</b>): Double<HR>Returns the Tangent of Angle X, given in Radians<BR>abs (x) &lt; 2^63"},
        {"ZUVCOT", "ZuvCot (<b>X: Double</b>): Double<HR>Returns the CoTangent of Angle X, given in Radians<BR>abs (x) &lt; 2^63"},
        {"ZUVARCTAN", "ZuvArcTan (<b>X, Y: Double</b>): Double<HR>ArcTangent of Y / X - Result is in Radians"},
        {"ZUVARCSIN", "ZuvArcSin (<b>X: Double</b>): Double<HR>ArcSine of X - Result is in Radians"},
        {"ZUVARCCOS", "ZuvArcCos (<b>X: Double</b>): Double<HR>ArcCosine of X - Result is in Radians"},
        {"GAMMA", "Gamma (<b>X: Double</b>): Double<HR>Returns Gamma (X)"},
        {"INVGAMMA", "InvGamma (<b>X: Double</b>): Double<HR>Returns 1 / Gamma (X)"},
        {"LNGAMMA", "LnGamma (<b>X: Double</b>): Double<HR>Returns the Natural Logarithm of Gamma (X)"},
        {"BETA", "Beta (<b>X, Y: Double</b>): Double<HR>Returns Beta (X, Y)"},
        {"INCOMPBETA", "InCompBeta (<b>X, P, Q: Double</b>): Double<HR>Returns Incomplete Beta Ix (P, Q)<BR>0 &lt;= X &lt;= 1, P &gt; 0, Q &gt; 0"},
    };
    EXPECT_EQ(std::size(table), 19u);
    for (auto h : table)
        for (int paramIndex : {0, 1, 5, -1})
            EXPECT_EQ(Lib.GetEditHint(QString::fromLatin1(h.name), paramIndex), QString::fromLatin1(h.hint))
                << h.name << " " << paramIndex;
    EXPECT_EQ(Lib.GetEditHint("ZUVPI", 0), "");
    EXPECT_EQ(Lib.GetEditHint("gcd", 0), "");
    EXPECT_EQ(Lib.GetErrorMessage(101), "No error");
}

} // namespace
