// The per-user clean-up after an uninstallation, which Active Setup runs at
// each user's next logon (KelvraUserSetup.exe /REMOVE): that user's links
// and AutoCAD profiles go, as the uninstaller takes its own user's.
#pragma once

#include "framework/String.h"

// True when the running user's profile roams (GetProfileType): its
// HKEY_CURRENT_USER follows the user to every machine they log on to.
bool UserProfileRoams();

struct UserCleanupResult {
    int acadChanged = 0;  // AutoCAD keys and values taken back
    int linksRemoved = 0; // links and folders removed
};

// Takes the running user's part of the installation in installDir (ending
// in a backslash) away: the desktop link and the program group from the
// user's own shell folders and, unless the profile roams, the AutoCAD
// profiles "<<Kelvra V9>>" and the trusted-path entries inside installDir.
// A roaming profile keeps those: they are the same values on every machine
// the user logs on to, and another machine may still have the product (and
// its links) installed.
UserCleanupResult CleanUpUser(const CString& installDir, bool roamingProfile);
