// Safely replacing whole files, renames that never replace a file, and removal of files only, on
// POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/ascii.h"
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/posix/durable_rename.h"
#include "platform/posix/regular_files.h"
#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string_view NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
}

// A new file beside `target` whose name never ends in ".DAT", so no listing shows it.
class TemporaryFile {
  public:
    std::error_code Create(const std::string& target) {
        path_ = FolderOf(target) + "/.slotkit-XXXXXX.tmp";
        fd_ = UniqueFd(::mkstemps(path_.data(), 4));
        if (!fd_) {
            path_.clear();
            return LastErrno();
        }
        // Keep the permissions of the file being replaced; a new file gets the usual ones.
        struct stat st;
        mode_t mode = 0666;
        if (::stat(target.c_str(), &st) == 0) {
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode &= ~mask;
        }
        ::fchmod(fd_.get(), mode);
        return {};
    }

    int fd() const { return fd_.get(); }

    // Flushes, closes and renames the file over `target`, checking every step, and makes the
    // rename durable: the renamed file's own folder entry first, then the folder.
    std::error_code CommitOver(const std::string& target) {
        if (::fsync(fd_.get()) != 0) {
            return LastErrno();
        }
        if (auto error = fd_.Close()) {
            return error;
        }
        // The replaced file's clusters stay taken until its successor's entry is on the card.
        UniqueFd replaced = HoldClusters(target);
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return LastErrno();
        }
        path_.clear();
        const std::error_code flushed = SyncRenamedFile(target);
        replaced = UniqueFd();
        return NotConfirmed(flushed);
    }

    ~TemporaryFile() {
        if (!path_.empty()) {
            fd_ = UniqueFd();
            ::unlink(path_.c_str());
        }
    }

  private:
    std::string path_;
    UniqueFd fd_;
};

// An existing target must be a regular file that we may write: a file the user made read-only
// is not replaced behind its back.
std::error_code RefuseTarget(const std::string& target) {
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) {
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(S_ISDIR(st.st_mode) ? std::errc::is_a_directory
                                                        : std::errc::invalid_argument);
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        return LastErrno();
    }
    return {};
}

}  // namespace

std::error_code ReplaceFile(const std::string& target, std::span<const std::uint8_t> content) {
    if (auto error = RefuseTarget(target)) {
        return error;
    }
    TemporaryFile temp;
    if (auto error = temp.Create(target)) {
        return error;
    }
    if (auto error = WriteAll(temp.fd(), content.data(), content.size())) {
        return error;
    }
    return temp.CommitOver(target);
}

namespace {

// Copies `source` into a new temporary file beside `destination`, not yet flushed.
std::error_code WriteCopy(const std::string& source, const std::string& destination,
                          bool destinationMustExist, TemporaryFile& temp,
                          std::vector<std::uint8_t>& buffer) {
    UniqueFd in;
    struct stat st;
    if (auto error = OpenRegularForReading(source, in, st)) {
        return error;
    }
    if (auto error = RefuseTarget(destination)) {
        return error;
    }
    if (destinationMustExist && !IsRegularFile(destination)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    if (auto error = temp.Create(destination)) {
        return error;
    }
    buffer.resize(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrno();
        }
        if (got == 0) {
            return {};
        }
        if (auto error = WriteAll(temp.fd(), buffer.data(), static_cast<std::size_t>(got))) {
            return error;
        }
    }
}

}  // namespace

std::error_code CopyFileSafely(const std::string& source, const std::string& destination,
                               bool destinationMustExist) {
    TemporaryFile temp;
    std::vector<std::uint8_t> buffer;
    if (auto error = WriteCopy(source, destination, destinationMustExist, temp, buffer)) {
        return error;
    }
    return temp.CommitOver(destination);
}

