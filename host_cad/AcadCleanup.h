// Takes back what the configuration sweep wrote into AutoCAD: none of it is
// in the uninstall log.
#pragma once

#include "framework/String.h"

#include <functional>

enum class AcadCleanupParts {
    UserAndMachine, // the uninstaller: profiles, trusted paths and demand-load keys
    UserOnly,       // a per-user clean-up: this user's profiles and trusted paths
    MachineOnly,    // the demand-load keys alone (the profiles and trusted
                    // paths go by the installation record instead)
};

// For every release the configuration sweep finds: deletes the profile
// "<<Kelvra V9>>" with all its subkeys (HKCU, unless MachineOnly), the
// demand-load key Applications\LoadKelvra (HKLM, unless UserOnly), and
// removes from the default profile's TRUSTEDPATHS exactly the entries inside
// installDir (unless MachineOnly; the user's own entries stay, in their
// order, and so do entries of another copy of the product in another
// folder). Only the running user's hive. installDir ends in a backslash.
// Returns the number of keys and values changed. Discovery's create-on-read
// lookups leave empty keys behind.
int RemoveAcadConfiguration(const CString& installDir, AcadCleanupParts parts);
// The same for both parts, where nothing but the folder is known (the
// uninstaller of an emptied folder): the profile only where its support path
// ("ACAD") names a folder inside installDir, the demand-load key only where
// its "LOADER" lies inside it, and the trusted-path entries inside it.
int RemoveAcadConfigurationPointingInto(const CString& installDir);

// Takes out of the TRUSTEDPATHS value of the HKCU key variablesKey (a
// profile's "Variables") every entry isOurs accepts (given trimmed, as
// written), keeping the others in their order; deletes the value when
// nothing is left. 1 when the value changed, else 0.
int RemoveTrustedEntries(const CString& variablesKey,
                         const std::function<bool(const CString& entry)>& isOurs);
