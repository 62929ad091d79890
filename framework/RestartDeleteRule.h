// Whether a file in use may be left for Windows to delete at the next
// restart. Session Manager deletes the path as SYSTEM, early in the boot:
// had a user swapped any folder on that path for a junction by then, it
// would delete what the junction points at. So a restart delete is
// scheduled only where nobody but SYSTEM, Administrators and
// TrustedInstaller can change a folder on the way; elsewhere the file is
// left and named.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Where an object stands on the path, which decides the rights that matter.
enum class PathPlace {
    DriveRoot, // "C:\": it cannot be renamed, and a user who may create folders in
               // it (Windows grants that) still cannot replace one that exists
    Folder,    // any folder below the root
    File,      // the file itself
};

// True when the security descriptor lets anyone else than SYSTEM,
// Administrators and TrustedInstaller change what the object at that place
// holds: an owner outside them (an owner may always rewrite the DACL), no
// DACL, or an allowing entry that applies to the object and grants another
// account a right that can replace something on the path or change the
// rights. Entries of kinds not understood count as allowing. Entries that
// deny are not weighed: they could only make the answer "no" where this
// says "yes", the safe side.
bool DescriptorLetsOthersChange(PSECURITY_DESCRIPTOR descriptor, PathPlace place);

// The same, read through an open handle (it needs READ_CONTROL); true too
// when the security cannot be read.
bool HandleLetsOthersChange(HANDLE handle, PathPlace place);

// True when a delete at the next restart may be scheduled for path: each
// folder from the drive root down, and the file, is opened relative to the
// one before without following links (a link on the way answers false),
// and none of them lets others change it. The opens share deletion: the
// removal asking holds the folders on the way. A path that is not on a local drive
// ("\\server\share\...") answers false.
bool MayDeleteAtRestart(const CString& path);
