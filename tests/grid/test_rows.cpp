// Clearing, row and column operations: cells, properties, hidden columns and
// rows, notifications.  The fixture checks that no property object or graphic
// is leaked or freed twice.
#include "GridTestSupport.h"

#include <vector>

namespace {

class Rows : public GridTest {
protected:
    void SetUp() override
    {
        GridTest::SetUp();
        grid->OnCellsChanged = [this](TObject*, const TGridRect& r) { changes.push_back(r); };
    }
    // Fills every cell with "c,r".
    void Fill()
    {
        for (int c = 0; c < grid->TotalColCount(); ++c)
            for (int r = 0; r < grid->RowCount(); ++r)
                grid->WriteCellText(c, r, Name(c, r));
    }
    static QString Name(int c, int r) { return QStringLiteral("%1,%2").arg(c).arg(r); }
    std::vector<TGridRect> changes;
};

TEST_F(Rows, ClearRectFreesPropertiesAndEmptiesTexts)
{
    Fill();
    grid->SetCellGraphic(1, 1, new TCellGraphic);
    grid->GetCellProperties(2, 2);
    grid->GetCellProperties(4, 9);
    grid->ClearRect(1, 1, 2, 2);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], GridRect(1, 1, 2, 2));
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_EQ(live_.NewGraphics(), 0);
    EXPECT_EQ(grid->ReadCellText(1, 1), QString());
    EXPECT_EQ(grid->ReadCellText(2, 2), QString());
    EXPECT_EQ(grid->ReadCellText(3, 2), Name(3, 2));
    EXPECT_TRUE(grid->FHasCellProps);  // partial clear

    grid->ClearRect(0, 0, 4, 9);
    EXPECT_FALSE(grid->FHasCellProps);
    EXPECT_EQ(live_.NewProps(), 0);
}

TEST_F(Rows, InvertedRectangleClearsNothingButNotifies)
{
    Fill();
    grid->ClearRect(3, 3, 1, 1);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(grid->ReadCellText(2, 2), Name(2, 2));
}

TEST_F(Rows, ClearTextOnlyKeepsPropertiesAndTheFlag)
{
    grid->MergeCells(1, 1, 2, 2);
    grid->WriteCellText(1, 1, QStringLiteral("base"));
    grid->SetClearTextOnly(true);
    grid->ClearRect(2, 2, 2, 2);  // a covered cell
    EXPECT_EQ(grid->ReadRawCellText(1, 1), QString());
    EXPECT_EQ(live_.NewProps(), 4);
    grid->Clear();
    EXPECT_TRUE(grid->FHasCellProps);  // the objects survived the whole-grid clear
    EXPECT_EQ(grid->BaseCell(2, 2), (TGridCoord{1, 1}));
}

TEST_F(Rows, WholeGridClearKeepsTheFlagWhileHiddenRowsHoldProperties)
{
    grid->GetCellProperties(1, 3);
    grid->HideRowData(3);
    grid->Clear();
    EXPECT_TRUE(grid->FHasCellProps);
    grid->UnHideRowData(3);
    EXPECT_TRUE(grid->HasCellProperties(1, 3));
}

