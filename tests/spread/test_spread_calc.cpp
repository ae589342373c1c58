// Formula cells and recalculation of the spreadsheet grid.
#include "SpreadTestSupport.h"

#include "FormatSettings.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class SpreadCalc : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupSheet(g, 12, 40);
        log.Attach(g);
    }
    TQelSpreadGrid g;
    TErrorLog log;
};

}  // namespace

TEST_F(SpreadCalc, ResultIsFormattedAndFollowsAnEdit)
{
    LoadText(g, "5,=A1*2\r\n");
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("10.00"));
    Edit(g, "A1", "7");
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("14.00"));
    EXPECT_TRUE(log.Items.empty());
}

TEST_F(SpreadCalc, CellsWriteOfAFormulaRecordsItsDependencies)
{
    LoadText(g, "5\r\n");
    const TGridCoord b1 = At(g, "B1");
    g.SetCells(b1.X, b1.Y, "=A1*2");
    EXPECT_EQ(g.GetCalcState(b1.X, b1.Y), 1);
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("10.00"));
    Edit(g, "A1", "8");
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("16.00"));
    // A value written through Cells also reaches the cells that read it.
    const TGridCoord a1 = At(g, "A1");
    g.SetCells(a1.X, a1.Y, "1");
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("2.00"));
}

TEST_F(SpreadCalc, EmptyFormula)
{
    LoadText(g, "=\r\n");
    EXPECT_TRUE(log.Has(1, 1, 1));
    EXPECT_EQ(log.Items.at(0).Message, QStringLiteral("No formula"));
    EXPECT_EQ(State(g, "A1"), 2);
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("="));
    g.SetErrorDisplay(edErrorText);
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("Error"));
    g.SetErrorText("#ERR");
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("#ERR"));
}

TEST_F(SpreadCalc, TextResultsIgnoreTheFormatAndRaiseOnCellFormatOnce)
{
    int formats = 0;
    g.OnCellFormat = [&](TObject*, int, int, QString&, bool&) { ++formats; };
    g.SetCellFormat("%.4f");
    LoadText(g, "=UPPER(\"abc\")\r\n");
    const int afterLoad = formats;
    EXPECT_EQ(afterLoad, 1);
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("ABC"));
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("ABC"));
    EXPECT_EQ(formats, afterLoad);
}

TEST_F(SpreadCalc, ShowFormulaAndSaveFormula)
{
    LoadText(g, "2,=A1+1\r\n");
    g.SetShowFormula(true);
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("=A1+1"));
    g.SetShowFormula(false);
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("3.00"));
    const TGridCoord b1 = At(g, "B1");
    EXPECT_EQ(g.SaveCellText(b1.X, b1.Y), QStringLiteral("=A1+1"));
    g.SetSaveFormula(false);
    EXPECT_EQ(g.SaveCellText(b1.X, b1.Y), QStringLiteral("3.00"));
}

TEST_F(SpreadCalc, FormulasSurviveASaveAndLoad)
{
    LoadText(g, "2,=A1*3,\"=LEN(\"\"B1\"\")\"\r\n");
    const QString path = QDir::tempPath() + "/spread_roundtrip.csv";
    g.SaveToCSV(path);
    TQelSpreadGrid h;
    SetupSheet(h, 12, 40);
    h.LoadFromCSV(path);
    EXPECT_EQ(h.Cells(2, 1), QStringLiteral("=A1*3"));
    EXPECT_EQ(Shown(h, "B1"), QStringLiteral("6.00"));
    EXPECT_EQ(Shown(h, "C1"), QStringLiteral("2.00"));
    QFile::remove(path);
}

