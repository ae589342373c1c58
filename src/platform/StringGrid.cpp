// TStringGrid: the cell store (a text and an object reference per cell) on TCustomGrid.
#include "Grids.h"

#include <algorithm>
#include <climits>
#include <cstring>

// ---- TCellText -------------------------------------------------------------------------

QString* TStringGrid::TCellText::box() const {
    QString* p;
    std::memcpy(&p, FUnits, sizeof p);
    return p;
}

void TStringGrid::TCellText::setBox(QString* p) {
    std::memcpy(FUnits, &p, sizeof p);
    FUnits[kInline] = kBoxed;
}

void TStringGrid::TCellText::Clear() noexcept {
    if (boxed()) delete box();
    std::memset(FUnits, 0, sizeof FUnits);
}

void TStringGrid::TCellText::copyFrom(const TCellText& other) {
    if (other.boxed()) setBox(new QString(*other.box()));
    else std::memcpy(FUnits, other.FUnits, sizeof FUnits);
}

void TStringGrid::TCellText::takeFrom(TCellText& other) noexcept {
    // Both forms move as plain bytes: the box pointer changes hands.
    std::memcpy(FUnits, other.FUnits, sizeof FUnits);
    std::memset(other.FUnits, 0, sizeof other.FUnits);
}

TStringGrid::TCellText& TStringGrid::TCellText::operator=(const TCellText& other) {
    if (this == &other) return *this;
    if (boxed() && other.boxed()) {
        *box() = *other.box();
        return *this;
    }
    Clear();
    copyFrom(other);
    return *this;
}

TStringGrid::TCellText& TStringGrid::TCellText::operator=(TCellText&& other) noexcept {
    if (this == &other) return *this;
    Clear();
    takeFrom(other);
    return *this;
}

void TStringGrid::TCellText::Set(const QString& text) {
    const qsizetype n = text.size();
    if (n <= kInline) {
        if (boxed()) delete box();
        std::memset(FUnits, 0, sizeof FUnits);
        // constData, not utf16(): utf16() makes a private copy of literal and raw texts.
        if (n > 0) std::memcpy(FUnits, text.constData(), size_t(n) * sizeof(char16_t));
        FUnits[kInline] = char16_t(n);
    } else if (boxed()) {
        *box() = text;
    } else {
        setBox(new QString(text));
    }
}

void TStringGrid::TCellText::Set(QStringView text) {
    const qsizetype n = text.size();
    if (n <= kInline) {
        if (boxed()) delete box();
        std::memset(FUnits, 0, sizeof FUnits);
        if (n > 0) std::memcpy(FUnits, text.utf16(), size_t(n) * sizeof(char16_t));
        FUnits[kInline] = char16_t(n);
    } else if (boxed()) {
        *box() = text.toString();
    } else {
        setBox(new QString(text.toString()));
    }
}

QString TStringGrid::TCellText::ToString() const {
    if (boxed()) return *box();
    const int n = FUnits[kInline];
    return n ? QString(reinterpret_cast<const QChar*>(FUnits), n) : QString();
}

// ---- TRowSlots -------------------------------------------------------------------------

TStringGrid::TRowSlots::TRowSlots(const TRowSlots& other)
    : Texts(other.Texts),
      Objects(other.Objects ? std::make_unique<std::vector<TObject*>>(*other.Objects) : nullptr) {}

TStringGrid::TRowSlots& TStringGrid::TRowSlots::operator=(const TRowSlots& other) {
    if (this == &other) return *this;
    Texts = other.Texts;
    if (!other.Objects) Objects.reset();
    else if (Objects) *Objects = *other.Objects;
    else Objects = std::make_unique<std::vector<TObject*>>(*other.Objects);
    return *this;
}

// ---- Row storage -----------------------------------------------------------------------

void TStringGrid::TRowPool::addBlock() {
    // Blocks grow with the store: a small grid takes little, a big load few allocations.
    const size_t count = size_t(64) << std::min<size_t>(FBlocks.size(), 8);   // 64 .. 16,384 rows
    FBlocks.push_back(std::make_unique_for_overwrite<TCell[]>(count));
    FUncarved = FBlocks.back().get();
    FLeft = count;
}

void TStringGrid::TRowPool::Release() noexcept {
    FBlocks.clear();
    FFree = nullptr;
    FUncarved = nullptr;
    FLeft = 0;
}

TStringGrid::TRowSlots* TStringGrid::newRow(const TRowSlots& src) {
    void* p = FRowPool.Take();
    try {
        return new (p) TRowSlots(src);
    } catch (...) {
        FRowPool.Give(p);
        throw;
    }
}

