#include "guest.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "run_tool.h"

namespace slotkit::crash {

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

constexpr const char* kPreloadInGuest = "/usr/lib/slotkit-preload.so";

std::string Device(std::size_t index) {
    std::string name;
    for (std::size_t n = index + 1; n > 0; n = (n - 1) / 26) {
        name.insert(name.begin(), static_cast<char>('a' + (n - 1) % 26));
    }
    return "/dev/vd" + name;
}

std::string InitScript(const GuestBoot& boot) {
    std::ostringstream s;
    s << "#!/bin/busybox sh\n"
         "/bin/busybox --install -s /bin\n"
         "export PATH=/usr/bin:/bin HOME=/tmp\n"
         "mount -t proc proc /proc\n"
         "mount -t devtmpfs dev /dev\n"
         "for m in /modules/*.ko; do insmod $m; done\n"
      << "ARCHIVE=" << Device(boot.cards.size()) << "\n";
    const auto mount = [&](std::size_t i) {
        const std::string& at = boot.cards[i].mountPoint;
        s << "mkdir -p " << Quote(at) << "\n"
          << "mount -t vfat -o " << boot.mountOptions << " " << Device(i) << " " << Quote(at)
          << " || echo '@@mount failed: " << Device(i) << "'\n";
    };
    if (!boot.oneCardAtATime) {
        for (std::size_t i = 0; i < boot.cards.size(); ++i) {
            mount(i);
        }
    }
    s << "echo \"@@ready $(cat /proc/uptime)\"\n";
    for (std::size_t i = 0; i < boot.cards.size(); ++i) {
        if (boot.oneCardAtATime) {
            mount(i);
        }
        s << boot.cards[i].before << "\n";
        if (!boot.preload.empty()) {
            s << "LD_PRELOAD=" << kPreloadInGuest << " ";
        }
        std::vector<std::vector<std::string>> commands = {boot.cards[i].command};
        commands.insert(commands.end(), boot.cards[i].more.begin(), boot.cards[i].more.end());
        for (std::size_t c = 0; c < commands.size(); ++c) {
            s << boot.environment << " slotkit";
            for (const std::string& arg : commands[c]) {
                s << " " << Quote(arg);
            }
            // No terminal: a question nobody answered on the command line is not asked.
            s << " </dev/null >/tmp/out 2>&1\nstatus=$?\necho \"@@begin " << i << " " << c
              << "\"\ncat /tmp/out\necho \"@@status " << i << " " << c << " $status\"\n";
        }
        if (boot.oneCardAtATime) {
            s << "umount " << Quote(boot.cards[i].mountPoint) << " || echo '@@umount failed'\n";
        }
    }
    if (!boot.exportFolders.empty()) {
        for (const std::string& folder : boot.exportFolders) {
            s << "mkdir -p " << Quote(folder) << "\n";
        }
        s << "tar -c -f " << Device(boot.cards.size()) << " -C /";
        for (const std::string& folder : boot.exportFolders) {
            s << " " << Quote(folder.substr(folder.find_first_not_of('/')));
        }
        s << " || echo '@@export failed'\n";
    }
    s << "echo @@done\npoweroff -f\n";
    return s.str();
}

}  // namespace

