// The history's place on Windows, its volume names, and files flushed together.
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/at_once.h"
#include "platform/history_store.h"
#include "platform/platform.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

namespace {

// %LOCALAPPDATA%\slotkit\`leaf`.
std::error_code LocalAppDataFolder(const char* leaf, std::string& folder) {
    std::vector<wchar_t> value(32768);
    const DWORD length =
        ::GetEnvironmentVariableW(L"LOCALAPPDATA", value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    const auto base = Narrow(std::wstring_view(value.data(), length));
    if (!base || base->empty()) {
        return std::make_error_code(std::errc::no_such_file_or_directory);
    }
    folder = JoinPath(JoinPath(*base, "slotkit"), leaf);
    return {};
}

}  // namespace

std::error_code DefaultHistoryFolder(std::string& folder) {
    return LocalAppDataFolder("history", folder);
}

std::error_code UserCacheFolder(std::string& folder) {
    return LocalAppDataFolder("cache", folder);
}

std::optional<std::string> VolumeId(const std::string& cardRoot) {
    const auto wide = Widen(cardRoot);
    if (!wide || wide->empty()) {
        return std::nullopt;
    }
    // Only the root of a volume stands for the volume; a folder inside one does not.
    wchar_t volumeRoot[MAX_PATH + 1];
    if (!::GetVolumePathNameW(wide->c_str(), volumeRoot, MAX_PATH + 1)) {
        return std::nullopt;
    }
    auto trimmed = [](std::wstring path) {
        while (!path.empty() && IsSeparator(path.back())) {
            path.pop_back();
        }
        for (wchar_t& c : path) {
            c = static_cast<wchar_t>(::towupper(c));
        }
        return path;
    };
    if (trimmed(volumeRoot) != trimmed(*wide)) {
        return std::nullopt;
    }
    DWORD serial = 0;
    if (!::GetVolumeInformationW(volumeRoot, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return std::nullopt;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04lX-%04lX", static_cast<unsigned long>(serial >> 16),
                  static_cast<unsigned long>(serial & 0xffff));
    return std::string(text);
}

struct StagedFiles::Impl {
    struct Staged {
        TemporaryFile temp;
        std::wstring target;
    };
    std::vector<Staged> files;  // temporary files not committed are removed with them
};

StagedFiles::StagedFiles() : impl_(std::make_unique<Impl>()) {}
StagedFiles::~StagedFiles() = default;

std::error_code StagedFiles::Stage(const std::string& target,
                                   std::span<const std::uint8_t> content) {
    const auto wide = Widen(target);
    if (!wide || wide->empty()) {
        return BadPathText();
    }
    Impl::Staged file{{}, *wide};
    if (auto error = file.temp.Create(file.target)) {
        return error;
    }
    impl_->files.push_back(std::move(file));
    return WriteAll(impl_->files.back().temp.handle(), content.data(), content.size());
}

std::error_code StagedFiles::StageAll(std::span<const FileToStage> files) {
    for (const FileToStage& file : files) {
        if (auto error = Stage(file.target, file.content)) {
            return error;
        }
    }
    return {};
}

std::error_code StagedFiles::Commit(std::size_t& committed) {
    committed = 0;
    std::vector<Impl::Staged>& files = impl_->files;
    if (auto error = FirstFailure(
            AtOnce(files.size(), [&](std::size_t i) { return files[i].temp.Flush(); }))) {
        return error;
    }
    for (Impl::Staged& file : files) {
        if (auto error = file.temp.MoveOver(file.target)) {
            return error;
        }
        ++committed;
    }
    return {};
}

std::error_code RemoveFilesTogether(std::span<const std::string> paths) {
    // Windows writes a removal through on its own; a folder cannot be flushed there.
    std::error_code first;
    for (const std::string& path : paths) {
        const auto wide = Widen(path);
        if (!wide || wide->empty()) {
            if (!first) {
                first = BadPathText();
            }
            continue;
        }
        if (!::DeleteFileW(wide->c_str())) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && !first) {
                first = FromWin32Error(error);
            }
        }
    }
    return first;
}

}  // namespace slotkit::platform
