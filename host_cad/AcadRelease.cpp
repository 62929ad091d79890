#include "host_cad/AcadRelease.h"

#include <cstring>

const char kWow6432Node[] = "Wow6432Node";

namespace {

// A list of names tried in order, its count taken from the names given.
template <int N = 3, typename T, typename... More>
constexpr TriedInOrder<T, N> InOrder(T first, More... more) {
    static_assert(1 + sizeof...(more) <= N, "more names than the list holds");
    return {{first, more...}, 1 + static_cast<int>(sizeof...(more))};
}

// Default profile names the host gives its first profile.
constexpr const char* kUnnamedChinese = "<<未命名配置>>";
constexpr const char* kUnnamedEnglish = "<<Unnamed Profile>>";
constexpr const char* kInitialBracketed = "<<初始设置配置>>";
constexpr const char* kInitialBare = "初始设置配置";

// The key form each flag selects, one name per choice.
// demandLoadView: the fixed 32-bit key (form W), whatever view configuration is given;
constexpr const char* kDemandLoadFixed32Bit = kWow6432Node;
// demandLoadView: the view configuration is given (native form N, or form V with a view).
constexpr const char* kDemandLoadCallersView = nullptr;
// viewInProfileKeys: "CurVer", the profiles and the demand-load key take the caller's view;
constexpr bool kProfileKeysCallersView = true;
// viewInProfileKeys: they are always the native keys, the caller's view disregarded.
constexpr bool kProfileKeysNative = false;
// takesView: discovery reads the release's folder key in the caller's view;
constexpr bool kFolderKeyCallersView = true;
// takesView: discovery reads the native folder key only.
constexpr bool kFolderKeyNative = false;
// arxFolder32, demandLoadFile32: no 32-bit form, the one form serves every view.
constexpr const char* kOneFormOnly = nullptr;

// A generation without a demand-load entry, a menu file or host subfolders.
constexpr const char* kNoFile = nullptr;
constexpr TriedInOrder<const char*> kNoDefaultProfiles{};
constexpr TriedInOrder<const char*, 4> kNoHostSubfolders{};

constexpr bool kDeleteProfileFirst = true;
constexpr bool kKeepProfile = false;
constexpr bool kTrustsArxFolders = true;
constexpr bool kTrustsNothing = false;

constexpr AcadGeneration kGeneration2000 = {
    /* name */ "2000-02",
    /* arxFolder */ "Support\\2000-02\\arx",
    /* arxFolder32 */ kOneFormOnly,
    /* menuFolder */ "Support\\2000-02\\Menu",
    /* demandLoadFile */ kNoFile,
    /* demandLoadFile32 */ kOneFormOnly,
    /* demandLoadView */ kDemandLoadCallersView,
    /* viewInProfileKeys */ kProfileKeysNative,
    /* defaultProfiles */ kNoDefaultProfiles,
    /* hostSubfolders */ InOrder<4>("support", "fonts", "help", "express"),
    /* deleteProfileFirst */ kKeepProfile,
    /* menuFile */ kNoFile,
};

constexpr AcadGeneration kGeneration2004 = {
    /* name */ "2004-06",
    /* arxFolder */ "Support\\2004-06\\arx",
    /* arxFolder32 */ kOneFormOnly,
    /* menuFolder */ "Support\\2004-06\\Menu",
    /* demandLoadFile */ "Support\\2004-06\\ARX\\LoadKelvra.arx",
    /* demandLoadFile32 */ kOneFormOnly,
    /* demandLoadView */ kDemandLoadFixed32Bit,
    /* viewInProfileKeys */ kProfileKeysCallersView,
    /* defaultProfiles */ InOrder(kUnnamedChinese, kUnnamedEnglish),
    /* hostSubfolders */ kNoHostSubfolders,
    /* deleteProfileFirst */ kKeepProfile,
    /* menuFile */ kNoFile,
};

constexpr AcadGeneration kGeneration2007 = {
    /* name */ "2007-09",
    /* arxFolder */ "Support\\2007-09\\arx",
    /* arxFolder32 */ kOneFormOnly,
    /* menuFolder */ "Support\\2007-09\\Menu",
    /* demandLoadFile */ "Support\\2007-09\\ARX\\LoadKelvra.arx",
    /* demandLoadFile32 */ kOneFormOnly,
    /* demandLoadView */ kDemandLoadFixed32Bit,
    /* viewInProfileKeys */ kProfileKeysCallersView,
    /* defaultProfiles */ InOrder(kUnnamedChinese, kUnnamedEnglish),
    /* hostSubfolders */ kNoHostSubfolders,
    /* deleteProfileFirst */ kKeepProfile,
    /* menuFile */ "Support\\2007-09\\Menu\\Kelvra",
};

// The only generation with 32-bit forms.
constexpr AcadGeneration kGeneration2010 = {
    /* name */ "2010-12",
    /* arxFolder */ "Support\\2010-12\\64\\arx",
    /* arxFolder32 */ "Support\\2010-12\\32\\arx",
    /* menuFolder */ "Support\\2010-12\\Menu",
    /* demandLoadFile */ "Support\\2010-12\\64\\ARX\\LoadKelvra.arx",
    /* demandLoadFile32 */ "Support\\2010-12\\32\\ARX\\LoadKelvra.arx",
    /* demandLoadView */ kDemandLoadCallersView,
    /* viewInProfileKeys */ kProfileKeysCallersView,
    /* defaultProfiles */ InOrder(kUnnamedChinese, kInitialBracketed),
    /* hostSubfolders */ kNoHostSubfolders,
    /* deleteProfileFirst */ kDeleteProfileFirst,
    /* menuFile */ kNoFile,
};

// Takes a view and disregards it: one 64-bit form only.
constexpr AcadGeneration kGeneration2013 = {
    /* name */ "2013-15",
    /* arxFolder */ "Support\\2013-15\\64\\arx",
    /* arxFolder32 */ kOneFormOnly,
    /* menuFolder */ "Support\\2013-15\\Menu",
    /* demandLoadFile */ "Support\\2013-15\\64\\ARX\\LoadKelvra.arx",
    /* demandLoadFile32 */ kOneFormOnly,
    /* demandLoadView */ kDemandLoadCallersView,
    /* viewInProfileKeys */ kProfileKeysNative,
    /* defaultProfiles */ InOrder(kInitialBare, kInitialBracketed, kUnnamedChinese),
    /* hostSubfolders */ kNoHostSubfolders,
    /* deleteProfileFirst */ kDeleteProfileFirst,
    /* menuFile */ kNoFile,
};

constexpr RegistryHive HKLM = RegistryHive::Machine;
constexpr RegistryHive HKCU = RegistryHive::User;

// Where "CurVer" is read.
constexpr auto kMachineThenUser = InOrder(HKLM, HKCU);
constexpr auto kUserThenMachine = InOrder(HKCU, HKLM);
constexpr auto kUserOnly = InOrder(HKCU);
// Which folder values discovery tries.
constexpr auto kAcadLocation = InOrder("AcadLocation");
constexpr auto kAcadLocationThenLocation = InOrder("AcadLocation", "Location");
// The views a sweep looks in. R15.0 takes no view: its one entry is the native one.
constexpr auto kNoView = InOrder("");
constexpr auto kNativeThen32 = InOrder("", kWow6432Node);
constexpr auto k32Only = InOrder(kWow6432Node);
constexpr auto k32ThenNative = InOrder(kWow6432Node, "");

// R15.0 has no default product id: without "CurVer" it is not found.
constexpr const char* kNoDefaultProductId = nullptr;

} // namespace

