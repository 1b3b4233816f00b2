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

// A version to be kept: the request it answers, its slot's folder and that slot's new index.
struct PendingCopy {
    std::size_t request;
    std::string slotFolder;
    std::vector<KeptVersion> index;
};

// The new entry of a version in its slot's index, under a file name not yet taken.
KeptVersion NewEntry(const std::string& slotFolder, const std::vector<KeptVersion>& index,
                     const history::UtcTime& now, std::string_view command,
                     const VersionToKeep& version, const std::string& hash) {
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
    return kept;
}

// Chooses the versions to copy: each slot once, and only when its newest kept version differs.
// Their copies are added to `files`; a slot folder that cannot be made fails its request.
std::vector<PendingCopy> ChooseCopies(const std::string& modeFolder, std::string_view command,
                                      std::span<const VersionToKeep> versions,
                                      const history::UtcTime& now,
                                      std::vector<platform::FileToStage>& files,
                                      std::vector<std::error_code>& results) {
    std::vector<PendingCopy> pending;
    std::vector<std::string> seen;  // a slot named twice in one call is kept once
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
            base::HashText(version.hash ? *version.hash : base::ContentHash(version.bytes));
        if (HoldsNewest(slotFolder, index, hash, version.bytes.size())) {
            continue;
        }
        const KeptVersion kept = NewEntry(slotFolder, index, now, command, version, hash);
        index.push_back(kept);
        files.push_back({platform::JoinPath(slotFolder, kept.file), version.bytes});
        pending.push_back({i, slotFolder, std::move(index)});
    }
    return pending;
}

// The new indexes of the slots kept or trimmed (the kept ones first, in order), and the copies
// that trimming the whole history to its bounds removes, counting what this call adds.
struct Trim {
    std::vector<std::string> indexFiles;
    std::vector<std::string> indexTexts;
    std::vector<std::string> filesToRemove;
};
Trim ChooseTrim(const std::string& historyRoot, std::span<const VersionToKeep> versions,
                const std::vector<PendingCopy>& pending) {
    std::vector<SlotPlace> places = AllSlots(historyRoot);
    std::map<std::string, std::size_t> placeOf;
    for (std::size_t p = 0; p < places.size(); ++p) {
        placeOf[places[p].folder] = p;
    }
    std::vector<std::size_t> toIndex;
    for (const PendingCopy& p : pending) {
        auto found = placeOf.find(p.slotFolder);
        if (found == placeOf.end()) {
            found = placeOf.emplace(p.slotFolder, places.size()).first;
            places.push_back({p.slotFolder, {"", {}}});
        }
        places[found->second].versions = {versions[p.request].slotFileName, p.index};
        toIndex.push_back(found->second);
    }
    std::vector<SlotVersions> all;
    for (const SlotPlace& place : places) {
        all.push_back(place.versions);
    }
    std::map<std::size_t, std::set<std::size_t>> removedOf;
    for (const history::Removal& r : history::ChooseRemovals(all)) {
        removedOf[r.slot].insert(r.version);
    }
    for (const auto& [slot, removed] : removedOf) {
        if (std::find(toIndex.begin(), toIndex.end(), slot) == toIndex.end()) {
            toIndex.push_back(slot);
        }
    }
    Trim trim;
    for (const std::size_t slot : toIndex) {
        const auto removed = removedOf.find(slot);
        std::vector<KeptVersion> left;
        for (std::size_t v = 0; v < all[slot].versions.size(); ++v) {
            if (removed != removedOf.end() && removed->second.count(v) != 0) {
                trim.filesToRemove.push_back(
                    platform::JoinPath(places[slot].folder, all[slot].versions[v].file));
            } else {
                left.push_back(all[slot].versions[v]);
            }
        }
        trim.indexFiles.push_back(platform::JoinPath(places[slot].folder, history::kIndexFileName));
        trim.indexTexts.push_back(history::IndexText(all[slot].slotFileName, left));
    }
    return trim;
}

// The result of each pending copy after the commit of `committed` files (the copies, then the
// indexes). A copy whose index is not in place is taken back; one in place whose flush was not
// confirmed stays, but fails its request all the same.
void CommitResults(const std::vector<PendingCopy>& pending,
                   const std::vector<platform::FileToStage>& files, std::size_t committed,
                   const std::error_code& error, std::vector<std::error_code>& results) {
    for (std::size_t p = 0; p < pending.size(); ++p) {
        if (committed < pending.size() + p + 1) {
            results[pending[p].request] = error ? error : std::make_error_code(std::errc::io_error);
            if (committed > p) {
                platform::RemoveFile(files[p].target);
            }
        } else if (error) {
            results[pending[p].request] = error;
        }
    }
}

}  // namespace

bool IsNewestKept(const std::string& modeFolder, const std::string& slotFileName,
                  std::uint64_t hash, std::uint64_t size) {
    const std::string slotFolder = SlotFolder(modeFolder, slotFileName);
    return HoldsNewest(slotFolder, ReadIndex(slotFolder), base::HashText(hash), size);
}

std::vector<std::error_code> KeepVersions(const std::string& historyRoot,
                                          const std::string& modeFolder, std::string_view command,
                                          std::span<const VersionToKeep> versions) {
    std::vector<std::error_code> results(versions.size());
    std::vector<platform::FileToStage> files;
    const std::vector<PendingCopy> pending =
        ChooseCopies(modeFolder, command, versions, NowUtc(), files, results);
    if (pending.empty()) {
        return results;
    }
    const Trim trim = ChooseTrim(historyRoot, versions, pending);

    // The copies and the indexes are written at once, the copies first.
    for (std::size_t i = 0; i < trim.indexFiles.size(); ++i) {
        files.push_back({trim.indexFiles[i], AsBytes(trim.indexTexts[i])});
    }
    platform::StagedFiles staged;
    if (auto failed = staged.StageAll(files)) {
        results.assign(versions.size(), failed);
        return results;
    }
    std::size_t committed = 0;
    const std::error_code error = staged.Commit(committed);
    CommitResults(pending, files, committed, error, results);
    if (!error) {
        platform::AtOnce(trim.filesToRemove.size(), [&](std::size_t i) {
            return platform::RemoveFile(trim.filesToRemove[i]);
        });
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
    if (bytes.size() != version.size || base::HashText(base::ContentHash(bytes)) != version.hash) {
        bytes.clear();
        return std::make_error_code(std::errc::illegal_byte_sequence);
    }
    return {};
}

}  // namespace slotkit::history
