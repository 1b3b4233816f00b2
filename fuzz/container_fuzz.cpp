// One libFuzzer target per container reader; SLOTKIT_FUZZ_TARGET picks the reader (see
// container_harness.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/container_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr auto target = static_cast<slotkit::fuzz::Target>(SLOTKIT_FUZZ_TARGET);
    const std::string problem = slotkit::fuzz::Run(target, data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
