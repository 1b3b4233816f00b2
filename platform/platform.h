// The ports through which commands reach the user and the slot list, and the OS services through
// which they reach the disk. Commands include this header and nothing of wx or the OS.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace slotkit {

// ---------------------------------------------------------------------------------------------
// Ports

// How a message box reads to the user. Failure messages make the command line exit with 1.
enum class MessageKind { Info, Failure };

// One description/pattern pair of a file chooser, such as {"SAV File(*.sav)", "*.sav"}.
struct FileFilter {
    std::string description;
    std::string pattern;
};

// An object that shows the wait cursor for as long as it lives.
class BusyScope {
  public:
    virtual ~BusyScope() = default;
};

// A long reading that the user watches and may stop, such as a ROM read whole for its save type.
class ProgressScope {
  public:
    virtual ~ProgressScope() = default;
    // `done` of `total`, and a line that says what is being done; false once the user asked to
    // stop.
    virtual bool Update(std::uint64_t done, std::uint64_t total, std::string_view text) = 0;
};

class Prompter {
  public:
    virtual ~Prompter() = default;

    // A message box with one OK button.
    virtual void Message(std::string_view text, std::string_view caption, MessageKind kind) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;

    // Choosers: the full path, or nothing when the user cancels. They never suggest a name.
    virtual std::optional<std::string> ChooseOpenFile(const std::vector<FileFilter>& filters,
                                                      std::string_view title) = 0;
    // Asks before overwriting an existing file; a refused overwrite is a cancel.
    virtual std::optional<std::string> ChooseSaveFile(const std::vector<FileFilter>& filters,
                                                      std::string_view title) = 0;
    // A folder, without a trailing separator.
    virtual std::optional<std::string> ChooseFolder(std::string_view title) = 0;
    // The save chooser of an export to a new file, which also offers the save's size: one of
    // `sizes`. `size` comes in as the suggested size and goes out as the chosen one. A
    // prompter without a size choice of its own keeps the suggested size.
    virtual std::optional<std::string> ChooseSaveFileAndSize(const std::vector<FileFilter>& filters,
                                                             std::string_view title,
                                                             std::span<const std::uint64_t> sizes,
                                                             std::uint64_t& size) {
        (void)sizes;
        (void)size;
        return ChooseSaveFile(filters, title);
    }

    // The "Please input DAT filename" dialog for a new slot: the typed text, nothing on cancel.
    virtual std::optional<std::string> AskSlotName() = 0;
    // The "Please input new-filename." dialog of a rename: the typed text, nothing on cancel.
    virtual std::optional<std::string> AskNewName() = 0;

    virtual void Beep() = 0;
    [[nodiscard]] virtual std::unique_ptr<BusyScope> Busy() = 0;
    // A progress display titled `title`; a prompter without one shows nothing and never stops.
    [[nodiscard]] virtual std::unique_ptr<ProgressScope> Progress(std::string_view title) {
        (void)title;
        struct Unseen : ProgressScope {
            bool Update(std::uint64_t, std::uint64_t, std::string_view) override { return true; }
        };
        return std::make_unique<Unseen>();
    }

    // What a command did that no message box says ("A.DAT was deleted."). The window shows it
    // in the list and ignores this; the command line prints it.
    virtual void Done(std::string_view /*what*/) {}
};

// One row of the slot list, as shown.
struct SlotRow {
    std::string number;    // "00" to "99"
    std::string fileName;  // the file's name as the file system gives it; empty: no file
    std::string title;     // UTF-8, safe to show
    std::string date;      // empty when the time could not be read
};

class SlotView {
  public:
    virtual ~SlotView() = default;

    // The next selected row after `row` (-1 to start); -1 when none is left.
    virtual int NextSelected(int row) const = 0;
    // The FileName of a row; empty for a row without a file.
    virtual std::string FileName(int row) const = 0;
    // Replaces every row with `rows`; afterwards no row is selected.
    virtual void Show(const std::vector<SlotRow>& rows) = 0;
    // Replaces the shown columns of one row; the selection stays as it is.
    virtual void ShowRow(int row, const SlotRow& shown) = 0;
};

// ---------------------------------------------------------------------------------------------
// OS services. Paths are UTF-8 (on POSIX: the bytes the file system uses).

namespace platform {

// Joins a folder and a name: "dir" + separator + "name".
std::string JoinPath(std::string_view folder, std::string_view name);
inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// The removable drive roots, each ending in the separator ("E:\", "/media/user/CARD/").
std::vector<std::string> RemovableDrives();

// True when anything (file or folder) exists at `path`.
bool PathExists(const std::string& path);
bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
std::error_code MakeFolder(const std::string& path);
// Makes the folder `path` and every folder above it that is missing; a folder already there is
// no error.
std::error_code MakeFolders(const std::string& path);

// Names of the entries of `folder` that end in ".DAT" in any letter case, in the order the
// file system returns them. A missing or unreadable folder gives no names; `error`, when given,
// then tells why a folder that exists could not be read.
std::vector<std::string> ListSlotFiles(const std::string& folder, std::error_code* error = nullptr);

// The entries of a folder, sorted by name: files and sub-folders, links not followed. Fails
// when the folder cannot be read.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
};
std::error_code ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);