TEST_F(SpreadCalc, VersionAndFormulaRecognition)
{
    EXPECT_EQ(TQelSpreadGrid::GetVersionNr(), 0x02030001);
    EXPECT_EQ(TQelSpreadGrid::GetVersionString(), QStringLiteral("2.3.0.1 Sep, 2013"));
    const std::pair<QString, bool> cases[] = {
        {"=A1", true},          {"=", true},  {"A1", false},
        {QString("|\\") + QChar(0) + "=", true}, {"|\\ab", false}, {"|\\=", false}, {"", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TQelSpreadGrid::IsFormula(text), expected) << text.toStdString();
}

TEST_F(SpreadCalc, FormulasInFixedCellsAreEvaluated)
{
    LoadText(g, "4\r\n");
    g.SetAutoRecalc(false);
    g.WriteCellText(3, 0, "=A1*10");
    g.SetAutoRecalc(true);
    g.Recalc();
    EXPECT_EQ(g.GetCalcState(3, 0), 1);
    EXPECT_EQ(g.GetDisplText(3, 0), QStringLiteral("40.00"));
}

TEST_F(SpreadCalc, ReferenceBeyondTheGridYieldsAValueAndAnError)
{
    LoadText(g, "=A1000+1\r\n");
    EXPECT_EQ(log.Count(4), 1);
    EXPECT_EQ(State(g, "A1"), 2);
}

// ---- The recalculation order ------------------------------------------------------

TEST_F(SpreadCalc, DownwardChainIsNoCycle)
{
    LoadText(g, "1\r\n=A1+1\r\n=A2+1\r\n=A3+1\r\n");
    EXPECT_TRUE(log.Items.empty());
    EXPECT_EQ(Shown(g, "A4"), QStringLiteral("4.00"));
}

TEST_F(SpreadCalc, DiamondIsUpdatedOnceAndCompletely)
{
    LoadText(g, "1,=A1+C1,=A1,=B1\r\n");
    EXPECT_EQ(Value(g, "D1"), 2.0);
    const int64_t before = g.EvaluationCount();
    Edit(g, "A1", "5");
    EXPECT_EQ(Value(g, "B1"), 10.0);
    EXPECT_EQ(Value(g, "D1"), 10.0);
    EXPECT_EQ(g.EvaluationCount() - before, 3);  // C1, B1, D1 once each
}

TEST_F(SpreadCalc, UpwardChainIsComputedInOnePass)
{
    LoadText(g, "=A2+1\r\n=A3+1\r\n=A4+1\r\n1\r\n");
    EXPECT_TRUE(log.Items.empty());
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("4.00"));
    EXPECT_EQ(g.EvaluationCount(), 3);
    Edit(g, "A4", "10");
    EXPECT_EQ(Value(g, "A1"), 13.0);
}

TEST_F(SpreadCalc, EditReachesEveryDependentOnce)
{
    // A column of sums over a chain: each cell reads the one above and A1.
    QString csv = "1\r\n";
    for (int r = 2; r <= 30; ++r)
        csv += QStringLiteral("=A%1+A1\r\n").arg(r - 1);
    LoadText(g, csv);
    EXPECT_EQ(Value(g, "A30"), 30.0);
    const int64_t before = g.EvaluationCount();
    Edit(g, "A1", "2");
    EXPECT_EQ(Value(g, "A30"), 60.0);
    EXPECT_EQ(g.EvaluationCount() - before, 29);
}

TEST_F(SpreadCalc, CyclesOfOneTwoAndManyCells)
{
    LoadText(g, "=A1,=C1+1,=B1+1,=E1,=F1,=D1,7,=G1+1\r\n");
    EXPECT_TRUE(log.Has(1, 1, 8));
    EXPECT_TRUE(log.Has(2, 1, 8));
    EXPECT_TRUE(log.Has(3, 1, 8));
    EXPECT_TRUE(log.Has(4, 1, 8));
    EXPECT_TRUE(log.Has(5, 1, 8));
    EXPECT_TRUE(log.Has(6, 1, 8));
    EXPECT_EQ(log.Count(8), 6);
    EXPECT_EQ(State(g, "B1"), 2);
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("=C1+1"));
    EXPECT_EQ(Shown(g, "H1"), QStringLiteral("8.00"));

    // Breaking the cycle heals it.
    log.Items.clear();
    Edit(g, "C1", "3");
    EXPECT_TRUE(log.Items.empty());
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("4.00"));

    // Committing a self reference reports it once, for that cell.
    Edit(g, "H1", "=H1+1");
    EXPECT_EQ(log.Count(8), 1);
    EXPECT_TRUE(log.Has(8, 1, 8));
}

