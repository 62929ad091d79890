#include "engine/PendingRenames.h"

#include "engine/RestartReplacement.h"
#include "framework/FileCalls.h"
#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <windows.h>

namespace {

const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
// The second list is what Windows 10 and later write for some operations.
const wchar_t* const kValueNames[] = {L"PendingFileRenameOperations",
                                      L"PendingFileRenameOperations2"};

// The value's characters; false when it is missing or not a string list.
bool ReadList(HKEY key, const wchar_t* name, std::wstring& data) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return false;
    data.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &bytes) !=
        ERROR_SUCCESS)
        return false;
    data.resize(bytes / sizeof(wchar_t));
    return true;
}

bool WriteList(HKEY key, const wchar_t* name, const std::vector<PendingRename>& renames) {
    if (renames.empty()) return RegDeleteValueW(key, name) == ERROR_SUCCESS;
    const std::wstring data = SerializePendingRenames(renames);
    return RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool EndsWith(const CString& text, const char* suffix) {
    const int length = static_cast<int>(strlen(suffix));
    return text.GetLength() > length &&
           text.Mid(text.GetLength() - length).CompareNoCase(suffix) == 0;
}

} // namespace

std::vector<PendingRename> ParsePendingRenames(const std::wstring& data) {
    std::vector<PendingRename> renames;
    size_t at = 0;
    auto next = [&](std::wstring& text) {
        const size_t end = data.find(L'\0', at);
        text = data.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
        at = end == std::wstring::npos ? data.size() : end + 1;
    };
    // A pair starts with a file; an empty string there closes the list.
    while (at < data.size()) {
        PendingRename rename;
        next(rename.source);
        if (rename.source.empty()) break;
        next(rename.target);
        renames.push_back(rename);
    }
    return renames;
}

std::wstring SerializePendingRenames(const std::vector<PendingRename>& renames) {
    std::wstring data;
    for (const PendingRename& rename : renames) {
        data += rename.source;
        data += L'\0';
        data += rename.target;
        data += L'\0';
    }
    data += L'\0';
    return data;
}

CString PendingRenamePath(const std::wstring& entry) {
    std::wstring path = entry;
    if (!path.empty() && path[0] == L'!') path.erase(0, 1);
    if (path.compare(0, 4, L"\\??\\") == 0) path.erase(0, 4);
    if (path.compare(0, 4, L"UNC\\") == 0) path.replace(0, 3, L"\\");
    CString narrow;
    if (path.empty() || !ToNarrow(path, narrow)) return CString();
    return NormalizePath(narrow);
}

bool TakeOutPendingRenames(const CString& destination) {
    const CString folder = NormalizePath(destination);
    if (folder.IsEmpty()) return true;
    CRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, key.Out()) !=
        ERROR_SUCCESS)
        return true;
    bool done = true;
    for (const wchar_t* name : kValueNames) {
        std::wstring data;
        if (!ReadList(key.Get(), name, data)) continue;
        std::vector<PendingRename> kept;
        std::vector<PendingRename> taken;
        for (const PendingRename& rename : ParsePendingRenames(data)) {
            const CString source = PendingRenamePath(rename.source);
            const CString target = PendingRenamePath(rename.target);
            const bool inside = (!source.IsEmpty() && IsPathWithin(source, folder)) ||
                                (!target.IsEmpty() && IsPathWithin(target, folder));
            (inside ? taken : kept).push_back(rename);
        }
        if (taken.empty()) continue;
        CRegKey writable;
        const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0,
                                             KEY_QUERY_VALUE | KEY_SET_VALUE, writable.Out());
        if (opened != ERROR_SUCCESS || !WriteList(writable.Get(), name, kept)) {
            RunLogFailure(opened != ERROR_SUCCESS ? static_cast<DWORD>(opened) : GetLastError(),
                          "不能取消在重新启动时对 %s 中文件的 %d 项操作", folder.GetString(),
                          static_cast<int>(taken.size()));
            done = false;
            continue;
        }
        for (const PendingRename& rename : taken) {
            const CString source = PendingRenamePath(rename.source);
            if (rename.target.empty()) {
                RunLogLine("取消重新启动时的删除: %s", source.GetString());
                continue;
            }
            RunLogLine("取消重新启动时的替换: %s -> %s", source.GetString(),
                       PendingRenamePath(rename.target).GetString());
            // The new file an earlier installation left for its replacement.
            if (IsPathWithin(source, folder) && EndsWith(source, kReplacementSuffix))
                DeleteFilePath(source);
        }
    }
    return done;
}
