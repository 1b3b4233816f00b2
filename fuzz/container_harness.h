// What the fuzz targets of the container readers check, shared with the test that runs their
// seed corpora. Each target turns the fuzzer's bytes into a file (adding the signature the
// reader looks for, so that the fuzzer spends its time behind it), reads it, and checks that
// the save found lies inside the file or inside the decoder's buffer. AddressSanitizer
// watches every byte read; libFuzzer's -malloc_limit_mb catches an allocation sized by the
// file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/save_containers.h"

namespace slotkit::fuzz {

enum class Target { Nocash, Desmume, ActionReplay, SharkPort, GameSharkSp, Foreign };

inline constexpr std::string_view kTargetNames[] = {"nocash",    "desmume",      "action_replay",
                                                    "sharkport", "gameshark_sp", "foreign_save"};

using Bytes = std::vector<std::uint8_t>;

inline Bytes Prefixed(std::string_view prefix, const std::uint8_t* data, std::size_t size) {
    Bytes file(prefix.begin(), prefix.end());
    file.insert(file.end(), data, data + size);
    return file;
}

// The problem found, or empty.
inline std::string CheckFound(const formats::FoundSave& found, const Bytes& file) {
    using O = formats::FoundSave::Outcome;
    if (found.outcome == O::Refused) {
        return found.refusal.empty() ? "a refusal without a reason" : "";
    }
    if (found.outcome == O::Raw) {
        return "";
    }
    if (found.owned) {
        if (found.owned->size() > formats::kNocashCapacity) {
            return "decoded past the decoder's capacity";
        }
    } else if (found.offset > file.size() || found.length > file.size() - found.offset) {
        return "the save lies outside the file";
    }
    unsigned sum = 0;
    for (const std::uint8_t byte : found.Save(file)) {  // every byte, under AddressSanitizer
        sum += byte;
    }
    return sum == 0xFFFFFFFFu ? "unreachable" : "";
}

inline std::string CheckRoom(const formats::ExportRoom& room, const Bytes& file) {
    if (room.outcome == formats::FoundSave::Outcome::Found &&
        (room.offset > file.size() || room.length > file.size() - room.offset)) {
        return "the export room lies outside the file";
    }
    return "";
}

inline std::string Run(Target target, const std::uint8_t* data, std::size_t size) {
    using T = formats::ForeignSaveType;
    switch (target) {
        case Target::Nocash: {
            using namespace std::string_view_literals;
            const Bytes file = Prefixed(
                "NocashGbaBackupMediaSavDataFile\x1A................................SRAM"sv, data,
                size);
            const std::string problem = CheckFound(formats::ReadNocash(file), file);
            return problem.empty() ? CheckRoom(FindExportRoom(T::GbaSav, file), file) : problem;
        }
        case Target::Desmume: {
            Bytes file(data, data + size);
            const std::string_view end = "|-DESMUME SAVE-|";
            file.insert(file.end(), end.begin(), end.end());
            const std::string problem = CheckFound(formats::ReadDesmume(file), file);
            return problem.empty() ? CheckRoom(FindExportRoom(T::Dsv, file), file) : problem;
        }
        case Target::ActionReplay: {
            // The first byte chooses between the 500-byte header's signature and none.
            if (size == 0) {
                return "";
            }
            const Bytes file = Prefixed(data[0] & 1 ? "ARDS000000000001" : "", data + 1, size - 1);
            const std::string problem = CheckFound(formats::ReadActionReplay(file), file);
            return problem.empty() ? CheckRoom(FindExportRoom(T::Duc, file), file) : problem;
        }
        case Target::SharkPort: {
            using namespace std::string_view_literals;
            const Bytes file = Prefixed("\x0D\0\0\0SharkPortSave\0\0\x0F\0"sv, data, size);
            return CheckFound(formats::ReadSharkPort(file), file);
        }
        case Target::GameSharkSp: {
            Bytes file = Prefixed("ADVSAVEG", data, size);
            if (file.size() >= 0x430) {
                file[0x42C] = 'x';
                file[0x42D] = 'V';
                file[0x42E] = '4';
                file[0x42F] = 0x12;
            }
            return CheckFound(formats::ReadGameSharkSp(file), file);
        }
        case Target::Foreign: {
            // The first byte chooses the kind; the rest is the file.
            if (size == 0) {
                return "";
            }
            const T kinds[] = {T::GbaSav, T::NdsSav, T::Dss, T::Duc, T::Dst,
                               T::Dsv,    T::Sps,    T::Xps, T::Gsv};
            const T type = kinds[data[0] % std::size(kinds)];
            const Bytes file(data + 1, data + size);
            std::string problem = CheckFound(ReadForeignSave(type, file), file);
            if (problem.empty()) {
                problem = CheckRoom(FindExportRoom(type, file), file);
            }
            const std::uint64_t suggested = formats::SuggestedSize(
                data[0] & 0x80 ? slots::EditMode::Gba : slots::EditMode::Nds, file);
            if (problem.empty() && suggested > 262144) {
                problem = "a suggested size larger than any save";
            }
            return problem;
        }
    }
    return "";
}

}  // namespace slotkit::fuzz
