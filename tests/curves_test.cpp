// Curve files and their export, the tables computed from a result, the value at a point of a
// plane mesh and the node text of the curve-array dialog.
#include <cmath>
#include <cstring>
#include <numbers>

#include "curve_file.h"
#include "curve_maths.h"
#include "test_support.h"

namespace {

using orvtest::RecordingMessages;

// Three rows; the second column is all negative, the third holds a NaN and a name that the
// writer cuts to 19 characters.
orv::CurveTable smallTable() {
    orv::CurveTable t;
    t.rowCount = 3;
    t.names = {"Time", "12_UX", "a_name_longer_than_nineteen"};
    t.values = {0.0f, -1.5f, 150.0f, 0.5f, -0.5f, NAN, 1.0f, -0.25f, -1e-7f};
    return t;
}

std::string int32Bytes(std::initializer_list<int32_t> values) {
    std::string s;
    for (int32_t v : values)
        s.append(reinterpret_cast<const char*>(&v), 4);
    return s;
}

TEST(CurveFiles, WrittenReadBackAndExportedAsTheGoldenFiles) {
    orvtest::TempDir dir;
    RecordingMessages messages;
    ASSERT_TRUE(orv::writeCurveFile(dir.file("t.cdb"), smallTable(), messages));
    orvtest::expectGolden("curve_table.cdb", orvtest::readBytes(dir.file("t.cdb")));
    // Bytes after the last value are not part of the table.
    orvtest::writeBytes(dir.file("t.cdb"), orvtest::readBytes(dir.file("t.cdb")) + "tail");
    orv::CurveTable back;
    ASSERT_TRUE(orv::readCurveFile(dir.file("t.cdb"), back, messages));
    EXPECT_EQ(back.names, (std::vector<std::string>{"Time", "12_UX", "a_name_longer_than_"}));
    EXPECT_TRUE(back.rowCount == 3 &&
                !std::memcmp(back.values.data(), &smallTable().values[0], 36));
    EXPECT_EQ(orv::columnRanges(back), (std::vector<std::pair<float, float>>{
                                           {0.0f, 1.0f}, {-1.5f, -0.25f}, {-1e-7f, 150.0f}}));
    const std::vector<int32_t> y{1, 2};
    ASSERT_TRUE(orv::exportCurve(dir.file("t.xls"), back, 0, y, messages));
    orvtest::expectGolden("curve_export.xls", orvtest::readBytes(dir.file("t.xls")));
    EXPECT_TRUE(messages.boxes.empty());
    // A directory that does not exist: both writers name the path and leave nothing behind.
    const std::string lost = dir.file("none/t.cdb");
    EXPECT_FALSE(orv::writeCurveFile(lost, back, messages));
    EXPECT_FALSE(orv::exportCurve(lost, back, 0, y, messages));
    EXPECT_EQ(messages.texts(), std::vector<std::string>(2, "Error:  Error to open file" + lost));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"t.cdb", "t.xls"}));
}

TEST(CurveFiles, DamagedFilesAreRefusedAndLeaveTheTableAsItWas) {
    const std::string name = int32Bytes({1}) + "T";
    const std::string d = "Error: The curve file is damaged: ";
    const struct {
        std::string bytes, message;
    } cases[] = {
        {std::string("\2\0\0abc", 6),
         d + "it holds 6 bytes, fewer than the 8 of its row and column counts!"},
        {int32Bytes({-2, 1}) + name + std::string(8, 0), d + "the row count -2 is not positive!"},
        {int32Bytes({0, 1}) + name, d + "the row count 0 is not positive!"},
        {int32Bytes({2, -1}) + name + std::string(8, 0),
         d + "the column count -1 is not positive!"},
        {int32Bytes({1, 1}) + name + std::string(4, 0),
         "Message: There is only one computation step!"},
        {int32Bytes({2, 2, 20}) + std::string(20, 'n') + name + std::string(16, 0),
         d + "the name of column 1 has the length 20, not 0 to 19!"},
        {int32Bytes({100000000, 100}) + std::string(8, 0),
         d + "100000000 rows of 100 columns need at least 40000000408 bytes, the file holds 16!"},
        {int32Bytes({2, 2, 4}) + "Time" + int32Bytes({2}) + "UX" + std::string(12, 0),
         d + "it ends inside the values: 3 of the 4 values are there!"},
        {int32Bytes({2, 2, 19}) + std::string(20, 'n'), d + "it ends inside the name of column 2!"},
    };
    orvtest::TempDir dir;
    for (const auto& c : cases) {
        orvtest::writeBytes(dir.file("d.cdb"), c.bytes);
        RecordingMessages fromFile, fromBytes;
        orv::CurveTable table = smallTable();
        EXPECT_FALSE(orv::readCurveFile(dir.file("d.cdb"), table, fromFile));
        EXPECT_FALSE(orv::readCurveBytes(
            {reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()}, table, fromBytes));
        EXPECT_TRUE(fromFile.texts() == std::vector{c.message} &&
                    fromBytes.texts() == fromFile.texts())
            << fromFile.texts().at(0);
        EXPECT_TRUE(table.names == smallTable().names && table.rowCount == 3 &&
                    table.values.size() == 9);
    }
    for (const std::string& path : {dir.path_, dir.file("missing.cdb")}) {
        RecordingMessages messages;
        orv::CurveTable table = smallTable();
        orv::clearFileError();
        EXPECT_FALSE(orv::readCurveFile(path, table, messages));
        EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error:  Error to open file .cdb"});
        EXPECT_EQ(orv::lastFileError(),
                  path == dir.path_ ? "Is a directory" : "No such file or directory");
        EXPECT_EQ(table.names, smallTable().names);
    }
}

