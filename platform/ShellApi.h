// The Win32 stand-in: opening a link, the user's application-data folder.
#pragma once

#include "platform/WinTypes.h"
