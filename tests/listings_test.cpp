// The node, element, results and model-information listings, byte for byte.
#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>

#include "fe_model.h"
#include "listings.h"
#include "test_support.h"

namespace {

using orv::FeModel;
using orv::ListingKind;

std::string listing(ListingKind kind, const FeModel& m) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = ::open_memstream(&buffer, &size);
    EXPECT_NE(out, nullptr);
    EXPECT_TRUE(orv::writeListing(kind, m, out));
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
        if (end == std::string::npos) break;
        result.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return result;
}

std::string crlf(std::initializer_list<std::string> list) {
    std::string s;
    for (const std::string& l : list)
        s += l + "\r\n";
    return s;
}

// Three nodes in the plane, away from the origin; a triangle and a line.
FeModel plate() {
    FeModel m = orvtest::buildModel(2, {{10, -2, 0}, {12.5f, -2, 0}, {10, 0.25f, 0}},
                                    {{7, 23, {1, 2, 3}, 1, 2}, {1234, 22, {3, 1}, 10, 200}},
                                    {101, 102, 103});
    m.jobTitle = "plate under load";
    return m;
}

TEST(NodeListing, TwoDimensionalModel) {
    const FeModel m = plate();
    ASSERT_NE(m.centre[0], 0.0f);  // the listing adds the centre back
    const std::string text = listing(ListingKind::Nodes, m);
    EXPECT_EQ(text, crlf({"3\t2", "     1   1.00000e+001  -2.00000e+000",
                          "     2   1.25000e+001  -2.00000e+000",
                          "     3   1.00000e+001   2.50000e-001"}));
    const std::vector<std::string> lines = splitLines(text);
    ASSERT_EQ(lines.size(), 4u);
    for (size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].size(), 6u + 2u * 15u);
}

TEST(NodeListing, ThreeDimensionalModelWithWideNumbers) {
    FeModel m = orvtest::buildModel(3, {{-1.5e-7f, 123456.0f, 0}, {-1.5e-7f, -0.0f, 3.0e30f}}, {});
    EXPECT_EQ(listing(ListingKind::Nodes, m),
              crlf({"2\t3", "     1  -1.50000e-007   1.23456e+005   0.00000e+000",
                    "     2  -1.50000e-007   0.00000e+000   3.00000e+030"}));
}

TEST(NodeListing, SymmetryAlignmentDoesNotChangeIt) {
    for (const FeModel& original : {plate(), orvtest::twoHexModel()}) {
        const std::string before = listing(ListingKind::Nodes, original);
        for (int setting : {1, 2}) {
            FeModel m = original;
            m.switchSymmetry(0, setting);
            ASSERT_EQ(m.alignedAxis(), setting);
            EXPECT_EQ(listing(ListingKind::Nodes, m), before);
        }
    }
}

TEST(ElementListing, FieldWidthsAndUnselectedElements) {
    FeModel m = plate();
    EXPECT_EQ(listing(ListingKind::Elements, m),
              crlf({"2", "   7     3  23   1   2       1     2     3",
                    "1234     2  22  10 200       3     1"}));
    m.elements[0].selected = 0;
    EXPECT_EQ(listing(ListingKind::Elements, m),
              crlf({"2", "1234     2  22  10 200       3     1"}));
    m.elements[1].selected = 0;
    EXPECT_EQ(listing(ListingKind::Elements, m), crlf({"2"}));
}

TEST(ResultsListing, HeaderStepsAndValues) {
    FeModel m = plate();
    orvtest::addResults(m, {"UX", "UY", "SEQV"}, {0.5f, 1.0f}, [](int32_t k, int32_t i, int32_t d) {
        return float(k + 1) * (d == 2 ? 1000.0f : -0.001f) * float(i + 1);
    });
    EXPECT_EQ(listing(ListingKind::Results, m),
              crlf({"3\tUX\tUY\tSEQV\t", "Total step : 2", "  1   5.00000e-001",
                    "     1  -1.00000e-003  -1.00000e-003   1.00000e+003",
                    "     2  -2.00000e-003  -2.00000e-003   2.00000e+003",
                    "     3  -3.00000e-003  -3.00000e-003   3.00000e+003", "  2   1.00000e+000",
                    "     1  -2.00000e-003  -2.00000e-003   2.00000e+003",
                    "     2  -4.00000e-003  -4.00000e-003   4.00000e+003",
                    "     3  -6.00000e-003  -6.00000e-003   6.00000e+003"}));
}

