// The outer-surface search: a face (edge) of a plane or solid element lies on the surface
// unless some other element, of any family, holds all of its nodes. Purely topological: it
// uses the node-to-element lists and never compares coordinates.
#include <algorithm>
#include <thread>

#include "fe_model.h"
#include "progress.h"

namespace orv {

namespace {

// True when an element other than e (0-based) holds every node of the face.
bool faceIsHidden(const FeModel& model, int32_t e, int count, const int32_t* face) {
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
    for (int32_t f : candidates) {
        if (f - 1 == e) continue;
        const ElementRecord& r = model.elements[size_t(f - 1)];
        const int32_t* nodes = model.connectivity.data() + r.firstNode;
        bool all = true;
        // Every element of a node's list holds that node: only the others need looking for.
        for (int j = 0; j < count && all; ++j)
            all = j == scanned ||
                  std::find(nodes, nodes + r.nodeCount, face[j]) != nodes + r.nodeCount;
        if (all) return true;
    }
    return false;
}

void searchRange(FeModel& model, int32_t begin, int32_t end) {
    int32_t face[4];
    for (int32_t e = begin; e < end; ++e) {
        const ElementRecord& r = model.elements[size_t(e)];
        if (!hasSurfaceFaces(r.family)) continue;
        for (int i = 0; i < r.faceCount; ++i) {
            const int count = model.getFace(e, i, face);
            if (count == 0) continue;
            if (!faceIsHidden(model, e, count, face)) model.markExterior(e, i);
        }
    }
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
    while (begin < n) {
        const int32_t end = step > 0 ? std::min<int64_t>(n, (int64_t(begin) / step + 1) * step) : n;
        if (parallel) {
            const int32_t middle = begin + (end - begin) / 2;
            std::thread worker(searchRange, std::ref(*this), middle, end);
            searchRange(*this, begin, middle);
            worker.join();
        } else {
            searchRange(*this, begin, end);
        }
        if (step > 0 && end % step == 0) {
            position = std::min(position + 5, 100);
            progress.setPosition(position);
        }
        begin = end;
    }
    return true;
}

}  // namespace orv
