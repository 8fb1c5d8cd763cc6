// The text result file and the mode file: what the reader accepts and refuses, the two ways
// of reading a block agreeing, and the exact form the writer gives.
#include "text_result_file.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// A square of two triangles: lines 1 to 6, the element count line, the elements (lines 8, 9).
const std::string kNodes = "square plate\n4 2\n1 0.0 0.0\n2 2.0 0.0\n3 2.0 1.0\n4 0.0 1.0\n",
                  kElements = "\n1 3 23 1 1 1 2 3\n2 3 23 4 5 1 3 4\n";

// The square with two components at two steps; the results are lines 10 to 21.
std::string squareText(const std::string& end = "\n") {
    std::string s = kNodes + "2" + kElements +
                    "2 UX UY\n2\n1 0.5\n1 0.001 0.002\n2 0.003 0.004\n3 0.005 0.006\n"
                    "4 0.007 0.008\n2 1.5\n1 -1 -2\n2 -3 -4\n3 -5 -6\n4 -7 -8\n";
    for (size_t at = 0; end != "\n" && (at = s.find('\n', at)) != std::string::npos; at += 2)
        s.replace(at, 1, end);
    return s;
}

// Where a file shows in a golden file: its bytes escaped, a long one cut in the middle.
std::string shown(const std::string& text) {
    std::string s;
    for (char c : text)
        s += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    return s.size() <= 120 ? s : s.substr(0, 60) + " ... " + s.substr(s.size() - 50);
}

// What the reader makes of accepted and refused files, as tests/golden/text_reads.txt holds
// it: what it computes itself (centre, box, faces, extremes, what a view starts with) and
// every refusal naming its line. What it reads is what the writer gives back (below).
TEST(TextRead, FilesAsCommitted) {
    const std::string S = kNodes + "2" + kElements,
                      N = "plate\n4 2\n1 0 0\n2 1 0\n3 1 1\n4 0 1\n1\n";
    std::string badValue = squareText(), cutResults = squareText(), oneStepDeclared = squareText();
    badValue.replace(badValue.find("0.005"), 5, "5.0.0");
    oneStepDeclared.replace(oneStepDeclared.find("\n2\n1 0.5"), 3, "\n1\n");
    cutResults.resize(cutResults.find("4 0.007"));
    const std::string rest = squareText().substr(squareText().find('\n'));
    TempDir dir;
    // A count with a trailing comma on a larger model; reals below the float range read as 0.
    writeFile(triangleStrip(120), dir.file("strip.asc"));
    std::string strip = readBytes(dir.file("strip.asc"));
    strip.replace(strip.find("\r\n120\r\n"), 7, "\r\n120,\r\n");
    strip.replace(strip.find("0.0000e+000    0.0000e+000"), 26, "1e-50 -2.5E+1");  // node 1
    std::string fifty = "50";  // components, the last of the longest name
    for (int d = 0; d < 49; ++d)
        fifty += " C" + std::to_string(d);
    std::vector<std::pair<const char*, std::string>> inputs = {{"in.mdf", squareText()},
                                                               {"in.mdf", "2000\n"}};
    const auto add = [&](const std::string& head, const std::vector<std::string>& texts,
                         const std::string& tail = "") {
        for (const std::string& text : texts)
            inputs.emplace_back("in.asc", head + text + tail);
    };
    // Line ends, blank space after the last step; steps of a model without nodes or components
    // hold nothing (their words are checked, the steps dropped); refusals, among them a step
    // more than declared, anything but blank space after the last step and a short node block.
    add("", {squareText(), squareText("\r\n"), squareText("\r\n") + "\r\n \t\n\n   ", strip,
             "plate\n0 3\n0\n2 UX UY\n3\n1 0.5\n2 1.0\n3 1.5\n",
             "plate\n0 3\n0\n2 UX UY\n3\n1 0.5\n2 1.0\n3 x\n", "2000\n4 2\n", "-1e5\n4 2\n", "",
             "plate\n2 2\n1 0 0\n2 1.2.3 0\n0\n", badValue, "plate\n4.0 2\n",
             "plate\n18446744073709551619 2\n", "plate\n1 2\n1 1e39 0\n0\n",
             "plate\n1 4\n1 0 0 0 0\n0\n", "plate\n1 2\n1 0\n-inf\n0\n",
             "plate\n4 2\n1 0.000000 0.000000\n2 2.000000 0.000000\n",
             "plate\n4 2\n1 0 0\n2 2 0\n3 2 1\n4 0 1\n", S.substr(0, S.size() - 2), "plate\n",
             "plate\n4 2\n1 0.0 0.0\n2 2.0 0.0\n", cutResults, "plate\n2147483647 3\n1 0 0 0\n",
             oneStepDeclared, squareText() + "\n\n5 x\n", "plate\n1 3\n1 0 0 0 2 1.5 0 0\n",
             // The count line starts right after the last node's last word; a node line beyond
             // the node count is named as such.
             "plate\n2 2\n1 0 0\n2 0 0\r \n1\n1 1 21 1 1 1\n",
             "plate\n3 2\n1 0 0\n2 1 0\n3 1 1\n\n4 0 1\n1\n1 1 21 1 1 1\n"});
    // Titles that do not look like a number, cut to 155 characters.
    add("", {"1.5E3 load", "2000 ", "x", "1.5", "1e5e5", "+-1", std::string(300, 't')}, rest);
    // The element count line: one word, an integer and nothing else but a trailing comma; blank
    // lines before it are skipped; a long line is read whole.
    add(kNodes,
        {"2,", "\n \t\n2", "\r\n2", "2" + std::string(299, ' '), std::string(299, '0') + "2",
         "2" + std::string(298, ' ') + ",", "2 5", "2" + std::string(290, ' ') + "x", "5",
         "2147483647", "2abc", "1.9", "2e0,", "x2"},
        kElements);
    // After the elements: blank lines only; 50 components; components without steps are
    // kept; wrong result headers.
    add(S, {"\n \n", fifty + " NNNNNNNNNNNNNNNNNNN\n0\n",
            "0\n3\n1 0.5 1 2 3 4 2 1.0 1 2 3 4 3 1.5 1 2 3 4\n", "2 UX UY\n0\n", "x UX\n", "2 UX\n",
            "2 UX UY\n2\n", "1 T\n2147483647\n1 0\n", "1 " + std::string(20, 'N') + "\n0\n", "51\n",
            "2 UX UY\n0\n1 0.5\n"});
    // Elements of an unknown type, a node outside the model, a node count not the type's, a
    // space element in a plane model.
    add(N,
        {"1 3 25 1 1 1 2 3", "1 3 23 1 1 1 2 5", "1 3 23 1 1 0 2 3", "1 4 23 1 1 1 2 3 4",
         "1 2 23 1 1 1 2", "1 2 32 1 1 1 2", "1 4 44 1 1 1 2 3 4"},
        "\n");
    std::string report;
    for (const auto& [name, text] : inputs)
        report +=
            name + (": " + shown(text)) + "\n" + describe(readFile(dir.file(name), text)) + "\n";
    expectGolden("text_reads.txt", report);
    // The names of components without steps survive the binary file.
    writeFile(readFile(dir.file("in.asc"), S + "2 UX UY\n0\n").model, dir.file("counts.rst"));
    EXPECT_EQ(readAccepted(dir.file("counts.rst")).results.dofNames,
              (std::vector<std::string>{"UX", "UY"}));
}

