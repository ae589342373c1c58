#include "QelGridUndo.h"

#include "QelGrid.h"

TQelGridUndoRedo::~TQelGridUndoRedo()
{
    if (FGrid && FGrid->UndoRedo() == this)
        FGrid->SetUndoRedo(nullptr);
    FGrid = nullptr;
}

void TQelGridUndoRedo::RegisterChange(int32_t ACol, int32_t ARow, const QString& OldValue,
                                      const QString& NewValue)
{
    if (FMaxLevel > 0 && Count() >= FMaxLevel)
        FItems.pop_front();
    TUndoRedoItem item;
    item.Col = ACol;
    item.Row = ARow;
    item.Value = NewValue;
    item.OrigValue = OldValue;
    FItems.push_back(std::move(item));
    FLevel = Count();
}

void TQelGridUndoRedo::AppendMarker(bool start)
{
    TUndoRedoItem item;
    item.SequenceStart = start;
    item.SequenceStop = !start;
    FItems.push_back(std::move(item));
    FLevel = Count();
}

void TQelGridUndoRedo::StartSequence() { AppendMarker(true); }

void TQelGridUndoRedo::StopSequence() { AppendMarker(false); }

void TQelGridUndoRedo::Reset()
{
    FItems.clear();
    FLevel = 0;
}

void TQelGridUndoRedo::ApplyText(const TUndoRedoItem& item, const QString& text)
{
    // Markers carry no cell, and rows or columns may have gone since the change
    // was registered: such entries change nothing.
    if (item.IsMarker() || item.Col < 0 || item.Row < 0 || item.Col >= FGrid->TotalColCount() ||
        item.Row >= FGrid->RowCount())
        return;
    FGrid->WriteCellText(item.Col, item.Row, text);
    const int displCol = FGrid->DisplColIndex(item.Col);
    if (displCol >= FGrid->FixedCols() && displCol < FGrid->ColCount() &&
        item.Row >= FGrid->FixedRows())
        FGrid->FocusCell(displCol, item.Row, true);
}

void TQelGridUndoRedo::UndoEntry(const TUndoRedoItem& item)
{
    if (!item.IsMarker() && OnUndo)
        OnUndo(this, FGrid, item.Col, item.Row, FGrid->ReadCellText(item.Col, item.Row), item.OrigValue);
    ApplyText(item, item.OrigValue);
    --FLevel;
}

void TQelGridUndoRedo::RedoEntry(const TUndoRedoItem& item)
{
    if (!item.IsMarker() && OnRedo)
        OnRedo(this, FGrid, item.Col, item.Row, FGrid->ReadCellText(item.Col, item.Row), item.Value);
    ApplyText(item, item.Value);
}

void TQelGridUndoRedo::Undo()
{
    if (!FGrid || FLevel <= 0 || FLevel > Count())
        return;
    // Copy: callbacks may register changes or reset the list.
    const TUndoRedoItem last = FItems[static_cast<size_t>(FLevel - 1)];
    if (!last.SequenceStop) {
        UndoEntry(last);
        return;
    }
    --FLevel;  // below the stop marker
    // The start marker may have been dropped by MaxLevel: the walk ends at the
    // first entry at the latest.
    while (FLevel > 0 && FLevel <= Count() && !FItems[static_cast<size_t>(FLevel - 1)].SequenceStart) {
        const TUndoRedoItem item = FItems[static_cast<size_t>(FLevel - 1)];
        UndoEntry(item);
    }
    if (FLevel > 0)
        --FLevel;  // below the start marker
    FGrid->Invalidate();
}

void TQelGridUndoRedo::Redo()
{
    if (!FGrid || FLevel >= Count())
        return;
    if (FLevel < 0)
        FLevel = 0;
    ++FLevel;
    const TUndoRedoItem first = FItems[static_cast<size_t>(FLevel - 1)];
    if (!first.SequenceStart) {
        RedoEntry(first);
        return;
    }
    while (FLevel < Count()) {
        ++FLevel;
        const TUndoRedoItem item = FItems[static_cast<size_t>(FLevel - 1)];
        if (item.SequenceStop)
            break;
        RedoEntry(item);
    }
    FGrid->Invalidate();
}
