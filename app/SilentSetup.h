// The installation without a window (/S): the choices of a typical
// installation, the reinstall question answered Yes, every step and failure
// in the run's log.
#pragma once

#include "engine/UserSteps.h"
#include "framework/CommandLine.h"
#include "framework/String.h"

// The destination of a silent run: /D= when given, else the installed
// product's folder when there is one (installed: the product key holds
// "installPath"), else the default. The log says which and why.
CString ChooseSilentDestination(const CString& commandLineDir, bool installed);

// Runs the installation, writing the profiles and links steps names;
// returns the exit code (framework/ExitCode.h).
int RunSilentSetup(const CommandLineOptions& options, const UserSteps& steps);
