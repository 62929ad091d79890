// The installer's links where the user's shell folders are now: a desktop
// moved since the installation (OneDrive moves it) holds a link the log
// names under the old folder.
#pragma once

#include "framework/String.h"

// The links, by the installer's own names, in the running user's current
// desktop and in the program group of the current Start-menu Programs
// folder, whose target lies inside destination. Folders the log already
// names are found too; deleting twice does no harm.
CStringArray FindMovedLinks(const CString& destination);

// For tests: the same search in the given folders (each a desktop and a
// Programs folder).
CStringArray FindLinksInto(const CString& destination, const CStringArray& desktops,
                           const CStringArray& programFolders);

// The target path a shell link file holds; false when it cannot be read.
bool ReadLinkTarget(const CString& link, CString& target);
