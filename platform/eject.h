// Taking a card out safely: its files written out, its volume unmounted and, where the drive
// allows, powered off, all confirmed by the system before the user is told.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace slotkit::platform {

enum class EjectOutcome {
    Ejected,       // the system confirmed: the card can be taken out
    NotMounted,    // no card is mounted at the folder (a folder left behind, no drive root, or
                   // a folder that is no removable drive, such as the system disk)
    MountedTwice,  // the card is mounted at another folder too
    Busy,          // a program holds a file or folder of the card open
    Refused,       // the system refused for another reason
    Vanished,      // the card left while it was being ejected
    FlushFailed,   // the card's files could not be written out
};

// A program that holds something open on the card, as the system tells it.
struct CardHolder {
    std::string program;  // its name, such as "sleep"
    int pid = 0;
};

struct EjectResult {
    EjectOutcome outcome = EjectOutcome::Refused;
    std::string detail;               // the system's own words, or the other mount folder
    std::vector<CardHolder> holders;  // for Busy, where the system tells
};

// Ejects the card whose root is `cardRoot`. Waits for the system's answer. `beforeUnmount`,
// when given, runs after the card was found and flushed and before it is unmounted (tests
// take the card away there).
EjectResult EjectCard(const std::string& cardRoot, const std::function<void()>& beforeUnmount = {});

}  // namespace slotkit::platform
