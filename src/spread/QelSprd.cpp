// TQelSpreadGrid: construction, cell names and references, header labels.
#include "QelSprd.h"

#include "CellNames.h"

namespace {

uint64_t CellKey(int32_t col, int32_t row)
{
    return (uint64_t(uint32_t(col)) << 32) | uint64_t(uint32_t(row));
}

}  // namespace

// ---------------------------------------------------------------------------
// TCellRefList

void TCellRefList::Add(const TCellRef& Value)
{
    if (Value.Src == Value.Dst && Value.SrcGrd == Value.DstGrd)
        return;
    FItems.push_back(Value);
}

void TCellRefList::Delete(int Index)
{
    if (Index >= 0 && Index < Count())
        FItems.erase(FItems.begin() + Index);
}

void TCellRefList::DeleteRef(TQelSpreadGrid* AGrid, TGridCoord gc)
{
    std::erase_if(FItems, [&](const TCellRef& r) { return r.DstGrd == AGrid && r.Dst == gc; });
}

void TCellRefList::ClearAll()
{
    for (TCellRef& r : FItems)
        r.Dirty = false;
}

void TCellRefList::ClearCell(int ACol, int ARow)
{
    for (TCellRef& r : FItems)
        if (!(r.Src == TGridCoord{ACol, ARow}))
            r.Dirty = false;
}

// ---------------------------------------------------------------------------
// Construction

TQelSpreadGrid::TQelSpreadGrid() : FDeps(this)
{
    FGridFormula = std::make_unique<TGridFormula>(static_cast<ICellSource*>(this));
    FGridFormula->OnError = [this](TGridFormula*, int ACol, int ARow, int ErrType, int ErrPos,
                                   int ErrParam, const QString& ErrStr) {
        GridFormulaError(ACol, ARow, ErrType, ErrPos, ErrParam, ErrStr);
    };
    SetCellNameMode(nmA1);
    SetAutoHeaders(true);
    SetOptions(Options() + goRowSizing + goColSizing + goEditing);
}

TQelSpreadGrid::~TQelSpreadGrid()
{
    // The evaluator goes first: it watches the binders and libraries.
    FGridFormula.reset();
}

int32_t TQelSpreadGrid::GetVersionNr()
{
    return (2 << 24) | (3 << 16) | (0 << 8) | 1;
}

QString TQelSpreadGrid::GetVersionString()
{
    const int32_t v = GetVersionNr();
    return QStringLiteral("%1.%2.%3.%4 Sep, 2013")
        .arg((v >> 24) & 0xFF)
        .arg((v >> 16) & 0xFF)
        .arg((v >> 8) & 0xFF)
        .arg(v & 0xFF);
}

// ---------------------------------------------------------------------------
// Names and references

QString TQelSpreadGrid::CellToName(int Col, int Row) const
{
    return ::CellToName(Col, Row, FixedCols(), FixedRows(), FCellNameMode);
}

void TQelSpreadGrid::CellToNameParts(int Col, int Row, QString& ColPart, QString& RowPart) const
{
    ::CellToNameParts(Col, Row, FixedCols(), FixedRows(), FCellNameMode, ColPart, RowPart);
}

void TQelSpreadGrid::RangeToNameParts(const TGridRect& gr, QString& ColPart1, QString& RowPart1,
                                      QString& ColPart2, QString& RowPart2) const
{
    CellToNameParts(gr.Left, gr.Top, ColPart1, RowPart1);
    CellToNameParts(gr.Right, gr.Bottom, ColPart2, RowPart2);
}

TGridCoord TQelSpreadGrid::NameToCell(const QString& s) const
{
    // The shared reader takes whole names in either letter case; a text that
    // is not one gives (-1, -1).  Digits and letters are also accepted in the
    // other order ("4AA"), as names typed by users sometimes are.
    TGridCoord c = ::NameToCell(s, FixedCols(), FixedRows(), FCellNameMode);
    if (c.X >= 0 || FCellNameMode != nmA1)
        return c;
    QString letters, digits;
    for (QChar ch : s) {
        if (ch.unicode() >= '0' && ch.unicode() <= '9')
            digits += ch;
        else
            letters += ch;
    }
    if (letters.isEmpty() || digits.isEmpty())
        return c;
    return ::NameToCell(letters + digits, FixedCols(), FixedRows(), nmA1);
}

