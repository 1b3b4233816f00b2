// Files on POSIX systems: what they are, and reading them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <utility>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/posix/regular_files.h"
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

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return StatRegular(path, st);
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<LocalTime> LastWriteTime(const std::string& path) {
    struct stat st;
    if (!StatRegular(path, st)) {
        return std::nullopt;
    }
    return ToLocalTime(st.st_mtime);
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
    struct stat st;
    if (!StatRegular(path, st)) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

std::error_code CheckUpdatable(const std::string& path) {
    UniqueFd fd;
    struct stat st;
    return OpenRegularForWriting(path, fd, st);
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

}  // namespace slotkit::platform
