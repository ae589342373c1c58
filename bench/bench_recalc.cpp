// Recalculation workload W1 (see gen_w1.cpp): n rows of five numbers, a product,
// a row sum and a running chain, then a row of column totals.  Measures the
// load (tokenize, store, dependency index), the whole-sheet Recalc, the save
// of the results, one edit of A1 (which reaches about a third of the sheet),
// the first edit after a load, and a Recalc of a chain of a million cells.
// The planning benchmarks time the dependency index alone on the same sheet
// (argument: rows): the plan of an edit of A1, the first such plan after a
// load (which builds the reverse part), and the whole-sheet plan.
#include "DependencyIndex.h"
#include "QelSprd.h"

#include <QBuffer>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

QByteArray MakeW1(long n)
{
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> dist(1, 1000);
    QByteArray out;
    out.reserve(int(n * 80));
    for (long r = 1; r <= n; ++r) {
        const int a = dist(rng), b = dist(rng), c = dist(rng), d = dist(rng), e = dist(rng);
        out += QByteArray::number(a) + ',' + QByteArray::number(b) + ',' + QByteArray::number(c) + ',' +
               QByteArray::number(d) + ',' + QByteArray::number(e);
        const QByteArray rs = QByteArray::number(qlonglong(r));
        out += ",=A" + rs + "*B" + rs + "+C" + rs + ",=SUM(A" + rs + ":E" + rs + "),";
        out += r == 1 ? QByteArray("=F1") : "=H" + QByteArray::number(qlonglong(r - 1)) + "+F" + rs;
        out += "\r\n";
    }
    const QByteArray ns = QByteArray::number(qlonglong(n));
    out += "=SUM(A1:A" + ns + "),=AVERAGE(B1:B" + ns + "),=MAX(C1:C" + ns + "),=MIN(D1:D" + ns +
           "),=COUNT(E1:E" + ns + "),=SUM(F1:F" + ns + "),=SUM(G1:G" + ns + "),=H" + ns + "\r\n";
    return out;
}

class TBenchSheet : public TQelSpreadGrid {
public:
    TBenchSheet()
    {
        SetColCount(2);
        SetRowCount(2);
        SetFixedCols(1);
        SetFixedRows(1);
        SetSaveFixedCells(false);
        SetDelimiter(u',');
        SetCellFormat(QStringLiteral("%g"));
    }
    void Load(const QByteArray& bytes)
    {
        QByteArray copy = bytes;
        QBuffer buf(&copy);
        buf.open(QIODevice::ReadOnly);
        LoadFromCSVStream(buf);
    }
    QString CsvText() { return BuildCsvText(); }
};

const QByteArray& W1()
{
    static const QByteArray text = MakeW1(100000);
    return text;
}

void BM_W1Load(benchmark::State& state)
{
    for (auto _ : state) {
        TBenchSheet g;
        g.SetAutoRecalc(false);
        g.Load(W1());
        benchmark::DoNotOptimize(g.RowCount());
    }
}

void BM_W1Recalc(benchmark::State& state)
{
    TBenchSheet g;
    g.SetAutoRecalc(false);
    g.Load(W1());
    for (auto _ : state)
        g.Recalc();
    state.counters["formulas"] = g.DependencyIndex().FormulaCount();
}

void BM_W1Save(benchmark::State& state)
{
    TBenchSheet g;
    g.SetSaveFormula(false);
    g.Load(W1());
    for (auto _ : state)
        benchmark::DoNotOptimize(g.CsvText().toUtf8());
}

void BM_W1EditA1(benchmark::State& state)
{
    TBenchSheet g;
    g.Load(W1());
    int v = 1;
    for (auto _ : state) {
        g.WriteCellText(1, 1, QString::number(++v));
        g.DoCellEdited(1, 1);
    }
}

// The first edit after a load, which also builds the reverse part of the index.
void BM_W1FirstEditA1(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto g = std::make_unique<TBenchSheet>();
        g->Load(W1());
        state.ResumeTiming();
        g->WriteCellText(1, 1, QStringLiteral("7"));
        g->DoCellEdited(1, 1);
        state.PauseTiming();
        g.reset();
        state.ResumeTiming();
    }
}