// The files anywhere under a folder whose names end in one of `suffixes` (".NDS"; any letter
// case). Links are never followed, neither to files nor to folders, and no folder is entered
// twice. The walk is bounded: folders deeper than `maxDepth` below the root are not entered,
// and it stops after looking at `maxEntries` entries. Folders that cannot be read are passed by.
// A stop asked for through `stop` ends the walk at the next entry.
struct FileSearch {
    std::vector<std::string> suffixes;
    std::vector<std::string> skippedRootFolders;  // folders right under the root not entered
    int maxDepth = 8;
    std::size_t maxEntries = 10000;
    std::stop_token stop{};
};
struct FoundFiles {
    std::vector<std::string> paths;  // full paths, in the order the walk found them
    // The entry limit, or a stop asked for, ended the walk before it was done.
    bool stoppedAtLimit = false;
};
FoundFiles FindFiles(const std::string& root, const FileSearch& search);

struct LocalTime {
    int year, month, day, hour, minute, second;
};
// The last-write time of a regular file, in local time.
std::optional<LocalTime> LastWriteTime(const std::string& path);

std::optional<std::uint64_t> FileSize(const std::string& path);

// The user's cache folder for this program: $XDG_CACHE_HOME/slotkit (~/.cache/slotkit when it is
// not set or not an absolute path) on POSIX systems, %LOCALAPPDATA%\slotkit\cache on Windows.
// It may not exist yet. Fails when the user has no home folder to put it in.
std::error_code UserCacheFolder(std::string& folder);

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

// Writes `content` as the new whole content of `target`: into a temporary file beside it,
// flushed to the device and closed, then renamed over the target. On failure the temporary
// file is gone and the target is as it was. Temporary names never end in ".DAT".
std::error_code ReplaceFile(const std::string& target, std::span<const std::uint8_t> content);

// Copies `source` over `destination` the same safe way as ReplaceFile. The source must be a
// regular file; the destination may be missing (it is then created) unless `mustExist`.
std::error_code CopyFileSafely(const std::string& source, const std::string& destination,
                               bool destinationMustExist);

// Several copies, each made the safe way of CopyFileSafely, one after the other: a copy is on
// the device and in place before the next one starts, so a card pulled out mid-batch keeps
// every finished copy and no temporary file. One result per request, in order; a failed copy
// leaves its destination as it was and does not stop the others.
struct CopyRequest {
    std::string source;
    std::string destination;
    bool destinationMustExist = false;
};
std::vector<std::error_code> CopyFilesSafely(std::span<const CopyRequest> requests);

// Writes `content` over the whole of an existing regular file of the same length, in place:
// opened for writing without truncation, written from its first byte, flushed to the device and
// closed, every step checked. No cluster of the file is freed or taken, so a card pulled meanwhile
// holds the file with its old bytes, its new bytes or a mix of both, never a broken entry (the
// history's intent record finishes a mix). A file of another length is refused before anything
// is written (std::errc::invalid_argument).
std::error_code RewriteInPlace(const std::string& path, std::span<const std::uint8_t> content);

// An exclusive lock on a lock file, held for as long as the object lives or until Release: one
// slotkit process at a time finishes or makes the in-place writes of a card. Other processes
// that take the same lock wait for it (or, without `wait`, fail at once with
// std::errc::resource_unavailable_try_again). Two objects of one process exclude each other too.
class FileLock {
  public:
    FileLock() = default;
    ~FileLock() { Release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Creates the lock file when it is missing (not its folder) and takes the lock.
    std::error_code Take(const std::string& path, bool wait = true);
    void Release();
    bool Held() const { return handle_ != kNone; }

  private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;  // a file descriptor, or a Windows HANDLE
};

// Cuts an existing regular file to `length` bytes in place and flushes it.
std::error_code TruncateFile(const std::string& path, std::uint64_t length);

// The failure of a flush that comes after a file was renamed or removed: the change is made,
// but the device did not confirm that it is stored. ReplaceFile, CopyFileSafely,
// RenameNoReplace and RemoveFile give such an error then; ChangedButNotConfirmed tells it.
std::error_code NotConfirmed(const std::error_code& flushError);
bool ChangedButNotConfirmed(const std::error_code& error);

// Renames `from` to `to` and never replaces an existing `to`. A rename that changes only the
// letter case of the name works on case-insensitive file systems too.
std::error_code RenameNoReplace(const std::string& from, const std::string& to);

// Removes a file; never a folder.
std::error_code RemoveFile(const std::string& path);

// The 8.3 short form of `path` (the whole path, as Windows' GetShortPathName gives it), or
// nothing when none can be had.
std::optional<std::string> ShortPathName(const std::string& path);

// The 8.3 names that the file system keeps for the entries of `folder`, read in one pass over
// it: each entry's name with its 8.3 name ("GAMEOF~1.NDS"; on Windows an entry that has no
// other is its own). An empty list when the file system keeps none that can be read (POSIX: a
// folder not on a kernel-mounted FAT file system); nothing when the folder cannot be read.
struct KeptShortName {
    std::string name;
    std::string shortName;
};
std::optional<std::vector<KeptShortName>> KeptShortNames(const std::string& folder);

}  // namespace platform
}  // namespace slotkit
