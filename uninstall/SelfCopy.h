// Uninstall-64.exe cannot delete its own running file, so the program the
// user starts (the original, in the destination folder) copies itself into a
// fresh folder of its own under %TEMP% and lets the copy do the work.
//
// The handshake. The original hands the copy, by inheritance, four handles:
// its own process, an event, a small shared block holding the exit code, and
// (opened before the copy starts, with delete-on-close) the copy's own file
// and folder. The copy names them in its private switch; it trusts the
// switch only when the handles are real and the shared block carries the
// original's process id, so nothing typed by hand passes for it. The copy
// runs the whole removal, writes the exit code into the block and sets the
// event; the original then ends with that code, so whoever started it (a
// script, Programs and Features) sees it end only when the removal is done.
// The copy waits for the original's process to end, deletes the original's
// file and the emptied destination, and ends; its last handle to its own
// file goes with it, which deletes the file.
#pragma once

#include "framework/Handles.h"
#include "framework/String.h"

// The block the original and the copy share: who the original is, and the
// exit code the copy reports. The copy trusts a block only with the
// original's mark and process id.
constexpr DWORD kCopySharedMagic = 0x5539564B; // "KV9U"
struct CopyShared {
    DWORD magic;
    DWORD originalProcessId;
    LONG exitCode;
};

// The copy's private switch (its value: the inherited handles).
constexpr char kCopySwitch[] = "/_KELVRA_UNINSTALL_COPY=";

// The original's side: makes the copy, starts it with the private switch and
// then arguments, and waits for its report. False when the copy could not be
// made or started (nothing was removed); otherwise exitCode is the code the
// copy reported, or kExitFailed when it ended without reporting.
bool RunThroughCopy(const CString& arguments, int& exitCode);

class CCopyHandshake {
public:
    CCopyHandshake() = default;
    ~CCopyHandshake();
    CCopyHandshake(const CCopyHandshake&) = delete;
    CCopyHandshake& operator=(const CCopyHandshake&) = delete;

    // Takes over the handles the switch's value names. False when they are
    // not the original's (a hand-typed switch): nothing may then be removed.
    bool Attach(const CString& value);

    // The original's program file; its folder is the destination.
    const CString& OriginalPath() const { return m_originalPath; }
    // False when the original could not arrange the deletion of the copy's
    // own file: the copy then schedules it for removal at restart.
    bool SelfDeleteArranged() const { return m_selfDelete; }

    // Whether the original's file can be deleted once its process has ended:
    // this process may open it for deletion now. When it may not (no right
    // to, or a program holds it without sharing deletion), only a deletion
    // at the next restart is left.
    bool CanDeleteOriginal() const;
    // Schedules the original's file for deletion at the next restart; true
    // when that could be arranged.
    bool ScheduleOriginalRemoval() const;

    // Hands the exit code to the original, which then ends with it.
    void Report(int exitCode);
    // Waits (bounded) for the original's process to end and deletes its
    // file; schedules it for removal at restart when it cannot. True when
    // the file is gone.
    bool RemoveOriginal();
    // Schedules the copy's own file and folder for removal at restart when
    // the original could not arrange their deletion on close.
    void ScheduleSelfRemoval();

private:
    CHandle m_original;
    CHandle m_done;
    CHandle m_mapping;
    CMappedView m_view; // holds m_shared
    CopyShared* m_shared = nullptr;
    CString m_originalPath;
    bool m_selfDelete = false;
};
