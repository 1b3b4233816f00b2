#include "exchange/export_new.h"

#include <algorithm>
#include <memory>

#include "card/card_games.h"
#include "card/rom_save_size.h"
#include "card/rom_save_type.h"
#include "exchange/exchange_steps.h"
#include "exchange/foreign_save.h"
#include "exchange/game_check.h"
#include "exchange/save_containers.h"

namespace slotkit {

namespace {

using namespace exchange;

constexpr const char* kTitle = "Export to a new file";
constexpr const char* kNotWritten = "It doesn't write the new file.";

std::vector<FileFilter> NewFileFilters(EditMode mode) {
    if (mode == EditMode::Gba) {
        return {{"SAV File(*.sav)", "*.sav"}};
    }
    return {{"SAV File(*.sav)", "*.sav"}, {"DeSmuME File(*.dsv)", "*.dsv"}};
}

std::string Offered(EditMode mode) {
    return mode == EditMode::Gba ? "*.sav (the save alone)"
                                 : "*.sav (the save alone) or *.dsv (a DeSmuME save)";
}

std::string SizeList(EditMode mode) {
    std::string list;
    for (const std::uint64_t size : NewFileSizes(mode)) {
        list += (list.empty() ? "" : ", ") + ByteCount(size);
    }
    return list;
}

// A GBA game's save size from the save type of the slot's ROM, when the ROM is on the card
// (an EEPROM's size decided by the save's data); nothing otherwise.
std::optional<std::uint64_t> GameSaveSize(const CommandContext& context,
                                          const std::string& slotName,
                                          std::span<const std::uint8_t> data) {
    if (context.mode != EditMode::Gba) {
        return std::nullopt;
    }
    const std::unique_ptr<BusyScope> busy = context.prompter.Busy();
    const CardGames games = FindCardGames(context.cardRoot, context.mode);
    const auto sizes = NewFileSizes(context.mode);
    for (const CardRom* rom : RomsOfSlot(games, slotName)) {
        // The whole ROM is read once; after that its type is remembered.
        const auto type = rom->saveType ? rom->saveType : GbaSaveTypeOfRom(rom->path);
        const auto size = type ? GbaSaveSizeOfType(*type, data) : std::nullopt;
        if (size && std::find(sizes.begin(), sizes.end(), *size) != sizes.end()) {
            return size;
        }
    }
    return std::nullopt;
}

}  // namespace

void ExportNewSave(const CommandContext& context) {
    const std::optional<int> row = OnlySelectedRow(context);
    if (!row) {
        return;
    }
    const std::string slotName = context.view.FileName(*row);
    std::vector<std::uint8_t> slot;
    if (slotName.empty() || platform::ReadWholeFile(context.SlotPathOf(slotName), slot)) {
        ShowError(context, kSlotNotOpened);
        return;
    }
    const std::size_t region = context.Layout().saveRegionSize;
    const std::span<const std::uint8_t> data(slot.data(), std::min(slot.size(), region));

    // The game's own save size where its ROM tells it, else the smallest that holds the data.
    std::uint64_t size =
        GameSaveSize(context, slotName, data).value_or(SuggestedSize(context.mode, data));
    const std::optional<std::string> target = context.prompter.ChooseSaveFileAndSize(
        NewFileFilters(context.mode), kTitle, NewFileSizes(context.mode), size);
    if (!target) {
        return;
    }
    const ForeignSaveType type = ClassifyForeignSave(context.mode, *target);
    if (type != ForeignSaveType::NdsSav && type != ForeignSaveType::GbaSav &&
        type != ForeignSaveType::Dsv) {
        ShowError(context, "It doesn't export to this kind of file. A new file can be " +
                               Offered(context.mode) + ".");
        return;
    }
    const auto sizes = NewFileSizes(context.mode);
    if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) {
        ShowError(context, "It doesn't export a save of " + ByteCount(size) +
                               " bytes. The save sizes are " + SizeList(context.mode) + " bytes.");
        return;
    }
    if (data.size() < size) {
        ShowError(context, "It doesn't export a save of " + ByteCount(size) +
                               " bytes: the file of the memory card holds only " +
                               ByteCount(data.size()) + " bytes of save data.");
        return;
    }

    // A smaller size than the save's data cuts bytes off: asked first, naming how many.
    if (const std::size_t lost = DataBytesPast(data, size); lost > 0) {
        const std::string question =
            "A save of " + ByteCount(size) + " bytes leaves out the slot's save data from byte " +
            ByteCount(size) + " on: " + ByteCount(lost) +
            (lost == 1 ? " byte there is" : " bytes there are") +
            " not blank, and the new file will not hold " + (lost == 1 ? "it" : "them") +
            ".\nThe smallest size that holds the whole save is " +
            ByteCount(SuggestedSize(context.mode, data)) + " bytes." + kQuestionEnd;
        if (!context.prompter.AskYesNo(question, kTitle)) {
            return;
        }
    }

    std::vector<std::uint8_t> content(data.begin(),
                                      data.begin() + static_cast<std::ptrdiff_t>(size));
    if (type == ForeignSaveType::Dsv) {
        const std::vector<std::uint8_t> footer = DesmumeFooter(static_cast<std::uint32_t>(size));
        content.insert(content.end(), footer.begin(), footer.end());
    }
    if (const std::error_code error = platform::ReplaceFile(*target, content)) {
        ShowError(context, std::string(kNotWritten) + "\n" + error.message());
        return;
    }
    ShowSuccess(context, "The new file holds a save of " + ByteCount(size) + " bytes.");
}

}  // namespace slotkit
