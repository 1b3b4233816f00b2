// The file search on Windows: FindFirstFileW / FindNextFileW. Every reparse point (symbolic
// link, junction, mount point) is passed by, so the walk never leaves the card or loops.
#include <string_view>

#include "platform/find_files_rules.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

class Walk {
  public:
    Walk(const FileSearch& search, FoundFiles& found) : search_(search), found_(found) {}

    void Folder(const std::string& folder, int depth) {
        const auto pattern = Widen(JoinPath(folder, "*"));
        if (!pattern) {
            return;
        }
        WIN32_FIND_DATAW entry;
        HANDLE find = ::FindFirstFileExW(pattern->c_str(), FindExInfoBasic, &entry,
                                         FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) {
            return;
        }
        std::vector<std::string> subfolders;
        do {
            const std::wstring_view wide = entry.cFileName;
            if (wide == L"." || wide == L"..") {
                continue;
            }
            if (looked_ == search_.maxEntries || search_.stop.stop_requested()) {
                found_.stoppedAtLimit = true;
                break;
            }
            ++looked_;
            const auto name = Narrow(wide);
            if (!name || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                continue;
            }
            const std::string path = JoinPath(folder, *name);
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                if (depth < search_.maxDepth &&
                    !(depth == 0 && IsOneOf(*name, search_.skippedRootFolders))) {
                    subfolders.push_back(path);
                }
            } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0 &&
                       EndsInOneOf(*name, search_.suffixes)) {
                found_.paths.push_back(path);
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
        for (const std::string& subfolder : subfolders) {
            if (found_.stoppedAtLimit) {
                return;
            }
            Folder(subfolder, depth + 1);
        }
    }

  private:
    const FileSearch& search_;
    FoundFiles& found_;
    std::size_t looked_ = 0;
};

}  // namespace

FoundFiles FindFiles(const std::string& root, const FileSearch& search) {
    FoundFiles found;
    Walk(search, found).Folder(root, 0);
    return found;
}

}  // namespace slotkit::platform
