// Folders on POSIX systems: made, listed, and searched for files. The file search: readdir, with
// lstat where the entry's type is not given, so that a link is seen as a link and passed by.
// Folders are told apart by device and inode, so that a bind mount of a folder into itself is not
// walked again.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <set>
#include <string_view>
#include <utility>

#include "platform/find_files_rules.h"
#include "platform/folders.h"
#include "platform/paths.h"
#include "platform/posix/regular_files.h"
#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

std::error_code MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) {
        return LastErrno();
    }
    return {};
}

std::vector<std::string> ListFiles(const std::string& folder, bool (*wanted)(std::string_view),
                                   std::error_code* error) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        if (error != nullptr && errno != ENOENT) {
            *error = LastErrno();
        }
        return names;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0 && error != nullptr) {
                *error = LastErrno();
            }
            break;
        }
        const std::string_view name = entry->d_name;
        if (!wanted(name)) {
            continue;
        }
        // Only files: a folder whose name is wanted is not listed.
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            regular = StatRegular(JoinPath(folder, name), st);
        }
        if (regular) {
            names.emplace_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

namespace {

class Walk {
  public:
    Walk(const FileSearch& search, FoundFiles& found) : search_(search), found_(found) {}

    void Folder(const std::string& folder, int depth) {
        // The root may itself be a link (a card mounted through one); nothing below it is followed.
        struct stat st;
        const int got = depth == 0 ? ::stat(folder.c_str(), &st) : ::lstat(folder.c_str(), &st);
        if (got != 0 || !S_ISDIR(st.st_mode) || !seen_.emplace(st.st_dev, st.st_ino).second) {
            return;
        }
        DIR* dir = ::opendir(folder.c_str());
        if (dir == nullptr) {
            return;
        }
        std::vector<std::string> subfolders;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            if (looked_ == search_.maxEntries || search_.stop.stop_requested()) {
                found_.stoppedAtLimit = true;
                break;
            }
            ++looked_;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat entryStat;
                type = ::lstat(JoinPath(folder, name).c_str(), &entryStat) != 0 ? DT_UNKNOWN
                       : S_ISDIR(entryStat.st_mode)                             ? DT_DIR
                       : S_ISREG(entryStat.st_mode)                             ? DT_REG
                                                                                : DT_UNKNOWN;
            }
            if (type == DT_DIR) {
                if (depth < search_.maxDepth &&
                    !(depth == 0 && IsOneOf(name, search_.skippedRootFolders))) {
                    subfolders.push_back(JoinPath(folder, name));
                }
            } else if (type == DT_REG && EndsInOneOf(name, search_.suffixes)) {
                found_.paths.push_back(JoinPath(folder, name));
            }
        }
        ::closedir(dir);
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
    std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

FoundFiles FindFiles(const std::string& root, const FileSearch& search) {
    FoundFiles found;
    Walk(search, found).Folder(root, 0);
    return found;
}

}  // namespace slotkit::platform
