// A real, minimal in-process COM server that stands in for the product's
// ActiveX controls in the sample distribution: the installer loads it and
// calls its DllRegisterServer like any control. It registers a class under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, labelled as sample content, and
// DllUnregisterServer takes it away again.
#include "framework/Handles.h"

#include <windows.h>

#include <cstring>

namespace {

const char kClassKey[] = "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const char kServerKey[] =
    "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}\\InprocServer32";
const char kProgIdKey[] = "SOFTWARE\\Classes\\Kelvra.SampleControl";
const char kDescription[] = "Kelvra V9 sample control (sample content, not the product)";

HMODULE g_module = nullptr;

bool SetString(const char* key, const char* name, const char* value) {
    CRegKey handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        handle.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(handle.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1)) == ERROR_SUCCESS;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(g_module, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return E_FAIL;
    const bool ok = SetString(kClassKey, nullptr, kDescription) &&
                    SetString(kServerKey, nullptr, path) &&
                    SetString(kServerKey, "ThreadingModel", "Apartment") &&
                    SetString(kProgIdKey, nullptr, kDescription);
    return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServerKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kClassKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProgIdKey);
    return S_OK;
}
