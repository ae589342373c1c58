// Function calls: the argument forms and their errors, range walking,
// libraries (order, constants, text functions, errors), host custom functions
// and the lifetime of libraries and binders.
#include "FormulaTestSupport.h"

#include <Builtins.h>

#include <cmath>
#include <memory>

TEST_F(FormulaTest, BuiltinFormsCompute)
{
    Sheet.Set(1, 1, QStringLiteral("1"));
    Sheet.Set(1, 2, QStringLiteral("2"));
    Sheet.Set(1, 4, QStringLiteral("x"));
    F.SetRow(7);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTPI*2")), 6);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTROW")), 7);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSIN(0)")), 0);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTEQ(2;2)+TSTEQ(1,2)")), 1);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTCHOOSE(0;10;20)")), 10);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTCHOOSE(-1;10;20)")), 20);
    EXPECT_EQ(Text(QStringLiteral("TSTUP(\"abc\")")), u"ABC");
    EXPECT_EQ(Text(QStringLiteral("TSTUP(12.5)")), u"12.5");
    EXPECT_EQ(Text(QStringLiteral("TSTUP(0)")), u"");  // the zero placeholder is removed
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTLEN(0)")), 0);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTLEN(\"a b c\")")), 5);
    EXPECT_EQ(Text(QStringLiteral("TSTLEFT(\"hello\";2)")), u"he");
    EXPECT_EQ(Text(QStringLiteral("TSTMID(\"hello\";2;3)")), u"ell");
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1;2;A1:A3)")), 6);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTCOUNT(A1:A4)")), 4);    // empty and text cells count
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTCOUNTNE(A1:A4)")), 3);  // empty cell skipped
    EXPECT_EQ(Text(QStringLiteral("TSTCAT(A1:A2;\"-\";A4)")), u"12-x");
    EXPECT_EQ(Text(QStringLiteral("TSTLIST(a1:a2;5)")), u"A1:A2|5");
    EXPECT_EQ(Text(QStringLiteral("TSTINDEX(A1:A2)")), u"1,2");
}

TEST_F(FormulaTest, UnknownNamesRaiseThirteenUntilRegistered)
{
    EXPECT_GE(BuiltinCount(), 10);
    EXPECT_EQ(FindBuiltin(u"TSTSUM")->Form, bfNumList);
    EXPECT_EQ(FindBuiltin(u"NOSUCH"), nullptr);
    const EvalResult r = Eval(QStringLiteral("2*QQQ(1)"));
    EXPECT_EQ(r.Code(), 13);
    EXPECT_EQ(r.Pos(), 3);
    EXPECT_EQ(r.Str(), u"QQQ");
}

struct ErrCaseArgs {
    const char* expr;
    int code;
    int pos;
};

TEST_F(FormulaTest, ArgumentListErrorsWithPositions)
{
    const ErrCaseArgs cases[] = {
        {"TSTSUM()", 14, 8},
        {"TSTSUM(B5:A1)", 7, 8},
        {"TSTSUM(1;B5:A1)", 0, 0},    // the list is not empty
        {"TSTSUM(1;2", 0, 0},
        {"TSTSIN(1", 10, 9},
        {"TSTSIN(1;2)", 10, 9},
        {"TSTSIN+1", 9, 7},
        {"TSTSIN 1", 4, 1},           // spaces go: "TSTSIN1" is a cell far outside
        {"TSTSIN", 9, 7},
        {"TSTEQ(1 2)", 11, 7},
        {"TSTEQ(1;2", 10, 9},
        {"TSTEQ(1;2;3)", 10, 9},
        {"TSTCHOOSE(1;2)", 11, 13},
        {"TSTNEG(-1)", 3, 8},
        {"TSTSUM(A1:)", 5, 8},
        {"TSTSUM(Q:R)", 5, 8},
        {"TSTCAT()", 14, 8},
        {"TSTCAT(B5:A1)", 7, 8},
        {"TSTLEFT(\"a b\" 1)", 11, 9},
    };
    for (const ErrCaseArgs& c : cases) {
        const EvalResult r = Eval(QString::fromLatin1(c.expr));
        EXPECT_EQ(r.Code(), c.code) << c.expr;
        EXPECT_EQ(r.Pos(), c.pos) << c.expr;
    }
}

