// The bundled examples are exactly what the generator writes, read back with the expected
// meshes, and carry results that obey the mechanics they claim; the block command writes
// .rst and .asc files that read back to the same model.
#include <sys/wait.h>

#include <cmath>
#include <numbers>
#include <set>
#include <span>

#include "sample_models.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace orvtest;
using namespace orv::samples;
constexpr double kPi = std::numbers::pi;

// The samples tool's exit status, run in `dir`.
int runTool(const std::string& arguments, const std::string& dir = ".") {
    const int status = std::system(
        ("cd \"" + dir + "\" && \"" ORVANTA_SAMPLES_TOOL "\" " + arguments + " >/dev/null 2>&1")
            .c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string bundled(const std::string& name) {
    return std::string(ORVANTA_EXAMPLES_DIR) + "/" + name;
}

// The node nearest to a point of the file's coordinates.
int32_t nearest(const orv::FeModel& m, double x, double y, double z = 0.0) {
    const double p[3] = {x, y, z};
    std::pair<double, int32_t> best = {1e300, 0};
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        double d = 0.0;
        for (int j = 0; j < m.dimension; ++j)
            d += std::pow(m.fileCoordinate(i, j) - p[j], 2);
        best = std::min(best, std::pair(d, i));
    }
    return best.second;
}

double value(const orv::FeModel& m, int32_t node, int32_t step, const std::string& name) {
    const auto& names = m.results.dofNames;
    const auto it = std::find(names.begin(), names.end(), name);
    EXPECT_NE(it, names.end()) << name;
    return m.storedValue(node, step, int32_t(it - names.begin()));
}

int64_t exteriorFaces(const orv::FeModel& m) {
    return std::count(m.faceFlags.begin(), m.faceFlags.end(), 1);
}

// Every solid is oriented positively: the corner tetrahedron at each bottom corner of a
// hexahedron, and each tetrahedron, has a positive volume.
void expectOrientedPositively(const orv::FeModel& m) {
    const int32_t hex[4][4] = {{0, 1, 3, 4}, {1, 2, 0, 5}, {2, 3, 1, 6}, {3, 0, 2, 7}};
    const int32_t tet[1][4] = {{0, 1, 2, 3}};
    for (int32_t e = 0; e < m.elementCount; ++e) {
        const auto nodes = m.elementNodes(e);
        for (const auto& c : m.elements[size_t(e)].type == 38 ? std::span<const int32_t[4]>(hex)
                                                              : std::span<const int32_t[4]>(tet)) {
            double u[3][3];
            for (int r = 0; r < 3; ++r)
                for (int j = 0; j < 3; ++j)
                    u[r][j] = m.fileCoordinate(nodes[c[r + 1]] - 1, j) -
                              m.fileCoordinate(nodes[c[0]] - 1, j);
            ASSERT_GT(u[0][0] * (u[1][1] * u[2][2] - u[1][2] * u[2][1]) -
                          u[0][1] * (u[1][0] * u[2][2] - u[1][2] * u[2][0]) +
                          u[0][2] * (u[1][0] * u[2][1] - u[1][1] * u[2][0]),
                      0.0)
                << "element " << e + 1;
        }
    }
}

// --- the bundled files ---

TEST(BundledExamples, AreExactlyWhatTheGeneratorWrites) {
    TempDir dir;
    ASSERT_EQ(runTool("examples .", dir.file("")), 0);
    std::set<std::string> listed;
    for (const Example& ex : examples()) {
        listed.insert(ex.fileName);
        const std::string fresh = readBytes(dir.file(ex.fileName));
        ASSERT_FALSE(fresh.empty()) << ex.fileName;
        EXPECT_LT(fresh.size(), 1u << 20) << ex.fileName << " is too large to bundle";
        EXPECT_TRUE(fresh == readBytes(bundled(ex.fileName)))
            << ex.fileName << " differs from the generator's output: regenerate the examples";
    }
    // No stale result file lies beside them.
    for (const auto& entry : fs::directory_iterator(ORVANTA_EXAMPLES_DIR)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".asc" || ext == ".rst" || ext == ".mdf") {
            EXPECT_TRUE(listed.count(entry.path().filename().string())) << entry.path();
        }
    }
}

