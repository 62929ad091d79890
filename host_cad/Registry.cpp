#include "host_cad/Registry.h"

#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <atomic>

namespace {

std::atomic<long> g_machineWriteFailures{0};
std::atomic<long> g_machineWritesDenied{0};

// Takes the status of a write under HKEY_LOCAL_MACHINE: 1 when it succeeded.
int CountMachineWrite(LSTATUS status) {
    if (status == ERROR_SUCCESS) return 1;
    ++g_machineWriteFailures;
    if (status == ERROR_ACCESS_DENIED) ++g_machineWritesDenied;
    return 0;
}

LSTATUS WriteValue(HKEY hive, const CString& key, const CString& name, DWORD type, const void* data,
                   DWORD bytes) {
    CRegKey opened;
    LSTATUS status = RegCreateKeyA(hive, key, opened.Out());
    if (status == ERROR_SUCCESS)
        status = RegSetValueExA(opened.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes);
    if (status != ERROR_SUCCESS)
        RunLogFailure(static_cast<DWORD>(status), "不能写入注册表值 %s\\%s: %s",
                      hive == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER",
                      key.GetString(), name.IsEmpty() ? "(默认)" : name.GetString());
    return status;
}

LSTATUS WriteString(HKEY hive, const CString& key, const CString& name, const CString& value) {
    // Straight from the string: no copy buffer that a long value could overrun
    // or cut short.
    return WriteValue(hive, key, name, REG_SZ, value.GetString(),
                      static_cast<DWORD>(value.GetLength()) + 1);
}

int ReadString(HKEY hive, const CString& key, const CString& name, CString& value) {
    value.Empty();
    CRegKey opened;
    if (RegCreateKeyA(hive, key, opened.Out()) != ERROR_SUCCESS) return 0;
    // One spare byte beyond what the registry may fill: a value stored without
    // its own NUL (or of another type) still ends as a terminated string.
    char buffer[kRegistryReadLimit + 1] = {};
    DWORD size = kRegistryReadLimit;
    if (RegQueryValueExA(opened.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        return 0;
    value = buffer;
    return 1;
}

} // namespace

int WriteMachineString(CString key, CString name, CString value) {
    return CountMachineWrite(WriteString(HKEY_LOCAL_MACHINE, key, name, value));
}

int ReadMachineString(CString key, CString name, CString& value) {
    return ReadString(HKEY_LOCAL_MACHINE, key, name, value);
}

int WriteUserString(CString key, CString name, CString value) {
    return WriteString(HKEY_CURRENT_USER, key, name, value) == ERROR_SUCCESS;
}

int ReadUserString(CString key, CString name, CString& value) {
    return ReadString(HKEY_CURRENT_USER, key, name, value);
}

DWORD UserValueSize(CString key, CString name) {
    CRegKey opened;
    if (RegCreateKeyA(HKEY_CURRENT_USER, key, opened.Out()) != ERROR_SUCCESS) return 0;
    DWORD size = 0;
    if (RegQueryValueExA(opened.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return 0;
    return size;
}

int WriteMachineDword(CString key, CString name, DWORD value) {
    return CountMachineWrite(
        WriteValue(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value, sizeof(value)));
}

long MachineWriteFailures() { return g_machineWriteFailures; }
long MachineWritesDenied() { return g_machineWritesDenied; }

int ReadHiveString(RegistryHive hive, CString key, CString name, CString& value) {
    return hive == RegistryHive::Machine ? ReadMachineString(key, name, value)
                                         : ReadUserString(key, name, value);
}

int ReadExistingString(HKEY hive, const CString& key, const CString& name, CString& value) {
    value.Empty();
    std::wstring wideKey;
    std::wstring wideName;
    if (!ToWide(key, wideKey) || !ToWide(name, wideName)) return 0;
    CRegKey opened;
    if (RegOpenKeyExW(hive, wideKey.c_str(), 0, KEY_QUERY_VALUE, opened.Out()) != ERROR_SUCCESS)
        return 0;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(opened.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || size > kRegistryReadLimit * sizeof(wchar_t))
        return 0;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(opened.Get(), wideName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS)
        return 0;
    text.resize(wcsnlen(text.c_str(), text.size()));
    return ToNarrow(text, value) ? 1 : 0;
}

std::vector<CString> SubkeyNames(HKEY hive, const CString& key) {
    std::vector<CString> names;
    std::wstring wideKey;
    CRegKey opened;
    if (!ToWide(key, wideKey) || RegOpenKeyExW(hive, wideKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS,
                                               opened.Out()) != ERROR_SUCCESS)
        return names;
    // Key names are at most 255 characters.
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        const LSTATUS status =
            RegEnumKeyExW(opened.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;
        // A name code page 936 cannot hold is none the installation made.
        CString narrow;
        if (ToNarrow(name, static_cast<int>(length), narrow)) names.push_back(narrow);
    }
    return names;
}
