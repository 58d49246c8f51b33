// Reading Windows metafile files, plain or placeable, into a Windows metafile handle.
#pragma once

#include "platform/WinMetafile.h"

// Opens the file at path and answers its metafile, or null. placeableHeader (22 bytes) and
// metafileHeader (18 bytes) receive the headers as read; a plain file leaves placeableHeader
// untouched. Every failure is shown at once in an error box; the caller owns the handle.
HMETAFILE ReadWindowsMetafile(const char* path, BYTE* placeableHeader, BYTE* metafileHeader);
