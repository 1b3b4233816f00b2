#include "ops/backup_restore.h"

namespace slotkit {

void Backup(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

void Restore(const CommandContext& context) {
    context.prompter.Message("This command is not built yet.", text::kCaptionError,
                             MessageKind::Failure);
}

}  // namespace slotkit
