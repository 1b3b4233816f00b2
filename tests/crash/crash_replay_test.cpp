// The crash replay: every command that writes the card runs in a guest on Linux's own vfat
// driver, each card behind QEMU's write log; every prefix of that log, and subsets of the
// writes between two flushes, are replayed onto the card as it was and checked. A state in which
// a slot holds neither its old nor its new bytes, another file changed, or fsck finds damage
// beyond what a crash may leave, is broken. The test fails on any broken state in order; the
// reordered figures are printed. Without QEMU or the guest's kernel it fails and says why.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <thread>

#include "card_check.h"
#include "crash_states.h"
#include "guest.h"
#include "guest_test.h"
#include "run_tool.h"
#include "scenarios.h"

namespace slotkit::crash {
namespace {

namespace fs = std::filesystem;

struct Tally {
    std::size_t states = 0, old = 0, fresh = 0, absent = 0, brokenSlots = 0;
    std::size_t broken = 0, fsckDirty = 0;
    std::size_t finished = 0;  // unfinished states that slotkit, run again, brought to old or new
    std::vector<std::string> examples;  // the first broken states, with why

    void Add(const StateVerdict& verdict, const std::string& label) {
        ++states;
        for (SlotState slot : verdict.slots) {
            old += slot == SlotState::kOld;
            fresh += slot == SlotState::kNew;
            absent += slot == SlotState::kAbsent;
            brokenSlots += slot == SlotState::kBroken;
        }
        fsckDirty += !verdict.fsck.clean;
        if (verdict.broken()) {
            ++broken;
            if (examples.size() < 3) {
                examples.push_back(label + ": " + verdict.problems.front());
            }
        }
    }
};

struct CardConfig {
    std::string fat;      // "32" or "16"
    std::string options;  // the mount options
    std::string label;
};

std::size_t EnvSize(const char* name, std::size_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoul(value, nullptr, 10) : fallback;
}

// What the command removes from the history once its card writes are on the card: the record
// of those writes.
constexpr const char* kFinishedMatch = ".intent";
// Unfinished states run again in one boot, each card mounted in turn.
constexpr std::size_t kCardsPerBoot = 16;

bool HasTornSlot(const StateVerdict& verdict) {
    return std::find(verdict.slots.begin(), verdict.slots.end(), SlotState::kBroken) !=
           verdict.slots.end();
}

std::string MakeImage(const std::string& folder, const std::string& image, const std::string& fat) {
    const std::string size = fat == "32" ? "40M" : "16M";
    std::vector<std::string> mkfs = {"mkfs.fat", "-F", fat, "-n", "CARD", "-i", "1234ABCD"};
    if (fat == "32") {
        mkfs.insert(mkfs.end(), {"-s", "1"});  // the fewest sectors FAT32 takes: 512-byte clusters
    }
    mkfs.push_back(image);
    if (RunTool({"truncate", "-s", size, image}).status != 0) {
        return "truncate failed";
    }
    const ToolResult made = RunTool(mkfs);
    if (made.status != 0) {
        return "mkfs.fat: " + made.err;
    }
    std::vector<std::string> copy = {"mcopy", "-s", "-i", image};
    for (const auto& entry : fs::directory_iterator(folder)) {
        copy.push_back(entry.path().string());
    }
    copy.push_back("::/");
    const ToolResult copied = RunTool(copy, {"MTOOLS_SKIP_CHECK=1"});
    if (copied.status != 0) {
        return "mcopy: " + copied.err;
    }
    // A card in use has room in its save folder from files made and removed before: with
    // 512-byte clusters a folder cluster holds 16 entries, and a folder that must grow for a
    // temporary file is a kernel write order of its own (see the README), not the command's.
    const std::string pad = folder + "/.pad";
    fs::create_directories(pad);
    std::vector<std::string> padding = {"mcopy", "-i", image};
    std::vector<std::string> removal = {"mdel", "-i", image};
    for (int i = 0; i < 48; ++i) {
        const std::string name = "PAD" + std::to_string(i) + ".TMP";
        WriteFile(pad + "/" + name, {});
        padding.push_back(pad + "/" + name);
        removal.push_back("::/NDSSAVE/" + name);
    }
    padding.push_back("::/NDSSAVE/");
    const ToolResult padded = RunTool(padding, {"MTOOLS_SKIP_CHECK=1"});
    const ToolResult removed = RunTool(removal, {"MTOOLS_SKIP_CHECK=1"});
    fs::remove_all(pad);
    return padded.status == 0 && removed.status == 0
               ? ""
               : "padding the folder: " + padded.err + removed.err;
}

class CrashReplay : public GuestTest {};

TEST_F(CrashReplay, EveryWritingCommandLeavesEverySlotOldOrNewInOrder) {
    const auto began = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(MakeKit());
    const std::string kit = kit_;

    const std::vector<Scenario> scenarios = WritingScenarios();
    std::vector<ScenarioPlace> places;
    std::vector<Expectation> expected(scenarios.size());
    auto host = [](const ScenarioPlace& at, std::vector<std::string> args) {
        args.insert(args.begin(),
                    {SLOTKIT_BINARY, "--yes", "--card", at.card, "--history", at.history});
        return RunTool(args);
    };
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        const std::string n = std::to_string(i);
        places.push_back({root_ + "/c" + n, root_ + "/h" + n, root_ + "/p" + n});
        const ScenarioPlace& at = places.back();
        bool prepared = true;
        scenarios[i].prepare(at, [&](std::vector<std::string> args) {
            const ToolResult run = host(at, args);
            prepared = prepared && run.status == 0;
            return run.status == 0;
        });
        ASSERT_TRUE(prepared) << scenarios[i].name << ": preparing the card failed";
        expected[i].before = ReadTree(at.card);
        expected[i].slots = scenarios[i].slots;
        for (const std::string fat : {"32", "16"}) {
            const std::string error =
                MakeImage(at.card, root_ + "/start" + n + "-" + fat + ".img", fat);
            ASSERT_EQ(error, "") << scenarios[i].name << ": FAT" << fat << " image";
        }
    }

