// Helpers for the import and export tests.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "card_fixture.h"

namespace slotkit::test {

// A prompter that does something to the disk when the question is asked, after the command
// has read its files and before it writes: the way to make a write fail even for root.
class QuestionHookPrompter : public ScriptedPrompter {
  public:
    std::function<void()> onQuestion;

    bool AskYesNo(std::string_view text, std::string_view caption) override {
        if (onQuestion) {
            onQuestion();
        }
        return ScriptedPrompter::AskYesNo(text, caption);
    }
};

// Puts a plain file where `folder` was, so that no file can be created in it, and puts the
// folder back when it goes out of scope.
class FolderBlocked {
  public:
    explicit FolderBlocked(std::filesystem::path folder) : folder_(std::move(folder)) {}
    void Block() {
        std::filesystem::rename(folder_, Moved());
        WriteFile(folder_, Bytes{1});
        blocked_ = true;
    }
    ~FolderBlocked() {
        if (blocked_) {
            std::filesystem::remove(folder_);
            std::filesystem::rename(Moved(), folder_);
        }
    }

  private:
    std::filesystem::path Moved() const { return folder_.string() + ".moved"; }
    std::filesystem::path folder_;
    bool blocked_ = false;
};

// `before` with `with` laid over it from offset `at`.
inline Bytes Overlaid(Bytes before, const Bytes& with, std::size_t at = 0) {
    std::copy(with.begin(), with.end(), before.begin() + static_cast<std::ptrdiff_t>(at));
    return before;
}

inline Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

}  // namespace slotkit::test
