#include "CalcTable.h"

#include <algorithm>

uint32_t TCalcTable::AddPage(uint64_t key)
{
    if ((FPages.size() + 1) * 2 > FMap.size())
        GrowMap(FMap.empty() ? 64 : FMap.size() * 2);
    const uint32_t page = uint32_t(FPages.size());
    FPages.emplace_back();
    std::fill(std::begin(FPages.back().Slots), std::end(FPages.back().Slots), 0u);
    const size_t mask = FMap.size() - 1;
    size_t i = Hash(key) & mask;
    while (FMap[i].Key != kNoKey)
        i = (i + 1) & mask;
    FMap[i] = TMapSlot{key, page};
    FLastKey = key;
    FLastPage = page;
    return page;
}

void TCalcTable::GrowMap(size_t slotCount)
{
    std::vector<TMapSlot> old;
    old.swap(FMap);
    FMap.assign(slotCount, TMapSlot());
    const size_t mask = slotCount - 1;
    for (const TMapSlot& m : old) {
        if (m.Key == kNoKey)
            continue;
        size_t i = Hash(m.Key) & mask;
        while (FMap[i].Key != kNoKey)
            i = (i + 1) & mask;
        FMap[i] = m;
    }
}

TCalcEntry& TCalcTable::Get(int32_t col, int32_t row)
{
    const uint64_t key = PageKey(col, row);
    uint32_t page = FindPage(key);
    if (page == kNoPage)
        page = AddPage(key);
    uint32_t& slot = FPages[page].Slots[uint32_t(row) & (kPageRows - 1)];
    if (slot)
        return FEntries[slot - 1];
    uint32_t index;
    if (!FFreeEntries.empty()) {
        index = FFreeEntries.back();
        FFreeEntries.pop_back();
    } else {
        index = uint32_t(FEntries.size());
        FEntries.emplace_back();
    }
    slot = index + 1;
    TCalcEntry& e = FEntries[index];
    e = TCalcEntry();
    e.Col = col;
    e.Row = row;
    e.Flags = TCalcEntry::fUsed;
    ++FCount;
    return e;
}

void TCalcTable::Remove(int32_t col, int32_t row)
{
    if (FCount == 0)
        return;
    const uint32_t page = FindPage(PageKey(col, row));
    if (page == kNoPage)
        return;
    uint32_t& slot = FPages[page].Slots[uint32_t(row) & (kPageRows - 1)];
    if (!slot)
        return;
    TCalcEntry& e = FEntries[slot - 1];
    ReleaseText(e);
    e = TCalcEntry();
    FFreeEntries.push_back(slot - 1);
    slot = 0;
    --FCount;
}

void TCalcTable::Clear()
{
    std::vector<TCalcEntry>().swap(FEntries);
    std::vector<uint32_t>().swap(FFreeEntries);
    std::vector<TPage>().swap(FPages);
    std::vector<TMapSlot>().swap(FMap);
    FCount = 0;
    FLastKey = kNoKey;
    FLastPage = kNoPage;
    FTexts.clear();
    FFreeTexts.clear();
}

void TCalcTable::ClearStates()
{
    for (TCalcEntry& e : FEntries)
        if (e.Used()) {
            e.Flags &= uint8_t(~TCalcEntry::fCalculated);
            e.ErrFrom = 0;
            e.ErrLen = 0;
        }
}

size_t TCalcTable::MemoryUse() const
{
    size_t n = FEntries.capacity() * sizeof(TCalcEntry) + FFreeEntries.capacity() * sizeof(uint32_t) +
               FPages.capacity() * sizeof(TPage) + FMap.capacity() * sizeof(TMapSlot) +
               FTexts.capacity() * sizeof(QString);
    for (const QString& s : FTexts)
        n += size_t(s.capacity()) * 2;
    return n;
}

void TCalcTable::Reserve(size_t n)
{
    FEntries.reserve(n);
    // Pages for n entries in whole columns, and a map at most half full.
    const size_t pages = n / kPageRows + 1;
    FPages.reserve(pages);
    size_t mapSlots = 64;
    while (mapSlots < pages * 2)
        mapSlots *= 2;
    if (mapSlots > FMap.size())
        GrowMap(mapSlots);
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
