#include "framework/TextFile.h"

#include "framework/App.h"
#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/SystemError.h"
#include "framework/WideText.h"

namespace {

void ShowFileError(HWND owner, const char* path, DWORD code, bool showErrors) {
    RunLogFailure(code, "不能写入文件 %s", path);
    if (!showErrors) return;
    CString message;
    message.Format("写入文件 %s 时出错。\n%s", path, SystemErrorText(code).TrimRight().GetString());
    AfxMessageBox(owner, message, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace

bool WriteTextFile(HWND owner, const char* path, const CString& text, bool showErrors) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.GetLength()) +
                  static_cast<size_t>(text.GetLength()) / 16);
    for (char c : text.str()) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    std::wstring widePath;
    if (!ToWide(CString(path), widePath)) {
        ShowFileError(owner, path, ERROR_NO_UNICODE_TRANSLATION, showErrors);
        return false;
    }
    CFileHandle file(CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ShowFileError(owner, path, GetLastError(), showErrors);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        DWORD code = GetLastError();
        ShowFileError(owner, path, code ? code : ERROR_HANDLE_DISK_FULL, showErrors);
        return false;
    }
    if (!CloseHandle(file.Release())) {
        ShowFileError(owner, path, GetLastError(), showErrors);
        return false;
    }
    return true;
}
