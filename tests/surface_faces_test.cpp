// The outer-surface search: the nodes of each face and edge, which ones are flagged, what
// hides them, and the progress it reports.

#include <random>
#include <sstream>

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// Elements written "type: node node ...", separated by "/", numbered from 1.
FeModel parsed(int32_t dimension, const Points& points, const std::string& layout) {
    std::vector<ElementDef> elements;
    std::istringstream in(layout);
    for (std::string item; std::getline(in, item, '/');) {
        std::istringstream words(item);
        ElementDef e{int32_t(elements.size()) + 1, 0, {}};
        char colon;
        words >> e.type >> colon;
        for (int32_t p; words >> p;)
            e.nodes.push_back(p);
        elements.push_back(e);
    }
    return buildModel(dimension, points, elements, {}, true);
}

// The flags of every element ("101 011"), after the search.
std::string searchedFlags(FeModel m) {
    NullProgress progress;
    EXPECT_TRUE(m.findSurfaceFaces(progress));
    std::string flags;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        int set = 0;
        flags += e > 0 ? " " : "";
        for (uint8_t f : m.elementFaceFlags(e)) {
            flags += char('0' + f);
            set += f;
        }
        const ElementRecord& r = m.elements[size_t(e)];
        EXPECT_EQ(r.exteriorFaceCount, r.family == ElementFamily::Solid ? set : 0);
    }
    return flags;
}

// The corners of the unit cube and four above its top face; the unit square is nodes 1-4.
const Points kTwoCubes = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1},
                          {1, 1, 1}, {0, 1, 1}, {0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}};
// The perimeter of a 2 x 2 square, corner, midside, corner, ..., then a second square to
// its right sharing the side 3-4-5 (the search never looks at coordinates).
const Points kQuadraticSquares = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {2, 2, 0},
                                  {1, 2, 0}, {0, 2, 0}, {0, 1, 0}, {3, 0, 0}, {4, 0, 0},
                                  {4, 1, 0}, {4, 2, 0}, {3, 2, 0}};

TEST(Faces, NodesOfEachFaceAndEdge) {
    const FeModel m = parsed(
        3, kTwoCubes, "38: 1 2 3 4 5 6 7 8 / 34: 9 10 11 12 / 44: 5 6 7 8 / 28: 1 2 3 4 5 6 7 8");
    const char* expected[] = {
        "4 3 2 1, 5 6 7 8, 3 4 8 7, 1 2 6 5, 2 3 7 6, 1 5 8 4, ",  // bottom, top, sides
        "9 10 12, 10 11 12, 12 11 9, 11 10 9, ", "",               // shells have none
        "1 2, 2 3, 3 4, 4 5, 5 6, 6 7, 7 8, 8 1, "};               // node i to node i + 1
    for (int32_t e = 0; e < 4; ++e) {
        std::string faces;
        for (int i = 0; i < 9; ++i) {
            int32_t list[4];
            const int count = m.getFace(e, i, list);
            for (int j = 0; j < count; ++j)
                faces += std::to_string(list[j]) + (j + 1 < count ? " " : ", ");
        }
        EXPECT_EQ(faces, expected[e]);
    }
    const int32_t top[4] = {8, 7, 6, 5}, across[2] = {1, 9};
    EXPECT_TRUE(m.containsNodes(0, 4, top));
    EXPECT_FALSE(m.containsNodes(0, 2, across));
    EXPECT_TRUE(m.containsNodes(0, 1, across));
    EXPECT_FALSE(m.containsNodes(2, 4, top));  // a shell is not examined
}

// Cases the random models below meet only by chance.
TEST(SurfaceFaces, FlagsOfSmallModels) {
    const Points& cubes = kTwoCubes;
    const Points& squares = kQuadraticSquares;
    const std::vector<std::tuple<int32_t, const Points&, std::string, std::string>> cases = {
        {3, cubes, "38: 1 2 3 4 5 6 7 8 / 38: 5 6 7 8 9 10 11 12", "101111 011111"},
        {3, cubes, "38: 1 2 3 4 5 6 7 8 / 44: 5 6 7 8", "101111 0000"},  // a shell hides a face
        {2, cubes, "24: 1 2 3 4 / 22: 3 2", "1011 0"},                   // a line hides an edge
        {2, squares, "28: 1 2 3 4 5 6 7 8 / 28: 3 9 10 11 12 13 5 4", "11001111 11111100"},
        {2, squares, "26: 1 2 3 4 5 9 / 26: 1 9 5 6 7 8", "111100 001111"},
        // A brick collapsed into a wedge (3 = 4, 7 = 8) on the corners of a whole brick: the
        // whole brick holds every wedge face (face 3 4 8 7 is the edge 3-7), and the wedge holds
        // the two brick faces whose corners are all among its own.
        {3, cubes, "38: 1 2 3 3 5 6 7 7 / 38: 1 2 3 4 5 6 7 8", "000000 111001"},
        // A tetrahedron whose last face lies across the top of a brick: the brick holds its
        // nodes without having that face.
        {3, cubes, "38: 1 2 3 4 5 6 7 8 / 34: 5 6 7 9", "111111 1110"},
        // A triangle with a repeated node is an edge, hidden by any element holding both ends.
        {2, cubes, "23: 1 2 2 / 24: 1 2 3 4", "000 0111"}};
    for (const auto& [dimension, points, elements, flags] : cases)
        EXPECT_EQ(searchedFlags(parsed(dimension, points, elements)), flags) << elements;
}

