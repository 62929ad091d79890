#include "framework/RestartDeleteRule.h"

#include "framework/FileSecurity.h"
#include "framework/Handles.h"
#include "framework/WideText.h"
#include "framework/HandleRemoval.h"

#include <sddl.h>

#include <string>

namespace {

// TrustedInstaller's service SID (S-1-5-80- and the hash of its name).
const DWORD kTrustedInstallerRids[] = {956008885, 3418522649, 1831038044, 1853292631, 2271478464};

bool IsTrustedInstaller(PSID sid) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!IsValidSid(sid) || *GetSidSubAuthorityCount(sid) != 6) return false;
    if (memcmp(GetSidIdentifierAuthority(sid), &nt, sizeof(nt)) != 0) return false;
    if (*GetSidSubAuthority(sid, 0) != SECURITY_SERVICE_ID_BASE_RID) return false;
    for (DWORD i = 0; i < 5; ++i)
        if (*GetSidSubAuthority(sid, i + 1) != kTrustedInstallerRids[i]) return false;
    return true;
}

// The accounts whose rights are the administrators' own.
bool IsTrusted(PSID sid) {
    return IsWellKnownSid(sid, WinLocalSystemSid) ||
           IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsTrustedInstaller(sid);
}

// Entries that grant nobody anything on the object they sit on: CREATOR
// OWNER and CREATOR GROUP are stand-ins replaced when a child inherits the
// entry; OWNER RIGHTS gives the owner, whom the owner check already requires
// to be trusted.
bool GrantsNobodyElse(PSID sid) {
    return IsWellKnownSid(sid, WinCreatorOwnerSid) || IsWellKnownSid(sid, WinCreatorGroupSid) ||
           IsWellKnownSid(sid, WinCreatorOwnerRightsSid);
}

ACCESS_MASK DangerousRights(PathPlace place) {
    // Change the rights, or take ownership, or remove any entry of a folder.
    ACCESS_MASK rights =
        WRITE_DAC | WRITE_OWNER | FILE_DELETE_CHILD | GENERIC_ALL | MAXIMUM_ALLOWED;
    switch (place) {
    case PathPlace::DriveRoot:
        break;
    case PathPlace::Folder:
        // Rename or delete the folder itself; put new entries in it (one that
        // this removal empties could then be filled again).
        rights |= DELETE | FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | GENERIC_WRITE;
        break;
    case PathPlace::File:
        // Delete the file, and put a link in its name.
        rights |= DELETE;
        break;
    }
    return rights;
}

} // namespace

bool DescriptorLetsOthersChange(PSECURITY_DESCRIPTOR descriptor, PathPlace place) {
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) || !owner ||
        !IsTrusted(owner))
        return true;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return true;
    if (!present || !dacl) return true; // no DACL: everyone has every right
    const ACCESS_MASK dangerous = DangerousRights(place);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) return true;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        if (header->AceFlags & INHERIT_ONLY_ACE) continue; // for children only
        switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE: {
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
            PSID sid = const_cast<DWORD*>(&allowed->SidStart);
            if (IsTrusted(sid) || GrantsNobodyElse(sid)) continue;
            if (allowed->Mask & dangerous) return true;
            continue;
        }
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_OBJECT_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
        case SYSTEM_AUDIT_ACE_TYPE:
        case SYSTEM_ALARM_ACE_TYPE:
        case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
        case SYSTEM_ALARM_OBJECT_ACE_TYPE:
        case SYSTEM_AUDIT_CALLBACK_ACE_TYPE:
        case SYSTEM_ALARM_CALLBACK_ACE_TYPE:
        case SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE:
        case SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE:
        case SYSTEM_MANDATORY_LABEL_ACE_TYPE:
            continue;
        default:
            return true; // not understood: as if it allowed everything
        }
    }
    return false;
}

bool HandleLetsOthersChange(HANDLE handle, PathPlace place) {
    CLocalMemory descriptor;
    return !ReadFileSecurity(handle, descriptor) ||
           DescriptorLetsOthersChange(descriptor.Get(), place);
}

bool MayDeleteAtRestart(const CString& path) {
    std::wstring wide;
    if (!ToWide(path, wide)) return false;
    wchar_t full[MAX_PATH * 4];
    const DWORD length = GetFullPathNameW(wide.c_str(), MAX_PATH * 4, full, nullptr);
    if (length < 4 || length >= MAX_PATH * 4 || full[1] != L':' || full[2] != L'\\') return false;
    const std::wstring root(full, 3);
    const std::wstring below(full + 3, length - 3);
    CRemovalHandle rootHandle;
    if (CRemovalHandle::OpenFolder(Narrow(root), rootHandle) ||
        HandleLetsOthersChange(rootHandle.Get(), PathPlace::DriveRoot))
        return false;
    // Each folder on the way and the file, each reached afresh from the
    // root's handle without following links.
    for (size_t end = below.find(L'\\');; end = below.find(L'\\', end + 1)) {
        const bool file = end == std::wstring::npos;
        CRemovalHandle entry;
        if (rootHandle.OpenBelowBesideRemoval(Narrow(below.substr(0, end)), entry) ||
            HandleLetsOthersChange(entry.Get(), file ? PathPlace::File : PathPlace::Folder))
            return false;
        if (file) return true;
    }
}
