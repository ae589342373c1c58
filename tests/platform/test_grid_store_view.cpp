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
