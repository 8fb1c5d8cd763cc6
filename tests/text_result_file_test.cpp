// The text result file and the mode file: what the reader accepts and refuses, and the
// exact form the writer gives.
#include <gtest/gtest.h>

#include "binary_result_file.h"
#include "fe_model.h"
#include "model_files.h"
#include "test_support.h"
#include "text_result_file.h"

namespace {

using orv::FeModel;
using orvtest::readBytes;
using orvtest::ReadOutcome;
using orvtest::TempDir;
using orvtest::writeBytes;

const std::string kOldLayout = "This file is not available for current version!";

// Joins lines, each ended by `end`.
std::string lines(std::initializer_list<std::string> list, const std::string& end = "\n") {
    std::string s;
    for (const std::string& l : list)
        s += l + end;
    return s;
}

// A plane model: a square of two triangles with two components at two steps.
std::string squareText(const std::string& end = "\n") {
    return lines({"square plate",
                  "4 2",
                  "1 0.0 0.0",
                  "2 2.0 0.0",
                  "3 2.0 1.0",
                  "4 0.0 1.0",
                  "2",
                  "1 3 23 1 1 1 2 3",
                  "2 3 23 4 5 1 3 4",
                  "2 UX UY",
                  "2",
                  "1 0.5",
                  "1 0.001 0.002",
                  "2 0.003 0.004",
                  "3 0.005 0.006",
                  "4 0.007 0.008",
                  "2 1.5",
                  "1 -1 -2",
                  "2 -3 -4",
                  "3 -5 -6",
                  "4 -7 -8"},
                 end);
}

// The same model up to the element block.
std::string squareGeometry(const std::string& elementCountLine = "2") {
    return lines({"square plate", "4 2", "1 0.0 0.0", "2 2.0 0.0", "3 2.0 1.0", "4 0.0 1.0",
                  elementCountLine, "1 3 23 1 1 1 2 3", "2 3 23 4 5 1 3 4"});
}

ReadOutcome readText(const TempDir& dir, const std::string& text,
                     const std::string& name = "in.asc") {
    writeBytes(dir.file(name), text);
    return orvtest::readFile(dir.file(name));
}

void expectEmpty(const FeModel& m) {
    EXPECT_EQ(m.nodeCount, 0);
    EXPECT_EQ(m.elementCount, 0);
    EXPECT_TRUE(m.coords.empty());
    EXPECT_TRUE(m.elements.empty());
    EXPECT_TRUE(m.values.empty());
    EXPECT_EQ(m.results.stepCount, 0);
    EXPECT_EQ(m.results.dofCount, 0);
}

void expectRefused(const ReadOutcome& r, const std::string& text) {
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages.errorCount(), 1);
    EXPECT_EQ(r.messages.lastError(), text);
    expectEmpty(r.model);
    EXPECT_EQ(r.settings.stepCount, 0);
}

// --- reading ---

