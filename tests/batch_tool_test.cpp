// The batch tool run as a separate process: standard output bytes, standard error lines and
// the exit status of each command.
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include "test_support.h"

#ifndef ORVANTA_BATCH
#error "ORVANTA_BATCH must name the orvanta-batch executable"
#endif

namespace {

using namespace orv;
using namespace orvtest;

struct ToolRun {
    int status = -1;  // exit status, -1 when the tool did not exit normally
    std::string out, err;
};

class BatchTool : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(model_, file("bricks.rst"));
        writeFile(model_, file("bricks.asc"));
    }
    std::string file(const std::string& name) const { return dir_.file(name); }

    // Runs the tool with the arguments (words without blanks), output and errors to files.
    ToolRun run(const std::string& arguments, const std::string& shellPrefix = "") {
        const std::string out = file(".out"), err = file(".err");
        const int status = std::system((shellPrefix + "\"" ORVANTA_BATCH "\" " + arguments +
                                        " </dev/null >" + out + " 2>" + err)
                                           .c_str());
        ToolRun r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out), readBytes(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return r;
    }

    TempDir dir_;
    FeModel model_ = twoHexModel();
};

TEST_F(BatchTool, ListingsAreTheListingBytes) {
    const std::pair<std::string, ListingKind> cases[] = {
        {"info " + file("bricks.rst"), ListingKind::ModelInformation},
        {"list nodes " + file("bricks.rst"), ListingKind::Nodes},
        {"list nodes " + file("bricks.asc"), ListingKind::Nodes},
        {"list elements " + file("bricks.rst"), ListingKind::Elements},
        {"list results " + file("bricks.rst"), ListingKind::Results}};
    for (const auto& [arguments, kind] : cases) {
        const ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 0) << arguments;
        EXPECT_EQ(r.out, listing(kind, model_)) << arguments;
        EXPECT_EQ(r.err, "") << arguments;
    }
}

TEST_F(BatchTool, ARefusedFileIsReportedWithStatusOne) {
    std::string cut = readBytes(file("bricks.rst"));
    cut.pop_back();
    writeBytes(file("cut.rst"), cut);
    writeBytes(file("old.asc"), "2000\n3 2\n");
    writeBytes(file("type.asc"), "t\n3 2\n1 0 0\n2 1 0\n3 0 1\n1\n1 3 25 1 1 1 2 3\n");
    writeBytes(file("model.txt"), "x");
    writeBytes(file("kept.rst"), "old");
    std::filesystem::create_directory(file("folder.asc"));
    const std::pair<std::string, std::string> cases[] = {
        {"info " + file("old.asc"), "This file is not available for current version!"},
        {"list elements " + file("type.asc"), "Element type does not exist!25"},
        {"list nodes " + file("cut.rst"),
         "The file ends early: it is cut off in the trailer at byte " + std::to_string(cut.size()) +
             "!"},
        {"info " + file("absent.rst"), " Error to open file .rst"},
        {"info " + file("model.txt"),
         "This file type can not be read! Please choose a .rst, .asc or .mdf file."},
        {"convert " + file("bricks.rst") + " " + file("folder.asc"), " Error to write file .asc"},
        {"convert " + file("old.asc") + " " + file("kept.rst"),
         "This file is not available for current version!"}};
    for (const auto& [arguments, message] : cases) {
        const ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "Error: " + message + "\n");
    }
    EXPECT_EQ(readBytes(file("kept.rst")), "old");
}

// After the box text, the tool's own line names the path and the system's reason.
TEST_F(BatchTool, TheLineAfterTheBoxNamesThePathAndTheReason) {
    ASSERT_EQ(::mkfifo(file("pipe.asc").c_str(), 0644), 0);
    writeBytes(file("locked.rst"), "old");
    ASSERT_EQ(::chmod(file("locked.rst").c_str(), 0444), 0);
    const std::pair<std::string, std::string> cases[] = {
        {"info " + file("absent.rst"),
         "Error:  Error to open file .rst\n"
         "orvanta-batch: could not read " +
             file("absent.rst") + ": No such file or directory\n"},
        {"info " + file("pipe.asc"),
         "Error:  Error to open file .asc\n"
         "orvanta-batch: could not read " +
             file("pipe.asc") + ": Not a regular file\n"},
        {"convert " + file("bricks.asc") + " " + file("locked.rst"),
         "Error:  Error to open file .rst\norvanta-batch: could not write " + file("locked.rst") +
             ": Permission denied\n"},
        {"convert " + file("bricks.asc") + " " + file("pipe.asc"),
         "Error:  Error to write file .asc\norvanta-batch: could not write " + file("pipe.asc") +
             ": Not a regular file\n"}};
    for (const auto& [arguments, err] : cases) {
        const ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 1) << arguments;
        EXPECT_EQ(r.err, err);
    }
    EXPECT_EQ(readBytes(file("locked.rst")), "old");
    // A write that the system stops half way (here a file size limit) names its reason too.
    const ToolRun r =
        run("convert " + file("bricks.asc") + " " + file("big.rst"), "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error:  Error to write file .rst\norvanta-batch: could not write " +
                         file("big.rst") + ": File too large\n");
    EXPECT_FALSE(std::filesystem::exists(file("big.rst")));
}