// The formulas of W1 with n rows and their precedents, as the grid records them.
struct TW1Formulas {
    std::vector<std::pair<int32_t, int32_t>> Cells;
    std::vector<std::vector<TPrecedent>> Precs;  // Index null: the formula's own index
};

const TW1Formulas& W1Formulas(long n)
{
    static std::map<long, TW1Formulas> cache;
    auto it = cache.find(n);
    if (it != cache.end())
        return it->second;
    TBenchSheet g;
    g.SetAutoRecalc(false);
    g.Load(n == 100000 ? W1() : MakeW1(n));
    TDependencyIndex& idx = g.DependencyIndex();
    TW1Formulas f;
    idx.ForEachFormula([&](int32_t c, int32_t r) { f.Cells.emplace_back(c, r); });
    std::sort(f.Cells.begin(), f.Cells.end());
    for (auto [c, r] : f.Cells) {
        std::vector<TPrecedent> p = idx.Precedents(c, r);
        for (TPrecedent& q : p)
            q.Index = nullptr;
        f.Precs.push_back(std::move(p));
    }
    return cache.emplace(n, std::move(f)).first->second;
}

std::unique_ptr<TDependencyIndex> BuildW1Index(long n)
{
    const TW1Formulas& f = W1Formulas(n);
    auto idx = std::make_unique<TDependencyIndex>();
    std::vector<TPrecedent> buf;
    for (size_t k = 0; k < f.Cells.size(); ++k) {
        buf = f.Precs[k];
        for (TPrecedent& q : buf)
            q.Index = idx.get();
        idx->SetFormula(f.Cells[k].first, f.Cells[k].second, buf);
    }
    return idx;
}

void BM_W1PlanEditA1(benchmark::State& state)
{
    auto idx = BuildW1Index(state.range(0));
    const TFormulaNode a1{idx.get(), 1, 1};
    size_t planned = TDependencyIndex::PlanForChange(std::span<const TFormulaNode>(&a1, 1)).Order.size();
    for (auto _ : state)
        benchmark::DoNotOptimize(TDependencyIndex::PlanForChange(std::span<const TFormulaNode>(&a1, 1)));
    state.counters["planned"] = double(planned);
}

void BM_W1FirstPlanEditA1(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto idx = BuildW1Index(state.range(0));
        const TFormulaNode a1{idx.get(), 1, 1};
        state.ResumeTiming();
        benchmark::DoNotOptimize(TDependencyIndex::PlanForChange(std::span<const TFormulaNode>(&a1, 1)));
        state.PauseTiming();
        idx.reset();
        state.ResumeTiming();
    }
}

void BM_W1PlanAll(benchmark::State& state)
{
    auto idx = BuildW1Index(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(idx->PlanAll());
}

void BM_Chain1MRecalc(benchmark::State& state)
{
    const int n = 1000000;
    TBenchSheet g;
    g.SetAutoRecalc(false);
    g.SetColCount(2);
    g.SetRowCount(n + 1);
    g.WriteCellText(1, 1, QStringLiteral("1"));
    for (int r = 2; r <= n; ++r)
        g.WriteCellText(1, r, QStringLiteral("=A%1+1").arg(r - 1));
    for (auto _ : state)
        g.Recalc();
}

}  // namespace

BENCHMARK(BM_W1Load)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_W1Recalc)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_W1Save)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_W1EditA1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_W1FirstEditA1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_W1PlanEditA1)->Unit(benchmark::kMillisecond)->Arg(10000)->Arg(100000);
BENCHMARK(BM_W1FirstPlanEditA1)->Unit(benchmark::kMillisecond)->Arg(10000)->Arg(100000)->Iterations(5);
BENCHMARK(BM_W1PlanAll)->Unit(benchmark::kMillisecond)->Arg(10000)->Arg(100000);
BENCHMARK(BM_Chain1MRecalc)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
