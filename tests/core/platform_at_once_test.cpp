#include "platform/at_once.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace slotkit::platform {
namespace {

TEST(AtOnce, RunsEveryJobOnceAndGivesTheResultsInOrder) {
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{200}}) {
        std::vector<std::atomic<int>> runs(count);
        const auto results = AtOnce(count, [&](std::size_t i) {
            ++runs[i];
            return i % 3 == 2 ? std::make_error_code(std::errc::io_error) : std::error_code();
        });
        ASSERT_EQ(results.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(runs[i], 1) << i;
            EXPECT_EQ(static_cast<bool>(results[i]), i % 3 == 2) << i;
        }
        EXPECT_EQ(static_cast<bool>(FirstFailure(results)), count >= 3);
    }
}

}  // namespace
}  // namespace slotkit::platform
