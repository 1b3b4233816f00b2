// Feeds the .DST decoder: each input is the coded data of a file (its marker byte first),
// placed behind the 516 header bytes the decoder skips. The decoder must agree with the
// byte-by-byte reference decoder and never write past its buffer (AddressSanitizer watches).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "formats/dst_decoder.h"
#include "fuzz/dst_reference_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> file(slotkit::formats::kDstMarkerOffset, 0);
    file.insert(file.end(), data, data + size);
    const slotkit::formats::DecodedDst decoded = slotkit::formats::DecodeDst(file);
    const std::string mismatch = slotkit::reference::Mismatch(file, decoded);
    if (!mismatch.empty()) {
        std::fprintf(stderr, "decoder disagrees with the reference: %s\n", mismatch.c_str());
        std::abort();
    }
    return 0;
}
