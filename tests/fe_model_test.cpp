// The model: centring, the values shown per frame, displacements, extremes, symmetry
// alignment and the default magnification.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "binary_result_file.h"
#include "fe_model.h"
#include "test_support.h"
#include "text_result_file.h"

namespace {

using orv::FeModel;
using orvtest::addResults;
using orvtest::buildModel;

// Two triangles in the plane; x from -10 to -2, y from 1 to 4.
FeModel planeModel() {
    return buildModel(2, {{-10, 1, 0}, {-2, 1, 0}, {-2, 4, 0}, {-10, 4, 0}},
                      {{1, 23, {1, 2, 3}}, {2, 23, {1, 3, 4}}});
}

// One tetrahedron in space.
FeModel tetModel() {
    return buildModel(3, {{0, 0, 0}, {2, 0, 0}, {0, 4, 0}, {0, 0, 6}}, {{1, 34, {1, 2, 3, 4}}});
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

bool sameBits(const orv::BoundingBox& a, const orv::BoundingBox& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// --- recentre ---

TEST(Recentre, ShiftsTheCoordinatesToTheBoxCentre) {
    const FeModel m = planeModel();
    EXPECT_FLOAT_EQ(m.centre[0], -6.0f);
    EXPECT_FLOAT_EQ(m.centre[1], 2.5f);
    EXPECT_FLOAT_EQ(m.centre[2], 0.0f);
    EXPECT_FLOAT_EQ(m.box.xMin, -4.0f);
    EXPECT_FLOAT_EQ(m.box.xMax, 4.0f);
    EXPECT_FLOAT_EQ(m.box.yMin, -1.5f);
    EXPECT_FLOAT_EQ(m.box.yMax, 1.5f);
    EXPECT_FLOAT_EQ(m.coordinate(0, 0), -4.0f);
    EXPECT_FLOAT_EQ(m.coordinate(2, 1), 1.5f);
    EXPECT_FLOAT_EQ(m.fileCoordinate(0, 0), -10.0f);
    EXPECT_FLOAT_EQ(m.fileCoordinate(2, 1), 4.0f);
}

TEST(Recentre, TwoDimensionalModelsGetAUnitDepth) {
    const FeModel m = planeModel();
    EXPECT_EQ(m.box.zMin, 0.0f);
    EXPECT_EQ(m.box.zMax, 1.0f);
    EXPECT_EQ(m.centre[2], 0.0f);
}

TEST(Recentre, ThreeDimensionalModelsAreCentredOnEveryAxis) {
    const FeModel m = tetModel();
    EXPECT_FLOAT_EQ(m.centre[0], 1.0f);
    EXPECT_FLOAT_EQ(m.centre[1], 2.0f);
    EXPECT_FLOAT_EQ(m.centre[2], 3.0f);
    EXPECT_FLOAT_EQ(m.box.zMin, -3.0f);
    EXPECT_FLOAT_EQ(m.box.zMax, 3.0f);
    EXPECT_FLOAT_EQ(m.coordinate(3, 2), 3.0f);
}

TEST(Recentre, NoNodesGiveAZeroBoxNeverAnInvertedOne) {
    for (int32_t dimension : {2, 3}) {
        FeModel m;
        m.reset();
        m.dimension = dimension;
        m.recentre();
        EXPECT_EQ(m.box.xMin, 0.0f);
        EXPECT_EQ(m.box.xMax, 0.0f);
        EXPECT_EQ(m.box.yMin, 0.0f);
        EXPECT_EQ(m.box.yMax, 0.0f);
        EXPECT_EQ(m.box.zMin, 0.0f);
        EXPECT_EQ(m.box.zMax, dimension == 2 ? 1.0f : 0.0f);
        EXPECT_EQ(m.centre, (std::array<float, 3>{0, 0, 0}));
    }
}

// --- values per frame ---

TEST(NodalValue, ASingleStepIsRampedOverTheFrames) {
    FeModel m = planeModel();
    addResults(m, {"UX", "UY"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return 8.0f * float(i + 1) + float(d); });
    m.frameCount = 10;
    EXPECT_DOUBLE_EQ(m.nodalValue(1, 4, 0), 8.0);   // half of 16
    EXPECT_DOUBLE_EQ(m.nodalValue(1, 9, 0), 16.0);  // the last frame shows the value
    EXPECT_DOUBLE_EQ(m.nodalValue(0, 0, 1), 0.9);
}

TEST(NodalValue, SeveralStepsShowTheirOwnValues) {
    FeModel m = planeModel();
    addResults(m, {"UX", "UY"}, {0.1f, 0.2f, 0.3f},
               [](int32_t k, int32_t i, int32_t d) { return float(100 * k + 10 * i + d); });
    for (int32_t frames : {1, 3, 10}) {
        m.frameCount = frames;
        EXPECT_DOUBLE_EQ(m.nodalValue(2, 0, 1), 21.0);
        EXPECT_DOUBLE_EQ(m.nodalValue(2, 2, 1), 221.0);
        EXPECT_DOUBLE_EQ(m.nodalValue(3, 1, 0), 130.0);
    }
    EXPECT_DOUBLE_EQ(m.nodalValue(2, 3, 1), 0.0);  // no such step
}

TEST(NodalValue, NoValuesGiveZero) {
    FeModel m = planeModel();
    EXPECT_DOUBLE_EQ(m.nodalValue(0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(m.displacement(0, 0, 0), 0.0);
    addResults(m, {"UX", "UY"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 5.0f; });
    EXPECT_DOUBLE_EQ(m.nodalValue(0, 0, 2), 0.0);  // no third component
    EXPECT_DOUBLE_EQ(m.nodalValue(0, 0, -1), 0.0);
}

TEST(NodalValue, ModesRampTheChosenMode) {
    FeModel m = planeModel();
    addResults(m, {"UX", "UY"}, {10.0f, 20.0f, 30.0f},
               [](int32_t k, int32_t i, int32_t) { return float((k + 1) * (i + 1)); });
    m.modalResults = true;
    m.frameCount = 4;
    m.chosenMode = 2;
    EXPECT_DOUBLE_EQ(m.nodalValue(1, 3, 0), 6.0);
    EXPECT_DOUBLE_EQ(m.nodalValue(1, 1, 0), 3.0);
    m.chosenMode = 0;
    EXPECT_DOUBLE_EQ(m.nodalValue(1, 3, 0), 2.0);
}

// --- displacements ---

TEST(Displacements, NeedExactlyUXFirstAndAComponentPerAxis) {
    struct Case {
        int32_t dimension;
        std::vector<std::string> names;
        bool displacements;
    };
    const Case cases[] = {
        {2, {"UX", "UY"}, true},
        {3, {"UX", "UY", "UZ"}, true},
        {3, {"UX", "UY", "UZ", "T"}, true},
        {2, {"UXX", "UY"}, false},
        {2, {"ux", "uy"}, false},
        {3, {"UX", "UY"}, false},
        {2, {"UY", "UX"}, false},
        {2, {"UX"}, false},
    };
    for (const Case& c : cases) {
        orv::ResultSet r;
        r.initialise(1, int32_t(c.names.size()), c.names, c.dimension);
        EXPECT_EQ(r.hasDisplacements, c.displacements)
            << c.names.front() << " with " << c.names.size() << " names in " << c.dimension << "D";
    }
}

TEST(Displacements, FollowTheFirstComponents) {
    FeModel m = tetModel();
    addResults(m, {"UX", "UY"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 3.0f; });
    EXPECT_FALSE(m.results.hasDisplacements);
    EXPECT_DOUBLE_EQ(m.displacement(0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(m.nodalValue(0, 0, 0), 3.0);

    addResults(m, {"UX", "UY", "UZ"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return float(i * 3 + d); });
    EXPECT_TRUE(m.results.hasDisplacements);
    EXPECT_DOUBLE_EQ(m.displacement(2, 0, 1), 7.0);
}

// --- steps and extremes ---

TEST(Extremes, PerStepOnASingleStepGivesTheOverallOnes) {
    FeModel m = planeModel();
    addResults(m, {"S"}, {2.0f}, [](int32_t, int32_t i, int32_t) { return float(i) - 1.0f; });
    m.results.overallMax[0] = 40.0f;  // told apart from the step table
    m.results.overallMin[0] = -40.0f;
    EXPECT_EQ(m.extremes(true, 0, 0), std::make_pair(40.0f, -40.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(40.0f, -40.0f));
}

TEST(Extremes, PerStepOnSeveralStepsGivesTheStepsOwn) {
    FeModel m = planeModel();
    addResults(m, {"S", "T"}, {1.0f, 2.0f},
               [](int32_t k, int32_t i, int32_t d) { return float((k + 1) * i) - float(d); });
    EXPECT_EQ(m.extremes(true, 0, 0), std::make_pair(3.0f, 0.0f));
    EXPECT_EQ(m.extremes(true, 1, 0), std::make_pair(6.0f, 0.0f));
    EXPECT_EQ(m.extremes(true, 1, 1), std::make_pair(5.0f, -1.0f));
    EXPECT_EQ(m.extremes(false, 0, 1), std::make_pair(5.0f, -1.0f));
    EXPECT_EQ(m.extremes(true, 2, 0), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(m.extremes(false, 0, 2), std::make_pair(0.0f, 0.0f));
}

TEST(StepValue, OutsideTheStepsIsZero) {
    FeModel m = planeModel();
    addResults(m, {"S"}, {0.25f, 0.5f}, [](int32_t, int32_t, int32_t) { return 1.0f; });
    EXPECT_DOUBLE_EQ(m.stepValue(0), 0.25);
    EXPECT_DOUBLE_EQ(m.stepValue(1), 0.5);
    EXPECT_DOUBLE_EQ(m.stepValue(2), 0.0);
    EXPECT_DOUBLE_EQ(m.stepValue(-1), 0.0);
}

TEST(ComputeExtremes, EachModeHasItsOwnExtremes) {
    FeModel m = planeModel();
    // Mode 2 is not a multiple of mode 1: its extremes sit at other nodes.
    const float modes[3][4] = {{1, 2, 3, 4}, {-5, 0.5f, 7, 1}, {0, 0, -2, 0}};
    addResults(m, {"UX"}, {1.0f, 2.0f, 3.0f},
               [&](int32_t k, int32_t i, int32_t) { return modes[k][i]; });
    m.modalResults = true;
    EXPECT_EQ(m.extremes(true, 0, 0), std::make_pair(4.0f, 1.0f));
    EXPECT_EQ(m.extremes(true, 1, 0), std::make_pair(7.0f, -5.0f));
    EXPECT_EQ(m.extremes(true, 2, 0), std::make_pair(0.0f, -2.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(7.0f, -5.0f));
}

TEST(ComputeExtremes, NonFiniteValuesNeverEnter) {
    FeModel m = planeModel();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    addResults(m, {"A", "B"}, {1.0f, 2.0f}, [&](int32_t k, int32_t i, int32_t d) {
        if (d == 1) return nan;  // B has no finite value at all
        if (i == 0) return k == 0 ? inf : -inf;
        return float(i * (k + 1));
    });
    EXPECT_EQ(m.extremes(true, 0, 0), std::make_pair(3.0f, 1.0f));
    EXPECT_EQ(m.extremes(true, 1, 0), std::make_pair(6.0f, 2.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(6.0f, 1.0f));
    for (int32_t k = 0; k < 2; ++k)
        EXPECT_EQ(m.extremes(true, k, 1), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(m.extremes(false, 0, 1), std::make_pair(0.0f, 0.0f));
}

TEST(ComputeExtremes, AStepWithoutFiniteValuesDoesNotSpoilTheOthers) {
    FeModel m = planeModel();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    addResults(m, {"A"}, {1.0f, 2.0f},
               [&](int32_t k, int32_t i, int32_t) { return k == 0 ? nan : float(-i); });
    EXPECT_EQ(m.extremes(true, 0, 0), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(m.extremes(true, 1, 0), std::make_pair(0.0f, -3.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(0.0f, -3.0f));
}

// --- symmetry alignment ---

struct Snapshot {
    std::vector<float> coords;
    orv::BoundingBox box;
    std::array<float, 3> centre;
};

Snapshot snapshot(const FeModel& m) {
    return {m.coords, m.box, m.centre};
}

void expectUnchanged(const FeModel& m, const Snapshot& before) {
    EXPECT_TRUE(sameBits(m.coords, before.coords));
    EXPECT_TRUE(sameBits(m.box, before.box));
    EXPECT_EQ(m.centre, before.centre);
    EXPECT_EQ(m.alignedAxis(), 0);
}

TEST(Symmetry, SwitchingBackRestoresEverythingBitForBit) {
    const std::vector<std::vector<int>> sequences = {
        {0, 1, 0}, {0, 2, 0}, {0, 2, 1, 0}, {0, 1, 2, 0}, {0, 1, 1, 2, 2, 1, 0}};
    for (const FeModel& original : {planeModel(), tetModel(), orvtest::twoHexModel()}) {
        for (const auto& sequence : sequences) {
            FeModel m = original;
            const Snapshot before = snapshot(m);
            for (size_t s = 1; s < sequence.size(); ++s)
                m.switchSymmetry(sequence[s - 1], sequence[s]);
            expectUnchanged(m, before);
        }
    }
}

TEST(Symmetry, AlignedCoordinatesStartAtZeroOnTheAxis) {
    FeModel m = planeModel();  // file x -10..-2, y 1..4
    m.switchSymmetry(0, 2);    // about Y: x is aligned
    ASSERT_EQ(m.alignedAxis(), 2);
    EXPECT_EQ(m.box.xMin, 0.0f);
    EXPECT_FLOAT_EQ(m.box.xMax, 8.0f);
    float lowest = 1e30f;
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        EXPECT_GE(m.coordinate(i, 0), 0.0f);
        lowest = std::min(lowest, m.coordinate(i, 0));
    }
    EXPECT_EQ(lowest, 0.0f);
    // y is untouched
    EXPECT_FLOAT_EQ(m.box.yMin, -1.5f);
    EXPECT_FLOAT_EQ(m.coordinate(0, 1), -1.5f);
}

TEST(Symmetry, AxisWithPositiveFileCoordinatesKeepsThem) {
    FeModel m = planeModel();  // file y from 1 to 4
    m.switchSymmetry(0, 1);    // about X: y is aligned
    EXPECT_FLOAT_EQ(m.box.yMin, 1.0f);
    EXPECT_FLOAT_EQ(m.box.yMax, 4.0f);
    EXPECT_FLOAT_EQ(m.coordinate(2, 1), 4.0f);
    EXPECT_FLOAT_EQ(m.coordinate(0, 0), -4.0f);  // x still centred
}

TEST(Symmetry, FileCoordinatesIgnoreTheAlignment) {
    for (const FeModel& original : {planeModel(), orvtest::twoHexModel()}) {
        for (int setting : {1, 2}) {
            FeModel m = original;
            m.switchSymmetry(0, setting);
            for (int32_t i = 0; i < m.nodeCount; ++i)
                for (int j = 0; j < m.dimension; ++j) {
                    EXPECT_EQ(m.fileCoordinate(i, j), original.fileCoordinate(i, j));
                    EXPECT_EQ(m.centredCoordinate(i, j), original.coordinate(i, j));
                }
            EXPECT_EQ(m.readCentre(), original.centre);
            EXPECT_TRUE(sameBits(m.readBox(), original.box));
        }
    }
}

TEST(Symmetry, WritersSeeTheUnalignedModel) {
    orvtest::TempDir dir;
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    FeModel m = orvtest::twoHexModel();
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("before.asc"), progress, messages));
    ASSERT_TRUE(orv::writeBinaryFile(m, dir.file("before.rst"), progress, messages));
    const std::string asc = orvtest::readBytes(dir.file("before.asc"));
    const std::string rst = orvtest::readBytes(dir.file("before.rst"));
    for (const auto& sequence : std::vector<std::vector<int>>{{0, 1}, {0, 2}, {0, 1, 2}}) {
        for (size_t s = 1; s < sequence.size(); ++s)
            m.switchSymmetry(sequence[s - 1], sequence[s]);
        ASSERT_NE(m.alignedAxis(), 0);
        ASSERT_TRUE(orv::writeTextFile(m, dir.file("aligned.asc"), progress, messages));
        ASSERT_TRUE(orv::writeBinaryFile(m, dir.file("aligned.rst"), progress, messages));
        EXPECT_EQ(orvtest::readBytes(dir.file("aligned.asc")), asc);
        EXPECT_EQ(orvtest::readBytes(dir.file("aligned.rst")), rst);
        m.switchSymmetry(sequence.back(), 0);
    }
    EXPECT_TRUE(messages.boxes.empty());
}

// --- default magnification ---

TEST(DefaultMagnification, WithoutDisplacementsIsZero) {
    FeModel m = planeModel();
    float factor = 5.0f;
    orv::applyDefaultMagnification(m, factor);
    EXPECT_EQ(factor, 0.0f);
    addResults(m, {"TEMP", "UY"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    factor = 5.0f;
    orv::applyDefaultMagnification(m, factor);
    EXPECT_EQ(factor, 0.0f);
}

TEST(DefaultMagnification, TimeResultsKeepTheFactor) {
    FeModel m = planeModel();
    addResults(m, {"UX", "UY"}, {1.0f}, [](int32_t, int32_t i, int32_t) { return float(i); });
    float factor = 5.0f;
    orv::applyDefaultMagnification(m, factor);
    EXPECT_EQ(factor, 5.0f);
}

TEST(DefaultMagnification, ModesScaleTheLargestRangeToThreeTenthsOfTheMeanSize) {
    FeModel m = planeModel();  // sizes 8 and 3: mean 5.5
    addResults(m, {"UX", "UY"}, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
        return d == 0 ? float(i) * 0.1f * float(k + 1) : -0.05f * float(i);
    });
    m.modalResults = true;
    float factor = 1.0f;
    orv::applyDefaultMagnification(m, factor);
    // UX ranges over 0..0.6, UY over -0.15..0
    EXPECT_NEAR(factor, 0.3 * 5.5 / 0.6, 1e-5);

    FeModel space = tetModel();  // sizes 2, 4, 6: mean 4
    addResults(space, {"UX", "UY", "UZ"}, {1.0f},
               [](int32_t, int32_t i, int32_t d) { return d == 2 ? float(i) : 0.0f; });
    space.modalResults = true;
    orv::applyDefaultMagnification(space, factor);
    EXPECT_NEAR(factor, 0.3 * 4.0 / 3.0, 1e-6);
}

TEST(DefaultMagnification, ModesAtRestKeepTheFactor) {
    FeModel m = planeModel();
    addResults(m, {"UX", "UY"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 0.25f; });
    m.modalResults = true;
    float factor = 7.0f;
    orv::applyDefaultMagnification(m, factor);
    EXPECT_EQ(factor, 7.0f);
}

}  // namespace
