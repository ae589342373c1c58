#include "CellNames.h"

#include "CellSource.h"

#include <SysUtils.h>

#include <algorithm>

namespace {

inline bool IsLetter(char16_t u) { return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'); }
inline bool IsDigit(char16_t u) { return u >= '0' && u <= '9'; }
inline char16_t Upper(char16_t u) { return (u >= 'a' && u <= 'z') ? char16_t(u - 32) : u; }

// Reads decimal digits from text[pos]; saturates at MaxRefNumber.
qsizetype ReadDigits(QStringView text, qsizetype pos, int64_t& value)
{
    value = 0;
    qsizetype j = pos;
    while (j < text.size() && IsDigit(text[j].unicode())) {
        if (value < MaxRefNumber)
            value = std::min<int64_t>(MaxRefNumber, value * 10 + (text[j].unicode() - '0'));
        ++j;
    }
    return j - pos;
}

// The cell part of a reference (no grid prefix) from text[pos].
bool ParseCellPart(QStringView text, qsizetype pos, TCellNameMode mode, TCellRefParts& out)
{
    const qsizetype n = text.size();
    qsizetype j = pos;
    auto at = [&](qsizetype k) -> char16_t { return k < n ? text[k].unicode() : char16_t(0); };
    if (mode == nmA1) {
        out.ColAbsolute = at(j) == '$';
        if (out.ColAbsolute)
            ++j;
        const qsizetype colPos = j;
        while (IsLetter(at(j)))
            ++j;
        if (j == colPos)
            return false;
        out.ColPos = colPos;
        out.ColLen = j - colPos;
        out.Col = ColumnLettersToNumber(text.mid(colPos, j - colPos));
        out.RowAbsolute = at(j) == '$';
        if (out.RowAbsolute)
            ++j;
        out.RowPos = j;
        out.RowLen = ReadDigits(text, j, out.Row);
        if (out.RowLen == 0)
            return false;
        j += out.RowLen;
    } else {
        out.RowAbsolute = at(j) == '$';
        if (out.RowAbsolute)
            ++j;
        if (Upper(at(j)) != 'R')
            return false;
        ++j;
        if (at(j) == '$') {
            out.RowAbsolute = true;
            ++j;
        }
        out.RowPos = j;
        out.RowLen = ReadDigits(text, j, out.Row);
        if (out.RowLen == 0)
            return false;
        j += out.RowLen;
        out.ColAbsolute = at(j) == '$';
        if (out.ColAbsolute)
            ++j;
        if (Upper(at(j)) != 'C')
            return false;
        ++j;
        if (at(j) == '$') {
            out.ColAbsolute = true;
            ++j;
        }
        out.ColPos = j;
        out.ColLen = ReadDigits(text, j, out.Col);
        if (out.ColLen == 0)
            return false;
        j += out.ColLen;
    }
    out.Length = j - out.Start;
    return true;
}

// A grid prefix "Name!" at text[pos]: returns the length of the name (0: none).
qsizetype GridPrefix(QStringView text, qsizetype pos)
{
    qsizetype j = pos;
    while (j < text.size()) {
        const char16_t u = text[j].unicode();
        if (IsLetter(u) || IsDigit(u) || u == '_')
            ++j;
        else
            break;
    }
    if (j > pos && j < text.size() && text[j] == u'!')
        return j - pos;
    return 0;
}

}  // namespace

int64_t ColumnLettersToNumber(QStringView letters) noexcept
{
    if (letters.isEmpty())
        return -1;
    int64_t value = 0;
    for (QChar c : letters) {
        const char16_t u = c.unicode();
        if (!IsLetter(u))
            return -1;
        if (value < MaxRefNumber)
            value = std::min<int64_t>(MaxRefNumber, value * 26 + (Upper(u) - 'A' + 1));
    }
    return value;
}

QString ColumnNumberToLetters(int64_t number)
{
    QString s;
    if (number < 1)
        return s;
    char16_t buf[16];
    int k = 16;
    while (number > 0 && k > 0) {
        --number;  // bijective base 26: no zero digit
        buf[--k] = char16_t('A' + number % 26);
        number /= 26;
    }
    return QString(reinterpret_cast<const QChar*>(buf + k), 16 - k);
}

bool ParseCellRef(QStringView text, qsizetype pos, TCellNameMode mode, TCellRefParts& out,
                  bool allowGrid) noexcept
{
    if (mode == nmA1 && pos >= 0 && pos < text.size()) {
        // The common "B12": up to four letters and nine digits (far below
        // MaxRefNumber), followed by nothing that could make the letters and
        // digits a grid name ("B12!") or a longer word.  Read in one pass,
        // with the parts the general reader would report.
        const char16_t* p = reinterpret_cast<const char16_t*>(text.data());
        const qsizetype n = text.size();
        qsizetype j = pos;
        int64_t col = 0;
        while (j < n && j - pos < 5 && IsLetter(p[j])) {
            col = col * 26 + (Upper(p[j]) - 'A' + 1);
            ++j;
        }
        const qsizetype letters = j - pos;
        int64_t row = 0;
        while (j < n && j - pos - letters < 10 && IsDigit(p[j])) {
            row = row * 10 + (p[j] - '0');
            ++j;
        }
        const qsizetype digits = j - pos - letters;
        const char16_t next = j < n ? p[j] : char16_t(0);
        if (letters >= 1 && letters <= 4 && digits >= 1 && digits <= 9 && !IsLetter(next) &&
            !IsDigit(next) && next != '_' && next != '!' && next != '$') {
            out = TCellRefParts{};
            out.Start = pos;
            out.Length = j - pos;
            out.Col = col;
            out.Row = row;
            out.ColPos = pos;
            out.ColLen = letters;
            out.RowPos = pos + letters;
            out.RowLen = digits;
            return true;
        }
    }
    return cellnames_detail::ParseCellRefGeneral(text, pos, mode, out, allowGrid);
}

bool cellnames_detail::ParseCellRefGeneral(QStringView text, qsizetype pos, TCellNameMode mode,
                                           TCellRefParts& out, bool allowGrid) noexcept
{
    out = TCellRefParts{};
    if (pos < 0 || pos >= text.size())
        return false;
    out.Start = pos;
    qsizetype j = pos;
    if (allowGrid) {
        const qsizetype g = GridPrefix(text, pos);
        if (g > 0) {
            out.HasGrid = true;
            out.GridStart = pos;
            out.GridLength = g;
            j = pos + g + 1;
        }
    }
    if (ParseCellPart(text, j, mode, out))
        return true;
    if (out.HasGrid) {
        // "A1!..." is not a prefix followed by a reference; nothing else is either.
        out = TCellRefParts{};
    }
    return false;
}

bool ParseRangeRef(QStringView text, qsizetype pos, TCellNameMode mode, TRangeRefParts& out) noexcept
{
    out = TRangeRefParts{};
    TCellRefParts first;
    if (!ParseCellRef(text, pos, mode, first, true))
        return false;
    const qsizetype colon = first.Start + first.Length;
    if (colon >= text.size() || text[colon] != u':')
        return false;
    TCellRefParts last;
    if (!ParseCellRef(text, colon + 1, mode, last, false))
        return false;
    out.Start = pos;
    out.Length = last.Start + last.Length - pos;
    out.HasGrid = first.HasGrid;
    out.GridStart = first.GridStart;
    out.GridLength = first.GridLength;
    first.HasGrid = false;
    first.GridStart = first.GridLength = 0;
    out.First = first;
    out.Last = last;
    return true;
}

bool IsCellName(QStringView text, TCellNameMode mode) noexcept
{
    TCellRefParts ref;
    return ParseCellRef(text, 0, mode, ref, false) && ref.Length == text.size();
}

bool LooksLikeCellReference(QStringView text) noexcept
{
    return IsCellName(text, nmA1) || IsCellName(text, nmRC);
}

QString CellToName(int32_t col, int32_t row, int32_t fixedCols, int32_t fixedRows,
                   TCellNameMode mode)
{
    QString colPart, rowPart;
    CellToNameParts(col, row, fixedCols, fixedRows, mode, colPart, rowPart);
    return mode == nmRC ? rowPart + colPart : colPart + rowPart;
}

void CellToNameParts(int32_t col, int32_t row, int32_t fixedCols, int32_t fixedRows,
                     TCellNameMode mode, QString& colPart, QString& rowPart)
{
    const int64_t colNo = int64_t(col) - fixedCols + 1;
    const int64_t rowNo = int64_t(row) - fixedRows + 1;
    if (mode == nmRC) {
        colPart = QStringLiteral("C") + QString::number(colNo);
        rowPart = QStringLiteral("R") + QString::number(rowNo);
    } else {
        colPart = ColumnNumberToLetters(colNo);
        rowPart = QString::number(rowNo);
    }
}

TGridCoord NameToCell(QStringView name, int32_t fixedCols, int32_t fixedRows, TCellNameMode mode)
{
    TCellRefParts ref;
    TGridCoord cell{-1, -1};
    if (!ParseCellRef(name, 0, mode, ref, false) || ref.Length != name.size())
        return TGridCoord{-1, -1};
    if (!RefToCell(ref, fixedCols, fixedRows, cell))
        return TGridCoord{-1, -1};
    return cell;
}

// ---------------------------------------------------------------------------
// TCellNameList

bool TCellNameList::IsValidName(QStringView name)
{
    if (name.isEmpty() || !IsLetter(name[0].unicode()))
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (!IsLetter(u) && !IsDigit(u) && u != '_')
            return false;
    }
    return !LooksLikeCellReference(name);
}

int TCellNameList::Add(const QString& name, TGridCoord cell)
{
    if (!IsValidName(name))
        return -1;
    FItems.push_back(TEntry{name, cell});
    return Count() - 1;
}

int TCellNameList::IndexOf(QStringView name) const
{
    for (size_t k = 0; k < FItems.size(); ++k)
        if (SameText(FItems[k].Name, name))
            return static_cast<int>(k);
    return -1;
}

bool TCellNameList::SetName(int index, const QString& name)
{
    if (!IsValidName(name))
        return false;
    FItems.at(static_cast<size_t>(index)).Name = name;
    return true;
}

void TCellNameList::Delete(int index)
{
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}
