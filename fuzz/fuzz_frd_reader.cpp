// Fuzz target for the CalculiX result file importer: every input is read as a .frd file; an
// accepted model is checked for soundness, listed, queried, and written in both formats and read
// back.
#include <cstddef>
#include <cstdint>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::runInput(data, size, {orvfuzz::Format::Frd});
    return 0;
}
