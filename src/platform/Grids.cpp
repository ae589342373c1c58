// TCustomGrid core: counts and sizes, geometry, scrolling, current cell and selection,
// structural moves, repainting, the in-place editor protocol and posted notifications.
// Keys are in GridKeys.cpp, the mouse in GridMouse.cpp, painting in GridPaint.cpp.
#include "Grids.h"

#include <algorithm>
#include <climits>

namespace {

// Size indices beyond the count may be set (they survive count changes), but not without
// limit: a stray huge index must not allocate gigabytes.
constexpr int kSpareSizeIndices = 1024;

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void moveAdjust(int& cur, int from, int to) {
    if (cur == from) cur = to;
    else if (from < to && cur > from && cur <= to) --cur;
    else if (from > to && cur >= to && cur < from) ++cur;
}

}  // namespace

TCustomGrid::TCustomGrid() = default;

TCustomGrid::~TCustomGrid() {
    // A window showing this grid must not call into it after this point.
    if (IGridHost* host = FHost) {
        FHost = nullptr;
        host->GridDestroyed();
    }
}

void TCustomGrid::SetHost(IGridHost* host) {
    FHost = host;
    FScrollBarsSent = false;
    if (FHost) {
        UpdateScrollBars();
        Invalidate();
    }
}

// ---- Counts and sizes ------------------------------------------------------------------

