// TCustomGrid paint pass: background outside the cells, grid lines, DrawCell for every
// visible cell, the column/row move indicator and the epilogue hook.
#include "Grids.h"

#include <algorithm>

namespace {

// Restores the grid's paint canvas pointer however the pass ends.
struct TPaintScope {
    TCanvas*& slot;
    TCanvas* saved;
    TPaintScope(TCanvas*& s, TCanvas* c) : slot(s), saved(s) { slot = c; }
    ~TPaintScope() { slot = saved; }
};

}  // namespace

TCanvas& TCustomGrid::Canvas() {
    if (FPaintCanvas) return *FPaintCanvas;
    if (!FMeasureCanvas) FMeasureCanvas = std::make_unique<TCanvas>();
    FMeasureCanvas->Font().Assign(FFont);
    return *FMeasureCanvas;
}

void TCustomGrid::Paint(TCanvas& canvas) { PaintPass(canvas); }

void TCustomGrid::PaintEpilogue(TCanvas&) {}

void TCustomGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

TGridDrawState TCustomGrid::CellDrawState(int col, int row) const {
    TGridDrawState state;
    if (col < FFixedCols || row < FFixedRows) {
        state.Include(gdFixed);
        if (FHot.X == col && FHot.Y == row) state.Include(gdHotTrack);
        if (FPressed.X == col && FPressed.Y == row) state.Include(gdPressed);
        return state;
    }
    const bool focused = Focused();
    if (focused && col == FCurrent.X && row == FCurrent.Y) state.Include(gdFocused);
    const TGridRect sel = Selection();
    if (sel.Left >= 0 && sel.Contains(col, row)) {
        state.Include(gdSelected);
        if (FOptions.Contains(goRowSelect)) state.Include(gdRowSelected);
    }
    return state;
}

void TCustomGrid::PaintPass(TCanvas& canvas) {
    TPaintScope scope(FPaintCanvas, &canvas);
    const int line = FGridLineWidth;
    const int lastCol = lastPartial(false);
    const int lastRow = lastPartial(true);

    // The visible columns and rows in screen order: fixed ones, then the scrolled ones.
    std::vector<int> cols, rows;
    for (int c = 0; c < FFixedCols; ++c) cols.push_back(c);
    for (int c = FTopLeft.X; c <= lastCol && c < FColCount; ++c) cols.push_back(c);
    for (int r = 0; r < FFixedRows; ++r) rows.push_back(r);
    for (int r = FTopLeft.Y; r <= lastRow && r < FRowCount; ++r) rows.push_back(r);

    // Background right of and below the cells.
    int gridRight = 0, gridBottom = 0;
    if (!cols.empty()) gridRight = CellRect(cols.back(), 0).Right + line;
    if (!rows.empty()) gridBottom = CellRect(0, rows.back()).Bottom + line;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(FColor);
    if (gridRight < FClientWidth) canvas.FillRect(TRect{gridRight, 0, FClientWidth, FClientHeight});
    if (gridBottom < FClientHeight) canvas.FillRect(TRect{0, gridBottom, std::min(gridRight, FClientWidth), FClientHeight});

    // Grid lines fill the gaps right of and below each cell; where a kind of line is off
    // the gap takes the cell's background colour.
    if (line > 0) {
        for (int r : rows) {
            for (int c : cols) {
                const TRect rc = CellRect(c, r);
                const bool fixed = c < FFixedCols || r < FFixedRows;
                const bool vert = fixed ? FOptions.Contains(goFixedVertLine) : FOptions.Contains(goVertLine);
                const bool horz = fixed ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
                const TColor lineColor = fixed ? FFixedGridLineColor : FGridLineColor;
                const TColor back = fixed ? FFixedColor : FColor;
                canvas.Brush().SetColor(vert ? lineColor : back);
                canvas.FillRect(TRect{rc.Right, rc.Top, rc.Right + line, rc.Bottom + line});
                canvas.Brush().SetColor(horz ? lineColor : back);
                canvas.FillRect(TRect{rc.Left, rc.Bottom, rc.Right, rc.Bottom + line});
            }
        }
    }

    const bool highlightFocused = FOptions.Contains(goDrawFocusSelected) || FOptions.Contains(goRowSelect);
    for (int r : rows) {
        for (int c : cols) {
            const TRect rc = CellRect(c, r);
            const TGridDrawState state = CellDrawState(c, r);
            canvas.Font().Assign(FFont);
            canvas.Brush().SetStyle(bsSolid);
            if (state.Contains(gdFixed)) {
                canvas.Brush().SetColor(FFixedColor);
            } else if (state.Contains(gdSelected) && (!state.Contains(gdFocused) || highlightFocused)) {
                canvas.Brush().SetColor(clHighlight);
                canvas.Font().SetColor(clHighlightText);
            } else {
                canvas.Brush().SetColor(FColor);
            }
            if (FDefaultDrawing) canvas.FillRect(rc);
            DrawCell(c, r, rc, state);
        }
    }

    drawMoveIndicator(canvas);
    PaintEpilogue(canvas);
}

void TCustomGrid::drawMoveIndicator(TCanvas& canvas) {
    if ((FGridState != gsColMoving && FGridState != gsRowMoving) || FMoveIndex < 0 || FMovePos < 0) return;
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(clBlack);
    if (FGridState == gsColMoving) {
        const TRect rc = CellRect(FMovePos, 0);
        const int x = FMovePos > FMoveIndex ? rc.Right : rc.Left;
        canvas.FillRect(TRect{x - 1, 0, x + 1, FClientHeight});
    } else {
        const TRect rc = CellRect(0, FMovePos);
        const int y = FMovePos > FMoveIndex ? rc.Bottom : rc.Top;
        canvas.FillRect(TRect{0, y - 1, FClientWidth, y + 1});
    }
}
