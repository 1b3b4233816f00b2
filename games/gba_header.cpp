#include "games/gba_header.h"

#include "games/rom_text.h"

namespace slotkit::games {

GbaHeader ReadGbaHeader(ByteSpan start) {
    GbaHeader header;
    if (start.size() < kGbaHeaderSize) {
        header.cut = true;
        return header;
    }
    header.title = AsciiText(start.subspan(0xA0, 12));
    header.gameCode = AsciiText(start.subspan(0xAC, 4));
    header.makerCode = AsciiText(start.subspan(0xB0, 2));
    header.fixedByteOk = start[0xB2] == 0x96;
    unsigned sum = 0x19;
    for (std::size_t i = 0xA0; i <= 0xBC; ++i) {
        sum += start[i];
    }
    header.computedComplement = static_cast<std::uint8_t>(0u - sum);
    header.storedComplement = start[0xBD];
    header.complementOk = header.storedComplement == header.computedComplement;
    return header;
}

}  // namespace slotkit::games