std::error_code RewriteInPlace(const std::string& path, std::span<const std::uint8_t> content) {
    UniqueFd fd;
    struct stat st;
    if (auto error = OpenRegularForWriting(path, fd, st)) {
        return error;
    }
    if (static_cast<std::uint64_t>(st.st_size) != content.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    // The descriptor was just opened: writing starts at offset 0, and the length never changes.
    if (auto error = WriteAll(fd.get(), content.data(), content.size())) {
        return error;
    }
    if (::fsync(fd.get()) != 0) {
        return LastErrno();
    }
    return fd.Close();
}

// Cutting a file in place frees its tail in the FAT before its folder entry has the new size:
// the crash replay shows vfat, mounted with `flush` as desktops do, writing the FAT at once, so a
// card pulled then holds an entry longer than its chain. The kept bytes go through a safe
// replace instead, which the card always holds whole, old or new.
std::error_code TruncateFile(const std::string& path, std::uint64_t length) {
    UniqueFd fd;
    struct stat st;
    if (auto error = OpenRegularForWriting(path, fd, st)) {
        return error;
    }
    if (static_cast<std::uint64_t>(st.st_size) < length) {
        return std::make_error_code(std::errc::invalid_argument);  // would lengthen the file
    }
    if (static_cast<std::uint64_t>(st.st_size) == length) {
        return fd.Close();
    }
    std::vector<std::uint8_t> kept;
    if (auto error = ReadAt(path, 0, static_cast<std::size_t>(length), kept, nullptr)) {
        return error;
    }
    if (kept.size() != length) {
        return std::make_error_code(std::errc::io_error);  // the file shrank while we read it
    }
    if (auto error = fd.Close()) {
        return error;
    }
    return ReplaceFile(path, kept);
}

namespace {

// True when `folder` holds an entry called exactly `name`, byte for byte. On a case-insensitive
// file system "SAVE.DAT" may open "save.dat" without being an entry of its own.
bool HasExactEntry(const std::string& folder, std::string_view name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return true;  // cannot tell: assume the name is taken
    }
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (name == entry->d_name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

std::error_code RenameExclusive(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastErrno();
    }
    // The file system does not take the flag: look first. Nothing else writes the card while
    // a command runs, so the look stays true until the rename.
    if (PathExists(to)) {
        return std::make_error_code(std::errc::file_exists);
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return LastErrno();
    }
    return {};
}

// On a case-insensitive file system "save.dat" and "SAVE.DAT" are one file, and a plain rename
// between them does nothing. Going through a temporary name changes the case for real.
std::error_code RenameCaseOnly(const std::string& from, const std::string& to) {
    const std::string temp = from + ".slotkit-rename.tmp";
    if (auto error = RenameExclusive(from, temp)) {
        return error;
    }
    if (auto error = RenameExclusive(temp, to)) {
        ::rename(temp.c_str(), from.c_str());
        return error;
    }
    return {};
}

}  // namespace

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) {
        return LastErrno();
    }
    if (S_ISDIR(st.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    auto error = RenameExclusive(from, to);
    if (!error) {
        return NotConfirmed(SyncRenamedFile(to));
    }
    // Only the letter case differs and `to` is taken, yet the folder holds no entry of exactly
    // that name: a case-insensitive file system found `from` itself under the other spelling.
    // (Inode numbers cannot tell: FUSE file systems give each spelling a number of its own.)
    // A real entry of that name, such as a second hard link, is a name already taken.
    if (error == std::errc::file_exists && from != to && base::EqualIgnoringAsciiCase(from, to) &&
        !HasExactEntry(FolderOf(to), NameOf(to))) {
        error = RenameCaseOnly(from, to);
        if (!error) {
            error = NotConfirmed(SyncRenamedFile(to));
        }
    }
    return error;
}

std::error_code RemoveFile(const std::string& path) {
    // Its clusters stay taken until its entry is gone from the card.
    UniqueFd removed = HoldClusters(path);
    if (::unlink(path.c_str()) != 0) {
        return LastErrno();
    }
    return NotConfirmed(SyncFolderOf(path));
}

}  // namespace slotkit::platform
