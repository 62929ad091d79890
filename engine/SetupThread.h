// The install worker: copies the product, registers it, configures AutoCAD,
// creates the shortcuts and writes the uninstall log, reporting to the
// copying page. Every operation here runs on the worker's own thread.
#pragma once

#include "engine/DestinationSecurity.h"
#include "engine/InstallRecord.h"
#include "engine/UserSteps.h"
#include "framework/String.h"
#include "framework/Thread.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

struct CopyCheck;

// The product's content folders, copied in this order (and counted over by
// the copying page in the same order).
extern const char* const CONTENT_FOLDERS[12];

// A copy refused because the disk is full (ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL).
bool IsDiskFullError(DWORD error);

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
    // Creates every missing folder of path (logging the path first, always);
    // the folders it created, and only those, go into the record.
    int EnsureDirectory(CString path);
    // The bare names of the plain files in folder matching pattern.
    // Names code page 936 cannot hold are logged and left out; unnamed, when
    // given, receives their shown forms.
    static void ListFiles(CString folder, CString pattern, CStringArray& names,
                          CStringArray* unnamed = nullptr);
    // An entry whose name code page 936 cannot hold, asked about like a file
    // that cannot be copied; true to pass it over, false on Abort.
    bool PassOverUnnamedEntry(const CString& entry);
    // One file of the tree: copied over whatever is there (the kept database
    // aside); a copy that fails asks Abort/Retry/Ignore. Zero on Abort.
    // sourceAttributes are the source's, as the folder listing gave them.
    // sourceData, when given, is the source's listing entry: the copy carries
    // its size and last-write time over, so the record takes them from it.
    int CopyFileEntry(const CString& source, const CString& destination, DWORD sourceAttributes,
                      const WIN32_FIND_DATAW* sourceData = nullptr);
    // A content file the bound distribution's copy refuses: not the listed
    // file (read as it was copied), or not listed. Named in the log and a
    // box; the run stops (0).
    int RefuseUncheckedFile(const CString& source, bool listed);
    // Copies source over destination; a read-only or hidden file left by an
    // earlier installation has its attributes cleared and is tried once more.
    // ERROR_SUCCESS, or why the last try failed.
    static DWORD CopyOverExisting(const CString& source, const CString& destination);
    // The same for any copy into destination (ERROR_SUCCESS or why it
    // failed); a source that is not the listed file is not tried again.
    static DWORD CopyOverExisting(const CString& destination, const std::function<DWORD()>& copy);

    // --- files in use, replaced at the next restart ---
    // Where a program holds a file the copy must replace, the new file waits
    // beside it and is moved into place at the next restart, if the user (or
    // a silent run's check) chose that and the restart rule allows it. True
    // when arranged: recorded, logged and listed in m_replacedAtRestart.
    bool ReplaceAtRestart(const CString& source, const CString& destination);
    // Says (a box over the page; the log in an unattended run) that a
    // restart completes the installation, when files wait for one.
    void ReportRestartReplacements();

    // --- progress for the copying page ---
    // What the copy has finished: every file and every sub-folder is one
    // entry; the paths are those of the latest.
    struct CopyProgress {
        int entries = 0;
        CString source;
        CString destination;
    };
    // Records a finished entry and sends it as WM_SETUP_PROGRESS, unless the
    // page holds the reports.
    void NotifyProgress(const CString& source, const CString& destination);
    // Called by the page: no more WM_SETUP_PROGRESS until TakeProgress finds
    // nothing new. The page shows the latest entry at its own pace, and the
    // copy does not wait for it on every file.
    void HoldProgress();
    // Called by the page: when the copy has finished entries since the
    // given progress, replaces it with the latest and returns true;
    // otherwise ends the hold (the next entry is sent at once) and returns
    // false.
    bool TakeProgress(CopyProgress& progress);

    // --- uninstall log ---
    void LogFileCopy(const CString& path);
    void LogMadeDir(const CString& path);
    void LogRegCtrl(const CString& path);
    void LogRegKey(HKEY root, const CString& key);
    int WriteUninstallLog();
    void AppendLogLine(const char* prefix, const CString& text);

    // --- the mark of the web (framework/ZoneMark.h) ---
    // Whether the distribution's files can carry the mark at all (its volume
    // keeps named streams): Run decides it once, and the tree copy asks
    // no file about it otherwise. Taken off before the record notes a
    // file's size and time.
    bool m_bSourceMayCarryZoneMarks = true;

    // --- installation record ---
    // Notes a file the copy has just written, with its size and last-write
    // time as the copy left them; a file that cannot be asked is not noted.
    void RecordWrittenFile(const CString& path);
    // The same for a copy of the listed source file: CopyFile gives the copy
    // the source's size and last-write time, so nothing more is asked (a
    // question per file would cost a tenth of the copy's time under Wine).
    void RecordWrittenFile(const CString& path, const WIN32_FIND_DATAW& source);
    // Merges what this run recorded with the earlier installation's record
    // and writes it beside the uninstall log and, when the process runs as an
    // administrator, in the administrators' folder. A copy that cannot be
    // written goes to the run's log; the run's outcome stays as it is.
    void WriteInstallRecord();

    // --- program files, controls, product keys, shortcuts ---
    // False when the disk filled up and the user gave up (the run stops).
    bool CopyProgramFiles();
    void RegisterControls();
    // 1 when the control registered itself; result, when given, receives
    // the entry point's answer or why the control could not be loaded.
    static int RegisterServer(const CString& path, HRESULT* result = nullptr);
    void RegisterProduct();
    // The uninstall entry's version, publisher, folder, icon, size, quiet
    // command and date, after the name and the command line.
    void WriteUninstallEntryDetails();
    // Configures "<<Kelvra V9>>" in every AutoCAD release found (the sides
    // m_userSteps.parts names).
    void ConfigureAcadReleases();
    // The links of m_userSteps.parts: the desktop's and the program group's
    // (the user's), the releases' in the destination (the machine's).
    int CreateShortcuts();
    // result, when given, receives why the link could not be made.
    static int CreateShellLink(const CString& workingFolder, const CString& linkPath,
                               const CString& target, const char* arguments, const char* iconFile,
                               HRESULT* result = nullptr);

    // --- what the steps after the copy could not do ---
    // Counted as they fail silently; one box sums them up before the end.
    struct SilentFailures {
        long machineValues = 0;    // registry values under HKEY_LOCAL_MACHINE
        CStringArray controls;     // controls that did not register themselves
        CStringArray links;        // shortcuts not saved
        CStringArray programFiles; // program files not copied (still logged)
        int trustedPathLists = 0;  // AutoCAD trusted-path lists too long to join
        CStringArray files;        // content files passed over by an unattended run
        CStringArray dataFolders;  // data folders standard users could not be let write to
        bool userSetup = false;    // the per-user set-up for every user's logon not registered
        bool accessDenied = false; // some of them were refused for want of rights
        CStringArray deniedPlaces; // the folders and registry parts that refused, once each
        bool inUse = false;        // some program file was held open
        // A control was not registered: others than the administrators may change it.
        bool controlsOthersMayChange = false;
        bool Any() const {
            return machineValues || !controls.empty() || !links.empty() || !programFiles.empty() ||
                   trustedPathLists || !files.empty() || !dataFolders.empty() || userSetup;
        }
    };
    // The box's text; empty when nothing failed. What was refused for want
    // of rights brings the advice to run as administrator unless the run is
    // elevated already; an elevated run names the places that refused (a
    // folder under Controlled Folder Access refuses administrators too).
    static CString SilentFailuresText(const SilentFailures& failures, bool elevated = false);
    // Shows the box over the page when anything failed, unless the user has
    // cancelled (the page may be gone); returns at its answer.
    void ReportSilentFailures();
    // A content file that could not be copied and was passed over.
    void CountFailedFile(const CString& file, DWORD error);
    // Something refused for want of rights at place (a folder, a registry part).
    void NoteAccessDenied(const CString& place);

    // --- what the worker asks when something goes wrong ---
    // The copying page's user answers in the engine's boxes, owned by the
    // page; an unattended run (no page) overrides these with fixed rules.
    // The thread's last error says why; the failure is already in the log.
    virtual int AskMissingSource(const CString& folder);  // IDRETRY, IDIGNORE or IDABORT
    virtual int AskFolderCreation(const CString& folder); // IDRETRY or IDCANCEL
    virtual int AskFileCopy(const CString& file);         // IDRETRY, IDIGNORE or IDABORT
    // The disk is full: every later file would fail too. IDRETRY once the
    // user made room, IDCANCEL to end the run.
    virtual int AskDiskFull(const CString& file);
    virtual void ShowSilentFailures(const CString& text); // the summary box
    // False when no box may be shown at all (the uninstall log's file error).
    virtual bool ShowsBoxes() const { return true; }

    std::atomic<int> m_bCancel{0};
    // The copying page's window, given before the thread starts: it receives
    // the reports and owns the boxes. The worker never reads the page object,
    // whose handle the page's thread clears when the window goes.
    HWND m_hWndPage = nullptr;
    SilentFailures m_failures;
    // WM_SETUP_DONE or WM_SETUP_FAILED once the run has ended; 0 before.
    UINT m_nOutcome = 0;
    CString m_strLog;
    // Set before the run: files in use are replaced at the next restart.
    bool m_bReplaceInUseAtRestart = false;
    // The files that wait for the next restart to be put in place.
    CStringArray m_replacedAtRestart;
    // The bytes of the files copied so far: the uninstall entry's size.
    ULONGLONG m_nCopiedBytes = 0;
    // What this run put on the machine, for the uninstaller.
    CInstallRecord m_record;
    // The access list of the folders created on the destination's path.
    CDestinationSecurity m_destinationSecurity;
    // The folder the product key named before this run registered its own:
    // the earlier installation, whose record this run's record takes in.
    CString m_strEarlierInstallDir;
    CString m_strSourceDir;
    CString m_strInstallDir;
    // A bound distribution, checked before the run: the listed content
    // files the copy checks as it reads them (a data file changed at its
    // size, a file added since, stops the copy). Null: nothing is checked.
    std::shared_ptr<const CopyCheck> m_copyCheck;
    // Whose profiles and links this run writes, and whether it registers the
    // per-user set-up (engine/UserSteps.h); by default its own user's and the
    // machine's, without the set-up.
    UserSteps m_userSteps;
    // The run has an administrator's full rights (set by the program from
    // its token): the summary then names what refused instead of advising
    // to run as administrator.
    bool m_bElevated = false;

private:
    std::mutex m_progressLock;
    CopyProgress m_progress;      // guarded by m_progressLock
    bool m_bProgressHeld = false; // guarded by m_progressLock
};
