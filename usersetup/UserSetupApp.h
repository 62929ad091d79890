// The per-user part of a machine-wide installation, without a window:
//   KelvraUserSetup.exe [/LOG=<file>] [/D=<destination>]
//     this user's AutoCAD profiles and links for the installation in the
//     destination (by default the program's own folder);
//   KelvraUserSetup.exe /REMOVE [/LOG=<file>] /D=<destination>
//     takes them away again after the product was uninstalled.
#pragma once

#include "framework/App.h"
#include "framework/CommandLine.h"

class CUserSetupApp : public CWinApp {
public:
    CUserSetupApp() : CWinApp(nullptr) {}
    BOOL InitInstance() override;
    int ExitInstance() override { return m_nExitCode; }

    // One run for a command line's arguments; returns the exit code.
    static int RunUserSetup(const CommandLineOptions& options);

private:
    int m_nExitCode = 0;
};
