#include "DependencyIndex.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

uint64_t cellKey(int32_t col, int32_t row) {
    return (uint64_t(uint32_t(col)) << 32) | uint64_t(uint32_t(row));
}

int64_t rectCells(const TGridRect& r) {
    return (int64_t(r.Right) - r.Left + 1) * (int64_t(r.Bottom) - r.Top + 1);
}

TGridRect normalized(TGridRect r) {
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    return r;
}

// A stamp shared by all indexes, so that one plan can mark nodes of several
// indexes without clearing anything beforehand.
uint32_t g_planStamp = 0;

} // namespace

// Open-addressing hash map from a cell key to a 32-bit value (linear probing,
// backward-shift deletion).  Far smaller than a node-based map for the hundreds
// of thousands of entries a large sheet has.
class TDependencyIndex::CellMap {
public:
    static constexpr uint64_t kEmpty = std::numeric_limits<uint64_t>::max();

    int32_t Find(uint64_t key) const {
        if (slots_.empty()) return -1;
        size_t mask = slots_.size() - 1;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            const Slot& s = slots_[i];
            if (s.Key() == key) return s.Value;
            if (s.Key() == kEmpty) return -1;
        }
    }

    // Returns a reference to the value of key, inserting it with def when missing.
    int32_t& Upsert(uint64_t key, int32_t def) {
        if ((count_ + 1) * 5 >= slots_.size() * 4) grow(slots_.empty() ? 64 : slots_.size() * 2);
        size_t mask = slots_.size() - 1;
        for (size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            Slot& s = slots_[i];
            if (s.Key() == key) return s.Value;
            if (s.Key() == kEmpty) {
                s.SetKey(key);
                s.Value = def;
                ++count_;
                return s.Value;
            }
        }
    }

    // Makes room for n keys without rehashing.
    void Reserve(size_t n) {
        size_t want = 64;
        while (want * 4 <= n * 5) want *= 2;
        if (want > slots_.size()) grow(want);
    }

    void Erase(uint64_t key) {
        if (slots_.empty()) return;
        size_t mask = slots_.size() - 1;
        size_t i = hash(key) & mask;
        while (true) {
            if (slots_[i].Key() == kEmpty) return;
            if (slots_[i].Key() == key) break;
            i = (i + 1) & mask;
        }
        // Shift later entries of the probe run back into the hole.
        size_t hole = i;
        for (size_t j = (hole + 1) & mask; slots_[j].Key() != kEmpty; j = (j + 1) & mask) {
            size_t home = hash(slots_[j].Key()) & mask;
            bool movable = (hole <= j) ? (home <= hole || home > j) : (home <= hole && home > j);
            if (movable) {
                slots_[hole] = slots_[j];
                hole = j;
            }
        }
        slots_[hole].SetKey(kEmpty);
        --count_;
    }

    void Clear() {
        slots_.clear();
        slots_.shrink_to_fit();
        count_ = 0;
    }

    template <typename F>
    void ForEach(F&& f) const {
        for (const Slot& s : slots_)
            if (s.Key() != kEmpty) f(s.Key(), s.Value);
    }

private:
    // 12 bytes: the key as two 32-bit halves keeps the slot free of padding.
    struct Slot {
        uint32_t Hi = 0xFFFFFFFFu;
        uint32_t Lo = 0xFFFFFFFFu;
        int32_t Value = -1;
        uint64_t Key() const { return (uint64_t(Hi) << 32) | Lo; }
        void SetKey(uint64_t k) {
            Hi = uint32_t(k >> 32);
            Lo = uint32_t(k);
        }
    };

    static size_t hash(uint64_t x) {
        x += 0x9E3779B97F4A7C15ull;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
        return size_t(x ^ (x >> 31));
    }

    void grow(size_t newSize) {
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(newSize, Slot{});
        count_ = 0;
        size_t mask = slots_.size() - 1;
        for (const Slot& s : old) {
            if (s.Key() == kEmpty) continue;
            size_t i = hash(s.Key()) & mask;
            while (slots_[i].Key() != kEmpty) i = (i + 1) & mask;
            slots_[i] = s;
            ++count_;
        }
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
};

