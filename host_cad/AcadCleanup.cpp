#include "host_cad/AcadCleanup.h"

#include "framework/Handles.h"
#include "framework/PathCompare.h"
#include "host_cad/AcadProfile.h"
#include "host_cad/ReleaseSweep.h"
#include "host_cad/SiblingProducts.h"

#include <windows.h>

namespace {

// The value's type and text, read at its own size; false when it is missing
// or not a string.
bool ReadWholeString(HKEY key, const char* name, DWORD& type, CString& text) {
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::string bytes(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    text = CString(bytes.c_str()); // up to the value's own NUL
    return true;
}

// The folder an entry names when it ends in the product's arx folder
// (folder + arxFolder, as the installer writes it), else empty.
CString ProductFolderOf(const CString& entry, const char* arxFolder) {
    if (!arxFolder) return CString();
    const CString arx(arxFolder);
    int components = 1;
    for (int at = arx.Find("\\"); at >= 0; at = arx.Find("\\", at + 1)) ++components;
    CString folder = entry;
    for (int i = 0; i < components && !folder.IsEmpty(); ++i) folder = ParentFolder(folder);
    if (folder.IsEmpty() || !IsSamePath(NormalizePath(folder + "\\" + arx), entry))
        return CString();
    return folder;
}

// Entries the installer merged in for installDir: those inside it, and
// those naming the product's arx folder under another folder that is no
// sibling product's (an earlier installation elsewhere).
bool IsProductEntry(const CString& rawEntry, const AcadGeneration& generation,
                    const CString& installDir, const CStringArray& siblingFolders) {
    CString trimmed = rawEntry;
    const CString entry = NormalizePath(trimmed.Trim());
    if (entry.IsEmpty()) return false;
    if (IsPathWithin(entry, installDir)) return true;
    for (const char* arxFolder : {generation.arxFolder, generation.arxFolder32}) {
        const CString folder = ProductFolderOf(entry, arxFolder);
        if (folder.IsEmpty()) continue;
        bool sibling = false;
        for (const CString& siblingFolder : siblingFolders)
            sibling |= IsPathWithin(folder, siblingFolder);
        if (!sibling) return true;
    }
    return false;
}

// Takes the product's entries out of a TRUSTEDPATHS list; 1 when it changed.
int RemoveTrustedEntries(const CString& profileKey, const AcadGeneration& generation,
                         const CString& installDir, const CStringArray& siblingFolders) {
    CRegKey variables;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, profileKey + "\\Variables", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, variables.Out()) != ERROR_SUCCESS)
        return 0;
    DWORD type = REG_SZ;
    CString list;
    if (!ReadWholeString(variables.Get(), "TRUSTEDPATHS", type, list)) return 0;

    CString kept;
    bool changed = false;
    for (const CString& entry : SplitPathList(list)) {
        if (IsProductEntry(entry, generation, installDir, siblingFolders))
            changed = true;
        else
            kept += entry + ";";
    }
    if (!changed) return 0;
    // The installer made the value when the user had none.
    if (kept.IsEmpty()) return RegDeleteValueA(variables.Get(), "TRUSTEDPATHS") == ERROR_SUCCESS;
    return RegSetValueExA(variables.Get(), "TRUSTEDPATHS", 0, type,
                          reinterpret_cast<const BYTE*>(kept.GetString()),
                          static_cast<DWORD>(kept.GetLength()) + 1) == ERROR_SUCCESS;
}

int DeleteKeyTree(HKEY root, const CString& key) {
    return RegDeleteTreeA(root, key) == ERROR_SUCCESS;
}

} // namespace

int RemoveAcadConfiguration(const CString& installDir, AcadCleanupParts parts) {
    const CString destination = NormalizePath(installDir);
    if (destination.IsEmpty()) return 0;
    CStringArray siblingFolders;
    for (SiblingProduct sibling : {SiblingProduct::Quintel, SiblingProduct::Velmor}) {
        CString folder;
        if (ReadSiblingInstallPath(sibling, folder)) {
            const CString normalized = NormalizePath(folder);
            if (!normalized.IsEmpty()) siblingFolders.push_back(normalized);
        }
    }

    int changed = 0;
    SweepAcadConfigurationReleases([&](const AcadRelease& release, const CString&) {
        // Configuration always writes with the native view.
        const AcadProfileKeys keys = FindAcadProfileKeys(release, CString());
        changed += DeleteKeyTree(HKEY_CURRENT_USER, keys.profile);
        if (parts == AcadCleanupParts::UserAndMachine && !keys.demandLoad.IsEmpty())
            changed += DeleteKeyTree(HKEY_LOCAL_MACHINE, keys.demandLoad);
        if (!keys.defaultProfile.IsEmpty())
            changed += RemoveTrustedEntries(keys.defaultProfile, *release.generation, destination,
                                            siblingFolders);
    });
    return changed;
}