TEST_F(SpreadCalc, QuotedReferencesAreNoDependencies)
{
    LoadText(g, "x,\"=LEN(\"\"B1\"\")\"\r\n");
    EXPECT_TRUE(log.Items.empty());
    EXPECT_EQ(Shown(g, "B1"), QStringLiteral("2.00"));
}

TEST_F(SpreadCalc, RangesAreDependencies)
{
    LoadText(g, "1,=SUM(A1:A3)\r\n2\r\n3\r\n");
    EXPECT_EQ(Value(g, "B1"), 6.0);
    Edit(g, "A3", "30");
    EXPECT_EQ(Value(g, "B1"), 33.0);
}

TEST_F(SpreadCalc, ClearsAndStructuralChangesKeepValuesSound)
{
    LoadText(g, "1,=A1+1\r\n2,=A2+1\r\n");
    g.ClearRect(1, 1, 1, 1);
    EXPECT_EQ(Value(g, "B1"), 1.0);
    g.InsertRows(1, 1);
    // The formulas stay as written (no relocation); their values are current:
    // B2 (=A1+1) and B3 (=A2+1) both read an empty cell now.
    EXPECT_EQ(Shown(g, "B2"), QStringLiteral("1.00"));
    EXPECT_EQ(Shown(g, "B3"), QStringLiteral("1.00"));
    const TGridCoord a2 = At(g, "A2");
    g.SetCells(a2.X, a2.Y, "5");
    EXPECT_EQ(Shown(g, "B3"), QStringLiteral("6.00"));
}

TEST_F(SpreadCalc, LongChainNeedsNoDeepRecursion)
{
    const int n = 1000000;
    TQelSpreadGrid big;
    big.SetAutoRecalc(false);
    big.SetColCount(2);
    big.SetRowCount(n + 1);
    big.SetFixedCols(1);
    big.SetFixedRows(1);
    big.WriteCellText(1, 1, "1");
    for (int r = 2; r <= n; ++r)
        big.WriteCellText(1, r, QStringLiteral("=A%1+1").arg(r - 1));
    big.Recalc();
    EXPECT_EQ(big.GetCalcValue(1, n).Number, double(n));
    big.SetAutoRecalc(true);
    big.WriteCellText(1, 1, "2");
    big.DoCellEdited(1, 1);
    EXPECT_EQ(big.GetCalcValue(1, n).Number, double(n + 1));
}

// ---- Errors, formats, callbacks -----------------------------------------------------------

namespace {

class ThrowingLib : public TMathLib {
public:
    bool HandlesFunction(const QString& name) override { return name == "BOOM"; }
    double CalcFunction(const QString&, const TParamList&, int&, int&) override
    {
        ++Calls;
        throw std::runtime_error("math failure");
    }
    int Calls = 0;
};

}  // namespace

TEST_F(SpreadCalc, MathErrorsInsideAnEvaluationBecomeTheCellsError)
{
    ThrowingLib lib;
    TLibBinder libs;
    libs.AddLib(&lib);
    g.SetLibs(&libs);
    LoadText(g, "=BOOM(1),=A1+1\r\n");
    EXPECT_EQ(State(g, "A1"), 2);
    EXPECT_TRUE(log.Has(1, 1, 3));
    const int calls = lib.Calls;
    // Repaints and saves show the stored error; nothing is raised again.
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("=BOOM(1)"));
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("=BOOM(1)"));
    EXPECT_NO_THROW(g.SaveCellText(1, 1));
    EXPECT_EQ(lib.Calls, calls);
    g.SetLibs(nullptr);
}

TEST_F(SpreadCalc, HostFunctionThatThrowsIsCaught)
{
    g.OnIsCustomFunction() = [](TGridFormula*, QString& f, bool& match) { match = f == "HOST"; };
    g.OnCalcCustomFunction() = [](TGridFormula*, QString&, double&) { throw std::overflow_error("x"); };
    LoadText(g, "=HOST(2)\r\n");
    EXPECT_TRUE(log.Has(1, 1, 15));
    EXPECT_EQ(State(g, "A1"), 2);
}