TEST(TextRead, AWholeFile) {
    TempDir dir;
    const ReadOutcome r = readText(dir, squareText());
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_TRUE(r.messages.boxes.empty());
    const FeModel& m = r.model;
    EXPECT_EQ(m.jobTitle, "square plate");
    EXPECT_EQ(m.dimension, 2);
    EXPECT_EQ(m.nodeCount, 4);
    EXPECT_EQ(m.nodeNumbers, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(m.fileCoordinate(2, 0), 2.0f);
    EXPECT_EQ(m.fileCoordinate(2, 1), 1.0f);
    EXPECT_EQ(m.coordinate(2, 0), 1.0f);  // centred
    EXPECT_EQ(m.centre, (std::array<float, 3>{1.0f, 0.5f, 0.0f}));
    ASSERT_EQ(m.elementCount, 2);
    EXPECT_EQ(m.elements[1].material, 4);
    EXPECT_EQ(m.elements[1].realConstant, 5);
    EXPECT_EQ(m.connectivity, (std::vector<int32_t>{1, 2, 3, 1, 3, 4}));
    EXPECT_EQ(m.faceFlags, (std::vector<uint8_t>{1, 1, 0, 0, 1, 1}));
    EXPECT_EQ(std::vector<int32_t>(m.nodeElements(0).begin(), m.nodeElements(0).end()),
              (std::vector<int32_t>{1, 2}));
    EXPECT_EQ(m.results.dofNames, (std::vector<std::string>{"UX", "UY"}));
    EXPECT_EQ(m.results.stepCount, 2);
    EXPECT_EQ(m.results.hasResults, 1);
    EXPECT_TRUE(m.results.hasDisplacements);
    EXPECT_EQ(m.stepValue(1), 1.5);
    EXPECT_EQ(m.storedValue(3, 0, 1), 0.008f);
    EXPECT_EQ(m.storedValue(2, 1, 0), -5.0f);
    EXPECT_EQ(m.extremes(true, 1, 1), std::make_pair(-2.0f, -8.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(0.007f, -7.0f));
    EXPECT_FALSE(m.modalResults);
    EXPECT_EQ(m.frameCount, 2);
    EXPECT_EQ(r.settings.stepCount, 2);
    EXPECT_EQ(r.settings.magnification, 1.0f);
}

TEST(TextRead, CrLfAndLfGiveTheSameModel) {
    TempDir dir;
    const ReadOutcome lf = readText(dir, squareText("\n"), "lf.asc");
    const ReadOutcome crlf = readText(dir, squareText("\r\n"), "crlf.asc");
    ASSERT_TRUE(lf.ok) << lf.messages.lastError();
    ASSERT_TRUE(crlf.ok) << crlf.messages.lastError();
    EXPECT_EQ(crlf.model.jobTitle, "square plate");
    EXPECT_EQ(lf.model.coords, crlf.model.coords);
    EXPECT_EQ(lf.model.connectivity, crlf.model.connectivity);
    EXPECT_EQ(lf.model.values, crlf.model.values);
    EXPECT_EQ(lf.model.results.dofNames, crlf.model.results.dofNames);
}

TEST(TextRead, AFileEndingAfterTheElementsHasNoResults) {
    TempDir dir;
    for (const std::string& tail : {std::string(), std::string("\n\n  \n"), std::string("\t")}) {
        const ReadOutcome r = readText(dir, squareGeometry() + tail);
        ASSERT_TRUE(r.ok) << r.messages.lastError();
        EXPECT_EQ(r.model.elementCount, 2);
        EXPECT_EQ(r.model.results.hasResults, 0);
        EXPECT_EQ(r.model.results.stepCount, 0);
        EXPECT_EQ(r.model.results.dofCount, 0);
        EXPECT_EQ(r.settings.magnification, 0.0f);
    }
}

TEST(TextRead, ThreeDimensionalNodeLinesHaveThreeCoordinates) {
    TempDir dir;
    const ReadOutcome r = readText(dir, lines({"tet", "4 3", "1 0 0 0", "2 1 0 0", "3 0 1 0",
                                               "4 0 0 1", "1", "1 4 34 1 1 1 2 3 4"}));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.dimension, 3);
    EXPECT_EQ(r.model.fileCoordinate(3, 2), 1.0f);
    EXPECT_EQ(r.model.elements[0].exteriorFaceCount, 4);
}

TEST(TextRead, TitlesThatLookLikeNumbersMarkTheOldLayout) {
    TempDir dir;
    const std::string rest = squareText().substr(squareText().find('\n'));
    for (const std::string title : {"2000", "-1e5", "E", "", "+12", "1e+5"}) {
        expectRefused(readText(dir, title + rest), kOldLayout);
    }
    for (const std::string title : {"1.5E3 load", "2000 ", "x", "1.5", "1e5e5", "+-1"}) {
        const ReadOutcome r = readText(dir, title + rest);
        ASSERT_TRUE(r.ok) << "title \"" << title << "\": " << r.messages.lastError();
        EXPECT_EQ(r.model.jobTitle, title);
    }
}

TEST(TextRead, ElementCountLineHoldsOneWord) {
    TempDir dir;
    const ReadOutcome comma = readText(dir, squareGeometry("2,"));
    ASSERT_TRUE(comma.ok) << comma.messages.lastError();
    EXPECT_EQ(comma.model.elementCount, 2);
    for (const std::string line : {"2 5", "2,5", "2\t1", "2: 3"})
        expectRefused(readText(dir, squareGeometry(line)), kOldLayout);
}

TEST(TextRead, ElementCountWithATrailingCommaOnALargerModel) {
    TempDir dir;
    // A strip of 120 triangles over 122 nodes.
    std::string nodes, elements;
    for (int i = 1; i <= 122; ++i)
        nodes += std::to_string(i) + " " + std::to_string((i - 1) / 2) + " " +
                 std::to_string((i - 1) % 2) + "\n";
    for (int e = 1; e <= 120; ++e)
        elements += std::to_string(e) + " 3 23 1 1 " + std::to_string(e) + " " +
                    std::to_string(e + 1) + " " + std::to_string(e + 2) + "\n";
    const std::string head = "strip\n122 2\n" + nodes;
    const ReadOutcome r = readText(dir, head + "120,\n" + elements);
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.elementCount, 120);
    EXPECT_EQ(r.model.elements[119].number, 120);
    EXPECT_EQ(r.model.connectivity.back(), 122);
    expectRefused(readText(dir, head + "120 5\n" + elements), kOldLayout);
}

