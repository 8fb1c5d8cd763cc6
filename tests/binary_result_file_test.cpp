// The binary result file: hand-composed files as tests/golden/binary_reads.txt holds them,
// truncated files, and the writer giving back what was read byte for byte.
#include <cstring>
#include <limits>

#include "binary_result_file.h"
#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// A field of the file: every field, titles and names included, is composed of 4-byte words,
// so that word i lies at byte 4 i.
struct Word {
    uint32_t bits;
    Word(int32_t v) : bits(uint32_t(v)) {}
    Word(float v) { std::memcpy(&bits, &v, 4); }
    Word(const char (&s)[5]) { std::memcpy(&bits, s, 4); }
};
using Words = std::vector<Word>;

std::string bytesOf(const Words& words) {
    return std::string(reinterpret_cast<const char*>(words.data()), words.size() * 4);
}

// clang-format off
// A tetrahedron and a four-node shell on its nodes, components "TEMP" "PRES", one step.
const Words kTet = {
    200030, 4, "beam", 4, 3, 2, 1,  // magic, title, node count, dimension, components, steps
    // words 7 to 30: label, coordinates, values of each node
    11, -0.5f, -0.5f, -0.5f, 0.1f, -0.2f, 12, 0.5f, -0.5f, -0.5f, 0.3f, 0.4f,
    13, -0.5f, 0.5f, -0.5f, -0.7f, 0.0f, 14, -0.5f, -0.5f, 0.5f, 0.2f, 0.9f,
    1, 2, 1, 4, "TEMP", 4, "PRES",  // words 31 to 37
    // overall max and min per component, step value, its max and min per component
    0.3f, -0.7f, 0.9f, -0.2f, 2.5f, 0.3f, -0.7f, 0.9f, -0.2f,
    2, 34, 44,  // words 47 to 49: element count and codes
    7, 4, 34, 2, 3, 1, 2, 3, 4, 4, 4, 1, 1, 1, 1,  // word 50: number, node count, type,
    8, 4, 44, 1, 1, 1, 2, 3, 4, 4, 0, 0, 0, 0,  // material, real constant, nodes, faces, flags
    1.5f, 2.5f, 3.5f, 0.5f, -0.5f, 0.5f, -0.5f, 0.5f, -0.5f};  // word 79: centre, box
// A plane model without results: an eight-node quadrilateral, a six-node triangle beside
// it, a line and a point; plane elements carry one flag per node.
const Words kPlane = {
    200030, 4, "flat", 11, 2, 0, 0,
    1, 0.0f, 0.0f, 2, 1.0f, 0.0f, 3, 2.0f, 0.0f, 4, 2.0f, 1.0f, 5, 2.0f, 2.0f, 6, 1.0f, 2.0f,
    7, 0.0f, 2.0f, 8, 0.0f, 1.0f, 9, 4.0f, 1.0f, 10, 3.0f, 0.5f, 11, 3.0f, 1.5f,
    0, 0, 0, 4, 28, 26, 22, 21,  // words 40 to 47
    1, 8, 28, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 1, 1, 0, 0, 1, 1, 1, 1,
    2, 6, 26, 2, 1, 3, 10, 9, 11, 5, 4, 1, 1, 1, 1, 0, 0,
    3, 2, 22, 5, 6, 7, 1, 4, 1, 21, 1, 1, 9,
    2.0f, 1.0f, 0.0f, 2.0f, -2.0f, 1.0f, -1.0f, 1.0f, 0.0f};
// clang-format on

// kPlane as writers that store one flag per side of a quadratic element compose it: the
// outline is then found from the connectivity, and `flag` is the first flag of the triangle.
std::string planeFlaggedPerSide(int32_t flag = 0) {
    return bytesOf(kPlane)
        .replace(4 * 80, 4 * 6, bytesOf({flag, 1, 0}))
        .replace(4 * 61, 4 * 8, bytesOf({0, 0, 0, 1}));
}

// The bytes with words [first, first + count) replaced.
std::string spliced(const Words& words, size_t first, size_t count, const std::string& with) {
    return bytesOf(words).replace(4 * first, 4 * count, with);
}

// A word of a hand-composed file replaced; `shown` is the value as the test writes it.
struct Patch {
    size_t at;
    Word value;
    const char* shown;
};
#define PATCH(at, value) (Patch{at, Word(value), #value})

