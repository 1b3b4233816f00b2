// The slot listing over a full 100-slot folder, next to the least work any listing must do:
// enumerate, open, read the 11 name bytes, stat, close, in plain C calls.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "slots/slot_format.h"
#include "slots/slot_listing.h"

namespace {

namespace fs = std::filesystem;

// A save folder with 100 new-form NDS slots, made once for the whole run.
const std::string& HundredSlotFolder() {
    static const std::string folder = [] {
        std::string dir = (fs::temp_directory_path() / "slotkit-bench-XXXXXX").string();
        if (::mkdtemp(dir.data()) == nullptr) {
            std::abort();
        }
        const std::string saves = dir + "/NDSSAVE";
        fs::create_directory(saves);
        std::vector<char> slot(slotkit::slots::kNdsLayout.newFormSize, 0x5A);
        std::memcpy(slot.data() + slotkit::slots::kNdsLayout.ShortNameOffset(), "BENCH   NDS", 11);
        for (int i = 0; i < 100; ++i) {
            std::ofstream(saves + "/SLOT" + std::to_string(i) + ".DAT", std::ios::binary)
                .write(slot.data(), static_cast<std::streamsize>(slot.size()));
        }
        std::atexit([] { fs::remove_all(fs::path(HundredSlotFolder()).parent_path()); });
        return saves;
    }();
    return folder;
}

void BM_Listing(benchmark::State& state) {
    const std::string& folder = HundredSlotFolder();
    for (auto _ : state) {
        auto rows = slotkit::slots::ReadSlotRows(folder, slotkit::slots::kNdsLayout);
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_Listing)->Unit(benchmark::kMicrosecond);

void BM_ListingFloor(benchmark::State& state) {
    const std::string& folder = HundredSlotFolder();
    for (auto _ : state) {
        DIR* dir = ::opendir(folder.c_str());
        int files = 0;
        while (const dirent* entry = ::readdir(dir)) {
            const std::size_t length = std::strlen(entry->d_name);
            if (length < 4 || ::strcasecmp(entry->d_name + length - 4, ".DAT") != 0) {
                continue;
            }
            const std::string path = folder + "/" + entry->d_name;
            const int fd = ::open(path.c_str(), O_RDONLY);
            char name[12] = {};
            benchmark::DoNotOptimize(
                ::pread(fd, name, 11, slotkit::slots::kNdsLayout.ShortNameOffset()));
            struct stat st;
            ::fstat(fd, &st);
            benchmark::DoNotOptimize(st.st_mtime);
            ::close(fd);
            ++files;
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(files);
    }
}
BENCHMARK(BM_ListingFloor)->Unit(benchmark::kMicrosecond);

}  // namespace
