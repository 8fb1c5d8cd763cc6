// The text result file and the mode file: what the reader accepts and refuses, and the
// exact form the writer gives.

#include "text_result_file.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

const std::string kOldLayout = "This file is not available for current version!";

// A square of two triangles up to the element block; lines 1 to 9.
std::string squareGeometry(const std::string& elementCountLine = "2") {
    return "square plate\n4 2\n1 0.0 0.0\n2 2.0 0.0\n3 2.0 1.0\n4 0.0 1.0\n" + elementCountLine +
           "\n1 3 23 1 1 1 2 3\n2 3 23 4 5 1 3 4\n";
}

// The square with two components at two steps; the results are lines 10 to 21.
std::string squareText(const std::string& end = "\n") {
    std::string s = squareGeometry() +
                    "2 UX UY\n2\n1 0.5\n1 0.001 0.002\n2 0.003 0.004\n3 0.005 0.006\n"
                    "4 0.007 0.008\n2 1.5\n1 -1 -2\n2 -3 -4\n3 -5 -6\n4 -7 -8\n";
    for (size_t at = 0; end != "\n" && (at = s.find('\n', at)) != std::string::npos; at += 2)
        s.replace(at, 1, end);
    return s;
}

ReadOutcome readText(const TempDir& dir, const std::string& text,
                     const std::string& name = "in.asc") {
    return readContent(dir, name, text);
}

// What the text reader computes itself; everything it reads is what the writer gives back,
// tested on a file in the writer's form below.
TEST(TextRead, AWholeFileWithEitherLineEnd) {
    TempDir dir;
    const ReadOutcome lf = readText(dir, squareText()), r = readText(dir, squareText("\r\n"));
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    const FeModel& m = r.model;
    EXPECT_EQ(lf.model.values, m.values);
    EXPECT_EQ(m.jobTitle, "square plate");
    EXPECT_EQ(m.centre, (std::array<float, 3>{1.0f, 0.5f, 0.0f}));
    EXPECT_EQ(std::make_pair(m.elements[1].material, m.elements[1].realConstant), std::pair(4, 5));
    EXPECT_EQ(m.faceFlags, (std::vector<uint8_t>{1, 1, 0, 0, 1, 1}));
    EXPECT_EQ(m.extremes(true, 1, 1), std::make_pair(-2.0f, -8.0f));
    EXPECT_EQ(m.extremes(false, 0, 0), std::make_pair(0.007f, -7.0f));
    EXPECT_EQ(m.defaultDisplaySteps(), 2);
    EXPECT_EQ(defaultMagnification(m), 1.0f);
    // Blank lines and blanks after the last step.
    const ReadOutcome tail = readText(dir, squareText("\r\n") + "\r\n \t\n\n   ");
    ASSERT_TRUE(tail.ok) << tail.messages.lastError();
    EXPECT_EQ(tail.model.values, m.values);
}

