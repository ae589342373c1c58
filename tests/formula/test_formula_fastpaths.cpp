// Shortcuts of the evaluator and of the reference parser agree with the
// general paths they stand in for.
#include "FormulaTestSupport.h"

#include <CellNames.h>

#include <Random.h>

#include <SysUtils.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Evaluates `expr` after AssignExpression, with the errors it reports.
EvalResult EvaluateView(TGridFormula& f, QStringView expr)
{
    EvalResult r;
    f.OnError = [&r](TGridFormula*, int, int, int code, int pos, int, const QString& s) {
        r.Errors.push_back({code, pos, s});
    };
    f.AssignExpression(expr);
    r.Ok = f.Calc(r.Value);
    f.OnError = nullptr;
    return r;
}

}  // namespace

TEST_F(FormulaTest, AssignedViewEvaluatesLikeTheAssignedString)
{
    Sheet.Set(1, 1, QStringLiteral("12"));
    Sheet.Set(2, 1, QStringLiteral("abc"));
    const std::vector<QString> cases = {
        QStringLiteral("A1*2+1"),
        QStringLiteral(" A1 * 2 "),
        QStringLiteral("\"a  b\" & B1"),
        QStringLiteral("A1+"),             // error position in the assigned text
        QStringLiteral("  1 +  (2"),
        QStringLiteral("SUM(A1:B1) + 1"),
        QStringLiteral("A1*2+1"),          // the same text again (kept as it is)
        QString(),
        QStringLiteral("1"),
    };
    TGridFormula g{&Sheet};
    for (const QString& c : cases) {
        const EvalResult viaString = Evaluate(g, c);
        // The view points into a longer text, as a cell's "=..." does.
        const QString cell = QStringLiteral("=") + c + QStringLiteral("tail");
        const EvalResult viaView = EvaluateView(F, QStringView(cell).mid(1, c.size()));
        EXPECT_EQ(F.Expression(), c);
        EXPECT_EQ(viaView.Ok, viaString.Ok) << c.toStdString();
        EXPECT_EQ(viaView.Value.Kind, viaString.Value.Kind) << c.toStdString();
        EXPECT_EQ(viaView.Value.Number, viaString.Value.Number) << c.toStdString();
        EXPECT_EQ(viaView.Value.Text, viaString.Value.Text) << c.toStdString();
        EXPECT_EQ(viaView.Code(), viaString.Code()) << c.toStdString();
        EXPECT_EQ(viaView.Pos(), viaString.Pos()) << c.toStdString();
    }
}

TEST_F(FormulaTest, AssignedViewMayBeAPartOfTheCurrentExpression)
{
    Sheet.Set(1, 1, QStringLiteral("5"));
    F.SetExpression(QStringLiteral("1+A1*3"));
    const QString held = F.Expression();  // a copy shares the buffer
    F.AssignExpression(QStringView(F.Expression()).mid(2));
    EXPECT_EQ(F.Expression(), u"A1*3");
    EXPECT_EQ(held, u"1+A1*3");
    TFormulaValue v;
    ASSERT_TRUE(F.Calc(v));
    EXPECT_EQ(v.Number, 15);
    F.AssignExpression(QStringView(F.Expression()).mid(0, 2));
    EXPECT_EQ(F.Expression(), u"A1");
    ASSERT_TRUE(F.Calc(v));
    EXPECT_EQ(v.Number, 5);
}

