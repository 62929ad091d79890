// Access lists read back as SDDL, for tests that check what a folder got.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"
#include "framework/WideText.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>

// The descriptor's access list; empty when it cannot be written out.
inline std::wstring DaclText(PSECURITY_DESCRIPTOR descriptor) {
    LPWSTR text = nullptr;
    if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return std::wstring();
    CLocalMemory owned(text);
    return text;
}

// The access list the file or folder reads back with; empty when unreadable.
inline std::wstring FileDacl(const CString& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(Wide(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return std::wstring();
    CLocalMemory owned(descriptor);
    return DaclText(descriptor);
}
