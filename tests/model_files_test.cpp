// Result files by their extension: the reader or writer it chooses, the scene opening a
// file, and writes that never destroy the file they replace (a failed write leaves the old
// content and no temporary file).
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "safe_file_writer.h"
#include "test_support.h"

namespace {

using namespace orv;
using namespace orvtest;

const std::string kUnknownKind =
    "This file type can not be read! Please choose a .rst, .asc or .mdf file.";

TEST(ModelFiles, ExtensionOfTheLastPathComponent) {
    const std::pair<std::string, std::string> paths[] = {{"BEAM.RST", "RST"},
                                                         {"/data/run.1/Beam.Asc", "Asc"},
                                                         {"/data/run.1/model", ""},
                                                         {"run./model", ""},
                                                         {"model.", ""}};
    for (const auto& [path, extension] : paths)
        EXPECT_EQ(fileExtension(path), extension) << path;
}

// The format table as the dialogs and the dispatch see it.
TEST(ModelFiles, FormatsByExtensionAndTheDialogFilters) {
    const std::string rst = "Orvanta30 RST Files (*.rst)", asc = "Orvanta30 ASC Files (*.asc)",
                      mdf = "Orvanta30 MOD Files (*.mdf)";
    const std::tuple<std::string, ModelFileKind, std::string> formats[] = {
        {"RST", ModelFileKind::Binary, rst},
        {"Asc", ModelFileKind::Text, "Orvanta30 Asc Files (*.asc)"},
        {"mDF", ModelFileKind::Modes, ""},
        {"txt", ModelFileKind::Unknown, ""},
        {"", ModelFileKind::Unknown, ""}};
    for (const auto& [extension, kind, saveAs] : formats) {
        const ModelFormat* f = findModelFormat(extension);
        EXPECT_EQ(f ? f->kind : ModelFileKind::Unknown, kind) << extension;
        EXPECT_EQ(f && f->write ? f->saveAsFilter : "", saveAs) << extension;
    }
    // The remembered type is compared exactly: "ASC" is not "asc".
    const std::tuple<std::string, std::vector<std::string>, std::string> opens[] = {
        {"asc", {asc, rst, mdf}, "asc"},
        {"mdf", {mdf, rst, asc}, "mdf"},
        {"rst", {rst, asc, mdf}, "rst"},
        {"", {rst, asc, mdf}, "rst"},
        {"ASC", {rst, asc, mdf}, "rst"}};
    for (const auto& [type, filters, suffix] : opens) {
        EXPECT_EQ(openFilters(type), filters) << type;
        EXPECT_EQ(openDefaultSuffix(type), suffix) << type;
    }
}

class ModelFilesOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFile(model_, dir_.file("BEAM.RST"));
        writeFile(model_, dir_.file("Beam.Asc"));
        std::filesystem::copy_file(dir_.file("Beam.Asc"), dir_.file("Beam.mDF"));
    }

    TempDir dir_;
    FeModel model_ = twoHexModel();
};

TEST_F(ModelFilesOnDisk, ExtensionsInAnyCaseChooseTheReader) {
    const FeModel binary = readAccepted(dir_.file("BEAM.RST"));
    EXPECT_EQ(binary.nodeNumbers, model_.nodeNumbers);  // only the binary file keeps labels
    EXPECT_EQ(binary.values, model_.values);
    EXPECT_FALSE(readAccepted(dir_.file("Beam.Asc")).modalResults);
    EXPECT_TRUE(readAccepted(dir_.file("Beam.mDF")).modalResults);
    // Content does not decide the kind: a binary file named .asc is read as text.
    std::filesystem::copy_file(dir_.file("BEAM.RST"), dir_.file("binary.asc"));
    expectRefused(readFile(dir_.file("binary.asc")), "");
    // Another extension is refused, and whatever was open before is gone.
    std::filesystem::copy_file(dir_.file("BEAM.RST"), dir_.file("model.txt"));
    for (const char* name : {"model.txt", "model"}) {
        ReadOutcome r;
        r.model = FeModel(model_);
        r.ok = readModelFile(r.model, dir_.file(name), fileExtension(dir_.file(name)), r.progress,
                             r.messages);
        expectRefused(r, kUnknownKind);
    }
}

// --- writing ---

