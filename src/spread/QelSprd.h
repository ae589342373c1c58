// TQelSpreadGrid: the spreadsheet grid.  A string grid whose cells may hold
// formulas ("=..."), which it evaluates with its own TGridFormula, caches,
// formats and keeps current.
//
// Implementation files:
//   QelSprd.cpp        construction, cell names and references, header labels
//   QelSprdCalc.cpp    formula cells: calculation state, display and save text,
//                      dependency scan, recalculation and propagation
//   QelSprdErrors.cpp  error messages and callbacks, editing hooks
//
// Recalculation works on a dependency index (DependencyIndex.h) kept current
// by edits, Cells writes, loads, clears and structural changes.  Recalc
// evaluates every formula cell once, after every formula cell it reads; an
// edit re-evaluates exactly the cells that depend on the edited one,
// transitively and across bound grids, each once and in order.  Cells on a
// true cycle get error 8 "Circular reference"; nothing else does.
//
// The calculation state of formula cells (cached value, calculated flag,
// error span) lives in a compact table owned by the grid (CalcTable.h), not
// in per-cell graphic objects.  Symbolic cell names live in the evaluator's
// cell-name list; a cell's name index is kept in a small map of its own.
#pragma once

#include "CalcTable.h"
#include "CellSource.h"
#include "DependencyIndex.h"
#include "GridFormula.h"
#include "MathLib.h"
#include "QelGrid.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TQelSpreadGrid;

// A dependency record: the formula in Dst (of DstGrd) reads Src (of SrcGrd).
// Kept for code that reads such records; the grid itself works on its
// dependency index and leaves its TCellRefList empty.
struct TCellRef {
    TGridCoord Src;
    TGridCoord Dst;
    TQelSpreadGrid* SrcGrd = nullptr;
    TQelSpreadGrid* DstGrd = nullptr;
    bool Dirty = false;
};

// An owned list of dependency records in insertion order.
class TCellRefList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    const TCellRef& Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
    TCellRef& Items(int Index) { return FItems.at(static_cast<size_t>(Index)); }
    // Appends a copy, unless the record refers from a cell to itself.
    void Add(const TCellRef& Value);
    void Delete(int Index);
    // Removes every record whose Dst is gc in AGrid.
    void DeleteRef(TQelSpreadGrid* AGrid, TGridCoord gc);
    void DeleteAll() { FItems.clear(); }
    // Clears every Dirty mark.
    void ClearAll();
    // Clears the Dirty mark of every record whose Src is not (ACol, ARow).
    void ClearCell(int ACol, int ARow);

private:
    std::vector<TCellRef> FItems;
};

enum TErrorDisplay : uint8_t { edFormula = 0, edErrorText = 1 };

using TCellFormatEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, QString& Format, bool& DateType)>;
using TFormulaErrorEvent = std::function<void(TObject* Sender, int ACol, int ARow, const QString& S)>;
using TFormulaErrorInfoEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, int ErrType, int ErrPos, int ErrParam,
                       const QString& ErrStr)>;
using TNotifyEvent = std::function<void(TObject* Sender)>;

class TQelSpreadGrid : public TQelStringGrid, public ICellSource {
public:
    TQelSpreadGrid();
    ~TQelSpreadGrid() override;

    // ---- Geometry (ICellSource and the relabelling setters) ----------------------------
    int32_t ColCount() const override { return TQelStringGrid::ColCount(); }
    int32_t RowCount() const override { return TQelStringGrid::RowCount(); }
    int32_t FixedCols() const override { return TQelStringGrid::FixedCols(); }
    int32_t FixedRows() const override { return TQelStringGrid::FixedRows(); }
    // Inherited, then the header labels are rewritten.
    void SetColCount(int Value);
    void SetRowCount(int Value);
    void SetFixedCols(int Value);
    void SetFixedRows(int Value);
    int32_t DisplRowIndex(int32_t realRow) const override
    {
        return TQelStringGrid::DisplRowIndex(realRow);
    }

