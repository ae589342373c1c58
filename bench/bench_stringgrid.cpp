// String grid store at size: a million rows of ten columns, and inserting, deleting and
// moving rows at the top of it.
#include "Grids.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 1000000;
constexpr int kCols = 10;

// A grid of kRows x kCols with every cell of every 10th row filled and the rest empty,
// as a sheet that is mostly blank looks.
TStringGrid& bigGrid() {
    static TStringGrid* g = [] {
        auto* grid = new TStringGrid;
        grid->SetColCount(kCols);
        grid->SetRowCount(kRows);
        for (int r = 0; r < kRows; r += 10)
            for (int c = 0; c < kCols; ++c) grid->SetCells(c, r, QStringLiteral("cell text"));
        return grid;
    }();
    return *g;
}

void BM_SetRowCountMillion(benchmark::State& state) {
    for (auto _ : state) {
        TStringGrid g;
        g.SetColCount(kCols);
        g.SetRowCount(kRows);
        benchmark::DoNotOptimize(g.RowCount());
    }
}
BENCHMARK(BM_SetRowCountMillion)->Unit(benchmark::kMicrosecond);

void BM_FillMillionRows(benchmark::State& state) {
    for (auto _ : state) {
        TStringGrid g;
        g.SetColCount(kCols);
        g.SetRowCount(kRows);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) g.SetCells(c, r, QStringLiteral("x"));
        benchmark::DoNotOptimize(g.Cells(5, 5));
    }
}
BENCHMARK(BM_FillMillionRows)->Unit(benchmark::kMillisecond)->Iterations(1);

// Insert one row at the top and delete it again (so the grid keeps its size).
void BM_InsertRowAtTop(benchmark::State& state) {
    TStringGrid& g = bigGrid();
    for (auto _ : state) {
        g.InsertRow(1);
        state.PauseTiming();
        g.DeleteRow(1);
        state.ResumeTiming();
    }
    state.counters["rows"] = g.RowCount();
}
BENCHMARK(BM_InsertRowAtTop)->Unit(benchmark::kMicrosecond);

void BM_DeleteRowAtTop(benchmark::State& state) {
    TStringGrid& g = bigGrid();
    for (auto _ : state) {
        g.DeleteRow(1);
        state.PauseTiming();
        g.InsertRow(1);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeleteRowAtTop)->Unit(benchmark::kMicrosecond);

void BM_MoveRowTopToBottom(benchmark::State& state) {
    TStringGrid& g = bigGrid();
    for (auto _ : state) g.MoveRow(1, kRows - 1);
}
BENCHMARK(BM_MoveRowTopToBottom)->Unit(benchmark::kMicrosecond);

// Reading every cell of 1,000,000 x 10 short numeric texts: through Cells (a QString per
// read) and through CellView (no allocation).
TStringGrid& numericGrid() {
    static TStringGrid* g = [] {
        auto* grid = new TStringGrid;
        grid->SetColCount(kCols);
        grid->SetRowCount(kRows);
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c)
                grid->SetCells(c, r, QString::number((r * 7 + c * 13) % 100000 / 100.0, 'f', 2));
        return grid;
    }();
    return *g;
}

void BM_ReadCells(benchmark::State& state) {
    TStringGrid& g = numericGrid();
    for (auto _ : state) {
        size_t chars = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) chars += size_t(g.Cells(c, r).size());
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
BENCHMARK(BM_ReadCells)->Unit(benchmark::kMillisecond);

void BM_ReadCellView(benchmark::State& state) {
    TStringGrid& g = numericGrid();
    for (auto _ : state) {
        size_t chars = 0;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kCols; ++c) chars += size_t(g.CellView(c, r).size());
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * kRows * kCols);
}
BENCHMARK(BM_ReadCellView)->Unit(benchmark::kMillisecond);

void BM_CellRectFarRow(benchmark::State& state) {
    TStringGrid& g = bigGrid();
    for (auto _ : state) benchmark::DoNotOptimize(g.CellRect(3, kRows - 1));
}
BENCHMARK(BM_CellRectFarRow);

void BM_CtrlEndKey(benchmark::State& state) {
    TStringGrid& g = bigGrid();
    for (auto _ : state) {
        TKey end = VK_END;
        g.KeyDown(end, TShiftState{ssCtrl});
        TKey home = VK_HOME;
        g.KeyDown(home, TShiftState{ssCtrl});
    }
}
BENCHMARK(BM_CtrlEndKey);

}  // namespace

BENCHMARK_MAIN();
