// The binary result file: what a hand-composed file gives, the refusal of damaged, truncated
// or inconsistent files, and the writer giving back what was read byte for byte.

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

Words patched(Words words, const std::vector<std::pair<size_t, Word>>& patches) {
    for (const auto& [at, value] : patches)
        words.at(at) = value;
    return words;
}

// A text preceded by its length, as titles and names are stored.
std::string counted(const std::string& text) {
    return bytesOf({int32_t(text.size())}) + text;
}

// The bytes with words [first, first + count) replaced.
std::string spliced(const Words& words, size_t first, size_t count, const std::string& with) {
    return bytesOf(words).replace(4 * first, 4 * count, with);
}

ReadOutcome readRst(const TempDir& dir, const std::string& bytes) {
    return readContent(dir, "in.rst", bytes);
}

// What the fields mean; that every field is read is shown by writing the files back below.
TEST(BinaryRead, AHandComposedFileGivesItsFields) {
    TempDir dir;
    const FeModel m = readAccepted(dir.file("tet.rst"), bytesOf(kTet));
    EXPECT_EQ(m.jobTitle, "beam");
    EXPECT_EQ(m.nodeNumbers, (std::vector<int32_t>{11, 12, 13, 14}));
    EXPECT_EQ(std::vector<float>({m.coordinate(3, 2), m.fileCoordinate(1, 0), m.box.zMin}),
              std::vector<float>({0.5f, 2.0f, -0.5f}));  // file coordinate: plus the centre
    EXPECT_EQ(std::make_pair(m.storedValue(2, 0, 0), m.extremes(false, 0, 1).second),
              std::make_pair(-0.7f, -0.2f));
    const ElementRecord& e = m.elements.at(0);
    EXPECT_EQ(std::vector<int32_t>({e.number, e.material, e.realConstant, e.exteriorFaceCount}),
              std::vector<int32_t>({7, 2, 3, 4}));
    const FeModel plane = readAccepted(dir.file("plane.rst"), bytesOf(kPlane));
    EXPECT_EQ(plane.faceFlags,
              (std::vector<uint8_t>{1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(plane.box.zMax, 1.0f);
}

TEST(BinaryRead, AcceptedVariants) {
    TempDir dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Titles and names end at their first zero byte; stored extremes that are not finite
    // are computed from the values.
    auto r = readRst(dir, bytesOf(patched(kTet, {{2, "be\0m"}, {37, "PR\0\0"}, {38, nan}})));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.jobTitle, "be");
    EXPECT_EQ(r.model.results.dofNames[1], "PR");
    EXPECT_EQ(r.model.extremes(false, 0, 0), std::make_pair(0.3f, -0.7f));
    // The longest title and name.
    const std::string title(155, 't'), name(19, 'n');
    r = readRst(dir, spliced(kTet, 36, 2, counted(name)).replace(4, 8, counted(title)));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.jobTitle, title);
    EXPECT_EQ(r.model.results.dofNames[1], name);
}

TEST(BinaryRead, StepsWithoutComponentsAreDroppedAndProgressFollowsTheNodes) {
    TempDir dir;
    Points points;
    for (int i = 0; i < 70; ++i)
        points.push_back({float(i), 0, 0});
    FeModel m = buildModel(2, points, {});
    m.results.initialise(40, 0, {}, 2);
    writeFile(m, dir.file("steps.rst"));
    const ReadOutcome r = readFile(dir.file("steps.rst"));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.results.stepCount, 0);
    EXPECT_EQ(r.model.defaultDisplaySteps(), 0);
    EXPECT_EQ(r.progress.positions, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST(BinaryRead, AResultFlagOfZeroGivesAModelWithoutResults) {
    // The tetrahedron's file with its values, names and extremes, flagged as holding none.
    TempDir dir;
    const ReadOutcome r = readRst(dir, bytesOf(patched(kTet, {{31, 0}})));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    const FeModel& m = r.model;
    EXPECT_TRUE(m.results.stepCount == 0 && m.results.dofCount == 0 && m.results.hasResults == 0);
    EXPECT_TRUE(m.results.dofNames.empty() && m.values.empty());
    EXPECT_EQ(r.model.defaultDisplaySteps(), 0);
    EXPECT_EQ(m.elements.at(1).number, 8);  // the blocks after the results are read as usual

    // The listings, the model written as .rst and read back, and the model written as .asc
    // and read back all show the same model.
    writeFile(m, dir.file("out.rst"));
    writeFile(m, dir.file("out.asc"));
    const FeModel fromRst = readAccepted(dir.file("out.rst"));
    const FeModel fromAsc = readAccepted(dir.file("out.asc"));
    for (ListingKind kind : {ListingKind::Results, ListingKind::ModelInformation,
                             ListingKind::Nodes, ListingKind::Elements}) {
        EXPECT_EQ(listing(kind, fromRst), listing(kind, m)) << int(kind);
        EXPECT_EQ(listing(kind, fromAsc), listing(kind, m)) << int(kind);
    }
    EXPECT_EQ(listing(ListingKind::Results, m), "0\t\r\nTotal step : 0\r\n");
    writeFile(fromRst, dir.file("again.rst"));
    EXPECT_EQ(readBytes(dir.file("again.rst")), readBytes(dir.file("out.rst")));
}

TEST(BinaryRead, LargeModelsReadInBatchesGiveBackTheirBytes) {
    // Records across many fills of the read buffer: values stored node by node for one step,
    // and for several steps; and node records larger than the whole buffer.
    TempDir dir;
    FeModel strip = triangleStrip(60000);
    strip.recentre();
    for (int32_t steps : {1, 3}) {
        addResults(strip, {"UX", "UY", "TEMP"}, std::vector<float>(size_t(steps), 0.5f),
                   [](int32_t k, int32_t i, int32_t d) { return float(k * 7 + i % 1000 - d); });
        writeFile(strip, dir.file("strip.rst"));
        const FeModel m = readAccepted(dir.file("strip.rst"));
        EXPECT_TRUE(m.values == strip.values && m.connectivity == strip.connectivity) << steps;
        writeFile(m, dir.file("again.rst"));
        EXPECT_TRUE(readBytes(dir.file("again.rst")) == readBytes(dir.file("strip.rst"))) << steps;
    }
    FeModel wide = buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 43, {1, 2, 3}}});
    std::vector<std::string> names;
    for (int d = 0; d < 50; ++d)
        names.push_back("C" + std::to_string(d));
    addResults(wide, names, std::vector<float>(6000, 1.0f),
               [](int32_t k, int32_t i, int32_t d) { return float(k - i * d); });
    writeFile(wide, dir.file("wide.rst"));
    EXPECT_TRUE(readAccepted(dir.file("wide.rst")).values == wide.values);
}

