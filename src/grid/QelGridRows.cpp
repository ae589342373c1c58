// TQelStringGrid: clearing, inserting and removing rows and columns.
//
// Rows and columns move with the platform's line insertion and deletion, which
// carry every slot (text and object reference) of a line at once, also the
// hidden columns beyond ColCount.  Property objects of removed lines are freed
// first, so no object is ever referenced from two slots or lost.
#include "QelGrid.h"

#include <algorithm>

namespace {

// The widest column index any slot may hold, for freeing whole rows.
int LastStoredCol(const TQelStringGrid& g) { return std::max(g.TotalColCount(), g.StoredColCount()) - 1; }
int LastStoredRow(const TQelStringGrid& g) { return std::max(g.RowCount(), g.StoredRowCount()) - 1; }

}  // namespace

// ---------------------------------------------------------------------------
// Clearing

void TQelStringGrid::ClearRect(int ACol1, int ARow1, int ACol2, int ARow2)
{
    // Column indices are real indices: hidden columns are cleared in place.
    const int lastRow = std::min(ARow2, LastStoredRow(*this));
    const int lastCol = std::min(ACol2, LastStoredCol(*this));
    for (int r = std::max(ARow1, 0); r <= lastRow; ++r) {
        for (int c = std::max(ACol1, 0); c <= lastCol; ++c) {
            if (!FClearTextOnly && HasCellProperties(c, r)) {
                if (FNilObjects) {
                    DetachCellObject(c, r);
                } else {
                    RemoveCellGraphic(c, r);
                    SetCellProperties(c, r, nullptr);
                }
            }
            if (!FDestroying) {
                const TGridCoord bc = BaseCell(c, r);
                if (!Cells(bc.X, bc.Y).isEmpty())
                    WriteCellText(c, r, QString());
            }
        }
    }

    // Only a clear that leaves no property object anywhere may drop the flag:
    // with ClearTextOnly, hidden rows or slots beyond the rectangle some survive.
    if (ACol1 <= 0 && ARow1 <= 0 && ACol2 >= ColCount() - 1 && ARow2 >= RowCount() - 1 && FHasCellProps) {
        bool any = false;
        ForEachObject([&](int, int, TObject*&) { any = true; });
        for (const auto& item : FGridItems)
            for (TObject* obj : item->FObjects)
                any = any || obj != nullptr;
        FHasCellProps = any;
    }

    if (!FDestroying && !FBlockCellChange)
        NotifyCellsChanged(GridRect(ACol1, ARow1, ACol2, ARow2));
}

void TQelStringGrid::ClearRows(int RowIndex, int RCount)
{
    if (RowCount() > 0 && ColCount() > 0 && RCount > 0)
        ClearRect(0, RowIndex, TotalColCount() - 1, RowIndex + RCount - 1);
}

void TQelStringGrid::ClearCols(int ColIndex, int CCount)
{
    if (RowCount() > 0 && ColCount() > 0 && CCount > 0)
        ClearRect(ColIndex, 0, ColIndex + CCount - 1, RowCount() - 1);
}

void TQelStringGrid::ClearNormalRows(int RowIndex, int RCount)
{
    if (RowCount() > 0 && ColCount() > 0 && RCount > 0)
        ClearRect(FixedCols(), RowIndex, TotalColCount() - FFixedRightCols - 1, RowIndex + RCount - 1);
}

void TQelStringGrid::ClearNormalCols(int ColIndex, int CCount)
{
    if (RowCount() > 0 && ColCount() > 0 && CCount > 0)
        ClearRect(ColIndex, FixedRows(), ColIndex + CCount - 1, RowCount() - FFixedFooters - 1);
}

void TQelStringGrid::ClearNormalCells()
{
    if (RowCount() <= 0 || ColCount() <= 0)
        return;
    if (FixedCols() == 0 && HasNodes())
        RemoveAllNodes();
    ClearRect(FixedCols(), FixedRows(), TotalColCount() - FFixedRightCols - 1,
              RowCount() - FFixedFooters - 1);
}

