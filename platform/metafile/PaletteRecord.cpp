// The palette both kinds of metafile store: a LOGPALETTE's entries after a record's own fields.
#include <cstddef>
#include <vector>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {

HPALETTE PaletteFromEntries(const BYTE* entries, WORD count) {
    std::vector<BYTE> palette(offsetof(LOGPALETTE, palPalEntry) +
                              size_t{count} * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(palette.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = count;
    std::memcpy(logical->palPalEntry, entries, size_t{count} * sizeof(PALETTEENTRY));
    return CreatePalette(logical);
}

} // namespace tallyvane::metafile
