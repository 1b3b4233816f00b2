// Ports that stand in for the window's own for one command: a chooser that answers with a file
// already chosen, and a list of one slot the main list cannot show.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ports/prompter.h"
#include "ports/slot_view.h"

namespace slotkit::app {

// The window's prompter, except that its file chooser answers with one file: the ROM that the
// "Games on the card" dialog links a save to.
class ChosenFilePrompter : public ports::Prompter {
  public:
    ChosenFilePrompter(ports::Prompter& prompter, std::string path)
        : prompter_(prompter), path_(std::move(path)) {}

    void Message(std::string_view text, std::string_view caption,
                 ports::MessageKind kind) override {
        prompter_.Message(text, caption, kind);
    }
    bool AskYesNo(std::string_view text, std::string_view caption) override {
        return prompter_.AskYesNo(text, caption);
    }
    std::optional<std::string> ChooseOpenFile(const std::vector<ports::FileFilter>&,
                                              std::string_view) override {
        return path_;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override {
        return prompter_.ChooseSaveFile(filters, title);
    }
    std::optional<std::string> ChooseFolder(std::string_view title) override {
        return prompter_.ChooseFolder(title);
    }
    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<ports::FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t> sizes,
                                                     std::uint64_t& size) override {
        return prompter_.ChooseSaveFileAndSize(filters, title, sizes, size);
    }
    std::optional<std::string> AskSlotName() override { return prompter_.AskSlotName(); }
    std::optional<std::string> AskNewName() override { return prompter_.AskNewName(); }
    void Beep() override { prompter_.Beep(); }
    std::unique_ptr<ports::BusyScope> Busy() override { return prompter_.Busy(); }
    std::unique_ptr<ports::ProgressScope> Progress(std::string_view title) override {
        return prompter_.Progress(title);
    }
    void Done(std::string_view what) override { prompter_.Done(what); }

  private:
    ports::Prompter& prompter_;
    std::string path_;
};

// One slot file, selected, for a command on a slot the list cannot show (past its 100th row).
class OneSlotView : public ports::SlotView {
  public:
    explicit OneSlotView(std::string fileName) : rows_{{"", std::move(fileName), "", ""}} {}

    int NextSelected(int row) const override { return row == -1 && selected_ ? 0 : -1; }
    std::string FileName(int row) const override {
        return row >= 0 && static_cast<std::size_t>(row) < rows_.size() ? rows_[row].fileName
                                                                        : std::string();
    }
    void Show(const std::vector<ports::SlotRow>& rows) override {
        rows_ = rows;
        selected_ = false;
    }
    void ShowRow(int row, const ports::SlotRow& shown) override {
        if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
            rows_[row] = shown;
        }
    }

  private:
    std::vector<ports::SlotRow> rows_;
    bool selected_ = true;
};

}  // namespace slotkit::app
