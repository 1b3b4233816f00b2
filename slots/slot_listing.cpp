#include "slots/slot_listing.h"

#include <cstdio>

#include "base/display_text.h"
#include "base/row_number.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "slots/card_paths.h"
#include "slots/slot_files.h"

namespace slotkit::slots {

std::string TitleFromShortName(std::span<const std::uint8_t> bytesRead) {
    if (bytesRead.size() < kShortNameSize) {
        return kTitleTooShort;
    }
    if (bytesRead[0] == 0) {
        return kTitleNotUsed;
    }
    std::string name;
    for (std::size_t i = 0; i < kShortNameSize && bytesRead[i] != 0; ++i) {
        name += static_cast<char>(bytesRead[i]);
    }
    return base::DisplayText(name);
}

std::string FormatDate(const platform::LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

namespace {

// The title and date columns of one slot file, from one open of the file where it can be read.
void ReadTitleAndDate(const std::string& path, const SlotLayout& layout, ports::SlotRow& row) {
    std::vector<std::uint8_t> bytes;
    std::optional<platform::LocalTime> time;
    if (platform::ReadAt(path, layout.ShortNameOffset(), kShortNameSize, bytes, &time)) {
        row.title = kTitleNoFile;
        time = platform::LastWriteTime(path);
    } else {
        row.title = TitleFromShortName(bytes);
    }
    if (time) {
        row.date = FormatDate(*time);
    }
}

}  // namespace

std::vector<ports::SlotRow> ReadSlotRows(const std::string& saveFolder, const SlotLayout& layout,
                                         std::error_code* error) {
    const std::vector<std::string> names = ListSlotFiles(saveFolder, error);
    std::vector<ports::SlotRow> rows(kSlotRowCount);
    for (int i = 0; i < kSlotRowCount; ++i) {
        ports::SlotRow& row = rows[i];
        row.number = base::RowNumber(i);
        if (static_cast<std::size_t>(i) >= names.size()) {
            row.title = kTitleNoFile;
            continue;
        }
        row.fileName = names[i];
        const std::string path = platform::JoinPath(saveFolder, row.fileName);
        ReadTitleAndDate(path, layout, row);
    }
    return rows;
}

void ShowRowAsOnCard(const CommandContext& context, int row) {
    ports::SlotRow shown;
    shown.number = base::RowNumber(row);
    shown.fileName = context.view.FileName(row);
    if (shown.fileName.empty()) {
        shown.title = kTitleNoFile;
    } else {
        ReadTitleAndDate(context.SlotPathOf(shown.fileName), context.Layout(), shown);
    }
    context.view.ShowRow(row, shown);
}

}  // namespace slotkit::slots
