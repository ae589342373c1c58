#include "FormulaErrors.h"

QString FormulaErrorMessage(int code)
{
    switch (code) {
    case feNoFormula: return QStringLiteral("No formula");
    case feDivisionByZero: return QStringLiteral("Division by zero");
    case feInvalidValue: return QStringLiteral("Invalid value");
    case feInvalidCellRef: return QStringLiteral("Invalid cell reference");
    case feInvalidRangeRef: return QStringLiteral("Invalid range reference");
    case feInvalidGridRef: return QStringLiteral("Invalid grid reference");
    case feInvalidParamCount: return QStringLiteral("Invalid nr. of parameters");
    case feCircularRef: return QStringLiteral("Circular reference");
    case feNoOpenParen: return QStringLiteral("No opening parenthesis");
    case feNoCloseParen: return QStringLiteral("No closing parenthesis");
    case fePrematureEnd: return QStringLiteral("Premature end of formula");
    case feUnknownError: return QStringLiteral("Unknown error");
    case feInvalidQualifier: return QStringLiteral("Invalid qualifier");
    case feInvalidToken: return QStringLiteral("Invalid token");
    case feOverflow: return QStringLiteral("Overflow");
    case feUnderflow: return QStringLiteral("Underflow");
    case feCircularRangeRef: return QStringLiteral("Circular range reference in formula");
    default: return QString();
    }
}
