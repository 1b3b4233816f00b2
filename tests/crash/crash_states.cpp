#include "crash_states.h"

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <set>
#include <stdexcept>

namespace slotkit::crash {

std::vector<FlushWindow> FlushWindows(const WriteLog& log) {
    std::vector<FlushWindow> windows;
    FlushWindow current;
    for (std::size_t i = 0; i < log.writes.size(); ++i) {
        const LoggedWrite& write = log.writes[i];
        if (write.IsFlush()) {
            if (!current.writes.empty()) {
                windows.push_back(current);
            }
            current = FlushWindow{i + 1, {}};
            // A flush that carries data (a preflush write) reaches the media after the flush.
            if (write.WritesData()) {
                current.writes.push_back(i);
            }
            continue;
        }
        if (write.WritesData()) {
            if (current.writes.empty()) {
                current.first = i;
            }
            current.writes.push_back(i);
        }
    }
    if (!current.writes.empty()) {
        windows.push_back(current);
    }
    return windows;
}

std::vector<std::vector<bool>> ReorderedSubsets(std::size_t count, std::size_t cap,
                                                std::uint64_t seed) {
    std::vector<std::vector<bool>> subsets;
    if (count < 2 || cap == 0) {
        return subsets;
    }
    auto isPrefix = [](const std::vector<bool>& mask) {
        bool seenGap = false;
        for (bool bit : mask) {
            if (!bit) {
                seenGap = true;
            } else if (seenGap) {
                return false;
            }
        }
        return true;
    };
    // Below 2^20 subsets every one can be named; beyond that sampling is the only way.
    if (count < 20 && (std::size_t{1} << count) - 1 - count <= cap) {
        for (std::size_t bits = 1; bits < (std::size_t{1} << count); ++bits) {
            std::vector<bool> mask(count);
            for (std::size_t i = 0; i < count; ++i) {
                mask[i] = ((bits >> i) & 1) != 0;
            }
            if (!isPrefix(mask)) {
                subsets.push_back(std::move(mask));
            }
        }
        return subsets;
    }
    std::mt19937_64 random(seed);
    std::set<std::vector<bool>> seen;
    for (std::size_t attempt = 0; subsets.size() < cap && attempt < cap * 20; ++attempt) {
        std::vector<bool> mask(count);
        for (std::size_t i = 0; i < count; ++i) {
            mask[i] = (random() & 1) != 0;
        }
        if (isPrefix(mask) || !seen.insert(mask).second) {
            continue;
        }
        subsets.push_back(std::move(mask));
    }
    return subsets;
}

ReplayImage::ReplayImage(const std::string& start, const std::string& working,
                         std::uint32_t sectorSize)
    : path_(working), sectorSize_(sectorSize) {
    const int in = ::open(start.c_str(), O_RDONLY | O_CLOEXEC);
    fd_ = ::open(working.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (in < 0 || fd_ < 0) {
        if (in >= 0) {
            ::close(in);
        }
        return;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got <= 0 || ::write(fd_, buffer.data(), static_cast<std::size_t>(got)) != got) {
            if (got != 0) {
                ::close(fd_);
                fd_ = -1;
            }
            break;
        }
    }
    ::close(in);
}

ReplayImage::~ReplayImage() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void ReplayImage::Apply(const LoggedWrite& write) {
    if (!write.WritesData()) {
        return;
    }
    const auto offset = static_cast<off_t>(write.sector * sectorSize_);
    if (::pwrite(fd_, write.data.data(), write.data.size(), offset) !=
        static_cast<ssize_t>(write.data.size())) {
        throw std::runtime_error("cannot write the replay image " + path_);
    }
}

std::vector<std::uint8_t> ReplayImage::Read(const LoggedWrite& write) const {
    std::vector<std::uint8_t> bytes(write.WritesData() ? write.data.size() : 0);
    if (!bytes.empty() &&
        ::pread(fd_, bytes.data(), bytes.size(), static_cast<off_t>(write.sector * sectorSize_)) !=
            static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error("cannot read the replay image " + path_);
    }
    return bytes;
}

void ReplayImage::Restore(const LoggedWrite& write, const std::vector<std::uint8_t>& before) {
    if (before.empty()) {
        return;
    }
    LoggedWrite back = write;
    back.data = before;
    Apply(back);
}

void ForEachCrashState(const WriteLog& log, const std::string& startImage,
                       const std::string& workingImage, std::size_t reorderCap,
                       const std::function<void(const StateLabel&, const std::string&)>& check) {
    ReplayImage image(startImage, workingImage, log.sectorSize);
    if (!image.ok()) {
        throw std::runtime_error("cannot copy " + startImage + " to " + workingImage);
    }
    check(StateLabel{false, false, 0, {}}, image.path());
    for (std::size_t i = 0; i < log.writes.size(); ++i) {
        if (!log.writes[i].WritesData()) {
            continue;  // a flush changes no byte: its state is the one before it
        }
        const LoggedWrite& write = log.writes[i];
        if (write.data.size() >= kTornWriteBytes) {
            LoggedWrite half = write;
            half.sectors = write.sectors / 2;
            half.data.resize(half.sectors * log.sectorSize);
            image.Apply(half);
            check(StateLabel{false, true, i, {}}, image.path());
        }
        image.Apply(write);
        check(StateLabel{false, false, i + 1, {}}, image.path());
    }
    if (reorderCap == 0) {
        return;
    }
    // Back to the start, then forward window by window: each window's subsets go on top of
    // the state at its start and are taken back before the window is applied in full.
    ReplayImage reordered(startImage, workingImage, log.sectorSize);
    std::size_t applied = 0;
    for (const FlushWindow& window : FlushWindows(log)) {
        for (; applied < window.first; ++applied) {
            reordered.Apply(log.writes[applied]);
        }
        const auto subsets = ReorderedSubsets(window.writes.size(), reorderCap, window.first + 1);
        for (const std::vector<bool>& mask : subsets) {
            // Later writes of a subset may cover earlier ones: keep what each overwrote, in
            // order, and put it back in reverse.
            std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> undo;
            std::string label;
            for (std::size_t k = 0; k < window.writes.size(); ++k) {
                label += mask[k] ? '1' : '0';
                if (mask[k]) {
                    const LoggedWrite& write = log.writes[window.writes[k]];
                    undo.emplace_back(window.writes[k], reordered.Read(write));
                    reordered.Apply(write);
                }
            }
            check(StateLabel{true, false, window.first, label}, reordered.path());
            for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
                reordered.Restore(log.writes[it->first], it->second);
            }
        }
    }
}

}  // namespace slotkit::crash
