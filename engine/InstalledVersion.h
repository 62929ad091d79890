// The value deployment systems detect the product by. "Ver" is written
// midway through a run, before the AutoCAD configuration, the links and the
// uninstall log, so a run that fails after it would still look installed.
// "InstalledVersion" is written last, only by a run that ends with exit code
// 0 (or 3010, installed with a file waiting for the restart), and a silent
// run takes it away before it changes anything: while it is there, the
// installation it names completed. It holds the whole version of the build
// (kBuildVersion, "9.0.0.0"), so a detection rule tells builds apart, and a
// run compares its own version with it before it changes anything.
#pragma once

#include "framework/String.h"

extern const char kInstalledVersionValue[];

// Writes this build's version as "InstalledVersion" under the product key
// and its Wow6432Node twin. False (logged) when a write fails.
bool MarkInstallationComplete();
// Deletes the value from both keys (missing is fine). False (logged) when a
// value that is there cannot be deleted.
bool ClearInstallationComplete();

// The version the detection value names under the product key, read without
// creating the key; empty when there is none (never installed, removed, or
// the last run did not complete: only a completed installation's build
// counts, so an older build may still repair a newer one's failed run).
CString ReadInstalledVersion();

// What a run does about the installed build, running being its own version.
enum class VersionStep {
    Go,              // nothing newer installed, or /ALLOWDOWNGRADE: the same
                     // version reinstalls (the repair), an older one is
                     // upgraded in place, keeping the database
    AskDowngrade,    // interactive, a newer build installed: asked, 否 the default
    RefuseDowngrade, // silent, a newer build installed: 1638 before anything changes
};
VersionStep DecideVersionStep(const CString& installed, const CString& running, bool silent,
                              bool allowDowngrade);

// One line in the run's log: the installed version against running, and
// what the run makes of it. Nothing when none is installed.
void LogVersionStep(const CString& installed, const CString& running, VersionStep step);
