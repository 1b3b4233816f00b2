// Reading and safely replacing whole files on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/posix/durable_rename.h"
#include "platform/posix/unique_fd.h"

namespace slotkit::platform {

namespace {

std::optional<LocalTime> ToLocalTime(std::time_t seconds) {
    std::tm tm{};
    if (::localtime_r(&seconds, &tm) == nullptr) {
        return std::nullopt;
    }
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

// O_NONBLOCK keeps a FIFO or device named like a slot from blocking the open; it changes
// nothing for regular files.
constexpr int kOpenFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

std::error_code OpenRegularForReading(const std::string& path, UniqueFd& fd, struct stat& st) {
    fd = UniqueFd(::open(path.c_str(), O_RDONLY | kOpenFlags));
    if (!fd) {
        return LastErrno();
    }
    if (::fstat(fd.get(), &st) != 0) {
        return LastErrno();
    }
    if (S_ISDIR(st.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

std::string ParentFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside `target` whose name never ends in ".DAT", so no listing shows it.
class TemporaryFile {
  public:
    std::error_code Create(const std::string& target) {
        path_ = ParentFolder(target) + "/.slotkit-XXXXXX.tmp";
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

std::error_code WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrno();
        }
        if (written == 0) {
            return std::make_error_code(std::errc::no_space_on_device);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return {};
}

OpenFolder::~OpenFolder() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

std::error_code OpenFolder::Open(const std::string& path) {
    if (handle_ >= 0) {
        ::close(static_cast<int>(std::exchange(handle_, -1)));
    }
    path_ = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return LastErrno();
    }
    handle_ = fd;
    return {};
}

FileReader::~FileReader() {
    Close();
}

void FileReader::Close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(std::exchange(handle_, -1)));
    }
    known_ = false;
}

std::error_code FileReader::Open(const std::string& path) {
    Close();
    UniqueFd fd;
    struct stat st;
    if (auto error = OpenRegularForReading(path, fd, st)) {
        return error;
    }
    handle_ = fd.Release();
    size_ = static_cast<std::uint64_t>(st.st_size);
    lastWrite_ = static_cast<std::int64_t>(st.st_mtime);
    known_ = true;
    return {};
}

std::error_code FileReader::OpenListed(const OpenFolder& folder, const char* name) {
    if (folder.handle_ < 0) {
        return Open(JoinPath(folder.Path(), name));
    }
    Close();
    const int fd =
        ::openat(static_cast<int>(folder.handle_), name, O_RDONLY | O_NOFOLLOW | kOpenFlags);
    if (fd < 0) {
        return LastErrno();
    }
    handle_ = fd;
    return {};
}

bool FileReader::KnowSizeAndTime() const {
    if (!known_ && handle_ >= 0) {
        struct stat st;
        if (::fstat(static_cast<int>(handle_), &st) == 0 && S_ISREG(st.st_mode)) {
            size_ = static_cast<std::uint64_t>(st.st_size);
            lastWrite_ = static_cast<std::int64_t>(st.st_mtime);
            known_ = true;
        }
    }
    return known_;
}

std::optional<LocalTime> FileReader::LastWrite() const {
    return KnowSizeAndTime() ? ToLocalTime(static_cast<std::time_t>(lastWrite_)) : std::nullopt;
}

std::error_code FileReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into,
                                   std::size_t& got) const {
    got = 0;
    while (got < into.size()) {
        const ssize_t read = ::pread(static_cast<int>(handle_), into.data() + got,
                                     into.size() - got, static_cast<off_t>(offset + got));
        if (read < 0) {
            if (errno == EINTR) {
                continue;
            }
            got = 0;
            return LastErrno();
        }
        if (read == 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    return {};
}

std::error_code ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out) {
    out.clear();
    UniqueFd fd;
    struct stat st;
    if (auto error = OpenRegularForReading(path, fd, st)) {
        return error;
    }
    out.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t done = 0;
    for (;;) {
        if (done == out.size()) {
            out.resize(out.size() * 2);  // the file grew while we read it
        }
        const ssize_t got = ::read(fd.get(), out.data() + done, out.size() - done);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            out.clear();
            return LastErrno();
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return {};
}

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

namespace {

// Opens an existing regular file for writing, without truncating it.
std::error_code OpenRegularForWriting(const std::string& path, UniqueFd& fd, struct stat& st) {
    fd = UniqueFd(::open(path.c_str(), O_WRONLY | kOpenFlags));
    if (!fd) {
        return LastErrno();
    }
    if (::fstat(fd.get(), &st) != 0) {
        return LastErrno();
    }
    if (!S_ISREG(st.st_mode)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    return {};
}

}  // namespace

std::error_code CheckUpdatable(const std::string& path) {
    UniqueFd fd;
    struct stat st;
    return OpenRegularForWriting(path, fd, st);
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

}  // namespace slotkit::platform
