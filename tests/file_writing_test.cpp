// Writing result files never destroys the file being replaced: a failed write leaves the old
// content and no temporary file; a successful one replaces the content.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "binary_result_file.h"
#include "fe_model.h"
#include "model_files.h"
#include "safe_file_writer.h"
#include "test_support.h"
#include "text_result_file.h"

namespace {

using orv::FeModel;
using orvtest::readBytes;
using orvtest::RecordingMessages;
using orvtest::TempDir;
using orvtest::writeBytes;

struct Format {
    std::string extension;
    std::string openError;
    std::string writeError;
};

const Format kFormats[] = {
    {"rst", " Error to open file .rst", " Error to write file .rst"},
    {"asc", " Error to write file .asc", " Error to write file .asc"},
};

bool write(const FeModel& m, const std::string& path, const std::string& extension,
           RecordingMessages& messages) {
    orv::NullProgress progress;
    return orv::writeModelFile(m, path, extension, progress, messages);
}

// A model whose files are a few hundred kilobytes.
FeModel largeModel() {
    std::vector<std::array<float, 3>> points;
    std::vector<orvtest::ElementSpec> elements;
    for (int32_t i = 0; i < 6000; ++i)
        points.push_back({float(i / 2), float(i % 2), 0});
    for (int32_t e = 0; e + 2 < 6000; ++e)
        elements.push_back({e + 1, 23, {e + 1, e + 2, e + 3}});
    FeModel m = orvtest::buildModel(2, points, elements);
    orvtest::addResults(m, {"UX", "UY"}, {1.0f, 2.0f},
                        [](int32_t k, int32_t i, int32_t d) { return float(k + i + d); });
    return m;
}

TEST(FileWriting, ASuccessfulWriteReplacesTheContent) {
    TempDir dir;
    const FeModel m = orvtest::twoHexModel();
    for (const Format& f : kFormats) {
        const std::string target = dir.file("model." + f.extension);
        writeBytes(target, "old content");
        RecordingMessages messages;
        ASSERT_TRUE(write(m, target, f.extension, messages));
        EXPECT_TRUE(messages.boxes.empty());
        const std::string written = readBytes(target);
        EXPECT_NE(written, "old content");
        const orvtest::ReadOutcome back = orvtest::readFile(target);
        ASSERT_TRUE(back.ok) << back.messages.lastError();
        EXPECT_EQ(back.model.nodeCount, 12);
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"model.asc", "model.rst"}));
}

