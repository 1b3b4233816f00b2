// The commands that write the card, each on a card of its own: what is on the card and the PC
// before, the command line, and the slots it changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "card_check.h"

namespace slotkit::crash {

// Where a scenario's files are: the same paths on the host and in the guest, so that the
// history's name for the card and every path in the command line are the same in both.
struct ScenarioPlace {
    std::string card, history, pc;
};

struct Scenario {
    std::string name;
    // Lays out the card and the PC files; may run slotkit (through `run`) to prepare a history.
    std::function<void(const ScenarioPlace&,
                       const std::function<bool(std::vector<std::string>)>& run)>
        prepare;
    std::function<std::vector<std::string>(const ScenarioPlace&)> command;  // after the options
    std::vector<SlotGroup> slots;
};

std::vector<Scenario> WritingScenarios();

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> Pattern(std::size_t size, unsigned seed);

}  // namespace slotkit::crash
