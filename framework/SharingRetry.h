// Antivirus scanners and indexers open a file the moment it is written, for
// a moment: a call refused for that is tried again a few times, shortly
// apart, instead of failing the step.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// How often a call refused with a sharing violation is made in all, and the
// first pause between two tries (each pause doubles: 50 + 100 + 200 + 400 ms).
constexpr int kSharingTries = 5;
constexpr DWORD kFirstSharingPauseMs = 50;

// Calls call (true on success, false with the thread's last error set)
// until it succeeds, fails for any reason but ERROR_SHARING_VIOLATION, or
// has been refused kSharingTries times. Its last result, with its error.
bool RetryWhileShared(const std::function<bool()>& call);

// Writes bytes to "<path>.new" (created with attributes, replacing what an
// earlier crash left there), flushes it and renames it over path: path
// holds either its old bytes or all the new ones, never a part, and a file
// that is still pending deletion is never in the way. Both steps are retried
// while another program holds the file. False, with the thread's last error
// set and no ".new" left behind, when it could not be done.
bool ReplaceFileContents(const std::wstring& path, const std::string& bytes, DWORD attributes);
