// The string-grid control model: TCustomGrid (geometry, scrolling, current cell and
// selection, keyboard and mouse handling, the in-place editor protocol and the paint pass)
// and TStringGrid (a text slot and an object slot per cell).
//
// A grid is a plain C++ object without a window; it talks to whatever shows it through
// IGridHost (GridHost.h). The host forwards its events to the entry points below.
//
// Conventions:
// - Cells are addressed (col, row), zero-based, fixed rows and columns counted.
// - A property X is read with X() and written with SetX(v).
// - Callbacks On... are public std::function members, called only when set; their first
//   parameter is the grid (Sender). Parameters passed by reference are in and out.
// - Virtual hooks carry the behaviour a subclass extends; each default fires the matching
//   callback where there is one.
// - Pixel geometry: column c occupies [left, left + ColWidths(c)) followed by a grid line of
//   GridLineWidth() pixels; rows the same downwards. Fixed columns and rows start at 0 and
//   never scroll; the scrollable cells start at LeftCol() / TopRow() right after them.
// QtCore and QtGui only.
#pragma once

#include "Canvas.h"
#include "GridHost.h"
#include "Types.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <vector>

enum TGridOption : uint8_t {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
    goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
    goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

// Default options of a new grid.
constexpr TGridOptions DefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                                          goRangeSelect};

enum TGridDrawStateItem : uint8_t { gdSelected, gdFocused, gdFixed, gdRowSelected, gdHotTrack, gdPressed };
using TGridDrawState = TSet<TGridDrawStateItem>;

// What a mouse drag is doing.
enum TGridState : uint8_t { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// One line of a grid (a row or a column): the texts and object references of its cells.
struct TGridLine {
    QStringList Strings;
    std::vector<TObject*> Objects;   // same length as Strings
    int Count() const { return int(Strings.size()); }
};

class TCustomGrid : public TObject {
public:
    TCustomGrid();
    ~TCustomGrid() override;
    TCustomGrid(const TCustomGrid&) = delete;
    TCustomGrid& operator=(const TCustomGrid&) = delete;

    // ---- Host ---------------------------------------------------------------------------
    // The host is not owned; pass nullptr before the host goes away.
    void SetHost(IGridHost* host);
    IGridHost* Host() const { return FHost; }

