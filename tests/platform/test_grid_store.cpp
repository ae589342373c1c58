// The string grid's cell store: texts and object slots, survival across count changes,
// row and column copies, moves, insertion and deletion.
#include "Grids.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TTag : TObject {
    explicit TTag(int v) : Value(v) {}
    int Value;
};

// Fills every cell of the counts with "c,r".
void fill(TStringGrid& g) {
    for (int r = 0; r < g.RowCount(); ++r)
        for (int c = 0; c < g.ColCount(); ++c) g.SetCells(c, r, QString("%1,%2").arg(c).arg(r));
}

TEST(GridStore, CellsAndObjectsReadBackAndUnstoredCellsAreEmpty) {
    TStringGrid g;
    TTag a(1);
    g.SetCells(2, 3, "x");
    g.SetObjects(2, 3, &a);
    EXPECT_EQ(g.Cells(2, 3), "x");
    EXPECT_EQ(g.Objects(2, 3), &a);
    EXPECT_EQ(g.Cells(1, 1), "");
    EXPECT_EQ(g.Objects(1, 1), nullptr);
    // Invalid addresses read empty and writes to them are ignored.
    g.SetCells(-1, 0, "bad");
    g.SetCells(0, -5, "bad");
    g.SetCells(0, 1000000, "bad");
    g.SetCells(1 << 30, 0, "bad");
    EXPECT_EQ(g.Cells(-1, 0), "");
    EXPECT_EQ(g.Cells(0, 1000000), "");
    EXPECT_EQ(g.StoredRowCount(), 4);
    EXPECT_LE(g.StoredColCount(), 3);
}

TEST(GridStore, ClearSlotEmptiesWithoutFreeing) {
    TStringGrid g;
    TTag a(7);
    g.SetCells(1, 1, "t");
    g.SetObjects(1, 1, &a);
    g.ClearSlot(1, 1);
    EXPECT_EQ(g.Cells(1, 1), "");
    EXPECT_EQ(g.Objects(1, 1), nullptr);
    EXPECT_EQ(a.Value, 7);   // still alive: the slot never owned it
}

TEST(GridStore, ColumnSlotsSurviveShrinkAndGrow) {
    TStringGrid g;
    g.SetColCount(10);
    TTag a(1);
    g.SetCells(8, 2, "eight");
    g.SetObjects(9, 2, &a);
    g.SetColCount(3);
    EXPECT_EQ(g.Cells(8, 2), "eight");   // still in the store beyond ColCount
    EXPECT_EQ(g.Rows(2).Count(), 10);
    g.SetCells(5, 2, "hidden");          // real columns beyond the count can be written
    g.SetColCount(10);
    EXPECT_EQ(g.Cells(8, 2), "eight");
    EXPECT_EQ(g.Cells(5, 2), "hidden");
    EXPECT_EQ(g.Objects(9, 2), &a);
}

TEST(GridStore, RowSlotsSurviveShrinkAndGrow) {
    TStringGrid g;
    g.SetRowCount(10);
    g.SetCells(1, 8, "r8");
    g.SetRowCount(2);
    g.SetRowCount(10);
    EXPECT_EQ(g.Cells(1, 8), "r8");
}

TEST(GridStore, RowAndColumnCopies) {
    TStringGrid g;
    g.SetColCount(4);
    g.SetRowCount(4);
    fill(g);
    TTag a(1), b(2);
    g.SetObjects(1, 1, &a);
    g.SetObjects(2, 2, &b);
    g.SetColCount(3);   // column 3 is beyond the count now; copies carry it too
    g.CopyRow(1, 3);
    EXPECT_EQ(g.Cells(0, 3), "0,1");
    EXPECT_EQ(g.Cells(3, 3), "3,1");
    EXPECT_EQ(g.Objects(1, 3), &a);
    EXPECT_EQ(g.Objects(1, 1), &a);   // the source keeps its slots

    g.CopyCol(2, 0);
    EXPECT_EQ(g.Cells(0, 0), "2,0");
    EXPECT_EQ(g.Objects(0, 2), &b);

    // Copy through a line value, then assign a shorter line: the rest is emptied.
    TGridLine line = g.Rows(2);
    ASSERT_EQ(line.Count(), 4);
    g.SetRows(0, line);
    EXPECT_EQ(g.Cells(1, 0), "1,2");
    EXPECT_EQ(g.Objects(2, 0), &b);
    TGridLine shortLine;
    shortLine.Strings = QStringList{"a"};
    shortLine.Objects = {nullptr};
    g.SetRows(0, shortLine);
    EXPECT_EQ(g.Cells(0, 0), "a");
    EXPECT_EQ(g.Cells(1, 0), "");
    EXPECT_EQ(g.Objects(2, 0), nullptr);

    TGridLine col = g.Cols(1);
    ASSERT_EQ(col.Count(), 4);
    g.SetCols(2, col);
    EXPECT_EQ(g.Cells(2, 1), "1,1");
    EXPECT_EQ(g.Objects(2, 1), &a);
}

