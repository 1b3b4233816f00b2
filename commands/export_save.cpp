#include "commands/export_save.h"

#include <algorithm>

#include "commands/exchange_steps.h"
#include "formats/foreign_save.h"
#include "formats/save_containers.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "slots/slot_listing.h"

namespace slotkit::commands {

namespace {

constexpr const char* kExportNotOpened = "It doesn't open an export file.";
constexpr const char* kExportNotWritten = "It doesn't write the export file.";
constexpr const char* kDstRefused = "It isn't supporting MAXDRIVE-DST(Compress) file.";
constexpr const char* kQuestionBody =
    "Does the export of the save data.\nIt doesn't permit writing in save of the different game, "
    "too.";

// What the user is told when less than the file's room for save data is copied: never more
// than the save data region, and never bytes the slot file does not hold. Empty when the whole
// room is copied.
std::string PartialCopyNote(std::size_t room, std::size_t copied, std::size_t region,
                            std::size_t slotSize) {
    if (copied == room) {
        return {};
    }
    std::string why;
    if (copied == slotSize && slotSize < region) {
        why = "The file of the memory card holds only " + base::ByteCount(slotSize) + " bytes.";
    } else {
        why = "This file has room for " + base::ByteCount(room) +
              " bytes of save data, more than the " + base::ByteCount(region) +
              "-byte save data region of the slot.";
    }
    return why + "\nOnly the first " + base::ByteCount(copied) +
           " bytes of its save data are replaced; " + "the other " +
           base::ByteCount(room - copied) + " bytes stay as they were.";
}

bool IsExportable(formats::ForeignSaveType type) {
    switch (type) {
        case formats::ForeignSaveType::GbaSav:
        case formats::ForeignSaveType::NdsSav:
        case formats::ForeignSaveType::Dss:
        case formats::ForeignSaveType::Duc:
        case formats::ForeignSaveType::Dsv:
            return true;
        default:
            return false;
    }
}

// Where in a recognised file the save data goes; the rest of the file stays as it is.
std::string WhereNote(const formats::ExportRoom& found) {
    return "This file is a " + found.what + " with room for " + base::ByteCount(found.length) +
           " bytes of save data; only they are replaced, the rest of the file stays as it is.";
}

}  // namespace

void ExportSave(const slots::CommandContext& context) {
    const std::optional<int> row = OnlySelectedRow(context);
    if (!row) {
        return;
    }
    const std::string slotName = context.view.FileName(*row);
    const std::optional<std::string> target =
        context.prompter.ChooseOpenFile(ExportFilters(context.mode), "");
    if (!target) {
        return;
    }

    std::vector<std::uint8_t> file;
    if (platform::CheckUpdatable(*target) || platform::ReadWholeFile(*target, file)) {
        ShowError(context, kExportNotOpened);
        return;
    }
    // The slot is only read, but a slot that could not be written is refused all the same.
    std::vector<std::uint8_t> slot;
    if (!ReadUpdatableSlot(context, slotName, slot)) {
        return;
    }
    const formats::ForeignSaveType type = formats::ClassifyForeignSave(context.mode, *target);
    if (type == formats::ForeignSaveType::Dst) {
        ShowError(context, kDstRefused);
        return;
    }
    if (!IsExportable(type)) {
        ShowError(context, kNotSupported);
        return;
    }
    const formats::ExportRoom found = FindExportRoom(type, file);
    if (found.outcome == formats::FoundSave::Outcome::Refused) {
        ShowError(context,
                  "It doesn't export into this " + found.what + ": " + found.refusal + ".");
        return;
    }
    std::size_t offset = found.offset;
    std::size_t room = found.length;
    if (found.outcome == formats::FoundSave::Outcome::Raw) {
        // No signature: the file is written as its kind always has been.
        offset = PayloadOffset(type);
        if (file.size() < offset) {
            ShowError(context, HeaderTooShort("export", ForeignSaveSuffix(type)));
            return;
        }
        room = file.size() - offset;
    }

    const std::size_t region = context.Layout().saveRegionSize;
    const std::size_t copied = std::min({room, region, slot.size()});
    std::string note = PartialCopyNote(room, copied, region, slot.size());
    if (found.outcome == formats::FoundSave::Outcome::Found) {
        note = WhereNote(found) + (note.empty() ? "" : "\n" + note);
    }

    if (!context.prompter.AskYesNo(Question(kQuestionBody, note), ExportCaption(type))) {
        return;
    }
    if (copied > 0) {
        std::copy_n(slot.begin(), copied, file.begin() + static_cast<std::ptrdiff_t>(offset));
        if (const std::error_code error = platform::ReplaceFile(*target, file)) {
            ShowError(context, std::string(kExportNotWritten) + "\n" + error.message());
            return;
        }
    }
    ShowRowAsOnCard(context, *row);
    ShowSuccess(context, note);
}

}  // namespace slotkit::commands