    // ---- Counts and sizes ---------------------------------------------------------------
    // ColCount and RowCount are at least 1. Lowering a count below the fixed count lowers
    // the fixed count with it; a count equal to its fixed count (no scrollable cells) is
    // allowed. Values out of range are clamped.
    int ColCount() const { return FColCount; }
    void SetColCount(int value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int value);
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int value);   // clamped to 0..ColCount
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int value);   // clamped to 0..RowCount

    // Setting a default size resets every column (row) to it.
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int value);
    // Per-index sizes (negative values count as 0). Sizes set for indices at or beyond the
    // count are kept and come back when the count grows again; an index out of range
    // reads as the default size.
    int ColWidths(int col) const;
    void SetColWidths(int col, int width);
    int RowHeights(int row) const;
    void SetRowHeights(int row, int height);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int value);
    // Per-column Tab stop (default true): Tab skips columns without one.
    bool TabStops(int col) const;
    void SetTabStops(int col, bool value);

    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions value);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor value);
    TColor GridLineColor() const { return FGridLineColor; }
    void SetGridLineColor(TColor value);
    TColor FixedGridLineColor() const { return FFixedGridLineColor; }
    void SetFixedGridLineColor(TColor value);
    // Font of the cells; the paint pass puts it on the canvas before each cell.
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    // With DefaultDrawing the paint pass fills each cell's background before DrawCell and
    // TStringGrid draws the text; without it DrawCell draws everything.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);

    // ---- Client area and scrolling --------------------------------------------------------
    // The host reports its client size; a grid without a host starts at 400 x 300.
    void SetClientSize(int width, int height);
    int ClientWidth() const { return FClientWidth; }
    int ClientHeight() const { return FClientHeight; }

    // First scrollable column and row on screen. Setting clamps to FixedCols .. the last
    // position that still fills the client area (see MaxTopLeft).
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int value);
    // The largest LeftCol / TopRow: the last page of cells fills the client area.
    TGridCoord MaxTopLeft() const;
    // Fully visible scrollable columns / rows from LeftCol / TopRow on (0 when none fits).
    int VisibleColCount() const;
    int VisibleRowCount() const;
    // Last column / row at least partly visible, and last fully visible (at least the
    // first scrollable one, so a page is never empty).
    int LastVisibleCol() const;
    int LastVisibleRow() const;
    int LastFullVisibleCol() const;
    int LastFullVisibleRow() const;
    // Widths of the fixed area: fixed columns (rows) with their grid lines.
    int FixedWidth() const;
    int FixedHeight() const;

    // The pixel rectangle of any cell (grid line excluded, right and bottom exclusive),
    // on screen or not: cells scrolled out to the left or top get negative coordinates,
    // cells beyond the client area coordinates past it. Fixed cells are always at their
    // fixed place. Indices outside the grid give an empty rectangle at (0, 0).
    TRect CellRect(int col, int row) const;
    // The cell at a client point. A grid line belongs to the cell before it. Points
    // outside every cell (left or above the grid, past the last column or row, in the
    // unscrolled area right of or below the cells) give -1 for that axis.
    TGridCoord MouseCoord(int x, int y) const;
    void MouseToCell(int x, int y, int& col, int& row) const;
    // The sizing zone under a point: gsColSizing (in the fixed rows, within 3 pixels of a
    // column's right edge; index = that column), gsRowSizing (in the fixed columns near a
    // row's bottom edge), else gsNormal. Only with goColSizing / goRowSizing.
    TGridState SizingZone(int x, int y, int* index = nullptr) const;

    // ---- Current cell and selection --------------------------------------------------------
    int Col() const { return FCurrent.X; }
    void SetCol(int value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int value);
    // Moves the current cell (asks SelectCell first; Show scrolls it into view); MoveAnchor
    // false keeps the anchor so the selection stretches (with goRangeSelect). Indices are
    // clamped into the grid. Returns whether the move happened.
    bool FocusCell(int col, int row, bool moveAnchor, bool show = true);
    // The selection rectangle, spanned by the anchor and the current cell (row-select
    // mode: whole rows of scrollable columns).
    TGridRect Selection() const;
    // Anchor := top-left, current cell := bottom-right, without SelectCell. A rectangle
    // with a negative coordinate hides the selection instead (the current cell stays).
    void SetSelection(const TGridRect& value);
    TGridCoord Anchor() const { return FAnchor; }
    // While hidden no cell draws as selected; Selection() reports (-1, -1, -1, -1).
    void HideSelection();
    void RestoreSelection();
    bool SelectionHidden() const { return FSelectionHidden; }
    // Scrolls so the cell is fully visible (as far as the client area allows).
    void ClampInView(int col, int row);

    // Fixed cell under the mouse and fixed cell held down (-1 when none).
    int HotCol() const { return FHot.X; }
    int HotRow() const { return FHot.Y; }
    int PressedCol() const { return FPressed.X; }
    int PressedRow() const { return FPressed.Y; }
    TGridState GridState() const { return FGridState; }

    // ---- Structure ---------------------------------------------------------------------------
    // Rows and columns move with their sizes; the current cell follows the moved cell;
    // ColumnMoved / RowMoved tell subclasses to move their data. Indices out of range are
    // ignored.
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);
    // Insert empty lines before index (index = count appends) or delete lines; counts
    // change by count; sizes shift; the data hooks RowsInserted ... let subclasses follow.
    virtual void InsertRow(int index, int count = 1);
    virtual void DeleteRow(int index, int count = 1);
    virtual void InsertColumn(int index, int count = 1);
    virtual void DeleteColumn(int index, int count = 1);

    // ---- Repainting ----------------------------------------------------------------------------
    void InvalidateCell(int col, int row);
    void InvalidateRow(int row);
    void InvalidateCol(int col);
    void InvalidateGridRect(const TGridRect& r);
    void InvalidateRect(const TRect& r);
    void Invalidate();
    // Nestable bulk-update bracket: repaint requests and scroll bar updates are collected
    // and sent once when the outermost EndUpdate runs.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    // ---- Canvas -----------------------------------------------------------------------------
    // During a paint pass the canvas being painted; otherwise a canvas without a device that
    // measures text with the grid's font (needs a QGuiApplication).
    TCanvas& Canvas();
    bool Painting() const { return FPaintCanvas != nullptr; }

    // ---- Focus ----------------------------------------------------------------------------------
    // Asks the host for the focus; without a host the grid just counts as focused.
    void SetFocus();
    bool Focused() const;

    // ---- In-place editor --------------------------------------------------------------------------
    // EditorMode true asks for the editor on the current cell (it opens when CanEditShow
    // allows); false closes it, storing its text through SetEditText.
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool value);
    void ShowEditor();
    void HideEditor();
    // The editor is on screen (for a cell: InplaceCol/InplaceRow), -1 when closed.
    bool EditorVisible() const { return FInplaceCol >= 0; }
    int InplaceCol() const { return FInplaceCol; }
    int InplaceRow() const { return FInplaceRow; }
    // The editor's current text (the host's, or the emulated one without a host).
    QString InplaceEditorText() const;
    // Replaces the editor's text (not reported back as a change).
    void SetInplaceEditorText(const QString& text);

    // ---- Deferred notifications ------------------------------------------------------------------
    // Runs fn after the current event: through IGridHost::Post, or without a host queued in
    // the grid until ProcessPosted() is called. ProcessPosted runs, in order, what was
    // queued when it started; what those functions post waits for the next call.
    void Post(std::function<void()> fn);
    void ProcessPosted();
    int PostedCount() const { return int(FPosted.size()); }

    // ---- Entry points for the host -----------------------------------------------------------------
    // Painting: the host paints the whole client area (clip as it likes) with Paint.
    virtual void Paint(TCanvas& canvas);
    // Keys on the grid window. The host calls KeyDown for every key press, then CharTyped
    // for the character it produces (if any), and KeyUp. WantsTab tells the host whether Tab
    // belongs to the grid (goTabs) or moves the focus.
    virtual void KeyDown(TKey& key, TShiftState shift);
    virtual void KeyUp(TKey& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    virtual void CharTyped(QChar ch);
    bool WantsTab() const { return FOptions.Contains(goTabs); }
    // Mouse. For the second press of a double click the host calls DblClick instead of
    // MouseDown (it fires OnDblClick and OnMouseDown with ssDouble). The host keeps the mouse captured while a button is down
    // and, while the pointer is outside the client area with a button down, calls
    // DragScrollTick about every 60 ms (it does nothing when there is nothing to scroll).
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void DblClick(TMouseButton button, TShiftState shift, int x, int y);
    void MouseLeave();
    void DragScrollTick();
    // Wheel: delta in eighths of a degree (120 per notch). Returns whether it was handled.
    virtual bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos);
    // Focus moved into (true) or out of (false) the grid or its editor.
    void FocusChanged(bool focused);
    // The user moved a scroll bar to position (cell units); tracking is true while the
    // thumb is being dragged (followed only with goThumbTracking; the final position comes
    // with tracking false).
    void ScrollBarMoved(bool vertical, int position, bool tracking);
    // A hint is about to show for the point: true with the text and its position to show it.
    // Default: no hint (subclasses answer per cell).
    virtual bool HintRequest(int x, int y, QString& hintText, TPoint& hintPos);

    // Editor events. EditorKeyDown comes first for every key pressed in the editor
    // (caret/selection given as selStart, selLength in a text of textLength characters);
    // true means the grid took the key (or a handler consumed it) and the editor must not
    // process it. EditorKeyPress likewise for characters. EditorTextChanged after every
    // change of the text by the user. EditorExit when the editor loses the focus to a
    // window other than the grid.
    virtual bool EditorKeyDown(TKey& key, TShiftState shift, int selStart, int selLength, int textLength);
    virtual bool EditorKeyPress(QChar& key);
    virtual void EditorTextChanged(const QString& text);
    virtual void EditorExit();

    // ---- Callbacks ------------------------------------------------------------------------------------
    std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;
    std::function<void(TObject* Sender)> OnTopLeftChanged;
    std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)> OnDrawCell;
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnGetEditText;
    std::function<void(TObject* Sender, int ACol, int ARow, const QString& Value)> OnSetEditText;
    std::function<void(TObject* Sender, int FromIndex, int ToIndex)> OnColumnMoved;
    std::function<void(TObject* Sender, int FromIndex, int ToIndex)> OnRowMoved;
    std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)> OnKeyDown;
    std::function<void(TObject* Sender, TKey& Key, TShiftState Shift)> OnKeyUp;
    std::function<void(TObject* Sender, QChar& Key)> OnKeyPress;
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseDown;
    std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)> OnMouseMove;
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)> OnMouseUp;
    std::function<void(TObject* Sender)> OnClick;
    std::function<void(TObject* Sender)> OnDblClick;
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)> OnMouseWheel;
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)> OnMouseWheelDown;
    std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)> OnMouseWheelUp;
    std::function<void(TObject* Sender)> OnEnter;
    std::function<void(TObject* Sender)> OnExit;

