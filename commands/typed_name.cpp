#include "commands/typed_name.h"

#include "slots/slot_names.h"

namespace slotkit::commands {

std::optional<std::string> AcceptTypedName(const slots::CommandContext& context,
                                           std::string_view typed, std::string_view caption) {
    std::string name = slots::WithDatExtension(typed);
    if (auto refusal = slots::RefuseFileName(context.SaveFolder(), name)) {
        context.prompter.Message(*refusal, caption, ports::MessageKind::Failure);
        return std::nullopt;
    }
    return name;
}

}  // namespace slotkit::commands
