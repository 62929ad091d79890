// What the user (the last box) and an administrator (the run log) are told
// after a removal: what went and, by name, what stayed.
#pragma once

#include "framework/String.h"
#include "uninstall/ProductRemoval.h"

// How many names of one kind the last box lists before "以及另外 N 项".
constexpr int kShownNamesPerList = 5;
// How many of the files the user added or changed the box and the log name.
constexpr int kShownUserFiles = 10;

// The items, one per line with an indent; after maxShown of them one more
// line says how many were left out. maxShown <= 0 lists them all.
CString ListNames(const CStringArray& names, int maxShown);

// The last box's text. selfAtRestart: the uninstaller's own copy is removed
// at the next restart (its deletion could not be arranged otherwise).
CString LastBoxText(const RemovalOutcome& outcome, bool selfAtRestart);

// Into the run log: how many items went, every name that stayed (of the
// user's own files the count and the first kShownUserFiles), the exit code.
void LogOutcome(const RemovalOutcome& outcome, int exitCode);