protected:
    // ---- Hooks ---------------------------------------------------------------------------------------
    // Asked before every move of the current cell; false keeps it. Default: OnSelectCell.
    // May change options (goEditing) for the target cell.
    virtual bool SelectCell(int col, int row);
    // After LeftCol or TopRow changed. Default: OnTopLeftChanged.
    virtual void TopLeftChanged();
    // Draws one cell (fixed, partly visible and scrollable cells alike). Default: OnDrawCell.
    // Draws on Canvas() with its font set to Font() and, with DefaultDrawing, its brush
    // colour to the cell's background colour (already filled).
    virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
    // Runs after all cells and grid lines have been drawn. Default: nothing.
    virtual void PaintEpilogue(TCanvas& canvas);
    // Whether the editor may be on screen now. Default: goEditing without goRowSelect,
    // EditorMode on, and the grid focused or goAlwaysShowEditor.
    virtual bool CanEditShow();
    // Whether the editor's text may be modified (false opens it read-only). Default true.
    virtual bool CanEditModify();
    // The editor's kind and look for the current cell, asked every time it opens.
    virtual TInplaceEditorSpec CreateEditor();
    // Text exchange with the editor: its text when it opens on a cell, and every change
    // and the final text when it closes. Defaults: OnGetEditText; OnSetEditText.
    virtual QString GetEditText(int col, int row);
    virtual void SetEditText(int col, int row, const QString& value);
    // The selection changed from oldSel (repaints old and new). Default: repaint.
    virtual void SelectionMoved(const TGridRect& oldSel);
    // Column and row sizing with the mouse: the veto at the start, the proposed size
    // while dragging (may be changed), the end.
    virtual bool BeginColumnSize(int col);
    virtual void ColumnSizing(int col, int& width);
    virtual void EndColumnSize(int col);
    virtual bool BeginRowSize(int row);
    virtual void RowSizing(int row, int& height);
    virtual void EndRowSize(int row);
    // Column and row moving with the mouse: the veto at the start (origin may change), the
    // check while dragging (destination may change; false refuses that place) and the veto
    // at the end.
    virtual bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool CheckColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool EndColumnDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool BeginRowDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool CheckRowDrag(int& origin, int& destination, TPoint mousePt);
    virtual bool EndRowDrag(int& origin, int& destination, TPoint mousePt);
    // After MoveColumn / MoveRow moved the sizes. Defaults: OnColumnMoved / OnRowMoved.
    virtual void ColumnMoved(int fromIndex, int toIndex);
    virtual void RowMoved(int fromIndex, int toIndex);
    // Data hooks of the structural operations, called after the counts changed.
    virtual void RowsInserted(int index, int count);
    virtual void RowsDeleted(int index, int count);
    virtual void ColumnsInserted(int index, int count);
    virtual void ColumnsDeleted(int index, int count);
    // Counts changed (after the change; sizes already adjusted).
    virtual void SizeChanged(int oldColCount, int oldRowCount);
    // One wheel notch down / up: OnMouseWheelDown / OnMouseWheelUp first; when they leave
    // it unhandled, the current row moves one row down / up. Returns whether handled.
    virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
    virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
    virtual void Click();
    virtual void DoEnter();
    virtual void DoExit();

    // The non-virtual paint pass that Paint runs: background, cells (DrawCell), grid lines,
    // the move indicator, PaintEpilogue.
    void PaintPass(TCanvas& canvas);
    // The draw state of a cell as the paint pass computes it.
    TGridDrawState CellDrawState(int col, int row) const;
    // Moves the current cell without scrolling rules of FocusCell (SelectCell is asked).
    bool MoveCurrent(int col, int row, bool moveAnchor, bool show);
    // Moves the far end of the selection (mouse drags, Shift+click), without SelectCell.
    void MoveAnchor(int col, int row);
    void MoveTopLeft(int leftCol, int topRow);
    // Refreshes editor position and contents after the current cell or scroll changed.
    void UpdateEdit();
    // The editor closes without leaving EditorMode (its text goes to SetEditText first).
    void HideEdit();
    void UpdateScrollBars();
    // True while a subclass changes cells in the editor's cell: the editor text is not
    // refreshed (TStringGrid sets it while storing editor text).
    int FEditUpdate = 0;
    // A cell's text changed: refreshes the open editor's text when it is on that cell
    // (not while FEditUpdate is set).
    void CellChangedUnderEditor(int col, int row);