TEST(BundledExamples, ReadBackWithTheirMeshesAndResults) {
    struct Expected {
        std::string file;
        int32_t dimension, nodes, elements, type, dofs, steps;
        int64_t exterior;  // surface edges or faces of a closed, conforming mesh
    };
    const Expected all[] = {
        // 48 sectors x 12 rings; the hole and the outline each have 48 edges.
        {"plate_hole_q4.asc", 2, 13 * 48, 12 * 48, 24, 5, 4, 2 * 48},
        // 32 sectors x 8 rings with midside nodes; each quadratic edge has two segments.
        {"plate_hole_q8.asc", 2, 17 * 64 - 8 * 32, 8 * 32, 28, 5, 4, 2 * 64},
        {"cantilever.asc", 3, 41 * 5 * 3, 40 * 4 * 2, 38, 5, 5, 2 * (160 + 80 + 8)},
        {"cantilever_modes.mdf", 3, 41 * 5 * 3, 40 * 4 * 2, 38, 3, 4, 2 * (160 + 80 + 8)},
        {"shell_plate.asc", 3, 21 * 13, 20 * 12, 44, 5, 4, 0},
        // Inner and outer walls 2 x 32 x 6 triangles each, end rings 2 x 4 x 32 each.
        {"pressure_tube.rst", 3, 5 * 32 * 7, 6 * 4 * 32 * 6, 34, 6, 3, 2 * 384 + 2 * 256},
        {"truss_bridge.asc", 2, 12, 21, 22, 2, 5, 0},
    };
    ASSERT_EQ(std::size(all), examples().size());
    for (const Expected& x : all) {
        SCOPED_TRACE(x.file);
        const orv::FeModel m = readAccepted(bundled(x.file));
        for (const orv::ElementRecord& r : m.elements)
            ASSERT_EQ(r.type, x.type);
        EXPECT_EQ(std::make_tuple(m.dimension, m.nodeCount, m.elementCount, m.results.dofCount,
                                  m.results.stepCount, exteriorFaces(m), m.modalResults,
                                  m.results.hasDisplacements),
                  std::make_tuple(x.dimension, x.nodes, x.elements, x.dofs, x.steps, x.exterior,
                                  x.file.ends_with(".mdf"), true));
        if (x.dimension == 3 && x.type != 44) expectOrientedPositively(m);
    }
}

// --- the mechanics the results stand for ---

TEST(BundledExamples, PlateHoleFollowsTheKirschSolution) {
    using P = PlateWithHole;
    const double s = P::appliedStress, a = P::radius, e = P::youngsModulus;
    for (const char* file : {"plate_hole_q4.asc", "plate_hole_q8.asc"}) {
        SCOPED_TRACE(file);
        const orv::FeModel m = readAccepted(bundled(file));
        const int32_t last = m.results.stepCount - 1;
        // Stress concentration: three times the applied stress across the load direction,
        // compression equal to it on the load axis.
        EXPECT_NEAR(value(m, nearest(m, 0, a), last, "SX"), 3.0 * s, 1e-3 * s);
        EXPECT_NEAR(value(m, nearest(m, 0, -a), last, "SX"), 3.0 * s, 1e-3 * s);
        EXPECT_NEAR(value(m, nearest(m, a, 0), last, "SY"), -s, 1e-3 * s);
        // The hole grows by 6 s a / E along the load and shrinks by 2 s a / E across it.
        const double along =
            value(m, nearest(m, a, 0), last, "UX") - value(m, nearest(m, -a, 0), last, "UX");
        const double across =
            value(m, nearest(m, 0, a), last, "UY") - value(m, nearest(m, 0, -a), last, "UY");
        EXPECT_NEAR(along, 6.0 * s * a / e, 1e-3 * s * a / e);
        EXPECT_NEAR(across, -2.0 * s * a / e, 1e-3 * s * a / e);
        // The steps ramp the load.
        const int32_t probe = nearest(m, 0, a);
        for (int32_t k = 0; k <= last; ++k) {
            const double factor = double(k + 1) / (last + 1);
            EXPECT_FLOAT_EQ(float(m.stepValue(k)), float(factor));
            EXPECT_NEAR(value(m, probe, k, "SX"), 3.0 * s * factor, 1e-3 * s);
        }
    }
}

TEST(BundledExamples, CantileverFollowsBeamTheory) {
    using C = Cantilever;
    const orv::FeModel m = readAccepted(bundled("cantilever.asc"));
    const int32_t last = m.results.stepCount - 1;
    const double p = C::tipLoad, l = C::length, b = C::width, h = C::height;
    const double inertia = b * h * h * h / 12.0;
    const double tip = p * l * l * l / (3.0 * C::youngsModulus * inertia);
    const int32_t root = nearest(m, 0, h / 2, 0);  // clamped
    EXPECT_NEAR(std::fabs(value(m, root, last, "UX")) + std::fabs(value(m, root, last, "UY")), 0.0,
                1e-9);
    // Bending stress at the clamp 6 P L / (b h^2), tension on top; the tip deflects by
    // P L^3 / (3 E I), ramped over the steps.
    const double bending = 6.0 * p * l / (b * h * h);
    EXPECT_NEAR(value(m, nearest(m, 0, h / 2, 0), last, "SX"), bending, 1e-3 * bending);
    EXPECT_NEAR(value(m, nearest(m, 0, -h / 2, 0), last, "SX"), -bending, 1e-3 * bending);
    for (int32_t k = 0; k <= last; ++k)
        EXPECT_NEAR(value(m, nearest(m, l, 0, 0), k, "UY"), -tip * (k + 1) / (last + 1),
                    1e-3 * tip);
}

