#include "platform/gdi/CoreFaces_p.h"

#include <fontconfig/fontconfig.h>

#include <mutex>

namespace gdi {

namespace {

// Where Debian's fonts-wine puts its faces.
constexpr const char* kCoreFaceDirectory = "/usr/share/wine/fonts";

// Only Tahoma is taken from that directory. Its "Symbol" and "Wingdings" share the names of
// the Windows faces but not their characters (Latin letters where Greek and pictures belong,
// and no symbol map), so text in those faces would lose its meaning; the raster faces ("MS
// Sans Serif", "System") cannot be drawn at any size. Fontconfig applies these rules to every
// file as the directory is added; adding the directory rather than the two files lets it read
// its cache instead of opening each file on every start.
constexpr const char* kTahomaOnly = R"(<?xml version="1.0"?>
<fontconfig>
  <selectfont>
    <rejectfont><glob>/usr/share/wine/fonts/*</glob></rejectfont>
    <acceptfont><glob>/usr/share/wine/fonts/tahoma.ttf</glob></acceptfont>
    <acceptfont><glob>/usr/share/wine/fonts/tahomabd.ttf</glob></acceptfont>
  </selectfont>
</fontconfig>
)";

} // namespace

void AddCoreFaces() {
    static std::once_flag once;
    std::call_once(once, [] {
        FcConfig* config = FcConfigGetCurrent();
        if (FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kTahomaOnly),
                                           FcFalse)) {
            FcConfigAppFontAddDir(config, reinterpret_cast<const FcChar8*>(kCoreFaceDirectory));
        }
    });
}

} // namespace gdi