    // ---- Cell text ---------------------------------------------------------------------
    QString ReadCellText(int col, int row) { return TBaseGrid::ReadCellText(col, row); }
    QString ReadCellText(int32_t col, int32_t row) const override;
    QString Cells(int col, int row) const { return TStringGrid::Cells(col, row); }
    // The Cells write: stores the text (WriteCellText) and, with AutoRecalc, brings the
    // dependency index and the calculation state of the cell and its dependents up to
    // date (a formula is evaluated at once).
    void SetCells(int col, int row, const QString& text);

    // ---- Names and references ------------------------------------------------------------
    TCellNameMode CellNameMode() const override { return FCellNameMode; }
    void SetCellNameMode(TCellNameMode Value);
    bool AutoHeaders() const { return FAutoHeaders; }
    void SetAutoHeaders(bool Value);
    QString CellToName(int Col, int Row) const;
    // (-1, -1), or a partly set cell, when the text is not a name.
    TGridCoord NameToCell(const QString& s) const;
    QString RangeToName(const TGridRect& gr) const;
    TGridRect NameToRange(const QString& s) const;
    void CellToNameParts(int Col, int Row, QString& ColPart, QString& RowPart) const;
    void RangeToNameParts(const TGridRect& gr, QString& ColPart1, QString& RowPart1,
                          QString& ColPart2, QString& RowPart2) const;
    // The symbolic name of a cell ("" when it has none).
    QString CellName(int ACol, int ARow) const;
    // Names the cell, or renames it when it has a name.  A name must be valid for
    // the cell-name list (TCellNameList::IsValidName: a letter first, letters,
    // digits and "_", and not readable as a cell reference); false when refused.
    bool SetCellName(int ACol, int ARow, const QString& Value);
    // The cell bearing a name (letter case ignored), or (-1, -1).
    TGridCoord FindCellName(const QString& value) const;
    void AutoSpreadHeaders();
    // After the grid's settings were read in one go: labels the headers.
    virtual void Loaded();
    // Both forms of the grid's cell-name list.
    const TCellNameList* GetCellNameList() const override { return &FGridFormula->CellNameList(); }
    const QStringList* GetCellNameList() override;

    // ---- Formula cells -----------------------------------------------------------------------
    static bool IsFormula(const QString& s);
    static bool IsFormula(QStringView s);
    bool HasFormula(int ACol, int ARow) { return IsFormula(ReadCellText(ACol, ARow)); }
    // The cell's formula reported an error (its error start is not 0).
    bool HasError(int ACol, int ARow) const;
    // 0 not calculated, 1 calculated, 2 error (an error wins over the calculated flag).
    int GetCalcState(int ACol, int ARow) const;
    void SetCalcValue(int ACol, int ARow, const TFormulaValue& Value);
    void SetCalcError(int ACol, int ARow, int ErrFrom, int ErrLen);
    void ClearCalcState(int ACol, int ARow);
    // The cached value (number 0 when there is none).
    TFormulaValue GetCalcValue(int ACol, int ARow) const;
    TFormulaCalcState GetCalcValue(int32_t col, int32_t row, TFormulaValue& value) const override;
    bool ReadNumber(int32_t col, int32_t row, double& value) const override;
    // The text of a formula cell: with Raw its formula, otherwise its (formatted) result,
    // evaluating it when it is not calculated, or its error display.
    void CalcCellText(int ACol, int ARow, QString& Text, bool Raw);

    // Evaluates every formula cell once, in dependency order.
    void Recalc();
    // Re-evaluates one cell, then every cell that depends on it.
    void RecalcCell(int ACol, int ARow);
    // Re-evaluates, in order, every cell that depends on (ACol, ARow).
    void UpdateDependents(int ACol, int ARow);
    // True when a change of the cell propagates: some formula reads it.
    bool HasDirtyRef(int ACol, int ARow) const;
    // Rebuilds the dependency index from the formulas of the grid.
    void BuildCellRefs();
    // Forgets what the formula of a cell reads.
    void ClearCellRefs(int ACol, int ARow);
    // Records what the formula of a cell reads (Formula with its "=").
    void CollectCellRefs(int ACol, int ARow, const QString& Formula);

