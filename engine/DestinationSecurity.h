// A destination only administrators can change. Everything the product
// runs comes from it: every user's AutoCAD loads its LoadKelvra.arx, the
// registered controls load in any process, an elevated one included. Inside
// Program Files the folder inherits a list that already keeps users out.
// Elsewhere (D:\Kelvra on a data volume, whose root lets users create and
// then change folders) a folder the installation creates gets a protected
// list of its own; an existing folder that others may change is named
// before anything is copied into it.
#pragma once

#include "framework/FileSecurity.h"
#include "framework/String.h"

#include <windows.h>

// What decides the destination's access list.
struct DestinationFacts {
    bool exists = false;             // the destination folder is there already
    bool insideProgramFiles = false; // Program Files or Program Files (x86), or below
    bool localDrive = false;         // on a drive of this machine (not a share)
    // The destination, or an existing folder above it (below the drive's
    // root), lets others than the administrators change it: it could be
    // filled, or renamed away and replaced.
    bool othersMayChange = false;
    bool elevated = false; // the run holds the Administrators group
};

struct DestinationDecision {
    // The folders the installation creates on the destination's path (the
    // destination and missing folders above it) get the protected list.
    bool protectCreatedFolders = false;
    // Said before the copy: interactively a box (default No), silently the log.
    bool warnOthersMayChange = false;
};

// Elevated only: a run with the user's own rights installs files that user
// can change whatever the list (a protected list would lock that user out
// of the copy), and registers nothing for other users.
DestinationDecision DecideDestinationSecurity(const DestinationFacts& facts);

// The facts for destination, read from the system now. changeable, when
// given, receives the folder others may change.
DestinationFacts ReadDestinationFacts(const CString& destination, CString* changeable = nullptr);

// The protected list: SYSTEM, Administrators and TrustedInstaller full
// control, Users read and execute; inherited by everything below, nothing
// inherited from above.
class CProtectedDestinationSecurity : public CSecurityAttributes {
public:
    CProtectedDestinationSecurity();
};

// The installation's side: which folders it creates get the protected list.
class CDestinationSecurity {
public:
    // Decides for this run's destination (logged).
    void Prepare(const CString& destination);
    // The attributes for a folder EnsureDirectory is about to create: the
    // protected list for the destination and the folders above it when the
    // decision says so, else null (inherited).
    SECURITY_ATTRIBUTES* ForNewFolder(const CString& folder);

private:
    CString m_destination; // normalised
    bool m_protect = false;
    CProtectedDestinationSecurity m_security;
};

// At the destination page's Next: true to go on. When others may change the
// folder, a warning box (default No) says why; No keeps the page.
bool ConfirmDestinationSecurity(HWND page, const CString& destination);
// A silent run: the same warning in the log; the run goes on.
void LogDestinationSecurity(const CString& destination);