std::string at(size_t word) {
    return "The file is damaged at byte " + std::to_string(4 * word) + ": ";
}

TEST(BinaryRefusal, DamagedFieldsAreNamedWithTheirOffset) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::string need3 = " needs three coordinates in a two-dimensional model!";
    struct Case {
        const Words& base;
        std::vector<std::pair<size_t, Word>> patches;
        std::string message;
    };
    const Case cases[] = {
        {kTet, {{0, 200029}}, "This file is not available for current version!"},
        {kTet, {{1, 156}}, at(1) + "the title length 156 is impossible!"},
        {kTet, {{1, -1}}, at(1) + "the title length -1 is impossible!"},
        {kTet, {{3, -1}}, at(3) + "the node count -1 is negative!"},
        {kTet,
         {{3, INT32_MAX}},
         at(3) + "the node count 2147483647 is more than the file can hold!"},
        {kTet, {{4, 4}}, at(4) + "the dimension is 4 instead of 2 or 3!"},
        {kTet, {{4, 1}}, at(4) + "the dimension is 1 instead of 2 or 3!"},
        {kTet, {{5, 51}}, at(5) + "the number of result components 51 is not between 0 and 50!"},
        {kTet, {{6, INT32_MIN}}, at(6) + "the step count -2147483648 is negative!"},
        {kTet,
         {{6, INT32_MAX}},
         at(6) + "the step count 2147483647 is more than the file can hold!"},
        {kTet,
         {{5, 0}, {6, 1 << 20}},
         at(6) + "the step count 1048576 is more than the file can hold!"},
        {kTet, {{32, 1}}, at(32) + "the result block has 1 components, the header 2!"},
        {kTet, {{33, 2}}, at(33) + "the result block has 2 steps, the header 1!"},
        {kTet,
         {{36, 20}},
         at(36) + "the name length 20 of result component 2 is not between 0 and 19!"},
        {kTet, {{47, -1}}, at(47) + "the element count -1 is negative!"},
        {kTet,
         {{47, INT32_MAX}},
         at(47) + "the element count 2147483647 is more than the file can hold!"},
        {kTet, {{48, 25}}, "Element type does not exist!"},
        {kTet, {{52, 25}}, "Element type does not exist!25"},
        {kTet, {{52, 38}}, at(50) + "element 1 is listed as type 34 but its record holds type 38!"},
        {kTet, {{51, 3}}, at(50) + "element 1 of type 34 has 3 nodes instead of 4!"},
        {kTet, {{57, 5}}, at(55) + "element 1 refers to node 5, outside 1..4!"},
        {kTet, {{72, 0}}, at(70) + "element 2 refers to node 0, outside 1..4!"},
        {kTet, {{59, 5}}, at(59) + "element 1 of type 34 has 5 faces instead of 4!"},
        {kTet, {{74, 3}}, at(74) + "element 2 of type 44 has 3 faces instead of 4!"},
        {kTet, {{60, 5}}, at(60) + "element 1 has 5 exterior faces of 4!"},
        {kTet, {{62, 2}}, at(62) + "element 1 has the face flag 2 instead of 0 or 1!"},
        {kTet, {{21, nan}}, at(20) + "node 3 has a coordinate that is not finite!"},
        {kTet, {{8, -inf}}, at(8) + "node 1 has a coordinate that is not finite!"},
        {kTet, {{80, inf}}, at(79) + "the centre or the bounding box is not finite!"},
        {kTet, {{85, nan}}, at(79) + "the centre or the bounding box is not finite!"},
        {kTet, {{83, 0.6f}}, at(79) + "the bounding box is inverted!"},
        {kTet, {{84, -0.6f}}, at(79) + "the bounding box is inverted!"},
        {kTet,
         {{14, 3e38f}, {79, 3e38f}},
         at(79) + "the centre puts node 2 beyond the range of real numbers!"},
        {kPlane, {{46, 32}}, at(46) + "element 3 of type 32" + need3},
        {kPlane, {{47, 44}}, at(47) + "element 4 of type 44" + need3},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        expectRefused(readRst(dir, bytesOf(patched(c.base, c.patches))), c.message);
    }
    expectRefused(readFile(dir.file("absent.rst")), " Error to open file .rst");
}

