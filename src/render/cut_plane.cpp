#include "cut_plane.h"

#include "fe_model.h"
#include "messages.h"

namespace orv {

bool CutPlane::inPlaneFace(int32_t e, int i) const {
    (void)e;
    (void)i;
    return false;
}

const CutSection* CutPlane::section(int32_t e) const {
    if (!active_ || size_t(e) >= sectionIndex_.size() || sectionIndex_[size_t(e)] < 0)
        return nullptr;
    return &sections_[size_t(sectionIndex_[size_t(e)])];
}

void CutPlane::apply(const FeModel& model, const std::array<double, 4>& plane, Messages& messages) {
    (void)model;
    (void)plane;
    (void)messages;
}

void CutPlane::clear() {
    active_ = false;
    states_.clear();
    inPlaneFaces_.clear();
    sectionIndex_.clear();
    sections_.clear();
}

}  // namespace orv
