#include "cli/terminal_prompter.h"

#include <istream>
#include <ostream>

#include "commands/run_command.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace slotkit::cli {

namespace {

std::optional<std::string> TakeFront(std::deque<std::string>& queue) {
    if (queue.empty()) {
        return std::nullopt;
    }
    std::string front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

void TerminalPrompter::Message(std::string_view text, std::string_view caption,
                               ports::MessageKind kind) {
    std::ostream& stream = kind == ports::MessageKind::Failure ? terminal_.err : terminal_.out;
    stream << caption << ": " << text << '\n';
    stream.flush();
    if (kind == ports::MessageKind::Failure) {
        failureShown_ = true;
    }
}

bool TerminalPrompter::AskYesNo(std::string_view text, std::string_view caption) {
    switch (policy_) {
        case AnswerPolicy::AlwaysYes:
            return true;
        case AnswerPolicy::AlwaysNo:
            return false;
        case AnswerPolicy::Ask:
            break;
    }
    if (!terminal_.interactive) {
        throw commands::AnswerUnavailable{};
    }
    terminal_.out << caption << ": " << text << " [y/N] ";
    terminal_.out.flush();
    std::string answer;
    if (!std::getline(terminal_.in, answer)) {
        terminal_.out << '\n';
        return false;
    }
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES";
}

std::optional<std::string> TerminalPrompter::NextPath() {
    return TakeFront(paths);
}

void TerminalPrompter::ChooserRefused(const std::string& path, std::string_view why) {
    terminal_.err << "slotkit: " << path << ": " << why << '\n';
    failureShown_ = true;
}

std::optional<std::string> TerminalPrompter::ChooseOpenFile(const std::vector<ports::FileFilter>&,
                                                            std::string_view) {
    auto path = NextPath();
    if (path && !platform::IsRegularFile(*path)) {
        ChooserRefused(*path, "there is no such file");
        return std::nullopt;
    }
    return path;
}

std::optional<std::string> TerminalPrompter::ChooseSaveFile(const std::vector<ports::FileFilter>&,
                                                            std::string_view) {
    auto path = NextPath();
    if (!path) {
        return path;
    }
    if (platform::IsDirectory(*path)) {
        ChooserRefused(*path, "this is a folder, not a file");
        return std::nullopt;
    }
    if (platform::PathExists(*path) &&
        !AskYesNo(*path + " already exists.\nDo you want to replace it?", "Confirm Save As")) {
        return std::nullopt;
    }
    return path;
}

std::optional<std::string> TerminalPrompter::ChooseFolder(std::string_view) {
    auto path = NextPath();
    if (!path) {
        return path;
    }
    if (!platform::IsDirectory(*path)) {
        ChooserRefused(*path, "there is no such folder");
        return std::nullopt;
    }
    while (path->size() > 1 && path->back() == platform::kPathSeparator) {
        path->pop_back();
    }
    return path;
}

std::optional<std::string> TerminalPrompter::TypedName(std::deque<std::string>& given,
                                                       std::string_view prompt) {
    if (!given.empty() || !terminal_.interactive) {
        return TakeFront(given);  // none given and no terminal: the dialog is cancelled
    }
    terminal_.out << prompt << " (empty to cancel): ";
    terminal_.out.flush();
    std::string typed;
    if (!std::getline(terminal_.in, typed) || typed.empty()) {
        return std::nullopt;
    }
    return typed;
}

std::optional<std::string> TerminalPrompter::AskSlotName() {
    return TypedName(slotNames, "Please input DAT filename");
}

std::optional<std::string> TerminalPrompter::AskNewName() {
    return TypedName(newNames, "Please input new-filename.");
}

void TerminalPrompter::Done(std::string_view what) {
    terminal_.out << what << '\n';
    terminal_.out.flush();
}

}  // namespace slotkit::cli
