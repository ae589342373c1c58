// The condition matcher of COUNTIF, MATCH and LOOKUP (and of row filters and
// search): a condition text tested against one candidate text.
//
// A condition may hold comparisons and a wildcard pattern:
//   ">5", ">=2", "<10"      the candidate compared with the operand (as numbers
//                           when both read as numbers, as dates when both read
//                           as short dates, otherwise by character code over at
//                           most 255 characters);
//   ">=2&<=4"               both comparisons must hold;
//   "<2^>8"                 either comparison;
//   "AB*", "A?C"            wildcards: "*" any run, "?" any one character;
//   "!AB*"                  "!" inverts the outcome of the pattern;
//   "\"\""                  a double quote is skipped; two match one literally.
// Without a comparison that holds, the whole condition is matched against the
// whole candidate as a pattern.  Both texts are upper-cased first unless the
// case-sensitive mode is asked for.
#pragma once

#include <QString>
#include <QStringView>

enum TMatchCase : unsigned char {
    mcIgnoreCase,     // both texts upper-cased (locale-aware) before matching
    mcCaseSensitive   // texts compared as they are
};

// True when `candidate` satisfies `condition`.
bool MatchCondition(QStringView condition, QStringView candidate, TMatchCase mode = mcIgnoreCase);

// The wildcard step alone: `pattern` against the whole of `text`.  Runs in
// O(|pattern| x |text|) at worst, without backtracking blow-up on "*a*a*a...".
bool MatchWildcard(QStringView pattern, QStringView text, TMatchCase mode = mcIgnoreCase);