    const std::vector<CardConfig> configs = {
        {"32", "utf8,shortname=mixed", "FAT32"},
        {"32", "utf8,shortname=mixed,flush", "FAT32 flush"},
        {"16", "utf8,shortname=mixed", "FAT16"},
        {"16", "utf8,shortname=mixed,flush", "FAT16 flush"},
    };
    std::vector<std::string> pcFolders;
    for (const ScenarioPlace& at : places) {
        pcFolders.push_back(at.pc);
        pcFolders.push_back(at.history);
    }
    for (std::size_t k = 0; k < configs.size(); ++k) {
        GuestBoot boot;
        boot.kernel = kit + "/kernel";
        boot.baseArchive = kit + "/base.cpio";
        boot.mountOptions = configs[k].options;
        boot.pcFolders = pcFolders;
        const std::string run = root_ + "/run" + std::to_string(k);
        fs::create_directories(run);
        // The histories come out as they were while the cards were written: the command's
        // last step, which records its writes as finished, is kept from the history.
        boot.preload = SLOTKIT_KEEP_SHIM;
        boot.environment = "SLOTKIT_KEEP_MATCH=" + Env("SLOTKIT_CRASH_KEEP_MATCH", kFinishedMatch);
        for (const ScenarioPlace& at : places) {
            boot.exportFolders.push_back(at.history);
        }
        boot.exportImage = run + "/histories.tar";
        for (std::size_t i = 0; i < scenarios.size(); ++i) {
            const std::string n = std::to_string(i);
            const std::string image = run + "/card" + n + ".img";
            fs::copy_file(root_ + "/start" + n + "-" + configs[k].fat + ".img", image);
            std::vector<std::string> command = {"--yes", "--card", places[i].card, "--history",
                                                places[i].history};
            const auto rest = scenarios[i].command(places[i]);
            command.insert(command.end(), rest.begin(), rest.end());
            boot.cards.push_back(
                {image, run + "/log" + n + ".bin", places[i].card, command, "", {}});
        }
        const GuestResult result = BootGuest(boot, run);
        std::printf("guest %-12s %5.1f s, %.1f s to the first command\n", configs[k].label.c_str(),
                    result.seconds, result.secondsToFirstCommand);
        ASSERT_TRUE(result.booted) << "the guest did not reach the end of its commands:\n"
                                   << result.console;
        for (std::size_t i = 0; i < scenarios.size(); ++i) {
            ASSERT_EQ(result.status[i], 0) << configs[k].label << ", " << scenarios[i].name
                                           << ": slotkit failed in the guest:\n"
                                           << result.console;
        }
    }

    // What the command leaves, from the same command on the same files on the host.
    for (std::size_t i = 0; i < scenarios.size(); ++i) {
        const ToolResult run = host(places[i], scenarios[i].command(places[i]));
        ASSERT_EQ(run.status, 0) << scenarios[i].name << " on the host: " << run.err;
        expected[i].after = ReadTree(places[i].card);
    }