struct TDependencyIndex::Node {
    int32_t Col = 0;
    int32_t Row = 0;
    uint32_t PrecBegin = 0;
    uint32_t PrecCount = 0;
    bool Alive = false;
    // Scratch state of the cycle search, valid while Stamp equals the plan's stamp.
    bool OnStack = false;
    bool SelfLoop = false;
    uint32_t Stamp = 0;
    int32_t TIndex = 0;
    int32_t TLow = 0;
};

struct TDependencyIndex::RevEntry {
    TDependencyIndex* Dst = nullptr;
    int32_t DstNode = -1;
    int32_t Next = -1;
};

struct TDependencyIndex::BigRange {
    TGridRect Rect;
    TDependencyIndex* Dst = nullptr;
    int32_t DstNode = -1;  // -1: removed
};

TDependencyIndex::TDependencyIndex(void* owner)
    : owner_(owner), nodeMap_(new CellMap), revHeads_(new CellMap) {}

TDependencyIndex::~TDependencyIndex() {
    // Indexes this one's formulas read lose their reverse entries pointing here;
    // indexes whose formulas read this one lose their precedents into it.
    for (TDependencyIndex* src : sources_) {
        if (src == this) continue;
        if (src->reverseBuilt_) src->purgeDependentsIn(this);
        src->removeReader(this);
    }
    for (TDependencyIndex* d : readers_)
        if (d != this) d->dropPrecedentsInto(this);
    delete nodeMap_;
    delete revHeads_;
}

void TDependencyIndex::noteReader(TDependencyIndex* reader) {
    if (!readers_.empty() && readers_.back() == reader) return;
    if (std::find(readers_.begin(), readers_.end(), reader) == readers_.end()) {
        readers_.push_back(reader);
        reader->sources_.push_back(this);
    }
}

void TDependencyIndex::removeReader(TDependencyIndex* reader) {
    std::erase(readers_, reader);
}

// Removes, in one pass, every reverse entry whose formula lies in dst.
void TDependencyIndex::purgeDependentsIn(const TDependencyIndex* dst) {
    std::vector<std::pair<uint64_t, int32_t>> heads;
    revHeads_->ForEach([&](uint64_t k, int32_t h) { heads.emplace_back(k, h); });
    for (auto& [key, head] : heads) {
        int32_t newHead = head;
        int32_t prev = -1;
        for (int32_t e = head; e >= 0;) {
            int32_t next = revPool_[size_t(e)].Next;
            if (revPool_[size_t(e)].Dst == dst) {
                if (prev < 0) newHead = next; else revPool_[size_t(prev)].Next = next;
                revPool_[size_t(e)] = RevEntry{};
                freeRev_.push_back(e);
            } else {
                prev = e;
            }
            e = next;
        }
        if (newHead < 0) revHeads_->Erase(key);
        else if (newHead != head) revHeads_->Upsert(key, -1) = newHead;
    }
    std::erase_if(bigRanges_, [&](const BigRange& b) { return b.Dst == dst || b.DstNode < 0; });
    bigGarbage_ = 0;
}

int32_t TDependencyIndex::findNode(int32_t col, int32_t row) const {
    return nodeMap_->Find(cellKey(col, row));
}

int32_t TDependencyIndex::addNode(int32_t col, int32_t row) {
    int32_t& slot = nodeMap_->Upsert(cellKey(col, row), -1);
    if (slot >= 0) return slot;
    int32_t id;
    if (!freeNodes_.empty()) {
        id = freeNodes_.back();
        freeNodes_.pop_back();
    } else {
        id = int32_t(nodes_.size());
        nodes_.emplace_back();
    }
    slot = id;
    columnViewValid_ = false;
    Node& n = nodes_[size_t(id)];
    n = Node{};
    n.Col = col;
    n.Row = row;
    n.Alive = true;
    ++liveNodes_;
    return id;
}

void TDependencyIndex::Reserve(size_t formulas, size_t precedents, size_t reverseEntries) {
    nodes_.reserve(nodes_.size() + formulas);
    nodeMap_->Reserve(size_t(liveNodes_) + formulas);
    precPool_.reserve(precPool_.size() + precedents);
    revPool_.reserve(revPool_.size() + reverseEntries);
}

