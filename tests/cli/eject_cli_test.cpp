// `slotkit eject` on cards that the system really mounts (bind mounts under /media): the card
// is let go only when the system confirmed it, and every refusal leaves the card mounted and
// its files as they were.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bind_mount.h"
#include "cli_test_support.h"
#include "commands/eject_card.h"
#include "platform/drives.h"
#include "platform/eject.h"
#include "temp_card.h"

namespace slotkit::test {
namespace {

namespace fs = std::filesystem;

class EjectTest : public ::testing::Test {
  protected:
    TempCard card;
    BindMount media{"slotkit-eject"};
    Bytes slot;

    void SetUp() override {
        if (const std::string why = BindMount::CannotMount(); !why.empty()) {
            GTEST_SKIP() << why;
        }
        slot = card.WriteSlot(slots::EditMode::Nds, "MARIO.DAT", slots::kNdsLayout.newFormSize);
        if (!media.Mount(card.Dir() / "card")) {
            GTEST_SKIP() << "the system refused to bind-mount a folder at " << media.At();
        }
    }

    CliRun Eject(const std::string& root) { return RunCli({"eject", "--card", root}); }
    // The card is still mounted, and its slot still holds its bytes.
    void ExpectUntouched() {
        EXPECT_TRUE(IsMounted(media.At()));
        EXPECT_EQ(ReadFile(media.At() / "NDSSAVE" / "MARIO.DAT"), slot);
    }
};

TEST_F(EjectTest, EjectUnmountsTheCardAndSaysSoOnlyThen) {
    const auto offered = platform::RemovableDrives();
    EXPECT_NE(std::find(offered.begin(), offered.end(), media.Root()), offered.end());

    const CliRun run = Eject(media.Root());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Eject the card: The card can be taken out.\n");
    EXPECT_FALSE(IsMounted(media.At()));
    const auto after = platform::RemovableDrives();
    EXPECT_EQ(std::find(after.begin(), after.end(), media.Root()), after.end());
    // The card's files went with it, written out whole.
    EXPECT_EQ(ReadFile(card.SlotFile(slots::EditMode::Nds, "MARIO.DAT")), slot);
}

TEST_F(EjectTest, AProgramHoldingTheCardKeepsItMountedAndIsNamed) {
    const fs::path pidFile = card.PcFolder() / "holder.pid";
    ASSERT_EQ(std::system(("(cd " + Quoted(media.At()) +
                           " && exec sleep 60) >/dev/null 2>&1 & "
                           "echo $! > " +
                           Quoted(pidFile))
                              .c_str()),
              0);
    int pid = 0;
    for (int tries = 0; tries < 50 && pid == 0; ++tries) {
        std::ifstream(pidFile) >> pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_GT(pid, 0);
    // The holder is in its folder once it runs as sleep.
    for (int tries = 0; tries < 100; ++tries) {
        std::string name;
        std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), name);
        if (name == "sleep") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    const CliRun run = Eject(media.Root());
    ::kill(pid, SIGKILL);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "Alert: The card is in use: sleep (process " + std::to_string(pid) +
                           ") has files or folders of the card open. Close them, then eject the "
                           "card again. Nothing was changed; do not take the card out yet.\n");
    ExpectUntouched();
}

TEST_F(EjectTest, AFolderWithoutACardOrACardMountedTwiceIsRefused) {
    // The folder a card left behind, with the save folder of an earlier copy in it.
    const fs::path leftBehind = card.PcFolder() / "CARD";
    fs::create_directories(leftBehind / "NDSSAVE");
    CliRun run = Eject(leftBehind.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Alert: No card is mounted at " + leftBehind.string() +
                           "/: there is nothing to eject.\n");
    EXPECT_TRUE(fs::is_directory(leftBehind / "NDSSAVE"));
    // The system disk is no card: it is never unmounted.
    run = Eject("/");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Alert: No card is mounted at /: there is nothing to eject.\n");
    // A folder inside the card is not the card.
    run = Eject((media.At() / "NDSSAVE").string());
    EXPECT_EQ(run.status, 1);
    ExpectUntouched();

    BindMount again{"slotkit-eject-again"};
    ASSERT_TRUE(again.Mount(card.Dir() / "card"));
    run = Eject(media.Root());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Alert: The card is mounted at " + again.At().string() +
                           " too: unmount it there first. Nothing was changed; do not take the "
                           "card out yet.\n");
    ExpectUntouched();
    EXPECT_TRUE(IsMounted(again.At()));
}

TEST_F(EjectTest, ACardThatLeavesDuringTheEjectIsNotCalledSafe) {
    const platform::EjectResult result =
        platform::EjectCard(media.Root(), [this] { ASSERT_TRUE(media.Unmount()); });
    EXPECT_EQ(result.outcome, platform::EjectOutcome::Vanished);
    const std::string said = commands::EjectMessage(result, media.Root());
    EXPECT_TRUE(said.starts_with("The card was taken out before the system had ejected it ("))
        << said;
    EXPECT_EQ(said.find(commands::kCardCanBeTakenOut), std::string::npos);
}

TEST_F(EjectTest, AnEjectTheSystemRefusesLeavesTheCardMounted) {
    // An ordinary user may read the card but not unmount what root mounted.
    fs::permissions(card.Dir(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    const std::string command = "setpriv --reuid=nobody --regid=nogroup --clear-groups " +
                                std::string(SLOTKIT_BINARY) + " eject --card " +
                                Quoted(media.At()) + " 2>&1";
    FILE* output = ::popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    std::string said;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, output) != nullptr) {
        said += buffer;
    }
    const int status = ::pclose(output);
    EXPECT_EQ(WEXITSTATUS(status), 1) << said;
    EXPECT_TRUE(said.starts_with("Alert: The system did not eject the card (")) << said;
    EXPECT_NE(said.find("Nothing was changed; do not take the card out yet."), std::string::npos)
        << said;
    ExpectUntouched();
}

}  // namespace
}  // namespace slotkit::test
