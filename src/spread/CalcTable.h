// The spreadsheet grid's calculation states: for each formula cell that was
// evaluated (or failed), its cached value, calculated flag and error span.
//
// Kept apart from the per-cell property objects so that a sheet of a few
// hundred thousand formulas costs one 32-byte entry per formula instead of a
// properties object and a graphic object each.  Entries live in one pool, in
// the order they were made (the order of evaluation); a cell finds its entry
// through a page of 64 rows of one column, and pages through a small hash
// map, so neighbouring cells of a column have neighbouring look-ups and
// neighbouring entries.  Text results, which are rare, live in a side pool
// of strings.
#pragma once

#include "FormulaValue.h"

#include <QString>

#include <cstdint>
#include <vector>

struct TCalcEntry {
    int32_t Col = 0;
    int32_t Row = 0;
    double Number = 0.0;        // the cached number (when HasValue and not IsText)
    int32_t ErrFrom = 0;        // non-zero: the formula has an error starting here
    int32_t ErrLen = 0;         // non-zero: the cell is in error state
    uint32_t TextIndex = 0;     // index into the text pool (when IsText)
    uint8_t Flags = 0;

    static constexpr uint8_t fUsed = 1;        // the slot holds an entry
    static constexpr uint8_t fCalculated = 2;  // the cached value is current
    static constexpr uint8_t fHasValue = 4;    // a value was cached (may be stale)
    static constexpr uint8_t fIsText = 8;      // the cached value is a text

    bool Used() const { return Flags & fUsed; }
    bool Calculated() const { return Flags & fCalculated; }
    bool HasValue() const { return Flags & fHasValue; }
    bool IsText() const { return Flags & fIsText; }
};

class TCalcTable {
public:
    TCalcTable() = default;
    TCalcTable(const TCalcTable&) = delete;
    TCalcTable& operator=(const TCalcTable&) = delete;

    // The entry of a cell, or null.
    const TCalcEntry* Find(int32_t col, int32_t row) const
    {
        if (FCount == 0)
            return nullptr;
        const uint32_t page = FindPage(PageKey(col, row));
        if (page == kNoPage)
            return nullptr;
        const uint32_t slot = FPages[page].Slots[uint32_t(row) & (kPageRows - 1)];
        return slot ? &FEntries[slot - 1] : nullptr;
    }
    TCalcEntry* Find(int32_t col, int32_t row)
    {
        return const_cast<TCalcEntry*>(static_cast<const TCalcTable*>(this)->Find(col, row));
    }
    // The entry of a cell, created (empty) when missing.  The reference stays
    // valid until the next insertion.
    TCalcEntry& Get(int32_t col, int32_t row);
    // Forgets the cell's entry (and its text).
    void Remove(int32_t col, int32_t row);
    // Forgets every entry.
    void Clear();
    // Makes room for n entries at once.
    void Reserve(size_t n);
    // Clears the calculated flag and the error of every entry; values stay.
    void ClearStates();
    int Count() const { return static_cast<int>(FCount); }
    // Bytes held, for statistics.
    size_t MemoryUse() const;

    // Value access.
    void SetValue(TCalcEntry& e, const TFormulaValue& v);
    void GetValue(const TCalcEntry& e, TFormulaValue& v) const;

    // Calls f(entry) for every entry; f must not insert or remove.
    template <typename F>
    void ForEach(F&& f)
    {
        for (TCalcEntry& e : FEntries)
            if (e.Used())
                f(e);
    }

private:
    static constexpr uint32_t kPageRows = 64;
    static constexpr uint32_t kNoPage = 0xFFFFFFFFu;
    static constexpr uint64_t kNoKey = ~uint64_t(0);
    struct TPage {
        uint32_t Slots[kPageRows];  // entry index + 1; 0: no entry
    };
    struct TMapSlot {
        uint64_t Key = kNoKey;
        uint32_t Page = kNoPage;
    };

    // (column, row / 64) as one key; rows are taken as unsigned, so every
    // cell has exactly one page and one place in it.
    static uint64_t PageKey(int32_t col, int32_t row)
    {
        return (uint64_t(uint32_t(col)) << 32) | (uint32_t(row) / kPageRows);
    }
    static size_t Hash(uint64_t k)
    {
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        k ^= k >> 33;
        return size_t(k);
    }
    uint32_t FindPage(uint64_t key) const
    {
        if (key == FLastKey)
            return FLastPage;
        if (FMap.empty())
            return kNoPage;
        const size_t mask = FMap.size() - 1;
        for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            const TMapSlot& m = FMap[i];
            if (m.Key == key) {
                FLastKey = key;
                FLastPage = m.Page;
                return m.Page;
            }
            if (m.Key == kNoKey)
                return kNoPage;
        }
    }
    uint32_t AddPage(uint64_t key);
    void GrowMap(size_t slotCount);
    void ReleaseText(TCalcEntry& e);

    std::vector<TCalcEntry> FEntries;
    std::vector<uint32_t> FFreeEntries;
    std::vector<TPage> FPages;
    std::vector<TMapSlot> FMap;  // open addressing, load at most one half
    size_t FCount = 0;
    // The page of the last look-up: a column read row after row asks for
    // the same page 64 times in a row.
    mutable uint64_t FLastKey = kNoKey;
    mutable uint32_t FLastPage = kNoPage;
    std::vector<QString> FTexts;
    std::vector<uint32_t> FFreeTexts;
};
