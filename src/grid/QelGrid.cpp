// TQelStringGrid: construction, counts, hidden columns and rows, index
// mapping and change notification.
#include "QelGrid.h"

#include "QelGridUndo.h"

#include <algorithm>

TQelStringGrid::TQelStringGrid()
{
    FNumHidden = 0;
    SetRowCount(10);
    SetDefaultRowHeight(22);
    FMaxColCount = ColCount();
    FMaxRowCount = RowCount();
}

TQelStringGrid::~TQelStringGrid()
{
    FDestroying = true;
    if (FUndoRedo && FUndoRedo->Grid() == this)
        FUndoRedo->SetGrid(nullptr);
    FUndoRedo = nullptr;
}

// ---------------------------------------------------------------------------
// Counts

void TQelStringGrid::SetColCount(int value)
{
    if (value < 1)
        value = 1;
    if (FixedCols() >= value)
        TCustomGrid::SetFixedCols(value - 1);
    TCustomGrid::SetColCount(value);
    FMaxColCount = std::max(FMaxColCount, ColCount());
    UpdateFooter();
    if (FFixedColAlways)
        SetFixedCols(FixedCols());
}

void TQelStringGrid::SetRowCount(int value)
{
    if (value < 1)
        value = 1;
    if (FixedRows() >= value)
        TCustomGrid::SetFixedRows(value - 1);
    TCustomGrid::SetRowCount(value);
    FMaxRowCount = std::max(FMaxRowCount, RowCount());
    FNormalRowCount = RowCount();
    UpdateFooter();
    if (FFixedRowAlways)
        SetFixedRows(FixedRows());
}

void TQelStringGrid::SetFixedCols(int value)
{
    if (FFixedColAlways) {
        if (value < 1)
            value = 1;
        if (value >= ColCount())
            value = ColCount() - 1;
    }
    TCustomGrid::SetFixedCols(value);
}

void TQelStringGrid::SetFixedRows(int value)
{
    if (FFixedRowAlways) {
        if (value < 1)
            value = 1;
        if (value >= RowCount())
            value = RowCount() - 1;
    }
    TCustomGrid::SetFixedRows(value);
}

void TQelStringGrid::SetFixedColAlways(bool value)
{
    FFixedColAlways = value;
    if (value)
        SetFixedCols(FixedCols());
}

void TQelStringGrid::SetFixedRowAlways(bool value)
{
    FFixedRowAlways = value;
    if (value)
        SetFixedRows(FixedRows());
}

void TQelStringGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    FMaxColCount = std::max(FMaxColCount, ColCount());
    FMaxRowCount = std::max(FMaxRowCount, RowCount());
    TBaseGrid::SizeChanged(oldColCount, oldRowCount);
}

void TQelStringGrid::LastRowChanged() { UpdateFooter(); }

void TQelStringGrid::CalcFooter(int) {}

void TQelStringGrid::UpdateFooter() {}

// ---------------------------------------------------------------------------
// Index mapping

bool TQelStringGrid::VisibleColFlag(int realCol) const
{
    if (realCol < 0 || realCol >= static_cast<int>(FVisibleCol.size()))
        return true;
    return FVisibleCol[static_cast<size_t>(realCol)] != 0;
}

void TQelStringGrid::SetVisibleColFlag(int realCol, bool visible)
{
    if (realCol < 0)
        return;
    if (realCol >= static_cast<int>(FVisibleCol.size())) {
        if (visible)
            return;  // indices past the end already read as visible
        FVisibleCol.resize(static_cast<size_t>(realCol) + 1, 1);
    }
    FVisibleCol[static_cast<size_t>(realCol)] = visible ? 1 : 0;
}

bool TQelStringGrid::IsHiddenColumn(int realCol) const { return !VisibleColFlag(realCol); }

int TQelStringGrid::DisplColIndex(int realCol) const
{
    if (FNumHidden == 0 || realCol <= 0)
        return realCol;
    const int limit = std::min(realCol, static_cast<int>(FVisibleCol.size()));
    int hidden = 0;
    for (int i = 0; i < limit; ++i)
        if (!FVisibleCol[static_cast<size_t>(i)])
            ++hidden;
    return realCol - hidden;
}

int TQelStringGrid::RealColIndex(int displCol) const
{
    if (FNumHidden == 0 || displCol < 0)
        return displCol;
    const int size = static_cast<int>(FVisibleCol.size());
    int visibleSeen = 0;
    for (int i = 0; i < size; ++i) {
        if (FVisibleCol[static_cast<size_t>(i)]) {
            if (visibleSeen == displCol)
                return i;
            ++visibleSeen;
        }
    }
    // Every real column past the flags is visible.
    return size + (displCol - visibleSeen);
}

int TQelStringGrid::RealRowIndex(int displRow) const
{
    if (FGridItems.empty() || displRow < 0)
        return displRow;
    int real = displRow;
    for (const auto& item : FGridItems) {
        if (item->FIdx <= real)
            ++real;
        else
            break;
    }
    return real;
}

int TQelStringGrid::DisplRowIndex(int realRow) const
{
    if (FGridItems.empty())
        return realRow;
    int below = 0;
    for (const auto& item : FGridItems) {
        if (item->FIdx < realRow)
            ++below;
        else
            break;
    }
    return realRow - below;
}

