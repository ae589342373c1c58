#include "DependencyIndex.h"

#include <gtest/gtest.h>

#include <map>
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
