// TCustomGrid keyboard handling: default navigation, Enter/F2/Escape and typing into the
// in-place editor, and the keys the editor hands back to the grid.
#include "Grids.h"

#include <algorithm>

void TCustomGrid::KeyDown(TKey& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
    if (key == 0) return;
    navigate(key, shift);
}

void TCustomGrid::KeyUp(TKey& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TCustomGrid::KeyPress(QChar& key) {
    if (OnKeyPress) OnKeyPress(this, key);
    if (key == QChar('\r') && !FOptions.Contains(goAlwaysShowEditor)) {
        if (FEditorMode) HideEditor();
        else if (FOptions.Contains(goEditing)) ShowEditor();
        key = QChar();
    }
}

void TCustomGrid::CharTyped(QChar ch) {
    if (ch.isNull()) return;
    if (FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) &&
        (ch == QChar(0x08) || (ch.unicode() >= 0x20 && ch.unicode() != 0x7F))) {
        showEditorChar(ch);
        return;
    }
    KeyPress(ch);
}

void TCustomGrid::navigate(TKey& key, TShiftState shift) {
    const bool rowSelect = FOptions.Contains(goRowSelect);
    const bool ctrl = shift.Contains(ssCtrl);
    const int pageHeight = std::max(1, LastFullVisibleRow() - FTopLeft.Y + 1);
    const int pageWidth = std::max(1, LastFullVisibleCol() - FTopLeft.X + 1);
    TGridCoord cur = FCurrent;
    TGridCoord tl = FTopLeft;
    bool handled = true;

    if (key == VK_ESCAPE) {
        // Escape gives the editor its original text back and closes it.
        if (EditorVisible()) {
            SetInplaceEditorText(FEditOriginal);
            if (FOptions.Contains(goAlwaysShowEditor)) SetEditText(FInplaceCol, FInplaceRow, FEditOriginal);
            else HideEditor();   // stores the restored text on the way out
        }
        return;
    }

    if (ctrl) {
        switch (key) {
        case VK_UP: --tl.Y; break;
        case VK_DOWN: ++tl.Y; break;
        case VK_LEFT:
            if (!rowSelect) { cur.X -= pageWidth; tl.X -= pageWidth; }
            break;
        case VK_RIGHT:
            if (!rowSelect) { cur.X += pageWidth; tl.X += pageWidth; }
            break;
        case VK_PRIOR: cur.Y = FTopLeft.Y; break;
        case VK_NEXT: cur.Y = LastFullVisibleRow(); break;
        case VK_HOME: cur = TGridCoord{FFixedCols, FFixedRows}; break;
        case VK_END: cur = TGridCoord{FColCount - 1, FRowCount - 1}; break;
        default: handled = false; break;
        }
    } else {
        switch (key) {
        case VK_UP: --cur.Y; break;
        case VK_DOWN: ++cur.Y; break;
        case VK_LEFT:
            if (rowSelect) --tl.X;
            else --cur.X;
            break;
        case VK_RIGHT:
            if (rowSelect) ++tl.X;
            else ++cur.X;
            break;
        case VK_NEXT: cur.Y += pageHeight; tl.Y += pageHeight; break;
        case VK_PRIOR: cur.Y -= pageHeight; tl.Y -= pageHeight; break;
        case VK_HOME:
            if (rowSelect) cur.Y = FFixedRows;
            else cur.X = FFixedCols;
            break;
        case VK_END:
            if (rowSelect) cur.Y = FRowCount - 1;
            else cur.X = FColCount - 1;
            break;
        case VK_TAB:
            if (!FOptions.Contains(goTabs) || shift.Contains(ssAlt) || FFixedCols >= FColCount ||
                FFixedRows >= FRowCount) {
                handled = false;
                break;
            }
            {
                // Walk to the next (previous) column with a tab stop, wrapping at the row
                // ends and at the grid ends; at most one full round.
                const bool back = shift.Contains(ssShift);
                const long long cells = (long long)(FColCount - FFixedCols) * (FRowCount - FFixedRows);
                long long steps = 0;
                do {
                    if (back) {
                        if (--cur.X < FFixedCols) {
                            cur.X = FColCount - 1;
                            if (--cur.Y < FFixedRows) cur.Y = FRowCount - 1;
                        }
                    } else {
                        if (++cur.X >= FColCount) {
                            cur.X = FFixedCols;
                            if (++cur.Y >= FRowCount) cur.Y = FFixedRows;
                        }
                    }
                } while (!TabStops(cur.X) && cur.X != FCurrent.X && ++steps < std::min<long long>(cells, FColCount + 1));
                shift = TShiftState{};   // Shift+Tab goes back; it does not stretch the selection
            }
            break;
        case VK_F2: SetEditorMode(true); return;
        default: handled = false; break;
        }
    }
    if (!handled) return;

    const TGridCoord maxTL = MaxTopLeft();
    tl.X = std::clamp(tl.X, FFixedCols, std::max(FFixedCols, maxTL.X));
    tl.Y = std::clamp(tl.Y, FFixedRows, std::max(FFixedRows, maxTL.Y));
    if (!(tl == FTopLeft)) MoveTopLeft(tl.X, tl.Y);
    if (FFixedCols >= FColCount || FFixedRows >= FRowCount) return;   // nowhere to move
    cur.X = std::clamp(cur.X, FFixedCols, FColCount - 1);
    cur.Y = std::clamp(cur.Y, FFixedRows, FRowCount - 1);
    if (rowSelect) cur.X = FCurrent.X;
    if (!(cur == FCurrent)) FocusCell(cur.X, cur.Y, !shift.Contains(ssShift));
}

bool TCustomGrid::EditorKeyDown(TKey& key, TShiftState shift, int selStart, int selLength, int textLength) {
    const bool ctrl = shift.Contains(ssCtrl);
    const bool always = FOptions.Contains(goAlwaysShowEditor);
    // Caret (or a whole-text selection) at the start, or a caret at the end.
    const bool leftSide = selStart == 0 && (selLength == 0 || selLength == textLength);
    const bool rightSide = (selStart == 0 || selLength == 0) && selStart + selLength == textLength;
    bool toGrid = false;
    switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE: toGrid = true; break;
    case VK_INSERT:
        if (shift.Empty()) toGrid = true;
        else if (shift == TShiftState{ssShift} && !FCanEditModify) { key = 0; return true; }
        break;
    case VK_LEFT:
    case VK_HOME: toGrid = always && (ctrl || leftSide); break;
    case VK_RIGHT:
    case VK_END: toGrid = always && (ctrl || rightSide); break;
    case VK_TAB: toGrid = !shift.Contains(ssAlt); break;
    case VK_DELETE:
        if (ctrl) toGrid = true;
        else if (!FCanEditModify) { key = 0; return true; }
        break;
    default: break;
    }
    if (toGrid) {
        KeyDown(key, shift);
        key = 0;
        return true;
    }
    // Every other key is seen by the grid's OnKeyDown before the editor handles it.
    if (OnKeyDown) OnKeyDown(this, key, shift);
    return key == 0;
}

bool TCustomGrid::EditorKeyPress(QChar& key) {
    KeyPress(key);
    if (key.isNull()) return true;
    const char16_t c = key.unicode();
    if (c == u'\t' || c == 0x1B) return true;
    if (c == u'\r' || c == u'\n') return !FEditorSpec.WordWrap;
    if (!FCanEditModify || FEditorSpec.ReadOnly) return true;
    return false;
}
