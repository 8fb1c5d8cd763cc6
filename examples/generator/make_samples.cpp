// orvanta-samples: writes the bundled examples, or a structured block of any size.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fe_model.h"
#include "messages.h"
#include "model_files.h"
#include "sample_models.h"

namespace {

class StderrMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    }
};

// The tool's own line after a failed write: the path and the system's reason.
int cannotWrite(const std::string& path) {
    const std::string& reason = orv::lastFileError();
    std::fprintf(stderr, "orvanta-samples: could not write %s%s%s\n",
                 orv::escapedText(path).c_str(), reason.empty() ? "" : ": ", reason.c_str());
    return 1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: orvanta-samples examples DIR\n"
                 "       orvanta-samples block hex|tet|quad N OUT.rst|OUT.asc [--digits D]\n"
                 "       orvanta-samples block hex|tet|quad N OUT.vtu|OUT.frd\n"
                 "\n"
                 "--digits D writes the text file in the form other programs give it: one\n"
                 "blank between fields, LF line ends, reals with D significant digits (1..9).\n"
                 "OUT.vtu is a VTK XML grid of the last step, its arrays appended raw;\n"
                 "OUT.frd a CalculiX result file of the last step's displacements.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    StderrMessages messages;
    orv::setFatalMessages(&messages);
    if (argc == 3 && std::strcmp(argv[1], "examples") == 0) {
        std::string failed;
        if (!orv::samples::writeExamples(argv[2], messages, failed)) return cannotWrite(failed);
        std::printf("wrote %zu examples into %s\n", orv::samples::examples().size(), argv[2]);
        return 0;
    }
    if ((argc == 5 || argc == 7) && std::strcmp(argv[1], "block") == 0) {
        int digits = 0;
        if (argc == 7) {
            char* end = nullptr;
            digits = int(std::strtol(argv[6], &end, 10));
            if (std::strcmp(argv[5], "--digits") != 0 || end == argv[6] || *end != '\0' ||
                digits < 1 || digits > 9)
                return usage();
        }
        orv::samples::BlockShape shape;
        const std::string kind = argv[2];
        if (kind == "hex")
            shape = orv::samples::BlockShape::Hex;
        else if (kind == "tet")
            shape = orv::samples::BlockShape::Tet;
        else if (kind == "quad")
            shape = orv::samples::BlockShape::Quad;
        else
            return usage();
        char* end = nullptr;
        const long n = std::strtol(argv[3], &end, 10);
        if (end == argv[3] || *end != '\0' || n < 1 || n > 100000) return usage();
        const std::string out = argv[4];
        const orv::ModelFileKind fileKind = orv::modelFileKind(orv::fileExtension(out));
        const bool vtu = orv::fileExtension(out) == "vtu", frd = orv::fileExtension(out) == "frd";
        if (fileKind != orv::ModelFileKind::Binary && fileKind != orv::ModelFileKind::Text &&
            !vtu && !frd)
            return usage();
        if (digits > 0 && fileKind != orv::ModelFileKind::Text) return usage();
        orv::FeModel model;
        if (!orv::samples::buildBlock(model, shape, int32_t(n))) {
            std::fprintf(stderr, "Error: a block of %ld cells per edge is too large\n", n);
            return 1;
        }
        orv::clearFileError();
        const bool written = vtu   ? orv::samples::writeVtu(model, out, messages)
                             : frd ? orv::samples::writeFrd(model, out, messages)
                             : digits > 0
                                 ? orv::samples::writeTextWithDigits(model, out, digits, messages)
                                 : orv::samples::writeSample(model, out, messages);
        if (!written) return cannotWrite(out);
        std::printf("wrote %s: %d nodes, %d elements\n", out.c_str(), model.nodeCount,
                    model.elementCount);
        return 0;
    }
    return usage();
}