TEST(GridStore, CopyOfEmptyRowEmptiesTheTarget) {
    TStringGrid g;
    g.SetCells(1, 1, "x");
    g.CopyRow(3, 1);
    EXPECT_EQ(g.Cells(1, 1), "");
}

struct TMoveCase {
    bool rows;
    int from, to;
    std::vector<int> order;   // original index now at position 0..4
};

class GridStoreMove : public ::testing::TestWithParam<TMoveCase> {};

TEST_P(GridStoreMove, MovesDataSizesAndCurrentCell) {
    const TMoveCase& tc = GetParam();
    TStringGrid g;
    g.SetColCount(5);
    g.SetRowCount(5);
    fill(g);
    int movedFrom = -1, movedTo = -1;
    for (int i = 0; i < 5; ++i) {
        g.SetColWidths(i, 10 + i);
        g.SetRowHeights(i, 10 + i);
    }
    g.OnColumnMoved = [&](TObject*, int f, int t) { movedFrom = f; movedTo = t; };
    g.OnRowMoved = [&](TObject*, int f, int t) { movedFrom = f; movedTo = t; };
    g.FocusCell(tc.from, tc.from, true);
    if (tc.rows) g.MoveRow(tc.from, tc.to);
    else g.MoveColumn(tc.from, tc.to);
    EXPECT_EQ(movedFrom, tc.from);
    EXPECT_EQ(movedTo, tc.to);
    for (int pos = 0; pos < 5; ++pos) {
        const int orig = tc.order[size_t(pos)];
        if (tc.rows) {
            EXPECT_EQ(g.Cells(0, pos), QString("0,%1").arg(orig)) << pos;
            EXPECT_EQ(g.RowHeights(pos), 10 + orig);
        } else {
            EXPECT_EQ(g.Cells(pos, 0), QString("%1,0").arg(orig)) << pos;
            EXPECT_EQ(g.ColWidths(pos), 10 + orig);
        }
    }
    // The current cell follows its data.
    EXPECT_EQ(tc.rows ? g.Row() : g.Col(), tc.to);
}

INSTANTIATE_TEST_SUITE_P(Cases, GridStoreMove,
                         ::testing::Values(TMoveCase{true, 1, 3, {0, 2, 3, 1, 4}},
                                           TMoveCase{true, 4, 1, {0, 4, 1, 2, 3}},
                                           TMoveCase{false, 1, 4, {0, 2, 3, 4, 1}},
                                           TMoveCase{false, 3, 1, {0, 3, 1, 2, 4}}));

TEST(GridStore, InsertAndDeleteRowsShiftDataAndSizes) {
    TStringGrid g;
    g.SetRowCount(5);
    fill(g);
    g.SetRowHeights(3, 40);
    g.InsertRow(1, 2);
    EXPECT_EQ(g.RowCount(), 7);
    EXPECT_EQ(g.Cells(0, 0), "0,0");
    EXPECT_EQ(g.Cells(0, 1), "");
    EXPECT_EQ(g.Cells(0, 2), "");
    EXPECT_EQ(g.Cells(0, 3), "0,1");
    EXPECT_EQ(g.RowHeights(5), 40);
    g.DeleteRow(3, 2);   // former rows 1 and 2
    EXPECT_EQ(g.RowCount(), 5);
    EXPECT_EQ(g.Cells(0, 3), "0,3");
    EXPECT_EQ(g.RowHeights(3), 40);
    // Deleted data does not come back when the count grows.
    g.SetRowCount(7);
    EXPECT_EQ(g.Cells(0, 5), "");
}

// Rows deleted, inserted, copied and cleared many at a time, across the storage
// blocks of the rows, against a plain model of the rows' texts.
TEST(GridStore, RowsFreedAndStoredAgainKeepTheirTexts) {
    TStringGrid g;
    g.SetColCount(3);
    g.SetRowCount(700);
    std::vector<QStringList> model(700);
    auto write = [&](int r, const QString& tag) {
        model[size_t(r)].clear();
        for (int c = 0; c < 3; ++c) {
            // Short texts kept in place and long ones on the heap.
            const QString text = tag + QString::number(r * 3 + c) + (c == 2 ? QString(20, u'+') : QString());
            g.SetCells(c, r, text);
            model[size_t(r)].append(text);
        }
    };
    auto check = [&](const char* step) {
        ASSERT_EQ(g.RowCount(), int(model.size())) << step;
        for (int r = 0; r < g.RowCount(); ++r)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(g.Cells(c, r), model[size_t(r)].value(c)) << step << " " << c << "," << r;
    };
    for (int r = 0; r < 700; ++r) write(r, "a");
    check("filled");
    g.DeleteRow(50, 400);
    model.erase(model.begin() + 50, model.begin() + 450);
    check("deleted");
    g.InsertRow(10, 300);
    model.insert(model.begin() + 10, 300, QStringList());
    for (int r = 10; r < 310; r += 2) write(r, "b");
    check("inserted");
    for (int r = 0; r < 100; ++r) {
        g.CopyRow(r + 400, r);
        model[size_t(r)] = model[size_t(r) + 400];
    }
    g.CopyRow(11, 12);   // an empty row copied over a stored one
    model[12] = model[11];
    check("copied");
    g.ClearStore();
    for (QStringList& row : model) row.clear();
    check("cleared");
    for (int r = 0; r < 600; ++r) write(r, "c");
    check("stored again");
}

