// Cell store: filling and reading 1,000,000 rows x 10 columns of short numeric
// texts (with the heap bytes per cell), and the shown text of numeric cells.
#include "QelGrid.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <malloc.h>

namespace {

constexpr int kRows = 1'000'000;
constexpr int kCols = 10;

size_t HeapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

QString CellText(int c, int r) { return QString::number((r * 7 + c * 13) % 100000 / 100.0, 'f', 2); }

void BM_FillAndRead(benchmark::State& state)
{
    for (auto _ : state) {
        const size_t before = HeapInUse();
        auto grid = std::make_unique<TQelStringGrid>();
        grid->SetColCount(kCols);
        grid->SetRowCount(kRows);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                grid->WriteCellText(c, r, CellText(c, r));
        const size_t after = HeapInUse();
        size_t chars = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                chars += static_cast<size_t>(grid->ReadCellText(c, r).size());
        benchmark::DoNotOptimize(chars);
        state.counters["bytes_per_cell"] =
            static_cast<double>(after - before) / (static_cast<double>(kRows) * kCols);
    }
}
BENCHMARK(BM_FillAndRead)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ReadAll(benchmark::State& state)
{
    auto grid = std::make_unique<TQelStringGrid>();
    grid->SetColCount(kCols);
    grid->SetRowCount(kRows);
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            grid->WriteCellText(c, r, CellText(c, r));
    for (auto _ : state) {
        size_t chars = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                chars += static_cast<size_t>(grid->ReadCellText(c, r).size());
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
BENCHMARK(BM_ReadAll)->Unit(benchmark::kMillisecond);

// 10,000 numeric cells: plain, and with a float format callback.
void BM_ShownText(benchmark::State& state)
{
    TQelStringGrid grid;
    grid.SetColCount(kCols);
    grid.SetRowCount(1000);
    for (int r = 0; r < 1000; ++r)
        for (int c = 0; c < kCols; ++c)
            grid.WriteCellText(c, r, CellText(c, r));
    if (state.range(0))
        grid.OnGetFloatFormat = [](TObject*, int, int, bool&, QString& format) {
            format = QStringLiteral("%.1f");
        };
    for (auto _ : state) {
        size_t chars = 0;
        for (int r = 0; r < 1000; ++r)
            for (int c = 0; c < kCols; ++c)
                chars += static_cast<size_t>(grid.GetShownText(c, r).size());
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * 1000 * kCols);
}
BENCHMARK(BM_ShownText)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
