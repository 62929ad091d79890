#include "framework/ZoneMark.h"

#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <string>
#include <vector>

namespace {

const wchar_t kZoneStream[] = L":Zone.Identifier";

// No stream by that name, or a volume whose names cannot hold one.
bool NoStream(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

// A read-only file refuses to lose a stream (error) until its attribute is
// off; it gets the attribute back afterwards.
bool DeleteStreamOfReadOnlyFile(const std::wstring& file, const std::wstring& stream, DWORD error) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
        !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        SetLastError(error);
        return false;
    }
    const bool deleted = DeleteFileW(stream.c_str()) || NoStream(GetLastError());
    const DWORD deleteError = GetLastError();
    SetFileAttributesW(file.c_str(), attributes);
    SetLastError(deleteError);
    return deleted;
}

} // namespace

bool RemoveZoneMark(const CString& path, const FILETIME* lastWrite) {
    std::wstring file;
    if (!ToWide(path, file)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return false;
    }
    WIN32_FILE_ATTRIBUTE_DATA before{};
    if (!lastWrite) {
        if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &before)) return false;
        lastWrite = &before.ftLastWriteTime;
    }
    const std::wstring stream = file + kZoneStream;
    if (!DeleteFileW(stream.c_str())) {
        const DWORD error = GetLastError();
        if (NoStream(error)) return true;
        if (!DeleteStreamOfReadOnlyFile(file, stream, error)) return false;
    }
    // A stream removed counts as a change of the file: its time goes back
    // to the one the installation record takes.
    CFileHandle handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    return handle && SetFileTime(handle.Get(), nullptr, nullptr, lastWrite);
}

void TakeOffZoneMark(const CString& path, const FILETIME* lastWrite) {
    if (!RemoveZoneMark(path, lastWrite))
        RunLogFailure(GetLastError(), "不能去掉文件的下载标记 (Zone.Identifier) %s",
                      path.GetString());
}

bool VolumeKeepsNamedStreams(const CString& folder) {
    std::wstring wide;
    if (!ToWide(folder, wide)) return false;
    std::vector<wchar_t> volume(wide.size() + 2);
    DWORD flags = 0;
    return GetVolumePathNameW(wide.c_str(), volume.data(), static_cast<DWORD>(volume.size())) &&
           GetVolumeInformationW(volume.data(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_NAMED_STREAMS) != 0;
}