TEST(BundledExamples, CantileverModesAreClampedFreeBeamModes) {
    using C = Cantilever;
    const orv::FeModel m = readAccepted(bundled("cantilever_modes.mdf"));
    const double area = C::width * C::height, l = C::length;
    const int32_t tip = nearest(m, l, 0, 0), root = nearest(m, 0, 0, 0);
    double previous = 0.0;
    for (int32_t k = 0; k < m.results.stepCount; ++k) {
        SCOPED_TRACE("mode " + std::to_string(k + 1));
        const double f = m.stepValue(k);
        EXPECT_GT(f, previous);  // ascending frequencies
        previous = f;
        const double uy = value(m, tip, k, "UY"), uz = value(m, tip, k, "UZ");
        const bool inY = std::fabs(uy) > std::fabs(uz);
        EXPECT_NEAR(std::max(std::fabs(uy), std::fabs(uz)), 1.0, 1e-4);  // normalised
        EXPECT_NEAR(std::min(std::fabs(uy), std::fabs(uz)), 0.0, 1e-9);  // one plane only
        EXPECT_NEAR(value(m, root, k, inY ? "UY" : "UZ"), 0.0, 1e-9);
        // The frequency makes beta L a root of the clamped-free equation cos cosh + 1 = 0.
        const double inertia = inY ? C::width * std::pow(C::height, 3) / 12.0
                                   : C::height * std::pow(C::width, 3) / 12.0;
        const double omega = 2.0 * kPi * f;
        const double betaL =
            l * std::pow(C::density * area * omega * omega / (C::youngsModulus * inertia), 0.25);
        // The first mode of each plane, then the second: 1.8751 and 4.6941.
        EXPECT_NEAR(betaL, k < 2 ? 1.87510 : 4.69409, 1e-4);
    }
}

TEST(BundledExamples, ShellPlateFollowsTheNavierSolution) {
    using S = ShellPlate;
    const orv::FeModel m = readAccepted(bundled("shell_plate.asc"));
    const int32_t last = m.results.stepCount - 1;
    const double a = S::lengthX, b = S::lengthY, t = S::thickness, nu = S::poisson;
    const double d = S::youngsModulus * t * t * t / (12.0 * (1.0 - nu * nu));
    const double w =
        16.0 * S::pressure / (std::pow(kPi, 6) * d * std::pow(1 / (a * a) + 1 / (b * b), 2));
    const int32_t centre = nearest(m, a / 2, b / 2, 0);
    EXPECT_NEAR(value(m, centre, last, "UZ"), -w, 1e-3 * w);
    // Bottom-surface bending stress at the centre: 6 M / t^2 with M = D w pi^2 (1/a^2 + nu/b^2).
    const double sx = 6.0 * d * w * kPi * kPi * (1 / (a * a) + nu / (b * b)) / (t * t);
    EXPECT_NEAR(value(m, centre, last, "SX"), sx, 1e-3 * sx);
    // Simply supported: no deflection at a corner.
    EXPECT_NEAR(value(m, nearest(m, 0, 0, 0), last, "UZ"), 0.0, 1e-6 * w);
}

TEST(BundledExamples, PressureTubeFollowsTheLameSolution) {
    using T = PressureTube;
    const orv::FeModel m = readAccepted(bundled("pressure_tube.rst"));
    const int32_t last = m.results.stepCount - 1;
    const double p = T::pressure, ri = T::innerRadius, ro = T::outerRadius;
    const double e = T::youngsModulus, nu = T::poisson;
    const double hoop = p * (ro * ro + ri * ri) / (ro * ro - ri * ri);
    int inner = 0, outer = 0;
    for (int32_t i = 0; i < m.nodeCount; ++i) {
        const double x = m.fileCoordinate(i, 0), y = m.fileCoordinate(i, 1);
        const double r = std::hypot(x, y);
        const double sr = value(m, i, last, "SRAD"), st = value(m, i, last, "SHOOP");
        if (std::fabs(r - ri) < 1e-3 * ri) {
            ++inner;
            EXPECT_NEAR(sr, -p, 1e-4 * p);
            EXPECT_NEAR(st, hoop, 1e-4 * p);
        }
        if (std::fabs(r - ro) < 1e-3 * ro) {
            ++outer;
            EXPECT_NEAR(sr, 0.0, 1e-4 * p);
        }
        // Hooke's law in plane stress ties the displacements to the stresses.
        const double ur = (value(m, i, last, "UX") * x + value(m, i, last, "UY") * y) / r;
        EXPECT_NEAR(ur / r, (st - nu * sr) / e, 1e-4 * p / e) << "node " << i + 1;
    }
    EXPECT_EQ(std::pair(inner, outer), std::pair(32 * 7, 32 * 7));
}

