// Ejecting a card (POSIX): the volume is flushed, then unmounted through the desktop's volume
// monitor when it manages the mount (it also powers the drive off where it can), else by the
// system's umount program, as GIO itself unmounts a plain mount. Success is what the mount
// table says afterwards, not what the unmount answered.
#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/eject.h"
#include "platform/posix/gio_mounts.h"

namespace slotkit::platform {

namespace {

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

const UnixMount* MountAt(const std::vector<UnixMount>& mounts, const std::string& folder) {
    // The last entry at a folder is the one in effect.
    const UnixMount* found = nullptr;
    for (const UnixMount& mount : mounts) {
        if (mount.mountPath == folder) {
            found = &mount;
        }
    }
    return found;
}

bool Within(const std::string& path, const std::string& folder) {
    return path == folder || (path.starts_with(folder) && path[folder.size()] == '/') ||
           folder == "/";
}

std::string ProgramName(const std::string& pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// The programs with a file, a folder or their working folder on the card.
std::vector<CardHolder> HoldersUnder(const std::string& folder) {
    std::vector<CardHolder> holders;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return holders;
    }
    while (const dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.empty() ||
            !std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        const std::string base = "/proc/" + pid;
        std::vector<std::string> links = {base + "/cwd"};
        if (DIR* fds = ::opendir((base + "/fd").c_str())) {
            while (const dirent* fd = ::readdir(fds)) {
                if (fd->d_name[0] != '.') {
                    links.push_back(base + "/fd/" + fd->d_name);
                }
            }
            ::closedir(fds);
        }
        for (const std::string& link : links) {
            char target[4096];
            const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
            if (length > 0 && Within(std::string(target, static_cast<size_t>(length)), folder)) {
                holders.push_back({ProgramName(pid), std::stoi(pid)});
                break;
            }
        }
    }
    ::closedir(proc);
    return holders;
}

// What the desktop's unmount or eject answered, with the programs it named.
struct Answer {
    bool done = false;
    GError* error = nullptr;
    std::vector<int> pids;
    GMainLoop* loop = nullptr;
};

void OnShowProcesses(GMountOperation* operation, gchar*, GArray* processes, GStrv, Answer* answer) {
    for (guint i = 0; i < processes->len; ++i) {
        answer->pids.push_back(static_cast<int>(g_array_index(processes, GPid, i)));
    }
    // Nothing is forced: the card stays as it is.
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
}

void OnAskQuestion(GMountOperation* operation, gchar*, GStrv, Answer*) {
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
}

void OnEjected(GObject* mount, GAsyncResult* result, gpointer data) {
    auto* answer = static_cast<Answer*>(data);
    answer->done = g_mount_eject_with_operation_finish(G_MOUNT(mount), result, &answer->error);
    g_main_loop_quit(answer->loop);
}

void OnUnmounted(GObject* mount, GAsyncResult* result, gpointer data) {
    auto* answer = static_cast<Answer*>(data);
    answer->done = g_mount_unmount_with_operation_finish(G_MOUNT(mount), result, &answer->error);
    g_main_loop_quit(answer->loop);
}

// Runs the desktop's eject (or unmount) of `mount` on a loop of its own and waits for it.
Answer DesktopEject(GMount* mount) {
    Answer answer;
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    answer.loop = g_main_loop_new(context, FALSE);
    GMountOperation* operation = g_mount_operation_new();
    g_signal_connect(operation, "show-processes", G_CALLBACK(OnShowProcesses), &answer);
    g_signal_connect(operation, "ask-question", G_CALLBACK(OnAskQuestion), &answer);
    if (g_mount_can_eject(mount)) {
        g_mount_eject_with_operation(mount, G_MOUNT_UNMOUNT_NONE, operation, nullptr, OnEjected,
                                     &answer);
    } else {
        g_mount_unmount_with_operation(mount, G_MOUNT_UNMOUNT_NONE, operation, nullptr, OnUnmounted,
                                       &answer);
    }
    g_main_loop_run(answer.loop);
    g_object_unref(operation);
    g_main_loop_unref(answer.loop);
    answer.loop = nullptr;
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
    return answer;
}

// Runs the system's umount program on a mount the desktop does not manage.
Answer SystemUnmount(const std::string& folder) {
    Answer answer;
    GSubprocess* umount =
        g_subprocess_new(static_cast<GSubprocessFlags>(G_SUBPROCESS_FLAGS_STDOUT_SILENCE |
                                                       G_SUBPROCESS_FLAGS_STDERR_PIPE),
                         &answer.error, "umount", "--", folder.c_str(), nullptr);
    if (umount == nullptr) {
        return answer;
    }
    char* errors = nullptr;
    if (g_subprocess_communicate_utf8(umount, nullptr, nullptr, nullptr, &errors, &answer.error)) {
        answer.done = g_subprocess_get_successful(umount);
        if (!answer.done) {
            std::string said = errors != nullptr ? errors : "";
            while (!said.empty() && (said.back() == '\n' || said.back() == ' ')) {
                said.pop_back();
            }
            answer.error = g_error_new_literal(
                G_IO_ERROR,
                said.find("busy") != std::string::npos ? G_IO_ERROR_BUSY : G_IO_ERROR_FAILED,
                said.empty() ? "umount failed" : said.c_str());
        }
    }
    g_free(errors);
    g_object_unref(umount);
    return answer;
}

EjectResult Result(EjectOutcome outcome, std::string detail = {},
                   std::vector<CardHolder> holders = {}) {
    return EjectResult{outcome, std::move(detail), std::move(holders)};
}

}  // namespace

EjectResult EjectCard(const std::string& cardRoot, const std::function<void()>& beforeUnmount) {
    const std::string folder = WithoutTrailingSlash(cardRoot);
    const std::vector<UnixMount> mounts = UnixMounts();
    const UnixMount* mount = MountAt(mounts, folder);
    if (folder.empty() || mount == nullptr) {
        return Result(EjectOutcome::NotMounted, folder);
    }
    // The same file system mounted at a second folder stays in use after this one goes.
    for (const UnixMount& other : mounts) {
        if (other.mountPath != folder && other.devicePath == mount->devicePath &&
            other.rootPath == mount->rootPath && MountAt(mounts, other.mountPath) == &other) {
            return Result(EjectOutcome::MountedTwice, other.mountPath);
        }
    }
    const int root = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0 || ::syncfs(root) != 0) {
        const std::string why = std::strerror(errno);
        if (root >= 0) {
            ::close(root);
        }
        return Result(EjectOutcome::FlushFailed, why);
    }
    ::close(root);
    if (std::vector<CardHolder> holders = HoldersUnder(folder); !holders.empty()) {
        return Result(EjectOutcome::Busy, {}, std::move(holders));
    }
    if (beforeUnmount) {
        beforeUnmount();
    }
    Answer answer;
    if (GMount* desktop = DesktopMountAt(folder)) {
        answer = DesktopEject(desktop);
        g_object_unref(desktop);
    } else {
        answer = SystemUnmount(folder);
    }
    const std::string said = answer.error != nullptr ? answer.error->message : "";
    const bool busy =
        answer.error != nullptr &&
        (g_error_matches(answer.error, G_IO_ERROR, G_IO_ERROR_BUSY) || !answer.pids.empty());
    g_clear_error(&answer.error);

    const std::vector<UnixMount> after = UnixMounts();
    const UnixMount* still = MountAt(after, folder);
    const bool mounted = still != nullptr && still->devicePath == mount->devicePath &&
                         still->rootPath == mount->rootPath;
    if (!mounted) {
        return answer.done ? Result(EjectOutcome::Ejected) : Result(EjectOutcome::Vanished, said);
    }
    if (answer.done) {
        return Result(EjectOutcome::Refused, "the card is still mounted");
    }
    std::vector<CardHolder> holders;
    for (int pid : answer.pids) {
        holders.push_back({ProgramName(std::to_string(pid)), pid});
    }
    if (holders.empty()) {
        holders = HoldersUnder(folder);
    }
    if (busy || !holders.empty()) {
        return Result(EjectOutcome::Busy, said, std::move(holders));
    }
    return Result(EjectOutcome::Refused, said);
}

}  // namespace slotkit::platform