TEST_F(FormulaTest, DecimalCommaAgainstArgumentSeparators)
{
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1,2)")), 3);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1;2)")), 3);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTEQ(1,1)")), 1);
    FormatSettings().DecimalSeparator = u',';
    FormatSettings().ThousandSeparator = u'.';
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1;2)")), 3);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1,2)")), 1.2);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1,5;2,5)")), 4);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTEQ(1,5;1,5)")), 1);
    const EvalResult r = Eval(QStringLiteral("TSTEQ(1,5)"));  // "," is no separator now
    EXPECT_EQ(r.Code(), 11);
    EXPECT_EQ(r.Pos(), 7);
    EXPECT_EQ(Text(QStringLiteral("TSTUP(1,5)")), u"1,5");  // "%g" with the current separator
}

TEST_F(FormulaTest, RangeValuesReachFunctionsAsNumbers)
{
    Sheet.Set(1, 1, QStringLiteral("=1/3"));
    Sheet.Cache(1, 1, TFormulaValue::FromNumber(1.0 / 3.0));
    Sheet.Set(1, 2, QStringLiteral("1,000"));
    Sheet.Set(1, 3, QStringLiteral("abc"));
    Sheet.Set(1, 4, QStringLiteral("=2+2"));  // not calculated: text, contributes 0
    EXPECT_EQ(Num(QStringLiteral("TSTSUM(A1:A1)")), 1.0 / 3.0);
    EXPECT_EQ(Num(QStringLiteral("TSTSUM(A1:A1)-A1")), 0.0);
    EXPECT_EQ(Num(QStringLiteral("TSTSUM(A2:A4)")), 1000.0);
}

TEST_F(FormulaTest, QuotedColonIsNoRange)
{
    EXPECT_EQ(Text(QStringLiteral("TSTCAT(\"a:b\";\"c\")")), u"a:bc");
    EXPECT_EQ(Text(QStringLiteral("TSTLIST(\"x:y\")")), u"x:y");
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTCOUNT(\"1:2\")")), 1);
}

TEST_F(FormulaTest, HugeRangeWalksOnlyTheGrid)
{
    Sheet.Set(1, 1, QStringLiteral("4"));
    const EvalResult r = Eval(QStringLiteral("TSTSUM(A1:ZZZZ999999999)"));
    EXPECT_EQ(r.Code(), 4);
    EXPECT_DOUBLE_EQ(r.Value.Number, 4);
    EXPECT_LE(Sheet.Reads, 10 * 20);
}

// ---------------------------------------------------------------------------
// Libraries

class LibraryTest : public FormulaTest {
protected:
    LibraryTest()
    {
        Binder.AddLib(&First);
        Binder.AddLib(&Second);
        F.SetLibs(&Binder);
    }
    TLibBinder Binder;
    TestLib First, Second;
};

TEST_F(LibraryTest, OrderLibrariesThenCustomThenBuiltins)
{
    First.Functions[QStringLiteral("TWICE")] = [](const TParamList& p, int&) { return 2 * p.Values(0); };
    Second.Functions[QStringLiteral("TWICE")] = [](const TParamList& p, int&) { return 3 * p.Values(0); };
    Second.Functions[QStringLiteral("TSTSUM")] = [](const TParamList& p, int&) { return -p.Count(); };
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TWICE(4)")), 8);        // earlier item wins
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTSUM(1;2;3)")), -3);  // a library replaces a built-in

    int customCalls = 0;
    F.IsCustomFunction = [](TGridFormula*, QString& f, bool& m) { m = f == u"TWICE" || f == u"CUBE3"; };
    F.CalcCustomFunction = [&](TGridFormula*, QString&, double& p) {
        ++customCalls;
        p = p * p * p;
    };
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TWICE(4)")), 8);   // claimed by a library first
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("CUBE3(2)")), 8);
    EXPECT_EQ(customCalls, 1);
    Second.Constants[QStringLiteral("TSTPI")] = 99;
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("TSTPI")), 99);
    // Unregistered names fall through to error 13 with both callbacks set.
    EXPECT_EQ(Eval(QStringLiteral("NOPE(1)")).Code(), 13);
}