TEST(ResultsListing, TenStepsOfAHundredNodes) {
    std::vector<std::array<float, 3>> points;
    for (int i = 0; i < 100; ++i)
        points.push_back({float(i), float(i % 3), 0});
    FeModel m = orvtest::buildModel(2, points, {});
    std::vector<float> steps;
    for (int k = 0; k < 10; ++k)
        steps.push_back(0.1f * float(k + 1));
    orvtest::addResults(m, {"T"}, steps,
                        [](int32_t k, int32_t i, int32_t) { return float(k * 1000 + i); });
    const std::vector<std::string> lines = splitLines(listing(ListingKind::Results, m));
    ASSERT_EQ(lines.size(), 2u + 10u * 101u);
    EXPECT_EQ(lines[0], "1\tT\t");
    EXPECT_EQ(lines[1], "Total step : 10");
    for (int k = 0; k < 10; ++k) {
        const std::string& stepLine = lines[size_t(2 + k * 101)];
        EXPECT_EQ(stepLine.size(), 3u + 15u);
        EXPECT_EQ(std::atoi(stepLine.substr(0, 3).c_str()), k + 1);
        for (int i = 0; i < 100; ++i) {
            const std::string& nodeLine = lines[size_t(2 + k * 101 + 1 + i)];
            ASSERT_EQ(nodeLine.size(), 6u + 15u);
            EXPECT_EQ(std::atoi(nodeLine.substr(0, 6).c_str()), i + 1);
            EXPECT_EQ(std::strtod(nodeLine.c_str() + 6, nullptr), double(k * 1000 + i));
        }
    }
}

TEST(ResultsListing, ModesListTheirOwnValues) {
    FeModel m = plate();
    const float modes[2][3] = {{1, -2, 3}, {-7, 0.5f, 0}};  // not multiples of each other
    orvtest::addResults(m, {"UX", "UY"}, {12.5f, 40.0f}, [&](int32_t k, int32_t i, int32_t d) {
        return modes[k][i] * float(d + 1);
    });
    m.modalResults = true;
    m.chosenMode = 0;
    m.frameCount = 1;
    EXPECT_EQ(listing(ListingKind::Results, m),
              crlf({"2\tUX\tUY\t", "Total step : 2", "  1   1.25000e+001",
                    "     1   1.00000e+000   2.00000e+000", "     2  -2.00000e+000  -4.00000e+000",
                    "     3   3.00000e+000   6.00000e+000", "  2   4.00000e+001",
                    "     1  -7.00000e+000  -1.40000e+001", "     2   5.00000e-001   1.00000e+000",
                    "     3   0.00000e+000   0.00000e+000"}));
}

TEST(ResultsListing, NoResults) {
    EXPECT_EQ(listing(ListingKind::Results, plate()), crlf({"0\t", "Total step : 0"}));
}

TEST(ModelInformation, SixNamesToALine) {
    FeModel m = plate();
    orvtest::addResults(m, {"UX", "UY", "UZ", "ROTX", "ROTY", "ROTZ", "TEMPERATURE"}, {1.0f},
                        [](int32_t, int32_t, int32_t) { return 0.0f; });
    EXPECT_EQ(
        listing(ListingKind::ModelInformation, m),
        crlf({"plate under load", "The number of computational steps : 1",
              "The freedom name : ", "        UX        UY        UZ      ROTX      ROTY      ROTZ",
              "TEMPERATURE", "The number of dimension : 2", "The number of node      : 3",
              "The number of element   : 2"}));
}

TEST(ModelInformation, ExactlySixNamesAreFollowedByAnEmptyLine) {
    FeModel m = plate();
    orvtest::addResults(m, {"A", "B", "C", "D", "E", "F"}, {1.0f, 2.0f, 3.0f},
                        [](int32_t, int32_t, int32_t) { return 0.0f; });
    EXPECT_EQ(
        listing(ListingKind::ModelInformation, m),
        crlf({"plate under load", "The number of computational steps : 3",
              "The freedom name : ", "         A         B         C         D         E         F",
              "", "The number of dimension : 2", "The number of node      : 3",
              "The number of element   : 2"}));
}

TEST(ListingFiles, WrittenAndReported) {
    orvtest::TempDir dir;
    orvtest::RecordingMessages messages;
    const FeModel m = plate();
    ASSERT_TRUE(orv::writeListingFile(ListingKind::Elements, m, dir.file("e.lis"), messages));
    EXPECT_EQ(orvtest::readBytes(dir.file("e.lis")), listing(ListingKind::Elements, m));
    EXPECT_FALSE(orv::writeListingFile(ListingKind::Nodes, m, dir.file("absent/n.lis"), messages));
    EXPECT_EQ(messages.lastError(), " Error to open file " + dir.file("absent/n.lis"));
    EXPECT_STREQ(orv::listingTitle(ListingKind::Results), "List results ...");
}

}  // namespace
