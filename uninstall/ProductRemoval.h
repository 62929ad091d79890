// The removal itself: what the log records, the AutoCAD configuration the
// installer wrote, and Uninstall.log last. No window of its own: it reports
// to an observer, which the progress dialog or a silent run implements.
#pragma once

#include "engine/InstallRecord.h"
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
    // After a folder was listed and before an entry of it (path) is opened:
    // the moment a swap for a link would aim at. Tests use it; the removal
    // does nothing of its own here.
    virtual void BeforeOpen(const CString& /*path*/) {}
};

struct RemovalOptions {
    // Files whose lower-cased path contains "kelvra.mdb" are kept (with the
    // folders holding them) unless this is set. With a record it also takes
    // the files the user added or changed inside the folders the
    // installation created, and the recorded files the user changed.
    bool removeData = false;
    // The installation record, or null: the safe mode, in which the logged
    // folders go only once empty (never with their contents).
    const CInstallRecord* record = nullptr;
    // Safe mode only: the logged folders go whole, with whatever they hold
    // (the administrator asked for the data to go too).
    bool removeFoldersWhole = false;
    // The record's files, deleted with Uninstall.log once nothing failed.
    CStringArray recordFiles;
    // The record's file name beside a log: an earlier destination's goes too.
    CString recordName;
    // The installer's links found in the user's current shell folders
    // (FindMovedLinks), deleted with the logged ones.
    CStringArray movedLinks;
    // A file left in place: the running Uninstall-64.exe, deleted by the
    // uninstaller itself once its process has ended. Empty: none.
    CString skipFile;
};

struct RemovalOutcome {
    int removed = 0;            // files, folders and keys removed by this run
    bool safeMode = false;      // no valid installation record
    CStringArray keptData;      // kept data files
    CStringArray userFiles;     // kept: files the user added or changed
    CStringArray foldersBefore; // kept: folders that were there before the installation
    CStringArray foldersLeft;   // kept (safe mode): logged folders that are not empty
    CStringArray inUse;         // in use, ignored, and not scheduled either
    CStringArray scheduled;     // in use, removed at the next restart
    CStringArray failed;        // could not be removed for another reason
    CStringArray refused;       // log lines refused (their shown text)
    // 0 done, 3010 done with files left for removal at restart, 1603 when
    // anything stayed that should have gone (inUse or failed).
    int ExitCode() const;
};

// Removes, in this order: the controls (unregistered, then deleted), the
// "File Copy: " files and links (and the program group once empty), the
// moved links, what the "Made Dir: " folders hold of the installation's
// (with a record: the recorded files whose size and time still match, the
// folders it created once empty, its scratch folder Temp whole; without
// one: each folder once empty; never through a junction or symbolic link),
// with a record the same in the earlier destinations it names, the product
// keys, the AutoCAD configuration (with a record exactly the recorded
// entries, else those inside this destination), then, only when nothing
// failed, the uninstall entry, the record files and Uninstall.log, so that a
// failed run can be repeated. Every line goes through scope.RefuseOutside
// first (again, when the caller did it already). Whatever is already gone
// counts as done: a second run removes nothing and does not fail.
RemovalOutcome RemoveProduct(UninstallRecord record, const CRemovalScope& scope,
                             const RemovalOptions& options, IRemovalObserver& observer);

// Safe mode, after the user accepted: the folders (foldersLeft) go whole,
// with whatever they hold.
RemovalOutcome RemoveFoldersWhole(const CStringArray& folders, const CRemovalScope& scope,
                                  const RemovalOptions& options, IRemovalObserver& observer);

// After a product key was deleted: the maker's keys above it
// (SOFTWARE\Morvane\Kelvra, SOFTWARE\Morvane), each once nothing is left in it.
void RemoveEmptyParentKeys(CString key);

// Removes the destination folder when it is empty, then each empty parent,
// stopping at the first folder that is not empty or is protected. True when
// the destination is gone.
bool RemoveEmptyDestination(const CRemovalScope& scope);

// A per-user clean-up without a log: removes the desktop link and the
// program group's links (the names the installer gives them) from this
// user's own shell folders, then the group once empty. Returns the number of
// files and folders removed.
int RemoveUserShortcuts();
