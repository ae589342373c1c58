// Built-in statistics over number lists and counts over text lists.
//
// Number lists hold the arguments and the cells of ranges; SUM, AVERAGE and
// the spreads count empty range cells as 0 (and AVERAGE counts them), MIN and
// MAX skip them.  The spreads use Welford's running mean, so equal values give
// exactly 0 and a variance is never negative, where the textbook
// n*sum(v^2) - sum(v)^2 loses every digit.
#include "BuiltinSupport.h"
#include "ConditionMatcher.h"
#include "GridFormula.h"
#include "MathLib.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace builtins;

void Sum(TBuiltinCall& c)
{
    double s = 0;
    for (int k = 0; k < c.Numbers->Count(); ++k)
        s += c.Numbers->Values(k);
    SetChecked(c, s, c.ArgPos);
}

void Product(TBuiltinCall& c)
{
    double s = 1;
    for (int k = 0; k < c.Numbers->Count(); ++k)
        s *= c.Numbers->Values(k);
    SetChecked(c, s, c.ArgPos);
}

void Average(TBuiltinCall& c)
{
    const int n = c.Numbers->Count();
    double s = 0;
    for (int k = 0; k < n; ++k)
        s += c.Numbers->Values(k);
    SetChecked(c, n > 0 ? s / n : 0.0, c.ArgPos);
}

template <bool largest>
void Extreme(TBuiltinCall& c)
{
    const TParamList& p = *c.Numbers;
    if (p.Count() == 0)
        return;
    double best = p.Values(0);
    for (int k = 1; k < p.Count(); ++k) {
        const double v = p.Values(k);
        if (largest ? v > best : v < best)  // strict: the first value wins ties
            best = v;
    }
    c.Result = best;
}

// Sum of squared deviations from the mean, by Welford's recurrence.
double SquaredDeviations(const TParamList& p)
{
    double mean = 0, m2 = 0;
    for (int k = 0; k < p.Count(); ++k) {
        const double v = p.Values(k);
        const double delta = v - mean;
        mean += delta / (k + 1);
        m2 += delta * (v - mean);
    }
    return std::isnan(m2) ? m2 : std::max(m2, 0.0);
}

enum TSpread { spDevSq, spVar, spStdev, spStdevP };

template <TSpread kind>
void Spread(TBuiltinCall& c)
{
    const int n = c.Numbers->Count();
    if (n == 0)
        return;  // the list already raised error 7
    if ((kind == spVar || kind == spStdev) && n < 2) {
        c.Error(feInvalidParamCount, c.ArgPos);  // a sample needs two values
        return;
    }
    const double ss = SquaredDeviations(*c.Numbers);
    double r = ss;
    if (kind == spVar)
        r = ss / (n - 1);
    else if (kind == spStdev)
        r = std::sqrt(ss / (n - 1));
    else if (kind == spStdevP)
        r = std::sqrt(ss / n);
    SetChecked(c, r, c.ArgPos);
}

void Count(TBuiltinCall& c)
{
    int n = 0;
    double d = 0;
    for (const QString& s : *c.Texts)
        if (TGridFormula::StrictToFloat(s, d))
            ++n;
    c.Result = n;
}

template <bool blank>
void CountFilled(TBuiltinCall& c)
{
    int n = 0;
    for (const QString& s : *c.Texts)
        if (s.isEmpty() == blank)
            ++n;
    c.Result = n;
}

void CountIf(TBuiltinCall& c)
{
    const QStringList& items = *c.Texts;
    int n = 0;
    if (items.size() > 1) {
        const QString cond = MatchText(items.back());
        for (qsizetype k = 0; k + 1 < items.size(); ++k)
            if (MatchCondition(cond, MatchText(items[k])))
                ++n;
    }
    c.Result = n;
}

const TBuiltinRegistrar registerStats{{
    {"SUM", bfNumList, Sum},
    {"PRODUCT", bfNumList, Product},
    {"AVERAGE", bfNumList, Average},
    {"MIN", bfNumListSkipEmpty, Extreme<false>},
    {"MAX", bfNumListSkipEmpty, Extreme<true>},
    {"DEVSQ", bfNumList, Spread<spDevSq>},
    {"VAR", bfNumList, Spread<spVar>},
    {"STDEV", bfNumList, Spread<spStdev>},
    {"STDEVP", bfNumList, Spread<spStdevP>},
    {"COUNT", bfTextRangeList, Count},
    {"COUNTA", bfTextRangeList, CountFilled<false>},
    {"COUNTBLANK", bfTextRangeList, CountFilled<true>},
    {"COUNTIF", bfTextRangeList, CountIf},
}};

}  // namespace