TEST(TextRead, BlankLinesBeforeTheElementCountAreSkipped) {
    TempDir dir;
    for (const std::string blanks : {"\n", "\n\n\n", "   \n\t\n", "\r\n \r\n"}) {
        const ReadOutcome r = readText(dir, squareGeometry(blanks + "2"));
        ASSERT_TRUE(r.ok) << r.messages.lastError();
        EXPECT_EQ(r.model.elementCount, 2);
        EXPECT_EQ(r.model.connectivity.size(), 6u);
    }
}

TEST(TextRead, LongElementCountLineIsReadWhole) {
    TempDir dir;
    const std::string blanks = "2" + std::string(299, ' ');
    const std::string zeros = std::string(299, '0') + "2";
    const std::string trailing = "2" + std::string(298, ' ') + ",";
    for (const std::string& line : {blanks, zeros, trailing}) {
        ASSERT_EQ(line.size(), 300u);
        const ReadOutcome r = readText(dir, squareGeometry(line));
        ASSERT_TRUE(r.ok) << r.messages.lastError();
        EXPECT_EQ(r.model.elementCount, 2);
        EXPECT_EQ(r.model.elements[1].number, 2);
        EXPECT_EQ(r.model.results.hasResults, 0);
    }
    // A long second word is still a second word.
    expectRefused(readText(dir, squareGeometry("2" + std::string(290, ' ') + "x")), kOldLayout);
}

TEST(TextRead, MalformedNumbersNameTheirLine) {
    TempDir dir;
    for (const std::string bad : {"1.2.3", "abc", "1e", "--1", "1,5", "0x10"}) {
        const std::string text = lines(
            {"plate", "4 2", "1 0.0 0.0", "2 " + bad + " 0.0", "3 2.0 1.0", "4 0.0 1.0", "0"});
        expectRefused(readText(dir, text), "The file is damaged at line 4: a coordinate \"" + bad +
                                               "\" is not a number!");
    }
    std::string inResults = squareText();
    inResults.replace(inResults.find("0.005"), 5, "5.0.0");
    expectRefused(readText(dir, inResults),
                  "The file is damaged at line 15: a nodal value \"5.0.0\" is not a number!");
    expectRefused(readText(dir, squareGeometry() + "x UX\n"),
                  "The file is damaged at line 10: the number of result components \"x\" is not "
                  "an integer!");
    expectRefused(readText(dir, lines({"plate", "4.0 2"})),
                  "The file is damaged at line 2: the node count \"4.0\" is not an integer!");
}

TEST(TextRead, NumbersOutOfRangeAreRefused) {
    TempDir dir;
    expectRefused(readText(dir, lines({"plate", "1 2", "1 1e39 0", "0"})),
                  "The file is damaged at line 3: a coordinate 1e39 is out of range!");
    expectRefused(readText(dir, lines({"plate", "1 4", "1 0 0 0 0", "0"})),
                  "The file is damaged at line 2: the dimension 4 is out of range!");
    expectRefused(readText(dir, lines({"plate", "1 2", "1 inf 0", "0"})),
                  "The file is damaged at line 3: node 1 has a coordinate that is not finite!");
    const ReadOutcome tiny = readText(dir, lines({"plate", "1 2", "1 1e-50 -2.5E+1", "0"}));
    ASSERT_TRUE(tiny.ok) << tiny.messages.lastError();
    EXPECT_EQ(tiny.model.fileCoordinate(0, 1), -25.0f);
}

