// Keeps the tests out of the real user's history and cache: every test program that includes
// this points the user's data and cache folders (XDG_DATA_HOME and XDG_CACHE_HOME, LOCALAPPDATA
// on Windows) at a temporary folder, for itself and the programs it starts, and removes that
// folder when it ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#else
#include <process.h>
#endif

namespace slotkit::test {

class TestDataHome {
  public:
    TestDataHome() {
#ifdef _WIN32
        const int pid = ::_getpid();
#else
        const int pid = static_cast<int>(::getpid());
#endif
        std::error_code error;
        folder_ = std::filesystem::temp_directory_path(error) /
                  ("slotkit-test-data-" + std::to_string(pid));
        // Runs that give up root keep their history here too.
        for (const auto& folder : {folder_, folder_ / "slotkit", folder_ / "slotkit" / "history"}) {
            std::filesystem::create_directories(folder, error);
            std::filesystem::permissions(
                folder, std::filesystem::perms::all | std::filesystem::perms::sticky_bit, error);
        }
#ifdef _WIN32
        ::_putenv_s("LOCALAPPDATA", folder_.string().c_str());
#else
        ::setenv("XDG_DATA_HOME", folder_.c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
#endif
    }
    ~TestDataHome() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    const std::filesystem::path& Folder() const {
        return folder_;
    }

  private:
    std::filesystem::path folder_;
};

inline TestDataHome testDataHome;

}  // namespace slotkit::test
