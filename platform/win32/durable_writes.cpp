// Safely replacing whole files, renames that never replace a file, and removal of files only, on
// Windows.
#include "platform/durable_writes.h"
#include "platform/files.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

std::error_code RefuseFolderTarget(const std::wstring& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    if (attributes & FILE_ATTRIBUTE_DEVICE) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    // Windows refuses to replace a read-only file; say so before writing anything, also where
    // the file system would let it happen (an administrator on some shares, Wine as root).
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        return std::make_error_code(std::errc::permission_denied);
    }
    return {};
}

}  // namespace

std::error_code ReplaceFile(const std::string& target, std::span<const std::uint8_t> content) {
    const auto wideTarget = Widen(target);
    if (!wideTarget || wideTarget->empty()) {
        return BadPathText();
    }
    if (auto error = RefuseFolderTarget(*wideTarget)) {
        return error;
    }
    TemporaryFile temp;
    if (auto error = temp.Create(*wideTarget)) {
        return error;
    }
    if (auto error = WriteAll(temp.handle(), content.data(), content.size())) {
        return error;
    }
    return temp.CommitOver(*wideTarget);
}

std::error_code CopyFileSafely(const std::string& source, const std::string& destination,
                               bool destinationMustExist) {
    UniqueHandle in;
    if (auto error = OpenExisting(source, GENERIC_READ, in)) {
        return error;
    }
    const auto wideDestination = Widen(destination);
    if (!wideDestination || wideDestination->empty()) {
        return BadPathText();
    }
    if (auto error = RefuseFolderTarget(*wideDestination)) {
        return error;
    }
    if (destinationMustExist && !IsRegularFile(destination)) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    TemporaryFile temp;
    if (auto error = temp.Create(*wideDestination)) {
        return error;
    }
    std::vector<std::uint8_t> buffer(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (auto error = ReadSome(in.get(), buffer.data(), buffer.size(), got)) {
            return error;
        }
        if (got == 0) {
            break;
        }
        if (auto error = WriteAll(temp.handle(), buffer.data(), got)) {
            return error;
        }
    }
    return temp.CommitOver(*wideDestination);
}

std::error_code RewriteInPlace(const std::string& path, std::span<const std::uint8_t> content) {
    if (IsReadOnly(path)) {
        return std::make_error_code(std::errc::permission_denied);
    }
    UniqueHandle file;
    // OPEN_EXISTING: the file is neither made nor cut.
    if (auto error = OpenExisting(path, GENERIC_WRITE, file)) {
        return error;
    }
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        return LastWin32Error();
    }
    if (size.QuadPart < 0 || static_cast<std::uint64_t>(size.QuadPart) != content.size()) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    LARGE_INTEGER start;
    start.QuadPart = 0;
    if (!::SetFilePointerEx(file.get(), start, nullptr, FILE_BEGIN)) {
        return LastWin32Error();
    }
    if (auto error = WriteAll(file.get(), content.data(), content.size())) {
        return error;
    }
    if (!::FlushFileBuffers(file.get())) {
        return LastWin32Error();
    }
    return file.Close();
}

std::error_code TruncateFile(const std::string& path, std::uint64_t length) {
    UniqueHandle file;
    if (auto error = OpenExisting(path, GENERIC_WRITE, file)) {
        return error;
    }
    // Only ever cuts: a file shorter than `length` would otherwise grow.
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size)) {
        return LastWin32Error();
    }
    if (length > static_cast<std::uint64_t>(size.QuadPart)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    if (!::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (!::SetEndOfFile(file.get()) || !::FlushFileBuffers(file.get())) {
        return LastWin32Error();
    }
    return file.Close();
}

namespace {

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The name the folder holds for `path`, as the file system spells it.
std::optional<std::wstring> StoredName(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(path.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    ::FindClose(find);
    return std::wstring(entry.cFileName);
}

std::wstring LastComponent(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/:");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A rename on the card goes to the disk before it returns, as the POSIX build syncs the
// renamed file and its folder; without MOVEFILE_REPLACE_EXISTING it never replaces a file.
bool MoveWrittenThrough(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

// NTFS and FAT change the letter case with one MoveFile. Some file systems (shares, Wine on
// a case-sensitive disk) take that rename as a rename onto itself and keep the old spelling;
// going through a temporary name changes it for real.
std::error_code FinishCaseOnlyRename(const std::wstring& from, const std::wstring& to) {
    const auto stored = StoredName(to);
    if (!stored || *stored == LastComponent(to)) {
        return {};
    }
    const std::wstring temp = from + L".slotkit-rename.tmp";
    if (!MoveWrittenThrough(to, temp)) {
        return LastWin32Error();
    }
    if (!MoveWrittenThrough(temp, to)) {
        const std::error_code error = LastWin32Error();
        MoveWrittenThrough(temp, from);
        return error;
    }
    return {};
}

}  // namespace

std::error_code RenameNoReplace(const std::string& from, const std::string& to) {
    const auto wideFrom = Widen(from);
    const auto wideTo = Widen(to);
    if (!wideFrom || !wideTo || wideFrom->empty() || wideTo->empty()) {
        return BadPathText();
    }
    const DWORD attributes = ::GetFileAttributesW(wideFrom->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastWin32Error();
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    // Renaming a file to its own name changes nothing; say so as the POSIX build does.
    if (from == to) {
        return std::make_error_code(std::errc::file_exists);
    }
    // MoveFile never replaces an existing file, and takes a rename that changes only the
    // letter case ("save.dat" to "SAVE.DAT") as a rename of the same file.
    if (!MoveWrittenThrough(*wideFrom, *wideTo)) {
        return LastWin32Error();
    }
    if (EqualIgnoringCase(*wideFrom, *wideTo)) {
        return FinishCaseOnlyRename(*wideFrom, *wideTo);
    }
    return {};
}

std::error_code RemoveFile(const std::string& path) {
    const auto wide = Widen(path);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    // DeleteFile refuses folders.
    if (!::DeleteFileW(wide->c_str())) {
        return LastWin32Error();
    }
    return {};
}

}  // namespace slotkit::platform