TEST(BinaryRefusal, BytesAfterTheModelAreRefused) {
    TempDir dir;
    const std::string tet = bytesOf(kTet), end = std::to_string(tet.size());
    // Two files one after the other, and a single stray byte.
    expectRefused(readRst(dir, tet + tet), "The file is damaged at byte " + end + ": " + end +
                                               " bytes follow the end of the model!");
    expectRefused(readRst(dir, tet + "x"),
                  "The file is damaged at byte " + end + ": 1 byte follows the end of the model!");
    // No nodes, but a node record after the header: its words pass for the result block and
    // the element count, and the model's own last 16 bytes are left over.
    const Words empty = {200030, 4,    "none", 0,    3,    0,    0,    0,    0,    0,
                         0,      0.0f, 0.0f,   0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    EXPECT_TRUE(readRst(dir, bytesOf(empty)).ok);
    expectRefused(readRst(dir, spliced(empty, 7, 0, bytesOf({1, 0.0f, 0.0f, 0.0f}))),
                  at(20) + "16 bytes follow the end of the model!");
}

TEST(BinaryRefusal, EveryTruncationIsRefused) {
    TempDir dir;
    for (const Words& words : {kTet, kPlane}) {
        const std::string whole = bytesOf(words);
        for (size_t size = 0; size < whole.size(); ++size) {
            SCOPED_TRACE("cut at " + std::to_string(size));
            expectRefused(readRst(dir, whole.substr(0, size)), "");
        }
        expectRefused(readRst(dir, whole.substr(0, whole.size() - 1)),
                      "The file ends early: it is cut off in the trailer at byte " +
                          std::to_string(whole.size() - 1) + "!");
    }
}

TEST(BinaryWrite, AReadFileIsWrittenBackByteForByte) {
    TempDir dir;
    for (const Words& words : {kTet, kPlane}) {
        writeFile(readAccepted(dir.file("a.rst"), bytesOf(words)), dir.file("b.rst"));
        EXPECT_EQ(readBytes(dir.file("b.rst")), bytesOf(words));
    }
}

TEST(BinaryWrite, LongTitlesAreCutTo99Bytes) {
    TempDir dir;
    FeModel m = twoHexModel();
    m.jobTitle = std::string(99, 'x') + "yz";
    writeFile(m, dir.file("out.rst"));
    EXPECT_EQ(readAccepted(dir.file("out.rst")).jobTitle, std::string(99, 'x'));
    EXPECT_EQ(readBytes(dir.file("out.rst")).substr(4, 5), std::string("\x63\0\0\0x", 5));
}

}  // namespace
