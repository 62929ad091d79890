// The COM registration an in-process server (a control) leaves under
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes, found and removed by reading the
// registry alone: no code of the server is loaded or run, and a server whose
// file is already gone is cleaned just the same. Both registry views are
// searched: the 64-bit classes and the 32-bit ones (Classes\Wow6432Node).
#pragma once

#include "framework/String.h"

#include <windows.h>

// What RemoveComServerRegistration did.
struct ComRegistrationRemoval {
    int removed = 0;              // keys removed
    CStringArray failed;          // keys that could not be removed (full names)
    bool stillRegistered = false; // a class naming the file could not be removed
    bool Succeeded() const { return failed.empty() && !stillRegistered; }
};

// Removes, in both views: every class (CLSID\{...}) whose InprocServer32
// default value names serverPath; the ProgID and VersionIndependentProgID
// keys such a class names, when their own CLSID value names that class; and
// every type library version (TypeLib\{...}\<version>) registered from
// serverPath, with its library key once no version is left.
ComRegistrationRemoval RemoveComServerRegistration(const CString& serverPath);

// Deletes root\path with everything in it (RegDeleteTreeW): the removal
// above deletes through this call alone.
LSTATUS DeleteKeyTree(HKEY root, const wchar_t* path);

// True when a class in either view still names serverPath as its server.
bool IsComServerRegistered(const CString& serverPath);
