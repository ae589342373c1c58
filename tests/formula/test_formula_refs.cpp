// References: A1 and R1C1 forms, "$" parts, long column names, cells outside
// the grid, cell contents and their conversion, named cells, grid prefixes.
#include "FormulaTestSupport.h"

#include <DateUtils.h>

#include <cmath>
#include <iterator>
#include <random>

TEST_F(FormulaTest, CellContentsAndConversions)
{
    Sheet.Set(1, 1, QStringLiteral("12"));       // A1
    Sheet.Set(2, 1, QStringLiteral("abc"));      // B1
    Sheet.Set(3, 1, QStringLiteral("1/2/2020")); // C1
    Sheet.Set(4, 1, QStringLiteral("=A1+1"));    // D1, not calculated
    Sheet.Set(5, 1, QStringLiteral("=A1+1"));    // E1, calculated
    Sheet.Cache(5, 1, TFormulaValue::FromNumber(13));
    Sheet.Set(6, 1, QStringLiteral("1,5"));      // F1
    Sheet.Set(7, 1, QStringLiteral("1,234,567.5")); // G1
    Sheet.Set(8, 1, QStringLiteral("12:30"));    // H1
    Sheet.Set(9, 1, QStringLiteral(" 7 "));      // I1
    Sheet.Set(1, 2, QStringLiteral("1,23"));     // A2
    Sheet.Set(2, 2, QStringLiteral("13/45/2020")); // B2: not a date
    Sheet.Set(3, 2, QStringLiteral("1/2/2020 6:00")); // C2
    Sheet.Cache(4, 2, TFormulaValue::FromText(QStringLiteral("cached text"))); // D2

    EXPECT_DOUBLE_EQ(Num(QStringLiteral("A1")), 12);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("a1*2")), 24);
    EXPECT_EQ(Text(QStringLiteral("B1")), u"abc");
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("C1")), EncodeDate(2020, 1, 2));
    EXPECT_EQ(Text(QStringLiteral("D1")), u"=A1+1");  // not calculated: its text
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("E1")), 13);
    EXPECT_EQ(Text(QStringLiteral("F1")), u"1,5");    // not 15
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("G1")), 1234567.5);
    EXPECT_NEAR(Num(QStringLiteral("H1")), 12.5 / 24, 1e-12);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("I1")), 7);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("I2")), 0);   // empty
    EXPECT_EQ(Text(QStringLiteral("A2")), u"1,23");
    EXPECT_EQ(Text(QStringLiteral("B2")), u"13/45/2020");
    EXPECT_NEAR(Num(QStringLiteral("C2")), EncodeDate(2020, 1, 2) + 0.25, 1e-9);
    EXPECT_EQ(Text(QStringLiteral("D2")), u"cached text");
    EXPECT_EQ(Text(QStringLiteral("A1+B1")), u"abc");
}

TEST_F(FormulaTest, CellTextWithDecimalComma)
{
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    Sheet.Set(1, 1, QStringLiteral("1,5"));
    Sheet.Set(2, 1, QStringLiteral("1.234,5"));
    Sheet.Set(3, 1, QStringLiteral("1.5"));
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("A1")), 1.5);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("B1")), 1234.5);
    EXPECT_EQ(Text(QStringLiteral("C1")), u"1.5");
}

TEST_F(FormulaTest, DollarPartsReadTheSameCell)
{
    Sheet.Set(2, 3, QStringLiteral("42"));  // B3
    for (const char* e : {"B3", "$B3", "B$3", "$B$3", "$b$3"})
        EXPECT_DOUBLE_EQ(Num(QString::fromLatin1(e)), 42) << e;
    F.SetUseRCNames(true);
    for (const char* e : {"R3C2", "r3c2", "R$3C$2", "$R3$C2"})
        EXPECT_DOUBLE_EQ(Num(QString::fromLatin1(e)), 42) << e;
}

TEST_F(FormulaTest, OutOfGridReferenceIsErrorFourButCalcSucceeds)
{
    for (const char* e : {"K1", "A20", "ZZZZZZ1", "A99999999999999", "$K$1"}) {
        const EvalResult r = Eval(QString::fromLatin1(e));
        EXPECT_TRUE(r.Ok) << e;
        EXPECT_EQ(r.Code(), 4) << e;
        EXPECT_EQ(r.Pos(), 1) << e;
        EXPECT_DOUBLE_EQ(r.Value.Number, 0) << e;
    }
    // The error keeps its position after text with spaces.
    const EvalResult r = Eval(QStringLiteral("\"a b\" + 1 + K1"));
    EXPECT_EQ(r.Code(), 4);
    EXPECT_EQ(r.Pos(), 13);
}

