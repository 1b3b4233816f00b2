// The history on the PC in trouble: on a full disk, unwritable for the user, and taken away in
// the middle of a batch. The card must be as before or changed whole, the history may hold no
// partial file, and no "Success!" may follow a failure.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "rel_support.h"

namespace slotkit::reliability {
namespace {

// The scenario's arguments with the history in `history`, and `answer` ("--yes", "--no" or
// nothing) when the scenario does not answer its questions itself.
std::vector<std::string> WithHistory(const Scenario& scenario, const fs::path& root,
                                     const fs::path& history, const std::string& answer) {
    std::vector<std::string> args = scenario.args(root);
    const bool answers = std::find(args.begin(), args.end(), "--yes") != args.end();
    args.insert(args.begin(), {"--history", history.string()});
    if (!answers && !answer.empty()) {
        args.insert(args.begin(), answer);
    }
    return args;
}

// A sync record written whole: its header, then lines of four tab-separated fields.
bool IsWholeSyncRecord(const fs::path& path) {
    if (path.parent_path().filename() != "sync") {
        return false;
    }
    std::ifstream record(path);
    std::string line;
    if (!std::getline(record, line) || line.rfind("# slotkit sync record", 0) != 0) {
        return false;
    }
    while (std::getline(record, line)) {
        if (!line.empty() && line[0] != '#' && std::count(line.begin(), line.end(), '\t') != 3) {
            return false;
        }
    }
    return record.eof();
}

// Every file in the history is an index, a sync record or a whole copy that an index names,
// with the size the index gives; no temporary file is left.
::testing::AssertionResult HistoryHoldsNoPartialFile(const fs::path& history) {
    std::map<fs::path, std::uint64_t> named;
    std::vector<fs::path> copies;
    std::error_code error;
    for (fs::recursive_directory_iterator it(history, error), end; !error && it != end;
         it.increment(error)) {
        if (!it->is_regular_file()) {
            continue;
        }
        const fs::path path = it->path();
        if (path.filename() == "index.txt") {
            std::ifstream index(path);
            for (std::string line; std::getline(index, line);) {
                if (line.empty() || line[0] == '#') {
                    continue;
                }
                std::vector<std::string> fields;
                std::istringstream split(line);
                for (std::string field; std::getline(split, field, '\t');) {
                    fields.push_back(field);
                }
                if (fields.size() != 7) {
                    return ::testing::AssertionFailure() << "a damaged index line in " << path;
                }
                named[path.parent_path() / fields[6]] = std::stoull(fields[3]);
            }
        } else if (path.filename() != "filler" && path.filename() != "slotkit.lock" &&
                   path.extension() != ".intent" && !IsWholeSyncRecord(path)) {
            // The lock file of a card's in-place writes, and the records of those writes (each
            // written whole, then renamed into place; its checksum is checked when it is used).
            copies.push_back(path);
        }
    }
    for (const fs::path& copy : copies) {
        const auto found = named.find(copy);
        if (found == named.end()) {
            return ::testing::AssertionFailure() << "a file no index names: " << copy;
        }
    }
    for (const auto& [copy, size] : named) {
        if (!fs::exists(copy) || fs::file_size(copy) != size) {
            return ::testing::AssertionFailure() << "missing or partial: " << copy;
        }
    }
    return ::testing::AssertionSuccess();
}

Snapshot IntendedOf(const Scenario& scenario) {
    TempDir dir;
    scenario.setup(dir.path());
    const RunResult run = RunSlotkit(WithHistory(scenario, dir.path(), dir.path() / "h", "--yes"));
    EXPECT_EQ(run.status, 0) << Describe(run);
    fs::remove_all(dir.path() / "h");
    return TakeSnapshot(dir.path());
}

void CheckRun(const Scenario& scenario, const Snapshot& before, const Snapshot& intended,
              const fs::path& root, const fs::path& history, const RunResult& run,
              const std::string& answer) {
    const Snapshot after = TakeSnapshot(root);
    if (scenario.wholeTree) {
        EXPECT_TRUE(WholeBeforeOrIntended(before, intended, after));
    } else {
        EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
    }
    EXPECT_TRUE(NoTemporaryFiles(after));
    EXPECT_TRUE(HistoryHoldsNoPartialFile(history));
    EXPECT_FALSE(run.Crashed()) << Describe(run);
    if (run.out.find("Success!") != std::string::npos) {
        EXPECT_EQ(after, intended) << "Success! with the card not as intended";
    }
    if (answer != "--no") {
        EXPECT_TRUE(HonestOutcome(run, after == intended));
    } else if (after != intended) {
        EXPECT_EQ(run.err.find("Success!"), std::string::npos);
    }
}

class HistoryInTrouble : public ::testing::TestWithParam<Scenario> {};

TEST_P(HistoryInTrouble, FullDisk) {
    if (!IsRoot()) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    UnmountLeftovers();
    const Scenario& scenario = GetParam();
    const Snapshot intended = IntendedOf(scenario);
    for (const std::string answer : {"", "--no", "--yes"}) {
        // Nothing free, room for a copy but not its index, room for a few copies.
        for (std::size_t spare :
             {std::size_t{0}, std::size_t{263168 + 2048}, std::size_t{700000}}) {
            SCOPED_TRACE(scenario.name + " " + answer + " with " + std::to_string(spare) +
                         " bytes free");
            TempDir dir;
            scenario.setup(dir.path());
            const fs::path history = dir.path() / "history";
            TmpfsMount disk(history, 2 << 20);
            ASSERT_TRUE(disk.ok()) << "mount -t tmpfs failed";
            {
                const int fd = ::open((history / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
                const Bytes block(4096, 0x5a);
                while (::write(fd, block.data(), block.size()) > 0) {
                }
                ::close(fd);
                const auto size = fs::file_size(history / "filler");
                fs::resize_file(history / "filler", size > spare ? size - spare : 0);
            }
            Snapshot before = TakeSnapshot(dir.path());
            std::erase_if(before, [](const auto& e) { return e.first.rfind("history", 0) == 0; });
            const RunResult run = RunSlotkit(WithHistory(scenario, dir.path(), history, answer));
            // The history is checked on its own; the card side against the intended result.
            const fs::path card = dir.path();
            Snapshot after = TakeSnapshot(card);
            std::erase_if(after, [](const auto& e) { return e.first.rfind("history", 0) == 0; });
            if (scenario.wholeTree) {
                EXPECT_TRUE(WholeBeforeOrIntended(before, intended, after));
            } else {
                EXPECT_TRUE(EachEntryBeforeOrIntended(before, intended, after));
            }
            EXPECT_TRUE(NoTemporaryFiles(TakeSnapshot(card)));
            EXPECT_TRUE(HistoryHoldsNoPartialFile(history));
            if (run.out.find("Success!") != std::string::npos) {
                EXPECT_EQ(after, intended) << "Success! with the card not as intended";
            }
            if (answer != "--no") {
                EXPECT_TRUE(HonestOutcome(run, after == intended));
            }
        }
    }
}

TEST_P(HistoryInTrouble, UnwritableForAnUnprivilegedUser) {
    if (!IsRoot() || !HaveProgram("setpriv")) {
        GTEST_SKIP() << "needs root and setpriv to run slotkit as nobody";
    }
    const Scenario& scenario = GetParam();
    const Snapshot intended = IntendedOf(scenario);
    for (const std::string answer : {"", "--no", "--yes"}) {
        SCOPED_TRACE(scenario.name + " " + answer);
        TempDir dir;
        fs::permissions(dir.path(), fs::perms::all);
        scenario.setup(dir.path());
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            fs::permissions(entry.path(), entry.is_directory() ? fs::perms::all : fs::perms(0666));
        }
        TempDir historyDir;
        fs::permissions(historyDir.path(), fs::perms(0755));  // root's, closed to nobody
        const fs::path history = historyDir.path() / "history";
        const Snapshot before = TakeSnapshot(dir.path());
        RunOptions options;
        options.prefix = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
        const RunResult run =
            RunSlotkit(WithHistory(scenario, dir.path(), history, answer), options);
        CheckRun(scenario, before, intended, dir.path(), historyDir.path(), run, answer);
        EXPECT_FALSE(fs::exists(history));
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, HistoryInTrouble, ::testing::ValuesIn(WritingScenarios()),
                         [](const auto& info) { return info.param.name; });

// The history folder is moved away while a restore batch keeps its versions, when the second
// slot's index is opened after the first slot's copy was written: nothing of the batch may be left
// in it, and the card is changed only when the user says so.
TEST(HistoryVanishes, MidBatch) {
    const Scenario batch = [] {
        for (const Scenario& s : WritingScenarios()) {
            if (s.name == "restore_batch") {
                return s;
            }
        }
        return Scenario{};
    }();
    ASSERT_FALSE(batch.name.empty());
    const Snapshot intended = IntendedOf(batch);
    for (const std::string answer : {"", "--no", "--yes"}) {
        SCOPED_TRACE(answer);
        TempDir dir;
        batch.setup(dir.path());
        TempDir historyDir;
        const fs::path history = historyDir.path() / "history";
        const fs::path away = historyDir.path() / "gone";
        const Snapshot before = TakeSnapshot(dir.path());
        RunOptions options;
        options.env = {std::string("LD_PRELOAD=") + SLOTKIT_VANISH_SHIM,
                       // Read once to compare, then again while the versions are written.
                       "SLOTKIT_VANISH_MATCH=B.DAT/index.txt", "SLOTKIT_VANISH_NTH=2",
                       "SLOTKIT_VANISH_MOVE_FROM=" + history.string(),
                       "SLOTKIT_VANISH_MOVE_TO=" + away.string(),
                       "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
        const RunResult run = RunSlotkit(WithHistory(batch, dir.path(), history, answer), options);
        ASSERT_TRUE(fs::exists(away)) << "the history did not vanish: " << Describe(run);
        CheckRun(batch, before, intended, dir.path(), historyDir.path(), run, answer);
        const Snapshot after = TakeSnapshot(dir.path());
        EXPECT_EQ(after == intended, answer == "--yes") << Describe(run);
    }
}

}  // namespace
}  // namespace slotkit::reliability
