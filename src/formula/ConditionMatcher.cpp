#include "ConditionMatcher.h"

#include "NumberText.h"

#include <DateUtils.h>
#include <FormatSettings.h>
#include <SysUtils.h>

#include <vector>

namespace {

// Texts longer than this compare on their first MaxCompareChars characters.
constexpr qsizetype MaxCompareChars = 255;

// The operand of the comparison introduced by the first `op` ('>' or '<'):
// after an optional '=', after spaces, up to a space, the end, or an '&' or
// '|' outside double quotes; one leading and one trailing quote dropped.
QStringView Operand(QStringView cond, qsizetype opIndex, bool& orEqual)
{
    qsizetype k = opIndex + 1;
    orEqual = k < cond.size() && cond[k] == u'=';
    if (orEqual)
        ++k;
    while (k < cond.size() && cond[k] == u' ')
        ++k;
    const qsizetype start = k;
    bool quoted = false;
    for (; k < cond.size(); ++k) {
        const char16_t c = cond[k].unicode();
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u' ' || c == u'&' || c == u'|'))
            break;
    }
    QStringView op = cond.mid(start, k - start);
    if (op.startsWith(u'"'))
        op = op.mid(1);
    if (op.endsWith(u'"'))
        op.chop(1);
    return op;
}

// A number under the current separators: the decimal separator read as ".",
// thousands separators dropped, then the strict form.
bool ReadNumber(QStringView s, double& value)
{
    const TFormatSettings& fs = FormatSettings();
    const char16_t dec = fs.DecimalSeparator.unicode();
    const char16_t th = fs.ThousandSeparator.unicode();
    QString n;
    n.reserve(s.size());
    for (QChar c : s) {
        if (c.unicode() == dec)
            n.append(u'.');
        else if (c.unicode() != th || th == dec)
            n.append(c);
    }
    return ReadNumberText(n, u'.', 0, value) == ntOk;
}

bool ReadDate(QStringView s, TDateTime& value)
{
    if (!s.contains(FormatSettings().DateSeparator))
        return false;  // a date always has a separator; skips the scanner
    return TryStrToDate(s.toString(), value);
}

// Sign of candidate - operand: numbers, then dates, then character codes.
int Compare(QStringView candidate, QStringView operand)
{
    TDateTime da = 0, db = 0;
    const bool dateA = ReadDate(candidate, da);
    const bool dateB = ReadDate(operand, db);
    double na = 0, nb = 0;
    if (!dateA && !dateB && ReadNumber(candidate, na) && ReadNumber(operand, nb))
        return na > nb ? 1 : (na < nb ? -1 : 0);
    if (dateA && dateB)
        return da > db ? 1 : (da < db ? -1 : 0);
    return CompareStr(candidate.left(MaxCompareChars), operand.left(MaxCompareChars));
}

enum TTokenKind : unsigned char { tkLiteral, tkAnyOne, tkAnyRun };
struct TToken {
    TTokenKind Kind;
    char16_t Ch;
};

bool MatchPrepared(QStringView pattern, QStringView text)
{
    // Pattern to tokens: "!" only counts, a lone quote is skipped, "" is a
    // literal quote, runs of "*" collapse into one.
    std::vector<TToken> tokens;
    tokens.reserve(static_cast<size_t>(pattern.size()));
    bool invert = false;
    for (qsizetype k = 0; k < pattern.size(); ++k) {
        const char16_t c = pattern[k].unicode();
        if (c == u'!') {
            invert = true;
        } else if (c == u'"') {
            if (k + 1 < pattern.size() && pattern[k + 1] == u'"') {
                tokens.push_back({tkLiteral, u'"'});
                ++k;
            }
        } else if (c == u'*') {
            if (tokens.empty() || tokens.back().Kind != tkAnyRun)
                tokens.push_back({tkAnyRun, 0});
        } else if (c == u'?') {
            tokens.push_back({tkAnyOne, 0});
        } else {
            tokens.push_back({tkLiteral, c});
        }
    }

    // Greedy two-pointer walk: on a mismatch, return to the last "*" and let it
    // swallow one more character.  Each "*" only ever moves forward, so the
    // walk never revisits a (star, text) pair.
    const size_t nt = tokens.size();
    const qsizetype ns = text.size();
    size_t p = 0;
    qsizetype s = 0;
    size_t starP = nt;  // none yet
    qsizetype starS = 0;
    bool matched = true;
    while (s < ns) {
        if (p < nt && tokens[p].Kind == tkAnyRun) {
            starP = p++;
            starS = s;
        } else if (p < nt && (tokens[p].Kind == tkAnyOne || tokens[p].Ch == text[s].unicode())) {
            ++p;
            ++s;
        } else if (starP != nt) {
            p = starP + 1;
            s = ++starS;
        } else {
            matched = false;
            break;
        }
    }
    if (matched) {
        while (p < nt && tokens[p].Kind == tkAnyRun)
            ++p;
        matched = p == nt;
    }
    return matched != invert;
}

}  // namespace

bool MatchWildcard(QStringView pattern, QStringView text, TMatchCase mode)
{
    if (mode == mcCaseSensitive)
        return MatchPrepared(pattern, text);
    return MatchPrepared(AnsiUpperCase(pattern.toString()), AnsiUpperCase(text.toString()));
}

bool MatchCondition(QStringView condition, QStringView candidate, TMatchCase mode)
{
    QString upCond, upCand;
    if (mode == mcIgnoreCase) {
        upCond = AnsiUpperCase(condition.toString());
        upCand = AnsiUpperCase(candidate.toString());
        condition = upCond;
        candidate = upCand;
    }
    const qsizetype gtAt = condition.indexOf(u'>');
    const qsizetype ltAt = condition.indexOf(u'<');
    const bool hasGt = gtAt >= 0, hasLt = ltAt >= 0;
    const bool hasNot = condition.contains(u'!');

    // A test that is not made counts as passed.
    bool greater = true, less = true;
    if (hasGt) {
        bool orEqual = false;
        const QStringView op = Operand(condition, gtAt, orEqual);
        const int cmp = Compare(candidate, op);
        greater = orEqual ? cmp >= 0 : cmp > 0;
    }
    if (hasLt) {
        bool orEqual = false;
        const QStringView op = Operand(condition, ltAt, orEqual);
        const int cmp = Compare(candidate, op);
        less = orEqual ? cmp <= 0 : cmp < 0;
    }
    // "!" makes a missing test count as made (and passed).
    const bool greaterMade = hasGt || hasNot;
    const bool lessMade = hasLt || hasNot;

    if (condition.contains(u'^') && (greaterMade || lessMade))
        return less || greater;
    if (condition.contains(u'&') && greaterMade && lessMade)
        return less && greater;
    if (hasGt && greater)
        return true;
    if (hasLt && less)
        return true;
    return MatchPrepared(condition, candidate);
}
