// Comma-separated files of the string grid: loading and saving sheets of
// numbers and short texts (100,000 x 8 and 1,000,000 x 10).  Reports bytes
// per second of the file.
#include "QelGrid.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace {

// A sheet of numbers and short texts, with a few cells that need quotes.
void FillSheet(TQelStringGrid& g, int rows, int cols)
{
    g.SetFixedCols(0);
    g.SetFixedRows(0);
    g.SetColCount(cols);
    g.SetRowCount(rows);
    static const char* const words[] = {"apple", "pear", "nut", "plum, ripe", "fig", "say \"hi\"", "kiwi", "lime"};
    uint32_t seed = 12345;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            seed = seed * 1664525u + 1013904223u;
            QString text;
            if (c % 2 == 0)
                text = QString::number(double(seed % 1000000) / 100.0, 'f', 2);
            else
                text = QString::fromLatin1(words[(seed >> 8) % 8]);
            g.WriteRawCellText(c, r, text);
        }
    }
}

struct TSheetFile {
    QTemporaryDir dir;
    QString path;
    qint64 bytes = 0;
};

// One file per size, written once.
TSheetFile& SheetFile(int rows, int cols)
{
    static std::unique_ptr<TSheetFile> files[2];
    std::unique_ptr<TSheetFile>& f = files[rows > 100000 ? 1 : 0];
    if (!f) {
        f = std::make_unique<TSheetFile>();
        f->path = f->dir.filePath("sheet.csv");
        TQelStringGrid g;
        FillSheet(g, rows, cols);
        g.SaveToCSV(f->path);
        f->bytes = QFileInfo(f->path).size();
    }
    return *f;
}

void BM_LoadCsv(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const int cols = int(state.range(1));
    TSheetFile& f = SheetFile(rows, cols);
    for (auto _ : state) {
        state.PauseTiming();
        auto g = std::make_unique<TQelStringGrid>();
        g->SetFixedCols(0);
        g->SetFixedRows(0);
        state.ResumeTiming();
        g->LoadFromCSV(f.path);
        benchmark::DoNotOptimize(g->RowCount());
        state.PauseTiming();
        g.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

void BM_SaveCsv(benchmark::State& state)
{
    const int rows = int(state.range(0));
    const int cols = int(state.range(1));
    TSheetFile& f = SheetFile(rows, cols);
    TQelStringGrid g;
    FillSheet(g, rows, cols);
    const QString out = f.dir.filePath("out.csv");
    for (auto _ : state)
        g.SaveToCSV(out);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

BENCHMARK(BM_LoadCsv)->Args({100000, 8})->Args({1000000, 10})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveCsv)->Args({100000, 8})->Args({1000000, 10})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