TEST_F(LibraryTest, CustomFunctionArguments)
{
    std::vector<double> seen;
    F.IsCustomFunction = [](TGridFormula*, QString& f, bool& m) { m = f == u"F"; };
    F.CalcCustomFunction = [&](TGridFormula*, QString& f, double& p) {
        EXPECT_EQ(f, u"F");
        seen.push_back(p);
        p += 1;
    };
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("F(2)*10")), 30);
    EXPECT_EQ(seen, std::vector<double>{2});
    EXPECT_EQ(Eval(QStringLiteral("F(2;3)")).Code(), 10);
    const EvalResult noParen = Eval(QStringLiteral("F+1"));
    EXPECT_EQ(noParen.Code(), 9);
    EXPECT_EQ(noParen.Pos(), 2);
    // Only one callback set: custom functions are not consulted.
    F.CalcCustomFunction = nullptr;
    EXPECT_EQ(Eval(QStringLiteral("F(2)")).Code(), 13);
}

TEST_F(LibraryTest, ConstantsThatLookLikeReferences)
{
    First.Constants[QStringLiteral("PI2")] = 6.28;
    First.Constants[QStringLiteral("LN10")] = 2.30;
    First.Constants[QStringLiteral("B2")] = 1234;  // inside the grid: the cell wins
    First.Functions[QStringLiteral("LOG10")] = [](const TParamList& p, int&) { return std::log10(p.Values(0)); };
    Sheet.Set(2, 2, QStringLiteral("7"));
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("PI2")), 6.28);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("ln10*2")), 4.60);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("B2")), 7);
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("LOG10(100)")), 2);
    // An unclaimed look-alike outside the grid stays a reference.
    EXPECT_EQ(Eval(QStringLiteral("PI3")).Code(), 4);
}

TEST_F(LibraryTest, NumberListsReachLibraries)
{
    Sheet.Set(1, 1, QStringLiteral("5"));
    Sheet.Set(1, 3, QStringLiteral("3"));
    First.Functions[QStringLiteral("LSUM")] = [](const TParamList& p, int&) {
        double s = 0;
        for (int k = 0; k < p.Count(); ++k)
            s += p.Values(k);
        return s;
    };
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("LSUM(A1:A3; 10)")), 18);
    ASSERT_EQ(First.Calls.size(), 1u);
    EXPECT_EQ(First.Calls[0].Count(), 4);  // empty cells count as 0
    EXPECT_DOUBLE_EQ(First.Calls[0].Values(1), 0);
    EXPECT_DOUBLE_EQ(First.Calls[0].Values(9), 0);  // outside the list
    const EvalResult r = Eval(QStringLiteral("LSUM"));
    EXPECT_EQ(r.Code(), 9);
    EXPECT_EQ(Eval(QStringLiteral("LSUM()")).Code(), 14);
    EXPECT_EQ(Eval(QStringLiteral("LSUM(B5:A1)")).Code(), 7);
    EXPECT_EQ(First.Calls.size(), 2u);  // not called with an empty list
}

TEST_F(LibraryTest, StringFunctions)
{
    Sheet.Set(1, 1, QStringLiteral("ab"));
    Sheet.Set(1, 2, QStringLiteral("7"));
    First.StrFunctions[QStringLiteral("JOIN")] = [](const QStringList& p, int&) { return p.join(u'+'); };
    First.StrFunctions[QStringLiteral("NUM")] = [](const QStringList& p, int&) { return p.value(0); };
    EXPECT_EQ(Text(QStringLiteral("JOIN(A1:A3;\"x y\";2.5)")), u"ab+7++x y+2.5");
    ASSERT_EQ(First.StrCalls.size(), 1u);
    EXPECT_EQ(First.StrCalls[0].value(2), u"");  // empty range cell
    // A zero argument arrives as U+0000 and vanishes from text results.
    EXPECT_EQ(Text(QStringLiteral("JOIN(0;1)")), u"+1");
    EXPECT_EQ(First.StrCalls.back().value(0), QString(QChar(0)));
    // A numeric answer with "." makes the formula numeric; "12,5" stays text.
    EXPECT_DOUBLE_EQ(Num(QStringLiteral("NUM(\"12.5\")*2")), 25);
    EXPECT_EQ(Text(QStringLiteral("NUM(\"12,5\")")), u"12,5");
}

