// Undo and redo of cell edits for a TQelStringGrid.
//
// The component is separate from the grid: a grid refers to it through its
// UndoRedo property, which also tells the component its grid.  Neither owns the
// other; whichever goes first clears the other side's reference.
#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>

class TQelStringGrid;

// One registered change, or a marker bracketing a group of changes.
struct TUndoRedoItem {
    int32_t Col = -1;
    int32_t Row = -1;
    QString Value;       // the text after the change
    QString OrigValue;   // the text before the change
    bool SequenceStart = false;
    bool SequenceStop = false;

    bool IsMarker() const { return SequenceStart || SequenceStop; }
};

class TQelGridUndoRedo {
public:
    TQelGridUndoRedo() = default;
    ~TQelGridUndoRedo();
    TQelGridUndoRedo(const TQelGridUndoRedo&) = delete;
    TQelGridUndoRedo& operator=(const TQelGridUndoRedo&) = delete;

    // Called by TQelStringGrid::SetUndoRedo; not normally called directly.
    void SetGrid(TQelStringGrid* grid) { FGrid = grid; }
    TQelStringGrid* Grid() const { return FGrid; }

    // 0 keeps every entry; a positive value drops the oldest entry before a
    // new change is registered once that many entries are held.
    int32_t MaxLevel() const { return FMaxLevel; }
    void SetMaxLevel(int32_t value) { FMaxLevel = value < 0 ? 0 : value; }

    // Number of entries that count as done (entries 1 .. Level).
    int32_t Level() const { return FLevel; }
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // Entry i, 0-based.
    const TUndoRedoItem& Items(int32_t i) const { return FItems.at(static_cast<size_t>(i)); }

    void RegisterChange(int32_t ACol, int32_t ARow, const QString& OldValue, const QString& NewValue);
    void StartSequence();
    void StopSequence();

    bool CanUndo() const { return FLevel > 0; }
    bool CanRedo() const { return FLevel < Count(); }
    void Reset();

    void Undo();
    void Redo();

    // OnUndo(Sender, Grid, Col, Row, OrigValue, NewValue): OrigValue is the
    // cell's current text, NewValue the text about to be restored.  OnRedo
    // likewise with the entry's new text.
    std::function<void(TQelGridUndoRedo* Sender, TQelStringGrid* Grid, int32_t Col, int32_t Row,
                       const QString& OrigValue, const QString& NewValue)>
        OnUndo;
    std::function<void(TQelGridUndoRedo* Sender, TQelStringGrid* Grid, int32_t Col, int32_t Row,
                       const QString& OrigValue, const QString& NewValue)>
        OnRedo;

private:
    void AppendMarker(bool start);
    void UndoEntry(const TUndoRedoItem& item);
    void RedoEntry(const TUndoRedoItem& item);
    void ApplyText(const TUndoRedoItem& item, const QString& text);

    TQelStringGrid* FGrid = nullptr;
    std::deque<TUndoRedoItem> FItems;
    int32_t FLevel = 0;
    int32_t FMaxLevel = 0;
};
