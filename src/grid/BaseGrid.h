// The base of the grid component: per-cell property objects, the cell graphic
// that also caches the spreadsheet's computed values, merged-cell redirection
// and the display-text hook.
//
// Ownership: every TCellProperties sits in exactly one object slot of the
// platform store and is owned by the TBaseGrid of that store, which frees it
// (with its TCellGraphic) when the cell is cleared, its row removed, the slot
// replaced, or the grid destroyed.  Row and column operations move slots; they
// never leave one object in two slots.
#pragma once

#include "Canvas.h"
#include "Grids.h"
#include "Types.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class TBaseGrid;

// ---------------------------------------------------------------------------
// Enumerations of the per-cell objects

enum TColumnCalcType : uint8_t {
    acNONE, acSUM, acAVG, acCOUNT, acMIN, acMAX, acSPREAD, acCUSTOM, acDISTINCT, acSTDDEV
};

// Per-cell editor kinds (the in-place editor chooses by them).
enum TEditorType : uint8_t {
    edNormal, edSpinEdit, edComboEdit, edComboList, edEditBtn, edCheckBox, edDateEdit,
    edDateEditUpDown, edTimeEdit, edButton, edDataCheckBox, edNumeric, edPositiveNumeric,
    edFloat, edCapital, edMixedCase, edPassword, edUnitEditBtn, edLowerCase, edUpperCase,
    edFloatSpinEdit, edTimeSpinEdit, edDateSpinEdit, edNumericEditBtn, edFloatEditBtn,
    edCustom, edRichEdit, edUniEdit, edUniComboEdit, edUniComboList, edUniEditBtn, edUniMemo,
    edValidChars, edNone
};

enum TGradientDirection : uint8_t { GradientVertical, GradientHorizontal };

enum TCellType : uint8_t {
    ctBitmap, ctIcon, ctNone, ctImageList, ctCheckBox, ctDataCheckBox, ctRotated, ctDataImage,
    ctNode, ctRadio, ctEmpty, ctImages, ctPicture, ctFilePicture, ctValue, ctProgress, ctComment,
    ctButton, ctBitButton, ctVirtCheckBox, ctRowCheckBox, ctProgressPie, ctSummary,
    ctRangeIndicator, ctXPProgress, ctInterface, ctScrollbar, ctRadioButton, ctBalloon, ctShape,
    ctRating, ctTriStateCheckBox, ctExpand
};

enum TCellVAlign : uint8_t { vaTop, vaBottom, vaCenter, vaUnderText, vaAboveText, vaFull };
enum TCellHAlign : uint8_t { haLeft, haRight, haCenter, haBeforeText, haAfterText, haFull };
enum TCheckBoxState : uint8_t { cbUnchecked, cbChecked, cbGrayed };

// ---------------------------------------------------------------------------
// The spreadsheet's cached cell value: nothing, a number or a text.  The
// formula layer has a value type of its own; the spreadsheet converts.
class TCellValue {
public:
    enum TKind : uint8_t { cvEmpty, cvNumber, cvText };

    TCellValue() = default;
    TCellValue(double value) : FKind(cvNumber), FNumber(value) {}
    TCellValue(const QString& value) : FKind(cvText), FText(value) {}

    TKind Kind() const { return FKind; }
    bool IsEmpty() const { return FKind == cvEmpty; }
    bool IsNumber() const { return FKind == cvNumber; }
    bool IsText() const { return FKind == cvText; }
    // The number (0 unless a number is held) and the text (empty unless a text is held).
    double Number() const { return FKind == cvNumber ? FNumber : 0.0; }
    const QString& Text() const { return FText; }

    void Clear() { *this = TCellValue(); }
    friend bool operator==(const TCellValue& a, const TCellValue& b)
    {
        return a.FKind == b.FKind && (a.FKind != cvNumber || a.FNumber == b.FNumber) && a.FText == b.FText;
    }

private:
    TKind FKind = cvEmpty;
    double FNumber = 0.0;
    QString FText;
};

// The spreadsheet's calculation state of a cell.  Kept apart from the fields
// that decorations, check boxes and progress bars use, so that a check box can
// never be mistaken for a cached result or an error.
struct TCalcState {
    bool FCellBoolean = false;   // a computed value is cached in FCellVar
    TCellValue FCellVar;         // the cached computed value
    int32_t FCellErrFrom = 0;    // non-zero: the cell's formula has an error
    int32_t FCellErrLen = 0;     // non-zero: the cell is in error state
};

