// Takes back what the configuration sweep wrote into AutoCAD for one
// destination: none of it is in the uninstall log.
#pragma once

#include "framework/String.h"

enum class AcadCleanupParts {
    UserAndMachine, // the uninstaller: profiles, trusted paths and demand-load keys
    UserOnly,       // a per-user clean-up: this user's profiles and trusted paths
};

// For every release the configuration sweep finds: deletes the profile
// "<<Kelvra V9>>" with all its subkeys (HKCU), the demand-load key
// Applications\LoadKelvra (HKLM, unless UserOnly), and removes from the
// default profile's TRUSTEDPATHS exactly the entries inside installDir (the
// user's own entries stay, in their order). Only the running user's hive.
// installDir ends in a backslash. Returns the number of keys and values
// changed. Discovery's create-on-read lookups leave empty keys behind.
int RemoveAcadConfiguration(const CString& installDir, AcadCleanupParts parts);