TEST_F(SpreadCalc, BadCellFormatsShowThePlainValue)
{
    LoadText(g, "=1/4\r\n");
    const struct {
        const char* Format;
        const char* Shown;
    } cases[] = {
        {"%.2f", "0.25"}, {"%g", "0.25"},  {"%.2e", "2.5E-001"}, {"%d", "0.25"},
        {"%s", "0.25"},   {"%f %f", "0.25"}, {"%", "0.25"},      {"value %.3f", "value 0.250"},
    };
    for (const auto& c : cases) {
        g.SetCellFormat(c.Format);
        EXPECT_EQ(Shown(g, "A1"), QString::fromLatin1(c.Shown)) << c.Format;
    }
    g.SetCellFormat("%.2f");
    g.OnCellFormat = [](TObject*, int, int, QString& format, bool&) { format = "%d%d"; };
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("0.25"));
}

TEST_F(SpreadCalc, DateFormatFromTheCallback)
{
    g.OnCellFormat = [](TObject*, int, int, QString& format, bool& date) {
        format = "yyyy-mm-dd";
        date = true;
    };
    LoadText(g, "=46357\r\n");
    EXPECT_EQ(Shown(g, "A1"), QStringLiteral("2026-12-01"));
}

TEST_F(SpreadCalc, ErrorMessagesAndCallbackOrder)
{
    EXPECT_EQ(g.ErrorToString(7), QStringLiteral("Invalid nr. of parameters"));
    EXPECT_EQ(g.ErrorToString(8), QStringLiteral("Circular reference"));
    EXPECT_EQ(g.ErrorToString(18), QString());
    EXPECT_EQ(g.ErrorToString(0), QString());
    std::vector<QString> calls;
    g.OnFormulaError = [&](TObject*, int, int, const QString& s) { calls.push_back("error:" + s); };
    g.OnFormulaErrorInfo = [&](TObject*, int, int, int type, int, int, const QString& s) {
        calls.push_back(QStringLiteral("info:%1:").arg(type) + s);
    };
    LoadText(g, "=1/0\r\n");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], QStringLiteral("error:Division by zero"));
    EXPECT_EQ(calls[1], QStringLiteral("info:2:Division by zero"));
}

TEST_F(SpreadCalc, RecalcCallbacks)
{
    std::vector<QString> calls;
    g.OnBeforeRecalc = [&](TObject*) { calls.push_back("before"); };
    g.OnAfterRecalc = [&](TObject*) { calls.push_back("after"); };
    g.Recalc();  // no formulas: only the first callback
    EXPECT_EQ(calls, (std::vector<QString>{"before"}));
    calls.clear();
    LoadText(g, "1,=A1\r\n");
    EXPECT_EQ(calls, (std::vector<QString>{"before", "after"}));
    calls.clear();
    // An edit of a cell others read is bracketed; of a cell nobody reads, not.
    g.SetCol(1);
    g.SetRow(1);
    g.ValidateCell("4");
    EXPECT_EQ(calls, (std::vector<QString>{"before", "after"}));
    EXPECT_EQ(Value(g, "B1"), 4.0);
    calls.clear();
    g.SetCol(3);
    g.ValidateCell("9");
    EXPECT_TRUE(calls.empty());
}

TEST_F(SpreadCalc, TypingClearsTheCalculationState)
{
    LoadText(g, "1,=A1\r\n");
    EXPECT_EQ(State(g, "B1"), 1);
    struct Typing : TQelSpreadGrid {
        using TQelSpreadGrid::SetEditText;
    };
    static_cast<Typing&>(g).SetEditText(2, 1, "=A1+");
    EXPECT_EQ(State(g, "B1"), 0);
}

// ---- Bound grids ------------------------------------------------------------------------------