TEST(BundledExamples, TrussCarriesAMovingLoadOnItsSupports) {
    using T = TrussBridge;
    const orv::FeModel m = readAccepted(bundled("truss_bridge.asc"));
    const int32_t left = nearest(m, 0, 0), right = nearest(m, T::panel * T::panels, 0);
    for (int32_t k = 0; k < m.results.stepCount; ++k) {
        // Step k loads the bottom node k + 1 panels from the left, which moves down; the
        // pinned and the sliding support stay.
        EXPECT_NEAR(m.stepValue(k), T::panel * (k + 1), 1e-6);
        EXPECT_LT(value(m, nearest(m, m.stepValue(k), 0), k, "UY"), 0.0) << k;
        EXPECT_EQ(std::fabs(value(m, left, k, "UX")) + std::fabs(value(m, left, k, "UY")) +
                      std::fabs(value(m, right, k, "UY")),
                  0.0);
    }
}

// --- structured blocks ---

// The .rst and the .asc written with nine significant digits (every float kept) read back to
// the same model: the .rst holds the flags that the text reader's surface search finds.
TEST(Blocks, BinaryAndTextFilesReadBackToTheSameModel) {
    struct Case {
        const char* shape;
        int32_t dimension, nodes, elements, type;
        int64_t exterior;
    };
    const int n = 3;
    const Case cases[] = {
        {"hex", 3, 4 * 4 * 4, n * n * n, 38, 6 * n * n},
        {"tet", 3, 4 * 4 * 4, 6 * n * n * n, 34, 6 * 2 * n * n},  // two triangles per square
        {"quad", 2, 4 * 4, n * n, 24, 4 * n},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shape);
        const std::string path = dir.file(c.shape), block = "block " + (c.shape + (" 3 " + path));
        ASSERT_EQ(runTool(block + ".rst") + runTool(block + ".asc --digits 9"), 0);
        const orv::FeModel b = readAccepted(path + ".rst");
        EXPECT_EQ(std::make_tuple(b.dimension, b.nodeCount, b.elementCount, b.elements[0].type,
                                  exteriorFaces(b), b.results.stepCount, b.results.dofNames[2]),
                  std::make_tuple(c.dimension, c.nodes, c.elements, c.type, c.exterior, 5,
                                  std::string(c.dimension == 3 ? "UZ" : "SX")));
        EXPECT_EQ(describe(b), describe(readAccepted(path + ".asc")));
        if (c.dimension == 3) expectOrientedPositively(b);
    }
    EXPECT_NE(readBytes(dir.file("hex.asc")).find("\n1 8 38 1 1 1 2 6 5 17 18 22 21\n"),
              std::string::npos);
}

TEST(Blocks, RefusesWrongArguments) {
    TempDir dir;
    // Digits are for text files only, 1 to 9.
    for (const std::string wrong :
         {"cube 3 a.rst", "hex 0 a.rst", "hex 3x a.rst", "hex 3 a.txt", "hex 3",
          "hex 3 a.asc --digits 0", "hex 3 a.asc --digits 10", "hex 3 a.asc --digits x",
          "hex 3 a.asc --digit 9", "hex 3 a.rst --digits 9"})
        EXPECT_EQ(runTool("block " + wrong, dir.file("")), 2) << wrong;
    EXPECT_EQ(runTool("block hex 2 missing/a.rst", dir.file("")), 1);
    EXPECT_TRUE(fs::is_empty(dir.file("")));
    // Counts beyond the 32-bit tables are refused before anything is allocated.
    orv::FeModel m;
    EXPECT_FALSE(buildBlock(m, BlockShape::Tet, 800));
    EXPECT_EQ(m.nodeCount, 0);
    EXPECT_FALSE(buildBlock(m, BlockShape::Hex, 0));
}

}  // namespace
