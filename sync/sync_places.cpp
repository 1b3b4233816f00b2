#include "sync/sync_places.h"

#include <filesystem>

#include "history/history_format.h"
#include "history/keep_history.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "slots/card_paths.h"

namespace slotkit::sync {

namespace {

std::string RecordFolder(const history::HistoryPlace& place) {
    // The mode folder's parent is the card's folder; the records sit beside its modes.
    const std::filesystem::path mode(
        std::u8string(place.modeFolder.begin(), place.modeFolder.end()));
    const std::u8string card = mode.parent_path().u8string();
    return platform::JoinPath(std::string(card.begin(), card.end()), "sync");
}

// Beside the records, which are named after their mode's save folder.
constexpr const char* kLastFolderFile = "last-folder.txt";

}  // namespace

std::vector<sync::RecordLine> ReadSyncRecord(const slots::CommandContext& context,
                                             const std::string& folder) {
    history::HistoryPlace place;
    std::vector<std::uint8_t> bytes;
    if (FindHistoryPlace(context, place) ||
        platform::ReadWholeFile(
            platform::JoinPath(
                RecordFolder(place),
                sync::RecordFileName(SaveFolderName(context.mode), history::WholePath(folder))),
            bytes)) {
        return {};
    }
    return sync::ParseRecord(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::string> SyncedFolders(const slots::CommandContext& context) {
    history::HistoryPlace place;
    std::vector<platform::FolderEntry> entries;
    if (FindHistoryPlace(context, place) || platform::ListFolder(RecordFolder(place), entries)) {
        return {};
    }
    const std::string prefix = std::string(SaveFolderName(context.mode)) + "_";
    std::vector<std::string> folders;
    std::vector<std::uint8_t> bytes;
    for (const platform::FolderEntry& entry : entries) {
        if (entry.isFolder || !entry.name.starts_with(prefix) ||
            platform::ReadWholeFile(platform::JoinPath(RecordFolder(place), entry.name), bytes)) {
            continue;
        }
        if (auto folder = sync::RecordedFolder(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
            folders.push_back(std::move(*folder));
        }
    }
    return folders;
}

std::error_code WriteSyncRecord(const slots::CommandContext& context, const std::string& folder,
                                const std::vector<sync::RecordLine>& lines) {
    history::HistoryPlace place;
    if (const std::error_code error = FindHistoryPlace(context, place)) {
        return error;
    }
    const std::string records = RecordFolder(place);
    if (const std::error_code error = platform::MakeFolders(records)) {
        return error;
    }
    const std::string whole = history::WholePath(folder);
    const std::string text = sync::RecordText(whole, lines);
    return platform::ReplaceFile(
        platform::JoinPath(records, sync::RecordFileName(SaveFolderName(context.mode), whole)),
        {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::optional<std::string> LastSyncFolder(const slots::CommandContext& context) {
    history::HistoryPlace place;
    std::vector<std::uint8_t> bytes;
    if (FindHistoryPlace(context, place) ||
        platform::ReadWholeFile(platform::JoinPath(RecordFolder(place), kLastFolderFile), bytes)) {
        return std::nullopt;
    }
    std::string folder(bytes.begin(), bytes.end());
    if (const std::size_t end = folder.find('\n'); end != std::string::npos) {
        folder.resize(end);
    }
    if (folder.empty() || folder.find('\0') != std::string::npos ||
        !platform::IsDirectory(folder)) {
        return std::nullopt;
    }
    return folder;
}

void RememberSyncFolder(const slots::CommandContext& context, const std::string& folder) {
    history::HistoryPlace place;
    if (FindHistoryPlace(context, place)) {
        return;
    }
    const std::string records = RecordFolder(place);
    const std::string text = history::WholePath(folder) + "\n";
    if (!platform::MakeFolders(records)) {
        (void)platform::ReplaceFile(
            platform::JoinPath(records, kLastFolderFile),
            {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    }
}

}  // namespace slotkit::sync
