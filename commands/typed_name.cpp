#include "commands/typed_name.h"

#include "slots/slot_names.h"

namespace slotkit {

std::optional<std::string> AcceptTypedName(const CommandContext& context, std::string_view typed,
                                           std::string_view caption) {
    std::string name = WithDatExtension(typed);
    if (auto refusal = RefuseFileName(context.SaveFolder(), name)) {
        context.prompter.Message(*refusal, caption, MessageKind::Failure);
        return std::nullopt;
    }
    return name;
}

}  // namespace slotkit