TEST(TextRead, AFileEndingEarlyNamesTheLine) {
    TempDir dir;
    // Long enough for the counts, cut before the end of a block.
    expectRefused(
        readText(dir, lines({"plate", "4 2", "1 0.000000 0.000000", "2 2.000000 0.000000"})),
        "The file ends early at line 5: a node number is missing!");
    expectRefused(
        readText(dir, lines({"plate", "4 2", "1 0.000000 0.000000", "2 2.0000000000000"})),
        "The file ends early at line 5: a coordinate is missing!");
    expectRefused(
        readText(dir, lines({"plate", "4 2", "1 0.0 0.0", "2 2.0 0.0", "3 2.0 1.0", "4 0.0 1.0"})),
        "The file ends early at line 7: the element count is missing!");
    expectRefused(readText(dir, lines({"plate", "4 2", "1 0.0 0.0", "2 2.0 0.0", "3 2.0 1.0",
                                       "4 0.0 1.0", "2", "1 3 23 1 1 1 2 3", "2 3 23 1 1 1 3"})),
                  "The file ends early at line 10: an element node is missing!");
    expectRefused(
        readText(dir, squareGeometry() + lines({"2 UX UY", "1", "1 0.5", "1 0.001000 0.002000",
                                                "2 0.003000 0.004000", "3 0.005000 0.006000"})),
        "The file ends early at line 16: a node number is missing!");
    expectRefused(readText(dir, squareGeometry() + "2 UX\n"),
                  "The file ends early at line 11: a result component name is missing!");
    expectRefused(readText(dir, squareGeometry() + "2 UX UY\n"),
                  "The file ends early at line 11: the step count is missing!");
    expectRefused(readText(dir, "plate\n"),
                  "The file ends early at line 2: the node count is missing!");
    expectRefused(readText(dir, ""), kOldLayout);
}

TEST(TextRead, ACountTheRestOfTheFileCannotHoldIsRefusedAtOnce) {
    TempDir dir;
    // Four nodes of two coordinates need at least twelve more words.
    expectRefused(
        readText(dir, lines({"plate", "4 2", "1 0.0 0.0", "2 2.0 0.0"})),
        "The file is damaged at line 2: the node count 4 is more than the file can hold!");
    std::string cut = squareText();
    cut.resize(cut.find("4 0.007"));
    expectRefused(
        readText(dir, cut),
        "The file is damaged at line 11: the step count 2 is more than the file can hold!");
}

TEST(TextRead, UnknownElementType) {
    TempDir dir;
    expectRefused(readText(dir, lines({"plate", "4 2", "1 0 0", "2 1 0", "3 1 1", "4 0 1", "1",
                                       "1 3 25 1 1 1 2 3"})),
                  "Element type does not exist!25");
    expectRefused(readText(dir, lines({"plate", "4 2", "1 0 0", "2 1 0", "3 1 1", "4 0 1", "1",
                                       "1 3 -7 1 1 1 2 3"})),
                  "Element type does not exist!-7");
}

TEST(TextRead, ElementsMustFitTheirTypeAndTheNodes) {
    TempDir dir;
    const std::string nodes = lines({"plate", "4 2", "1 0 0", "2 1 0", "3 1 1", "4 0 1", "1"});
    for (const auto& [element, message] : std::vector<std::pair<std::string, std::string>>{
             {"1 3 23 1 1 1 2 5", "element 1 refers to node 5, outside 1..4"},
             {"1 3 23 1 1 0 2 3", "element 1 refers to node 0, outside 1..4"},
             {"1 4 23 1 1 1 2 3 4", "element 1 of type 23 has 4 nodes instead of 3"},
             {"1 2 32 1 1 1 2",
              "element 1 of type 32 needs three coordinates in a "
              "two-dimensional model"},
             {"1 8 38 1 1 1 2 3 4 1 2 3 4",
              "element 1 of type 38 needs three coordinates in a "
              "two-dimensional model"},
         }) {
        expectRefused(readText(dir, nodes + element + "\n"),
                      "The file is damaged at line 8: " + message + "!");
    }
}

