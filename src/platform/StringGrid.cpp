// TStringGrid: the cell store (a text and an object reference per cell) on TCustomGrid.
#include "Grids.h"

#include <algorithm>

namespace {
// Columns beyond ColCount may be written (hidden columns keep their slots there), within
// this margin past the widest stored row or the count.
constexpr int kSpareCols = 1024;
}  // namespace

TStringGrid::TStringGrid() = default;

TStringGrid::~TStringGrid() {
    for (TRowSlots* r : FRows) delete r;
}

const TStringGrid::TCellSlot* TStringGrid::slot(int col, int row) const {
    if (col < 0 || row < 0 || row >= int(FRows.size())) return nullptr;
    const TRowSlots* r = FRows[size_t(row)];
    if (!r || col >= int(r->size())) return nullptr;
    return &(*r)[size_t(col)];
}

TStringGrid::TCellSlot* TStringGrid::slotForWrite(int col, int row) {
    if (col < 0 || row < 0) return nullptr;
    if (row >= std::max(RowCount(), int(FRows.size()))) return nullptr;
    if (row >= int(FRows.size())) FRows.resize(size_t(row) + 1, nullptr);
    TRowSlots*& r = FRows[size_t(row)];
    if (!r || col >= int(r->size())) {
        if (col >= std::max(ColCount(), StoredColCount()) + kSpareCols) return nullptr;
        if (!r) r = new TRowSlots();
        growRow(*r, col + 1);
    }
    return &(*r)[size_t(col)];
}

void TStringGrid::recomputeStoredWidth() {
    size_t w = 0;
    for (const TRowSlots* r : FRows)
        if (r) w = std::max(w, r->size());
    FStoredWidth = int(w);
}

void TStringGrid::growRow(TRowSlots& r, int width) {
    if (width <= int(r.size())) return;
    r.resize(size_t(width));
    FStoredWidth = std::max(FStoredWidth, width);
}

void TStringGrid::freeRow(int row) {
    delete FRows[size_t(row)];
    FRows[size_t(row)] = nullptr;
}

void TStringGrid::cellChanged(int col, int row) {
    InvalidateCell(col, row);
    CellChangedUnderEditor(col, row);
}

