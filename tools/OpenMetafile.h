// Opening a metafile file the way the tools and the reference renderer do: an enhanced metafile
// as it is; a Windows metafile converted with SetWinMetaFileBits, a placeable one with the
// METAFILEPICT its header gives (bounding box in HIMETRIC), a plain one with none.
#pragma once

#include <vector>

#include "platform/WinMetafile.h"

// The whole file, or nothing when it cannot be read.
std::vector<BYTE> ReadMetafileFile(const char* path);

// The metafile as an enhanced one, or null when the bytes are neither kind.
HENHMETAFILE OpenMetafileBytes(const std::vector<BYTE>& bytes);
