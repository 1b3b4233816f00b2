#include "formats/save_containers.h"

#include <array>
#include <string_view>

namespace slotkit::formats {

namespace {

using Outcome = FoundSave::Outcome;

// How a kind of file is read: its containers' signatures in order, the first that is there
// deciding; and where an export into an existing file of the kind writes.
struct ContainerKind {
    ForeignSaveType type;
    std::array<ContainerReader, 2> readers;
    std::array<ExportRoomFinder, 2> rooms;  // none: an export replaces the file's bytes as ever
    // Why a file of the kind without any of its signatures is refused; empty: it is Raw.
    std::string_view withoutSignature;
};

constexpr std::array<ContainerKind, 9> kKinds{{
    {ForeignSaveType::NdsSav, {ReadNocash, ReadDesmume}, {NocashExportRoom, DesmumeExportRoom}, {}},
    {ForeignSaveType::GbaSav,
     {ReadNocash, ReadGbaClockData},
     {NocashExportRoom, GbaClockDataExportRoom},
     {}},
    {ForeignSaveType::Dss, {ReadActionReplay}, {ActionReplayExportRoom}, {}},
    {ForeignSaveType::Duc, {ReadActionReplay}, {ActionReplayExportRoom}, {}},
    {ForeignSaveType::Dst, {ReadSavestate}, {}, {}},
    {ForeignSaveType::Dsv,
     {ReadDesmume},
     {DesmumeExportRoom},
     "it does not end with the footer of a DeSmuME save"},
    {ForeignSaveType::Sps,
     {ReadSharkPort},
     {},
     "it does not begin with the header of a SharkPort save"},
    {ForeignSaveType::Xps,
     {ReadSharkPort},
     {},
     "it does not begin with the header of a SharkPort save"},
    {ForeignSaveType::Gsv,
     {ReadGameSharkSp},
     {},
     "it does not begin with the header of a GameShark SP save"},
}};

const ContainerKind* KindOf(ForeignSaveType type) {
    for (const ContainerKind& kind : kKinds) {
        if (kind.type == type) {
            return &kind;
        }
    }
    return nullptr;
}

}  // namespace

FoundSave ReadForeignSave(ForeignSaveType type, ByteSpan file) {
    const ContainerKind* kind = KindOf(type);
    if (kind == nullptr) {
        return {};
    }
    for (const ContainerReader reader : kind->readers) {
        if (reader == nullptr) {
            break;
        }
        FoundSave found = reader(file);
        if (found.outcome != Outcome::Raw) {
            return found;
        }
    }
    if (!kind->withoutSignature.empty()) {
        return Refused("file", std::string(kind->withoutSignature));
    }
    return {};
}

ExportRoom FindExportRoom(ForeignSaveType type, ByteSpan file) {
    const ContainerKind* kind = KindOf(type);
    if (kind == nullptr || kind->rooms[0] == nullptr) {
        return {};
    }
    for (const ExportRoomFinder finder : kind->rooms) {
        if (finder == nullptr) {
            break;
        }
        ExportRoom room = finder(file);
        if (room.outcome != Outcome::Raw) {
            return room;
        }
    }
    if (!kind->withoutSignature.empty()) {
        return RoomOf(Refused("file", std::string(kind->withoutSignature)));
    }
    return {};
}

}  // namespace slotkit::formats