TEST(TextRead, HugeCountsAreRefusedWithoutAllocating) {
    TempDir dir;
    expectRefused(readText(dir, lines({"plate", "2147483647 3", "1 0 0 0"})),
                  "The file is damaged at line 2: the node count 2147483647 is more than the file "
                  "can hold!");
    expectRefused(readText(dir, squareGeometry("2147483647")),
                  "The file is damaged at line 7: the element count 2147483647 is impossible for "
                  "this file!");
    expectRefused(readText(dir, squareGeometry() + "1 T\n2147483647\n1 0\n"),
                  "The file is damaged at line 11: the step count 2147483647 is more than the "
                  "file can hold!");
}

TEST(TextRead, ResultComponentNames) {
    TempDir dir;
    expectRefused(readText(dir, squareGeometry() + "1 " + std::string(20, 'N') + "\n0\n"),
                  "The file is damaged at line 10: the result component name \"" +
                      std::string(20, 'N') + "\" is longer than 19 characters!");
    expectRefused(readText(dir, squareGeometry() + "51\n"),
                  "The file is damaged at line 10: the number of result components 51 is out of "
                  "range!");
    std::string names = "50";
    for (int d = 0; d < 50; ++d)
        names += " C" + std::to_string(d);
    const ReadOutcome fifty = readText(dir, squareGeometry() + names + "\n0\n");
    ASSERT_TRUE(fifty.ok) << fifty.messages.lastError();
    EXPECT_EQ(fifty.model.results.dofCount, 50);
    EXPECT_EQ(fifty.model.results.dofNames[49], "C49");
}

TEST(TextRead, ComponentsWithoutStepsOrStepsWithoutComponents) {
    TempDir dir;
    const ReadOutcome noDofs =
        readText(dir, squareGeometry() + lines({"0", "3", "1 0.5", "1", "2", "3", "4", "2 1.0", "1",
                                                "2", "3", "4", "3 1.5", "1", "2", "3", "4"}));
    ASSERT_TRUE(noDofs.ok) << noDofs.messages.lastError();
    const FeModel& a = noDofs.model;
    // Steps without components hold nothing: they are read past and dropped.
    EXPECT_EQ(a.results.dofCount, 0);
    EXPECT_EQ(a.results.stepCount, 0);
    EXPECT_EQ(a.results.hasResults, 0);
    EXPECT_FALSE(a.hasValues());
    EXPECT_TRUE(a.values.empty());
    EXPECT_EQ(a.stepValue(2), 0.0);
    EXPECT_EQ(a.nodalValue(0, 1, 0), 0.0);
    EXPECT_EQ(a.extremes(true, 1, 0), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(noDofs.settings.stepCount, 0);

    const ReadOutcome noSteps = readText(dir, squareGeometry() + "2 UX UY\n0\n");
    ASSERT_TRUE(noSteps.ok) << noSteps.messages.lastError();
    const FeModel& b = noSteps.model;
    EXPECT_EQ(b.results.dofCount, 2);
    EXPECT_EQ(b.results.stepCount, 0);
    EXPECT_EQ(b.results.hasResults, 0);
    EXPECT_EQ(b.results.dofNames, (std::vector<std::string>{"UX", "UY"}));
    EXPECT_TRUE(b.values.empty());
    EXPECT_EQ(b.nodalValue(0, 0, 0), 0.0);
    EXPECT_EQ(b.displacement(0, 0, 1), 0.0);
    EXPECT_EQ(b.extremes(false, 0, 0), std::make_pair(0.0f, 0.0f));
    EXPECT_EQ(noSteps.settings.stepCount, 0);

    // Both survive the binary file with the same counts.
    for (const FeModel* m : {&a, &b}) {
        orv::NullProgress progress;
        orvtest::RecordingMessages messages;
        ASSERT_TRUE(orv::writeBinaryFile(*m, dir.file("counts.rst"), progress, messages));
        const ReadOutcome back = orvtest::readFile(dir.file("counts.rst"));
        ASSERT_TRUE(back.ok) << back.messages.lastError();
        EXPECT_EQ(back.model.results.dofCount, m->results.dofCount);
        EXPECT_EQ(back.model.results.stepCount, m->results.stepCount);
        EXPECT_EQ(back.model.results.hasResults, 0);
        EXPECT_EQ(back.model.results.dofNames, m->results.dofNames);
    }
}

TEST(TextRead, ModeFiles) {
    TempDir dir;
    const ReadOutcome r = readText(dir, squareText(), "modes.mdf");
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_TRUE(r.model.modalResults);
    EXPECT_EQ(r.model.frameCount, 1);
    EXPECT_EQ(r.settings.stepCount, 1);
    EXPECT_EQ(r.model.results.stepCount, 2);
    // Each mode keeps its own extremes.
    EXPECT_EQ(r.model.extremes(true, 0, 0), std::make_pair(0.007f, 0.001f));
    EXPECT_EQ(r.model.extremes(true, 1, 0), std::make_pair(-1.0f, -7.0f));
    // Box 2 x 1 (mean size 1.5); UX ranges over -7..0.007, UY over -8..0.008.
    EXPECT_NEAR(r.settings.magnification, 0.3 * 1.5 / (0.008 + 8.0), 1e-6);
}

TEST(TextRead, ARefusedModeFileStaysAModeFile) {
    TempDir dir;
    const ReadOutcome r = readText(dir, "2000\n", "modes.mdf");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.model.modalResults);
    expectEmpty(r.model);
}

