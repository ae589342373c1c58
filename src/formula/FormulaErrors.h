// Formula error codes and their messages.
#pragma once

#include <QString>

enum TFormulaError : int {
    feNone = 0,
    feNoFormula = 1,
    feDivisionByZero = 2,
    feInvalidValue = 3,
    feInvalidCellRef = 4,
    feInvalidRangeRef = 5,
    feInvalidGridRef = 6,
    feInvalidParamCount = 7,
    feCircularRef = 8,
    feNoOpenParen = 9,
    feNoCloseParen = 10,
    fePrematureEnd = 11,
    feUnknownError = 12,
    feInvalidQualifier = 13,
    feInvalidToken = 14,
    feOverflow = 15,
    feUnderflow = 16,
    feCircularRangeRef = 17,
    // Codes above this belong to function libraries (TMathLib::GetErrorMessage).
    feLibraryBase = 100
};

// The fixed message of codes 1..17 ("Division by zero", ...); the empty text
// for any other code, library codes above 100 included.
QString FormulaErrorMessage(int code);
