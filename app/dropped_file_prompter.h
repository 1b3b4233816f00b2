// The window's prompter for a file dropped onto the slot list: the open-file chooser answers
// with the dropped file, once; everything else is the window's own prompter.
#pragma once

#include <string>

#include "platform/platform.h"

namespace slotkit::app {

class DroppedFilePrompter : public Prompter {
  public:
    DroppedFilePrompter(Prompter& window, std::string dropped)
        : window_(window), dropped_(std::move(dropped)) {}

    void Message(std::string_view text, std::string_view caption, MessageKind kind) override {
        window_.Message(text, caption, kind);
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override {
        return window_.AskYesNo(text, caption);
    }
    std::optional<std::string> ChooseOpenFile(const std::vector<FileFilter>& filters,
                                              std::string_view title) override {
        if (used_) {
            return window_.ChooseOpenFile(filters, title);
        }
        used_ = true;
        return dropped_;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                              std::string_view title) override {
        return window_.ChooseSaveFile(filters, title);
    }
    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t> sizes,
                                                     std::uint64_t& size) override {
        return window_.ChooseSaveFileAndSize(filters, title, sizes, size);
    }
    std::optional<std::string> ChooseFolder(std::string_view title) override {
        return window_.ChooseFolder(title);
    }
    std::optional<std::string> AskSlotName() override { return window_.AskSlotName(); }
    std::optional<std::string> AskNewName() override { return window_.AskNewName(); }
    void Beep() override { window_.Beep(); }
    std::unique_ptr<BusyScope> Busy() override { return window_.Busy(); }

  private:
    Prompter& window_;
    std::string dropped_;
    bool used_ = false;
};

}  // namespace slotkit::app
