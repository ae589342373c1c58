// The spreadsheet grid's calculation states: for each formula cell that was
// evaluated (or failed), its cached value, calculated flag and error span.
//
// Kept apart from the per-cell property objects so that a sheet of a few
// hundred thousand formulas costs one 32-byte slot per formula in an
// open-addressing table (linear probing, backward-shift deletion, load factor
// at most 0.7) instead of a properties object and a graphic object each.
// Text results, which are rare, live in a side pool of strings.
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
        if (FCount == 0 || !MayHold(col, row))
            return nullptr;
        const size_t mask = FSlots.size() - 1;
        for (size_t i = Hash(col, row) & mask;; i = (i + 1) & mask) {
            const TCalcEntry& e = FSlots[i];
            if (!e.Used())
                return nullptr;
            if (e.Col == col && e.Row == row)
                return &e;
        }
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
    // Makes room for n entries at once (no rehashing while they are added).
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
        for (TCalcEntry& e : FSlots)
            if (e.Used())
                f(e);
    }

private:
    // Which cells may have an entry, one bit a cell in per-column arrays, so
    // that asking for a cell without one (most cells formulas read) costs a
    // bit test instead of a probe at a scattered place of the table.  Cells
    // beyond the limits below are not tracked: then every cell may.
    static constexpr int32_t kTrackedCols = 1 << 14;
    static constexpr int32_t kTrackedRows = 1 << 26;
    bool MayHold(int32_t col, int32_t row) const
    {
        if (FUntracked)
            return true;
        if (uint32_t(col) >= FPresence.size())
            return false;
        const std::vector<uint64_t>& bits = FPresence[size_t(col)];
        const size_t word = uint32_t(row) >> 6;
        return word < bits.size() && ((bits[word] >> (uint32_t(row) & 63)) & 1);
    }
    void Mark(int32_t col, int32_t row);
    void Unmark(int32_t col, int32_t row);

    static size_t Hash(int32_t col, int32_t row)
    {
        uint64_t k = (uint64_t(uint32_t(col)) << 32) | uint32_t(row);
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        k ^= k >> 33;
        return size_t(k);
    }
    void Grow();
    void Rehash(size_t slotCount);
    void ReleaseText(TCalcEntry& e);

    std::vector<TCalcEntry> FSlots;
    size_t FCount = 0;
    std::vector<QString> FTexts;
    std::vector<uint32_t> FFreeTexts;
    std::vector<std::vector<uint64_t>> FPresence;
    bool FUntracked = false;
};
