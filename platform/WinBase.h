// The Win32 stand-in: files and directories, file search, current directory, local time, paths (kernel).
#pragma once

#include "platform/WinTypes.h"
