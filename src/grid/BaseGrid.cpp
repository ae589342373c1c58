#include "BaseGrid.h"

#include "SysUtils.h"
#include "TextHelpers.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TCellGraphic

int TCellGraphic::FLiveCount = 0;

TCellGraphic::TCellGraphic() { ++FLiveCount; }

TCellGraphic::~TCellGraphic()
{
    switch (FCellType) {
    case ctBitmap:
    case ctRadio:
    case ctPicture:
    case ctFilePicture:
    case ctBitButton:
        if (FCellCreated)
            delete FCellBitmap;
        break;
    case ctImages:
    case ctBalloon:
        delete FCellBitmap;
        break;
    case ctIcon:
        if (FCellCreated)
            delete FCellIcon;
        break;
    case ctCheckBox:
    case ctDataCheckBox:
    case ctRadioButton:
        if (FCellAngle == 1)
            delete FCellBitmap;
        break;
    default:
        break;
    }
    --FLiveCount;
}

void TCellGraphic::Assign(const TCellGraphic& source)
{
    FCellType = source.FCellType;
    FCellVAlign = source.FCellVAlign;
    FCellHAlign = source.FCellHAlign;
    FCellIndex = source.FCellIndex;
    FCellTransparent = source.FCellTransparent;
    FCellValue = source.FCellValue;
    FCellAngle = source.FCellAngle;
    FCellBoolean = source.FCellBoolean;
    FCalc.FCellBoolean = source.FCalc.FCellBoolean;
    FCalc.FCellErrFrom = source.FCalc.FCellErrFrom;
    FCalc.FCellErrLen = source.FCalc.FCellErrLen;
    FCellText = source.FCellText;
    FCellCreated = source.FCellCreated;
}

// ---------------------------------------------------------------------------
// TCellProperties

int TCellProperties::FLiveCount = 0;

TCellProperties::TCellProperties(TBaseGrid* owner, int32_t col, int32_t row)
    : FOwnerGrid(owner), FOwnerCol(col), FOwnerRow(row)
{
    if (owner) {
        FWordWrap = owner->FWordWrap;
        owner->FHasCellProps = true;
    }
    ++FLiveCount;
}

TCellProperties::~TCellProperties()
{
    if (auto* graphic = dynamic_cast<TCellGraphic*>(FGraphicObject); graphic && !graphic->IsShared())
        delete graphic;
    --FLiveCount;
}

void TCellProperties::Assign(const TCellProperties& source)
{
    FIsBaseCell = source.FIsBaseCell;
    FCellSpanX = source.FCellSpanX;
    FCellSpanY = source.FCellSpanY;
    FOwnerRow = source.FOwnerRow;
    FOwnerCol = source.FOwnerCol;
    FObject = source.FObject;
    FAlignment = source.FAlignment;
    FBorderColor = source.FBorderColor;
    FBorderWidth = source.FBorderWidth;
    FBrushColor = source.FBrushColor;
    FBrushStyle = source.FBrushStyle;
    FFontColor = source.FFontColor;
    FFontStyle = source.FFontStyle;
    FFontName = source.FFontName;
    FFontSize = source.FFontSize;
    FReadOnly = source.FReadOnly;
    FEditor = source.FEditor;
    FVAlignment = source.FVAlignment;
    FWordWrap = source.FWordWrap;
    FNodeLevel = source.FNodeLevel;
    FControl = source.FControl;
}

// ---------------------------------------------------------------------------
// TBaseGrid

TBaseGrid::TBaseGrid()
    : FDefFont(std::make_unique<TFont>()), FDefBrush(std::make_unique<TBrush>())
{
    FNormalRowCount = RowCount();
}

TBaseGrid::~TBaseGrid()
{
    FDestroying = true;
    // Every slot of the store, also those beyond the counts (hidden columns,
    // columns and rows kept after a count was lowered), owns its properties.
    ForEachObject([](int, int, TObject*& obj) {
        if (dynamic_cast<TCellProperties*>(obj)) {
            FreeSlotObject(obj);
            obj = nullptr;
        }
    });
}

void TBaseGrid::FreeSlotObject(TObject* obj)
{
    // Only property objects belong to the grid; anything else a caller put in a
    // slot directly is left alone.
    delete dynamic_cast<TCellProperties*>(obj);
}

bool TBaseGrid::HasCellProperties(int col, int row) const
{
    return col >= 0 && row >= 0 && col < TotalColCount() && row < RowCount() &&
           Objects(col, row) != nullptr;
}

TGridCoord TBaseGrid::BaseCell(int col, int row) const
{
    if (HasCellProperties(col, row)) {
        if (auto* p = dynamic_cast<TCellProperties*>(Objects(col, row));
            p && !p->FIsBaseCell && p->FCellSpanX != -1 && p->FCellSpanY != -1) {
            const int bc = col - p->FCellSpanX;
            const int br = row - p->FCellSpanY;
            if (bc >= 0 && br >= 0)
                return TGridCoord{bc, br};
        }
    }
    return TGridCoord{col, row};
}

