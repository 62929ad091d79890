#include "engine/SetupThread.h"

// Placeholder until the uninstall log lands.
void CSetupThread::LogFileCopy(const CString&) {}
void CSetupThread::LogMadeDir(const CString&) {}
void CSetupThread::LogRegCtrl(const CString&) {}
void CSetupThread::LogRegKey(HKEY, const CString&) {}
int CSetupThread::WriteUninstallLog() { return 1; }
