// Taking a control's COM registration away before its file goes. The
// registry is cleaned by reading it (host_cad/ComClassRegistry.h); the
// control's own DllUnregisterServer, which may clean more, runs only where
// no ordinary user could have replaced the file: the uninstaller runs as an
// administrator, and whatever it loads runs with those rights.
#pragma once

#include "framework/String.h"

struct ControlUnregistration {
    bool selfUnregistered = false; // its DllUnregisterServer ran and answered S_OK
    int keysRemoved = 0;
    // False when a class still names the file or a key could not be removed:
    // the file must then stay, or the class would point at a path anyone
    // could create again (a COM hijack).
    bool unregistered = false;
};

// path: the control's file; it may be gone already.
ControlUnregistration UnregisterControl(const CString& path);
