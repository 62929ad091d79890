// The installation without a window (/S): the choices of a typical
// installation, the reinstall question answered Yes, every step and failure
// in the run's log.
#pragma once

#include "framework/CommandLine.h"

// Runs the installation; returns the exit code (framework/ExitCode.h).
int RunSilentSetup(const CommandLineOptions& options);
