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

uint32_t nextPlanStamp() {
    if (++g_planStamp == 0) ++g_planStamp;  // 0 marks "never visited"
    return g_planStamp;
}

bool g_acyclicFastPath = true;

// Columns up to this one may keep the reverse heads of their cells in a dense
// array and their big ranges in a per-column list.
constexpr int32_t kIndexedCols = 1 << 15;
// Big ranges at most this many columns wide are listed under each column.
constexpr int64_t kNarrowRangeCols = 64;

bool listedByColumn(const TGridRect& r) {
    return r.Left >= 0 && r.Right < kIndexedCols && int64_t(r.Right) - r.Left + 1 <= kNarrowRangeCols;
}

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

// Cell -> first reverse entry.  Columns whose read cells lie close together
// (decided when the reverse part is built) keep their heads in a plain array
// over the rows they span, so the look-ups of a plan and of the build are an
// index operation; every other cell goes to the hash map.  A cell's head lives
// in the array exactly when its column has one and its row lies inside it.
class TDependencyIndex::CellHeads {
public:
    int32_t Find(int32_t col, int32_t row) const {
        if (const int32_t* d = denseSlot(col, row)) return *d;
        return sparse_.Find(cellKey(col, row));
    }

    // The head of (col, row), -1 when it has none yet; valid until the next call.
    int32_t& Upsert(int32_t col, int32_t row) {
        if (int32_t* d = denseSlot(col, row)) return *d;
        return sparse_.Upsert(cellKey(col, row), -1);
    }

    // Sets the head of (col, row); -1 forgets the cell.
    void Set(int32_t col, int32_t row, int32_t head) {
        if (int32_t* d = denseSlot(col, row)) *d = head;
        else if (head < 0) sparse_.Erase(cellKey(col, row));
        else sparse_.Upsert(cellKey(col, row), -1) = head;
    }

    // Where the column arrays are (index: column; Size 0: none).
    struct DenseView {
        int32_t* Heads = nullptr;
        uint32_t Lo = 0;
        uint32_t Size = 0;
    };
    const DenseView* DenseViews() const { return views_.data(); }
    size_t DenseViewCount() const { return views_.size(); }

    // Gives column col an array for rows lo..hi (only while it holds nothing).
    void MakeDense(int32_t col, int32_t lo, int32_t hi) {
        if (size_t(col) >= views_.size()) {
            views_.resize(size_t(col) + 1);
            store_.resize(size_t(col) + 1);
        }
        store_[size_t(col)].assign(size_t(int64_t(hi) - lo + 1), -1);
        views_[size_t(col)] = DenseView{store_[size_t(col)].data(), uint32_t(lo), uint32_t(store_[size_t(col)].size())};
    }

    void ReserveSparse(size_t keys) { sparse_.Reserve(keys); }

    void Clear() {
        views_.clear();
        views_.shrink_to_fit();
        store_.clear();
        store_.shrink_to_fit();
        sparse_.Clear();
    }

    // Calls f(col, row, head) for every cell with a head.
    template <typename F>
    void ForEach(F&& f) const {
        for (size_t c = 0; c < views_.size(); ++c) {
            const DenseView& v = views_[c];
            for (uint32_t k = 0; k < v.Size; ++k)
                if (v.Heads[k] >= 0) f(int32_t(c), int32_t(v.Lo + k), v.Heads[k]);
        }
        sparse_.ForEach([&](uint64_t key, int32_t head) { f(int32_t(key >> 32), int32_t(uint32_t(key)), head); });
    }

private:
    int32_t* denseSlot(int32_t col, int32_t row) const {
        if (size_t(uint32_t(col)) >= views_.size()) return nullptr;
        const DenseView& v = views_[size_t(col)];
        const uint32_t k = uint32_t(row) - v.Lo;
        return k < v.Size ? v.Heads + k : nullptr;
    }

    std::vector<DenseView> views_;
    std::vector<std::vector<int32_t>> store_;
    CellMap sparse_;
};

