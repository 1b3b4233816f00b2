// The save files of other devices and emulators that a slot exchanges data with. A file's kind
// is decided by its name alone; where its save lies inside it is read from its bytes
// (save_containers.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "slots/slot_format.h"

namespace slotkit::formats {

enum class ForeignSaveType {
    GbaSav,
    NdsSav,
    Dss,
    Duc,
    Dst,
    Dsv,  // NDS: a DeSmuME save
    Sps,  // GBA: SharkPort saves, named .sps or .xps
    Xps,
    Gsv,  // GBA: a GameShark SP save
    Unsupported
};

// The kind of the file at `path` in `mode`, from the last three characters of the path with
// a-z upper-cased: "DSS", "DST", "SAV", "DUC", "DSV" in NDS mode, "SAV", "SPS", "XPS", "GSV" in
// GBA mode. No dot is looked for, so a file named "olddss" is a .DSS file.
ForeignSaveType ClassifyForeignSave(slots::EditMode mode, std::string_view path);

// "SuperCard/No-header SAVEDATA" and so on; empty for Unsupported.
std::string_view ForeignSaveLabel(ForeignSaveType type);
// "SAV", "DSS", "DUC", "DST", "DSV", "SPS", "XPS", "GSV"; empty for Unsupported.
std::string_view ForeignSaveSuffix(ForeignSaveType type);

// The captions of the import and export questions: "Inport - [label](*.SUF) type" and
// "Export - [label](*.SUF) type".
std::string ImportCaption(ForeignSaveType type);
std::string ExportCaption(ForeignSaveType type);

// .DSS and .DUC files begin with a header of their own that the exchange never interprets.
inline constexpr std::size_t kForeignHeaderSize = 500;

// Where the save data of a .SAV, .DSS or .DUC file begins: byte PayloadOffset of the file is
// byte 0 of the slot's save data region. (.DST data is coded; see dst_decoder.h.)
constexpr std::size_t PayloadOffset(ForeignSaveType type) {
    return type == ForeignSaveType::Dss || type == ForeignSaveType::Duc ? kForeignHeaderSize : 0;
}

}  // namespace slotkit::formats
