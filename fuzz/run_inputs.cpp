// Runs a fuzz target's entry point over saved inputs without libFuzzer, so that the
// regression inputs and the seed corpora run as ordinary tests with any compiler.
//
// Usage: fuzz_<reader>_inputs [--mutations N] [--valid] PATH...
// Each PATH is a file or a directory searched recursively. After --valid, every file must
// also be accepted by at least one of the target's reads. With --mutations, every file is also
// run in N damaged versions, the same on every run: a byte replaced, inserted or removed, or
// the file cut (words that matter to both formats: digits, signs, points, blanks, line ends).
// An input that takes longer than the time limit counts as a hang.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
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

// Damaged version `n` of the bytes, drawn from a generator seeded by the size and n.
std::vector<char> mutated(std::vector<char> bytes, int n) {
    static const std::string edits[] = {
        "x", ".",    "-",  "\n",    " ",    "\t", "\r",    std::string(1, '\0'), "9",
        "e", "\n\n", " 7", " 1e39", " nan", "",   "1.5.0", "\xff\xff\xff\x7f"};
    std::mt19937_64 rng(bytes.size() * 7919 + uint64_t(n));
    if (bytes.empty()) return bytes;
    const size_t at = rng() % bytes.size();
    const std::string& edit = edits[rng() % std::size(edits)];
    if (rng() % 8 == 0) {
        bytes.resize(at);
    } else {
        bytes.erase(bytes.begin() + long(at), bytes.begin() + long(at) + (rng() % 3 == 0 ? 0 : 1));
        bytes.insert(bytes.begin() + long(at), edit.begin(), edit.end());
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<Input> inputs;
    bool valid = false;
    int mutations = 0;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg == "--valid") {
            valid = true;
            continue;
        }
        if (arg == "--mutations" && a + 1 < argc) {
            mutations = std::atoi(argv[++a]);
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
        for (int n = 0; n < mutations; ++n) {
            const std::vector<char> damaged = mutated(bytes, n);
            std::snprintf(currentInput, sizeof currentInput, "%s, damaged version %d",
                          input.path.c_str(), n);
            ::alarm(kSecondsPerInput);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(damaged.data()),
                                   damaged.size());
            ::alarm(0);
        }
    }
    std::fprintf(stderr, "%zu inputs run, each also in %d damaged versions\n", inputs.size(),
                 mutations);
    return refusedSeeds == 0 ? 0 : 1;
}