TEST(TextRead, AcceptedVariants) {
    TempDir dir;
    // Titles that do not look like a number, cut to 155 characters.
    const std::string rest = squareText().substr(squareText().find('\n'));
    for (const std::string title : {"1.5E3 load", "2000 ", "x", "1.5", "1e5e5", "+-1"})
        EXPECT_EQ(readText(dir, title + rest).model.jobTitle, title);
    EXPECT_EQ(readText(dir, std::string(300, 't') + rest).model.jobTitle, std::string(155, 't'));

    // The element count line: one word, whose leading integer counts; blank lines before it
    // are skipped; a long line is read whole. Nothing after the elements: no results.
    for (const std::string& line :
         std::vector<std::string>{"2,", "\n \t\n2", "\r\n2", "2" + std::string(299, ' '),
                                  std::string(299, '0') + "2", "2" + std::string(298, ' ') + ","}) {
        const ReadOutcome r = readText(dir, squareGeometry(line) + "\n \n");
        EXPECT_EQ(r.model.elements.at(1).number, 2);
        EXPECT_EQ(r.model.results.hasResults, 0);
        EXPECT_EQ(defaultMagnification(r.model), 0.0f);
    }
    // A count with a trailing comma on a larger model; reals below the float range read as 0.
    std::string strip = "strip\n122 2\n1 1e-50 -2.5E+1\n", elements = "120,\n";
    for (int i = 2; i <= 122; ++i)
        strip +=
            std::to_string(i) + " " + std::to_string(i / 2) + " " + std::to_string(i % 2) + "\n";
    for (int e = 1; e <= 120; ++e)
        elements += std::to_string(e) + " 3 23 1 1 " + std::to_string(e) + " " +
                    std::to_string(e + 1) + " " + std::to_string(e + 2) + "\n";
    const FeModel read = readText(dir, strip + elements).model;
    EXPECT_EQ(read.connectivity.size(), 360u);
    EXPECT_EQ(std::make_pair(read.fileCoordinate(0, 0), read.fileCoordinate(0, 1)),
              std::make_pair(0.0f, -25.0f));

    std::string names = "50";
    for (int d = 0; d < 49; ++d)
        names += " C" + std::to_string(d);
    const std::string longest(19, 'N');
    const ReadOutcome fifty = readText(dir, squareGeometry() + names + " " + longest + "\n0\n");
    EXPECT_EQ(fifty.model.results.dofNames.at(49), longest);
}

TEST(TextRead, StepsWithoutComponentsOrNodesAreDroppedAndComponentsWithoutStepsKept) {
    TempDir dir;
    // Steps of a model without nodes hold nothing: their words are checked, the steps dropped.
    const std::string nodeless = "plate\n0 3\n0\n2 UX UY\n3\n1 0.5\n2 1.0\n3 1.5\n";
    const ReadOutcome noNodes = readText(dir, nodeless);
    ASSERT_TRUE(noNodes.ok) << noNodes.messages.lastError();
    EXPECT_EQ(noNodes.model.results.stepCount, 0);
    EXPECT_EQ(noNodes.model.results.dofNames, (std::vector<std::string>{"UX", "UY"}));
    EXPECT_EQ(noNodes.model.defaultDisplaySteps(), 0);
    expectRefused(readText(dir, nodeless.substr(0, nodeless.size() - 4) + "x\n"),
                  "The file is damaged at line 8: a step value \"x\" is not a number!");

    const ReadOutcome noDofs =
        readText(dir, squareGeometry() + "0\n3\n1 0.5 1 2 3 4 2 1.0 1 2 3 4 3 1.5 1 2 3 4\n");
    ASSERT_TRUE(noDofs.ok) << noDofs.messages.lastError();
    EXPECT_EQ(noDofs.model.results.stepCount, 0);
    EXPECT_EQ(noDofs.model.stepValue(2), 0.0);
    EXPECT_EQ(noDofs.model.defaultDisplaySteps(), 0);

    const ReadOutcome noSteps = readText(dir, squareGeometry() + "2 UX UY\n0\n");
    ASSERT_TRUE(noSteps.ok) << noSteps.messages.lastError();
    const FeModel& b = noSteps.model;
    EXPECT_EQ(b.results.hasResults, 0);
    EXPECT_EQ(b.nodalValue(0, {}, 0), 0.0);
    EXPECT_EQ(b.extremes(false, 0, 0), std::make_pair(0.0f, 0.0f));
    // The names survive the binary file.
    writeFile(b, dir.file("counts.rst"));
    EXPECT_EQ(readAccepted(dir.file("counts.rst")).results.dofNames,
              (std::vector<std::string>{"UX", "UY"}));
}

