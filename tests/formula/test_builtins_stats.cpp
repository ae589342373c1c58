// Built-in statistics and counts over ranges with empty and text cells.
#include "BuiltinTestSupport.h"

#include <cmath>

namespace {

class StatsTest : public BuiltinTest {
protected:
    void SetUp() override
    {
        BuiltinTest::SetUp();
        // A1 empty, A2 5, A3 3; B1:B3 1.3; C1 text, C2 2, C3 empty.
        Put("A2", QStringLiteral("5"));
        Put("A3", QStringLiteral("3"));
        for (const char* c : {"B1", "B2", "B3"})
            Put(c, QStringLiteral("1.3"));
        Put("C1", QStringLiteral("abc"));
        Put("C2", QStringLiteral("2"));
    }
};

TEST_F(StatsTest, SumsAndAverages)
{
    CheckNumbers({
        {"SUM(1;2;3)", 6},
        {"SUM(A1:A3)", 8},
        {"SUM(A1:A3;10)", 18},
        {"SUM(C1:C3)", 2},          // text and empty cells add 0
        {"PRODUCT(2;3;4)", 24},
        {"PRODUCT(A1:A3)", 0},      // the empty cell counts as 0
        {"PRODUCT(A2:A3)", 15},
        {"AVERAGE(A1:A3)", 8.0 / 3},  // the empty cell is counted
        {"AVERAGE(C1:C3)", 2.0 / 3},
        {"AVERAGE(4)", 4},
        {"MIN(A1:A3)", 3},          // the empty cell is skipped
        {"MAX(A1:A3)", 5},
        {"MIN(C1:C3)", 0},          // a text cell is not empty: it counts as 0
        {"MAX(-1;-5)", -1},
        {"MIN(A1)", 0},             // a single reference is a value, not a range
        {"SUM(1E308;1E308)", Inf, 15, 5},
        {"PRODUCT(1E200;1E200)", Inf, 15, 9},
        {"SUM(B5:A1)", 0, 7, 5},    // a reversed range yields no values
    });
}

TEST_F(StatsTest, SpreadsAreStable)
{
    const double s = std::sqrt(32.0 / 7);
    CheckNumbers({
        {"STDEV(1.3;1.3;1.3)", 0},
        {"STDEVP(1.3;1.3;1.3)", 0},
        {"VAR(1.3;1.3;1.3)", 0},
        {"DEVSQ(1.3;1.3;1.3)", 0},
        {"STDEV(B1:B3)", 0},
        {"STDEV(2;4;4;4;5;5;7;9)", s},
        {"STDEVP(2;4;4;4;5;5;7;9)", 2},
        {"VAR(2;4;4;4;5;5;7;9)", 32.0 / 7},
        {"DEVSQ(2;4;4;4;5;5;7;9)", 32},
        {"VAR(1E9+1;1E9+2;1E9+3)", 1},   // large offset, small spread
        {"STDEV(A1:A3)", std::sqrt(19.0 / 3)},  // 0, 5, 3: the empty cell is a 0
        {"STDEVP(7)", 0},
        {"DEVSQ(5)", 0},
        {"STDEV(1)", 0, 7, 7},   // at arg
        {"VAR(1)", 0, 7, 5},
    });
    // Never negative and never NaN on nearly equal values.
    for (const char* e : {"VAR(0.1;0.1;0.1;0.1;0.1;0.1;0.1)", "STDEV(1E15+0.3;1E15+0.3;1E15+0.3)",
                          "STDEVP(0.7;0.7;0.7;0.7)"}) {
        const double v = Num(QString::fromLatin1(e));
        EXPECT_FALSE(std::isnan(v)) << e;
        EXPECT_GE(v, 0) << e;
    }
}

TEST_F(StatsTest, Counts)
{
    CheckNumbers({
        {"COUNT(A1:A3)", 2},
        {"COUNT(C1:C3)", 1},
        {"COUNT(A1:C3)", 6},
        {"COUNT(1;0;\"x\";\"2.5\")", 2},  // the zero placeholder does not count
        {"COUNT(\"1,5\")", 0},            // strictly "." as the decimal point
        {"COUNTA(A1:A3)", 2},
        {"COUNTA(A1:C3)", 7},
        {"COUNTBLANK(A1:A3)", 1},
        {"COUNTBLANK(A1:C3)", 2},
    });
}

TEST_F(StatsTest, CountIfUsesTheMatcher)
{
    for (const char* c : {"D1", "D2", "D3", "D4", "D5"})
        Put(c, QString::number(c[1] - '0'));  // D1:D5 = 1..5, D6 empty
    Put("E1", QStringLiteral("apple"));
    Put("E2", QStringLiteral("Apricot"));
    Put("E3", QStringLiteral("banana"));
    Put("E4", QStringLiteral("a*b"));
    Put("E6", QStringLiteral("10"));
    CheckNumbers({
        {"COUNTIF(D1:D5;\">3\")", 2},
        {"COUNTIF(D1:D5;\">=3\")", 3},
        {"COUNTIF(D1:D5;\"<3\")", 2},
        {"COUNTIF(D1:D5;\"<=3\")", 3},
        {"COUNTIF(D1:D5;\">=2&<=4\")", 3},
        {"COUNTIF(D1:D5;\"^<2|>4\")", 2},
        {"COUNTIF(D1:D5;\"3\")", 1},
        {"COUNTIF(D1:D5;3)", 1},
        {"COUNTIF(D1:D5;\"!3\")", 4},
        {"COUNTIF(D1:D6;\">0\")", 5},    // the empty text is below "0"
        {"COUNTIF(E6;\">9\")", 1},       // numerically, "10" > "9"
        {"COUNTIF(E1:E6;\"AP*\")", 2},   // any letter case
        {"COUNTIF(E1:E6;\"a*\")", 3},
        {"COUNTIF(E1:E6;\"!AP*\")", 4},
        {"COUNTIF(E1:E6;\"?????\")", 1},
        {"COUNTIF(E1:E6;\"*AN*\")", 1},
        {"COUNTIF(E1:E6;\"*\")", 6},
        {"COUNTIF(D1:D6;0)", 0},
        {"COUNTIF(5)", 0},               // only the condition
    });
}

}  // namespace
