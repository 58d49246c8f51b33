// The whole Win32 stand-in, for code that wants every part of it at once.
#pragma once

#include "platform/ShellApi.h"
#include "platform/WinBase.h"
#include "platform/WinGdi.h"
#include "platform/WinMetafile.h"
#include "platform/WinReg.h"
#include "platform/WinTypes.h"
#include "platform/WinUser.h"
