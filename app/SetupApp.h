#pragma once

#include "framework/App.h"
#include "framework/CommandLine.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    // The process's exit code: how the run ended (framework/ExitCode.h).
    int ExitInstance() override { return m_nExitCode; }

    // Everything the installer does for one command line; returns the exit code.
    static int RunSetup(const CommandLineOptions& options);

private:
    int m_nExitCode = 0;
};