void TQelStringGrid::Clear()
{
    if (RowCount() <= 0 || ColCount() <= 0)
        return;
    if (HasNodes() && !FDestroying)
        RemoveAllNodes();
    FSearchText.clear();
    ClearRect(0, 0, TotalColCount() - 1, RowCount() - 1);
    if (FNumHidden > 0)
        Invalidate();
}

void TQelStringGrid::ClearAll()
{
    if (RowCount() <= 0 || ColCount() <= 0)
        return;
    if (HasNodes() && !FDestroying)
        RemoveAllNodes();
    FSearchText.clear();
    for (const auto& item : FGridItems)
        for (QString& text : item->FTexts)
            text.clear();
    const int right = std::max(FMaxColCount, TotalColCount()) - 1;
    const int bottom = std::max(FMaxRowCount, RowCount()) - 1;
    // Slots beyond the counts are not cells of the store; their objects go too.
    if (!FClearTextOnly) {
        FreeCellPropertiesRange(TotalColCount(), 0, LastStoredCol(*this), LastStoredRow(*this));
        FreeCellPropertiesRange(0, RowCount(), LastStoredCol(*this), LastStoredRow(*this));
    }
    ClearRect(0, 0, right, bottom);
    if (FNumHidden > 0)
        Invalidate();
}

void TQelStringGrid::ClearSelection()
{
    std::vector<int> lines;
    if (DisjunctRowSelection(lines)) {
        for (int row : lines)
            if (row >= FixedRows() && row < RowCount())
                ClearRows(row, 1);
        return;
    }
    lines.clear();
    if (DisjunctColSelection(lines)) {
        for (int col : lines)
            if (col >= FixedCols())
                ClearCols(col, 1);
        return;
    }
    const TGridRect sel = Selection();
    if (sel.Left < 0 || sel.Top < 0)
        return;  // the selection is hidden
    ClearRect(RealColIndex(sel.Left), sel.Top, RealColIndex(sel.Right), sel.Bottom);
}

// ---------------------------------------------------------------------------
// Rows

void TQelStringGrid::InsertRows(int RowIndex, int RCount, bool UpdateCellControls)
{
    if (RCount <= 0)
        return;
    RowIndex = std::clamp(RowIndex, 0, RowCount());
    if (FloatingFooterVisible() && RowIndex >= RowCount())
        RowIndex = RowCount() - 1;  // the footer row stays last

    const int lastWidth = ColWidths(ColCount() - 1);
    if (SelectionHidden() || Col() >= ColCount() || Row() >= RowCount())
        RestoreSelection();

    // Hidden rows at or after the insertion point move down with the rows.
    const int realAt = RealRowIndex(RowIndex);
    for (auto& item : FGridItems)
        if (item->FIdx >= realAt)
            item->FIdx += RCount;

    TCustomGrid::InsertRow(RowIndex, RCount);
    for (int r = RowIndex; r < RowIndex + RCount; ++r)
        SetRowHeights(r, DefaultRowHeight());
    FNormalRowCount = RowCount();

    InsertRowListEntries(RowIndex, RCount);
    SetColWidths(ColCount() - 1, lastWidth);
    if (UpdateCellControls && HasCellControls()) {
        MoveCellControls(RealRowIndex(RowIndex), RCount);
        CellControlsUpdate();
    }
    UpdateFooter();
    if (!FDestroying)
        NotifyCellsChanged(GridRect(0, RowIndex, ColCount() - 1, RowIndex + RCount));
}

void TQelStringGrid::AddRow()
{
    if (FloatingFooterVisible()) {
        InsertRows(RowCount() - 1, 1, true);
        if (FloatingFooterStyle() == 0)
            ClearRows(RowCount() - 2, 1);
    } else {
        InsertRows(RowCount(), 1, true);
        ClearRows(RowCount() - 1, 1);
    }
}

