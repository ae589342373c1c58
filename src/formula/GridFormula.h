// TGridFormula: the evaluator of one formula text at a time (without the
// leading "="), for one grid.
//
// A single-pass recursive-descent interpreter: it computes while it reads,
// with one position counter over the expression with spaces removed outside
// text literals.  Cells are read through ICellSource; identifiers are offered
// to the bound function libraries, then to the host's custom functions, then
// to the built-in functions (Builtins.h).  Formula mistakes never throw: the
// first error of an evaluation is reported through OnError with its code and
// its position in the expression as assigned.
//
// Values: a number slot per operand and one text slot shared by the whole
// evaluation; operators act on numbers, text operands overwrite the text slot,
// and the result is the text when the slot is non-empty at the end.
#pragma once

#include "CellNames.h"
#include "CellSource.h"
#include "FormulaErrors.h"
#include "FormulaValue.h"
#include "FreeNotify.h"
#include "MathLib.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TGridFormula;
struct TBuiltinEntry;
struct TBuiltinCall;

// The host claims `func` (upper case) by setting `match`; it must not change `func`.
using TIsCustomFunction = std::function<void(TGridFormula* Sender, QString& func, bool& match)>;
// `param` holds the single argument on entry and the result on return.
using TCalcCustomFunction = std::function<void(TGridFormula* Sender, QString& func, double& param)>;
// ErrPos is 1-based in Expression(); ErrParam is always 0; ErrStr carries the
// offending name (codes 6, 13) or a library's message (codes above 100).
using TErrorEvent = std::function<void(TGridFormula* Sender, int ACol, int ARow, int ErrType,
                                       int ErrPos, int ErrParam, const QString& ErrStr)>;

enum TTokenKind : uint8_t {
    tkOperator, tkCellRef, tkNumber, tkString, tkSemicolon, tkIdentifier, tkError
};

// Deepest nesting of parentheses, signs and exponents one formula may use;
// deeper formulas raise error 14 instead of exhausting the stack.
constexpr int MaxFormulaDepth = 1000;

class TGridFormula : private IFreeWatcher {
public:
    // `Grid` is the grid that owns this evaluator (not owned); references
    // without a grid prefix read it.  It may be null: every plain reference
    // then raises error 4.
    explicit TGridFormula(ICellSource* Grid);
    ~TGridFormula();
    TGridFormula(const TGridFormula&) = delete;
    TGridFormula& operator=(const TGridFormula&) = delete;

    const QString& Expression() const { return FOrigExpression; }
    void SetExpression(const QString& Value);
    // The same from a view (copied at once, into the buffers of the previous
    // expression): for callers that hold the text in place, such as a cell.
    void AssignExpression(QStringView Value);
    int32_t Col() const { return FCol; }
    void SetCol(int32_t Value) { FCol = Value; }
    int32_t Row() const { return FRow; }
    void SetRow(int32_t Value) { FRow = Value; }
    // Position of the first error of the last evaluation, 1-based in Expression().
    int ErrorPosition() const { return FErrorPosition; }
    TCellNameList& CellNameList() { return FCellNameList; }
    const TCellNameList& CellNameList() const { return FCellNameList; }
    bool UseRCNames() const { return FUseRCNames; }
    void SetUseRCNames(bool Value) { FUseRCNames = Value; }
    // Not owned; cleared automatically when the binder is destroyed.
    TGridBinder* Binder() const { return FBinder; }
    void SetBinder(TGridBinder* Value);
    TLibBinder* Libs() const { return FMathLib; }
    void SetLibs(TLibBinder* Value);
    ICellSource* Grid() const { return FStringGrid; }

    TIsCustomFunction IsCustomFunction;
    TCalcCustomFunction CalcCustomFunction;
    TErrorEvent OnError;

    // Evaluates Expression().  `r` receives the number, or the text with every
    // U+0000 removed (a wide-encoded text result is decoded instead).  Returns
    // false when the evaluation ends in the error state; the first reported
    // error is authoritative either way.
    bool Calc(TFormulaValue& r);
    // The code of the first error of the last evaluation, 0 when none.
    int LastErrorCode() const { return FLastErrorCode; }
    // Common numeric formulas (arithmetic on numbers and plain references,
    // numeric built-ins) take a quicker reading with the same results; off,
    // every formula takes the general one.  On by default.
    bool QuickRoad() const { return FQuickRoad; }
    void SetQuickRoad(bool Value) { FQuickRoad = Value; }

    // -----------------------------------------------------------------------
    // Services for built-in functions (Builtins.h).  Positions are 1-based in
    // the compacted expression, as the evaluator counts.

    // Raises an error (first error only).
    void ReportError(int position, int ErrType, const QString& ErrStr = QString());
    // Reads one cell as a reference does (error 4 / 6 reported, value 0).
    TFormulaValue FetchCellValue(QStringView gridName, int32_t col, int32_t row);
    // The read used for range cells: no row mapping, empty text stays empty.
    TFormulaValue FetchRangeCellValue(QStringView gridName, int32_t col, int32_t row);
    // Range text ("A1:B5", "Sheet2!A1:B5", any case) to its grid name and
    // grid coordinates of both ends (own fixed offsets); false when it is not
    // a range.
    bool ParseRangeText(QStringView text, QString& gridName, TGridCoord& first, TGridCoord& last) const;
    // The cells of a range, column by column, as texts (numbers in "%g" form).
    bool AddRangeTexts(QStringView rangeText, QStringList& list, int errorPos);
    // Number as it appears in text contexts: "%g" with the current decimal
    // separator, U+0000 for 0.
    static QString NumberToArgText(double v);
    // Strict conversion with "." as the decimal point (optional sign, digits,
    // fraction, exponent; nothing else).
    static bool StrictToFloat(QStringView s, double& value);
    // Cell text to number under the current separators: decimal separator,
    // thousands separators in groups of three, spaces at the ends.
    static bool CellTextToFloat(QStringView s, double& value);
    static QString DecodeWideText(const QString& s);

private:
    friend struct TBuiltinCall;
    void FreeNotification(TFreeNotifier* dying) override;

