#include "guest_test.h"

#include <stdlib.h>

#include <filesystem>

#include "run_tool.h"

namespace slotkit::crash {

namespace fs = std::filesystem;

namespace {

bool HaveProgram(const std::string& name) {
    return RunTool({"sh", "-c", "command -v \"$1\"", "sh", name}).status == 0;
}

}  // namespace

std::string Env(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

void GuestTest::SetUp() {
    for (const char* tool :
         {"qemu-system-x86_64", "mkfs.fat", "fsck.fat", "mcopy", "busybox", "xz", "timeout"}) {
        ASSERT_TRUE(HaveProgram(tool))
            << tool << " is missing: the crash replay cannot run (scripts/setup-debian.sh "
            << "installs qemu-system-x86, busybox-static, xz-utils, dosfstools and mtools)";
    }
    // Not under /dev: the guest mounts its own /dev over the paths its archive holds there.
    std::string pattern = "/tmp/slotkit-crash-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    std::string scratch = (fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") +
                          std::string("/slotkit-crash-replay-XXXXXX");
    ASSERT_NE(::mkdtemp(scratch.data()), nullptr);
    scratch_ = scratch;
}

void GuestTest::TearDown() {
    std::error_code ignored;
    if (!root_.empty() && std::getenv("SLOTKIT_CRASH_KEEP") == nullptr) {
        fs::remove_all(root_, ignored);
    }
    if (!scratch_.empty()) {
        fs::remove_all(scratch_, ignored);
    }
}

void GuestTest::MakeKit() {
    kit_ = root_ + "/kit";
    const ToolResult made = RunTool({"bash", SLOTKIT_CRASH_KIT,
                                     Env("SLOTKIT_CRASH_CACHE", "/var/cache/slotkit/crash-guest"),
                                     SLOTKIT_BINARY, kit_});
    ASSERT_EQ(made.status, 0) << "the guest could not be made: " << made.err << made.out;
}

}  // namespace slotkit::crash
