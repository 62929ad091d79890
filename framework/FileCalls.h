// The file-system calls the installation makes on code page 936 paths, each
// through its wide function. A path that is not valid code page 936 text is
// never acted upon: the call fails with ERROR_NO_UNICODE_TRANSLATION.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <array>

// INVALID_FILE_ATTRIBUTES when the path is missing or cannot be named.
DWORD GetPathAttributes(const CString& path);
bool SetPathAttributes(const CString& path, DWORD attributes);
bool DeleteFilePath(const CString& path);
bool CopyFilePath(const CString& source, const CString& destination, bool failIfExists);
// "A data integrity checksum error occurred": winerror.h's
// ERROR_DATA_CHECKSUM_ERROR, which mingw-w64's headers lack.
inline constexpr DWORD kErrorDataChecksum = 323;
// CopyFilePath for a file whose size and SHA-256 are known beforehand: the
// source is read once, hashed as it is read, and its copy gets its
// attributes and last-write time as CopyFile gives them (from listed, the
// source's folder listing, when given: no question to the file, which
// under Wine may cost a round trip to the mount manager). ERROR_SUCCESS; a
// Win32 error (no cut-short copy is left); or kErrorDataChecksum
// when the source is not the expected file, and then no copy is left
// either (a file that fits in one read is never written at all).
DWORD CopyCheckedFilePath(const CString& source, const CString& destination, bool failIfExists,
                          ULONGLONG expectedSize, const std::array<BYTE, 32>& expectedSha256,
                          const WIN32_FIND_DATAW* listed = nullptr);
// security: the new folder's descriptor; null for the one it inherits.
bool CreateFolderPath(const CString& path, SECURITY_ATTRIBUTES* security = nullptr);
