// The miscellaneous, finance and string libraries.  Expected values are
// literals computed by hand or with an independent multi-precision tool.
#include "FormulaErrors.h"
#include "MiscMathLib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

namespace {

struct TCase {
    const char* Name;
    std::initializer_list<double> Args;
    double Value;
    int ErrType;
    int ErrParam;
    double Tol; // relative; 0 for an exact value
};

std::string Where(const TCase& c)
{
    std::string s = c.Name;
    s += "(";
    for (double a : c.Args)
        s += std::to_string(a) + ";";
    return s + ")";
}

// Checks every row; an error row also checks that the value is `Value`
// (0 unless the rule says the computed value is still returned).
void RunTable(TMathLib& lib, std::initializer_list<TCase> cases)
{
    for (const TCase& c : cases) {
        TParamList params;
        for (double v : c.Args)
            params.Add(v);
        int errType = -1, errParam = -1;
        const double v = lib.CalcFunction(QString::fromLatin1(c.Name), params, errType, errParam);
        EXPECT_EQ(errType, c.ErrType) << Where(c);
        if (c.ErrType != 0) {
            EXPECT_EQ(errParam, c.ErrParam) << Where(c);
        }
        if (c.Tol == 0) {
            EXPECT_EQ(v, c.Value) << Where(c);
        } else {
            EXPECT_NEAR(v, c.Value, c.Tol * std::max(1.0, std::fabs(c.Value))) << Where(c);
        }
    }
}

TEST(MiscMathLib, ClaimsItsThreeFunctions)
{
    TMiscMathLib lib;
    for (const char* n : {"HARMEAN", "GEOMEAN", "ROUNDUP"}) {
        EXPECT_TRUE(lib.HandlesFunction(QString::fromLatin1(n))) << n;
        EXPECT_FALSE(lib.HandlesStrFunction(QString::fromLatin1(n))) << n;
        EXPECT_FALSE(lib.HandlesConstant(QString::fromLatin1(n))) << n;
    }
    EXPECT_FALSE(lib.HandlesFunction("roundup"));
    EXPECT_FALSE(lib.HandlesFunction("ROUND"));
}

TEST(MiscMathLib, MeansTable)
{
    TMiscMathLib lib;
    RunTable(lib, {
        {"HARMEAN", {1, 2, 4}, 12.0 / 7, 0, 0, 1e-15},
        {"HARMEAN", {2, 3, 5, 7}, 3.4008097165991903, 0, 0, 1e-15},
        {"HARMEAN", {5}, 5, 0, 0, 0},
        {"HARMEAN", {-2, 4}, -8, 0, 0, 1e-15}, // 2 / (-1/2 + 1/4)
        // Zero values: error 2 at the last zero's index, the value of the rest still returned.
        {"HARMEAN", {1, 0, 2, 0}, 4 / 1.5, 2, 3, 1e-15},
        {"HARMEAN", {0}, 0, 2, 0, 0},
        {"HARMEAN", {0, 0}, 0, 2, 1, 0},
        {"HARMEAN", {1, -1}, 0, 2, 0, 0}, // reciprocals cancel
        {"GEOMEAN", {2, 8}, 4, 0, 0, 1e-15},
        {"GEOMEAN", {1, 2, 3, 4, 5}, 2.6051710846973519, 0, 0, 1e-15},
        {"GEOMEAN", {7}, 7, 0, 0, 1e-15},
        {"GEOMEAN", {1e200, 1e200, 1e200}, 1e200, 0, 0, 1e-14}, // the product alone would overflow
        {"GEOMEAN", {1e-300, 1e-300}, 1e-300, 0, 0, 1e-14},
        {"GEOMEAN", {-2, -8}, 4, 0, 0, 1e-15}, // a positive product
        {"GEOMEAN", {3, 0, 5}, 0, 0, 0, 0},
        {"GEOMEAN", {-2, 8}, 0, 3, 0, 0},
    });
}

TEST(MiscMathLib, RoundUpRoundsAwayFromZero)
{
    TMiscMathLib lib;
    RunTable(lib, {
        {"ROUNDUP", {1, 0}, 1, 0, 0, 0},
        {"ROUNDUP", {2, 0}, 2, 0, 0, 0},
        {"ROUNDUP", {1.2, 0}, 2, 0, 0, 0},
        {"ROUNDUP", {1.21, 1}, 1.3, 0, 0, 0},
        {"ROUNDUP", {1.25, 1}, 1.3, 0, 0, 0},
        {"ROUNDUP", {1.3, 1}, 1.3, 0, 0, 0},
        {"ROUNDUP", {1.15, 2}, 1.15, 0, 0, 0}, // 1.15 * 100 is 114.99999999999999
        {"ROUNDUP", {0.1, 1}, 0.1, 0, 0, 0},
        {"ROUNDUP", {2.001, 2}, 2.01, 0, 0, 0},
        {"ROUNDUP", {-1.21, 1}, -1.3, 0, 0, 0},
        {"ROUNDUP", {-1, 0}, -1, 0, 0, 0},
        {"ROUNDUP", {-0.2, 0}, -1, 0, 0, 0},
        {"ROUNDUP", {1234, -2}, 1300, 0, 0, 0},
        {"ROUNDUP", {-1234, -2}, -1300, 0, 0, 0},
        {"ROUNDUP", {0, 3}, 0, 0, 0, 0},
        {"ROUNDUP", {3.14159, 3}, 3.142, 0, 0, 0},
        {"ROUNDUP", {1e-320, 1000}, 1e-320, 0, 0, 0},
        {"ROUNDUP", {5, -400}, 0, 15, 0, 0}, // 1e400 is beyond the double range
        {"ROUNDUP", {1}, 0, 7, 0, 0},
        {"ROUNDUP", {1, 2, 3}, 0, 7, 0, 0},
    });
    // The plain rule agrees with a direct ceiling where the product is exact.
    for (double v : {0.5, 1.5, 2.25, 7.0, 12.75, 100.0})
        for (double d : {0.0, 1.0, 2.0})
            EXPECT_EQ(MiscMath::RoundUp(v, d), std::ceil(v * std::pow(10.0, d)) / std::pow(10.0, d)) << v << " " << d;
}

TEST(MiscMathLib, EditHints)
{
    TMiscMathLib lib;
    struct { const char* name; const char* hint; } table[] = {
        {"HARMEAN", "HarMean(<b>Param1,..ParamN: Double</b>):Double<HR>Calculates the harmonic mean of parameters"},
        {"GEOMEAN", "GeoMean(<b>Param1,..ParamN: Double</b>):Double<HR>Calculates the geometric mean of parameters"},
        {"ROUNDUP", "RoundUp(<b>Value,NumberOfDigits: Double</b>):Double<HR>Rounds up a value to the specified nr. of digits"},
    };
    for (auto h : table)
        for (int p : {0, 1, 7})
            EXPECT_EQ(lib.GetEditHint(QString::fromLatin1(h.name), p), QString::fromLatin1(h.hint)) << h.name;
    EXPECT_EQ(lib.GetEditHint("SUM", 0), "");
}

TEST(FinanceMathLib, ClaimsSixFunctionsWithoutHints)
{
    TFinanceMathLib lib;
    for (const char* n : {"CUMINT", "CTERM", "TERM", "RATE", "PV", "PMT"}) {
        EXPECT_TRUE(lib.HandlesFunction(QString::fromLatin1(n))) << n;
        EXPECT_EQ(lib.GetEditHint(QString::fromLatin1(n), 0), "") << n;
    }
    EXPECT_FALSE(lib.HandlesFunction("NPV"));
    EXPECT_FALSE(lib.HandlesFunction("pmt"));
}

TEST(FinanceMathLib, RulesTable)
{
    TFinanceMathLib lib;
    RunTable(lib, {
        {"CUMINT", {100, 5, 2}, 110.25, 0, 0, 1e-15},
        {"CUMINT", {1000, 7, 30}, 7612.2550426620292, 0, 0, 1e-14},
        {"CUMINT", {100, 5, 0}, 100, 0, 0, 0},
        {"CUMINT", {100, 5, -3}, 100, 0, 0, 0},
        {"CUMINT", {100, 5, 2.4}, 110.25, 0, 0, 1e-15}, // periods round to 2
        {"CUMINT", {100, 0, 1e300}, 100, 0, 0, 0},      // closed form: any number of periods at once
        {"CUMINT", {100, -100, 1e18}, 0, 0, 0, 0},
        {"CUMINT", {100, 5, 1e18}, 0, 15, 0, 0},
        {"CUMINT", {100, 5}, 0, 7, 0, 0},
        {"CUMINT", {100, 5, 2, 1}, 0, 7, 0, 0},
        {"CTERM", {0.05, 150, 100}, 8.3103862225205606, 0, 0, 1e-14},
        {"CTERM", {0.07, 2, 1}, 10.24476835105872, 0, 0, 1e-14},
        {"CTERM", {0, 150, 100}, 0, 2, 0, 0},     // a zero rate never grows the value
        {"CTERM", {-1, 150, 100}, 0, 3, 0, 0},    // ln(1 + rate) undefined
        {"CTERM", {0.05, 0, 100}, 0, 3, 2, 0},
        {"CTERM", {0.05, 150, 0}, 0, 3, 3, 0},
        {"TERM", {50, 0.08, 2000}, 18.646895937269766, 0, 0, 1e-14},
        {"TERM", {100, 0, 1000}, 0, 3, 2, 0},     // a zero rate
        {"TERM", {0, 0.05, 1000}, 0, 2, 0, 0},    // a zero payment
        {"TERM", {-1, 0.05, 1000}, 0, 3, 0, 0},   // ln of a negative value
        {"RATE", {150, 100, 5}, 0.084471771197698614, 0, 0, 1e-14},
        {"RATE", {2, 1, 10}, 0.071773462536293164, 0, 0, 1e-14},
        {"RATE", {0, 100, 5}, -1, 0, 0, 0},
        {"RATE", {-150, 100, 5}, 0, 3, 0, 0},     // no silent -1
        {"RATE", {150, -100, 5}, 0, 3, 2, 0},
        {"RATE", {150, 100, 0}, 0, 3, 3, 0},
        {"PV", {10, 0.05, 5}, 43.294766706308194, 0, 0, 1e-14},
        {"PV", {250, 0.0075, 48}, 10046.195471294919, 0, 0, 1e-14},
        {"PV", {10, 0, 5}, 0, 3, 2, 0},
        {"PV", {10, 0.05, -5}, 0, 3, 3, 0},
        {"PMT", {100, 0.04, 10}, 12.329094433013651, 0, 0, 1e-14},
        {"PMT", {2500, 0.006, 360}, 16.969705236686613, 0, 0, 1e-14},
        {"PMT", {100, 1e-300, 1e-300}, 1e302, 0, 0, 1e-14}, // no cancellation: P0 / P2 in the limit
        {"PMT", {100, 0.04}, 0, 7, 0, 0},
    });
}

TEST(StringMathLib, ClaimsFourTextFunctions)
{
    TStringMathLib lib;
    for (const char* n : {"REVERSE", "CAPITALIZE", "IF", "GETVAR"}) {
        EXPECT_TRUE(lib.HandlesStrFunction(QString::fromLatin1(n))) << n;
        EXPECT_FALSE(lib.HandlesFunction(QString::fromLatin1(n))) << n;
    }
    EXPECT_FALSE(lib.HandlesStrFunction("reverse"));
}

QString CallStr(TStringMathLib& lib, const char* name, const QStringList& texts, int* err = nullptr)
{
    int errType = -1, errParam = -1;
    const QString r = lib.CalcStrFunction(QString::fromLatin1(name), texts, errType, errParam);
    if (err)
        *err = errType;
    else
        EXPECT_EQ(errType, 0) << name;
    return r;
}

TEST(StringMathLib, RulesTable)
{
    TStringMathLib lib;
    struct { const char* name; QStringList texts; QString result; } table[] = {
        {"REVERSE", {"abc"}, "cba"},
        {"REVERSE", {"123"}, "321"},
        {"REVERSE", {""}, ""},
        {"REVERSE", {"ab", "cd"}, "ba"},
        {"REVERSE", {QString::fromUtf8("x\xF0\x9F\x98\x80y")}, QString::fromUtf8("y\xF0\x9F\x98\x80x")},
        {"REVERSE", {QString::fromUtf8("\xF0\x9D\x84\x9E\xF0\x9F\x98\x80")},
         QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9D\x84\x9E")},
        {"REVERSE", {QString(QChar(0xD800)) + "a"}, "a" + QString(QChar(0xD800))}, // a lone half stays as it is
        {"CAPITALIZE", {"hello big world"}, "Hello Big World"},
        {"CAPITALIZE", {"  two  spaces"}, "  Two  Spaces"},
        {"CAPITALIZE", {"already Up"}, "Already Up"},
        {"CAPITALIZE", {QString::fromUtf8("\xC3\xA9t\xC3\xA9 ok")}, QString::fromUtf8("\xC3\xA9t\xC3\xA9 Ok")},
        {"CAPITALIZE", {"a-b c.d"}, "A-b C.d"},
        {"IF", {"1", "yes", "no"}, "yes"},
        {"IF", {"0", "yes", "no"}, "no"},
        {"IF", {"2", "yes", "no"}, "no"},
        {"IF", {"0", "yes"}, ""},
        {"IF", {"1"}, ""},
        {"IF", {"1.0", "yes", "no"}, "no"}, // exactly "1"
        {"GETVAR", {"A"}, "1"},
        {"GETVAR", {"B"}, "2"},
        {"GETVAR", {"C"}, "3"},
        {"GETVAR", {"b"}, ""},
        {"GETVAR", {"D"}, ""},
    };
    for (const auto& row : table)
        EXPECT_EQ(CallStr(lib, row.name, row.texts), row.result)
            << row.name << " " << row.texts.join(',').toStdString();
}

TEST(StringMathLib, NoTextsIsErrorSeven)
{
    TStringMathLib lib;
    for (const char* n : {"REVERSE", "CAPITALIZE", "IF", "GETVAR"}) {
        int err = 0;
        EXPECT_EQ(CallStr(lib, n, {}, &err), "") << n;
        EXPECT_EQ(err, feInvalidParamCount) << n;
    }
}

} // namespace
