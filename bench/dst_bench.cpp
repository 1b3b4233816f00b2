// The speed of the .DST decoder next to a plain memcpy of the same number of bytes, for data
// that is mostly literals, mostly runs, and a mix of both. Each fills the decoder's whole
// buffer, 65 bytes short of 1 MiB.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "formats/dst_decoder.h"

namespace {

using slotkit::formats::DecodeDst;
using slotkit::formats::kDstMarkerOffset;

constexpr std::size_t kOutputSize = slotkit::formats::kDstCapacity;
constexpr std::uint8_t kMarker = 0xEE;

// Builds a .DST file item by item; `decoded` counts the bytes it decodes to.
struct Coder {
    std::vector<std::uint8_t> file = std::vector<std::uint8_t>(kDstMarkerOffset + 1, 0);
    std::size_t decoded = 0;

    Coder() { file[kDstMarkerOffset] = kMarker; }
    void Literal(std::uint8_t b) {
        file.push_back(b);
        ++decoded;
    }
    void Run(std::size_t count, std::uint8_t value) {
        file.insert(file.end(), {kMarker, static_cast<std::uint8_t>(count - 1), value});
        decoded += count;
    }
};

// Save data as a game writes it: mostly varied bytes with a zero now and then.
void Literals(Coder& coder, std::mt19937& random, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t b = static_cast<std::uint8_t>(random());
        if (b == kMarker) {
            ++b;
        }
        if (b == 0 && (i + 1 == count || coder.file.back() == 0)) {
            b = 1;  // two zeros in a row are coded as a run
        }
        coder.Literal(b);
    }
}

void Runs(Coder& coder, std::mt19937& random, std::size_t count) {
    for (std::size_t done = 0; done < count;) {
        const std::size_t length = std::min<std::size_t>(count - done, 1 + random() % 256);
        coder.Run(length, static_cast<std::uint8_t>(random() % 2 ? 0xFF : 0x00));
        done += length;
    }
}

std::vector<std::uint8_t> LiteralHeavy() {
    Coder coder;
    std::mt19937 random(1);
    Literals(coder, random, kOutputSize);
    return coder.file;
}

std::vector<std::uint8_t> RunHeavy() {
    Coder coder;
    std::mt19937 random(2);
    Runs(coder, random, kOutputSize);
    return coder.file;
}

// Stretches of literals between stretches of runs, as a save with empty areas looks.
std::vector<std::uint8_t> Mixed() {
    Coder coder;
    std::mt19937 random(3);
    while (coder.decoded < kOutputSize) {
        const std::size_t left = kOutputSize - coder.decoded;
        Literals(coder, random, std::min<std::size_t>(left, 64 + random() % 4096));
        Runs(coder, random, std::min<std::size_t>(kOutputSize - coder.decoded, random() % 2048));
    }
    return coder.file;
}

void Decode(benchmark::State& state, const std::vector<std::uint8_t>& file) {
    std::size_t length = 0;
    for (auto _ : state) {
        const slotkit::formats::DecodedDst result = DecodeDst(file);
        benchmark::DoNotOptimize(result.buffer.get());
        length = result.length;
    }
    if (length != kOutputSize) {
        state.SkipWithError("the coded data does not fill the buffer");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kOutputSize));
}

void BM_DecodeLiteralHeavy(benchmark::State& state) {
    Decode(state, LiteralHeavy());
}
void BM_DecodeRunHeavy(benchmark::State& state) {
    Decode(state, RunHeavy());
}
void BM_DecodeMixed(benchmark::State& state) {
    Decode(state, Mixed());
}

// The yardstick: copying as many bytes into a buffer allocated the way the decoder allocates its
// own.
void BM_Memcpy(benchmark::State& state) {
    const std::vector<std::uint8_t> source(kOutputSize, 0x5A);
    for (auto _ : state) {
        auto buffer =
            std::make_unique_for_overwrite<std::uint8_t[]>(slotkit::formats::kDstCapacity);
        std::memcpy(buffer.get(), source.data(), kOutputSize);
        benchmark::DoNotOptimize(buffer.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kOutputSize));
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_DecodeLiteralHeavy);
BENCHMARK(BM_DecodeRunHeavy);
BENCHMARK(BM_DecodeMixed);

}  // namespace
