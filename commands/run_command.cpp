#include "commands/run_command.h"

#include <exception>
#include <new>
#include <string>

#include "history/in_place_writes.h"

namespace slotkit {

void RunCommand(const CommandContext& context, Command command) {
    if (!context.cardRoot.empty() && !context.CardInDrive()) {
        // The rows of a card that is gone name files no command can reach.
        context.view.Show({});
        context.prompter.Message(text::kNoCard, text::kCaptionAlert, MessageKind::Failure);
        return;
    }
    try {
        // A write that a pulled card left unfinished is finished before anything else.
        FinishUnfinishedWrites(context);
        command(context);
    } catch (const std::bad_alloc&) {
        context.prompter.Message("There is not enough memory. Nothing was changed.",
                                 text::kCaptionError, MessageKind::Failure);
    } catch (const std::exception& e) {
        context.prompter.Message(std::string("The command stopped: ") + e.what(),
                                 text::kCaptionError, MessageKind::Failure);
    }
}

}  // namespace slotkit
