// Fuzz target for the text result file reader: every input is read as a .asc file and as a
// .mdf mode file; an accepted model is listed, queried, and written in both formats and read
// back. Then the input is read once word by word and once with every line block split
// between two threads: both ways must give the same messages and the same model.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz_common.h"
#include "text_result_file.h"

namespace {

template <class T, class A>
bool sameBytes(const std::vector<T, A>& a, const std::vector<T, A>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool sameModel(const orv::FeModel& a, const orv::FeModel& b) {
    if (a.jobTitle != b.jobTitle || a.dimension != b.dimension || a.nodeCount != b.nodeCount ||
        a.elementCount != b.elementCount || !sameBytes(a.nodeNumbers, b.nodeNumbers) ||
        !sameBytes(a.coords, b.coords) || a.connectivity != b.connectivity ||
        a.faceFlags != b.faceFlags || !sameBytes(a.values, b.values))
        return false;
    for (int32_t e = 0; e < a.elementCount; ++e) {
        const orv::ElementRecord &x = a.elements[size_t(e)], &y = b.elements[size_t(e)];
        if (x.number != y.number || x.type != y.type || x.material != y.material ||
            x.realConstant != y.realConstant || x.firstNode != y.firstNode ||
            x.firstFlag != y.firstFlag || x.exteriorFaceCount != y.exteriorFaceCount)
            return false;
    }
    const orv::ResultSet &r = a.results, &s = b.results;
    if (r.stepCount != s.stepCount || r.dofCount != s.dofCount || r.dofNames != s.dofNames)
        return false;
    for (int32_t k = 0; k < r.stepCount; ++k)
        if (std::memcmp(&r.stepValue[k], &s.stepValue[k], sizeof(float)) != 0) return false;
    return true;
}

void compareReadModes(const uint8_t* data, size_t size) {
    orvfuzz::Scratch& scratch = orvfuzz::Scratch::get();
    scratch.put("input", data, size);
    const orv::TextReadMode saved = orv::textReadMode();
    orv::FeModel words, lines;
    orv::setTextReadMode({false, 0, 0});
    const orvfuzz::ReadOutcome byWords =
        orvfuzz::readInto(words, scratch.path("input"), orvfuzz::Format::Text);
    orv::setTextReadMode({true, 0, 0});
    const orvfuzz::ReadOutcome byLines =
        orvfuzz::readInto(lines, scratch.path("input"), orvfuzz::Format::Text);
    orv::setTextReadMode(saved);
    orvfuzz::check(byWords.accepted == byLines.accepted,
                   "line blocks and words disagree on accepting the file");
    orvfuzz::check(byWords.messages.boxes.size() == byLines.messages.boxes.size(),
                   "line blocks and words give different messages");
    for (size_t i = 0; i < byWords.messages.boxes.size(); ++i)
        orvfuzz::check(byWords.messages.boxes[i].text == byLines.messages.boxes[i].text,
                       "line blocks and words give different messages");
    orvfuzz::check(sameModel(words, lines), "line blocks and words read different models");
    orvfuzz::check(words.defaultDisplaySteps() == lines.defaultDisplaySteps(),
                   "line blocks and words give different display steps");
    scratch.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::runInput(data, size, {orvfuzz::Format::Text, orvfuzz::Format::Modes});
    compareReadModes(data, size);
    return 0;
}
