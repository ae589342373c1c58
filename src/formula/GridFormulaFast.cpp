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
#include "PlainRefs.h"

#include <SysUtils.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

inline bool IsLetter(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }

// Nesting the quick road accepts; deeper formulas take the general road,
// which has its own limit.
constexpr int kFastMaxDepth = 64;

// Whether the shortest text of a number reads back as a number (what COUNT
// asks of a number cell).  Every finite number does, except those so near
// the largest double that fifteen digits round beyond it.
bool CountsAsNumber(double d)
{
    if (!std::isfinite(d))
        return false;
    if (std::fabs(d) < 1e308)
        return true;
    double back;
    return TGridFormula::StrictToFloat(FloatToStr(d), back);
}

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
    int64_t refCol, refRow;
    const char16_t* const textEnd = FData + FLen;
    const char16_t* const p = plainrefs::PlainCellRef(FData + (i - 1), textEnd, refCol, refRow);
    if (p && (p == textEnd || IsTokenEnd(*p))) {
        const int end = int(p - FData) + 1;
        if (Ch(end) != '(') {
            // Both parts are far from the 32-bit limits (see PlainCellRef).
            const int64_t x = int64_t(FOwnFixedCols) + refCol - 1;
            const int64_t y = int64_t(FOwnFixedRows) + refRow - 1;
            if (x < 0 || y < 0 || x >= FOwnColCount || y >= FOwnRowCount) {
                FFastBail = true;  // outside: a constant's name or an error
                return 0.0;
            }
            const int64_t row = FStringGrid->DisplRowIndex(int32_t(y));
            if (row < 0 || row >= FOwnRowCount) {
                FFastBail = true;
                return 0.0;
            }
            double number;
            if (!FStringGrid->ReadNumber(int32_t(x), int32_t(row), number)) {
                const TFormulaValue value = ReadCell(FStringGrid, int32_t(x), int32_t(row), false);
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
    // The last name's entry is kept: a column of formulas calls the same one.
    const TBuiltinEntry* entry;
    if (FFastLastEntry && name.size() == FFastLastName.size() && name == QStringView(FFastLastName)) {
        entry = FFastLastEntry;
    } else {
        entry = FindBuiltin(name);
        FFastLastName.resize(name.size());  // the buffer stays for the next name
        std::copy(name.begin(), name.end(), FFastLastName.begin());
        FFastLastEntry = entry;
    }
    if (!entry || name == u"RAND") {
        FFastBail = true;
        return 0.0;
    }
    if (entry->Form == bfTextRangeList && name == u"COUNT")
        return FastCount(nameEnd);
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
            TRangeRefParts plain;
            if (const int plainEnd = PlainRange(i, plain)) {
                AddRangeNumbers(QStringView(), plain, QStringView(), skipEmpty, numbers, argStart);
                i = plainEnd;
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
                continue;
            }
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

int TGridFormula::PlainRange(int pos, TRangeRefParts& range) const
{
    // "A1:B20" followed by a token end: what ParseRangeRef reads from such a
    // token, without a grid prefix, "$" or names (the quick road has none).
    if (pos < 1 || pos > FLen)
        return 0;
    const char16_t* const end = FData + FLen;
    const char16_t* p = FData + (pos - 1);
    int64_t c1, r1, c2, r2;
    p = plainrefs::PlainCellRef(p, end, c1, r1);
    if (!p || p >= end || *p != ':')
        return 0;
    p = plainrefs::PlainCellRef(p + 1, end, c2, r2);
    if (!p || (p < end && !IsTokenEnd(*p)))
        return 0;
    range = TRangeRefParts{};
    range.First.Col = c1;
    range.First.Row = r1;
    range.Last.Col = c2;
    range.Last.Row = r2;
    const int next = int(p - FData) + 1;
    range.Length = next - pos;
    return next;
}

double TGridFormula::FastCount(int nameEnd)
{
    // COUNT over ranges: the cells whose text (numbers in their shortest
    // form) reads as a number.  Other arguments (expressions, texts) take the
    // general road.
    i = nameEnd + 1;  // past "("
    int64_t counted = 0, cells = 0;
    for (;;) {
        TRangeRefParts range;
        const int next = PlainRange(i, range);
        if (!next) {
            FFastBail = true;
            return 0.0;
        }
        TGridCoord first, last;
        if (!RangeEnds(range, first, last)) {
            FFastBail = true;
            return 0.0;
        }
        ICellSource* target = FStringGrid;
        const int64_t c0 = std::max<int64_t>(first.X, 0), c1 = std::min<int64_t>(last.X, FOwnColCount - 1);
        const int64_t r0 = std::max<int64_t>(first.Y, 0), r1 = std::min<int64_t>(last.Y, FOwnRowCount - 1);
        if (first.X <= last.X && first.Y <= last.Y && (c0 != first.X || c1 != last.X || r0 != first.Y || r1 != last.Y)) {
            FFastBail = true;  // partly outside the grid: an error
            return 0.0;
        }
        for (int64_t c = c0; c <= c1; ++c)
            for (int64_t r = r0; r <= r1; ++r) {
                ++cells;
                double d;
                if (target->ReadNumber(int32_t(c), int32_t(r), d)) {
                    counted += CountsAsNumber(d) ? 1 : 0;
                    continue;
                }
                const TFormulaValue v = ReadCell(target, int32_t(c), int32_t(r), true);
                if (v.IsText())
                    counted += StrictToFloat(v.Text, d) ? 1 : 0;
                else
                    counted += CountsAsNumber(v.Number) ? 1 : 0;
            }
        i = next;
        const char16_t sep = Ch(i);
        ++i;
        if (sep == ')')
            break;
        if (sep != ',' && sep != ';') {
            FFastBail = true;
            return 0.0;
        }
    }
    if (cells == 0)
        FFastBail = true;  // nothing listed: a count error
    return double(counted);
}
