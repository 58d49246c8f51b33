// Converting a Windows metafile into an enhanced one (SetWinMetaFileBits).
//
// The Windows metafile is played onto a recording DC whose reference device is the given DC
// (or the screen). With a picture description that gives a size (MM_ISOTROPIC or
// MM_ANISOTROPIC with positive extents in 0.01 mm) that size is the frame and the viewport;
// with any other fixed mapping mode the metafile is played in that mode. Without one (null, or
// the all-zero description) the window is mapped onto the whole reference device and the frame
// is what the drawing covers.
//
// A Windows metafile made from an enhanced one (GetWinMetaFileBits) carries the original in a
// run of MFCOMMENT escapes; when that copy is whole, it is the result, as on Windows, and the
// records drawn for older readers are not played. The first piece holds a checksum that makes
// the 16-bit words of the whole metafile add up to zero: a metafile edited since it was made
// fails it, and its records are played instead.
#include <cmath>
#include <vector>

#include "platform/metafile/Metafile_p.h"

using namespace tallyvane::metafile;

namespace {

constexpr WORD kMfComment = 15;                  // META_ESCAPE function carrying a comment
constexpr DWORD kCommentSignature = 0x43464D57u; // "WMFC"
constexpr DWORD kEnhancedMetafileComment = 1;    // the comment holds a piece of an EMF
constexpr size_t kCommentHeader = 34;            // the piece's header, after the escape's words

// The enhanced metafile carried in the metafile's comments, or empty when there is none or its
// pieces do not add up. Pieces follow each other in record order; each states its own size,
// the bytes still to come after it and the size of the whole.
std::vector<BYTE> EmbeddedEnhancedMetafile(const BYTE* bits, size_t size) {
    WORD sum = 0;
    for (size_t i = 0; i + 1 < size; i += 2)
        sum = WORD(sum + (bits[i] | bits[i + 1] << 8));
    if (sum != 0)
        return {};
    std::vector<BYTE> emf;
    TRecordReader file(bits, size);
    const size_t headerWords = file.u16(2);
    if (!file.ok() || headerWords < 9)
        return {};
    DWORD total = 0, remaining = 0;
    bool started = false;
    for (size_t at = headerWords * 2; at + 6 <= size;) {
        const DWORD words = file.u32(at);
        const WORD function = file.u16(at + 4);
        if (!file.ok() || words < 3 || words > (size - at) / 2 || function == META_EOF)
            break;
        TRecordReader rec(bits + at, size_t{words} * 2);
        at += size_t{words} * 2;
        if (function != META_ESCAPE || rec.u16(6) != kMfComment ||
            rec.u32(10) != kCommentSignature || rec.u32(14) != kEnhancedMetafileComment) {
            if (started)
                break; // the pieces must be consecutive
            continue;
        }
        const DWORD pieceSize = rec.u32(32), after = rec.u32(36), whole = rec.u32(40);
        const BYTE* piece = rec.span(10 + kCommentHeader, pieceSize, 1);
        if (!rec.ok() || !piece || rec.u16(8) < kCommentHeader + pieceSize)
            return {};
        if (!started) {
            if (whole < 88 || whole > size)
                return {};
            total = whole;
            remaining = whole;
            started = true;
        }
        if (whole != total || pieceSize > remaining || remaining - pieceSize != after)
            return {};
        emf.insert(emf.end(), piece, piece + pieceSize);
        remaining = after;
        if (remaining == 0)
            return emf;
    }
    return {};
}

} // namespace

HENHMETAFILE SetWinMetaFileBits(UINT nSize, const BYTE* lpMeta16Data, HDC hdcRef,
                                const METAFILEPICT* lpMFP) {
    HMETAFILE wmf = SetMetaFileBitsEx(nSize, lpMeta16Data);
    if (!wmf)
        return nullptr;
    const std::vector<BYTE> embedded = EmbeddedEnhancedMetafile(lpMeta16Data, nSize);
    if (!embedded.empty()) {
        if (HENHMETAFILE original = SetEnhMetaFileBits(UINT(embedded.size()), embedded.data())) {
            DeleteMetaFile(wmf);
            return original;
        }
    }

    HDC reference = hdcRef;
    HDC screen = nullptr;
    if (!reference)
        reference = screen = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    const int pixelsX = std::max(1, GetDeviceCaps(reference, HORZRES));
    const int pixelsY = std::max(1, GetDeviceCaps(reference, VERTRES));
    const int millimetresX = std::max(1, GetDeviceCaps(reference, HORZSIZE));
    const int millimetresY = std::max(1, GetDeviceCaps(reference, VERTSIZE));

    const LONG mode = lpMFP ? lpMFP->mm : 0;
    const bool scalable = mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC;
    const bool sized = scalable && lpMFP->xExt > 0 && lpMFP->yExt > 0;
    const bool fixedMode = mode >= MM_TEXT && mode <= MM_TWIPS;
    const RECT frame{0, 0, sized ? lpMFP->xExt : 0, sized ? lpMFP->yExt : 0};

    HDC dc = CreateEnhMetaFileW(hdcRef, nullptr, sized ? &frame : nullptr, nullptr);
    if (screen)
        DeleteDC(screen);
    if (!dc) {
        DeleteMetaFile(wmf);
        return nullptr;
    }
    if (sized) {
        // The picture's size in pixels, one logical unit to a pixel until the metafile sets its
        // own window.
        const int cx = int(std::lround(double(lpMFP->xExt) * pixelsX / (millimetresX * 100.0)));
        const int cy = int(std::lround(double(lpMFP->yExt) * pixelsY / (millimetresY * 100.0)));
        SetMapMode(dc, int(mode));
        SetViewportExtEx(dc, cx, cy, nullptr);
        SetWindowExtEx(dc, cx, cy, nullptr);
    } else if (fixedMode && !scalable) {
        SetMapMode(dc, int(mode));
    } else {
        // One unit per pixel until the metafile sets its window; then that window fills the
        // device.
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, pixelsX, pixelsY, nullptr);
        SetViewportExtEx(dc, pixelsX, pixelsY, nullptr);
        // The frame is what the drawing covers, also where it runs off the device.
        UseConversionBounds(dc);
    }
    PlayMetaFile(dc, wmf);
    DeleteMetaFile(wmf);
    return CloseEnhMetaFile(dc);
}
