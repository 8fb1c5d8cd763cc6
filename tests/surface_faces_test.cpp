// The outer-surface search: which faces of solids and edges of plane elements are flagged,
// what hides them, and the progress it reports.
#include <gtest/gtest.h>

#include <numeric>

#include "fe_model.h"
#include "test_support.h"

namespace {

using orv::FeModel;
using orvtest::buildRawModel;
using orvtest::ElementSpec;

std::vector<int> flagsOf(const FeModel& m, int32_t e) {
    const auto flags = m.elementFaceFlags(e);
    return std::vector<int>(flags.begin(), flags.end());
}

int flagTotal(const FeModel& m) {
    return std::accumulate(m.faceFlags.begin(), m.faceFlags.end(), 0);
}

FeModel searched(FeModel m) {
    orv::NullProgress progress;
    EXPECT_TRUE(m.findSurfaceFaces(progress));
    return m;
}

// The eight corners of the unit cube and the four above its top face (z = 2).
const std::vector<std::array<float, 3>> kTwoCubes = {
    {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1},
    {1, 1, 1}, {0, 1, 1}, {0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2},
};

std::vector<int32_t> face(const FeModel& m, int32_t e, int i) {
    int32_t list[4];
    const int count = m.getFace(e, i, list);
    return std::vector<int32_t>(list, list + count);
}

TEST(Faces, NodesOfEachFaceAndEdge) {
    const FeModel m = buildRawModel(3, kTwoCubes,
                                    {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}},
                                     {2, 34, {9, 10, 11, 12}},
                                     {3, 44, {5, 6, 7, 8}},
                                     {4, 32, {1, 9}}});
    // Hexahedron: bottom, top, then the four sides, each seen from outside.
    EXPECT_EQ(face(m, 0, 0), (std::vector<int32_t>{4, 3, 2, 1}));
    EXPECT_EQ(face(m, 0, 1), (std::vector<int32_t>{5, 6, 7, 8}));
    EXPECT_EQ(face(m, 0, 2), (std::vector<int32_t>{3, 4, 8, 7}));
    EXPECT_EQ(face(m, 0, 3), (std::vector<int32_t>{1, 2, 6, 5}));
    EXPECT_EQ(face(m, 0, 4), (std::vector<int32_t>{2, 3, 7, 6}));
    EXPECT_EQ(face(m, 0, 5), (std::vector<int32_t>{1, 5, 8, 4}));
    EXPECT_TRUE(face(m, 0, 6).empty());
    // Tetrahedron with nodes 9..12.
    EXPECT_EQ(face(m, 1, 0), (std::vector<int32_t>{9, 10, 12}));
    EXPECT_EQ(face(m, 1, 3), (std::vector<int32_t>{11, 10, 9}));
    EXPECT_TRUE(face(m, 1, 4).empty());
    // Shells and lines have no faces of their own.
    EXPECT_TRUE(face(m, 2, 0).empty());
    EXPECT_TRUE(face(m, 3, 0).empty());

    const FeModel plane = buildRawModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{1, 23, {3, 1, 2}}});
    EXPECT_EQ(face(plane, 0, 0), (std::vector<int32_t>{3, 1}));
    EXPECT_EQ(face(plane, 0, 2), (std::vector<int32_t>{2, 3}));
    EXPECT_TRUE(face(plane, 0, 3).empty());
}

TEST(Faces, ContainsNodesOnlyForPlaneAndSolidElements) {
    const FeModel m =
        buildRawModel(3, kTwoCubes, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 44, {5, 6, 7, 8}}});
    const int32_t top[4] = {8, 7, 6, 5};
    const int32_t across[2] = {1, 9};
    EXPECT_TRUE(m.containsNodes(0, 4, top));
    EXPECT_FALSE(m.containsNodes(0, 2, across));
    EXPECT_TRUE(m.containsNodes(0, 1, across));
    EXPECT_FALSE(m.containsNodes(1, 4, top));  // a shell is not examined
}

TEST(SurfaceFaces, ASingleTetrahedronIsAllSurface) {
    const FeModel m = searched(
        buildRawModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 34, {1, 2, 3, 4}}}));
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(m.elements[0].exteriorFaceCount, 4);
}

TEST(SurfaceFaces, TwoHexahedraHideTheFaceTheyShare) {
    const FeModel m = searched(buildRawModel(
        3, kTwoCubes, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 38, {5, 6, 7, 8, 9, 10, 11, 12}}}));
    // The shared face is the top (face 1) of the lower brick and the bottom (face 0) of the
    // upper one.
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(flagsOf(m, 1), (std::vector<int>{0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(m.elements[0].exteriorFaceCount, 5);
    EXPECT_EQ(m.elements[1].exteriorFaceCount, 5);
}

TEST(SurfaceFaces, TwoTrianglesHideTheEdgeTheyShare) {
    const FeModel m = searched(buildRawModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                             {{1, 23, {1, 2, 3}}, {2, 23, {1, 3, 4}}}));
    // Edge i joins node i and node i + 1: the diagonal 3-1 is edge 2 of the first triangle
    // and edge 0 of the second.
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(flagsOf(m, 1), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(flagTotal(m), 4);
}

TEST(SurfaceFaces, ShellsLinesAndPointsAreNeverFlagged) {
    const FeModel m = searched(
        buildRawModel(3, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                      {{1, 44, {1, 2, 3, 4}}, {2, 43, {1, 2, 3}}, {3, 32, {1, 2}}, {4, 31, {4}}}));
    EXPECT_EQ(flagTotal(m), 0);
    EXPECT_EQ(m.faceFlags.size(), 4u + 3u + 1u + 1u);
    for (const auto& e : m.elements)
        EXPECT_EQ(e.exteriorFaceCount, 0);
}

TEST(SurfaceFaces, AShellOnAHexahedronFaceHidesIt) {
    const FeModel m = searched(
        buildRawModel(3, kTwoCubes, {{1, 38, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 44, {5, 6, 7, 8}}}));
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 0, 1, 1, 1, 1}));
    EXPECT_EQ(m.elements[0].exteriorFaceCount, 5);
    EXPECT_EQ(flagsOf(m, 1), (std::vector<int>{0, 0, 0, 0}));
}