bool TDependencyIndex::HasFormula(int32_t col, int32_t row) const { return findNode(col, row) >= 0; }

void TDependencyIndex::addReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode) {
    if (rectCells(rect) <= kSmallRangeCells) {
        for (int32_t c = rect.Left; c <= rect.Right; ++c) {
            for (int32_t r = rect.Top; r <= rect.Bottom; ++r) {
                int32_t e;
                if (!freeRev_.empty()) {
                    e = freeRev_.back();
                    freeRev_.pop_back();
                } else {
                    e = int32_t(revPool_.size());
                    revPool_.emplace_back();
                }
                int32_t& head = revHeads_->Upsert(cellKey(c, r), -1);
                revPool_[size_t(e)] = RevEntry{dstIndex, dstNode, head};
                head = e;
            }
        }
    } else {
        bigRanges_.push_back(BigRange{rect, dstIndex, dstNode});
    }
}

void TDependencyIndex::removeReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode) {
    if (rectCells(rect) <= kSmallRangeCells) {
        for (int32_t c = rect.Left; c <= rect.Right; ++c) {
            for (int32_t r = rect.Top; r <= rect.Bottom; ++r) {
                uint64_t key = cellKey(c, r);
                int32_t head = revHeads_->Find(key);
                int32_t prev = -1;
                for (int32_t e = head; e >= 0; e = revPool_[size_t(e)].Next) {
                    RevEntry& re = revPool_[size_t(e)];
                    if (re.Dst == dstIndex && re.DstNode == dstNode) {
                        if (prev < 0) {
                            if (re.Next < 0) revHeads_->Erase(key);
                            else revHeads_->Upsert(key, -1) = re.Next;
                        } else {
                            revPool_[size_t(prev)].Next = re.Next;
                        }
                        re = RevEntry{};
                        freeRev_.push_back(e);
                        break;
                    }
                    prev = e;
                }
            }
        }
    } else {
        for (BigRange& b : bigRanges_) {
            if (b.DstNode == dstNode && b.Dst == dstIndex && b.Rect == rect) {
                b.DstNode = -1;
                ++bigGarbage_;
                break;
            }
        }
        if (bigGarbage_ > 64 && bigGarbage_ * 2 > bigRanges_.size()) {
            std::erase_if(bigRanges_, [](const BigRange& b) { return b.DstNode < 0; });
            bigGarbage_ = 0;
        }
    }
}

void TDependencyIndex::unlinkPrecedents(int32_t nodeId) {
    Node& n = nodes_[size_t(nodeId)];
    for (uint32_t k = 0; k < n.PrecCount; ++k) {
        const TPrecedent& p = precPool_[n.PrecBegin + k];
        if (p.Index && p.Index->reverseBuilt_) p.Index->removeReverse(p.Rect, this, nodeId);
    }
    precGarbage_ += n.PrecCount;
    n.PrecCount = 0;
}

void TDependencyIndex::SetFormula(int32_t col, int32_t row, std::span<const TPrecedent> precs) {
    int32_t id = addNode(col, row);
    unlinkPrecedents(id);
    if (precGarbage_ > 4096 && precGarbage_ * 2 > precPool_.size()) {
        std::vector<TPrecedent> pool;
        pool.reserve(precPool_.size() - precGarbage_ + precs.size());
        for (Node& n : nodes_) {
            if (!n.Alive) continue;
            uint32_t begin = uint32_t(pool.size());
            for (uint32_t k = 0; k < n.PrecCount; ++k) pool.push_back(precPool_[n.PrecBegin + k]);
            n.PrecBegin = begin;
        }
        precPool_.swap(pool);
        precGarbage_ = 0;
    }
    Node& n = nodes_[size_t(id)];
    n.PrecBegin = uint32_t(precPool_.size());
    for (const TPrecedent& p : precs) {
        if (!p.Index) continue;
        TPrecedent q{p.Index, normalized(p.Rect)};
        precPool_.push_back(q);
        q.Index->noteReader(this);
        if (q.Index->reverseBuilt_) q.Index->addReverse(q.Rect, this, id);
    }
    nodes_[size_t(id)].PrecCount = uint32_t(precPool_.size()) - nodes_[size_t(id)].PrecBegin;
}

