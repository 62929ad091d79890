// A one-instance name created first by someone else: a mutex with the owner
// and access list an SDDL text gives. Whose it is, is asked of the system,
// before a test counts on it.
#pragma once

#include "framework/FileSecurity.h"
#include "framework/Handles.h"

#include <aclapi.h>

class CSquattedName {
public:
    CSquattedName(const wchar_t* name, const wchar_t* sddl) : m_security(sddl) {
        if (m_security.IsValid()) m_mutex.Reset(CreateMutexW(m_security.Attributes(), FALSE, name));
    }
    bool IsValid() const { return m_mutex.IsValid(); }
    // True when the system names the well-known account as its owner.
    bool IsOwnedBy(WELL_KNOWN_SID_TYPE account) const {
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!m_mutex ||
            GetSecurityInfo(m_mutex.Get(), SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
            return false;
        CLocalMemory owned(descriptor);
        return IsWellKnownSid(owner, account) != FALSE;
    }

private:
    CSecurityAttributes m_security;
    CHandle m_mutex;
};
