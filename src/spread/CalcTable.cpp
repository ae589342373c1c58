#include "CalcTable.h"

#include <algorithm>

TCalcEntry& TCalcTable::Get(int32_t col, int32_t row)
{
    if (FSlots.empty() || (FCount + 1) * 10 > FSlots.size() * 7)
        Grow();
    const size_t mask = FSlots.size() - 1;
    for (size_t i = Hash(col, row) & mask;; i = (i + 1) & mask) {
        TCalcEntry& e = FSlots[i];
        if (!e.Used()) {
            e = TCalcEntry();
            e.Col = col;
            e.Row = row;
            e.Flags = TCalcEntry::fUsed;
            ++FCount;
            Mark(col, row);
            return e;
        }
        if (e.Col == col && e.Row == row)
            return e;
    }
}

void TCalcTable::Remove(int32_t col, int32_t row)
{
    if (FCount == 0)
        return;
    const size_t mask = FSlots.size() - 1;
    size_t i = Hash(col, row) & mask;
    while (true) {
        const TCalcEntry& e = FSlots[i];
        if (!e.Used())
            return;
        if (e.Col == col && e.Row == row)
            break;
        i = (i + 1) & mask;
    }
    ReleaseText(FSlots[i]);
    // Backward-shift deletion keeps every probe run free of holes.
    size_t hole = i;
    for (size_t j = (hole + 1) & mask; FSlots[j].Used(); j = (j + 1) & mask) {
        const size_t home = Hash(FSlots[j].Col, FSlots[j].Row) & mask;
        const bool movable = (hole <= j) ? (home <= hole || home > j) : (home <= hole && home > j);
        if (movable) {
            FSlots[hole] = FSlots[j];
            hole = j;
        }
    }
    FSlots[hole] = TCalcEntry();
    --FCount;
    Unmark(col, row);
}

void TCalcTable::Mark(int32_t col, int32_t row)
{
    if (FUntracked)
        return;
    if (col < 0 || row < 0 || col >= kTrackedCols || row >= kTrackedRows) {
        FUntracked = true;  // every cell may have an entry from now on
        FPresence.clear();
        return;
    }
    if (size_t(col) >= FPresence.size())
        FPresence.resize(size_t(col) + 1);
    std::vector<uint64_t>& bits = FPresence[size_t(col)];
    const size_t word = size_t(row) >> 6;
    if (word >= bits.size())
        bits.resize(std::max(word + 1, bits.size() * 3 / 2));
    bits[word] |= uint64_t(1) << (row & 63);
}

void TCalcTable::Unmark(int32_t col, int32_t row)
{
    if (FUntracked || uint32_t(col) >= FPresence.size())
        return;
    std::vector<uint64_t>& bits = FPresence[size_t(col)];
    const size_t word = uint32_t(row) >> 6;
    if (word < bits.size())
        bits[word] &= ~(uint64_t(1) << (uint32_t(row) & 63));
}

void TCalcTable::Clear()
{
    FSlots.clear();
    FSlots.shrink_to_fit();
    FCount = 0;
    FTexts.clear();
    FFreeTexts.clear();
    FPresence.clear();
    FUntracked = false;
}

void TCalcTable::ClearStates()
{
    for (TCalcEntry& e : FSlots)
        if (e.Used()) {
            e.Flags &= uint8_t(~TCalcEntry::fCalculated);
            e.ErrFrom = 0;
            e.ErrLen = 0;
        }
}

size_t TCalcTable::MemoryUse() const
{
    size_t n = FSlots.capacity() * sizeof(TCalcEntry) + FTexts.capacity() * sizeof(QString);
    for (const QString& s : FTexts)
        n += size_t(s.capacity()) * 2;
    return n;
}

void TCalcTable::Reserve(size_t n)
{
    size_t slotCount = 64;
    while (n * 10 > slotCount * 7)
        slotCount *= 2;
    if (slotCount > FSlots.size())
        Rehash(slotCount);
}

void TCalcTable::Grow() { Rehash(FSlots.empty() ? 64 : FSlots.size() * 2); }

void TCalcTable::Rehash(size_t slotCount)
{
    std::vector<TCalcEntry> old;
    old.swap(FSlots);
    FSlots.assign(slotCount, TCalcEntry());
    const size_t mask = FSlots.size() - 1;
    for (const TCalcEntry& e : old) {
        if (!e.Used())
            continue;
        size_t i = Hash(e.Col, e.Row) & mask;
        while (FSlots[i].Used())
            i = (i + 1) & mask;
        FSlots[i] = e;
    }
}

void TCalcTable::ReleaseText(TCalcEntry& e)
{
    if (e.IsText()) {
        FTexts[e.TextIndex] = QString();
        FFreeTexts.push_back(e.TextIndex);
        e.Flags &= uint8_t(~TCalcEntry::fIsText);
    }
}

void TCalcTable::SetValue(TCalcEntry& e, const TFormulaValue& v)
{
    if (v.IsText()) {
        if (!e.IsText()) {
            if (!FFreeTexts.empty()) {
                e.TextIndex = FFreeTexts.back();
                FFreeTexts.pop_back();
            } else {
                e.TextIndex = uint32_t(FTexts.size());
                FTexts.emplace_back();
            }
        }
        FTexts[e.TextIndex] = v.Text;
        e.Number = 0.0;
        e.Flags |= TCalcEntry::fIsText;
    } else {
        ReleaseText(e);
        e.Number = v.Number;
    }
    e.Flags |= TCalcEntry::fHasValue;
}

void TCalcTable::GetValue(const TCalcEntry& e, TFormulaValue& v) const
{
    if (e.HasValue() && e.IsText()) {
        v.Kind = TFormulaValue::fvText;
        v.Number = 0.0;
        v.Text = FTexts[e.TextIndex];
    } else {
        v.Kind = TFormulaValue::fvNumber;
        v.Number = e.HasValue() ? e.Number : 0.0;
        if (!v.Text.isEmpty())
            v.Text.resize(0);
    }
}
