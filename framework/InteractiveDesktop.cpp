#include "framework/InteractiveDesktop.h"

#include <windows.h>

bool HasVisibleDesktop() {
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) return false;
    // The process's own station: not to be closed.
    HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), &needed))
        return true; // cannot tell: the run goes on as one without this check would
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
