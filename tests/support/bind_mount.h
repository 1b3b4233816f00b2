// A card stand-in that the system really mounts: a folder bind-mounted under /media, as the
// desktop mounts a card there. Only root may mount; the tests skip elsewhere.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace slotkit::test {

// Whether `folder` is a mount point now, as the system's mount table says.
inline bool IsMounted(const std::filesystem::path& folder) {
    std::ifstream table("/proc/self/mounts");
    std::string device, at;
    while (table >> device >> at) {
        if (at == folder.string()) {
            return true;
        }
        table.ignore(4096, '\n');
    }
    return false;
}

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

class BindMount {
  public:
    // Makes the folder `/media/<name>-<pid>`; mounts nothing yet.
    explicit BindMount(const std::string& name)
        : at_("/media/" + name + "-" + std::to_string(::getpid())) {
        std::error_code ignored;
        std::filesystem::create_directories(at_, ignored);
    }
    ~BindMount() {
        while (IsMounted(at_) && std::system(("umount -l " + Quoted(at_)).c_str()) == 0) {
        }
        std::error_code ignored;
        std::filesystem::remove(at_, ignored);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;

    // Why a test cannot mount here, or empty when it can.
    static std::string CannotMount() {
        if (::geteuid() != 0) {
            return "mounting a card under /media needs root";
        }
        return {};
    }
    // Mounts `from` at the folder; false when the system refused.
    bool Mount(const std::filesystem::path& from) {
        return std::system(
                   ("mount --bind " + Quoted(from) + " " + Quoted(at_) + " 2>/dev/null").c_str()) ==
                   0 &&
               IsMounted(at_);
    }
    bool Unmount() { return std::system(("umount " + Quoted(at_)).c_str()) == 0; }
    const std::filesystem::path& At() const { return at_; }
    std::string Root() const { return at_.string() + "/"; }

  private:
    std::filesystem::path at_;
};

}  // namespace slotkit::test