TEST(SurfaceFaces, ALineAlongAPlaneEdgeHidesIt) {
    const FeModel m = searched(buildRawModel(2, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                                             {{1, 24, {1, 2, 3, 4}}, {2, 22, {3, 2}}}));
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 0, 1, 1}));
}

TEST(SurfaceFaces, EightNodeQuadrilateralHasEightPerimeterSegments) {
    // Corner, midside, corner, ... around the square.
    const std::vector<std::array<float, 3>> points = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0},
                                                      {2, 2, 0}, {1, 2, 0}, {0, 2, 0}, {0, 1, 0}};
    const FeModel one = searched(buildRawModel(2, points, {{1, 28, {1, 2, 3, 4, 5, 6, 7, 8}}}));
    EXPECT_EQ(flagsOf(one, 0), std::vector<int>(8, 1));

    std::vector<std::array<float, 3>> two = points;
    two.insert(two.end(), {{3, 0, 0}, {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {3, 2, 0}});
    // The second quadrilateral shares the side 3-4-5 (x = 2) with the first.
    const FeModel pair = searched(buildRawModel(
        2, two, {{1, 28, {1, 2, 3, 4, 5, 6, 7, 8}}, {2, 28, {3, 9, 10, 11, 12, 13, 5, 4}}}));
    EXPECT_EQ(flagsOf(pair, 0), (std::vector<int>{1, 1, 0, 0, 1, 1, 1, 1}));
    EXPECT_EQ(flagsOf(pair, 1), (std::vector<int>{1, 1, 1, 1, 1, 1, 0, 0}));
}

TEST(SurfaceFaces, SixNodeTrianglesShareAllOfTheirSide) {
    // Two quadratic triangles over the unit square, sharing the diagonal 1-5-3.
    const FeModel m =
        searched(buildRawModel(2,
                               {{0, 0, 0},
                                {0.5f, 0, 0},
                                {1, 0, 0},
                                {1, 0.5f, 0},
                                {1, 1, 0},
                                {0.5f, 0.5f, 0},
                                {0, 1, 0},
                                {0, 0.5f, 0},
                                {0.5f, 1, 0}},
                               {{1, 26, {1, 2, 3, 4, 5, 6}}, {2, 26, {1, 6, 5, 9, 7, 8}}}));
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(flagsOf(m, 1), (std::vector<int>{0, 0, 1, 1, 1, 1}));
}

// A strip of n triangles: every element after the second shares an edge with the one two
// before it, so only the search decides each flag.
FeModel triangleStrip(int32_t n) {
    std::vector<std::array<float, 3>> points;
    for (int32_t i = 0; i < n + 2; ++i)
        points.push_back({float(i / 2), float(i % 2), 0});
    std::vector<ElementSpec> elements;
    for (int32_t e = 0; e < n; ++e)
        elements.push_back({e + 1, 23, {e + 1, e + 2, e + 3}});
    return buildRawModel(2, points, elements);
}

TEST(SurfaceFaces, AStripOfTrianglesKeepsOnlyItsOutline) {
    const FeModel m = searched(triangleStrip(40));
    // Edge 0 (i, i+1) and edge 1 (i+1, i+2) are interior except at the two ends; edge 2
    // (i+2, i) runs along the strip's border.
    EXPECT_EQ(flagsOf(m, 0), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(flagsOf(m, 20), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(flagsOf(m, 39), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(flagTotal(m), 40 + 2);
}

TEST(SurfaceFaces, ProgressEveryTwentiethOfTheElements) {
    for (int32_t n : {19, 40}) {
        FeModel m = triangleStrip(n);
        orvtest::RecordingProgress progress;
        ASSERT_TRUE(m.findSurfaceFaces(progress));
        std::vector<int> expected = {0};
        if (n == 40)
            for (int p = 5; p <= 100; p += 5)
                expected.push_back(p);
        EXPECT_EQ(progress.positions, expected) << n << " elements";
        ASSERT_FALSE(progress.texts.empty());
        EXPECT_EQ(progress.texts.front(), "Find surface elements ...");
    }
}

TEST(SurfaceFaces, EmptyModelSucceeds) {
    FeModel m;
    m.reset();
    orvtest::RecordingProgress progress;
    EXPECT_TRUE(m.findSurfaceFaces(progress));
    EXPECT_EQ(progress.positions, std::vector<int>{0});
}

TEST(SurfaceFaces, LargeModelsGiveTheSameAnswerAsSmallOnes) {
    // Large enough for the search to split its work.
    const FeModel big = searched(triangleStrip(24001));
    EXPECT_EQ(flagTotal(big), 24001 + 2);
    EXPECT_EQ(flagsOf(big, 0), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(flagsOf(big, 12000), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(flagsOf(big, 24000), (std::vector<int>{0, 1, 1}));
}

}  // namespace
