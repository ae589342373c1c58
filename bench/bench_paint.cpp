// Repainting a string grid: the full client area of a 1920 x 1080 window drawn into a
// QImage through TCanvas, with short texts in every cell.
#include "Canvas.h"
#include "Grids.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void fill(TStringGrid& grid, bool texts) {
    grid.SetColCount(50);
    grid.SetRowCount(1000);
    grid.Font().SetName(QStringLiteral("DejaVu Sans"));
    grid.BeginUpdate();
    for (int row = 0; row < grid.RowCount(); ++row)
        for (int col = 0; col < grid.ColCount(); ++col)
            if (texts) grid.SetCells(col, row, QString::number(row * 7 + col));
    grid.EndUpdate();
    grid.SetClientSize(1920, 1080);
}

void paintFrames(benchmark::State& state, bool texts) {
    TStringGrid grid;
    fill(grid, texts);
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        TCanvas canvas(&painter);
        grid.Paint(canvas);
    }
    const int cells = (grid.LastVisibleCol() + 1) * (grid.LastVisibleRow() + 1);
    state.counters["cells"] = cells;
}

void BM_FullRepaintShortTexts(benchmark::State& state) { paintFrames(state, true); }
void BM_FullRepaintEmptyCells(benchmark::State& state) { paintFrames(state, false); }

// The text path on its own: one DrawText per cell of the same screen.
void BM_DrawTextOnly(benchmark::State& state) {
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        TCanvas canvas(&painter);
        canvas.Font().SetName(QStringLiteral("DejaVu Sans"));
        canvas.Brush().SetStyle(bsClear);
        for (int y = 0; y + 24 <= 1080; y += 25)
            for (int x = 0; x + 64 <= 1920; x += 65) {
                TRect r = Rect(x + 2, y + 2, x + 62, y + 22);
                canvas.DrawText(QString::number(x * 3 + y), r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            }
    }
}

} // namespace

BENCHMARK(BM_FullRepaintShortTexts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRepaintEmptyCells)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawTextOnly)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