private:
    int colExtent(int col) const { return ColWidths(col); }
    int rowExtent(int row) const { return RowHeights(row); }
    int colPos(int col) const;    // left edge of a column in client coordinates
    int rowPos(int row) const;
    int firstScrollCol() const { return FFixedCols; }
    int firstScrollRow() const { return FFixedRows; }
    int lastFull(bool vertical) const;
    int lastPartial(bool vertical) const;
    int maxTopLeft(bool vertical) const;
    void clampTopLeft();
    void clampCurrent();
    void setHot(TGridCoord c);
    void setPressed(TGridCoord c);
    void moveSizes(std::vector<int32_t>& sizes, int from, int to);
    void insertSizes(std::vector<int32_t>& sizes, int index, int count);
    void deleteSizes(std::vector<int32_t>& sizes, int index, int count);
    void flushUpdate();
    void showEditorChar(QChar ch);
    TGridCoord clampedCoordAt(int x, int y) const;
    void dragSelectTo(int x, int y);
    void drawMoveIndicator(TCanvas& canvas);
    void navigate(TKey& key, TShiftState shift);

    IGridHost* FHost = nullptr;
    TCanvas* FPaintCanvas = nullptr;
    std::unique_ptr<TCanvas> FMeasureCanvas;
    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    // Per-index sizes; -1 means the default size; indices past the vector are default.
    std::vector<int32_t> FColWidths;
    std::vector<int32_t> FRowHeights;
    std::vector<uint8_t> FTabStops;   // 1: tab stop (default for indices past the vector)
    TGridOptions FOptions = DefaultGridOptions;
    TColor FColor = clWindow;
    TColor FFixedColor = clBtnFace;
    TColor FGridLineColor = clSilver;
    TColor FFixedGridLineColor = clBlack;
    TFont FFont;
    bool FDefaultDrawing = true;
    TScrollStyle FScrollBars = ssBoth;
    int FClientWidth = 400;
    int FClientHeight = 300;

    TGridCoord FTopLeft{1, 1};
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    bool FSelectionHidden = false;
    TGridCoord FHot{-1, -1};
    TGridCoord FPressed{-1, -1};

    // Mouse drags.
    TGridState FGridState = gsNormal;
    int FSizingIndex = -1;
    int FSizingStart = 0;     // pointer position where sizing started
    int FSizingOrig = 0;      // size when sizing started
    int FMoveIndex = -1;      // line being moved
    int FMovePos = -1;        // where it would go
    TPoint FLastMouse;
    bool FMouseDown = false;

    // Editor.
    bool FEditorMode = false;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    bool FCanEditModify = true;
    TInplaceEditorSpec FEditorSpec;
    QString FEditOriginal;        // text when the editor opened (Escape restores it)
    QString FEmulatedEditText;    // the editor's text without a host
    bool FEmulatedAllSelected = false;

    // Focus without a host.
    bool FFocused = false;

    // Updates.
    int FUpdateCount = 0;
    bool FPendingAll = false;
    bool FPendingAny = false;
    TRect FPendingRect;
    bool FPendingScrollBars = false;
    TGridScrollBarInfo FLastHorz, FLastVert;
    bool FScrollBarsSent = false;

    long long FWheelAccumulator = 0;
    std::deque<std::function<void()>> FPosted;
};

