// The Win32 stand-in: enhanced and Windows metafiles: reading, playing, recording, converting.
#pragma once

#include "platform/WinTypes.h"