    // Reading.
    char16_t Ch(int pos) const
    {
        return pos >= 1 && pos <= FLen ? FData[pos - 1] : char16_t(0);
    }
    // Inline: every character of a token asks.
    bool IsTokenEnd(char16_t c) const
    {
        switch (c) {
        case ' ': case '%': case '(': case ')': case '*': case '/': case ';': case '=': case '\\':
        case '^':
            return true;
        case ',':
            return FCommaEndsToken;
        case '+': case '-':
            return FSignsEndToken;
        default:
            return false;
        }
    }
    int TokenEnd(int from) const;  // ReadToken's stop, no text built
    QString ReadToken();           // upper-cased, moves i
    bool MatchKeyword(QStringView name);
    TTokenKind NextTokenKind();

    // Grammar.
    double ParseExpression();
    double ParseTerm();
    double ParseSignedFactor();
    double ParsePower();
    double ParseFactor();
    double ParsePrimary();
    double ReadNumber();
    void ReadStringLiteral();
    double EvalCellReference();
    double Multiply(double a, double b);
    double Divide(double a, double b);
    double Modulo(double a, double b);
    double Power(double b, double y);
    double CheckOverflow(double result, double a, double b);

    // References.
    struct TRefScan {
        int Pos = 0;           // start of the token (1-based)
        int Len = 0;           // token length
        bool IsRef = false;    // a cell reference (or named cell)
        bool IsRange = false;  // "ref:ref" (only valid inside argument lists)
        int NameIndex = -1;    // named cell in the target grid
        QStringView Grid;      // grid prefix without "!"
        TCellRefParts Ref;
    };
    bool ScanReference(int pos, TRefScan& scan);
    bool ScanPlainA1(int pos, TRefScan& scan);  // the shortcut of ScanReference
    // The own grid for an empty name (inline: every plain reference asks).
    ICellSource* TargetGrid(QStringView gridName, bool report)
    {
        return gridName.isEmpty() ? FStringGrid : BoundGrid(gridName, report);
    }
    ICellSource* BoundGrid(QStringView gridName, bool report);
    const TCellNameList* NameListOf(ICellSource* grid) const;
    bool ClaimsConstant(const QString& upperName);
    TFormulaValue ReadCell(ICellSource* grid, int32_t col, int32_t row, bool rangeRead);
    void AddRangeNumbers(QStringView gridName, const TRangeRefParts& range, QStringView text,
                         bool skipEmpty, TParamList& list, int errorPos);
    bool RangeEnds(const TRangeRefParts& range, TGridCoord& first, TGridCoord& last) const;

    // Calls.
    void CallFunction(double& number);
    bool CallBuiltin(const TBuiltinEntry& entry, double& number);
    bool OpenParen();
    double ParseLocalExpression(QString* text);
    void ParseNumList(TParamList& list, bool skipEmpty);
    void ParseTextList(QStringList& list, bool expandRanges);
    void TakeArgText(double number, QString& text);
    int OrigPosition(int compactPos) const;

    // The quick road for the common numeric formulas (GridFormulaFast.cpp):
    // true with the value when it could evaluate the whole formula, false
    // when the general road must (it then starts afresh).
    bool FastEligible() const;
    bool FastCalc(double& result);
    double FastExpression();
    double FastTerm();
    double FastSignedFactor();
    double FastPower();
    double FastFactor();
    double FastWord();
    double FastCall(QStringView upperName, int nameEnd);
    double FastCount(int nameEnd);
    // A plain "A1:B2" at pos: its parts and the position after it, or 0.
    int PlainRange(int pos, TRangeRefParts& range) const;
    void CompactExpression();  // FExpression from FOrigExpression

    int i = 1;
    bool FFirstError = true;
    QString FOrigExpression;
    QString FExpression;       // the compacted text, unless FCompactIsOrig
    bool FCompactIsOrig = false;  // the assigned text has no space to remove
    const char16_t* FData = nullptr;
    int FLen = 0;
    int32_t FCol = 0;
    int32_t FRow = 0;
    int FErrorPosition = 0;
    int FLastErrorCode = 0;
    ICellSource* FStringGrid;
    TCellNameList FCellNameList;
    bool FUseRCNames = false;
    TLibBinder* FMathLib = nullptr;
    TGridBinder* FBinder = nullptr;

    TTokenKind FKind = tkError;
    QString FText;            // the shared text slot
    char16_t FDecimal = u'.';
    char16_t FThousand = u',';
    bool FCommaEndsToken = true;   // "," is in the token-end set
    bool FSignsEndToken = true;    // "+" and "-" are (not while reading an exponent)
    bool FCommaSeparates = true;   // "," is accepted between arguments
    int FDepth = 0;
    TRefScan FLastScan;            // classification of the last reference token
    // The quick road: while FFastMode is set, ReportError only sets FFastBail.
    bool FQuickRoad = true;
    bool FFastMode = false;
    bool FFastBail = false;
    int FFastDepth = 0;
    int FFastCallDepth = 0;
    std::vector<std::unique_ptr<TParamList>> FFastLists;
    QString FFastLastName;  // upper case; the built-in table does not change
    const TBuiltinEntry* FFastLastEntry = nullptr;
    // The own grid's geometry, read once per evaluation.
    int32_t FOwnFixedCols = 0, FOwnFixedRows = 0, FOwnColCount = 0, FOwnRowCount = 0;
};
