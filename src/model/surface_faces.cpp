// The outer-surface search: a face (edge) of a plane or solid element lies on the surface
// unless some other element, of any family, holds all of its nodes. Purely topological: it
// never compares coordinates.
//
// Most faces are hidden by the element on their other side, which has the same face: those
// are paired first, in one pass over the elements that keeps only the faces still waiting for
// their twin (in a mesh numbered in any orderly way, a few layers of elements). The faces
// left unpaired are then decided by the rule itself, on node-to-element lists of their nodes
// alone.
#include <algorithm>
#include <array>
#include <bit>
#include <thread>
#include <unordered_map>
#include <vector>

#include "fe_model.h"
#include "progress.h"

namespace orv {

namespace {

// The distinct nodes of a face in increasing order, padded with zeros (node positions are 1
// or more).
using NodeSet = std::array<int32_t, 4>;

// A node set as two words, for hashing and comparing.
struct Key {
    uint64_t low, high;
    explicit Key(const NodeSet& s)
        : low(uint64_t(uint32_t(s[0])) | uint64_t(uint32_t(s[1])) << 32),
          high(uint64_t(uint32_t(s[2])) | uint64_t(uint32_t(s[3])) << 32) {}
    Key(uint64_t l, uint64_t h) : low(l), high(h) {}
    Key() : low(0), high(0) {}
    bool empty() const { return low == 0; }
    bool operator==(const Key&) const = default;
    uint64_t hash() const {
        const uint64_t h = low * 0x9E3779B97F4A7C15ull ^ high * 0xC2B2AE3D27D4EB4Full;
        return (h ^ (h >> 32)) * 0xD6E8FEB86659FD93ull;
    }
};

struct NodeSetHash {
    size_t operator()(const NodeSet& s) const { return size_t(Key(s).hash()); }
};

// Insertion sort of at most eight node positions.
void sortFew(int32_t* p, int n) {
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && p[j - 1] > p[j]; --j)
            std::swap(p[j - 1], p[j]);
}

NodeSet nodeSet(int count, const int32_t* face) {
    NodeSet s{0, 0, 0, 0};
    for (int j = 0; j < count; ++j)
        s[size_t(j)] = face[j];
    sortFew(s.data(), count);
    std::fill(std::unique(s.begin(), s.begin() + count), s.end(), 0);
    return s;
}

// The key of a face of `count` (2 to 4) nodes, at the positions `at` among the element's
// nodes: sorted in registers, without a branch on the common face of distinct nodes.
inline Key faceKey(const int32_t* nodes, const int8_t* at, int count) {
    uint64_t a = uint32_t(nodes[at[0]]), b = uint32_t(nodes[at[1]]);
    uint64_t c = count > 2 ? uint32_t(nodes[at[2]]) : 0, d = count > 3 ? uint32_t(nodes[at[3]]) : 0;
    const auto order = [](uint64_t& x, uint64_t& y) {
        const uint64_t lo = std::min(x, y), hi = std::max(x, y);
        x = lo;
        y = hi;
    };
    if (count == 4) {
        order(a, b);
        order(c, d);
        order(a, c);
        order(b, d);
        order(b, c);
    } else {
        order(a, b);
        if (count == 3) {
            order(b, c);
            order(a, b);
        }
    }
    if (a == b || b == c || (c == d && d != 0)) {
        const int32_t face[4] = {int32_t(a), int32_t(b), int32_t(c), int32_t(d)};
        return Key(nodeSet(count, face));
    }
    return Key(a | b << 32, c | d << 32);
}

struct Face {
    int32_t element;
    int32_t face;
};

// For each element type, the positions among the element's nodes of the nodes of each face;
// taken from FeModel::getFace on an element whose nodes are 1, 2, 3, ...
class FaceTable {
  public:
    FaceTable() {
        for (int32_t code = 0; code <= 48; ++code) {
            const ElementType* type = elementType(code);
            if (!type || !hasSurfaceFaces(type->family)) continue;
            FeModel m;
            m.nodeCount = type->nodeCount;
            m.elementCount = 1;
            m.elements.push_back(
                {1, type->nodeCount, code, 1, 1, 1, type->faceCount, 0, 0, 0, type->family});
            for (int32_t p = 1; p <= type->nodeCount; ++p)
                m.connectivity.push_back(p);
            int32_t face[4];
            for (int i = 0; i < type->faceCount && i < 8; ++i) {
                Entry& f = faces_[code][i];
                f.count = int8_t(m.getFace(0, i, face));
                for (int j = 0; j < f.count; ++j)
                    f.at[j] = int8_t(face[j] - 1);
            }
        }
    }
    struct Entry {
        int8_t count = 0;  // 0: no such face
        int8_t at[4] = {};
    };
    const Entry& of(int32_t code, int i) const { return faces_[code][i]; }

