// The dependency index of the spreadsheet grids: for every formula cell, the
// cells and ranges its formula reads, and for every cell, the formula cells that
// read it.  It answers the two questions recalculation asks:
//   - in which order must all formula cells of one grid be evaluated, so that each
//     is evaluated once and after every formula cell it reads;
//   - which formula cells depend (transitively, across bound grids) on a changed
//     cell, and in which order must they be re-evaluated.
// Cycles are found as strongly connected components: every cell on a true cycle
// is reported, and no other cell is.
//
// One index belongs to each grid.  A formula in one grid that reads cells of
// another grid records its precedents in the other grid's index, so the indexes
// refer to each other; an index that is destroyed detaches itself from all of
// them.
//
// Memory: a formula cell costs one node record plus one entry per precedent;
// small ranges (up to kSmallRangeCells cells) are expanded into single-cell
// entries of the reverse map, larger ranges are kept whole, so =SUM(A1:A100000)
// costs one entry.  A column whose read cells lie close together keeps the
// first reverse entry of each of its rows in a plain array, other cells in a
// hash map; big ranges are listed under the columns they cover.
//
// Speed: planning visits each reached cell once with no allocation per cell
// (the search buffers are kept between plans) and no hashing where the column
// arrays apply.  A plain depth-first search plans everything that reaches no
// cycle; the strongly-connected-components search runs only once a cycle is
// met.  Indexes and plans are used from one thread.
#pragma once

#include "Types.h"

#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

class TDependencyIndex;

// One cell or range a formula reads.  Index is the index of the grid that holds
// the cells (the formula's own grid or another one).
struct TPrecedent {
    TDependencyIndex* Index = nullptr;
    TGridRect Rect;
};

// A formula cell: the index of its grid and its position there.
struct TFormulaNode {
    TDependencyIndex* Index = nullptr;
    int32_t Col = 0;
    int32_t Row = 0;
    friend bool operator==(const TFormulaNode&, const TFormulaNode&) = default;
};

// The result of planning: the cells to evaluate in order, and which of them lie
// on a cycle (parallel to Order).
struct TEvalPlan {
    std::vector<TFormulaNode> Order;
    std::vector<bool> Cyclic;
};

class TDependencyIndex {
public:
    static constexpr int64_t kSmallRangeCells = 16;

    explicit TDependencyIndex(void* owner = nullptr);
    ~TDependencyIndex();
    TDependencyIndex(const TDependencyIndex&) = delete;
    TDependencyIndex& operator=(const TDependencyIndex&) = delete;

    // The grid this index belongs to, for callers that map nodes back to grids.
    void* Owner() const { return owner_; }

    // Records that (col, row) holds a formula reading precs, replacing what was
    // recorded for that cell before.  Precedents whose Index is null are dropped.
    void SetFormula(int32_t col, int32_t row, std::span<const TPrecedent> precs);
    // Capacity hints before many SetFormula calls (a load): avoids the peaks of
    // repeated growth.
    void Reserve(size_t formulas, size_t precedents, size_t reverseEntries);
    // Forgets the formula of (col, row), if any.
    void RemoveFormula(int32_t col, int32_t row);
    // Forgets every formula of this grid (records other grids' formulas keep in
    // this index stay).
    void RemoveAllFormulas();

    bool HasFormula(int32_t col, int32_t row) const;
    int32_t FormulaCount() const { return liveNodes_; }
    // The recorded precedents of a formula cell (empty when it has none).
    std::vector<TPrecedent> Precedents(int32_t col, int32_t row) const;

    // Formula cells (in any index) that read (col, row) of this index directly.
    void DirectDependents(int32_t col, int32_t row, std::vector<TFormulaNode>& out) const;

    // Every formula cell of this index, ordered so that each comes after every
    // formula cell of this index it reads.  Cells of other grids are not included.
    TEvalPlan PlanAll();

    // The formula cells that depend on the changed cells, transitively and across
    // indexes, in evaluation order.  The changed cells themselves are included
    // only when they depend on one another (e.g. on a cycle) — re-evaluating a
    // changed formula cell itself is the caller's business.
    static TEvalPlan PlanForChange(std::span<const TFormulaNode> changed);

    // The formula cells of other indexes that read this index, and everything
    // that depends on them (in any index, this one included), in evaluation
    // order.  Used after a whole grid was recalculated, so that bound grids
    // catch up and cycles through several grids are found.
    TEvalPlan PlanForExternalDependents();

    // True when some formula (in any index) reads (col, row) of this index.
    bool HasDependents(int32_t col, int32_t row) const;

    // Calls f for every formula cell of this index (in no particular order).
    void ForEachFormula(const std::function<void(int32_t col, int32_t row)>& f) const;

