// What the destination page's Next weighs before the copying page starts:
// the space on the destination's volume and the files in use the copy must
// replace, asked about in boxes over the page; then the restart operations
// in the destination are taken out.
#pragma once

#include "framework/String.h"

#include <windows.h>

// True when the installation may go on into destination from source.
// False keeps the user on the page: too little space (the box names the
// volume and both figures), the files-in-use question cancelled, or a
// restart operation that cannot be taken out. replaceInUse is set when the
// user chose to have files in use replaced at the next restart. Without a
// source there is nothing to weigh.
bool ConfirmInstallation(HWND page, CString source, CString destination, bool& replaceInUse);
