// The window's prompter: message boxes, the file and folder choosers, the two name dialogs.
#pragma once

#include <wx/window.h>

#include <functional>

#include "ports/prompter.h"

namespace slotkit::app {

enum class ChooserKind { Open, Save, Folder };

struct ChooserRequest {
    ChooserKind kind;
    std::vector<ports::FileFilter> filters;
    std::string title;
    std::string startFolder;  // where a folder chooser opens; empty: wherever the system likes
};

class WxPrompter : public ports::Prompter {
  public:
    explicit WxPrompter(wxWindow* parent) : parent_(parent) {}

    // Tests answer the choosers here: GTK's file dialogs cannot be driven from a test.
    using ChooserStub = std::function<std::optional<std::string>(const ChooserRequest&)>;
    void SetChooserStub(ChooserStub stub) { chooserStub_ = std::move(stub); }
    // Asked when a chooser closes with a path: the card may have been taken out while the
    // chooser was open. A card that is gone is said so, and the chooser counts as cancelled.
    void SetCardCheck(std::function<bool()> cardInDrive) { cardInDrive_ = std::move(cardInDrive); }
    // The same prompter with its dialogs over `parent` (a dialog of the window's own), so that
    // the keyboard goes back to it when they close.
    WxPrompter Over(wxWindow* parent) const {
        WxPrompter over(*this);
        over.parent_ = parent;
        return over;
    }

    void Message(std::string_view text, std::string_view caption, ports::MessageKind kind) override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    std::optional<std::string> ChooseOpenFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseSaveFile(const std::vector<ports::FileFilter>& filters,
                                              std::string_view title) override;
    std::optional<std::string> ChooseFolder(std::string_view title) override;
    // A folder chooser that opens in `startFolder` (GTK's own start, "Recent", takes no typed
    // path).
    std::optional<std::string> ChooseFolderIn(std::string_view title,
                                              const std::string& startFolder);
    // In wx_export_chooser.cpp: the save chooser with a choice of the save's size. A chooser
    // stub answers the path and keeps the suggested size.
    std::optional<std::string> ChooseSaveFileAndSize(const std::vector<ports::FileFilter>& filters,
                                                     std::string_view title,
                                                     std::span<const std::uint64_t> sizes,
                                                     std::uint64_t& size) override;
    std::optional<std::string> AskSlotName() override;
    std::optional<std::string> AskNewName() override;
    void Beep() override;
    std::unique_ptr<ports::BusyScope> Busy() override;
    // A progress dialog over the window, with a Cancel button.
    std::unique_ptr<ports::ProgressScope> Progress(std::string_view title) override;

  private:
    std::optional<std::string> ChooseFile(ChooserKind kind,
                                          const std::vector<ports::FileFilter>& filters,
                                          std::string_view title,
                                          const std::string& startFolder = {});
    std::optional<std::string> CardStillIn(std::optional<std::string> chosen);

    wxWindow* parent_;
    ChooserStub chooserStub_;
    std::function<bool()> cardInDrive_;
};

// "desc|pattern|desc|pattern" for wxFileDialog; on GTK the patterns match in any letter case,
// as they do on the card's file system.
wxString FileDialogWildcard(const std::vector<ports::FileFilter>& filters);

}  // namespace slotkit::app
