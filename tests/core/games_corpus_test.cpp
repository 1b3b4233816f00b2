// The ROM readers' fuzz seed corpora, run as an ordinary test so that every build reads them
// through the same checks.
#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz/games_harness.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

std::filesystem::path Corpora() {
    return std::filesystem::path(SLOTKIT_DST_CORPUS).parent_path();
}

TEST(GamesCorpus, EverySeedPassesItsTargetsChecks) {
    for (std::size_t target = 0; target < std::size(fuzz::kGamesTargetNames); ++target) {
        int files = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(Corpora() / fuzz::kGamesTargetNames[target])) {
            const Bytes data = ReadFile(entry.path());
            EXPECT_EQ(fuzz::Run(static_cast<fuzz::GamesTarget>(target), data.data(), data.size()),
                      "")
                << entry.path();
            ++files;
        }
        EXPECT_GE(files, 3) << fuzz::kGamesTargetNames[target];
    }
}

// The seeds lead the fuzzer past each reader's checks; these keep them doing so.
TEST(GamesCorpus, SeedsReachWhatTheyAreFor) {
    const Bytes header = ReadFile(Corpora() / "ds_header" / "banner_v3.bin");
    const games::DsHeader ds = games::ReadDsHeader(header, header.size());
    ASSERT_TRUE(ds.crcMatches);
    ASSERT_TRUE(ds.bannerOffset);
    const games::DsBanner banner =
        games::ReadDsBanner(games::ByteSpan(header).subspan(*ds.bannerOffset));
    EXPECT_EQ(banner.titles[7], (std::vector<std::string>{"Line one", "Line two", "Line three"}));

    const Bytes dsi = ReadFile(Corpora() / "ds_banner" / "dsi.bin");
    EXPECT_TRUE(games::ReadDsBanner(dsi).animatedIconPasses);
    const Bytes v2 = ReadFile(Corpora() / "ds_banner" / "v2.bin");
    EXPECT_TRUE(games::ReadDsBanner(v2).titles[6]);

    const Bytes gba = ReadFile(Corpora() / "gba_header" / "good.bin");
    EXPECT_TRUE(games::ReadGbaHeader(gba).complementOk);

    const Bytes flash = ReadFile(Corpora() / "gba_save_type" / "flash1m.bin");
    EXPECT_EQ(games::ScanGbaSaveType(games::ByteSpan(flash).subspan(1)).libraryId, "FLASH1M_V103");
}

}  // namespace
}  // namespace slotkit::test
