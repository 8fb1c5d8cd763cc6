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

// Commands run in the scratch directory and what they print, as tests/golden/batch_tool.txt
// holds it: listings byte for byte (a converted file lists as its source); a refusal with
// status 1, nothing on standard output, the box's text and the tool's own line naming the
// path and the system's reason; usage errors with status 2; help on standard output.
TEST_F(BatchTool, CommandsAsCommitted) {
    std::string cut = readBytes(file("bricks.rst"));
    cut.pop_back();
    writeBytes(file("cut.rst"), cut);
    writeBytes(file("old.asc"), "2000\n3 2\n");
    writeBytes(file("type.asc"), "t\n3 2\n1 0 0\n2 1 0\n3 0 1\n1\n1 3 25 1 1 1 2 3\n");
    writeBytes(file("model.txt"), "x");
    writeBytes(file("kept.rst"), "old");
    ASSERT_EQ(::chmod(file("kept.rst").c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(file("pipe.asc").c_str(), 0644), 0);
    std::filesystem::create_hard_link(file("bricks.asc"), file("hard.asc"));
    std::filesystem::create_symlink("bricks.rst", file("soft.rst"));
    const std::pair<std::string, std::string> commands[] = {
        {"info bricks.rst", ""},
        {"list nodes bricks.asc", ""},
        {"list elements bricks.rst", ""},
        {"list results bricks.rst", ""},
        {"convert bricks.asc converted.RST", ""},
        {"list nodes converted.RST", ""},
        {"info old.asc", ""},
        {"list elements type.asc", ""},
        {"list nodes cut.rst", ""},
        {"info model.txt", ""},
        {"info absent.rst", ""},
        {"info pipe.asc", ""},
        {"convert old.asc kept.rst", ""},
        {"convert bricks.asc kept.rst", ""},
        {"convert bricks.asc pipe.asc", ""},
        // Writes that the system stops half way (here at a file size limit).
        {"convert bricks.asc big.rst", "ulimit -f 1; "},
        {"render bricks.rst -o big.png --size 320x240", "ulimit -f 1; "},
        // A file is never converted into itself, under any of its names.
        {"convert bricks.asc bricks.asc", ""},
        {"convert bricks.asc hard.asc", ""},
        {"convert soft.rst bricks.rst", ""},
        {"", ""},
        {"frobnicate", ""},
        {"info", ""},
        {"info a.rst b.rst", ""},
        {"list nodes", ""},
        {"list faces bricks.rst", ""},
        {"convert bricks.rst", ""},
        {"convert bricks.rst out.txt", ""},
        {"convert bricks.rst out.mdf", ""},
        {"--help", ""}};
    std::string transcript;
    for (const auto& [command, prefix] : commands) {
        const ToolRun r = run(command, "cd " + file("") + " && " + prefix);
        transcript += "$ orvanta-batch " + command + "\nstatus " + std::to_string(r.status) +
                      "\n--- out\n" + r.out + "--- err\n" + r.err + "\n";
    }
    expectGolden("batch_tool.txt", transcript);
    EXPECT_EQ(readBytes(file("kept.rst")), "old");
    EXPECT_EQ(dir_.entries(),
              (std::vector<std::string>{"bricks.asc", "bricks.rst", "converted.RST", "cut.rst",
                                        "hard.asc", "kept.rst", "model.txt", "old.asc", "pipe.asc",
                                        "soft.rst", "type.asc"}));
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

// Display steps, modes and frames are checked against the file: a refusal ends with a non-zero
// status, a message that names what is wrong and no picture.
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
        {"four.rst", "--step 9", "step"},
        {"modes.mdf", "--mode 2 --step 1", ""},
        {"modes.mdf", "--mode 3", "mode"},
        {"four.rst", "--mode 1", "mode"},
        {"one.rst", "--frames 5 --step 5", ""},
        {"one.rst", "--frames 5 --step 6", "step"},
        {"four.rst", "--frames 5", "step"}};
    for (const auto& [name, options, refusal] : cases) {
        ToolRun r =
            run("render " + file(name) + " -o " + file("out.png") + " --size 32x24 " + options);
        std::transform(r.err.begin(), r.err.end(), r.err.begin(), ::tolower);
        EXPECT_EQ(r.status == 0, refusal.empty()) << name << " " << options << ": " << r.err;
        EXPECT_NE(r.err.find(refusal), std::string::npos) << r.err;
        EXPECT_EQ(std::filesystem::remove(file("out.png")), refusal.empty()) << options;
    }
}

}  // namespace
