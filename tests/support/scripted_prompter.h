// A prompter that records every message and question and answers from a script.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ports/prompter.h"

namespace slotkit::test {

struct Shown {
    enum class Kind { Info, Failure, Question };
    Kind kind;
    std::string text;
    std::string caption;
};

class ScriptedPrompter : public ports::Prompter {
  public:
    // Answers in the order they are asked; an unscripted question is answered `defaultYes`
    // and an unscripted chooser or name dialog is cancelled.
    std::deque<bool> answers;
    bool defaultYes = true;
    std::deque<std::optional<std::string>> paths;
    std::deque<std::optional<std::string>> slotNames;
    std::deque<std::optional<std::string>> newNames;

    // What the command did with the outside.
    std::vector<Shown> shown;
    struct Chooser {
        std::string kind;  // "open", "save", "folder"
        std::vector<ports::FileFilter> filters;
        std::string title;
    };
    std::vector<Chooser> choosers;
    int slotNameDialogs = 0;
    int newNameDialogs = 0;
    int beeps = 0;
    int busyScopes = 0;
    // Progress displays: their titles, every line they showed, and after how many updates the
    // user stops the reading (-1: never).
    std::vector<std::string> progressTitles;
    std::vector<std::string> progressLines;
    int stopProgressAfter = -1;

    void Message(std::string_view text, std::string_view caption, ports::MessageKind kind) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> ChooseOpenFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseSaveFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseFolder(std::string_view title) override;
    std::optional<std::string> AskSlotName() override;
    std::optional<std::string> AskNewName() override;
    void Beep() override { ++beeps; }
    std::unique_ptr<ports::BusyScope> Busy() override;
    std::unique_ptr<ports::ProgressScope> Progress(std::string_view title) override;

    // Messages and questions, as "caption: text", in order.
    std::vector<std::string> Transcript() const;
    // The last message box (not a question), or an empty Shown when there was none.
    Shown LastMessage() const;
    bool AnyFailure() const;
};

}  // namespace slotkit::test
