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

// Whether an element other than e (0-based) holds every node of the face.
Hidden faceIsHidden(const FeModel& model, int32_t e, int count, const int32_t* face) {
    // The hiding element is in the list of every face node; scanning the shortest list
    // gives the same answer as scanning the first one and bounds the work.
    std::span<const int32_t> candidates = model.nodeElements(face[0] - 1);
    int scanned = 0;
    for (int j = 1; j < count; ++j) {
        std::span<const int32_t> list = model.nodeElements(face[j] - 1);
        if (list.size() < candidates.size()) {
            candidates = list;
            scanned = j;
        }
    }
    if (candidates.size() > kScanLimit) return Hidden::Crowded;
    for (int32_t f : candidates) {
        if (f - 1 == e) continue;
        const ElementRecord& r = model.elements[size_t(f - 1)];
        const int32_t* nodes = model.connectivity.data() + r.firstNode;
        bool all = true;
        // Every element of a node's list holds that node: only the others need looking for.
        for (int j = 0; j < count && all; ++j)
            all = j == scanned ||
                  std::find(nodes, nodes + r.nodeCount, face[j]) != nodes + r.nodeCount;
        if (all) return Hidden::Yes;
    }
    return Hidden::No;
}

void searchRange(FeModel& model, int32_t begin, int32_t end, std::vector<CrowdedFace>& crowded) {
    int32_t face[4];
    for (int32_t e = begin; e < end; ++e) {
        const ElementRecord& r = model.elements[size_t(e)];
        if (!hasSurfaceFaces(r.family)) continue;
        for (int i = 0; i < r.faceCount; ++i) {
            const int count = model.getFace(e, i, face);
            if (count == 0) continue;
            switch (faceIsHidden(model, e, count, face)) {
                case Hidden::No:
                    model.markExterior(e, i);
                    break;
                case Hidden::Crowded:
                    crowded.push_back({e, i});
                    break;
                case Hidden::Yes:
                    break;
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
    while (begin < n) {
        const int32_t end = step > 0 ? std::min<int64_t>(n, (int64_t(begin) / step + 1) * step) : n;
        if (parallel) {
            const int32_t middle = begin + (end - begin) / 2;
            std::thread worker(searchRange, std::ref(*this), middle, end,
                               std::ref(crowdedByWorker));
            searchRange(*this, begin, middle, crowded);
            worker.join();
        } else {
            searchRange(*this, begin, end, crowded);
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
