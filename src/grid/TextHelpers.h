// Text helpers of the grid that stand on their own: number clean-up, mark-up
// removal, the wide-encoded cell text form, and the classification of texts
// and numbers used by display, alignment and the typed readers.
//
// Separators are read from the process-wide FormatSettings() at each call.
#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

// Turns a displayed number such as "(1,234.50)", "$ -1,234.50" or
// "-1234.5 EUR" into plain number text ("-1234.50") with "." as the decimal
// point: leading non-number characters are dropped (a dropped "-" or
// surrounding parentheses make the number negative), thousands separators are
// skipped and the walk stops at the first character that cannot belong to a
// number.  An empty text gives an empty result.
QString CleanNumberText(const QString& text);

// Removes mark-up tags: "<BR>" and "<HR>" (any case) become CR LF, every other
// "<...>" is dropped.  A "<" without a closing ">" is kept with the rest of the
// text, so "x < y" stays unchanged.
QString StripMarkup(const QString& text);

// The wide-encoded form of a cell text: the prefix "|\" followed by two
// characters per UTF-16 code unit, first its high byte, then its low byte.
inline constexpr char16_t WideTextPrefix[] = u"|\\";

// True when `text` begins with the wide-encoding prefix.
bool IsWideText(QStringView text) noexcept;

// Always produces the prefixed form, also for an empty value.
QString EncodeWideText(const QString& value);

// Returns a text without the prefix unchanged.  A prefixed text is rebuilt one
// code unit per pair of characters; a trailing odd character is ignored.  Only
// the low byte of each character counts, so characters above U+00FF (which a
// correct encoder never produces) cannot overflow a code unit.
QString DecodeWideText(const QString& text);

// Kinds of cell text, as GetTextKind sees them.
enum TCellTextKind : uint8_t { ckPlain, ckHTML, ckRTF, ckFormula, ckWide };

// Kinds of number text, as ClassifyNumber sees them.
enum TNumberKind : uint8_t { nkInteger, nkFloat, nkScientific, nkText };

// Classifies a text as integer, fixed-point number, scientific number or other
// text, with the current thousands and decimal separators.  Exact rules:
// digits and "-" only is an integer (so "-" alone is one); separators closer
// than four positions, more than one decimal separator or more than one minus
// (two for a scientific number) make it text.
TNumberKind ClassifyNumber(QStringView text) noexcept;

// True for nkInteger, nkFloat and nkScientific.
inline bool IsNumericKind(TNumberKind kind) noexcept { return kind != nkText; }

// Formula ("=..."), wide-encoded ("|\..."), rich text ("{\...") or, when
// `allowMarkup` is set, mini mark-up ("<" followed by one of / P I B C);
// anything else, including the empty text, is plain.
TCellTextKind GetTextKind(QStringView text, bool allowMarkup) noexcept;

// Number of lines the text shows as: 1 when `multiLine` is off; otherwise 1
// plus one for every CR that has text after the CR LF pair.
int LineCount(QStringView text, bool multiLine) noexcept;

// The typed readers of cell text, without exceptions.  Integer: mark-up
// removed, blanks trimmed, empty or "-" is 0; a text with a decimal or
// thousands separator is read as a float and rounded half to even, otherwise
// as a 32-bit integer (decimal, or hexadecimal after "$", "x" or "0x").
// Float: mark-up removed, CleanNumberText, empty or "-" is 0, then "." as the
// decimal point with an optional exponent.
bool TryCellTextToInteger(const QString& text, int& value);
bool TryCellTextToFloat(const QString& text, double& value);
