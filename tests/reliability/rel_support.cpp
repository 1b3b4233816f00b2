#include "rel_support.h"

#include "../support/history_home.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace slotkit::reliability {

namespace {

std::string ReadFd(int fd) {
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

std::vector<char*> CStrings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

bool IsTemporaryName(const std::string& relative) {
    const auto slash = relative.rfind('/');
    const std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    return name.rfind(".slotkit-", 0) == 0 || name.find(".slotkit-rename.tmp") != std::string::npos;
}

std::string Show(const Snapshot& snapshot, const std::string& path) {
    const auto it = snapshot.find(path);
    if (it == snapshot.end()) {
        return "absent";
    }
    if (it->second.type != 'f') {
        return std::string("type ") + it->second.type;
    }
    return std::to_string(it->second.bytes.size()) + " bytes";
}

std::optional<Entry> Find(const Snapshot& snapshot, const std::string& path) {
    const auto it = snapshot.find(path);
    if (it == snapshot.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool MountedAt(const fs::path& point) {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, where;
        fields >> id >> parent >> device >> root >> where;
        if (where == point.string()) {
            return true;
        }
    }
    return false;
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    const int out = ::memfd_create("slotkit-out", MFD_CLOEXEC);
    const int err = ::memfd_create("slotkit-err", MFD_CLOEXEC);
    std::vector<std::string> args = options.prefix;
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    for (const std::string& extra : options.env) {
        const std::string name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        env.push_back(extra);
    }
    std::vector<char*> cargs = CStrings(args);
    std::vector<char*> cenv = CStrings(env);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execvpe(cargs[0], cargs.data(), cenv.data());
        ::_exit(127);
    }
    RunResult result;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFd(out);
    result.err = ReadFd(err);
    ::close(out);
    ::close(err);
    return result;
}

RunResult RunSlotkit(const std::vector<std::string>& args, const RunOptions& options) {
    std::vector<std::string> argv{SLOTKIT_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, options);
}

std::string Describe(const RunResult& result) {
    return "exit " + std::to_string(result.status) + "\nstdout: " + result.out +
           "\nstderr: " + result.err;
}

Snapshot TakeSnapshot(const fs::path& root) {
    Snapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path& path = it->path();
        Entry entry;
        const auto status = it->symlink_status();
        if (fs::is_symlink(status)) {
            entry.type = 'l';
            const std::string target = fs::read_symlink(path).string();
            entry.bytes.assign(target.begin(), target.end());
        } else if (fs::is_directory(status)) {
            entry.type = 'd';
        } else if (fs::is_regular_file(status)) {
            entry.type = 'f';
            entry.bytes = ReadBytes(path);
        }
        snapshot[fs::relative(path, root).generic_string()] = std::move(entry);
    }
    return snapshot;
}

::testing::AssertionResult EachEntryBeforeOrIntended(const Snapshot& before,
                                                     const Snapshot& intended,
                                                     const Snapshot& after) {
    std::set<std::string> paths;
    for (const auto* snapshot : {&before, &intended, &after}) {
        for (const auto& [path, entry] : *snapshot) {
            paths.insert(path);
        }
    }
    for (const std::string& path : paths) {
        const auto now = Find(after, path);
        if (now != Find(before, path) && now != Find(intended, path)) {
            return ::testing::AssertionFailure()
                   << path << " is " << Show(after, path) << ", neither as before ("
                   << Show(before, path) << ") nor as intended (" << Show(intended, path) << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult WholeBeforeOrIntended(const Snapshot& before, const Snapshot& intended,
                                                 const Snapshot& after) {
    if (after == before || after == intended) {
        return ::testing::AssertionSuccess();
    }
    auto each = EachEntryBeforeOrIntended(before, intended, after);
    return ::testing::AssertionFailure()
           << "the tree is a mixture of before and intended"
           << (each ? std::string() : std::string(": ") + each.message());
}

::testing::AssertionResult NoTemporaryFiles(const Snapshot& after) {
    for (const auto& [path, entry] : after) {
        if (IsTemporaryName(path)) {
            return ::testing::AssertionFailure() << "temporary file left behind: " << path;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult HonestOutcome(const RunResult& run, bool reachedIntended,
                                         bool canPrint) {
    if (run.Crashed()) {
        return ::testing::AssertionFailure() << "crashed: " << Describe(run);
    }
    // A question about going on without the history that no one was there to answer stops the
    // command before it changes anything; that is reported too, as a usage error.
    const bool unanswered =
        run.status == 2 && run.err.find("a question needs an answer") != std::string::npos;
    if (!reachedIntended) {
        if ((run.status != 1 && !unanswered) || (canPrint && run.err.empty()) ||
            run.out.find("Success!") != std::string::npos) {
            return ::testing::AssertionFailure()
                   << "the intended result was not reached, yet no failure was reported: "
                   << Describe(run);
        }
    }
    return ::testing::AssertionSuccess();
}

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "slotkit-rel-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Bytes Pattern(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (auto& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return bytes;
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

bool IsRoot() {
    return ::geteuid() == 0;
}

bool HaveProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (::access((fs::path(dir) / name).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

std::string FindLibrary(const std::vector<std::string>& candidates) {
    for (const std::string& candidate : candidates) {
        if (::access(candidate.c_str(), R_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

TmpfsMount::TmpfsMount(const fs::path& point, std::size_t bytes) : point_(point) {
    fs::create_directories(point);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
    ok_ =
        ::mount("slotkit-test", point.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

TmpfsMount::~TmpfsMount() {
    if (ok_) {
        ::umount2(point_.c_str(), MNT_DETACH);
    }
}

FatImage::FatImage(const fs::path& image, const fs::path& point, std::size_t megabytes)
    : image_(image), point_(point) {
    fs::create_directories(point);
    { std::ofstream file(image, std::ios::binary); }
    fs::resize_file(image, megabytes << 20);
    const auto made = RunProgram({"mkfs.vfat", "-F", "32", image.string()});
    ok_ = made.status == 0 && Mount();
}

bool FatImage::Mount() {
    Unmount();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execlp("fusefat", "fusefat", "-f", "-o", "rw+", image_.c_str(), point_.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid_ = pid;
    for (int i = 0; i < 500; ++i) {
        if (MountedAt(point_)) {
            return true;
        }
        int status;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void FatImage::Unmount() {
    if (MountedAt(point_)) {
        RunProgram({"fusermount", "-u", "-z", point_.string()});
        if (MountedAt(point_)) {
            ::umount2(point_.c_str(), MNT_DETACH);
        }
    }
    if (pid_ > 0) {
        // fusefat writes its buffers when it is unmounted; give it time to end on its own.
        int status;
        for (int i = 0; i < 500 && ::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == 0;
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (::waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == 0) {
            ::kill(static_cast<pid_t>(pid_), SIGKILL);
            ::waitpid(static_cast<pid_t>(pid_), &status, 0);
        }
        pid_ = -1;
    }
}

FatImage::~FatImage() {
    Unmount();
}

void UnmountLeftovers() {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    std::vector<std::string> points;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, where;
        fields >> id >> parent >> device >> root >> where;
        if (where.find("/slotkit-rel-") != std::string::npos) {
            points.push_back(where);
        }
    }
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        ::umount2(it->c_str(), MNT_DETACH);
    }
}

}  // namespace slotkit::reliability