// Address and thread sanitizers reserve terabytes of address space for their shadow memory.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVANTA_TEST_SHADOW_MEMORY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORVANTA_TEST_SHADOW_MEMORY 1
#endif
#endif

TEST(TextRead, AnnouncedStepsOfAModelWithoutNodesNeedNoMemoryPerStep) {
#ifdef ORVANTA_TEST_SHADOW_MEMORY
    GTEST_SKIP() << "the sanitizer reserves more address space than the limit";
#endif
    // About 10 MB: 50 components and 2.6 million steps of a model without nodes.
    std::string text = "no nodes\n0 3\n0\n50";
    for (int d = 0; d < 50; ++d)
        text += " C" + std::to_string(d);
    text += "\n2600000\n";
    for (int32_t k = 0; k < 2600000; ++k)
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

// Lines that hold one record each are parsed straight from the read buffer (split between two
// threads when the buffer holds much), everything else word by word: both give the same model
// or message (the fuzz regression run compares them on damaged versions of every seed).

struct ReadModeScope {
    explicit ReadModeScope(TextReadMode mode) { setTextReadMode(mode); }
    ~ReadModeScope() { setTextReadMode(saved); }
    const TextReadMode saved = textReadMode();
};

constexpr TextReadMode kWordByWord{false, 0, 0};

// The messages of a read, which must be the same word by word, by lines and by lines always
// split, as must the model (compared as the binary writer saves it).
std::string messagesEveryWay(const TempDir& dir, const std::string& text) {
    std::string first, model;
    for (const TextReadMode mode : {kWordByWord, TextReadMode{true, 0, 0}, TextReadMode{}}) {
        const ReadModeScope scope(mode);
        const ReadOutcome r = readFile(dir.file("in.asc"), text);
        std::string messages;
        for (const MessageBox& b : r.messages.boxes)
            messages += b.title + ": " + b.text + "\n";
        if (r.ok) writeFile(r.model, dir.file("model.rst"));
        const std::string bytes = r.ok ? readBytes(dir.file("model.rst")) : "";
        if (!mode.lineBlocks) std::tie(first, model) = std::make_pair(messages, bytes);
        EXPECT_EQ(messages, first);
        EXPECT_TRUE(bytes == model) << "the models differ";
    }
    return first;
}

// Several read buffers: every block names the exact line, records over two lines and blank
// lines read alike, and the file reads and writes back unchanged, also through binary.
TEST(TextReadBlocks, LargeFilesNameTheExactLineAndWriteBackUnchanged) {
    TempDir dir;
    writeFile(triangleStrip(60000, {"UX", "UY", "UZ"}), dir.file("strip.asc"));
    const std::string base = readBytes(dir.file("strip.asc"));
    ASSERT_GT(base.size(), 5u << 20);
    writeFile(readAccepted(dir.file("strip.asc")), dir.file("big.rst"));
    writeFile(readAccepted(dir.file("big.rst")), dir.file("again.asc"));
    EXPECT_TRUE(readBytes(dir.file("again.asc")) == base);
    // The last line starting with the anchor, its last word replaced.
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"59000    2.9499e+004", "2.9.99", "a coordinate \"2.9.99\" is not a number!"},
        {"     59998  3 23  1  1     59998     59999     60000", "60099",
         "element 59998 refers to node 60099, outside 1..60002!"},
        {"45678    1.3540e+000", "1e+999", "a nodal value 1e+999 is out of range!"}};
    for (const auto& [anchor, word, message] : cases) {
        const size_t at = base.rfind("\n" + anchor) + 1, last = anchor.find_last_of(' ') + 1;
        std::string text = base;
        text.replace(at + last, anchor.size() - last, word);
        const int64_t line = 1 + std::count(text.begin(), text.begin() + at, '\n');
        EXPECT_EQ(messagesEveryWay(dir, text), "Error: The file is damaged at line " +
                                                   std::to_string(line) + ": " + message + "\n");
    }
    std::string loose = base;
    loose.insert(loose.find("\r\n30000 "), "\r\n\r\n");
    loose.replace(loose.find("     40000  3 23"), 16, "     40000\r\n  3 23");
    loose.replace(loose.rfind("\n50000 ") + 6, 1, "\n");
    EXPECT_EQ(messagesEveryWay(dir, loose), "");
    EXPECT_EQ(readFile(dir.file("a.asc"), loose).model.values,
              readFile(dir.file("b.asc"), base).model.values);
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
        const ReadOutcome r = readFile(dir.file("in.asc"), text);
        EXPECT_TRUE(r.ok) << r.messages.lastError();
        EXPECT_EQ(r.model.storedValue(0, 299999, 0), float(299999 % 97));
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    const double words = timedRead(kWordByWord), lines = timedRead(TextReadMode{});
    EXPECT_LT(lines, 3 * words + 1.0) << "word by word " << words << " s";
}