// The flags by their definition, element against element.
std::string flagsByDefinition(const FeModel& m) {
    std::string flags;
    for (int32_t e = 0; e < m.elementCount; ++e) {
        flags += e > 0 ? " " : "";
        const ElementRecord& r = m.elements[size_t(e)];
        for (int i = 0; i < r.faceCount; ++i) {
            int32_t face[4];
            const int count = hasSurfaceFaces(r.family) ? m.getFace(e, i, face) : 0;
            bool hidden = count == 0;
            for (int32_t f = 0; f < m.elementCount && !hidden; ++f) {
                const auto nodes = m.elementNodes(f);
                hidden = f != e && std::all_of(face, face + count, [&](int32_t p) {
                             return std::find(nodes.begin(), nodes.end(), p) != nodes.end();
                         });
            }
            flags += hidden ? '0' : '1';
        }
    }
    return flags;
}

TEST(SurfaceFaces, RandomModelsAgreeWithTheDefinition) {
    // Few nodes for many elements: faces shared by several elements, repeated nodes, and
    // nodes crowded enough for the linear path; solids among shells, lines and points, and
    // plane elements of both orders.
    std::mt19937 random(20240611);
    const std::vector<int32_t> solids = {38, 38, 34, 34, 44, 43, 32, 31},
                               plane = {23, 24, 28, 26, 22, 21};
    for (const auto& [nodeCount, elementCount, dimension] :
         std::vector<std::tuple<int32_t, int32_t, int32_t>>{
             {10, 40, 3}, {14, 300, 3}, {40, 400, 3}, {9, 2000, 3}, {10, 60, 2}, {30, 600, 2}}) {
        const std::vector<int32_t>& codes = dimension == 3 ? solids : plane;
        std::vector<ElementDef> elements;
        for (int32_t e = 0; e < elementCount; ++e) {
            const int32_t code = codes[random() % codes.size()];
            ElementDef def{e + 1, code, {}};
            // A copy of an earlier element's nodes now and then, so that whole faces are shared.
            const bool copy = !elements.empty() && random() % 3 == 0;
            const ElementDef& earlier =
                elements.empty() ? def : elements[random() % elements.size()];
            for (int32_t j = 0; j < elementType(code)->nodeCount; ++j)
                def.nodes.push_back(copy && size_t(j) < earlier.nodes.size()
                                        ? earlier.nodes[size_t(j)]
                                        : int32_t(random() % uint32_t(nodeCount)) + 1);
            elements.push_back(def);
        }
        const FeModel m =
            buildModel(dimension, Points(size_t(nodeCount), {0, 0, 0}), elements, {}, true);
        EXPECT_EQ(searchedFlags(m), flagsByDefinition(m)) << elementCount << " elements";
    }
}

// Large enough to split the work: a column of bricks, each on the one before it (bottom and
// top hidden but at the ends), in order and with every twin half the model later (the faces
// waiting for them are left to the rule on the way); strips of triangles whose edges 0
// (i, i+1) and 1 (i+1, i+2) are interior but at the ends, while edge 2 (i+2, i) is on the border.
TEST(SurfaceFaces, LargeModelsKeepOnlyTheirOutline) {
    const int32_t n = 24001;
    Points points;
    for (int32_t level = 0; level <= n; ++level)
        for (int corner = 0; corner < 4; ++corner)
            points.push_back({float(corner == 1 || corner == 2), float(corner >= 2), float(level)});
    std::vector<ElementDef> bricks, apart;
    std::string inOrder, apartFlags;
    for (int32_t b = 0, c = 0; b < n; ++b, c += 4) {
        bricks.push_back({b + 1, 38, {c + 1, c + 2, c + 3, c + 4, c + 5, c + 6, c + 7, c + 8}});
        inOrder += b == 0 ? "101111 " : b + 1 == n ? "011111 " : "001111 ";
    }
    for (int32_t start : {0, 1})
        for (int32_t b = start; b < n; b += 2) {
            apart.push_back(bricks[size_t(b)]);
            apartFlags += inOrder.substr(size_t(b) * 7, 7);
        }
    EXPECT_EQ(searchedFlags(buildModel(3, points, bricks, {}, true)) + " ", inOrder);
    EXPECT_EQ(searchedFlags(buildModel(3, points, apart, {}, true)) + " ", apartFlags);
    for (int32_t count : {40, n}) {
        std::string strip = "101";
        for (int32_t e = 1; e + 1 < count; ++e)
            strip += " 001";
        EXPECT_EQ(searchedFlags(triangleStrip(count)), strip + " 011");
    }
}

TEST(SurfaceFaces, ProgressEveryTwentiethOfTheElements) {
    for (int32_t n : {0, 19, 40}) {
        RecordingProgress progress;
        ASSERT_TRUE(triangleStrip(n).findSurfaceFaces(progress));
        std::vector<int> expected = {0};
        for (int p = 5; n == 40 && p <= 100; p += 5)
            expected.push_back(p);
        EXPECT_EQ(progress.positions, expected) << n << " elements";
        EXPECT_EQ(progress.texts, std::vector<std::string>{"Find surface elements ..."});
    }
}

}  // namespace
