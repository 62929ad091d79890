#include "tests/e2e/InstallMachine.h"

#include "framework/Handles.h"
#include "tests/support/TempDir.h"
#include "framework/WideText.h"

#include <cstring>

namespace {

// "User Shell Folders" too: Wine's shell rewrites "Shell Folders" from it
// whenever a program asks the shell for a folder, which would send the
// installer's shortcuts to the prefix's real desktop (the user's home).
const char* const kShellFolderKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders",
};

struct SimulatedHost {
    const char* release;
    const char* productId;
    const char* name;
    const char* defaultProfile;
};
const SimulatedHost kHosts[] = {
    {"R18.0", "ACAD-8001:804", "AutoCAD 2010", "<<未命名配置>>"},
    {"R19.1", "ACAD-D001:804", "AutoCAD 2014", "<<初始设置配置>>"},
};

// The wide functions throughout, so the scenarios set the machine up alike
// under any system code page; raw data as stored (strings in UTF-16).
bool ReadRaw(HKEY root, const char* key, const char* name, std::string& data, DWORD& type) {
    CRegKey handle;
    if (RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ, handle.Out()) != ERROR_SUCCESS)
        return false;
    const std::wstring wideName = Wide(name);
    DWORD size = 0;
    if (RegQueryValueExW(handle.Get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    data.assign(size, '\0');
    if (size == 0) return true;
    return RegQueryValueExW(handle.Get(), wideName.c_str(), nullptr, &type,
                            reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS;
}

} // namespace

bool ReadString(HKEY root, const char* key, const char* name, CString& value) {
    std::string data;
    DWORD type = 0;
    if (!ReadRaw(root, key, name, data, type) || type != REG_SZ) return false;
    const std::wstring wide(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
    value = Narrow(wide.c_str());
    return true;
}

bool ReadDword(HKEY root, const char* key, const char* name, DWORD& value) {
    std::string data;
    DWORD type = 0;
    if (!ReadRaw(root, key, name, data, type) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return false;
    std::memcpy(&value, data.data(), sizeof(DWORD));
    return true;
}

bool KeyExists(HKEY root, const char* key) {
    CRegKey handle;
    return RegOpenKeyExW(root, Wide(key).c_str(), 0, KEY_READ, handle.Out()) == ERROR_SUCCESS;
}

bool WriteString(HKEY root, const char* key, const char* name, const char* value) {
    CRegKey handle;
    if (RegCreateKeyExW(root, Wide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        handle.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring text = Wide(value);
    return RegSetValueExW(handle.Get(), Wide(name).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void CInstallMachine::Reset(const CString& destination) {
    ClearInstallationKeys();
    RegisterSimulatedAcad();
    RemoveTree(destination.Left(destination.GetLength() - 1));
}

CString CInstallMachine::SimulatedAcadFolder(const char* release) {
    for (const auto& host : kHosts)
        if (std::strcmp(host.release, release) == 0)
            return CString("C:\\Program Files\\Autodesk\\") + host.name + " (simulated)\\";
    return CString();
}

void CInstallMachine::ClearInstallationKeys() {
    const char* const machineKeys[] = {
        "SOFTWARE\\Morvane",
        "SOFTWARE\\Wow6432Node\\Morvane",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kelvra V9",
        "SOFTWARE\\Autodesk",
        "SOFTWARE\\Wow6432Node\\Autodesk",
        "SOFTWARE\\Classes\\Kelvra.SampleControl",
        "SOFTWARE\\Classes\\Kelvra.SampleControl.1",
        "SOFTWARE\\Classes\\CLSID\\{6B2E9C41-4D0A-4F7E-9C35-1A7D5E0B9F21}",
        "SOFTWARE\\Classes\\TypeLib\\{6B2E9C42-4D0A-4F7E-9C35-1A7D5E0B9F21}",
        // Every elevated installation registers the per-user set-up.
        "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\Kelvra V9",
    };
    for (const char* key : machineKeys) RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(key).c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk");
}

void CInstallMachine::RegisterSimulatedAcad() {
    for (const auto& host : kHosts) {
        const CString folder = SimulatedAcadFolder(host.release);
        CString key = CString("Software\\Autodesk\\AutoCAD\\") + host.release;
        WriteString(HKEY_CURRENT_USER, key, "CurVer", host.productId);
        WriteString(HKEY_CURRENT_USER, key, "Simulated", "yes");
        key = CString("SOFTWARE\\Autodesk\\AutoCAD\\") + host.release + "\\" + host.productId;
        WriteString(HKEY_LOCAL_MACHINE, key, "AcadLocation", folder);
        WriteString(HKEY_LOCAL_MACHINE, key, "Simulated", "yes");
        key = CString("Software\\Autodesk\\AutoCAD\\") + host.release + "\\" + host.productId +
              "\\Profiles\\" + host.defaultProfile + "\\General";
        WriteString(HKEY_CURRENT_USER, key, "ACAD", folder + "support");
    }
}

CInstallMachine::CInstallMachine(const CString& desktop, const CString& programs) {
    for (const char* key : kShellFolderKeys) {
        for (const char* name : {"Desktop", "Programs"}) {
            SavedValue saved;
            saved.key = key;
            saved.name = name;
            saved.existed = ReadRaw(HKEY_CURRENT_USER, key, name, saved.data, saved.type);
            m_saved.push_back(saved);
            WriteString(HKEY_CURRENT_USER, key, name,
                        std::strcmp(name, "Desktop") == 0 ? desktop : programs);
        }
    }
    ClearInstallationKeys();
    RegisterSimulatedAcad();
}

CInstallMachine::~CInstallMachine() {
    ClearInstallationKeys();
    for (const auto& saved : m_saved) {
        CRegKey handle;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(saved.key).c_str(), 0, KEY_SET_VALUE,
                          handle.Out()) != ERROR_SUCCESS)
            continue;
        if (saved.existed)
            RegSetValueExW(handle.Get(), Wide(saved.name).c_str(), 0, saved.type,
                           reinterpret_cast<const BYTE*>(saved.data.data()),
                           static_cast<DWORD>(saved.data.size()));
        else
            RegDeleteValueW(handle.Get(), Wide(saved.name).c_str());
    }
}
