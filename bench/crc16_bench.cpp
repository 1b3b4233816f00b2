// The CRC of a banner's titles and icon (0x820 bytes), as every DS ROM of a listing needs it:
// folded with the carry-less multiply where the processor has one, and through the tables.
#include <benchmark/benchmark.h>

#include <vector>

#include "games/crc16.h"

namespace {

std::vector<std::uint8_t> BannerPart() {
    std::vector<std::uint8_t> bytes(0x820);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    return bytes;
}

void BM_Crc16(benchmark::State& state, std::uint16_t (*crc)(slotkit::games::ByteSpan)) {
    const auto bytes = BannerPart();
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc(bytes));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK_CAPTURE(BM_Crc16, Folded, slotkit::games::Crc16);
BENCHMARK_CAPTURE(BM_Crc16, ByTables, slotkit::games::Crc16ByTables);

}  // namespace
