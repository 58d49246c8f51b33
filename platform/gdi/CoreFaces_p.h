// Tahoma, the face of dialog, chart and caption text on every Windows machine since the late
// nineties, has no metric-compatible free family in fontconfig's own directories. Debian ships
// a free look-alike with Tahoma's name and advance widths, regular and bold, in fonts-wine; it
// is added to fontconfig's set the first time a face is matched, so that a page naming Tahoma
// keeps its layout. Without the package a look-alike family stands in (see FontMatch.cpp).
#pragma once

namespace gdi {

// Adds the Tahoma files to fontconfig's current configuration, once per process. Costs a cache
// read after the first run; does nothing when they are missing.
void AddCoreFaces();

} // namespace gdi