// ---- Store -----------------------------------------------------------------------------

TStringGrid::TStringGrid() = default;

TStringGrid::~TStringGrid() {
    for (TRowSlots* r : FRows) deleteRow(r);
}

int TStringGrid::storeColLimit() const {
    const long long limit = std::max<long long>(
        (long long)TotalColCount() + FHiddenColAllowance, FStoredWidth);
    return int(std::min<long long>(limit, INT_MAX));
}

TStringGrid::TRowSlots* TStringGrid::rowForWrite(int col, int row) {
    if (col < 0 || row < 0) return nullptr;
    if (row >= std::max(RowCount(), int(FRows.size()))) return nullptr;
    TRowSlots* existing = row < int(FRows.size()) ? FRows[size_t(row)] : nullptr;
    if (existing && col < existing->Width()) return existing;
    // The limit is never below the widest row, so narrower columns skip computing it.
    if (col >= FStoredWidth && col >= storeColLimit()) return nullptr;
    if (row == int(FRows.size())) FRows.push_back(nullptr);   // the next row: no general resize
    else if (row > int(FRows.size())) FRows.resize(size_t(row) + 1, nullptr);
    TRowSlots*& r = FRows[size_t(row)];
    if (!r) r = newRow();
    growRow(*r, col + 1);
    return r;
}

void TStringGrid::recomputeStoredWidth() {
    int w = 0;
    for (const TRowSlots* r : FRows)
        if (r) w = std::max(w, r->Width());
    FStoredWidth = w;
}

void TStringGrid::growRow(TRowSlots& r, int width) {
    if (width <= r.Width()) return;
    const size_t cap = r.Texts.capacity();
    if (cap == 0 && FNewRowWidthHint > width) {
        // A new row of a writer that announced its rows' width: one allocation.
        r.Texts.reserve(size_t(FNewRowWidthHint));
    } else if (size_t(width) > cap) {
        // Geometric growth, but not past the real column count: a row filled column by
        // column ends exactly as wide as the grid, and a lone cell takes one slot.
        const size_t total = size_t(std::max(TotalColCount(), 1));
        size_t next = size_t(width) <= total ? std::min(std::max<size_t>(cap * 2, 4), total)
                                             : std::max<size_t>(cap * 2, 4);
        r.Texts.reserve(std::max(next, size_t(width)));
    }
    // Column by column (the usual case) appends one slot, without the general resize.
    if (size_t(width) == r.Texts.size() + 1) r.Texts.emplace_back();
    else r.Texts.resize(size_t(width));
    if (r.Objects) {
        r.Objects->reserve(r.Texts.capacity());
        r.Objects->resize(size_t(width), nullptr);
    }
    FStoredWidth = std::max(FStoredWidth, width);
}

void TStringGrid::setObject(TRowSlots& r, int col, TObject* obj) {
    if (!r.Objects) {
        if (!obj) return;
        r.Objects = std::make_unique<std::vector<TObject*>>();
        r.Objects->reserve(r.Texts.capacity());
        r.Objects->resize(r.Texts.size(), nullptr);
    }
    (*r.Objects)[size_t(col)] = obj;
}

void TStringGrid::clearSlot(TRowSlots& r, int col) {
    r.Texts[size_t(col)].Clear();
    if (r.Objects) (*r.Objects)[size_t(col)] = nullptr;
}

void TStringGrid::freeRow(int row) {
    deleteRow(FRows[size_t(row)]);
    FRows[size_t(row)] = nullptr;
}

QString TStringGrid::Cells(int col, int row) const {
    const TRowSlots* r = storedRow(row);
    if (!r || col < 0 || col >= r->Width()) return QString();
    return r->Texts[size_t(col)].ToString();
}

void TStringGrid::SetCells(int col, int row, const QString& text) {
    if (CellView(col, row) == QStringView(text)) return;
    TRowSlots* r = rowForWrite(col, row);
    if (!r) return;
    r->Texts[size_t(col)].Set(text);
    cellChanged(col, row);
}

