// IGridHost: what a TCustomGrid needs from whatever shows it on screen.
//
// A grid is a plain object; it never owns a window. The widget that shows a grid
// implements this interface and passes itself to TCustomGrid::SetHost. A grid without a
// host works: painting requests, focus, cursor, scroll bars, the editor window and hints
// are then no-ops (the in-place editor is emulated inside the grid, see Grids.h), and
// posted notifications queue up in the grid until TCustomGrid::ProcessPosted() runs them.
//
// The grid calls these functions; the host calls the grid's entry points (see the
// "Entry points for the host" section of TCustomGrid). All coordinates are client
// coordinates of the grid in pixels; TRect excludes its right and bottom edge.
#pragma once

#include "Types.h"

#include <QString>

#include <functional>

// Pointer shapes the grid asks for while the mouse moves over it.
enum TGridCursor : uint8_t {
    gcDefault,   // the normal arrow
    gcColSize,   // over a column sizing zone or while sizing a column (horizontal split)
    gcRowSize,   // over a row sizing zone or while sizing a row (vertical split)
    gcMove       // while dragging a column or row to a new place
};

// One scroll bar, in cell units: Position runs from Min to Max - Page + 1 (Max is the
// last index, Page the number of fully visible scrollable cells, at least 1).
struct TGridScrollBarInfo {
    bool Visible = false;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t Page = 1;
    int32_t Position = 0;
    friend bool operator==(const TGridScrollBarInfo&, const TGridScrollBarInfo&) = default;
};

// What the grid wants from the in-place editor when it shows it (TCustomGrid::CreateEditor
// fills it; subclasses may change every field).
struct TInplaceEditorSpec {
    int32_t Kind = 0;           // 0: the plain one-line text editor; other values belong to subclasses
    bool WordWrap = false;      // multi-line, wrapping editor that accepts Enter
    bool SelectAll = true;      // select the whole text when it opens (else caret at the end)
    bool ReadOnly = false;      // text may not be modified
    int32_t MaxLength = 0;      // 0: no limit
    TAlignment Alignment = taLeftJustify;
    QChar PasswordChar;         // null: plain text
    TColor Color = clWindow;    // background colour
    TColor FontColor = clWindowText;
};

class IGridHost {
public:
    virtual ~IGridHost() = default;

    // Repaint the given client rectangle later (the host paints by calling
    // TCustomGrid::Paint from its paint event).
    virtual void InvalidateRect(const TRect& r) = 0;

    // Keyboard focus. Focused() is true while the grid window or its in-place editor
    // has the focus.
    virtual void SetFocus() = 0;
    virtual bool Focused() const = 0;

    virtual void SetCursor(TGridCursor cursor) = 0;

    // New ranges and positions of both scroll bars (cell units, see TGridScrollBarInfo).
    // The host sends the user's scrolling back through TCustomGrid::ScrollBarMoved.
    virtual void UpdateScrollBars(const TGridScrollBarInfo& horz, const TGridScrollBarInfo& vert) = 0;

    // The in-place editor, owned by the host. ShowEditor places it on the cell rectangle
    // bounds (client coordinates), gives it text, and gives it the focus when the grid had
    // it. MoveEditor only moves it (after scrolling or sizing). HideEditor hides it; the
    // grid has already read its text by then. EditorText/SetEditorText read and replace
    // the text; SetEditorText must not report the change back through
    // TCustomGrid::EditorTextChanged. EditorTypeChar delivers a character as if typed into
    // the editor (replacing the selection), after the events that are already queued: it
    // goes through TCustomGrid::EditorKeyPress like any typed character.
    virtual void ShowEditor(const TRect& bounds, const TInplaceEditorSpec& spec, const QString& text) = 0;
    virtual void MoveEditor(const TRect& bounds) = 0;
    virtual void HideEditor() = 0;
    virtual QString EditorText() const = 0;
    virtual void SetEditorText(const QString& text) = 0;
    virtual void EditorTypeChar(QChar ch) = 0;

    // A hint window with text whose top-left corner is at pos (client coordinates);
    // HideHint removes it.
    virtual void ShowHint(const QString& text, TPoint pos) = 0;
    virtual void HideHint() = 0;

    // Run fn on the user-interface thread after the current event has been handled.
    virtual void Post(std::function<void()> fn) = 0;

    // The grid is being destroyed: the host must forget it (and call nothing on it).
    virtual void GridDestroyed() {}
};
