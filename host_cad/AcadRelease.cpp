#include "host_cad/AcadRelease.h"

#include <cstring>

const char kWow6432Node[] = "Wow6432Node";

namespace {

// Default profile names the host gives its first profile.
const char kUnnamedChinese[] = "<<未命名配置>>";
const char kUnnamedEnglish[] = "<<Unnamed Profile>>";
const char kInitialBracketed[] = "<<初始设置配置>>";
const char kInitialBare[] = "初始设置配置";

const AcadGeneration kGeneration2000 = {
    "2000-02", "Support\\2000-02\\arx",
    nullptr,   "Support\\2000-02\\Menu",
    nullptr,   nullptr,
    nullptr,   false,
    {{}, 0},   {{"support", "fonts", "help", "express"}, 4},
    false,     nullptr,
};

const AcadGeneration kGeneration2004 = {
    "2004-06",
    "Support\\2004-06\\arx",
    nullptr,
    "Support\\2004-06\\Menu",
    "Support\\2004-06\\ARX\\LoadKelvra.arx",
    nullptr,
    kWow6432Node,
    true,
    {{kUnnamedChinese, kUnnamedEnglish}, 2},
    {{}, 0},
    false,
    nullptr,
};

const AcadGeneration kGeneration2007 = {
    "2007-09",
    "Support\\2007-09\\arx",
    nullptr,
    "Support\\2007-09\\Menu",
    "Support\\2007-09\\ARX\\LoadKelvra.arx",
    nullptr,
    kWow6432Node,
    true,
    {{kUnnamedChinese, kUnnamedEnglish}, 2},
    {{}, 0},
    false,
    "Support\\2007-09\\Menu\\Kelvra",
};

const AcadGeneration kGeneration2010 = {
    "2010-12",
    "Support\\2010-12\\64\\arx",
    "Support\\2010-12\\32\\arx",
    "Support\\2010-12\\Menu",
    "Support\\2010-12\\64\\ARX\\LoadKelvra.arx",
    "Support\\2010-12\\32\\ARX\\LoadKelvra.arx",
    nullptr,
    true,
    {{kUnnamedChinese, kInitialBracketed}, 2},
    {{}, 0},
    true,
    nullptr,
};

// Takes a view and disregards it: one 64-bit form only.
const AcadGeneration kGeneration2013 = {
    "2013-15",
    "Support\\2013-15\\64\\arx",
    nullptr,
    "Support\\2013-15\\Menu",
    "Support\\2013-15\\64\\ARX\\LoadKelvra.arx",
    nullptr,
    nullptr,
    false,
    {{kInitialBare, kInitialBracketed, kUnnamedChinese}, 3},
    {{}, 0},
    true,
    nullptr,
};

constexpr RegistryHive HKLM = RegistryHive::Machine;
constexpr RegistryHive HKCU = RegistryHive::User;

const TriedInOrder<const char*> kAcadLocation = {{"AcadLocation"}, 1};
const TriedInOrder<const char*> kAcadLocationThenLocation = {{"AcadLocation", "Location"}, 2};
const TriedInOrder<RegistryHive> kUserThenMachine = {{HKCU, HKLM}, 2};
const TriedInOrder<RegistryHive> kUserOnly = {{HKCU}, 1};
// R15.0 takes no view: its one "view" entry is the native one.
const TriedInOrder<const char*> kNoView = {{""}, 1};
const TriedInOrder<const char*> kNativeThen32 = {{"", kWow6432Node}, 2};
const TriedInOrder<const char*> k32Only = {{kWow6432Node}, 1};
const TriedInOrder<const char*> k32ThenNative = {{kWow6432Node, ""}, 2};

} // namespace

const AcadRelease ACAD_RELEASES[kAcadReleaseCount] = {
    {"R15.0",
     "2002",
     nullptr,
     &kGeneration2000,
     false,
     {{HKLM, HKCU}, 2},
     kAcadLocation,
     {{HKLM, HKCU}, 2},
     false,
     kNoView,
     kNoView},
    {"R16.0", "2004", "ACAD-201:804", &kGeneration2004, true, kUserThenMachine, kAcadLocation,
     kUserThenMachine, false, k32Only, kNativeThen32},
    {"R16.1", "2005", "ACAD-301:409", &kGeneration2004, true, kUserOnly, kAcadLocation,
     kUserThenMachine, false, k32Only, kNativeThen32},
    {"R16.2", "2006", "ACAD-4001:409", &kGeneration2004, true, kUserOnly, kAcadLocation,
     kUserThenMachine, false, k32Only, kNativeThen32},
    {"R17.0", "2007", "ACAD-5001:804", &kGeneration2007, true, kUserOnly, kAcadLocation,
     kUserThenMachine, false, k32Only, kNativeThen32},
    {"R17.1", "2008", "ACAD-6001:804", &kGeneration2007, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, k32Only, kNativeThen32},
    {"R17.2", "2009", "ACAD-7001:804", &kGeneration2007, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, k32ThenNative, kNativeThen32},
    {"R18.0", "2010", "ACAD-8001:804", &kGeneration2010, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, kNativeThen32, kNativeThen32},
    {"R18.1", "2011", "ACAD-9001:804", &kGeneration2010, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, kNativeThen32, kNativeThen32},
    {"R18.2", "2012", "ACAD-A001:804", &kGeneration2010, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, kNativeThen32, kNativeThen32},
    {"R19.0", "2013", "ACAD-B001:804", &kGeneration2013, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, false, kNativeThen32, kNativeThen32},
    {"R19.1", "2014", "ACAD-D001:804", &kGeneration2013, true, kUserOnly, kAcadLocationThenLocation,
     kUserThenMachine, true, kNativeThen32, kNativeThen32},
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
