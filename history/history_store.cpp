#include "history/history_store.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

#include "platform/at_once.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/staged_files.h"

namespace slotkit::history {

namespace fs = std::filesystem;

namespace {

using history::KeptVersion;
using history::SlotVersions;

fs::path FsPath(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

history::UtcTime NowUtc() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{floor<milliseconds>(now - day)};
    return {static_cast<int>(date.year()),
            static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count()),
            static_cast<int>(time.subseconds().count())};
}

// The names of the sub-folders of `folder`; none when it cannot be read.
std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(FsPath(folder), error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            names.push_back(Utf8(it->path().filename()));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The folder of a slot's versions: the one named as the slot is, or else one whose name differs
// only in letter case (the card's FAT names one file so), or else a new one.
std::string SlotFolder(const std::string& modeFolder, const std::string& slotFileName) {
    const std::string exact = platform::JoinPath(modeFolder, slotFileName);
    if (platform::IsDirectory(exact)) {
        return exact;
    }
    for (const std::string& folder : SubFolders(modeFolder)) {
        if (history::SameSlotFile(folder, slotFileName)) {
            return platform::JoinPath(modeFolder, folder);
        }
    }
    return exact;
}

std::vector<KeptVersion> ReadIndex(const std::string& slotFolder) {
    std::vector<std::uint8_t> bytes;
    if (platform::ReadWholeFile(platform::JoinPath(slotFolder, history::kIndexFileName), bytes)) {
        return {};
    }
    return history::ParseIndex(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Every slot folder of the history: root / card / mode / slot.
struct SlotPlace {
    std::string folder;
    SlotVersions versions;
};
std::vector<SlotPlace> AllSlots(const std::string& root) {
    std::vector<SlotPlace> places;
    for (const std::string& card : SubFolders(root)) {
        const std::string cardFolder = platform::JoinPath(root, card);
        for (const std::string& mode : SubFolders(cardFolder)) {
            const std::string modeFolder = platform::JoinPath(cardFolder, mode);
            for (const std::string& slot : SubFolders(modeFolder)) {
                SlotPlace place{platform::JoinPath(modeFolder, slot), {slot, {}}};
                place.versions.versions = ReadIndex(place.folder);
                places.push_back(std::move(place));
            }
        }
    }
    return places;
}

std::span<const std::uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// True when the newest version in `index` has this hash and size and its copy is there.
bool HoldsNewest(const std::string& slotFolder, const std::vector<KeptVersion>& index,
                 const std::string& hash, std::uint64_t size) {
    return !index.empty() && index.back().hash == hash && index.back().size == size &&
           platform::IsRegularFile(platform::JoinPath(slotFolder, index.back().file));
}

}  // namespace

bool IsNewestKept(const std::string& modeFolder, const std::string& slotFileName,
                  std::uint64_t hash, std::uint64_t size) {
    const std::string slotFolder = SlotFolder(modeFolder, slotFileName);
    return HoldsNewest(slotFolder, ReadIndex(slotFolder), history::HashText(hash), size);
}

std::vector<std::error_code> KeepVersions(const std::string& historyRoot,
                                          const std::string& modeFolder, std::string_view command,
                                          std::span<const VersionToKeep> versions) {
    std::vector<std::error_code> results(versions.size());
    const history::UtcTime now = NowUtc();
    platform::StagedFiles staged;
    std::vector<platform::FileToStage> files;
    struct Pending {
        std::size_t request;
        std::string slotFolder;
        std::vector<KeptVersion> index;
    };
    std::vector<Pending> pending;
    std::vector<std::string> seen;  // a slot named twice in one call is kept once

    // The new copies first; the bounds and the indexes follow.
    for (std::size_t i = 0; i < versions.size(); ++i) {
        const VersionToKeep& version = versions[i];
        if (std::any_of(seen.begin(), seen.end(), [&](const std::string& name) {
                return history::SameSlotFile(name, version.slotFileName);
            })) {
            continue;
        }
        seen.push_back(version.slotFileName);
        const std::string slotFolder = SlotFolder(modeFolder, version.slotFileName);
        std::error_code error;
        fs::create_directories(FsPath(slotFolder), error);
        if (error) {
            results[i] = error;
            continue;
        }
        std::vector<KeptVersion> index = ReadIndex(slotFolder);
        const std::string hash =
            history::HashText(version.hash ? *version.hash : history::ContentHash(version.bytes));
        if (HoldsNewest(slotFolder, index, hash, version.bytes.size())) {
            continue;
        }
        KeptVersion kept;
        kept.number = 1;
        for (const KeptVersion& v : index) {
            kept.number = std::max(kept.number, v.number + 1);
        }
        kept.kept = now;
        kept.command = command;
        kept.size = version.bytes.size();
        kept.hash = hash;
        kept.title = version.title;
        for (int attempt = 0;; ++attempt) {
            kept.file = history::VersionFileName(now, command, attempt);
            if (!platform::PathExists(platform::JoinPath(slotFolder, kept.file))) {
                break;
            }
        }
        index.push_back(kept);
        files.push_back({platform::JoinPath(slotFolder, kept.file), version.bytes});
        pending.push_back({i, slotFolder, std::move(index)});
    }
    if (pending.empty()) {
        return results;
    }

    // The bounds, counting what this call adds.
    std::vector<SlotPlace> places = AllSlots(historyRoot);
    std::map<std::string, std::size_t> placeOf;
    for (std::size_t p = 0; p < places.size(); ++p) {
        placeOf[places[p].folder] = p;
    }
    std::vector<std::size_t> pendingPlace;
    for (const Pending& p : pending) {
        auto found = placeOf.find(p.slotFolder);
        if (found == placeOf.end()) {
            found = placeOf.emplace(p.slotFolder, places.size()).first;
            places.push_back({p.slotFolder, {"", {}}});
        }
        places[found->second].versions = {versions[p.request].slotFileName, p.index};
        pendingPlace.push_back(found->second);
    }
    std::vector<SlotVersions> all;
    for (const SlotPlace& place : places) {
        all.push_back(place.versions);
    }
    std::map<std::size_t, std::set<std::size_t>> removedOf;
    for (const history::Removal& r : history::ChooseRemovals(all)) {
        removedOf[r.slot].insert(r.version);
    }

    // One new index for each slot kept or trimmed: the kept ones first, in order.
    std::vector<std::size_t> toIndex = pendingPlace;
    for (const auto& [slot, removed] : removedOf) {
        if (std::find(toIndex.begin(), toIndex.end(), slot) == toIndex.end()) {
            toIndex.push_back(slot);
        }
    }
    std::vector<std::string> filesToRemove;
    std::vector<std::string> indexTexts;
    for (const std::size_t slot : toIndex) {
        const auto removed = removedOf.find(slot);
        std::vector<KeptVersion> left;
        for (std::size_t v = 0; v < all[slot].versions.size(); ++v) {
            if (removed != removedOf.end() && removed->second.count(v) != 0) {
                filesToRemove.push_back(
                    platform::JoinPath(places[slot].folder, all[slot].versions[v].file));
            } else {
                left.push_back(all[slot].versions[v]);
            }
        }
        indexTexts.push_back(history::IndexText(all[slot].slotFileName, left));
    }
    // The copies and the indexes are written at once, the copies first.
    for (std::size_t i = 0; i < toIndex.size(); ++i) {
        files.push_back({platform::JoinPath(places[toIndex[i]].folder, history::kIndexFileName),
                         AsBytes(indexTexts[i])});
    }
    if (auto failed = staged.StageAll(files)) {
        results.assign(versions.size(), failed);
        return results;
    }

    std::size_t committed = 0;
    const std::error_code error = staged.Commit(committed);
    for (std::size_t p = 0; p < pending.size(); ++p) {
        // Its copy and its index are both in place; a copy whose index is not is taken back.
        if (committed < pending.size() + p + 1) {
            results[pending[p].request] = error ? error : std::make_error_code(std::errc::io_error);
            if (committed > p) {
                platform::RemoveFile(files[p].target);
            }
        }
    }
    if (!error) {
        platform::AtOnce(filesToRemove.size(),
                         [&](std::size_t i) { return platform::RemoveFile(filesToRemove[i]); });
    }
    return results;
}

std::vector<SlotVersions> ListKeptVersions(const std::string& modeFolder) {
    std::vector<SlotVersions> slots;
    for (const std::string& slot : SubFolders(modeFolder)) {
        SlotVersions versions{slot, ReadIndex(platform::JoinPath(modeFolder, slot))};
        if (!versions.versions.empty()) {
            slots.push_back(std::move(versions));
        }
    }
    return slots;
}

std::vector<KeptVersion> KeptVersionsOf(const std::string& modeFolder,
                                        const std::string& slotFileName) {
    return ReadIndex(SlotFolder(modeFolder, slotFileName));
}

std::error_code ReadKeptVersion(const std::string& modeFolder, const std::string& slotFileName,
                                const KeptVersion& version, std::vector<std::uint8_t>& bytes) {
    const std::string path = platform::JoinPath(SlotFolder(modeFolder, slotFileName), version.file);
    if (auto error = platform::ReadWholeFile(path, bytes)) {
        return error;
    }
    if (bytes.size() != version.size ||
        history::HashText(history::ContentHash(bytes)) != version.hash) {
        bytes.clear();
        return std::make_error_code(std::errc::illegal_byte_sequence);
    }
    return {};
}

}  // namespace slotkit::history
