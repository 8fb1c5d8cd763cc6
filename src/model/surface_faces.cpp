// The outer-surface search: a face (edge) of a plane or solid element lies on the surface
// unless some other element, of any family, holds all of its nodes. Purely topological: it
// uses the node-to-element lists and never compares coordinates.
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

// A face whose nodes each belong to more than this many elements is not decided by scanning
// an element list: faces that all join such crowded nodes would make the search quadratic in
// the size of the file. Those faces are decided afterwards, by counting the elements that
// hold all of their nodes.
constexpr size_t kScanLimit = 64;

struct CrowdedFace {
    int32_t element;
    int face;
};

enum class Hidden { Yes, No, Crowded };

// For each element type, the positions among the element's nodes of the nodes of each face,
// as bit masks (bit p for node p + 1); taken from FeModel::getFace on an element whose nodes
// are 1, 2, 3, ...
class FaceMasks {
  public:
    FaceMasks() {
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
                const int count = m.getFace(0, i, face);
                for (int j = 0; j < count; ++j)
                    masks_[code][i] |= uint8_t(1u << (face[j] - 1));
            }
        }
    }
    // Mask of face i of an element of the type; 0 when it has no such face.
    uint8_t of(int32_t code, int i) const { return masks_[code][i]; }

  private:
    uint8_t masks_[49][8] = {};
};

// Whether an element other than e (0-based) holds every node of the face; when one does, it
// is `holder` (0-based). An element holds a node exactly when it is in the node's element
// list, and those lists are in reading order: the candidates of the shortest list are looked
// up in the others, never in the elements' own node lists, which lie all over the tables.
Hidden faceIsHidden(const FeModel& model, int32_t e, int count, const int32_t* face,
                    int32_t& holder) {
    std::span<const int32_t> lists[4];
    int shortest = 0;
    for (int j = 0; j < count; ++j) {
        lists[j] = model.nodeElements(face[j] - 1);
        if (lists[j].size() < lists[shortest].size()) shortest = j;
    }
    // Scanning the shortest list bounds the work.
    if (lists[shortest].size() > kScanLimit) return Hidden::Crowded;
    // Candidates come in increasing order: each list is searched from where the last search
    // in it ended.
    const int32_t* from[4];
    for (int j = 0; j < count; ++j)
        from[j] = lists[j].data();
    for (int32_t f : lists[shortest]) {
        if (f - 1 == e) continue;
        bool all = true;
        for (int j = 0; j < count && all; ++j) {
            if (j == shortest) continue;
            const int32_t* end = lists[j].data() + lists[j].size();
            from[j] = std::lower_bound(from[j], end, f);
            all = from[j] != end && *from[j] == f;
        }
        if (all) {
            holder = f - 1;
            return Hidden::Yes;
        }
    }
    return Hidden::No;
}

// Decides the faces of the elements from begin to end. A face hidden by an element that
// comes later in the range hides that element's faces whose nodes are all among its own:
// those are marked in `hidden` (a bit per face of each element) and not searched again.
void searchRange(FeModel& model, int32_t begin, int32_t end, std::vector<CrowdedFace>& crowded,
                 std::vector<uint8_t>& hidden) {
    static const FaceMasks masks;
    int32_t face[4];
    for (int32_t e = begin; e < end; ++e) {
        const ElementRecord& r = model.elements[size_t(e)];
        if (!hasSurfaceFaces(r.family)) continue;
        for (int i = 0; i < r.faceCount; ++i) {
            if (hidden[size_t(e)] & (1u << i)) continue;
            const int count = model.getFace(e, i, face);
            if (count == 0) continue;
            int32_t holder = -1;
            switch (faceIsHidden(model, e, count, face, holder)) {
                case Hidden::No:
                    model.markExterior(e, i);
                    break;
                case Hidden::Crowded:
                    crowded.push_back({e, i});
                    break;
                case Hidden::Yes: {
                    const int32_t f = holder;
                    if (f <= e || f >= end) break;
                    const ElementRecord& h = model.elements[size_t(f)];
                    if (!hasSurfaceFaces(h.family)) break;
                    // Where the face's nodes are among the holder's.
                    const std::span<const int32_t> nodes = model.elementNodes(f);
                    unsigned positions = 0;
                    for (int j = 0; j < count; ++j)
                        positions |=
                            1u << (std::find(nodes.begin(), nodes.end(), face[j]) - nodes.begin());
                    for (int j = 0; j < h.faceCount && j < 8; ++j) {
                        const unsigned m = masks.of(h.type, j);
                        if (m != 0 && (m & positions) == m) hidden[size_t(f)] |= 1u << j;
                    }
                    break;
                }
            }
        }
    }
}

// The distinct nodes of a face in increasing order, padded with zeros.
using NodeSet = std::array<int32_t, 4>;

struct NodeSetHash {
    size_t operator()(const NodeSet& s) const {
        uint64_t h = 0;
        for (int32_t p : s)
            h = (h ^ uint32_t(p)) * 0x100000001b3ull;
        return size_t(h ^ (h >> 29));
    }
};

// Insertion sort of at most eight node positions.
void sortFew(int32_t* p, int n) {
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && p[j - 1] > p[j]; --j)
            std::swap(p[j - 1], p[j]);
}

NodeSet nodeSet(int count, const int32_t* face) {
    NodeSet s{0, 0, 0, 0};
    std::copy(face, face + count, s.begin());
    sortFew(s.data(), count);
    std::fill(std::unique(s.begin(), s.begin() + count), s.end(), 0);
    return s;
}

// Decides the crowded faces in time linear in the model: every node of a crowded face is
// crowded, so an element holding all of a face's nodes holds them among its own crowded
// nodes, and counting every set of up to four of those finds all holders of every face.
void decideCrowded(FeModel& model, const std::vector<CrowdedFace>& crowded) {
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
            if (n < 8 && model.nodeElements(p - 1).size() > kScanLimit &&
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
    if (nodeElementStart.empty()) buildNodeElementLists();
    progress.setText("Find surface elements ...");
    progress.setPosition(0);

    const int32_t n = elementCount;
    const int32_t step = n / 20;  // progress every twentieth of the elements
    // Each element writes only its own flags, so halves of a block run in parallel.
    const bool parallel = n >= 20000 && std::thread::hardware_concurrency() > 1;
    int position = 0;
    int32_t begin = 0;
    std::vector<CrowdedFace> crowded, crowdedByWorker;
    std::vector<uint8_t> hidden(size_t(n), 0);
    while (begin < n) {
        const int32_t end = step > 0 ? std::min<int64_t>(n, (int64_t(begin) / step + 1) * step) : n;
        if (parallel) {
            const int32_t middle = begin + (end - begin) / 2;
            std::thread worker(searchRange, std::ref(*this), middle, end, std::ref(crowdedByWorker),
                               std::ref(hidden));
            searchRange(*this, begin, middle, crowded, hidden);
            worker.join();
        } else {
            searchRange(*this, begin, end, crowded, hidden);
        }
        if (step > 0 && end % step == 0) {
            position = std::min(position + 5, 100);
            progress.setPosition(position);
        }
        begin = end;
    }
    crowded.insert(crowded.end(), crowdedByWorker.begin(), crowdedByWorker.end());
    decideCrowded(*this, crowded);
    return true;
}

}  // namespace orv