// A grid of text cells with one untyped object reference per cell.
//
// Store: one pointer per stored row (rows that were never written hold no memory), each
// row as wide as its last written column. A cell's text takes 24 bytes in its row: texts
// of up to 11 UTF-16 code units are kept in place, longer ones in a QString of their own
// (shared with the QString they were written from). Object references live in a second
// array per row that exists only once the row holds an object. Slots of columns and rows
// at or beyond the counts are kept when a count shrinks and come back when it grows.
//
// Ownership: the slots never own the objects they reference. Nothing in this class frees
// an object: clearing a slot, assigning a row or column (SetRows, SetCols), copying over a
// row or column, deleting rows or columns and ClearStore drop the references only, and the
// destructor leaves the objects alone. Whoever puts objects into the slots keeps them alive
// and frees them (the grid layer's TBaseGrid does so for its cell properties).
class TStringGrid : public TCustomGrid {
public:
    TStringGrid();
    ~TStringGrid() override;

    // Text of a cell; empty for an unstored or invalid cell. Writing to a negative index,
    // or to a row at or beyond max(RowCount, stored rows), or a column at or beyond
    // max(TotalColCount() + HiddenColAllowance(), widest stored row), is ignored. Writing
    // repaints the cell and refreshes the open editor on it.
    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    // The text of a cell without building a QString (no allocation, no reference count):
    // for readers that only look at the text (compare, parse, measure, write it out).
    // The view is valid until the store next changes: any write of a text or an object,
    // ClearSlot, row or column assignment, copy, insertion, deletion or move, a change of
    // the counts that frees rows, ClearStore or the grid's destruction. Copy it into a
    // QString (toString()) to keep it longer. Empty for an unstored or invalid cell.
    QStringView CellView(int col, int row) const;
    // CellView that also gives the cell's object reference (nullptr when none), for
    // readers that need both (one row look-up).
    QStringView CellView(int col, int row, TObject*& obj) const;
    // SetCells from a view: the same rules and effects; a text short enough to be kept in
    // place is stored without building a QString (longer texts are copied into one).
    void SetCellsFromView(int col, int row, QStringView text);
    // Slots a row that is stored for the first time reserves at once (0: grow as needed),
    // for writers that fill rows of a known width column by column (a file loader). Only
    // the memory reserved changes: a row's width still follows its last written column.
    void SetNewRowWidthHint(int width) { FNewRowWidthHint = width < 0 ? 0 : width; }
    int NewRowWidthHint() const { return FNewRowWidthHint; }
    TObject* Objects(int col, int row) const;
    void SetObjects(int col, int row, TObject* obj);
    // Empties a slot's text and object reference (the object is not freed).
    void ClearSlot(int col, int row);