TEST(FormulaWideSheet, LongColumnNames)
{
    FakeSheet sheet(800, 5, 1, 1);
    TGridFormula f(&sheet);
    sheet.Set(26, 1, QStringLiteral("26"));    // Z1
    sheet.Set(27, 1, QStringLiteral("27"));    // AA1
    sheet.Set(702, 1, QStringLiteral("702"));  // ZZ1
    sheet.Set(703, 1, QStringLiteral("703"));  // AAA1
    for (const char* e : {"Z1", "AA1", "ZZ1", "AAA1", "$AAA$1", "aaa1"}) {
        const EvalResult r = Evaluate(f, QString::fromLatin1(e));
        EXPECT_TRUE(r.Errors.empty()) << e;
        EXPECT_DOUBLE_EQ(r.Value.Number, ColumnLettersToNumber(QString::fromLatin1(e).remove(u'$').chopped(1)))
            << e;
    }
    EXPECT_EQ(Evaluate(f, QStringLiteral("AFA1")).Code(), 4);  // column 833
    f.SetUseRCNames(true);
    EXPECT_DOUBLE_EQ(Evaluate(f, QStringLiteral("R1C703")).Value.Number, 703);
    // In RC mode an A1 name is no reference.
    const EvalResult r = Evaluate(f, QStringLiteral("A1"));
    EXPECT_EQ(r.Code(), 13);
    EXPECT_EQ(r.Str(), u"A1");
}

TEST_F(FormulaTest, RowMappingAndOwnFixedCells)
{
    Sheet.Set(1, 5, QStringLiteral("5"));
    Sheet.Set(1, 7, QStringLiteral("7"));
    Sheet.DisplRow = [](int32_t r) { return r == 5 ? 7 : r; };
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("A5")), 7);
}

TEST_F(FormulaTest, RangeOutsideAnArgumentListIsErrorFive)
{
    Sheet.Set(1, 15, QStringLiteral("99"));  // A15 must not be read
    for (const char* e : {"A1:A5", "TSTSIN(A1:A5)", "1+A1:A5"}) {
        const EvalResult r = Eval(QString::fromLatin1(e));
        EXPECT_EQ(r.Code(), 5) << e;
        EXPECT_NE(r.Value.Number, 99) << e;
    }
    EXPECT_EQ(Eval(QStringLiteral("1+A1:A5")).Pos(), 3);
}

TEST_F(FormulaTest, NamedCells)
{
    Sheet.Set(2, 1, QStringLiteral("5"));
    Sheet.Set(3, 1, QStringLiteral("text"));
    Sheet.Set(4, 1, QStringLiteral("2"));
    ASSERT_EQ(F.CellNameList().Add(QStringLiteral("PRICE"), {2, 1}), 0);
    ASSERT_EQ(F.CellNameList().Add(QStringLiteral("Label"), {3, 1}), 1);
    ASSERT_EQ(F.CellNameList().Add(QStringLiteral("TSTSIN"), {4, 1}), 2);
    ASSERT_EQ(F.CellNameList().Add(QStringLiteral("Far"), {500, 1}), 3);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("PRICE*2")), 10);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("price * 2")), 10);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("LABEL")), 0);    // a text reads as 0
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSIN+1")), 3); // hides the function
    const EvalResult r = Eval(QStringLiteral("FAR"));
    EXPECT_EQ(r.Code(), 4);
}

class GridPrefixTest : public FormulaTest {
protected:
    GridPrefixTest()
    {
        Other.Set(0, 0, QStringLiteral("100"));  // first cell: no fixed cells there
        Other.Set(1, 0, QStringLiteral("200"));
        Other.Set(0, 1, QStringLiteral("300"));
        Other.Set(3, 3, QStringLiteral("33"));
        OtherNames.Add(QStringLiteral("TOTAL"), {3, 3});
        Other.Names = &OtherNames;
    }
    FakeSheet Other{5, 5, 0, 0};
    TCellNameList OtherNames;
};

TEST_F(GridPrefixTest, WithoutBinderEveryPrefixIsErrorSix)
{
    const EvalResult r = Eval(QStringLiteral("1 + Sheet2!A1"));
    EXPECT_EQ(r.Code(), 6);
    EXPECT_EQ(r.Pos(), 5);
    EXPECT_EQ(r.Str(), u"SHEET2");
    EXPECT_TRUE(r.Ok);
    EXPECT_DOUBLE_EQ(r.Value.Number, 1);
    EXPECT_EQ(Eval(QStringLiteral("Sheet2!TOTAL")).Code(), 6);
    EXPECT_EQ(Eval(QStringLiteral("Sheet2!A1B")).Code(), 6);
}

TEST_F(GridPrefixTest, BinderReachesGridsByNameInEitherCase)
{
    TGridBinder binder;
    binder.AddGrid(QStringLiteral("Sheet2"), &Other);
    F.SetBinder(&binder);
    for (const char* e : {"Sheet2!A1", "sheet2!a1", "SHEET2!A1", "SHEET2!$A$1"})
        EXPECT_DOUBLE_EQ(Num(QString::fromLatin1(e)), 100) << e;
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("Sheet2!B1+Sheet2!A2")), 500);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("Sheet2!TOTAL")), 33);   // the other grid's names
    EXPECT_EQ(Eval(QStringLiteral("TOTAL")).Code(), 13);         // not ours
    const EvalResult r = Eval(QStringLiteral("Sheet3!A1"));
    EXPECT_EQ(r.Code(), 6);
    EXPECT_EQ(r.Str(), u"SHEET3");
    EXPECT_EQ(Eval(QStringLiteral("Sheet2!F1")).Code(), 4);      // outside the other grid
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(Sheet2!A1:A2;A1:A2)")), 400);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(Sheet2!A1:B1)")), 300);
}