void TDependencyIndex::RemoveFormula(int32_t col, int32_t row) {
    int32_t id = findNode(col, row);
    if (id < 0) return;
    unlinkPrecedents(id);
    nodes_[size_t(id)].Alive = false;
    columnViewValid_ = false;
    nodeMap_->Erase(cellKey(col, row));
    freeNodes_.push_back(id);
    --liveNodes_;
}

void TDependencyIndex::RemoveAllFormulas() {
    // Bulk removal: purge the reverse entries of this index's formulas from each
    // index they read in one pass each, instead of one unlink per precedent.
    for (TDependencyIndex* src : sources_) {
        if (src->reverseBuilt_) src->purgeDependentsIn(this);
        src->removeReader(this);
    }
    sources_.clear();
    columnViewValid_ = false;
    // With no other index reading this one, the reverse part is empty now:
    // drop it, so that the next whole-sheet plan does not maintain it.
    std::erase(readers_, this);
    if (readers_.empty() && reverseBuilt_) {
        revPool_.clear();
        revPool_.shrink_to_fit();
        freeRev_.clear();
        revHeads_->Clear();
        bigRanges_.clear();
        bigGarbage_ = 0;
        reverseBuilt_ = false;
    }
    nodes_.clear();
    freeNodes_.clear();
    precPool_.clear();
    precGarbage_ = 0;
    nodeMap_->Clear();
    liveNodes_ = 0;
}

void TDependencyIndex::dropPrecedentsInto(TDependencyIndex* gone) {
    if (!gone) return;
    std::erase(sources_, gone);
    for (Node& n : nodes_) {
        if (!n.Alive) continue;
        for (uint32_t k = 0; k < n.PrecCount; ++k) {
            TPrecedent& p = precPool_[n.PrecBegin + k];
            if (p.Index == gone) p.Index = nullptr;
        }
    }
}

std::vector<TPrecedent> TDependencyIndex::Precedents(int32_t col, int32_t row) const {
    std::vector<TPrecedent> out;
    int32_t id = findNode(col, row);
    if (id < 0) return out;
    const Node& n = nodes_[size_t(id)];
    for (uint32_t k = 0; k < n.PrecCount; ++k)
        if (precPool_[n.PrecBegin + k].Index) out.push_back(precPool_[n.PrecBegin + k]);
    return out;
}

void TDependencyIndex::directDependentIds(int32_t col, int32_t row,
                                          std::vector<std::pair<TDependencyIndex*, int32_t>>& out) const {
    ensureReverse();
    for (int32_t e = revHeads_->Find(cellKey(col, row)); e >= 0; e = revPool_[size_t(e)].Next)
        out.emplace_back(revPool_[size_t(e)].Dst, revPool_[size_t(e)].DstNode);
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && b.Rect.Contains(col, row)) out.emplace_back(b.Dst, b.DstNode);
}

void TDependencyIndex::DirectDependents(int32_t col, int32_t row, std::vector<TFormulaNode>& out) const {
    std::vector<std::pair<TDependencyIndex*, int32_t>> ids;
    directDependentIds(col, row, ids);
    for (auto [idx, id] : ids) {
        const Node& n = idx->nodes_[size_t(id)];
        out.push_back(TFormulaNode{idx, n.Col, n.Row});
    }
}

void TDependencyIndex::ForEachFormula(const std::function<void(int32_t, int32_t)>& f) const {
    for (const Node& n : nodes_)
        if (n.Alive) f(n.Col, n.Row);
}

