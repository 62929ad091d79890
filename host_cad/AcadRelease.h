// The twelve AutoCAD releases the product supports, R15.0 to R19.1, and
// everything that differs between them, as constant data: discovery,
// configuration and both sweeps read the rows and carry no per-release code.
#pragma once

#include "framework/String.h"
#include "host_cad/Registry.h"

// The 32-bit applications' registry view, inserted right after "SOFTWARE".
extern const char kWow6432Node[];

// A few names (hives, views, value names, profiles), in the order tried.
template <typename T, int N = 3> struct TriedInOrder {
    T items[N];
    int count;
    const T* begin() const { return items; }
    const T* end() const { return items + count; }
};

// What a support generation keeps in the product's "Support" folder and how
// it configures a host profile. Paths are relative to the destination folder.
struct AcadGeneration {
    const char* name; // "2004-06"
    // The arx folder put first on the support path; the 32-bit form is used
    // when configuration is given a non-empty view (only 2010-12 has one).
    const char* arxFolder;
    const char* arxFolder32;
    const char* menuFolder;
    // The loader registered for demand loading; null: no demand-load entry.
    const char* demandLoadFile;
    const char* demandLoadFile32;
    // The view the demand-load key always lives in ("Wow6432Node": the
    // 32-bit host of form W), or null for the configuration's own view
    // (form N, or form V with a non-empty view).
    const char* demandLoadView;
    // Whether a non-empty view goes into the "CurVer" and profile keys.
    bool viewInProfileKeys;
    // The host profiles whose "ACAD" support path follows the product's
    // entries; the first that can be read wins.
    TriedInOrder<const char*> defaultProfiles;
    // Instead of a default profile: the host folder's own subfolders (R15.0).
    TriedInOrder<const char*, 4> hostSubfolders;
    // The new profile is deleted (when it has no subkeys) before it is written.
    bool deleteProfileFirst;
    // "MenuFile" of the profile's "General Configuration", or null.
    const char* menuFile;
};

struct AcadRelease {
    const char* releaseKey; // the host's key under "SOFTWARE\Autodesk\AutoCAD"
    const char* yearLabel;  // names the release's shortcut "Kelvrafor<year>.LNK"
    // Assumed when "CurVer" cannot be read; null: the release needs a "CurVer".
    const char* defaultProductId;
    const AcadGeneration* generation;
    // Discovery: whether the folder key takes a view, where "CurVer" is read,
    // and which folder values are tried.
    bool takesView;
    TriedInOrder<RegistryHive> discoveryCurVerHives;
    TriedInOrder<const char*> folderValues;
    // Configuration reads "CurVer" with its own order of hives.
    TriedInOrder<RegistryHive> configurationCurVerHives;
    // Only R19.1 trusts the product's arx folders ("TRUSTEDPATHS").
    bool writesTrustedPaths;
    // The views each sweep looks in, in order, until the release is found.
    TriedInOrder<const char*> configurationSweepViews;
    TriedInOrder<const char*> shortcutSweepViews;
};

constexpr int kAcadReleaseCount = 12;
// In release order, R15.0 first.
extern const AcadRelease ACAD_RELEASES[kAcadReleaseCount];

// The row of a release key such as "R18.0", or null.
const AcadRelease* FindAcadRelease(const char* releaseKey);

// "SOFTWARE" + "\" + view (when not empty) + "\" + rest: a key in the view.
CString KeyInView(const char* software, const CString& view, const CString& rest);
