// CellRect and MouseCoord of TCustomGrid: fixed, visible and off-screen cells, grid lines,
// variable sizes, and the sizing zones.
#include "Grids.h"

#include <gtest/gtest.h>

namespace {

TEST(GridGeometry, DefaultLayout) {
    TStringGrid g;
    g.SetColCount(10);
    g.SetRowCount(50);
    g.SetClientSize(400, 300);
    EXPECT_EQ(g.CellRect(0, 0), (TRect{0, 0, 64, 24}));
    EXPECT_EQ(g.CellRect(1, 1), (TRect{65, 25, 129, 49}));
    EXPECT_EQ(g.CellRect(3, 2), (TRect{195, 50, 259, 74}));
    g.SetTopRow(10);
    g.SetLeftCol(3);
    EXPECT_EQ(g.CellRect(0, 0), (TRect{0, 0, 64, 24}));     // fixed cells never scroll
    EXPECT_EQ(g.CellRect(0, 10), (TRect{0, 25, 64, 49}));
    EXPECT_EQ(g.CellRect(3, 10), (TRect{65, 25, 129, 49}));
    EXPECT_EQ(g.CellRect(1, 5), (TRect{-65, -100, -1, -76}));   // scrolled out: negative
    EXPECT_EQ(g.CellRect(9, 40), (TRect{455, 775, 519, 799}));  // beyond the client area
    EXPECT_TRUE(g.CellRect(10, 0).IsEmpty());
    EXPECT_TRUE(g.CellRect(-1, 0).IsEmpty());
    EXPECT_EQ(g.FixedWidth(), 65);
    EXPECT_EQ(g.FixedHeight(), 25);
}

struct TGeomCase {
    const char* name;
    int lineWidth;
    int fixedCols, fixedRows;
    int left, top;
    bool varySizes;
};

class GridGeometryRoundTrip : public ::testing::TestWithParam<TGeomCase> {};

TEST_P(GridGeometryRoundTrip, EveryCellMapsBackFromItsCornersAndGridLine) {
    const TGeomCase& tc = GetParam();
    TStringGrid g;
    g.SetColCount(12);
    g.SetRowCount(40);
    g.SetFixedCols(tc.fixedCols);
    g.SetFixedRows(tc.fixedRows);
    g.SetGridLineWidth(tc.lineWidth);
    g.SetClientSize(300, 200);
    if (tc.varySizes) {
        for (int c = 0; c < 12; ++c) g.SetColWidths(c, 20 + (c * 7) % 30);
        for (int r = 0; r < 40; ++r) g.SetRowHeights(r, 10 + (r * 5) % 17);
    }
    g.SetLeftCol(tc.left);
    g.SetTopRow(tc.top);
    int checked = 0;
    for (int r = 0; r < 40; ++r) {
        for (int c = 0; c < 12; ++c) {
            const TRect rc = g.CellRect(c, r);
            ASSERT_EQ(rc.Width(), g.ColWidths(c));
            ASSERT_EQ(rc.Height(), g.RowHeights(r));
            // Cells scrolled behind the fixed area have no point of their own.
            const bool behindX = c >= g.FixedCols() && c < g.LeftCol() && rc.Right + tc.lineWidth > 0;
            const bool behindY = r >= g.FixedRows() && r < g.TopRow() && rc.Bottom + tc.lineWidth > 0;
            if (behindX || behindY) continue;
            EXPECT_EQ(g.MouseCoord(rc.Left, rc.Top), (TGridCoord{c, r})) << tc.name << " " << c << "," << r;
            EXPECT_EQ(g.MouseCoord(rc.Right - 1, rc.Bottom - 1), (TGridCoord{c, r}));
            if (tc.lineWidth > 0) {   // the grid line after a cell belongs to it
                EXPECT_EQ(g.MouseCoord(rc.Right + tc.lineWidth - 1, rc.Bottom + tc.lineWidth - 1),
                          (TGridCoord{c, r}));
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

INSTANTIATE_TEST_SUITE_P(Cases, GridGeometryRoundTrip,
                         ::testing::Values(TGeomCase{"plain", 1, 1, 1, 1, 1, false},
                                           TGeomCase{"scrolled", 1, 1, 1, 4, 15, false},
                                           TGeomCase{"noFixedScrolled", 1, 0, 0, 5, 20, false},
                                           TGeomCase{"thickLines", 3, 2, 2, 5, 9, true},
                                           TGeomCase{"noLines", 0, 1, 2, 3, 12, true},
                                           TGeomCase{"varied", 1, 1, 1, 2, 7, true}),
                         [](const ::testing::TestParamInfo<TGeomCase>& info) { return std::string(info.param.name); });

TEST(GridGeometry, PointsOutsideTheCells) {
    TStringGrid g;   // 5 x 5: the cells end at 5 * 65 = 325 by 5 * 25 = 125
    g.SetClientSize(400, 300);
    EXPECT_EQ(g.MouseCoord(330, 10).X, -1);
    EXPECT_EQ(g.MouseCoord(10, 200).Y, -1);
    EXPECT_EQ(g.MouseCoord(324, 124), (TGridCoord{4, 4}));
    EXPECT_EQ(g.MouseCoord(-1, -1), (TGridCoord{-1, -1}));   // nothing scrolled out
    int c = 0, r = 0;
    g.MouseToCell(70, 30, c, r);
    EXPECT_EQ(c, 1);
    EXPECT_EQ(r, 1);
}

TEST(GridGeometry, VisibleCountsAndLastCells) {
    TStringGrid g;
    g.SetColCount(20);
    g.SetRowCount(20);
    g.SetClientSize(400, 300);
    EXPECT_EQ(g.VisibleColCount(), 5);
    EXPECT_EQ(g.LastFullVisibleCol(), 5);
    EXPECT_EQ(g.LastVisibleCol(), 6);   // partly visible
    EXPECT_EQ(g.VisibleRowCount(), 11);
    EXPECT_EQ(g.LastVisibleRow(), 11);  // 25 + 11 * 25 = 300 exactly: no partial row
    g.SetClientSize(30, 10);            // smaller than the fixed area
    EXPECT_EQ(g.VisibleColCount(), 0);
    EXPECT_EQ(g.LastFullVisibleRow(), g.TopRow());
}

TEST(GridGeometry, SizingZonesOnlyInTheFixedAreaAndWithTheOption) {
    TStringGrid g;
    g.SetClientSize(400, 300);
    int index = -1;
    EXPECT_EQ(g.SizingZone(64, 10, &index), gsNormal);   // no goColSizing yet
    g.SetOptions(g.Options() + goColSizing + goRowSizing);
    EXPECT_EQ(g.SizingZone(64, 10, &index), gsColSizing);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(g.SizingZone(131, 5, &index), gsColSizing);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(g.SizingZone(100, 5), gsNormal);
    EXPECT_EQ(g.SizingZone(64, 40), gsNormal);            // below the fixed rows
    EXPECT_EQ(g.SizingZone(10, 49, &index), gsRowSizing);
    EXPECT_EQ(index, 1);
}

}  // namespace
