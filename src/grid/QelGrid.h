// TQelStringGrid: the grid component of text cells.
//
// One class; its implementation is split by concern:
//   QelGrid.cpp         construction, counts, hidden columns and rows, index mapping,
//                       change notification
//   QelGridCells.cpp    typed cell access
//   QelGridDisplay.cpp  display text, formats, alignment, password and line handling
//   QelGridRows.cpp     clearing, row and column operations
//   QelGridCsv.cpp      comma-separated files
//
// Indices: the store is addressed by real column indices; hidden columns keep
// their place beyond ColCount.  Hidden rows leave the store, so store rows are
// displayed rows; RealRowIndex / DisplRowIndex map between the two.  Parameters
// say which index they mean (realCol, displCol).
#pragma once

#include "BaseGrid.h"
#include "DateUtils.h"
#include "QelObj.h"
#include "TextHelpers.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TQelGridUndoRedo;

// How a cell's shown text is to be laid out by the painter.
struct TCellTextLayout {
    QString Text;                  // what to draw (already cut for single-line display)
    TCellTextKind Kind = ckPlain;  // ckHTML and ckRTF go to the rich renderers
    bool WordWrap = false;         // wrap at word boundaries within the cell
    int Lines = 1;                 // LineCount of the shown text
    bool MultiLine = false;        // draw each CR LF separated line below the previous one
    bool Ellipsis = false;         // end the (last) line with an ellipsis when it does not fit
    bool IsURL = false;            // underlined, in URLColor
    uint32_t DrawFlags = 0;        // DT_ flags for TCanvas::DrawText (without alignment)
};

class TQelStringGrid : public TBaseGrid {
public:
    TQelStringGrid();
    ~TQelStringGrid() override;

    // ---- Counts and fixed areas ------------------------------------------------------
    // Below 1 becomes 1; raises the high-water marks; with FixedColAlways
    // (FixedRowAlways) re-applies the fixed count.
    void SetColCount(int value);
    void SetRowCount(int value);
    // With FixedColAlways (FixedRowAlways) set, 0 becomes 1 and a value not below
    // the count becomes count - 1.
    void SetFixedCols(int value);
    void SetFixedRows(int value);
    bool FixedColAlways() const { return FFixedColAlways; }
    void SetFixedColAlways(bool value);
    bool FixedRowAlways() const { return FFixedRowAlways; }
    void SetFixedRowAlways(bool value);
    int FixedFooters() const { return FFixedFooters; }
    void SetFixedFooters(int value) { FFixedFooters = value < 0 ? 0 : value; }
    int FixedRightCols() const { return FFixedRightCols; }
    void SetFixedRightCols(int value) { FFixedRightCols = value < 0 ? 0 : value; }
    // The largest counts the grid ever had.
    int MaxColCount() const { return FMaxColCount; }
    int MaxRowCount() const { return FMaxRowCount; }

    // ---- Hidden columns and rows: counts and index mapping ---------------------------
    int NumHiddenColumns() const { return FNumHidden; }
    int NumHiddenRows() const { return static_cast<int>(FGridItems.size()); }
    // Real columns in the store: ColCount + NumHiddenColumns.
    int TotalColCount() const override { return ColCount() + FNumHidden; }
    int AllColCount() const { return TotalColCount(); }
    int TotalRowCount() const { return RowCount() + NumHiddenRows(); }
    int AllRowCount() const { return TotalRowCount(); }
    // Identities while nothing is hidden; every column maps, whatever its index.
    int RealColIndex(int displCol) const;
    int DisplColIndex(int realCol) const;
    int RealRowIndex(int displRow) const;
    int DisplRowIndex(int realRow) const;
    bool IsHiddenColumn(int realCol) const;
    bool IsHiddenRow(int realRow) const;

    // ---- Settings of the cell store ----------------------------------------------------
    // Format of SetCellAsFloat and of the float-format step of the display.
    virtual QString FloatFormat() const { return FFloatFormat; }
    void SetFloatFormat(const QString& value) { FFloatFormat = value; }
    bool ShowNullDates() const { return FShowNullDates; }
    void SetShowNullDates(bool value) { FShowNullDates = value; }
    bool ClearTextOnly() const { return FClearTextOnly; }
    void SetClearTextOnly(bool value) { FClearTextOnly = value; }
    bool SaveHiddenCells() const { return FSaveHiddenCells; }
    void SetSaveHiddenCells(bool value) { FSaveHiddenCells = value; }

