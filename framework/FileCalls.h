// The file-system calls the installation makes on code page 936 paths, each
// through its wide function. A path that is not valid code page 936 text is
// never acted upon: the call fails with ERROR_NO_UNICODE_TRANSLATION.
#pragma once

#include "framework/String.h"

#include <windows.h>

// INVALID_FILE_ATTRIBUTES when the path is missing or cannot be named.
DWORD GetPathAttributes(const CString& path);
bool SetPathAttributes(const CString& path, DWORD attributes);
bool DeleteFilePath(const CString& path);
bool CopyFilePath(const CString& source, const CString& destination, bool failIfExists);
// security: the new folder's descriptor; null for the one it inherits.
bool CreateFolderPath(const CString& path, SECURITY_ATTRIBUTES* security = nullptr);
