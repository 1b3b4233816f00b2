#include "commands/run_command.h"

#include <exception>
#include <new>
#include <string>

#include "history/in_place_writes.h"

namespace slotkit::commands {

void RunCommand(const slots::CommandContext& context, Command command) {
    if (!context.cardRoot.empty() && !context.CardInDrive()) {
        // The rows of a card that is gone name files no command can reach.
        context.view.Show({});
        context.prompter.Message(ports::text::kNoCard, ports::text::kCaptionAlert,
                                 ports::MessageKind::Failure);
        return;
    }
    try {
        // A write that a pulled card left unfinished is finished before anything else.
        history::FinishUnfinishedWrites(context);
        command(context);
    } catch (const std::bad_alloc&) {
        context.prompter.Message("There is not enough memory. Nothing was changed.",
                                 ports::text::kCaptionError, ports::MessageKind::Failure);
    } catch (const std::exception& e) {
        context.prompter.Message(std::string("The command stopped: ") + e.what(),
                                 ports::text::kCaptionError, ports::MessageKind::Failure);
    }
}

}  // namespace slotkit::commands
