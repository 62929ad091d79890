#include "engine/SetupThread.h"

// Placeholder until control registration lands.
void CSetupThread::RegisterControls() {}
int CSetupThread::RegisterServer(const CString&) { return 0; }
