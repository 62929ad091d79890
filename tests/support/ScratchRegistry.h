// Redirects HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER of this process into a
// fresh scratch key for the lifetime of the object, then deletes it.
#pragma once

#include "framework/String.h"

#include <windows.h>

class ScratchRegistry {
public:
    ScratchRegistry();
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    // Handles of the scratch hives (what HKLM and HKCU now stand for).
    HKEY Machine() const { return m_machine; }
    HKEY User() const { return m_user; }

private:
    CString m_root;
    HKEY m_machine = nullptr;
    HKEY m_user = nullptr;
};

// Direct registry helpers for setting up and checking tests.
bool SetRegString(HKEY root, const char* key, const char* name, const char* value);
bool SetRegDword(HKEY root, const char* key, const char* name, DWORD value);
bool SetRegRaw(HKEY root, const char* key, const char* name, DWORD type, const void* data,
               DWORD size);
// The value's type and bytes; false when the key or value is missing. Never creates keys.
bool GetRegRaw(HKEY root, const char* key, const char* name, DWORD* type, std::string* data);
// A REG_SZ's text without its NUL; empty when missing.
CString GetRegString(HKEY root, const char* key, const char* name);
bool RegKeyExists(HKEY root, const char* key);
bool RegValueExists(HKEY root, const char* key, const char* name);