    // Whole rows and columns: a copy of their slots (Rows: columns 0 .. max(ColCount,
    // stored width) - 1; Cols: rows 0 .. RowCount - 1) and assignment from such a copy
    // (missing entries clear the slot; extra entries are stored as far as allowed). The
    // references that an assignment replaces are dropped, not freed.
    TGridLine Rows(int row) const;
    void SetRows(int row, const TGridLine& line);
    TGridLine Cols(int col) const;
    void SetCols(int col, const TGridLine& line);
    // Copies every slot of one row (column) onto another: texts and object references,
    // also in columns (rows) beyond the counts. The source keeps its slots, so afterwards
    // both reference the same objects; the target's former references are dropped.
    void CopyRow(int srcRow, int dstRow);
    void CopyCol(int srcCol, int dstCol);

    // The store's extent: rows held (including rows beyond RowCount) and the widest row.
    int StoredRowCount() const { return int(FRows.size()); }
    int StoredColCount() const { return FStoredWidth; }
    // Real columns of the store: ColCount here. A subclass that keeps hidden columns past
    // ColCount counts them too, so that writes to them are always stored.
    virtual int TotalColCount() const { return ColCount(); }
    // Calls fn for every slot holding an object (row by row, columns ascending); fn may
    // replace the reference.
    void ForEachObject(const std::function<void(int col, int row, TObject*& obj)>& fn);
    // Drops every text and object reference (objects are not freed).
    void ClearStore();

protected:
    // Columns past TotalColCount() that writes may still reach (default 1024): room for
    // callers that store a few columns beyond the count. Negative values count as 0.
    int HiddenColAllowance() const { return FHiddenColAllowance; }
    void SetHiddenColAllowance(int value) { FHiddenColAllowance = value < 0 ? 0 : value; }