void TStringGrid::SetCellsFromView(int col, int row, QStringView text) {
    // Same steps as SetCells: an unchanged text (an unstored cell reads empty) is left
    // alone; otherwise the row is grown as far as the write is allowed.
    TRowSlots* r = row >= 0 && row < int(FRows.size()) ? FRows[size_t(row)] : nullptr;
    if (r && col >= 0) {
        const int width = r->Width();
        if (col < width) {
            TCellText& slot = r->Texts[size_t(col)];
            if (slot.View() == text) return;
            slot.Set(text);
            cellChanged(col, row);
            return;
        }
        if (col == width && col < FStoredWidth && size_t(col) < r->Texts.capacity() && !r->Objects) {
            // The next column of a row that has room reserved (a row filled column by
            // column, as a file loader does): what rowForWrite and growRow would do, in
            // one step. The write is allowed because a wider row is stored, and the
            // widest row stays the same.
            if (text.isEmpty()) return;
            r->Texts.emplace_back().SetNew(text);
            cellChanged(col, row);
            return;
        }
    }
    if (text.isEmpty()) return;
    r = rowForWrite(col, row);
    if (!r) return;
    r->Texts[size_t(col)].Set(text);
    cellChanged(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const {
    const TRowSlots* r = storedRow(row);
    if (!r || col < 0 || col >= r->Width()) return nullptr;
    return r->ObjectAt(col);
}

void TStringGrid::SetObjects(int col, int row, TObject* obj) {
    if (Objects(col, row) == obj) return;
    TRowSlots* r = rowForWrite(col, row);
    if (!r) return;
    setObject(*r, col, obj);
    InvalidateCell(col, row);
}

void TStringGrid::ClearSlot(int col, int row) {
    if (col < 0 || row < 0 || row >= int(FRows.size()) || !FRows[size_t(row)]) return;
    TRowSlots& r = *FRows[size_t(row)];
    if (col >= r.Width()) return;
    clearSlot(r, col);
    cellChanged(col, row);
}

TGridLine TStringGrid::Rows(int row) const {
    TGridLine line;
    if (row < 0) return line;
    const TRowSlots* r = storedRow(row);
    const int w = r ? r->Width() : 0;
    const int n = std::max(ColCount(), w);
    line.Strings.reserve(n);
    line.Objects.reserve(size_t(n));
    for (int c = 0; c < n; ++c) {
        if (c < w) {
            line.Strings.append(r->Texts[size_t(c)].ToString());
            line.Objects.push_back(r->ObjectAt(c));
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
    // Slots past the line's end are emptied.
    if (TRowSlots* r = row < int(FRows.size()) ? FRows[size_t(row)] : nullptr)
        for (int c = n; c < r->Width(); ++c) clearSlot(*r, c);
    for (int c = 0; c < n; ++c) {
        TObject* obj = c < int(line.Objects.size()) ? line.Objects[size_t(c)] : nullptr;
        const QString& text = line.Strings[c];
        const TRowSlots* stored = storedRow(row);
        if (text.isEmpty() && !obj && !(stored && c < stored->Width())) continue;
        TRowSlots* r = rowForWrite(c, row);
        if (!r) break;
        r->Texts[size_t(c)].Set(text);
        setObject(*r, c, obj);
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
    for (int row = 0; row < n; ++row) {
        const TRowSlots* r = storedRow(row);
        const bool held = r && col < r->Width();
        line.Strings.append(held ? r->Texts[size_t(col)].ToString() : QString());
        line.Objects.push_back(held ? r->ObjectAt(col) : nullptr);
    }
    return line;
}

void TStringGrid::SetCols(int col, const TGridLine& line) {
    if (col < 0) return;
    const int n = line.Count();
    for (int row = n; row < int(FRows.size()); ++row) {
        if (TRowSlots* r = FRows[size_t(row)]; r && col < r->Width()) clearSlot(*r, col);
    }
    for (int row = 0; row < n; ++row) {
        TObject* obj = row < int(line.Objects.size()) ? line.Objects[size_t(row)] : nullptr;
        const QString& text = line.Strings[row];
        const TRowSlots* stored = storedRow(row);
        if (text.isEmpty() && !obj && !(stored && col < stored->Width())) continue;
        TRowSlots* r = rowForWrite(col, row);
        if (!r) continue;
        r->Texts[size_t(col)].Set(text);
        setObject(*r, col, obj);
    }
    InvalidateCol(col);
    if (InplaceCol() == col) CellChangedUnderEditor(col, InplaceRow());
}

void TStringGrid::CopyRow(int srcRow, int dstRow) {
    if (srcRow < 0 || dstRow < 0 || srcRow == dstRow) return;
    if (dstRow >= std::max(RowCount(), int(FRows.size()))) return;
    const TRowSlots* src = storedRow(srcRow);
    if (dstRow >= int(FRows.size())) FRows.resize(size_t(dstRow) + 1, nullptr);
    if (!src) {
        freeRow(dstRow);
    } else if (TRowSlots* dst = FRows[size_t(dstRow)]) {
        *dst = *src;
    } else {
        FRows[size_t(dstRow)] = newRow(*src);
    }
    FStoredWidth = std::max(FStoredWidth, src ? src->Width() : 0);
    InvalidateRow(dstRow);
    if (InplaceRow() == dstRow) CellChangedUnderEditor(InplaceCol(), dstRow);
}

void TStringGrid::CopyCol(int srcCol, int dstCol) {
    if (srcCol < 0 || dstCol < 0 || srcCol == dstCol) return;
    if (dstCol >= storeColLimit()) return;
    for (TRowSlots* r : FRows) {
        if (!r) continue;
        if (srcCol < r->Width()) {
            growRow(*r, dstCol + 1);
            r->Texts[size_t(dstCol)] = r->Texts[size_t(srcCol)];
            // Without an object array neither cell holds an object.
            if (r->Objects) (*r->Objects)[size_t(dstCol)] = (*r->Objects)[size_t(srcCol)];
        } else if (dstCol < r->Width()) {
            clearSlot(*r, dstCol);
        }
    }
    InvalidateCol(dstCol);
    if (InplaceCol() == dstCol) CellChangedUnderEditor(dstCol, InplaceRow());
}

void TStringGrid::ForEachObject(const std::function<void(int col, int row, TObject*& obj)>& fn) {
    for (size_t row = 0; row < FRows.size(); ++row) {
        TRowSlots* r = FRows[row];
        if (!r || !r->Objects) continue;
        std::vector<TObject*>& objects = *r->Objects;
        for (size_t c = 0; c < objects.size(); ++c) {
            if (objects[c]) fn(int(c), int(row), objects[c]);
        }
    }
}

void TStringGrid::ClearStore() {
    for (TRowSlots* r : FRows) deleteRow(r);
    FRows.clear();
    FRowPool.Release();
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
    if (CellView(col, row) != QStringView(value)) SetCells(col, row, value);
    --FEditUpdate;
    TCustomGrid::SetEditText(col, row, value);
}

namespace {
// Moves element from to position to within [lo, hi], shifting the ones between.
template <typename It>
void rotateOne(It begin, int fromIndex, int toIndex) {
    const int lo = std::min(fromIndex, toIndex);
    const int hi = std::max(fromIndex, toIndex);
    if (fromIndex < toIndex) std::rotate(begin + lo, begin + lo + 1, begin + hi + 1);
    else std::rotate(begin + lo, begin + hi, begin + hi + 1);
}
}  // namespace

void TStringGrid::ColumnMoved(int fromIndex, int toIndex) {
    const int lo = std::min(fromIndex, toIndex);
    const int hi = std::max(fromIndex, toIndex);
    for (TRowSlots* r : FRows) {
        if (!r || lo >= r->Width()) continue;
        growRow(*r, hi + 1);
        rotateOne(r->Texts.begin(), fromIndex, toIndex);
        if (r->Objects) rotateOne(r->Objects->begin(), fromIndex, toIndex);
    }
    TCustomGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex) {
    const int lo = std::min(fromIndex, toIndex);
    const int hi = std::max(fromIndex, toIndex);
    if (lo < int(FRows.size())) {
        if (hi >= int(FRows.size())) FRows.resize(size_t(hi) + 1, nullptr);
        rotateOne(FRows.begin(), fromIndex, toIndex);
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
    for (TRowSlots* r : FRows) {
        if (!r || index >= r->Width()) continue;
        const size_t width = r->Texts.size() + size_t(count);
        r->Texts.reserve(width);
        r->Texts.insert(r->Texts.begin() + index, size_t(count), TCellText{});
        if (r->Objects) {
            r->Objects->reserve(width);
            r->Objects->insert(r->Objects->begin() + index, size_t(count), nullptr);
        }
    }
    recomputeStoredWidth();
}

void TStringGrid::ColumnsDeleted(int index, int count) {
    for (TRowSlots* r : FRows) {
        if (!r || index >= r->Width()) continue;
        const int end = std::min(r->Width(), index + count);
        r->Texts.erase(r->Texts.begin() + index, r->Texts.begin() + end);
        if (r->Objects) r->Objects->erase(r->Objects->begin() + index, r->Objects->begin() + end);
    }
    recomputeStoredWidth();
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
    if (DefaultDrawing()) Canvas().TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    TCustomGrid::DrawCell(col, row, rect, state);
}