TEST(TextRead, ModeFiles) {
    TempDir dir;
    const ReadOutcome r = readText(dir, squareText(), "modes.mdf");
    ASSERT_TRUE(r.ok) << r.messages.lastError();
    EXPECT_TRUE(r.model.modalResults);
    EXPECT_EQ(r.model.defaultDisplaySteps(), 1);
    EXPECT_EQ(r.model.results.stepCount, 2);
    // Each mode keeps its own extremes.
    EXPECT_EQ(r.model.extremes(true, 0, 0), std::make_pair(0.007f, 0.001f));
    EXPECT_EQ(r.model.extremes(true, 1, 0), std::make_pair(-1.0f, -7.0f));
    // Box 2 x 1 (mean size 1.5); UX ranges over -7..0.007, UY over -8..0.008.
    EXPECT_NEAR(defaultMagnification(r.model), 0.3 * 1.5 / (0.008 + 8.0), 1e-6);

    const ReadOutcome refused = readText(dir, "2000\n", "modes.mdf");
    expectRefused(refused, kOldLayout);
    EXPECT_TRUE(refused.model.modalResults);
}

TEST(TextRead, RefusalsNameTheLine) {
    const std::string D = "The file is damaged at line ", E = "The file ends early at line ";
    const std::string S = squareGeometry(), N = "plate\n4 2\n1 0 0\n2 1 0\n3 1 1\n4 0 1\n1\n";
    const std::string need3 = " needs three coordinates in a two-dimensional model!";
    std::string badValue = squareText(), cutResults = squareText(), oneStepDeclared = squareText();
    badValue.replace(badValue.find("0.005"), 5, "5.0.0");
    oneStepDeclared.replace(oneStepDeclared.find("\n2\n1 0.5"), 3, "\n1\n");
    cutResults.resize(cutResults.find("4 0.007"));
    const std::pair<std::string, std::string> cases[] = {
        {"2000\n4 2\n", kOldLayout},
        {"-1e5\n4 2\n", kOldLayout},
        {"", kOldLayout},
        {squareGeometry("2 5"), kOldLayout},
        {squareGeometry("2" + std::string(290, ' ') + "x"), kOldLayout},
        {"plate\n2 2\n1 0 0\n2 1.2.3 0\n0\n", D + "4: a coordinate \"1.2.3\" is not a number!"},
        {badValue, D + "15: a nodal value \"5.0.0\" is not a number!"},
        {S + "x UX\n", D + "10: the number of result components \"x\" is not an integer!"},
        {"plate\n4.0 2\n", D + "2: the node count \"4.0\" is not an integer!"},
        {"plate\n+ 2\n", D + "2: the node count \"+\" is not an integer!"},
        {"plate\n18446744073709551619 2\n",
         D + "2: the node count 18446744073709551619 is out of range!"},
        {squareGeometry("5"), D + "7: the element count 5 is impossible for this file!"},
        {"plate\n1 2\n1 1e39 0\n0\n", D + "3: a coordinate 1e39 is out of range!"},
        {"plate\n1 4\n1 0 0 0 0\n0\n", D + "2: the dimension 4 is out of range!"},
        {"plate\n1 2\n1 0\n-inf\n0\n", D + "4: node 1 has a coordinate that is not finite!"},
        {"plate\n4 2\n1 0.000000 0.000000\n2 2.000000 0.000000\n",
         E + "5: a node number is missing!"},
        {"plate\n4 2\n1 0 0\n2 2 0\n3 2 1\n4 0 1\n", E + "7: the element count is missing!"},
        {S.substr(0, S.size() - 2), E + "9: an element node is missing!"},
        {S + "2 UX\n", E + "11: a result component name is missing!"},
        {S + "2 UX UY\n2\n", E + "12: a step number is missing!"},
        {"plate\n", E + "2: the node count is missing!"},
        {"plate\n4 2\n1 0.0 0.0\n2 2.0 0.0\n",
         D + "2: the node count 4 is more than the file can hold!"},
        {cutResults, D + "11: the step count 2 is more than the file can hold!"},
        {"plate\n2147483647 3\n1 0 0 0\n",
         D + "2: the node count 2147483647 is more than the file can hold!"},
        {squareGeometry("2147483647"),
         D + "7: the element count 2147483647 is impossible for this file!"},
        {S + "1 T\n2147483647\n1 0\n",
         D + "11: the step count 2147483647 is more than the file can hold!"},
        {N + "1 3 25 1 1 1 2 3\n", "Element type does not exist!25"},
        {N + "1 3 23 1 1 1 2 5\n", D + "8: element 1 refers to node 5, outside 1..4!"},
        {N + "1 3 23 1 1 0 2 3\n", D + "8: element 1 refers to node 0, outside 1..4!"},
        {N + "1 4 23 1 1 1 2 3 4\n", D + "8: element 1 of type 23 has 4 nodes instead of 3!"},
        {N + "1 2 23 1 1 1 2\n", D + "8: element 1 of type 23 has 2 nodes instead of 3!"},
        {N + "1 2 32 1 1 1 2\n", D + "8: element 1 of type 32" + need3},
        {N + "1 4 44 1 1 1 2 3 4\n", D + "8: element 1 of type 44" + need3},
        {S + "1 " + std::string(20, 'N') + "\n0\n", D + "10: the result component name \"" +
                                                        std::string(20, 'N') +
                                                        "\" is longer than 19 characters!"},
        {S + "51\n", D + "10: the number of result components 51 is out of range!"},
        // Nothing but blank space may follow the last step.
        {oneStepDeclared, D + "17: there is data after the last step!"},
        {squareText() + "\n\n5 x\n", D + "24: there is data after the last step!"},
        {S + "2 UX UY\n0\n1 0.5\n", D + "12: there is data after the step count of 0!"},
        // The element count is an integer and nothing else.
        {squareGeometry("2abc"), D + "7: the element count \"2abc\" is not an integer!"},
        {squareGeometry("1.9"), D + "7: the element count \"1.9\" is not an integer!"},
        {squareGeometry("2e0,"), D + "7: the element count \"2e0\" is not an integer!"},
        {squareGeometry("x2"), D + "7: the element count \"x2\" is not a number!"},
        // The element count line starts right after the last node's last word.
        {"plate\n2 2\n1 0 0\n2 0 0\r \n1\n1 1 21 1 1 1\n",
         D + "4: the element count \"\\x0d\" is not a number!"},
        // A node line beyond the node count is named as such.
        {"plate\n3 2\n1 0 0\n2 1 0\n3 1 1\n\n4 0 1\n1\n1 1 21 1 1 1\n",
         D + "7: there are more node records than the node count 3!"},
        {"plate\n1 3\n1 0 0 0 2 1.5 0 0\n",
         D + "3: there are more node records than the node count 1!"}};
    TempDir dir;
    for (const auto& [text, message] : cases) {
        SCOPED_TRACE(message);
        expectRefused(readText(dir, text), message);
    }
}