TEST_F(Rows, ClearFamilyTakesRealColumnsAndNotifiesOnce)
{
    Fill();
    grid->HideColumnData(2);
    grid->HideColumnData(3);  // real columns 2 and 3 hidden: ColCount 3, total 5
    ASSERT_EQ(grid->ColCount(), 3);
    changes.clear();

    grid->ClearRows(4, 2);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], GridRect(0, 4, 4, 5));
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(grid->ReadCellText(c, 4), QString()) << c;
        EXPECT_EQ(grid->ReadCellText(c, 6), Name(c, 6)) << c;
    }

    grid->ClearCols(3, 1);  // a hidden column, by its real index
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(grid->ReadCellText(3, 7), QString());
    EXPECT_EQ(grid->ReadCellText(0, 7), Name(0, 7));  // not collapsed onto column 0
    EXPECT_EQ(grid->ReadCellText(4, 7), Name(4, 7));

    grid->SetFixedRightCols(1);
    grid->ClearNormalRows(8, 1);
    EXPECT_EQ(changes.back(), GridRect(1, 8, 3, 8));
    EXPECT_EQ(grid->ReadCellText(0, 8), Name(0, 8));
    EXPECT_EQ(grid->ReadCellText(3, 8), QString());
    EXPECT_EQ(grid->ReadCellText(4, 8), Name(4, 8));

    grid->SetFixedFooters(1);
    grid->ClearNormalCols(4, 1);
    EXPECT_EQ(changes.back(), GridRect(4, 1, 4, 8));
    EXPECT_EQ(grid->ReadCellText(4, 9), Name(4, 9));
    EXPECT_EQ(grid->ReadCellText(4, 0), Name(4, 0));

    grid->ClearNormalCells();
    EXPECT_EQ(changes.back(), GridRect(1, 1, 3, 8));
    grid->Clear();
    EXPECT_EQ(changes.back(), GridRect(0, 0, 4, 9));
    EXPECT_EQ(changes.size(), 6u);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(grid->ReadCellText(c, 9), QString());

    // Guards: nothing, no notification.
    grid->ClearRows(1, 0);
    grid->ClearCols(1, -1);
    EXPECT_EQ(changes.size(), 6u);
}

TEST_F(Rows, ClearAllReachesTheLargestCountsAndHiddenRows)
{
    grid->SetRowCount(20);
    grid->WriteCellText(1, 15, QStringLiteral("far"));
    grid->GetCellProperties(1, 15);
    grid->SetRowCount(10);
    grid->WriteCellText(2, 3, QStringLiteral("hidden row"));
    grid->HideRowData(3);
    grid->ClearAll();
    EXPECT_EQ(changes.back(), GridRect(0, 0, 4, 19));
    EXPECT_EQ(live_.NewProps(), 0);
    grid->SetRowCount(20);
    EXPECT_EQ(grid->ReadCellText(1, 15), QString());
    EXPECT_EQ(grid->ReadRealCellText(2, 3), QString());
}

TEST_F(Rows, InsertRowsMovesTextsPropertiesAndHeights)
{
    grid->SetRowCount(5);
    Fill();
    for (int r = 0; r < 5; ++r)
        grid->SetRowHeights(r, 30 + r);
    grid->GetCellProperties(2, 3)->FObject = 23;
    grid->MergeCells(1, 4, 2, 1);
    changes.clear();

    grid->InsertRows(1, 2, true);
    EXPECT_EQ(grid->RowCount(), 7);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], GridRect(0, 1, 4, 3));
    for (int r : {1, 2}) {
        EXPECT_EQ(grid->RowHeights(r), grid->DefaultRowHeight());
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(grid->ReadCellText(c, r), QString());
            EXPECT_FALSE(grid->HasCellProperties(c, r));
        }
    }
    for (int r = 1; r <= 4; ++r) {
        EXPECT_EQ(grid->RowHeights(r + 2), 30 + r);
        EXPECT_EQ(grid->ReadRawCellText(0, r + 2), Name(0, r));
    }
    EXPECT_EQ(grid->GetCellProperties(2, 5)->FObject, 23);
    EXPECT_EQ(grid->BaseCell(2, 6), (TGridCoord{1, 6}));  // the merged block moved whole
    EXPECT_EQ(live_.NewProps(), 3);
}

TEST_F(Rows, InsertRowsKeepsHiddenColumnsAndRowsInStep)
{
    Fill();
    grid->HideColumnData(4);
    grid->HideRowData(6);  // real row 6
    grid->InsertRows(2, 1, false);
    EXPECT_EQ(grid->ReadCellText(4, 3), Name(4, 2));  // hidden column moved with its row
    EXPECT_EQ(grid->RealRowIndex(6), 6);  // former real 5
    EXPECT_EQ(grid->RealRowIndex(7), 8);  // the hidden row is now real 7
    EXPECT_TRUE(grid->IsHiddenRow(7));
    EXPECT_EQ(grid->ReadRealCellText(0, 7), Name(0, 6));
}