struct TDependencyIndex::Node {
    int32_t Col = 0;
    int32_t Row = 0;
    uint32_t PrecBegin = 0;
    uint32_t PrecCount = 0;
    // Scratch state of a plan, valid while Stamp equals the plan's stamp.
    uint32_t Stamp = 0;
    int32_t TIndex = 0;
    int32_t TLow = 0;
    bool Alive = false;
    bool OnStack = false;
    bool SelfLoop = false;
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

namespace {

// A stack over a vector whose push needs no call on the common path (the
// searches push a few entries per node).
template <typename T>
class TStack {
public:
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    void clear() { size_ = 0; }
    void shrinkTo(size_t n) { size_ = n; }
    T& operator[](size_t i) { return ptr_[i]; }
    T& back() { return ptr_[size_ - 1]; }
    void pop_back() { --size_; }
    const T* begin() const { return ptr_; }
    const T* end() const { return ptr_ + size_; }
    template <typename... A>
    void emplace_back(A&&... a) {
        if (size_ == cap_) grow();
        ptr_[size_++] = T{std::forward<A>(a)...};
    }
    // Gives the room back when it is much larger than what was used.
    void trim(size_t used) {
        size_ = 0;
        if (cap_ > 4096 && cap_ / 4 > used) {
            std::vector<T>().swap(data_);
            ptr_ = nullptr;
            cap_ = 0;
        }
    }

private:
    void grow() {
        data_.resize(std::max<size_t>(256, cap_ * 2));
        ptr_ = data_.data();
        cap_ = data_.size();
    }
    T* ptr_ = nullptr;
    size_t size_ = 0;
    size_t cap_ = 0;
    std::vector<T> data_;
};

} // namespace

// Buffers of the searches, kept from one plan to the next so that a plan of an
// edit allocates nothing but its result.
struct TDependencyIndex::PlanScratch {
    struct Frame {
        TDependencyIndex* Index;
        int32_t Id;
        uint32_t Begin;  // this node's successors are Succ[Begin, End)
        uint32_t Pos;
        uint32_t End;
    };
    TStack<Frame> Frames;
    TStack<Ref> Succ;
    TStack<Ref> Scc;
    TStack<TFormulaNode> Emitted;
    TStack<uint8_t> Cyclic;
    std::vector<Ref> Roots;

    // After a plan: buffers much larger than the plan needed are given back.
    void Trim(size_t used) {
        Frames.trim(used);
        Succ.trim(used);
        Scc.trim(used);
        Emitted.trim(used);
        Cyclic.trim(used);
        Roots.clear();
        if (Roots.capacity() > 4096 && Roots.capacity() / 4 > used) std::vector<Ref>().swap(Roots);
    }
};

void TDependencyIndex::SetAcyclicFastPath(bool on) { g_acyclicFastPath = on; }
bool TDependencyIndex::AcyclicFastPath() { return g_acyclicFastPath; }

TDependencyIndex::TDependencyIndex(void* owner)
    : owner_(owner), nodeMap_(new CellMap), revHeads_(new CellHeads) {}

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
    struct Head {
        int32_t Col, Row, First;
    };
    std::vector<Head> heads;
    revHeads_->ForEach([&](int32_t c, int32_t r, int32_t h) { heads.push_back(Head{c, r, h}); });
    for (const Head& h : heads) {
        int32_t newHead = h.First;
        int32_t prev = -1;
        for (int32_t e = h.First; e >= 0;) {
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
        if (newHead != h.First) revHeads_->Set(h.Col, h.Row, newHead);
    }
    std::erase_if(bigRanges_, [&](const BigRange& b) { return b.Dst == dst || b.DstNode < 0; });
    bigGarbage_ = 0;
    bigIndexValid_ = false;
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
    // Without a reverse part there is nothing to make room for: building it
    // sizes the entry pool exactly.
    if (reverseBuilt_) revPool_.reserve(revPool_.size() + reverseEntries);
}

bool TDependencyIndex::HasFormula(int32_t col, int32_t row) const { return findNode(col, row) >= 0; }

void TDependencyIndex::addReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode) {
    if (rectCells(rect) <= kSmallRangeCells) {
        for (int64_t c = rect.Left; c <= rect.Right; ++c) {
            for (int64_t r = rect.Top; r <= rect.Bottom; ++r) {
                int32_t e;
                if (!freeRev_.empty()) {
                    e = freeRev_.back();
                    freeRev_.pop_back();
                } else {
                    e = int32_t(revPool_.size());
                    revPool_.emplace_back();
                }
                int32_t& head = revHeads_->Upsert(int32_t(c), int32_t(r));
                revPool_[size_t(e)] = RevEntry{dstIndex, dstNode, head};
                head = e;
            }
        }
    } else {
        bigRanges_.push_back(BigRange{rect, dstIndex, dstNode});
        if (bigIndexValid_) indexBigRange(int32_t(bigRanges_.size() - 1));
    }
}

