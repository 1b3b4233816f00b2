// The fuzz target's seed corpus, run as an ordinary test so that every build decodes it.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/dst_decoder.h"
#include "fuzz/dst_reference_decoder.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

TEST(DstCorpus, EveryFileDecodesWithinTheBufferAsTheReferenceDoes) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SLOTKIT_DST_CORPUS)) {
        // Corpus files hold the coded data; the file the decoder sees has the header first.
        Bytes file(formats::kDstMarkerOffset, 0);
        const Bytes coded = ReadFile(entry.path());
        file.insert(file.end(), coded.begin(), coded.end());
        const formats::DecodedDst decoded = formats::DecodeDst(file);
        EXPECT_LE(decoded.length, formats::kDstCapacity) << entry.path();
        EXPECT_EQ(reference::Mismatch(file, decoded), "") << entry.path();
        ++files;
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace slotkit::test