// One row per release. Columns: releaseKey, yearLabel, defaultProductId,
// generation, takesView, discoveryCurVerHives, folderValues,
// configurationCurVerHives, writesTrustedPaths, configurationSweepViews,
// shortcutSweepViews.
constexpr AcadRelease ACAD_RELEASES[kAcadReleaseCount] = {
    {"R15.0", "2002", kNoDefaultProductId, &kGeneration2000, kFolderKeyNative, kMachineThenUser,
     kAcadLocation, kMachineThenUser, kTrustsNothing, kNoView, kNoView},
    {"R16.0", "2004", "ACAD-201:804", &kGeneration2004, kFolderKeyCallersView, kUserThenMachine,
     kAcadLocation, kUserThenMachine, kTrustsNothing, k32Only, kNativeThen32},
    {"R16.1", "2005", "ACAD-301:409", &kGeneration2004, kFolderKeyCallersView, kUserOnly,
     kAcadLocation, kUserThenMachine, kTrustsNothing, k32Only, kNativeThen32},
    {"R16.2", "2006", "ACAD-4001:409", &kGeneration2004, kFolderKeyCallersView, kUserOnly,
     kAcadLocation, kUserThenMachine, kTrustsNothing, k32Only, kNativeThen32},
    {"R17.0", "2007", "ACAD-5001:804", &kGeneration2007, kFolderKeyCallersView, kUserOnly,
     kAcadLocation, kUserThenMachine, kTrustsNothing, k32Only, kNativeThen32},
    {"R17.1", "2008", "ACAD-6001:804", &kGeneration2007, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, k32Only, kNativeThen32},
    {"R17.2", "2009", "ACAD-7001:804", &kGeneration2007, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, k32ThenNative, kNativeThen32},
    {"R18.0", "2010", "ACAD-8001:804", &kGeneration2010, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, kNativeThen32, kNativeThen32},
    {"R18.1", "2011", "ACAD-9001:804", &kGeneration2010, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, kNativeThen32, kNativeThen32},
    {"R18.2", "2012", "ACAD-A001:804", &kGeneration2010, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, kNativeThen32, kNativeThen32},
    {"R19.0", "2013", "ACAD-B001:804", &kGeneration2013, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsNothing, kNativeThen32, kNativeThen32},
    {"R19.1", "2014", "ACAD-D001:804", &kGeneration2013, kFolderKeyCallersView, kUserOnly,
     kAcadLocationThenLocation, kUserThenMachine, kTrustsArxFolders, kNativeThen32, kNativeThen32},
};

const AcadRelease* FindAcadRelease(const char* releaseKey) {
    for (const AcadRelease& release : ACAD_RELEASES)
        if (strcmp(release.releaseKey, releaseKey) == 0) return &release;
    return nullptr;
}

CString KeyInView(const char* software, const CString& view, const CString& rest) {
    CString key = software;
    key += "\\";
    if (!view.IsEmpty()) key += view + "\\";
    return key + rest;
}
