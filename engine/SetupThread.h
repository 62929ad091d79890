// The install worker: copies the product, registers it, configures AutoCAD,
// creates the shortcuts and writes the uninstall log, reporting to the
// copying page. Every operation here runs on the worker's own thread.
#pragma once

#include "framework/String.h"
#include "framework/Thread.h"

#include <windows.h>

#include <atomic>

// The product's content folders, copied in this order (and counted over by
// the copying page in the same order).
extern const char* const CONTENT_FOLDERS[12];

class CSetupThread : public CWinThread {
public:
    CSetupThread();
    ~CSetupThread() override;

    BOOL InitInstance() override;
    // The run sequence: the content folders, then the program files,
    // controls, product registration, shortcuts and the uninstall log; ends
    // with exactly one WM_SETUP_DONE or WM_SETUP_FAILED.
    int Run() override;

    // Asks the copy to stop after the entry in hand; returns at once.
    void RequestCancel() { m_bCancel = 1; }
    int IsCancelled() const { return m_bCancel; }

    // --- tree copy ---
    int CopyTree(CString source, CString destination);
    int EnsureDirectory(CString path);
    void NotifyProgress(const CString& source, const CString& destination);
    // The bare names of the plain files in folder matching pattern.
    static void ListFiles(CString folder, CString pattern, CStringArray& names);
    // One file of the tree: copied over whatever is there (the kept database
    // aside); a copy that fails asks Abort/Retry/Ignore. Zero on Abort.
    int CopyFileEntry(const CString& source, const CString& destination);

    // --- uninstall log ---
    void LogFileCopy(const CString& path);
    void LogMadeDir(const CString& path);
    void LogRegCtrl(const CString& path);
    void LogRegKey(HKEY root, const CString& key);
    int WriteUninstallLog();
    void AppendLogLine(const char* prefix, const CString& text);

    // --- program files, controls, product keys, shortcuts ---
    void CopyProgramFiles();
    void RegisterControls();
    static int RegisterServer(const CString& path);
    void RegisterProduct();
    // Configures "<<Kelvra V9>>" in every AutoCAD release found.
    void ConfigureAcadReleases();
    int CreateShortcuts();
    static int CreateShellLink(const CString& workingFolder, const CString& linkPath,
                               const CString& target, const char* arguments, const char* iconFile);

    // --- what the steps after the copy could not do ---
    // Counted as they fail silently; one box sums them up before the end.
    struct SilentFailures {
        long machineValues = 0; // registry values under HKEY_LOCAL_MACHINE
        int controls = 0;       // control self-registrations
        int links = 0;          // shortcuts
        bool Any() const { return machineValues || controls || links; }
    };
    // The box's text; empty when nothing failed.
    static CString SilentFailuresText(const SilentFailures& failures);
    // Shows the box over the page when anything failed; returns at its answer.
    void ReportSilentFailures();

    std::atomic<int> m_bCancel{0};
    SilentFailures m_failures;
    CString m_strLog;
    CString m_strSourceDir;
    CString m_strInstallDir;

protected:
    HWND PageWindow() const;
};