    // ---- Typed access (QelGridCells.cpp) -------------------------------------------------
    // Raise EQelGridError "Cell does not contain integer value" / "Cell does not
    // contain a float value" / "Error at position: ..." on bad text.
    int GetCellAsInteger(int col, int row);
    void SetCellAsInteger(int col, int row, int value);
    double GetCellAsFloat(int col, int row);
    void SetCellAsFloat(int col, int row, double value);
    void SetCellAsDate(int col, int row, TDateTime value);
    double CellToReal(int ACol, int ARow);
    // Reads by real row (footer and group calculations): a hidden row's saved
    // text through the display-text hook, a visible row through ReadCellText;
    // negative indices give empty text.
    QString ReadRealCellText(int col, int realRow);
    double GetRealCellAsFloat(int col, int realRow);

    // Frees the cell's graphic (unless shared) and clears FGraphicObject; false
    // when the cell has no TCellGraphic.
    bool RemoveCellGraphic(int col, int row);

    // ---- Change notification ---------------------------------------------------------------
    // OnCellsChanged, then every registered notifier, then CalcFooter(-1).
    virtual void NotifyCellsChanged(const TGridRect& R);
    std::function<void(TObject* Sender, const TGridRect& R)> OnCellsChanged;
    // Notifiers are not owned; unregister before one goes away.
    void RegisterNotifier(TGridChangeNotifier* notifier);
    void UnRegisterNotifier(TGridChangeNotifier* notifier);
    // Footer calculations (-1: every column) and the footer row; nothing here.
    virtual void CalcFooter(int ACol);
    virtual void UpdateFooter();

    // ---- Undo -----------------------------------------------------------------------------------
    // Not owned; assigning tells the component its grid.
    TQelGridUndoRedo* UndoRedo() const { return FUndoRedo; }
    void SetUndoRedo(TQelGridUndoRedo* value);

