#include "platform/durable_writes.h"

namespace slotkit::platform {

namespace {

class UnconfirmedCategory : public std::error_category {
  public:
    const char* name() const noexcept override { return "slotkit.unconfirmed"; }
    std::string message(int value) const override {
        return std::generic_category().message(value) +
               "; the change is made, but the drive did not confirm that it is stored: eject "
               "the card before you take it out, and check it";
    }
};

const UnconfirmedCategory& Unconfirmed() {
    static const UnconfirmedCategory category;
    return category;
}

}  // namespace

std::vector<std::error_code> CopyFilesSafely(std::span<const CopyRequest> requests) {
    std::vector<std::error_code> results;
    results.reserve(requests.size());
    for (const CopyRequest& r : requests) {
        results.push_back(CopyFileSafely(r.source, r.destination, r.destinationMustExist));
    }
    return results;
}

std::error_code NotConfirmed(const std::error_code& flushError) {
    if (!flushError) {
        return {};
    }
    const int value = flushError.category() == std::generic_category()
                          ? flushError.value()
                          : static_cast<int>(std::errc::io_error);
    return {value, Unconfirmed()};
}

bool ChangedButNotConfirmed(const std::error_code& error) {
    return error.category() == Unconfirmed();
}

}  // namespace slotkit::platform