// Address and thread sanitizers reserve terabytes of address space for their shadow memory.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVANTA_TEST_SHADOW_MEMORY 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVANTA_TEST_SHADOW_MEMORY 1
#endif

TEST(TextRead, AnnouncedStepsOfAModelWithoutNodesNeedNoMemoryPerStep) {
#ifdef ORVANTA_TEST_SHADOW_MEMORY
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
    // About 10 MB: 50 components and 2.6 million steps of a model without nodes.
    std::string text = "no nodes\n0 3\n0\n50";
    for (int d = 0; d < 50; ++d)
        text += " C" + std::to_string(d);
    const int32_t steps = 2600000;
    text += "\n" + std::to_string(steps) + "\n";
    text.reserve(text.size() + size_t(steps) * 4);
    for (int32_t k = 0; k < steps; ++k)
        text += "1 0\n";
    TempDir dir;
    writeBytes(dir.file("steps.asc"), text);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const struct rlimit limit = {512u << 20, 512u << 20};
        ::setrlimit(RLIMIT_AS, &limit);
        const ReadOutcome r = readFile(dir.file("steps.asc"));
        ::_exit(r.ok && r.model.results.stepCount == 0 && r.model.results.dofCount == 50 ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the read under a 512 MB address-space limit ended with status " << status;
}

// --- the two ways of reading a block ---
//
// Lines that hold one record each are parsed straight from the read buffer (split between two
// threads when the buffer holds much); everything else word by word. Whatever the file, both
// must give the same model or the same message.

class ReadModeScope {
  public:
    explicit ReadModeScope(TextReadMode mode) : saved_(textReadMode()) { setTextReadMode(mode); }
    ~ReadModeScope() { setTextReadMode(saved_); }

  private:
    TextReadMode saved_;
};

constexpr TextReadMode kWordByWord{false, 0, 0};
constexpr TextReadMode kAlwaysSplit{true, 0, 0};

struct Outcome {
    std::string messages;
    std::string model;  // as the binary writer saves it; empty when refused
};

Outcome outcomeOf(const TempDir& dir, const std::string& text, TextReadMode mode) {
    const ReadModeScope scope(mode);
    const ReadOutcome r = readText(dir, text);
    Outcome o;
    for (const MessageBox& b : r.messages.boxes)
        o.messages += b.title + ": " + b.text + "\n";
    if (r.ok) {
        writeFile(r.model, dir.file("model.rst"));
        o.model = readBytes(dir.file("model.rst"));
    }
    return o;
}

// The messages of the read, the same in every mode.
std::string expectSameEveryWay(const TempDir& dir, const std::string& text) {
    const Outcome words = outcomeOf(dir, text, kWordByWord);
    for (const TextReadMode mode : {kAlwaysSplit, TextReadMode{}}) {
        const Outcome lines = outcomeOf(dir, text, mode);
        EXPECT_EQ(lines.messages, words.messages);
        EXPECT_TRUE(lines.model == words.model) << "the models differ";
    }
    return words.messages;
}

// Triangles along a strip with two components at two steps, in the form other programs
// write: single blanks, LF, nine significant digits.
std::string compactStrip(int32_t n) {
    std::string s = "strip\n" + std::to_string(n + 2) + " 2\n";
    char field[64];
    const auto real = [&](double v) {
        std::snprintf(field, sizeof field, " %.9g", v);
        s += field;
    };
    for (int32_t i = 1; i <= n + 2; ++i) {
        s += std::to_string(i);
        real(0.1 * (i / 2));
        real(i % 2);
        s += '\n';
    }
    s += std::to_string(n) + "\n";
    for (int32_t e = 1; e <= n; ++e)
        s += std::to_string(e) + " 3 23 1 1 " + std::to_string(e) + " " + std::to_string(e + 1) +
             " " + std::to_string(e + 2) + "\n";
    s += "2 UX UY\n2\n";
    for (int k = 1; k <= 2; ++k) {
        s += std::to_string(k) + " " + std::to_string(k) + "\n";
        for (int32_t i = 1; i <= n + 2; ++i) {
            s += std::to_string(i);
            real(1e-3 * k * i / 7.0);
            real(-std::sqrt(double(i)) * k);
            s += '\n';
        }
    }
    return s;
}

std::string writerStrip(const TempDir& dir, int32_t n) {
    FeModel m = triangleStrip(n);
    addResults(m, {"UX", "UY", "UZ"}, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
        return float((k + 1) * (i % 1000)) * 0.001f - float(d);
    });
    writeFile(m, dir.file("strip.asc"));
    return readBytes(dir.file("strip.asc"));
}

