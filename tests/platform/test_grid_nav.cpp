// Key navigation, the SelectCell veto, the anchor and scroll clamping of TCustomGrid.
#include "Grids.h"

#include <gtest/gtest.h>

namespace {

// 10 x 100 cells, one fixed row and column, 400 x 300 client: columns are 64 + 1 pixels,
// rows 24 + 1, so columns 1-5 and rows 1-11 are fully visible at the top-left.
struct TNavGrid : TStringGrid {
    TNavGrid() {
        SetColCount(10);
        SetRowCount(100);
        SetClientSize(400, 300);
    }
};

struct TNavCase {
    const char* name;
    TGridOptions extra;
    TGridCoord start;
    int startTop;
    TKey key;
    TShiftState shift;
    TGridCoord cur;
    int top;
    int left;
    TGridRect sel;   // Left < 0: the collapsed current cell (row-select: whole row)
};

class GridNav : public ::testing::TestWithParam<TNavCase> {};

TEST_P(GridNav, KeyMovesCurrentCellAndScrolls) {
    const TNavCase& tc = GetParam();
    TNavGrid g;
    g.SetOptions(g.Options() + tc.extra);
    g.FocusCell(tc.start.X, tc.start.Y, true);
    g.SetTopRow(tc.startTop);
    TKey key = tc.key;
    g.KeyDown(key, tc.shift);
    EXPECT_EQ(g.Col(), tc.cur.X);
    EXPECT_EQ(g.Row(), tc.cur.Y);
    EXPECT_EQ(g.TopRow(), tc.top);
    EXPECT_EQ(g.LeftCol(), tc.left);
    TGridRect sel = tc.sel;
    if (sel.Left < 0) {
        sel = TGridRect{g.Col(), g.Row(), g.Col(), g.Row()};
        if (tc.extra.Contains(goRowSelect)) sel = TGridRect{1, g.Row(), 9, g.Row()};
    }
    EXPECT_EQ(g.Selection(), sel);
}

const TShiftState none{};
const TShiftState shift{ssShift};
const TShiftState ctrl{ssCtrl};
const TGridOptions rowSel{goRowSelect};
const TGridOptions tabs{goTabs};
const TGridRect collapsed{-1, -1, -1, -1};

INSTANTIATE_TEST_SUITE_P(
    Keys, GridNav,
    ::testing::Values(
        TNavCase{"Up", {}, {3, 15}, 10, VK_UP, none, {3, 14}, 10, 1, collapsed},
        TNavCase{"Down", {}, {3, 15}, 10, VK_DOWN, none, {3, 16}, 10, 1, collapsed},
        TNavCase{"DownScrolls", {}, {3, 20}, 10, VK_DOWN, none, {3, 21}, 11, 1, collapsed},
        TNavCase{"UpAtFirstRowStays", {}, {3, 1}, 1, VK_UP, none, {3, 1}, 1, 1, collapsed},
        TNavCase{"Left", {}, {3, 15}, 10, VK_LEFT, none, {2, 15}, 10, 1, collapsed},
        TNavCase{"LeftAtFirstColStays", {}, {1, 15}, 10, VK_LEFT, none, {1, 15}, 10, 1, collapsed},
        TNavCase{"Right", {}, {3, 15}, 10, VK_RIGHT, none, {4, 15}, 10, 1, collapsed},
        TNavCase{"RightScrolls", {}, {5, 15}, 10, VK_RIGHT, none, {6, 15}, 10, 2, collapsed},
        TNavCase{"PageDown", {}, {3, 15}, 10, VK_NEXT, none, {3, 26}, 21, 1, collapsed},
        TNavCase{"PageUp", {}, {3, 15}, 10, VK_PRIOR, none, {3, 4}, 1, 1, collapsed},
        TNavCase{"PageDownAtEnd", {}, {3, 95}, 89, VK_NEXT, none, {3, 99}, 89, 1, collapsed},
        TNavCase{"Home", {}, {3, 15}, 10, VK_HOME, none, {1, 15}, 10, 1, collapsed},
        TNavCase{"End", {}, {3, 15}, 10, VK_END, none, {9, 15}, 10, 5, collapsed},
        TNavCase{"CtrlHome", {}, {3, 15}, 10, VK_HOME, ctrl, {1, 1}, 1, 1, collapsed},
        TNavCase{"CtrlEnd", {}, {3, 15}, 10, VK_END, ctrl, {9, 99}, 89, 5, collapsed},
        TNavCase{"CtrlPageUp", {}, {3, 15}, 10, VK_PRIOR, ctrl, {3, 10}, 10, 1, collapsed},
        TNavCase{"CtrlPageDown", {}, {3, 15}, 10, VK_NEXT, ctrl, {3, 20}, 10, 1, collapsed},
        TNavCase{"CtrlUpScrollsOnly", {}, {3, 15}, 10, VK_UP, ctrl, {3, 15}, 9, 1, collapsed},
        TNavCase{"CtrlDownScrollsOnly", {}, {3, 15}, 10, VK_DOWN, ctrl, {3, 15}, 11, 1, collapsed},
        TNavCase{"CtrlRightPage", {}, {3, 15}, 10, VK_RIGHT, ctrl, {8, 15}, 10, 5, collapsed},
        TNavCase{"CtrlLeftPage", {}, {8, 15}, 10, VK_LEFT, ctrl, {3, 15}, 10, 1, collapsed},
        TNavCase{"ShiftDownStretches", {}, {3, 15}, 10, VK_DOWN, shift, {3, 16}, 10, 1, {3, 15, 3, 16}},
        TNavCase{"ShiftLeftStretches", {}, {3, 15}, 10, VK_LEFT, shift, {2, 15}, 10, 1, {2, 15, 3, 15}},
        TNavCase{"ShiftEnd", {}, {3, 15}, 10, VK_END, shift, {9, 15}, 10, 5, {3, 15, 9, 15}},
        TNavCase{"ShiftCtrlHome", {}, {3, 15}, 10, VK_HOME, ctrl + ssShift, {1, 1}, 1, 1, {1, 1, 3, 15}},
        TNavCase{"TabWithoutGoTabsDoesNothing", {}, {3, 15}, 10, VK_TAB, none, {3, 15}, 10, 1, collapsed},
        TNavCase{"Tab", tabs, {3, 15}, 10, VK_TAB, none, {4, 15}, 10, 1, collapsed},
        TNavCase{"ShiftTabGoesBackWithoutStretching", tabs, {3, 15}, 10, VK_TAB, shift, {2, 15}, 10, 1,
                 collapsed},
        TNavCase{"TabWrapsToNextRow", tabs, {9, 15}, 10, VK_TAB, none, {1, 16}, 10, 1, collapsed},
        TNavCase{"ShiftTabWrapsToPreviousRow", tabs, {1, 15}, 10, VK_TAB, shift, {9, 14}, 10, 5, collapsed},
        TNavCase{"TabWrapsAtGridEnd", tabs, {9, 99}, 89, VK_TAB, none, {1, 1}, 1, 1, collapsed},
        TNavCase{"RowSelectDown", rowSel, {3, 15}, 10, VK_DOWN, none, {1, 16}, 10, 1, collapsed},
        TNavCase{"RowSelectRightScrolls", rowSel, {3, 15}, 10, VK_RIGHT, none, {1, 15}, 10, 2, collapsed},
        TNavCase{"RowSelectLeftAtStart", rowSel, {3, 15}, 10, VK_LEFT, none, {1, 15}, 10, 1, collapsed},
        TNavCase{"RowSelectHome", rowSel, {3, 15}, 10, VK_HOME, none, {1, 1}, 1, 1, collapsed},
        TNavCase{"RowSelectEnd", rowSel, {3, 15}, 10, VK_END, none, {1, 99}, 89, 1, collapsed},
        TNavCase{"RowSelectShiftDown", rowSel, {3, 15}, 10, VK_DOWN, shift, {1, 16}, 10, 1, {1, 15, 9, 16}},
        TNavCase{"RowSelectCtrlRightDoesNothing", rowSel, {3, 15}, 10, VK_RIGHT, ctrl, {1, 15}, 10, 1,
                 collapsed},
        TNavCase{"RowSelectCtrlEnd", rowSel, {3, 15}, 10, VK_END, ctrl, {1, 99}, 89, 1, collapsed}),
    [](const ::testing::TestParamInfo<TNavCase>& info) { return std::string(info.param.name); });

TEST(GridNavRules, WithoutRangeSelectShiftDoesNotStretch) {
    TNavGrid g;
    g.SetOptions(g.Options() - goRangeSelect);
    g.FocusCell(3, 5, true);
    TKey key = VK_DOWN;
    g.KeyDown(key, TShiftState{ssShift});
    EXPECT_EQ(g.Selection(), (TGridRect{3, 6, 3, 6}));
}

TEST(GridNavRules, AnchorStaysWhileShiftMovesAndPlainMoveCollapses) {
    TNavGrid g;
    g.FocusCell(3, 5, true);
    for (TKey k : {VK_DOWN, VK_DOWN, VK_RIGHT}) {
        TKey key = k;
        g.KeyDown(key, TShiftState{ssShift});
    }
    EXPECT_EQ(g.Anchor(), (TGridCoord{3, 5}));
    EXPECT_EQ(g.Selection(), (TGridRect{3, 5, 4, 7}));
    TKey up = VK_UP;
    g.KeyDown(up, TShiftState{ssShift});
    TKey left = VK_LEFT;
    g.KeyDown(left, TShiftState{ssShift});
    TKey left2 = VK_LEFT;
    g.KeyDown(left2, TShiftState{ssShift});
    EXPECT_EQ(g.Selection(), (TGridRect{2, 5, 3, 6}));   // crossing the anchor flips the rectangle
    TKey down = VK_DOWN;
    g.KeyDown(down, TShiftState{});
    EXPECT_EQ(g.Selection(), (TGridRect{2, 7, 2, 7}));
    EXPECT_EQ(g.Anchor(), (TGridCoord{2, 7}));
}

TEST(GridNavRules, SelectCellVetoKeepsTheCurrentCellForEveryKindOfMove) {
    TNavGrid g;
    std::vector<TGridCoord> asked;
    g.OnSelectCell = [&](TObject*, int c, int r, bool& can) {
        asked.push_back({c, r});
        can = c != 4 && r != 8;
    };
    g.FocusCell(3, 5, true);
    TKey right = VK_RIGHT;
    g.KeyDown(right, TShiftState{});
    EXPECT_EQ(g.Col(), 3);
    EXPECT_EQ(asked.back(), (TGridCoord{4, 5}));
    g.SetRow(8);
    EXPECT_EQ(g.Row(), 5);
    g.SetCol(2);
    EXPECT_EQ(g.Col(), 2);
    // The mouse: a click on a refused cell does not move either.
    const TRect r = g.CellRect(4, 6);
    g.MouseDown(mbLeft, TShiftState{}, r.Left + 2, r.Top + 2);
    g.MouseUp(mbLeft, TShiftState{}, r.Left + 2, r.Top + 2);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 5);
    // The wheel asks too.
    g.FocusCell(2, 7, true);
    g.DoMouseWheel(TShiftState{}, -120, TPoint{10, 10});
    EXPECT_EQ(g.Row(), 7);
}

