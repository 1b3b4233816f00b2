// Word from the system that a drive's volume was mounted or unmounted, so that the window can
// follow the cards as they are put in and taken out.
#pragma once

#include <functional>
#include <memory>

namespace slotkit::platform {

class CardEvents {
  public:
    // `changed` runs on the program's main loop, once or more after each mount or unmount.
    // The events arrive while the main loop runs (the window's, on every platform).
    explicit CardEvents(std::function<void()> changed);
    ~CardEvents();
    CardEvents(const CardEvents&) = delete;
    CardEvents& operator=(const CardEvents&) = delete;

  private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};

}  // namespace slotkit::platform
