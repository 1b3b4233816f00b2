#include <gtest/gtest.h>

#include <filesystem>

#include "platform/durable_writes.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

TEST(CopyFilesSafely, EachCopyStandsOrFailsOnItsOwnAndLeavesNoTemporaryFile) {
    TempCard scratch;
    const fs::path from = scratch.Dir() / "from";
    const fs::path to = scratch.Dir() / "to";
    fs::create_directories(from);
    fs::create_directories(to);
    const Bytes a = PatternBytes(263'168, 1), b = PatternBytes(5, 2), old = PatternBytes(7, 3);
    WriteFile(from / "A.DAT", a);
    WriteFile(from / "B.DAT", b);
    WriteFile(to / "B.DAT", old);
    fs::create_directory(to / "DIR.DAT");

    const std::vector<platform::CopyRequest> requests{
        {(from / "A.DAT").string(), (to / "A.DAT").string(), false},
        {(from / "MISSING.DAT").string(), (to / "M.DAT").string(), false},
        {(from / "A.DAT").string(), (to / "DIR.DAT").string(), false},  // a folder in the way
        {(from / "A.DAT").string(), (to / "NEW.DAT").string(), true},   // must exist: does not
        {(from / "B.DAT").string(), (to / "B.DAT").string(), true},
    };
    const std::vector<std::error_code> results = platform::CopyFilesSafely(requests);
    ASSERT_EQ(results.size(), requests.size());
    EXPECT_FALSE(results[0]);
    EXPECT_TRUE(results[1]);
    EXPECT_TRUE(results[2]);
    EXPECT_TRUE(results[3]);
    EXPECT_FALSE(results[4]);

    EXPECT_EQ(ReadFile(to / "A.DAT"), a);
    EXPECT_EQ(ReadFile(to / "B.DAT"), b);
    EXPECT_TRUE(fs::is_directory(to / "DIR.DAT"));
    EXPECT_EQ(FolderEntries(to), (std::vector<std::string>{"A.DAT", "B.DAT", "DIR.DAT"}));
    EXPECT_TRUE(platform::CopyFilesSafely({}).empty());
}

}  // namespace
}  // namespace slotkit::test