TEST_F(Rows, AddRowAndAddColumn)
{
    Fill();
    grid->AddRow();
    EXPECT_EQ(grid->RowCount(), 11);
    EXPECT_EQ(grid->ReadCellText(1, 10), QString());
    EXPECT_EQ(changes.size(), 2u);  // the insertion, then the clear of the new row
    grid->AddColumn();
    EXPECT_EQ(grid->ColCount(), 6);
    EXPECT_EQ(grid->ReadCellText(5, 1), QString());
    EXPECT_EQ(changes.size(), 2u);
}

TEST_F(Rows, RemoveRowsShiftsUpAndFreesTheRemovedProperties)
{
    Fill();
    grid->GetCellProperties(1, 2);
    grid->SetCellGraphic(1, 3, new TCellGraphic);
    grid->GetCellProperties(1, 7)->FObject = 17;
    grid->FocusCell(1, 9, true);
    changes.clear();

    grid->RemoveRows(2, 3);
    EXPECT_EQ(grid->RowCount(), 7);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], GridRect(0, 2, 4, 5));
    for (int r = 2; r <= 6; ++r)
        EXPECT_EQ(grid->ReadCellText(3, r), Name(3, r + 3));
    EXPECT_EQ(grid->GetCellProperties(1, 4)->FObject, 17);
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_EQ(live_.NewGraphics(), 0);
    EXPECT_LT(grid->Row(), grid->RowCount());
}

TEST_F(Rows, RemoveRowsBoundaries)
{
    Fill();
    grid->GetCellProperties(2, 9);
    grid->RemoveRows(10, 1);  // at RowCount: nothing
    grid->RemoveRows(12, 1);
    grid->RemoveRows(-1, 1);
    grid->RemoveRows(1, 0);
    EXPECT_EQ(grid->RowCount(), 10);
    EXPECT_TRUE(changes.empty());

    grid->RemoveRows(7, 100);  // cut at the last row
    EXPECT_EQ(grid->RowCount(), 7);
    EXPECT_EQ(changes.size(), 1u);
    EXPECT_EQ(live_.NewProps(), 0);
    EXPECT_EQ(grid->ReadCellText(1, 6), Name(1, 6));
}

TEST_F(Rows, RemoveRowsAroundHiddenRows)
{
    Fill();
    grid->HideRowData(4);  // real 4
    grid->HideRowData(7);  // displayed 7 = real 8
    // Displayed rows 3..5 are real rows 3, 5 and 6.
    grid->RemoveRows(3, 3);
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(grid->NumHiddenRows(), 2);
    // The remaining real rows, in order: 0 1 2 (4) 7 (8) 9 -> 0 1 2 (3) 4 (5) 6.
    EXPECT_TRUE(grid->IsHiddenRow(3));
    EXPECT_TRUE(grid->IsHiddenRow(5));
    EXPECT_EQ(grid->ReadRealCellText(0, 3), Name(0, 4));
    EXPECT_EQ(grid->ReadRealCellText(0, 4), Name(0, 7));
    EXPECT_EQ(grid->ReadRealCellText(0, 5), Name(0, 8));
    EXPECT_EQ(grid->ReadRealCellText(0, 6), Name(0, 9));
}

TEST_F(Rows, DeleteRowsFreesPropertiesOfHiddenColumnsToo)
{
    Fill();
    grid->GetCellProperties(4, 2)->FGraphicObject = new TCellGraphic;
    grid->GetCellProperties(1, 2);
    grid->GetCellProperties(1, 5)->FObject = 15;
    grid->HideColumnData(4);
    changes.clear();
    grid->DeleteRows(2, 2);
    EXPECT_EQ(grid->RowCount(), 8);
    EXPECT_EQ(live_.NewProps(), 1);
    EXPECT_EQ(live_.NewGraphics(), 0);
    EXPECT_EQ(grid->GetCellProperties(1, 3)->FObject, 15);
    EXPECT_EQ(grid->ReadCellText(4, 2), Name(4, 4));
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0], GridRect(0, 2, 3, 4));

    grid->DeleteRows(8, 1);  // past the end: nothing
    EXPECT_EQ(changes.size(), 1u);
    grid->DeleteRows(6, 10);
    EXPECT_EQ(grid->RowCount(), 6);
}