// ---------------------------------------------------------------------------
// What is drawn in a cell besides its text; also the spreadsheet's value cache.
class TCellGraphic : public TObject {
public:
    TCellGraphic();
    ~TCellGraphic() override;
    TCellGraphic(const TCellGraphic&) = delete;
    TCellGraphic& operator=(const TCellGraphic&) = delete;

    // Copies kind, alignments, index, transparency, value, angle, both Boolean
    // flags, the error fields, text and FCellCreated; not the bitmap, icon,
    // cached value or check box state.
    void Assign(const TCellGraphic& source);

    // Graphics of these kinds are shared by many cells and owned by the grid
    // elsewhere; clearing a cell never frees them.
    bool IsShared() const { return FCellType == ctVirtCheckBox || FCellType == ctRowCheckBox; }

    // Live instances, for leak checks.
    static int LiveCount() { return FLiveCount; }

    TCellType FCellType = ctNone;
    TObject* FCellBitmap = nullptr;   // owned by kind, see the destructor
    TObject* FCellIcon = nullptr;     // owned when FCellCreated
    TCellVAlign FCellVAlign = vaTop;
    TCellHAlign FCellHAlign = haLeft;
    int32_t FCellIndex = 0;
    bool FCellTransparent = false;
    bool FCellCreated = false;
    bool FCellBoolean = false;        // check state and similar (not the spreadsheet's flag)
    int32_t FCellAngle = 0;           // rotation; check boxes: 1 = bitmap owned; spreadsheet: name index
    double FCellValue = 0.0;
    QString FCellText;
    TCheckBoxState FCellCheckBoxState = cbUnchecked;

    TCalcState& Calc() { return FCalc; }
    const TCalcState& Calc() const { return FCalc; }

private:
    TCalcState FCalc;
    static int FLiveCount;
};

// ---------------------------------------------------------------------------
// Formatting, merge span and other per-cell settings.  Created on demand.
class TCellProperties : public TObject {
public:
    TCellProperties(TBaseGrid* owner, int32_t col, int32_t row);
    // Frees the cell's TCellGraphic unless it is a shared one; other objects
    // in FGraphicObject are not owned.
    ~TCellProperties() override;
    TCellProperties(const TCellProperties&) = delete;
    TCellProperties& operator=(const TCellProperties&) = delete;

    // Copies the merge state, owner position, user value, alignment, border,
    // brush, font, read-only flag, editor, vertical alignment, word wrap, node
    // level and control; keeps gradient, calculation, graphic and paint marker.
    void Assign(const TCellProperties& source);

    // The graphic, when FGraphicObject holds a TCellGraphic.
    TCellGraphic* Graphic() const { return dynamic_cast<TCellGraphic*>(FGraphicObject); }

    bool IsBaseCell() const { return FIsBaseCell; }
    int32_t CellSpanX() const { return FCellSpanX; }
    int32_t CellSpanY() const { return FCellSpanY; }
    int32_t CellObject() const { return FObject; }
    void SetCellObject(int32_t value) { FObject = value; }

    static int LiveCount() { return FLiveCount; }

    TBaseGrid* FOwnerGrid;
    int32_t FOwnerCol;
    int32_t FOwnerRow;
    int32_t FObject = 0;
    TObject* FGraphicObject = nullptr;
    TBrushStyle FBrushStyle = bsSolid;
    TColor FBrushColor = clNone;
    TColor FBrushColorTo = clNone;
    int32_t FFontSize = 0;
    TColor FFontColor = clNone;
    TFontStyles FFontStyle;
    int32_t FCellSpanY = -1;
    int32_t FCellSpanX = -1;
    int32_t FBorderWidth = 0;
    TColor FBorderColor = 0;
    TAlignment FAlignment = taLeftJustify;
    TVAlignment FVAlignment = vtaTop;
    int32_t FPaintID = 0;
    bool FWordWrap = true;
    bool FIsBaseCell = true;
    TColumnCalcType FCalcType = acNONE;
    TObject* FCalcObject = nullptr;   // not owned
    int32_t FNodeLevel = 0;
    TEditorType FEditor = edNormal;
    QString FFontName;
    bool FReadOnly = false;
    TGradientDirection FGradientDirection = GradientVertical;
    TObject* FControl = nullptr;      // not owned

private:
    static int FLiveCount;
};

