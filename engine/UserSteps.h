// Who is set up where. The AutoCAD profiles "<<Kelvra V9>>" (under
// HKEY_CURRENT_USER) and the desktop and Start-menu links (in the user's
// shell folders) belong to each user. A run writes them for the account it
// runs as, registers the per-user set-up (Active Setup) that gives them to
// every user at the next logon, or leaves them to the run that started it,
// depending on who it is and how it was started.
#pragma once

#include "host_cad/AcadProfile.h"

struct RunIdentity {
    bool silent = false;    // /S
    bool restarted = false; // started by a restart whose original waits to take
                            // its user's part back (app/HandBack.h)
    bool elevated = false;  // an administrator's full rights (elevated, or SYSTEM)
    bool system = false;    // the LocalSystem account (Intune, Configuration Manager)
};

enum class ReadmeOpening {
    Here,          // the finish page opens it
    ByTheOriginal, // the run that restarted this one opens it, as its own user
    Never,         // SYSTEM: Notepad would run as SYSTEM on a user's desktop
};

struct UserSteps {
    // The side of the profiles and links this run writes: MachineOnly leaves
    // out those of its own account.
    ConfigurationParts parts = ConfigurationParts::UserAndMachine;
    // Registers the per-user set-up for every user's next logon.
    bool registersUserSetup = false;
    // The run that restarted this one runs the per-user program for its own
    // user once this one has ended with 0.
    bool originalSetsUpItsUser = false;
    ReadmeOpening readme = ReadmeOpening::Here;
};

// The decision, as a table of kinds of run.
//   SYSTEM: nobody uses its profile; every real user is set up at logon.
//   Restarted elevated: an administrator's process, perhaps an administrator
//     whose password was typed for a standard user; that user is set up by
//     the original, unelevated run, every other user at logon.
//   Elevated from the start: its own user here, every other at logon.
//   Without administrator rights: its own user only (HKEY_LOCAL_MACHINE,
//     where the per-user set-up is registered, is not writable).
UserSteps DecideUserSteps(const RunIdentity& run);

// Writes the decision into the run's log.
void LogUserSteps(const UserSteps& steps, const RunIdentity& run);