QString TQelSpreadGrid::RangeToName(const TGridRect& gr) const
{
    return CellToName(gr.Left, gr.Top) + u':' + CellToName(gr.Right, gr.Bottom);
}

TGridRect TQelSpreadGrid::NameToRange(const QString& s) const
{
    TGridRect r{-1, -1, -1, -1};
    const qsizetype colon = s.indexOf(u':');
    if (colon < 0)
        return r;
    const TGridCoord a = NameToCell(s.left(colon));
    const TGridCoord b = NameToCell(s.mid(colon + 1, 255));
    return TGridRect{a.X, a.Y, b.X, b.Y};
}

QString TQelSpreadGrid::CellName(int ACol, int ARow) const
{
    const auto it = FNameIndex.find(CellKey(ACol, ARow));
    if (it == FNameIndex.end())
        return QString();
    const TCellNameList& names = FGridFormula->CellNameList();
    const int k = it->second - 1;
    return k >= 0 && k < names.Count() ? names.Name(k) : QString();
}

bool TQelSpreadGrid::SetCellName(int ACol, int ARow, const QString& Value)
{
    TCellNameList& names = FGridFormula->CellNameList();
    const auto it = FNameIndex.find(CellKey(ACol, ARow));
    bool stored;
    if (it != FNameIndex.end() && it->second - 1 < names.Count()) {
        stored = names.SetName(it->second - 1, Value);
    } else {
        const int k = names.Add(Value, TGridCoord{ACol, ARow});
        stored = k >= 0;
        if (stored)
            FNameIndex[CellKey(ACol, ARow)] = k + 1;
    }
    // Formulas may mention the name already (or still): their dependencies change.
    if (stored && FDeps.FormulaCount() > 0) {
        BuildCellRefs();
        if (FAutoRecalc)
            Recalc();
    }
    return stored;
}

TGridCoord TQelSpreadGrid::FindCellName(const QString& value) const
{
    const TCellNameList& names = FGridFormula->CellNameList();
    const int k = names.IndexOf(value);
    return k >= 0 ? names.Cell(k) : TGridCoord{-1, -1};
}

const QStringList* TQelSpreadGrid::GetCellNameList()
{
    const TCellNameList& names = FGridFormula->CellNameList();
    FNameStrings.clear();
    for (int k = 0; k < names.Count(); ++k)
        FNameStrings.append(names.Name(k));
    return &FNameStrings;
}