// Lowers the real index of every hidden row by the number of removed real rows
// below it.  The removed rows are the displayed rows RowIndex .. RowIndex +
// RCount - 1, which may lie on both sides of hidden rows.
void TQelStringGrid::ShiftRowsForRemoval(int RowIndex, int RCount)
{
    if (FGridItems.empty())
        return;
    std::vector<int> removed;
    removed.reserve(static_cast<size_t>(RCount));
    for (int d = RowIndex; d < RowIndex + RCount; ++d)
        removed.push_back(RealRowIndex(d));
    for (auto& item : FGridItems) {
        const auto below = std::lower_bound(removed.begin(), removed.end(), item->FIdx) - removed.begin();
        item->FIdx -= static_cast<int>(below);
    }
}

void TQelStringGrid::FixRowAfterRemoval(int savedRow, int savedTopRow)
{
    const int lastNormal = RowCount() - FFixedFooters - 1;
    if (savedRow <= lastNormal && savedRow >= FixedRows()) {
        std::vector<int> disjunct;
        if (!DisjunctRowSelection(disjunct))
            FocusCell(Col(), savedRow, true, false);
        SetTopRow(savedTopRow);
    } else if (lastNormal >= FixedRows()) {
        FocusCell(Col(), lastNormal, true, false);
    } else {
        HideSelection();
    }
}

void TQelStringGrid::RemoveRows(int RowIndex, int RCount)
{
    // An index at or past the end removes nothing; a count past the end is cut.
    if (RowIndex < 0 || RowIndex >= RowCount() || RCount <= 0)
        return;
    RCount = std::min(RCount, RowCount() - RowIndex);

    if (HasCellControls())
        MoveCellControls(RealRowIndex(RowIndex + RCount), -RCount);
    FreeCellPropertiesRange(0, RowIndex, LastStoredCol(*this), RowIndex + RCount - 1);

    const int lastWidth = ColWidths(ColCount() - 1);
    BeginUpdate();
    const int savedTop = TopRow();
    const int savedRow = Row();
    const bool footerShown = FloatingFooterVisible();
    SetFloatingFooterVisible(false);
    const int savedFooters = FFixedFooters;

    ShiftRowsForRemoval(RowIndex, RCount);
    DeleteRowListEntries(RowIndex, RCount, true);
    TCustomGrid::DeleteRow(RowIndex, RCount);
    FNormalRowCount = RowCount();
    FMaxRowCount = std::max(FMaxRowCount - RCount, RowCount());

    FixRowAfterRemoval(savedRow, savedTop);
    SetColWidths(ColCount() - 1, lastWidth);
    SetFloatingFooterVisible(footerShown);
    FFixedFooters = savedFooters;
    EndUpdate();
    UpdateFooter();

    NotifyCellsChanged(GridRect(0, RowIndex, ColCount() - 1, RowIndex + RCount));

    const int visible = VisibleRowCount();
    if (TopRow() >= RowCount() + FixedRows() - visible - 2 && RowCount() - visible - 1 > 0)
        SetTopRow(RowCount() + FixedRows() - visible - 2);
    if (HasCellControls())
        CellControlsUpdate();
    RepaintSearchFooter();
}

