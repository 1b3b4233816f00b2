#include "scripted_prompter.h"

namespace slotkit::test {

namespace {

template <typename T>
T TakeFront(std::deque<T>& queue, T fallback) {
    if (queue.empty()) {
        return fallback;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

}  // namespace

void ScriptedPrompter::Message(std::string_view text, std::string_view caption,
                               ports::MessageKind kind) {
    shown.push_back({kind == ports::MessageKind::Failure ? Shown::Kind::Failure : Shown::Kind::Info,
                     std::string(text), std::string(caption)});
}

bool ScriptedPrompter::AskYesNo(std::string_view text, std::string_view caption) {
    shown.push_back({Shown::Kind::Question, std::string(text), std::string(caption)});
    return TakeFront(answers, defaultYes);
}

std::optional<std::string> ScriptedPrompter::ChooseOpenFile(
    const std::vector<ports::FileFilter>& filters, std::string_view title) {
    choosers.push_back({"open", filters, std::string(title)});
    return TakeFront(paths, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompter::ChooseSaveFile(
    const std::vector<ports::FileFilter>& filters, std::string_view title) {
    choosers.push_back({"save", filters, std::string(title)});
    return TakeFront(paths, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompter::ChooseFolder(std::string_view title) {
    choosers.push_back({"folder", {}, std::string(title)});
    return TakeFront(paths, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompter::AskSlotName() {
    ++slotNameDialogs;
    return TakeFront(slotNames, std::optional<std::string>{});
}

std::optional<std::string> ScriptedPrompter::AskNewName() {
    ++newNameDialogs;
    return TakeFront(newNames, std::optional<std::string>{});
}

std::unique_ptr<ports::BusyScope> ScriptedPrompter::Busy() {
    ++busyScopes;
    return std::make_unique<ports::BusyScope>();
}

std::vector<std::string> ScriptedPrompter::Transcript() const {
    std::vector<std::string> lines;
    for (const Shown& s : shown) {
        lines.push_back(s.caption + ": " + s.text);
    }
    return lines;
}

Shown ScriptedPrompter::LastMessage() const {
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
        if (it->kind != Shown::Kind::Question) {
            return *it;
        }
    }
    return {};
}

bool ScriptedPrompter::AnyFailure() const {
    for (const Shown& s : shown) {
        if (s.kind == Shown::Kind::Failure) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<ports::ProgressScope> ScriptedPrompter::Progress(std::string_view title) {
    progressTitles.emplace_back(title);
    struct Recorded : ports::ProgressScope {
        ScriptedPrompter& owner;
        int updates = 0;
        explicit Recorded(ScriptedPrompter& prompter) : owner(prompter) {}
        bool Update(std::uint64_t, std::uint64_t, std::string_view text) override {
            owner.progressLines.emplace_back(text);
            return owner.stopProgressAfter < 0 || ++updates <= owner.stopProgressAfter;
        }
    };
    return std::make_unique<Recorded>(*this);
}

}  // namespace slotkit::test
