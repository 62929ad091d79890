#include "framework/LongPath.h"

#include "framework/WideText.h"

#include <string>
#include <vector>

namespace {

// Calls a function that fills a wide buffer and answers the length it
// needs when the buffer is short (GetFullPathNameW, GetLongPathNameW and
// GetFinalPathNameByHandleW all do).
template <typename Fill> bool FillWide(std::wstring& text, Fill fill) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = fill(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return false;
        if (length < buffer.size()) {
            text.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length + 1);
    }
    return false;
}

} // namespace

bool GetLongPath(const CString& path, CString& longPath) {
    std::wstring wide;
    if (path.IsEmpty() || !ToWide(path, wide)) return false;
    std::wstring full;
    if (!FillWide(full, [&](wchar_t* buffer, DWORD size) {
            return GetFullPathNameW(wide.c_str(), size, buffer, nullptr);
        }))
        return false;
    // The longest existing head in its long form, the rest as written.
    std::wstring head = full, tail;
    for (;;) {
        std::wstring longHead;
        if (FillWide(longHead, [&](wchar_t* buffer, DWORD size) {
                return GetLongPathNameW(head.c_str(), buffer, size);
            })) {
            if (!tail.empty() && longHead.back() != L'\\') longHead += L'\\';
            return ToNarrow(longHead + tail, longPath);
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
        const size_t slash = head.find_last_of(L'\\');
        // A root that does not exist (a drive not there) ends the search.
        if (slash == std::wstring::npos || slash + 1 >= head.size() || slash < 2)
            return ToNarrow(full, longPath);
        tail = head.substr(slash + 1) + (tail.empty() ? L"" : L"\\" + tail);
        head.erase(slash);
        if (head.size() == 2 && head[1] == L':') head += L'\\';
    }
}

bool GetHandlePath(HANDLE handle, CString& path) {
    std::wstring final;
    if (!FillWide(final, [&](wchar_t* buffer, DWORD size) {
            return GetFinalPathNameByHandleW(handle, buffer, size,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }))
        return false;
    // "\\?\C:\..." and "\\?\UNC\server\share\..." to their usual forms.
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        final = L"\\\\" + final.substr(8);
    else if (final.compare(0, 4, L"\\\\?\\") == 0)
        final.erase(0, 4);
    return ToNarrow(final, path);
}
