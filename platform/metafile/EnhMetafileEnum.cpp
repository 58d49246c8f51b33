// Enumerating and playing enhanced metafiles: the walk over the records, the set-up of the DC
// for playback (destination transform, defaults, meta region) and the metafile's own mapping.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {
namespace {

std::unordered_map<const void*, TEmfPlayer*>& runningPlayers() {
    static std::unordered_map<const void*, TEmfPlayer*> players;
    return players;
}

// a, then b.
XFORM multiply(const XFORM& a, const XFORM& b) {
    XFORM r;
    r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
    r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
    r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
    r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
    r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
    r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
    return r;
}

XFORM mappingTransform(POINT wOrg, SIZE wExt, POINT vOrg, SIZE vExt) {
    const double sx = wExt.cx ? double(vExt.cx) / wExt.cx : 1.0;
    const double sy = wExt.cy ? double(vExt.cy) / wExt.cy : 1.0;
    return XFORM{
        FLOAT(sx), 0, 0, FLOAT(sy), FLOAT(vOrg.x - sx * wOrg.x), FLOAT(vOrg.y - sy * wOrg.y)};
}

// The DC's own logical-to-device transform (its world transform, then its mapping).
XFORM dcTransform(HDC dc) {
    XFORM world{1, 0, 0, 1, 0, 0};
    if (GetGraphicsMode(dc) == GM_ADVANCED)
        GetWorldTransform(dc, &world);
    POINT wOrg{0, 0}, vOrg{0, 0};
    SIZE wExt{1, 1}, vExt{1, 1};
    GetWindowOrgEx(dc, &wOrg);
    GetWindowExtEx(dc, &wExt);
    GetViewportOrgEx(dc, &vOrg);
    GetViewportExtEx(dc, &vExt);
    return multiply(world, mappingTransform(wOrg, wExt, vOrg, vExt));
}

// Reference-device pixels onto the destination rectangle (in the DC's logical units).
XFORM frameToRect(const ENHMETAHEADER& header, const RECT& rect) {
    const double pxPerHmmX = header.szlMillimeters.cx > 0 && header.szlDevice.cx > 0
                                 ? double(header.szlDevice.cx) / (header.szlMillimeters.cx * 100.0)
                                 : 0.0;
    const double pxPerHmmY = header.szlMillimeters.cy > 0 && header.szlDevice.cy > 0
                                 ? double(header.szlDevice.cy) / (header.szlMillimeters.cy * 100.0)
                                 : 0.0;
    double left = header.rclFrame.left * pxPerHmmX;
    double top = header.rclFrame.top * pxPerHmmY;
    double width = (double(header.rclFrame.right) - header.rclFrame.left) * pxPerHmmX;
    double height = (double(header.rclFrame.bottom) - header.rclFrame.top) * pxPerHmmY;
    // Without a usable frame the bounds (already in pixels) stand in for it.
    if (!(width != 0) || !std::isfinite(width)) {
        left = header.rclBounds.left;
        width = double(header.rclBounds.right) - header.rclBounds.left;
    }
    if (!(height != 0) || !std::isfinite(height)) {
        top = header.rclBounds.top;
        height = double(header.rclBounds.bottom) - header.rclBounds.top;
    }
    const double sx = width != 0 ? (double(rect.right) - rect.left) / width : 1.0;
    const double sy = height != 0 ? (double(rect.bottom) - rect.top) / height : 1.0;
    return XFORM{
        FLOAT(sx), 0, 0, FLOAT(sy), FLOAT(rect.left - left * sx), FLOAT(rect.top - top * sy)};
}

// The state a fresh reference DC had when the metafile was recorded.
void resetDrawingState(HDC dc) {
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    SetROP2(dc, R2_COPYPEN);
    SetPolyFillMode(dc, ALTERNATE);
    SetStretchBltMode(dc, BLACKONWHITE);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    SetArcDirection(dc, AD_COUNTERCLOCKWISE);
    SetMiterLimit(dc, 10.0f, nullptr);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    MoveToEx(dc, 0, 0, nullptr);
}

} // namespace

bool IsFinite(const XFORM& xf) {
    return std::isfinite(xf.eM11) && std::isfinite(xf.eM12) && std::isfinite(xf.eM21) &&
           std::isfinite(xf.eM22) && std::isfinite(xf.eDx) && std::isfinite(xf.eDy);
}

