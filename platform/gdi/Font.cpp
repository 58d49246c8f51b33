// Logical fonts: creation, realisation for a DC, and the metric queries.
#include "platform/gdi/Font_p.h"

#include "platform/gdi/TextEncoding_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <numbers>
#include <tuple>

namespace gdi {

namespace {

// The face name of a LOGFONTW up to its terminator, never past the 32-character field.
std::u16string FaceNameOf(const LOGFONTW& font) {
    size_t length = 0;
    while (length < LF_FACESIZE && font.lfFaceName[length] != 0) {
        ++length;
    }
    return std::u16string(font.lfFaceName, length);
}

long long Quantise(double value) {
    return static_cast<long long>(std::llround(value * 4096));
}

// Realised fonts are shared by every font object made from the same description, and the
// most recently used stay alive after their objects are deleted: producers create, select
// and delete a font around nearly every string, and the glyphs must not be rendered anew
// each time.
constexpr size_t kKeptCaches = 32;

using TCacheKey = std::tuple<LONG, LONG, LONG, BYTE, BYTE, BYTE, BYTE, BYTE, BYTE, std::u16string>;

std::shared_ptr<TFontCache> SharedCache(const LOGFONTW& log) {
    static std::mutex lock;
    static std::map<TCacheKey, std::weak_ptr<TFontCache>> caches;
    static std::deque<std::shared_ptr<TFontCache>> recent;
    TCacheKey key{log.lfHeight,         log.lfWidth,
                  log.lfWeight,         log.lfItalic,
                  log.lfUnderline,      log.lfStrikeOut,
                  log.lfCharSet,        log.lfQuality,
                  log.lfPitchAndFamily, AsciiLower(FaceNameOf(log))};
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<TFontCache> cache;
    auto it = caches.find(key);
    if (it != caches.end()) {
        cache = it->second.lock();
    }
    if (!cache) {
        cache = std::make_shared<TFontCache>();
        caches[key] = cache;
    }
    auto kept = std::find(recent.begin(), recent.end(), cache);
    if (kept != recent.end()) {
        recent.erase(kept);
    }
    recent.push_front(cache);
    if (recent.size() > kKeptCaches) {
        recent.pop_back();
        for (auto entry = caches.begin(); entry != caches.end();) {
            entry = entry->second.expired() ? caches.erase(entry) : std::next(entry);
        }
    }
    return cache;
}

TFontCache& CacheOf(const TFont& font) {
    if (!font.m_cache) {
        const LOGFONTW& log = font.Log();
        auto cache = SharedCache(log);
        font.m_cache = cache;
        if (cache->face) {
            return *cache;
        }
        TFaceRequest request;
        request.faceName = FaceNameOf(log);
        request.weight = log.lfWeight;
        request.italic = log.lfItalic != 0;
        request.charSet = log.lfCharSet;
        request.pitchAndFamily = log.lfPitchAndFamily;
        if (MatchFontFace(request, cache->match)) {
            cache->face = TFontFace::Open(cache->match.file, cache->match.index);
        }
        font.m_cache = cache;
    }
    return *font.m_cache;
}

TFontInstance* InstanceOf(const TFont& font, double scaleX, double scaleY,
                          const std::array<double, 4>& transform) {
    TFontCache& cache = CacheOf(font);
    if (!cache.face) {
        return nullptr;
    }
    std::array<long long, 6> key{Quantise(scaleX),       Quantise(scaleY),
                                 Quantise(transform[0]), Quantise(transform[1]),
                                 Quantise(transform[2]), Quantise(transform[3])};
    auto it = cache.instances.find(key);
    if (it == cache.instances.end()) {
        auto instance = std::make_unique<TFontInstance>(cache.face, cache.match, font.Log(), scaleX,
                                                        scaleY, transform);
        it = cache.instances.emplace(key, std::move(instance)).first;
    }
    return it->second.get();
}

TPointD Scaled(TPointD v, double factor) {
    return {v.x * factor, v.y * factor};
}

double Length(TPointD v) {
    return std::hypot(v.x, v.y);
}

HFONT AddFont(const ENUMLOGFONTEXDVW& desc) {
    auto font = std::make_unique<TFont>();
    font->m_desc = desc;
    // The face name is read up to its terminator; make sure there is one.
    font->m_desc.elfEnumLogfontEx.elfLogFont.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(GdiAddObject(std::move(font)));
}

void AnsiFaceToWide(const char* face, WCHAR* target) {
    size_t length = 0;
    while (face != nullptr && length < LF_FACESIZE - 1 && face[length] != 0) {
        ++length;
    }
    std::u16string wide = AnsiToUtf16(face, length);
    std::fill(target, target + LF_FACESIZE, 0);
    std::copy(wide.begin(), wide.end(), target);
}

LOGFONTW WideFromAnsi(const LOGFONTA& font) {
    LOGFONTW wide{};
    std::memcpy(&wide, &font, offsetof(LOGFONTA, lfFaceName));
    AnsiFaceToWide(font.lfFaceName, wide.lfFaceName);
    return wide;
}

} // namespace

TFontInstance* RealizeFontAt(const TFont& font, double scaleX, double scaleY) {
    return InstanceOf(font, std::fabs(scaleX), std::fabs(scaleY), {1, 0, 0, 1});
}

bool RealizeFont(TDeviceContext& dc, TRealizedFont& realized) {
    const TDcState& state = dc.State();
    TFont* font = state.m_font.Get();
    if (font == nullptr) {
        return false;
    }
    const LOGFONTW& log = font->Log();
    const TMatrix& m = state.m_toDevice;
    realized.scaleX = std::hypot(m.m11, m.m12);
    realized.scaleY = std::hypot(m.m21, m.m22);
    if (!(realized.scaleX > 0) || !(realized.scaleY > 0)) {
        return false;
    }
    const double degree = std::numbers::pi / 1800.0;
    const double escapement = log.lfEscapement * degree;
    TTextFrame& frame = realized.frame;
    std::array<double, 4> transform{1, 0, 0, 1};
    double scale = realized.scaleY;
    if (state.m_graphicsMode != GM_ADVANCED) {
        // Device space, y down. The angle turns from the x axis towards the logical y axis's
        // negative end: counter-clockwise as seen under a y-down mapping, clockwise where the
        // mapping turns the y axis up (MM_TWIPS, a negative window or viewport extent), so an
        // escapement of 2700 reads upwards there. Glyphs stay upright along the baseline and
        // text still runs left to right whichever way the x axis points.
        double c = std::cos(escapement), s = std::sin(escapement);
        if (log.lfEscapement % 3600 == 0) {
            c = 1;
            s = 0;
        }
        if (m.ApplyVector(0, 1).y < 0) {
            s = -s;
        }
        frame.fontAlong = {c, -s};
        frame.fontUp = {-s, -c};
        // A logical step along the turned baseline is a logical vector: each axis of it takes
        // its own scale, so a squeezed x axis shortens only the across part of the step.
        frame.logicalAlong = {frame.fontAlong.x * realized.scaleX,
                              frame.fontAlong.y * realized.scaleY};
        frame.logicalUp = {frame.fontUp.x * realized.scaleX, frame.fontUp.y * realized.scaleY};
        transform = {c, -s, s, c};
    } else {
        // Logical space: up on the page is -y unless the mapping turns the y axis over.
        TPointD pageUp = m.ApplyVector(0, -1);
        double ySign = pageUp.y <= 0 ? -1 : 1;
        double orientation = log.lfOrientation * degree;
        auto along = [&](double angle) {
            return m.ApplyVector(std::cos(angle), ySign * std::sin(angle));
        };
        auto up = [&](double angle) {
            return m.ApplyVector(-std::sin(angle), ySign * std::cos(angle));
        };
        TPointD glyphUp = up(orientation);
        TPointD glyphAlong = along(orientation);
        if (!(Length(glyphUp) > 0) || !(Length(glyphAlong) > 0)) {
            return false;
        }
        // A transform that keeps the axes is folded into the em by its vertical scale, the
        // rest of it (a wider or mirrored x axis) widening the fitted glyphs. A rotation or
        // shear leaves the em at the logical height: the glyphs are fitted there and then
        // transformed whole.
        scale = m.IsAxisAligned() ? std::fabs(m.m22) : 1.0;
        if (!(scale > 0)) {
            return false;
        }
        frame.logicalAlong = along(escapement);
        frame.logicalUp = up(escapement);
        frame.fontAlong = Scaled(frame.logicalAlong, 1 / scale);
        frame.fontUp = Scaled(frame.logicalUp, 1 / scale);
        transform = {glyphAlong.x / scale, glyphAlong.y / scale, -glyphUp.x / scale,
                     -glyphUp.y / scale};
        realized.scaleX = scale;
        realized.scaleY = scale;
        if (log.lfEscapement % 3600 == 0 && IsHorizontalStretch(transform)) {
            // The instance folds the stretch into its advances.
            frame.fontAlong = Scaled(frame.fontAlong, 1 / transform[0]);
        }
    }
    // The glyphs follow the vertical scale alone, a width given in the LOGFONT included: in
    // GM_COMPATIBLE only the height of the text is scaled, so a squeezed or widened x axis moves
    // the glyphs apart but keeps their proportions; in GM_ADVANCED the transform does the rest.
    realized.instance = InstanceOf(*font, scale, scale, transform);
    return realized.instance != nullptr;
}

} // namespace gdi

