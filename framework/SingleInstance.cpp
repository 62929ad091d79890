#include "framework/SingleInstance.h"

#include "framework/Elevation.h"

#include "framework/FileSecurity.h"
#include "framework/WideText.h"

#include <aclapi.h>

#include <string>

const wchar_t kInstanceNamespace[] = L"Morvane.Kelvra";
const wchar_t kInstanceBoundary[] = L"Morvane Kelvra V9";

namespace {

// SYSTEM and the Administrators group alone: for the namespace and, where
// private namespaces are missing, for the mutex itself.
const wchar_t kAdministratorsOnly[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";
// The same, owned by the Administrators group: a holder of the fallback name
// is known by its owner.
const wchar_t kOwnedByAdministrators[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";

// The holder of the fallback name is an administrator's run: the mutex is
// owned by an administrative account (a squatter's is owned by its user).
bool HasAdministrativeOwner(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    CLocalMemory owned(descriptor);
    return IsAdministrativeSid(owner);
}

// The private-namespace calls, looked up in kernel32 (always loaded): a
// system that lacks them (Wine 8) must still start the program.
struct NamespaceCalls {
    decltype(&AddSIDToBoundaryDescriptor) addSid = nullptr;
    decltype(&CreatePrivateNamespaceW) create = nullptr;
    decltype(&OpenPrivateNamespaceW) open = nullptr;
    decltype(&ClosePrivateNamespace) close = nullptr;
    decltype(&DeleteBoundaryDescriptor) deleteBoundary = nullptr;

    NamespaceCalls() {
        HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        if (!kernel) return;
        Find(kernel, "AddSIDToBoundaryDescriptor", addSid);
        Find(kernel, "CreatePrivateNamespaceW", create);
        Find(kernel, "OpenPrivateNamespaceW", open);
        Find(kernel, "ClosePrivateNamespace", close);
        Find(kernel, "DeleteBoundaryDescriptor", deleteBoundary);
    }
    bool Complete() const { return addSid && create && open && close && deleteBoundary; }

private:
    template <typename F> static void Find(HMODULE module, const char* name, F& function) {
        function = reinterpret_cast<F>(GetProcAddress(module, name));
    }
};

const NamespaceCalls& Namespaces() {
    static const NamespaceCalls calls;
    return calls;
}

} // namespace

CSingleInstance::CSingleInstance(const char* name) : CSingleInstance(name, RunsAsAdministrator()) {}

CSingleInstance::CSingleInstance(const char* name, bool administrator) {
    const std::wstring wide = Wide(CString(name));
    if (administrator)
        CreateInAdministratorsNamespace(wide);
    else
        CreateMutexNamed(L"Local\\" + wide, nullptr);
}

CSingleInstance::~CSingleInstance() {
    m_mutex.Reset();
    // The namespace goes with the last handle of any process; ours only closes.
    if (m_namespace) Namespaces().close(m_namespace, 0);
    if (m_boundary) Namespaces().deleteBoundary(m_boundary);
}

void CSingleInstance::CreateMutexNamed(const std::wstring& fullName,
                                       SECURITY_ATTRIBUTES* attributes) {
    m_mutex.Reset(CreateMutexW(attributes, FALSE, fullName.c_str()));
    const DWORD error = GetLastError();
    // The mutex is never waited for: its existence is the answer, and it goes
    // away with the last handle, even when a holder is killed.
    m_first = m_mutex.IsValid() && error != ERROR_ALREADY_EXISTS;
}

void CSingleInstance::CreateInAdministratorsNamespace(const std::wstring& name) {
    CSecurityAttributes administratorsOnly(kAdministratorsOnly);
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    const NamespaceCalls& calls = Namespaces();
    if (calls.Complete()) m_boundary = CreateBoundaryDescriptorW(kInstanceBoundary, 0);
    if (m_boundary &&
        CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) {
        PSID sid = administrators;
        if (calls.addSid(&m_boundary, sid)) {
            m_namespace =
                calls.create(administratorsOnly.Attributes(), m_boundary, kInstanceNamespace);
            if (!m_namespace && GetLastError() == ERROR_ALREADY_EXISTS)
                m_namespace = calls.open(m_boundary, kInstanceNamespace);
        }
    }
    if (m_namespace) {
        CreateMutexNamed(std::wstring(kInstanceNamespace) + L"\\" + name,
                         administratorsOnly.Attributes());
        return;
    }
    // A system without private namespaces (Wine 8 has none): the name in
    // the global namespace, with an access list for administrators alone. A
    // holder that is no administrator (a squatter) is not taken for a run of
    // the product: this run goes on without the lock rather than stop.
    CSecurityAttributes owned(kOwnedByAdministrators);
    CreateMutexNamed(L"Global\\" + name + L" (administrators)", owned.Attributes());
    const bool denied = !m_mutex && GetLastError() == ERROR_ACCESS_DENIED;
    if (!m_first && (denied || (m_mutex && !HasAdministrativeOwner(m_mutex.Get())))) {
        m_mutex.Reset();
        m_first = true;
    }
}