QString TStringGrid::Cells(int col, int row) const {
    const TCellSlot* s = slot(col, row);
    return s ? s->Text : QString();
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    const TCellSlot* existing = slot(col, row);
    if (existing ? existing->Text == text : text.isEmpty()) return;
    TCellSlot* s = slotForWrite(col, row);
    if (!s) return;
    s->Text = text;
    cellChanged(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const {
    const TCellSlot* s = slot(col, row);
    return s ? s->Object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* obj) {
    const TCellSlot* existing = slot(col, row);
    if (existing ? existing->Object == obj : obj == nullptr) return;
    TCellSlot* s = slotForWrite(col, row);
    if (!s) return;
    s->Object = obj;
    InvalidateCell(col, row);
}

void TStringGrid::ClearSlot(int col, int row) {
    if (col < 0 || row < 0 || row >= int(FRows.size()) || !FRows[size_t(row)]) return;
    TRowSlots& r = *FRows[size_t(row)];
    if (col >= int(r.size())) return;
    r[size_t(col)] = TCellSlot{};
    cellChanged(col, row);
}

TGridLine TStringGrid::Rows(int row) const {
    TGridLine line;
    if (row < 0) return line;
    const TRowSlots* r = row < int(FRows.size()) ? FRows[size_t(row)] : nullptr;
    const int n = std::max(ColCount(), r ? int(r->size()) : 0);
    line.Strings.reserve(n);
    line.Objects.reserve(size_t(n));
    for (int c = 0; c < n; ++c) {
        if (r && c < int(r->size())) {
            line.Strings.append((*r)[size_t(c)].Text);
            line.Objects.push_back((*r)[size_t(c)].Object);
        } else {
            line.Strings.append(QString());
            line.Objects.push_back(nullptr);
        }
    }
    return line;
}

void TStringGrid::SetRows(int row, const TGridLine& line) {
    if (row < 0 || row >= std::max(RowCount(), int(FRows.size()))) return;
    const int n = line.Count();
    TRowSlots* r = row < int(FRows.size()) ? FRows[size_t(row)] : nullptr;
    // Slots past the line's end are emptied.
    if (r)
        for (int c = n; c < int(r->size()); ++c) (*r)[size_t(c)] = TCellSlot{};
    for (int c = 0; c < n; ++c) {
        TObject* obj = c < int(line.Objects.size()) ? line.Objects[size_t(c)] : nullptr;
        const QString& text = line.Strings[c];
        if (text.isEmpty() && !obj && !slot(c, row)) continue;
        TCellSlot* s = slotForWrite(c, row);
        if (!s) break;
        s->Text = text;
        s->Object = obj;
    }
    InvalidateRow(row);
    if (InplaceRow() == row) CellChangedUnderEditor(InplaceCol(), row);
}

TGridLine TStringGrid::Cols(int col) const {
    TGridLine line;
    if (col < 0) return line;
    const int n = RowCount();
    line.Strings.reserve(n);
    line.Objects.reserve(size_t(n));
    for (int r = 0; r < n; ++r) {
        const TCellSlot* s = slot(col, r);
        line.Strings.append(s ? s->Text : QString());
        line.Objects.push_back(s ? s->Object : nullptr);
    }
    return line;
}

void TStringGrid::SetCols(int col, const TGridLine& line) {
    if (col < 0) return;
    const int n = line.Count();
    for (int r = n; r < int(FRows.size()); ++r) {
        if (FRows[size_t(r)] && col < int(FRows[size_t(r)]->size())) (*FRows[size_t(r)])[size_t(col)] = TCellSlot{};
    }
    for (int r = 0; r < n; ++r) {
        TObject* obj = r < int(line.Objects.size()) ? line.Objects[size_t(r)] : nullptr;
        const QString& text = line.Strings[r];
        if (text.isEmpty() && !obj && !slot(col, r)) continue;
        TCellSlot* s = slotForWrite(col, r);
        if (!s) continue;
        s->Text = text;
        s->Object = obj;
    }
    InvalidateCol(col);
    if (InplaceCol() == col) CellChangedUnderEditor(col, InplaceRow());
}

void TStringGrid::CopyRow(int srcRow, int dstRow) {
    if (srcRow < 0 || dstRow < 0 || srcRow == dstRow) return;
    if (dstRow >= std::max(RowCount(), int(FRows.size()))) return;
    const TRowSlots* src = srcRow < int(FRows.size()) ? FRows[size_t(srcRow)] : nullptr;
    if (dstRow >= int(FRows.size())) FRows.resize(size_t(dstRow) + 1, nullptr);
    if (!src) {
        freeRow(dstRow);
    } else if (TRowSlots* dst = FRows[size_t(dstRow)]) {
        *dst = *src;
    } else {
        FRows[size_t(dstRow)] = new TRowSlots(*src);
    }
    FStoredWidth = std::max(FStoredWidth, src ? int(src->size()) : 0);
    InvalidateRow(dstRow);
    if (InplaceRow() == dstRow) CellChangedUnderEditor(InplaceCol(), dstRow);
}

void TStringGrid::CopyCol(int srcCol, int dstCol) {
    if (srcCol < 0 || dstCol < 0 || srcCol == dstCol) return;
    if (dstCol >= std::max(ColCount(), StoredColCount()) + kSpareCols) return;
    for (TRowSlots* r : FRows) {
        if (!r) continue;
        if (srcCol < int(r->size())) {
            growRow(*r, dstCol + 1);
            (*r)[size_t(dstCol)] = (*r)[size_t(srcCol)];
        } else if (dstCol < int(r->size())) {
            (*r)[size_t(dstCol)] = TCellSlot{};
        }
    }
    InvalidateCol(dstCol);
    if (InplaceCol() == dstCol) CellChangedUnderEditor(dstCol, InplaceRow());
}

void TStringGrid::ForEachObject(const std::function<void(int col, int row, TObject*& obj)>& fn) {
    for (size_t r = 0; r < FRows.size(); ++r) {
        TRowSlots* row = FRows[r];
        if (!row) continue;
        for (size_t c = 0; c < row->size(); ++c) {
            if ((*row)[c].Object) fn(int(c), int(r), (*row)[c].Object);
        }
    }
}

void TStringGrid::ClearStore() {
    for (TRowSlots* r : FRows) delete r;
    FRows.clear();
    FStoredWidth = 0;
    Invalidate();
    if (EditorVisible()) CellChangedUnderEditor(InplaceCol(), InplaceRow());
}

// ---- Hooks ---------------------------------------------------------------------------------

QString TStringGrid::GetEditText(int col, int row) {
    QString value = Cells(col, row);
    if (OnGetEditText) OnGetEditText(this, col, row, value);
    return value;
}

void TStringGrid::SetEditText(int col, int row, const QString& value) {
    ++FEditUpdate;
    if (Cells(col, row) != value) SetCells(col, row, value);
    --FEditUpdate;
    TCustomGrid::SetEditText(col, row, value);
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex) {
    const int lo = std::min(fromIndex, toIndex);
    const int hi = std::max(fromIndex, toIndex);
    for (TRowSlots* r : FRows) {
        if (!r || lo >= int(r->size())) continue;
        growRow(*r, hi + 1);
        if (fromIndex < toIndex) std::rotate(r->begin() + lo, r->begin() + lo + 1, r->begin() + hi + 1);
        else std::rotate(r->begin() + lo, r->begin() + hi, r->begin() + hi + 1);
    }
    TCustomGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex) {
    const int lo = std::min(fromIndex, toIndex);
    const int hi = std::max(fromIndex, toIndex);
    if (lo < int(FRows.size())) {
        if (hi >= int(FRows.size())) FRows.resize(size_t(hi) + 1, nullptr);
        if (fromIndex < toIndex) std::rotate(FRows.begin() + lo, FRows.begin() + lo + 1, FRows.begin() + hi + 1);
        else std::rotate(FRows.begin() + lo, FRows.begin() + hi, FRows.begin() + hi + 1);
    }
    TCustomGrid::RowMoved(fromIndex, toIndex);
}

void TStringGrid::RowsInserted(int index, int count) {
    // A vector of plain pointers: inserting at the top is one memmove.
    if (index < int(FRows.size())) FRows.insert(FRows.begin() + index, size_t(count), nullptr);
}

void TStringGrid::RowsDeleted(int index, int count) {
    if (index >= int(FRows.size())) return;
    const int end = std::min(int(FRows.size()), index + count);
    for (int r = index; r < end; ++r) freeRow(r);
    FRows.erase(FRows.begin() + index, FRows.begin() + end);
}

void TStringGrid::ColumnsInserted(int index, int count) {
    for (TRowSlots* r : FRows)
        if (r && index < int(r->size())) r->insert(r->begin() + index, size_t(count), TCellSlot{});
    recomputeStoredWidth();
}

void TStringGrid::ColumnsDeleted(int index, int count) {
    for (TRowSlots* r : FRows) {
        if (!r || index >= int(r->size())) continue;
        r->erase(r->begin() + index, r->begin() + std::min(int(r->size()), index + count));
    }
    recomputeStoredWidth();
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (DefaultDrawing()) Canvas().TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    TCustomGrid::DrawCell(col, row, rect, state);
}
