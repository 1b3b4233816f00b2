// Helpers for the tests of the slot commands: selecting rows by file name, and running a piece
// of a test in a child process whose writes fail or that has given up root.
#pragma once

#ifndef _WIN32
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "card_fixture.h"

namespace slotkit::test {

class OpsTest : public CardTest {
  protected:
    std::filesystem::path Slot(const std::string& name) const { return card.SlotFile(mode, name); }
    std::filesystem::path Pc(const std::string& name) const { return card.PcFolder() / name; }

    // The row that lists `name` after the last refresh; -1 when none does.
    int RowOf(const std::string& name) const {
        for (std::size_t i = 0; i < view.rows.size(); ++i) {
            if (view.rows[i].fileName == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    // The first row without a file after the last refresh.
    int FirstEmptyRow() const { return RowOf(""); }

    // Lists the card and selects the rows of `names` and `emptyRows` rows without a file.
    void SelectFiles(const std::vector<std::string>& names, int emptyRows = 0) {
        card.MakeSaveFolder(mode);
        commands::Refresh(Context());
        std::set<int> rows;
        for (const std::string& name : names) {
            const int row = RowOf(name);
            EXPECT_NE(row, -1) << name << " is not listed";
            rows.insert(row);
        }
        for (int i = 0, row = FirstEmptyRow(); i < emptyRows; ++i) {
            rows.insert(row + i);
        }
        view.selected = rows;
        view.showCount = 0;
        prompter.shown.clear();
    }

    // The selected file names in list order, as the commands walk them.
    std::vector<std::string> SelectedInListOrder(std::vector<std::string> names) const {
        std::sort(names.begin(), names.end(),
                  [&](const std::string& a, const std::string& b) { return RowOf(a) < RowOf(b); });
        return names;
    }
};

#ifndef _WIN32
// Runs `body` in a child process and returns its exit status; -1 when it did not exit.
inline int RunInChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::_exit(body());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// In a child process: every write that would make a file longer than `bytes` fails, as on a
// full disk; root is not exempt.
inline void LimitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// In a child process: gives up root for the "nobody" user; false when that is impossible.
inline bool DropToNobody() {
    if (::geteuid() != 0) {
        return true;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

#endif  // _WIN32

}  // namespace slotkit::test