    // Commit of an edit: the cell already holds its new text.  Updates the cell's
    // dependencies, evaluates it when it holds a formula, and with AutoRecalc
    // re-evaluates its dependents (in this and in bound grids).
    virtual void DoCellEdited(int ACol, int ARow);
    // The commit of an edit of the current cell wrapped in the recalculation callbacks:
    // stores NewValue in the current cell, then DoCellEdited.
    virtual bool ValidateCell(const QString& NewValue);

    // ---- Errors ----------------------------------------------------------------------------------
    virtual QString ErrorToString(int ErrType);
    virtual void HandleError(int ACol, int ARow, int ErrType, int ErrPos, int ErrParam);

    // ---- Settings ----------------------------------------------------------------------------------
    bool AutoRecalc() const { return FAutoRecalc; }
    void SetAutoRecalc(bool Value) { FAutoRecalc = Value; }
    bool ShowFormula() const { return FShowFormula; }
    void SetShowFormula(bool Value);
    bool SaveFormula() const { return FSaveFormula; }
    void SetSaveFormula(bool Value) { FSaveFormula = Value; }
    const QString& CellFormat() const { return FCellFormat; }
    void SetCellFormat(const QString& Value);
    TLibBinder* Libs() const { return FGridFormula->Libs(); }
    void SetLibs(TLibBinder* Value) { FGridFormula->SetLibs(Value); }
    TGridBinder* Binder() const { return FGridFormula->Binder(); }
    void SetBinder(TGridBinder* Value) { FGridFormula->SetBinder(Value); }
    const QString& ErrorText() const { return FErrorText; }
    void SetErrorText(const QString& Value) { FErrorText = Value; }
    TErrorDisplay ErrorDisplay() const { return FErrorDisplay; }
    void SetErrorDisplay(TErrorDisplay Value) { FErrorDisplay = Value; }
    bool EditHint() const { return FEditHint; }
    void SetEditHint(bool Value) { FEditHint = Value; }
    bool FormulaCellClick() const { return FFormulaCellClick; }
    void SetFormulaCellClick(bool Value) { FFormulaCellClick = Value; }

    // The evaluator's custom-function callbacks.
    TIsCustomFunction& OnIsCustomFunction() { return FGridFormula->IsCustomFunction; }
    TCalcCustomFunction& OnCalcCustomFunction() { return FGridFormula->CalcCustomFunction; }

    TCellFormatEvent OnCellFormat;
    TNotifyEvent OnBeforeRecalc;
    TNotifyEvent OnAfterRecalc;
    TFormulaErrorEvent OnFormulaError;
    TFormulaErrorInfoEvent OnFormulaErrorInfo;

    // 2.3.0.1 packed into four bytes, major highest; "2.3.0.1 Sep, 2013".
    static int32_t GetVersionNr();
    static QString GetVersionString();

    // ---- Overridden steps of the string grid ------------------------------------------------------
    QString GetDisplText(int ACol, int ARow) override;
    QString SaveCellText(int ACol, int ARow) override;
    // Files move the stored texts of plain cells straight to and from the store
    // (a subclass keeps the general steps unless it opts in as well).
    bool PlainCellTransfer() const override;
    // The stored text of a cell that holds no formula and whose saved text
    // (ReadCellText) is exactly that text, or the formatted value of a
    // calculated formula saved as its value.
    bool SaveCellView(int ACol, int ARow, QStringView& View) const override;
    void AfterFileLoad() override;
    void ClearRect(int ACol1, int ARow1, int ACol2, int ARow2) override;
    void InsertRows(int RowIndex, int RCount, bool UpdateCellControls = true) override;
    void RemoveRows(int RowIndex, int RCount) override;
    void DeleteRows(int ARow, int RCount) override;
    void InsertCols(int ColIndex, int CCount) override;
    void RemoveCols(int ColIndex, int CCount) override;
    void CalcFooter(int ACol) override;

