#include "DependencyIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <vector>

namespace {

TPrecedent cell(TDependencyIndex& idx, int c, int r) { return TPrecedent{&idx, GridRect(c, r, c, r)}; }
TPrecedent range(TDependencyIndex& idx, int l, int t, int r, int b) { return TPrecedent{&idx, GridRect(l, t, r, b)}; }

// Position of each cell in a plan, to check "after every cell it reads".
std::map<std::pair<int, int>, size_t> positions(const TEvalPlan& plan) {
    std::map<std::pair<int, int>, size_t> pos;
    for (size_t i = 0; i < plan.Order.size(); ++i) pos[{plan.Order[i].Col, plan.Order[i].Row}] = i;
    return pos;
}

std::pair<int, int> key(int c, int r) { return {c, r}; }

std::vector<std::pair<int, int>> cyclicCells(const TEvalPlan& plan) {
    std::vector<std::pair<int, int>> out;
    for (size_t i = 0; i < plan.Order.size(); ++i)
        if (plan.Cyclic[i]) out.emplace_back(plan.Order[i].Col, plan.Order[i].Row);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(DependencyIndex, PlanAllOrdersChainsInBothDirections) {
    TDependencyIndex idx;
    // Column 1: rows 1..4 read the row above (downward chain);
    // column 2: rows 1..4 read the row below (upward chain).
    for (int r = 2; r <= 4; ++r) {
        TPrecedent p[] = {cell(idx, 1, r - 1)};
        idx.SetFormula(1, r, p);
    }
    for (int r = 1; r <= 3; ++r) {
        TPrecedent p[] = {cell(idx, 2, r + 1)};
        idx.SetFormula(2, r, p);
    }
    TEvalPlan plan = idx.PlanAll();
    ASSERT_EQ(plan.Order.size(), 6u);
    auto pos = positions(plan);
    EXPECT_LT(pos.at(key(1, 2)), pos.at(key(1, 3)));
    EXPECT_LT(pos.at(key(1, 3)), pos.at(key(1, 4)));
    EXPECT_LT(pos.at(key(2, 3)), pos.at(key(2, 2)));
    EXPECT_LT(pos.at(key(2, 2)), pos.at(key(2, 1)));
    EXPECT_TRUE(cyclicCells(plan).empty());
    EXPECT_TRUE(idx.CheckConsistency());
}

TEST(DependencyIndex, DiamondAndRangesComeAfterEverythingTheyRead) {
    TDependencyIndex idx;
    // B1 = A1 + C1, C1 = A1, D1 = B1 (a diamond through A1), E1 = SUM(B1:D1)
    TPrecedent b1[] = {cell(idx, 1, 1), cell(idx, 3, 1)};
    idx.SetFormula(2, 1, b1);
    TPrecedent c1[] = {cell(idx, 1, 1)};
    idx.SetFormula(3, 1, c1);
    TPrecedent d1[] = {cell(idx, 2, 1)};
    idx.SetFormula(4, 1, d1);
    TPrecedent e1[] = {range(idx, 2, 1, 4, 1)};
    idx.SetFormula(5, 1, e1);
    // A tall range is kept whole: F1 = SUM(B1:B1000) with a formula inside it.
    TPrecedent f1[] = {range(idx, 2, 1, 2, 1000)};
    idx.SetFormula(6, 1, f1);

    TEvalPlan all = idx.PlanAll();
    auto pos = positions(all);
    EXPECT_LT(pos.at(key(3, 1)), pos.at(key(2, 1)));
    EXPECT_LT(pos.at(key(2, 1)), pos.at(key(4, 1)));
    EXPECT_LT(pos.at(key(4, 1)), pos.at(key(5, 1)));
    EXPECT_LT(pos.at(key(2, 1)), pos.at(key(6, 1)));

    // A change of A1 reaches every formula once, each after what it reads.
    TFormulaNode a1[] = {{&idx, 1, 1}};
    TEvalPlan change = TDependencyIndex::PlanForChange(a1);
    ASSERT_EQ(change.Order.size(), 5u);
    auto cpos = positions(change);
    EXPECT_LT(cpos.at(key(3, 1)), cpos.at(key(2, 1)));
    EXPECT_LT(cpos.at(key(2, 1)), cpos.at(key(4, 1)));
    EXPECT_LT(cpos.at(key(4, 1)), cpos.at(key(5, 1)));
    EXPECT_TRUE(cyclicCells(change).empty());

    // A change of a cell inside the tall range only reaches F1.
    TFormulaNode b500[] = {{&idx, 2, 500}};
    TEvalPlan tall = TDependencyIndex::PlanForChange(b500);
    ASSERT_EQ(tall.Order.size(), 1u);
    EXPECT_EQ(tall.Order[0], (TFormulaNode{&idx, 6, 1}));
}

TEST(DependencyIndex, CyclesReportExactlyTheCellsOnThem) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::pair<int, int>, std::vector<std::pair<int, int>>>> formulas;
        std::vector<std::pair<int, int>> cyclic;
    };
    const Case cases[] = {
        {"self", {{{1, 1}, {{1, 1}}}, {{2, 1}, {{1, 1}}}}, {{1, 1}}},
        {"two", {{{1, 1}, {{1, 2}}}, {{1, 2}, {{1, 1}}}, {{1, 3}, {{1, 2}}}}, {{1, 1}, {1, 2}}},
        {"many",
         {{{1, 1}, {{1, 2}}}, {{1, 2}, {{1, 3}}}, {{1, 3}, {{1, 4}}}, {{1, 4}, {{1, 1}}}, {{2, 1}, {{9, 9}}}},
         {{1, 1}, {1, 2}, {1, 3}, {1, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDependencyIndex idx;
        for (const auto& [at, reads] : c.formulas) {
            std::vector<TPrecedent> p;
            for (auto [col, row] : reads) p.push_back(cell(idx, col, row));
            idx.SetFormula(at.first, at.second, p);
        }
        EXPECT_EQ(cyclicCells(idx.PlanAll()), c.cyclic);
    }
}

TEST(DependencyIndex, CyclesThroughTwoIndexes) {
    TDependencyIndex g1, g2;
    // g1!A1 = g2!A1 ; g2!A1 = g1!A1 ; g2!B1 = g2!A1
    TPrecedent p1[] = {cell(g2, 1, 1)};
    g1.SetFormula(1, 1, p1);
    TPrecedent p2[] = {cell(g1, 1, 1)};
    g2.SetFormula(1, 1, p2);
    TPrecedent p3[] = {cell(g2, 1, 1)};
    g2.SetFormula(2, 1, p3);
    TFormulaNode changed[] = {{&g1, 1, 1}};
    TEvalPlan plan = TDependencyIndex::PlanForChange(changed);
    ASSERT_EQ(plan.Order.size(), 3u);
    int cyclic = 0;
    for (size_t i = 0; i < plan.Order.size(); ++i) {
        if (plan.Cyclic[i]) ++cyclic;
        if (plan.Order[i] == (TFormulaNode{&g2, 2, 1})) {
            EXPECT_FALSE(plan.Cyclic[i]);
        }
    }
    EXPECT_EQ(cyclic, 2);
    EXPECT_EQ(plan.Order.back(), (TFormulaNode{&g2, 2, 1}));
}

TEST(DependencyIndex, ReplacingAndRemovingFormulasKeepsTheIndexConsistent) {
    TDependencyIndex idx;
    TPrecedent p[] = {cell(idx, 1, 1), range(idx, 1, 1, 1, 100), range(idx, 1, 1, 2, 2)};
    idx.SetFormula(3, 1, p);
    TPrecedent q[] = {cell(idx, 2, 2)};
    idx.SetFormula(3, 1, q);  // replaces all three precedents
    EXPECT_TRUE(idx.CheckConsistency());
    std::vector<TFormulaNode> deps;
    idx.DirectDependents(1, 50, deps);
    EXPECT_TRUE(deps.empty());
    idx.DirectDependents(2, 2, deps);
    EXPECT_EQ(deps.size(), 1u);
    idx.RemoveFormula(3, 1);
    deps.clear();
    idx.DirectDependents(2, 2, deps);
    EXPECT_TRUE(deps.empty());
    EXPECT_EQ(idx.FormulaCount(), 0);
    EXPECT_TRUE(idx.CheckConsistency());
}

TEST(DependencyIndex, DestroyingEitherSideDetaches) {
    for (int order = 0; order < 2; ++order) {
        SCOPED_TRACE(order);
        auto* a = new TDependencyIndex;
        auto* b = new TDependencyIndex;
        TPrecedent pa[] = {cell(*b, 1, 1)};   // a!A1 reads b!A1
        a->SetFormula(1, 1, pa);
        TPrecedent pb[] = {range(*a, 1, 1, 1, 500)};  // b!B1 reads a!A1:A500
        b->SetFormula(2, 1, pb);
        TDependencyIndex* gone = order == 0 ? a : b;
        TDependencyIndex* kept = order == 0 ? b : a;
        delete gone;
        EXPECT_TRUE(kept->CheckConsistency());
        std::vector<TFormulaNode> deps;
        kept->DirectDependents(1, 1, deps);
        EXPECT_TRUE(deps.empty());
        for (const auto& p : kept->Precedents(order == 0 ? 2 : 1, 1)) EXPECT_NE(p.Index, gone);
        kept->RemoveAllFormulas();
        delete kept;
    }
}

TEST(DependencyIndex, MillionCellChainNeedsNoDeepRecursion) {
    TDependencyIndex idx;
    const int n = 1000000;
    for (int r = 2; r <= n; ++r) {
        TPrecedent p[] = {cell(idx, 1, r - 1)};
        idx.SetFormula(1, r, p);
    }
    TEvalPlan all = idx.PlanAll();
    ASSERT_EQ(all.Order.size(), size_t(n - 1));
    EXPECT_EQ(all.Order.front().Row, 2);
    EXPECT_EQ(all.Order.back().Row, n);
    TFormulaNode first[] = {{&idx, 1, 1}};
    TEvalPlan change = TDependencyIndex::PlanForChange(first);
    ASSERT_EQ(change.Order.size(), size_t(n - 1));
    for (size_t i = 1; i < change.Order.size(); ++i) ASSERT_LT(change.Order[i - 1].Row, change.Order[i].Row);
}

TEST(DependencyIndex, ReversePartIsBuiltOnDemandAndKeptCurrent) {
    for (bool buildFirst : {false, true}) {
        SCOPED_TRACE(buildFirst);
        auto* a = new TDependencyIndex;
        auto* b = new TDependencyIndex;
        TPrecedent pa[] = {cell(*b, 1, 1), range(*a, 2, 1, 2, 100)};  // a!A1 reads b!A1 and a!B1:B100
        a->SetFormula(1, 1, pa);
        TPrecedent pb[] = {cell(*b, 1, 1)};  // b!B1 reads b!A1
        b->SetFormula(2, 1, pb);
        if (buildFirst) {
            std::vector<TFormulaNode> deps;
            b->DirectDependents(1, 1, deps);  // builds b's reverse part
            EXPECT_EQ(deps.size(), 2u);
        }
        // A whole-sheet plan needs no reverse part; later edits keep it current.
        EXPECT_EQ(a->PlanAll().Order.size(), 1u);
        TPrecedent pa2[] = {cell(*b, 2, 1)};
        a->SetFormula(1, 1, pa2);
        TFormulaNode changed[] = {{b, 1, 1}};
        TEvalPlan plan = TDependencyIndex::PlanForChange(changed);
        ASSERT_EQ(plan.Order.size(), 2u);  // b!B1, then a!A1 through it
        EXPECT_EQ(plan.Order[0], (TFormulaNode{b, 2, 1}));
        EXPECT_EQ(plan.Order[1], (TFormulaNode{a, 1, 1}));
        EXPECT_TRUE(a->CheckConsistency());
        EXPECT_TRUE(b->CheckConsistency());
        delete b;
        EXPECT_TRUE(a->CheckConsistency());
        EXPECT_TRUE(a->Precedents(1, 1).empty());
        delete a;
    }
}

// ---------------------------------------------------------------------------
// Random sheets against a brute-force reference, with the acyclic fast path on
// and off.

namespace {

struct TRandomFormula {
    int Sheet, Col, Row;
    std::vector<std::pair<int, TGridRect>> Reads;  // (sheet, rect)
};

// Formula cells on a few columns (one of them far to the right, beyond the
// columns that get per-column arrays), reading single cells, small ranges,
// tall ranges, and ranges wider than a column list takes.
std::vector<TRandomFormula> randomSheet(std::mt19937& rng, int sheets, int formulas, bool allowBackward) {
    const int cols[] = {1, 2, 3, 5, 40000};
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    std::vector<TRandomFormula> out;
    std::set<std::tuple<int, int, int>> used;
    while (int(out.size()) < formulas) {
        TRandomFormula f{pick(sheets), cols[pick(5)], 1 + pick(40), {}};
        if (!used.insert({f.Sheet, f.Col, f.Row}).second) continue;
        const int reads = pick(allowBackward ? 4 : 6);
        for (int k = 0; k < reads; ++k) {
            const int sheet = pick(4) == 0 ? pick(sheets) : f.Sheet;
            const int col = cols[pick(5)];
            // Without backward reads every read covers earlier rows only, so
            // no cycle can form.
            const int maxRow = allowBackward ? 40 : std::max(1, f.Row - 1);
            const int row = 1 + pick(maxRow);
            TGridRect r{col, row, col, row};
            switch (pick(6)) {
            case 0: r.Bottom = row + pick(3); r.Right = col + pick(2); break;  // small range
            case 1: r.Bottom = row + 10 + pick(20); break;                    // tall range
            case 2: r.Left = 0; r.Right = 100; r.Bottom = row + pick(3); break;  // wide range
            default: break;
            }
            if (!allowBackward && r.Bottom >= f.Row) {
                if (f.Row == 1) continue;
                r.Bottom = f.Row - 1;
                r.Top = std::min(r.Top, r.Bottom);
            }
            f.Reads.push_back({sheet, r});
        }
        out.push_back(f);
    }
    return out;
}

// Brute force: node k reads node j when a rect of k holds j's cell.
struct TReference {
    std::vector<std::vector<int>> Reads;  // k -> nodes k reads
    std::vector<std::vector<char>> Reach; // Reach[a][b]: b is reached from a over "is read by" (1+ steps)

    explicit TReference(const std::vector<TRandomFormula>& fs) : Reads(fs.size()) {
        const size_t n = fs.size();
        for (size_t k = 0; k < n; ++k)
            for (size_t j = 0; j < n; ++j)
                for (const auto& [sheet, r] : fs[k].Reads)
                    if (sheet == fs[j].Sheet && r.Contains(fs[j].Col, fs[j].Row)) {
                        Reads[k].push_back(int(j));
                        break;
                    }
        Reach.assign(n, std::vector<char>(n, 0));
        for (size_t k = 0; k < n; ++k)
            for (int j : Reads[k]) Reach[size_t(j)][k] = 1;
        for (size_t m = 0; m < n; ++m)
            for (size_t a = 0; a < n; ++a)
                if (Reach[a][m])
                    for (size_t b = 0; b < n; ++b)
                        if (Reach[m][b]) Reach[a][b] = 1;
    }
    bool OnCycle(size_t k) const { return Reach[k][k] != 0; }
    bool SameComponent(size_t a, size_t b) const { return a == b || (Reach[a][b] && Reach[b][a]); }
};

class TRandomSheets {
public:
    explicit TRandomSheets(int sheets) {
        for (int s = 0; s < sheets; ++s) Indexes.push_back(std::make_unique<TDependencyIndex>());
    }
    void Set(const TRandomFormula& f) {
        std::vector<TPrecedent> p;
        for (const auto& [sheet, r] : f.Reads) p.push_back(TPrecedent{Indexes[size_t(sheet)].get(), r});
        Indexes[size_t(f.Sheet)]->SetFormula(f.Col, f.Row, p);
    }
    TFormulaNode Node(const TRandomFormula& f) const { return TFormulaNode{Indexes[size_t(f.Sheet)].get(), f.Col, f.Row}; }
    std::vector<std::unique_ptr<TDependencyIndex>> Indexes;
};

// Restores the fast path when a test ends.
struct TFastPath {
    explicit TFastPath(bool on) { TDependencyIndex::SetAcyclicFastPath(on); }
    ~TFastPath() { TDependencyIndex::SetAcyclicFastPath(true); }
};

// Checks a plan against the reference: exactly the expected cells, once each;
// cyclic flags exactly on cycles; each cell after every cell it reads unless
// both lie on one cycle.
void expectPlanMatches(const TEvalPlan& plan, const std::vector<TRandomFormula>& fs, const TRandomSheets& sh,
                       const TReference& ref, const std::vector<char>& expected) {
    ASSERT_EQ(plan.Order.size(), plan.Cyclic.size());
    std::vector<long> pos(fs.size(), -1);
    for (size_t i = 0; i < plan.Order.size(); ++i) {
        size_t k = 0;
        while (k < fs.size() && !(sh.Node(fs[k]) == plan.Order[i])) ++k;
        ASSERT_LT(k, fs.size()) << "a cell that holds no formula";
        ASSERT_EQ(pos[k], -1) << "planned twice: " << fs[k].Col << "," << fs[k].Row;
        pos[k] = long(i);
        EXPECT_EQ(plan.Cyclic[i], ref.OnCycle(k)) << fs[k].Col << "," << fs[k].Row;
    }
    for (size_t k = 0; k < fs.size(); ++k) {
        EXPECT_EQ(pos[k] >= 0, expected[k] != 0) << fs[k].Col << "," << fs[k].Row;
        if (pos[k] < 0) continue;
        for (int j : ref.Reads[k])
            if (pos[size_t(j)] >= 0 && !ref.SameComponent(k, size_t(j))) {
                EXPECT_LT(pos[size_t(j)], pos[k]);
            }
    }
}

bool samePlan(const TEvalPlan& a, const TEvalPlan& b) { return a.Order == b.Order && a.Cyclic == b.Cyclic; }

} // namespace

TEST(DependencyIndexRandom, PlansMatchTheReferenceWithAndWithoutTheFastPath) {
    std::mt19937 rng(20261211);
    for (int round = 0; round < 120; ++round) {
        const int sheets = 1 + round % 2;
        const bool cycles = round % 3 != 0;
        SCOPED_TRACE(testing::Message() << "round " << round << " sheets " << sheets << " cycles " << cycles);
        const auto fs = randomSheet(rng, sheets, 30 + int(rng() % 30), cycles);
        TRandomSheets sh(sheets);
        for (const auto& f : fs) sh.Set(f);
        const TReference ref(fs);

        // Whole-sheet plans of the first index: only its own cells, each after
        // what it reads there.
        std::vector<TRandomFormula> own;
        for (const auto& f : fs)
            if (f.Sheet == 0) {
                own.push_back(f);
                std::erase_if(own.back().Reads, [](const auto& r) { return r.first != 0; });
            }
        const TReference ownRef(own);
        TEvalPlan all[2];
        for (int fast = 0; fast < 2; ++fast) {
            TFastPath mode(fast != 0);
            all[fast] = sh.Indexes[0]->PlanAll();
            expectPlanMatches(all[fast], own, sh, ownRef, std::vector<char>(own.size(), 1));
        }
        bool ownCycle = false;
        for (size_t k = 0; k < own.size(); ++k) ownCycle |= ownRef.OnCycle(k);
        if (!ownCycle) {
            EXPECT_TRUE(samePlan(all[0], all[1])) << "the fast path changed the order";
        }

        // Plans of a change of a random cell (with or without a formula).
        for (int change = 0; change < 4; ++change) {
            const TRandomFormula& at = fs[rng() % fs.size()];
            const TFormulaNode changed[] = {change % 2 ? sh.Node(at) : TFormulaNode{sh.Indexes[0].get(), 1, 1 + int(rng() % 40)}};
            std::vector<char> expected(fs.size(), 0);
            bool cycleReached = false;
            for (size_t k = 0; k < fs.size(); ++k) {
                for (const auto& [sheet, r] : fs[k].Reads)
                    if (sh.Indexes[size_t(sheet)].get() == changed[0].Index && r.Contains(changed[0].Col, changed[0].Row))
                        expected[k] = 1;
            }
            for (size_t k = 0; k < fs.size(); ++k)
                if (expected[k])
                    for (size_t j = 0; j < fs.size(); ++j)
                        if (ref.Reach[k][j]) expected[j] = 2;
            for (size_t k = 0; k < fs.size(); ++k) cycleReached |= expected[k] && ref.OnCycle(k);
            TEvalPlan plans[2];
            for (int fast = 0; fast < 2; ++fast) {
                TFastPath mode(fast != 0);
                plans[fast] = TDependencyIndex::PlanForChange(changed);
                expectPlanMatches(plans[fast], fs, sh, ref, expected);
            }
            if (!cycleReached) {
                EXPECT_TRUE(samePlan(plans[0], plans[1])) << "the fast path changed the order";
            }
        }
        for (const auto& idx : sh.Indexes) EXPECT_TRUE(idx->CheckConsistency());
    }
}

TEST(DependencyIndexRandom, EditsAfterTheReversePartIsBuiltGiveTheSamePlansAsAFreshIndex) {
    // The reverse part of a sheet is built once, then kept current through
    // replaced, removed and new formulas (new cells outside the rows a column
    // array covers, big ranges added and dropped).  Plans must equal those of
    // sheets built from scratch with the final formulas.
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int sheets = 2;
        auto fs = randomSheet(rng, sheets, 40, round % 2 == 0);
        TRandomSheets live(sheets);
        for (const auto& f : fs) live.Set(f);
        for (const auto& f : fs) {  // builds the reverse parts
            std::vector<TFormulaNode> deps;
            live.Indexes[size_t(f.Sheet)]->DirectDependents(f.Col, f.Row, deps);
        }
        for (int edit = 0; edit < 60; ++edit) {
            const size_t k = rng() % fs.size();
            if (rng() % 4 == 0) {
                live.Indexes[size_t(fs[k].Sheet)]->RemoveFormula(fs[k].Col, fs[k].Row);
                fs.erase(fs.begin() + long(k));
                continue;
            }
            auto more = randomSheet(rng, sheets, 1, true);
            more[0].Row += int(rng() % 3) * 100;  // sometimes far below the rest
            TRandomFormula f = more[0];
            if (rng() % 2 == 0) {  // replace an existing formula's reads instead
                f.Sheet = fs[k].Sheet;
                f.Col = fs[k].Col;
                f.Row = fs[k].Row;
                fs[k] = f;
            } else {
                bool clash = false;
                for (const auto& g : fs) clash |= g.Sheet == f.Sheet && g.Col == f.Col && g.Row == f.Row;
                if (clash) continue;
                fs.push_back(f);
            }
            live.Set(f);
        }
        TRandomSheets fresh(sheets);
        for (const auto& f : fs) fresh.Set(f);
        for (const auto& idx : live.Indexes) EXPECT_TRUE(idx->CheckConsistency());
        // Same cells reached from every formula and from cells without one;
        // the orders may differ (entries come in another order), so compare
        // as sets with their flags.
        auto asSet = [&](const TEvalPlan& p, const TRandomSheets& sh) {
            std::set<std::tuple<int, int, int, bool>> out;
            for (size_t i = 0; i < p.Order.size(); ++i) {
                int sheet = 0;
                while (sh.Indexes[size_t(sheet)].get() != p.Order[i].Index) ++sheet;
                out.insert({sheet, p.Order[i].Col, p.Order[i].Row, p.Cyclic[i]});
            }
            return out;
        };
        auto compare = [&] {
            for (int sheet = 0; sheet < sheets; ++sheet)
                for (int col : {1, 2, 3, 5, 40000})
                    for (int row = 1; row <= 340; row += 3) {
                        const TFormulaNode a[] = {{live.Indexes[size_t(sheet)].get(), col, row}};
                        const TFormulaNode b[] = {{fresh.Indexes[size_t(sheet)].get(), col, row}};
                        ASSERT_EQ(asSet(TDependencyIndex::PlanForChange(a), live),
                                  asSet(TDependencyIndex::PlanForChange(b), fresh))
                            << sheet << " " << col << "," << row;
                        ASSERT_EQ(live.Indexes[size_t(sheet)]->HasDependents(col, row),
                                  fresh.Indexes[size_t(sheet)]->HasDependents(col, row));
                    }
        };
        compare();
        // The second sheet drops all its formulas; what the first reads of it stays.
        live.Indexes[1]->RemoveAllFormulas();
        fresh.Indexes[1]->RemoveAllFormulas();
        for (const auto& idx : live.Indexes) EXPECT_TRUE(idx->CheckConsistency());
        compare();
    }
}