void TCustomGrid::SetColCount(int value) {
    value = std::max(1, value);
    if (value == FColCount) return;
    const int oldCols = FColCount;
    if (FInplaceCol >= value) HideEdit();
    FColCount = value;
    if (FFixedCols > FColCount) FFixedCols = FColCount;
    clampCurrent();
    clampTopLeft();
    SizeChanged(oldCols, FRowCount);
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetRowCount(int value) {
    value = std::max(1, value);
    if (value == FRowCount) return;
    const int oldRows = FRowCount;
    if (FInplaceRow >= value) HideEdit();
    FRowCount = value;
    if (FFixedRows > FRowCount) FFixedRows = FRowCount;
    clampCurrent();
    clampTopLeft();
    SizeChanged(FColCount, oldRows);
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetFixedCols(int value) {
    value = clampInt(value, 0, FColCount);
    if (value == FFixedCols) return;
    HideEdit();
    FFixedCols = value;
    FTopLeft.X = value;
    clampCurrent();
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetFixedRows(int value) {
    value = clampInt(value, 0, FRowCount);
    if (value == FFixedRows) return;
    HideEdit();
    FFixedRows = value;
    FTopLeft.Y = value;
    clampCurrent();
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::clampCurrent() {
    auto clampAxis = [](int v, int fixed, int count) {
        // Prefer a scrollable index; with no scrollable cells stay on the last one.
        if (fixed < count) return clampInt(v, fixed, count - 1);
        return count - 1;
    };
    FCurrent.X = clampAxis(FCurrent.X, FFixedCols, FColCount);
    FCurrent.Y = clampAxis(FCurrent.Y, FFixedRows, FRowCount);
    FAnchor.X = clampAxis(FAnchor.X, FFixedCols, FColCount);
    FAnchor.Y = clampAxis(FAnchor.Y, FFixedRows, FRowCount);
    if (FOptions.Contains(goRowSelect)) FCurrent.X = std::min(FFixedCols, FColCount - 1);
}

void TCustomGrid::SetDefaultColWidth(int value) {
    value = std::max(0, value);
    FDefaultColWidth = value;
    FColWidths.clear();
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    value = std::max(0, value);
    FDefaultRowHeight = value;
    FRowHeights.clear();
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

int TCustomGrid::ColWidths(int col) const {
    if (col >= 0 && col < int(FColWidths.size()) && FColWidths[size_t(col)] >= 0) return FColWidths[size_t(col)];
    return FDefaultColWidth;
}

int TCustomGrid::RowHeights(int row) const {
    if (row >= 0 && row < int(FRowHeights.size()) && FRowHeights[size_t(row)] >= 0) return FRowHeights[size_t(row)];
    return FDefaultRowHeight;
}

void TCustomGrid::SetColWidths(int col, int width) {
    if (col < 0) return;
    if (col >= std::max(FColCount, kSpareSizeIndices) && col >= int(FColWidths.size())) return;
    width = std::max(0, width);
    if (ColWidths(col) == width) return;
    if (col >= int(FColWidths.size())) FColWidths.resize(size_t(col) + 1, -1);
    FColWidths[size_t(col)] = width;
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetRowHeights(int row, int height) {
    if (row < 0) return;
    if (row >= std::max(FRowCount, kSpareSizeIndices) && row >= int(FRowHeights.size())) return;
    height = std::max(0, height);
    if (RowHeights(row) == height) return;
    if (row >= int(FRowHeights.size())) FRowHeights.resize(size_t(row) + 1, -1);
    FRowHeights[size_t(row)] = height;
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::SetGridLineWidth(int value) {
    value = std::max(0, value);
    if (value == FGridLineWidth) return;
    FGridLineWidth = value;
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

bool TCustomGrid::TabStops(int col) const {
    if (col >= 0 && col < int(FTabStops.size())) return FTabStops[size_t(col)] != 0;
    return true;
}

void TCustomGrid::SetTabStops(int col, bool value) {
    if (col < 0) return;
    if (col >= std::max(FColCount, kSpareSizeIndices) && col >= int(FTabStops.size())) return;
    if (col >= int(FTabStops.size())) FTabStops.resize(size_t(col) + 1, 1);
    FTabStops[size_t(col)] = value ? 1 : 0;
}

void TCustomGrid::SetOptions(TGridOptions value) {
    if (value.Contains(goRowSelect)) value.Exclude(goAlwaysShowEditor);
    if (value == FOptions) return;
    const TGridOptions old = FOptions;
    FOptions = value;
    // Only options that change the picture repaint: SelectCell may switch goEditing per
    // cell during every move, which must not repaint the whole grid.
    const TGridOptions visual{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                              goDrawFocusSelected, goRowSelect, goRangeSelect};
    if (!(((old - value) + (value - old)) * visual).Empty()) Invalidate();
    if (!FEditorMode) {
        if (value.Contains(goAlwaysShowEditor)) ShowEditor();
        else HideEditor();
    } else if (!value.Contains(goEditing) || value.Contains(goRowSelect)) {
        HideEdit();
    }
    if (value.Contains(goRowSelect) && !old.Contains(goRowSelect)) {
        FCurrent.X = std::min(FFixedCols, FColCount - 1);
        FAnchor = FCurrent;
        Invalidate();
    }
}

void TCustomGrid::SetColor(TColor value) { FColor = value; Invalidate(); }
void TCustomGrid::SetFixedColor(TColor value) { FFixedColor = value; Invalidate(); }
void TCustomGrid::SetGridLineColor(TColor value) { FGridLineColor = value; Invalidate(); }
void TCustomGrid::SetFixedGridLineColor(TColor value) { FFixedGridLineColor = value; Invalidate(); }
void TCustomGrid::SetDefaultDrawing(bool value) { FDefaultDrawing = value; Invalidate(); }

void TCustomGrid::SetScrollBars(TScrollStyle value) {
    if (value == FScrollBars) return;
    FScrollBars = value;
    UpdateScrollBars();
}

// ---- Geometry ---------------------------------------------------------------------------

void TCustomGrid::SetClientSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == FClientWidth && height == FClientHeight) return;
    FClientWidth = width;
    FClientHeight = height;
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

int TCustomGrid::FixedWidth() const {
    int w = 0;
    for (int c = 0; c < FFixedCols; ++c) w += colExtent(c) + FGridLineWidth;
    return w;
}

int TCustomGrid::FixedHeight() const {
    int h = 0;
    for (int r = 0; r < FFixedRows; ++r) h += rowExtent(r) + FGridLineWidth;
    return h;
}

// Sum of (size + grid line) over [from, to). Explicit sizes are visited; the rest is
// default, so a million default rows cost nothing.
static long long spanSum(const std::vector<int32_t>& sizes, int def, int line, int from, int to) {
    if (to <= from) return 0;
    long long sum = (long long)(to - from) * (def + line);
    const int explicitEnd = std::min(to, int(sizes.size()));
    for (int i = from; i < explicitEnd; ++i)
        if (sizes[size_t(i)] >= 0) sum += sizes[size_t(i)] - def;
    return sum;
}

static int clampToInt(long long v) {
    return int(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2));
}

int TCustomGrid::colPos(int col) const {
    if (col < FFixedCols) return clampToInt(spanSum(FColWidths, FDefaultColWidth, FGridLineWidth, 0, col));
    const long long fixed = spanSum(FColWidths, FDefaultColWidth, FGridLineWidth, 0, FFixedCols);
    if (col >= FTopLeft.X) return clampToInt(fixed + spanSum(FColWidths, FDefaultColWidth, FGridLineWidth, FTopLeft.X, col));
    return clampToInt(fixed - spanSum(FColWidths, FDefaultColWidth, FGridLineWidth, col, FTopLeft.X));
}

int TCustomGrid::rowPos(int row) const {
    if (row < FFixedRows) return clampToInt(spanSum(FRowHeights, FDefaultRowHeight, FGridLineWidth, 0, row));
    const long long fixed = spanSum(FRowHeights, FDefaultRowHeight, FGridLineWidth, 0, FFixedRows);
    if (row >= FTopLeft.Y) return clampToInt(fixed + spanSum(FRowHeights, FDefaultRowHeight, FGridLineWidth, FTopLeft.Y, row));
    return clampToInt(fixed - spanSum(FRowHeights, FDefaultRowHeight, FGridLineWidth, row, FTopLeft.Y));
}

TRect TCustomGrid::CellRect(int col, int row) const {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return TRect{};
    const int x = colPos(col);
    const int y = rowPos(row);
    return TRect{x, y, x + colExtent(col), y + rowExtent(row)};
}

int TCustomGrid::lastPartial(bool vertical) const {
    const int count = vertical ? FRowCount : FColCount;
    const int client = vertical ? FClientHeight : FClientWidth;
    int pos = vertical ? FixedHeight() : FixedWidth();
    int i = vertical ? FTopLeft.Y : FTopLeft.X;
    while (i < count && pos < client) {
        pos += (vertical ? rowExtent(i) : colExtent(i)) + FGridLineWidth;
        ++i;
    }
    return i - 1;
}

int TCustomGrid::lastFull(bool vertical) const {
    const int count = vertical ? FRowCount : FColCount;
    const int client = vertical ? FClientHeight : FClientWidth;
    int pos = vertical ? FixedHeight() : FixedWidth();
    int i = vertical ? FTopLeft.Y : FTopLeft.X;
    while (i < count) {
        const int size = vertical ? rowExtent(i) : colExtent(i);
        if (pos + size > client) break;
        pos += size + FGridLineWidth;
        ++i;
    }
    return i - 1;
}

int TCustomGrid::maxTopLeft(bool vertical) const {
    const int count = vertical ? FRowCount : FColCount;
    const int fixed = vertical ? FFixedRows : FFixedCols;
    if (count <= fixed) return fixed;
    const int client = vertical ? FClientHeight : FClientWidth;
    const int boundary = vertical ? FixedHeight() : FixedWidth();
    // Walk back from the last cell while the cells from i to the end still fit.
    long long line = (long long)client + FGridLineWidth;
    int result = count - 1;
    for (int i = count - 1; i >= fixed; --i) {
        line -= (vertical ? rowExtent(i) : colExtent(i)) + FGridLineWidth;
        if (line < boundary) break;
        result = i;
    }
    return result;
}

TGridCoord TCustomGrid::MaxTopLeft() const { return TGridCoord{maxTopLeft(false), maxTopLeft(true)}; }

void TCustomGrid::clampTopLeft() {
    const TGridCoord maxTL = MaxTopLeft();
    const TGridCoord old = FTopLeft;
    FTopLeft.X = clampInt(FTopLeft.X, FFixedCols, std::max(FFixedCols, maxTL.X));
    FTopLeft.Y = clampInt(FTopLeft.Y, FFixedRows, std::max(FFixedRows, maxTL.Y));
    if (!(old == FTopLeft)) {
        Invalidate();
        UpdateScrollBars();
        TopLeftChanged();
    }
}

int TCustomGrid::VisibleColCount() const { return std::max(0, lastFull(false) - FTopLeft.X + 1); }
int TCustomGrid::VisibleRowCount() const { return std::max(0, lastFull(true) - FTopLeft.Y + 1); }
int TCustomGrid::LastVisibleCol() const { return lastPartial(false); }
int TCustomGrid::LastVisibleRow() const { return lastPartial(true); }
int TCustomGrid::LastFullVisibleCol() const {
    return std::min(std::max(lastFull(false), FTopLeft.X), FColCount - 1);
}
int TCustomGrid::LastFullVisibleRow() const {
    return std::min(std::max(lastFull(true), FTopLeft.Y), FRowCount - 1);
}

void TCustomGrid::SetLeftCol(int value) { MoveTopLeft(value, FTopLeft.Y); }
void TCustomGrid::SetTopRow(int value) { MoveTopLeft(FTopLeft.X, value); }

void TCustomGrid::MoveTopLeft(int leftCol, int topRow) {
    const TGridCoord maxTL = MaxTopLeft();
    leftCol = clampInt(leftCol, FFixedCols, std::max(FFixedCols, maxTL.X));
    topRow = clampInt(topRow, FFixedRows, std::max(FFixedRows, maxTL.Y));
    if (leftCol == FTopLeft.X && topRow == FTopLeft.Y) return;
    FTopLeft = TGridCoord{leftCol, topRow};
    Invalidate();
    UpdateScrollBars();
    if (EditorVisible() && FHost) FHost->MoveEditor(CellRect(FInplaceCol, FInplaceRow));
    TopLeftChanged();
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
    auto axis = [this](int p, bool vertical) -> int {
        const int count = vertical ? FRowCount : FColCount;
        const int fixed = vertical ? FFixedRows : FFixedCols;
        const int top = vertical ? FTopLeft.Y : FTopLeft.X;
        auto ext = [&](int i) { return (vertical ? rowExtent(i) : colExtent(i)) + FGridLineWidth; };
        if (p < 0) {
            // Cells scrolled out before the first scrollable one lie at negative positions.
            long long pos = vertical ? FixedHeight() : FixedWidth();
            for (int i = top - 1; i >= fixed; --i) {
                pos -= ext(i);
                if (p >= pos) return pos < 0 ? i : -1;
            }
            return -1;
        }
        long long pos = 0;
        for (int i = 0; i < fixed; ++i) {
            pos += ext(i);
            if (p < pos) return i;
        }
        for (int i = top; i < count; ++i) {
            pos += ext(i);
            if (p < pos) return i;
        }
        return -1;
    };
    return TGridCoord{axis(x, false), axis(y, true)};
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
    const TGridCoord c = MouseCoord(x, y);
    col = c.X;
    row = c.Y;
}

TGridState TCustomGrid::SizingZone(int x, int y, int* index) const {
    // A zone is the grid line after a cell widened to 7 pixels (3 on each side of a
    // one-pixel line).
    const int range = std::max(7, FGridLineWidth);
    const int back = (range - FGridLineWidth) / 2;
    auto find = [&](bool vertical, int p) -> int {
        const int count = vertical ? FRowCount : FColCount;
        const int fixed = vertical ? FFixedRows : FFixedCols;
        const int top = vertical ? FTopLeft.Y : FTopLeft.X;
        const int client = vertical ? FClientHeight : FClientWidth;
        long long line = 0;
        auto test = [&](int i) {
            line += vertical ? rowExtent(i) : colExtent(i);
            const bool hit = p >= line - back && p < line - back + range;
            line += FGridLineWidth;
            return hit;
        };
        for (int i = 0; i < fixed; ++i)
            if (test(i)) return i;
        for (int i = top; i < count && line < client; ++i)
            if (test(i)) return i;
        return -1;
    };
    if (FOptions.Contains(goColSizing) && y >= 0 && y < FixedHeight()) {
        const int c = find(false, x);
        if (c >= 0) {
            if (index) *index = c;
            return gsColSizing;
        }
    }
    if (FOptions.Contains(goRowSizing) && x >= 0 && x < FixedWidth()) {
        const int r = find(true, y);
        if (r >= 0) {
            if (index) *index = r;
            return gsRowSizing;
        }
    }
    if (index) *index = -1;
    return gsNormal;
}

// ---- Current cell and selection ------------------------------------------------------------

void TCustomGrid::SetCol(int value) {
    if (value != FCurrent.X) FocusCell(value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int value) {
    if (value != FCurrent.Y) FocusCell(FCurrent.X, value, true);
}

bool TCustomGrid::FocusCell(int col, int row, bool moveAnchor, bool show) {
    const bool moved = MoveCurrent(col, row, moveAnchor, show);
    UpdateEdit();
    Click();
    return moved;
}

bool TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
    col = clampInt(col, 0, FColCount - 1);
    row = clampInt(row, 0, FRowCount - 1);
    if (!SelectCell(col, row)) return false;
    const TGridRect oldSel = Selection();
    const TGridCoord oldCur = FCurrent;
    FCurrent = TGridCoord{col, row};
    if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
    if (moveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
        FSelectionHidden = false;
    }
    if (FOptions.Contains(goRowSelect)) FCurrent.X = std::min(FFixedCols, FColCount - 1);
    if (show) ClampInView(FCurrent.X, FCurrent.Y);
    SelectionMoved(oldSel);
    InvalidateCell(oldCur.X, oldCur.Y);
    InvalidateCell(col, row);
    return true;
}

void TCustomGrid::MoveAnchor(int col, int row) {
    if (!FOptions.Contains(goRangeSelect)) {
        MoveCurrent(col, row, true, true);
        return;
    }
    col = clampInt(col, 0, FColCount - 1);
    row = clampInt(row, 0, FRowCount - 1);
    const TGridRect oldSel = Selection();
    FAnchor = TGridCoord{col, row};
    FSelectionHidden = false;
    ClampInView(col, row);
    SelectionMoved(oldSel);
}

TGridRect TCustomGrid::Selection() const {
    if (FSelectionHidden) return TGridRect{-1, -1, -1, -1};
    TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y),
                std::max(FAnchor.X, FCurrent.X), std::max(FAnchor.Y, FCurrent.Y)};
    if (FOptions.Contains(goRowSelect)) {
        r.Left = std::min(FFixedCols, FColCount - 1);
        r.Right = FColCount - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& value) {
    if (value.Left < 0 || value.Top < 0 || value.Right < 0 || value.Bottom < 0) {
        HideSelection();
        return;
    }
    const TGridRect oldSel = Selection();
    FAnchor = TGridCoord{clampInt(std::min(value.Left, value.Right), 0, FColCount - 1),
                         clampInt(std::min(value.Top, value.Bottom), 0, FRowCount - 1)};
    FCurrent = TGridCoord{clampInt(std::max(value.Left, value.Right), 0, FColCount - 1),
                          clampInt(std::max(value.Top, value.Bottom), 0, FRowCount - 1)};
    if (FOptions.Contains(goRowSelect)) FCurrent.X = std::min(FFixedCols, FColCount - 1);
    FSelectionHidden = false;
    SelectionMoved(oldSel);
    UpdateEdit();
}

void TCustomGrid::HideSelection() {
    if (FSelectionHidden) return;
    const TGridRect oldSel = Selection();
    FSelectionHidden = true;
    SelectionMoved(oldSel);
}

void TCustomGrid::RestoreSelection() {
    if (!FSelectionHidden) return;
    FSelectionHidden = false;
    FAnchor = FCurrent;
    SelectionMoved(TGridRect{-1, -1, -1, -1});
}

void TCustomGrid::ClampInView(int col, int row) {
    // The smallest top index that shows `last` fully (or makes it the first cell).
    auto topFor = [this](bool vertical, int last) {
        const int fixed = vertical ? FFixedRows : FFixedCols;
        const int client = vertical ? FClientHeight : FClientWidth;
        const int boundary = vertical ? FixedHeight() : FixedWidth();
        long long line = (long long)client + FGridLineWidth;
        int result = last;
        for (int i = last; i >= fixed; --i) {
            line -= (vertical ? rowExtent(i) : colExtent(i)) + FGridLineWidth;
            if (line < boundary) break;
            result = i;
        }
        return result;
    };
    TGridCoord tl = FTopLeft;
    if (col >= FFixedCols && col < FColCount) {
        if (col < FTopLeft.X) tl.X = col;
        else if (col > lastFull(false)) tl.X = topFor(false, col);
    }
    if (row >= FFixedRows && row < FRowCount) {
        if (row < FTopLeft.Y) tl.Y = row;
        else if (row > lastFull(true)) tl.Y = topFor(true, row);
    }
    MoveTopLeft(tl.X, tl.Y);
}

void TCustomGrid::SelectionMoved(const TGridRect& oldSel) {
    const TGridRect sel = Selection();
    if (oldSel == sel) return;
    if (oldSel.Left >= 0) InvalidateGridRect(oldSel);
    if (sel.Left >= 0) InvalidateGridRect(sel);
}

// ---- Structure -----------------------------------------------------------------------------

void TCustomGrid::moveSizes(std::vector<int32_t>& sizes, int from, int to) {
    if (sizes.empty()) return;   // all default
    const size_t need = size_t(std::max(from, to)) + 1;
    if (sizes.size() < need) sizes.resize(need, -1);
    if (from < to) std::rotate(sizes.begin() + from, sizes.begin() + from + 1, sizes.begin() + to + 1);
    else std::rotate(sizes.begin() + to, sizes.begin() + from, sizes.begin() + from + 1);
}

void TCustomGrid::insertSizes(std::vector<int32_t>& sizes, int index, int count) {
    if (index < int(sizes.size())) sizes.insert(sizes.begin() + index, size_t(count), -1);
}

void TCustomGrid::deleteSizes(std::vector<int32_t>& sizes, int index, int count) {
    if (index >= int(sizes.size())) return;
    const int end = std::min(int(sizes.size()), index + count);
    sizes.erase(sizes.begin() + index, sizes.begin() + end);
}

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= FColCount || toIndex >= FColCount || fromIndex == toIndex)
        return;
    HideEdit();
    moveSizes(FColWidths, fromIndex, toIndex);
    if (!FTabStops.empty()) {
        std::vector<int32_t> stops(FTabStops.begin(), FTabStops.end());
        stops.resize(std::max(stops.size(), size_t(std::max(fromIndex, toIndex)) + 1), 1);
        moveSizes(stops, fromIndex, toIndex);
        FTabStops.assign(stops.begin(), stops.end());
    }
    moveAdjust(FCurrent.X, fromIndex, toIndex);
    moveAdjust(FAnchor.X, fromIndex, toIndex);
    ColumnMoved(fromIndex, toIndex);
    Invalidate();
    UpdateEdit();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
    if (fromIndex < 0 || toIndex < 0 || fromIndex >= FRowCount || toIndex >= FRowCount || fromIndex == toIndex)
        return;
    HideEdit();
    moveSizes(FRowHeights, fromIndex, toIndex);
    moveAdjust(FCurrent.Y, fromIndex, toIndex);
    moveAdjust(FAnchor.Y, fromIndex, toIndex);
    RowMoved(fromIndex, toIndex);
    Invalidate();
    UpdateEdit();
}

void TCustomGrid::InsertRow(int index, int count) {
    if (count <= 0) return;
    index = clampInt(index, 0, FRowCount);
    count = std::min(count, INT_MAX / 2 - FRowCount);
    if (count <= 0) return;
    HideEdit();
    const int oldRows = FRowCount;
    FRowCount += count;
    insertSizes(FRowHeights, index, count);
    if (FCurrent.Y >= index) FCurrent.Y += count;
    if (FAnchor.Y >= index) FAnchor.Y += count;
    RowsInserted(index, count);
    clampCurrent();
    SizeChanged(FColCount, oldRows);
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::DeleteRow(int index, int count) {
    if (index < 0 || index >= FRowCount || count <= 0) return;
    count = std::min(count, FRowCount - index);
    HideEdit();
    const int oldRows = FRowCount;
    deleteSizes(FRowHeights, index, count);
    auto adjust = [&](int& r) {
        if (r >= index + count) r -= count;
        else if (r >= index) r = index;
    };
    adjust(FCurrent.Y);
    adjust(FAnchor.Y);
    FRowCount -= count;
    RowsDeleted(index, count);
    if (FRowCount < 1) {
        // A grid keeps one row: it comes back empty.
        FRowCount = 1;
        RowsInserted(0, 1);
    }
    if (FFixedRows > FRowCount) FFixedRows = FRowCount;
    clampCurrent();
    SizeChanged(FColCount, oldRows);
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::InsertColumn(int index, int count) {
    if (count <= 0) return;
    index = clampInt(index, 0, FColCount);
    count = std::min(count, INT_MAX / 2 - FColCount);
    if (count <= 0) return;
    HideEdit();
    const int oldCols = FColCount;
    FColCount += count;
    insertSizes(FColWidths, index, count);
    if (index < int(FTabStops.size())) FTabStops.insert(FTabStops.begin() + index, size_t(count), 1);
    if (FCurrent.X >= index) FCurrent.X += count;
    if (FAnchor.X >= index) FAnchor.X += count;
    ColumnsInserted(index, count);
    clampCurrent();
    SizeChanged(oldCols, FRowCount);
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

void TCustomGrid::DeleteColumn(int index, int count) {
    if (index < 0 || index >= FColCount || count <= 0) return;
    count = std::min(count, FColCount - index);
    HideEdit();
    const int oldCols = FColCount;
    deleteSizes(FColWidths, index, count);
    if (index < int(FTabStops.size()))
        FTabStops.erase(FTabStops.begin() + index,
                        FTabStops.begin() + std::min(int(FTabStops.size()), index + count));
    auto adjust = [&](int& c) {
        if (c >= index + count) c -= count;
        else if (c >= index) c = index;
    };
    adjust(FCurrent.X);
    adjust(FAnchor.X);
    FColCount -= count;
    ColumnsDeleted(index, count);
    if (FColCount < 1) {
        FColCount = 1;
        ColumnsInserted(0, 1);
    }
    if (FFixedCols > FColCount) FFixedCols = FColCount;
    clampCurrent();
    SizeChanged(oldCols, FRowCount);
    clampTopLeft();
    Invalidate();
    UpdateScrollBars();
    UpdateEdit();
}

// ---- Repainting ----------------------------------------------------------------------------

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateGridRect(TGridRect{col, row, col, row}); }

void TCustomGrid::InvalidateRow(int row) { InvalidateGridRect(TGridRect{0, row, FColCount - 1, row}); }

void TCustomGrid::InvalidateCol(int col) { InvalidateGridRect(TGridRect{col, 0, col, FRowCount - 1}); }

void TCustomGrid::InvalidateGridRect(const TGridRect& r0) {
    if (!FHost) return;   // nobody to repaint: skip the geometry (bulk loads without a window)
    TGridRect r{std::min(r0.Left, r0.Right), std::min(r0.Top, r0.Bottom), std::max(r0.Left, r0.Right),
                std::max(r0.Top, r0.Bottom)};
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, FColCount - 1);
    r.Bottom = std::min(r.Bottom, FRowCount - 1);
    if (r.Left > r.Right || r.Top > r.Bottom) return;
    // Per axis: the on-screen pixel span of the index range (fixed part and scrolled part
    // are adjacent on screen, so the union is one interval).
    auto span = [this](bool vertical, int lo, int hi, int& p1, int& p2) {
        const int fixed = vertical ? FFixedRows : FFixedCols;
        const int top = vertical ? FTopLeft.Y : FTopLeft.X;
        const int last = lastPartial(vertical);
        bool any = false;
        p1 = INT_MAX;
        p2 = INT_MIN;
        auto add = [&](int a, int b) {
            if (a > b) return;
            any = true;
            const int s = vertical ? rowPos(a) : colPos(a);
            const int e = (vertical ? rowPos(b) + rowExtent(b) : colPos(b) + colExtent(b)) + FGridLineWidth;
            p1 = std::min(p1, s);
            p2 = std::max(p2, e);
        };
        add(lo, std::min(hi, fixed - 1));
        add(std::max(lo, top), std::min(hi, last));
        return any;
    };
    int x1, x2, y1, y2;
    if (!span(false, r.Left, r.Right, x1, x2) || !span(true, r.Top, r.Bottom, y1, y2)) return;
    InvalidateRect(TRect{x1, y1, x2, y2});
}

void TCustomGrid::InvalidateRect(const TRect& r0) {
    TRect r{std::max(r0.Left, 0), std::max(r0.Top, 0), std::min(r0.Right, FClientWidth),
            std::min(r0.Bottom, FClientHeight)};
    if (r.IsEmpty()) return;
    if (FUpdateCount > 0) {
        if (!FPendingAny) FPendingRect = r;
        else
            FPendingRect = TRect{std::min(FPendingRect.Left, r.Left), std::min(FPendingRect.Top, r.Top),
                                 std::max(FPendingRect.Right, r.Right), std::max(FPendingRect.Bottom, r.Bottom)};
        FPendingAny = true;
        return;
    }
    if (FHost) FHost->InvalidateRect(r);
}

void TCustomGrid::Invalidate() { InvalidateRect(TRect{0, 0, FClientWidth, FClientHeight}); }

void TCustomGrid::BeginUpdate() { ++FUpdateCount; }

void TCustomGrid::EndUpdate() {
    if (FUpdateCount <= 0) return;
    if (--FUpdateCount == 0) flushUpdate();
}

void TCustomGrid::flushUpdate() {
    if (FPendingAny) {
        FPendingAny = false;
        InvalidateRect(FPendingRect);
    }
    if (FPendingScrollBars) {
        FPendingScrollBars = false;
        UpdateScrollBars();
    }
}

void TCustomGrid::UpdateScrollBars() {
    if (FUpdateCount > 0) {
        FPendingScrollBars = true;
        return;
    }
    if (!FHost) return;
    const TGridCoord maxTL = MaxTopLeft();
    TGridScrollBarInfo h, v;
    h.Visible = (FScrollBars == ssHorizontal || FScrollBars == ssBoth) && maxTL.X > FFixedCols;
    h.Min = FFixedCols;
    h.Max = FColCount - 1;
    h.Page = std::max(1, FColCount - std::max(maxTL.X, FFixedCols));
    h.Position = FTopLeft.X;
    v.Visible = (FScrollBars == ssVertical || FScrollBars == ssBoth) && maxTL.Y > FFixedRows;
    v.Min = FFixedRows;
    v.Max = FRowCount - 1;
    v.Page = std::max(1, FRowCount - std::max(maxTL.Y, FFixedRows));
    v.Position = FTopLeft.Y;
    if (FScrollBarsSent && h == FLastHorz && v == FLastVert) return;
    FScrollBarsSent = true;
    FLastHorz = h;
    FLastVert = v;
    FHost->UpdateScrollBars(h, v);
}

void TCustomGrid::ScrollBarMoved(bool vertical, int position, bool tracking) {
    if (tracking && !FOptions.Contains(goThumbTracking)) return;
    if (vertical) SetTopRow(position);
    else SetLeftCol(position);
}

// ---- Focus ---------------------------------------------------------------------------------

void TCustomGrid::SetFocus() {
    if (FHost) FHost->SetFocus();
    else if (!FFocused) FocusChanged(true);
}

bool TCustomGrid::Focused() const { return FHost ? FHost->Focused() : FFocused; }

void TCustomGrid::FocusChanged(bool focused) {
    if (focused == FFocused) return;
    FFocused = focused;
    if (focused) DoEnter();
    else DoExit();
    InvalidateCell(FCurrent.X, FCurrent.Y);
    const TGridRect sel = Selection();
    if (sel.Left >= 0) InvalidateGridRect(sel);
    if (focused) UpdateEdit();
}

void TCustomGrid::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TCustomGrid::DoExit() {
    if (OnExit) OnExit(this);
}

void TCustomGrid::Click() {
    if (OnClick) OnClick(this);
}

// ---- Hooks with defaults --------------------------------------------------------------------

bool TCustomGrid::SelectCell(int col, int row) {
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
    return canSelect;
}

void TCustomGrid::TopLeftChanged() {
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

void TCustomGrid::ColumnMoved(int fromIndex, int toIndex) {
    if (OnColumnMoved) OnColumnMoved(this, fromIndex, toIndex);
}

void TCustomGrid::RowMoved(int fromIndex, int toIndex) {
    if (OnRowMoved) OnRowMoved(this, fromIndex, toIndex);
}

void TCustomGrid::RowsInserted(int, int) {}
void TCustomGrid::RowsDeleted(int, int) {}
void TCustomGrid::ColumnsInserted(int, int) {}
void TCustomGrid::ColumnsDeleted(int, int) {}
void TCustomGrid::SizeChanged(int, int) {}

bool TCustomGrid::BeginColumnSize(int) { return true; }
void TCustomGrid::ColumnSizing(int, int&) {}
void TCustomGrid::EndColumnSize(int) {}
bool TCustomGrid::BeginRowSize(int) { return true; }
void TCustomGrid::RowSizing(int, int&) {}
void TCustomGrid::EndRowSize(int) {}
bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::BeginRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndRowDrag(int&, int&, TPoint) { return true; }

bool TCustomGrid::HintRequest(int, int, QString&, TPoint&) { return false; }

// ---- In-place editor -----------------------------------------------------------------------

bool TCustomGrid::CanEditShow() {
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) && FEditorMode &&
           (FOptions.Contains(goAlwaysShowEditor) || Focused());
}

bool TCustomGrid::CanEditModify() { return true; }

TInplaceEditorSpec TCustomGrid::CreateEditor() {
    TInplaceEditorSpec spec;
    spec.Color = FColor;
    return spec;
}

QString TCustomGrid::GetEditText(int col, int row) {
    QString value;
    if (OnGetEditText) OnGetEditText(this, col, row, value);
    return value;
}

void TCustomGrid::SetEditText(int col, int row, const QString& value) {
    if (OnSetEditText) OnSetEditText(this, col, row, value);
}

void TCustomGrid::SetEditorMode(bool value) {
    if (value) ShowEditor();
    else HideEditor();
}

void TCustomGrid::ShowEditor() {
    FEditorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor() {
    FEditorMode = false;
    HideEdit();
}

void TCustomGrid::UpdateEdit() {
    if (!CanEditShow()) return;
    if (EditorVisible() && FInplaceCol == FCurrent.X && FInplaceRow == FCurrent.Y) {
        if (FHost) FHost->MoveEditor(CellRect(FCurrent.X, FCurrent.Y));
        return;
    }
    if (EditorVisible()) HideEdit();
    if (FCurrent.X < FFixedCols || FCurrent.Y < FFixedRows) return;   // never on a fixed cell
    const int col = FCurrent.X;
    const int row = FCurrent.Y;
    const QString text = GetEditText(col, row);
    FEditorSpec = CreateEditor();
    FCanEditModify = CanEditModify();
    if (!FCanEditModify) FEditorSpec.ReadOnly = true;
    // GetEditText or CreateEditor may have moved things; open only if still wanted here.
    if (!CanEditShow() || col != FCurrent.X || row != FCurrent.Y || EditorVisible()) return;
    FInplaceCol = col;
    FInplaceRow = row;
    FEditOriginal = text;
    FEmulatedEditText = text;
    FEmulatedAllSelected = FEditorSpec.SelectAll;
    if (FHost) FHost->ShowEditor(CellRect(col, row), FEditorSpec, text);
}

void TCustomGrid::HideEdit() {
    if (!EditorVisible()) return;
    const int col = FInplaceCol;
    const int row = FInplaceRow;
    const QString text = InplaceEditorText();
    FInplaceCol = -1;
    FInplaceRow = -1;
    if (FHost) FHost->HideEditor();
    SetEditText(col, row, text);
}

QString TCustomGrid::InplaceEditorText() const { return FHost ? FHost->EditorText() : FEmulatedEditText; }

void TCustomGrid::SetInplaceEditorText(const QString& text) {
    FEmulatedEditText = text;
    FEmulatedAllSelected = false;
    if (FHost) FHost->SetEditorText(text);
}

void TCustomGrid::CellChangedUnderEditor(int col, int row) {
    if (FEditUpdate > 0 || !EditorVisible() || col != FInplaceCol || row != FInplaceRow) return;
    SetInplaceEditorText(GetEditText(col, row));
}

void TCustomGrid::EditorTextChanged(const QString& text) {
    FEmulatedEditText = text;
    if (EditorVisible()) SetEditText(FInplaceCol, FInplaceRow, text);
}

void TCustomGrid::EditorExit() {}

void TCustomGrid::showEditorChar(QChar ch) {
    ShowEditor();
    if (!EditorVisible()) {
        KeyPress(ch);
        return;
    }
    if (FHost) {
        FHost->EditorTypeChar(ch);
        return;
    }
    // Without a host the emulated editor takes the character as a one-line edit would.
    QChar c = ch;
    if (EditorKeyPress(c) || !EditorVisible()) return;
    QString text = FEmulatedAllSelected ? QString() : FEmulatedEditText;
    if (c == QChar(0x08)) text.chop(1);
    else text.append(c);
    FEmulatedAllSelected = false;
    EditorTextChanged(text);
}

// ---- Posted notifications --------------------------------------------------------------------

void TCustomGrid::Post(std::function<void()> fn) {
    if (!fn) return;
    if (FHost) FHost->Post(std::move(fn));
    else FPosted.push_back(std::move(fn));
}

void TCustomGrid::ProcessPosted() {
    size_t n = FPosted.size();
    while (n-- > 0 && !FPosted.empty()) {
        auto fn = std::move(FPosted.front());
        FPosted.pop_front();
        fn();
    }
}