// --- writing ---

// What the writer gives and what reads back, as tests/golden/text_writes.txt holds it: a title
// that would not read as one gets a blank or loses its line breaks, a name with blanks or none
// becomes one word, wide fields stay apart; a model without nodes or elements.
TEST(TextWrite, WrittenFilesAsCommittedReadBack) {
    TempDir dir;
    FeModel m = buildModel(3, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                           {{-2000000000, 34, {1, 2, 3, 4}, -1000, 2147483647}});
    addResults(m, {"S 1", "", "T"}, {1.0f}, [](int32_t, int32_t, int32_t) { return 0.0f; });
    FeModel empty = buildModel(2, {}, {});
    std::string report;
    for (const std::string title : {"", "2000", "-1e5", "two\r\nlines", "nothing"}) {
        FeModel& model = title == "nothing" ? empty : m;
        model.jobTitle = title;
        writeFile(model, dir.file("t.asc"));
        report += readBytes(dir.file("t.asc")) + describe(readFile(dir.file("t.asc"))) + "\n";
    }
    expectGolden("text_writes.txt", report);
}

// A file in the writer's own form (tests/golden/writer_form.asc): node labels are the
// positions, numbers as the writer prints them, each element field apart from the next.
TEST(TextWrite, AFileInTheWritersFormIsWrittenBackUnchangedAlsoThroughBinary) {
    TempDir dir;
    const std::string canonical = readBytes(std::string(ORVANTA_GOLDEN_DIR) + "/writer_form.asc");
    const FeModel m = readAccepted(dir.file("a.asc"), canonical);
    EXPECT_NE(m.centre[0], 0.0f);  // the coordinates were centred on reading
    EXPECT_EQ(std::make_pair(m.elements[0].material, m.elements[0].realConstant),
              std::pair(100, 123));
    writeFile(m, dir.file("b.asc"));
    EXPECT_EQ(readBytes(dir.file("b.asc")), canonical);
    writeFile(m, dir.file("c.rst"));
    writeFile(readAccepted(dir.file("c.rst")), dir.file("d.asc"));
    EXPECT_EQ(readBytes(dir.file("d.asc")), canonical);
}

}  // namespace
