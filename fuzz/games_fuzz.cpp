// One libFuzzer target per ROM reader; SLOTKIT_FUZZ_TARGET picks the reader (see
// games_harness.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/games_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr auto target = static_cast<slotkit::fuzz::GamesTarget>(SLOTKIT_FUZZ_TARGET);
    const std::string problem = slotkit::fuzz::Run(target, data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