    void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
    QString GetEditText(int col, int row) override;
    void SetEditText(int col, int row, const QString& value) override;
    void ColumnMoved(int fromIndex, int toIndex) override;
    void RowMoved(int fromIndex, int toIndex) override;
    void RowsInserted(int index, int count) override;
    void RowsDeleted(int index, int count) override;
    void ColumnsInserted(int index, int count) override;
    void ColumnsDeleted(int index, int count) override;

private:
    // One cell's text in 24 bytes: up to kInline code units in place, or a QString on the
    // heap. FUnits[kInline] is the tag: the in-place length, or kBoxed; in the boxed form
    // the first 8 bytes hold the QString pointer.
    class TCellText {
    public:
        static constexpr int kInline = 11;

        TCellText() noexcept = default;
        TCellText(const TCellText& other) { copyFrom(other); }
        TCellText(TCellText&& other) noexcept { takeFrom(other); }
        TCellText& operator=(const TCellText& other);
        TCellText& operator=(TCellText&& other) noexcept;
        ~TCellText() { Clear(); }

        void Set(const QString& text);
        void Set(QStringView text);
        // Set on a slot that holds no text yet (a new slot).
        void SetNew(QStringView text) {
            const qsizetype n = text.size();
            if (n > kInline) {
                setBox(new QString(text.toString()));
                return;
            }
            if (n > 0) std::memcpy(FUnits, text.utf16(), size_t(n) * sizeof(char16_t));
            FUnits[kInline] = char16_t(n);
        }
        void Clear() noexcept;
        bool IsEmpty() const { return FUnits[kInline] == 0; }
        QStringView View() const {
            if (boxed()) return QStringView(*box());
            return QStringView(FUnits, qsizetype(FUnits[kInline]));
        }
        QString ToString() const;

    private:
        static constexpr char16_t kBoxed = 0xFFFF;
        bool boxed() const { return FUnits[kInline] == kBoxed; }
        QString* box() const;
        void setBox(QString* p);
        void copyFrom(const TCellText& other);
        void takeFrom(TCellText& other) noexcept;

        alignas(8) char16_t FUnits[kInline + 1] = {};
    };
    static_assert(sizeof(TCellText) == 24);