void TQelStringGrid::DeleteRows(int ARow, int RCount)
{
    if (ARow < 0 || RCount <= 0)
        return;
    // Every real column of the deleted rows, hidden ones included, loses its properties.
    FreeCellPropertiesRange(0, ARow, LastStoredCol(*this), ARow + RCount - 1);
    if (ARow >= RowCount())
        return;
    RCount = std::min(RCount, RowCount() - ARow);

    if (HasCellControls())
        DropCellControls(ARow, ARow + RCount - 1);
    const int savedFooters = FFixedFooters;
    FFixedFooters = 0;
    const bool footerShown = FloatingFooterVisible();
    SetFloatingFooterVisible(false);
    const int lastWidth = ColWidths(ColCount() - 1);
    BeginUpdate();
    const int savedTop = TopRow();
    const int savedRow = Row();
    const TGridOptions savedOptions = Options();
    if (savedOptions.Contains(goRowSelect) && RowCount() - FixedRows() > 1)
        SetOptions(savedOptions - goRowSelect);
    if (HasNodes())
        SetCol(FixedCols());

    ShiftRowsForRemoval(ARow, RCount);
    DeleteRowListEntries(ARow, RCount, false);
    TCustomGrid::DeleteRow(ARow, RCount);
    FNormalRowCount = RowCount();

    FixRowAfterRemoval(savedRow, savedTop);
    SetColWidths(ColCount() - 1, lastWidth);
    EndUpdate();
    FFixedFooters = savedFooters;
    SetFloatingFooterVisible(footerShown);
    UpdateFooter();

    NotifyCellsChanged(GridRect(0, ARow, ColCount() - 1, ARow + RCount));
    if (TopRow() > RowCount() - 1)
        SetTopRow(RowCount() - 1);
    if (Row() >= RowCount() && RowCount() > FixedRows()) {
        FocusCell(FixedCols(), FixedRows(), true, false);
        HideSelection();
    }
    if (Options() != savedOptions)
        SetOptions(savedOptions);
    if (HasCellControls())
        CellControlsUpdate();
}

// ---------------------------------------------------------------------------
// Columns (real indices)

void TQelStringGrid::InsertCols(int ColIndex, int CCount)
{
    if (CCount <= 0)
        return;
    ColIndex = std::clamp(ColIndex, 0, TotalColCount());
    const int hidden = FNumHidden;
    // Hidden columns lie beyond ColCount: open the whole store for the move.
    TCustomGrid::SetColCount(ColCount() + hidden);
    TCustomGrid::InsertColumn(ColIndex, CCount);
    if (ColIndex < static_cast<int>(FVisibleCol.size()))
        FVisibleCol.insert(FVisibleCol.begin() + ColIndex, static_cast<size_t>(CCount), 1);
    if (ColIndex < static_cast<int>(FHiddenColWidths.size()))
        FHiddenColWidths.insert(FHiddenColWidths.begin() + ColIndex, static_cast<size_t>(CCount),
                                DefaultColWidth());
    for (int i = ColIndex; i < ColIndex + CCount; ++i)
        SetColWidths(i, DefaultColWidth());
    TCustomGrid::SetColCount(ColCount() - hidden);
    FMaxColCount = std::max(FMaxColCount, ColCount());
    UpdateFooter();
}

void TQelStringGrid::AddColumn() { InsertCols(ColCount(), 1); }

void TQelStringGrid::RemoveCols(int ColIndex, int CCount)
{
    if (ColIndex < 0 || CCount <= 0 || ColIndex >= TotalColCount())
        return;
    CCount = std::min(CCount, TotalColCount() - ColIndex);

    ClearCols(ColIndex, CCount);  // first notification
    // Objects kept by ClearTextOnly, or beyond RowCount, go with their columns.
    FreeCellPropertiesRange(ColIndex, 0, ColIndex + CCount - 1, LastStoredRow(*this));

    // Hidden and visible removed columns are counted apart.
    int hiddenRemoved = 0;
    for (int c = ColIndex; c < ColIndex + CCount; ++c)
        if (IsHiddenColumn(c))
            ++hiddenRemoved;
    const int visibleLeft = std::max(ColCount() - (CCount - hiddenRemoved), 1);

    TCustomGrid::SetColCount(TotalColCount());
    TCustomGrid::DeleteColumn(ColIndex, CCount);
    auto eraseRange = [&](auto& v) {
        if (ColIndex < static_cast<int>(v.size()))
            v.erase(v.begin() + ColIndex, v.begin() + std::min(static_cast<int>(v.size()), ColIndex + CCount));
    };
    eraseRange(FVisibleCol);
    eraseRange(FHiddenColWidths);
    FNumHidden -= hiddenRemoved;
    TCustomGrid::SetColCount(visibleLeft);
    UpdateFooter();

    NotifyCellsChanged(GridRect(ColIndex, 0, ColIndex + CCount, RowCount() - 1));
}
