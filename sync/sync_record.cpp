#include "sync/sync_record.h"

#include <charconv>

#include "history/history_format.h"

namespace slotkit::sync {

namespace {

std::optional<std::uint64_t> ParseHash(std::string_view text) {
    std::uint64_t value = 0;
    if (text.size() != 16) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

// Names go in a line as they are, so a name holding a tab or a line break cannot be recorded.
bool Recordable(std::string_view name) {
    return !name.empty() && name.find_first_of("\t\r\n") == std::string_view::npos;
}

}  // namespace

namespace {
constexpr std::string_view kHeader = "# slotkit sync record of the folder ";
}  // namespace

std::string RecordText(std::string_view folder, const std::vector<RecordLine>& lines) {
    std::string text(kHeader);
    for (const char c : folder) {
        text += c == '\n' || c == '\r' ? ' ' : c;
    }
    text += "\n# slot file\tfile in the folder\tcard's save hash\tfile's save hash\n";
    for (const RecordLine& line : lines) {
        if (!Recordable(line.slotFileName) || !Recordable(line.fileName)) {
            continue;
        }
        text += line.slotFileName + '\t' + line.fileName + '\t' +
                base::HashText(line.last.card) + '\t' + base::HashText(line.last.folder) +
                '\n';
    }
    return text;
}

std::vector<RecordLine> ParseRecord(std::string_view text) {
    std::vector<RecordLine> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto fields = Fields(line);
        if (fields.size() != 4 || fields[0].empty() || fields[1].empty()) {
            continue;
        }
        const auto card = ParseHash(fields[2]);
        const auto folder = ParseHash(fields[3]);
        if (card && folder) {
            lines.push_back({std::string(fields[0]), std::string(fields[1]), {*card, *folder}});
        }
    }
    return lines;
}

std::optional<std::string> RecordedFolder(std::string_view text) {
    if (!text.starts_with(kHeader)) {
        return std::nullopt;
    }
    text.remove_prefix(kHeader.size());
    return std::string(text.substr(0, text.find('\n')));
}

std::optional<LastSync> FindLast(const std::vector<RecordLine>& lines,
                                 std::string_view slotFileName, std::string_view fileName) {
    for (const RecordLine& line : lines) {
        if (history::SameSlotFile(line.slotFileName, slotFileName) &&
            history::SameSlotFile(line.fileName, fileName)) {
            return line.last;
        }
    }
    return std::nullopt;
}

std::string RecordFileName(std::string_view saveFolderName, std::string_view folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
        folder.remove_suffix(1);
    }
    return std::string(saveFolderName) + "_" + history::SafeFolderName(folder) + ".txt";
}

}  // namespace slotkit::sync
