#include "tests/uninstall/SecurityStandIns.h"

#include "framework/FileSecurity.h"
#include "framework/LongPath.h"
#include "framework/WideText.h"
#include "host_cad/ComClassRegistry.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <map>
#include <set>
#include <string>

namespace {

std::map<std::wstring, std::wstring>& AssignedFiles() {
    static std::map<std::wstring, std::wstring> files;
    return files;
}

std::set<std::wstring>& LockedKeys() {
    static std::set<std::wstring> keys;
    return keys;
}

// One spelling per file: lower case, no trailing backslash but a root's.
std::wstring Key(std::wstring path) {
    CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    return path;
}

std::wstring LongKey(const CString& path) {
    CString longPath;
    EXPECT_TRUE(GetLongPath(path, longPath)) << path.GetString();
    return Key(Wide(longPath));
}

} // namespace

void AssignFileSecurity(const CString& path, const wchar_t* sddl) {
    AssignedFiles()[LongKey(path)] = sddl;
}

void AssignFileSecurityAlongPath(const CString& path, const wchar_t* sddl) {
    const std::wstring full = LongKey(path);
    for (size_t slash = full.find(L'\\'); slash != std::wstring::npos;
         slash = full.find(L'\\', slash + 1))
        AssignedFiles()[Key(full.substr(0, slash + 1))] = sddl;
    AssignedFiles()[full] = sddl;
}

void LockKeyTree(const wchar_t* path) { LockedKeys().insert(Key(path)); }
void UnlockKeyTree(const wchar_t* path) { LockedKeys().erase(Key(path)); }

CAssignedRights::~CAssignedRights() {
    AssignedFiles().clear();
    LockedKeys().clear();
}

bool ReadFileSecurity(HANDLE object, CLocalMemory& descriptor) {
    CString path;
    if (GetHandlePath(object, path)) {
        const auto assigned = AssignedFiles().find(Key(Wide(path)));
        if (assigned != AssignedFiles().end()) {
            PSECURITY_DESCRIPTOR given = nullptr;
            if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    assigned->second.c_str(), SDDL_REVISION_1, &given, nullptr))
                return false;
            descriptor.Reset(given);
            return true;
        }
    }
    return ReadSystemFileSecurity(object, descriptor);
}

LSTATUS DeleteKeyTree(HKEY root, const wchar_t* path) {
    if (LockedKeys().count(Key(path))) return ERROR_ACCESS_DENIED;
    return RegDeleteTreeW(root, path);
}