    // ---- Display text and formats (QelGridDisplay.cpp) -----------------------------------------
    bool AutoNumAlign() const { return FAutoNumAlign; }
    void SetAutoNumAlign(bool value) { FAutoNumAlign = value; }
    TAlignment DefaultAlignment() const { return FDefaultAlignment; }
    void SetDefaultAlignment(TAlignment value) { FDefaultAlignment = value; }
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment value) { FVAlignment = value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool Multilinecells() const { return FMultilinecells; }
    void SetMultilinecells(bool value) { FMultilinecells = value; }
    bool EnhTextSize() const { return FEnhTextSize; }
    void SetEnhTextSize(bool value) { FEnhTextSize = value; }
    bool EnableHTML() const { return FEnableHTML; }
    void SetEnableHTML(bool value) { FEnableHTML = value; }
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar value) { FPasswordChar = value; }
    bool URLShow() const { return FURLShow; }
    void SetURLShow(bool value) { FURLShow = value; }
    bool URLFull() const { return FURLFull; }
    void SetURLFull(bool value) { FURLFull = value; }
    bool URLShowInText() const { return FURLShowInText; }
    void SetURLShowInText(bool value) { FURLShowInText = value; }
    TColor URLColor() const { return FURLColor; }
    void SetURLColor(TColor value) { FURLColor = value; }
    TGrouping& Grouping() { return FGrouping; }
    const TGrouping& Grouping() const { return FGrouping; }
    TMouseActions& MouseActions() { return FMouseActions; }
    const TMouseActions& MouseActions() const { return FMouseActions; }

    // ReadCellText plus the float-format step.
    virtual QString GetFloatText(int ACol, int ARow);
    // The text shown for a formula-kind text; ReadCellText here.
    virtual QString GetDisplText(int ACol, int ARow);
    // The text to show: float format, formula result, password masking.
    QString GetShownText(int ACol, int ARow, TCellTextKind* Kind = nullptr);
    void GetCellAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign);
    bool GetCellWordWrap(int ACol, int ARow);
    bool IsPasswordCell(int ACol, int ARow);
    // The shown text with the line and address rules applied, for the painter.
    TCellTextLayout GetCellTextLayout(int ACol, int ARow);

    std::function<void(TObject* Sender, int ACol, int ARow, bool& IsFloat, QString& FloatFormat)>
        OnGetFloatFormat;
    std::function<void(TObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign)>
        OnGetAlignment;
    std::function<void(TObject* Sender, int ACol, int ARow, bool& WordWrap)> OnGetWordWrap;
    std::function<void(TObject* Sender, int ARow, int ACol, bool& IsPassword)> OnIsPasswordCell;

    // ---- Clearing, row and column operations (QelGridRows.cpp) ---------------------------------
    // Column indices are real indices.
    virtual void ClearRect(int ACol1, int ARow1, int ACol2, int ARow2);
    void Clear();
    void ClearAll();
    void ClearRows(int RowIndex, int RCount);
    void ClearCols(int ColIndex, int CCount);
    void ClearNormalRows(int RowIndex, int RCount);
    void ClearNormalCols(int ColIndex, int CCount);
    void ClearNormalCells();
    void ClearSelection();
    virtual void InsertRows(int RowIndex, int RCount, bool UpdateCellControls = true);
    virtual void RemoveRows(int RowIndex, int RCount);
    virtual void DeleteRows(int ARow, int RCount);
    virtual void InsertCols(int ColIndex, int CCount);
    virtual void RemoveCols(int ColIndex, int CCount);
    void AddRow();
    void AddColumn();
    // The incremental-search text (emptied by Clear and ClearAll).
    const QString& SearchText() const { return FSearchText; }

    // --- Comma-separated files (QelGridCsv.cpp) ---
    // What the writer tells ExportNotification.
    enum TGridExportState : uint8_t {
        esExportStart, esExportNewRow, esExportDone, esExportSelRow, esExportFail, esExportNextRow
    };

    // The cell separator; QChar() (#0) means "," when writing and detection
    // from the first two lines when reading (detection never changes it).
    QChar Delimiter() const { return FDelimiter; }
    void SetDelimiter(QChar value) { FDelimiter = value; }
    bool QuoteEmptyCells() const { return FQuoteEmptyCells; }
    void SetQuoteEmptyCells(bool value) { FQuoteEmptyCells = value; }
    bool AlwaysQuotes() const { return FAlwaysQuotes; }
    void SetAlwaysQuotes(bool value) { FAlwaysQuotes = value; }
    bool JavaCSV() const { return FJavaCSV; }
    void SetJavaCSV(bool value) { FJavaCSV = value; }
    // Whether files include the fixed (and footer, right fixed) rows and columns.
    bool SaveFixedCells() const { return FSaveFixedCells; }
    void SetSaveFixedCells(bool value) { FSaveFixedCells = value; }
    bool SaveFixedCols() const { return FSaveFixedCols; }
    void SetSaveFixedCols(bool value) { FSaveFixedCols = value; }
    bool SaveFixedRows() const { return FSaveFixedRows; }
    void SetSaveFixedRows(bool value) { FSaveFixedRows = value; }
    // Save the displayed value (GetFloatText) instead of the stored text.
    bool SaveVirtCells() const { return FSaveVirtCells; }
    void SetSaveVirtCells(bool value) { FSaveVirtCells = value; }
    bool SaveWithHTML() const { return FSaveWithHTML; }
    void SetSaveWithHTML(bool value) { FSaveWithHTML = value; }
    bool SaveWithRTF() const { return FSaveWithRTF; }
    void SetSaveWithRTF(bool value) { FSaveWithRTF = value; }
    // When false, the first line of a file is skipped.
    bool LoadFirstRow() const { return FLoadFirstRow; }
    void SetLoadFirstRow(bool value) { FLoadFirstRow = value; }
    // Files without a byte-order mark are written and read in CP437.
    bool OemConvert() const { return FOemConvert; }
    void SetOemConvert(bool value) { FOemConvert = value; }
    const QString& CheckTrue() const { return FCheckTrue; }
    void SetCheckTrue(const QString& value) { FCheckTrue = value; }
    const QString& CheckFalse() const { return FCheckFalse; }
    void SetCheckFalse(const QString& value) { FCheckFalse = value; }
    // A TTextEncoding value (TextFile.h): the encoding of Unicode saves.
    uint8_t Encoding() const { return FEncoding; }
    void SetEncoding(uint8_t value) { FEncoding = value; }

    // Writes the save area to a new file (replacing an existing one only when
    // the whole new file could be written).  Unicode: Encoding() with its
    // byte-order mark; otherwise UTF-8 without a mark.
    void SaveToCSV(const QString& FileName, bool Unicode = false);
    // Adds the save area's rows after the existing file's text (a missing file
    // counts as empty) and writes the whole file back.
    void AppendToCSV(const QString& FileName, bool Unicode = false);
    // Loads from the save area's first cell; a file of zero bytes is ignored.
    // MaxRows > 0 limits the lines read.
    void LoadFromCSV(const QString& FileName, int MaxRows = 0);
    // Decodes the file with a TTextEncoding value instead of detecting it.
    void LoadFromCSV(const QString& FileName, uint8_t AEncoding, int MaxRows = 0);
    // Loads the stream from its current position to its end.
    void LoadFromCSVStream(class QIODevice& AStream, int MaxRows = 0);
    // Like LoadFromCSV, the rows added after the last row.
    void InsertFromCSV(const QString& FileName, int MaxRows = 0);

    // The text written for a cell (real column).
    virtual QString SaveCellText(int ACol, int ARow);
    // Stores one loaded cell (real column) after OnLoadCell, with WriteRawCellText.
    virtual void LoadCellText(int ACol, int ARow, const QString& Value);
    // Runs once after every load: recomputes the column footers.
    virtual void AfterFileLoad();
    // Told by the writer about its progress; nothing here.
    virtual void ExportNotification(TGridExportState AState, int ARow);

    // True when the cell transfer of files is this class's own: SaveCellText, LoadCellText,
    // GetFloatText and the display hooks (DoGetDisplText, DoGetDisplWideText, GetGroupInfo)
    // are not overridden. Then the file code may store loaded cells
    // and write saved cells straight from and to the store when no callback or setting
    // would change the text. The default answers true for TQelStringGrid itself only; a
    // subclass whose overrides keep those steps' results (or that overrides none of them)
    // may answer true; one that overrides SaveCellText must then also override
    // SaveCellView to decline the cells whose saved text its SaveCellText changes.
    virtual bool PlainCellTransfer() const;
    // Whether the cells of a row may be saved through SaveCellView: PlainCellTransfer and
    // no save or display callback, address anchors or float-format callback.
    bool PlainCellSave() const;
    // The stored text of a cell when SaveCellText would return exactly it (PlainCellSave
    // holds, and the cell has no properties, no wide encoding, no mark-up to strip or rich
    // text to convert); false otherwise, and the writer calls SaveCellText. The view lasts
    // until the store changes or SaveCellView is asked again (a subclass may hand out a
    // text of its own, such as a formatted value). Asked only while PlainCellSave holds.
    virtual bool SaveCellView(int ACol, int ARow, QStringView& View) const;

    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnSaveCell;
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnLoadCell;
    std::function<void(TObject* Sender, int Progress)> OnFileProgress;
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnGetCheckTrue;
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)> OnGetCheckFalse;
    // --- end of comma-separated files ---

