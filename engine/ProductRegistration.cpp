#include "engine/SetupThread.h"

// Placeholder until product registration lands.
void CSetupThread::RegisterProduct() {}
void CSetupThread::ConfigureAcadReleases() {}
