// Evaluations per second of the formula evaluator on an in-memory sheet.
#include <CellSource.h>
#include <FormatSettings.h>
#include <GridFormula.h>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// A dense sheet of texts with optional cached values, no allocation on reads.
class BenchSheet : public ICellSource {
public:
    BenchSheet(int cols, int rows) : FCols(cols), FRows(rows), FTexts(size_t(cols) * rows) {}
    int32_t ColCount() const override { return FCols; }
    int32_t RowCount() const override { return FRows; }
    int32_t FixedCols() const override { return 1; }
    int32_t FixedRows() const override { return 1; }
    QString ReadCellText(int32_t col, int32_t row) const override { return FTexts[Index(col, row)]; }
    TFormulaCalcState GetCalcValue(int32_t, int32_t, TFormulaValue&) const override
    {
        return fcsNotCalculated;
    }
    void Set(int col, int row, const QString& s) { FTexts[Index(col, row)] = s; }

private:
    size_t Index(int col, int row) const { return size_t(row) * FCols + col; }
    int FCols, FRows;
    std::vector<QString> FTexts;
};

BenchSheet& Sheet()
{
    static BenchSheet sheet = [] {
        BenchSheet s(20, 40);
        for (int c = 1; c < 20; ++c)
            for (int r = 1; r < 40; ++r)
                s.Set(c, r, QString::number(c * 100 + r));
        return s;
    }();
    return sheet;
}

const QString kShort = QStringLiteral("A1*B1+C1");

// About 200 characters: references, literals, parentheses, powers, a text.
const QString kLong = QStringLiteral(
    "(A1*B1+C1)/(D2-E2+1)+((F3^2+G4^2)^0.5-H5%7)*(1.5E2-I6)/(J7+K8*L9-M10/N11)"
    "+(O12-P13)*(Q14+R15)-(S16*2.25+A17)^(1/3)+B18*(C19-D20/(E21+F22))-(G23+H24"
    "+I25+J26+K27)*0.001+(L28-M29)*(N30+O31)/2");

void BM_ShortFormula(benchmark::State& state)
{
    ResetFormatSettings();
    TGridFormula f(&Sheet());
    f.SetExpression(kShort);
    TFormulaValue r;
    for (auto _ : state) {
        f.Calc(r);
        benchmark::DoNotOptimize(r.Number);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShortFormula);

// Assigning the expression is part of each evaluation, as in a recalculation
// that moves from cell to cell.
void BM_ShortFormulaWithAssign(benchmark::State& state)
{
    ResetFormatSettings();
    TGridFormula f(&Sheet());
    TFormulaValue r;
    for (auto _ : state) {
        f.SetExpression(kShort);
        f.Calc(r);
        benchmark::DoNotOptimize(r.Number);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShortFormulaWithAssign);

void BM_LongFormula(benchmark::State& state)
{
    ResetFormatSettings();
    TGridFormula f(&Sheet());
    f.SetExpression(kLong);
    TFormulaValue r;
    for (auto _ : state) {
        f.Calc(r);
        benchmark::DoNotOptimize(r.Number);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["chars"] = kLong.size();
}
BENCHMARK(BM_LongFormula);

void BM_LongFormulaWithAssign(benchmark::State& state)
{
    ResetFormatSettings();
    TGridFormula f(&Sheet());
    TFormulaValue r;
    for (auto _ : state) {
        f.SetExpression(kLong);
        f.Calc(r);
        benchmark::DoNotOptimize(r.Number);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LongFormulaWithAssign);

}  // namespace

BENCHMARK_MAIN();
