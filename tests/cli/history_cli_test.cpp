// `slotkit history` and `slotkit revert`, and the global --history option.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/ops_fixture.h"
#include "cli_test_support.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kNew = 263'168;

class HistoryCliTest : public OpsTest {
  protected:
    std::ostringstream out, err;

    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--card", card.Root(), "--history", HistoryFolder()});
        const CliRun run = RunCli(args);
        out.str(run.out);
        err.str(run.err);
        return run.status;
    }

    // The lines printed, each split at its tabs.
    std::vector<std::vector<std::string>> Lines() const {
        std::vector<std::vector<std::string>> lines;
        std::istringstream text(out.str());
        for (std::string line; std::getline(text, line);) {
            std::vector<std::string> fields;
            std::istringstream split(line);
            for (std::string field; std::getline(split, field, '\t');) {
                fields.push_back(field);
            }
            lines.push_back(fields);
        }
        return lines;
    }
};

TEST_F(HistoryCliTest, HistoryListsAndRevertPutsBack) {
    const Bytes a = card.WriteSlot(mode, "A.DAT", kNew, "MARIO   NDS");
    const Bytes b = card.WriteSlot(mode, "B.DAT", kNew, "ZELDA   NDS");
    WriteFile(Pc("A.DAT"), PatternBytes(kNew, 42));
    ASSERT_EQ(Run({"restore", "A.DAT", Pc("A.DAT").string()}), 0);
    ASSERT_EQ(Run({"--yes", "delete", "B.DAT"}), 0);

    ASSERT_EQ(Run({"history", "A.DAT"}), 0);
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].size(), 5u);
    EXPECT_EQ(lines[0][0], "1");
    EXPECT_EQ(lines[0][1].size(), 19u) << lines[0][1];  // "2026-12-08 08:04:18"
    EXPECT_EQ(lines[0][2], "restore");
    EXPECT_EQ(lines[0][3], std::to_string(kNew));
    EXPECT_EQ(lines[0][4], "MARIO   NDS");

    // The whole card: the slot's name first, deleted slots included.
    ASSERT_EQ(Run({"history"}), 0);
    lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0], "A.DAT");
    EXPECT_EQ(lines[1][0], "B.DAT");
    EXPECT_EQ(lines[1][3], "delete");

    // Without --yes and without a terminal, the revert question stops it.
    EXPECT_EQ(Run({"revert", "B.DAT"}), 2);
    EXPECT_FALSE(fs::exists(Slot("B.DAT")));
    EXPECT_EQ(Run({"--yes", "revert", "B.DAT"}), 0);
    EXPECT_EQ(ReadFile(Slot("B.DAT")), b);
    EXPECT_EQ(Run({"--yes", "revert", "A.DAT", "1"}), 0);
    EXPECT_EQ(ReadFile(Slot("A.DAT")), a);
    ASSERT_EQ(Run({"history", "A.DAT"}), 0);
    EXPECT_EQ(Lines().size(), 2u);

    EXPECT_EQ(Run({"--yes", "revert", "A.DAT", "7"}), 1);
    EXPECT_NE(err.str().find("There is no version 7 of A.DAT"), std::string::npos);
    EXPECT_EQ(Run({"--yes", "revert", "A.DAT", "x"}), 2);
    EXPECT_EQ(Run({"--yes", "revert", "NEVER.DAT"}), 1);
    EXPECT_EQ(Run({"history", "NEVER.DAT"}), 0);
    EXPECT_EQ(out.str(), "");
}

TEST_F(HistoryCliTest, WithoutHistoryOptionTheUsersDataFolderIsUsed) {
    card.WriteSlot(mode, "A.DAT", kNew);
    std::istringstream in;
    ASSERT_EQ(cli::RunSlotkit({"--card", card.Root(), "--yes", "delete", "A.DAT"},
                              cli::Terminal{in, out, err, false}),
              0);
    // The test programs point the user's data folder at a temporary one.
    EXPECT_TRUE(fs::is_directory(testDataHome.Folder() / "slotkit" / "history"));
    EXPECT_FALSE(fs::exists(HistoryFolder()));
}

}  // namespace
}  // namespace slotkit::test
