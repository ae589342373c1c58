// TCustomGrid mouse handling: clicks and drag selection with autoscroll, column and row
// sizing and moving in the fixed areas, hot and pressed fixed cells, and the wheel.
#include "Grids.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kWheelNotch = 120;
}

TGridCoord TCustomGrid::clampedCoordAt(int x, int y) const {
    // The scrollable cell nearest to a point (drags outside the cells land on the edge).
    const int lastCol = std::max(FTopLeft.X, lastPartial(false));
    const int lastRow = std::max(FTopLeft.Y, lastPartial(true));
    const TRect last = CellRect(std::min(lastCol, FColCount - 1), std::min(lastRow, FRowCount - 1));
    x = std::clamp(x, FixedWidth(), std::max(FixedWidth(), std::min(FClientWidth, last.Right) - 1));
    y = std::clamp(y, FixedHeight(), std::max(FixedHeight(), std::min(FClientHeight, last.Bottom) - 1));
    TGridCoord c = MouseCoord(x, y);
    if (c.X < FFixedCols) c.X = std::min(FTopLeft.X, FColCount - 1);
    if (c.Y < FFixedRows) c.Y = std::min(FTopLeft.Y, FRowCount - 1);
    return c;
}

void TCustomGrid::setHot(TGridCoord c) {
    if (c == FHot) return;
    const TGridCoord old = FHot;
    FHot = c;
    if (old.X >= 0 && old.Y >= 0) InvalidateCell(old.X, old.Y);
    if (c.X >= 0 && c.Y >= 0) InvalidateCell(c.X, c.Y);
}

