#include "cli/slotkit_cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <map>

#include "cli/games_output.h"
#include "cli/listed_slot_view.h"
#include "commands/backup_restore.h"
#include "commands/change_target_rom.h"
#include "commands/eject_card.h"
#include "commands/export_new.h"
#include "commands/export_save.h"
#include "commands/history_commands.h"
#include "commands/import_save.h"
#include "commands/refresh.h"
#include "commands/rename_delete.h"
#include "commands/run_command.h"
#include "commands/slot_creation.h"
#include "games/card_games.h"
#include "games/rom_save_type.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "slots/card_paths.h"
#include "slots/slot_listing.h"
#include "sync/sync_write.h"

namespace slotkit::cli {

namespace {

constexpr std::string_view kLicenceText =
    "Copyright (C) the slotkit developers.\n"
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n"
    "The save memory of DS games comes from the melonDS project's list of games "
    "(GPL-3.0-or-later).";

struct UsageError {
    std::string what;
};

// What one command line asks for, filled by the parser.
struct Request {
    std::string card;
    std::string mode = "nds";
    bool yes = false;
    bool no = false;
    std::vector<std::string> items;  // ROW... and a trailing path where the command takes one
    std::vector<std::string> names;  // --name, --rename, or rename's NAME
    std::string renameRow, renameName;
    std::string size;                 // export-new's --size
    std::string history;              // --history DIR
    std::string historyRow, version;  // history [ROW], revert ROW [VERSION]
    std::string syncFolder, syncFormat = "sav", syncPrefer;
    std::string pcFolder;  // history/revert --folder: a folder's files that a sync replaced
    bool dryRun = false;
    bool saveTypes = false;  // games --save-types
};

// The terminal prompter, with export-new's --size as the answer of the size choice.
class CliPrompter : public TerminalPrompter {
  public:
    using TerminalPrompter::TerminalPrompter;
    std::optional<std::uint64_t> size;

    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<ports::FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t>,
                                                     std::uint64_t& chosen) override {
        auto path = ChooseSaveFile(filters, title);
        if (path && size) {
            chosen = *size;
        }
        return path;
    }
};

// "8192", "8K" or "8k": a size in bytes, or in KiB with the suffix.
std::optional<std::uint64_t> ParseSize(const std::string& text) {
    std::string digits = text;
    std::uint64_t unit = 1;
    if (!digits.empty() && (digits.back() == 'K' || digits.back() == 'k')) {
        digits.pop_back();
        unit = 1024;
    }
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return std::stoull(digits) * unit;
}

// The save types of the GBA ROMs the cache does not remember, read from the whole ROMs.
void ReadSaveTypes(games::CardGames& games) {
    std::vector<std::string> paths;
    std::vector<games::CardRom*> unknown;
    for (games::CardRom& rom : games.roms) {
        if (!rom.saveType && rom.info.readable) {
            paths.push_back(rom.path);
            unknown.push_back(&rom);
        }
    }
    const auto types = games::GbaSaveTypesOfRoms(paths);
    for (std::size_t i = 0; i < unknown.size(); ++i) {
        unknown[i]->saveType = types[i];
    }
}

// How a command's arguments become the answers of its choosers and name dialogs.
struct CommandShape {
    commands::Command run;
    bool trailingPath;  // the last item is the chooser's answer
    bool slotNames;     // names answer "Please input DAT filename"
    bool newNames;      // names answer "Please input new-filename."
};

const std::map<std::string, CommandShape>& Shapes() {
    static const std::map<std::string, CommandShape> shapes{
        {"backup", {commands::Backup, true, false, false}},
        {"restore", {commands::Restore, true, false, false}},
        {"dummy", {commands::MakeDummy, false, true, false}},
        {"convert", {commands::Convert, false, false, false}},
        {"rename", {commands::RenameSlot, false, false, true}},
        {"delete", {commands::DeleteSlots, false, false, false}},
        {"retarget", {commands::ChangeTargetRom, true, false, true}},
        {"import", {commands::ImportSave, true, false, false}},
        {"export", {commands::ExportSave, true, false, false}},
        {"export-new", {commands::ExportNewSave, true, false, false}},
    };
    return shapes;
}

void AddSubcommands(CLI::App& app, Request& request) {
    app.require_subcommand(1);
    // The global options may also follow the command: `slotkit -c CARD list --no`.
    app.fallthrough();
    app.add_subcommand("drives", "print the removable drive roots, one a line");
    app.add_subcommand("eject",
                       "write out the card's files and unmount it (and power its drive off "
                       "where it can) so that it can be taken out");
    app.add_subcommand("list", "print the 100 rows: Num, FileName, Target ROM title, Date");
    auto* games = app.add_subcommand("games",
                                     "print the mode's ROMs on the card with the slot files that "
                                     "belong to them, then the slot files whose ROM is not on "
                                     "the card");
    games->add_flag("--save-types", request.saveTypes,
                    "read each GBA ROM's save type from the whole ROM where it is not "
                    "remembered yet, and remember it (slow: the listing alone reads only "
                    "headers)");

    auto rows = [&](CLI::App* sub, int min, int max, const char* help) {
        sub->add_option("ROW", request.items, help)->required()->expected(min, max);
    };
    rows(app.add_subcommand("backup", "copy slot files to the PC"), 2, -1,
         "ROW... TO: one row and the backup file, or several and a folder");
    rows(app.add_subcommand("restore", "copy files from the PC over slot files"), 2, -1,
         "ROW... FROM: one row and the file, or several and a folder");
    auto* dummy = app.add_subcommand("dummy", "write blank slots");
    rows(dummy, 1, -1, "the rows to blank; rows without a file take the names in order");
    dummy->add_option("--name", request.names, "a name for a row without a file")
        ->allow_extra_args(false);
    rows(app.add_subcommand("convert", "cut old 1024KB slots to the new form"), 1, -1, "ROW...");
    auto* rename = app.add_subcommand("rename", "rename a slot file");
    // CLI11 2.1 gives both words to the first of two one-value vector positionals, so the
    // two words of rename are plain strings.
    rename->add_option("ROW", request.renameRow, "the row")->required();
    rename->add_option("NAME", request.renameName, "the new name")->required();
    rows(app.add_subcommand("delete", "delete slot files"), 1, -1, "ROW...");
    auto* retarget = app.add_subcommand("retarget", "write a ROM file's names into slots");
    rows(retarget, 2, -1, "ROW... ROM");
    retarget->add_option("--rename", request.names, "rename the first row afterwards")
        ->allow_extra_args(false);
    rows(app.add_subcommand("import", "write a foreign save into a slot"), 2, 2, "ROW FILE");
    rows(app.add_subcommand("export", "write a slot into an existing foreign save"), 2, 2,
         "ROW FILE");
    auto* exportNew = app.add_subcommand(
        "export-new", "write a slot into a new .sav or DeSmuME .dsv file of the game's save size");
    rows(exportNew, 2, 2, "ROW FILE");
    exportNew->add_option("--size", request.size,
                          "the save size in bytes, or with K in KiB (default: the game's save "
                          "size where its ROM is on the card: a DS game's from slotkit's list "
                          "of games, a GBA game's from its ROM; else the smallest that holds "
                          "the save)");
    auto* history =
        app.add_subcommand("history", "print the kept versions of a slot, or of every slot");
    history->add_option("ROW", request.historyRow,
                        "a row or the file name of a slot, deleted ones included; with --folder, "
                        "the name of a file in that folder");
    history->add_option("--folder", request.pcFolder,
                        "the versions of the files of this folder that a sync replaced");
    auto* revert = app.add_subcommand("revert", "put a kept version of a slot back");
    revert->add_option("ROW", request.historyRow, "a row or a slot file name (deleted ones too)")
        ->required();
    revert->add_option("VERSION", request.version, "the version (default: the newest)");
    revert->add_option("--folder", request.pcFolder,
                       "put back a file of this folder that a sync replaced (ROW: its name)");
    auto* sync = app.add_subcommand(
        "sync", "keep the slots and an emulator's save folder in step, both ways");
    sync->add_option("FOLDER", request.syncFolder, "the emulator's save folder")->required();
    sync->add_option("--format", request.syncFormat,
                     "sav (default) or dsv: the files are <ROM name>.sav or DeSmuME's .dsv")
        ->transform(CLI::IsMember({"sav", "dsv"}, CLI::ignore_case));
    sync->add_option("--prefer", request.syncPrefer,
                     "card or folder: the side that wins where both changed")
        ->transform(CLI::IsMember({"card", "folder"}, CLI::ignore_case));
    sync->add_flag("--dry-run", request.dryRun, "print the plan and write nothing");
}

// The slot file a ROW of `history` or `revert` names: a listed row's file, or the name of a slot
// that is no longer on the card.
std::string HistorySlotName(const ListedSlotView& view, const std::string& spec) {
    if (const auto row = view.FindRow(spec)) {
        return view.FileName(*row);
    }
    const bool number =
        std::all_of(spec.begin(), spec.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (number) {
        throw UsageError{"there is no row " + spec + " on the card"};
    }
    return spec;
}

int RunHistory(const std::string& command, const Request& request,
               const slots::CommandContext& context, const ListedSlotView& view,
               TerminalPrompter& prompter, Terminal terminal) {
    const bool pc = !request.pcFolder.empty();
    const std::string fileName = request.historyRow.empty() || pc
                                     ? request.historyRow
                                     : HistorySlotName(view, request.historyRow);
    if (command == "revert") {
        int number = 0;
        if (!request.version.empty()) {
            const bool digits = request.version.size() < 9 &&
                                std::all_of(request.version.begin(), request.version.end(),
                                            [](char c) { return c >= '0' && c <= '9'; });
            number = digits ? std::stoi(request.version) : 0;
            if (number <= 0) {
                throw UsageError{"VERSION must be a version number as `history` lists it"};
            }
        }
        if (fileName.empty()) {
            throw UsageError{"row " + request.historyRow +
                             " has no file; name a deleted slot by "
                             "its file name"};
        }
        commands::RunCommand(context, [&](const slots::CommandContext& c) {
            if (pc) {
                commands::PutBackFolderFile(c, request.pcFolder, fileName, number);
            } else {
                commands::PutBackVersion(c, fileName, number);
            }
        });
        return prompter.FailureShown() ? kExitFailure : kExitOk;
    }
    if (!request.historyRow.empty() && fileName.empty()) {
        return kExitOk;  // a row without a file has no versions of its own
    }
    std::error_code error;
    const auto entries =
        pc ? commands::ListFolderHistory(context, request.pcFolder, fileName, error)
           : commands::ListHistory(context, fileName, error);
    if (error) {
        prompter.Message("The history can't be found: " + error.message() + ".",
                         ports::text::kCaptionError, ports::MessageKind::Failure);
        return kExitFailure;
    }
    for (const commands::HistoryEntry& entry : entries) {
        if (fileName.empty()) {
            terminal.out << entry.slotFileName << '\t';
        }
        terminal.out << entry.version.number << '\t' << entry.localTime << '\t'
                     << entry.version.command << '\t' << entry.version.size << '\t'
                     << entry.version.title << '\n';
    }
    return kExitOk;
}

void PrintRows(const ListedSlotView& view, std::ostream& out) {
    for (const ports::SlotRow& row : view.Rows()) {
        out << row.number << '\t' << row.fileName << '\t' << row.title << '\t' << row.date << '\n';
    }
}

// The card is neither listed nor its unfinished writes finished first: an eject writes nothing.
int RunEject(const Request& request, Terminal terminal) {
    if (request.card.empty()) {
        throw UsageError{"--card is required for eject"};
    }
    CliPrompter prompter(terminal, AnswerPolicy::AlwaysNo);
    ListedSlotView view;
    commands::EjectTheCard(slots::CommandContext{slots::AsCardRoot(request.card),
                                                 slots::EditMode::Nds, prompter, view});
    return prompter.FailureShown() ? kExitFailure : kExitOk;
}

int RunOnCard(const std::string& command, Request& request, Terminal terminal) {
    if (request.card.empty()) {
        throw UsageError{"--card is required for " + command};
    }
    // Checked before any question: a mistyped card must not get a save folder made for it.
    if (!platform::IsDirectory(request.card)) {
        throw UsageError{"--card " + request.card +
                         (platform::PathExists(request.card) ? ": this is not a folder"
                                                             : ": there is no such folder")};
    }
    const AnswerPolicy policy = request.yes  ? AnswerPolicy::AlwaysYes
                                : request.no ? AnswerPolicy::AlwaysNo
                                             : AnswerPolicy::Ask;
    CliPrompter prompter(terminal, policy);
    if (!request.size.empty()) {
        prompter.size = ParseSize(request.size);
        if (!prompter.size) {
            throw UsageError{"--size " + request.size + " is not a size such as 8192 or 8K"};
        }
    }
    ListedSlotView view;
    const slots::CommandContext context{
        slots::AsCardRoot(request.card),
        request.mode == "gba" ? slots::EditMode::Gba : slots::EditMode::Nds, prompter, view,
        request.history};
    commands::Refresh(context);
    if (command == "list") {
        PrintRows(view, terminal.out);
        return prompter.FailureShown() ? kExitFailure : kExitOk;
    }
    if (command == "games") {
        // One line a ROM, with its English title: no more of a banner is kept.
        games::CardGames games =
            FindCardGames(context.cardRoot, context.mode, {}, games::BannerKept::EnglishTitle);
        if (request.saveTypes && context.mode == slots::EditMode::Gba) {
            ReadSaveTypes(games);
        }
        PrintGames(games, terminal.out);
        if (games.searchStopped) {
            terminal.err << "slotkit: the search for ROMs stopped after "
                         << games::kRomSearchEntries
                         << " entries of the card; ROMs beyond them are not listed.\n";
        }
        return prompter.FailureShown() ? kExitFailure : kExitOk;
    }

    if (command == "history" || command == "revert") {
        if (prompter.FailureShown()) {
            return kExitFailure;
        }
        return RunHistory(command, request, context, view, prompter, terminal);
    }
    if (command == "sync") {
        if (prompter.FailureShown()) {
            return kExitFailure;
        }
        const sync::SyncFormat format =
            request.syncFormat == "dsv" ? sync::SyncFormat::Dsv : sync::SyncFormat::Sav;
        const sync::Prefer prefer = request.syncPrefer == "card"     ? sync::Prefer::Card
                                    : request.syncPrefer == "folder" ? sync::Prefer::Folder
                                                                     : sync::Prefer::Neither;
        commands::RunCommand(context, [&](const slots::CommandContext& c) {
            SyncWithFolder(c, request.syncFolder, format, prefer, request.dryRun);
        });
        return prompter.FailureShown() ? kExitFailure : kExitOk;
    }
    if (command == "rename") {
        request.items = {request.renameRow};
        request.names = {request.renameName};
    }
    const CommandShape& shape = Shapes().at(command);
    if (shape.trailingPath) {
        prompter.paths.push_back(request.items.back());
        request.items.pop_back();
    }
    if (shape.slotNames) {
        prompter.slotNames.assign(request.names.begin(), request.names.end());
    }
    if (shape.newNames) {
        prompter.newNames.assign(request.names.begin(), request.names.end());
    }
    if (prompter.FailureShown()) {
        return kExitFailure;  // the listing itself failed: its rows name no files
    }
    std::vector<int> selection;
    for (const std::string& spec : request.items) {
        auto row = view.FindRow(spec);
        if (!row) {
            throw UsageError{"there is no row " + spec + " on the card"};
        }
        selection.push_back(*row);
    }
    view.Select(selection);
    commands::RunCommand(context, shape.run);
    return prompter.FailureShown() ? kExitFailure : kExitOk;
}

}  // namespace

int RunSlotkit(const std::vector<std::string>& args, Terminal terminal) {
    CLI::App app{"slotkit: manage the save slots of a DS/GBA flash cartridge's card", "slotkit"};
    app.set_version_flag(
        "--version", std::string("slotkit ") + SLOTKIT_VERSION + "\n" + std::string(kLicenceText));
    Request request;
    app.add_option("-c,--card", request.card, "the card root (a mounted card's top folder)");
    app.add_option("--history", request.history,
                   "keep the versions that commands replace in this folder instead of the "
                   "user's history folder");
    app.add_option("-m,--mode", request.mode, "nds (default) or gba")
        ->transform(CLI::IsMember({"nds", "gba"}, CLI::ignore_case));
    auto* yes = app.add_flag("-y,--yes", request.yes, "answer Yes to every question");
    app.add_flag("--no", request.no, "answer No to every question")->excludes(yes);
    AddSubcommands(app, request);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e, terminal.out, terminal.err);
        return code == 0 ? kExitOk : kExitUsage;
    }

    const std::string command = app.get_subcommands().front()->get_name();
    try {
        if (command == "drives") {
            for (const std::string& drive : platform::RemovableDrives()) {
                terminal.out << drive << '\n';
            }
            return kExitOk;
        }
        if (command == "eject") {
            return RunEject(request, terminal);
        }
        return RunOnCard(command, request, terminal);
    } catch (const UsageError& e) {
        terminal.err << "slotkit: " << e.what << "\nRun with --help for more information.\n";
        return kExitUsage;
    } catch (const commands::AnswerUnavailable&) {
        terminal.err << "slotkit: a question needs an answer, but there is no terminal to ask "
                        "on; give --yes or --no.\n";
        return kExitUsage;
    }
}

}  // namespace slotkit::cli
