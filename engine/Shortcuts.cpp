#include "engine/SetupThread.h"

// Placeholder until the shortcut step lands.
int CSetupThread::CreateShortcuts() { return 0; }
int CSetupThread::CreateShellLink(const CString&, const CString&, const CString&, const char*, const char*) {
    return 0;
}
