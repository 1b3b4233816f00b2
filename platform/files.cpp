#include "platform/files.h"

namespace slotkit::platform {

std::optional<std::uint64_t> FileReader::Size() const {
    return KnowSizeAndTime() ? std::optional(size_) : std::nullopt;
}

std::error_code FileReader::ReadAt(std::uint64_t offset, std::size_t count,
                                   std::vector<std::uint8_t>& out) const {
    out.resize(count);
    std::size_t got = 0;
    const std::error_code error = ReadAt(offset, out, got);
    out.resize(got);
    return error;
}

std::error_code ReadAt(const std::string& path, std::uint64_t offset, std::size_t count,
                       std::vector<std::uint8_t>& out, std::optional<LocalTime>* lastWrite) {
    out.clear();
    FileReader file;
    if (auto error = file.Open(path)) {
        return error;
    }
    if (lastWrite != nullptr) {
        *lastWrite = file.LastWrite();
    }
    return file.ReadAt(offset, count, out);
}

}  // namespace slotkit::platform
