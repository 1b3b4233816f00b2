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
class BenchPrompter : public Prompter {
  public:
    std::optional<std::string> openPath;
    std::optional<std::string> folder;
    bool answer = true;
    bool failed = false;

    void Message(std::string_view, std::string_view, MessageKind kind) override {
        failed = failed || kind == MessageKind::Failure;
    }
    bool AskYesNo(std::string_view, std::string_view) override {
        failed = failed || !answer;
        return answer;
    }
    std::optional<std::string> ChooseOpenFile(const std::vector<FileFilter>&,
                                              std::string_view) override {
        return openPath;
    }
    std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>&,
                                              std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(std::string_view) override { return folder; }
    std::optional<std::string> AskSlotName() override { return std::nullopt; }
    std::optional<std::string> AskNewName() override { return std::nullopt; }
    void Beep() override {}
    std::unique_ptr<BusyScope> Busy() override { return std::make_unique<BusyScope>(); }
};

// The first `selectedCount` rows are selected until the list is shown anew.
class AllSelectedView : public SlotView {
  public:
    std::vector<SlotRow> rows;
    int selectedCount = 0;
    int NextSelected(int row) const override { return row + 1 < selectedCount ? row + 1 : -1; }
    std::string FileName(int row) const override { return rows.at(row).fileName; }
    void Show(const std::vector<SlotRow>& newRows) override {
        rows = newRows;
        selectedCount = 0;
    }
    void ShowRow(int row, const SlotRow& shown) override { rows.at(row) = shown; }
};

}  // namespace slotkit::bench