void TCustomGrid::setPressed(TGridCoord c) {
    if (c == FPressed) return;
    const TGridCoord old = FPressed;
    FPressed = c;
    if (old.X >= 0 && old.Y >= 0) InvalidateCell(old.X, old.Y);
    if (c.X >= 0 && c.Y >= 0) InvalidateCell(c.X, c.Y);
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (!Focused()) SetFocus();
    FLastMouse = TPoint{x, y};
    FMouseDown = true;
    if (button == mbLeft && FGridState == gsNormal) {
        int index = -1;
        const TGridState zone = SizingZone(x, y, &index);
        bool started = false;
        if (zone == gsColSizing && BeginColumnSize(index)) {
            FGridState = gsColSizing;
            FSizingIndex = index;
            FSizingStart = x;
            FSizingOrig = ColWidths(index);
            if (FHost) FHost->SetCursor(gcColSize);
            started = true;
        } else if (zone == gsRowSizing && BeginRowSize(index)) {
            FGridState = gsRowSizing;
            FSizingIndex = index;
            FSizingStart = y;
            FSizingOrig = RowHeights(index);
            if (FHost) FHost->SetCursor(gcRowSize);
            started = true;
        }
        if (!started) {
            const TGridCoord hit = MouseCoord(x, y);
            if (hit.X >= FFixedCols && hit.Y >= FFixedRows) {
                if (FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect)) {
                    if (hit == FCurrent) ShowEditor();
                    else {
                        MoveCurrent(hit.X, hit.Y, true, true);
                        UpdateEdit();
                    }
                    Click();
                } else {
                    FGridState = gsSelecting;
                    if (shift.Contains(ssShift)) MoveAnchor(hit.X, hit.Y);
                    else MoveCurrent(hit.X, hit.Y, true, true);
                }
            } else if (hit.X >= 0 && hit.Y >= 0) {
                setPressed(hit);
                const TPoint pt{x, y};
                if (FOptions.Contains(goRowMoving) && hit.X < FFixedCols && hit.Y >= FFixedRows) {
                    int origin = hit.Y, dest = hit.Y;
                    if (BeginRowDrag(origin, dest, pt) && origin >= FFixedRows && origin < FRowCount) {
                        FGridState = gsRowMoving;
                        FMoveIndex = origin;
                        FMovePos = std::clamp(dest, FFixedRows, FRowCount - 1);
                        if (FHost) FHost->SetCursor(gcMove);
                    }
                } else if (FOptions.Contains(goColMoving) && hit.Y < FFixedRows && hit.X >= FFixedCols) {
                    int origin = hit.X, dest = hit.X;
                    if (BeginColumnDrag(origin, dest, pt) && origin >= FFixedCols && origin < FColCount) {
                        FGridState = gsColMoving;
                        FMoveIndex = origin;
                        FMovePos = std::clamp(dest, FFixedCols, FColCount - 1);
                        if (FHost) FHost->SetCursor(gcMove);
                    }
                }
            }
        }
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TCustomGrid::dragSelectTo(int x, int y) {
    const TGridCoord c = clampedCoordAt(x, y);
    if (FOptions.Contains(goRangeSelect)) {
        if (!(c == FAnchor)) MoveAnchor(c.X, c.Y);
    } else if (!(c == FCurrent)) {
        MoveCurrent(c.X, c.Y, true, false);
    }
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    FLastMouse = TPoint{x, y};
    const TPoint pt{x, y};
    switch (FGridState) {
    case gsSelecting: dragSelectTo(x, y); break;
    case gsColSizing: {
        int width = std::max(1, FSizingOrig + (x - FSizingStart));
        ColumnSizing(FSizingIndex, width);
        SetColWidths(FSizingIndex, width);
        break;
    }
    case gsRowSizing: {
        int height = std::max(1, FSizingOrig + (y - FSizingStart));
        RowSizing(FSizingIndex, height);
        SetRowHeights(FSizingIndex, height);
        break;
    }
    case gsColMoving: {
        int origin = FMoveIndex;
        int dest = clampedCoordAt(x, FixedHeight()).X;
        if (CheckColumnDrag(origin, dest, pt) && dest >= FFixedCols && dest < FColCount && dest != FMovePos) {
            FMovePos = dest;
            Invalidate();
        }
        break;
    }
    case gsRowMoving: {
        int origin = FMoveIndex;
        int dest = clampedCoordAt(FixedWidth(), y).Y;
        if (CheckRowDrag(origin, dest, pt) && dest >= FFixedRows && dest < FRowCount && dest != FMovePos) {
            FMovePos = dest;
            Invalidate();
        }
        break;
    }
    case gsNormal: {
        const TGridCoord hit = MouseCoord(x, y);
        const bool fixedCell = hit.X >= 0 && hit.Y >= 0 && (hit.X < FFixedCols || hit.Y < FFixedRows);
        setHot(fixedCell ? hit : TGridCoord{-1, -1});
        if (FHost) {
            const TGridState zone = SizingZone(x, y);
            FHost->SetCursor(zone == gsColSizing ? gcColSize : zone == gsRowSizing ? gcRowSize : gcDefault);
        }
        break;
    }
    }
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FLastMouse = TPoint{x, y};
    const TPoint pt{x, y};
    const TGridState state = FGridState;
    FGridState = gsNormal;
    switch (state) {
    case gsSelecting:
        FGridState = gsSelecting;   // the last position still extends the selection
        dragSelectTo(x, y);
        FGridState = gsNormal;
        UpdateEdit();
        Click();
        break;
    case gsColSizing: EndColumnSize(FSizingIndex); break;
    case gsRowSizing: EndRowSize(FSizingIndex); break;
    case gsColMoving: {
        int origin = FMoveIndex, dest = FMovePos;
        Invalidate();   // the move indicator goes away
        if (EndColumnDrag(origin, dest, pt) && origin != dest) MoveColumn(origin, dest);
        break;
    }
    case gsRowMoving: {
        int origin = FMoveIndex, dest = FMovePos;
        Invalidate();
        if (EndRowDrag(origin, dest, pt) && origin != dest) MoveRow(origin, dest);
        break;
    }
    case gsNormal: break;
    }
    FSizingIndex = FMoveIndex = FMovePos = -1;
    FMouseDown = false;
    setPressed(TGridCoord{-1, -1});
    if (FHost && state != gsNormal && state != gsSelecting) FHost->SetCursor(gcDefault);
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TCustomGrid::DblClick(TMouseButton button, TShiftState shift, int x, int y) {
    FLastMouse = TPoint{x, y};
    if (button == mbLeft && OnDblClick) OnDblClick(this);
    if (OnMouseDown) OnMouseDown(this, button, shift + ssDouble, x, y);
}

void TCustomGrid::MouseLeave() { setHot(TGridCoord{-1, -1}); }

void TCustomGrid::DragScrollTick() {
    if (FGridState != gsSelecting && FGridState != gsColMoving && FGridState != gsRowMoving) return;
    const int x = FLastMouse.X;
    const int y = FLastMouse.Y;
    TGridCoord tl = FTopLeft;
    if (FGridState != gsRowMoving) {
        if (x < FixedWidth()) --tl.X;
        else if (x >= FClientWidth) ++tl.X;
    }
    if (FGridState != gsColMoving) {
        if (y < FixedHeight()) --tl.Y;
        else if (y >= FClientHeight) ++tl.Y;
    }
    if (tl == FTopLeft) return;
    MoveTopLeft(tl.X, tl.Y);
    // The pointer has not moved, but the cells under it have.
    if (FGridState == gsSelecting) dragSelectTo(x, y);
    else MouseMove(TShiftState{}, x, y);
}

bool TCustomGrid::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled) return true;
    FWheelAccumulator += wheelDelta;
    long long notches = FWheelAccumulator / kWheelNotch;
    FWheelAccumulator -= notches * kWheelNotch;
    // Each notch moves at most one row: more notches than rows change nothing.
    notches = std::clamp<long long>(notches, -(long long)FRowCount - 1, (long long)FRowCount + 1);
    bool result = false;
    for (; notches > 0; --notches) result = DoMouseWheelUp(shift, mousePos) || result;
    for (; notches < 0; ++notches) result = DoMouseWheelDown(shift, mousePos) || result;
    return result;
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, shift, mousePos, handled);
    if (handled) return true;
    if (FCurrent.Y < FRowCount - 1) SetRow(FCurrent.Y + 1);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, shift, mousePos, handled);
    if (handled) return true;
    if (FCurrent.Y > FFixedRows) SetRow(FCurrent.Y - 1);
    return true;
}
