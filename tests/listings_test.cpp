// The node, element, results and model-information listings, byte for byte.

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// Three nodes in the plane, away from the origin; a triangle and a line.
FeModel plate() {
    FeModel m =
        buildModel(2, {{10, -2, 0}, {12.5f, -2, 0}, {10, 0.25f, 0}},
                   {{7, 23, {1, 2, 3}, 1, 2}, {1234, 22, {3, 1}, 10, 200}}, {101, 102, 103});
    m.jobTitle = "plate under load";
    return m;
}

TEST(NodeListing, FileCoordinatesEvenWhenAlignedForSymmetry) {
    FeModel m = plate();
    const std::string expected =
        joinLines({"3\t2", "     1   1.00000e+001  -2.00000e+000",
                   "     2   1.25000e+001  -2.00000e+000", "     3   1.00000e+001   2.50000e-001"});
    EXPECT_EQ(listing(ListingKind::Nodes, m), expected);
    for (int setting : {1, 2}) {
        m.switchSymmetry(0, setting);
        EXPECT_EQ(listing(ListingKind::Nodes, m), expected);
        m.switchSymmetry(setting, 0);
    }
    EXPECT_EQ(listing(ListingKind::Nodes,
                      buildModel(3, {{-1.5e-7f, 123456.0f, 0}, {-1.5e-7f, -0.0f, 3.0e30f}}, {})),
              joinLines({"2\t3", "     1  -1.50000e-007   1.23456e+005   0.00000e+000",
                         "     2  -1.50000e-007   0.00000e+000   3.00000e+030"}));
}

TEST(ElementListing, FieldWidthsAndUnselectedElements) {
    FeModel m = plate();
    EXPECT_EQ(listing(ListingKind::Elements, m),
              joinLines({"2", "   7     3  23   1   2       1     2     3",
                         "1234     2  22  10 200       3     1"}));
    m.elements[0].selected = 0;
    EXPECT_EQ(listing(ListingKind::Elements, m),
              joinLines({"2", "1234     2  22  10 200       3     1"}));
}

// Numbers wider than their columns never run into their neighbours.
TEST(ElementListing, WideNumbersKeepABlankBeforeThem) {
    FeModel m = plate();
    ElementRecord& r = m.elements[0];
    r.number = 10000;
    r.material = 1000;
    r.realConstant = -100;
    m.connectivity[size_t(r.firstNode)] = 999999;
    m.connectivity[size_t(r.firstNode) + 1] = 100000;
    m.connectivity[size_t(r.firstNode) + 2] = 1234567;
    m.elements[1].number = -1234;
    EXPECT_EQ(listing(ListingKind::Elements, m),
              joinLines({"2", " 10000     3  23 1000 -100  999999 100000 1234567",
                         " -1234     2  22  10 200       3     1"}));
}

TEST(ResultsListing, StoredValuesOfEachStepOrMode) {
    FeModel m = plate();
    EXPECT_EQ(listing(ListingKind::Results, m), joinLines({"0\t", "Total step : 0"}));
    const float modes[2][3] = {{1, -2, 3}, {-7, 0.5f, 0}};  // not multiples of each other
    addResults(m, {"SEQV"}, {12.5f, 40.0f},
               [&](int32_t k, int32_t i, int32_t) { return modes[k][i] * 1000.0f; });
    const std::string expected =
        joinLines({"1\tSEQV\t", "Total step : 2", "  1   1.25000e+001", "     1   1.00000e+003",
                   "     2  -2.00000e+003", "     3   3.00000e+003", "  2   4.00000e+001",
                   "     1  -7.00000e+003", "     2   5.00000e+002", "     3   0.00000e+000"});
    EXPECT_EQ(listing(ListingKind::Results, m), expected);
    m.modalResults = true;  // a mode is listed as stored, not as the first frame shows it
    EXPECT_EQ(listing(ListingKind::Results, m), expected);
}

TEST(ModelInformation, SixNamesToALine) {
    FeModel m = plate();
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"UX", "UY", "UZ", "ROTX", "ROTY", "ROTZ", "TEMPERATURE"},
         "        UX        UY        UZ      ROTX      ROTY      ROTZ\r\nTEMPERATURE\r\n"},
        {{"A", "B", "C", "D", "E", "F"},
         "         A         B         C         D         E         F\r\n\r\n"}};
    for (const auto& [names, shown] : cases) {
        addResults(m, names, {1.0f, 2.0f}, [](int32_t, int32_t, int32_t) { return 0.0f; });
        EXPECT_EQ(listing(ListingKind::ModelInformation, m),
                  "plate under load\r\nThe number of computational steps : 2\r\n"
                  "The freedom name : \r\n" +
                      shown +
                      "The number of dimension : 2\r\nThe number of node      : 3\r\n"
                      "The number of element   : 2\r\n");
    }
}

TEST(ListingFiles, WrittenAndReported) {
    TempDir dir;
    RecordingMessages messages;
    const FeModel m = plate();
    ASSERT_TRUE(writeListingFile(ListingKind::Elements, m, dir.file("e.lis"), messages));
    EXPECT_EQ(readBytes(dir.file("e.lis")), listing(ListingKind::Elements, m));
    EXPECT_FALSE(writeListingFile(ListingKind::Nodes, m, dir.file("absent/n.lis"), messages));
    EXPECT_EQ(messages.lastError(), " Error to open file " + dir.file("absent/n.lis"));
}

}  // namespace