TEST(GridNavRules, SelectCellMaySwitchEditingForTheTarget) {
    TNavGrid g;
    g.OnSelectCell = [&](TObject*, int c, int, bool&) {
        TGridOptions o = g.Options();
        if (c == 2) o.Include(goEditing);
        else o.Exclude(goEditing);
        g.SetOptions(o);
    };
    g.SetFocus();
    g.FocusCell(2, 3, true);
    EXPECT_TRUE(g.Options().Contains(goEditing));
    g.CharTyped(QChar('a'));
    EXPECT_TRUE(g.EditorVisible());
    TKey right = VK_RIGHT;
    g.KeyDown(right, TShiftState{});
    EXPECT_FALSE(g.Options().Contains(goEditing));
    EXPECT_FALSE(g.EditorVisible());
    EXPECT_EQ(g.Cells(2, 3), "a");
}

TEST(GridNavRules, ScrollPositionsAreClamped) {
    TNavGrid g;
    g.SetTopRow(-5);
    EXPECT_EQ(g.TopRow(), 1);
    g.SetTopRow(1000);
    EXPECT_EQ(g.TopRow(), 89);
    EXPECT_EQ(g.MaxTopLeft(), (TGridCoord{5, 89}));
    EXPECT_EQ(g.VisibleRowCount(), 11);
    g.SetLeftCol(50);
    EXPECT_EQ(g.LeftCol(), 5);
    EXPECT_EQ(g.VisibleColCount(), 5);
    // Growing the client area pulls the top back so the last page stays full.
    g.SetClientSize(400, 600);
    EXPECT_EQ(g.TopRow(), 100 - 23);
    // Shrinking the row count clamps top row and current row.
    g.FocusCell(3, 90, true);
    g.SetRowCount(20);
    EXPECT_EQ(g.Row(), 19);
    EXPECT_EQ(g.TopRow(), 1);
    int notified = 0;
    g.OnTopLeftChanged = [&](TObject*) { ++notified; };
    g.SetClientSize(400, 300);
    g.SetTopRow(5);
    g.SetTopRow(5);
    EXPECT_EQ(notified, 1);
}