  private:
    Entry faces_[49][8];
};

// The faces waiting for their twin: open addressing with linear probing, removed entries
// closing the gap behind them so that no search walks over a grave. A face's place follows
// its lowest node, which grows with the elements in any orderly numbering: the table is then
// walked through like a window rather than at random, and stays in the processor's cache.
class WaitingFaces {
  public:
    // Room for `faces` faces: a table too small for the faces that wait at the same time
    // leaves some of them to the rule while it grows.
    explicit WaitingFaces(int64_t faces)
        : slots_(std::bit_ceil(size_t(std::clamp<int64_t>(2 * faces, 1024, 1 << 16)))) {}
    // The face is taken out with its twin of another element (both hidden), or kept to wait
    // for one. A twin of the same element (a collapsed element has faces with the same nodes)
    // pairs with nothing: the face is left to the rule.
    [[gnu::always_inline]] void pair(Key key, Face face, std::vector<Face>& left) {
        size_t i = home(key);
        for (; !slots_[i].key.empty(); i = (i + 1) & mask()) {
            if (!(slots_[i].key == key)) continue;
            if (slots_[i].face.element == face.element) {
                left.push_back(face);
            } else {
                longestWait_ =
                    std::max(longestWait_, int64_t(face.element) - slots_[i].face.element);
                erase(i);
            }
            return;
        }
        slots_[i] = {key, face};
        if (++size_ * 2 > slots_.size()) makeRoom(face.element, left);
    }
    // The twin of a face of another element, taken out; false when none waits.
    bool take(Key key, int32_t element) {
        for (size_t i = home(key); !slots_[i].key.empty(); i = (i + 1) & mask())
            if (slots_[i].key == key && slots_[i].face.element != element) {
                erase(i);
                return true;
            }
        return false;
    }
    template <class F>
    void forEach(F&& f) const {
        for (const Slot& s : slots_)
            if (!s.key.empty()) f(s.key, s.face);
    }

