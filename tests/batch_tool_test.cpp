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

    // Runs the tool in the scratch directory after the shell's `prefix`, output to files.
    ToolRun run(const std::string& arguments, const std::string& prefix = "") {
        const std::string out = file(".out"), err = file(".err");
        const int status =
            std::system(("cd " + file("") + " && " + prefix + "\"" ORVANTA_BATCH "\" " + arguments +
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
// path and the system's reason; usage errors with status 2; help on standard output. Display
// steps, modes and frames of a render are checked against the file, no picture on a refusal.
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
    std::filesystem::copy_file(file("bricks.asc"), file("modes.mdf"));
    addResults(model_, {"UX", "UY", "UZ"}, {1},
               [](int32_t, int32_t i, int32_t d) { return 0.01f * float(i + d); });
    writeFile(model_, file("one.rst"));
    std::string transcript;
    const auto runAll = [&](const std::string& prefix, std::initializer_list<const char*> all) {
        for (const char* command : all) {
            const ToolRun r = run(command, prefix);
            transcript += "$ " + prefix + "orvanta-batch " + command + "\nstatus " +
                          std::to_string(r.status) + "\n--- out\n" + r.out + "--- err\n" + r.err +
                          "\n";
        }
    };
    runAll("", {"info bricks.rst", "list nodes bricks.asc", "list elements bricks.rst",
                "list results bricks.rst", "convert bricks.asc converted.RST",
                "list nodes converted.RST", "info old.asc", "list elements type.asc",
                "list nodes cut.rst", "info model.txt", "info absent.rst", "info pipe.asc"});
    // A file is never converted into itself, under any of its names.
    runAll("", {"convert old.asc kept.rst", "convert bricks.asc kept.rst",
                "convert bricks.asc pipe.asc", "convert bricks.asc bricks.asc",
                "convert bricks.asc hard.asc", "convert soft.rst bricks.rst"});
    runAll("", {"", "frobnicate", "info", "info a.rst b.rst", "list nodes", "list faces bricks.rst",
                "convert bricks.rst", "convert bricks.rst out.txt", "convert bricks.rst out.mdf",
                "--help"});
    runAll(
        "",
        {"render bricks.rst -o 2.png --step 2", "render bricks.rst -o no.png --step 3",
         "render modes.mdf -o m.png --mode 2 --step 1", "render modes.mdf -o no.png --mode 3",
         "render bricks.rst -o no.png --mode 1", "render one.rst -o 1.png --frames 5 --step 5",
         "render one.rst -o no.png --frames 5 --step 6", "render bricks.rst -o no.png --frames 5"});
    // Probes print the stored values of the step or mode and the magnitude; a node, step or
    // mode the file does not have is refused with its range.
    runAll("",
           {"probe bricks.rst --node 5 --step 2", "probe bricks.asc --at 11.4,-2.3,7",
            "probe modes.mdf --node 12 --mode 2", "probe one.rst --node 3",
            "probe bricks.rst --node 13", "probe bricks.rst --node 1 --step 3",
            "probe modes.mdf --node 1 --mode 3", "probe bricks.rst --at 1,2", "probe bricks.rst",
            "probe bricks.rst --node 1 --at 1,2,3", "probe bricks.rst --node 1 --step 1 --mode 1"});
    // Curve tables of the examples: computed, listed and exported; refusals and usage errors.
    const auto examples = std::filesystem::path(__FILE__).parent_path().parent_path() / "examples";
    for (const char* name : {"cantilever.asc", "plate_hole_q4.asc"})
        std::filesystem::create_symlink(examples / name, file(name));
    writeBytes(file("short.cdb"), std::string("\x05\0\0\0\x02", 5));
    runAll("", {"curve history cantilever.asc --nodes 308,328 -o tip.cdb", "curve info tip.cdb",
                "curve line plate_hole_q4.asc --from 13 --to 589 --step 2 -o line.cdb",
                "curve info line.cdb", "curve export tip.cdb --x 0 --y 2,7 -o tip.xls",
                "curve info short.cdb", "curve info absent.cdb",
                "curve history cantilever.asc --nodes 616 -o no.cdb",
                "curve line cantilever.asc --from 1 --to 2 -o no.cdb",
                "curve line plate_hole_q4.asc --from 13 --to 13 -o no.cdb", "curve",
                "curve fit tip.cdb", "curve info tip.cdb --x 0", "curve history cantilever.asc",
                "curve line plate_hole_q4.asc --from 1 --to 2 --step 5 -o no.cdb",
                "curve export tip.cdb --x 0 --y 2,11 -o no.xls",
                "curve plot tip.cdb --x 0 --y 2 -o no.gif", "curve --help"});
    transcript += "--- tip.xls\n" + readBytes(file("tip.xls")) + "\n";
    // Writes that the system stops half way leave no temporary and the old file as it was.
    runAll("ulimit -f 1; ", {"convert bricks.asc big.rst", "convert bricks.rst old.asc",
                             "render bricks.rst -o big.png --size 320x240",
                             "curve history cantilever.asc --nodes 1,2,3,4,5,6,7,8,9 -o big.cdb"});
    expectGolden("batch_tool.txt", transcript);
    EXPECT_EQ(readBytes(file("kept.rst")) + readBytes(file("old.asc")), "old2000\n3 2\n");
    std::vector<std::string> left = {"1.png",         "2.png",     "bricks.asc", "bricks.rst",
                                     "converted.RST", "cut.rst",   "hard.asc",   "kept.rst",
                                     "m.png",         "model.txt", "modes.mdf",  "old.asc",
                                     "one.rst",       "pipe.asc",  "soft.rst",   "type.asc"};
    left.insert(left.end(), {"cantilever.asc", "line.cdb", "plate_hole_q4.asc", "short.cdb",
                             "tip.cdb", "tip.xls"});
    std::sort(left.begin(), left.end());
    EXPECT_EQ(dir_.entries(), left);
}

// A title or a word full of terminal escape sequences never reaches a terminal raw; into a
// file or a pipe the listing stays byte for byte.
TEST_F(BatchTool, BytesFromAFileNeverSteerTheTerminal) {
    const std::string escape = "\033]0;owned\007\033[2J";
    model_.jobTitle = "title " + escape;
    writeFile(model_, file("escape.rst"));
    EXPECT_EQ(run("info escape.rst").out.substr(0, 22), model_.jobTitle + "\r\n");
    writeBytes(file("word.asc"), "t\n1" + escape + " 3\n");
    const ToolRun bad = run("info word.asc");
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
        ::waitpid(child, nullptr, 0);
        EXPECT_EQ(shown.find("\033]"), std::string::npos) << name;
        EXPECT_EQ(shown.find("\033[2J"), std::string::npos) << name;
        EXPECT_NE(shown.find("\\x1b]0;owned\\x07\\x1b[2J"), std::string::npos) << name;
    }
}

}  // namespace
