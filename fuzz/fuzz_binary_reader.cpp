// Fuzz target for the binary result file reader: every input is read as a .rst file; an
// accepted model is listed, queried, and written in both formats and read back.
#include <cstddef>
#include <cstdint>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::runInput(data, size, {orvfuzz::Format::Binary});
    return 0;
}