// A store of more rows than the first sixty storage blocks hold (the blocks grow
// to a fixed size; the count of blocks keeps growing).
TEST(GridStore, MillionRowStoresKeepEveryRow) {
    TStringGrid g;
    g.SetColCount(1);
    const int rows = 1000000;
    g.SetRowCount(rows);
    for (int r = 0; r < rows; ++r) g.SetCells(0, r, QString::number(r));
    for (int r = 0; r < rows; r += 997) ASSERT_EQ(g.Cells(0, r), QString::number(r)) << r;
    ASSERT_EQ(g.Cells(0, rows - 1), QString::number(rows - 1));
    g.DeleteRow(0, rows / 2);
    EXPECT_EQ(g.Cells(0, 0), QString::number(rows / 2));
}

TEST(GridStore, InsertAndDeleteColumns) {
    TStringGrid g;
    fill(g);
    g.InsertColumn(0);
    EXPECT_EQ(g.ColCount(), 6);
    EXPECT_EQ(g.Cells(1, 2), "0,2");
    g.DeleteColumn(0, 2);
    EXPECT_EQ(g.ColCount(), 4);
    EXPECT_EQ(g.Cells(0, 2), "1,2");
}

TEST(GridStore, DeletingEveryRowLeavesOneEmptyRow) {
    TStringGrid g;
    fill(g);
    g.DeleteRow(0, 100);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.FixedRows(), 1);
    EXPECT_EQ(g.Cells(0, 0), "");
}

TEST(GridStore, ForEachObjectVisitsAndCanReplace) {
    TStringGrid g;
    TTag a(1), b(2);
    g.SetObjects(1, 1, &a);
    g.SetObjects(3, 4, &b);
    g.SetColCount(2);
    int n = 0;
    g.ForEachObject([&](int, int, TObject*& obj) {
        ++n;
        obj = nullptr;
    });
    EXPECT_EQ(n, 2);
    EXPECT_EQ(g.Objects(3, 4), nullptr);
}

TEST(GridStore, SizesSurviveCountChangesAndDefaultResets) {
    TStringGrid g;
    g.SetColWidths(4, 99);
    g.SetColCount(2);
    EXPECT_EQ(g.ColWidths(4), 99);
    g.SetColCount(6);
    EXPECT_EQ(g.ColWidths(4), 99);
    g.SetDefaultColWidth(50);
    EXPECT_EQ(g.ColWidths(4), 50);
    EXPECT_EQ(g.ColWidths(-3), 50);
}

// Texts around the in-place limit of 11 UTF-16 code units, surrogate pairs and embedded
// NULs: every form reads back the same through Cells, CellView, Rows and Cols, survives
// overwriting with a text of the other form, and copies stay independent of their source.
TEST(GridStore, TextsOfEveryLengthReadBackAndCopiesAreIndependent) {
    const QString pair = QString::fromUcs4(U"\U0001F600");
    const QStringList texts{"",
                            "7",
                            "123.45",
                            "-7.125",
                            "12345678901",            // 11: the longest kept in place
                            "123456789012",           // 12: the shortest kept apart
                            QString(200, QChar('w')),
                            pair.repeated(5) + "x",   // 11 code units
                            pair.repeated(6),         // 12 code units
                            QString::fromUtf16(u"a\0b", 3)};
    TStringGrid g;
    g.SetColCount(int(texts.size()));
    g.SetRowCount(4);
    for (int c = 0; c < int(texts.size()); ++c) g.SetCells(c, 1, texts[c]);
    for (int c = 0; c < int(texts.size()); ++c) {
        EXPECT_EQ(g.Cells(c, 1), texts[c]) << c;
        EXPECT_EQ(g.CellView(c, 1), texts[c]) << c;
        EXPECT_EQ(g.Rows(1).Strings[c], texts[c]) << c;
        EXPECT_EQ(g.Cols(c).Strings[1], texts[c]) << c;
    }
    // Overwrite each cell with the text of the other form, then back.
    for (int c = 0; c < int(texts.size()); ++c) g.SetCells(c, 1, texts[int(texts.size()) - 1 - c]);
    for (int c = 0; c < int(texts.size()); ++c)
        EXPECT_EQ(g.Cells(c, 1), texts[int(texts.size()) - 1 - c]) << c;
    for (int c = 0; c < int(texts.size()); ++c) g.SetCells(c, 1, texts[c]);

    g.CopyRow(1, 2);
    g.CopyCol(6, 0);
    for (int c = 0; c < int(texts.size()); ++c) g.SetCells(c, 1, "changed source");
    for (int c = 1; c < int(texts.size()); ++c) EXPECT_EQ(g.Cells(c, 2), texts[c]) << c;
    EXPECT_EQ(g.Cells(0, 2), texts[6]);   // CopyCol reached the copied row too
    // An empty text and an unstored cell read the same.
    g.SetCells(3, 2, "");
    EXPECT_TRUE(g.Cells(3, 2).isEmpty());
    EXPECT_TRUE(g.CellView(3, 2).isEmpty());
    EXPECT_TRUE(g.CellView(3, 3).isEmpty());
    EXPECT_TRUE(g.CellView(-1, 2).isEmpty());
}