XFORM TEmfPlayer::combined() const {
    const XFORM map = mappingTransform(mapping.windowOrg, mapping.windowExt, mapping.viewportOrg,
                                       mapping.viewportExt);
    return multiply(multiply(mapping.world, map), destination);
}

void TEmfPlayer::apply() const {
    if (!emulate)
        return;
    XFORM xf = combined();
    if (!IsFinite(xf))
        return;
    // A singular transform is refused by the DC; keep the last good one.
    SetWorldTransform(dc, &xf);
}

bool TEmfPlayer::enterCompatibleMapping(bool text) const {
    const XFORM xf = combined();
    if (!emulate || xf.eM12 != 0 || xf.eM21 != 0 ||
        (text ? xf.eM11 == 1 && xf.eM22 == 1
              : std::fabs(xf.eM11 - 1) < 1e-4 && std::fabs(xf.eM22 - 1) < 1e-4))
        return false;
    constexpr double kUnits = 65536.0;
    const long vx = std::lround(std::clamp(xf.eM11 * kUnits, -2e9, 2e9));
    const long vy = std::lround(std::clamp(xf.eM22 * kUnits, -2e9, 2e9));
    if (vx == 0 || vy == 0 || !std::isfinite(xf.eDx) || !std::isfinite(xf.eDy))
        return false;
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    SetGraphicsMode(dc, GM_COMPATIBLE);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, int(kUnits), int(kUnits), nullptr);
    SetViewportExtEx(dc, int(vx), int(vy), nullptr);
    // The viewport origin takes the whole pixels of the offset and the window origin the rest,
    // so that the picture does not move by up to half a pixel.
    const double dx = std::clamp(double(xf.eDx), -2e9, 2e9);
    const double dy = std::clamp(double(xf.eDy), -2e9, 2e9);
    const double vox = std::round(dx), voy = std::round(dy);
    const double sx = double(vx) / kUnits, sy = double(vy) / kUnits;
    SetWindowOrgEx(dc, int(std::clamp(std::round((vox - dx) / sx), -1e9, 1e9)),
                   int(std::clamp(std::round((voy - dy) / sy), -1e9, 1e9)), nullptr);
    SetViewportOrgEx(dc, int(vox), int(voy), nullptr);
    return true;
}

void TEmfPlayer::leaveCompatibleMapping() const {
    SetMapMode(dc, MM_TEXT);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SetGraphicsMode(dc, GM_ADVANCED);
    apply();
}

void TEmfPlayer::setMapMode(int mode) {
    // The fixed modes are defined on the reference device: its millimetres against its pixels,
    // y growing upwards.
    const LONG mmX = deviceMillimeters.cx, mmY = deviceMillimeters.cy;
    auto metric = [&](double unitsPerMm) {
        mapping.windowExt =
            SIZE{LONG(std::lround(mmX * unitsPerMm)), LONG(std::lround(mmY * unitsPerMm))};
        mapping.viewportExt = SIZE{deviceSize.cx, -deviceSize.cy};
    };
    switch (mode) {
    case MM_TEXT:
        mapping.windowExt = SIZE{1, 1};
        mapping.viewportExt = SIZE{1, 1};
        break;
    case MM_LOMETRIC:
        metric(10.0);
        break;
    case MM_HIMETRIC:
        metric(100.0);
        break;
    case MM_LOENGLISH:
        metric(100.0 / 25.4);
        break;
    case MM_HIENGLISH:
        metric(1000.0 / 25.4);
        break;
    case MM_TWIPS:
        metric(1440.0 / 25.4);
        break;
    case MM_ISOTROPIC:
        metric(10.0);
        break;
    case MM_ANISOTROPIC:
        break;
    default:
        return;
    }
    if (mapping.windowExt.cx == 0)
        mapping.windowExt.cx = 1;
    if (mapping.windowExt.cy == 0)
        mapping.windowExt.cy = 1;
    mapping.mode = mode;
}