    // Consistency check for tests: reverse entries and forward lists agree.
    bool CheckConsistency() const;

    // Planning first tries a plain depth-first search, which is enough when the
    // cells it reaches hold no cycle, and runs the cycle search only when it
    // meets one.  Off: every plan runs the cycle search (tests compare the two).
    static void SetAcyclicFastPath(bool on);
    static bool AcyclicFastPath();

private:
    struct Node;
    struct RevEntry;
    struct BigRange;
    struct PlanScratch;
    class CellMap;
    class CellHeads;
    using Ref = std::pair<TDependencyIndex*, int32_t>;

    int32_t findNode(int32_t col, int32_t row) const;
    int32_t addNode(int32_t col, int32_t row);
    void unlinkPrecedents(int32_t nodeId);
    void addReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode);
    void removeReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode);
    void dropPrecedentsInto(TDependencyIndex* gone);
    void purgeDependentsIn(const TDependencyIndex* dst);
    void directDependentIds(int32_t col, int32_t row, std::vector<Ref>& out) const;
    template <typename Out>
    void appendDependents(int32_t col, int32_t row, Out& out) const;
    template <typename Out>
    void appendBigDependents(int32_t col, int32_t row, Out& out) const;
    // The reverse part (who reads a cell) is built on first use: a whole-sheet
    // recalculation only needs the forward lists, so a load followed by a
    // recalculation never pays for it.  Once built it is kept current.
    void ensureReverse() const;
    void buildReverse();
    void noteReader(TDependencyIndex* reader);
    // Formula nodes of this index inside rect, through a column-sorted view.
    template <typename Out>
    void formulaNodesIn(const TGridRect& rect, Out& out) const;
    void buildColumnView() const;
    // findNode through the column view (which must be current).
    int32_t nodeInView(int32_t col, int32_t row) const;
    // Big ranges by column: narrow ranges are listed under each of their
    // columns, wide ones in one list every look-up scans.
    void indexBigRange(int32_t k) const;
    void buildBigIndex() const;

    // Depth-first search from roots (restricted to one index when restrictTo is
    // set).  Fast: plain post-order, giving up (false) at the first cycle;
    // otherwise Tarjan's strongly connected components.  emit(ref, cyclic) gets
    // every reached node once, after everything reachable from it.
    template <bool Fast, typename Successors, typename Emit>
    static bool search(std::span<const Ref> roots, const TDependencyIndex* restrictTo,
                       Successors&& successors, Emit&& emit);
    static PlanScratch& scratch();
    // Over the "is read by" graph: the plan for everything reachable from roots.
    static TEvalPlan planReachable(std::span<const Ref> roots);

    void* owner_;
    std::vector<Node> nodes_;
    std::vector<int32_t> freeNodes_;
    int32_t liveNodes_ = 0;
    std::vector<TPrecedent> precPool_;
    size_t precGarbage_ = 0;
    std::vector<RevEntry> revPool_;
    std::vector<int32_t> freeRev_;
    std::vector<BigRange> bigRanges_;
    size_t bigGarbage_ = 0;
    CellMap* nodeMap_;     // (col, row) -> node id
    CellHeads* revHeads_;  // (col, row) -> first reverse entry
    mutable bool reverseBuilt_ = false;
    // Indexes with formulas that read this one (this one included when its own
    // formulas do); kept whether or not the reverse part is built.
    std::vector<TDependencyIndex*> readers_;
    // Indexes this one registered with as a reader (this one included).
    std::vector<TDependencyIndex*> sources_;
    void removeReader(TDependencyIndex* reader);
    // Column-sorted view of the live nodes, rebuilt when nodes were added or
    // removed: byCol_ holds the node ids by column and row, one ColumnView per
    // column with formulas; colSlot_ finds a column's view.  A column whose
    // formulas lie close together also maps its rows to node ids directly.
    struct ColumnView {
        int32_t Col;
        uint32_t Begin, End;  // byCol_[Begin, End)
        int32_t Lo;           // first row of the dense map
        uint32_t DenseBegin;  // rows Lo.. in denseIds_[DenseBegin, DenseBegin + DenseSize)
        uint32_t DenseSize;   // 0: no dense map
    };
    mutable std::vector<int32_t> byCol_;
    mutable std::vector<ColumnView> colViews_;
    mutable std::vector<int32_t> colSlot_;
    mutable std::vector<int32_t> denseIds_;
    mutable bool columnViewValid_ = false;
    // Positions in bigRanges_, ascending: per column for narrow ranges, and the wide ones.
    mutable std::vector<std::vector<int32_t>> bigByCol_;
    mutable std::vector<int32_t> bigWide_;
    mutable bool bigIndexValid_ = false;
};
