// The folders the product itself writes into: Database\ (kelvra.mdb, and
// the lock file its database engine creates beside it) and Temp\ (its
// scratch files). Kelvra-64.exe is a 64-bit program, which Windows gives no
// file virtualization, so in a folder only administrators may change
// (Program Files, a destination with a protected access list) a standard
// user could write neither, and the product would fail for every user but
// the administrators. When the installation itself creates one of these two
// folders there, it gives the Users group modify rights on it, inherited by
// everything the folder will hold; nothing else changes.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <windows.h>

enum class DataFolderGrant {
    NotADataFolder,  // not Database\ or Temp\ of the destination: nothing done
    Granted,         // Users may now modify it and what it holds
    AlreadyWritable, // someone besides the administrators and the installing
                     // account may already change it: nothing done
    Failed,          // logged; the thread's last error says why
};

// For a folder the installation has just created (no trailing backslash)
// inside installDir (ending in one). Database\ and Temp\ directly in
// installDir that nobody but SYSTEM, Administrators, TrustedInstaller and
// the installing account may change get an entry for the Users group:
// modify, inherited by the files and folders created in them. Their other
// entries, and what they inherit from installDir, stay. Asked and done
// through one handle on the folder itself: a link put in its place is
// refused. The outcome goes to the run's log.
DataFolderGrant GrantDataFolderRights(const CString& installDir, const CString& folder);

// The access list such a folder gets: the entries of dacl that are its own
// (not inherited; none when dacl is null), and the Users group's modify
// entry for the folder, its subfolders and files. Empty when it cannot be
// made; otherwise the memory holds an ACL.
CLocalMemory DataFolderAccessList(PACL dacl);
