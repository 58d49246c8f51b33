// The state of one enhanced-metafile playback, shared by the files that play records.
//
// Records carry coordinates in the metafile's own logical space: its world transform, then its
// mapping mode (window and viewport, in pixels of the reference device), then the transform that
// puts the frame onto the destination rectangle. A DC can hold only one world transform and one
// mapping, in the other order, so the player keeps the metafile's mapping itself and gives the DC
// the product of all three as its world transform, with the DC in MM_TEXT and GM_ADVANCED.
// Boxes in records (rectangles, ellipses, arcs) are inclusive, which is how GM_ADVANCED draws
// them. Clip regions in records are in reference-device pixels and go through the destination
// transform only.
#pragma once

#include <optional>
#include <vector>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {

// The metafile's own mapping, as SetMapMode and friends would leave it on the reference device.
struct TEmfMapping {
    int mode = MM_TEXT;
    POINT windowOrg{0, 0};
    SIZE windowExt{1, 1};
    POINT viewportOrg{0, 0};
    SIZE viewportExt{1, 1};
    XFORM world{1, 0, 0, 1, 0, 0};
};

// What a SaveDC record keeps beyond the DC's own state.
struct TEmfSavedState {
    TEmfMapping mapping;
    HRGN metaRegion = nullptr; // owned
};

// One playback. Owned by EnumEnhMetaFile for the length of the walk; the handle table handed to
// callbacks is the `handles` vector, through which PlayEnhMetaFileRecord finds its way back here.
struct TEmfPlayer {
    HDC dc = nullptr;
    bool emulate = false;  // false: records change the DC's own mapping directly
    SIZE deviceSize{1, 1}; // reference device, pixels
    SIZE deviceMillimeters{1, 1};
    XFORM destination{1, 0, 0, 1, 0, 0}; // reference-device pixels to the DC's device pixels
    TEmfMapping mapping;
    std::vector<TEmfSavedState> saved; // one entry per SaveDC played
    // The meta region: the device clip in force when playback began, narrowed by
    // EMR_SETMETARGN and put back by EMR_RESTOREDC; owned.
    HRGN metaRegion = nullptr;
    HGDIOBJ* handles = nullptr; // the handle table, slot 0 is the metafile
    UINT handleCount = 0;

    // The metafile's logical space to the DC's device pixels.
    XFORM combined() const;
    // Gives the DC the combined transform (after any change of mapping or world transform).
    void apply() const;
    void setMapMode(int mode);
    // While the combined transform only scales and shifts, and scales by other than one, puts
    // the DC in GM_COMPATIBLE with that transform as an MM_ANISOTROPIC mapping, so calls
    // recorded in GM_COMPATIBLE draw exactly as they did (text upright under a flipped axis,
    // boxes to the pixel of the original exclusive corner). False (nothing changed) otherwise.
    // Boxes pass over a scale within 1e-4 of one; `text` takes the mapping under any scale but
    // exactly one, since text sizes and places itself from the mapping's whole-pixel origin.
    bool enterCompatibleMapping(bool text = false) const;
    void leaveCompatibleMapping() const;
    void fixIsotropic();
    void saveState();
    void restoreState(int level);
    // Makes a region in DC device pixels from RGNDATA in reference-device pixels, or null.
    HRGN regionFromRecord(TRecordReader& rec, size_t offset, DWORD size, bool transform) const;
    // Handle from a record's object index, or null when the index is out of range or empty.
    HGDIOBJ object(DWORD index) const;
};

// Whether every element of a transform is a number (records may hold NaN or infinities).
bool IsFinite(const XFORM& xf);

// The player behind a handle table given to PlayEnhMetaFileRecord, or null for a table that no
// running enumeration made.
TEmfPlayer* FindEmfPlayer(const HANDLETABLE* table);

// Record playing, split by kind. Each answers whether the record was understood and sound.
bool PlayEmfStateRecord(TEmfPlayer& player, DWORD type, TRecordReader& rec);
bool PlayEmfObjectRecord(TEmfPlayer& player, DWORD type, TRecordReader& rec);
bool PlayEmfDrawRecord(TEmfPlayer& player, DWORD type, TRecordReader& rec);
bool PlayEmfBitmapRecord(TEmfPlayer& player, DWORD type, TRecordReader& rec);
bool PlayEmfTextRecord(TEmfPlayer& player, DWORD type, TRecordReader& rec);

// One string of a text record, as ExtTextOut takes it: the record's reference point, options
// and rectangle, its characters (bytes or UTF-16 units) and its spacing array.
struct TTurnedText {
    POINT ref;
    UINT options;
    const RECT* rect;
    const void* text;
    UINT count;
    bool wide;
    bool pdy; // `dx` holds an x and a y step per character
    const std::vector<INT>& dx;
};

// Whether the combined transform turns or shears the page, so that text recorded in
// GM_COMPATIBLE must be played through PlayTurnedCompatibleText.
bool TurnsText(const TEmfPlayer& player);
// Plays compatible-mode text with upright glyphs along the turned baseline. Nothing when the
// string is one it does not cover (an escapement, TA_UPDATECP, no spacing array): the caller
// then draws it turned whole.
std::optional<BOOL> PlayTurnedCompatibleText(TEmfPlayer& player, const TTurnedText& text);

// A packed DIB (header, colour table, bits) checked against the limits, made from a record's
// offsets; empty when anything does not fit. For iUsage DIB_PAL_INDICES (2), a monochrome
// bitmap without colour table gets black and white.
std::vector<BYTE> PackedDibFromRecord(TRecordReader& rec, DWORD offBmi, DWORD cbBmi, DWORD offBits,
                                      DWORD cbBits, DWORD usage);

} // namespace tallyvane::metafile
