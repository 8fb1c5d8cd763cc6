// Runs a fuzz target's entry point over saved inputs without libFuzzer, so that the
// regression inputs and the seed corpora run as ordinary tests with any compiler.
//
// Usage: fuzz_<reader>_inputs [--valid] PATH...
// Each PATH is a file or a directory searched recursively. After --valid, every file must
// also be accepted by at least one of the target's reads. An input that takes longer than
// the time limit counts as a hang.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr unsigned kSecondsPerInput = 20;
char currentInput[4096] = "";

void onAlarm(int) {
    const char text[] = "hang: the input takes too long: ";
    ssize_t ignored = ::write(STDERR_FILENO, text, sizeof text - 1);
    ignored = ::write(STDERR_FILENO, currentInput, std::strlen(currentInput));
    ignored = ::write(STDERR_FILENO, "\n", 1);
    (void)ignored;
    ::_exit(1);
}

struct Input {
    std::string path;
    bool mustBeValid;
};

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<Input> inputs;
    bool valid = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--valid") {
            valid = true;
            continue;
        }
        std::error_code ec;
        if (fs::is_regular_file(arg, ec)) {
            inputs.push_back({arg, valid});
        } else if (fs::is_directory(arg, ec)) {
            std::vector<std::string> found;
            for (const auto& entry : fs::recursive_directory_iterator(arg))
                if (entry.is_regular_file()) found.push_back(entry.path().string());
            std::sort(found.begin(), found.end());
            for (const std::string& f : found)
                inputs.push_back({f, valid});
        } else {
            std::fprintf(stderr, "no such file or directory: %s\n", arg.c_str());
            return 2;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs\n");
        return 2;
    }

    ::signal(SIGALRM, onAlarm);
    int refusedSeeds = 0;
    for (const Input& input : inputs) {
        std::ifstream in(input.path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        std::snprintf(currentInput, sizeof currentInput, "%s", input.path.c_str());
        std::fprintf(stderr, "%s (%zu bytes)\n", input.path.c_str(), bytes.size());
        orvfuzz::lastInputAccepted = false;
        ::alarm(kSecondsPerInput);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        ::alarm(0);
        if (input.mustBeValid && !orvfuzz::lastInputAccepted) {
            std::fprintf(stderr, "a valid seed was refused: %s\n", input.path.c_str());
            ++refusedSeeds;
        }
    }
    std::fprintf(stderr, "%zu inputs run\n", inputs.size());
    return refusedSeeds == 0 ? 0 : 1;
}
