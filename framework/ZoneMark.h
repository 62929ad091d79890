// The mark of the web. Explorer marks every file it extracts from a
// downloaded zip with a Zone.Identifier stream, and CopyFile copies the
// stream along: an installed file that kept it opens as from the Internet
// (a help file shows "navigation to the webpage was canceled", a program
// warns at every start). The installation takes the mark off what it puts
// on the machine.
#pragma once

#include "framework/String.h"

#include <windows.h>

// Removes the Zone.Identifier stream of the file at path, when it has one
// (a read-only file keeps its attribute). The file keeps its last-write
// time: lastWrite when given (the time the copy gave it), else the time it
// had before. True when the file carries no mark afterwards; false, with
// the thread's last error set, when the mark could not be removed.
bool RemoveZoneMark(const CString& path, const FILETIME* lastWrite = nullptr);
// RemoveZoneMark for an installed file; a mark that stays is named in the
// run's log (the file is installed all the same: it only warns as a
// download would).
void TakeOffZoneMark(const CString& path, const FILETIME* lastWrite = nullptr);

// Whether files in folder can carry the mark at all: its volume keeps named
// streams (NTFS and most shares do; FAT, exFAT and CD-ROM volumes do not).
// False when the volume cannot be asked.
bool VolumeKeepsNamedStreams(const CString& folder);