struct Format {
    std::string extension, openError, writeError;
};
const Format kFormats[] = {{"rst", " Error to open file .rst", " Error to write file .rst"},
                           {"asc", " Error to write file .asc", " Error to write file .asc"}};

bool write(const FeModel& m, const std::string& path, RecordingMessages& messages) {
    NullProgress progress;
    return writeModelFile(m, path, fileExtension(path), progress, messages);
}

unsigned permissions(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(ModelFilesOnDisk, AWriteReplacesTheTargetOrReportsAndLeavesItAlone) {
    const mode_t mask = ::umask(022);
    std::filesystem::create_symlink(dir_.file("BEAM.RST"), dir_.file("link.rst"));
    for (const Format& f : kFormats) {
        const std::string target = dir_.file("model." + f.extension);
        writeBytes(target, "old content");
        ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
        writeFile(model_, target);
        writeFile(model_, dir_.file("new." + f.extension));
        EXPECT_EQ(readAccepted(target).nodeCount, 12);
        EXPECT_EQ(std::make_pair(permissions(target), permissions(dir_.file("new." + f.extension))),
                  std::make_pair(0640u, 0644u));
        RecordingMessages messages;
        EXPECT_FALSE(write(model_, dir_.file("absent/model." + f.extension), messages));
        EXPECT_EQ(messages.lastError(), f.openError);
        std::filesystem::create_directory(dir_.file("folder." + f.extension));
        EXPECT_FALSE(write(model_, dir_.file("folder." + f.extension), messages));
        EXPECT_EQ(messages.lastError(), f.openError);
        EXPECT_EQ(lastFileError(), "Is a directory");
        EXPECT_EQ(messages.errorCount(), 2);
    }
    ::umask(mask);
    writeFile(model_, dir_.file("link.rst"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.file("link.rst")));
    RecordingMessages messages;
    EXPECT_FALSE(write(model_, dir_.file("model.mdf"), messages));
    EXPECT_EQ(messages.lastError(),
              "This file type can not be written! Please choose a .rst or .asc file.");
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{
                                  "BEAM.RST", "Beam.Asc", "Beam.mDF", "folder.asc", "folder.rst",
                                  "link.rst", "model.asc", "model.rst", "new.asc", "new.rst"}));
}

TEST_F(ModelFilesOnDisk, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    // Files of a few hundred kilobytes, more than the process may write below.
    FeModel m = triangleStrip(6000);
    addResults(m, {"UX", "UY"}, {1.0f, 2.0f},
               [](int32_t k, int32_t i, int32_t d) { return float(k + i + d); });
    for (const Format& f : kFormats) {
        const std::string target = dir_.file("BEAM." + f.extension);
        writeBytes(target, "old content");
        RecordingMessages messages;
        // Writes beyond 64 KiB fail with EFBIG (SIGXFSZ ignored), even for the superuser.
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit lower{64 * 1024, old.rlim_max};
        ::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lower), 0);
        const bool written = write(m, target, messages);
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_FALSE(written);
        EXPECT_EQ(messages.lastError(), f.writeError);
        EXPECT_EQ(readBytes(target), "old content");
        writeFile(m, target);  // without the limit the same model is written
        EXPECT_GT(readBytes(target).size(), 64u * 1024u);
    }
    {
        SafeFileWriter out;  // never committed
        ASSERT_TRUE(out.open(dir_.file("BEAM.asc")));
        out.write(std::string(3 << 20, 'x'));  // more than the buffer: some of it is on disk
        EXPECT_EQ(dir_.entries().size(), 6u);
    }
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"BEAM.RST", "BEAM.asc", "BEAM.rst",
                                                        "Beam.Asc", "Beam.mDF"}));
}

// The data is made durable before the rename: when that fails, nothing is replaced.
TEST_F(ModelFilesOnDisk, AFailedSyncKeepsTheOldFileAndLeavesNoTemporary) {
    SafeFileWriter out;
    out.setSync([](int) {
        errno = EIO;
        return -1;
    });
    ASSERT_TRUE(out.open(dir_.file("BEAM.RST")));
    out.write(std::string(3 << 20, 'x'));
    const std::string old = readBytes(dir_.file("BEAM.RST"));
    EXPECT_FALSE(out.commit());
    EXPECT_EQ(out.errorText(), "Input/output error");
    EXPECT_EQ(readBytes(dir_.file("BEAM.RST")), old);
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"BEAM.RST", "Beam.Asc", "Beam.mDF"}));
}

