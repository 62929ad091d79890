#include "engine/SetupThread.h"

// Placeholder until the tree copy lands.
int CSetupThread::CopyTree(CString, CString) { return 1; }
int CSetupThread::EnsureDirectory(CString) { return 1; }
void CSetupThread::ListFiles(CString, CString, CStringArray& names) { names.clear(); }
