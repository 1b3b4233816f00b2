// Renames that never replace a file, and removal of files only, on Windows.
#include "platform/durable_writes.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

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