// What a write must never replace: a FIFO, a device, a link to either, a file the
// permission bits keep from this user. Each is refused with its reason and left as it was.
TEST_F(ModelFilesOnDisk, AWriteRefusesSpecialAndUnwritableTargetsAndKeepsThem) {
    const std::string fifo = dir_.file("pipe.rst");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink(fifo, dir_.file("to-pipe.asc"));
    // A device node of our own (never the system's, which a faulty writer would replace).
    const std::string device = dir_.file("null-device");
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    std::filesystem::create_symlink(haveDevice ? device : fifo, dir_.file("to-null.rst"));
    const std::string readOnly = dir_.file("locked.asc");
    writeBytes(readOnly, "old content");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const std::pair<std::string, std::string> cases[] = {{"pipe.rst", "Not a regular file"},
                                                         {"to-pipe.asc", "Not a regular file"},
                                                         {"to-null.rst", "Not a regular file"},
                                                         {"locked.asc", "Permission denied"}};
    for (const auto& [name, reason] : cases) {
        RecordingMessages messages;
        clearFileError();
        EXPECT_FALSE(write(model_, dir_.file(name), messages)) << name;
        EXPECT_EQ(messages.errorCount(), 1) << name;
        EXPECT_EQ(lastFileError(), reason) << name;
    }
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (haveDevice) {
        ASSERT_EQ(::stat(device.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.file("to-null.rst")));
    EXPECT_EQ(readBytes(readOnly), "old content");
    EXPECT_EQ(permissions(readOnly), 0444u);
    // A file of another user that others may not write (only the superuser can make one).
    if (::geteuid() == 0) {
        const std::string foreign = dir_.file("foreign.rst");
        writeBytes(foreign, "theirs");
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(foreign.c_str(), 0644), 0);
        RecordingMessages messages;
        EXPECT_FALSE(write(model_, foreign, messages));
        EXPECT_EQ(readBytes(foreign), "theirs");
    }
}

// A dangling link names the file to create: the file appears where it points, the link stays.
// A name near the length limit still gets a temporary name that fits beside it.
TEST_F(ModelFilesOnDisk, ADanglingLinkIsKeptAndALongNameStillWrites) {
    std::filesystem::create_directory(dir_.file("data"));
    std::filesystem::create_symlink("data/made.rst", dir_.file("future.rst"));
    writeFile(model_, dir_.file("future.rst"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_.file("future.rst")));
    EXPECT_EQ(readAccepted(dir_.file("data/made.rst")).nodeCount, model_.nodeCount);
    const std::string longName = dir_.file(std::string(250, 'm') + ".asc");
    writeFile(model_, longName);
    writeFile(model_, longName);  // replacing it needs the temporary name too
    EXPECT_EQ(readAccepted(longName).nodeCount, model_.nodeCount);
}

// Reading a FIFO or a device must not wait for a writer that never comes.
TEST_F(ModelFilesOnDisk, ASpecialFileIsRefusedAsInputAtOnce) {
    const std::string fifo = dir_.file("pipe.asc");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto start = std::chrono::steady_clock::now();
    expectRefused(readFile(fifo), " Error to open file .asc");
    EXPECT_EQ(lastFileError(), "Not a regular file");
    expectRefused(readFile(dir_.file("absent.rst")), " Error to open file .rst");
    EXPECT_EQ(lastFileError(), "No such file or directory");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// A write ended by SIGINT, SIGTERM or SIGHUP leaves neither a temporary file nor a changed
// target; the process still ends by the signal.
TEST_F(ModelFilesOnDisk, ASignalDuringAWriteRemovesTheTemporaryFile) {
    const std::string target = dir_.file("kept.asc");
    writeBytes(target, "old content");
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SafeFileWriter out;
            if (!out.open(target)) ::_exit(3);
            out.write(std::string(3 << 20, 'x'));  // beyond the buffer: the file exists on disk
            ::raise(sig);
            ::_exit(4);  // not reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_EQ(readBytes(target), "old content");
        EXPECT_EQ(dir_.entries(),
                  (std::vector<std::string>{"BEAM.RST", "Beam.Asc", "Beam.mDF", "kept.asc"}));
    }
}

}  // namespace
