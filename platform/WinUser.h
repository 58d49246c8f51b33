// The Win32 stand-in: message boxes, clipboard, cursors and windows.
#pragma once

#include "platform/WinTypes.h"