// What the visual-defaults query answers for one cell besides font and brush.
struct TCellVisualDefaults {
    TAlignment HAlign = taLeftJustify;
    TVAlignment VAlign = vtaTop;
    bool WordWrap = true;
    TColor ColorTo = clNone;
    TGradientDirection GradientDirection = GradientVertical;
};

// ---------------------------------------------------------------------------
// A link in the class chain on the platform string grid; no state of its own.
class TObjStringGrid : public TStringGrid {
public:
    TObjStringGrid() = default;
};

// ---------------------------------------------------------------------------
class TBaseGrid : public TObjStringGrid {
public:
    TBaseGrid();
    ~TBaseGrid() override;

    // ---- Cell slots (all indices are real indices) ----------------------------------
    QString ReadRawCellText(int col, int row) const { return Cells(col, row); }
    void WriteRawCellText(int col, int row, const QString& text) { SetCells(col, row, text); }
    // The text of the cell's base cell, passed through the display-text hook for
    // rows below FNormalRowCount.
    QString ReadCellText(int col, int row);
    // Stores into the cell's base cell.
    void WriteCellText(int col, int row, const QString& text);
    // The stored text of the cell's base cell begins with the wide-encoding prefix.
    bool IsWideCell(int col, int row);

    bool HasCellProperties(int col, int row) const;
    // Created with the cell's visual defaults on first use.
    TCellProperties* GetCellProperties(int c, int r);
    // Frees the object in the slot, if any, and stores `value` (the grid owns it).
    void SetCellProperties(int c, int r, TCellProperties* value);
    TObject* CellGraphic(int col, int row) const;
    // Hangs `object` on the cell's properties (created when missing).  The previous
    // object is not freed: the caller that replaces it takes it back.
    void SetCellGraphic(int col, int row, TObject* object);
    void FreeCellPropertiesRange(int col1, int row1, int col2, int row2);
    // Empties the text (through WriteCellText) and the object slot; the object is
    // not freed (it has been moved elsewhere).
    void DetachCellObject(int col, int row);
    void ClearColumnSlots(int col);
    void ClearRowSlots(int row);

    TGridCoord BaseCell(int col, int row) const;
    bool IsBaseCell(int col, int row) const;
    void MergeCells(int c, int r, int spanx, int spany);
    void SplitCells(int c, int r);
    int32_t MergeCount() const { return FMergeCount; }

    // Real columns of the store: ColCount here; hidden columns add to it below.
    virtual int TotalColCount() const { return ColCount(); }
    // The grid's named cells (none for a plain grid).
    virtual const QStringList* GetCellNameList() { return nullptr; }

    bool HasCellProps() const { return FHasCellProps; }
    int32_t NormalRowCount() const { return FNormalRowCount; }
    bool HideLastRow() const { return FHideLastRow; }
    void SetHideLastRow(bool value) { FHideLastRow = value; }
    bool Destroying() const { return FDestroying; }

    // OnGetDisplText(Sender, ACol, ARow, Value); OnGetDisplWideText likewise on
    // the decoded UTF-16 text.
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnGetDisplText;
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnGetDisplWideText;

protected:
    virtual void DoGetDisplText(int ACol, int ARow, QString& Value);
    virtual void DoGetDisplWideText(int ACol, int ARow, QString& Value);
    // After WriteCellText stored into a cell that has properties (base cell given).
    virtual void CellContentChanged(int ACol, int ARow);
    // After the last row was written while FHideLastRow is set.
    virtual void LastRowChanged();
    // The visual defaults of a cell, as painting would use them; fills font and
    // brush and the other defaults.
    virtual void GetVisualDefaults(int ACol, int ARow, TFont& AFont, TBrush& ABrush,
                                   TCellVisualDefaults& Defaults);
    void SizeChanged(int oldColCount, int oldRowCount) override;

    // Moves every slot of one row (column) onto another, also beyond the counts:
    // objects left in the destination are freed first, the source keeps its
    // texts but no object references.  Widths and heights are not touched.
    void MoveRowSlots(int srcRow, int dstRow);
    void MoveColSlots(int srcCol, int dstCol);
    // Frees one object taken out of a slot (properties with their graphic).
    static void FreeSlotObject(TObject* obj);

    bool FHasCellProps = false;
    int32_t FNormalRowCount = 0;
    bool FWordWrap = true;
    int32_t FMergeCount = 0;
    bool FHideLastRow = false;
    std::unique_ptr<TFont> FDefFont;
    std::unique_ptr<TBrush> FDefBrush;
    bool FDestroying = false;

    friend class TCellProperties;
};
