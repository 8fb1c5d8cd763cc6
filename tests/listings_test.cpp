// The node, element, results and model-information listings, byte for byte against
// tests/golden/listings.txt.
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

FeModel withNames(std::vector<std::string> names) {
    FeModel m = plate();
    const float modes[2][3] = {{1, -2, 3}, {-7, 0.5f, 0}};  // not multiples of each other
    addResults(m, names, {12.5f, 40.0f},
               [&](int32_t k, int32_t i, int32_t) { return modes[k][i] * 1000.0f; });
    return m;
}

TEST(Listings, AsCommitted) {
    FeModel wide = plate(), unselected = plate();
    // Numbers wider than their columns keep a blank before them.
    ElementRecord& r = wide.elements[0];
    r.number = 10000;
    r.material = 1000;
    r.realConstant = -100;
    std::copy_n(std::begin({999999, 100000, 1234567}), 3, wide.connectivity.begin() + r.firstNode);
    wide.elements[1].number = -1234;
    unselected.elements[0].selected = 0;
    const FeModel space = buildModel(3, {{-1.5e-7f, 123456.0f, 0}, {-1.5e-7f, -0.0f, 3.0e30f}}, {});
    const std::vector<ListingKind> all = {ListingKind::Nodes, ListingKind::Elements,
                                          ListingKind::Results, ListingKind::ModelInformation};
    const std::tuple<std::string, FeModel, std::vector<ListingKind>> cases[] = {
        {"plate", plate(), all},
        {"wide numbers", wide, {ListingKind::Elements}},
        {"an element not selected", unselected, {ListingKind::Elements}},
        {"space", space, {ListingKind::Nodes}},
        {"one component", withNames({"SEQV"}), {ListingKind::Results}},
        {"seven names",
         withNames({"UX", "UY", "UZ", "ROTX", "ROTY", "ROTZ", "TEMPERATURE"}),
         {ListingKind::ModelInformation}},
        {"six names", withNames({"A", "B", "C", "D", "E", "F"}), {ListingKind::ModelInformation}}};
    std::string text;
    for (const auto& [name, m, kinds] : cases)
        for (ListingKind kind : kinds)
            text += "=== " + name + ": " + listingTitle(kind) + "\n" + listing(kind, m);
    expectGolden("listings.txt", text);
}

TEST(Listings, FileCoordinatesAndStoredValuesWhateverIsShown) {
    FeModel m = withNames({"SEQV"});
    const std::string nodes = listing(ListingKind::Nodes, m);
    const std::string results = listing(ListingKind::Results, m);
    for (int setting : {1, 2}) {
        m.switchSymmetry(0, setting);
        EXPECT_EQ(listing(ListingKind::Nodes, m), nodes);
        m.switchSymmetry(setting, 0);
    }
    m.modalResults = true;  // a mode is listed as stored, not as the first display step shows it
    EXPECT_EQ(listing(ListingKind::Results, m), results);
}

TEST(Listings, FilesAreWrittenAndAFailureReported) {
    TempDir dir;
    RecordingMessages messages;
    const FeModel m = plate();
    ASSERT_TRUE(writeListingFile(ListingKind::Elements, m, dir.file("e.lis"), messages));
    EXPECT_EQ(readBytes(dir.file("e.lis")), listing(ListingKind::Elements, m));
    EXPECT_FALSE(writeListingFile(ListingKind::Nodes, m, dir.file("absent/n.lis"), messages));
    EXPECT_EQ(messages.lastError(), " Error to open file " + dir.file("absent/n.lis"));
}

}  // namespace
