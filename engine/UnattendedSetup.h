// The install worker without a copying page: a silent installation, and the
// per-user part Active Setup runs at each user's logon. No box is shown;
// what a user would be asked is decided by rule and written to the run's log.
#pragma once

#include "engine/SetupThread.h"

class CUnattendedSetup : public CSetupThread {
public:
    // Runs the whole sequence on the worker's thread and waits for its end.
    // True when it completed (the copy went through), false when it failed.
    bool RunToEnd();

    // How often a file held by another program is tried again, and the
    // pause before each try (a virus scanner or an indexer may hold it a
    // moment).
    int m_nFileCopyRetries = 3;
    DWORD m_nFileCopyRetryDelayMs = 500;

protected:
    // A missing content folder and a folder that cannot be created end the run.
    int AskMissingSource(const CString& folder) override;
    int AskFolderCreation(const CString& folder) override;
    // A file held by another program (a sharing or lock violation, which
    // may pass by itself) is retried a few times; then, and at once for any
    // other reason, it is passed over and counted as a failure.
    int AskFileCopy(const CString& file) override;
    // A full disk ends the run at once (the log names the space needed).
    int AskDiskFull(const CString& file) override;
    void ShowSilentFailures(const CString& text) override;
    bool ShowsBoxes() const override { return false; }

private:
    CString m_strRetriedFile;
    int m_nRetries = 0;
};

// The per-user part of the installation in installDir, for the user running
// it: the configuration sweep's profile writes and that user's desktop and
// Start-menu links (the machine's part, which the installation made, is left
// alone).
void SetUpCurrentUser(const CString& installDir);