// Tarjan's strongly-connected-components search, written with an explicit
// stack so that a chain of a million cells needs no deep recursion.  A
// component is emitted once every component reachable from it has been
// emitted.  `successors(ref, out)` appends the edges of a node.
template <typename Successors>
void TDependencyIndex::tarjanCore(std::span<const std::pair<TDependencyIndex*, int32_t>> roots,
                                  const TDependencyIndex* restrictTo, Successors&& successors,
                                  std::vector<std::pair<TDependencyIndex*, int32_t>>& emitted,
                                  std::vector<bool>& emittedCyclic) {
    using Ref = std::pair<TDependencyIndex*, int32_t>;
    uint32_t stamp = ++g_planStamp;
    if (stamp == 0) stamp = ++g_planStamp;  // 0 marks "never visited"

    struct Frame {
        Ref NodeRef;
        size_t SuccBegin;
        size_t Pos;
        size_t SuccEnd;
    };
    std::vector<Frame> frames;
    std::vector<Ref> succBuf;
    std::vector<Ref> sccStack;
    int32_t counter = 0;

    auto nodeOf = [](const Ref& r) -> Node& { return r.first->nodes_[size_t(r.second)]; };
    auto push = [&](const Ref& r) {
        Node& n = nodeOf(r);
        n.Stamp = stamp;
        n.TIndex = n.TLow = counter++;
        n.OnStack = true;
        n.SelfLoop = false;
        sccStack.push_back(r);
        size_t begin = succBuf.size();
        successors(r, succBuf);
        frames.push_back(Frame{r, begin, begin, succBuf.size()});
    };

    for (const Ref& root : roots) {
        if (!root.first || root.second < 0) continue;
        if (restrictTo && root.first != restrictTo) continue;
        Node& rn = nodeOf(root);
        if (!rn.Alive || rn.Stamp == stamp) continue;
        push(root);
        while (!frames.empty()) {
            Frame& f = frames.back();
            if (f.Pos < f.SuccEnd) {
                Ref w = succBuf[f.Pos++];
                if (restrictTo && w.first != restrictTo) continue;
                Node& wn = nodeOf(w);
                if (!wn.Alive) continue;
                if (w == f.NodeRef) {
                    wn.SelfLoop = true;
                    continue;
                }
                if (wn.Stamp != stamp) {
                    push(w);  // invalidates f
                    continue;
                }
                if (wn.OnStack) {
                    Node& fn = nodeOf(f.NodeRef);
                    fn.TLow = std::min(fn.TLow, wn.TIndex);
                }
                continue;
            }
            Ref v = f.NodeRef;
            size_t begin = f.SuccBegin;
            frames.pop_back();
            succBuf.resize(begin);
            Node& vn = nodeOf(v);
            if (vn.TLow == vn.TIndex) {
                size_t start = sccStack.size();
                do {
                    --start;
                } while (sccStack[start] != v);
                bool cyclic = (sccStack.size() - start > 1) || vn.SelfLoop;
                for (size_t k = start; k < sccStack.size(); ++k) {
                    nodeOf(sccStack[k]).OnStack = false;
                    emitted.push_back(sccStack[k]);
                    emittedCyclic.push_back(cyclic);
                }
                sccStack.resize(start);
            }
            if (!frames.empty()) {
                Node& pn = nodeOf(frames.back().NodeRef);
                pn.TLow = std::min(pn.TLow, vn.TLow);
            }
        }
    }
}

// Over the "is read by" graph: downstream components come out first, so the
// reversed emission order is an evaluation order.
TEvalPlan TDependencyIndex::tarjan(std::span<const std::pair<TDependencyIndex*, int32_t>> roots,
                                   const TDependencyIndex* restrictTo) {
    std::vector<std::pair<TDependencyIndex*, int32_t>> emitted;
    std::vector<bool> cyclic;
    tarjanCore(
        roots, restrictTo,
        [](const std::pair<TDependencyIndex*, int32_t>& r, std::vector<std::pair<TDependencyIndex*, int32_t>>& out) {
            const Node& n = r.first->nodes_[size_t(r.second)];
            r.first->directDependentIds(n.Col, n.Row, out);
        },
        emitted, cyclic);
    TEvalPlan plan;
    plan.Order.reserve(emitted.size());
    plan.Cyclic.reserve(emitted.size());
    for (size_t k = emitted.size(); k-- > 0;) {
        const Node& n = emitted[k].first->nodes_[size_t(emitted[k].second)];
        plan.Order.push_back(TFormulaNode{emitted[k].first, n.Col, n.Row});
        plan.Cyclic.push_back(cyclic[k]);
    }
    return plan;
}