bool TQelSpreadGrid::AnyNames() const
{
    if (FGridFormula->CellNameList().Count() > 0)
        return true;
    if (const TGridBinder* b = FGridFormula->Binder()) {
        for (int k = 0; k < b->Grids().Count(); ++k)
            if (const ICellSource* g = b->Grids().Items(k)->CellSource())
                if (const TCellNameList* l = g->GetCellNameList(); l && l->Count() > 0)
                    return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Header labels and the setters that relabel

void TQelSpreadGrid::LabelRow(int ARow)
{
    // The row number's digits, compared with the stored text before writing.
    char16_t digits[12];
    int n = 0;
    for (uint32_t v = uint32_t(ARow - FixedRows() + 1); n == 0 || v > 0; v /= 10)
        digits[11 - n++] = char16_t(u'0' + v % 10);
    const QStringView label(digits + 12 - n, n);
    TObject* obj = nullptr;
    if (CellView(0, ARow, obj) == label)
        return;
    // The usual header cell (no properties, no formula, nothing reading it):
    // what SetCells would do comes down to storing the text.
    if (!obj && !(HideLastRow() && ARow == RowCount() - 1) && !FDeps.HasFormula(0, ARow) &&
        !FCalc.Find(0, ARow) && !HasDirtyRef(0, ARow)) {
        SetCellsFromView(0, ARow, label);
        return;
    }
    SetCells(0, ARow, label.toString());
}

void TQelSpreadGrid::AutoSpreadHeaders()
{
    if (!FAutoHeaders)
        return;
    BeginUpdate();
    if (FixedCols() > 0) {
        for (int r = 0; r < FixedRows() && r < RowCount(); ++r)
            if (!CellView(0, r).isEmpty())
                SetCells(0, r, QString());
        // A label already in place is left alone (after a load, every one).
        for (int r = FixedRows(); r < RowCount(); ++r)
            LabelRow(r);
    }
    if (FixedRows() > 0) {
        for (int c = FixedCols(); c < ColCount(); ++c) {
            if (FCellNameMode == nmA1)
                SetCells(c, 0, ColumnNumberToLetters(c - FixedCols() + 1));
            else
                SetCellAsInteger(c, 0, c - FixedCols() + 1);
        }
    }
    EndUpdate();
}

void TQelSpreadGrid::Loaded()
{
    FReading = false;
    if (FAutoHeaders)
        AutoSpreadHeaders();
}

void TQelSpreadGrid::SetCellNameMode(TCellNameMode Value)
{
    FCellNameMode = Value;
    if (FAutoHeaders) {
        AutoSpreadHeaders();
        Invalidate();
    }
    FGridFormula->SetUseRCNames(Value == nmRC);
    // References read differently now: rebuild what the formulas read.
    if (FDeps.FormulaCount() > 0)
        BuildCellRefs();
}

void TQelSpreadGrid::SetAutoHeaders(bool Value)
{
    FAutoHeaders = Value;
    if (FReading)
        return;
    if (Value) {
        AutoSpreadHeaders();
    } else {
        if (FixedRows() > 0)
            ClearRect(0, 0, ColCount() - 1, 0);
        if (FixedCols() > 0)
            ClearRect(0, 0, 0, RowCount() - 1);
    }
}

void TQelSpreadGrid::SetFixedCols(int Value)
{
    TQelStringGrid::SetFixedCols(Value);
    if (FAutoHeaders && Value == 0)
        ClearRect(0, 0, 0, RowCount() - 1);
    if (!FReading)
        AutoSpreadHeaders();
    if (FDeps.FormulaCount() > 0)
        BuildCellRefs();
}

void TQelSpreadGrid::SetFixedRows(int Value)
{
    TQelStringGrid::SetFixedRows(Value);
    if (FAutoHeaders && Value == 0)
        ClearRect(0, 0, ColCount() - 1, 0);
    if (!FReading)
        AutoSpreadHeaders();
    if (FDeps.FormulaCount() > 0)
        BuildCellRefs();
}

void TQelSpreadGrid::SetColCount(int Value)
{
    TQelStringGrid::SetColCount(Value);
    if (FAutoHeaders)
        AutoSpreadHeaders();
}

void TQelSpreadGrid::SetRowCount(int Value)
{
    const int before = RowCount();
    const int fixedBefore = FixedRows();
    TQelStringGrid::SetRowCount(Value);
    if (!FAutoHeaders)
        return;
    // Rows added or taken at the end leave the other rows' labels as they
    // are: only new rows are labelled (a load grows the grid step by step,
    // and relabelling every row at each step would cost the square).
    if (FixedRows() == fixedBefore && before > fixedBefore) {
        if (FixedCols() > 0 && RowCount() > before) {
            BeginUpdate();
            for (int r = before; r < RowCount(); ++r)
                LabelRow(r);
            EndUpdate();
        }
        return;
    }
    AutoSpreadHeaders();
}

void TQelSpreadGrid::DoGetAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign)
{
    if (FAutoHeaders && (ACol == 0 || ARow == 0))
        HAlign = taCenter;
    TQelStringGrid::DoGetAlignment(ACol, ARow, HAlign, VAlign);
}
