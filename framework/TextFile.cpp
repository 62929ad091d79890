#include "framework/TextFile.h"

#include "framework/App.h"
#include "framework/RunLog.h"
#include "framework/SharingRetry.h"
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

bool WriteTextFile(HWND owner, const char* path, const CString& text, bool showErrors,
                   DWORD attributes) {
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
    if (!ReplaceFileContents(widePath, bytes, attributes)) {
        ShowFileError(owner, path, GetLastError(), showErrors);
        return false;
    }
    return true;
}