protected:
    // ---- Display hooks ----------------------------------------------------------------------------
    // OnGetDisplText, address anchors, group counts.
    void DoGetDisplText(int ACol, int ARow, QString& Value) override;
    virtual void DoGetAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign);
    virtual void DoGetWordWrap(int ACol, int ARow, bool& WordWrap);
    virtual void DoIsPasswordCell(int ACol, int ARow, bool& IsPassword);
    // Row grouping (specified with tree nodes): true for a group header row,
    // with the group's row span and its number of sub-groups.
    virtual bool GetGroupInfo(int ARow, int& RowSpan, int& SubGroups);
    // Turns the address found at `pos` of `text` into a mark-up anchor.
    virtual QString MakeURLAnchor(const QString& text, int pos);
    void GetVisualDefaults(int ACol, int ARow, TFont& AFont, TBrush& ABrush,
                           TCellVisualDefaults& Defaults) override;
    void LastRowChanged() override;
    void SizeChanged(int oldColCount, int oldRowCount) override;

    // ---- Hidden columns and rows: the data model --------------------------------------------------
    // Hides a real column: its width is saved, the widths of the displayed columns
    // right of it shift left, ColCount drops by one; texts and objects stay.
    void HideColumnData(int realCol);
    void UnHideColumnData(int realCol);
    // Takes a displayed row out of the store into FGridItems (texts and objects
    // move with it) and puts a hidden real row back.
    void HideRowData(int displRow);
    void UnHideRowData(int realRow);
    // The record of a hidden real row, or null.
    TGridItem* HiddenRowItem(int realRow) const;
    bool VisibleColFlag(int realCol) const;
    void SetVisibleColFlag(int realCol, bool visible);

    // ---- Hooks of features specified with other parts ------------------------------------------------
    // Floating footer.
    virtual bool FloatingFooterVisible() const { return false; }
    virtual void SetFloatingFooterVisible(bool) {}
    virtual int FloatingFooterStyle() const { return 0; }
    // Tree nodes.
    virtual bool HasNodes() const { return false; }
    virtual void RemoveAllNodes() {}
    // Per-row lists (modified rows, enabled rows, disjunct row selection).
    virtual void InsertRowListEntries(int /*RowIndex*/, int /*RCount*/) {}
    virtual void DeleteRowListEntries(int /*RowIndex*/, int /*RCount*/, bool /*AllLists*/) {}
    // Disjunct selection: true when active, with the selected rows (columns).
    virtual bool DisjunctRowSelection(std::vector<int>& /*Rows*/) { return false; }
    virtual bool DisjunctColSelection(std::vector<int>& /*Cols*/) { return false; }
    // Cell controls.
    virtual bool HasCellControls() const { return false; }
    virtual void MoveCellControls(int /*FromRealRow*/, int /*Delta*/) {}
    virtual void DropCellControls(int /*FirstRow*/, int /*LastRow*/) {}
    virtual void CellControlsUpdate() {}
    virtual void RepaintSearchFooter() {}

    // ---- State -------------------------------------------------------------------------------------
    std::vector<uint8_t> FVisibleCol;       // by real column; indices past the end are visible
    std::vector<int32_t> FHiddenColWidths;  // saved widths by real column
    int32_t FNumHidden = 0;
    std::vector<std::unique_ptr<TGridItem>> FGridItems;  // hidden rows, ascending FIdx
    int32_t FMaxColCount = 0;
    int32_t FMaxRowCount = 0;
    bool FFixedColAlways = false;
    bool FFixedRowAlways = false;
    int32_t FFixedFooters = 0;
    int32_t FFixedRightCols = 0;
    QString FFloatFormat = QStringLiteral("%.2f");
    bool FShowNullDates = true;
    bool FClearTextOnly = false;
    bool FSaveHiddenCells = false;
    bool FNilObjects = false;        // clearing detaches objects instead of freeing them
    bool FBlockCellChange = false;   // ClearRect sends no notification
    QString FSearchText;
    std::vector<TGridChangeNotifier*> FNotifiers;
    TQelGridUndoRedo* FUndoRedo = nullptr;

    bool FAutoNumAlign = false;
    TAlignment FDefaultAlignment = taLeftJustify;
    TVAlignment FVAlignment = vtaTop;
    bool FMultilinecells = false;
    bool FEnhTextSize = false;
    bool FEnableHTML = true;
    QChar FPasswordChar = u'*';
    bool FURLShow = false;
    bool FURLFull = false;
    bool FURLShowInText = false;
    TColor FURLColor = clBlue;
    TGrouping FGrouping;
    TMouseActions FMouseActions;

    // --- Comma-separated files: protected part (QelGridCsv.cpp) ---
    // The whole file as text, and the shared reading and writing steps.
    QString DecodeCsvBytes(QByteArrayView bytes) const;
    QString BuildCsvText();
    // The same text as UTF-8 bytes (BuildCsvText().toUtf8()), built as bytes
    // directly where the writer allows, without the whole text in between.
    QByteArray BuildCsvUtf8();
    void WriteCsvFile(const QString& FileName, const QString& text, bool Unicode);
    // Takes the text over: it is released before AfterFileLoad runs.
    void LoadCsvText(QString text, int MaxRows, bool inserting);

    QChar FDelimiter;
    bool FQuoteEmptyCells = true;
    bool FAlwaysQuotes = false;
    bool FJavaCSV = false;
    bool FSaveFixedCells = true;
    bool FSaveFixedCols = false;
    bool FSaveFixedRows = false;
    bool FSaveVirtCells = true;
    bool FSaveWithHTML = true;
    bool FSaveWithRTF = false;
    bool FLoadFirstRow = true;
    bool FOemConvert = false;
    QString FCheckTrue = QStringLiteral("Y");
    QString FCheckFalse = QStringLiteral("N");
    uint8_t FEncoding = 0;  // teUTF8
    // --- end of comma-separated files: protected part ---

private:
    void ShiftRowsForRemoval(int RowIndex, int RCount);
    void FixRowAfterRemoval(int savedRow, int savedTopRow);
};
