#include "host_cad/Registry.h"

#include "framework/Handles.h"

#include <atomic>

namespace {

std::atomic<long> g_machineWriteFailures{0};

int CountMachineWrite(int written) {
    if (!written) ++g_machineWriteFailures;
    return written;
}

int WriteString(HKEY hive, const CString& key, const CString& name, const CString& value) {
    CRegKey opened;
    if (RegCreateKeyA(hive, key, opened.Out()) != ERROR_SUCCESS) return 0;
    // Straight from the string: no copy buffer that a long value could overrun
    // or cut short.
    const DWORD bytes = static_cast<DWORD>(value.GetLength()) + 1;
    return RegSetValueExA(opened.Get(), name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.GetString()), bytes) == ERROR_SUCCESS;
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
    return WriteString(HKEY_CURRENT_USER, key, name, value);
}

int ReadUserString(CString key, CString name, CString& value) {
    return ReadString(HKEY_CURRENT_USER, key, name, value);
}

int WriteMachineDword(CString key, CString name, DWORD value) {
    CRegKey opened;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, key, opened.Out()) != ERROR_SUCCESS)
        return CountMachineWrite(0);
    return CountMachineWrite(RegSetValueExA(opened.Get(), name, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value),
                                            sizeof(value)) == ERROR_SUCCESS);
}

long MachineWriteFailures() { return g_machineWriteFailures; }

int ReadHiveString(RegistryHive hive, CString key, CString name, CString& value) {
    return hive == RegistryHive::Machine ? ReadMachineString(key, name, value)
                                         : ReadUserString(key, name, value);
}