bool TBaseGrid::IsBaseCell(int col, int row) const
{
    if (!HasCellProperties(col, row))
        return true;
    auto* p = dynamic_cast<TCellProperties*>(Objects(col, row));
    return !p || p->FIsBaseCell;
}

QString TBaseGrid::ReadCellText(int col, int row)
{
    const TGridCoord bc = HasCellProperties(col, row) ? BaseCell(col, row) : TGridCoord{col, row};
    QString value = Cells(bc.X, bc.Y);
    // Readers always get plain text: a stored wide-encoded text is decoded here.
    if (IsWideText(value))
        value = DecodeWideText(value);
    if (bc.Y < FNormalRowCount) {
        DoGetDisplText(bc.X, bc.Y, value);
        if (OnGetDisplWideText)
            DoGetDisplWideText(bc.X, bc.Y, value);
    }
    return value;
}

bool TBaseGrid::IsWideCell(int col, int row)
{
    const TGridCoord bc = HasCellProperties(col, row) ? BaseCell(col, row) : TGridCoord{col, row};
    return IsWideText(Cells(bc.X, bc.Y));
}

void TBaseGrid::WriteCellText(int col, int row, const QString& text)
{
    if (HasCellProperties(col, row)) {
        const TGridCoord bc = BaseCell(col, row);
        SetCells(bc.X, bc.Y, text);
        CellContentChanged(bc.X, bc.Y);
        if (Host())
            InvalidateCell(col, row);
    } else {
        SetCells(col, row, text);
    }
    if (FHideLastRow && row == RowCount() - 1)
        LastRowChanged();
}

void TBaseGrid::DoGetDisplText(int ACol, int ARow, QString& Value)
{
    if (OnGetDisplText)
        OnGetDisplText(this, ACol, ARow, Value);
}

void TBaseGrid::DoGetDisplWideText(int ACol, int ARow, QString& Value)
{
    if (OnGetDisplWideText)
        OnGetDisplWideText(this, ACol, ARow, Value);
}

void TBaseGrid::CellContentChanged(int, int) {}

void TBaseGrid::LastRowChanged() {}

void TBaseGrid::GetVisualDefaults(int, int, TFont& AFont, TBrush& ABrush, TCellVisualDefaults& Defaults)
{
    AFont.Assign(Font());
    ABrush.SetColor(Color());
    ABrush.SetStyle(bsSolid);
    Defaults.HAlign = taLeftJustify;
    Defaults.VAlign = vtaTop;
    Defaults.WordWrap = FWordWrap;
    Defaults.ColorTo = clNone;
    Defaults.GradientDirection = GradientVertical;
}

void TBaseGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    if (RowCount() != oldRowCount)
        FNormalRowCount = RowCount();
    TObjStringGrid::SizeChanged(oldColCount, oldRowCount);
}

TCellProperties* TBaseGrid::GetCellProperties(int c, int r)
{
    if (c < 0 || r < 0 || c >= TotalColCount() || r >= RowCount())
        throw EQelGridError(QStringLiteral("Cell index out of range [%1, %2]").arg(c).arg(r));
    if (auto* p = dynamic_cast<TCellProperties*>(Objects(c, r)))
        return p;

    auto props = std::make_unique<TCellProperties>(this, c, r);
    TCellVisualDefaults defaults;
    defaults.WordWrap = FWordWrap;
    FDefFont->Assign(Font());
    GetVisualDefaults(c, r, *FDefFont, *FDefBrush, defaults);
    props->FAlignment = defaults.HAlign;
    props->FVAlignment = defaults.VAlign;
    props->FWordWrap = defaults.WordWrap;
    props->FFontName = FDefFont->Name();
    props->FFontSize = FDefFont->Size();
    props->FFontStyle = FDefFont->Style();
    props->FFontColor = FDefFont->Color();
    props->FBrushColor = FDefBrush->Color();
    props->FBrushColorTo = defaults.ColorTo;
    props->FGradientDirection = defaults.GradientDirection;
    props->FCalcType = acNONE;

    // Whatever else was in the slot was not the grid's; the slot now holds ours.
    TCellProperties* result = props.release();
    SetObjects(c, r, result);
    FHasCellProps = true;
    return result;
}

void TBaseGrid::SetCellProperties(int c, int r, TCellProperties* value)
{
    std::unique_ptr<TCellProperties> incoming(value);
    if (c < 0 || r < 0 || c >= TotalColCount() || r >= RowCount())
        throw EQelGridError(QStringLiteral("Cell index out of range [%1, %2]").arg(c).arg(r));
    TObject* old = Objects(c, r);
    if (old == value) {
        incoming.release();
        return;
    }
    SetObjects(c, r, incoming.release());
    FreeSlotObject(old);
    if (value)
        FHasCellProps = true;
}