TEST(FileWriting, ANewFileGetsTheUsualPermissionsAndAReplacedOneKeepsItsOwn) {
    TempDir dir;
    const FeModel m = orvtest::twoHexModel();
    const mode_t mask = ::umask(022);
    RecordingMessages messages;
    ASSERT_TRUE(write(m, dir.file("new.rst"), "rst", messages));
    struct stat st;
    ASSERT_EQ(::stat(dir.file("new.rst").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    writeBytes(dir.file("kept.asc"), "old");
    ASSERT_EQ(::chmod(dir.file("kept.asc").c_str(), 0640), 0);
    ASSERT_TRUE(write(m, dir.file("kept.asc"), "asc", messages));
    ASSERT_EQ(::stat(dir.file("kept.asc").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ::umask(mask);
}

TEST(FileWriting, AMissingDirectoryIsReported) {
    TempDir dir;
    const FeModel m = orvtest::twoHexModel();
    for (const Format& f : kFormats) {
        RecordingMessages messages;
        EXPECT_FALSE(write(m, dir.file("absent/model." + f.extension), f.extension, messages));
        EXPECT_EQ(messages.lastError(), f.openError);
        EXPECT_EQ(messages.errorCount(), 1);
    }
    EXPECT_TRUE(dir.entries().empty());
}

TEST(FileWriting, ATargetThatIsADirectoryIsLeftAlone) {
    TempDir dir;
    const FeModel m = orvtest::twoHexModel();
    for (const Format& f : kFormats) {
        const std::string target = dir.file("folder." + f.extension);
        std::filesystem::create_directory(target);
        writeBytes(target + "/inside", "kept");
        RecordingMessages messages;
        EXPECT_FALSE(write(m, target, f.extension, messages));
        EXPECT_EQ(messages.lastError(), f.writeError);
        EXPECT_TRUE(std::filesystem::is_directory(target));
        EXPECT_EQ(readBytes(target + "/inside"), "kept");
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"folder.asc", "folder.rst"}));
}

// Lowers the largest file size this process may write, so that writes fail with EFBIG
// (SIGXFSZ ignored) even for the superuser.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = old_;
        lower.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldHandler_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit old_{};
    sighandler_t oldHandler_;
    bool ok_ = false;
};

TEST(FileWriting, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    TempDir dir;
    const FeModel m = largeModel();
    for (const Format& f : kFormats) {
        const std::string target = dir.file("model." + f.extension);
        writeBytes(target, "old content");
        RecordingMessages messages;
        bool written;
        {
            FileSizeLimit limit(64 * 1024);
            ASSERT_TRUE(limit.ok());
            written = write(m, target, f.extension, messages);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(messages.lastError(), f.writeError);
        EXPECT_EQ(readBytes(target), "old content");
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"model.asc", "model.rst"}));

    // Without the limit the same model is written.
    for (const Format& f : kFormats) {
        RecordingMessages messages;
        EXPECT_TRUE(write(m, dir.file("model." + f.extension), f.extension, messages));
        EXPECT_GT(readBytes(dir.file("model." + f.extension)).size(), 64u * 1024u);
    }
}

TEST(FileWriting, AnUnwritableDirectoryKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not stop the superuser";
    TempDir dir;
    const FeModel m = orvtest::twoHexModel();
    const std::string sub = dir.file("locked");
    std::filesystem::create_directory(sub);
    for (const Format& f : kFormats)
        writeBytes(sub + "/model." + f.extension, "old content");
    ASSERT_EQ(::chmod(sub.c_str(), 0555), 0);
    for (const Format& f : kFormats) {
        RecordingMessages messages;
        EXPECT_FALSE(write(m, sub + "/model." + f.extension, f.extension, messages));
        EXPECT_EQ(messages.lastError(), f.openError);
        EXPECT_EQ(readBytes(sub + "/model." + f.extension), "old content");
    }
    ::chmod(sub.c_str(), 0755);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sub))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"model.asc", "model.rst"}));
}

TEST(FileWriting, ASymbolicLinkKeepsPointingAtTheReplacedFile) {
    TempDir dir;
    writeBytes(dir.file("real.asc"), "old");
    std::filesystem::create_symlink(dir.file("real.asc"), dir.file("link.asc"));
    RecordingMessages messages;
    ASSERT_TRUE(write(orvtest::twoHexModel(), dir.file("link.asc"), "asc", messages));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.asc")));
    EXPECT_NE(readBytes(dir.file("real.asc")), "old");
    EXPECT_EQ(readBytes(dir.file("link.asc")), readBytes(dir.file("real.asc")));
}

TEST(FileWriting, AnUncommittedWriterRemovesItsTemporary) {
    TempDir dir;
    writeBytes(dir.file("target"), "old");
    {
        orv::SafeFileWriter out;
        ASSERT_TRUE(out.open(dir.file("target")));
        out.write(std::string(3 << 20, 'x'));  // more than the buffer: some of it is on disk
        EXPECT_EQ(dir.entries().size(), 2u);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"target"});
    EXPECT_EQ(readBytes(dir.file("target")), "old");
}

TEST(FileWriting, OtherExtensionsAreNotWritten) {
    TempDir dir;
    RecordingMessages messages;
    EXPECT_FALSE(write(orvtest::twoHexModel(), dir.file("model.mdf"), "mdf", messages));
    EXPECT_EQ(messages.lastError(),
              "This file type can not be written! Please choose a .rst or .asc file.");
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
