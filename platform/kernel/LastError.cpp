// The calling thread's last-error code, as GetLastError reports it.
#include "platform/WinTypes.h"

namespace {
thread_local DWORD lastError = NO_ERROR;
}

DWORD GetLastError() {
    return lastError;
}

void SetLastError(DWORD error) {
    lastError = error;
}
