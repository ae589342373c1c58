// The calculation-state table: entries found exactly where they were made,
// whatever the order of insertions and removals, near and far coordinates.
#include "CalcTable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <utility>

TEST(CalcTable, FindsExactlyTheCellsThatHaveEntries)
{
    for (bool far : {false, true}) {
        TCalcTable t;
        std::map<std::pair<int32_t, int32_t>, double> model;
        uint64_t x = 0x9E3779B97F4A7C15ull;
        auto next = [&x](uint32_t n) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            return uint32_t(x % n);
        };
        auto cell = [&]() -> std::pair<int32_t, int32_t> {
            // Mostly a dense block; sometimes far away (rows and columns past
            // what per-cell bits track), which must not hide any entry.
            if (far && next(50) == 0)
                return {int32_t(next(3)) * 30000 + 2000000000 * int32_t(next(2)), int32_t(100000000 + next(5))};
            return {int32_t(next(6)), int32_t(next(300))};
        };
        for (int step = 0; step < 20000; ++step) {
            const auto [c, r] = cell();
            if (next(3) == 0) {
                t.Remove(c, r);
                model.erase({c, r});
            } else {
                TCalcEntry& e = t.Get(c, r);
                e.Number = step;
                model[{c, r}] = step;
            }
            if (step % 97 == 0)
                for (int k = 0; k < 50; ++k) {
                    const auto [qc, qr] = cell();
                    const TCalcEntry* e = t.Find(qc, qr);
                    const auto it = model.find({qc, qr});
                    ASSERT_EQ(e != nullptr, it != model.end()) << qc << "," << qr;
                    if (e) {
                        EXPECT_EQ(e->Number, it->second);
                    }
                }
        }
        EXPECT_EQ(size_t(t.Count()), model.size());
        for (const auto& [key, v] : model) {
            const TCalcEntry* e = t.Find(key.first, key.second);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->Number, v);
        }
        t.Clear();
        for (const auto& [key, v] : model)
            EXPECT_EQ(t.Find(key.first, key.second), nullptr);
    }
}
