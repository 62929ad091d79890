#include "host_cad/Registry.h"

#include "framework/Handles.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <atomic>
#include <vector>

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

const char* HiveName(HKEY hive) {
    return hive == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

// Opens key under hive with the create-or-open call.
LSTATUS CreateKey(HKEY hive, const CString& key, CRegKey& opened) {
    std::wstring wideKey;
    if (!ToWide(key, wideKey)) return ERROR_NO_UNICODE_TRANSLATION;
    return RegCreateKeyW(hive, wideKey.c_str(), opened.Out());
}

LSTATUS WriteValue(HKEY hive, const CString& key, const CString& name, DWORD type, const void* data,
                   DWORD bytes) {
    CRegKey opened;
    std::wstring wideName;
    LSTATUS status =
        ToWide(name, wideName) ? CreateKey(hive, key, opened) : ERROR_NO_UNICODE_TRANSLATION;
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(opened.Get(), wideName.c_str(), 0, type,
                                static_cast<const BYTE*>(data), bytes);
    if (status != ERROR_SUCCESS)
        RunLogFailure(static_cast<DWORD>(status), "不能写入注册表值 %s\\%s: %s", HiveName(hive),
                      key.GetString(), name.IsEmpty() ? "(默认)" : name.GetString());
    return status;
}

LSTATUS WriteString(HKEY hive, const CString& key, const CString& name, const CString& value) {
    // The whole string, whatever its length; text that is not valid code
    // page 936 is refused rather than stored altered.
    std::wstring wide;
    if (!ToWide(value, wide)) {
        RunLogFailure(ERROR_NO_UNICODE_TRANSLATION, "不能写入注册表值 %s\\%s: %s", HiveName(hive),
                      key.GetString(), name.IsEmpty() ? "(默认)" : name.GetString());
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    return WriteValue(hive, key, name, REG_SZ, wide.c_str(),
                      static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

int ReadString(HKEY hive, const CString& key, const CString& name, CString& value) {
    value.Empty();
    CRegKey opened;
    if (CreateKey(hive, key, opened) != ERROR_SUCCESS) return 0;
    CString text;
    // Read as through a buffer of kRegistryReadLimit bytes of code page 936
    // text, its NUL included: a longer value counts as absent.
    DWORD bytes = 0;
    if (!ReadRegistryText(opened.Get(), name, text, &bytes) || bytes > kRegistryReadLimit) return 0;
    value = text;
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
    if (CreateKey(HKEY_CURRENT_USER, key, opened) != ERROR_SUCCESS) return 0;
    CString text;
    DWORD bytes = 0;
    return ReadRegistryText(opened.Get(), name, text, &bytes) ? bytes : 0;
}

bool ReadRegistryText(HKEY key, const char* name, CString& value, DWORD* dataBytes) {
    value.Empty();
    if (dataBytes) *dataBytes = 0;
    std::wstring wideName;
    if (!ToWide(CString(name), wideName)) return false;
    // The value may grow between the size question and the read.
    std::vector<BYTE> data;
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
        data.assign(static_cast<size_t>(size) + sizeof(wchar_t), 0);
        status = RegQueryValueExW(key, wideName.c_str(), nullptr, &type, data.data(), &size);
        if (status != ERROR_MORE_DATA) break;
        status = ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS || data.empty()) return false;
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        const auto* wide = reinterpret_cast<const wchar_t*>(data.data());
        const size_t count = size / sizeof(wchar_t);
        size_t length = 0;
        while (length < count && wide[length] != L'\0') ++length;
        if (ToNarrow(wide, static_cast<int>(length), value)) {
            // Stored with its NUL, the 8-bit form holds one more byte.
            if (dataBytes) *dataBytes = static_cast<DWORD>(value.GetLength()) + (length < count);
            return true;
        }
        RunLogLine("注册表值 %s 中有代码页 936 不能表示的字符 (%s): 不使用",
                   *name ? name : "(默认)", Narrow(wide, static_cast<int>(length)).GetString());
        value.Empty();
        return false;
    }
    // Another type: its bytes up to the first NUL, as text.
    size_t length = 0;
    while (length < size && data[length] != 0) ++length;
    value = CString(reinterpret_cast<const char*>(data.data()), static_cast<int>(length));
    if (dataBytes) *dataBytes = size;
    return true;
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
