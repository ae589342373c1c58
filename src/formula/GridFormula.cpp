#include "GridFormula.h"

#include "Builtins.h"
#include "NumberText.h"

#include <DateUtils.h>
#include <FormatSettings.h>
#include <SysUtils.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace {

inline bool IsAsciiLetter(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsAsciiDigit(char16_t c) { return c >= '0' && c <= '9'; }
inline char16_t AsciiUpper(char16_t c) { return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c; }

QString UpperToken(QStringView v)
{
    QString s(v.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(s.data());
    for (qsizetype k = 0; k < v.size(); ++k)
        d[k] = AsciiUpper(v[k].unicode());
    return s;
}

bool SameAscii(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype k = 0; k < a.size(); ++k)
        if (AsciiUpper(a[k].unicode()) != AsciiUpper(b[k].unicode()))
            return false;
    return true;
}

bool IsWideEncoded(const QString& s)
{
    return s.size() >= 4 && s[0] == u'|' && s[1] == u'\\';
}

// Truncation toward zero into 64 bits, clamped at the ends of the range.
int64_t ClampTrunc(double x)
{
    if (std::isnan(x))
        return 0;
    if (x >= 9223372036854775807.0)
        return std::numeric_limits<int64_t>::max();
    if (x <= -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(x);
}

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

TGridFormula::TGridFormula(ICellSource* Grid) : FStringGrid(Grid) {}

TGridFormula::~TGridFormula()
{
    if (FMathLib)
        FMathLib->RemoveFreeWatcher(this);
    if (FBinder)
        FBinder->RemoveFreeWatcher(this);
}

void TGridFormula::SetLibs(TLibBinder* Value)
{
    if (Value == FMathLib)
        return;
    if (FMathLib)
        FMathLib->RemoveFreeWatcher(this);
    FMathLib = Value;
    if (FMathLib)
        FMathLib->AddFreeWatcher(this);
}

void TGridFormula::SetBinder(TGridBinder* Value)
{
    if (Value == FBinder)
        return;
    if (FBinder)
        FBinder->RemoveFreeWatcher(this);
    FBinder = Value;
    if (FBinder)
        FBinder->AddFreeWatcher(this);
}

void TGridFormula::FreeNotification(TFreeNotifier* dying)
{
    if (static_cast<TFreeNotifier*>(FMathLib) == dying)
        FMathLib = nullptr;
    if (static_cast<TFreeNotifier*>(FBinder) == dying)
        FBinder = nullptr;
}

void TGridFormula::SetExpression(const QString& Value)
{
    FOrigExpression = Value;
    CompactExpression();
}

void TGridFormula::AssignExpression(QStringView Value)
{
    const qsizetype n = Value.size();
    const char16_t* src = reinterpret_cast<const char16_t*>(Value.data());
    const char16_t* own = reinterpret_cast<const char16_t*>(FOrigExpression.constData());
    if (n == FOrigExpression.size() && (n == 0 || std::memcmp(src, own, size_t(n) * 2) == 0))
        return;  // unchanged: the compacted form is current
    if (n > 0 && src >= own && src < own + FOrigExpression.size()) {
        SetExpression(Value.toString());  // a part of the current text
        return;
    }
    // resize keeps the buffer when it is not shared, so no allocation.  Most
    // formulas hold no space: the assigned text is then the compacted one.
    if (FOrigExpression.size() != n)
        FOrigExpression.resize(n);
    char16_t* o = reinterpret_cast<char16_t*>(FOrigExpression.data());
    std::memcpy(o, src, size_t(n) * 2);
    if (std::find(src, src + n, u' ') != src + n) {
        CompactExpression();
        return;
    }
    FCompactIsOrig = true;
    FData = o;
    FLen = static_cast<int>(std::min<qsizetype>(n, std::numeric_limits<int>::max() - 2));
}

void TGridFormula::CompactExpression()
{
    const QString& Value = FOrigExpression;
    // Spaces go, except inside text literals.
    FExpression.resize(Value.size());
    char16_t* d = reinterpret_cast<char16_t*>(FExpression.data());
    qsizetype n = 0;
    bool inLiteral = false;
    for (QChar qc : Value) {
        const char16_t c = qc.unicode();
        if (c == '"')
            inLiteral = !inLiteral;
        else if (c == ' ' && !inLiteral)
            continue;
        d[n++] = c;
    }
    FExpression.truncate(n);
    FCompactIsOrig = false;
    FData = reinterpret_cast<const char16_t*>(FExpression.constData());
    FLen = static_cast<int>(std::min<qsizetype>(n, std::numeric_limits<int>::max() - 2));
}

// ---------------------------------------------------------------------------
// Evaluation

bool TGridFormula::Calc(TFormulaValue& r)
{
    const TFormatSettings& fs = FormatSettings();
    FDecimal = fs.DecimalSeparator.unicode();
    FThousand = fs.ThousandSeparator.unicode();
    FCommaEndsToken = FDecimal != ',';
    FCommaSeparates = FDecimal != ',';
    FSignsEndToken = true;
    FFirstError = true;
    FLastErrorCode = 0;
    FErrorPosition = 0;
    FDepth = 0;
    FLastScan.Pos = 0;
    i = 1;
    if (!FText.isEmpty())
        FText.resize(0);  // keeps the buffer for the next text
    FOwnFixedCols = FStringGrid ? FStringGrid->FixedCols() : 0;
    FOwnFixedRows = FStringGrid ? FStringGrid->FixedRows() : 0;
    FOwnColCount = FStringGrid ? FStringGrid->ColCount() : 0;
    FOwnRowCount = FStringGrid ? FStringGrid->RowCount() : 0;
    FData = reinterpret_cast<const char16_t*>(FCompactIsOrig ? FOrigExpression.constData() : FExpression.constData());

    double number = 0.0;
    if (FastEligible() && FastCalc(number)) {
        r.Kind = TFormulaValue::fvNumber;
        r.Number = number;
        if (!r.Text.isEmpty())
            r.Text.resize(0);
        return true;
    }
    // The general road, from the start.
    i = 1;
    FDepth = 0;
    FLastScan.Pos = 0;
    number = 0.0;
    NextTokenKind();
    if (FKind != tkSemicolon)
        number = ParseExpression();
    if (FKind != tkSemicolon && i < FLen)
        --i;

    if (FText.isEmpty()) {
        r.Kind = TFormulaValue::fvNumber;
        r.Number = number;
        if (!r.Text.isEmpty())
            r.Text.resize(0);
    } else if (IsWideEncoded(FText)) {
        r.SetText(DecodeWideText(FText));
    } else {
        r.Kind = TFormulaValue::fvText;
        r.Number = 0.0;
        r.Text = FText;
        r.Text.remove(QChar(0));
    }

    const bool ok = FKind != tkError;
    if (FKind == tkError && FFirstError)
        ReportError(i, feInvalidToken);
    return ok;
}

void TGridFormula::ReportError(int position, int ErrType, const QString& ErrStr)
{
    if (FFastMode) {
        FFastBail = true;  // the general road will report it
        return;
    }
    if (!FFirstError)
        return;
    FKind = tkError;
    FFirstError = false;
    FLastErrorCode = ErrType;
    QString str = ErrStr;
    if (ErrType == feInvalidQualifier)
        str = ReadToken();
    FErrorPosition = OrigPosition(position);
    if (OnError)
        OnError(this, FCol, FRow, ErrType, FErrorPosition, 0, str);
}

int TGridFormula::OrigPosition(int compactPos) const
{
    // Walk the assigned text the way SetExpression compacted it, so spaces
    // inside literals are not mistaken for removed ones.
    if (compactPos <= 0)
        return compactPos;
    int compact = 0;
    bool inLiteral = false;
    const qsizetype n = FOrigExpression.size();
    for (qsizetype k = 0; k < n; ++k) {
        const char16_t c = FOrigExpression[k].unicode();
        if (c == ' ' && !inLiteral)
            continue;
        if (++compact == compactPos)
            return static_cast<int>(k + 1);
        if (c == '"')
            inLiteral = !inLiteral;
    }
    return static_cast<int>(std::min<int64_t>(int64_t(n) + (compactPos - compact),
                                              std::numeric_limits<int>::max()));
}

// ---------------------------------------------------------------------------
// Tokens

int TGridFormula::TokenEnd(int from) const
{
    int j = from;
    if (Ch(j) == '"') {
        // A token that starts with a quote runs to the next quote (not included).
        ++j;
        while (j <= FLen && Ch(j) != '"')
            ++j;
        return j;
    }
    while (j <= FLen && !IsTokenEnd(Ch(j)))
        ++j;
    return j;
}

QString TGridFormula::ReadToken()
{
    const int end = std::max(i, TokenEnd(i));
    QString s = i <= FLen ? UpperToken(QStringView(FData + i - 1, end - i)) : QString();
    i = end;
    return s;
}

bool TGridFormula::MatchKeyword(QStringView name)
{
    const int end = TokenEnd(i);
    if (i > FLen || !SameAscii(QStringView(FData + i - 1, end - i), name))
        return false;
    i = end;
    return true;
}

TTokenKind TGridFormula::NextTokenKind()
{
    const char16_t c = Ch(i);
    switch (c) {
    case '%': case '(': case ')': case '*': case '+': case '-': case '/': case '=': case '[':
    case ']': case '^':
        return FKind = tkOperator;
    default:
        break;
    }
    if ((c == '$' || IsAsciiLetter(c)) && ScanReference(i, FLastScan) && FLastScan.IsRef)
        return FKind = tkCellRef;
    if (IsAsciiDigit(c) || (c != 0 && c == FDecimal))
        return FKind = tkNumber;
    if (c == '"')
        return FKind = tkString;
    if (c == ';')
        return FKind = tkSemicolon;
    if (IsAsciiLetter(c))
        return FKind = tkIdentifier;
    return FKind = tkError;
}

// ---------------------------------------------------------------------------
// Grammar

double TGridFormula::ParseExpression()
{
    double v = ParseTerm();
    while (FKind != tkError && i < FLen) {
        const char16_t op = Ch(i);
        if (op != '+' && op != '-')
            break;
        ++i;
        NextTokenKind();
        const double r = ParseTerm();
        v = CheckOverflow(op == '+' ? v + r : v - r, v, r);
    }
    return v;
}

double TGridFormula::ParseTerm()
{
    double v = ParseSignedFactor();
    while (FKind != tkError && i < FLen) {
        const char16_t op = Ch(i);
        if (op != '*' && op != '/' && op != '%')
            break;
        ++i;
        NextTokenKind();
        const double r = ParseSignedFactor();
        if (op == '*')
            v = Multiply(v, r);
        else if (op == '/')
            v = Divide(v, r);
        else
            v = Modulo(v, r);
    }
    return v;
}

double TGridFormula::ParseSignedFactor()
{
    // Every nesting (parentheses, exponents, argument lists) passes here.
    if (FDepth >= MaxFormulaDepth) {
        ReportError(i, feInvalidToken);
        i = FLen + 1;  // unwind at once
        FKind = tkError;
        return 0.0;
    }
    ++FDepth;
    double v;
    const char16_t c = Ch(i);
    if (FKind == tkOperator && (c == '+' || c == '-')) {
        ++i;
        NextTokenKind();
        v = ParsePower();
        if (c == '-')
            v = -v;
    } else {
        v = ParsePower();
    }
    --FDepth;
    return v;
}

double TGridFormula::ParsePower()
{
    double v = ParseFactor();
    if (FKind == tkError)
        return v;
    if (i < FLen && Ch(i) == '^') {
        ++i;
        NextTokenKind();
        const double y = ParseSignedFactor();
        v = Power(v, y);
    }
    return v;
}

double TGridFormula::ParseFactor()
{
    if (FKind != tkOperator)
        return ParsePrimary();
    if (Ch(i) == '(' && i < FLen) {
        ++i;
        NextTokenKind();
        const double v = ParseExpression();
        if (Ch(i) != ')')
            ReportError(i, feNoCloseParen);
        ++i;
        return v;
    }
    ReportError(i, feInvalidToken);
    return 0.0;
}

double TGridFormula::ParsePrimary()
{
    switch (FKind) {
    case tkNumber:
        return ReadNumber();
    case tkString:
        ReadStringLiteral();
        return 0.0;
    case tkCellRef:
        return EvalCellReference();
    case tkIdentifier: {
        double v = 0.0;
        CallFunction(v);
        return v;
    }
    default:
        return 0.0;
    }
}

double TGridFormula::ReadNumber()
{
    const int start = i;
    bool sawDigit = false;
    while (i <= FLen) {
        const char16_t c = Ch(i);
        if (IsTokenEnd(c))
            break;
        if (IsAsciiDigit(c)) {
            sawDigit = true;
            FSignsEndToken = true;
        } else if ((c == 'E' || c == 'e') && sawDigit) {
            // A sign right after the exponent mark belongs to the literal.
            FSignsEndToken = false;
        }
        ++i;
    }
    FSignsEndToken = true;
    double v = 0.0;
    const TNumberTextStatus st =
        ReadNumberText(QStringView(FData + start - 1, i - start), FDecimal, FThousand, v);
    if (st == ntOverflow) {
        ReportError(start, feOverflow);
        return 0.0;
    }
    if (st != ntOk) {
        ReportError(start, feInvalidToken);
        return 0.0;
    }
    return v;
}

void TGridFormula::ReadStringLiteral()
{
    int j = i + 1;
    while (j <= FLen && Ch(j) != '"')
        ++j;
    // Characters between the quotes: positions i+1 .. j-1.
    FText.setUnicode(reinterpret_cast<const QChar*>(FData + i), j - i - 1);
    i = j <= FLen ? j + 1 : j;
}

double TGridFormula::CheckOverflow(double result, double a, double b)
{
    if (!std::isfinite(result) && std::isfinite(a) && std::isfinite(b))
        ReportError(i, feOverflow);
    return result;
}

double TGridFormula::Multiply(double a, double b) { return CheckOverflow(a * b, a, b); }

double TGridFormula::Divide(double a, double b)
{
    if (b == 0.0) {
        ReportError(i, feDivisionByZero);
        return a;
    }
    return CheckOverflow(a / b, a, b);
}

double TGridFormula::Modulo(double a, double b)
{
    if (b == 0.0) {
        ReportError(i, feDivisionByZero);
        return a;
    }
    const int64_t ta = ClampTrunc(a);
    const int64_t tb = ClampTrunc(b);
    if (tb == 0) {
        ReportError(i, feDivisionByZero);
        return a;
    }
    if (tb == -1)
        return 0.0;  // also keeps INT64_MIN % -1 defined
    return static_cast<double>(ta % tb);
}

double TGridFormula::Power(double b, double y)
{
    if (b == 0.0) {
        if (y == 0.0)
            return 1.0;
        if (y < 0.0) {
            ReportError(i, feDivisionByZero);
            return 0.0;
        }
        return 0.0;
    }
    double r;
    if (b > 0.0) {
        r = std::pow(b, y);
    } else if (std::isfinite(y) && y == std::trunc(y)) {
        r = std::pow(b, y);  // whole exponent: the sign follows its parity
    } else {
        r = -std::pow(-b, y);
    }
    return CheckOverflow(r, b, y);
}

// ---------------------------------------------------------------------------
// References

const TCellNameList* TGridFormula::NameListOf(ICellSource* grid) const
{
    if (!grid)
        return nullptr;
    if (grid == FStringGrid)
        return &FCellNameList;
    return grid->GetCellNameList();
}

ICellSource* TGridFormula::BoundGrid(QStringView gridName, bool report)
{
    ICellSource* g = FBinder ? FBinder->GridByName(gridName) : nullptr;
    if (!g && report && FFirstError) {
        // Reported without ending the evaluation: the reference reads as 0.
        const TTokenKind kind = FKind;
        ReportError(i, feInvalidGridRef, UpperToken(gridName));
        FKind = kind;
    }
    return g;
}

bool TGridFormula::ClaimsConstant(const QString& upperName)
{
    if (FMathLib) {
        const TLibBinderItems& items = FMathLib->Libs();
        for (int k = 0; k < items.Count(); ++k)
            if (TMathLib* lib = items.Items(k)->MathLib())
                if (lib->HandlesConstant(upperName))
                    return true;
    }
    const TBuiltinEntry* e = FindBuiltin(upperName);
    return e && e->Form == bfKeyword;
}

bool TGridFormula::ScanPlainA1(int pos, TRefScan& scan)
{
    // Letters then digits, ended by a token end: the whole token, which
    // ParseCellRef would read the same way.  Short counts keep the numbers
    // far below MaxRefNumber, where ParseCellRef would saturate.
    const char16_t* const start = FData + (pos - 1);
    const char16_t* const end = FData + FLen;
    const char16_t* p = start;
    int64_t col = 0;
    while (p < end && IsAsciiLetter(*p)) {
        col = col * 26 + (AsciiUpper(*p) - 'A' + 1);
        ++p;
    }
    const int letters = int(p - start);
    if (letters == 0 || letters > 4)
        return false;
    const char16_t* const digitsStart = p;
    int64_t row = 0;
    for (char16_t c; p < end && (c = char16_t(*p - u'0')) <= 9; ++p)
        if (p - digitsStart < 10)  // longer runs are refused below
            row = row * 10 + c;
    const int digits = int(p - digitsStart);
    if (digits == 0 || digits > 9 || (p < end && !IsTokenEnd(*p)))
        return false;
    const int j = pos + letters + digits;
    scan.Len = j - pos;
    scan.Ref = TCellRefParts{};
    scan.Ref.Length = scan.Len;
    scan.Ref.Col = col;
    scan.Ref.Row = row;
    scan.Ref.ColLen = letters;
    scan.Ref.RowPos = letters;
    scan.Ref.RowLen = digits;
    return true;
}

bool TGridFormula::ScanReference(int pos, TRefScan& scan)
{
    scan.Pos = pos;
    scan.IsRef = false;
    scan.IsRange = false;
    scan.NameIndex = -1;
    scan.Grid = QStringView();
    scan.Ref.Length = 0;
    // The common "B12" in the own grid, without named cells to look up
    // first: read in one pass, then judged like any other reference.
    if (!FUseRCNames && FCellNameList.Count() == 0 && pos >= 1 && ScanPlainA1(pos, scan)) {
        const int end = pos + scan.Len;
        if (Ch(end) == '(')
            return false;
        if (FStringGrid) {
            TGridCoord cell;
            const bool inside = RefToCell(scan.Ref, FOwnFixedCols, FOwnFixedRows, cell) &&
                                cell.X >= 0 && cell.Y >= 0 && cell.X < FOwnColCount &&
                                cell.Y < FOwnRowCount;
            if (!inside && ClaimsConstant(UpperToken(QStringView(FData + pos - 1, scan.Len))))
                return false;
        }
        scan.IsRef = true;
        return true;
    }
    const int end = TokenEnd(pos);
    scan.Len = end - pos;
    if (pos > FLen || scan.Len <= 0)
        return false;
    const QStringView token(FData + pos - 1, scan.Len);
    const TCellNameMode mode = FUseRCNames ? nmRC : nmA1;

    QStringView rest = token;
    qsizetype bang = -1;
    for (qsizetype k = 0; k < token.size(); ++k)
        if (token[k] == u'!') {
            bang = k;
            break;
        }
    if (bang >= 0) {
        scan.Grid = token.left(bang);
        rest = token.mid(bang + 1);
        if (scan.Grid.isEmpty() || rest.isEmpty())
            return false;
    }
    ICellSource* target = TargetGrid(scan.Grid, false);

    // A named cell wins over a function or constant of the same name.
    if (const TCellNameList* names = NameListOf(target)) {
        scan.NameIndex = names->IndexOf(rest);
        if (scan.NameIndex >= 0) {
            scan.IsRef = true;
            return true;
        }
    }
    if (ParseCellRef(rest, 0, mode, scan.Ref, false) && scan.Ref.Length == rest.size()) {
        // A "reference" followed by "(" is a function name such as LOG10.
        if (Ch(end) == '(')
            return false;
        if (scan.Grid.isEmpty() && FStringGrid) {
            TGridCoord cell;
            const bool inside = RefToCell(scan.Ref, FOwnFixedCols, FOwnFixedRows, cell) &&
                                cell.X >= 0 && cell.Y >= 0 && cell.X < FOwnColCount &&
                                cell.Y < FOwnRowCount;
            // Outside the grid, a name such as PI2 or LN10 may be a constant.
            if (!inside && ClaimsConstant(UpperToken(rest)))
                return false;
        }
        scan.IsRef = true;
        return true;
    }
    TRangeRefParts range;
    if (ParseRangeRef(rest, 0, mode, range) && range.Length == rest.size()) {
        scan.IsRange = true;
        scan.IsRef = true;
        return true;
    }
    // "Grid!Name" whose grid is not bound still reads as a grid reference.
    if (!scan.Grid.isEmpty() && !target) {
        scan.Ref.Length = 0;  // no cell to read: EvalCellReference reports error 6
        scan.IsRef = true;
        return true;
    }
    return false;
}

double TGridFormula::EvalCellReference()
{
    // NextTokenKind has just classified this token; scan again only if not.
    if (FLastScan.Pos != i || !FLastScan.IsRef) {
        if (!ScanReference(i, FLastScan) || !FLastScan.IsRef) {
            ReportError(i, feInvalidToken);
            return 0.0;
        }
    }
    const TRefScan& scan = FLastScan;
    const int tokenEnd = scan.Pos + scan.Len;
    if (scan.IsRange) {
        // A range is only meaningful inside an argument list.
        ReportError(i, feInvalidRangeRef);
        i = tokenEnd;
        return 0.0;
    }
    double number = 0.0;
    if (scan.NameIndex >= 0) {
        ICellSource* target = TargetGrid(scan.Grid, true);
        const TCellNameList* names = NameListOf(target);
        if (target && names && scan.NameIndex < names->Count()) {
            // Names store grid coordinates of their own grid: no offsets.
            const TGridCoord cell = names->Cell(scan.NameIndex);
            if (cell.X < 0 || cell.Y < 0 || cell.X >= target->ColCount() || cell.Y >= target->RowCount()) {
                const TTokenKind kind = FKind;
                ReportError(i, feInvalidCellRef);
                FKind = kind;
            } else {
                const TFormulaValue v = ReadCell(target, cell.X, cell.Y, false);
                if (v.IsNumber())
                    number = v.Number;
            }
        }
        i = tokenEnd;
        return number;
    }
    if (scan.Ref.Length == 0) {
        // Unbound grid prefix before something that is not a reference.
        TargetGrid(scan.Grid, true);
        i = tokenEnd;
        return 0.0;
    }
    TGridCoord cell{0, 0};
    if (!RefToCell(scan.Ref, FOwnFixedCols, FOwnFixedRows, cell))
        cell = TGridCoord{std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};
    // i still stands at the reference: errors of the read are reported there.
    const TFormulaValue v = FetchCellValue(scan.Grid, cell.X, cell.Y);
    i = tokenEnd;
    if (v.IsText()) {
        FText = v.Text;
        return 0.0;
    }
    return v.Number;
}

TFormulaValue TGridFormula::ReadCell(ICellSource* grid, int32_t col, int32_t row, bool rangeRead)
{
    TFormulaValue v;
    if (grid->GetCalcValue(col, row, v) == fcsValue)
        return v;
    v.Kind = TFormulaValue::fvNumber;
    v.Number = 0.0;
    QString s = grid->ReadCellText(col, row);
    if (rangeRead && s.isEmpty()) {
        v.SetText(s);
        return v;
    }
    if (!rangeRead && IsWideEncoded(s)) {
        // The decoded text replaces the raw one when it is a formula or a number.
        QString decoded = DecodeWideText(s);
        double dummy;
        if (decoded.contains(u'=') || CellTextToFloat(decoded, dummy))
            s = std::move(decoded);
    }
    if (!s.isEmpty()) {
        // A number text holds no '/', ':' or '=' unless a separator is one of
        // them, so the date, time and formula checks below would pass it by:
        // the usual numeric cell is read at once.
        const TFormatSettings& fs = FormatSettings();
        const char16_t ds = fs.DecimalSeparator.unicode(), ts = fs.ThousandSeparator.unicode();
        auto special = [](char16_t c) { return c == '/' || c == ':' || c == '='; };
        double d = 0.0;
        if (!special(ds) && !special(ts) && ReadNumberText(s, ds, ts, d, true) == ntOk) {
            v.Number = d;
            return v;
        }
    }
    int slashes = 0;
    bool colon = false, equals = false;
    for (QChar qc : std::as_const(s)) {  // const: no detach from the grid's copy
        const char16_t c = qc.unicode();
        if (c == '/')
            ++slashes;
        else if (c == ':')
            colon = true;
        else if (c == '=')
            equals = true;
    }
    TDateTime dt = 0.0;
    if (!equals && slashes == 2 && colon) {
        if (TryStrToDateTime(s, dt))
            v.Number = dt;
        else
            v.SetText(s);
        return v;
    }
    if (!equals && slashes == 2) {
        if (TryStrToDate(s, dt))
            v.Number = dt;
        else
            v.SetText(s);
        return v;
    }
    if (!equals && slashes == 0 && colon) {
        if (TryStrToTime(s, dt))
            v.Number = dt;
        else
            v.SetText(s);
        return v;
    }
    if (s.isEmpty())
        return v;  // an empty cell reads as 0
    double d = 0.0;
    if (CellTextToFloat(s, d))
        v.Number = d;
    else
        v.SetText(s);  // a formula that is not calculated reads as its text
    return v;
}

TFormulaValue TGridFormula::FetchCellValue(QStringView gridName, int32_t col, int32_t row)
{
    TFormulaValue v;
    ICellSource* target = TargetGrid(gridName, true);
    if (!target) {
        if (gridName.isEmpty() && FFirstError) {
            const TTokenKind kind = FKind;
            ReportError(i, feInvalidCellRef);
            FKind = kind;
        }
        return v;
    }
    const int32_t ofr = FOwnFixedRows;
    const int32_t ofc = FOwnFixedCols;
    const int64_t displRow = FStringGrid ? FStringGrid->DisplRowIndex(row) : row;
    // The own grid's geometry was read when the evaluation began.
    const bool own = target == FStringGrid;
    const int64_t r = displRow + (int64_t(own ? ofr : target->FixedRows()) - ofr);
    const int64_t c = int64_t(col) + (int64_t(own ? ofc : target->FixedCols()) - ofc);
    if (c < 0 || r < 0 || c >= (own ? FOwnColCount : target->ColCount()) ||
        r >= (own ? FOwnRowCount : target->RowCount())) {
        if (FFirstError) {
            const TTokenKind kind = FKind;
            ReportError(i, feInvalidCellRef);
            FKind = kind;
        }
        return v;
    }
    return ReadCell(target, static_cast<int32_t>(c), static_cast<int32_t>(r), false);
}

TFormulaValue TGridFormula::FetchRangeCellValue(QStringView gridName, int32_t col, int32_t row)
{
    TFormulaValue v;
    ICellSource* target = TargetGrid(gridName, true);
    if (!target)
        return v;
    const int32_t ofr = FOwnFixedRows;
    const int32_t ofc = FOwnFixedCols;
    const int64_t r = int64_t(row) + (int64_t(target->FixedRows()) - ofr);
    const int64_t c = int64_t(col) + (int64_t(target->FixedCols()) - ofc);
    if (c < 0 || r < 0 || c >= target->ColCount() || r >= target->RowCount()) {
        if (FFirstError) {
            const TTokenKind kind = FKind;
            ReportError(i, feInvalidCellRef);
            FKind = kind;
        }
        return v;
    }
    return ReadCell(target, static_cast<int32_t>(c), static_cast<int32_t>(r), true);
}

bool TGridFormula::RangeEnds(const TRangeRefParts& range, TGridCoord& first, TGridCoord& last) const
{
    return RefToCell(range.First, FOwnFixedCols, FOwnFixedRows, first) &&
           RefToCell(range.Last, FOwnFixedCols, FOwnFixedRows, last);
}

bool TGridFormula::ParseRangeText(QStringView text, QString& gridName, TGridCoord& first,
                                  TGridCoord& last) const
{
    TRangeRefParts range;
    if (!ParseRangeRef(text, 0, FUseRCNames ? nmRC : nmA1, range) || range.Length != text.size())
        return false;
    gridName = range.HasGrid ? UpperToken(text.mid(range.GridStart, range.GridLength)) : QString();
    return RangeEnds(range, first, last);
}

void TGridFormula::AddRangeNumbers(QStringView gridName, const TRangeRefParts& range, QStringView,
                                   bool skipEmpty, TParamList& list, int errorPos)
{
    TGridCoord first, last;
    ICellSource* target = TargetGrid(gridName, true);
    if (!target)
        return;
    if (!RangeEnds(range, first, last)) {
        ReportError(errorPos, feInvalidCellRef);
        return;
    }
    // Walk only the part inside the target grid (in own coordinates), so a
    // huge range costs no more than the grid; cells outside are error 4.
    const int64_t dc = int64_t(target->FixedCols()) - FOwnFixedCols;
    const int64_t dr = int64_t(target->FixedRows()) - FOwnFixedRows;
    const int64_t c0 = std::max<int64_t>(first.X, -dc), c1 = std::min<int64_t>(last.X, target->ColCount() - 1 - dc);
    const int64_t r0 = std::max<int64_t>(first.Y, -dr), r1 = std::min<int64_t>(last.Y, target->RowCount() - 1 - dr);
    if (first.X <= last.X && first.Y <= last.Y && (c0 != first.X || c1 != last.X || r0 != first.Y || r1 != last.Y)) {
        const TTokenKind kind = FKind;
        ReportError(errorPos, feInvalidCellRef);
        FKind = kind;
        if (FFastMode)
            return;  // the general road reads the range again
    }
    // The per-cell reads below are FetchRangeCellValue and FetchCellValue with
    // the target and its geometry resolved once for the whole range.
    const int64_t tfr = target->FixedRows(), tfc = target->FixedCols();
    const int64_t tcc = target->ColCount(), trc = target->RowCount();
    const int64_t ofr = FOwnFixedRows, ofc = FOwnFixedCols;
    TFormulaValue v;
    for (int64_t c = c0; c <= c1; ++c) {
        for (int64_t r = r0; r <= r1; ++r) {
            const int32_t col = static_cast<int32_t>(c), row = static_cast<int32_t>(r);
            const int64_t displRow = FStringGrid ? FStringGrid->DisplRowIndex(row) : row;
            double quick;
            if (displRow == row &&
                target->ReadNumber(static_cast<int32_t>(col + (tfc - ofc)), static_cast<int32_t>(row + (tfr - ofr)), quick)) {
                list.Add(quick);  // both reads below would give this number
                continue;
            }
            if (skipEmpty) {
                // The range cells lie inside the target (clipped above).
                v = ReadCell(target, static_cast<int32_t>(col + (tfc - ofc)), static_cast<int32_t>(row + (tfr - ofr)),
                             true);
                if (v.IsText() && v.Text.isEmpty())
                    continue;
                // With no hidden rows both reads address the same cell, and a
                // number reads the same either way.
                if (v.IsNumber() && displRow == row) {
                    list.Add(v.Number);
                    continue;
                }
            }
            const int64_t tr = displRow + (tfr - ofr);
            const int64_t tc = int64_t(col) + (tfc - ofc);
            if (tc < 0 || tr < 0 || tc >= tcc || tr >= trc) {
                if (FFirstError) {
                    const TTokenKind kind = FKind;
                    ReportError(i, feInvalidCellRef);
                    FKind = kind;
                }
                v = TFormulaValue();
            } else {
                v = ReadCell(target, static_cast<int32_t>(tc), static_cast<int32_t>(tr), false);
            }
            if (v.IsNumber()) {
                list.Add(v.Number);  // numbers go on as they are, not through text
            } else {
                double d = 0.0;
                list.Add(CellTextToFloat(v.Text, d) ? d : 0.0);
            }
        }
    }
}

bool TGridFormula::AddRangeTexts(QStringView rangeText, QStringList& list, int errorPos)
{
    QString gridName;
    TGridCoord first, last;
    if (!ParseRangeText(rangeText, gridName, first, last)) {
        ReportError(errorPos, feInvalidRangeRef);
        return false;
    }
    ICellSource* target = TargetGrid(gridName, true);
    if (!target)
        return false;
    const int64_t dc = int64_t(target->FixedCols()) - FOwnFixedCols;
    const int64_t dr = int64_t(target->FixedRows()) - FOwnFixedRows;
    const int64_t c0 = std::max<int64_t>(first.X, -dc), c1 = std::min<int64_t>(last.X, target->ColCount() - 1 - dc);
    const int64_t r0 = std::max<int64_t>(first.Y, -dr), r1 = std::min<int64_t>(last.Y, target->RowCount() - 1 - dr);
    if (first.X <= last.X && first.Y <= last.Y && (c0 != first.X || c1 != last.X || r0 != first.Y || r1 != last.Y)) {
        const TTokenKind kind = FKind;
        ReportError(errorPos, feInvalidCellRef);
        FKind = kind;
    }
    for (int64_t c = c0; c <= c1; ++c)
        for (int64_t r = r0; r <= r1; ++r) {
            const TFormulaValue v =
                FetchRangeCellValue(gridName, static_cast<int32_t>(c), static_cast<int32_t>(r));
            list.append(v.IsText() ? v.Text : FloatToStr(v.Number));
        }
    return true;
}

// ---------------------------------------------------------------------------
// Calls

bool TGridFormula::OpenParen()
{
    if (Ch(i) != '(') {
        ReportError(i, feNoOpenParen);
        return false;
    }
    return true;
}

double TGridFormula::ParseLocalExpression(QString* text)
{
    QString saved;
    std::swap(saved, FText);  // the argument writes a text slot of its own
    NextTokenKind();
    const double v = ParseExpression();
    if (text)
        std::swap(*text, FText);
    std::swap(saved, FText);
    return v;
}

void TGridFormula::TakeArgText(double number, QString& text)
{
    if (text.isEmpty())
        text = NumberToArgText(number);
}

void TGridFormula::ParseNumList(TParamList& list, bool skipEmpty)
{
    int argStart = i;
    const TCellNameMode mode = FUseRCNames ? nmRC : nmA1;
    do {
        if (i < FLen)
            ++i;  // past "(" or the separator
        argStart = i;
        const int end = TokenEnd(i);
        const QStringView token(FData + std::min(i, FLen + 1) - 1, std::max(0, end - i));
        if (!token.startsWith(u'"') && token.contains(u':')) {
            TRangeRefParts range;
            if (ParseRangeRef(token, 0, mode, range) && range.Length == token.size()) {
                const QStringView grid = range.HasGrid ? token.mid(range.GridStart, range.GridLength) : QStringView();
                AddRangeNumbers(grid, range, token, skipEmpty, list, argStart);
            } else {
                ReportError(argStart, feInvalidRangeRef);
            }
            i = end;
        } else {
            list.Add(ParseLocalExpression(nullptr));
        }
    } while (Ch(i) != ')' && i < FLen);
    if (list.Count() == 0)
        ReportError(argStart, feInvalidParamCount);
    ++i;  // past ")"
}

void TGridFormula::ParseTextList(QStringList& list, bool expandRanges)
{
    int argStart = i;
    do {
        if (i < FLen)
            ++i;
        argStart = i;
        const int end = TokenEnd(i);
        const QStringView token(FData + std::min(i, FLen + 1) - 1, std::max(0, end - i));
        if (!token.startsWith(u'"') && token.contains(u':')) {
            if (expandRanges)
                AddRangeTexts(token, list, argStart);
            else
                list.append(UpperToken(token));
            i = end;
        } else {
            QString t;
            const double v = ParseLocalExpression(&t);
            TakeArgText(v, t);
            list.append(t);
        }
    } while (Ch(i) != ')' && i < FLen);
    if (list.isEmpty())
        ReportError(argStart, feInvalidParamCount);
    ++i;
}

void TGridFormula::CallFunction(double& number)
{
    const int namePos = i;
    const int nameEnd = TokenEnd(i);
    const QString name = UpperToken(QStringView(FData + i - 1, nameEnd - i));

    // 1. Libraries, in binder order.
    if (FMathLib) {
        const TLibBinderItems& items = FMathLib->Libs();
        for (int k = 0; k < items.Count(); ++k) {
            TMathLib* lib = items.Items(k)->MathLib();
            if (!lib)
                continue;
            if (lib->HandlesConstant(name)) {
                i = nameEnd;
                number = lib->GetConstant(name);
                return;
            }
            const bool numeric = lib->HandlesFunction(name);
            if (!numeric && !lib->HandlesStrFunction(name))
                continue;
            i = nameEnd;
            if (!OpenParen())
                return;
            int errType = 0, errParam = 0;
            if (numeric) {
                TParamList params;
                ParseNumList(params, false);
                if (params.Count() == 0)
                    return;
                number = lib->CalcFunction(name, params, errType, errParam);
            } else {
                QStringList params;
                ParseTextList(params, true);
                if (params.isEmpty())
                    return;
                const QString text = lib->CalcStrFunction(name, params, errType, errParam);
                double d = 0.0;
                if (StrictToFloat(text, d)) {
                    number = d;
                    FText.resize(0);
                } else {
                    FText = text;
                }
            }
            if (errType != 0)
                ReportError(namePos, errType, errType > feLibraryBase ? lib->GetErrorMessage(errType) : QString());
            return;
        }
    }

    // 2. The host's one-argument functions.
    if (IsCustomFunction && CalcCustomFunction) {
        QString func = name;
        bool match = false;
        IsCustomFunction(this, func, match);
        if (match) {
            i = nameEnd;
            if (!OpenParen())
                return;
            ++i;
            double arg = ParseLocalExpression(nullptr);
            if (Ch(i) != ')')
                ReportError(i, feNoCloseParen);
            ++i;
            QString f = name;
            CalcCustomFunction(this, f, arg);
            number = arg;
            return;
        }
    }

    // 3. Built-ins.
    if (const TBuiltinEntry* entry = FindBuiltin(name)) {
        CallBuiltin(*entry, number);
        return;
    }
    ReportError(i, feInvalidQualifier);
}

bool TGridFormula::CallBuiltin(const TBuiltinEntry& entry, double& number)
{
    const int namePos = i;
    i = TokenEnd(i);
    const int nameLen = i - namePos;
    TBuiltinCall call(*this, FText);
    call.Name = QStringView(FData + namePos - 1, nameLen);
    call.NamePos = namePos;
    call.ArgPos = namePos + nameLen + 1;
    if (entry.Form == bfKeyword) {
        call.EndPos = i;
        entry.Func(call);
        number = call.Result;
        return true;
    }
    if (!OpenParen())
        return true;

    TParamList numbers;
    QStringList texts;
    switch (entry.Form) {
    case bfNumArg: {
        ++i;
        call.Args[0] = ParseLocalExpression(nullptr);
        call.Result = call.Args[0];
        if (Ch(i) != ')')
            ReportError(i, feNoCloseParen);
        ++i;
        break;
    }
    case bfTextArg: {
        ++i;
        if (!FText.isEmpty())
            FText.resize(0);
        NextTokenKind();
        const double v = ParseExpression();
        TakeArgText(v, FText);
        if (Ch(i) != ')')
            ReportError(i, feNoCloseParen);
        ++i;
        break;
    }
    case bfNumArgs2:
    case bfNumArgs3:
    case bfTextNumArgs:
    case bfTextNumNumArgs: {
        const bool textFirst = entry.Form == bfTextNumArgs || entry.Form == bfTextNumNumArgs;
        const int count = entry.Form == bfNumArgs2 || entry.Form == bfTextNumArgs ? 2 : 3;
        ++i;
        int numIndex = 0;
        for (int k = 0; k < count; ++k) {
            const int argStart = i;
            if (k == 0 && textFirst) {
                if (!FText.isEmpty())
                    FText.resize(0);
                NextTokenKind();
                const double v = ParseExpression();
                TakeArgText(v, FText);
            } else {
                call.Args[numIndex++] = ParseLocalExpression(nullptr);
            }
            if (k < count - 1) {
                const char16_t sep = Ch(i);
                if (!(sep == ';' || (sep == ',' && FCommaSeparates)))
                    ReportError(argStart, fePrematureEnd);
                ++i;  // skipped in any case
            } else {
                if (Ch(i) != ')')
                    ReportError(argStart, feNoCloseParen);
                ++i;
            }
        }
        break;
    }
    case bfNumList:
    case bfNumListSkipEmpty:
        ParseNumList(numbers, entry.Form == bfNumListSkipEmpty);
        call.Numbers = &numbers;
        break;
    case bfTextList:
    case bfTextRangeList:
        ParseTextList(texts, entry.Form == bfTextRangeList);
        call.Texts = &texts;
        break;
    case bfKeyword:
        break;
    }
    call.EndPos = i;
    entry.Func(call);
    number = call.Result;
    return true;
}

// ---------------------------------------------------------------------------
// Conversions

QString TGridFormula::NumberToArgText(double v)
{
    if (v == 0.0)
        return QString(QChar(0));
    return FloatToStr(v);
}

bool TGridFormula::StrictToFloat(QStringView s, double& value)
{
    return ReadNumberText(s, u'.', 0, value) == ntOk;
}

bool TGridFormula::CellTextToFloat(QStringView s, double& value)
{
    const TFormatSettings& fs = FormatSettings();
    return ReadNumberText(s, fs.DecimalSeparator.unicode(), fs.ThousandSeparator.unicode(), value, true) == ntOk;
}

QString TGridFormula::DecodeWideText(const QString& s)
{
    if (s.size() < 2 || s[0] != u'|' || s[1] != u'\\')
        return s;
    const qsizetype units = (s.size() - 2) / 2;
    QString out(units, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype k = 0; k < units; ++k) {
        const unsigned hi = s[2 + 2 * k].unicode(), lo = s[3 + 2 * k].unicode();
        d[k] = char16_t((hi * 256u + lo) & 0xFFFFu);
    }
    return out;
}