namespace {

class BoundGrids : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetupSheet(a);
        SetupSheet(b);
        binder.AddGrid("Sheet1", &a);
        binder.AddGrid("Sheet2", &b);
        a.SetBinder(&binder);
        b.SetBinder(&binder);
        la.Attach(a);
        lb.Attach(b);
    }
    void TearDown() override
    {
        a.SetBinder(nullptr);
        b.SetBinder(nullptr);
    }
    TQelSpreadGrid a, b;
    TGridBinder binder;
    TErrorLog la, lb;
};

}  // namespace

TEST_F(BoundGrids, EditsPropagateAcrossGrids)
{
    LoadText(a, "2,=Sheet2!A1*10\r\n");
    LoadText(b, "=Sheet1!A1+1\r\n");
    EXPECT_EQ(Value(b, "A1"), 3.0);
    EXPECT_EQ(Value(a, "B1"), 30.0);
    Edit(a, "A1", "5");
    EXPECT_EQ(Value(b, "A1"), 6.0);
    EXPECT_EQ(Value(a, "B1"), 60.0);
    EXPECT_TRUE(la.Items.empty());
    EXPECT_TRUE(lb.Items.empty());
}

TEST_F(BoundGrids, LongChainAcrossGridsCostsLinearWork)
{
    // Each row of a reads the row above in a and in b; b mirrors a.  Following
    // every path would double the work per row.
    QString ca = "1\r\n", cb = "=Sheet1!A1\r\n";
    for (int r = 2; r <= 30; ++r) {
        ca += QStringLiteral("=A%1+Sheet2!A%1\r\n").arg(r - 1);
        cb += QStringLiteral("=Sheet1!A%1\r\n").arg(r);
    }
    LoadText(a, ca);
    LoadText(b, cb);
    const int64_t before = a.EvaluationCount() + b.EvaluationCount();
    Edit(a, "A1", "2");
    EXPECT_EQ(a.EvaluationCount() + b.EvaluationCount() - before, 59);
    EXPECT_EQ(Value(a, "A30"), 2.0 * (1 << 29));
}

TEST_F(BoundGrids, CycleThroughTwoGrids)
{
    LoadText(a, "=Sheet2!A1+1,=A1*2\r\n");
    LoadText(b, "=Sheet1!A1+1\r\n");
    EXPECT_TRUE(la.Has(1, 1, 8));
    EXPECT_TRUE(lb.Has(1, 1, 8));
    EXPECT_EQ(a.GetCalcState(1, 1), 2);
    EXPECT_EQ(b.GetCalcState(1, 1), 2);
    EXPECT_FALSE(la.Has(2, 1, 8));
    // Breaking it in the other grid heals both.
    la.Items.clear();
    Edit(b, "A1", "4");
    EXPECT_TRUE(la.Items.empty());
    EXPECT_EQ(Value(a, "A1"), 5.0);
    EXPECT_EQ(Value(a, "B1"), 10.0);
}

TEST_F(SpreadCalc, QuickPrecedentScanAgreesWithTheReferenceLexer)
{
    // Each formula is written through the Cells write (which records what it
    // reads) with the quick road on and off; the recorded precedents agree.
    static const char* const formulas[] = {
        "=A1*B1+C1", "=SUM(A1:E1)", "=H1+F2", "=SUM(E5:A1)", "=A0+1", "=a1+b2", "=LOG10(A1)", "=LOG10 (A1)",
        "=AAAA1+1", "=AAAAA1+1", "=A1234567890", "=A123456789", "=A1B2", "=A1:B2:C3", "=1:2", "=A1.5",
        "=2A1", "=1E5+A1", "=PI*A1", "=SUM(A1:A3)/COUNT(A1:A3)", "=$A$1+B1", "=\"B1\"&A1", "=Sheet2!A1",
        "=A_1", "=A1 :B2", "=A1: B2", "=:A1", "=A1:", "=A1:LOG10(2)", "=x\u00e91+A1", "=A1\u00e9", "=",
        "=IF(A1>1,B1,C1)", "=MAX(A1:B2;C3)", "=ZZZ9+1",
    };
    const TGridCoord at{11, 39};
    for (const char* text : formulas) {
        std::vector<std::pair<TGridRect, void*>> seen[2];
        for (int road = 0; road < 2; ++road) {
            g.GridFormula().SetQuickRoad(road == 0);
            g.SetCells(at.X, at.Y, QString());
            g.SetCells(at.X, at.Y, QString::fromUtf8(text));
            for (const TPrecedent& p : g.DependencyIndex().Precedents(at.X, at.Y))
                seen[road].push_back({p.Rect, p.Index});
        }
        g.GridFormula().SetQuickRoad(true);
        ASSERT_EQ(seen[0].size(), seen[1].size()) << text;
        for (size_t k = 0; k < seen[0].size(); ++k) {
            EXPECT_EQ(seen[0][k].first, seen[1][k].first) << text;
            EXPECT_EQ(seen[0][k].second, seen[1][k].second) << text;
        }
    }
}