  private:
    struct Slot {
        Key key;
        Face face{0, 0};
    };
    size_t mask() const { return slots_.size() - 1; }
    size_t home(const Key& key) const { return size_t(key.low << 2) & mask(); }
    void erase(size_t hole) {
        --size_;
        for (size_t i = (hole + 1) & mask(); !slots_[i].key.empty(); i = (i + 1) & mask()) {
            // The entry at i may move into the hole unless its home lies after the hole.
            if (((i - home(slots_[i].key)) & mask()) >= ((i - hole) & mask())) {
                slots_[hole] = slots_[i];
                hole = i;
            }
        }
        slots_[hole].key = Key();
    }
    // Faces that have waited longer than twice the longest wait of a twin found so far, and
    // than the table has slots, are left to the rule: the outer surface would otherwise pile
    // up here, and a large table is slow. The table doubles when it stays more than three
    // eighths full, and so lets faces wait longer while few of them find their twin.
    void makeRoom(int32_t now, std::vector<Face>& left) {
        std::vector<Slot> old(slots_.size());
        old.swap(slots_);
        size_ = 0;
        const int64_t waitedFrom = now - std::max(2 * longestWait_ + 1, int64_t(old.size()));
        for (const Slot& s : old)
            if (!s.key.empty() && s.face.element >= waitedFrom) ++size_;
        if (size_ * 8 > old.size() * 3) {
            std::vector<Slot>(old.size() * 2).swap(slots_);
        }
        for (const Slot& s : old) {
            if (s.key.empty()) continue;
            if (s.face.element < waitedFrom) {
                left.push_back(s.face);
                continue;
            }
            size_t i = home(s.key);
            while (!slots_[i].key.empty())
                i = (i + 1) & mask();
            slots_[i] = s;
        }
    }
    std::vector<Slot> slots_;
    size_t size_ = 0;
    int64_t longestWait_ = 0;  // elements between the farthest twins found so far
};

// Pairs the faces of the elements from begin to end, ticking `tick` after each `every`
// elements.
template <class Tick>
void pairRange(const FeModel& model, int32_t begin, int32_t end, WaitingFaces& waiting,
               std::vector<Face>& left, int32_t every, Tick&& tick) {
    static const FaceTable table;
    for (int32_t e = begin; e < end; ++e) {
        if (every > 0 && (e - begin) % every == 0 && e > begin) tick();
        const ElementRecord& r = model.elements[size_t(e)];
        if (!hasSurfaceFaces(r.family)) continue;
        const int32_t* nodes = model.connectivity.data() + r.firstNode;
        for (int i = 0; i < r.faceCount && i < 8; ++i) {
            const FaceTable::Entry& f = table.of(r.type, i);
            if (f.count >= 2) waiting.pair(faceKey(nodes, f.at, f.count), {e, i}, left);
        }
    }
}

// Whether the work on n elements is shared by two threads.
bool twoThreads(int32_t n) {
    return n >= 20000 && std::thread::hardware_concurrency() > 1;
}

// Node-to-element lists of some nodes only: for each, every element that holds it, in
// increasing order. One pass over the elements finds them.
class SomeNodeLists {
  public:
    SomeNodeLists(const FeModel& model, const std::vector<Face>& faces)
        : index_(size_t(model.nodeCount), -1) {
        int32_t face[4];
        int32_t marked = 0;
        for (const Face& f : faces) {
            const int count = model.getFace(f.element, f.face, face);
            for (int j = 0; j < count; ++j)
                if (index_[size_t(face[j] - 1)] < 0) index_[size_t(face[j] - 1)] = marked++;
        }
        // (node's place, element) for every listed node of every element, in element order;
        // the halves of a large model on two threads.
        using Held = std::vector<std::pair<int32_t, int32_t>>;
        const auto collect = [&](int32_t begin, int32_t end, Held& held) {
            for (int32_t e = begin; e < end; ++e)
                for (int32_t p : model.elementNodes(e))
                    if (const int32_t k = index_[size_t(p - 1)]; k >= 0) held.push_back({k, e + 1});
        };
        const int32_t n = model.elementCount;
        Held held, heldLater;
        if (twoThreads(n)) {
            std::thread worker(collect, n / 2, n, std::ref(heldLater));
            collect(0, n / 2, held);
            worker.join();
            held.insert(held.end(), heldLater.begin(), heldLater.end());
        } else {
            collect(0, n, held);
        }
        start_.assign(size_t(marked) + 1, 0);
        for (const auto& [k, e] : held)
            ++start_[size_t(k) + 1];
        for (size_t k = 1; k < start_.size(); ++k)
            start_[k] += start_[k - 1];
        list_.resize(held.size());
        std::vector<int64_t> fill(start_.begin(), start_.end() - 1);
        for (const auto& [k, e] : held)
            list_[size_t(fill[size_t(k)]++)] = e;
    }
    // The elements (1-based) that hold node p (1-based); empty for a node not listed.
    std::span<const int32_t> of(int32_t p) const {
        const int32_t k = index_[size_t(p - 1)];
        if (k < 0) return {};
        return {list_.data() + start_[size_t(k)],
                size_t(start_[size_t(k) + 1] - start_[size_t(k)])};
    }

  private:
    std::vector<int32_t> index_;  // per node: its place in start_, or -1
    std::vector<int64_t> start_;
    std::vector<int32_t> list_;
};

// A face whose nodes each belong to more than this many elements is not decided by scanning
// an element list: faces that all join such crowded nodes would make the rule quadratic in
// the size of the file. Those faces are decided afterwards, by counting the elements that
// hold all of their nodes.
constexpr size_t kScanLimit = 64;

enum class Hidden { Yes, No, Crowded };

// Whether an element other than e (0-based) holds every node of the face. An element holds a
// node exactly when it is in the node's element list, and those lists are in increasing
// order: the candidates of the shortest list are looked up in the others.
Hidden faceIsHidden(const SomeNodeLists& lists, int32_t e, int count, const int32_t* face) {
    std::span<const int32_t> of[4];
    int shortest = 0;
    for (int j = 0; j < count; ++j) {
        of[j] = lists.of(face[j]);
        if (of[j].size() < of[shortest].size()) shortest = j;
    }
    if (of[shortest].size() > kScanLimit) return Hidden::Crowded;
    const int32_t* from[4];
    for (int j = 0; j < count; ++j)
        from[j] = of[j].data();
    for (int32_t f : of[shortest]) {
        if (f - 1 == e) continue;
        bool all = true;
        for (int j = 0; j < count && all; ++j) {
            if (j == shortest) continue;
            const int32_t* end = of[j].data() + of[j].size();
            from[j] = std::lower_bound(from[j], end, f);
            all = from[j] != end && *from[j] == f;
        }
        if (all) return Hidden::Yes;
    }
    return Hidden::No;
}

// Decides the crowded faces in time linear in the model: every node of a crowded face is
// crowded, so an element holding all of a face's nodes holds them among its own crowded
// nodes, and counting every set of up to four of those finds all holders of every face.
void decideCrowded(FeModel& model, const SomeNodeLists& lists, const std::vector<Face>& crowded) {
    if (crowded.empty()) return;
    std::unordered_map<NodeSet, int32_t, NodeSetHash> holders;
    std::vector<NodeSet> sets(crowded.size());
    int32_t face[4];
    for (size_t c = 0; c < crowded.size(); ++c) {
        const int count = model.getFace(crowded[c].element, crowded[c].face, face);
        sets[c] = nodeSet(count, face);
        holders.emplace(sets[c], 0);
    }
    for (int32_t f = 0; f < model.elementCount; ++f) {
        int32_t nodes[8];
        int n = 0;
        for (int32_t p : model.elementNodes(f))
            if (n < 8 && lists.of(p).size() > kScanLimit &&
                std::find(nodes, nodes + n, p) == nodes + n)
                nodes[n++] = p;
        sortFew(nodes, n);
        for (unsigned subset = 1; subset < (1u << n); ++subset) {
            if (std::popcount(subset) > 4) continue;
            NodeSet s{0, 0, 0, 0};
            int k = 0;
            for (int b = 0; b < n; ++b)
                if (subset & (1u << b)) s[size_t(k++)] = nodes[b];
            const auto it = holders.find(s);
            if (it != holders.end()) ++it->second;
        }
    }
    // The face's own element is one holder.
    for (size_t c = 0; c < crowded.size(); ++c)
        if (holders[sets[c]] < 2) model.markExterior(crowded[c].element, crowded[c].face);
}

}  // namespace