TEST(CellRefShortcut, AgreesWithTheGeneralReader)
{
    // Texts around the limits of the shortcut: letter and digit counts, case,
    // "$", grid prefixes, what follows, positions inside a longer text.
    const std::vector<QString> texts = {
        QStringLiteral("A1"), QStringLiteral("b12"), QStringLiteral("ZZZZ999999999"),
        QStringLiteral("ZZZZZ1"), QStringLiteral("A1234567890"), QStringLiteral("AAAA12345678901"),
        QStringLiteral("A1!B2"), QStringLiteral("A1_"), QStringLiteral("A1$"), QStringLiteral("A1B"),
        QStringLiteral("A1:B2"), QStringLiteral("A1+B1"), QStringLiteral("$A$1"), QStringLiteral("A$1"),
        QStringLiteral("Sheet2!A1"), QStringLiteral("S2!B3*2"), QStringLiteral("LOG10(A1)"),
        QStringLiteral("A"), QStringLiteral("1"), QStringLiteral(""), QStringLiteral("R1C1"),
        QStringLiteral("=H99+F100"), QStringLiteral("SUM(A1:E1)"), QStringLiteral("a1 "),
        QStringLiteral("A0"), QStringLiteral("x\u00e91"), QStringLiteral("A1\u00e9"),
    };
    for (const QString& t : texts)
        for (qsizetype pos = -1; pos <= t.size(); ++pos)
            for (TCellNameMode mode : {nmA1, nmRC})
                for (bool allowGrid : {true, false}) {
                    TCellRefParts fast, general;
                    const bool a = ParseCellRef(t, pos, mode, fast, allowGrid);
                    const bool b = cellnames_detail::ParseCellRefGeneral(t, pos, mode, general, allowGrid);
                    const std::string where = t.toStdString() + " at " + std::to_string(pos);
                    ASSERT_EQ(a, b) << where;
                    EXPECT_EQ(fast.Start, general.Start) << where;
                    EXPECT_EQ(fast.Length, general.Length) << where;
                    EXPECT_EQ(fast.GridStart, general.GridStart) << where;
                    EXPECT_EQ(fast.GridLength, general.GridLength) << where;
                    EXPECT_EQ(fast.HasGrid, general.HasGrid) << where;
                    EXPECT_EQ(fast.Col, general.Col) << where;
                    EXPECT_EQ(fast.Row, general.Row) << where;
                    EXPECT_EQ(fast.ColAbsolute, general.ColAbsolute) << where;
                    EXPECT_EQ(fast.RowAbsolute, general.RowAbsolute) << where;
                    EXPECT_EQ(fast.ColPos, general.ColPos) << where;
                    EXPECT_EQ(fast.ColLen, general.ColLen) << where;
                    EXPECT_EQ(fast.RowPos, general.RowPos) << where;
                    EXPECT_EQ(fast.RowLen, general.RowLen) << where;
                }
}

TEST_F(FormulaTest, VeryLongRowNumbersAreCellsOutsideTheGrid)
{
    // Digit runs far past what 64 bits hold: read without overflow, outside any grid.
    for (const char* e : {"A1234567890123456789012345", "b99999999999999999999999*2"}) {
        const EvalResult r = Eval(QString::fromLatin1(e));
        EXPECT_TRUE(r.Ok) << e;
        EXPECT_EQ(r.Code(), 4) << e;
        EXPECT_EQ(r.Pos(), 1) << e;
    }
}

// ---------------------------------------------------------------------------
// The quick road for numeric formulas gives what the general road gives:
// value, success, and every reported error with its position and text.

namespace {

struct RoadResult {
    EvalResult R;
    int Reads = 0;
};

void ExpectSameResult(const EvalResult& quick, const EvalResult& general, const QString& expr,
                      const char* setting)
{
    const std::string where = expr.toStdString() + " (" + setting + ")";
    EXPECT_EQ(quick.Ok, general.Ok) << where;
    EXPECT_EQ(quick.Value.Kind, general.Value.Kind) << where;
    if (!(std::isnan(quick.Value.Number) && std::isnan(general.Value.Number))) {
        EXPECT_EQ(quick.Value.Number, general.Value.Number) << where;
    }
    EXPECT_EQ(quick.Value.Text, general.Value.Text) << where;
    ASSERT_EQ(quick.Errors.size(), general.Errors.size()) << where;
    for (size_t k = 0; k < quick.Errors.size(); ++k) {
        EXPECT_EQ(quick.Errors[k].Code, general.Errors[k].Code) << where;
        EXPECT_EQ(quick.Errors[k].Pos, general.Errors[k].Pos) << where;
        EXPECT_EQ(quick.Errors[k].Str, general.Errors[k].Str) << where;
    }
}

}  // namespace

