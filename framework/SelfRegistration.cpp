#include "framework/SelfRegistration.h"

#include "framework/Handles.h"

#include <windows.h>

namespace {
using SelfRegistrationFunction = HRESULT(STDAPICALLTYPE*)();
} // namespace

int CallSelfRegistration(const CString& path, const char* entryPoint) {
    // The process's library search is locked to System32; a control's own
    // DLLs beside it in its folder must still resolve.
    CLibrary library(LoadLibraryExA(
        path, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library) return 0;
    auto entry =
        reinterpret_cast<SelfRegistrationFunction>(GetProcAddress(library.Get(), entryPoint));
    if (!entry) return 0;
    // Only S_OK counts: S_FALSE and other success codes are failures here.
    return entry() == S_OK;
}