orv::FeModel example(const char* name) {
    return orvtest::readAccepted(std::string(ORVANTA_EXAMPLES_DIR) + "/" + name);
}

int32_t nodeAt(const orv::FeModel& m, std::initializer_list<double> point) {
    return orv::nearestNodeToFilePoint(m, std::vector<double>(point));
}

TEST(CurveMaths, TimeHistoryOfStepsAndOfModesTakesTheStoredValues) {
    // The cantilever's tip under the load ramped in five steps (0.2 .. 1): the beam's tip
    // deflection P L^3 / (3 E I) at full load.
    const orv::FeModel steps = example("cantilever.asc");
    const int32_t tip = nodeAt(steps, {1000, 0, 0});
    const orv::CurveTable t = orv::timeHistory(steps, std::vector<int32_t>{tip, 1});
    ASSERT_EQ(t.columnCount(), 11);
    EXPECT_TRUE(t.names[0] == "Time" && t.names[2] == std::to_string(tip) + "_UY" &&
                t.names[10] == "1_SXY");
    ASSERT_EQ(t.rowCount, 5);
    const double deflection = -10000.0 * 1e9 / (3 * 210000.0 * 50 * 1e6 / 12);
    for (int32_t k = 0; k < 5; ++k) {
        EXPECT_NEAR(t.value(k, 0), 0.2 * (k + 1), 1e-6);
        EXPECT_NEAR(t.value(k, 2), 0.2 * (k + 1) * deflection, 2e-3 * -deflection);
    }
    // The modes: first bending in z, then y (clamped-free beam frequencies), each with a tip
    // deflection of 1 in its own direction.
    const orv::FeModel modes = example("cantilever_modes.mdf");
    const int32_t modeTip = nodeAt(modes, {1000, 0, 0});
    const orv::CurveTable m = orv::timeHistory(modes, std::vector<int32_t>{modeTip});
    ASSERT_EQ(m.rowCount, 4);
    EXPECT_TRUE(m.names.size() == 4 && m.names[3] == std::to_string(modeTip) + "_UZ");
    const double root = 1.8751040687 * 1.8751040687 / (2 * std::numbers::pi) *
                        std::sqrt(210000.0 / (7.85e-9 * 12 * 1e12));
    EXPECT_NEAR(m.value(0, 0), root * 50, 1e-3 * root * 50);
    EXPECT_NEAR(m.value(1, 0), root * 100, 1e-3 * root * 100);
    for (int32_t k = 0; k < 4; ++k) {
        EXPECT_NEAR(std::abs(m.value(k, k % 2 == 0 ? 3 : 2)), 1.0, 1e-3) << "mode " << k + 1;
        EXPECT_NEAR(m.value(k, k % 2 == 0 ? 2 : 3), 0.0, 1e-3) << "mode " << k + 1;
    }
}

TEST(CurveMaths, SingleStepGivesTwoRowsFromRest) {
    orv::FeModel m = orvtest::triangleStrip(2);
    orvtest::addResults(m, {"ABCDEFGHIJKLMNOPQRS"}, {7.0f},
                        [](int32_t, int32_t i, int32_t) { return float(i) + 0.5f; });
    const orv::CurveTable t = orv::timeHistory(m, std::vector<int32_t>{3});
    EXPECT_EQ(t.names, (std::vector<std::string>{"Time", "3_ABCDEFGHIJKLMNOPQ"}));
    EXPECT_EQ(t.rowCount, 2);
    EXPECT_EQ(t.values, (std::vector<float>{0.0f, 0.0f, 1.0f, 2.5f}));
}

// Along the y axis from the hole's edge (0, a) outwards, the Kirsch solution's SX is the hoop
// stress, which peaks at 3 s on the hole: s (1 + a^2 / (2 y^2) + 3 a^4 / (2 y^4)). SX is the
// component that varies most along that line, so it shows the interpolation's error best.
TEST(CurveMaths, LineDistributionFollowsKirschAlongTheHoleAxis) {
    for (const char* name : {"plate_hole_q4.asc", "plate_hole_q8.asc"}) {
        const orv::FeModel m = example(name);
        const orv::CurveTable t =
            orv::lineDistribution(m, nodeAt(m, {0, 10}), nodeAt(m, {0, 100}), 3);
        ASSERT_EQ(t.rowCount, 40);
        EXPECT_EQ(t.names, (std::vector<std::string>{"Distance", "UX", "UY", "SX", "SY", "SXY"}));
        double worst = 0;
        for (int32_t i = 0; i < 40; ++i) {
            const double y = 10 + t.value(i, 0), q = 10 / y;
            EXPECT_NEAR(t.value(i, 0), i * 90.0 / 39, 1e-3);
            const double kirsch = 100 * (1 + q * q / 2 + 1.5 * q * q * q * q);
            worst = std::max(worst, std::abs(t.value(i, 3) - kirsch) / kirsch);
        }
        EXPECT_LT(worst, 0.02) << name;  // 0.0147 with 4-node quads, 0.0091 with 8-node ones
    }
}