GuestResult BootGuest(const GuestBoot& boot, const std::string& work) {
    GuestResult result;
    result.status.assign(boot.cards.size(), -1);
    const fs::path stage = fs::path(work) / "stage";
    fs::remove_all(stage);
    fs::create_directories(stage);
    {
        std::ofstream init(stage / "init");
        init << InitScript(boot);
    }
    fs::permissions(stage / "init", fs::perms::owner_all, fs::perm_options::add);
    for (const std::string& folder : boot.pcFolders) {
        if (fs::exists(folder)) {
            const fs::path inside = stage / fs::path(folder).relative_path();
            fs::create_directories(inside.parent_path());
            fs::copy(folder, inside, fs::copy_options::recursive);
        }
    }
    if (!boot.preload.empty()) {
        const fs::path inside = stage / fs::path(kPreloadInGuest).relative_path();
        fs::create_directories(inside.parent_path());
        fs::copy_file(boot.preload, inside);
    }
    const std::string archive = (fs::path(work) / "boot.cpio").string();
    const std::string initrd = (fs::path(work) / "initrd").string();
    const ToolResult packed = RunTool({"sh", "-c",
                                       "cd \"$1\" && find . | busybox cpio -o -H newc 2>/dev/null "
                                       "> \"$2\" && cat \"$3\" \"$2\" > \"$4\"",
                                       "sh", stage.string(), archive, boot.baseArchive, initrd});
    if (packed.status != 0) {
        result.console = "the guest's archive could not be made: " + packed.err;
        return result;
    }

    std::vector<std::string> args = {"timeout",
                                     "120",
                                     "qemu-system-x86_64",
                                     "-accel",
                                     "tcg",
                                     "-m",
                                     "256",
                                     "-smp",
                                     "1",
                                     "-display",
                                     "none",
                                     "-nodefaults",
                                     "-no-user-config",
                                     "-serial",
                                     "stdio",
                                     "-no-reboot",
                                     "-kernel",
                                     boot.kernel,
                                     "-initrd",
                                     initrd,
                                     "-append",
                                     "console=ttyS0 panic=-1 quiet"};
    for (std::size_t i = 0; i < boot.cards.size(); ++i) {
        const std::string n = std::to_string(i);
        const GuestCard& card = boot.cards[i];
        if (card.log.empty()) {
            args.insert(args.end(),
                        {"-blockdev", "driver=file,filename=" + card.image + ",node-name=c" + n,
                         "-device", "virtio-blk-pci,drive=c" + n});
            continue;
        }
        std::ofstream(card.log, std::ios::trunc);
        args.insert(
            args.end(),
            {"-blockdev", "driver=file,filename=" + card.image + ",node-name=f" + n, "-blockdev",
             "driver=file,filename=" + card.log + ",node-name=l" + n, "-blockdev",
             "driver=blklogwrites,file=f" + n + ",log=l" + n + ",log-sector-size=512,node-name=c" +
                 n,
             "-device", "virtio-blk-pci,drive=c" + n});
    }
    if (!boot.exportFolders.empty()) {
        // Room for the histories the guest writes out.
        std::error_code ignored;
        fs::remove(boot.exportImage, ignored);
        if (RunTool({"truncate", "-s", "256M", boot.exportImage}).status != 0) {
            result.console = "the export disk could not be made";
            return result;
        }
        args.insert(args.end(),
                    {"-blockdev", "driver=file,filename=" + boot.exportImage + ",node-name=out",
                     "-device", "virtio-blk-pci,drive=out"});
    } else if (!boot.archiveIn.empty()) {
        args.insert(
            args.end(),
            {"-blockdev", "driver=file,filename=" + boot.archiveIn + ",node-name=in,read-only=on",
             "-device", "virtio-blk-pci,drive=in"});
    }
    const auto start = std::chrono::steady_clock::now();
    const ToolResult run = RunTool(args);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.console = run.out + run.err;
    result.runs.resize(boot.cards.size());
    std::string* output = nullptr;  // the command whose output the lines are
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::size_t card = 0, command = 0;
        int status = 0;
        if (std::sscanf(line.c_str(), "@@begin %zu %zu", &card, &command) == 2 &&
            card < result.runs.size()) {
            result.runs[card].emplace_back();
            output = &result.runs[card].back().output;
        } else if (std::sscanf(line.c_str(), "@@status %zu %zu %d", &card, &command, &status) ==
                       3 &&
                   card < result.runs.size() && command + 1 == result.runs[card].size()) {
            result.runs[card].back().status = status;
            if (command == 0) {
                result.status[card] = status;
            }
            output = nullptr;
        } else if (output != nullptr) {
            *output += line + "\n";
        } else if (double up = 0; std::sscanf(line.c_str(), "@@ready %lf", &up) == 1) {
            result.secondsToFirstCommand = up;
        } else if (line.rfind("@@export failed", 0) == 0 || line.rfind("@@umount failed", 0) == 0) {
            return result;  // not booted: the run's results cannot be trusted
        } else if (line == "@@done") {
            result.booted = true;
        }
    }
    return result;
}

}  // namespace slotkit::crash