void TEmfPlayer::fixIsotropic() {
    if (mapping.mode != MM_ISOTROPIC)
        return;
    SIZE& vp = mapping.viewportExt;
    const SIZE& w = mapping.windowExt;
    if (!w.cx || !w.cy || !deviceSize.cx || !deviceSize.cy)
        return;
    // Millimetres per window unit on each axis; the larger one shrinks to the smaller.
    const double xdim =
        std::fabs(double(vp.cx) * deviceMillimeters.cx / (double(deviceSize.cx) * w.cx));
    const double ydim =
        std::fabs(double(vp.cy) * deviceMillimeters.cy / (double(deviceSize.cy) * w.cy));
    if (xdim == 0 || ydim == 0)
        return;
    if (xdim > ydim) {
        LONG sign = vp.cx >= 0 ? 1 : -1;
        vp.cx = LONG(std::floor(vp.cx * ydim / xdim + 0.5));
        if (!vp.cx)
            vp.cx = sign;
    } else {
        LONG sign = vp.cy >= 0 ? 1 : -1;
        vp.cy = LONG(std::floor(vp.cy * xdim / ydim + 0.5));
        if (!vp.cy)
            vp.cy = sign;
    }
}

void TEmfPlayer::saveState() {
    if (saved.size() >= kMaxSaveDepth)
        return;
    SaveDC(dc);
    // The meta region is the player's own, so it is saved here with the mapping.
    HRGN meta = nullptr;
    if (metaRegion) {
        meta = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(meta, metaRegion, nullptr, RGN_COPY);
    }
    saved.push_back({mapping, meta});
}

void TEmfPlayer::restoreState(int level) {
    // Metafiles store relative levels; a level reaching below what the metafile itself saved
    // would undo the player's own set-up and is passed over.
    if (level >= 0 || size_t(-static_cast<long long>(level)) > saved.size())
        return;
    RestoreDC(dc, level);
    const size_t keep = saved.size() - size_t(-static_cast<long long>(level));
    if (metaRegion)
        DeleteObject(metaRegion);
    mapping = saved[keep].mapping;
    metaRegion = saved[keep].metaRegion;
    for (size_t i = keep + 1; i < saved.size(); ++i)
        if (saved[i].metaRegion)
            DeleteObject(saved[i].metaRegion);
    saved.resize(keep);
    apply();
}

HGDIOBJ TEmfPlayer::object(DWORD index) const {
    if (index >= handleCount || index == 0)
        return nullptr;
    return handles[index];
}

