#include "framework/SharingRetry.h"

#include "framework/Handles.h"

bool RetryWhileShared(const std::function<bool()>& call) {
    DWORD pause = kFirstSharingPauseMs;
    for (int tries = 1;; ++tries) {
        if (call()) return true;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION || tries >= kSharingTries) {
            SetLastError(error);
            return false;
        }
        Sleep(pause);
        pause *= 2;
    }
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes, DWORD attributes) {
    const std::wstring temp = path + L".new";
    bool written = false;
    const bool done =
        RetryWhileShared([&] {
            CFileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         attributes, nullptr));
            if (!file) return false;
            written = true;
            DWORD count = 0;
            if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &count,
                           nullptr))
                return false;
            // A short write (a full disk) leaves no error of its own.
            if (count != bytes.size()) {
                SetLastError(ERROR_HANDLE_DISK_FULL);
                return false;
            }
            return FlushFileBuffers(file.Get()) != FALSE;
        }) &&
        RetryWhileShared([&] {
            return MoveFileExW(temp.c_str(), path.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
        });
    if (!done && written) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        SetLastError(error);
    }
    return done;
}
