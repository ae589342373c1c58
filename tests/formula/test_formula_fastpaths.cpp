// Shortcuts of the evaluator and of the reference parser agree with the
// general paths they stand in for.
#include "FormulaTestSupport.h"

#include <CellNames.h>

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