TEST_F(Rows, InsertColsRaisesNoNotificationAndMovesHiddenColumns)
{
    Fill();
    grid->GetCellProperties(3, 1)->FObject = 31;
    grid->HideColumnData(4);
    changes.clear();
    grid->InsertCols(1, 2);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(grid->ColCount(), 6);
    EXPECT_EQ(grid->TotalColCount(), 7);
    EXPECT_TRUE(grid->IsHiddenColumn(6));
    EXPECT_FALSE(grid->IsHiddenColumn(4));
    EXPECT_EQ(grid->ReadCellText(6, 2), Name(4, 2));
    EXPECT_EQ(grid->ReadCellText(5, 2), Name(3, 2));
    EXPECT_EQ(grid->GetCellProperties(5, 1)->FObject, 31);
    for (int c : {1, 2}) {
        EXPECT_EQ(grid->ReadCellText(c, 2), QString());
        EXPECT_FALSE(grid->HasCellProperties(c, 1));
        EXPECT_EQ(grid->ColWidths(c), grid->DefaultColWidth());
    }
    EXPECT_EQ(grid->RealColIndex(5), 5);
    EXPECT_EQ(grid->DisplColIndex(6), 6);
}

TEST_F(Rows, RemoveColsNotifiesTwiceAndCountsHiddenColumnsApart)
{
    grid->SetColCount(8);
    Fill();
    grid->GetCellProperties(3, 1);
    grid->GetCellProperties(6, 1)->FObject = 61;
    grid->HideColumnData(2);
    grid->HideColumnData(5);  // visible 6, hidden 2
    grid->SetClearTextOnly(true);  // kept by the clear, freed with the column
    changes.clear();

    grid->RemoveCols(2, 3);  // real 2 (hidden), 3, 4
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0], GridRect(2, 0, 4, 9));
    EXPECT_EQ(changes[1], GridRect(2, 0, 5, 9));
    EXPECT_EQ(grid->NumHiddenColumns(), 1);
    EXPECT_EQ(grid->ColCount(), 4);
    EXPECT_EQ(grid->TotalColCount(), 5);
    EXPECT_TRUE(grid->IsHiddenColumn(2));  // former real 5
    EXPECT_EQ(grid->ReadCellText(2, 3), Name(5, 3));
    EXPECT_EQ(grid->ReadCellText(3, 3), Name(6, 3));
    EXPECT_EQ(grid->GetCellProperties(3, 1)->FObject, 61);
    EXPECT_EQ(live_.NewProps(), 1);

    grid->RemoveCols(3, 100);  // cut at the last real column
    EXPECT_EQ(grid->TotalColCount(), 3);
    EXPECT_EQ(live_.NewProps(), 0);
    grid->RemoveCols(9, 1);  // outside: nothing
    EXPECT_EQ(changes.size(), 4u);
}

TEST_F(Rows, StructuralChangesOnMergedCellsLeakNothing)
{
    grid->SetColCount(6);
    grid->SetRowCount(12);
    grid->MergeCells(1, 2, 3, 3);
    grid->MergeCells(2, 7, 2, 2);
    grid->SetCellGraphic(1, 2, new TCellGraphic);
    grid->InsertRows(3, 2);
    grid->RemoveRows(1, 3);
    grid->InsertCols(0, 1);
    grid->RemoveCols(2, 2);
    grid->DeleteRows(4, 3);
    grid->SetColCount(2);
    grid->SetRowCount(3);
    // TearDown checks that destruction frees exactly what is left.
}

}  // namespace