    const std::size_t cap = EnvSize("SLOTKIT_CRASH_REORDER", 12);
    // A state in which a slot holds neither its old nor its new bytes is unfinished when the
    // history holds what finishes it: it is set aside to be run again (in order, every one up
    // to the cap; reordered, a sample).
    struct Unfinished {
        std::string image, name;
        bool reordered = false, last = false;
    };
    const std::size_t finishCap = EnvSize("SLOTKIT_CRASH_FINISH_IN_ORDER", 64);
    const std::size_t finishReorderedCap = EnvSize("SLOTKIT_CRASH_FINISH_REORDERED", 6);
    struct Job {
        std::size_t scenario, config;
        Tally inOrder, reordered;
        bool lastBroken = false;
        std::string error;
        std::vector<Unfinished> unfinished;
        std::size_t unfinishedInOrder = 0, unfinishedReordered = 0;
        bool lastNotNew = false;  // the card as the command left it lacks some of its work
    };
    // After the last write every slot holds what the same command leaves on the host.
    const auto allNew = [&](const StateVerdict& verdict, std::size_t scenario) {
        for (std::size_t g = 0; g < verdict.slots.size(); ++g) {
            const bool made =
                std::any_of(scenarios[scenario].slots[g].begin(),
                            scenarios[scenario].slots[g].end(), [&](const std::string& path) {
                                return expected[scenario].after.count(FatKey(path));
                            });
            if (verdict.slots[g] != (made ? SlotState::kNew : SlotState::kAbsent)) {
                return false;
            }
        }
        return true;
    };
    std::vector<Job> jobs;
    for (std::size_t k = 0; k < configs.size(); ++k) {
        for (std::size_t i = 0; i < scenarios.size(); ++i) {
            jobs.push_back({i, k, {}, {}, false, {}, {}, 0, 0, false});
        }
    }
    const std::string dump = Env("SLOTKIT_CRASH_DUMP", "");
    if (!dump.empty()) {
        fs::create_directories(dump);
    }
    std::atomic<std::size_t> next{0};
    auto worker = [&](unsigned id) {
        for (std::size_t j; (j = next++) < jobs.size();) {
            Job& job = jobs[j];
            const std::string n = std::to_string(job.scenario);
            WriteLog log;
            if (!ReadWriteLogFile(root_ + "/run" + std::to_string(job.config) + "/log" + n + ".bin",
                                  log, job.error)) {
                continue;
            }
            const std::string scratch = scratch_ + "/read" + std::to_string(id);
            try {
                ForEachCrashState(
                    log, root_ + "/start" + n + "-" + configs[job.config].fat + ".img",
                    scratch_ + "/work" + std::to_string(id) + ".img", cap,
                    [&](const StateLabel& label, const std::string& image) {
                        const StateVerdict verdict =
                            CheckImage(expected[job.scenario], image, scratch);
                        const std::string name =
                            label.reordered ? "window at write " + std::to_string(label.entries) +
                                                  " subset " + label.subset
                            : label.torn ? "half of write " + std::to_string(label.entries + 1)
                                         : "after write " + std::to_string(label.entries);
                        // SLOTKIT_CRASH_DUMP=DIR keeps the broken states' images to look at.
                        if (verdict.broken() && !dump.empty()) {
                            std::string file = dump + "/" + std::to_string(j) + "-" + name + ".img";
                            std::replace(
                                file.begin() + static_cast<std::ptrdiff_t>(dump.size()) + 1,
                                file.end(), ' ', '_');
                            std::error_code ignored;
                            fs::copy_file(image, file, fs::copy_options::overwrite_existing,
                                          ignored);
                        }
                        const bool last = !label.reordered && label.entries == log.writes.size();
                        std::size_t& setAside =
                            label.reordered ? job.unfinishedReordered : job.unfinishedInOrder;
                        if (verdict.broken() && HasTornSlot(verdict) &&
                            setAside < (label.reordered ? finishReorderedCap : finishCap)) {
                            ++setAside;
                            const std::string copy = scratch_ + "/finish-" + std::to_string(j) +
                                                     "-" + std::to_string(job.unfinished.size()) +
                                                     ".img";
                            if (RunTool({"cp", "--sparse=always", image, copy}).status != 0) {
                                job.error = "the state could not be set aside: " + name;
                            }
                            job.unfinished.push_back({copy, name, label.reordered, last});
                            return;
                        }
                        if (label.reordered) {
                            job.reordered.Add(verdict, name);
                        } else {
                            job.inOrder.Add(verdict, name);
                            job.lastBroken = last && verdict.broken();
                            job.lastNotNew =
                                job.lastNotNew || (last && !allNew(verdict, job.scenario));
                        }
                    });
            } catch (const std::exception& e) {
                job.error = e.what();
            }
        }
    };
    std::thread second(worker, 1);
    worker(0);
    second.join();

