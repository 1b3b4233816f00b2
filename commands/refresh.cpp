#include "commands/refresh.h"

#include <string>
#include <system_error>

#include "base/display_text.h"
#include "history/in_place_writes.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "slots/card_paths.h"
#include "slots/slot_listing.h"

namespace slotkit::commands {

void Refresh(const slots::CommandContext& context) {
    if (context.cardRoot.empty()) {
        return;
    }
    context.view.Show({});
    const std::string folder = context.SaveFolder();
    if (!platform::PathExists(folder)) {
        // The folder of a card taken out is gone; the mount folder left behind is not the card.
        if (!context.CardInDrive()) {
            context.prompter.Message(ports::text::kNoCard, ports::text::kCaptionAlert,
                                     ports::MessageKind::Failure);
            return;
        }
        const std::string question =
            std::string(SaveFolderName(context.mode)) + " folder is not found.\nDoes it create?";
        if (!context.prompter.AskYesNo(question, ports::text::kCaptionMessage)) {
            return;
        }
        if (platform::MakeFolder(folder)) {
            context.prompter.Message(ports::text::kNoCard, "The folder can not be created.",
                                     ports::MessageKind::Failure);
            return;
        }
    }
    // The rows show the slots as they are once every unfinished write is finished.
    history::FinishUnfinishedWrites(context);
    std::error_code error;
    context.view.Show(ReadSlotRows(folder, context.Layout(), &error));
    // An unreadable folder would otherwise look like an empty card.
    if (error) {
        context.prompter.Message("The " + std::string(SaveFolderName(context.mode)) +
                                     " folder can't be read:\n" + base::DisplayText(folder) + "\n" +
                                     error.message(),
                                 ports::text::kCaptionError, ports::MessageKind::Failure);
    }
}

}  // namespace slotkit::commands
