// A restart through the consent prompt runs as an administrator: its
// HKEY_CURRENT_USER and shell folders may be another account's (an
// administrator's password typed for a standard user), and a program it
// starts runs with an administrator's full rights on the user's desktop
// (Notepad's File > Open can start any program). So the elevated run leaves
// the user's own part to the run that restarted it, which waits for it: the
// per-user program for that user, as Active Setup runs it at a logon, and
// the read-me, opened as that user.
//
// The two share a small section in the session's namespace, made by the
// original under a fresh random name that it passes on in the restart's
// mark (kElevatedRunSwitch); only SYSTEM, Administrators and the original's
// user may open it. The elevated run writes there what it leaves.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

#include <windows.h>

enum HandBackRequest : DWORD {
    kHandBackUserSetup = 1, // set up the original's user (once the run ended with 0)
    kHandBackReadme = 2,    // open the read-me
};

// The original's side.
class CHandBack {
public:
    // Makes the section; Name() stays empty when it cannot be made, and the
    // restart then goes without it (and does all itself, as before).
    CHandBack();
    CHandBack(const CHandBack&) = delete;
    CHandBack& operator=(const CHandBack&) = delete;

    // The 32 hexadecimal digits the restart's mark carries.
    const CString& Name() const { return m_name; }
    // What the elevated run left (kHandBack... bits), read once it has ended.
    DWORD Requests() const;

private:
    CString m_name;
    CHandle m_section;
    CMappedView m_view;
};

// The elevated run's side: writes requests into the section the original
// named. False when it cannot be opened (no original waits for it).
bool HandBack(const CString& name, DWORD requests);

// The original, after the elevated run ended with exitCode: runs the
// per-user program for its own user when asked and the run ended with 0,
// then opens the read-me of the installation the product key names when
// asked.
void TakeBack(DWORD requests, int exitCode);
