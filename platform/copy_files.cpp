#include "platform/durable_writes.h"

namespace slotkit::platform {

std::vector<std::error_code> CopyFilesSafely(std::span<const CopyRequest> requests) {
    std::vector<std::error_code> results;
    results.reserve(requests.size());
    for (const CopyRequest& r : requests) {
        results.push_back(CopyFileSafely(r.source, r.destination, r.destinationMustExist));
    }
    return results;
}

}  // namespace slotkit::platform
