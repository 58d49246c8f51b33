// The Win32 stand-in: GDI drawing: device contexts, mapping, regions, objects, shapes, paths, bitmaps, text.
#pragma once

#include "platform/WinTypes.h"