// A title or a word full of terminal escape sequences never reaches a terminal raw; into a
// file or a pipe the listing stays byte for byte.
TEST_F(BatchTool, BytesFromAFileNeverSteerTheTerminal) {
    const std::string escape = "\033]0;owned\007\033[2J";
    FeModel m = twoHexModel();
    m.jobTitle = "title " + escape;
    writeFile(m, file("escape.rst"));
    EXPECT_EQ(run("info " + file("escape.rst")).out.substr(0, 22), m.jobTitle + "\r\n");
    writeBytes(file("word.asc"), "t\n1" + escape + " 3\n");
    const ToolRun bad = run("info " + file("word.asc"));
    EXPECT_EQ(bad.err.substr(0, bad.err.find('\n')),
              "Error: The file is damaged at line 2: the node count "
              "\"1\\x1b]0;owned\\x07\\x1b[2J\" is not an integer!");
    for (const char* name : {"escape.rst", "word.asc"}) {
        int terminal = -1;
        const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::execl(ORVANTA_BATCH, ORVANTA_BATCH, "info", file(name).c_str(), nullptr);
            ::_exit(127);
        }
        std::string shown;
        char buffer[4096];
        for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, size_t(n));
        ::close(terminal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(shown.find("\033]"), std::string::npos) << name;
        EXPECT_EQ(shown.find("\033[2J"), std::string::npos) << name;
        EXPECT_NE(shown.find("\\x1b]0;owned\\x07\\x1b[2J"), std::string::npos) << name;
    }
}

TEST_F(BatchTool, UsageErrorsHaveStatusTwoAndHelpGoesToStandardOutput) {
    const std::string bricks = file("bricks.rst");
    for (const std::string& arguments : std::vector<std::string>{
             "", "frobnicate", "info", "info a.rst b.rst", "list nodes", "list faces " + bricks,
             "convert " + bricks, "convert " + bricks + " " + file("out.txt"),
             "convert " + bricks + " " + file("out.mdf")}) {
        const ToolRun r = run(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: orvanta-batch"), std::string::npos);
    }
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"bricks.asc", "bricks.rst"}));
    const ToolRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, 20) + help.err, "Usage: orvanta-batch");
}

TEST_F(BatchTool, ConvertWritesTheFormatOfTheExtension) {
    const ToolRun r = run("convert " + file("bricks.asc") + " " + file("converted.RST"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    ASSERT_EQ(run("convert " + file("converted.RST") + " " + file("again.asc")).status, 0);
    // Up to the results, whose lines carry the labels 1..n the text file gave the nodes.
    const std::string first = readBytes(file("bricks.asc"));
    EXPECT_EQ(readBytes(file("again.asc")).substr(0, first.find("4   UX")),
              first.substr(0, first.find("4   UX")));
}

// Display steps, modes and frames are checked against the file as the window's commands check
// them: a refusal ends with status 1, a message and no picture.
TEST_F(BatchTool, RenderChecksStepsModesAndFramesAgainstTheFile) {
    FeModel four = twoHexModel(), one = twoHexModel();
    const auto value = [](int32_t k, int32_t i, int32_t d) { return 0.01f * float(k + i + d); };
    addResults(four, {"UX", "UY", "UZ"}, {1, 2, 3, 4}, value);
    addResults(one, {"UX", "UY", "UZ"}, {1}, value);
    writeFile(four, file("four.rst"));
    writeFile(one, file("one.rst"));
    std::filesystem::copy_file(file("bricks.asc"), file("modes.mdf"));
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"four.rst", "--step 4", ""},
        {"four.rst", "--step 9", "Input error"},
        {"modes.mdf", "--mode 2 --step 1", ""},
        {"modes.mdf", "--mode 3", "Input error"},
        {"four.rst", "--mode 1", "not a mode file"},
        {"one.rst", "--frames 5 --step 5", ""},
        {"one.rst", "--frames 5 --step 6", "Input error"},
        {"four.rst", "--frames 5", "single step"}};
    for (const auto& [name, options, refusal] : cases) {
        const ToolRun r =
            run("render " + file(name) + " -o " + file("out.png") + " --size 32x24 " + options);
        EXPECT_EQ(r.status, refusal.empty() ? 0 : 1) << name << " " << options << ": " << r.err;
        EXPECT_NE(r.err.find(refusal), std::string::npos) << r.err;
        EXPECT_EQ(std::filesystem::remove(file("out.png")), refusal.empty()) << options;
    }
}

}  // namespace
