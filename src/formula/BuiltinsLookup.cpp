// Built-in look-up: MATCH, LOOKUP and INDEX.  Their range arguments arrive as
// the range text ("A1:B5", "SHEET2!A1:A9") and are read here; a text without
// ":" is not a range and finds nothing.
#include "BuiltinSupport.h"
#include "ConditionMatcher.h"

#include <SysUtils.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace builtins;

bool IsRangeText(const QString& s) { return s.contains(u':'); }

// 0-based index of the first cell of `range` that satisfies the condition
// `item` (its double quotes removed), -1 when none.
qsizetype FindFirst(TBuiltinCall& c, const QString& item, const QString& range)
{
    if (!IsRangeText(range))
        return -1;
    QStringList cells;
    if (!c.Formula.AddRangeTexts(range, cells, c.NamePos))
        return -1;
    QString cond = item;
    cond.remove(u'"');
    cond = MatchText(cond);
    for (qsizetype k = 0; k < cells.size(); ++k)
        if (MatchCondition(cond, MatchText(cells[k])))
            return k;
    return -1;
}

void Match(TBuiltinCall& c)
{
    const QStringList& t = *c.Texts;
    if (t.size() != 2) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    const qsizetype k = FindFirst(c, t[0], t[1]);
    c.Result = k < 0 ? -1.0 : static_cast<double>(k + 1);
}

void Lookup(TBuiltinCall& c)
{
    const QStringList& t = *c.Texts;
    if (t.size() != 3) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    const qsizetype k = FindFirst(c, t[0], t[1]);
    if (k < 0 || !IsRangeText(t[2]))
        return;  // no match: the text slot stays as it was
    QStringList results;
    if (c.Formula.AddRangeTexts(t[2], results, c.NamePos) && k < results.size())
        c.Text = results[k];
}

// An INDEX offset: a whole number ("2"; the zero placeholder is 0).
bool WholeNumber(const QString& s, int64_t& value)
{
    if (s.size() == 1 && s[0] == QChar(0)) {
        value = 0;
        return true;
    }
    double d = 0;
    if (!TGridFormula::CellTextToFloat(s, d) || d != std::trunc(d) || !FitsInt64(d))
        return false;
    value = static_cast<int64_t>(d);
    return true;
}

void Index(TBuiltinCall& c)
{
    const QStringList& t = *c.Texts;
    if (t.size() != 3) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    int64_t dc = 0, dr = 0;
    if (!WholeNumber(t[1], dc) || !WholeNumber(t[2], dr)) {
        c.Error(feInvalidValue, c.NamePos);
        return;
    }
    if (!IsRangeText(t[0]))
        return;
    QString grid;
    TGridCoord first, last;
    if (!c.Formula.ParseRangeText(t[0], grid, first, last)) {
        c.Error(feInvalidRangeRef, c.NamePos);
        return;
    }
    // Column first, then row; the offsets may point outside the range.
    constexpr int64_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    const int64_t col = int64_t(first.X) + (dc - 1), row = int64_t(first.Y) + (dr - 1);
    if (dc < lo || dc > hi || dr < lo || dr > hi || col < lo || col > hi || row < lo || row > hi) {
        c.Error(feInvalidCellRef, c.NamePos);
        return;
    }
    const TFormulaValue v = c.Formula.FetchCellValue(grid, static_cast<int32_t>(col), static_cast<int32_t>(row));
    c.Text = v.IsText() ? v.Text : FloatToStr(v.Number);
}

const TBuiltinRegistrar registerLookup{{
    {"MATCH", bfTextList, Match},
    {"LOOKUP", bfTextList, Lookup},
    {"INDEX", bfTextList, Index},
}};

}  // namespace
