#include "exchange/foreign_save.h"

namespace slotkit {

namespace {

std::string TypeSuffixOf(std::string_view path) {
    // A path shorter than three characters has no suffix that could match.
    std::string suffix(path.size() >= 3 ? path.substr(path.size() - 3) : path);
    for (char& c : suffix) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return suffix;
}

std::string Caption(std::string_view action, ForeignSaveType type) {
    std::string caption(action);
    caption += " - [";
    caption += ForeignSaveLabel(type);
    caption += "](*.";
    caption += ForeignSaveSuffix(type);
    caption += ") type";
    return caption;
}

}  // namespace

ForeignSaveType ClassifyForeignSave(EditMode mode, std::string_view path) {
    const std::string suffix = TypeSuffixOf(path);
    if (mode == EditMode::Gba) {
        return suffix == "SAV" ? ForeignSaveType::GbaSav : ForeignSaveType::Unsupported;
    }
    if (suffix == "DSS") {
        return ForeignSaveType::Dss;
    }
    if (suffix == "DST") {
        return ForeignSaveType::Dst;
    }
    if (suffix == "SAV") {
        return ForeignSaveType::NdsSav;
    }
    if (suffix == "DUC") {
        return ForeignSaveType::Duc;
    }
    return ForeignSaveType::Unsupported;
}

std::string_view ForeignSaveLabel(ForeignSaveType type) {
    switch (type) {
        case ForeignSaveType::GbaSav:
            return "VisualBoyAdvance/No-header SAVEDATA";
        case ForeignSaveType::NdsSav:
            return "SuperCard/No-header SAVEDATA";
        case ForeignSaveType::Dss:
            return "ACTION REPLAY MAX Duo";
        case ForeignSaveType::Duc:
            return "MAXDRIVE-DS NoCompress-data";
        case ForeignSaveType::Dst:
            return "MAXDRIVE-DS Compress-data";
        case ForeignSaveType::Unsupported:
            break;
    }
    return {};
}

std::string_view ForeignSaveSuffix(ForeignSaveType type) {
    switch (type) {
        case ForeignSaveType::GbaSav:
        case ForeignSaveType::NdsSav:
            return "SAV";
        case ForeignSaveType::Dss:
            return "DSS";
        case ForeignSaveType::Duc:
            return "DUC";
        case ForeignSaveType::Dst:
            return "DST";
        case ForeignSaveType::Unsupported:
            break;
    }
    return {};
}

std::string ImportCaption(ForeignSaveType type) {
    return Caption("Inport", type);
}

std::string ExportCaption(ForeignSaveType type) {
    return Caption("Export", type);
}

}  // namespace slotkit
