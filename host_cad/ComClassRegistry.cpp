#include "host_cad/ComClassRegistry.h"

#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/RunLog.h"
#include "framework/WideText.h"

#include <iterator>
#include <string>
#include <vector>

namespace {

// The classes root of each view, named explicitly and opened in the 64-bit
// view: the same keys on Windows, under Wine and in a redirected test hive.
const wchar_t* const kClassRoots[] = {L"SOFTWARE\\Classes", L"SOFTWARE\\Classes\\Wow6432Node"};
// The folder values a type library version names its file in.
const wchar_t* const kTypeLibPlatforms[] = {L"win64", L"win32"};

constexpr REGSAM kView = KEY_WOW64_64KEY;

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// The default (or named) string value of root\path, expanded; empty when
// missing, of another type, or too long for a path.
std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name = nullptr) {
    CRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | kView, key.Out()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t buffer[2 * MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::wstring();
    std::wstring value(buffer);
    if (type == REG_EXPAND_SZ) {
        wchar_t expanded[2 * MAX_PATH] = {};
        const DWORD length = ExpandEnvironmentStringsW(buffer, expanded, std::size(expanded));
        value = (length > 0 && length <= std::size(expanded)) ? expanded : L"";
    }
    return value;
}

// A server value names path: quotes around it are allowed, the case is not
// significant. A value code page 936 cannot hold cannot name our file.
bool NamesFile(std::wstring value, const CString& path) {
    if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
        value = value.substr(1, value.size() - 2);
    CString narrow;
    if (value.empty() || !ToNarrow(value, narrow)) return false;
    const CString normalized = NormalizePath(narrow);
    return !normalized.IsEmpty() && IsSamePath(normalized, path);
}

struct FoundClass {
    std::wstring clsid;
    std::wstring progId;
    std::wstring independentProgId;
};

std::vector<FoundClass> ClassesServedBy(HKEY classes, const CString& path) {
    std::vector<FoundClass> found;
    CRegKey clsidKey;
    if (RegOpenKeyExW(classes, L"CLSID", 0, KEY_ENUMERATE_SUB_KEYS | kView, clsidKey.Out()) !=
        ERROR_SUCCESS)
        return found;
    for (const std::wstring& clsid : SubkeyNames(clsidKey.Get())) {
        if (!NamesFile(ReadString(clsidKey.Get(), clsid + L"\\InprocServer32"), path)) continue;
        found.push_back({clsid, ReadString(clsidKey.Get(), clsid + L"\\ProgID"),
                         ReadString(clsidKey.Get(), clsid + L"\\VersionIndependentProgID")});
    }
    return found;
}

class CRemover {
public:
    CRemover(HKEY classes, const std::wstring& rootName, ComRegistrationRemoval& result)
        : m_classes(classes), m_rootName(rootName), m_result(result) {}

    // The key classes\path with everything in it.
    void RemoveTree(const std::wstring& path) {
        const LSTATUS status = DeleteKeyTree(m_classes, path.c_str());
        if (status == ERROR_SUCCESS) {
            ++m_result.removed;
            RunLogLine("已删除注册表项 HKEY_LOCAL_MACHINE\\%s\\%s", Narrow(m_rootName).GetString(),
                       Narrow(path).GetString());
        } else if (status != ERROR_FILE_NOT_FOUND) {
            const CString key = "HKEY_LOCAL_MACHINE\\" + Narrow(m_rootName + L"\\" + path);
            RunLogFailure(static_cast<DWORD>(status), "不能删除注册表项 %s", key.GetString());
            m_result.failed.push_back(key);
        }
    }

    // A ProgID key, only while it still belongs to clsid (another class may
    // have taken the name since).
    void RemoveProgId(const std::wstring& progId, const std::wstring& clsid) {
        if (progId.empty() || progId.find(L'\\') != std::wstring::npos) return;
        const std::wstring owner = ReadString(m_classes, progId + L"\\CLSID");
        if (CompareStringOrdinal(owner.c_str(), -1, clsid.c_str(), -1, TRUE) == CSTR_EQUAL)
            RemoveTree(progId);
    }

    void RemoveTypeLibraries(const CString& path) {
        CRegKey typeLibs;
        if (RegOpenKeyExW(m_classes, L"TypeLib", 0, KEY_ENUMERATE_SUB_KEYS | kView,
                          typeLibs.Out()) != ERROR_SUCCESS)
            return;
        for (const std::wstring& library : SubkeyNames(typeLibs.Get())) {
            const std::wstring libraryPath = L"TypeLib\\" + library;
            CRegKey libraryKey;
            if (RegOpenKeyExW(m_classes, libraryPath.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | kView,
                              libraryKey.Out()) != ERROR_SUCCESS)
                continue;
            const std::vector<std::wstring> versions = SubkeyNames(libraryKey.Get());
            size_t removedVersions = 0;
            for (const std::wstring& version : versions) {
                if (!VersionNamesFile(libraryPath + L"\\" + version, path)) continue;
                RemoveTree(libraryPath + L"\\" + version);
                ++removedVersions;
            }
            libraryKey.Reset();
            if (removedVersions > 0 && removedVersions == versions.size()) RemoveTree(libraryPath);
        }
    }

private:
    // TypeLib\{...}\<version>\<locale>\win64 (or win32) names path.
    bool VersionNamesFile(const std::wstring& versionPath, const CString& path) {
        CRegKey versionKey;
        if (RegOpenKeyExW(m_classes, versionPath.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | kView,
                          versionKey.Out()) != ERROR_SUCCESS)
            return false;
        for (const std::wstring& locale : SubkeyNames(versionKey.Get()))
            for (const wchar_t* platform : kTypeLibPlatforms)
                if (NamesFile(ReadString(versionKey.Get(), locale + L"\\" + platform), path))
                    return true;
        return false;
    }

    HKEY m_classes;
    const std::wstring& m_rootName;
    ComRegistrationRemoval& m_result;
};

} // namespace

ComRegistrationRemoval RemoveComServerRegistration(const CString& serverPath) {
    ComRegistrationRemoval result;
    const CString path = NormalizePath(serverPath);
    if (path.IsEmpty()) return result;
    for (const wchar_t* root : kClassRoots) {
        CRegKey classes;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ | KEY_SET_VALUE | DELETE | kView,
                          classes.Out()) != ERROR_SUCCESS)
            continue;
        const std::wstring rootName(root);
        CRemover remover(classes.Get(), rootName, result);
        for (const FoundClass& found : ClassesServedBy(classes.Get(), path)) {
            remover.RemoveProgId(found.progId, found.clsid);
            remover.RemoveProgId(found.independentProgId, found.clsid);
            // A class that stays names the file still: told by its own
            // removal, without searching every class again.
            const size_t failedBefore = result.failed.size();
            remover.RemoveTree(L"CLSID\\" + found.clsid);
            result.stillRegistered |= result.failed.size() > failedBefore;
        }
        remover.RemoveTypeLibraries(path);
    }
    return result;
}

bool IsComServerRegistered(const CString& serverPath) {
    const CString path = NormalizePath(serverPath);
    if (path.IsEmpty()) return false;
    for (const wchar_t* root : kClassRoots) {
        CRegKey classes;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, root, 0, KEY_READ | kView, classes.Out()) ==
                ERROR_SUCCESS &&
            !ClassesServedBy(classes.Get(), path).empty())
            return true;
    }
    return false;
}
