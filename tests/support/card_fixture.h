// A test fixture with a temporary card, a scripted prompter, a slot list and a context.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "commands/refresh.h"
#include "history_home.h"
#include "memory_slot_view.h"
#include "scripted_prompter.h"
#include "slots/command_context.h"
#include "slots/slot_listing.h"
#include "temp_card.h"

namespace slotkit::test {

class CardTest : public ::testing::Test {
  protected:
    TempCard card;
    ScriptedPrompter prompter;
    MemorySlotView view;
    slots::EditMode mode = slots::EditMode::Nds;

    slots::CommandContext Context() {
        return slots::CommandContext{card.Root(), mode, prompter, view, HistoryFolder()};
    }
    // The history folder of the commands the test runs, beside the card.
    std::string HistoryFolder() const { return (card.Dir() / "history").string(); }

    // Lists the card as the window would and selects the given rows.
    void ListAndSelect(std::initializer_list<int> rows) {
        commands::Refresh(Context());
        view.selected = std::set<int>(rows);
        view.showCount = 0;
        prompter.shown.clear();
    }
};

}  // namespace slotkit::test
