// Choosing the reader by the file's extension, through the dispatcher and the scene.
#include <gtest/gtest.h>

#include <filesystem>

#include "binary_result_file.h"
#include "fe_model.h"
#include "model_files.h"
#include "scene.h"
#include "test_support.h"
#include "text_result_file.h"

namespace {

using orv::FeModel;
using orv::ModelFileKind;
using orvtest::TempDir;

const std::string kUnknownKind =
    "This file type can not be read! Please choose a .rst, .asc or .mdf file.";

TEST(ModelFiles, KindOfAnExtensionInAnyCase) {
    EXPECT_EQ(orv::modelFileKind("rst"), ModelFileKind::Binary);
    EXPECT_EQ(orv::modelFileKind("RST"), ModelFileKind::Binary);
    EXPECT_EQ(orv::modelFileKind("Asc"), ModelFileKind::Text);
    EXPECT_EQ(orv::modelFileKind("mDf"), ModelFileKind::Modes);
    EXPECT_EQ(orv::modelFileKind("txt"), ModelFileKind::Unknown);
    EXPECT_EQ(orv::modelFileKind(""), ModelFileKind::Unknown);
    EXPECT_EQ(orv::modelFileKind(".rst"), ModelFileKind::Unknown);
}

TEST(ModelFiles, ExtensionOfTheLastPathComponent) {
    EXPECT_EQ(orv::fileExtension("BEAM.RST"), "RST");
    EXPECT_EQ(orv::fileExtension("/data/run.1/Beam.Asc"), "Asc");
    EXPECT_EQ(orv::fileExtension("/data/run.1/model"), "");
    EXPECT_EQ(orv::fileExtension("model"), "");
    EXPECT_EQ(orv::fileExtension("model."), "");
    EXPECT_EQ(orv::fileExtension("archive.tar.asc"), "asc");
}

class ModelFilesOnDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        orv::NullProgress progress;
        orvtest::RecordingMessages messages;
        model_ = orvtest::twoHexModel();
        ASSERT_TRUE(orv::writeBinaryFile(model_, dir_.file("BEAM.RST"), progress, messages));
        ASSERT_TRUE(orv::writeTextFile(model_, dir_.file("Beam.Asc"), progress, messages));
    }

    TempDir dir_;
    FeModel model_;
};

TEST_F(ModelFilesOnDisk, UpperAndMixedCaseExtensionsOpenByTheirKind) {
    const orvtest::ReadOutcome binary = orvtest::readFile(dir_.file("BEAM.RST"));
    ASSERT_TRUE(binary.ok) << binary.messages.lastError();
    EXPECT_EQ(binary.model.nodeNumbers, model_.nodeNumbers);  // only the binary file keeps labels
    EXPECT_EQ(binary.model.values, model_.values);

    const orvtest::ReadOutcome text = orvtest::readFile(dir_.file("Beam.Asc"));
    ASSERT_TRUE(text.ok) << text.messages.lastError();
    EXPECT_EQ(text.model.nodeCount, 12);
    EXPECT_FALSE(text.model.modalResults);

    // The same text read as a mode file.
    std::filesystem::copy_file(dir_.file("Beam.Asc"), dir_.file("Beam.MDF"));
    const orvtest::ReadOutcome modes = orvtest::readFile(dir_.file("Beam.MDF"));
    ASSERT_TRUE(modes.ok) << modes.messages.lastError();
    EXPECT_TRUE(modes.model.modalResults);
}

