// Result files by their extension: the format table, the reader or writer it chooses, and writes
// that never destroy the file they replace (a failure leaves the old content, no temporary).
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "safe_file_writer.h"
#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

// The Open dialog lists the remembered type (compared exactly: "ASC" is not "asc") first, the
// others in table order; the extension is that of the last path component.
TEST(ModelFiles, OpenFiltersAndExtensions) {
    const std::string rst = "Orvanta30 RST Files (*.rst)", asc = "Orvanta30 ASC Files (*.asc)",
                      mdf = "Orvanta30 MOD Files (*.mdf)", frd = "CalculiX Result Files (*.frd)",
                      msh = "Gmsh Mesh Files (*.msh)", vtk = "VTK Files (*.vtk)",
                      vtu = "VTK XML Files (*.vtu)";
    const std::tuple<std::string, std::vector<std::string>, std::string> opens[] = {
        {"asc", {asc, rst, mdf, frd, msh, vtk, vtu}, "asc"},
        {"mdf", {mdf, rst, asc, frd, msh, vtk, vtu}, "mdf"},
        {"vtu", {vtu, rst, asc, mdf, frd, msh, vtk}, "vtu"},
        {"", {rst, asc, mdf, frd, msh, vtk, vtu}, "rst"},
        {"ASC", {rst, asc, mdf, frd, msh, vtk, vtu}, "rst"}};
    for (const auto& [type, filters, suffix] : opens)
        EXPECT_EQ(std::make_pair(openFilters(type), openDefaultSuffix(type)),
                  std::make_pair(filters, suffix))
            << type;
    EXPECT_EQ(std::string(findModelFormat("Asc")->saveAsFilter), "Orvanta30 Asc Files (*.asc)");
    for (const auto& [path, extension] : std::vector<std::pair<std::string, std::string>>{
             {"BEAM.RST", "RST"}, {"/run.1/Beam.Asc", "Asc"}, {"run./model", ""}, {"model.", ""}})
        EXPECT_EQ(fileExtension(path), extension) << path;
}

class ModelFilesOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(model_, file("BEAM.RST"));
        writeFile(model_, file("Beam.Asc"));
        std::filesystem::copy_file(file("Beam.Asc"), file("Beam.mDF"));
    }
    std::string file(const std::string& name) const { return dir_.file(name); }
    // Writes model_ to the file and expects a refusal with `box` and the system's `reason`.
    void expectWriteRefused(const std::string& name, const std::string& box,
                            const std::string& reason) {
        RecordingMessages messages;
        NullProgress progress;
        clearFileError();
        EXPECT_FALSE(writeModelFile(model_, file(name), fileExtension(name), progress, messages));
        EXPECT_EQ(messages.errorCount(), 1) << name;
        EXPECT_EQ(messages.lastError(), box) << name;
        EXPECT_EQ(lastFileError(), reason) << name;
    }
    void expectEntries(std::vector<std::string> more) const {
        more.insert(more.end(), {"BEAM.RST", "Beam.Asc", "Beam.mDF"});
        std::sort(more.begin(), more.end());
        EXPECT_EQ(dir_.entries(), more);
    }

    TempDir dir_;
    FeModel model_ = twoHexModel();
};

TEST_F(ModelFilesOnDisk, ExtensionsInAnyCaseChooseTheReader) {
    const FeModel binary = readAccepted(file("BEAM.RST"));
    EXPECT_EQ(binary.nodeNumbers, model_.nodeNumbers);  // only the binary file keeps labels
    EXPECT_EQ(binary.values, model_.values);
    EXPECT_FALSE(readAccepted(file("Beam.Asc")).modalResults);
    EXPECT_TRUE(readAccepted(file("Beam.mDF")).modalResults);
    // Content does not decide the kind: a binary file named .asc is read as text.
    std::filesystem::copy_file(file("BEAM.RST"), file("binary.asc"));
    expectRefused(readFile(file("binary.asc")), "");
    // Another extension is refused, and whatever was open before is gone (a FIFO, an absent
    // file and another extension through the batch tool: tests/golden/batch_tool.txt).
    ReadOutcome r;
    r.model = FeModel(model_);
    r.ok = readModelFile(r.model, file("model"), "", r.progress, r.messages);
    expectRefused(r,
                  "This file type can not be read! Please choose a .rst, .asc, .mdf, .frd, .msh, "
                  ".vtk or .vtu file.");
}