int64_t lineAt(const std::string& text, size_t at) {
    return 1 + std::count(text.begin(), text.begin() + at, '\n');
}

TEST(TextReadBlocks, DamagedFilesGiveTheSameMessageEitherWay) {
    TempDir dir;
    std::mt19937_64 rng(11);
    const std::string edits[] = {
        "x", ".", "-",    "\n", " ",     "\t",   "\r", std::string(1, '\0'),
        "9", "e", "\n\n", " 7", " 1e39", " nan", "",   "1.5.0"};
    int refused = 0;
    for (const std::string& base : {compactStrip(300), writerStrip(dir, 300)}) {
        EXPECT_EQ(expectSameEveryWay(dir, base), "");
        for (int i = 0; i < 120; ++i) {
            std::string text = base;
            const size_t at = 7 + rng() % (text.size() - 7);
            const std::string& edit = edits[rng() % std::size(edits)];
            if (rng() % 8 == 0)
                text.resize(at);
            else
                text.replace(at, rng() % 3 == 0 ? 0 : 1, edit);
            SCOPED_TRACE("line " + std::to_string(lineAt(text, at)) + ": " + orv::quoted(edit));
            refused += expectSameEveryWay(dir, text) != "";
        }
    }
    EXPECT_GT(refused, 100);  // most edits damage the file
}

