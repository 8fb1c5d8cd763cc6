// orvanta-io-bench: times the result-file readers and writers and the surface search
// inside one process, so that process start-up and the reading of an input do not blur
// the figure of the step measured. Each command prints one line of key=value pairs.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fe_model.h"
#include "file_input.h"
#include "messages.h"
#include "model_files.h"
#include "progress.h"

namespace {

class StderrMessages final : public orv::Messages {
  public:
    void show(const orv::MessageBox& box) override {
        std::fprintf(stderr, "%s: %s\n", box.title.c_str(), box.text.c_str());
    }
};

double cpuNow() {
    timespec t;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

long maxRssKb() {
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double fileMb(const std::string& path) {
    orv::FileInput in;
    return in.open(path) ? double(in.size()) / 1e6 : 0.0;
}

bool readModel(orv::FeModel& model, const std::string& path) {
    orv::NullProgress progress;
    StderrMessages messages;
    return orv::readModelFile(model, path, orv::fileExtension(path), progress, messages);
}

int read(const std::string& path) {
    orv::FeModel model;
    const double start = now();
    if (!readModel(model, path)) return 1;
    const double seconds = now() - start;
    std::printf("seconds=%.4f mb_per_s=%.1f max_rss_mb=%.1f file_mb=%.1f nodes=%d elements=%d\n",
                seconds, fileMb(path) / seconds, double(maxRssKb()) * 1024.0 / 1e6, fileMb(path),
                model.nodeCount, model.elementCount);
    return 0;
}

// The search as the text reader runs it, on the model read with its flags cleared; wall and
// processor time (both threads).
int surface(const std::string& path) {
    orv::FeModel model;
    if (!readModel(model, path)) return 1;
    std::fill(model.faceFlags.begin(), model.faceFlags.end(), uint8_t(0));
    int64_t before = 0;
    for (orv::ElementRecord& r : model.elements) {
        before += r.exteriorFaceCount;
        r.exteriorFaceCount = 0;
    }
    model.nodeElementStart.clear();
    model.nodeElementList.clear();
    orv::NullProgress progress;
    const double start = now(), cpuStart = cpuNow();
    model.findSurfaceFaces(progress);
    const double done = now(), cpu = cpuNow() - cpuStart;
    int64_t after = 0;
    for (const orv::ElementRecord& r : model.elements)
        after += r.exteriorFaceCount;
    std::printf("seconds=%.4f cpu_s=%.4f exterior_faces=%lld\n", done - start, cpu,
                static_cast<long long>(after));
    if (before != 0 && before != after) {
        std::fprintf(stderr, "Error: the search found %lld exterior faces, the file holds %lld\n",
                     static_cast<long long>(after), static_cast<long long>(before));
        return 1;
    }
    return 0;
}

int write(const std::string& in, const std::string& out) {
    orv::FeModel model;
    if (!readModel(model, in)) return 1;
    orv::NullProgress progress;
    StderrMessages messages;
    const double start = now();
    if (!orv::writeModelFile(model, out, orv::fileExtension(out), progress, messages)) return 1;
    const double seconds = now() - start;
    std::printf("seconds=%.4f mb_per_s=%.1f file_mb=%.1f\n", seconds, fileMb(out) / seconds,
                fileMb(out));
    return 0;
}

// Where a text read spends its time: splitting the file into words alone, then splitting
// and converting every word to a number as the reader does.
class WordReader : public orv::TextInput {};

int words(const std::string& path, bool convert) {
    WordReader in;
    if (!in.open(path)) return 1;
    const double start = now();
    std::string title;
    bool tooLong = false;
    in.readLine(title, 1 << 20, tooLong);
    std::string_view w;
    long long count = 0, bad = 0;
    while (in.next(w) == orv::TextInput::Token::Ok) {
        ++count;
        if (!convert) continue;
        const bool integer = w.find_first_of(".eE") == std::string_view::npos;
        if (integer) {
            int64_t v;
            bad += orv::parseInteger(w, v) != orv::NumberStatus::Ok;
        } else {
            float f;
            bad += orv::parseReal(w, f) != orv::NumberStatus::Ok;
        }
    }
    const double seconds = now() - start;
    std::printf("seconds=%.4f words=%lld mb_per_s=%.1f not_numbers=%lld\n", seconds, count,
                fileMb(path) / seconds, bad);
    return 0;
}

// The least a reader that builds its model in fresh memory pays: allocating and zeroing
// that many megabytes, every page faulted in by the kernel.
int touch(const std::string& megabytes) {
    const size_t bytes = size_t(std::strtod(megabytes.c_str(), nullptr) * 1e6);
    const double start = now();
    std::vector<char> block(bytes);
    const double seconds = now() - start;
    std::printf("seconds=%.4f mb_per_s=%.1f touched_mb=%.1f\n", seconds,
                double(bytes) / 1e6 / seconds, double(block.size()) / 1e6);
    return 0;
}

int usage() {
    std::fprintf(
        stderr,
        "usage: orvanta-io-bench read FILE          time reading a .rst, .asc or .mdf\n"
        "       orvanta-io-bench surface FILE       time the surface search alone\n"
        "       orvanta-io-bench write IN OUT       time writing OUT (.rst or .asc)\n"
        "       orvanta-io-bench words FILE         time splitting a text file\n"
        "       orvanta-io-bench numbers FILE       time splitting and converting\n"
        "       orvanta-io-bench touch MB           time faulting in MB of fresh memory\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "read") == 0) return read(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "surface") == 0) return surface(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "write") == 0) return write(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "words") == 0) return words(argv[2], false);
    if (argc == 3 && std::strcmp(argv[1], "numbers") == 0) return words(argv[2], true);
    if (argc == 3 && std::strcmp(argv[1], "touch") == 0) return touch(argv[2]);
    return usage();
}
