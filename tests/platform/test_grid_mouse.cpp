// Mouse handling of TCustomGrid: drag selection with autoscroll, Shift+click, column and
// row sizing hooks, column and row moving, hot and pressed fixed cells, the wheel.
#include "Grids.h"

#include <gtest/gtest.h>

namespace {

struct THookGrid : TStringGrid {
    std::vector<std::string> calls;
    bool allowSize = true;
    int clampWidth = 0;   // > 0: ColumnSizing limits the proposed width
    bool allowColDrag = true;
    bool BeginColumnSize(int col) override {
        calls.push_back("begin " + std::to_string(col));
        return allowSize;
    }
    void ColumnSizing(int col, int& width) override {
        calls.push_back("sizing " + std::to_string(col) + " " + std::to_string(width));
        if (clampWidth > 0 && width > clampWidth) width = clampWidth;
    }
    void EndColumnSize(int col) override { calls.push_back("end " + std::to_string(col)); }
    bool BeginRowSize(int row) override {
        calls.push_back("beginrow " + std::to_string(row));
        return allowSize;
    }
    void RowSizing(int row, int& height) override {
        calls.push_back("rowsizing " + std::to_string(row) + " " + std::to_string(height));
    }
    void EndRowSize(int row) override { calls.push_back("endrow " + std::to_string(row)); }
    bool BeginColumnDrag(int& origin, int&, TPoint) override {
        calls.push_back("drag " + std::to_string(origin));
        return allowColDrag;
    }
    void ColumnMoved(int from, int to) override {
        calls.push_back("moved " + std::to_string(from) + ">" + std::to_string(to));
        TStringGrid::ColumnMoved(from, to);
    }
    void RowMoved(int from, int to) override {
        calls.push_back("rowmoved " + std::to_string(from) + ">" + std::to_string(to));
        TStringGrid::RowMoved(from, to);
    }
};

struct GridMouse : ::testing::Test {
    THookGrid g;
    GridMouse() {
        g.SetColCount(10);
        g.SetRowCount(100);
        g.SetClientSize(400, 300);
    }
    TPoint inside(int col, int row) const {
        const TRect r = g.CellRect(col, row);
        return TPoint{r.Left + 5, r.Top + 5};
    }
    void press(TPoint p, TShiftState s = {}) { g.MouseDown(mbLeft, s, p.X, p.Y); }
    void move(TPoint p) { g.MouseMove(TShiftState{ssLeft}, p.X, p.Y); }
    void release(TPoint p) { g.MouseUp(mbLeft, TShiftState{}, p.X, p.Y); }
};

TEST_F(GridMouse, DragSelectsARangeAndKeepsTheCurrentCell) {
    press(inside(2, 2));
    EXPECT_EQ(g.GridState(), gsSelecting);
    move(inside(4, 5));
    release(inside(4, 5));
    EXPECT_EQ(g.Selection(), (TGridRect{2, 2, 4, 5}));
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 2);
    EXPECT_EQ(g.GridState(), gsNormal);
}

TEST_F(GridMouse, ShiftClickExtendsFromTheCurrentCell) {
    press(inside(3, 3));
    release(inside(3, 3));
    press(inside(1, 6), TShiftState{ssShift});
    release(inside(1, 6));
    EXPECT_EQ(g.Selection(), (TGridRect{1, 3, 3, 6}));
}

TEST_F(GridMouse, DragOutsideAutoscrollsOnTimerTicks) {
    press(inside(2, 5));
    g.MouseMove(TShiftState{ssLeft}, 100, 350);   // below the client area
    const int lastRow = g.Selection().Bottom;
    EXPECT_EQ(lastRow, g.LastVisibleRow());
    g.DragScrollTick();
    g.DragScrollTick();
    EXPECT_EQ(g.TopRow(), 3);
    EXPECT_EQ(g.Selection().Bottom, g.LastVisibleRow());
    release(TPoint{100, 350});
    g.DragScrollTick();   // not dragging any more: nothing happens
    EXPECT_EQ(g.TopRow(), 3);
}

TEST_F(GridMouse, ColumnSizingHooksAndVeto) {
    g.SetOptions(g.Options() + goColSizing);
    const int edge = g.CellRect(2, 0).Right;   // the line after column 2
    press(TPoint{edge, 10});
    EXPECT_EQ(g.GridState(), gsColSizing);
    move(TPoint{edge + 20, 10});
    EXPECT_EQ(g.ColWidths(2), 84);
    g.clampWidth = 90;
    move(TPoint{edge + 50, 10});
    EXPECT_EQ(g.ColWidths(2), 90);
    release(TPoint{edge + 50, 10});
    EXPECT_EQ(g.calls, (std::vector<std::string>{"begin 2", "sizing 2 84", "sizing 2 114", "end 2"}));
    // A veto leaves the press to the cell under the pointer.
    g.calls.clear();
    g.allowSize = false;
    const int edge2 = g.CellRect(3, 0).Right;
    press(TPoint{edge2, 10});
    EXPECT_EQ(g.GridState(), gsNormal);
    move(TPoint{edge2 + 20, 10});
    release(TPoint{edge2 + 20, 10});
    EXPECT_EQ(g.ColWidths(3), 64);
    EXPECT_EQ(g.calls, (std::vector<std::string>{"begin 3"}));
}