// A write replaces the target with the old one's permissions, follows a link (a dangling one
// names the file to create) and keeps it, and fits its temporary name beside a long name.
TEST_F(ModelFilesOnDisk, AWriteReplacesTheTargetAndKeepsItsPermissionsAndLinks) {
    const mode_t mask = ::umask(022);
    writeBytes(file("model.asc"), "old content");
    ASSERT_EQ(::chmod(file("model.asc").c_str(), 0640), 0);
    writeFile(model_, file("model.asc"));
    writeFile(model_, file("new.rst"));
    ::umask(mask);
    EXPECT_EQ(readAccepted(file("model.asc")).nodeCount, 12);
    const auto permissions = [&](const char* name) {
        return unsigned(std::filesystem::status(file(name)).permissions());
    };
    EXPECT_EQ(std::make_pair(permissions("model.asc"), permissions("new.rst")),
              std::make_pair(0640u, 0644u));
    std::filesystem::create_directory(file("data"));
    std::filesystem::create_symlink("data/made.rst", file("future.rst"));
    std::filesystem::create_symlink(file("BEAM.RST"), file("link.rst"));
    for (const char* link : {"future.rst", "link.rst"}) {
        writeFile(model_, file(link));
        EXPECT_TRUE(std::filesystem::is_symlink(file(link)));
    }
    EXPECT_EQ(readAccepted(file("data/made.rst")).nodeCount, model_.nodeCount);
    const std::string longName = file(std::string(250, 'm') + ".asc");
    writeFile(model_, longName);
    writeFile(model_, longName);  // replacing it needs the temporary name too
    EXPECT_EQ(readAccepted(longName).nodeCount, model_.nodeCount);
    expectEntries({"data", "future.rst", "link.rst", "model.asc", "new.rst",
                   longName.substr(longName.rfind('/') + 1)});
}

// What a write must never replace: a directory, a FIFO, a device, a link to either, a file the
// permission bits keep from this user. Each is refused with its reason and left as it was.
TEST_F(ModelFilesOnDisk, AWriteRefusesWhatItMustNotReplaceAndKeepsIt) {
    const std::string fifo = file("pipe.rst"), device = file("null-device");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink(fifo, file("to-pipe.asc"));
    // A device node of our own (never the system's, which a faulty writer would replace).
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    std::filesystem::create_symlink(haveDevice ? device : fifo, file("to-null.rst"));
    writeBytes(file("locked.asc"), "old content");
    ASSERT_EQ(::chmod(file("locked.asc").c_str(), 0444), 0);
    std::filesystem::create_directory(file("folder.asc"));
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"pipe.rst", " Error to open file .rst", "Not a regular file"},
        {"to-pipe.asc", " Error to write file .asc", "Not a regular file"},
        {"to-null.rst", " Error to open file .rst", "Not a regular file"},
        {"locked.asc", " Error to write file .asc", "Permission denied"},
        {"folder.asc", " Error to write file .asc", "Is a directory"},
        {"absent/model.rst", " Error to open file .rst", "No such file or directory"},
        {"model.mdf", "This file type can not be written! Please choose a .rst or .asc file.", ""}};
    for (const auto& [name, box, reason] : cases)
        expectWriteRefused(name, box, reason);
    struct stat st {};
    EXPECT_TRUE(::stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(!haveDevice || (::stat(device.c_str(), &st) == 0 && S_ISCHR(st.st_mode)));
    EXPECT_EQ(readBytes(file("locked.asc")), "old content");
    EXPECT_TRUE(::stat(file("locked.asc").c_str(), &st) == 0 && (st.st_mode & 07777) == 0444);
    // A file of another user that others may not write (only the superuser can make one).
    if (::geteuid() == 0) {
        writeBytes(file("foreign.rst"), "theirs");
        ASSERT_EQ(::chown(file("foreign.rst").c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(file("foreign.rst").c_str(), 0644), 0);
        expectWriteRefused("foreign.rst", " Error to open file .rst", "Permission denied");
        EXPECT_EQ(readBytes(file("foreign.rst")), "theirs");
    }
    std::vector<std::string> left = {"folder.asc", "locked.asc", "pipe.rst", "to-null.rst",
                                     "to-pipe.asc"};
    if (haveDevice) left.push_back("null-device");
    if (::geteuid() == 0) left.push_back("foreign.rst");
    expectEntries(left);
}

// The data is made durable before the rename: when that fails, nothing is replaced; a writer
// never committed leaves nothing either.
TEST_F(ModelFilesOnDisk, AFailedSyncOrAnAbandonedWriteLeavesNoTemporary) {
    {
        SafeFileWriter out;
        ASSERT_TRUE(out.open(file("BEAM.asc")));
        out.write(std::string(3 << 20, 'x'));  // more than the buffer: some of it is on disk
        EXPECT_EQ(dir_.entries().size(), 4u);
    }
    SafeFileWriter out;
    out.setSync([](int) {
        errno = EIO;
        return -1;
    });
    ASSERT_TRUE(out.open(file("BEAM.RST")));
    out.write(std::string(3 << 20, 'x'));
    const std::string old = readBytes(file("BEAM.RST"));
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(out.errorText(), "Input/output error");
    EXPECT_EQ(readBytes(file("BEAM.RST")), old);
    expectEntries({});
}

// A write ended by a signal whose default action ends the process leaves neither a temporary
// file nor a changed target, and the process still ends by the signal. (A write beyond the file
// size limit fails with the reason instead: tests/golden/batch_tool.txt.)
TEST_F(ModelFilesOnDisk, ASignalDuringAWriteRemovesTheTemporaryFile) {
    writeBytes(file("kept.asc"), "old content");
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGPIPE}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            SafeFileWriter out;
            if (!out.open(file("kept.asc"))) ::_exit(3);
            out.write(std::string(3 << 20, 'x'));  // beyond the buffer: the file exists on disk
            ::raise(sig);
            ::_exit(4);  // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_EQ(readBytes(file("kept.asc")), "old content");
        expectEntries({"kept.asc"});
    }
}

}  // namespace
