// Rights Wine does not keep, given by the tests. Wine 8 reports its user as
// the owner of every file, with one access list for all, and deletes a key
// whatever its access list says; so this program links its own
// ReadFileSecurity and DeleteKeyTree in place of the product's (each alone
// in its file there), and the programs themselves hold no way to feign them.
#pragma once

#include "framework/String.h"

// The owner and access list (SDDL) read for path from now on, whatever the
// file system says: for path itself, or for each folder from its drive root
// down and path.
void AssignFileSecurity(const CString& path, const wchar_t* sddl);
void AssignFileSecurityAlongPath(const CString& path, const wchar_t* sddl);

// A key below a classes root ("CLSID\{...}") that nobody may delete, as on
// Windows a list denying deletion to everyone makes it; Unlock lets it go.
void LockKeyTree(const wchar_t* path);
void UnlockKeyTree(const wchar_t* path);

// Forgets every right given and every lock when it goes: one per test.
class CAssignedRights {
public:
    CAssignedRights() = default;
    ~CAssignedRights();
    CAssignedRights(const CAssignedRights&) = delete;
    CAssignedRights& operator=(const CAssignedRights&) = delete;
};