TEST_F(ModelFilesOnDisk, ContentDoesNotDecideTheKind) {
    // A binary file named .asc is read as text and refused.
    std::filesystem::copy_file(dir_.file("BEAM.RST"), dir_.file("binary.asc"));
    const orvtest::ReadOutcome r = orvtest::readFile(dir_.file("binary.asc"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages.errorCount(), 1);
    EXPECT_EQ(r.model.nodeCount, 0);
}

TEST_F(ModelFilesOnDisk, OtherExtensionsAreRefusedWithAnEmptyModel) {
    std::filesystem::copy_file(dir_.file("BEAM.RST"), dir_.file("model.txt"));
    std::filesystem::copy_file(dir_.file("Beam.Asc"), dir_.file("model"));
    for (const char* name : {"model.txt", "model"}) {
        orvtest::ReadOutcome r;
        r.model = FeModel(model_);  // whatever was open before is gone
        r.settings.reset();
        r.ok = orv::readModelFile(r.model, r.settings, dir_.file(name),
                                  orv::fileExtension(dir_.file(name)), r.progress, r.messages);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_EQ(r.messages.lastError(), kUnknownKind);
        EXPECT_EQ(r.model.nodeCount, 0);
        EXPECT_EQ(r.model.elementCount, 0);
        EXPECT_TRUE(r.model.values.empty());
    }
}

TEST_F(ModelFilesOnDisk, SceneOpensByTheCutPathAndTheExtension) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    orv::NullProgress progress;
    ASSERT_TRUE(scene.openFile(progress, dir_.file("BEAM."), "RST"));
    EXPECT_EQ(scene.fileName, dir_.file("BEAM."));
    EXPECT_EQ(scene.modelLoaded, 1);
    EXPECT_EQ(scene.settings.lightOn, 1);
    EXPECT_EQ(scene.model.nodeCount, 12);
    EXPECT_EQ(scene.settings.stepCount, 2);

    ASSERT_FALSE(scene.openFile(progress, dir_.file("model."), "txt"));
    EXPECT_EQ(messages.lastError(), kUnknownKind);
    EXPECT_EQ(scene.modelLoaded, 0);
    EXPECT_EQ(scene.model.nodeCount, 0);
}

TEST_F(ModelFilesOnDisk, SceneSymmetryIsUndoneByOpeningAnotherFile) {
    orvtest::RecordingMessages messages;
    orv::Scene scene(messages);
    orv::NullProgress progress;
    ASSERT_TRUE(scene.openFile(progress, dir_.file("BEAM."), "RST"));
    const std::vector<float> coords = scene.model.coords;
    scene.setSymmetry(2);
    EXPECT_EQ(scene.model.alignedAxis(), 2);
    EXPECT_NE(scene.model.coords, coords);
    scene.setSymmetry(0);
    EXPECT_EQ(scene.model.coords, coords);
    scene.setSymmetry(1);
    ASSERT_TRUE(scene.openFile(progress, dir_.file("Beam."), "Asc"));
    EXPECT_EQ(scene.settings.symmetry, 0);
    EXPECT_EQ(scene.model.alignedAxis(), 0);
}

// --- default magnification after reading ---

TEST_F(ModelFilesOnDisk, MagnificationAfterReading) {
    // Time results with displacements keep the factor the settings start with.
    const orvtest::ReadOutcome time = orvtest::readFile(dir_.file("BEAM.RST"));
    ASSERT_TRUE(time.ok);
    EXPECT_EQ(time.settings.magnification, 1.0f);

    // Modes: 0.3 x mean size / largest range. Bricks 3 x 0.75 x 2 (mean 23/12); UX ranges
    // over 0.001..0.012 at mode 1 and 0.002..0.024 at mode 2, UY and UZ over the same
    // width shifted.
    std::filesystem::copy_file(dir_.file("Beam.Asc"), dir_.file("Beam.mdf"));
    const orvtest::ReadOutcome modes = orvtest::readFile(dir_.file("Beam.mdf"));
    ASSERT_TRUE(modes.ok);
    EXPECT_NEAR(modes.settings.magnification, 0.3 * (23.0 / 12.0) / 0.023, 1e-4);

    // No displacements: 0.
    FeModel plain = orvtest::twoHexModel();
    plain.results.dofNames[0] = "TX";
    plain.results.hasDisplacements = false;
    orv::NullProgress progress;
    orvtest::RecordingMessages messages;
    ASSERT_TRUE(orv::writeTextFile(plain, dir_.file("plain.asc"), progress, messages));
    const orvtest::ReadOutcome none = orvtest::readFile(dir_.file("plain.asc"));
    ASSERT_TRUE(none.ok);
    EXPECT_EQ(none.settings.magnification, 0.0f);
}

}  // namespace
