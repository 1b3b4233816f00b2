// Every writing command with one I/O call failing: each fault point on its first, second, ...
// call until the command no longer reaches it, and each point failing on every call.
#include <algorithm>
#include <fstream>

#include "rel_support.h"

namespace slotkit::reliability {
namespace {

const std::string kFiuDir = "/usr/lib/fiu";

// The calls slotkit makes to change files, and the error each one gives.
struct FaultPoint {
    const char* name;
    int error;
};
constexpr FaultPoint kPoints[] = {
    {"posix/io/oc/open", EIO},     {"posix/io/oc/close", EIO},    {"posix/io/rw/read", EIO},
    {"posix/io/rw/pread", EIO},    {"posix/io/rw/write", ENOSPC}, {"posix/io/sync/fsync", EIO},
    {"posix/io/dir/rename", EIO},  {"posix/io/dir/unlink", EIO},  {"posix/io/rw/ftruncate", EIO},
    {"posix/io/dir/opendir", EIO}, {"extra/renameat2", EIO},      {"extra/mkstemps", ENOSPC},
};
constexpr long kMaxNth = 80;

bool FiuAvailable(std::string& why) {
#ifdef SLOTKIT_SANITIZED
    why =
        "libfiu's preloaded wrappers crash a sanitizer build; these cases run in the release build";
    return false;
#endif
    if (!HaveProgram("fiu-run")) {
        why = "fiu-run is not installed (package fiu-utils)";
    } else if (FindLibrary({kFiuDir + "/fiu_posix_preload.so"}).empty()) {
        why = "libfiu's preload libraries are missing (package fiu-utils)";
    } else if (std::string(SLOTKIT_FAULT_SHIM).empty()) {
        why = "the fault shim was not built (libfiu-dev missing at configure time)";
    }
    return why.empty();
}

std::vector<std::string> SanitizerEnv() {
    // libfiu's wrappers come before the sanitizer runtime in the preload list.
    return {"ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
}

// slotkit run with the fault shim failing `point` on its `nth` call (0: never), the number of
// calls it saw written to `countFile`.
RunOptions FailingOnNth(const FaultPoint& point, long nth, const std::string& countFile) {
    RunOptions options;
    options.env = SanitizerEnv();
    options.env.push_back("LD_PRELOAD=" + kFiuDir + "/fiu_run_preload.so " + kFiuDir +
                          "/fiu_posix_preload.so " + SLOTKIT_FAULT_SHIM);
    options.env.push_back("FIU_ENABLE=");
    options.env.push_back("FIU_CTRL_FIFO=");
    options.env.push_back(std::string("SLOTKIT_FAULT=") + point.name);
    options.env.push_back("SLOTKIT_FAULT_NTH=" + std::to_string(nth));
    options.env.push_back("SLOTKIT_FAULT_ERRNO=" + std::to_string(point.error));
    options.env.push_back("SLOTKIT_FAULT_COUNT=" + countFile);
    return options;
}

struct Counts {
    int runs = 0;
    int injected = 0;
    int failuresReported = 0;
};

class FaultInjection : public ::testing::TestWithParam<Scenario> {
  protected:
    void SetUp() override {
        std::string why;
        if (!FiuAvailable(why)) {
            GTEST_SKIP() << why;
        }
        UnmountLeftovers();
    }

    // Runs the scenario in a fresh tree and returns its snapshot before and after.
    std::pair<Snapshot, Snapshot> RunOnce(const RunOptions& options, RunResult& run) const {
        TempDir dir;
        GetParam().setup(dir.path());
        Snapshot before = TakeSnapshot(dir.path());
        run = RunSlotkit(GetParam().args(dir.path()), options);
        return {std::move(before), TakeSnapshot(dir.path())};
    }

    void Check(const Snapshot& before, const Snapshot& intended, const Snapshot& after,
               const RunResult& run, const std::string& what, bool canPrint = true) const {
        SCOPED_TRACE(GetParam().name + " with " + what);
        if (GetParam().wholeTree) {
            EXPECT_TRUE(WholeBeforeOrIntended(before, intended, after));
        } else {
            EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
        }
        EXPECT_TRUE(NoTemporaryFiles(after));
        EXPECT_TRUE(HonestOutcome(run, after == intended, canPrint));
    }
};

TEST_P(FaultInjection, OneCallFailsAtEachStep) {
    RunResult clean;
    const auto [before, intended] = RunOnce({}, clean);
    ASSERT_EQ(clean.status, 0) << Describe(clean);
    ASSERT_NE(before, intended) << "the scenario changes nothing";

    TempDir counter;
    const std::string countFile = (counter.path() / "count").string();
    Counts counts;
    for (const FaultPoint& point : kPoints) {
        for (long nth = 1; nth <= kMaxNth; ++nth) {
            const RunOptions options = FailingOnNth(point, nth, countFile);
            std::filesystem::remove(countFile);
            RunResult run;
            const auto [b, after] = RunOnce(options, run);
            long calls = 0;
            std::ifstream(countFile) >> calls;
            ++counts.runs;
            Check(before, intended, after, run,
                  std::string(point.name) + " failing on call " + std::to_string(nth));
            if (calls < nth) {
                break;  // the command ends before this call: every step has been tried
            }
            ++counts.injected;
            counts.failuresReported += run.status == 1 ? 1 : 0;
        }
    }
    std::cout << "[ counts ] " << GetParam().name << ": " << counts.runs << " runs, "
              << counts.injected << " with a failed call, " << counts.failuresReported
              << " reported failure\n";
    RecordProperty("runs", counts.runs);
    RecordProperty("injected", counts.injected);
}

// The same points through fiu-run itself, failing on every call; and short reads and writes,
// which the command must finish all the same.
TEST_P(FaultInjection, EveryCallFailsOrComesShort) {
    RunResult clean;
    const auto [before, intended] = RunOnce({}, clean);
    ASSERT_EQ(clean.status, 0) << Describe(clean);
    for (const FaultPoint& point : kPoints) {
        if (std::string(point.name).rfind("extra/", 0) == 0) {
            continue;  // not a fiu-run point
        }
        RunOptions options;
        options.env = SanitizerEnv();
        options.prefix = {
            "fiu-run",
            "-x",
            "-f",
            "",
            "-c",
            std::string("enable name=") + point.name + ",failinfo=" + std::to_string(point.error)};
        RunResult run;
        const auto [b, after] = RunOnce(options, run);
        // With every write failing, not even the failure text can be printed.
        Check(before, intended, after, run, std::string(point.name) + " failing every time",
              point.error != ENOSPC);
    }
    for (const char* reduce :
         {"posix/io/rw/read/reduce", "posix/io/rw/pread/reduce", "posix/io/rw/write/reduce"}) {
        RunOptions options;
        options.env = SanitizerEnv();
        options.prefix = {"fiu-run", "-x", "-f", "", "-c", std::string("enable name=") + reduce};
        RunResult run;
        const auto [b, after] = RunOnce(options, run);
        SCOPED_TRACE(GetParam().name + " with " + reduce);
        EXPECT_EQ(after, intended) << "short transfers must be completed";
        EXPECT_EQ(run.status, 0) << Describe(run);
        EXPECT_TRUE(NoTemporaryFiles(after));
    }
}

// The flushes after a rename or a removal on the card: the change is made, but a card that does
// not confirm it may not hold it. The command says so and never says "Success!".
TEST(FlushAfterTheChange, FailingIsReported) {
    std::string why;
    if (!FiuAvailable(why)) {
        GTEST_SKIP() << why;
    }
    // The scenario, and how many of its last flushes come after its change on the card: the
    // renamed file's and its folder's, or the folder's after a removal.
    const std::vector<std::pair<std::string, long>> cases = {
        {"rename", 2}, {"convert", 2}, {"delete", 1}};
    TempDir counter;
    const std::string countFile = (counter.path() / "count").string();
    for (const Scenario& scenario : WritingScenarios()) {
        const auto found = std::find_if(cases.begin(), cases.end(),
                                        [&](const auto& c) { return c.first == scenario.name; });
        if (found == cases.end()) {
            continue;
        }
        const auto run = [&](long nth) {
            const RunOptions options = FailingOnNth({"posix/io/sync/fsync", EIO}, nth, countFile);
            std::filesystem::remove(countFile);
            TempDir dir;
            scenario.setup(dir.path());
            return RunSlotkit(scenario.args(dir.path()), options);
        };
        const RunResult clean = run(0);
        ASSERT_EQ(clean.status, 0) << scenario.name << ": " << Describe(clean);
        long calls = 0;
        std::ifstream(countFile) >> calls;
        ASSERT_GE(calls, found->second) << scenario.name;
        for (long nth = calls - found->second + 1; nth <= calls; ++nth) {
            SCOPED_TRACE(scenario.name + ", flush " + std::to_string(nth) + " of " +
                         std::to_string(calls));
            const RunResult failed = run(nth);
            EXPECT_EQ(failed.status, 1) << Describe(failed);
            EXPECT_EQ(failed.out.find("Success!"), std::string::npos) << Describe(failed);
            EXPECT_NE(failed.err.find("did not confirm"), std::string::npos) << Describe(failed);
        }
    }
}

// The flush of the history's folder after a kept version is put in place: a version the device
// did not confirm is not reported as kept. The sync fails the pair whose slot it would change,
// says why, and never says "Success!".
TEST(FlushAfterKeeping, FailingIsReported) {
    std::string why;
    if (!FiuAvailable(why)) {
        GTEST_SKIP() << why;
    }
    const std::vector<Scenario> scenarios = WritingScenarios();
    const auto scenario = std::find_if(scenarios.begin(), scenarios.end(), [](const Scenario& s) {
        return s.name == "sync_prefer_folder";
    });
    ASSERT_NE(scenario, scenarios.end());
    TempDir counter;
    const std::string countFile = (counter.path() / "count").string();
    const auto run = [&](long nth) {
        // A history of its own for every run, so that each run keeps its version anew.
        TempDir home;
        RunOptions options = FailingOnNth({"posix/io/sync/fsync", EIO}, nth, countFile);
        options.env.push_back("XDG_DATA_HOME=" + home.path().string());
        std::filesystem::remove(countFile);
        TempDir dir;
        scenario->setup(dir.path());
        return RunSlotkit(scenario->args(dir.path()), options);
    };
    const RunResult clean = run(0);
    ASSERT_EQ(clean.status, 0) << Describe(clean);
    long calls = 0;
    std::ifstream(countFile) >> calls;
    int unconfirmedKeeps = 0;
    for (long nth = 1; nth <= calls; ++nth) {
        SCOPED_TRACE("flush " + std::to_string(nth) + " of " + std::to_string(calls));
        const RunResult failed = run(nth);
        const std::string said = failed.out + failed.err;
        if (said.find("could not be kept in the history") == std::string::npos ||
            said.find("did not confirm") == std::string::npos) {
            continue;
        }
        ++unconfirmedKeeps;
        EXPECT_EQ(failed.status, 1) << Describe(failed);
        EXPECT_EQ(failed.out.find("Success!"), std::string::npos) << Describe(failed);
    }
    EXPECT_GE(unconfirmedKeeps, 1) << "no failed flush of the history's folder was reported";
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultInjection, ::testing::ValuesIn(WritingScenarios()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace slotkit::reliability