TEST(TextRead, LongTitlesAreCut) {
    TempDir dir;
    const std::string rest = squareText().substr(squareText().find('\n'));
    const ReadOutcome r = readText(dir, std::string(300, 't') + rest);
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_EQ(r.model.jobTitle, std::string(155, 't'));
}

// --- writing ---

std::string crlf(std::initializer_list<std::string> list) {
    return lines(list, "\r\n");
}

TEST(TextWrite, TheExactForm) {
    TempDir dir;
    FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {2.5f, 0, 0}, {2.5f, 1.25f, 0}},
                                    {{5, 23, {1, 2, 3}, 100, 123}}, {10, 20, 30});
    m.jobTitle = "plate";
    orvtest::addResults(m, {"UX", "UY"}, {0.5f}, [](int32_t, int32_t i, int32_t d) {
        return (d == 0 ? 0.001f : -0.002f) * float(i + 1);
    });
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("out.asc"), progress, messages));
    EXPECT_EQ(readBytes(dir.file("out.asc")),
              crlf({"plate", "3     2", "    1    0.0000e+000    0.0000e+000",
                    "    2    2.5000e+000    0.0000e+000", "    3    2.5000e+000    1.2500e+000",
                    "1", "         5  3 23 100 123         1         2         3", "2   UX   UY   ",
                    "1", "1    5.0000e-001", "   10    1.0000e-003   -2.0000e-003",
                    "   20    2.0000e-003   -4.0000e-003", "   30    3.0000e-003   -6.0000e-003"}));
    EXPECT_TRUE(messages.boxes.empty());

    // Read back, the fields stay apart.
    const ReadOutcome back = orvtest::readFile(dir.file("out.asc"));
    ASSERT_TRUE(back.ok) << back.messages.lastError();
    EXPECT_EQ(back.model.elements[0].material, 100);
    EXPECT_EQ(back.model.elements[0].realConstant, 123);
    EXPECT_EQ(back.model.connectivity, (std::vector<int32_t>{1, 2, 3}));
}

TEST(TextWrite, WideFieldsStaySeparated) {
    TempDir dir;
    FeModel m = orvtest::buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                    {{-2000000000, 34, {1, 2, 3, 4}, -1000, 2147483647}});
    m.jobTitle = "wide";
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("wide.asc"), progress, messages));
    const ReadOutcome back = orvtest::readFile(dir.file("wide.asc"));
    ASSERT_TRUE(back.ok) << back.messages.lastError();
    const orv::ElementRecord& e = back.model.elements[0];
    EXPECT_EQ(e.number, -2000000000);
    EXPECT_EQ(e.material, -1000);
    EXPECT_EQ(e.realConstant, 2147483647);
}

TEST(TextWrite, TitlesAreWrittenSoThatTheyReadBack) {
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> cases = {{"", " "},
                                                                    {"2000", "2000 "},
                                                                    {"-1e5", "-1e5 "},
                                                                    {"two\r\nlines", "two  lines"},
                                                                    {"plain title", "plain title"}};
    for (const auto& [title, written] : cases) {
        FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 23, {1, 2, 3}}});
        m.jobTitle = title;
        orv::NullProgress progress;
        orvtest::RecordingMessages messages;
        ASSERT_TRUE(orv::writeTextFile(m, dir.file("t.asc"), progress, messages));
        const std::string bytes = readBytes(dir.file("t.asc"));
        EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), written);
        const ReadOutcome back = orvtest::readFile(dir.file("t.asc"));
        ASSERT_TRUE(back.ok) << "title \"" << title << "\": " << back.messages.lastError();
        EXPECT_EQ(back.model.jobTitle, written);
    }
}

