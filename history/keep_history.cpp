#include "history/keep_history.h"

#include <filesystem>

#include "base/display_text.h"
#include "history/history_store.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/user_places.h"
#include "slots/card_paths.h"
#include "slots/slot_listing.h"

namespace slotkit::history {

namespace {

struct Current {
    std::string fileName;
    std::vector<std::uint8_t> bytes;
    std::error_code error;              // why it could not be read
    std::optional<std::uint64_t> hash;  // of `bytes`, when already known
};

// Asks whether `fileName` may be changed although its current version was not kept.
bool ChangeAnyway(const slots::CommandContext& context, const std::string& fileName,
                  const std::error_code& why) {
    return context.prompter.AskYesNo("The current version of " + base::DisplayText(fileName) +
                                         " could not be kept in the history: " + why.message() +
                                         ".\nChange the slot anyway?",
                                     ports::text::kCaptionConfirm);
}

bool Keep(const slots::CommandContext& context, std::vector<Current>& slots,
          std::string_view command) {
    std::vector<std::error_code> results(slots.size());
    HistoryPlace place;
    if (const std::error_code error = FindHistoryPlace(context, place)) {
        results.assign(slots.size(), error);
    } else {
        std::vector<history::VersionToKeep> versions;
        std::vector<std::size_t> which;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (slots[i].error) {
                results[i] = slots[i].error;
            } else {
                versions.push_back({slots[i].fileName, slots[i].bytes,
                                    TitleOfSlotBytes(context, slots[i].bytes), slots[i].hash});
                which.push_back(i);
            }
        }
        const auto kept = history::KeepVersions(place.root, place.modeFolder, command, versions);
        for (std::size_t k = 0; k < which.size(); ++k) {
            results[which[k]] = kept[k];
        }
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        if (results[i] && !ChangeAnyway(context, slots[i].fileName, results[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::error_code FindHistoryPlace(const slots::CommandContext& context, HistoryPlace& place) {
    place.root = context.historyFolder;
    if (place.root.empty()) {
        if (auto error = platform::DefaultHistoryFolder(place.root)) {
            return error;
        }
    }
    place.cardName =
        history::CardFolderName(platform::VolumeId(context.cardRoot), context.cardRoot);
    place.cardFolder = platform::JoinPath(place.root, place.cardName);
    place.modeFolder = platform::JoinPath(place.cardFolder, SaveFolderName(context.mode));
    return {};
}

std::string WholePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path given(std::u8string(path.begin(), path.end()));
    std::filesystem::path whole = std::filesystem::absolute(given, error);
    if (error) {
        whole = given;
    }
    whole = whole.lexically_normal();
    std::u8string text = whole.u8string();
    while (text.size() > 1 && (text.back() == '/' || text.back() == '\\') &&
           !(text.size() == 3 && text[1] == ':')) {
        text.pop_back();
    }
    return std::string(text.begin(), text.end());
}

std::error_code FindFolderHistoryPlace(const slots::CommandContext& context,
                                       const std::string& folder, HistoryPlace& place) {
    place.root = context.historyFolder;
    if (place.root.empty()) {
        if (auto error = platform::DefaultHistoryFolder(place.root)) {
            return error;
        }
    }
    place.modeFolder = platform::JoinPath(
        platform::JoinPath(place.root, "pc-" + history::SafeFolderName(WholePath(folder))),
        "FILES");
    return {};
}

std::string TitleOfSlotBytes(const slots::CommandContext& context,
                             std::span<const std::uint8_t> bytes) {
    const std::uint64_t at = context.Layout().ShortNameOffset();
    if (bytes.size() <= at) {
        return slots::kTitleTooShort;
    }
    return slots::TitleFromShortName(
        bytes.subspan(at, std::min<std::size_t>(slots::kShortNameSize, bytes.size() - at)));
}

bool KeepBeforeChange(const slots::CommandContext& context,
                      const std::vector<std::string>& fileNames, std::string_view command) {
    HistoryPlace place;
    const bool placed = !FindHistoryPlace(context, place);
    std::vector<Current> slots;
    std::vector<std::uint8_t> buffer;
    for (const std::string& fileName : fileNames) {
        if (fileName.empty()) {
            continue;
        }
        Current slot{fileName, {}, {}, {}};
        slot.error = platform::ReadWholeFile(context.SlotPathOf(fileName), buffer);
        if (slot.error == std::errc::no_such_file_or_directory) {
            continue;  // nothing there to lose
        }
        // What the history holds already costs a hash; only new versions are held in memory.
        if (!slot.error && placed) {
            slot.hash = base::ContentHash(buffer);
            if (history::IsNewestKept(place.modeFolder, fileName, *slot.hash, buffer.size())) {
                continue;
            }
        }
        slot.bytes = std::move(buffer);
        buffer = {};
        slots.push_back(std::move(slot));
    }
    return slots.empty() || Keep(context, slots, command);
}

bool KeepBeforeChange(const slots::CommandContext& context, const std::string& fileName,
                      std::span<const std::uint8_t> bytes, std::string_view command) {
    std::vector<Current> slots{
        {fileName, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {}, {}}};
    return Keep(context, slots, command);
}

}  // namespace slotkit::history
