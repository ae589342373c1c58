// A small in-memory grid for formula tests: texts, cached values, fixed
// counts, an optional hidden-row mapping and a cell-name list.
#pragma once

#include <CellSource.h>
#include <GridFormula.h>

#include <QString>
#include <functional>
#include <map>
#include <utility>

class FakeSheet : public ICellSource {
public:
    FakeSheet(int32_t cols, int32_t rows, int32_t fixedCols = 1, int32_t fixedRows = 1)
        : FCols(cols), FRows(rows), FFixedCols(fixedCols), FFixedRows(fixedRows) {}

    int32_t ColCount() const override { return FCols; }
    int32_t RowCount() const override { return FRows; }
    int32_t FixedCols() const override { return FFixedCols; }
    int32_t FixedRows() const override { return FFixedRows; }

    QString ReadCellText(int32_t col, int32_t row) const override
    {
        ++Reads;
        auto it = FTexts.find({col, row});
        return it == FTexts.end() ? QString() : it->second;
    }
    TFormulaCalcState GetCalcValue(int32_t col, int32_t row, TFormulaValue& value) const override
    {
        auto it = FCache.find({col, row});
        if (it == FCache.end())
            return fcsNotCalculated;
        value = it->second;
        return fcsValue;
    }
    // With QuickNumbers set, the quick read answers for cached numbers and
    // for texts the evaluator converts to a number, as a real grid may.
    bool ReadNumber(int32_t col, int32_t row, double& value) const override
    {
        if (!QuickNumbers)
            return false;
        if (auto it = FCache.find({col, row}); it != FCache.end()) {
            if (!it->second.IsNumber())
                return false;
            value = it->second.Number;
            return true;
        }
        auto it = FTexts.find({col, row});
        if (it == FTexts.end() || it->second.isEmpty())
            return false;
        ++Reads;
        return TGridFormula::CellTextToFloat(it->second, value);
    }
    int32_t DisplRowIndex(int32_t realRow) const override
    {
        return DisplRow ? DisplRow(realRow) : realRow;
    }
    const TCellNameList* GetCellNameList() const override { return Names; }
    TCellNameMode CellNameMode() const override { return nmA1; }

    // Grid coordinates (fixed cells counted).
    void Set(int32_t col, int32_t row, const QString& text) { FTexts[{col, row}] = text; }
    void Cache(int32_t col, int32_t row, const TFormulaValue& v) { FCache[{col, row}] = v; }
    void SetSize(int32_t cols, int32_t rows) { FCols = cols; FRows = rows; }

    std::function<int32_t(int32_t)> DisplRow;
    const TCellNameList* Names = nullptr;
    mutable int Reads = 0;
    bool QuickNumbers = false;

private:
    int32_t FCols, FRows, FFixedCols, FFixedRows;
    std::map<std::pair<int32_t, int32_t>, QString> FTexts;
    std::map<std::pair<int32_t, int32_t>, TFormulaValue> FCache;
};
