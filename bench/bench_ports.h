// The ports of a benchmarked command: a prompter that answers from its fields and a slot list
// whose first rows are selected.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/prompter.h"
#include "ports/slot_view.h"

namespace slotkit::bench {

// Choosers take `openPath` and `folder`; every question is answered `answer`. `failed` tells
// whether a failure was shown or a question was answered No.
class BenchPrompter : public ports::Prompter {
  public:
    std::optional<std::string> openPath;
    std::optional<std::string> folder;
    bool answer = true;
    bool failed = false;

    void Message(std::string_view, std::string_view, ports::MessageKind kind) override {
        failed = failed || kind == ports::MessageKind::Failure;
    }
    bool AskYesNo(std::string_view, std::string_view) override {
        failed = failed || !answer;
        return answer;
    }
    std::optional<std::string> ChooseOpenFile(const std::vector<ports::FileFilter>&,
                                              std::string_view) override {
        return openPath;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<ports::FileFilter>&,
                                              std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(std::string_view) override { return folder; }
    std::optional<std::string> AskSlotName() override { return std::nullopt; }
    std::optional<std::string> AskNewName() override { return std::nullopt; }
    void Beep() override {}
    std::unique_ptr<ports::BusyScope> Busy() override {
        return std::make_unique<ports::BusyScope>();
    }
};

// The first `selectedCount` rows are selected until the list is shown anew.
class AllSelectedView : public ports::SlotView {
  public:
    std::vector<ports::SlotRow> rows;
    int selectedCount = 0;
    int NextSelected(int row) const override { return row + 1 < selectedCount ? row + 1 : -1; }
    std::string FileName(int row) const override { return rows.at(row).fileName; }
    void Show(const std::vector<ports::SlotRow>& newRows) override {
        rows = newRows;
        selectedCount = 0;
    }
    void ShowRow(int row, const ports::SlotRow& shown) override { rows.at(row) = shown; }
};

}  // namespace slotkit::bench