void TDependencyIndex::removeReverse(const TGridRect& rect, TDependencyIndex* dstIndex, int32_t dstNode) {
    if (rectCells(rect) <= kSmallRangeCells) {
        for (int64_t c = rect.Left; c <= rect.Right; ++c) {
            for (int64_t r = rect.Top; r <= rect.Bottom; ++r) {
                int32_t head = revHeads_->Find(int32_t(c), int32_t(r));
                int32_t prev = -1;
                for (int32_t e = head; e >= 0; e = revPool_[size_t(e)].Next) {
                    RevEntry& re = revPool_[size_t(e)];
                    if (re.Dst == dstIndex && re.DstNode == dstNode) {
                        if (prev < 0) revHeads_->Set(int32_t(c), int32_t(r), re.Next);
                        else revPool_[size_t(prev)].Next = re.Next;
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
            bigIndexValid_ = false;
        }
    }
}

void TDependencyIndex::indexBigRange(int32_t k) const {
    const TGridRect& r = bigRanges_[size_t(k)].Rect;
    if (!listedByColumn(r)) {
        bigWide_.push_back(k);
        return;
    }
    if (size_t(r.Right) >= bigByCol_.size()) bigByCol_.resize(size_t(r.Right) + 1);
    for (int32_t c = r.Left; c <= r.Right; ++c) bigByCol_[size_t(c)].push_back(k);
}

void TDependencyIndex::buildBigIndex() const {
    bigByCol_.clear();
    bigWide_.clear();
    for (size_t k = 0; k < bigRanges_.size(); ++k)
        if (bigRanges_[k].DstNode >= 0) indexBigRange(int32_t(k));
    bigIndexValid_ = true;
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
        bigByCol_.clear();
        bigWide_.clear();
        bigIndexValid_ = false;
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

// The formula cells that read (col, row): its own entries first, newest first,
// then the big ranges holding it, oldest first.
template <typename Out>
[[gnu::always_inline]] inline void TDependencyIndex::appendDependents(int32_t col, int32_t row, Out& out) const {
    if (!reverseBuilt_) ensureReverse();
    for (int32_t e = revHeads_->Find(col, row); e >= 0;) {
        const RevEntry& re = revPool_[size_t(e)];
        out.emplace_back(re.Dst, re.DstNode);
        e = re.Next;
    }
    if (bigRanges_.empty()) return;
    if (bigIndexValid_ && bigWide_.empty() &&
        (size_t(uint32_t(col)) >= bigByCol_.size() || bigByCol_[size_t(col)].empty()))
        return;
    appendBigDependents(col, row, out);
}

template <typename Out>
void TDependencyIndex::appendBigDependents(int32_t col, int32_t row, Out& out) const {
    if (!bigIndexValid_) buildBigIndex();
    const int32_t* narrow = nullptr;
    const int32_t* narrowEnd = nullptr;
    if (size_t(uint32_t(col)) < bigByCol_.size()) {
        narrow = bigByCol_[size_t(col)].data();
        narrowEnd = narrow + bigByCol_[size_t(col)].size();
    }
    const BigRange* big = bigRanges_.data();
    auto take = [&](int32_t k) {
        const BigRange& b = big[k];
        if (b.DstNode >= 0 && b.Rect.Contains(col, row)) out.emplace_back(b.Dst, b.DstNode);
    };
    if (bigWide_.empty()) {
        for (; narrow != narrowEnd; ++narrow) take(*narrow);
        return;
    }
    // Merge the column's list with the wide ranges, both in bigRanges_ order.
    const int32_t* wide = bigWide_.data();
    const int32_t* wideEnd = wide + bigWide_.size();
    while (narrow != narrowEnd || wide != wideEnd) {
        if (wide == wideEnd || (narrow != narrowEnd && *narrow < *wide)) take(*narrow++);
        else take(*wide++);
    }
}

void TDependencyIndex::directDependentIds(int32_t col, int32_t row, std::vector<Ref>& out) const {
    appendDependents(col, row, out);
}

void TDependencyIndex::DirectDependents(int32_t col, int32_t row, std::vector<TFormulaNode>& out) const {
    std::vector<Ref> ids;
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

// One plan runs at a time (the indexes are used from one thread).
TDependencyIndex::PlanScratch& TDependencyIndex::scratch() {
    static PlanScratch s;
    return s;
}

// Depth-first search with an explicit stack, so that a chain of a million cells
// needs no deep recursion.  `successors(index, node, out)` appends the edges of
// a node.
//
// Fast: a node is emitted when it is finished (post-order), which is an order
// in which everything reachable from a node comes before it, as long as no
// cycle is reached; an edge back to a node still on the path (or to the node
// itself) proves a cycle, and the search gives up.  On a graph without cycles
// Tarjan's search below emits exactly the same sequence, each node being a
// component of its own.
//
// Otherwise: Tarjan's strongly connected components; a component is emitted
// once every component reachable from it has been emitted.
template <bool Fast, typename Successors, typename Emit>
bool TDependencyIndex::search(std::span<const Ref> roots, const TDependencyIndex* restrictTo,
                              Successors&& successors, Emit&& emit) {
    PlanScratch& s = scratch();
    using Frame = PlanScratch::Frame;
    const uint32_t stamp = nextPlanStamp();
    s.Frames.clear();
    s.Succ.clear();
    s.Scc.clear();
    int32_t counter = 0;

    auto push = [&](TDependencyIndex* idx, int32_t id) {
        Node& n = idx->nodes_[size_t(id)];
        n.Stamp = stamp;
        n.OnStack = true;
        if constexpr (!Fast) {
            n.TIndex = n.TLow = counter++;
            n.SelfLoop = false;
            s.Scc.emplace_back(idx, id);
        }
        uint32_t begin = uint32_t(s.Succ.size());
        successors(idx, n, s.Succ);
        s.Frames.emplace_back(idx, id, begin, begin, uint32_t(s.Succ.size()));
    };

    for (const Ref& root : roots) {
        if (!root.first || root.second < 0) continue;
        if (restrictTo && root.first != restrictTo) continue;
        Node& rn = root.first->nodes_[size_t(root.second)];
        if (!rn.Alive || rn.Stamp == stamp) continue;
        push(root.first, root.second);
        while (!s.Frames.empty()) {
            Frame& f = s.Frames.back();
            if (f.Pos < f.End) {
                const Ref w = s.Succ[f.Pos++];
                if (restrictTo && w.first != restrictTo) continue;
                Node& wn = w.first->nodes_[size_t(w.second)];
                if (!wn.Alive) continue;
                if (wn.Stamp != stamp) {
                    push(w.first, w.second);  // invalidates f
                    continue;
                }
                if (!wn.OnStack) continue;  // finished earlier
                if constexpr (Fast) {
                    return false;  // back to the path: a cycle
                } else {
                    if (w.first == f.Index && w.second == f.Id) {
                        wn.SelfLoop = true;
                    } else {
                        Node& fn = f.Index->nodes_[size_t(f.Id)];
                        fn.TLow = std::min(fn.TLow, wn.TIndex);
                    }
                }
                continue;
            }
            TDependencyIndex* vIdx = f.Index;
            const int32_t vId = f.Id;
            s.Succ.shrinkTo(f.Begin);
            s.Frames.pop_back();
            Node& vn = vIdx->nodes_[size_t(vId)];
            if constexpr (Fast) {
                vn.OnStack = false;
                emit(vIdx, vId, false);
            } else {
                if (vn.TLow == vn.TIndex) {
                    size_t start = s.Scc.size();
                    do {
                        --start;
                    } while (s.Scc[start].first != vIdx || s.Scc[start].second != vId);
                    const bool cyclic = (s.Scc.size() - start > 1) || vn.SelfLoop;
                    for (size_t k = start; k < s.Scc.size(); ++k) {
                        s.Scc[k].first->nodes_[size_t(s.Scc[k].second)].OnStack = false;
                        emit(s.Scc[k].first, s.Scc[k].second, cyclic);
                    }
                    s.Scc.shrinkTo(start);
                }
                if (!s.Frames.empty()) {
                    const Frame& p = s.Frames.back();
                    Node& pn = p.Index->nodes_[size_t(p.Id)];
                    pn.TLow = std::min(pn.TLow, vn.TLow);
                }
            }
        }
    }
    return true;
}

TEvalPlan TDependencyIndex::planReachable(std::span<const Ref> roots) {
    PlanScratch& s = scratch();
    auto readers = [](TDependencyIndex* idx, const Node& n, TStack<Ref>& out) {
        idx->appendDependents(n.Col, n.Row, out);
    };
    auto emit = [&s](TDependencyIndex* idx, int32_t id, bool) {
        const Node& n = idx->nodes_[size_t(id)];
        s.Emitted.emplace_back(idx, n.Col, n.Row);
    };
    s.Emitted.clear();
    s.Cyclic.clear();
    const bool acyclic = g_acyclicFastPath && search<true>(roots, nullptr, readers, emit);
    if (!acyclic) {
        s.Emitted.clear();
        search<false>(roots, nullptr, readers, [&](TDependencyIndex* idx, int32_t id, bool cyclic) {
            emit(idx, id, cyclic);
            s.Cyclic.emplace_back(uint8_t(cyclic));
        });
    }
    // Downstream cells come out first, so the reversed emission order is an
    // evaluation order.
    const size_t n = s.Emitted.size();
    TEvalPlan plan;
    plan.Order.assign(std::make_reverse_iterator(s.Emitted.end()), std::make_reverse_iterator(s.Emitted.begin()));
    plan.Cyclic.assign(n, false);
    if (!acyclic)
        for (size_t k = 0; k < n; ++k)
            if (s.Cyclic[k]) plan.Cyclic[n - 1 - k] = true;
    s.Trim(n);
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
    colViews_.clear();
    colSlot_.clear();
    denseIds_.clear();
    for (uint32_t k = 0; k < byCol_.size();) {
        const int32_t col = nodes_[size_t(byCol_[k])].Col;
        const uint32_t begin = k;
        while (k < byCol_.size() && nodes_[size_t(byCol_[k])].Col == col) ++k;
        ColumnView v{col, begin, k, 0, 0, 0};
        // Rows to ids directly where that takes at most four slots per formula.
        const int32_t lo = nodes_[size_t(byCol_[begin])].Row;
        const int64_t span = int64_t(nodes_[size_t(byCol_[k - 1])].Row) - lo + 1;
        if (span <= int64_t(k - begin) * 4) {
            v.Lo = lo;
            v.DenseBegin = uint32_t(denseIds_.size());
            v.DenseSize = uint32_t(span);
            denseIds_.resize(denseIds_.size() + size_t(span), -1);
            for (uint32_t j = begin; j < k; ++j)
                denseIds_[v.DenseBegin + uint32_t(nodes_[size_t(byCol_[j])].Row - lo)] = byCol_[j];
        }
        if (col >= 0 && col < kIndexedCols) {
            if (size_t(col) >= colSlot_.size()) colSlot_.resize(size_t(col) + 1, -1);
            colSlot_[size_t(col)] = int32_t(colViews_.size());
        }
        colViews_.push_back(v);
    }
    columnViewValid_ = true;
}

int32_t TDependencyIndex::nodeInView(int32_t col, int32_t row) const {
    if (col < 0 || col >= kIndexedCols) return findNode(col, row);
    if (size_t(col) >= colSlot_.size()) return -1;
    const int32_t slot = colSlot_[size_t(col)];
    if (slot < 0) return -1;
    const ColumnView& v = colViews_[size_t(slot)];
    if (v.DenseSize == 0) return findNode(col, row);
    const uint32_t k = uint32_t(row) - uint32_t(v.Lo);
    return k < v.DenseSize ? denseIds_[v.DenseBegin + k] : -1;
}

template <typename Out>
void TDependencyIndex::formulaNodesIn(const TGridRect& rect, Out& out) const {
    buildColumnView();
    auto it = std::lower_bound(colViews_.begin(), colViews_.end(), rect.Left,
                               [](const ColumnView& v, int32_t col) { return v.Col < col; });
    auto self = const_cast<TDependencyIndex*>(this);
    for (; it != colViews_.end() && it->Col <= rect.Right; ++it) {
        const int32_t* first = byCol_.data() + it->Begin;
        const int32_t* last = byCol_.data() + it->End;
        if (nodes_[size_t(*first)].Row > rect.Bottom || nodes_[size_t(last[-1])].Row < rect.Top) continue;
        const int32_t* lo = std::lower_bound(first, last, rect.Top,
                                             [&](int32_t id, int32_t row) { return nodes_[size_t(id)].Row < row; });
        for (; lo != last && nodes_[size_t(*lo)].Row <= rect.Bottom; ++lo) out.emplace_back(self, *lo);
    }
}

void TDependencyIndex::ensureReverse() const {
    if (!reverseBuilt_) const_cast<TDependencyIndex*>(this)->buildReverse();
}

// One pass to size everything, one to fill it.  A column whose read cells are
// dense enough (at least one entry per four rows of the rows they span) gets
// an array of heads, which takes no more room than the hash map would and
// needs no hashing; the others go to the hash map, sized once.
void TDependencyIndex::buildReverse() {
    reverseBuilt_ = true;
    struct ColStat {
        int64_t Entries = 0;
        int32_t Lo = std::numeric_limits<int32_t>::max();
        int32_t Hi = std::numeric_limits<int32_t>::min();
    };
    std::vector<ColStat> stats;
    size_t entries = 0, sparseEntries = 0, big = 0;
    for (const TDependencyIndex* reader : readers_) {
        const TPrecedent* precs = reader->precPool_.data();
        for (const Node& n : reader->nodes_) {
            if (!n.Alive) continue;
            for (const TPrecedent *p = precs + n.PrecBegin, *end = p + n.PrecCount; p != end; ++p) {
                if (p->Index != this) continue;
                const TGridRect r = p->Rect;
                const int64_t rows = int64_t(r.Bottom) - r.Top + 1;
                const int64_t cells = (int64_t(r.Right) - r.Left + 1) * rows;
                if (cells > kSmallRangeCells) {
                    ++big;
                    continue;
                }
                entries += size_t(cells);
                if (r.Left < 0 || r.Right >= kIndexedCols) {
                    sparseEntries += size_t(cells);
                    continue;
                }
                if (size_t(r.Right) >= stats.size()) stats.resize(size_t(r.Right) + 1);
                ColStat* st = stats.data();
                for (int32_t c = r.Left; c <= r.Right; ++c) {
                    st[c].Entries += rows;
                    st[c].Lo = std::min(st[c].Lo, r.Top);
                    st[c].Hi = std::max(st[c].Hi, r.Bottom);
                }
            }
        }
    }
    for (size_t c = 0; c < stats.size(); ++c) {
        const ColStat& st = stats[c];
        if (st.Entries == 0) continue;
        if (st.Entries * 4 >= int64_t(st.Hi) - st.Lo + 1) revHeads_->MakeDense(int32_t(c), st.Lo, st.Hi);
        else sparseEntries += size_t(st.Entries);
    }
    // Most sheets read each cell once or twice: half as many cells as entries.
    revHeads_->ReserveSparse(sparseEntries / 2);
    bigRanges_.reserve(bigRanges_.size() + big);
    const size_t base = revPool_.size();
    revPool_.resize(base + entries);
    RevEntry* out = revPool_.data() + base;
    int32_t next = int32_t(base);
    // The column arrays, read through a plain copy of where they are.
    const CellHeads::DenseView* views = revHeads_->DenseViews();
    const size_t viewCount = revHeads_->DenseViewCount();
    CellHeads* heads = revHeads_;
    auto headOf = [&](int32_t col, int32_t row) -> int32_t& {
        if (size_t(uint32_t(col)) < viewCount) {
            const CellHeads::DenseView& v = views[size_t(col)];
            const uint32_t k = uint32_t(row) - v.Lo;
            if (k < v.Size) return v.Heads[k];
        }
        return heads->Upsert(col, row);
    };
    for (TDependencyIndex* reader : readers_) {
        const TPrecedent* precs = reader->precPool_.data();
        const Node* nodes = reader->nodes_.data();
        const size_t count = reader->nodes_.size();
        for (size_t id = 0; id < count; ++id) {
            const Node& n = nodes[id];
            if (!n.Alive) continue;
            for (const TPrecedent *p = precs + n.PrecBegin, *end = p + n.PrecCount; p != end; ++p) {
                if (p->Index != this) continue;
                const TGridRect r = p->Rect;
                const int64_t cols = int64_t(r.Right) - r.Left + 1;
                const int64_t rows = int64_t(r.Bottom) - r.Top + 1;
                if (cols * rows > kSmallRangeCells) {
                    bigRanges_.push_back(BigRange{r, reader, int32_t(id)});
                    continue;
                }
                auto add = [&](int32_t& head) {
                    out->Dst = reader;
                    out->DstNode = int32_t(id);
                    out->Next = head;
                    ++out;
                    head = next++;
                };
                if (cols == 1 && rows == 1) {
                    add(headOf(r.Left, r.Top));
                    continue;
                }
                for (int32_t dc = 0; dc < int32_t(cols); ++dc) {
                    const int32_t c = r.Left + dc;
                    // A run of rows inside the column's array: no look-up per cell.
                    if (size_t(uint32_t(c)) < viewCount) {
                        const CellHeads::DenseView& v = views[size_t(c)];
                        const uint32_t k = uint32_t(r.Top) - v.Lo;
                        if (k < v.Size && uint64_t(k) + uint64_t(rows) <= v.Size) {
                            for (int32_t dr = 0; dr < int32_t(rows); ++dr) add(v.Heads[k + uint32_t(dr)]);
                            continue;
                        }
                    }
                    for (int32_t dr = 0; dr < int32_t(rows); ++dr) add(headOf(c, r.Top + dr));
                }
            }
        }
    }
    bigIndexValid_ = false;
}

TEvalPlan TDependencyIndex::PlanAll() {
    // Over the "reads" graph (forward lists only): a component comes out after
    // everything it reads, so the emission order is the evaluation order.
    // Roots in column-major order keep independent cells in sweep order.
    buildColumnView();
    PlanScratch& s = scratch();
    s.Roots.clear();
    s.Roots.reserve(byCol_.size());
    for (int32_t id : byCol_) s.Roots.emplace_back(this, id);
    auto reads = [](TDependencyIndex* idx, const Node& n, TStack<Ref>& out) {
        for (uint32_t k = 0; k < n.PrecCount; ++k) {
            const TPrecedent& p = idx->precPool_[n.PrecBegin + k];
            if (p.Index != idx) continue;
            if (p.Rect.Left == p.Rect.Right && p.Rect.Top == p.Rect.Bottom) {
                int32_t id = idx->nodeInView(p.Rect.Left, p.Rect.Top);
                if (id >= 0) out.emplace_back(idx, id);
            } else {
                idx->formulaNodesIn(p.Rect, out);
            }
        }
    };
    auto emit = [&s](TDependencyIndex* idx, int32_t id, bool) {
        const Node& n = idx->nodes_[size_t(id)];
        s.Emitted.emplace_back(idx, n.Col, n.Row);
    };
    s.Emitted.clear();
    s.Cyclic.clear();
    const bool acyclic = g_acyclicFastPath && search<true>(s.Roots, this, reads, emit);
    if (!acyclic) {
        s.Emitted.clear();
        search<false>(s.Roots, this, reads, [&](TDependencyIndex* idx, int32_t id, bool cyclic) {
            emit(idx, id, cyclic);
            s.Cyclic.emplace_back(uint8_t(cyclic));
        });
    }
    TEvalPlan plan;
    plan.Order.assign(s.Emitted.begin(), s.Emitted.end());
    plan.Cyclic.assign(s.Cyclic.begin(), s.Cyclic.end());
    if (acyclic) plan.Cyclic.assign(plan.Order.size(), false);
    s.Trim(plan.Order.size());
    return plan;
}

TEvalPlan TDependencyIndex::PlanForChange(std::span<const TFormulaNode> changed) {
    std::vector<Ref>& roots = scratch().Roots;
    roots.clear();
    for (const TFormulaNode& c : changed) {
        if (!c.Index) continue;
        c.Index->directDependentIds(c.Col, c.Row, roots);
    }
    std::reverse(roots.begin(), roots.end());
    return planReachable(roots);
}

TEvalPlan TDependencyIndex::PlanForExternalDependents() {
    ensureReverse();
    std::vector<Ref>& roots = scratch().Roots;
    roots.clear();
    for (const RevEntry& e : revPool_)
        if (e.DstNode >= 0 && e.Dst && e.Dst != this) roots.emplace_back(e.Dst, e.DstNode);
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && b.Dst && b.Dst != this) roots.emplace_back(b.Dst, b.DstNode);
    std::sort(roots.begin(), roots.end());
    roots.erase(std::unique(roots.begin(), roots.end()), roots.end());
    return planReachable(roots);
}

bool TDependencyIndex::HasDependents(int32_t col, int32_t row) const {
    ensureReverse();
    if (revHeads_->Find(col, row) >= 0) return true;
    if (bigRanges_.empty()) return false;
    if (!bigIndexValid_) buildBigIndex();
    if (size_t(uint32_t(col)) < bigByCol_.size())
        for (int32_t k : bigByCol_[size_t(col)]) {
            const BigRange& b = bigRanges_[size_t(k)];
            if (b.DstNode >= 0 && b.Rect.Contains(col, row)) return true;
        }
    for (int32_t k : bigWide_) {
        const BigRange& b = bigRanges_[size_t(k)];
        if (b.DstNode >= 0 && b.Rect.Contains(col, row)) return true;
    }
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
                for (int64_t c = p.Rect.Left; c <= p.Rect.Right; ++c)
                    for (int64_t r = p.Rect.Top; r <= p.Rect.Bottom; ++r) {
                        bool found = false;
                        for (int32_t e = p.Index->revHeads_->Find(int32_t(c), int32_t(r)); e >= 0;
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
    revHeads_->ForEach([&](int32_t, int32_t, int32_t head) {
        for (int32_t e = head; e >= 0; e = revPool_[size_t(e)].Next) {
            const RevEntry& re = revPool_[size_t(e)];
            if (!re.Dst || re.DstNode < 0 || size_t(re.DstNode) >= re.Dst->nodes_.size() ||
                !re.Dst->nodes_[size_t(re.DstNode)].Alive)
                ok = false;
        }
    });
    for (const BigRange& b : bigRanges_)
        if (b.DstNode >= 0 && !b.Dst->nodes_[size_t(b.DstNode)].Alive) ok = false;
    // The column lists of the big ranges are ascending and list every live big
    // range under each of its columns (or among the wide ones).
    if (bigIndexValid_) {
        auto listed = [&](const std::vector<int32_t>& l, int32_t k) {
            return std::binary_search(l.begin(), l.end(), k);
        };
        auto valid = [&](const std::vector<int32_t>& l) {
            return std::is_sorted(l.begin(), l.end()) &&
                   std::all_of(l.begin(), l.end(), [&](int32_t k) { return k >= 0 && size_t(k) < bigRanges_.size(); });
        };
        if (!valid(bigWide_)) ok = false;
        for (const auto& l : bigByCol_)
            if (!valid(l)) ok = false;
        for (size_t k = 0; k < bigRanges_.size(); ++k) {
            const TGridRect& r = bigRanges_[k].Rect;
            if (bigRanges_[k].DstNode < 0) continue;
            if (!listedByColumn(r)) {
                if (!listed(bigWide_, int32_t(k))) ok = false;
                continue;
            }
            for (int32_t c = r.Left; c <= r.Right; ++c)
                if (size_t(c) >= bigByCol_.size() || !listed(bigByCol_[size_t(c)], int32_t(k))) ok = false;
        }
    }
    return ok;
}
