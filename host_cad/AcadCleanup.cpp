#include "host_cad/AcadCleanup.h"

#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "framework/WideText.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/Registry.h"
#include "host_cad/ReleaseSweep.h"

#include <windows.h>

namespace {

const wchar_t kTrustedPathsValue[] = L"TRUSTEDPATHS";

// The value's type and text, read at its own size; false when it is missing,
// not a string, or holds a character code page 936 cannot name (such a list
// is left as it is rather than rewritten with a character lost).
bool ReadTrustedPaths(HKEY key, DWORD& type, CString& text) {
    DWORD size = 0;
    if (RegQueryValueExW(key, kTrustedPathsValue, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::wstring wide(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key, kTrustedPathsValue, nullptr, &type, reinterpret_cast<BYTE*>(&wide[0]),
                         &size) != ERROR_SUCCESS)
        return false;
    wide.resize(size / sizeof(wchar_t));
    const size_t end = wide.find(L'\0'); // up to the value's own NUL
    if (end != std::wstring::npos) wide.resize(end);
    return ToNarrow(wide, text);
}

bool WriteTrustedPaths(HKEY key, DWORD type, const CString& text) {
    std::wstring wide;
    if (!ToWide(text, wide)) return false;
    return RegSetValueExW(key, kTrustedPathsValue, 0, type,
                          reinterpret_cast<const BYTE*>(wide.c_str()),
                          static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

int DeleteKeyTree(HKEY root, const CString& key) {
    std::wstring wide;
    return ToWide(key, wide) && RegDeleteTreeW(root, wide.c_str()) == ERROR_SUCCESS;
}

} // namespace

int RemoveTrustedEntries(const CString& variablesKey,
                         const std::function<bool(const CString& entry)>& isOurs) {
    std::wstring wideKey;
    if (!ToWide(variablesKey, wideKey)) return 0;
    CRegKey variables;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, wideKey.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      variables.Out()) != ERROR_SUCCESS)
        return 0;
    DWORD type = REG_SZ;
    CString list;
    if (!ReadTrustedPaths(variables.Get(), type, list)) return 0;

    CString kept;
    bool changed = false;
    for (const CString& entry : SplitPathList(list)) {
        CString trimmed = entry;
        if (isOurs(trimmed.Trim()))
            changed = true;
        else
            kept += entry + ";";
    }
    if (!changed) return 0;
    // The installer made the value when the user had none.
    if (kept.IsEmpty())
        return RegDeleteValueW(variables.Get(), kTrustedPathsValue) == ERROR_SUCCESS;
    return WriteTrustedPaths(variables.Get(), type, kept);
}

namespace {

// A value holding a path, or a ";"-list of them, with one inside the destination.
bool NamesInside(HKEY root, const CString& key, const char* name,
                 const std::function<bool(const CString&)>& inside) {
    CString list;
    if (!ReadExistingString(root, key, name, list)) return false;
    for (CString entry : SplitPathList(list))
        if (inside(entry.Trim())) return true;
    return false;
}

// pointingInside: the profile and the demand-load key go only where they
// name something inside installDir.
int RemoveConfiguration(const CString& installDir, AcadCleanupParts parts, bool pointingInside) {
    const CString destination = NormalizePath(installDir);
    if (destination.IsEmpty()) return 0;
    // Only what lies inside this destination: an entry naming the product's
    // arx folder elsewhere may be a second copy's or a sibling product's.
    auto insideDestination = [&destination](const CString& entry) {
        const CString path = NormalizePath(entry);
        return !path.IsEmpty() && IsPathWithin(path, destination);
    };
    const bool user = parts != AcadCleanupParts::MachineOnly;
    const bool machine = parts != AcadCleanupParts::UserOnly;

    int changed = 0;
    SweepAcadConfigurationReleases([&](const AcadRelease& release, const CString&) {
        // Configuration always writes with the native view.
        const AcadProfileKeys keys = FindAcadProfileKeys(release, CString());
        if (user && (!pointingInside || NamesInside(HKEY_CURRENT_USER, keys.profile + "\\General",
                                                    "ACAD", insideDestination)))
            changed += DeleteKeyTree(HKEY_CURRENT_USER, keys.profile);
        if (machine && !keys.demandLoad.IsEmpty() &&
            (!pointingInside ||
             NamesInside(HKEY_LOCAL_MACHINE, keys.demandLoad, "LOADER", insideDestination)))
            changed += DeleteKeyTree(HKEY_LOCAL_MACHINE, keys.demandLoad);
        if (user && !keys.defaultProfile.IsEmpty())
            changed += RemoveTrustedEntries(keys.defaultProfile + "\\Variables", insideDestination);
    });
    return changed;
}

} // namespace

int RemoveAcadConfiguration(const CString& installDir, AcadCleanupParts parts) {
    return RemoveConfiguration(installDir, parts, false);
}

int RemoveAcadConfigurationPointingInto(const CString& installDir) {
    return RemoveConfiguration(installDir, AcadCleanupParts::UserAndMachine, true);
}
