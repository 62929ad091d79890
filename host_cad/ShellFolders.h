// The desktop and Start-menu Programs folders, read where the installer's
// shortcut step reads them, and the names it gives its links.
#pragma once

#include "framework/String.h"

// The program group the installer makes under Programs.
extern const char kProgramGroup[];
// The product's link on the desktop and in the group.
extern const char kProductLink[];

// The first source from which both folders can be read (empty counts as
// read), as stored; false with both emptied when none can be.
bool FindShellFolders(CString& desktop, CString& programs);
// The folders of every source that can be read, in the order tried,
// trimmed and ending in a backslash; empty values left out.
void ListShellFolders(CStringArray& desktops, CStringArray& programs);
