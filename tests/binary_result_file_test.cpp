// The binary result file: round trips, the layout byte by byte, and the refusal of damaged,
// truncated or inconsistent files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "binary_result_file.h"
#include "fe_model.h"
#include "test_support.h"

namespace {

using orv::FeModel;
using orvtest::readBytes;
using orvtest::RecordingMessages;
using orvtest::RecordingProgress;
using orvtest::TempDir;
using orvtest::writeBytes;

// --- a file composed field by field, so that any field can be damaged ---

class Bytes {
  public:
    Bytes& i32(int32_t v) { return raw(&v, 4); }
    Bytes& f32(float v) { return raw(&v, 4); }
    Bytes& text(const std::string& s) { return raw(s.data(), s.size()); }
    Bytes& raw(const void* p, size_t n) {
        data.append(static_cast<const char*>(p), n);
        return *this;
    }
    std::string data;
};

struct RstNode {
    int32_t number;
    std::vector<float> xyz;
    std::vector<float> values;  // step by step, dofs each
};

struct RstElement {
    int32_t listedCode;  // in the code list before the records
    int32_t number, nodeCount, type, material, realConstant;
    std::vector<int32_t> nodes;
    std::optional<int32_t> faceCount;  // solids and shells
    std::optional<int32_t> exterior;   // solids
    std::vector<int32_t> flags;        // plane, solid and shell elements
};

struct RstFile {
    int32_t magic = orv::kBinaryMagic;
    std::optional<int32_t> titleLength;  // default: the title's size
    std::string title;
    int32_t nodeCount = 0, dimension = 3, dofCount = 0, stepCount = 0;
    std::vector<RstNode> nodes;
    int32_t hasResults = 0, resultDofs = 0, resultSteps = 0;
    std::vector<std::pair<int32_t, std::string>> names;  // declared length, bytes
    std::vector<float> extremeTable;                     // overall, then per step
    std::optional<int32_t> elementCount;                 // default: elements.size()
    std::vector<RstElement> elements;
    std::array<float, 9> trailer{};