TEST(TextWrite, NamesAreSingleWords) {
    TempDir dir;
    FeModel m = orvtest::buildModel(2, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 23, {1, 2, 3}}});
    orvtest::addResults(m, {"S 1", "", "T"}, {1.0f},
                        [](int32_t, int32_t, int32_t d) { return float(d); });
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("n.asc"), progress, messages));
    const ReadOutcome back = orvtest::readFile(dir.file("n.asc"));
    ASSERT_TRUE(back.ok) << back.messages.lastError();
    EXPECT_EQ(back.model.results.dofNames, (std::vector<std::string>{"S_1", "_", "T"}));
    EXPECT_EQ(back.model.storedValue(2, 0, 2), 2.0f);
}

// A model in the writer's own form: node labels are the positions, numbers as the writer
// prints them.
const std::string kCanonical3D = crlf({
    "bracket 1.5E3 load",
    "5     3",
    "    1    1.2346e+003   -9.8765e+001    0.0000e+000",
    "    2    1.2356e+003   -9.8765e+001    3.3333e-001",
    "    3    1.2346e+003   -8.8765e+001    0.0000e+000",
    "    4    1.2346e+003   -9.8765e+001    1.0000e+001",
    "    5   -4.0000e+000   -8.8765e+001    1.0000e+001",
    "2",
    "         1  4 34  1  1         1         2         3         4",
    "        12  3 43  2  7         2         3         5",
    "3   UX   UY   UZ   ",
    "2",
    "1    1.0000e-001",
    "    1    0.0000e+000    1.0000e-003   -2.5000e-002",
    "    2    1.5000e+000    2.0000e-003   -2.5000e-002",
    "    3   -1.5000e+000    3.0000e-003   -2.5000e-002",
    "    4    1.2345e-010    4.0000e-003   -2.5000e-002",
    "    5    9.8760e+030    5.0000e-003   -2.5000e-002",
    "2    2.0000e-001",
    "    1    1.0000e+000   -1.0000e-003    2.5000e-002",
    "    2    2.0000e+000   -2.0000e-003    2.5000e-002",
    "    3    3.0000e+000   -3.0000e-003    2.5000e-002",
    "    4    4.0000e+000   -4.0000e-003    2.5000e-002",
    "    5    5.0000e+000   -5.0000e-003    2.5000e-002",
});

TEST(TextWrite, AFileInTheWritersFormIsWrittenBackUnchanged) {
    TempDir dir;
    const ReadOutcome r = readText(dir, kCanonical3D, "a.asc");
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_NE(r.model.centre[0], 0.0f);  // the coordinates were centred on reading
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(r.model, dir.file("b.asc"), progress, messages));
    EXPECT_EQ(readBytes(dir.file("b.asc")), kCanonical3D);
}

TEST(TextWrite, TextThenBinaryThenTextIsUnchanged) {
    TempDir dir;
    for (const std::string& original : {kCanonical3D, squareText("\r\n")}) {
        // The square is not in the writer's form: bring it there first.
        writeBytes(dir.file("a.asc"), original);
        ReadOutcome r = orvtest::readFile(dir.file("a.asc"));
        ASSERT_TRUE(r.ok) << r.messages.lastError();
        orv::NullProgress progress;
        orvtest::RecordingMessages messages;
        ASSERT_TRUE(orv::writeTextFile(r.model, dir.file("b.asc"), progress, messages));
        const std::string text = readBytes(dir.file("b.asc"));
        r = orvtest::readFile(dir.file("b.asc"));
        ASSERT_TRUE(r.ok) << r.messages.lastError();
        ASSERT_TRUE(orv::writeBinaryFile(r.model, dir.file("c.rst"), progress, messages));
        const ReadOutcome binary = orvtest::readFile(dir.file("c.rst"));
        ASSERT_TRUE(binary.ok) << binary.messages.lastError();
        ASSERT_TRUE(orv::writeTextFile(binary.model, dir.file("d.asc"), progress, messages));
        EXPECT_EQ(readBytes(dir.file("d.asc")), text);
        EXPECT_TRUE(messages.boxes.empty());
    }
}

