// Whole pictures: the batch tool renders each case of images/cases.txt headless, and the
// picture is compared with its committed baseline. A case fails when more than its share
// of pixels differ by more than a small tolerance; the picture and a difference image are
// then written beside the test's scratch directory for a look.
#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "test_support.h"

#ifndef ORVANTA_BATCH
#error "ORVANTA_BATCH must name the orvanta-batch executable"
#endif

namespace {

using namespace orvtest;

struct ImageCase {
    std::string name, file, options;
    double threshold = 0.0;
};
// Names the case in test listings instead of its bytes.
void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::vector<ImageCase> loadCases() {
    std::vector<ImageCase> cases;
    std::ifstream in(ORVANTA_IMAGES_DIR "/cases.txt");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;  // the fields between " | "
        for (size_t start = 0, bar = 0; bar != std::string::npos; start = bar + 3) {
            bar = line.find(" | ", start);
            f.push_back(trim(line.substr(start, bar - start)));
        }
        if (f.size() == 4 && line[0] != '#') cases.push_back({f[0], f[1], f[2], std::stod(f[3])});
    }
    return cases;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool readPng(const std::string& path, Picture& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    p.width = int(image.width);
    p.height = int(image.height);
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr) != 0;
}

bool writePng(const std::string& path, const Picture& p) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(p.width);
    image.height = png_uint_32(p.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, p.rgb.data(), 0, nullptr) != 0;
}

class Images : public ::testing::TestWithParam<ImageCase> {};

TEST_P(Images, MatchTheirBaselines) {
    const ImageCase& c = GetParam();
    TempDir dir;
    const std::string out = dir.file(c.name + ".png");
    // Run beside the baselines, so that a case's options may name files there; a curve file
    // there is drawn as a chart.
    const std::string draw = c.file.ends_with(".cdb")
                                 ? "curve plot \"" + c.file
                                 : "render \"" ORVANTA_EXAMPLES_DIR "/" + c.file;
    const std::string command = "cd \"" ORVANTA_IMAGES_DIR
                                "\" && TZ=UTC "
                                "SOURCE_DATE_EPOCH=1800000000 \"" ORVANTA_BATCH "\" " +
                                draw + "\" -o \"" + out + "\" " + c.options + " 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    Picture got, want;
    ASSERT_TRUE(readPng(out, got)) << out;
    const std::string baseline = ORVANTA_IMAGES_DIR "/" + c.name + ".png";
    ASSERT_TRUE(readPng(baseline, want)) << "no baseline " << baseline;
    ASSERT_EQ(std::make_pair(got.width, got.height), std::make_pair(want.width, want.height));
    Picture diff{got.width, got.height, std::vector<uint8_t>(got.rgb.size(), 0)};
    size_t differing = 0;
    for (size_t i = 0; i < got.rgb.size(); i += 3) {
        int worst = 0;
        for (size_t k = 0; k < 3; ++k)
            worst = std::max(worst, std::abs(int(got.rgb[i + k]) - int(want.rgb[i + k])));
        if (worst > 24) {
            ++differing;
            diff.rgb[i] = 255;
        } else {
            diff.rgb[i + 1] = uint8_t(want.rgb[i + 1] / 4);  // the baseline, dimmed
        }
    }
    const double share = double(differing) / double(got.width * got.height);
    if (share > c.threshold) {
        const std::string keep = std::string(ORVANTA_FAILED_IMAGES_DIR) + "/" + c.name;
        std::filesystem::create_directories(ORVANTA_FAILED_IMAGES_DIR);
        std::filesystem::copy_file(out, keep + ".png",
                                   std::filesystem::copy_options::overwrite_existing);
        writePng(keep + ".diff.png", diff);
        ADD_FAILURE() << c.name << ": " << share * 100 << " % of the pixels differ (at most "
                      << c.threshold * 100 << " % allowed); see " << keep << ".png and " << keep
                      << ".diff.png";
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, Images, ::testing::ValuesIn(loadCases()),
                         [](const ::testing::TestParamInfo<ImageCase>& info) {
                             return info.param.name;
                         });

}  // namespace