// Two unit quads side by side with nodes of their own (a crack along x = 1), a clockwise
// quad and a triangle; the field is 2x + 3y + 1, plus 100 in the second quad and 200 in the
// clockwise one. Coordinates here are file coordinates; the model is centred.
orv::FeModel patchModel() {
    const orvtest::Points points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0},
                                    {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {5, 0, 0}, {5, 1, 0},
                                    {6, 1, 0}, {6, 0, 0}, {3, 0, 0}, {4, 0, 0}, {3, 1, 0}};
    orv::FeModel m = orvtest::buildModel(2, points,
                                         {{1, 24, {1, 2, 3, 4}},
                                          {2, 24, {5, 6, 7, 8}},
                                          {3, 24, {9, 10, 11, 12}},
                                          {4, 23, {13, 14, 15}}});
    orvtest::addResults(m, {"T"}, {1.0f}, [&](int32_t, int32_t i, int32_t) {
        const float shift = i >= 4 && i < 12 ? 100.0f * float(i / 4) : 0.0f;
        return 2 * points[size_t(i)][0] + 3 * points[size_t(i)][1] + 1 + shift;
    });
    return m;
}

TEST(CurveMaths, ValueAtPoint) {
    const orv::FeModel m = patchModel();
    const struct {
        double x, y, value;
    } cases[] = {
        {0.25, 0.75, 3.75},   // inside the first quad
        {1.0, 0.5, 4.5},      // the shared edge: the first quad in element order
        {1.5, 0.5, 105.5},    // inside the second quad
        {5.5, 0.25, 212.75},  // inside the clockwise quad
        {3.5, 0.0, 8.0},      // the triangle's edge: the mean of its two nodes
        {3.3, 0.3, 0.0},      // inside the triangle, away from its edges
        {50.0, 50.0, 0.0},    // far outside
    };
    for (const auto& c : cases)
        EXPECT_NEAR(orv::valueAtPoint(m, 0, c.x - m.centre[0], c.y - m.centre[1]).at(0), c.value,
                    1e-5)
            << c.x << ", " << c.y;
    EXPECT_EQ(orv::valueAtPoint(m, 1, 0.5, 0.5), std::vector<double>{0.0});  // no such step
}

// Each text gives its nodes, or the refusal's box.
TEST(CurveMaths, NodeTextGivesNodesOrTheRefusal) {
    const orv::FeModel m = patchModel();
    using K = orv::CurveKind;
    using I = orv::NodeInput;
    const std::string none = "Message: There is no node ",
                      line = "Message: Need 2 node to define a line!";
    const struct {
        std::string text;
        I input;
        K kind;
        std::string outcome;
    } cases[] = {
        {"3, 5:7\t2,", I::Numbers, K::TimeHistory, "3 5 7 2"},
        {"4 6 8", I::Pick, K::LineDistribution, "4 6"},
        {" ,: ", I::Numbers, K::TimeHistory, "Message: Please select node!"},
        {"3 x", I::Numbers, K::TimeHistory, "Message: \"x\" is not a node number!"},
        {"2 0", I::Unpick, K::TimeHistory, none + "0 in this model!"},
        {"16", I::Numbers, K::TimeHistory, none + "16 in this model!"},
        {"99999999999999999999", I::Numbers, K::TimeHistory,
         none + "99999999999999999999 in this model!"},
        {"4 4 5", I::Numbers, K::LineDistribution, line},
        {"4", I::Numbers, K::LineDistribution, line},
        // File coordinates: the model's centre is subtracted; a tie goes to the lower number.
        {"1,0 3.9,0.1 +6,1e0", I::Coordinates, K::TimeHistory, "2 14 11"},
        {"1 2", I::Coordinates, K::LineDistribution, line},
        {"0 0 0.1 0", I::Coordinates, K::LineDistribution, line},
        {"0 0 1", I::Coordinates, K::TimeHistory,
         "Message: The last point has only 1 of its 2 coordinates!"},
        {"0 nan", I::Coordinates, K::TimeHistory, "Message: \"nan\" is not a coordinate!"},
    };
    for (const auto& c : cases) {
        RecordingMessages messages;
        std::string outcome;
        for (int32_t n : orv::readCurveNodes(c.text, c.input, c.kind, m, messages)
                             .value_or(std::vector<int32_t>{}))
            outcome += (outcome.empty() ? "" : " ") + std::to_string(n);
        for (const std::string& box : messages.texts())
            outcome += box;
        EXPECT_EQ(outcome, c.outcome) << c.text;
    }
}

}  // namespace
