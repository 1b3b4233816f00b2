// The prompter of the command line: messages print as "CAPTION: TEXT", questions are answered
// by --yes/--no or on the terminal, and choosers and name dialogs take their answers from the
// command's arguments.
#pragma once

#include <deque>
#include <iosfwd>
#include <optional>
#include <string>

#include "ports/prompter.h"

namespace slotkit::cli {

enum class AnswerPolicy { Ask, AlwaysYes, AlwaysNo };

struct Terminal {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool interactive;  // standard input is a terminal
};

class TerminalPrompter : public ports::Prompter {
  public:
    TerminalPrompter(Terminal terminal, AnswerPolicy policy)
        : terminal_(terminal), policy_(policy) {}

    // The answers, in the order the command will ask for them.
    std::deque<std::string> paths;      // every chooser takes the next one
    std::deque<std::string> slotNames;  // "Please input DAT filename"
    std::deque<std::string> newNames;   // "Please input new-filename."

    bool FailureShown() const { return failureShown_; }

    void Message(std::string_view text, std::string_view caption, ports::MessageKind kind) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> ChooseOpenFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseSaveFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseFolder(std::string_view title) override;
    std::optional<std::string> AskSlotName() override;
    std::optional<std::string> AskNewName() override;
    void Beep() override {}
    void Done(std::string_view what) override;
    std::unique_ptr<ports::BusyScope> Busy() override {
        return std::make_unique<ports::BusyScope>();
    }

  private:
    std::optional<std::string> NextPath();
    // A name the command line did not give, typed on the terminal when there is one.
    std::optional<std::string> TypedName(std::deque<std::string>& given, std::string_view prompt);
    void ChooserRefused(const std::string& path, std::string_view why);

    Terminal terminal_;
    AnswerPolicy policy_;
    bool failureShown_ = false;
};

}  // namespace slotkit::cli
