// Writes from a view (SetCellsFromView) and the row width hint: the store ends the same
// as after SetCells and without a hint.
#include "Grids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TWrite {
    int Col, Row;
    QString Text;
};

// Every slot the store holds, with its extent.
std::vector<QString> Snapshot(const TStringGrid& g) {
    std::vector<QString> out;
    out.push_back(QString("%1x%2").arg(g.StoredColCount()).arg(g.StoredRowCount()));
    for (int r = 0; r < g.StoredRowCount() + 1; ++r)
        for (int c = 0; c < g.StoredColCount() + 1; ++c) {
            out.push_back(g.Cells(c, r));
            // The view and the copy agree.
            EXPECT_EQ(g.CellView(c, r), QStringView(out.back()));
        }
    return out;
}

TEST(GridStoreView, WritesFromViewsMatchSetCells) {
    const QString longText = QString(40, u'w');
    // Short and long texts, overwrites between the two forms, empty texts onto stored
    // and unstored slots, and writes the store must ignore.
    const std::vector<TWrite> writes = {
        {0, 0, "a"},        {1, 0, "bb"},      {3, 0, longText},   {3, 0, "short"},
        {3, 0, longText},   {3, 0, longText + "x"}, {2, 1, ""},    {5, 2, "eleven char"},
        {5, 2, "twelve chars"}, {5, 2, ""},    {0, 0, ""},         {-1, 0, "neg"},
        {0, -1, "neg"},     {0, 9, "past rows"}, {2000, 1, "past columns"},
        {7, 3, QString::fromUtf16(u"\u00e9\u4e2d")}, {1, 0, "bb"},
    };
    for (int hint : {0, 3, 8, 64}) {
        TStringGrid byString;
        TStringGrid byView;
        for (TStringGrid* g : {&byString, &byView}) {
            g->SetColCount(8);
            g->SetRowCount(4);
        }
        byView.SetNewRowWidthHint(hint);
        for (const TWrite& w : writes) {
            byString.SetCells(w.Col, w.Row, w.Text);
            byView.SetCellsFromView(w.Col, w.Row, QStringView(w.Text));
            ASSERT_EQ(Snapshot(byString), Snapshot(byView))
                << "hint " << hint << " after " << w.Col << "," << w.Row << " "
                << w.Text.toStdString();
        }
    }
}

TEST(GridStoreView, RowsFilledColumnByColumnMatchSetCells) {
    // Rows written left to right as a loader does: narrower, as wide as and wider than
    // the widest row so far and than the reserved room, empty texts at the row's end and
    // in between, rows holding an object, long and non-ASCII texts, and columns past the
    // write limit.
    const QString longText = QString(30, u'L');
    TObject obj;
    struct TRow {
        int Width;
        int EmptyAt;    // column written with an empty text (-1: none)
        int ObjectAt;   // column given an object before the row is written (-1: none)
    };
    const std::vector<TRow> rows = {
        {3, -1, -1}, {3, 2, -1}, {5, -1, -1}, {5, 0, -1}, {2, -1, -1}, {6, 5, -1},
        {4, -1, 1},  {7, 3, 0},  {1, -1, -1}, {8, -1, -1}, {8, 7, -1}, {12, -1, -1},
    };
    struct TLimitedGrid : TStringGrid {
        using TStringGrid::SetHiddenColAllowance;
    };
    for (int hint : {0, 2, 5, 8, 64}) {
        TLimitedGrid byString;
        TLimitedGrid byView;
        for (TLimitedGrid* g : {&byString, &byView}) {
            g->SetColCount(4);
            g->SetRowCount(int(rows.size()));
            g->SetHiddenColAllowance(4);
        }
        byView.SetNewRowWidthHint(hint);
        for (int r = 0; r < int(rows.size()); ++r) {
            const TRow& row = rows[size_t(r)];
            if (row.ObjectAt >= 0) {
                byString.SetObjects(row.ObjectAt, r, &obj);
                byView.SetObjects(row.ObjectAt, r, &obj);
            }
            for (int c = 0; c < row.Width; ++c) {
                QString text = c == row.EmptyAt ? QString()
                                                : (c % 3 == 2 ? longText : QString::fromUtf16(u"c\u00e9%1")).arg(c);
                byString.SetCells(c, r, text);
                byView.SetCellsFromView(c, r, QStringView(text));
                text.fill(u'?');  // the store holds its own copy
                ASSERT_EQ(Snapshot(byString), Snapshot(byView)) << "hint " << hint << " at " << c << "," << r;
                ASSERT_EQ(byString.Objects(row.ObjectAt, r), byView.Objects(row.ObjectAt, r));
            }
        }
    }
}

TEST(GridStoreView, HintedRowsGrowLikeOthers) {
    // Rows filled column by column, wider and narrower than the hint, then shrunk and
    // grown counts: the hint changes no width.
    TStringGrid plain;
    TStringGrid hinted;
    hinted.SetNewRowWidthHint(4);
    for (TStringGrid* g : {&plain, &hinted}) {
        g->SetColCount(10);
        g->SetRowCount(5);
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 2 + 2 * r; ++c) g->SetCellsFromView(c, r, u"v");
        g->SetColCount(3);
        g->SetColCount(10);
        g->SetCells(9, 4, "end");
    }
    EXPECT_EQ(Snapshot(plain), Snapshot(hinted));
    EXPECT_EQ(hinted.StoredColCount(), 10);
}

TEST(GridStoreView, ViewWithObjectMatchesTheSeparateReads) {
    TStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(4);
    TObject a;
    g.SetCells(0, 0, "t");
    g.SetObjects(2, 0, &a);
    g.SetCells(1, 2, "a text longer than the slot");
    g.SetObjects(1, 2, &a);
    for (int r = -1; r <= 4; ++r)
        for (int c = -1; c <= 4; ++c) {
            TObject* obj = &a;
            const QStringView v = g.CellView(c, r, obj);
            EXPECT_EQ(v, g.CellView(c, r)) << c << "," << r;
            EXPECT_EQ(obj, g.Objects(c, r)) << c << "," << r;
        }
}

}  // namespace
