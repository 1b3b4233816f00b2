#include "slots/card_paths.h"

#include "platform/paths.h"

namespace slotkit::slots {

std::string_view SaveFolderName(EditMode mode) {
    return mode == EditMode::Nds ? "NDSSAVE" : "GAMESAVE";
}

std::string SaveFolderPath(std::string_view cardRoot, EditMode mode) {
    std::string path(cardRoot);
    path += SaveFolderName(mode);
    return path;
}

std::string SlotPath(std::string_view cardRoot, EditMode mode, std::string_view fileName) {
    return platform::JoinPath(SaveFolderPath(cardRoot, mode), fileName);
}

std::string AsCardRoot(std::string_view folder) {
    std::string root(folder);
    // Windows takes '/' as a separator too: "E:/" is already a root.
    if (root.empty() || (root.back() != platform::kPathSeparator && root.back() != '/')) {
        root += platform::kPathSeparator;
    }
    return root;
}

}  // namespace slotkit::slots
