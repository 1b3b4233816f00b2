#include "write_log.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace slotkit::crash {

namespace {

constexpr std::uint64_t kMagic = 0x6a736677736872ULL;
constexpr std::uint64_t kVersion = 1;
constexpr std::uint64_t kKnownFlags = kLogFlush | kLogFua | kLogDiscard | kLogMark;

std::uint64_t Le64(const std::uint8_t* p) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | p[i];
    }
    return value;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(Le64(p) & 0xffffffffULL);
}

}  // namespace

bool ReadWriteLog(const std::vector<std::uint8_t>& bytes, WriteLog& log, std::string& error) {
    log = WriteLog{};
    if (bytes.size() < 28) {
        error = "the log is shorter than its super block";
        return false;
    }
    if (Le64(bytes.data()) != kMagic) {
        error = "the log has no write-log magic";
        return false;
    }
    if (Le64(bytes.data() + 8) != kVersion) {
        error = "the log's version is not 1";
        return false;
    }
    log.flushedEntries = Le64(bytes.data() + 16);
    log.sectorSize = Le32(bytes.data() + 24);
    const std::uint64_t size = log.sectorSize;
    if (size < 32 || (size & (size - 1)) != 0 || size > (1u << 20)) {
        error = "the log's sector size is not a power of two of at least 32 bytes";
        return false;
    }
    std::uint64_t at = size;
    while (at + size <= bytes.size()) {
        const std::uint8_t* entry = bytes.data() + at;
        LoggedWrite write;
        write.sector = Le64(entry);
        write.sectors = Le64(entry + 8);
        write.flags = Le64(entry + 16);
        if (write.sector == 0 && write.sectors == 0 && write.flags == 0 &&
            log.writes.size() >= log.flushedEntries) {
            break;  // the zeros after the last entry of a log that was never cut short
        }
        if ((write.flags & ~kKnownFlags) != 0) {
            error = "entry " + std::to_string(log.writes.size()) + " has unknown flags";
            return false;
        }
        at += size;
        if (write.WritesData()) {
            if (write.sectors > (bytes.size() - at) / size) {
                if (log.writes.size() < log.flushedEntries) {
                    error = "entry " + std::to_string(log.writes.size()) + " runs past the log";
                    return false;
                }
                break;  // the guest stopped while QEMU wrote this entry's data
            }
            write.data.assign(
                bytes.begin() + static_cast<std::ptrdiff_t>(at),
                bytes.begin() + static_cast<std::ptrdiff_t>(at + write.sectors * size));
            at += write.sectors * size;
        }
        log.writes.push_back(std::move(write));
    }
    if (log.writes.size() < log.flushedEntries) {
        error = "the log ends after " + std::to_string(log.writes.size()) + " of its " +
                std::to_string(log.flushedEntries) + " entries";
        return false;
    }
    return true;
}

bool ReadWriteLogFile(const std::string& path, WriteLog& log, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return ReadWriteLog(bytes, log, error);
}

}  // namespace slotkit::crash
