// New contents of several files flushed together, and files removed together (Windows).
#include <cstdio>
#include <cwctype>
#include <vector>

#include "platform/at_once.h"
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/staged_files.h"
#include "platform/user_places.h"
#include "platform/win32/win32_util.h"

namespace slotkit::platform {

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
