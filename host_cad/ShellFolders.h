// The desktop and Start-menu Programs folders, read where the installer's
// shortcut step reads them, and the names it gives its links.
#pragma once

#include "framework/String.h"

// The program group the installer makes under Programs.
extern const char kProgramGroup[];
// The product's link on the desktop and in the group; the group's others.
extern const char kProductLink[];
extern const char kWebsiteLink[];
extern const char kHelpLink[];
extern const char kUninstallerLink[];

// The first source from which both folders can be read (empty counts as
// read), as stored; false with both emptied when none can be.
bool FindShellFolders(CString& desktop, CString& programs);
// The folders of every source that can be read (only the user's own
// sources when userOnly), in the order tried, trimmed and ending in a
// backslash; empty values left out.
void ListShellFolders(CStringArray& desktops, CStringArray& programs, bool userOnly = false);
// Every folder named in the four shell-folder keys (each trimmed, without a
// trailing backslash): the folders an uninstall never removes.
void ListEveryShellFolder(CStringArray& folders);
