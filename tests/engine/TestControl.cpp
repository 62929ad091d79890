// A control built only for the tests: its self-registration leaves a marker
// value named after the control under HKEY_CURRENT_USER (the test's scratch
// hive) and returns the result it was built with.
#include "framework/Handles.h"

#include <windows.h>

#ifdef CONTROL_USES_HELPER
// Resolved from ctlhelper.dll, which lies beside the control.
extern "C" __declspec(dllimport) const char* TestHelperMarker();
#endif

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
#ifdef CONTROL_USES_HELPER
    const char* marker = TestHelperMarker();
#else
    const char* marker = "registered";
#endif
    CRegKey key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\KelvraTestControls", key.Out()) ==
        ERROR_SUCCESS)
        RegSetValueExA(key.Get(), CONTROL_NAME, 0, REG_SZ, reinterpret_cast<const BYTE*>(marker),
                       static_cast<DWORD>(lstrlenA(marker) + 1));
    return CONTROL_RESULT;
}
