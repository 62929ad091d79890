// Who may change a file or folder, asked of an open handle (never of a path
// that could be swapped between the question and the use), and the private
// access list the uninstaller's own folders get.
#pragma once

#include "framework/Handles.h"

#include <windows.h>

// The owner and access list of an open file or folder as the system keeps
// them (the handle needs READ_CONTROL); false when they cannot be read. The
// rules here and the uninstaller's restart-delete rule read them through
// ReadFileSecurity alone, which asks ReadSystemFileSecurity.
bool ReadFileSecurity(HANDLE object, CLocalMemory& descriptor);
bool ReadSystemFileSecurity(HANDLE object, CLocalMemory& descriptor);

// The accounts trusted with what an administrator runs or reads back:
// SYSTEM, the Administrators group and TrustedInstaller.
bool IsAdministrativeSid(PSID sid);

// True when the object's owner is the running user, SYSTEM or the
// Administrators group (or TrustedInstaller): nobody else has planted it.
// The handle needs READ_CONTROL.
bool HasTrustedOwner(HANDLE object);

// True when only administrative accounts may change what the object holds
// or who may: its owner is one of them, and no entry of its access list that
// applies to the object itself gives anyone else a right to write, add,
// delete, or change its owner or list. An object without an access list (a
// null DACL) is writable by all. The handle needs READ_CONTROL. (A build for
// the tests, run under Wine, counts Wine's one user as the Administrators
// group: see FileSecurity.cpp.)
bool IsWritableByAdministratorsAlone(HANDLE object);

// The rule of IsWritableByAdministratorsAlone, applied to a descriptor
// holding an owner and an access list.
bool AdministratorsAloneMayChange(PSECURITY_DESCRIPTOR descriptor);
// The same rule with the running process's user trusted as well: true when
// nobody but the administrative accounts and this account may change what
// the object holds or who may (an administrator's folder whose owner is the
// administrator's own account, not the Administrators group).
bool AdministratorsAndRunningUserAloneMayChange(PSECURITY_DESCRIPTOR descriptor);

// Security attributes made from a descriptor in SDDL; not valid (and null
// attributes, the defaults) when the text cannot be read.
class CSecurityAttributes {
public:
    explicit CSecurityAttributes(const wchar_t* sddl);
    bool IsValid() const { return m_descriptor.IsValid(); }
    // For CreateDirectoryW, CreateMutexW and friends; null while not valid.
    SECURITY_ATTRIBUTES* Attributes() { return IsValid() ? &m_attributes : nullptr; }
    PSECURITY_DESCRIPTOR Descriptor() const { return m_descriptor.Get(); }

private:
    CLocalMemory m_descriptor;
    SECURITY_ATTRIBUTES m_attributes{};
};

// A security descriptor whose access list is protected (nothing inherited)
// and grants full control to SYSTEM, the Administrators group and the running
// user alone: for folders the uninstaller creates in a shared temp folder.
class CPrivateSecurity : public CSecurityAttributes {
public:
    CPrivateSecurity();
};
