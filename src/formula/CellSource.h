// How the formula layer sees a grid.  The evaluator reads cells only through
// ICellSource; the spreadsheet grid implements it, tests use a small fake.
// All indices are grid indices (fixed rows and columns counted, 0-based).
#pragma once

#include "CellNames.h"
#include "FormulaValue.h"
#include "FreeNotify.h"

#include <QString>
#include <QStringView>
#include <Types.h>
#include <cstdint>
#include <vector>

// Symbolic cell names ("PRICE") of one grid.  Unsorted, searched without
// regard to ASCII letter case, first match wins.  Positions are full 32-bit
// grid coordinates.  A name must start with an ASCII letter, hold only ASCII
// letters, digits and "_", and must not read as a cell reference in either
// notation ("B2", "AA10", "R1C1", "$A$1"); Add and SetName refuse others.
class TCellNameList {
public:
    struct TEntry {
        QString Name;
        TGridCoord Cell;
    };

    // True when `name` may be given to a cell (see above).
    static bool IsValidName(QStringView name);

    int Count() const { return static_cast<int>(FItems.size()); }
    // Appends an entry; returns its 0-based index, or -1 when the name is refused.
    int Add(const QString& name, TGridCoord cell);
    // 0-based index of the first entry named `name` (ASCII case-insensitive), or -1.
    int IndexOf(QStringView name) const;
    const QString& Name(int index) const { return FItems.at(index).Name; }
    TGridCoord Cell(int index) const { return FItems.at(index).Cell; }
    // Renaming refuses invalid names (returns false, the entry keeps its name).
    bool SetName(int index, const QString& name);
    void SetCell(int index, TGridCoord cell) { FItems.at(index).Cell = cell; }
    void Delete(int index);
    void Clear() { FItems.clear(); }
    const std::vector<TEntry>& Entries() const { return FItems; }

private:
    std::vector<TEntry> FItems;
};

// Calculation state of a cell as far as formulas care.
enum TFormulaCalcState : uint8_t {
    fcsNotCalculated,  // no cached value: a formula cell reads as its text
    fcsValue,          // a cached value is current
    fcsError           // the cell's formula failed; reads as its text
};

class ICellSource : public TFreeNotifier {
public:
    ~ICellSource() override = default;

    // Geometry: counts include the fixed rows and columns.
    virtual int32_t ColCount() const = 0;
    virtual int32_t RowCount() const = 0;
    virtual int32_t FixedCols() const = 0;
    virtual int32_t FixedRows() const = 0;

    // The text of a cell as the grid shows it to formulas (ReadCellText:
    // through the base cell of a merged area); may be wide-encoded.  Only
    // called for cells inside the grid.
    virtual QString ReadCellText(int32_t col, int32_t row) const = 0;

    // The calculation state of a cell and, for fcsValue, its cached value.
    // A check state or any other flag that is not a formula cache must not
    // be answered as fcsValue.  Only called for cells inside the grid.
    virtual TFormulaCalcState GetCalcValue(int32_t col, int32_t row, TFormulaValue& value) const = 0;

    // A quick read for the common case: true with the number when the cell
    // reads as that number (a cached number of a calculated formula, or a
    // text that is plainly a number), exactly as GetCalcValue and the
    // evaluator's text conversion would give it; false means "read it the
    // general way", never "not a number".  The default always says false.
    virtual bool ReadNumber(int32_t col, int32_t row, double& value) const
    {
        (void)col;
        (void)row;
        (void)value;
        return false;
    }

    // Real row to displayed row; the identity when no rows are hidden.
    virtual int32_t DisplRowIndex(int32_t realRow) const { return realRow; }

    // The grid's symbolic cell names, or nullptr when it has none.
    virtual const TCellNameList* GetCellNameList() const { return nullptr; }

    // The notation the grid names its cells in.
    virtual TCellNameMode CellNameMode() const { return nmA1; }
};