    // The unfinished states, each on a card of its own, with the history the command left
    // while it was writing: slotkit runs once more (a listing) and must bring every slot to its
    // old or its new bytes before it does anything else.
    for (std::size_t k = 0; k < configs.size(); ++k) {
        std::vector<std::pair<Job*, const Unfinished*>> queue;
        for (Job& job : jobs) {
            for (const Unfinished& state : job.unfinished) {
                if (job.config == k) {
                    queue.emplace_back(&job, &state);
                }
            }
        }
        const std::string run = root_ + "/run" + std::to_string(k);
        for (std::size_t from = 0; from < queue.size(); from += kCardsPerBoot) {
            const std::size_t to = std::min(queue.size(), from + kCardsPerBoot);
            GuestBoot boot;
            boot.kernel = kit + "/kernel";
            boot.baseArchive = kit + "/base.cpio";
            boot.mountOptions = configs[k].options;
            boot.oneCardAtATime = true;
            boot.archiveIn = run + "/histories.tar";
            for (std::size_t q = from; q < to; ++q) {
                const ScenarioPlace& at = places[queue[q].first->scenario];
                const std::string history = "/finish/" + std::to_string(q);
                const std::string stored = at.history.substr(at.history.find_first_not_of('/'));
                boot.cards.push_back(
                    {queue[q].second->image,
                     "",
                     at.card,
                     {"--yes", "--card", at.card, "--history", history + "/" + stored, "list"},
                     "rm -rf /finish; mkdir -p " + history + " && tar -x -f $ARCHIVE -C " +
                         history + " " + stored,
                     {}});
            }
            const GuestResult result = BootGuest(boot, run);
            ASSERT_TRUE(result.booted) << "the guest did not finish the unfinished states:\n"
                                       << result.console;
            for (std::size_t q = from; q < to; ++q) {
                Job& job = *queue[q].first;
                const Unfinished& state = *queue[q].second;
                StateVerdict verdict =
                    CheckImage(expected[job.scenario], state.image, scratch_ + "/read-finished");
                if (result.status[q - from] != 0) {
                    verdict.problems.push_back("slotkit, run again, failed");
                }
                Tally& tally = state.reordered ? job.reordered : job.inOrder;
                tally.Add(verdict, state.name + " (run again)");
                tally.finished += !verdict.broken();
                if (state.last) {
                    job.lastBroken = verdict.broken();
                    job.lastNotNew = !allNew(verdict, job.scenario);
                }
                std::error_code ignored;
                fs::remove(state.image, ignored);
            }
        }
    }

    std::printf("\n%-26s %-12s | %-37s | %s\n", "scenario", "card", "in order", "reordered");
    std::printf("%-26s %-12s | %6s %4s %4s %6s %6s %6s %5s | %6s %4s %4s %6s %6s %6s %5s\n", "", "",
                "states", "old", "new", "absent", "finish", "broken", "fsck", "states", "old",
                "new", "absent", "finish", "broken", "fsck");
    for (const Job& job : jobs) {
        const Tally& a = job.inOrder;
        const Tally& b = job.reordered;
        std::printf(
            "%-26s %-12s | %6zu %4zu %4zu %6zu %6zu %6zu %5zu | %6zu %4zu %4zu %6zu %6zu %6zu "
            "%5zu%s\n",
            scenarios[job.scenario].name.c_str(), configs[job.config].label.c_str(), a.states,
            a.old, a.fresh, a.absent, a.finished, a.broken, a.fsckDirty, b.states, b.old, b.fresh,
            b.absent, b.finished, b.broken, b.fsckDirty,
            job.lastBroken ? "  (broken after Success!)" : "");
    }
    std::printf(
        "\nold/new/absent count slots over all states (after finishing); finish, broken and fsck "
        "count states (finish: a slot was torn and slotkit, run again with the history as it "
        "was, brought it to old or new; fsck: fsck.fat -n found anything, the dirty bit "
        "included); reordered: up to %zu subsets per flush window, of which up to %zu torn "
        "ones per scenario are run again\n",
        cap, finishReorderedCap);
    for (const Job& job : jobs) {
        for (const std::string& example : job.inOrder.examples) {
            std::printf("broken in order: %s, %s: %s\n", scenarios[job.scenario].name.c_str(),
                        configs[job.config].label.c_str(), example.c_str());
        }
        for (const std::string& example : job.reordered.examples) {
            std::printf("broken reordered: %s, %s: %s\n", scenarios[job.scenario].name.c_str(),
                        configs[job.config].label.c_str(), example.c_str());
        }
    }
    std::printf("crash replay: %.0f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());
    std::fflush(stdout);

    for (const Job& job : jobs) {
        const std::string what = scenarios[job.scenario].name + ", " + configs[job.config].label;
        EXPECT_EQ(job.error, "") << what;
        EXPECT_GT(job.inOrder.states, 1u) << what << ": the log holds no write";
        EXPECT_EQ(job.inOrder.broken, 0u) << what << ": broken states in order";
        EXPECT_FALSE(job.lastNotNew)
            << what << ": the card after the command is not as on the host";
    }
}

}  // namespace
}  // namespace slotkit::crash
