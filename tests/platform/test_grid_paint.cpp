// The paint pass of TCustomGrid / TStringGrid, rendered into a QImage.
#include "Colors.h"
#include "Grids.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

struct TRecordingGrid : TStringGrid {
    std::vector<std::pair<TGridCoord, TGridDrawState>> drawn;
    int epilogues = 0;
    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override {
        drawn.push_back({TGridCoord{col, row}, state});
        TStringGrid::DrawCell(col, row, rect, state);
    }
    void PaintEpilogue(TCanvas&) override { ++epilogues; }
    TGridDrawState stateOf(int col, int row) const {
        for (const auto& d : drawn)
            if (d.first == TGridCoord{col, row}) return d.second;
        return TGridDrawState{};
    }
    bool wasDrawn(int col, int row) const {
        for (const auto& d : drawn)
            if (d.first == TGridCoord{col, row}) return true;
        return false;
    }
};

TColor ColorToRGB(TColor c) { return QColorToColor(ColorToQColor(c)); }

TColor pixel(const QImage& img, int x, int y) {
    const QColor c = img.pixelColor(x, y);
    return RGBColor(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

TEST(GridPaint, DrawsEveryVisibleCellWithItsState) {
    TRecordingGrid g;
    g.SetColCount(20);
    g.SetRowCount(50);
    g.SetClientSize(400, 300);
    g.SetFocus();
    g.FocusCell(2, 3, true);
    TKey down = VK_DOWN;
    g.KeyDown(down, TShiftState{ssShift});
    g.MouseMove(TShiftState{}, 10, 10);   // hot fixed cell (0, 0)
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    {
        TCanvas canvas(&img);
        g.Paint(canvas);
    }
    // Fixed cells, fully and partly visible scrollable cells: columns 0-6, rows 0-11.
    EXPECT_EQ(g.drawn.size(), size_t(7 * 12));
    EXPECT_TRUE(g.wasDrawn(6, 11));
    EXPECT_FALSE(g.wasDrawn(7, 1));
    EXPECT_EQ(g.stateOf(0, 0), (TGridDrawState{gdFixed, gdHotTrack}));
    EXPECT_EQ(g.stateOf(3, 0), (TGridDrawState{gdFixed}));
    EXPECT_EQ(g.stateOf(2, 4), (TGridDrawState{gdSelected, gdFocused}));
    EXPECT_EQ(g.stateOf(2, 3), (TGridDrawState{gdSelected}));
    EXPECT_EQ(g.stateOf(3, 3), TGridDrawState{});
    EXPECT_EQ(g.epilogues, 1);
    EXPECT_FALSE(g.Painting());
    // Colours: fixed cells, the selection (not the focused cell), normal cells, grid lines.
    const TRect fixedCell = g.CellRect(3, 0);
    EXPECT_EQ(pixel(img, fixedCell.Left + 30, fixedCell.Top + 20), ColorToRGB(clBtnFace));
    const TRect sel = g.CellRect(2, 3);
    EXPECT_EQ(pixel(img, sel.Right - 2, sel.Bottom - 2), ColorToRGB(clHighlight));
    const TRect focused = g.CellRect(2, 4);
    EXPECT_EQ(pixel(img, focused.Right - 2, focused.Bottom - 2), ColorToRGB(clWindow));
    const TRect normal = g.CellRect(4, 5);
    EXPECT_EQ(pixel(img, normal.Right, normal.Top + 5), clSilver);
    EXPECT_EQ(pixel(img, fixedCell.Right, fixedCell.Top + 5), clBlack);
    // Nothing is left unpainted.
    for (int y = 0; y < 300; y += 7)
        for (int x = 0; x < 400; x += 7) ASSERT_NE(img.pixelColor(x, y), QColor(Qt::magenta)) << x << "," << y;
}

TEST(GridPaint, TextAndOnDrawCell) {
    TStringGrid g;
    g.SetClientSize(200, 100);
    g.SetCells(2, 2, "WWWW");   // (1, 1) is the selected current cell
    int calls = 0;
    TRect seenRect;
    g.OnDrawCell = [&](TObject*, int c, int r, const TRect& rect, TGridDrawState) {
        ++calls;
        if (c == 2 && r == 2) seenRect = rect;
    };
    QImage img(200, 100, QImage::Format_RGB32);
    {
        TCanvas canvas(&img);
        g.Paint(canvas);
    }
    EXPECT_GT(calls, 0);
    EXPECT_EQ(seenRect, g.CellRect(2, 2));
    // Some dark text pixels inside the cell.
    const TRect r = g.CellRect(2, 2);
    int dark = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) dark += img.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(dark, 5);
}

TEST(GridPaint, NoGridLinesWhenTheWidthIsZero) {
    TStringGrid g;
    g.SetClientSize(200, 100);
    g.SetGridLineWidth(0);
    QImage img(200, 100, QImage::Format_RGB32);
    {
        TCanvas canvas(&img);
        g.Paint(canvas);
    }
    const TRect a = g.CellRect(2, 2);
    EXPECT_EQ(g.CellRect(3, 2).Left, a.Right);
    EXPECT_EQ(pixel(img, a.Right, a.Top + 3), ColorToRGB(clWindow));
}

TEST(GridPaint, CanvasOutsidePaintMeasuresWithTheGridFont) {
    TStringGrid g;
    g.Font().SetHeight(-20);
    EXPECT_FALSE(g.Painting());
    EXPECT_GT(g.Canvas().TextHeight("X"), 15);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
