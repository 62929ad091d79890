// The uninstaller of an emptied folder: Uninstall.log and the record are gone
// (a user or a clean-up tool emptied the product's folder), so nothing says
// which files are the installation's, and none is removed. What the
// installation registered in Windows still names the folder, and without it
// going the uninstall entry could never be removed: the registration that
// points into the folder goes, the rest (another installation's) stays.
#pragma once

#include "framework/String.h"

struct RegistrationRemoval {
    CStringArray removed;   // what went, as the last box names it
    CStringArray elsewhere; // kept: it names another folder
    CStringArray failed;    // could not be removed (the uninstall entry then stays)
    // 0, or 1603 when anything failed.
    int ExitCode() const;
};

// Removes, in this order, what names folder (the uninstaller's own, without
// a trailing backslash): the detection value, the AutoCAD configuration of
// this user and the machine's demand-load entries (host_cad/AcadCleanup.h),
// the Active Setup component (replaced by the per-user clean-up where the
// kept program is there to run it, so every user's own part goes at their
// next logon; else deleted), the product key and its Wow6432Node twin with
// the maker's empty keys above them, and last, only when nothing failed, the
// uninstall entry. A product key counts as the folder's when its
// "installPath" names it, the entry when its "UninstallString" starts the
// uninstaller in it or its "InstallLocation" names it. Removes no file.
// Whatever is already gone counts as done.
RegistrationRemoval RemoveRegistration(const CString& folder);

// The last box's text (and the log's lines) for such a run.
CString RegistrationBoxText(const RegistrationRemoval& outcome, const CString& folder);
void LogRegistrationRemoval(const RegistrationRemoval& outcome, int exitCode);