TEST_F(GridPrefixTest, ItemsThatAreNoGridAreSkipped)
{
    TGridBinder binder;
    TMathLib notAGrid;
    binder.AddGrid(QStringLiteral("Sheet2"), &notAGrid);
    binder.AddGrid(QStringLiteral("Sheet2"), &Other);
    binder.AddGrid(QStringLiteral("Lib"), &notAGrid);
    F.SetBinder(&binder);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("Sheet2!A1")), 100);
    EXPECT_EQ(Eval(QStringLiteral("Lib!A1")).Code(), 6);
}

TEST_F(GridPrefixTest, DestroyedGridLeavesTheBinder)
{
    TGridBinder binder;
    F.SetBinder(&binder);
    {
        FakeSheet temp(3, 3, 0, 0);
        temp.Set(0, 0, QStringLiteral("9"));
        binder.AddGrid(QStringLiteral("Temp"), &temp);
        EXPECT_DOUBLE_EQ(Num(QStringLiteral("Temp!A1")), 9);
        EXPECT_EQ(binder.Grids().Count(), 1);
    }
    EXPECT_EQ(binder.Grids().Count(), 0);
    EXPECT_EQ(Eval(QStringLiteral("Temp!A1")).Code(), 6);
}

TEST_F(GridPrefixTest, DestroyedBinderLeavesGridsAndEvaluator)
{
    auto binder = std::make_unique<TGridBinder>();
    binder->AddGrid(QStringLiteral("Sheet2"), &Other);
    F.SetBinder(binder.get());
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("Sheet2!A1")), 100);
    binder.reset();
    EXPECT_EQ(F.Binder(), nullptr);
    EXPECT_EQ(Eval(QStringLiteral("Sheet2!A1")).Code(), 6);
    // The grid no longer knows the binder: destroying it later is harmless
    // (checked by the sanitizer build).
}

// Plain A1 references are read by a shortcut when the grid has no named
// cells; a named cell (never used here) sends every token through the
// general reader.  Both must evaluate every formula alike, errors included.
TEST(FormulaRefShortcut, AgreesWithGeneralReader)
{
    ResetFormatSettings();
    FakeSheet sheet{12, 30, 1, 1};
    for (int c = 1; c < 12; ++c)
        for (int r = 1; r < 30; ++r)
            sheet.Set(c, r, (c + r) % 7 == 0 ? QStringLiteral("text") : QString::number(c * 10 + r));
    TGridFormula plain(&sheet), general(&sheet);
    ASSERT_GE(general.CellNameList().Add(QStringLiteral("UNUSEDNAME"), TGridCoord{1, 1}), 0);
    const char* tokens[] = {"A1", "b2", "K29", "L30", "A0", "ZZ1", "ABCD3", "ABCDE1", "A1234567890",
                            "A1B", "$A$1", "A$2", "PI", "PI2", "SUM(A1:B3)", "ABS(", "A1(", "1.5",
                            "3", "\"t\"", "A1!B2", "Q1", "Sheet2!A1", "A1:B2", "e1", "E2"};
    const char* ops[] = {"+", "-", "*", "/", "^", "%", "(", ")", "", " "};
    std::mt19937_64 rng(17);
    std::uniform_int_distribution<size_t> tok(0, std::size(tokens) - 1), op(0, std::size(ops) - 1),
        len(1, 6);
    for (int k = 0; k < 3000; ++k) {
        QString expr;
        const size_t n = len(rng);
        for (size_t j = 0; j < n; ++j) {
            if (j > 0 || k % 3 == 0)
                expr += QLatin1String(ops[op(rng)]);
            expr += QLatin1String(tokens[tok(rng)]);
        }
        const EvalResult a = Evaluate(plain, expr), b = Evaluate(general, expr);
        SCOPED_TRACE(expr.toStdString());
        ASSERT_EQ(a.Ok, b.Ok);
        ASSERT_EQ(a.Value.Kind, b.Value.Kind);
        ASSERT_EQ(a.Value.Text, b.Value.Text);
        if (!std::isnan(a.Value.Number)) {
            ASSERT_EQ(a.Value.Number, b.Value.Number);
        }
        ASSERT_EQ(a.Errors.size(), b.Errors.size());
        for (size_t e = 0; e < a.Errors.size(); ++e) {
            EXPECT_EQ(a.Errors[e].Code, b.Errors[e].Code);
            EXPECT_EQ(a.Errors[e].Pos, b.Errors[e].Pos);
            EXPECT_EQ(a.Errors[e].Str, b.Errors[e].Str);
        }
    }
}