void TDependencyIndex::buildColumnView() const {
    if (columnViewValid_) return;
    byCol_.clear();
    byCol_.reserve(size_t(liveNodes_));
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].Alive) byCol_.push_back(int32_t(i));
    auto less = [&](int32_t a, int32_t b) {
        const Node& x = nodes_[size_t(a)];
        const Node& y = nodes_[size_t(b)];
        return x.Col != y.Col ? x.Col < y.Col : x.Row < y.Row;
    };
    // A rebuild adds formulas column by column, so the order is usually there already.
    if (!std::is_sorted(byCol_.begin(), byCol_.end(), less)) std::sort(byCol_.begin(), byCol_.end(), less);
    colRanges_.clear();
    for (uint32_t k = 0; k < byCol_.size();) {
        int32_t col = nodes_[size_t(byCol_[k])].Col;
        uint32_t begin = k;
        while (k < byCol_.size() && nodes_[size_t(byCol_[k])].Col == col) ++k;
        colRanges_.push_back({col, {begin, k}});
    }
    columnViewValid_ = true;
}

void TDependencyIndex::formulaNodesIn(const TGridRect& rect,
                                      std::vector<std::pair<TDependencyIndex*, int32_t>>& out) const {
    buildColumnView();
    auto it = std::lower_bound(colRanges_.begin(), colRanges_.end(), rect.Left,
                               [](const auto& e, int32_t col) { return e.first < col; });
    auto self = const_cast<TDependencyIndex*>(this);
    for (; it != colRanges_.end() && it->first <= rect.Right; ++it) {
        auto first = byCol_.begin() + it->second.first;
        auto last = byCol_.begin() + it->second.second;
        auto lo = std::lower_bound(first, last, rect.Top,
                                   [&](int32_t id, int32_t row) { return nodes_[size_t(id)].Row < row; });
        for (; lo != last && nodes_[size_t(*lo)].Row <= rect.Bottom; ++lo) out.emplace_back(self, *lo);
    }
}

void TDependencyIndex::ensureReverse() const {
    if (reverseBuilt_) return;
    auto self = const_cast<TDependencyIndex*>(this);
    self->reverseBuilt_ = true;
    // Room for the entries at once.  The cell map is sized for half as many
    // cells as entries: most sheets read each cell once or twice, so it rarely
    // grows afterwards; it comes out larger than growth would make it only
    // where most cells are read by three formulas or more, and even then it
    // takes less memory than the entry pool itself.
    size_t entries = 0;
    for (const TDependencyIndex* reader : readers_)
        for (const Node& n : reader->nodes_) {
            if (!n.Alive) continue;
            for (uint32_t k = 0; k < n.PrecCount; ++k) {
                const TPrecedent& p = reader->precPool_[n.PrecBegin + k];
                if (p.Index == this && rectCells(p.Rect) <= kSmallRangeCells) entries += size_t(rectCells(p.Rect));
            }
        }
    self->revPool_.reserve(revPool_.size() + entries);
    self->revHeads_->Reserve(entries / 2);
    for (TDependencyIndex* reader : readers_) {
        for (size_t id = 0; id < reader->nodes_.size(); ++id) {
            const Node& n = reader->nodes_[id];
            if (!n.Alive) continue;
            for (uint32_t k = 0; k < n.PrecCount; ++k) {
                const TPrecedent& p = reader->precPool_[n.PrecBegin + k];
                if (p.Index == this) self->addReverse(p.Rect, reader, int32_t(id));
            }
        }
    }
}

TEvalPlan TDependencyIndex::PlanAll() {
    // Over the "reads" graph (forward lists only): a component comes out after
    // everything it reads, so the emission order is the evaluation order.
    // Roots in column-major order keep independent cells in sweep order.
    buildColumnView();
    std::vector<std::pair<TDependencyIndex*, int32_t>> roots;
    roots.reserve(byCol_.size());
    for (int32_t id : byCol_) roots.emplace_back(this, id);
    std::vector<std::pair<TDependencyIndex*, int32_t>> emitted;
    std::vector<bool> cyclic;
    emitted.reserve(roots.size());
    cyclic.reserve(roots.size());
    tarjanCore(
        roots, this,
        [](const std::pair<TDependencyIndex*, int32_t>& r, std::vector<std::pair<TDependencyIndex*, int32_t>>& out) {
            TDependencyIndex* idx = r.first;
            const Node& n = idx->nodes_[size_t(r.second)];
            for (uint32_t k = 0; k < n.PrecCount; ++k) {
                const TPrecedent& p = idx->precPool_[n.PrecBegin + k];
                if (p.Index != idx) continue;
                if (p.Rect.Left == p.Rect.Right && p.Rect.Top == p.Rect.Bottom) {
                    int32_t id = idx->findNode(p.Rect.Left, p.Rect.Top);
                    if (id >= 0) out.emplace_back(idx, id);
                } else {
                    idx->formulaNodesIn(p.Rect, out);
                }
            }
        },
        emitted, cyclic);
    TEvalPlan plan;
    plan.Order.reserve(emitted.size());
    plan.Cyclic = std::move(cyclic);
    for (const auto& e : emitted) {
        const Node& n = nodes_[size_t(e.second)];
        plan.Order.push_back(TFormulaNode{this, n.Col, n.Row});
    }
    return plan;
}

