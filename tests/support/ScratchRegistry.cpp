#include "tests/support/ScratchRegistry.h"

#include "framework/Handles.h"

#include <atomic>

namespace {
// The scratch keys live under the real HKCU, opened before the redirection.
const char kScratchParent[] = "Software\\KelvraTestScratch";
} // namespace

ScratchRegistry::ScratchRegistry() {
    static std::atomic<int> counter{0};
    m_root.Format("%s\\%lu-%d", kScratchParent, GetCurrentProcessId(), counter++);
    RegCreateKeyExA(HKEY_CURRENT_USER, m_root + "\\HKLM", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &m_machine, nullptr);
    RegCreateKeyExA(HKEY_CURRENT_USER, m_root + "\\HKCU", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &m_user, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
    RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
}

ScratchRegistry::~ScratchRegistry() {
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (m_machine) RegCloseKey(m_machine);
    if (m_user) RegCloseKey(m_user);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_root);
}

bool SetRegRaw(HKEY root, const char* key, const char* name, DWORD type, const void* data,
               DWORD size) {
    CRegKey k;
    if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Out(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExA(k.Get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

bool SetRegString(HKEY root, const char* key, const char* name, const char* value) {
    return SetRegRaw(root, key, name, REG_SZ, value, static_cast<DWORD>(strlen(value) + 1));
}

bool SetRegDword(HKEY root, const char* key, const char* name, DWORD value) {
    return SetRegRaw(root, key, name, REG_DWORD, &value, sizeof(value));
}

bool GetRegRaw(HKEY root, const char* key, const char* name, DWORD* type, std::string* data) {
    CRegKey k;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, k.Out()) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    if (RegQueryValueExA(k.Get(), name, nullptr, type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    data->assign(size, '\0');
    if (size == 0) return true;
    return RegQueryValueExA(k.Get(), name, nullptr, type, reinterpret_cast<BYTE*>(&(*data)[0]),
                            &size) == ERROR_SUCCESS;
}

CString GetRegString(HKEY root, const char* key, const char* name) {
    DWORD type = 0;
    std::string data;
    if (!GetRegRaw(root, key, name, &type, &data)) return CString();
    return CString(data.c_str());
}

bool RegKeyExists(HKEY root, const char* key) {
    CRegKey k;
    return RegOpenKeyExA(root, key, 0, KEY_READ, k.Out()) == ERROR_SUCCESS;
}

bool RegValueExists(HKEY root, const char* key, const char* name) {
    DWORD type = 0;
    std::string data;
    return GetRegRaw(root, key, name, &type, &data);
}
