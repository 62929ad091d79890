#include "framework/FileCalls.h"

#include "framework/WideText.h"

#include <string>

namespace {

bool WidePath(const CString& path, std::wstring& wide) {
    if (ToWide(path, wide)) return true;
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return false;
}

} // namespace

DWORD GetPathAttributes(const CString& path) {
    std::wstring wide;
    return WidePath(path, wide) ? GetFileAttributesW(wide.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool SetPathAttributes(const CString& path, DWORD attributes) {
    std::wstring wide;
    return WidePath(path, wide) && SetFileAttributesW(wide.c_str(), attributes);
}

bool DeleteFilePath(const CString& path) {
    std::wstring wide;
    return WidePath(path, wide) && DeleteFileW(wide.c_str());
}

bool CopyFilePath(const CString& source, const CString& destination, bool failIfExists) {
    std::wstring wideSource;
    std::wstring wideDestination;
    return WidePath(source, wideSource) && WidePath(destination, wideDestination) &&
           CopyFileW(wideSource.c_str(), wideDestination.c_str(), failIfExists ? TRUE : FALSE);
}

bool CreateFolderPath(const CString& path, SECURITY_ATTRIBUTES* security) {
    std::wstring wide;
    return WidePath(path, wide) && CreateDirectoryW(wide.c_str(), security);
}
