#include "engine/SetupThread.h"

// Placeholder until the program-file step lands.
void CSetupThread::CopyProgramFiles() {}