bool FeModel::findSurfaceFaces(Progress& progress) {
    progress.setText("Find surface elements ...");
    progress.setPosition(0);

    const int32_t n = elementCount;
    const int32_t step = n / 20;  // progress every twentieth of the elements
    int position = 0;
    const auto tick = [&] {
        position = std::min(position + 5, 100);
        progress.setPosition(position);
    };
    // The faces left unpaired, to be decided by the rule.
    std::vector<Face> left;
    int32_t face[4];
    // Faces of neighbours come some way apart in the element table: a sixteenth of a
    // face per element is room for a few layers of a block numbered layer by layer.
    WaitingFaces waiting(n / 16);
    // Halves of a large model are paired on two threads; what the second half left, or kept
    // waiting, may find its twin among what waits at the end of the first.
    if (twoThreads(n)) {
        const int32_t middle = n / 2;
        WaitingFaces waitingLater(n / 16);
        std::vector<Face> leftLater;
        std::thread worker([&] { pairRange(*this, middle, n, waitingLater, leftLater, 0, [] {}); });
        // This thread's half ticks twice for each twentieth of the whole.
        pairRange(*this, 0, middle, waiting, left, step / 2, tick);
        worker.join();
        waitingLater.forEach([&](const Key&, Face f) { leftLater.push_back(f); });
        for (const Face& f : leftLater) {
            const int count = getFace(f.element, f.face, face);
            if (!waiting.take(Key(nodeSet(count, face)), f.element)) left.push_back(f);
        }
    } else {
        pairRange(*this, 0, n, waiting, left, step, tick);
    }
    waiting.forEach([&](const Key&, Face f) { left.push_back(f); });
    while (step > 0 && position < 100)
        tick();

    // The rule, for the faces left.
    const SomeNodeLists lists(*this, left);
    // Faces on the surface and crowded faces of left[begin, end), found on two threads when
    // there are many, marked on this one (an element's count of exterior faces is shared).
    const auto decide = [&](size_t begin, size_t end, std::vector<Face>& exterior,
                            std::vector<Face>& crowded) {
        int32_t nodes[4];
        for (size_t k = begin; k < end; ++k) {
            const Face& f = left[k];
            const int count = getFace(f.element, f.face, nodes);
            const Hidden h = faceIsHidden(lists, f.element, count, nodes);
            if (h != Hidden::Yes) (h == Hidden::No ? exterior : crowded).push_back(f);
        }
    };
    std::vector<Face> exterior, crowded, exteriorLater, crowdedLater;
    if (left.size() >= 20000 && std::thread::hardware_concurrency() > 1) {
        std::thread worker(decide, left.size() / 2, left.size(), std::ref(exteriorLater),
                           std::ref(crowdedLater));
        decide(0, left.size() / 2, exterior, crowded);
        worker.join();
        exterior.insert(exterior.end(), exteriorLater.begin(), exteriorLater.end());
        crowded.insert(crowded.end(), crowdedLater.begin(), crowdedLater.end());
    } else {
        decide(0, left.size(), exterior, crowded);
    }
    for (const Face& f : exterior)
        markExterior(f.element, f.face);
    decideCrowded(*this, lists, crowded);
    return true;
}

}  // namespace orv
