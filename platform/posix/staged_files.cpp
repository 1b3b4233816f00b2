// New contents of several files flushed together, and files removed together (POSIX).
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <tuple>
#include <utility>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/durable_writes.h"
#include "platform/paths.h"
#include "platform/posix/unique_fd.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"

namespace slotkit::platform {

namespace {

// A staged file is reached through its folder's descriptor: when the folder is moved or removed
// while a batch runs, its temporary files are still removed or put in place there, never left
// behind under a name nobody looks for.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {".", path};
    }
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string TemporaryName() {
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(::time(nullptr));
    char name[64];
    std::snprintf(name, sizeof name, ".slotkit-%lx%llx%x.tmp",
                  static_cast<unsigned long>(::getpid()), now & 0xfffff, counter++);
    return name;
}

}  // namespace

struct StagedFiles::Impl {
    struct Staged {
        std::shared_ptr<UniqueFd> folder;
        std::string folderPath, temp, target;  // temp and target: names in the folder
        UniqueFd fd;

        // Creates the temporary file in the folder and writes `content` to it.
        std::error_code Write(std::span<const std::uint8_t> content) {
            for (int attempt = 0; attempt < 100 && !fd; ++attempt) {
                std::string name = TemporaryName();
                fd = UniqueFd(::openat(folder->get(), name.c_str(),
                                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
                if (fd) {
                    temp = std::move(name);
                } else if (errno != EEXIST) {
                    return LastErrno();
                }
            }
            if (!fd) {
                return std::make_error_code(std::errc::file_exists);
            }
            if (auto error = WriteAll(fd.get(), content.data(), content.size())) {
                return error;
            }
#ifdef __linux__
            // Start writing it to the device now, so that the flushes of Commit find little
            // left to do.
            ::sync_file_range(fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
            return {};
        }
    };
    std::vector<Staged> files;

    // Adds a file to stage, its folder opened once for all the files staged in it.
    std::error_code Add(const std::string& target) {
        Staged file;
        std::tie(file.folderPath, file.target) = SplitPath(target);
        for (const Staged& other : files) {
            if (other.folderPath == file.folderPath) {
                file.folder = other.folder;
            }
        }
        if (!file.folder) {
            file.folder = std::make_shared<UniqueFd>(
                ::open(file.folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!*file.folder) {
                return LastErrno();
            }
        }
        files.push_back(std::move(file));
        return {};
    }

    ~Impl() {
        for (Staged& file : files) {
            if (!file.temp.empty()) {
                file.fd = UniqueFd();
                ::unlinkat(file.folder->get(), file.temp.c_str(), 0);
            }
        }
    }
};

StagedFiles::StagedFiles() : impl_(std::make_unique<Impl>()) {}
StagedFiles::~StagedFiles() = default;

std::error_code StagedFiles::Stage(const std::string& target,
                                   std::span<const std::uint8_t> content) {
    if (auto error = impl_->Add(target)) {
        return error;
    }
    return impl_->files.back().Write(content);
}

std::error_code StagedFiles::StageAll(std::span<const FileToStage> files) {
    const std::size_t first = impl_->files.size();
    for (const FileToStage& file : files) {
        if (auto error = impl_->Add(file.target)) {
            return error;
        }
    }
    return FirstFailure(AtOnce(files.size(), [&](std::size_t i) {
        return impl_->files[first + i].Write(files[i].content);
    }));
}

std::error_code StagedFiles::Commit(std::size_t& committed) {
    committed = 0;
    std::vector<Impl::Staged>& files = impl_->files;
    if (auto error = FirstFailure(AtOnce(files.size(), [&](std::size_t i) -> std::error_code {
            // Without this flush a power cut after the renames could leave a target named but
            // holding none or part of its new bytes.
            if (::fsync(files[i].fd.get()) != 0) {
                return LastErrno();
            }
            return files[i].fd.Close();
        }))) {
        return error;
    }
    for (Impl::Staged& file : files) {
        const int folder = file.folder->get();
        if (::renameat(folder, file.temp.c_str(), folder, file.target.c_str()) != 0) {
            return LastErrno();
        }
        file.temp.clear();
        ++committed;
    }
    std::vector<int> folders;
    for (const Impl::Staged& file : files) {
        if (std::find(folders.begin(), folders.end(), file.folder->get()) == folders.end()) {
            folders.push_back(file.folder->get());
        }
    }
    // Without these flushes a power cut could leave a folder as it was before the renames: a
    // kept version or an intent record missing, or a target still holding its old content. The
    // renames are made by now, so a failed flush is told as a change not confirmed.
    return NotConfirmed(FirstFailure(AtOnce(folders.size(), [&](std::size_t i) -> std::error_code {
        if (::fsync(folders[i]) != 0 && errno != EINVAL) {
            return LastErrno();  // EINVAL: a file system that cannot flush a folder
        }
        return {};
    })));
}

std::error_code RemoveFilesTogether(std::span<const std::string> paths) {
    std::error_code first;
    std::vector<std::string> folders;
    for (const std::string& path : paths) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT && !first) {
            first = LastErrno();
        }
        std::string folder = SplitPath(path).first;
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(std::move(folder));
        }
    }
    for (const std::string& folder : folders) {
        UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!fd || ::fsync(fd.get()) != 0) {
            if (!first) {
                first = LastErrno();
            }
        }
    }
    return first;
}

}  // namespace slotkit::platform