TEST(TextWrite, CoordinatesAreWrittenUncentred) {
    TempDir dir;
    const ReadOutcome r = readText(dir, lines({"offset", "3 2", "1 1234.5678 -98.7654",
                                               "2 1300.3 -50.125", "3 1250 0.5", "0"}));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(r.model, dir.file("o.asc"), progress, messages));
    EXPECT_EQ(
        readBytes(dir.file("o.asc")),
        crlf({"offset", "3     2", "    1    1.2346e+003   -9.8765e+001",
              "    2    1.3003e+003   -5.0125e+001", "    3    1.2500e+003    5.0000e-001", "0"}));
}

TEST(TextWrite, AModelWithoutElementsOrNodes) {
    TempDir dir;
    FeModel m;
    m.reset();
    m.jobTitle = "nothing";
    m.dimension = 2;
    m.recentre();
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("e.asc"), progress, messages));
    EXPECT_EQ(readBytes(dir.file("e.asc")), crlf({"nothing", "0     2", "0"}));
    const ReadOutcome back = orvtest::readFile(dir.file("e.asc"));
    ASSERT_TRUE(back.ok) << back.messages.lastError();
    EXPECT_EQ(back.model.nodeCount, 0);
    EXPECT_EQ(back.model.box.xMin, 0.0f);
    EXPECT_EQ(back.model.box.xMax, 0.0f);
}

TEST(TextWrite, FilesLargerThanTheReadBufferRoundTrip) {
    TempDir dir;
    // About 4 MB of text: words and lines cross the reader's buffer boundaries.
    std::vector<std::array<float, 3>> points;
    std::vector<orvtest::ElementSpec> elements;
    for (int32_t i = 0; i < 30000; ++i)
        points.push_back({float(i / 2) * 0.125f, float(i % 2), float(i % 7) - 3.0f});
    for (int32_t e = 0; e + 3 < 30000; e += 2)
        elements.push_back({e + 1, 34, {e + 1, e + 2, e + 3, e + 4}});
    FeModel m = orvtest::buildModel(3, points, elements);
    orvtest::addResults(m, {"UX", "UY", "UZ"}, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
        return float((k + 1) * (i % 1000)) * 0.001f - float(d);
    });
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(m, dir.file("big.asc"), progress, messages));
    const std::string first = readBytes(dir.file("big.asc"));
    ASSERT_GT(first.size(), 3u << 20);
    const ReadOutcome back = orvtest::readFile(dir.file("big.asc"));
    ASSERT_TRUE(back.ok) << back.messages.lastError();
    EXPECT_EQ(back.model.nodeCount, 30000);
    EXPECT_EQ(back.model.elementCount, int32_t(elements.size()));
    EXPECT_EQ(back.model.connectivity, m.connectivity);
    EXPECT_EQ(back.model.faceFlags, m.faceFlags);
    ASSERT_EQ(back.model.values.size(), m.values.size());
    for (size_t v = 0; v < m.values.size(); ++v)
        ASSERT_NEAR(back.model.values[v], m.values[v], 1e-4f) << v;
    ASSERT_TRUE(orv::writeTextFile(back.model, dir.file("again.asc"), progress, messages));
    EXPECT_EQ(readBytes(dir.file("again.asc")), first);

    ASSERT_TRUE(orv::writeBinaryFile(back.model, dir.file("big.rst"), progress, messages));
    const ReadOutcome binary = orvtest::readFile(dir.file("big.rst"));
    ASSERT_TRUE(binary.ok) << binary.messages.lastError();
    EXPECT_EQ(binary.model.coords, back.model.coords);
    EXPECT_EQ(binary.model.values, back.model.values);
    EXPECT_EQ(binary.model.faceFlags, back.model.faceFlags);
}

// --- small helpers of the format ---

TEST(TextFormat, SplitWordsAtCommasBlanksColonsAndTabs) {
    EXPECT_EQ(orv::splitWords("  12, 3:\t4 ,,x "), (std::vector<std::string>{"12", "3", "4", "x"}));
    EXPECT_TRUE(orv::splitWords(" ,:\t").empty());
}

}  // namespace
