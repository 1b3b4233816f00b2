// What every command is handed: the card, the mode, and the two ports to the outside.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "card/slot_format.h"
#include "platform/platform.h"

namespace slotkit {

struct CommandContext {
    std::string cardRoot;  // ends with the separator; empty: no drive chosen
    EditMode mode = EditMode::Nds;
    Prompter& prompter;
    SlotView& view;
    // The history folder that keeps every slot version a command replaces; empty: the user's.
    std::string historyFolder{};
    // Whether the card is still in its drive. A card taken out may leave its mount folder
    // behind on the system disk, where nothing may be written. Empty: the card root is taken
    // as it is (the command line, whose card root is checked before the command runs).
    std::function<bool()> cardInDrive{};

    const SlotLayout& Layout() const { return LayoutFor(mode); }
    bool CardInDrive() const { return !cardInDrive || cardInDrive(); }
    std::string SaveFolder() const;
    std::string SlotPathOf(const std::string& fileName) const;
};

// The selected rows, in list order.
std::vector<int> SelectedRows(const SlotView& view);

// The captions and texts that several commands share.
namespace text {
inline constexpr const char* kSuccess = "Success!";
inline constexpr const char* kFailed = "Failed!";
inline constexpr const char* kCaptionTrue = "true";
inline constexpr const char* kCaptionAlert = "Alert";
inline constexpr const char* kCaptionError = "error";
inline constexpr const char* kCaptionMessage = "message";
inline constexpr const char* kCaptionConfirm = "<< Alert >>";
inline constexpr const char* kSelectOne = "Please select a one-savefile.";
inline constexpr const char* kNoCard = "A memory card isn't set in the drive.";
}  // namespace text

}  // namespace slotkit
