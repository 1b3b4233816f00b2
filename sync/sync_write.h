// "Sync with a folder": the card's slots and an emulator's save folder kept in step, both ways,
// as the plan decided.
#pragma once

#include <string>

#include "slots/command_context.h"
#include "sync/sync_plan.h"

namespace slotkit::sync {

// Writes what the plan decided, every replaced slot and file kept in the history first; a
// conflict goes only where it was settled. The report: what was done per pair, and every failure
// with its reason. True when every pair to be written was written and none was blocked.
bool CarryOutSync(const slots::CommandContext& context, const SyncPlan& plan, std::string& report);

// Carries out a plan the user has agreed to, refreshes the list, and shows the report:
// "Success!" only when every pair succeeded.
void CarryOutAndReport(const slots::CommandContext& context, const SyncPlan& plan);

// The whole command: the plan, one question, the writes, the report. `dryRun` shows the plan
// and writes nothing.
void SyncWithFolder(const slots::CommandContext& context, const std::string& folder,
                    SyncFormat format, sync::Prefer prefer, bool dryRun);

}  // namespace slotkit::sync