TEST_F(GridMouse, RowSizingInTheFixedColumn) {
    g.SetOptions(g.Options() + goRowSizing);
    const int edge = g.CellRect(0, 1).Bottom;
    press(TPoint{10, edge});
    move(TPoint{10, edge + 6});
    release(TPoint{10, edge + 6});
    EXPECT_EQ(g.RowHeights(1), 30);
    EXPECT_EQ(g.calls, (std::vector<std::string>{"beginrow 1", "rowsizing 1 30", "endrow 1"}));
}

TEST_F(GridMouse, ColumnMovingEndsInColumnMoved) {
    g.SetOptions(g.Options() + goColMoving);
    g.SetCells(2, 1, "moving");
    press(inside(2, 0));
    EXPECT_EQ(g.GridState(), gsColMoving);
    EXPECT_EQ(g.PressedCol(), 2);
    move(inside(4, 0));
    release(inside(4, 0));
    EXPECT_EQ(g.calls, (std::vector<std::string>{"drag 2", "moved 2>4"}));
    EXPECT_EQ(g.Cells(4, 1), "moving");
    EXPECT_EQ(g.PressedCol(), -1);
    // Refused at the start: nothing moves.
    g.calls.clear();
    g.allowColDrag = false;
    press(inside(1, 0));
    move(inside(3, 0));
    release(inside(3, 0));
    EXPECT_EQ(g.calls, (std::vector<std::string>{"drag 1"}));
}

TEST_F(GridMouse, RowMovingInTheFixedColumn) {
    g.SetOptions(g.Options() + goRowMoving);
    g.SetCells(1, 5, "row5");
    press(inside(0, 5));
    move(inside(0, 2));
    release(inside(0, 2));
    EXPECT_EQ(g.calls, (std::vector<std::string>{"rowmoved 5>2"}));
    EXPECT_EQ(g.Cells(1, 2), "row5");
}

TEST_F(GridMouse, HotTrackingOfFixedCells) {
    g.MouseMove(TShiftState{}, inside(3, 0).X, inside(3, 0).Y);
    EXPECT_EQ(g.HotCol(), 3);
    EXPECT_EQ(g.HotRow(), 0);
    g.MouseMove(TShiftState{}, inside(3, 3).X, inside(3, 3).Y);   // a normal cell is not hot
    EXPECT_EQ(g.HotCol(), -1);
    g.MouseMove(TShiftState{}, inside(0, 4).X, inside(0, 4).Y);
    EXPECT_EQ(g.HotRow(), 4);
    g.MouseLeave();
    EXPECT_EQ(g.HotRow(), -1);
}

TEST_F(GridMouse, WheelHookRunsFirstThenRowsMove) {
    g.FocusCell(2, 10, true);
    g.DoMouseWheel(TShiftState{}, -240, TPoint{});
    EXPECT_EQ(g.Row(), 12);
    g.DoMouseWheel(TShiftState{}, 60, TPoint{});   // half a notch: nothing yet
    EXPECT_EQ(g.Row(), 12);
    g.DoMouseWheel(TShiftState{}, 60, TPoint{});
    EXPECT_EQ(g.Row(), 11);
    int downs = 0;
    g.OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& handled) {
        ++downs;
        handled = true;
    };
    g.DoMouseWheel(TShiftState{}, -120, TPoint{});
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(g.Row(), 11);
    // A huge delta is bounded by the rows it could move.
    g.OnMouseWheelDown = nullptr;
    g.DoMouseWheel(TShiftState{}, -2000000000, TPoint{});
    EXPECT_EQ(g.Row(), 99);
}

TEST_F(GridMouse, DoubleClickFiresOnDblClickAndMouseDownWithDouble) {
    int dbl = 0;
    TShiftState seen;
    g.OnDblClick = [&](TObject*) { ++dbl; };
    g.OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int, int) { seen = s; };
    g.DblClick(mbLeft, TShiftState{}, 100, 100);
    EXPECT_EQ(dbl, 1);
    EXPECT_TRUE(seen.Contains(ssDouble));
}

}  // namespace