class QuickRoadTest : public FormulaTest {
protected:
    void SetUp() override
    {
        FormulaTest::SetUp();
        // Column A (grid column 1) rows 1..6 and a few more kinds of cells.
        Sheet.Set(1, 1, QStringLiteral("12"));
        Sheet.Set(1, 2, QStringLiteral("-3.5"));
        Sheet.Set(1, 3, QStringLiteral(" 1,234.5 "));
        Sheet.Set(1, 4, QStringLiteral("abc"));
        Sheet.Set(1, 5, QStringLiteral("1/2/2020"));
        Sheet.Set(1, 6, QStringLiteral("=A1+1"));      // a formula that is not calculated
        Sheet.Set(2, 1, QStringLiteral("0"));
        Sheet.Set(2, 2, QStringLiteral("1E308"));
        Sheet.Set(2, 3, QStringLiteral("7"));
        Sheet.Cache(3, 1, TFormulaValue::FromNumber(2.5));       // C1: a calculated number
        Sheet.Cache(3, 2, TFormulaValue::FromText(QStringLiteral("txt")));
        Sheet.Cache(3, 3, TFormulaValue::FromNumber(-0.0));
        Sheet.Cache(3, 4, TFormulaValue::FromNumber(1.7976931348623157e308));  // counts as no number
        Sheet.Cache(3, 5, TFormulaValue::FromNumber(1.5e308));
        Sheet.Set(4, 1, QStringLiteral("|\\0031"));              // wide-encoded "1"
    }

    void Compare(const char* setting)
    {
        static const char* const formulas[] = {
            // arithmetic, precedence, signs, parentheses, powers
            "1+2*3", "(1+2)*3", "-A1", "+A1*-2", "--1", "2^3^2", "-2^2", "2^-1", "A1/B1", "B1/A1",
            "7%2", "A1%0", "1E300*1E300", "B2*10", "B2+B2", "((((1))))", "(1", "1)", "1+", "*3", "",
            "1.5.2", "12abc", ".5+1", "1E-3", "1e+3*2", "0^-1", "0^0",
            // references of every kind of cell
            "A1+A2+A3", "A4", "A4+1", "A5", "A5+0", "A6", "A6*1", "A7", "A7+1", "C1*2", "C2", "C2+1",
            "C3", "D1", "D1+1", "A0", "A99", "K1", "Z1+1", "$A$1", "A$1+1", "a1*2", "PI", "PI*2",
            // numeric built-ins, ranges, nesting, separators
            "SUM(A1:A3)", "SUM(A1:A7)", "SUM(A1:C3)", "SUM(C1:C3)", "SUM(B5:A1)", "SUM(A1:A99)",
            "SUM(A1,B3;C1)", "SUM()", "SUM(1,)", "SUM(A1:A3", "SUM(A1:A3)+1", "sum(a1:a3)*2",
            "AVERAGE(A1:A3,10)", "MAX(A1:C3)", "MIN(A1:A7)", "MAX(A8:A9)", "COUNT(A1:C3)",
            "ABS(A2)", "ABS(A4)", "ROUND(A2,0)", "ROUND(A2;1)", "ROUND(A2 1)", "INT(-A2)",
            "SQRT(-1)", "SQRT(A1)", "SUM(SUM(A1:A2),MAX(A1,B3))", "SUM(A1:A3)/SUM(B1:B1)",
            "LOG10(100)", "MOD(7,0)", "NOSUCH(1)", "SUM(X!A1:A2)", "IF(A1>1,1,2)", "LEN(\"ab\")",
            "\"a\"+1", "1+\"2\"", "A1:A3", "SUM(A1:A3 B1)", "1;2",
            "COUNT(A1:A7,B1:B3)", "COUNT(B5:A1)", "COUNT(A1:A99)", "COUNT(1)", "COUNT(A1)", "COUNT(C1:C3)", "COUNT(C1:C5)",
            "SUM(A0:A2)", "SUM(a1:B2)", "SUM(A1:B2C)", "SUM(AAAAA1:A2)", "SUM(A1:B2:C3)", "SUM(A1:$B2)",
        };
        for (const char* text : formulas) {
            const QString expr = QString::fromLatin1(text);
            F.SetQuickRoad(true);
            const int before = Sheet.Reads;
            const EvalResult quick = Eval(expr);
            const int quickReads = Sheet.Reads - before;
            F.SetQuickRoad(false);
            const int before2 = Sheet.Reads;
            const EvalResult general = Eval(expr);
            const int generalReads = Sheet.Reads - before2;
            F.SetQuickRoad(true);
            ExpectSameResult(quick, general, expr, setting);
            // A formula the quick road gives up reads its cells again, but
            // never more than twice as often.
            EXPECT_LE(quickReads, 2 * generalReads + 8) << text << " (" << setting << ")";
        }
    }
};

