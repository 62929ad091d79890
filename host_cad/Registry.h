// The five registry operations every registry access of the worker goes
// through. Each opens the key with the create-or-open call (a read from a
// missing key creates it, empty, and leaves it behind), does one value
// operation and closes the key. They return 1 on success, 0 on failure, and
// never tell the user anything.
#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

// A string value is read through a buffer of this many bytes, NUL included:
// 2047 characters are read whole, longer values count as absent.
constexpr DWORD kRegistryReadLimit = 2048;

// REG_SZ under HKEY_LOCAL_MACHINE; the value is stored whole, whatever its length.
int WriteMachineString(CString key, CString name, CString value);
// Empties value first; on success it holds the value's text.
int ReadMachineString(CString key, CString name, CString& value);
int WriteUserString(CString key, CString name, CString value);
int ReadUserString(CString key, CString name, CString& value);
// The size in bytes a value under HKEY_CURRENT_USER holds, asked without a
// buffer, so a value too long to read can be told from an absent one; 0 when
// there is no such value.
DWORD UserValueSize(CString key, CString name);
// The text of a value of an open key, in code page 936: a string value up to
// its first NUL, any other type's bytes up to their first NUL. False when the
// value is missing or unreadable, or holds a character code page 936 lacks
// (logged, never read as "?"). dataBytes: the size of the value's data in
// its 8-bit form (the string's code page 936 bytes, with its NUL when stored
// with one), what a read through a buffer must hold.
bool ReadRegistryText(HKEY key, const char* name, CString& value, DWORD* dataBytes = nullptr);
// REG_DWORD under HKEY_LOCAL_MACHINE.
int WriteMachineDword(CString key, CString name, DWORD value);

// How many HKEY_LOCAL_MACHINE writes have failed in this process so far: the
// worker sums up what it could not write instead of passing over it unseen.
long MachineWriteFailures();
// Of those, the writes refused for want of rights (ERROR_ACCESS_DENIED).
long MachineWritesDenied();

// Reads that create nothing, for what the installation record notes about the
// state before a write: a string value (read whole up to kRegistryReadLimit
// bytes, 0 when the key or value is missing or longer), and the names of a
// key's subkeys (none when the key is missing).
int ReadExistingString(HKEY hive, const CString& key, const CString& name, CString& value);
std::vector<CString> SubkeyNames(HKEY hive, const CString& key);

// The two hives the operations reach, as data for tables of sources.
enum class RegistryHive { Machine, User };
// ReadMachineString or ReadUserString.
int ReadHiveString(RegistryHive hive, CString key, CString name, CString& value);
