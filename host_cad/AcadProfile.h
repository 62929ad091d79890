// Profile configuration: makes one found AutoCAD release ready to run the
// product with a host profile "<<Kelvra V9>>".
#pragma once

#include "framework/String.h"
#include "host_cad/AcadRelease.h"

#include <vector>

// The profile the product's shortcuts start the host with.
extern const char kKelvraProfile[];

// What configuration added that was not there before, for the installation
// record: profiles that did not exist (also those the create-on-read lookups
// of the default profiles left behind) and TRUSTEDPATHS entries a profile did
// not list, each named by the key it lives in.
struct AcadProfileAddition {
    CString releaseKey; // "R19.1"
    CString view;       // the view in the profile's key: "" (native) or "Wow6432Node"
    CString productId;  // the product id in the profile's key
    CString profile;    // a key name under Profiles
    CString value;      // the TRUSTEDPATHS entry, without ";"; empty for a profile
};
struct AcadProfileAdditions {
    std::vector<AcadProfileAddition> createdProfiles;
    std::vector<AcadProfileAddition> trustedPaths;
};

// Which of configuration's writes a run makes: the machine's part, shared by
// every user (the demand-load entries under HKEY_LOCAL_MACHINE), the
// running user's own (the profiles under HKEY_CURRENT_USER), or both.
enum class ConfigurationParts {
    UserAndMachine,
    MachineOnly, // SYSTEM, or an administrator's run on a user's behalf:
                 // the users' own parts are made by the per-user program
    UserOnly,    // the per-user program: the installation made the machine's
};

// Writes the release's demand-load entry (HKLM) and the profile's support
// path, menu file and trusted paths (HKCU), as its generation requires;
// parts leaves out one side (MachineOnly reads nothing under HKCU but the
// product id).
// installDir ends in a backslash. view is "" or "Wow6432Node" (the sweep
// always passes ""); hostFolder, the folder discovery found, is used by the
// releases whose support path names the host's own folders (R15.0).
// Returns 1 when the user's trusted-path list was too long to read and was
// left as it was (the product's folders not joined to it), otherwise 0.
// added, when given, receives what was added; noting it only reads (without
// creating keys), so the writes and their order are the same either way.
int ConfigureAcadProfile(const AcadRelease& release, const CString& installDir, const CString& view,
                         const CString& hostFolder, AcadProfileAdditions* added = nullptr,
                         ConfigurationParts parts = ConfigurationParts::UserAndMachine);

// The keys configuration writes for one release, as ConfigureAcadProfile
// computes them (reading "CurVer" and the default profiles on the way, with
// the create-on-read lookups).
struct AcadProfileKeys {
    CString profile;        // HKCU: the profile "<<Kelvra V9>>"
    CString demandLoad;     // HKLM: Applications\LoadKelvra; empty: none
    CString defaultProfile; // HKCU: the profile whose TRUSTEDPATHS the
                            // product joins; empty when the release has none
};
AcadProfileKeys FindAcadProfileKeys(const AcadRelease& release, const CString& view);

// The trusted-paths list of the product's arx folder inside installDir and
// inside each sibling folder that is not empty, every entry ended by ";".
CString FormatTrustedPaths(const CString& arxFolder, const CString& installDir,
                           const CString& quintelFolder, const CString& velmorFolder);
// The ";"-separated entries of a path list, empty ones left out.
std::vector<CString> SplitPathList(const CString& list);
// productPaths followed by each entry of existingPaths not already listed
// (case-insensitively), every entry ended by ";"; empty entries are dropped.
CString MergeTrustedPaths(const CString& productPaths, const CString& existingPaths);