    struct TRowSlots {
        std::vector<TCellText> Texts;
        // Null until the row holds an object; then as long as Texts.
        std::unique_ptr<std::vector<TObject*>> Objects;

        TRowSlots() = default;
        TRowSlots(const TRowSlots& other);
        TRowSlots& operator=(const TRowSlots& other);
        int Width() const { return int(Texts.size()); }
        TObject* ObjectAt(int col) const { return Objects ? (*Objects)[size_t(col)] : nullptr; }
    };

    // Storage of the rows: carved from blocks of many rows (one allocation for many
    // rows, and rows of one load lie together), freed rows reused by later ones. Blocks
    // go back only when the store is emptied (ClearStore) or the grid is destroyed.
    class TRowPool {
    public:
        TRowPool() = default;
        TRowPool(const TRowPool&) = delete;
        TRowPool& operator=(const TRowPool&) = delete;
        // Room for one row (uninitialised).
        void* Take() {
            if (FFree) {
                TCell* c = FFree;
                FFree = c->Next;
                return c;
            }
            if (FLeft == 0) addBlock();
            --FLeft;
            return FUncarved++;
        }
        // The room of a destroyed row.
        void Give(void* p) noexcept {
            TCell* c = static_cast<TCell*>(p);
            c->Next = FFree;
            FFree = c;
        }
        // Drops every block; only when no row lives in them.
        void Release() noexcept;

    private:
        union TCell {
            TCell* Next;
            alignas(TRowSlots) unsigned char Bytes[sizeof(TRowSlots)];
        };
        void addBlock();

        std::vector<std::unique_ptr<TCell[]>> FBlocks;
        TCell* FFree = nullptr;
        TCell* FUncarved = nullptr;   // the rest of the last block
        size_t FLeft = 0;
    };

    TRowSlots* newRow() {
        void* p = FRowPool.Take();
        return new (p) TRowSlots();   // cannot throw
    }
    TRowSlots* newRow(const TRowSlots& src);
    void deleteRow(TRowSlots* r) noexcept {
        if (!r) return;
        r->~TRowSlots();
        FRowPool.Give(r);
    }

    const TRowSlots* storedRow(int row) const {
        if (row < 0 || row >= int(FRows.size())) return nullptr;
        return FRows[size_t(row)];
    }
    // The row grown to hold col, or nullptr when the write is not allowed.
    TRowSlots* rowForWrite(int col, int row);
    int storeColLimit() const;
    void setObject(TRowSlots& r, int col, TObject* obj);
    void clearSlot(TRowSlots& r, int col);
    void cellChanged(int col, int row);
    void freeRow(int row);
    void growRow(TRowSlots& r, int width);
    void recomputeStoredWidth();

    // Raw pointers keep insertion at the top a single memmove; the grid owns them (the
    // rows live in FRowPool, which outlives them).
    TRowPool FRowPool;
    std::vector<TRowSlots*> FRows;
    int FStoredWidth = 0;   // widest row (an upper bound after rows were freed)
    int FHiddenColAllowance = 1024;
    int FNewRowWidthHint = 0;
};

// Inline: the readers of the store (file writers, formula scans) call it for every cell.
inline QStringView TStringGrid::CellView(int col, int row) const {
    const TRowSlots* r = storedRow(row);
    if (!r || col < 0 || col >= r->Width()) return QStringView();
    return r->Texts[size_t(col)].View();
}

// Inline: called for every cell written. Both calls do nothing without a host or an
// open editor, so bulk writers without a window (file loads) skip them here.
inline void TStringGrid::cellChanged(int col, int row) {
    if (Host()) InvalidateCell(col, row);
    if (EditorVisible()) CellChangedUnderEditor(col, row);
}

inline QStringView TStringGrid::CellView(int col, int row, TObject*& obj) const {
    const TRowSlots* r = storedRow(row);
    if (!r || col < 0 || col >= r->Width()) {
        obj = nullptr;
        return QStringView();
    }
    obj = r->ObjectAt(col);
    return r->Texts[size_t(col)].View();
}
