// The log that QEMU's blklogwrites driver keeps of a guest's writes, in the dm-log-writes format:
// a super block in sector 0, then one entry a sector (sector, sector count, flags, data length),
// each followed by the data it wrote, padded to whole log sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace slotkit::crash {

enum LogFlag : std::uint64_t {
    kLogFlush = 1,
    kLogFua = 2,
    kLogDiscard = 4,
    kLogMark = 8,
};

struct LoggedWrite {
    std::uint64_t sector = 0;  // in log sectors
    std::uint64_t sectors = 0;
    std::uint64_t flags = 0;
    std::vector<std::uint8_t> data;  // sectors * sector size bytes; empty for flushes and discards

    bool IsFlush() const { return (flags & kLogFlush) != 0; }
    bool WritesData() const { return sectors > 0 && (flags & kLogDiscard) == 0; }
};

struct WriteLog {
    std::uint32_t sectorSize = 512;
    std::uint64_t flushedEntries = 0;  // the count in the super block: entries up to the last flush
    std::vector<LoggedWrite> writes;
};

// Reads every entry of the log, those after the last flush too (the super block counts only up
// to the last flush; a guest switched off without one still wrote what follows). False with
// `error` set when the log is not such a log or an entry runs past its end.
bool ReadWriteLog(const std::vector<std::uint8_t>& bytes, WriteLog& log, std::string& error);
bool ReadWriteLogFile(const std::string& path, WriteLog& log, std::string& error);

}  // namespace slotkit::crash