TEST(TextReadBlocks, LargeFilesNameTheExactLineInEveryBlock) {
    TempDir dir;
    const std::string base = writerStrip(dir, 60000);  // several read buffers
    ASSERT_GT(base.size(), 5u << 20);
    // The last line starting with `anchor`, its last word replaced.
    const auto damage = [&](const std::string& anchor, const std::string& word) {
        const size_t at = base.rfind("\n" + anchor) + 1;
        const size_t last = anchor.find_last_of(' ') + 1;
        EXPECT_TRUE(at != 0 && last != 0) << anchor;
        std::string text = base;
        text.replace(at + last, anchor.size() - last, word);
        return std::make_pair(text, lineAt(text, at));
    };
    const std::string D = "Error: The file is damaged at line ";
    {
        const auto [text, line] = damage("59000    2.9499e+004", "2.9.99");
        EXPECT_EQ(expectSameEveryWay(dir, text),
                  D + std::to_string(line) + ": a coordinate \"2.9.99\" is not a number!\n");
    }
    {
        const auto [text, line] =
            damage("     59998  3 23  1  1     59998     59999     60000", "60099");
        EXPECT_EQ(
            expectSameEveryWay(dir, text),
            D + std::to_string(line) + ": element 59998 refers to node 60099, outside 1..60002!\n");
    }
    {
        const auto [text, line] = damage("45678    1.3540e+000", "1e+999");
        EXPECT_EQ(expectSameEveryWay(dir, text),
                  D + std::to_string(line) + ": a nodal value 1e+999 is out of range!\n");
    }
    // Blank lines and records over two lines inside the blocks are read alike.
    std::string loose = base;
    loose.insert(loose.find("\r\n30000 "), "\r\n\r\n");
    loose.replace(loose.find("     40000  3 23"), 16, "     40000\r\n  3 23");
    loose.replace(loose.rfind("\n50000 ") + 6, 1, "\n");
    EXPECT_EQ(expectSameEveryWay(dir, loose), "");
    EXPECT_EQ(readText(dir, loose).model.values, readText(dir, base).model.values);
}

