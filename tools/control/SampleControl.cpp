// A real, minimal in-process COM server that stands in for the product's
// ActiveX controls in the sample distribution: the installer loads it and
// calls its DllRegisterServer like any control. It registers a class under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, labelled as sample content, and
// DllUnregisterServer takes it away again.
#include "framework/Handles.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace {

const char kClassKey[] = "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const char kServerKey[] =
    "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}\\InprocServer32";
const char kClassId[] = "{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const char kProgId[] = "Kelvra.SampleControl.1";
const char kIndependentProgId[] = "Kelvra.SampleControl";
const char kProgIdKey[] = "SOFTWARE\\Classes\\Kelvra.SampleControl.1";
const char kIndependentProgIdKey[] = "SOFTWARE\\Classes\\Kelvra.SampleControl";
// Its type library, registered from the control's own file as a control
// with an embedded library registers it.
const char kTypeLibId[] = "{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const char kTypeLibKey[] = "SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}";
const char kTypeLibVersionKey[] =
    "SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}\\1.0";
const char kTypeLibFileKey[] =
    "SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}\\1.0\\0\\win64";
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
    const std::string classKey(kClassKey);
    const bool ok =
        SetString(kClassKey, nullptr, kDescription) && SetString(kServerKey, nullptr, path) &&
        SetString(kServerKey, "ThreadingModel", "Apartment") &&
        SetString((classKey + "\\ProgID").c_str(), nullptr, kProgId) &&
        SetString((classKey + "\\VersionIndependentProgID").c_str(), nullptr, kIndependentProgId) &&
        SetString((classKey + "\\TypeLib").c_str(), nullptr, kTypeLibId) &&
        SetString(kProgIdKey, nullptr, kDescription) &&
        SetString((std::string(kProgIdKey) + "\\CLSID").c_str(), nullptr, kClassId) &&
        SetString(kIndependentProgIdKey, nullptr, kDescription) &&
        SetString((std::string(kIndependentProgIdKey) + "\\CLSID").c_str(), nullptr, kClassId) &&
        SetString((std::string(kIndependentProgIdKey) + "\\CurVer").c_str(), nullptr, kProgId) &&
        SetString(kTypeLibVersionKey, nullptr, "Kelvra V9 sample library") &&
        SetString(kTypeLibFileKey, nullptr, path);
    return ok ? S_OK : E_FAIL;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    for (const char* key : {kClassKey, kProgIdKey, kIndependentProgIdKey, kTypeLibKey})
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    return S_OK;
}
