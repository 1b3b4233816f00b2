// `slotkit rename ROW NAME` takes exactly its two words.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/slotkit_cli.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

int SlotkitStatus(const std::vector<std::string>& args) {
    std::istringstream in;
    std::ostringstream out, err;
    return cli::RunSlotkit(args, cli::Terminal{in, out, err, false});
}

TEST(CliRenameArguments, RowAndNameAreOneWordEach) {
    TempCard card;
    card.WriteSlot(slots::EditMode::Nds, "OLD.DAT", slots::kNdsLayout.newFormSize);
    EXPECT_EQ(SlotkitStatus({"-c", card.Root(), "rename", "0"}), cli::kExitUsage);
    EXPECT_EQ(SlotkitStatus({"-c", card.Root(), "rename", "0", "A", "B"}), cli::kExitUsage);
    EXPECT_NE(SlotkitStatus({"-c", card.Root(), "rename", "0", "NEW"}), cli::kExitUsage);
}

}  // namespace
}  // namespace slotkit::test
