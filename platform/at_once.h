// Slow system calls for many files at once: flushes and removals. The file system and the
// device merge the requests that arrive together, where one after another each would wait
// for the device alone.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace slotkit::platform {

// Calls job(i) for every i below `count` from up to `kMostAtOnce` threads and returns the
// results in order. When no thread can be started, the calling thread does every job.
template <typename Job>
std::vector<std::error_code> AtOnce(std::size_t count, Job job) {
    constexpr std::size_t kMostAtOnce = 16;
    std::vector<std::error_code> results(count);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            results[i] = job(i);
        }
    };
    {
        std::vector<std::jthread> helpers;
        try {
            for (std::size_t t = 1; t < std::min(count, kMostAtOnce); ++t) {
                helpers.emplace_back(work);
            }
        } catch (const std::system_error&) {
            // Fewer helpers: the jobs they would have taken are left for the others.
        }
        work();
    }
    return results;
}

// The first failure of `results`, none when every job succeeded.
inline std::error_code FirstFailure(const std::vector<std::error_code>& results) {
    for (const std::error_code& error : results) {
        if (error) {
            return error;
        }
    }
    return {};
}

}  // namespace slotkit::platform
