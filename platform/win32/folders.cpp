// Folders on Windows: made, listed, and searched for files. The file search: FindFirstFileW /
// FindNextFileW. Every reparse point (symbolic link, junction, mount point) is passed by, so the
// walk never leaves the card or loops.
#include <string_view>

#include "platform/find_files_rules.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

std::error_code MakeFolder(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    if (!::CreateDirectoryW(wide->c_str(), nullptr)) {
        return LastWin32Error();
    }
    return {};
}

std::vector<std::string> ListFiles(const std::string& folder, bool (*wanted)(std::string_view),
                                   std::error_code* error) {
    std::vector<std::string> names;
    // Every entry: a pattern such as "*.DAT" would also match 8.3 aliases ("NOTES~1.DAT").
    const auto pattern = Widen(JoinPath(folder, "*"));
    if (!pattern) {
        return names;
    }
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(pattern->c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD why = ::GetLastError();
        if (error != nullptr && why != ERROR_FILE_NOT_FOUND && why != ERROR_PATH_NOT_FOUND) {
            *error = std::error_code(static_cast<int>(why), std::system_category());
        }
        return names;
    }
    do {
        // Only files: a folder whose name is wanted is not listed.
        if (!IsFileAttributes(entry.dwFileAttributes)) {
            continue;
        }
        // A name that is not valid UTF-16 could not be opened again through a UTF-8 path.
        if (auto name = Narrow(entry.cFileName); name && wanted(*name)) {
            names.push_back(std::move(*name));
        }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

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
