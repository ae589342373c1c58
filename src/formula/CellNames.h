// The reference notation of formulas: column letters, A1 and R1C1 cell names,
// "$" parts, "Grid!" prefixes and ranges.  One small unit shared by the
// evaluator, the spreadsheet grid's name conversions, its dependency scan and
// formula relocation.
//
// Numbers here are 1-based and count from the first non-fixed cell (column
// "A" / "C1" is number 1); grid coordinates count the fixed cells (0-based).
#pragma once

#include <QString>
#include <QStringView>
#include <Types.h>
#include <cstdint>

enum TCellNameMode : uint8_t { nmA1 = 0, nmRC = 1 };

// Largest column or row number the parsers report; larger numbers saturate
// here so that arithmetic on them cannot overflow (such cells are never
// inside a grid).
constexpr int64_t MaxRefNumber = int64_t(1) << 40;

// "A" -> 1, "Z" -> 26, "AA" -> 27, "ZZ" -> 702, "AAA" -> 703, any length,
// either letter case.  -1 for an empty text or a character that is not an
// ASCII letter; saturates at MaxRefNumber.
int64_t ColumnLettersToNumber(QStringView letters) noexcept;
// The inverse: 1 -> "A", 703 -> "AAA"; the empty text for numbers below 1.
QString ColumnNumberToLetters(int64_t number);

// One cell reference as written.
struct TCellRefParts {
    qsizetype Start = 0;    // index of the first character (the grid prefix when present)
    qsizetype Length = 0;   // characters the reference takes, prefix included
    qsizetype GridStart = 0, GridLength = 0;  // grid name without "!"; GridLength 0: none
    bool HasGrid = false;
    int64_t Col = 0;        // 1-based column number
    int64_t Row = 0;        // 1-based row number
    bool ColAbsolute = false;  // "$" before the column part
    bool RowAbsolute = false;  // "$" before the row part
    // Where the column and row numbers stand (letters for an A1 column,
    // digits otherwise), for rewriting one part of a reference.
    qsizetype ColPos = 0, ColLen = 0, RowPos = 0, RowLen = 0;
};

struct TRangeRefParts {
    qsizetype Start = 0;
    qsizetype Length = 0;   // both ends, ":" and the grid prefix
    qsizetype GridStart = 0, GridLength = 0;
    bool HasGrid = false;
    TCellRefParts First;    // HasGrid false in both ends: the prefix belongs to the range
    TCellRefParts Last;
};

// Reads one cell reference beginning exactly at text[pos]: an optional grid
// prefix ("Name!", letters, digits and "_") when allowGrid is set, then
// A1 form:   ["$"] letters ["$"] digits
// RC form:   ["$"] "R" ["$"] digits ["$"] "C" ["$"] digits
// ignoring letter case.  Returns false when no reference starts there.  What
// follows the reference is not examined.
bool ParseCellRef(QStringView text, qsizetype pos, TCellNameMode mode, TCellRefParts& out,
                  bool allowGrid = true) noexcept;

// Reads "ref:ref" beginning exactly at text[pos], with an optional grid
// prefix before the first end (it applies to both ends).
bool ParseRangeRef(QStringView text, qsizetype pos, TCellNameMode mode, TRangeRefParts& out) noexcept;

// True when the whole text is exactly one cell reference in the given mode
// (no grid prefix), e.g. "B2", "$AA$10" (nmA1) or "R1C1" (nmRC).
bool IsCellName(QStringView text, TCellNameMode mode) noexcept;
// True when the text reads as a cell reference in either notation.
bool LooksLikeCellReference(QStringView text) noexcept;

// Grid coordinates <-> names, no "$" produced.  Columns past "ZZ" get three
// or more letters.
QString CellToName(int32_t col, int32_t row, int32_t fixedCols, int32_t fixedRows,
                   TCellNameMode mode);
// nmA1: ColPart letters, RowPart digits; nmRC: "C"+number and "R"+number.
void CellToNameParts(int32_t col, int32_t row, int32_t fixedCols, int32_t fixedRows,
                     TCellNameMode mode, QString& colPart, QString& rowPart);
// The cell a name denotes ("$" allowed, any letter case); (-1, -1) when the
// text is not exactly one cell name or the cell does not fit 32 bits.
TGridCoord NameToCell(QStringView name, int32_t fixedCols, int32_t fixedRows, TCellNameMode mode);
// Grid coordinates of a parsed reference (may lie outside any grid); false
// when they do not fit 32 bits.
inline bool RefToCell(const TCellRefParts& ref, int32_t fixedCols, int32_t fixedRows,
                      TGridCoord& cell) noexcept
{
    const int64_t x = int64_t(fixedCols) + ref.Col - 1;
    const int64_t y = int64_t(fixedRows) + ref.Row - 1;
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX)
        return false;
    cell.X = static_cast<int32_t>(x);
    cell.Y = static_cast<int32_t>(y);
    return true;
}

// Calls `visit` for every cell or range reference of a formula text (with or
// without the leading "="), skipping text literals in double quotes and
// identifiers that are followed by "(" (function names such as LOG10).  For a
// single cell, range.First == range.Last and range.Length == First.Length.
template <typename Visit>
void ForEachReference(QStringView formula, TCellNameMode mode, Visit&& visit);

// ---------------------------------------------------------------------------

namespace cellnames_detail {
// ParseCellRef without its shortcut for plain A1 references (for tests that
// compare the two).
bool ParseCellRefGeneral(QStringView text, qsizetype pos, TCellNameMode mode, TCellRefParts& out,
                         bool allowGrid) noexcept;

inline bool IsWordChar(QChar c) noexcept
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' ||
           u == '$' || u == '!';
}
}  // namespace cellnames_detail

template <typename Visit>
void ForEachReference(QStringView formula, TCellNameMode mode, Visit&& visit)
{
    using cellnames_detail::IsWordChar;
    const qsizetype n = formula.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = formula[i];
        if (c == u'"') {
            qsizetype j = i + 1;
            while (j < n && formula[j] != u'"')
                ++j;
            i = j < n ? j + 1 : n;
            continue;
        }
        if (!IsWordChar(c)) {
            ++i;
            continue;
        }
        // A word: letters, digits, "$", "!", "_" (and ":" inside a range).
        // A word glued to a preceding digit or letter was handled with it.
        qsizetype end = i;
        while (end < n && (IsWordChar(formula[end]) || formula[end] == u':'))
            ++end;
        qsizetype after = end;
        while (after < n && formula[after] == u' ')
            ++after;
        const bool call = after < n && formula[after] == u'(';
        TCellRefParts first;
        // The first end is read once; a ":" after it makes the word a range.
        if (!call && ParseCellRef(formula, i, mode, first)) {
            const qsizetype firstEnd = first.Start + first.Length;
            TRangeRefParts range;
            range.Start = first.Start;
            range.HasGrid = first.HasGrid;
            range.GridStart = first.GridStart;
            range.GridLength = first.GridLength;
            if (firstEnd == end) {
                range.Length = first.Length;
                range.First = first;
                range.Last = first;
                visit(range);
            } else if (formula[firstEnd] == u':') {
                TCellRefParts last;
                if (ParseCellRef(formula, firstEnd + 1, mode, last, false) && last.Start + last.Length == end) {
                    range.Length = end - first.Start;
                    first.HasGrid = false;
                    first.GridStart = first.GridLength = 0;
                    range.First = first;
                    range.Last = last;
                    visit(range);
                }
            }
        }
        i = end;
    }
}
