#include "commands/history_commands.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

#include "base/display_text.h"
#include "commands/refresh.h"
#include "history/history_store.h"
#include "history/in_place_writes.h"
#include "history/keep_history.h"
#include "platform/clock.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "slots/slot_listing.h"
#include "slots/slot_names.h"

namespace slotkit::commands {

namespace {

constexpr const char* kCaptionHistory = "History";

std::string LocalTimeText(const history::UtcTime& t) {
    using namespace std::chrono;
    const sys_days day = year{t.year} / month{static_cast<unsigned>(t.month)} /
                         std::chrono::day{static_cast<unsigned>(t.day)};
    const std::time_t seconds = system_clock::to_time_t(day + hours{t.hour} + minutes{t.minute} +
                                                        std::chrono::seconds{t.second});
    std::tm local{};
    if (!platform::ToLocalTime(seconds, local)) {
        return history::UtcText(t);
    }
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

void Fail(const slots::CommandContext& context, const std::string& text) {
    context.prompter.Message(text, ports::text::kCaptionError, ports::MessageKind::Failure);
}
std::vector<HistoryEntry> Entries(const std::vector<history::SlotVersions>& slots) {
    std::vector<HistoryEntry> entries;
    for (const history::SlotVersions& slot : slots) {
        for (const history::KeptVersion& version : slot.versions) {
            entries.push_back({slot.slotFileName, version, LocalTimeText(version.kept), {}});
        }
    }
    return entries;
}

// Version `number` of `fileName` (the newest for 0) read back from `modeFolder`, after asking;
// nothing, with the reason shown, when there is none or it cannot be read, or the user says No.
std::optional<std::vector<std::uint8_t>> ReadBack(const slots::CommandContext& context,
                                                  const std::string& modeFolder,
                                                  const std::string& fileName, int number,
                                                  std::string_view what) {
    const std::string shown = base::DisplayText(fileName);
    const auto versions = history::KeptVersionsOf(modeFolder, fileName);
    const history::KeptVersion* chosen = versions.empty() ? nullptr : &versions.back();
    if (number != 0) {
        chosen = nullptr;
        for (const history::KeptVersion& version : versions) {
            if (version.number == number) {
                chosen = &version;
            }
        }
    }
    if (chosen == nullptr) {
        Fail(context, number == 0 ? "No version of " + shown + " is kept in the history."
                                  : "There is no version " + std::to_string(number) + " of " +
                                        shown + " in the history.");
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    if (history::ReadKeptVersion(modeFolder, fileName, *chosen, bytes)) {
        Fail(context, "Version " + std::to_string(chosen->number) + " of " + shown +
                          " can't be read back: its copy in the history is missing or damaged.\n"
                          "Nothing was changed.");
        return std::nullopt;
    }
    const std::string question = "Puts back version " + std::to_string(chosen->number) + " of " +
                                 shown + ", kept " + LocalTimeText(chosen->kept) + " before " +
                                 base::DisplayText(chosen->command) + " (" +
                                 base::DisplayText(chosen->title) + ").\nThe " + std::string(what) +
                                 "'s current contents are kept in the history first."
                                 "\nDoes it execute really?";
    if (!context.prompter.AskYesNo(question, kCaptionHistory)) {
        return std::nullopt;
    }
    return bytes;
}

// A plain file name, as a folder's history keys its files.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

std::vector<HistoryEntry> ListHistory(const slots::CommandContext& context,
                                      const std::string& fileName, std::error_code& error) {
    history::HistoryPlace place;
    error = FindHistoryPlace(context, place);
    if (error) {
        return {};
    }
    std::vector<history::SlotVersions> slots;
    if (fileName.empty()) {
        slots = history::ListKeptVersions(place.modeFolder);
    } else if (!slots::RefuseFileName(context.SaveFolder(), fileName)) {
        slots.push_back({fileName, history::KeptVersionsOf(place.modeFolder, fileName)});
    }
    return Entries(slots);
}

std::vector<HistoryEntry> ListFolderHistory(const slots::CommandContext& context,
                                            const std::string& folder, const std::string& fileName,
                                            std::error_code& error) {
    history::HistoryPlace place;
    error = FindFolderHistoryPlace(context, folder, place);
    if (error) {
        return {};
    }
    std::vector<history::SlotVersions> files;
    if (fileName.empty()) {
        files = history::ListKeptVersions(place.modeFolder);
    } else if (IsPlainFileName(fileName)) {
        files.push_back({fileName, history::KeptVersionsOf(place.modeFolder, fileName)});
    }
    std::vector<HistoryEntry> entries = Entries(files);
    for (HistoryEntry& entry : entries) {
        entry.folder = folder;
    }
    return entries;
}

void PutBackVersion(const slots::CommandContext& context, const std::string& fileName, int number) {
    history::HistoryPlace place;
    if (const std::error_code error = FindHistoryPlace(context, place)) {
        Fail(context, "The history can't be found: " + error.message() + ".\nNothing was changed.");
        return;
    }
    if (fileName.empty() || slots::RefuseFileName(context.SaveFolder(), fileName)) {
        Fail(context, "No version of " + base::DisplayText(fileName) + " is kept in the history.");
        return;
    }
    const auto bytes = ReadBack(context, place.modeFolder, fileName, number, "slot");
    if (!bytes || !history::KeepBeforeChange(context, {fileName}, "revert")) {
        return;
    }
    const auto busy = context.prompter.Busy();
    if (const std::error_code error = history::WriteSlot(context, fileName, *bytes)) {
        Fail(context, "It couldn't write the DAT file:\n" +
                          base::DisplayText(context.SlotPathOf(fileName)) + "\n" + error.message() +
                          (history::LeftUnfinished(error) ? "" : "\n\nThe DAT file is as it was."));
    } else {
        context.prompter.Message(ports::text::kSuccess, ports::text::kCaptionTrue,
                                 ports::MessageKind::Info);
    }
    Refresh(context);
}

void PutBackFolderFile(const slots::CommandContext& context, const std::string& folder,
                       const std::string& fileName, int number) {
    history::HistoryPlace place;
    if (const std::error_code error = FindFolderHistoryPlace(context, folder, place)) {
        Fail(context, "The history can't be found: " + error.message() + ".\nNothing was changed.");
        return;
    }
    if (!IsPlainFileName(fileName)) {
        Fail(context, "No version of " + base::DisplayText(fileName) + " is kept in the history.");
        return;
    }
    const auto bytes = ReadBack(context, place.modeFolder, fileName, number, "file");
    if (!bytes) {
        return;
    }
    const std::string path = platform::JoinPath(folder, fileName);
    std::vector<std::uint8_t> current;
    if (!platform::ReadWholeFile(path, current)) {
        const history::VersionToKeep version{fileName, current, "", std::nullopt};
        const auto kept =
            history::KeepVersions(place.root, place.modeFolder, "revert", {&version, 1});
        if (kept[0] && !context.prompter.AskYesNo(
                           "The current version of " + base::DisplayText(fileName) +
                               " could not be kept in the history: " + kept[0].message() +
                               ".\nPut the version back anyway?",
                           ports::text::kCaptionConfirm)) {
            return;
        }
    }
    if (const std::error_code error = platform::ReplaceFile(path, *bytes)) {
        Fail(context,
             "It couldn't write the file:\n" + base::DisplayText(path) + "\n" + error.message() +
                 (platform::ChangedButNotConfirmed(error) ? "" : "\n\nThe file is as it was."));
    } else {
        context.prompter.Message(ports::text::kSuccess, ports::text::kCaptionTrue,
                                 ports::MessageKind::Info);
    }
}

}  // namespace slotkit::commands
