// The removal itself: what the log records, the AutoCAD configuration the
// installer wrote, and Uninstall.log last. No window of its own: it reports
// to an observer, which the progress dialog or a silent run implements.
#pragma once

#include "framework/String.h"
#include "uninstall/RemovalScope.h"
#include "uninstall/UninstallRecord.h"

#include <windows.h>

// Told about every item as the removal reaches it; asked what to do about a
// file in use.
class IRemovalObserver {
public:
    virtual ~IRemovalObserver() = default;
    // status names the item; step counts from 1 to total (total is fixed
    // for the run: one step per log line, one for AutoCAD, one for the log).
    virtual void OnStep(const CString& status, int step, int total) = 0;
    // path cannot be removed because it is in use (error is the system's
    // code). True: try again; false: ignore it (it is then scheduled for
    // removal at restart where the rights allow, else left and listed).
    virtual bool RetryInUse(const CString& path, DWORD error) = 0;
};

struct RemovalOptions {
    // Files whose lower-cased path contains "kelvra.mdb" are kept (with the
    // folders holding them) unless this is set.
    bool removeData = false;
    // A file left in place: the running Uninstall-64.exe, deleted by the
    // uninstaller itself once its process has ended. Empty: none.
    CString skipFile;
};

struct RemovalOutcome {
    int removed = 0;        // files, folders and keys removed by this run
    CStringArray keptData;  // kept data files
    CStringArray inUse;     // in use, ignored, and not scheduled either
    CStringArray scheduled; // in use, removed at the next restart
    CStringArray failed;    // could not be removed for another reason
    CStringArray refused;   // log lines refused (their shown text)
    // 0 done, 3010 done with files left for removal at restart, 1603 when
    // anything stayed that should have gone (inUse or failed).
    int ExitCode() const;
};

// Removes, in this order: the controls (unregistered, then deleted), the
// "File Copy: " files and links (and the program group once empty), the
// "Made Dir: " folders with their contents (deepest first, never through a
// junction or symbolic link), the product keys (the uninstall entry last),
// the AutoCAD configuration for this destination, then Uninstall.log.
// Every line goes through scope.RefuseOutside first (again, when the caller
// did it already). Whatever is already gone counts as done: a second run
// removes nothing and does not fail.
RemovalOutcome RemoveProduct(UninstallRecord record, const CRemovalScope& scope,
                             const RemovalOptions& options, IRemovalObserver& observer);

// Removes the destination folder when it is empty, then each empty parent,
// stopping at the first folder that is not empty or is protected. True when
// the destination is gone.
bool RemoveEmptyDestination(const CRemovalScope& scope);

// A per-user clean-up without a log: removes the desktop link and the
// program group's links (the names the installer gives them) from this
// user's own shell folders, then the group once empty. Returns the number of
// files and folders removed.
int RemoveUserShortcuts();
