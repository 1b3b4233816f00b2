// Files: what they are, and reading them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace slotkit::platform {

// True when anything (file or folder) exists at `path`.
bool PathExists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);

struct LocalTime {
    int year, month, day, hour, minute, second;
};
// The last-write time of a regular file, in local time.
std::optional<LocalTime> LastWriteTime(const std::string& path);

std::optional<std::uint64_t> FileSize(const std::string& path);

// Succeeds when `path` is an existing regular file that this program may open for writing
// (as C's "r+b" would), without changing it. Read-only files fail.
std::error_code CheckUpdatable(const std::string& path);

// Reads up to `count` bytes from `offset`; fewer when the file ends sooner. Fails when the
// file cannot be opened as a regular file or a read fails. When `lastWrite` is given, it
// receives the file's last-write time from the same open (nothing when it cannot be read).
std::error_code ReadAt(const std::string& path, std::uint64_t offset, std::size_t count,
                       std::vector<std::uint8_t>& out,
                       std::optional<LocalTime>* lastWrite = nullptr);
// A folder held open, so that the files a listing found in it are opened by their names there:
// the system then does not walk the folder's whole path again for each of them (POSIX: a
// descriptor of the folder; Windows: its path).
class OpenFolder {
  public:
    OpenFolder() = default;
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;
    ~OpenFolder();

    // Fails when `path` cannot be opened as a folder; files are then opened by their whole paths.
    std::error_code Open(const std::string& path);
    const std::string& Path() const { return path_; }

  private:
    friend class FileReader;
    std::intptr_t handle_ = -1;
    std::string path_;
};

// A regular file opened once for reading, and read at any offset without opening it again (a
// ROM's header, then its banner).
class FileReader {
  public:
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    // Fails when `path` cannot be opened as a regular file. Its size and last-write time come
    // with the open.
    std::error_code Open(const std::string& path);
    // Opens the file called `name` that a listing of `folder` found as a regular file, without
    // checking it again and without following a link. Its size and last-write time are asked
    // for only when wanted; a read fails when a folder took its place since.
    std::error_code OpenListed(const OpenFolder& folder, const char* name);
    // Nothing when the system cannot tell.
    std::optional<std::uint64_t> Size() const;
    std::optional<LocalTime> LastWrite() const;
    // Up to `count` bytes from `offset`; fewer when the file ends sooner.
    std::error_code ReadAt(std::uint64_t offset, std::size_t count,
                           std::vector<std::uint8_t>& out) const;
    // Up to `into.size()` bytes from `offset` into `into`; `got` says how many (fewer when the
    // file ends sooner).
    std::error_code ReadAt(std::uint64_t offset, std::span<std::uint8_t> into,
                           std::size_t& got) const;

  private:
    bool KnowSizeAndTime() const;
    void Close();

    std::intptr_t handle_ = -1;   // a file descriptor, or a Windows HANDLE
    mutable bool known_ = false;  // size_ and lastWrite_ are read
    mutable std::uint64_t size_ = 0;
    mutable std::int64_t lastWrite_ = 0;  // seconds since 1970, or a Windows FILETIME
};

// Reads a whole regular file.
std::error_code ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& out);

}  // namespace slotkit::platform
