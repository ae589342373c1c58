// TQelSpreadGrid: error messages and callbacks, and the editing hooks.
#include "QelSprd.h"

#include "FormulaErrors.h"

QString TQelSpreadGrid::ErrorToString(int ErrType) { return FormulaErrorMessage(ErrType); }

void TQelSpreadGrid::HandleError(int ACol, int ARow, int ErrType, int ErrPos, int ErrParam)
{
    if (OnFormulaError) {
        const QString s = ErrorToString(ErrType);
        OnFormulaError(this, ACol, ARow, s);
    }
    if (OnFormulaErrorInfo) {
        const QString s = ErrorToString(ErrType);
        OnFormulaErrorInfo(this, ACol, ARow, ErrType, ErrPos, ErrParam, s);
    }
}

void TQelSpreadGrid::SetEditText(int ACol, int ARow, const QString& Value)
{
    TQelStringGrid::SetEditText(ACol, ARow, Value);
    // While it is being typed the cell counts as not calculated.
    ClearCalcState(ACol, ARow);
}
