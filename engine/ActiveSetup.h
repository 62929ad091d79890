// Active Setup: what a machine-wide (silent) installation leaves for every
// user. Deployment systems run installers as SYSTEM, so the AutoCAD profiles
// and links, which live in each user's own hive and shell folders, are made
// by a small program Windows runs once for each user at the next logon: the
// component's StubPath. The uninstaller replaces it by the per-user clean-up.
#pragma once

#include "framework/String.h"

// The component, under HKEY_LOCAL_MACHINE.
extern const char kActiveSetupKey[];
// The per-user program: a program file of the distribution, so it lies in
// the destination folder (the distribution share may be gone at logon) and
// needs no administrator's rights.
extern const char kUserSetupProgram[];
// Its switch for the clean-up of one user, followed by /D=<destination>.
extern const char kUserCleanupSwitch[];

// Registers the per-user set-up of the installation in destination (with or
// without a trailing backslash): a Version above any the component had, so
// every user runs it once more. Removes a clean-up copy left by an earlier
// uninstallation. False (and the failure in the run's log) when the program
// is missing from destination or a value cannot be written.
bool RegisterUserSetup(const CString& destination);

// For the uninstaller, before it removes destination: copies the per-user
// program out of it to the machine's Common Files folder (it has to
// outlive the destination) and registers it with the clean-up switch under a
// new Version, so every user's profiles and links go at the next logon.
// False when the copy or a value fails (logged).
bool RegisterUserCleanup(const CString& destination);

// True when the component is registered (by a silent installation or a
// clean-up): the uninstaller then registers the clean-up.
bool UserSetupRegistered();

// The next Version after current ("9,0,0,N" with N one higher; "9,0,0,1"
// when current is empty or holds no number).
CString NextActiveSetupVersion(const CString& current);
// Where the clean-up program is kept: <Common Files>\Morvane\Kelvra V9\. Only
// administrators may write there: every user's logon runs what lies in it,
// and a DLL planted beside it (ProgramData lets users add files) would run
// in the next user's session.
CString UserCleanupFolder();