// Objects sit in a per-row array beside the texts: column operations keep both in step,
// and rows that never held an object read null everywhere.
TEST(GridStore, ObjectsFollowTheirTextsThroughColumnOperations) {
    TStringGrid g;
    g.SetColCount(6);
    g.SetRowCount(3);
    TTag a(1), b(2);
    for (int c = 0; c < 6; ++c) {
        g.SetCells(c, 1, QString::number(c));
        g.SetCells(c, 2, QString::number(c));
    }
    g.SetObjects(2, 1, &a);
    g.SetObjects(4, 1, &b);
    auto check = [&](const char* step) {
        for (int c = 0; c < g.ColCount(); ++c) {
            const QString t = g.Cells(c, 1);
            TObject* want = t == "2" ? &a : t == "4" ? &b : nullptr;
            EXPECT_EQ(g.Objects(c, 1), want) << step << " col " << c;
            EXPECT_EQ(g.Objects(c, 2), nullptr) << step << " col " << c;
        }
    };
    g.MoveColumn(2, 5);
    check("move right");
    g.MoveColumn(5, 0);
    check("move left");
    g.InsertColumn(1, 2);
    check("insert");
    EXPECT_EQ(g.Cells(1, 1), "");
    g.DeleteColumn(2, 1);
    check("delete");
    EXPECT_EQ(g.Rows(1).Strings.join(','), "2,,0,1,3,4,5");
    // Copying a column without an object over one with an object clears it.
    const int colB = int(g.Rows(1).Strings.indexOf("4"));
    g.CopyCol(int(g.Rows(1).Strings.indexOf("0")), colB);
    EXPECT_EQ(g.Objects(colB, 1), nullptr);
    int seen = 0;
    g.ForEachObject([&](int, int row, TObject*& obj) {
        ++seen;
        EXPECT_EQ(row, 1);
        EXPECT_EQ(obj, &a);
    });
    EXPECT_EQ(seen, 1);
}

// A grid that keeps hidden columns past ColCount, as the grid layer does.
class THiddenColsGrid : public TStringGrid {
public:
    int Hidden = 0;
    int TotalColCount() const override { return ColCount() + Hidden; }
    using TStringGrid::SetHiddenColAllowance;
};

TEST(GridStore, WritesReachEveryRealColumnAndNoFurther) {
    THiddenColsGrid g;
    g.SetColCount(3);
    g.Hidden = 5000;
    // Hidden columns far past ColCount + 1024 take writes, even into an empty store.
    g.SetCells(4000, 1, "hidden");
    g.SetObjects(5002, 1, &g);
    EXPECT_EQ(g.Cells(4000, 1), "hidden");
    EXPECT_EQ(g.Objects(5002, 1), &g);
    EXPECT_EQ(g.StoredColCount(), 5003);
    // Past the real columns and the allowance, writes are ignored...
    g.SetCells(5003 + 1024, 1, "too far");
    EXPECT_EQ(g.Cells(5003 + 1024, 1), "");
    g.SetCells(5003 + 1023, 2, "allowance");
    EXPECT_EQ(g.Cells(5003 + 1023, 2), "allowance");
    // ... and with no allowance, only the real columns and the widest row are writable.
    g.SetHiddenColAllowance(0);
    g.ClearStore();
    g.SetCells(5003, 1, "x");
    g.SetCells(5002, 1, "y");
    EXPECT_EQ(g.Cells(5003, 1), "");
    EXPECT_EQ(g.Cells(5002, 1), "y");
    EXPECT_EQ(g.StoredColCount(), 5003);
}

}  // namespace
