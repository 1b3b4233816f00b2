// The containers today's emulators and devices wrap a save in, read from the file's bytes; each
// has a header of its own in formats/:
//
//   nocash.h          no$gba .sav, stored or run-length coded
//   desmume.h         DeSmuME .dsv/.sav: the save, then a 122-byte footer
//   clock_trailer.h   a GBA save of a standard size followed by 16 bytes of clock data
//   action_replay.h   Action Replay .dss/.duc, with either of its headers
//   savestate.h       DeSmuME savestates (.dst): not a save at all
//   sharkport.h       SharkPort .sps/.xps
//   gameshark_sp.h    GameShark SP .gsv
//
// This header brings them together and picks the readers a kind of file is read with.
#pragma once

#include "formats/action_replay.h"
#include "formats/clock_trailer.h"
#include "formats/container_common.h"
#include "formats/desmume.h"
#include "formats/foreign_save.h"
#include "formats/gameshark_sp.h"
#include "formats/nocash.h"
#include "formats/save_sizes.h"
#include "formats/savestate.h"
#include "formats/sharkport.h"

namespace slotkit::formats {

// The save inside a file of kind `type`: the signatures that kind may carry, in order. A .dsv,
// .sps, .xps or .gsv file without its signature is refused; other kinds without one are Raw.
FoundSave ReadForeignSave(ForeignSaveType type, ByteSpan file);

// Where the save data of an existing file of kind `type` lies, for an export into it.
ExportRoom FindExportRoom(ForeignSaveType type, ByteSpan file);

}  // namespace slotkit::formats
