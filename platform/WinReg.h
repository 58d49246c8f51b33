// The Win32 stand-in: the registry, kept in a text file.
#pragma once

#include "platform/WinTypes.h"
