#include "card_check.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "run_tool.h"

namespace slotkit::crash {

namespace fs = std::filesystem;

std::string FatKey(const std::string& path) {
    std::string key = path;
    for (char& c : key) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

CardFiles ReadTree(const std::string& folder) {
    CardFiles files;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_regular_file()) {
            continue;
        }
        std::ifstream in(it->path(), std::ios::binary);
        files[FatKey(fs::relative(it->path(), folder).generic_string())] =
            std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    }
    return files;
}

namespace {

bool IsTemporary(const std::string& key) {
    const auto slash = key.rfind('/');
    const std::string name = FatKey(slash == std::string::npos ? key : key.substr(slash + 1));
    return name.find("SLOTKIT-") != std::string::npos && name.size() > 4 &&
           name.substr(name.size() - 4) == ".TMP";
}

}  // namespace

FsckResult ReadFsckReport(const std::string& report, int status) {
    // The report is a list of findings: a line at the left margin, then its details indented.
    // What a crash may leave without harm to any file: the dirty bit (also as the boot sector's
    // difference from its backup), a wrong free cluster count, clusters no file uses, a second
    // FAT copy that differs from an intact first one, and a damaged temporary file of ours,
    // which no listing shows and which holds no slot.
    static const std::regex harmless(
        "Dirty bit is set\\..*|There are differences between boot sector and its backup\\.|"
        "Free cluster summary (wrong|uninitialized).*|Reclaimed [0-9]+ unused clusters? .*|"
        "FATs differ but appear to be intact\\.");
    static const std::regex silent(
        "fsck\\.fat .*|Leaving filesystem unchanged\\.|.*: [0-9]+ files, [0-9]+/[0-9]+ clusters|");
    static const std::regex bootDetail(
        "This is mostly harmless\\. Differences: \\(offset:original/backup\\)|  "
        "(65|37):0[01]/0[01]|"
        "  Not automatically fixing this\\.");
    FsckResult result;
    result.clean = status == 0;
    // A file's finding is harmless when its chain only runs on past its size: the file holds
    // its bytes, and fsck frees the clusters after them, as it does lost clusters.
    static const std::regex longChain(
        "  File size is ([0-9]+) bytes, cluster chain length is > ([0-9]+) bytes\\.");
    enum class Block { kNone, kHarmless, kBoot, kPath, kBad } block = Block::kNone;
    std::string path;
    bool collecting = false;  // the first bad finding takes its first detail line
    auto bad = [&](const std::string& finding) {
        result.clean = false;
        if (result.harmless) {
            result.harmless = false;
            result.finding = finding;
            collecting = true;
        }
    };
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const bool indented = !line.empty() && line[0] == ' ';
        if (block == Block::kBoot && std::regex_match(line, bootDetail)) {
            continue;
        }
        if (block == Block::kPath && !indented) {
            // "FILE  and" / "SECOND" / "  share clusters." / "  Truncating second to 0 bytes.":
            // fsck cuts the second; when that is our temporary file, the first keeps its chain
            // and the read-back decides whether it holds its bytes.
            if (path.size() > 5 && path.substr(path.size() - 5) == "  and" && line[0] == '/' &&
                IsTemporary(line)) {
                block = Block::kHarmless;
                continue;
            }
            bad(path);
            block = Block::kBad;
        }
        if (indented) {
            if (block == Block::kPath) {
                std::smatch chain;
                if (std::regex_match(line, chain, longChain) &&
                    std::stoull(chain[2].str()) >= std::stoull(chain[1].str())) {
                    block = Block::kHarmless;
                } else {
                    bad(path + ":" + line);
                    block = Block::kBad;
                    collecting = false;
                }
            } else if (block == Block::kBad && collecting) {
                result.finding += ":" + line;
                collecting = false;
            } else if (block == Block::kNone || block == Block::kBoot) {
                bad(line);
                block = Block::kBad;
            }
            continue;
        }
        collecting = false;
        if (std::regex_match(line, silent)) {
            block = Block::kNone;
        } else if (std::regex_match(line, harmless)) {
            result.clean = false;
            block = line.rfind("There are differences", 0) == 0 ? Block::kBoot : Block::kHarmless;
        } else if (line[0] == '/' && IsTemporary(line)) {
            result.clean = false;
            block = Block::kHarmless;
        } else if (line[0] == '/') {
            result.clean = false;
            path = line;
            block = Block::kPath;
        } else {
            bad(line);
            block = Block::kBad;
        }
    }
    if (block == Block::kPath) {
        bad(path);
    }
    if (status != 0 && status != 1 && result.harmless) {
        bad("fsck.fat exited with status " + std::to_string(status));
    }
    return result;
}

