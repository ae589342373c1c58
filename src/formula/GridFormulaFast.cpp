// The evaluator's quick road: most sheet formulas are arithmetic on numbers,
// plain references of the own grid and calls of numeric built-ins
// (=A1*B1+C1, =SUM(A1:E1), =H1+F2).  For those, the general reader spends
// most of its time classifying tokens, carrying the shared text slot and
// copying values.  FastCalc reads the same compacted expression with the same
// rules but handles only that common subset; at the first thing it does not
// handle — a text, a name, a library or host function, an error of any kind —
// it gives up, and Calc evaluates the formula again on the general road.
//
// Giving up is always safe: nothing FastCalc does can be observed.  Errors are
// not reported while it runs (ReportError only notes that it must give up),
// cell reads have no effect, and functions with effects (RAND) are left to
// the general road, so they run exactly once.  The values of the subset are
// those of the general road by construction: the same reading helpers
// (ReadNumber, ReadCell, AddRangeNumbers, the operators) do the work.
#include "GridFormula.h"

#include "Builtins.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

inline bool IsLetter(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

// Nesting the quick road accepts; deeper formulas take the general road,
// which has its own limit.
constexpr int kFastMaxDepth = 64;

}  // namespace

bool TGridFormula::FastEligible() const
{
    // Named cells and the R1C1 notation change how words read; a decimal
    // comma changes how "," reads.  Those sheets take the general road.
    return FQuickRoad && FStringGrid && !FUseRCNames && FCellNameList.Count() == 0 && FDecimal == u'.' &&
           FCommaSeparates && FCommaEndsToken;
}

bool TGridFormula::FastCalc(double& result)
{
    // The mode ends however the attempt ends (a built-in may throw).
    struct TMode {
        TGridFormula& f;
        explicit TMode(TGridFormula& g) : f(g) { f.FFastMode = true; }
        ~TMode()
        {
            f.FFastMode = false;
            f.FSignsEndToken = true;
        }
    };
    FFastBail = false;
    FFastDepth = 0;
    FFastCallDepth = 0;
    i = 1;
    if (FLen <= 0)
        return false;  // an empty formula is an error
    double v = 0.0;
    {
        TMode mode(*this);
        v = FastExpression();
    }
    if (FFastBail || i != FLen + 1 || !std::isfinite(v))
        return false;
    result = v;
    return true;
}

double TGridFormula::FastExpression()
{
    double v = FastTerm();
    while (!FFastBail && i < FLen) {
        const char16_t op = Ch(i);
        if (op != '+' && op != '-')
            break;
        ++i;
        const double r = FastTerm();
        v = CheckOverflow(op == '+' ? v + r : v - r, v, r);
    }
    return v;
}

double TGridFormula::FastTerm()
{
    double v = FastSignedFactor();
    while (!FFastBail && i < FLen) {
        const char16_t op = Ch(i);
        if (op != '*' && op != '/')
            break;
        ++i;
        const double r = FastSignedFactor();
        v = op == '*' ? Multiply(v, r) : Divide(v, r);
    }
    return v;
}

double TGridFormula::FastSignedFactor()
{
    if (FFastBail || ++FFastDepth > kFastMaxDepth) {
        FFastBail = true;
        return 0.0;
    }
    double v;
    const char16_t c = Ch(i);
    if (c == '+' || c == '-') {
        ++i;
        v = FastPower();
        if (c == '-')
            v = -v;
    } else {
        v = FastPower();
    }
    --FFastDepth;
    return v;
}

double TGridFormula::FastPower()
{
    double v = FastFactor();
    if (!FFastBail && i < FLen && Ch(i) == '^') {
        ++i;
        const double y = FastSignedFactor();
        v = Power(v, y);
    }
    return v;
}

double TGridFormula::FastFactor()
{
    if (FFastBail)
        return 0.0;
    const char16_t c = Ch(i);
    if (c == '(') {
        if (i >= FLen) {
            FFastBail = true;
            return 0.0;
        }
        ++i;
        const double v = FastExpression();
        if (Ch(i) != ')')
            FFastBail = true;
        ++i;
        return v;
    }
    if (IsDigit(c) || c == FDecimal)
        return ReadNumber();  // a malformed literal reports, which gives up
    if (IsLetter(c))
        return FastWord();
    FFastBail = true;  // texts, "$", signs in a row, anything unusual
    return 0.0;
}