TObject* TBaseGrid::CellGraphic(int col, int row) const
{
    if (!HasCellProperties(col, row))
        return nullptr;
    auto* p = dynamic_cast<TCellProperties*>(Objects(col, row));
    return p ? p->FGraphicObject : nullptr;
}

void TBaseGrid::SetCellGraphic(int col, int row, TObject* object)
{
    if (FDestroying)
        return;
    GetCellProperties(col, row)->FGraphicObject = object;
}

void TBaseGrid::FreeCellPropertiesRange(int col1, int row1, int col2, int row2)
{
    if (!FHasCellProps)
        return;
    // Slots outside the stored extent hold nothing: bound the walk by it.
    const int lastRow = std::min(row2, StoredRowCount() - 1);
    const int lastCol = std::min(col2, StoredColCount() - 1);
    for (int r = std::max(row1, 0); r <= lastRow; ++r) {
        for (int c = std::max(col1, 0); c <= lastCol; ++c) {
            if (TObject* obj = Objects(c, r)) {
                SetObjects(c, r, nullptr);
                FreeSlotObject(obj);
            }
        }
    }
}

void TBaseGrid::DetachCellObject(int col, int row)
{
    WriteCellText(col, row, QString());
    SetObjects(col, row, nullptr);
}

void TBaseGrid::ClearColumnSlots(int col)
{
    for (int row = 0; row < RowCount(); ++row) {
        SetObjects(col, row, nullptr);
        WriteCellText(col, row, QString());
    }
}

void TBaseGrid::ClearRowSlots(int row)
{
    for (int col = 0; col < ColCount(); ++col) {
        SetObjects(col, row, nullptr);
        WriteCellText(col, row, QString());
    }
}

void TBaseGrid::MergeCells(int c, int r, int spanx, int spany)
{
    if (c < 0 || r < 0 || spanx < 1 || spany < 1 || c + spanx > TotalColCount() ||
        r + spany > RowCount())
        return;
    for (int col = c; col < c + spanx; ++col) {
        for (int row = r; row < r + spany; ++row) {
            TCellProperties* p = GetCellProperties(col, row);
            if (col == c && row == r) {
                p->FIsBaseCell = true;
                p->FCellSpanX = spanx - 1;
                p->FCellSpanY = spany - 1;
            } else {
                p->FIsBaseCell = false;
                p->FCellSpanX = col - c;
                p->FCellSpanY = row - r;
            }
        }
    }
    ++FMergeCount;
    InvalidateGridRect(GridRect(c, r, c + spanx - 1, r + spany - 1));
}

void TBaseGrid::SplitCells(int c, int r)
{
    const TGridCoord bc = BaseCell(c, r);
    if (!HasCellProperties(bc.X, bc.Y))
        return;
    auto* base = dynamic_cast<TCellProperties*>(Objects(bc.X, bc.Y));
    if (!base || (base->FCellSpanX < 0 && base->FCellSpanY < 0))
        return;  // not merged: nothing to split, the merge count stays
    const int lastCol = std::min(bc.X + std::max(base->FCellSpanX, 0), TotalColCount() - 1);
    const int lastRow = std::min(bc.Y + std::max(base->FCellSpanY, 0), RowCount() - 1);
    for (int col = bc.X; col <= lastCol; ++col) {
        for (int row = bc.Y; row <= lastRow; ++row) {
            if (auto* p = dynamic_cast<TCellProperties*>(Objects(col, row))) {
                p->FIsBaseCell = true;
                p->FCellSpanX = -1;
                p->FCellSpanY = -1;
            }
        }
    }
    InvalidateGridRect(GridRect(bc.X, bc.Y, lastCol, lastRow));
    --FMergeCount;
}

void TBaseGrid::MoveRowSlots(int srcRow, int dstRow)
{
    if (srcRow == dstRow)
        return;
    const int width = StoredColCount();
    for (int c = 0; c < width; ++c) {
        TObject* old = Objects(c, dstRow);
        if (old && old != Objects(c, srcRow)) {
            SetObjects(c, dstRow, nullptr);
            FreeSlotObject(old);
        }
    }
    CopyRow(srcRow, dstRow);
    for (int c = 0; c < width; ++c)
        if (Objects(c, srcRow))
            SetObjects(c, srcRow, nullptr);
}

void TBaseGrid::MoveColSlots(int srcCol, int dstCol)
{
    if (srcCol == dstCol)
        return;
    const int height = StoredRowCount();
    for (int r = 0; r < height; ++r) {
        TObject* old = Objects(dstCol, r);
        if (old && old != Objects(srcCol, r)) {
            SetObjects(dstCol, r, nullptr);
            FreeSlotObject(old);
        }
    }
    CopyCol(srcCol, dstCol);
    for (int r = 0; r < height; ++r)
        if (Objects(srcCol, r))
            SetObjects(srcCol, r, nullptr);
}
