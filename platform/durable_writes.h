// Writing files so that a card pulled out at any moment keeps either the old or the new content:
// every write flushed to the device, and a failure to flush reported.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace slotkit::platform {

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

}  // namespace slotkit::platform