HRGN TEmfPlayer::regionFromRecord(TRecordReader& rec, size_t offset, DWORD size,
                                  bool transform) const {
    const DWORD headerSize = rec.u32(offset);
    const DWORD count = rec.u32(offset + 8);
    if (!rec.ok() || headerSize < 32 || size < headerSize)
        return nullptr;
    const BYTE* rects = rec.span(offset + headerSize, count, 16);
    if (!rects || ULONGLONG{count} * 16 > size - headerSize)
        return nullptr;
    std::vector<BYTE> data(32 + size_t{count} * 16);
    RGNDATAHEADER head{};
    head.dwSize = 32;
    head.iType = RDH_RECTANGLES;
    head.nCount = count;
    head.nRgnSize = count * 16;
    std::memcpy(data.data(), &head, 32);
    std::memcpy(data.data() + 32, rects, size_t{count} * 16);
    if (count == 0)
        return CreateRectRgn(0, 0, 0, 0);
    const XFORM* xf = transform && emulate ? &destination : nullptr;
    return ExtCreateRegion(xf, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

TEmfPlayer* FindEmfPlayer(const HANDLETABLE* table) {
    auto& players = runningPlayers();
    auto it = players.find(table);
    return it == players.end() ? nullptr : it->second;
}

} // namespace tallyvane::metafile

using namespace tallyvane::metafile;

BOOL EnumEnhMetaFile(HDC hdc, HENHMETAFILE hmf, ENHMFENUMPROC proc, LPVOID param,
                     const RECT* lpRect) {
    TEnhMetaFile* emf = LookupEnhMetaFile(hmf);
    if (!emf || !proc || (hdc && !lpRect)) {
        SetLastError(emf ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Work on a copy of the bits: a callback may delete the metafile it is enumerating.
    const std::vector<BYTE> bits(emf->bits.begin(), emf->bits.begin() + emf->walkable);
    const bool sound = emf->sound;
    ENHMETAHEADER header{};
    std::memcpy(&header, bits.data(), std::min(sizeof header, bits.size()));

    TEmfPlayer player;
    player.dc = hdc;
    player.emulate = hdc != nullptr;
    const UINT handleCount = std::max<UINT>(1, std::min<UINT>(header.nHandles, kMaxHandles));
    std::vector<HGDIOBJ> handles(handleCount, nullptr);
    handles[0] = hmf;
    player.handles = handles.data();
    player.handleCount = handleCount;
    player.deviceSize = SIZE{header.szlDevice.cx > 0 ? header.szlDevice.cx : 1024,
                             header.szlDevice.cy > 0 ? header.szlDevice.cy : 768};
    player.deviceMillimeters = SIZE{header.szlMillimeters.cx > 0 ? header.szlMillimeters.cx : 271,
                                    header.szlMillimeters.cy > 0 ? header.szlMillimeters.cy : 203};

    int savedLevel = 0;
    if (hdc) {
        savedLevel = SaveDC(hdc);
        player.destination = multiply(frameToRect(header, *lpRect), dcTransform(hdc));
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        if (GetClipRgn(hdc, clip) == 1)
            player.metaRegion = clip;
        else
            DeleteObject(clip);
        SetMapMode(hdc, MM_TEXT);
        SetWindowOrgEx(hdc, 0, 0, nullptr);
        SetViewportOrgEx(hdc, 0, 0, nullptr);
        SetGraphicsMode(hdc, GM_ADVANCED);
        ModifyWorldTransform(hdc, nullptr, MWT_IDENTITY);
        resetDrawingState(hdc);
        player.apply();
    }

    auto* table = reinterpret_cast<HANDLETABLE*>(handles.data());
    runningPlayers()[table] = &player;
    bool stopped = false;
    for (size_t offset = 0; offset + 8 <= bits.size();) {
        auto* record = reinterpret_cast<const ENHMETARECORD*>(bits.data() + offset);
        if (!proc(hdc, table, record, int(handleCount), reinterpret_cast<LPARAM>(param))) {
            stopped = true;
            break;
        }
        if (record->iType == EMR_EOF)
            break;
        offset += record->nSize;
    }
    runningPlayers().erase(table);

    if (hdc) {
        RestoreDC(hdc, savedLevel);
        if (player.metaRegion)
            DeleteObject(player.metaRegion);
        for (const TEmfSavedState& state : player.saved)
            if (state.metaRegion)
                DeleteObject(state.metaRegion);
    }
    for (UINT i = 1; i < handleCount; ++i)
        if (handles[i])
            DeleteObject(handles[i]);
    return !stopped && sound;
}

namespace {

int playOneRecord(HDC hdc, HANDLETABLE* table, const ENHMETARECORD* record, int count, LPARAM) {
    PlayEnhMetaFileRecord(hdc, table, record, UINT(count));
    return 1;
}

} // namespace

BOOL PlayEnhMetaFile(HDC hdc, HENHMETAFILE hmf, const RECT* lprect) {
    if (!hdc || !lprect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return EnumEnhMetaFile(hdc, hmf, playOneRecord, nullptr, lprect);
}

BOOL PlayEnhMetaFileRecord(HDC hdc, LPHANDLETABLE pht, const ENHMETARECORD* pmr, UINT cht) {
    if (!hdc || !pht || !pmr || pmr->nSize < 8)
        return FALSE;
    TEmfPlayer* running = FindEmfPlayer(pht);
    TEmfPlayer detached;
    TEmfPlayer& player = running && running->dc == hdc ? *running : detached;
    if (&player == &detached) {
        detached.dc = hdc;
        detached.handles = pht->objectHandle;
        detached.handleCount = std::min<UINT>(cht, kMaxHandles);
    }
    TRecordReader rec(reinterpret_cast<const BYTE*>(pmr), pmr->nSize);
    const DWORD type = pmr->iType;
    return PlayEmfStateRecord(player, type, rec) || PlayEmfObjectRecord(player, type, rec) ||
           PlayEmfDrawRecord(player, type, rec) || PlayEmfBitmapRecord(player, type, rec) ||
           PlayEmfTextRecord(player, type, rec);
}
