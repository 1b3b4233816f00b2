// The port through which commands reach the user: messages, questions, choosers, progress.
// Commands include it and nothing of wx; the window, the terminal and the tests implement it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace slotkit::ports {

// How a message box reads to the user. Failure messages make the command line exit with 1.
enum class MessageKind { Info, Failure };

// One description/pattern pair of a file chooser, such as {"SAV File(*.sav)", "*.sav"}.
struct FileFilter {
    std::string description;
    std::string pattern;
};

// An object that shows the wait cursor for as long as it lives.
class BusyScope {
  public:
    virtual ~BusyScope() = default;
};

// A long reading that the user watches and may stop, such as a ROM read whole for its save type.
class ProgressScope {
  public:
    virtual ~ProgressScope() = default;
    // `done` of `total`, and a line that says what is being done; false once the user asked to
    // stop.
    virtual bool Update(std::uint64_t done, std::uint64_t total, std::string_view text) = 0;
};

class Prompter {
  public:
    virtual ~Prompter() = default;

    // A message box with one OK button.
    virtual void Message(std::string_view text, std::string_view caption, MessageKind kind) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;

    // Choosers: the full path, or nothing when the user cancels. They never suggest a name.
    virtual std::optional<std::string> ChooseOpenFile(const std::vector<FileFilter>& filters,
                                                      std::string_view title) = 0;
    // Asks before overwriting an existing file; a refused overwrite is a cancel.
    virtual std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                                      std::string_view title) = 0;
    // A folder, without a trailing separator.
    virtual std::optional<std::string> ChooseFolder(std::string_view title) = 0;
    // The save chooser of an export to a new file, which also offers the save's size: one of
    // `sizes`. `size` comes in as the suggested size and goes out as the chosen one. A
    // prompter without a size choice of its own keeps the suggested size.
    virtual std::optional<std::string> ChooseSaveFileAndSize(const std::vector<FileFilter>& filters,
                                                             std::string_view title,
                                                             std::span<const std::uint64_t> sizes,
                                                             std::uint64_t& size) {
        (void)sizes;
        (void)size;
        return ChooseSaveFile(filters, title);
    }

    // The "Please input DAT filename" dialog for a new slot: the typed text, nothing on cancel.
    virtual std::optional<std::string> AskSlotName() = 0;
    // The "Please input new-filename." dialog of a rename: the typed text, nothing on cancel.
    virtual std::optional<std::string> AskNewName() = 0;

    virtual void Beep() = 0;
    [[nodiscard]] virtual std::unique_ptr<BusyScope> Busy() = 0;
    // A progress display titled `title`; a prompter without one shows nothing and never stops.
    [[nodiscard]] virtual std::unique_ptr<ProgressScope> Progress(std::string_view title) {
        (void)title;
        struct Unseen : ProgressScope {
            bool Update(std::uint64_t, std::uint64_t, std::string_view) override { return true; }
        };
        return std::make_unique<Unseen>();
    }

    // What a command did that no message box says ("A.DAT was deleted."). The window shows it
    // in the list and ignores this; the command line prints it.
    virtual void Done(std::string_view /*what*/) {}
};

}  // namespace slotkit::ports
