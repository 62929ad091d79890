#include "framework/SelfRegistration.h"

#include "framework/Handles.h"
#include "framework/WideText.h"

#include <string>

#include <windows.h>

namespace {
using SelfRegistrationFunction = HRESULT(STDAPICALLTYPE*)();
} // namespace

int CallSelfRegistration(const CString& path, const char* entryPoint, HRESULT* result) {
    // The process's library search is locked to System32; a control's own
    // DLLs beside it in its folder must still resolve.
    std::wstring widePath;
    if (!ToWide(path, widePath)) {
        if (result) *result = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    CLibrary library(
        LoadLibraryExW(widePath.c_str(), nullptr,
                       LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    auto entry =
        library
            ? reinterpret_cast<SelfRegistrationFunction>(GetProcAddress(library.Get(), entryPoint))
            : nullptr;
    if (!entry) {
        const DWORD error = GetLastError();
        if (result) *result = error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        return 0;
    }
    const HRESULT answer = entry();
    if (result) *result = answer;
    // Only S_OK counts: S_FALSE and other success codes are failures here.
    return answer == S_OK;
}
