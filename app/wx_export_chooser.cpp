// The save chooser of "Export to a new file...", with the save's size chosen in the chooser.
#include <wx/filedlg.h>
#include <wx/filedlgcustomize.h>

#include "app/wx_prompter.h"
#include "app/wx_text.h"
#include "commands/exchange_steps.h"

namespace slotkit::app {

namespace {

std::string SizeLabel(std::uint64_t size) {
    return base::ByteCount(size) + " bytes";
}

// A "Save size:" choice below the file list.
class SizeChoice : public wxFileDialogCustomizeHook {
  public:
    SizeChoice(std::span<const std::uint64_t> sizes, std::uint64_t& size)
        : sizes_(sizes), size_(size) {}

    void AddCustomControls(wxFileDialogCustomize& customizer) override {
        customizer.AddStaticText("Save size:");
        wxArrayString labels;
        for (const std::uint64_t size : sizes_) {
            labels.Add(ToWx(SizeLabel(size)));
        }
        choice_ = customizer.AddChoice(labels.size(), &labels[0]);
        for (std::size_t i = 0; i < sizes_.size(); ++i) {
            if (sizes_[i] == size_) {
                choice_->SetSelection(static_cast<int>(i));
            }
        }
    }
    void TransferDataFromCustomControls() override {
        const int chosen = choice_->GetSelection();
        if (chosen >= 0 && static_cast<std::size_t>(chosen) < sizes_.size()) {
            size_ = sizes_[static_cast<std::size_t>(chosen)];
        }
    }

  private:
    std::span<const std::uint64_t> sizes_;
    std::uint64_t& size_;
    wxFileDialogChoice* choice_ = nullptr;
};

}  // namespace

std::optional<std::string> WxPrompter::ChooseSaveFileAndSize(
    const std::vector<ports::FileFilter>& filters, std::string_view title,
    std::span<const std::uint64_t> sizes, std::uint64_t& size) {
    if (chooserStub_) {
        return CardStillIn(chooserStub_({ChooserKind::Save, filters, std::string(title), {}}));
    }
    wxFileDialog dialog(parent_, ToWx(title), wxEmptyString, wxEmptyString,
                        FileDialogWildcard(filters), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    SizeChoice choice(sizes, size);
    dialog.SetCustomizeHook(choice);
    if (dialog.ShowModal() != wxID_OK) {
        return std::nullopt;
    }
    return CardStillIn(FromWx(dialog.GetPath()));
}

}  // namespace slotkit::app
