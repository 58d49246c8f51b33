// Local and universal time, and a millisecond tick counter.
#include <time.h>

#include "platform/WinBase.h"

namespace {

void Fill(const struct tm& parts, long nanoseconds, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    // A leap second reads as the last second of the minute.
    out->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

} // namespace

void GetLocalTime(SYSTEMTIME* lpSystemTime) {
    if (!lpSystemTime)
        return;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts {};
    ::localtime_r(&now.tv_sec, &parts);
    Fill(parts, now.tv_nsec, lpSystemTime);
}

void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    if (!lpSystemTime)
        return;
    struct timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts {};
    ::gmtime_r(&now.tv_sec, &parts);
    Fill(parts, now.tv_nsec, lpSystemTime);
}

DWORD GetTickCount() {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<DWORD>(static_cast<ULONGLONG>(now.tv_sec) * 1000u +
                              static_cast<ULONGLONG>(now.tv_nsec) / 1000000u);
}