// Every field of the file is shown (and named by its offset when it is damaged).
TEST(BinaryRead, FilesAsCommitted) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Titles and names end at their first zero byte; stored extremes that are not finite are
    // computed from the values; a result flag of 0 leaves the results out. Every other patch
    // damages the file.
    const std::vector<Patch> tetPatches[] = {
        {PATCH(2, "be\0m"), PATCH(37, "PR\0\0"), PATCH(38, nan)},
        {PATCH(5, 0), PATCH(6, 1 << 20)},
        {PATCH(14, 3e38f), PATCH(79, 3e38f)}};
    const Patch tetPatch[] = {
        PATCH(31, 0),         PATCH(0, 200029), PATCH(1, 156),  PATCH(1, -1),   PATCH(3, -1),
        PATCH(3, INT32_MAX),  PATCH(4, 4),      PATCH(4, 1),    PATCH(5, 51),   PATCH(6, INT32_MIN),
        PATCH(6, INT32_MAX),  PATCH(32, 1),     PATCH(33, 2),   PATCH(36, 20),  PATCH(47, -1),
        PATCH(47, INT32_MAX), PATCH(48, 25),    PATCH(52, 25),  PATCH(52, 38),  PATCH(51, 3),
        PATCH(57, 5),         PATCH(72, 0),     PATCH(59, 5),   PATCH(74, 3),   PATCH(60, 5),
        PATCH(62, 2),         PATCH(21, nan),   PATCH(8, -inf), PATCH(80, inf), PATCH(85, nan),
        PATCH(83, 0.6f),      PATCH(84, -0.6f)};
    std::vector<std::pair<const Words*, std::vector<Patch>>> patched = {{&kPlane, {PATCH(46, 32)}},
                                                                        {&kPlane, {PATCH(47, 44)}}};
    for (const std::vector<Patch>& p : tetPatches)
        patched.push_back({&kTet, p});
    for (const Patch& p : tetPatch)
        patched.push_back({&kTet, {p}});
    TempDir dir;
    FeModel points = buildModel(2, Points(70, {0, 0, 0}), {});
    points.results.initialise(40, 0, {}, 2);  // steps without components are dropped
    writeFile(points, dir.file("steps.rst"));
    // No nodes, but a node record after the header: its words pass for the result block and
    // the element count, and the model's own last 16 bytes are left over.
    const Words none = {200030, 4,    "none", 0,    3,    0,    0,    0,    0,    0,
                        0,      0.0f, 0.0f,   0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const std::string tet = bytesOf(kTet);
    std::vector<std::pair<std::string, std::string>> files = {
        {"tet", tet},
        {"plane", bytesOf(kPlane)},
        {"plane, one flag per side", planeFlaggedPerSide()},
        {"plane, one flag per side, the flag 2", planeFlaggedPerSide(2)},
        {"tet, the longest title and name",
         spliced(kTet, 36, 2, bytesOf({19}) + std::string(19, 'n'))
             .replace(4, 8, bytesOf({155}) + std::string(155, 't'))},
        {"points, 40 steps without components", readBytes(dir.file("steps.rst"))},
        {"no nodes", bytesOf(none)},
        {"no nodes, a node record", spliced(none, 7, 0, bytesOf({1, 0.0f, 0.0f, 0.0f}))},
        {"tet twice", tet + tet},
        {"tet and a byte", tet + "x"}};
    for (const auto& [base, patches] : patched) {
        Words words = *base;
        std::string label = base == &kTet ? "tet" : "plane";
        for (const Patch& p : patches) {
            words.at(p.at) = p.value;
            label += ", word " + std::to_string(p.at) + " " + p.shown;
        }
        files.emplace_back(label, bytesOf(words));
    }
    std::string report;
    for (const auto& [label, bytes] : files)
        report += label + "\n" + describe(readFile(dir.file("in.rst"), bytes)) + "\n";
    expectGolden("binary_reads.txt", report);
    expectRefused(readFile(dir.file("absent.rst")), " Error to open file .rst");
    EXPECT_EQ(readFile(dir.file("steps.rst")).progress.positions,
              (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));  // by the nodes
}

TEST(BinaryRead, EveryTruncationIsRefused) {
    TempDir dir;
    for (const Words& words : {kTet, kPlane}) {
        const std::string whole = bytesOf(words);
        for (size_t size = 0; size < whole.size(); ++size) {
            SCOPED_TRACE("cut at " + std::to_string(size));
            expectRefused(readFile(dir.file("in.rst"), whole.substr(0, size)),
                          size + 1 < whole.size()
                              ? ""
                              : "The file ends early: it is cut off in the trailer at byte " +
                                    std::to_string(size) + "!");
        }
    }
}

// A read file is written back byte for byte (a plane file with a flag per side gets one per
// node), also when its records span many fills of the read buffer: values stored node by node
// for one step and for several steps, node records larger than the buffer. Titles keep 99 bytes.
TEST(BinaryWrite, AReadFileIsWrittenBackByteForByte) {
    TempDir dir;
    std::vector<std::pair<std::string, std::string>> files = {
        {bytesOf(kTet), bytesOf(kTet)},
        {bytesOf(kPlane), bytesOf(kPlane)},
        {planeFlaggedPerSide(), bytesOf(kPlane)}};
    FeModel strip = triangleStrip(60000);
    strip.recentre();
    FeModel wide = buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 43, {1, 2, 3}}});
    std::vector<std::string> names;
    for (int d = 0; d < 50; ++d)
        names.push_back("C" + std::to_string(d));
    const auto value = [](int32_t k, int32_t i, int32_t d) { return float(k * 7 + i % 1000 - d); };
    for (const auto& [model, steps] :
         {std::pair(&strip, 1), std::pair(&strip, 3), std::pair(&wide, 6000)}) {
        addResults(*model, model == &wide ? names : std::vector<std::string>{"UX", "UY", "TEMP"},
                   std::vector<float>(size_t(steps), 0.5f), value);
        writeFile(*model, dir.file("in.rst"));
        EXPECT_TRUE(readAccepted(dir.file("in.rst")).values == model->values) << steps;
        files.emplace_back(readBytes(dir.file("in.rst")), readBytes(dir.file("in.rst")));
    }
    for (const auto& [in, out] : files) {
        writeFile(readAccepted(dir.file("a.rst"), in), dir.file("b.rst"));
        EXPECT_TRUE(readBytes(dir.file("b.rst")) == out) << in.size() << " bytes";
    }
    FeModel titled = readAccepted(dir.file("a.rst"), bytesOf(kTet));
    titled.jobTitle = std::string(99, 'x') + "yz";
    writeFile(titled, dir.file("title.rst"));
    EXPECT_EQ(readBytes(dir.file("title.rst")).substr(4, 5), std::string("\x63\0\0\0x", 5));
}

}  // namespace
