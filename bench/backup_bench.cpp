// A 100-slot batch backup next to `cp` of the same files on the same disk.
//
// Every benchmark copies the same 100 new-form NDS slots (263,168 bytes each) from a card
// folder into a PC folder that already holds an earlier copy, as a repeated backup does:
//   BatchBackupCommand  the whole command: folder chooser answer, 100 safe copies, the
//                       "Success!" message and the closing refresh of the list
//   CopyFileSafely      the 100 safe copies alone (temporary file, fsync, rename)
//   CpCommand           `cp` of the same files, run through /bin/sh
//   PlainCopy           read/write into the destination without fsync: `cp` without a process
//   TempAndRenameNoSync the safe copy's steps without its two fsyncs (file, folder): shows
//                       what the flushes cost
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "commands/backup_restore.h"
#include "platform/durable_writes.h"
#include "slots/card_paths.h"

namespace {

namespace fs = std::filesystem;
using namespace slotkit;
using slotkit::bench::AllSelectedView;
using AnsweringPrompter = slotkit::bench::BenchPrompter;

constexpr int kSlots = 100;
constexpr std::size_t kSlotSize = 263'168;

// A card with 100 slots and an empty PC folder, beside the build on the same disk.
class BenchCard {
  public:
    BenchCard() {
        std::string pattern = (fs::current_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        dir_ = pattern;
        fs::create_directories(dir_ / "card" / "NDSSAVE");
        fs::create_directories(dir_ / "pc");
        std::vector<char> bytes(kSlotSize);
        for (int i = 0; i < kSlots; ++i) {
            for (std::size_t j = 0; j < bytes.size(); ++j) {
                bytes[j] = static_cast<char>((j * 31 + static_cast<std::size_t>(i)) & 0xFF);
            }
            char name[16];
            std::snprintf(name, sizeof name, "SLOT%02d.DAT", i);
            std::ofstream(SaveFolder() / name, std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            names_.emplace_back(name);
        }
    }
    ~BenchCard() {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string Root() const { return slotkit::slots::AsCardRoot((dir_ / "card").string()); }
    fs::path SaveFolder() const { return dir_ / "card" / "NDSSAVE"; }
    fs::path PcFolder() const { return dir_ / "pc"; }
    const std::vector<std::string>& Names() const { return names_; }

  private:
    fs::path dir_;
    std::vector<std::string> names_;
};

// The card, with every earlier write on the disk: on ext4 a file's fsync also writes the
// dirty data that other files left in the journal, which would be charged to the next copy.
BenchCard& Card() {
    static BenchCard card;
    ::sync();
    return card;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kSlots * kSlotSize);
}

void BatchBackupCommand(benchmark::State& state) {
    BenchCard& card = Card();
    AnsweringPrompter prompter;
    prompter.folder = card.PcFolder().string();
    AllSelectedView view;
    const slotkit::slots::CommandContext context{card.Root(), slotkit::slots::EditMode::Nds,
                                                 prompter, view};
    for (auto _ : state) {
        state.PauseTiming();
        view.rows.clear();
        for (const std::string& name : card.Names()) {
            view.rows.push_back({"", name, "", ""});
        }
        view.selectedCount = kSlots;
        state.ResumeTiming();
        slotkit::commands::Backup(context);
    }
    if (prompter.failed) {
        state.SkipWithError("the backup failed");
    }
    SetBytes(state);
}

void CopyFileSafelyLoop(benchmark::State& state) {
    BenchCard& card = Card();
    for (auto _ : state) {
        for (const std::string& name : card.Names()) {
            if (platform::CopyFileSafely((card.SaveFolder() / name).string(),
                                         (card.PcFolder() / name).string(), false)) {
                state.SkipWithError("a copy failed");
            }
        }
    }
    SetBytes(state);
}

void CpCommand(benchmark::State& state) {
    BenchCard& card = Card();
    const std::string command =
        "cp " + (card.SaveFolder() / "*.DAT").string() + " " + card.PcFolder().string() + "/";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("cp failed");
        }
    }
    SetBytes(state);
}

void PlainCopy(benchmark::State& state) {
    BenchCard& card = Card();
    std::vector<char> buffer(128 * 1024);
    for (auto _ : state) {
        for (const std::string& name : card.Names()) {
            const int in = ::open((card.SaveFolder() / name).c_str(), O_RDONLY);
            const int out =
                ::open((card.PcFolder() / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            ssize_t got;
            while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
                if (::write(out, buffer.data(), static_cast<std::size_t>(got)) != got) {
                    state.SkipWithError("a write failed");
                }
            }
            ::close(in);
            ::close(out);
        }
    }
    SetBytes(state);
}

void TempAndRenameNoSync(benchmark::State& state) {
    BenchCard& card = Card();
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        for (const std::string& name : card.Names()) {
            const std::string target = (card.PcFolder() / name).string();
            std::string temp = (card.PcFolder() / ".slotkit-XXXXXX.tmp").string();
            const int in = ::open((card.SaveFolder() / name).c_str(), O_RDONLY);
            const int out = ::mkstemps(temp.data(), 4);
            ssize_t got;
            while ((got = ::read(in, buffer.data(), buffer.size())) > 0) {
                if (::write(out, buffer.data(), static_cast<std::size_t>(got)) != got) {
                    state.SkipWithError("a write failed");
                }
            }
            ::close(in);
            ::close(out);
            if (::rename(temp.c_str(), target.c_str()) != 0) {
                state.SkipWithError("a rename failed");
            }
        }
    }
    SetBytes(state);
}

BENCHMARK(BatchBackupCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CopyFileSafelyLoop)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CpCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(TempAndRenameNoSync)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
