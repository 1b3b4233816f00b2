// The container fuzz targets' seed corpora, run as an ordinary test so that every build reads
// them through the same checks.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/container_harness.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

TEST(ContainerCorpus, EverySeedReadsWithinItsFile) {
    const std::filesystem::path corpora = std::filesystem::path(SLOTKIT_DST_CORPUS).parent_path();
    for (std::size_t target = 0; target < std::size(fuzz::kTargetNames); ++target) {
        int files = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(corpora / fuzz::kTargetNames[target])) {
            const Bytes data = ReadFile(entry.path());
            EXPECT_EQ(fuzz::Run(static_cast<fuzz::Target>(target), data.data(), data.size()), "")
                << entry.path();
            ++files;
        }
        EXPECT_GE(files, 2) << fuzz::kTargetNames[target];
    }
}

}  // namespace
}  // namespace slotkit::test
