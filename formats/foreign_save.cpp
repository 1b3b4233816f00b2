#include "formats/foreign_save.h"

#include "base/ascii.h"

namespace slotkit::formats {

namespace {

std::string TypeSuffixOf(std::string_view path) {
    // A path shorter than three characters has no suffix that could match.
    return base::AsciiUpper(path.size() >= 3 ? path.substr(path.size() - 3) : path);
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

ForeignSaveType ClassifyForeignSave(slots::EditMode mode, std::string_view path) {
    const std::string suffix = TypeSuffixOf(path);
    if (mode == slots::EditMode::Gba) {
        if (suffix == "SAV") {
            return ForeignSaveType::GbaSav;
        }
        if (suffix == "SPS") {
            return ForeignSaveType::Sps;
        }
        if (suffix == "XPS") {
            return ForeignSaveType::Xps;
        }
        if (suffix == "GSV") {
            return ForeignSaveType::Gsv;
        }
        return ForeignSaveType::Unsupported;
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
    if (suffix == "DSV") {
        return ForeignSaveType::Dsv;
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
        case ForeignSaveType::Dsv:
            return "DeSmuME SAVEDATA";
        case ForeignSaveType::Sps:
        case ForeignSaveType::Xps:
            return "SharkPort SAVEDATA";
        case ForeignSaveType::Gsv:
            return "GameShark SP SAVEDATA";
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
        case ForeignSaveType::Dsv:
            return "DSV";
        case ForeignSaveType::Sps:
            return "SPS";
        case ForeignSaveType::Xps:
            return "XPS";
        case ForeignSaveType::Gsv:
            return "GSV";
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

}  // namespace slotkit::formats
