// The AutoCAD configuration an installation record names: exactly the
// trusted-path entries the installer added and the profiles it created, in
// the running user's hive, whichever folder they point at.
#pragma once

#include "engine/InstallRecord.h"

// Removes each recorded TRUSTEDPATHS entry from its profile's list (the
// user's own entries stay, in their order) and deletes each recorded
// profile with its subkeys. Returns the number of values and keys changed.
int RemoveRecordedAcadEntries(const CInstallRecord& record);
