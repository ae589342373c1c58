// Built-in text functions.  The text argument is in the shared text slot
// (a number argument as its "%g" text, 0 as the zero placeholder), and the
// result is left there; counts and positions go to the number slot.
#include "BuiltinSupport.h"

#include <SysUtils.h>

#include <vector>

namespace {

using namespace builtins;

// RIGHT returns at most this many characters.
constexpr int MaxRightChars = 255;
// Repeated substitution need not end even when the new text does not hold
// the old one ("aab" with "ab" -> "bbaa" grows for ever).  It stops after
// SubstitutionsPerChar replacements per character of the text plus
// ExtraSubstitutions, or once the text grows beyond MaxSubstituteLength, and
// reports an overflow.
constexpr qsizetype SubstitutionsPerChar = 10;
constexpr qsizetype ExtraSubstitutions = 100000;
constexpr qsizetype MaxSubstituteLength = 16 * 1024 * 1024;

void Right(TBuiltinCall& c)
{
    const int n = ClampToInt(c.Args[0]);
    const qsizetype len = c.Text.size();
    // Start at length - n + 1, computed wide so a huge n cannot wrap.
    const qsizetype start = std::max<qsizetype>(1, len - static_cast<qsizetype>(n) + 1);
    c.Text = start > len ? QString() : c.Text.mid(start - 1, MaxRightChars);
}

void Mid(TBuiltinCall& c)
{
    const int p = ClampToInt(c.Args[0]);
    const int k = ClampToInt(c.Args[1]);
    c.Text = Copy(c.Text, p, k);
}

// Replaces the first occurrence of `old` again and again until none is left.
// Equivalent to restarting the search from the start each time, but the text
// before a replacement is never searched twice: characters move one by one
// from `pending` into `out`, a Knuth-Morris-Pratt state is kept for each
// character of `out`, and when `out` ends in `old` that end is cut off and the
// replacement is put back in front of the pending characters (it may combine
// with what follows or with the end of `out`).  Returns false when the bound
// was reached.
bool SubstituteRepeatedly(const QString& text, const QString& old, const QString& repl, QString& result)
{
    const qsizetype m = old.size();
    std::vector<qsizetype> fail(static_cast<size_t>(m), 0);
    for (qsizetype q = 1, k = 0; q < m; ++q) {
        while (k > 0 && old[q] != old[k])
            k = fail[static_cast<size_t>(k - 1)];
        if (old[q] == old[k])
            ++k;
        fail[static_cast<size_t>(q)] = k;
    }
    std::vector<char16_t> pending;  // reversed: the next character is at the back
    pending.reserve(static_cast<size_t>(text.size()));
    for (qsizetype k = text.size(); k-- > 0;)
        pending.push_back(text[k].unicode());
    std::vector<char16_t> out;
    std::vector<qsizetype> state{0};  // state[j]: matched length after j characters of out
    out.reserve(static_cast<size_t>(text.size()));
    qsizetype replacements = 0;
    const qsizetype maxReplacements = SubstitutionsPerChar * text.size() + ExtraSubstitutions;
    bool complete = true;
    while (!pending.empty()) {
        const char16_t ch = pending.back();
        pending.pop_back();
        qsizetype s = state.back();
        while (s > 0 && old[s].unicode() != ch)
            s = fail[static_cast<size_t>(s - 1)];
        if (old[s].unicode() == ch)
            ++s;
        out.push_back(ch);
        state.push_back(s);
        if (s < m)
            continue;
        out.resize(out.size() - static_cast<size_t>(m));
        state.resize(state.size() - static_cast<size_t>(m));
        if (++replacements > maxReplacements ||
            static_cast<qsizetype>(out.size() + pending.size()) + repl.size() > MaxSubstituteLength) {
            // Give up: keep the text as it stands, the occurrence unreplaced.
            for (qsizetype k = 0; k < m; ++k)
                out.push_back(old[k].unicode());
            complete = false;
            break;
        }
        for (qsizetype k = repl.size(); k-- > 0;)
            pending.push_back(repl[k].unicode());
    }
    result = QString(reinterpret_cast<const QChar*>(out.data()), static_cast<qsizetype>(out.size()));
    for (size_t k = pending.size(); k-- > 0;)
        result.append(QChar(pending[k]));
    return complete;
}

void Substitute(TBuiltinCall& c)
{
    const QStringList& t = *c.Texts;
    if (t.size() != 3) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    const QString& old = t[1];
    // An empty text or 0 arrives as the zero placeholder, which vanishes from
    // the result anyway; dropped here so it cannot sit between two halves of
    // an occurrence and keep them from joining.
    const QString repl = QString(t[2]).remove(QChar(0));
    if (old.isEmpty()) {
        c.Text = t[0];
        return;
    }
    if (repl.contains(old)) {
        // Repetition could never end: every occurrence is replaced once, left
        // to right.
        c.Text = QString(t[0]).replace(old, repl);
        return;
    }
    QString r;
    if (!SubstituteRepeatedly(t[0], old, repl, r))
        c.Error(feOverflow, c.NamePos);
    c.Text = r;
}

void Search(TBuiltinCall& c)
{
    const QStringList& t = *c.Texts;
    if (t.size() != 2) {
        c.Error(feInvalidParamCount, c.NamePos);
        return;
    }
    c.Result = Pos(t[0], t[1]);  // case-sensitive, 0 when absent
    c.Text.clear();
}

const TBuiltinRegistrar registerText{{
    {"TRIM", bfTextArg, [](TBuiltinCall& c) { c.Text = Trim(c.Text); }},
    {"UPPER", bfTextArg, [](TBuiltinCall& c) { c.Text = UpperCase(c.Text); }},
    {"LOWER", bfTextArg, [](TBuiltinCall& c) { c.Text = LowerCase(c.Text); }},
    {"LEN", bfTextArg, [](TBuiltinCall& c) {
         c.Result = static_cast<double>(c.Text.size() - c.Text.count(QChar(0)));
         c.Text.clear();
     }},
    {"LEFT", bfTextNumArgs, [](TBuiltinCall& c) {
         const int n = ClampToInt(c.Args[0]);
         c.Text = n <= 0 ? QString() : c.Text.left(n);
     }},
    {"RIGHT", bfTextNumArgs, Right},
    {"MID", bfTextNumNumArgs, Mid},
    {"CONCATENATE", bfTextRangeList, [](TBuiltinCall& c) { c.Text = c.Texts->join(QString()); }},
    {"SUBSTITUTE", bfTextRangeList, Substitute},
    {"SEARCH", bfTextRangeList, Search},
}};

}  // namespace
