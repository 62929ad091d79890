#include "framework/WideText.h"

#include <windows.h>

bool ToWide(const CString& text, std::wstring& wide) {
    wide.clear();
    if (text.IsEmpty()) return true;
    const int needed = MultiByteToWideChar(kTextCodePage, MB_ERR_INVALID_CHARS, text.GetString(),
                                           text.GetLength(), nullptr, 0);
    if (needed <= 0) return false;
    wide.resize(static_cast<size_t>(needed));
    return MultiByteToWideChar(kTextCodePage, MB_ERR_INVALID_CHARS, text.GetString(),
                               text.GetLength(), &wide[0], needed) == needed;
}

std::wstring Wide(const CString& text) {
    std::wstring wide;
    if (text.IsEmpty()) return wide;
    const int needed =
        MultiByteToWideChar(kTextCodePage, 0, text.GetString(), text.GetLength(), nullptr, 0);
    if (needed <= 0) return wide;
    wide.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(kTextCodePage, 0, text.GetString(), text.GetLength(), &wide[0], needed);
    return wide;
}

namespace {

// lossless: fail instead of substituting a character code page 936 lacks.
bool Convert(const wchar_t* wide, int length, CString& text, bool lossless) {
    text.Empty();
    if (!wide) return true;
    if (length < 0) length = static_cast<int>(wcslen(wide));
    if (length == 0) return true;
    BOOL usedDefault = FALSE;
    BOOL* const checkDefault = lossless ? &usedDefault : nullptr;
    const int needed =
        WideCharToMultiByte(kTextCodePage, 0, wide, length, nullptr, 0, nullptr, checkDefault);
    if (needed <= 0 || usedDefault) return false;
    std::string bytes(static_cast<size_t>(needed), '\0');
    if (WideCharToMultiByte(kTextCodePage, 0, wide, length, &bytes[0], needed, nullptr,
                            checkDefault) != needed ||
        usedDefault)
        return false;
    text = CString(std::move(bytes));
    return true;
}

} // namespace

bool ToNarrow(const wchar_t* wide, int length, CString& text) {
    return Convert(wide, length, text, true);
}

CString Narrow(const wchar_t* wide, int length) {
    CString text;
    Convert(wide, length, text, false);
    return text;
}
