#include "framework/FileSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace {

// The rights that let a holder change a folder's or a file's contents, or
// take it over: writing data, adding files or folders, deleting children,
// deleting it, and changing its attributes, list or owner.
constexpr ACCESS_MASK kChangeRights =
    FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES | FILE_DELETE_CHILD |
    DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// The running process's user.
std::vector<BYTE> CurrentUserSid() {
    std::vector<BYTE> sid;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return sid;
    CHandle owned(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return sid;
    const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    sid.assign(static_cast<BYTE*>(user), static_cast<BYTE*>(user) + GetLengthSid(user));
    return sid;
}

bool IsSidOf(PSID sid, WELL_KNOWN_SID_TYPE type) {
    BYTE known[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(known);
    return CreateWellKnownSid(type, nullptr, known, &size) && EqualSid(sid, known);
}

// NT SERVICE\TrustedInstaller, which owns the system's own folders.
bool IsTrustedInstaller(PSID sid) {
    PSID installer = nullptr;
    if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                                &installer))
        return false;
    CLocalMemory owned(installer);
    return EqualSid(sid, installer);
}

} // namespace

bool ReadSystemFileSecurity(HANDLE object, CLocalMemory& descriptor) {
    PSECURITY_DESCRIPTOR read = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &read) != ERROR_SUCCESS)
        return false;
    descriptor.Reset(read);
    return true;
}

bool IsAdministrativeSid(PSID sid) {
    return sid && IsValidSid(sid) &&
           (IsSidOf(sid, WinLocalSystemSid) || IsSidOf(sid, WinBuiltinAdministratorsSid) ||
            IsTrustedInstaller(sid));
}

bool HasTrustedOwner(HANDLE object) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    CLocalMemory descriptor;
    if (!ReadFileSecurity(object, descriptor) ||
        !GetSecurityDescriptorOwner(descriptor.Get(), &owner, &defaulted) || !owner)
        return false;
    if (IsAdministrativeSid(owner)) return true;
    std::vector<BYTE> user = CurrentUserSid();
    return !user.empty() && EqualSid(owner, user.data());
}

namespace {

// An administrative account, or alsoTrusted when it is given.
bool IsTrustedSid(PSID sid, PSID alsoTrusted) {
    return IsAdministrativeSid(sid) ||
           (alsoTrusted && sid && IsValidSid(sid) && EqualSid(sid, alsoTrusted));
}

bool TrustedAloneMayChange(PSECURITY_DESCRIPTOR descriptor, PSID alsoTrusted) {

    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    BOOL present = FALSE;
    PACL dacl = nullptr;
    BOOL daclDefaulted = FALSE;
    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted))
        return false;
    // The owner may always rewrite the list; no list at all lets anyone in.
    if (!IsTrustedSid(owner, alsoTrusted) || !present || !dacl) return false;

    ACL_SIZE_INFORMATION size{};
    if (!GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation)) return false;
    for (DWORD index = 0; index < size.AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) return false;
        const auto* header = static_cast<ACE_HEADER*>(entry);
        // Entries only passed on to children do not apply to the object itself.
        if (header->AceFlags & INHERIT_ONLY_ACE) continue;
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false; // not understood
        const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (!(allowed->Mask & kChangeRights)) continue;
        const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
        if (!IsTrustedSid(sid, alsoTrusted)) return false;
    }
    return true;
}

// Builds for the tests only (KELVRA_TESTS): Wine keeps no access list on a
// file. It makes one up from the Unix mode, owned by its one user, who gets
// the owner's bits, with Everyone holding the "other" bits; and every Wine
// process runs as that user with an administrator's full token. So there,
// under Wine, that user stands where Windows puts the Administrators group
// (the owner of what an elevated administrator creates), and what Everyone
// may do still tells a folder others may change (o+w) from one they may not.
// A release build never does this, and no build does it on Windows.
std::vector<BYTE> AdministratorsStandIn() {
#ifdef KELVRA_WINE_USER_STANDS_FOR_ADMINISTRATORS
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll && GetProcAddress(ntdll, "wine_get_version")) return CurrentUserSid();
#endif
    return std::vector<BYTE>();
}

} // namespace

bool AdministratorsAloneMayChange(PSECURITY_DESCRIPTOR descriptor) {
    return TrustedAloneMayChange(descriptor, nullptr);
}

bool AdministratorsAndRunningUserAloneMayChange(PSECURITY_DESCRIPTOR descriptor) {
    std::vector<BYTE> user = CurrentUserSid();
    return !user.empty() && TrustedAloneMayChange(descriptor, user.data());
}

bool IsWritableByAdministratorsAlone(HANDLE object) {
    CLocalMemory descriptor;
    if (!ReadFileSecurity(object, descriptor)) return false;
    static const std::vector<BYTE> standIn = AdministratorsStandIn();
    return TrustedAloneMayChange(descriptor.Get(),
                                 standIn.empty() ? nullptr : const_cast<BYTE*>(standIn.data()));
}

CSecurityAttributes::CSecurityAttributes(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    // An empty text would read as a descriptor without an access list:
    // open to all.
    if (!sddl || !*sddl ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return;
    m_descriptor.Reset(descriptor);
    m_attributes = {sizeof(m_attributes), descriptor, FALSE};
}

namespace {

// P: protected, nothing inherited from %TEMP%; OICI: the copy inside gets
// the same list. Empty when the running user cannot be named.
std::wstring PrivateSddl() {
    std::vector<BYTE> user = CurrentUserSid();
    LPWSTR userText = nullptr;
    if (user.empty() || !ConvertSidToStringSidW(user.data(), &userText)) return std::wstring();
    CLocalMemory ownedText(userText);
    return L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + std::wstring(userText) + L")";
}

} // namespace

CPrivateSecurity::CPrivateSecurity() : CSecurityAttributes(PrivateSddl().c_str()) {}
