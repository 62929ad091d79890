// The uninstaller's application object. Started by the user (Programs and
// Features, the Start-menu link, a script) it is the original: it checks the
// installation record, copies itself out of the destination folder and waits
// for the copy (SelfCopy.h). Started with the private switch it is the copy:
// it asks, removes, reports, and clears away the original and itself.
#pragma once

#include "framework/App.h"
#include "framework/CommandLine.h"
#include "framework/RunLog.h"
#include "uninstall/ProductRemoval.h"
#include "uninstall/RemovalScope.h"
#include "uninstall/SelfCopy.h"

class CUninstallApp : public CWinApp {
public:
    CUninstallApp() : CWinApp(KelvraUninstallTitle()) {}
    BOOL InitInstance() override;
    int ExitInstance() override { return m_exitCode; }

    static const char* KelvraUninstallTitle();

private:
    int Main();
    // The original's part: the record is checked before the copy is made.
    int RunOriginal();
    // The copy's part.
    int RunCopy();
    // The folder holds neither Uninstall.log nor a valid record: asks
    // (unless silent), removes the registration that points into it and no
    // file, tells (uninstall/RegistrationRemoval.h).
    int RemoveRegistrationOnly(const CString& folder);
    // Asks (unless silent), removes, tells. Fills m_scope and m_removedAny.
    // handshake: the original's side, asked whether its file can go now.
    int Uninstall(const CString& logPath, CCopyHandshake& handshake);
    // Safe mode, interactive: offers to remove the folders left whole.
    void OfferWholeFolders(RemovalOutcome& outcome, const RemovalOptions& options);
    // A box unless the run is silent.
    void Tell(const char* text, UINT type) const;
    // The run log, once per run: /LOG=, or the default file in %TEMP%.
    void OpenRunLog();

    CommandLineOptions m_options;
    CRemovalScope m_scope;
    // The run removed something: only then does the original go.
    bool m_removedAny = false;
    CRunLog m_runLog;
    int m_exitCode = 0;
};

// A dialog of the program shown on its own (no owner): the program's icon on
// its title bar and taskbar button, centred, in front.
void PresentProgramDialog(CWnd& dialog);
