// Converting a Windows metafile into an enhanced one (SetWinMetaFileBits).
//
// The Windows metafile is played onto a recording DC whose reference device is the given DC
// (or the screen). With a picture description that gives a size (MM_ISOTROPIC or
// MM_ANISOTROPIC with positive extents in 0.01 mm) that size is the frame and the viewport;
// with any other fixed mapping mode the metafile is played in that mode. Without one (null, or
// the all-zero description) the window is mapped onto the whole reference device and the frame
// is what the drawing covers.
#include <cmath>

#include "platform/metafile/Metafile_p.h"

using namespace tallyvane::metafile;

HENHMETAFILE SetWinMetaFileBits(UINT nSize, const BYTE* lpMeta16Data, HDC hdcRef,
                                const METAFILEPICT* lpMFP) {
    HMETAFILE wmf = SetMetaFileBitsEx(nSize, lpMeta16Data);
    if (!wmf)
        return nullptr;

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
        SetMapMode(dc, int(mode));
        SetViewportExtEx(
            dc, int(std::lround(double(lpMFP->xExt) * pixelsX / (millimetresX * 100.0))),
            int(std::lround(double(lpMFP->yExt) * pixelsY / (millimetresY * 100.0))), nullptr);
    } else if (fixedMode && !scalable) {
        SetMapMode(dc, int(mode));
    } else {
        // One unit per pixel until the metafile sets its window; then that window fills the
        // device.
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, pixelsX, pixelsY, nullptr);
        SetViewportExtEx(dc, pixelsX, pixelsY, nullptr);
        // The picture is the device: what falls outside it does not widen the frame.
        LimitRecordingBounds(dc, RECT{0, 0, pixelsX - 1, pixelsY - 1});
    }
    PlayMetaFile(dc, wmf);
    DeleteMetaFile(wmf);
    return CloseEnhMetaFile(dc);
}