TEST_F(QuickRoadTest, AgreesWithTheGeneralRoad)
{
    Compare("plain");
    Sheet.QuickNumbers = true;
    Compare("quick reads");
    // Hidden rows map references and range cells differently.
    Sheet.DisplRow = [](int32_t r) { return r == 2 ? 3 : r; };
    Compare("hidden rows");
    Sheet.DisplRow = nullptr;
    // A library that claims a built-in's name and a constant comes first.
    TestLib lib;
    lib.Constants[QStringLiteral("K1")] = 42;
    lib.Functions[QStringLiteral("SUM")] = [](const TParamList& p, int&) { return 1000.0 + p.Count(); };
    TLibBinder libs;
    libs.AddLib(&lib);
    F.SetLibs(&libs);
    Compare("library");
    F.SetLibs(nullptr);
    // A decimal comma changes how "," and "." read.
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    Compare("decimal comma");
}

TEST_F(QuickRoadTest, FunctionsWithEffectsRunOnce)
{
    // RAND draws from the shared random source: the same draws either way.
    for (bool quick : {true, false}) {
        SetRandSeed(77);
        F.SetQuickRoad(quick);
        const EvalResult r = Eval(QStringLiteral("RAND(1000)+1/0"));
        EXPECT_FALSE(r.Ok);
        EXPECT_EQ(r.Code(), 2);
        const int32_t next = Random(1000000);
        SetRandSeed(77);
        Random(1000);  // the one draw of the evaluation
        EXPECT_EQ(next, Random(1000000));
    }
    // The host's functions are asked once per evaluation.
    int asked = 0;
    F.IsCustomFunction = [&asked](TGridFormula*, QString& f, bool& match) {
        ++asked;
        match = f == u"TWICE";
    };
    F.CalcCustomFunction = [](TGridFormula*, QString&, double& p) { p *= 2; };
    EXPECT_EQ(Num(QStringLiteral("1+TWICE(A1)")), 25);
    EXPECT_EQ(asked, 1);
}

TEST(QuickRoadCount, EveryFiniteNumberCountsAsNumberText)
{
    // COUNT counts a number cell when its shortest text reads back strictly;
    // the quick road counts every finite number below 1e308 without asking.
    ResetFormatSettings();
    std::vector<double> values = {0.0, -0.0, 1.0, -1.0, 0.1, 1e15, 1e16, 123456789012345678.0, 1e300, -1e-300,
                                  5e-324, 1.7976931348623157e308, 2.5, 1.0 / 3.0, 100.0, 1e21, 1e-7};
    uint64_t x = 88172645463325252ull;
    for (int k = 0; k < 20000; ++k) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        double d;
        std::memcpy(&d, &x, sizeof d);
        if (std::isfinite(d))
            values.push_back(d);
    }
    for (double v : values) {
        if (std::fabs(v) >= 1e308)
            continue;
        double back = 0;
        EXPECT_TRUE(TGridFormula::StrictToFloat(FloatToStr(v), back)) << FloatToStr(v).toStdString();
    }
}