TEST_F(LibraryTest, LibraryErrorCodes)
{
    First.Functions[QStringLiteral("FAIL")] = [](const TParamList& p, int& err) {
        err = static_cast<int>(p.Values(0));
        return 42.0;
    };
    First.StrFunctions[QStringLiteral("SFAIL")] = [](const QStringList&, int& err) {
        err = 101;
        return QStringLiteral("x");
    };
    const EvalResult own = Eval(QStringLiteral("1 + FAIL(101)"));
    EXPECT_EQ(own.Code(), 101);
    EXPECT_EQ(own.Pos(), 5);
    EXPECT_EQ(own.Str(), u"Test library failure");  // the library's own (virtual) text
    EXPECT_DOUBLE_EQ(own.Value.Number, 43);          // the returned value is still used
    const EvalResult std3 = Eval(QStringLiteral("FAIL(3)"));
    EXPECT_EQ(std3.Code(), 3);
    EXPECT_EQ(std3.Str(), u"");
    EXPECT_TRUE(Eval(QStringLiteral("FAIL(0)")).Errors.empty());
    EXPECT_EQ(Eval(QStringLiteral("SFAIL(1)")).Code(), 101);
    TMathLib base;
    EXPECT_EQ(base.GetErrorMessage(101), u"No error");
}

TEST(LibraryLifetime, DestroyedLibraryLeavesBinder)
{
    FakeSheet sheet(5, 5);
    TGridFormula f(&sheet);
    TLibBinder binder;
    f.SetLibs(&binder);
    {
        TestLib lib;
        lib.Constants[QStringLiteral("K")] = 1;
        binder.AddLib(&lib);
        binder.AddLib(&lib);
        EXPECT_DOUBLE_EQ(Evaluate(f, QStringLiteral("K")).Value.Number, 1);
        EXPECT_EQ(binder.Libs().Count(), 2);
    }
    EXPECT_EQ(binder.Libs().Count(), 0);
    EXPECT_EQ(Evaluate(f, QStringLiteral("K")).Code(), 13);
}

TEST(LibraryLifetime, DestroyedBinderLeavesLibraryAndEvaluator)
{
    FakeSheet sheet(5, 5);
    TGridFormula f(&sheet);
    TestLib lib;
    lib.Constants[QStringLiteral("K")] = 1;
    {
        TLibBinder binder;
        binder.AddLib(&lib);
        f.SetLibs(&binder);
        TLibBinder copy;
        copy.SetLibs(binder.Libs());
        EXPECT_EQ(copy.Libs().Items(0)->MathLib(), &lib);
    }
    EXPECT_EQ(f.Libs(), nullptr);
    EXPECT_EQ(Evaluate(f, QStringLiteral("K")).Code(), 13);
    // `lib` is destroyed last and must not call into the dead binders.
}

TEST(LibraryLifetime, EvaluatorDestroyedBeforeBinders)
{
    TLibBinder libs;
    TGridBinder grids;
    {
        FakeSheet sheet(5, 5);
        TGridFormula f(&sheet);
        f.SetLibs(&libs);
        f.SetBinder(&grids);
        grids.AddGrid(QStringLiteral("Self"), &sheet);
    }
    EXPECT_EQ(grids.Grids().Count(), 0);
}

TEST(LibraryLifetime, ItemReassignmentMovesTheWatch)
{
    TLibBinder binder;
    TestLib a;
    auto b = std::make_unique<TestLib>();
    TLibBinderItem* item = binder.AddLib(b.get());
    item->SetMathLib(&a);
    b.reset();  // no longer watched: the item keeps `a`
    ASSERT_EQ(binder.Libs().Count(), 1);
    EXPECT_EQ(binder.Libs().Items(0)->MathLib(), &a);
    binder.Libs().Delete(0);
    EXPECT_EQ(binder.Libs().Count(), 0);
}