TEST(GridNavRules, MovesNeverLandOnFixedCells) {
    TNavGrid g;
    g.SetFixedCols(2);
    g.SetFixedRows(3);
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 3);
    g.FocusCell(0, 0, true);
    EXPECT_EQ(g.Col(), 0);   // code may go anywhere; keys move back into the scrollable cells
    TKey down = VK_DOWN;
    g.KeyDown(down, TShiftState{});
    EXPECT_EQ(g.Col(), 2);
    EXPECT_EQ(g.Row(), 3);
}

TEST(GridNavRules, KeyConsumedByOnKeyDownDoesNotMove) {
    TNavGrid g;
    g.OnKeyDown = [](TObject*, TKey& k, TShiftState) {
        if (k == VK_DOWN) k = 0;
    };
    TKey down = VK_DOWN;
    g.KeyDown(down, TShiftState{});
    EXPECT_EQ(g.Row(), 1);
    TKey up = VK_RIGHT;
    g.KeyDown(up, TShiftState{});
    EXPECT_EQ(g.Col(), 2);
}

TEST(GridNavRules, TabSkipsColumnsWithoutTabStop) {
    TNavGrid g;
    g.SetOptions(g.Options() + goTabs);
    g.SetTabStops(4, false);
    g.SetTabStops(5, false);
    g.FocusCell(3, 2, true);
    TKey tab = VK_TAB;
    g.KeyDown(tab, TShiftState{});
    EXPECT_EQ(g.Col(), 6);
}

TEST(GridNavRules, GridWithOnlyFixedRowsIgnoresNavigation) {
    TNavGrid g;
    g.SetRowCount(1);
    EXPECT_EQ(g.FixedRows(), 1);
    for (TKey k : {VK_DOWN, VK_UP, VK_NEXT, VK_END, VK_TAB}) {
        TKey key = k;
        g.KeyDown(key, TShiftState{ssCtrl});
        g.KeyDown(key, TShiftState{});
    }
    EXPECT_EQ(g.Row(), 0);
}

}  // namespace
