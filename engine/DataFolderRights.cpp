#include "engine/DataFolderRights.h"

#include "framework/FileSecurity.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <aclapi.h>

namespace {

const char* const kDataFolders[] = {"Database", "Temp"};

// Read, write, run and delete: what Explorer calls "Modify".
constexpr ACCESS_MASK kModify =
    FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;

bool IsDataFolder(const CString& installDir, const CString& folder) {
    for (const char* name : kDataFolders)
        if (IsSamePath(folder, installDir + name)) return true;
    return false;
}

// The folder itself, for reading and changing its access list; a link or a
// file in its name is refused.
HANDLE OpenFolderForRights(const CString& folder) {
    std::wstring wide;
    if (!ToWide(folder, wide)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return INVALID_HANDLE_VALUE;
    }
    CFileHandle handle(
        CreateFileW(wide.c_str(), READ_CONTROL | WRITE_DAC,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle || !GetFileInformationByHandle(handle.Get(), &info)) return INVALID_HANDLE_VALUE;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetLastError(ERROR_CANT_ACCESS_FILE);
        return INVALID_HANDLE_VALUE;
    }
    return handle.Release();
}

DataFolderGrant Failed(DWORD error, const CString& folder) {
    RunLogFailure(error, "不能给数据文件夹 %s 授予 Users 组的修改权限", folder.GetString());
    SetLastError(error);
    return DataFolderGrant::Failed;
}

} // namespace

CLocalMemory DataFolderAccessList(PACL dacl) {
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD usersSize = sizeof(users);
    if (!CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &usersSize)) return CLocalMemory();
    ACL_SIZE_INFORMATION sizes{};
    if (dacl && !GetAclInformation(dacl, &sizes, sizeof(sizes), AclSizeInformation))
        return CLocalMemory();
    const DWORD size = sizeof(ACL) + (dacl ? sizes.AclBytesInUse : 0) + sizeof(ACCESS_ALLOWED_ACE) +
                       GetLengthSid(users);
    CLocalMemory memory(LocalAlloc(LPTR, size));
    auto* list = static_cast<PACL>(memory.Get());
    if (!list || !InitializeAcl(list, size, ACL_REVISION)) return CLocalMemory();
    // The folder's own entries, in their order; what it inherits is worked
    // out again from its parent when the list is set.
    for (DWORD index = 0; dacl && index < sizes.AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry)) return CLocalMemory();
        const auto* header = static_cast<ACE_HEADER*>(entry);
        if (header->AceFlags & INHERITED_ACE) continue;
        if (!AddAce(list, ACL_REVISION, MAXDWORD, entry, header->AceSize)) return CLocalMemory();
    }
    // An allowing entry after the folder's own: they keep the canonical
    // order (denying entries first).
    if (!AddAccessAllowedAceEx(list, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                               kModify, users))
        return CLocalMemory();
    return memory;
}

DataFolderGrant GrantDataFolderRights(const CString& installDir, const CString& folder) {
    if (!IsDataFolder(installDir, folder)) return DataFolderGrant::NotADataFolder;
    CFileHandle handle(OpenFolderForRights(folder));
    if (!handle) return Failed(GetLastError(), folder);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    DWORD error = GetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                                  OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return Failed(error, folder);
    CLocalMemory ownedDescriptor(descriptor);
    // A standard user may write there already (a folder of the user's own,
    // a drive that lets every user create folders): nobody needs more.
    if (!AdministratorsAndRunningUserAloneMayChange(descriptor)) {
        RunLogLine("数据文件夹 %s: 标准用户已可写入, 不改权限", folder.GetString());
        return DataFolderGrant::AlreadyWritable;
    }
    CLocalMemory list = DataFolderAccessList(dacl);
    if (!list) return Failed(GetLastError(), folder);
    // Unprotected: the folder goes on inheriting from the destination.
    error = SetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, static_cast<PACL>(list.Get()), nullptr);
    if (error != ERROR_SUCCESS) return Failed(error, folder);
    RunLogLine("数据文件夹 %s: 已授予 Users 组修改权限, 其中的文件和文件夹继承",
               folder.GetString());
    return DataFolderGrant::Granted;
}