TEST(TextReadBlocks, ManyStepsOfFewNodesAreReadAsFastAsWordByWord) {
    // Each step is a block of one line: no block may rescan or move the whole read buffer.
    std::string text = "one node\n1 3\n1 0 0 0\n0\n1 UX\n300000\n";
    for (int k = 0; k < 300000; ++k)
        text += "1 0\n1 " + std::to_string(k % 97) + "\n";
    TempDir dir;
    const auto timedRead = [&](TextReadMode mode) {
        const ReadModeScope scope(mode);
        const auto start = std::chrono::steady_clock::now();
        const ReadOutcome r = readText(dir, text);
        EXPECT_TRUE(r.ok) << r.messages.lastError();
        EXPECT_EQ(r.model.storedValue(0, 299999, 0), float(299999 % 97));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double words = timedRead(kWordByWord), lines = timedRead(TextReadMode{});
    EXPECT_LT(lines, 3 * words + 1.0) << "word by word " << words << " s";
}

// --- writing ---

TEST(TextWrite, TitlesNamesAndWideFieldsAreWrittenSoThatTheyReadBack) {
    TempDir dir;
    FeModel m = buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                           {{-2000000000, 34, {1, 2, 3, 4}, -1000, 2147483647}});
    addResults(m, {"S 1", "", "T"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 0.0f; });
    for (const auto& [title, written] : std::vector<std::pair<std::string, std::string>>{
             {"", " "}, {"2000", "2000 "}, {"-1e5", "-1e5 "}, {"two\r\nlines", "two  lines"}}) {
        m.jobTitle = title;
        writeFile(m, dir.file("t.asc"));
        const std::string bytes = readBytes(dir.file("t.asc"));
        EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), written);
        const FeModel back = readAccepted(dir.file("t.asc"));
        EXPECT_EQ(back.jobTitle, written);
        EXPECT_EQ(back.results.dofNames, (std::vector<std::string>{"S_1", "_", "T"}));
        const ElementRecord& e = back.elements.at(0);
        EXPECT_EQ(std::vector<int32_t>({e.number, e.material, e.realConstant}),
                  std::vector<int32_t>({-2000000000, -1000, 2147483647}));
    }
}

// A file in the writer's own form (tests/golden/writer_form.asc): node labels are the
// positions, numbers as the writer prints them, each element field apart from the next.
std::string writerForm() {
    return readBytes(std::string(ORVANTA_GOLDEN_DIR) + "/writer_form.asc");
}

TEST(TextWrite, AFileInTheWritersFormIsWrittenBackUnchangedAlsoThroughBinary) {
    TempDir dir;
    const std::string canonical = writerForm();
    const FeModel m = readAccepted(dir.file("a.asc"), canonical);
    EXPECT_NE(m.centre[0], 0.0f);  // the coordinates were centred on reading
    EXPECT_EQ(m.elements[0].material, 100);
    EXPECT_EQ(m.elements[0].realConstant, 123);
    writeFile(m, dir.file("b.asc"));
    EXPECT_EQ(readBytes(dir.file("b.asc")), canonical);
    writeFile(m, dir.file("c.rst"));
    writeFile(readAccepted(dir.file("c.rst")), dir.file("d.asc"));
    EXPECT_EQ(readBytes(dir.file("d.asc")), canonical);
}

TEST(TextWrite, AModelWithoutNodesOrElements) {
    TempDir dir;
    FeModel m;
    m.reset();
    m.jobTitle = "nothing";
    m.dimension = 2;
    writeFile(m, dir.file("e.asc"));
    EXPECT_EQ(readBytes(dir.file("e.asc")), "nothing\r\n0     2\r\n0\r\n");
    const FeModel back = readAccepted(dir.file("e.asc"));
    EXPECT_EQ(std::vector<float>({back.box.xMin, back.box.xMax, back.box.zMax}),
              std::vector<float>({0, 0, 1}));
}

TEST(TextWrite, FilesLargerThanTheReadBufferRoundTrip) {
    TempDir dir;
    // Several megabytes: words and lines cross the reader's buffer boundaries.
    FeModel m = triangleStrip(40000);
    addResults(m, {"UX", "UY", "UZ"}, {1.0f, 2.0f}, [](int32_t k, int32_t i, int32_t d) {
        return float((k + 1) * (i % 1000)) * 0.001f - float(d);
    });
    writeFile(m, dir.file("big.asc"));
    const std::string first = readBytes(dir.file("big.asc"));
    ASSERT_GT(first.size(), 3u << 20);
    const FeModel back = readAccepted(dir.file("big.asc"));
    EXPECT_EQ(back.connectivity, m.connectivity);
    writeFile(back, dir.file("big.rst"));
    writeFile(readAccepted(dir.file("big.rst")), dir.file("again.asc"));
    EXPECT_EQ(readBytes(dir.file("again.asc")), first);
}

}  // namespace