TEST_F(SpreadCalc, SavedViewsAreTheSavedTexts)
{
    // Whatever a cell's kind, a view the save may take instead of
    // SaveCellText is exactly SaveCellText's text.
    LoadText(g, "5,=A1*2,=A1/0,=UPPER(\"x\"),=B1+C1,abc,=,1/2/2020,=A1*0.1,=Z99\r\n"
                "=A2+1,=A1*1E300*1E300,-3.25,\"a,b\",=SUM(A1:C1),,=B2,=LEN(\"B1\")\r\n");
    g.SetCells(3, 3, QStringLiteral("=A1+1"));
    for (const QString& format : {QStringLiteral("%.2f"), QStringLiteral("%g"), QStringLiteral("%d"),
                                  QStringLiteral("%.3e")}) {
        g.SetCellFormat(format);
        for (bool formulas : {false, true}) {
            g.SetSaveFormula(formulas);
            for (int r = 0; r < 4; ++r)
                for (int c = 0; c < 12; ++c) {
                    QStringView view;
                    if (g.SaveCellView(c, r, view)) {
                        EXPECT_EQ(view.toString(), g.SaveCellText(c, r))
                            << c << "," << r << " " << format.toStdString() << " " << formulas;
                    }
                }
        }
    }
    // A format callback takes the general step.
    g.SetSaveFormula(false);
    g.OnCellFormat = [](TObject*, int, int, QString& f, bool&) { f = QStringLiteral("%.1f"); };
    QStringView view;
    EXPECT_FALSE(g.SaveCellView(2, 1, view));
    EXPECT_EQ(g.SaveCellText(2, 1), QStringLiteral("10.0"));
}

TEST_F(SpreadCalc, RangesReadEveryKindOfCell)
{
    // Numbers, texts, formulas with number, text and error results, an empty
    // cell and a signed number text, then a long column with one text in it.
    TQelSpreadGrid big;
    SetupSheet(big, 6, 700);
    const char* const column[] = {"5", "abc", "=A1*2", "", "7", "=UPPER(\"x\")", "-3", "=1/0"};
    for (int r = 0; r < 8; ++r)
        big.SetCells(1, r + 1, QString::fromUtf8(column[r]));
    for (int r = 1; r <= 600; ++r)
        big.SetCells(2, r, r == 300 ? QStringLiteral("x") : QStringLiteral("1"));
    const struct {
        const char* formula;
        double value;
    } cases[] = {
        {"=SUM(A1:A8)", 19}, {"=AVERAGE(A1:A8)", 2.375}, {"=MAX(A1:A8)", 10}, {"=MIN(A1:A8)", -3},
        {"=COUNT(A1:A8)", 4}, {"=SUM(B1:B600)", 599}, {"=SUM(A1:B8)", 27}, {"=MIN(B290:B310)", 0},
    };
    for (bool quick : {true, false}) {
        big.GridFormula().SetQuickRoad(quick);
        for (const auto& c : cases) {
            big.SetCells(4, 1, QString::fromUtf8(c.formula));
            EXPECT_EQ(big.GetCalcValue(4, 1).Number, c.value) << c.formula << " quick " << quick;
        }
    }
}