    std::string bytes() const {
        Bytes b;
        b.i32(magic).i32(titleLength.value_or(int32_t(title.size()))).text(title);
        b.i32(nodeCount).i32(dimension).i32(dofCount).i32(stepCount);
        for (const RstNode& n : nodes) {
            b.i32(n.number);
            for (float x : n.xyz)
                b.f32(x);
            for (float v : n.values)
                b.f32(v);
        }
        b.i32(hasResults).i32(resultDofs).i32(resultSteps);
        for (const auto& [length, name] : names)
            b.i32(length).text(name);
        for (float v : extremeTable)
            b.f32(v);
        b.i32(elementCount.value_or(int32_t(elements.size())));
        for (const RstElement& e : elements)
            b.i32(e.listedCode);
        for (const RstElement& e : elements) {
            b.i32(e.number).i32(e.nodeCount).i32(e.type).i32(e.material).i32(e.realConstant);
            for (int32_t p : e.nodes)
                b.i32(p);
            if (e.faceCount) b.i32(*e.faceCount);
            if (e.exterior) b.i32(*e.exterior);
            for (int32_t f : e.flags)
                b.i32(f);
        }
        for (float t : trailer)
            b.f32(t);
        return b.data;
    }
};

// A consistent file: one tetrahedron, components "UX" "UY", one step.
RstFile tetFile() {
    RstFile f;
    f.title = "tet";
    f.nodeCount = 4;
    f.dimension = 3;
    f.dofCount = 2;
    f.stepCount = 1;
    f.nodes = {{11, {-0.5f, -0.5f, -0.5f}, {0.1f, -0.2f}},
               {12, {0.5f, -0.5f, -0.5f}, {0.3f, 0.4f}},
               {13, {-0.5f, 0.5f, -0.5f}, {-0.7f, 0.0f}},
               {14, {-0.5f, -0.5f, 0.5f}, {0.2f, 0.9f}}};
    f.hasResults = 1;
    f.resultDofs = 2;
    f.resultSteps = 1;
    f.names = {{2, "UX"}, {2, "UY"}};
    f.extremeTable = {0.3f, -0.7f, 0.9f,  -0.2f,          // overall max/min per component
                      2.5f, 0.3f,  -0.7f, 0.9f,  -0.2f};  // step value, max/min per component
    f.elements = {{34, 7, 4, 34, 2, 3, {1, 2, 3, 4}, 4, 4, {1, 1, 1, 1}}};
    f.trailer = {1.5f, 2.5f, 3.5f, 0.5f, -0.5f, 0.5f, -0.5f, 0.5f, -0.5f};
    return f;
}

// A plane file: a quadrilateral, a triangle and a line, dimension 2, no results.
RstFile planeFile() {
    RstFile f;
    f.title = "plate";
    f.nodeCount = 5;
    f.dimension = 2;
    f.nodes = {
        {1, {-1, -1}, {}}, {2, {1, -1}, {}}, {3, {1, 1}, {}}, {4, {-1, 1}, {}}, {5, {2, 0}, {}}};
    f.elements = {{24, 1, 4, 24, 1, 1, {1, 2, 3, 4}, {}, {}, {1, 0, 1, 1}},
                  {23, 2, 3, 23, 1, 1, {2, 5, 3}, {}, {}, {1, 1, 0}},
                  {22, 3, 2, 22, 5, 6, {4, 1}, {}, {}, {}}};
    f.trailer = {0.5f, 0, 0, 1.5f, -1.5f, 1, -1, 1, 0};
    return f;
}

struct Read {
    bool ok;
    FeModel model;
    orv::PlotSettings settings;
    RecordingMessages messages;
    RecordingProgress progress;
};

std::unique_ptr<Read> readPath(const std::string& path) {
    auto r = std::make_unique<Read>();
    r->settings.reset();
    r->model.reset();
    r->ok = orv::readBinaryFile(r->model, r->settings, path, r->progress, r->messages);
    return r;
}

std::unique_ptr<Read> readContent(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("in.rst");
    writeBytes(path, bytes);
    return readPath(path);
}

void expectEmpty(const FeModel& m) {
    EXPECT_EQ(m.nodeCount, 0);
    EXPECT_EQ(m.elementCount, 0);
    EXPECT_TRUE(m.nodeNumbers.empty());
    EXPECT_TRUE(m.coords.empty());
    EXPECT_TRUE(m.elements.empty());
    EXPECT_TRUE(m.connectivity.empty());
    EXPECT_TRUE(m.values.empty());
    EXPECT_EQ(m.results.stepCount, 0);
    EXPECT_EQ(m.results.dofCount, 0);
    EXPECT_EQ(m.results.hasResults, 0);
    EXPECT_TRUE(m.jobTitle.empty());
}

// The file is refused with an error box whose text matches `text` (a prefix when
// `prefix`), and the model is left empty.
void expectRefused(const Read& r, const std::string& text, bool prefix = false) {
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(r.messages.errorCount(), 1);
    if (prefix)
        EXPECT_EQ(r.messages.lastError().substr(0, text.size()), text) << r.messages.lastError();
    else
        EXPECT_EQ(r.messages.lastError(), text);
    expectEmpty(r.model);
    EXPECT_EQ(r.settings.stepCount, 0);
}

const std::string kDamaged = "The file is damaged at byte ";

// --- reading what a hand-composed file holds ---

TEST(BinaryRead, AHandComposedFileGivesItsFields) {
    TempDir dir;
    const auto r = readContent(dir, tetFile().bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_TRUE(r->messages.boxes.empty());
    const FeModel& m = r->model;
    EXPECT_EQ(m.jobTitle, "tet");
    EXPECT_EQ(m.nodeCount, 4);
    EXPECT_EQ(m.dimension, 3);
    EXPECT_EQ(m.nodeNumbers, (std::vector<int32_t>{11, 12, 13, 14}));
    EXPECT_EQ(m.coordinate(1, 0), 0.5f);
    EXPECT_EQ(m.coordinate(3, 2), 0.5f);
    EXPECT_EQ(m.fileCoordinate(1, 0), 2.0f);  // centred value plus the stored centre
    EXPECT_EQ(m.centre, (std::array<float, 3>{1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(m.box.xMax, 0.5f);
    EXPECT_EQ(m.box.zMin, -0.5f);
    EXPECT_EQ(m.storedValue(2, 0, 0), -0.7f);
    EXPECT_EQ(m.storedValue(3, 0, 1), 0.9f);
    EXPECT_EQ(m.results.dofNames, (std::vector<std::string>{"UX", "UY"}));
    EXPECT_EQ(m.results.hasResults, 1);
    EXPECT_TRUE(m.results.hasDisplacements == false);  // 3D needs three components
    EXPECT_EQ(m.results.stepValue[0], 2.5f);
    EXPECT_EQ(m.extremes(false, 0, 1), std::make_pair(0.9f, -0.2f));
    ASSERT_EQ(m.elementCount, 1);
    const orv::ElementRecord& e = m.elements[0];
    EXPECT_EQ(e.number, 7);
    EXPECT_EQ(e.type, 34);
    EXPECT_EQ(e.material, 2);
    EXPECT_EQ(e.realConstant, 3);
    EXPECT_EQ(e.exteriorFaceCount, 4);
    EXPECT_EQ(e.family, orv::ElementFamily::Solid);
    EXPECT_EQ(std::vector<int32_t>(m.elementNodes(0).begin(), m.elementNodes(0).end()),
              (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(m.frameCount, 1);
    EXPECT_EQ(r->settings.stepCount, 1);
}

TEST(BinaryRead, PlaneElementsCarryAFlagPerNodeAndLinesNone) {
    TempDir dir;
    const auto r = readContent(dir, planeFile().bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    const FeModel& m = r->model;
    EXPECT_EQ(m.dimension, 2);
    ASSERT_EQ(m.elementCount, 3);
    EXPECT_EQ(m.faceFlags, (std::vector<uint8_t>{1, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(m.elements[2].material, 5);
    EXPECT_EQ(m.elements[2].realConstant, 6);
    EXPECT_EQ(m.results.hasResults, 0);
    EXPECT_EQ(m.box.zMax, 1.0f);
}

TEST(BinaryRead, UXFirstSetsDisplacements) {
    TempDir dir;
    RstFile f = planeFile();
    f.dofCount = f.resultDofs = 2;
    f.stepCount = f.resultSteps = 1;
    f.hasResults = 1;
    for (RstNode& n : f.nodes)
        n.values = {0.5f, 0.25f};
    f.names = {{2, "UX"}, {2, "UY"}};
    f.extremeTable = {0.5f, 0.5f, 0.25f, 0.25f, 1.0f, 0.5f, 0.5f, 0.25f, 0.25f};
    auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_TRUE(r->model.results.hasDisplacements);
    EXPECT_EQ(r->settings.magnification, 1.0f);  // time results keep the factor

    f.names[0] = {3, "UXX"};
    r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_FALSE(r->model.results.hasDisplacements);
    EXPECT_EQ(r->settings.magnification, 0.0f);
}

TEST(BinaryRead, NamesEndAtTheirFirstZeroByte) {
    TempDir dir;
    RstFile f = tetFile();
    f.names[1] = {4, std::string("UY\0\0", 4)};
    f.title = std::string("tet\0junk", 8);
    const auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.results.dofNames[1], "UY");
    EXPECT_EQ(r->model.jobTitle, "tet");
}

TEST(BinaryRead, NonFiniteStoredExtremesAreRecomputed) {
    TempDir dir;
    RstFile f = tetFile();
    f.extremeTable[0] = std::numeric_limits<float>::quiet_NaN();
    const auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.extremes(false, 0, 0), std::make_pair(0.3f, -0.7f));
}

TEST(BinaryRead, FewNodesMakeNoNodeProgressUpdates) {
    TempDir dir;
    RstFile f = planeFile();
    f.nodeCount = 6;
    f.nodes.push_back({6, {0, 2}, {}});
    const auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.nodeCount, 6);
    // Start, end of the nodes and results, end of the file: nothing between.
    EXPECT_EQ(r->progress.positions, (std::vector<int>{10, 90, 100}));
}

TEST(BinaryRead, ManyNodesReportProgress) {
    TempDir dir;
    RstFile f = planeFile();
    f.nodeCount = 70;
    f.nodes.clear();
    for (int32_t i = 0; i < 70; ++i)
        f.nodes.push_back({i + 1, {float(i), 0}, {}});
    f.elements = {};
    const auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->progress.positions, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

// --- refusals ---

TEST(BinaryRefusal, WrongMagic) {
    TempDir dir;
    RstFile f = tetFile();
    f.magic = 200029;
    expectRefused(*readContent(dir, f.bytes()), "This file is not available for current version!");
}

TEST(BinaryRefusal, MissingFile) {
    TempDir dir;
    expectRefused(*readPath(dir.file("absent.rst")), " Error to open file .rst");
    expectRefused(*readPath(dir.path()), " Error to open file .rst");  // a directory
}

TEST(BinaryRefusal, UnknownCodeInTheCodeList) {
    TempDir dir;
    RstFile f = tetFile();
    f.elements[0].listedCode = 25;
    expectRefused(*readContent(dir, f.bytes()), "Element type does not exist!");
}

TEST(BinaryRefusal, UnknownCodeInARecord) {
    TempDir dir;
    RstFile f = tetFile();
    f.elements[0].type = 25;
    expectRefused(*readContent(dir, f.bytes()), "Element type does not exist!25");
    f.elements[0].type = 38;
    expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
}

TEST(BinaryRefusal, TitleLengthOutOfRange) {
    TempDir dir;
    for (int32_t length : {156, -1}) {
        RstFile f = tetFile();
        f.titleLength = length;
        f.title = std::string(size_t(std::max(length, 0)), 'a');
        const auto r = readContent(dir, f.bytes());
        expectRefused(
            *r, kDamaged + "4: the title length " + std::to_string(length) + " is impossible!");
    }
    RstFile longest = tetFile();
    longest.title = std::string(155, 'b');
    const auto r = readContent(dir, longest.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.jobTitle, longest.title);
}

TEST(BinaryRefusal, NodePositionOutsideTheTable) {
    TempDir dir;
    for (int32_t p : {0, 5, -1}) {
        RstFile f = tetFile();
        f.elements[0].nodes[2] = p;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
        EXPECT_NE(readContent(dir, f.bytes())
                      ->messages.lastError()
                      .find("refers to node " + std::to_string(p) + ", outside 1..4"),
                  std::string::npos);
    }
}

TEST(BinaryRefusal, ElementNodeCountDisagreesWithItsType) {
    TempDir dir;
    RstFile f = tetFile();
    f.elements[0].nodeCount = 3;
    expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
}

TEST(BinaryRefusal, SolidFaceCountDisagreesWithItsType) {
    TempDir dir;
    RstFile f;
    f.nodeCount = 8;
    for (int32_t i = 0; i < 8; ++i)
        f.nodes.push_back({i + 1, {float(i & 1), float((i >> 1) & 1), float(i >> 2)}, {}});
    f.elements = {{38, 1, 8, 38, 1, 1, {1, 2, 4, 3, 5, 6, 8, 7}, 6, 6, {1, 1, 1, 1, 1, 1}}};
    f.trailer = {0, 0, 0, 1, 0, 1, 0, 1, 0};
    ASSERT_TRUE(readContent(dir, f.bytes())->ok);
    f.elements[0].faceCount = 5;
    f.elements[0].flags.pop_back();
    expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
    f.elements[0].faceCount = 6;
    f.elements[0].flags.push_back(1);
    f.elements[0].exterior = 7;
    expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
    f.elements[0].exterior = 6;
    f.elements[0].flags[3] = 2;
    expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
}

TEST(BinaryRefusal, TooManyOrTooLongNames) {
    TempDir dir;
    RstFile many = tetFile();
    many.dofCount = many.resultDofs = 51;
    expectRefused(*readContent(dir, many.bytes()), kDamaged, true);

    RstFile longName = tetFile();
    longName.names[1] = {20, std::string(20, 'N')};
    expectRefused(*readContent(dir, longName.bytes()), kDamaged, true);
    longName.names[1] = {19, std::string(19, 'N')};
    const auto r = readContent(dir, longName.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.results.dofNames[1], std::string(19, 'N'));
}

TEST(BinaryRefusal, DimensionOtherThanTwoOrThree) {
    TempDir dir;
    for (int32_t dimension : {4, 1, 0}) {
        RstFile f = tetFile();
        f.dimension = dimension;
        expectRefused(
            *readContent(dir, f.bytes()),
            kDamaged + "15: the dimension is " + std::to_string(dimension) + " instead of 2 or 3!");
    }
}

TEST(BinaryRefusal, HugeCountsWithoutAllocating) {
    TempDir dir;
    // A 100-byte file announcing 2^31 - 1 nodes.
    Bytes b;
    b.i32(orv::kBinaryMagic).i32(0).i32(INT32_MAX).i32(3).i32(0).i32(0);
    b.text(std::string(100 - b.data.size(), '\0'));
    ASSERT_EQ(b.data.size(), 100u);
    expectRefused(*readContent(dir, b.data), kDamaged + "8: the node count 2147483647", true);

    RstFile elements = tetFile();
    elements.elementCount = INT32_MAX;
    expectRefused(*readContent(dir, elements.bytes()), kDamaged, true);

    RstFile steps = tetFile();
    steps.nodeCount = 0;
    steps.nodes.clear();
    steps.elements.clear();
    steps.stepCount = steps.resultSteps = INT32_MAX;
    expectRefused(*readContent(dir, steps.bytes()),
                  kDamaged + "23: the step count 2147483647 is more than the file can hold!");

    RstFile stepsWithoutComponents = steps;
    stepsWithoutComponents.dofCount = stepsWithoutComponents.resultDofs = 0;
    stepsWithoutComponents.names.clear();
    stepsWithoutComponents.extremeTable.clear();
    stepsWithoutComponents.hasResults = 0;
    expectRefused(*readContent(dir, stepsWithoutComponents.bytes()),
                  kDamaged + "23: the step count 2147483647 is more than the file can hold!");

    for (const int32_t negative : {-1, INT32_MIN}) {
        RstFile f = tetFile();
        f.nodeCount = negative;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
        f = tetFile();
        f.stepCount = negative;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
        f = tetFile();
        f.elementCount = negative;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
    }
}

TEST(BinaryRead, StepsWithoutComponentsAreDropped) {
    // Each step of a file without components takes no bytes: a small file could otherwise
    // announce steps by the million, and every listing would walk steps x nodes of nothing.
    TempDir dir;
    RstFile f = tetFile();
    f.dofCount = f.resultDofs = 0;
    f.stepCount = f.resultSteps = 40;
    for (RstNode& n : f.nodes)
        n.values.clear();
    f.names.clear();
    f.extremeTable.clear();
    f.hasResults = 0;
    const auto r = readContent(dir, f.bytes());
    ASSERT_TRUE(r->ok) << r->messages.lastError();
    EXPECT_EQ(r->model.nodeCount, 4);
    EXPECT_EQ(r->model.results.stepCount, 0);
    EXPECT_EQ(r->model.results.dofCount, 0);
    EXPECT_EQ(r->settings.stepCount, 0);
    EXPECT_TRUE(r->model.values.empty());
}

TEST(BinaryRefusal, SpaceElementInATwoDimensionalFile) {
    TempDir dir;
    for (int32_t code : {38, 32, 31, 44}) {
        RstFile f = planeFile();
        const orv::ElementType* type = orv::elementType(code);
        RstElement e{code, 9, type->nodeCount, code, 1, 1, {}, {}, {}, {}};
        for (int32_t j = 0; j < type->nodeCount; ++j)
            e.nodes.push_back(j % 5 + 1);
        f.elements.push_back(e);
        const auto r = readContent(dir, f.bytes());
        expectRefused(*r, kDamaged, true);
        EXPECT_NE(r->messages.lastError().find("needs three coordinates"), std::string::npos)
            << code;
    }
}

TEST(BinaryRefusal, HeaderAndResultBlockDisagree) {
    TempDir dir;
    RstFile dofs = tetFile();
    dofs.resultDofs = 1;
    dofs.names.pop_back();
    expectRefused(*readContent(dir, dofs.bytes()), kDamaged, true);
    RstFile steps = tetFile();
    steps.resultSteps = 2;
    expectRefused(*readContent(dir, steps.bytes()), kDamaged, true);
}

TEST(BinaryRefusal, NonFiniteCoordinateOrTrailer) {
    TempDir dir;
    for (float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        RstFile f = tetFile();
        f.nodes[2].xyz[1] = bad;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
        f = tetFile();
        f.trailer[1] = bad;
        expectRefused(*readContent(dir, f.bytes()), kDamaged, true);
    }
    RstFile inverted = tetFile();
    std::swap(inverted.trailer[3], inverted.trailer[4]);
    expectRefused(*readContent(dir, inverted.bytes()), kDamaged, true);
}

TEST(BinaryRefusal, EveryTruncationIsRefused) {
    TempDir dir;
    for (const std::string& whole : {tetFile().bytes(), planeFile().bytes()}) {
        ASSERT_TRUE(readContent(dir, whole)->ok);
        for (size_t size = 0; size < whole.size(); ++size) {
            const auto r = readContent(dir, whole.substr(0, size));
            EXPECT_FALSE(r->ok) << "cut at " << size;
            EXPECT_EQ(r->messages.errorCount(), 1) << "cut at " << size;
            EXPECT_EQ(r->model.nodeCount, 0) << "cut at " << size;
            EXPECT_EQ(r->model.elementCount, 0) << "cut at " << size;
            EXPECT_TRUE(r->model.values.empty()) << "cut at " << size;
        }
    }
}

TEST(BinaryRefusal, ATruncationNamesWhereTheFileEnds) {
    TempDir dir;
    const std::string whole = tetFile().bytes();
    const auto r = readContent(dir, whole.substr(0, whole.size() - 1));
    expectRefused(*r, "The file ends early: it is cut off in the trailer at byte " +
                          std::to_string(whole.size() - 1) + "!");
}

// --- writing ---

FeModel writtenAndRead(const FeModel& m, const TempDir& dir, RecordingMessages& messages) {
    orv::NullProgress progress;
    EXPECT_TRUE(orv::writeBinaryFile(m, dir.file("out.rst"), progress, messages));
    auto r = readPath(dir.file("out.rst"));
    EXPECT_TRUE(r->ok) << r->messages.lastError();
    return std::move(r->model);
}

void expectSameModel(const FeModel& a, const FeModel& b) {
    EXPECT_EQ(a.jobTitle, b.jobTitle);
    EXPECT_EQ(a.dimension, b.dimension);
    EXPECT_EQ(a.nodeCount, b.nodeCount);
    EXPECT_EQ(a.nodeNumbers, b.nodeNumbers);
    EXPECT_EQ(a.coords, b.coords);
    EXPECT_EQ(a.values, b.values);
    EXPECT_EQ(a.centre, b.centre);
    EXPECT_EQ(std::memcmp(&a.box, &b.box, sizeof a.box), 0);
    EXPECT_EQ(a.results.hasResults, b.results.hasResults);
    EXPECT_EQ(a.results.stepCount, b.results.stepCount);
    EXPECT_EQ(a.results.dofCount, b.results.dofCount);
    EXPECT_EQ(a.results.dofNames, b.results.dofNames);
    EXPECT_EQ(a.results.hasDisplacements, b.results.hasDisplacements);
    for (int32_t k = 0; k < a.results.stepCount; ++k) {
        EXPECT_EQ(a.stepValue(k), b.stepValue(k));
        for (int32_t d = 0; d < a.results.dofCount; ++d) {
            EXPECT_EQ(a.extremes(true, k, d), b.extremes(true, k, d));
            EXPECT_EQ(a.extremes(false, k, d), b.extremes(false, k, d));
        }
    }
    ASSERT_EQ(a.elementCount, b.elementCount);
    for (int32_t e = 0; e < a.elementCount; ++e) {
        const orv::ElementRecord &x = a.elements[size_t(e)], &y = b.elements[size_t(e)];
        EXPECT_EQ(x.number, y.number);
        EXPECT_EQ(x.type, y.type);
        EXPECT_EQ(x.nodeCount, y.nodeCount);
        EXPECT_EQ(x.material, y.material);
        EXPECT_EQ(x.realConstant, y.realConstant);
        EXPECT_EQ(x.faceCount, y.faceCount);
        EXPECT_EQ(x.exteriorFaceCount, y.exteriorFaceCount);
        EXPECT_EQ(x.family, y.family);
    }
    EXPECT_EQ(a.connectivity, b.connectivity);
    EXPECT_EQ(a.faceFlags, b.faceFlags);
}

TEST(BinaryWrite, RoundTripKeepsTheWholeModel) {
    TempDir dir;
    RecordingMessages messages;
    const FeModel m = orvtest::twoHexModel();
    const FeModel back = writtenAndRead(m, dir, messages);
    expectSameModel(m, back);
    EXPECT_TRUE(messages.boxes.empty());
    // The flags survived as the search set them: 5 exterior faces each.
    EXPECT_EQ(back.elements[0].exteriorFaceCount, 5);
}

TEST(BinaryWrite, RoundTripOfEveryFamily) {
    TempDir dir;
    RecordingMessages messages;
    // Quadratic plane elements and points and lines in a 2D model.
    const FeModel plane = orvtest::buildModel(2,
                                              {{0, 0, 0},
                                               {0.5f, 0, 0},
                                               {1, 0, 0},
                                               {1, 0.5f, 0},
                                               {1, 1, 0},
                                               {0.5f, 1, 0},
                                               {0, 1, 0},
                                               {0, 0.5f, 0},
                                               {2, 0, 0},
                                               {2, 1, 0},
                                               {1.5f, 0, 0},
                                               {2, 0.5f, 0},
                                               {1.5f, 0.5f, 0}},
                                              {{1, 28, {1, 2, 3, 4, 5, 6, 7, 8}},
                                               {2, 26, {3, 11, 9, 12, 10, 13}},
                                               {3, 22, {9, 10}},
                                               {4, 21, {13}},
                                               {5, 23, {1, 3, 7}, 100, 123}});
    expectSameModel(plane, writtenAndRead(plane, dir, messages));
    // Shells, solids, points and lines in space.
    const FeModel space = orvtest::buildModel(
        3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}},
         {2, 34, {1, 2, 4, 5}},
         {3, 44, {5, 6, 7, 8}},
         {4, 43, {1, 2, 3}},
         {5, 46, {1, 2, 3, 4, 5, 6}},
         {6, 48, {1, 2, 3, 4, 5, 6, 7, 8}},
         {7, 32, {1, 7}},
         {8, 31, {8}}});
    expectSameModel(space, writtenAndRead(space, dir, messages));
}

TEST(BinaryWrite, ModelWithoutResults) {
    TempDir dir;
    RecordingMessages messages;
    const FeModel m =
        orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 23, {1, 2, 3}}});
    const FeModel back = writtenAndRead(m, dir, messages);
    EXPECT_EQ(back.results.dofCount, 0);
    EXPECT_EQ(back.results.stepCount, 0);
    EXPECT_EQ(back.results.hasResults, 0);
    EXPECT_FALSE(back.results.hasDisplacements);
    expectSameModel(m, back);
}

TEST(BinaryWrite, PlaneCodesWriteOneFlagPerNode) {
    TempDir dir;
    RecordingMessages messages;
    orv::NullProgress progress;
    const FeModel m = orvtest::buildModel(
        2, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}},
        {{1, 28, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 26, {1, 2, 3, 4, 5, 6}}});
    ASSERT_TRUE(orv::writeBinaryFile(m, dir.file("q.rst"), progress, messages));
    const std::string bytes = readBytes(dir.file("q.rst"));
    // Header 4 * 6 bytes with the 10-byte title, 8 nodes of 12 bytes, result block of 12,
    // element count and codes 12, records 20 + 32 + 32 and 20 + 24 + 24, trailer 36.
    EXPECT_EQ(bytes.size(), 24u + 10u + 96u + 12u + 12u + 84u + 68u + 36u);
    const auto back = readPath(dir.file("q.rst"));
    ASSERT_TRUE(back->ok) << back->messages.lastError();
    EXPECT_EQ(back->model.faceFlags, m.faceFlags);
    EXPECT_EQ(back->model.faceFlags.size(), 14u);
}

TEST(BinaryWrite, LongTitlesAreCutTo99Bytes) {
    TempDir dir;
    RecordingMessages messages;
    FeModel m = orvtest::twoHexModel();
    m.jobTitle = std::string(99, 'x') + "yz";
    const FeModel back = writtenAndRead(m, dir, messages);
    EXPECT_EQ(back.jobTitle, std::string(99, 'x'));
    int32_t declared;
    std::memcpy(&declared, readBytes(dir.file("out.rst")).data() + 4, 4);
    EXPECT_EQ(declared, 99);
}

TEST(BinaryWrite, LayoutOfTheHeader) {
    TempDir dir;
    RecordingMessages messages;
    orv::NullProgress progress;
    const FeModel m = orvtest::twoHexModel();
    ASSERT_TRUE(orv::writeBinaryFile(m, dir.file("h.rst"), progress, messages));
    const std::string bytes = readBytes(dir.file("h.rst"));
    Bytes expected;
    expected.i32(200030).i32(10).text("two bricks").i32(12).i32(3).i32(4).i32(2).i32(101);
    EXPECT_EQ(bytes.substr(0, expected.data.size()), expected.data);
}

TEST(BinaryWrite, AReadFileIsWrittenBackByteForByte) {
    TempDir dir;
    RecordingMessages messages;
    for (const std::string& original : {tetFile().bytes(), planeFile().bytes()}) {
        writeBytes(dir.file("a.rst"), original);
        const auto r = readPath(dir.file("a.rst"));
        ASSERT_TRUE(r->ok) << r->messages.lastError();
        orv::NullProgress progress;
        ASSERT_TRUE(orv::writeBinaryFile(r->model, dir.file("b.rst"), progress, messages));
        EXPECT_EQ(readBytes(dir.file("b.rst")), original);
    }
}

}  // namespace