    // ---- Access for tests and tools ------------------------------------------------------------------
    TGridFormula& GridFormula() { return *FGridFormula; }
    TDependencyIndex& DependencyIndex() { return FDeps; }
    const TCalcTable& CalcTable() const { return FCalc; }
    // Always empty: dependencies are kept in DependencyIndex().
    TCellRefList& CellRefList() { return FCellRefList; }
    // Formula cells evaluated since construction (statistics).
    int64_t EvaluationCount() const { return FEvaluations; }

protected:
    void DoGetAlignment(int ACol, int ARow, TAlignment& HAlign, TVAlignment& VAlign) override;
    void SetEditText(int ACol, int ARow, const QString& Value) override;
    virtual void DoBeforeRecalc();
    virtual void DoAfterRecalc();

private:
    // Writes the row number into the fixed column of a row, unless it is there.
    void LabelRow(int ARow);
    // A cell without calculation state whose text is a plain whole number.
    bool PlainNumberCell(int32_t col, int32_t row, double& value) const;
    void GridFormulaError(int ACol, int ARow, int ErrType, int ErrPos, int ErrParam, const QString& ErrStr);
    // The formula of a cell as evaluated (decoded, with "="), or "" when it has none.
    QString FormulaText(int ACol, int ARow);
    // Evaluates the formula cell (state cleared by the caller); true when a value was
    // cached.  Exceptions from the evaluation become the cell's error.
    bool EvaluateCell(int ACol, int ARow, TFormulaValue& value);
    // Evaluation as Recalc and propagation do it: state cleared, evaluated, the
    // format callbacks raised for a fresh value, the cell repainted.
    void ReEvaluate(int ACol, int ARow);
    void ReportCircular(int ACol, int ARow);
    void RunPlan(const TEvalPlan& plan);
    QString FormatValue(int ACol, int ARow, const TFormulaValue& value, bool fresh);
    QString FormatNumber(double v, const QString& format) const;
    // Brings the index entry of one cell up to date with its text.
    void UpdateCellRefs(int ACol, int ARow);
    void ScanPrecedents(int ACol, int ARow, QStringView Formula, std::vector<TPrecedent>& out);
    // The scan's quick road for plain formulas; false when the general one must read it.
    bool QuickPrecedents(QStringView text, std::vector<TPrecedent>& out);
    TQelSpreadGrid* TargetGrid(QStringView gridName);
    // After a clear or a structural change: states dropped, index rebuilt, Recalc.
    void StructureChanged();
    bool AnyNames() const;

    std::unique_ptr<TGridFormula> FGridFormula;
    bool FShowFormula = false;
    bool FSaveFormula = true;
    bool FAutoRecalc = true;
    QString FCellFormat = QStringLiteral("%.2f");
    bool FCellFormatOk = true;  // FCellFormat takes exactly one float
    TCellRefList FCellRefList;
    bool FSetCV = false;
    TCellNameMode FCellNameMode = nmA1;
    bool FAutoHeaders = false;
    bool FReading = false;
    bool FEditHint = false;
    QString FErrorText = QStringLiteral("Error");
    TErrorDisplay FErrorDisplay = edFormula;
    bool FFormulaCellClick = true;

    TDependencyIndex FDeps;
    TCalcTable FCalc;
    std::unordered_map<uint64_t, int32_t> FNameIndex;  // cell -> 1-based name index
    QStringList FNameStrings;                          // GetCellNameList's text form
    int64_t FEvaluations = 0;
    mutable QString FSaveText;  // SaveCellView's formatted value
    int FEvalDepth = 0;  // evaluations of this grid in progress (re-entry guard)
    std::vector<TPrecedent> FPrecBuf;
};