TGridItem* TQelStringGrid::HiddenRowItem(int realRow) const
{
    auto it = std::lower_bound(FGridItems.begin(), FGridItems.end(), realRow,
                               [](const std::unique_ptr<TGridItem>& item, int r) { return item->FIdx < r; });
    return it != FGridItems.end() && (*it)->FIdx == realRow ? it->get() : nullptr;
}

bool TQelStringGrid::IsHiddenRow(int realRow) const { return HiddenRowItem(realRow) != nullptr; }

// ---------------------------------------------------------------------------
// Hidden columns and rows: the data model

void TQelStringGrid::HideColumnData(int realCol)
{
    if (realCol < 0 || realCol >= TotalColCount() || IsHiddenColumn(realCol) || ColCount() <= 1)
        return;
    const int displCol = DisplColIndex(realCol);
    if (realCol >= static_cast<int>(FHiddenColWidths.size()))
        FHiddenColWidths.resize(static_cast<size_t>(realCol) + 1, DefaultColWidth());
    FHiddenColWidths[static_cast<size_t>(realCol)] = ColWidths(displCol);
    for (int i = displCol; i < ColCount() - 1; ++i)
        SetColWidths(i, ColWidths(i + 1));
    SetVisibleColFlag(realCol, false);
    ++FNumHidden;
    SetColCount(ColCount() - 1);
}

void TQelStringGrid::UnHideColumnData(int realCol)
{
    if (realCol < 0 || !IsHiddenColumn(realCol))
        return;
    SetVisibleColFlag(realCol, true);
    --FNumHidden;
    const int displCol = DisplColIndex(realCol);
    SetColCount(ColCount() + 1);
    for (int i = ColCount() - 1; i > displCol; --i)
        SetColWidths(i, ColWidths(i - 1));
    const int width = realCol < static_cast<int>(FHiddenColWidths.size())
                          ? FHiddenColWidths[static_cast<size_t>(realCol)]
                          : DefaultColWidth();
    SetColWidths(displCol, width);
}

void TQelStringGrid::HideRowData(int displRow)
{
    if (displRow < 0 || displRow >= RowCount() || RowCount() <= 1)
        return;
    auto item = std::make_unique<TGridItem>();
    item->FIdx = RealRowIndex(displRow);
    const int width = StoredColCount();
    for (int c = 0; c < width; ++c) {
        item->FTexts.append(Cells(c, displRow));
        item->FObjects.push_back(Objects(c, displRow));
        SetObjects(c, displRow, nullptr);
    }
    // The platform's row deletion moves the rows below up with their slots and heights.
    TCustomGrid::DeleteRow(displRow, 1);
    FNormalRowCount = RowCount();
    auto pos = std::lower_bound(FGridItems.begin(), FGridItems.end(), item->FIdx,
                                [](const std::unique_ptr<TGridItem>& it, int r) { return it->FIdx < r; });
    FGridItems.insert(pos, std::move(item));
}

void TQelStringGrid::UnHideRowData(int realRow)
{
    auto it = std::find_if(FGridItems.begin(), FGridItems.end(),
                           [&](const std::unique_ptr<TGridItem>& item) { return item->FIdx == realRow; });
    if (it == FGridItems.end())
        return;
    std::unique_ptr<TGridItem> item = std::move(*it);
    FGridItems.erase(it);
    const int displRow = std::min(DisplRowIndex(realRow), RowCount());
    TCustomGrid::InsertRow(displRow, 1);
    FNormalRowCount = RowCount();
    for (int c = 0; c < item->FTexts.size(); ++c)
        SetCells(c, displRow, item->FTexts[c]);
    for (size_t c = 0; c < item->FObjects.size(); ++c) {
        SetObjects(static_cast<int>(c), displRow, item->FObjects[c]);
        item->FObjects[c] = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Notification and undo

void TQelStringGrid::NotifyCellsChanged(const TGridRect& R)
{
    if (OnCellsChanged)
        OnCellsChanged(this, R);
    // A notifier may unregister itself while being told: walk a copy.
    const std::vector<TGridChangeNotifier*> notifiers = FNotifiers;
    for (TGridChangeNotifier* n : notifiers)
        if (std::find(FNotifiers.begin(), FNotifiers.end(), n) != FNotifiers.end())
            n->CellsChanged(this, R);
    CalcFooter(-1);
}

void TQelStringGrid::RegisterNotifier(TGridChangeNotifier* notifier)
{
    if (notifier && std::find(FNotifiers.begin(), FNotifiers.end(), notifier) == FNotifiers.end())
        FNotifiers.push_back(notifier);
}

void TQelStringGrid::UnRegisterNotifier(TGridChangeNotifier* notifier)
{
    FNotifiers.erase(std::remove(FNotifiers.begin(), FNotifiers.end(), notifier), FNotifiers.end());
}

void TQelStringGrid::SetUndoRedo(TQelGridUndoRedo* value)
{
    if (FUndoRedo == value)
        return;
    if (FUndoRedo && FUndoRedo->Grid() == this)
        FUndoRedo->SetGrid(nullptr);
    FUndoRedo = value;
    if (FUndoRedo) {
        if (TQelStringGrid* other = FUndoRedo->Grid(); other && other != this)
            other->FUndoRedo = nullptr;
        FUndoRedo->SetGrid(this);
    }
}
