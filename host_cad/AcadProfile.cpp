#include "host_cad/AcadProfile.h"

#include "host_cad/Registry.h"
#include "host_cad/SiblingProducts.h"
#include "framework/WideText.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const char kKelvraProfile[] = "<<Kelvra V9>>";

// ";" is never a GBK trail byte, and Find only matches on character
// boundaries anyway.
std::vector<CString> SplitPathList(const CString& list) {
    std::vector<CString> entries;
    int start = 0;
    while (start <= list.GetLength()) {
        int end = list.Find(";", start);
        if (end < 0) end = list.GetLength();
        CString entry = list.Mid(start, end - start);
        if (!entry.IsEmpty()) entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

namespace {

bool ListsEntry(const std::vector<CString>& entries, const CString& candidate) {
    CString trimmedCandidate = candidate;
    trimmedCandidate.Trim();
    for (CString entry : entries) {
        if (entry.Trim().CompareNoCase(trimmedCandidate) == 0) return true;
    }
    return false;
}

bool ListsName(const std::vector<CString>& names, const CString& name) {
    for (const CString& known : names)
        if (known.CompareNoCase(name) == 0) return true;
    return false;
}

// The product id under which the host keeps this release's settings.
CString ReadProductId(const AcadRelease& release, const CString& view) {
    const CString curVerKey =
        KeyInView("SOFTWARE", view, CString("Autodesk\\AutoCAD\\") + release.releaseKey);
    CString productId;
    for (RegistryHive hive : release.configurationCurVerHives)
        if (ReadHiveString(hive, curVerKey, "CurVer", productId)) return productId;
    return CString(release.defaultProductId); // empty when the release has none
}

// The host's own part of the support path, each entry ended by ";": the
// host folder's subfolders, or the "ACAD" value of its first default profile
// that can be read. defaultProfile gets the profile that was read, or the
// last one tried when none could be.
CString ReadHostSupportPath(const AcadGeneration& generation, const CString& hostPath,
                            const CString& view, const CString& hostFolder,
                            CString& defaultProfile) {
    CString hostPart;
    if (generation.hostSubfolders.count > 0) {
        for (const char* subfolder : generation.hostSubfolders)
            hostPart += hostFolder + subfolder + ";";
        return hostPart;
    }
    CString acad;
    for (const char* profile : generation.defaultProfiles) {
        defaultProfile = profile;
        const CString generalKey =
            KeyInView("Software", view, hostPath + "\\Profiles\\" + profile + "\\General");
        if (ReadUserString(generalKey, "ACAD", acad)) break;
    }
    return acad + ";";
}

// The entries of list that before does not hold (compared as the merge does).
std::vector<CString> EntriesAdded(const CString& list, const CString& before) {
    const std::vector<CString> known = SplitPathList(before);
    std::vector<CString> added;
    for (const CString& entry : SplitPathList(list))
        if (!ListsEntry(known, entry)) added.push_back(entry);
    return added;
}

// Notes the entries a write of list into profileKey's TRUSTEDPATHS adds.
using TrustedPathsNote = std::function<void(const CString& profileKey, const CString& list)>;

// 1 when the default profile's list was too long to read and was left alone.
int WriteTrustedPaths(const AcadGeneration& generation, const CString& installDir,
                      const CString& profileKey, const CString& defaultProfileKey,
                      const TrustedPathsNote& note) {
    CString quintelFolder;
    CString velmorFolder;
    ReadSiblingInstallPath(SiblingProduct::Quintel, quintelFolder);
    ReadSiblingInstallPath(SiblingProduct::Velmor, velmorFolder);
    const CString trusted =
        FormatTrustedPaths(generation.arxFolder, installDir, quintelFolder, velmorFolder);
    if (note) note(profileKey, trusted);
    WriteUserString(profileKey + "\\Variables", "TRUSTEDPATHS", trusted);

    // The user's default profile keeps the folders it already trusted. A list
    // longer than a read can take stays as it is: merging with what could
    // not be read would replace it.
    const CString variables = defaultProfileKey + "\\Variables";
    if (UserValueSize(variables, "TRUSTEDPATHS") > kRegistryReadLimit) return 1;
    CString existing;
    ReadUserString(variables, "TRUSTEDPATHS", existing);
    const CString merged = MergeTrustedPaths(trusted, existing);
    if (note) note(defaultProfileKey, merged);
    WriteUserString(variables, "TRUSTEDPATHS", merged);
    return 0;
}

} // namespace

CString FormatTrustedPaths(const CString& arxFolder, const CString& installDir,
                           const CString& quintelFolder, const CString& velmorFolder) {
    CString trusted = installDir + arxFolder + ";";
    if (!quintelFolder.IsEmpty()) trusted += quintelFolder + arxFolder + ";";
    if (!velmorFolder.IsEmpty()) trusted += velmorFolder + arxFolder + ";";
    return trusted;
}

CString MergeTrustedPaths(const CString& productPaths, const CString& existingPaths) {
    std::vector<CString> merged = SplitPathList(productPaths);
    for (const CString& entry : SplitPathList(existingPaths))
        if (!ListsEntry(merged, entry)) merged.push_back(entry);
    CString list;
    for (const CString& entry : merged) list += entry + ";";
    return list;
}

namespace {

// Where configuration writes for one release, and what it read to get there.
struct ProfileLocation {
    bool thirtyTwoBitForms = false;
    AcadProfileKeys keys;
    CString hostSupportPath;
};

// Called with the profiles' key before the default profiles are looked for
// (which may create them), with the view and product id in that key.
using ProfilesKeyNote =
    std::function<void(const CString& view, const CString& productId, const CString& profilesKey)>;

// The view in the release's keys, and the host's key below the view's
// "Software" ("Autodesk\AutoCAD\<release>\<product id>").
struct HostKey {
    CString view;
    CString productId;
    CString hostPath;
};

HostKey FindHostKey(const AcadRelease& release, const CString& requestedView) {
    HostKey host;
    host.view = release.generation->viewInProfileKeys ? requestedView : CString();
    host.productId = ReadProductId(release, host.view);
    host.hostPath = CString("Autodesk\\AutoCAD\\") + release.releaseKey + "\\" + host.productId;
    return host;
}

// The demand-load key (HKLM) of the release; empty when it has none.
CString DemandLoadKey(const AcadGeneration& generation, const HostKey& host) {
    if (!generation.demandLoadFile) return CString();
    const CString demandLoadView =
        generation.demandLoadView ? CString(generation.demandLoadView) : host.view;
    return KeyInView("Software", demandLoadView, host.hostPath + "\\Applications\\LoadKelvra");
}

void WriteDemandLoad(const AcadGeneration& generation, const CString& key, bool thirtyTwoBitForms,
                     const CString& installDir) {
    if (key.IsEmpty()) return;
    const char* loader = thirtyTwoBitForms && generation.demandLoadFile32
                             ? generation.demandLoadFile32
                             : generation.demandLoadFile;
    WriteMachineDword(key, "LOADCTRLS", 2);
    WriteMachineString(key, "LOADER", installDir + loader);
}

ProfileLocation LocateProfile(const AcadRelease& release, const CString& requestedView,
                              const CString& hostFolder, const ProfilesKeyNote& note = {}) {
    const AcadGeneration& generation = *release.generation;
    const HostKey host = FindHostKey(release, requestedView);
    const CString& view = host.view;
    const CString& hostPath = host.hostPath;
    ProfileLocation location;
    location.thirtyTwoBitForms = !view.IsEmpty();

    if (note) note(view, host.productId, KeyInView("Software", view, hostPath + "\\Profiles"));
    location.keys.profile = KeyInView("Software", view, hostPath + "\\Profiles\\" + kKelvraProfile);
    location.keys.demandLoad = DemandLoadKey(generation, host);
    CString defaultProfile;
    location.hostSupportPath =
        ReadHostSupportPath(generation, hostPath, view, hostFolder, defaultProfile);
    if (release.writesTrustedPaths)
        location.keys.defaultProfile =
            KeyInView("Software", view, hostPath + "\\Profiles\\" + defaultProfile);
    return location;
}

} // namespace

AcadProfileKeys FindAcadProfileKeys(const AcadRelease& release, const CString& view) {
    return LocateProfile(release, view, CString()).keys;
}

int ConfigureAcadProfile(const AcadRelease& release, const CString& installDir,
                         const CString& requestedView, const CString& hostFolder,
                         AcadProfileAdditions* added, ConfigurationParts parts) {
    const AcadGeneration& generation = *release.generation;
    if (parts == ConfigurationParts::MachineOnly) {
        // No default profile looked for: nothing is made in this user's hive.
        const HostKey host = FindHostKey(release, requestedView);
        WriteDemandLoad(generation, DemandLoadKey(generation, host), !host.view.IsEmpty(),
                        installDir);
        return 0;
    }
    // What was there before configuration, read without creating anything.
    AcadProfileAddition where;
    where.releaseKey = release.releaseKey;
    CString profilesKey;
    std::vector<CString> profilesBefore;
    ProfilesKeyNote noteProfiles;
    if (added)
        noteProfiles = [&](const CString& view, const CString& productId, const CString& key) {
            where.view = view;
            where.productId = productId;
            profilesKey = key;
            profilesBefore = SubkeyNames(HKEY_CURRENT_USER, key);
        };
    TrustedPathsNote noteTrusted;
    if (added)
        noteTrusted = [&](const CString& profileKey, const CString& list) {
            CString before;
            ReadExistingString(HKEY_CURRENT_USER, profileKey + "\\Variables", "TRUSTEDPATHS",
                               before);
            AcadProfileAddition entry = where;
            entry.profile = profileKey.Mid(profilesKey.GetLength() + 1);
            for (const CString& value : EntriesAdded(list, before)) {
                entry.value = value;
                added->trustedPaths.push_back(entry);
            }
        };
    const ProfileLocation location =
        LocateProfile(release, requestedView, hostFolder, noteProfiles);
    const bool thirtyTwoBitForms = location.thirtyTwoBitForms;
    const CString& profileKey = location.keys.profile;

    if (parts != ConfigurationParts::UserOnly)
        WriteDemandLoad(generation, location.keys.demandLoad, thirtyTwoBitForms, installDir);

    // Removes a profile left empty by an earlier run; one with subkeys stays
    // and is refreshed value by value below.
    std::wstring wideProfileKey;
    if (generation.deleteProfileFirst && ToWide(profileKey, wideProfileKey))
        RegDeleteKeyW(HKEY_CURRENT_USER, wideProfileKey.c_str());

    const char* arxFolder =
        thirtyTwoBitForms && generation.arxFolder32 ? generation.arxFolder32 : generation.arxFolder;
    CString supportPath;
    supportPath += installDir + arxFolder + ";";
    supportPath += installDir + generation.menuFolder + ";";
    supportPath += installDir + "填充图案;";
    supportPath += installDir + "材料图案;";
    supportPath += location.hostSupportPath;
    WriteUserString(profileKey + "\\General", "ACAD", supportPath);

    if (generation.menuFile)
        WriteUserString(profileKey + "\\General Configuration", "MenuFile",
                        installDir + generation.menuFile);

    int listsLeft = 0;
    if (release.writesTrustedPaths)
        listsLeft = WriteTrustedPaths(generation, installDir, profileKey,
                                      location.keys.defaultProfile, noteTrusted);

    WriteUserString(profileKey, "", kKelvraProfile);

    if (added) {
        for (const CString& name : SubkeyNames(HKEY_CURRENT_USER, profilesKey)) {
            if (ListsName(profilesBefore, name)) continue;
            AcadProfileAddition profile = where;
            profile.profile = name;
            added->createdProfiles.push_back(profile);
        }
    }
    return listsLeft;
}
