// Active Setup: what a machine-wide (silent) installation leaves for every
// user. Deployment systems run installers as SYSTEM, so the AutoCAD profiles
// and links, which live in each user's own hive and shell folders, are made
// by a small program Windows runs once for each user at the next logon: the
// component's StubPath. The uninstaller replaces it by the per-user clean-up.
#pragma once

#include "framework/String.h"

#include <windows.h>

// The component, under HKEY_LOCAL_MACHINE.
extern const char kActiveSetupKey[];
// The per-user program: a program file of the distribution, kept under
// Common Files (the distribution share may be gone at logon, and the
// destination may be writable by users); it needs no administrator's rights.
extern const char kUserSetupProgram[];
// Its switch for the clean-up of one user, followed by /D=<destination>.
extern const char kUserCleanupSwitch[];

// Registers the per-user set-up of the installation in destination (with or
// without a trailing backslash). The program that every user's logon runs is
// copied from the distribution's folder source to UserProgramFolder(), where
// only administrators may write, and registered only when the copy has the
// distribution's file's size and SHA-256; its StubPath names that copy with
// /D=<destination>, under a Version above any the component had, so every
// user runs it once more. False (and the failure in the run's log) when the
// program is missing, cannot be copied, differs, or a value cannot be written.
bool RegisterUserSetup(const CString& source, const CString& destination);
// The check before that registration: true when kept has original's size
// and SHA-256, both read through handles that share no writing (logged
// when not).
bool SameAsDistribution(const CString& original, const CString& kept);

// For an interactive installation, which sets up its own user directly: a
// pending per-user clean-up (an uninstallation's /REMOVE entry) would take the
// new installation's profiles and links away at every user's next logon, so
// it is replaced by the per-user set-up. Nothing when no clean-up is pending.
// False when the replacement failed (logged).
bool ReplacePendingUserCleanup(const CString& source, const CString& destination);

// For the uninstaller, before it removes destination: registers the kept
// per-user program with the clean-up switch under a new Version, so every
// user's profiles and links go at the next logon. An installation made before
// the program was kept under Common Files has it only in destination: it is
// copied out first. False when the copy or a value fails (logged).
bool RegisterUserCleanup(const CString& destination);

// Runs the registered per-user set-up for the running user at once, as the
// next logon would: the component's StubPath, when it names the kept
// program under UserProgramFolder() with /D= (never a clean-up). Waits up to
// timeoutMs for it. False (logged) when there is none, or it could not be
// started or did not end with 0 in time.
bool RunRegisteredUserSetup(DWORD timeoutMs);

// True when the component is registered (by a silent installation or a
// clean-up): the uninstaller then registers the clean-up.
bool UserSetupRegistered();
// True when the component's StubPath is the per-user clean-up.
bool UserCleanupPending();

// The Version a registration at time now (UTC) gives the component, which
// holds current on this machine. Windows runs the stub for a user whose own
// Version (which roams with the profile) is lower, so a count per machine
// would leave a user whose profile saw a higher count elsewhere without the
// set-up: the Version is made from the time instead, "<major>,<minor>,<days
// since 2000-01-01>,<seconds of the day halved>", each part below 65536 (to
// the year 2179), and so is higher than every earlier run's on any machine
// whose clock is right. When that is not above current (a clock set back, two
// runs within two seconds), current raised by one instead.
CString NextActiveSetupVersion(const CString& current, const FILETIME& now);
// (Active Setup orders two Versions as CompareVersions does, framework/VersionNumbers.h.)

// Where the per-user program is kept: <Common Files>\Morvane\Kelvra V9\. Only
// administrators may write there: every user's logon runs what lies in it,
// and a DLL planted beside it (ProgramData lets users add files; a
// destination outside Program Files may let them too) would run in the next
// user's session.
CString UserProgramFolder();