double TGridFormula::FastWord()
{
    // A plain "B12" that is not a function name: a reference of the own grid.
    TRefScan& scan = FLastScan;
    if (ScanPlainA1(i, scan)) {
        const int end = i + scan.Len;
        if (Ch(end) != '(') {
            TGridCoord cell;
            if (!RefToCell(scan.Ref, FOwnFixedCols, FOwnFixedRows, cell) || cell.X < 0 || cell.Y < 0 ||
                cell.X >= FOwnColCount || cell.Y >= FOwnRowCount) {
                FFastBail = true;  // outside: a constant's name or an error
                return 0.0;
            }
            const int64_t row = FStringGrid->DisplRowIndex(cell.Y);
            if (row < 0 || row >= FOwnRowCount) {
                FFastBail = true;
                return 0.0;
            }
            double number;
            if (!FStringGrid->ReadNumber(cell.X, static_cast<int32_t>(row), number)) {
                const TFormulaValue value = ReadCell(FStringGrid, cell.X, static_cast<int32_t>(row), false);
                if (!value.IsNumber()) {
                    FFastBail = true;
                    return 0.0;
                }
                number = value.Number;
            }
            i = end;
            return number;
        }
    }
    // A function name: letters and digits up to "(".
    const int nameEnd = TokenEnd(i);
    const int nameLen = nameEnd - i;
    constexpr int kMaxName = 32;
    if (Ch(nameEnd) != '(' || nameLen <= 0 || nameLen > kMaxName) {
        FFastBail = true;
        return 0.0;
    }
    char16_t upper[kMaxName];
    for (int k = 0; k < nameLen; ++k) {
        const char16_t ch = FData[i - 1 + k];
        if (!IsLetter(ch) && !IsDigit(ch)) {
            FFastBail = true;
            return 0.0;
        }
        upper[k] = (ch >= 'a' && ch <= 'z') ? char16_t(ch - 32) : ch;
    }
    const QStringView name(upper, nameLen);
    return FastCall(name, nameEnd);
}

double TGridFormula::FastCall(QStringView name, int nameEnd)
{
    // Libraries and the host's functions come before the built-ins, and the
    // host's are callbacks whose effects must not run twice.
    if (IsCustomFunction && CalcCustomFunction) {
        FFastBail = true;
        return 0.0;
    }
    if (FMathLib && FMathLib->Libs().Count() > 0) {
        const QString upperName = name.toString();
        const TLibBinderItems& items = FMathLib->Libs();
        for (int k = 0; k < items.Count(); ++k) {
            TMathLib* lib = items.Items(k)->MathLib();
            if (lib && (lib->HandlesConstant(upperName) || lib->HandlesFunction(upperName) ||
                        lib->HandlesStrFunction(upperName))) {
                FFastBail = true;
                return 0.0;
            }
        }
    }
    const TBuiltinEntry* entry = FindBuiltin(name);
    if (!entry || name == u"RAND") {
        FFastBail = true;
        return 0.0;
    }
    int count = 0;
    switch (entry->Form) {
    case bfNumArg: count = 1; break;
    case bfNumArgs2: count = 2; break;
    case bfNumArgs3: count = 3; break;
    case bfNumList:
    case bfNumListSkipEmpty: break;
    default:
        FFastBail = true;
        return 0.0;
    }

    const int namePos = i;
    QString scratch;  // the built-in's text slot: a text result gives up
    TBuiltinCall call(*this, scratch);
    call.Name = QStringView(FData + namePos - 1, nameEnd - namePos);
    call.NamePos = namePos;
    call.ArgPos = nameEnd + 1;
    i = nameEnd + 1;  // past "("
    // One list per nesting level of calls, kept for the next evaluation.
    if (size_t(FFastCallDepth) >= FFastLists.size())
        FFastLists.push_back(std::make_unique<TParamList>());
    TParamList& numbers = *FFastLists[size_t(FFastCallDepth)];
    numbers.Clear();
    struct TLevel {
        int& depth;
        explicit TLevel(int& d) : depth(d) { ++depth; }
        ~TLevel() { --depth; }
    } level(FFastCallDepth);
    if (count > 0) {
        for (int k = 0; k < count && !FFastBail; ++k) {
            call.Args[k] = FastExpression();
            const char16_t sep = Ch(i);
            if (k < count - 1 ? (sep != ';' && sep != ',') : sep != ')')
                FFastBail = true;
            ++i;
        }
        if (count == 1)
            call.Result = call.Args[0];
    } else {
        const bool skipEmpty = entry->Form == bfNumListSkipEmpty;
        for (;;) {
            const int argStart = i;
            const int end = TokenEnd(i);
            const QStringView token(FData + std::min(i, FLen + 1) - 1, std::max(0, end - i));
            if (!token.startsWith(u'"') && token.contains(u':')) {
                TRangeRefParts range;
                if (!ParseRangeRef(token, 0, nmA1, range) || range.Length != token.size()) {
                    FFastBail = true;
                    return 0.0;
                }
                const QStringView grid = range.HasGrid ? token.mid(range.GridStart, range.GridLength) : QStringView();
                AddRangeNumbers(grid, range, token, skipEmpty, numbers, argStart);
                i = end;
            } else {
                numbers.Add(FastExpression());
            }
            if (FFastBail)
                return 0.0;
            const char16_t sep = Ch(i);
            ++i;
            if (sep == ')')
                break;
            if (sep != ',' && sep != ';') {
                FFastBail = true;
                return 0.0;
            }
        }
        if (numbers.Count() == 0) {
            FFastBail = true;  // nothing to compute with: a count error
            return 0.0;
        }
        call.Numbers = &numbers;
    }
    if (FFastBail)
        return 0.0;
    call.EndPos = i;
    entry->Func(call);
    if (!scratch.isEmpty())
        FFastBail = true;
    return call.Result;
}
