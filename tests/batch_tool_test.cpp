// The batch tool run as a separate process: standard output bytes, standard error lines and
// the exit status of each command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "binary_result_file.h"
#include "fe_model.h"
#include "listings.h"
#include "test_support.h"
#include "text_result_file.h"

#ifndef ORVANTA_BATCH
#error "ORVANTA_BATCH must name the orvanta-batch executable"
#endif

namespace {

using orvtest::readBytes;
using orvtest::TempDir;
using orvtest::writeBytes;

struct ToolRun {
    int status = -1;  // exit status, -1 when the tool did not exit normally
    std::string out, err;
};

ToolRun runTool(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string outPath = dir.file(".stdout"), errPath = dir.file(".stderr");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv;
        std::string program = ORVANTA_BATCH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ToolRun r;
    int wstatus = 0;
    if (pid < 0 || ::waitpid(pid, &wstatus, 0) != pid) return r;
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    r.out = readBytes(outPath);
    r.err = readBytes(errPath);
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return r;
}

// Runs the tool with its standard streams on a pseudo-terminal, as in an interactive shell;
// returns everything the terminal received.
ToolRun runOnTerminal(const std::vector<std::string>& args) {
    ToolRun r;
    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<char*> argv;
        std::string program = ORVANTA_BATCH;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (pid < 0) return r;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO once the tool has exited
        r.err.append(buffer, size_t(n));
    }
    ::close(master);
    int wstatus = 0;
    if (::waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    return r;
}

// The lines a terminal shows: a carriage return goes back to the start of the line and
// ESC [ K clears the rest of it.
std::vector<std::string> shownLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    size_t column = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
            column = 0;
        } else if (c == '\r') {
            column = 0;
        } else if (c == '\033' && bytes.compare(i, 3, "\033[K") == 0) {
            line.resize(column);
            i += 2;
        } else {
            if (column < line.size())
                line[column] = c;
            else
                line += c;
            ++column;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> errLines(const ToolRun& r) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < r.err.size()) {
        size_t end = r.err.find('\n', start);
        if (end == std::string::npos) end = r.err.size();
        lines.push_back(r.err.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool hasLine(const ToolRun& r, const std::string& line) {
    const auto lines = errLines(r);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string listing(orv::ListingKind kind, const orv::FeModel& m) {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = ::open_memstream(&buffer, &size);
    orv::writeListing(kind, m, out);
    std::fclose(out);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

class BatchTool : public ::testing::Test {
  protected:
    void SetUp() override {
        orv::NullProgress progress;
        orvtest::RecordingMessages messages;
        model_ = orvtest::twoHexModel();
        ASSERT_TRUE(orv::writeBinaryFile(model_, dir_.file("bricks.rst"), progress, messages));
        ASSERT_TRUE(orv::writeTextFile(model_, dir_.file("bricks.asc"), progress, messages));
    }

    TempDir dir_;
    orv::FeModel model_;
};

TEST_F(BatchTool, InfoPrintsTheModelInformation) {
    const ToolRun r = runTool(dir_, {"info", dir_.file("bricks.rst")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, listing(orv::ListingKind::ModelInformation, model_));
    EXPECT_EQ(r.out.substr(0, 12), "two bricks\r\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(BatchTool, ListingsAreTheListingBytes) {
    const std::pair<const char*, orv::ListingKind> kinds[] = {
        {"nodes", orv::ListingKind::Nodes},
        {"elements", orv::ListingKind::Elements},
        {"results", orv::ListingKind::Results}};
    for (const auto& [name, kind] : kinds) {
        const ToolRun r = runTool(dir_, {"list", name, dir_.file("bricks.rst")});
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, listing(kind, model_)) << name;
        EXPECT_EQ(r.err, "") << name;
    }
    // The text file gives the same node listing: the coordinates as written.
    const ToolRun text = runTool(dir_, {"list", "nodes", dir_.file("bricks.asc")});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, listing(orv::ListingKind::Nodes, model_));
}

TEST_F(BatchTool, ARefusedFileIsReportedWithStatusOne) {
    writeBytes(dir_.file("old.asc"), "2000\n3 2\n");
    const ToolRun r = runTool(dir_, {"info", dir_.file("old.asc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(hasLine(r, "Error: This file is not available for current version!")) << r.err;

    writeBytes(dir_.file("type.asc"), "t\n3 2\n1 0 0\n2 1 0\n3 0 1\n1\n1 3 25 1 1 1 2 3\n");
    const ToolRun type = runTool(dir_, {"list", "elements", dir_.file("type.asc")});
    EXPECT_EQ(type.status, 1);
    EXPECT_EQ(type.out, "");
    EXPECT_TRUE(hasLine(type, "Error: Element type does not exist!25")) << type.err;

    std::string cut = readBytes(dir_.file("bricks.rst"));
    cut.resize(cut.size() - 1);
    writeBytes(dir_.file("cut.rst"), cut);
    const ToolRun truncated = runTool(dir_, {"list", "nodes", dir_.file("cut.rst")});
    EXPECT_EQ(truncated.status, 1);
    EXPECT_EQ(truncated.out, "");
    EXPECT_TRUE(hasLine(truncated,
                        "Error: The file ends early: it is cut off in the trailer at "
                        "byte " +
                            std::to_string(cut.size()) + "!"))
        << truncated.err;

    const ToolRun missing = runTool(dir_, {"info", dir_.file("absent.rst")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(hasLine(missing, "Error:  Error to open file .rst")) << missing.err;

    writeBytes(dir_.file("model.txt"), "x");
    const ToolRun kind = runTool(dir_, {"info", dir_.file("model.txt")});
    EXPECT_EQ(kind.status, 1);
    EXPECT_TRUE(hasLine(
        kind, "Error: This file type can not be read! Please choose a .rst, .asc or .mdf file."))
        << kind.err;
}

TEST_F(BatchTool, OnATerminalTheErrorStandsOnItsOwnLine) {
    writeBytes(dir_.file("old.asc"), "2000\n3 2\n");
    const ToolRun r = runOnTerminal({"info", dir_.file("old.asc")});
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> lines = shownLines(r.err);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Error: This file is not available for current version!"),
              lines.end())
        << r.err;

    // A successful listing leaves no progress text behind.
    const ToolRun ok = runOnTerminal({"list", "elements", dir_.file("bricks.rst")});
    EXPECT_EQ(ok.status, 0);
    const std::vector<std::string> shown = shownLines(ok.err);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), "2");
    for (const std::string& line : shown)
        EXPECT_EQ(line.find("Read model"), std::string::npos) << line;
}

TEST_F(BatchTool, UsageErrorsHaveStatusTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", "a.rst", "b.rst"},
        {"list", "nodes"},
        {"list", "faces", dir_.file("bricks.rst")},
        {"convert", dir_.file("bricks.rst")},
        {"convert", dir_.file("bricks.rst"), dir_.file("out.txt")},
        {"convert", dir_.file("bricks.rst"), dir_.file("out.mdf")},
    };
    for (const auto& args : cases) {
        const ToolRun r = runTool(dir_, args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: orvanta-batch"), std::string::npos);
    }
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"bricks.asc", "bricks.rst"}));
}

TEST_F(BatchTool, HelpGoesToStandardOutput) {
    for (const char* flag : {"--help", "-h", "help"}) {
        const ToolRun r = runTool(dir_, {flag});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.substr(0, 20), "Usage: orvanta-batch");
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(BatchTool, ConvertTextToBinaryAndBack) {
    const std::string original = readBytes(dir_.file("bricks.asc"));
    const ToolRun toBinary =
        runTool(dir_, {"convert", dir_.file("bricks.asc"), dir_.file("converted.RST")});
    ASSERT_EQ(toBinary.status, 0) << toBinary.err;
    EXPECT_EQ(toBinary.out, "");
    EXPECT_EQ(toBinary.err, "");
    const ToolRun back =
        runTool(dir_, {"convert", dir_.file("converted.RST"), dir_.file("again.asc")});
    ASSERT_EQ(back.status, 0) << back.err;
    // The text file gave node labels 1..n; everything else is as written before.
    const ToolRun once = runTool(dir_, {"convert", dir_.file("again.asc"), dir_.file("twice.asc")});
    ASSERT_EQ(once.status, 0) << once.err;
    EXPECT_EQ(readBytes(dir_.file("twice.asc")), readBytes(dir_.file("again.asc")));
    // Node lines and everything but the labels of the result lines match the first file.
    std::string again = readBytes(dir_.file("again.asc"));
    std::string first = original;
    const size_t results = first.find("4   UX");
    ASSERT_NE(results, std::string::npos);
    EXPECT_EQ(again.substr(0, results), first.substr(0, results));

    // The binary file converted to binary again is the same file.
    const ToolRun binary =
        runTool(dir_, {"convert", dir_.file("bricks.rst"), dir_.file("copy.rst")});
    ASSERT_EQ(binary.status, 0) << binary.err;
    EXPECT_EQ(readBytes(dir_.file("copy.rst")), readBytes(dir_.file("bricks.rst")));
}

TEST_F(BatchTool, AFailedConversionKeepsTheTarget) {
    std::filesystem::create_directory(dir_.file("folder.asc"));
    const ToolRun r = runTool(dir_, {"convert", dir_.file("bricks.rst"), dir_.file("folder.asc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(hasLine(r, "Error:  Error to write file .asc")) << r.err;
    EXPECT_TRUE(std::filesystem::is_directory(dir_.file("folder.asc")));

    writeBytes(dir_.file("kept.rst"), "old");
    writeBytes(dir_.file("bad.asc"), "2000\n");
    const ToolRun refused = runTool(dir_, {"convert", dir_.file("bad.asc"), dir_.file("kept.rst")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(readBytes(dir_.file("kept.rst")), "old");
}

}  // namespace