TEvalPlan TDependencyIndex::PlanForChange(std::span<const TFormulaNode> changed) {
    std::vector<std::pair<TDependencyIndex*, int32_t>> roots;
    for (const TFormulaNode& c : changed) {
        if (!c.Index) continue;
        c.Index->directDependentIds(c.Col, c.Row, roots);
    }
    std::reverse(roots.begin(), roots.end());
    return tarjan(roots, nullptr);
}

TEvalPlan TDependencyIndex::PlanForExternalDependents() {
    ensureReverse();
    std::vector<std::pair<TDependencyIndex*, int32_t>> roots;
    for (const RevEntry& e : revPool_)
        if (e.DstNode >= 0 && e.Dst && e.Dst != this) roots.emplace_back(e.Dst, e.DstNode);
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && b.Dst && b.Dst != this) roots.emplace_back(b.Dst, b.DstNode);
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return tarjan(roots, nullptr);
}

bool TDependencyIndex::HasDependents(int32_t col, int32_t row) const {
    ensureReverse();
    if (revHeads_->Find(cellKey(col, row)) >= 0) return true;
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && b.Rect.Contains(col, row)) return true;
    return false;
}

bool TDependencyIndex::CheckConsistency() const {
    // Every precedent of every live node must have exactly as many reverse
    // entries as it expects; count them both ways.
    for (size_t id = 0; id < nodes_.size(); ++id) {
        const Node& n = nodes_[id];
        if (!n.Alive) continue;
        if (findNode(n.Col, n.Row) != int32_t(id)) return false;
        for (uint32_t k = 0; k < n.PrecCount; ++k) {
            const TPrecedent& p = precPool_[n.PrecBegin + k];
            if (!p.Index || !p.Index->reverseBuilt_) continue;
            if (rectCells(p.Rect) <= kSmallRangeCells) {
                for (int32_t c = p.Rect.Left; c <= p.Rect.Right; ++c)
                    for (int32_t r = p.Rect.Top; r <= p.Rect.Bottom; ++r) {
                        bool found = false;
                        for (int32_t e = p.Index->revHeads_->Find(cellKey(c, r)); e >= 0;
                             e = p.Index->revPool_[size_t(e)].Next) {
                            const RevEntry& re = p.Index->revPool_[size_t(e)];
                            if (re.Dst == this && re.DstNode == int32_t(id)) found = true;
                        }
                        if (!found) return false;
                    }
            } else {
                bool found = false;
                for (const BigRange& b : p.Index->bigRanges_)
                    if (b.Dst == this && b.DstNode == int32_t(id) && b.Rect == p.Rect) found = true;
                if (!found) return false;
            }
        }
    }
    // Every reverse entry must point at a live node.
    bool ok = true;
    revHeads_->ForEach([&](uint64_t, int32_t head) {
        for (int32_t e = head; e >= 0; e = revPool_[size_t(e)].Next) {
            const RevEntry& re = revPool_[size_t(e)];
            if (!re.Dst || re.DstNode < 0 || size_t(re.DstNode) >= re.Dst->nodes_.size() ||
                !re.Dst->nodes_[size_t(re.DstNode)].Alive)
                ok = false;
        }
    });
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && !b.Dst->nodes_[size_t(b.DstNode)].Alive) ok = false;
    return ok;
}