namespace {

const std::vector<unsigned char>* Find(const CardFiles& files, const std::string& key) {
    const auto it = files.find(key);
    return it == files.end() ? nullptr : &it->second;
}

bool Same(const std::vector<unsigned char>* a, const std::vector<unsigned char>* b) {
    return a == nullptr ? b == nullptr : b != nullptr && *a == *b;
}

}  // namespace

StateVerdict Classify(const Expectation& expected, const CardFiles& card,
                      const std::string& readErrors, const FsckResult& fsck) {
    StateVerdict verdict;
    verdict.fsck = fsck;
    if (!fsck.harmless) {
        verdict.problems.push_back("fsck: " + fsck.finding);
    }
    if (!readErrors.empty()) {
        verdict.problems.push_back("mtools: " + readErrors.substr(0, readErrors.find('\n')));
    }
    std::set<std::string> tested;
    for (const SlotGroup& group : expected.slots) {
        bool allAbsent = true, allOld = true, allNew = true, beforeAbsent = true,
             afterAbsent = true;
        for (const std::string& path : group) {
            const std::string key = FatKey(path);
            tested.insert(key);
            const auto* now = Find(card, key);
            const auto* before = Find(expected.before, key);
            const auto* after = Find(expected.after, key);
            allAbsent = allAbsent && now == nullptr;
            beforeAbsent = beforeAbsent && before == nullptr;
            afterAbsent = afterAbsent && after == nullptr;
            allOld = allOld && Same(now, before);
            allNew = allNew && Same(now, after);
        }
        SlotState state = SlotState::kBroken;
        if (allAbsent) {
            state = beforeAbsent || afterAbsent ? SlotState::kAbsent : SlotState::kBroken;
        } else if (allNew) {
            state = SlotState::kNew;
        } else if (allOld) {
            state = SlotState::kOld;
        }
        if (state == SlotState::kBroken) {
            verdict.problems.push_back(group.front() + " holds neither its old nor its new bytes");
        }
        verdict.slots.push_back(state);
    }
    for (const auto& [key, bytes] : expected.before) {
        if (tested.count(key) == 0 && !Same(Find(card, key), &bytes)) {
            verdict.problems.push_back(key + " changed, and the command does not change it");
        }
    }
    for (const auto& [key, bytes] : card) {
        if (tested.count(key) == 0 && expected.before.count(key) == 0 && !IsTemporary(key)) {
            verdict.problems.push_back(key + " appeared on the card");
        }
    }
    return verdict;
}

StateVerdict CheckImage(const Expectation& expected, const std::string& image,
                        const std::string& scratch) {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    fs::create_directories(scratch);
    const std::vector<std::string> env = {"MTOOLS_SKIP_CHECK=1"};
    const ToolResult read = RunTool({"mcopy", "-s", "-n", "-i", image, "::*", scratch}, env);
    std::string readErrors = read.err;
    if (read.status != 0 && readErrors.empty()) {
        readErrors = "mcopy exited with status " + std::to_string(read.status);
    }
    CardFiles card = ReadTree(scratch);
    if (!readErrors.empty()) {
        // Something could not be read: read file by file to learn which, leaving out our
        // temporary files, which hold no slot.
        readErrors.clear();
        card.clear();
        const ToolResult list = RunTool({"mdir", "-/", "-b", "-i", image, "::"}, env);
        std::istringstream lines(list.out);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("::/", 0) != 0 || line.back() == '/' || IsTemporary(line)) {
                continue;
            }
            const ToolResult file = RunTool({"mtype", "-i", image, line}, env);
            if (file.status != 0 || !file.err.empty()) {
                readErrors +=
                    line.substr(3) + ": " + file.err.substr(0, file.err.find('\n')) + "\n";
                continue;
            }
            card[FatKey(line.substr(3))].assign(file.out.begin(), file.out.end());
        }
        if (list.status != 0) {
            readErrors += "mdir exited with status " + std::to_string(list.status) + "\n";
        }
    }
    const ToolResult fsck = RunTool({"fsck.fat", "-n", image});
    return Classify(expected, card, readErrors, ReadFsckReport(fsck.out + fsck.err, fsck.status));
}

}  // namespace slotkit::crash