using namespace gdi;

// ---------------------------------------------------------------------------------------------
// Creation
// ---------------------------------------------------------------------------------------------

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (font == nullptr) {
        return nullptr;
    }
    ENUMLOGFONTEXDVW desc{};
    desc.elfEnumLogfontEx.elfLogFont = *font;
    return AddFont(desc);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    if (font == nullptr) {
        return nullptr;
    }
    LOGFONTW wide = WideFromAnsi(*font);
    return CreateFontIndirectW(&wide);
}

HFONT CreateFontIndirectExW(const ENUMLOGFONTEXDVW* font) {
    if (font == nullptr) {
        return nullptr;
    }
    return AddFont(*font);
}

HFONT ExtCreateFontIndirectW(const void* font, DWORD size) {
    if (font == nullptr || size < sizeof(LOGFONTW)) {
        return nullptr;
    }
    ENUMLOGFONTEXDVW desc{};
    std::memcpy(&desc, font, std::min<size_t>(size, sizeof(desc)));
    if (size < sizeof(ENUMLOGFONTEXDVW)) {
        desc.elfDesignVector = DESIGNVECTOR{};
    }
    return AddFont(desc);
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = static_cast<BYTE>(italic != 0);
    font.lfUnderline = static_cast<BYTE>(underline != 0);
    font.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    font.lfCharSet = static_cast<BYTE>(charSet);
    font.lfOutPrecision = static_cast<BYTE>(outPrecision);
    font.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    font.lfQuality = static_cast<BYTE>(quality);
    font.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    for (int i = 0; faceName != nullptr && i < LF_FACESIZE - 1 && faceName[i] != 0; ++i) {
        font.lfFaceName[i] = faceName[i];
    }
    return CreateFontIndirectW(&font);
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    WCHAR wide[LF_FACESIZE];
    AnsiFaceToWide(faceName, wide);
    return CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                       charSet, outPrecision, clipPrecision, quality, pitchAndFamily, wide);
}
